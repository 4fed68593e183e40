// Mouse editing on the page: clicks place the caret, Shift+click and drags
// extend the selection, a double click selects the word and a third press
// soon after selects the paragraph.
//
// Nothing here computes text geometry. Each handler states what it wants
// to know (a hit request and the mouse point), runs the paint pass, and
// reads the answer from the cursor and anchor the pass left behind.

#include "engine/Childwin.h"
#include "platform/VirtualKeys.h"

#include <chrono>

namespace quillet {

namespace {

constexpr int32_t kLeftButton = 0;
constexpr int32_t kRightButton = 1;
// A third press closer than this to the double click selects the paragraph.
constexpr uint32_t kTripleClickMs = 500;

void setMousePoint(TMDIChild& w, int32_t x, int32_t y)
{
    w.MouseX = x;
    w.MouseY = y;
}

} // namespace

uint32_t TMDIChild::TickCount() const
{
    if (TickSource) return TickSource();
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void TMDIChild::PaintBox1MouseDown(int32_t button, uint8_t shift, int32_t x, int32_t y)
{
    Host->setFocus();
    // Whatever the click does, the next key starts a new undo step.
    TypingRun = 0;

    // The drawing commands arm the next drag on the page for a new object;
    // the right button takes that back. Drawing the object itself is not
    // done here.
    if (InsertMode > 0) {
        if (button == kRightButton) InsertMode = 0;
        return;
    }

    if (button == kLeftButton) {
        if (ClickCount == 1) {
            // The press that completes the double click; the word is selected.
            ClickCount = 2;
            return;
        }
        if (ClickCount == 2 && TickCount() - DoubleClickTick < kTripleClickMs) {
            ClickCount = 0;
            AbsatzMarkieren();
            OvertakeFont();
            return;
        }

        ClickCount = 0;
        RightClickRequest = 0;
        PictureClicked = 0;
        LineHit = 0;
        if (!isThereAmarking()) CursorRequest = 1;
        MouseShift = shift;
        ClickRequest = 1;
        DropLocateRequest = 0;
        setMousePoint(*this, x, y);
        const bool hadSelection = isThereAmarking();
        PaintBox1Paint();
        CursorRequest = 0;
        ClickRequest = 0;
        DropLocateRequest = 0;
        if (LineHit || hadSelection != isThereAmarking() || (shift & ssShift)) PaintBox1Paint();

        // Arm what a drag from here does: extend the selection, or (a press
        // inside a selection) maybe move it, which the release sorts out.
        if (!isThereAmarking()) CursorRequest = 1;
        if (LineHit) {
            DropLocateRequest = 0;
            CursorRequest = 1;
        } else {
            DropLocateRequest = hadSelection && isThereAmarking() && !(shift & ssShift) ? 1 : 0;
        }

        if (LinkMode == 1) {
            LinkMode = 0;
            RefreshContent();
        }

        if ((shift & ssCtrl) && LineHit) {
            uint16_t key = VK_A;
            getkeysKeyDown(key, ssCtrl);
            CursorRequest = 0;
        } else if ((shift & ssCtrl) && CursorRequest) {
            AbsatzMarkieren();
            CursorRequest = 0;
        }
        OvertakeFont();
        return;
    }

    if (button == kRightButton) {
        // The cursor goes to the glyph under the mouse unless the press
        // lands in the selection. The context menu is the frame's.
        CursorRequest = 0;
        RightClickRequest = 1;
        ClickRequest = 1;
        MouseShift = shift;
        setMousePoint(*this, x, y);
        const bool hadSelection = isThereAmarking();
        PaintBox1Paint();
        ClickRequest = 0;
        if (hadSelection != isThereAmarking()) PaintBox1Paint();
        RightClickRequest = 0;
    }
}

void TMDIChild::PaintBox1MouseMove(uint8_t /*shift*/, int32_t x, int32_t y)
{
    if (InsertMode > 0) return;
    // A press inside the selection waits for the release to tell a click
    // from a drag; moving text by dragging is not offered, so there is
    // nothing to show meanwhile.
    if (DropLocateRequest) return;
    if (CursorRequest) {
        setMousePoint(*this, x, y);
        // One pass suffices: the pass draws again by itself when the
        // cursor moved, so the new selection shows in full.
        PaintBox1Paint();
        OvertakeFont();
    }
}

void TMDIChild::PaintBox1MouseUp(int32_t button, uint8_t shift, int32_t x, int32_t y)
{
    if (InsertMode > 0) return;
    if (button != kLeftButton) return;
    CursorRequest = 0;
    OvertakeFont();

    if (!DropLocateRequest) return;

    // The press landed in the selection. Where would it drop?
    CursorRequest = 1;
    RightClickRequest = 0;
    const TextPos anchor = Anchor, cursor = Cursor;
    Anchor = Cursor;
    MouseShift = shift;
    ClickRequest = 1;
    setMousePoint(*this, x, y);
    DropLocateRequest = 0;
    PaintBox1Paint();
    CursorRequest = 0;
    ClickRequest = 0;
    const TextPos drop = Cursor;
    Anchor = anchor;
    Cursor = cursor;

    FindMarkingStart();
    const bool inside = drop == MarkingEnd || isinmarking(drop.Area, drop.Line, drop.Char);
    if (inside && !PictureClicked) {
        // A plain click in the selection: the caret goes there. The pass
        // above already drew the page without the selection.
        Anchor = Cursor = drop;
        OvertakeFont();
        return;
    }
    // Released elsewhere: the selection stays as it was (moving text by
    // drag and drop is not offered); show it again.
    Host->restartTimer2();
}

void TMDIChild::PaintBox1DblClick()
{
    if (isThereAmarking()) return;
    ClickCount = 1;
    DoubleClickTick = TickCount();
    WortMarkieren();
}

} // namespace quillet
