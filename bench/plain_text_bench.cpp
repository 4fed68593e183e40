// Opening plain text files: the cost must grow with the file, never faster.
//
// BM_OpenLineEnds opens files of nothing but line ends (CR LF), 1 MB to
// 64 MB, each twice the one before; from 16 MB on they hold more lines than
// the limit lets in and are refused (refused = 1). BM_InsertLineEnds is the
// reading part of the same without the layout that follows.
// BM_OpenLargestText opens the largest text the limit lets in: lines of
// words, as much as fits. Each reports the time of the whole open (read,
// build, lay out) and this thread's processor time for it (cpu_s, steadier
// on a busy machine), the most memory held at once while opening (peak_MB,
// counted at operator new, minus what was held before), what stays held
// (held_MB), peak_MB per byte of the file, and for the doubling runs each
// as a factor of the run of half the size (time_x, cpu_x, mem_x).
//
// Targets: at most 2.2 times the time and memory per doubling; the largest
// text opened in under 2 s and under 20 times its size in memory.

#include "engine/Childwin.h"
#include "engine/Settings.h"
#include "formats/PlainText.h"
#include "formats/StandardServices.h"
#include "platform/MessageBox.h"

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <system_error>

#include "CountingHeap.h"

// ---- The benchmarks ---------------------------------------------------------

using namespace quillet;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int64_t kMB = int64_t(1) << 20;

// Messages are counted instead of shown.
struct QuietBoxes : MessageBoxes {
    int shown = 0;
    MsgResult show(std::string_view, std::string_view, MsgIcon, MsgButtons) override
    {
        ++shown;
        return MsgResult::Ok;
    }
};

struct BenchFile {
    std::filesystem::path path;
    explicit BenchFile(const std::string& bytes)
    {
        path = std::filesystem::temp_directory_path() / ("quillet-text-bench-" + std::to_string(::getpid()) + ".txt");
        std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size()));
    }
    ~BenchFile()
    {
        std::error_code ec;
        std::filesystem::remove(path, ec);
    }
};

double threadCpuSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double peakRssMB()
{
    struct rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0;
}

struct OpenCost {
    double seconds = 0;
    double cpuSeconds = 0;  // this thread's, which a busy machine disturbs less
    double peakBytes = 0;
    double heldBytes = 0;
};

// Opens the file in a new window as the program makes one; the time and
// memory of the open alone.
OpenCost openOnce(benchmark::State& state, const std::filesystem::path& file)
{
    QuietBoxes boxes;
    setMessageBoxes(&boxes);
    FrameState frame = StandardFrameState();
    SetDefaultSettings(frame);
    frame.ProgDir = QUILLET_PROGRAM_DIR;
    auto w = std::make_unique<TMDIChild>(frame);
    w->FormCreate();

    OpenCost cost;
    const int64_t before = bench::heap::live.load();
    bench::heap::peak.store(before);
    const Clock::time_point t = Clock::now();
    const double cpu = threadCpuSeconds();
    const bool ok = w->OpenTXTFile(file.string(), false);
    cost.cpuSeconds = threadCpuSeconds() - cpu;
    cost.seconds = std::chrono::duration<double>(Clock::now() - t).count();
    cost.peakBytes = double(bench::heap::peak.load() - before);
    cost.heldBytes = double(bench::heap::live.load() - before);
    state.counters["pages"] = double(w->GetAnzPages());
    state.counters["refused"] = ok && boxes.shown == 0 ? 0 : 1;
    w.reset();
    setMessageBoxes(nullptr);
    return cost;
}

void report(benchmark::State& state, const OpenCost& c, size_t fileBytes)
{
    state.SetIterationTime(c.seconds);
    state.counters["cpu_s"] = c.cpuSeconds;
    state.counters["file_MB"] = double(fileBytes) / double(kMB);
    state.counters["peak_MB"] = c.peakBytes / double(kMB);
    state.counters["held_MB"] = c.heldBytes / double(kMB);
    state.counters["mem_per_byte"] = c.peakBytes / double(fileBytes);
    state.counters["max_rss_MB"] = peakRssMB();
}

