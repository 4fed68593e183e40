#include "engine/Childwin.h"
#include "render/ImageCanvas.h"
#include "tests/support/RenderHelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace quillet;
using namespace quillet::test;

namespace {

constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kDesk = 0x808080;
constexpr uint32_t kGuide = 0xC0C0C0;

bool dark(uint32_t c) { return (c & 0xFF) < 0x60 && ((c >> 8) & 0xFF) < 0x60 && ((c >> 16) & 0xFF) < 0x60; }

int countDark(const ImageCanvas& img, int l, int t, int r, int b)
{
    int n = 0;
    for (int y = t; y < b; ++y)
        for (int x = l; x < r; ++x) n += dark(pixelAt(img, x, y)) ? 1 : 0;
    return n;
}

// Where the renderer put the first page: its own page-locate answer.
struct Origin {
    int32_t x = 0, y = 0;
};
Origin pageOrigin(RenderDoc& d, int32_t page = 0)
{
    d.w.PageLocate = {};
    d.w.PageLocate.Request = 1;
    const int32_t pitch = int32_t(std::trunc(96.0 * d.w.PageHeightPx / 600)) + 21;
    d.w.PageLocate.Y = pitch * page + 5;
    d.paint();
    d.w.PageLocate.Request = 0;
    EXPECT_EQ(d.w.PageLocate.Found, 1);
    EXPECT_EQ(d.w.PageLocate.Page, page);
    return {d.w.PageLocate.OriginX, d.w.PageLocate.OriginY - pitch * page};
}

// Pixels at 96 dpi and zoom 100.
int32_t px(double mm) { return int32_t(std::trunc(mm / (25.39995 / 96))); }

// Left edge of the text area of the first page and its first line top.
struct TextStart {
    int32_t x, y;
};
TextStart textStart(RenderDoc& d)
{
    const Origin o = pageOrigin(d);
    const TextArea& body = d.w.Areas[0];
    return {o.x + 1 + px(body.InnerLeft), o.y + 2 + int32_t(std::trunc(body.InnerTop / (25.39995 / 96)))};
}

} // namespace

TEST(PagePainter, DeskPageFrameAndShadowAroundTheFirstPage)
{
    RenderDoc d;
    const Origin o = pageOrigin(d);
    const ImageCanvas& img = *d.w.ViewImage;
    const int32_t pageW = int32_t(std::trunc(96.0 * d.w.PageWidthPx / 600));
    EXPECT_EQ(pixelAt(img, 3, 3), kDesk);
    EXPECT_EQ(pixelAt(img, o.x - 1, o.y + 50), kDesk);
    EXPECT_EQ(pixelAt(img, o.x, o.y + 50), kBlack) << "page frame, left";
    EXPECT_EQ(pixelAt(img, o.x + pageW + 1, o.y + 50), kBlack) << "page frame, right";
    EXPECT_EQ(pixelAt(img, o.x + pageW + 3, o.y + 50), kBlack) << "shadow";
    EXPECT_EQ(pixelAt(img, o.x + pageW + 3, o.y + 1), kDesk) << "shadow starts two pixels down";
    EXPECT_EQ(pixelAt(img, o.x + 10, o.y + 10), kWhite);
    writePng(img, "painter_empty_page");
}

TEST(PagePainter, WiderWindowCentresThePageBlockAndSizesThePaintBox)
{
    RenderDoc narrow(400, 300);
    narrow.paint();
    const int32_t pageW = int32_t(std::trunc(96.0 * narrow.w.PageWidthPx / 600));
    const int32_t pageH = int32_t(std::trunc(96.0 * narrow.w.PageHeightPx / 600));
    EXPECT_EQ(narrow.w.PaintBoxWidth, pageW + 36);
    EXPECT_EQ(narrow.w.PaintBoxHeight, pageH + 36);
    EXPECT_EQ(pageOrigin(narrow).x, 16);

    RenderDoc wide(1200, 2000);
    const Origin o = pageOrigin(wide);
    EXPECT_EQ(wide.w.PaintBoxWidth, 1200 - 17 - 4 + 1);
    EXPECT_EQ(o.x, 16 + (1200 - 21 + 1 - (pageW + 36)) / 2);
    EXPECT_GT(o.y, 16) << "a short document is centred vertically";
    EXPECT_EQ(wide.host.repaints, 1) << "the resize is painted within the same call";
}

