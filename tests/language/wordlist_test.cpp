#include "formats/StandardServices.h"
#include "language/WordList.h"

#include "engine/Childwin.h"
#include "platform/MessageBox.h"
#include "platform/Win1252.h"
#include "tests/support/TestPaths.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

using namespace quillet;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// One ".spe" record: A, N, the new bytes.
std::string rec(uint8_t a, std::string_view fresh)
{
    std::string r;
    r.push_back(static_cast<char>(a));
    r.push_back(static_cast<char>(fresh.size()));
    r.append(fresh);
    return r;
}

WordList listOf(std::initializer_list<const char*> words)
{
    WordList l;
    for (const char* w : words) l.append(w);
    return l;
}

bool isSortedByKey(const WordList& l)
{
    for (size_t i = 1; i < l.size(); ++i)
        if (l.key(i) < l.key(i - 1)) return false;
    return true;
}

std::string readFile(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::filesystem::path& p, std::string_view bytes)
{
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class RecordingBoxes : public MessageBoxes {
public:
    std::vector<std::string> texts;
    MsgResult show(std::string_view text, std::string_view, MsgIcon, MsgButtons) override
    {
        texts.emplace_back(text);
        return MsgResult::Ok;
    }
};

// The converted lists of the program folder, loaded once.
const WordList& programList(const char* name)
{
    static WordList german, english;
    WordList& l = std::string_view(name) == "german.spe" ? german : english;
    if (l.empty()) OpenWordList(test::programDir() / name, l);
    return l;
}

std::vector<std::string> firstN(std::vector<std::string> v, size_t n)
{
    if (v.size() > n) v.resize(n);
    return v;
}

} // namespace

// ---- ".spe" reader --------------------------------------------------------

TEST(SpeReader, SharedPrefixAndCaseBit)
{
    WordList l;
    EXPECT_EQ(appendSpeWords(rec(0, "haus") + rec(131, "s") + rec(0x80 | 4, "") + rec(2, "st"), l), 4u);
    EXPECT_THAT(l.words(), ElementsAre("haus", "Haus", "Haus", "hast"));
    // The case bit touches only ASCII letters.
    WordList m;
    appendSpeWords(rec(0x80, "\xFC" "ber") + rec(0x80, "1a"), m);
    EXPECT_THAT(m.words(), ElementsAre("\xFC" "ber", "1a"));
}

TEST(SpeReader, KeepsFileOrderAndAppends)
{
    WordList l = listOf({"zz"});
    appendSpeWords(rec(0, "b") + rec(0, "a"), l);
    EXPECT_THAT(l.words(), ElementsAre("zz", "b", "a"));
    EXPECT_EQ(l.key(1), "B");
}

TEST(SpeReader, TruncatedRecordEndsTheList)
{
    const std::string good = rec(0, "haus");
    for (const std::string& tail : {std::string("\x03"), std::string("\x03\x02"), std::string("\x03\x02s")}) {
        WordList l;
        EXPECT_EQ(appendSpeWords(good + tail, l), 1u) << tail.size();
        EXPECT_THAT(l.words(), ElementsAre("haus"));
    }
}

TEST(SpeReader, SkipsRecordsTheFormatCannotHold)
{
    const std::string w50(50, 'a');
    const std::string w49(49, 'b');
    WordList l;
    appendSpeWords(rec(0, "haus")
                       + rec(5, "x")            // shares more than "haus" has
                       + rec(0, "")             // empty word
                       + rec(3, "ser")          // still based on "haus"
                       + rec(0, w50)            // exactly the limit
                       + rec(1, w50)            // one byte over
                       + rec(0, w49 + "cc")     // 51 new bytes
                       + rec(0x7F, "a")         // prefix beyond any word
                       + rec(49, "z"),          // based on the 50-byte word
                   l);
    EXPECT_THAT(l.words(), ElementsAre("haus", "hauser", w50, std::string(49, 'a') + "z"));
}

