// Primitive operations on the document's records: areas, pages and the
// header/footer set, lines and characters, the font table, measuring a
// character, dirty flags and the per-document lists.

#include "engine/Childwin.h"
#include "engine/DocWalk.h"

#include "platform/Units.h"
#include "platform/Win1252.h"
#include "platform/SelFont.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace quillet {

namespace {

double pxToMm(int32_t px, int32_t dpi) { return double(px) / dpi * kMmPerInch; }

// The placement and look shared by new headers and footers.
void setHeaderFooterCommon(TextArea& a)
{
    a.PageIndex = 0;
    a.PageMode = 1;
    SetStandardAreaLook(a);
}

} // namespace

// ---- Areas ----------------------------------------------------------------

void TMDIChild::NewField()
{
    Areas.emplace_back();
}

void TMDIChild::NewPage(bool withLine)
{
    if (Areas.empty()) {
        TextArea a;
        a.Left = 0;
        a.Top = 0;
        a.Right = 0;
        a.Bottom = 0;
        a.AnchorRight = 1;
        a.AnchorBottom = 1;
        a.AnchorTopToBottom = 0;
        a.InnerLeft = a.InnerTop = a.InnerRight = a.InnerBottom = 25;
        a.PageMode = 0;
        SetStandardAreaLook(a);
        a.WrapMode = 0;
        a.AreaType = atPageBody;
        a.PageIndex = 0;
        a.PrevInFlow = -1;
        a.NextInFlow = -1;
        a.KeepAspect = 1;
        a.Selected = 0;
        a.Rising = 0;
        a.FootnoteNumber = 0;
        a.AnchorId = 0;
        Areas.push_back(std::move(a));
    } else {
        // A copy of area 0's settings without its text: move the lines
        // aside so they are not copied only to be thrown away.
        std::vector<TextLine> lines = std::move(Areas[0].Lines);
        Areas[0].Lines.clear();
        TextArea a = Areas[0];
        Areas[0].Lines = std::move(lines);
        a.PrevInFlow = -1;
        a.NextInFlow = -1;
        Areas.push_back(std::move(a));
    }
    if (withLine) {
        TextArea& a = Areas.back();
        a.Lines.resize(1);
        InitNewLine(a.Lines, 0);
    }
}

void TMDIChild::NewHeaderField()
{
    NewPage(true);
    TextArea& a = Areas.back();
    a.Left = 0;
    a.Top = 0;
    a.Right = 0;
    a.Bottom = 24.5;
    a.AnchorRight = 1;
    a.AnchorBottom = 0;
    a.AnchorTopToBottom = 0;
    a.InnerLeft = 25;
    a.InnerTop = 11;
    a.InnerRight = 25;
    a.InnerBottom = 0;
    a.AreaType = atHeader;
    setHeaderFooterCommon(a);
}

void TMDIChild::NewFooterField()
{
    NewPage(true);
    TextArea& a = Areas.back();
    a.Left = 0;
    a.Top = 24.5;
    a.Right = 0;
    a.Bottom = 0;
    a.AnchorRight = 1;
    a.AnchorBottom = 1;
    a.AnchorTopToBottom = 1;
    a.InnerLeft = 25;
    a.InnerTop = 0;
    a.InnerRight = 25;
    a.InnerBottom = 11;
    a.AreaType = atFooter;
    setHeaderFooterCommon(a);
}

void TMDIChild::CreateHeaderFooter()
{
    // Pairs for the first page, even pages, and odd (or all) pages; only the
    // last shows until page setup asks for different first or even pages.
    for (int pair = 0; pair < 3; ++pair) {
        const uint8_t mode = pair < 2 ? 99 : 1;
        NewHeaderField();
        Areas.back().PageMode = mode;
        NewFooterField();
        Areas.back().PageMode = mode;
    }
}

