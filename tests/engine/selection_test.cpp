#include "engine/Childwin.h"
#include "formats/StandardServices.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace quillet;
using Walker = TMDIChild::TextWalker;

namespace {

TextChar textChar(char c)
{
    TextChar t;
    t.Kind = ckText;
    t.Code = uint8_t(c);
    return t;
}

// '#' stands for a picture character.
TextLine line(std::string_view s, int32_t endKind = ekParagraph)
{
    TextLine l;
    l.CellsPerRow = 1;
    l.EndKind = endKind;
    for (char c : s) {
        TextChar t = textChar(c);
        if (c == '#') {
            t.Kind = ckPicture;
            t.Code = 0;
        }
        l.Chars.push_back(t);
    }
    return l;
}

TextLine cell(std::string_view s, int32_t n, int32_t index, bool first, bool last,
              int32_t endKind = ekParagraph)
{
    TextLine l = line(s, endKind);
    l.IsCell = 1;
    l.CellsPerRow = n;
    l.CellIndex = index;
    l.RowFirstRun = first;
    l.RowLastRun = last;
    return l;
}

TextArea area(std::vector<TextLine> lines, int32_t prev = -1, int32_t next = -1)
{
    TextArea a;
    a.Lines = std::move(lines);
    a.PrevInFlow = prev;
    a.NextInFlow = next;
    return a;
}

struct Win {
    FrameState frame = StandardFrameState();
    std::unique_ptr<TMDIChild> w = std::make_unique<TMDIChild>(frame);
    TMDIChild* operator->() { return w.get(); }
    TMDIChild& operator*() { return *w; }
    void select(TextPos anchor, TextPos cursor)
    {
        w->Anchor = anchor;
        w->Cursor = cursor;
        w->FindMarkingStart();
    }
};

// Consecutive positions of one line merge into "area.line:chars".
struct Trail {
    std::string out;
    int32_t area = -1, line = -1;
    void add(const TMDIChild& w, const TextPos& p)
    {
        const TextLine& l = w.Areas[size_t(p.Area)].Lines[size_t(p.Line)];
        if (p.Area != area || p.Line != line || out.empty()) {
            if (!out.empty()) out += ' ';
            out += std::to_string(p.Area) + "." + std::to_string(p.Line) + ":";
            area = p.Area;
            line = p.Line;
        }
        if (p.Char >= 0 && p.Char < l.CharCount()) out += char(l.Chars[size_t(p.Char)].Code);
    }
};

// What the paint pass shows selected, in the given area order.
std::string painted(TMDIChild& w, const std::vector<int32_t>& order)
{
    Trail t;
    for (int32_t a : order)
        for (int32_t l = 0; l < w.Areas[size_t(a)].LineCount(); ++l)
            for (int32_t c = 0; c < w.Areas[size_t(a)].Lines[size_t(l)].CharCount(); ++c)
                if (w.isinmarking(a, l, c)) t.add(w, TextPos{a, l, c});
    return t.out;
}

std::string painted(TMDIChild& w)
{
    std::vector<int32_t> order;
    for (int32_t a = 0; a < w.AreaCount(); ++a) order.push_back(a);
    return painted(w, order);
}

bool holdsChar(const TMDIChild& w, const TextPos& p)
{
    return p.Char >= 0 && p.Char < w.Areas[size_t(p.Area)].Lines[size_t(p.Line)].CharCount();
}

// The selection walk: the marking start first, then each marked character.
std::string walkedMarked(TMDIChild& w, bool tableBlind = false)
{
    Walker k = w.MarkedWalk();
    Trail t;
    if (holdsChar(w, k.Pos) && w.isinmarking(k.Pos.Area, k.Pos.Line, k.Pos.Char)) t.add(w, k.Pos);
    int guard = 0;
    while ((tableBlind ? w.getnextmarkedcharTableBlind(k) : w.getnextmarkedchar(k)) && ++guard < 10000)
        t.add(w, k.Pos);
    return t.out;
}

std::string walkChars(TMDIChild& w, TextPos from, const std::function<bool(Walker&)>& step)
{
    Walker k(from);
    std::string s;
    auto take = [&] {
        const TextLine& l = w.Areas[size_t(k.Pos.Area)].Lines[size_t(k.Pos.Line)];
        s += k.Pos.Char < l.CharCount() ? char(l.Chars[size_t(k.Pos.Char)].Code) : '/';
    };
    take();
    int guard = 0;
    while (step(k) && ++guard < 10000) take();
    EXPECT_LT(guard, 10000) << "walk did not end";
    return s;
}

// Row 1 has three runs, row 2 one; text above and below.
std::vector<TextLine> tableLines()
{
    return {
        line("top"),
        cell("a1", 2, 0, true, false, ekSoft), cell("b1", 2, 1, true, false, ekSoft),
        cell("a2", 2, 0, false, false, ekSoft), cell("b2", 2, 1, false, false, ekSoft),
        cell("a3", 2, 0, false, true), cell("b3", 2, 1, false, true),
        cell("c1", 2, 0, true, true), cell("d1", 2, 1, true, true),
        line("end"),
    };
}

} // namespace

