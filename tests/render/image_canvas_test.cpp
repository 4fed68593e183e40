#include "render/DrawDib.h"
#include "render/ImageCanvas.h"
#include "platform/SelFont.h"

#include <gtest/gtest.h>

#include <functional>
#include <iterator>

using namespace quillet;

TEST(ImageCanvas, RectanglesExcludeRightAndBottomAndRespectTheClip)
{
    ImageCanvas c(20, 20, 96);
    c.fillRect(2, 3, 5, 6, 0x0000FF);
    EXPECT_EQ(c.pixel(2, 3), 0x0000FFu);
    EXPECT_EQ(c.pixel(4, 5), 0x0000FFu);
    EXPECT_EQ(c.pixel(5, 5), 0xFFFFFFu);
    EXPECT_EQ(c.pixel(4, 6), 0xFFFFFFu);

    c.setClip(0, 0, 10, 10);
    c.fillRect(8, 8, 15, 15, 0);
    EXPECT_EQ(c.pixel(9, 9), 0u);
    EXPECT_EQ(c.pixel(10, 9), 0xFFFFFFu);
    c.clearClip();
    c.fillRect(-5, -5, 100, 1, 0x123456);  // off the image: cut, no crash
    EXPECT_EQ(c.pixel(19, 0), 0x123456u);
    EXPECT_EQ(c.pixel(20, 0), 0xDEADBEEFu);
}

TEST(ImageCanvas, InvertingTwiceRestoresAndLinesStopBeforeTheirEnd)
{
    ImageCanvas c(10, 10, 96);
    c.fillRect(0, 0, 10, 10, 0x102030);
    c.invertRect(1, 1, 4, 4);
    EXPECT_EQ(c.pixel(2, 2), 0x102030u ^ 0xFFFFFFu);
    c.invertRect(1, 1, 4, 4);
    EXPECT_EQ(c.pixel(2, 2), 0x102030u);

    c.line(0, 5, 6, 5, 0, 1);
    EXPECT_EQ(c.pixel(5, 5), 0u);
    EXPECT_EQ(c.pixel(6, 5), 0x102030u);
}

TEST(ImageCanvas, TextInksInsideItsCellFromTheTopLeft)
{
    ImageCanvas c(200, 60, 96);
    const FontHandle f = selfont("Times New Roman", 96, 1, 0, 24, 100);
    ASSERT_TRUE(f);
    c.text(10, 10, f, "H", 0);
    int inked = 0, outside = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 200; ++x) {
            if (c.pixel(x, y) == 0xFFFFFFu) continue;
            const bool inCell = x >= 10 && x < 10 + f->advance('H') && y >= 10 && y < 10 + f->height();
            (inCell ? inked : outside)++;
        }
    EXPECT_GT(inked, 20);
    EXPECT_EQ(outside, 0);
}

TEST(DrawDib, StretchesNearestNeighbourAndClipsTheSource)
{
    Dib d;
    newdib(&d, 2, 2, 24, nullptr, 0);
    ASSERT_FALSE(d.empty());
    // Storage row 0 is the bottom row.
    setpixel(d, 0, 0, 0x0000FF);
    setpixel(d, 1, 0, 0x00FF00);
    setpixel(d, 0, 1, 0xFF0000);
    setpixel(d, 1, 1, 0xFFFFFF);

    ImageCanvas c(10, 10, 96);
    c.fillRect(0, 0, 10, 10, 0x777777);
    DrawDibOnDC(&c, 0, 0, 4, 4, d, 0, 0, 2, 2);
    EXPECT_EQ(c.pixel(0, 0), 0xFF0000u);  // top-left is the last stored row
    EXPECT_EQ(c.pixel(3, 3), 0x00FF00u);
    EXPECT_EQ(c.pixel(1, 3), 0x0000FFu);
    EXPECT_EQ(c.pixel(4, 0), 0x777777u);

    // A source twice as wide as the picture: the destination halves.
    ImageCanvas c2(10, 10, 96);
    c2.fillRect(0, 0, 10, 10, 0x777777);
    DrawDibOnDC(&c2, 0, 0, 8, 2, d, 0, 0, 4, 2);
    EXPECT_NE(c2.pixel(3, 0), 0x777777u);
    EXPECT_EQ(c2.pixel(4, 0), 0x777777u);

    // Empty pictures and zero sizes draw nothing.
    Dib empty;
    DrawDibOnDC(&c2, 0, 0, 8, 8, empty, 0, 0, 1, 1);
    DrawDibOnDC(&c2, 0, 0, 0, 8, d, 0, 0, 2, 2);
    DrawDibOnDC(&c2, 0, 0, 8, 8, d, 0, 0, 0, 2);
    EXPECT_EQ(c2.pixel(9, 9), 0x777777u);
}

