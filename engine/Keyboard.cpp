// Keyboard editing: the key-down and key-press handlers of the document
// window, the caret steps, the line split of Enter, and the taking over of
// the format at the cursor into the current format and the format toolbar.
//
// A soft-wrapped line's end (line, CharCount) and the next line's start
// (line + 1, 0) are one place in the text. Stepping right stops on the first,
// stepping left on the second, so each direction passes the place once.
//
// A run of keystrokes of one kind (typing, Enter, Delete, Backspace) shares
// one undo snapshot; any other key closes the run.

#include "engine/Childwin.h"

#include "engine/DocWalk.h"
#include "platform/VirtualKeys.h"
#include "platform/Win1252.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <string_view>

namespace quillet {

namespace {

enum EditKind : int32_t { kTyping = 0, kEnter = 1, kDeleteForward = 2, kBackspace = 3 };

constexpr int kPageKeyLines = 20;
constexpr int32_t kPageKeyScroll = 8;
constexpr double kTabStartWidth = 12.5;

bool validArea(const TMDIChild& w, int32_t a) { return a >= 0 && a < w.AreaCount(); }

int64_t totalLines(const TMDIChild& w)
{
    int64_t n = 0;
    for (const TextArea& a : w.Areas) n += a.LineCount();
    return n + 1;
}

bool firstRun(const TextLine& l) { return l.IsCell && l.RowFirstRun; }
bool lastRun(const TextLine& l) { return l.IsCell && l.RowLastRun; }

// The character of a position for the word steps: its code, "." for
// anything that is not text, a space at a line end.
uint8_t wordChar(TMDIChild& w, const TextPos& p)
{
    const TextLine* l = lineAt(w, p);
    if (!l || p.Char < 0 || p.Char >= l->CharCount()) return ' ';
    const TextChar& c = l->Chars[size_t(p.Char)];
    return c.Kind == ckText ? c.Code : uint8_t('.');
}

bool isWordStart(uint8_t p, uint8_t q)
{
    const bool pSpace = p == ' ', qSpace = q == ' ';
    const bool pAlnum = isAnsiAlnum(p), qAlnum = isAnsiAlnum(q);
    if (pSpace && !qSpace) return true;
    if (pAlnum && !qAlnum && !qSpace) return true;
    if (!pAlnum && !pSpace && !qSpace) return true;
    return false;
}

// Shortest decimal text of a number, independent of the locale.
std::string shortestDecimal(double v)
{
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return r.ec == std::errc{} ? std::string(buf, r.ptr) : std::string();
}

// Removes characters [at, at + count) of a line with their strings and keeps
// the stored positions on the same text.
void removeChars(TMDIChild& w, int32_t a, int32_t l, int32_t at, int32_t count)
{
    TextLine* ln = lineAt(w, a, l);
    if (!ln || count <= 0 || at < 0 || at >= ln->CharCount()) return;
    count = std::min(count, ln->CharCount() - at);
    bool picture = false;
    for (int32_t i = at; i < at + count; ++i) {
        TextChar& c = ln->Chars[size_t(i)];
        picture = picture || c.Kind == ckPicture;
        TMDIChild::freezeichen(c);
    }
    ln->Chars.erase(ln->Chars.begin() + at, ln->Chars.begin() + at + count);
    if (ln->Chars.empty()) ln->Chars.shrink_to_fit();
    w.PositionsCharsRemoved(a, l, at, count);
    if (picture) w.FreeBildInListeIfNotNeeded();
}

// A character taken over by overwrite mode: what it owned goes, and so do
// its marks (soft hyphen, misspelling, drop mark), which belonged to the old
// character. The format stays: overwriting keeps it.
void clearForReuse(TextChar& c)
{
    TMDIChild::freezeichen(c);
    c.Flags = 0;
    c.ParaCopy().reset();
    c.setShownNumber(0);
    c.setFootnoteId(0);
    c.setPictureIndex(0);
    c.TabLeader = 0;
    c.setGapBefore(0);
}

} // namespace

// ---- Caret steps -------------------------------------------------------------

bool TMDIChild::GoCharRight()
{
    ClampPosition(Areas, Cursor);
    return caretStepRight(*this, Cursor);
}

bool TMDIChild::GoCharLeft()
{
    ClampPosition(Areas, Cursor);
    TextLine* ln = lineAt(*this, Cursor);
    if (!ln) return false;
    if (Cursor.Char - 1 >= 0) {
        --Cursor.Char;
        return true;
    }
    Cursor.Char = 0;

    // The mirror of the step right: a cell run by run back to its first
    // run, then the previous cell from its last run.
    int32_t a = Cursor.Area, l = Cursor.Line;
    bool minusOne = true;
    if (ln->IsCell && prevRun(*this, a, l)) minusOne = false;
    else if (ln->IsCell && columnOf(*ln) != 0) toLastRun(*this, a, l);
    if (minusOne) {
        l = addLines(l, -1);
        GoToLine(a, l);
    }
    const TextLine* pv = lineAt(*this, a, l);
    if (!pv) {
        Cursor.Line = 0;
        ClampPosition(Areas, Cursor);
        Cursor.Char = 0;
        return false;
    }
    if (minusOne && pv->IsCell) {
        // Into the previous cell, or the last cell of the row above: its end.
        Cursor = TextPos{a, l, pv->CharCount()};
        return false;
    }
    const int32_t cc = pv->CharCount();
    Cursor = TextPos{a, l, (pv->EndKind != ekSoft || cc == 0) ? cc : cc - 1};
    return false;
}

namespace {

// One line up or down: to the same column of the run above or below (a
// shorter run gives its last column), passing empty continuation lines of
// a cell.
bool goLine(TMDIChild& w, bool down)
{
    TMDIChild::ClampPosition(w.Areas, w.Cursor);
    bool moved = false;
    for (int64_t guard = totalLines(w); guard >= 0; --guard) {
        const TextLine* ln = lineAt(w, w.Cursor);
        if (!ln) return moved;
        const int32_t col = columnOf(*ln);
        // The first line of the next run, or the last line of the run before.
        int32_t a = w.Cursor.Area;
        int32_t t = down ? addLines(w.Cursor.Line, int64_t(cellsOf(*ln)) - col)
                         : addLines(w.Cursor.Line, -int64_t(col) - 1);
        w.GoToLine(a, t);
        const TextLine* tl = lineAt(w, a, t);
        if (!tl) return moved;
        const int32_t target = down ? t + std::min(col, cellsOf(*tl) - 1)
                                    : t + std::min(col, columnOf(*tl)) - columnOf(*tl);
        const TextLine* reached = lineAt(w, a, target);
        if (!reached) return moved;
        w.Cursor.Area = a;
        w.Cursor.Line = target;
        w.Cursor.Char = std::clamp(w.Cursor.Char, 0, reached->CharCount());
        moved = true;
        // Empty continuation lines of a cell are passed.
        if (!(reached->IsCell && !reached->RowFirstRun && reached->CharCount() == 0)) break;
        int32_t pa = a, pl = addLines(target, -int64_t(cellsOf(*reached)));
        w.GoToLine(pa, pl);
        const TextLine* above = lineAt(w, pa, pl);
        if (!above || above->EndKind != ekSoft) break;
    }
    return moved;
}

} // namespace

bool TMDIChild::GoLineUp() { return goLine(*this, false); }
bool TMDIChild::GoLineDown() { return goLine(*this, true); }

// ---- Splitting a line --------------------------------------------------------

void TMDIChild::InsertEnterOnThatPos(int32_t& area, int32_t& line, int32_t endKind, int32_t& ch)
{
    // The arguments are usually the Cursor's own fields: work on copies.
    const int32_t a = area, l = line;
    TextLine* ln = lineAt(*this, a, l);
    if (!ln) return;
    const int32_t at = std::clamp(ch, 0, ln->CharCount());
    ln->Dirty = 1;

    const int32_t n = cellsOf(*ln);
    const int32_t c = columnOf(*ln);
    std::vector<TextLine>& lines = Areas[size_t(a)].Lines;
    const int32_t start = std::max(0, l - c);
    const int32_t insertAt = std::min<int32_t>(start + n, int32_t(lines.size()));
    const int32_t splitLine = insertAt + (l - start);

    std::vector<TextLine> fresh(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        InitNewLine(fresh, i);
        TextLine& nl = fresh[size_t(i)];
        // A run whose lines are missing (a damaged table) takes them from the split line.
        TextLine& src = (start + i < insertAt && lines[size_t(start + i)].IsCell == ln->IsCell)
                            ? lines[size_t(start + i)] : *ln;
        nl.RowLastRun = src.RowLastRun;
        nl.IsCell = src.IsCell;
        nl.Design = src.Design;
        nl.Para = src.Para;
        nl.ColumnCount = src.ColumnCount;
        nl.ColumnRule = src.ColumnRule;
        nl.ColumnGap = src.ColumnGap;
        nl.CellWidth = src.CellWidth;
        nl.CellInsetLeft = src.CellInsetLeft;
        nl.CellInsetRight = src.CellInsetRight;
        nl.CellsPerRow = ln->IsCell ? n : 1;
        nl.CellIndex = ln->IsCell ? i : 0;
        nl.RowFirstRun = 0;
        nl.EndKind = i == c ? ln->EndKind : ekSoft;
        nl.Dirty = 1;
    }
    for (int32_t i = start; i < insertAt; ++i) lines[size_t(i)].RowLastRun = 0;
    if (!ln->IsCell) ln->RowLastRun = 0;
    lines.insert(lines.begin() + insertAt, std::make_move_iterator(fresh.begin()),
                 std::make_move_iterator(fresh.end()));
    PositionsLinesInserted(a, insertAt, n);

    TextLine& from = lines[size_t(l)];
    TextLine& to = lines[size_t(splitLine)];
    to.Chars.assign(std::make_move_iterator(from.Chars.begin() + at), std::make_move_iterator(from.Chars.end()));
    from.Chars.resize(size_t(at));
    from.EndKind = endKind;
    PositionsLineSplit(a, l, at, splitLine);

    area = a;
    line = splitLine;
    ch = 0;
}

// ---- Format at the cursor ------------------------------------------------------

namespace {

void showParagraph(TMDIChild& w)
{
    const TextLine* l = lineAt(w, w.Cursor);
    if (!l) return;
    w.ToolbarFormat.Bullets = l->Para->ListKind == 1;
    w.ToolbarFormat.Numbering = l->Para->ListKind == 2;
    w.ToolbarFormat.Alignment = l->Para->Alignment <= 3 ? l->Para->Alignment : 0;
}

void showFont(TMDIChild& w)
{
    w.ToolbarFormat.Face = w.FontState.Face;
    w.ToolbarFormat.SizeText = shortestDecimal(w.FontState.Size);
    w.ToolbarFormat.Bold = (w.FontState.Style & 1) != 0;
    w.ToolbarFormat.Italic = (w.FontState.Style & 2) != 0;
    w.ToolbarFormat.Underline = (w.FontState.Style & 4) != 0;
}

} // namespace

void TMDIChild::OvertakeFont()
{
    UpdatingToolbar = 1;
    int32_t a = Cursor.Area, l = Cursor.Line, ch = Cursor.Char;
    const TextLine* found = lineAt(*this, a, l);
    for (int32_t guard = 0; found && found->CharCount() == 0 && guard < INT32_MAX; ++guard) {
        l = addLines(l, -1);
        GoToLine(a, l);
        found = lineAt(*this, a, l);
        if (found) ch = found->CharCount();
    }
    if (found && found->CharCount() > 0) {
        const int32_t i = std::clamp(ch - 1, 0, found->CharCount() - 1);
        const TextChar& c = found->Chars[size_t(i)];
        if (c.FontIndex() >= 0 && c.FontIndex() < FontCount()) {
            FontState = StateFromFontEntry(Fonts[size_t(c.FontIndex())]);
            if (c.Kind == ckFootnoteRef || c.Kind == ckFootnoteNumber)
                SettingOps(FontState.Options, foSuperscript, false);
        }
    }
    showFont(*this);
    showParagraph(*this);
    ListAllVorlagen();
    UpdatingToolbar = 0;
}

void TMDIChild::SmallOvertakeFont()
{
    UpdatingToolbar = 1;
    showFont(*this);
    showParagraph(*this);
    ListAllVorlagen();
    UpdatingToolbar = 0;
}

// ---- Key handlers ----------------------------------------------------------------

namespace {

struct KeyboardOps {
    TMDIChild& w;

