// Layout measures every character it makes through selfont, so the warm
// path (font already cached) has to cost next to nothing.
#include "platform/SelFont.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using namespace quillet;

void BM_WarmSelfontAndOneCharExtent(benchmark::State& state)
{
    const std::string face = "Times New Roman";
    const std::string ch = "m";
    selfont(face, 600, 1, 0, 12, 100);   // make and cache the font once
    for (auto _ : state) {
        FontHandle f = selfont(face, 600, 1, 0, 12, 100);
        benchmark::DoNotOptimize(f->textExtent(ch));
    }
}
BENCHMARK(BM_WarmSelfontAndOneCharExtent);

// RenderChar measures twice per character: full size for the height,
// reduced size for the width.
void BM_WarmRenderCharPair(benchmark::State& state)
{
    const std::string face = "Arial";
    const std::string ch = "W";
    selfont(face, 600, 1, 1, 12, 100);
    selfont(face, 600, 1, 1, 9, 100);
    for (auto _ : state) {
        FontHandle full = selfont(face, 600, 1, 1, 12, 100);
        benchmark::DoNotOptimize(full->textExtent(ch).cy);
        FontHandle reduced = selfont(face, 600, 1, 1, 9, 100);
        benchmark::DoNotOptimize(reduced->textExtent(ch).cx);
    }
}
BENCHMARK(BM_WarmRenderCharPair);

void BM_TextExtentOfALine(benchmark::State& state)
{
    FontHandle f = selfont("Times New Roman", 600, 1, 0, 12, 100);
    const std::string line = "The quick brown fox jumps over the lazy dog, again and again and again.";
    for (auto _ : state) benchmark::DoNotOptimize(f->textExtent(line));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(line.size()));
}
BENCHMARK(BM_TextExtentOfALine);

// A new size (zoom change) builds its advance table once.
void BM_ColdFontAtNewSize(benchmark::State& state)
{
    double size = 1000;
    for (auto _ : state) {
        size += 0.25;   // a size never asked for before: a fresh font each time
        benchmark::DoNotOptimize(selfont("Times New Roman", 600, 1, 0, size, 100));
    }
}
BENCHMARK(BM_ColdFontAtNewSize)->Iterations(2000);

} // namespace
