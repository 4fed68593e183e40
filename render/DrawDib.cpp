#include "render/DrawDib.h"

#include "platform/MessageBox.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace quillet {

namespace {

// What our desktops offer; the palette path exists for 256-colour screens.
constexpr int32_t kRealScreenBits = 32;
int32_t g_screenBits = 0;

// a * b / c rounded to nearest with halves to even (c > 0).
int64_t scaleEven(int64_t a, int64_t b, int64_t c)
{
    const int64_t n = a * b;
    int64_t q = n / c, r = n % c;
    if (r < 0) {
        q -= 1;
        r += c;
    }
    if (2 * r > c || (2 * r == c && (q & 1))) ++q;
    return q;
}

int32_t clampToInt(int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

void plainMessage(const char* ansiText)
{
    messageBoxes().show(ansiText, "", MsgIcon::None, MsgButtons::Ok);
}

// The colour-table entries a copy takes from its source: what the source
// really has, never more than its depth can index.
int32_t tableCount(const Dib& d)
{
    const int32_t colours = dibcolors(d);
    if (colours > 256) return 0;
    return int32_t(std::min<size_t>(d.ColorTable.size(), size_t(colours)));
}

// The row stretchers share everything but the bytes per pixel.
int32_t stretchRows(Canvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h, const Dib& pic, int32_t sx,
                    int32_t sourceTop, int32_t sw, int32_t sh, int32_t bytesPerPixel)
{
    if (!dibUsable(pic) || dibbitcount(pic) != 8 * bytesPerPixel) return 0;
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return 0;
    const int32_t width = dibwidth(pic), height = dibheight(pic);

    Dib rowPic;
    if (bytesPerPixel == 1) newdib(&rowPic, w, 1, 8, &pic.ColorTable, tableCount(pic));
    else newdib(&rowPic, w, 1, 24, nullptr, 0);
    if (rowPic.empty()) return 0;

    // Destination column i reads source byte offset bpp * (sx + sw*i/w);
    // only the columns whose offset lies inside the row are copied.
    std::vector<int64_t> offsets(static_cast<size_t>(w));
    const int64_t rowBytes = int64_t(width) * bytesPerPixel;
    int32_t firstCol = -1, lastCol = -2;
    for (int32_t i = 0; i < w; ++i) {
        const int64_t off = int64_t(bytesPerPixel) * (int64_t(sx) + int64_t(sw) * i / w);
        offsets[size_t(i)] = off;
        if (off >= 0 && off <= rowBytes - bytesPerPixel) {
            if (firstCol < 0) firstCol = i;
            lastCol = i;
        }
    }

    int32_t copies = 0;
    // No row is in the row picture yet; any real offset (0 included) differs.
    int64_t remembered = -1;
    uint8_t* out = rowPic.row(0);
    for (int32_t r = 0; r < h; ++r) {
        const int64_t storageRow = int64_t(height) - sourceTop - int64_t(sh) * r / h - 1;
        if (storageRow < 0 || storageRow >= height) {
            std::memset(out, 0, size_t(rowPic.BytesPerRow));
            // The row picture no longer holds the remembered row.
            remembered = -1;
        } else {
            const int64_t offset = storageRow * pic.BytesPerRow;
            if (offset != remembered) {
                const uint8_t* src = pic.Bits.data() + offset;
                for (int32_t i = firstCol; i <= lastCol; ++i)
                    std::memcpy(out + size_t(bytesPerPixel) * size_t(i), src + offsets[size_t(i)], size_t(bytesPerPixel));
                remembered = offset;
                ++copies;
            }
        }
        canvas.setDibToDevice(x, y + r, rowPic);
    }
    return copies;
}

// The picture's rows in a device-compatible bitmap (top-down).
enum class BitmapResult { Ok, NoBitmap, NoRows };
BitmapResult bitmapFromDib(const Dib& pic, Bitmap32& out)
{
    const int32_t w = dibwidth(pic), h = dibheight(pic);
    if (w <= 0 || h <= 0 || uint64_t(w) * uint64_t(h) > kMaxDibBytes / 4) return BitmapResult::NoBitmap;
    try {
        out.Pixels.assign(size_t(w) * size_t(h), 0);
    } catch (const std::bad_alloc&) {
        return BitmapResult::NoBitmap;
    }
    out.Width = w;
    out.Height = h;
    if (!dibUsable(pic)) return BitmapResult::NoRows;
    for (int32_t r = 0; r < h; ++r) dibRowColours(pic, h - 1 - r, out.Pixels.data() + size_t(r) * size_t(w));
    return BitmapResult::Ok;
}

} // namespace

int32_t ScreenBitsPerPixel() { return g_screenBits > 0 ? g_screenBits : kRealScreenBits; }
void SetScreenBitsPerPixel(int32_t bpp) { g_screenBits = bpp > 0 ? bpp : 0; }

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
        return ((r << 3) | (r >> 2)) | (((g << 3) | (g >> 2)) << 8) | (((b << 3) | (b >> 2)) << 16);
    }
    return v & 0xFFFFFF;
}

