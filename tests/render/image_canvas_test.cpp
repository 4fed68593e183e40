#include "render/DrawDib.h"
#include "render/ImageCanvas.h"
#include "render/SelFont.h"

#include <gtest/gtest.h>

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
