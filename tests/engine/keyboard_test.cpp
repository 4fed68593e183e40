// Real key sequences typed into a headless document window: text, lines,
// caret, selection and undo afterwards.

#include "engine/Childwin.h"
#include "platform/VirtualKeys.h"
#include "tests/support/TypingWindow.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace quillet;
using quillet::test::RecordingUi;

namespace {

using Strings = std::vector<std::string>;

class Keyboard : public test::TypingWindow {
protected:
    // The lines of the body's flow.
    std::vector<TextLine*> flow()
    {
        std::vector<TextLine*> out;
        for (int32_t a = 0, guard = 0; a >= 0 && a < w.AreaCount() && guard < w.AreaCount(); ++guard) {
            for (TextLine& l : w.Areas[size_t(a)].Lines) out.push_back(&l);
            a = w.Areas[size_t(a)].NextInFlow;
        }
        return out;
    }

    Strings lines()
    {
        Strings out;
        for (const TextLine* l : flow()) out.push_back(text(*l));
        return out;
    }

    // Paragraphs of the flow with their end kind as a suffix: "" paragraph
    // end, "|2" line break, "|3" page break; soft wraps are joined. The text's
    // last line ends softly.
    Strings paragraphs()
    {
        Strings out;
        std::string cur;
        bool open = false;
        for (const TextLine* l : flow()) {
            cur += text(*l);
            open = true;
            if (l->EndKind == ekSoft) continue;
            if (l->EndKind != ekParagraph) (cur += "|") += std::to_string(l->EndKind);
            out.push_back(cur);
            cur.clear();
            open = false;
        }
        if (open) out.push_back(cur);
        return out;
    }

    const TextLine& line(int32_t a, int32_t l) { return w.Areas[size_t(a)].Lines[size_t(l)]; }

