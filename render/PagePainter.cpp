// The page renderer: the one routine that turns the document into pixels,
// for the screen (all pages one below the other in the paint box, each
// composed in the page image and copied in one piece) and for a printer
// (one page at zoom 100). Beside drawing it answers the mouse code's hit
// requests, places the caret, writes wrap gaps and moves anchored areas
// with their lines; when any of that moves something layout depends on,
// layout runs again and the repaint timer brings the next pass.

#include "render/PaintPass.h"
#include "render/ScreenPass.h"

#include "engine/DocWalk.h"
#include "platform/Units.h"
#include "render/Canvas.h"
#include "render/DrawDib.h"
#include "render/ImageCanvas.h"
#include "platform/SelFont.h"
#include "platform/MessageBox.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quillet {

namespace paint {

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kDesk = 0x808080;
constexpr uint32_t kGuide = 0xC0C0C0;

int32_t clampPx(double v)
{
    if (!(v > -2e9)) return -2000000000;
    if (!(v < 2e9)) return 2000000000;
    return int32_t(v);
}

bool isFootnoteArea(const TextArea& a) { return a.AreaType == atFooter && a.FootnoteNumber > 0; }

} // namespace

bool SkipUnseenAreas = true;
bool IndexFloatingAreas = true;

int32_t Pass::px(double mm) const { return clampPx(std::trunc(mm / MmPerPx)); }
int32_t Pass::px(float mm) const { return px(double(mm) * (1.0 + 0x1p-23)); }

int32_t Pass::pxRound(double mm) const
{
    const double v = mm / MmPerPx;
    return clampPx(roundHalfEven(v));
}

void Pass::useFont(const std::string& face, int32_t size, uint8_t style, uint8_t charset)
{
    if (Font && FontSize == size && FontStyle == style && FontCharset == charset && FontFace == face) return;
    Font = selfont(face, Dpi, charset, style, size, Zoom);
    FontFace = face;
    FontSize = size;
    FontStyle = style;
    FontCharset = charset;
}

FontHandle tempFont(const Pass& p, const std::string& face, double size, uint8_t style, uint8_t charset)
{
    return selfont(face, p.Dpi, charset, style, size, p.Zoom);
}

// ---- Drawing helpers -------------------------------------------------------

void fillRect(Pass& p, int32_t l, int32_t t, int32_t r, int32_t b, uint32_t color)
{
    if (r <= l || b <= t) return;
    p.Cv->fillRect(l, t, r, b, color);
}

void fastFill(Pass& p, int32_t l, int32_t t, int32_t r, int32_t b, uint32_t color, int32_t limit)
{
    if (p.Bitmap && p.Policy.DirectFill) {
        if (l > limit) return;
        r = std::min(r, limit);
    }
    fillRect(p, l, t, r, b, color);
}

void invertRect(Pass& p, int32_t l, int32_t t, int32_t r, int32_t b)
{
    if (r <= l || b <= t) return;
    p.Cv->invertRect(l, t, r, b);
}

void drawLine(Pass& p, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t color, int32_t width)
{
    p.Cv->line(x1, y1, x2, y2, color, std::max(1, width));
}

// ---- Clipping --------------------------------------------------------------

namespace {

ClipBox intersect(const ClipBox& a, const ClipBox& b)
{
    ClipBox r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
              std::min(a.Bottom, b.Bottom)};
    r.Right = std::max(r.Right, r.Left);
    r.Bottom = std::max(r.Bottom, r.Top);
    return r;
}

} // namespace

void clipTo(Pass& p, const ClipBox& box)
{
    const ClipBox b = p.PageClip ? intersect(box, *p.PageClip) : box;
    // Nothing left of it (an area off the sheet, margins larger than the
    // area): the empty region is what every device takes as "clip
    // everything away"; an empty rectangle is not, everywhere.
    if (b.Right <= b.Left || b.Bottom <= b.Top) {
        p.Cv->setClipRegion({});
        return;
    }
    p.Cv->setClip(b.Left, b.Top, b.Right, b.Bottom);
}

void clipToRegion(Pass& p, const std::vector<ClipBox>& boxes)
{
    if (!p.PageClip) {
        p.Cv->setClipRegion(boxes);
        return;
    }
    std::vector<ClipBox> cut;
    for (const ClipBox& b : boxes) {
        const ClipBox c = intersect(b, *p.PageClip);
        if (c.Right > c.Left && c.Bottom > c.Top) cut.push_back(c);
    }
    // Nothing of the region on the page: an empty region clips all away.
    p.Cv->setClipRegion(cut);
}

void restoreClip(Pass& p)
{
    if (p.PageClip) p.Cv->setClip(p.PageClip->Left, p.PageClip->Top, p.PageClip->Right, p.PageClip->Bottom);
    else p.Cv->clearClip();
}

void drawText(Pass& p, const FontHandle& f, int32_t x, int32_t y, std::string_view text, uint32_t color)
{
    p.Cv->text(x, y, f, text, color);
}

void drawPicture(Pass& p, int32_t index, int32_t x, int32_t y, int32_t w, int32_t h)
{
    // A picture index past the list (a damaged file, a freed slot) draws
    // nothing rather than reading past the list.
    if (!validIndex(index, p.W.Pictures.size())) return;
    const Dib& d = p.W.Pictures[size_t(index)];
    if (d.empty() || w <= 0 || h <= 0) return;
    DrawDibOnDC(p.Cv, x, y, w, h, d, 0, 0, dibwidth(d), dibheight(d));
}

// ---- Areas -----------------------------------------------------------------

