// Drags on the page: the geometry of new objects, moved areas, resized
// pictures and column borders, and whole drags on a headless window
// answered by the real paint pass.

#include "engine/Childwin.h"
#include "platform/VirtualKeys.h"
#include "tests/support/RenderHelpers.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace quillet;
using namespace quillet::test;
using namespace quillet::mousegeom;

namespace {

std::string bodyText(const TMDIChild& w)
{
    std::string s;
    for (const TextLine& l : w.Areas[0].Lines) {
        for (const TextChar& c : l.Chars) s += char(c.Code);
        if (l.EndKind != ekSoft) s += '|';
    }
    return s;
}

// The page origin of page 0 and the pixel size at zoom 100.
struct Origin {
    int32_t x = 0, y = 0;
    double mmPx = 0;
};

Origin pageOrigin(RenderDoc& d)
{
    d.w.PageLocate = {};
    d.w.PageLocate.Request = 1;
    d.w.PageLocate.Y = 5;
    d.paint();
    d.w.PageLocate.Request = 0;
    return {d.w.PageLocate.OriginX, d.w.PageLocate.OriginY, mmPerPixel(d.w.DisplayDpi, d.w.ZoomPercent)};
}

} // namespace

TEST(MouseGeometry, InsertBoxFromTheBandsCorners)
{
    const double px = 0.25;  // 4 pixels a millimetre
    struct Case {
        int32_t x1, y1, x2, y2;
        bool moved;
        InsertBox want;
    } cases[] = {
        // A plain click: a 24.5 mm square from the click.
        {40, 80, 40, 80, false, {0, 0, 0, 10, 20, 34.5, 44.5}},
        // A drag of one millimetre: the dragged minimum.
        {40, 80, 44, 84, true, {0, 0, 0, 10, 20, 12.5, 22.5}},
        // Down to the right: not rising; up to the right and down to the left: rising.
        {40, 80, 120, 160, true, {0, 0, 0, 10, 20, 30, 40}},
        {40, 160, 120, 80, true, {0, 0, 1, 10, 20, 30, 40}},
        {120, 80, 40, 160, true, {0, 0, 1, 10, 20, 30, 40}},
        // Up to the left: both swapped, not rising.
        {120, 160, 40, 80, true, {0, 0, 0, 10, 20, 30, 40}},
    };
    for (const Case& c : cases) {
        const InsertBox b = insertBoxFromDrag(c.x1, c.y1, c.x2, c.y2, c.moved, px, 0, 0);
        EXPECT_EQ(b, c.want) << c.x1 << "," << c.y1 << " -> " << c.x2 << "," << c.y2;
    }
}

TEST(MouseGeometry, DraggedAreaStaysOnAPageAndKeepsItsMinimum)
{
    // Pages of 200 x 300 mm, 1 mm a pixel, three pages (0..2).
    const AreaPlacement box{20, 20, 60, 50, 1, 0};
    struct Case {
        const char* what;
        AreaPlacement from;
        int32_t handle, dx, dy;
        AreaPlacement want;
    } cases[] = {
        {"a move takes every edge along", box, 0, 10, 5, {30, 25, 70, 55, 1, 0}},
        {"a corner moves two edges", box, 4, 10, 5, {20, 20, 70, 55, 1, 0}},
        {"the left middle moves the left edge only", box, 7, 5, 40, {25, 20, 60, 50, 1, 0}},
        {"dragged past the far edge: swapped and rising toggled", box, 8, -60, 0, {0, 20, 20, 50, 1, 1}},
        {"swapped both ways: rising toggled twice", box, 4, -60, -50, {0, 0, 20, 20, 1, 0}},
        {"never thinner than the minimum", box, 8, -39, 0, {20, 20, 22.5, 50, 1, 0}},
        {"a centre left of the page comes back onto its edge", box, 0, -100, 0, {-20, 20, 20, 50, 1, 0}},
        {"a centre right of the page comes back onto its edge", box, 0, 200, 0, {180, 20, 220, 50, 1, 0}},
        {"a centre above the page goes to the page before", box, 0, 0, -60, {20, 260, 60, 290, 0, 0}},
        {"above the first page it stops at the top edge", {20, 20, 60, 50, 0, 0}, 0, 0, -100, {20, -15, 60, 15, 0, 0}},
        {"below the page it goes to the next", box, 0, 0, 300, {20, 20, 60, 50, 2, 0}},
        {"below the last page it stays on the last", box, 0, 0, 900, {20, 285, 60, 315, 2, 0}},
    };
    for (const Case& c : cases) {
        const AreaPlacement p = placeDraggedArea(c.from, c.handle, c.dx, c.dy, 1.0, 200, 300, 2);
        EXPECT_NEAR(p.Left, c.want.Left, 1e-9) << c.what;
        EXPECT_NEAR(p.Top, c.want.Top, 1e-9) << c.what;
        EXPECT_NEAR(p.Right, c.want.Right, 1e-9) << c.what;
        EXPECT_NEAR(p.Bottom, c.want.Bottom, 1e-9) << c.what;
        EXPECT_EQ(p.Page, c.want.Page) << c.what;
        EXPECT_EQ(p.Rising, c.want.Rising) << c.what;
    }
}

