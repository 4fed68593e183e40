// Printing the shared 300-page document through Qt's print support to a
// PDF file, as the print button does (settle, one page after another on
// the printer canvas, end of job). Target: under 3 s.

#include "BenchDocuments.h"

#include "platform/qt/QtPrinter.h"
#include "render/ImageCanvas.h"
#include "render/Printing.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <system_error>

using namespace quillet;

namespace {

void BM_PrintToPdfThroughQt(benchmark::State& state)
{
    static int argc = 1;
    static char arg0[] = "bench";
    static char* argv[] = {arg0, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* app = new QApplication(argc, argv);
    (void)app;

    static bench::LongDocument* doc = [] {
        auto* d = new bench::LongDocument();
        ImageCanvas scratch(10, 10, 96);
        d->w.SettleLayout(scratch);
        return d;
    }();
    const std::filesystem::path out = std::filesystem::temp_directory_path() / "quillet_bench_print.pdf";
    for (auto _ : state) {
        QtPrinter printer(out);
        if (FastPrinting(doc->w, printer) != PrintResult::Printed) {
            state.SkipWithError("the document was not printed");
            break;
        }
    }
    std::error_code ec;
    state.counters["pages"] = doc->w.GetAnzPages();
    state.counters["pdf_KB"] = double(std::filesystem::file_size(out, ec)) / 1024.0;
    std::filesystem::remove(out, ec);
}
BENCHMARK(BM_PrintToPdfThroughQt)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
