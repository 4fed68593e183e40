#include "engine/Childwin.h"
#include "render/RecordingCanvas.h"
#include "tests/support/RenderHelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

using namespace quillet;
using namespace quillet::test;

namespace {

constexpr double kMmPerPx = 25.39995 / 96;
int32_t px(double mm) { return int32_t(std::trunc(mm / kMmPerPx)); }

struct RowCase {
    std::string Name;
    std::function<double(int)> Weight, InsetLeft, InsetRight;
};

// One row of `cells` cells in the body's first lines, a paragraph below.
void makeRow(TMDIChild& w, int cells, const RowCase& c)
{
    std::vector<TextLine>& lines = w.Areas[0].Lines;
    lines.assign(size_t(cells) + 1, TextLine{});
    for (int i = 0; i <= cells; ++i) InitNewLine(lines, i);
    for (int i = 0; i < cells; ++i) {
        TextLine& l = lines[size_t(i)];
        l.IsCell = 1;
        l.CellsPerRow = cells;
        l.CellIndex = i;
        l.RowFirstRun = l.RowLastRun = 1;
        l.CellWidth = c.Weight(i);
        l.CellInsetLeft = c.InsetLeft(i);
        l.CellInsetRight = c.InsetRight(i);
        l.EndKind = ekParagraph;
        SetStandardCellDesign(l.Design);
        l.Height = 6;
        l.Dirty = 0;
    }
    lines.back().EndKind = ekParagraph;
    w.Cursor = w.Anchor = TextPos{0, cells, 0};
}

// The left edges of the cells' border zones, in line order.
std::vector<int32_t> cellLefts(const TMDIChild& w)
{
    std::vector<int32_t> out;
    int n = 0;
    for (const MouseObj& m : w.MouseObjs)
        if (m.Kind == 1 && n++ % 2 == 0) out.push_back(m.Left + 2);
    return out;
}

} // namespace

// Every cell of a long row is drawn at the share of the row its weight
// gives it, after the shares of the cells before it, whatever the insets;
// the shares are stored as millimetres, the next paint draws the same row,
// and a printed page leaves them alone.
TEST(TableRow, EveryCellTakesItsShareAfterTheCellsBeforeIt)
{
    const std::vector<RowCase> cases = {
        {"weights", [](int i) { return 1.0 + i % 3; }, [](int) { return 0.0; }, [](int) { return 0.0; }},
        {"no weights", [](int) { return 0.0; }, [](int) { return 1.0; }, [](int) { return 2.0; }},
        {"row width", [](int i) { return 2.0 + i % 5; }, [](int) { return 2.0; },
         [](int) { return 99999.0 + 150; }},
        {"insets per cell", [](int i) { return 1.0 + i % 4; }, [](int i) { return double(i % 4); },
         [](int i) { return double(i * 7 % 5); }},
    };
    constexpr int kCells = 30;
    for (const RowCase& c : cases) {
        SCOPED_TRACE(c.Name);
        RenderDoc d;
        makeRow(d.w, kCells, c);
        d.paint();

        // What the renderer works from: the body's text width.
        const TextArea& body = d.w.Areas[0];
        const double pageW = double(d.w.PageWidthPx) / d.w.PrinterDpi * 25.39995;
        const double pageH = double(d.w.PageHeightPx) / d.w.PrinterDpi * 25.39995;
        const auto e = TMDIChild::FloatingAreaEdges(body, pageW, pageH);
        const double width = e.Right - body.Left - body.InnerLeft - body.InnerRight;
        double sum = 0;
        for (int i = 0; i < kCells; ++i) sum += c.Weight(i);
        auto textWidth = [&](int i) {
            const double left = std::min(c.InsetLeft(i), width - 10);
            double right = c.InsetRight(i);
            if (right > 99999) right = width - left - (right - 99999);
            return std::max(10.0, width - left - right);
        };
        auto share = [&](int i, double tw) { return sum > 0 ? tw * c.Weight(i) / sum : tw / kCells; };
        auto offset = [&](int k) {
            const double tw = textWidth(k);
            double x = body.InnerLeft + std::min(c.InsetLeft(k), width - 10);
            for (int r = 0; r < k; ++r) x += share(r, tw);
            return x;
        };

        const std::vector<int32_t> lefts = cellLefts(d.w);
        ASSERT_EQ(lefts.size(), size_t(kCells));
        for (int k = 0; k < kCells; ++k)
            EXPECT_NEAR(lefts[size_t(k)] - lefts[0], px(offset(k)) - px(offset(0)), 1) << "cell " << k;

        // Stored in millimetres, adding up to the last cell's text width.
        double stored = 0;
        for (int i = 0; i < kCells; ++i) {
            const double mm = body.Lines[size_t(i)].CellWidth;
            EXPECT_NEAR(mm, share(i, textWidth(kCells - 1)), 1e-9) << i;
            stored += mm;
        }
        EXPECT_NEAR(stored, textWidth(kCells - 1), 1e-9);

        d.paint();
        EXPECT_EQ(cellLefts(d.w), lefts) << "the stored millimetres draw the same row";

        std::vector<double> before;
        for (int i = 0; i < kCells; ++i) before.push_back(body.Lines[size_t(i)].CellWidth);
        RecordingCanvas printer(CanvasKind::Printer, 600, 4960, 7016);
        d.w.DrawPages(printer, 1, 0, 0, 0);
        for (int i = 0; i < kCells; ++i) EXPECT_EQ(body.Lines[size_t(i)].CellWidth, before[size_t(i)]) << i;
        EXPECT_GT(printer.count(CanvasOp::FillRect), size_t(kCells)) << "the printed row has its borders";
    }
}