TEST(MouseGeometry, PictureCornersKeepTheAspectAndColumnsSnap)
{
    // A 200 x 100 picture: corners fit 2:1 from the fixed corner.
    struct Fit {
        int32_t handle, l, t, r, b;
        int32_t wl, wt, wr, wb;
    } fits[] = {
        {4, 0, 0, 100, 100, 0, 0, 100, 50},    // bottom-right, the width wins
        {4, 0, 0, 300, 60, 0, 0, 120, 60},     // the height wins
        {1, 0, 0, 100, 100, 0, 50, 100, 100},  // top-left: measured from bottom-right
        {6, 0, 0, 100, 100, 0, 0, 100, 100},   // a middle handle does not fit
    };
    for (const Fit& f : fits) {
        int32_t l = f.l, t = f.t, r = f.r, b = f.b;
        fitAspectRatio(f.handle, 200, 100, l, t, r, b);
        EXPECT_EQ(l, f.wl) << f.handle;
        EXPECT_EQ(t, f.wt) << f.handle;
        EXPECT_EQ(r, f.wr) << f.handle;
        EXPECT_EQ(b, f.wb) << f.handle;
    }

    // 0..100 mm over 100..500 px: 4 px a millimetre.
    const ColumnDragMap map{0, 100, 100, 500};
    double mm = -1;
    int32_t x = 0;
    ASSERT_TRUE(columnPosition(map, 189, false, mm, x));
    EXPECT_DOUBLE_EQ(mm, 20);
    EXPECT_EQ(x, 180);
    ASSERT_TRUE(columnPosition(map, 189, true, mm, x));
    EXPECT_DOUBLE_EQ(mm, 22.25);
    EXPECT_EQ(x, 189);
    // Equal pixel references map nowhere (no division by zero).
    EXPECT_FALSE(columnPosition(ColumnDragMap{0, 100, 300, 300}, 189, false, mm, x));
    EXPECT_FALSE(columnPosition(ColumnDragMap{40, 40, 100, 500}, 189, false, mm, x));
}

