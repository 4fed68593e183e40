#include "render/DrawDib.h"

#include "render/ImageCanvas.h"

#include <cmath>

namespace quillet {

namespace {

int32_t roundEven(double v) { return int32_t(std::nearbyint(v)); }

} // namespace

uint32_t DibColourAt(const Dib& pic, int32_t x, int32_t storageRow)
{
    const int32_t bpp = dibbitcount(pic);
    const uint32_t v = getpixel(pic, x, storageRow);
    if (bpp <= 8) {
        if (v >= pic.ColorTable.size()) return 0;
        const RgbQuad& q = pic.ColorTable[v];
        return uint32_t(q.Red) | (uint32_t(q.Green) << 8) | (uint32_t(q.Blue) << 16);
    }
    if (bpp == 16) {
        const uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
        return ((r * 255 / 31)) | ((g * 255 / 31) << 8) | ((b * 255 / 31) << 16);
    }
    return v & 0xFFFFFF;
}

void DrawDibOnDC(Canvas* canvas, int32_t x, int32_t y, int32_t w, int32_t h, const Dib& pic, int32_t sx,
                 int32_t sy, int32_t sw, int32_t sh)
{
    if (!canvas || pic.empty()) return;
    const int32_t pw = dibwidth(pic), ph = dibheight(pic);
    if (pw <= 0 || ph <= 0 || w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return;

    // Clip the source to the picture; the destination shrinks in proportion.
    // Source y counts from the bottom row, so a source reaching below the
    // picture keeps the destination's top, one reaching above moves it down.
    if (sx + int64_t(sw) > pw) {
        const int32_t nsw = pw - sx;
        if (nsw <= 0) return;
        w = roundEven(double(w) * nsw / sw);
        sw = nsw;
    }
    if (sy < 0) {
        h = roundEven(double(sh + sy) * h / sh);
        sh += sy;
        sy = 0;
    }
    if (sh > 0 && sy + int64_t(sh) > ph) {
        const int32_t nsh = ph - sy;
        if (nsh <= 0) return;
        const int32_t d = roundEven(double(h) * nsh / sh);
        y += h - d;
        h = d;
        sh = nsh;
    }
    if (sx < 0) {
        const int32_t d = roundEven(double(sx + sw) * w / sw);
        x += w - d;
        w = d;
        sw += sx;
        sx = 0;
    }
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return;

    // Nearest neighbour, the mapping of the row stretchers: destination
    // column i takes source column sx + sw*i/w, row r storage row
    // height - top - sh*r/h - 1 with top counted from the top.
    const int32_t top = ph - sy - sh;
    auto* image = dynamic_cast<ImageCanvas*>(canvas);
    for (int32_t r = 0; r < h; ++r) {
        const int32_t srow = ph - top - int32_t(int64_t(sh) * r / h) - 1;
        if (srow < 0 || srow >= ph) continue;
        for (int32_t i = 0; i < w; ++i) {
            const int32_t scol = sx + int32_t(int64_t(sw) * i / w);
            const uint32_t c = DibColourAt(pic, scol, srow);
            if (image) image->setPixel(x + i, y + r, c);
            else canvas->fillRect(x + i, y + r, x + i + 1, y + r + 1, c);
        }
    }
}

} // namespace quillet