int32_t StretchDib24Rows(Canvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h, const Dib& pic, int32_t sx,
                         int32_t sourceTop, int32_t sw, int32_t sh)
{
    return stretchRows(canvas, x, y, w, h, pic, sx, sourceTop, sw, sh, 3);
}

int32_t StretchDib8Rows(Canvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h, const Dib& pic, int32_t sx,
                        int32_t sourceTop, int32_t sw, int32_t sh)
{
    return stretchRows(canvas, x, y, w, h, pic, sx, sourceTop, sw, sh, 1);
}

void NearestNeighbourCopy(const Dib& src, int32_t sx, int32_t sy, int32_t sw, int32_t sh, Dib& dst)
{
    if (!dibUsable(src) || !dibUsable(dst) || dibbitcount(src) != dibbitcount(dst)) return;
    if (sw <= 0 || sh <= 0) return;
    const int32_t bpp = dibbitcount(src);
    const int32_t sWidth = dibwidth(src), sHeight = dibheight(src);
    const int32_t dw = dibwidth(dst), dh = dibheight(dst);
    std::vector<int32_t> columns(static_cast<size_t>(dw));
    for (int32_t i = 0; i < dw; ++i)
        columns[size_t(i)] = dw == 1 ? sx : int32_t(int64_t(sw - 1) * i / (dw - 1) + sx);
    for (int32_t j = 0; j < dh; ++j) {
        const int64_t srow = dh == 1 ? sy : int64_t(sh - 1) * j / (dh - 1) + sy;
        if (srow < 0 || srow >= sHeight) continue;
        const uint8_t* in = src.row(int32_t(srow));
        uint8_t* out = dst.row(j);
        for (int32_t i = 0; i < dw; ++i) {
            const int32_t c = columns[size_t(i)];
            if (c < 0 || c >= sWidth) continue;
            switch (bpp) {
            case 1: setpixel(dst, i, j, getpixel(src, c, int32_t(srow))); break;
            case 4: {
                const uint8_t v = (c & 1) ? (in[c >> 1] & 0x0F) : (in[c >> 1] >> 4);
                uint8_t& b = out[i >> 1];
                b = (i & 1) ? uint8_t((b & 0xF0) | v) : uint8_t((b & 0x0F) | (v << 4));
                break;
            }
            default: {
                // 8, 16, 24 and 32 bits: whole bytes per pixel.
                const size_t n = size_t(bpp / 8);
                std::memcpy(out + n * size_t(i), in + n * size_t(c), n);
                break;
            }
            }
        }
    }
}

