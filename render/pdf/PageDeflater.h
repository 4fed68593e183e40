#pragma once
// Compresses the content streams of PDF pages while later pages are still
// being drawn. Every page is deflated on its own with the same settings, so
// the bytes never depend on which thread did the work or in what order the
// pages finished; the writer takes them back in page order.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quillet {

// zlib format at the best compression, what /FlateDecode expects. False
// when zlib fails or the memory runs out; `packed` is then empty.
bool DeflateBest(const std::string& raw, std::string& packed);

class PageDeflater {
public:
    // workers 0 compresses each page at once on the caller's thread.
    explicit PageDeflater(int workers);
    ~PageDeflater();
    PageDeflater(const PageDeflater&) = delete;
    PageDeflater& operator=(const PageDeflater&) = delete;

    // Hands over the next page's uncompressed content.
    void add(std::string raw);
    size_t count() const { return pages_.size(); }
    // Waits for page `index`, compressing unclaimed pages meanwhile, and
    // moves its compressed bytes out; false when that page could not be
    // compressed.
    bool take(size_t index, std::string& packed);
    // Drops every page and stops the workers.
    void clear();

    // Workers worth starting on this machine for one export.
    static int DefaultWorkers();

private:
    struct Page {
        std::string raw, packed;
        bool done = false, ok = false;
    };
    void work();
    // Compresses the first unclaimed page; called and returns with the lock held.
    void compressClaimed(std::unique_lock<std::mutex>& lock);
    void stop();

    int workers_;
    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable wake_, finished_;
    // A deque keeps every page where it is while more are added.
    std::deque<Page> pages_;
    size_t next_ = 0;  // the first page no worker has taken
    bool stopping_ = false;
};

} // namespace quillet
