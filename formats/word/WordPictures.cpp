#include "formats/word/WordPictures.h"

#include "formats/rtf/Wmf.h"
#include "platform/ByteIO.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>

namespace quillet::word {

namespace {

// Raw deflate data (no zlib header) up to `limit` bytes of output.
std::vector<uint8_t> inflateRaw(const uint8_t* in, size_t size, size_t expected, size_t limit)
{
    std::vector<uint8_t> out;
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK) return out;
    out.resize(std::clamp<size_t>(expected, 4096, limit));
    z.next_in = const_cast<Bytef*>(in);
    z.avail_in = uInt(std::min<size_t>(size, UINT32_MAX));
    int rc = Z_OK;
    while (rc == Z_OK) {
        if (z.total_out == out.size()) {
            if (out.size() >= limit) break;
            out.resize(std::min(limit, out.size() * 2));
        }
        z.next_out = out.data() + z.total_out;
        z.avail_out = uInt(out.size() - z.total_out);
        rc = inflate(&z, Z_NO_FLUSH);
        if (rc == Z_OK && z.avail_in == 0 && z.avail_out != 0) break;  // the data ended early
    }
    out.resize(rc == Z_STREAM_END ? z.total_out : 0);
    inflateEnd(&z);
    return out;
}

// A blip carries a second identifier when its instance is the odd one of
// its kind's pair.
size_t uidBytes(uint16_t instance)
{
    switch (instance) {
    case 0x3D5: case 0x217: case 0x543: case 0x46B: case 0x6E3: case 0x6E1: case 0x7A9: case 0x6E5: return 32;
    default: return 16;
    }
}

} // namespace

WordPicture readPicture(const std::vector<uint8_t>& data, int32_t fc)
{
    WordPicture pic;
    if (fc < 0 || size_t(fc) + 68 > data.size()) return pic;
    ByteReader h(data.data() + fc, 68);
    const int32_t lcb = h.i32();
    const uint16_t cbHeader = h.u16();
    const uint16_t mm = h.u16();
    h.seek(28);
    const int16_t dxaGoal = h.i16(), dyaGoal = h.i16();
    const uint16_t mx = h.u16(), my = h.u16();
    pic.WidthTwips = int32_t(std::lround(dxaGoal * (mx / 1000.0)));
    pic.HeightTwips = int32_t(std::lround(dyaGoal * (my / 1000.0)));
    if (mm != 100 || lcb <= cbHeader || cbHeader < 68) return pic;
    const size_t end = std::min(data.size(), size_t(fc) + size_t(lcb));
    if (size_t(fc) + cbHeader >= end) return pic;
    ByteReader r(data.data() + fc + cbHeader, end - size_t(fc) - cbHeader);
    while (r.remaining() >= 8) {
        const uint16_t verInst = r.u16();
        const uint16_t type = r.u16();
        const uint32_t len = r.u32();
        const uint16_t ver = verInst & 0x0F, instance = verInst >> 4;
        if (ver == 0x0F) continue;  // a container: its children follow
        if (type == 0xF007) {
            // The blip store entry; its blip follows after the name.
            const uint8_t* fbse = r.view(36);
            if (!fbse) break;
            r.skip(fbse[33]);
            continue;
        }
        const size_t recordEnd = r.offset() + std::min<size_t>(len, r.remaining());
        ByteReader rec(r.here(), recordEnd - r.offset());
        r.seek(recordEnd);
        if (type == 0xF01B && instance == 0x216) {
            rec.skip(uidBytes(instance));
            const uint32_t cbSize = rec.u32();
            rec.skip(24);
            const uint32_t cbSave = rec.u32();
            const uint8_t compression = rec.u8(), filter = rec.u8();
            rec.skip(2);  // the zlib header of the stored data
            if (!rec || compression != 0 || filter != 0xFE) return pic;
            const std::vector<uint8_t> wmf =
                inflateRaw(rec.here(), std::min<size_t>(cbSave, rec.remaining()), cbSize, kMaxMetafileBytes);
            if (!wmf.empty()) playMetafile(wmf.data(), wmf.size(), pic.Picture);
            return pic;
        }
        if ((type == 0xF01D && (instance == 0x46A || instance == 0x46B || instance == 0x6E2 || instance == 0x6E3)) ||
            (type == 0xF01E && (instance == 0x6E0 || instance == 0x6E1))) {
            rec.skip(uidBytes(instance) + 1);
            if (!rec) return pic;
            OpenDibFromMemory(&pic.Picture, rec.here(), rec.remaining(), type == 0xF01D ? 7 : 14);
            return pic;
        }
    }
    return pic;
}

} // namespace quillet::word
