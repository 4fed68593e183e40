#pragma once
// Large byte blocks that are filled once from start to end: a picture's
// pixels, a clipboard stream. Touching fresh memory for the first time costs
// a fault per small page, and on a block of tens of megabytes those faults
// cost more than the work that fills it.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quillet {

// Reserves room for `bytes` in `block` before anything touches it; from a
// few megabytes on, that room is backed by huge pages where the system
// offers them (elsewhere the advice is ignored and nothing changes).
void reserveLargeBlock(std::vector<uint8_t>& block, size_t bytes);
// The same advice for memory reserved some other way (a long array of
// records), before anything has touched it.
void adviseHugePages(const void* start, size_t bytes);

} // namespace quillet