namespace {

struct AreaRect {
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
};

AreaRect areaRect(const Pass& p, const TextArea& a)
{
    const int32_t s = p.Policy.EdgeShift;
    AreaRect r;
    r.Left = p.px(a.Left) + s + p.OriginX;
    r.Top = p.px(a.Top) + 2 * s + p.OriginY;
    r.Right = p.px(a.Right) + s + p.OriginX;
    r.Bottom = p.px(a.Bottom) + 2 * s + p.OriginY;
    if (a.AnchorRight) r.Right = s + p.OriginX + p.PageW - p.px(a.Right) - 1;
    if (a.AnchorBottom) r.Bottom = 2 * s + p.OriginY + p.PageH - p.px(a.Bottom) - 1;
    if (a.AnchorTopToBottom && a.AnchorBottom) r.Top = 2 * s + p.OriginY + p.PageH - p.px(a.Top) - 1;
    return r;
}

bool shownOn(const TextArea& a, int32_t page)
{
    if (a.AreaType == atPageBody) return a.PageIndex == page;
    return TMDIChild::istOnAllPagesGedeckt(a.PageMode, a.PageIndex, page);
}

// A frame of `width` pixels inside the rectangle, not filled.
void frameRect(Pass& p, int32_t l, int32_t t, int32_t r, int32_t b, uint32_t color, int32_t width)
{
    if (r <= l || b <= t || width <= 0) return;
    p.Cv->rectangle(l, t, r, b, std::nullopt, color, width);
}

// Eight white squares with a black frame around a floating area.
void drawHandles(Pass& p, const AreaRect& r)
{
    PxRect h[8];
    handleRects(r.Left - 6, r.Top - 6, r.Right - r.Left + 12, r.Bottom - r.Top + 12, 7, h);
    for (const PxRect& q : h) p.Cv->rectangle(q.Left, q.Top, q.Right, q.Bottom, kWhite, 0u, 1);
}

// The 6-pixel ring around an area's rectangle, as four boxes.
std::vector<ClipBox> ringBoxes(const AreaRect& r)
{
    const int32_t l = r.Left - 6, t = r.Top - 6, rr = r.Right + 6, b = r.Bottom + 6;
    return {{l, t, rr, r.Top}, {l, r.Bottom, rr, b}, {l, r.Top, r.Left, r.Bottom}, {r.Right, r.Top, rr, r.Bottom}};
}

// Back-diagonal black hatching on white over a box, the diagonals on the
// canvas's own 8-pixel grid as a hatched brush lays them, so the pieces of
// a ring line up. Each diagonal is cut to the box, and only the part of
// the box on the canvas is walked: a frame dragged far off the page costs
// nothing.
void hatch(Pass& p, ClipBox box)
{
    box.Left = std::max(box.Left, 0);
    box.Top = std::max(box.Top, 0);
    box.Right = std::min(box.Right, p.Cv->width());
    box.Bottom = std::min(box.Bottom, p.Cv->height());
    if (box.Right <= box.Left || box.Bottom <= box.Top) return;
    fillRect(p, box.Left, box.Top, box.Right, box.Bottom, kWhite);
    // The pixels with x + y = c, for c on the grid, that lie in the box.
    const int64_t from = int64_t(box.Left) + box.Top, to = int64_t(box.Right) + box.Bottom - 2;
    for (int64_t c = from + ((8 - from % 8) % 8); c <= to; c += 8) {
        const int64_t y0 = std::max<int64_t>(box.Top, c - (box.Right - 1));
        const int64_t y1 = std::min<int64_t>(box.Bottom - 1, c - box.Left);
        if (y0 <= y1) drawLine(p, int32_t(c - y0), int32_t(y0), int32_t(c - y1 - 1), int32_t(y1 + 1), 0, 1);
    }
}

// A light guide line through both its end points.
void guideLine(Pass& p, int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    const int32_t ex = x2 + (x2 > x1) - (x2 < x1), ey = y2 + (y2 > y1) - (y2 < y1);
    if (ex == x1 && ey == y1) drawLine(p, x1, y1, x1 + 1, y1, kGuide, 1);
    else drawLine(p, x1, y1, ex, ey, kGuide, 1);
}

bool activeObject(const Pass& p, int32_t i)
{
    const TMDIChild& w = p.W;
    const TextArea& a = w.Areas[size_t(i)];
    if (a.Selected) return true;
    if (p.ObjectSelectedOnPage) return false;
    return (p.HitArea < 0 && i == w.Cursor.Area) || p.HitArea == i;
}

void drawArea(Pass& p, int32_t i)
{
    TMDIChild& w = p.W;
    TextArea& a = w.Areas[size_t(i)];
    const AreaRect r = areaRect(p, a);
    p.Area = i;
    p.Left = r.Left;
    p.Top = r.Top;
    p.Right = r.Right;
    p.Bottom = r.Bottom;
    const auto e = TMDIChild::FloatingAreaEdges(a, p.PageWmm, p.PageHmm);
    p.AreaLeftMm = e.Left;
    p.AreaTopMm = e.Top;
    p.InnerWmm = e.Right - a.Left - a.InnerLeft - a.InnerRight;
    p.InnerHmm = e.Bottom - e.Top - a.InnerTop - a.InnerBottom;

    int32_t pen = clampPx(std::nearbyint(a.BorderWidth * p.PxPerPt));
    if (a.BorderWidth != 0 && pen < 1) pen = 1;
    const bool hollow = a.Transparent && a.FillColor == kWhite;
    const bool outline = a.BorderWidth != 0 && pen > 0;

    switch (a.AreaType) {
    case atEllipse:
        p.Cv->ellipse(r.Left, r.Top, r.Right, r.Bottom, hollow ? std::nullopt : std::optional<uint32_t>(a.FillColor),
                     outline ? std::optional<uint32_t>(a.BorderColor) : std::nullopt, pen);
        break;
    case atLine:
        if (a.Rising) drawLine(p, r.Right, r.Top, r.Left, r.Bottom, a.BorderColor, pen);
        else drawLine(p, r.Left, r.Top, r.Right, r.Bottom, a.BorderColor, pen);
        break;
    case atHLine: {
        const int32_t my = r.Top + (r.Bottom - r.Top) / 2;
        drawLine(p, r.Left, my, r.Right, my, a.BorderColor, pen);
        break;
    }
    case atVLine: {
        const int32_t mx = r.Left + (r.Right - r.Left) / 2;
        drawLine(p, mx, r.Top, mx, r.Bottom, a.BorderColor, pen);
        break;
    }
    case atGraphic:
        if (!a.Lines.empty() && a.Lines[0].CharCount() == 1 && a.Lines[0].Chars[0].Kind == ckPicture) {
            const uint16_t idx = a.Lines[0].Chars[0].PictureIndex();
            int32_t wd = r.Right - r.Left + 1, ht = r.Bottom - r.Top + 1;
            if (a.KeepAspect && idx < w.Pictures.size() && !w.Pictures[idx].empty()) {
                const int32_t pw = dibwidth(w.Pictures[idx]), ph = dibheight(w.Pictures[idx]);
                // A picture without width keeps the box as it is.
                if (pw > 0 && ph > 0) {
                    const int32_t want = int32_t(int64_t(wd) * ph / pw);
                    if (want > ht) wd = int32_t(int64_t(ht) * pw / ph);
                    else ht = want;
                }
            }
            drawPicture(p, idx, r.Left, r.Top, wd, ht);
        }
        break;
    default:
        if (!hollow) fastFill(p, r.Left, r.Top, r.Right, r.Bottom, a.FillColor, p.BitmapW - 16);
        if (outline) frameRect(p, r.Left, r.Top, r.Right, r.Bottom, a.BorderColor, pen);
        break;
    }

    if (a.AreaType > atFooter && p.Policy.Interaction) {
        const bool active = activeObject(p, i);
        if (a.AreaType == atTextFrame && active) {
            // The ring of a frame being edited, clipped to the ring so the
            // hatching never reaches into the frame's own text.
            const std::vector<ClipBox> ring = ringBoxes(r);
            clipToRegion(p, ring);
            for (const ClipBox& b : ring) hatch(p, b);
            drawHandles(p, r);
            restoreClip(p);
        }
        // Again unclipped: the middle handles reach into the rectangle.
        if (active || a.Selected) drawHandles(p, r);
    }

    // Guide lines along the inner margins.
    if (!isFootnoteArea(a) && p.Policy.Helpers && !p.HideHelpLines && !w.PageView && a.BorderWidth == 0) {
        const int32_t yt = r.Top + p.pxRound(a.InnerTop);
        const int32_t yb = r.Bottom - p.pxRound(a.InnerBottom);
        const int32_t xl = r.Left + p.pxRound(a.InnerLeft);
        const int32_t xr = r.Right - p.pxRound(a.InnerRight);
        guideLine(p, xl, yt, xr, yt);
        guideLine(p, xl, yb, xr, yb);
        guideLine(p, xl, yt, xl, yb);
        guideLine(p, xr, yt, xr, yb);
    } else if (isFootnoteArea(a) && a.SeparatorLine && a.BorderWidth == 0) {
        const int32_t yt = r.Top + p.pxRound(a.InnerTop);
        const int32_t xl = r.Left + p.pxRound(a.InnerLeft), xr = r.Right - p.pxRound(a.InnerRight);
        if (xr > xl) drawLine(p, xl, yt, xr, yt, 0, 1);
    }

    if (a.AreaType < atRectangle) {
        const int32_t clipBottom = r.Bottom - p.pxRound(a.InnerBottom);
        clipTo(p, ClipBox{r.Left, r.Top, r.Right, clipBottom});
        p.invalidateFont();
        drawAreaLines(p);
        restoreClip(p);
        p.invalidateFont();
    }

    if (a.AreaType >= atRectangle && p.HitArea == i) {
        w.Cursor = w.Anchor = TextPos{i, 0, 0};
        w.CurrentPage = p.Page;
        p.CaretRequested = false;
    }
}

// Which areas of the page a click or cursor request hits; objects grabbed.
void objectHitTest(Pass& p, std::vector<uint8_t>& shown)
{
    TMDIChild& w = p.W;
    const bool shift = (w.MouseShift & 1) != 0;
    const int32_t my = w.MouseY - p.PageY;
    for (int32_t i = 0; i < w.AreaCount(); ++i) {
        if (!shown[size_t(i)]) continue;
        TextArea& a = w.Areas[size_t(i)];
        if (a.AreaType == atPageBody) continue;
        const AreaRect r = areaRect(p, a);
        const bool inside = w.MouseX >= r.Left + 1 && w.MouseX <= r.Right - 2 && my >= r.Top + 1 && my <= r.Bottom - 2;
        if (!shift) a.Selected = 0;
        if (inside) {
            p.HitArea = i;
            if (shift && a.AreaType > atFooter) a.Selected = a.Selected ? 0 : 1;
        }
        if (w.ClickRequest && a.AreaType > atFooter && i != p.HitArea &&
            (i == w.Cursor.Area || a.Selected || a.AreaType > atTextFrame)) {
            const bool grown = w.MouseX >= r.Left - 6 && w.MouseX < r.Right + 6 && my >= r.Top - 6 && my < r.Bottom + 6;
            if (grown) {
                p.HitArea = i;
                p.GrabbedArea = i;
                objectGrab(p, i, r.Left, r.Top, r.Right, r.Bottom);
            }
        }
    }
    if (p.GrabbedArea >= 0 && p.GrabbedArea == p.HitArea) {
        if (!w.RightClickRequest) w.ObjectGrabbed = 1;
        w.Areas[size_t(p.GrabbedArea)].Selected = 1;
        w.Cursor = w.Anchor = TextPos{p.GrabbedArea, 0, 0};
        w.ClickRequest = w.CursorRequest = 0;
    }
    if (shift) {
        for (int32_t i = 0; i < w.AreaCount(); ++i)
            if (shown[size_t(i)] && w.Areas[size_t(i)].AreaType > atFooter && w.Areas[size_t(i)].Selected) {
                w.ClickRequest = w.CursorRequest = 0;
                break;
            }
    }
}

void linkFrame(Pass& p, int32_t hit)
{
    TMDIChild& w = p.W;
    if (w.LinkMode != 1 || !validIndex(hit, w.Areas.size())) return;
    TextArea& a = w.Areas[size_t(hit)];
    if (a.AreaType != atTextFrame) return;
    if (a.PrevInFlow >= 0 || hit == w.LinkSource || hit == w.LinkHead || !validIndex(w.LinkSource, w.Areas.size())) {
        errorBox("This field is already connected!");
        return;
    }
    // A link is an edit like any other: it can be undone, and closing the
    // window asks to save it.
    w.MakeCopyForUndo("Link text fields");
    TextArea& linked = w.Areas[size_t(hit)];
    linked.PrevInFlow = w.LinkSource;
    w.Areas[size_t(w.LinkSource)].NextInFlow = hit;
    w.SetFileChanged(true);
}

void deskAndFrame(Pass& p)
{
    const int32_t ox = p.OriginX, oy = p.OriginY, pw = p.PageW, ph = p.PageH;
    const int32_t W = p.BitmapW, H = p.BitmapH;
    fastFill(p, 0, 0, ox, H, kDesk, W);
    fastFill(p, ox + pw + 2, 0, W, H, kDesk, W);
    fastFill(p, ox, 0, ox + pw + 2, oy, kDesk, W);
    fastFill(p, ox, oy + ph + 2, ox + pw + 2, H, kDesk, W);
    p.Cv->rectangle(ox, oy, ox + pw + 2, oy + ph + 2, kWhite, 0u, 1);
    fillRect(p, ox + pw + 2, oy + 2, ox + pw + 4, oy + ph + 4, 0);
    fillRect(p, ox + 2, oy + ph + 2, ox + pw + 4, oy + ph + 4, 0);
}

// The caret as the pass left it: placed, shown or hidden.
void placeCaret(Pass& p)
{
    TMDIChild& w = p.W;
    HostView& host = *w.Host;
    bool show = p.CaretRequested && !w.isThereAmarking() && !w.CaretBelowMargin && host.hasFocus() &&
                validIndex(w.Cursor.Area, w.Areas.size());
    if (show) {
        const TextArea& a = w.Areas[size_t(w.Cursor.Area)];
        show = a.AreaType < atTextFrame || (a.AreaType == atTextFrame && !a.Selected);
    }
    if (p.CaretRequested) {
        w.CaretX = p.CaretReqX;
        w.CaretY = p.CaretReqY;
        w.CaretWidth = 2 * kBorderSize;
        w.CaretOutside = w.CaretBelowMargin;
        if (p.CaretRulerValid) w.RulerValues = p.CaretRuler;
    }
    if (!show) {
        if (w.CaretShown) host.destroyCaret();
        w.CaretShown = 0;
        w.CaretCache.Valid = 0;
        return;
    }
    auto& c = w.CaretCache;
    const bool same = c.Valid && c.Width == w.CaretWidth && c.Height == p.CaretReqH && c.X == p.CaretReqX &&
                      c.Y == p.CaretReqY;
    if (!same) {
        if (c.Valid || w.CaretShown) host.destroyCaret();
        host.createCaret(w.CaretWidth, p.CaretReqH);
        host.setCaretPos(p.CaretReqX, p.CaretReqY);
        c.Valid = 1;
        c.Width = w.CaretWidth;
        c.Height = p.CaretReqH;
        c.X = p.CaretReqX;
        c.Y = p.CaretReqY;
        w.CaretShown = 0;
    }
    if (!w.CaretShown) host.showCaret();
    w.CaretShown = 1;
}

// Anchors come back after a pass that moved nothing: each floating area
// with a candidate line is tied to it by an id both hold.
void rebuildAnchors(TMDIChild& w)
{
    for (TextArea& q : w.Areas) {
        if (q.AreaType <= atFooter || q.CandDistance == -1) continue;
        if (!validIndex(q.CandArea, w.Areas.size())) continue;
        TextArea& owner = w.Areas[size_t(q.CandArea)];
        if (!validIndex(q.CandLine, owner.Lines.size())) continue;
        q.AnchorOffsetX = q.CandOffsetX;
        q.AnchorOffsetY = q.CandOffsetY;
        TextLine& l = owner.Lines[size_t(q.CandLine)];
        if (l.AnchorId > 0) {
            q.AnchorId = l.AnchorId;
        } else {
            const int32_t id = w.getFreeAnkerID();
            q.AnchorId = id;
            l.AnchorId = id;
        }
    }
}

} // namespace

