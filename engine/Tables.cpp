// Tables: every operation that creates or reshapes the cell lines of a
// table, the column border drag, and the cell format dialog.
//
// A row of N cells is a run of N consecutive lines, or several runs when a
// cell's text needs several lines; the cell's text goes on in the same
// column of the next run. Runs are read with the shared walkers of DocWalk,
// so a table damaged in a file (counts that disagree, indexes out of range)
// is walked the way the caret and the selection walk it. Lines are made
// fresh (nothing carried over from the line that stood there) and marked
// dirty, and lists of lines to change are worked through from the last to
// the first, so the indexes still to come stay valid.

#include "engine/Childwin.h"
#include "engine/DocWalk.h"
#include "engine/TableDialogs.h"
#include "platform/MessageBox.h"
#include "platform/Units.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

namespace quillet {

namespace {

constexpr double kMinCellMm = 5.0;       // narrowest cell a drag leaves
constexpr double kTrackReachMm = 1.5;    // borders this close move together
constexpr double kCellIndentMm = 2.5;    // text indent inside a new cell
constexpr uint32_t kWhite = 0xFFFFFF;
// The most lines one insertion makes: the largest table the insert dialog
// offers. Rows inserted into a wide (damaged) table are held to it.
constexpr int64_t kMaxNewLines = int64_t(kInsertTableMaxColumns) * kInsertTableMaxRows;

// One table run: lines [First, First + Count) of area Area.
struct RunRef {
    int32_t Area = -1;
    int32_t First = 0;
    int32_t Count = 0;
    bool valid() const { return Area >= 0 && Count > 0; }
};

bool isCellLine(TMDIChild& w, int32_t a, int32_t l)
{
    const TextLine* ln = lineAt(w, a, l);
    return ln && ln->IsCell;
}

// The run that starts at `first`: as many lines as its first line counts,
// cut short where the area ends or a line is no cell.
RunRef runAt(TMDIChild& w, int32_t a, int32_t first)
{
    const TextLine* ln = lineAt(w, a, first);
    if (!ln || !ln->IsCell) return {};
    const std::vector<TextLine>& lines = w.Areas[size_t(a)].Lines;
    const int32_t want = cellsOf(*ln);
    int32_t n = 1;
    while (n < want && size_t(first + n) < lines.size() && lines[size_t(first + n)].IsCell) ++n;
    return RunRef{a, first, n};
}

// The run a cell line stands in.
RunRef runOf(TMDIChild& w, int32_t a, int32_t l)
{
    const TextLine* ln = lineAt(w, a, l);
    if (!ln || !ln->IsCell) return {};
    const RunRef r = runAt(w, a, std::max(0, l - columnOf(*ln)));
    if (r.valid() && l < r.First + r.Count) return r;
    return RunRef{a, l, 1};  // a damaged index: the line is a run of its own
}

int64_t lineBudget(const TMDIChild& w)
{
    int64_t n = 2;
    for (const TextArea& a : w.Areas) n += a.LineCount();
    return n;
}

// The action for every run of the cell at (a, l), first run first.
template <class F>
void walkCellRuns(TMDIChild& w, int32_t a, int32_t l, F&& action)
{
    if (!isCellLine(w, a, l)) return;
    toFirstRun(w, a, l);
    do action(a, l);
    while (nextRun(w, a, l));
}

// The runs of the whole table the line (a cell) stands in, top to bottom.
std::vector<RunRef> tableRuns(TMDIChild& w, int32_t a, int32_t l)
{
    std::vector<RunRef> out;
    RunRef r = runOf(w, a, l);
    if (!r.valid()) return out;
    const int64_t budget = lineBudget(w);
    for (int64_t i = 0; i < budget; ++i) {
        int32_t pa = r.Area, pl = r.First - 1;
        w.GoToLine(pa, pl);
        const RunRef p = runOf(w, pa, pl);
        if (!p.valid() || (p.Area == r.Area && p.First >= r.First)) break;
        r = p;
    }
    for (int64_t i = 0; i < budget && r.valid(); ++i) {
        out.push_back(r);
        int32_t na = r.Area, nl = r.First + r.Count;
        w.GoToLine(na, nl);
        if (na == r.Area && nl < r.First + r.Count) break;
        r = runAt(w, na, nl);
    }
    return out;
}

// The lines of the selection (or the cursor line) that are cells.
std::vector<TextPos> selectedCellLines(TMDIChild& w)
{
    std::vector<TextPos> out;
    auto take = [&](const TextPos& p) {
        if (isCellLine(w, p.Area, p.Line)) out.push_back(TextPos{p.Area, p.Line, 0});
    };
    if (w.isThereAmarking()) {
        TMDIChild::TextWalker walk = w.MarkedWalk();
        take(walk.Pos);
        while (w.getnextmarkedline(walk)) take(walk.Pos);
    } else {
        take(w.Cursor);
    }
    return out;
}

// Run starts (or lines) from last to first, each once.
void sortDescending(std::vector<TextPos>& v)
{
    auto key = [](const TextPos& p) { return std::pair(p.Area, p.Line); };
    std::sort(v.begin(), v.end(), [&](const TextPos& x, const TextPos& y) { return key(y) < key(x); });
    v.erase(std::unique(v.begin(), v.end(), [&](const TextPos& x, const TextPos& y) { return key(x) == key(y); }),
            v.end());
}

// An empty paragraph line with nothing left of any line before it.
TextLine freshLine()
{
    std::vector<TextLine> one(1);
    InitNewLine(one, 0);
    TextLine l = std::move(one[0]);
    l.Dirty = 1;
    return l;
}

void makeCell(TextLine& l, int32_t cells, int32_t index)
{
    l.IsCell = 1;
    l.RowFirstRun = 1;
    l.RowLastRun = 1;
    l.CellsPerRow = cells;
    l.CellIndex = index;
    l.Dirty = 1;
}

// What a new cell takes from the cell beside or above it.
void copyCellLook(TextLine& to, const TextLine& from)
{
    to.Design = from.Design;
    to.CellWidth = from.CellWidth;
    to.CellInsetLeft = from.CellInsetLeft;
    to.CellInsetRight = from.CellInsetRight;
    to.Para = from.Para;
    if (to.Para->ItemNumber != 0) to.Para.edit().ItemNumber = 0;
    to.ColumnCount = from.ColumnCount;
    to.ColumnRule = from.ColumnRule;
    to.ColumnGap = from.ColumnGap;
}

void insertLines(TMDIChild& w, int32_t a, int32_t at, std::vector<TextLine>&& fresh)
{
    std::vector<TextLine>& lines = w.Areas[size_t(a)].Lines;
    at = std::clamp<int32_t>(at, 0, int32_t(lines.size()));
    const int32_t n = int32_t(fresh.size());
    lines.insert(lines.begin() + at, std::make_move_iterator(fresh.begin()), std::make_move_iterator(fresh.end()));
    w.PositionsLinesInserted(a, at, n);
}

// A row of `cells` new cells looking like the run `like` (cell by cell; the
// last of `like` for cells it lacks).
std::vector<TextLine> newRows(TMDIChild& w, const RunRef& like, int32_t cells, int32_t rows)
{
    std::vector<TextLine> out;
    out.reserve(size_t(cells) * size_t(rows));
    const std::vector<TextLine>& lines = w.Areas[size_t(like.Area)].Lines;
    for (int32_t r = 0; r < rows; ++r)
        for (int32_t i = 0; i < cells; ++i) {
            TextLine l = freshLine();
            copyCellLook(l, lines[size_t(like.First + std::min(i, like.Count - 1))]);
            makeCell(l, cells, i);
            l.EndKind = ekParagraph;
            out.push_back(std::move(l));
        }
    return out;
}

void placeCursor(TMDIChild& w, TextPos p)
{
    w.GoToLine(p.Area, p.Line);
    TMDIChild::ClampPosition(w.Areas, p);
    w.Cursor = TextPos{p.Area, p.Line, 0};
    w.Anchor = w.Cursor;
    w.CaretAtLineEnd = 0;
}

bool cursorInCell(TMDIChild& w) { return isCellLine(w, w.Cursor.Area, w.Cursor.Line); }

// ---- Border geometry --------------------------------------------------------

// A run's borders on the scale of its text region (0 .. Width mm), with the
// insets read as the renderer reads them. Weights that are not positive
// numbers give every cell an equal share.
struct RunGeometry {
    double Width = 0;
    double InsetLeft = 0;
    double InsetRight = 0;
    double Usable = 0;
    std::vector<double> Weights;
    double Sum = 0;
    bool WeightsRepaired = false;

