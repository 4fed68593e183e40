// Keys at the edges of the text: next to empty lines and empty cell
// continuations, at wrapped line ends and page ends, over marked or special
// characters, and the commands that change no text.

#include "engine/Childwin.h"
#include "platform/VirtualKeys.h"
#include "tests/support/TypingWindow.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace quillet;
using quillet::test::RecordingUi;

namespace {

using Strings = std::vector<std::string>;

class KeyboardEdges : public test::TypingWindow {
protected:
    // The physical lines of the body's flow.
    Strings lines()
    {
        Strings out;
        for (int32_t a = 0, guard = 0; a >= 0 && a < w.AreaCount() && guard < w.AreaCount(); ++guard) {
            for (const TextLine& l : w.Areas[size_t(a)].Lines) out.push_back(text(l));
            a = w.Areas[size_t(a)].NextInFlow;
        }
        return out;
    }

    static TextLine plainLine(std::string_view s, int32_t endKind)
    {
        TextLine l;
        l.EndKind = endKind;
        putChars(l, s);
        return l;
    }

    // Replaces the body with these lines, as they stand (not laid out).
    void body(std::vector<TextLine> ls)
    {
        std::vector<TextLine>& b = w.Areas[0].Lines;
        b.clear();
        for (size_t i = 0; i < ls.size(); ++i) {
            b.emplace_back();
            InitNewLine(b, int32_t(i));
            TextLine& l = b.back();
            l.Chars = ls[i].Chars;
            l.EndKind = ls[i].EndKind;
            l.IsCell = ls[i].IsCell;
            l.CellsPerRow = ls[i].CellsPerRow;
            l.CellIndex = ls[i].CellIndex;
            l.CellWidth = ls[i].CellWidth;
            l.RowFirstRun = ls[i].RowFirstRun;
            l.RowLastRun = ls[i].RowLastRun;
        }
        w.Cursor = w.Anchor = TextPos{};
    }

    static TextLine cellLine(std::string_view s, int32_t n, int32_t index, bool first, bool last, int32_t endKind)
    {
        TextLine l = plainLine(s, endKind);
        l.IsCell = 1;
        l.CellsPerRow = n;
        l.CellIndex = index;
        l.CellWidth = 1;
        l.RowFirstRun = first;
        l.RowLastRun = last;
        return l;
    }

    int32_t addArea(uint8_t type, std::string_view s)
    {
        w.NewField();
        TextArea& a = w.Areas.back();
        a.AreaType = type;
        a.Lines.resize(1);
        InitNewLine(a.Lines, 0);
        a.Lines[0].EndKind = ekParagraph;
        putChars(a.Lines[0], s);
        return w.AreaCount() - 1;
    }
};

TEST_F(KeyboardEdges, SelectAllChangesNothingAndTakesNoSnapshot)
{
    type("abc");
    w.Modified = 0;
    const size_t copies = w.UndoCopies.size();
    key(VK_A, ssCtrl);
    EXPECT_EQ(w.Anchor, (TextPos{0, 0, 0}));
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 3}));
    EXPECT_EQ(w.Modified, 0);
    EXPECT_EQ(w.UndoCopies.size(), copies);
    EXPECT_EQ(w.TypingRun, 0);

    // Typing over the selection is the edit: its snapshot holds the
    // selection, and Ctrl+Backspace brings both back.
    type("x");
    EXPECT_EQ(lines(), (Strings{"x"}));
    EXPECT_EQ(w.Modified, 1);
    key(VK_BACK, ssCtrl);
    EXPECT_EQ(lines(), (Strings{"abc"}));
    EXPECT_EQ(w.Anchor, (TextPos{0, 0, 0}));
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 3}));
}

TEST_F(KeyboardEdges, PageKeysAndTabCloseTheTypingRun)
{
    type("ab");
    key(VK_NEXT);
    type("c");
    key(VK_PRIOR);
    type("d");
    EXPECT_EQ(undoLabels(), (Strings{"Input", "Input", "Input"}));
    EXPECT_EQ(lines(), (Strings{"dabc"}));
    key(VK_TAB);
    type("e");
    EXPECT_EQ(undoLabels(), (Strings{"Input", "Input", "Input", "Input TAB", "Input"}));
    // Shift+Tab (Backtab) is the same key.
    key(VK_TAB, ssShift);
    EXPECT_EQ(lines(), (Strings{"d\te\tabc"}));

    // A typed tab's height is unset (-1) until layout; a line of a tab
    // alone still gets the height of a text line.
    const double textHeight = w.Areas[0].Lines[0].Height;
    key(VK_END);
    key(VK_RETURN);
    key(VK_TAB);
    ASSERT_EQ(w.Areas[0].LineCount(), 2);
    EXPECT_EQ(w.Areas[0].Lines[1].Chars.at(0).Height(), -1);
    EXPECT_GT(w.Areas[0].Lines[1].Height, 0);
    EXPECT_NEAR(w.Areas[0].Lines[1].Height, textHeight, textHeight / 2);
}

