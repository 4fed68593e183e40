// Hyphenation runs inside layout for every candidate word at a line end, so
// a word the window has not seen yet must cost well under 20 microseconds.

#include "engine/Childwin.h"
#include "formats/StandardServices.h"
#include "language/Hyphenation.h"

#include <benchmark/benchmark.h>

#include <array>
#include <string>

using namespace quillet;

namespace {

const std::array<std::string, 8> kGermanWords = {
    "Silbentrennung", "Donaudampfschifffahrtsgesellschaft", "\xDC" "bersetzung", "Zusammenarbeit",
    "Wahrscheinlichkeit", "(Computer),", "Verantwortung", "Kindergarten",
};

FrameState& germanFrame()
{
    static FrameState frame = [] {
        FrameState f = StandardFrameState();
        f.ProgDir = QUILLET_PROGRAM_DIR;
        return f;
    }();
    return frame;
}

} // namespace

// A cache miss: the full pattern pass for each word.
static void BM_TrenneSilbenColdCache(benchmark::State& state)
{
    TMDIChild w(germanFrame());
    w.OpenHyphenData();
    size_t i = 0;
    for (auto _ : state) {
        w.FreeHyphenData();
        benchmark::DoNotOptimize(w.TrenneSilben(kGermanWords[i++ % kGermanWords.size()]));
    }
}
BENCHMARK(BM_TrenneSilbenColdCache)->Unit(benchmark::kMicrosecond);

static void BM_TrenneSilbenCached(benchmark::State& state)
{
    TMDIChild w(germanFrame());
    w.OpenHyphenData();
    for (const auto& word : kGermanWords) w.TrenneSilben(word);
    size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(w.TrenneSilben(kGermanWords[i++ % kGermanWords.size()]));
}
BENCHMARK(BM_TrenneSilbenCached)->Unit(benchmark::kMicrosecond);

// Once per language per run.
static void BM_LoadPatternFile(benchmark::State& state)
{
    const char* file = state.range(0) == 0 ? "german0.hyp" : "english0.hyp";
    for (auto _ : state) {
        HyphenPatternTable t;
        benchmark::DoNotOptimize(t.loadFile(std::string(QUILLET_PROGRAM_DIR) + "/" + file));
    }
}
BENCHMARK(BM_LoadPatternFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