    double border(int32_t b) const
    {
        double s = 0;
        for (int32_t i = 0; i < b; ++i) s += Weights[size_t(i)];
        return at(s);
    }
    // Every border from the left, in one pass: the same sums border() makes.
    std::vector<double> borders() const
    {
        std::vector<double> all;
        all.reserve(Weights.size() + 1);
        double s = 0;
        all.push_back(at(s));
        for (double wt : Weights) all.push_back(at(s += wt));
        return all;
    }
    double smallestWeight() const { return *std::min_element(Weights.begin(), Weights.end()); }
    // The usable width at which the narrowest cell is kMinCellMm wide.
    double minUsable() const { return kMinCellMm * Sum / smallestWeight(); }

private:
    double at(double weightsBefore) const { return InsetLeft + Usable * weightsBefore / Sum; }
};

RunGeometry geometry(TMDIChild& w, const RunRef& r)
{
    RunGeometry g;
    const std::vector<TextLine>& lines = w.Areas[size_t(r.Area)].Lines;
    const TextLine& f = lines[size_t(r.First)];
    g.Width = w.ColumnWidth(r.Area, f);
    if (!std::isfinite(g.Width)) g.Width = 0;
    double left = std::isfinite(f.CellInsetLeft) ? f.CellInsetLeft : 0;
    double right = std::isfinite(f.CellInsetRight) ? f.CellInsetRight : 0;
    if (left > g.Width - 10) left = g.Width - 10;
    // Readers store the row's width + 99999 where they know no right inset.
    if (right > 99999) right = g.Width - left - (right - 99999);
    g.InsetLeft = left;
    g.InsetRight = right;
    g.Usable = g.Width - left - right;
    if (!(g.Usable > 10)) g.Usable = 10;
    for (int32_t i = 0; i < r.Count; ++i) {
        const double wt = lines[size_t(r.First + i)].CellWidth;
        if (!(wt > 0) || !std::isfinite(wt)) g.WeightsRepaired = true;
        g.Weights.push_back(wt);
    }
    if (g.WeightsRepaired) std::fill(g.Weights.begin(), g.Weights.end(), 1.0);
    for (double wt : g.Weights) g.Sum += wt;
    if (!std::isfinite(g.Sum) || !(g.Sum > 0)) {
        std::fill(g.Weights.begin(), g.Weights.end(), 1.0);
        g.Sum = double(r.Count);
        g.WeightsRepaired = true;
    }
    return g;
}

// ---- Cell format dialog --------------------------------------------------------

struct FormCell {
    std::vector<TextPos> Lines;  // one per run
    int32_t Column = 0;
    bool Left = false, Right = false, Top = false, Bottom = false;
};

int slotOf(int border, const FormCell& c)
{
    switch (border) {
    case bsLeft: return c.Left ? csLeft : csInnerV;
    case bsRight: return c.Right ? csRight : csInnerV;
    case bsTop: return c.Top ? csTop : csInnerH;
    default: return c.Bottom ? csBottom : csInnerH;
    }
}

} // namespace

TableDialogUi* TMDIChild::tableDialogUi()
{
    static TableDialogUi none;
    if (TableDialogs) return TableDialogs;
    if (auto* frame = dynamic_cast<TableDialogUi*>(Ui)) return frame;
    return &none;
}

// ---- Inserting a table -----------------------------------------------------------

void TMDIChild::inserttable()
{
    const TextLine* cur = lineAt(*this, Cursor);
    if (!cur || cur->IsCell) return;
    TInsertTableForm form;
    if (!tableDialogUi()->runInsertTableDialog(form)) return;
    const int32_t columns = std::clamp(form.Columns, 1, kInsertTableMaxColumns);
    const int32_t rows = std::clamp(form.Rows, 1, kInsertTableMaxRows);
    MakeCopyForUndo("Insert table");
    inserttableXY(columns, rows);
    RefreshDirtyContent();
}

void TMDIChild::inserttableXY(int32_t columns, int32_t rows)
{
    const TextLine* cur = lineAt(*this, Cursor);
    if (!cur || cur->IsCell || columns < 1 || rows < 1) return;
    columns = std::min(columns, kMaxCellsPerRow);
    rows = int32_t(std::min<int64_t>(rows, kMaxNewLines / columns));
    const AbsatzWert format = getabsatzformat();
    SetFileChanged(true);

    // Split the line as Enter does (a selection goes first, as typed text
    // would replace it); the table goes between the two halves.
    if (isThereAmarking()) DeleteMarking();
    if (!lineAt(*this, Cursor) || cursorInCell(*this)) return;
    InsertEnterOnThatPos(Cursor.Area, Cursor.Line, ekParagraph, Cursor.Char);
    const int32_t a = Cursor.Area;
    const int32_t firstHalf = Cursor.Line - 1;
    std::vector<TextLine>& lines = Areas[size_t(a)].Lines;

    // Every new cell holds one format.
    AbsatzFormat cellFormat = format.Para;
    cellFormat.ItemNumber = 0;
    cellFormat.LeftIndent = kCellIndentMm;
    cellFormat.RightIndent = kCellIndentMm;
    const SharedPara cellPara(std::move(cellFormat));
    auto cellLook = [&](TextLine& l, int32_t index) {
        makeCell(l, columns, index);
        l.EndKind = ekSoft;
        l.CellWidth = 1.0;
        l.CellInsetLeft = l.CellInsetRight = 0;
        SetStandardCellDesign(l.Design);
        l.Para = cellPara;
        l.ColumnCount = format.ColumnCount;
        l.ColumnRule = format.ColumnRule;
        l.ColumnGap = format.ColumnGap;
    };

    // An empty first half becomes the first cell itself (keeping what is
    // anchored to it), so no empty line stays above the table.
    int32_t start = firstHalf + 1;
    const int64_t total = int64_t(columns) * rows;
    std::vector<TextLine> cells;
    if (lines[size_t(firstHalf)].CharCount() == 0) {
        start = firstHalf;
        TextLine& old = lines[size_t(firstHalf)];
        TextLine l = freshLine();
        l.AnchorId = old.AnchorId;
        old = std::move(l);
        cellLook(old, 0);
    }
    cells.reserve(size_t(total));
    for (int64_t k = start == firstHalf ? 1 : 0; k < total; ++k) {
        TextLine l = freshLine();
        cellLook(l, int32_t(k % columns));
        cells.push_back(std::move(l));
    }
    insertLines(*this, a, start == firstHalf ? start + 1 : start, std::move(cells));
    placeCursor(*this, TextPos{a, start, 0});
    TypingRun = 0;
}

// ---- Rows -------------------------------------------------------------------------

void TMDIChild::TabelleTeilen()
{
    if (!cursorInCell(*this)) {
        errorBox(kNoCellSelected);
        return;
    }
    MakeCopyForUndo("Divide table");
    // Before the row's first run, so the row stays whole.
    int32_t a = Cursor.Area, l = Cursor.Line;
    toFirstRun(*this, a, l);
    const RunRef r = runOf(*this, a, l);
    TextLine plain = freshLine();
    plain.EndKind = ekParagraph;
    std::vector<TextLine> one;
    one.push_back(std::move(plain));
    insertLines(*this, r.Area, r.First, std::move(one));
    placeCursor(*this, TextPos{r.Area, r.First, 0});
    RefreshDirtyContent();
}

void TMDIChild::insertTableLines()
{
    if (!cursorInCell(*this)) {
        errorBox(kNoCellSelected);
        return;
    }
    TInsertTableLinesForm form;
    if (!tableDialogUi()->runInsertTableLinesDialog(form)) return;
    MakeCopyForUndo("Insert table rows");
    int32_t a = Cursor.Area, l = Cursor.Line;
    if (form.Before) toFirstRun(*this, a, l);
    else toLastRun(*this, a, l);
    const RunRef like = runOf(*this, a, l);
    const int32_t cells = like.Count;
    const int32_t rows = int32_t(std::clamp<int64_t>(form.Rows, 1, std::max<int64_t>(1, kMaxNewLines / cells)));
    const int32_t at = form.Before ? like.First : like.First + like.Count;
    insertLines(*this, like.Area, at, newRows(*this, like, cells, rows));
    placeCursor(*this, TextPos{like.Area, at, 0});
    RefreshDirtyContent();
}

void TMDIChild::AddTableLines()
{
    if (!cursorInCell(*this)) {
        errorBox(kNoCellSelected);
        return;
    }
    MakeCopyForUndo("Add table row");
    const std::vector<RunRef> runs = tableRuns(*this, Cursor.Area, Cursor.Line);
    if (runs.empty()) return;
    // From the cursor's run on: the table's last run.
    const RunRef last = runs.back();
    // A table that ends the flow gets its row at the flow's end.
    const int32_t at = last.First + last.Count;
    insertLines(*this, last.Area, at, newRows(*this, last, last.Count, 1));
    placeCursor(*this, TextPos{last.Area, at, 0});
    RefreshDirtyContent();
}

// ---- Deleting -----------------------------------------------------------------------

void TMDIChild::DeleteTableCells(int32_t mode)
{
    if (!cursorInCell(*this) || mode < 0 || mode > 2) return;
    WalkAllAreas = 0;
    MakeCopyForUndo("Delete table cell");
    const std::vector<TextPos> sources = selectedCellLines(*this);
    TextPos back = isThereAmarking() ? MarkingStart : Cursor;

    std::vector<TextPos> doomed;
    if (mode == 2) {
        // One walk per table, however many of its lines are selected.
        std::map<std::pair<int32_t, int32_t>, size_t> tableOfRun;
        std::vector<std::vector<RunRef>> tables;
        std::vector<std::vector<int32_t>> columns;
        for (const TextPos& p : sources) {
            const RunRef r = runOf(*this, p.Area, p.Line);
            auto it = tableOfRun.find({r.Area, r.First});
            size_t t = 0;
            if (it == tableOfRun.end()) {
                t = tables.size();
                tables.push_back(tableRuns(*this, p.Area, p.Line));
                columns.emplace_back();
                for (const RunRef& tr : tables.back()) tableOfRun.emplace(std::pair(tr.Area, tr.First), t);
            } else {
                t = it->second;
            }
            columns[t].push_back(p.Line - r.First);
        }
        for (size_t t = 0; t < tables.size(); ++t)
            for (int32_t c : columns[t])
                for (const RunRef& r : tables[t])
                    if (c < r.Count) doomed.push_back(TextPos{r.Area, r.First + c, 0});
    } else {
        for (const TextPos& p : sources)
            walkCellRuns(*this, p.Area, p.Line, [&](int32_t a, int32_t l) {
                if (mode == 0) {
                    doomed.push_back(TextPos{a, l, 0});
                    return;
                }
                const RunRef r = runOf(*this, a, l);
                for (int32_t i = 0; i < r.Count; ++i) doomed.push_back(TextPos{a, r.First + i, 0});
            });
    }
    sortDescending(doomed);

    RegisterPosition(&back);
    std::vector<int32_t> touched;
    for (const TextPos& p : doomed) {
        if (!isCellLine(*this, p.Area, p.Line)) continue;
        const RunRef r = runOf(*this, p.Area, p.Line);
        std::vector<TextLine>& lines = Areas[size_t(p.Area)].Lines;
        // The run is renumbered from what it holds, which also mends a
        // count or index a file got wrong.
        for (int32_t i = 0, k = 0; i < r.Count; ++i) {
            TextLine& c = lines[size_t(r.First + i)];
            c.CellsPerRow = r.Count - 1;
            c.Dirty = 1;
            if (r.First + i != p.Line) c.CellIndex = k++;
        }
        lines.erase(lines.begin() + p.Line);
        PositionsLineRemoved(p.Area, p.Line, p.Line, 0);
        touched.push_back(p.Area);
    }
    UnregisterPosition(&back);
    // A text area always keeps a line to type in.
    for (int32_t a : touched)
        if (Areas[size_t(a)].Lines.empty()) insertLines(*this, a, 0, std::vector<TextLine>(1, freshLine()));
    placeCursor(*this, back);
    ClampPositions();
    RefreshDirtyContent();
}

// ---- Columns ------------------------------------------------------------------------

void TMDIChild::InsertTableCols(int32_t append)
{
    if (!cursorInCell(*this)) return;
    WalkAllAreas = 0;
    TInsertTableColsForm form;
    if (append != 1) {
        if (!tableDialogUi()->runInsertTableColsDialog(form)) return;
    } else {
        form.Before = false;
    }
    const int32_t count = std::clamp(form.Count, 1, kMaxCellsPerRow);
    const int32_t position = append == 1 ? INT32_MAX : columnOf(*lineAt(*this, Cursor)) + (form.Before ? 0 : 1);
    MakeCopyForUndo("Insert table column");

    std::vector<TextPos> starts;
    if (isThereAmarking()) {
        for (const TextPos& p : selectedCellLines(*this))
            walkCellRuns(*this, p.Area, p.Line, [&](int32_t a, int32_t l) {
                starts.push_back(TextPos{a, runOf(*this, a, l).First, 0});
            });
    } else {
        for (const RunRef& r : tableRuns(*this, Cursor.Area, Cursor.Line))
            starts.push_back(TextPos{r.Area, r.First, 0});
    }
    sortDescending(starts);

    for (const TextPos& s : starts) {
        const RunRef r = runAt(*this, s.Area, s.Line);
        if (!r.valid()) continue;
        // A row never grows past the most cells a row may have.
        const int32_t add = std::min(count, kMaxCellsPerRow - r.Count);
        if (add <= 0) continue;
        const int32_t at = std::min(position, r.Count);
        std::vector<TextLine>& lines = Areas[size_t(r.Area)].Lines;
        const bool fromAfter = form.Before && at < r.Count;
        const TextLine& beside = lines[size_t(r.First + (fromAfter ? at : std::max(0, at - 1)))];
        std::vector<TextLine> fresh;
        for (int32_t i = 0; i < add; ++i) {
            TextLine l = freshLine();
            copyCellLook(l, beside);
            l.IsCell = 1;
            l.RowFirstRun = beside.RowFirstRun;
            l.RowLastRun = beside.RowLastRun;
            l.EndKind = beside.RowFirstRun ? ekParagraph : ekSoft;
            fresh.push_back(std::move(l));
        }
        insertLines(*this, r.Area, r.First + at, std::move(fresh));
        for (int32_t i = 0; i < r.Count + add; ++i) {
            TextLine& c = lines[size_t(r.First + i)];
            c.CellsPerRow = r.Count + add;
            c.CellIndex = i;
            c.Dirty = 1;
        }
    }
    Cursor.Char = 0;
    Anchor = Cursor;
    RefreshDirtyContent();
}

void TMDIChild::VerteileTableCols()
{
    if (!cursorInCell(*this)) return;
    WalkAllAreas = 0;
    MakeCopyForUndo("Width of table columns");
    std::vector<RunRef> runs;
    if (isThereAmarking()) {
        for (const TextPos& p : selectedCellLines(*this))
            walkCellRuns(*this, p.Area, p.Line, [&](int32_t a, int32_t l) { runs.push_back(runOf(*this, a, l)); });
    } else {
        runs = tableRuns(*this, Cursor.Area, Cursor.Line);
    }
    for (const RunRef& r : runs)
        for (int32_t i = 0; i < r.Count; ++i) {
            TextLine& c = Areas[size_t(r.Area)].Lines[size_t(r.First + i)];
            c.CellWidth = 1.0;
            c.Dirty = 1;
        }
    RefreshDirtyContent();
}

// ---- Column border drags ----------------------------------------------------------

void TMDIChild::FindAllTableTracks(int32_t area, int32_t line, int32_t side)
{
    const TextLine* pressed = lineAt(*this, area, line);
    if (!pressed || !pressed->IsCell) return;
    side = side ? 1 : 0;
    const TableTrack first{area, line, side};
    TableTracks.push_back(first);

    // A row selection over a column range moves only the borders of its
    // cells when it holds the pressed cell or its right neighbour.
    bool restricted = false;
    if (isThereAmarking()) {
        FindMarkingStart();
        restricted = RowMarking && (isinmarking(area, line, 0) || isinmarking(area, line + 1, 0));
    }
    auto marked = [&](int32_t a, int32_t l) { return !restricted || (isCellLine(*this, a, l) && isinmarking(a, l, 0)); };

    const RunRef pr = runOf(*this, area, line);
    const RunGeometry pg = geometry(*this, pr);
    if (!(pg.Width > 0)) return;
    const double x = pg.border(line - pr.First + side);
    const int32_t columns = pressed->ColumnCount;

    // The runs around the pressed one that lie in the same text columns.
    const std::vector<RunRef> runs = tableRuns(*this, area, line);
    auto sameColumns = [&](size_t k) {
        return Areas[size_t(runs[k].Area)].Lines[size_t(runs[k].First)].ColumnCount == columns;
    };
    size_t pressedRun = 0;
    while (pressedRun < runs.size() && !(runs[pressedRun].Area == pr.Area && runs[pressedRun].First == pr.First))
        ++pressedRun;
    if (pressedRun == runs.size()) return;
    size_t top = pressedRun, end = pressedRun + 1;
    while (top > 0 && sameColumns(top - 1)) --top;
    while (end < runs.size() && sameColumns(end)) ++end;

    for (size_t k = top; k < end; ++k) {
        const RunRef& r = runs[k];
        const std::vector<double> borders = geometry(*this, r).borders();
        for (int32_t b = 0; b <= r.Count; ++b) {
            if (std::fabs(borders[size_t(b)] - x) > kTrackReachMm) continue;
            TableTrack t;
            if (b == r.Count) {
                if (!marked(r.Area, r.First + b - 1)) continue;
                t = TableTrack{r.Area, r.First + b - 1, 1};
            } else {
                if (!marked(r.Area, r.First + b) && !(b > 0 && marked(r.Area, r.First + b - 1))) continue;
                t = TableTrack{r.Area, r.First + b, 0};
            }
            // Each run gives each triple once; only the pressed one can repeat.
            if (!(t == first)) TableTracks.push_back(t);
        }
    }
}

void TMDIChild::SetTableTrack(double x)
{
    if (TableTracks.empty() || !std::isfinite(x)) return;
    MakeCopyForUndo("Width of the table column");
    for (const TableTrack& t : TableTracks) {
        if (!isCellLine(*this, t.Area, t.CellLine)) continue;
        const RunRef r = runOf(*this, t.Area, t.CellLine);
        const RunGeometry g = geometry(*this, r);
        std::vector<TextLine>& lines = Areas[size_t(r.Area)].Lines;
        auto cell = [&](int32_t i) -> TextLine& { return lines[size_t(r.First + i)]; };
        if (g.WeightsRepaired)
            for (int32_t i = 0; i < r.Count; ++i) cell(i).CellWidth = g.Weights[size_t(i)];
        const int32_t i = t.CellLine - r.First;
        const int32_t n = r.Count;

        if ((t.Side == 0 && i == 0) || (t.Side != 0 && i == n - 1)) {
            // An outer edge: the table stays inside its region and every
            // cell keeps its minimum.
            double left = g.InsetLeft, right = g.InsetRight;
            if (t.Side == 0) left = std::clamp(x, 0.0, std::max(0.0, g.Width - right - g.minUsable()));
            else right = g.Width - std::clamp(x, std::min(left + g.minUsable(), g.Width), g.Width);
            for (int32_t k = 0; k < n; ++k) {
                cell(k).CellInsetLeft = std::max(0.0, left);
                cell(k).CellInsetRight = std::max(0.0, right);
                cell(k).Dirty = 1;
            }
            continue;
        }
        const int32_t L = t.Side == 0 ? i - 1 : i;
        const int32_t R = L + 1;
        if (L < 0 || R >= n) continue;
        const double f = g.border(L), gb = g.border(R), h = g.border(R + 1);
        double p = std::max(x, f + kMinCellMm);
        p = std::min(p, h - kMinCellMm);
        if (gb == f || !((p - f) / (gb - f) > 0)) continue;
        const double wl = g.Weights[size_t(L)], wr = g.Weights[size_t(R)];
        const double nl = wl * (p - f) / (gb - f);
        cell(L).CellWidth = nl;
        cell(R).CellWidth = wl + wr - nl;
        cell(L).Dirty = 1;
        cell(R).Dirty = 1;
    }
    RefreshDirtyContent();
}

// ---- Cell format dialog --------------------------------------------------------------

void TMDIChild::Zellenformatieren()
{
    WalkAllAreas = 0;
    std::vector<FormCell> cells;
    std::map<std::pair<int32_t, int32_t>, bool> seen;
    for (const TextPos& p : selectedCellLines(*this)) {
        int32_t a = p.Area, l = p.Line;
        toFirstRun(*this, a, l);
        if (!seen.emplace(std::pair(a, l), true).second) continue;
        FormCell c;
        c.Column = columnOf(*lineAt(*this, a, l));
        walkCellRuns(*this, a, l, [&](int32_t ra, int32_t rl) { c.Lines.push_back(TextPos{ra, rl, 0}); });
        cells.push_back(std::move(c));
    }
    if (cells.empty()) {
        errorBox(kNoCellSelected);
        return;
    }

    int32_t minCol = INT32_MAX, maxCol = INT32_MIN;
    std::pair<int32_t, int32_t> firstRow{INT32_MAX, INT32_MAX}, lastRow{INT32_MIN, INT32_MIN};
    auto rowKey = [&](const TextPos& p) { return std::pair(p.Area, runOf(*this, p.Area, p.Line).First); };
    for (const FormCell& c : cells) {
        minCol = std::min(minCol, c.Column);
        maxCol = std::max(maxCol, c.Column);
        for (const TextPos& p : c.Lines) {
            firstRow = std::min(firstRow, rowKey(p));
            lastRow = std::max(lastRow, rowKey(p));
        }
    }
    for (FormCell& c : cells) {
        c.Left = c.Column == minCol;
        c.Right = c.Column == maxCol;
        for (const TextPos& p : c.Lines) {
            c.Top = c.Top || rowKey(p) == firstRow;
            c.Bottom = c.Bottom || rowKey(p) == lastRow;
        }
    }

    TableDialogUi& ui = *tableDialogUi();
    TTableCellForm& form = ui.CellForm;
    for (CellBorderSlot& s : form.Slots) s.Set = s.Initialised = 0;
    bool firstCell = true;
    for (const FormCell& c : cells)
        for (const TextPos& p : c.Lines) {
            const CellDesign& d = lineAt(*this, p)->Design;
            for (int b = 0; b < 4; ++b) {
                CellBorderSlot& s = form.slot(slotOf(b, c));
                if (!s.Initialised) {
                    s.Color = d.BorderColor[size_t(b)];
                    s.Width = d.BorderWidth[size_t(b)];
                    s.On = d.BorderOn[size_t(b)];
                    s.Initialised = s.Set = 1;
                } else if (s.Color != d.BorderColor[size_t(b)] || s.Width != d.BorderWidth[size_t(b)] ||
                           s.On != d.BorderOn[size_t(b)]) {
                    s.Set = 0;
                }
            }
            if (firstCell) {
                form.Background = d.Background;
                form.Transparent = d.Transparent != 0;
                firstCell = false;
            } else if (d.Background != form.Background || (d.Transparent != 0) != form.Transparent) {
                form.Background = kWhite;
                form.Transparent = true;
            }
        }
    for (int i = 0; i < 6; ++i) form.Down[size_t(i)] = form.Slots[size_t(i)].On != 0;
    form.TransparentEnabled = form.Background == kWhite;
    form.BackgroundChanged = false;

    if (!ui.runTableCellDialog(form)) return;
    // Borders and shading are edits like any other: undoable, and the
    // document counts as changed.
    MakeCopyForUndo("Table cells");
    for (const FormCell& c : cells)
        for (const TextPos& p : c.Lines) {
            TextLine* ln = lineAt(*this, p);
            if (!ln) continue;
            CellDesign& d = ln->Design;
            for (int b = 0; b < 4; ++b) {
                const CellBorderSlot& s = form.slot(slotOf(b, c));
                if (!s.Set) continue;
                d.BorderColor[size_t(b)] = s.Color;
                d.BorderWidth[size_t(b)] = s.Width;
                d.BorderOn[size_t(b)] = s.On;
            }
            if (form.BackgroundChanged) {
                d.Background = form.Background;
                d.Transparent = form.Transparent ? 1 : 0;
            }
        }
    Host->restartTimer2();
}

// ---- The cell dialog's own behaviour ---------------------------------------------------

void TTableCellForm::SpeedButtonClick(int number)
{
    if (number < 1 || number > 6) return;
    CellBorderSlot& s = slot(number);
    s.Color = LineColor;
    s.Width = LineWidth;
    s.On = Down[size_t(number - 1)] ? 1 : 0;
    s.Set = 1;
    ++Repaints;
}

void TTableCellForm::Preset(int bitBtn)
{
    switch (bitBtn) {
    case 7: LineStarkEdChange(0.75); return;
    case 8: LineStarkEdChange(1.5); return;
    case 9: LineStarkEdChange(3.0); return;
    case 3: Down.fill(false); break;
    case 4: Down = {true, false, true, true, false, true}; break;
    case 5:
    case 6: Down.fill(true); break;
    default: return;
    }
    for (int n = 1; n <= 6; ++n) SpeedButtonClick(n);
    // A grid has thin inner lines whatever the width box holds; they are
    // set after the clicks, which copy the width box into every slot.
    if (bitBtn == 6) slot(csInnerH).Width = slot(csInnerV).Width = 0.75;
    ++Repaints;
}

void TTableCellForm::BkColChange(uint32_t color)
{
    Background = color;
    BackgroundChanged = true;
    TransparentEnabled = color == kWhite;
    ++Repaints;
}

void TTableCellForm::TranspCheckClick(bool checked)
{
    Transparent = checked;
    BackgroundChanged = true;
}

void TTableCellForm::LineColChange(uint32_t color)
{
    LineColor = color;
    ++Repaints;
}

void TTableCellForm::LineStarkEdChange(double points)
{
    LineWidth = std::isfinite(points) ? std::clamp(points, 0.0, 10.0) : 0.75;
    ++Repaints;
}

int TTableCellForm::SlotAt(int32_t x, int32_t y, int32_t w, int32_t h)
{
    if (x <= 9) return csLeft;
    if (x > w - 11) return csRight;
    if (y <= 9) return csTop;
    if (y > h - 11) return csBottom;
    if (std::abs(x - w / 2) <= 10) return csInnerV;
    if (std::abs(y - h / 2) <= 10) return csInnerH;
    return 0;
}

void TTableCellForm::PaintBox1MouseDown(int32_t x, int32_t y, int32_t w, int32_t h)
{
    const int n = SlotAt(x, y, w, h);
    if (n == 0) return;
    Down[size_t(n - 1)] = !Down[size_t(n - 1)];
    SpeedButtonClick(n);
}

std::vector<CellPreviewLine> TTableCellForm::PreviewLines(int32_t w, int32_t h, int32_t dpi) const
{
    std::vector<CellPreviewLine> out;
    for (int n = 1; n <= 6; ++n) {
        if (!Down[size_t(n - 1)]) continue;
        CellPreviewLine l;
        l.Slot = n;
        switch (n) {
        case csTop: l = {n, 0, 5, w, 5}; break;
        case csInnerH: l = {n, 0, h / 2, w, h / 2}; break;
        case csBottom: l = {n, 0, h - 6, w, h - 6}; break;
        case csLeft: l = {n, 5, 0, 5, h}; break;
        case csInnerV: l = {n, w / 2, 0, w / 2, h}; break;
        default: l = {n, w - 6, 0, w - 6, h}; break;
        }
        const CellBorderSlot& s = slot(n);
        if (s.Set) {
            l.Color = s.Color;
            l.PenWidth = int32_t(roundHalfEven(dpi * s.Width / 72.0));
        } else {
            l.Color = 0x808080;  // the selected cells disagree
            l.PenWidth = 5;
        }
        out.push_back(l);
    }
    return out;
}

} // namespace quillet
