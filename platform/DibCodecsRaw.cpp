// The readers for the simple formats we decode ourselves: Windows and OS/2
// bitmaps (with and without file header) and Targa files.

#include "platform/DibCodecs.h"

#include "platform/ByteIO.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

namespace quillet::dibcodec {

namespace {

constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiAlphaBitfields = 6;

bool windowsHeaderSize(uint32_t n) { return n == 40 || n == 52 || n == 56 || n == 108 || n == 124; }
// OS/2 2.x headers come in any length from 16 to 64 bytes.
bool os2HeaderSize(uint32_t n) { return n == 12 || (n >= 16 && n <= 64); }

bool looksLikeFileHeader(const uint8_t* data, size_t size)
{
    ByteReader in(data, size);
    const uint8_t b = in.u8(), m = in.u8();
    return in && b == 'B' && m == 'M';
}

uint64_t rowBytes(int64_t width, int bpp) { return (uint64_t(width) * uint64_t(bpp) + 31) / 32 * 4; }

// One colour channel described by a bit mask, scaled to 0..255.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;

    explicit Channel(uint32_t m = 0) : mask(m)
    {
        if (m) {
            shift = std::countr_zero(m);
            max = m >> shift;
        }
    }
    uint8_t operator()(uint32_t v) const
    {
        if (!max) return 0;
        return uint8_t(uint64_t((v & mask) >> shift) * 255 / max);
    }
};

// Run-length coded rows (bottom-up, as stored). A file that ends before its
// end-of-picture code is truncated and rejected; codes that move outside the
// picture only drop pixels. Every code takes at least two bytes and writes at
// most 255 pixels, so the work is linear in the file.
bool decodeRle(ByteReader& in, Dib& out, bool four)
{
    const int64_t w = out.Header.biWidth, h = out.Header.biHeight;
    int64_t x = 0, y = 0;
    auto put = [&](int64_t px, unsigned v) {
        if (px < 0 || px >= w || y >= h) return;
        uint8_t* r = out.row(int32_t(y));
        if (!four) r[px] = uint8_t(v);
        else if (px & 1) r[px >> 1] = uint8_t((r[px >> 1] & 0xF0) | (v & 0x0F));
        else r[px >> 1] = uint8_t((r[px >> 1] & 0x0F) | ((v & 0x0F) << 4));
    };
    while (y < h) {
        const unsigned a = in.u8(), b = in.u8();
        if (!in) return false;
        if (a > 0) {
            for (unsigned k = 0; k < a && x + k < w; ++k)
                put(x + k, four ? ((k & 1) ? (b & 0x0F) : (b >> 4)) : b);
            x += a;
        } else if (b == 0) {
            x = 0;
            ++y;
        } else if (b == 1) {
            return true;
        } else if (b == 2) {
            const unsigned dx = in.u8(), dy = in.u8();
            if (!in) return false;
            x += dx;
            y += dy;
        } else {
            const size_t bytes = four ? (b + 1) / 2 : b;
            const uint8_t* run = in.view(bytes);
            if (!run) return false;
            for (unsigned k = 0; k < b && x + k < w; ++k) {
                const uint8_t byte = run[four ? k / 2 : k];
                put(x + k, four ? ((k & 1) ? (byte & 0x0F) : (byte >> 4)) : byte);
            }
            x += b;
            // Absolute runs are padded to a 16-bit boundary; some writers
            // leave out the last pad byte of the file.
            if ((bytes & 1) && in.remaining() > 0) in.skip(1);
        }
    }
    return true;
}

// True-colour rows through masks into 24 bits. Alpha applies only when a
// mask gives it and some pixel actually uses it: many writers leave a
// declared alpha channel all zero.
void decodeMasked(const uint8_t* pixels, uint64_t stride, int bpp, bool topDown, const uint32_t masks[4], Dib& out)
{
    const int32_t w = out.Header.biWidth, h = out.Header.biHeight;
    const Channel r(masks[0]), g(masks[1]), b(masks[2]), a(masks[3]);
    auto value = [&](const uint8_t* row, int32_t x) -> uint32_t {
        if (bpp == 16) return uint32_t(row[2 * x]) | (uint32_t(row[2 * x + 1]) << 8);
        const uint8_t* q = row + 4 * size_t(x);
        return uint32_t(q[0]) | (uint32_t(q[1]) << 8) | (uint32_t(q[2]) << 16) | (uint32_t(q[3]) << 24);
    };
    bool useAlpha = false;
    if (a.max)
        for (int32_t y = 0; y < h && !useAlpha; ++y)
            for (int32_t x = 0; x < w; ++x)
                if (value(pixels + size_t(y) * stride, x) & a.mask) {
                    useAlpha = true;
                    break;
                }
    for (int32_t fy = 0; fy < h; ++fy) {
        const uint8_t* src = pixels + size_t(fy) * stride;
        uint8_t* dst = out.row(topDown ? h - 1 - fy : fy);
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t v = value(src, x);
            uint8_t cb = b(v), cg = g(v), cr = r(v);
            if (useAlpha) {
                const unsigned al = a(v);
                cb = overWhite(cb, al);
                cg = overWhite(cg, al);
                cr = overWhite(cr, al);
            }
            dst[3 * x] = cb;
            dst[3 * x + 1] = cg;
            dst[3 * x + 2] = cr;
        }
    }
}

} // namespace

