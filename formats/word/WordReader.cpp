// The Word 97 reader: the streams of the compound file, the file header, the
// piece table and the walk over the main text. Everything is checked against
// the bytes before the document is touched, so a refused file leaves the
// window as it was.

#include "formats/word/Word.h"
#include "formats/word/WordPictures.h"
#include "formats/word/WordProps.h"
#include "formats/word/WordStorage.h"

#include "formats/OpenSave.h"

#include "engine/Childwin.h"
#include "engine/DocWalk.h"
#include "formats/ReaderFields.h"
#include "formats/ReaderNotes.h"
#include "formats/ReaderLines.h"
#include "platform/ByteIO.h"
#include "platform/MessageBox.h"
#include "platform/SafeFile.h"
#include "platform/Win1252.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <new>

namespace quillet {

namespace {

// One run of text: CPs [CpFirst, CpLim) stored from byte Offset of the main
// stream, one byte per character or two.
struct Piece {
    int32_t CpFirst = 0, CpLim = 0;
    size_t Offset = 0;
    bool Wide = false;
};

struct Fib {
    uint16_t Nfib = 0, Flags = 0;
    int32_t FcMin = 0, CcpText = 0;
    uint32_t FcClx = 0, LcbClx = 0;
    uint32_t FcStshf = 0, LcbStshf = 0, FcChpx = 0, LcbChpx = 0, FcPapx = 0, LcbPapx = 0;
    uint32_t FcFfn = 0, LcbFfn = 0, FcDop = 0, LcbDop = 0;
    int32_t CcpFtn = 0;
    uint32_t FcSed = 0, LcbSed = 0, FcHdd = 0, LcbHdd = 0, FcAssoc = 0, LcbAssoc = 0;
    uint32_t FcLst = 0, LcbLst = 0, FcLfo = 0, LcbLfo = 0;
    uint32_t FcFndRef = 0, LcbFndRef = 0, FcFndTxt = 0, LcbFndTxt = 0;
    uint32_t FcSpaMom = 0, LcbSpaMom = 0, FcSpaHdr = 0, LcbSpaHdr = 0, FcDgg = 0, LcbDgg = 0;
};

Fib readFib(const std::vector<uint8_t>& main)
{
    ByteReader r(main);
    Fib f;
    r.seek(0x02);
    f.Nfib = r.u16();
    r.seek(0x0A);
    f.Flags = r.u16();
    r.seek(0x18);
    f.FcMin = r.i32();
    r.seek(0x4C);
    f.CcpText = r.i32();
    r.seek(0x1A2);
    f.FcClx = r.u32();
    f.LcbClx = r.u32();
    const auto pair = [&](size_t at, uint32_t& fc, uint32_t& lcb) {
        r.seek(at);
        fc = r.u32();
        lcb = r.u32();
    };
    pair(0xA2, f.FcStshf, f.LcbStshf);
    pair(0xFA, f.FcChpx, f.LcbChpx);
    pair(0x102, f.FcPapx, f.LcbPapx);
    pair(0x112, f.FcFfn, f.LcbFfn);
    pair(0x192, f.FcDop, f.LcbDop);
    pair(0xCA, f.FcSed, f.LcbSed);
    pair(0xF2, f.FcHdd, f.LcbHdd);
    pair(0x19A, f.FcAssoc, f.LcbAssoc);
    pair(0x2E2, f.FcLst, f.LcbLst);
    pair(0x2EA, f.FcLfo, f.LcbLfo);
    pair(0xAA, f.FcFndRef, f.LcbFndRef);
    pair(0xB2, f.FcFndTxt, f.LcbFndTxt);
    pair(0x1DA, f.FcSpaMom, f.LcbSpaMom);
    pair(0x1E2, f.FcSpaHdr, f.LcbSpaHdr);
    pair(0x22A, f.FcDgg, f.LcbDgg);
    r.seek(0x50);
    f.CcpFtn = r.i32();
    return f;
}

// The piece descriptors of the CLX. False when the table lies outside its
// stream, its pieces run backwards, or their bytes lie outside the main
// stream: text read from there would be garbage or nothing at all.
bool readPieces(const std::vector<uint8_t>& table, const Fib& fib, size_t mainSize, std::vector<Piece>& out)
{
    out.clear();
    if (uint64_t(fib.FcClx) + fib.LcbClx > table.size()) return false;
    ByteReader r(table.data() + fib.FcClx, fib.LcbClx);
    bool found = false;
    while (r && !r.atEnd() && !found) {
        const uint8_t clxt = r.u8();
        if (clxt == 1) {
            r.skip(r.u16());
        } else if (clxt == 2) {
            const uint32_t lcb = r.u32();
            if (!r || lcb > r.remaining() || lcb < 4 || (lcb - 4) % 12 != 0) return false;
            const size_t n = (lcb - 4) / 12;
            std::vector<int32_t> cps(n + 1);
            for (int32_t& cp : cps) cp = r.i32();
            if (cps[0] < 0) return false;
            for (size_t i = 0; i < n; ++i) {
                r.skip(2);
                const uint32_t fc = r.u32();
                r.skip(2);
                if (cps[i + 1] < cps[i]) return false;
                Piece p;
                p.CpFirst = cps[i];
                p.CpLim = cps[i + 1];
                p.Wide = (fc & 0x40000000u) == 0;
                p.Offset = p.Wide ? fc : (fc & ~0x40000000u) / 2;
                const uint64_t bytes = uint64_t(p.CpLim - p.CpFirst) * (p.Wide ? 2 : 1);
                if (p.Offset + bytes > mainSize) return false;
                if (p.CpLim > p.CpFirst) out.push_back(p);
            }
            found = true;
        }
        // Any other byte is read over; the next one may start the table.
    }
    if (!r) return false;
    if (!found) {
        // Without a piece table the text is one 8-bit run from fcMin on.
        if (fib.FcMin < 0 || size_t(fib.FcMin) > mainSize) return false;
        Piece p;
        p.Offset = size_t(fib.FcMin);
        p.CpLim = int32_t(std::min<size_t>(mainSize - p.Offset, size_t(INT32_MAX)));
        out.push_back(p);
    }
    return true;
}

constexpr double kMmPerInch = 25.39995;
double twipsToMm(double twips) { return std::clamp(twips / 1440.0 * kMmPerInch, -5000.0, 5000.0); }

// Everything the file says about formats, read and checked before the text.
struct Formats {
    std::vector<word::StyleSlot> Styles;
    std::vector<std::string> FontNames;
    word::RunFinder Chpx{{}}, Papx{{}};
    int32_t DefaultTab = 720;  // twips
    bool FacingPages = false;
    std::vector<word::Section> Sections;
    word::ListKinds Lists;
    bool HasData = false;
    std::vector<uint8_t> Data;
    // Drawn objects of the main text and of the header stories.
    std::vector<word::DrawnAnchor> MainDrawings, HeaderDrawings;
    word::OfficeArt Art;
    const std::vector<uint8_t>* Table = nullptr;
};

class Importer {
public:
    Importer(TMDIChild& w, const std::vector<uint8_t>& main, std::vector<Piece> pieces, Formats formats)
        : W(w), Main(main), Pieces(std::move(pieces)), F(std::move(formats))
    {
        if (F.Styles.empty()) F.Styles.emplace_back();
    }

