#include "language/Hyphenation.h"

#include "platform/ByteIO.h"
#include "platform/SafeFile.h"
#include "platform/Win1252.h"

#include <algorithm>
#include <cstring>
#include <span>

namespace quillet {

// ---- Pattern table ------------------------------------------------------

namespace {

size_t hashOf(uint64_t lo, uint64_t hi)
{
    uint64_t h = lo * 0x9E3779B97F4A7C15ull;
    h ^= (hi + 0x632BE59BD9B4E019ull) * 0xC2B2AE3D27D4EB4Full;
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 32;
    return static_cast<size_t>(h);
}

// The records of the groups the matcher looks up that the image holds,
// read as far as the data goes.
size_t lookedUpRecords(std::string_view bytes)
{
    ByteReader in(bytes);
    size_t records = 0;
    for (int k = 1; k <= kHyphenGroupCount && in; ++k) {
        const int32_t count = in.i32();
        for (int32_t n = 0; n < count && in; ++n) {
            in.skip(in.u8());
            in.skip(2 * size_t{in.u16()});
            if (in && static_cast<size_t>(k) >= kHyphenMinMatch && static_cast<size_t>(k) <= kHyphenMaxMatch) ++records;
        }
    }
    return records;
}

} // namespace

HyphenPatternTable::Key HyphenPatternTable::Key::withLetter(size_t at, uint8_t letter) const
{
    Key k = *this;
    const uint64_t byte = uint64_t(letter) << (8 * (at % 8));
    if (at < 8) k.lo |= byte;
    else k.hi |= byte;
    return k;
}

HyphenPatternTable::Key HyphenPatternTable::Key::withLength(size_t n) const
{
    Key k = *this;
    k.hi = (k.hi & ~(uint64_t(0xFF) << 56)) | uint64_t(n) << 56;
    return k;
}

const HyphenPatternTable::Entry* HyphenPatternTable::find(const Key& key, size_t hash) const
{
    if (slots_.empty()) return nullptr;
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        if (slots_[i] == 0) return nullptr;
        const Entry& e = entries_[slots_[i] - 1];
        if (e.key == key) return &e;
    }
}

void HyphenPatternTable::reserve(size_t entries)
{
    // At most half full, so probes stay short and always end at a free slot.
    size_t size = 64;
    while (size < entries * 2) size *= 2;
    entries_.reserve(entries);
    if (size <= slots_.size()) return;
    slots_.assign(size, 0);
    const size_t mask = size - 1;
    for (size_t e = 0; e < entries_.size(); ++e) {
        size_t i = hashOf(entries_[e].key.lo, entries_[e].key.hi) & mask;
        while (slots_[i] != 0) i = (i + 1) & mask;
        slots_[i] = static_cast<uint32_t>(e + 1);
    }
}

namespace {

// Grows a filter to `words` words. The bits of a smaller filter do not say
// where they go in a larger one: every bit set stands for all its positions.
void growFilter(std::vector<uint64_t>& filter, size_t words)
{
    if (words <= filter.size()) return;
    std::vector<uint64_t> old = std::move(filter);
    filter.assign(words, 0);
    if (!old.empty())
        for (size_t w = 0; w < words; ++w) filter[w] = old[w % old.size()];
}

// A filter's bit for a hash, from other bits of it for each filter.
size_t startBitOf(size_t hash, size_t bits) { return (hash >> 20) & (bits - 1); }
size_t wholeBitOf(size_t hash, size_t bits) { return hash & (bits - 1); }

bool bitSet(const std::vector<uint64_t>& filter, size_t bit) { return (filter[bit / 64] >> (bit % 64)) & 1; }
void setBit(std::vector<uint64_t>& filter, size_t bit) { filter[bit / 64] |= uint64_t(1) << (bit % 64); }

} // namespace

void HyphenPatternTable::sizeStarts(size_t patterns)
{
    // About 16 bits a pattern keeps false hits of the filter to a few in a
    // hundred; a table loaded twice keeps what the first load marked.
    size_t words = 64;
    while (words * 64 < patterns * 16 && words < (size_t(1) << 22)) words *= 2;
    growFilter(starts_, words);
    growFilter(whole_, words);
}

