// Deleting the selection. The work is line by line: the start line loses its
// tail, the lines between lose everything, the end line its head; the lines
// emptied end softly, so the next layout pass joins what is left into one
// paragraph and drops the empty lines. No snapshot and no layout here: the
// callers take the one and run the other.
//
// Which lines between the ends are touched is settled before anything
// changes, by the selection's own membership test: a selection inside one
// table row spans lines of columns outside it, which must stay as they are.

#include "engine/Childwin.h"

#include "engine/DocWalk.h"

#include <algorithm>
#include <climits>

namespace quillet {

namespace {

struct LinePos {
    int32_t Area;
    int32_t Line;
};

void removeChars(TMDIChild& w, int32_t a, int32_t l, int32_t at, int32_t count)
{
    TextLine* ln = lineAt(w, a, l);
    if (!ln || count <= 0 || at < 0 || at >= ln->CharCount()) return;
    count = std::min(count, ln->CharCount() - at);
    for (int32_t i = at; i < at + count; ++i) TMDIChild::freezeichen(ln->Chars[size_t(i)]);
    ln->Chars.erase(ln->Chars.begin() + at, ln->Chars.begin() + at + count);
    if (ln->Chars.empty()) ln->Chars.shrink_to_fit();
    w.PositionsCharsRemoved(a, l, at, count);
}

// Takes the cell line out of its row: the run gets one cell fewer and the
// cells after it move one column to the left. A run that loses its last cell
// vanishes, and the row's first/last-run marks pass to its neighbour run.
void removeCellLine(TMDIChild& w, const LinePos& p)
{
    TextLine* ln = lineAt(w, p.Area, p.Line);
    if (!ln || !ln->IsCell) return;
    std::vector<TextLine>& lines = w.Areas[size_t(p.Area)].Lines;
    const int32_t n = cellsOf(*ln);
    const int32_t c = columnOf(*ln);
    const int32_t start = p.Line - c;
    for (int32_t i = 0; i < n; ++i) {
        const int32_t r = start + i;
        if (r < 0 || r >= int32_t(lines.size())) continue;
        TextLine& x = lines[size_t(r)];
        if (!x.IsCell || cellsOf(x) != n) continue;
        x.CellsPerRow = n - 1;
        if (i > c) x.CellIndex = std::max(0, x.CellIndex - 1);
    }
    const bool wasFirst = ln->RowFirstRun, wasLast = ln->RowLastRun;
    lines.erase(lines.begin() + p.Line);
    w.PositionsLineRemoved(p.Area, p.Line, p.Line, 0);

    if (n == 1 && wasFirst != wasLast) {
        // The run is gone but its row goes on: its neighbour run becomes the
        // row's first (last) run.
        const int32_t from = wasFirst ? p.Line : p.Line - 1;
        const TextLine* nb = lineAt(w, p.Area, from);
        if (nb && nb->IsCell) {
            const int32_t s = from - columnOf(*nb);
            const int32_t m = cellsOf(*nb);
            for (int32_t r = std::max(0, s); r < s + m && r < int32_t(lines.size()); ++r) {
                if (!lines[size_t(r)].IsCell) continue;
                if (wasFirst) lines[size_t(r)].RowFirstRun = 1;
                else lines[size_t(r)].RowLastRun = 1;
            }
        }
    }
}

// Puts a position that a removal left past its area's lines into the chain's
// next area, or onto the chain's last line.
void normalise(TMDIChild& w, TextPos& p)
{
    if (p.Area < 0 || p.Area >= w.AreaCount()) {
        TMDIChild::ClampPosition(w.Areas, p);
        return;
    }
    int32_t a = p.Area, l = p.Line;
    if (l >= w.Areas[size_t(a)].LineCount()) {
        w.GoToLine(a, l);
        if (lineAt(w, a, l)) {
            p = TextPos{a, l, 0};
            return;
        }
        // The end of the chain: its last line that exists.
        for (int32_t i = 0; i < w.AreaCount() && w.Areas[size_t(a)].Lines.empty(); ++i) {
            const int32_t prev = w.Areas[size_t(a)].PrevInFlow;
            if (prev < 0 || prev >= w.AreaCount() || prev == a) break;
            a = prev;
        }
        const TextArea& area = w.Areas[size_t(a)];
        if (!area.Lines.empty()) {
            p = TextPos{a, area.LineCount() - 1, area.Lines.back().CharCount()};
            return;
        }
        p.Area = a;
    }
    TMDIChild::ClampPosition(w.Areas, p);
}

// A chain that lost every line gets one empty paragraph back, so that the
// caret has a place.
void keepOneLine(TMDIChild& w, int32_t area)
{
    if (area < 0 || area >= w.AreaCount()) return;
    int32_t first = area;
    for (int32_t i = 0; i < w.AreaCount(); ++i) {
        const int32_t prev = w.Areas[size_t(first)].PrevInFlow;
        if (prev < 0 || prev >= w.AreaCount() || prev == first) break;
        first = prev;
    }
    int32_t a = first;
    for (int32_t i = 0; i < w.AreaCount() && a >= 0 && a < w.AreaCount(); ++i) {
        if (!w.Areas[size_t(a)].Lines.empty()) return;
        const int32_t next = w.Areas[size_t(a)].NextInFlow;
        if (next == a) break;
        a = next;
    }
    std::vector<TextLine>& lines = w.Areas[size_t(first)].Lines;
    lines.emplace_back();
    InitNewLine(lines, 0);
    lines[0].EndKind = ekParagraph;
    lines[0].Dirty = 1;
    w.PositionsLinesInserted(first, 0, 1);
}

} // namespace

void TMDIChild::DeleteMarking()
{
    if (!isThereAmarking()) return;
    ClampPositions();
    if (!isThereAmarking()) return;

    FindMarkingStart();
    TextPos s = MarkingStart;
    TextPos e = MarkingEnd;
    const bool rows = RowMarking != 0;
    TextLine* sl = lineAt(*this, s);
    TextLine* el = lineAt(*this, e);
    if (!sl || !el) {
        Anchor = Cursor;
        return;
    }
    s.Char = std::clamp(s.Char, 0, sl->CharCount());
    e.Char = std::clamp(e.Char, 0, el->CharCount());

    std::vector<LinePos> removal;
    const int32_t startEnd = sl->EndKind;
    const bool multiLine = !(s.Area == e.Area && s.Line == e.Line);

    if (!multiLine) {
        removeChars(*this, s.Area, s.Line, s.Char, e.Char - s.Char);
        sl->Dirty = 1;
    } else {
        // The lines between, as the selection sees them, before any change.
        std::vector<LinePos> between;
        {
            int64_t guard = 1;
            for (const TextArea& a : Areas) guard += a.LineCount();
            int32_t a = s.Area, l = s.Line;
            while (guard-- > 0) {
                if (l == INT32_MAX) break;
                ++l;
                GoToLine(a, l);
                if (!lineAt(*this, a, l) || (a == e.Area && l == e.Line)) break;
                if (isinmarking(a, l, 0)) between.push_back(LinePos{a, l});
            }
        }
        const bool textIntoTable = !sl->IsCell && el->IsCell;

        removeChars(*this, s.Area, s.Line, s.Char, sl->CharCount() - s.Char);
        sl->EndKind = ekSoft;
        sl->Dirty = 1;
        if (sl->IsCell && rows && sl->CharCount() == 0) removal.push_back(LinePos{s.Area, s.Line});

        for (const LinePos& b : between) {
            TextLine& bl = Areas[size_t(b.Area)].Lines[size_t(b.Line)];
            removeChars(*this, b.Area, b.Line, 0, bl.CharCount());
            bl.EndKind = ekSoft;
            bl.Dirty = 1;
            if (rows && bl.IsCell) removal.push_back(b);
        }

        removeChars(*this, e.Area, e.Line, 0, e.Char);
        el->Dirty = 1;
        if (el->IsCell && rows && el->CharCount() == 0) removal.push_back(LinePos{e.Area, e.Line});

        // Text that ran into a table keeps a paragraph end: nothing can join
        // it across the rows, and a soft end there would let a later Delete
        // eat into the first cell.
        if (textIntoTable) sl->EndKind = startEnd != ekSoft ? startEnd : ekParagraph;
    }

    Cursor = Anchor = s;

    if (CutInProgress && !removal.empty()) {
        for (size_t i = removal.size(); i-- > 0;) removeCellLine(*this, removal[i]);
        for (const LinePos& p : removal) keepOneLine(*this, p.Area);
        normalise(*this, Cursor);
        normalise(*this, Anchor);
        for (TextPos* p : StoredPositions()) normalise(*this, *p);
        Anchor = Cursor;
    }

    // Text before a table that stays keeps a hard end: nothing joins it
    // across the rows.
    if (TextLine* first = lineAt(*this, Cursor); multiLine && first && !first->IsCell && first->EndKind == ekSoft) {
        int32_t a = Cursor.Area, l = Cursor.Line + 1;
        GoToLine(a, l);
        const TextLine* next = lineAt(*this, a, l);
        if (next && next->IsCell && next->RowFirstRun) first->EndKind = startEnd != ekSoft ? startEnd : ekParagraph;
    }

    InvalidateMarking();
    FreeBildInListeIfNotNeeded();
}

} // namespace quillet