TEST(MouseGeometry, ZoneCursorsAndThePopupsSpellingBlock)
{
    const MouseCursor want[] = {MouseCursor::IBeam,    MouseCursor::SizeWE,   MouseCursor::SizeAll,
                                MouseCursor::SizeNWSE, MouseCursor::SizeNESW, MouseCursor::SizeNESW,
                                MouseCursor::SizeNWSE, MouseCursor::SizeNS,   MouseCursor::SizeNS,
                                MouseCursor::SizeWE,   MouseCursor::SizeWE};
    for (int32_t k = 0; k <= 10; ++k) EXPECT_EQ(cursorForZone(k), want[k]) << k;

    // Eight suggestions: five shown, the best lowest, above the fixed pair.
    const auto items = spellingPopupItems({"a", "b", "c", "d", "e", "f", "g", "h"});
    ASSERT_EQ(items.size(), 9u);
    EXPECT_EQ(items[0].Text, "e");
    EXPECT_EQ(items[0].Tag, 104);
    EXPECT_EQ(items[4].Text, "a");
    EXPECT_EQ(items[4].Tag, 100);
    EXPECT_EQ(items[5].Kind, PopupItem::Separator);
    EXPECT_EQ(items[6].Text, "Ignore word");
    EXPECT_EQ(items[7].Text, "Learn word");
    EXPECT_EQ(items[8].Kind, PopupItem::Separator);
    // Fewer than five: only those there are.
    EXPECT_EQ(spellingPopupItems({"x", "y"}).size(), 6u);
    EXPECT_EQ(spellingPopupItems({}).size(), 4u);
}

TEST(MouseDrag, InsertModeMakesObjectsFromClicksAndBands)
{
    RenderDoc d;
    d.type("Text");
    const Origin o = pageOrigin(d);
    const auto px = [&](double mm, int32_t origin) { return origin + int32_t(std::lround(mm / o.mmPx)); };

    // A plain click in text frame mode: a 24.5 mm square at the click.
    d.w.InsertMode = 1;
    const int32_t areas = d.w.AreaCount();
    d.w.PaintBox1MouseDown(0, 0, px(50, o.x), px(60, o.y));
    d.w.PaintBox1MouseUp(0, 0, px(50, o.x), px(60, o.y));
    ASSERT_EQ(d.w.AreaCount(), areas + 1);
    EXPECT_EQ(d.w.InsertMode, 0);
    const TextArea& frame = d.w.Areas.back();
    EXPECT_EQ(frame.AreaType, atTextFrame);
    EXPECT_NEAR(frame.Right - frame.Left, 24.5, 1e-9);
    EXPECT_NEAR(frame.Left, 50, 0.3);
    EXPECT_NEAR(frame.Top, 60, 0.3);

    // A line dragged up to the right, with the band shown meanwhile.
    d.w.InsertMode = 4;
    d.w.PaintBox1MouseDown(0, 0, px(30, o.x), px(150, o.y));
    d.w.PaintBox1MouseMove(0, px(90, o.x), px(110, o.y));
    EXPECT_EQ(d.w.Mouse.Overlay.Shape, DragOverlay::Rect);
    EXPECT_EQ(d.w.Mouse.Cursor, MouseCursor::Cross);
    d.w.PaintBox1MouseUp(0, 0, px(90, o.x), px(110, o.y));
    const TextArea& line = d.w.Areas.back();
    EXPECT_EQ(line.AreaType, atLine);
    EXPECT_EQ(line.Rising, 1);
    EXPECT_NEAR(line.Right - line.Left, 60, 0.5);
    EXPECT_EQ(d.w.Mouse.Overlay.Shape, DragOverlay::None);

    // A release with no press on the page (the press was the right button) makes nothing.
    d.w.InsertMode = 2;
    const int32_t before = d.w.AreaCount();
    d.w.PaintBox1MouseUp(0, 0, px(30, o.x), px(30, o.y));
    EXPECT_EQ(d.w.AreaCount(), before);
}