TEST(PagePainter, TheWindowBesideAndBelowThePageImageShowsTheDesk)
{
    RenderDoc wide(1200, 2000);
    const ImageCanvas& img = wide.paint();
    ASSERT_EQ(img.width(), 1200);
    // The paint box leaves the scroll bar's room free; it is desk, not blank.
    EXPECT_EQ(pixelAt(img, 1199, 40), kDesk);
    EXPECT_EQ(pixelAt(img, 1190, 1999), kDesk);
    EXPECT_EQ(pixelAt(img, 3, 1999), kDesk);
}

TEST(PagePainter, FourPagesMakeThePaintBoxTallEnoughForTheLastShadow)
{
    RenderDoc d(900, 700);
    for (int i = 1; i <= 3; ++i) {
        d.w.NewPage(true);
        d.w.Areas.back().PageIndex = i;
    }
    ASSERT_EQ(d.w.GetAnzPages(), 4);
    d.paint();
    const int32_t pageH = int32_t(std::trunc(96.0 * d.w.PageHeightPx / 600));
    EXPECT_EQ(d.w.PaintBoxHeight, (pageH + 21) * 3 + pageH + 36);
    pageOrigin(d, 3);
}

TEST(PagePainter, TextStandsAtTheInnerMarginAndGuideLinesAlongIt)
{
    RenderDoc d;
    d.type("Hello world");
    const TextStart s = textStart(d);
    const ImageCanvas& img = *d.w.ViewImage;
    const TextLine& line = d.w.Areas[0].Lines[0];
    const int32_t lineH = px(line.Height);
    double textMm = 0;
    for (const TextChar& c : line.Chars) textMm += c.Width;
    EXPECT_GT(countDark(img, s.x, s.y, s.x + px(textMm) + 1, s.y + lineH + 1), 20) << "the glyphs";
    EXPECT_EQ(countDark(img, s.x - 60, s.y, s.x - 2, s.y + lineH), 0) << "nothing left of the margin";
    EXPECT_EQ(countDark(img, s.x + px(textMm) + 3, s.y, s.x + px(textMm) + 80, s.y + lineH), 0);
    // Guide lines one pixel outside the text (margins rounded).
    EXPECT_EQ(pixelAt(img, s.x - 1 + 1, s.y - 3), kGuide) << "top guide line";
    writePng(img, "painter_hello");
}

TEST(PagePainter, SelectionIsInvertedAndOnlyThere)
{
    RenderDoc d;
    d.type("Hello world");
    const TextStart s = textStart(d);
    d.w.Anchor = TextPos{0, 0, 0};
    d.w.Cursor = TextPos{0, 0, 5};
    const ImageCanvas& img = d.paint();
    const TextLine& line = d.w.Areas[0].Lines[0];
    double selMm = 0;
    for (int i = 0; i < 5; ++i) selMm += line.Chars[size_t(i)].Width;
    const int32_t lineH = px(line.Height);
    const int32_t inside = countDark(img, s.x + 1, s.y + 1, s.x + px(selMm) - 1, s.y + lineH - 1);
    const int32_t area = (px(selMm) - 2) * (lineH - 2);
    EXPECT_GT(inside, area * 4 / 10) << "inverted white background is dark";
    // After the selection the background stays white.
    const int32_t after = countDark(img, s.x + px(selMm) + 8, s.y + 1, s.x + px(selMm) + 14, s.y + 3);
    EXPECT_EQ(after, 0);
    writePng(img, "painter_selection");
}

