// Paragraph formatting. A paragraph's format is not stored once: every line
// of the paragraph carries a full copy, and a table cell's lines carry the
// format of the cell's paragraph. setabsatzformat is the one writer; it keeps
// all lines of a paragraph in agreement and marks them for layout.
//
// A paragraph ends at a paragraph end or a page break, never crosses a table
// row's boundary, and inside a table stays within one cell, stepping from
// run to run of that cell.

#include "engine/AbsatzDialogs.h"
#include "engine/Childwin.h"
#include "engine/DocWalk.h"
#include "platform/MessageBox.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>
#include <vector>

namespace quillet {

namespace {

constexpr std::string_view kParagraphFormatLabel = "Paragraph format";
// The bullet every toggle sets, in the bullet face (or "Wingdings").
constexpr uint8_t kStandardBullet = 159;

int64_t lineBudget(const TMDIChild& w)
{
    int64_t n = 1;
    for (const TextArea& a : w.Areas) n += a.LineCount();
    return n;
}

// The width a line's text has before indents (mm): its text column, or its
// share of a table row's inner width, as layout gives it.
double lineTextWidth(const TMDIChild& w, int32_t a, int32_t li)
{
    const std::vector<TextLine>& lines = w.Areas[size_t(a)].Lines;
    const TextLine& l = lines[size_t(li)];
    double width = w.ColumnWidth(a, l);
    const int32_t n = cellsOf(l);
    if (n < 2) return width;
    const int32_t first = std::max(0, li - columnOf(l));
    const int32_t end = int32_t(std::min<int64_t>(int64_t(first) + n, int64_t(lines.size())));
    double sum = 0;
    for (int32_t i = first; i < end; ++i) sum += lines[size_t(i)].CellWidth;
    const double inner = width - l.CellInsetLeft - l.CellInsetRight;
    return sum > 0 && std::isfinite(sum) ? inner * l.CellWidth / sum : inner / n;
}

struct ParagraphWriter {
    ParagraphWriter(TMDIChild& win, const TMDIChild::AbsatzWert& v, bool columns, bool lineOnly)
        : w(win), value(v), applyColumns(columns), thisLineOnly(lineOnly)
    {
    }

    TMDIChild& w;
    const TMDIChild::AbsatzWert& value;
    bool applyColumns;
    bool thisLineOnly;
    // Walk only: the lines a write would reach are measured, not written.
    bool measureOnly = false;
    double narrowest = INFINITY;
    // Lines written by this call, per area: a paragraph met again through
    // another of its selected lines would only get the same value again.
    std::vector<std::vector<uint8_t>> written;
    // The format written, made once, and the last block handed out: the
    // lines written one after another with the same number hold one block.
    std::optional<SharedPara> format;
    SharedPara lastFormat;

    const SharedPara& formatFor(int32_t itemNumber)
    {
        if (!format) {
            AbsatzFormat f = value.Para;
            if (f.BulletFace && f.BulletFace->empty()) f.BulletFace.reset();
            format.emplace(std::move(f));
            lastFormat = *format;
        }
        if (lastFormat->ItemNumber != itemNumber) {
            lastFormat = *format;
            if (itemNumber != lastFormat->ItemNumber) lastFormat.edit().ItemNumber = itemNumber;
        }
        return lastFormat;
    }

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
        if (measureOnly) {
            noteWritten(a, li);
            narrowest = std::min(narrowest, lineTextWidth(w, a, li));
            return;
        }
        TextLine& l = w.Areas[size_t(a)].Lines[size_t(li)];
        l.Dirty = 1;
        l.Para = formatFor(l.Para->ItemNumber);  // the number is left as it was
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

