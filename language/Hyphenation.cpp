#include "language/Hyphenation.h"

#include "platform/ByteIO.h"
#include "platform/SafeFile.h"
#include "platform/Win1252.h"

#include <algorithm>
#include <cstring>
#include <span>

namespace quillet {

// ---- Pattern table ------------------------------------------------------

size_t HyphenPatternTable::KeyHash::operator()(const Key& k) const
{
    uint64_t h = k.lo * 0x9E3779B97F4A7C15ull;
    h ^= (k.hi + 0x632BE59BD9B4E019ull) * 0xC2B2AE3D27D4EB4Full;
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 32;
    return static_cast<size_t>(h);
}

HyphenPatternTable::Key HyphenPatternTable::pack(const uint8_t* letters, size_t n)
{
    uint8_t buf[16]{};
    std::memcpy(buf, letters, std::min<size_t>(n, sizeof buf));
    Key k;
    std::memcpy(&k.lo, buf, 8);
    std::memcpy(&k.hi, buf + 8, 8);
    return k;
}

void HyphenPatternTable::add(int group, std::string_view letters, const HyphenPair* pairs, size_t pairCount)
{
    // A pattern is only compared with substrings of its group's length, so
    // one whose letters have another length can never match.
    if (letters.size() != static_cast<size_t>(group)) return;
    ++counts_[static_cast<size_t>(group)];
    if (letters.size() < kHyphenMinMatch || letters.size() > kHyphenMaxMatch) return;

    const Key key = pack(reinterpret_cast<const uint8_t*>(letters.data()), letters.size());
    auto [it, fresh] = index_[letters.size()].try_emplace(key);
    Span& span = it->second;
    if (fresh) {
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
    const bool whole = loadRecords(bytes);
    buildTrie();
    return whole;
}

bool HyphenPatternTable::loadRecords(std::string_view bytes)
{
    ByteReader in(bytes);
    for (int k = 1; k <= kHyphenGroupCount; ++k) {
        const int32_t count = in.i32();
        if (!in) return false;
        // Room is made only for a count of kept records (k letters each)
        // that the rest of the data can hold. A larger count reserves
        // nothing: its records are still read until the data runs out, and
        // what came before stays. The check runs on a copy, as failing the
        // reader here would drop those records.
        if (count > 0 && static_cast<size_t>(k) <= kHyphenMaxMatch && static_cast<size_t>(k) >= kHyphenMinMatch) {
            ByteReader room = in;
            if (room.fits(count, 3 + static_cast<size_t>(k)))
                index_[static_cast<size_t>(k)].reserve(static_cast<size_t>(count));
        }
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

void HyphenPatternTable::buildTrie()
{
    struct Entry {
        uint8_t letters[16];
        uint8_t length;
        Span pattern;
    };
    std::vector<Entry> entries;
    for (size_t len = kHyphenMinMatch; len <= kHyphenMaxMatch; ++len)
        for (const auto& [key, span] : index_[len]) {
            Entry e{};
            std::memcpy(e.letters, &key.lo, 8);
            std::memcpy(e.letters + 8, &key.hi, 8);
            e.length = static_cast<uint8_t>(len);
            e.pattern = span;
            entries.push_back(e);
        }
    // In letter order, a prefix before the longer patterns it begins, so the
    // patterns below any node form one run and its children's runs follow
    // each other in letter order.
    std::sort(entries.begin(), entries.end(), [](const Entry& x, const Entry& y) {
        const int c = std::memcmp(x.letters, y.letters, std::min(x.length, y.length));
        return c != 0 ? c < 0 : x.length < y.length;
    });

    nodes_.assign(1, TrieNode{});
    edges_.clear();
    rootChild_.fill(0);
    struct Pending {
        uint32_t node;
        size_t from, to, depth;
    };
    std::vector<Pending> work{{0, 0, entries.size(), 0}};
    while (!work.empty()) {
        Pending p = work.back();
        work.pop_back();
        if (p.from < p.to && entries[p.from].length == p.depth) nodes_[p.node].pattern = entries[p.from++].pattern;
        nodes_[p.node].first = static_cast<uint32_t>(edges_.size());
        for (size_t i = p.from; i < p.to;) {
            const uint8_t letter = entries[i].letters[p.depth];
            size_t j = i + 1;
            while (j < p.to && entries[j].letters[p.depth] == letter) ++j;
            const auto node = static_cast<uint32_t>(nodes_.size());
            nodes_.emplace_back();
            edges_.push_back(TrieEdge{letter, node});
            work.push_back(Pending{node, i, j, p.depth + 1});
            i = j;
        }
        nodes_[p.node].count = static_cast<uint32_t>(edges_.size()) - nodes_[p.node].first;
    }
    for (uint32_t e = nodes_[0].first; e < nodes_[0].first + nodes_[0].count; ++e)
        rootChild_[edges_[e].letter] = edges_[e].node;
}

uint32_t HyphenPatternTable::child(uint32_t node, uint8_t letter) const
{
    if (node == 0) return rootChild_[letter];
    const TrieNode& n = nodes_[node];
    for (uint32_t e = n.first; e < n.first + n.count; ++e) {
        if (edges_[e].letter == letter) return edges_[e].node;
        if (edges_[e].letter > letter) break;
    }
    return 0;
}

void HyphenPatternTable::clear()
{
    for (auto& group : index_) group.clear();
    pairs_.clear();
    pairs_.shrink_to_fit();
    nodes_.clear();
    nodes_.shrink_to_fit();
    edges_.clear();
    edges_.shrink_to_fit();
    rootChild_.fill(0);
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

    if (nodes_.empty()) return values;
    for (size_t start = 0; start + kHyphenMinMatch <= s.size(); ++start) {
        const size_t longest = std::min(kHyphenMaxMatch, s.size() - start);
        uint32_t node = 0;
        for (size_t len = 1; len <= longest; ++len) {
            node = child(node, text[start + len - 1]);
            if (node == 0) break;
            const Span span = nodes_[node].pattern;
            for (const HyphenPair& p : std::span(pairs_).subspan(span.first, span.count)) {
                // Position p is the gap before the pattern's character p + 1;
                // the substring's first character is s[start], and values[g]
                // belongs to the gap before s[g + 1].
                const size_t gap = start + p.Position;
                if (gap == 0) continue;
                const size_t g = gap - 1;
                if (g <= word.size()) values[g] = std::max(values[g], p.Value);
            }
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