    // A table row of `n` cells in line `at` of the body, each with its text.
    void tableRow(int32_t at, const Strings& cells, bool first = true, bool last = true)
    {
        std::vector<TextLine>& ls = w.Areas[0].Lines;
        const int32_t n = int32_t(cells.size());
        for (int32_t i = 0; i < n; ++i) {
            ls.insert(ls.begin() + at + i, TextLine{});
            InitNewLine(ls, at + i);
            TextLine& l = ls[size_t(at + i)];
            l.IsCell = 1;
            l.CellsPerRow = n;
            l.CellIndex = i;
            l.CellWidth = 1;
            l.RowFirstRun = first;
            l.RowLastRun = last;
            l.EndKind = ekParagraph;
            putChars(l, cells[size_t(i)]);
        }
    }
};

TEST_F(Keyboard, TypingRunsShareOneSnapshotAndAnyMoveClosesTheRun)
{
    type("ab");
    key(VK_LEFT);
    key(VK_RIGHT);
    type("c");
    EXPECT_EQ(paragraphs(), (Strings{"abc"}));
    EXPECT_EQ(undoLabels(), (Strings{"Input", "Input"}));

    key(VK_RETURN);
    key(VK_RETURN);
    EXPECT_EQ(undoLabels(), (Strings{"Input", "Input", "Input return"}));
    EXPECT_EQ(paragraphs(), (Strings{"abc", "", ""}));
    EXPECT_EQ(w.Cursor, (TextPos{0, 2, 0}));

    // Backspace and Delete are runs of their own kinds, with the same label.
    key(VK_BACK);
    key(VK_BACK);
    key(VK_HOME);
    key(VK_DELETE);
    EXPECT_EQ(undoLabels(), (Strings{"Input", "Input", "Input return", "Delete", "Delete"}));
    EXPECT_EQ(paragraphs(), (Strings{"bc"}));

    // Ctrl+Backspace undoes one step; the 127 the keyboard sends after it is
    // no character, a second 127 would be.
    key(VK_BACK, ssCtrl);
    EXPECT_EQ(paragraphs(), (Strings{"abc"}));
    uint8_t del = kDelChar;
    w.getkeysKeyPress(del);
    EXPECT_EQ(paragraphs(), (Strings{"abc"}));
    EXPECT_EQ(w.UndoByCtrlBackspace, 0);
    key(VK_BACK, ssAlt);
    EXPECT_EQ(paragraphs(), (Strings{"abc", "", ""}));
    // Undo of a whole typing run restores the text before its first key.
    key(VK_BACK, ssAlt);
    key(VK_BACK, ssAlt);
    key(VK_BACK, ssAlt);
    EXPECT_EQ(paragraphs(), (Strings{""}));

    // Keys below 32 type nothing.
    uint8_t bell = 7;
    w.getkeysKeyPress(bell);
    EXPECT_EQ(paragraphs(), (Strings{""}));
}

TEST_F(Keyboard, ProgramTypingTakesNoSnapshotAndLeavesTheSelection)
{
    type("abcd");
    key(VK_HOME);
    key(VK_RIGHT, ssShift, 2);
    const size_t before = w.UndoCopies.size();
    w.ProgramTyping = 1;
    type("X");
    w.ProgramTyping = 0;
    EXPECT_EQ(w.UndoCopies.size(), before);
    EXPECT_EQ(w.TypingRun, 0);
    // The replacement is typed where the cursor stands; nothing was deleted.
    EXPECT_EQ(paragraphs(), (Strings{"abXcd"}));
}

TEST_F(Keyboard, QuotesFollowTheStyleAndWhatStandsBefore)
{
    struct Case {
        int style;
        uint8_t open, close;
    };
    for (const Case c : {Case{1, 132, 147}, Case{2, 171, 187}, Case{3, 171, 187}, Case{4, 147, 148}}) {
        frame.Options.QuoteStyle = c.style;
        key(VK_A, ssCtrl);
        key(VK_DELETE);
        type("\"a\" \"-\"x\"");
        const std::string got = paragraphs().at(0);
        const std::string want{char(c.open), 'a', char(c.close), ' ', char(c.open), '-', char(c.open), 'x', char(c.close)};
        EXPECT_EQ(got, want) << c.style;
    }
    // At char 0 after a paragraph end it opens; after a line break it looks
    // at the character before.
    frame.Options.QuoteStyle = 4;
    key(VK_A, ssCtrl);
    key(VK_DELETE);
    type("a");
    key(VK_RETURN, ssShift);
    type("\"");
    key(VK_RETURN);
    type("\"");
    EXPECT_EQ(paragraphs(), (Strings{"a|2", "\x94", "\x93"}));

    // Only the face named exactly "Courier" keeps the straight quote.
    key(VK_A, ssCtrl);
    key(VK_DELETE);
    w.FontState.Face = "Courier";
    type("\"");
    key(VK_RETURN);
    w.FontState.Face = "Courier New";
    type("\"");
    EXPECT_EQ(paragraphs(), (Strings{"\"", "\x93"}));

    // Style 0 and a damaged style from the settings type the straight quote.
    for (int style : {0, 5, -1}) {
        frame.Options.QuoteStyle = style;
        key(VK_A, ssCtrl);
        key(VK_DELETE);
        type("\"");
        EXPECT_EQ(paragraphs(), (Strings{"\""})) << style;
    }
}

TEST_F(Keyboard, EnterKindsAndBackspaceAndDeleteJoinParagraphs)
{
    type("abcd");
    key(VK_LEFT, 0, 2);
    key(VK_RETURN);
    EXPECT_EQ(paragraphs(), (Strings{"ab", "cd"}));
    EXPECT_EQ(w.Cursor, (TextPos{0, 1, 0}));
    EXPECT_EQ(w.Anchor, w.Cursor);
    key(VK_RETURN, ssShift);
    key(VK_RETURN, ssCtrl);
    EXPECT_EQ(paragraphs(), (Strings{"ab", "|2", "|3", "cd"}));

    // Backspace at char 0 joins with the line before, whatever its end.
    key(VK_BACK);
    key(VK_BACK);
    EXPECT_EQ(paragraphs(), (Strings{"ab", "cd"}));
    key(VK_BACK);
    EXPECT_EQ(paragraphs(), (Strings{"abcd"}));
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 2}));

    // Delete at a paragraph end joins the next paragraph.
    key(VK_RETURN);
    key(VK_UP);
    key(VK_END);
    key(VK_DELETE);
    EXPECT_EQ(paragraphs(), (Strings{"abcd"}));

    // The ends of the text: nothing happens and nothing is read past them.
    key(VK_HOME, ssCtrl);
    key(VK_BACK);
    key(VK_END, ssCtrl);
    key(VK_DELETE);
    EXPECT_EQ(paragraphs(), (Strings{"abcd"}));
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 4}));

    // Empty paragraphs: Delete and Backspace on them remove their ends.
    key(VK_RETURN, 0, 3);
    key(VK_UP);
    key(VK_DELETE);
    EXPECT_EQ(paragraphs(), (Strings{"abcd", "", ""}));
    key(VK_BACK);
    EXPECT_EQ(paragraphs(), (Strings{"abcd", ""}));
    EXPECT_EQ(w.Cursor, (TextPos{0, 1, 0}));
}

