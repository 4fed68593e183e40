#include "platform/DibPixels.h"

#include <algorithm>

namespace quillet {

namespace {

uint32_t tableColour(const Dib& d, unsigned index)
{
    if (index >= d.ColorTable.size()) return 0;
    const RgbQuad& q = d.ColorTable[index];
    return uint32_t(q.Red) | (uint32_t(q.Green) << 8) | (uint32_t(q.Blue) << 16);
}

} // namespace

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

} // namespace quillet
