#pragma once
// Inside the picture library: the file readers and the few helpers they
// share with the record code. Not for use outside platform/Dib*.cpp.

#include "platform/Dib.h"

#include <cstddef>
#include <cstdint>

namespace quillet::dibcodec {

// Whether a picture of width x height is one we make at all (kMaxDibPixels),
// checked without overflow. Decoders ask before they allocate anything.
bool pixelsFit(int64_t width, int64_t height);
// newdib without a colour source for a size pixelsFit accepts; true when
// the picture has pixels.
bool makeDib(Dib& out, int64_t width, int64_t height, int32_t bpp);
// Copies the colour table into the logical palette (<= 8 bpp pictures).
void syncPalette(Dib& d);
// Fills the colour table with `levels` evenly spaced greys from black to white.
void greyTable(Dib& d, int levels);
// A colour over white by its alpha, one channel.
inline uint8_t overWhite(unsigned c, unsigned a)
{
    return uint8_t((c * a + 255u * (255u - a) + 127u) / 255u);
}
// Stores a resolution given in dots per inch (0 or nonsense: none).
void setResolutionDpi(Dib& d, double xdpi, double ydpi);

bool readBmp(const uint8_t* data, size_t size, Dib& out);
bool readPng(const uint8_t* data, size_t size, Dib& out);
bool readJpeg(const uint8_t* data, size_t size, Dib& out);
bool readGif(const uint8_t* data, size_t size, Dib& out);
bool readTiff(const uint8_t* data, size_t size, Dib& out);
bool readTga(const uint8_t* data, size_t size, Dib& out);

// Content checks for recognising a file.
bool looksLikeBmp(const uint8_t* data, size_t size);
bool looksLikeTga(const uint8_t* data, size_t size);

} // namespace quillet::dibcodec
