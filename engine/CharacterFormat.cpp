// Character formatting. A character holds no format of its own, only an index
// into the append-only font table; changing the format of text means, for
// each character, a modified copy of its entry found or appended, and the
// character measured again with it.
//
// The values applied always come from the window's current format: a caller
// writes the new value there first and switches on only that attribute.

#include "engine/Childwin.h"

#include "engine/DocWalk.h"

#include "engine/CharacterDialogs.h"
#include "platform/MessageBox.h"

#include "platform/Units.h"
#include "platform/Win1252.h"
#include "platform/SelFont.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>
#include <array>
#include <memory>
#include <vector>

namespace quillet {

namespace {

constexpr std::string_view kCharacterFormatLabel = "Character format";

// Only a soft wrap runs a word on into the next line: a paragraph end, a
// manual line break and a page break all end it.
bool endsWord(const TextLine& l) { return l.EndKind != ekSoft; }

double pxToMm(int32_t px, int32_t dpi) { return double(px) / dpi * kMmPerInch; }

// The text a formatted character is measured by, in the letter case its
// format shows.
std::string measuredText(const TextChar& c, const FontEntry& f)
{
    std::string text;
    if (c.Kind == ckField) text = c.FieldResult().value_or(std::string());
    else if (c.Kind == ckFootnoteRef || c.Kind == ckFootnoteNumber) text = std::to_string(c.ShownNumber());
    else text.assign(1, char(c.Code));
    if (GettingOps(f.Options, foNoCapitals))
        for (char& ch : text) ch = char(ansiLower(uint8_t(ch)));
    if (GettingOps(f.Options, foCapitals) || GettingOps(f.Options, foSmallCaps))
        for (char& ch : text) ch = char(ansiUpper(uint8_t(ch)));
    return text;
}

struct Formatter {
    Formatter(TMDIChild& window, const TMDIChild::FormatSwitches& switches)
        : w(window), s(switches), fontsBefore(window.FontCount()), newIndex(size_t(fontsBefore) + 1, -1)
    {
    }

    TMDIChild& w;
    const TMDIChild::FormatSwitches& s;
    // The new entry depends only on the old one: each old entry is looked up
    // once per call (slot 0: characters naming no entry). Entries appended
    // during the call name no character's old format.
    const int32_t fontsBefore;
    std::vector<int32_t> newIndex;
    // A selection of one format measures each letter once per new format.
    struct Size { double Width, Height; };
    struct CodeSizes {
        std::array<Size, 256> Sizes;
        std::array<uint8_t, 256> Known{};
    };
    std::vector<std::unique_ptr<CodeSizes>> measured;

    int32_t newFontIndex(int32_t old)
    {
        const size_t slot = old >= 0 && old < fontsBefore ? size_t(old) + 1 : 0;
        int32_t& n = newIndex[slot];
        if (n < 0) {
            // A character naming no entry is taken to have the current format.
            const FontEntry from = slot ? w.Fonts[slot - 1] : FontEntryFromState(w.FontState);
            n = w.GetNewFontIndex(modified(from));
        }
        return n;
    }

    FontEntry modified(const FontEntry& from) const
    {
        FontEntry f = from;
        const CurrentFontState& st = w.FontState;
        if (s.BkColor) {
            f.BkColor = st.BkColor;
            f.BkTransparent = st.BkTransparent;
        }
        if (s.ShadowColor) f.ShadowColor = st.ShadowColor;
        if (s.OutlineColor) f.OutlineColor = st.OutlineColor;
        for (int bit = 0; bit < int(s.Options.size()); ++bit)
            if (s.Options[size_t(bit)]) SettingOps(f.Options, bit, GettingOps(st.Options, bit) != 0);
        if (s.Face) f.Face = st.Face;
        if (s.Size) f.Size = st.Size;
        if (s.Color) f.Color = st.Color;
        auto styleBit = [&](uint8_t on, int bit) {
            if (on) f.Style = uint8_t((f.Style & ~(1 << bit)) | (st.Style & (1 << bit)));
        };
        styleBit(s.Bold, 0);
        styleBit(s.Italic, 1);
        styleBit(s.Underline, 2);
        styleBit(s.Strikeout, 3);
        if (s.Charset) f.Charset = st.Charset;
        return f;
    }