    // Imports CPs [first, lim). The text ends early at a CP no piece holds.
    void importRange(int32_t first, int32_t lim)
    {
        FieldCodes.clear();
        CodeDepth = 0;
        ShownDepth = 0;
        CellCount = 0;
        PendingCell = -1;
        ParaDone = false;
        int32_t cp = first;
        bool reserved = false;
        for (const Piece& p : Pieces) {
            if (cp >= lim) break;
            if (p.CpLim <= cp) continue;
            if (p.CpFirst > cp) break;  // a gap in the pieces
            const int32_t end = std::min(lim, p.CpLim);
            Current = &p;
            RangeLim = lim;
            if (!reserved) {
                reserveLine(cp);
                reserved = true;
            }
            size_t fc = p.Offset + size_t(cp - p.CpFirst) * (p.Wide ? 2 : 1);
            const uint8_t* at = Main.data() + fc;
            for (; cp < end; ++cp, fc += p.Wide ? 2 : 1) {
                Fc = uint32_t(fc);
                Cp = cp;
                if (p.Wide) {
                    importChar(char16_t(at[0] | (at[1] << 8)), true);
                    at += 2;
                } else {
                    importChar(*at++, false);
                }
            }
        }
        Current = nullptr;
    }

    // Room for the lines of the body text: one per paragraph, line or page
    // break of the pieces. Growing the line array one line at a time moves
    // every line again and again in a long document.
    void reserveLines(int32_t lim)
    {
        size_t breaks = 0;
        for (const Piece& p : Pieces) {
            if (p.CpFirst >= lim) break;
            const size_t n = size_t(std::min(lim, p.CpLim) - p.CpFirst);
            const uint8_t* at = Main.data() + p.Offset;
            if (p.Wide) {
                for (size_t i = 0; i < n; ++i)
                    if (at[2 * i + 1] == 0 && isBreak(at[2 * i])) ++breaks;
            } else {
                for (size_t i = 0; i < n; ++i)
                    if (isBreak(at[i])) ++breaks;
            }
        }
        std::vector<TextLine>& lines = W.Areas[0].Lines;
        // A hint only: a file of nothing but breaks must not claim more than
        // the text would build anyway, and no more than a sane document holds.
        lines.reserve(lines.size() + std::min<size_t>(breaks, 1u << 20) + 1);
    }

private:
    TextLine* cursorLine() { return lineAt(W, W.Cursor); }

    // A character of a two-byte piece in the document's code page: the
    // controls keep their value, what the code page lacks becomes "?".
    static uint8_t toAnsi(char16_t u)
    {
        if (u < 0x80) return uint8_t(u);
        const int b = unicodeToCp1252(u);
        return b < 0 ? uint8_t('?') : uint8_t(b);
    }

