#include "engine/Childwin.h"
#include "tests/support/RenderHelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace quillet;
using namespace quillet::test;

namespace {

constexpr double kMmPerPx = 25.39995 / 96;
int32_t px(double mm) { return int32_t(std::trunc(mm / kMmPerPx)); }

// A document of three paragraphs with the geometry of its first page.
struct Doc : RenderDoc {
    int32_t ox = 0, oy = 0;   // page origin in paint-box pixels
    int32_t left = 0, top = 0;
    Doc()
    {
        type("First line of text\nSecond paragraph here\nThird");
        w.PageLocate.Request = 1;
        w.PageLocate.Y = 5;
        paint();
        w.PageLocate.Request = 0;
        ox = w.PageLocate.OriginX;
        oy = w.PageLocate.OriginY;
        left = ox + 1;
        top = oy + 2;
    }
    const TextArea& body() const { return w.Areas[0]; }
    // Paint-box x of the left edge of char j of a line, and the line's top.
    int32_t charX(int32_t line, int32_t j) const
    {
        double x = body().InnerLeft;
        const TextLine& l = body().Lines[size_t(line)];
        for (int32_t i = 0; i < j; ++i) x += l.Chars[size_t(i)].Width;
        return int32_t(std::trunc(x / kMmPerPx + left));
    }
    int32_t lineY(int32_t line) const
    {
        double y = body().InnerTop;
        for (int32_t i = 0; i < line; ++i) y += body().Lines[size_t(i)].Height;
        return int32_t(std::trunc(y / kMmPerPx + top));
    }
    int32_t lineMid(int32_t line) const { return lineY(line) + px(body().Lines[size_t(line)].Height) / 2; }
};

} // namespace

TEST(HitTest, ClickInTheRightHalfOfAGlyphPutsTheCursorAfterItLeftHalfBefore)
{
    Doc d;
    const int32_t x2 = d.charX(1, 2), x3 = d.charX(1, 3);
    d.click(x3 - 1, d.lineMid(1));
    EXPECT_EQ(d.w.Cursor, (TextPos{0, 1, 3}));
    EXPECT_EQ(d.w.Anchor, d.w.Cursor);
    d.click(x2 + 1, d.lineMid(1));
    EXPECT_EQ(d.w.Cursor, (TextPos{0, 1, 2}));
    // The caret stands at the char boundary, in scroll box pixels.
    EXPECT_EQ(d.w.CaretX, x2);
    EXPECT_EQ(d.w.CurrentPage, 0);
}

TEST(HitTest, ClickLeftOfALineSelectsTheWholeLine)
{
    Doc d;
    d.click(d.left + 5, d.lineMid(0));
    EXPECT_EQ(d.w.LineHit, 1);
    EXPECT_EQ(d.w.Anchor, (TextPos{0, 0, 0}));
    EXPECT_EQ(d.w.Cursor, (TextPos{0, 1, 0}));
    // On the area's last line the selection runs to the line's end.
    Doc e;
    const int32_t last = e.body().LineCount() - 1;
    e.click(e.left + 5, e.lineMid(last));
    EXPECT_EQ(e.w.Cursor, (TextPos{0, last, e.body().Lines[size_t(last)].CharCount()}));
}

TEST(HitTest, ClickBelowTheLastLineLandsInTheLastLine)
{
    Doc d;
    const int32_t last = d.body().LineCount() - 1;
    d.click(d.charX(last, 1) + 1, d.lineY(last) + 200);
    EXPECT_EQ(d.w.Cursor, (TextPos{0, last, 1}));
    d.click(d.charX(last, 0) + 500, d.lineY(last) + 200);
    EXPECT_EQ(d.w.Cursor, (TextPos{0, last, d.body().Lines[size_t(last)].CharCount()}));
}

TEST(HitTest, ClickInsideASelectionLeavesItForDraggingShiftClickMovesOnlyTheCursor)
{
    Doc d;
    d.w.Anchor = TextPos{0, 1, 0};
    d.w.Cursor = TextPos{0, 1, 8};
    d.click(d.charX(1, 4) + 1, d.lineMid(1));
    EXPECT_EQ(d.w.Anchor, (TextPos{0, 1, 0}));
    EXPECT_EQ(d.w.Cursor, (TextPos{0, 1, 8}));
    d.click(d.charX(0, 3) + 1, d.lineMid(0), true);
    EXPECT_EQ(d.w.Anchor, (TextPos{0, 1, 0}));
    EXPECT_EQ(d.w.Cursor, (TextPos{0, 0, 3}));
}

