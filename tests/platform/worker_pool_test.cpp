#include "platform/WorkerPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace quillet;

namespace {

TEST(WorkerPoolTest, EveryTaskRunsOnceWhateverTheHelpers)
{
    const struct {
        size_t count;
        unsigned helpers;
    } cases[] = {{0, 3}, {1, 3}, {2, 0}, {7, 1}, {64, 3}, {1000, 7}, {5, 100}};
    for (int round = 0; round < 3; ++round)
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << c.count << " tasks, " << c.helpers << " helpers");
            std::vector<std::atomic<int>> calls(c.count);
            parallelFor(c.count, c.helpers, [&](size_t k) { ++calls[k]; });
            for (size_t k = 0; k < c.count; ++k) EXPECT_EQ(calls[k].load(), 1) << k;
        }
}

TEST(WorkerPoolTest, FailureIsThrownAfterTheOtherTasksAndNestedCallsRunInline)
{
    std::atomic<int> ran{0};
    EXPECT_THROW(parallelFor(50, 3,
                             [&](size_t k) {
                                 ++ran;
                                 if (k == 17) throw std::runtime_error("task 17");
                             }),
                 std::runtime_error);
    EXPECT_EQ(ran.load(), 50);

    // A task that shares out work of its own, and callers on two threads.
    std::atomic<int> inner{0};
    auto nested = [&] { parallelFor(8, 3, [&](size_t) { parallelFor(4, 3, [&](size_t) { ++inner; }); }); };
    std::thread other(nested);
    nested();
    other.join();
    EXPECT_EQ(inner.load(), 2 * 8 * 4);
}

} // namespace
