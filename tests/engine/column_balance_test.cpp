// Column balancing is worked out once per block and read for each line; what
// each line gets must be what trying the heights for that line alone gives.

#include "engine/Childwin.h"
#include "engine/LineSpan.h"
#include "formats/StandardServices.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

using namespace quillet;

namespace {

// The balancing rule for one line, tried height by height on its own.
TMDIChild::SpaltenInfo balanceOneLine(const std::vector<TextLine>& lines, int32_t line, double avail)
{
    TMDIChild::SpaltenInfo r;
    const int32_t count = int32_t(lines.size());
    auto same = [&](int32_t a, int32_t b) {
        return lines[size_t(a)].ColumnCount == lines[size_t(b)].ColumnCount &&
               lines[size_t(a)].ColumnRule == lines[size_t(b)].ColumnRule &&
               lines[size_t(a)].ColumnGap == lines[size_t(b)].ColumnGap;
    };
    int32_t first = line, last = line;
    while (first > 0 && same(first - 1, line)) --first;
    while (last + 1 < count && same(last + 1, line)) ++last;
    const int32_t q = line - first, n = last - first + 1;
    r.IndexInBlock = q;
    r.BlockLines = n;
    r.BlockAtAreaStart = first == 0;
    r.BlockAtAreaEnd = last == count - 1;
    const int32_t cols = lines[size_t(line)].ColumnCount;
    double t = r.BlockAtAreaEnd ? avail - 1 : 0;
    for (;;) {
        t += 1;
        const double b = t;
        r.StepBack = r.FillUp = 0;
        r.OpensColumn = q == 0;
        r.ClosesColumn = q == n - 1;
        r.ColumnsUsed = 0;
        r.BeyondLastColumn = false;
        int32_t i = 0;
        bool fits = true;
        double c = 0;
        for (int32_t j = 0; j < n; ++j) {
            const TextLine& l = lines[size_t(first + j)];
            const double h = rowSpaceAboveIn(lines, first + j) + l.Height + rowSpaceBelowIn(lines, first + j);
            if (l.CellsPerRow < 2 || l.CellIndex == 0) c += h;
            if (c > b) {
                if (j == q) r.StepBack = c - h;
                if (i <= cols - 1) {
                    if (j == q) r.OpensColumn = true;
                    if (j == q + 1) r.ClosesColumn = true;
                }
                c = h;
                ++i;
                if (c > b) fits = false;
            }
            if (q == n - 1) r.FillUp = b - c;
            if (j == q) {
                r.Column = i;
                r.BeyondLastColumn = i > cols - 1;
            }
            if (i <= cols - 1) r.ColumnsUsed = i;
        }
        if ((fits && i <= cols - 1) || b >= avail) break;
    }
    r.ColumnHeight = t;
    return r;
}

void expectSame(const TMDIChild::SpaltenInfo& got, const TMDIChild::SpaltenInfo& want, int32_t line, double avail)
{
    SCOPED_TRACE(testing::Message() << "line " << line << " avail " << avail);
    EXPECT_EQ(got.IndexInBlock, want.IndexInBlock);
    EXPECT_EQ(got.BlockLines, want.BlockLines);
    EXPECT_EQ(got.BlockAtAreaStart, want.BlockAtAreaStart);
    EXPECT_EQ(got.BlockAtAreaEnd, want.BlockAtAreaEnd);
    EXPECT_EQ(got.Column, want.Column);
    EXPECT_EQ(got.OpensColumn, want.OpensColumn);
    EXPECT_EQ(got.ClosesColumn, want.ClosesColumn);
    EXPECT_DOUBLE_EQ(got.StepBack, want.StepBack);
    EXPECT_DOUBLE_EQ(got.FillUp, want.FillUp);
    EXPECT_EQ(got.ColumnsUsed, want.ColumnsUsed);
    EXPECT_EQ(got.BeyondLastColumn, want.BeyondLastColumn);
    EXPECT_DOUBLE_EQ(got.ColumnHeight, want.ColumnHeight);
}

TextLine blockLine(double height, int32_t cols)
{
    std::vector<TextLine> one(1);
    InitNewLine(one, 0);
    TextLine l = std::move(one[0]);
    l.Height = height;
    l.EndKind = ekParagraph;
    l.ColumnCount = cols;
    l.ColumnGap = 5;
    return l;
}

TEST(ColumnBalance, EveryLineGetsWhatBalancingItAloneGives)
{
    uint32_t seed = 11;
    auto next = [&seed](uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    for (int round = 0; round < 40; ++round) {
        std::vector<TextLine> lines;
        // One-column text, a block of 2..4 columns (with a table row and
        // spacing now and then), and maybe one-column text after it.
        for (uint32_t k = next(3); k > 0; --k) lines.push_back(blockLine(4 + next(5), 1));
        const int32_t cols = 2 + int32_t(next(3));
        for (uint32_t k = 1 + next(30); k > 0; --k) {
            if (next(8) == 0) {
                for (int32_t c = 0; c < 3; ++c) {
                    TextLine l = blockLine(3 + next(4), cols);
                    l.IsCell = 1;
                    l.CellsPerRow = 3;
                    l.CellIndex = c;
                    l.Para.edit().SpaceAbove = next(3);
                    lines.push_back(l);
                }
                continue;
            }
            TextLine l = blockLine(2 + next(9) * 0.75, cols);
            if (next(4) == 0) l.Para.edit().SpaceBelow = 1.5;
            lines.push_back(l);
        }
        for (uint32_t k = next(2); k > 0; --k) lines.push_back(blockLine(5, 1));

        for (double avail : {12.0, 37.5, 60.0, 200.0}) {
            ColumnBlock block;
            for (int32_t f = 0; f < int32_t(lines.size()); ++f) {
                if (lines[size_t(f)].ColumnCount < 2) continue;
                if (!block.holds(f)) block = columnBlockIn(lines, f, avail);
                expectSame(columnInfoOf(block, f), balanceOneLine(lines, f, avail), f, avail);
                expectSame(columnInfoIn(lines, f, avail), balanceOneLine(lines, f, avail), f, avail);
            }
        }
        if (HasFailure()) return;
    }
}

// Placement stores in each line of a block the results for the height left
// when the block began, and balances again once a footnote in the block has
// taken room from the page.
TEST(ColumnBalance, PlacementStoresEachLinesResultsAndRebalancesAfterAFootnote)
{
    FrameState frame = StandardFrameState();
    auto win = std::make_unique<TMDIChild>(frame);
    TMDIChild& w = *win;
    std::vector<TextLine>& lines = w.Areas[0].Lines;
    lines.clear();
    for (int32_t i = 0; i < 12; ++i) lines.push_back(blockLine(10, 2));
    lines.push_back(blockLine(10, 1));
    w.FlowPlace();
    ASSERT_EQ(w.Areas[0].LineCount(), 13);
    const TextArea& body = w.Areas[0];
    const double top = body.InnerTop + body.InnerBottom;
    const double pageMm = std::trunc(7015.0 * 96 / 600) / 96 * 25.39995;
    const double avail = pageMm - body.Bottom - body.Top - 1 - top;
    for (int32_t f = 0; f < 12; ++f) {
        const TMDIChild::SpaltenInfo want = balanceOneLine(lines, f, avail);
        EXPECT_EQ(lines[size_t(f)].ColumnNumber, want.Column) << f;
        EXPECT_DOUBLE_EQ(lines[size_t(f)].ColumnStepBack, want.StepBack) << f;
        EXPECT_DOUBLE_EQ(lines[size_t(f)].ColumnFillUp, want.FillUp) << f;
    }
    EXPECT_EQ(lines[6].ColumnNumber, 1);
    EXPECT_DOUBLE_EQ(lines[6].ColumnStepBack, 60);

    // A footnote of 200 mm referenced from line 2 leaves about 35 mm for the
    // block: from line 3 on, the lines are balanced for that height, and
    // what no longer fits in the two columns moves to the next page.
    w.NewPage(true);
    TextArea& fa = w.Areas.back();
    fa.AreaType = atFooter;
    fa.FootnoteNumber = 1;
    fa.AnchorBottom = fa.AnchorTopToBottom = 1;
    fa.Lines[0].Height = 200;
    fa.Lines[0].CellIndex = 0;
    fa.Lines[0].Dirty = 0;
    w.PageHeight = 500;  // footnote areas may take up to half the page
    TextChar ref;
    ref.Kind = ckFootnoteRef;
    ref.setFootnoteId(1);
    lines[2].Chars.push_back(ref);
    const std::vector<TextLine> before = lines;
    w.FlowPlace();
    const std::vector<TextLine>& after = w.Areas[0].Lines;
    const double shorter = avail - 200;
    ASSERT_GT(shorter, 20);
    ASSERT_LT(after.size(), 12u);
    EXPECT_EQ(after.size(), 8u);
    for (int32_t f = 3; f < int32_t(after.size()); ++f) {
        const TMDIChild::SpaltenInfo want = balanceOneLine(before, f, shorter);
        EXPECT_EQ(after[size_t(f)].ColumnNumber, want.Column) << f;
        EXPECT_DOUBLE_EQ(after[size_t(f)].ColumnStepBack, want.StepBack) << f;
    }
}

} // namespace