// ---- The pass --------------------------------------------------------------

namespace {

// Messages a pass gives (a frame link refused, a device that cannot take a
// picture) wait until the pass is over: a modal box runs its own event loop,
// whose paint and timer events would start a pass inside this one. Each
// text is shown once per pass, however many pictures failed the same way.
class DeferredMessages final : public MessageBoxes {
public:
    DeferredMessages() : Previous(messageBoxes()) { setMessageBoxes(this); }
    ~DeferredMessages() override
    {
        setMessageBoxes(&Previous);
        for (const Message& m : Queue) {
            try {
                if (m.Utf8) Previous.showUtf8(m.Text, m.Caption, m.Icon, m.Buttons);
                else Previous.show(m.Text, m.Caption, m.Icon, m.Buttons);
            } catch (...) {
                // A message that cannot be shown is not worth ending the pass's caller for.
            }
        }
    }
    DeferredMessages(const DeferredMessages&) = delete;
    DeferredMessages& operator=(const DeferredMessages&) = delete;

    MsgResult show(std::string_view text, std::string_view caption, MsgIcon icon, MsgButtons buttons) override
    {
        return queue(text, caption, icon, buttons, false);
    }
    // Texts that name files keep their encoding to the box that shows them.
    MsgResult showUtf8(std::string_view text, std::string_view caption, MsgIcon icon, MsgButtons buttons) override
    {
        return queue(text, caption, icon, buttons, true);
    }

private:
    struct Message {
        std::string Text, Caption;
        MsgIcon Icon;
        MsgButtons Buttons;
        bool Utf8;
    };