    void importChar(char16_t u, bool wide)
    {
        switch (u) {
        case 19:
            // Fields nest: only the marks of the innermost field apply.
            FieldCodes.push_back(OpenField{});
            ++CodeDepth;
            return;
        case 20:
            if (!FieldCodes.empty() && FieldCodes.back().InCode) {
                FieldCodes.back().InCode = false;
                --CodeDepth;
                showField(FieldCodes.back());
            }
            return;
        case 21:
            if (!FieldCodes.empty()) {
                OpenField& f = FieldCodes.back();
                if (f.InCode) {
                    --CodeDepth;
                    showField(f);  // a field without a result
                }
                if (f.Shown) --ShownDepth;
                FieldCodes.pop_back();
            }
            return;
        case 12:
            // A page break that ends a section: the text after it takes the
            // next section's page, and a continuous section needs no break.
            if (applySectionAt(Cp + 1) && Page.Bkc == 0) return;
            [[fallthrough]];
        case 13:
        case 11:
            if (load().P.InTable) inlineBreak(u == 13 ? 13 : u == 11 ? 14 : 15);
            else breakLine(u == 13 ? ekParagraph : u == 11 ? ekLineBreak : ekPageBreak);
            return;
        case 7: {
            const Loaded& props = load();
            if (!props.P.InTable) return;
            if (props.P.Ttp != 1) {
                breakLine(ekParagraph);
                ++CellCount;
                PendingCell = -1;
            } else {
                buildRow(props.P.Row);
                CellCount = 0;
                PendingCell = -1;
            }
            return;
        }
        case 9:
            if (ShownDepth == 0) newChar(9);
            return;
        case 2:
            if (CodeDepth == 0 && ShownDepth == 0) footnote();
            return;
        case 8:
            if (CodeDepth == 0 && ShownDepth == 0) drawnObject();
            return;
        case 1:
            if (CodeDepth == 0 && ShownDepth == 0 && F.HasData) picture();
            return;
        default: break;
        }
        if (CodeDepth > 0 && !FieldCodes.empty() && FieldCodes.back().InCode && FieldCodes.back().Code.size() < 64)
            FieldCodes.back().Code += char(u < 128 ? u : '?');
        if (u < 30 || CodeDepth > 0 || ShownDepth > 0) return;
        if (u == 31) {
            // An optional hyphen shows only where the line breaks.
            SoftHyphenNext = true;
            return;
        }
        newChar(u == 30 ? uint8_t('-') : wide ? toAnsi(u) : uint8_t(u));
    }

    // A field the program has of its own (page number, page count) becomes
    // that field in place of its result, unless it is part of another
    // field's instruction.
    struct OpenField;
    void showField(OpenField& f)
    {
        const char* code = readerFieldCode(f.Code);
        if (!code || CodeDepth > 0 || ShownDepth > 0) return;
        newChar(' ');
        TextLine* l = cursorLine();
        if (!l || W.Cursor.Char < 1) return;
        readerMakeField(W, l->Chars[size_t(W.Cursor.Char - 1)], code);
        f.Shown = true;
        ++ShownDepth;
    }

    // The properties of the character at Fc: its paragraph style, the
    // paragraph's modifiers, then the run's own.
    struct Loaded {
        word::Pap P;
        word::Chp C;
        int32_t FontIndex = -1;
        AbsatzFormat Para;
    };
    const Loaded& load()
    {
        const int32_t p = F.Papx.find(Fc), c = F.Chpx.find(Fc);
        // A position in no run keeps the properties it had.
        if (p >= 0) PapRun = p;
        if (c >= 0) ChpRun = c;
        const auto key = std::pair(PapRun, ChpRun);
        if (const auto it = Cache.find(key); it != Cache.end()) return it->second;
        Loaded l;
        uint16_t istd = 0;
        const word::FkpRun* pr = PapRun >= 0 ? &F.Papx[PapRun] : nullptr;
        if (pr && !pr->StyleOnly && pr->Istd < F.Styles.size()) istd = pr->Istd;
        l.P = F.Styles[istd].P;
        l.C = F.Styles[istd].C;
        if (pr && pr->GrpprlSize) word::applySprms(Main.data() + pr->Grpprl, pr->GrpprlSize, &l.P, &l.C, nullptr);
        if (const std::vector<uint8_t>* level = F.Lists.levelModifiers(l.P.Ilfo, l.P.Ilvl)) {
            // A list item takes its level's indents unless the paragraph
            // gives its own: the level goes between style and paragraph.
            word::Pap p = F.Styles[istd].P;
            word::applySprms(level->data(), level->size(), &p, nullptr, nullptr);
            if (pr && pr->GrpprlSize) word::applySprms(Main.data() + pr->Grpprl, pr->GrpprlSize, &p, nullptr, nullptr);
            l.P = p;
        }
        if (ChpRun >= 0) {
            const word::FkpRun& cr = F.Chpx[ChpRun];
            if (cr.GrpprlSize) word::applySprms(Main.data() + cr.Grpprl, cr.GrpprlSize, nullptr, &l.C, &F.Styles);
        }
        l.FontIndex = fontFor(l.C);
        l.Para = paraFor(l.P);
        // Distinct run pairs are bounded by the runs of the file, which its size bounds.
        return Cache.emplace(key, std::move(l)).first->second;
    }

    int32_t fontFor(const word::Chp& c)
    {
        FontEntry f = W.Fonts.empty() ? FontEntry{} : W.Fonts[0];
        f.Face = c.Ftc < F.FontNames.size() && !F.FontNames[c.Ftc].empty() ? F.FontNames[c.Ftc] : "Times New Roman";
        f.Style = 0;
        f.Options = 0;
        f.Size = std::clamp(c.Hps / 2.0, 1.0, 1638.0);
        // The style bits and their option twins go together, as the
        // character dialog sets them.
        const auto both = [&](int bit, bool on) {
            if (!on) return;
            f.Style |= uint8_t(1u << bit);
            SettingOps(f.Options, bit, true);
        };
        both(foBold, c.Bold);
        both(foItalic, c.Italic);
        both(foStrikeout, c.Strike);
        if (c.Kul != 0) {
            both(foUnderline, true);
            if (c.Kul == 2) SettingOps(f.Options, foWordUnderline, true);
            if (c.Kul == 3) SettingOps(f.Options, foDoubleUnderline, true);
        }
        if (c.Shadow) SettingOps(f.Options, foShaded, true);
        if (c.SmallCaps) SettingOps(f.Options, foSmallCaps, true);
        if (c.Caps) SettingOps(f.Options, foCapitals, true);
        if (c.Iss == 1) SettingOps(f.Options, foSuperscript, true);
        if (c.Iss == 2) SettingOps(f.Options, foSubscript, true);
        f.Color = word::icoColor(c.Ico, 0);
        const uint8_t fore = c.Shd & 0x1F, back = (c.Shd >> 5) & 0x1F;
        if (c.Highlight) {
            f.BkColor = word::icoColor(c.HighlightIco, 0);
            f.BkTransparent = 0;
        } else if (fore || back) {
            f.BkColor = word::shadeColor(word::icoColor(fore, 0), word::icoColor(back, 0), c.Shd >> 10);
            f.BkTransparent = 0;
        } else {
            f.BkColor = 0xFFFFFF;
            f.BkTransparent = 1;
        }
        return W.GetNewFontIndex(f);
    }

