#include "engine/Childwin.h"
#include "formats/StandardServices.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace quillet;

namespace {

// Page of 1000 x 1500 px at 100 dpi.
constexpr int32_t kDpi = 100;
constexpr int32_t kPageWpx = 1000;
constexpr int32_t kPageHpx = 1500;
constexpr double kPageW = 253.9995;
constexpr double kPageH = 380.99925;

struct Doc {
    FrameState frame = StandardFrameState();
    std::unique_ptr<TMDIChild> w = std::make_unique<TMDIChild>(frame);

    Doc()
    {
        // A page body with three plain lines, then whatever a test adds.
        w->Areas.clear();
        TextArea body;
        body.AreaType = atPageBody;
        body.Lines.resize(3);
        for (TextLine& l : body.Lines) l.CellsPerRow = 1;
        w->Areas.push_back(body);
    }
    TMDIChild* operator->() { return w.get(); }

    // A text frame in absolute page coordinates, on all pages, wrapping on both sides.
    TextArea& addFrame(double left, double top, double right, double bottom, int32_t mode = 0)
    {
        TextArea f;
        f.AreaType = atTextFrame;
        f.Left = left;
        f.Top = top;
        f.Right = right;
        f.Bottom = bottom;
        f.PageMode = 1;
        f.WrapText = 1;
        f.MoveWithText = 1;
        f.WrapMode = mode;
        f.WrapDistanceX = 2;
        f.WrapDistanceY = 1;
        f.CandDistance = -1;
        w->Areas.push_back(f);
        return w->Areas.back();
    }

