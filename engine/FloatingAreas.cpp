// Floating areas (headers, footers, text frames, drawing objects): on which
// pages they show, how text of other areas wraps around them, which body line
// they anchor to, and the anchor ids that tie an area to its line.

#include "engine/FloatingAreas.h"

#include "engine/Childwin.h"
#include "platform/Units.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace quillet {

namespace {

double pxToPageMm(int32_t px, int32_t dpi)
{
    // A missing resolution leaves a zero-sized page rather than infinities.
    return dpi > 0 ? double(px) / double(dpi) * kMmPerInch : 0.0;
}

bool isFloating(const TextArea& a) { return a.AreaType > atFooter; }

bool isAnchorable(const TextArea& a) { return isFloating(a) && a.MoveWithText != 0; }

// Offers line `line` of area `area` as anchor to q, which stands at edges e,
// for a box whose right end is at x + boxWidth and bottom at boxTopY +
// boxHeight: the nearest line offered in a pass wins.
void offerTo(TextArea& q, const TMDIChild::AreaEdges& e, double lineTopY, double lineLeftX, int32_t line,
             int32_t area, double boxHeight, double boxWidth, double boxTopY, double x)
{
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

// Whether (area, line) offers itself as anchor: only lines of a page body
// do; a table offers only the lines of a row's first run, whatever the
// caller allows.
bool offersAnchor(const TMDIChild& w, int32_t area, int32_t line, bool mayAnchor)
{
    if (area < 0 || area >= w.AreaCount()) return false;
    const TextArea& owner = w.Areas[size_t(area)];
    if (owner.AreaType != atPageBody || line < 0 || line >= owner.LineCount()) return false;
    const TextLine& l = owner.Lines[size_t(line)];
    return (!l.IsCell && mayAnchor) || l.RowFirstRun;
}

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

    const bool offers = offersAnchor(*this, area, line, mayAnchor);
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
        if (offers && q.MoveWithText) offerTo(q, e, lineTopY, lineLeftX, line, area, boxHeight, boxWidth, boxTopY, x);
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
    // that stale line. With `held` ids taken the answer is at most 100 +
    // held, so only ids below that are marked; a reader asks once per
    // anchored shape, so this stays a plain walk without a hash set.
    size_t held = Areas.size();
    for (const TextArea& a : Areas) held += a.Lines.size();
    std::vector<uint8_t> used(held + 1, 0);
    const auto mark = [&](int32_t id) {
        if (id >= 100 && size_t(id - 100) <= held) used[size_t(id - 100)] = 1;
    };
    for (const TextArea& a : Areas) {
        if (isAnchorable(a)) mark(a.AnchorId);
        for (const TextLine& l : a.Lines) mark(l.AnchorId);
    }
    return 100 + int32_t(std::find(used.begin(), used.end(), uint8_t(0)) - used.begin());
}

int32_t TMDIChild::getfieldWithAnkerID(int32_t start, int32_t id) const
{
    for (int32_t i = std::max(start, 0); i < AreaCount(); ++i) {
        const TextArea& a = Areas[size_t(i)];
        if (isAnchorable(a) && a.AnchorId == id) return i;
    }
    return -1;
}

// ---- FloatingIndex ---------------------------------------------------------
//
// The page's height is cut into cells. An area that text may wrap around is
// filed in every cell its wrap range (its height grown by the wrap distance)
// touches; an area that may take an anchor is filed in the cell of its top.
// A cell only narrows the search: every answer is decided by the same tests
// the plain walk makes, on the areas as they stand.

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr int32_t kMaxCells = 256;

// How far from an area's top an offered line can still win it: any
// distance while it has no candidate, none once its distance is not a
// number (nothing compares less), else its candidate's distance.
double anchorReach(const TextArea& q)
{
    if (q.CandDistance == -1) return kInf;
    if (std::isnan(q.CandDistance)) return 0;
    return q.CandDistance;
}

uint64_t mixId(int32_t id)
{
    uint64_t z = uint64_t(uint32_t(id)) + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

} // namespace

void FloatingIndex::reset(const std::vector<int32_t>* onPage, int32_t page)
{
    List = onPage;
    Page = page;
    Built = false;
}

int32_t FloatingIndex::cell(double v) const
{
    const double t = (v - Origin) / Size;
    if (!(t >= 1)) return 0;
    if (t >= Cells) return Cells - 1;
    return int32_t(t);
}

void FloatingIndex::build(TMDIChild& w, double pageW, double pageH)
{
    W = &w;
    PageW = pageW;
    PageH = pageH;
    const double span = std::isfinite(pageH) && pageH > 1 ? pageH : 300.0;
    Cells = int32_t(std::clamp(span / 4.0, 1.0, double(kMaxCells)));
    Size = span / Cells;
    Origin = 0;
    WrapCells.resize(size_t(Cells));
    AnchorCells.resize(size_t(Cells));
    for (auto& c : WrapCells) c.clear();
    for (auto& c : AnchorCells) c.clear();
    AnchorReach.assign(size_t(Cells), 0.0);
    AnchorAnywhere.clear();
    for (const int32_t k : Filed)
        if (size_t(k) < Slots.size()) Slots[size_t(k)] = Slot{};
    Filed.clear();
    Sets.clear();
    SetByBox.clear();
    SetByIds.clear();
    Offered.clear();
    Built = true;
    if (List)
        for (const int32_t k : *List) file(k);
}

void FloatingIndex::file(int32_t area)
{
    if (area < 0 || area >= W->AreaCount()) return;
    if (Slots.size() <= size_t(area)) Slots.resize(W->Areas.size());
    Slot& slot = Slots[size_t(area)];
    if (slot.WrapLo >= 0 || slot.AnchorCell >= 0 || slot.Anywhere) unfile(area);
    if (!slot.Used) {
        slot.Used = true;
        Filed.push_back(area);
    }
    const TextArea& q = W->Areas[size_t(area)];
    if (!isFloating(q)) return;
    const TMDIChild::AreaEdges e = TMDIChild::FloatingAreaEdges(q, PageW, PageH);
    if (q.WrapText) {
        const double a = e.Top - q.WrapDistanceY;
        const double b = e.Bottom + q.WrapDistanceY;
        // A range that is not a number meets no box.
        if (!std::isnan(a) && !std::isnan(b)) {
            slot.WrapLo = cell(std::min(a, b));
            slot.WrapHi = cell(std::max(a, b));
            for (int32_t c = slot.WrapLo; c <= slot.WrapHi; ++c) WrapCells[size_t(c)].push_back(area);
        }
    }
    if (q.MoveWithText) {
        if (std::isfinite(e.Top)) {
            slot.AnchorCell = cell(e.Top);
            AnchorCells[size_t(slot.AnchorCell)].push_back(area);
            double& reach = AnchorReach[size_t(slot.AnchorCell)];
            reach = std::max(reach, anchorReach(q));
        } else {
            slot.Anywhere = true;
            AnchorAnywhere.push_back(area);
        }
    }
}

void FloatingIndex::unfile(int32_t area)
{
    Slot& slot = Slots[size_t(area)];
    const auto drop = [area](std::vector<int32_t>& v) {
        const auto at = std::find(v.begin(), v.end(), area);
        if (at == v.end()) return;
        *at = v.back();
        v.pop_back();
    };
    if (slot.WrapLo >= 0)
        for (int32_t c = slot.WrapLo; c <= slot.WrapHi; ++c) drop(WrapCells[size_t(c)]);
    if (slot.AnchorCell >= 0) drop(AnchorCells[size_t(slot.AnchorCell)]);
    if (slot.Anywhere) drop(AnchorAnywhere);
    slot.WrapLo = slot.WrapHi = slot.AnchorCell = -1;
    slot.Anywhere = false;
}

void FloatingIndex::moved(int32_t area)
{
    if (!Built) return;  // filed as it then stands when first asked
    file(area);
    Sets.clear();
    SetByBox.clear();
    SetByIds.clear();
    Offered.clear();
}

const FloatingIndex::WrapSet& FloatingIndex::wrapSet(double top, double bottom)
{
    if (const auto at = SetByBox.find({top, bottom}); at != SetByBox.end()) return Sets[at->second];

    // The areas on the page that wrap text and whose range meets the box.
    ++Stamp;
    Members.clear();
    uint64_t hash = 0;
    const int32_t last = cell(std::max(top, bottom));
    for (int32_t c = cell(std::min(top, bottom)); c <= last; ++c) {
        for (const int32_t k : WrapCells[size_t(c)]) {
            Slot& slot = Slots[size_t(k)];
            if (slot.Seen == Stamp) continue;
            slot.Seen = Stamp;
            const TextArea& q = W->Areas[size_t(k)];
            if (!isFloating(q) || !q.WrapText || !TMDIChild::istOnAllPagesGedeckt(q.PageMode, q.PageIndex, Page))
                continue;
            const TMDIChild::AreaEdges e = TMDIChild::FloatingAreaEdges(q, PageW, PageH);
            const double dy = q.WrapDistanceY;
            if (!(bottom >= e.Top - dy && top <= e.Bottom + dy)) continue;
            slot.Member = Stamp;
            Members.push_back(k);
            hash += mixId(k);
        }
    }

    // Boxes of many lines meet the same areas: their sum is made once.
    const auto [from, to] = SetByIds.equal_range(hash);
    for (auto it = from; it != to; ++it) {
        const WrapSet& s = Sets[it->second];
        if (s.Ids.size() != Members.size()) continue;
        if (std::all_of(s.Ids.begin(), s.Ids.end(), [&](int32_t k) { return Slots[size_t(k)].Member == Stamp; })) {
            SetByBox.emplace(std::make_pair(top, bottom), it->second);
            return s;
        }
    }

    WrapSet s;
    s.Ids = Members;
    s.EndsLineAt = kInf;
    s.RightOnlyPast = -kInf;
    std::vector<std::pair<double, double>> pushing;
    for (const int32_t k : Members) {
        const TextArea& q = W->Areas[size_t(k)];
        const TMDIChild::AreaEdges e = TMDIChild::FloatingAreaEdges(q, PageW, PageH);
        const double dx = q.WrapDistanceX;
        const double left = e.Left - dx;
        const double right = e.Right + dx;
        // An edge that is not a number never compares true: the area then
        // never acts in its way.
        switch (q.WrapMode) {
        case 1: s.SendsOn = true; break;
        case 2:
            if (!std::isnan(left)) s.EndsLineAt = std::min(s.EndsLineAt, left);
            break;
        case 3:
            if (!std::isnan(right)) s.RightOnlyPast = std::max(s.RightOnlyPast, right);
            break;
        default:
            if (!std::isnan(left) && !std::isnan(right)) pushing.emplace_back(left, right);
            break;
        }
    }
    std::sort(pushing.begin(), pushing.end());
    s.Left.reserve(pushing.size());
    s.RightUpTo.reserve(pushing.size());
    double most = -kInf;
    for (const auto& [left, right] : pushing) {
        most = std::max(most, right);
        s.Left.push_back(left);
        s.RightUpTo.push_back(most);
    }
    Sets.push_back(std::move(s));
    SetByIds.emplace(hash, Sets.size() - 1);
    SetByBox.emplace(std::make_pair(top, bottom), Sets.size() - 1);
    return Sets.back();
}

void FloatingIndex::offerAnchor(TMDIChild& w, double lineTopY, double lineLeftX, int32_t line, int32_t area,
                                double boxTopY, double boxHeight, double boxWidth, double x)
{
    const auto offer = [&](int32_t k) {
        if (size_t(k) >= w.Areas.size()) return;
        TextArea& q = w.Areas[size_t(k)];
        if (!isFloating(q) || !q.MoveWithText || !TMDIChild::istOnAllPagesGedeckt(q.PageMode, q.PageIndex, Page))
            return;
        offerTo(q, TMDIChild::FloatingAreaEdges(q, PageW, PageH), lineTopY, lineLeftX, line, area, boxHeight,
                boxWidth, boxTopY, x);
    };
    // Once a point was offered, every area on the page holds a candidate at
    // least as near as that point (or one that nothing beats): offering it
    // again changes nothing until an area moves. The first pass after
    // opening draws every body on the first page, and their lines stand at
    // the same few places.
    const double px = x + boxWidth, py = boxTopY + boxHeight;
    if (!std::isnan(px) && !std::isnan(py) && !Offered.insert({px, py}).second) return;
    for (const int32_t k : AnchorAnywhere) offer(k);
    // A line's distance to an area is at least the height between them; a
    // cell whose areas all hold a nearer candidate than that is passed by.
    // One cell of slack on each side keeps rounding out of it.
    const double y = boxTopY + boxHeight;
    const bool everywhere = !std::isfinite(y);
    const int32_t at = everywhere ? 0 : cell(y);
    for (int32_t c = 0; c < Cells; ++c) {
        std::vector<int32_t>& filed = AnchorCells[size_t(c)];
        if (filed.empty()) continue;
        const int32_t apart = std::abs(c - at);
        if (!everywhere && apart >= 2 && double(apart - 2) * Size > AnchorReach[size_t(c)]) continue;
        double reach = 0;
        for (const int32_t k : filed) {
            offer(k);
            reach = std::max(reach, anchorReach(w.Areas[size_t(k)]));
        }
        AnchorReach[size_t(c)] = reach;
    }
}

TMDIChild::FieldCollision FloatingIndex::collide(TMDIChild& w, int32_t page, int32_t pageWidthPx, bool anchorOnly,
                                                 bool mayAnchor, double lineTopY, double lineLeftX, int32_t line,
                                                 int32_t area, double boxHeight, double boxWidth, double boxTopY,
                                                 double& x, int32_t resolution, int32_t pageHeightPx)
{
    const auto walk = [&] {
        return w.iscolladingwithfield(page, pageWidthPx, anchorOnly, mayAnchor, lineTopY, lineLeftX, line, area,
                                      boxHeight, boxWidth, boxTopY, x, resolution, pageHeightPx, List);
    };
    if (!List || page != Page) return walk();
    const double pageW = pxToPageMm(pageWidthPx, resolution);
    const double pageH = pxToPageMm(pageHeightPx, resolution);
    if (!Built || W != &w || pageW != PageW || pageH != PageH) build(w, pageW, pageH);

    TMDIChild::FieldCollision result;
    const bool offers = offersAnchor(w, area, line, mayAnchor);
    if (anchorOnly) {
        // No wrapping, and x stays put: each area keeps the nearest offer.
        if (offers) offerAnchor(w, lineTopY, lineLeftX, line, area, boxTopY, boxHeight, boxWidth, x);
        return result;
    }
    // Offers made while the box is pushed along see x as each area before
    // them left it: only the walk in area order gives those.
    if (offers) return walk();

    const double boxBottom = boxTopY + boxHeight;
    if (std::isnan(boxTopY) || std::isnan(boxBottom)) return result;
    const WrapSet& s = wrapSet(boxTopY, boxBottom);
    if (s.SendsOn) {
        result.Hit = result.NextLine = true;
        return result;
    }
    // Every area the box reaches pushes it past its right edge, in any
    // order, until none does: the least place at or right of x that no
    // area takes.
    double at = x;
    if (!std::isnan(at)) {
        for (;;) {
            double next = std::max(at, s.RightOnlyPast);
            const double reach = next + boxWidth;
            const size_t n = std::isnan(reach) ? 0
                             : size_t(std::upper_bound(s.Left.begin(), s.Left.end(), reach) - s.Left.begin());
            if (n > 0 && next < s.RightUpTo[n - 1]) next = s.RightUpTo[n - 1];
            if (!(next > at)) break;
            at = next;
        }
    }
    if (s.EndsLineAt <= at + boxWidth) {
        result.Hit = result.NextLine = true;
        return result;
    }
    if (at > x) {
        result.Hit = true;
        x = at;
    }
    return result;
}

} // namespace quillet
