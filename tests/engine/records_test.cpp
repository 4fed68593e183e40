#include "engine/Records.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

using namespace quillet;

TEST(OptionBits, WordAndByteVariants)
{
    uint16_t w = 0x2000;
    EXPECT_EQ(GettingOps(w, 13), 1);
    EXPECT_EQ(GettingOps(w, 12), 0);
    SettingOps(w, 0, true);
    SettingOps(w, 13, false);
    EXPECT_EQ(w, 0x0001);
    SettingOps(w, 16, true);  // out of range: ignored
    EXPECT_EQ(w, 0x0001);
    uint8_t b = 0;
    SettingOpsB(b, 2, true);
    EXPECT_EQ(GettingOpsB(b, 2), 1);
    EXPECT_EQ(b, 4);
    SettingOpsB(b, 2, false);
    EXPECT_EQ(b, 0);
}

TEST(InitNewLine, GivesEmptyParagraphLineAndKeepsCallerFields)
{
    std::vector<TextLine> lines(2);
    lines[1].Chars.resize(3);
    lines[1].EndKind = 2;
    lines[1].Para.edit().ItemNumber = 7;
    lines[1].CellWidth = 2.5;
    lines[1].Dirty = 1;
    InitNewLine(lines, 1);
    const TextLine& l = lines[1];
    EXPECT_EQ(l.CharCount(), 0);
    EXPECT_EQ(l.EndKind, 0);
    EXPECT_EQ(l.Para->ListKind, 0);
    EXPECT_EQ(l.Para->BulletChar, 159);
    EXPECT_DOUBLE_EQ(l.Para->ListIndent, 6.3);
    EXPECT_DOUBLE_EQ(l.Para->DefaultTabStep, 12.5);
    EXPECT_DOUBLE_EQ(l.Para->LineSpacing, 1.0);
    EXPECT_EQ(l.CellsPerRow, 1);
    EXPECT_DOUBLE_EQ(l.ColumnGap, 12.5);
    EXPECT_EQ(l.Para->ItemNumber, 7);     // untouched
    EXPECT_DOUBLE_EQ(l.CellWidth, 2.5);  // the caller sets it
    EXPECT_EQ(l.Dirty, 1);
    InitNewLine(lines, 5);  // outside: nothing happens
    InitNewLine(lines, -1);
}

TEST(CellDesign, StandardValues)
{
    CellDesign d;
    SetStandardCellDesign(d);
    for (int i = 0; i < 4; ++i) {
        EXPECT_DOUBLE_EQ(d.BorderWidth[i], 0.75);
        EXPECT_EQ(d.BorderColor[i], 0u);
        EXPECT_EQ(d.BorderOn[i], 1);
    }
    EXPECT_EQ(d.Background, 0xFFFFFFu);
    EXPECT_EQ(d.Transparent, 1);
}

// Every rare field of a character, set and read through the character.
struct RareField {
    const char* name;
    void (*set)(TextChar&);
    bool (*isSet)(const TextChar&);
    void (*reset)(TextChar&);
};

const RareField kRareFields[] = {
    {"ShownNumber", [](TextChar& c) { c.setShownNumber(7); },
     [](const TextChar& c) { return c.ShownNumber() == 7; }, [](TextChar& c) { c.setShownNumber(0); }},
    {"FieldResult", [](TextChar& c) { c.FieldResult() = std::string("12"); },
     [](const TextChar& c) { return c.FieldResult() && *c.FieldResult() == "12"; },
     [](TextChar& c) { c.FieldResult().reset(); }},
    {"FieldCode", [](TextChar& c) { c.FieldCode() = std::string("page"); },
     [](const TextChar& c) { return c.FieldCode() && *c.FieldCode() == "page"; },
     [](TextChar& c) { c.FieldCode().reset(); }},
    {"ParaCopy", [](TextChar& c) { AbsatzFormat f; f.ItemNumber = 3; c.ParaCopy() = f; },
     [](const TextChar& c) { return c.ParaCopy() && c.ParaCopy()->ItemNumber == 3; },
     [](TextChar& c) { c.ParaCopy().reset(); }},
    {"PictureIndex", [](TextChar& c) { c.setPictureIndex(65535); },
     [](const TextChar& c) { return c.PictureIndex() == 65535; }, [](TextChar& c) { c.setPictureIndex(0); }},
    {"FootnoteId", [](TextChar& c) { c.setFootnoteId(9); },
     [](const TextChar& c) { return c.FootnoteId() == 9; }, [](TextChar& c) { c.setFootnoteId(0); }},
    {"GapBefore", [](TextChar& c) { c.setGapBefore(2.25f); },
     [](const TextChar& c) { return c.GapBefore() == 2.25f; }, [](TextChar& c) { c.setGapBefore(0); }},
};