bool looksLikeBmp(const uint8_t* data, size_t size)
{
    if (looksLikeFileHeader(data, size)) return true;
    // A bitmap without file header (as the clipboard holds it): a known
    // header length and one plane.
    ByteReader in(data, size);
    const uint32_t hsize = in.u32();
    if (!in || !(windowsHeaderSize(hsize) || os2HeaderSize(hsize)) || hsize > size) return false;
    if (hsize == 12) {
        in.skip(4);
        return in.u16() == 1;
    }
    in.skip(8);
    return in && in.u16() == 1;
}

bool readBmp(const uint8_t* data, size_t size, Dib& out)
{
    ByteReader in(data, size);
    bool fileHeader = false;
    uint32_t offBits = 0;
    if (looksLikeFileHeader(data, size)) {
        in.skip(10);
        offBits = in.u32();
        fileHeader = true;
    }
    const size_t headerStart = in.offset();
    const uint32_t hsize = in.u32();
    if (!in || !(windowsHeaderSize(hsize) || os2HeaderSize(hsize)) || hsize > in.remaining() + 4) return false;
    const bool core = hsize == 12;
    const bool windows = windowsHeaderSize(hsize);

    int64_t width = 0, height = 0;
    int bpp = 0;
    uint32_t compression = kBiRgb, clrUsed = 0;
    int32_t xppm = 0, yppm = 0;
    uint32_t masks[4] = {0, 0, 0, 0};
    bool headerMasks = false;
    if (core) {
        width = in.u16();
        height = in.u16();
        in.u16();
        bpp = in.u16();
    } else {
        width = in.i32();
        height = in.i32();
        in.u16();
        bpp = in.u16();
        if (hsize >= 20) compression = in.u32();
        if (hsize >= 24) in.u32(); // image size: only a hint
        if (hsize >= 28) xppm = in.i32();
        if (hsize >= 32) yppm = in.i32();
        if (hsize >= 36) clrUsed = in.u32();
        if (windows && hsize >= 52) {
            in.seek(headerStart + 40);
            masks[0] = in.u32();
            masks[1] = in.u32();
            masks[2] = in.u32();
            if (hsize >= 56) masks[3] = in.u32();
            headerMasks = true;
        }
    }
    in.seek(headerStart + hsize);
    if (!in) return false;

    // OS/2 2.x numbers its compressions differently; only RGB and the two
    // run-length codings mean the same there.
    if (!windows && compression != kBiRgb && compression != kBiRle8 && compression != kBiRle4) return false;
    if (width <= 0 || height == 0 || height == INT32_MIN) return false;
    const bool topDown = height < 0;
    if (topDown) height = -height;
    if (!pixelsFit(width, height)) return false;

    switch (compression) {
    case kBiRgb:
        if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
        break;
    case kBiRle8:
        if (bpp != 8 || topDown) return false;
        break;
    case kBiRle4:
        if (bpp != 4 || topDown) return false;
        break;
    case kBiBitfields:
    case kBiAlphaBitfields:
        if (bpp != 16 && bpp != 32) return false;
        if (!headerMasks) {
            masks[0] = in.u32();
            masks[1] = in.u32();
            masks[2] = in.u32();
            if (compression == kBiAlphaBitfields) masks[3] = in.u32();
            if (!in) return false;
        }
        break;
    default:
        return false;
    }
    if (compression == kBiRgb) {
        if (bpp == 16) {
            masks[0] = 0x7C00; masks[1] = 0x03E0; masks[2] = 0x001F;
        } else {
            masks[0] = 0xFF0000; masks[1] = 0x00FF00; masks[2] = 0x0000FF;
        }
        masks[3] = 0; // declared alpha is not meant for uncompressed pixels
    }

    // Colour table: as many entries as declared, at most 2^bpp, and never
    // past the pixel data.
    RgbQuad table[256];
    size_t tableCount = 0;
    if (bpp <= 8) {
        const size_t tableStart = in.offset();
        const size_t entry = core ? 3 : 4;
        size_t wanted = size_t(1) << bpp;
        if (clrUsed > 0 && clrUsed < wanted) wanted = clrUsed;
        size_t room = in.remaining();
        if (fileHeader && offBits >= tableStart && offBits <= size) room = offBits - tableStart;
        tableCount = std::min(wanted, room / entry);
        for (size_t i = 0; i < tableCount; ++i) {
            RgbQuad& q = table[i];
            q.Blue = in.u8();
            q.Green = in.u8();
            q.Red = in.u8();
            if (!core) in.u8();
            q.Reserved = 0;
        }
        if (!in) return false;
        // Without a file header the pixels follow the whole declared table,
        // which may be longer than what a picture of this depth can use.
        if (!fileHeader || offBits == 0) {
            in.seek(tableStart);
            const uint64_t declared = clrUsed > 0 ? clrUsed : (uint64_t(1) << bpp);
            if (!in.fits(int64_t(declared), entry)) return false;
            in.skip(size_t(declared) * entry);
        }
    } else if (clrUsed > 0) {
        // Deeper pictures may carry an optimisation palette: skip it.
        if (!in.fits(clrUsed, 4)) return false;
        in.skip(size_t(clrUsed) * 4);
    }
    if (fileHeader && offBits != 0) in.seek(offBits);
    if (!in) return false;
    const bool rle = compression == kBiRle8 || compression == kBiRle4;
    const uint64_t stride = rowBytes(width, bpp);
    // Check the file holds the rows before making room for them.
    const uint8_t* pixels = nullptr;
    if (!rle) {
        if (!in.fits(height, size_t(stride))) return false;
        pixels = in.view(size_t(stride) * size_t(height));
    }

    if (!makeDib(out, width, height, bpp <= 8 ? bpp : 24)) return false;
    out.Header.biXPelsPerMeter = std::max(xppm, 0);
    out.Header.biYPelsPerMeter = std::max(yppm, 0);
    if (bpp <= 8) {
        std::copy(table, table + tableCount, out.ColorTable.begin());
        syncPalette(out);
    }
    if (rle) return decodeRle(in, out, compression == kBiRle4);
    if (bpp <= 8 || bpp == 24) {
        // Same layout as ours: copy the rows, flipping a top-down file.
        for (int64_t fy = 0; fy < height; ++fy) {
            const int64_t sy = topDown ? height - 1 - fy : fy;
            std::memcpy(out.row(int32_t(sy)), pixels + size_t(fy) * stride, size_t(stride));
        }
        return true;
    }
    decodeMasked(pixels, stride, bpp, topDown, masks, out);
    return true;
}