void HyphenPatternTable::markStart(const Key& key)
{
    if (starts_.empty()) sizeStarts(64);
    setBit(starts_, startBitOf(hashOf(key.lo, key.hi), starts_.size() * 64));
}

bool HyphenPatternTable::mayStart(size_t hash) const
{
    return !starts_.empty() && bitSet(starts_, startBitOf(hash, starts_.size() * 64));
}

void HyphenPatternTable::markWhole(size_t hash)
{
    if (whole_.empty()) sizeStarts(64);
    setBit(whole_, wholeBitOf(hash, whole_.size() * 64));
}

bool HyphenPatternTable::mayBeWhole(size_t hash) const
{
    return !whole_.empty() && bitSet(whole_, wholeBitOf(hash, whole_.size() * 64));
}

HyphenPatternTable::Entry& HyphenPatternTable::insert(const Key& key, size_t hash)
{
    if ((entries_.size() + 1) * 2 > slots_.size()) reserve(std::max<size_t>(entries_.size() + 1, slots_.size()));
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        if (slots_[i] == 0) {
            entries_.push_back(Entry{key, Span{}});
            slots_[i] = static_cast<uint32_t>(entries_.size());
            return entries_.back();
        }
        Entry& e = entries_[slots_[i] - 1];
        if (e.key == key) return e;
    }
}

void HyphenPatternTable::add(int group, std::string_view letters, const HyphenPair* pairs, size_t pairCount)
{
    // A pattern is only compared with substrings of its group's length, so
    // one whose letters have another length can never match.
    if (letters.size() != static_cast<size_t>(group)) return;
    ++counts_[static_cast<size_t>(group)];
    if (letters.size() < kHyphenMinMatch || letters.size() > kHyphenMaxMatch) return;

    const auto* text = reinterpret_cast<const uint8_t*>(letters.data());
    Key letters8;
    for (size_t n = 0; n < letters.size(); ++n) {
        letters8 = letters8.withLetter(n, text[n]);
        if (n + 1 >= kHyphenMinMatch && n + 1 < letters.size()) markStart(letters8.withLength(n + 1));
    }
    const Key whole = letters8.withLength(letters.size());
    const size_t hash = hashOf(whole.lo, whole.hi);
    markWhole(hash);
    Span& span = insert(whole, hash).span;
    if (span.count == 0) {
        span.first = static_cast<uint32_t>(pairs_.size());
        pairs_.insert(pairs_.end(), pairs, pairs + pairCount);
        span.count = static_cast<uint32_t>(pairCount);
        return;
    }

    // Another record with the same letters: raise the values of positions
    // the entry has and add the others. Positions are bytes, so an entry
    // never holds more than 256 pairs however often its letters repeat.
    HyphenPair extra[kHyphenMaxPairs];
    size_t extraCount = 0;
    for (size_t i = 0; i < pairCount; ++i) {
        const HyphenPair& p = pairs[i];
        HyphenPair* found = nullptr;
        for (uint32_t j = 0; j < span.count && !found; ++j)
            if (pairs_[span.first + j].Position == p.Position) found = &pairs_[span.first + j];
        for (size_t j = 0; j < extraCount && !found; ++j)
            if (extra[j].Position == p.Position) found = &extra[j];
        if (found) found->Value = std::max(found->Value, p.Value);
        else if (extraCount < kHyphenMaxPairs) extra[extraCount++] = p;
    }
    if (extraCount == 0) return;
    // The entry's pairs must stay together: unless it is the last one, it
    // moves to the end first.
    if (size_t{span.first} + span.count != pairs_.size()) {
        const uint32_t moved = static_cast<uint32_t>(pairs_.size());
        for (uint32_t j = 0; j < span.count; ++j) pairs_.push_back(pairs_[span.first + j]);
        span.first = moved;
    }
    pairs_.insert(pairs_.end(), extra, extra + extraCount);
    span.count += static_cast<uint32_t>(extraCount);
}

