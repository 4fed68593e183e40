#include "render/DrawDib.h"

#include "platform/MessageBox.h"
#include "render/PictureCache.h"

#include <algorithm>
#include <cstring>
#include <memory>
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

// Which destination rows and columns are worked out: all of them, or only
// those a screen can show.
struct RowWindow {
    int32_t FirstCol = 0, EndCol = 0, FirstRow = 0, EndRow = 0;
};

// The row stretchers share everything but the bytes per pixel. `send` gets
// each destination row of the window in turn, as a picture of the window's
// width, with whether its bytes changed since the row before.
template <typename Send>
int32_t stretchRows(int32_t w, int32_t h, const Dib& pic, int32_t sx, int32_t sourceTop, int32_t sw, int32_t sh,
                    int32_t bytesPerPixel, const RowWindow& win, Send&& send)
{
    if (!dibUsable(pic) || dibbitcount(pic) != 8 * bytesPerPixel) return 0;
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return 0;
    if (win.EndCol <= win.FirstCol || win.EndRow <= win.FirstRow) return 0;
    const int32_t width = dibwidth(pic), height = dibheight(pic);
    const int32_t cols = win.EndCol - win.FirstCol;

    Dib rowPic;
    if (bytesPerPixel == 1) newdib(&rowPic, cols, 1, 8, &pic.ColorTable, tableCount(pic));
    else newdib(&rowPic, cols, 1, 24, nullptr, 0);
    if (rowPic.empty()) return 0;

    // Destination column i reads source byte offset bpp * (sx + sw*i/w);
    // only the columns whose offset lies inside the row are copied.
    std::vector<int64_t> offsets(static_cast<size_t>(cols));
    const int64_t rowBytes = int64_t(width) * bytesPerPixel;
    int32_t firstCol = -1, lastCol = -2;
    for (int32_t k = 0; k < cols; ++k) {
        const int64_t i = int64_t(win.FirstCol) + k;
        const int64_t off = int64_t(bytesPerPixel) * (int64_t(sx) + int64_t(sw) * i / w);
        offsets[size_t(k)] = off;
        if (off >= 0 && off <= rowBytes - bytesPerPixel) {
            if (firstCol < 0) firstCol = k;
            lastCol = k;
        }
    }

    int32_t copies = 0;
    // No row is in the row picture yet; any real offset (0 included) differs.
    int64_t remembered = -1;
    uint8_t* out = rowPic.row(0);
    for (int32_t r = win.FirstRow; r < win.EndRow; ++r) {
        const int64_t storageRow = int64_t(height) - sourceTop - int64_t(sh) * r / h - 1;
        bool changed = false;
        if (storageRow < 0 || storageRow >= height) {
            std::memset(out, 0, size_t(rowPic.BytesPerRow));
            // The row picture no longer holds the remembered row.
            remembered = -1;
            changed = true;
        } else {
            const int64_t offset = storageRow * pic.BytesPerRow;
            if (offset != remembered) {
                const uint8_t* src = pic.Bits.data() + offset;
                if (bytesPerPixel == 3) {
                    for (int32_t k = firstCol; k <= lastCol; ++k) {
                        const uint8_t* from = src + offsets[size_t(k)];
                        uint8_t* to = out + 3 * size_t(k);
                        to[0] = from[0];
                        to[1] = from[1];
                        to[2] = from[2];
                    }
                } else {
                    for (int32_t k = firstCol; k <= lastCol; ++k) out[size_t(k)] = src[offsets[size_t(k)]];
                }
                remembered = offset;
                ++copies;
                changed = true;
            }
        }
        send(r, rowPic, changed);
    }
    return copies;
}

int32_t stretchRowsTo(Canvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h, const Dib& pic, int32_t sx,
                      int32_t sourceTop, int32_t sw, int32_t sh, int32_t bytesPerPixel, const RowWindow& win)
{
    return stretchRows(w, h, pic, sx, sourceTop, sw, sh, bytesPerPixel, win, [&](int32_t r, const Dib& rowPic, bool) {
        canvas.setDibToDevice(int32_t(int64_t(x) + win.FirstCol), int32_t(int64_t(y) + r), rowPic);
    });
}

