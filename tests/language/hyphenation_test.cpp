#include "formats/StandardServices.h"
#include "language/Hyphenation.h"

#include "platform/ByteIO.h"
#include "engine/Childwin.h"
#include "language/WordList.h"
#include "platform/Win1252.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <map>
#include <utility>

using namespace quillet;

namespace {

struct Pat {
    std::string letters;
    std::vector<std::pair<uint8_t, uint8_t>> pairs;
};

// A well-formed ".hyp" image: every pattern in the group of its length.
std::string hypImage(const std::vector<Pat>& patterns)
{
    ByteWriter w;
    for (int k = 1; k <= kHyphenGroupCount; ++k) {
        int32_t count = 0;
        for (const Pat& p : patterns) count += p.letters.size() == size_t(k);
        w.i32(count);
        for (const Pat& p : patterns) {
            if (p.letters.size() != size_t(k)) continue;
            w.u8(uint8_t(p.letters.size()));
            w.str(p.letters);
            w.u16(uint16_t(p.pairs.size()));
            for (auto [pos, val] : p.pairs) { w.u8(pos); w.u8(val); }
        }
    }
    return std::string(w.buffer().begin(), w.buffer().end());
}

HyphenPatternTable tableOf(const std::vector<Pat>& patterns)
{
    HyphenPatternTable t;
    EXPECT_TRUE(t.load(hypImage(patterns)));
    return t;
}

void writeFile(const std::filesystem::path& p, std::string_view bytes)
{
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string unhyphenated(std::string s)
{
    std::erase(s, '-');
    return s;
}

// The converted tables of the program folder, loaded once for all tests.
const HyphenPatternTable& programTable(const char* file)
{
    static std::map<std::string, HyphenPatternTable> tables;
    auto [it, fresh] = tables.try_emplace(file);
    if (fresh) {
        EXPECT_TRUE(it->second.loadFile(test::programDir() / file)) << file;
    }
    return it->second;
}

std::string german(std::string_view utf8) { return ansiToUtf8(programTable("german0.hyp").hyphenate(utf8ToAnsi(utf8))); }
std::string english(std::string_view word) { return programTable("english0.hyp").hyphenate(word); }

// A program folder of its own for a test.
std::filesystem::path freshDir(const char* name)
{
    auto dir = test::outputDir() / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

} // namespace

// ---- The matcher ----------------------------------------------------------

// Every substring that equals a pattern of 2 to 11 letters raises its gaps;
// the matcher must agree with this on any table and word, over small
// alphabets (many shared prefixes), bytes 0 and 255, dots and long words,
// and over a table loaded from two images.
TEST(HyphenMatcher, AgreesWithEverySubstringLookedUpAlone)
{
    uint32_t seed = 99;
    auto next = [&seed](uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    const std::string alphabets[] = {"ab", "abc.", std::string("a\0\xFF.", 4), "abcdefghijklmnopqrstuvwxyz."};
    for (int round = 0; round < 120; ++round) {
        const std::string& letters = alphabets[round % 4];
        auto randomText = [&](size_t len) {
            std::string t;
            for (size_t i = 0; i < len; ++i) t += letters[next(uint32_t(letters.size()))];
            return t;
        };
        // Words first, and half the patterns cut out of them, so that long
        // patterns match too.
        std::vector<std::string> words;
        for (int w = 0; w < 20; ++w) words.push_back(randomText(next(20)));
        std::vector<Pat> first, second;
        // Every tenth table takes a large second image, which outgrows what
        // the first one sized.
        const bool grows = round % 10 == 9;
        const int patterns = grows ? 900 : 1 + int(next(60));
        for (int i = 0; i < patterns; ++i) {
            Pat p{randomText(1 + next(13)), {}};
            const std::string source = "." + words[next(20)] + ".";
            if (next(2) == 0) {
                const size_t from = next(uint32_t(source.size()));
                p.letters = source.substr(from, 1 + next(13));
            }
            for (uint32_t k = next(4); k > 0; --k) p.pairs.push_back({uint8_t(next(14)), uint8_t(next(6))});
            ((grows ? i >= 20 : i % 3 == 0) ? second : first).push_back(p);
        }
        HyphenPatternTable table;
        EXPECT_TRUE(table.load(hypImage(first)));
        EXPECT_TRUE(table.load(hypImage(second)));
        std::vector<Pat> all = first;
        all.insert(all.end(), second.begin(), second.end());

        for (const std::string& word : words) {
            const std::string s = "." + word + ".";
            std::vector<uint8_t> expected(word.size() + 1, 0);
            for (const Pat& p : all) {
                if (p.letters.size() < kHyphenMinMatch || p.letters.size() > kHyphenMaxMatch) continue;
                for (size_t at = 0; at + p.letters.size() <= s.size(); ++at) {
                    if (s.compare(at, p.letters.size(), p.letters) != 0) continue;
                    for (auto [pos, value] : p.pairs) {
                        const size_t gap = at + pos;
                        if (gap >= 1 && gap - 1 <= word.size())
                            expected[gap - 1] = std::max(expected[gap - 1], value);
                    }
                }
            }
            ASSERT_EQ(table.gapValues(word), expected) << "round " << round << " word " << word;
        }
    }
}

TEST(HyphenMatcher, OddHighestValueBreaksEvenSuppresses)
{
    EXPECT_EQ(tableOf({{"bc", {{1, 2}}}}).hyphenate("abcd"), "abcd");
    EXPECT_EQ(tableOf({{"bc", {{1, 3}}}}).hyphenate("abcd"), "ab-cd");
    // A 4 from another pattern on the same gap removes the break again,
    // whichever pattern comes first.
    EXPECT_EQ(tableOf({{"bc", {{1, 3}}}, {"abc", {{2, 4}}}}).hyphenate("abcd"), "abcd");
    EXPECT_EQ(tableOf({{"abc", {{2, 4}}}, {"bc", {{1, 5}}}}).hyphenate("abcd"), "ab-cd");
    // Two records with the same letters both count.
    EXPECT_EQ(tableOf({{"bc", {{1, 3}}}, {"bc", {{1, 2}, {0, 1}}}}).hyphenate("abcd"), "a-b-cd");
}

TEST(HyphenMatcher, EdgeMarksAndGapsOutsideTheWord)
{
    // Gaps before the first and after the last letter never show.
    EXPECT_EQ(tableOf({{".a", {{1, 3}, {2, 3}}}, {"d.", {{0, 3}, {1, 3}}}}).hyphenate("abcd"), "a-bc-d");
    // A pair may point past its pattern as long as the gap is in the word.
    EXPECT_EQ(tableOf({{"ab", {{3, 3}}}}).hyphenate("abcd"), "abc-d");
    EXPECT_EQ(tableOf({{"ab", {{200, 3}}}, {".a", {{0, 3}}}}).hyphenate("abcd"), "abcd");
    // Inner dots act like word edges.
    EXPECT_EQ(tableOf({{".b", {{1, 3}}}}).hyphenate("a.b"), "a.-b");
}

TEST(HyphenMatcher, ShortWordsAndLetterCase)
{
    const auto t = tableOf({{"ab", {{1, 3}}}, {"\xE4" "b", {{1, 3}}}});
    EXPECT_EQ(t.hyphenate(""), "");
    EXPECT_EQ(t.hyphenate("a"), "a");
    EXPECT_EQ(t.hyphenate("AB"), "A-B");
    // Only A-Z are lower-cased: the pattern for "äb" does not see "Äb".
    EXPECT_EQ(t.hyphenate("\xE4" "b"), "\xE4-b");
    EXPECT_EQ(t.hyphenate("\xC4" "b"), "\xC4" "b");
}

TEST(HyphenMatcher, OnlyLengthsTwoToElevenAreConsulted)
{
    const std::string word = "abcdefghijkl";
    const auto t = tableOf({
        {"a", {{1, 3}}},                   // group 1: loaded, never looked up
        {".abcdefghij", {{2, 3}}},         // 11 characters: used
        {".abcdefghijk", {{3, 3}}},        // 12 characters: never looked up
        {std::string(20, 'z'), {{1, 3}}},  // group 20
    });
    EXPECT_EQ(t.patternCount(1), 1);
    EXPECT_EQ(t.patternCount(11), 1);
    EXPECT_EQ(t.patternCount(12), 1);
    EXPECT_EQ(t.patternCount(20), 1);
    EXPECT_EQ(t.hyphenate(word), "a-bcdefghijkl");
}

// ---- Reading ".hyp" files ---------------------------------------------------

TEST(HyphenFile, TruncationKeepsWhatCameBefore)
{
    const std::string whole = hypImage({{"bc", {{1, 3}}}, {"cd", {{1, 3}}}, {"xyz", {{1, 3}}}});
    // Group 1 (4 bytes), group 2: count, "bc" record (7 bytes), then the
    // "cd" record cut after its letters.
    const size_t cut = 4 + 4 + 7 + 3;
    HyphenPatternTable t;
    EXPECT_FALSE(t.load(std::string_view(whole).substr(0, cut)));
    EXPECT_EQ(t.patternCount(2), 1);
    EXPECT_EQ(t.patternCount(3), 0);
    EXPECT_EQ(t.hyphenate("abcde"), "ab-cde");

    // Every prefix loads without harm.
    for (size_t n = 0; n <= whole.size(); ++n) {
        HyphenPatternTable p;
        EXPECT_EQ(p.load(std::string_view(whole).substr(0, n)), n == whole.size()) << n;
    }
}

TEST(HyphenFile, HostileCounts)
{
    // A huge count with two records behind it: both are read, then the data ends.
    ByteWriter w;
    w.i32(-5);  // group 1: a negative count reads as empty
    w.i32(INT_MAX);
    for (const char* letters : {"bc", "cd"}) {
        w.u8(2);
        w.str(letters);
        w.u16(1);
        w.u8(1);
        w.u8(3);
    }
    HyphenPatternTable t;
    EXPECT_FALSE(t.load(std::string_view(reinterpret_cast<const char*>(w.buffer().data()), w.size())));
    EXPECT_EQ(t.patternCount(1), 0);
    EXPECT_EQ(t.patternCount(2), 2);
    EXPECT_EQ(t.hyphenate("abcde"), "ab-c-de");
}

TEST(HyphenFile, ExtraPairsAndLongLetterRunsAreDropped)
{
    ByteWriter w;
    w.i32(0);
    // Group 2: a record with 12 pairs; the last two (odd values on gaps
    // the first ten leave alone) are skipped, the next record still reads.
    w.i32(2);
    w.u8(2);
    w.str("ab");
    w.u16(12);
    for (int i = 0; i < 10; ++i) { w.u8(uint8_t(10 + i)); w.u8(2); }
    w.u8(1); w.u8(3);
    w.u8(2); w.u8(3);
    w.u8(2);
    w.str("cd");
    w.u16(1);
    w.u8(1); w.u8(3);
    // Group 3: 25 letters cannot match a 3-character substring; dropped.
    w.i32(2);
    w.u8(25);
    w.str(std::string(25, 'q'));
    w.u16(0);
    w.u8(3);
    w.str("xyz");
    w.u16(1);
    w.u8(1); w.u8(3);
    for (int k = 4; k < 20; ++k) w.i32(0);
    // Group 20: 25 letters are kept to their first 20.
    w.i32(1);
    w.u8(25);
    w.str(std::string(25, 'q'));
    w.u16(0);

    HyphenPatternTable t;
    EXPECT_TRUE(t.load(std::string_view(reinterpret_cast<const char*>(w.buffer().data()), w.size())));
    EXPECT_EQ(t.patternCount(2), 2);
    EXPECT_EQ(t.patternCount(3), 1);
    EXPECT_EQ(t.patternCount(20), 1);
    EXPECT_EQ(t.hyphenate("abcd"), "abc-d");
    EXPECT_EQ(t.hyphenate("xyz"), "x-yz");
}

TEST(HyphenFile, RepeatedLettersMergeIntoOneBoundedEntry)
{
    // 200000 records with the same letters, each on the position of its
    // number's low byte, then one more with an odd value: loading stays
    // linear and the values merge per gap.
    ByteWriter w;
    w.i32(0);
    const int32_t n = 200000;
    w.i32(n + 1);
    for (int32_t i = 0; i <= n; ++i) {
        w.u8(2);
        w.str("bc");
        w.u16(1);
        w.u8(i < n ? uint8_t(i % 256) : 1);
        w.u8(i < n ? 2 : 3);
    }
    for (int k = 3; k <= 20; ++k) w.i32(0);
    HyphenPatternTable t;
    ASSERT_TRUE(t.load(std::string_view(reinterpret_cast<const char*>(w.buffer().data()), w.size())));
    EXPECT_EQ(t.patternCount(2), n + 1);
    const auto values = t.gapValues("abcd");
    EXPECT_EQ(std::vector<int>(values.begin(), values.end()), (std::vector<int>{0, 2, 3, 2, 2}));
    EXPECT_EQ(t.hyphenate("abcd"), "ab-cd");
}

TEST(HyphenFile, OversizedImageIsRefused)
{
    std::string image = hypImage({{"bc", {{1, 3}}}});
    image.resize(kHyphenMaxFileBytes + 1, '\0');
    HyphenPatternTable t;
    EXPECT_FALSE(t.load(image));
    EXPECT_EQ(t.patternCount(2), 0);
}

TEST(HyphenFile, MissingFileGivesNoBreaks)
{
    HyphenPatternTable t;
    EXPECT_FALSE(t.loadFile(test::outputDir() / "no-such-file.hyp"));
    EXPECT_EQ(t.hyphenate("Silbentrennung"), "Silbentrennung");
}

// ---- The converted tables ---------------------------------------------------

TEST(ConvertedPatterns, GermanWords)
{
    EXPECT_EQ(german("Silbentrennung"), "Sil-ben-tren-nung");
    EXPECT_EQ(german("Übersetzung"), "Über-set-zung");
    EXPECT_EQ(german("ÜBERSETZUNG"), "ÜBER-SET-ZUNG");
    EXPECT_EQ(german("Öffentlichkeit"), "Öf-fent-lich-keit");
    EXPECT_EQ(german("Häuser"), "Häu-ser");
    EXPECT_EQ(german("Straße"), "Stra-ße");
    EXPECT_EQ(german("Schifffahrt"), "Schiff-fahrt");
    EXPECT_EQ(german("Zucker"), "Zu-cker");
    EXPECT_EQ(german("Donaudampfschifffahrtsgesellschaft"), "Do-nau-dampf-schiff-fahrts-ge-sell-schaft");
    // A single letter never stands alone at either side.
    EXPECT_EQ(german("Abend"), "Abend");
    EXPECT_EQ(german("Ofen"), "Ofen");
}

TEST(ConvertedPatterns, EnglishWords)
{
    EXPECT_EQ(english("hyphenation"), "hy-phen-ation");
    EXPECT_EQ(english("information"), "in-for-ma-tion");
    EXPECT_EQ(english("Table"), "Ta-ble");
    EXPECT_EQ(english("academy"), "acad-emy");
    // At least two letters before a break and three after it.
    EXPECT_EQ(english("again"), "again");
    EXPECT_EQ(english("amount"), "amount");
    EXPECT_EQ(english("computer"), "com-puter");
}

TEST(ConvertedPatterns, PunctuationCountsAsWordEdge)
{
    EXPECT_EQ(german("(Computer)"), "(Com-pu-ter)");
    EXPECT_EQ(german("„Silbentrennung“,"), "„Sil-ben-tren-nung“,");
    EXPECT_EQ(german("Trennung."), "Tren-nung.");
    EXPECT_EQ(german("(Übersetzung)"), "(Über-set-zung)");
    EXPECT_EQ(german("z.B."), "z.B.");
    EXPECT_EQ(english("(computer)"), "(com-puter)");
    EXPECT_EQ(english("\"again\","), "\"again\",");
    EXPECT_EQ(english("(hyphenation),"), "(hy-phen-ation),");
}

// Over a large sample of the shipped word lists: the word is kept, no break
// leaves fewer letters than the language's minimum at either side, and none
// stands beside a non-letter.
TEST(ConvertedPatterns, NoShortEdgesAcrossTheWordLists)
{
    struct Case { const char* spe; const char* hyp; size_t left, right; };
    for (const Case c : {Case{"german.spe", "german0.hyp", 2, 2}, Case{"english.spe", "english0.hyp", 2, 3}}) {
        WordList words;
        if (!OpenWordList(test::programDir() / c.spe, words) || words.empty()) GTEST_SKIP() << c.spe << " missing";
        const auto& table = programTable(c.hyp);
        size_t breaks = 0;
        for (size_t i = 0; i < words.size(); i += 19) {
            for (const std::string& w : {words.word(i), "(" + words.word(i) + "),"}) {
                const std::string h = table.hyphenate(w);
                ASSERT_EQ(unhyphenated(h), w);
                size_t before = 0;  // letters since the last edge
                for (size_t k = 0; k < h.size(); ++k) {
                    if (h[k] != '-') {
                        before = isAnsiLetter(uint8_t(h[k])) ? before + 1 : 0;
                        continue;
                    }
                    ++breaks;
                    size_t after = 0;
                    for (size_t j = k + 1; j < h.size() && (h[j] == '-' || isAnsiLetter(uint8_t(h[j]))); ++j)
                        after += h[j] != '-';
                    ASSERT_GE(before, c.left) << h;
                    ASSERT_GE(after, c.right) << h;
                }
            }
        }
        EXPECT_GT(breaks, words.size() / 19) << c.hyp;
    }
}

// Quotes, brackets and punctuation beside a word do not change its breaks.
TEST(ConvertedPatterns, MarksBesideAWordKeepItsBreaks)
{
    for (const char* spe : {"german.spe", "english.spe"}) {
        WordList words;
        if (!OpenWordList(test::programDir() / spe, words) || words.empty()) GTEST_SKIP() << spe << " missing";
        const auto& table = programTable(spe[0] == 'g' ? "german0.hyp" : "english0.hyp");
        for (size_t i = 0; i < words.size(); i += 53) {
            const std::string& w = words.word(i);
            if (w.find('\'') != std::string::npos) continue;
            const std::string bare = table.hyphenate(w);
            for (const char* open : {"(", "\x84", "\x93"})
                ASSERT_EQ(table.hyphenate(open + w), open + bare);
            for (const char* close : {",", ".", ")", "\x93", "\x94", "!"})
                ASSERT_EQ(table.hyphenate(w + close), bare + close);
        }
    }
}

// ---- The document window ----------------------------------------------------

TEST(HyphenWindow, CacheKeepsTheFirstLetterCase)
{
    FrameState frame = StandardFrameState();
    frame.ProgDir = test::programDir();
    TMDIChild w(frame);
    w.OpenHyphenData();
    EXPECT_EQ(w.TrenneSilben("Silbentrennung"), "Sil-ben-tren-nung");
    EXPECT_EQ(w.TrenneSilben("SILBENTRENNUNG"), "Sil-ben-tren-nung");
    EXPECT_EQ(w.HyphenCache.size(), 1u);
    w.FreeHyphenData();
    EXPECT_TRUE(w.HyphenCache.empty());
    EXPECT_EQ(w.TrenneSilben("SILBENTRENNUNG"), "SIL-BEN-TREN-NUNG");
}

// A long text of ever new words does not grow the cache without end, and
// what the window answers stays the same when it starts afresh.
TEST(HyphenWindow, CacheOfManyWordsStaysBoundedAndAnswersAlike)
{
    FrameState frame = StandardFrameState();
    frame.ProgDir = test::programDir();
    TMDIChild w(frame);
    w.OpenHyphenData();
    TMDIChild fresh(frame);
    fresh.OpenHyphenData();
    const std::string before = w.TrenneSilben("Silbentrennung");
    size_t largest = 0;
    for (uint32_t n = 0; n < 40000; ++n) {
        std::string word = "Kinder";
        for (uint32_t v = n; v > 0; v /= 26) word += char('a' + v % 26);
        const std::string got = w.TrenneSilben(word);
        if (n % 997 == 0) {
            EXPECT_EQ(got, fresh.TrenneSilben(word)) << word;
            fresh.FreeHyphenData();
        }
        largest = std::max(largest, w.HyphenCache.size());
    }
    EXPECT_GT(largest, 1000u);
    EXPECT_LT(largest, 40000u);
    EXPECT_EQ(w.TrenneSilben("Silbentrennung"), before);
    EXPECT_EQ(before, "Sil-ben-tren-nung");
}

TEST(HyphenWindow, LanguageChangeLoadsEnglishOnFirstUse)
{
    const auto dir = freshDir("hyph-language");
    std::filesystem::copy_file(test::programDir() / "german0.hyp", dir / "german0.hyp");
    std::filesystem::copy_file(test::programDir() / "english0.hyp", dir / "english0.hyp");
    writeFile(dir / "english.spe", std::string("\x00\x04" "haus", 6));

    FrameState frame = StandardFrameState();
    frame.ProgDir = dir;
    frame.UserDict = std::make_shared<WordList>();
    frame.UserDict->append("Flurfunk");
    frame.IgnoreList = std::make_shared<WordList>();
    frame.IgnoreList->append("Zwiebelfisch");

    TMDIChild w(frame);
    w.OpenHyphenData();
    ASSERT_TRUE(frame.PatternsGerman && frame.PatternsGerman->loaded());
    EXPECT_EQ(w.CurrentPatternTable, frame.PatternsGerman.get());
    EXPECT_EQ(w.CurrentWordList, frame.WordListGerman.get());
    EXPECT_TRUE(istwortkorrekt(*frame.WordListGerman, "Flurfunk", false));
    EXPECT_TRUE(istwortkorrekt(*frame.WordListGerman, "Zwiebelfisch", false));
    EXPECT_TRUE(!frame.PatternsEnglish || !frame.PatternsEnglish->loaded());

    w.TrenneSilben("Computer");
    w.SetNewDokumentSprache(0);  // same language: nothing happens
    EXPECT_EQ(w.HyphenCache.size(), 1u);

    w.SetNewDokumentSprache(1);
    EXPECT_EQ(w.DocLanguage, 1);
    ASSERT_TRUE(frame.PatternsEnglish && frame.PatternsEnglish->loaded());
    EXPECT_EQ(w.CurrentPatternTable, frame.PatternsEnglish.get());
    ASSERT_EQ(w.CurrentWordList, frame.WordListEnglish.get());
    EXPECT_TRUE(istwortkorrekt(*frame.WordListEnglish, "haus", false));
    EXPECT_TRUE(istwortkorrekt(*frame.WordListEnglish, "Flurfunk", false));
    EXPECT_TRUE(w.HyphenCache.empty());
    EXPECT_EQ(w.TrenneSilben("Computer"), "Com-puter");

    // Back to German: the loaded table is reused, the lists are not merged again.
    frame.UserDict->append("Nachzuegler");
    w.SetNewDokumentSprache(0);
    EXPECT_EQ(w.TrenneSilben("Computer"), "Com-pu-ter");
    EXPECT_FALSE(istwortkorrekt(*frame.WordListGerman, "Nachzuegler", false));
}

TEST(HyphenWindow, SecondWindowSharesTheLoadedTable)
{
    FrameState frame = StandardFrameState();
    frame.ProgDir = test::programDir();
    TMDIChild first(frame);
    first.OpenHyphenData();
    const int32_t count = frame.PatternsGerman->patternCount(2);
    ASSERT_GT(count, 0);
    TMDIChild second(frame);
    second.OpenHyphenData();
    EXPECT_EQ(second.CurrentPatternTable, first.CurrentPatternTable);
    EXPECT_EQ(frame.PatternsGerman->patternCount(2), count);  // not loaded twice
    EXPECT_EQ(second.TrenneSilben("Silbentrennung"), "Sil-ben-tren-nung");
}

TEST(HyphenWindow, MissingPatternFileGivesNoBreaksAndIsNotRetried)
{
    const auto dir = freshDir("hyph-missing");
    FrameState frame = StandardFrameState();
    frame.ProgDir = dir;
    TMDIChild w(frame);
    w.OpenHyphenData();
    ASSERT_TRUE(frame.PatternsGerman && frame.PatternsGerman->loaded());
    EXPECT_EQ(w.TrenneSilben("Silbentrennung"), "Silbentrennung");
    std::filesystem::copy_file(test::programDir() / "german0.hyp", dir / "german0.hyp");
    w.OpenHyphenData();
    EXPECT_TRUE(w.HyphenCache.empty());
    EXPECT_EQ(w.TrenneSilben("Silbentrennung"), "Silbentrennung");
}