bool HyphenPatternTable::load(std::string_view bytes)
{
    if (bytes.size() > kHyphenMaxFileBytes) return false;
    // Room for the records the data really holds (a count larger than the
    // data reserves nothing more), and about as many starts of patterns, so
    // the table is not grown again and again.
    const size_t records = lookedUpRecords(bytes);
    reserve(entries_.size() + records);
    sizeStarts(entries_.size() + records);
    ByteReader in(bytes);
    for (int k = 1; k <= kHyphenGroupCount; ++k) {
        const int32_t count = in.i32();
        if (!in) return false;
        for (int32_t n = 0; n < count; ++n) {
            const uint8_t length = in.u8();
            std::string letters = in.str(length);
            const uint16_t pairCount = in.u16();
            HyphenPair pairs[kHyphenMaxPairs];
            const size_t kept = std::min<size_t>(pairCount, kHyphenMaxPairs);
            for (size_t i = 0; i < kept; ++i) {
                pairs[i].Position = in.u8();
                pairs[i].Value = in.u8();
            }
            in.skip(2 * (size_t{pairCount} - kept));
            if (!in) return false;
            if (letters.size() > kHyphenMaxLetters) letters.resize(kHyphenMaxLetters);
            add(k, letters, pairs, kept);
        }
    }
    return true;
}

bool HyphenPatternTable::loadFile(const std::filesystem::path& file)
{
    std::string bytes;
    if (!ReadWholeFile(file, kHyphenMaxFileBytes, bytes)) return false;
    load(bytes);
    return true;
}

void HyphenPatternTable::clear()
{
    slots_.clear();
    slots_.shrink_to_fit();
    entries_.clear();
    entries_.shrink_to_fit();
    starts_.clear();
    starts_.shrink_to_fit();
    whole_.clear();
    whole_.shrink_to_fit();
    pairs_.clear();
    pairs_.shrink_to_fit();
    counts_.fill(0);
    loaded_ = false;
}

int32_t HyphenPatternTable::patternCount(int k) const
{
    if (k < 1 || k > kHyphenGroupCount) return 0;
    return counts_[static_cast<size_t>(k)];
}

std::vector<uint8_t> HyphenPatternTable::gapValues(std::string_view word) const
{
    std::vector<uint8_t> values(word.size() + 1, 0);
    std::string s;
    s.reserve(word.size() + 2);
    s.push_back('.');
    for (char c : word) s.push_back(static_cast<char>(asciiLower(static_cast<uint8_t>(c))));
    s.push_back('.');
    const auto* text = reinterpret_cast<const uint8_t*>(s.data());

    for (size_t start = 0; start + kHyphenMinMatch <= s.size(); ++start) {
        const size_t longest = std::min(kHyphenMaxMatch, s.size() - start);
        Key read = Key{}.withLetter(0, text[start]);
        for (size_t len = kHyphenMinMatch; len <= longest; ++len) {
            read = read.withLetter(len - 1, text[start + len - 1]);
            const Key key = read.withLength(len);
            const size_t hash = hashOf(key.lo, key.hi);
            const Entry* entry = mayBeWhole(hash) ? find(key, hash) : nullptr;
            const Span span = entry ? entry->span : Span{};
            for (const HyphenPair& p : std::span(pairs_).subspan(span.first, span.count)) {
                // Position p is the gap before the pattern's character p + 1;
                // the substring's first character is s[start], and values[g]
                // belongs to the gap before s[g + 1].
                const size_t gap = start + p.Position;
                if (gap == 0) continue;
                const size_t g = gap - 1;
                if (g <= word.size()) values[g] = std::max(values[g], p.Value);
            }
            // Nothing longer can match once no longer pattern starts so.
            if (!mayStart(hash)) break;
        }
    }
    return values;
}

std::string HyphenPatternTable::hyphenate(std::string_view word) const
{
    std::string result;
    if (word.empty()) return result;
    const std::vector<uint8_t> values = gapValues(word);
    result.reserve(word.size() + word.size() / 2);
    for (size_t p = 1; p <= word.size(); ++p) {
        result.push_back(word[p - 1]);
        if (p < word.size() && (values[p] & 1)) result.push_back('-');
    }
    return result;
}

void FreeHyphenDataifUsed(HyphenPatternTable& table)
{
    if (table.loaded()) table.clear();
}

} // namespace quillet
