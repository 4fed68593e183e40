#pragma once
// Marks drawn over the presented page while the mouse drags something: the
// rubber band of a new object, the outline of a frame or picture being
// moved or resized, the guide line of a column or ruler drag. They are
// XORed with a dotted white pen and no brush, so drawing the same mark a
// second time takes it away again; the canvas is left in solid copy mode.

#include "render/Canvas.h"

#include <cstdint>

namespace quillet {

// The outline of the rectangle spanned by two corners given in any order
// (a rubber band dragged up or to the left). Right and bottom exclusive.
void drawDragOutline(Canvas& canvas, int32_t x1, int32_t y1, int32_t x2, int32_t y2);

// A vertical guide line at x from the top of the canvas down to `height`.
void drawDragLine(Canvas& canvas, int32_t x, int32_t height);

} // namespace quillet