    MsgResult queue(std::string_view text, std::string_view caption, MsgIcon icon, MsgButtons buttons, bool utf8)
    {
        const bool known = std::any_of(Queue.begin(), Queue.end(), [&](const Message& m) {
            return m.Text == text && m.Caption == caption && m.Icon == icon && m.Utf8 == utf8;
        });
        if (!known) Queue.push_back(Message{std::string(text), std::string(caption), icon, buttons, utf8});
        // Only plain notices are given inside a pass; they have one answer.
        return buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel ? MsgResult::Yes : MsgResult::Ok;
    }

    MessageBoxes& Previous;
    std::vector<Message> Queue;
};

// Marks the window as inside a pass for the pass's lifetime.
struct PassFlag {
    explicit PassFlag(TMDIChild& w) : W(w) { W.InPaintPass = 1; }
    ~PassFlag() { W.InPaintPass = 0; }
    PassFlag(const PassFlag&) = delete;
    PassFlag& operator=(const PassFlag&) = delete;
    TMDIChild& W;
};

// Sizes, scales and options of a pass, taken once for all its pages.
void passValues(Pass& p, const Canvas& target, int32_t originX, int32_t originY, int32_t pages)
{
    TMDIChild& w = p.W;
    const bool screen = p.Policy.onScreen();
    p.Dpi = target.dpi() > 0 ? target.dpi() : 96;
    p.Zoom = screen ? w.ZoomPercent : 100;
    // A zoom that is no number or not positive would divide by zero below.
    if (!(p.Zoom > 0) || !std::isfinite(p.Zoom)) p.Zoom = 100;
    p.MmPerPx = kMmPerInch / p.Dpi / p.Zoom * 100;
    p.PxPerPt = p.Zoom * (p.Dpi / 72.0) / 100;
    const int32_t printerDpi = w.PrinterDpi > 0 ? w.PrinterDpi : 600;
    p.PageW = clampPx(std::trunc(p.Zoom * (double(p.Dpi) * w.PageWidthPx / printerDpi) / 100));
    p.PageH = clampPx(std::trunc(p.Zoom * (double(p.Dpi) * w.PageHeightPx / printerDpi) / 100));
    p.PageWmm = double(w.PageWidthPx) / printerDpi * kMmPerInch;
    p.PageHmm = double(w.PageHeightPx) / printerDpi * kMmPerInch;
    p.Pages = pages;
    p.OriginX = screen ? kDeskMargin : originX;
    p.OriginY = screen ? kDeskMargin : originY;
    p.Pitch = p.PageH + kPageGap;
    p.ScrollX = screen && !p.Policy.Headless ? w.Host->scrollX() : 0;
    p.ScrollY = screen && !p.Policy.Headless ? w.Host->scrollY() : 0;

    const FrameOptions& o = w.Frame.Options;
    p.HideHelpLines = !o.ShowHelpLines;
    p.ShowAll = o.ShowNonPrinting != 0;
    p.ShowTab = o.ShowTab != 0;
    p.ShowSpace = o.ShowSpace != 0;
    p.ShowParagraphEnd = o.ShowParagraphEnd != 0;
    p.Spelling = o.SpellWhileTyping != 0;
    p.GridLines = screen && p.Policy.Helpers && !w.PageView && w.Frame.GridLines != 0;
}

// The screen's page image, sized for one page; false when the paint box
// had to be resized first (the pass ends there). The pages are centred in
// a window larger than they are.
bool pageImage(Pass& p, std::shared_ptr<ImageCanvas>& bitmap)
{
    TMDIChild& w = p.W;
    int64_t width = int64_t(p.OriginX) + p.PageW + 20;
    int64_t height = int64_t(p.Pitch) * (p.Pages - 1) + p.PageH + 36;
    if (!p.Policy.Headless) {
        const int32_t avail = w.Host->clientWidth() - kScrollBarSize - 4;
        if (width < avail) {
            p.OriginX += int32_t((avail + 1 - width) / 2);
            width = avail + 1;
        }
        const int32_t availH = w.Host->clientHeight() - kScrollBarSize - 4;
        if (height < availH) {
            p.OriginY += int32_t((availH + 1 - height) / 2);
            height = availH + 1;
        }
        const int32_t bw = clampPx(double(width)), bh = clampPx(double(height));
        if (bw != w.PaintBoxWidth || bh != w.PaintBoxHeight) {
            w.PaintBoxWidth = bw;
            w.PaintBoxHeight = bh;
            return false;
        }
    }
    p.BitmapW = p.OriginX + p.PageW + 20;
    p.BitmapH = p.OriginY + p.PageH + 20;
    if (!w.PageBitmap || w.PageBitmap->width() != p.BitmapW || w.PageBitmap->height() != p.BitmapH ||
        w.PageBitmap->dpi() != p.Dpi)
        w.PageBitmap = std::make_shared<ImageCanvas>(p.BitmapW, p.BitmapH, p.Dpi);
    bitmap = w.PageBitmap;
    return true;
}

// What the page images leave of the window shows the desk, as the scroll
// box around a smaller paint box would.
void deskBesideThePages(const Pass& p, Canvas& target)
{
    const int64_t right = int64_t(p.BitmapW) - p.ScrollX;
    const int64_t bottom = int64_t(p.Pitch) * (p.Pages - 1) + p.BitmapH - p.ScrollY;
    if (right < target.width())
        target.fillRect(int32_t(std::max<int64_t>(right, 0)), 0, target.width(), target.height(), kDesk);
    if (bottom < target.height())
        target.fillRect(0, int32_t(std::max<int64_t>(bottom, 0)), target.width(), target.height(), kDesk);
}

} // namespace

