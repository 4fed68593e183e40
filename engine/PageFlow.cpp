// The page-flow steps of the layout pass: every text flow is gathered back
// into its first area before lines are broken; afterwards footnote areas are
// sized, every line is placed from the top of its area, footnotes are
// numbered and stacked at the bottom of their page, lines that do not fit
// move on to the next area of the flow (or onto a new page), footnote areas
// whose reference is gone are deleted and empty continuation pages dropped.
//
// Flows are followed along their chains from each chain's head, never in
// array order: the array order is the z-order of floating areas, and a
// linked frame may well stand before its predecessor.

#include "engine/Childwin.h"
#include "engine/DocWalk.h"
#include "engine/LineSpan.h"
#include "platform/Units.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <map>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace quillet {

// Placement keeps pointers into line arrays while pages are appended: the
// area array must move its elements, not copy them, when it grows.
static_assert(std::is_nothrow_move_constructible_v<TextArea>);

namespace {

// Printer pixels -> logical screen pixels (truncated toward zero) -> mm.
double screenLengthMm(int32_t printerPx, int32_t printerDpi, int32_t screenDpi)
{
    if (printerDpi <= 0) printerDpi = 600;
    if (screenDpi <= 0) screenDpi = 96;
    const int64_t screenPx = int64_t(printerPx) * screenDpi / printerDpi;
    return double(screenPx) / screenDpi * kMmPerInch;
}

// Makes the flow links a set of disjoint, cycle-free chains with symmetric
// links. Links that point outside the array or at the area itself are
// dropped; an area claimed as successor by two areas stays with the first
// chain that reaches it; a chain that closes on itself is cut where it
// returns. Well-formed documents pass through unchanged.
void normalizeFlowLinks(std::vector<TextArea>& areas)
{
    const int32_t n = int32_t(areas.size());
    for (int32_t i = 0; i < n; ++i) {
        TextArea& a = areas[size_t(i)];
        if (!validIndex(a.PrevInFlow, areas.size()) || a.PrevInFlow == i) a.PrevInFlow = -1;
        if (!validIndex(a.NextInFlow, areas.size()) || a.NextInFlow == i) a.NextInFlow = -1;
    }
    std::vector<uint8_t> claimed(size_t(n), 0);
    auto walk = [&](int32_t head) {
        claimed[size_t(head)] = 1;
        int32_t cur = head;
        for (;;) {
            const int32_t next = areas[size_t(cur)].NextInFlow;
            if (next == -1) break;
            if (claimed[size_t(next)]) {
                areas[size_t(cur)].NextInFlow = -1;
                break;
            }
            claimed[size_t(next)] = 1;
            areas[size_t(next)].PrevInFlow = cur;
            cur = next;
        }
    };
    for (int32_t i = 0; i < n; ++i)
        if (areas[size_t(i)].PrevInFlow == -1 && !claimed[size_t(i)]) walk(i);
    // What is left lies on a cycle without a head, or names a predecessor
    // that continues elsewhere: it starts a chain of its own.
    for (int32_t i = 0; i < n; ++i)
        if (!claimed[size_t(i)]) {
            areas[size_t(i)].PrevInFlow = -1;
            walk(i);
        }
}

// Stored positions on lines [from, from + count) of `src` move with those
// lines to `dst` at line `at`; the lines of `src` after the range and those
// of `dst` from `at` on shift accordingly.
void positionsLinesMoved(TMDIChild& w, int32_t src, int32_t from, int32_t count, int32_t dst, int32_t at)
{
    if (count <= 0) return;
    for (TextPos* p : w.StoredPositions()) {
        if (p->Area == src && p->Line >= from && p->Line < from + count) {
            p->Area = dst;
            p->Line = at + (p->Line - from);
        } else if (p->Area == src && p->Line >= from + count) {
            p->Line -= count;
        } else if (p->Area == dst && p->Line >= at) {
            p->Line += count;
        }
    }
}

// Deletes area `index` and keeps every stored position valid: positions in
// it go to the end of `fallback` (an index before the removal), later area
// indexes move down. DeleteField is given the positions as they stood, so
// the fix-up happens exactly once whatever DeleteField does with them.
void removeAreaKeepingPositions(TMDIChild& w, int32_t index, int32_t fallback)
{
    const std::vector<TextPos*> stored = w.StoredPositions();
    std::vector<TextPos> saved;
    saved.reserve(stored.size());
    for (const TextPos* p : stored) saved.push_back(*p);

    w.DeleteField(index);

    for (size_t i = 0; i < stored.size(); ++i) *stored[i] = saved[i];
    int32_t after = fallback > index ? fallback - 1 : fallback;
    if (!validIndex(after, w.Areas.size())) after = 0;
    w.PositionsAreaRemoved(index, after);
    if (validIndex(after, w.Areas.size())) {
        const TextArea& f = w.Areas[size_t(after)];
        const int32_t lastLine = std::max(0, f.LineCount() - 1);
        const int32_t lastChar = f.Lines.empty() ? 0 : f.Lines.back().CharCount();
        for (size_t i = 0; i < stored.size(); ++i)
            if (saved[i].Area == index) *stored[i] = TextPos{after, lastLine, lastChar};
    }
    for (TextArea& a : w.Areas)
        if (a.CandArea > index) --a.CandArea;
    // Area indexes the window keeps outside positions: the frame a link
    // starts from, its chain's head, the object being dragged.
    for (int32_t* held : {&w.LinkSource, &w.LinkHead, &w.ObjectDrag.Area}) {
        if (*held == index) *held = -1;
        else if (*held > index) --*held;
    }
    w.InvalidateMarking();
}

// Deletes every area marked in `gone` in one sweep, with the same result as
// deleting them one by one, from the last, with removeAreaKeepingPositions:
// that costs the whole area array per area, so a text that shrinks by
// thousands of pages took time in their square. Positions in a deleted area
// go to the end of `fallback[index]`, an area that stays.
void removeAreasKeepingPositions(TMDIChild& w, const std::vector<uint8_t>& gone,
                                 const std::vector<int32_t>& fallback)
{
    std::vector<TextArea>& areas = w.Areas;
    const size_t n = areas.size();
    // before[k]: deleted areas below index k; an index past them moves down
    // by that many, also one that names no area (as one by one would).
    std::vector<int32_t> before(n + 1, 0);
    for (size_t i = 0; i < n; ++i) before[i + 1] = before[i] + (gone[i] ? 1 : 0);
    if (before[n] == 0) return;
    auto shifted = [&](int32_t c) { return c <= 0 ? c : c - before[std::min(size_t(c), n)]; };
    auto isGone = [&](int32_t c) { return validIndex(c, n) && gone[size_t(c)]; };

    // A deleted area cuts the chain it stands in; its neighbours are not
    // joined.
    for (size_t i = 0; i < n; ++i) {
        if (!gone[i]) continue;
        if (validIndex(areas[i].PrevInFlow, n)) areas[size_t(areas[i].PrevInFlow)].NextInFlow = -1;
        if (validIndex(areas[i].NextInFlow, n)) areas[size_t(areas[i].NextInFlow)].PrevInFlow = -1;
    }

    for (TextPos* p : w.StoredPositions()) {
        if (!isGone(p->Area)) {
            p->Area = shifted(p->Area);
            continue;
        }
        const int32_t f = fallback[size_t(p->Area)];
        if (!validIndex(f, n) || gone[size_t(f)]) {
            *p = TextPos{};
            continue;
        }
        const TextArea& a = areas[size_t(f)];
        *p = TextPos{shifted(f), std::max(0, a.LineCount() - 1), a.Lines.empty() ? 0 : a.Lines.back().CharCount()};
    }
    for (int32_t* held : {&w.LinkSource, &w.LinkHead, &w.ObjectDrag.Area})
        *held = isGone(*held) ? -1 : shifted(*held);

    size_t to = 0;
    for (size_t i = 0; i < n; ++i) {
        if (gone[i]) continue;
        if (to != i) areas[to] = std::move(areas[i]);
        ++to;
    }
    areas.erase(areas.begin() + std::ptrdiff_t(to), areas.end());
    for (TextArea& a : areas) {
        a.PrevInFlow = isGone(a.PrevInFlow) ? -1 : shifted(a.PrevInFlow);
        a.NextInFlow = isGone(a.NextInFlow) ? -1 : shifted(a.NextInFlow);
        a.CandArea = shifted(a.CandArea);
    }
    areas.shrink_to_fit();
    w.InvalidateMarking();
}

// An area's array that holds far more room than lines (the first area of a
// flow after its lines went on to the pages, an area whose text shrank)
// gives the rest back. A little room stays, for the line or two typing adds.
constexpr size_t kRoomForTyping = 4;
void giveBackSpareLines(std::vector<TextLine>& lines)
{
    if (lines.capacity() > 2 * lines.size() + 16) lines.shrink_to_fit();
}

bool isFootnoteArea(const TextArea& a) { return a.AreaType == atFooter && a.FootnoteNumber > 0; }

// The one empty line a frame keeps while its text stands in an earlier
// frame of its chain.
bool isPlaceholderOnly(const TextArea& a)
{
    return a.AreaType > atFooter && a.Lines.size() == 1 && a.Lines[0].EndKind == ekSoft && a.Lines[0].Chars.empty();
}

// Footnotes placed on one page during placement.
struct PageFootnotes {
    int32_t Count = 0;
    std::vector<int32_t> Areas;
    double Reserved = 0;
};

// Whether a line holds a footnote reference. Looking costs a walk over its
// characters, so the answer stays with the line while it is unchanged:
// edited lines are dirty, and lines that breaking changed lose the memo.
bool hasFootnoteRef(TextLine& l)
{
    LineMemo& m = l.Memo;
    if (!l.Dirty && m.RefsChars == l.CharCount()) return m.HasRefs != 0;
    bool found = false;
    for (const TextChar& c : l.Chars)
        if (c.Kind == ckFootnoteRef) {
            found = true;
            break;
        }
    if (!l.Dirty) {
        m.RefsChars = l.CharCount();
        m.HasRefs = found ? 1 : 0;
    }
    return found;
}

// Only footnote areas can be found by a reference; without one in the
// document no character needs to be looked at during placement.
bool anyFootnoteArea(const std::vector<TextArea>& areas)
{
    for (const TextArea& a : areas)
        if (isFootnoteArea(a)) return true;
    return false;
}

// Lines that an area hands on down its flow are not moved at once: they stay
// in the array of the area that first handed lines on (the carrier), and
// every area of the chain that takes them in turn holds a range of that
// array. When the chain is done, each range moves to its area in one go, so
// a flow of many pages moves every line once instead of once per page.
// While a range is pending, its area's own array is empty (or, in a frame,
// its placeholder is due to be dropped); positions stay on the carrier.
class Placement {
public:
    explicit Placement(TMDIChild& w) : w_(w), footnotes_(anyFootnoteArea(w.Areas)) {}

