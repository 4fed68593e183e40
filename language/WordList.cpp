#include "language/WordList.h"

#include "platform/ByteIO.h"
#include "platform/MessageBox.h"
#include "platform/SafeFile.h"
#include "platform/Win1252.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <unordered_set>

namespace quillet {

namespace {

inline uint8_t byteAt(std::string_view s, size_t i) { return static_cast<uint8_t>(s[i]); }

bool hasDigit(std::string_view word)
{
    return std::any_of(word.begin(), word.end(), [](char c) { return isAnsiDigit(static_cast<uint8_t>(c)); });
}

} // namespace

// ---- WordList -----------------------------------------------------------

void WordList::reserve(size_t n)
{
    words_.reserve(n);
    keys_.reserve(n);
}

void WordList::append(std::string word)
{
    keys_.push_back(asciiUpper(word));
    words_.push_back(std::move(word));
    revision_ = Revision{};
}

void WordList::insertAt(size_t index, std::string word)
{
    index = std::min(index, words_.size());
    keys_.insert(keys_.begin() + static_cast<std::ptrdiff_t>(index), asciiUpper(word));
    words_.insert(words_.begin() + static_cast<std::ptrdiff_t>(index), std::move(word));
    revision_ = Revision{};
}

void WordList::assign(std::vector<std::string> words)
{
    words_ = std::move(words);
    keys_.clear();
    keys_.reserve(words_.size());
    for (const auto& w : words_) keys_.push_back(asciiUpper(w));
    revision_ = Revision{};
}

void WordList::clear()
{
    words_.clear();
    keys_.clear();
    revision_ = Revision{};
}

void WordList::eraseIndices(std::vector<size_t> indices)
{
    std::sort(indices.begin(), indices.end(), std::greater<>());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    for (size_t i : indices) {
        if (i >= words_.size()) continue;
        words_.erase(words_.begin() + static_cast<std::ptrdiff_t>(i));
        keys_.erase(keys_.begin() + static_cast<std::ptrdiff_t>(i));
    }
    revision_ = Revision{};
}

int compareKey(std::string_view key, std::string_view word)
{
    const size_t n = std::min(key.size(), word.size());
    for (size_t i = 0; i < n; ++i) {
        const uint8_t a = byteAt(key, i);
        const uint8_t b = asciiUpper(byteAt(word, i));
        if (a != b) return a < b ? -1 : 1;
    }
    if (key.size() == word.size()) return 0;
    return key.size() < word.size() ? -1 : 1;
}

size_t WordList::lowerBound(std::string_view word) const
{
    auto it = std::partition_point(keys_.begin(), keys_.end(),
                                   [&](const std::string& k) { return compareKey(k, word) < 0; });
    return static_cast<size_t>(it - keys_.begin());
}

size_t WordList::upperBound(std::string_view word) const
{
    auto it = std::partition_point(keys_.begin(), keys_.end(),
                                   [&](const std::string& k) { return compareKey(k, word) <= 0; });
    return static_cast<size_t>(it - keys_.begin());
}

void WordList::sortByKey()
{
    std::vector<uint32_t> order(words_.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return keys_[a] < keys_[b]; });
    std::vector<std::string> words;
    std::vector<std::string> keys;
    words.reserve(words_.size());
    keys.reserve(keys_.size());
    for (uint32_t i : order) {
        words.push_back(std::move(words_[i]));
        keys.push_back(std::move(keys_[i]));
    }
    words_ = std::move(words);
    keys_ = std::move(keys);
    revision_ = Revision{};
}

// ---- ".spe" files -------------------------------------------------------

size_t appendSpeWords(std::string_view bytes, WordList& list)
{
    // First pass counts the whole records so the list grows once. Every
    // record takes at least two bytes, so the count is bounded by the data.
    size_t records = 0;
    for (ByteReader in(bytes);; ++records) {
        in.skip(1);
        in.skip(in.u8());
        if (!in) break;
    }
    list.reserve(list.size() + records);

    char prev[kSpeMaxWordLength];
    size_t prevLen = 0;
    size_t added = 0;
    ByteReader in(bytes);
    for (size_t r = 0; r < records; ++r) {
        const uint8_t a = in.u8();
        const size_t n = in.u8();
        const uint8_t* fresh = in.view(n);
        if (!in) break;

        const size_t shared = a & 0x7F;
        // A record the format cannot describe is dropped; the previous word
        // stays the base for the next record.
        if (shared > prevLen || n > kSpeMaxWordLength - shared || shared + n == 0) continue;

        std::memcpy(prev + shared, fresh, n);
        prevLen = shared + n;
        const auto first = static_cast<uint8_t>(prev[0]);
        prev[0] = static_cast<char>((a & 0x80) ? asciiUpper(first) : asciiLower(first));
        list.append(std::string(prev, prevLen));
        ++added;
    }
    return added;
}

bool OpenWordList(const std::filesystem::path& file, WordList& list)
{
    std::string data;
    if (!ReadWholeFile(file, kSpeMaxFileBytes, data)) return false;
    appendSpeWords(data, list);
    return true;
}

// ---- User dictionary ----------------------------------------------------