// ---------------------------------------------------------------- Targa

namespace {

struct TgaHeader {
    uint8_t idLength = 0, mapType = 0, imageType = 0;
    uint16_t mapFirst = 0, mapLength = 0;
    uint8_t mapDepth = 0;
    uint16_t width = 0, height = 0;
    uint8_t depth = 0, descriptor = 0;
};

bool readTgaHeader(const uint8_t* data, size_t size, TgaHeader& t)
{
    ByteReader in(data, size);
    t.idLength = in.u8();
    t.mapType = in.u8();
    t.imageType = in.u8();
    t.mapFirst = in.u16();
    t.mapLength = in.u16();
    t.mapDepth = in.u8();
    in.u16();
    in.u16();
    t.width = in.u16();
    t.height = in.u16();
    t.depth = in.u8();
    t.descriptor = in.u8();
    if (!in || t.width == 0 || t.height == 0 || t.mapType > 1) return false;
    if ((t.descriptor & 0xC0) != 0) return false; // interleaved storage: long obsolete
    const bool mapDepthOk = t.mapDepth == 15 || t.mapDepth == 16 || t.mapDepth == 24 || t.mapDepth == 32;
    switch (t.imageType & ~8) {
    case 1:
        return t.mapType == 1 && t.depth == 8 && t.mapLength > 0 && mapDepthOk;
    case 2:
        return (t.depth == 15 || t.depth == 16 || t.depth == 24 || t.depth == 32) &&
               (t.mapType == 0 || mapDepthOk);
    case 3:
        return t.depth == 8 && (t.mapType == 0 || mapDepthOk);
    default:
        return false;
    }
}

// One pixel of 15, 16, 24 or 32 bits as B, G, R, A.
void tgaColour(const uint8_t* p, int bytes, uint8_t bgra[4])
{
    if (bytes == 2) {
        const unsigned v = unsigned(p[0]) | (unsigned(p[1]) << 8);
        const unsigned r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
        bgra[0] = uint8_t((b << 3) | (b >> 2));
        bgra[1] = uint8_t((g << 3) | (g >> 2));
        bgra[2] = uint8_t((r << 3) | (r >> 2));
        bgra[3] = 255;
        return;
    }
    bgra[0] = p[0];
    bgra[1] = p[1];
    bgra[2] = p[2];
    bgra[3] = bytes == 4 ? p[3] : 255;
}

} // namespace