TEST_F(KeyboardEdges, InsertTogglesOverwriteForEveryWindowAndShowsIt)
{
    struct StatusUi : RecordingUi {
        std::vector<std::pair<int, std::string>> texts;
        void setStatusText(int panel, const std::string& text) override { texts.emplace_back(panel, text); }
    } statusUi;
    w.setFrameUi(&statusUi);
    TMDIChild other(frame);
    other.setHost(&host);
    other.setFrameUi(&statusUi);
    type("ab");
    key(VK_INSERT);
    ASSERT_FALSE(statusUi.texts.empty());
    EXPECT_EQ(statusUi.texts.back(), (std::pair<int, std::string>{2, "OV"}));
    EXPECT_EQ(w.TypingRun, 0);
    // The mode is the frame's: the other window types over too.
    other.MakeSoftEnters();
    for (char c : std::string("cd")) {
        uint8_t k = uint8_t(c);
        other.getkeysKeyPress(k);
    }
    other.Cursor = other.Anchor = TextPos{0, 0, 0};
    uint8_t k = 'x';
    other.getkeysKeyPress(k);
    EXPECT_EQ(text(other.Areas[0].Lines[0]), "xd");
    uint16_t ins = VK_INSERT;
    other.getkeysKeyDown(ins, 0);
    EXPECT_EQ(statusUi.texts.back(), (std::pair<int, std::string>{2, ""}));
    EXPECT_EQ(frame.Options.OverwriteMode, 0);
    w.setFrameUi(&ui);
}

TEST_F(KeyboardEdges, OverwriteDropsTheMarksAndWhatTheOldCharacterOwned)
{
    type("abc");
    TextLine& l = w.Areas[0].Lines[0];
    l.Chars[1].Flags = 1 << cfSoftHyphen | 1 << cfMisspelt | 1 << cfDropMark;
    w.Pictures.resize(1);
    newdib(&w.Pictures[0], 4, 4, 24, nullptr, 0);
    ASSERT_FALSE(w.Pictures[0].empty());
    l.Chars[2].Kind = ckPicture;
    l.Chars[2].setPictureIndex(0);
    layout();

    key(VK_INSERT);
    key(VK_HOME);
    key(VK_RIGHT);
    type("xy");
    const TextLine& after = w.Areas[0].Lines[0];
    EXPECT_EQ(text(after), "axy");
    EXPECT_EQ(after.Chars[1].Flags, 0);
    EXPECT_EQ(after.Chars[2].Kind, ckText);
    EXPECT_EQ(after.Chars[2].PictureIndex(), 0);
    // The run's snapshot still holds the picture: undo shows it again.
    EXPECT_FALSE(w.Pictures[0].empty());
    key(VK_BACK, ssAlt);
    ASSERT_EQ(w.Areas[0].Lines[0].CharCount(), 3);
    EXPECT_EQ(w.Areas[0].Lines[0].Chars[2].Kind, ckPicture);
    EXPECT_FALSE(w.Pictures[0].empty());
    key(VK_INSERT);
}

TEST_F(KeyboardEdges, DeletingSelectedObjectsKeepsTheCursorInItsOwnArea)
{
    type("ab");
    const int32_t areas = w.AreaCount();
    const int32_t frameArea = addArea(atTextFrame, "tf");
    addArea(atRectangle, "");
    w.Areas.back().Selected = 1;
    addArea(atEllipse, "");
    w.Areas.back().Selected = 1;
    w.Cursor = w.Anchor = TextPos{frameArea, 0, 1};
    key(VK_DELETE);
    EXPECT_EQ(w.AreaCount(), areas + 1);
    // Both deleted objects came after the frame: its index stays.
    EXPECT_EQ(w.Cursor, (TextPos{frameArea, 0, 0}));
    EXPECT_EQ(w.Anchor, w.Cursor);

    // A cursor in a deleted frame goes to the start of the first page's
    // body, not to the area that happens to have the index before.
    const int32_t second = addArea(atTextFrame, "gone");
    w.Areas.back().Selected = 1;
    w.Cursor = w.Anchor = TextPos{second, 0, 2};
    key(VK_DELETE);
    EXPECT_EQ(w.AreaCount(), areas + 1);
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 0}));
    EXPECT_EQ(text(w.Areas[size_t(frameArea)].Lines[0]), "tf");
}

TEST_F(KeyboardEdges, BackspaceJoinsAtTheNextLayoutAndRewrapsTheLineBefore)
{
    type("ab");
    key(VK_RETURN);
    type("cd");
    key(VK_HOME);
    key(VK_BACK);
    // Joined into one line, not only into one paragraph.
    EXPECT_EQ(lines(), (Strings{"abcd"}));
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 2}));

    // At the start of a wrapped paragraph's second line Backspace takes the
    // space the line before ends with; the lines are broken anew at once.
    key(VK_A, ssCtrl);
    key(VK_DELETE);
    type(words(30));
    ASSERT_GE(w.Areas[0].LineCount(), 2);
    w.Cursor = w.Anchor = TextPos{0, 1, 0};
    key(VK_BACK);
    const Strings got = lines();
    layout();
    EXPECT_EQ(lines(), got);
}