void TMDIChild::DeleteField(int32_t index)
{
    if (!validIndex(index, Areas.size())) return;

    // Cut the chain at the deleted area; its neighbours are not joined.
    const TextArea& gone = Areas[size_t(index)];
    if (gone.PrevInFlow != -1 && validIndex(gone.PrevInFlow, Areas.size()))
        Areas[size_t(gone.PrevInFlow)].NextInFlow = -1;
    if (gone.NextInFlow != -1 && validIndex(gone.NextInFlow, Areas.size()))
        Areas[size_t(gone.NextInFlow)].PrevInFlow = -1;

    Areas.erase(Areas.begin() + index);

    for (TextArea& a : Areas) {
        // A link that still names the deleted area (a chain that was not
        // symmetric) would otherwise land on its successor.
        if (a.PrevInFlow == index) a.PrevInFlow = -1;
        else if (a.PrevInFlow > index) --a.PrevInFlow;
        if (a.NextInFlow == index) a.NextInFlow = -1;
        else if (a.NextInFlow > index) --a.NextInFlow;
    }
    Areas.shrink_to_fit();
}

void TMDIChild::FreeFields()
{
    Areas.clear();
    Areas.shrink_to_fit();
}

// ---- Lines and characters -------------------------------------------------

void TMDIChild::InsertNewLine(int32_t area, int32_t index)
{
    if (!validIndex(area, Areas.size())) return;
    std::vector<TextLine>& lines = Areas[size_t(area)].Lines;
    if (index < 0 || size_t(index) > lines.size()) return;

    // The new line keeps what InitNewLine leaves alone (cell width, insets,
    // design, height, dirty flag, ...) from the line that stood at index.
    TextLine fresh;
    if (size_t(index) < lines.size()) {
        // Copy without the characters, which InitNewLine drops anyway.
        TextLine& before = lines[size_t(index)];
        std::vector<TextChar> chars = std::move(before.Chars);
        before.Chars.clear();
        fresh = before;
        before.Chars = std::move(chars);
    }
    lines.insert(lines.begin() + index, std::move(fresh));
    InitNewLine(lines, index);
}

TextChar* TMDIChild::NewChar()
{
    const TextPos c = Cursor;
    if (!validIndex(c.Area, Areas.size())) return nullptr;
    TextArea& a = Areas[size_t(c.Area)];
    if (c.Line < 0 || c.Line > a.LineCount()) return nullptr;
    // Check the character index before anything changes: a line appended
    // at the end is empty, so only index 0 fits there.
    const int32_t lineChars = c.Line < a.LineCount() ? a.Lines[size_t(c.Line)].CharCount() : 0;
    if (c.Char < 0 || c.Char > lineChars) return nullptr;

    const int32_t fontIndex = GetNewFontIndex(FontEntryFromState(FontState));
    if (c.Line == a.LineCount()) InsertNewLine(c.Area, c.Line);

    std::vector<TextChar>& chars = a.Lines[size_t(c.Line)].Chars;
    TextChar& ch = *chars.emplace(chars.begin() + c.Char);
    ch.Kind = ckText;
    ch.Code = 'a';
    ch.setShownNumber(0);
    ch.setFootnoteId(0);
    ch.FieldResult().reset();
    ch.FieldCode().reset();
    ch.setGapBefore(0);
    SettingOpsB(ch.Flags, cfSoftHyphen, false);
    ch.setFontIndex(fontIndex);
    return &ch;
}

void TMDIChild::freezeichen(TextChar& c)
{
    c.FieldResult().reset();
    c.FieldCode().reset();
}

void TMDIChild::SetPCharText(CharSlot<std::string> slot, std::string_view text)
{
    slot = std::string(text);
}

// ---- Fonts and measuring --------------------------------------------------

int32_t TMDIChild::GetNewFontIndex(const FontEntry& format)
{
    for (size_t i = 0; i < Fonts.size(); ++i) {
        const FontEntry& e = Fonts[i];
        if (e.Face == format.Face && e.Color == format.Color && e.Size == format.Size &&
            e.Reserved == format.Reserved && e.Style == format.Style &&
            e.Charset == format.Charset && e.BkColor == format.BkColor &&
            e.ShadowColor == format.ShadowColor && e.OutlineColor == format.OutlineColor &&
            e.BkTransparent == format.BkTransparent && e.Options == format.Options)
            return int32_t(i);
    }
    Fonts.push_back(format);
    return FontCount() - 1;
}

