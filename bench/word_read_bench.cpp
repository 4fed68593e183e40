// Reading a long Word 97 file: about 150 pages of paragraphs with tabs,
// some 850 KB, made by the tests' file builder (one character run over the
// text, so every character passes through the formatting lookup).

#include "engine/Childwin.h"
#include "formats/StandardServices.h"
#include "formats/word/Word.h"
#include "tests/support/WordFiles.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using namespace quillet;

const std::vector<uint8_t>& longWordFile()
{
    static const std::vector<uint8_t> file = [] {
        std::u16string text;
        int n = 0;
        while (text.size() < 850 * 1024) {
            ++n;
            const std::string line = "Paragraph " + std::to_string(n) +
                                     "\twith words enough to fill a line and wrap it once on the page, " +
                                     std::to_string(n * 7) + " and some more plain text to follow.\r";
            text.append(line.begin(), line.end());
        }
        test::WordFileSpec spec;
        spec.Pieces = {{text, false}};
        spec.CharRuns = {{0, int32_t(text.size()), test::sprm(0x0835, {1})}};  // bold over everything
        return test::makeWordFile(spec);
    }();
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
