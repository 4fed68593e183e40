#include "formats/rtf/RtfKeywords.h"

#include <string>
#include <unordered_map>

namespace quillet::rtf {

namespace {

using K = KeywordKind;
using D = Destination;
using P = Prop;

constexpr Keyword ch(std::string_view t, uint8_t code) { return {t, 0, false, K::Character, code}; }
constexpr Keyword dest(std::string_view t, D d, int32_t def = 0) { return {t, def, def != 0, K::Destination, uint8_t(d)}; }
constexpr Keyword prop(std::string_view t, P p, int32_t def, bool useDefault = false)
{
    return {t, def, useDefault, K::Property, uint8_t(p)};
}
constexpr Keyword special(std::string_view t, Special s) { return {t, 0, false, K::Special, uint8_t(s)}; }

const Keyword kTable[] = {
    prop("scaps", P::SmallCaps, 1), prop("caps", P::Caps, 1), prop("super", P::Super, 1), prop("sub", P::Sub, 1),
    prop("nosupersub", P::NoSuperSub, 0, true), prop("shad", P::Shadow, 1), prop("highlight", P::Highlight, 0),
    dest("fldrslt", D::FieldResult), dest("field", D::Field), dest("fldinst", D::FieldInstruction),
    dest("formfield", D::FormField), dest("ffname", D::FormFieldName), dest("ffdeftext", D::FormFieldDefault),
    prop("shpbxpage", P::ShapeXPage, 0), prop("shpbypage", P::ShapeYPage, 0), prop("shpbxmargin", P::ShapeXMargin, 0),
    prop("shpbymargin", P::ShapeYMargin, 0), prop("shpbxcolumn", P::ShapeXColumn, 0),
    prop("shpbypara", P::ShapeYPara, 0), dest("sv", D::ShapeValue), dest("sn", D::ShapeName),
    dest("sp", D::ShapeProperty), prop("shpwr", P::ShapeWrap, 0), prop("shpleft", P::ShapeLeft, 0),
    prop("shptop", P::ShapeTop, 0), prop("shpbottom", P::ShapeBottom, 0), prop("shpright", P::ShapeRight, 0),
    dest("shpinst", D::ShapeInstance), dest("shptxt", D::Keep), dest("shp", D::Shape), dest("shpgrp", D::ShapeGroup),
    prop("wmetafile", P::MapMode, 8), prop("picw", P::PicWidth, 1440), prop("pich", P::PicHeight, 1440),
    prop("picwgoal", P::PicGoalWidth, 1440), prop("pichgoal", P::PicGoalHeight, 1440), dest("info", D::Info),
    dest("title", D::Info, 1), dest("subject", D::Info, 2), dest("author", D::Info, 3), dest("operator", D::Info, 4),
    dest("company", D::Info, 5), dest("category", D::Info, 6), dest("keywords", D::Info, 7),
    dest("comment", D::Info, 8), prop("headery", P::HeaderY, 720), prop("footery", P::FooterY, 720),
    prop("linebetcol", P::LineBetween, 1), prop("cols", P::Cols, 1), prop("colsx", P::ColumnGap, 720),
    prop("sb", P::SpaceBefore, 0), prop("sa", P::SpaceAfter, 0), prop("sl", P::LineSpacing, 240),
    prop("tqr", P::TabKind, 2, true), prop("tqc", P::TabKind, 1, true), prop("tqdec", P::TabKind, 3, true),
    prop("tldot", P::TabLeader, 2, true), prop("tlhyph", P::TabLeader, 1, true), prop("tlul", P::TabLeader, 3, true),
    prop("tlth", P::TabLeader, 1, true), prop("tleq", P::TabLeader, 1, true), prop("tx", P::Tx, 720),
    prop("deftab", P::DefTab, 720), prop("brdrw", P::BorderWidth, 0), prop("brdrcf", P::BorderColor, 0),
    prop("clshdng", P::CellShading, 0), prop("clcbpat", P::CellPattern, 0), prop("clbrdrr", P::CellBorderRight, 0),
    prop("clbrdrl", P::CellBorderLeft, 0), prop("clbrdrt", P::CellBorderTop, 0),
    prop("clbrdrb", P::CellBorderBottom, 0), prop("cellx", P::CellX, 1440), prop("trleft", P::RowLeft, 1440),
    prop("trowd", P::Trowd, 0), prop("row", P::Row, 0), prop("cell", P::Cell, 0), prop("plain", P::Plain, 1),
    prop("pard", P::Pard, 1), prop("sectd", P::Sectd, 1), dest("colortbl", D::ColorTable), prop("red", P::Red, 0),
    prop("green", P::Green, 0), prop("blue", P::Blue, 0), dest("fonttbl", D::FontTable), prop("f", P::Font, 0),
    prop("cf", P::Foreground, 0), prop("cb", P::Background, 0), prop("chcbpat", P::Background, 0),
    prop("fs", P::FontSize, 24), prop("b", P::Bold, 1), prop("strike", P::Strike, 1), prop("striked", P::Strike, 1),
    prop("ul", P::Underline, 1), prop("uld", P::Underline, 1), prop("uldb", P::Underline, 2),
    prop("uldash", P::Underline, 1), prop("uldashd", P::Underline, 1), prop("uldashdd", P::Underline, 1),
    prop("ulth", P::Underline, 1), prop("ulw", P::Underline, 3), prop("ulwave", P::Underline, 1),
    prop("ulnone", P::Underline, 0), prop("i", P::Italic, 1), prop("li", P::LeftIndent, 0),
    prop("ri", P::RightIndent, 0), prop("fi", P::FirstIndent, 0), prop("sbknone", P::SectionBreak, 0, true),
    prop("sbkcol", P::SectionBreak, 1, true), prop("sbkeven", P::SectionBreak, 2, true),
    prop("sbkodd", P::SectionBreak, 3, true), prop("sbkpage", P::SectionBreak, 4, true),
    prop("pgnx", P::PageNumberX, 0), prop("pgny", P::PageNumberY, 0), prop("pgndec", P::PageNumberFormat, 0, true),
    prop("pgnucrm", P::PageNumberFormat, 1, true), prop("pgnlcrm", P::PageNumberFormat, 2, true),
    prop("pgnucltr", P::PageNumberFormat, 3, true), prop("pgnlcltr", P::PageNumberFormat, 4, true),
    prop("qc", P::Alignment, 2, true), prop("ql", P::Alignment, 0, true), prop("qr", P::Alignment, 1, true),
    prop("qj", P::Alignment, 3, true), prop("paperw", P::PaperWidth, 12240), prop("paperh", P::PaperHeight, 15480),
    prop("margl", P::MarginLeft, 1800), prop("margr", P::MarginRight, 1800), prop("margt", P::MarginTop, 1440),
    prop("margb", P::MarginBottom, 1440), prop("pgnstart", P::PageStart, 1, true),
    prop("facingp", P::FacingPages, 1, true), prop("titlepg", P::TitlePage, 1, true),
    prop("landscape", P::Landscape, 1, true), ch("par", 10), ch("line", 11), ch("page", 12), ch("\n", 10),
    ch("\r", 10), ch("tab", 9), ch("ldblquote", 34), ch("rdblquote", 34), special("bin", Special::Bin),
    special("*", Special::Star), special("'", Special::Hex), dest("buptim", D::Skip), dest("creatim", D::Skip),
    dest("doccomm", D::Skip), dest("footer", D::Footer), dest("footerf", D::FooterFirst),
    dest("footerl", D::FooterLeft), dest("footerr", D::FooterRight), dest("footnote", D::Footnote),
    dest("ftncn", D::Skip), dest("ftnsep", D::Skip), dest("ftnsepc", D::Skip), dest("header", D::Header),
    dest("headerf", D::HeaderFirst), dest("headerl", D::HeaderLeft), dest("headerr", D::HeaderRight),
    dest("pict", D::Picture), dest("printim", D::Skip), dest("private1", D::Skip), dest("revtim", D::Skip),
    dest("rxe", D::Skip), dest("stylesheet", D::Skip), dest("tc", D::Skip), dest("txe", D::Skip),
    dest("xe", D::Skip), ch("{", 123), ch("}", 125), ch("\\", 92),
    // Typographic characters every writer uses, as Windows-1252 bytes.
    ch("rquote", 0x92), ch("lquote", 0x91), ch("endash", 0x96), ch("emdash", 0x97), ch("bullet", 0x95),
    ch("~", 0xA0), ch("_", '-'), ch("enspace", ' '), ch("emspace", ' '), prop("-", P::SoftHyphen, 0, true),
    special("u", Special::Unicode), prop("intbl", P::InTable, 1, true), prop("uc", P::UnicodeSkip, 1),
    // A border style that draws nothing turns the cell side off again.
    prop("brdrnone", P::BorderNone, 0, true), prop("brdrnil", P::BorderNone, 0, true),
    prop("brdrtbl", P::BorderNone, 0, true),
    // Picture kinds: the picture layer reads these besides metafiles.
    prop("pngblip", P::BlipPng, 0, true), prop("jpegblip", P::BlipJpeg, 0, true),
    prop("emfblip", P::BlipOther, 0, true), prop("macpict", P::BlipOther, 0, true),
    prop("dibitmap", P::BlipOther, 0, true), prop("wbitmap", P::BlipOther, 0, true),
    // Plain-text stand-ins for pictures that readers who know the real
    // thing skip; we read the real thing.
    dest("nonshppict", D::Skip), dest("shprslt", D::Skip), dest("shppict", D::Keep),
    // Lists: the list table, its overrides, and what a paragraph names.
    dest("listtable", D::ListTable), dest("list", D::List), dest("listlevel", D::ListLevel),
    dest("leveltext", D::LevelText), dest("levelnumbers", D::Skip), dest("listname", D::Skip),
    dest("lfolevel", D::Skip), dest("listoverridetable", D::ListOverrideTable),
    dest("listoverride", D::ListOverride), prop("listid", P::ListId, 0), prop("listsimple", P::ListSimple, 1),
    prop("levelnfc", P::LevelFormat, 0), prop("levelnfcn", P::LevelFormat, 0), prop("ls", P::ListOverrideIndex, 0),
    prop("ilvl", P::ListLevelIndex, 0),
    // The older paragraph numbering group.
    dest("pn", D::Numbering), dest("pntxtb", D::NumberingText), dest("pntxta", D::Skip),
    prop("pnlvlblt", P::NumberingKind, 1, true), prop("pnlvlbody", P::NumberingKind, 2, true),
    prop("pnlvl", P::NumberingKind, 2, true), prop("pnlvlcont", P::NumberingKind, 0, true),
    prop("pnf", P::NumberingFont, 0), prop("pnindent", P::NumberingIndent, 0),
    // The mark as the writer showed it; the paragraph's list gets it.
    dest("listtext", D::ListText), dest("pntext", D::ListText),
    // Tables inside table cells: their cells and rows run on inside the
    // outer cell; their row definitions are not the outer row's.
    prop("nestcell", P::NestCell, 0, true), prop("nestrow", P::NestRow, 0, true),
    dest("nesttableprops", D::Skip),
};

} // namespace

const Keyword* findKeyword(std::string_view word)
{
    static const std::unordered_map<std::string_view, const Keyword*> index = [] {
        std::unordered_map<std::string_view, const Keyword*> m;
        for (const Keyword& k : kTable) m.emplace(k.Text, &k);  // the first row of a word wins
        return m;
    }();
    const auto it = index.find(word);
    return it == index.end() ? nullptr : it->second;
}

} // namespace quillet::rtf