void DrawDibOnDC(Canvas* canvas, int32_t x, int32_t y, int32_t w, int32_t h, const Dib& pic, int32_t sx,
                 int32_t sy, int32_t sw, int32_t sh, uint8_t allowHalftone, uint32_t rop)
{
    if (!canvas || !dibUsable(pic)) return;
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return;
    Canvas& device = *canvas;
    const int32_t width = dibwidth(pic), height = dibheight(pic);
    const int32_t bpp = dibbitcount(pic);
    const bool screen = device.kind() == CanvasKind::ScreenBitmap;

    // Clip the source to the picture; the destination shrinks in proportion.
    // The source y counts from the bottom row: a source reaching below the
    // picture (y < 0) keeps the destination's top, one reaching above the
    // picture's top moves the destination's top down.
    if (int64_t(sx) + sw > width) {
        const int32_t nsw = width - sx;
        if (nsw <= 0) return;
        w = clampToInt(scaleEven(w, nsw, sw));
        sw = nsw;
    }
    if (sy < 0) {
        if (int64_t(sh) + sy <= 0) return;
        h = clampToInt(scaleEven(int64_t(sh) + sy, h, sh));
        sh += sy;
        sy = 0;
    }
    if (int64_t(sy) + sh > height) {
        const int32_t nsh = height - sy;
        if (nsh <= 0) return;
        const int32_t d = clampToInt(scaleEven(h, nsh, sh));
        y = clampToInt(int64_t(y) + h - d);
        h = d;
        sh = nsh;
    }
    if (sx < 0) {
        if (int64_t(sx) + sw <= 0) return;
        const int32_t d = clampToInt(scaleEven(int64_t(sx) + sw, w, sw));
        x = clampToInt(int64_t(x) + w - d);
        w = d;
        sw += sx;
        sx = 0;
    }
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return;

    // Our devices have no palettes: a picture's colours (its own table, or a
    // halftoned copy's) always reach the device whole, so nothing is
    // selected or realised.

    // 256-colour screens get 24-bit pictures halftoned (printers too, as the
    // desktop decides), at the destination size when shrinking.
    if (bpp == 24 && ScreenBitsPerPixel() <= 8 && allowHalftone) {
        const bool shrinking = sw > w || h < sh;
        Dib ht;
        if (shrinking) DIBHalftoneDIBXY(&ht, pic, clampToInt(scaleEven(width, w, sw)), clampToInt(scaleEven(height, h, sh)));
        else DIBHalftoneDIB(&ht, pic);
        if (!dibUsable(ht)) return;
        if (shrinking) {
            const int32_t hw = dibwidth(ht), hh = dibheight(ht);
            const int32_t hx = std::clamp(clampToInt(scaleEven(hw, sx, width)), 0, hw - 1);
            const int32_t hy = std::clamp(clampToInt(scaleEven(hh, sy, height)), 0, hh - 1);
            // One to one; rounding may leave the halftoned picture a pixel
            // short of the destination, which the transfer then stretches.
            device.stretchDib(x, y, w, h, ht, hx, hy, std::min(w, hw - hx), std::min(h, hh - hy), rop);
        } else {
            device.stretchDib(x, y, w, h, ht, sx, sy, sw, sh, rop);
        }
        return;
    }
    // Screens stretch row by row (a row at a time, each distinct row copied
    // once). Metafiles and PDF pages take the picture whole, like printers.
    if (bpp == 24 && screen) {
        StretchDib24Rows(device, x, y, w, h, pic, sx, height - sy - sh, sw, sh);
        return;
    }
    if (bpp == 8 && screen) {
        StretchDib8Rows(device, x, y, w, h, pic, sx, height - sy - sh, sw, sh);
        return;
    }

    if (device.stretchDib(x, y, w, h, pic, sx, sy, sw, sh, rop) > 0) return;

    // The device would not stretch. One that takes pictures unscaled gets a
    // copy made at the destination size.
    bool sent = false;
    if (device.canSendDib()) {
        Dib copy;
        newdib(&copy, w, h, bpp, &pic.ColorTable, tableCount(pic));
        if (copy.empty()) return;
        NearestNeighbourCopy(pic, sx, sy, sw, sh, copy);
        sent = device.setDibToDevice(x, y, copy) > 0;
    }
    if (sent) return;

    // Last resort: a device-compatible bitmap stretched by the device.
    Bitmap32 bitmap;
    switch (bitmapFromDib(pic, bitmap)) {
    case BitmapResult::NoBitmap: plainMessage("Konnte Bitmap nicht erzeugen!"); return;
    case BitmapResult::NoRows: plainMessage("Das Ger\xE4t unterst\xFCtzt die Funtkion setdibits nicht!"); return;
    case BitmapResult::Ok: break;
    }
    if (!device.stretchBitmap(x, y, w, h, bitmap, sx, height - sy - sh, sw, sh, rop))
        plainMessage("Das Ger\xE4t unterst\xFCtzt die Funktion StretchBlt nicht!");
}

} // namespace quillet
