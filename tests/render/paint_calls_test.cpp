// Which canvas operations the paint pass uses for marks whose look depends
// on the pen mode and the clip: handles, frames, hatching, guide lines, the
// area and page clips, and the marks over a dragged object. Screen, printer
// and PDF page draw through the same calls; these tests pin them.

#include "engine/Childwin.h"
#include "render/ImageCanvas.h"
#include "render/Overlays.h"
#include "render/PaintPass.h"
#include "render/RecordingCanvas.h"
#include "tests/support/RenderHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

using namespace quillet;
using namespace quillet::test;

namespace {

constexpr double kMmPerPx96 = 25.39995 / 96;
int32_t px96(double mm) { return int32_t(std::trunc(mm / kMmPerPx96)); }

bool dark(uint32_t c) { return (c & 0xFF) < 0x60 && ((c >> 8) & 0xFF) < 0x60 && ((c >> 16) & 0xFF) < 0x60; }

// The calls one screen pass makes on its page image.
std::vector<CanvasCall> screenCalls(RenderDoc& d)
{
    ImageCanvas view(d.host.width, d.host.height, 96);
    std::unique_ptr<RecordingCanvas> rec;
    const paint::PageCanvasTap tap = [&](ImageCanvas& image) -> Canvas& {
        rec = std::make_unique<RecordingCanvas>(image);
        return *rec;
    };
    // The first pass may only size the paint box.
    if (!paint::drawPages(d.w, view, RenderPolicy::screen(), 0, 0, 0, tap))
        paint::drawPages(d.w, view, RenderPolicy::screen(), 0, 0, 0, tap);
    EXPECT_TRUE(rec) << "the pass drew a page";
    return rec ? rec->Calls : std::vector<CanvasCall>{};
}

bool isClip(const CanvasCall& c)
{
    return c.Op == CanvasOp::SetClip || c.Op == CanvasOp::SetClipRegion || c.Op == CanvasOp::ClearClip;
}

// Page origin in page-image pixels (the renderer's own page-locate answer).
struct Origin {
    int32_t x = 0, y = 0;
};
Origin pageOrigin(RenderDoc& d)
{
    d.w.PageLocate = {};
    d.w.PageLocate.Request = 1;
    d.w.PageLocate.Y = 5;
    d.paint();
    d.w.PageLocate.Request = 0;
    EXPECT_EQ(d.w.PageLocate.Found, 1);
    return {d.w.PageLocate.OriginX, d.w.PageLocate.OriginY};
}

// Screen pixels of an area's rectangle on page 0.
struct Box {
    int32_t l, t, r, b;
};
Box areaBox(const Origin& o, const TextArea& a)
{
    return {px96(a.Left) + 1 + o.x, px96(a.Top) + 2 + o.y, px96(a.Right) + 1 + o.x, px96(a.Bottom) + 2 + o.y};
}

} // namespace

TEST(PaintCalls, PictureHandlesAreDrawnWithANotXorPenInsteadOfInvertingTheSelection)
{
    RenderDoc d;
    d.type("abcdef");
    TextChar& c = d.w.Areas[0].Lines[0].Chars[2];
    c.Kind = ckPicture;
    c.setPictureIndex(0);
    d.w.Pictures.emplace_back();
    newdib(&d.w.Pictures.back(), 8, 8, 24, nullptr, 0);
    d.w.Anchor = TextPos{0, 0, 2};
    d.w.Cursor = TextPos{0, 0, 3};
    const std::vector<CanvasCall> calls = screenCalls(d);

    std::vector<CanvasCall> handles;
    for (const CanvasCall& k : calls)
        if (k.Op == CanvasOp::Rectangle && k.Mode == PenMode::NotXor) handles.push_back(k);
    ASSERT_EQ(handles.size(), 9u) << "the box outline and eight handles";
    const CanvasCall& box = handles[0];
    EXPECT_FALSE(box.Fill) << "the outline leaves the picture alone";
    ASSERT_TRUE(box.Pen);
    EXPECT_EQ(*box.Pen, 0u);
    for (size_t i = 1; i < handles.size(); ++i) {
        const CanvasCall& h = handles[i];
        ASSERT_TRUE(h.Fill && h.Pen);
        EXPECT_EQ(*h.Fill, 0u);
        EXPECT_EQ(h.Right - h.Left, 6);
        EXPECT_EQ(h.Bottom - h.Top, 6);
        EXPECT_TRUE(h.Left >= box.Left && h.Right <= box.Right && h.Top >= box.Top && h.Bottom <= box.Bottom)
            << "handle " << i << " inside the picture box";
    }
    EXPECT_EQ(handles[1].Left, box.Left);
    EXPECT_EQ(handles[1].Top, box.Top);
    // The picture with handles is not inverted as selection besides.
    for (const CanvasCall& k : calls) {
        if (k.Op == CanvasOp::InvertRect) {
            EXPECT_FALSE(k.Left < box.Right && k.Right > box.Left && k.Top < box.Bottom && k.Bottom > box.Top)
                << k.Left << "," << k.Top;
        }
    }
    // Every drawing after the handles is back in copy mode.
    const auto after = std::find_if(calls.begin(), calls.end(), [&](const CanvasCall& k) {
        return k.Op == CanvasOp::Rectangle && k.Mode == PenMode::NotXor;
    });
    for (auto it = after + 9; it != calls.end(); ++it) EXPECT_EQ(it->Mode, PenMode::Copy);

    // On the page image the not-xor black inverts the picture under a handle.
    const ImageCanvas& img = d.paint();
    const ImageCanvas& page = *d.w.PageBitmap;
    const uint32_t inside = page.pixel(box.Left + (box.Right - box.Left) / 2, box.Top + (box.Bottom - box.Top) / 2);
    EXPECT_EQ(page.pixel(box.Left + 2, box.Top + 2), inside ^ 0xFFFFFFu);
    writePng(img, "paint_calls_picture_handles");
}

