// Lines and characters of a text-bearing area: lays the stored lines down
// one below the other and draws each character with its font and effects,
// table cells with background and borders, column rules, list bullets and
// numbers, non-printing marks, the spelling zigzag and the selection.
//
// Works only from what layout stored (heights and widths in mm); what it
// writes back is what layout needs from the drawn page: wrap gaps (with the
// line's dirty flag), cell widths in millimetres, clamped cell insets and
// the text of "page" fields.

#include "render/PaintPass.h"

#include "engine/DocWalk.h"
#include "platform/Units.h"
#include "platform/Win1252.h"
#include "platform/SelFont.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace quillet::paint {

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kGridGrey = 0xC0C0C0;

int32_t roundEven(double v)
{
    const double r = roundHalfEven(v);
    if (!(r > -2e9)) return -2000000000;
    if (!(r < 2e9)) return 2000000000;
    return int32_t(r);
}

int32_t truncPx(double v)
{
    if (!(v > -2e9)) return -2000000000;
    if (!(v < 2e9)) return 2000000000;
    return int32_t(std::trunc(v));
}

bool isTextCode(const TextChar& c, uint8_t code) { return c.Kind == ckText && c.Code == code; }

bool isPageField(const TextChar& c) { return c.Kind == ckField && c.FieldCode() && *c.FieldCode() == "page"; }

// The line `CellsPerRow` places before line k (in the flow), or null.
const TextLine* lineBefore(TMDIChild& w, int32_t area, int32_t k, int32_t step)
{
    int32_t a = area;
    int32_t li = k - std::max(1, step);
    w.GoToLine(a, li);
    if (!validIndex(a, w.Areas.size())) return nullptr;
    const TextArea& ar = w.Areas[size_t(a)];
    return validIndex(li, ar.Lines.size()) ? &ar.Lines[size_t(li)] : nullptr;
}

bool followingLineExists(TMDIChild& w, int32_t area, int32_t k)
{
    int32_t a = area;
    int32_t li = k + 1;
    w.GoToLine(a, li);
    return validIndex(a, w.Areas.size()) && validIndex(li, w.Areas[size_t(a)].Lines.size());
}

std::string convertCase(std::string text, uint16_t options)
{
    if (GettingOps(options, foNoCapitals))
        for (char& c : text) c = char(ansiLower(uint8_t(c)));
    if (GettingOps(options, foCapitals) || GettingOps(options, foSmallCaps))
        for (char& c : text) c = char(ansiUpper(uint8_t(c)));
    return text;
}

// The format a character is drawn with; a character naming no entry gets
// the current format rather than an out-of-range read.
FontEntry formatOf(const TMDIChild& w, const TextChar& c)
{
    if (validIndex(c.FontIndex(), w.Fonts.size())) return w.Fonts[size_t(c.FontIndex())];
    return FontEntryFromState(w.FontState);
}

int32_t drawnSize(const FontEntry& f)
{
    double s = f.Size;
    if (GettingOps(f.Options, foSmallCaps)) s *= 0.75;
    if (GettingOps(f.Options, foSuperscript) || GettingOps(f.Options, foSubscript)) s *= 0.6;
    int32_t r = roundEven(s);
    return r > 0 ? r : 1;
}

void setEffect(Pass& p, const FontEntry& f, int32_t size)
{
    Effect& e = p.Fx;
    e.Size = size;
    e.Underline = GettingOps(f.Options, foDoubleUnderline) ? 2 : GettingOps(f.Options, foUnderline) ? 1 : 0;
    e.Color = f.Color;
    e.ShadowColor = f.ShadowColor;
    e.OutlineColor = f.OutlineColor;
    e.Shadow = GettingOps(f.Options, foShaded) != 0;
    e.Outline = GettingOps(f.Options, foFramed) != 0;
}

void zigzag(Pass& p, int32_t left, int32_t right, int32_t bottom)
{
    for (int32_t b = left / 3; b <= right / 3; ++b) {
        if (b % 2 != 0) drawLine(p, 3 * b, bottom - 2, 3 * b + 3, bottom + 1, 0x0000FF, 1);
        else drawLine(p, 3 * b, bottom, 3 * b + 3, bottom - 1, 0x0000FF, 1);
    }
}

// One cell edge as a filled rectangle; off edges are grid lines on screen.
void cellEdge(Pass& p, const CellDesign& d, int side, int32_t L, int32_t T, int32_t R, int32_t B)
{
    uint32_t color;
    int32_t w;
    if (d.BorderOn[size_t(side)]) {
        color = d.BorderColor[size_t(side)];
        const double bw = d.BorderWidth[size_t(side)];
        w = roundEven(bw * p.PxPerPt);
        if (bw != 0 && w < 1) w = 1;
    } else {
        if (!p.GridLines) return;
        color = kGridGrey;
        w = 1;
    }
    if (w <= 0) return;
    switch (side) {
    case bsTop: fastFill(p, L, T, R + 1, T + w, color, p.BitmapW - 16); break;
    case bsLeft: fastFill(p, L, T, L + w, B + 1, color, p.BitmapW - 16); break;
    case bsRight: fastFill(p, R - w + 1, T, R + 1, B + 1, color, p.BitmapW - 16); break;
    default: fastFill(p, L, B - w + 1, R + 1, B + 1, color, p.BitmapW - 16); break;
    }
}