TEST_F(Keyboard, SoftWrappedLineEndAndNextLineStartAreOnePlace)
{
    type(words(30));
    ASSERT_GE(flow().size(), 2u);
    const int32_t firstEnd = line(0, 0).CharCount();
    ASSERT_EQ(line(0, 0).EndKind, ekSoft);

    // Right from the last character: the line end; once more: char 1 of the next line.
    w.Cursor = w.Anchor = TextPos{0, 0, firstEnd - 1};
    key(VK_RIGHT);
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, firstEnd}));
    key(VK_RIGHT, ssShift);
    EXPECT_EQ(w.Cursor, (TextPos{0, 1, 1}));
    EXPECT_EQ(w.Anchor, (TextPos{0, 0, firstEnd}));
    // Left stops on the next line's start, then goes to the last character.
    key(VK_LEFT);  // collapses the selection to its start
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, firstEnd}));
    w.Cursor = w.Anchor = TextPos{0, 1, 1};
    key(VK_LEFT);
    EXPECT_EQ(w.Cursor, (TextPos{0, 1, 0}));
    key(VK_LEFT);
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, firstEnd - 1}));

    // Shift+End on a soft-wrapped line selects to its end and no further.
    key(VK_HOME);
    key(VK_END, ssShift);
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, firstEnd}));
    EXPECT_EQ(w.CaretAtLineEnd, 1);

    // Backspace at the next line's start takes the wrapped line's last
    // character (the space), Delete at the wrapped end the next line's first.
    const std::string whole = paragraphs().at(0);
    w.Cursor = w.Anchor = TextPos{0, 1, 0};
    key(VK_BACK);
    std::string want = whole;
    want.erase(size_t(firstEnd - 1), 1);
    EXPECT_EQ(paragraphs().at(0), want);
    EXPECT_EQ(w.CaretAtLineEnd, 1);

    key(VK_END, ssCtrl);
    const TextPos end = w.Cursor;
    key(VK_RIGHT);
    EXPECT_EQ(w.Cursor, end);  // the end of the text: the caret stays
}

TEST_F(Keyboard, ShiftSelectionsAreReplacedByTypingAndCollapsedByArrows)
{
    type("hello world");
    key(VK_HOME);
    key(VK_RIGHT, ssShift, 5);
    EXPECT_EQ(w.Anchor, (TextPos{0, 0, 0}));
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 5}));
    type("J");
    EXPECT_EQ(paragraphs(), (Strings{"J world"}));
    EXPECT_EQ(undoLabels().back(), "Input");

    // Shift+Home, then Right collapses to the end, Left to the start.
    key(VK_END);
    key(VK_HOME, ssShift);
    key(VK_RIGHT);
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 7}));
    EXPECT_EQ(w.Anchor, w.Cursor);
    key(VK_LEFT, ssShift, 3);
    key(VK_LEFT);
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 4}));

    // Shift+End on a hard-ended line takes the paragraph end along; Delete
    // then joins the next paragraph.
    key(VK_END);
    key(VK_RETURN);
    type("next");
    key(VK_UP);
    key(VK_HOME);
    key(VK_RIGHT, 0, 2);
    key(VK_END, ssShift);
    EXPECT_EQ(w.Cursor, (TextPos{0, 1, 0}));
    key(VK_DELETE);
    EXPECT_EQ(paragraphs(), (Strings{"J next"}));

    // Select all, across the selection's whole flow, and delete it all.
    key(VK_A, ssCtrl);
    EXPECT_EQ(w.Anchor, (TextPos{0, 0, 0}));
    // Selecting is no edit: no undo step of its own.
    EXPECT_EQ(undoLabels().back(), "Delete");
    key(VK_BACK);
    EXPECT_EQ(paragraphs(), (Strings{""}));
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 0}));
    EXPECT_EQ(w.Anchor, w.Cursor);
}

TEST_F(Keyboard, UpAndDownKeepTheCharacterIndexAndPageKeysStopAtTheEnds)
{
    type(std::string(30, 'a'));
    key(VK_RETURN);
    type("bbbbb");
    key(VK_RETURN);
    type(std::string(30, 'c'));
    w.Cursor = w.Anchor = TextPos{0, 2, 20};
    key(VK_UP);
    EXPECT_EQ(w.Cursor, (TextPos{0, 1, 5}));
    key(VK_UP);
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 5}));
    key(VK_UP);
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 5}));
    key(VK_DOWN, ssShift, 2);
    EXPECT_EQ(w.Cursor, (TextPos{0, 2, 5}));
    EXPECT_EQ(w.Anchor, (TextPos{0, 0, 5}));
    // Down with a selection starts from its end; Up from its start.
    key(VK_UP);
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 5}));  // start 0,0,5 has no line above

    // Page Down: the lines run out, then the caret goes to the line end,
    // then the view scrolls 8 pixels per missing line.
    w.Cursor = w.Anchor = TextPos{0, 0, 3};
    host.y = 100;
    key(VK_NEXT);
    EXPECT_EQ(w.Cursor, (TextPos{0, 2, 30}));
    EXPECT_EQ(host.y, 100 + 8 * 17);
    key(VK_PRIOR);
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 0}));
    EXPECT_EQ(host.y, 100 + 8 * 17 - 8 * 17);
}

