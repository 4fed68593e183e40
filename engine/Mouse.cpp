// Mouse editing on the page: clicks place the caret, Shift+click and drags
// extend the selection, a double click selects the word and a third press
// soon after selects the paragraph; drags draw new objects, move and resize
// floating areas and pictures, move table column borders, and move or copy
// the selected text; a right click builds the page's popup.
//
// Nothing here computes text geometry. Each handler states what it wants
// to know (a hit request and the mouse point), runs the paint pass, and
// reads the answer from the cursor, anchor and drag fields the pass left
// behind. Marks shown during a drag are overlay state the view draws.

#include "engine/Childwin.h"
#include "engine/ClipboardStream.h"
#include "engine/DocWalk.h"
#include "platform/VirtualKeys.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>

namespace quillet {

namespace mousegeom {

double mmPerPixel(int32_t dpi, double zoomPercent)
{
    if (dpi <= 0) dpi = 96;
    if (!(zoomPercent > 0)) zoomPercent = 100;
    return kMmPerInch / dpi / zoomPercent * 100;
}

InsertBox insertBoxFromDrag(int32_t x1, int32_t y1, int32_t x2, int32_t y2, bool moved, double mmPerPx,
                            int32_t originX, int32_t originY)
{
    InsertBox b;
    double l = (x1 - originX) * mmPerPx, r = (x2 - originX) * mmPerPx;
    double t = (y1 - originY) * mmPerPx, bo = (y2 - originY) * mmPerPx;
    const bool swapX = r < l, swapY = bo < t;
    if (swapX) std::swap(l, r);
    if (swapY) std::swap(t, bo);
    b.Rising = swapX != swapY ? 1 : 0;
    const double least = moved ? kMinDraggedMm : kMinClickedMm;
    // The far edge goes out; the corner the user started from stays.
    if (r - l < least) r = l + least;
    if (bo - t < least) bo = t + least;
    b.Left = l;
    b.Top = t;
    b.Right = r;
    b.Bottom = bo;
    return b;
}

bool handleMovesLeft(int32_t h) { return h == 0 || h == 1 || h == 3 || h == 7; }
bool handleMovesTop(int32_t h) { return h == 0 || h == 1 || h == 2 || h == 5; }
bool handleMovesRight(int32_t h) { return h == 0 || h == 2 || h == 4 || h == 8; }
bool handleMovesBottom(int32_t h) { return h == 0 || h == 3 || h == 4 || h == 6; }

AreaPlacement placeDraggedArea(const AreaPlacement& from, int32_t handle, int32_t dxPx, int32_t dyPx, double mmPerPx,
                               double pageWidth, double pageHeight, int32_t lastPage)
{
    AreaPlacement p = from;
    // The old millimetres plus the mouse's way: an edge the user did not
    // touch stays exactly where it was, and a move shifts nothing by the
    // width of the outline around the area.
    const double dx = dxPx * mmPerPx, dy = dyPx * mmPerPx;
    if (handleMovesLeft(handle)) p.Left += dx;
    if (handleMovesTop(handle)) p.Top += dy;
    if (handleMovesRight(handle)) p.Right += dx;
    if (handleMovesBottom(handle)) p.Bottom += dy;
    if (!(p.Left < p.Right)) {
        std::swap(p.Left, p.Right);
        p.Rising ^= 1;
    }
    if (!(p.Top < p.Bottom)) {
        std::swap(p.Top, p.Bottom);
        p.Rising ^= 1;
    }
    if (p.Right - p.Left < kMinAreaMm) p.Right = p.Left + kMinAreaMm;
    if (p.Bottom - p.Top < kMinAreaMm) p.Bottom = p.Top + kMinAreaMm;

    const double cx = (p.Left + p.Right) / 2;
    double shiftX = 0;
    if (cx < 0) shiftX = -cx;
    else if (cx > pageWidth) shiftX = pageWidth - cx;
    p.Left += shiftX;
    p.Right += shiftX;

    if (!(pageHeight > 0)) return p;
    lastPage = std::max(lastPage, 0);
    p.Page = std::clamp(p.Page, 0, lastPage);
    auto cy = [&] { return (p.Top + p.Bottom) / 2; };
    auto shiftY = [&](double d) {
        p.Top += d;
        p.Bottom += d;
    };
    while (cy() < 0 && p.Page > 0) {
        --p.Page;
        shiftY(pageHeight);
    }
    if (cy() < 0) shiftY(-cy());
    while (cy() > pageHeight && p.Page < lastPage) {
        ++p.Page;
        shiftY(-pageHeight);
    }
    // Past the last page there is no page to show the area on: it stays on
    // the last one, its centre on the bottom edge.
    if (cy() > pageHeight) shiftY(pageHeight - cy());
    return p;
}

void fitAspectRatio(int32_t handle, int32_t picWidth, int32_t picHeight, int32_t& left, int32_t& top,
                    int32_t& right, int32_t& bottom)
{
    if (handle < 1 || handle > 4 || picWidth <= 0 || picHeight <= 0) return;
    const int32_t w = std::abs(right - left), h = std::abs(bottom - top);
    const double ratio = double(picWidth) / picHeight;
    // Width for this height, or height for this width: the smaller box.
    int32_t nw = int32_t(std::trunc(h * ratio)), nh = h;
    if (nw > w) {
        nw = w;
        nh = int32_t(std::trunc(w / ratio));
    }
    // The corner opposite the handle stays.
    if (handle == 1 || handle == 3) left = right - nw;
    else right = left + nw;
    if (handle == 1 || handle == 2) top = bottom - nh;
    else bottom = top + nh;
}

bool columnPosition(const ColumnDragMap& map, int32_t x, bool noSnap, double& mm, int32_t& shownX)
{
    shownX = x;
    if (!map.usable()) return false;
    mm = map.Mm0 + (map.Mm1 - map.Mm0) * double(x - map.Px0) / double(map.Px1 - map.Px0);
    if (!noSnap) {
        mm = std::round(mm / kColumnSnapMm) * kColumnSnapMm;
        shownX = map.Px0 + int32_t(std::trunc((mm - map.Mm0) * (map.Px1 - map.Px0) / (map.Mm1 - map.Mm0)));
    }
    return true;
}

MouseCursor cursorForZone(int32_t kind)
{
    switch (kind) {
    case 1: return MouseCursor::SizeWE;
    case 2: return MouseCursor::SizeAll;
    case 3: case 6: return MouseCursor::SizeNWSE;   // top-left, bottom-right
    case 4: case 5: return MouseCursor::SizeNESW;   // top-right, bottom-left
    case 7: case 8: return MouseCursor::SizeNS;     // top, bottom
    case 9: case 10: return MouseCursor::SizeWE;    // left, right
    default: return MouseCursor::IBeam;
    }
}

std::vector<PopupItem> spellingPopupItems(const std::vector<std::string>& suggestions)
{
    // Each is put in at the top in turn: the best suggestion ends lowest,
    // right above the separator.
    std::vector<PopupItem> items;
    const size_t n = std::min<size_t>(5, suggestions.size());
    for (size_t i = n; i-- > 0;)
        items.push_back(PopupItem{PopupItem::Suggestion, int32_t(100 + i), suggestions[i]});
    items.push_back(PopupItem{PopupItem::Separator, 99, {}});
    items.push_back(PopupItem{PopupItem::IgnoreWord, 99, "Ignore word"});
    items.push_back(PopupItem{PopupItem::LearnWord, 99, "Learn word"});
    items.push_back(PopupItem{PopupItem::Separator, 99, {}});
    return items;
}

} // namespace mousegeom

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

// Where a click pass at (x, y) puts the caret, kept inside the text; the
// selection is given back as `anchor`..`cursor` afterwards.
TextPos caretFromClickPass(TMDIChild& w, int32_t x, int32_t y, TextPos anchor, TextPos cursor)
{
    w.ClickRequest = 1;
    setMousePoint(w, x, y);
    w.PaintBox1Paint();
    w.ClickRequest = 0;
    TextPos at = w.Cursor;
    w.Anchor = anchor;
    w.Cursor = cursor;
    w.ClampPositions();
    TMDIChild::ClampPosition(w.Areas, at);
    return at;
}

bool validArea(const TMDIChild& w, int32_t a) { return validIndex(a, w.Areas.size()); }

int32_t lastPageIndex(const TMDIChild& w)
{
    int32_t last = 0;
    for (const TextArea& a : w.Areas)
        if (a.AreaType == atPageBody) last = std::max(last, a.PageIndex);
    return last;
}

} // namespace