TEST(PaintCalls, AnEditedTextFrameIsHatchedInItsRingOnlyWithHandlesInsideAndOutsideTheClip)
{
    RenderDoc d;
    const int32_t frame = addTextFrame(d.w, 80, 30, 130, 70);
    d.w.Cursor = d.w.Anchor = TextPos{frame, 0, 0};
    const Origin o = pageOrigin(d);
    const Box f = areaBox(o, d.w.Areas[size_t(frame)]);
    const std::vector<CanvasCall> calls = screenCalls(d);

    const auto ring = std::find_if(calls.begin(), calls.end(),
                                   [](const CanvasCall& k) { return k.Op == CanvasOp::SetClipRegion; });
    ASSERT_NE(ring, calls.end()) << "the ring is a clip region";
    const std::vector<ClipBox> expected = {{f.l - 6, f.t - 6, f.r + 6, f.t},
                                           {f.l - 6, f.b, f.r + 6, f.b + 6},
                                           {f.l - 6, f.t, f.l, f.b},
                                           {f.r, f.t, f.r + 6, f.b}};
    EXPECT_EQ(ring->Clip, expected);

    // Inside the ring clip: white, the black diagonals, eight handles.
    const auto lifted = std::find_if(ring + 1, calls.end(), isClip);
    ASSERT_NE(lifted, calls.end());
    EXPECT_EQ(lifted->Op, CanvasOp::ClearClip);
    int diagonals = 0, clippedHandles = 0;
    for (auto it = ring + 1; it != lifted; ++it) {
        if (it->Op == CanvasOp::Line) {
            ++diagonals;
            EXPECT_EQ(it->Colour, 0u);
            EXPECT_EQ(it->Right - it->Left, -(it->Bottom - it->Top)) << "a back diagonal";
            EXPECT_EQ((it->Left + it->Top) % 8, 0) << "on the 8-pixel grid";
        }
        if (it->Op == CanvasOp::Rectangle) ++clippedHandles;
    }
    EXPECT_GT(diagonals, 10);
    EXPECT_EQ(clippedHandles, 8);
    // After the clip is lifted the handles come again: white, black frame, copy mode.
    int handles = 0;
    for (auto it = lifted + 1; it != calls.end() && !isClip(*it); ++it) {
        if (it->Op != CanvasOp::Rectangle) continue;
        ++handles;
        ASSERT_TRUE(it->Fill && it->Pen);
        EXPECT_EQ(*it->Fill, 0xFFFFFFu);
        EXPECT_EQ(*it->Pen, 0u);
        EXPECT_EQ(it->Mode, PenMode::Copy);
    }
    EXPECT_EQ(handles, 8);

    // Pixels: hatch in the ring, none of it inside the frame.
    d.paint();
    const ImageCanvas& page = *d.w.PageBitmap;
    int ringDark = 0, insideDark = 0;
    for (int32_t y = f.t - 6; y < f.b + 6; ++y)
        for (int32_t x = f.l - 6; x < f.r + 6; ++x) {
            const bool inside = x >= f.l + 8 && x < f.r - 8 && y >= f.t + 8 && y < f.b - 8;
            const bool inRing = x < f.l || x >= f.r || y < f.t || y >= f.b;
            if (inside) insideDark += dark(page.pixel(x, y));
            if (inRing) ringDark += dark(page.pixel(x, y));
        }
    EXPECT_EQ(insideDark, 0) << "the hatching stays out of the frame";
    EXPECT_GT(ringDark, 50);
    // Between the handles, the ring shows whole diagonals x + y = 8k, across
    // the seams of its pieces.
    int wrong = 0;
    for (int32_t y = f.t - 6; y < f.t; ++y)
        for (int32_t x = f.l + 8; x < (f.l + f.r) / 2 - 8; ++x) wrong += dark(page.pixel(x, y)) != ((x + y) % 8 == 0);
    for (int32_t y = f.t + 8; y < (f.t + f.b) / 2 - 8; ++y)
        for (int32_t x = f.l - 6; x < f.l; ++x) wrong += dark(page.pixel(x, y)) != ((x + y) % 8 == 0);
    EXPECT_EQ(wrong, 0);
    writePng(*d.w.ViewImage, "paint_calls_hatched_frame");
}

