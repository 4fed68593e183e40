#pragma once
// The control words the RTF reader knows, and what each one does.

#include <cstdint>
#include <string_view>

namespace quillet::rtf {

enum class KeywordKind : uint8_t { Character, Destination, Property, Special };

// Where the text of a group goes.
enum class Destination : uint8_t {
    Text, Skip, ColorTable, FontTable, Footer, FooterFirst, FooterLeft, FooterRight, Header, HeaderFirst,
    HeaderLeft, HeaderRight, Info, Picture, Shape, ShapeInstance, ShapeGroup, ShapeProperty, ShapeValue,
    ShapeName, Footnote, FormField, FormFieldName, FormFieldDefault, Field, FieldInstruction, FieldResult,
    // Entered by words that only name a destination without changing where
    // text goes ("shptxt", "shppict").
    Keep,
    // Lists: the table of list definitions and their levels, the overrides
    // that paragraphs name, a paragraph's own numbering group and its mark
    // text, and the visible mark that stands before a list paragraph.
    ListTable, List, ListLevel, LevelText, ListOverrideTable, ListOverride, Numbering, NumberingText, ListText,
};

enum class Special : uint8_t { Bin, Hex, Star, Unicode };

// Property rows. The first group store into the formatting blocks; the
// rest act through the reader's special handler.
enum class Prop : uint8_t {
    Bold, Italic, Underline, LeftIndent, RightIndent, FirstIndent, Cols, PageNumberX, PageNumberY, PaperWidth,
    PaperHeight, MarginLeft, MarginRight, MarginTop, MarginBottom, PageStart, SectionBreak, PageNumberFormat,
    FacingPages, Landscape, Alignment, Pard, Plain, Sectd, Strike, FontSize, Red, Green, Blue, Foreground,
    Background, Font, Trowd, Row, Cell, Tx, TabKind, TabLeader, DefTab, SpaceBefore, SpaceAfter, LineSpacing,
    ColumnGap, HeaderY, FooterY, MapMode, PicWidth, PicHeight, PicGoalWidth, PicGoalHeight, ShapeLeft, ShapeTop,
    ShapeBottom, ShapeRight, ShapeWrap, ShapeXPage, ShapeYPage, ShapeXMargin, ShapeYMargin, ShapeXColumn,
    ShapeYPara, RowLeft, CellX, CellBorderRight, CellBorderLeft, CellBorderTop, CellBorderBottom, CellPattern,
    CellShading, BorderWidth, BorderColor, Highlight, TitlePage, SmallCaps, Caps, Super, Sub, NoSuperSub, Shadow,
    LineBetween,
    // Words of this reader beyond the original table.
    UnicodeSkip, InTable, BorderNone, BlipPng, BlipJpeg, BlipOther, SoftHyphen,
    ListOverrideIndex, ListLevelIndex, ListId, ListSimple, LevelFormat, NumberingKind, NumberingFont,
    NumberingIndent, NestCell, NestRow,
};

struct Keyword {
    std::string_view Text;
    int32_t Default;
    bool UseDefault;
    KeywordKind Kind;
    uint8_t Index;  // character code, Destination, Prop or Special
};

// The row of the word (exact, case-sensitive), or null.
const Keyword* findKeyword(std::string_view word);

} // namespace quillet::rtf