// The pages are those that have a body. A sound document has one for every
// index below the page count; a damaged one may name a page two billion
// pages on, and a pass that draws every page (a settle, or RenderAllPages)
// must not walk through the empty ones in between.
PageDirectory::PageDirectory(const TMDIChild& w) : AreaCount(w.Areas.size())
{
    int32_t last = 0;
    for (const TextArea& a : w.Areas)
        if (a.AreaType == atPageBody) last = std::max(last, a.PageIndex);
    Pages = last + 1;
    BodyPages.push_back(0);
    for (int32_t k = 0; k < int32_t(w.Areas.size()); ++k) {
        const TextArea& a = w.Areas[size_t(k)];
        if (a.AreaType == atPageBody && a.PageIndex > 0 && a.PageIndex < Pages) BodyPages.push_back(a.PageIndex);
        // A floating area anchored to a line moves to the line's page while
        // that page is drawn: the pass adds it to that page's areas then.
        if (a.AreaType == atPageBody || a.PageMode == 0) Tied.emplace_back(a.PageIndex, k);
        else Roaming.push_back(k);
    }
    std::sort(BodyPages.begin(), BodyPages.end());
    BodyPages.erase(std::unique(BodyPages.begin(), BodyPages.end()), BodyPages.end());
    std::sort(Tied.begin(), Tied.end());
}

bool PageDirectory::hasBody(int32_t page) const
{
    return std::binary_search(BodyPages.begin(), BodyPages.end(), page);
}

void PageDirectory::areasOn(int32_t page, std::vector<int32_t>& out) const
{
    out.clear();
    auto from = std::lower_bound(Tied.begin(), Tied.end(), std::pair<int32_t, int32_t>(page, INT32_MIN));
    auto to = from;
    while (to != Tied.end() && to->first == page) ++to;
    out.reserve(size_t(to - from) + Roaming.size());
    auto r = Roaming.begin();
    for (; from != to; ++from) {
        while (r != Roaming.end() && *r < from->second) out.push_back(*r++);
        out.push_back(from->second);
    }
    out.insert(out.end(), r, Roaming.end());
}

namespace {

// What the page loop of a pass shares between its pages.
struct PageLoop {
    PageLoop(Canvas& target, ImageCanvas* bitmap, int32_t pageIndex)
        : Target(target), Bitmap(bitmap), PageIndex(pageIndex)
    {
    }

