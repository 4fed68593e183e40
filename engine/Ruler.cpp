// The rulers: their scale, markers and tab stops, and dragging the indent
// markers and tab stops of the caret's paragraph on the horizontal ruler.
// The renderer hands the ruler values over at each caret placement; the
// result of a drag is written as a paragraph format, one undo step.

#include "engine/RulerModel.h"

#include "engine/DocWalk.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace quillet {

using RV = TMDIChild::RulerValuesRec;

namespace ruler {

namespace {

constexpr int32_t kMarkerHalf = 4;
constexpr int32_t kTabCatchTop = 12, kTabCatchBottom = 18;

bool isIndentDrag(int32_t kind) { return kind >= 1 && kind <= 4; }

// Offsets of a tab image's left edge from the stop, and the catch widths.
int32_t tabImageOffset(int32_t kind)
{
    switch (kind) {
    case 1: return 10;
    case 2: case 3: return 8;
    default: return 7;
    }
}

// The scale along one axis: from pixel `from` (value 0 at start mm) to `to`.
template <class OnMm> void walkScale(int32_t from, int32_t to, double startMm, double endMm, int32_t length, OnMm onMm)
{
    const double span = endMm - startMm;
    const int32_t w = to - from;
    if (w == 0 || span == 0) return;
    const int64_t first = -int64_t(std::trunc(span * from / w));
    const int64_t last = int64_t(std::trunc(double(length - from) * span / w));
    // A scale squeezed to nothing would ask for millions of ticks.
    if (last - first > 100000 || first > last) return;
    for (int64_t v = first; v <= last; ++v) onMm(int32_t(v), int32_t(std::trunc(w * double(v) / span + from)));
}

} // namespace

const char* tabKindHint(int32_t kind)
{
    switch (kind) {
    case 1: return "Tab stop center";
    case 2: return "Tab stop right";
    case 3: return "Tab stop decimal";
    default: return "Tab stop left";
    }
}

int32_t firstMarkerX(const RV& r) { return r.HLeftPx + r.CellOffsetPx + r.LeftIndentPx + r.FirstIndentPx; }
int32_t leftMarkerX(const RV& r) { return r.HLeftPx + r.CellOffsetPx + r.LeftIndentPx; }
int32_t rightMarkerX(const RV& r) { return r.HRightPx - r.RightRestPx - r.RightIndentPx; }
bool hasScale(const RV& r) { return r.HLeftPx != r.HRightPx && r.HStartMm != r.HEndMm; }

int32_t tabX(const RV& r, double mm)
{
    const double span = r.HEndMm - r.HStartMm;
    if (span == 0) return r.HLeftPx;
    return int32_t(std::trunc((r.HRightPx - r.HLeftPx) * mm / span + r.HLeftPx));
}

double cellOffsetMm(const RV& r, bool inCell)
{
    // Outside tables the scale begins where the text does, in any column.
    if (!inCell || !hasScale(r)) return 0;
    return r.CellOffsetPx * (r.HEndMm - r.HStartMm) / (r.HRightPx - r.HLeftPx);
}

double cellRightMm(const RV& r, bool inCell)
{
    const double span = r.HEndMm - r.HStartMm;
    if (!inCell || !hasScale(r)) return span;
    return (r.HRightPx - r.RightRestPx - r.HLeftPx) * span / (r.HRightPx - r.HLeftPx);
}

RulerPicture composeHorizontal(const RV& r, const std::vector<TabStop>& tabs, bool inCell,
                               TMDIChild::RulerDragState& drag, int32_t& dragX, bool noSnap, int32_t width,
                               int32_t height)
{
    RulerPicture pic;
    pic.Width = width;
    pic.Height = height;
    pic.WhiteFrom = r.HLeftPx;
    pic.WhiteTo = r.HRightPx;
    const bool dragging = drag.Kind > 0 && drag.Kind != TMDIChild::kRulerDragCancelled;
    const double offset = cellOffsetMm(r, inCell);
    const bool scale = hasScale(r);
    if (scale) {
        const double span = r.HEndMm - r.HStartMm;
        const int32_t w = r.HRightPx - r.HLeftPx;
        if (dragging && noSnap)
            drag.Value = span * (dragX - r.HLeftPx) / w + r.HStartMm - (isIndentDrag(drag.Kind) ? offset : 0);
        int32_t snapX = dragX;
        walkScale(r.HLeftPx, r.HRightPx, r.HStartMm, r.HEndMm, width, [&](int32_t v, int32_t x) {
            const int32_t rest = std::abs(v) % 10;
            if (rest != 5 && rest != 0) return;
            if (rest == 5) pic.Ticks.push_back({x, 11});
            else if ((v / 10) % 2 != 0) pic.Numbers.push_back({x, std::abs(v / 10)});
            else pic.Ticks.push_back({x, 10});
            if (!dragging || noSnap) return;
            // Strictly nearer: of two ticks as near, the left one stays.
            const int32_t d = std::abs(x - dragX);
            if (drag.BestDistance == -1 || d < drag.BestDistance) {
                drag.BestDistance = d;
                snapX = x;
                drag.Value = drag.Kind == 100 ? v : v - offset;
            }
        });
        if (dragging && !noSnap && drag.BestDistance != -1) dragX = snapX;
    }

    // Markers: the one being dragged is at the drag's x.
    int32_t first = firstMarkerX(r), left = leftMarkerX(r), right = rightMarkerX(r);
    if (dragging) {
        if (drag.Kind == 1) first = dragX;
        if (drag.Kind == 2) first = dragX + r.FirstIndentPx;
        if (drag.Kind == 2 || drag.Kind == 4) left = dragX;
        if (drag.Kind == 3) right = dragX;
    }
    pic.Glyphs.push_back({riFirstIndent, first - kMarkerHalf, 2});
    pic.Glyphs.push_back({riLeftIndent, left - kMarkerHalf, 10});
    pic.Glyphs.push_back({riRightIndent, right - kMarkerHalf, 10});
    if (scale) {
        for (size_t i = 0; i < tabs.size(); ++i) {
            const int32_t kind = std::clamp(tabs[i].Kind, 0, 3);
            const bool dragged = dragging && drag.Kind == 100 && drag.TabIndex == int32_t(i);
            const int32_t x = dragged ? dragX : tabX(r, tabs[i].Position);
            pic.Glyphs.push_back({riTabLeft + kind, x - tabImageOffset(kind), 6});
        }
    }
    return pic;
}

RulerPicture composeVertical(const RV& r, int32_t width, int32_t height)
{
    RulerPicture pic;
    pic.Width = width;
    pic.Height = height;
    pic.WhiteFrom = r.VTopPx;
    pic.WhiteTo = r.VBottomPx;
    walkScale(r.VTopPx, r.VBottomPx, r.VStartMm, r.VEndMm, height, [&](int32_t v, int32_t y) {
        const int32_t rest = std::abs(v) % 10;
        if (rest == 5) pic.Ticks.push_back({y, 11});
        else if (rest == 0 && (v / 10) % 2 != 0) pic.Numbers.push_back({y, std::abs(v / 10)});
        else if (rest == 0) pic.Ticks.push_back({y, 10});
    });
    return pic;
}

int32_t hitMarker(const RV& r, const std::vector<TabStop>& tabs, int32_t x, int32_t y, int32_t& tabIndex)
{
    int32_t kind = 0;
    auto over = [x](int32_t markerX) { return x >= markerX - kMarkerHalf && x <= markerX - kMarkerHalf + 8; };
    // Later zones win over earlier ones.
    if (over(firstMarkerX(r)) && y >= 2 && y <= 9) kind = 1;
    if (over(leftMarkerX(r)) && y >= 10 && y <= 16) kind = 4;
    if (over(leftMarkerX(r)) && y >= 17 && y <= 23) kind = 2;
    if (over(rightMarkerX(r)) && y >= 10 && y <= 17) kind = 3;
    if (y >= kTabCatchTop && y <= kTabCatchBottom && hasScale(r)) {
        for (size_t i = 0; i < tabs.size(); ++i) {
            const int32_t tx = tabX(r, tabs[i].Position);
            const int32_t k = tabs[i].Kind;
            const int32_t e = k >= 2 ? 8 : 6, f = k == 1 ? 4 : k >= 2 ? 3 : 0;
            if (tx - f - 2 <= x && x <= tx + e - f + 1) {
                kind = 100;
                tabIndex = int32_t(i);
            }
        }
    }
    return kind;
}

void applyDrag(AbsatzFormat& p, int32_t kind, int32_t tabIndex, double value, double startMm, double rightMm)
{
    switch (kind) {
    case 1: p.FirstLineIndent = value - startMm - p.LeftIndent; break;
    case 2: p.LeftIndent = value - startMm; break;
    case 3: p.RightIndent = rightMm - value; break;
    case 4:
        // The first line stays where it was.
        p.FirstLineIndent -= value - startMm - p.LeftIndent;
        p.LeftIndent = value - startMm;
        break;
    case 100: {
        if (tabIndex < 0 || tabIndex >= p.TabCount()) return;
        TabStop t = p.Tabs[size_t(tabIndex)];
        t.Position = value;
        p.Tabs.erase(p.Tabs.begin() + tabIndex);
        // A stop dragged onto another takes its place.
        auto same = std::find_if(p.Tabs.begin(), p.Tabs.end(), [&](const TabStop& o) { return o.Position == value; });
        if (same != p.Tabs.end()) {
            *same = t;
            return;
        }
        auto at = std::upper_bound(p.Tabs.begin(), p.Tabs.end(), value,
                                   [](double v, const TabStop& o) { return v < o.Position; });
        p.Tabs.insert(at, t);
        break;
    }
    default: break;
    }
}

} // namespace ruler