TEST(MouseDrag, AnAreaMovesByTheMouseWayAsOneUndoStep)
{
    RenderDoc d;
    d.type("Text");
    addArea(d.w, atRectangle, 40, 80, 80, 120);
    const int32_t ai = d.w.AreaCount() - 1;
    const Origin o = pageOrigin(d);
    // On the outline above the top edge, away from the handles.
    const int32_t cx = o.x + int32_t(50 / o.mmPx), cy = o.y + int32_t(80 / o.mmPx) - 3;

    d.w.PaintBox1MouseDown(0, 0, cx, cy);
    ASSERT_EQ(d.w.ObjectGrabbed, 1);
    EXPECT_EQ(d.w.ObjectDrag.Handle, 0);
    const size_t undo = d.w.UndoCopies.size();
    d.w.PaintBox1MouseMove(0, cx + 40, cy + 20);
    EXPECT_EQ(d.w.Mouse.Overlay.Shape, DragOverlay::Rect);
    d.w.PaintBox1MouseUp(0, 0, cx + 40, cy + 20);
    const TextArea& a = d.w.Areas[size_t(ai)];
    // Exactly the mouse's way: no drift from the outline around the area.
    EXPECT_NEAR(a.Left, 40 + 40 * o.mmPx, 1e-9);
    EXPECT_NEAR(a.Top, 80 + 20 * o.mmPx, 1e-9);
    EXPECT_NEAR(a.Right - a.Left, 40, 1e-9);
    EXPECT_EQ(d.w.UndoCopies.size(), undo + 1);
    EXPECT_EQ(d.w.ObjectGrabbed, 0);
    EXPECT_EQ(d.w.Mouse.Overlay.Shape, DragOverlay::None);

    // A press and release without a move changes nothing.
    d.paint();
    const TextArea kept = d.w.Areas[size_t(ai)];
    const int32_t nx = o.x + int32_t((a.Left + 10) / o.mmPx), ny = o.y + int32_t(a.Top / o.mmPx) - 3;
    d.w.PaintBox1MouseDown(0, 0, nx, ny);
    d.w.PaintBox1MouseUp(0, 0, nx, ny);
    EXPECT_EQ(d.w.Areas[size_t(ai)], kept);
}

TEST(MouseDrag, AnAreaDraggedBelowTheLastPageStaysOnIt)
{
    RenderDoc d;
    d.type("Text");
    addArea(d.w, atRectangle, 40, 80, 80, 120);
    const int32_t ai = d.w.AreaCount() - 1;
    const Origin o = pageOrigin(d);
    const int32_t cx = o.x + int32_t(50 / o.mmPx), cy = o.y + int32_t(80 / o.mmPx) - 3;
    d.w.PaintBox1MouseDown(0, 0, cx, cy);
    ASSERT_EQ(d.w.ObjectGrabbed, 1);
    d.w.PaintBox1MouseMove(0, cx, cy + 5000);
    d.w.PaintBox1MouseUp(0, 0, cx, cy + 5000);
    const TextArea& a = d.w.Areas[size_t(ai)];
    EXPECT_EQ(a.PageIndex, 0);
    EXPECT_NEAR((a.Top + a.Bottom) / 2, d.w.PageHeight, 1e-9);
}

TEST(MouseDrag, ASecondButtonOrAChangedDocumentEndsADragCleanly)
{
    RenderDoc d;
    d.type("Text");
    addArea(d.w, atRectangle, 40, 80, 80, 120);
    const int32_t ai = d.w.AreaCount() - 1;
    const Origin o = pageOrigin(d);
    const int32_t cx = o.x + int32_t(50 / o.mmPx), cy = o.y + int32_t(80 / o.mmPx) - 3;
    const TextArea kept = d.w.Areas[size_t(ai)];

    d.w.PaintBox1MouseDown(0, 0, cx, cy);
    d.w.PaintBox1MouseMove(0, cx + 30, cy);
    ASSERT_TRUE(d.w.MouseDragActive());
    d.w.CancelMouseDrag();
    EXPECT_FALSE(d.w.MouseDragActive());
    EXPECT_EQ(d.w.Mouse.Overlay.Shape, DragOverlay::None);
    const size_t steps = d.w.UndoCopies.size();
    d.w.PaintBox1MouseUp(0, 0, cx + 30, cy);
    const TextArea& a = d.w.Areas[size_t(ai)];
    EXPECT_EQ(a.Left, kept.Left);
    EXPECT_EQ(a.Top, kept.Top);
    EXPECT_EQ(a.Right, kept.Right);
    EXPECT_EQ(a.PageIndex, kept.PageIndex);
    EXPECT_EQ(d.w.UndoCopies.size(), steps);

    // The dragged area went away under the drag: the release applies nothing.
    d.paint();
    d.w.PaintBox1MouseDown(0, 0, cx, cy);
    d.w.PaintBox1MouseMove(0, cx + 30, cy);
    d.w.Areas.pop_back();
    const size_t undo = d.w.UndoCopies.size();
    d.w.PaintBox1MouseUp(0, 0, cx + 30, cy);
    EXPECT_EQ(d.w.UndoCopies.size(), undo);
    EXPECT_EQ(d.w.ObjectGrabbed, 0);
}

