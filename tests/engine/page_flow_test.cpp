#include "engine/Childwin.h"
#include "formats/StandardServices.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <vector>

using namespace quillet;

namespace {

// A new document: page body (area 0) and the six header/footer areas.
struct Doc {
    FrameState frame = StandardFrameState();
    std::unique_ptr<TMDIChild> w = std::make_unique<TMDIChild>(frame);
    TMDIChild* operator->() { return w.get(); }
    TMDIChild& operator*() { return *w; }
};

TextLine makeLine(double height, int32_t endKind = ekParagraph, int32_t chars = 0)
{
    std::vector<TextLine> one(1);
    InitNewLine(one, 0);
    TextLine l = std::move(one[0]);
    l.Height = height;
    l.EndKind = endKind;
    l.Dirty = 0;
    for (int32_t i = 0; i < chars; ++i) {
        TextChar c;
        c.Code = uint8_t('a' + i % 26);
        l.Chars.push_back(c);
    }
    return l;
}

void fillLines(TextArea& a, int32_t count, double height, int32_t chars = 0)
{
    a.Lines.clear();
    for (int32_t i = 0; i < count; ++i) a.Lines.push_back(makeLine(height, ekParagraph, chars));
}

// Page bodies of area 0's flow, in chain order.
std::vector<int32_t> bodyChain(const TMDIChild& w)
{
    std::vector<int32_t> out;
    for (int32_t a = 0; a != -1 && out.size() <= w.Areas.size(); a = w.Areas[size_t(a)].NextInFlow)
        out.push_back(a);
    return out;
}

std::vector<int32_t> linesPerArea(const TMDIChild& w, const std::vector<int32_t>& areas)
{
    std::vector<int32_t> out;
    for (int32_t a : areas) out.push_back(w.Areas[size_t(a)].LineCount());
    return out;
}

// A text frame measured from the page's top left: `height` mm tall with
// 10 mm inner top and bottom margins.
int32_t addFrame(TMDIChild& w, double height)
{
    w.NewPage(true);
    TextArea& a = w.Areas.back();
    a.AreaType = atTextFrame;
    a.AnchorBottom = 0;
    a.AnchorRight = 0;
    a.AnchorTopToBottom = 0;
    a.Left = 20;
    a.Right = 120;
    a.Top = 0;
    a.Bottom = height;
    a.InnerTop = 10;
    a.InnerBottom = 10;
    a.Lines[0].Dirty = 0;
    return w.AreaCount() - 1;
}

void link(TMDIChild& w, int32_t from, int32_t to)
{
    w.Areas[size_t(from)].NextInFlow = to;
    w.Areas[size_t(to)].PrevInFlow = from;
}

size_t totalLines(const TMDIChild& w)
{
    size_t n = 0;
    for (const TextArea& a : w.Areas) n += a.Lines.size();
    return n;
}

void pass(TMDIChild& w)
{
    w.FlowGather();
    w.FlowPlace();
}

} // namespace

// The body is 7015 px / 600 dpi tall, 1122 logical screen pixels = 296.86 mm;
// with 25 mm margins top and bottom, 24 lines of 10 mm fit on a page.
TEST(PageFlow, LinesFlowOntoNewPagesAndBackWhenTextShrinks)
{
    Doc d;
    TMDIChild& w = *d;
    fillLines(w.Areas[0], 60, 10);
    pass(w);
    std::vector<int32_t> chain = bodyChain(w);
    ASSERT_EQ(chain.size(), 3u);
    EXPECT_EQ(linesPerArea(w, chain), (std::vector<int32_t>{24, 24, 12}));
    EXPECT_EQ(chain[1], 7);
    EXPECT_EQ(chain[2], 8);
    EXPECT_EQ(w.Areas[7].PageIndex, 1);
    EXPECT_EQ(w.Areas[8].PageIndex, 2);
    EXPECT_EQ(w.Areas[8].PrevInFlow, 7);
    EXPECT_EQ(w.Areas[7].AreaType, atPageBody);

    // A second pass gathers and redistributes into the same pages.
    pass(w);
    EXPECT_EQ(w.AreaCount(), 9);
    EXPECT_EQ(linesPerArea(w, bodyChain(w)), (std::vector<int32_t>{24, 24, 12}));

    // Gathering alone puts every line back into the first page.
    w.FlowGather();
    EXPECT_EQ(w.Areas[0].LineCount(), 60);
    EXPECT_EQ(w.Areas[7].LineCount(), 0);
    EXPECT_EQ(w.Areas[8].LineCount(), 0);

    // Text shrinks to one page: the continuation pages go, the first stays.
    w.Areas[0].Lines.resize(10);
    w.FlowPlace();
    EXPECT_EQ(w.AreaCount(), 7);
    EXPECT_EQ(w.Areas[0].NextInFlow, -1);
    EXPECT_EQ(w.Areas[0].LineCount(), 10);

    // An empty document keeps its first page.
    w.Areas[0].Lines.clear();
    pass(w);
    EXPECT_EQ(w.AreaCount(), 7);
    EXPECT_EQ(w.Areas[0].AreaType, atPageBody);
}

