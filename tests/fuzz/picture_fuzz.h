#pragma once
// The body shared by the picture fuzz entries (bmp, tga, png, gif, tiff,
// jpeg): load the bytes as the program loads a picture file, then hold the
// result to what the picture library promises its callers. A broken
// promise aborts, so the fuzzer reports it.

#include "platform/Dib.h"
#include "platform/DibPixels.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace quillet::fuzz {

inline void checkPicture(const Dib& d)
{
    const BitmapInfoHeader& h = d.Header;
    if (d.empty()) {
        // Failure leaves nothing behind.
        if (h.biWidth != 0 || h.biHeight != 0 || !d.ColorTable.empty() || d.BytesPerRow != 0) std::abort();
        return;
    }
    if (h.biWidth <= 0 || h.biHeight <= 0) std::abort();
    if (uint64_t(h.biWidth) * uint64_t(h.biHeight) > kMaxDibPixels) std::abort();
    const unsigned bpp = h.biBitCount;
    // The decoders keep palette depths and turn everything else into 24 bits.
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24) std::abort();
    const uint64_t stride = (uint64_t(h.biWidth) * bpp + 31) / 32 * 4;
    if (uint64_t(d.BytesPerRow) != stride) std::abort();
    if (d.Bits.size() != stride * uint64_t(h.biHeight) || h.biSizeImage != d.Bits.size()) std::abort();
    if (d.Bits.size() > kMaxDibBytes) std::abort();
    if (bpp <= 8 ? d.ColorTable.size() != (size_t(1) << bpp) : !d.ColorTable.empty()) std::abort();
    if ((bpp <= 8) != (d.HasPalette == 1) || d.PaletteCount > d.Palette.size()) std::abort();
    if (h.biXPelsPerMeter < 0 || h.biYPelsPerMeter < 0) std::abort();
    if (!dibUsable(d)) std::abort();
    // The first and last rows read as colours the way the painters read
    // them (skipped for very wide pictures, which would spend the run on
    // filling the buffer).
    if (h.biWidth <= (1 << 20)) {
        std::vector<uint32_t> colours(size_t(h.biWidth));
        dibRowColours(d, 0, colours.data());
        dibRowColours(d, h.biHeight - 1, colours.data());
    }
}

// format as for OpenDibFromMemory: 0 recognises the file, 7 JPEG, 14 PNG.
inline int loadAndCheck(const uint8_t* data, size_t size, int32_t format)
{
    Dib d;
    OpenDibFromMemory(&d, data, size, format);
    checkPicture(d);
    return 0;
}

} // namespace quillet::fuzz
