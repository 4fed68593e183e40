// The whole program converting a file to PDF: the built quillet-inspect
// run as a child process with --pdf (start, open, lay out, export, exit) on
// a long RTF file, a long Word file and the 300-page native document.
// Wall time is what the benchmark reports; the child's peak memory and
// processor time are counters.
//
// Targets: RTF under 0.3 s and 100 MB, Word under 0.4 s and 100 MB, the
// 300-page document under 0.6 s and 120 MB.

#include "BenchDocuments.h"
#include "BenchFiles.h"

#include "platform/SafeFile.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

extern char** environ;

namespace {

using namespace quillet;
namespace fs = std::filesystem;

const fs::path kDataDir = QUILLET_BENCH_DATA_DIR;
const char* const kInputs[] = {"long.rtf", "long.doc", "long300.qdt"};

// The inputs are made in a child process: a child's peak memory counts the
// memory of the process it was started from, so this one stays small.
bool makeInputs()
{
    static const bool made = [] {
        std::error_code ec;
        fs::create_directories(kDataDir, ec);
        const pid_t pid = fork();
        if (pid < 0) return false;
        if (pid == 0) {
            bool ok = ReplaceFileContents(kDataDir / kInputs[0], bench::makeLongRtf());
            ok = ok && ReplaceFileContents(kDataDir / kInputs[1], bench::makeLongWordFile());
            bench::LongDocument d;
            ok = ok && d.w.SaveQDTFile((kDataDir / kInputs[2]).string());
            _exit(ok ? 0 : 1);
        }
        int status = 0;
        return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }();
    return made;
}

struct ChildRun {
    bool ok = false;
    double seconds = 0, cpuSeconds = 0, peakMB = 0;
};

ChildRun runInspect(const fs::path& input, const fs::path& pdf)
{
    const std::string tool = QUILLET_INSPECT_PATH, in = input.string(), out = pdf.string();
    std::vector<char*> argv = {const_cast<char*>(tool.c_str()), const_cast<char*>("--pdf"),
                               const_cast<char*>(out.c_str()), const_cast<char*>(in.c_str()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    ChildRun r;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return r;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return r;
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    r.peakMB = double(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
    r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return r;
}

void BM_InspectPdf(benchmark::State& state)
{
    if (!makeInputs()) {
        state.SkipWithError("the input files could not be made");
        return;
    }
    const fs::path input = kDataDir / kInputs[state.range(0)];
    const fs::path pdf = kDataDir / (input.stem().string() + input.extension().string().substr(1) + ".pdf");
    double peak = 0, cpu = 0;
    for (auto _ : state) {
        const ChildRun r = runInspect(input, pdf);
        if (!r.ok) {
            state.SkipWithError("quillet-inspect failed");
            return;
        }
        state.SetIterationTime(r.seconds);
        peak = std::max(peak, r.peakMB);
        cpu += r.cpuSeconds;
    }
    state.counters["peak_MB"] = peak;
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1000, benchmark::Counter::kAvgIterations);
    std::error_code ec;
    state.counters["input_KB"] = double(fs::file_size(input, ec)) / 1024.0;
    state.counters["pdf_KB"] = double(fs::file_size(pdf, ec)) / 1024.0;
    state.SetLabel(input.filename().string());
}
BENCHMARK(BM_InspectPdf)->Arg(0)->Arg(1)->Arg(2)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