    void run()
    {
        // Every area that hands lines on keeps at least one, and no line is
        // made here, so no chain can grow longer than the areas plus the lines.
        size_t lines = 0;
        for (const TextArea& a : w_.Areas) lines += a.Lines.size();
        chainBudget_ = w_.Areas.size() + lines + 1;
        for (int sweep = 1; sweep <= 2; ++sweep) {
            // The loop bound is re-read: pages appended during a sweep are
            // chain members and are reached through their chain.
            for (int32_t i = 0; i < w_.AreaCount(); ++i) {
                const TextArea& a = w_.Areas[size_t(i)];
                if (!inSweep(sweep, a.AreaType) || a.PrevInFlow != -1) continue;
                placeChain(i);
            }
        }
    }

private:
    static bool inSweep(int sweep, uint8_t type)
    {
        return sweep == 1 ? (type >= atHeader && type <= atTextFrame) : type == atPageBody;
    }

    // Places the head and then each area of its chain, in chain order, so
    // an area is placed after its predecessor has handed it its lines.
    void placeChain(int32_t head)
    {
        size_t budget = chainBudget_;
        for (int32_t a = head; a != -1 && budget > 0; --budget) {
            placeArea(a);
            a = w_.Areas[size_t(a)].NextInFlow;
        }
        settle();
    }