// A table row's cells share its text width by their weights. Every cell
// needs the weights of the whole row and of the cells before it: walking
// the row for each cell would cost the square of its cells, so the row is
// summed once, when the first of its cells is drawn, and each cell reads its
// share and place from the sums.
class RowShares {
public:
    // The row of `cells` lines from line `first` of `lines`; true when it
    // was summed now (the row's first cell drawn), false when it is the
    // row summed last.
    bool find(const std::vector<TextLine>& lines, int32_t first, int32_t cells)
    {
        if (Summed && first == First && cells == Cells) return false;
        Summed = true;
        Stored = std::numeric_limits<double>::quiet_NaN();
        First = first;
        Cells = cells;
        Weight.assign(size_t(cells), 0);
        Before.assign(size_t(cells), 0);
        Sum = 0;
        Have = 0;
        for (int32_t i = 0; i < cells; ++i) {
            Before[size_t(i)] = Sum;
            const int32_t r = first + i;
            if (!validIndex(r, lines.size())) continue;
            Weight[size_t(i)] = lines[size_t(r)].CellWidth;
            Sum += Weight[size_t(i)];
            ++Have;
        }
        // Weights that add up to nothing share the table equally instead
        // of dividing by zero.
        Weighted = Sum > 0 && std::isfinite(Sum);
        return true;
    }

    // What cell i of the row takes of `width` millimetres.
    double share(double width, int32_t i) const
    {
        return Weighted ? width * Weight[size_t(i)] / Sum : width / std::max(1, Have);
    }
    // Stores every cell's share of `width` as its width in millimetres.
    void store(std::vector<TextLine>& lines, double width)
    {
        for (int32_t i = std::max(0, -First); i < Cells && First + i < int32_t(lines.size()); ++i)
            lines[size_t(First + i)].CellWidth = share(width, i);
        Stored = width;
    }
    // The width the stored shares add up to (NaN before any is stored).
    double storedWidth() const { return Stored; }
    // What the cells before cell i take of `width` (those of the row that
    // lie in the area).
    double before(double width, int32_t i) const
    {
        if (Weighted) return width * Before[size_t(i)] / Sum;
        return width / std::max(1, Have) * (i - std::max(0, -First));
    }

private:
    bool Summed = false;
    int32_t First = 0, Cells = 0;
    double Sum = 0;
    int32_t Have = 0;
    bool Weighted = false;
    double Stored = 0;
    std::vector<double> Weight;  // as the row was found, before any share was stored
    std::vector<double> Before;  // the weights of the cells before each, summed
};

// Floating areas anchored to a body line follow it (pass 0 only).
void followAnchor(Pass& p, TextLine& line, double blockOffset, double y)
{
    TMDIChild& w = p.W;
    if (line.AnchorId <= 0) return;
    const int32_t id = line.AnchorId;
    const TextArea& body = w.Areas[size_t(p.Area)];
    // The areas holding each id are found once a pass: a search of every
    // area for each anchored line cost lines times areas. Ids of areas
    // change in a pass only here, where they are taken away, so an area
    // found that no longer holds the id is passed by.
    if (p.AnchoredFor != w.Areas.size()) {
        p.Anchored.clear();
        for (int32_t i = 0; i < w.AreaCount(); ++i) {
            const TextArea& a = w.Areas[size_t(i)];
            if (a.AreaType > atFooter && a.MoveWithText && a.AnchorId > 0) p.Anchored[a.AnchorId].push_back(i);
        }
        p.AnchoredFor = w.Areas.size();
    }
    const auto holders = p.Anchored.find(id);
    const size_t count = holders == p.Anchored.end() ? 0 : holders->second.size();
    for (size_t h = 0; h < count; ++h) {
        const int32_t i = holders->second[h];
        TextArea& q = w.Areas[size_t(i)];
        if (q.AreaType <= atFooter || !q.MoveWithText || q.AnchorId != id) continue;
        q.AnchorId = 0;
        bool moved = false;
        if (q.PageIndex != p.Page) {
            q.PageIndex = p.Page;
            p.Changed = true;
            moved = true;
        }
        if (p.PageFloating) {
            std::vector<int32_t>& on = *p.PageFloating;
            const auto at = std::lower_bound(on.begin(), on.end(), i);
            if (at == on.end() || *at != i) {
                on.insert(at, i);
                moved = true;
            }
        }
        const auto e = TMDIChild::FloatingAreaEdges(q, p.PageWmm, p.PageHmm);
        const auto be = TMDIChild::FloatingAreaEdges(body, p.PageWmm, p.PageHmm);
        const double newLeft = be.Left + q.AnchorOffsetX + blockOffset;
        const double newTop = be.Top + q.AnchorOffsetY + y;
        const double dx = newLeft - e.Left;
        const double dy = newTop - e.Top;
        if (std::fabs(dx) > 1e-9 || std::fabs(dy) > 1e-9) {
            // Moved keeping its size: far-side edges shrink as near ones grow.
            q.Left += dx;
            q.Right += q.AnchorRight ? -dx : dx;
            q.Top += (q.AnchorTopToBottom && q.AnchorBottom) ? -dy : dy;
            q.Bottom += q.AnchorBottom ? -dy : dy;
            p.Changed = true;
            moved = true;
        }
        if (moved && p.PageFloatIndex) p.PageFloatIndex->moved(i);
    }
    line.AnchorId = 0;
}

} // namespace