TEST(PaintCalls, FramesAreRectanglesGuideLinesSolidGreyLinesAndTextIsClippedToItsArea)
{
    RenderDoc d;
    d.type("Framed");
    const int32_t frame = addTextFrame(d.w, 80, 30, 130, 70);
    TextArea& fa = d.w.Areas[size_t(frame)];
    fa.BorderWidth = 1.5;
    fa.BorderColor = 0x0000FF;
    fa.InnerBottom = 5;
    const Origin o = pageOrigin(d);
    const Box f = areaBox(o, fa);
    const std::vector<CanvasCall> calls = screenCalls(d);

    // The page: white with a one-pixel black frame, as one rectangle.
    const int32_t pageW = int32_t(std::trunc(96.0 * d.w.PageWidthPx / 600));
    const int32_t pageH = int32_t(std::trunc(96.0 * d.w.PageHeightPx / 600));
    const auto page = std::find_if(calls.begin(), calls.end(), [&](const CanvasCall& k) {
        return k.Op == CanvasOp::Rectangle && k.Left == o.x && k.Top == o.y;
    });
    ASSERT_NE(page, calls.end());
    EXPECT_EQ(page->Right, o.x + pageW + 2);
    EXPECT_EQ(page->Bottom, o.y + pageH + 2);
    EXPECT_EQ(page->Fill, std::optional<uint32_t>(0xFFFFFF));
    EXPECT_EQ(page->Pen, std::optional<uint32_t>(0));
    EXPECT_EQ(page->PenWidth, 1);

    // The frame's border: the border pen around a hollow rectangle.
    const auto border = std::find_if(calls.begin(), calls.end(), [&](const CanvasCall& k) {
        return k.Op == CanvasOp::Rectangle && k.Pen == std::optional<uint32_t>(0x0000FF);
    });
    ASSERT_NE(border, calls.end());
    EXPECT_EQ(border->Left, f.l);
    EXPECT_EQ(border->Top, f.t);
    EXPECT_EQ(border->Right, f.r);
    EXPECT_EQ(border->Bottom, f.b);
    EXPECT_FALSE(border->Fill) << "transparent white frames are not filled";
    EXPECT_EQ(border->PenWidth, 2) << "round(1.5 pt x 96 / 72)";
    EXPECT_EQ(border->Mode, PenMode::Copy);

    // Guide lines: four light grey solid pen lines for each borderless
    // area (body, header, footer; the frame has a border: none).
    int guides = 0;
    for (const CanvasCall& k : calls)
        if (k.Op == CanvasOp::Line && k.Colour == 0xC0C0C0) {
            ++guides;
            EXPECT_EQ(k.Style, PenStyle::Solid);
            EXPECT_EQ(k.Mode, PenMode::Copy);
            EXPECT_TRUE(k.Left == k.Right || k.Top == k.Bottom);
        }
    EXPECT_GE(guides, 4);
    EXPECT_EQ(guides % 4, 0);

    // Text-bearing areas are clipped to their rectangle less the bottom
    // margin while their lines are drawn, then unclipped (screen).
    const int32_t innerBottom = int32_t(std::nearbyint(5 / kMmPerPx96));
    const auto frameClip = std::find_if(calls.begin(), calls.end(), [&](const CanvasCall& k) {
        return k.Op == CanvasOp::SetClip && k.Left == f.l && k.Top == f.t;
    });
    ASSERT_NE(frameClip, calls.end());
    EXPECT_EQ(frameClip->Right, f.r);
    EXPECT_EQ(frameClip->Bottom, f.b - innerBottom);
    const auto next = std::find_if(frameClip + 1, calls.end(), isClip);
    ASSERT_NE(next, calls.end());
    EXPECT_EQ(next->Op, CanvasOp::ClearClip);
    // The body's text is drawn inside its clip.
    const auto firstText = std::find_if(calls.begin(), calls.end(),
                                        [](const CanvasCall& k) { return k.Op == CanvasOp::Text; });
    ASSERT_NE(firstText, calls.end());
    const auto bodyClip = std::find_if(std::make_reverse_iterator(firstText), calls.rend(), isClip);
    ASSERT_NE(bodyClip, calls.rend());
    EXPECT_EQ(bodyClip->Op, CanvasOp::SetClip);
    EXPECT_EQ(bodyClip->Left, o.x + 1);
    EXPECT_EQ(bodyClip->Top, o.y + 2);
}