// ---- pen modes, shapes, clip regions, text cells, pictures, PNG ----------

#include "tests/support/TestPaths.h"

#include <png.h>

#include <chrono>
#include <set>
#include <utility>

namespace {

constexpr uint32_t kBg = 0x204060;

int changedPixels(const ImageCanvas& c, uint32_t background)
{
    int n = 0;
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x) n += c.pixel(x, y) != background;
    return n;
}

std::vector<uint32_t> snapshot(const ImageCanvas& c)
{
    std::vector<uint32_t> out;
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x) out.push_back(c.pixel(x, y));
    return out;
}

} // namespace

TEST(ImageCanvas, XorDrawingTwiceRestoresEveryShape)
{
    ImageCanvas c(60, 40, 96);
    c.fillRect(0, 0, 60, 40, kBg);
    c.fillRect(10, 10, 30, 30, 0x00FF00);
    const auto before = snapshot(c);
    c.setPenMode(PenMode::Xor);
    // Thick diagonals, a zigzag of joined segments, a framed rectangle and
    // an outlined ellipse: each pixel must be touched exactly once per call.
    auto draw = [&] {
        c.line(2, 3, 50, 31, 0xFF00FF, 3);
        c.line(55, 2, 5, 38, 0x0000FF, 4);
        for (int b = 0; b < 10; ++b) {
            if (b & 1) c.line(3 * b, 20 - 2, 3 * b + 3, 20 + 1, 0xFFFFFF, 1);
            else c.line(3 * b, 20, 3 * b + 3, 20 - 1, 0xFFFFFF, 1);
        }
        c.rectangle(5, 5, 25, 20, 0x112233, 0x445566, 2);
        c.ellipse(20, 8, 58, 36, 0x778899, 0xAABBCC, 3);
    };
    draw();
    EXPECT_NE(snapshot(c), before);
    draw();
    EXPECT_EQ(snapshot(c), before);

    // A zigzag's joints are set once: in XOR mode a joint drawn twice would
    // show the background again.
    ImageCanvas z(40, 10, 96);
    z.fillRect(0, 0, 40, 10, 0);
    z.setPenMode(PenMode::Xor);
    z.line(0, 5, 3, 2, 0xFFFFFF, 1);
    z.line(3, 2, 6, 5, 0xFFFFFF, 1);
    EXPECT_EQ(z.pixel(3, 2), 0xFFFFFFu);
    EXPECT_EQ(z.pixel(6, 5), 0u);  // end point of the last segment excluded
    EXPECT_EQ(changedPixels(z, 0), 6);

    ImageCanvas m(4, 1, 96);
    m.fillRect(0, 0, 4, 1, 0x0F0F0F);
    m.setPenMode(PenMode::NotXor);
    m.line(0, 0, 1, 0, 0x00FF00, 1);
    m.setPenMode(PenMode::Not);
    m.line(1, 0, 2, 0, 0x123456, 1);
    EXPECT_EQ(m.pixel(0, 0), ~(0x0F0F0Fu ^ 0x00FF00u) & 0xFFFFFF);
    EXPECT_EQ(m.pixel(1, 0), 0xF0F0F0u);
    EXPECT_EQ(m.pixel(2, 0), 0x0F0F0Fu);
}