    AbsatzFormat paraFor(const word::Pap& p) const
    {
        AbsatzFormat a = DefaultAbsatzFormat();
        a.Alignment = p.Jc;
        const double inset = p.InTable ? 2.5 : 0.0;
        a.LeftIndent = twipsToMm(p.DxaLeft) + inset;
        a.RightIndent = twipsToMm(p.DxaRight) + inset;
        a.FirstLineIndent = twipsToMm(p.DxaLeft1);
        a.SpaceAbove = std::max(0.0, twipsToMm(p.DyaBefore));
        a.SpaceBelow = std::max(0.0, twipsToMm(p.DyaAfter));
        if (p.MultLinespace == 0 && p.DyaLine > 0) {
            a.LineSpacingMode = 1;
            a.LineSpacing = twipsToMm(p.DyaLine);
        } else if (p.MultLinespace == 0 && p.DyaLine < 0) {
            a.LineSpacingMode = 2;
            a.LineSpacing = twipsToMm(-p.DyaLine);
        } else if (p.MultLinespace == 1 && p.DyaLine > 0) {
            a.LineSpacingMode = 0;
            a.LineSpacing = p.DyaLine / 240.0;
        }
        a.Tabs.clear();
        for (const word::TabDef& t : p.Tabs) {
            TabStop s;
            s.Position = twipsToMm(t.Position);
            const int kind = t.Tbd & 7, leader = (t.Tbd >> 3) & 7;
            s.Kind = kind >= 1 && kind <= 3 ? kind : 0;
            s.Leader = leader == 1 ? 2 : leader == 2 ? 1 : (leader == 3 || leader == 4) ? 3 : 0;
            a.Tabs.push_back(s);
        }
        a.DefaultTabStep = std::max(1.0, twipsToMm(F.DefaultTab));
        a.ListKind = F.Lists.kind(p.Ilfo, p.Ilvl);
        return a;
    }

    void newChar(uint8_t code)
    {
        TextLine* l = cursorLine();
        if (!l) return;
        const Loaded& props = load();
        // The line's own format is written through its handle, so a block
        // it shares is replaced rather than changed.
        AbsatzFormat* copyTarget = nullptr;
        // In a cell, a paragraph after an inline paragraph end takes its
        // format into that end's copy.
        if (props.P.InTable && PendingCell >= 0 && PendingCell < l->CharCount() && l->Chars[size_t(PendingCell)].ParaCopy())
            copyTarget = &*l->Chars[size_t(PendingCell)].ParaCopy();
        const void* target = copyTarget ? static_cast<const void*>(copyTarget) : static_cast<const void*>(&l->Para);
        // The format is written once per paragraph and run of properties,
        // not compared for every character: a long paragraph of one format
        // would otherwise compare its whole format (tabs and all) per letter.
        if (!ParaDone || ParaFrom != &props || ParaTarget != target) {
            if (copyTarget) {
                if (*copyTarget != props.Para) *copyTarget = props.Para;
            } else if (!(l->Para == props.Para)) {
                l->Para = props.Para;
            }
            l->ColumnCount = Page.ColumnsM1 + 1;
            l->ColumnGap = std::max(0.0, twipsToMm(Page.DxaColumns));
            l->ColumnRule = Page.LBetween;
            ParaDone = true;
            ParaFrom = &props;
            ParaTarget = target;
        }
        TextChar ch;
        ch.Kind = ckText;
        ch.Code = code;
        if (SoftHyphenNext && code != 9) {
            SettingOpsB(ch.Flags, cfSoftHyphen, true);
            SoftHyphenNext = false;
        }
        const auto key = std::pair(props.FontIndex, code);
        if (const auto it = Measures.find(key); it != Measures.end()) {
            ch.Width = it->second.Width;
            ch.setLookOf(it->second);
        } else {
            ch.setFontIndex(props.FontIndex);
            const char text = char(code);
            W.RenderChar(ch, false, std::string_view(&text, 1));
            Measures.emplace(key, ch);
        }
        const int32_t at = std::clamp(W.Cursor.Char, 0, l->CharCount());
        l->Chars.insert(l->Chars.begin() + at, std::move(ch));
        l->Dirty = 1;
        W.Cursor.Char = at + 1;
    }