TEST(PaintCalls, PrinterPagesAreClippedToTheSheetAndTheCanvasIsHandedBackInCopyMode)
{
    RenderDoc d;
    d.type("Printed text");
    // A frame reaching past the paper's right edge (A4 is 210 mm wide).
    addTextFrame(d.w, 180, 30, 260, 70);
    // And one wholly beyond it.
    addTextFrame(d.w, 230, 80, 260, 90);
    RecordingCanvas paper(CanvasKind::Printer, 100, 826, 1169);
    // Whatever a previous user left on the device.
    paper.setPenMode(PenMode::Xor);
    paper.setPenStyle(PenStyle::Dot);
    paper.setTextBackground(0x00FF00);
    paper.setClip(0, 0, 5, 5);
    paper.clear();
    const int32_t ox = -20, oy = -30;
    d.w.DrawPages(paper, 1, 0, ox, oy);
    const std::vector<CanvasCall>& calls = paper.Calls;
    ASSERT_FALSE(calls.empty());

    const int32_t pageW = int32_t(std::trunc(100.0 * (100.0 * d.w.PageWidthPx / 600) / 100));
    const int32_t pageH = int32_t(std::trunc(100.0 * (100.0 * d.w.PageHeightPx / 600) / 100));
    const ClipBox sheet{ox, oy, ox + pageW, oy + pageH};
    ASSERT_EQ(calls.front().Op, CanvasOp::SetClip) << paper.describe();
    EXPECT_EQ(calls.front().Clip, std::vector<ClipBox>{sheet});
    EXPECT_EQ(calls.back().Op, CanvasOp::ClearClip) << "the device goes back unclipped";

    // Every clip lies on the sheet, and an area's clip gives way to the sheet's, never to none.
    const int32_t mm180 = int32_t(std::trunc(180 / (25.39995 / 100)));
    bool frameCut = false;
    for (size_t i = 0; i < calls.size(); ++i) {
        const CanvasCall& k = calls[i];
        if (k.Op == CanvasOp::ClearClip) {
            EXPECT_EQ(i, calls.size() - 1);
        }
        if (k.Op != CanvasOp::SetClip) continue;
        EXPECT_GE(k.Left, sheet.Left);
        EXPECT_GE(k.Top, sheet.Top);
        EXPECT_LE(k.Right, sheet.Right);
        EXPECT_LE(k.Bottom, sheet.Bottom);
        if (k.Left == mm180 + ox) {
            frameCut = true;
            EXPECT_EQ(k.Right, sheet.Right) << "the frame is cut at the paper's edge";
        }
    }
    EXPECT_TRUE(frameCut) << paper.describe();
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                            [](const CanvasCall& k) { return k.Op == CanvasOp::SetClipRegion && k.Clip.empty(); }),
              1)
        << "the frame off the sheet is clipped away entirely";

    // Solid copy pens and transparent text throughout, and afterwards.
    int texts = 0;
    for (const CanvasCall& k : calls) {
        EXPECT_EQ(k.Mode, PenMode::Copy);
        EXPECT_EQ(k.Style, PenStyle::Solid);
        if (k.Op == CanvasOp::Text) {
            ++texts;
            EXPECT_FALSE(k.TextBackground);
        }
        EXPECT_NE(k.Op, CanvasOp::InvertRect) << "nothing is inverted on paper";
    }
    EXPECT_GT(texts, 5);
    EXPECT_EQ(paper.penMode(), PenMode::Copy);
    EXPECT_EQ(paper.penStyle(), PenStyle::Solid);
    EXPECT_FALSE(paper.textBackground());
}

