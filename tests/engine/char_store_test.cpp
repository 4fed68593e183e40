// The character record names its font and height by a shared look number
// and keeps rare fields in a block of the character store: values must
// come out as they went in through every copy, move and assignment, and
// every block must go back to the store.

#include "engine/Records.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define CHAR_STORE_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CHAR_STORE_UNDER_ASAN 1
#endif
#endif
#ifdef CHAR_STORE_UNDER_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace quillet {
namespace {

struct Variant {
    const char* name;
    std::function<void(TextChar&)> make;
};

// Characters of every shape the store tells apart: a plain look, a look
// with a sign or NaN in its height, and blocks of several kinds.
const std::vector<Variant>& variants()
{
    static const std::vector<Variant> v = {
        {"default", [](TextChar&) {}},
        {"font and height", [](TextChar& c) { c.setLook(3, 4.25f); c.Code = 'a'; c.Width = 2; }},
        {"negative zero height", [](TextChar& c) { c.setHeight(-0.0f); }},
        {"NaN height", [](TextChar& c) { c.setHeight(std::numeric_limits<float>::quiet_NaN()); }},
        {"field", [](TextChar& c) {
             c.Kind = ckField;
             c.setLook(7, 5.5f);
             c.FieldResult() = std::string(40, 'r');
             c.FieldCode() = std::string("PAGE");
         }},
        {"footnote mark", [](TextChar& c) { c.setFootnoteId(9); c.setShownNumber(2); c.setFontIndex(1); }},
        {"picture", [](TextChar& c) { c.Kind = ckPicture; c.setPictureIndex(4); c.setLook(0, 30.5f); }},
        {"paragraph end", [](TextChar& c) { c.Code = 13; c.ParaCopy() = AbsatzFormat{}; c.ParaCopy()->Alignment = 2; }},
    };
    return v;
}

TextChar made(const Variant& v)
{
    TextChar c;
    v.make(c);
    return c;
}

// Field by field, with NaN equal to NaN and the sign of zero kept, so a
// value that went through the store can be told from the one made fresh.
void expectSame(const TextChar& got, const TextChar& want)
{
    EXPECT_EQ(got.Kind, want.Kind);
    EXPECT_EQ(got.Code, want.Code);
    EXPECT_EQ(got.Width, want.Width);
    EXPECT_EQ(got.FontIndex(), want.FontIndex());
    EXPECT_EQ(std::bit_cast<uint32_t>(got.Height()), std::bit_cast<uint32_t>(want.Height()));
    EXPECT_EQ(got.hasExtra(), want.hasExtra());
    EXPECT_EQ(got.FootnoteId(), want.FootnoteId());
    EXPECT_EQ(got.ShownNumber(), want.ShownNumber());
    EXPECT_EQ(got.PictureIndex(), want.PictureIndex());
    EXPECT_EQ(got.FieldResult().value_or("-"), want.FieldResult().value_or("-"));
    EXPECT_EQ(got.FieldCode().value_or("-"), want.FieldCode().value_or("-"));
    EXPECT_EQ(bool(got.ParaCopy()), bool(want.ParaCopy()));
    if (got.ParaCopy() && want.ParaCopy()) {
        EXPECT_EQ(*got.ParaCopy(), *want.ParaCopy());
    }
}

TEST(CharStore, EveryCopyMoveAndAssignmentKeepsValuesAndGivesBlocksBack)
{
    const size_t before = charstore::blocksInUse();
    for (const Variant& from : variants())
        for (const Variant& onto : variants()) {
            SCOPED_TRACE(std::string(from.name) + " onto " + onto.name);
            const TextChar want = made(from);
            TextChar copied(want);
            expectSame(copied, want);
            TextChar assigned = made(onto);
            assigned = want;
            expectSame(assigned, want);
            TextChar moved(std::move(copied));
            expectSame(moved, want);
            TextChar moveAssigned = made(onto);
            moveAssigned = std::move(assigned);
            expectSame(moveAssigned, want);
            // A moved-from character is still a character: it can be
            // assigned and destroyed.
            copied = made(onto);
            expectSame(copied, made(onto));
            // Clearing every rare field makes the character plain again.
            moved.FieldResult().reset();
            moved.FieldCode().reset();
            moved.ParaCopy().reset();
            moved.setFootnoteId(0);
            moved.setShownNumber(0);
            moved.setPictureIndex(0);
            EXPECT_FALSE(moved.holdsBlock());
            EXPECT_EQ(moved.FontIndex(), want.FontIndex());
        }
    {
        std::vector<TextChar> text;
        for (int i = 0; i < 1000; ++i) text.push_back(made(variants()[size_t(i) % variants().size()]));
        std::vector<TextChar> copy = text;
        copy.insert(copy.begin() + 10, text.begin(), text.begin() + 300);
        copy.erase(copy.begin() + 10, copy.begin() + 310);
        ASSERT_EQ(copy.size(), text.size());
        for (size_t i = 0; i < copy.size(); ++i) expectSame(copy[i], text[i]);
    }
    EXPECT_EQ(charstore::blocksInUse(), before);
}

TEST(CharStore, CopiesOnManyThreadsAtOnceLeaveTheStoreWhole)
{
    const size_t before = charstore::blocksInUse();
    std::vector<std::thread> threads;
    std::vector<int> wrong(8, 0);
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([t, &wrong] {
            std::vector<TextChar> text;
            for (int i = 0; i < 4000; ++i) {
                TextChar c;
                c.setLook(t, float(i % 50) / 4);
                if (i % 3 == 0) c.setFootnoteId(uint16_t(i + 1));
                text.push_back(std::move(c));
            }
            for (int round = 0; round < 20; ++round) {
                std::vector<TextChar> copy = text;
                for (size_t i = 0; i < copy.size(); ++i)
                    if (copy[i].FontIndex() != t || copy[i].FootnoteId() != (i % 3 == 0 ? i + 1 : 0)) ++wrong[size_t(t)];
            }
        });
    for (std::thread& th : threads) th.join();
    for (int w : wrong) EXPECT_EQ(w, 0);
    EXPECT_EQ(charstore::blocksInUse(), before);
}

// A block given back must not be read or given back again: under the
// address sanitizer such a slip is caught at once, not left to read some
// other character's fields.
TEST(CharStore, AGivenBackBlockIsUnreadableUnderTheAddressSanitizer)
{
#ifdef CHAR_STORE_UNDER_ASAN
    const uint32_t b = charstore::makeBlock();
    EXPECT_FALSE(__asan_address_is_poisoned(&charstore::block(b)));
    charstore::block(b).Extra.FootnoteId = 3;
    charstore::freeBlock(b);
    EXPECT_TRUE(__asan_address_is_poisoned(&charstore::block(b)));
    EXPECT_DEATH(charstore::freeBlock(b), "use-after-poison");
    const uint32_t again = charstore::makeBlock();  // the same block, handed out afresh
    EXPECT_EQ(again, b);
    EXPECT_EQ(charstore::block(again).Extra.FootnoteId, 0);
    charstore::freeBlock(again);
#else
    GTEST_SKIP() << "only the address sanitizer marks given-back blocks";
#endif
}

// Heights made up at random (a damaged or hostile file) fill the table of
// looks; past it each such character keeps its look in a block, and values
// stay exact. Runs last in this file, as the table stays full.
TEST(CharStore, LooksPastTheTableStayExact)
{
    const size_t before = charstore::blocksInUse();
    std::vector<TextChar> text(size_t(charstore::kMaxLooks) + 500);
    for (size_t i = 0; i < text.size(); ++i) text[i].setLook(int32_t(i % 7), 1000.0f + float(i) / 8);
    EXPECT_GT(charstore::blocksInUse(), before);
    const std::vector<TextChar> copy = text;
    for (size_t i = 0; i < text.size(); ++i) {
        ASSERT_EQ(copy[i].FontIndex(), int32_t(i % 7));
        ASSERT_EQ(copy[i].Height(), 1000.0f + float(i) / 8);
    }
    EXPECT_TRUE(copy == text);
    text.back().setLook(0, 0);  // a look the table has: the block goes back
    EXPECT_FALSE(text.back().holdsBlock());
    text.clear();
    EXPECT_GT(charstore::blocksInUse(), before);
}

} // namespace
} // namespace quillet
