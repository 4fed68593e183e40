#include "render/DrawDib.h"
#include "render/ImageCanvas.h"
#include "render/RecordingCanvas.h"

#include "platform/MessageBox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace quillet;

namespace {

struct ScreenDepth {
    explicit ScreenDepth(int32_t bpp) { SetScreenBitsPerPixel(bpp); }
    ~ScreenDepth() { SetScreenBitsPerPixel(0); }
};

struct RecordingBoxes : MessageBoxes {
    std::vector<std::string> texts;
    RecordingBoxes() { setMessageBoxes(this); }
    ~RecordingBoxes() override { setMessageBoxes(nullptr); }
    MsgResult show(std::string_view text, std::string_view, MsgIcon, MsgButtons) override
    {
        texts.emplace_back(text);
        return MsgResult::Ok;
    }
};

// A picture whose stored row r, column c holds a colour made of both.
Dib picture(int32_t w, int32_t h, int32_t bpp)
{
    Dib d;
    std::vector<RgbQuad> table;
    for (int i = 0; i < 256; ++i) table.push_back(RgbQuad{uint8_t(i), uint8_t(255 - i), uint8_t(i * 7), 0});
    newdib(&d, w, h, bpp, bpp <= 8 ? &table : nullptr, bpp <= 8 ? 256 : 0);
    for (int32_t r = 0; r < h; ++r)
        for (int32_t c = 0; c < w; ++c) {
            const uint32_t v = bpp == 1 ? uint32_t((r + c) & 1) : bpp <= 8 ? uint32_t(r * 16 + c) % (1u << bpp)
                                                                            : uint32_t(r * 4 + 1) | uint32_t(c * 8 + 2) << 8 | 0x400000;
            setpixel(d, c, r, v);
        }
    return d;
}

} // namespace

TEST(DrawDib, ClippingTheSourceShrinksTheDestinationInProportion)
{
    const Dib d = picture(10, 10, 24);
    ASSERT_FALSE(d.empty());
    struct Case {
        int32_t sx, sy, sw, sh, w, h;
        CanvasCall expect;  // destination and source as transferred
    };
    auto call = [](int32_t l, int32_t t, int32_t r, int32_t b, int32_t sx, int32_t sy, int32_t sw, int32_t sh) {
        CanvasCall c;
        c.Left = l, c.Top = t, c.Right = r, c.Bottom = b;
        c.SourceX = sx, c.SourceY = sy, c.SourceWidth = sw, c.SourceHeight = sh;
        return c;
    };
    const Case cases[] = {
        // Twice as wide as the picture: half the width remains.
        {0, 0, 20, 10, 200, 100, call(0, 0, 100, 100, 0, 0, 10, 10)},
        // Reaching below the bottom row (y < 0): the top stays, the height shrinks.
        {0, -5, 10, 15, 100, 150, call(0, 0, 100, 100, 0, 0, 10, 10)},
        // Reaching above the top row: the destination's top moves down.
        {0, 5, 10, 10, 100, 100, call(0, 50, 100, 100, 0, 5, 10, 5)},
        // Left of the picture: the destination's left moves right.
        {-5, 0, 10, 10, 100, 100, call(50, 0, 100, 100, 0, 0, 5, 10)},
        // Rescaling rounds halves to even: 5 * 1 / 2 = 2.5 -> 2, 7 * 1 / 2 = 3.5 -> 4.
        {9, 0, 2, 10, 5, 10, call(0, 0, 2, 10, 9, 0, 1, 10)},
        {9, 0, 2, 10, 7, 10, call(0, 0, 4, 10, 9, 0, 1, 10)},
    };
    for (const Case& k : cases) {
        RecordingCanvas printer(CanvasKind::Printer, 600);
        DrawDibOnDC(&printer, 0, 0, k.w, k.h, d, k.sx, k.sy, k.sw, k.sh);
        ASSERT_EQ(printer.Calls.size(), 1u) << printer.describe();
        const CanvasCall& c = printer.Calls[0];
        EXPECT_EQ(c.Op, CanvasOp::StretchDib);
        EXPECT_EQ(std::vector<int32_t>({c.Left, c.Top, c.Right, c.Bottom, c.SourceX, c.SourceY, c.SourceWidth, c.SourceHeight}),
                  std::vector<int32_t>({k.expect.Left, k.expect.Top, k.expect.Right, k.expect.Bottom, k.expect.SourceX,
                                        k.expect.SourceY, k.expect.SourceWidth, k.expect.SourceHeight}))
            << "case sx " << k.sx << " sy " << k.sy << " sw " << k.sw << " sh " << k.sh;
    }
}