TEST(HitTest, DropRequestShowsTheDropCaretAndMovesNothing)
{
    Doc d;
    d.w.Cursor = d.w.Anchor = TextPos{0, 0, 0};
    d.w.DropLocateRequest = 1;
    d.w.MouseX = d.charX(1, 5) + 1;
    d.w.MouseY = d.lineMid(1);
    d.paint();
    d.w.DropLocateRequest = 0;
    EXPECT_EQ(d.w.Cursor, (TextPos{0, 0, 0}));
    EXPECT_EQ(d.w.Anchor, (TextPos{0, 0, 0}));
    ASSERT_EQ(d.w.DropCaret.Found, 1);
    EXPECT_EQ(d.w.DropCaret.X, d.charX(1, 5));
    EXPECT_EQ(pixelAt(*d.w.ViewImage, d.w.DropCaret.X, d.w.DropCaret.Y + 1), 0x0000FFu) << "red drop caret";
}

TEST(HitTest, DragSelectIgnoresAreasOutsideTheAnchorsFlow)
{
    Doc d;
    d.w.Cursor = d.w.Anchor = TextPos{0, 1, 2};
    // A header on every page, with a line of text.
    int32_t header = -1;
    for (int32_t i = 0; i < d.w.AreaCount(); ++i)
        if (d.w.Areas[size_t(i)].AreaType == atHeader && d.w.Areas[size_t(i)].PageMode != 99) header = i;
    if (header < 0) GTEST_SKIP() << "no header in use";
    d.w.CursorRequest = 1;
    d.w.MouseX = d.left + 200;
    d.w.MouseY = d.top + 20;
    d.paint();
    d.w.CursorRequest = 0;
    EXPECT_EQ(d.w.Cursor.Area, 0);
}

TEST(HitTest, PictureClickSelectsItAndRegistersEightHandlesAfterEarlierZones)
{
    Doc d;
    TextChar& c = d.w.Areas[0].Lines[0].Chars[2];
    c.Kind = ckPicture;
    c.setPictureIndex(0);
    d.w.Pictures.emplace_back();
    newdib(&d.w.Pictures.back(), 8, 8, 24, nullptr, 0);
    d.click(d.charX(0, 2) + 1, d.lineMid(0));
    EXPECT_EQ(d.w.PictureClicked, 1);
    EXPECT_EQ(d.w.Anchor, (TextPos{0, 0, 2}));
    EXPECT_EQ(d.w.Cursor, (TextPos{0, 0, 3}));
    d.paint();
    int handles = 0;
    for (const MouseObj& z : d.w.MouseObjs) handles += z.Kind >= 3 && z.Kind <= 10;
    EXPECT_EQ(handles, 8);
    // The first handle zone is the top-left square of the picture box.
    for (const MouseObj& z : d.w.MouseObjs)
        if (z.Kind == 3) {
            EXPECT_EQ(z.Left, d.charX(0, 2));
            EXPECT_EQ(z.Right - z.Left, 6);
            break;
        }
}

TEST(HitTest, TableBorderOnTheThirdPageIsFoundLikeOnTheFirst)
{
    RenderDoc d;
    for (int i = 1; i <= 2; ++i) {
        d.w.NewPage(true);
        d.w.Areas.back().PageIndex = i;
    }
    // Put a table row on page 3's body (the third page body area).
    int32_t body = -1, n = 0;
    for (int32_t i = 0; i < d.w.AreaCount(); ++i)
        if (d.w.Areas[size_t(i)].AreaType == atPageBody && n++ == 2) body = i;
    ASSERT_GE(body, 0);
    std::vector<TextLine>& lines = d.w.Areas[size_t(body)].Lines;
    lines.assign(2, TextLine{});
    for (int i = 0; i < 2; ++i) {
        InitNewLine(lines, i);
        TextLine& l = lines[size_t(i)];
        l.IsCell = 1;
        l.CellsPerRow = 2;
        l.CellIndex = i;
        l.RowFirstRun = l.RowLastRun = 1;
        l.CellWidth = 80;
        l.CellInsetLeft = l.CellInsetRight = 0;
        SetStandardCellDesign(l.Design);
        l.Height = 6;
        l.Dirty = 0;
    }
    const int32_t page = d.w.Areas[size_t(body)].PageIndex;
    const int32_t pitch = int32_t(std::trunc(96.0 * d.w.PageHeightPx / 600)) + 21;
    d.paint();
    d.host.y = pitch * page;  // scrolled to that page
    d.paint();
    int32_t found = -1;
    for (size_t i = 0; i < d.w.MouseObjs.size(); ++i)
        if (d.w.MouseObjs[i].Kind == 1) {
            found = int32_t(i);
            break;
        }
    ASSERT_GE(found, 0);
    const MouseObj z = d.w.MouseObjs[size_t(found)];
    EXPECT_GE(z.Top, pitch * page) << "zones carry the page's y";
    d.click((z.Left + z.Right) / 2, (z.Top + z.Bottom) / 2);
    EXPECT_EQ(d.w.ColumnDragging, 1);
    ASSERT_FALSE(d.w.TableTracks.empty());
    EXPECT_EQ(d.w.TableTracks[0].Area, body);
    EXPECT_EQ(d.w.TableTracks[0].Side, 0);
    EXPECT_EQ(d.w.ClickRequest, 0);
}