    // An edit of kind `kind` opens a run or continues it; only a new run
    // takes a snapshot. Program typing and its deletes take none.
    void beginRun(int32_t kind, std::string_view label)
    {
        if (w.ProgramTyping && (kind == kTyping || kind == kDeleteForward)) {
            w.TypingRun = 0;
            return;
        }
        if (!w.TypingRun || w.LastEditKind != kind) w.MakeCopyForUndo(label);
        w.TypingRun = 1;
        w.LastEditKind = kind;
    }

    void finishMove(bool shift)
    {
        w.Host->restartTimer2();
        if (!shift) w.Anchor = w.Cursor;
        w.OvertakeFont();
    }

    int32_t selectedObjects() const
    {
        int32_t n = 0;
        for (const TextArea& a : w.Areas) n += a.AreaType > atFooter && a.Selected;
        return n;
    }

    int32_t firstPageBody() const
    {
        for (int32_t i = 0; i < w.AreaCount(); ++i)
            if (w.Areas[size_t(i)].AreaType == atPageBody) return chainFirst(w.Areas, i);
        return 0;
    }

    void deleteSelectedObjects()
    {
        w.MakeCopyForUndo("Delete object/field");
        const int32_t oldArea = w.Cursor.Area;
        int32_t removedBefore = 0;
        bool cursorRemoved = false;
        for (int32_t i = w.AreaCount() - 1; i >= 0; --i) {
            const TextArea& a = w.Areas[size_t(i)];
            if (!(a.AreaType > atFooter && a.Selected)) continue;
            if (i == oldArea) cursorRemoved = true;
            if (i < oldArea) ++removedBefore;
            const std::vector<TextPos*> stored = w.StoredPositions();
            std::vector<TextPos> saved;
            for (const TextPos* p : stored) saved.push_back(*p);
            w.DeleteField(i);
            for (size_t k = 0; k < stored.size(); ++k) *stored[k] = saved[k];
            w.PositionsAreaRemoved(i, 0);
        }
        // A cursor in a surviving area stays in it (only the deletions
        // before it shift its index); one in a deleted frame goes to the
        // start of the first page's body, never into some unrelated area.
        int32_t area = cursorRemoved ? firstPageBody() : oldArea - removedBefore;
        area = std::clamp(area, 0, std::max(0, w.AreaCount() - 1));
        if (area >= w.AreaCount() || w.Areas[size_t(area)].AreaType > atTextFrame ||
            w.Areas[size_t(area)].Lines.empty())
            area = firstPageBody();
        w.Cursor = TextPos{area, 0, 0};
        TMDIChild::ClampPosition(w.Areas, w.Cursor);
        w.Anchor = w.Cursor;
        w.ClampPositions();
        w.Host->restartTimer2();
    }