TEST(DrawDib, NothingIsDrawnForEmptyPicturesZeroSizesOrSourcesOutside)
{
    const Dib d = picture(4, 4, 24);
    Dib broken = d.clone();
    broken.Bits.resize(8);
    Dib none;
    RecordingCanvas c(CanvasKind::Printer);
    DrawDibOnDC(&c, 0, 0, 10, 10, none, 0, 0, 1, 1);
    DrawDibOnDC(&c, 0, 0, 10, 10, broken, 0, 0, 4, 4);
    DrawDibOnDC(&c, 0, 0, 0, 10, d, 0, 0, 4, 4);
    DrawDibOnDC(&c, 0, 0, 10, -1, d, 0, 0, 4, 4);
    DrawDibOnDC(&c, 0, 0, 10, 10, d, 0, 0, 0, 4);
    DrawDibOnDC(&c, 0, 0, 10, 10, d, 0, 0, 4, -3);
    DrawDibOnDC(&c, 0, 0, 10, 10, d, 4, 0, 4, 4);    // right of the picture
    DrawDibOnDC(&c, 0, 0, 10, 10, d, -4, 0, 4, 4);   // left of it
    DrawDibOnDC(&c, 0, 0, 10, 10, d, 0, -4, 4, 4);   // below it
    DrawDibOnDC(&c, 0, 0, 10, 10, d, 0, 4, 4, 4);    // above it
    DrawDibOnDC(nullptr, 0, 0, 10, 10, d, 0, 0, 4, 4);
    EXPECT_TRUE(c.Calls.empty()) << c.describe();
}

