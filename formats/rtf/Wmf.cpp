#include "formats/rtf/Wmf.h"

#include "platform/ByteIO.h"
#include "render/MetafileCanvas.h"

#include <algorithm>

namespace quillet {

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr uint16_t kMetaEof = 0x0000;
constexpr uint16_t kMetaSetWindowExt = 0x020C;
constexpr uint16_t kMetaStretchDib = 0x0F43;
constexpr uint16_t kMetaDibStretchBlt = 0x0B41;
constexpr uint16_t kMetaDibBitBlt = 0x0940;
constexpr uint16_t kMetaSetDibToDev = 0x0D33;
constexpr uint32_t kSrcCopy = 0x00CC0020;
constexpr size_t kInfoHeaderBytes = 40;

MetafileInfo refuse(MetafileInfo info, std::string why)
{
    info.ok = false;
    info.error = std::move(why);
    return info;
}

// A packed picture (header, colour table, rows) made into a picture file
// image, so the one picture reader checks it like any file.
bool decodePacked(const uint8_t* dib, size_t size, Dib& out)
{
    if (size < kInfoHeaderBytes) return false;
    ByteReader in(std::string_view(reinterpret_cast<const char*>(dib), size));
    const uint32_t headerSize = in.u32();
    in.skip(10);
    const uint16_t bpp = in.u16();
    const uint32_t compression = in.u32();
    in.skip(12);
    const uint32_t used = in.u32();
    if (!in || headerSize < kInfoHeaderBytes || headerSize > size) return false;
    uint64_t colours = 0;
    if (bpp <= 8) colours = used != 0 ? std::min<uint64_t>(used, uint64_t(1) << bpp) : uint64_t(1) << bpp;
    else colours = used;
    uint64_t offBits = 14 + uint64_t(headerSize) + colours * 4;
    if (compression == 3 && headerSize == kInfoHeaderBytes) offBits += 12;  // the three colour masks
    if (offBits - 14 > size) return false;
    std::vector<uint8_t> file;
    file.reserve(size + 14);
    const uint32_t total = uint32_t(std::min<uint64_t>(size + 14, UINT32_MAX));
    const uint8_t head[14] = {'B', 'M', uint8_t(total), uint8_t(total >> 8), uint8_t(total >> 16),
                              uint8_t(total >> 24), 0, 0, 0, 0, uint8_t(offBits), uint8_t(offBits >> 8),
                              uint8_t(offBits >> 16), uint8_t(offBits >> 24)};
    file.insert(file.end(), head, head + 14);
    file.insert(file.end(), dib, dib + size);
    Dib d;
    OpenDibFromMemory(&d, file.data(), file.size(), 0);
    if (d.empty()) return false;
    out = std::move(d);
    return true;
}

} // namespace

std::vector<uint8_t> metafileOfPicture(const Dib& picture)
{
    if (!dibUsable(picture)) return {};
    const int32_t w = dibwidth(picture), h = dibheight(picture);
    MetafileCanvas canvas(w, h);
    if (canvas.stretchDib(0, 0, w, h, picture, 0, 0, w, h, kSrcCopy) == 0) return {};
    return canvas.wmf();
}

MetafileInfo playMetafile(const uint8_t* data, size_t size, Dib& picture)
{
    MetafileInfo info;
    picture = Dib();
    ByteReader in(std::string_view(reinterpret_cast<const char*>(data), size));
    if (size >= 22) {
        ByteReader peek = in;
        if (peek.u32() == kPlaceableKey) in.skip(22);
    }
    const uint16_t type = in.u16();
    const uint16_t headerWords = in.u16();
    in.u16();  // version
    in.u32();  // size in words; the records themselves say where they end
    in.u16();
    in.u32();
    in.u16();
    if (!in || (type != 1 && type != 2) || headerWords != 9) return refuse(info, "not a metafile");

    uint64_t bestPixels = 0;
    while (info.records < kMaxMetafileRecords) {
        const size_t at = in.offset();
        const uint32_t words = in.u32();
        const uint16_t function = in.u16();
        if (!in) break;  // a file that ends without its end record keeps what it drew
        // A record counts its own 6 header bytes; fewer is a broken file.
        if (words < 3 || uint64_t(words) * 2 > size - at) {
            // A broken file gives nothing, not the pictures before the break.
            picture = Dib();
            return refuse(info, "a record runs past the end");
        }
        ++info.records;
        const size_t paramBytes = size_t(words) * 2 - 6;
        const uint8_t* params = in.view(paramBytes);
        if (function == kMetaEof) break;
        ByteReader p(std::string_view(reinterpret_cast<const char*>(params), paramBytes));
        size_t fixed = 0;
        switch (function) {
        case kMetaSetWindowExt:
            info.windowHeight = p.i16();
            info.windowWidth = p.i16();
            continue;
        case kMetaStretchDib: fixed = 4 + 2 + 16; break;
        case kMetaDibStretchBlt: fixed = 4 + 16; break;
        case kMetaDibBitBlt: fixed = 4 + 12; break;
        case kMetaSetDibToDev: fixed = 2 + 16; break;
        default: continue;  // drawing we do not need for pictures
        }
        if (paramBytes < fixed + kInfoHeaderBytes) continue;  // a transfer without a picture
        Dib d;
        if (!decodePacked(params + fixed, paramBytes - fixed, d)) continue;
        ++info.pictures;
        const uint64_t pixels = uint64_t(dibwidth(d)) * uint64_t(dibheight(d));
        if (pixels > bestPixels) {
            bestPixels = pixels;
            picture = std::move(d);
        }
    }
    info.ok = true;
    return info;
}

} // namespace quillet
