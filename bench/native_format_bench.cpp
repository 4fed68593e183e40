// Opening and saving the native file of a long document: some 300 pages of
// paragraphs (about a million characters) in a window made as the program
// makes it (template, word list, options).
//
// Targets: opening a 300-page document, read and fully laid out, under
// 500 ms; saving it under 100 ms. The open and save benchmarks time each
// step as well, so a missed target shows where the time went.

#include "engine/Childwin.h"
#include "formats/NativeFormat.h"
#include "formats/StandardServices.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

using namespace quillet;

namespace {

constexpr size_t kTargetChars = 1030000;
constexpr double kOpenTargetMs = 500;
constexpr double kSaveTargetMs = 100;

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

struct Window {
    FrameState frame = StandardFrameState();
    std::unique_ptr<TMDIChild> w;
    Window()
    {
        frame.ProgDir = QUILLET_PROGRAM_DIR;
        w = std::make_unique<TMDIChild>(frame);
        w->FormCreate();
    }
};

// Paragraphs of 40..160 words of 2..10 letters from a fixed seed, typed
// into a new document and laid out.
void buildDocument(TMDIChild& w)
{
    TextChar sample = w.Areas[0].Lines.empty() || w.Areas[0].Lines[0].Chars.empty()
                          ? TextChar{}
                          : w.Areas[0].Lines[0].Chars[0];
    sample.setFontIndex(w.GetNewFontIndex(FontEntryFromState(w.FontState)));
    std::vector<TextChar> measured(256, sample);
    for (int code = 32; code < 127; ++code) {
        TextChar& c = measured[size_t(code)];
        c.Kind = ckText;
        c.Code = uint8_t(code);
        const char text = char(code);
        w.RenderChar(c, false, std::string_view(&text, 1));
    }

    uint32_t seed = 4711;
    auto next = [&seed](uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    std::vector<TextLine>& lines = w.Areas[0].Lines;
    lines.clear();
    size_t chars = 0;
    while (chars < kTargetChars) {
        lines.emplace_back();
        InitNewLine(lines, int32_t(lines.size()) - 1);
        TextLine& l = lines.back();
        l.EndKind = ekParagraph;
        l.Para.edit().LineSpacing = 1.25;
        const uint32_t count = 40 + next(121);
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t len = 2 + next(9);
            for (uint32_t k = 0; k < len; ++k) l.Chars.push_back(measured[size_t('a' + next(26))]);
            if (i + 1 < count) l.Chars.push_back(measured[' ']);
        }
        chars += l.Chars.size();
    }
    w.Cursor = w.Anchor = TextPos{0, 0, 0};
    w.CompleteRefresh();
}

// A folder of its own for the files the benchmarks write.
struct BenchFolder {
    std::filesystem::path dir;
    BenchFolder()
    {
        dir = std::filesystem::temp_directory_path() / ("quillet-native-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
    }
    ~BenchFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

// The laid-out document and its file, made once.
struct Fixture {
    BenchFolder folder;
    Window source;
    std::filesystem::path file;
    std::vector<uint8_t> bytes;
    int32_t pages = 0;

    Fixture()
    {
        buildDocument(*source.w);
        pages = source.w->GetAnzPages();
        file = folder.dir / "long.qdt";
        bytes = writeNativeDocument(*source.w);
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    std::streamsize(bytes.size()));
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void describe(benchmark::State& state, const Fixture& f)
{
    state.counters["pages"] = f.pages;
    state.counters["file_MB"] = double(f.bytes.size()) / (1024.0 * 1024.0);
}

benchmark::Counter perIteration(double ms)
{
    return benchmark::Counter(ms, benchmark::Counter::kAvgIterations);
}

void labelIfMissed(benchmark::State& state, double totalMs, double targetMs)
{
    const double mean = state.iterations() ? totalMs / double(state.iterations()) : 0;
    if (mean > targetMs)
        state.SetLabel("MISSED target " + std::to_string(int(targetMs)) + " ms; see the *_ms counters");
}

// What opening a file does, step by step: the file read whole, parsed,
// taken into the window (text characters measured again), the page setup
// applied, the document laid out.
void BM_OpenAndLayOut300Pages(benchmark::State& state)
{
    Fixture& f = fixture();
    Window target;
    double readMs = 0, parseMs = 0, takeMs = 0, pageSetupMs = 0, layoutMs = 0;
    for (auto _ : state) {
        auto t = Clock::now();
        std::ifstream in(f.file, std::ios::binary);
        std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        readMs += msSince(t);

        t = Clock::now();
        NativeReadResult r = readNativeDocument(bytes);
        parseMs += msSince(t);
        if (!r.ok) {
            state.SkipWithError("the file did not read back");
            break;
        }

        t = Clock::now();
        takeNativeDocument(*target.w, std::move(r.doc));
        takeMs += msSince(t);

        t = Clock::now();
        target.w->PageSetup(0);
        pageSetupMs += msSince(t);

        t = Clock::now();
        target.w->CompleteRefresh();
        layoutMs += msSince(t);
        benchmark::DoNotOptimize(target.w->Areas.data());
    }
    describe(state, f);
    state.counters["read_ms"] = perIteration(readMs);
    state.counters["parse_ms"] = perIteration(parseMs);
    state.counters["take_measure_ms"] = perIteration(takeMs);
    state.counters["pagesetup0_ms"] = perIteration(pageSetupMs);
    state.counters["layout_ms"] = perIteration(layoutMs);
    // Whether layout marked misspelt words as it went.
    state.counters["spelling"] = target.frame.Options.SpellWhileTyping && target.w->CurrentWordList ? 1 : 0;
    labelIfMissed(state, readMs + parseMs + takeMs + pageSetupMs + layoutMs, kOpenTargetMs);
}
BENCHMARK(BM_OpenAndLayOut300Pages)->Unit(benchmark::kMillisecond)->MinTime(2);

// The window's open command as the frame calls it.
void BM_OpenQDTFile300Pages(benchmark::State& state)
{
    Fixture& f = fixture();
    Window target;
    target.frame.KeepName = 1;
    for (auto _ : state) {
        if (!target.w->OpenQDTFile(f.file.string())) {
            state.SkipWithError("the file did not open");
            break;
        }
        benchmark::DoNotOptimize(target.w->Areas.data());
    }
    describe(state, f);
    state.counters["pages_open"] = target.w->GetAnzPages();
}
BENCHMARK(BM_OpenQDTFile300Pages)->Unit(benchmark::kMillisecond)->MinTime(2);

// The window's save command: the file image, then a temporary file written,
// flushed to disk and renamed over the target.
void BM_Save300Pages(benchmark::State& state)
{
    Fixture& f = fixture();
    const std::string path = (f.folder.dir / "saved.qdt").string();
    f.source.frame.KeepName = 1;
    double encodeMs = 0, totalMs = 0;
    for (auto _ : state) {
        // Made once more outside the save, to split its time from the file's.
        auto t = Clock::now();
        std::vector<uint8_t> image = writeNativeDocument(*f.source.w);
        encodeMs += msSince(t);
        benchmark::DoNotOptimize(image.data());
        image = {};

        t = Clock::now();
        if (!f.source.w->SaveQDTFile(path)) {
            state.SkipWithError("the file was not saved");
            break;
        }
        const double ms = msSince(t);
        totalMs += ms;
        state.SetIterationTime(ms / 1000);
    }
    f.source.frame.KeepName = 0;
    describe(state, f);
    state.counters["encode_ms"] = perIteration(encodeMs);
    state.counters["file_ms"] = perIteration(totalMs - encodeMs);
    labelIfMissed(state, totalMs, kSaveTargetMs);
}
BENCHMARK(BM_Save300Pages)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(1);

void BM_WriteNative300Pages(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        std::vector<uint8_t> file = writeNativeDocument(*f.source.w);
        benchmark::DoNotOptimize(file.data());
    }
    describe(state, f);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.bytes.size()));
}
BENCHMARK(BM_WriteNative300Pages)->Unit(benchmark::kMillisecond);

void BM_ReadNative300Pages(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        NativeReadResult r = readNativeDocument(f.bytes);
        if (!r.ok) state.SkipWithError("the file did not read back");
        benchmark::DoNotOptimize(r.doc.Areas.data());
    }
    describe(state, f);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.bytes.size()));
}
BENCHMARK(BM_ReadNative300Pages)->Unit(benchmark::kMillisecond);

} // namespace
