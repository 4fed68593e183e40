// Paragraph formatting. A paragraph's format is not stored once: every line
// of the paragraph carries a full copy, and a table cell's lines carry the
// format of the cell's paragraph. setabsatzformat is the one writer; it keeps
// all lines of a paragraph in agreement and marks them for layout.
//
// A paragraph ends at a paragraph end or a page break, never crosses a table
// row's boundary, and inside a table stays within one cell, stepping from
// run to run of that cell.

#include "engine/Childwin.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace quillet {

namespace {

constexpr std::string_view kParagraphFormatLabel = "Paragraph format";
// The bullet every toggle sets, in the bullet face (or "Wingdings").
constexpr uint8_t kStandardBullet = 159;

TextLine* lineAt(TMDIChild& w, int32_t a, int32_t l)
{
    if (a < 0 || a >= w.AreaCount() || l < 0 || l >= w.Areas[size_t(a)].LineCount()) return nullptr;
    return &w.Areas[size_t(a)].Lines[size_t(l)];
}

int32_t cellsOf(const TextLine& l) { return l.IsCell ? std::max<int32_t>(1, l.CellsPerRow) : 1; }

int32_t columnOf(const TextLine& l)
{
    return l.IsCell ? std::clamp<int32_t>(l.CellIndex, 0, cellsOf(l) - 1) : 0;
}

int32_t stepLines(int32_t line, int64_t delta)
{
    return int32_t(std::clamp<int64_t>(int64_t(line) + delta, INT32_MIN, INT32_MAX));
}

bool endsParagraph(const TextLine& l) { return l.EndKind == ekParagraph || l.EndKind == ekPageBreak; }

// Whether `next` continues the text of `cur` as the same kind of line: the
// same cell of the next run, or plain text after plain text. Anything else
// is a damaged table, where a paragraph is taken to end.
bool sameKind(const TextLine& cur, const TextLine& next)
{
    if (cur.IsCell != next.IsCell) return false;
    return !cur.IsCell || columnOf(cur) == columnOf(next);
}

int64_t lineBudget(const TMDIChild& w)
{
    int64_t n = 1;
    for (const TextArea& a : w.Areas) n += a.LineCount();
    return n;
}

struct ParagraphWriter {
    TMDIChild& w;
    const TMDIChild::AbsatzWert& value;
    bool applyColumns;
    bool thisLineOnly;
    // Lines written by this call, per area: a paragraph met again through
    // another of its selected lines would only get the same value again.
    std::vector<std::vector<uint8_t>> written;

    bool isWritten(int32_t a, int32_t l) const
    {
        return size_t(a) < written.size() && size_t(l) < written[size_t(a)].size() &&
               written[size_t(a)][size_t(l)];
    }

    void noteWritten(int32_t a, int32_t l)
    {
        if (written.size() < w.Areas.size()) written.resize(w.Areas.size());
        std::vector<uint8_t>& marks = written[size_t(a)];
        if (marks.size() < w.Areas[size_t(a)].Lines.size()) marks.resize(w.Areas[size_t(a)].Lines.size());
        marks[size_t(l)] = 1;
    }

    static void writeColumns(TextLine& l, const TMDIChild::AbsatzWert& v)
    {
        l.ColumnCount = v.ColumnCount;
        l.ColumnRule = v.ColumnRule;
        l.ColumnGap = v.ColumnGap;
    }

    // setzeilenformat
    void writeLine(int32_t a, int32_t li)
    {
        TextLine& l = w.Areas[size_t(a)].Lines[size_t(li)];
        l.Dirty = 1;
        const int32_t itemNumber = l.Para.ItemNumber;
        l.Para = value.Para;
        l.Para.ItemNumber = itemNumber;
        if (l.Para.BulletFace && l.Para.BulletFace->empty()) l.Para.BulletFace.reset();
        noteWritten(a, li);
        if (!applyColumns) return;
        if (!l.IsCell || l.CellsPerRow < 2 || thisLineOnly) {
            writeColumns(l, value);
            return;
        }
        // Every cell of a row run shares the column settings.
        std::vector<TextLine>& lines = w.Areas[size_t(a)].Lines;
        const int32_t first = std::max(0, li - columnOf(l));
        const int32_t end = int32_t(std::min<int64_t>(int64_t(first) + l.CellsPerRow, int64_t(lines.size())));
        for (int32_t i = first; i < end; ++i) {
            writeColumns(lines[size_t(i)], value);
            lines[size_t(i)].Dirty = 1;
        }
    }