TEST(PageFlow, PageBreakStartsTheNextPageEvenOnAFirstLine)
{
    Doc d;
    TMDIChild& w = *d;
    fillLines(w.Areas[0], 4, 10);
    w.Areas[0].Lines[0].EndKind = ekPageBreak;
    w.Areas[0].Lines[1].EndKind = ekPageBreak;
    pass(w);
    EXPECT_EQ(linesPerArea(w, bodyChain(w)), (std::vector<int32_t>{1, 1, 2}));
}

TEST(PageFlow, OversizedLinesStandAloneAndThePassEnds)
{
    Doc d;
    TMDIChild& w = *d;
    fillLines(w.Areas[0], 5, 1000);
    pass(w);
    EXPECT_EQ(linesPerArea(w, bodyChain(w)), (std::vector<int32_t>{1, 1, 1, 1, 1}));

    // A page with no room at all still takes one line each.
    Doc e;
    TMDIChild& v = *e;
    v.Areas[0].Top = 400;
    fillLines(v.Areas[0], 3, 0);
    pass(v);
    EXPECT_EQ(linesPerArea(v, bodyChain(v)), (std::vector<int32_t>{1, 1, 1}));

    // Spacing far beyond any page, or not a number at all: each oversized
    // line stands alone, the rest is placed as usual, and passes repeat
    // without growing the document.
    Doc f;
    TMDIChild& u = *f;
    fillLines(u.Areas[0], 6, 10);
    u.Areas[0].Lines[1].Para.edit().SpaceAbove = 1e300;
    u.Areas[0].Lines[3].Para.edit().SpaceBelow = std::numeric_limits<double>::infinity();
    u.Areas[0].Lines[4].Para.edit().SpaceAbove = std::numeric_limits<double>::quiet_NaN();
    u.Areas[0].Lines[5].Height = std::numeric_limits<double>::quiet_NaN();
    pass(u);
    const std::vector<int32_t> once = linesPerArea(u, bodyChain(u));
    EXPECT_EQ(once, (std::vector<int32_t>{1, 1, 1, 1, 2}));
    pass(u);
    EXPECT_EQ(linesPerArea(u, bodyChain(u)), once);
}

TEST(PageFlow, CursorAndAnchorMoveWithTheirLines)
{
    Doc d;
    TMDIChild& w = *d;
    fillLines(w.Areas[0], 30, 10, 5);
    w.Cursor = TextPos{0, 27, 3};
    w.Anchor = TextPos{0, 2, 1};
    TextPos walk{0, 29, 4};
    w.RegisterPosition(&walk);
    pass(w);
    EXPECT_EQ(w.Cursor, (TextPos{7, 3, 3}));
    EXPECT_EQ(w.Anchor, (TextPos{0, 2, 1}));
    EXPECT_EQ(walk, (TextPos{7, 5, 4}));
    w.FlowGather();
    EXPECT_EQ(w.Cursor, (TextPos{0, 27, 3}));
    EXPECT_EQ(walk, (TextPos{0, 29, 4}));
    w.UnregisterPosition(&walk);
}

