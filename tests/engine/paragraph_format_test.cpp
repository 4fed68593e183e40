// Writing paragraph formats: which lines a write reaches (paragraph ends,
// page breaks, table cells and rows, linked areas, selections), and the
// alignment and list commands on top of it.

#include "engine/Childwin.h"
#include "platform/VirtualKeys.h"
#include "tests/support/TypingWindow.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace quillet;

namespace {

class ParagraphFormat : public test::TypingWindow {
protected:
    // A hand-made line (not laid out): text, end kind, optional cell place.
    static TextLine makeLine(std::string_view text, int32_t endKind)
    {
        std::vector<TextLine> one(1);
        InitNewLine(one, 0);
        TextLine& l = one[0];
        l.EndKind = endKind;
        putChars(l, text);
        l.Dirty = 0;
        return l;
    }

    static TextLine makeCell(std::string_view text, int32_t endKind, int32_t cells, int32_t index,
                             bool firstRun, bool lastRun)
    {
        TextLine l = makeLine(text, endKind);
        l.IsCell = 1;
        l.CellsPerRow = cells;
        l.CellIndex = index;
        l.CellWidth = 30;
        l.RowFirstRun = firstRun;
        l.RowLastRun = lastRun;
        return l;
    }

    // The value to write: right-aligned, two columns.
    static TMDIChild::AbsatzWert marked()
    {
        TMDIChild::AbsatzWert v;
        v.Para = DefaultAbsatzFormat();
        v.Para.Alignment = 2;
        v.ColumnCount = 2;
        v.ColumnGap = 5;
        return v;
    }

    // Alignment of every line of area `a`, as digits.
    std::string alignments(int32_t a = 0)
    {
        std::string s;
        for (const TextLine& l : w.Areas[size_t(a)].Lines) s += char('0' + l.Para->Alignment);
        return s;
    }

    std::string columnCounts(int32_t a = 0)
    {
        std::string s;
        for (const TextLine& l : w.Areas[size_t(a)].Lines) s += char('0' + l.ColumnCount);
        return s;
    }

