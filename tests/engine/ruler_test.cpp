// The rulers: scale, markers and snapping worked out from ruler values, and
// drags on the horizontal ruler written back as the caret's paragraph format.

#include "engine/RulerModel.h"
#include "platform/VirtualKeys.h"
#include "tests/support/RenderHelpers.h"

#include <gtest/gtest.h>

using namespace quillet;
using namespace quillet::test;

namespace {

// 160 mm from x 50 to x 690: four pixels a millimetre, 10 mm indents.
TMDIChild::RulerValuesRec values()
{
    TMDIChild::RulerValuesRec r;
    r.HLeftPx = 50;
    r.HRightPx = 690;
    r.HStartMm = 0;
    r.HEndMm = 160;
    r.LeftIndentPx = 40;
    r.FirstIndentPx = 20;
    r.RightIndentPx = 40;
    r.VTopPx = 30;
    r.VBottomPx = 430;
    r.VStartMm = 0;
    r.VEndMm = 100;
    return r;
}

struct RulerDoc : RenderDoc {
    RulerDoc()
    {
        type("A paragraph\nAnother");
        w.Cursor = w.Anchor = TextPos{0, 0, 2};
        w.RulerValues = values();
    }
    const AbsatzFormat& para(int32_t line = 0) const { return w.Areas[0].Lines[size_t(line)].Para; }
    void drag(int32_t button, int32_t x1, int32_t y, int32_t x2)
    {
        w.PaintBox3MouseDown(button, x1, y, 800);
        w.PaintBox3MouseMove(x2, 800);
        w.PaintBox3MouseUp(x2, 800);
    }
};

} // namespace

TEST(Ruler, ScaleTicksNumbersAndMarkers)
{
    TMDIChild::RulerDragState drag;
    int32_t x = 0;
    const RulerPicture p = ruler::composeHorizontal(values(), {TabStop{40, 1, 0}}, false, drag, x, false, 800, 24);
    // Left of the block the scale runs back to the ruler's edge: -12 mm at most.
    // 5-mm ticks inset 11, odd centimetres as numbers, even ones as ticks inset 10.
    EXPECT_EQ(p.WhiteFrom, 50);
    EXPECT_EQ(p.WhiteTo, 690);
    auto hasTick = [&](int32_t at, int32_t inset) {
        for (const auto& t : p.Ticks)
            if (t.At == at && t.Inset == inset) return true;
        return false;
    };
    auto hasNumber = [&](int32_t at, int32_t value) {
        for (const auto& n : p.Numbers)
            if (n.At == at && n.Value == value) return true;
        return false;
    };
    EXPECT_TRUE(hasTick(50, 10));   // 0
    EXPECT_TRUE(hasTick(70, 11));   // 5 mm
    EXPECT_TRUE(hasNumber(90, 1));  // 1 cm
    EXPECT_TRUE(hasTick(130, 10));  // 2 cm
    EXPECT_TRUE(hasNumber(10, 1));  // -1 cm, shown without a sign
    EXPECT_FALSE(hasTick(6, 10)) << "nothing before the ruler's left edge (-11 mm)";
    // Markers: first line at 50 + 40 + 20, left at 90, right at 650; image left edges 4 before.
    ASSERT_GE(p.Glyphs.size(), 4u);
    EXPECT_EQ(p.Glyphs[0], (RulerPicture::Glyph{riFirstIndent, 106, 2}));
    EXPECT_EQ(p.Glyphs[1], (RulerPicture::Glyph{riLeftIndent, 86, 10}));
    EXPECT_EQ(p.Glyphs[2], (RulerPicture::Glyph{riRightIndent, 646, 10}));
    EXPECT_EQ(p.Glyphs[3], (RulerPicture::Glyph{riTabCenter, 210 - 10, 6}));

    // Vertical: 100 mm over 400 px.
    const RulerPicture v = ruler::composeVertical(values(), 24, 500);
    EXPECT_EQ(v.WhiteFrom, 30);
    bool number = false;
    for (const auto& n : v.Numbers) number |= n.At == 70 && n.Value == 1;
    EXPECT_TRUE(number);

    // An empty block: band and markers only.
    auto empty = values();
    empty.HRightPx = empty.HLeftPx;
    const RulerPicture e = ruler::composeHorizontal(empty, {TabStop{40, 1, 0}}, false, drag, x, false, 800, 24);
    EXPECT_TRUE(e.Ticks.empty());
    EXPECT_EQ(e.Glyphs.size(), 3u);
}

