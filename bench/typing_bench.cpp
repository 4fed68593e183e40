// One character typed in the middle of a document of some 300 pages, the way
// a key press arrives: the key handler with its undo grouping, the layout of
// what it dirtied, and (BM_TypeCharacterLayoutAndPaint) the paint of the
// visible page. Target: below 10 ms per key.

#include "bench/BenchDocuments.h"
#include "platform/VirtualKeys.h"

#include <benchmark/benchmark.h>

using namespace quillet;
using quillet::bench::LongDocument;

using quillet::bench::ViewHost;

namespace {

LongDocument& document()
{
    static LongDocument doc({.OnePage = false, .Seed = 4711});
    return doc;
}

LongDocument& onePageDocument()
{
    static LongDocument doc({.OnePage = true, .Seed = 4711});
    return doc;
}

// A key inside an open typing run: no snapshot.
void typeInRun(benchmark::State& state, LongDocument& d)
{
    for (auto _ : state) {
        d.w.Cursor = d.w.Anchor = d.middle();
        d.w.TypingRun = 1;
        d.w.LastEditKind = 0;
        uint8_t key = 'x';
        d.w.getkeysKeyPress(key);

        state.PauseTiming();
        d.untype();
        state.ResumeTiming();
    }
    state.counters["pages"] = d.pages();
}

void BM_TypeCharacterInRun(benchmark::State& state) { typeInRun(state, document()); }
BENCHMARK(BM_TypeCharacterInRun)->Unit(benchmark::kMillisecond);

void BM_TypeCharacterInRunNoPageFlow(benchmark::State& state) { typeInRun(state, onePageDocument()); }
BENCHMARK(BM_TypeCharacterInRunNoPageFlow)->Unit(benchmark::kMillisecond);

// The first key of a run also copies the whole document for undo.
void BM_TypeCharacterStartingRun(benchmark::State& state)
{
    LongDocument& d = document();
    for (auto _ : state) {
        d.w.Cursor = d.w.Anchor = d.middle();
        d.w.TypingRun = 0;
        uint8_t key = 'x';
        d.w.getkeysKeyPress(key);

        state.PauseTiming();
        d.untype();
        state.ResumeTiming();
    }
    state.counters["pages"] = d.pages();
}
BENCHMARK(BM_TypeCharacterStartingRun)->Unit(benchmark::kMillisecond);

// What a key costs the user: the key handler, the layout of what it
// dirtied, and the repaint timer's tick painting the visible page.
void typeLayoutAndPaint(benchmark::State& state, LongDocument& d, bool inRun)
{
    ViewHost host;
    d.w.setHost(&host);
    const TextPos at = d.middle();
    d.w.Cursor = d.w.Anchor = at;
    // The view on the cursor's page, as when one reads and types there.
    const int32_t page = d.w.Areas[size_t(at.Area)].PageIndex;
    const int32_t pageHeightPx = int32_t(96.0 * d.w.PageHeightPx / 600);
    host.y = (pageHeightPx + 21) * page + 10;
    d.w.Timer2Timer();
    for (auto _ : state) {
        d.w.Cursor = d.w.Anchor = at;
        d.w.TypingRun = inRun;
        d.w.LastEditKind = 0;
        uint8_t key = 'x';
        d.w.getkeysKeyPress(key);
        d.w.Timer2Timer();

        state.PauseTiming();
        d.untype();
        state.ResumeTiming();
    }
    // The caret was placed inside the view: the pass painted the cursor's page.
    state.counters["caretInView"] = d.w.CaretY >= 0 && d.w.CaretY < host.clientHeight() && !d.w.CaretOutside;
    d.w.setHost(nullptr);
    state.counters["pages"] = d.pages();
}

void BM_TypeCharacterLayoutAndPaint(benchmark::State& state) { typeLayoutAndPaint(state, document(), true); }
BENCHMARK(BM_TypeCharacterLayoutAndPaint)->Unit(benchmark::kMillisecond);

// The first key of a run, with its undo snapshot of the whole document.
void BM_TypeCharacterStartingRunLayoutAndPaint(benchmark::State& state)
{
    typeLayoutAndPaint(state, document(), false);
}
BENCHMARK(BM_TypeCharacterStartingRunLayoutAndPaint)->Unit(benchmark::kMillisecond);

// The paint alone, for comparison.
void BM_PaintAfterTyping(benchmark::State& state)
{
    LongDocument& d = document();
    ViewHost host;
    d.w.setHost(&host);
    const TextPos at = d.middle();
    d.w.Cursor = d.w.Anchor = at;
    host.y = (int32_t(96.0 * d.w.PageHeightPx / 600) + 21) * d.w.Areas[size_t(at.Area)].PageIndex + 10;
    d.w.Timer2Timer();
    for (auto _ : state) d.w.Timer2Timer();
    d.w.setHost(nullptr);
}
BENCHMARK(BM_PaintAfterTyping)->Unit(benchmark::kMillisecond);

// A caret step: the key handler with the format take-over, no layout.
void BM_CursorRight(benchmark::State& state)
{
    LongDocument& d = document();
    d.w.Cursor = d.w.Anchor = d.middle();
    for (auto _ : state) {
        uint16_t key = VK_RIGHT;
        d.w.getkeysKeyDown(key, 0);
    }
}
BENCHMARK(BM_CursorRight)->Unit(benchmark::kMicrosecond);

} // namespace