void textRun(Pass& p, const FontHandle& f, int32_t x, int32_t y, std::string_view text)
{
    if (!f || text.empty()) return;
    const Effect& e = p.Fx;
    const int32_t u = std::max(1, truncPx(p.PxPerPt));
    if (e.Shadow) {
        const int32_t d = e.Outline ? 3 * u : 2 * u;
        drawText(p, f, x + d, y + d, text, e.ShadowColor);
    }
    if (e.Outline) {
        drawText(p, f, x - u, y - u, text, e.OutlineColor);
        drawText(p, f, x, y - u, text, e.OutlineColor);
        drawText(p, f, x - u, y, text, e.OutlineColor);
        drawText(p, f, x, y, text, e.OutlineColor);
    }
    drawText(p, f, x, y, text, e.Color);
    if (e.Underline > 0) {
        const TextExtent ext = f->textExtent(text);
        const int32_t w = std::max(1, truncPx(e.Size * p.PxPerPt / 12));
        const int32_t y1 = y + ext.cy - w;
        fillRect(p, x - 1, y1, x + ext.cx + 1, y1 + w, e.Color);
        if (e.Underline == 2) fillRect(p, x - 1, y1 - 2 * w, x + ext.cx + 1, y1 - w, e.Color);
    }
}

namespace {

// What the steps of one line find and the steps after them use: where its
// text block and cell lie, how it is aligned, its pixel rows.
struct LineDraw {
    LineDraw(int32_t index, TextLine& l) : k(index), line(l), para(l.Para), n(l.CharCount()) {}

    const int32_t k;
    TextLine& line;
    const AbsatzFormat& para;
    const int32_t n;        // characters
    double sa = 0;          // space above
    double x = 0;           // where the next thing on the line starts, mm
    bool opens = false;     // the line opens a paragraph
    double ext = 0;         // where its text ends, mm
    int32_t spaces = 0;     // spaces that justification widens
    double lineH = 0;
    int32_t lineHpx = 0;
    double width = 0, offset = 0;  // the text block (a cell's, in a table)
    bool single = true;
    int32_t colLeftBorder = 0, colRightBorder = 0;
    TMDIChild::RulerValuesRec ruler;
    bool inTable = false;
    double cellRight = 0, cellWidth = 0;
    int32_t L = 0, wPx = 0, R = 0, T = 0, B = 0;  // the block in pixels
    bool listLine = false;
    double avail = 0;
    int32_t alignOffset = 0;
    double justify = 0;
    int32_t ty = 0, by = 0;
    LineGeometry g;
    bool caretLine = false;
    bool cellMarked = false;
    int32_t lastCh = 0;     // pixel height of the last character
};

// The lines of the pass's current area, laid down one below the other from
// its inner top.
class AreaDrawing {
public:
    explicit AreaDrawing(Pass& pass)
        : p(pass), w(pass.W), area(pass.W.Areas[size_t(pass.Area)]), screen(pass.Policy.onScreen())
    {
        wrapPossible = [&] {
            if (!p.Policy.WriteBack || area.AreaType > atFooter) return false;
            const auto wraps = [&](const TextArea& q) {
                return q.AreaType > atFooter && TMDIChild::istOnAllPagesGedeckt(q.PageMode, q.PageIndex, p.Page) &&
                       (q.WrapText || q.MoveWithText);
            };
            if (p.PageFloating) {
                for (const int32_t k : *p.PageFloating)
                    if (wraps(w.Areas[size_t(k)])) return true;
                return false;
            }
            for (const TextArea& q : w.Areas)
                if (wraps(q)) return true;
            return false;
        }();
        caretHere = p.Area == w.Cursor.Area &&
                    (area.PageMode == 0 || w.CurrentPage == p.Page || p.Policy.Kind != RenderPolicy::Target::Screen);
        anySelection = screen && p.Policy.Interaction && w.isThereAmarking();
        y = area.InnerTop;
    }

    void draw()
    {
        const int32_t lineCount = area.LineCount();
        for (int32_t k = 0; k < lineCount; ++k) {
            LineDraw s(k, area.Lines[size_t(k)]);
            s.sa = s.para.SpaceAbove;
            if (s.sa > 0) y += s.sa;
            paragraphStart(s);
            extent(s);
            textBlock(s);
            rulerValues(s);
            tableCell(s);
            blockPixels(s);
            if (s.line.IsCell) cellBackgroundAndBorders(s);
            // Anchored areas of a body line.
            if (area.AreaType == atPageBody && p.Policy.WriteBack) followAnchor(p, s.line, s.offset, y);
            listIndent(s);
            alignment(s);
            lineGeometry(s);
            bulletOrNumber(s);
            caretAtStartAndAnchorCandidates(s);
            chars(s);
            lineEnd(s);
            cellSelection(s);
            advance(s);
        }
    }

private:
    void paragraphStart(LineDraw& s);
    void extent(LineDraw& s);
    void textBlock(LineDraw& s);
    void rulerValues(LineDraw& s);
    void tableCell(LineDraw& s);
    void blockPixels(LineDraw& s);
    void cellBackgroundAndBorders(LineDraw& s);
    void listIndent(LineDraw& s);
    void alignment(LineDraw& s);
    void lineGeometry(LineDraw& s);
    void bulletOrNumber(LineDraw& s);
    void caretAtStartAndAnchorCandidates(LineDraw& s);
    void chars(LineDraw& s);
    float wrapGap(LineDraw& s, const TextChar& c, int32_t j, bool& sentOn);
    // The wrap test of a box of this area on the page, through the page's
    // index of floating areas when there is one.
    TMDIChild::FieldCollision collide(bool anchorOnly, bool mayAnchor, double lineTopY, double lineLeftX,
                                      int32_t line, double boxHeight, double boxWidth, double boxTopY, double& x);
    int32_t tabGlyph(LineDraw& s, const TextChar& c, const FontEntry& f, int32_t j, int32_t cx, int32_t cw);
    void textGlyph(LineDraw& s, const TextChar& c, const FontEntry& f, int32_t j, int32_t cx, int32_t rx, int32_t ch,
                   int32_t cw);
    void lineEnd(LineDraw& s);
    void cellSelection(LineDraw& s);
    void advance(LineDraw& s);

