// The Format > Columns dialog's model: filling it from a paragraph and
// turning it back into the paragraph's column settings.

#include "engine/ColumnsDialog.h"

#include <algorithm>
#include <cmath>

namespace quillet {

namespace {

// A gap from a file or a caller may be anything; the edit holds 0..10 cm.
double clampGapCm(double cm)
{
    if (!(cm >= 0)) return 0;  // negative or NaN
    return std::min(cm, kSpaltenMaxGapCm);
}

} // namespace

SpaltenDialogModel SpaltenDialogFromLine(const TextLine& line)
{
    SpaltenDialogModel m;
    m.ColumnCount = std::clamp(line.ColumnCount, kSpaltenMinCount, kSpaltenMaxCount);
    m.Rule = line.ColumnRule != 0;
    m.GapCm = clampGapCm(line.ColumnGap / 10);
    return m;
}

std::optional<ColumnSettings> SpaltenDialogApply(const SpaltenDialogModel& model,
                                                 double textWidthMm)
{
    if (model.ColumnCount < kSpaltenMinCount) return std::nullopt;
    ColumnSettings s;
    s.ColumnCount = std::min(model.ColumnCount, kSpaltenMaxCount);
    s.ColumnRule = model.Rule ? 1 : 0;
    s.ColumnGap = clampGapCm(model.GapCm) * 10;
    if (s.ColumnCount > 1) {
        // Layout divides what the gaps leave among the columns; a width of
        // zero or less would give it nothing to break against.
        const double maxGap =
            (textWidthMm - s.ColumnCount * kMinColumnWidthMm) / (s.ColumnCount - 1);
        if (!(s.ColumnGap <= maxGap)) s.ColumnGap = std::max(0.0, maxGap);
    }
    return s;
}

} // namespace quillet
