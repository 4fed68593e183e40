// Reading and writing a long RTF file: about 150 pages of formatted
// paragraphs with tabs and a table, some 800 KB.

#include "BenchFiles.h"

#include "engine/Childwin.h"
#include "formats/StandardServices.h"
#include "formats/rtf/Rtf.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using namespace quillet;

const std::string& longRtf()
{
    static const std::string text = bench::makeLongRtf();
    return text;
}

void ReadLongRtf(benchmark::State& state)
{
    FrameState frame = StandardFrameState();
    const std::string& rtf = longRtf();
    for (auto _ : state) {
        TMDIChild w(frame);
        benchmark::DoNotOptimize(ReadRtfFile(w, reinterpret_cast<const uint8_t*>(rtf.data()), rtf.size()));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(rtf.size()));
}
BENCHMARK(ReadLongRtf)->Unit(benchmark::kMillisecond);

void WriteLongRtf(benchmark::State& state)
{
    FrameState frame = StandardFrameState();
    const std::string& rtf = longRtf();
    TMDIChild w(frame);
    ReadRtfFile(w, reinterpret_cast<const uint8_t*>(rtf.data()), rtf.size());
    for (auto _ : state) benchmark::DoNotOptimize(WriteRtfFile(w));
}
BENCHMARK(WriteLongRtf)->Unit(benchmark::kMillisecond);

} // namespace