TEST(PageFlow, RemovedPagesLeaveEveryPositionValid)
{
    Doc d;
    TMDIChild& w = *d;
    fillLines(w.Areas[0], 30, 10, 5);
    pass(w);
    ASSERT_EQ(w.AreaCount(), 8);
    // A frame after the continuation page, holding the anchor.
    const int32_t frame = addFrame(w, 200);
    w.Areas[size_t(frame)].Lines[0] = makeLine(5, ekParagraph, 4);
    w.Anchor = TextPos{frame, 0, 2};
    w.Cursor = TextPos{7, 4, 5};

    // Text shrinks: page 2 empties and is removed; the caret that stood on
    // it goes to the end of the page before, the anchor keeps its text.
    w.FlowGather();
    w.Areas[0].Lines.resize(10);
    w.ClampPositions();
    w.Cursor = TextPos{7, 0, 0};
    w.FlowPlace();
    EXPECT_EQ(w.AreaCount(), 8);
    EXPECT_EQ(w.Anchor, (TextPos{7, 0, 2}));
    EXPECT_EQ(w.Areas[7].AreaType, atTextFrame);
    EXPECT_EQ(w.Cursor, (TextPos{0, 9, 5}));
}

// Area indexes held outside positions (a link being made, an object being
// dragged) follow their areas when pages before them are removed.
TEST(PageFlow, RemovedPagesKeepLinkAndDragIndexesOnTheirAreas)
{
    Doc d;
    TMDIChild& w = *d;
    fillLines(w.Areas[0], 60, 10, 5);
    pass(w);
    ASSERT_EQ(bodyChain(w).size(), 3u);
    const int32_t head = addFrame(w, 200);
    const int32_t source = addFrame(w, 200);
    w.LinkSource = source;
    w.LinkHead = head;
    w.ObjectDrag.Area = source;

    // Text shrinks to one page: both continuation pages go.
    w.FlowGather();
    w.Areas[0].Lines.resize(10);
    w.ClampPositions();
    w.FlowPlace();
    ASSERT_EQ(bodyChain(w).size(), 1u);
    EXPECT_EQ(w.LinkSource, source - 2);
    EXPECT_EQ(w.LinkHead, head - 2);
    EXPECT_EQ(w.ObjectDrag.Area, source - 2);
    EXPECT_EQ(w.Areas[size_t(w.LinkSource)].AreaType, atTextFrame);

    // An index naming a removed area names none.
    fillLines(w.Areas[0], 30, 10, 5);
    pass(w);
    ASSERT_EQ(bodyChain(w).size(), 2u);
    w.LinkSource = bodyChain(w)[1];
    w.FlowGather();
    w.Areas[0].Lines.resize(5);
    w.ClampPositions();
    w.FlowPlace();
    EXPECT_EQ(w.LinkSource, -1);
}

TEST(PageFlow, LinkedFramesFlowInChainOrderNotArrayOrder)
{
    Doc d;
    TMDIChild& w = *d;
    // Array order 7, 8, 9; chain order 9 -> 7 -> 8. Each frame holds 4 lines.
    const int32_t b = addFrame(w, 60);
    const int32_t c = addFrame(w, 60);
    const int32_t a = addFrame(w, 60);
    link(w, a, b);
    link(w, b, c);
    fillLines(w.Areas[size_t(a)], 10, 10, 2);
    w.Cursor = TextPos{a, 9, 1};
    pass(w);
    EXPECT_EQ(linesPerArea(w, {a, b, c}), (std::vector<int32_t>{4, 4, 2}));
    // The placeholders gave way; the caret followed its line.
    EXPECT_EQ(w.Areas[size_t(c)].Lines[0].CharCount(), 2);
    EXPECT_EQ(w.Cursor, (TextPos{c, 1, 1}));

    // Gathering collapses the chain into its head; the others keep one
    // empty line so they can still be typed in.
    w.FlowGather();
    EXPECT_EQ(linesPerArea(w, {a, b, c}), (std::vector<int32_t>{10, 1, 1}));
    EXPECT_EQ(w.Areas[size_t(b)].Lines[0].CharCount(), 0);
    EXPECT_EQ(w.Cursor, (TextPos{a, 9, 1}));
    w.FlowPlace();
    EXPECT_EQ(linesPerArea(w, {a, b, c}), (std::vector<int32_t>{4, 4, 2}));
    // Linked frames are never removed, not even empty ones.
    fillLines(w.Areas[size_t(a)], 2, 10);
    w.Areas[size_t(b)].Lines.clear();
    w.Areas[size_t(c)].Lines.clear();
    w.FlowPlace();
    EXPECT_EQ(w.AreaCount(), 10);
}

