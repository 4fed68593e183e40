// Selection ordering, membership and the text walkers of the document window.
//
// A flow chain's positions are ordered by (place of the area in the chain,
// line, char); area indexes say nothing about text order once frames are
// linked out of index order. Walks never follow a flow link that closes a
// cycle, so a damaged file cannot make any walk endless.

#include "engine/Childwin.h"

#include "engine/DocWalk.h"

#include <algorithm>
#include <climits>
#include <utility>

namespace quillet {

using Doc = std::vector<TextArea>;
using TextWalker = TMDIChild::TextWalker;

// The ordered and widened selection, and what it was computed from.
struct TMDIChild::MarkingCache {
    // Key: recomputed whenever one of these differs.
    bool Computed = false;
    TextPos KeyAnchor, KeyCursor;
    uint64_t KeyRevision = 0;
    int32_t KeyAreaCount = 0;
    // Cheap guards against edits that did not call InvalidateMarking.
    int32_t GuardStartLines = 0, GuardEndLines = 0, GuardEndChars = 0;
    int32_t GuardLinks[4] = {0, 0, 0, 0};

    bool Valid = false;              // the anchor lies in a text area
    TextPos Start, End;
    uint8_t Cell = 0, Row = 0;
    int32_t ColFirst = 0, ColLast = 0;
    std::vector<int32_t> Rank;       // place in the anchor's chain per area, -1 outside
    std::vector<int32_t> Ranked;     // the areas Rank holds a place for
    // A selection inside one area, over no table cell, is ordered without
    // ranking the chain: OneArea is then that area, the only one ranked
    // (place 0), and every other area lies outside the selection. Only a
    // walk that reaches another area needs the chain (rankChain).
    int32_t OneArea = -1;
    int32_t StartRank = 0, EndRank = 0;
    // The last line of the end's table row: no walk finds selected text beyond it.
    int32_t EndRowRank = 0, EndRowLine = 0;

