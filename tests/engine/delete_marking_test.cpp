// Deleting a selection: what is left of the lines, where the caret ends, and
// what cut does to the rows of a table.

#include "engine/Childwin.h"
#include "platform/VirtualKeys.h"
#include "tests/support/TypingWindow.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace quillet;

namespace {

using Strings = std::vector<std::string>;

// Without a frame UI: the lines are made by hand and laid out only where a
// test asks for it.
class DeleteMarking : public test::TypingWindowOf<test::NoFrameUi> {
protected:
    DeleteMarking() : TypingWindowOf(Setup::Bare)
    {
        widenBody();
        body().clear();
        resetFonts();
    }

    std::vector<TextLine>& body() { return w.Areas[0].Lines; }

    TextLine& add(std::string_view text, int32_t endKind = ekParagraph)
    {
        body().emplace_back();
        InitNewLine(body(), int32_t(body().size()) - 1);
        TextLine& l = body().back();
        l.EndKind = endKind;
        putChars(l, text);
        return l;
    }

    TextLine& cell(std::string_view text, int32_t n, int32_t index, bool first, bool last)
    {
        TextLine& l = add(text, ekSoft);
        l.IsCell = 1;
        l.CellsPerRow = n;
        l.CellIndex = index;
        l.CellWidth = 1;
        l.RowFirstRun = first;
        l.RowLastRun = last;
        return l;
    }

    void select(TextPos anchor, TextPos cursor)
    {
        w.Anchor = anchor;
        w.Cursor = cursor;
    }

    Strings lines()
    {
        Strings out;
        for (const TextLine& l : body()) out.push_back(text(l));
        return out;
    }
};

TEST_F(DeleteMarking, InsideOneLineAndAcrossParagraphs)
{
    add("abcdefg");
    add("second");
    select({0, 0, 2}, {0, 0, 5});
    w.DeleteMarking();
    EXPECT_EQ(lines(), (Strings{"abfg", "second"}));
    EXPECT_EQ(body()[0].EndKind, ekParagraph);
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 2}));
    EXPECT_EQ(w.Anchor, w.Cursor);

    // No selection: nothing happens.
    w.DeleteMarking();
    EXPECT_EQ(lines(), (Strings{"abfg", "second"}));

    // From the middle of paragraph 1 to the middle of paragraph 3, dragged
    // backwards: the head of 1 and the tail of 3 with 3's end.
    body().clear();
    add("one one");
    add("two two");
    add("three", ekLineBreak);
    add("four");
    select({0, 2, 2}, {0, 0, 3});
    w.DeleteMarking();
    EXPECT_EQ(lines(), (Strings{"one", "", "ree", "four"}));
    EXPECT_EQ(body()[0].EndKind, ekSoft);
    EXPECT_EQ(body()[1].EndKind, ekSoft);
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 3}));
    EXPECT_EQ(w.Anchor, w.Cursor);
    w.MakeSoftEnters();
    EXPECT_EQ(lines(), (Strings{"oneree", "four"}));
    EXPECT_EQ(body()[0].EndKind, ekLineBreak);
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 3}));

    // An end at char 0 takes the line breaks up to that line and nothing of it.
    body().clear();
    add("ab");
    add("");
    add("cd");
    select({0, 0, 1}, {0, 2, 0});
    w.DeleteMarking();
    w.MakeSoftEnters();
    EXPECT_EQ(lines(), (Strings{"acd"}));
}

TEST_F(DeleteMarking, EmptyLinesAndTheLastLineAreNoTrouble)
{
    add("");
    add("");
    add("ab", ekSoft);
    select({0, 0, 0}, {0, 2, 2});
    w.DeleteMarking();
    EXPECT_EQ(lines(), (Strings{"", "", ""}));
    w.MakeSoftEnters();
    EXPECT_EQ(lines(), (Strings{""}));
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 0}));

    // A stale selection past the text is put back inside it first.
    body().clear();
    add("abc");
    select({0, 0, 1}, {0, 7, 99});
    w.DeleteMarking();
    EXPECT_EQ(lines(), (Strings{"a"}));
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 1}));
}

TEST_F(DeleteMarking, AcrossLinkedAreasOfOneFlow)
{
    add("head");
    add("middle");
    w.NewPage(false);
    const int32_t second = w.AreaCount() - 1;
    w.Areas[0].NextInFlow = second;
    w.Areas[size_t(second)].PrevInFlow = 0;
    std::vector<TextLine>& l2 = w.Areas[size_t(second)].Lines;
    l2.resize(2);
    InitNewLine(l2, 0);
    InitNewLine(l2, 1);
    for (char c : std::string("tail")) {
        TextChar ch;
        ch.Code = uint8_t(c);
        ch.Width = 1;
        l2[0].Chars.push_back(ch);
    }
    l2[0].EndKind = ekParagraph;
    l2[1].EndKind = ekParagraph;
    // A header with an index between is not part of the flow.
    select({0, 0, 2}, {second, 0, 2});
    w.DeleteMarking();
    EXPECT_EQ(text(w.Areas[0].Lines[0]), "he");
    EXPECT_EQ(text(w.Areas[0].Lines[1]), "");
    EXPECT_EQ(text(l2[0]), "il");
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 2}));
    EXPECT_EQ(w.Anchor, w.Cursor);
}

