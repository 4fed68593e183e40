#include "engine/Records.h"

#include <gtest/gtest.h>

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
    lines[1].Para.ItemNumber = 7;
    lines[1].CellWidth = 2.5;
    lines[1].Dirty = 1;
    InitNewLine(lines, 1);
    const TextLine& l = lines[1];
    EXPECT_EQ(l.CharCount(), 0);
    EXPECT_EQ(l.EndKind, 0);
    EXPECT_EQ(l.Para.ListKind, 0);
    EXPECT_EQ(l.Para.BulletChar, 159);
    EXPECT_DOUBLE_EQ(l.Para.ListIndent, 6.3);
    EXPECT_DOUBLE_EQ(l.Para.DefaultTabStep, 12.5);
    EXPECT_DOUBLE_EQ(l.Para.LineSpacing, 1.0);
    EXPECT_EQ(l.CellsPerRow, 1);
    EXPECT_DOUBLE_EQ(l.ColumnGap, 12.5);
    EXPECT_EQ(l.Para.ItemNumber, 7);     // untouched
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
