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
//
// BM_LongCellLayout lays out a row of eight narrow cells of which the first
// one (or the first four) holds a long text: one word of 8,000 to 64,000
// letters, or prose of as many characters, each twice the one before. The
// cell fills thousands of runs. It reports the time of a layout pass, the
// most memory held at once during the pass beyond what was held before it
// (peak_MB, counted at operator new) and, against the run of half the text,
// time_x, cpu_x (this thread's processor time) and mem_x.
// Target: at most 2.2 times the time and the memory per doubling.

#include "engine/Childwin.h"
#include "formats/StandardServices.h"
#include "render/ImageCanvas.h"

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <time.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <tuple>

#include "CountingHeap.h"

// Counted only while a measure asks for it: the other measures of this
// program pay a flag test per allocation and nothing more.
namespace {
[[maybe_unused]] const bool g_quietHeap = [] {
    bench::heap::counting = false;
    return true;
}();
} // namespace

// ---- The benchmarks ---------------------------------------------------------

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
        x.setFontIndex(w.GetNewFontIndex(FontEntryFromState(w.FontState)));
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

// A row of eight cells, the first `longCells` of them half as wide as the
// others (a few letters a line) and holding `length` characters each: one
// word of letters, or prose (words of one to ten letters from a vocabulary
// of a thousand, between single spaces); the others hold one short word.
struct LongCellDocument {
    FrameState frame = StandardFrameState();
    RowHost host;
    std::unique_ptr<TMDIChild> win = std::make_unique<TMDIChild>(frame);
    TMDIChild& w = *win;

    static constexpr int32_t kCells = 8;

    LongCellDocument(int32_t length, bool prose, int32_t longCells)
    {
        frame.Options.SpellWhileTyping = 0;
        w.setHost(&host);
        const int32_t font = w.GetNewFontIndex(FontEntryFromState(w.FontState));
        std::array<TextChar, 256> measured{};
        auto glyph = [&](char ch) {
            TextChar& c = measured[uint8_t(ch)];
            if (c.Code != uint8_t(ch)) {
                c.Code = uint8_t(ch);
                c.setFontIndex(font);
                w.RenderChar(c, false, std::string_view(&ch, 1));
            }
            return c;
        };
        uint32_t seed = 4711;
        auto next = [&seed](uint32_t n) {
            seed = seed * 1103515245u + 12345u;
            return (seed >> 16) % n;
        };

        // Text repeats its words: prose draws them from a vocabulary.
        std::vector<std::string> vocabulary(1000);
        for (std::string& word : vocabulary)
            for (uint32_t k = 1 + next(10); k > 0; --k) word.push_back(char('a' + next(26)));

        std::vector<TextLine>& lines = w.Areas[0].Lines;
        lines.assign(size_t(kCells), TextLine{});
        for (int32_t i = 0; i < kCells; ++i) {
            InitNewLine(lines, i);
            TextLine& l = lines[size_t(i)];
            l.IsCell = 1;
            l.CellsPerRow = kCells;
            l.CellIndex = i;
            l.RowFirstRun = 1;
            l.RowLastRun = 1;
            l.CellWidth = i < longCells ? 1 : 2;
            l.EndKind = ekParagraph;
            SetStandardCellDesign(l.Design);
            if (i >= longCells) {
                for (const char ch : std::string("cell")) l.Chars.push_back(glyph(ch));
                continue;
            }
            l.Chars.reserve(size_t(length));
            if (!prose) {
                for (int32_t k = 0; k < length; ++k) l.Chars.push_back(glyph(char('a' + next(26))));
                continue;
            }
            while (l.CharCount() < length) {
                if (!l.Chars.empty()) l.Chars.push_back(glyph(' '));
                const std::string& word = vocabulary[next(uint32_t(vocabulary.size()))];
                for (size_t k = 0; k < word.size() && l.CharCount() < length; ++k) l.Chars.push_back(glyph(word[k]));
            }
        }
        lines.emplace_back();
        InitNewLine(lines, kCells);
        lines.back().EndKind = ekParagraph;
        w.Cursor = w.Anchor = TextPos{0, kCells, 0};
        w.SetAllDirtyFlags();
        w.MakeSoftEnters();
        // The cells take their millimetres from the first paint.
        w.PaintBox1Paint();
    }
};

// The text lengths, each twice the one before, for a word and for prose,
// in one cell of the row and in four.
void longCellArgs(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"chars", "prose", "long_cells"});
    for (const int64_t cells : {1, 4})
        for (const int64_t prose : {0, 1})
            for (int64_t n = 8000; n <= 64000; n *= 2) b->Args({n, prose, cells});
}

// This thread's processor time, which a busy machine disturbs less than
// the time on the clock.
double threadCpuSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

void BM_LongCellLayout(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    struct Cost {
        double seconds = 0, cpuSeconds = 0, peak = 0;
    };
    static std::map<std::tuple<int64_t, int64_t, int64_t>, Cost> earlier;

    LongCellDocument d(int32_t(state.range(0)), state.range(1) != 0, int32_t(state.range(2)));
    Cost cost;
    int64_t passes = 0;
    for (auto _ : state) {
        bench::heap::live.store(0);
        bench::heap::peak.store(0);
        bench::heap::counting.store(true);
        const Clock::time_point t = Clock::now();
        const double cpu = threadCpuSeconds();
        d.w.SetAllDirtyFlags();
        d.w.MakeSoftEnters();
        cost.cpuSeconds += threadCpuSeconds() - cpu;
        cost.seconds += std::chrono::duration<double>(Clock::now() - t).count();
        bench::heap::counting.store(false);
        cost.peak = std::max(cost.peak, double(bench::heap::peak.load()));
        ++passes;
    }
    cost.seconds /= double(std::max<int64_t>(passes, 1));
    cost.cpuSeconds /= double(std::max<int64_t>(passes, 1));

    double lines = 0;
    for (const TextArea& a : d.w.Areas) lines += double(a.Lines.size());
    state.counters["lines"] = lines;
    state.counters["pages"] = double(d.w.GetAnzPages());
    state.counters["peak_MB"] = cost.peak / double(1 << 20);
    const auto key = std::make_tuple(state.range(0), state.range(1), state.range(2));
    earlier[key] = cost;
    if (const auto half = earlier.find(std::make_tuple(state.range(0) / 2, state.range(1), state.range(2)));
        half != earlier.end()) {
        state.counters["time_x"] = cost.seconds / half->second.seconds;
        state.counters["cpu_x"] = cost.cpuSeconds / half->second.cpuSeconds;
        state.counters["mem_x"] = cost.peak / half->second.peak;
    }
}
BENCHMARK(BM_LongCellLayout)->Apply(longCellArgs)->Unit(benchmark::kMillisecond);

} // namespace
