// Tables built and reshaped through the window's own operations. After each
// step the line runs are read back as a shape ("abc [012] [012] def": a
// plain line by its text, "_" when empty, a run by the CellIndex of each of
// its lines), the run bookkeeping is checked against itself, and undo and
// redo must give the shapes before and after the step.

#include "engine/Childwin.h"
#include "engine/DocWalk.h"
#include "engine/TableDialogs.h"
#include "platform/VirtualKeys.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TypingWindow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace quillet::test {
namespace {

struct ScriptedTableDialogs : TableDialogUi {
    TInsertTableForm table{3, 2};
    TInsertTableLinesForm rows;
    TInsertTableColsForm cols;
    bool ok = true;
    int shown = 0;
    bool runInsertTableDialog(TInsertTableForm& f) override { return answer(f, table); }
    bool runInsertTableLinesDialog(TInsertTableLinesForm& f) override { return answer(f, rows); }
    bool runInsertTableColsDialog(TInsertTableColsForm& f) override { return answer(f, cols); }
    template <class T>
    bool answer(T& form, const T& with)
    {
        ++shown;
        form = with;
        return ok;
    }
};

class Tables : public TypingWindow {
protected:
    Tables()
    {
        w.TableDialogs = &dialogs;
        setMessageBoxes(&boxes);
    }
    ~Tables() override { setMessageBoxes(nullptr); }

    std::string shape()
    {
        std::string s;
        const std::vector<TextLine>& lines = w.Areas[0].Lines;
        for (size_t i = 0; i < lines.size();) {
            if (!s.empty()) s += ' ';
            const TextLine& l = lines[i];
            if (!l.IsCell) {
                const std::string t = text(l);
                s += t.empty() ? "_" : t;
                ++i;
                continue;
            }
            s += '[';
            const size_t end = std::min(lines.size(), i + size_t(cellsOf(l)));
            for (; i < end; ++i) s += char('0' + lines[i].CellIndex);
            s += ']';
        }
        return s;
    }

    // Every run holds as many cell lines as each of them counts, numbered
    // 0..N-1, every row is one whole run, widths are positive, the cursor
    // stands on a line.
    void expectSoundRuns()
    {
        const std::vector<TextLine>& lines = w.Areas[0].Lines;
        for (size_t i = 0; i < lines.size();) {
            const TextLine& l = lines[i];
            if (!l.IsCell) {
                ++i;
                continue;
            }
            const int32_t n = l.CellsPerRow;
            ASSERT_GE(n, 1);
            ASSERT_LE(i + size_t(n), lines.size());
            for (int32_t k = 0; k < n; ++k) {
                const TextLine& c = lines[i + size_t(k)];
                EXPECT_TRUE(c.IsCell);
                EXPECT_EQ(c.CellsPerRow, n) << "line " << i + size_t(k);
                EXPECT_EQ(c.CellIndex, k) << "line " << i + size_t(k);
                EXPECT_TRUE(c.RowFirstRun && c.RowLastRun);
                EXPECT_GT(c.CellWidth, 0);
                EXPECT_TRUE(std::isfinite(c.CellWidth));
            }
            i += size_t(n);
        }
        EXPECT_NE(lineAt(w, w.Cursor), nullptr);
        EXPECT_EQ(w.Cursor, w.Anchor);
    }

    // Cursor to line `line` of area 0, character 0.
    void at(int32_t line) { w.Cursor = w.Anchor = TextPos{0, line, 0}; }

