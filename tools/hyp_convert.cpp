// Converts a system hyphenation pattern file (the plain-text format of the
// Debian hyphen-* packages) into the program's ".hyp" table.
//
//   hyp_convert <patterns.dic> <output.hyp>
//
// Input: first line the encoding (UTF-8 or ISO8859-1), then directives
// (LEFTHYPHENMIN n, RIGHTHYPHENMIN n, COMPOUND..., NOHYPHEN, NEXTLEVEL),
// comments ("#", "%") and one pattern a line: letters with value digits
// between them, "." for a word edge (".ab1c").
//
// The program's matcher has no notion of minimum letters at the word edges,
// does not lower-case letters outside A-Z, and sees punctuation as part of
// the word. All three are made up for by the data written here:
//   - guards: extra patterns whose value (10) lies above every digit a
//     pattern file can hold, so they always win and, being even, always
//     suppress: no break within the first LEFTHYPHENMIN / last
//     RIGHTHYPHENMIN letters of a word, where a non-letter counts as a word
//     edge too ("(Com-pu-ter)"), and no break next to a non-letter;
//   - patterns anchored at a word edge are repeated with the quotes,
//     brackets and punctuation that touch words, so "Trennung," breaks as
//     "Trennung" does;
//   - every pattern with a non-ASCII letter is repeated in upper-case forms,
//     so "Übersetzung" and all-capital words match the lower-case patterns.
//
// Patterns longer than the 11 characters the matcher looks up are left out.
//
// A two-level file (NEXTLEVEL) splits compounds with its first level and
// hyphenates the parts with the last one. A one-pass table cannot apply the
// compound level faithfully (and most of its entries are longer than the
// matcher looks), so only the last level, the syllable patterns, is used.

#include "platform/SafeFile.h"
#include "platform/Win1252.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

using quillet::ansiUpper;
using quillet::isAnsiLetter;

constexpr int kGroups = 20;
// The matcher looks up substrings of at most 11 characters; longer patterns
// (whole-word exceptions mostly) would only be loaded and never used.
constexpr size_t kLongestUsed = 11;
constexpr size_t kPairsPerRecord = 10;
// Pattern digits run 0..9; guards must out-rank every one of them.
constexpr uint8_t kGuard = 10;
// Upper-case variants are made for at most this many non-ASCII letters of a
// pattern (the shipped files have at most three).
constexpr size_t kMaxVariantLetters = 6;
// Longer edge minimums would need guards over every letter triple and more.
constexpr int kMaxEdgeMin = 3;

// Marks that open or close words in running text. Patterns anchored at a
// word edge are repeated with these in place of the edge, so a word in
// quotes, in brackets or before a comma gets the same breaks as without.
const std::string kOpeningMarks = "([\"'\x82\x84\x91\x93\xAB\xBB";
const std::string kClosingMarks = ")],;:!?\"'\x91\x92\x93\x94\xAB\xBB";

// Letters of one pattern -> value per position (0 = before the first letter).
using Table = std::map<std::string, std::map<uint8_t, uint8_t>>;

struct Source {
    std::vector<std::vector<std::u32string>> levels{1};
    int leftMin = 2;
    int rightMin = 2;
    size_t skippedNonStandard = 0;
};