    // The lines area `ai` holds now, pending range included.
    LineSpan linesOf(int32_t ai) const
    {
        if (ai == holder_) return LineSpan(w_.Areas[size_t(carrier_)].Lines).subspan(size_t(restFrom_));
        return LineSpan(w_.Areas[size_t(ai)].Lines);
    }

    TextLine& lineAt(int32_t ai, int32_t f)
    {
        if (ai == holder_) return w_.Areas[size_t(carrier_)].Lines[size_t(restFrom_ + f)];
        return w_.Areas[size_t(ai)].Lines[size_t(f)];
    }

    double areaHeight(const TextArea& a) const
    {
        if (!a.AnchorBottom) return a.Bottom - a.Top;
        if (a.AnchorTopToBottom) return a.Top - a.Bottom;
        return screenLengthMm(w_.PageHeightPx, w_.PrinterDpi, w_.ScreenDpi) - a.Bottom - a.Top;
    }

    double reserved(int32_t page) const
    {
        const auto it = pages_.find(page);
        return it == pages_.end() ? 0.0 : it->second.Reserved;
    }

    // Gives a footnote mark its number and measures it with that text; a
    // mark that changes width changes its line, which must be broken again.
    void setShownNumber(TextChar& c, TextLine& line, int32_t number)
    {
        const double oldWidth = c.Width;
        c.setShownNumber(uint16_t(number));
        w_.RenderChar(c, true, std::to_string(number));
        if (c.Width != oldWidth) {
            line.Dirty = 1;
            w_.LayoutMarkedLines = true;
        }
    }

    // The area of footnote `id` (-1: none) and the body of `page` (0: none),
    // as GetFootNoteField and GetFieldofPage find them, for every reference
    // without a walk of every area: the areas are taken in as page flow
    // appends them, and placement changes neither the kind, the footnote
    // number nor the page of an area it has taken in.
    int32_t footnoteArea(int32_t id)
    {
        if (id <= 0) return -1;
        takeInAreas();
        const auto it = footnoteAreas_.find(id);
        return it == footnoteAreas_.end() ? -1 : it->second;
    }

    int32_t bodyOfPage(int32_t page)
    {
        takeInAreas();
        const auto it = bodies_.find(page);
        return it == bodies_.end() ? 0 : it->second;
    }

    void takeInAreas()
    {
        for (; takenIn_ < w_.Areas.size(); ++takenIn_) {
            const TextArea& a = w_.Areas[takenIn_];
            // A later area of the same number or page wins, as in a walk.
            if (a.AreaType == atFooter && a.FootnoteNumber > 0) footnoteAreas_[a.FootnoteNumber] = int32_t(takenIn_);
            if (a.AreaType == atPageBody) bodies_[a.PageIndex] = int32_t(takenIn_);
        }
    }

    // The footnote areas that line F's references would place now: valid,
    // not yet placed, each once.
    std::vector<int32_t> newFootnotesOf(const TextLine& line)
    {
        std::vector<int32_t> out;
        for (const TextChar& c : line.Chars) {
            if (c.Kind != ckFootnoteRef) continue;
            const int32_t u = footnoteArea(c.FootnoteId());
            if (u < 0 || numberOf_.count(u) || std::find(out.begin(), out.end(), u) != out.end()) continue;
            out.push_back(u);
        }
        return out;
    }