    // Takes the page of the section holding cp; true when one begins there.
    bool applySectionAt(int32_t cp)
    {
        bool starts = false;
        for (const word::Section& sec : F.Sections) {
            if (sec.CpFirst > cp || cp > sec.CpLim) continue;
            Page = word::sectionPage(sec, Main);
            starts = cp == sec.CpFirst;
            ParaDone = false;
        }
        return starts;
    }

public:
    // The page of the section at CP 0 becomes the document's page.
    void setUpPage()
    {
        Page = word::Sep{};
        applySectionAt(0);
        W.PageWidth = std::clamp(twipsToMm(Page.XaPage), 10.0, 5000.0);
        W.PageHeight = std::clamp(twipsToMm(Page.YaPage), 10.0, 5000.0);
        if (W.Areas.empty()) return;
        TextArea& body = W.Areas[0];
        body.InnerLeft = twipsToMm(Page.DxaLeft);
        body.InnerTop = twipsToMm(Page.DyaTop);
        body.InnerRight = twipsToMm(Page.DxaRight);
        body.InnerBottom = twipsToMm(Page.DyaBottom);
        const double gap = 0.5142857142857 * kMmPerInch;
        double h = twipsToMm(Page.DyaHdrTop), f = twipsToMm(Page.DyaHdrBottom);
        // A header distance past the margin falls back to a gap above the
        // text, never above the sheet's edge.
        if (h + 1 > body.InnerTop) h = std::max(0.0, body.InnerTop - gap);
        if (f + 1 > body.InnerBottom) f = std::max(0.0, body.InnerBottom - gap);
        static constexpr uint8_t kModes[4][3] = {{99, 99, 1}, {0, 99, 2}, {99, 3, 4}, {0, 5, 6}};
        const uint8_t* modes = kModes[(Page.TitlePage ? 1 : 0) + (F.FacingPages ? 2 : 0)];
        for (int32_t a = 1; a <= 6 && a < W.AreaCount(); ++a) {
            TextArea& area = W.Areas[size_t(a)];
            area.InnerLeft = body.InnerLeft;
            area.InnerRight = body.InnerRight;
            if (a % 2 == 1) {
                area.InnerTop = h;
                area.Bottom = body.InnerTop - 0.5;
            } else {
                area.InnerBottom = f;
                area.Top = body.InnerBottom - 0.5;
            }
            area.PageMode = modes[(a - 1) / 2];
        }
        W.SetPrinterProps();
    }

    // A header or footer story goes to the end of its area.
    // The footnotes of the main text: the CP of each reference mark and the
    // CPs [first, lim) of its text, in the order of the marks.
    void setFootnotes(std::vector<int32_t> refs, std::vector<std::pair<int32_t, int32_t>> texts)
    {
        NoteRefs = std::move(refs);
        NoteTexts = std::move(texts);
    }
    // The texts of the footnotes whose marks the main text made, each into
    // its footnote area without the paragraph end that closes it.
    void importFootnotes()
    {
        NoteRefs.clear();  // no marks inside footnotes
        const std::vector<std::pair<int32_t, int32_t>> notes = std::move(NotesMade);
        for (const auto& [area, index] : notes) {
            const auto [first, lim] = NoteTexts[size_t(index)];
            if (lim - 1 > first) importStory(area, first, lim - 1);
        }
    }

    // Which drawn objects the stories imported next have: none, the main
    // text's or the header stories', their CPs counted from `base`.
    enum class Drawn { None, Main, Header };
    void setDrawings(Drawn which, int32_t base)
    {
        Drawings = which == Drawn::Main ? &F.MainDrawings : which == Drawn::Header ? &F.HeaderDrawings : nullptr;
        DrawingBase = base;
    }

    void importStory(int32_t area, int32_t first, int32_t lim)
    {
        if (area >= W.AreaCount() || W.Areas[size_t(area)].Lines.empty()) return;
        W.Cursor.Area = area;
        W.Cursor.Line = int32_t(W.Areas[size_t(area)].Lines.size()) - 1;
        W.Cursor.Char = W.Areas[size_t(area)].Lines.back().CharCount();
        importRange(first, lim);
        ParaDone = false;
    }

private:
    // A footnote mark of the main text: the mark, and an area for the text.
    void footnote()
    {
        const auto at = std::lower_bound(NoteRefs.begin(), NoteRefs.end(), Cp);
        if (at == NoteRefs.end() || *at != Cp || W.FootnoteCounter < 0 || W.FootnoteCounter >= kReaderMaxFootnotes)
            return;
        const int32_t id = W.FootnoteCounter + 1;
        newChar('1');
        TextLine* l = cursorLine();
        if (!l || W.Cursor.Char < 1) return;
        TextChar& ref = l->Chars[size_t(W.Cursor.Char - 1)];
        ref.Kind = ckFootnoteRef;
        ref.setFootnoteId(uint16_t(id));
        ref.setShownNumber(uint16_t(id));
        W.RenderChar(ref, true, std::to_string(id));
        W.FootnoteCounter = id;
        const int32_t area = readerFootnoteArea(W, id);
        if (area >= 0) NotesMade.emplace_back(area, int32_t(at - NoteRefs.begin()));
    }

    // A drawn object: the picture its shape shows stands in the text, at
    // the size of the object's anchor.
    void drawnObject()
    {
        if (!Drawings || !F.Table || W.Pictures.size() >= 65535) return;
        const int64_t cp = int64_t(Cp) - DrawingBase;
        const auto at = std::lower_bound(Drawings->begin(), Drawings->end(), cp,
                                         [](const word::DrawnAnchor& a, int64_t c) { return a.Cp < c; });
        if (at == Drawings->end() || at->Cp != cp) return;
        addPicture(word::drawnPicture(F.Art, *at, *F.Table, Main));
    }

