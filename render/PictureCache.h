#pragma once
// Screens draw a large picture by sending it row by row at the size it is
// shown, and working out those rows means reading scattered pixels all over
// the picture. A repaint of the same picture at the same size needs the very
// same rows, so they are kept here after the first time.
//
// A picture is known by its pixel block (moving a picture keeps it, a copy
// gets its own), its dimensions, and a fingerprint of its pixels and colour
// table: a picture freed and another made at the same address is not taken
// for the old one. Pictures in a document are replaced, never edited in
// place; small pictures are fingerprinted whole, large ones by a spread of
// samples.

#include "platform/Dib.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace quillet {

// The rows a screen gets for one picture at one size, in drawing order:
// destination row r shows stored row RowOf[r], each of RowBytes bytes.
struct ScaledRows {
    int32_t Width = 0, Height = 0, Bits = 0;
    int32_t RowBytes = 0;
    std::vector<int32_t> RowOf;
    std::vector<uint8_t> Rows;
    const uint8_t* row(int32_t stored) const { return Rows.data() + size_t(stored) * size_t(RowBytes); }
    size_t bytes() const { return Rows.size() + RowOf.size() * sizeof(int32_t); }
};

// What names one picture shown at one size, and the part of it in view.
struct ScaledKey {
    const uint8_t* Block = nullptr;
    size_t BlockSize = 0;
    int32_t PicWidth = 0, PicHeight = 0, PicBits = 0, Stride = 0;
    uint64_t Fingerprint = 0;
    int32_t SourceX = 0, SourceTop = 0, SourceWidth = 0, SourceHeight = 0, Width = 0, Height = 0;
    // The part of the destination worked out (what the screen shows).
    int32_t FirstCol = 0, EndCol = 0, FirstRow = 0, EndRow = 0;
    friend bool operator==(const ScaledKey&, const ScaledKey&) = default;
};

// Pixels and colour table of a picture reduced to one number.
uint64_t PictureFingerprint(const Dib& pic);

class ScaledPictureCache {
public:
    // Kept rows never exceed this many bytes in all; a single picture
    // larger than a quarter of it is not kept.
    explicit ScaledPictureCache(size_t budgetBytes);
    std::shared_ptr<const ScaledRows> find(const ScaledKey& key);
    void keep(const ScaledKey& key, std::shared_ptr<const ScaledRows> rows);
    void clear();
    size_t count() const { return entries_.size(); }
    size_t bytes() const { return bytes_; }
    bool worthKeeping(size_t bytes) const { return bytes <= budget_ / 4; }

private:
    struct Entry {
        ScaledKey Key;
        std::shared_ptr<const ScaledRows> Rows;
    };
    std::mutex mutex_;
    size_t budget_;
    size_t bytes_ = 0;
    std::vector<Entry> entries_;  // most recently used last
};

// The process's cache for screen drawing (paint passes run on one thread at
// a time, but the cache locks anyway).
ScaledPictureCache& ScreenPictureCache();
void ClearScreenPictureCache();

} // namespace quillet