    // Numbers and places the footnotes referenced by line F of area `ai`.
    void placeFootnotes(int32_t ai, int32_t f, double& avail)
    {
        const int32_t page = w_.Areas[size_t(ai)].PageIndex;
        const int32_t charCount = lineAt(ai, f).CharCount();
        for (int32_t k = 0; k < charCount; ++k) {
            TextLine& line = lineAt(ai, f);
            TextChar& ref = line.Chars[size_t(k)];
            if (ref.Kind != ckFootnoteRef) continue;
            const int32_t u = footnoteArea(ref.FootnoteId());
            if (u < 0) continue;
            // A second reference to one footnote shows its number but does
            // not place it again.
            if (const auto it = numberOf_.find(u); it != numberOf_.end()) {
                setShownNumber(ref, line, it->second);
                continue;
            }
            TextArea& fa = w_.Areas[size_t(u)];
            const double h = fa.Top - fa.Bottom;
            avail -= h;
            PageFootnotes& pf = pages_[page];
            pf.Reserved += h;
            fa.SeparatorLine = pf.Count == 0 ? 1 : 0;
            fa.PageIndex = page;
            const int32_t body = bodyOfPage(page);
            const double base = validIndex(body, w_.Areas.size()) ? w_.Areas[size_t(body)].InnerBottom : 0.0;
            fa.Bottom = base;
            fa.Top = base + h;
            fa.FootnotePlaced = 0;

            const int32_t number = counter_;
            setShownNumber(ref, line, number);
            for (TextLine& fl : fa.Lines)
                for (TextChar& c : fl.Chars)
                    if (c.Kind == ckFootnoteNumber && c.ShownNumber() != number) setShownNumber(c, fl, number);
            ++counter_;
            numberOf_[u] = number;

            // The newest footnote sits lowest, the earlier ones above it.
            for (int32_t earlier : pf.Areas) {
                TextArea& e = w_.Areas[size_t(earlier)];
                e.Top += h;
                e.Bottom += h;
            }
            pf.Areas.push_back(u);
            ++pf.Count;
        }
    }

    // Stores the column results of line F and returns whether it falls
    // beyond the block's last column.
    bool applyColumns(int32_t ai, int32_t f, double avail, double& y, double& blockTop)
    {
        const LineSpan lines = linesOf(ai);
        if (isFirstColumnRowIn(lines, f)) blockTop = y;
        // Balancing walks the whole block for every trial height: done once
        // per block, not once per line (the height changes only when a
        // footnote placed inside the block takes room).
        const double height = avail - 1 - blockTop;
        if (!block_.holds(f) || !(block_.Available == height)) block_ = columnBlockIn(lines, f, height);
        const TMDIChild::SpaltenInfo info = columnInfoOf(block_, f);
        TextLine& line = lineAt(ai, f);
        const double width = w_.ColumnWidth(ai, line);
        const double step = width + line.ColumnGap;
        line.ColumnNumber = info.Column;
        line.ColumnsUsed = info.ColumnsUsed;
        line.ColumnOffset = step * info.Column;
        line.ColumnLeftX = step * info.Column - line.ColumnGap / 2;
        line.ColumnRightX = step * (info.Column + 1) - line.ColumnGap / 2;
        line.ColumnStepBack = info.StepBack;
        line.ColumnFillUp = info.FillUp;
        line.ColumnFirstLine = info.OpensColumn && info.BlockAtAreaStart;
        line.ColumnLastLine = info.ClosesColumn && info.BlockAtAreaEnd;
        y = y - info.StepBack + info.FillUp;
        return info.BeyondLastColumn;
    }

    void placeArea(int32_t ai)
    {
        block_ = ColumnBlock{};
        double avail = areaHeight(w_.Areas[size_t(ai)]) - reserved(w_.Areas[size_t(ai)].PageIndex);
        double y = w_.Areas[size_t(ai)].InnerTop + w_.Areas[size_t(ai)].InnerBottom;
        double blockTop = y;
        int32_t prevEnd = ekParagraph;
        RunSpacing spacing;
        for (int32_t f = 0;; ++f) {
            if (f >= int32_t(linesOf(ai).size())) {
                if (!takeInNext(ai, f, y, avail, prevEnd)) break;
                spacing = RunSpacing{};
            }
            const LineSpan lines = linesOf(ai);
            const TextLine& line = lines[size_t(f)];
            // A table run uses the largest spacing of its cells.
            const auto [above, below] = spacing.at(lines, f);
            // What the breaking walk left on a run's first line for this
            // question is used once: a later placement with no layout
            // before it walks the run.
            if (cellsOf(line) > 1 && columnOf(line) == 0) {
                LineMemo& m = lineAt(ai, f).Memo;
                m.RunAboveAt = m.RunBelowAt = LineMemo::kRunSpacingUnknown;
            }
            if (above > 0) y += above;
            bool beyond = false;
            if (line.ColumnCount > 1) beyond = applyColumns(ai, f, avail, y, blockTop);
            if (line.CellsPerRow > 1 && line.CellIndex > 0) {
                // The other cells of a run stand beside the first one.
                if (above > 0) y -= above;
            } else {
                y += line.Height;
                if (below > 0) y += below;
            }

            // Decide the overflow with this line's footnotes counted, but
            // before they are numbered and placed: a line that moves on must
            // leave no number, reservation or position behind.
            const bool refs = footnotes_ && hasFootnoteRef(lineAt(ai, f));
            double trial = avail;
            if (refs)
                for (int32_t u : newFootnotesOf(line)) {
                    const TextArea& fa = w_.Areas[size_t(u)];
                    trial -= fa.Top - fa.Bottom;
                }
            if (f > 0 && (y > trial || beyond || prevEnd == ekPageBreak)) {
                moveOn(ai, f);
                return;
            }
            if (refs) placeFootnotes(ai, f, avail);
            prevEnd = lineAt(ai, f).EndKind;
        }
    }

