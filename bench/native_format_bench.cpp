// Writing and reading the native file of a long document: 300 pages of
// plain paragraphs (about a million characters) with a table page, as
// layout leaves them. Opening also measures every character again and lays
// the document out; that part belongs to the layout benchmarks, and the
// target for open plus layout is 500 ms.

#include "engine/Childwin.h"
#include "formats/NativeFormat.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

using namespace quillet;

namespace {

constexpr int kPages = 300;
constexpr int kLinesPerPage = 30;
constexpr int kCharsPerLine = 110;
constexpr int kLinesPerParagraph = 7;

void buildDocument(TMDIChild& w)
{
    static const std::string words =
        "Lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod tempor "
        "incididunt ut labore et dolore magna aliqua Ut enim ad minim veniam quis ";
    w.Fonts = {FontEntry{}};
    std::vector<TextArea> headers(w.Areas.begin() + 1, w.Areas.end());
    TextArea body = w.Areas[0];
    w.Areas.clear();
    size_t at = 0;
    int lineNo = 0;
    for (int page = 0; page < kPages; ++page) {
        TextArea a = body;
        a.PageIndex = page;
        a.PrevInFlow = page > 0 ? page - 1 : -1;
        a.NextInFlow = page + 1 < kPages ? page + 1 : -1;
        a.Lines.clear();
        a.Lines.resize(kLinesPerPage);
        for (int l = 0; l < kLinesPerPage; ++l, ++lineNo) {
            InitNewLine(a.Lines, l);
            TextLine& line = a.Lines[size_t(l)];
            line.EndKind = (lineNo + 1) % kLinesPerParagraph == 0 ? ekParagraph : ekSoft;
            if (page == 1) {
                // A page of three-cell rows.
                line.IsCell = 1;
                line.CellsPerRow = 3;
                line.CellIndex = l % 3;
                line.RowFirstRun = line.RowLastRun = 1;
                line.CellWidth = 1;
                SetStandardCellDesign(line.Design);
            }
            line.Chars.resize(kCharsPerLine);
            for (TextChar& ch : line.Chars) {
                ch.Code = static_cast<uint8_t>(words[at++ % words.size()]);
                ch.Width = 2.1;
                ch.Height = 4.2;
            }
        }
        w.Areas.push_back(std::move(a));
    }
    for (TextArea& h : headers) w.Areas.push_back(std::move(h));
    w.Cursor = w.Anchor = TextPos{0, 0, 0};
}

struct BenchWindow {
    FrameState frame;
    std::unique_ptr<TMDIChild> w = std::make_unique<TMDIChild>(frame);
    BenchWindow() { buildDocument(*w); }
};

void BM_WriteNative300Pages(benchmark::State& state)
{
    BenchWindow b;
    size_t bytes = 0;
    for (auto _ : state) {
        std::vector<uint8_t> file = writeNativeDocument(*b.w);
        bytes = file.size();
        benchmark::DoNotOptimize(file.data());
    }
    state.counters["file_MB"] = double(bytes) / (1024.0 * 1024.0);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}
BENCHMARK(BM_WriteNative300Pages)->Unit(benchmark::kMillisecond);

void BM_ReadNative300Pages(benchmark::State& state)
{
    BenchWindow b;
    const std::vector<uint8_t> file = writeNativeDocument(*b.w);
    for (auto _ : state) {
        NativeReadResult r = readNativeDocument(file);
        if (!r.ok) state.SkipWithError("the file did not read back");
        benchmark::DoNotOptimize(r.doc.Areas.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file.size()));
}
BENCHMARK(BM_ReadNative300Pages)->Unit(benchmark::kMillisecond);

// Read plus taking the document into a window, which measures every text
// character at the printer resolution.
void BM_ReadAndTakeNative300Pages(benchmark::State& state)
{
    BenchWindow b;
    const std::vector<uint8_t> file = writeNativeDocument(*b.w);
    FrameState frame;
    TMDIChild target(frame);
    for (auto _ : state) {
        NativeReadResult r = readNativeDocument(file);
        if (!r.ok) state.SkipWithError("the file did not read back");
        takeNativeDocument(target, std::move(r.doc));
        benchmark::DoNotOptimize(target.Areas.data());
    }
}
BENCHMARK(BM_ReadAndTakeNative300Pages)->Unit(benchmark::kMillisecond);

} // namespace
