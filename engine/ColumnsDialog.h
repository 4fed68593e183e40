#pragma once
// The Format > Columns dialog as a model: the caller fills it from the
// cursor paragraph, the view shows and edits it, and after OK the caller
// turns it into the column settings to write to the paragraph.

#include "engine/Records.h"

#include <cstdint>
#include <optional>

namespace quillet {

struct SpaltenDialogModel {
    int32_t ColumnCount = 1;  // SpAnzEd
    bool Rule = false;        // linecheck
    double GapCm = 1.25;      // AbstEd, centimetres
};

// The ranges of the dialog's edits.
inline constexpr int32_t kSpaltenMinCount = 1;
inline constexpr int32_t kSpaltenMaxCount = 10;
inline constexpr double kSpaltenMaxGapCm = 10.0;
inline constexpr double kSpaltenGapStepCm = 0.1;
inline constexpr int kSpaltenGapDecimals = 2;
// Narrowest column the gap may leave.
inline constexpr double kMinColumnWidthMm = 1.0;

// The paragraph's column settings as the dialog shows them, kept inside the
// edits' ranges (a ColumnCount of 0 shows as one column).
SpaltenDialogModel SpaltenDialogFromLine(const TextLine& line);

// What OK writes to the paragraph's lines.
struct ColumnSettings {
    int32_t ColumnCount = 1;
    int32_t ColumnRule = 0;
    double ColumnGap = 0;  // mm
    friend bool operator==(const ColumnSettings&, const ColumnSettings&) = default;
};

// The settings to write after OK, or nothing when the count is below one
// (the paragraph stays as it is). The count is kept to 1..10 and the gap to
// 0..10 cm. `textWidthMm` is the area's text width (before columns): the
// dialog cannot know it, so a gap that would leave columns narrower than
// kMinColumnWidthMm is reduced here, down to 0 when even that is too wide.
std::optional<ColumnSettings> SpaltenDialogApply(const SpaltenDialogModel& model,
                                                 double textWidthMm);

} // namespace quillet
