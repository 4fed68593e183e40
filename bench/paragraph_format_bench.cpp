// Cost of a paragraph format applied to every paragraph of a long document:
// some 300 pages of plain paragraphs, about a million characters, all
// selected; one command (the undo snapshot, the write to every line, the
// layout of every line it marked) per iteration. The command alternates
// between two alignments so every run changes the text's format.
//
// Target: under 150 ms, with the re-layout. Reaching the paragraphs alone
// (the walk that the dialogs use to learn the narrowest text) is measured
// too: it runs before a dialog shows.

#include "bench/BenchDocuments.h"
#include "engine/VirtualKeys.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

using namespace quillet;
using quillet::bench::LongDocument;

namespace {

constexpr double kTargetMs = 150;

LongDocument& document()
{
    static LongDocument doc({.OnePage = false, .Seed = 12345});
    return doc;
}

void selectAll(TMDIChild& w)
{
    uint16_t key = 'A';
    w.getkeysKeyDown(key, ssCtrl);
}

void BM_ParagraphFormatWholeDocument(benchmark::State& state)
{
    LongDocument& d = document();
    TMDIChild& w = d.w;
    selectAll(w);
    bool centre = true;
    double worstMs = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (centre) w.formatcenter();
        else w.formatblock();
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        worstMs = std::max(worstMs, took.count());
        centre = !centre;
    }
    state.counters["pages"] = d.pages();
    state.counters["worst_ms"] = worstMs;
    if (worstMs > kTargetMs) {
        char label[64];
        std::snprintf(label, sizeof label, "worst %.0f ms > %.0f ms", worstMs, kTargetMs);
        state.SetLabel(label);
    }
}
BENCHMARK(BM_ParagraphFormatWholeDocument)->Unit(benchmark::kMillisecond);

void BM_ReachAllParagraphs(benchmark::State& state)
{
    LongDocument& d = document();
    TMDIChild& w = d.w;
    selectAll(w);
    for (auto _ : state) benchmark::DoNotOptimize(w.ParagraphTextWidth());
    state.counters["pages"] = d.pages();
}
BENCHMARK(BM_ReachAllParagraphs)->Unit(benchmark::kMillisecond);

// The same command taken apart: what its undo snapshot, the write of every
// line and the layout that follows each cost (milliseconds per run).
void BM_ParagraphFormatSteps(benchmark::State& state)
{
    LongDocument& d = document();
    TMDIChild& w = d.w;
    selectAll(w);
    bool centre = true;
    double t[4] = {};
    using C = std::chrono::steady_clock;
    using Ms = std::chrono::duration<double, std::milli>;
    for (auto _ : state) {
        const auto a = C::now();
        TMDIChild::AbsatzWert v = w.getabsatzformat();
        v.Para.Alignment = centre ? 1 : 3;
        centre = !centre;
        const auto b = C::now();
        w.MakeCopyForUndo("Paragraph format");
        const auto c = C::now();
        w.setabsatzformat(v, true, false, false);
        const auto e = C::now();
        w.RefreshDirtyContent();
        const auto f = C::now();
        t[0] += Ms(b - a).count();
        t[1] += Ms(c - b).count();
        t[2] += Ms(e - c).count();
        t[3] += Ms(f - e).count();
    }
    const double n = double(state.iterations());
    state.counters["read_ms"] = t[0] / n;
    state.counters["undo_ms"] = t[1] / n;
    state.counters["write_ms"] = t[2] / n;
    state.counters["layout_ms"] = t[3] / n;
}
BENCHMARK(BM_ParagraphFormatSteps)->Unit(benchmark::kMillisecond);

} // namespace