uint32_t TMDIChild::TickCount() const
{
    if (TickSource) return TickSource();
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool TMDIChild::MouseDragActive() const
{
    return Mouse.InsertDragging || PictureDrag.Handle > 0 || ColumnDragging || ObjectGrabbed ||
           DropLocateRequest || CursorRequest;
}

void TMDIChild::CancelMouseDrag()
{
    // Whatever the drag was doing is dropped: nothing is applied, the marks
    // go, and the next press starts afresh.
    Mouse.InsertDragging = 0;
    Mouse.InsertMoved = 0;
    Mouse.InsertEndX = -9999;
    PictureDrag.Handle = 0;
    ColumnDragging = 0;
    ColumnDragOldX = -1;
    Mouse.ColumnTracks.clear();
    ObjectGrabbed = 0;
    Mouse.ObjMoved = 0;
    DropLocateRequest = 0;
    CursorRequest = 0;
    Mouse.NoSnap = 0;
    Mouse.Overlay = {};
    Mouse.Cursor = MouseCursor::IBeam;
    Host->restartTimer2();
}

void TMDIChild::PaintBox1MouseDown(int32_t button, uint8_t shift, int32_t x, int32_t y)
{
    Host->setFocus();
    // Whatever the click does, the next key starts a new undo step.
    TypingRun = 0;
    Mouse.PopupPending = 0;
    // A mark some earlier drag left (a ruler drag ended by a key) is not this press's.
    Mouse.Overlay = {};

    // The drawing commands arm the next drag on the page for a new object;
    // the right button takes that back.
    if (InsertMode > 0) {
        if (button == kRightButton) {
            InsertMode = 0;
            Mouse.InsertDragging = 0;
            Mouse.Overlay = {};
        } else if (button == kLeftButton) {
            Mouse.InsertStartX = x;
            Mouse.InsertStartY = y;
            Mouse.InsertEndX = -9999;
            Mouse.InsertDragging = 1;
            Mouse.InsertMoved = 0;
        }
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
        Mouse.NoSnap = 0;
        RightClickRequest = 0;
        PictureClicked = 0;
        LineHit = 0;
        // The drag answers of the last press are stale.
        ObjectGrabbed = 0;
        Mouse.ObjMoved = 0;
        PictureDrag.Handle = 0;
        ColumnDragging = 0;
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
        // Every pass starts the border list afresh: the press's list is kept
        // for the release, whatever passes run in between.
        if (ColumnDragging) Mouse.ColumnTracks = TableTracks;
        else if (LineHit || hadSelection != isThereAmarking() || (shift & ssShift)) PaintBox1Paint();

        if (ColumnDragging) {
            // The border the pass found: the ruler values it took map the
            // mouse to millimetres (ruler pixels are client pixels).
            const RulerValuesRec& r = RulerValues;
            Mouse.ColumnMap = ColumnDragMap{r.HStartMm, r.HEndMm, r.HLeftPx + Host->scrollX(),
                                            r.HRightPx + Host->scrollX()};
            Mouse.ColumnDragX = x;
            return;
        }
        if (PictureDrag.Handle > 0) {
            // Remember which picture: the press's position may hold another
            // character by the release (a timer pass may re-break the line).
            const TextLine* l = lineAt(*this, PictureDrag.Char);
            const bool ok = l && validIndex(PictureDrag.Char.Char, l->Chars.size()) &&
                            l->Chars[size_t(PictureDrag.Char.Char)].Kind == ckPicture;
            if (!ok) PictureDrag.Handle = 0;
            else Mouse.PictureIndex = l->Chars[size_t(PictureDrag.Char.Char)].PictureIndex();
            return;
        }
        if (ObjectGrabbed) {
            Mouse.ObjLeft = ObjectDrag.Left;
            Mouse.ObjTop = ObjectDrag.Top;
            Mouse.ObjRight = ObjectDrag.Right;
            Mouse.ObjBottom = ObjectDrag.Bottom;
            Mouse.ObjMoved = 0;
        }

        // Arm what a drag from here does: extend the selection, or (a press
        // inside a selection) move it, which the release sorts out.
        if (!isThereAmarking()) CursorRequest = 1;
        if (LineHit) {
            DropLocateRequest = 0;
            CursorRequest = 1;
        } else {
            DropLocateRequest = hadSelection && isThereAmarking() && !(shift & ssShift) ? 1 : 0;
        }
        if (ObjectGrabbed) CursorRequest = 0;

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
        // lands in the selection.
        Mouse.NoSnap = 0;
        CursorRequest = 0;
        RightClickRequest = 1;
        ClickRequest = 1;
        MouseShift = shift;
        setMousePoint(*this, x, y);
        const bool hadSelection = isThereAmarking();
        PaintBox1Paint();
        ClickRequest = 0;
        if (ColumnDragging) Mouse.ColumnTracks = TableTracks;
        else if (hadSelection != isThereAmarking()) PaintBox1Paint();
        if (ColumnDragging) {
            // A border dragged with the right button is placed unsnapped.
            RightClickRequest = 0;
            Mouse.NoSnap = 1;
            const RulerValuesRec& r = RulerValues;
            Mouse.ColumnMap = ColumnDragMap{r.HStartMm, r.HEndMm, r.HLeftPx + Host->scrollX(),
                                            r.HRightPx + Host->scrollX()};
            Mouse.ColumnDragX = x;
            return;
        }
        if (!RightClickRequest) return;
        RightClickRequest = 0;
        // No zone took the click: the page's popup, with the spelling block
        // on a misspelt word.
        Mouse.PopupItems.clear();
        const TextLine* l = lineAt(*this, Cursor);
        if (l && validIndex(Cursor.Char, l->Chars.size()) &&
            GettingOpsB(l->Chars[size_t(Cursor.Char)].Flags, cfMisspelt)) {
            std::string word;
            GetActualWord(0, word);
            findewortvorschlaege(word);
            Mouse.PopupItems = mousegeom::spellingPopupItems(SuggestionList);
        }
        Mouse.PopupX = x;
        Mouse.PopupY = y;
        Mouse.PopupPending = 1;
    }
}

void TMDIChild::PopupItemChosen(const PopupItem& item)
{
    if (item.Kind == PopupItem::Separator) return;
    if (Mouse.Hooks.SpellingAction) Mouse.Hooks.SpellingAction(*this, item);
    else SpellingPopupAction(item);
}

void TMDIChild::PaintBox1MouseMove(uint8_t /*shift*/, int32_t x, int32_t y)
{
    Mouse.Cursor = LinkMode == 1 ? MouseCursor::HandPoint : MouseCursor::Default;

    if (InsertMode > 0) {
        Mouse.Cursor = MouseCursor::Cross;
        Mouse.InsertMoved = 1;
        if (Mouse.InsertDragging) {
            Mouse.InsertEndX = x;
            Mouse.InsertEndY = y;
            Mouse.Overlay = DragOverlay{DragOverlay::Rect, Mouse.InsertStartX, Mouse.InsertStartY, x, y};
        }
        return;
    }

    if (PictureDrag.Handle > 0) {
        auto& d = PictureDrag;
        int32_t l = d.Box[0], t = d.Box[1], r = d.Box[2], b = d.Box[3];
        if (mousegeom::handleMovesLeft(d.Handle)) l = x;
        if (mousegeom::handleMovesTop(d.Handle)) t = y;
        if (mousegeom::handleMovesRight(d.Handle)) r = x;
        if (mousegeom::handleMovesBottom(d.Handle)) b = y;
        if (validIndex(Mouse.PictureIndex, Pictures.size())) {
            const Dib& pic = Pictures[size_t(Mouse.PictureIndex)];
            mousegeom::fitAspectRatio(d.Handle, pic.Header.biWidth, std::abs(pic.Header.biHeight), l, t, r, b);
        }
        d.Dragged[0] = l;
        d.Dragged[1] = t;
        d.Dragged[2] = r;
        d.Dragged[3] = b;
        d.LastX = l;
        Mouse.Overlay = DragOverlay{DragOverlay::Rect, l, t, r, b};
        Mouse.Cursor = mousegeom::cursorForZone(2 + d.Handle);
        return;
    }

    if (ColumnDragging) {
        double mm = 0;
        int32_t shown = x;
        mousegeom::columnPosition(Mouse.ColumnMap, x, Mouse.NoSnap, mm, shown);
        Mouse.ColumnDragX = shown;
        ColumnDragOldX = shown;
        Mouse.Overlay = DragOverlay{DragOverlay::VLine, shown, 0, shown, PaintBoxHeight};
        Mouse.Cursor = MouseCursor::SizeWE;
        return;
    }

    if (ObjectGrabbed) {
        const auto& d = ObjectDrag;
        int32_t l = d.Left, t = d.Top, r = d.Right, b = d.Bottom;
        if (d.Handle == 0) {
            l = x - d.GrabX;
            t = y - d.GrabY;
            r = l + d.Width;
            b = t + d.Height;
        } else {
            if (mousegeom::handleMovesLeft(d.Handle)) l = x - d.GrabX;
            if (mousegeom::handleMovesTop(d.Handle)) t = y - d.GrabY;
            if (mousegeom::handleMovesRight(d.Handle)) r = x - d.GrabRightX;
            if (mousegeom::handleMovesBottom(d.Handle)) b = y - d.GrabBottomY;
        }
        Mouse.ObjLeft = l;
        Mouse.ObjTop = t;
        Mouse.ObjRight = r;
        Mouse.ObjBottom = b;
        Mouse.ObjMoved = 1;
        ObjectDrag.LastX = l;
        Mouse.Overlay = DragOverlay{DragOverlay::Rect, l, t, r, b};
        return;
    }

    if (DropLocateRequest) {
        // The pass shows where the text would go.
        setMousePoint(*this, x, y);
        Mouse.Cursor = MouseCursor::Drag;
        PaintBox1Paint();
        return;
    }

    if (CursorRequest) {
        setMousePoint(*this, x, y);
        // One pass suffices: the pass draws again by itself when the
        // cursor moved, so the new selection shows in full.
        PaintBox1Paint();
        Mouse.Cursor = MouseCursor::IBeam;
        OvertakeFont();
        return;
    }

    // Hovering: the last zone that holds the point decides.
    int32_t kind = 0;
    for (const MouseObj& z : MouseObjs)
        if (x >= z.Left && x < z.Right && y >= z.Top && y < z.Bottom) kind = z.Kind;
    if (LinkMode != 1) Mouse.Cursor = mousegeom::cursorForZone(kind);
    Mouse.OverColumnBorder = kind == 1 ? 1 : 0;
}

void TMDIChild::PaintBox1MouseUp(int32_t button, uint8_t shift, int32_t x, int32_t y)
{
    if (InsertMode > 0) {
        // Only a press on the page starts a new object; a release without
        // one (the press was the right button, or went elsewhere) does not.
        if (!Mouse.InsertDragging) return;
        Mouse.Overlay = {};
        const int32_t mode = InsertMode;
        const bool moved = Mouse.InsertMoved != 0;
        InsertMode = 0;
        Mouse.InsertDragging = 0;
        Mouse.InsertEndX = -9999;
        // The second corner is where the button came up (a plain click
        // has no band, only its point).
        const int32_t ex = moved ? x : Mouse.InsertStartX, ey = moved ? y : Mouse.InsertStartY;

        PageLocate = PageLocateRec{};
        PageLocate.Request = 1;
        PageLocate.Y = Mouse.InsertStartY;
        PageLocate.Page = validArea(*this, Cursor.Area) ? Areas[size_t(Cursor.Area)].PageIndex : 0;
        if (validArea(*this, Cursor.Area) && Areas[size_t(Cursor.Area)].AreaType > atPageBody &&
            Areas[size_t(Cursor.Area)].AreaType < atTextFrame)
            PageLocate.Page = CurrentPage;
        PaintBox1Paint();
        PageLocate.Request = 0;

        InsertBox box;
        if (PageLocate.Found) {
            box = mousegeom::insertBoxFromDrag(Mouse.InsertStartX, Mouse.InsertStartY, ex, ey, moved,
                                           mousegeom::mmPerPixel(DisplayDpi, ZoomPercent), PageLocate.OriginX,
                                           PageLocate.OriginY);
            box.Page = PageLocate.Page;
        } else {
            box.Left = box.Top = 50;
            box.Right = box.Bottom = 100;
            box.Page = std::max(0, CurrentPage);
        }
        box.Mode = mode;
        Mouse.LastInsert = box;
        if (mode == 1) TextfeldEinfuegen(box.Page, box.Left, box.Top, box.Right, box.Bottom);
        else InsertObject(mode - 2, box.Page, box.Rising, box.Left, box.Top, box.Right, box.Bottom);
        Host->restartTimer2();
        return;
    }

    if (PictureDrag.Handle > 0) {
        Mouse.Overlay = {};
        auto& d = PictureDrag;
        d.Handle = 0;
        // The press's picture, if it is still there.
        TextLine* l = lineAt(*this, d.Char);
        if (!l || !validIndex(d.Char.Char, l->Chars.size()) || l->Chars[size_t(d.Char.Char)].Kind != ckPicture ||
            l->Chars[size_t(d.Char.Char)].PictureIndex() != Mouse.PictureIndex) {
            Host->restartTimer2();
            return;
        }
        const double mmPx = mousegeom::mmPerPixel(DisplayDpi, ZoomPercent);
        const int32_t wpx = std::max(std::abs(d.Dragged[2] - d.Dragged[0]), mousegeom::kMinPicturePx);
        const int32_t hpx = std::max(std::abs(d.Dragged[3] - d.Dragged[1]), mousegeom::kMinPicturePx);
        // The new size is an edit like any other: undoable, and closing the
        // window asks to save it.
        MakeCopyForUndo("Format field");
        l = lineAt(*this, d.Char);
        TextChar& c = l->Chars[size_t(d.Char.Char)];
        c.Width = wpx * mmPx;
        c.setHeight(hpx * mmPx);
        l->Dirty = 1;
        RefreshDirtyContent();
        return;
    }

    if (ColumnDragging) {
        ColumnDragging = 0;
        ColumnDragOldX = -1;
        Mouse.Overlay = {};
        double mm = 0;
        int32_t shown = x;
        // Equal pixel references map nowhere: nothing is set.
        TableTracks = std::move(Mouse.ColumnTracks);
        Mouse.ColumnTracks.clear();
        if (mousegeom::columnPosition(Mouse.ColumnMap, x, Mouse.NoSnap, mm, shown) && !TableTracks.empty())
            SetTableTrack(mm);
        Mouse.NoSnap = 0;
        Host->restartTimer2();
        return;
    }

    if (button == kRightButton) return;
    if (button != kLeftButton) return;
    CursorRequest = 0;
    OvertakeFont();

    if (ObjectGrabbed) {
        ObjectGrabbed = 0;
        Mouse.Overlay = {};
        const int32_t ai = ObjectDrag.Area;
        if (Mouse.ObjMoved && validArea(*this, ai) && Areas[size_t(ai)].AreaType > atFooter) {
            Mouse.ObjMoved = 0;
            const auto& d = ObjectDrag;
            // The way the outline went, edge by edge; a move takes the left
            // and top edges' way for all four.
            const int32_t dx = mousegeom::handleMovesLeft(d.Handle) ? Mouse.ObjLeft - d.Left : Mouse.ObjRight - d.Right;
            const int32_t dy = mousegeom::handleMovesTop(d.Handle) ? Mouse.ObjTop - d.Top : Mouse.ObjBottom - d.Bottom;
            MakeCopyForUndo("Move field");
            TextArea& a = Areas[size_t(ai)];
            mousegeom::AreaPlacement from{a.Left, a.Top, a.Right, a.Bottom, a.PageIndex, a.Rising};
            const double mmPx = d.MmPerPx > 0 ? d.MmPerPx : mousegeom::mmPerPixel(DisplayDpi, ZoomPercent);
            const mousegeom::AreaPlacement to = mousegeom::placeDraggedArea(from, d.Handle, dx, dy, mmPx, PageWidth,
                                                                    PageHeight, lastPageIndex(*this));
            a.Left = to.Left;
            a.Top = to.Top;
            a.Right = to.Right;
            a.Bottom = to.Bottom;
            a.PageIndex = to.Page;
            a.Rising = to.Rising;
            a.AnchorId = 0;
            SetAllDirtyFlags();
            RefreshDirtyContent();
        }
        Mouse.ObjMoved = 0;
        Host->restartTimer2();
        return;
    }

    if (!DropLocateRequest) return;

    // The press landed in the selection. Where does it drop?
    Mouse.Cursor = MouseCursor::Default;
    Mouse.NoSnap = 0;
    CursorRequest = 1;
    RightClickRequest = 0;
    const TextPos anchor = Anchor, cursor = Cursor;
    if (!Mouse.OverColumnBorder) Anchor = Cursor;
    MouseShift = shift;
    DropLocateRequest = 0;
    const TextPos drop = caretFromClickPass(*this, x, y, anchor, cursor);
    CursorRequest = 0;

    FindMarkingStart();
    const bool inside = drop == MarkingEnd || isinmarking(drop.Area, drop.Line, drop.Char);
    if (inside || !isThereAmarking()) {
        if (!PictureClicked) {
            // A plain click in the selection: the caret goes there.
            Anchor = Cursor = drop;
            OvertakeFont();
            Host->restartTimer2();
        }
        return;
    }
    MoveMarkingTo(drop, (shift & ssCtrl) != 0);
}

namespace {

// The fragment pasted at `drop` in one go and selected where it landed.
void pasteSelectedAt(TMDIChild& w, const ClipFragment& f, TextPos drop)
{
    w.Cursor = w.Anchor = drop;
    const uint8_t quiet = w.NoRefresh;
    w.NoRefresh = 1;
    w.PasteFragment(f);
    w.NoRefresh = quiet;
    w.Anchor = drop;
    w.ClampPositions();
    w.InvalidateMarking();
    w.SetFileChanged(true);
    w.RefreshDirtyContent();
}

} // namespace

bool TMDIChild::MoveMarkingTo(TextPos drop, bool copy)
{
    // The drop goes through the same copy and paste as the clipboard, only
    // without the system clipboard: what a paste can carry, a drop can.
    if (!isThereAmarking() || !lineAt(*this, drop) || !PasteAllowedAt(drop)) {
        Host->restartTimer2();
        return false;
    }
    const ClipFragment f = CopyFragment();
    MakeCopyForUndo(copy ? "Insert" : "Cut");
    TypingRun = 0;
    // The drop point is kept valid by the same fix-ups as the cursor, so the
    // cut before it (on its line or before) cannot leave it pointing at
    // other text.
    RegisterPosition(&drop);
    if (!copy) {
        CutInProgress = 1;
        DeleteMarking();
        CutInProgress = 0;
    }
    UnregisterPosition(&drop);
    ClampPosition(Areas, drop);
    pasteSelectedAt(*this, f, drop);
    return true;
}

std::optional<TextPos> TMDIChild::LocateDrop(uint8_t shift, int32_t x, int32_t y)
{
    const TextPos anchor = Anchor, cursor = Cursor;
    const uint8_t cursorRequest = CursorRequest;
    Anchor = Cursor;
    CursorRequest = 1;
    MouseShift = shift;
    const TextPos drop = caretFromClickPass(*this, x, y, anchor, cursor);
    CursorRequest = cursorRequest;
    if (!lineAt(*this, drop) || !PasteAllowedAt(drop)) return std::nullopt;
    return drop;
}

bool TMDIChild::DropFragmentAt(const ClipFragment& f, TextPos drop)
{
    ClampPosition(Areas, drop);
    if (!lineAt(*this, drop) || !PasteAllowedAt(drop)) return false;
    MakeCopyForUndo("Insert");
    TypingRun = 0;
    pasteSelectedAt(*this, f, drop);
    return true;
}

void TMDIChild::DroppedElsewhere(bool copy)
{
    CancelMouseDrag();
    Mouse.Cursor = MouseCursor::Default;
    if (copy || !isThereAmarking()) return;
    MakeCopyForUndo("Cut");
    TypingRun = 0;
    CutInProgress = 1;
    DeleteMarking();
    CutInProgress = 0;
    ClampPositions();
    InvalidateMarking();
    SetFileChanged(true);
    RefreshDirtyContent();
}

void TMDIChild::PaintBox1DblClick()
{
    if (isThereAmarking()) return;
    ClickCount = 1;
    DoubleClickTick = TickCount();
    WortMarkieren();
}

} // namespace quillet
