#include "engine/DocWalk.h"

#include <algorithm>
#include <vector>

namespace quillet {

namespace {

// True when `b` is the lowest-index area of a link cycle through it.
bool isCycleMin(const std::vector<TextArea>& d, int32_t b, bool forward)
{
    int32_t x = b;
    for (size_t i = 0; i < d.size(); ++i) {
        x = forward ? d[size_t(x)].NextInFlow : d[size_t(x)].PrevInFlow;
        if (!validIndex(x, d.size()) || x < b) return false;
        if (x == b) return true;
    }
    return false;
}

} // namespace

int32_t chainNext(const std::vector<TextArea>& d, int32_t a)
{
    if (!validIndex(a, d.size())) return -1;
    const int32_t b = d[size_t(a)].NextInFlow;
    if (!validIndex(b, d.size()) || b == a || isCycleMin(d, b, true)) return -1;
    return b;
}

int32_t chainPrev(const std::vector<TextArea>& d, int32_t a)
{
    if (!validIndex(a, d.size())) return -1;
    const int32_t b = d[size_t(a)].PrevInFlow;
    if (!validIndex(b, d.size()) || b == a || isCycleMin(d, a, false)) return -1;
    return b;
}

namespace {

// For every area, whether it is the lowest-index area of a link cycle
// through it (isCycleMin for all areas at once), in time linear in the
// document: the links form a graph of out-degree one, whose cycles one
// colouring walk finds.
std::vector<uint8_t> cycleMins(const std::vector<TextArea>& d, bool forward)
{
    const size_t n = d.size();
    std::vector<uint8_t> state(n, 0);  // 0 not seen, 1 on the walk under way, 2 done
    std::vector<uint8_t> mins(n, 0);
    std::vector<int32_t> path;
    for (size_t start = 0; start < n; ++start) {
        if (state[start]) continue;
        path.clear();
        int32_t x = int32_t(start);
        while (validIndex(x, n) && state[size_t(x)] == 0) {
            state[size_t(x)] = 1;
            path.push_back(x);
            x = forward ? d[size_t(x)].NextInFlow : d[size_t(x)].PrevInFlow;
        }
        if (validIndex(x, n) && state[size_t(x)] == 1) {
            // The walk closed on itself at x: the cycle is the path from x on.
            int32_t lowest = x;
            for (size_t i = path.size(); i-- > 0 && path[i] != x;) lowest = std::min(lowest, path[i]);
            mins[size_t(lowest)] = 1;
        }
        for (int32_t p : path) state[size_t(p)] = 2;
    }
    return mins;
}

} // namespace

// Both walk the chain step by step as chainPrev/chainNext do, with the cycle
// test done once for the whole document rather than at every step.
int32_t chainFirst(const std::vector<TextArea>& d, int32_t a)
{
    if (!validIndex(a, d.size())) return a;
    const std::vector<uint8_t> mins = cycleMins(d, false);
    for (size_t i = 0; i < d.size(); ++i) {
        const int32_t b = d[size_t(a)].PrevInFlow;
        if (!validIndex(b, d.size()) || b == a || mins[size_t(a)]) break;
        a = b;
    }
    return a;
}

int32_t chainLast(const std::vector<TextArea>& d, int32_t a)
{
    if (!validIndex(a, d.size())) return a;
    const std::vector<uint8_t> mins = cycleMins(d, true);
    for (size_t i = 0; i < d.size(); ++i) {
        const int32_t b = d[size_t(a)].NextInFlow;
        if (!validIndex(b, d.size()) || b == a || mins[size_t(b)]) break;
        a = b;
    }
    return a;
}

bool nextRun(TMDIChild& w, int32_t& a, int32_t& l)
{
    const TextLine* cur = lineAt(w.Areas, a, l);
    if (!cur || !cur->IsCell || cur->RowLastRun) return false;
    int32_t na = a, nl = addLines(l, cellsOf(*cur));
    w.GoToLine(na, nl);
    const TextLine* nx = lineAt(w.Areas, na, nl);
    if (!nx || !nx->IsCell || nx->RowFirstRun || cellsOf(*nx) != cellsOf(*cur) ||
        columnOf(*nx) != columnOf(*cur))
        return false;
    a = na;
    l = nl;
    return true;
}

bool prevRun(TMDIChild& w, int32_t& a, int32_t& l)
{
    const TextLine* cur = lineAt(w.Areas, a, l);
    if (!cur || !cur->IsCell || cur->RowFirstRun) return false;
    int32_t na = a, nl = addLines(l, -int64_t(cellsOf(*cur)));
    w.GoToLine(na, nl);
    const TextLine* pv = lineAt(w.Areas, na, nl);
    if (!pv || !pv->IsCell || pv->RowLastRun || cellsOf(*pv) != cellsOf(*cur) ||
        columnOf(*pv) != columnOf(*cur))
        return false;
    a = na;
    l = nl;
    return true;
}

// Every step goes strictly back (forward) along acyclic links, so these end.
void toFirstRun(TMDIChild& w, int32_t& a, int32_t& l)
{
    while (prevRun(w, a, l)) {}
}

void toLastRun(TMDIChild& w, int32_t& a, int32_t& l)
{
    while (nextRun(w, a, l)) {}
}

bool caretStepRight(TMDIChild& w, TextPos& p)
{
    const TextLine* ln = lineAt(w, p);
    if (!ln) return false;
    const int32_t cc = ln->CharCount();
    if (p.Char + 1 <= cc) {
        ++p.Char;
        return true;
    }
    p.Char = cc;
    // Only a soft wrap makes the line's end and the next line's start one place.
    const int32_t ch = ln->EndKind == ekSoft ? 1 : 0;

    // The lines follow each other as the document walks take them: a cell
    // run by run, then the next cell from its first run, then past the row.
    int32_t a = p.Area, l = p.Line;
    if (ln->IsCell) {
        int32_t na = a, nl = l;
        const bool more = nextRun(w, na, nl);
        if (more) {
            const TextLine& nx = w.Areas[size_t(na)].Lines[size_t(nl)];
            // An empty continuation of a cell that ended softly: the text
            // goes on in the next cell of the run.
            if (!(nx.CharCount() == 0 && nx.EndKind == ekSoft && ln->EndKind == ekSoft)) {
                p = TextPos{na, nl, std::min(ch, nx.CharCount())};
                return false;
            }
        }
        if (columnOf(*ln) < cellsOf(*ln) - 1) {
            toFirstRun(w, a, l);
            l = addLines(l, 1);
            w.GoToLine(a, l);
            if (lineAt(w, a, l)) p = TextPos{a, l, 0};
            return false;
        }
        if (more) toLastRun(w, a, l);
    }
    l = addLines(l, 1);
    w.GoToLine(a, l);
    const TextLine* nx = lineAt(w, a, l);
    if (!nx) return false;  // the end of the chain: the caret stays at the line end
    p = TextPos{a, l, nx->IsCell ? 0 : std::min(ch, nx->CharCount())};
    return false;
}

} // namespace quillet
