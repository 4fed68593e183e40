#pragma once
// Small walkers over a document's areas and lines, shared by everything that
// steps through text: checked access to areas and lines, the shape of table
// rows, paragraph ends, flow chains and table runs.
//
// A table row is stored as runs of CellsPerRow lines, one line per cell and
// run after run; a cell's text goes on in the same column of the next run.

#include "engine/Childwin.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace quillet {

inline bool validIndex(int32_t i, size_t size) { return i >= 0 && size_t(i) < size; }

// Line `l` of area `a`, or null when either index is out of range.
inline const TextLine* lineAt(const std::vector<TextArea>& d, int32_t a, int32_t l)
{
    if (!validIndex(a, d.size()) || l < 0 || l >= d[size_t(a)].LineCount()) return nullptr;
    return &d[size_t(a)].Lines[size_t(l)];
}

inline TextLine* lineAt(std::vector<TextArea>& d, int32_t a, int32_t l)
{
    return const_cast<TextLine*>(lineAt(std::as_const(d), a, l));
}

inline const TextLine* lineAt(const std::vector<TextArea>& d, const TextPos& p) { return lineAt(d, p.Area, p.Line); }
inline TextLine* lineAt(std::vector<TextArea>& d, const TextPos& p) { return lineAt(d, p.Area, p.Line); }
inline TextLine* lineAt(TMDIChild& w, int32_t a, int32_t l) { return lineAt(w.Areas, a, l); }
inline TextLine* lineAt(TMDIChild& w, const TextPos& p) { return lineAt(w.Areas, p.Area, p.Line); }

// Lines of the line's table run (its row's cell count); 1 outside tables and
// for a damaged count, so a step by it always moves on.
inline int32_t cellsOf(const TextLine& l) { return l.IsCell ? std::max<int32_t>(1, l.CellsPerRow) : 1; }

// The line's column in its run, held inside the run; 0 outside tables.
inline int32_t columnOf(const TextLine& l)
{
    return l.IsCell ? std::clamp<int32_t>(l.CellIndex, 0, cellsOf(l) - 1) : 0;
}

// A paragraph ends at a paragraph end or a page break; soft wraps and manual
// line breaks go on in the same paragraph.
inline bool endsParagraph(const TextLine& l) { return l.EndKind == ekParagraph || l.EndKind == ekPageBreak; }

// line + delta, held to the int32 range (delta may come from a damaged count).
inline int32_t addLines(int32_t line, int64_t delta)
{
    return int32_t(std::clamp<int64_t>(int64_t(line) + delta, INT32_MIN, INT32_MAX));
}

// ---- Flow chains ---------------------------------------------------------------
// Areas linked by PrevInFlow/NextInFlow carry one text. A damaged file can
// link them in a circle: every walk cuts it at its lowest-index area, which
// becomes the chain's first area, so no walk goes round for ever and all
// agree on where a chain starts and ends.

// The next (previous) area of a's chain, or -1 at its end (start).
int32_t chainNext(const std::vector<TextArea>& d, int32_t a);
int32_t chainPrev(const std::vector<TextArea>& d, int32_t a);
// The first (last) area of the chain through a valid area `a`.
int32_t chainFirst(const std::vector<TextArea>& d, int32_t a);
int32_t chainLast(const std::vector<TextArea>& d, int32_t a);

// ---- Table runs ----------------------------------------------------------------
// A run whose cell count differs from the run before it is damaged: it is
// no continuation of a cell above it, so caret, walks and selection all
// take the cell to end there.

// Moves (a, l) to the same cell's line in the next (previous) run of its
// row; false, leaving them, at the row's edge or where the row is damaged.
bool nextRun(TMDIChild& w, int32_t& a, int32_t& l);
bool prevRun(TMDIChild& w, int32_t& a, int32_t& l);
// The cell's line in the row's first (last) run.
void toFirstRun(TMDIChild& w, int32_t& a, int32_t& l);
void toLastRun(TMDIChild& w, int32_t& a, int32_t& l);

// The caret's step one character right from a place inside a line: true
// while it stays in the line. A soft-wrapped line's end and the next line's
// start are one place, so the step passes the second; from a cell's end it
// goes on in the same cell's next run, else in the next cell.
bool caretStepRight(TMDIChild& w, TextPos& p);

} // namespace quillet
