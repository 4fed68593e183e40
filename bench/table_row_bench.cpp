// One table row of N cells, N doubling from 1,000 to 64,000: a full layout,
// a screen paint of the page, the pass a mouse move over the row runs (a
// cursor request) and a click on a cell border. Each cell holds one
// character, so the row stays one run of N lines and what grows is the
// number of cells alone; in the wrapped row every cell holds three, each on
// a line of its own, so the row needs three runs.
//
// Target: every measure at most 2.2 times its value at half the cells (a
// row laid out, painted or hit once per cell, not once per cell pair).
// The counters give lines and cells, so a run shows the shape of the input.

#include "engine/Childwin.h"
#include "formats/StandardServices.h"
#include "render/ImageCanvas.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

using namespace quillet;

namespace {

struct RowHost : HostView {
    int32_t scrollY() const override { return 0; }
    int32_t clientWidth() const override { return 900; }
    int32_t clientHeight() const override { return 1000; }
    bool hasFocus() const override { return true; }
};

struct RowDocument {
    FrameState frame = StandardFrameState();
    RowHost host;
    std::unique_ptr<TMDIChild> win = std::make_unique<TMDIChild>(frame);
    TMDIChild& w = *win;
    int32_t rowX = 0, rowY = 0;  // paint-box pixels on the row

    explicit RowDocument(int32_t cells, int32_t chars = 1)
    {
        frame.Options.SpellWhileTyping = 0;
        w.setHost(&host);
        TextChar x;
        x.Code = 'x';
        x.FontIndex = w.GetNewFontIndex(FontEntryFromState(w.FontState));
        w.RenderChar(x, false, "x");

        std::vector<TextLine>& lines = w.Areas[0].Lines;
        lines.assign(size_t(cells), TextLine{});
        for (int32_t i = 0; i < cells; ++i) {
            InitNewLine(lines, i);
            TextLine& l = lines[size_t(i)];
            l.IsCell = 1;
            l.CellsPerRow = cells;
            l.CellIndex = i;
            l.RowFirstRun = 1;
            l.RowLastRun = 1;
            l.CellWidth = 1 + i % 3;  // weights, made millimetres by the first paint
            l.EndKind = ekParagraph;
            SetStandardCellDesign(l.Design);
            l.Chars.insert(l.Chars.end(), size_t(chars), x);
        }
        // A paragraph below the table, as a document holds one.
        lines.emplace_back();
        InitNewLine(lines, cells);
        lines.back().EndKind = ekParagraph;
        w.Cursor = w.Anchor = TextPos{0, 0, 0};
        w.SetAllDirtyFlags();
        w.MakeSoftEnters();
        w.PaintBox1Paint();
        // The middle of the row, from the border zones the paint left.
        for (const MouseObj& m : w.MouseObjs)
            if (m.Kind == 1) {
                rowX = (m.Left + m.Right) / 2;
                rowY = (m.Top + m.Bottom) / 2;
                break;
            }
    }

    void report(benchmark::State& state) const
    {
        state.counters["cells"] = double(state.range(0));
        state.counters["lines"] = double(w.Areas[0].Lines.size());
    }
};

// 1,000 .. 64,000 cells, each twice the one before.
void doublings(benchmark::internal::Benchmark* b)
{
    for (int64_t n = 1000; n <= 64000; n *= 2) b->Arg(n);
}

void BM_RowLayout(benchmark::State& state)
{
    RowDocument d(int32_t(state.range(0)));
    for (auto _ : state) {
        d.w.SetAllDirtyFlags();
        d.w.MakeSoftEnters();
    }
    d.report(state);
}
BENCHMARK(BM_RowLayout)->Apply(doublings)->Unit(benchmark::kMillisecond);

void BM_WrappedRowLayout(benchmark::State& state)
{
    RowDocument d(int32_t(state.range(0)), 3);
    for (auto _ : state) {
        d.w.SetAllDirtyFlags();
        d.w.MakeSoftEnters();
    }
    d.report(state);
}
BENCHMARK(BM_WrappedRowLayout)->Apply(doublings)->Unit(benchmark::kMillisecond);

void BM_RowPaint(benchmark::State& state)
{
    RowDocument d(int32_t(state.range(0)));
    for (auto _ : state) d.w.PaintBox1Paint();
    d.report(state);
}
BENCHMARK(BM_RowPaint)->Apply(doublings)->Unit(benchmark::kMillisecond);

void BM_RowHitTest(benchmark::State& state)
{
    RowDocument d(int32_t(state.range(0)));
    int32_t i = 0;
    for (auto _ : state) {
        d.w.CursorRequest = 1;
        d.w.MouseX = d.rowX + 100 + (i++ % 40);
        d.w.MouseY = d.rowY;
        d.w.PaintBox1Paint();
        d.w.CursorRequest = 0;
    }
    d.report(state);
}
BENCHMARK(BM_RowHitTest)->Apply(doublings)->Unit(benchmark::kMillisecond);

// A click on a cell border: the pass takes the border and gathers every
// border of the table that lines up with it (with cells this narrow, all).
void BM_RowBorderClick(benchmark::State& state)
{
    RowDocument d(int32_t(state.range(0)));
    for (auto _ : state) {
        d.w.ClickRequest = 1;
        d.w.MouseX = d.rowX + 100;
        d.w.MouseY = d.rowY;
        d.w.PaintBox1Paint();
        d.w.ColumnDragging = 0;
    }
    state.counters["tracks"] = double(d.w.TableTracks.size());
    d.report(state);
}
BENCHMARK(BM_RowBorderClick)->Apply(doublings)->Unit(benchmark::kMillisecond);

} // namespace
