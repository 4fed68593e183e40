// The RTF writer: 8-bit text with control words, the document's own bytes
// (braces and backslashes escaped), pictures as hex metafile data.

#include "formats/rtf/Rtf.h"
#include "formats/rtf/Wmf.h"

#include "engine/Childwin.h"
#include "engine/DocWalk.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

namespace quillet {

namespace {

constexpr double kMmPerInch = 25.39995;
// Lengths convert with truncation toward zero; a length beyond what any
// page holds cannot overflow the 32-bit number. A length read from twips
// comes back a hair below its whole number of twips, so a millionth of a
// twip is allowed for, or every save would take one twip off.
int64_t twips(double mm)
{
    if (!std::isfinite(mm)) return 0;
    const double t = std::clamp(mm, -1.0e6, 1.0e6) * 1440.0 / kMmPerInch;
    return int64_t(std::trunc(t + std::copysign(1e-6, t)));
}
// A character's size is held as a float, which may sit up to half a float
// step below the whole twips it was read at: that much is allowed for too.
int64_t floatTwips(float mm)
{
    return twips(double(mm) * (1.0 + 0x1p-23));
}

class Writer {
public:
    explicit Writer(const TMDIChild& w) : W(w) {}
    std::string run();

private:
    void collectFonts();
    void collectColors();
    int32_t fontNumber(const std::string& face) const;
    int32_t colorIndex(uint32_t c) const;
    void word(std::string_view control, int64_t value) { Out += control; Out += std::to_string(value); }
    void escaped(std::string_view text);
    void endLine() { Out += "\r\n"; }
    void body(int32_t area);
    void paragraphHeader(const TextLine& l, const AbsatzFormat& f, bool inTable);
    void rowDefinition(const std::vector<const TextLine*>& lines, size_t first);
    void characterFormat(const FontEntry& f);
    void characters(const TextLine& l);
    void character(const TextChar& c);
    void picture(const TextChar& c);
    void footnote(const TextChar& c);
    void field(const TextChar& c);
    void shapesOf(const TextLine& l);
    void shape(int32_t area);
    std::vector<const TextLine*> flowLines(int32_t area) const;