    std::string dirty(int32_t a = 0)
    {
        std::string s;
        for (const TextLine& l : w.Areas[size_t(a)].Lines) s += l.Dirty ? 'd' : '.';
        return s;
    }
};

TEST_F(ParagraphFormat, AParagraphEndsAtParagraphEndsAndPageBreaks)
{
    std::vector<TextLine>& ls = w.Areas[0].Lines;
    ls = {makeLine("aa", ekParagraph), makeLine("bb", ekSoft), makeLine("cc", ekLineBreak),
          makeLine("dd", ekPageBreak), makeLine("ee", ekSoft), makeLine("ff", ekParagraph)};

    // The middle line of a paragraph of three (one soft wrap, one line
    // break) ending in a page break: exactly those three lines.
    w.Cursor = w.Anchor = TextPos{0, 2, 1};
    w.setabsatzformat(marked(), true, false, false);
    EXPECT_EQ(alignments(), "022200");
    EXPECT_EQ(columnCounts(), "022200");
    EXPECT_EQ(dirty(), ".ddd..");
    EXPECT_TRUE(undoLabels().empty());

    // After the page break the paragraph there alone, with an undo step.
    w.Cursor = w.Anchor = TextPos{0, 5, 0};
    TMDIChild::AbsatzWert v = marked();
    v.Para.Alignment = 1;
    w.setabsatzformat(v, false, false, true);
    EXPECT_EQ(alignments(), "022211");
    // Without applyColumns the column settings stay as they were.
    EXPECT_EQ(columnCounts(), "022200");
    EXPECT_EQ(undoLabels(), (std::vector<std::string>{"Paragraph format"}));

    // thisLineOnly: the cursor line alone, whatever its paragraph.
    w.Cursor = w.Anchor = TextPos{0, 1, 0};
    v.Para.Alignment = 3;
    w.setabsatzformat(v, true, true, false);
    EXPECT_EQ(alignments(), "032211");
}

TEST_F(ParagraphFormat, WrittenLinesGetTheWholeFormatButKeepTheirListNumber)
{
    std::vector<TextLine>& ls = w.Areas[0].Lines;
    ls = {makeLine("aa", ekSoft), makeLine("bb", ekParagraph)};
    ls[0].Para.edit().ItemNumber = 4;
    ls[1].Para.edit().ItemNumber = 4;
    ls[1].Para.edit().BulletFace = "Symbol";

    TMDIChild::AbsatzWert v = marked();
    v.Para.LineSpacing = 1.5;
    v.Para.LeftIndent = 7;
    v.Para.Tabs = {TabStop{10, 1, 2}, TabStop{20, 3, 0}};
    v.Para.ListKind = 2;
    v.Para.BulletChar = 'x';
    v.Para.ItemNumber = 99;
    v.Para.BulletFace = std::string();  // empty: none
    w.Cursor = w.Anchor = TextPos{0, 0, 0};
    w.setabsatzformat(v, true, false, false);
    for (const TextLine& l : ls) {
        TMDIChild::AbsatzWert want = v;
        want.Para.ItemNumber = 4;
        want.Para.BulletFace.reset();
        EXPECT_EQ(l.Para, want.Para);
    }

    // What getabsatzformat reads back is what was written, columns included.
    const TMDIChild::AbsatzWert back = w.getabsatzformat();
    EXPECT_EQ(back.Para.Tabs, v.Para.Tabs);
    EXPECT_EQ(back.ColumnCount, 2);
    EXPECT_DOUBLE_EQ(back.ColumnGap, 5);
    EXPECT_EQ(back.Para.ItemNumber, 0);

    // A face that is named replaces the line's.
    v.Para.BulletFace = "Symbol";
    w.setabsatzformat(v, true, false, false);
    EXPECT_EQ(ls[0].Para->BulletFace, std::optional<std::string>("Symbol"));
}

TEST_F(ParagraphFormat, InATableTheParagraphStaysInItsCellAndColumnsCoverTheRow)
{
    // Text that ends softly right above a row of three cells over two runs
    // (cell 0 goes on in the second run, cell 1 has a paragraph in each
    // run), text right below.
    std::vector<TextLine>& ls = w.Areas[0].Lines;
    ls = {makeLine("above", ekSoft),
          makeCell("a1", ekSoft, 3, 0, true, false),      makeCell("b1", ekParagraph, 3, 1, true, false),
          makeCell("c1", ekSoft, 3, 2, true, false),      makeCell("a2", ekParagraph, 3, 0, false, true),
          makeCell("b2", ekParagraph, 3, 1, false, true), makeCell("c2", ekParagraph, 3, 2, false, true),
          makeLine("below", ekParagraph)};

    // Cell 0 of the second run: the cell's paragraph in both runs, no other
    // cell; the column settings reach every cell of both touched runs.
    w.Cursor = w.Anchor = TextPos{0, 4, 1};
    w.setabsatzformat(marked(), true, false, false);
    EXPECT_EQ(alignments(), "02002000");
    EXPECT_EQ(columnCounts(), "02222220");
    // The cells whose columns changed are laid out again too.
    EXPECT_EQ(dirty(), ".dddddd.");

    // Cell 1 of the first run: its paragraph ends there.
    w.Cursor = w.Anchor = TextPos{0, 2, 0};
    TMDIChild::AbsatzWert v = marked();
    v.Para.Alignment = 1;
    w.setabsatzformat(v, false, false, false);
    EXPECT_EQ(alignments(), "02102000");

    // Text next to the table never reaches into it, and the cell's own
    // column write with thisLineOnly stays on the line.
    w.Cursor = w.Anchor = TextPos{0, 0, 0};
    v.Para.Alignment = 3;
    v.ColumnCount = 3;
    w.setabsatzformat(v, true, false, false);
    w.Cursor = w.Anchor = TextPos{0, 7, 0};
    w.setabsatzformat(v, true, false, false);
    EXPECT_EQ(alignments(), "32102003");
    EXPECT_EQ(columnCounts(), "32222223");
    w.Cursor = w.Anchor = TextPos{0, 6, 0};
    v.ColumnCount = 4;
    w.setabsatzformat(v, true, true, false);
    EXPECT_EQ(columnCounts(), "32222243");
}

TEST_F(ParagraphFormat, ADamagedRowEndsTheParagraphInsteadOfLeavingTheCell)
{
    // The first run's cell 0 ends softly, but the line a run further on
    // belongs to another column; the last line of the area has no end.
    std::vector<TextLine>& ls = w.Areas[0].Lines;
    ls = {makeCell("a1", ekSoft, 2, 0, true, false), makeCell("b1", ekSoft, 2, 1, true, false),
          makeCell("x", ekSoft, 2, 1, false, false)};
    w.Cursor = w.Anchor = TextPos{0, 0, 0};
    w.setabsatzformat(marked(), false, false, false);
    EXPECT_EQ(alignments(), "200");
    // Cell 1's next run would lie past the area's end: the walk stops there.
    w.Cursor = w.Anchor = TextPos{0, 1, 0};
    w.setabsatzformat(marked(), false, false, false);
    EXPECT_EQ(alignments(), "220");

    // A row run claimed wider than the area holds: the column settings go
    // to the lines there are.
    ls[1].CellsPerRow = 9;
    ls[1].CellIndex = 1;
    w.Cursor = w.Anchor = TextPos{0, 1, 0};
    w.setabsatzformat(marked(), true, false, false);
    EXPECT_EQ(columnCounts(), "222");
}

TEST_F(ParagraphFormat, AParagraphFlowsAcrossLinkedAreas)
{
    w.NewPage(false);
    const int32_t second = w.AreaCount() - 1;
    w.Areas[0].NextInFlow = second;
    w.Areas[size_t(second)].PrevInFlow = 0;
    w.Areas[0].Lines = {makeLine("aa", ekParagraph), makeLine("bb", ekSoft)};
    w.Areas[size_t(second)].Lines = {makeLine("cc", ekSoft), makeLine("dd", ekParagraph), makeLine("ee", ekParagraph)};

    w.Cursor = w.Anchor = TextPos{second, 1, 0};
    w.setabsatzformat(marked(), true, false, false);
    EXPECT_EQ(alignments(0), "02");
    EXPECT_EQ(alignments(second), "220");
}

TEST_F(ParagraphFormat, ASelectionFormatsEveryLineOfTheParagraphsItTouches)
{
    type(words(30));
    key(VK_RETURN);
    type(words(30, 'k'));
    key(VK_RETURN);
    type("last");
    std::vector<TextLine>& ls = w.Areas[0].Lines;
    ASSERT_GE(ls.size(), 5u);
    int32_t secondStart = 0;
    while (ls[size_t(secondStart)].EndKind != ekParagraph) ++secondStart;
    ++secondStart;
    ASSERT_GE(secondStart, 2);

    // From inside the first paragraph's last line to inside the second's first.
    w.Cursor = w.Anchor = TextPos{0, secondStart - 1, 2};
    key(VK_DOWN, ssShift);
    ASSERT_EQ(w.Cursor.Line, secondStart);
    const size_t before = w.UndoCopies.size();
    key('J', ssCtrl);
    EXPECT_EQ(w.UndoCopies.size(), before + 1);
    for (int32_t i = 0; i + 1 < int32_t(ls.size()); ++i) EXPECT_EQ(ls[size_t(i)].Para->Alignment, 3) << i;
    EXPECT_EQ(ls.back().Para->Alignment, 0);
    // The selection stays.
    EXPECT_NE(w.Anchor, w.Cursor);
}

TEST_F(ParagraphFormat, AlignmentCommandsChangeOnlyTheAlignment)
{
    type(words(30));
    std::vector<TextLine>& ls = w.Areas[0].Lines;
    ASSERT_GE(ls.size(), 2u);
    TMDIChild::AbsatzWert v = w.getabsatzformat();
    v.Para.LineSpacing = 1.5;
    v.Para.Tabs = {TabStop{12.5, 2, 1}};
    v.Para.BulletFace = "Symbol";
    v.ColumnCount = 2;
    w.setabsatzformat(v, true, false, false);

    w.Cursor = w.Anchor = TextPos{0, 0, 3};
    w.formatcenter();
    for (const TextLine& l : ls) {
        EXPECT_EQ(l.Para->Alignment, 1);
        EXPECT_DOUBLE_EQ(l.Para->LineSpacing, 1.5);
        EXPECT_EQ(l.Para->Tabs, v.Para.Tabs);
        EXPECT_EQ(l.Para->BulletFace, v.Para.BulletFace);
        EXPECT_EQ(l.ColumnCount, 2);
        EXPECT_EQ(l.Dirty, 0);  // laid out again
    }
    EXPECT_EQ(undoLabels().back(), "Paragraph format");
    EXPECT_GE(host.timer2Restarts, 1);
}

TEST_F(ParagraphFormat, TheListToggleSwitchesOnAndOffAndResetsTheBullet)
{
    type("item");
    TextLine& l = w.Areas[0].Lines[0];
    l.Para.edit().ListIndent = 6;
    l.Para.edit().BulletFace = "Symbol";
    l.Para.edit().BulletChar = 'o';
    w.aufzaehlung(1);
    EXPECT_EQ(l.Para->ListKind, 1);
    // The standard bullet comes with the standard face: 159 in "Symbol"
    // would be some other glyph.
    EXPECT_EQ(l.Para->BulletChar, 159);
    EXPECT_FALSE(l.Para->BulletFace.has_value());
    EXPECT_DOUBLE_EQ(l.Para->ListIndent, 6);
    // Numbering replaces bullets; the same kind again switches off.
    w.aufzaehlung(2);
    EXPECT_EQ(l.Para->ListKind, 2);
    w.aufzaehlung(2);
    EXPECT_EQ(l.Para->ListKind, 0);
    w.aufzaehlung(1);
    w.aufzaehlung(1);
    EXPECT_EQ(l.Para->ListKind, 0);
    // 0 is always off, also on a list that is off; a custom bullet goes.
    w.aufzaehlung(1);
    l.Para.edit().BulletChar = 'o';
    l.Para.edit().BulletFace = "Symbol";
    w.aufzaehlung(0);
    EXPECT_EQ(l.Para->ListKind, 0);
    EXPECT_EQ(l.Para->BulletChar, 159);
    EXPECT_FALSE(l.Para->BulletFace.has_value());
    w.aufzaehlung(0);
    EXPECT_EQ(l.Para->ListKind, 0);
    // A kind that names no list changes nothing and takes no undo step.
    const size_t before = w.UndoCopies.size();
    w.aufzaehlung(7);
    w.aufzaehlung(-1);
    EXPECT_EQ(w.UndoCopies.size(), before);
    EXPECT_EQ(l.Para->ListKind, 0);
}

TEST_F(ParagraphFormat, LineSpacingCommandsChangeOnlyTheSpacing)
{
    struct Case {
        void (TMDIChild::*command)();
        double factor;
    };
    const Case cases[] = {{&TMDIChild::ZeilenAbstandEinEinhalbfach, 1.5},
                          {&TMDIChild::ZeilenAbstandZweifach, 2.0},
                          {&TMDIChild::ZeilenAbstandEinfach, 1.0}};
    type(words(30));
    std::vector<TextLine>& ls = w.Areas[0].Lines;
    ASSERT_GE(ls.size(), 2u);
    TMDIChild::AbsatzWert v = w.getabsatzformat();
    v.Para.Alignment = 1;
    v.Para.LineSpacingMode = 2;  // exactly 7 mm
    v.Para.LineSpacing = 7;
    v.Para.SpaceAbove = 3;
    w.setabsatzformat(v, true, false, false);
    w.RefreshDirtyContent();
    for (const Case& c : cases) {
        const size_t before = w.UndoCopies.size();
        const double heightBefore = ls[0].Height;
        (w.*c.command)();
        EXPECT_EQ(w.UndoCopies.size(), before + 1);
        EXPECT_EQ(undoLabels().back(), "Paragraph format");
        for (const TextLine& l : ls) {
            EXPECT_EQ(l.Para->LineSpacingMode, 0);
            EXPECT_DOUBLE_EQ(l.Para->LineSpacing, c.factor);
            EXPECT_EQ(l.Para->Alignment, 1);  // a centred paragraph stays centred
            EXPECT_DOUBLE_EQ(l.Para->SpaceAbove, 3);
            EXPECT_EQ(l.Dirty, 0);
        }
        EXPECT_NE(ls[0].Height, heightBefore);
    }
    // Undo brings the exact spacing back.
    w.RestoreCopyFromUndo(2);
    EXPECT_EQ(w.Areas[0].Lines[0].Para->LineSpacingMode, 2);
    EXPECT_DOUBLE_EQ(w.Areas[0].Lines[0].Para->LineSpacing, 7);
}

TEST_F(ParagraphFormat, ReadingAtTheCursorPastTheLastLineTakesTheLastLine)
{
    std::vector<TextLine>& ls = w.Areas[0].Lines;
    ls = {makeLine("aa", ekParagraph), makeLine("bb", ekParagraph)};
    ls[1].Para.edit().Alignment = 2;
    ls[1].ColumnCount = 3;
    // One past the last line is where the next line would go.
    w.Cursor = w.Anchor = TextPos{0, 2, 0};
    const TMDIChild::AbsatzWert v = w.getabsatzformat();
    EXPECT_EQ(v.Para.Alignment, 2);
    EXPECT_EQ(v.ColumnCount, 3);
    // Reading moves nothing.
    EXPECT_EQ(w.Cursor, (TextPos{0, 2, 0}));
}

TEST_F(ParagraphFormat, LayoutCountsTheNumberedParagraphs)
{
    for (int i = 0; i < 4; ++i) {
        type("item");
        if (i < 3) key(VK_RETURN);
    }
    std::vector<TextLine>& ls = w.Areas[0].Lines;
    ASSERT_EQ(ls.size(), 4u);
    auto numbers = [&ls] {
        std::string s;
        for (const TextLine& l : ls) s += l.Para->ListKind == 2 ? char('0' + l.Para->ItemNumber) : '-';
        return s;
    };
    // All four numbered in one step.
    w.Anchor = TextPos{0, 0, 0};
    w.Cursor = TextPos{0, 3, 2};
    w.aufzaehlung(2);
    EXPECT_EQ(numbers(), "1234");
    EXPECT_EQ(undoLabels().back(), "Paragraph format");
    // The second one off: the count starts again after it.
    w.Cursor = w.Anchor = TextPos{0, 1, 0};
    w.aufzaehlung(2);
    EXPECT_EQ(numbers(), "1-12");
    // Bullets in between count as no numbering either.
    w.aufzaehlung(1);
    EXPECT_EQ(numbers(), "1-12");
    w.aufzaehlung(2);
    EXPECT_EQ(numbers(), "1234");
}

TEST_F(ParagraphFormat, LayoutKeepsGoingWithFormatsThatLeaveNoRoom)
{
    // What the dialogs refuse may still come from the ruler or a file:
    // indents wider than the text, no line height, spacing of ten metres.
    type(words(20));
    struct Case {
        double left, right, first, spacing, above;
        uint8_t mode;
    };
    const Case cases[] = {{500, 0, 0, 1, 0, 0},  {60, 60, 0, 1, 0, 0},     {0, 0, -1e6, 1, 0, 0},
                          {0, 0, 0, 0, 0, 2},    {0, 0, 0, 0, 0, 0},       {0, 0, 0, 1, 10000, 0},
                          {1e6, 1e6, 1e6, 1000, 10000, 1}};
    for (const Case& c : cases) {
        TMDIChild::AbsatzWert v = w.getabsatzformat();
        v.Para.LeftIndent = c.left;
        v.Para.RightIndent = c.right;
        v.Para.FirstLineIndent = c.first;
        v.Para.LineSpacing = c.spacing;
        v.Para.LineSpacingMode = c.mode;
        v.Para.SpaceAbove = c.above;
        w.Cursor = w.Anchor = TextPos{0, 0, 0};
        w.setabsatzformat(v, true, false, true);
        w.RefreshDirtyContent();
        // Every line holds something, and the text is all there (over as
        // many pages as it takes).
        int32_t chars = 0;
        for (const TextArea& a : w.Areas) {
            if (a.AreaType != atPageBody) continue;
            for (const TextLine& l : a.Lines) {
                EXPECT_GE(l.CharCount(), 1) << c.left << " " << c.right;
                chars += l.CharCount();
            }
        }
        EXPECT_EQ(chars, 20 * 5 - 1) << c.left << " " << c.right << " " << c.above;
    }
}

TEST_F(ParagraphFormat, CommandsOnAnEmptyWindowDoNothing)
{
    w.Areas.clear();
    w.Cursor = w.Anchor = TextPos{};
    w.formatcenter();
    w.aufzaehlung(1);
    w.ZeilenAbstandZweifach();
    w.absatzformatieren();
    w.tabulator();
    w.NummerierungundAufzaehlungen();
    EXPECT_TRUE(w.UndoCopies.empty());
    EXPECT_EQ(w.ParagraphTextWidth(), 0);
    const TMDIChild::AbsatzWert v = w.getabsatzformat();
    EXPECT_EQ(v.Para, DefaultAbsatzFormat());
    // A cursor past the lines is brought back before the write.
    w.Areas.resize(1);
    w.Areas[0].Lines = {makeLine("aa", ekParagraph)};
    w.Cursor = w.Anchor = TextPos{0, 5, 9};
    w.setabsatzformat(marked(), true, false, false);
    EXPECT_EQ(alignments(), "2");
}

} // namespace