void TMDIChild::RenderChar(TextChar& c, bool superscript, std::string_view text)
{
    // A character naming no font entry has nothing to be measured with.
    if (!validIndex(c.FontIndex(), Fonts.size())) return;

    if (superscript) {
        FontEntry raised = Fonts[size_t(c.FontIndex())];
        SettingOps(raised.Options, foSuperscript, true);
        c.setFontIndex(GetNewFontIndex(raised));
    }
    const FontEntry& f = Fonts[size_t(c.FontIndex())];

    char cased[1];
    if (GettingOps(f.Options, foNoCapitals)) {
        cased[0] = char(ansiLower(c.Code));
        text = std::string_view(cased, 1);
    }
    if (GettingOps(f.Options, foCapitals) || GettingOps(f.Options, foSmallCaps)) {
        cased[0] = char(ansiUpper(c.Code));
        text = std::string_view(cased, 1);
    }

    const int32_t dpi = PrinterDpi > 0 ? PrinterDpi : 600;
    const FontHandle full = selfont(f.Face, dpi, f.Charset, f.Style, f.Size, 100);
    c.setHeight(pxToMm(full->textExtent(text).cy, dpi));

    double factor = 1.0;
    if (GettingOps(f.Options, foSmallCaps)) factor *= 0.75;
    if (GettingOps(f.Options, foSuperscript)) factor *= 0.6;
    else if (GettingOps(f.Options, foSubscript)) factor *= 0.6;
    double reduced = roundHalfEven(f.Size * factor);
    if (!(reduced > 0)) reduced = 1;

    const FontHandle small = reduced == f.Size ? full : selfont(f.Face, dpi, f.Charset, f.Style, reduced, 100);
    c.Width = pxToMm(small->textExtent(text).cx, dpi);
}

// ---- Dirty flags ----------------------------------------------------------

void TMDIChild::SetAllDirtyFlags()
{
    for (TextArea& a : Areas)
        for (TextLine& l : a.Lines) l.Dirty = 1;
}

void TMDIChild::ClearAllDirtyFlags()
{
    for (TextArea& a : Areas)
        for (TextLine& l : a.Lines) l.Dirty = 0;
}

// ---- Pictures, mouse zones, table tracks ----------------------------------

void TMDIChild::FreeBilderListe()
{
    for (Dib& d : Pictures)
        if (!d.empty()) deldib(d);
    Pictures.clear();
    Pictures.shrink_to_fit();
}

void TMDIChild::FreeBildInListe(int32_t index)
{
    if (!validIndex(index, Pictures.size())) return;
    Dib& d = Pictures[size_t(index)];
    if (!d.empty()) deldib(d);
}

void TMDIChild::FreeBildInListeIfNotNeeded()
{
    if (Pictures.empty()) return;
    // One pass over every picture character marks the slots still in use;
    // every other slot is released, not only those before the first used one.
    std::vector<bool> used(Pictures.size(), false);
    auto mark = [&used](const auto& areas) {
        for (const TextArea& a : areas)
            for (const TextLine& l : a.Lines)
                for (const TextChar& ch : l.Chars)
                    if (ch.Kind == ckPicture && ch.PictureIndex() < used.size()) used[ch.PictureIndex()] = true;
    };
    mark(Areas);
    for (const UndoCopy& u : UndoCopies) mark(u.Areas);
    for (size_t i = 0; i < Pictures.size(); ++i)
        if (!used[i] && !Pictures[i].empty()) FreeBildInListe(int32_t(i));
}

void TMDIChild::AddMouseObj(int32_t kind, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    MouseObjs.push_back(MouseObj{kind, left, top, right, bottom});
}

void TMDIChild::FreeMouseObjs()
{
    MouseObjs.clear();
}

void TMDIChild::AddTableTrack(int32_t area, int32_t cellLine, int32_t side)
{
    const TableTrack t{area, cellLine, side};
    if (std::find(TableTracks.begin(), TableTracks.end(), t) == TableTracks.end()) TableTracks.push_back(t);
}

void TMDIChild::FreeTableTrack()
{
    TableTracks.clear();
}

} // namespace quillet
