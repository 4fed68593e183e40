// Pictures in a PDF: one drawn on many pages is encoded once and every
// page's image object carries the same JPEG; pictures that differ in any
// pixel or colour get their own.

#include "render/pdf/PDFCanvas.h"

#include "tests/support/PdfFiles.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>

namespace quillet {
namespace {

Dib stripes(int32_t w, int32_t h, int32_t bpp, uint32_t colour)
{
    Dib d;
    std::vector<RgbQuad> table(256);
    for (int i = 0; i < 256; ++i) table[size_t(i)] = RgbQuad{uint8_t(i), uint8_t(i / 2), uint8_t(255 - i), 0};
    newdib(&d, w, h, bpp, bpp <= 8 ? &table : nullptr, bpp <= 8 ? 256 : 0);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) setpixel(d, x, y, (x / 4) % 2 ? colour : 0);
    return d;
}

// The bytes of each image object's stream, by picture number.
std::vector<std::string> imageStreams(const std::string& pdf)
{
    std::vector<std::string> out;
    static const std::regex image("/Subtype /Image [^\\n]*/Length ([0-9]+) /Filter /DCTDecode >>\\nstream\\n");
    for (std::sregex_iterator it(pdf.begin(), pdf.end(), image), end; it != end; ++it) {
        const size_t at = size_t(it->position() + it->length());
        out.push_back(pdf.substr(at, std::stoul((*it)[1])));
    }
    return out;
}

TEST(PdfPictures, EqualPicturesShareTheirJpegAndOthersKeepTheirOwn)
{
    Dib logo = stripes(40, 20, 24, 0x2040C0);
    Dib sameLogo = stripes(40, 20, 24, 0x2040C0);
    Dib onePixelOff = stripes(40, 20, 24, 0x2040C0);
    setpixel(onePixelOff, 39, 19, 0xFFFFFF);
    Dib palette = stripes(40, 20, 8, 200);
    Dib otherTable = stripes(40, 20, 8, 200);
    otherTable.ColorTable[200] = RgbQuad{0, 255, 0, 0};

    TPDFCanvas c;
    c.BeginDocInMemory();
    // Picture j: which drawn picture it is, and which earlier one must match.
    const std::vector<std::pair<const Dib*, int>> drawn = {
        {&logo, -1}, {&logo, 0}, {&sameLogo, 0}, {&onePixelOff, -1}, {&palette, -1}, {&otherTable, -1}, {&palette, 4}};
    for (size_t j = 0; j < drawn.size(); ++j) {
        if (j) c.NewPage();
        c.DrawDib(10, 10, 80, 40, *drawn[j].first, 0, 0, 40, 20);
    }
    ASSERT_TRUE(c.EndDoc());
    ASSERT_EQ(test::pdfStructureFault(c.Bytes()), "");
    const auto jpegs = imageStreams(c.Bytes());
    ASSERT_EQ(jpegs.size(), drawn.size());
    for (size_t j = 0; j < drawn.size(); ++j) {
        EXPECT_EQ(jpegs[j].substr(0, 2), "\xFF\xD8") << j;
        for (size_t k = 0; k < j; ++k) {
            const bool shouldMatch = drawn[j].second == int(k) || drawn[k].second == int(j) ||
                                     (drawn[j].second >= 0 && drawn[j].second == drawn[k].second);
            if (shouldMatch) {
                EXPECT_EQ(jpegs[j], jpegs[k]) << j << " and " << k;
            } else if (drawn[j].second < 0) {
                EXPECT_NE(jpegs[j], jpegs[k]) << j << " and " << k;
            }
        }
    }
}

} // namespace
} // namespace quillet