    ScriptedTableDialogs dialogs;
    RecordingBoxes boxes;
};

class TablesOps;

struct Step {
    const char* name;
    std::function<void(TablesOps&)> op;
    const char* after;
    const char* undoLabel;
    int32_t cursorLine;
};

class TablesOps : public Tables {
public:
    void run(const std::vector<Step>& steps)
    {
        for (const Step& s : steps) {
            SCOPED_TRACE(s.name);
            const std::string before = shape();
            w.Modified = 0;
            s.op(*this);
            EXPECT_EQ(shape(), s.after);
            expectSoundRuns();
            EXPECT_EQ(w.Cursor.Line, s.cursorLine);
            EXPECT_EQ(w.Modified, 1);
            ASSERT_FALSE(undoLabels().empty());
            EXPECT_EQ(undoLabels().back(), s.undoLabel);
            const TextPos cursor = w.Cursor;
            w.RestoreCopyFromUndo(0);
            EXPECT_EQ(shape(), before) << "undo";
            w.RestoreBeforeRestoreCopyFromUndo(0);
            EXPECT_EQ(shape(), s.after) << "redo";
            w.Cursor = w.Anchor = cursor;
        }
    }
    TMDIChild& win() { return w; }
    ScriptedTableDialogs& dlg() { return dialogs; }
    using Tables::at;
};

TEST_F(TablesOps, EveryOperationKeepsTheRunsSound)
{
    type("abcdef");
    key(VK_LEFT, 0, 3);
    run({
        {"insert 3 x 2 mid-paragraph", [](TablesOps& t) { t.win().inserttable(); },
         "abc [012] [012] def", "Insert table", 1},
        {"add a row from the first row", [](TablesOps& t) { t.at(2); t.win().AddTableLines(); },
         "abc [012] [012] [012] def", "Add table row", 7},
        {"append a column", [](TablesOps& t) { t.at(1); t.win().InsertTableCols(1); },
         "abc [0123] [0123] [0123] def", "Insert table column", 1},
        {"delete the second column", [](TablesOps& t) { t.at(6); t.win().DeleteTableCells(2); },
         "abc [012] [012] [012] def", "Delete table cell", 5},
        {"insert a row before the second", [](TablesOps& t) {
             t.at(5);
             t.dlg().rows = {1, true};
             t.win().insertTableLines();
         },
         "abc [012] [012] [012] [012] def", "Insert table rows", 4},
        {"insert two rows behind the last", [](TablesOps& t) {
             t.at(12);
             t.dlg().rows = {2, false};
             t.win().insertTableLines();
         },
         "abc [012] [012] [012] [012] [012] [012] def", "Insert table rows", 13},
        {"delete the first row", [](TablesOps& t) { t.at(2); t.win().DeleteTableCells(1); },
         "abc [012] [012] [012] [012] [012] def", "Delete table cell", 1},
        {"divide above the third row", [](TablesOps& t) { t.at(8); t.win().TabelleTeilen(); },
         "abc [012] [012] _ [012] [012] [012] def", "Divide table", 7},
        {"delete one cell", [](TablesOps& t) { t.at(9); t.win().DeleteTableCells(0); },
         "abc [012] [012] _ [01] [012] [012] def", "Delete table cell", 9},
        {"insert two columns before the first", [](TablesOps& t) {
             t.at(10);
             t.dlg().cols = {2, true};
             t.win().InsertTableCols(0);
         },
         "abc [012] [012] _ [0123] [01234] [01234] def", "Insert table column", 14},
        {"insert a column behind in a ragged row", [](TablesOps& t) {
             t.at(11);
             t.dlg().cols = {1, false};
             t.win().InsertTableCols(0);
         },
         "abc [012] [012] _ [01234] [012345] [012345] def", "Insert table column", 11},
        {"equal widths", [](TablesOps& t) {
             t.win().Areas[0].Lines[13].CellWidth = 7;
             t.at(13);
             t.win().VerteileTableCols();
             for (int32_t i = 8; i < 25; ++i) EXPECT_EQ(t.win().Areas[0].Lines[size_t(i)].CellWidth, 1.0);
         },
         "abc [012] [012] _ [01234] [012345] [012345] def", "Width of table columns", 13},
        {"delete every row of the lower table", [](TablesOps& t) {
             t.win().Anchor = TextPos{0, 8, 0};
             t.win().Cursor = TextPos{0, 24, 0};
             t.win().DeleteTableCells(1);
         },
         "abc [012] [012] _ def", "Delete table cell", 8},
        {"delete the last column", [](TablesOps& t) { t.at(3); t.win().DeleteTableCells(2); },
         "abc [01] [01] _ def", "Delete table cell", 3},
        {"delete the second column", [](TablesOps& t) { t.at(2); t.win().DeleteTableCells(2); },
         "abc [0] [0] _ def", "Delete table cell", 2},
        {"delete the only column", [](TablesOps& t) { t.at(1); t.win().DeleteTableCells(2); },
         "abc _ def", "Delete table cell", 1},
    });
}

TEST_F(Tables, TheTableGoesBetweenTheHalvesOfTheLine)
{
    struct Case {
        const char* text;
        int left;
        int32_t cols, rows;
        const char* shape;
        int32_t firstCell;
    };
    const Case cases[] = {
        {"", 0, 2, 2, "[01] [01] _", 0},
        {"abc", 0, 2, 1, "abc [01] _", 1},
        {"abc", 3, 1, 2, "[0] [0] abc", 0},
        {"abc", 1, 3, 1, "ab [012] c", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        w.Areas[0].Lines.resize(1);
        InitNewLine(w.Areas[0].Lines, 0);
        at(0);
        type(c.text);
        key(VK_LEFT, 0, c.left);
        dialogs.table = {c.cols, c.rows};
        w.inserttable();
        EXPECT_EQ(shape(), c.shape);
        expectSoundRuns();
        EXPECT_EQ(w.Cursor, (TextPos{0, c.firstCell, 0}));
        const TextLine& first = w.Areas[0].Lines[size_t(c.firstCell)];
        EXPECT_EQ(first.Para->LeftIndent, 2.5);
        EXPECT_EQ(first.Design.BorderWidth[bsLeft], 0.75);
        // No table inside a table.
        const int shown = dialogs.shown;
        w.inserttable();
        EXPECT_EQ(dialogs.shown, shown);
        EXPECT_EQ(shape(), c.shape);
    }
}

TEST_F(Tables, RowCommandsOutsideATableSayNoCellIsSelected)
{
    type("plain");
    const size_t undo = w.UndoCopies.size();
    w.TabelleTeilen();
    w.insertTableLines();
    w.AddTableLines();
    w.Zellenformatieren();
    EXPECT_EQ(boxes.texts, std::vector<std::string>(4, std::string(kNoCellSelected)));
    // The others do nothing at all there.
    w.DeleteTableCells(0);
    w.InsertTableCols(0);
    w.VerteileTableCols();
    EXPECT_EQ(w.UndoCopies.size(), undo);
    EXPECT_EQ(shape(), "plain");
}

TEST_F(Tables, ATableThatEndsTheFlowStillGrowsAndShrinksSoundly)
{
    dialogs.table = {2, 1};
    w.inserttable();
    // Take away the line after the table: it now ends the text flow.
    w.Areas[0].Lines.pop_back();
    ASSERT_EQ(shape(), "[01]");
    at(1);
    w.AddTableLines();
    EXPECT_EQ(shape(), "[01] [01]");
    EXPECT_EQ(w.Cursor, (TextPos{0, 2, 0}));
    // Deleting every row leaves the area a line to type in.
    w.Anchor = TextPos{0, 0, 0};
    w.Cursor = TextPos{0, 3, 0};
    w.DeleteTableCells(1);
    EXPECT_EQ(shape(), "_");
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 0}));
    type("ok");
    EXPECT_EQ(shape(), "ok");
}