// ---- Flow chains ------------------------------------------------------------

TEST(GoToLine, CarriesLineIndexesAlongTheChainAndLeavesItsEndsOutOfRange)
{
    Win w;
    // Chain 2 -> 0 -> 3; area 1 is a header between them in index order.
    w->Areas = {area({line("c0"), line("c1")}, 2, 3), area({line("h")}),
                area({line("a0"), line("a1"), line("a2")}, -1, 0), area({line("d0")}, 0, -1)};
    int32_t a = 2, l = 4;
    w->GoToLine(a, l);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(l, 1);
    a = 2, l = 5;
    w->GoToLine(a, l);
    EXPECT_EQ(a, 3);
    EXPECT_EQ(l, 0);
    a = 3, l = -3;
    w->GoToLine(a, l);
    EXPECT_EQ(a, 2);
    EXPECT_EQ(l, 2);
    a = 2, l = -1;
    w->GoToLine(a, l);
    EXPECT_EQ(a, 2);
    EXPECT_EQ(l, -1);
    a = 3, l = 1;
    w->GoToLine(a, l);
    EXPECT_EQ(a, 3);
    EXPECT_EQ(l, 1);
}

TEST(GoToLine, LinkCyclesAndSelfLinksEnd)
{
    Win w;
    w->Areas = {area({line("x")}, 1, 1), area({line("y")}, 0, 0), area({}, 2, 2)};
    int32_t a = 0, l = 1000;
    w->GoToLine(a, l);
    EXPECT_GE(l, w->Areas[size_t(a)].LineCount());
    a = 1, l = -1000;
    w->GoToLine(a, l);
    EXPECT_LT(l, 0);
    a = 2, l = 0;
    w->GoToLine(a, l);
    EXPECT_EQ(a, 2);
}

// ---- Ordering and membership --------------------------------------------------

TEST(Selection, DirectionDoesNotMatterAndEqualEndsSelectNothing)
{
    Win w;
    w->Areas = {area({line("abcdefg")})};
    w.select({0, 0, 5}, {0, 0, 1});
    EXPECT_EQ(painted(*w), "0.0:bcde");
    EXPECT_EQ(w->MarkingStart, (TextPos{0, 0, 1}));
    w.select({0, 0, 1}, {0, 0, 5});
    EXPECT_EQ(painted(*w), "0.0:bcde");
    EXPECT_EQ(walkedMarked(*w), "0.0:bcde");

    w.select({0, 0, 3}, {0, 0, 3});
    EXPECT_FALSE(w->isThereAmarking());
    EXPECT_EQ(painted(*w), "");
    Walker k = w->MarkedWalk();
    EXPECT_FALSE(w->getnextmarkedchar(k));
}

TEST(Selection, PositionsOutsideTheDocumentAreNeverSelectedNorWalked)
{
    Win w;
    w->Areas = {area({line("abc")})};
    w.select({0, 0, 0}, {0, 0, 3});
    EXPECT_FALSE(w->isinmarking(5, 0, 0));
    EXPECT_FALSE(w->isinmarking(0, 1, 0));
    EXPECT_FALSE(w->isinmarking(-1, 0, 0));
    w.select({9, 0, 0}, {0, 0, 2});
    EXPECT_EQ(painted(*w), "");
    Walker k(TextPos{0, 4, 0});
    EXPECT_FALSE(w->getnextchar(k));
    k = Walker(TextPos{3, 0, 0});
    EXPECT_FALSE(w->getPrevsChar(k));
    std::string word = "old";
    w->Cursor = {0, 7, 0};
    w->GetActualWord(1, word);
    EXPECT_EQ(word, "");
    w->WortMarkieren();
    EXPECT_EQ(w->Cursor, (TextPos{0, 7, 0}));
}