    Canvas& Target;
    ImageCanvas* Bitmap;
    int32_t PageIndex;       // the one page a printed pass draws
    int32_t ClientH = 0;
    bool HitRequests = false;
    int32_t CursorPage = -1;     // the page the cursor stands on, -1 none
    std::vector<uint8_t> Shown;  // areas shown on the page being drawn
    std::vector<int32_t> ShownList;  // the same, as a list in area order
    // Areas a refresh pass has drawn off their own pages already, and those
    // it has not (in area order; made on the pass's first refresh page).
    std::vector<uint8_t> DrawnElsewhere;
    std::vector<int32_t> NotElsewhere;
    size_t NotElsewhereUpTo = 0;  // the areas NotElsewhere has taken in
    bool NotElsewhereMade = false;
    // Which areas each page can show.
    const PageDirectory* Dir = nullptr;
    std::optional<PageDirectory> OwnDir;
    std::vector<int32_t> Candidates;
    std::vector<int32_t> Floating;  // the candidates that float
    FloatingIndex FloatIndex;       // the same, filed by height
    std::vector<int32_t> Order;
    // The floating area the cursor stands in, where it was drawn.
    int32_t FloatingCursorPage = -1;
    AreaRect FloatingCursorRect;
    // The page being drawn is drawn only for what it writes back, and
    // whether a floating area on it takes part in wrapping or moves with
    // its line.
    bool Unseen = false;
    bool PageWraps = false;
};

// Whether the screen shows page i: it lies in the view, or the cursor
// stands on it.
bool pageSeen(const Pass& p, const PageLoop& loop, int32_t i)
{
    const bool visible =
        p.Policy.Headless || (p.PageY + p.BitmapH >= p.ScrollY && loop.ClientH + p.ScrollY >= p.PageY);
    return visible || i == loop.CursorPage;
}

// Whether page i is drawn: on screen the visible pages and the cursor's
// (or all of them when asked to), on a printed sheet only its own page.
bool pageDrawn(const Pass& p, const PageLoop& loop, int32_t i)
{
    const TMDIChild& w = p.W;
    if (p.Policy.onScreen()) return pageSeen(p, loop, i) || w.RenderAllPages || w.RefreshAfterPaint;
    // A printed or exported sheet carries its own page only: the screen's
    // "draw everything" flags would stack every page on it.
    return i == loop.PageIndex;
}

// Whatever the canvas was left with, a page starts in solid copy mode, with
// transparent text and only the page clip.
void startPage(Pass& p)
{
    if (p.Policy.ClipToPage) {
        const auto edge = [](int32_t origin, int32_t size) {
            return int32_t(std::min<int64_t>(int64_t(origin) + size, INT32_MAX));
        };
        p.PageClip = ClipBox{p.OriginX, p.OriginY, edge(p.OriginX, p.PageW), edge(p.OriginY, p.PageH)};
    }
    p.Cv->setPenMode(PenMode::Copy);
    p.Cv->setPenStyle(PenStyle::Solid);
    p.Cv->setTextBackground(std::nullopt);
    restoreClip(p);
}

// Which floating areas of the page are selected, and what a click or cursor
// request on the page hits.
void pageObjects(Pass& p, PageLoop& loop)
{
    TMDIChild& w = p.W;
    p.HitArea = -1;
    p.GrabbedArea = -1;
    p.CaretOnPage = false;
    if (p.Policy.Interaction) {
        for (const int32_t k : loop.ShownList) {
            TextArea& a = w.Areas[size_t(k)];
            if (a.AreaType <= atFooter) continue;
            if (!(w.MouseShift & 1) && loop.HitRequests) a.Selected = 0;
            if (a.AreaType > atTextFrame && k == w.Cursor.Area) a.Selected = 1;
        }
    }
    if (loop.HitRequests && (w.ClickRequest || w.CursorRequest) && w.MouseY >= p.PageY &&
        w.MouseY <= p.PageY + p.BitmapH) {
        objectHitTest(p, loop.Shown);
        linkFrame(p, p.HitArea);
    }
    p.ObjectSelectedOnPage = false;
    for (const int32_t k : loop.ShownList)
        if (w.Areas[size_t(k)].AreaType > atFooter && w.Areas[size_t(k)].Selected) p.ObjectSelectedOnPage = true;
}

// Whether drawing area k on a page nobody sees can write anything back:
// text beside a floating area that wraps or moves (wrap gaps, anchor
// candidates), gaps left from an earlier pass, lines carrying anchored
// areas, table cells (their widths), "page" fields (the number of the page)
// and the cursor's area. Anything else would only be drawn into the
// discarded image; on a record move through a long document that was
// nearly all of the pass.
bool writesBackUnseen(const Pass& p, const PageLoop& loop, int32_t k)
{
    const TMDIChild& w = p.W;
    const TextArea& a = w.Areas[size_t(k)];
    if (loop.HitRequests || k == w.Cursor.Area) return true;
    if (a.AreaType >= atRectangle) return false;
    if (a.AreaType <= atFooter && loop.PageWraps) return true;
    for (const TextLine& l : a.Lines) {
        if (l.AnchorId > 0 || l.IsCell || (l.Para->BulletFace && l.Para->BulletFace->empty())) return true;
        for (const TextChar& c : l.Chars)
            if (c.GapBefore() != 0 || (c.Kind == ckField && c.FieldCode() && *c.FieldCode() == "page")) return true;
    }
    return false;
}

// The areas a refresh pass visits on a page: those shown on it, and those
// not yet drawn on any page (the first page takes nearly all of them).
const std::vector<int32_t>& refreshOrder(const TMDIChild& w, PageLoop& loop)
{
    if (!loop.NotElsewhereMade) {
        loop.NotElsewhereMade = true;
        for (size_t k = 0; k < loop.DrawnElsewhere.size(); ++k)
            if (!loop.DrawnElsewhere[k]) loop.NotElsewhere.push_back(int32_t(k));
        loop.NotElsewhereUpTo = loop.DrawnElsewhere.size();
    }
    for (size_t k = loop.NotElsewhereUpTo; k < w.Areas.size(); ++k) loop.NotElsewhere.push_back(int32_t(k));
    loop.NotElsewhereUpTo = std::max(loop.NotElsewhereUpTo, w.Areas.size());
    loop.Order.clear();
    std::set_union(loop.ShownList.begin(), loop.ShownList.end(), loop.NotElsewhere.begin(),
                   loop.NotElsewhere.end(), std::back_inserter(loop.Order));
    return loop.Order;
}

// The page's areas: bodies first, then headers and footers, then floating
// areas on top.
void pageAreas(Pass& p, PageLoop& loop, int32_t i)
{
    TMDIChild& w = p.W;
    const bool screen = p.Policy.onScreen();
    const bool refresh = screen && w.RefreshAfterPaint;
    const std::vector<int32_t>& order = refresh ? refreshOrder(w, loop) : loop.ShownList;
    for (int32_t kind = 0; kind < 3; ++kind) {
        for (const int32_t k : order) {
            const TextArea& a = w.Areas[size_t(k)];
            const int32_t areaKind = a.AreaType == atPageBody ? 0 : a.AreaType <= atFooter ? 1 : 2;
            if (areaKind != kind) continue;
            if (!loop.Shown[size_t(k)]) {
                // A refresh pass visits every area for what it writes back;
                // once per pass is enough: on every page it made the first
                // paint of a long imported file cost the square of its pages.
                if (!refresh || loop.DrawnElsewhere[size_t(k)]) continue;
                loop.DrawnElsewhere[size_t(k)] = 1;
            }
            if (loop.Unseen && !writesBackUnseen(p, loop, k)) continue;
            drawArea(p, k);
            if (k == w.Cursor.Area && a.AreaType > atFooter && screen && loop.Shown[size_t(k)]) {
                loop.FloatingCursorPage = i;
                loop.FloatingCursorRect = areaRect(p, w.Areas[size_t(k)]);
            }
        }
    }
    if (refresh)
        std::erase_if(loop.NotElsewhere, [&loop](int32_t k) { return loop.DrawnElsewhere[size_t(k)] != 0; });
}

void drawPage(Pass& p, PageLoop& loop, int32_t i)
{
    TMDIChild& w = p.W;
    const bool screen = p.Policy.onScreen();
    p.Page = i;
    p.PageY = screen ? int32_t(std::min<int64_t>(int64_t(p.Pitch) * i, 2000000000)) : 0;
    const int32_t pageY = p.PageY;
    if (w.PageLocate.Request && pageY <= w.PageLocate.Y && w.PageLocate.Y <= pageY + p.BitmapH) {
        w.PageLocate.Found = 1;
        w.PageLocate.OriginX = p.OriginX;
        w.PageLocate.OriginY = pageY + p.OriginY;
        w.PageLocate.Page = i;
    }
    if (!pageDrawn(p, loop, i)) return;

    // A page drawn only because every page must be (a mail-merge record, a
    // settle) still runs the whole pass for what it writes back (wrap gaps,
    // anchors, hit boxes), but nobody sees its image: with hundreds of pages
    // the rasterising would be nearly all of the pass's time. A headless
    // pass shows no page at all.
    const bool unseen = screen && loop.Bitmap && (p.Policy.Headless || !pageSeen(p, loop, i));
    if (unseen) loop.Bitmap->setDiscarding(true);
    // Page flow may have added areas since the pass began.
    if (loop.Dir->outOf(w)) loop.Dir = &loop.OwnDir.emplace(w);
    loop.Shown.resize(w.Areas.size(), 0);
    loop.DrawnElsewhere.resize(w.Areas.size(), 0);
    for (const int32_t k : loop.ShownList) loop.Shown[size_t(k)] = 0;
    loop.ShownList.clear();
    loop.PageWraps = false;
    loop.Dir->areasOn(i, loop.Candidates);
    loop.Floating.clear();
    for (const int32_t k : loop.Candidates) {
        const TextArea& a = w.Areas[size_t(k)];
        if (a.AreaType > atFooter) loop.Floating.push_back(k);
        if (!shownOn(a, i)) continue;
        loop.Shown[size_t(k)] = 1;
        loop.ShownList.push_back(k);
        if (a.AreaType > atFooter && (a.WrapText || a.MoveWithText)) loop.PageWraps = true;
    }
    loop.Unseen = unseen && p.Policy.WriteBack && SkipUnseenAreas;
    // Of a page copied to the screen only the rows in the view are shown:
    // the rest of its image is neither filled nor drawn.
    if (loop.Bitmap) {
        const int64_t top = int64_t(p.ScrollY) - pageY;
        if (screen && !unseen && !p.Policy.Headless && !w.RefreshAfterPaint)
            loop.Bitmap->setDrawnRows(int32_t(std::clamp<int64_t>(top, INT32_MIN, INT32_MAX)),
                                      int32_t(std::clamp<int64_t>(top + loop.Target.height(), INT32_MIN, INT32_MAX)));
        else
            loop.Bitmap->drawAllRows();
    }
    startPage(p);
    if (p.Policy.DeskAndFrame && loop.Bitmap) deskAndFrame(p);
    pageObjects(p, loop);
    p.PageFloating = &loop.Floating;
    loop.FloatIndex.reset(&loop.Floating, i);
    p.PageFloatIndex = IndexFloatingAreas ? &loop.FloatIndex : nullptr;
    pageAreas(p, loop, i);
    p.PageFloating = nullptr;
    p.PageFloatIndex = nullptr;
    if (unseen) {
        loop.Unseen = false;
        loop.Bitmap->setDiscarding(false);
        return;
    }

    if (screen && !p.Policy.Headless) {
        if (!w.RefreshAfterPaint) loop.Target.drawImage(*loop.Bitmap, -p.ScrollX, pageY - p.ScrollY);
    }
    if (loop.Bitmap) loop.Bitmap->drawAllRows();
}

// After the pages of a screen pass: the zones of the floating area being
// edited, the drop caret and the caret.
void screenAfterPages(Pass& p, const PageLoop& loop)
{
    TMDIChild& w = p.W;
    if (loop.FloatingCursorPage >= 0) {
        const int32_t saved = p.PageY;
        p.PageY = p.Pitch * loop.FloatingCursorPage;
        objectZones(p, w.Cursor.Area, loop.FloatingCursorRect.Left, loop.FloatingCursorRect.Top,
                    loop.FloatingCursorRect.Right, loop.FloatingCursorRect.Bottom);
        p.PageY = saved;
    }
    if (w.DropCaret.Found)
        loop.Target.fillRect(w.DropCaret.X, w.DropCaret.Y, w.DropCaret.X + w.DropCaret.Width,
                             w.DropCaret.Y + w.DropCaret.Height, 0x0000FF);
    placeCaret(p);
}

// The edit menu and the status bar's page, line and column.
void statusAndMenus(const Pass& p)
{
    TMDIChild& w = p.W;
    w.Ui->editMenuChanged();
    if (w.Ui->activeChild() == &w) {
        int32_t n = 1;
        if (validIndex(w.Cursor.Area, w.Areas.size())) {
            const TextArea& a = w.Areas[size_t(w.Cursor.Area)];
            n = (a.PageMode != 0 ? w.CurrentPage : a.PageIndex) + 1;
        }
        w.Ui->setStatusText(0, "P " + std::to_string(n) + "     " + std::to_string(n) + "/" + std::to_string(p.Pages));
        w.Ui->setStatusText(1, "Ro " + std::to_string(w.Cursor.Line + 1) + "     Co " +
                                   std::to_string(w.Cursor.Char + 1));
    }
    w.RubberBandX = -9999;
}

// A pass that moved what layout depends on lays out again and asks for the
// next pass. Wrap gaps and anchored moves can swing back and forth for ever
// (a character gapped, broken onto the next line, no longer meeting the
// frame, gap 0 again, ...): after a run of changing passes the result
// stands as it is.
void settleAfterPass(const Pass& p)
{
    TMDIChild& w = p.W;
    const bool settled = !p.Changed || ++w.ChangedPassRun >= kMaxSettlePasses;
    if (p.Changed) w.MakeSoftEnters();
    if (!settled) {
        if (!p.Policy.Headless) {
            w.Host->stopTimer2();
            w.Host->restartTimer2();
        }
    } else {
        w.ChangedPassRun = 0;
        w.RenderAllPages = 0;
        rebuildAnchors(w);
    }
}

} // namespace