TEST(SpeReader, LongRandomInputStaysInBounds)
{
    std::string bytes;
    uint32_t x = 12345;
    for (int i = 0; i < 200000; ++i) {
        x = x * 1103515245u + 12345u;
        bytes.push_back(static_cast<char>(x >> 24));
    }
    WordList l;
    appendSpeWords(bytes, l);
    for (const auto& w : l.words()) {
        EXPECT_FALSE(w.empty());
        EXPECT_LE(w.size(), kSpeMaxWordLength);
    }
}

TEST(SpeReader, MissingFileLeavesListAlone)
{
    WordList l = listOf({"weg"});
    EXPECT_FALSE(OpenWordList(test::outputDir() / "no-such-list.spe", l));
    EXPECT_THAT(l.words(), ElementsAre("weg"));
}

// ---- Lookup -------------------------------------------------------------

TEST(Lookup, DigitsAndEmptyList)
{
    WordList empty;
    EXPECT_FALSE(istwortkorrekt(empty, "4711", true));
    EXPECT_FALSE(istwortkorrekt(empty, "haus", true));
    WordList l = listOf({"haus"});
    EXPECT_TRUE(istwortkorrekt(l, "4711", false));
    EXPECT_TRUE(istwortkorrekt(l, "A4", false));
    EXPECT_FALSE(istwortkorrekt(l, "", true));
}

TEST(Lookup, CapitalRuleRaisesOnlyTheFirstLetter)
{
    WordList lower = listOf({"haus"});
    EXPECT_TRUE(istwortkorrekt(lower, "haus", false));
    EXPECT_TRUE(istwortkorrekt(lower, "Haus", true));
    EXPECT_FALSE(istwortkorrekt(lower, "Haus", false));
    EXPECT_FALSE(istwortkorrekt(lower, "HAUS", true));
    EXPECT_FALSE(istwortkorrekt(lower, "hau", true));
    EXPECT_FALSE(istwortkorrekt(lower, "hausa", true));

    WordList upper = listOf({"Haus"});
    EXPECT_FALSE(istwortkorrekt(upper, "haus", true));
    EXPECT_FALSE(istwortkorrekt(upper, "haus", false));
    EXPECT_TRUE(istwortkorrekt(upper, "Haus", false));
}

TEST(Lookup, FindsEveryEntryOfARunOfEqualKeys)
{
    // Many spellings of one key: each must be found wherever the search lands.
    WordList l;
    l.append("a");
    const std::vector<std::string> forms = {"ABC", "ABc", "AbC", "Abc", "aBC", "aBc", "abC", "abc"};
    for (int copy = 0; copy < 4; ++copy)
        for (const auto& f : forms) l.append(f);
    l.append("abd");
    for (const auto& f : forms) EXPECT_TRUE(istwortkorrekt(l, f, false)) << f;
    EXPECT_TRUE(istwortkorrekt(l, "abd", false));
    EXPECT_TRUE(istwortkorrekt(l, "a", false));
    EXPECT_FALSE(istwortkorrekt(l, "ab", true));
}

TEST(Lookup, CommonGermanWords)
{
    const WordList& de = programList("german.spe");
    ASSERT_GT(de.size(), 300000u);
    EXPECT_TRUE(isSortedByKey(de));
    for (const char* w : {"Haus", "und", "der", "schreiben", "Stra\xDF" "e", "M\xE4" "dchen", "sch\xF6n", "\xFC" "ber",
                          "\xE4" "ndern", "gro\xDF", "Fenster", "Bundesrepublik"})
        EXPECT_TRUE(istwortkorrekt(de, w, false)) << ansiToUtf8(w);
    // At the start of a sentence, also with a non-ASCII initial.
    for (const char* w : {"Und", "Der", "Schreiben", "\xDC" "ber", "\xC4" "ndern", "\xD6" "fter"})
        EXPECT_TRUE(istwortkorrekt(de, w, true)) << ansiToUtf8(w);
    for (const char* w : {"Hauss", "Fenstr", "schreibn", "Strase", "und und"})
        EXPECT_FALSE(istwortkorrekt(de, w, true)) << w;
    EXPECT_FALSE(istwortkorrekt(de, "haus", true));  // a stored capital stays required
}

