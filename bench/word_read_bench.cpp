// Reading a long Word 97 file: about 150 pages of paragraphs with tabs,
// some 850 KB, made by the tests' file builder (one character run over the
// text, so every character passes through the formatting lookup).

#include "BenchFiles.h"

#include "engine/Childwin.h"
#include "formats/StandardServices.h"
#include "formats/word/Word.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using namespace quillet;

const std::vector<uint8_t>& longWordFile()
{
    static const std::vector<uint8_t> file = bench::makeLongWordFile();
    return file;
}

void ReadLongWordFile(benchmark::State& state)
{
    FrameState frame = StandardFrameState();
    const std::vector<uint8_t>& file = longWordFile();
    for (auto _ : state) {
        TMDIChild w(frame);
        if (ReadWordFile(w, file) != WordResult::Ok) {
            state.SkipWithError("the file was refused");
            return;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file.size()));
    state.counters["file_KB"] = double(file.size()) / 1024.0;
}
BENCHMARK(ReadLongWordFile)->Unit(benchmark::kMillisecond);

} // namespace