TEST(PageFlow, RepeatedPassesDoNotGrowLinkedFrames)
{
    Doc d;
    TMDIChild& w = *d;
    const int32_t a = addFrame(w, 60);
    const int32_t b = addFrame(w, 60);
    const int32_t c = addFrame(w, 60);
    link(w, a, b);
    link(w, b, c);
    fillLines(w.Areas[size_t(a)], 5, 10, 1);
    for (int i = 0; i < 4; ++i) pass(w);
    // The text fills frame 1 and one line of frame 2; frame 3 keeps its
    // empty line, which never joins the text.
    EXPECT_EQ(linesPerArea(w, {a, b, c}), (std::vector<int32_t>{4, 1, 1}));
    EXPECT_EQ(w.Areas[size_t(c)].Lines[0].CharCount(), 0);
}

TEST(PageFlow, BrokenChainsAreRepairedAndThePassEnds)
{
    Doc d;
    TMDIChild& w = *d;
    // A cycle without a head: 7 -> 8 -> 7.
    const int32_t a = addFrame(w, 60);
    const int32_t b = addFrame(w, 60);
    link(w, a, b);
    link(w, b, a);
    fillLines(w.Areas[size_t(a)], 6, 10);
    fillLines(w.Areas[size_t(b)], 6, 10);
    // A link beyond the array and one naming the area itself.
    const int32_t c = addFrame(w, 60);
    w.Areas[size_t(c)].NextInFlow = 1000;
    w.Areas[size_t(c)].PrevInFlow = c;
    const size_t before = totalLines(w);
    pass(w);
    pass(w);
    EXPECT_EQ(w.Areas[size_t(c)].NextInFlow, -1);
    EXPECT_EQ(w.Areas[size_t(c)].PrevInFlow, -1);
    // The cycle was cut once: one head, one tail.
    const int heads = (w.Areas[size_t(a)].PrevInFlow == -1) + (w.Areas[size_t(b)].PrevInFlow == -1);
    EXPECT_EQ(heads, 1);
    // Twelve lines in two 4-line frames: the rest stays in the chain's last
    // frame; one placeholder line was dropped, none lost.
    EXPECT_EQ(totalLines(w), before);
    EXPECT_EQ(w.Areas[size_t(a)].LineCount() + w.Areas[size_t(b)].LineCount(), 12);
}

TEST(PageFlow, TextThatDoesNotFitStaysInHeadersAndUnlinkedFrames)
{
    Doc d;
    TMDIChild& w = *d;
    const int32_t frame = addFrame(w, 60);
    fillLines(w.Areas[size_t(frame)], 9, 10);
    fillLines(w.Areas[5], 9, 10);  // header of all pages: 24.5 mm tall
    pass(w);
    EXPECT_EQ(w.AreaCount(), 8);
    EXPECT_EQ(w.Areas[size_t(frame)].LineCount(), 9);
    EXPECT_EQ(w.Areas[5].LineCount(), 9);
}

TEST(PageFlow, ContinuationPagesFollowTheFirstPagesMargins)
{
    Doc d;
    TMDIChild& w = *d;
    fillLines(w.Areas[0], 48, 10);
    pass(w);
    ASSERT_EQ(linesPerArea(w, bodyChain(w)), (std::vector<int32_t>{24, 24}));
    // Larger margins (5 lines less per page) reach page 2 as well.
    w.Areas[0].InnerTop = 50;
    w.Areas[0].InnerBottom = 50;
    pass(w);
    EXPECT_EQ(linesPerArea(w, bodyChain(w)), (std::vector<int32_t>{19, 19, 10}));
    EXPECT_EQ(w.Areas[7].InnerTop, 50);
    EXPECT_EQ(w.Areas[8].InnerBottom, 50);
}