    // setganzenabsatz
    void writeParagraph(int32_t a, int32_t l)
    {
        if (!lineAt(w, a, l) || isWritten(a, l)) return;
        int64_t guard = lineBudget(w);
        // Back to the paragraph's first line.
        while (--guard > 0) {
            const TextLine& cur = w.Areas[size_t(a)].Lines[size_t(l)];
            if (cur.RowFirstRun) break;
            int32_t pa = a, pl = stepLines(l, -int64_t(cellsOf(cur)));
            w.GoToLine(pa, pl);
            const TextLine* prev = lineAt(w, pa, pl);
            // Text after a table starts a paragraph of its own; a cell's
            // earlier run never ends its row (if it does, the row is damaged).
            if (!prev || endsParagraph(*prev) || prev->RowLastRun || !sameKind(cur, *prev)) break;
            a = pa;
            l = pl;
        }
        writeLine(a, l);
        // Forwards to its last line.
        while (--guard > 0) {
            const TextLine& cur = w.Areas[size_t(a)].Lines[size_t(l)];
            if (endsParagraph(cur) || cur.RowLastRun) break;
            int32_t na = a, nl = stepLines(l, cellsOf(cur));
            w.GoToLine(na, nl);
            const TextLine* next = lineAt(w, na, nl);
            if (!next || next->RowFirstRun || !sameKind(cur, *next)) break;
            a = na;
            l = nl;
            writeLine(a, l);
        }
    }
};

} // namespace

TMDIChild::AbsatzWert TMDIChild::getabsatzformat()
{
    AbsatzWert v;
    v.Para = DefaultAbsatzFormat();
    ClampPosition(Areas, Cursor);
    const TextLine* l = lineAt(*this, Cursor.Area, Cursor.Line);
    if (!l) return v;
    v.Para = l->Para;
    v.Para.ItemNumber = 0;
    v.ColumnCount = l->ColumnCount;
    v.ColumnRule = l->ColumnRule;
    v.ColumnGap = l->ColumnGap;
    return v;
}

void TMDIChild::setabsatzformat(const AbsatzWert& value, bool applyColumns, bool thisLineOnly, bool makeUndo)
{
    // The selection walk stays in the current text flow.
    WalkAllAreas = 0;
    if (makeUndo) MakeCopyForUndo(kParagraphFormatLabel);
    ClampPosition(Areas, Cursor);
    ParagraphWriter writer{*this, value, applyColumns, thisLineOnly, {}};
    if (thisLineOnly) {
        if (lineAt(*this, Cursor.Area, Cursor.Line)) writer.writeLine(Cursor.Area, Cursor.Line);
        return;
    }
    if (isThereAmarking()) {
        TextWalker walk = MarkedWalk();
        writer.writeParagraph(walk.Pos.Area, walk.Pos.Line);
        while (getnextmarkedline(walk)) writer.writeParagraph(walk.Pos.Area, walk.Pos.Line);
        return;
    }
    writer.writeParagraph(Cursor.Area, Cursor.Line);
}

namespace {

void setAlignment(TMDIChild& w, uint8_t alignment)
{
    if (w.Areas.empty()) return;
    TMDIChild::AbsatzWert v = w.getabsatzformat();
    v.Para.Alignment = alignment;
    w.setabsatzformat(v, true, false, true);
    w.RefreshDirtyContent();
}

} // namespace

void TMDIChild::formatleft() { setAlignment(*this, 0); }
void TMDIChild::formatcenter() { setAlignment(*this, 1); }
void TMDIChild::formatright() { setAlignment(*this, 2); }
void TMDIChild::formatblock() { setAlignment(*this, 3); }

void TMDIChild::aufzaehlung(int32_t kind)
{
    if (Areas.empty() || kind < 0 || kind > 2) return;
    AbsatzWert v = getabsatzformat();
    v.Para.ListKind = v.Para.ListKind == kind ? 0 : uint8_t(kind);
    v.Para.BulletChar = kStandardBullet;
    setabsatzformat(v, true, false, true);
    RefreshDirtyContent();
}

} // namespace quillet