TEST(ImageCanvas, RectanglesAndEllipsesHitExactPixels)
{
    ImageCanvas c(30, 30, 96);
    c.fillRect(0, 0, 30, 30, kBg);
    c.rectangle(2, 2, 8, 6, 0x0000FF, 0u, 1);
    EXPECT_EQ(c.pixel(2, 2), 0u);
    EXPECT_EQ(c.pixel(7, 5), 0u);   // last column and row inside
    EXPECT_EQ(c.pixel(8, 5), kBg);  // right edge excluded
    EXPECT_EQ(c.pixel(7, 6), kBg);  // bottom edge excluded
    EXPECT_EQ(c.pixel(3, 3), 0x0000FFu);
    EXPECT_EQ(c.pixel(6, 4), 0x0000FFu);

    // A wider pen stays inside the rectangle; hollow leaves the inside.
    c.rectangle(10, 10, 20, 20, std::nullopt, 0xFFFFFFu, 2);
    EXPECT_EQ(c.pixel(10, 10), 0xFFFFFFu);
    EXPECT_EQ(c.pixel(11, 11), 0xFFFFFFu);
    EXPECT_EQ(c.pixel(12, 12), kBg);
    EXPECT_EQ(c.pixel(18, 15), 0xFFFFFFu);
    EXPECT_EQ(c.pixel(20, 15), kBg);
    EXPECT_EQ(c.pixel(9, 15), kBg);

    // Dotted lines: one pixel on, one off, from the start; the end excluded.
    ImageCanvas d(12, 12, 96);
    d.fillRect(0, 0, 12, 12, kBg);
    d.setPenStyle(PenStyle::Dot);
    d.line(0, 0, 10, 0, 0, 1);
    d.line(11, 0, 11, 11, 0, 1);
    for (int x = 0; x <= 10; ++x) EXPECT_EQ(d.pixel(x, 0), x % 2 == 0 && x < 10 ? 0u : kBg) << x;
    EXPECT_EQ(d.pixel(11, 0), 0u);
    EXPECT_EQ(d.pixel(11, 1), kBg);
    EXPECT_EQ(d.pixel(11, 10), 0u);
    EXPECT_EQ(d.pixel(11, 11), kBg);

    // The ellipse stays in its box, is symmetric, and its rim carries the pen.
    ImageCanvas e(40, 30, 96);
    e.fillRect(0, 0, 40, 30, kBg);
    e.ellipse(5, 5, 35, 25, 0x00FF00, 0u, 1);
    EXPECT_EQ(e.pixel(20, 15), 0x00FF00u);
    EXPECT_EQ(e.pixel(5, 15), 0u);
    EXPECT_EQ(e.pixel(34, 15), 0u);
    EXPECT_EQ(e.pixel(20, 5), 0u);
    EXPECT_EQ(e.pixel(20, 24), 0u);
    EXPECT_EQ(e.pixel(5, 5), kBg);
    EXPECT_EQ(e.pixel(35, 15), kBg);
    EXPECT_EQ(e.pixel(20, 25), kBg);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            EXPECT_EQ(e.pixel(x, y), e.pixel(39 - x, y)) << x << "," << y;
            EXPECT_EQ(e.pixel(x, y), e.pixel(x, 29 - y)) << x << "," << y;
        }
}

TEST(ImageCanvas, ClipRegionsCoverTheirUnionOnce)
{
    ImageCanvas c(30, 30, 96);
    c.fillRect(0, 0, 30, 30, kBg);
    // The ring around (10,10)-(20,20), six pixels wide, with overlapping corners.
    const std::vector<ClipBox> ring = {{4, 4, 26, 10}, {4, 20, 26, 26}, {4, 4, 10, 26}, {20, 4, 26, 26}};
    c.setClipRegion(ring);
    c.invertRect(0, 0, 30, 30);
    c.clearClip();
    int ringPixels = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) {
            const bool inRing = x >= 4 && x < 26 && y >= 4 && y < 26 && !(x >= 10 && x < 20 && y >= 10 && y < 20);
            EXPECT_EQ(c.pixel(x, y), inRing ? (kBg ^ 0xFFFFFFu) : kBg) << x << "," << y;
            ringPixels += inRing;
        }
    EXPECT_EQ(changedPixels(c, kBg), ringPixels);

    // Lines, text and pictures are clipped alike; an empty region clips all.
    c.setClipRegion({});
    c.fillRect(0, 0, 30, 30, 0);
    c.line(0, 0, 30, 30, 0, 1);
    EXPECT_EQ(changedPixels(c, kBg), ringPixels);
    c.setClip(0, 0, 5, 30);
    c.line(0, 2, 30, 2, 0, 1);
    c.clearClip();
    EXPECT_EQ(c.pixel(4, 2), 0u);
    EXPECT_EQ(c.pixel(5, 2), kBg);
}