// Returns false when the paint box was resized (the pass ends there).
bool drawPages(TMDIChild& w, Canvas& target, const RenderPolicy& policy, int32_t pageIndex, int32_t originX,
               int32_t originY, const PageCanvasTap& tap, const PageDirectory* job)
{
    // A pass asked for from inside a pass would rebuild the zones, fonts and
    // requests the outer one is still using.
    if (w.InPaintPass) return true;
    // Declared first, destroyed last: the messages come after the flag is down.
    DeferredMessages messages;
    PassFlag inPass(w);

    const bool screen = policy.onScreen();
    if (screen) {
        w.FreeMouseObjs();
        w.FreeTableTrack();
        w.DropCaret.Found = 0;
    }

    std::optional<PageDirectory> own;
    const PageDirectory& pages = job && !job->outOf(w) ? *job : own.emplace(w);
    Pass pass(w);
    pass.Policy = policy;
    passValues(pass, target, originX, originY, pages.pages());

    std::shared_ptr<ImageCanvas> bitmap;
    if (screen && !pageImage(pass, bitmap)) return false;
    pass.Cv = bitmap ? (tap ? &tap(*bitmap) : static_cast<Canvas*>(bitmap.get())) : &target;
    pass.Bitmap = bitmap.get();
    if (!bitmap) {
        pass.BitmapW = target.width();
        pass.BitmapH = target.height();
    }

    // The anchor search of this pass starts afresh; a printed page searches none.
    if (policy.WriteBack)
        for (TextArea& a : w.Areas) a.CandDistance = -1;

    PageLoop loop(target, bitmap.get(), pageIndex);
    loop.Dir = &pages;
    loop.ClientH = screen && !policy.Headless ? w.Host->clientHeight() : 0;
    loop.HitRequests = policy.HitTests && (w.ClickRequest || w.CursorRequest);
    loop.Shown.assign(w.Areas.size(), 0);
    loop.DrawnElsewhere.assign(w.Areas.size(), 0);
    if (validIndex(w.Cursor.Area, w.Areas.size())) {
        const TextArea& a = w.Areas[size_t(w.Cursor.Area)];
        loop.CursorPage = a.PageMode != 0 && a.AreaType != atPageBody ? w.CurrentPage : a.PageIndex;
    }

    if (screen && !policy.Headless && bitmap && !w.RefreshAfterPaint) deskBesideThePages(pass, target);
    if (!screen && !w.PageLocate.Request) {
        // A printed sheet shows its own page and no other.
        if (pages.hasBody(pageIndex)) drawPage(pass, loop, pageIndex);
    } else {
        for (const int32_t i : pages.bodyPages()) drawPage(pass, loop, i);
    }
    if (screen && !policy.Headless) screenAfterPages(pass, loop);

    // End of the pass. A printer's canvas goes back unclipped.
    if (pass.PageClip) pass.Cv->clearClip();
    pass.invalidateFont();
    w.ClickRequest = 0;
    if (screen && !policy.Headless) statusAndMenus(pass);
    w.LastPassChanged = pass.Changed ? 1 : 0;
    if (policy.WriteBack) settleAfterPass(pass);
    if (screen && w.RefreshAfterPaint) {
        w.RefreshAfterPaint = 0;
        w.CompleteRefresh();
    }
    return true;
}

} // namespace paint