    void softHyphen()
    {
        w.TypingRun = 0;
        w.MakeCopyForUndo("Soft hyphen");
        TextPos p = w.Cursor;
        TextLine* l = lineAt(w, p);
        if (!l) return;
        if (p.Char >= l->CharCount()) {
            int32_t a = p.Area, n = addLines(p.Line, 1);
            w.GoToLine(a, n);
            l = lineAt(w, a, n);
            p = TextPos{a, n, 0};
            if (!l || l->CharCount() == 0) {
                w.RefreshDirtyContent();
                return;
            }
        }
        TextChar& c = l->Chars[size_t(p.Char)];
        SettingOpsB(c.Flags, cfSoftHyphen, !GettingOpsB(c.Flags, cfSoftHyphen));
        l->Dirty = 1;
        w.RefreshDirtyContent();
    }

    // Selecting changes no text: no undo snapshot, which would also mark
    // the document modified and ask to save an unchanged file.
    void selectAll()
    {
        w.TypingRun = 0;
        if (validArea(w, w.Anchor.Area)) w.Anchor = TextPos{chainFirst(w.Areas, w.Anchor.Area), 0, 0};
        if (validArea(w, w.Cursor.Area)) {
            const TextArea& last = w.Areas[size_t(chainLast(w.Areas, w.Cursor.Area))];
            const int32_t line = std::max(0, last.LineCount() - 1);
            const int32_t ch = last.Lines.empty() ? 0 : last.Lines.back().CharCount();
            w.Cursor = TextPos{chainLast(w.Areas, w.Cursor.Area), line, ch};
        }
        w.Host->restartTimer2();
    }