TEST(PagePainter, CaretStandsAfterTheLastTypedCharacter)
{
    RenderDoc d;
    d.type("Hello");
    const TextStart s = textStart(d);
    d.host.caretCalls.clear();
    d.w.CaretCache.Valid = 0;
    d.w.CaretShown = 0;
    d.paint();
    const TextLine& line = d.w.Areas[0].Lines[0];
    double mm = 0;
    for (const TextChar& c : line.Chars) mm += c.Width;
    const int32_t left = s.x - px(d.w.Areas[0].InnerLeft);
    EXPECT_EQ(d.w.CaretX, left + px(d.w.Areas[0].InnerLeft + mm)) << "right edge of the 'o'";
    ASSERT_FALSE(d.host.caretCalls.empty());
    EXPECT_EQ(d.host.caretCalls.back(), "show");
    EXPECT_EQ(d.host.caretCalls.at(d.host.caretCalls.size() - 2),
              "pos " + std::to_string(d.w.CaretX) + "," + std::to_string(d.w.CaretY));
    // The same caret again is not created again.
    d.host.caretCalls.clear();
    d.paint();
    EXPECT_TRUE(d.host.caretCalls.empty());
    // A selection hides it.
    d.w.Anchor = TextPos{0, 0, 0};
    d.paint();
    ASSERT_FALSE(d.host.caretCalls.empty());
    EXPECT_EQ(d.host.caretCalls.back(), "destroy");
}

namespace {

// A two-cell table row in the body's first line.
void makeRow(TMDIChild& w, double leftWeight, double rightWeight, double border = 0.75)
{
    std::vector<TextLine>& lines = w.Areas[0].Lines;
    lines.assign(2, TextLine{});
    InitNewLine(lines, 0);
    InitNewLine(lines, 1);
    for (int i = 0; i < 2; ++i) {
        TextLine& l = lines[size_t(i)];
        l.IsCell = 1;
        l.CellsPerRow = 2;
        l.CellIndex = i;
        l.RowFirstRun = 1;
        l.RowLastRun = 1;
        l.CellWidth = i == 0 ? leftWeight : rightWeight;
        l.CellInsetLeft = 0;
        l.CellInsetRight = 0;
        l.EndKind = ekParagraph;
        SetStandardCellDesign(l.Design);
        for (int s = 0; s < 4; ++s) {
            l.Design.BorderOn[size_t(s)] = 1;
            l.Design.BorderWidth[size_t(s)] = border;
            l.Design.BorderColor[size_t(s)] = 0;
        }
        l.Height = 6;
        l.Dirty = 0;
    }
    w.Cursor = w.Anchor = TextPos{0, 0, 0};
}

} // namespace

TEST(PagePainter, TableCellsGetWidthsInMillimetresAndBordersOnTheirEdges)
{
    RenderDoc d;
    makeRow(d.w, 1, 3);
    // Stored with 99999 added: the row ends 40 mm right of the block's left.
    d.w.Areas[0].Lines[0].CellInsetRight = 99999 + 40;
    d.w.Areas[0].Lines[1].CellInsetRight = 99999 + 40;
    const TextStart s = textStart(d);
    const ImageCanvas& img = *d.w.ViewImage;
    const TextArea& body = d.w.Areas[0];
    const TextLine& a = body.Lines[0];
    const TextLine& b = body.Lines[1];
    EXPECT_LT(a.CellInsetRight, 99999) << "the stored-with-99999 inset became a real one";
    EXPECT_NEAR(a.CellWidth + b.CellWidth, 40, 1e-9);
    EXPECT_NEAR(b.CellWidth, 3 * a.CellWidth, 1e-9);

    // 0.75 pt is exactly one pixel at 96 dpi; the left edge of cell 0 is black
    // at the block's left, the right edge of cell 1 at its right end.
    const int32_t rowMid = s.y + px(3);
    EXPECT_EQ(pixelAt(img, s.x, rowMid), kBlack);
    const int32_t left = s.x - px(body.InnerLeft);
    const int32_t right = left + px(body.InnerLeft + 40);
    EXPECT_EQ(pixelAt(img, right, rowMid), kBlack);
    EXPECT_EQ(pixelAt(img, right + 2, rowMid), kWhite);
    writePng(img, "painter_table");
}