    static bool handsOn(const TextArea& a)
    {
        return a.AreaType == atPageBody || (a.AreaType == atTextFrame && a.NextInFlow != -1);
    }

    // Area `ai` holds all its `f` lines with `y` used and room for more: the
    // lines that a later area of its flow still holds of its own (a flow
    // gathered only in part) come over when the first of them would stay in
    // `ai` as placement goes on, or when an emptied area lies between.
    // Returns whether they came: the placement of `ai` then goes on with
    // them, and hands on what does not fit as usual.
    bool takeInNext(int32_t ai, int32_t f, double y, double avail, int32_t prevEnd)
    {
        if (!handsOn(w_.Areas[size_t(ai)])) return false;
        int32_t x = w_.Areas[size_t(ai)].NextInFlow;
        bool adjacent = true;
        for (size_t budget = chainBudget_; x != -1 && budget > 0; --budget) {
            const TextArea& a = w_.Areas[size_t(x)];
            if (!a.Lines.empty() && !isPlaceholderOnly(a)) break;
            x = a.NextInFlow;
            adjacent = false;
        }
        if (x == -1 || x == ai) return false;
        const TextLine& next = w_.Areas[size_t(x)].Lines.front();
        // The test placement would make for the line, where the line alone
        // decides it; anything else is decided by placement itself.
        if (adjacent && f > 0 && next.CellsPerRow < 2 && next.ColumnCount <= 1 && !next.IsCell &&
            !(footnotes_ && hasFootnoteRef(w_.Areas[size_t(x)].Lines.front()))) {
            if (prevEnd == ekPageBreak) return false;
            const double above = next.Para->SpaceAbove, below = next.Para->SpaceBelow;
            if (above > 0) y += above;
            y += next.Height;
            if (below > 0) y += below;
            if (y > avail) return false;
        }
        const bool pending = ai == holder_;
        const int32_t into = pending ? carrier_ : ai;
        std::vector<TextLine>& dst = w_.Areas[size_t(into)].Lines;
        const int32_t at = int32_t(dst.size());
        std::vector<TextLine>& src = w_.Areas[size_t(x)].Lines;
        dst.insert(dst.end(), std::make_move_iterator(src.begin()), std::make_move_iterator(src.end()));
        std::vector<TextLine>().swap(src);
        for (TextPos* p : w_.StoredPositions())
            if (p->Area == x) {
                p->Area = into;
                p->Line += at;
            }
        w_.InvalidateMarking();
        return true;
    }

    // Lines from `e` on do not fit in area `ai`: a page body or a linked
    // frame hands them to the next area of its flow; elsewhere they stay.
    void moveOn(int32_t ai, int32_t e)
    {
        if (!handsOn(w_.Areas[size_t(ai)])) return;
        if (ai == holder_) {
            handed_.push_back(Handed{ai, restFrom_, restFrom_ + e});
            restFrom_ += e;
        } else {
            // The area hands on lines of its own: it carries them.
            settle();
            carrier_ = ai;
            handed_.push_back(Handed{ai, 0, e});
            restFrom_ = e;
        }
        holder_ = -1;

        int32_t x = w_.Areas[size_t(ai)].NextInFlow;
        if (x == -1) {
            w_.NewPage(false);
            x = w_.AreaCount() - 1;
            TextArea& src = w_.Areas[size_t(ai)];
            std::vector<TextLine> lines = std::move(src.Lines);
            src.Lines.clear();
            TextArea copy = src;
            src.Lines = std::move(lines);
            TextArea& page = w_.Areas[size_t(x)];
            page = std::move(copy);
            page.PageIndex = src.PageIndex < INT32_MAX ? src.PageIndex + 1 : src.PageIndex;
            page.PrevInFlow = ai;
            page.NextInFlow = -1;
            src.NextInFlow = x;
        } else {
            TextArea& next = w_.Areas[size_t(x)];
            // The empty line a linked frame keeps while its text sits in the
            // first frame of the chain gives way to the text.
            if (isPlaceholderOnly(next)) {
                next.Lines.clear();
                for (TextPos* p : w_.StoredPositions())
                    if (p->Area == x) onPlaceholder_.push_back({p, x});
            }
        }
        holder_ = x;
        // An area with lines of its own puts the text in front of them; that
        // only happens when placement runs on a flow that was not gathered.
        if (!w_.Areas[size_t(x)].Lines.empty()) settle();
    }