    void insertTab()
    {
        w.TypingRun = 0;
        w.MakeCopyForUndo("Input TAB");
        w.CaretAtLineEnd = 0;
        if (w.isThereAmarking()) w.DeleteMarking();
        TextLine* l = lineAt(w, w.Cursor);
        if (!l) return;
        l->Dirty = 1;
        TextChar* c = nullptr;
        if (w.Frame.Options.OverwriteMode && w.Cursor.Char < l->CharCount()) {
            c = &l->Chars[size_t(w.Cursor.Char)];
            const bool picture = c->Kind == ckPicture;
            clearForReuse(*c);
            c->Kind = ckText;
            if (picture) w.FreeBildInListeIfNotNeeded();
            ++w.Cursor.Char;
        } else {
            const TextPos at = w.Cursor;
            c = w.NewChar();
            if (!c) return;
            w.PositionsCharsInserted(at.Area, at.Line, at.Char, 1);
            w.Cursor = TextPos{at.Area, at.Line, at.Char + 1};
            c = &w.Areas[size_t(at.Area)].Lines[size_t(at.Line)].Chars[size_t(at.Char)];
        }
        c->Kind = ckText;
        c->Code = 9;
        const char tab = 9;
        w.RenderChar(*c, false, std::string_view(&tab, 1));
        c->setHeight(-1);
        c->Width = kTabStartWidth;
        w.Anchor = w.Cursor;
        w.RefreshDirtyContent();
    }