    // A picture anchor: the picture of the Data stream its run names.
    void picture()
    {
        const Loaded& props = load();
        if (!props.C.Spec || props.C.FcPic < 0 || W.Pictures.size() >= 65535) return;
        addPicture(word::readPicture(F.Data, props.C.FcPic));
    }

    void addPicture(word::WordPicture&& p)
    {
        if (p.Picture.empty() || W.Pictures.size() >= 65535) return;
        W.Pictures.push_back(std::move(p.Picture));
        newChar(' ');
        TextLine* l = cursorLine();
        if (!l || W.Cursor.Char < 1) {
            W.Pictures.pop_back();
            return;
        }
        TextChar& ch = l->Chars[size_t(W.Cursor.Char - 1)];
        ch.Kind = ckPicture;
        ch.setPictureIndex(uint16_t(W.Pictures.size() - 1));
        const auto size = [](int32_t twips) { return std::clamp(twipsToMm(twips), 0.5, 1000.0); };
        ch.Width = size(p.WidthTwips);
        ch.setHeight(size(p.HeightTwips));
    }

    void inlineBreak(uint8_t code)
    {
        TextLine* l = cursorLine();
        if (!l) return;
        AbsatzFormat copy = l->Para;
        if (PendingCell >= 0 && PendingCell < l->CharCount() && l->Chars[size_t(PendingCell)].ParaCopy())
            copy = *l->Chars[size_t(PendingCell)].ParaCopy();
        newChar(code);
        if (code != 13 || W.Cursor.Char < 1) return;
        copy.LeftIndent = copy.RightIndent = 2.5;
        copy.SpaceAbove = copy.SpaceBelow = 0;
        copy.LineSpacing = 1.0;
        copy.LineSpacingMode = 0;
        copy.Tabs.clear();
        copy.BulletFace.reset();
        PendingCell = W.Cursor.Char - 1;
        l->Chars[size_t(PendingCell)].ParaCopy() = copy;
        ParaDone = false;
    }

    // The last CellCount lines become one row when the row's definition
    // names as many cells; otherwise they stay paragraphs.
    void buildRow(const word::RowDef& row)
    {
        const int32_t n = CellCount;
        const int32_t area = W.Cursor.Area, last = W.Cursor.Line;
        if (n <= 0 || n > word::kMaxRowCells || n != row.CellCount || last - n < 0) return;
        std::vector<TextLine>& lines = W.Areas[size_t(area)].Lines;
        const bool defined = row.Centres.size() == size_t(n) + 1;
        double left = 0, right = 0;
        if (defined) {
            left = twipsToMm(row.Centres[0]);
            const TextArea& body = W.Areas[0];
            const int32_t columns = std::max(1, lines[size_t(last - n)].ColumnCount);
            // One inset for the whole row: every cell of a row must carry the same.
            right = (W.PageWidth - body.InnerLeft - body.InnerRight) / columns - left -
                    std::fabs(twipsToMm(row.Centres[size_t(n)] - row.Centres[0]));
        }
        for (int32_t k = 0; k < n; ++k) {
            TextLine& l = lines[size_t(last - n + k)];
            l.IsCell = l.RowFirstRun = l.RowLastRun = 1;
            l.CellsPerRow = n;
            l.CellIndex = k;
            l.EndKind = ekParagraph;
            l.CellInsetLeft = l.CellInsetRight = 0;
            l.CellWidth = 1.0;
            SetStandardCellDesign(l.Design);
            l.Dirty = 1;
            if (!defined) continue;
            l.CellInsetLeft = left;
            l.CellInsetRight = right;
            // Boundaries out of order would give a cell no room, and a row
            // of no width at all divides by zero in layout.
            l.CellWidth = std::clamp(twipsToMm(row.Centres[size_t(k) + 1] - row.Centres[size_t(k)]), 1.0, 5000.0);
            const uint16_t shd = size_t(k) < row.Shading.size() ? row.Shading[size_t(k)] : 0;
            const uint8_t fore = shd & 0x1F, back = (shd >> 5) & 0x1F;
            if (fore || back) {
                l.Design.Background = word::shadeColor(word::icoColor(fore, 0), word::icoColor(back, 0), shd >> 10);
                l.Design.Transparent = 0;
            } else {
                l.Design.Background = 0xFFFFFF;
                l.Design.Transparent = 1;
            }
        }
    }

    void breakLine(int32_t endKind)
    {
        if (!cursorLine()) return;
        readerBreakLine(W, endKind);
        SoftHyphenNext = false;
        PendingCell = -1;
        ParaDone = false;
        if (TextLine* fresh = cursorLine()) reserveChars(*fresh, Cp + 1);
    }

    static bool isBreak(uint8_t c) { return c == 13 || c == 11 || c == 12 || c == 7; }

    // Room for the characters up to the next break of the piece being read,
    // so a line's characters are placed once instead of moved as it grows.
    void reserveChars(TextLine& l, int32_t cp)
    {
        if (!Current || cp < Current->CpFirst || cp >= Current->CpLim || cp >= RangeLim) return;
        const size_t n = size_t(std::min(RangeLim, Current->CpLim) - cp);
        const uint8_t* at = Main.data() + Current->Offset + size_t(cp - Current->CpFirst) * (Current->Wide ? 2 : 1);
        size_t k = 0;
        if (Current->Wide) {
            while (k < n && !(at[2 * k + 1] == 0 && isBreak(at[2 * k]))) ++k;
        } else {
            while (k < n && !isBreak(at[k])) ++k;
        }
        l.Chars.reserve(l.Chars.size() + k);
    }
    void reserveLine(int32_t cp)
    {
        if (TextLine* l = cursorLine()) reserveChars(*l, cp);
    }

