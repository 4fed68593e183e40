#include "engine/Childwin.h"
#include "engine/LineSpan.h"

#include <gtest/gtest.h>

#include <vector>

using namespace quillet;

namespace {

struct Shape {
    int32_t Cells, Index;
    double Above, Below;
};

std::vector<TextLine> linesOf(const std::vector<Shape>& shapes)
{
    std::vector<TextLine> lines(shapes.size());
    for (size_t i = 0; i < shapes.size(); ++i) {
        InitNewLine(lines, int32_t(i));
        TextLine& l = lines[i];
        l.IsCell = shapes[i].Cells > 1;
        l.CellsPerRow = shapes[i].Cells;
        l.CellIndex = shapes[i].Index;
        l.Para.edit().SpaceAbove = shapes[i].Above;
        l.Para.edit().SpaceBelow = shapes[i].Below;
    }
    return lines;
}

} // namespace

// A walk that asks for every line in turn gets what asking for each line
// alone gives: plain lines, rows, rows cut by the array's ends and damaged
// counts, and a second array of the same shape is not answered from the
// first one's runs.
TEST(RunSpacing, AWalkGetsWhatEachLineAloneGets)
{
    const std::vector<Shape> shapes = {
        {1, 0, 2, 1},    {3, 0, 1, 0.5}, {3, 1, 4, 0},  {3, 2, 2, 3},    // a plain line, a row
        {0, 0, -1, -2},  {-3, 5, 1, 1},  {2, 7, 0, 6},  {2, 1, 3, -1},   // damaged counts
        {3, 0, 0, 0},    {3, 1, 5, 0},   {3, 2, 0, 9},  {3, 0, 1, 1},    // two rows back to back
        {3, 1, 2, 2},    {1, 0, 7, 7},   {4, 2, 1, 0},  {4, 3, 0, 2},    // a row cut short at each end
        {50, 0, 3, 3},
    };
    std::vector<TextLine> lines = linesOf(shapes);
    const int32_t n = int32_t(lines.size());
    RunSpacing spacing;
    for (int32_t i = -2; i < n + 2; ++i) {
        const RunSpacing::Spacing s = spacing.at(lines, i);
        EXPECT_EQ(s.Above, rowSpaceAboveIn(lines, i)) << i;
        EXPECT_EQ(s.Below, rowSpaceBelowIn(lines, i)) << i;
    }

    std::vector<TextLine> other = linesOf(shapes);
    for (TextLine& l : other) l.Para.edit().SpaceAbove += 10;
    for (int32_t i = 0; i < n; ++i) {
        EXPECT_EQ(spacing.at(lines, i).Above, rowSpaceAboveIn(lines, i)) << i;
        EXPECT_EQ(spacing.at(other, i).Above, rowSpaceAboveIn(other, i)) << i;
    }
}
