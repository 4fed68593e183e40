// Character formats and styles on a document of some 300 pages of plain
// paragraphs (about a million characters).
//
// BM_BoldWholeDocument: select all, one bold command (its undo snapshot, the
// new format of every character, the layout of every line it marked).
// Target: under 150 ms.
// BM_StyleOneParagraphLayoutAndPaint: a paragraph style applied at the caret
// in the middle of the document, with its undo snapshot, the layout, and the
// paint of the visible page. Target: under 10 ms.
// Its counters command_ms and paint_ms split the steady-state mean into the
// command (snapshot and layout) and the paint.
// BM_StyleSnapshotAlone: the undo snapshot that command takes, alone, so
// the share of the whole-document copy in the style's time is seen.
//
// Each command alternates between two formats, so every run changes the
// text. The first commands of a session take their undo snapshots in memory
// the process never touched (mostly page faults); after as many commands as
// the undo depth each snapshot refills the oldest one. Measured is that
// steady state; the very first command is reported as first_ms.

#include "bench/BenchDocuments.h"
#include "platform/VirtualKeys.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

using namespace quillet;
using quillet::bench::LongDocument;

using quillet::bench::ViewHost;

namespace {

LongDocument& document()
{
    static LongDocument doc({.OnePage = false, .Seed = 2024});
    return doc;
}

double timed(const std::function<void()>& f)
{
    const auto start = std::chrono::steady_clock::now();
    f();
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    return took.count();
}

// Runs `command` until the undo history is full, then once per iteration;
// reports the mean against the target, the worst run and the first command.
void steadyState(benchmark::State& state, TMDIChild& w, const std::function<void()>& command, double targetMs)
{
    double firstMs = 0;
    if (w.UndoCopies.empty()) firstMs = timed(command);
    while (int32_t(w.UndoCopies.size()) <= w.Frame.Options.UndoDepth) command();
    double worstMs = 0, totalMs = 0;
    for (auto _ : state) {
        const double ms = timed(command);
        worstMs = std::max(worstMs, ms);
        totalMs += ms;
    }
    const double meanMs = totalMs / double(std::max<int64_t>(1, state.iterations()));
    state.counters["worst_ms"] = worstMs;
    if (firstMs > 0) state.counters["first_ms"] = firstMs;
    if (meanMs > targetMs) {
        char label[64];
        std::snprintf(label, sizeof label, "mean %.1f ms > %.0f ms", meanMs, targetMs);
        state.SetLabel(label);
    }
}

void BM_BoldWholeDocument(benchmark::State& state)
{
    LongDocument& d = document();
    TMDIChild& w = d.w;
    uint16_t key = VK_A;
    w.getkeysKeyDown(key, ssCtrl);
    steadyState(
        state, w,
        [&w] {
            // Bold on, then off again: every run changes every character.
            w.FontState.Style ^= 1;
            TMDIChild::FormatSwitches s;
            s.Bold = 1;
            w.formatieren(s);
        },
        150);
    state.counters["pages"] = d.pages();
    w.Cursor = w.Anchor = TextPos{};
}
BENCHMARK(BM_BoldWholeDocument)->Unit(benchmark::kMillisecond);

void BM_StyleOneParagraphLayoutAndPaint(benchmark::State& state)
{
    LongDocument& d = document();
    TMDIChild& w = d.w;
    if (w.Vorlagen.empty()) w.CreateStandartVorlagen();
    ViewHost host;
    w.setHost(&host);
    const TextPos at = d.middle();
    w.Cursor = w.Anchor = at;
    // The view on the caret's page.
    const int32_t page = w.Areas[size_t(at.Area)].PageIndex;
    host.y = (int32_t(96.0 * w.PageHeightPx / 600) + 21) * page + 10;
    w.Timer2Timer();
    int32_t style = 1;
    // Per run, the command's and the paint's times; the last runs are the
    // measured ones.
    std::vector<double> commandMs, paintMs;
    steadyState(
        state, w,
        [&] {
            // "Caption 1" and "Standard" in turn.
            w.Cursor = w.Anchor = at;
            commandMs.push_back(timed([&] { w.useVorlage(style); }));
            paintMs.push_back(timed([&] { w.Timer2Timer(); }));
            style = 1 - style;
        },
        10);
    const auto meanOfMeasured = [&state](const std::vector<double>& ms) {
        const size_t n = std::min(ms.size(), size_t(std::max<int64_t>(1, state.iterations())));
        double total = 0;
        for (size_t i = ms.size() - n; i < ms.size(); ++i) total += ms[i];
        return n ? total / double(n) : 0.0;
    };
    state.counters["command_ms"] = meanOfMeasured(commandMs);
    state.counters["paint_ms"] = meanOfMeasured(paintMs);
    state.counters["caretInView"] = w.CaretY >= 0 && w.CaretY < host.clientHeight() && !w.CaretOutside;
    w.setHost(nullptr);
}
BENCHMARK(BM_StyleOneParagraphLayoutAndPaint)->Unit(benchmark::kMillisecond);

void BM_StyleSnapshotAlone(benchmark::State& state)
{
    LongDocument& d = document();
    TMDIChild& w = d.w;
    steadyState(state, w, [&w] { w.MakeCopyForUndo("Paragraph format"); }, 10);
}
BENCHMARK(BM_StyleSnapshotAlone)->Unit(benchmark::kMillisecond);

} // namespace