    TMDIChild& W;
    const std::vector<uint8_t>& Main;
    std::vector<Piece> Pieces;
    struct OpenField {
        bool InCode = true;   // still in its instruction
        bool Shown = false;   // made a field of ours: its result is dropped
        std::string Code;     // the start of its instruction
    };
    std::vector<OpenField> FieldCodes;  // the open fields, innermost last
    int32_t CodeDepth = 0;              // open fields still in their instruction
    int32_t ShownDepth = 0;             // open fields whose result is dropped
    const std::vector<word::DrawnAnchor>* Drawings = nullptr;
    int32_t DrawingBase = 0;
    std::vector<int32_t> NoteRefs;      // CPs of the footnote marks, ascending
    std::vector<std::pair<int32_t, int32_t>> NoteTexts;
    std::vector<std::pair<int32_t, int32_t>> NotesMade;  // footnote area, footnote index
    bool SoftHyphenNext = false;
    int32_t CellCount = 0;     // cells ended in the row being read
    int32_t PendingCell = -1;  // the current line's inline paragraph end whose copy takes the format
    Formats F;
    uint32_t Fc = 0;
    int32_t Cp = 0;
    word::Sep Page;
    int32_t PapRun = -1, ChpRun = -1;
    const Piece* Current = nullptr;  // the piece being read
    int32_t RangeLim = 0;            // the end of the range being read
    // The paragraph format last written, from which properties to which
    // target; ParaDone false: write it with the next character.
    bool ParaDone = false;
    const Loaded* ParaFrom = nullptr;
    const void* ParaTarget = nullptr;
    std::map<std::pair<int32_t, int32_t>, Loaded> Cache;
    std::map<std::pair<int32_t, uint8_t>, TextChar> Measures;  // measured samples
};

// Title, subject, keywords, comments and author of the document.
void readAssociatedStrings(TMDIChild& w, const std::vector<uint8_t>& table, uint32_t fc, uint32_t lcb)
{
    if (lcb < 4 || uint64_t(fc) + lcb > table.size()) return;
    ByteReader r(table.data() + fc, lcb);
    uint16_t count = r.u16();
    const bool wide = count == 0xFFFF;
    if (wide) count = r.u16();
    const uint16_t extra = r.u16();
    // String i goes to property slot kSlots[i] (Title, Theme, Author, Manager,
    // Company, Category, Keywords, Comment).
    static constexpr int kSlots[7] = {-1, -1, 0, 1, 6, 7, 2};
    for (uint16_t i = 0; i < count && i < 7 && r; ++i) {
        std::string text;
        if (wide) {
            const uint16_t n = r.u16();
            if (!r.fits(n, 2)) break;
            for (uint16_t j = 0; j < n; ++j) {
                const uint16_t c = r.u16();
                const int b = c < 0x80 ? int(c) : unicodeToCp1252(c);
                text += char(b < 0 ? '?' : b);
            }
        } else {
            const uint8_t n = r.u8();
            text = r.str(n);
        }
        r.skip(extra);
        if (r && kSlots[i] >= 0) w.DocProperties[size_t(kSlots[i])] = text;
    }
}

} // namespace

std::string_view wordResultReason(WordResult r)
{
    switch (r) {
    case WordResult::Ok: return {};
    case WordResult::OldVersion: return "the file was written by an older Word version (6.0 or 95), which is not read";
    case WordResult::Encrypted: return "the document is protected by a password";
    case WordResult::BadPieceTable: return "the text of this file is damaged";
    default: return "this file is not a Word 97 document";
    }
}

WordResult ReadWordFile(TMDIChild& w, const uint8_t* data, size_t size)
{
    const std::unique_ptr<word::CompoundFile> file = word::CompoundFile::open(data, size);
    if (!file) return WordResult::NotCompound;
    std::vector<uint8_t> main, table;
    if (!file->readStream("WordDocument", main)) return WordResult::NoMainStream;
    if (main.size() < kWordFibSize) return WordResult::ShortFib;
    const Fib fib = readFib(main);
    if (fib.Nfib < kWord97Nfib) return WordResult::OldVersion;
    if (fib.Flags & 0x0100) return WordResult::Encrypted;
    if (!file->readStream((fib.Flags & 0x0200) ? "1Table" : "0Table", table)) return WordResult::NoTableStream;
    std::vector<Piece> pieces;
    if (!readPieces(table, fib, main.size(), pieces)) return WordResult::BadPieceTable;

    if (w.Areas.empty()) w.NewPage(true);
    if (w.Areas[0].Lines.empty()) w.InsertNewLine(0, 0);
    // The text goes after what the body already holds, as typing at its end would.
    w.Cursor.Area = 0;
    w.Cursor.Line = int32_t(w.Areas[0].Lines.size()) - 1;
    w.Cursor.Char = w.Areas[0].Lines.back().CharCount();
    Formats formats;
    formats.FontNames = word::readFontNames(table, fib.FcFfn, fib.LcbFfn);
    formats.Papx = word::RunFinder(word::readBinTable(table, fib.FcPapx, fib.LcbPapx, main, true));
    formats.Chpx = word::RunFinder(word::readBinTable(table, fib.FcChpx, fib.LcbChpx, main, false));
    formats.Styles = word::readStyleSheet(table, fib.FcStshf, fib.LcbStshf);
    if (fib.LcbDop >= 12 && uint64_t(fib.FcDop) + fib.LcbDop <= table.size()) {
        const int32_t tab = table[fib.FcDop + 10] | (table[fib.FcDop + 11] << 8);
        if (tab > 0) formats.DefaultTab = tab;
        formats.FacingPages = (table[fib.FcDop] & 1) != 0;
    }
    formats.Sections = word::readSections(table, fib.FcSed, fib.LcbSed);
    formats.Lists = word::ListKinds(table, fib.FcLst, fib.LcbLst, fib.FcLfo, fib.LcbLfo);
    formats.HasData = file->readStream("Data", formats.Data);
    formats.MainDrawings = word::readDrawnAnchors(table, fib.FcSpaMom, fib.LcbSpaMom);
    formats.HeaderDrawings = word::readDrawnAnchors(table, fib.FcSpaHdr, fib.LcbSpaHdr);
    if (!formats.MainDrawings.empty() || !formats.HeaderDrawings.empty())
        formats.Art = word::readOfficeArt(table, fib.FcDgg, fib.LcbDgg);
    formats.Table = &table;
    readAssociatedStrings(w, table, fib.FcAssoc, fib.LcbAssoc);
    // The footnotes: their marks' CPs (with a 2-byte descriptor each) and
    // the bounds of their texts, which follow the main text. Marks out of
    // order or texts outside the footnote story are not read.
    std::vector<int32_t> noteRefs;
    std::vector<std::pair<int32_t, int32_t>> noteTexts;
    if (fib.LcbFndRef >= 10 && (fib.LcbFndRef - 4) % 6 == 0 && uint64_t(fib.FcFndRef) + fib.LcbFndRef <= table.size() &&
        uint64_t(fib.FcFndTxt) + fib.LcbFndTxt <= table.size()) {
        const size_t n = (fib.LcbFndRef - 4) / 6;
        ByteReader refs(table.data() + fib.FcFndRef, fib.LcbFndRef);
        ByteReader texts(table.data() + fib.FcFndTxt, fib.LcbFndTxt);
        const int64_t base = std::max(0, fib.CcpText), end = base + std::max(0, fib.CcpFtn);
        int32_t first = texts.i32();
        for (size_t i = 0; i < n; ++i) {
            const int32_t cp = refs.i32(), lim = texts.i32();
            if (!refs || !texts || first < 0 || lim < first || base + lim > end) break;
            if (!noteRefs.empty() && cp <= noteRefs.back()) break;
            noteRefs.push_back(cp);
            noteTexts.emplace_back(int32_t(base + first), int32_t(base + lim));
            first = lim;
        }
    }
    Importer in(w, main, std::move(pieces), std::move(formats));
    in.setUpPage();
    const int32_t textLength = std::max(0, fib.CcpText);
    in.reserveLines(textLength);
    in.setFootnotes(std::move(noteRefs), std::move(noteTexts));
    in.setDrawings(Importer::Drawn::Main, 0);
    in.importRange(0, textLength);
    in.setDrawings(Importer::Drawn::None, 0);
    in.importFootnotes();
    // The header and footer stories of the first section, after the main
    // text and the footnotes.
    if (fib.LcbHdd >= 8 && uint64_t(fib.FcHdd) + fib.LcbHdd <= table.size()) {
        const size_t n = fib.LcbHdd / 4;
        std::vector<int32_t> cps(n);
        ByteReader r(table.data() + fib.FcHdd, fib.LcbHdd);
        for (int32_t& cp : cps) cp = r.i32();
        const int64_t base = int64_t(textLength) + std::max(0, fib.CcpFtn);
        in.setDrawings(Importer::Drawn::Header, int32_t(std::min<int64_t>(base, INT32_MAX)));
        static constexpr int32_t kAreas[6] = {3, 5, 4, 6, 1, 2};
        for (size_t k = 0; k < 6 && k + 7 < n; ++k) {
            const int64_t first = base + cps[k + 6], lim = base + cps[k + 7];
            if (first < 0 || lim <= first || lim > INT32_MAX) continue;
            in.importStory(kAreas[k], int32_t(first), int32_t(lim));
        }
    }
    // Paragraphs were formatted one by one: equal neighbours now hold one block.
    for (TextArea& a : w.Areas) ShareRepeatedFormats(a.Lines);
    return WordResult::Ok;
}

bool OpenWordFile(TMDIChild& w, const std::string& path)
{
    const std::filesystem::path source(path);
    std::vector<uint8_t> bytes;
    std::string reason;
    WordResult result = WordResult::NotCompound;
    if (const FileReadResult read = ReadWholeFile(source, kMaxDocumentBytes, bytes); !read) {
        reason = read.reason;
    } else {
        w.Ui->setStatusText(3, "Open file...");
        try {
            result = ReadWordFile(w, bytes);
            reason = wordResultReason(result);
        } catch (const std::bad_alloc&) {
            result = WordResult::NotCompound;
            reason = kNoMemoryReason;
        }
        bytes = {};
        w.Ui->setStatusText(3, "");
    }
    w.Anchor = w.Cursor = TextPos{};
    w.ClampPositions();
    w.RefreshAfterPaint = 1;
    w.CompleteRefresh();
    if (result != WordResult::Ok) {
        errorBox("Could not open doc file!", fileShownName(source) + ": " + reason);
        return false;
    }
    takeFileName(w, path);
    return true;
}

} // namespace quillet