// The rows the stretcher would send for a window, kept: each distinct row once.
std::shared_ptr<const ScaledRows> scaledRows(const Dib& pic, int32_t sx, int32_t sourceTop, int32_t sw, int32_t sh,
                                             int32_t w, int32_t h, int32_t bytesPerPixel, const RowWindow& win)
{
    auto rows = std::make_shared<ScaledRows>();
    rows->Width = win.EndCol - win.FirstCol;
    rows->Height = win.EndRow - win.FirstRow;
    rows->Bits = 8 * bytesPerPixel;
    try {
        rows->RowOf.resize(size_t(rows->Height));
        int32_t stored = -1;
        stretchRows(w, h, pic, sx, sourceTop, sw, sh, bytesPerPixel, win, [&](int32_t r, const Dib& rowPic, bool changed) {
            if (changed || stored < 0) {
                rows->RowBytes = rowPic.BytesPerRow;
                rows->Rows.insert(rows->Rows.end(), rowPic.Bits.begin(), rowPic.Bits.begin() + rowPic.BytesPerRow);
                ++stored;
            }
            rows->RowOf[size_t(r - win.FirstRow)] = stored;
        });
        if (stored < 0) return nullptr;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return rows;
}

// Sends kept rows exactly as the stretcher would: the same one-row
// pictures at the same places in the same order.
bool sendScaledRows(Canvas& canvas, int32_t x, int32_t y, const ScaledRows& rows, const Dib& pic)
{
    Dib rowPic;
    if (rows.Bits == 8) newdib(&rowPic, rows.Width, 1, 8, &pic.ColorTable, tableCount(pic));
    else newdib(&rowPic, rows.Width, 1, 24, nullptr, 0);
    if (rowPic.empty() || rowPic.BytesPerRow != rows.RowBytes) return false;
    int32_t shown = -1;
    for (int32_t r = 0; r < rows.Height; ++r) {
        const int32_t stored = rows.RowOf[size_t(r)];
        if (stored != shown) {
            std::memcpy(rowPic.row(0), rows.row(stored), size_t(rows.RowBytes));
            shown = stored;
        }
        canvas.setDibToDevice(x, int32_t(int64_t(y) + r), rowPic);
    }
    return true;
}

// Screens: only the rows and columns inside the screen image are worked
// out (a picture shown larger than the window is mostly out of sight), and
// a picture shown again at the same size and place takes them from the
// cache. Pixels come out exactly as the plain row stretcher makes them.
void stretchRowsOnScreen(Canvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h, const Dib& pic, int32_t sx,
                         int32_t sourceTop, int32_t sw, int32_t sh, int32_t bytesPerPixel)
{
    RowWindow win;
    win.FirstCol = int32_t(std::clamp<int64_t>(-int64_t(x), 0, w));
    win.EndCol = int32_t(std::clamp<int64_t>(int64_t(canvas.width()) - x, 0, w));
    win.FirstRow = int32_t(std::clamp<int64_t>(-int64_t(y), 0, h));
    win.EndRow = int32_t(std::clamp<int64_t>(int64_t(canvas.height()) - y, 0, h));
    if (win.EndCol <= win.FirstCol || win.EndRow <= win.FirstRow) return;

    ScaledPictureCache& cache = ScreenPictureCache();
    const size_t rowBytes = (size_t(win.EndCol - win.FirstCol) * size_t(bytesPerPixel) + 3) / 4 * 4;
    if (!cache.worthKeeping(rowBytes * size_t(win.EndRow - win.FirstRow))) {
        stretchRowsTo(canvas, x, y, w, h, pic, sx, sourceTop, sw, sh, bytesPerPixel, win);
        return;
    }
    ScaledKey key;
    key.Block = pic.Bits.data();
    key.BlockSize = pic.Bits.size();
    key.PicWidth = dibwidth(pic);
    key.PicHeight = dibheight(pic);
    key.PicBits = dibbitcount(pic);
    key.Stride = pic.BytesPerRow;
    key.Fingerprint = PictureFingerprint(pic);
    key.SourceX = sx;
    key.SourceTop = sourceTop;
    key.SourceWidth = sw;
    key.SourceHeight = sh;
    key.Width = w;
    key.Height = h;
    key.FirstCol = win.FirstCol;
    key.EndCol = win.EndCol;
    key.FirstRow = win.FirstRow;
    key.EndRow = win.EndRow;
    std::shared_ptr<const ScaledRows> rows = cache.find(key);
    if (!rows) {
        rows = scaledRows(pic, sx, sourceTop, sw, sh, w, h, bytesPerPixel, win);
        if (!rows) {
            stretchRowsTo(canvas, x, y, w, h, pic, sx, sourceTop, sw, sh, bytesPerPixel, win);
            return;
        }
        cache.keep(key, rows);
    }
    const int32_t left = int32_t(int64_t(x) + win.FirstCol), top = int32_t(int64_t(y) + win.FirstRow);
    if (!sendScaledRows(canvas, left, top, *rows, pic))
        stretchRowsTo(canvas, x, y, w, h, pic, sx, sourceTop, sw, sh, bytesPerPixel, win);
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
    return stretchRowsTo(canvas, x, y, w, h, pic, sx, sourceTop, sw, sh, 3, RowWindow{0, std::max(w, 0), 0, std::max(h, 0)});
}

int32_t StretchDib8Rows(Canvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h, const Dib& pic, int32_t sx,
                        int32_t sourceTop, int32_t sw, int32_t sh)
{
    return stretchRowsTo(canvas, x, y, w, h, pic, sx, sourceTop, sw, sh, 1, RowWindow{0, std::max(w, 0), 0, std::max(h, 0)});
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
    if ((bpp == 24 || bpp == 8) && screen) {
        stretchRowsOnScreen(device, x, y, w, h, pic, sx, height - sy - sh, sw, sh, bpp / 8);
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