size_t appendUserDictWords(std::string_view bytes, WordList& list)
{
    size_t added = 0;
    ByteReader in(bytes);
    while (!in.atEnd()) {
        const size_t left = in.remaining();
        const void* lf = std::memchr(in.here(), '\n', left);
        const size_t length = lf ? size_t(static_cast<const uint8_t*>(lf) - in.here()) : left;
        std::string_view line(reinterpret_cast<const char*>(in.view(length)), length);
        if (lf) in.skip(1);
        if (!in) break;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        list.append(std::string(line));
        ++added;
    }
    return added;
}

std::string userDictImage(const WordList& list)
{
    size_t size = 0;
    for (const auto& w : list.words()) size += w.size() + 2;
    std::string text;
    text.reserve(size);
    for (const auto& w : list.words()) {
        text += w;
        text += "\r\n";
    }
    return text;
}

bool LoadUserDict(const std::filesystem::path& file, WordList& list)
{
    std::string data;
    if (!ReadWholeFile(file, kUserDictMaxFileBytes, data)) return false;
    appendUserDictWords(data, list);
    return true;
}

bool SaveUserDict(const std::filesystem::path& file, const WordList& list)
{
    if (ReplaceFileContents(file, userDictImage(list))) return true;
    errorBox("Cannot create file \"" + file.string() + "\".");
    return false;
}

// ---- Sorted word list operations ----------------------------------------

void addwordtowordlist(WordList& list, std::string_view word)
{
    // An exact duplicate can only sit among the entries of the same key.
    const size_t lo = list.lowerBound(word);
    const size_t hi = list.upperBound(word);
    for (size_t i = lo; i < hi; ++i)
        if (list.word(i) == word) return;
    list.insertAt(hi, std::string(word));
}

void addlisttowordlist(WordList& list, const std::vector<std::string>& words)
{
    std::vector<std::string_view> fresh;
    std::unordered_set<std::string_view> seen;
    for (const auto& w : words) {
        if (w.empty() || istwortkorrekt(list, w, false) || !seen.insert(w).second) continue;
        fresh.push_back(w);
    }
    // Many words: one sort beats as many insertions into a long list.
    if (words.size() > 4999) {
        list.reserve(list.size() + fresh.size());
        for (auto w : fresh) list.append(std::string(w));
        SortWordList(list);
        return;
    }
    for (auto w : fresh) list.insertAt(list.upperBound(w), std::string(w));
}

void SortWordList(WordList& list) { list.sortByKey(); }

bool istwortkorrekt(const WordList& list, std::string_view word, bool allowCapital)
{
    if (list.empty() || word.empty()) return false;
    if (hasDigit(word)) return true;
    const auto first = byteAt(word, 0);
    const bool capital = allowCapital && first >= 'A' && first <= 'Z';
    const std::string_view rest = word.substr(1);

    // Only entries with the word's key can match, exactly or with the capital.
    const size_t hi = list.upperBound(word);
    for (size_t i = list.lowerBound(word); i < hi; ++i) {
        const std::string& e = list.word(i);
        if (e.size() != word.size()) continue;
        const auto initial = static_cast<uint8_t>(e[0]);
        const uint8_t stored = capital ? asciiUpper(initial) : initial;
        if (stored == first && std::string_view(e).substr(1) == rest) return true;
    }
    return false;
}

double suggestionScore(std::string_view entryKey, std::string_view wordKey)
{
    const size_t n = std::min(entryKey.size(), wordKey.size());
    size_t lead = 0;
    while (lead < n && entryKey[lead] == wordKey[lead]) ++lead;
    size_t trail = 0;
    while (trail < n && entryKey[entryKey.size() - 1 - trail] == wordKey[wordKey.size() - 1 - trail]) ++trail;
    const size_t common = lead + trail;

    const size_t diff = entryKey.size() > wordKey.size() ? entryKey.size() - wordKey.size()
                                                          : wordKey.size() - entryKey.size();
    const double half = static_cast<double>(diff == 0 ? 1 : diff) / 2.0;
    const double d = half * half;
    return static_cast<double>(common * 100) / static_cast<double>(2 * wordKey.size()) / d;
}

std::vector<std::string> findewortvorschlaege(const WordList& list, std::string_view word)
{
    std::vector<std::string> out;
    if (list.empty() || word.empty()) return out;
    const std::string key = asciiUpper(word);

    struct Scored {
        double score;
        uint32_t index;
    };
    // Only the entries of the best tier reached are kept and sorted.
    constexpr double kTiers[] = {132.0, 100.0, 66.0};
    std::vector<Scored> tier[3];
    for (size_t i = 0; i < list.size(); ++i) {
        const double s = suggestionScore(list.key(i), key);
        if (s < kTiers[2]) continue;
        const int t = s >= kTiers[0] ? 0 : s >= kTiers[1] ? 1 : 2;
        tier[t].push_back({s, static_cast<uint32_t>(i)});
    }
    for (auto& chosen : tier) {
        if (chosen.empty()) continue;
        // Equal scores keep list order, so the same word always gets the same list.
        std::sort(chosen.begin(), chosen.end(), [](const Scored& a, const Scored& b) {
            return a.score != b.score ? a.score > b.score : a.index < b.index;
        });
        out.reserve(chosen.size());
        for (const auto& c : chosen) out.push_back(list.word(c.index));
        break;
    }
    return out;
}

} // namespace quillet