    Size measure(const TextChar& c, const FontEntry& f) const
    {
        const std::string text = measuredText(c, f);
        const int32_t dpi = w.PrinterDpi > 0 ? w.PrinterDpi : 600;
        const FontHandle full = selfont(f.Face, dpi, f.Charset, f.Style, f.Size, 100);
        double factor = 1.0;
        if (GettingOps(f.Options, foSmallCaps)) factor *= 0.75;
        if (GettingOps(f.Options, foSuperscript) || GettingOps(f.Options, foSubscript)) factor *= 0.6;
        double reduced = roundHalfEven(f.Size * factor);
        if (!(reduced > 0)) reduced = 1;
        const FontHandle small = reduced == f.Size ? full : selfont(f.Face, dpi, f.Charset, f.Style, reduced, 100);
        return Size{pxToMm(small->textExtent(text).cx, dpi), pxToMm(full->textExtent(text).cy, dpi)};
    }

    // formatiereZeichen
    void apply(const TextPos& p)
    {
        TextLine* l = lineAt(w, p);
        if (!l) return;
        l->Dirty = 1;
        if (p.Char < 0 || p.Char >= l->CharCount()) return;
        TextChar& c = l->Chars[size_t(p.Char)];
        if (c.Kind != ckText && c.Kind != ckFootnoteRef && c.Kind != ckFootnoteNumber && c.Kind != ckField)
            return;
        const int32_t font = newFontIndex(c.FontIndex());
        const FontEntry& f = w.Fonts[size_t(font)];
        if (c.Kind != ckText) {
            c.setFontIndex(font);
            const Size m = measure(c, f);
            c.Width = m.Width;
            c.setHeight(m.Height);
            return;
        }
        if (measured.size() <= size_t(font)) measured.resize(size_t(font) + 1);
        std::unique_ptr<CodeSizes>& sizes = measured[size_t(font)];
        if (!sizes) sizes = std::make_unique<CodeSizes>();
        if (!sizes->Known[c.Code]) {
            c.setFontIndex(font);
            sizes->Sizes[c.Code] = measure(c, f);
            sizes->Known[c.Code] = 1;
        }
        c.Width = sizes->Sizes[c.Code].Width;
        c.setLook(font, sizes->Sizes[c.Code].Height);
    }

    bool isWordChar(const TextPos& p)
    {
        const TextLine* l = lineAt(w, p);
        if (!l || p.Char < 0 || p.Char >= l->CharCount()) return false;
        const TextChar& c = l->Chars[size_t(p.Char)];
        return c.Kind == ckText && c.Code != ' ' && isAnsiAlnum(c.Code);
    }

    // The line before (after) `p`'s line in the same text: in a table the
    // same cell's earlier (later) run, never a neighbouring cell. False at
    // the chain's start (end) or the cell's edge.
    bool neighbourLine(TextPos& p, bool forward)
    {
        const TextLine* cur = lineAt(w, p);
        if (!cur) return false;
        int32_t a = p.Area, l = p.Line;
        if (cur->IsCell) {
            if (!(forward ? nextRun(w, a, l) : prevRun(w, a, l))) return false;
        } else {
            l = addLines(l, forward ? 1 : -1);
            w.GoToLine(a, l);
            const TextLine* nx = lineAt(w, a, l);
            if (!nx || nx->IsCell) return false;
        }
        p = TextPos{a, l, 0};
        return true;
    }

