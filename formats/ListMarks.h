#pragma once
// What the file readers share about list paragraphs.

#include <cstdint>

namespace quillet {

// How a list level marks its items, from its number format: 23 is the
// bullet, 255 shows nothing at all, every other format is a number.
// Returns a paragraph's list kind: 0 none, 1 bullets, 2 numbers.
constexpr uint8_t listKindOfNumberFormat(int32_t format) { return format == 23 ? 1 : format == 255 ? 0 : 2; }

} // namespace quillet