    const TMDIChild& W;
    std::string Out;
    std::vector<std::string> Fonts;
    std::vector<uint32_t> Colors;
    std::optional<FontEntry> Last;
    int32_t Columns = 1, ColumnRule = 0;
    int32_t BodyDepth = 0;
    std::vector<bool> ShapeWritten;
};

int32_t Writer::fontNumber(const std::string& face) const
{
    const auto it = std::find(Fonts.begin(), Fonts.end(), face);
    return it == Fonts.end() ? 0 : int32_t(it - Fonts.begin());
}

int32_t Writer::colorIndex(uint32_t c) const
{
    // Entry 0 is the automatic colour; ours start at 1.
    const auto it = std::find(Colors.begin(), Colors.end(), c & 0xFFFFFF);
    return it == Colors.end() ? 1 : int32_t(it - Colors.begin()) + 1;
}

void Writer::collectFonts()
{
    auto add = [this](const std::string& face) {
        if (std::find(Fonts.begin(), Fonts.end(), face) == Fonts.end()) Fonts.push_back(face);
    };
    for (const FontEntry& f : W.Fonts) add(f.Face);
    for (const TextArea& a : W.Areas)
        for (const TextLine& l : a.Lines)
            if (l.Para->ListKind == 1) add(l.Para->BulletFace ? *l.Para->BulletFace : std::string("Wingdings"));
    if (Fonts.empty()) Fonts.push_back("Times New Roman");
}

void Writer::collectColors()
{
    auto add = [this](uint32_t c) {
        c &= 0xFFFFFF;
        if (std::find(Colors.begin(), Colors.end(), c) == Colors.end()) Colors.push_back(c);
    };
    add(0x000000);
    add(0xFFFFFF);
    for (const FontEntry& f : W.Fonts) {
        add(f.Color);
        add(f.BkColor);
        add(f.ShadowColor);
        add(f.OutlineColor);
    }
    for (const TextArea& a : W.Areas) {
        add(a.FillColor);
        add(a.BorderColor);
    }
    for (const TextArea& a : W.Areas)
        for (const TextLine& l : a.Lines)
            if (l.IsCell) {
                for (const int side : {bsLeft, bsTop, bsBottom, bsRight}) add(l.Design.BorderColor[size_t(side)]);
                add(l.Design.Background);
            }
}

void Writer::escaped(std::string_view text)
{
    static const char kHex[] = "0123456789abcdef";
    for (const char c : text) {
        const uint8_t b = uint8_t(c);
        if (b >= 0x80) {
            // Eight-bit bytes as escapes: readers that take RTF as 7-bit
            // text drop raw ones.
            Out += "\\'";
            Out += kHex[b >> 4];
            Out += kHex[b & 15];
            continue;
        }
        if (c == '{' || c == '}' || c == '\\') Out += '\\';
        Out += c;
    }
}

std::vector<const TextLine*> Writer::flowLines(int32_t area) const
{
    std::vector<const TextLine*> lines;
    std::vector<bool> seen(W.Areas.size());
    for (int32_t a = area; validIndex(a, W.Areas.size()) && !seen[size_t(a)]; a = W.Areas[size_t(a)].NextInFlow) {
        seen[size_t(a)] = true;
        for (const TextLine& l : W.Areas[size_t(a)].Lines) lines.push_back(&l);
    }
    return lines;
}

std::string Writer::run()
{
    if (W.Areas.empty()) return {};
    collectFonts();
    collectColors();
    ShapeWritten.assign(W.Areas.size(), false);
    Out += "{\\rtf1\\ansi\\ansicpg1252";
    Out += "{\\fonttbl";
    for (size_t i = 0; i < Fonts.size(); ++i) {
        Out += "{\\f" + std::to_string(i) + "\\fnil ";
        escaped(Fonts[i]);
        Out += ";}";
        endLine();
    }
    Out += "}";
    endLine();
    // An empty first entry: index 0 means "automatic" to other readers,
    // and a background of 0 must not read as black.
    Out += "{\\colortbl;";
    for (const uint32_t c : Colors) {
        word("\\red", c & 0xFF);
        word("\\green", (c >> 8) & 0xFF);
        word("\\blue", (c >> 16) & 0xFF);
        Out += ";";
    }
    Out += "}";
    endLine();
    // Info strings are escaped like text: a brace in a title would
    // otherwise end the group early and make the file unreadable.
    static const char* const kInfo[8] = {"title", "subject", "author", "operator",
                                         "company", "category", "keywords", "comment"};
    Out += "{\\info";
    for (size_t i = 0; i < 8; ++i) {
        Out += "{\\";
        Out += kInfo[i];
        Out += ' ';
        escaped(W.DocProperties[i]);
        Out += "}";
    }
    Out += "}";
    endLine();
    const TextArea& body0 = W.Areas[0];
    word("\\paperw", twips(W.PageWidth));
    word("\\paperh", twips(W.PageHeight));
    word("\\margl", twips(body0.InnerLeft));
    word("\\margr", twips(body0.InnerRight));
    word("\\margt", twips(body0.InnerTop));
    word("\\margb", twips(body0.InnerBottom));
    Out += "\\sectd";
    word("\\headery", W.AreaCount() > 1 ? twips(W.Areas[1].InnerTop) : 720);
    word("\\footery", W.AreaCount() > 2 ? twips(W.Areas[2].InnerBottom) : 720);
    Out += "\\deftab720\\ftnbj\\sbknone";
    endLine();
    auto group = [&](std::string_view open, int32_t area) {
        if (!validIndex(area, W.Areas.size())) return;
        Out += open;
        body(area);
        Out += "}";
    };
    const int mode = W.AreaCount() > 6 ? W.Areas[6].PageMode : 1;
    switch (mode) {
    case 2:
        group("\\titlepg{\\headerf", 1); group("{\\footerf", 2); group("{\\header", 5); group("{\\footer", 6);
        break;
    case 4:
        group("\\facingp{\\headerl", 3); group("{\\footerl", 4); group("{\\headerr", 5); group("{\\footerr", 6);
        break;
    case 6:
        group("\\facingp\\titlepg{\\headerf", 1); group("{\\footerf", 2); group("{\\headerl", 3);
        group("{\\footerl", 4); group("{\\headerr", 5); group("{\\footerr", 6);
        break;
    default: group("{\\header", 5); group("{\\footer", 6); break;
    }
    endLine();
    body(0);
    Out += "}";
    endLine();
    return std::move(Out);
}

void Writer::paragraphHeader(const TextLine& l, const AbsatzFormat& f, bool inTable)
{
    Out += "\\pard\\plain ";
    Last.reset();
    if (inTable) Out += "\\intbl";
    static const char* const kAlign[4] = {"\\ql", "\\qc", "\\qr", "\\qj"};
    Out += kAlign[f.Alignment <= 3 ? f.Alignment : 0];
    if (twips(f.FirstLineIndent) != 0) word("\\fi", twips(f.FirstLineIndent));
    if (!inTable) {
        if (twips(f.LeftIndent) != 0) word("\\li", twips(f.LeftIndent));
        if (twips(f.RightIndent) != 0) word("\\ri", twips(f.RightIndent));
    }
    if (twips(f.SpaceAbove) != 0) word("\\sb", twips(f.SpaceAbove));
    if (twips(f.SpaceBelow) != 0) word("\\sa", twips(f.SpaceBelow));
    if (f.LineSpacingMode == 0 && std::isfinite(f.LineSpacing))
        word("\\sl", int64_t(std::trunc(240 * std::clamp(f.LineSpacing, 0.0, 100.0))));
    word("\\deftab", twips(f.DefaultTabStep));
    for (const TabStop& t : f.Tabs) {
        if (t.Kind == 1) Out += "\\tqc";
        else if (t.Kind == 2) Out += "\\tqr";
        else if (t.Kind == 3) Out += "\\tqdec";
        if (t.Leader == 1) Out += "\\tlhyph";
        else if (t.Leader == 2) Out += "\\tldot";
        else if (t.Leader == 3) Out += "\\tlul";
        word("\\tx", twips(t.Position));
    }
    Out += ' ';
    // List marks stand before the paragraph's text, as a mark group that
    // readers without lists show and a numbering group that readers with
    // lists (ours too) make the list from instead; a bare mark would come
    // back as text before the item, one more with every save.
    if (f.ListKind == 1) {
        FontEntry mark;
        mark.Face = f.BulletFace ? *f.BulletFace : "Wingdings";
        mark.Size = 12;
        mark.Color = 0;
        mark.Style = 0;
        mark.Options = 0;
        mark.BkColor = 0xFFFFFF;
        mark.BkTransparent = 1;
        static const char kHex[] = "0123456789abcdef";
        const std::string bullet = std::string("\\'") + kHex[f.BulletChar >> 4] + kHex[f.BulletChar & 15];
        Out += "{\\pntext";
        Last.reset();
        characterFormat(mark);
        Out += bullet + "\\tab}{\\*\\pn\\pnlvlblt";
        word("\\pnf", fontNumber(mark.Face));
        word("\\pnindent", twips(f.ListIndent));
        Out += "{\\pntxtb" + bullet + "}}";
        Last.reset();
    } else if (f.ListKind == 2) {
        FontEntry mark;
        if (!l.Chars.empty() && validIndex(l.Chars[0].FontIndex(), W.Fonts.size()))
            mark = W.Fonts[size_t(l.Chars[0].FontIndex())];
        Out += "{\\pntext";
        Last.reset();
        characterFormat(mark);
        Out += std::to_string(f.ItemNumber) + ".\\tab}{\\*\\pn\\pnlvlbody\\pndec";
        word("\\pnindent", twips(f.ListIndent));
        Out += "{\\pntxta .}}";
        Last.reset();
    }
}

void Writer::rowDefinition(const std::vector<const TextLine*>& lines, size_t first)
{
    const TextLine& l0 = *lines[first];
    const int32_t n = std::max(1, l0.CellsPerRow);
    Out += "\\trowd";
    word("\\trleft", twips(l0.CellInsetLeft));
    double edge = l0.CellInsetLeft;
    static const char* const kSide[4] = {"\\clbrdrl", "\\clbrdrt", "\\clbrdrb", "\\clbrdrr"};
    for (int32_t i = 0; i < n && first + size_t(i) < lines.size(); ++i) {
        const TextLine& c = *lines[first + size_t(i)];
        for (const int side : {bsLeft, bsTop, bsBottom, bsRight}) {
            if (!c.Design.BorderOn[size_t(side)]) continue;
            // A border needs its style word: without one other readers draw none.
            Out += kSide[side];
            Out += "\\brdrs";
            word("\\brdrcf", colorIndex(c.Design.BorderColor[size_t(side)]));
            word("\\brdrw", int64_t(std::trunc(std::clamp(c.Design.BorderWidth[size_t(side)], 0.0, 100.0) * 20)));
        }
        if (!c.Design.Transparent || (c.Design.Background & 0xFFFFFF) != 0xFFFFFF)
            word("\\clcbpat", colorIndex(c.Design.Background));
        edge += c.CellWidth;
        word("\\cellx", twips(edge));
    }
}

void Writer::characterFormat(const FontEntry& f)
{
    const size_t before = Out.size();
    const bool all = !Last.has_value();
    const FontEntry& p = all ? f : *Last;
    if (all || p.Face != f.Face) word("\\f", fontNumber(f.Face));
    if (all || p.Size != f.Size) word("\\fs", int64_t(std::trunc(std::clamp(f.Size, 0.0, 1638.0) * 2)));
    if (all || p.Style != f.Style) {
        word("\\b", f.Style & 1);
        word("\\i", (f.Style >> 1) & 1);
        word("\\strike", (f.Style >> 3) & 1);
    }
    if (all || p.Options != f.Options) {
        word("\\shad", GettingOps(f.Options, foShaded));
        word("\\scaps", GettingOps(f.Options, foSmallCaps));
        word("\\caps", GettingOps(f.Options, foCapitals));
        if (GettingOps(f.Options, foDoubleUnderline)) Out += "\\uldb";
        else if (GettingOps(f.Options, foWordUnderline)) Out += "\\ulw";
        else if (GettingOps(f.Options, foUnderline) || (f.Style & 4)) Out += "\\ul";
        else Out += "\\ulnone";
        if (GettingOps(f.Options, foSuperscript)) Out += "\\super";
        else if (GettingOps(f.Options, foSubscript)) Out += "\\sub";
        else Out += "\\nosupersub";
    }
    if (all || p.Color != f.Color) word("\\cf", colorIndex(f.Color));
    if (all || p.BkColor != f.BkColor || p.BkTransparent != f.BkTransparent) {
        // After "plain" there is no background to turn off; writing one
        // anyway makes some readers paint colour 0 behind the text.
        const bool none = f.BkTransparent && (f.BkColor & 0xFFFFFF) == 0xFFFFFF;
        if (!none) word("\\chcbpat", colorIndex(f.BkColor));
        else if (!all) Out += "\\cb0";
    }
    Last = f;
    if (Out.size() != before) Out += ' ';
}

void Writer::picture(const TextChar& c)
{
    if (c.PictureIndex() >= W.Pictures.size()) return;
    const Dib& pic = W.Pictures[c.PictureIndex()];
    const std::vector<uint8_t> wmf = metafileOfPicture(pic);
    if (wmf.empty()) return;
    Out += "{\\pict";
    word("\\picw", dibwidth(pic));
    word("\\pich", dibheight(pic));
    word("\\picwgoal", floatTwips(c.Width));
    word("\\pichgoal", floatTwips(c.Height()));
    Out += "\\wmetafile1 ";
    static const char kHex[] = "0123456789abcdef";
    Out.reserve(Out.size() + wmf.size() * 2 + 2);
    for (const uint8_t b : wmf) {
        Out += kHex[b >> 4];
        Out += kHex[b & 15];
    }
    Out += "}";
}

void Writer::footnote(const TextChar& c)
{
    Out += "{\\super\\chftn}{\\footnote";
    const int32_t area = W.GetFootNoteField(c.FootnoteId());
    if (area >= 0) body(area);
    Out += "}";
}

void Writer::field(const TextChar& c)
{
    const std::string code = c.FieldCode() ? *c.FieldCode() : std::string();
    const std::string result = c.FieldResult() ? *c.FieldResult() : std::string();
    if (code.rfind("FormField", 0) == 0) {
        // A form field keeps its name and its text as the form field group.
        const std::string name = code.substr(9);
        Out += "{\\field{\\*\\fldinst{ FORMTEXT {\\*\\formfield{\\ffname ";
        escaped(name);
        Out += "}";
        if (result != "{" + name + "}") {
            Out += "{\\ffdeftext ";
            escaped(result);
            Out += "}";
        }
        Out += "}}}{\\fldrslt ";
        escaped(result);
        Out += "}}";
        return;
    }
    escaped(result);
}

void Writer::character(const TextChar& c)
{
    if (c.Kind == ckFootnoteRef) {
        footnote(c);
        return;
    }
    if (validIndex(c.FontIndex(), W.Fonts.size())) characterFormat(W.Fonts[size_t(c.FontIndex())]);
    switch (c.Kind) {
    case ckPicture: picture(c); return;
    case ckField: field(c); return;
    case ckFootnoteNumber: Out += "{\\super\\chftn}"; return;
    default: break;
    }
    if (c.Code == 9) Out += "\\tab ";
    else if (c.Code == 13) Out += "\\par ";
    else if (c.Code == 14) Out += "\\line ";
    else if (c.Code == 15) Out += "\\page ";
    else if (c.Code >= 32) escaped(std::string_view(reinterpret_cast<const char*>(&c.Code), 1));
}

void Writer::characters(const TextLine& l)
{
    for (const TextChar& c : l.Chars) {
        // An inline paragraph end inside a cell starts the next paragraph
        // with the format it carries.
        if (l.IsCell && c.Kind == ckText && c.Code == 13) {
            Out += "\\par";
            paragraphHeader(l, c.ParaCopy() ? *c.ParaCopy() : l.Para.get(), true);
            continue;
        }
        character(c);
    }
}

void Writer::shape(int32_t index)
{
    const TextArea& a = W.Areas[size_t(index)];
    const double ox = a.AnchorOffsetX, oy = a.AnchorOffsetY;
    double left = ox, top = oy, right = a.Right - a.Left + ox, bottom = a.Bottom - a.Top + oy;
    int shapeType = 202;
    switch (a.AreaType) {
    case atRectangle: shapeType = 1; break;
    case atEllipse: shapeType = 3; break;
    case atLine: shapeType = 20; break;
    case atHLine: top = bottom = oy + (a.Bottom - a.Top) / 2; shapeType = 20; break;
    case atVLine: left = right = ox + (a.Right - a.Left) / 2; shapeType = 20; break;
    case atGraphic: shapeType = 75; break;
    default: break;
    }
    Out += "{\\shp{\\*\\shpinst";
    word("\\shpleft", twips(left));
    word("\\shptop", twips(top));
    word("\\shpright", twips(right));
    word("\\shpbottom", twips(bottom));
    Out += "\\shpbxcolumn\\shpbypara";
    Out += a.WrapText ? "\\shpwr2\\shpwrk0" : "\\shpwr3\\shpwrk0";
    auto prop = [this](std::string_view name, int64_t value) {
        Out += "{\\sp{\\sn ";
        Out += name;
        Out += "}{\\sv " + std::to_string(value) + "}}";
    };
    prop("shapeType", shapeType);
    if (a.BorderWidth != 0 && a.AreaType != atGraphic) {
        prop("fLine", 1);
        prop("lineWidth", int64_t(std::trunc(std::clamp(a.BorderWidth, 0.0, 1000.0) * 12700)));
        prop("lineColor", a.BorderColor & 0xFFFFFF);
    } else {
        prop("fLine", 0);
    }
    if ((a.Transparent && (a.FillColor & 0xFFFFFF) == 0xFFFFFF) || a.AreaType == atGraphic) {
        prop("fFilled", 0);
    } else {
        prop("fFilled", 1);
        prop("fillColor", a.FillColor & 0xFFFFFF);
    }
    if (a.AreaType >= atLine && a.AreaType <= atVLine) {
        prop("fFlipH", a.Rising ? 1 : 0);
        prop("fFlipV", 0);
    }
    auto emu = [](double mm) { return int64_t(std::trunc(std::clamp(mm, -1.0e5, 1.0e5) * 914400 / kMmPerInch)); };
    if (a.AreaType == atTextFrame) {
        prop("DxTextLeft", emu(a.InnerLeft));
        prop("DyTextTop", emu(a.InnerTop));
        prop("DxTextRight", emu(a.InnerRight));
        prop("DyTextBottom", emu(a.InnerBottom));
        Out += "{\\shptxt ";
        if (a.PrevInFlow == -1) body(index);
        Out += "}";
    } else if (a.AreaType == atGraphic) {
        for (const TextLine& l : a.Lines)
            for (const TextChar& c : l.Chars)
                if (c.Kind == ckPicture) {
                    Out += "{\\sp{\\sn pib}{\\sv ";
                    picture(c);
                    Out += "}}";
                    goto written;
                }
    written:;
    }
    Out += "}}";
}

void Writer::shapesOf(const TextLine& l)
{
    if (l.AnchorId == 0) return;
    for (int32_t i = 0; i < W.AreaCount(); ++i) {
        const TextArea& a = W.Areas[size_t(i)];
        if (a.AnchorId != l.AnchorId || a.AreaType <= atFooter || ShapeWritten[size_t(i)]) continue;
        ShapeWritten[size_t(i)] = true;
        shape(i);
    }
}

void Writer::body(int32_t area)
{
    // A nested body (footnote, frame) is read inside its own group, which
    // the reader closes by restoring the format from before it: the format
    // written after it must not rely on what the group wrote.
    const std::optional<FontEntry> outer = Last;
    const int32_t outerColumns = Columns, outerRule = ColumnRule;
    if (++BodyDepth > 8) {
        --BodyDepth;
        return;
    }
    Out += "{";
    const std::vector<const TextLine*> lines = flowLines(area);
    bool firstParagraph = true;
    const TextLine* previous = nullptr;
    size_t i = 0;
    while (i < lines.size()) {
        const TextLine& l = *lines[i];
        if (l.IsCell && l.CellIndex == 0 && l.RowFirstRun && l.CellsPerRow >= 1) {
            // A table row: all its runs, cell by cell.
            const size_t n = size_t(std::max(1, l.CellsPerRow));
            size_t end = i;
            while (end + n <= lines.size()) {
                const TextLine& run = *lines[end];
                end += n;
                if (run.RowLastRun || !run.IsCell) break;
            }
            if (end > lines.size()) end = lines.size();
            endLine();
            // A row right after a paragraph closes it; after another row
            // nothing is needed, "row" already ended that one.
            if (!firstParagraph && !(previous && previous->IsCell)) Out += previous && previous->EndKind == ekPageBreak ? "\\page" : "\\par";
            firstParagraph = false;
            rowDefinition(lines, i);
            for (size_t c = 0; c < n && i + c < lines.size(); ++c) {
                paragraphHeader(*lines[i + c], lines[i + c]->Para, true);
                for (size_t r = i + c; r < end; r += n) {
                    characters(*lines[r]);
                    if (area == 0) shapesOf(*lines[r]);
                }
                Out += c + 1 == n ? "\\cell\\pard\\row " : "\\cell ";
            }
            previous = lines[end - 1];
            i = end;
            continue;
        }
        const bool starts = !previous || previous->IsCell || previous->EndKind == ekParagraph ||
                            previous->EndKind == ekPageBreak;
        if (starts) {
            endLine();
            if (!firstParagraph && !(previous && previous->IsCell))
                Out += previous->EndKind == ekPageBreak ? "\\page" : "\\par";
            const int32_t n = std::max(1, l.ColumnCount);
            if (n != Columns || l.ColumnRule != ColumnRule) {
                word("\\sect\\sectd\\sbknone\\cols", n);
                word("\\colsx", twips(l.ColumnGap));
                if (l.ColumnRule > 0) Out += "\\linebetcol";
                Columns = n;
                ColumnRule = l.ColumnRule;
            }
            firstParagraph = false;
            paragraphHeader(l, l.Para, false);
        } else if (previous && previous->EndKind == ekLineBreak) {
            Out += "\\line ";
        }
        characters(l);
        if (area == 0) shapesOf(l);
        previous = &l;
        ++i;
    }
    Out += "}";
    endLine();
    Last = outer;
    Columns = outerColumns;
    ColumnRule = outerRule;
    --BodyDepth;
}

} // namespace

std::string WriteRtfFile(const TMDIChild& w)
{
    Writer writer(w);
    return writer.run();
}

} // namespace quillet
