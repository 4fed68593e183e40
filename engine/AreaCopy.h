#pragma once
// Comparing and copying whole areas as undo snapshots do it: about as fast
// as the memory can be read and written, where the areas' own operators go
// character by character, field by field.

#include "engine/Records.h"

#include <span>

namespace quillet {

// a == b, with the same answer as the areas' own operator, except that two
// characters whose bytes are equal count as equal even where a width is NaN
// (the values are then the same, and sharing or keeping them is sound).
bool sameChars(std::span<const TextChar> a, std::span<const TextChar> b);
bool sameLine(const TextLine& a, const TextLine& b);
bool sameArea(const TextArea& a, const TextArea& b);

// to = from, reusing the storage `to` already has: lines that are already
// the same are left alone, and characters without a rare block are copied
// as plain bytes.
void copyChars(std::vector<TextChar>& to, const std::vector<TextChar>& from);
void copyArea(TextArea& to, const TextArea& from);

} // namespace quillet