TEST_F(Keyboard, CtrlArrowsStepByWords)
{
    type("one two, three");
    key(VK_HOME);
    key(VK_RIGHT, ssCtrl);
    EXPECT_EQ(w.Cursor.Char, 4);
    key(VK_RIGHT, ssCtrl);
    EXPECT_EQ(w.Cursor.Char, 7);  // the comma starts a word of its own
    key(VK_RIGHT, ssCtrl);
    EXPECT_EQ(w.Cursor.Char, 9);
    key(VK_RIGHT, ssCtrl);
    EXPECT_EQ(w.Cursor.Char, 14);
    key(VK_LEFT, ssCtrl);
    EXPECT_EQ(w.Cursor.Char, 9);
    key(VK_LEFT, ssCtrl);
    EXPECT_EQ(w.Cursor.Char, 7);
    key(VK_LEFT, ssCtrl);
    EXPECT_EQ(w.Cursor.Char, 4);
    key(VK_LEFT, ssCtrl);
    EXPECT_EQ(w.Cursor.Char, 0);
    key(VK_LEFT, ssCtrl);
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 0}));
}

TEST_F(Keyboard, OverwriteModeKeepsTheOverwrittenFormatAndTabIsItsOwnSnapshot)
{
    type("ab");
    TextLine& l = w.Areas[0].Lines[0];
    FontEntry bold = w.Fonts[size_t(l.Chars[0].FontIndex())];
    bold.Style = 1;
    l.Chars[0].setFontIndex(w.GetNewFontIndex(bold));
    key(VK_HOME);
    key(VK_INSERT);
    EXPECT_EQ(frame.Options.OverwriteMode, 1);
    type("x");
    EXPECT_EQ(paragraphs(), (Strings{"xb"}));
    EXPECT_EQ(w.Fonts[size_t(line(0, 0).Chars[0].FontIndex())].Style, 1);
    // Past the end it inserts with the current format.
    key(VK_END);
    w.FontState.Style = 0;
    type("y");
    EXPECT_EQ(paragraphs(), (Strings{"xby"}));
    EXPECT_EQ(w.Fonts[size_t(line(0, 0).Chars[2].FontIndex())].Style, 0);
    key(VK_INSERT);
    EXPECT_EQ(frame.Options.OverwriteMode, 0);

    const size_t before = w.UndoCopies.size();
    key(VK_TAB);
    key(VK_TAB);
    EXPECT_EQ(w.UndoCopies.size(), before + 2);
    EXPECT_EQ(undoLabels().back(), "Input TAB");
    EXPECT_EQ(paragraphs(), (Strings{"xby\t\t"}));
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 5}));
}

TEST_F(Keyboard, OvertakeFontFollowsTheCharacterBeforeTheCursor)
{
    type("ab");
    TextLine& l = w.Areas[0].Lines[0];
    FontEntry big = w.Fonts[size_t(l.Chars[0].FontIndex())];
    big.Size = 10.5;
    big.Style = 2;
    l.Chars[0].setFontIndex(w.GetNewFontIndex(big));
    w.Areas[0].Lines[0].Para.edit().Alignment = 2;
    key(VK_HOME);
    key(VK_RIGHT);
    EXPECT_EQ(w.FontState.Size, 10.5);
    EXPECT_EQ(w.ToolbarFormat.SizeText, "10.5");
    EXPECT_EQ(w.ToolbarFormat.Italic, 1);
    EXPECT_EQ(w.ToolbarFormat.Alignment, 2);
    // At char 0 the first character counts; an empty line looks back.
    key(VK_HOME);
    EXPECT_EQ(w.FontState.Size, 10.5);
    key(VK_END);
    EXPECT_EQ(w.FontState.Size, 12);
    key(VK_RETURN);
    EXPECT_EQ(w.FontState.Size, 12);
    EXPECT_EQ(w.ToolbarFormat.SizeText, "12");
}

