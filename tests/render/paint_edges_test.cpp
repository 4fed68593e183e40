// Edges of line drawing and hit testing that the common cases miss: fills
// of areas partly off the page or overflowing their frame, malformed table
// rows, case options on whole field texts, pictures in lines taller than
// they are, clicks into frames, on empty lines, on objects, and a click
// that arrives while the paint box still has to be sized.

#include "engine/Childwin.h"
#include "render/ImageCanvas.h"
#include "render/PaintPass.h"
#include "render/RecordingCanvas.h"
#include "tests/support/RenderHelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

using namespace quillet;
using namespace quillet::test;

namespace {

constexpr double kMmPerPx96 = 25.39995 / 96;
int32_t px96(double mm) { return int32_t(std::trunc(mm / kMmPerPx96)); }

std::unique_ptr<RecordingCanvas> screenPass(RenderDoc& d)
{
    ImageCanvas view(d.host.width, d.host.height, 96);
    std::unique_ptr<RecordingCanvas> rec;
    const paint::PageCanvasTap tap = [&](ImageCanvas& image) -> Canvas& {
        rec = std::make_unique<RecordingCanvas>(image);
        return *rec;
    };
    if (!paint::drawPages(d.w, view, RenderPolicy::screen(), 0, 0, 0, tap))
        paint::drawPages(d.w, view, RenderPolicy::screen(), 0, 0, 0, tap);
    return rec;
}

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
    return {d.w.PageLocate.OriginX, d.w.PageLocate.OriginY};
}

int countColour(const ImageCanvas& img, uint32_t colour, int l, int t, int r, int b)
{
    int n = 0;
    for (int y = std::max(0, t); y < std::min(b, img.height()); ++y)
        for (int x = std::max(0, l); x < std::min(r, img.width()); ++x) n += pixelAt(img, x, y) == colour;
    return n;
}

} // namespace

TEST(PaintEdges, FillsStayOnTheImageAndInsideTheirFrame)
{
    constexpr uint32_t kCellColour = 0x00FF00;
    constexpr uint32_t kObjectColour = 0xFF0000;
    RenderDoc d;
    const Origin o = pageOrigin(d);

    // A rectangle dragged half off the page's top left corner.
    TextArea& obj = addArea(d.w, atRectangle, -60, -80, 30, 20);
    obj.FillColor = kObjectColour;
    obj.Transparent = 0;
    // A frame 10 mm high holding a table row 30 mm high with a background.
    TextArea& frame = addArea(d.w, atTextFrame, 60, 100, 150, 110);
    frame.BorderWidth = 0;
    TextLine& cell = frame.Lines[0];
    cell.IsCell = 1;
    cell.CellsPerRow = 5;  // claims five cells, the frame holds one line
    cell.CellIndex = 4;
    cell.CellWidth = 1;
    cell.RowFirstRun = cell.RowLastRun = 1;
    SetStandardCellDesign(cell.Design);
    cell.Design.Transparent = 0;
    cell.Design.Background = kCellColour;
    cell.Height = 30;
    const int32_t frameIndex = d.w.AreaCount() - 1;
    d.w.Cursor = d.w.Anchor = TextPos{0, 0, 0};

    const ImageCanvas& img = d.paint();
    writePng(img, "edges_offpage_and_overflow");
    const TextArea& f = d.w.Areas[size_t(frameIndex)];
    EXPECT_TRUE(std::isfinite(f.Lines[0].CellWidth));
    const int32_t frameTop = o.y + 2 + px96(f.Top), frameBottom = o.y + 2 + px96(f.Bottom);
    const int32_t frameLeft = o.x + 1 + px96(f.Left), frameRight = o.x + 1 + px96(f.Right);
    EXPECT_GT(countColour(img, kCellColour, frameLeft, frameTop, frameRight, frameBottom), 0);
    EXPECT_EQ(countColour(img, kCellColour, 0, frameBottom + 1, img.width(), img.height()), 0)
        << "the row painted past its frame's clip";
    EXPECT_GT(countColour(img, kObjectColour, o.x, o.y, o.x + 40, o.y + 40), 0);
}