TEST(PageFlow, TableRunsMoveAsAWholeUnlessACellBreaksThePage)
{
    Doc d;
    TMDIChild& w = *d;
    fillLines(w.Areas[0], 23, 10);  // y = 280 of 296.86
    // A row of two cells, 20 mm tall: it no longer fits.
    for (int32_t c = 0; c < 2; ++c) {
        TextLine l = makeLine(20);
        l.IsCell = 1;
        l.CellsPerRow = 2;
        l.CellIndex = c;
        l.RowFirstRun = l.RowLastRun = 1;
        w.Areas[0].Lines.push_back(l);
    }
    pass(w);
    EXPECT_EQ(linesPerArea(w, bodyChain(w)), (std::vector<int32_t>{23, 2}));

    // A page break in the first cell sends the second cell on by itself.
    Doc e;
    TMDIChild& v = *e;
    fillLines(v.Areas[0], 1, 10);
    for (int32_t c = 0; c < 2; ++c) {
        TextLine l = makeLine(10, c == 0 ? ekPageBreak : ekParagraph);
        l.IsCell = 1;
        l.CellsPerRow = 2;
        l.CellIndex = c;
        v.Areas[0].Lines.push_back(l);
    }
    pass(v);
    EXPECT_EQ(linesPerArea(v, bodyChain(v)), (std::vector<int32_t>{2, 1}));
}

TEST(Columns, BalancedBlockFollowedByOneColumnText)
{
    Doc d;
    TMDIChild& w = *d;
    fillLines(w.Areas[0], 5, 10);
    for (int32_t i = 0; i < 4; ++i) {
        w.Areas[0].Lines[size_t(i)].ColumnCount = 2;
        w.Areas[0].Lines[size_t(i)].ColumnGap = 10;
    }
    EXPECT_TRUE(w.isfirstSpaltenrow(0, 0));
    EXPECT_FALSE(w.isfirstSpaltenrow(0, 1));
    EXPECT_TRUE(w.isfirstSpaltenrow(0, 4));

    const TMDIChild::SpaltenInfo info = w.getspalteninfo(0, 2, 200);
    EXPECT_EQ(info.IndexInBlock, 2);
    EXPECT_EQ(info.BlockLines, 4);
    EXPECT_TRUE(info.BlockAtAreaStart);
    EXPECT_FALSE(info.BlockAtAreaEnd);
    EXPECT_EQ(info.ColumnHeight, 20);
    EXPECT_EQ(info.Column, 1);
    EXPECT_TRUE(info.OpensColumn);
    EXPECT_EQ(info.StepBack, 20);
    EXPECT_TRUE(w.getspalteninfo(0, 1, 200).ClosesColumn);

    w.FlowPlace();
    const std::vector<TextLine>& l = w.Areas[0].Lines;
    EXPECT_EQ(l[0].ColumnNumber, 0);
    EXPECT_EQ(l[1].ColumnNumber, 0);
    EXPECT_EQ(l[2].ColumnNumber, 1);
    EXPECT_EQ(l[3].ColumnNumber, 1);
    EXPECT_EQ(l[2].ColumnStepBack, 20);
    EXPECT_EQ(l[3].ColumnFillUp, 0);
    EXPECT_EQ(l[3].ColumnsUsed, 1);
    EXPECT_TRUE(l[0].ColumnFirstLine);
    // Two columns share the text width less one gap.
    EXPECT_NEAR(w.ColumnWidth(0, l[2]), (w.AreaTextWidth(0) - 10) / 2, 1e-9);
    EXPECT_NEAR(l[2].ColumnOffset, w.ColumnWidth(0, l[2]) + 10, 1e-9);
    EXPECT_NEAR(l[2].ColumnLeftX, w.ColumnWidth(0, l[2]) + 5, 1e-9);
}

TEST(Columns, BlockAtTheEndFillsColumnsAndMovesItsSurplusOn)
{
    Doc d;
    TMDIChild& w = *d;
    // 60 lines of 10 mm in two columns, to the end of the body: each column
    // takes 24 lines (the full height), 12 lines move to the next page.
    fillLines(w.Areas[0], 60, 10);
    for (TextLine& l : w.Areas[0].Lines) l.ColumnCount = 2;
    const TMDIChild::SpaltenInfo info = w.getspalteninfo(0, 23, 245.86);
    EXPECT_EQ(info.Column, 0);
    EXPECT_EQ(w.getspalteninfo(0, 24, 245.86).Column, 1);
    pass(w);
    const std::vector<int32_t> chain = bodyChain(w);
    EXPECT_EQ(linesPerArea(w, chain), (std::vector<int32_t>{48, 12}));
    EXPECT_EQ(w.Areas[size_t(chain[1])].Lines[0].ColumnNumber, 0);
    EXPECT_EQ(w.Areas[0].Lines[24].ColumnNumber, 1);

    // Heights that are not numbers cannot keep the balancing going.
    fillLines(w.Areas[0], 3, std::numeric_limits<double>::infinity());
    for (TextLine& l : w.Areas[0].Lines) l.ColumnCount = 2;
    w.Areas[0].Lines.push_back(makeLine(10));
    EXPECT_GE(w.getspalteninfo(0, 1, 1e12).ColumnHeight, 1);
}

