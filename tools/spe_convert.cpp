// Build-time converter: a UTF-8 word list (one word a line) into the
// program's front-coded ".spe" word list.
//
//   spe_convert [--split-apostrophes] <input> <output>
//
// Output records, in list order, no header: A (u8), N (u8), N bytes. The
// word is the first (A & 0x7F) bytes of the previous word plus the N bytes,
// its first byte then upper-cased when bit 7 of A is set, else lower-cased
// (ASCII letters only). Words are Windows-1252, at most 50 bytes, ordered by
// their ASCII-uppercased bytes.
//
// The tests include this file with QUILLET_SPE_CONVERT_NO_MAIN defined.

#include "platform/SafeFile.h"
#include "platform/Win1252.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace quillet::spe {

inline constexpr size_t kMaxWord = 50;

// Windows-1252 form of a UTF-8 text; false for malformed UTF-8 or a
// character the code page lacks (such a word is left out, not mangled).
inline bool utf8ToCp1252Strict(std::string_view s, std::string& out)
{
    out.clear();
    size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<uint8_t>(s[i]);
        char32_t cp = 0;
        size_t len = 0;
        if (b < 0x80) { cp = b; len = 1; }
        else if ((b & 0xE0) == 0xC0) { cp = b & 0x1F; len = 2; }
        else if ((b & 0xF0) == 0xE0) { cp = b & 0x0F; len = 3; }
        else if ((b & 0xF8) == 0xF0) { cp = b & 0x07; len = 4; }
        else return false;
        if (len > s.size() - i) return false;
        for (size_t k = 1; k < len; ++k) {
            const auto c = static_cast<uint8_t>(s[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        i += len;
        const int code = unicodeToCp1252(cp);
        if (code < 0) return false;
        out.push_back(static_cast<char>(code));
    }
    return true;
}

struct ConvertStats {
    size_t lines = 0;
    size_t unencodable = 0;
    size_t tooLong = 0;
    size_t twins = 0;
    size_t words = 0;
};

// The words of a UTF-8 list. With splitApostrophes a line holding "'" is
// replaced by its parts: the document's word walkers end a word at "'", so
// only the parts are ever looked up.
inline std::vector<std::string> collectWords(std::istream& in, bool splitApostrophes, ConvertStats& stats)
{
    std::vector<std::string> words;
    std::string line;
    std::string ansi;
    auto take = [&](std::string_view w) {
        if (w.empty()) return;
        if (!utf8ToCp1252Strict(w, ansi)) { ++stats.unencodable; return; }
        if (ansi.size() > kMaxWord) { ++stats.tooLong; return; }
        words.push_back(ansi);
    };
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        ++stats.lines;
        if (splitApostrophes && line.find('\'') != std::string::npos) {
            std::string_view rest = line;
            while (!rest.empty()) {
                const size_t cut = rest.find('\'');
                take(rest.substr(0, cut));
                if (cut == std::string_view::npos) break;
                rest.remove_prefix(cut + 1);
            }
        } else {
            take(line);
        }
    }
    return words;
}

// The lookup's capital rule only raises ASCII initials, so a sentence-initial
// "Über" needs its own entry beside "über".
inline void addCapitalTwins(std::vector<std::string>& words, ConvertStats& stats)
{
    const size_t n = words.size();
    for (size_t i = 0; i < n; ++i) {
        const auto first = static_cast<uint8_t>(words[i][0]);
        if (first < 0x80) continue;
        const uint8_t upper = ansiUpper(first);
        if (upper == first) continue;
        std::string twin = words[i];
        twin[0] = static_cast<char>(upper);
        words.push_back(std::move(twin));
        ++stats.twins;
    }
}

inline std::string sortKey(std::string_view w) { return asciiUpper(w); }

// List order: by key as unsigned bytes (a proper prefix first); equal keys
// by their own bytes so the output does not depend on the input order.
inline void sortWords(std::vector<std::string>& words)
{
    struct Item {
        std::string key;
        std::string word;
    };
    std::vector<Item> items;
    items.reserve(words.size());
    for (auto& w : words) items.push_back({sortKey(w), std::move(w)});
    std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
        if (a.key != b.key) return a.key < b.key;
        return a.word < b.word;
    });
    words.clear();
    for (auto& it : items)
        if (words.empty() || words.back() != it.word) words.push_back(std::move(it.word));
}

inline bool isAsciiLetter(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Bytes the word shares with the previous one. The first byte may differ in
// ASCII case (bit 7 of A restores it); any other byte must match exactly.
inline size_t sharedPrefix(std::string_view prev, std::string_view w)
{
    const size_t n = std::min({prev.size(), w.size(), size_t{127}});
    if (n == 0) return 0;
    const auto p0 = static_cast<uint8_t>(prev[0]);
    const auto w0 = static_cast<uint8_t>(w[0]);
    const bool firstMatches = p0 == w0 || (isAsciiLetter(p0) && isAsciiLetter(w0) && asciiUpper(p0) == asciiUpper(w0));
    if (!firstMatches) return 0;
    size_t k = 1;
    while (k < n && prev[k] == w[k]) ++k;
    return k;
}

inline std::string encodeSpe(const std::vector<std::string>& words)
{
    std::string out;
    std::string_view prev;
    for (const auto& w : words) {
        if (w.empty() || w.size() > kMaxWord) continue;
        const size_t k = sharedPrefix(prev, w);
        const auto w0 = static_cast<uint8_t>(w[0]);
        out.push_back(static_cast<char>(k | ((w0 >= 'A' && w0 <= 'Z') ? 0x80 : 0)));
        out.push_back(static_cast<char>(w.size() - k));
        out.append(w, k, std::string::npos);
        prev = w;
    }
    return out;
}

inline std::string convertWordList(std::istream& in, bool splitApostrophes, ConvertStats& stats)
{
    auto words = collectWords(in, splitApostrophes, stats);
    addCapitalTwins(words, stats);
    sortWords(words);
    stats.words = words.size();
    return encodeSpe(words);
}

} // namespace quillet::spe

#ifndef QUILLET_SPE_CONVERT_NO_MAIN

int main(int argc, char** argv)
{
    bool split = false;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--split-apostrophes") == 0) split = true;
        else args.emplace_back(argv[i]);
    }
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: spe_convert [--split-apostrophes] <input> <output>\n");
        return 2;
    }
    std::ifstream in(args[0], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "spe_convert: cannot read %s\n", args[0].c_str());
        return 1;
    }
    quillet::spe::ConvertStats stats;
    const std::string bytes = quillet::spe::convertWordList(in, split, stats);
    if (in.bad() || stats.words == 0) {
        std::fprintf(stderr, "spe_convert: no words read from %s\n", args[0].c_str());
        return 1;
    }
    if (!quillet::ReplaceFileContents(args[1], bytes)) {
        std::fprintf(stderr, "spe_convert: cannot write %s\n", args[1].c_str());
        return 1;
    }
    if (stats.unencodable || stats.tooLong)
        std::fprintf(stderr, "spe_convert: %s: %zu words not in Windows-1252, %zu longer than %zu bytes left out\n",
                     args[0].c_str(), stats.unencodable, stats.tooLong, quillet::spe::kMaxWord);
    return 0;
}

#endif
