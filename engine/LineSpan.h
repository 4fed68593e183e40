#pragma once
// Layout questions asked of a run of lines rather than of an area's whole
// array. Placement asks them about the lines an area is about to hold while
// those lines still stand in the array of an earlier area of the flow, so
// that a long flow is not moved from area to area page by page.

#include "engine/Childwin.h"

#include <cstdint>
#include <span>

namespace quillet {

using LineSpan = std::span<const TextLine>;

// As TMDIChild::RowSpaceAbove / RowSpaceBelow.
double rowSpaceAboveIn(LineSpan lines, int32_t line);
double rowSpaceBelowIn(LineSpan lines, int32_t line);

// As TMDIChild::isfirstSpaltenrow / getspalteninfo for an area holding `lines`.
bool isFirstColumnRowIn(LineSpan lines, int32_t line);
TMDIChild::SpaltenInfo columnInfoIn(LineSpan lines, int32_t line, double available);

} // namespace quillet