TEST(TextChar, RareFieldsSurviveCopyCompareAndReset)
{
    static_assert(sizeof(TextChar) == 12);
    for (const RareField& f : kRareFields) {
        SCOPED_TRACE(f.name);
        TextChar plain;
        plain.Code = 'x';
        TextChar c = plain;
        f.set(c);
        EXPECT_TRUE(c.hasExtra());
        EXPECT_FALSE(c == plain);
        EXPECT_FALSE(plain == c);
        const TextChar copy = c;  // copies the value, not the block
        TextChar assigned;
        assigned = copy;
        f.reset(c);
        EXPECT_TRUE(f.isSet(copy));
        EXPECT_TRUE(f.isSet(assigned));
        EXPECT_TRUE(copy == assigned);
        // Back to unset: the block is gone and the character equals one
        // that never had it.
        EXPECT_FALSE(f.isSet(c));
        EXPECT_FALSE(c.hasExtra());
        EXPECT_TRUE(c == plain);
        // With two fields set, resetting one keeps the other.
        for (const RareField& g : kRareFields) {
            if (&g == &f) continue;
            TextChar both = copy;
            g.set(both);
            g.reset(both);
            EXPECT_TRUE(f.isSet(both));
            EXPECT_TRUE(both == copy);
        }
    }
}

TEST(TextChar, UnsetSlotsReadWithoutMakingABlock)
{
    TextChar c;
    EXPECT_FALSE(c.FieldResult());
    EXPECT_EQ(c.FieldCode().value_or("none"), "none");
    c.ParaCopy().reset();
    c.setShownNumber(0);
    c.FieldCode() = c.FieldResult();  // assigning "unset" stays unset
    EXPECT_FALSE(c.hasExtra());
    c.FieldResult() = std::string("a");
    c.FieldCode() = c.FieldResult();  // the value, not the handle
    c.FieldResult().reset();
    EXPECT_EQ(*c.FieldCode(), "a");
    EXPECT_FALSE(c.FieldResult());

    TextChar d;
    d.setPictureIndex(0);
    d.setFootnoteId(0);
    d.setGapBefore(0);
    EXPECT_FALSE(d.hasExtra());
    EXPECT_EQ(d.PictureIndex() + d.FootnoteId() + d.GapBefore(), 0);
    // A gap of -0 is held, as stored images keep its sign, yet equals no
    // gap; +0 clears it.
    d.setGapBefore(-0.0f);
    EXPECT_TRUE(d.hasExtra());
    EXPECT_TRUE(std::signbit(d.GapBefore()));
    EXPECT_TRUE(d == TextChar{});
    EXPECT_TRUE(TextChar{} == d);
    d.setGapBefore(0.0f);
    EXPECT_FALSE(d.hasExtra());
    d.setGapBefore(-0.0f);
    TextChar e;
    e.setGapBefore(0.5f), e.setGapBefore(0.0f);
    EXPECT_FALSE(e.hasExtra());
    e.setFootnoteId(1);
    d.setFootnoteId(1);
    EXPECT_TRUE(d == e);
    d.setGapBefore(std::numeric_limits<float>::quiet_NaN());
    EXPECT_FALSE(d == d);
}

TEST(TextChar, NarrowedLengthsStayDefined)
{
    const double inf = std::numeric_limits<double>::infinity();
    const float top = std::numeric_limits<float>::max();
    EXPECT_EQ(narrowLength(1e300), top);
    EXPECT_EQ(narrowLength(-1e300), -top);
    EXPECT_EQ(narrowLength(inf), std::numeric_limits<float>::infinity());
    EXPECT_EQ(narrowLength(-inf), -std::numeric_limits<float>::infinity());
    EXPECT_TRUE(std::isnan(narrowLength(std::nan(""))));
    EXPECT_EQ(narrowLength(2.5), 2.5f);
}