TEST(PageFlow, PageHeightGoesThroughWholeScreenPixels)
{
    // 7015 px at 600 dpi are 1122 (not 1122.4) pixels at 96 dpi: 296.862 mm,
    // where the printer pixels alone would give 296.969 mm.
    Doc d;
    TMDIChild& w = *d;
    fillLines(w.Areas[0], 2, 10);
    w.Areas[0].Lines[1].Height = 236.9;  // ends at 296.9 mm
    pass(w);
    EXPECT_EQ(linesPerArea(w, bodyChain(w)), (std::vector<int32_t>{1, 1}));
    w.Areas[0].Lines[0].Height = 9.9;
    w.FlowGather();
    w.FlowPlace();
    EXPECT_EQ(linesPerArea(w, bodyChain(w)), (std::vector<int32_t>{2}));
}

// A long flow: lines handed on from page to page reach their pages in one
// move each, and every stored position lands on its own line.
TEST(PageFlow, PositionsFollowTheirLinesAcrossManyPages)
{
    Doc d;
    TMDIChild& w = *d;
    fillLines(w.Areas[0], 200, 10, 3);
    for (int32_t i = 0; i < 200; ++i) w.Areas[0].Lines[size_t(i)].Chars[0].Code = uint8_t(i);
    w.Cursor = TextPos{0, 150, 2};
    w.Anchor = TextPos{0, 23, 1};
    TextPos last{0, 199, 3};
    TextPos first{0, 48, 0};
    w.RegisterPosition(&last);
    w.RegisterPosition(&first);
    pass(w);

    const std::vector<int32_t> chain = bodyChain(w);
    ASSERT_EQ(chain.size(), 9u);
    EXPECT_EQ(linesPerArea(w, chain), (std::vector<int32_t>{24, 24, 24, 24, 24, 24, 24, 24, 8}));
    auto at = [&](const TextPos& p) { return w.Areas[size_t(p.Area)].Lines[size_t(p.Line)].Chars[0].Code; };
    EXPECT_EQ(w.Cursor, (TextPos{chain[6], 6, 2}));
    EXPECT_EQ(at(w.Cursor), 150);
    EXPECT_EQ(w.Anchor, (TextPos{0, 23, 1}));
    EXPECT_EQ(first, (TextPos{chain[2], 0, 0}));
    EXPECT_EQ(last, (TextPos{chain[8], 7, 3}));
    for (size_t k = 0; k < chain.size(); ++k)
        EXPECT_EQ(w.Areas[size_t(chain[k])].Lines[0].Chars[0].Code, uint8_t(24 * k)) << k;

    // Nothing changed: a second pass leaves every area and position as it was.
    const std::vector<TextArea> before = w.Areas;
    const TextPos cursor = w.Cursor;
    pass(w);
    EXPECT_EQ(w.Areas, before);
    EXPECT_EQ(w.Cursor, cursor);

    // Thirty lines go from the front: every page starts thirty lines later,
    // the positions go along, and the last page drops off.
    w.FlowGather();
    w.Areas[0].Lines.erase(w.Areas[0].Lines.begin(), w.Areas[0].Lines.begin() + 30);
    w.Cursor.Line -= 30;
    last.Line -= 30;
    first.Line -= 30;
    w.Anchor = TextPos{0, 0, 0};
    pass(w);
    const std::vector<int32_t> shorter = bodyChain(w);
    EXPECT_EQ(linesPerArea(w, shorter), (std::vector<int32_t>{24, 24, 24, 24, 24, 24, 24, 2}));
    EXPECT_EQ(at(w.Cursor), 150);
    EXPECT_EQ(at(last), 199);
    EXPECT_EQ(at(first), 48);
    EXPECT_EQ(first, (TextPos{0, 18, 0}));
    w.UnregisterPosition(&last);
    w.UnregisterPosition(&first);
}