TEST(PagePainter, ThinBordersAtSmallZoomStayOnePixelAndZeroWeightsShareEqually)
{
    RenderDoc d;
    makeRow(d.w, 0, 0, 0.75);
    d.w.ZoomPercent = 30;
    d.paint();
    const TextLine& a = d.w.Areas[0].Lines[0];
    const TextLine& b = d.w.Areas[0].Lines[1];
    EXPECT_TRUE(std::isfinite(a.CellWidth));
    EXPECT_NEAR(a.CellWidth, b.CellWidth, 1e-9);
    EXPECT_GT(a.CellWidth, 0);
    // Some black border pixel is on the page although 0.75 pt x 0.3 rounds to 0.
    const ImageCanvas& img = *d.w.ViewImage;
    int black = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) black += pixelAt(img, x, y) == kBlack;
    EXPECT_GT(black, 200);
}

TEST(PagePainter, PrinterPassDrawsOnlyItsPageWithoutScreenHelpers)
{
    RenderDoc d;
    d.type("Printed");
    d.w.Anchor = TextPos{0, 0, 0};  // a selection must not print
    ImageCanvas paper(826, 1169, 100);
    paper.fillRect(0, 0, 826, 1169, kWhite);
    d.w.DrawPages(paper, 1, 0, 0, 0);
    // Rows holding text are left out of the grey count: the edges of
    // smoothed glyphs may take any grey, the desk and guide lines cannot
    // hide in them since they cross or fill many other rows.
    int grey = 0, dark = 0;
    for (int y = 0; y < paper.height(); ++y) {
        int rowGrey = 0, rowDark = 0;
        for (int x = 0; x < paper.width(); ++x) {
            const uint32_t c = pixelAt(paper, x, y);
            rowGrey += c == kDesk || c == kGuide;
            rowDark += c == kBlack;
        }
        if (rowDark == 0) grey += rowGrey;
        dark += rowDark;
    }
    EXPECT_EQ(grey, 0) << "no desk, no guide lines";
    EXPECT_GT(dark, 10) << "the text";
    const int32_t left = int32_t(std::trunc(25 / (25.39995 / 100)));
    EXPECT_EQ(countDark(paper, 0, 0, left - 1, paper.height()), 0);
    writePng(paper, "painter_printed");

    // Page 1 does not exist: nothing at all.
    ImageCanvas blank(826, 1169, 100);
    blank.fillRect(0, 0, 826, 1169, kWhite);
    d.w.DrawPages(blank, 1, 1, 0, 0);
    EXPECT_EQ(countDark(blank, 0, 0, 826, 1169), 0);
}

TEST(PagePainter, PictureIndexPastTheListDrawsNothingAndZoomZeroStillPaints)
{
    RenderDoc d;
    d.type("ab");
    TextChar& c = d.w.Areas[0].Lines[0].Chars[0];
    c.Kind = ckPicture;
    c.setPictureIndex(40);  // no such picture
    d.w.ZoomPercent = 0;
    d.paint();
    EXPECT_GT(d.w.PaintBoxWidth, 0);
    SUCCEED();
}

