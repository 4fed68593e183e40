// Reserving large blocks (LargeBlock.h).

#include "platform/LargeBlock.h"

#include <sys/mman.h>

namespace quillet {

namespace {

// From this size on a block asks for huge pages.
constexpr size_t kHugePageAdviceBytes = size_t(4) << 20;
constexpr uintptr_t kHugePage = uintptr_t(2) << 20;

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

} // namespace quillet