// Placement without gathering (the flow as the last pass left it): the lines
// handed on go in front of the next page's own lines.
TEST(PageFlow, HandedOnLinesGoBeforeTheNextPagesOwn)
{
    Doc d;
    TMDIChild& w = *d;
    fillLines(w.Areas[0], 30, 10, 1);
    pass(w);
    const int32_t page2 = w.Areas[0].NextInFlow;
    ASSERT_EQ(w.Areas[size_t(page2)].LineCount(), 6);
    for (int32_t i = 0; i < 6; ++i) w.Areas[0].Lines.push_back(makeLine(10, ekParagraph, 1));
    w.Areas[0].Lines.back().Chars[0].Code = 'N';
    w.Cursor = TextPos{page2, 0, 1};
    w.Anchor = TextPos{0, 29, 0};
    w.FlowPlace();
    EXPECT_EQ(linesPerArea(w, bodyChain(w)), (std::vector<int32_t>{24, 12}));
    EXPECT_EQ(w.Areas[size_t(page2)].Lines[5].Chars[0].Code, 'N');
    EXPECT_EQ(w.Cursor, (TextPos{page2, 6, 1}));
    EXPECT_EQ(w.Anchor, (TextPos{page2, 5, 0}));
}

// A text that shrinks by many pages at once: every empty page goes in the
// same pass, also pages made after a frame (so the array holds pages and
// frames mixed), positions on dropped pages go to the end of the last page
// that stays, and everything after a dropped page keeps its area.
TEST(PageFlow, ShrinkingByManyPagesDropsThemAllInOnePass)
{
    struct Case {
        int32_t pagesBefore, framePage, pagesAfter;
    };
    for (const Case c : {Case{3, 1, 1}, Case{40, 20, 1}, Case{40, 5, 17}, Case{200, 100, 3}}) {
        SCOPED_TRACE(c.pagesBefore * 1000 + c.pagesAfter);
        Doc d;
        TMDIChild& w = *d;
        fillLines(w.Areas[0], c.framePage * 24, 10, 5);
        pass(w);
        const int32_t frame = addFrame(w, 200);
        w.Areas[size_t(frame)].Lines[0] = makeLine(5, ekParagraph, 4);
        w.FlowGather();
        fillLines(w.Areas[0], c.pagesBefore * 24, 10, 5);
        w.FlowPlace();
        ASSERT_EQ(bodyChain(w).size(), size_t(c.pagesBefore));
        const int32_t lastPage = bodyChain(w).back();
        w.Cursor = TextPos{lastPage, 3, 2};
        w.Anchor = TextPos{frame, 0, 2};
        w.LinkSource = frame;

        w.FlowGather();
        w.Areas[0].Lines.resize(size_t(c.pagesAfter) * 24);
        w.Cursor = TextPos{lastPage, 3, 2};  // gathering moved it to the first page
        w.FlowPlace();

        const std::vector<int32_t> chain = bodyChain(w);
        ASSERT_EQ(chain.size(), size_t(c.pagesAfter));
        EXPECT_EQ(w.AreaCount(), 7 + c.pagesAfter);
        const TextArea& end = w.Areas[size_t(chain.back())];
        EXPECT_EQ(w.Cursor, (TextPos{chain.back(), end.LineCount() - 1, 5}));
        ASSERT_TRUE(w.Anchor.Area >= 0 && w.Anchor.Area < w.AreaCount());
        EXPECT_EQ(w.Areas[size_t(w.Anchor.Area)].AreaType, atTextFrame);
        EXPECT_EQ(w.Anchor.Line * 100 + w.Anchor.Char, 2);
        EXPECT_EQ(w.LinkSource, w.Anchor.Area);
        for (int32_t i = 0; i < w.AreaCount(); ++i) {
            const TextArea& a = w.Areas[size_t(i)];
            if (a.NextInFlow != -1) {
                EXPECT_EQ(w.Areas[size_t(a.NextInFlow)].PrevInFlow, i);
            }
            if (a.PrevInFlow != -1) {
                EXPECT_EQ(w.Areas[size_t(a.PrevInFlow)].NextInFlow, i);
            }
        }
    }
}