    // Moves every pending range into its area and the positions with it.
    void settle()
    {
        if (carrier_ < 0) return;
        std::vector<Handed> ranges = std::move(handed_);
        std::vector<TextLine>& src = w_.Areas[size_t(carrier_)].Lines;
        const int32_t total = int32_t(src.size());
        if (holder_ >= 0) ranges.push_back(Handed{holder_, restFrom_, total});
        const int32_t kept = ranges.front().To;
        const std::vector<TextPos*> stored = w_.StoredPositions();

        for (size_t k = 1; k < ranges.size(); ++k) {
            const Handed& r = ranges[k];
            const int32_t count = r.To - r.From;
            if (count <= 0 || r.Area == carrier_) continue;
            for (TextPos* p : stored)
                if (p->Area == r.Area && p->Line >= 0) p->Line += count;
            std::vector<TextLine>& dst = w_.Areas[size_t(r.Area)].Lines;
            // A page that keeps lines of its own takes a few more than it
            // needs now, for the next line typing pushes down the flow.
            if (!dst.empty() && dst.capacity() < dst.size() + size_t(count))
                dst.reserve(dst.size() + size_t(count) + kRoomForTyping);
            dst.insert(dst.begin(), std::make_move_iterator(src.begin() + r.From),
                       std::make_move_iterator(src.begin() + r.To));
        }
        src.erase(src.begin() + kept, src.end());

        for (TextPos* p : stored) {
            if (p->Area != carrier_ || p->Line < kept) continue;
            if (p->Line >= total) {
                p->Line -= total - kept;
                continue;
            }
            // The ranges follow each other: find the one holding the line.
            const auto it = std::upper_bound(ranges.begin() + 1, ranges.end(), p->Line,
                                             [](int32_t line, const Handed& r) { return line < r.To; });
            if (it == ranges.end()) continue;
            p->Area = it->Area;
            p->Line -= it->From;
        }
        for (const auto& [p, area] : onPlaceholder_) *p = TextPos{area, 0, 0};

        onPlaceholder_.clear();
        carrier_ = -1;
        holder_ = -1;
        restFrom_ = 0;
        w_.InvalidateMarking();
    }

    struct Handed {
        int32_t Area, From, To;
    };

    TMDIChild& w_;
    const bool footnotes_;
    std::map<int32_t, PageFootnotes> pages_;
    // Footnote area -> number given in this pass.
    std::unordered_map<int32_t, int32_t> numberOf_;
    std::unordered_map<int32_t, int32_t> footnoteAreas_;  // footnote number -> area
    std::unordered_map<int32_t, int32_t> bodies_;         // page -> its body
    size_t takenIn_ = 0;
    int32_t counter_ = 1;
    size_t chainBudget_ = 0;
    ColumnBlock block_;  // the column block of the area being placed