TEST_F(KeyboardEdges, BackspaceAndDeleteNextToEmptyCellContinuations)
{
    // A row of two cells in three runs; cell 0 goes on over an empty
    // continuation line into the third run.
    body({plainLine("", ekParagraph),
          cellLine("a1", 2, 0, true, false, ekSoft), cellLine("b1", 2, 1, true, false, ekParagraph),
          cellLine("", 2, 0, false, false, ekSoft), cellLine("b2", 2, 1, false, false, ekSoft),
          cellLine("a3", 2, 0, false, true, ekParagraph), cellLine("b3", 2, 1, false, true, ekParagraph),
          plainLine("", ekParagraph)});
    auto column = [this](int32_t c) {
        std::string s;
        for (const TextLine& l : w.Areas[0].Lines)
            if (l.IsCell && l.CellIndex == c) s += text(l);
        return s;
    };

    // Delete at the end of a1: its continuation has no first character to
    // take. Nothing is lost (layout may join the cell's lines afterwards).
    w.Cursor = w.Anchor = TextPos{0, 1, 2};
    key(VK_DELETE);
    EXPECT_EQ(column(0), "a1a3");
    EXPECT_EQ(column(1), "b1b2b3");

    // Backspace at the start of a3: the line before it in the cell is empty.
    body({plainLine("", ekParagraph),
          cellLine("a1", 2, 0, true, false, ekSoft), cellLine("b1", 2, 1, true, false, ekParagraph),
          cellLine("", 2, 0, false, false, ekSoft), cellLine("b2", 2, 1, false, false, ekSoft),
          cellLine("a3", 2, 0, false, true, ekParagraph), cellLine("b3", 2, 1, false, true, ekParagraph),
          plainLine("", ekParagraph)});
    w.Cursor = w.Anchor = TextPos{0, 5, 0};
    key(VK_BACK);
    EXPECT_EQ(column(0), "a1a3");
    EXPECT_EQ(column(1), "b1b2b3");
    EXPECT_EQ(w.Cursor.Area, 0);
    EXPECT_GE(w.Cursor.Line, 0);
    EXPECT_LT(w.Cursor.Line, w.Areas[0].LineCount());
}

TEST_F(KeyboardEdges, DeleteAtAPageEndJoinsTheNextPageAndAtTheTextEndDoesNothing)
{
    for (int i = 0; i < 70; ++i) {
        type(std::string(1, char('a' + i % 26)));
        key(VK_RETURN);
    }
    const int32_t second = w.Areas[0].NextInFlow;
    ASSERT_GE(second, 0);
    const size_t count = lines().size();
    const int32_t lastLine = w.Areas[0].LineCount() - 1;
    const std::string head = text(w.Areas[0].Lines[size_t(lastLine)]);
    const std::string tail = text(w.Areas[size_t(second)].Lines[0]);
    w.Cursor = w.Anchor = TextPos{0, lastLine, int32_t(head.size())};
    key(VK_DELETE);
    EXPECT_EQ(lines().size(), count - 1);
    bool joined = false;
    for (const std::string& s : lines()) joined = joined || s == head + tail;
    EXPECT_TRUE(joined);

    key(VK_END, ssCtrl);
    const TextPos end = w.Cursor;
    const Strings all = lines();
    key(VK_DELETE);
    EXPECT_EQ(lines(), all);
    EXPECT_EQ(w.Cursor, end);
}

TEST_F(KeyboardEdges, TypingAtAWrappedLineEndStaysOnThatLine)
{
    type(words(30));
    ASSERT_EQ(w.Areas[0].Lines[0].EndKind, ekSoft);
    const std::string first = text(w.Areas[0].Lines[0]);
    w.Cursor = w.Anchor = TextPos{0, 0, 0};
    key(VK_END);
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, int32_t(first.size())}));
    type("-");
    std::string whole;
    for (const std::string& s : lines()) whole += s;
    EXPECT_EQ(whole.substr(0, first.size() + 1), first + "-");
}

TEST_F(KeyboardEdges, AQuoteAfterAnEmptySoftEndedLineOpens)
{
    // An emptied line that still ends softly, as a deleted selection leaves
    // it before the next layout.
    body({plainLine("", ekSoft), plainLine("", ekParagraph)});
    frame.Options.QuoteStyle = 4;
    w.NoRefresh = 1;
    w.Cursor = w.Anchor = TextPos{0, 1, 0};
    type("\"");
    w.NoRefresh = 0;
    EXPECT_EQ(w.Areas[0].Lines[1].Chars.at(0).Code, 147);
}

} // namespace
