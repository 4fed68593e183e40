#pragma once
// Hyphenation by digit patterns. Every substring of a word (with its edges
// marked by ".") that equals a stored pattern contributes values to the gaps
// between letters; a gap whose highest value is odd is a break point.
//
// A table holds one language's patterns, read from its ".hyp" file: 20 groups,
// group k holding the patterns of exactly k characters. Only substrings of 2
// to 11 characters are looked up, so only those groups are indexed; the rest
// are read and counted. The frame owns one table per language and every
// document window points at the table of its document's language.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quillet {

// Groups of a ".hyp" file (k = 1 .. 20).
inline constexpr int kHyphenGroupCount = 20;
// Letters a pattern keeps; the rest of a longer run is dropped on load.
inline constexpr size_t kHyphenMaxLetters = 20;
// Pairs a pattern record keeps; further pairs of a record are skipped.
inline constexpr size_t kHyphenMaxPairs = 10;
// Larger images are refused whole: the shipped tables are a few megabytes at
// most, and the table's pair index is 32-bit.
inline constexpr size_t kHyphenMaxFileBytes = size_t{64} << 20;
// Substring lengths the matcher looks up.
inline constexpr size_t kHyphenMinMatch = 2;
inline constexpr size_t kHyphenMaxMatch = 11;

struct HyphenPair {
    uint8_t Position = 0;   // gap before the pattern's character Position + 1
    uint8_t Value = 0;
};

class HyphenPatternTable {
public:
    // The loaded flag of the whole table: set after the first load attempt,
    // also when the file was missing (the language then has no breaks).
    bool loaded() const { return loaded_; }
    void markLoaded() { loaded_ = true; }

    // Adds the patterns of a ".hyp" image. Reading stops at the first record
    // that runs past the end; everything before it stays. False when the
    // image ended early or is larger than kHyphenMaxFileBytes (nothing read).
    bool load(std::string_view bytes);
    // Reads the file whole and loads it; false when it cannot be read
    // (missing, not a regular file, larger than kHyphenMaxFileBytes: such a
    // file is refused before a byte of it is read).
    bool loadFile(const std::filesystem::path& file);
    // Empties the table and clears the loaded flag.
    void clear();

    // Pattern records kept in group k (1 .. 20); records whose letters can
    // never equal a k-character substring are not kept.
    int32_t patternCount(int k) const;

    // values[g] for g = 0 .. word.size(): the highest value any matching
    // pattern gives the gap after the word's character g (0: before it).
    std::vector<uint8_t> gapValues(std::string_view word) const;
    // The word with "-" after every character whose gap value is odd (never
    // after the last one).
    std::string hyphenate(std::string_view word) const;

private:
    // Letters of one group, packed into 16 bytes (groups hold at most 11).
    struct Key {
        uint64_t lo = 0;
        uint64_t hi = 0;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        size_t operator()(const Key& k) const;
    };
    // A pattern's pairs: pairs_[first .. first + count).
    struct Span {
        uint32_t first = 0;
        uint32_t count = 0;
    };
    static Key pack(const uint8_t* letters, size_t n);
    void add(int group, std::string_view letters, const HyphenPair* pairs, size_t pairCount);
    bool loadRecords(std::string_view bytes);
    void buildTrie();

    // Records with the same letters share one entry holding the pairs of
    // all of them: the matcher takes the maximum per gap anyway.
    std::array<std::unordered_map<Key, Span, KeyHash>, kHyphenMaxMatch + 1> index_;
    std::vector<HyphenPair> pairs_;

    // The same entries as a letter tree, which the matcher walks: from each
    // start in the word it follows the letters as far as any pattern goes,
    // which is seldom more than two or three, where looking up every
    // substring of every length cost a hash lookup each. Rebuilt after
    // every load. Node 0 is the root; a node's children are
    // edges_[first .. first + count), sorted by letter.
    struct TrieNode {
        uint32_t first = 0;
        uint32_t count = 0;
        Span pattern;  // count 0: no pattern ends here
    };
    struct TrieEdge {
        uint8_t letter = 0;
        uint32_t node = 0;
    };
    uint32_t child(uint32_t node, uint8_t letter) const;
    std::vector<TrieNode> nodes_;
    std::vector<TrieEdge> edges_;
    std::array<uint32_t, 256> rootChild_{};  // 0: none
    std::array<int32_t, kHyphenGroupCount + 1> counts_{};
    bool loaded_ = false;
};

// Frees a frame table that a document window loaded (program shutdown).
void FreeHyphenDataifUsed(HyphenPatternTable& table);

} // namespace quillet
