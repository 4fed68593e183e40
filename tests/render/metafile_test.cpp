// A picture drawn into a metafile comes out as the bytes a metafile reader
// takes: header, window origin and extent, one stretch record carrying the
// picture, end record.

#include "render/DrawDib.h"
#include "render/MetafileCanvas.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using namespace quillet;

namespace {

uint16_t u16(const std::vector<uint8_t>& b, size_t at) { return uint16_t(b.at(at) | (b.at(at + 1) << 8)); }
uint32_t u32(const std::vector<uint8_t>& b, size_t at) { return u16(b, at) | (uint32_t(u16(b, at + 2)) << 16); }

} // namespace

TEST(Metafile, APictureBecomesOneStretchRecordBetweenWindowAndEnd)
{
    Dib pic;
    newdib(&pic, 3, 2, 24, nullptr, 0);
    pic.row(0)[0] = 0x11;  // bottom row, first pixel's blue
    pic.row(1)[8] = 0x22;  // top row, last pixel's red
    MetafileCanvas mf(200, 100);
    DrawDibOnDC(&mf, 10, 20, 60, 40, pic, 0, 0, 3, 2);
    ASSERT_EQ(mf.records(), 1u) << "the whole picture in one transfer, as on a printer";

    const std::vector<uint8_t> b = mf.wmf();
    ASSERT_EQ(b.size() % 2, 0u);
    // Header.
    EXPECT_EQ(u16(b, 0), 1);
    EXPECT_EQ(u16(b, 2), 9);
    EXPECT_EQ(u16(b, 4), 0x0300);
    EXPECT_EQ(u32(b, 6), b.size() / 2);
    // Window origin (0, 0) and extent, parameters y first.
    size_t at = 18;
    EXPECT_EQ(u32(b, at), 5u);
    EXPECT_EQ(u16(b, at + 4), 0x020B);
    EXPECT_EQ(u16(b, at + 6), 0);
    EXPECT_EQ(u16(b, at + 8), 0);
    at += 10;
    EXPECT_EQ(u16(b, at + 4), 0x020C);
    EXPECT_EQ(u16(b, at + 6), 100);
    EXPECT_EQ(u16(b, at + 8), 200);
    at += 10;
    // The stretch record: raster operation, colour use, source then destination.
    const uint32_t words = u32(b, at);
    EXPECT_EQ(u16(b, at + 4), 0x0F43);
    EXPECT_EQ(u32(b, at + 6), SRCCOPY);
    EXPECT_EQ(u16(b, at + 10), 0);
    const std::vector<uint16_t> params = {u16(b, at + 12), u16(b, at + 14), u16(b, at + 16), u16(b, at + 18),
                                          u16(b, at + 20), u16(b, at + 22), u16(b, at + 24), u16(b, at + 26)};
    EXPECT_EQ(params, (std::vector<uint16_t>{2, 3, 0, 0, 40, 60, 20, 10}));
    EXPECT_EQ(u32(b, 12), words) << "the largest record";
    // The picture: header, no table for 24 bits, rows of 12 bytes bottom-up.
    const size_t dib = at + 28;
    EXPECT_EQ(u32(b, dib), 40u);
    EXPECT_EQ(u32(b, dib + 4), 3u);
    EXPECT_EQ(u32(b, dib + 8), 2u);
    EXPECT_EQ(u16(b, dib + 14), 24);
    EXPECT_EQ(u32(b, dib + 20), 24u);
    EXPECT_EQ(b.at(dib + 40), 0x11);
    EXPECT_EQ(b.at(dib + 40 + 12 + 8), 0x22);
    EXPECT_EQ(words, 14 + (40 + 24) / 2);
    // End.
    const size_t end = at + size_t(words) * 2;
    EXPECT_EQ(end + 6, b.size());
    EXPECT_EQ(u32(b, end), 3u);
    EXPECT_EQ(u16(b, end + 4), 0);
}

TEST(Metafile, PalettePicturesCarryTheirWholeTableAndUnfitTransfersAreRefused)
{
    Dib pic;
    const std::vector<RgbQuad> two = {RgbQuad{1, 2, 3, 0}, RgbQuad{4, 5, 6, 0}};
    newdib(&pic, 5, 1, 8, &two, 2);
    const std::vector<uint8_t> packed = packedDib(pic);
    ASSERT_EQ(packed.size(), 40u + 256 * 4 + 8);
    EXPECT_EQ(packed[40 + 4 + 2], 6) << "second entry's red";
    EXPECT_EQ(packed[40 + 8], 0) << "entries the picture lacks are black";

    MetafileCanvas mf(100, 100);
    EXPECT_EQ(mf.stretchDib(0, 0, 40000, 10, pic, 0, 0, 5, 1, SRCCOPY), 0) << "beyond 16-bit coordinates";
    EXPECT_EQ(mf.stretchDib(0, 0, 10, 10, pic, 1, 0, 5, 1, SRCCOPY), 0) << "source outside the picture";
    EXPECT_EQ(mf.stretchDib(0, 0, 10, 10, Dib{}, 0, 0, 1, 1, SRCCOPY), 0);
    EXPECT_EQ(mf.records(), 0u);
    EXPECT_TRUE(packedDib(Dib{}).empty());
}