TEST(PaintCalls, NonPrintingMarksFollowTheFrameOptionsOnScreenOnly)
{
    RenderDoc d;
    d.type("a\tb c\nd");
    auto marks = [&](const std::vector<CanvasCall>& calls) {
        std::string seen;
        for (const CanvasCall& k : calls) {
            if (k.Op != CanvasOp::Text) continue;
            if (k.Text == "\xAE" && k.FontFace == "Symbol") seen += 'T';
            if (k.Text == "\xB7" && k.FontFace == "Times New Roman") seen += 'S';
            if (k.Text == "\xB6" && k.FontFace == "Times New Roman") seen += 'P';
        }
        std::sort(seen.begin(), seen.end());
        seen.erase(std::unique(seen.begin(), seen.end()), seen.end());
        return seen;
    };
    FrameOptions& o = d.frame.Options;
    EXPECT_EQ(marks(screenCalls(d)), "");
    o.ShowTab = 1;
    EXPECT_EQ(marks(screenCalls(d)), "T");
    o.ShowTab = 0;
    o.ShowSpace = 1;
    EXPECT_EQ(marks(screenCalls(d)), "S");
    o.ShowSpace = 0;
    o.ShowParagraphEnd = 1;
    EXPECT_EQ(marks(screenCalls(d)), "P");
    o.ShowParagraphEnd = 0;
    o.ShowNonPrinting = 1;
    EXPECT_EQ(marks(screenCalls(d)), "PST");

    // The printer never shows them.
    o.ShowTab = o.ShowSpace = o.ShowParagraphEnd = 1;
    RecordingCanvas paper(CanvasKind::Printer, 100, 826, 1169);
    d.w.DrawPages(paper, 1, 0, 0, 0);
    EXPECT_EQ(marks(paper.Calls), "");
}

TEST(Overlays, DragMarksAreDottedWhiteXorAndDrawingThemAgainErasesThem)
{
    RecordingCanvas rec;
    drawDragOutline(rec, 40, 30, 10, 5);  // dragged up and to the left
    drawDragLine(rec, 17, 200);
    ASSERT_EQ(rec.Calls.size(), 2u);
    const CanvasCall& band = rec.Calls[0];
    EXPECT_EQ(band.Op, CanvasOp::Rectangle);
    EXPECT_EQ((ClipBox{band.Left, band.Top, band.Right, band.Bottom}), (ClipBox{10, 5, 40, 30}));
    EXPECT_FALSE(band.Fill);
    EXPECT_EQ(band.Pen, std::optional<uint32_t>(0xFFFFFF));
    const CanvasCall& line = rec.Calls[1];
    EXPECT_EQ(line.Op, CanvasOp::Line);
    EXPECT_EQ((ClipBox{line.Left, line.Top, line.Right, line.Bottom}), (ClipBox{17, 0, 17, 200}));
    for (const CanvasCall& k : rec.Calls) {
        EXPECT_EQ(k.Mode, PenMode::Xor);
        EXPECT_EQ(k.Style, PenStyle::Dot);
    }
    EXPECT_EQ(rec.penMode(), PenMode::Copy);
    EXPECT_EQ(rec.penStyle(), PenStyle::Solid);

    // Over a page image: visible once, gone the second time.
    ImageCanvas img(60, 60, 96);
    img.fillRect(0, 0, 60, 30, 0x336699);
    const auto snapshot = [&] {
        std::vector<uint32_t> v;
        for (int32_t y = 0; y < 60; ++y)
            for (int32_t x = 0; x < 60; ++x) v.push_back(img.pixel(x, y));
        return v;
    };
    const std::vector<uint32_t> before = snapshot();
    drawDragOutline(img, 5, 5, 50, 50);
    drawDragLine(img, 30, 60);
    EXPECT_NE(snapshot(), before);
    EXPECT_EQ(img.pixel(5, 5), 0x336699u ^ 0xFFFFFFu) << "a dot at the corner";
    drawDragLine(img, 30, 60);
    drawDragOutline(img, 50, 50, 5, 5);
    EXPECT_EQ(snapshot(), before);
    // Nothing for an empty band.
    RecordingCanvas none;
    drawDragOutline(none, 7, 7, 7, 20);
    drawDragLine(none, 3, 0);
    EXPECT_TRUE(none.Calls.empty());
}