TEST(Ruler, SnapsToTheNearestTickAndTheLeftOneOnATie)
{
    struct Case {
        int32_t mouse, kind;
        bool noSnap;
        int32_t wantX;
        double wantValue;
    } cases[] = {
        {95, 100, false, 90, 10},     // 11.25 mm: 10 is nearer
        {101, 100, false, 110, 15},   // 12.75 mm: 15 is nearer
        {100, 100, false, 90, 10},    // 12.5 mm exactly between: the left tick
        {101, 100, true, 101, 12.75}, // no snap: the mouse's own value
        {60, 3, true, 60, 2.5},
    };
    for (const Case& c : cases) {
        TMDIChild::RulerDragState drag;
        drag.Kind = c.kind;
        int32_t x = c.mouse;
        ruler::composeHorizontal(values(), {}, false, drag, x, c.noSnap, 800, 24);
        EXPECT_EQ(x, c.wantX) << c.mouse;
        EXPECT_DOUBLE_EQ(drag.Value, c.wantValue) << c.mouse;
    }
}

TEST(Ruler, MarkerZonesAndTheirOrder)
{
    const auto r = values();
    const std::vector<TabStop> tabs = {TabStop{40, 0, 0}, TabStop{60, 2, 0}};
    struct Case {
        int32_t x, y, want, tab;
    } cases[] = {
        {110, 5, 1, -1},   // first-line marker (x 110)
        {90, 12, 4, -1},   // left marker, upper part: left indent alone
        {90, 20, 2, -1},   // lower part: left and first line together
        {650, 12, 3, -1},  // right marker
        {211, 14, 100, 0}, // the left tab at 210
        {287, 14, 100, 1}, // the right tab at 290: caught from 285 to 295
        {300, 14, 0, -1},
        {400, 2, 0, -1},
    };
    for (const Case& c : cases) {
        int32_t tab = -1;
        EXPECT_EQ(ruler::hitMarker(r, tabs, c.x, c.y, tab), c.want) << c.x << "," << c.y;
        if (c.want == 100) {
            EXPECT_EQ(tab, c.tab);
        }
    }
}

TEST(Ruler, DragsWriteTheParagraphFormat)
{
    struct Case {
        const char* what;
        int32_t kind;
        double value;
        double left, first, right;
    } cases[] = {
        {"first line", 1, 30, 10, 20, 10},
        {"left with the first line", 2, 20, 20, 5, 10},
        {"right", 3, 140, 10, 5, 20},
        {"left alone: the first line stays put", 4, 20, 20, -5, 10},
    };
    for (const Case& c : cases) {
        AbsatzFormat p;
        p.LeftIndent = 10;
        p.FirstLineIndent = 5;
        p.RightIndent = 10;
        ruler::applyDrag(p, c.kind, 0, c.value, 0, 160);
        EXPECT_DOUBLE_EQ(p.LeftIndent, c.left) << c.what;
        EXPECT_DOUBLE_EQ(p.FirstLineIndent, c.first) << c.what;
        EXPECT_DOUBLE_EQ(p.RightIndent, c.right) << c.what;
    }
    // Tabs stay sorted; one dragged onto another replaces it.
    AbsatzFormat p;
    p.Tabs = {TabStop{10, 0, 0}, TabStop{20, 1, 0}, TabStop{30, 2, 0}};
    ruler::applyDrag(p, 100, 0, 25, 0, 160);
    ASSERT_EQ(p.TabCount(), 3);
    EXPECT_EQ(p.Tabs[1], (TabStop{25, 0, 0}));
    ruler::applyDrag(p, 100, 1, 30, 0, 160);
    ASSERT_EQ(p.TabCount(), 2);
    EXPECT_EQ(p.Tabs[1], (TabStop{30, 0, 0}));
    // Inside a table the cell's own offset and right edge count, not the column's.
    auto r = values();
    r.CellOffsetPx = 200;
    r.RightRestPx = 100;
    EXPECT_DOUBLE_EQ(ruler::cellOffsetMm(r, true), 50);
    EXPECT_DOUBLE_EQ(ruler::cellRightMm(r, true), 135);
    EXPECT_DOUBLE_EQ(ruler::cellOffsetMm(r, false), 0);
    EXPECT_DOUBLE_EQ(ruler::cellRightMm(r, false), 160);
}