TEST(Selection, OrdersByPlaceInTheChainNotByAreaIndex)
{
    Win w;
    // Chain 2 -> 0 -> 3; header 1 lies between in index order.
    w->Areas = {area({line("cccc"), line("dddd")}, 2, 3), area({line("hh")}),
                area({line("aaaa"), line("bbbb")}, -1, 0), area({line("eeee"), line("ffff")}, 0, -1)};
    const std::vector<int32_t> chainOrder{2, 0, 1, 3};

    // From the middle of the chain's first area to its third: line 1 of the
    // later areas is selected from its first character on.
    w.select({0, 1, 2}, {2, 1, 2});
    EXPECT_EQ(w->MarkingStart, (TextPos{2, 1, 2}));
    EXPECT_EQ(painted(*w, chainOrder), "2.1:bb 0.0:cccc 0.1:dd");
    EXPECT_EQ(walkedMarked(*w), "2.1:bb 0.0:cccc 0.1:dd");

    w.select({2, 1, 2}, {3, 1, 2});
    EXPECT_EQ(painted(*w, chainOrder), "2.1:bb 0.0:cccc 0.1:dddd 3.0:eeee 3.1:ff");
    EXPECT_EQ(walkedMarked(*w), "2.1:bb 0.0:cccc 0.1:dddd 3.0:eeee 3.1:ff");
    EXPECT_FALSE(w->isinmarking(1, 0, 0));
}

