#include "engine/RecordCodec.h"

#include <algorithm>
#include <cassert>

namespace quillet {

namespace {

// What a writer puts into a pointer slot: the value means nothing to a
// reader, which only tests it for zero.
constexpr uint32_t kPresent = 1;

void slot(ByteWriter& out, bool present) { out.u32(present ? kPresent : 0); }
bool slot(ByteReader& in) { return in.u32() != 0; }

int32_t countOf(size_t n) { return static_cast<int32_t>(n); }

// Checks that an encoder wrote exactly its image.
class ImageSpan {
public:
    ImageSpan(const ByteWriter& out, size_t size) : out_(out), start_(out.size()), size_(size) {}
    ~ImageSpan() { assert(out_.size() - start_ == size_); }
    ImageSpan(const ImageSpan&) = delete;
    ImageSpan& operator=(const ImageSpan&) = delete;

private:
    // Read only by the assertion, which release builds leave out.
    [[maybe_unused]] const ByteWriter& out_;
    [[maybe_unused]] size_t start_;
    [[maybe_unused]] size_t size_;
};

template <class R, void (*Encode)(ByteWriter&, const R&)>
std::vector<uint8_t> toBytes(const R& record)
{
    ByteWriter out;
    Encode(out, record);
    return std::move(out.buffer());
}

} // namespace

// ---- TabStop, CellDesign --------------------------------------------------

void encodeTabStop(ByteWriter& out, const TabStop& tab)
{
    ImageSpan span(out, kTabStopSize);
    out.f64(tab.Position);
    out.i32(tab.Kind);
    out.u8(tab.Leader);
    out.zeros(3);
}

TabStop decodeTabStop(ByteReader& in)
{
    TabStop tab;
    tab.Position = in.f64();
    tab.Kind = in.i32();
    tab.Leader = in.u8();
    in.skip(3);
    return tab;
}

void encodeCellDesign(ByteWriter& out, const CellDesign& design)
{
    ImageSpan span(out, kCellDesignSize);
    for (double w : design.BorderWidth) out.f64(w);
    for (uint32_t c : design.BorderColor) out.u32(c);
    for (uint8_t on : design.BorderOn) out.u8(on);
    out.u32(design.Background);
    out.u8(design.Transparent);
}

CellDesign decodeCellDesign(ByteReader& in)
{
    CellDesign design;
    for (double& w : design.BorderWidth) w = in.f64();
    for (uint32_t& c : design.BorderColor) c = in.u32();
    for (uint8_t& on : design.BorderOn) on = in.u8();
    design.Background = in.u32();
    design.Transparent = in.u8();
    return design;
}

// ---- AbsatzFormat ---------------------------------------------------------

void encodeAbsatzFormat(ByteWriter& out, const AbsatzFormat& format)
{
    ImageSpan span(out, kAbsatzFormatSize);
    out.u8(format.Alignment);
    out.f64(format.LineSpacing);
    out.u8(format.LineSpacingMode);
    out.f64(format.SpaceAbove);
    out.f64(format.SpaceBelow);
    out.f64(format.LeftIndent);
    out.f64(format.RightIndent);
    out.f64(format.FirstLineIndent);
    out.f64(format.DefaultTabStep);
    out.i32(countOf(format.Tabs.size()));
    slot(out, !format.Tabs.empty());
    out.f64(format.ListIndent);
    out.u8(format.ListKind);
    out.u8(format.BulletChar);
    out.i32(format.ItemNumber);
    slot(out, format.BulletFace.has_value());
}

AbsatzFormatImage decodeAbsatzFormat(ByteReader& in)
{
    AbsatzFormatImage img;
    AbsatzFormat& f = img.format;
    f.Alignment = in.u8();
    f.LineSpacing = in.f64();
    f.LineSpacingMode = in.u8();
    f.SpaceAbove = in.f64();
    f.SpaceBelow = in.f64();
    f.LeftIndent = in.f64();
    f.RightIndent = in.f64();
    f.FirstLineIndent = in.f64();
    f.DefaultTabStep = in.f64();
    img.tabCount = in.i32();
    img.hasTabs = slot(in);
    f.ListIndent = in.f64();
    f.ListKind = in.u8();
    f.BulletChar = in.u8();
    f.ItemNumber = in.i32();
    img.hasBulletFace = slot(in);
    return img;
}

// ---- TextChar -------------------------------------------------------------

void encodeTextChar(ByteWriter& out, const TextChar& ch)
{
    ImageSpan span(out, kTextCharSize);
    out.u8(ch.Kind);
    out.u8(ch.Code);
    out.u16(ch.ShownNumber());
    out.u16(ch.FootnoteId());
    out.f64(ch.Width);
    out.f64(ch.Height());
    out.i32(ch.FontIndex());
    out.u8(ch.TabLeader);
    out.u16(ch.PictureIndex());
    out.u8(ch.Flags);
    slot(out, ch.FieldResult().has_value());
    slot(out, ch.FieldCode().has_value());
    slot(out, ch.ParaCopy().has_value());
    out.f32(ch.GapBefore());
}

TextCharImage decodeTextChar(ByteReader& in)
{
    TextCharImage img;
    TextChar& ch = img.ch;
    ch.Kind = in.u8();
    ch.Code = in.u8();
    ch.setShownNumber(in.u16());
    ch.setFootnoteId(in.u16());
    ch.Width = narrowLength(in.f64());
    ch.setHeight(narrowLength(in.f64()));
    ch.setFontIndex(in.i32());
    ch.TabLeader = in.u8();
    ch.setPictureIndex(in.u16());
    ch.Flags = in.u8();
    img.hasFieldResult = slot(in);
    img.hasFieldCode = slot(in);
    img.hasParaCopy = slot(in);
    ch.setGapBefore(in.f32());
    return img;
}

// ---- TextLine -------------------------------------------------------------

void encodeTextLine(ByteWriter& out, const TextLine& line)
{
    encodeTextLine(out, line, line.CharCount());
}

void encodeTextLine(ByteWriter& out, const TextLine& line, int32_t storedCharCount)
{
    ImageSpan span(out, kTextLineSize);
    out.i32(storedCharCount);
    slot(out, !line.Chars.empty());
    out.i32(line.EndKind);
    out.u8(line.RowFirstRun);
    out.u8(line.RowLastRun);
    out.u8(line.IsCell);
    out.zeros(1);
    out.i32(line.CellsPerRow);
    out.i32(line.CellIndex);
    out.f64(line.CellWidth);
    out.f64(line.CellInsetLeft);
    out.f64(line.CellInsetRight);
    encodeCellDesign(out, line.Design);
    encodeAbsatzFormat(out, line.Para);
    out.zeros(3);
    out.i32(line.ColumnCount);
    out.i32(line.ColumnRule);
    out.f64(line.ColumnGap);
    out.i32(line.AnchorId);
    out.zeros(4);
    out.f64(line.Height);
    out.u8(line.Dirty);
    out.zeros(7);
    // The column results are layout's, but the clipboard copies the whole image.
    out.f64(line.ColumnOffset);
    out.f64(line.ColumnStepBack);
    out.f64(line.ColumnFillUp);
    out.i32(line.ColumnNumber);
    out.zeros(4);
    out.f64(line.ColumnLeftX);
    out.f64(line.ColumnRightX);
    out.u8(line.ColumnFirstLine);
    out.u8(line.ColumnLastLine);
    out.zeros(2);
    out.i32(line.ColumnsUsed);
    out.u8(line.HyphenAfter);
    out.u8(line.DropMarkAtStart);
    out.zeros(6);
}

TextLineImage decodeTextLine(ByteReader& in)
{
    TextLineImage img;
    TextLine& l = img.line;
    img.charCount = in.i32();
    img.hasChars = slot(in);
    l.EndKind = in.i32();
    l.RowFirstRun = in.u8();
    l.RowLastRun = in.u8();
    l.IsCell = in.u8();
    in.skip(1);
    l.CellsPerRow = in.i32();
    l.CellIndex = in.i32();
    l.CellWidth = in.f64();
    l.CellInsetLeft = in.f64();
    l.CellInsetRight = in.f64();
    l.Design = decodeCellDesign(in);
    AbsatzFormatImage para = decodeAbsatzFormat(in);
    l.Para = std::move(para.format);
    img.tabCount = para.tabCount;
    img.hasTabs = para.hasTabs;
    img.hasBulletFace = para.hasBulletFace;
    in.skip(3);
    l.ColumnCount = in.i32();
    l.ColumnRule = in.i32();
    l.ColumnGap = in.f64();
    l.AnchorId = in.i32();
    in.skip(4);
    l.Height = in.f64();
    l.Dirty = in.u8();
    in.skip(7);
    l.ColumnOffset = in.f64();
    l.ColumnStepBack = in.f64();
    l.ColumnFillUp = in.f64();
    l.ColumnNumber = in.i32();
    in.skip(4);
    l.ColumnLeftX = in.f64();
    l.ColumnRightX = in.f64();
    l.ColumnFirstLine = in.u8();
    l.ColumnLastLine = in.u8();
    in.skip(2);
    l.ColumnsUsed = in.i32();
    l.HyphenAfter = in.u8();
    l.DropMarkAtStart = in.u8();
    in.skip(6);
    return img;
}

// ---- TextArea -------------------------------------------------------------

void encodeTextArea(ByteWriter& out, const TextArea& area)
{
    ImageSpan span(out, kTextAreaSize);
    out.f64(area.Left);
    out.f64(area.Top);
    out.f64(area.Right);
    out.f64(area.Bottom);
    out.f64(area.InnerLeft);
    out.f64(area.InnerTop);
    out.f64(area.InnerRight);
    out.f64(area.InnerBottom);
    out.u8(area.PageMode);
    out.u8(area.WrapText);
    out.u8(area.MoveWithText);
    out.zeros(1);
    out.i32(area.WrapMode);
    out.f64(area.WrapDistanceY);
    out.f64(area.WrapDistanceX);
    out.f64(area.BorderWidth);
    out.u32(area.BorderColor);
    out.u32(area.FillColor);
    out.u8(area.Transparent);
    out.u8(area.AnchorTopToBottom);
    out.u8(area.AnchorBottom);
    out.u8(area.AnchorRight);
    out.u8(area.AreaType);
    out.zeros(3);
    out.i32(area.PageIndex);
    out.i32(area.PrevInFlow);
    out.i32(area.NextInFlow);
    out.u8(area.KeepAspect);
    out.zeros(3);
    out.i32(countOf(area.Lines.size()));
    slot(out, !area.Lines.empty());
    out.u8(area.Visited);
    out.u8(area.Selected);
    out.u8(area.Rising);
    out.zeros(1);
    out.i32(area.FootnoteNumber);
    out.u8(area.FootnotePlaced);
    out.u8(area.SeparatorLine);
    out.zeros(6);
    out.f64(area.AnchorOffsetX);
    out.f64(area.AnchorOffsetY);
    out.i32(area.AnchorId);
    out.zeros(4);
    out.f64(area.CandOffsetX);
    out.f64(area.CandOffsetY);
    out.f64(area.CandDistance);
    out.i32(area.CandArea);
    out.i32(area.CandLine);
}

TextAreaImage decodeTextArea(ByteReader& in)
{
    TextAreaImage img;
    TextArea& a = img.area;
    a.Left = in.f64();
    a.Top = in.f64();
    a.Right = in.f64();
    a.Bottom = in.f64();
    a.InnerLeft = in.f64();
    a.InnerTop = in.f64();
    a.InnerRight = in.f64();
    a.InnerBottom = in.f64();
    a.PageMode = in.u8();
    a.WrapText = in.u8();
    a.MoveWithText = in.u8();
    in.skip(1);
    a.WrapMode = in.i32();
    a.WrapDistanceY = in.f64();
    a.WrapDistanceX = in.f64();
    a.BorderWidth = in.f64();
    a.BorderColor = in.u32();
    a.FillColor = in.u32();
    a.Transparent = in.u8();
    a.AnchorTopToBottom = in.u8();
    a.AnchorBottom = in.u8();
    a.AnchorRight = in.u8();
    a.AreaType = in.u8();
    in.skip(3);
    a.PageIndex = in.i32();
    a.PrevInFlow = in.i32();
    a.NextInFlow = in.i32();
    a.KeepAspect = in.u8();
    in.skip(3);
    img.lineCount = in.i32();
    img.hasLines = slot(in);
    a.Visited = in.u8();
    a.Selected = in.u8();
    a.Rising = in.u8();
    in.skip(1);
    a.FootnoteNumber = in.i32();
    a.FootnotePlaced = in.u8();
    a.SeparatorLine = in.u8();
    in.skip(6);
    a.AnchorOffsetX = in.f64();
    a.AnchorOffsetY = in.f64();
    a.AnchorId = in.i32();
    in.skip(4);
    a.CandOffsetX = in.f64();
    a.CandOffsetY = in.f64();
    a.CandDistance = in.f64();
    a.CandArea = in.i32();
    a.CandLine = in.i32();
    return img;
}

// ---- FontEntry ------------------------------------------------------------

void encodeFontEntry(ByteWriter& out, const FontEntry& entry)
{
    ImageSpan span(out, kFontEntrySize);
    out.u32(entry.Color);
    out.f64(entry.Size);
    // An entry always owns a face name, even an empty one.
    slot(out, true);
    out.u8(entry.Reserved);
    out.u8(entry.Style);
    out.u8(entry.Charset);
    out.u32(entry.BkColor);
    out.u32(entry.ShadowColor);
    out.u32(entry.OutlineColor);
    out.u8(entry.BkTransparent);
    out.u16(entry.Options);
}

FontEntryImage decodeFontEntry(ByteReader& in)
{
    FontEntryImage img;
    FontEntry& e = img.entry;
    e.Color = in.u32();
    e.Size = in.f64();
    img.hasFace = slot(in);
    e.Face.clear();
    e.Reserved = in.u8();
    e.Style = in.u8();
    e.Charset = in.u8();
    e.BkColor = in.u32();
    e.ShadowColor = in.u32();
    e.OutlineColor = in.u32();
    e.BkTransparent = in.u8();
    e.Options = in.u16();
    return img;
}

// ---- VorlageRecord --------------------------------------------------------

void encodeVorlageRecord(ByteWriter& out, const VorlageRecord& style)
{
    ImageSpan span(out, kVorlageRecordSize);
    const size_t n = std::min(style.Name.size(), kVorlageNameMax);
    out.u8(static_cast<uint8_t>(n));
    out.bytes(style.Name.data(), n);
    out.zeros(kVorlageNameMax - n);
    out.u8(style.StyleKind);
    encodeAbsatzFormat(out, style.Para);
    encodeTextChar(out, style.Sample);
}

VorlageRecordImage decodeVorlageRecord(ByteReader& in)
{
    VorlageRecordImage img;
    const size_t n = in.u8();
    std::string field = in.str(kVorlageNameMax);
    img.style.Name = field.substr(0, std::min(n, field.size()));
    img.style.StyleKind = in.u8();
    AbsatzFormatImage para = decodeAbsatzFormat(in);
    img.style.Para = std::move(para.format);
    img.tabCount = para.tabCount;
    img.hasTabs = para.hasTabs;
    img.hasBulletFace = para.hasBulletFace;
    // Only FontIndex of the sample counts; its pointer slots are dropped.
    img.style.Sample = std::move(decodeTextChar(in).ch);
    return img;
}

// ---- MouseObj, TableTrack -------------------------------------------------

void encodeMouseObj(ByteWriter& out, const MouseObj& obj)
{
    ImageSpan span(out, kMouseObjSize);
    out.i32(obj.Kind);
    out.i32(obj.Left);
    out.i32(obj.Top);
    out.i32(obj.Right);
    out.i32(obj.Bottom);
}

MouseObj decodeMouseObj(ByteReader& in)
{
    MouseObj obj;
    obj.Kind = in.i32();
    obj.Left = in.i32();
    obj.Top = in.i32();
    obj.Right = in.i32();
    obj.Bottom = in.i32();
    return obj;
}

void encodeTableTrack(ByteWriter& out, const TableTrack& track)
{
    ImageSpan span(out, kTableTrackSize);
    out.i32(track.Area);
    out.i32(track.CellLine);
    out.i32(track.Side);
}

TableTrack decodeTableTrack(ByteReader& in)
{
    TableTrack track;
    track.Area = in.i32();
    track.CellLine = in.i32();
    track.Side = in.i32();
    return track;
}

// ---- Whole images as byte vectors ------------------------------------------

std::vector<uint8_t> encodeTextArea(const TextArea& area)
{
    return toBytes<TextArea, encodeTextArea>(area);
}
std::vector<uint8_t> encodeTextLine(const TextLine& line)
{
    return toBytes<TextLine, encodeTextLine>(line);
}
std::vector<uint8_t> encodeTextChar(const TextChar& ch)
{
    return toBytes<TextChar, encodeTextChar>(ch);
}
std::vector<uint8_t> encodeFontEntry(const FontEntry& entry)
{
    return toBytes<FontEntry, encodeFontEntry>(entry);
}
std::vector<uint8_t> encodeAbsatzFormat(const AbsatzFormat& format)
{
    return toBytes<AbsatzFormat, encodeAbsatzFormat>(format);
}
std::vector<uint8_t> encodeTabStop(const TabStop& tab)
{
    return toBytes<TabStop, encodeTabStop>(tab);
}
std::vector<uint8_t> encodeCellDesign(const CellDesign& design)
{
    return toBytes<CellDesign, encodeCellDesign>(design);
}
std::vector<uint8_t> encodeVorlageRecord(const VorlageRecord& style)
{
    return toBytes<VorlageRecord, encodeVorlageRecord>(style);
}
std::vector<uint8_t> encodeMouseObj(const MouseObj& obj)
{
    return toBytes<MouseObj, encodeMouseObj>(obj);
}
std::vector<uint8_t> encodeTableTrack(const TableTrack& track)
{
    return toBytes<TableTrack, encodeTableTrack>(track);
}

} // namespace quillet
