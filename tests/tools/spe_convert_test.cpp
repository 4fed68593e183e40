#define QUILLET_SPE_CONVERT_NO_MAIN
#include "tools/spe_convert.cpp"

#include "language/WordList.h"
#include "tests/support/TestPaths.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

using namespace quillet;
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

namespace {

std::vector<std::string> collect(const std::string& text, bool split)
{
    std::istringstream in(text);
    spe::ConvertStats stats;
    return spe::collectWords(in, split, stats);
}

std::string rec(uint8_t a, std::string_view fresh)
{
    std::string r;
    r.push_back(static_cast<char>(a));
    r.push_back(static_cast<char>(fresh.size()));
    r.append(fresh);
    return r;
}

std::vector<std::string> decode(std::string_view bytes)
{
    WordList l;
    appendSpeWords(bytes, l);
    return l.words();
}

std::string readFile(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

TEST(SpeConvert, ReadsUtf8LinesIntoWindows1252)
{
    const std::string w50(50, 'x');
    const std::string u26 = [] { std::string s; for (int i = 0; i < 26; ++i) s += "\xC3\xBC"; return s; }();
    EXPECT_THAT(collect("eins\r\n\nzwei\n\r\n\xC3\xBC" "ber\nStra\xC3\x9F" "e\n\xE2\x82\xAC" "uro\n"  // euro sign is 0x80
                        "\xC5\xB5ord\n"         // w with circumflex: not in the code page
                        "bad\xC3\n"             // cut UTF-8 sequence
                        "bad\xFFz\n"            // not UTF-8 at all
                        + w50 + "\n" + w50 + "y\n" + u26 + "\nletzte",
                        false),
                ElementsAre("eins", "zwei", "\xFC" "ber", "Stra\xDF" "e", "\x80" "uro", w50, std::string(26, '\xFC'),
                            "letzte"));
}

TEST(SpeConvert, ApostropheLinesGiveTheirParts)
{
    EXPECT_THAT(collect("Aaron's\ndon't\n'tis\nrock'n'roll\nplain\n", true),
                ElementsAre("Aaron", "s", "don", "t", "tis", "rock", "n", "roll", "plain"));
    EXPECT_THAT(collect("don't\n", false), ElementsAre("don't"));
}

TEST(SpeConvert, CapitalTwinsForNonAsciiInitials)
{
    std::vector<std::string> words = {"\xFC" "ber", "\xE4" "ndern", "\x9A" "uma", "\xFF" "a", "\xDF" "a", "\xDC" "bel",
                                      "haus", "\x83" "x"};
    spe::ConvertStats stats;
    spe::addCapitalTwins(words, stats);
    EXPECT_THAT(words, UnorderedElementsAre("\xFC" "ber", "\xDC" "ber", "\xE4" "ndern", "\xC4" "ndern", "\x9A" "uma",
                                            "\x8A" "uma", "\xFF" "a", "\x9F" "a", "\xDF" "a", "\xDC" "bel", "haus",
                                            "\x83" "x"));
}

TEST(SpeConvert, SortsByUppercasedBytesAndDropsDuplicates)
{
    std::vector<std::string> words = {"weg", "\xFC" "ber", "Weg", "ab", "Abc", "abc", "weg", "a", "Zug", "\xC4" "x"};
    spe::sortWords(words);
    EXPECT_THAT(words, ElementsAre("a", "ab", "Abc", "abc", "Weg", "weg", "Zug", "\xC4" "x", "\xFC" "ber"));
}

TEST(SpeConvert, FrontCodingBytes)
{
    EXPECT_EQ(spe::encodeSpe({"Weg", "weg", "wege", "Wegweiser"}),
              rec(0x80, "Weg") + rec(3, "") + rec(3, "e") + rec(0x80 | 3, "weiser"));
    // Non-ASCII initials never share their first byte across case.
    EXPECT_EQ(spe::encodeSpe({"\xC4" "x", "\xE4" "x", "\xE4" "xy"}), rec(0, "\xC4" "x") + rec(0, "\xE4" "x") + rec(2, "y"));
    // Digits and other non-letters must match exactly.
    EXPECT_EQ(spe::encodeSpe({"1a", "1b"}), rec(0, "1a") + rec(1, "b"));
}

TEST(SpeConvert, RoundTripThroughTheReader)
{
    std::istringstream in("Haus\nhaus\nHausse\nhausen\nHaustür\n\xC3\xBC" "ber\nab\nAb\nabc\n"
                          + std::string(50, 'q') + "\n" + std::string(49, 'q') + "r\nZ\nz\n");
    spe::ConvertStats stats;
    const std::string bytes = spe::convertWordList(in, false, stats);
    std::vector<std::string> expected = {"Haus", "haus", "Hausse", "hausen", "Haust\xFCr", "\xFC" "ber", "\xDC" "ber",
                                         "ab", "Ab", "abc", std::string(50, 'q'), std::string(49, 'q') + "r", "Z", "z"};
    spe::sortWords(expected);
    EXPECT_EQ(decode(bytes), expected);
    EXPECT_EQ(stats.words, expected.size());
}

TEST(SpeConvert, ProgramFolderListsAreConsistent)
{
    for (const char* name : {"german.spe", "english.spe"}) {
        const std::string bytes = readFile(test::programDir() / name);
        ASSERT_FALSE(bytes.empty()) << name;
        const auto words = decode(bytes);
        // Re-encoding the decoded list gives the file back: nothing was skipped.
        EXPECT_EQ(spe::encodeSpe(words), bytes) << name;
        auto sorted = words;
        spe::sortWords(sorted);
        EXPECT_EQ(sorted, words) << name;
        // Every lower-case non-ASCII initial has its capital twin right there.
        WordList list;
        appendSpeWords(bytes, list);
        size_t twins = 0;
        for (const auto& w : words) {
            const auto c = static_cast<uint8_t>(w[0]);
            if (c < 0x80 || ansiUpper(c) == c) continue;
            std::string twin = w;
            twin[0] = static_cast<char>(ansiUpper(c));
            EXPECT_TRUE(istwortkorrekt(list, twin, false)) << name << " " << ansiToUtf8(twin);
            ++twins;
        }
        if (std::string_view(name) == "german.spe") {
            EXPECT_GT(twins, 100u);
        }
    }
}
