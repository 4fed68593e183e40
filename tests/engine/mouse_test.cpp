// Clicks, drags and double clicks on a headless window, answered by the
// real paint pass on the window's view image.

#include "engine/Childwin.h"
#include "platform/VirtualKeys.h"
#include "tests/support/RenderHelpers.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace quillet;
using namespace quillet::test;

namespace {

constexpr int32_t kLeft = 0;
constexpr int32_t kRight = 1;

uint32_t g_now = 10000;
uint32_t fakeClock() { return g_now; }

// Three paragraphs, with the pixel geometry of the first page.
struct Page : RenderDoc {
    int32_t left = 0, top = 0;
    double mmPerPx = 0;
    Page()
    {
        w.TickSource = fakeClock;
        type("First line of text\nSecond paragraph here\nThird");
        w.PageLocate.Request = 1;
        w.PageLocate.Y = 5;
        paint();
        w.PageLocate.Request = 0;
        left = w.PageLocate.OriginX + 1;
        top = w.PageLocate.OriginY + 2;
        mmPerPx = 25.39995 / w.DisplayDpi;
    }
    const TextArea& body() const { return w.Areas[0]; }
    // Just inside the left half of char j of a line (j = count: its end).
    int32_t x(int32_t line, int32_t j) const
    {
        double mm = body().InnerLeft;
        const TextLine& l = body().Lines[size_t(line)];
        for (int32_t i = 0; i < j; ++i) mm += l.Chars[size_t(i)].Width;
        return int32_t(std::trunc(mm / mmPerPx + left)) + 1;
    }
    // The vertical middle of a line.
    int32_t y(int32_t line) const
    {
        double mm = body().InnerTop;
        for (int32_t i = 0; i < line; ++i) mm += body().Lines[size_t(i)].Height;
        return int32_t(std::trunc(mm / mmPerPx + top)) +
               int32_t(std::trunc(body().Lines[size_t(line)].Height / mmPerPx)) / 2;
    }
    void down(int32_t line, int32_t j, uint8_t shift = 0, int32_t button = kLeft)
    {
        w.PaintBox1MouseDown(button, shift, x(line, j), y(line));
    }
    void move(int32_t line, int32_t j) { w.PaintBox1MouseMove(0, x(line, j), y(line)); }
    void up(int32_t line, int32_t j, uint8_t shift = 0, int32_t button = kLeft)
    {
        w.PaintBox1MouseUp(button, shift, x(line, j), y(line));
    }
    void click(int32_t line, int32_t j, uint8_t shift = 0)
    {
        down(line, j, shift);
        up(line, j, shift);
    }
    // The platform's order for a double click: press, release, double
    // click, the press that made it, release.
    void doubleClick(int32_t line, int32_t j)
    {
        click(line, j);
        w.PaintBox1DblClick();
        click(line, j);
    }
};

} // namespace

TEST(Mouse, ClickPlacesTheCaretTakesTheFocusAndClosesTheTypingRun)
{
    Page d;
    d.w.TypingRun = 1;
    d.click(1, 4);
    EXPECT_EQ(d.w.Cursor, (TextPos{0, 1, 4}));
    EXPECT_EQ(d.w.Anchor, d.w.Cursor);
    EXPECT_EQ(d.w.TypingRun, 0);
    EXPECT_GE(d.host.focusRequests, 1);
    // Requests do not outlive the click.
    EXPECT_EQ(d.w.ClickRequest, 0);
    EXPECT_EQ(d.w.CursorRequest, 0);
    EXPECT_EQ(d.w.DropLocateRequest, 0);
    // The caret stands at the char's left edge on that line.
    EXPECT_EQ(d.w.CaretX, d.x(1, 4) - 1);

    // The next key opens a new undo step.
    const size_t copies = d.w.UndoCopies.size();
    uint8_t k = 'x';
    d.w.getkeysKeyPress(k);
    EXPECT_EQ(d.w.UndoCopies.size(), copies + 1);
    EXPECT_EQ(d.body().Lines[1].Chars[4].Code, 'x');
}

TEST(Mouse, ShiftClickAndDragExtendTheSelection)
{
    Page d;
    d.click(0, 2);
    d.click(1, 3, ssShift);
    EXPECT_EQ(d.w.Anchor, (TextPos{0, 0, 2}));
    EXPECT_EQ(d.w.Cursor, (TextPos{0, 1, 3}));

    // A drag from a plain press: the anchor stays where the press was, the
    // cursor follows the mouse, also back before the anchor.
    Page e;
    e.down(1, 5);
    e.move(1, 9);
    EXPECT_EQ(e.w.Anchor, (TextPos{0, 1, 5}));
    EXPECT_EQ(e.w.Cursor, (TextPos{0, 1, 9}));
    e.move(0, 1);
    e.up(0, 1);
    EXPECT_EQ(e.w.Anchor, (TextPos{0, 1, 5}));
    EXPECT_EQ(e.w.Cursor, (TextPos{0, 0, 1}));
    // After the release, moving the mouse changes nothing.
    e.move(2, 2);
    EXPECT_EQ(e.w.Cursor, (TextPos{0, 0, 1}));
}