TEST(ImageCanvas, TextFillsItsCellWithABackgroundAndDrawsStrikeOut)
{
    const FontHandle f = selfont("Arial", 96, 1, 0, 20, 100);
    ASSERT_TRUE(f);
    const TextExtent ext = f->textExtent("Ab");
    ImageCanvas c(200, 80, 96);
    c.fillRect(0, 0, 200, 80, kBg);
    c.setTextBackground(0xFFFFFFu);
    c.text(20, 10, f, "Ab", 0);
    c.setTextBackground(std::nullopt);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 200; ++x) {
            const bool cell = x >= 20 && x < 20 + ext.cx && y >= 10 && y < 10 + ext.cy;
            if (!cell) {
                EXPECT_EQ(c.pixel(x, y), kBg) << x << "," << y;
            }
        }
    EXPECT_EQ(c.pixel(20, 10), 0xFFFFFFu);
    EXPECT_EQ(c.pixel(19 + ext.cx, 9 + ext.cy), 0xFFFFFFu);

    // A strike-out font draws its bar across the advances, above the baseline.
    const FontHandle s = selfont("Arial", 96, 1, 8, 20, 100);
    ASSERT_TRUE(s && s->logFont().StrikeOut);
    ImageCanvas t(200, 80, 96);
    t.text(10, 10, s, "   ", 0);  // spaces: only the bar inks
    const int barY = 10 + s->ascent() - s->strikeOutPosition();
    EXPECT_EQ(t.pixel(10, barY), 0u);
    EXPECT_EQ(t.pixel(9 + s->textExtent("   ").cx, barY), 0u);
    EXPECT_EQ(t.pixel(10 + s->textExtent("   ").cx, barY), 0xFFFFFFu);
    EXPECT_EQ(t.pixel(10, barY - 1), 0xFFFFFFu);
}

TEST(ImageCanvas, PicturesCountSourceRowsFromTheBottomAndStayInTheirRectangle)
{
    Dib d;
    newdib(&d, 2, 3, 24, nullptr, 0);
    ASSERT_FALSE(d.empty());
    setpixel(d, 0, 0, 0x0000FF);  // stored row 0: the picture's bottom row
    setpixel(d, 0, 1, 0x00FF00);
    setpixel(d, 0, 2, 0xFF0000);  // the top row
    ImageCanvas c(10, 10, 96, CanvasKind::Printer);
    c.fillRect(0, 0, 10, 10, kBg);
    // Source y 1, height 2: the upper two rows of the picture.
    EXPECT_EQ(c.stretchDib(0, 0, 1, 4, d, 0, 1, 1, 2, SRCCOPY), 4);
    EXPECT_EQ(c.pixel(0, 0), 0xFF0000u);
    EXPECT_EQ(c.pixel(0, 1), 0xFF0000u);
    EXPECT_EQ(c.pixel(0, 2), 0x00FF00u);
    EXPECT_EQ(c.pixel(0, 3), 0x00FF00u);
    EXPECT_EQ(c.pixel(0, 4), kBg);
    EXPECT_EQ(c.pixel(1, 0), kBg);
    // Sources outside the picture and other operations are refused.
    EXPECT_LE(c.stretchDib(0, 0, 4, 4, d, 0, 2, 2, 2, SRCCOPY), 0);
    EXPECT_LE(c.stretchDib(0, 0, 4, 4, d, -1, 0, 2, 2, SRCCOPY), 0);
    EXPECT_LE(c.stretchDib(0, 0, 4, 4, d, 0, 0, 2, 2, 0x00660046), 0);
    Dib broken = d.clone();
    broken.Bits.resize(4);
    EXPECT_LE(c.stretchDib(0, 0, 4, 4, broken, 0, 0, 2, 2, SRCCOPY), 0);

    // Bitmaps count from the top; the unscaled send draws the picture 1:1.
    Bitmap32 b{2, 2, {1, 2, 3, 4}};
    EXPECT_TRUE(c.stretchBitmap(5, 5, 2, 2, b, 0, 1, 2, 1, SRCCOPY));
    EXPECT_EQ(c.pixel(5, 5), 3u);
    EXPECT_EQ(c.pixel(6, 6), 4u);
    EXPECT_FALSE(c.stretchBitmap(5, 5, 2, 2, b, 1, 1, 2, 1, SRCCOPY));
    EXPECT_EQ(c.setDibToDevice(7, 7, d), 3);
    EXPECT_EQ(c.pixel(7, 7), 0xFF0000u);
    EXPECT_EQ(c.pixel(7, 9), 0x0000FFu);

    ASSERT_NE(c.pixelRow(9), nullptr);
    EXPECT_EQ(c.pixelRow(9)[7], 0x0000FFu);
    EXPECT_EQ(c.pixelRow(10), nullptr);
    EXPECT_EQ(c.pixelRow(-1), nullptr);
}