    void enter(uint8_t shift)
    {
        beginRun(kEnter, "Input return");
        w.CaretAtLineEnd = 0;
        if (w.isThereAmarking()) w.DeleteMarking();
        const int32_t kind = (shift & ssCtrl) ? ekPageBreak : (shift & ssShift) ? ekLineBreak : ekParagraph;
        w.InsertEnterOnThatPos(w.Cursor.Area, w.Cursor.Line, kind, w.Cursor.Char);
        w.Anchor = w.Cursor;
        w.OvertakeFont();
        w.RefreshDirtyContent();
    }

    // Only a list that is on is switched off: for a paragraph without one
    // the switch would change nothing but add an undo step.
    void listOff(const TextLine& l)
    {
        if (l.Para->ListKind != 0) w.aufzaehlung(0);
    }

    // The line before (after) line (a, n) in its text: in a table the same
    // cell's previous (next) run, elsewhere the line before (after) it.
    bool textNeighbour(const TextLine& l, int32_t& a, int32_t& n, bool forward)
    {
        if (l.IsCell) return forward ? nextRun(w, a, n) : prevRun(w, a, n);
        n = addLines(n, forward ? 1 : -1);
        w.GoToLine(a, n);
        return lineAt(w, a, n) != nullptr;
    }

    // What Backspace and Delete share: their run of edits, a selection
    // deleted instead, and the character beside the caret inside its line.
    // The caret's line when the key reaches past the line's edge, else null.
    TextLine* deleteInLine(bool forward)
    {
        beginRun(forward ? kDeleteForward : kBackspace, "Delete");
        w.CaretAtLineEnd = 0;
        if (w.isThereAmarking()) {
            w.DeleteMarking();
            return nullptr;
        }
        const TextPos cur = w.Cursor;
        TextLine* l = lineAt(w, cur);
        if (!l) return nullptr;
        if (forward ? cur.Char < l->CharCount() : cur.Char > 0) {
            removeChars(w, cur.Area, cur.Line, forward ? cur.Char : cur.Char - 1, 1);
            l->Dirty = 1;
            return nullptr;
        }
        return l;
    }

    void backspace()
    {
        TextLine* l = deleteInLine(false);
        if (!l) return;
        const TextPos cur = w.Cursor;
        l->Dirty = 1;
        int32_t pa = cur.Area, pl = cur.Line;
        const bool havePrev = textNeighbour(*l, pa, pl, false);
        const bool hasList = l->Para->ListKind != 0;
        if (!havePrev) {
            // The start of the chain, or of a cell.
            listOff(*l);
            return;
        }
        TextLine& prev = w.Areas[size_t(pa)].Lines[size_t(pl)];
        if ((hasList && endsParagraph(prev)) || firstRun(*l) || lastRun(prev)) {
            listOff(*l);
            return;
        }
        if (prev.EndKind != ekSoft) {
            // The paragraphs join at the next layout.
            prev.EndKind = ekSoft;
            prev.Dirty = 1;
        } else if (prev.CharCount() > 0) {
            removeChars(w, pa, pl, prev.CharCount() - 1, 1);
            prev.Dirty = 1;
            w.CaretAtLineEnd = 1;
        } else {
            prev.Dirty = 1;
        }
    }