    int32_t rankOf(int32_t area) const
    {
        return area >= 0 && size_t(area) < Rank.size() ? Rank[size_t(area)] : -1;
    }
};

namespace {

bool validArea(const Doc& d, int32_t a) { return a >= 0 && size_t(a) < d.size(); }

// Whether line A comes before line B in text order: by the place of their
// areas in the chain, then by line.
bool precedes(int32_t rankA, int32_t lineA, int32_t rankB, int32_t lineB)
{
    return rankA != rankB ? rankA < rankB : lineA < lineB;
}

int32_t firstUnvisited(const Doc& d)
{
    for (size_t i = 0; i < d.size(); ++i)
        if (!d[i].Visited) return int32_t(i);
    return -1;
}

// Moves a cell line to column `col` of its run (limited to the run's width).
void toColumn(TMDIChild& w, int32_t& a, int32_t& l, int32_t col)
{
    const TextLine* cur = lineAt(w.Areas, a, l);
    if (!cur || !cur->IsCell) return;
    const int32_t target = std::clamp<int32_t>(col, 0, cellsOf(*cur) - 1);
    int32_t na = a, nl = addLines(l, int64_t(target) - columnOf(*cur));
    w.GoToLine(na, nl);
    const TextLine* t = lineAt(w.Areas, na, nl);
    if (!t || !t->IsCell || cellsOf(*t) != cellsOf(*cur) || columnOf(*t) != target) return;
    a = na;
    l = nl;
}

// ---- Walk steps -------------------------------------------------------------

// A step budget far above any sound walk (a walk that comes back to areas
// with WalkAllAreas included), so only a malformed table can exhaust it.
int64_t walkBudget(const Doc& d)
{
    int64_t lines = 0;
    for (const TextArea& a : d) lines += a.LineCount();
    const int64_t n = int64_t(d.size());
    return (lines + n + 1) * (n + 1) + 16;
}

void beginStep(const Doc& d, TextWalker& w)
{
    if (!(w.Pos == w.Seen) || w.Budget < 0) w.Budget = walkBudget(d);
}

bool spend(TextWalker& w)
{
    if (w.Budget <= 0) return false;
    --w.Budget;
    return true;
}

// Next line of a document walk: down a cell run by run, then the next cell,
// then past the row; outside tables (and table-blind) one line on.
bool forwardLine(TMDIChild& win, TextWalker& w, TextPos& p, bool tableBlind)
{
    Doc& d = win.Areas;
    for (;;) {
        if (!spend(w)) return false;
        const TextLine& cur = d[size_t(p.Area)].Lines[size_t(p.Line)];
        int32_t a = p.Area, l = p.Line;
        if (!tableBlind && cur.IsCell) {
            int32_t ra = a, rl = l;
            if (nextRun(win, ra, rl)) {
                l = addLines(l, cellsOf(cur));
            } else if (columnOf(cur) < cellsOf(cur) - 1) {
                toFirstRun(win, ra, rl);
                a = ra;
                l = rl + 1;
            } else {
                l = l + 1;
            }
        } else {
            l = l + 1;
        }
        while (l >= d[size_t(a)].LineCount()) {
            if (!spend(w)) return false;
            int32_t nx = chainNext(d, a);
            if (nx >= 0) {
                l -= d[size_t(a)].LineCount();
                a = nx;
                win.WalkPrevArea = win.Anchor.Area;
            } else if (win.WalkAllAreas) {
                nx = firstUnvisited(d);
                if (nx < 0) return false;
                a = nx;
                l = 0;
            } else {
                return false;
            }
            d[size_t(a)].Visited = 1;
        }
        p = TextPos{a, l, 0};
        if (d[size_t(a)].Lines[size_t(l)].CharCount() > 0 || win.WalkByLines) return true;
    }
}

bool walkForward(TMDIChild& win, TextWalker& w, bool tableBlind)
{
    beginStep(win.Areas, w);
    TextPos p = w.Pos;
    bool ok = false;
    if (const TextLine* ln = lineAt(win.Areas, p)) {
        p.Char = std::clamp(p.Char, -1, ln->CharCount()) + 1;
        ok = p.Char < ln->CharCount() || forwardLine(win, w, p, tableBlind);
    }
    w.Pos = p;
    w.Seen = p;
    return ok;
}

// Previous line of a backward walk, the mirror of forwardLine.
bool backwardLine(TMDIChild& win, TextWalker& w, TextPos& p)
{
    Doc& d = win.Areas;
    for (;;) {
        if (!spend(w)) return false;
        const TextLine& cur = d[size_t(p.Area)].Lines[size_t(p.Line)];
        int32_t a = p.Area, l = p.Line;
        if (cur.IsCell) {
            int32_t ra = a, rl = l;
            if (prevRun(win, ra, rl)) {
                l = addLines(l, -int64_t(cellsOf(cur)));
            } else if (columnOf(cur) != 0) {
                toLastRun(win, ra, rl);
                a = ra;
                l = rl - 1;
            } else {
                l = l - 1;
            }
        } else {
            l = l - 1;
        }
        while (l < 0) {
            if (!spend(w)) return false;
            int32_t pv = chainPrev(d, a);
            if (pv >= 0) {
                a = pv;
                l += d[size_t(a)].LineCount();
                win.WalkPrevArea = win.Anchor.Area;
            } else if (win.WalkAllAreas) {
                // Enter an unvisited flow from its end, as the walk runs backwards.
                pv = firstUnvisited(d);
                if (pv < 0) return false;
                for (size_t i = 0; i < d.size(); ++i) {
                    const int32_t nx = chainNext(d, pv);
                    if (nx < 0 || d[size_t(nx)].Visited) break;
                    pv = nx;
                }
                a = pv;
                l = d[size_t(a)].LineCount() - 1;
            } else {
                return false;
            }
            d[size_t(a)].Visited = 1;
        }
        const int32_t cc = d[size_t(a)].Lines[size_t(l)].CharCount();
        p = TextPos{a, l, cc > 0 ? cc - 1 : 0};
        if (cc > 0 || win.WalkByLines) return true;
    }
}

// ---- Ordering and membership ------------------------------------------------

bool inMarking(const Doc& d, const TMDIChild::MarkingCache& m, int32_t area, int32_t line, int32_t ch)
{
    if (!m.Valid) return false;
    const int32_t r = m.rankOf(area);
    const TextLine* ln = lineAt(d, area, line);
    if (r < 0 || !ln) return false;
    // After widening a row selection starts and ends in its first and last
    // columns, so the bound lines need no further move to those columns.
    if (precedes(r, line, m.StartRank, m.Start.Line) || precedes(m.EndRank, m.End.Line, r, line))
        return false;
    if (ln->IsCell && (m.Row || m.Cell)) {
        const int32_t c = columnOf(*ln);
        if (c < m.ColFirst || c > m.ColLast) return false;
        if (m.Row) return true;
    }
    if (r == m.StartRank && line == m.Start.Line && ch < m.Start.Char) return false;
    if (r == m.EndRank && line == m.End.Line && ch >= m.End.Char) return false;
    return true;
}

// ---- Word and paragraph walks -----------------------------------------------

enum class Edge { Paragraph, Word, Spelling };

bool isBoundary(const Doc& d, const TextPos& p, Edge e)
{
    const TextLine* l = lineAt(d, p);
    if (!l) return true;
    if (p.Char >= l->CharCount()) return e == Edge::Paragraph ? endsParagraph(*l) : l->EndKind > 0;
    const TextChar& c = l->Chars[size_t(std::max(p.Char, 0))];
    if (c.Kind != ckText) return e == Edge::Spelling;
    if (c.Code == ' ' || c.Code == 9) return e != Edge::Paragraph;
    return false;
}

// One position back, staying inside the paragraph and the cell (a cell goes
// back run by run); char 0 is followed by the previous line's end.
bool backPos(TMDIChild& w, TextPos& p)
{
    const TextLine* l = lineAt(w.Areas, p);
    if (!l) return false;
    if (p.Char > 0) {
        p.Char = std::min(p.Char, l->CharCount()) - 1;
        return true;
    }
    int32_t a = p.Area, n = p.Line;
    if (l->IsCell) {
        if (!prevRun(w, a, n)) return false;
    } else {
        n = n - 1;
        w.GoToLine(a, n);
        const TextLine* pv = lineAt(w.Areas, a, n);
        if (!pv || pv->IsCell) return false;
    }
    const TextLine& pv = w.Areas[size_t(a)].Lines[size_t(n)];
    if (endsParagraph(pv)) return false;
    p = TextPos{a, n, pv.CharCount()};
    return true;
}

// One position on, up to the line end; from there into the next line of the
// same cell (or text), unless the line left ends a word run (any hard end) or
// a paragraph.
bool fwdPos(TMDIChild& w, TextPos& p, bool wordWalk)
{
    const TextLine* l = lineAt(w.Areas, p);
    if (!l) return false;
    if (p.Char < l->CharCount()) {
        p.Char = std::max(p.Char, -1) + 1;
        return true;
    }
    if (wordWalk ? l->EndKind != ekSoft : endsParagraph(*l)) return false;
    int32_t a = p.Area, n = p.Line;
    if (l->IsCell) {
        if (!nextRun(w, a, n)) return false;
    } else {
        n = n + 1;
        w.GoToLine(a, n);
        const TextLine* nx = lineAt(w.Areas, a, n);
        if (!nx || nx->IsCell) return false;
    }
    p = TextPos{a, n, 0};
    return true;
}

// The step right that ends a word or paragraph selection, taken only while
// it stays in the same cell (or in text outside tables): a selection that
// reached into the next cell or row would turn into a cell selection.
void finalStepRight(TMDIChild& w, TextPos& p)
{
    const TextLine* from = lineAt(w.Areas, p);
    if (!from) return;
    TextPos q = p;
    caretStepRight(w, q);
    const TextLine* to = lineAt(w.Areas, q);
    if (!to) return;
    bool keep;
    if (!from->IsCell) {
        keep = !to->IsCell;
    } else {
        int32_t a = p.Area, l = p.Line;
        keep = (q.Area == p.Area && q.Line == p.Line) ||
               (nextRun(w, a, l) && q.Area == a && q.Line == l);
    }
    if (keep) p = q;
}

// Anchor back to the start of the word (paragraph) around `from`, cursor on
// the last boundary after it, then one step right.
void selectAround(TMDIChild& w, Edge e, TextPos from)
{
    const Doc& d = w.Areas;
    TextPos cur = from;
    for (;;) {
        w.Anchor = cur;
        const TextPos prev = cur;
        if (!backPos(w, cur)) break;
        if (isBoundary(d, cur, e) && !isBoundary(d, prev, e)) break;
    }
    cur = from;
    for (;;) {
        w.Cursor = cur;
        const TextPos prev = cur;
        if (!fwdPos(w, cur, e != Edge::Paragraph)) break;
        if (!isBoundary(d, cur, e) && isBoundary(d, prev, e)) break;
    }
    finalStepRight(w, w.Cursor);
    w.Host->restartTimer2();
}

bool clampIntoLine(const Doc& d, TextPos& p)
{
    const TextLine* l = lineAt(d, p);
    if (!l) return false;
    p.Char = std::clamp(p.Char, 0, l->CharCount());
    return true;
}

// Restores a walk flag when the walk call returns.
struct FlagScope {
    uint8_t& flag;
    uint8_t saved;
    FlagScope(uint8_t& f, uint8_t value) : flag(f), saved(f) { flag = value; }
    ~FlagScope() { flag = saved; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;
};

} // namespace

// ---- Public operations ------------------------------------------------------

void TMDIChild::GoToLine(int32_t& area, int32_t& line)
{
    if (!validArea(Areas, area)) return;
    const int32_t n = AreaCount();
    for (int32_t i = 0; i < n && line < 0; ++i) {
        const int32_t p = chainPrev(Areas, area);
        if (p < 0) break;
        area = p;
        line = addLines(line, Areas[size_t(p)].LineCount());
    }
    for (int32_t i = 0; i < n && line >= Areas[size_t(area)].LineCount(); ++i) {
        const int32_t nx = chainNext(Areas, area);
        if (nx < 0) break;
        line -= Areas[size_t(area)].LineCount();
        area = nx;
    }
}

namespace {

using MarkingCache = TMDIChild::MarkingCache;

int32_t linesOf(const Doc& d, int32_t a) { return validArea(d, a) ? d[size_t(a)].LineCount() : -1; }

int32_t charsOf(const Doc& d, const TextPos& p)
{
    const TextLine* l = lineAt(d, p);
    return l ? l->CharCount() : -1;
}

void linksOf(const Doc& d, int32_t a, int32_t* out)
{
    out[0] = validArea(d, a) ? d[size_t(a)].PrevInFlow : INT32_MIN;
    out[1] = validArea(d, a) ? d[size_t(a)].NextInFlow : INT32_MIN;
}

// Whether the cached selection was computed from the window as it is now.
bool markingFresh(const TMDIChild& w, const MarkingCache& m)
{
    if (!m.Computed || m.KeyRevision != w.DocRevision || !(m.KeyAnchor == w.Anchor) ||
        !(m.KeyCursor == w.Cursor) || m.KeyAreaCount != w.AreaCount())
        return false;
    const Doc& d = w.Areas;
    int32_t now[4];
    linksOf(d, w.Anchor.Area, now);
    linksOf(d, w.Cursor.Area, now + 2);
    return std::equal(now, now + 4, m.GuardLinks) && m.GuardStartLines == linesOf(d, m.Start.Area) &&
           m.GuardEndLines == linesOf(d, m.End.Area) && m.GuardEndChars == charsOf(d, m.End);
}

// The key and the guards markingFresh compares with.
void rememberMarkingKey(const TMDIChild& w, MarkingCache& m)
{
    const Doc& d = w.Areas;
    m.Computed = true;
    m.KeyAnchor = w.Anchor;
    m.KeyCursor = w.Cursor;
    m.KeyRevision = w.DocRevision;
    m.KeyAreaCount = w.AreaCount();
    linksOf(d, w.Anchor.Area, m.GuardLinks);
    linksOf(d, w.Cursor.Area, m.GuardLinks + 2);
    m.GuardStartLines = linesOf(d, m.Start.Area);
    m.GuardEndLines = linesOf(d, m.End.Area);
    m.GuardEndChars = charsOf(d, m.End);
}

// Whether following the NextInFlow links from `a` comes to an end.
bool linksEnd(const Doc& d, int32_t a)
{
    for (size_t i = 0; i <= d.size(); ++i) {
        a = d[size_t(a)].NextInFlow;
        if (!validIndex(a, d.size())) return true;
    }
    return false;
}

// Ranks the areas of the anchor's chain, each area once; returns the chain.
std::vector<int32_t> rankAnchorChain(const Doc& d, int32_t anchorArea, MarkingCache& m)
{
    std::vector<int32_t> back;
    std::vector<uint8_t> seen(d.size(), 0);
    seen[size_t(anchorArea)] = 1;
    for (int32_t a = chainPrev(d, anchorArea); a >= 0 && !seen[size_t(a)]; a = chainPrev(d, a)) {
        seen[size_t(a)] = 1;
        back.push_back(a);
    }
    std::vector<int32_t> chain(back.rbegin(), back.rend());
    chain.push_back(anchorArea);
    // When the links ahead end without closing a circle, every step is the
    // area's own link; asking chainNext instead looks down the rest of the
    // chain at each step, which makes every selection cost the square of
    // the page count.
    const bool ends = linksEnd(d, anchorArea);
    auto next = [&](int32_t a) {
        if (!ends) return chainNext(d, a);
        const int32_t b = d[size_t(a)].NextInFlow;
        return validIndex(b, d.size()) ? b : -1;
    };
    for (int32_t a = next(anchorArea); a >= 0 && !seen[size_t(a)]; a = next(a)) {
        seen[size_t(a)] = 1;
        chain.push_back(a);
    }
    for (size_t i = 0; i < chain.size(); ++i) m.Rank[size_t(chain[i])] = int32_t(i);
    return chain;
}

// A cursor in another chain: the selection runs to the end (or the start)
// of the anchor's chain instead.
TextPos cursorInChain(const Doc& d, const MarkingCache& m, const std::vector<int32_t>& chain, const TextPos& anchor,
                      TextPos c)
{
    if (m.rankOf(c.Area) >= 0) return c;
    if (c.Area > anchor.Area) {
        const int32_t last = chain.back();
        const int32_t lc = d[size_t(last)].LineCount();
        return TextPos{last, std::max(0, lc - 1), lc > 0 ? d[size_t(last)].Lines[size_t(lc - 1)].CharCount() : 0};
    }
    return TextPos{chain.front(), 0, 0};
}

// Start and end in text order.
void orderEnds(MarkingCache& m, const TextPos& a, const TextPos& c)
{
    const int32_t ra = m.rankOf(a.Area), rc = m.rankOf(c.Area);
    const bool cursorFirst = precedes(rc, c.Line, ra, a.Line) || (rc == ra && c.Line == a.Line && a.Char >= c.Char);
    m.Start = cursorFirst ? c : a;
    m.End = cursorFirst ? a : c;
    m.StartRank = m.rankOf(m.Start.Area);
    m.EndRank = m.rankOf(m.End.Area);
}

struct CoveredLines {
    bool Cells = false, Text = false;
    int32_t Widest = 1;  // the most cells of a covered row
};

// Which kinds of line the selection covers.
CoveredLines coveredLines(TMDIChild& w, const MarkingCache& m)
{
    const Doc& d = w.Areas;
    CoveredLines seen;
    int32_t sa = m.Start.Area, sl = m.Start.Line;
    for (int64_t guard = walkBudget(d); guard > 0; --guard) {
        const TextLine* ln = lineAt(d, sa, sl);
        const int32_t r = m.rankOf(sa);
        if (!ln || r < 0 || precedes(m.EndRank, m.End.Line, r, sl)) break;
        if (ln->IsCell) {
            seen.Cells = true;
            seen.Widest = std::max(seen.Widest, cellsOf(*ln));
        } else {
            seen.Text = true;
        }
        ++sl;
        w.GoToLine(sa, sl);
    }
    return seen;
}

// A selection over cells selects whole cells, within one row, or whole rows
// (widened to their first and last runs) once it leaves the row.
void widenOverCells(TMDIChild& w, MarkingCache& m)
{
    const Doc& d = w.Areas;
    const CoveredLines seen = coveredLines(w, m);
    const TextLine* sLine = lineAt(d, m.Start);
    const TextLine* eLine = lineAt(d, m.End);
    if (!seen.Cells || (m.Start.Area == m.End.Area && m.Start.Line == m.End.Line)) return;
    m.Cell = 1;
    if (!seen.Text) {
        m.ColFirst = sLine ? columnOf(*sLine) : 0;
        m.ColLast = eLine ? columnOf(*eLine) : 0;
    } else {
        m.ColFirst = 0;
        m.ColLast = seen.Widest - 1;
    }
    if (m.ColFirst > m.ColLast) std::swap(m.ColFirst, m.ColLast);

    // A text line is a row of its own, so text before or after a
    // table always makes a row selection.
    int32_t fa = m.Start.Area, fl = m.Start.Line, ga = m.End.Area, gl = m.End.Line;
    if (sLine && sLine->IsCell) toFirstRun(w, fa, fl);
    if (eLine && eLine->IsCell) toFirstRun(w, ga, gl);
    if (fa == ga && fl == gl) return;
    m.Row = 1;
    if (sLine && sLine->IsCell) {
        int32_t sa = m.Start.Area, sl = m.Start.Line;
        toColumn(w, sa, sl, m.ColFirst);
        toFirstRun(w, sa, sl);
        m.Start = TextPos{sa, sl, 0};
    }
    if (eLine && eLine->IsCell) {
        int32_t ea = m.End.Area, el = m.End.Line;
        toColumn(w, ea, el, m.ColLast);
        toLastRun(w, ea, el);
        m.End = TextPos{ea, el, d[size_t(ea)].Lines[size_t(el)].CharCount()};
    }
    m.StartRank = m.rankOf(m.Start.Area);
    m.EndRank = m.rankOf(m.End.Area);
}

// Where walks stop looking: the end of the end's row.
void findEndRow(TMDIChild& w, MarkingCache& m)
{
    const Doc& d = w.Areas;
    int32_t ea = m.End.Area, el = m.End.Line;
    if (const TextLine* ln = lineAt(d, ea, el); ln && ln->IsCell) {
        toLastRun(w, ea, el);
        toColumn(w, ea, el, cellsOf(*lineAt(d, ea, el)) - 1);
    }
    m.EndRowRank = m.rankOf(ea) >= 0 ? m.rankOf(ea) : m.EndRank;
    m.EndRowLine = m.rankOf(ea) >= 0 ? el : m.End.Line;
}

// Orders and widens the selection between the window's anchor and cursor.
// Clears the places of the last computation: all of them when the area
// count changed, else only those it gave.
void clearRanks(const Doc& d, MarkingCache& m)
{
    if (m.Rank.size() != d.size()) {
        m.Rank.assign(d.size(), -1);
    } else {
        for (int32_t a : m.Ranked)
            if (validArea(d, a)) m.Rank[size_t(a)] = -1;
    }
    m.Ranked.clear();
    m.OneArea = -1;
}

// Whether the selection lies in one area, on no table cell and with its end
// before the area's last line: the walk over the covered lines then stops
// inside the area and finds no cells, and the order is that of lines and
// characters, as ranking the chain would give.
bool withinOneArea(const Doc& d, const TextPos& anchor, const TextPos& cursor)
{
    if (anchor.Area != cursor.Area || !validArea(d, anchor.Area)) return false;
    const TextArea& a = d[size_t(anchor.Area)];
    const int32_t first = std::min(anchor.Line, cursor.Line), last = std::max(anchor.Line, cursor.Line);
    if (first < 0 || last >= a.LineCount() - 1) return false;
    for (int32_t l = first; l <= last; ++l)
        if (a.Lines[size_t(l)].IsCell) return false;
    return true;
}

void computeMarking(TMDIChild& w, MarkingCache& m)
{
    const Doc& d = w.Areas;
    m.Valid = validArea(d, w.Anchor.Area);
    m.Start = m.End = w.Anchor;
    m.Cell = m.Row = 0;
    m.ColFirst = m.ColLast = 0;
    clearRanks(d, m);
    if (m.Valid && withinOneArea(d, w.Anchor, w.Cursor)) {
        m.OneArea = w.Anchor.Area;
        m.Rank[size_t(m.OneArea)] = 0;
        m.Ranked.push_back(m.OneArea);
        orderEnds(m, w.Anchor, w.Cursor);
        m.EndRowRank = m.EndRank;
        m.EndRowLine = m.End.Line;
    } else if (m.Valid) {
        const std::vector<int32_t> chain = rankAnchorChain(d, w.Anchor.Area, m);
        m.Ranked = chain;
        orderEnds(m, w.Anchor, cursorInChain(d, m, chain, w.Anchor, w.Cursor));
        widenOverCells(w, m);
        findEndRow(w, m);
    }
    rememberMarkingKey(w, m);
}

// Ranks the whole chain for a selection ordered inside its one area: the
// ends stay, their places become those in the chain.
void rankChain(const Doc& d, MarkingCache& m)
{
    const int32_t area = m.OneArea;
    m.Rank[size_t(area)] = -1;
    m.Ranked = rankAnchorChain(d, area, m);
    m.OneArea = -1;
    m.StartRank = m.EndRank = m.EndRowRank = m.rankOf(area);
}

} // namespace

const TMDIChild::MarkingCache& TMDIChild::currentMarking(bool recompute)
{
    if (!MarkCache) MarkCache = std::make_shared<MarkingCache>();
    MarkingCache& m = *MarkCache;
    if (recompute || !markingFresh(*this, m)) computeMarking(*this, m);
    MarkingStart = m.Start;
    MarkingEnd = m.End;
    CellMarking = m.Cell;
    RowMarking = m.Row;
    MarkColumnFirst = m.ColFirst;
    MarkColumnLast = m.ColLast;
    return m;
}

void TMDIChild::FindMarkingStart()
{
    currentMarking(true);
    windowWalk() = TextWalker(MarkingStart);
}

TMDIChild::TextWalker TMDIChild::MarkedWalk()
{
    currentMarking(true);
    return TextWalker(MarkingStart);
}

bool TMDIChild::isinmarking(int32_t area, int32_t line, int32_t ch)
{
    return inMarking(Areas, currentMarking(false), area, line, ch);
}

bool TMDIChild::getnextchar(TextWalker& w) { return walkForward(*this, w, false); }

bool TMDIChild::getnextcharTableBlind(TextWalker& w) { return walkForward(*this, w, true); }

bool TMDIChild::getPrevsChar(TextWalker& w)
{
    beginStep(Areas, w);
    TextPos p = w.Pos;
    bool ok = false;
    if (const TextLine* ln = lineAt(Areas, p)) {
        p.Char = std::clamp(p.Char, 0, ln->CharCount()) - 1;
        ok = p.Char >= 0 || backwardLine(*this, w, p);
    }
    w.Pos = p;
    w.Seen = p;
    return ok;
}

bool TMDIChild::nextMarked(TextWalker& w, bool tableBlind, bool byLines)
{
    currentMarking(false);
    MarkingCache& m = *MarkCache;
    if (!m.Valid) return false;
    // A selection lies in one chain: jumping to unvisited areas could only
    // bring the walk back to text it has handled.
    FlagScope allAreas(WalkAllAreas, 0);
    FlagScope lines(WalkByLines, byLines ? 1 : WalkByLines);
    const int32_t fromArea = w.Pos.Area, fromLine = w.Pos.Line;
    for (;;) {
        if (!walkForward(*this, w, tableBlind)) return false;
        const TextPos& p = w.Pos;
        // A walk that leaves the area of a selection inside one area
        // stops unless the area it reached lies before the selection.
        if (m.OneArea >= 0 && p.Area != m.OneArea && validArea(Areas, m.OneArea)) rankChain(Areas, m);
        const int32_t r = m.rankOf(p.Area);
        if (r < 0 || precedes(m.EndRowRank, m.EndRowLine, r, p.Line)) return false;
        if (byLines && p.Area == fromArea && p.Line == fromLine) continue;
        if (inMarking(Areas, m, p.Area, p.Line, p.Char)) return true;
    }
}

bool TMDIChild::getnextmarkedchar(TextWalker& w) { return nextMarked(w, false, false); }
bool TMDIChild::getnextmarkedcharTableBlind(TextWalker& w) { return nextMarked(w, true, false); }
bool TMDIChild::getnextmarkedline(TextWalker& w) { return nextMarked(w, false, true); }
bool TMDIChild::getnextmarkedlineTableBlind(TextWalker& w) { return nextMarked(w, true, true); }

TMDIChild::TextWalker& TMDIChild::windowWalk()
{
    // Structural edits during a walk keep the window's walk on its text.
    if (!WalkRegistered) {
        RegisterPosition(&Walk.Pos);
        WalkRegistered = 1;
    }
    return Walk;
}

bool TMDIChild::getnextchar() { return getnextchar(windowWalk()); }
bool TMDIChild::getnextcharTableBlind() { return getnextcharTableBlind(windowWalk()); }
bool TMDIChild::getPrevsChar() { return getPrevsChar(windowWalk()); }
bool TMDIChild::getnextmarkedchar() { return getnextmarkedchar(windowWalk()); }
bool TMDIChild::getnextmarkedcharTableBlind() { return getnextmarkedcharTableBlind(windowWalk()); }
bool TMDIChild::getnextmarkedline() { return getnextmarkedline(windowWalk()); }
bool TMDIChild::getnextmarkedlineTableBlind() { return getnextmarkedlineTableBlind(windowWalk()); }

void TMDIChild::WortMarkieren()
{
    if (!clampIntoLine(Areas, Cursor)) return;
    Anchor = Cursor;
    selectAround(*this, Edge::Word, Cursor);
}

void TMDIChild::AbsatzMarkieren()
{
    if (!clampIntoLine(Areas, Anchor)) return;
    Cursor = Anchor;
    selectAround(*this, Edge::Paragraph, Anchor);
}

void TMDIChild::GetActualWord(uint8_t moveToStart, std::string& word)
{
    word.clear();
    TextPos cur = Cursor;
    if (!clampIntoLine(Areas, cur)) return;
    const Doc& d = Areas;
    auto charAt = [&](const TextPos& p, std::string& out) {
        const TextLine& l = d[size_t(p.Area)].Lines[size_t(p.Line)];
        if (p.Char < l.CharCount()) out.push_back(char(l.Chars[size_t(p.Char)].Code));
    };

    const TextPos cursor = cur;
    TextPos start = cur;
    // On a boundary the word is the one that ends right before it; a
    // boundary after a boundary has no word.
    const bool onBoundary = isBoundary(d, cur, Edge::Spelling);
    bool inWord = !onBoundary;
    if (onBoundary) {
        TextPos b = cur;
        if (backPos(*this, b) && !isBoundary(d, b, Edge::Spelling)) {
            cur = b;
            inWord = true;
        }
    }
    std::string reversed;
    if (inWord) {
        for (;;) {
            start = cur;
            charAt(cur, reversed);
            TextPos b = cur;
            if (!backPos(*this, b) || isBoundary(d, b, Edge::Spelling)) break;
            cur = b;
        }
    }
    word.assign(reversed.rbegin(), reversed.rend());
    if (!onBoundary) {
        TextPos f = cursor;
        while (fwdPos(*this, f, true) && !isBoundary(d, f, Edge::Spelling)) charAt(f, word);
    }
    if (moveToStart) Anchor = Cursor = start;
}

} // namespace quillet
