#include "engine/Records.h"

namespace quillet {

void SettingOps(uint16_t& word, int bit, bool on)
{
    if (bit < 0 || bit > 15) return;
    const auto mask = static_cast<uint16_t>(1u << bit);
    word = on ? static_cast<uint16_t>(word | mask) : static_cast<uint16_t>(word & ~mask);
}

int GettingOps(uint16_t word, int bit)
{
    if (bit < 0 || bit > 15) return 0;
    return (word >> bit) & 1;
}

void SettingOpsB(uint8_t& byte, int bit, bool on)
{
    if (bit < 0 || bit > 7) return;
    const auto mask = static_cast<uint8_t>(1u << bit);
    byte = on ? static_cast<uint8_t>(byte | mask) : static_cast<uint8_t>(byte & ~mask);
}

int GettingOpsB(uint8_t byte, int bit)
{
    if (bit < 0 || bit > 7) return 0;
    return (byte >> bit) & 1;
}

void SetStandardAreaLook(TextArea& a)
{
    a.WrapText = 1;
    a.MoveWithText = 1;
    a.WrapDistanceY = 3.2;
    a.WrapDistanceX = 3.2;
    a.BorderWidth = 0;
    a.BorderColor = 0;
    a.FillColor = 0xFFFFFF;
    a.Transparent = 1;
}

void SetStandardCellDesign(CellDesign& design)
{
    for (int i = 0; i < 4; ++i) {
        design.BorderWidth[i] = 0.75;
        design.BorderColor[i] = 0;
        design.BorderOn[i] = 1;
    }
    design.Background = 0xFFFFFF;
    design.Transparent = 1;
}

AbsatzFormat DefaultAbsatzFormat()
{
    AbsatzFormat f;
    f.Alignment = 0;
    f.LineSpacing = 1.0;
    f.LineSpacingMode = 0;
    f.SpaceAbove = 0;
    f.SpaceBelow = 0;
    f.LeftIndent = 0;
    f.RightIndent = 0;
    f.FirstLineIndent = 0;
    f.DefaultTabStep = 12.5;
    f.Tabs.clear();
    f.ListIndent = 6.3;
    f.ListKind = 0;
    f.BulletChar = 159;
    f.ItemNumber = 0;
    f.BulletFace.reset();
    return f;
}

void InitNewLine(std::vector<TextLine>& lines, int32_t index)
{
    if (index < 0 || index >= static_cast<int32_t>(lines.size())) return;
    TextLine& l = lines[static_cast<size_t>(index)];
    l.Chars.clear();
    l.EndKind = 0;
    l.AnchorId = 0;
    const int32_t itemNumber = l.Para->ItemNumber;  // left as it was
    // New lines are made by the thousand (a plain text's paragraphs): those
    // with no number share one block.
    static const SharedPara standard(DefaultAbsatzFormat());
    l.Para = standard;
    if (itemNumber != 0) l.Para.edit().ItemNumber = itemNumber;
    l.ColumnCount = 0;
    l.ColumnRule = 0;
    l.ColumnGap = 12.5;
    l.RowFirstRun = 0;
    l.RowLastRun = 0;
    l.IsCell = 0;
    l.CellsPerRow = 1;
    l.CellIndex = 0;
}

void ShareRepeatedFormats(std::vector<TextLine>& lines)
{
    for (size_t i = 1; i < lines.size(); ++i) lines[i].Para.shareIfEqual(lines[i - 1].Para);
}

FontEntry FontEntryFromState(const CurrentFontState& s)
{
    FontEntry e;
    e.Color = s.Color;
    e.Size = s.Size;
    e.Face = s.Face;
    e.Reserved = 0;
    e.Style = s.Style;
    e.Charset = s.Charset;
    e.BkColor = s.BkColor;
    e.ShadowColor = s.ShadowColor;
    e.OutlineColor = s.OutlineColor;
    e.BkTransparent = s.BkTransparent;
    e.Options = s.Options;
    return e;
}

CurrentFontState StateFromFontEntry(const FontEntry& e)
{
    CurrentFontState s;
    s.BkColor = e.BkColor;
    s.ShadowColor = e.ShadowColor;
    s.OutlineColor = e.OutlineColor;
    s.BkTransparent = e.BkTransparent;
    s.Options = e.Options;
    s.Face = e.Face;
    s.Size = e.Size;
    s.Color = e.Color;
    s.Style = e.Style;
    s.Charset = e.Charset;
    return s;
}

} // namespace quillet