void TMDIChild::DrawPages(Canvas& target, uint8_t toPrinter, int32_t pageIndex, int32_t originX, int32_t originY)
{
    paint::drawPages(*this, target, toPrinter ? RenderPolicy::printer() : RenderPolicy::screen(), pageIndex,
                     originX, originY);
}

void PaintScreen(TMDIChild& w)
{
    const int32_t width = std::max(1, w.Host->clientWidth());
    const int32_t height = std::max(1, w.Host->clientHeight());
    const int32_t dpi = w.DisplayDpi > 0 ? w.DisplayDpi : 96;
    if (!w.ViewImage || w.ViewImage->width() != width || w.ViewImage->height() != height ||
        w.ViewImage->dpi() != dpi)
        w.ViewImage = std::make_shared<ImageCanvas>(width, height, dpi);
    const TextPos cursor = w.Cursor, anchor = w.Anchor;
    // A resize of the paint box ends a pass; the resize paints again.
    for (int attempt = 0; attempt < 2; ++attempt)
        if (paint::drawPages(w, *w.ViewImage, RenderPolicy::screen(), 0, 0, 0)) break;
    // Lines drawn before the hit still show the old selection: draw once
    // more with the answers in place (the requests are answered already).
    if (!(w.Cursor == cursor) || !(w.Anchor == anchor)) {
        const uint8_t cr = w.CursorRequest, dr = w.DropLocateRequest;
        const TMDIChild::DropCaretRec drop = w.DropCaret;
        // The borders a press found are the mouse's until its release; this
        // pass answers no press and would start the list afresh.
        std::vector<TableTrack> tracks = w.TableTracks;
        w.CursorRequest = w.DropLocateRequest = 0;
        const int32_t page = w.CurrentPage;
        paint::drawPages(w, *w.ViewImage, RenderPolicy::screen(), 0, 0, 0);
        if (w.TableTracks.empty()) w.TableTracks = std::move(tracks);
        w.CurrentPage = page;
        w.CursorRequest = cr;
        w.DropLocateRequest = dr;
        if (drop.Found) w.DropCaret = drop;
    }
    w.Host->repaint();
}

int32_t TMDIChild::SettleLayout(Canvas& scratch)
{
    const uint8_t keepAll = RenderAllPages;
    int32_t passes = 0;
    while (passes < kMaxSettlePasses) {
        // Lines the last layout pass left marked are broken before the pass draws them.
        if (LayoutCarryOvers > 0) MakeSoftEnters();
        RenderAllPages = 1;
        paint::drawPages(*this, scratch, RenderPolicy::settle(), 0, 0, 0);
        ++passes;
        if (!LastPassChanged) break;
    }
    RenderAllPages = keepAll;
    return passes;
}

int32_t TMDIChild::GetAnzPages() const
{
    int32_t last = 0;
    for (const TextArea& a : Areas)
        if (a.AreaType == atPageBody) last = std::max(last, a.PageIndex);
    return last + 1;
}

void TMDIChild::FormResize()
{
    const int32_t dpi = DisplayDpi > 0 ? DisplayDpi : 96;
    const int32_t printerDpi = PrinterDpi > 0 ? PrinterDpi : 600;
    const double w100 = std::trunc(double(dpi) * PageWidthPx / printerDpi);
    const double h100 = std::trunc(double(dpi) * PageHeightPx / printerDpi);
    const double old = ZoomPercent;
    // A minimised or not yet shown window has no room to fit a page into;
    // the zoom it had stays until the window gets a size again.
    if (ZoomMode != 0 && (Host->clientWidth() <= 0 || Host->clientHeight() <= 0)) return;
    const double q = double(Host->clientWidth() - kScrollBarSize - 4) * 10000 / (w100 + 36);
    if (ZoomMode == 1) {
        ZoomPercent = roundHalfEven(q) / 100;
    } else if (ZoomMode == 2) {
        ZoomPercent = std::trunc(q) / 100;
        const double r = roundHalfEven(double(Host->clientHeight() - kScrollBarSize - 4) * 10000 / (h100 + 36)) / 100;
        if (r < ZoomPercent) ZoomPercent = r;
    }
    // The zoom box's range: a tiny window would otherwise ask for a zoom of
    // zero or below (infinite millimetres per pixel, negative page sizes,
    // fonts of no height), a huge one for pages wider than any image.
    if (ZoomMode != 0) {
        if (!std::isfinite(ZoomPercent)) ZoomPercent = old > 0 ? old : 100;
        ZoomPercent = std::clamp(ZoomPercent, kMinZoomPercent, kMaxZoomPercent);
    } else if (!(ZoomPercent > 0) || !std::isfinite(ZoomPercent)) {
        ZoomPercent = 100;
    }
    if (ZoomPercent != old) {
        Ui->showZoom(ZoomPercent);
        Host->stopTimer2();
        Host->restartTimer2();
    }
}

void TMDIChild::Seitenansicht()
{
    if (!PageView) {
        PageView = 1;
        SavedZoomPercent = ZoomPercent;
        SavedZoomMode = ZoomMode;
        ZoomMode = 2;
        FormResize();
    } else {
        PageView = 0;
        ZoomMode = SavedZoomMode;
        // What the zoom box hands back when it shows the saved zoom.
        ZoomPercent = SavedZoomPercent;
        Ui->showZoom(ZoomPercent);
        FormResize();
        RefreshDirtyContent();
    }
}

} // namespace quillet
