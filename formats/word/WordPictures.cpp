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

// Decodes a blip record of the kinds this program reads into `out`;
// true when the record was one of them (whether or not it decoded).
bool decodeBlip(uint16_t type, uint16_t instance, ByteReader rec, Dib& out)
{
    if (type == 0xF01B && instance == 0x216) {
        rec.skip(uidBytes(instance));
        const uint32_t cbSize = rec.u32();
        rec.skip(24);
        const uint32_t cbSave = rec.u32();
        const uint8_t compression = rec.u8(), filter = rec.u8();
        rec.skip(2);  // the zlib header of the stored data
        if (!rec || compression != 0 || filter != 0xFE) return true;
        const std::vector<uint8_t> wmf =
            inflateRaw(rec.here(), std::min<size_t>(cbSave, rec.remaining()), cbSize, kMaxMetafileBytes);
        if (!wmf.empty()) playMetafile(wmf.data(), wmf.size(), out);
        return true;
    }
    if ((type == 0xF01D && (instance == 0x46A || instance == 0x46B || instance == 0x6E2 || instance == 0x6E3)) ||
        (type == 0xF01E && (instance == 0x6E0 || instance == 0x6E1))) {
        rec.skip(uidBytes(instance) + 1);
        if (!rec) return true;
        OpenDibFromMemory(&out, rec.here(), rec.remaining(), type == 0xF01D ? 7 : 14);
        return true;
    }
    return false;
}

constexpr uint16_t kContainer = 0x0F;
// Shapes nest in groups; deeper nesting than this is not looked into.
constexpr int kMaxArtDepth = 16;

// One record of the drawing data: its header, and its body cut to what the
// data still holds. The reader stands after the body.
struct ArtRecord {
    uint16_t VerInst = 0;
    uint16_t Type = 0;
    ByteReader Body;
};

ArtRecord readArtRecord(ByteReader& r)
{
    ArtRecord a;
    a.VerInst = r.u16();
    a.Type = r.u16();
    const uint32_t len = r.u32();
    const size_t size = std::min<size_t>(len, r.remaining());
    a.Body = ByteReader(r.here(), size);
    r.skip(size);
    return a;
}

// The picture property of the shapes inside the records of `r`.
void collectShapes(ByteReader r, int depth, std::vector<std::pair<uint32_t, uint32_t>>& out)
{
    uint32_t spid = 0, pib = 0;
    while (r.remaining() >= 8) {
        ArtRecord record = readArtRecord(r);
        const uint16_t verInst = record.VerInst, type = record.Type;
        ByteReader& rec = record.Body;
        if ((verInst & 0x0F) == kContainer) {
            if (depth < kMaxArtDepth) collectShapes(rec, depth + 1, out);
        } else if (type == 0xF00A) {
            spid = rec.u32();
        } else if (type == 0xF00B || type == 0xF121 || type == 0xF122) {
            const uint16_t count = verInst >> 4;
            for (uint16_t i = 0; i < count && rec.remaining() >= 6; ++i) {
                const uint16_t id = rec.u16();
                const uint32_t value = rec.u32();
                if ((id & 0x3FFF) == 0x104 && (id & 0x4000)) pib = value;
            }
        }
    }
    if (spid != 0 && pib != 0) out.emplace_back(spid, pib);
}

} // namespace

std::vector<DrawnAnchor> readDrawnAnchors(const std::vector<uint8_t>& table, uint32_t fc, uint32_t lcb)
{
    // n + 1 CPs and n anchor records of 26 bytes.
    std::vector<DrawnAnchor> out;
    if (lcb < 30 || (lcb - 4) % 30 != 0 || fc > table.size() || lcb > table.size() - fc) return out;
    const size_t n = (lcb - 4) / 30;
    ByteReader cps(table.data() + fc, lcb), spa(table.data() + fc + (n + 1) * 4, n * 26);
    out.resize(n);
    for (DrawnAnchor& a : out) {
        a.Cp = cps.i32();
        a.Spid = spa.u32();
        const int32_t left = spa.i32(), top = spa.i32(), right = spa.i32(), bottom = spa.i32();
        spa.skip(6);
        a.WidthTwips = int32_t(std::clamp<int64_t>(int64_t(right) - left, 0, 0x7FFF));
        a.HeightTwips = int32_t(std::clamp<int64_t>(int64_t(bottom) - top, 0, 0x7FFF));
    }
    // Out of order anchors cannot be looked up; such a table is not used.
    for (size_t i = 1; i < n; ++i)
        if (out[i].Cp <= out[i - 1].Cp) return {};
    return out;
}