    Pass& p;
    TMDIChild& w;
    TextArea& area;
    const bool screen;
    bool wrapPossible = false;
    bool caretHere = false;
    bool anySelection = false;
    RowShares row;
    double y = 0;  // top of the line being drawn, mm from the area's top
};

void AreaDrawing::paragraphStart(LineDraw& s)
{
    s.x = s.para.LeftIndent;
    s.opens = s.line.RowFirstRun || [&] {
        const TextLine* before = lineBefore(w, p.Area, s.k, s.line.CellsPerRow);
        return !before || before->EndKind == ekParagraph || before->EndKind == ekPageBreak || before->RowLastRun;
    }();
    if (s.opens) s.x += s.para.FirstLineIndent;
}

void AreaDrawing::extent(LineDraw& s)
{
    s.ext = s.x;
    const int32_t n = s.n;
    for (int32_t j = 0; j < n; ++j) {
        TextChar& c = s.line.Chars[size_t(j)];
        // A "page" field shows the number of the page it is drawn on (a
        // header's field differs from page to page), measured as it is
        // shown; the line is not laid out again for it, so the text stays
        // where layout put it. Printing draws the number without storing it
        // (the text of textGlyph).
        if (p.Policy.WriteBack && isPageField(c)) {
            const std::string number = std::to_string(p.Page + 1);
            if (!c.FieldResult() || *c.FieldResult() != number) {
                c.FieldResult() = number;
                w.RenderChar(c, false, number);
            }
        }
        s.ext += c.Width + c.GapBefore();
        if (isTextCode(c, ' ') && j != n - 1) ++s.spaces;
    }
}

void AreaDrawing::textBlock(LineDraw& s)
{
    const TextLine& line = s.line;
    s.lineH = line.Height;
    s.lineHpx = p.px(s.lineH);
    s.width = p.InnerWmm;
    s.offset = 0;
    s.single = line.ColumnCount < 2;
    s.colLeftBorder = p.Left;
    s.colRightBorder = p.Right;
    if (!s.single) {
        y -= line.ColumnStepBack;
        const double gap = line.ColumnGap;
        s.width = (p.InnerWmm - (line.ColumnCount - 1) * gap) / line.ColumnCount;
        s.offset = line.ColumnOffset;
        s.colRightBorder = truncPx((s.offset + s.width + area.InnerLeft + gap / 2) / p.MmPerPx) + p.Left;
        s.colLeftBorder = truncPx((s.offset + area.InnerLeft - gap / 2) / p.MmPerPx) + p.Left;
        if (line.ColumnRule > 0 && line.ColumnNumber < line.ColumnsUsed) {
            const int32_t rw = std::max(1, truncPx(p.PxPerPt * 0.75));
            const int32_t y0 = truncPx(y / p.MmPerPx) + p.Top;
            const int32_t y1 = truncPx(y / p.MmPerPx + s.lineHpx) + p.Top + 1;
            drawLine(p, s.colRightBorder, y0, s.colRightBorder, y1, 0, rw);
        }
    }
}

void AreaDrawing::rulerValues(LineDraw& s)
{
    s.offset += area.InnerLeft;
    TMDIChild::RulerValuesRec& ruler = s.ruler;
    ruler.HLeftPx = p.Left + p.px(s.offset) - p.ScrollX;
    ruler.HRightPx = ruler.HLeftPx + p.px(s.width);
    ruler.HStartMm = 0;
    ruler.HEndMm = s.width;
    ruler.VTopPx = p.pxRound(area.InnerTop) + p.Top + p.PageY - p.ScrollY;
    ruler.VBottomPx = p.Bottom + p.PageY - p.pxRound(area.InnerBottom) - p.ScrollY;
    ruler.VStartMm = 0;
    ruler.VEndMm = p.InnerHmm;
    ruler.CellRightMm = s.width;
}

void AreaDrawing::tableCell(LineDraw& s)
{
    TextLine& line = s.line;
    s.inTable = line.IsCell && line.CellsPerRow > 1;
    s.cellRight = s.offset + s.width;
    s.cellWidth = s.width;
    if (line.IsCell) {
        const double width = s.width;
        // Printing draws the clamped values without storing them.
        double insetLeft = line.CellInsetLeft, insetRight = line.CellInsetRight;
        if (insetLeft > width - 10) insetLeft = width - 10;
        // The stored value less 99999 is the row's width (what the readers
        // store), so the inset is what the block leaves of it.
        if (insetRight > 99999) insetRight = width - insetLeft - (insetRight - 99999);
        if (p.Policy.WriteBack && (insetLeft != line.CellInsetLeft || insetRight != line.CellInsetRight)) {
            line.CellInsetLeft = insetLeft;
            line.CellInsetRight = insetRight;
            line.Dirty = 1;
            p.Changed = true;
        }
        double tw = width - insetLeft - insetRight;
        if (!(tw > 10)) tw = 10;
        const double blockLeft = s.offset;
        s.offset += insetLeft;
        // A row's cells are lines of its area: a damaged count larger than
        // that would only walk (and overflow) past the area's end.
        const int32_t cells = std::clamp(line.CellsPerRow, 1, std::max<int32_t>(1, int32_t(area.Lines.size())));
        const int32_t idx = std::clamp(line.CellIndex, 0, cells - 1);
        const int32_t first = s.k - idx;
        const bool rowStart = row.find(area.Lines, first, cells);
        s.offset += row.before(tw, idx);
        s.cellWidth = row.share(tw, idx);
        s.cellRight = s.offset + s.cellWidth;
        // The weights become millimetres adding up to the table width (on
        // the screen; a printed page leaves the document as it is): when the
        // row's first cell is drawn, and again at its last if that cell's
        // insets leave it another width. The other cells' shares are read
        // from the weights as they were found.
        const int32_t rowEnd = std::min(first + cells, int32_t(area.Lines.size()));
        if (p.Policy.WriteBack && (rowStart || (s.k == rowEnd - 1 && tw != row.storedWidth())))
            row.store(area.Lines, tw);
        TMDIChild::RulerValuesRec& ruler = s.ruler;
        ruler.CellOffsetMm = s.offset - area.InnerLeft;
        ruler.CellRightMm = s.cellWidth + ruler.CellOffsetMm;
        ruler.CellOffsetPx = p.px(s.offset) - p.px(blockLeft);
        ruler.RightRestPx = p.px(blockLeft + width) - p.px(s.cellRight);
        s.width = s.cellWidth;
    }
    s.ruler.LeftIndentPx = p.px(s.para.LeftIndent);
    s.ruler.FirstIndentPx = p.px(s.para.FirstLineIndent);
    s.ruler.RightIndentPx = p.px(s.para.RightIndent);
}

void AreaDrawing::blockPixels(LineDraw& s)
{
    s.x += s.offset;
    s.L = p.Left + p.px(s.offset);
    s.wPx = p.px(s.width);
    s.R = p.Left + p.px(s.cellRight);
    s.T = truncPx((y - s.sa) / p.MmPerPx) + p.Top;
    s.B = truncPx((y + s.para.SpaceBelow) / p.MmPerPx + s.lineHpx) + p.Top;
}

void AreaDrawing::cellBackgroundAndBorders(LineDraw& s)
{
    const CellDesign& d = s.line.Design;
    const int32_t L = s.L, T = s.T, R = s.R, B = s.B;
    if (!(d.Transparent && d.Background == kWhite)) fastFill(p, L, T, R + 1, B + 1, d.Background, p.BitmapW - 16);
    // Borders, and the zones a column border is dragged by.
    if (s.line.RowFirstRun) cellEdge(p, d, bsTop, L, T, R, B);
    int32_t pen = 1;
    if (d.BorderOn[bsRight]) pen = std::max(1, roundEven(d.BorderWidth[bsRight] * p.PxPerPt));
    tableBorderZones(p, p.Area, s.k, L, T, R, B, pen, s.ruler);
    cellEdge(p, d, bsLeft, L, T, R, B);
    cellEdge(p, d, bsRight, L, T, R, B);
    if (s.line.RowLastRun) cellEdge(p, d, bsBottom, L, T, R, B);
}

void AreaDrawing::listIndent(LineDraw& s)
{
    s.listLine = s.para.ListKind != 0 && s.opens;
    if (s.listLine) s.ext += s.para.ListIndent;
}

void AreaDrawing::alignment(LineDraw& s)
{
    s.avail = s.width - s.para.RightIndent;
    const int32_t availPx = p.px(s.avail);
    const int32_t extPx = p.px(s.ext);
    switch (s.para.Alignment) {
    case 1: s.alignOffset = (availPx - extPx) / 2; break;
    case 2: s.alignOffset = availPx - extPx; break;
    case 3:
        if (s.line.EndKind == ekSoft && s.spaces > 0 && followingLineExists(w, p.Area, s.k))
            s.justify = (s.avail - s.ext) / s.spaces;
        break;
    default: break;
    }
    s.ty = truncPx(y / p.MmPerPx + p.Top);
    s.by = truncPx((y + s.lineH) / p.MmPerPx + p.Top);
}

void AreaDrawing::lineGeometry(LineDraw& s)
{
    const TextLine& line = s.line;
    LineGeometry& g = s.g;
    g.Line = s.k;
    g.CharCount = s.n;
    g.Ty = s.ty;
    g.By = s.by;
    g.LineHpx = s.lineHpx;
    g.AlignOffset = s.alignOffset;
    g.InTable = s.inTable;
    g.CellLeft = s.L;
    g.CellWidthPx = s.wPx;
    g.SingleColumn = s.single;
    g.FirstColumn = s.single || line.ColumnNumber <= 0;
    g.LastColumn = s.single || line.ColumnNumber >= line.ColumnsUsed - 1;
    g.ColumnFirstLine = line.ColumnFirstLine != 0;
    g.ColumnLastLine = line.ColumnLastLine != 0;
    g.ColumnLeftBorder = s.colLeftBorder;
    g.ColumnRightBorder = s.colRightBorder;
    g.Ruler = s.ruler;
}

void AreaDrawing::bulletOrNumber(LineDraw& s)
{
    if (!s.listLine) return;
    const AbsatzFormat& para = s.para;
    TextLine& line = s.line;
    FontHandle bf;
    std::string text;
    if (para.ListKind == 1) {
        if (p.Policy.WriteBack && para.BulletFace && para.BulletFace->empty()) line.Para.edit().BulletFace.reset();
        const std::string face = para.BulletFace && !para.BulletFace->empty() ? *para.BulletFace : std::string("Wingdings");
        bf = tempFont(p, face, 12, 0, 1);
        // The bullet's underline, shadow and outline are the paragraph's own
        // (its first character's), not whatever format the cursor happens
        // to stand in.
        FontEntry fx = s.n > 0 ? formatOf(w, line.Chars[0]) : FontEntryFromState(w.FontState);
        fx.Color = 0;
        setEffect(p, fx, 12);
        text.assign(1, char(para.BulletChar));
    } else {
        const FontEntry f = s.n > 0 ? formatOf(w, line.Chars[0]) : FontEntryFromState(w.FontState);
        bf = tempFont(p, f.Face, f.Size, f.Style, f.Charset);
        setEffect(p, f, roundEven(f.Size));
        text = std::to_string(para.ItemNumber) + ".";
    }
    if (bf) {
        const int32_t bx = truncPx(s.x / p.MmPerPx + p.Left + s.alignOffset);
        const int32_t byy = truncPx(y / p.MmPerPx + p.Top) + s.lineHpx - bf->textExtent(text).cy;
        textRun(p, bf, bx, byy, text);
    }
    s.x += para.ListIndent;
}

void AreaDrawing::caretAtStartAndAnchorCandidates(LineDraw& s)
{
    s.caretLine = caretHere && w.Cursor.Line == s.k;
    if (s.caretLine && w.Cursor.Char == 0) {
        const int32_t h = s.n == 0 ? s.lineHpx : p.px(s.line.Chars[0].Height());
        requestCaret(p, s.g, s.alignOffset + truncPx(s.x / p.MmPerPx + p.Left), h);
    }
    if (wrapPossible && area.AreaType == atPageBody) {
        double ax = p.AreaLeftMm + s.x;
        collide(true, true, p.AreaTopMm + y, p.AreaLeftMm + s.offset, s.k, 0, 0, p.AreaTopMm + y, ax);
    }
}

TMDIChild::FieldCollision AreaDrawing::collide(bool anchorOnly, bool mayAnchor, double lineTopY, double lineLeftX,
                                               int32_t line, double boxHeight, double boxWidth, double boxTopY,
                                               double& x)
{
    if (p.PageFloatIndex)
        return p.PageFloatIndex->collide(w, p.Page, w.PageWidthPx, anchorOnly, mayAnchor, lineTopY, lineLeftX, line,
                                         p.Area, boxHeight, boxWidth, boxTopY, x, w.PrinterDpi, w.PageHeightPx);
    return w.iscolladingwithfield(p.Page, w.PageWidthPx, anchorOnly, mayAnchor, lineTopY, lineLeftX, line, p.Area,
                                  boxHeight, boxWidth, boxTopY, x, w.PrinterDpi, w.PageHeightPx, p.PageFloating);
}

// The gap a character leaves before it for a floating area beside the line.
float AreaDrawing::wrapGap(LineDraw& s, const TextChar& c, int32_t j, bool& sentOn)
{
    const float oldGap = c.GapBefore();
    float gap = p.Policy.WriteBack ? 0.0f : oldGap;
    if (wrapPossible && !sentOn) {
        const double boxTop = p.AreaTopMm + y + s.lineH - c.Height();
        const double startX = p.AreaLeftMm + s.x;
        double nx = startX;
        const auto hit = collide(false, false, p.AreaTopMm + y, p.AreaLeftMm + s.offset, s.k, c.Height(), c.Width,
                                 boxTop, nx);
        if (hit.NextLine) {
            // Push the character past the line's end so layout breaks
            // before it; a line's first character cannot be broken off and
            // stays where it is.
            sentOn = true;
            if (j > 0) {
                const double lineEnd = s.offset + s.avail;
                gap = float(std::max(0.0, lineEnd - s.x) + 0.01);
            }
        } else if (hit.Hit && nx > startX) {
            gap = float(nx - startX);
        }
    }
    return gap;
}

// A tab: its leader, or the tab mark; the caret height it gives.
int32_t AreaDrawing::tabGlyph(LineDraw& s, const TextChar& c, const FontEntry& f, int32_t j, int32_t cx, int32_t cw)
{
    const int32_t ty = s.ty, lineHpx = s.lineHpx;
    if (c.TabLeader >= 1 && c.TabLeader <= 3 && p.Font) {
        static const char* leaders[] = {"-", ".", "_"};
        const std::string_view lead = leaders[c.TabLeader - 1];
        const TextExtent le = p.Font->textExtent(lead);
        // A leader of no width would never fill the tab.
        if (le.cx > 0) {
            for (int32_t m = 0; cw >= m;) {
                m += le.cx;
                if (cw >= m) textRun(p, p.Font, cx + m - le.cx, ty + lineHpx - le.cy, lead);
            }
        }
    } else if (screen && p.Policy.Helpers && (p.ShowAll || p.ShowTab)) {
        FontHandle mf = tempFont(p, "Symbol", f.Size, 0, 1);
        if (mf) {
            const std::string mark(1, char(174));
            textRun(p, mf, cx, ty + lineHpx - mf->textExtent(mark).cy, mark);
        }
    }
    const int32_t glyphH = p.Font ? std::min(p.Font->textExtent(" ").cy, lineHpx) : lineHpx;
    if (s.caretLine && w.Cursor.Char == 0 && j == 0) requestCaret(p, s.g, cx, glyphH);
    return glyphH;
}

// A character, field or footnote mark as text, with its space mark and
// spelling zigzag.
void AreaDrawing::textGlyph(LineDraw& s, const TextChar& c, const FontEntry& f, int32_t j, int32_t cx, int32_t rx,
                            int32_t ch, int32_t cw)
{
    const int32_t ty = s.ty, lineHpx = s.lineHpx;
    std::string text;
    if (isPageField(c)) text = std::to_string(p.Page + 1);
    else if (c.Kind == ckField) text = c.FieldResult() ? *c.FieldResult() : std::string();
    else if (c.Kind == ckFootnoteRef || c.Kind == ckFootnoteNumber) text = std::to_string(c.ShownNumber());
    else text.assign(1, char(c.Code));
    if (s.line.HyphenAfter && j == s.n - 1) text += '-';
    text = convertCase(std::move(text), f.Options);
    const bool sub = GettingOps(f.Options, foSubscript) || GettingOps(f.Options, foSmallCaps);
    const bool super = GettingOps(f.Options, foSuperscript) != 0;
    if (p.Font && !text.empty() && !isTextCode(c, 13) && !isTextCode(c, 14)) {
        if (c.Kind == ckField) {
            const int32_t tw = p.Font->textExtent(text).cx;
            // A number wider than the width it was measured at (a printed
            // header) runs on rather than overlapping.
            const int32_t spread = std::max(cw, tw);
            const int32_t y0 = sub ? ty + lineHpx - p.Font->textExtent(text).cy : ty + lineHpx - ch;
            const int32_t len = int32_t(text.size());
            int32_t pos = 0, e = 0;
            for (int32_t i = 1; i <= len; ++i) {
                const std::string one(1, text[size_t(i - 1)]);
                textRun(p, p.Font, cx + pos + e, y0, one);
                pos += p.Font->advance(uint8_t(one[0]));
                e = int32_t(int64_t(spread - tw) * i / len);
            }
        } else if (sub && !super) {
            textRun(p, p.Font, cx, ty + lineHpx - p.Font->textExtent(text).cy, text);
        } else {
            textRun(p, p.Font, cx, ty + lineHpx - ch, text);
        }
    }
    if (isTextCode(c, ' ') && screen && p.Policy.Helpers && (p.ShowAll || p.ShowSpace)) {
        FontHandle mf = tempFont(p, "Times New Roman", f.Size, 0, 1);
        if (mf) {
            const std::string mark(1, char(183));
            const uint32_t keep = p.Fx.Color;
            textRun(p, mf, cx, ty + lineHpx - mf->textExtent(mark).cy, mark);
            p.Fx.Color = keep;
        }
    }
    if (screen && p.Policy.Helpers && !w.PageView && p.Spelling && GettingOpsB(c.Flags, cfMisspelt))
        zigzag(p, cx, rx, s.by);
}

void AreaDrawing::chars(LineDraw& s)
{
    TextLine& line = s.line;
    const int32_t n = s.n;
    const int32_t ty = s.ty, by = s.by, lineHpx = s.lineHpx;
    s.cellMarked = w.CellMarking && line.IsCell;
    bool sentOn = false;  // the rest of the line cannot stand beside an area
    int32_t prevGlyphH = 0;
    for (int32_t j = 0; j < n; ++j) {
        TextChar& c = line.Chars[size_t(j)];
        const float oldGap = c.GapBefore();
        const float gap = wrapGap(s, c, j, sentOn);
        c.setGapBefore(gap);
        if (gap != oldGap && p.Policy.WriteBack) {
            line.Dirty = 1;
            p.Changed = true;
        }
        s.x += gap;

        // Spaces and tabs of words-only underlining are not underlined.
        FontEntry f = formatOf(w, c);
        if (GettingOps(f.Options, foWordUnderline) && (isTextCode(c, ' ') || isTextCode(c, 9))) {
            SettingOps(f.Options, foUnderline, false);
            SettingOps(f.Options, foDoubleUnderline, false);
            f.Style = uint8_t(f.Style & ~4);
        }
        const int32_t size = drawnSize(f);
        p.useFont(f.Face, size, f.Style, f.Charset);
        setEffect(p, f, size);

        // The character's pixels.
        const int32_t cx = truncPx(s.x / p.MmPerPx + p.Left + s.alignOffset);
        const int32_t ch = p.px(c.Height());
        const int32_t cw = p.px(c.Width);
        s.x += c.Width;
        if (isTextCode(c, ' ') && j != n - 1) s.x += s.justify;
        const int32_t rx = truncPx(s.x / p.MmPerPx + p.Left + s.alignOffset);

        if (!(f.BkTransparent && f.BkColor == kWhite)) fastFill(p, cx, ty, rx, by, f.BkColor, p.BitmapW - 16);

        const bool handlesShown = c.Kind == ckPicture && screen && p.Policy.Interaction && w.Anchor.Area == p.Area &&
                                  w.Cursor.Area == p.Area && w.Anchor.Line == s.k && w.Cursor.Line == s.k &&
                                  std::min(w.Anchor.Char, w.Cursor.Char) == j &&
                                  std::max(w.Anchor.Char, w.Cursor.Char) == j + 1;
        int32_t glyphH = ch;
        if (c.Kind == ckPicture) drawPicture(p, c.PictureIndex(), cx, ty + lineHpx - ch, cw + 1, ch + 1);
        else if (isTextCode(c, 9)) glyphH = tabGlyph(s, c, f, j, cx, cw);
        else textGlyph(s, c, f, j, cx, rx, ch, cw);

        // Hit test, picture handles, the caret after this character.
        glyphHit(p, s.g, j, cx, rx, glyphH, j == 0 ? glyphH : prevGlyphH);
        if (handlesShown) pictureHandles(p, c, cx, ty + lineHpx - ch, cw, ch);
        if (s.caretLine && w.Cursor.Char == j + 1) requestCaret(p, s.g, rx, glyphH);

        if (anySelection && !handlesShown && !s.cellMarked && w.isinmarking(p.Area, s.k, j))
            invertRect(p, cx, ty, rx, by);
        prevGlyphH = glyphH;
        s.lastCh = ch;
    }
}

void AreaDrawing::lineEnd(LineDraw& s)
{
    const TextLine& line = s.line;
    const int32_t ty = s.ty, lineHpx = s.lineHpx;
    const int32_t ex = truncPx(s.x / p.MmPerPx + p.Left + s.alignOffset);
    int32_t markW = 0;
    int32_t markBottom = s.n == 0 ? ty + lineHpx : ty + s.lastCh;
    if (!screen || !p.Policy.Helpers || !(p.ShowAll || p.ShowParagraphEnd)) {
        if (!p.Font) {
            const FontEntry f = FontEntryFromState(w.FontState);
            p.useFont(f.Face, drawnSize(f), f.Style, f.Charset);
        }
        markW = p.Font ? p.Font->textExtent(" ").cx : 0;
    } else {
        std::string mark = " ";
        std::string face = "Times New Roman";
        if (line.EndKind == ekLineBreak) {
            mark.assign(1, char(191));
            face = "Symbol";
        } else if (line.EndKind == ekParagraph || line.EndKind == ekPageBreak) {
            mark.assign(1, char(182));
        }
        // lineHpx is zoomed already, so the mark's font is made at zoom 100
        // (else it would grow with the square of the zoom); a line lower
        // than a point still gets a one-point mark, not the platform's
        // default size.
        const int32_t pt = p.Dpi > 0 ? lineHpx * 72 / p.Dpi : 0;
        FontHandle mf = selfont(face, p.Dpi, 1, 0, std::max(1, pt), 100);
        if (mf) {
            const TextExtent me = mf->textExtent(mark);
            const uint32_t keep = p.Fx.Color;
            p.Fx.Color = 0;
            textRun(p, mf, ex, ty + lineHpx - me.cy, mark);
            p.Fx.Color = keep;
            markW = me.cx;
        }
        markBottom = ty + lineHpx;
    }
    if (anySelection && line.EndKind != ekSoft && !s.cellMarked && w.isinmarking(p.Area, s.k, s.n))
        invertRect(p, ex, ty, ex + markW, markBottom);
    if (s.n == 0) glyphHit(p, s.g, 0, ex, ex + markW, lineHpx, lineHpx);
}

void AreaDrawing::cellSelection(LineDraw& s)
{
    if (anySelection && s.cellMarked && w.isinmarking(p.Area, s.k, 0)) invertRect(p, s.L, s.T, s.L + s.wPx + 1, s.B);
}

// The next line starts below this one, or beside it for the cells of a
// table run.
void AreaDrawing::advance(LineDraw& s)
{
    const TextLine& line = s.line;
    if (line.CellsPerRow < 2 || line.CellIndex == line.CellsPerRow - 1) {
        y += s.lineH;
        if (s.para.SpaceBelow > 0) y += s.para.SpaceBelow;
        if (line.ColumnCount > 1) y += line.ColumnFillUp;
    } else {
        y -= s.sa > 0 ? s.sa : 0;
    }
}

} // namespace

void drawAreaLines(Pass& p) { AreaDrawing(p).draw(); }

} // namespace quillet::paint