    void wordAtCaret()
    {
        int64_t guard = 1;
        for (const TextArea& a : w.Areas) guard += a.LineCount();

        const TextPos caret = w.Cursor;
        TextPos p = caret;
        while (isWordChar(p)) {
            apply(p);
            if (p.Char > 0) {
                --p.Char;
                continue;
            }
            TextPos prev = p;
            if (--guard <= 0 || !neighbourLine(prev, false)) break;
            const TextLine& pl = *lineAt(w, prev);
            if (endsWord(pl)) break;
            p = TextPos{prev.Area, prev.Line, pl.CharCount() - 1};
        }
        // The separator just before the word goes with it.
        if (!(p == caret)) {
            const TextLine* l = lineAt(w, p);
            if (l && p.Char >= 0 && p.Char < l->CharCount()) apply(p);
        }

        p = caret;
        for (;;) {
            const TextLine* l = lineAt(w, p);
            if (!l) break;
            if (p.Char >= l->CharCount()) {
                if (endsWord(*l) || --guard <= 0 || !neighbourLine(p, true)) break;
                continue;
            }
            if (!isWordChar(p)) break;
            apply(p);
            ++p.Char;
        }
    }
};

} // namespace

void TMDIChild::formatieren(const FormatSwitches& switches, bool makeUndo)
{
    if (makeUndo) MakeCopyForUndo(kCharacterFormatLabel);
    ClampPosition(Areas, Cursor);
    Formatter f(*this, switches);
    if (isThereAmarking()) {
        TextWalker walk = MarkedWalk();
        f.apply(walk.Pos);
        while (getnextmarkedchar(walk)) f.apply(walk.Pos);
    } else {
        f.wordAtCaret();
    }
    RefreshDirtyContent();
}

void TMDIChild::ToggleBold()
{
    if (UpdatingToolbar) return;
    FontState.Style ^= 1;
    FormatSwitches s;
    s.Bold = 1;
    formatieren(s);
}

void TMDIChild::ToggleItalic()
{
    if (UpdatingToolbar) return;
    FontState.Style ^= 2;
    FormatSwitches s;
    s.Italic = 1;
    formatieren(s);
}

void TMDIChild::ToggleUnderline()
{
    if (UpdatingToolbar) return;
    FontState.Style ^= 4;
    // The plain underline is also the first of the underline options.
    SettingOps(FontState.Options, foUnderline, (FontState.Style & 4) != 0);
    FormatSwitches s;
    s.Underline = 1;
    s.Options[foUnderline] = 1;
    formatieren(s);
}

void TMDIChild::ZeichenFormatieren()
{
    CharacterDialogsUi* dialogs = characterDialogsOf(*this);
    if (!dialogs) return;
    ZeichenFormatModel m;
    m.fill(FontState);
    if (!dialogs->runZeichenFormatDialog(m)) return;

    // A size the user typed that no character may take is ignored while
    // the other changes apply; its switch stays off, so the old size is not
    // forced onto every character of a selection of mixed sizes.
    const std::optional<double> size = m.size();

    // Everything the dialog shows becomes the typing format; only what the
    // user changed reaches the text.
    if (!m.fontbox.empty()) FontState.Face = m.fontbox;
    if (size) FontState.Size = *size;
    FontState.Color = m.col1;
    FontState.BkColor = m.col2;
    FontState.OutlineColor = m.col3;
    FontState.ShadowColor = m.col4;
    FontState.BkTransparent = m.transcheck ? 1 : 0;
    for (size_t i = 0; i < m.attrlist.size(); ++i) SettingOps(FontState.Options, int(i), m.attrlist[i] != 0);
    for (size_t i = 0; i < 4; ++i)
        FontState.Style = uint8_t((FontState.Style & ~(1u << i)) | ((m.attrlist[i] ? 1u : 0u) << i));

    FormatSwitches s;
    s.Face = m.FaceChanged && !m.fontbox.empty();
    s.Size = m.SizeChanged && size.has_value();
    s.Color = m.ColorChanged;
    s.Bold = m.BoldChanged;
    s.Italic = m.ItalicChanged;
    s.Underline = m.UnderlineChanged;
    s.Strikeout = m.StrikeoutChanged;
    s.BkColor = m.BkChanged;
    s.ShadowColor = m.ShadowChanged;
    s.OutlineColor = m.OutlineChanged;
    for (size_t i = 0; i < s.Options.size(); ++i) s.Options[i] = m.OptionChanged[i];
    formatieren(s);
    // The toolbar shows the new typing format.
    SmallOvertakeFont();
}

void TMDIChild::SonderzeichenEinfuegen()
{
    CharacterDialogsUi* dialogs = characterDialogsOf(*this);
    if (!dialogs) return;
    SonderzeichenModel m;
    m.FontName = FontState.Face;
    m.Char = ' ';
    if (!dialogs->runSonderzeichenDialog(m)) return;

    if (!m.FontName.empty()) FontState.Face = m.FontName;
    FontState.Charset = 1;
    // A chosen symbol is inserted even in overwrite mode (overwriting would
    // keep the old character's format, so the symbol's face would be lost),
    // and a chosen 34 stays a straight quote (or the symbol face's glyph 34).
    FrameOptions& o = Frame.Options;
    struct Restore {
        FrameOptions& o;
        uint8_t overwrite;
        int32_t quotes;
        ~Restore()
        {
            o.OverwriteMode = overwrite;
            o.QuoteStyle = quotes;
        }
    } restore{o, o.OverwriteMode, o.QuoteStyle};
    o.OverwriteMode = 0;
    o.QuoteStyle = 0;
    uint8_t key = m.Char;
    getkeysKeyPress(key);
    OvertakeFont();
}

} // namespace quillet