TEST(ImageCanvas, LinesFarOffTheImageEndQuickly)
{
    ImageCanvas c(50, 50, 96);
    const auto start = std::chrono::steady_clock::now();
    c.line(-2000000000, -2000000000, 2000000000, 2000000000, 0, 1);
    c.line(-2000000000, 10, 2000000000, 10, 0, 3);
    c.line(25, -2000000000, 25, 2000000000, 0, 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(c.pixel(30, 30), 0u);
    EXPECT_EQ(c.pixel(40, 9), 0u);
    EXPECT_EQ(c.pixel(40, 11), 0u);
    EXPECT_EQ(c.pixel(25, 45), 0u);
}

TEST(ImageCanvas, WritesAPngThatReadsBackAsDrawn)
{
    ImageCanvas c(64, 48, 96);
    c.fillRect(0, 0, 64, 48, 0xF0F0F0);
    c.rectangle(4, 4, 60, 44, 0xFFFFFFu, 0u, 1);
    c.ellipse(8, 8, 32, 40, 0x0000FFu, 0u, 2);
    c.setPenStyle(PenStyle::Dot);
    c.line(34, 10, 58, 10, 0xC0C0C0, 1);
    c.setPenStyle(PenStyle::Solid);
    c.setPenMode(PenMode::Xor);
    c.rectangle(36, 14, 56, 30, 0xFFFFFFu, std::nullopt, 0);
    c.setPenMode(PenMode::Copy);
    if (const FontHandle f = selfont("Times New Roman", 96, 1, 0, 12, 100)) {
        c.text(36, 30, f, "Ag", 0xFF0000);
    }
    const auto file = quillet::test::outputDir() / "image_canvas_shapes.png";
    ASSERT_TRUE(c.writePng(file));

    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&img, file.c_str()));
    img.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(img));
    ASSERT_TRUE(png_image_finish_read(&img, nullptr, rgb.data(), 0, nullptr));
    ASSERT_EQ(img.width, 64u);
    ASSERT_EQ(img.height, 48u);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            const uint8_t* p = &rgb[size_t(y * 64 + x) * 3];
            ASSERT_EQ(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16, c.pixel(x, y)) << x << "," << y;
        }
    EXPECT_FALSE(c.writePng(quillet::test::outputDir() / "no such folder" / "x.png"));
}

// A discarding canvas (a page the pass must visit but nobody sees) leaves
// every pixel alone, yet answers every call as a drawing one does, so the
// pass takes the same paths either way.
TEST(ImageCanvas, DiscardingDrawsNothingButAnswersAsDrawing)
{
    Dib d;
    newdib(&d, 2, 3, 24, nullptr, 0);
    const Bitmap32 b{2, 2, {1, 2, 3, 4}};
    const FontHandle font = selfont("Arial", 96, 1, 0, 12, 100);
    const auto drawAll = [&](ImageCanvas& c) {
        std::vector<int64_t> answers;
        c.fillRect(0, 0, 20, 20, 0x123456);
        c.invertRect(2, 2, 8, 8);
        c.line(0, 0, 19, 19, 0xFF, 3);
        c.rectangle(1, 1, 15, 15, 0xABCDEF, 0x0000FF, 2);
        c.ellipse(3, 3, 18, 18, 0x00FF00, 0xFF0000, 1);
        c.text(0, 0, font, "Wg", 0);
        c.setPixel(4, 4, 0xFFFFFF);
        answers.push_back(c.stretchDib(0, 0, 4, 6, d, 0, 1, 1, 2, SRCCOPY));
        answers.push_back(c.stretchDib(0, 0, 4, 6, d, 0, 2, 2, 2, SRCCOPY));
        answers.push_back(c.stretchBitmap(5, 5, 2, 2, b, 0, 1, 2, 1, SRCCOPY));
        answers.push_back(c.stretchBitmap(5, 5, 2, 2, b, 1, 1, 2, 1, SRCCOPY));
        answers.push_back(c.setDibToDevice(7, 7, d));
        ImageCanvas small(3, 3, 96);
        c.drawImage(small, 1, 1);
        return answers;
    };
    ImageCanvas drawn(20, 20, 96), discarded(20, 20, 96);
    discarded.setDiscarding(true);
    EXPECT_EQ(drawAll(drawn), drawAll(discarded));
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 20; ++x) ASSERT_EQ(discarded.pixel(x, y), 0xFFFFFFu) << x << "," << y;
    discarded.setDiscarding(false);
    discarded.fillRect(0, 0, 1, 1, 0);
    EXPECT_EQ(discarded.pixel(0, 0), 0u);
}