TEST_F(Keyboard, SoftHyphenTogglesTheCharacterAtTheCursor)
{
    type("abc");
    key(VK_HOME);
    key(VK_RIGHT);
    key(VK_OEM_MINUS, ssCtrl);
    EXPECT_EQ(line(0, 0).Chars[1].Flags & 1, 1);
    EXPECT_EQ(undoLabels().back(), "Soft hyphen");
    key(VK_OEM_MINUS, ssCtrl);
    EXPECT_EQ(line(0, 0).Chars[1].Flags & 1, 0);
    // At the end of the last line there is no character: nothing breaks.
    key(VK_END);
    key(VK_OEM_MINUS, ssCtrl);
    EXPECT_EQ(paragraphs(), (Strings{"abc"}));
}

TEST_F(Keyboard, TableCellsKeepTheirEdges)
{
    w.Areas[0].Lines.clear();
    w.Areas[0].Lines.resize(1);
    InitNewLine(w.Areas[0].Lines, 0);
    w.Areas[0].Lines[0].EndKind = ekParagraph;
    tableRow(1, {"ab", "cd", "ef"});
    w.Areas[0].Lines.emplace_back();
    InitNewLine(w.Areas[0].Lines, 4);
    w.Areas[0].Lines[4].EndKind = ekParagraph;
    w.Cursor = w.Anchor = TextPos{};
    layout();
    ASSERT_EQ(lines(), (Strings{"", "ab", "cd", "ef", ""}));

    // Right from a cell's end enters the next cell at its start, Left back.
    w.Cursor = w.Anchor = TextPos{0, 1, 2};
    key(VK_RIGHT);
    EXPECT_EQ(w.Cursor, (TextPos{0, 2, 0}));
    key(VK_LEFT);
    EXPECT_EQ(w.Cursor, (TextPos{0, 1, 2}));
    // From the text above into the row's first cell.
    w.Cursor = w.Anchor = TextPos{0, 0, 0};
    key(VK_RIGHT);
    EXPECT_EQ(w.Cursor, (TextPos{0, 1, 0}));

    // Backspace at a cell's start and Delete at the end of the row's last
    // run join nothing.
    w.Cursor = w.Anchor = TextPos{0, 2, 0};
    key(VK_BACK);
    w.Cursor = w.Anchor = TextPos{0, 3, 2};
    key(VK_DELETE);
    EXPECT_EQ(lines(), (Strings{"", "ab", "cd", "ef", ""}));
    // Backspace right after the table does not pull text into the row.
    w.Cursor = w.Anchor = TextPos{0, 4, 0};
    type("z");
    key(VK_HOME);
    key(VK_BACK);
    EXPECT_EQ(lines(), (Strings{"", "ab", "cd", "ef", "z"}));

    // Enter in the second cell opens a run of three lines; only the second
    // takes the old end kind and the text after the cursor.
    w.Cursor = w.Anchor = TextPos{0, 2, 1};
    {
        int32_t a = 0, l = 2, c = 1;
        w.Areas[0].Lines[2].EndKind = ekLineBreak;
        w.InsertEnterOnThatPos(a, l, ekParagraph, c);
        EXPECT_EQ(l, 5);
        EXPECT_EQ(c, 0);
        const std::vector<TextLine>& ls = w.Areas[0].Lines;
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(ls[size_t(4 + i)].CellIndex, i);
            EXPECT_EQ(ls[size_t(4 + i)].CellsPerRow, 3);
            EXPECT_EQ(ls[size_t(4 + i)].RowFirstRun, 0);
            EXPECT_EQ(ls[size_t(4 + i)].RowLastRun, 1);
            EXPECT_EQ(ls[size_t(1 + i)].RowLastRun, 0);
            EXPECT_EQ(ls[size_t(4 + i)].EndKind, i == 1 ? ekLineBreak : ekSoft);
        }
        EXPECT_EQ(text(ls[2]), "c");
        EXPECT_EQ(ls[2].EndKind, ekParagraph);
        EXPECT_EQ(text(ls[5]), "d");
        EXPECT_EQ(text(ls[4]), "");
        EXPECT_EQ(text(ls[6]), "");
    }
}

