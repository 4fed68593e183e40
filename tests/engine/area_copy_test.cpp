#include "engine/AreaCopy.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

using namespace quillet;

namespace {

TextLine lineOf(std::string_view text, int seed)
{
    TextLine l;
    for (char ch : text) {
        TextChar c;
        c.Code = static_cast<uint8_t>(ch);
        c.setFontIndex(seed % 3);
        c.Width = 2.5f + float(seed % 5);
        l.Chars.push_back(c);
    }
    l.Height = 12 + seed;
    l.Memo.SpellKey = uint64_t(seed);
    return l;
}

// An area of `lines` lines; `extraEvery` > 0 gives every so many characters
// a field code.
TextArea areaOf(int lines, int seed, int extraEvery = 0)
{
    TextArea a;
    a.Left = seed;
    for (int i = 0; i < lines; ++i) a.Lines.push_back(lineOf(std::string(size_t(5 + (i * 7 + seed) % 40), char('a' + (i + seed) % 26)), seed + i));
    if (extraEvery > 0) {
        int n = 0;
        for (TextLine& l : a.Lines)
            for (TextChar& c : l.Chars)
                if (++n % extraEvery == 0) c.FieldCode() = "PAGE " + std::to_string(n);
    }
    return a;
}

TEST(AreaCopyTest, ComparisonAgreesWithTheRecordsOwn)
{
    using Change = std::function<void(TextArea&)>;
    auto firstChar = [](TextArea& a) -> TextChar& { return a.Lines[0].Chars[0]; };
    const struct {
        const char* name;
        int extraEvery;
        Change change;
    } cases[] = {
        {"untouched", 0, [](TextArea&) {}},
        {"untouched, blocks behind other pointers", 3, [](TextArea&) {}},
        {"last character's code", 0, [](TextArea& a) { a.Lines.back().Chars.back().Code ^= 1; }},
        {"one character fewer", 0, [](TextArea& a) { a.Lines[1].Chars.pop_back(); }},
        {"a line fewer", 0, [](TextArea& a) { a.Lines.pop_back(); }},
        {"width -0 against +0", 0, [&](TextArea& a) { firstChar(a).Width = -0.0f; }},
        {"a block gained", 0, [&](TextArea& a) { firstChar(a).FieldResult() = "x"; }},
        {"a block lost", 1, [&](TextArea& a) { firstChar(a).FieldCode().reset(); }},
        {"a block's text", 2, [](TextArea& a) { a.Lines[0].Chars[1].FieldCode() = "DATE"; }},
        {"a block set and emptied again", 0, [&](TextArea& a) { firstChar(a).setShownNumber(4), firstChar(a).setShownNumber(0); }},
        {"a picture index gained", 0, [&](TextArea& a) { firstChar(a).setPictureIndex(2); }},
        {"a footnote id beside a field code", 1, [](TextArea& a) { a.Lines[0].Chars[1].setFootnoteId(5); }},
        {"a gap beside its block", 2, [](TextArea& a) { a.Lines[0].Chars[1].setGapBefore(3.5f); }},
        {"gap -0 against none", 0, [&](TextArea& a) { firstChar(a).setGapBefore(-0.0f); }},
        {"gap -0 beside a block", 1, [&](TextArea& a) { firstChar(a).setGapBefore(-0.0f); }},
        {"a gap set and cleared", 0, [&](TextArea& a) { firstChar(a).setGapBefore(1.0f), firstChar(a).setGapBefore(0.0f); }},
        {"line height", 0, [](TextArea& a) { a.Lines[2].Height += 1; }},
        {"paragraph tabs", 0, [](TextArea& a) { a.Lines[2].Para.edit().Tabs.push_back({10, 1, 0}); }},
        {"line memo only", 0, [](TextArea& a) { a.Lines[0].Memo.SpellKey = 99; }},
        {"area edge", 0, [](TextArea& a) { a.Right = 7; }},
        {"area page", 0, [](TextArea& a) { a.PageIndex = 3; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TextArea a = areaOf(4, 1, c.extraEvery);
        if (c.extraEvery == 0) firstChar(a).Width = 0.0f;
        TextArea b = a;
        c.change(b);
        EXPECT_EQ(sameArea(a, b), a == b);
        EXPECT_EQ(sameArea(b, a), a == b);
        EXPECT_EQ(sameLine(a.Lines[0], b.Lines[0]), a.Lines[0] == b.Lines[0]);
    }
}

TEST(AreaCopyTest, EqualBytesCountAsEqualEvenWithNaN)
{
    TextArea a = areaOf(2, 4);
    a.Lines[0].Chars[2].Width = std::numeric_limits<float>::quiet_NaN();
    const TextArea b = a;
    EXPECT_TRUE(sameChars(a.Lines[0].Chars, b.Lines[0].Chars));
    EXPECT_TRUE(sameArea(a, b));
    a.Lines[0].Chars[2].setHeight(1);
    EXPECT_FALSE(sameArea(a, b));
}

TEST(AreaCopyTest, CopyIntoEveryShapeGivesAnEqualArea)
{
    // Empty, short, long, with blocks on either side, and longer lines.
    std::vector<TextArea> shapes = {TextArea{}, areaOf(2, 0), areaOf(9, 3), areaOf(5, 1, 4), areaOf(5, 1, 1), areaOf(3, 30)};
    shapes[5].Lines[0].Chars.reserve(400);
    // Blocks that hold only a picture, a footnote mark or a gap.
    TextArea moved = areaOf(4, 2);
    moved.Lines[0].Chars[0].setPictureIndex(1);
    moved.Lines[1].Chars[2].setFootnoteId(3);
    moved.Lines[2].Chars[1].setGapBefore(-0.0f);
    moved.Lines[3].Chars[4].setGapBefore(4.5f);
    shapes.push_back(moved);
    for (size_t from = 0; from < shapes.size(); ++from)
        for (size_t into = 0; into < shapes.size(); ++into) {
            SCOPED_TRACE(testing::Message() << "from " << from << " into " << into);
            const TextArea source = shapes[from];
            TextArea to = shapes[into];
            copyArea(to, shapes[from]);
            EXPECT_TRUE(to == shapes[from]);
            for (size_t i = 0; i < to.Lines.size(); ++i)
                EXPECT_EQ(to.Lines[i].Memo.SpellKey, shapes[from].Lines[i].Memo.SpellKey);
            // The copy owns its blocks: changing it leaves the source alone.
            for (TextLine& l : to.Lines)
                for (TextChar& c : l.Chars)
                    if (c.hasExtra()) c.FieldCode() = "changed";
            EXPECT_TRUE(shapes[from] == source);
        }
    for (const TextArea& s : shapes) EXPECT_TRUE(sameArea(s, TextArea(s)));
}

} // namespace
