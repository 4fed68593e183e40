// Deleting a selection at the edges: cuts that take the last lines of an
// area or all of them, selections that reach out of their flow, and what
// the caret finds afterwards.

#include "engine/Childwin.h"
#include "tests/support/TypingWindow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace quillet;

namespace {

using Strings = std::vector<std::string>;

// Lines made by hand, laid out only where a key asks for it.
class DeleteMarkingEdges : public test::TypingWindowOf<test::NoFrameUi> {
protected:
    DeleteMarkingEdges() : TypingWindowOf(Setup::Bare)
    {
        widenBody();
        w.Areas[0].Lines.clear();
        resetFonts();
    }

    static TextLine& add(std::vector<TextLine>& ls, std::string_view text, int32_t endKind = ekParagraph)
    {
        ls.emplace_back();
        InitNewLine(ls, int32_t(ls.size()) - 1);
        TextLine& l = ls.back();
        l.EndKind = endKind;
        putChars(l, text);
        return l;
    }

    // Whole rows of `n` one-run cells named by row and column.
    static void rows(std::vector<TextLine>& ls, int count, int32_t n)
    {
        for (int r = 0; r < count; ++r)
            for (int32_t c = 0; c < n; ++c) {
                TextLine& l = add(ls, std::string(1, char('a' + r * n + c)) + "x", ekSoft);
                l.IsCell = 1;
                l.CellsPerRow = n;
                l.CellIndex = c;
                l.CellWidth = 1;
                l.RowFirstRun = 1;
                l.RowLastRun = 1;
            }
    }

    static Strings lines(const std::vector<TextLine>& ls)
    {
        Strings out;
        for (const TextLine& l : ls) out.push_back(text(l));
        return out;
    }

    void cut(TextPos anchor, TextPos cursor)
    {
        w.Anchor = anchor;
        w.Cursor = cursor;
        w.CutInProgress = 1;
        w.DeleteMarking();
        w.CutInProgress = 0;
    }

    // The caret names a line and a place on it that exist.
    void expectInside(const TextPos& p)
    {
        ASSERT_GE(p.Area, 0);
        ASSERT_LT(p.Area, w.AreaCount());
        const TextArea& a = w.Areas[size_t(p.Area)];
        ASSERT_GE(p.Line, 0);
        ASSERT_LT(p.Line, a.LineCount());
        EXPECT_GE(p.Char, 0);
        EXPECT_LE(p.Char, a.Lines[size_t(p.Line)].CharCount());
    }
};

TEST_F(DeleteMarkingEdges, CuttingTheRowsThatEndAnAreaLeavesTheCaretOnALine)
{
    std::vector<TextLine>& body = w.Areas[0].Lines;
    add(body, "before");
    rows(body, 2, 2);
    // From the first row's first cell to the last row's last cell.
    cut({0, 1, 0}, {0, 4, 2});
    EXPECT_EQ(lines(body), (Strings{"before"}));
    expectInside(w.Cursor);
    EXPECT_EQ(w.Anchor, w.Cursor);
    uint8_t key = 'z';
    w.getkeysKeyPress(key);
    EXPECT_EQ(w.Areas[size_t(w.Cursor.Area)].Lines[size_t(w.Cursor.Line)].Chars.back().Code, 'z');
}

TEST_F(DeleteMarkingEdges, AFrameWhoseWholeTableIsCutKeepsOneEmptyLine)
{
    add(w.Areas[0].Lines, "body");
    w.NewField();
    const int32_t f = w.AreaCount() - 1;
    w.Areas[size_t(f)].AreaType = atTextFrame;
    rows(w.Areas[size_t(f)].Lines, 2, 3);
    cut({f, 0, 0}, {f, 5, 2});
    ASSERT_EQ(w.Areas[size_t(f)].LineCount(), 1);
    EXPECT_EQ(w.Areas[size_t(f)].Lines[0].CharCount(), 0);
    EXPECT_EQ(w.Areas[size_t(f)].Lines[0].IsCell, 0);
    EXPECT_EQ(w.Cursor, (TextPos{f, 0, 0}));
    EXPECT_EQ(lines(w.Areas[0].Lines), (Strings{"body"}));
    w.OvertakeFont();  // reads the caret's line
}

TEST_F(DeleteMarkingEdges, ACursorInAnotherFlowDeletesOnlyToTheEndOfTheAnchorsFlow)
{
    // What the selection shows is what goes: the anchor's flow from the
    // anchor on; a frame outside the flow keeps its text.
    std::vector<TextLine>& body = w.Areas[0].Lines;
    add(body, "keep this");
    add(body, "and this too");
    w.NewField();
    const int32_t f = w.AreaCount() - 1;
    w.Areas[size_t(f)].AreaType = atTextFrame;
    add(w.Areas[size_t(f)].Lines, "frame text");
    w.Anchor = TextPos{0, 0, 4};
    w.Cursor = TextPos{f, 0, 5};
    w.DeleteMarking();
    EXPECT_EQ(text(body[0]), "keep");
    EXPECT_EQ(text(body[1]), "");
    EXPECT_EQ(lines(w.Areas[size_t(f)].Lines), (Strings{"frame text"}));
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 4}));

    // Backwards: from the frame to a cursor in the body before it.
    w.Anchor = TextPos{f, 0, 5};
    w.Cursor = TextPos{0, 0, 2};
    w.DeleteMarking();
    EXPECT_EQ(lines(w.Areas[size_t(f)].Lines), (Strings{" text"}));
    EXPECT_EQ(text(body[0]), "keep");
    EXPECT_EQ(w.Cursor, (TextPos{f, 0, 0}));
}

} // namespace