void BM_OpenLineEnds(benchmark::State& state)
{
    static std::map<int64_t, OpenCost> earlier;
    const int64_t mb = state.range(0);
    std::string bytes;
    for (int64_t i = 0; i < mb * kMB / 2; ++i) bytes += "\r\n";
    const BenchFile file(bytes);
    const size_t size = bytes.size();
    bytes = std::string();

    OpenCost c;
    for (auto _ : state) {
        c = openOnce(state, file.path);
        report(state, c, size);
    }
    earlier[mb] = c;
    if (const auto half = earlier.find(mb / 2); half != earlier.end() && mb > 1) {
        state.counters["time_x"] = c.seconds / half->second.seconds;
        state.counters["cpu_x"] = c.cpuSeconds / half->second.cpuSeconds;
        state.counters["mem_x"] = c.peakBytes / half->second.peakBytes;
    }
}
BENCHMARK(BM_OpenLineEnds)->RangeMultiplier(2)->Range(1, 64)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// The text going into the window alone, without the layout that follows.
void BM_InsertLineEnds(benchmark::State& state)
{
    const int64_t mb = state.range(0);
    std::string bytes;
    for (int64_t i = 0; i < mb * kMB / 2; ++i) bytes += "\r\n";
    for (auto _ : state) {
        FrameState frame = StandardFrameState();
        SetDefaultSettings(frame);
        frame.ProgDir = QUILLET_PROGRAM_DIR;
        auto w = std::make_unique<TMDIChild>(frame);
        w->FormCreate();
        OpenCost c;
        const int64_t before = bench::heap::live.load();
        bench::heap::peak.store(before);
        const Clock::time_point t = Clock::now();
        const double cpu = threadCpuSeconds();
        insertText(*w, bytes, false);
        c.cpuSeconds = threadCpuSeconds() - cpu;
        c.seconds = std::chrono::duration<double>(Clock::now() - t).count();
        c.peakBytes = double(bench::heap::peak.load() - before);
        c.heldBytes = double(bench::heap::live.load() - before);
        report(state, c, bytes.size());
    }
}
BENCHMARK(BM_InsertLineEnds)->RangeMultiplier(2)->Range(1, 8)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// Lines of words 20 to 100 characters long, as ordinary prose, up to
// `limit` of the limit's count of characters and lines.
std::string proseText(size_t limit)
{
    std::string bytes;
    uint32_t seed = 4711;
    auto next = [&seed](uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    size_t units = 0;
    while (true) {
        const size_t len = 20 + next(81);
        if (units + len + kTextLineWeight > limit) break;
        for (size_t i = 0; i < len; ++i) bytes += next(6) == 0 ? ' ' : char('a' + next(26));
        bytes += "\r\n";
        units += len + kTextLineWeight;
    }
    return bytes;
}

void BM_OpenLargestText(benchmark::State& state)
{
    std::string bytes = proseText(kMaxTextFileChars);
    const BenchFile file(bytes);
    const size_t size = bytes.size();
    bytes = std::string();
    for (auto _ : state) report(state, openOnce(state, file.path), size);
}
BENCHMARK(BM_OpenLargestText)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// Characters typed (one, or 150 at once as a paste would put them, a line
// more that every later page passes on) on the middle page of an open text
// of about the given number of pages, and the layout pass that follows.
// Also reports the memory the pass held at its most (pass_peak_MB) and what
// the document holds after it (held_MB), both counted at operator new.
void BM_TypeInLargeText(benchmark::State& state)
{
    // About 2,360 characters of this prose fill a page.
    const BenchFile file(proseText(size_t(state.range(0)) * 2360));
    QuietBoxes boxes;
    setMessageBoxes(&boxes);
    FrameState frame = StandardFrameState();
    SetDefaultSettings(frame);
    frame.ProgDir = QUILLET_PROGRAM_DIR;
    const int64_t empty = bench::heap::live.load();
    auto w = std::make_unique<TMDIChild>(frame);
    w->FormCreate();
    w->OpenTXTFile(file.path.string(), false);
    const TextChar x = [&] {
        for (const TextArea& a : w->Areas)
            for (const TextLine& l : a.Lines)
                if (!l.Chars.empty()) return l.Chars.front();
        return TextChar{};
    }();
    // The first pass after the open sets the misspelt marks of every line
    // (the open's pass broke them all): a key press later costs less.
    w->MakeSoftEnters();
    int64_t passPeak = 0;
    TextPos start;  // the first character typed
    w->RegisterPosition(&start);
    for (auto _ : state) {
        state.PauseTiming();
        int32_t body = 0;
        const int32_t middle = w->GetAnzPages() / 2;
        for (int32_t a = 0, seen = 0; a < w->AreaCount(); ++a)
            if (w->Areas[size_t(a)].AreaType == atPageBody && seen++ == middle) body = a;
        state.ResumeTiming();
        TextArea& area = w->Areas[size_t(body)];
        const int32_t line = area.LineCount() / 2;
        TextLine& l = area.Lines[size_t(line)];
        const int32_t typed = int32_t(state.range(1));
        l.Chars.insert(l.Chars.begin(), size_t(typed), x);
        l.Dirty = 1;
        w->Cursor = w->Anchor = TextPos{body, line, typed};
        start = TextPos{body, line, 0};
        const int64_t before = bench::heap::live.load();
        bench::heap::peak.store(before);
        w->MakeSoftEnters();
        passPeak = std::max(passPeak, bench::heap::peak.load() - before);

        state.PauseTiming();
        // The characters go again, from where the first of them went.
        TextPos p = start;
        for (int32_t left = typed; left > 0;) {
            TextLine& m = w->Areas[size_t(p.Area)].Lines[size_t(p.Line)];
            const int32_t take = std::min(left, m.CharCount() - p.Char);
            m.Chars.erase(m.Chars.begin() + p.Char, m.Chars.begin() + p.Char + take);
            m.Dirty = 1;
            left -= take;
            p = TextPos{p.Area, p.Line + 1, 0};
            if (p.Line >= w->Areas[size_t(p.Area)].LineCount()) p = TextPos{w->Areas[size_t(p.Area)].NextInFlow, 0, 0};
        }
        w->Cursor = w->Anchor = start;
        w->MakeSoftEnters();
        state.ResumeTiming();
    }
    state.counters["pages"] = double(w->GetAnzPages());
    state.counters["pass_peak_MB"] = double(passPeak) / double(kMB);
    state.counters["held_MB"] = double(bench::heap::live.load() - empty) / double(kMB);
    w->UnregisterPosition(&start);
    w.reset();
    setMessageBoxes(nullptr);
}
BENCHMARK(BM_TypeInLargeText)
    ->Args({2000, 1})
    ->Args({14000, 1})
    ->Args({2000, 150})
    ->Args({14000, 150})
    ->Iterations(8)
    ->Unit(benchmark::kMillisecond);

} // namespace