TEST(ImageCanvas, GlyphsCutByOneBoxMatchTheSameBoxAsTwoHalves)
{
    const FontHandle f = selfont("Arial", 96, 1, 0, 28, 100);
    ASSERT_TRUE(f);
    // Clips through the glyphs, past the image edges, and text half off it.
    const struct {
        ClipBox clip;
        int32_t x, y;
    } cases[] = {
        {{0, 0, 120, 60}, 5, 5},   {{12, 9, 47, 30}, 5, 5},     {{-50, -50, 500, 500}, -9, -12},
        {{30, 0, 31, 60}, 5, 5},   {{0, 20, 120, 22}, 90, 5}, {{3, 3, 9, 9}, 5, 5},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(testing::Message() << k.clip.Left << "," << k.clip.Top << " " << k.x << "," << k.y);
        ImageCanvas one(120, 60, 96), halves(120, 60, 96);
        one.fillRect(0, 0, 120, 60, 0x3366AA);
        halves.fillRect(0, 0, 120, 60, 0x3366AA);
        one.setClip(k.clip.Left, k.clip.Top, k.clip.Right, k.clip.Bottom);
        const int32_t mid = k.clip.Top + (k.clip.Bottom - k.clip.Top) / 2;
        halves.setClipRegion({{k.clip.Left, k.clip.Top, k.clip.Right, mid}, {k.clip.Left, mid, k.clip.Right, k.clip.Bottom}});
        one.text(k.x, k.y, f, "Wag&", 0x102030);
        halves.text(k.x, k.y, f, "Wag&", 0x102030);
        int differing = 0, inked = 0;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 120; ++x) {
                differing += one.pixel(x, y) != halves.pixel(x, y);
                inked += one.pixel(x, y) != 0x3366AAu;
            }
        EXPECT_EQ(differing, 0);
        if ((k.clip.Right - k.clip.Left) * (k.clip.Bottom - k.clip.Top) >= 120 * 60) {
            EXPECT_GT(inked, 50);
        }
    }
}

TEST(ImageCanvas, DrawnRowsLimitEveryDrawingCallAndLeaveTheRestAsItWas)
{
    const FontHandle f = selfont("Arial", 96, 1, 0, 24, 100);
    ASSERT_TRUE(f);
    ImageCanvas picture(30, 30, 96);
    picture.fillRect(0, 0, 30, 30, 0x00AA00);
    const std::function<void(ImageCanvas&)> draws[] = {
        [](ImageCanvas& c) { c.fillRect(-5, -5, 100, 100, 0x0000FF); },
        [](ImageCanvas& c) { c.rectangle(3, 2, 70, 55, 0xFF0000u, 0x000000u, 3); },
        [&](ImageCanvas& c) { c.text(2, 4, f, "Wag", 0x102030); },
        [](ImageCanvas& c) { c.line(0, 0, 79, 59, 0x777777, 2); },
        [](ImageCanvas& c) { c.invertRect(10, 0, 50, 60); },
        [](ImageCanvas& c) { c.setPixel(5, 30, 0); c.setPixel(5, 10, 0); },
        [&](ImageCanvas& c) { c.drawImage(picture, 20, 15); },
        [](ImageCanvas& c) { c.setClipRegion({{0, 0, 40, 25}, {30, 20, 80, 60}}); c.fillRect(0, 0, 80, 60, 0x123456); },
    };
    const int32_t bands[][2] = {{20, 35}, {-10, 5}, {50, 90}, {30, 30}};
    for (size_t d = 0; d < std::size(draws); ++d)
        for (const auto& band : bands) {
            SCOPED_TRACE(testing::Message() << "drawing " << d << ", rows " << band[0] << "-" << band[1]);
            ImageCanvas all(80, 60, 96), some(80, 60, 96);
            all.fillRect(0, 0, 80, 60, 0xC0C0C0);
            some.fillRect(0, 0, 80, 60, 0xC0C0C0);
            some.setDrawnRows(band[0], band[1]);
            draws[d](all);
            draws[d](some);
            some.drawAllRows();
            int wrong = 0;
            for (int y = 0; y < 60; ++y)
                for (int x = 0; x < 80; ++x) {
                    const bool drawn = y >= band[0] && y < band[1];
                    wrong += some.pixel(x, y) != (drawn ? all.pixel(x, y) : 0xC0C0C0u);
                }
            EXPECT_EQ(wrong, 0);
        }
}