namespace {

TextLine* cursorLine(TMDIChild& w) { return lineAt(w, w.Cursor); }

// The snap pass: the ruler worked out only for where the marker lands.
void snapRuler(TMDIChild& w, int32_t x, int32_t rulerWidth)
{
    w.Mouse.ColumnDragX = x;
    w.RulerDrag.BestDistance = -1;
    const TextLine* l = cursorLine(w);
    static const std::vector<TabStop> none;
    ruler::composeHorizontal(w.RulerValues, l ? l->Para->Tabs : none, l && l->IsCell, w.RulerDrag,
                             w.Mouse.ColumnDragX, w.Mouse.NoSnap, rulerWidth, 24);
}

// The guide line over the page follows the marker; the page scrolls under
// the ruler, so the line's place on the paint box adds the scroll.
void showGuide(TMDIChild& w)
{
    const int32_t x = w.Mouse.ColumnDragX + w.Host->scrollX();
    w.Mouse.Overlay = DragOverlay{DragOverlay::VLine, x, 0, x, std::max(w.PaintBoxHeight, w.Host->clientHeight())};
    w.ColumnDragOldX = w.Mouse.ColumnDragX;
}

// Takes the tab stop the press put on the cursor line off again.
void dropNewTab(TMDIChild& w)
{
    if (!w.RulerDrag.NewTab) return;
    w.RulerDrag.NewTab = 0;
    if (TextLine* l = cursorLine(w)) {
        std::vector<TabStop>& tabs = l->Para.edit().Tabs;
        if (w.RulerDrag.TabIndex >= 0 && w.RulerDrag.TabIndex < int32_t(tabs.size()))
            tabs.erase(tabs.begin() + w.RulerDrag.TabIndex);
    }
}

} // namespace