TEST_F(DeleteMarking, RowSelectionsEmptyCellsAndCutRemovesThem)
{
    auto build = [this] {
        body().clear();
        add("before");
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) cell(std::string(1, char('a' + r * 3 + c)) + "x", 3, c, true, true);
        add("after");
    };
    auto cellIndexes = [this] {
        std::vector<int32_t> out;
        for (const TextLine& l : body())
            if (l.IsCell) out.push_back(l.CellIndex * 10 + l.CellsPerRow);
        return out;
    };

    // Columns 1..2 of rows 1 and 2: delete empties them, keeps the rows.
    build();
    select({0, 2, 1}, {0, 6, 1});
    w.DeleteMarking();
    EXPECT_EQ(lines(), (Strings{"before", "ax", "", "", "dx", "", "", "gx", "hx", "ix", "after"}));
    EXPECT_EQ(cellIndexes(), (std::vector<int32_t>{3, 13, 23, 3, 13, 23, 3, 13, 23}));
    EXPECT_EQ(w.Cursor, (TextPos{0, 2, 0}));

    // Cut of the same selection takes those cells out of their rows.
    build();
    select({0, 2, 1}, {0, 6, 1});
    w.CutInProgress = 1;
    w.DeleteMarking();
    w.CutInProgress = 0;
    EXPECT_EQ(lines(), (Strings{"before", "ax", "dx", "gx", "hx", "ix", "after"}));
    EXPECT_EQ(cellIndexes(), (std::vector<int32_t>{1, 1, 3, 13, 23}));
    EXPECT_EQ(w.Cursor, (TextPos{0, 2, 0}));
    EXPECT_EQ(w.Anchor, w.Cursor);
    layout();
    EXPECT_EQ(lines(), (Strings{"before", "ax", "dx", "gx", "hx", "ix", "after"}));

    // Cut of whole rows, from text before the table into its second row:
    // the rows go, the text keeps a paragraph end.
    build();
    select({0, 0, 3}, {0, 4, 1});
    w.CutInProgress = 1;
    w.DeleteMarking();
    w.CutInProgress = 0;
    EXPECT_EQ(lines(), (Strings{"bef", "gx", "hx", "ix", "after"}));
    EXPECT_EQ(body()[0].EndKind, ekParagraph);
    EXPECT_EQ(body()[1].RowFirstRun, 1);
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 3}));

    // Delete of the same: the rows stay, emptied; the text still ends hard,
    // so a Delete at its end cannot reach into the first cell.
    build();
    select({0, 0, 3}, {0, 4, 1});
    w.DeleteMarking();
    EXPECT_EQ(lines(), (Strings{"bef", "", "", "", "", "", "", "gx", "hx", "ix", "after"}));
    EXPECT_EQ(body()[0].EndKind, ekParagraph);

    // Cut of the whole table together with the text around it.
    build();
    select({0, 0, 3}, {0, 10, 2});
    w.CutInProgress = 1;
    w.DeleteMarking();
    w.CutInProgress = 0;
    EXPECT_EQ(lines(), (Strings{"bef", "ter"}));
    layout();
    EXPECT_EQ(lines(), (Strings{"befter"}));
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 3}));
}

TEST_F(DeleteMarking, ASelectionInsideOneRowLeavesOtherColumnsAlone)
{
    // One row of three cells in two runs; from the middle cell's first run
    // to its second run: cells 0 and 2 lie between in storage but are not
    // selected.
    add("before");
    cell("a1", 3, 0, true, false);
    cell("b1", 3, 1, true, false);
    cell("c1", 3, 2, true, false);
    cell("a2", 3, 0, false, true);
    cell("b2", 3, 1, false, true);
    cell("c2", 3, 2, false, true);
    select({0, 2, 1}, {0, 5, 1});
    w.FindMarkingStart();
    ASSERT_EQ(w.CellMarking, 1);
    ASSERT_EQ(w.RowMarking, 0);
    w.DeleteMarking();
    EXPECT_EQ(lines(), (Strings{"before", "a1", "b", "c1", "a2", "2", "c2"}));
    EXPECT_EQ(w.Cursor, (TextPos{0, 2, 1}));
}

TEST_F(DeleteMarking, TheOnlyUseOfAPictureIsReleasedAndUndoBringsItBack)
{
    add("ab");
    w.Pictures.resize(1);
    newdib(&w.Pictures[0], 4, 4, 24, nullptr, 0);
    ASSERT_FALSE(w.Pictures[0].empty());
    TextChar pic;
    pic.Kind = ckPicture;
    pic.setPictureIndex(0);
    body()[0].Chars.insert(body()[0].Chars.begin() + 1, pic);
    layout();

    select({0, 0, 0}, {0, 0, 2});
    w.MakeCopyForUndo("Delete");
    w.DeleteMarking();
    EXPECT_EQ(lines(), (Strings{"b"}));
    // The undo copy still holds the picture character.
    EXPECT_FALSE(w.Pictures[0].empty());
    w.RestoreCopyFromUndo(0);
    ASSERT_EQ(body()[0].CharCount(), 3);
    EXPECT_EQ(body()[0].Chars[1].Kind, ckPicture);

    // With no copy holding it, the picture goes.
    w.FreeAllUndoCops();
    select({0, 0, 0}, {0, 0, 2});
    w.DeleteMarking();
    EXPECT_TRUE(w.Pictures[0].empty());
}

} // namespace