TEST(Mouse, PlainClickInsideASelectionPlacesTheCaretOnRelease)
{
    Page d;
    d.down(1, 2);
    d.move(1, 12);
    d.up(1, 12);
    ASSERT_TRUE(d.w.isThereAmarking());

    // The press keeps the selection (it might start a drag) ...
    d.down(1, 6);
    EXPECT_EQ(d.w.Anchor, (TextPos{0, 1, 2}));
    EXPECT_EQ(d.w.Cursor, (TextPos{0, 1, 12}));
    EXPECT_EQ(d.w.DropLocateRequest, 1);
    // ... and moving does not extend it.
    d.move(0, 1);
    EXPECT_EQ(d.w.Cursor, (TextPos{0, 1, 12}));
    // The release in the selection is a click there.
    d.up(1, 6);
    EXPECT_EQ(d.w.Anchor, (TextPos{0, 1, 6}));
    EXPECT_EQ(d.w.Cursor, (TextPos{0, 1, 6}));
    EXPECT_EQ(d.w.DropLocateRequest, 0);
    EXPECT_EQ(d.w.CursorRequest, 0);
}

TEST(Mouse, ReleaseOutsideThePressedSelectionMovesTheTextThere)
{
    Page d;
    d.down(1, 2);
    d.move(1, 8);
    d.up(1, 8);
    d.down(1, 4);
    d.move(2, 3);
    d.up(2, 3);
    std::string after;
    for (const TextLine& l : d.body().Lines)
        for (const TextChar& c : l.Chars) after += char(c.Code);
    // "cond p" leaves the second paragraph and lands after "Thi".
    EXPECT_EQ(after, "First line of textSearagraph hereThicond prd");
    EXPECT_EQ(d.w.Anchor, (TextPos{0, 2, 3}));
    EXPECT_EQ(d.w.Cursor, (TextPos{0, 2, 9}));
    EXPECT_TRUE(d.host.timer2Running) << "the moved text is shown";
}

TEST(Mouse, ClickOutsideASelectionDropsIt)
{
    Page d;
    d.down(0, 1);
    d.move(0, 5);
    d.up(0, 5);
    ASSERT_TRUE(d.w.isThereAmarking());
    d.click(2, 2);
    EXPECT_EQ(d.w.Anchor, (TextPos{0, 2, 2}));
    EXPECT_EQ(d.w.Cursor, (TextPos{0, 2, 2}));
}

TEST(Mouse, DoubleClickSelectsTheWordAndAQuickThirdPressTheParagraph)
{
    Page d;
    // "Second paragraph here": the word "paragraph" and its space.
    d.doubleClick(1, 9);
    EXPECT_EQ(d.w.Anchor, (TextPos{0, 1, 7}));
    EXPECT_EQ(d.w.Cursor, (TextPos{0, 1, 17}));
    EXPECT_EQ(d.w.ClickCount, 2);

    g_now += 499;
    d.click(1, 9);
    EXPECT_EQ(d.w.ClickCount, 0);
    EXPECT_EQ(d.w.Anchor, (TextPos{0, 1, 0}));
    EXPECT_EQ(d.w.Cursor.Line, 2) << "the paragraph runs to the next one's start";
    EXPECT_EQ(d.w.Cursor.Char, 0);

    // 500 ms or more after the double click the third press is a click.
    Page e;
    e.doubleClick(1, 9);
    g_now += 500;
    e.click(0, 3);
    EXPECT_EQ(e.w.Anchor, (TextPos{0, 0, 3}));
    EXPECT_EQ(e.w.Cursor, (TextPos{0, 0, 3}));
}

TEST(Mouse, DoubleClickWithASelectionDoesNothingBeyondTheClick)
{
    Page d;
    d.click(0, 1);
    d.click(0, 5, ssShift);
    ASSERT_TRUE(d.w.isThereAmarking());
    d.w.PaintBox1DblClick();
    EXPECT_EQ(d.w.ClickCount, 0);
    EXPECT_EQ(d.w.Anchor, (TextPos{0, 0, 1}));
    EXPECT_EQ(d.w.Cursor, (TextPos{0, 0, 5}));
}

TEST(Mouse, CtrlClickSelectsTheParagraph)
{
    Page d;
    d.click(1, 4, ssCtrl);
    EXPECT_EQ(d.w.Anchor, (TextPos{0, 1, 0}));
    EXPECT_EQ(d.w.Cursor, (TextPos{0, 2, 0}));
    EXPECT_EQ(d.w.CursorRequest, 0);
}

TEST(Mouse, RightClickMovesTheCursorButArmsNoDrag)
{
    Page d;
    d.down(2, 3, 0, kRight);
    EXPECT_EQ(d.w.Cursor, (TextPos{0, 2, 3}));
    EXPECT_EQ(d.w.Anchor, d.w.Cursor);
    EXPECT_EQ(d.w.CursorRequest, 0);
    EXPECT_EQ(d.w.RightClickRequest, 0);
    d.move(0, 1);
    d.up(0, 1, 0, kRight);
    EXPECT_EQ(d.w.Cursor, (TextPos{0, 2, 3}));
    EXPECT_EQ(d.w.Anchor, d.w.Cursor);
}

TEST(Mouse, ArmedObjectModeTakesNoTextClickAndTheRightButtonLeavesIt)
{
    Page d;
    d.click(0, 0);
    d.w.InsertMode = 2;
    const int32_t areas = d.w.AreaCount();
    d.down(1, 4);
    EXPECT_EQ(d.w.Cursor, (TextPos{0, 0, 0})) << "the press only starts the band";
    d.down(1, 4, 0, kRight);
    EXPECT_EQ(d.w.InsertMode, 0);
    d.up(1, 4);
    EXPECT_EQ(d.w.AreaCount(), areas) << "the mode went before the release";
    d.click(1, 4);
    EXPECT_EQ(d.w.Cursor, (TextPos{0, 1, 4}));
}

