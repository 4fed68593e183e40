#pragma once
// Drawing a picture stretched onto a canvas.

#include "platform/Dib.h"
#include "render/Canvas.h"

namespace quillet {

// Draws the source rectangle (source y counted from the bottom row, as the
// picture stores it) of `pic` into x, y, w, h. An empty picture or a zero
// size draws nothing.
void DrawDibOnDC(Canvas* canvas, int32_t x, int32_t y, int32_t w, int32_t h, const Dib& pic, int32_t sx,
                 int32_t sy, int32_t sw, int32_t sh);

// The colour 0x00BBGGRR of a stored pixel (palette pictures through their table).
uint32_t DibColourAt(const Dib& pic, int32_t x, int32_t storageRow);

} // namespace quillet
