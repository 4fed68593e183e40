// Column borders and cell borders of real tables: which borders a press
// collects and where a drag leaves them, and the cell format dialog's
// slots, presets, preview and write-back.

#include "engine/Childwin.h"
#include "engine/TableDialogs.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TypingWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <vector>

namespace quillet::test {
namespace {

struct Dialogs : TableDialogUi {
    TInsertTableForm table{2, 3};
    std::function<void(TTableCellForm&)> onCellDialog;
    bool cellOk = true;
    bool runInsertTableDialog(TInsertTableForm& f) override
    {
        f = table;
        return true;
    }
    bool runTableCellDialog(TTableCellForm& f) override
    {
        if (onCellDialog) onCellDialog(f);
        return cellOk;
    }
};

// A table at the top of the 100 mm body (lines 0 .. rows*cols-1).
class Borders : public TypingWindow {
protected:
    Borders()
    {
        w.TableDialogs = &dialogs;
        setMessageBoxes(&boxes);
    }
    ~Borders() override { setMessageBoxes(nullptr); }

    void table(int32_t cols, int32_t rows)
    {
        dialogs.table = {cols, rows};
        w.inserttable();
    }
    TextLine& line(int32_t i) { return w.Areas[0].Lines[size_t(i)]; }
    // Border b of the run starting at `first` (mm from the region's left).
    double border(int32_t first, int32_t cols, int32_t b)
    {
        double sum = 0, before = 0;
        for (int32_t i = 0; i < cols; ++i) {
            sum += line(first + i).CellWidth;
            if (i < b) before += line(first + i).CellWidth;
        }
        const double usable = 100 - line(first).CellInsetLeft - line(first).CellInsetRight;
        return line(first).CellInsetLeft + usable * before / sum;
    }