TEST_F(Keyboard, EnterInACellAndDeleteAboveATable)
{
    w.Areas[0].Lines.clear();
    w.Areas[0].Lines.resize(2);
    InitNewLine(w.Areas[0].Lines, 0);
    InitNewLine(w.Areas[0].Lines, 1);
    for (TextLine& l : w.Areas[0].Lines) l.EndKind = ekParagraph;
    tableRow(2, {"ab", "cd", "ef"});
    w.Cursor = w.Anchor = TextPos{};
    layout();
    type("x");
    key(VK_DOWN);
    EXPECT_EQ(w.Cursor, (TextPos{0, 1, 0}));
    // Delete at the end of an empty paragraph right above a table removes it.
    key(VK_DELETE);
    EXPECT_EQ(lines(), (Strings{"x", "ab", "cd", "ef"}));
    EXPECT_EQ(w.Cursor.Line, 1);
    EXPECT_EQ(w.Cursor.Char, 0);
    // A paragraph with text above the table stays.
    key(VK_UP);
    key(VK_END);
    key(VK_DELETE);
    EXPECT_EQ(lines(), (Strings{"x", "ab", "cd", "ef"}));

    // Enter typed in a cell keeps the row's cell count.
    w.Cursor = w.Anchor = TextPos{0, 2, 1};
    key(VK_RETURN);
    for (const TextLine* l : flow())
        if (l->IsCell) {
            EXPECT_EQ(l->CellsPerRow, 3);
        }
    std::string cell;
    for (const TextLine* l : flow())
        if (l->IsCell && l->CellIndex == 1) cell += text(*l) + "/";
    EXPECT_NE(cell.find('c'), std::string::npos);
    EXPECT_NE(cell.find('d'), std::string::npos);
}

TEST_F(Keyboard, KeysCrossLinkedAreas)
{
    // Enough paragraphs for a second page of the flow.
    for (int i = 0; i < 70; ++i) {
        type(std::string(1, char('a' + i % 26)));
        key(VK_RETURN);
    }
    const int32_t second = w.Areas[0].NextInFlow;
    ASSERT_GE(second, 0);
    const int32_t firstLines = w.Areas[0].LineCount();

    // Left from the start of the second page: the first page's last line end.
    w.Cursor = w.Anchor = TextPos{second, 0, 0};
    key(VK_LEFT);
    EXPECT_EQ(w.Cursor, (TextPos{0, firstLines - 1, 1}));
    key(VK_RIGHT);
    EXPECT_EQ(w.Cursor, (TextPos{second, 0, 0}));
    key(VK_UP);
    EXPECT_EQ(w.Cursor, (TextPos{0, firstLines - 1, 0}));
    key(VK_DOWN);
    EXPECT_EQ(w.Cursor.Area, second);

    // Backspace at the second page's start joins the paragraphs across the areas.
    const size_t before = paragraphs().size();
    w.Cursor = w.Anchor = TextPos{second, 0, 0};
    key(VK_BACK);
    EXPECT_EQ(paragraphs().size(), before - 1);

    // Ctrl+End and Ctrl+Home reach the ends of the flow; Ctrl+A spans it.
    key(VK_END, ssCtrl);
    int32_t last = 0;
    while (w.Areas[size_t(last)].NextInFlow >= 0) last = w.Areas[size_t(last)].NextInFlow;
    EXPECT_EQ(w.Cursor.Area, last);
    EXPECT_EQ(w.Cursor.Line, w.Areas[size_t(last)].LineCount() - 1);
    key(VK_HOME, ssCtrl);
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 0}));
    w.Cursor = w.Anchor = TextPos{second, 0, 0};
    key(VK_A, ssCtrl);
    EXPECT_EQ(w.Anchor, (TextPos{0, 0, 0}));
    EXPECT_EQ(w.Cursor.Area, last);
    key(VK_DELETE);
    EXPECT_EQ(paragraphs(), (Strings{""}));
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 0}));
}

TEST_F(Keyboard, SelectedObjectsTakeOnlyDelete)
{
    type("ab");
    w.NewField();
    TextArea& box = w.Areas.back();
    box.AreaType = atRectangle;
    box.Selected = 1;
    const int32_t count = w.AreaCount();
    key(VK_LEFT);
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 2}));
    key(VK_DELETE);
    EXPECT_EQ(w.AreaCount(), count - 1);
    EXPECT_EQ(undoLabels().back(), "Delete object/field");
    EXPECT_EQ(paragraphs(), (Strings{"ab"}));
    EXPECT_GE(w.Cursor.Area, 0);
    EXPECT_LT(w.Cursor.Area, w.AreaCount());

    // Typing into a drawing object does nothing.
    w.NewField();
    w.Areas.back().AreaType = atEllipse;
    w.Areas.back().Lines.resize(1);
    w.Cursor = w.Anchor = TextPos{w.AreaCount() - 1, 0, 0};
    type("q");
    EXPECT_TRUE(w.Areas.back().Lines[0].Chars.empty());

    // Esc leaves a pending object insertion and does nothing else.
    w.InsertMode = 3;
    key(VK_ESCAPE);
    EXPECT_EQ(w.InsertMode, 0);
}

