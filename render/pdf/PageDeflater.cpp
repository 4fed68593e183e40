#include "render/pdf/PageDeflater.h"

#include <zlib.h>

#include <algorithm>
#include <new>
#include <system_error>

namespace quillet {

namespace {

// One compressor per thread, reset between pages rather than made afresh:
// a reset stream gives the same bytes as a new one, and the quarter
// megabyte of tables it holds is not allocated, cleared and handed back to
// the system for every page. The output goes to a buffer kept with it, so
// only the compressed bytes are copied out.
class Compressor {
public:
    Compressor() = default;
    ~Compressor()
    {
        if (ready_) deflateEnd(&z_);
    }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;

    bool deflateAll(const std::string& raw, std::string& packed)
    {
        // A stream that could not be made (no memory) is tried again next time.
        if (!ready_) ready_ = deflateInit(&z_, Z_BEST_COMPRESSION) == Z_OK;
        if (!ready_ || deflateReset(&z_) != Z_OK) return false;
        const size_t bound = deflateBound(&z_, uLong(raw.size()));
        if (bound > buffer_.size()) buffer_.resize(bound);
        z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.data()));
        z_.avail_in = uInt(raw.size());
        z_.next_out = reinterpret_cast<Bytef*>(buffer_.data());
        z_.avail_out = uInt(bound);
        // The bound holds the whole stream, so one call finishes it.
        if (deflate(&z_, Z_FINISH) != Z_STREAM_END) return false;
        packed.assign(buffer_.data(), z_.total_out);
        // One huge page would otherwise keep its buffer for the thread's life.
        if (buffer_.size() > kKeptBuffer) std::string().swap(buffer_);
        return true;
    }

private:
    static constexpr size_t kKeptBuffer = size_t(1) << 20;
    z_stream z_{};
    bool ready_ = false;
    std::string buffer_;
};

} // namespace

bool DeflateBest(const std::string& raw, std::string& packed)
{
    packed.clear();
    bool ok = false;
    try {
        thread_local Compressor compressor;
        ok = compressor.deflateAll(raw, packed);
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    if (!ok) std::string().swap(packed);
    return ok;
}

PageDeflater::PageDeflater(int workers, size_t maxWaiting)
    : workers_(std::max(0, workers)),
      maxWaiting_(maxWaiting > 0 ? maxWaiting : std::max<size_t>(2, 2 * size_t(workers_)))
{
}

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
        next_ = pages_.size();
        keepSpare(raw);
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
    // Every worker is busy and the queue is full: the caller's core is
    // better spent compressing than drawing more pages to wait. (Without
    // any thread the queue only fills, and this compresses as it goes.)
    std::unique_lock lock(mutex_);
    while (pages_.size() - next_ > maxWaiting_) compressClaimed(lock);
}

size_t PageDeflater::waiting()
{
    std::lock_guard lock(mutex_);
    return pages_.size() - next_;
}

void PageDeflater::work()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || next_ < pages_.size(); });
        if (stopping_) return;
        compressClaimed(lock);
    }
}

bool PageDeflater::take(size_t index, std::string& packed)
{
    packed.clear();
    if (index >= pages_.size()) return false;
    std::unique_lock lock(mutex_);
    Page& p = pages_[index];
    // Rather than wait idle, the caller compresses pages no worker has
    // reached yet (all of them when no worker could be started): the
    // pages are wanted in order, so the next unclaimed one is needed soon.
    while (!p.done) {
        if (next_ < pages_.size()) {
            compressClaimed(lock);
            continue;
        }
        finished_.wait(lock, [&p, this] { return p.done || next_ < pages_.size(); });
    }
    packed = std::move(p.packed);
    std::string().swap(p.packed);
    return p.ok;
}

bool PageDeflater::takeIfDone(size_t index, std::string& packed, bool& ok)
{
    packed.clear();
    ok = false;
    if (index >= pages_.size()) return false;
    std::lock_guard lock(mutex_);
    Page& p = pages_[index];
    if (!p.done) return false;
    packed = std::move(p.packed);
    std::string().swap(p.packed);
    ok = p.ok;
    return true;
}

void PageDeflater::compressClaimed(std::unique_lock<std::mutex>& lock)
{
    Page& p = pages_[next_++];
    std::string raw = std::move(p.raw);
    lock.unlock();
    std::string packed;
    const bool ok = DeflateBest(raw, packed);
    lock.lock();
    keepSpare(raw);
    p.packed = std::move(packed);
    p.ok = ok;
    p.done = true;
    finished_.notify_all();
}

void PageDeflater::keepSpare(std::string& raw)
{
    // As many as can be in use at once: the pages waiting, one per worker
    // and the one being drawn. The room of one huge page is not kept for
    // the rest of the document.
    constexpr size_t kKeptRoom = size_t(1) << 20;
    if (spare_.size() > maxWaiting_ + size_t(workers_) || raw.capacity() > kKeptRoom) return;
    raw.clear();
    try {
        spare_.push_back(std::move(raw));
    } catch (const std::bad_alloc&) {
        // Not kept: the next page makes its own.
    }
}

std::string PageDeflater::spareBuffer()
{
    std::lock_guard lock(mutex_);
    if (spare_.empty()) return {};
    std::string s = std::move(spare_.back());
    spare_.pop_back();
    return s;
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
    spare_.clear();
    next_ = 0;
}

} // namespace quillet
