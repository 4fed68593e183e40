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
    // workers 0 compresses each page at once on the caller's thread. At
    // most `maxWaiting` pages wait uncompressed for a worker (0: twice the
    // workers, and at least two).
    explicit PageDeflater(int workers, size_t maxWaiting = 0);
    ~PageDeflater();
    PageDeflater(const PageDeflater&) = delete;
    PageDeflater& operator=(const PageDeflater&) = delete;

    // Hands over the next page's uncompressed content. When the drawing
    // runs ahead of the workers, the caller compresses waiting pages
    // itself: pages drawn faster than they are compressed would otherwise
    // pile up, each holding its whole uncompressed content.
    void add(std::string raw);
    size_t count() const { return pages_.size(); }
    // Pages handed over that no worker has started on.
    size_t waiting();
    // Waits for page `index`, compressing unclaimed pages meanwhile, and
    // moves its compressed bytes out; false when that page could not be
    // compressed.
    bool take(size_t index, std::string& packed);
    // The same without waiting: false when page `index` is not compressed
    // yet; otherwise its bytes are moved out and `ok` says whether the page
    // could be compressed.
    bool takeIfDone(size_t index, std::string& packed, bool& ok);
    // A buffer for the next page's content, with the room of a page already
    // compressed when there is one: pages are much alike, and a fresh
    // buffer for each would be fresh memory for each.
    std::string spareBuffer();
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
    // Keeps a compressed page's content buffer for a later page; called with the lock held.
    void keepSpare(std::string& raw);

    int workers_;
    size_t maxWaiting_;
    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable wake_, finished_;
    // A deque keeps every page where it is while more are added.
    std::deque<Page> pages_;
    size_t next_ = 0;  // the first page no worker has taken
    std::vector<std::string> spare_;
    bool stopping_ = false;
};

} // namespace quillet
