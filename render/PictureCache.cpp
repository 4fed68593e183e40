#include "render/PictureCache.h"

#include <algorithm>
#include <cstring>

namespace quillet {

namespace {

constexpr uint64_t kFnvOffset = 14695981039346656037ull;
constexpr uint64_t kFnvPrime = 1099511628211ull;

void mix(uint64_t& h, const uint8_t* p, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        h ^= p[i];
        h *= kFnvPrime;
    }
}

void mixWord(uint64_t& h, uint64_t v)
{
    h ^= v;
    h *= kFnvPrime;
    h ^= h >> 29;
}

// Up to this many bytes a picture is fingerprinted whole.
constexpr size_t kWholeFingerprintBytes = size_t(1) << 16;
// Larger ones: this many rows, this many stretches of bytes in each.
constexpr int32_t kSampleRows = 512;
constexpr int32_t kSamplesPerRow = 16;
constexpr size_t kSampleBytes = 8;

} // namespace

uint64_t PictureFingerprint(const Dib& pic)
{
    uint64_t h = kFnvOffset;
    mix(h, reinterpret_cast<const uint8_t*>(pic.ColorTable.data()), pic.ColorTable.size() * sizeof(RgbQuad));
    if (!dibUsable(pic)) return h;
    const size_t stride = size_t(pic.BytesPerRow);
    const int32_t rows = dibheight(pic);
    const size_t used = stride * size_t(rows);
    if (used <= kWholeFingerprintBytes) {
        mix(h, pic.Bits.data(), used);
        return h;
    }
    // A spread of rows (the first and last among them) and of places in each.
    const int32_t sampled = std::min(rows, kSampleRows);
    for (int32_t k = 0; k < sampled; ++k) {
        const int32_t r = sampled == 1 ? 0 : int32_t(int64_t(rows - 1) * k / (sampled - 1));
        const uint8_t* row = pic.row(r);
        const size_t span = std::min(kSampleBytes, stride);
        for (int32_t s = 0; s < kSamplesPerRow; ++s) {
            const size_t at = (stride - span) * size_t(s) / size_t(kSamplesPerRow - 1);
            uint64_t v = 0;
            std::memcpy(&v, row + at, span);
            mixWord(h, v);
        }
    }
    return h;
}

ScaledPictureCache::ScaledPictureCache(size_t budgetBytes) : budget_(budgetBytes) {}

std::shared_ptr<const ScaledRows> ScaledPictureCache::find(const ScaledKey& key)
{
    std::lock_guard lock(mutex_);
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (!(entries_[i].Key == key)) continue;
        // Most recently used last: the first entries are the first to go.
        std::rotate(entries_.begin() + std::ptrdiff_t(i), entries_.begin() + std::ptrdiff_t(i) + 1, entries_.end());
        return entries_.back().Rows;
    }
    return nullptr;
}

void ScaledPictureCache::keep(const ScaledKey& key, std::shared_ptr<const ScaledRows> rows)
{
    if (!rows || !worthKeeping(rows->bytes())) return;
    std::lock_guard lock(mutex_);
    // The same picture at another size replaces its older rows: a picture
    // being resized would otherwise fill the cache with every size it passed.
    for (size_t i = 0; i < entries_.size();) {
        const ScaledKey& k = entries_[i].Key;
        if (k.Block == key.Block || k == key) {
            bytes_ -= entries_[i].Rows->bytes();
            entries_.erase(entries_.begin() + std::ptrdiff_t(i));
        } else {
            ++i;
        }
    }
    bytes_ += rows->bytes();
    entries_.push_back(Entry{key, std::move(rows)});
    while (bytes_ > budget_ && !entries_.empty()) {
        bytes_ -= entries_.front().Rows->bytes();
        entries_.erase(entries_.begin());
    }
}

void ScaledPictureCache::clear()
{
    std::lock_guard lock(mutex_);
    entries_.clear();
    bytes_ = 0;
}

ScaledPictureCache& ScreenPictureCache()
{
    // Enough for a few pages of photographs shown at screen size.
    static ScaledPictureCache cache(size_t(96) << 20);
    return cache;
}

void ClearScreenPictureCache() { ScreenPictureCache().clear(); }

} // namespace quillet