OfficeArt readOfficeArt(const std::vector<uint8_t>& table, uint32_t fc, uint32_t lcb)
{
    OfficeArt art;
    if (lcb < 8 || fc > table.size() || lcb > table.size() - fc) return art;
    ByteReader r(table.data() + fc, lcb);
    // The drawing group: its blip store.
    {
        const uint16_t verInst = r.u16(), type = r.u16();
        const uint32_t len = r.u32();
        if (!r || (verInst & 0x0F) != kContainer || type != 0xF000 || len > r.remaining()) return art;
        ByteReader group(r.here(), len);
        r.skip(len);
        while (group.remaining() >= 8) {
            ArtRecord record = readArtRecord(group);
            ByteReader& rec = record.Body;
            if (record.Type != 0xF001 || (record.VerInst & 0x0F) != kContainer) continue;
            while (rec.remaining() >= 8) {
                rec.skip(2);
                const uint16_t bt = rec.u16();
                const uint32_t bl = rec.u32();
                const size_t start = rec.offset();
                const size_t bsize = std::min<size_t>(bl, rec.remaining());
                OfficeArt::Blip b;
                if (bt == 0xF007 && bsize >= 36) {
                    const uint8_t* fbse = rec.here();
                    const uint32_t foDelay = uint32_t(fbse[28] | fbse[29] << 8 | fbse[30] << 16 | uint32_t(fbse[31]) << 24);
                    const size_t name = fbse[33];
                    if (36 + name < bsize) {
                        // The blip is stored in the entry itself.
                        b.InTable = true;
                        b.Offset = uint32_t(size_t(rec.here() - table.data()) + 36 + name);
                    } else {
                        b.Offset = foDelay;
                    }
                }
                art.Store.push_back(b);
                rec.seek(start + bsize);
            }
        }
    }
    // The drawings, each after a one-byte label saying whose text it serves.
    while (r.remaining() >= 9) {
        r.skip(1);
        const uint16_t verInst = r.u16();
        r.skip(2);
        const uint32_t len = r.u32();
        const size_t size = std::min<size_t>(len, r.remaining());
        if ((verInst & 0x0F) == kContainer) collectShapes(ByteReader(r.here(), size), 0, art.PictureOfShape);
        r.skip(size);
    }
    std::sort(art.PictureOfShape.begin(), art.PictureOfShape.end());
    return art;
}

WordPicture drawnPicture(const OfficeArt& art, const DrawnAnchor& anchor, const std::vector<uint8_t>& table,
                         const std::vector<uint8_t>& main)
{
    WordPicture pic;
    pic.WidthTwips = anchor.WidthTwips;
    pic.HeightTwips = anchor.HeightTwips;
    const auto it = std::lower_bound(art.PictureOfShape.begin(), art.PictureOfShape.end(),
                                     std::pair<uint32_t, uint32_t>(anchor.Spid, 0));
    if (it == art.PictureOfShape.end() || it->first != anchor.Spid) return pic;
    const uint32_t number = it->second;
    if (number == 0 || number > art.Store.size()) return pic;
    const OfficeArt::Blip& b = art.Store[number - 1];
    const std::vector<uint8_t>& stream = b.InTable ? table : main;
    if (b.Offset > stream.size() || stream.size() - b.Offset < 8) return pic;
    ByteReader r(stream.data() + b.Offset, stream.size() - b.Offset);
    const ArtRecord blip = readArtRecord(r);
    decodeBlip(blip.Type, blip.VerInst >> 4, blip.Body, pic.Picture);
    return pic;
}

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
        if (decodeBlip(type, instance, rec, pic.Picture)) return pic;
    }
    return pic;
}

} // namespace quillet::word