TEST_F(Keyboard, UpAndDownKeepTheTableColumn)
{
    // A row of three cells over two runs (cell 1 goes on in the second run),
    // text above and below.
    std::vector<TextLine>& ls = w.Areas[0].Lines;
    ls.clear();
    ls.resize(1);
    InitNewLine(ls, 0);
    ls[0].EndKind = ekParagraph;
    for (char c : std::string("abcdef")) {
        TextChar ch;
        ch.Code = uint8_t(c);
        ch.Width = 1;
        ls[0].Chars.push_back(ch);
    }
    tableRow(1, {"a1", "b1", "c1"}, true, false);
    tableRow(4, {"", "b2", ""}, false, true);
    for (int i = 1; i <= 4; ++i) ls[size_t(i)].EndKind = ekSoft;
    ls.emplace_back();
    InitNewLine(ls, 7);
    ls[7].EndKind = ekParagraph;

    w.Cursor = w.Anchor = TextPos{0, 2, 1};
    EXPECT_TRUE(w.GoLineDown());
    EXPECT_EQ(w.Cursor, (TextPos{0, 5, 1}));
    EXPECT_TRUE(w.GoLineDown());
    EXPECT_EQ(w.Cursor, (TextPos{0, 7, 0}));
    EXPECT_FALSE(w.GoLineDown());
    // Column 0 of the last run is an empty soft continuation: Up passes it.
    EXPECT_TRUE(w.GoLineUp());
    EXPECT_EQ(w.Cursor, (TextPos{0, 1, 0}));
    EXPECT_TRUE(w.GoLineUp());
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 0}));
    w.Cursor = TextPos{0, 0, 4};
    EXPECT_TRUE(w.GoLineDown());
    EXPECT_EQ(w.Cursor, (TextPos{0, 1, 2}));

    // Right from the end of b1 goes on in b2; from the end of a1, whose
    // continuation is empty, into b1.
    w.Cursor = TextPos{0, 2, 2};
    w.GoCharRight();
    EXPECT_EQ(w.Cursor, (TextPos{0, 5, 1}));
    w.Cursor = TextPos{0, 1, 2};
    w.GoCharRight();
    EXPECT_EQ(w.Cursor, (TextPos{0, 2, 0}));
    // Left from b1's start goes to a1's end (its last run).
    w.Cursor = TextPos{0, 2, 0};
    w.GoCharLeft();
    EXPECT_EQ(w.Cursor, (TextPos{0, 4, 0}));

    // Delete at a soft end right above a table leaves the first cell alone.
    ls[0].EndKind = ekSoft;
    w.Cursor = w.Anchor = TextPos{0, 0, 6};
    uint16_t del = VK_DELETE;
    w.getkeysKeyDown(del, 0);
    EXPECT_EQ(text(w.Areas[0].Lines[1]), "a1");
}

TEST_F(Keyboard, FormatShortcutsAlignTheParagraphAndToggleStyles)
{
    type("abc def");
    key(VK_LEFT);
    const TextLine& l = line(0, 0);
    key('E', ssCtrl);
    EXPECT_EQ(l.Para->Alignment, 1);
    EXPECT_EQ(w.ToolbarFormat.Alignment, 1);
    key('R', ssCtrl);
    EXPECT_EQ(l.Para->Alignment, 2);
    key('J', ssCtrl);
    EXPECT_EQ(l.Para->Alignment, 3);
    EXPECT_EQ(w.ToolbarFormat.Alignment, 3);
    key('L', ssCtrl);
    EXPECT_EQ(l.Para->Alignment, 0);
    // AltGr+E is a character, and the alignment keys take no Shift.
    key('E', ssCtrl | ssRightAlt);
    key('E', ssCtrl | ssShift);
    key('R', ssCtrl | ssShift);
    EXPECT_EQ(l.Para->Alignment, 0);
    EXPECT_EQ(undoLabels().back(), "Paragraph format");

    // The style toggles reach the word at the caret and the toolbar.
    auto styleOf = [&](int i) { return w.Fonts[size_t(line(0, 0).Chars[size_t(i)].FontIndex())].Style; };
    key('B', ssCtrl | ssShift);
    EXPECT_EQ(styleOf(5) & 1, 1);
    EXPECT_EQ(styleOf(0) & 1, 0);
    EXPECT_EQ(w.ToolbarFormat.Bold, 1);
    EXPECT_EQ(undoLabels().back(), "Character format");
    key('K', ssCtrl | ssShift);
    key('U', ssCtrl | ssShift);
    EXPECT_EQ(styleOf(6), 1 | 2 | 4);
    EXPECT_EQ(w.ToolbarFormat.Italic, 1);
    EXPECT_EQ(w.ToolbarFormat.Underline, 1);
    key('B', ssCtrl | ssShift);
    EXPECT_EQ(styleOf(6), 2 | 4);
    EXPECT_EQ(w.ToolbarFormat.Bold, 0);
    // Ctrl alone is no style toggle.
    key('B', ssCtrl);
    EXPECT_EQ(styleOf(6), 2 | 4);
}

