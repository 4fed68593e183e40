#include "engine/ColumnsDialog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace quillet;

namespace {

TextLine lineWith(int32_t count, int32_t rule, double gap)
{
    TextLine l;
    l.ColumnCount = count;
    l.ColumnRule = rule;
    l.ColumnGap = gap;
    return l;
}

TEST(ColumnsDialog, FilledFromTheParagraphInCentimetres)
{
    SpaltenDialogModel m = SpaltenDialogFromLine(lineWith(3, 1, 12.5));
    EXPECT_EQ(m.ColumnCount, 3);
    EXPECT_TRUE(m.Rule);
    EXPECT_DOUBLE_EQ(m.GapCm, 1.25);

    // A new paragraph's count of 0 shows as one column; stored values out of
    // the edits' reach are pulled into them.
    m = SpaltenDialogFromLine(lineWith(0, 0, 0));
    EXPECT_EQ(m.ColumnCount, 1);
    EXPECT_FALSE(m.Rule);
    m = SpaltenDialogFromLine(lineWith(-4, 7, 250));
    EXPECT_EQ(m.ColumnCount, 1);
    EXPECT_TRUE(m.Rule);
    EXPECT_DOUBLE_EQ(m.GapCm, 10);
    m = SpaltenDialogFromLine(lineWith(40, 0, -1));
    EXPECT_EQ(m.ColumnCount, 10);
    EXPECT_DOUBLE_EQ(m.GapCm, 0);
    m = SpaltenDialogFromLine(lineWith(2, 0, std::numeric_limits<double>::quiet_NaN()));
    EXPECT_DOUBLE_EQ(m.GapCm, 0);
}

TEST(ColumnsDialog, ApplyGivesMillimetres)
{
    auto s = SpaltenDialogApply({2, true, 1.25}, 160);
    ASSERT_TRUE(s);
    EXPECT_EQ(*s, (ColumnSettings{2, 1, 12.5}));

    s = SpaltenDialogApply({1, false, 0.4}, 160);
    ASSERT_TRUE(s);
    EXPECT_EQ(*s, (ColumnSettings{1, 0, 4}));

    // A count below one writes nothing.
    EXPECT_FALSE(SpaltenDialogApply({0, true, 1}, 160));
    EXPECT_FALSE(SpaltenDialogApply({-2, true, 1}, 160));
    // Out-of-range model values are kept to the dialog's ranges.
    s = SpaltenDialogApply({12, false, 11}, 1000);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->ColumnCount, 10);
    EXPECT_DOUBLE_EQ(s->ColumnGap, 100);
}

TEST(ColumnsDialog, GapNeverLeavesColumnsWithoutWidth)
{
    auto width = [](const ColumnSettings& s, double text) {
        return (text - (s.ColumnCount - 1) * s.ColumnGap) / s.ColumnCount;
    };
    // 10 cm gaps in 3 columns of a 160 mm text width: reduced to keep 1 mm.
    auto s = SpaltenDialogApply({3, false, 10}, 160);
    ASSERT_TRUE(s);
    EXPECT_DOUBLE_EQ(s->ColumnGap, (160 - 3.0) / 2);
    EXPECT_GT(width(*s, 160), 0);
    EXPECT_NEAR(width(*s, 160), kMinColumnWidthMm, 1e-9);

    // A gap that fits is kept as it is.
    s = SpaltenDialogApply({3, false, 7}, 160);
    EXPECT_DOUBLE_EQ(s->ColumnGap, 70);

    // Too narrow for 1 mm columns even without gaps: no gap at all.
    s = SpaltenDialogApply({10, false, 1}, 5);
    EXPECT_DOUBLE_EQ(s->ColumnGap, 0);
    EXPECT_GT(width(*s, 5), 0);

    // One column has no gap to worry about.
    s = SpaltenDialogApply({1, false, 10}, 5);
    EXPECT_DOUBLE_EQ(s->ColumnGap, 100);
}

} // namespace