TEST(Lookup, CommonEnglishWords)
{
    const WordList& en = programList("english.spe");
    ASSERT_GT(en.size(), 50000u);
    EXPECT_TRUE(isSortedByKey(en));
    for (const char* w : {"the", "house", "receive", "separate", "definitely", "doesn", "t", "Aaron"})
        EXPECT_TRUE(istwortkorrekt(en, w, false)) << w;
    for (const char* w : {"The", "House", "Receive"}) EXPECT_TRUE(istwortkorrekt(en, w, true)) << w;
    for (const char* w : {"recieve", "seperate", "definately", "teh", "doesn't"})
        EXPECT_FALSE(istwortkorrekt(en, w, true)) << w;
}

// ---- Suggestions --------------------------------------------------------

TEST(Suggestions, Scores)
{
    // One letter more than a list word, all else shared: 5 common, 0.25.
    EXPECT_DOUBLE_EQ(suggestionScore("HAUS", "HAUSS"), 200.0);
    // Equal words count their length twice.
    EXPECT_DOUBLE_EQ(suggestionScore("HAUS", "HAUS"), 400.0);
    // Length differences 2, 3, 4 divide by 1, 2.25, 4 (2 leading + 2 trailing).
    EXPECT_DOUBLE_EQ(suggestionScore("ABAB", "AB"), 4 * 100.0 / 4 / 1.0);
    EXPECT_DOUBLE_EQ(suggestionScore("ABCAB", "AB"), 4 * 100.0 / 4 / 2.25);
    EXPECT_DOUBLE_EQ(suggestionScore("ABCDAB", "AB"), 4 * 100.0 / 4 / 4.0);
    EXPECT_DOUBLE_EQ(suggestionScore("XYZ", "ABC"), 0.0);
}

TEST(Suggestions, BestTierOnlyAndBestFirst)
{
    WordList l = listOf({"Haus", "Hans", "Maus", "hauss", "xyz"});
    // "hauss" (the word in other case) 400, "Haus" 200, "Hans" 120, "Maus" 40.
    EXPECT_THAT(findewortvorschlaege(l, "HAUSS"), ElementsAre("hauss", "Haus"));

    // Nothing reaches 132: the 100 tier alone, "abcxy" (120) without "abxyz" (80).
    WordList mid = listOf({"abxyz", "abcxy", "qqqqq"});
    EXPECT_THAT(findewortvorschlaege(mid, "abcde"), ElementsAre("abcxy"));
    // Nothing reaches 100: the 66 tier. "axxxe" scores 2*100/10/0.25 = 80.
    WordList low = listOf({"axxxe", "qqqqq"});
    EXPECT_THAT(findewortvorschlaege(low, "abcde"), ElementsAre("axxxe"));
    WordList none = listOf({"qqqqq"});
    EXPECT_THAT(findewortvorschlaege(none, "abcde"), IsEmpty());
    EXPECT_THAT(findewortvorschlaege(l, ""), IsEmpty());
    EXPECT_THAT(findewortvorschlaege(WordList{}, "Haus"), IsEmpty());
}

TEST(Suggestions, RealMisspellings)
{
    const WordList& de = programList("german.spe");
    EXPECT_THAT(firstN(findewortvorschlaege(de, "Hauss"), 5), Contains("Haus"));
    EXPECT_THAT(firstN(findewortvorschlaege(de, "Fenstr"), 5), Contains("Fenster"));
    EXPECT_THAT(firstN(findewortvorschlaege(de, "schreibn"), 5), Contains("schreiben"));
    const WordList& en = programList("english.spe");
    EXPECT_THAT(firstN(findewortvorschlaege(en, "recieve"), 5), Contains("receive"));
    EXPECT_THAT(firstN(findewortvorschlaege(en, "seperate"), 5), Contains("separate"));
    EXPECT_THAT(firstN(findewortvorschlaege(en, "definately"), 5), Contains("definitely"));
}

