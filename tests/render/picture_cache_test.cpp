// Pictures on screens: only what the screen shows is worked out, a repaint
// takes the kept rows, and whatever the cache holds the pixels are the ones
// the plain row stretcher makes; a different picture is never taken for a
// kept one.

#include "render/DrawDib.h"
#include "render/ImageCanvas.h"
#include "render/PictureCache.h"
#include "render/RecordingCanvas.h"

#include <gtest/gtest.h>

#include <random>

using namespace quillet;

namespace {

Dib noisePicture(int32_t w, int32_t h, int32_t bpp, unsigned seed)
{
    Dib d;
    std::vector<RgbQuad> table;
    for (int i = 0; i < 256; ++i) table.push_back(RgbQuad{uint8_t(i), uint8_t(255 - i), uint8_t(i * 7), 0});
    newdib(&d, w, h, bpp, bpp == 8 ? &table : nullptr, bpp == 8 ? 256 : 0);
    std::mt19937 g(seed);
    for (uint8_t& b : d.Bits) b = uint8_t(g());
    return d;
}

// The screen image as the row stretcher draws the picture with nothing kept.
ImageCanvas reference(const Dib& p, int32_t cw, int32_t ch, int32_t x, int32_t y, int32_t w, int32_t h)
{
    ImageCanvas ref(cw, ch, 96);
    ref.fillRect(0, 0, cw, ch, 0x123456);
    if (dibbitcount(p) == 24) StretchDib24Rows(ref, x, y, w, h, p, 0, 0, dibwidth(p), dibheight(p));
    else StretchDib8Rows(ref, x, y, w, h, p, 0, 0, dibwidth(p), dibheight(p));
    return ref;
}

void expectSame(const ImageCanvas& a, const ImageCanvas& b, const std::string& what)
{
    for (int32_t y = 0; y < a.height(); ++y)
        for (int32_t x = 0; x < a.width(); ++x)
            ASSERT_EQ(a.pixel(x, y), b.pixel(x, y)) << what << " at " << x << "," << y;
}

} // namespace

TEST(PictureCache, ScreensGetThePlainStretchersPixelsColdAndWarm)
{
    struct Case {
        int32_t pw, ph, bpp, x, y, w, h;
        const char* what;
    };
    const Case cases[] = {
        {300, 200, 24, 5, 7, 40, 30, "shrunk inside"},
        {12, 9, 24, 3, 4, 70, 50, "enlarged inside"},
        {300, 200, 8, 5, 7, 41, 33, "8 bits shrunk"},
        {300, 200, 24, -120, -90, 260, 180, "off the top-left"},
        {300, 200, 24, 50, 40, 400, 300, "off the bottom-right"},
        {200, 150, 8, -30, 60, 500, 20, "wider than the screen both ways"},
        {50, 40, 24, 200, 10, 30, 30, "wholly right of the screen"},
    };
    ClearScreenPictureCache();
    for (const Case& k : cases) {
        const Dib p = noisePicture(k.pw, k.ph, k.bpp, unsigned(k.x * 31 + k.w));
        const ImageCanvas ref = reference(p, 120, 90, k.x, k.y, k.w, k.h);
        for (const char* pass : {"cold", "warm"}) {
            ImageCanvas screen(120, 90, 96);
            screen.fillRect(0, 0, 120, 90, 0x123456);
            DrawDibOnDC(&screen, k.x, k.y, k.w, k.h, p, 0, 0, k.pw, k.ph);
            expectSame(screen, ref, std::string(k.what) + ", " + pass);
        }
    }
    EXPECT_GT(ScreenPictureCache().count(), 0u);
}

TEST(PictureCache, AnotherPictureIsNeverTakenForAKeptOne)
{
    // Small pictures are fingerprinted whole, large ones by samples; a
    // picture freed and made again at its size usually gets the same block.
    for (const int32_t side : {20, 700}) {
        ClearScreenPictureCache();
        for (unsigned seed = 1; seed <= 4; ++seed) {
            const Dib p = noisePicture(side, side, 24, seed);
            ImageCanvas screen(60, 60, 96);
            DrawDibOnDC(&screen, 0, 0, 60, 60, p, 0, 0, side, side);
            expectSame(screen, reference(p, 60, 60, 0, 0, 60, 60), "picture " + std::to_string(seed));
        }
        // One picture redrawn in one place is kept once, not once per repaint.
        EXPECT_LE(ScreenPictureCache().count(), 4u);
    }
    // A change of the colour table alone changes what an 8-bit picture shows.
    ClearScreenPictureCache();
    Dib p = noisePicture(30, 30, 8, 9);
    ImageCanvas first(40, 40, 96);
    DrawDibOnDC(&first, 0, 0, 40, 40, p, 0, 0, 30, 30);
    for (RgbQuad& q : p.ColorTable) q.Red = uint8_t(q.Red ^ 0x80);
    ImageCanvas second(40, 40, 96);
    DrawDibOnDC(&second, 0, 0, 40, 40, p, 0, 0, 30, 30);
    expectSame(second, reference(p, 40, 40, 0, 0, 40, 40), "new colour table");
}

TEST(PictureCache, KeptRowsStayWithinTheBudget)
{
    ScaledPictureCache cache(4000);
    const auto rows = [](size_t bytes) {
        auto r = std::make_shared<ScaledRows>();
        r->Rows.resize(bytes);
        return r;
    };
    std::vector<uint8_t> blocks(8);
    for (int i = 0; i < 8; ++i) {
        ScaledKey k;
        k.Block = &blocks[size_t(i)];
        cache.keep(k, rows(900));
        EXPECT_LE(cache.bytes(), 4000u);
    }
    EXPECT_EQ(cache.count(), 4u);
    ScaledKey newest;
    newest.Block = &blocks[7];
    EXPECT_TRUE(cache.find(newest));
    ScaledKey oldest;
    oldest.Block = &blocks[0];
    EXPECT_FALSE(cache.find(oldest));
    // More than a quarter of the budget is not kept at all.
    ScaledKey big;
    cache.keep(big, rows(1500));
    EXPECT_FALSE(cache.find(big));
    // The same picture at another size replaces its older rows.
    ScaledKey resized = newest;
    resized.Width = 5;
    cache.keep(resized, rows(100));
    EXPECT_FALSE(cache.find(newest));
    EXPECT_TRUE(cache.find(resized));
    EXPECT_EQ(cache.count(), 4u);
}