TEST(MouseDrag, SelectedTextMovesOrCopiesToTheDropPoint)
{
    struct Case {
        const char* what;
        TextPos from, to, drop;
        bool copy;
        const char* want;
    } cases[] = {
        {"a word moved before itself", {0, 0, 4}, {0, 0, 8}, {0, 0, 0}, false, "two one three|next"},
        {"a word moved after itself on the same line", {0, 0, 0}, {0, 0, 4}, {0, 0, 13}, false, "two threeone |next"},
        {"a word copied", {0, 0, 4}, {0, 0, 8}, {0, 1, 4}, true, "one two three|nexttwo "},
        {"a paragraph end carried along", {0, 0, 8}, {0, 1, 0}, {0, 1, 4}, false, "one two nextthree|"},
    };
    for (const Case& c : cases) {
        RenderDoc d;
        d.type("one two three\nnext");
        d.w.Anchor = c.from;
        d.w.Cursor = c.to;
        d.w.InvalidateMarking();
        const size_t undo = d.w.UndoCopies.size();
        ASSERT_TRUE(d.w.MoveMarkingTo(c.drop, c.copy)) << c.what;
        EXPECT_EQ(bodyText(d.w), c.want) << c.what;
        EXPECT_EQ(d.w.UndoCopies.size(), undo + 1) << c.what << ": one undo step";
        d.w.RestoreCopyFromUndo(0);
        EXPECT_EQ(bodyText(d.w), "one two three|next") << c.what << ": undone";
    }
}

namespace {

// The centre of the last zone of `kind` the last pass registered.
bool zoneCentre(const TMDIChild& w, int32_t kind, int32_t& x, int32_t& y)
{
    bool found = false;
    for (const MouseObj& z : w.MouseObjs)
        if (z.Kind == kind) {
            x = (z.Left + z.Right) / 2;
            y = (z.Top + z.Bottom) / 2;
            found = true;
        }
    return found;
}

} // namespace