    Dialogs dialogs;
    RecordingBoxes boxes;
};

TEST_F(Borders, APressCollectsTheBordersWithinReach)
{
    // Three rows of two cells; the middle border of rows 1 and 2 lies 1.4
    // and 1.6 mm from row 0's at 50 mm.
    table(2, 3);
    line(2).CellWidth = 51.4, line(3).CellWidth = 48.6;
    line(4).CellWidth = 48.4, line(5).CellWidth = 51.6;
    struct Case {
        int32_t line, side;
        std::vector<TableTrack> tracks;
    };
    const Case cases[] = {
        {0, 1, {{0, 0, 1}, {0, 1, 0}, {0, 3, 0}}},
        {3, 0, {{0, 3, 0}, {0, 1, 0}}},
        {4, 1, {{0, 4, 1}, {0, 5, 0}}},
        {0, 0, {{0, 0, 0}, {0, 2, 0}, {0, 4, 0}}},
        {5, 1, {{0, 5, 1}, {0, 1, 1}, {0, 3, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.line << " side " << c.side);
        w.FreeTableTrack();
        w.FindAllTableTracks(0, c.line, c.side);
        EXPECT_EQ(w.TableTracks, c.tracks);
    }
    // A row in other text columns ends the block of rows a drag moves.
    line(2).ColumnCount = line(3).ColumnCount = 2;
    w.FreeTableTrack();
    w.FindAllTableTracks(0, 0, 0);
    EXPECT_EQ(w.TableTracks, (std::vector<TableTrack>{{0, 0, 0}}));
}

TEST_F(Borders, ARowSelectionMovesOnlyItsOwnBorders)
{
    table(2, 3);
    // Rows 1 and 2 selected whole.
    w.Anchor = TextPos{0, 2, 0};
    w.Cursor = TextPos{0, 5, 0};
    w.FindAllTableTracks(0, 2, 1);
    EXPECT_EQ(w.TableTracks, (std::vector<TableTrack>{{0, 2, 1}, {0, 3, 0}, {0, 5, 0}}));
}

TEST_F(Borders, DragsKeepCellsWideAndTheTableInside)
{
    struct Case {
        const char* name;
        int32_t line, side;
        double x;
        std::vector<double> borders;  // of row 0 after the drag
    };
    const Case cases[] = {
        {"inner 2 mm right", 0, 1, 52, {0, 52, 100}},
        {"inner to 3 mm short of the right edge", 1, 0, 97, {0, 95, 100}},
        {"inner past the left edge", 0, 1, -40, {0, 5, 100}},
        {"left edge inward", 0, 0, 20, {20, 60, 100}},
        {"left edge beyond the right one", 0, 0, 300, {90, 95, 100}},
        {"left edge outside the region", 0, 0, -30, {0, 50, 100}},
        {"right edge inward", 1, 1, 80, {0, 40, 80}},
        {"right edge beyond the left one", 1, 1, -300, {0, 5, 10}},
        {"right edge outside the region", 1, 1, 130, {0, 50, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        w.Areas[0].Lines.resize(1);
        InitNewLine(w.Areas[0].Lines, 0);
        w.Cursor = w.Anchor = TextPos{};
        table(2, 2);
        w.Modified = 0;
        w.FreeTableTrack();
        w.FindAllTableTracks(0, c.line, c.side);
        w.SetTableTrack(c.x);
        for (int32_t b = 0; b < 3; ++b) EXPECT_NEAR(border(0, 2, b), c.borders[size_t(b)], 1e-9) << "border " << b;
        // The rows below moved alike; weights stay positive, their sum kept.
        for (int32_t b = 0; b < 3; ++b) EXPECT_NEAR(border(2, 2, b), c.borders[size_t(b)], 1e-9);
        for (int32_t i = 0; i < 4; ++i) EXPECT_GT(line(i).CellWidth, 0);
        EXPECT_NEAR(line(0).CellWidth + line(1).CellWidth, 2.0, 1e-9);
        EXPECT_EQ(w.Modified, 1);
        EXPECT_EQ(undoLabels().back(), "Width of the table column");
    }
}

TEST_F(Borders, TheCellDialogShowsAgreementAndWritesOnlyWhatWasSet)
{
    table(2, 2);
    // The two upper cells disagree on their top border.
    line(1).Design.BorderWidth[bsTop] = 3;
    w.Anchor = TextPos{0, 0, 0};
    w.Cursor = TextPos{0, 3, 0};
    std::vector<CellPreviewLine> preview;
    TTableCellForm seen;
    dialogs.onCellDialog = [&](TTableCellForm& f) {
        seen = f;
        preview = f.PreviewLines(100, 80, 96);
        f.LineColor = 0x0000FF;
        f.LineWidth = 1.5;
        f.Down[csLeft - 1] = false;
        f.SpeedButtonClick(csLeft);
        f.BkColChange(0x00FF00);
    };
    w.Modified = 0;
    w.Zellenformatieren();
    // Fill: slot 1 mixed, the others agree on the standard design.
    for (int n = 1; n <= 6; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(seen.slot(n).Set, n == csTop ? 0 : 1);
        EXPECT_TRUE(seen.slot(n).Initialised);
        EXPECT_TRUE(seen.Down[size_t(n - 1)]);
    }
    ASSERT_EQ(preview.size(), 6u);
    EXPECT_EQ(preview[0], (CellPreviewLine{csTop, 0, 5, 100, 5, 0x808080, 5}));
    EXPECT_EQ(preview[1], (CellPreviewLine{csInnerH, 0, 40, 100, 40, 0, 1}));
    EXPECT_EQ(preview[5], (CellPreviewLine{csRight, 94, 0, 94, 80, 0, 1}));
    // Write-back: the untouched mixed top borders stay; only the left edge
    // and the background changed.
    EXPECT_EQ(line(0).Design.BorderWidth[bsTop], 0.75);
    EXPECT_EQ(line(1).Design.BorderWidth[bsTop], 3);
    for (int32_t i : {0, 2}) {
        EXPECT_EQ(line(i).Design.BorderOn[bsLeft], 0);
        EXPECT_EQ(line(i).Design.BorderColor[bsLeft], 0x0000FFu);
        EXPECT_EQ(line(i).Design.BorderOn[bsRight], 1) << "inner line, not set";
    }
    EXPECT_EQ(line(1).Design.BorderOn[bsLeft], 1);
    for (int32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(line(i).Design.Background, 0x00FF00u);
        EXPECT_EQ(line(i).Design.Transparent, 1);
    }
    EXPECT_EQ(w.Modified, 1);
    EXPECT_EQ(undoLabels().back(), "Table cells");
    w.RestoreCopyFromUndo(0);
    EXPECT_EQ(line(0).Design.BorderOn[bsLeft], 1);
}

TEST_F(Borders, ASingleCellIsEveryEdgeAndCancelWritesNothing)
{
    table(3, 3);
    w.Cursor = w.Anchor = TextPos{0, 4, 0};
    dialogs.cellOk = false;
    TTableCellForm seen;
    dialogs.TableDialogUi::CellForm.slot(csInnerH).Width = 9;  // from an earlier showing
    dialogs.onCellDialog = [&](TTableCellForm& f) { seen = f; };
    const size_t undo = w.UndoCopies.size();
    w.Zellenformatieren();
    for (int n : {csTop, csBottom, csLeft, csRight}) EXPECT_TRUE(seen.slot(n).Set) << n;
    for (int n : {csInnerH, csInnerV}) EXPECT_FALSE(seen.slot(n).Initialised) << n;
    EXPECT_EQ(seen.slot(csInnerH).Width, 9) << "an unused slot keeps its values";
    EXPECT_EQ(w.UndoCopies.size(), undo);
}

TEST_F(Borders, GridOverAWholeTableMakesThinInnerLines)
{
    table(2, 2);
    w.Anchor = TextPos{0, 0, 0};
    w.Cursor = TextPos{0, 3, 0};
    dialogs.onCellDialog = [](TTableCellForm& f) {
        f.Preset(9);  // "Very thick"
        f.Preset(6);  // "Grid"
    };
    w.Zellenformatieren();
    // Cell 0: left and top are outer, right and bottom inner.
    EXPECT_EQ(line(0).Design.BorderWidth, (std::array<double, 4>{3.0, 3.0, 0.75, 0.75}));
    EXPECT_EQ(line(3).Design.BorderWidth, (std::array<double, 4>{0.75, 0.75, 3.0, 3.0}));
}

TEST(TableCellForm, PresetsAndPreviewClicks)
{
    struct Case {
        int button;
        std::array<bool, 6> down;
        std::array<double, 6> widths;
    };
    const Case cases[] = {
        {3, {false, false, false, false, false, false}, {1.5, 1.5, 1.5, 1.5, 1.5, 1.5}},
        {4, {true, false, true, true, false, true}, {1.5, 1.5, 1.5, 1.5, 1.5, 1.5}},
        {5, {true, true, true, true, true, true}, {1.5, 1.5, 1.5, 1.5, 1.5, 1.5}},
        {6, {true, true, true, true, true, true}, {1.5, 0.75, 1.5, 1.5, 0.75, 1.5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        TTableCellForm f;
        f.LineWidth = 1.5;
        f.Preset(c.button);
        EXPECT_EQ(f.Down, c.down);
        for (int n = 1; n <= 6; ++n) {
            EXPECT_EQ(f.slot(n).Width, c.widths[size_t(n - 1)]);
            EXPECT_EQ(f.slot(n).Set, 1);
            EXPECT_EQ(f.slot(n).On, c.down[size_t(n - 1)] ? 1 : 0);
        }
    }
    TTableCellForm f;
    for (auto [button, width] : {std::pair{7, 0.75}, {8, 1.5}, {9, 3.0}}) {
        f.Preset(button);
        EXPECT_EQ(f.LineWidth, width);
        EXPECT_EQ(f.slot(1).Set, 0) << "the width buttons touch no slot";
    }

    // Hit zones of a 100 x 80 preview, in their order of testing.
    const struct { int32_t x, y; int slot; } hits[] = {
        {9, 75, csLeft}, {3, 3, csLeft}, {90, 40, csRight}, {50, 9, csTop}, {50, 70, csBottom},
        {60, 20, csInnerV}, {20, 31, csInnerH}, {20, 20, 0}, {89, 55, 0},
    };
    for (const auto& h : hits) EXPECT_EQ(TTableCellForm::SlotAt(h.x, h.y, 100, 80), h.slot) << h.x << "," << h.y;
    f.PaintBox1MouseDown(2, 40, 100, 80);
    EXPECT_TRUE(f.Down[csLeft - 1]);
    EXPECT_EQ(f.slot(csLeft).On, 1);
    EXPECT_EQ(f.slot(csLeft).Width, 3.0);
    f.PaintBox1MouseDown(2, 40, 100, 80);
    EXPECT_EQ(f.slot(csLeft).On, 0);

    // The background: transparency only on white; either change is written.
    f.BkColChange(0x123456);
    EXPECT_FALSE(f.TransparentEnabled);
    EXPECT_TRUE(f.BackgroundChanged);
    f.BkColChange(0xFFFFFF);
    EXPECT_TRUE(f.TransparentEnabled);
    // Pen widths at a 120 dpi screen: round(120 x pt / 72), halves to even.
    f.Down.fill(false);
    f.Down[0] = true;
    for (auto [pt, px] : {std::pair{0.75, 1}, {1.5, 2}, {3.0, 5}, {0.0, 0}}) {
        f.LineWidth = pt;
        f.SpeedButtonClick(1);
        EXPECT_EQ(f.PreviewLines(100, 80, 120).at(0).PenWidth, px) << pt;
    }
}

} // namespace
} // namespace quillet::test
