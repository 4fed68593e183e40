#include "platform/SelFont.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace quillet {
namespace {

TEST(SelFontHeight, FollowsTheResolutionAndZoom)
{
    EXPECT_EQ(SelFontHeight(600, 12, 100), -100);
    EXPECT_EQ(SelFontHeight(96, 12, 100), -16);
    EXPECT_EQ(SelFontHeight(96, 12, 75), -12);
    EXPECT_EQ(SelFontHeight(96, 11, 75), -11);
    // Truncation, not rounding: 10 pt at 96 dpi is 13.33 px.
    EXPECT_EQ(SelFontHeight(96, 10, 100), -13);
    EXPECT_EQ(SelFontHeight(600, 10.5, 100), -87);
    EXPECT_EQ(SelFontHeight(72, 12, 100), -12);
}

TEST(SelFontHeight, EvaluatesInTheFixedOrder)
{
    // dpi*size, /72, *zoom, /100 in doubles; any other order rounds some
    // sizes differently, so the reference is computed step by step.
    for (int dpi : {72, 96, 120, 300, 600}) {
        for (double size = 1; size <= 72; size += 0.5) {
            for (double zoom : {10.0, 33.0, 50.0, 66.0, 75.0, 100.0, 110.0, 150.0, 200.0, 400.0}) {
                double v = dpi * size;
                v /= 72;
                v *= zoom;
                v /= 100;
                const auto cut = static_cast<int32_t>(std::trunc(v));
                const int32_t expected = cut == 0 ? -1 : -cut;
                ASSERT_EQ(SelFontHeight(dpi, size, zoom), expected) << dpi << " " << size << " " << zoom;
            }
        }
    }
}

TEST(SelFontHeight, NeverAsksForTheDefaultSize)
{
    // Tiny sizes and zooms still give the smallest font, never height 0.
    EXPECT_EQ(SelFontHeight(96, 0.5, 10), -1);
    EXPECT_EQ(SelFontHeight(96, 0, 100), -1);
    EXPECT_EQ(SelFontHeight(0, 12, 100), -1);
    EXPECT_EQ(SelFontHeight(96, std::nan(""), 100), -1);
    EXPECT_EQ(SelFontHeight(96, 12, std::nan("")), -1);
    // Absurd sizes from a damaged file are clamped instead of overflowing.
    EXPECT_EQ(SelFontHeight(600, 1e12, 100), -kMaxFontPixels);
    EXPECT_EQ(SelFontHeight(600, std::numeric_limits<double>::infinity(), 100), -kMaxFontPixels);
    EXPECT_EQ(SelFontHeight(600, -1e12, 100), kMaxFontPixels);
}

TEST(SelFontLogFont, MapsTheStyleBits)
{
    const LogFont lf = SelFontLogFont("Arial", 600, 238, 9, 12, 100);
    EXPECT_EQ(lf.Face, "Arial");
    EXPECT_EQ(lf.Height, -100);
    EXPECT_EQ(lf.Weight, 700);
    EXPECT_FALSE(lf.Italic);
    EXPECT_TRUE(lf.StrikeOut);
    EXPECT_FALSE(lf.Underline);
    EXPECT_EQ(lf.Charset, 238);

    const LogFont italic = SelFontLogFont("Arial", 600, 1, 2, 12, 100);
    EXPECT_EQ(italic.Weight, 400);
    EXPECT_TRUE(italic.Italic);
    EXPECT_FALSE(italic.StrikeOut);
    // Underline bit 2 never reaches the font: the renderer draws underlines.
    const LogFont underlined = SelFontLogFont("Arial", 600, 1, 4 | 32, 12, 100);
    EXPECT_FALSE(underlined.Underline);
    EXPECT_EQ(underlined.Weight, 400);
}

TEST(SelFont, MeasuresInDevicePixelsAndReusesFonts)
{
    FontHandle printer = selfont("Times New Roman", 600, 1, 0, 12, 100);
    FontHandle screen = selfont("Times New Roman", 96, 1, 0, 12, 100);
    ASSERT_TRUE(printer && screen);
    EXPECT_EQ(printer->pixelSize(), 100);
    EXPECT_EQ(screen->pixelSize(), 16);
    EXPECT_EQ(printer, selfont("Times New Roman", 600, 1, 0, 12, 100));
    // Underline does not make a different font; bold does.
    EXPECT_EQ(printer, selfont("Times New Roman", 600, 1, 4, 12, 100));
    FontHandle bold = selfont("Times New Roman", 600, 1, 1, 12, 100);
    EXPECT_NE(printer, bold);
    EXPECT_EQ(bold->logFont().Weight, 700);
    EXPECT_GE(bold->textExtent("Measure").cx, printer->textExtent("Measure").cx);
    // Widths measured at the printer resolution scale to the screen within
    // the per-glyph rounding.
    const std::string text = "Widths measured once";
    const double scaled = printer->textExtent(text).cx * 16.0 / 100.0;
    EXPECT_NEAR(screen->textExtent(text).cx, scaled, text.size() * 0.5);
}

} // namespace
} // namespace quillet