    // The line before (after) (a, l) in the same text: the same cell's
    // previous (next) run, or plain text beside plain text. Text beside a
    // table, and a damaged row, end the paragraph.
    bool stepInText(int32_t& a, int32_t& l, bool forward)
    {
        const TextLine& cur = w.Areas[size_t(a)].Lines[size_t(l)];
        if (cur.IsCell) return forward ? nextRun(w, a, l) : prevRun(w, a, l);
        if (forward ? cur.RowLastRun : cur.RowFirstRun) return false;
        int32_t na = a, nl = addLines(l, forward ? 1 : -1);
        w.GoToLine(na, nl);
        const TextLine* nx = lineAt(w, na, nl);
        if (!nx || nx->IsCell || (forward ? nx->RowFirstRun : nx->RowLastRun)) return false;
        a = na;
        l = nl;
        return true;
    }

    // setganzenabsatz
    void writeParagraph(int32_t a, int32_t l)
    {
        if (!lineAt(w, a, l) || isWritten(a, l)) return;
        int64_t guard = lineBudget(w);
        // Back to the paragraph's first line.
        while (--guard > 0) {
            int32_t pa = a, pl = l;
            if (!stepInText(pa, pl, false) || endsParagraph(w.Areas[size_t(pa)].Lines[size_t(pl)])) break;
            a = pa;
            l = pl;
        }
        writeLine(a, l);
        // Forwards to its last line.
        while (--guard > 0) {
            if (endsParagraph(w.Areas[size_t(a)].Lines[size_t(l)]) || !stepInText(a, l, true)) break;
            writeLine(a, l);
        }
    }
};

} // namespace

TMDIChild::AbsatzWert TMDIChild::getabsatzformat()
{
    AbsatzWert v;
    v.Para = DefaultAbsatzFormat();
    // The cursor may stand one past an area's last line (where the next
    // character would go); that line's format is the last line's. Reading
    // moves nothing.
    TextPos at = Cursor;
    ClampPosition(Areas, at);
    const TextLine* l = lineAt(*this, at.Area, at.Line);
    if (!l) return v;
    v.Para = l->Para;
    v.Para.ItemNumber = 0;
    v.ColumnCount = l->ColumnCount;
    v.ColumnRule = l->ColumnRule;
    v.ColumnGap = l->ColumnGap;
    return v;
}

namespace {

// The lines setabsatzformat reaches: the cursor line alone, or the whole
// paragraph of every line the selection (or the cursor) touches.
void reachParagraphs(TMDIChild& w, ParagraphWriter& writer)
{
    // The selection walk stays in the current text flow.
    w.WalkAllAreas = 0;
    const TextPos c = w.Cursor;
    if (writer.thisLineOnly) {
        if (lineAt(w, c.Area, c.Line)) writer.writeLine(c.Area, c.Line);
        return;
    }
    if (w.isThereAmarking()) {
        TMDIChild::TextWalker walk = w.MarkedWalk();
        writer.writeParagraph(walk.Pos.Area, walk.Pos.Line);
        while (w.getnextmarkedline(walk)) writer.writeParagraph(walk.Pos.Area, walk.Pos.Line);
        return;
    }
    writer.writeParagraph(c.Area, c.Line);
}

} // namespace

void TMDIChild::setabsatzformat(const AbsatzWert& value, bool applyColumns, bool thisLineOnly, bool makeUndo)
{
    if (makeUndo) MakeCopyForUndo(kParagraphFormatLabel);
    ClampPosition(Areas, Cursor);
    ParagraphWriter writer(*this, value, applyColumns, thisLineOnly);
    reachParagraphs(*this, writer);
}

double TMDIChild::ParagraphTextWidth()
{
    ClampPosition(Areas, Cursor);
    const AbsatzWert none;
    ParagraphWriter writer(*this, none, false, false);
    writer.measureOnly = true;
    reachParagraphs(*this, writer);
    return std::isfinite(writer.narrowest) ? writer.narrowest : 0;
}

namespace {

// The simple commands: read the cursor's paragraph, change one thing, write
// it back as one undo step and lay it out.
template <class Change>
void changeParagraph(TMDIChild& w, Change change)
{
    if (w.Areas.empty()) return;
    TMDIChild::AbsatzWert v = w.getabsatzformat();
    change(v.Para);
    w.setabsatzformat(v, true, false, true);
    w.RefreshDirtyContent();
}

void setAlignment(TMDIChild& w, uint8_t alignment)
{
    changeParagraph(w, [alignment](AbsatzFormat& p) { p.Alignment = alignment; });
}

void setLineSpacing(TMDIChild& w, double factor)
{
    changeParagraph(w, [factor](AbsatzFormat& p) {
        p.LineSpacingMode = 0;
        p.LineSpacing = factor;
    });
}

// Shows nothing: every dialog counts as cancelled.
struct NoParagraphDialogs : ParagraphDialogUi {
    bool runAbsatzDialog(AbsatzDialogModel&) override { return false; }
    bool runTabulatorDialog(TabulatorDialogModel&) override { return false; }
    bool runNummerierungDialog(NummerierungDialogModel&) override { return false; }
};

// A dialog command: fill the model, show it, and after OK check it and write
// it back. A refused input shows its message and leaves the document as it
// was, without an undo step.
template <class Model, class Fill, class Run, class Check, class Apply>
void runParagraphDialog(TMDIChild& w, Fill fill, Run run, Check check, Apply apply)
{
    if (w.Areas.empty()) return;
    TMDIChild::AbsatzWert v = w.getabsatzformat();
    Model m = fill(v.Para, w.ParagraphTextWidth());
    if (!run(*w.paragraphDialogUi(), m)) return;
    if (const std::string problem = check(m); !problem.empty()) {
        errorBox(problem);
        return;
    }
    apply(m, v.Para);
    w.setabsatzformat(v, true, false, true);
    w.RefreshDirtyContent();
}

} // namespace

void TMDIChild::formatleft() { setAlignment(*this, 0); }
void TMDIChild::formatcenter() { setAlignment(*this, 1); }
void TMDIChild::formatright() { setAlignment(*this, 2); }
void TMDIChild::formatblock() { setAlignment(*this, 3); }

void TMDIChild::ZeilenAbstandEinfach() { setLineSpacing(*this, 1.0); }
void TMDIChild::ZeilenAbstandEinEinhalbfach() { setLineSpacing(*this, 1.5); }
void TMDIChild::ZeilenAbstandZweifach() { setLineSpacing(*this, 2.0); }

void TMDIChild::aufzaehlung(int32_t kind)
{
    if (kind < 0 || kind > 2) return;
    changeParagraph(*this, [kind](AbsatzFormat& p) {
        p.ListKind = p.ListKind == kind ? 0 : uint8_t(kind);
        // The standard bullet is a glyph of the standard bullet face: a
        // custom face kept with it would show some other glyph.
        p.BulletChar = kStandardBullet;
        p.BulletFace.reset();
    });
}

ParagraphDialogUi* TMDIChild::paragraphDialogUi()
{
    static NoParagraphDialogs none;
    if (ParagraphDialogs) return ParagraphDialogs;
    if (auto* frame = dynamic_cast<ParagraphDialogUi*>(Ui)) return frame;
    return &none;
}

void TMDIChild::absatzformatieren()
{
    runParagraphDialog<AbsatzDialogModel>(
        *this, AbsatzDialogFromFormat, [](ParagraphDialogUi& ui, AbsatzDialogModel& m) { return ui.runAbsatzDialog(m); },
        AbsatzDialogCheck, AbsatzDialogApply);
}

void TMDIChild::tabulator()
{
    const char separator = paragraphDialogUi()->decimalSeparator();
    runParagraphDialog<TabulatorDialogModel>(
        *this,
        [separator](const AbsatzFormat& p, double width) { return TabulatorDialogFromFormat(p, width, separator); },
        [](ParagraphDialogUi& ui, TabulatorDialogModel& m) { return ui.runTabulatorDialog(m); },
        TabulatorDialogCheck, TabulatorDialogApply);
}

void TMDIChild::NummerierungundAufzaehlungen()
{
    runParagraphDialog<NummerierungDialogModel>(
        *this, NummerierungDialogFromFormat,
        [](ParagraphDialogUi& ui, NummerierungDialogModel& m) { return ui.runNummerierungDialog(m); },
        NummerierungDialogCheck, NummerierungDialogApply);
}

} // namespace quillet