TEST(PaintEdges, ARowClaimingBillionsOfCellsIsDrawnAsTheLinesItHas)
{
    RenderDoc d;
    TextArea& frame = addArea(d.w, atTextFrame, 60, 100, 150, 130);
    TextLine& cell = frame.Lines[0];
    cell.IsCell = 1;
    cell.CellsPerRow = INT32_MAX;
    cell.CellIndex = 0;
    cell.CellWidth = 1;
    cell.RowFirstRun = cell.RowLastRun = 1;
    SetStandardCellDesign(cell.Design);
    const int32_t frameIndex = d.w.AreaCount() - 1;
    d.w.Cursor = d.w.Anchor = TextPos{0, 0, 0};
    d.paint();
    // The one line takes the whole width left of the insets, as a row of one.
    const TextLine& drawn = d.w.Areas[size_t(frameIndex)].Lines[0];
    EXPECT_TRUE(std::isfinite(drawn.CellInsetRight));
    EXPECT_TRUE(std::isfinite(drawn.CellWidth));
}

TEST(PaintEdges, CaseOptionsConvertTheWholeTextOfAFieldAndAHyphenatedEnd)
{
    RenderDoc d;
    d.type("ab");
    FontEntry caps = FontEntryFromState(d.w.FontState);
    SettingOps(caps.Options, foCapitals, true);
    const int32_t fi = d.w.GetNewFontIndex(caps);
    TextLine& line = d.w.Areas[0].Lines[0];
    TextChar& field = line.Chars[0];
    field.Kind = ckField;
    field.FieldCode() = "date";
    field.FieldResult() = "mon 3";
    field.setFontIndex(fi);
    d.w.RenderChar(field, false, "MON 3");
    line.Chars[1].setFontIndex(fi);
    line.HyphenAfter = 1;
    const auto rec = screenPass(d);
    std::string shown;
    for (const CanvasCall& c : rec->callsOf(CanvasOp::Text)) shown += c.Text;
    EXPECT_NE(shown.find("MON 3"), std::string::npos) << shown;
    EXPECT_NE(shown.find("B-"), std::string::npos) << "the hyphen of a broken word stays: " << shown;
}

TEST(PaintEdges, APictureInATallLineHasItsHandlesAroundWhereItIsDrawn)
{
    RenderDoc d;
    d.type("a b");
    TextLine& line = d.w.Areas[0].Lines[0];
    TextChar& c = line.Chars[1];
    c.Kind = ckPicture;
    c.setPictureIndex(0);
    c.Width = 5;
    c.setHeight(5);
    d.w.Pictures.emplace_back();
    newdib(&d.w.Pictures.back(), 8, 8, 24, nullptr, 0);
    line.Height = 20;  // much taller than the picture
    line.Dirty = 0;
    d.w.Anchor = TextPos{0, 0, 1};
    d.w.Cursor = TextPos{0, 0, 2};
    const Origin o = pageOrigin(d);
    const TextArea& body = d.w.Areas[0];
    const int32_t ty = int32_t(std::trunc(body.InnerTop / kMmPerPx96 + o.y + 2)) - o.y;
    const int32_t lineHpx = px96(20), ch = px96(5);
    const MouseObj* topLeft = nullptr;
    for (const MouseObj& z : d.w.MouseObjs)
        if (z.Kind == 3) topLeft = &z;
    ASSERT_NE(topLeft, nullptr);
    EXPECT_EQ(topLeft->Top, o.y + ty + lineHpx - ch) << "handles sit on the picture, not on the line's top";

    // A press on the bottom-right handle takes the picture's box as drawn.
    d.click(topLeft->Left + px96(5) + 1 - 2, topLeft->Top + ch + 1 - 2);
    EXPECT_EQ(d.w.PictureDrag.Handle, 4);
    EXPECT_EQ(d.w.PictureDrag.Box[1], o.y + ty + lineHpx - ch);
}