    int32_t carrier_ = -1;          // area whose array holds the lines handed on
    std::vector<Handed> handed_;    // its ranges given to areas so far, in order
    int32_t holder_ = -1;           // area holding the carrier's lines from restFrom_ on
    int32_t restFrom_ = 0;
    std::vector<std::pair<TextPos*, int32_t>> onPlaceholder_;
};

// Continuation page bodies follow the geometry of the first page of their
// flow, so a change of margins or page size reaches every page.
void syncContinuationGeometry(std::vector<TextArea>& areas)
{
    const size_t n = areas.size();
    for (size_t h = 0; h < n; ++h) {
        const TextArea& head = areas[h];
        if (head.PrevInFlow != -1 || head.AreaType != atPageBody) continue;
        size_t budget = n;
        for (int32_t m = head.NextInFlow; m != -1 && budget > 0; --budget) {
            TextArea& a = areas[size_t(m)];
            if (a.AreaType == atPageBody) {
                a.Left = head.Left;
                a.Top = head.Top;
                a.Right = head.Right;
                a.Bottom = head.Bottom;
                a.InnerLeft = head.InnerLeft;
                a.InnerTop = head.InnerTop;
                a.InnerRight = head.InnerRight;
                a.InnerBottom = head.InnerBottom;
                a.AnchorTopToBottom = head.AnchorTopToBottom;
                a.AnchorBottom = head.AnchorBottom;
                a.AnchorRight = head.AnchorRight;
            }
            m = a.NextInFlow;
        }
    }
}



// Moves the lines of chain[from + 1, to) into chain[from].
void gatherInto(TMDIChild& w, const std::vector<int32_t>& chain, size_t from, size_t to)
{
    if (to <= from + 1) return;
    std::vector<TextArea>& areas = w.Areas;
    const int32_t h = chain[from];
    // Room for the whole range at once; placement gives back what the first
    // area does not keep.
    size_t total = 0;
    for (size_t k = from; k < to; ++k) total += areas[size_t(chain[k])].Lines.size();
    areas[size_t(h)].Lines.reserve(total);

    for (size_t k = from + 1; k < to; ++k) {
        const int32_t m = chain[k];
        TextArea& member = areas[size_t(m)];
        // A frame's placeholder is not text: gathered, it would add an
        // empty line to the flow on every pass.
        if (isPlaceholderOnly(member)) continue;
        std::vector<TextLine>& into = areas[size_t(h)].Lines;
        const int32_t at = int32_t(into.size());
        const int32_t count = member.LineCount();
        // A frame keeps an empty line (with its first line's format) so
        // that it can still be clicked into and typed in.
        TextLine placeholder;
        const bool keepsLine = member.AreaType > atFooter;
        if (keepsLine) {
            if (member.Lines.empty()) {
                std::vector<TextLine> one(1);
                InitNewLine(one, 0);
                placeholder = std::move(one[0]);
            } else {
                std::vector<TextChar> chars = std::move(member.Lines[0].Chars);
                member.Lines[0].Chars.clear();
                placeholder = member.Lines[0];
                member.Lines[0].Chars = std::move(chars);
            }
            placeholder.Chars.clear();
            placeholder.EndKind = ekSoft;
            placeholder.AnchorId = 0;
        }
        into.insert(into.end(), std::make_move_iterator(member.Lines.begin()),
                    std::make_move_iterator(member.Lines.end()));
        // The emptied array keeps its room: placement hands the area about
        // as many lines again, and what it does not use goes back then.
        member.Lines.clear();
        if (keepsLine) member.Lines.push_back(std::move(placeholder));
        positionsLinesMoved(w, m, 0, count, h, at);
    }
}

// Whether the flow from page `head` holds lines that no narrower gathering
// can take apart (see narrowGather).
bool gatheredWholeNextTime(const TMDIChild& w, int32_t head)
{
    size_t budget = w.Areas.size();
    for (int32_t a = head; a != -1 && budget > 0; --budget, a = w.Areas[size_t(a)].NextInFlow)
        for (const TextLine& l : w.Areas[size_t(a)].Lines)
            if (l.IsCell || l.CellsPerRow > 1 || l.ColumnCount > 1) return true;
    return false;
}

bool sameGeometry(const TextArea& a, const TextArea& b)
{
    return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom &&
           a.InnerLeft == b.InnerLeft && a.InnerTop == b.InnerTop && a.InnerRight == b.InnerRight &&
           a.InnerBottom == b.InnerBottom && a.AnchorTopToBottom == b.AnchorTopToBottom &&
           a.AnchorBottom == b.AnchorBottom && a.AnchorRight == b.AnchorRight;
}

// Whether a line with text stands before the first marked line from page
// chain[s] on (an empty marked line takes its height from the text before
// it, which the gathered pages must then hold).
bool textBeforeMarked(const TMDIChild& w, const std::vector<int32_t>& chain, size_t s)
{
    for (size_t k = s; k < chain.size(); ++k)
        for (const TextLine& l : w.Areas[size_t(chain[k])].Lines) {
            if (!l.Chars.empty()) return true;
            if (l.Dirty) return false;
        }
    return true;
}

bool holdsText(const TextArea& a)
{
    for (const TextLine& l : a.Lines)
        if (!l.Chars.empty()) return true;
    return false;
}

// Narrows the gathering of a flow of pages to the pages [from, to) of the
// chain that hold marked lines or lines whose misspelt marks are not known,
// widened to whole paragraphs; false when the whole flow must be gathered.
// The breaking walk and the spelling marks then come out as they would over
// the whole flow: no line outside the range is broken or joined, and the
// walk that sets marks would pass over all of them.
bool narrowGather(const TMDIChild& w, const std::vector<int32_t>& chain, size_t& from, size_t& to)
{
    const std::vector<TextArea>& areas = w.Areas;
    if (chain.size() < 2 || areas[size_t(chain[0])].AreaType != atPageBody) return false;
    // Placement gave every page the first page's geometry: a difference
    // means the geometry changed since, and every page must be placed anew.
    if (!sameGeometry(areas[size_t(chain[0])], areas[size_t(chain[1])])) return false;
    size_t first = chain.size(), last = 0;
    for (size_t k = 0; k < chain.size(); ++k) {
        const TextArea& a = areas[size_t(chain[k])];
        if (a.AreaType != atPageBody || (k > 0 && chain[k] <= chain[k - 1])) return false;
        for (const TextLine& l : a.Lines) {
            if (l.IsCell || l.CellsPerRow > 1 || l.ColumnCount > 1) return false;
            if (l.Dirty || !w.SpellMarksKnown(l)) {
                if (first == chain.size()) first = k;
                last = k;
            }
        }
    }
    if (first == chain.size()) {
        from = to = chain.size();
        return true;
    }
    // The gathered pages begin where a paragraph begins (no line is joined,
    // and no word runs, across the page before and them), at a page with
    // text before the first marked line.
    size_t s = first;
    for (bool text = textBeforeMarked(w, chain, s); s > 0; --s) {
        const TextArea& before = areas[size_t(chain[s - 1])];
        if (text && !before.Lines.empty() && before.Lines.back().EndKind != ekSoft) break;
        text = text || holdsText(before);
    }
    // They end where a paragraph ends, before a page whose first line's
    // marks do not take in a word from the line before.
    size_t e = last;
    while (e + 1 < chain.size()) {
        const TextArea& a = areas[size_t(chain[e])];
        const TextArea& after = areas[size_t(chain[e + 1])];
        if (!a.Lines.empty() && a.Lines.back().EndKind != ekSoft &&
            !(!after.Lines.empty() && w.SpellMarksRunInFromBefore(after.Lines.front())))
            break;
        ++e;
    }
    from = s;
    to = e + 1;
    return true;
}

} // namespace

