#pragma once
// Layout questions asked of a run of lines rather than of an area's whole
// array. Placement asks them about the lines an area is about to hold while
// those lines still stand in the array of an earlier area of the flow, so
// that a long flow is not moved from area to area page by page.

#include "engine/Childwin.h"

#include <cstdint>
#include <span>
#include <vector>

namespace quillet {

using LineSpan = std::span<const TextLine>;

// As TMDIChild::RowSpaceAbove / RowSpaceBelow.
double rowSpaceAboveIn(LineSpan lines, int32_t line);
double rowSpaceBelowIn(LineSpan lines, int32_t line);

// The same answers for a walk that asks about every line in turn: the run a
// line stands in is looked at once, not once for each of its cells. Only for
// one walk over lines whose paragraph formats it does not change.
class RunSpacing {
public:
    struct Spacing {
        double Above = 0, Below = 0;
    };
    Spacing at(LineSpan lines, int32_t line)
    {
        if (line < 0 || size_t(line) >= lines.size()) return {};
        const TextLine& l = lines[size_t(line)];
        if (l.CellsPerRow < 2) return {l.Para->SpaceAbove, l.Para->SpaceBelow};
        return ofRun(lines, line);
    }

private:
    Spacing ofRun(LineSpan lines, int32_t line);
    const TextLine* Data = nullptr;
    size_t Size = 0;
    int32_t Start = 0, End = -1;  // the run found last, lines [Start, End)
    Spacing Found;
};

// As TMDIChild::isfirstSpaltenrow / getspalteninfo for an area holding `lines`.
bool isFirstColumnRowIn(LineSpan lines, int32_t line);
TMDIChild::SpaltenInfo columnInfoIn(LineSpan lines, int32_t line, double available);

// The balance of one column block for one available height. It is the same
// for every line of the block, so placement finds it once per block and
// reads each line's results from it.
struct ColumnBlock {
    struct Line {
        int32_t Column = 0;
        bool Opens = false, Closes = false, Beyond = false;
        double StepBack = 0;
    };
    int32_t First = 0, Last = -1;  // the block's lines
    double Available = 0;
    bool AtAreaStart = false, AtAreaEnd = false;
    double Height = 0;
    double FillUp = 0;  // of the block's last line
    int32_t ColumnsUsed = 0;
    std::vector<Line> Lines;

    bool holds(int32_t line) const { return line >= First && line <= Last; }
};
ColumnBlock columnBlockIn(LineSpan lines, int32_t line, double available);
TMDIChild::SpaltenInfo columnInfoOf(const ColumnBlock& block, int32_t line);

} // namespace quillet