    void deleteForward()
    {
        TextLine* l = deleteInLine(true);
        if (!l || lastRun(*l)) return;
        const TextPos cur = w.Cursor;
        int32_t na = cur.Area, nl = cur.Line;
        const bool haveNext = textNeighbour(*l, na, nl, true);
        l->Dirty = 1;
        if (!haveNext) return;  // the end of the text
        TextLine& next = w.Areas[size_t(na)].Lines[size_t(nl)];
        next.Dirty = 1;
        if (l->EndKind != ekSoft) {
            if (!firstRun(next)) {
                l->EndKind = ekSoft;
            } else if (l->CharCount() == 0 && cur.Line < w.Areas[size_t(cur.Area)].LineCount() - 1) {
                // An empty paragraph right above a table goes.
                std::vector<TextLine>& lines = w.Areas[size_t(cur.Area)].Lines;
                lines.erase(lines.begin() + cur.Line);
                w.PositionsLineRemoved(cur.Area, cur.Line, cur.Line, 0);
                w.Cursor = TextPos{cur.Area, cur.Line, 0};
            }
        } else if (!firstRun(next) && next.CharCount() > 0) {
            // A soft end right above a table is no reason to eat into its first cell.
            removeChars(w, na, nl, 0, 1);
            w.CaretAtLineEnd = 1;
        }
    }

    void deleteKey(bool forward, bool shift)
    {
        if (forward) deleteForward();
        else backspace();
        w.RefreshDirtyContent();
        if (!shift) w.Anchor = w.Cursor;
        w.OvertakeFont();
    }

    void wordLeft()
    {
        for (int32_t guard = 0; guard < INT32_MAX; ++guard) {
            if (!w.GoCharLeft()) break;
            const TextLine* l = lineAt(w, w.Cursor);
            if (!l || w.Cursor.Char >= l->CharCount()) break;
            const TextPos here = w.Cursor;
            w.GoCharLeft();
            const TextPos before = w.Cursor;
            w.Cursor = here;
            const uint8_t p = before == here ? uint8_t(' ') : wordChar(w, before);
            if (isWordStart(p, wordChar(w, here))) break;
        }
    }

    void wordRight()
    {
        const TextLine* l = lineAt(w, w.Cursor);
        if (!l) return;
        if (w.Cursor.Char >= l->CharCount()) {
            if (l->EndKind != ekSoft) {
                w.GoCharRight();
                return;
            }
            const TextPos from = w.Cursor;
            w.GoCharRight();
            if (!(w.Cursor.Area == from.Area && w.Cursor.Line == from.Line) && w.Cursor.Char == 1)
                w.Cursor.Char = 0;
        }
        for (int32_t guard = 0; guard < INT32_MAX; ++guard) {
            if (!w.GoCharRight()) break;
            const TextLine* cl = lineAt(w, w.Cursor);
            if (!cl || w.Cursor.Char >= cl->CharCount()) break;
            const TextPos prev{w.Cursor.Area, w.Cursor.Line, w.Cursor.Char - 1};
            if (isWordStart(wordChar(w, prev), wordChar(w, w.Cursor))) break;
        }
    }

    void typeChar(uint8_t key)
    {
        beginRun(kTyping, "Input");
        w.CaretAtLineEnd = 0;
        if (!w.ProgramTyping && w.isThereAmarking()) w.DeleteMarking();
        ClampCursor();
        TextLine* l = lineAt(w, w.Cursor);
        if (!l) return;
        l->Dirty = 1;
        const TextPos at = w.Cursor;
        TextChar* c = nullptr;
        if (w.Frame.Options.OverwriteMode && at.Char < l->CharCount() && !w.NoRefresh) {
            // The overwritten character keeps its format.
            c = &l->Chars[size_t(at.Char)];
            const bool picture = c->Kind == ckPicture;
            clearForReuse(*c);
            c->Kind = ckText;
            if (picture) w.FreeBildInListeIfNotNeeded();
            w.Cursor.Char = at.Char + 1;
        } else {
            if (!w.NewChar()) return;
            w.PositionsCharsInserted(at.Area, at.Line, at.Char, 1);
            w.Cursor = TextPos{at.Area, at.Line, at.Char + 1};
            c = &w.Areas[size_t(at.Area)].Lines[size_t(at.Line)].Chars[size_t(at.Char)];
        }
        c->Kind = ckText;
        c->Code = key;
        if (key == '"') c->Code = typographicQuote(at);
        const char text = char(c->Code);
        w.RenderChar(*c, false, std::string_view(&text, 1));
        w.Anchor = w.Cursor;
    }

    void ClampCursor() { TMDIChild::ClampPosition(w.Areas, w.Cursor); }