TEST(DrawDib, TheWayOfDrawingFollowsDepthDeviceAndScreen)
{
    const Dib rgb = picture(20, 10, 24);
    {
        // True colour screen: one row at a time, 1 x width 24-bit rows.
        RecordingCanvas screen;
        DrawDibOnDC(&screen, 3, 4, 40, 30, rgb, 0, 0, 20, 10);
        EXPECT_EQ(screen.count(CanvasOp::StretchDib), 0u);
        const auto rows = screen.callsOf(CanvasOp::SetDibToDevice);
        ASSERT_EQ(rows.size(), 30u);
        for (size_t r = 0; r < rows.size(); ++r) {
            EXPECT_EQ(rows[r].Left, 3);
            EXPECT_EQ(rows[r].Top, 4 + int32_t(r));
            EXPECT_EQ(rows[r].PictureWidth, 40);
            EXPECT_EQ(rows[r].PictureHeight, 1);
            EXPECT_EQ(rows[r].PictureBits, 24);
        }
    }
    {
        // 256 colours: halftoned once, one transfer; shrinking halftones at
        // the destination size and transfers one to one.
        ScreenDepth depth(8);
        RecordingCanvas screen;
        DrawDibOnDC(&screen, 0, 0, 40, 20, rgb, 0, 0, 20, 10);
        ASSERT_EQ(screen.Calls.size(), 1u) << screen.describe();
        EXPECT_EQ(screen.Calls[0].Op, CanvasOp::StretchDib);
        EXPECT_LE(screen.Calls[0].PictureBits, 8);
        EXPECT_EQ(screen.Calls[0].PictureWidth, 20);
        EXPECT_EQ(screen.Calls[0].SourceWidth, 20);

        screen.clear();
        DrawDibOnDC(&screen, 0, 0, 10, 5, rgb, 0, 0, 20, 10);
        ASSERT_EQ(screen.Calls.size(), 1u) << screen.describe();
        const CanvasCall& c = screen.Calls[0];
        EXPECT_LE(c.PictureBits, 8);
        EXPECT_EQ(c.PictureWidth, 10);
        EXPECT_EQ(c.PictureHeight, 5);
        EXPECT_EQ(std::vector<int32_t>({c.SourceX, c.SourceY, c.SourceWidth, c.SourceHeight}),
                  std::vector<int32_t>({0, 0, 10, 5}));

        // Printers are halftoned too when the desktop has 256 colours; with
        // halftoning not allowed the screen takes the row path.
        RecordingCanvas printer(CanvasKind::Printer);
        DrawDibOnDC(&printer, 0, 0, 40, 20, rgb, 0, 0, 20, 10);
        ASSERT_EQ(printer.Calls.size(), 1u);
        EXPECT_LE(printer.Calls[0].PictureBits, 8);
        screen.clear();
        DrawDibOnDC(&screen, 0, 0, 40, 20, rgb, 0, 0, 20, 10, 0);
        EXPECT_EQ(screen.count(CanvasOp::SetDibToDevice), 20u);
    }
    {
        // 1-bit (and 4-, 16-, 32-bit) pictures on screens: one transfer of
        // the picture itself.
        for (int32_t bpp : {1, 4, 16, 32}) {
            const Dib p = picture(8, 8, bpp);
            RecordingCanvas screen;
            DrawDibOnDC(&screen, 0, 0, 16, 16, p, 0, 0, 8, 8);
            ASSERT_EQ(screen.Calls.size(), 1u) << bpp;
            EXPECT_EQ(screen.Calls[0].Op, CanvasOp::StretchDib);
            EXPECT_EQ(screen.Calls[0].PictureBits, bpp);
            EXPECT_EQ(screen.Calls[0].PictureHash, pictureHash(p));
        }
    }
    {
        // Printers are never pre-scaled: the picture itself with its source
        // rectangle, also for the depths screens draw row by row.
        for (int32_t bpp : {8, 24}) {
            const Dib p = picture(8, 8, bpp);
            RecordingCanvas printer(CanvasKind::Printer, 600);
            DrawDibOnDC(&printer, 0, 0, 80, 80, p, 0, 0, 8, 8);
            ASSERT_EQ(printer.Calls.size(), 1u);
            EXPECT_EQ(printer.Calls[0].PictureHash, pictureHash(p));
            EXPECT_EQ(printer.Calls[0].Right, 80);
            EXPECT_EQ(printer.Calls[0].SourceWidth, 8);
        }
    }
}

TEST(DrawDib, EnlargingRowByRowCopiesEachSourceRowOnce)
{
    for (int32_t bpp : {24, 8}) {
        const Dib p = picture(6, 10, bpp);
        RecordingCanvas screen;
        const int32_t copies = bpp == 24 ? StretchDib24Rows(screen, 0, 0, 12, 100, p, 0, 0, 6, 10)
                                         : StretchDib8Rows(screen, 0, 0, 12, 100, p, 0, 0, 6, 10);
        EXPECT_EQ(copies, 10) << bpp;
        const auto rows = screen.callsOf(CanvasOp::SetDibToDevice);
        ASSERT_EQ(rows.size(), 100u);
        int changes = 0;
        for (size_t r = 1; r < rows.size(); ++r) changes += rows[r].PictureHash != rows[r - 1].PictureHash;
        EXPECT_EQ(changes, 9) << bpp;
    }

    // What arrives: destination row r shows the picture's row r / 10 from
    // the top, every column twice; 8-bit rows carry the picture's colours.
    for (int32_t bpp : {24, 8}) {
        const Dib p = picture(6, 10, bpp);
        ImageCanvas screen(20, 110, 96);
        DrawDibOnDC(&screen, 1, 2, 12, 100, p, 0, 0, 6, 10);
        for (int32_t r = 0; r < 100; ++r)
            for (int32_t i = 0; i < 12; ++i)
                ASSERT_EQ(screen.pixel(1 + i, 2 + r), DibColourAt(p, i / 2, 9 - r / 10)) << bpp << ": " << i << "," << r;
        EXPECT_EQ(screen.pixel(13, 2), 0xFFFFFFu);
        EXPECT_EQ(screen.pixel(1, 102), 0xFFFFFFu);
    }

    // The first row copied may well be the block's first row (offset 0).
    const Dib one = picture(3, 1, 24);
    ImageCanvas screen(3, 3, 96);
    screen.fillRect(0, 0, 3, 3, 0x777777);
    EXPECT_EQ(StretchDib24Rows(screen, 0, 0, 3, 3, one, 0, 0, 3, 1), 1);
    for (int32_t r = 0; r < 3; ++r) EXPECT_EQ(screen.pixel(2, r), DibColourAt(one, 2, 0));

    // Rows above the picture's top come out black; columns beyond it stay as made.
    RecordingCanvas rec;
    EXPECT_EQ(StretchDib24Rows(rec, 0, 0, 4, 2, one, 0, -1, 3, 2), 1);
    EXPECT_EQ(rec.count(CanvasOp::SetDibToDevice), 2u);
    EXPECT_EQ(StretchDib24Rows(rec, 0, 0, 0, 2, one, 0, 0, 3, 1), 0);
    EXPECT_EQ(StretchDib8Rows(rec, 0, 0, 3, 2, one, 0, 0, 3, 1), 0);  // not an 8-bit picture
}

