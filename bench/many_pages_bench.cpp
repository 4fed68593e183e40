// Documents of many short pages: N pages of one line ended by a page break,
// and N paragraphs that each carry a footnote, N doubling 4,000 .. 32,000.
// Each is read from RTF and laid out (BM_*Layout), then settled and
// exported to a PDF file (BM_*Export). Page flow, the settle pass and the
// export used to walk every area for every page or footnote; time_x is the
// factor against the run of half the pages. BM_FramesExport: N pages of
// text, each with a frame the text wraps around (N 1,000 .. 8,000); every
// character was tested against every frame of the document.
// BM_StackedFrames*: N frames (1,000 .. 8,000) stacked at a few places on
// the first page, and N paragraphs of text that run over many pages; the
// *Spread* variant sets the frames one below the other down the first
// page. Read, laid out and exported (one step each); the first pass after
// opening draws every body on the first page, where each character was
// tested against every frame of that page.
//
// Target: at most 2.2 times the time per doubling.

#include "engine/Childwin.h"
#include "formats/StandardServices.h"
#include "formats/rtf/Rtf.h"
#include "render/pdf/PDFExport.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

using namespace quillet;

namespace {

using Clock = std::chrono::steady_clock;

std::string pageBreaks(int64_t n)
{
    std::string rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\n";
    for (int64_t i = 0; i < n; ++i) rtf += "Page " + std::to_string(i) + "\\page\n";
    return rtf + "}";
}

std::string footnotes(int64_t n)
{
    std::string rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\n";
    for (int64_t i = 0; i < n; ++i)
        rtf += "Word " + std::to_string(i) + "{\\footnote Note " + std::to_string(i) + ".}\\par\n";
    return rtf + "}";
}

std::unique_ptr<TMDIChild> laidOut(FrameState& frame, const std::string& rtf)
{
    auto w = std::make_unique<TMDIChild>(frame);
    ReadRtfFile(*w, reinterpret_cast<const uint8_t*>(rtf.data()), rtf.size());
    w->CompleteRefresh();
    return w;
}

// Times `step` once per iteration and reports it against the run of half
// the size, kept per benchmark in `earlier`.
template <class Step>
void doubling(benchmark::State& state, std::map<int64_t, double>& earlier, Step step)
{
    double seconds = 0;
    for (auto _ : state) {
        const Clock::time_point t = Clock::now();
        step(state);
        seconds = std::chrono::duration<double>(Clock::now() - t).count();
        state.SetIterationTime(seconds);
    }
    const int64_t n = state.range(0);
    earlier[n] = seconds;
    if (const auto half = earlier.find(n / 2); half != earlier.end()) state.counters["time_x"] = seconds / half->second;
}

void layout(benchmark::State& state, std::map<int64_t, double>& earlier, const std::string& rtf)
{
    FrameState frame = StandardFrameState();
    doubling(state, earlier, [&](benchmark::State& s) {
        s.PauseTiming();
        auto w = std::make_unique<TMDIChild>(frame);
        s.ResumeTiming();
        ReadRtfFile(*w, reinterpret_cast<const uint8_t*>(rtf.data()), rtf.size());
        w->CompleteRefresh();
        s.counters["pages"] = w->GetAnzPages();
        s.PauseTiming();
        w.reset();
        s.ResumeTiming();
    });
}

void exported(benchmark::State& state, std::map<int64_t, double>& earlier, const std::string& rtf)
{
    FrameState frame = StandardFrameState();
    const std::unique_ptr<TMDIChild> w = laidOut(frame, rtf);
    const std::filesystem::path out =
        std::filesystem::temp_directory_path() / ("quillet-pages-bench-" + std::to_string(::getpid()) + ".pdf");
    doubling(state, earlier, [&](benchmark::State&) { benchmark::DoNotOptimize(SavePDFFile(*w, out)); });
    state.counters["pages"] = w->GetAnzPages();
    std::filesystem::remove(out);
}

void BM_PageBreaksLayout(benchmark::State& state)
{
    static std::map<int64_t, double> earlier;
    layout(state, earlier, pageBreaks(state.range(0)));
}

void BM_PageBreaksExport(benchmark::State& state)
{
    static std::map<int64_t, double> earlier;
    exported(state, earlier, pageBreaks(state.range(0)));
}

void BM_FootnotesLayout(benchmark::State& state)
{
    static std::map<int64_t, double> earlier;
    layout(state, earlier, footnotes(state.range(0)));
}

void BM_FootnotesExport(benchmark::State& state)
{
    static std::map<int64_t, double> earlier;
    exported(state, earlier, footnotes(state.range(0)));
}

// Pages of wrapping text, each with a frame of its own that the text flows
// around.
std::string framedText(int64_t pages)
{
    std::string rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\n";
    for (int64_t i = 0; i < pages; ++i) {
        for (int k = 0; k < 12; ++k)
            rtf += "Words that flow around the frame standing on this page, paragraph " + std::to_string(k) + ".\\par\n";
        rtf += "\\page\n";
    }
    return rtf + "}";
}

void BM_FramesExport(benchmark::State& state)
{
    static std::map<int64_t, double> earlier;
    FrameState frame = StandardFrameState();
    const std::string rtf = framedText(state.range(0));
    const std::unique_ptr<TMDIChild> w = laidOut(frame, rtf);
    for (int32_t page = 0; page < w->GetAnzPages(); ++page) {
        TextArea a;
        a.AreaType = atTextFrame;
        a.PageIndex = page;
        a.Left = 60;
        a.Top = 60;
        a.Right = 110;
        a.Bottom = 90;
        a.WrapText = 1;
        a.WrapDistanceX = a.WrapDistanceY = 2;
        InitNewLine(a.Lines, 0);
        w->Areas.push_back(std::move(a));
    }
    w->CompleteRefresh();
    const std::filesystem::path out =
        std::filesystem::temp_directory_path() / ("quillet-frames-bench-" + std::to_string(::getpid()) + ".pdf");
    doubling(state, earlier, [&](benchmark::State&) { benchmark::DoNotOptimize(SavePDFFile(*w, out)); });
    state.counters["pages"] = w->GetAnzPages();
    std::filesystem::remove(out);
}
BENCHMARK(BM_FramesExport)->Arg(1000)->Arg(2000)->Arg(4000)->Arg(8000)->Iterations(1)->UseManualTime()->Unit(
    benchmark::kMillisecond);

// N frames on the first page, anchored to it, before N paragraphs of text.
// Stacked: at a few places that overlap; spread: one below the other.
std::string framesOnOnePage(int64_t n, bool spread)
{
    std::string rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\n";
    for (int64_t i = 0; i < n; ++i) {
        const int64_t left = spread ? 1200 + (i % 3) * 3000 : 1200 + (i % 7) * 250;
        const int64_t top = spread ? 1000 + i * 13000 / n : 1500 + (i % 5) * 300;
        const int64_t right = left + (spread ? 1500 : 2200), bottom = top + (spread ? 400 : 1800);
        rtf += "{\\shp{\\*\\shpinst\\shpleft" + std::to_string(left) + "\\shptop" + std::to_string(top) +
               "\\shpright" + std::to_string(right) + "\\shpbottom" + std::to_string(bottom) +
               "\\shpwr2\\shpbypage\\shpbxpage{\\shptxt frame " + std::to_string(i) + "\\par}}}\n";
    }
    for (int64_t i = 0; i < n; ++i)
        rtf += "Paragraph " + std::to_string(i) + " of words that flow around the frames on the first page.\\par\n";
    return rtf + "}";
}

void onePage(benchmark::State& state, std::map<int64_t, double>& earlier, bool spread)
{
    const std::string rtf = framesOnOnePage(state.range(0), spread);
    FrameState frame = StandardFrameState();
    const std::filesystem::path out =
        std::filesystem::temp_directory_path() / ("quillet-stacked-bench-" + std::to_string(::getpid()) + ".pdf");
    doubling(state, earlier, [&](benchmark::State& s) {
        s.PauseTiming();
        auto w = std::make_unique<TMDIChild>(frame);
        s.ResumeTiming();
        ReadRtfFile(*w, reinterpret_cast<const uint8_t*>(rtf.data()), rtf.size());
        // As opening a file leaves it: the first pass draws every body.
        w->RefreshAfterPaint = 1;
        w->CompleteRefresh();
        benchmark::DoNotOptimize(SavePDFFile(*w, out));
        s.counters["pages"] = w->GetAnzPages();
        s.PauseTiming();
        w.reset();
        s.ResumeTiming();
    });
    std::filesystem::remove(out);
}

void BM_StackedFrames(benchmark::State& state)
{
    static std::map<int64_t, double> earlier;
    onePage(state, earlier, false);
}

void BM_SpreadFrames(benchmark::State& state)
{
    static std::map<int64_t, double> earlier;
    onePage(state, earlier, true);
}
BENCHMARK(BM_StackedFrames)->Arg(1000)->Arg(2000)->Arg(4000)->Arg(8000)->Iterations(1)->UseManualTime()->Unit(
    benchmark::kMillisecond);
BENCHMARK(BM_SpreadFrames)->Arg(1000)->Arg(2000)->Arg(4000)->Arg(8000)->Iterations(1)->UseManualTime()->Unit(
    benchmark::kMillisecond);

void doublings(benchmark::internal::Benchmark* b)
{
    for (int64_t n = 4000; n <= 32000; n *= 2) b->Arg(n);
    b->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_PageBreaksLayout)->Apply(doublings);
BENCHMARK(BM_PageBreaksExport)->Apply(doublings);
BENCHMARK(BM_FootnotesLayout)->Apply(doublings);
BENCHMARK(BM_FootnotesExport)->Apply(doublings);

} // namespace