TEST_F(Keyboard, AFrameThatHandlesTheStyleButtonsIsAskedFirst)
{
    struct ButtonUi : RecordingUi {
        TMDIChild* child = nullptr;
        int bold = 0, italic = 0, underline = 0;
        bool FettBtnClick() override
        {
            ++bold;
            child->ToggleBold();
            return true;
        }
        bool KursivBtnClick() override
        {
            ++italic;
            return false;
        }
        bool UnderlineBtnClick() override
        {
            ++underline;
            return false;
        }
    } frameUi;
    frameUi.child = &w;
    w.setFrameUi(&frameUi);
    type("word");
    key(VK_LEFT);
    key('B', ssCtrl | ssShift);
    EXPECT_EQ(frameUi.bold, 1);
    // Toggled once, by the frame.
    EXPECT_EQ(w.FontState.Style & 1, 1);
    EXPECT_EQ(w.ToolbarFormat.Bold, 1);
    // A frame that does not act leaves the toggle to the window.
    key('K', ssCtrl | ssShift);
    EXPECT_EQ(frameUi.italic, 1);
    EXPECT_EQ(w.FontState.Style & 2, 2);
    EXPECT_EQ(w.ToolbarFormat.Italic, 1);
}

TEST_F(Keyboard, BackspaceAtTheStartOfAListSwitchesItOffBeforeJoining)
{
    type("abc");
    key(VK_RETURN);
    type("def");
    w.aufzaehlung(1);
    key(VK_HOME);
    key(VK_BACK);
    EXPECT_EQ(line(0, 1).Para->ListKind, 0);
    EXPECT_EQ(paragraphs(), (Strings{"abc", "def"}));
    EXPECT_EQ(undoLabels().back(), "Paragraph format");
    key(VK_BACK);
    EXPECT_EQ(paragraphs(), (Strings{"abcdef"}));
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 3}));

    // At the start of the text there is nothing to join: only the list goes.
    key(VK_HOME, ssCtrl);
    w.aufzaehlung(2);
    key(VK_BACK);
    EXPECT_EQ(line(0, 0).Para->ListKind, 0);
    EXPECT_EQ(paragraphs(), (Strings{"abcdef"}));
    // Without a list there: no paragraph format step.
    key(VK_BACK);
    const Strings labels = undoLabels();
    ASSERT_GE(labels.size(), 3u);
    EXPECT_EQ((Strings(labels.end() - 3, labels.end())), (Strings{"Delete", "Paragraph format", "Delete"}));
}

TEST_F(Keyboard, AKeyCancelsARulerDragAndEscEndsIt)
{
    type("ab");
    w.RulerDrag.Kind = 4;
    w.ColumnDragOldX = 120;
    key(VK_BACK);
    EXPECT_EQ(w.RulerDrag.Kind, TMDIChild::kRulerDragCancelled);
    EXPECT_EQ(w.TypingRun, 0);
    type("x");
    EXPECT_EQ(paragraphs(), (Strings{"ab"}));
    // Still cancelled, and the guide line stays until the drag ends.
    key(VK_LEFT);
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 2}));
    EXPECT_EQ(w.ColumnDragOldX, 120);
    key(VK_ESCAPE);
    EXPECT_EQ(w.RulerDrag.Kind, 0);
    EXPECT_EQ(w.ColumnDragOldX, -1);
    type("c");
    EXPECT_EQ(paragraphs(), (Strings{"abc"}));

    // A tab stop the drag's click created goes with Esc; the others stay.
    TextLine& l = w.Areas[0].Lines[0];
    l.Para.edit().Tabs = {TabStop{10, 0, 0}, TabStop{30, 0, 0}, TabStop{20, 1, 0}};
    w.RulerDrag.Kind = 100;
    w.RulerDrag.NewTab = 1;
    w.RulerDrag.TabIndex = 2;
    const int repaints = host.repaints;
    key(VK_ESCAPE);
    EXPECT_EQ(l.Para->Tabs, (std::vector<TabStop>{TabStop{10, 0, 0}, TabStop{30, 0, 0}}));
    EXPECT_EQ(w.RulerDrag.Kind, 0);
    EXPECT_EQ(w.RulerDrag.NewTab, 0);
    EXPECT_GT(host.repaints, repaints);
    // A damaged tab index removes nothing.
    w.RulerDrag.Kind = 100;
    w.RulerDrag.NewTab = 1;
    w.RulerDrag.TabIndex = 7;
    key(VK_ESCAPE);
    EXPECT_EQ(l.Para->Tabs.size(), 2u);
}

} // namespace
