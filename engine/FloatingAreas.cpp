// Floating areas (headers, footers, text frames, drawing objects): on which
// pages they show, how text of other areas wraps around them, which body line
// they anchor to, and the anchor ids that tie an area to its line.

#include "engine/Childwin.h"
#include "platform/Units.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace quillet {

namespace {

double pxToPageMm(int32_t px, int32_t dpi)
{
    // A missing resolution leaves a zero-sized page rather than infinities.
    return dpi > 0 ? double(px) / double(dpi) * kMmPerInch : 0.0;
}

bool isFloating(const TextArea& a) { return a.AreaType > atFooter; }

bool isAnchorable(const TextArea& a) { return isFloating(a) && a.MoveWithText != 0; }

} // namespace

bool TMDIChild::istOnAllPagesGedeckt(int32_t mode, int32_t ownPage, int32_t page)
{
    const bool odd = page % 2 != 0;
    switch (mode) {
    case 0: return page == ownPage;
    case 1: return true;
    case 2: return page > 0;
    case 3: return odd;
    case 4: return !odd;
    case 5: return odd && page > 0;
    case 6: return !odd && page > 0;
    default: return false;  // 99 (an unused header or footer) and anything unknown
    }
}

TMDIChild::AreaEdges TMDIChild::FloatingAreaEdges(const TextArea& a, double pageWidthMm,
                                                  double pageHeightMm)
{
    AreaEdges e;
    e.Left = a.Left;
    e.Top = a.AnchorTopToBottom && a.AnchorBottom ? pageHeightMm - a.Top : a.Top;
    e.Right = a.AnchorRight ? pageWidthMm - a.Right : a.Right;
    e.Bottom = a.AnchorBottom ? pageHeightMm - a.Bottom : a.Bottom;
    return e;
}

TMDIChild::FieldCollision TMDIChild::iscolladingwithfield(
    int32_t page, int32_t pageWidthPx, bool anchorOnly, bool mayAnchor, double lineTopY,
    double lineLeftX, int32_t line, int32_t area, double boxHeight, double boxWidth,
    double boxTopY, double& x, int32_t resolution, int32_t pageHeightPx, const std::vector<int32_t>* onPage)
{
    const double pageW = pxToPageMm(pageWidthPx, resolution);
    const double pageH = pxToPageMm(pageHeightPx, resolution);

    // Only lines of a page body anchor areas; a table offers only the lines
    // of a row's first run, whatever the caller allows.
    bool offersAnchor = false;
    if (area >= 0 && area < AreaCount()) {
        const TextArea& owner = Areas[size_t(area)];
        if (owner.AreaType == atPageBody && line >= 0 && line < owner.LineCount()) {
            const TextLine& l = owner.Lines[size_t(line)];
            offersAnchor = (!l.IsCell && mayAnchor) || l.RowFirstRun;
        }
    }

    FieldCollision result;
    const double startX = x;

    // Tests one area against the box at the current x. Only ever moves x
    // forward; a box that may not stand beside the area at all is sent to
    // the next line instead.
    auto wrapAgainst = [&](const TextArea& q, const AreaEdges& e) {
        if (!q.WrapText || anchorOnly) return false;
        const double dx = q.WrapDistanceX;
        const double dy = q.WrapDistanceY;
        const double boxBottom = boxTopY + boxHeight;
        if (!(boxBottom >= e.Top - dy && boxTopY <= e.Bottom + dy)) return false;
        const bool reachesLeft = e.Left - dx <= x + boxWidth;
        const bool beforeRight = x < e.Right + dx;
        switch (q.WrapMode) {
        case 1:  // text above and below only: nothing stands beside the area
            result.Hit = result.NextLine = true;
            return true;
        case 2:  // text left of the area only: what reaches it ends the line
            if (!reachesLeft) return false;
            result.Hit = result.NextLine = true;
            return true;
        case 3:  // text right of the area only: everything left of it is skipped
            if (!beforeRight) return false;
            break;
        default:  // text on both sides
            if (!reachesLeft || !beforeRight) return false;
            break;
        }
        x = e.Right + dx;
        result.Hit = true;
        return true;
    };

    // The areas floating on the page, in area order.
    const size_t count = onPage ? onPage->size() : Areas.size();
    auto floating = [&](size_t k) -> TextArea* {
        const size_t i = onPage ? size_t((*onPage)[k]) : k;
        if (i >= Areas.size()) return nullptr;
        TextArea& q = Areas[i];
        return isFloating(q) && istOnAllPagesGedeckt(q.PageMode, q.PageIndex, page) ? &q : nullptr;
    };

    // The first scan also offers the line as an anchor; it sees x as moved by
    // the areas before each one, as the text will stand.
    for (size_t k = 0; k < count; ++k) {
        TextArea* found = floating(k);
        if (!found) continue;
        TextArea& q = *found;
        const AreaEdges e = FloatingAreaEdges(q, pageW, pageH);
        if (offersAnchor && q.MoveWithText) {
            const double ddx = std::fabs(x + boxWidth - e.Left);
            const double ddy = std::fabs(boxTopY + boxHeight - e.Top);
            const double dist = std::sqrt(ddx * ddx + ddy * ddy);
            if (dist < q.CandDistance || q.CandDistance == -1) {
                q.CandDistance = dist;
                q.CandArea = area;
                q.CandLine = line;
                q.CandOffsetX = e.Left - lineLeftX;
                q.CandOffsetY = e.Top - lineTopY;
            }
        }
        if (!result.NextLine) wrapAgainst(q, e);
    }

    // A move past one area can land the box inside an area tested earlier in
    // array order: scan again until x rests. x only grows and always comes to
    // rest at some area's expanded right edge, so the area count bounds it.
    const int32_t maxScans = AreaCount();
    for (int32_t scan = 0; scan < maxScans && result.Hit && !result.NextLine; ++scan) {
        const double before = x;
        for (size_t k = 0; k < count; ++k) {
            const TextArea* q = floating(k);
            if (!q) continue;
            wrapAgainst(*q, FloatingAreaEdges(*q, pageW, pageH));
            if (result.NextLine) break;
        }
        if (x == before) break;
    }
    // The box leaves this line; a move it made on the way means nothing.
    if (result.NextLine) x = startX;
    return result;
}

int32_t TMDIChild::getFreeAnkerID() const
{
    // An id still held by a line (its area deleted or no longer moving with
    // the text) is taken too: handing it out again would tie the new area to
    // that stale line.
    std::unordered_set<int32_t> used;
    for (const TextArea& a : Areas) {
        if (isAnchorable(a) && a.AnchorId >= 100) used.insert(a.AnchorId);
        for (const TextLine& l : a.Lines)
            if (l.AnchorId >= 100) used.insert(l.AnchorId);
    }
    int32_t id = 100;
    while (used.count(id)) ++id;  // at most used.size() steps
    return id;
}

int32_t TMDIChild::getfieldWithAnkerID(int32_t start, int32_t id) const
{
    for (int32_t i = std::max(start, 0); i < AreaCount(); ++i) {
        const TextArea& a = Areas[size_t(i)];
        if (isAnchorable(a) && a.AnchorId == id) return i;
    }
    return -1;
}

} // namespace quillet
