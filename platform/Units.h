#pragma once
// The length units every layer shares: documents are measured in
// millimetres, screens and printers in pixels at their own resolution, fonts
// in points.

#include <cmath>

namespace quillet {

// Millimetres per inch as documents have always been measured here: a hair
// under 25.4. Stored lengths, page sizes and so the page breaks of stored
// documents depend on it, so it stays.
inline constexpr double kMmPerInch = 25.39995;

// The nearest whole number, halves to even, whatever rounding mode is set.
// Infinities and NaN come back as NaN.
inline double roundHalfEven(double v) { return v - std::remainder(v, 1.0); }

} // namespace quillet