    // The quote typed at `at` (the new character stands there already).
    uint8_t typographicQuote(const TextPos& at)
    {
        const int32_t style = w.Frame.Options.QuoteStyle;
        if (w.FontState.Face == "Courier" || style < 1 || style > 4) return '"';
        // Swiss and French quotes open with the guillemet that points left
        // (171) and close with the one that points right (187).
        static constexpr uint8_t kOpening[5] = {0, 132, 171, 171, 147};
        static constexpr uint8_t kClosing[5] = {0, 147, 187, 187, 148};
        return opensQuote(at) ? kOpening[style] : kClosing[style];
    }

    bool opensQuote(const TextPos& at)
    {
        const TextLine* l = lineAt(w, at);
        if (!l) return true;
        const TextChar* before = nullptr;
        if (at.Char > 0) {
            before = &l->Chars[size_t(at.Char - 1)];
        } else {
            if (firstRun(*l)) return true;
            int32_t pa = at.Area, pl = at.Line;
            if (!textNeighbour(*l, pa, pl, false)) return true;
            const TextLine& prev = w.Areas[size_t(pa)].Lines[size_t(pl)];
            if (lastRun(prev) || endsParagraph(prev)) return true;
            if (prev.Chars.empty()) return true;
            before = &prev.Chars.back();
        }
        return before->Kind != ckText || before->Code == ' ' || before->Code == 9 || before->Code == '-';
    }
};

} // namespace

void TMDIChild::getkeysKeyDown(uint16_t& key, uint8_t shift)
{
    const bool withShift = (shift & ssShift) != 0;
    const bool withCtrl = (shift & ssCtrl) != 0;
    const bool withAlt = (shift & ssAlt) != 0;
    KeyboardOps ops{*this};

    if (InsertMode > 0 && key == VK_ESCAPE) {
        InsertMode = 0;
        return;
    }
    if (RulerDrag.Kind > 0) {
        // A key cancels a ruler drag; Esc also ends it at once, as the
        // mouse release would.
        TypingRun = 0;
        RulerDrag.Kind = kRulerDragCancelled;
        if (key == VK_ESCAPE) FinishCancelledRulerDrag();
        return;
    }
    if (ops.selectedObjects() > 0) {
        if (key == VK_DELETE) ops.deleteSelectedObjects();
        return;
    }
    if (Areas.empty()) return;
    ClampPositions();

    if (key == VK_INSERT) {
        TypingRun = 0;
        Frame.Options.OverwriteMode = Frame.Options.OverwriteMode ? 0 : 1;
        Ui->setStatusText(2, Frame.Options.OverwriteMode ? "OV" : "");
    }
    // The format shortcuts. The style toggles are the frame's buttons; a
    // frame that cannot act leaves them to this window.
    if (withCtrl && withShift) {
        if (key == 'B') {
            if (!Ui->FettBtnClick()) ToggleBold();
            SmallOvertakeFont();
        }
        if (key == 'K') {
            if (!Ui->KursivBtnClick()) ToggleItalic();
            SmallOvertakeFont();
        }
        if (key == 'U') {
            if (!Ui->UnderlineBtnClick()) ToggleUnderline();
            SmallOvertakeFont();
        }
    }
    if (withCtrl && !withShift) {
        if (key == 'L') {
            formatleft();
            SmallOvertakeFont();
        }
        if (key == 'R') {
            formatright();
            SmallOvertakeFont();
        }
        // Ctrl+Alt from the right Alt key is a character, not the shortcut.
        if (key == 'E' && !(shift & ssRightAlt)) {
            formatcenter();
            SmallOvertakeFont();
        }
        if (key == 'J') {
            formatblock();
            SmallOvertakeFont();
        }
    }
    if (key == VK_OEM_MINUS && withCtrl && !withShift) ops.softHyphen();
    if ((key == 'A' || key == 'a') && withCtrl) ops.selectAll();

    if (key == VK_BACK) {
        if (withCtrl || withAlt) {
            RestoreCopyFromUndo(0);
            TypingRun = 0;
            UndoByCtrlBackspace = withCtrl ? 1 : 0;
        } else {
            ops.deleteKey(false, withShift);
        }
    }
    if (key == VK_DELETE) ops.deleteKey(true, withShift);

    if (key == VK_HOME) {
        TypingRun = 0;
        CaretAtLineEnd = 0;
        if (withCtrl) Cursor = TextPos{chainFirst(Areas, Cursor.Area), 0, 0};
        Cursor.Char = 0;
        ClampPosition(Areas, Cursor);
        ops.finishMove(withShift);
    }
    if (key == VK_END) {
        TypingRun = 0;
        if (withCtrl) {
            const int32_t a = chainLast(Areas, Cursor.Area);
            const TextArea& last = Areas[size_t(a)];
            Cursor = TextPos{a, std::max(0, last.LineCount() - 1),
                             last.Lines.empty() ? 0 : last.Lines.back().CharCount()};
        } else if (TextLine* l = lineAt(*this, Cursor)) {
            Cursor.Char = l->CharCount();
            // Shift+End takes a hard line end into the selection; at a soft
            // wrap the end already is the next line's start.
            if (withShift && !lastRun(*l) && l->EndKind != ekSoft) GoCharRight();
        }
        CaretAtLineEnd = 1;
        ops.finishMove(withShift);
    }

    const bool selection = isThereAmarking();
    if (key == VK_UP || key == VK_DOWN) {
        TypingRun = 0;
        CaretAtLineEnd = 0;
        if (selection && !withShift) {
            FindMarkingStart();
            if (key == VK_UP) {
                Cursor = MarkingStart;
            } else {
                Cursor = MarkingEnd;
                if (Cursor.Char == 0) GoCharLeft();
            }
        }
        if (key == VK_UP) GoLineUp();
        else GoLineDown();
        ops.finishMove(withShift);
    }
    if (key == VK_PRIOR || key == VK_NEXT) {
        TypingRun = 0;
        CaretAtLineEnd = 0;
        for (int i = 0; i < kPageKeyLines; ++i) {
            if (key == VK_PRIOR ? GoLineUp() : GoLineDown()) continue;
            const TextLine* l = lineAt(*this, Cursor);
            const int32_t edge = key == VK_PRIOR ? 0 : (l ? l->CharCount() : 0);
            if (Cursor.Char != edge) {
                Cursor.Char = edge;
            } else {
                const int32_t y = Host->scrollY() + (key == VK_PRIOR ? -kPageKeyScroll : kPageKeyScroll);
                Host->setScrollPos(Host->scrollX(), std::max(0, y));
            }
        }
        ops.finishMove(withShift);
    }
    if (key == VK_LEFT || key == VK_RIGHT) {
        TypingRun = 0;
        const bool left = key == VK_LEFT;
        if (selection && !withShift) {
            FindMarkingStart();
            Cursor = left ? MarkingStart : MarkingEnd;
            if (withCtrl) {
                if (left) ops.wordLeft();
                else ops.wordRight();
            }
        } else if (withCtrl) {
            if (left) ops.wordLeft();
            else ops.wordRight();
        } else if (left) {
            GoCharLeft();
        } else {
            GoCharRight();
        }
        ops.finishMove(withShift);
    }
    if (key == VK_TAB) ops.insertTab();
    if (key == VK_RETURN) ops.enter(shift);
}

void TMDIChild::FinishCancelledRulerDrag()
{
    if (RulerDrag.Kind <= 0) return;
    if (RulerDrag.NewTab) {
        if (TextLine* l = lineAt(*this, Cursor)) {
            std::vector<TabStop>& tabs = l->Para.edit().Tabs;
            if (RulerDrag.TabIndex >= 0 && RulerDrag.TabIndex < int32_t(tabs.size()))
                tabs.erase(tabs.begin() + RulerDrag.TabIndex);
        }
    }
    RulerDrag.Kind = 0;
    RulerDrag.NewTab = 0;
    RulerDrag.BestDistance = -1;
    ColumnDragOldX = -1;
    Host->repaint();
}

void TMDIChild::getkeysKeyPress(uint8_t& key)
{
    if (RulerDrag.Kind > 0) return;
    if (validArea(*this, Cursor.Area)) {
        const TextArea& a = Areas[size_t(Cursor.Area)];
        if (a.AreaType > atTextFrame || (a.AreaType == atTextFrame && a.Selected)) return;
    }
    KeyboardOps ops{*this};
    const bool dropped = key == kDelChar && UndoByCtrlBackspace;
    UndoByCtrlBackspace = 0;
    if (!dropped && key >= 32 && !Areas.empty()) ops.typeChar(key);
    if (!NoRefresh) RefreshDirtyContent();
}

} // namespace quillet
