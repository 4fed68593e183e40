#pragma once
// A few threads started once and kept for the life of the program, to share
// out work that takes milliseconds: starting a thread costs a good part of
// a millisecond on a busy machine, each time.

#include <cstddef>
#include <functional>

namespace quillet {

// Calls task(k) once for every k in [0, count): on the calling thread and on
// up to `helpers` threads of the pool, each taking the next k not taken yet.
// Returns once every call has returned, and throws again the first failure.
// The calling thread never waits for a helper to start: if the machine is
// too busy to run one, the caller does the tasks itself, so cut the work
// into more tasks than threads. A task must not call parallelFor again.
void parallelFor(size_t count, unsigned helpers, const std::function<void(size_t)>& task);

// The helpers the pool has (started on first use); 0 where the system
// gives no threads.
unsigned poolHelpers();

} // namespace quillet
