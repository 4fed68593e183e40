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
// Maps in the pages of [start, start + bytes) of a reserved block now, as
// writing them would, so that several threads can each take a share of the
// faults of one fresh block. Does nothing where the system cannot.
void populateLargeBlock(const void* start, size_t bytes);

// Called first thing in a program's main: restarts the program once with the
// C library told to back its whole heap with huge pages, where the system
// offers them. A document is a great many small records, so advice on single
// blocks cannot reach them, and on a machine where each fresh small page
// costs a fault, those faults are most of the time of opening a file. Returns
// without restarting when the heap already has the setting, the system has
// no huge pages, or the restart fails (the program then runs as before).
void useHugePageHeap(char** argv);

} // namespace quillet