TEST(PagePainter, ZoomModesFollowTheWindow)
{
    RenderDoc d(900, 700);
    const int32_t w100 = int32_t(std::trunc(96.0 * d.w.PageWidthPx / 600));
    const int32_t h100 = int32_t(std::trunc(96.0 * d.w.PageHeightPx / 600));
    d.w.ZoomMode = 1;
    d.w.FormResize();
    const double q = double(900 - 21) * 10000 / (w100 + 36);
    EXPECT_DOUBLE_EQ(d.w.ZoomPercent, std::nearbyint(q) / 100);
    EXPECT_DOUBLE_EQ(d.ui.zoomShown, d.w.ZoomPercent);

    // Whole page in a window wider than tall: the height decides.
    d.w.ZoomMode = 2;
    d.w.FormResize();
    const double r = std::nearbyint(double(700 - 21) * 10000 / (h100 + 36)) / 100;
    EXPECT_DOUBLE_EQ(d.w.ZoomPercent, r);

    // Page view saves and restores the zoom.
    d.w.ZoomMode = 0;
    d.w.ZoomPercent = 150;
    d.w.Seitenansicht();
    EXPECT_EQ(d.w.PageView, 1);
    EXPECT_EQ(d.w.ZoomMode, 2);
    EXPECT_DOUBLE_EQ(d.w.ZoomPercent, r);
    d.w.Seitenansicht();
    EXPECT_EQ(d.w.PageView, 0);
    EXPECT_EQ(d.w.ZoomMode, 0);
    EXPECT_DOUBLE_EQ(d.w.ZoomPercent, 150);
}

namespace {

// A text frame on page 0 measured from the page's top left, that the text
// wraps around.
int32_t addFrame(TMDIChild& w, double left, double top, double right, double bottom, int32_t wrapMode)
{
    const int32_t i = test::addTextFrame(w, left, top, right, bottom);
    TextArea& f = w.Areas[size_t(i)];
    f.WrapText = 1;
    f.WrapMode = wrapMode;
    return i;
}

double lineRight(const TextLine& l, double start)
{
    double x = start;
    for (const TextChar& c : l.Chars) x += c.GapBefore() + c.Width;
    return x;
}

} // namespace

TEST(PagePainter, TextWrapsPastAFrameAndTheSettleConverges)
{
    RenderDoc d;
    const int32_t frame = addFrame(d.w, 80, 20, 110, 60, 0);
    (void)frame;
    d.w.Cursor = TextPos{0, 0, 0};
    d.type("The quick brown fox jumps over the lazy dog and runs far away into the woods.");
    ImageCanvas scratch(10, 10, 96);
    const int32_t passes = d.w.SettleLayout(scratch);
    EXPECT_LT(passes, 12);
    EXPECT_EQ(d.w.LastPassChanged, 0);
    bool gap = false;
    for (const TextLine& l : d.w.Areas[0].Lines)
        for (const TextChar& c : l.Chars) gap = gap || c.GapBefore() > 0;
    EXPECT_TRUE(gap) << "the first line jumps over the frame";
    writePng(d.paint(), "painter_wrap");
}

TEST(PagePainter, LeftOnlyWrapSendsTheRestOfTheLineOnInsteadOfPastTheFrame)
{
    RenderDoc d;
    addFrame(d.w, 80, 20, 110, 60, 2);  // text on the left of the frame only
    d.w.Cursor = TextPos{0, 0, 0};
    d.type("The quick brown fox jumps over the lazy dog and runs far away into the woods.");
    ImageCanvas scratch(10, 10, 96);
    d.w.SettleLayout(scratch);
    const TextArea& body = d.w.Areas[0];
    ASSERT_GE(body.LineCount(), 2);
    // Lines beside the frame end before it (80 mm on the page, minus 3.2 mm).
    const TextLine& first = body.Lines[0];
    EXPECT_LE(lineRight(first, body.Left + body.InnerLeft), 80 - 3.2 + 0.01);
    for (const TextChar& c : first.Chars) EXPECT_LT(c.GapBefore(), 60) << "no jump to the page's right";
    writePng(d.paint(), "painter_wrap_left");
}