bool readFile(const std::filesystem::path& path, std::string& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

std::string trim(std::string_view s)
{
    size_t a = 0, b = s.size();
    while (a < b && (s[a] == ' ' || s[a] == '\t' || s[a] == '\r')) ++a;
    while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t' || s[b - 1] == '\r')) --b;
    return std::string(s.substr(a, b - a));
}

std::string upperAscii(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return s;
}

// Decodes one line; false on malformed UTF-8.
bool decode(std::string_view line, bool utf8, std::u32string& out)
{
    out.clear();
    if (!utf8) {
        for (char c : line) out.push_back(static_cast<unsigned char>(c));
        return true;
    }
    size_t i = 0;
    while (i < line.size()) {
        const auto b = static_cast<unsigned char>(line[i]);
        size_t len = 0;
        char32_t cp = 0;
        if (b < 0x80) { cp = b; len = 1; }
        else if ((b & 0xE0) == 0xC0) { cp = b & 0x1F; len = 2; }
        else if ((b & 0xF0) == 0xE0) { cp = b & 0x0F; len = 3; }
        else if ((b & 0xF8) == 0xF0) { cp = b & 0x07; len = 4; }
        else return false;
        if (len > line.size() - i) return false;
        for (size_t k = 1; k < len; ++k) {
            const auto c = static_cast<unsigned char>(line[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        out.push_back(cp);
        i += len;
    }
    return true;
}

bool parseNumber(std::string_view line, int& value)
{
    const size_t sp = line.find_first_of(" \t");
    if (sp == std::string_view::npos) return false;
    const std::string rest = trim(line.substr(sp));
    if (rest.empty() || rest.size() > 3) return false;
    int v = 0;
    for (char c : rest) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    value = v;
    return true;
}

bool parseSource(const std::string& data, Source& src, std::string& error)
{
    size_t pos = 0;
    bool first = true;
    bool utf8 = false;
    std::u32string decoded;
    while (pos <= data.size()) {
        size_t end = data.find('\n', pos);
        if (end == std::string::npos) end = data.size();
        const std::string line = trim(std::string_view(data).substr(pos, end - pos));
        pos = end + 1;
        if (first) {
            first = false;
            const std::string enc = upperAscii(line);
            if (enc == "UTF-8" || enc == "UTF8") utf8 = true;
            else if (enc == "ISO8859-1" || enc == "ISO-8859-1" || enc == "LATIN1") utf8 = false;
            else { error = "unsupported encoding \"" + line + "\""; return false; }
            continue;
        }
        if (line.empty() || line[0] == '#' || line[0] == '%') continue;
        const std::string word = line.substr(0, line.find_first_of(" \t"));
        if (word == "NEXTLEVEL") {
            src.levels.emplace_back();
            continue;
        }
        if (word == "LEFTHYPHENMIN" || word == "RIGHTHYPHENMIN") {
            int v = 0;
            if (!parseNumber(line, v)) { error = "bad line \"" + line + "\""; return false; }
            (word[0] == 'L' ? src.leftMin : src.rightMin) = v;
            continue;
        }
        // Compound minimums and NOHYPHEN belong to the compound level.
        if (word.rfind("COMPOUND", 0) == 0 || word == "NOHYPHEN") continue;
        // Non-standard hyphenation ("ck/k=k,1,2") changes letters; the
        // table can only mark gaps.
        if (word.find('/') != std::string::npos || word.find('=') != std::string::npos) {
            ++src.skippedNonStandard;
            continue;
        }
        if (!decode(word, utf8, decoded)) { error = "malformed UTF-8 in \"" + line + "\""; return false; }
        src.levels.back().push_back(decoded);
    }
    return true;
}

struct Stats {
    size_t patterns = 0;
    size_t unmappable = 0;
    size_t variants = 0;
    size_t edgeForms = 0;
    size_t guards = 0;
    size_t tooLong = 0;
};

void merge(Table& table, const std::string& letters, const std::map<uint8_t, uint8_t>& values)
{
    auto& slot = table[letters];
    for (const auto& [pos, v] : values) {
        uint8_t& cur = slot[pos];
        cur = std::max(cur, v);
    }
}

// Splits a pattern line into Windows-1252 letters and gap values; false when
// a character has no Windows-1252 form (such a pattern can never match).
bool convertPattern(const std::u32string& pattern, std::string& letters, std::map<uint8_t, uint8_t>& values)
{
    letters.clear();
    values.clear();
    for (char32_t c : pattern) {
        if (c >= U'0' && c <= U'9') {
            const auto v = static_cast<uint8_t>(c - U'0');
            if (v > 0 && letters.size() <= 255) {
                uint8_t& cur = values[static_cast<uint8_t>(letters.size())];
                cur = std::max(cur, v);
            }
            continue;
        }
        const int code = quillet::unicodeToCp1252(c);
        if (code < 0) return false;
        letters.push_back(static_cast<char>(code));
    }
    return true;
}

std::vector<std::string> edgeForms(const std::string& letters)
{
    std::vector<std::string> forms{letters};
    if (letters.size() < 2) return forms;
    // A pattern anchored at both edges is repeated with one edge replaced
    // at a time; every pairing would multiply the whole-word exceptions.
    if (letters.front() == '.')
        for (char m : kOpeningMarks) forms.push_back(m + letters.substr(1));
    if (letters.back() == '.')
        for (char m : kClosingMarks) forms.push_back(letters.substr(0, letters.size() - 1) + m);
    return forms;
}

// The same pattern with every combination of its non-ASCII letters in upper
// case (the matcher lower-cases only A-Z).
void addVariants(Table& table, const std::string& letters, const std::map<uint8_t, uint8_t>& values, Stats& stats)
{
    std::vector<size_t> at;
    for (size_t i = 0; i < letters.size(); ++i) {
        const auto c = static_cast<uint8_t>(letters[i]);
        if (c >= 0x80 && ansiUpper(c) != c) at.push_back(i);
    }
    if (at.empty()) return;
    if (at.size() > kMaxVariantLetters) at.resize(kMaxVariantLetters);
    for (uint32_t mask = 1; mask < (1u << at.size()); ++mask) {
        std::string v = letters;
        for (size_t j = 0; j < at.size(); ++j)
            if (mask & (1u << j)) v[at[j]] = static_cast<char>(ansiUpper(static_cast<uint8_t>(v[at[j]])));
        merge(table, v, values);
        ++stats.variants;
    }
}

void guard(Table& table, std::string letters, std::initializer_list<uint8_t> positions, Stats& stats)
{
    std::map<uint8_t, uint8_t> values;
    for (uint8_t p : positions) values[p] = kGuard;
    merge(table, letters, values);
    ++stats.guards;
}

bool isWordLetter(uint8_t c)
{
    // Upper-case ASCII never reaches the matcher.
    return isAnsiLetter(c) && !(c >= 'A' && c <= 'Z');
}

void addGuards(Table& table, int leftMin, int rightMin, const std::set<uint8_t>& patternChars, Stats& stats)
{
    std::vector<uint8_t> letters, edges;
    for (int c = 0x21; c <= 0xFF; ++c) {
        const auto b = static_cast<uint8_t>(c);
        (isWordLetter(b) ? letters : edges).push_back(b);
    }

    // Letter next to an edge: no break on either side of the edge, and for
    // a minimum of 2 none between the edge letter and its neighbour.
    for (uint8_t e : edges) {
        for (uint8_t x : letters) {
            const std::string ex{char(e), char(x)}, xe{char(x), char(e)};
            if (leftMin >= 2) guard(table, ex, {1, 2}, stats);
            else guard(table, ex, {1}, stats);
            if (rightMin >= 2) guard(table, xe, {0, 1}, stats);
            else guard(table, xe, {1}, stats);
        }
    }

    // Between two non-letters only a pattern holding one of them can place
    // a value; those characters are few (the edge mark, an apostrophe).
    for (uint8_t c : patternChars) {
        if (isWordLetter(c)) continue;
        for (uint8_t e : edges) {
            guard(table, std::string{char(c), char(e)}, {1}, stats);
            guard(table, std::string{char(e), char(c)}, {1}, stats);
        }
    }

    // A minimum of 3 needs the two letters beside the edge. Over every
    // letter pair and every non-letter that would be close to a million
    // patterns a side, so this covers the lower-case letters and the word
    // edge with the marks that open (left) or close (right) words.
    if (leftMin < 3 && rightMin < 3) return;
    std::vector<uint8_t> lower;
    for (uint8_t x : letters)
        if (quillet::ansiLower(x) == x) lower.push_back(x);
    if (leftMin >= 3)
        for (char e : "." + kOpeningMarks)
            for (uint8_t x : lower)
                for (uint8_t y : lower) guard(table, std::string{e, char(x), char(y)}, {3}, stats);
    if (rightMin >= 3)
        for (char e : "." + kClosingMarks)
            for (uint8_t x : lower)
                for (uint8_t y : lower) guard(table, std::string{char(x), char(y), e}, {0}, stats);
}

void putU16(std::string& out, uint16_t v)
{
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

void putI32(std::string& out, int32_t v)
{
    const auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}

// Groups k = 1..20, each a count and its records. A pattern with more values
// than a record holds is written as several records with the same letters;
// the matcher applies every matching record, so the result is the same.
std::string encode(const Table& table, Stats& stats)
{
    std::string out;
    for (int k = 1; k <= kGroups; ++k) {
        std::string records;
        int32_t count = 0;
        for (const auto& [letters, values] : table) {
            if (letters.size() != static_cast<size_t>(k) || letters.size() > kLongestUsed) continue;
            std::vector<std::pair<uint8_t, uint8_t>> pairs(values.begin(), values.end());
            size_t done = 0;
            do {
                const size_t n = std::min(kPairsPerRecord, pairs.size() - done);
                records.push_back(static_cast<char>(k));
                records += letters;
                putU16(records, static_cast<uint16_t>(n));
                for (size_t i = done; i < done + n; ++i) {
                    records.push_back(static_cast<char>(pairs[i].first));
                    records.push_back(static_cast<char>(pairs[i].second));
                }
                done += n;
                ++count;
            } while (done < pairs.size());
        }
        putI32(out, count);
        out += records;
    }
    for (const auto& entry : table)
        if (entry.first.size() > kLongestUsed) ++stats.tooLong;
    return out;
}

bool writeFile(const std::filesystem::path& path, const std::string& data, std::string& error)
{
    std::error_code ec;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
    if (quillet::ReplaceFileContents(path, data)) return true;
    error = "cannot write " + path.string();
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: hyp_convert <patterns.dic> <output.hyp>\n");
        return 2;
    }
    std::string data, error;
    if (!readFile(argv[1], data)) {
        std::fprintf(stderr, "hyp_convert: cannot read %s\n", argv[1]);
        return 1;
    }
    Source src;
    if (!parseSource(data, src, error)) {
        std::fprintf(stderr, "hyp_convert: %s: %s\n", argv[1], error.c_str());
        return 1;
    }
    const int leftMin = std::clamp(src.leftMin, 1, kMaxEdgeMin);
    const int rightMin = std::clamp(src.rightMin, 1, kMaxEdgeMin);
    if (leftMin != src.leftMin || rightMin != src.rightMin)
        std::fprintf(stderr, "hyp_convert: %s: edge minimums clamped to %d/%d\n", argv[1], leftMin, rightMin);

    Table table;
    Stats stats;
    std::set<uint8_t> patternChars;
    std::string letters;
    std::map<uint8_t, uint8_t> values;
    for (const std::u32string& pattern : src.levels.back()) {
        if (!convertPattern(pattern, letters, values)) { ++stats.unmappable; continue; }
        if (letters.empty()) continue;
        ++stats.patterns;
        for (char c : letters) patternChars.insert(static_cast<uint8_t>(c));
        const std::vector<std::string> forms = edgeForms(letters);
        stats.edgeForms += forms.size() - 1;
        for (const std::string& form : forms) {
            merge(table, form, values);
            addVariants(table, form, values, stats);
        }
    }
    if (stats.patterns == 0) {
        std::fprintf(stderr, "hyp_convert: %s: no patterns\n", argv[1]);
        return 1;
    }
    addGuards(table, leftMin, rightMin, patternChars, stats);

    const std::string image = encode(table, stats);
    if (!writeFile(argv[2], image, error)) {
        std::fprintf(stderr, "hyp_convert: %s\n", error.c_str());
        return 1;
    }
    std::printf("hyp_convert: %s: %zu patterns (%zu without a Windows-1252 form, %zu non-standard skipped), "
                "%zu edge forms, %zu case variants, %zu guards, %zu longer than the matcher looks (left out)\n",
                argv[2], stats.patterns, stats.unmappable, src.skippedNonStandard, stats.edgeForms, stats.variants,
                stats.guards, stats.tooLong);
    return 0;
}
