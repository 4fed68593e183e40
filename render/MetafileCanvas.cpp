#include "render/MetafileCanvas.h"

#include "platform/ByteIO.h"
#include "platform/DibPixels.h"

#include <algorithm>
#include <limits>

namespace quillet {

namespace {

// Record functions of the metafile format.
constexpr uint16_t kMetaEof = 0x0000;
constexpr uint16_t kMetaSetWindowOrg = 0x020B;
constexpr uint16_t kMetaSetWindowExt = 0x020C;
constexpr uint16_t kMetaStretchDib = 0x0F43;
constexpr uint16_t kDibRgbColors = 0;

bool fits16(int64_t v) { return v >= std::numeric_limits<int16_t>::min() && v <= std::numeric_limits<int16_t>::max(); }

} // namespace

std::vector<uint8_t> packedDib(const Dib& picture)
{
    if (!dibUsable(picture)) return {};
    ByteWriter out;
    const BitmapInfoHeader& h = picture.Header;
    // Readers take rows padded to 4 bytes and nothing more; a picture may
    // keep wider rows in memory.
    const int32_t rows = dibheight(picture);
    const size_t stride = (size_t(dibwidth(picture)) * size_t(dibbitcount(picture)) + 31) / 32 * 4;
    out.u32(40);
    out.i32(dibwidth(picture));
    out.i32(dibheight(picture));
    out.u16(1);
    out.u16(uint16_t(dibbitcount(picture)));
    out.u32(0);  // BI_RGB: the rows below are never compressed
    out.u32(uint32_t(stride * size_t(rows)));
    out.i32(h.biXPelsPerMeter);
    out.i32(h.biYPelsPerMeter);
    // The table is written whole (2^bpp entries), which a count of 0 says.
    out.u32(0);
    out.u32(0);
    for (const RgbQuad& q : picture.ColorTable) {
        out.u8(q.Blue);
        out.u8(q.Green);
        out.u8(q.Red);
        out.u8(0);
    }
    for (int32_t r = 0; r < rows; ++r) out.bytes(picture.row(r), stride);
    return std::move(out.buffer());
}

MetafileCanvas::MetafileCanvas(int32_t width, int32_t height, int32_t dpi)
    : Dpi(dpi > 0 ? dpi : 96), W(std::clamp<int32_t>(width, 0, std::numeric_limits<int16_t>::max())),
      H(std::clamp<int32_t>(height, 0, std::numeric_limits<int16_t>::max()))
{
}

int32_t MetafileCanvas::stretchDib(int32_t x, int32_t y, int32_t width, int32_t height, const Dib& picture,
                                   int32_t sourceX, int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight,
                                   uint32_t rop)
{
    // The source must lie inside the picture (callers clip it first).
    if (!stretchDibDrawable(width, height, picture, sourceX, sourceY, sourceWidth, sourceHeight, rop)) return 0;
    const int32_t pw = dibwidth(picture), ph = dibheight(picture);
    for (int64_t v : {int64_t(x), int64_t(y), int64_t(width), int64_t(height), int64_t(pw), int64_t(ph)})
        if (!fits16(v)) return 0;
    std::vector<uint8_t> packed = packedDib(picture);
    // A record's length is counted in 16-bit words in 32 bits.
    if (packed.empty() || packed.size() / 2 > std::numeric_limits<uint32_t>::max() - 14) return 0;
    Records.push_back(Stretch{int16_t(x), int16_t(y), int16_t(width), int16_t(height), int16_t(sourceX),
                              int16_t(sourceY), int16_t(sourceWidth), int16_t(sourceHeight), rop, std::move(packed)});
    return height;
}

std::vector<uint8_t> MetafileCanvas::wmf() const
{
    ByteWriter out;
    // Header: in-memory metafile, 9 words of header, version 3.0; the total
    // size and the largest record are patched in at the end.
    out.u16(1);
    out.u16(9);
    out.u16(0x0300);
    const size_t totalAt = out.size();
    out.u32(0);
    out.u16(0);  // no objects
    const size_t maxAt = out.size();
    out.u32(0);
    out.u16(0);

    uint32_t largest = 0;
    auto record = [&](uint32_t words, uint16_t function) {
        largest = std::max(largest, words);
        out.u32(words);
        out.u16(function);
    };
    // Parameters of a record stand in reverse order: y before x.
    record(5, kMetaSetWindowOrg);
    out.i16(0);
    out.i16(0);
    record(5, kMetaSetWindowExt);
    out.i16(int16_t(H));
    out.i16(int16_t(W));
    for (const Stretch& s : Records) {
        record(uint32_t(3 + 2 + 1 + 8 + s.Picture.size() / 2), kMetaStretchDib);
        out.u32(s.Rop);
        out.u16(kDibRgbColors);
        out.i16(s.SourceHeight);
        out.i16(s.SourceWidth);
        // Counted from the picture's bottom row, as the record reads it.
        out.i16(s.SourceY);
        out.i16(s.SourceX);
        out.i16(s.Height);
        out.i16(s.Width);
        out.i16(s.Y);
        out.i16(s.X);
        out.bytes(s.Picture.data(), s.Picture.size());
    }
    record(3, kMetaEof);
    out.patchU32(totalAt, uint32_t(out.size() / 2));
    out.patchU32(maxAt, largest);
    return std::move(out.buffer());
}

} // namespace quillet
