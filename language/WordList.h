#pragma once
// Word lists of the spelling check, and the plain string lists of the frame
// (user dictionary, ignore list) that share the same container.
//
// A language's word list is ordered by its ASCII-uppercased text compared as
// unsigned bytes; entries may share one key (Weg, weg). The uppercased keys
// are cached beside the words because lookups are many: layout looks up every
// word of each line whose spelling marks it sets. A string list (user
// dictionary, ignore list) keeps the order its words were added in and is
// never searched by key.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// Longest word the ".spe" format holds (the reader's previous-word buffer).
inline constexpr size_t kSpeMaxWordLength = 50;
// Larger files are refused unread: the shipped lists are under 2 MB and a
// user dictionary is typed in by hand. A word costs the list some 64 bytes
// however short its record, so the cap is also what bounds the memory a
// file can claim.
inline constexpr uint64_t kSpeMaxFileBytes = uint64_t{64} << 20;
inline constexpr uint64_t kUserDictMaxFileBytes = uint64_t{64} << 20;

class WordList {
public:
    // Names the list's contents: every change draws a new number from one
    // counter shared by all lists, so equal numbers mean equal contents (a
    // copy keeps its source's). Layout remembers per line which contents
    // its spelling marks were set against.
    uint64_t revision() const { return revision_.value; }

    size_t size() const { return words_.size(); }
    bool empty() const { return words_.empty(); }
    const std::string& word(size_t i) const { return words_[i]; }
    // The ASCII-uppercased form of word(i).
    const std::string& key(size_t i) const { return keys_[i]; }
    const std::vector<std::string>& words() const { return words_; }

    void reserve(size_t n);
    // Appends without regard to the order (file loading, string lists).
    void append(std::string word);
    // Inserts at a position the caller has chosen (0..size()).
    void insertAt(size_t index, std::string word);
    // Replaces the whole contents (the user dictionary dialog's OK).
    void assign(std::vector<std::string> words);
    void clear();
    // Removes the entries at the given indices, highest first, so earlier
    // indices stay valid while removing; indices outside the list are ignored.
    void eraseIndices(std::vector<size_t> indices);

    // Index of the first entry whose key is not less than the uppercased word,
    // and one past the last entry with an equal key (binary search; the list
    // must be sorted).
    size_t lowerBound(std::string_view word) const;
    size_t upperBound(std::string_view word) const;

    // Reorders the entries by key; entries with equal keys keep their order.
    void sortByKey();

private:
    struct Revision {
        static uint64_t next()
        {
            static std::atomic<uint64_t> counter{1};
            return ++counter;
        }
        uint64_t value = next();
        Revision() = default;
        Revision(const Revision&) = default;
        Revision& operator=(const Revision&) = default;
        // A list moved from is left with other contents.
        Revision(Revision&& o) noexcept : value(o.value) { o.value = next(); }
        Revision& operator=(Revision&& o) noexcept
        {
            value = o.value;
            o.value = next();
            return *this;
        }
    };

    std::vector<std::string> words_;
    std::vector<std::string> keys_;
    Revision revision_;
};

// -1, 0, 1 as key compares with the ASCII-uppercased form of `word`.
int compareKey(std::string_view key, std::string_view word);

// ---- ".spe" files -------------------------------------------------------
// Appends the words of a front-coded ".spe" image. Records that the format
// cannot describe are skipped (a shared prefix longer than the previous word,
// a word longer than kSpeMaxWordLength, an empty word); reading stops at a
// truncated record. Returns the number of words appended.
size_t appendSpeWords(std::string_view bytes, WordList& list);
// Appends every word of the file; a file that cannot be read (missing, not a
// regular file, larger than kSpeMaxFileBytes) leaves the list as it is,
// silently. False when the file could not be read.
bool OpenWordList(const std::filesystem::path& file, WordList& list);

// ---- User dictionary ("user.spe", one word a line) ------------------------
// Appends the lines of an image (LF or CRLF, empty lines dropped) and
// returns how many. Any bytes are words; only the line ends are special.
size_t appendUserDictWords(std::string_view bytes, WordList& list);
// The file image of a list: every word followed by CRLF. Reading it back
// gives the same words as long as none is empty or holds a line feed.
std::string userDictImage(const WordList& list);
// Appends the lines of the file; a file that cannot be read (missing, not a
// regular file, larger than kUserDictMaxFileBytes) leaves the list
// unchanged. False when the file could not be read.
bool LoadUserDict(const std::filesystem::path& file, WordList& list);
// Writes userDictImage through a temporary file in the same folder that is
// flushed to disk before it replaces the old file, so a crash leaves either
// dictionary whole. A failure is reported with a message box and returns
// false.
bool SaveUserDict(const std::filesystem::path& file, const WordList& list);

// ---- Operations on a sorted word list -----------------------------------
// Inserts the word at its key position unless an equal entry (exact,
// case-sensitive) is already there.
void addwordtowordlist(WordList& list, std::string_view word);
// Adds every word that istwortkorrekt (capital rule off) does not accept yet.
// Given more than 4999 words, the new ones are appended and the list
// re-sorted once; fewer are inserted one by one.
void addlisttowordlist(WordList& list, const std::vector<std::string>& words);
void SortWordList(WordList& list);

// True when the list holds the word; with allowCapital also when only its
// ASCII first letter is upper case where the stored word has it lower case.
// Words with a digit are always correct; nothing is correct in an empty list.
bool istwortkorrekt(const WordList& list, std::string_view word, bool allowCapital);

// The closest words of the list, best first (empty for an empty word or list).
std::vector<std::string> findewortvorschlaege(const WordList& list, std::string_view word);
// The score one entry gets against the misspelt word (exposed for tests).
double suggestionScore(std::string_view entryKey, std::string_view wordKey);

} // namespace quillet