TEST(DrawDib, NearestNeighbourCopyMapsCornersToCorners)
{
    for (int32_t bpp : {1, 4, 8, 16, 24, 32}) {
        const Dib src = picture(7, 5, bpp);
        Dib dst;
        newdib(&dst, 13, 9, bpp, &src.ColorTable, int32_t(src.ColorTable.size()));
        ASSERT_FALSE(dst.empty());
        NearestNeighbourCopy(src, 1, 1, 5, 3, dst);
        for (int32_t j = 0; j < 9; ++j)
            for (int32_t i = 0; i < 13; ++i)
                ASSERT_EQ(getpixel(dst, i, j), getpixel(src, 4 * i / 12 + 1, 2 * j / 8 + 1)) << bpp << ": " << i << "," << j;
        EXPECT_EQ(getpixel(dst, 12, 8), getpixel(src, 5, 3));

        // A single row or column takes the first source row or column.
        Dib thin;
        newdib(&thin, 1, 1, bpp, &src.ColorTable, int32_t(src.ColorTable.size()));
        NearestNeighbourCopy(src, 2, 3, 4, 2, thin);
        EXPECT_EQ(getpixel(thin, 0, 0), getpixel(src, 2, 3)) << bpp;
    }
}

namespace {

// Keeps the pictures it is sent, refusing to stretch, so the copy made for
// an unscaled send can be inspected.
class UnscaledOnly final : public Canvas {
public:
    std::vector<Dib> Sent;
    CanvasKind kind() const override { return CanvasKind::Printer; }
    int32_t dpi() const override { return 600; }
    int32_t width() const override { return 100; }
    int32_t height() const override { return 100; }
    void fillRect(int32_t, int32_t, int32_t, int32_t, uint32_t) override {}
    void invertRect(int32_t, int32_t, int32_t, int32_t) override {}
    void line(int32_t, int32_t, int32_t, int32_t, uint32_t, int32_t) override {}
    void rectangle(int32_t, int32_t, int32_t, int32_t, std::optional<uint32_t>, std::optional<uint32_t>, int32_t) override {}
    void ellipse(int32_t, int32_t, int32_t, int32_t, std::optional<uint32_t>, std::optional<uint32_t>, int32_t) override {}
    void text(int32_t, int32_t, const FontHandle&, std::string_view, uint32_t) override {}
    void setClip(int32_t, int32_t, int32_t, int32_t) override {}
    void setClipRegion(const std::vector<ClipBox>&) override {}
    void clearClip() override {}
    void drawImage(const ImageCanvas&, int32_t, int32_t) override {}
    int32_t stretchDib(int32_t, int32_t, int32_t, int32_t, const Dib&, int32_t, int32_t, int32_t, int32_t,
                       uint32_t) override
    {
        return -1;
    }
    bool stretchBitmap(int32_t, int32_t, int32_t, int32_t, const Bitmap32&, int32_t, int32_t, int32_t, int32_t,
                       uint32_t) override
    {
        return false;
    }
    int32_t setDibToDevice(int32_t, int32_t, const Dib& d) override
    {
        Sent.push_back(d.clone());
        return dibheight(d);
    }
};

} // namespace

