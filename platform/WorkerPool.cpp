// A pool of threads kept for the life of the program (WorkerPool.h).

#include "platform/WorkerPool.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace quillet {

namespace {

// Past eight threads the work this pool is for (reading and writing memory
// already in place) goes no faster.
constexpr unsigned kMaxPoolThreads = 8;

// One call of parallelFor. Shared, so that a helper that wakes only after
// the caller has returned still finds it, and then finds nothing left.
struct Job {
    const std::function<void(size_t)>* Task = nullptr;
    size_t Count = 0;
    std::atomic<size_t> Next{0};
    std::atomic<size_t> Done{0};
    std::atomic<int> Seats{0};
    std::mutex FailureLock;
    std::exception_ptr Failure;

    void work()
    {
        for (;;) {
            const size_t k = Next.fetch_add(1);
            if (k >= Count) return;
            try {
                (*Task)(k);
            } catch (...) {
                std::lock_guard<std::mutex> lock(FailureLock);
                if (!Failure) Failure = std::current_exception();
            }
            if (Done.fetch_add(1) + 1 == Count) Done.notify_all();
        }
    }
};

class Pool {
public:
    Pool()
    {
        const unsigned wanted = std::min(std::max(std::thread::hardware_concurrency(), 1u), kMaxPoolThreads) - 1;
        for (unsigned i = 0; i < wanted; ++i) {
            try {
                Threads.emplace_back([this] { loop(); });
            } catch (const std::system_error&) {
                break;  // the pool makes do with the threads it got
            }
        }
    }

    ~Pool()
    {
        {
            std::lock_guard<std::mutex> lock(Lock);
            Stopping = true;
        }
        Wake.notify_all();
        for (std::thread& t : Threads) t.join();
    }

    unsigned helpers() const { return unsigned(Threads.size()); }

    void run(size_t count, unsigned helpers, const std::function<void(size_t)>& task)
    {
        // One job at a time: a second caller, or a task calling again, does
        // its work alone rather than wait for the pool.
        std::unique_lock<std::mutex> busy(Busy, std::try_to_lock);
        helpers = std::min<unsigned>(helpers, this->helpers());
        if (!busy.owns_lock() || helpers == 0 || count < 2) {
            for (size_t k = 0; k < count; ++k) task(k);
            return;
        }
        auto job = std::make_shared<Job>();
        job->Task = &task;
        job->Count = count;
        job->Seats = int(helpers);
        {
            std::lock_guard<std::mutex> lock(Lock);
            Current = job;
            ++Generation;
        }
        Wake.notify_all();
        job->work();
        // Only tasks a helper has taken are waited for.
        for (size_t done = job->Done.load(); done < count; done = job->Done.load()) job->Done.wait(done);
        {
            std::lock_guard<std::mutex> lock(Lock);
            Current.reset();
        }
        if (job->Failure) std::rethrow_exception(job->Failure);
    }

private:
    void loop()
    {
        uint64_t seen = 0;
        for (;;) {
            std::shared_ptr<Job> job;
            {
                std::unique_lock<std::mutex> lock(Lock);
                Wake.wait(lock, [&] { return Stopping || Generation != seen; });
                if (Stopping) return;
                seen = Generation;
                job = Current;
            }
            if (job && job->Seats.fetch_sub(1) > 0) job->work();
        }
    }

    std::mutex Busy;
    std::mutex Lock;
    std::condition_variable Wake;
    std::shared_ptr<Job> Current;
    uint64_t Generation = 0;
    bool Stopping = false;
    std::vector<std::thread> Threads;
};

Pool& pool()
{
    static Pool p;
    return p;
}

} // namespace

void parallelFor(size_t count, unsigned helpers, const std::function<void(size_t)>& task)
{
    if (helpers == 0 || count < 2) {
        for (size_t k = 0; k < count; ++k) task(k);
        return;
    }
    pool().run(count, helpers, task);
}

unsigned poolHelpers()
{
    return pool().helpers();
}

} // namespace quillet