    // A wrap test of a 4 x 5 mm box at (x, top) on page 0 from body line 0.
    TMDIChild::FieldCollision wrap(double& x, double top, double width = 4, double height = 5,
                                   int32_t page = 0)
    {
        return w->iscolladingwithfield(page, kPageWpx, false, true, top, 25, 0, 0, height, width,
                                       top, x, kDpi, kPageHpx);
    }
};

TEST(FloatingAreas, PageModesOverPages)
{
    // Rows: mode; columns: pages 0..5 (1-based pages 1..6).
    struct Row { int mode; bool shows[6]; };
    const Row rows[] = {
        {0, {false, false, true, false, false, false}},  // own page 2
        {1, {true, true, true, true, true, true}},
        {2, {false, true, true, true, true, true}},
        {3, {false, true, false, true, false, true}},
        {4, {true, false, true, false, true, false}},
        {5, {false, true, false, true, false, true}},
        {6, {false, false, true, false, true, false}},
        {99, {false, false, false, false, false, false}},
        {7, {false, false, false, false, false, false}},
        {255, {false, false, false, false, false, false}},
    };
    for (const Row& r : rows)
        for (int p = 0; p < 6; ++p)
            EXPECT_EQ(TMDIChild::istOnAllPagesGedeckt(r.mode, 2, p), r.shows[p])
                << "mode " << r.mode << " page " << p;
    // Mode 0 on page 0 follows the area's own page.
    EXPECT_TRUE(TMDIChild::istOnAllPagesGedeckt(0, 0, 0));
    EXPECT_TRUE(TMDIChild::istOnAllPagesGedeckt(4, 7, 0));
    EXPECT_FALSE(TMDIChild::istOnAllPagesGedeckt(6, 7, 0));
}

TEST(FloatingAreas, EdgesMeasuredFromTheFarSide)
{
    TextArea a;
    a.Left = 10;
    a.Top = 30;
    a.Right = 20;
    a.Bottom = 40;
    a.AnchorRight = 1;
    a.AnchorBottom = 1;
    a.AnchorTopToBottom = 0;
    auto e = TMDIChild::FloatingAreaEdges(a, 200, 300);
    EXPECT_DOUBLE_EQ(e.Left, 10);
    EXPECT_DOUBLE_EQ(e.Top, 30);      // top from the bottom only with both flags
    EXPECT_DOUBLE_EQ(e.Right, 180);
    EXPECT_DOUBLE_EQ(e.Bottom, 260);
    a.AnchorTopToBottom = 1;
    EXPECT_DOUBLE_EQ(TMDIChild::FloatingAreaEdges(a, 200, 300).Top, 270);
    a.AnchorBottom = 0;  // AnchorTopToBottom alone does nothing
    e = TMDIChild::FloatingAreaEdges(a, 200, 300);
    EXPECT_DOUBLE_EQ(e.Top, 30);
    EXPECT_DOUBLE_EQ(e.Bottom, 40);
}

TEST(FloatingAreas, WrapUsesPixelPageSizeForFarEdges)
{
    Doc d;
    // Right edge 50 mm in from the right page edge, bottom 100 mm up from
    // the bottom, top 200 mm up from the bottom.
    TextArea& f = d.addFrame(100, 200, 50, 100);
    f.AnchorRight = 1;
    f.AnchorBottom = 1;
    f.AnchorTopToBottom = 1;
    const double right = kPageW - 50, top = kPageH - 200, bottom = kPageH - 100;

    double x = 120;
    ASSERT_TRUE(d.wrap(x, top));
    EXPECT_NEAR(x, right + 2, 1e-9);

    x = right + 2 - 0.001;  // just inside the expanded right edge
    EXPECT_TRUE(d.wrap(x, top));
    x = right + 2 + 0.001;
    EXPECT_FALSE(d.wrap(x, top));

    x = 120;
    EXPECT_TRUE(d.wrap(x, top - 6 + 0.01));  // box bottom just inside top - dy
    x = 120;
    EXPECT_FALSE(d.wrap(x, top - 6 - 0.01));
    x = 120;
    EXPECT_TRUE(d.wrap(x, bottom + 1 - 0.01));  // box top just inside bottom + dy
    x = 120;
    EXPECT_FALSE(d.wrap(x, bottom + 1 + 0.01));
    EXPECT_DOUBLE_EQ(x, 120);
}

TEST(FloatingAreas, VerticalEdgesAreInclusive)
{
    Doc d;
    d.addFrame(50, 100, 80, 150);
    double x = 60;
    EXPECT_TRUE(d.wrap(x, 94));  // box bottom 99 = top - dy
    x = 60;
    EXPECT_TRUE(d.wrap(x, 151));  // box top = bottom + dy
    x = 60;
    EXPECT_FALSE(d.wrap(x, 151.25));
    // More than the distance below never collides, whatever the mode.
    for (int mode = 0; mode <= 3; ++mode) {
        Doc m;
        m.addFrame(50, 100, 80, 150, mode);
        for (double start : {10.0, 60.0, 120.0}) {
            x = start;
            EXPECT_FALSE(m.wrap(x, 151.25)) << mode;
            EXPECT_DOUBLE_EQ(x, start);
        }
    }
}

TEST(FloatingAreas, BothSidesModeEdges)
{
    Doc d;
    d.addFrame(50, 100, 80, 150);
    double x = 44;  // x + width = 48 = left - dx: touching collides
    auto hit = d.wrap(x, 120);
    EXPECT_TRUE(hit);
    EXPECT_FALSE(hit.NextLine);
    EXPECT_DOUBLE_EQ(x, 82);

    x = 43.99;  // just clear of the expanded left edge
    EXPECT_FALSE(d.wrap(x, 120));
    EXPECT_DOUBLE_EQ(x, 43.99);

    x = 81.5;  // inside the expanded right margin: moved forward
    EXPECT_TRUE(d.wrap(x, 120));
    EXPECT_DOUBLE_EQ(x, 82);

    x = 82;  // already at the expanded right edge: nothing to skip
    EXPECT_FALSE(d.wrap(x, 120));
    EXPECT_DOUBLE_EQ(x, 82);

    x = 90;
    EXPECT_FALSE(d.wrap(x, 120));
    EXPECT_DOUBLE_EQ(x, 90);
}

TEST(FloatingAreas, ModesNeverMoveBackwards)
{
    // A box to the right of the area, in its band, for each mode.
    for (int mode = 0; mode <= 3; ++mode) {
        Doc d;
        d.addFrame(50, 100, 80, 150, mode);
        double x = 120;
        auto hit = d.wrap(x, 120);
        EXPECT_GE(x, 120) << "mode " << mode;
        if (mode == 0 || mode == 3) {
            EXPECT_FALSE(hit) << "mode " << mode;
        }
    }
}

TEST(FloatingAreas, AboveAndBelowOnlySendsEveryBoxInTheBandToTheNextLine)
{
    Doc d;
    d.addFrame(50, 100, 80, 150, 1);
    for (double start : {10.0, 60.0, 120.0}) {
        double x = start;
        auto hit = d.wrap(x, 120);
        EXPECT_TRUE(hit) << start;
        EXPECT_TRUE(hit.NextLine) << start;
        EXPECT_DOUBLE_EQ(x, start);
    }
    double x = 10;
    EXPECT_FALSE(d.wrap(x, 151.5));  // below the band
}

TEST(FloatingAreas, LeftOnlyKeepsTextLeftOfTheArea)
{
    Doc d;
    d.addFrame(50, 100, 80, 150, 2);
    double x = 30;  // well left of the area: stays
    EXPECT_FALSE(d.wrap(x, 120));
    EXPECT_DOUBLE_EQ(x, 30);

    x = 44;  // touches the expanded left edge: the line ends here
    auto hit = d.wrap(x, 120);
    EXPECT_TRUE(hit.NextLine);
    EXPECT_DOUBLE_EQ(x, 44);

    x = 100;  // right of the area is no place for text either
    EXPECT_TRUE(d.wrap(x, 120).NextLine);
    EXPECT_DOUBLE_EQ(x, 100);
}

TEST(FloatingAreas, RightOnlyKeepsTextRightOfTheArea)
{
    Doc d;
    d.addFrame(50, 100, 80, 150, 3);
    double x = 30;  // left of the area: skips past it
    auto hit = d.wrap(x, 120);
    EXPECT_TRUE(hit);
    EXPECT_FALSE(hit.NextLine);
    EXPECT_DOUBLE_EQ(x, 82);

    x = 100;  // right of the area: stays
    EXPECT_FALSE(d.wrap(x, 120));
    EXPECT_DOUBLE_EQ(x, 100);
}

TEST(FloatingAreas, WhatDoesNotWrap)
{
    {
        Doc d;
        d.addFrame(50, 100, 80, 150).WrapText = 0;
        double x = 60;
        EXPECT_FALSE(d.wrap(x, 120));
    }
    {
        Doc d;  // shown only on page 3
        TextArea& f = d.addFrame(50, 100, 80, 150);
        f.PageMode = 0;
        f.PageIndex = 3;
        double x = 60;
        EXPECT_FALSE(d.wrap(x, 120, 4, 5, 0));
        EXPECT_TRUE(d.wrap(x, 120, 4, 5, 3));
    }
    {
        Doc d;  // headers and footers float but do not push text
        d.addFrame(50, 100, 80, 150).AreaType = atHeader;
        d.addFrame(50, 100, 80, 150).AreaType = atFooter;
        double x = 60;
        EXPECT_FALSE(d.wrap(x, 120));
    }
    {
        Doc d;  // anchor-only calls never wrap
        d.addFrame(50, 100, 80, 150);
        double x = 60;
        EXPECT_FALSE(d->iscolladingwithfield(0, kPageWpx, true, true, 120, 25, 0, 0, 5, 4, 120, x,
                                             kDpi, kPageHpx));
        EXPECT_DOUBLE_EQ(x, 60);
    }
}

TEST(FloatingAreas, RescansAreasEarlierInArrayOrder)
{
    Doc d;
    d.addFrame(90, 100, 120, 150);  // right-hand frame first in the array
    d.addFrame(40, 100, 85, 150);
    double x = 45;
    ASSERT_TRUE(d.wrap(x, 120));
    EXPECT_DOUBLE_EQ(x, 122);  // past both, not left inside the first

    // A staircase of frames in reverse order needs one scan per frame.
    Doc s;
    for (int i = 5; i >= 0; --i) s.addFrame(20 + 10 * i, 100, 27 + 10 * i, 150);
    x = 15;
    ASSERT_TRUE(s.wrap(x, 120));
    EXPECT_DOUBLE_EQ(x, 79);

    // Landing in a left-only area found on a rescan ends the line.
    Doc n;
    n.addFrame(90, 100, 120, 150, 2);
    n.addFrame(40, 100, 85, 150);
    x = 45;
    auto hit = n.wrap(x, 120);
    EXPECT_TRUE(hit.NextLine);
    EXPECT_DOUBLE_EQ(x, 45);
}

TEST(FloatingAreas, AnchorCandidateKeepsTheNearestLine)
{
    Doc d;
    TextArea& f = d.addFrame(100, 200, 150, 250);
    f.WrapText = 0;
    const int32_t fi = d->AreaCount() - 1;

    // Line 0: box (30, 180) 4 x 5 -> corner (34, 185) to (100, 200).
    double x = 30;
    d->iscolladingwithfield(0, kPageWpx, true, true, 178, 25, 0, 0, 5, 4, 180, x, kDpi, kPageHpx);
    const TextArea& q = d->Areas[size_t(fi)];
    EXPECT_DOUBLE_EQ(q.CandDistance, std::hypot(66.0, 15.0));
    EXPECT_EQ(q.CandArea, 0);
    EXPECT_EQ(q.CandLine, 0);
    EXPECT_DOUBLE_EQ(q.CandOffsetX, 75);
    EXPECT_DOUBLE_EQ(q.CandOffsetY, 22);

    // Line 1 farther away: no change. Distances use absolute differences.
    x = 30;
    d->iscolladingwithfield(0, kPageWpx, true, true, 250, 25, 1, 0, 5, 4, 260, x, kDpi, kPageHpx);
    EXPECT_EQ(q.CandLine, 0);

    // Line 2 below the corner but nearer: replaces it.
    x = 90;
    d->iscolladingwithfield(0, kPageWpx, true, true, 203, 25, 2, 0, 5, 4, 205, x, kDpi, kPageHpx);
    EXPECT_EQ(q.CandLine, 2);
    EXPECT_DOUBLE_EQ(q.CandDistance, std::hypot(6.0, 10.0));
    EXPECT_DOUBLE_EQ(q.CandOffsetY, -3);
}

TEST(FloatingAreas, WhichLinesOfferAnAnchor)
{
    auto offered = [](auto setup, bool mayAnchor) {
        Doc d;
        d.addFrame(100, 200, 150, 250).WrapText = 0;
        setup(d);
        double x = 30;
        d->iscolladingwithfield(0, kPageWpx, true, mayAnchor, 178, 25, 0, 0, 5, 4, 180, x, kDpi,
                                kPageHpx);
        return d->Areas.back().CandDistance != -1;
    };
    auto plain = [](Doc&) {};
    auto laterRun = [](Doc& d) { d->Areas[0].Lines[0].IsCell = 1; };
    auto firstRun = [](Doc& d) {
        d->Areas[0].Lines[0].IsCell = 1;
        d->Areas[0].Lines[0].RowFirstRun = 1;
    };
    auto header = [](Doc& d) { d->Areas[0].AreaType = atHeader; };
    auto fixed = [](Doc& d) { d->Areas.back().MoveWithText = 0; };
    auto noLine = [](Doc& d) { d->Areas[0].Lines.clear(); };

    EXPECT_TRUE(offered(plain, true));
    EXPECT_FALSE(offered(plain, false));
    EXPECT_FALSE(offered(laterRun, true));
    EXPECT_TRUE(offered(firstRun, false));
    EXPECT_FALSE(offered(header, true));
    EXPECT_FALSE(offered(fixed, true));
    EXPECT_FALSE(offered(noLine, true));
}

TEST(FloatingAreas, CandidateSeesXMovedByEarlierAreas)
{
    Doc d;
    d.addFrame(40, 100, 60, 150);  // pushes the box to x = 62
    TextArea& g = d.addFrame(100, 110, 120, 150);
    g.WrapText = 0;
    double x = 45;
    d.wrap(x, 120);
    EXPECT_DOUBLE_EQ(x, 62);
    // The first frame was offered too, with the box where it stood.
    EXPECT_DOUBLE_EQ(d->Areas[1].CandDistance, std::hypot(45 + 4 - 40.0, 125 - 100.0));
    EXPECT_DOUBLE_EQ(d->Areas[2].CandDistance, std::hypot(100 - 66.0, 125 - 110.0));
}

TEST(FloatingAreas, FreeAnchorIds)
{
    Doc d;
    EXPECT_EQ(d->getFreeAnkerID(), 100);
    d.addFrame(0, 0, 1, 1).AnchorId = 101;  // out of order: needs a second scan
    d.addFrame(0, 0, 1, 1).AnchorId = 100;
    EXPECT_EQ(d->getFreeAnkerID(), 102);

    TextArea& fixed = d.addFrame(0, 0, 1, 1);
    fixed.AnchorId = 102;
    fixed.MoveWithText = 0;  // held only by an area that does not move: free
    TextArea& header = d.addFrame(0, 0, 1, 1);
    header.AreaType = atHeader;
    header.AnchorId = 102;
    EXPECT_EQ(d->getFreeAnkerID(), 102);

    // An id a line still holds is not handed out again.
    d->Areas[0].Lines[2].AnchorId = 102;
    d->Areas[0].Lines[1].AnchorId = 103;
    EXPECT_EQ(d->getFreeAnkerID(), 104);
}

TEST(FloatingAreas, FindAreaByAnchorId)
{
    Doc d;
    d.addFrame(0, 0, 1, 1).AnchorId = 100;       // 1
    d.addFrame(0, 0, 1, 1).AnchorId = 101;       // 2
    TextArea& fixed = d.addFrame(0, 0, 1, 1);    // 3
    fixed.AnchorId = 100;
    fixed.MoveWithText = 0;
    d.addFrame(0, 0, 1, 1).AnchorId = 100;       // 4
    d->Areas[0].AnchorId = 100;                  // a page body never counts

    EXPECT_EQ(d->getfieldWithAnkerID(0, 100), 1);
    EXPECT_EQ(d->getfieldWithAnkerID(2, 100), 4);
    EXPECT_EQ(d->getfieldWithAnkerID(5, 100), -1);
    EXPECT_EQ(d->getfieldWithAnkerID(99, 100), -1);
    EXPECT_EQ(d->getfieldWithAnkerID(-7, 101), 2);
    EXPECT_EQ(d->getfieldWithAnkerID(0, 555), -1);
}

} // namespace
