// Newspaper columns: which column a line of a column block falls in, and how
// far the vertical position moves there. A column block is a run of
// consecutive lines of one area with equal column settings; a block followed
// by other lines is balanced to the smallest whole-millimetre column height
// that holds it, a block that ends its area fills column after column.

#include "engine/Childwin.h"
#include "engine/ColumnsDialog.h"
#include "engine/LineSpan.h"

#include <cmath>
#include <vector>

namespace quillet {

namespace {

bool sameColumnSettings(const TextLine& a, const TextLine& b)
{
    return a.ColumnCount == b.ColumnCount && a.ColumnRule == b.ColumnRule && a.ColumnGap == b.ColumnGap;
}

// Trial heights go up in 1 mm steps; a block whose heights are not finite
// could otherwise keep trying for ever.
constexpr int32_t kMaxBalanceTrials = 100000;

} // namespace

bool TMDIChild::isfirstSpaltenrow(int32_t area, int32_t line) const
{
    if (area < 0 || size_t(area) >= Areas.size()) return false;
    return isFirstColumnRowIn(Areas[size_t(area)].Lines, line);
}

TMDIChild::SpaltenInfo TMDIChild::getspalteninfo(int32_t area, int32_t line, double available) const
{
    if (area < 0 || size_t(area) >= Areas.size()) return SpaltenInfo{};
    return columnInfoIn(Areas[size_t(area)].Lines, line, available);
}

void TMDIChild::spaltenformat()
{
    if (Areas.empty()) return;
    AbsatzWert value = getabsatzformat();
    TextLine shown;
    shown.ColumnCount = value.ColumnCount;
    shown.ColumnRule = value.ColumnRule;
    shown.ColumnGap = value.ColumnGap;
    SpaltenDialogModel model = SpaltenDialogFromLine(shown);
    if (!Ui->runSpaltenDialog(model)) return;
    // A count below one leaves the settings as they were; the paragraph is
    // written back all the same, as one undoable step.
    if (const auto s = SpaltenDialogApply(model, AreaTextWidth(Cursor.Area))) {
        value.ColumnCount = s->ColumnCount;
        value.ColumnRule = s->ColumnRule;
        value.ColumnGap = s->ColumnGap;
    }
    setabsatzformat(value, true, false, true);
    RefreshDirtyContent();
}

bool isFirstColumnRowIn(LineSpan lines, int32_t line)
{
    if (line < 0 || size_t(line) >= lines.size()) return false;
    return line == 0 || !sameColumnSettings(lines[size_t(line) - 1], lines[size_t(line)]);
}

ColumnBlock columnBlockIn(LineSpan lines, int32_t line, double available)
{
    ColumnBlock r;
    r.Available = available;
    const int32_t count = int32_t(lines.size());
    if (line < 0 || line >= count) return r;

    const TextLine& self = lines[size_t(line)];
    int32_t first = line;
    while (first > 0 && sameColumnSettings(lines[size_t(first) - 1], self)) --first;
    int32_t last = line;
    while (last + 1 < count && sameColumnSettings(lines[size_t(last) + 1], self)) ++last;
    r.First = first;
    r.Last = last;
    r.AtAreaStart = first == 0;
    r.AtAreaEnd = last == count - 1;
    const int32_t n = last - first + 1;

    struct Entry {
        double H;
        bool Counts;  // only the first cell of a table row adds to a column
    };
    std::vector<Entry> entries;
    entries.reserve(size_t(n));
    // No partial column content can exceed the sum of the positive heights.
    double bound = 0;
    RunSpacing spacing;
    for (int32_t j = first; j <= last; ++j) {
        const TextLine& l = lines[size_t(j)];
        const RunSpacing::Spacing s = spacing.at(lines, j);
        const Entry e{s.Above + l.Height + s.Below, l.CellsPerRow < 2 || l.CellIndex == 0};
        if (e.H > 0) bound += e.H;
        entries.push_back(e);
    }

    // Where the column breaks fall at trial height b: the block's lines in
    // order, a break before a line whose column content would pass b.
    const int32_t cols = self.ColumnCount > 1 ? self.ColumnCount : 1;
    auto distribute = [&](double b, bool record) {
        int32_t i = 0;
        bool fits = true;
        double c = 0;
        for (int32_t j = 0; j < n; ++j) {
            const Entry& e = entries[size_t(j)];
            if (e.Counts) c += e.H;
            ColumnBlock::Line* out = record ? &r.Lines[size_t(j)] : nullptr;
            if (c > b) {
                if (out) {
                    out->StepBack = c - e.H;
                    if (i <= cols - 1) {
                        out->Opens = true;
                        if (j > 0) r.Lines[size_t(j) - 1].Closes = true;
                    }
                }
                c = e.H;
                ++i;
                if (c > b) fits = false;
            }
            if (out) {
                out->Column = i;
                out->Beyond = i > cols - 1;
            }
            if (record && i <= cols - 1) r.ColumnsUsed = i;
        }
        if (record) r.FillUp = b - c;
        return (fits && i <= cols - 1);
    };

    // The height does not depend on which line asks: it is found once for
    // the whole block.
    const double avail = std::isfinite(available) ? available : 0.0;
    double t = r.AtAreaEnd ? avail - 1 : 0;
    for (int32_t trial = 0;; ++trial) {
        t += 1;
        const double b = t;
        if (distribute(b, false) || b >= avail) break;
        // Past the whole content every finite block fits one column.
        if (b > bound + 1 || trial >= kMaxBalanceTrials) break;
    }
    r.Height = t;
    r.Lines.assign(size_t(n), ColumnBlock::Line{});
    if (n > 0) {
        r.Lines.front().Opens = true;
        r.Lines.back().Closes = true;
    }
    distribute(t, true);
    return r;
}

TMDIChild::SpaltenInfo columnInfoOf(const ColumnBlock& block, int32_t line)
{
    TMDIChild::SpaltenInfo r;
    if (!block.holds(line)) return r;
    const int32_t q = line - block.First;
    const int32_t n = block.Last - block.First + 1;
    const ColumnBlock::Line& l = block.Lines[size_t(q)];
    r.IndexInBlock = q;
    r.BlockLines = n;
    r.BlockAtAreaStart = block.AtAreaStart;
    r.BlockAtAreaEnd = block.AtAreaEnd;
    r.Column = l.Column;
    r.OpensColumn = l.Opens;
    r.ClosesColumn = l.Closes;
    r.StepBack = l.StepBack;
    r.FillUp = q == n - 1 ? block.FillUp : 0;
    r.ColumnsUsed = block.ColumnsUsed;
    r.BeyondLastColumn = l.Beyond;
    r.ColumnHeight = block.Height;
    return r;
}

TMDIChild::SpaltenInfo columnInfoIn(LineSpan lines, int32_t line, double available)
{
    return columnInfoOf(columnBlockIn(lines, line, available), line);
}

} // namespace quillet