void TMDIChild::FlowGather()
{
    normalizeFlowLinks(Areas);
    const int32_t n = AreaCount();
    LinesLeftInPlace.assign(size_t(n), 0);
    const bool narrow = LastFlowStamp && *LastFlowStamp == CurrentFlowStamp();
    LastFlowStamp.reset();
    std::vector<int32_t> chain;
    for (int32_t h = 0; h < n; ++h) {
        if (Areas[size_t(h)].PrevInFlow != -1 || Areas[size_t(h)].NextInFlow == -1) continue;
        chain.assign(1, h);
        int32_t budget = n;
        for (int32_t m = Areas[size_t(h)].NextInFlow; m != -1 && budget > 0; --budget) {
            chain.push_back(m);
            m = Areas[size_t(m)].NextInFlow;
        }
        size_t from = 0, to = chain.size();
        if (!(narrow && narrowGather(*this, chain, from, to))) from = 0, to = chain.size();
        for (size_t k = 0; k < chain.size(); ++k)
            if (k < from || k >= to) LinesLeftInPlace[size_t(chain[k])] = 1;
        gatherInto(*this, chain, from, to);
    }
    InvalidateMarking();
}

void TMDIChild::FlowPlace()
{
    normalizeFlowLinks(Areas);
    syncContinuationGeometry(Areas);

    // Footnote areas take the height of their text, at most half a page,
    // and count as unplaced until a reference places them.
    for (TextArea& a : Areas) {
        if (!isFootnoteArea(a)) continue;
        a.FootnotePlaced = 1;
        double h = 0;
        for (const TextLine& l : a.Lines)
            if (l.CellIndex == 0) h += l.Height;
        if (h > PageHeight / 2) h = PageHeight / 2;
        a.Top = a.Bottom + h;
    }

    Placement(*this).run();

    // A footnote area lives as long as a reference to it exists anywhere in
    // the document, also one that placement did not reach (text that does
    // not fit in a header or frame, a drawing object).
    if (anyFootnoteArea(Areas)) {
        std::unordered_set<int32_t> referenced;
        for (TextArea& a : Areas)
            for (TextLine& l : a.Lines) {
                if (!hasFootnoteRef(l)) continue;
                for (const TextChar& c : l.Chars)
                    if (c.Kind == ckFootnoteRef) referenced.insert(c.FootnoteId());
            }
        std::vector<uint8_t> gone(Areas.size(), 0);
        int32_t left = AreaCount();
        for (int32_t i = AreaCount() - 1; i >= 0; --i) {
            const TextArea& a = Areas[size_t(i)];
            if (!isFootnoteArea(a) || referenced.count(a.FootnoteNumber) || left <= 1) continue;
            gone[size_t(i)] = 1;
            --left;
        }
        if (!gone[0]) {
            removeAreasKeepingPositions(*this, gone, std::vector<int32_t>(Areas.size(), 0));
        } else {
            // The first area is a footnote's: positions fall back on whatever
            // comes first after each removal, so they go one by one.
            for (int32_t i = AreaCount() - 1; i >= 0; --i)
                if (gone[size_t(i)]) removeAreaKeepingPositions(*this, i, 0);
        }
    }

    // Continuation areas left empty at the end of their flow disappear, so
    // pages drop off the end when text shrinks. Linked frames stay.
    // Each goes once the one after it has gone: from the end of every flow
    // back to the first area that stays, which takes their positions.
    {
        const size_t n = Areas.size();
        std::vector<uint8_t> gone(n, 0);
        std::vector<int32_t> fallback(n, -1);
        auto droppable = [&](const TextArea& a) {
            return a.PrevInFlow != -1 && a.AreaType < atTextFrame && a.Lines.empty();
        };
        bool any = false;
        for (size_t t = 0; t < n; ++t) {
            if (Areas[t].NextInFlow != -1 || !droppable(Areas[t])) continue;
            size_t first = t;  // the chain's dropped stretch runs from here to t
            size_t budget = n;
            while (budget-- > 0 && droppable(Areas[first]) && validIndex(Areas[first].PrevInFlow, n) &&
                   !gone[first]) {
                gone[first] = 1;
                first = size_t(Areas[first].PrevInFlow);
            }
            any = true;
            for (size_t m = t; m != first && gone[m] && fallback[m] == -1; m = size_t(Areas[m].PrevInFlow))
                fallback[m] = int32_t(first);
        }
        if (any) removeAreasKeepingPositions(*this, gone, fallback);
    }

    // Spare room goes back, but for the first page of a flow that the next
    // pass gathers whole again (tables or columns in it): there the room
    // is what that gathering asks for.
    for (int32_t i = 0; i < AreaCount(); ++i) {
        TextArea& a = Areas[size_t(i)];
        if (a.Lines.capacity() <= 2 * a.Lines.size() + 16) continue;
        if (a.AreaType == atPageBody && a.PrevInFlow == -1 && a.NextInFlow != -1 && gatheredWholeNextTime(*this, i))
            continue;
        giveBackSpareLines(a.Lines);
    }
    ClampPositions();
    InvalidateMarking();
}

} // namespace quillet