TEST(PaintEdges, ClicksIntoFramesOntoEmptyLinesAndOntoObjects)
{
    RenderDoc d;
    d.type("ab\n");
    const Origin o = pageOrigin(d);
    const TextArea& body = d.w.Areas[0];
    ASSERT_EQ(body.Lines[1].CharCount(), 0);

    // A plain click (no selection: click and cursor request) moves into a
    // text frame; only a drag is held to the anchor's flow.
    addArea(d.w, atTextFrame, 100, 150, 160, 190);
    const int32_t frame = d.w.AreaCount() - 1;
    d.paint();
    d.click(o.x + 1 + px96(130), o.y + 2 + px96(152));
    EXPECT_EQ(d.w.Cursor.Area, frame);

    // Shift-click into the right half of an empty line's box: the cursor
    // stays on the line's only position.
    d.w.Cursor = d.w.Anchor = TextPos{0, 0, 0};
    d.paint();
    const int32_t y1 = int32_t(std::trunc((body.InnerTop + body.Lines[0].Height + body.Lines[0].Para->SpaceBelow +
                                           body.Lines[1].Para->SpaceAbove + 0.5) /
                                          kMmPerPx96)) +
                       o.y + 2;
    const int32_t x1 = o.x + 1 + px96(body.InnerLeft) + 2;
    d.click(x1, y1, true);
    EXPECT_EQ(d.w.Cursor, (TextPos{0, 1, 0}));
    EXPECT_EQ(d.w.Anchor, (TextPos{0, 0, 0}));

    // A click inside a drawing object makes it the cursor's area at its start.
    addArea(d.w, atRectangle, 30, 200, 80, 240);
    const int32_t object = d.w.AreaCount() - 1;
    d.w.Cursor = d.w.Anchor = TextPos{0, 0, 2};
    d.paint();
    d.click(o.x + 1 + px96(55), o.y + 2 + px96(220));
    EXPECT_EQ(d.w.Cursor, (TextPos{object, 0, 0}));
    EXPECT_EQ(d.w.Anchor, d.w.Cursor);
}

TEST(PaintEdges, AClickWhileThePaintBoxIsStillUnsizedIsAnswered)
{
    RenderDoc sized(1200, 1600);
    sized.type("word");
    const Origin o = pageOrigin(sized);

    RenderDoc d(1200, 1600);
    d.type("word");
    ASSERT_EQ(d.w.PaintBoxWidth, 0) << "never painted";
    d.w.Cursor = d.w.Anchor = TextPos{0, 0, 0};
    const TextArea& body = d.w.Areas[0];
    double x = body.InnerLeft;
    for (int j = 0; j < 3; ++j) x += body.Lines[0].Chars[size_t(j)].Width;
    d.click(o.x + 1 + px96(x) + 1, o.y + 2 + px96(body.InnerTop) + 3);
    EXPECT_EQ(d.w.Cursor, (TextPos{0, 0, 3}));
    EXPECT_EQ(d.w.ClickRequest, 0);
}


// A character's size is kept as a float: measured at a whole number of
// pixels, it paints at that number, not a pixel short.
TEST(PaintEdges, ACharacterMeasuredInWholePixelsPaintsAtThosePixels)
{
    RenderDoc d;
    paint::Pass p(d.w);
    for (const int32_t dpi : {96, 100, 120}) {
        p.MmPerPx = 25.39995 / dpi;
        int32_t off = 0;
        for (int32_t n = 0; n <= 4000; ++n)
            if (p.px(float(double(n) / dpi * 25.39995)) != n) ++off;
        EXPECT_EQ(off, 0) << dpi;
    }
}
