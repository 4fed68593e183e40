#include "render/Canvas.h"

#include <algorithm>
#include <cstring>

namespace quillet {

namespace {

uint32_t tableColour(const Dib& d, unsigned index)
{
    if (index >= d.ColorTable.size()) return 0;
    const RgbQuad& q = d.ColorTable[index];
    return uint32_t(q.Red) | (uint32_t(q.Green) << 8) | (uint32_t(q.Blue) << 16);
}

// Runs of equal colour in one row of colours become one fillRect each.
void fillRuns(Canvas& c, int32_t x, int32_t y, const std::vector<uint32_t>& colours)
{
    size_t i = 0;
    while (i < colours.size()) {
        size_t j = i + 1;
        while (j < colours.size() && colours[j] == colours[i]) ++j;
        c.fillRect(x + int32_t(i), y, x + int32_t(j), y + 1, colours[i]);
        i = j;
    }
}

// The stretch mapping every canvas shares: destination column i takes
// source column sw*i/w, row r source row sh*r/h (top-down in the rectangle).
template <typename RowFn>
void stretchThroughFills(Canvas& c, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sw, int32_t sh,
                         RowFn&& rowColours)
{
    std::vector<uint32_t> source(static_cast<size_t>(sw)), out(static_cast<size_t>(w));
    int64_t loaded = -1;
    for (int32_t r = 0; r < h; ++r) {
        const int64_t sr = int64_t(sh) * r / h;
        if (sr != loaded) {
            rowColours(int32_t(sr), source.data());
            loaded = sr;
            for (int32_t i = 0; i < w; ++i) out[size_t(i)] = source[size_t(int64_t(sw) * i / w)];
        }
        fillRuns(c, x, y + r, out);
    }
}

} // namespace

bool dibUsable(const Dib& d)
{
    const auto& h = d.Header;
    const int32_t bpp = h.biBitCount;
    if (d.Bits.empty() || h.biWidth <= 0 || h.biHeight <= 0) return false;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
    const uint64_t minStride = (uint64_t(h.biWidth) * uint64_t(bpp) + 31) / 32 * 4;
    if (d.BytesPerRow <= 0 || uint64_t(d.BytesPerRow) < minStride) return false;
    return uint64_t(h.biHeight) <= d.Bits.size() / uint64_t(d.BytesPerRow);
}

void dibRowColours(const Dib& d, int32_t storageRow, uint32_t* out)
{
    const int32_t w = d.Header.biWidth;
    const uint8_t* src = d.row(storageRow);
    switch (d.Header.biBitCount) {
    case 1:
        for (int32_t x = 0; x < w; ++x) out[x] = tableColour(d, (src[x >> 3] >> (7 - (x & 7))) & 1);
        break;
    case 4:
        for (int32_t x = 0; x < w; ++x) out[x] = tableColour(d, (x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4));
        break;
    case 8:
        for (int32_t x = 0; x < w; ++x) out[x] = tableColour(d, src[x]);
        break;
    case 16:
        // Uncompressed 16-bit pictures are 5-5-5.
        for (int32_t x = 0; x < w; ++x) {
            const unsigned v = unsigned(src[2 * x]) | (unsigned(src[2 * x + 1]) << 8);
            const unsigned r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
            out[x] = ((r << 3) | (r >> 2)) | (((g << 3) | (g >> 2)) << 8) | (((b << 3) | (b >> 2)) << 16);
        }
        break;
    case 24:
        for (int32_t x = 0; x < w; ++x) {
            const uint8_t* p = src + 3 * size_t(x);
            out[x] = uint32_t(p[2]) | (uint32_t(p[1]) << 8) | (uint32_t(p[0]) << 16);
        }
        break;
    case 32:
        for (int32_t x = 0; x < w; ++x) {
            const uint8_t* p = src + 4 * size_t(x);
            out[x] = uint32_t(p[2]) | (uint32_t(p[1]) << 8) | (uint32_t(p[0]) << 16);
        }
        break;
    default:
        std::fill(out, out + w, 0u);
        break;
    }
}

int32_t Canvas::stretchDib(int32_t x, int32_t y, int32_t width, int32_t height, const Dib& picture,
                           int32_t sourceX, int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight, uint32_t rop)
{
    if (rop != SRCCOPY || !dibUsable(picture) || width <= 0 || height <= 0 || sourceWidth <= 0 || sourceHeight <= 0)
        return 0;
    const int32_t pw = dibwidth(picture), ph = dibheight(picture);
    if (sourceX < 0 || sourceY < 0 || sourceWidth > pw - sourceX || sourceHeight > ph - sourceY) return 0;
    std::vector<uint32_t> full(static_cast<size_t>(pw));
    stretchThroughFills(*this, x, y, width, height, sourceWidth, sourceHeight, [&](int32_t k, uint32_t* out) {
        dibRowColours(picture, sourceY + sourceHeight - 1 - k, full.data());
        std::copy(full.begin() + sourceX, full.begin() + sourceX + sourceWidth, out);
    });
    return height;
}

int32_t Canvas::setDibToDevice(int32_t x, int32_t y, const Dib& picture)
{
    if (!dibUsable(picture)) return 0;
    return stretchDib(x, y, dibwidth(picture), dibheight(picture), picture, 0, 0, dibwidth(picture),
                      dibheight(picture), SRCCOPY);
}

bool Canvas::stretchBitmap(int32_t x, int32_t y, int32_t width, int32_t height, const Bitmap32& bitmap,
                           int32_t sourceX, int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight, uint32_t rop)
{
    if (rop != SRCCOPY || width <= 0 || height <= 0 || sourceWidth <= 0 || sourceHeight <= 0) return false;
    if (bitmap.Width <= 0 || bitmap.Height <= 0 || bitmap.Pixels.size() / size_t(bitmap.Width) < size_t(bitmap.Height))
        return false;
    if (sourceX < 0 || sourceY < 0 || sourceWidth > bitmap.Width - sourceX || sourceHeight > bitmap.Height - sourceY)
        return false;
    stretchThroughFills(*this, x, y, width, height, sourceWidth, sourceHeight, [&](int32_t k, uint32_t* out) {
        const uint32_t* src = bitmap.Pixels.data() + size_t(sourceY + k) * size_t(bitmap.Width) + size_t(sourceX);
        std::copy(src, src + sourceWidth, out);
    });
    return true;
}

} // namespace quillet