// A selection inside one area is ordered without ranking the chain; walks
// that start in an earlier area of the chain must still reach it.
TEST(Selection, InsideOneAreaAsWhenOrderedOverTheChain)
{
    struct Case {
        const char* name;
        TextPos anchor, cursor;
        const char* marked;
    };
    const std::vector<Case> cases = {
        {"on one line", {0, 0, 1}, {0, 0, 3}, "0.0:cc"},
        {"backwards over two lines", {0, 1, 2}, {0, 0, 1}, "0.0:ccc 0.1:dd"},
        {"up to the area's last line", {0, 1, 1}, {0, 2, 2}, "0.1:ddd 0.2:gg"},
        {"in the chain's first area", {2, 0, 2}, {2, 1, 1}, "2.0:aa 2.1:b"},
        {"in the chain's last area", {3, 0, 3}, {3, 0, 0}, "3.0:eee"},
        {"in an area outside the chain", {1, 0, 0}, {1, 0, 1}, "1.0:h"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Win w;
        // Chain 2 -> 0 -> 3; header 1 lies between in index order.
        w->Areas = {area({line("cccc"), line("dddd"), line("gggg")}, 2, 3), area({line("hh"), line("ii")}),
                    area({line("aaaa"), line("bbbb")}, -1, 0), area({line("eeee"), line("ffff")}, 0, -1)};
        w.select(c.anchor, c.cursor);
        EXPECT_EQ(painted(*w, {2, 0, 1, 3}), c.marked);
        EXPECT_EQ(walkedMarked(*w), c.marked);
        const int32_t first = c.anchor.Area == 1 ? 1 : 2;
        Walker k(TextPos{first, 0, -1});
        Trail t;
        for (int guard = 0; w->getnextmarkedchar(k) && guard < 100; ++guard) t.add(*w, k.Pos);
        EXPECT_EQ(t.out, c.marked) << "walked from the start of the chain";
    }
}

TEST(Selection, NeverLeavesTheAnchorsChain)
{
    Win w;
    // Body chain 0 -> 2, header 1, footer 3.
    w->Areas = {area({line("ab"), line("cd")}, -1, 2), area({line("hh")}),
                area({line("ef")}, 0, -1), area({line("ff")})};

    // Cursor in a header of higher index: up to the end of the chain.
    w.select({0, 1, 1}, {1, 0, 1});
    EXPECT_EQ(painted(*w), "0.1:d 2.0:ef");
    EXPECT_EQ(w->MarkingEnd, (TextPos{2, 0, 2}));
    EXPECT_EQ(walkedMarked(*w), "0.1:d 2.0:ef");

    // Cursor in a header of lower index: from the chain's start.
    w.select({2, 0, 1}, {1, 0, 0});
    EXPECT_EQ(painted(*w), "0.0:ab 0.1:cd 2.0:e");
    EXPECT_EQ(w->MarkingStart, (TextPos{0, 0, 0}));
    EXPECT_EQ(walkedMarked(*w), "0.0:ab 0.1:cd 2.0:e");

    // Anchor in the header: only header text.
    w.select({1, 0, 1}, {3, 0, 1});
    EXPECT_EQ(painted(*w), "1.0:h");
}

TEST(TableSelection, AcrossCellsOfOneRowSelectsWholeCells)
{
    Win w;
    w->Areas = {area(tableLines())};
    // From column 1 of the first run to column 0 of the last run: columns 0
    // and 1 of every run of the row.
    w.select({0, 2, 1}, {0, 5, 1});
    EXPECT_EQ(painted(*w), "0.1:a1 0.2:b1 0.3:a2 0.4:b2 0.5:a3 0.6:b3");
    EXPECT_EQ(w->CellMarking, 1);
    EXPECT_EQ(w->RowMarking, 1);
    EXPECT_EQ(w->MarkColumnFirst, 0);
    EXPECT_EQ(w->MarkColumnLast, 1);
    EXPECT_EQ(w->MarkingStart, (TextPos{0, 1, 0}));
    EXPECT_EQ(w->MarkingEnd, (TextPos{0, 6, 2}));
    EXPECT_EQ(walkedMarked(*w), "0.1:a1 0.3:a2 0.5:a3 0.2:b1 0.4:b2 0.6:b3");
    EXPECT_EQ(walkedMarked(*w, true), "0.1:a1 0.2:b1 0.3:a2 0.4:b2 0.5:a3 0.6:b3");

    // Within one cell over two runs: characters, no widening.
    w.select({0, 3, 1}, {0, 1, 1});
    EXPECT_EQ(w->CellMarking, 1);
    EXPECT_EQ(w->RowMarking, 0);
    EXPECT_EQ(painted(*w), "0.1:1 0.3:a");
    EXPECT_EQ(walkedMarked(*w), "0.1:1 0.3:a");
}

TEST(TableSelection, FromTextIntoTheSecondRowSelectsWholeRows)
{
    Win w;
    w->Areas = {area(tableLines())};
    w.select({0, 0, 1}, {0, 7, 1});
    EXPECT_EQ(w->isinmarking(0, 0, 0), false);
    EXPECT_EQ(painted(*w), "0.0:op 0.1:a1 0.2:b1 0.3:a2 0.4:b2 0.5:a3 0.6:b3 0.7:c1 0.8:d1");
    EXPECT_EQ(w->RowMarking, 1);
    EXPECT_EQ(w->MarkColumnFirst, 0);
    EXPECT_EQ(w->MarkColumnLast, 1);
    EXPECT_EQ(w->MarkingEnd, (TextPos{0, 8, 2}));
    EXPECT_EQ(walkedMarked(*w), "0.0:op 0.1:a1 0.3:a2 0.5:a3 0.2:b1 0.4:b2 0.6:b3 0.7:c1 0.8:d1");
    EXPECT_EQ(walkedMarked(*w, true), "0.0:op 0.1:a1 0.2:b1 0.3:a2 0.4:b2 0.5:a3 0.6:b3 0.7:c1 0.8:d1");

    // Text - table - text: the rows in between are whole rows too.
    w.select({0, 9, 1}, {0, 0, 2});
    EXPECT_EQ(w->RowMarking, 1);
    EXPECT_EQ(painted(*w), "0.0:p 0.1:a1 0.2:b1 0.3:a2 0.4:b2 0.5:a3 0.6:b3 0.7:c1 0.8:d1 0.9:e");
}

TEST(TableSelection, ColumnRangeOverSeveralRows)
{
    Win w;
    // Three one-run rows of three cells.
    std::vector<TextLine> lines;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            lines.push_back(cell(std::string(1, char('a' + r)) + char('0' + c), 3, c, true, true));
    w->Areas = {area(lines)};
    // Column 2 of row 0 back to column 1 of row 2: columns 1..2 of all rows.
    w.select({0, 7, 1}, {0, 2, 1});
    EXPECT_EQ(w->RowMarking, 1);
    EXPECT_EQ(painted(*w), "0.1:a1 0.2:a2 0.4:b1 0.5:b2 0.7:c1 0.8:c2");
    EXPECT_EQ(walkedMarked(*w), "0.1:a1 0.2:a2 0.4:b1 0.5:b2 0.7:c1 0.8:c2");
}

TEST(TableSelection, MixedColumnCountsStayInsideEachRow)
{
    Win w;
    w->Areas = {area({
        line("tx"),
        cell("x0", 3, 0, true, true), cell("x1", 3, 1, true, true), cell("x2", 3, 2, true, true),
        cell("y0", 2, 0, true, true), cell("y1", 2, 1, true, true),
        line("after"),
    })};
    // All cells: columns 1..2; the end in the two-column row stops at its own last column.
    w.select({0, 3, 0}, {0, 5, 1});
    EXPECT_EQ(w->RowMarking, 1);
    EXPECT_EQ(w->MarkColumnFirst, 1);
    EXPECT_EQ(w->MarkColumnLast, 2);
    EXPECT_EQ(w->MarkingStart, (TextPos{0, 2, 0}));
    EXPECT_EQ(w->MarkingEnd, (TextPos{0, 5, 2}));
    EXPECT_EQ(painted(*w), "0.2:x1 0.3:x2 0.5:y1");
    EXPECT_EQ(walkedMarked(*w), "0.2:x1 0.3:x2 0.5:y1");

    // From text: the widest row gives 0..2; the narrow row ends at column 1.
    w.select({0, 0, 1}, {0, 4, 0});
    EXPECT_EQ(w->MarkColumnLast, 2);
    EXPECT_EQ(w->MarkingEnd, (TextPos{0, 5, 2}));
    EXPECT_EQ(painted(*w), "0.0:x 0.1:x0 0.2:x1 0.3:x2 0.4:y0 0.5:y1");
}

TEST(MarkingCache, FollowsAnchorCursorAndDocumentChanges)
{
    Win w;
    w->Areas = {area({line("ab"), line("cd"), line("ef")})};
    w.select({0, 0, 1}, {0, 2, 1});
    EXPECT_EQ(painted(*w), "0.0:b 0.1:cd 0.2:e");
    w->Cursor = {0, 1, 1};
    EXPECT_EQ(painted(*w), "0.0:b 0.1:c");

    // A line turned into a table row: the selection becomes a row selection.
    w->Cursor = {0, 2, 1};
    EXPECT_EQ(w->CellMarking, 0);
    TextLine& mid = w->Areas[0].Lines[1];
    mid.IsCell = 1;
    mid.RowFirstRun = mid.RowLastRun = 1;
    w->InvalidateMarking();
    EXPECT_TRUE(w->isinmarking(0, 1, 0));
    EXPECT_EQ(w->CellMarking, 1);
    EXPECT_EQ(w->RowMarking, 1);

    // Relinked areas.
    w->Areas = {area({line("aa")}, -1, 1), area({line("bb")}, 0, -1), area({line("cc")})};
    w.select({0, 0, 0}, {1, 0, 1});
    EXPECT_EQ(painted(*w), "0.0:aa 1.0:b");
    w->Areas[0].NextInFlow = 2;
    w->Areas[2].PrevInFlow = 0;
    w->Areas[1].PrevInFlow = -1;
    w->InvalidateMarking();
    EXPECT_EQ(painted(*w), "0.0:aa 2.0:cc");
}

TEST(MarkingCache, TextTypedIntoTheLastSelectedRowIsSelected)
{
    Win w;
    w->Areas = {area(tableLines())};
    w.select({0, 0, 1}, {0, 7, 1});
    EXPECT_EQ(w->MarkingEnd, (TextPos{0, 8, 2}));
    // No invalidation: the guard on the end line's length notices.
    w->Areas[0].Lines[8].Chars.push_back(textChar('!'));
    EXPECT_TRUE(w->isinmarking(0, 8, 2));
    EXPECT_EQ(w->MarkingEnd, (TextPos{0, 8, 3}));
}

// ---- Document walks -------------------------------------------------------------

TEST(DocumentWalk, CellsInCellOrderStorageOrderWhenTableBlindAndBackwardsMirrored)
{
    Win w;
    w->Areas = {area(tableLines())};
    auto fwd = [&](Walker& k) { return w->getnextchar(k); };
    auto blind = [&](Walker& k) { return w->getnextcharTableBlind(k); };
    auto back = [&](Walker& k) { return w->getPrevsChar(k); };
    EXPECT_EQ(walkChars(*w, {0, 0, 0}, fwd), "topa1a2a3b1b2b3c1d1end");
    EXPECT_EQ(walkChars(*w, {0, 0, 0}, blind), "topa1b1a2b2a3b3c1d1end");
    EXPECT_EQ(walkChars(*w, {0, 9, 2}, back), "dne1d1c3b2b1b3a2a1apot");
}

TEST(DocumentWalk, EmptyLinesArePassedOverOrAreStopsInLineWalks)
{
    Win w;
    w->Areas = {area({line("ab"), line(""), line(""), line("c")})};
    auto fwd = [&](Walker& k) { return w->getnextchar(k); };
    auto back = [&](Walker& k) { return w->getPrevsChar(k); };
    EXPECT_EQ(walkChars(*w, {0, 0, 0}, fwd), "abc");
    EXPECT_EQ(walkChars(*w, {0, 3, 0}, back), "cba");
    w->WalkByLines = 1;
    EXPECT_EQ(walkChars(*w, {0, 0, 0}, fwd), "ab//c");
    Walker k(TextPos{0, 3, 0});
    ASSERT_TRUE(w->getPrevsChar(k));
    EXPECT_EQ(k.Pos, (TextPos{0, 2, 0}));
}

TEST(DocumentWalk, FollowsFlowLinksAndWalksOnIntoUnvisitedAreas)
{
    Win w;
    // Chain 2 -> 0; header 1 and footer 3.
    w->Areas = {area({line("cd")}, 2, -1), area({line("h")}), area({line("ab")}, -1, 0), area({line("f")})};
    w->Anchor = w->Cursor = {2, 0, 0};
    auto fwd = [&](Walker& k) { return w->getnextchar(k); };
    EXPECT_EQ(walkChars(*w, {2, 0, 0}, fwd), "abcd");
    EXPECT_EQ(w->WalkPrevArea, 2);
    EXPECT_EQ(w->Areas[0].Visited, 1);
    EXPECT_EQ(w->Areas[1].Visited, 0);

    for (TextArea& a : w->Areas) a.Visited = 0;
    w->Areas[2].Visited = 1;
    w->WalkAllAreas = 1;
    EXPECT_EQ(walkChars(*w, {2, 0, 0}, fwd), "abcdhf");
}

TEST(DocumentWalk, BackwardsIntoAnUnvisitedFlowStartsAtItsLastLine)
{
    Win w;
    // Header 0 (where the walk starts), chain 1 -> 2 whose last line is empty.
    w->Areas = {area({line("h")}), area({line("ab")}, -1, 2), area({line("cd"), line("")}, 1, -1)};
    w->Areas[0].Visited = 1;
    w->WalkAllAreas = 1;
    auto back = [&](Walker& k) { return w->getPrevsChar(k); };
    EXPECT_EQ(walkChars(*w, {0, 0, 0}, back), "hdcba");

    for (TextArea& a : w->Areas) a.Visited = 0;
    w->Areas[0].Visited = 1;
    w->WalkByLines = 1;
    Walker k(TextPos{0, 0, 0});
    ASSERT_TRUE(w->getPrevsChar(k));
    EXPECT_EQ(k.Pos, (TextPos{2, 1, 0}));
}

TEST(DocumentWalk, DamagedLinksAndTablesEnd)
{
    Win w;
    // A link cycle 0 -> 1 -> 0 and a self-linked area.
    w->Areas = {area({line("ab")}, 1, 1), area({line("cd")}, 0, 0), area({line("e")}, 2, 2)};
    auto fwd = [&](Walker& k) { return w->getnextchar(k); };
    auto back = [&](Walker& k) { return w->getPrevsChar(k); };
    EXPECT_EQ(walkChars(*w, {0, 0, 0}, fwd), "abcd");
    EXPECT_EQ(walkChars(*w, {1, 0, 1}, back), "dcba");
    // Walking on into unvisited areas follows the cut links too.
    w->WalkAllAreas = 1;
    for (TextArea& a : w->Areas) a.Visited = 0;
    w->Areas[1].Visited = 1;
    EXPECT_EQ(walkChars(*w, {1, 0, 0}, fwd), "cdabcde");
    w->WalkAllAreas = 0;
    w.select({1, 0, 1}, {0, 0, 1});
    EXPECT_EQ(painted(*w), "0.0:b 1.0:c");
    EXPECT_EQ(walkedMarked(*w), "0.0:b 1.0:c");

    // Row flags that contradict each other, and a row of zero cells.
    w->Areas = {area({
        cell("p", 2, 0, true, false), cell("q", 2, 1, true, false), cell("r", 2, 0, false, false),
        cell("s", 2, 1, false, true), cell("t", 2, 0, false, true), cell("u", 0, 0, true, true),
        cell("v", -3, 5, false, false),
    })};
    walkChars(*w, {0, 0, 0}, fwd);
    walkChars(*w, {0, 0, 0}, [&](Walker& k) { return w->getnextcharTableBlind(k); });
    EXPECT_EQ(walkChars(*w, {0, 5, 0}, fwd), "uv");
    walkChars(*w, {0, 6, 0}, back);
    w.select({0, 0, 0}, {0, 6, 1});
    painted(*w);
    walkedMarked(*w);
}

TEST(DocumentWalk, SelectionFollowsLinksThatEndOrCircle)
{
    struct Case {
        const char* name;
        std::vector<std::pair<int32_t, int32_t>> links;  // prev, next of areas 0..2
        const char* marked;
    };
    const std::vector<Case> cases = {
        {"a chain that ends", {{-1, 1}, {0, 2}, {1, -1}}, "0.0:b 1.0:cd 2.0:e"},
        {"a circle through the anchor", {{2, 1}, {0, 2}, {1, 0}}, "0.0:b 1.0:cd 2.0:e"},
        {"a tail into a circle", {{-1, 1}, {0, 2}, {1, 1}}, "0.0:b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Win w;
        w->Areas = {area({line("ab")}, c.links[0].first, c.links[0].second),
                    area({line("cd")}, c.links[1].first, c.links[1].second),
                    area({line("ef")}, c.links[2].first, c.links[2].second)};
        w.select({0, 0, 1}, {2, 0, 1});
        EXPECT_EQ(walkedMarked(*w), c.marked);
    }
}

// ---- Selection walks ----------------------------------------------------------

TEST(SelectionWalk, LineWalkStopsOnEmptyLinesAndLeavesWalkByLinesAlone)
{
    Win w;
    w->Areas = {area({line("ab"), line(""), line("cd"), line("ef")})};
    w.select({0, 0, 1}, {0, 3, 1});
    Walker k = w->MarkedWalk();
    std::vector<int32_t> lines{k.Pos.Line};
    while (w->getnextmarkedline(k)) lines.push_back(k.Pos.Line);
    EXPECT_EQ(lines, (std::vector<int32_t>{0, 1, 2, 3}));
    EXPECT_EQ(w->WalkByLines, 0);

    // Table-blind line walk over a row selection: storage order.
    w->Areas = {area(tableLines())};
    w.select({0, 0, 1}, {0, 7, 0});
    k = w->MarkedWalk();
    lines = {k.Pos.Line};
    while (w->getnextmarkedlineTableBlind(k)) lines.push_back(k.Pos.Line);
    EXPECT_EQ(lines, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    k = w->MarkedWalk();
    lines = {k.Pos.Line};
    while (w->getnextmarkedline(k)) lines.push_back(k.Pos.Line);
    EXPECT_EQ(lines, (std::vector<int32_t>{0, 1, 3, 5, 2, 4, 6, 7, 8}));
}

TEST(SelectionWalk, PaintingDuringAWalkDoesNotMoveIt)
{
    Win w;
    w->Areas = {area({line("abc"), line("de"), line("fgh")})};
    w.select({0, 2, 2}, {0, 0, 1});
    std::string plain = walkedMarked(*w);

    w->FindMarkingStart();
    Trail t;
    t.add(*w, w->Walk.Pos);
    while (w->getnextmarkedchar()) {
        t.add(*w, w->Walk.Pos);
        painted(*w);  // a repaint in the middle of a format command
    }
    EXPECT_EQ(t.out, plain);
    EXPECT_EQ(plain, "0.0:bc 0.1:de 0.2:fg");
}

// ---- Word and paragraph selection ---------------------------------------------

TEST(WordSelect, SelectsTheWordWithItsSpacesOrItsParagraphEnd)
{
    Win w;
    w->Areas = {area({line("ab  cd"), line("ef")})};
    w->Cursor = {0, 0, 1};
    w->WortMarkieren();
    EXPECT_EQ(w->Anchor, (TextPos{0, 0, 0}));
    EXPECT_EQ(w->Cursor, (TextPos{0, 0, 4}));

    w->Cursor = {0, 0, 5};
    w->WortMarkieren();
    EXPECT_EQ(w->Anchor, (TextPos{0, 0, 4}));
    EXPECT_EQ(w->Cursor, (TextPos{0, 1, 0}));
    EXPECT_EQ(painted(*w), "0.0:cd");

    // A word over a soft wrap is one word.
    w->Areas = {area({line("one tw", ekSoft), line("o three")})};
    w->Cursor = {0, 1, 0};
    w->WortMarkieren();
    EXPECT_EQ(w->Anchor, (TextPos{0, 0, 4}));
    EXPECT_EQ(w->Cursor, (TextPos{0, 1, 2}));
}

TEST(WordSelect, StaysInsideItsCell)
{
    Win w;
    w->Areas = {area({
        line("ab"),
        cell("ab c", 2, 0, true, false, ekSoft), cell("zz", 2, 1, true, false),
        cell("d ef", 2, 0, false, true), cell("w", 2, 1, false, true),
    })};
    // The word runs from the first run into the second of the same cell.
    w->Cursor = {0, 3, 0};
    w->WortMarkieren();
    EXPECT_EQ(w->Anchor, (TextPos{0, 1, 3}));
    EXPECT_EQ(w->Cursor, (TextPos{0, 3, 2}));

    // The last word of a cell does not reach into the next cell.
    w->Cursor = {0, 3, 3};
    w->WortMarkieren();
    EXPECT_EQ(w->Anchor, (TextPos{0, 3, 2}));
    EXPECT_EQ(w->Cursor, (TextPos{0, 3, 4}));
    w->FindMarkingStart();
    EXPECT_EQ(w->CellMarking, 0);

    // Nor does the word before a table reach into it.
    w->Cursor = {0, 0, 0};
    w->WortMarkieren();
    EXPECT_EQ(w->Cursor, (TextPos{0, 0, 2}));

    // The first word of a cell's first run stops at the cell's start.
    w->Cursor = {0, 2, 1};
    w->WortMarkieren();
    EXPECT_EQ(w->Anchor, (TextPos{0, 2, 0}));
}

TEST(ParagraphSelect, RunsToTheParagraphEndIncludingPageBreaks)
{
    Win w;
    w->Areas = {area({line("aa bb", ekSoft), line("cc", ekLineBreak), line("dd"), line("ee", ekPageBreak),
                      line("ff")})};
    w->Anchor = {0, 1, 1};
    w->AbsatzMarkieren();
    EXPECT_EQ(w->Anchor, (TextPos{0, 0, 0}));
    EXPECT_EQ(w->Cursor, (TextPos{0, 3, 0}));

    w->Anchor = {0, 3, 1};
    w->AbsatzMarkieren();
    EXPECT_EQ(w->Anchor, (TextPos{0, 3, 0}));
    EXPECT_EQ(w->Cursor, (TextPos{0, 4, 0}));

    w->Anchor = {0, 4, 1};
    w->AbsatzMarkieren();
    EXPECT_EQ(w->Anchor, (TextPos{0, 4, 0}));
    EXPECT_EQ(w->Cursor, (TextPos{0, 4, 2}));
}

TEST(ParagraphSelect, InACellStopsAtTheCellsParagraphs)
{
    Win w;
    w->Areas = {area({
        cell("p1", 2, 0, true, false), cell("x", 2, 1, true, false),
        cell("p2", 2, 0, false, true), cell("y", 2, 1, false, true),
    })};
    w->Anchor = {0, 2, 1};
    w->AbsatzMarkieren();
    EXPECT_EQ(w->Anchor, (TextPos{0, 2, 0}));
    EXPECT_EQ(w->Cursor, (TextPos{0, 2, 2}));
}

TEST(ActualWord, WholeWordAroundTheCursor)
{
    Win w;
    w->Areas = {area({line("hel", ekSoft), line("lo w#rd  x")})};
    std::string word;
    // Second half of a word split over a soft wrap.
    w->Cursor = {0, 1, 0};
    w->GetActualWord(0, word);
    EXPECT_EQ(word, "hello");
    EXPECT_EQ(w->Cursor, (TextPos{0, 1, 0}));
    w->GetActualWord(1, word);
    EXPECT_EQ(w->Anchor, (TextPos{0, 0, 0}));
    EXPECT_EQ(w->Cursor, (TextPos{0, 0, 0}));

    // Right after a picture: the picture ends the word.
    w->Cursor = {0, 1, 5};
    w->GetActualWord(1, word);
    EXPECT_EQ(word, "rd");
    EXPECT_EQ(w->Cursor, (TextPos{0, 1, 5}));

    // Right after a word (on the space behind it).
    w->Cursor = {0, 1, 7};
    w->GetActualWord(0, word);
    EXPECT_EQ(word, "rd");

    // A boundary after a boundary: no word, the cursor stays.
    w->Cursor = {0, 1, 8};
    w->GetActualWord(1, word);
    EXPECT_EQ(word, "");
    EXPECT_EQ(w->Cursor, (TextPos{0, 1, 8}));

    // At the line end after the last word.
    w->Cursor = {0, 1, 10};
    w->GetActualWord(0, word);
    EXPECT_EQ(word, "x");
}