bool looksLikeTga(const uint8_t* data, size_t size)
{
    TgaHeader t;
    if (!readTgaHeader(data, size, t)) return false;
    // Without compression the file must hold every pixel.
    const uint64_t need = 18 + uint64_t(t.idLength) + uint64_t(t.mapType ? t.mapLength : 0) * ((t.mapDepth + 7) / 8);
    if (need > size) return false;
    if (!(t.imageType & 8))
        return uint64_t(t.width) * t.height * ((t.depth + 7) / 8) <= size - need;
    return true;
}

bool readTga(const uint8_t* data, size_t size, Dib& out)
{
    TgaHeader t;
    if (!readTgaHeader(data, size, t)) return false;
    ByteReader in(data, size);
    in.skip(18 + size_t(t.idLength));
    const int mapBytes = (t.mapDepth + 7) / 8;
    const uint8_t* map = nullptr;
    if (t.mapType == 1) map = in.view(size_t(t.mapLength) * size_t(mapBytes));
    if (!in) return false;

    const int kind = t.imageType & ~8;
    const int pixelBytes = (t.depth + 7) / 8;
    const int w = t.width, h = t.height;
    if (!pixelsFit(w, h)) return false;
    const size_t pixelCount = size_t(w) * size_t(h);
    const size_t total = pixelCount * size_t(pixelBytes);
    if (!(t.imageType & 8)) {
        if (total > in.remaining()) return false;
    } else {
        // A packet of 1 + pixelBytes bytes gives at most 128 pixels: a file
        // too short for the picture is refused before room is made for it.
        const size_t packets = (pixelCount + 127) / 128;
        if (!in.fits(int64_t(packets), size_t(1 + pixelBytes))) return false;
    }
    if (!makeDib(out, w, h, kind == 2 ? 24 : 8)) return false;

    // Unpack (or copy) the pixel stream in file order. Run-length packets may
    // run across rows.
    std::vector<uint8_t> raw;
    try {
        raw.resize(total);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (!(t.imageType & 8)) {
        if (!in.bytes(raw.data(), total)) return false;
    } else {
        size_t filled = 0;
        while (filled < total) {
            const uint8_t head = in.u8();
            if (!in) return false;
            const size_t count = std::min(size_t(head & 0x7F) + 1, (total - filled) / size_t(pixelBytes));
            if (head & 0x80) {
                uint8_t px[4];
                if (!in.bytes(px, size_t(pixelBytes))) return false;
                for (size_t k = 0; k < count; ++k, filled += size_t(pixelBytes))
                    std::memcpy(raw.data() + filled, px, size_t(pixelBytes));
            } else {
                if (!in.bytes(raw.data() + filled, count * size_t(pixelBytes))) return false;
                filled += count * size_t(pixelBytes);
            }
        }
    }

    if (kind == 1) {
        // Indices address the map from its first entry number on.
        for (int i = 0; i < 256; ++i) {
            if (i < t.mapFirst || i - t.mapFirst >= t.mapLength) continue;
            uint8_t c[4];
            tgaColour(map + size_t(i - t.mapFirst) * size_t(mapBytes), mapBytes, c);
            out.ColorTable[size_t(i)] = RgbQuad{overWhite(c[0], c[3]), overWhite(c[1], c[3]), overWhite(c[2], c[3]), 0};
        }
        syncPalette(out);
    } else if (kind == 3) {
        greyTable(out, 256);
    }

    const bool alpha = kind == 2 && pixelBytes == 4 && (t.descriptor & 0x0F) != 0 &&
                       [&] {
                           for (size_t i = 3; i < raw.size(); i += 4)
                               if (raw[i]) return true;
                           return false;
                       }();
    const bool topDown = t.descriptor & 0x20;
    const bool rightToLeft = t.descriptor & 0x10;
    for (int fy = 0; fy < h; ++fy) {
        uint8_t* dst = out.row(topDown ? h - 1 - fy : fy);
        const uint8_t* src = raw.data() + size_t(fy) * size_t(w) * size_t(pixelBytes);
        for (int fx = 0; fx < w; ++fx) {
            const int x = rightToLeft ? w - 1 - fx : fx;
            const uint8_t* p = src + size_t(fx) * size_t(pixelBytes);
            if (kind != 2) {
                dst[x] = p[0];
                continue;
            }
            uint8_t c[4];
            tgaColour(p, pixelBytes, c);
            const unsigned a = alpha ? c[3] : 255;
            dst[3 * x] = overWhite(c[0], a);
            dst[3 * x + 1] = overWhite(c[1], a);
            dst[3 * x + 2] = overWhite(c[2], a);
        }
    }
    return true;
}

} // namespace quillet::dibcodec
