// The frame's reaction to the user on a 300-page document, offscreen:
// (1) opening each top-level menu, which runs its enabling pass
//     (target: under 5 ms per menu);
// (2) moving the caret into text of another format, which brings the
//     style, font and size boxes and the format buttons up to date
//     (target: under 2 ms).
// A run that misses its target prints the average beside the target.

#include "app/DocumentView.h"
#include "app/Main.h"
#include "bench/BenchDocuments.h"
#include "engine/Childwin.h"
#include "formats/NativeFormat.h"
#include "platform/MessageBox.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace quillet;

constexpr double kMenuTargetMs = 5;
constexpr double kCaretTargetMs = 2;

QApplication& app()
{
    static int argc = 1;
    static char arg0[] = "menu_bench";
    static char* argv[] = {arg0, nullptr};
    static QApplication* instance = [] {
        if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return new QApplication(argc, argv);
    }();
    return *instance;
}

struct QuietBoxes : MessageBoxes {
    MsgResult show(std::string_view text, std::string_view, MsgIcon, MsgButtons) override
    {
        std::fprintf(stderr, "message: %.*s\n", int(text.size()), text.data());
        return MsgResult::Cancel;
    }
};

// The frame with the long document open in its only window; the middle
// page's first words are bold 14 pt, the rest is the plain format.
struct OpenLongDocument {
    fs::path dir;
    QuietBoxes boxes;
    PrinterInfo noPrinter;
    std::unique_ptr<TMainForm> frame;
    TextPos plain, bold;
    int32_t pages = 0;

    OpenLongDocument()
    {
        app();
        dir = fs::temp_directory_path() / ("quillet-menu-bench-" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        const fs::path program = QUILLET_PROGRAM_DIR;
        for (const char* name : {"normal.qdm", "german.spe", "german0.hyp", "english.spe", "english0.hyp"})
            if (fs::exists(program / name)) fs::create_symlink(program / name, dir / name);
        setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
        setenv("XDG_STATE_HOME", (dir / "state").c_str(), 1);

        const fs::path file = dir / "long.qdt";
        {
            bench::LongDocument doc;
            TMDIChild& w = doc.w;
            CurrentFontState f = w.FontState;
            f.Style |= 1;
            f.Size = 14;
            const int32_t boldFont = w.GetNewFontIndex(FontEntryFromState(f));
            const TextPos m = doc.middle();
            auto& chars = w.Areas[size_t(m.Area)].Lines[size_t(m.Line)].Chars;
            for (size_t i = 0; i < chars.size() && i < 20; ++i) chars[i].setFontIndex(boldFont);
            const std::vector<uint8_t> bytes = writeNativeDocument(w);
            std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                       std::streamsize(bytes.size()));
        }
        TMainForm::StartOptions o;
        o.ProgDir = dir;
        o.RegisterFileType = false;
        o.Boxes = &boxes;
        o.Printer = &noPrinter;
        o.Arguments = {QString::fromStdString(file.string())};
        frame = std::make_unique<TMainForm>(std::move(o));
        frame->show();
        QElapsedTimer guard;
        guard.start();
        DocumentView* v = frame->activeView();
        while (v && !v->paintIdle() && guard.elapsed() < 20000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (TMDIChild* w = frame->ActiveMDIChild()) {
            for (const TextArea& a : w->Areas) pages += a.AreaType == atPageBody;
            // The window lays the file out again: find the bold words where they are now.
            for (int32_t a = 0; a < w->AreaCount() && !found; ++a)
                for (int32_t l = 0; l < w->Areas[size_t(a)].LineCount() && !found; ++l) {
                    const auto& c = w->Areas[size_t(a)].Lines[size_t(l)].Chars;
                    for (size_t i = 1; i < c.size() && !found; ++i)
                        if (c[i].FontIndex() != c[0].FontIndex()) {
                            // The caret takes the format of the character before it.
                            bold = TextPos{a, l, 1};
                            plain = TextPos{a, l, int32_t(i) + 1};
                            found = true;
                        }
                }
        }
    }
    bool found = false;
    ~OpenLongDocument()
    {
        if (frame)
            for (DocumentView* v : frame->documentViews()) v->child().SetFileChanged(false);
        frame.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

OpenLongDocument& longDocument()
{
    static OpenLongDocument* doc = new OpenLongDocument;
    return *doc;
}

QMenu* topMenu(TMainForm& frame, int64_t index)
{
    const QList<QAction*> tops = frame.menuBar()->actions();
    return index < tops.size() ? tops[int(index)]->menu() : nullptr;
}

void BM_OpenTopLevelMenu(benchmark::State& state)
{
    OpenLongDocument& d = longDocument();
    QMenu* menu = topMenu(*d.frame, state.range(0));
    if (!menu || !d.frame->ActiveMDIChild()) {
        state.SkipWithError("no such menu or no document");
        return;
    }
    state.SetLabel(menu->title().remove('&').toStdString());
    double totalMs = 0;
    for (auto _ : state) {
        const auto t = std::chrono::steady_clock::now();
        emit menu->aboutToShow();
        totalMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
    }
    state.counters["pages"] = d.pages;
    const double ms = totalMs / double(std::max<int64_t>(1, state.iterations()));
    if (ms > kMenuTargetMs)
        std::fprintf(stderr, "opening the menu \"%s\" took %.2f ms (target %.0f ms)\n",
                     menu->title().toStdString().c_str(), ms, kMenuTargetMs);
}
BENCHMARK(BM_OpenTopLevelMenu)->ArgName("menu")->DenseRange(0, 9)->Unit(benchmark::kMicrosecond);

void BM_CaretIntoOtherFormat(benchmark::State& state)
{
    OpenLongDocument& d = longDocument();
    TMDIChild* w = d.frame->ActiveMDIChild();
    if (!w || !d.found) {
        state.SkipWithError("no document, or no bold words in it");
        return;
    }
    // The boxes must follow the caret, or there is nothing to measure.
    QString shown[2];
    for (int i = 0; i < 2; ++i) {
        w->Cursor = w->Anchor = i ? d.plain : d.bold;
        w->OvertakeFont();
        shown[i] = d.frame->sizeBox()->currentText();
    }
    if (shown[0] == shown[1]) {
        state.SkipWithError("the size box does not follow the caret");
        return;
    }
    bool toBold = true;
    double totalMs = 0;
    for (auto _ : state) {
        const auto t = std::chrono::steady_clock::now();
        w->Cursor = w->Anchor = toBold ? d.bold : d.plain;
        w->OvertakeFont();
        totalMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
        toBold = !toBold;
    }
    state.counters["pages"] = d.pages;
    const double ms = totalMs / double(std::max<int64_t>(1, state.iterations()));
    if (ms > kCaretTargetMs)
        std::fprintf(stderr, "moving the caret into another format took %.2f ms (target %.0f ms)\n", ms,
                     kCaretTargetMs);
}
BENCHMARK(BM_CaretIntoOtherFormat)->Unit(benchmark::kMicrosecond);

} // namespace