TEST(Ruler, AClickMakesATabStopAndADragMovesTheIndent)
{
    RulerDoc d;
    const size_t undo = d.w.UndoCopies.size();
    d.frame.Options.RulerTabKind = 2;
    // A click at 11.25 mm: a right tab at the 10 mm tick, whole paragraph, one step.
    d.w.PaintBox3MouseDown(0, 95, 14, 800);
    EXPECT_EQ(d.w.Mouse.Overlay.Shape, DragOverlay::VLine);
    d.w.PaintBox3MouseUp(95, 800);
    ASSERT_EQ(d.para().TabCount(), 1);
    EXPECT_EQ(d.para().Tabs[0], (TabStop{10, 2, 0}));
    EXPECT_EQ(d.w.UndoCopies.size(), undo + 1);
    EXPECT_EQ(d.w.RulerDrag.Kind, 0);
    EXPECT_EQ(d.w.Mouse.Overlay.Shape, DragOverlay::None);
    EXPECT_EQ(d.para(1).TabCount(), 0) << "the next paragraph keeps its own";

    // The left marker by its lower part, to 20 mm: the first line comes along.
    d.drag(0, 90, 20, 131);
    EXPECT_DOUBLE_EQ(d.para().LeftIndent, 20);
    // With the right button the marker follows the mouse unsnapped (the
    // next pass puts the marker at 20 mm).
    d.w.RulerValues.LeftIndentPx = 80;
    d.drag(1, 50 + 80, 20, 50 + 90);
    EXPECT_DOUBLE_EQ(d.para().LeftIndent, 22.5);
}

TEST(Ruler, AKeyCancelsTheDragAndTheNewTabGoes)
{
    for (uint16_t key : {uint16_t(VK_ESCAPE), uint16_t(VK_A)}) {
        RulerDoc d;
        const AbsatzFormat before = d.para();
        const size_t undo = d.w.UndoCopies.size();
        d.w.PaintBox3MouseDown(0, 300, 14, 800);
        ASSERT_EQ(d.para().TabCount(), 1);
        EXPECT_DOUBLE_EQ(d.para().Tabs[0].Position, 60) << "the new stop stands at the snapped place";
        uint16_t k = key;
        d.w.getkeysKeyDown(k, 0);
        d.w.PaintBox3MouseMove(400, 800);
        d.w.PaintBox3MouseUp(400, 800);
        EXPECT_EQ(d.para(), before) << key;
        EXPECT_EQ(d.w.UndoCopies.size(), undo);
        EXPECT_EQ(d.w.RulerDrag.Kind, 0);
    }
}

TEST(Ruler, TheCornerBoxCyclesTheTabKind)
{
    RulerDoc d;
    const char* hints[] = {"Tab stop center", "Tab stop right", "Tab stop decimal", "Tab stop left"};
    for (const char* hint : hints) {
        d.w.PaintBox2MouseDown();
        EXPECT_STREQ(ruler::tabKindHint(d.frame.Options.RulerTabKind), hint);
    }
    EXPECT_EQ(d.frame.Options.RulerTabKind, 0);
}
