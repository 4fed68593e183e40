// Exporting the shared 300-page document as PDF: the pages drawn onto the
// writer in memory, and the whole export to a file (settle, draw, write).

#include "BenchDocuments.h"

#include "render/ImageCanvas.h"
#include "render/pdf/PDFExport.h"

#include <benchmark/benchmark.h>

#include <filesystem>

using namespace quillet;

namespace {

bench::LongDocument& settledDocument()
{
    static bench::LongDocument* doc = [] {
        auto* d = new bench::LongDocument();
        ImageCanvas scratch(10, 10, 96);
        d->w.SettleLayout(scratch);
        return d;
    }();
    return *doc;
}

// The pages drawn and written with `workers` compression threads (-1: as
// many as the writer picks for this machine).
void pagesInMemory(benchmark::State& state, int workers)
{
    bench::LongDocument& d = settledDocument();
    const int32_t pages = d.w.GetAnzPages();
    size_t bytes = 0;
    for (auto _ : state) {
        TPDFCanvas pdf;
        if (workers >= 0) pdf.SetCompressionWorkers(workers);
        pdf.BeginDocInMemory();
        for (int32_t i = 0; i < pages; ++i) {
            if (i) pdf.NewPage();
            DrawPagesPDF(d.w, pdf, i);
        }
        pdf.EndDoc();
        bytes = pdf.Bytes().size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["pages"] = pages;
    state.counters["bytes"] = double(bytes);
}

// Target: under 300 ms.
void BM_PdfPagesInMemory(benchmark::State& state) { pagesInMemory(state, -1); }
BENCHMARK(BM_PdfPagesInMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every page compressed on the drawing thread: what the workers save.
void BM_PdfPagesInMemoryOneThread(benchmark::State& state) { pagesInMemory(state, 0); }
BENCHMARK(BM_PdfPagesInMemoryOneThread)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SavePDFFile(benchmark::State& state)
{
    bench::LongDocument& d = settledDocument();
    const std::filesystem::path out = std::filesystem::temp_directory_path() / "quillet_bench_export.pdf";
    for (auto _ : state) benchmark::DoNotOptimize(SavePDFFile(d.w, out));
    std::filesystem::remove(out);
    state.counters["pages"] = d.w.GetAnzPages();
}
BENCHMARK(BM_SavePDFFile)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
