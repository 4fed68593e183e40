#include "render/pdf/PageDeflater.h"

#include <zlib.h>

#include <algorithm>
#include <new>
#include <system_error>

namespace quillet {

bool DeflateBest(const std::string& raw, std::string& packed)
{
    packed.clear();
    z_stream z{};
    if (deflateInit(&z, Z_BEST_COMPRESSION) != Z_OK) return false;
    bool ok = false;
    try {
        packed.resize(deflateBound(&z, uLong(raw.size())));
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.data()));
        z.avail_in = uInt(raw.size());
        z.next_out = reinterpret_cast<Bytef*>(packed.data());
        z.avail_out = uInt(packed.size());
        // The bound holds the whole stream, so one call finishes it.
        ok = deflate(&z, Z_FINISH) == Z_STREAM_END;
        packed.resize(ok ? z.total_out : 0);
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    deflateEnd(&z);
    if (!ok) std::string().swap(packed);
    return ok;
}

PageDeflater::PageDeflater(int workers) : workers_(std::max(0, workers)) {}

PageDeflater::~PageDeflater() { stop(); }

int PageDeflater::DefaultWorkers()
{
    // The drawing thread keeps one core busy; more than a handful of
    // workers only wait for it.
    const unsigned cores = std::thread::hardware_concurrency();
    return int(std::clamp<unsigned>(cores > 1 ? cores - 1 : 0, 0, 7));
}

void PageDeflater::add(std::string raw)
{
    if (workers_ == 0) {
        Page& p = pages_.emplace_back();
        p.ok = DeflateBest(raw, p.packed);
        p.done = true;
        return;
    }
    {
        std::lock_guard lock(mutex_);
        pages_.emplace_back().raw = std::move(raw);
    }
    // Threads start with the first page, so a canvas that never exports costs nothing.
    if (threads_.empty()) {
        try {
            for (int i = 0; i < workers_; ++i) threads_.emplace_back([this] { work(); });
        } catch (const std::system_error&) {
            // No threads to be had: what started works on, and take() does the rest.
        }
    }
    wake_.notify_one();
}

void PageDeflater::work()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || next_ < pages_.size(); });
        if (stopping_) return;
        Page& p = pages_[next_++];
        std::string raw = std::move(p.raw);
        lock.unlock();
        std::string packed;
        const bool ok = DeflateBest(raw, packed);
        std::string().swap(raw);
        lock.lock();
        p.packed = std::move(packed);
        p.ok = ok;
        p.done = true;
        finished_.notify_all();
    }
}

bool PageDeflater::take(size_t index, std::string& packed)
{
    packed.clear();
    if (index >= pages_.size()) return false;
    std::unique_lock lock(mutex_);
    Page& p = pages_[index];
    // A page no worker has reached (none could be started) is done here.
    if (!p.done && index >= next_ && threads_.empty()) {
        p.ok = DeflateBest(p.raw, p.packed);
        std::string().swap(p.raw);
        p.done = true;
    }
    finished_.wait(lock, [&p] { return p.done; });
    packed = std::move(p.packed);
    std::string().swap(p.packed);
    return p.ok;
}

void PageDeflater::stop()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_) t.join();
    threads_.clear();
    stopping_ = false;
}

void PageDeflater::clear()
{
    stop();
    pages_.clear();
    next_ = 0;
}

} // namespace quillet
