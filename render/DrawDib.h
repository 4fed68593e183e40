#pragma once
// Drawing a picture stretched onto a canvas: the one routine every picture
// goes through (picture characters, picture frames, metafiles), and the
// row-by-row stretchers it uses on screens.
//
// Source rectangles count y the way pictures store their rows: from the
// bottom row upwards (source y = 0 is the picture's last row), except where
// a parameter says "top".

#include "platform/Dib.h"
#include "render/Canvas.h"

#include <cstdint>

namespace quillet {

// Bits per pixel of the desktop. Pictures of 24 bits are halftoned on
// screens of 8 bits or less; our screens are true colour (32), and tests set
// other depths to reach the palette path. 0 restores the real depth.
int32_t ScreenBitsPerPixel();
void SetScreenBitsPerPixel(int32_t bpp);

// Draws the source rectangle of `pic` into (x, y, w, h). An empty or
// inconsistent picture, or a size of 0 or less, draws nothing. The source is
// first clipped to the picture, the destination shrinking in proportion.
// Screens: 24-bit and 8-bit pictures are stretched row by row, other depths
// in one transfer; printers, metafiles and PDF pages get one transfer of the
// source rectangle, with fallbacks when the device refuses it.
void DrawDibOnDC(Canvas* canvas, int32_t x, int32_t y, int32_t w, int32_t h, const Dib& pic, int32_t sx,
                 int32_t sy, int32_t sw, int32_t sh, uint8_t allowHalftone = 1, uint32_t rop = SRCCOPY);

// Row-by-row stretching of a 24-bit (8-bit) picture: each destination row is
// sent to the device unscaled as a one-row picture; consecutive rows that
// map to the same source row reuse the row already built. sourceTop counts
// from the picture's top row. Returns how many source rows were copied
// (0 when nothing could be drawn).
int32_t StretchDib24Rows(Canvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h, const Dib& pic, int32_t sx,
                         int32_t sourceTop, int32_t sw, int32_t sh);
int32_t StretchDib8Rows(Canvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h, const Dib& pic, int32_t sx,
                        int32_t sourceTop, int32_t sw, int32_t sh);

// Fills `dst` (already made at the destination size and the source's depth)
// with a nearest-neighbour copy of the source rectangle, in storage order:
// destination row j takes source row (sh - 1) * j / (rows - 1) + sy, column
// i source column (sw - 1) * i / (columns - 1) + sx, so both corners map to
// corners; a single row or column takes the first.
void NearestNeighbourCopy(const Dib& src, int32_t sx, int32_t sy, int32_t sw, int32_t sh, Dib& dst);

// The colour 0x00BBGGRR of a stored pixel (palette pictures through their table).
uint32_t DibColourAt(const Dib& pic, int32_t x, int32_t storageRow);

} // namespace quillet