TEST(MouseDrag, APicturesCornerResizesItKeepingItsShapeAsOneUndoStep)
{
    RenderDoc d;
    d.type("ab");
    d.w.Cursor = d.w.Anchor = TextPos{0, 0, 1};
    Dib pic;
    newdib(&pic, 200, 100, 24, nullptr, 0);
    ASSERT_TRUE(d.w.InsertPictureAtCursor(std::move(pic), 96, false));
    d.w.MakeSoftEnters();
    // The picture selected: its handles are zones.
    d.w.Anchor = TextPos{0, 0, 1};
    d.w.Cursor = TextPos{0, 0, 2};
    d.w.InvalidateMarking();
    d.paint();
    int32_t x = 0, y = 0;
    ASSERT_TRUE(zoneCentre(d.w, 6, x, y)) << "the bottom-right handle";
    const TextChar before = d.w.Areas[0].Lines[0].Chars[1];
    ASSERT_EQ(before.Kind, ckPicture);
    const size_t undo = d.w.UndoCopies.size();

    d.w.PaintBox1MouseDown(0, 0, x, y);
    ASSERT_EQ(d.w.PictureDrag.Handle, 4);
    d.w.PaintBox1MouseMove(0, x + 100, y + 10);
    EXPECT_EQ(d.w.Mouse.Overlay.Shape, DragOverlay::Rect);
    d.w.PaintBox1MouseUp(0, 0, x + 100, y + 10);
    const TextChar& after = d.w.Areas[0].Lines[0].Chars[1];
    EXPECT_GT(after.Width, before.Width);
    EXPECT_NEAR(after.Width / after.Height(), 2.0, 0.05) << "a corner keeps the picture's shape";
    EXPECT_EQ(d.w.UndoCopies.size(), undo + 1);
    EXPECT_EQ(d.w.Modified, 1);

    // The character under the drag became another one: nothing is written.
    d.paint();
    d.w.Anchor = TextPos{0, 0, 1};
    d.w.Cursor = TextPos{0, 0, 2};
    d.w.InvalidateMarking();
    d.paint();
    ASSERT_TRUE(zoneCentre(d.w, 6, x, y));
    d.w.PaintBox1MouseDown(0, 0, x, y);
    ASSERT_EQ(d.w.PictureDrag.Handle, 4);
    d.w.PaintBox1MouseMove(0, x + 50, y);
    d.w.Areas[0].Lines[0].Chars.erase(d.w.Areas[0].Lines[0].Chars.begin() + 1);
    const size_t steps = d.w.UndoCopies.size();
    d.w.PaintBox1MouseUp(0, 0, x + 50, y);
    EXPECT_EQ(d.w.UndoCopies.size(), steps);
    EXPECT_EQ(d.w.Areas[0].Lines[0].Chars[1].Kind, ckText);
}

TEST(MouseDrag, AColumnBorderSnapsToFiveMillimetresUnlessDraggedWithTheRightButton)
{
    for (int32_t button : {0, 1}) {
        RenderDoc d;
        d.type("x");
        d.w.inserttableXY(3, 1);
        d.paint();
        // Every line of the table, with the middle cells' right border.
        int32_t x = 0, y = 0;
        std::vector<MouseObj> borders;
        for (const MouseObj& z : d.w.MouseObjs)
            if (z.Kind == 1) borders.push_back(z);
        ASSERT_GE(borders.size(), 4u);
        const MouseObj& z = borders[3];  // the second cell's right border
        x = (z.Left + z.Right) / 2;
        y = (z.Top + z.Bottom) / 2;
        d.w.PaintBox1MouseDown(button, 0, x, y);
        ASSERT_EQ(d.w.ColumnDragging, 1) << button;
        ASSERT_FALSE(d.w.Mouse.ColumnTracks.empty());
        const ColumnDragMap map = d.w.Mouse.ColumnMap;
        ASSERT_TRUE(map.usable());
        d.w.PaintBox1MouseMove(0, x + 23, y);
        EXPECT_EQ(d.w.Mouse.Overlay.Shape, DragOverlay::VLine);
        EXPECT_EQ(d.w.Mouse.Cursor, MouseCursor::SizeWE);
        d.w.PaintBox1MouseUp(button, 0, x + 23, y);
        EXPECT_EQ(d.w.ColumnDragging, 0);
        EXPECT_EQ(d.w.Mouse.Overlay.Shape, DragOverlay::None);
        double mm = 0;
        int32_t shown = 0;
        columnPosition(map, x + 23, button == 1, mm, shown);
        // The border of cell 1 now lies at mm from the region's left.
        const TextArea& a = d.w.Areas[0];
        int32_t first = -1;
        for (int32_t i = 0; i < a.LineCount(); ++i)
            if (a.Lines[size_t(i)].IsCell) {
                first = i;
                break;
            }
        ASSERT_GE(first, 0);
        const TextLine& c0 = a.Lines[size_t(first)];
        d.paint();
        // The widths as the pass lays them out (the table keeps its own
        // small inset at the border).
        const double border = c0.CellInsetLeft + c0.CellWidth + a.Lines[size_t(first + 1)].CellWidth;
        EXPECT_NEAR(border, mm, 0.2) << button;
        if (button == 0) {
            EXPECT_NEAR(std::fmod(mm, 5.0), 0.0, 1e-9);
        }
    }
}
