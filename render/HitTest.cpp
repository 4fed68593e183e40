// The renderer is the hit tester: there is no geometry model of the laid
// out page besides the paint pass itself. The mouse code stores a request
// and the mouse position, runs the pass, and reads the answers afterwards:
// cursor and anchor, a selected picture or grabbed object with its handle,
// the mouse zones for cursor shapes and drags, and the column borders a
// table drag moves. The caret is placed by the same pass.

#include "render/PaintPass.h"

#include "engine/DocWalk.h"
#include "render/Canvas.h"

#include <algorithm>
#include <cmath>

namespace quillet::paint {

namespace {

bool before(const TextPos& a, const TextPos& b)
{
    if (a.Area != b.Area) return a.Area < b.Area;
    if (a.Line != b.Line) return a.Line < b.Line;
    return a.Char < b.Char;
}

// Whether `area` is the anchor's area or reached from it through the flow
// links (at most area-count steps each way, so a broken chain cannot loop).
bool inAnchorFlow(const TMDIChild& w, int32_t area)
{
    const int32_t start = w.Anchor.Area;
    if (area == start) return true;
    const int32_t n = w.AreaCount();
    for (int32_t a = start, i = 0; validIndex(a, w.Areas.size()) && i < n; ++i) {
        a = w.Areas[size_t(a)].PrevInFlow;
        if (a == area) return true;
    }
    for (int32_t a = start, i = 0; validIndex(a, w.Areas.size()) && i < n; ++i) {
        a = w.Areas[size_t(a)].NextInFlow;
        if (a == area) return true;
    }
    return false;
}

} // namespace

void handleRects(int32_t x, int32_t y, int32_t w, int32_t h, int32_t size, PxRect out[8])
{
    const int32_t mx = x + w / 2 - 3;  // middles are 6 wide (or 6 high)
    const int32_t my = y + h / 2 - 3;
    out[0] = {x, y, x + size, y + size};
    out[1] = {x + w - size, y, x + w, y + size};
    out[2] = {x, y + h - size, x + size, y + h};
    out[3] = {x + w - size, y + h - size, x + w, y + h};
    out[4] = {mx, y, mx + 6, y + size};
    out[5] = {mx, y + h - size, mx + 6, y + h};
    out[6] = {x, my, x + size, my + 6};
    out[7] = {x + w - size, my, x + w, my + 6};
}

int32_t handleAt(int32_t x, int32_t y, int32_t w, int32_t h, int32_t size, int32_t mx, int32_t my)
{
    PxRect r[8];
    handleRects(x, y, w, h, size, r);
    for (int32_t i = 0; i < 8; ++i)
        if (r[i].contains(mx, my)) return i + 1;
    return 0;
}

void requestCaret(Pass& p, const LineGeometry& g, int32_t x, int32_t caretH)
{
    TMDIChild& w = p.W;
    if (!p.Policy.Interaction) return;
    const int32_t top = g.Ty + g.LineHpx - caretH;
    p.CaretRequested = true;
    p.CaretOnPage = true;
    p.CaretReqX = x - p.ScrollX;
    p.CaretReqY = p.PageY + top - p.ScrollY;
    p.CaretReqH = caretH;
    w.CaretHeight = caretH;
    const TextArea& a = w.Areas[size_t(p.Area)];
    w.CaretBelowMargin = top > p.Bottom - p.pxRound(a.InnerBottom) ? 1 : 0;
    if (!w.ColumnDragging) {
        p.CaretRuler = g.Ruler;
        p.CaretRulerValid = true;
    }
}

void glyphHit(Pass& p, const LineGeometry& g, int32_t j, int32_t cx, int32_t rx, int32_t glyphH,
              int32_t prevH)
{
    TMDIChild& w = p.W;
    if (!p.Policy.HitTests) return;
    if (!(w.ClickRequest || w.CursorRequest || w.DropLocateRequest)) return;
    TextArea& A = w.Areas[size_t(p.Area)];
    // 1. an object hit on this page takes the mouse from everything else
    if (p.HitArea >= 0 && p.HitArea != p.Area) return;
    if (A.AreaType > atFooter && p.HitArea != p.Area) return;
    // 2. the mouse on this page
    if (w.MouseY < p.PageY || w.MouseY > p.PageY + p.BitmapH) return;
    const int32_t mx = w.MouseX;
    const int32_t my = w.MouseY - p.PageY;
    const int32_t n = g.CharCount;
    const int32_t last = n > 0 ? n - 1 : 0;
    // 3. horizontal catch
    if (mx < cx) {
        if (j != 0) return;
        if (!g.SingleColumn && !g.FirstColumn && mx <= g.ColumnLeftBorder) return;
    }
    if (mx > rx) {
        if (j != last) return;
        if (!g.SingleColumn && !g.LastColumn && mx >= g.ColumnRightBorder) return;
    }
    // 4. vertical catch
    if (my < g.Ty) {
        const bool first = g.SingleColumn ? g.Line == 0 : g.ColumnFirstLine;
        if (!first) return;
    }
    if (my > g.By) {
        const bool lastLine = g.SingleColumn ? g.Line == A.LineCount() - 1 : g.ColumnLastLine;
        if (!lastLine) return;
    }
    // 5. inside the area (and the cell)
    if (my < p.Top || my > p.Bottom) return;
    if (g.InTable && (mx < g.CellLeft || mx > g.CellLeft + g.CellWidthPx - 1)) return;

    // 6.
    const bool rightHalf = mx > cx + (rx - cx) / 2;
    const int32_t caretH = rightHalf ? glyphH : prevH;

    // 7. drop position: only the red caret, nothing moves
    if (w.DropLocateRequest) {
        w.DropCaret.Found = 1;
        w.DropCaret.X = (rightHalf ? rx : cx) - p.ScrollX;
        w.DropCaret.Y = p.PageY + g.Ty + g.LineHpx - caretH - p.ScrollY;
        w.DropCaret.Width = 2 * kBorderSize;
        w.DropCaret.Height = caretH;
        return;
    }

    // 8. the position
    const int32_t pos = std::min(rightHalf ? j + 1 : j, n);
    const TextPos here{p.Area, g.Line, pos};
    // A plain left click with nothing selected comes with a cursor request
    // too; it still selects the line. A Shift click only moves the cursor.
    const bool shiftClick = w.ClickRequest && (w.MouseShift & 1);
    const bool lineSelect = w.ClickRequest && !shiftClick && j == 0 && mx <= cx;
    bool moved = false;
    if (shiftClick) {
        w.Cursor = here;
        moved = true;
    } else {
        const bool keepSelection =
            w.isThereAmarking() && (w.isinmarking(p.Area, g.Line, pos) || here == w.Cursor || here == w.Anchor);
        if (lineSelect || w.CursorRequest || !keepSelection) {
            if (w.CursorRequest && !w.ClickRequest && !inAnchorFlow(w, p.Area)) return;
            w.Cursor = here;
            if (w.ClickRequest) w.Anchor = here;
            moved = true;
            if (w.ClickRequest && j < n && A.Lines[size_t(g.Line)].Chars[size_t(j)].Kind == ckPicture) {
                const TextChar& c = A.Lines[size_t(g.Line)].Chars[size_t(j)];
                const int32_t ch = p.px(c.Height());
                const int32_t top = g.Ty + g.LineHpx - ch;
                if (mx >= cx && mx <= rx && my >= top && my <= g.By) {
                    w.Anchor = TextPos{p.Area, g.Line, j};
                    w.Cursor = TextPos{p.Area, g.Line, j + 1};
                    w.PictureClicked = 1;
                }
            }
        }
    }
    if (!moved) return;
    w.CaretHeight = caretH;
    p.invalidateFont();
    requestCaret(p, g, cx, caretH);
    w.CurrentPage = p.Page;

    // 9. whole-line selection
    if (lineSelect) {
        w.LineHit = 1;
        TextPos& c = w.Cursor;
        if (before(c, w.Anchor)) {
            c = TextPos{p.Area, std::max(0, g.Line - 1), 0};
        } else if (g.Line + 1 < A.LineCount()) {
            c = TextPos{p.Area, g.Line + 1, 0};
        } else {
            c = TextPos{p.Area, g.Line, n};
        }
    }
}

void tableBorderZones(Pass& p, int32_t area, int32_t line, int32_t l, int32_t t, int32_t r, int32_t b,
                      int32_t penWidth, const TMDIChild::RulerValuesRec& ruler)
{
    TMDIChild& w = p.W;
    if (!p.Policy.onScreen()) return;
    const PxRect zones[2] = {{l - 2, p.PageY + t, l + 2, p.PageY + b + 1},
                             {r - 2, p.PageY + t, r + penWidth + 2, p.PageY + b + 1}};
    for (int side = 0; side < 2; ++side) {
        const PxRect& z = zones[side];
        w.AddMouseObj(1, z.Left, z.Top, z.Right, z.Bottom);
        if (!(w.ClickRequest || w.RightClickRequest) || !p.Policy.HitTests) continue;
        if (w.MouseX < z.Left || w.MouseX > z.Right || w.MouseY < z.Top || w.MouseY > z.Bottom) continue;
        w.ClickRequest = w.CursorRequest = w.RightClickRequest = 0;
        w.ColumnDragging = 1;
        w.ColumnDragOldX = -1;
        w.RulerValues = ruler;
        w.FindAllTableTracks(area, line, side);
    }
}

void objectGrab(Pass& p, int32_t area, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    TMDIChild& w = p.W;
    {
        auto& d = w.ObjectDrag;
        const int32_t x = left - 6, y = top + p.PageY - 6;
        const int32_t wd = right - left + 12, ht = bottom - top + 12;
        d.Handle = handleAt(x, y, wd, ht, 7, w.MouseX, w.MouseY);
        d.Area = area;
        d.GrabX = w.MouseX - x;
        d.GrabY = w.MouseY - y;
        d.GrabRightX = w.MouseX - (right + 6);
        d.GrabBottomY = w.MouseY - (bottom + p.PageY + 6);
        d.Left = x;
        d.Top = y;
        d.Right = right + 6;
        d.Bottom = bottom + p.PageY + 6;
        d.Width = wd;
        d.Height = ht;
        d.LastX = -9999;
        d.PageOriginX = p.OriginX;
        d.PageOriginY = p.OriginY + p.PageY;
        d.MmPerPx = p.MmPerPx;
    }
}

void objectZones(Pass& p, int32_t area, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    TMDIChild& w = p.W;
    const int32_t x = left - 6, y = top + p.PageY - 6;
    const int32_t wd = right - left + 12, h = bottom - top + 12;
    w.AddMouseObj(2, x, y, x + 7, y + h);
    w.AddMouseObj(2, x + wd - 7, y, x + wd, y + h);
    w.AddMouseObj(2, x, y, x + wd, y + 7);
    w.AddMouseObj(2, x, y + h - 7, x + wd, y + h);
    if (validIndex(area, w.Areas.size()) && w.Areas[size_t(area)].AreaType > atTextFrame)
        w.AddMouseObj(2, x, y, x + wd, y + h);
    PxRect r[8];
    handleRects(x, y, wd, h, 7, r);
    for (int32_t i = 0; i < 8; ++i) w.AddMouseObj(3 + i, r[i].Left, r[i].Top, r[i].Right, r[i].Bottom);
}

void pictureHandles(Pass& p, TextChar& c, int32_t cx, int32_t ty, int32_t cw, int32_t ch)
{
    TMDIChild& w = p.W;
    const int32_t bw = cw + 1, bh = ch + 1;
    PxRect r[8];
    handleRects(cx, ty, bw, bh, 6, r);
    {
        // Frame and handles with a black not-xor pen and brush: each pixel
        // is inverted, so they show on any picture.
        PenScope pen(*p.Cv, PenMode::NotXor);
        p.Cv->rectangle(cx, ty, cx + bw, ty + bh, std::nullopt, 0u, 1);
        for (const PxRect& h : r) p.Cv->rectangle(h.Left, h.Top, h.Right, h.Bottom, 0u, 0u, 1);
    }
    const int32_t y = p.PageY + ty;
    handleRects(cx, y, bw, bh, 6, r);
    for (int32_t i = 0; i < 8; ++i) w.AddMouseObj(3 + i, r[i].Left, r[i].Top, r[i].Right, r[i].Bottom);
    if (!w.ClickRequest || w.RightClickRequest || !p.Policy.HitTests) return;
    const int32_t handle = handleAt(cx, y, bw, bh, 6, w.MouseX, w.MouseY);
    if (handle == 0) return;
    w.ClickRequest = w.CursorRequest = 0;
    auto& d = w.PictureDrag;
    d.Handle = handle;
    const int32_t box[4] = {cx, y, cx + bw, y + bh};
    std::copy(box, box + 4, d.Box);
    std::copy(box, box + 4, d.Dragged);
    d.LastX = -9999;
    d.Char = w.Cursor.Char > w.Anchor.Char ? w.Anchor : w.Cursor;
    d.MouseX = w.MouseX;
    d.MouseY = w.MouseY;
    (void)c;
}

} // namespace quillet::paint