void TMDIChild::PaintBox3MouseDown(int32_t button, int32_t x, int32_t y, int32_t rulerWidth)
{
    if (RulerDrag.Kind > 0) return;
    RulerDrag = RulerDragState{};
    ColumnDragOldX = -1;
    Mouse.NoSnap = button == 1 ? 1 : 0;
    TextLine* l = cursorLine(*this);
    if (!l) return;
    int32_t tab = 0;
    RulerDrag.Kind = ruler::hitMarker(RulerValues, l->Para->Tabs, x, y, tab);
    RulerDrag.TabIndex = tab;
    if (RulerDrag.Kind == 0 && x > RulerValues.HLeftPx && x < RulerValues.HRightPx && y >= 12 &&
        ruler::hasScale(RulerValues)) {
        TabStop t;
        t.Kind = std::clamp(Frame.Options.RulerTabKind, 0, 3);
        t.Leader = 0;
        l->Para.edit().Tabs.push_back(t);
        RulerDrag.NewTab = 1;
        RulerDrag.Kind = 100;
        RulerDrag.TabIndex = l->Para->TabCount() - 1;
        snapRuler(*this, x, rulerWidth);
        // Never a stop with no place: it stands where the click snapped.
        l->Para.edit().Tabs.back().Position = RulerDrag.Value;
    }
    if (RulerDrag.Kind > 0) PaintBox3MouseMove(x, rulerWidth);
}

void TMDIChild::PaintBox3MouseMove(int32_t x, int32_t rulerWidth)
{
    if (RulerDrag.Kind <= 0 || RulerDrag.Kind == kRulerDragCancelled) return;
    snapRuler(*this, x, rulerWidth);
    showGuide(*this);
}

void TMDIChild::PaintBox3MouseUp(int32_t x, int32_t rulerWidth)
{
    if (RulerDrag.Kind <= 0) return;
    Mouse.Overlay = {};
    if (RulerDrag.Kind == kRulerDragCancelled) {
        FinishCancelledRulerDrag();
        Mouse.NoSnap = 0;
        return;
    }
    snapRuler(*this, x, rulerWidth);
    const TextLine* l = cursorLine(*this);
    const bool inCell = l && l->IsCell;
    AbsatzWert v = getabsatzformat();
    // The stop the press made lives on in the value only.
    dropNewTab(*this);
    const RulerValuesRec& r = RulerValues;
    ruler::applyDrag(v.Para, RulerDrag.Kind, RulerDrag.TabIndex, RulerDrag.Value, r.HStartMm,
                     ruler::cellRightMm(r, inCell));
    setabsatzformat(v, true, false, true);
    RefreshDirtyContent();
    ColumnDragOldX = -1;
    RulerDrag.Kind = 0;
    RulerDrag.BestDistance = -1;
    Mouse.NoSnap = 0;
}

void TMDIChild::PaintBox2MouseDown()
{
    int32_t& k = Frame.Options.RulerTabKind;
    k = k >= 3 || k < 0 ? 0 : k + 1;
}

} // namespace quillet