TEST(DrawDib, APrinterThatWillNotStretchStillGetsThePicture)
{
    RecordingBoxes boxes;
    const Dib p = picture(4, 4, 8);
    {
        // Stretching fails (0 as well as -1): an unscaled copy at the
        // destination size follows.
        for (int32_t failure : {0, -1}) {
            RecordingCanvas printer(CanvasKind::Printer, 600);
            printer.StretchDibResult = failure;
            DrawDibOnDC(&printer, 5, 6, 8, 12, p, 0, 0, 4, 4);
            ASSERT_EQ(printer.Calls.size(), 2u) << printer.describe();
            const CanvasCall& sent = printer.Calls[1];
            EXPECT_EQ(sent.Op, CanvasOp::SetDibToDevice);
            EXPECT_EQ(std::vector<int32_t>({sent.Left, sent.Top, sent.PictureWidth, sent.PictureHeight, sent.PictureBits}),
                      std::vector<int32_t>({5, 6, 8, 12, 8}));
        }
    }
    {
        // The copy keeps the colours the picture has, and no more: a short
        // colour table is copied as far as it goes, the rest is black.
        Dib shortTable = p.clone();
        shortTable.ColorTable.resize(3);
        UnscaledOnly printer;
        DrawDibOnDC(&printer, 0, 0, 8, 8, shortTable, 0, 0, 4, 4);
        ASSERT_EQ(printer.Sent.size(), 1u);
        const Dib& copy = printer.Sent[0];
        ASSERT_EQ(copy.ColorTable.size(), 256u);
        for (size_t i = 0; i < 3; ++i) EXPECT_EQ(copy.ColorTable[i], p.ColorTable[i]);
        for (size_t i = 3; i < 256; ++i) EXPECT_EQ(copy.ColorTable[i], RgbQuad{});
        EXPECT_EQ(getpixel(copy, 7, 7), getpixel(p, 3, 3));
    }
    {
        // No unscaled sends, or a failed one: a device bitmap, stretched.
        RecordingCanvas printer(CanvasKind::Printer, 600);
        printer.StretchDibResult = 0;
        printer.SendsDib = false;
        DrawDibOnDC(&printer, 0, 0, 8, 8, p, 0, 1, 4, 2);
        ASSERT_EQ(printer.Calls.size(), 2u) << printer.describe();
        const CanvasCall& blt = printer.Calls[1];
        EXPECT_EQ(blt.Op, CanvasOp::StretchBitmap);
        // The bitmap runs top-down: source rows 1..2 from the bottom are rows 1..2 from the top.
        EXPECT_EQ(std::vector<int32_t>({blt.PictureWidth, blt.PictureHeight, blt.SourceX, blt.SourceY, blt.SourceWidth,
                                        blt.SourceHeight}),
                  std::vector<int32_t>({4, 4, 0, 1, 4, 2}));

        printer.clear();
        printer.SendsDib = true;
        printer.SetDibResult = 0;
        DrawDibOnDC(&printer, 0, 0, 8, 8, p, 0, 0, 4, 4);
        EXPECT_EQ(printer.count(CanvasOp::StretchBitmap), 1u);
        EXPECT_TRUE(boxes.texts.empty());

        printer.clear();
        printer.StretchBitmapResult = false;
        DrawDibOnDC(&printer, 0, 0, 8, 8, p, 0, 0, 4, 4);
        ASSERT_EQ(boxes.texts.size(), 1u);
        EXPECT_EQ(boxes.texts[0], "Das Ger\xE4t unterst\xFCtzt die Funktion StretchBlt nicht!");
    }
    {
        // Through a real image: the picture arrives stretched.
        ImageCanvas paper(20, 20, 600, CanvasKind::Printer);
        DrawDibOnDC(&paper, 2, 2, 8, 8, p, 0, 0, 4, 4);
        EXPECT_EQ(paper.pixel(2, 2), DibColourAt(p, 0, 3));
        EXPECT_EQ(paper.pixel(9, 9), DibColourAt(p, 3, 0));
        EXPECT_EQ(paper.pixel(10, 10), 0xFFFFFFu);
    }
}
