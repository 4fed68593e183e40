// Reading and writing a long RTF file: about 150 pages of formatted
// paragraphs with tabs and a table, some 800 KB.

#include "engine/Childwin.h"
#include "formats/StandardServices.h"
#include "formats/rtf/Rtf.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using namespace quillet;

const std::string& longRtf()
{
    static const std::string text = [] {
        std::string s = "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Times New Roman;}{\\f1 Arial;}}"
                        "{\\colortbl;\\red0\\green0\\blue0;\\red200\\green0\\blue0;}\\paperw11906\\paperh16838\r\n";
        int n = 0;
        while (s.size() < 800 * 1024) {
            ++n;
            s += "\\pard\\plain\\sa120\\tx2000\\tqr\\tx8000\\f0\\fs24 Paragraph " + std::to_string(n) +
                 "\\tab with {\\b bold}, {\\i italic} and {\\cf2 red} words, an \\'e4 and a tab\\tab " +
                 std::to_string(n * 7) + ". Some more plain text follows to fill the line and wrap it once.\\par\r\n";
            if (n % 40 == 0) {
                for (int r = 0; r < 5; ++r)
                    s += "\\trowd\\trleft0\\clbrdrb\\brdrs\\brdrw10\\cellx3000\\clbrdrb\\brdrs\\cellx6000\\cellx9000"
                         "\\pard\\intbl cell a\\cell cell b\\cell cell c\\cell\\row\r\n";
            }
        }
        return s + "}";
    }();
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
