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
    // Letters of a pattern or of the start of one, packed into 16 bytes with
    // their number in the last byte (patterns looked up hold at most 11).
    struct Key {
        uint64_t lo = 0;
        uint64_t hi = 0;
        bool operator==(const Key&) const = default;
        // Letters are added one at a time (at < 15), and the number is set
        // last, as a word is read letter by letter.
        Key withLetter(size_t at, uint8_t letter) const;
        Key withLength(size_t n) const;
    };
    // A pattern's pairs: pairs_[first .. first + count).
    struct Span {
        uint32_t first = 0;
        uint32_t count = 0;
    };
    struct Entry {
        Key key;
        Span span;
    };
    void add(int group, std::string_view letters, const HyphenPair* pairs, size_t pairCount);
    // `hash` is hashOf the key's letters: the matcher asks the filters and
    // the table about the same key, and works it out once.
    const Entry* find(const Key& key, size_t hash) const;
    Entry& insert(const Key& key, size_t hash);
    // Makes room for `entries` without another rehash.
    void reserve(size_t entries);
    void sizeStarts(size_t patterns);
    void markStart(const Key& key);
    bool mayStart(size_t hash) const;
    void markWhole(size_t hash);
    bool mayBeWhole(size_t hash) const;

    // One open-addressed table of the patterns, and a filter of the letters
    // longer patterns start with (a bit set for every start of 2 letters or
    // more, shared by chance with other starts, never missing one). The
    // matcher follows a word from each position only while some longer
    // pattern may start with what it has read, seldom more than two or
    // three letters, instead of looking up every substring of every length.
    // Records with the same letters share one entry holding the pairs of
    // all of them: the matcher takes the maximum per gap anyway.
    // The entries in the order they came, and the open-addressed slots that
    // find them (entry index + 1; 0: free): the slots are small enough to
    // stay in the caches while a file loads.
    std::vector<Entry> entries_;
    std::vector<uint32_t> slots_;
    std::vector<uint64_t> starts_;
    // A filter of the same kind of the patterns' whole letters: most of the
    // substrings a word is read in are no pattern, and the filter says so
    // without a look into the table, which is too large for the caches.
    std::vector<uint64_t> whole_;
    std::vector<HyphenPair> pairs_;
    std::array<int32_t, kHyphenGroupCount + 1> counts_{};
    bool loaded_ = false;
};

// Frees a frame table that a document window loaded (program shutdown).
void FreeHyphenDataifUsed(HyphenPatternTable& table);

} // namespace quillet