// ---- Adding words ---------------------------------------------------------

TEST(AddWord, ExactCompareAndKeyOrder)
{
    WordList l = listOf({"haus", "weg", "zug"});
    addwordtowordlist(l, "Weg");
    EXPECT_THAT(l.words(), ElementsAre("haus", "weg", "Weg", "zug"));
    addwordtowordlist(l, "weg");
    addwordtowordlist(l, "Weg");
    EXPECT_EQ(l.size(), 4u);
    addwordtowordlist(l, "Apfel");
    addwordtowordlist(l, "zzz");
    addwordtowordlist(l, "Wegweiser");
    EXPECT_THAT(l.words(), ElementsAre("Apfel", "haus", "weg", "Weg", "Wegweiser", "zug", "zzz"));
    WordList empty;
    addwordtowordlist(empty, "eins");
    EXPECT_THAT(empty.words(), ElementsAre("eins"));
}

TEST(AddList, MergesOnlyUnknownWordsEitherWay)
{
    for (size_t count : {size_t{4999}, size_t{5000}}) {
        WordList l = listOf({"b0", "mitte", "Zebra"});  // "b0" holds a digit: sorts but is no test
        std::vector<std::string> words;
        for (size_t i = 0; i < count; ++i) {
            std::string w;
            for (size_t v = i; w.size() < 4; v /= 26) w.push_back(static_cast<char>('a' + v % 26));
            words.push_back(i % 2 ? w : asciiUpper(w.substr(0, 1)) + w.substr(1));
        }
        words.push_back("mitte");  // known
        words.push_back("Mitte");  // known only with the capital rule, which is off here
        words.push_back("x9");     // digits are always accepted
        words.push_back(words[0]); // twice in the list
        addlisttowordlist(l, words);
        EXPECT_EQ(l.size(), 3 + count + 1) << count;
        EXPECT_TRUE(isSortedByKey(l)) << count;
        for (size_t i = 0; i < count; i += 97) EXPECT_TRUE(istwortkorrekt(l, words[i], false)) << words[i];
        EXPECT_TRUE(istwortkorrekt(l, "Mitte", false));
        EXPECT_TRUE(istwortkorrekt(l, "Zebra", false));
    }
}

TEST(AddList, UserWordsJoinALoadedList)
{
    WordList de = programList("german.spe");
    const WordList user = listOf({"Quilletbrief", "quilletisch", "Haus", "mfg"});
    addlisttowordlist(de, user.words());
    EXPECT_TRUE(isSortedByKey(de));
    EXPECT_TRUE(istwortkorrekt(de, "Quilletbrief", false));
    EXPECT_TRUE(istwortkorrekt(de, "Quilletisch", true));
    EXPECT_TRUE(istwortkorrekt(de, "mfg", false));
    EXPECT_EQ(de.size(), programList("german.spe").size() + 3);
}

TEST(SortWordList, ByKeyKeepingEqualKeysInOrder)
{
    WordList l = listOf({"zug", "Weg", "\xFC" "ber", "apfel", "weg", "Apfel", "ab"});
    SortWordList(l);
    EXPECT_THAT(l.words(), ElementsAre("ab", "apfel", "Apfel", "Weg", "weg", "zug", "\xFC" "ber"));
}

// ---- User dictionary ----------------------------------------------------

TEST(UserDict, ReadsLfAndCrlfWritesCrlf)
{
    const auto file = test::outputDir() / "user-roundtrip.spe";
    writeFile(file, "eins\r\nzwei\n\r\n\ndrei\r\nvier");
    WordList dict;
    ASSERT_TRUE(LoadUserDict(file, dict));
    EXPECT_THAT(dict.words(), ElementsAre("eins", "zwei", "drei", "vier"));

    dict.append("f\xFCnf");
    ASSERT_TRUE(SaveUserDict(file, dict));
    EXPECT_EQ(readFile(file), "eins\r\nzwei\r\ndrei\r\nvier\r\nf\xFCnf\r\n");
    for (const auto& e : std::filesystem::directory_iterator(file.parent_path()))
        EXPECT_NE(e.path().filename().string().rfind(".user-roundtrip.spe", 0), 0u) << "left behind: " << e.path();

    WordList missing;
    EXPECT_FALSE(LoadUserDict(test::outputDir() / "no-such-user.spe", missing));
    EXPECT_TRUE(missing.empty());
}

