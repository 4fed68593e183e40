#include "platform/Win1252.h"

#include <gtest/gtest.h>

#include <string>

namespace quillet {
namespace {

TEST(Win1252, EveryByteSurvivesTheRoundTrip)
{
    std::string all;
    for (int c = 1; c < 256; ++c) all.push_back(static_cast<char>(c));
    EXPECT_EQ(utf8ToAnsi(ansiToUtf8(all)), all);
    for (int c = 0; c < 256; ++c)
        EXPECT_EQ(unicodeToCp1252(cp1252ToUnicode(static_cast<uint8_t>(c))), c) << c;
    EXPECT_EQ(cp1252ToUnicode(0x80), U'\u20AC');
    EXPECT_EQ(cp1252ToUnicode(0x9F), U'\u0178');
    EXPECT_EQ(ansiToUtf8("\x80"), "\xE2\x82\xAC");
    EXPECT_EQ(ansiToUtf8("\xE4"), "\xC3\xA4");
}

TEST(Win1252, UnmappableAndBrokenInputIsDropped)
{
    EXPECT_EQ(unicodeToCp1252(0x0100), -1);
    EXPECT_EQ(unicodeToCp1252(0x4E2D), -1);
    // "a", euro, a CJK ideograph, an emoji, "b".
    EXPECT_EQ(utf8ToAnsi("a\xE2\x82\xAC\xE4\xB8\xAD\xF0\x9F\x98\x80" "b"), "a\x80" "b");
    // A stray continuation byte, a truncated sequence and a lead byte
    // followed by ASCII lose only the broken bytes.
    EXPECT_EQ(utf8ToAnsi("x\x80y"), "xy");
    EXPECT_EQ(utf8ToAnsi("x\xC3"), "x");
    EXPECT_EQ(utf8ToAnsi("\xC3" "A"), "A");
    EXPECT_EQ(utf8ToAnsi(""), "");
}

TEST(Win1252, LetterClassesCoverAccentedLetters)
{
    for (uint8_t c : {uint8_t('a'), uint8_t('Z'), uint8_t(0xC4), uint8_t(0xDF), uint8_t(0xFF),
                      uint8_t(0x8A), uint8_t(0x9C), uint8_t(0xB5)})
        EXPECT_TRUE(isAnsiLetter(c)) << int(c);
    for (uint8_t c : {uint8_t('1'), uint8_t(' '), uint8_t(0xD7), uint8_t(0xF7), uint8_t(0x80),
                      uint8_t(0xA9), uint8_t('-')})
        EXPECT_FALSE(isAnsiLetter(c)) << int(c);
    EXPECT_TRUE(isAnsiDigit('7'));
    EXPECT_FALSE(isAnsiDigit(0xB2));   // superscript two is not a digit
    EXPECT_TRUE(isAnsiAlnum('7'));
    EXPECT_TRUE(isAnsiAlnum(0xE9));
    EXPECT_FALSE(isAnsiAlnum('_'));
}

TEST(Win1252, CasingPairsAreInverse)
{
    EXPECT_EQ(ansiUpper(0xE4), 0xC4);   // ä -> Ä
    EXPECT_EQ(ansiUpper(0x9A), 0x8A);   // š -> Š
    EXPECT_EQ(ansiUpper(0xFF), 0x9F);   // ÿ -> Ÿ
    EXPECT_EQ(ansiUpper(0xDF), 0xDF);   // ß has no one-byte capital
    EXPECT_EQ(ansiUpper(0xF7), 0xF7);   // ÷ is no letter
    EXPECT_EQ(ansiLower(0xD7), 0xD7);   // × is no letter
    for (int c = 0; c < 256; ++c) {
        const auto b = static_cast<uint8_t>(c);
        if (ansiUpper(b) != b) {
            EXPECT_EQ(ansiLower(ansiUpper(b)), b) << c;
        }
        if (ansiLower(b) != b) {
            EXPECT_EQ(ansiUpper(ansiLower(b)), b) << c;
        }
        if (ansiUpper(b) != b || ansiLower(b) != b) {
            EXPECT_TRUE(isAnsiLetter(b)) << c;
        }
    }
    // The ASCII-only casing leaves accented letters alone.
    EXPECT_EQ(asciiUpper(uint8_t(0xE4)), 0xE4);
    EXPECT_EQ(asciiUpper("stra\xDF" "e \xE4x"), "STRA\xDF" "E \xE4X");
    EXPECT_EQ(asciiLower("\xC4ON"), "\xC4on");
}

} // namespace
} // namespace quillet