// A table as a damaged file may bring it: counts that disagree, an index
// out of range, widths zero, negative or not a number, a row claiming a
// billion cells. Every operation stays inside the document.
TEST_F(Tables, DamagedTablesAreWalkedSafely)
{
    const std::vector<std::function<void(TMDIChild&)>> ops = {
        [](TMDIChild& w) { w.AddTableLines(); },
        [](TMDIChild& w) { w.insertTableLines(); },
        [](TMDIChild& w) { w.TabelleTeilen(); },
        [](TMDIChild& w) { w.InsertTableCols(0); },
        [](TMDIChild& w) { w.InsertTableCols(1); },
        [](TMDIChild& w) { w.VerteileTableCols(); },
        [](TMDIChild& w) { w.DeleteTableCells(0); },
        [](TMDIChild& w) { w.DeleteTableCells(1); },
        [](TMDIChild& w) { w.DeleteTableCells(2); },
        [](TMDIChild& w) { w.Zellenformatieren(); },
        [](TMDIChild& w) {
            w.FindAllTableTracks(0, 1, 1);
            w.SetTableTrack(-1e9);
            w.FindAllTableTracks(0, 2, 0);
            w.SetTableTrack(1e9);
        },
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (size_t k = 0; k < ops.size(); ++k)
        for (int32_t cursorLine = 0; cursorLine < 5; ++cursorLine) {
            SCOPED_TRACE(testing::Message() << "op " << k << " at line " << cursorLine);
            std::vector<TextLine>& lines = w.Areas[0].Lines;
            lines.assign(6, TextLine{});
            const int32_t counts[] = {3, 3, 1000000000, 2, -4, 3};
            const int32_t indexes[] = {0, 7, 2, -1, 0, 1};
            const double widths[] = {1, 0, -2, nan, 1e308, 1};
            for (int32_t i = 0; i < 6; ++i) {
                InitNewLine(lines, i);
                TextLine& l = lines[size_t(i)];
                l.IsCell = i < 5;
                l.CellsPerRow = counts[i];
                l.CellIndex = indexes[i];
                l.CellWidth = widths[i];
                l.RowFirstRun = i % 2;
                l.RowLastRun = 1;
                l.CellInsetLeft = i == 1 ? 500 : 0;
            }
            at(cursorLine);
            dialogs.rows = {3, false};
            dialogs.cols = {5000, false};
            ops[k](w);
            EXPECT_FALSE(w.Areas[0].Lines.empty());
            EXPECT_NE(lineAt(w, w.Cursor), nullptr);
            w.SetAllDirtyFlags();
            w.MakeSoftEnters();
        }
}

} // namespace
} // namespace quillet::test