TEST(UserDict, AnyBytesAreWordsAndTheImageReadsBack)
{
    struct Case {
        std::string bytes;
        std::vector<std::string> words;
    };
    const std::vector<Case> cases = {
        {"", {}},
        {"\r\n\n\r\n\r", {}},
        {"ohne Zeilenende", {"ohne Zeilenende"}},
        {"a\rb\r\n", {"a\rb"}},    // a CR inside a line is part of the word
        {"a\r\r\n", {"a\r"}},      // only one CR belongs to the line end
        {std::string("n\0l\n\0", 5), {std::string("n\0l", 3), std::string(1, '\0')}},
        {"\xFF\xFE\n\n\n\xFC" "ber", {"\xFF\xFE", "\xFC" "ber"}},
    };
    for (const Case& c : cases) {
        WordList l = listOf({"vorher"});
        EXPECT_EQ(appendUserDictWords(c.bytes, l), c.words.size()) << c.bytes;
        std::vector<std::string> expected{"vorher"};
        expected.insert(expected.end(), c.words.begin(), c.words.end());
        EXPECT_EQ(l.words(), expected);
        WordList again;
        appendUserDictWords(userDictImage(l), again);
        EXPECT_EQ(again.words(), l.words());
    }
}

TEST(UserDict, DialogDeletesSelectedLinesAndSavesEmpty)
{
    WordList dict = listOf({"a", "b", "c", "d", "e"});
    dict.eraseIndices({1, 3, 4, 3, 99});
    EXPECT_THAT(dict.words(), ElementsAre("a", "c"));
    dict.eraseIndices({0, 1});
    EXPECT_TRUE(dict.empty());
    const auto file = test::outputDir() / "user-empty.spe";
    writeFile(file, "old\r\n");
    ASSERT_TRUE(SaveUserDict(file, dict));
    EXPECT_EQ(readFile(file), "");
}

TEST(UserDict, SaveFailureIsReported)
{
    RecordingBoxes boxes;
    setMessageBoxes(&boxes);
    const bool ok = SaveUserDict(test::outputDir() / "no-such-folder" / "user.spe", listOf({"wort"}));
    setMessageBoxes(nullptr);
    EXPECT_FALSE(ok);
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_NE(boxes.texts[0].find("user.spe"), std::string::npos);
}

// ---- The document window's spelling questions ------------------------------

TEST(DocumentSpelling, ActsOnTheCurrentList)
{
    FrameState frame = StandardFrameState();
    TMDIChild w(frame);
    w.CurrentWordList = nullptr;
    EXPECT_FALSE(w.istwortkorrekt("haus", 1));
    w.addwordtowordlist("haus");
    w.SuggestionList = {"stale"};
    w.findewortvorschlaege("Hauss");
    EXPECT_THAT(w.SuggestionList, IsEmpty());

    WordList list = listOf({"haus", "maus"});
    w.CurrentWordList = &list;
    EXPECT_TRUE(w.istwortkorrekt("Haus", 1));
    EXPECT_FALSE(w.istwortkorrekt("Haus", 0));
    w.addwordtowordlist("Baum");
    w.addlisttowordlist(listOf({"Zwiebel", "haus"}));
    EXPECT_THAT(list.words(), ElementsAre("Baum", "haus", "maus", "Zwiebel"));
    w.findewortvorschlaege("Hauss");
    EXPECT_THAT(w.SuggestionList, ElementsAre("haus"));
    w.SuggestionList = {"stale"};
    w.findewortvorschlaege("");
    EXPECT_THAT(w.SuggestionList, IsEmpty());
}
