// Start-up: from making the frame (German word list and user dictionary
// loaded, settings read, dialogs made) to the first painted empty document.
// Target: below 400 ms. Every run is split into the frame's creation, its
// first showing (the new document's window: template read and laid out) and
// the wait for the window's first paint pass; when the target is missed the
// split is printed.

#include "app/DocumentView.h"
#include "app/Main.h"
#include "engine/Childwin.h"
#include "language/WordList.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr double kTargetMs = 400;

QApplication& app()
{
    static int argc = 1;
    static char arg0[] = "startup_bench";
    static char* argv[] = {arg0, nullptr};
    static QApplication* instance = [] {
        if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return new QApplication(argc, argv);
    }();
    return *instance;
}

// A program folder of its own, so the benchmark's settings, placement and
// recovery bookkeeping stay out of the build's program folder.
struct ProgramFolder {
    fs::path dir;
    ProgramFolder()
    {
        dir = fs::temp_directory_path() / ("quillet-startup-bench-" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        const fs::path program = QUILLET_PROGRAM_DIR;
        for (const char* name : {"normal.qdm", "german.spe", "german0.hyp", "english.spe", "english0.hyp"})
            if (fs::exists(program / name)) fs::create_symlink(program / name, dir / name);
        std::ofstream user(dir / "user.spe", std::ios::binary);
        for (int i = 0; i < 200; ++i) user << "Benutzerwort" << i << "\r\n";
        setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
        setenv("XDG_STATE_HOME", (dir / "state").c_str(), 1);
    }
    ~ProgramFolder()
    {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

struct QuietBoxes : quillet::MessageBoxes {
    int shown = 0;
    quillet::MsgResult show(std::string_view text, std::string_view, quillet::MsgIcon,
                            quillet::MsgButtons) override
    {
        if (++shown == 1) std::fprintf(stderr, "message during start-up: %.*s\n", int(text.size()), text.data());
        return quillet::MsgResult::Ok;
    }
};

double msSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

void BM_StartupToFirstPaintedDocument(benchmark::State& state)
{
    app();
    ProgramFolder folder;
    QuietBoxes boxes;
    quillet::PrinterInfo noPrinter;
    double createMs = 0, showMs = 0, paintMs = 0, worstMs = 0;
    size_t germanWords = 0;

    for (auto _ : state) {
        quillet::TMainForm::StartOptions options;
        options.ProgDir = folder.dir;
        options.RegisterFileType = false;
        options.Boxes = &boxes;
        // Argument 1: the print system is asked, as the program does.
        options.Printer = state.range(0) ? nullptr : &noPrinter;

        const auto start = Clock::now();
        auto frame = std::make_unique<quillet::TMainForm>(std::move(options));
        const double created = msSince(start);
        frame->show();
        const double shown = msSince(start);
        quillet::DocumentView* view = frame->activeView();
        QElapsedTimer guard;
        guard.start();
        while (view && !view->child().ViewImage && guard.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        const double painted = msSince(start);
        state.SetIterationTime(painted / 1000);

        if (!view || !view->child().ViewImage) {
            state.SkipWithError("the new document was never painted");
            break;
        }
        germanWords = frame->State.WordListGerman ? frame->State.WordListGerman->size() : 0;
        createMs += created;
        showMs += shown - created;
        paintMs += painted - shown;
        worstMs = std::max(worstMs, painted);

        frame.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    const double n = double(state.iterations());
    if (n == 0) return;
    state.counters["create_ms"] = createMs / n;
    state.counters["show_ms"] = showMs / n;
    state.counters["paint_ms"] = paintMs / n;
    state.counters["worst_ms"] = worstMs;
    state.counters["german_words"] = double(germanWords);
    const double total = (createMs + showMs + paintMs) / n;
    if (total > kTargetMs) {
        std::fprintf(stderr,
                     "start-up took %.1f ms on average (target %.0f ms, worst %.1f ms): frame and word "
                     "lists %.1f ms, first window %.1f ms, first paint %.1f ms\n",
                     total, kTargetMs, worstMs, createMs / n, showMs / n, paintMs / n);
    }
}
BENCHMARK(BM_StartupToFirstPaintedDocument)
    ->ArgName("print_system")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

// The largest single piece of the frame's creation, for comparison.
void BM_GermanWordListLoad(benchmark::State& state)
{
    const fs::path file = fs::path(QUILLET_PROGRAM_DIR) / "german.spe";
    for (auto _ : state) {
        quillet::WordList list;
        quillet::OpenWordList(file, list);
        benchmark::DoNotOptimize(list.size());
    }
}
BENCHMARK(BM_GermanWordListLoad)->Unit(benchmark::kMillisecond);

} // namespace
