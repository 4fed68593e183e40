// Reserving large blocks (LargeBlock.h).

#include "platform/LargeBlock.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace quillet {

namespace {

// From this size on a block asks for huge pages.
constexpr size_t kHugePageAdviceBytes = size_t(4) << 20;
constexpr uintptr_t kHugePage = uintptr_t(2) << 20;

constexpr const char* kTunables = "GLIBC_TUNABLES";
constexpr const char* kHugeHeap = "glibc.malloc.hugetlb=1";
// Set before the restart, so that a restart that does not take the setting
// (a C library that ignores it) cannot loop.
constexpr const char* kRestarted = "QUILLET_HEAP_RESTARTED";

// Whether the system gives huge pages to memory that asks for them.
bool systemOffersHugePages()
{
    std::ifstream in("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string mode;
    std::getline(in, mode);
    return mode.find("[always]") != std::string::npos || mode.find("[madvise]") != std::string::npos;
}

} // namespace

void reserveLargeBlock(std::vector<uint8_t>& block, size_t bytes)
{
    block.reserve(bytes);
    adviseHugePages(block.data(), bytes);
}

void adviseHugePages(const void* at, size_t bytes)
{
    if (!at || bytes < kHugePageAdviceBytes) return;
    // Only whole huge pages inside the block can take the advice.
    const auto start = reinterpret_cast<uintptr_t>(at);
    const uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t last = (start + bytes) & ~(kHugePage - 1);
    if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

void populateLargeBlock(const void* at, size_t bytes)
{
#ifdef MADV_POPULATE_WRITE
    if (!at || !bytes) return;
    const uintptr_t page = uintptr_t(::sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<uintptr_t>(at);
    const uintptr_t first = start & ~(page - 1);
    const uintptr_t end = (start + bytes + page - 1) & ~(page - 1);
    ::madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE);
#else
    (void)at;
    (void)bytes;
#endif
}

void useHugePageHeap(char** argv)
{
    if (!argv || !argv[0] || std::getenv(kRestarted)) return;
    const char* tunables = std::getenv(kTunables);
    if (tunables && std::strstr(tunables, "glibc.malloc.hugetlb")) return;
    if (!systemOffersHugePages()) return;
    std::string value = tunables && *tunables ? std::string(tunables) + ":" + kHugeHeap : std::string(kHugeHeap);
    if (::setenv(kRestarted, "1", 1) != 0 || ::setenv(kTunables, value.c_str(), 1) != 0) return;
    // The program's own file by its name: the system names the process
    // after the file it starts, and "exe" would stand in every process list.
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) ::execv(self.c_str(), argv);
    // Still here: the program goes on with the heap it has. Children it
    // starts need not inherit a setting this process does not run with.
    if (tunables) ::setenv(kTunables, tunables, 1);
    else ::unsetenv(kTunables);
}

} // namespace quillet
