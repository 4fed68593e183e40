#include "engine/RecordCodec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

using namespace quillet;

namespace {

// Reads fields of an encoded image at fixed offsets and keeps track of which
// bytes have been looked at, so a test can insist that its field list and
// spare list together cover the image exactly once: a field written at the
// wrong place or with the wrong width then shows up even when its value
// happens to match.
class Layout {
public:
    explicit Layout(const std::vector<uint8_t>& bytes) : bytes_(bytes), seen_(bytes.size(), 0) {}

    uint8_t u8(size_t at) { return uint8_t(raw(at, 1)); }
    uint16_t u16(size_t at) { return uint16_t(raw(at, 2)); }
    uint32_t u32(size_t at) { return uint32_t(raw(at, 4)); }
    int32_t i32(size_t at) { return int32_t(u32(at)); }
    double f64(size_t at)
    {
        const uint64_t b = raw(at, 8);
        double d;
        std::memcpy(&d, &b, 8);
        return d;
    }
    float f32(size_t at)
    {
        const auto b = uint32_t(raw(at, 4));
        float f;
        std::memcpy(&f, &b, 4);
        return f;
    }
    // A nested image, checked by its own test; only claimed here.
    void nested(size_t at, size_t n) { mark(at, n); }
    // Bytes that carry nothing and must be written as 0.
    void spare(size_t at, size_t n)
    {
        mark(at, n);
        for (size_t i = at; i < at + n && i < bytes_.size(); ++i)
            EXPECT_EQ(bytes_[i], 0) << "spare byte " << i;
    }
    void expectCovered() const
    {
        for (size_t i = 0; i < seen_.size(); ++i)
            EXPECT_EQ(seen_[i], 1) << "byte " << i << " claimed " << int(seen_[i]) << " times";
    }

private:
    uint64_t raw(size_t at, size_t n)
    {
        mark(at, n);
        uint64_t v = 0;
        for (size_t i = 0; i < n && at + i < bytes_.size(); ++i) v |= uint64_t(bytes_[at + i]) << (8 * i);
        return v;
    }
    void mark(size_t at, size_t n)
    {
        for (size_t i = at; i < at + n; ++i) {
            if (i < seen_.size()) ++seen_[i];
            else ADD_FAILURE() << "field beyond the image at " << i;
        }
    }

    std::vector<uint8_t> bytes_;
    std::vector<int> seen_;
};

TabStop sampleTab(double pos)
{
    TabStop t;
    t.Position = pos;
    t.Kind = 3;
    t.Leader = 2;
    return t;
}

CellDesign sampleDesign()
{
    CellDesign d;
    d.BorderWidth = {0.25, 0.5, 0.75, 1.25};
    d.BorderColor = {0x11223344, 0x55667788, 0x0099AABB, 0x00CCDDEE};
    d.BorderOn = {1, 0, 2, 3};
    d.Background = 0x00ABCDEF;
    d.Transparent = 7;
    return d;
}

AbsatzFormat sampleFormat()
{
    AbsatzFormat f;
    f.Alignment = 3;
    f.LineSpacing = 1.5;
    f.LineSpacingMode = 2;
    f.SpaceAbove = 2.25;
    f.SpaceBelow = 3.75;
    f.LeftIndent = 10.5;
    f.RightIndent = -4.5;
    f.FirstLineIndent = 7.125;
    f.DefaultTabStep = 12.5;
    f.Tabs = {sampleTab(20), sampleTab(40), sampleTab(60)};
    f.ListIndent = 6.3;
    f.ListKind = 2;
    f.BulletChar = 159;
    f.ItemNumber = -77;
    f.BulletFace = std::string("Symbol");
    return f;
}

TextChar sampleChar()
{
    TextChar c;
    c.Kind = ckField;
    c.Code = 'a';
    c.setShownNumber(0x1234);
    c.setFootnoteId(0xBEEF);
    c.Width = 2.5;
    c.setHeight(4.75);
    c.setFontIndex(0x01020304);
    c.TabLeader = 3;
    c.setPictureIndex(0xA1B2);
    c.Flags = 5;
    c.FieldResult() = std::string("12");
    c.FieldCode() = std::string("page");
    c.ParaCopy() = sampleFormat();
    c.setGapBefore(1.5f);
    return c;
}

TextLine sampleLine()
{
    TextLine l;
    l.Chars = {sampleChar(), TextChar{}};
    l.EndKind = ekPageBreak;
    l.RowFirstRun = 1;
    l.RowLastRun = 2;
    l.IsCell = 3;
    l.CellsPerRow = 4;
    l.CellIndex = 2;
    l.CellWidth = 1.75;
    l.CellInsetLeft = 1.25;
    l.CellInsetRight = 0.625;
    l.Design = sampleDesign();
    l.Para = sampleFormat();
    l.ColumnCount = 3;
    l.ColumnRule = 1;
    l.ColumnGap = 12.5;
    l.AnchorId = 101;
    l.Height = 5.25;
    l.Dirty = 9;
    l.ColumnOffset = 11.5;
    l.ColumnStepBack = 22.5;
    l.ColumnFillUp = 33.5;
    l.ColumnNumber = 2;
    l.ColumnLeftX = 44.5;
    l.ColumnRightX = 55.5;
    l.ColumnFirstLine = 6;
    l.ColumnLastLine = 8;
    l.ColumnsUsed = 7;
    l.HyphenAfter = 10;
    l.DropMarkAtStart = 11;
    return l;
}

TextArea sampleArea()
{
    TextArea a;
    a.Left = 1.5;
    a.Top = 2.5;
    a.Right = 3.5;
    a.Bottom = 4.5;
    a.InnerLeft = 25.125;
    a.InnerTop = 26.125;
    a.InnerRight = 27.125;
    a.InnerBottom = 28.125;
    a.PageMode = 99;
    a.WrapText = 2;
    a.MoveWithText = 3;
    a.WrapMode = 1;
    a.WrapDistanceY = 3.2;
    a.WrapDistanceX = 3.4;
    a.BorderWidth = 0.75;
    a.BorderColor = 0x00010203;
    a.FillColor = 0x00FFFFFE;
    a.Transparent = 4;
    a.AnchorTopToBottom = 5;
    a.AnchorBottom = 6;
    a.AnchorRight = 7;
    a.AreaType = atGraphic;
    a.PageIndex = 12;
    a.PrevInFlow = -1;
    a.NextInFlow = 0x7FFFFFFF;
    a.KeepAspect = 8;
    a.Lines = {sampleLine()};
    a.Visited = 10;
    a.Selected = 11;
    a.Rising = 12;
    a.FootnoteNumber = 42;
    a.FootnotePlaced = 13;
    a.SeparatorLine = 14;
    a.AnchorOffsetX = -5.5;
    a.AnchorOffsetY = 6.5;
    a.AnchorId = 100;
    a.CandOffsetX = 7.5;
    a.CandOffsetY = 8.5;
    a.CandDistance = -1;
    a.CandArea = 3;
    a.CandLine = 17;
    return a;
}

FontEntry sampleFont()
{
    FontEntry e;
    e.Color = 0x00112233;
    e.Size = 14.5;
    e.Face = "Arial";
    e.Reserved = 0;
    e.Style = 0x0B;
    e.Charset = 2;
    e.BkColor = 0x00445566;
    e.ShadowColor = 0x00778899;
    e.OutlineColor = 0x00AABBCC;
    e.BkTransparent = 0;
    e.Options = 0x2101;
    return e;
}

// The image's prefix up to `keep` bytes, read by the given decoder: the reader
// must fail without reading further.
template <class Decode>
void expectTruncatedFails(const std::vector<uint8_t>& image, Decode decode)
{
    for (size_t keep : {size_t(0), size_t(1), image.size() / 2, image.size() - 1}) {
        std::vector<uint8_t> cut(image.begin(), image.begin() + long(keep));
        ByteReader in(cut);
        decode(in);
        EXPECT_FALSE(in) << "kept " << keep << " of " << image.size();
        EXPECT_EQ(in.remaining(), 0u);
    }
}

// An image made of one repeated byte: every slot set, every count odd,
// every double a NaN for 0xFF.
std::vector<uint8_t> filled(size_t n, uint8_t b) { return std::vector<uint8_t>(n, b); }

} // namespace

// ---- Golden layouts ---------------------------------------------------------

TEST(RecordImageLayout, TabStopAndCellDesign)
{
    const auto tab = encodeTabStop(sampleTab(33.25));
    ASSERT_EQ(tab.size(), kTabStopSize);
    Layout t(tab);
    EXPECT_EQ(t.f64(0), 33.25);
    EXPECT_EQ(t.i32(8), 3);
    EXPECT_EQ(t.u8(12), 2);
    t.spare(13, 3);
    t.expectCovered();

    const auto design = encodeCellDesign(sampleDesign());
    ASSERT_EQ(design.size(), kCellDesignSize);
    Layout d(design);
    EXPECT_EQ(d.f64(0), 0.25);   // left
    EXPECT_EQ(d.f64(8), 0.5);    // top
    EXPECT_EQ(d.f64(16), 0.75);  // bottom
    EXPECT_EQ(d.f64(24), 1.25);  // right
    EXPECT_EQ(d.u32(32), 0x11223344u);
    EXPECT_EQ(d.u32(36), 0x55667788u);
    EXPECT_EQ(d.u32(40), 0x0099AABBu);
    EXPECT_EQ(d.u32(44), 0x00CCDDEEu);
    EXPECT_EQ(d.u8(48), 1);
    EXPECT_EQ(d.u8(49), 0);
    EXPECT_EQ(d.u8(50), 2);
    EXPECT_EQ(d.u8(51), 3);
    EXPECT_EQ(d.u32(52), 0x00ABCDEFu);
    EXPECT_EQ(d.u8(56), 7);
    d.expectCovered();
    EXPECT_EQ(design[0], 0x00);  // little-endian f64 0.25 = 3FD0000000000000
    EXPECT_EQ(design[7], 0x3F);
    EXPECT_EQ(design[32], 0x44);
}

TEST(RecordImageLayout, AbsatzFormatWithAndWithoutOwnedParts)
{
    const AbsatzFormat f = sampleFormat();
    const auto bytes = encodeAbsatzFormat(f);
    ASSERT_EQ(bytes.size(), kAbsatzFormatSize);
    Layout l(bytes);
    EXPECT_EQ(l.u8(0), 3);
    EXPECT_EQ(l.f64(1), 1.5);
    EXPECT_EQ(l.u8(9), 2);
    EXPECT_EQ(l.f64(10), 2.25);
    EXPECT_EQ(l.f64(18), 3.75);
    EXPECT_EQ(l.f64(26), 10.5);
    EXPECT_EQ(l.f64(34), -4.5);
    EXPECT_EQ(l.f64(42), 7.125);
    EXPECT_EQ(l.f64(50), 12.5);
    EXPECT_EQ(l.i32(58), 3);
    EXPECT_NE(l.u32(62), 0u);
    EXPECT_EQ(l.f64(66), 6.3);
    EXPECT_EQ(l.u8(74), 2);
    EXPECT_EQ(l.u8(75), 159);
    EXPECT_EQ(l.i32(76), -77);
    EXPECT_NE(l.u32(80), 0u);
    l.expectCovered();

    // No tabs and no face: count 0 and both slots zero. An empty face is
    // still a face (styles keep one), so its slot stays set.
    AbsatzFormat bare = f;
    bare.Tabs.clear();
    bare.BulletFace.reset();
    const auto b = encodeAbsatzFormat(bare);
    Layout lb(b);
    EXPECT_EQ(lb.i32(58), 0);
    EXPECT_EQ(lb.u32(62), 0u);
    EXPECT_EQ(lb.u32(80), 0u);
    bare.BulletFace = std::string();
    EXPECT_NE(Layout(encodeAbsatzFormat(bare)).u32(80), 0u);
}

TEST(RecordImageLayout, TextChar)
{
    const auto bytes = encodeTextChar(sampleChar());
    ASSERT_EQ(bytes.size(), kTextCharSize);
    Layout l(bytes);
    EXPECT_EQ(l.u8(0), ckField);
    EXPECT_EQ(l.u8(1), 'a');
    EXPECT_EQ(l.u16(2), 0x1234);
    EXPECT_EQ(l.u16(4), 0xBEEF);
    EXPECT_EQ(l.f64(6), 2.5);
    EXPECT_EQ(l.f64(14), 4.75);
    EXPECT_EQ(l.i32(22), 0x01020304);
    EXPECT_EQ(l.u8(26), 3);
    EXPECT_EQ(l.u16(27), 0xA1B2);
    EXPECT_EQ(l.u8(29), 5);
    EXPECT_NE(l.u32(30), 0u);
    EXPECT_NE(l.u32(34), 0u);
    EXPECT_NE(l.u32(38), 0u);
    EXPECT_EQ(l.f32(42), 1.5f);
    l.expectCovered();

    // Each pointer slot follows its own field only.
    TextChar c = sampleChar();
    c.FieldCode().reset();
    Layout onlyTwo(encodeTextChar(c));
    EXPECT_NE(onlyTwo.u32(30), 0u);
    EXPECT_EQ(onlyTwo.u32(34), 0u);
    EXPECT_NE(onlyTwo.u32(38), 0u);
    Layout none(encodeTextChar(TextChar{}));
    EXPECT_EQ(none.u32(30), 0u);
    EXPECT_EQ(none.u32(34), 0u);
    EXPECT_EQ(none.u32(38), 0u);
}

TEST(RecordImageRoundTrip, CharacterWithOneRareNumberSet)
{
    // Each field the character keeps in its block, alone: its slot in the
    // image, and the character decoded from it.
    const struct {
        const char* name;
        void (*set)(TextChar&);
        size_t offset;
        std::vector<uint8_t> slot;
    } cases[] = {
        {"picture index", [](TextChar& c) { c.setPictureIndex(0xA1B2); }, 27, {0xB2, 0xA1}},
        {"footnote id", [](TextChar& c) { c.setFootnoteId(0xBEEF); }, 4, {0xEF, 0xBE}},
        {"shown number", [](TextChar& c) { c.setShownNumber(0x1234); }, 2, {0x34, 0x12}},
        {"gap", [](TextChar& c) { c.setGapBefore(1.5f); }, 42, {0x00, 0x00, 0xC0, 0x3F}},
        {"gap -0", [](TextChar& c) { c.setGapBefore(-0.0f); }, 42, {0x00, 0x00, 0x00, 0x80}},
        {"none", [](TextChar&) {}, 42, {0x00, 0x00, 0x00, 0x00}},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        TextChar c;
        c.Code = 'p';
        c.Width = 3;
        k.set(c);
        const auto bytes = encodeTextChar(c);
        TextChar plain;
        plain.Code = 'p';
        plain.Width = 3;
        auto expected = encodeTextChar(plain);
        std::copy(k.slot.begin(), k.slot.end(), expected.begin() + std::ptrdiff_t(k.offset));
        EXPECT_EQ(bytes, expected);
        ByteReader in(bytes);
        const TextCharImage img = decodeTextChar(in);
        ASSERT_TRUE(in);
        EXPECT_TRUE(img.ch == c);
        EXPECT_EQ(img.ch.hasExtra(), c.hasExtra());
        EXPECT_EQ(encodeTextChar(img.ch), bytes);
    }
}

TEST(RecordImageLayout, TextLineIncludingColumnResults)
{
    const TextLine line = sampleLine();
    const auto bytes = encodeTextLine(line);
    ASSERT_EQ(bytes.size(), kTextLineSize);
    Layout l(bytes);
    EXPECT_EQ(l.i32(0), 2);
    EXPECT_NE(l.u32(4), 0u);
    EXPECT_EQ(l.i32(8), ekPageBreak);
    EXPECT_EQ(l.u8(12), 1);
    EXPECT_EQ(l.u8(13), 2);
    EXPECT_EQ(l.u8(14), 3);
    l.spare(15, 1);
    EXPECT_EQ(l.i32(16), 4);
    EXPECT_EQ(l.i32(20), 2);
    EXPECT_EQ(l.f64(24), 1.75);
    EXPECT_EQ(l.f64(32), 1.25);
    EXPECT_EQ(l.f64(40), 0.625);
    l.nested(48, kCellDesignSize);
    l.nested(105, kAbsatzFormatSize);
    l.spare(189, 3);
    EXPECT_EQ(l.i32(192), 3);
    EXPECT_EQ(l.i32(196), 1);
    EXPECT_EQ(l.f64(200), 12.5);
    EXPECT_EQ(l.i32(208), 101);
    l.spare(212, 4);
    EXPECT_EQ(l.f64(216), 5.25);
    EXPECT_EQ(l.u8(224), 9);
    l.spare(225, 7);
    EXPECT_EQ(l.f64(232), 11.5);
    EXPECT_EQ(l.f64(240), 22.5);
    EXPECT_EQ(l.f64(248), 33.5);
    EXPECT_EQ(l.i32(256), 2);
    l.spare(260, 4);
    EXPECT_EQ(l.f64(264), 44.5);
    EXPECT_EQ(l.f64(272), 55.5);
    EXPECT_EQ(l.u8(280), 6);
    EXPECT_EQ(l.u8(281), 8);
    l.spare(282, 2);
    EXPECT_EQ(l.i32(284), 7);
    EXPECT_EQ(l.u8(288), 10);
    EXPECT_EQ(l.u8(289), 11);
    l.spare(290, 6);
    l.expectCovered();

    // The nested images are exactly their own encodings.
    const auto design = encodeCellDesign(line.Design);
    const auto para = encodeAbsatzFormat(line.Para);
    EXPECT_TRUE(std::equal(design.begin(), design.end(), bytes.begin() + 48));
    EXPECT_TRUE(std::equal(para.begin(), para.end(), bytes.begin() + 105));
}

TEST(RecordImageLayout, TextLineStoredCharCountAndEmptyLine)
{
    // The clipboard stores how many character entries follow, not the
    // line's own count; the pointer slot still says whether it has any.
    ByteWriter w;
    encodeTextLine(w, sampleLine(), 1);
    Layout part(w.buffer());
    EXPECT_EQ(part.i32(0), 1);
    EXPECT_NE(part.u32(4), 0u);

    TextLine empty;
    empty.Para = AbsatzFormat{};
    const auto bytes = encodeTextLine(empty);
    Layout e(bytes);
    EXPECT_EQ(e.i32(0), 0);
    EXPECT_EQ(e.u32(4), 0u);
    EXPECT_EQ(e.i32(105 + 58), 0);   // the paragraph's TabCount
    EXPECT_EQ(e.u32(105 + 62), 0u);  // Tabs
    EXPECT_EQ(e.u32(105 + 80), 0u);  // BulletFace
}

TEST(RecordImageLayout, TextAreaIncludingAnchorScratch)
{
    TextArea area = sampleArea();
    area.Lines.resize(3);
    const auto bytes = encodeTextArea(area);
    ASSERT_EQ(bytes.size(), kTextAreaSize);
    Layout l(bytes);
    EXPECT_EQ(l.f64(0), 1.5);
    EXPECT_EQ(l.f64(8), 2.5);
    EXPECT_EQ(l.f64(16), 3.5);
    EXPECT_EQ(l.f64(24), 4.5);
    EXPECT_EQ(l.f64(32), 25.125);
    EXPECT_EQ(l.f64(40), 26.125);
    EXPECT_EQ(l.f64(48), 27.125);
    EXPECT_EQ(l.f64(56), 28.125);
    EXPECT_EQ(l.u8(64), 99);
    EXPECT_EQ(l.u8(65), 2);
    EXPECT_EQ(l.u8(66), 3);
    l.spare(67, 1);
    EXPECT_EQ(l.i32(68), 1);
    EXPECT_EQ(l.f64(72), 3.2);
    EXPECT_EQ(l.f64(80), 3.4);
    EXPECT_EQ(l.f64(88), 0.75);
    EXPECT_EQ(l.u32(96), 0x00010203u);
    EXPECT_EQ(l.u32(100), 0x00FFFFFEu);
    EXPECT_EQ(l.u8(104), 4);
    EXPECT_EQ(l.u8(105), 5);
    EXPECT_EQ(l.u8(106), 6);
    EXPECT_EQ(l.u8(107), 7);
    EXPECT_EQ(l.u8(108), atGraphic);
    l.spare(109, 3);
    EXPECT_EQ(l.i32(112), 12);
    EXPECT_EQ(l.i32(116), -1);
    EXPECT_EQ(l.i32(120), 0x7FFFFFFF);
    EXPECT_EQ(l.u8(124), 8);
    l.spare(125, 3);
    EXPECT_EQ(l.i32(128), 3);
    EXPECT_NE(l.u32(132), 0u);
    EXPECT_EQ(l.u8(136), 10);
    EXPECT_EQ(l.u8(137), 11);
    EXPECT_EQ(l.u8(138), 12);
    l.spare(139, 1);
    EXPECT_EQ(l.i32(140), 42);
    EXPECT_EQ(l.u8(144), 13);
    EXPECT_EQ(l.u8(145), 14);
    l.spare(146, 6);
    EXPECT_EQ(l.f64(152), -5.5);
    EXPECT_EQ(l.f64(160), 6.5);
    EXPECT_EQ(l.i32(168), 100);
    l.spare(172, 4);
    EXPECT_EQ(l.f64(176), 7.5);
    EXPECT_EQ(l.f64(184), 8.5);
    EXPECT_EQ(l.f64(192), -1.0);
    EXPECT_EQ(l.i32(200), 3);
    EXPECT_EQ(l.i32(204), 17);
    l.expectCovered();

    area.Lines.clear();
    Layout none(encodeTextArea(area));
    EXPECT_EQ(none.i32(128), 0);
    EXPECT_EQ(none.u32(132), 0u);
}

TEST(RecordImageLayout, FontEntry)
{
    const auto bytes = encodeFontEntry(sampleFont());
    ASSERT_EQ(bytes.size(), kFontEntrySize);
    Layout l(bytes);
    EXPECT_EQ(l.u32(0), 0x00112233u);
    EXPECT_EQ(l.f64(4), 14.5);
    EXPECT_NE(l.u32(12), 0u);
    EXPECT_EQ(l.u8(16), 0);
    EXPECT_EQ(l.u8(17), 0x0B);
    EXPECT_EQ(l.u8(18), 2);
    EXPECT_EQ(l.u32(19), 0x00445566u);
    EXPECT_EQ(l.u32(23), 0x00778899u);
    EXPECT_EQ(l.u32(27), 0x00AABBCCu);
    EXPECT_EQ(l.u8(31), 0);
    EXPECT_EQ(l.u16(32), 0x2101);
    l.expectCovered();
}

TEST(RecordImageLayout, VorlageRecordNameFieldAndNestedImages)
{
    VorlageRecord s;
    s.Name = "Caption 1";
    s.StyleKind = 1;
    s.Para = sampleFormat();
    s.Sample.setFontIndex(0x0A0B0C0D);
    const auto bytes = encodeVorlageRecord(s);
    ASSERT_EQ(bytes.size(), kVorlageRecordSize);
    Layout l(bytes);
    EXPECT_EQ(l.u8(0), 9);
    for (size_t i = 0; i < 9; ++i) EXPECT_EQ(l.u8(1 + i), uint8_t(s.Name[i]));
    l.spare(10, 246);
    EXPECT_EQ(l.u8(256), 1);
    l.nested(257, kAbsatzFormatSize);
    l.nested(341, kTextCharSize);
    l.expectCovered();
    const auto para = encodeAbsatzFormat(s.Para);
    const auto sample = encodeTextChar(s.Sample);
    EXPECT_TRUE(std::equal(para.begin(), para.end(), bytes.begin() + 257));
    EXPECT_TRUE(std::equal(sample.begin(), sample.end(), bytes.begin() + 341));
    EXPECT_EQ(Layout(bytes).i32(341 + 22), 0x0A0B0C0D);

    // A 300-byte name is stored as its first 255 bytes, the field stays full.
    s.Name = std::string(255, 'x') + std::string(45, 'y');
    const auto longName = encodeVorlageRecord(s);
    ASSERT_EQ(longName.size(), kVorlageRecordSize);
    EXPECT_EQ(longName[0], 255);
    EXPECT_EQ(longName[255], 'x');
    EXPECT_EQ(longName[256], 1);  // StyleKind not overrun
    ByteReader in(longName);
    EXPECT_EQ(decodeVorlageRecord(in).style.Name, std::string(255, 'x'));
}

TEST(RecordImageLayout, MouseObjAndTableTrack)
{
    const auto m = encodeMouseObj(MouseObj{1, -2, 3, -4, 5});
    ASSERT_EQ(m.size(), kMouseObjSize);
    Layout lm(m);
    EXPECT_EQ(lm.i32(0), 1);
    EXPECT_EQ(lm.i32(4), -2);
    EXPECT_EQ(lm.i32(8), 3);
    EXPECT_EQ(lm.i32(12), -4);
    EXPECT_EQ(lm.i32(16), 5);
    lm.expectCovered();
    const auto t = encodeTableTrack(TableTrack{7, 8, bsRight});
    ASSERT_EQ(t.size(), kTableTrackSize);
    Layout lt(t);
    EXPECT_EQ(lt.i32(0), 7);
    EXPECT_EQ(lt.i32(4), 8);
    EXPECT_EQ(lt.i32(8), 3);
    lt.expectCovered();
}

// ---- Round trips ----------------------------------------------------------

TEST(RecordImageRoundTrip, RecordsComeBackWithoutOwnedData)
{
    {
        const TextArea a = sampleArea();
        const auto bytes = encodeTextArea(a);
        ByteReader in(bytes);
        const TextAreaImage img = decodeTextArea(in);
        ASSERT_TRUE(in);
        EXPECT_TRUE(in.atEnd());
        TextArea expect = a;
        expect.Lines.clear();
        EXPECT_EQ(img.area, expect);
        EXPECT_EQ(img.lineCount, 1);
        EXPECT_TRUE(img.hasLines);
    }
    {
        const TextLine l = sampleLine();
        const auto bytes = encodeTextLine(l);
        ByteReader in(bytes);
        const TextLineImage img = decodeTextLine(in);
        ASSERT_TRUE(in);
        TextLine expect = l;
        expect.Chars.clear();
        expect.Para.edit().Tabs.clear();
        expect.Para.edit().BulletFace.reset();
        EXPECT_EQ(img.line, expect);
        EXPECT_EQ(img.charCount, 2);
        EXPECT_TRUE(img.hasChars);
        EXPECT_EQ(img.tabCount, 3);
        EXPECT_TRUE(img.hasTabs);
        EXPECT_TRUE(img.hasBulletFace);
    }
    {
        const TextChar c = sampleChar();
        const auto bytes = encodeTextChar(c);
        ByteReader in(bytes);
        const TextCharImage img = decodeTextChar(in);
        ASSERT_TRUE(in);
        TextChar expect = c;
        expect.FieldResult().reset();
        expect.FieldCode().reset();
        expect.ParaCopy().reset();
        EXPECT_EQ(img.ch, expect);
        EXPECT_TRUE(img.hasFieldResult && img.hasFieldCode && img.hasParaCopy);
    }
    {
        const auto bytes = encodeFontEntry(sampleFont());
        ByteReader in(bytes);
        const FontEntryImage img = decodeFontEntry(in);
        ASSERT_TRUE(in);
        FontEntry expect = sampleFont();
        expect.Face.clear();  // travels as a separate string
        EXPECT_EQ(img.entry, expect);
        EXPECT_TRUE(img.hasFace);
    }
    {
        VorlageRecord s;
        s.Name = std::string("Gr\xF6\xDF" "e\0x", 7);  // any bytes, NUL included
        s.StyleKind = 0;
        s.Para = sampleFormat();
        s.Sample.setFontIndex(4);
        const auto bytes = encodeVorlageRecord(s);
        ByteReader in(bytes);
        const VorlageRecordImage img = decodeVorlageRecord(in);
        ASSERT_TRUE(in);
        VorlageRecord expect = s;
        expect.Para.Tabs.clear();
        expect.Para.BulletFace.reset();
        EXPECT_EQ(img.style, expect);
        EXPECT_EQ(img.tabCount, 3);
        EXPECT_TRUE(img.hasTabs && img.hasBulletFace);
    }
    {
        const auto bytes = encodeAbsatzFormat(AbsatzFormat{});
        ByteReader in(bytes);
        const AbsatzFormatImage img = decodeAbsatzFormat(in);
        ASSERT_TRUE(in);
        EXPECT_EQ(img.format, AbsatzFormat{});
        EXPECT_EQ(img.tabCount, 0);
        EXPECT_FALSE(img.hasTabs || img.hasBulletFace);
    }
}

TEST(RecordImageRoundTrip, ConsecutiveImagesInOneStream)
{
    // Files and the clipboard put images back to back with other data; each
    // decoder must consume exactly its image.
    ByteWriter w;
    w.i32(1);
    encodeTextArea(w, sampleArea());
    encodeTextLine(w, sampleLine());
    encodeTabStop(w, sampleTab(5));
    encodeTextChar(w, sampleChar());
    encodeFontEntry(w, sampleFont());
    encodeCellDesign(w, sampleDesign());
    encodeMouseObj(w, MouseObj{9, 8, 7, 6, 5});
    encodeTableTrack(w, TableTrack{1, 2, 3});
    w.i32(-12345);
    ASSERT_EQ(w.size(), 4 + kTextAreaSize + kTextLineSize + kTabStopSize + kTextCharSize +
                            kFontEntrySize + kCellDesignSize + kMouseObjSize + kTableTrackSize + 4);

    ByteReader in(w.buffer());
    EXPECT_EQ(in.i32(), 1);
    EXPECT_EQ(decodeTextArea(in).area.CandLine, 17);
    EXPECT_EQ(decodeTextLine(in).line.DropMarkAtStart, 11);
    EXPECT_EQ(decodeTabStop(in), sampleTab(5));
    EXPECT_EQ(decodeTextChar(in).ch.GapBefore(), 1.5f);
    EXPECT_EQ(decodeFontEntry(in).entry.Options, 0x2101);
    EXPECT_EQ(decodeCellDesign(in), sampleDesign());
    EXPECT_EQ(decodeMouseObj(in), (MouseObj{9, 8, 7, 6, 5}));
    EXPECT_EQ(decodeTableTrack(in), (TableTrack{1, 2, 3}));
    EXPECT_EQ(in.i32(), -12345);
    EXPECT_TRUE(in);
    EXPECT_TRUE(in.atEnd());
}

// ---- Hostile images -------------------------------------------------------

TEST(RecordImageDecode, TruncatedImagesFailTheReader)
{
    expectTruncatedFails(encodeTextArea(sampleArea()), [](ByteReader& in) { decodeTextArea(in); });
    expectTruncatedFails(encodeTextLine(sampleLine()), [](ByteReader& in) { decodeTextLine(in); });
    expectTruncatedFails(encodeTextChar(sampleChar()), [](ByteReader& in) { decodeTextChar(in); });
    expectTruncatedFails(encodeFontEntry(sampleFont()), [](ByteReader& in) { decodeFontEntry(in); });
    expectTruncatedFails(encodeAbsatzFormat(sampleFormat()), [](ByteReader& in) { decodeAbsatzFormat(in); });
    expectTruncatedFails(encodeTabStop(sampleTab(1)), [](ByteReader& in) { decodeTabStop(in); });
    expectTruncatedFails(encodeCellDesign(sampleDesign()), [](ByteReader& in) { decodeCellDesign(in); });
    expectTruncatedFails(encodeVorlageRecord(VorlageRecord{"A", 0, sampleFormat(), {}}),
                         [](ByteReader& in) { decodeVorlageRecord(in); });
    expectTruncatedFails(encodeMouseObj(MouseObj{}), [](ByteReader& in) { decodeMouseObj(in); });
    expectTruncatedFails(encodeTableTrack(TableTrack{}), [](ByteReader& in) { decodeTableTrack(in); });

    // A reader that has already failed stays failed and yields zeros.
    std::vector<uint8_t> none;
    ByteReader in(none);
    in.u8();
    const TextCharImage img = decodeTextChar(in);
    EXPECT_FALSE(in);
    EXPECT_EQ(img.ch.FontIndex(), 0);
    EXPECT_FALSE(img.hasParaCopy);
}

TEST(RecordImageDecode, AnyByteValuesDecodeAndCountsComeBackRaw)
{
    // All-0xFF images: NaN lengths, negative counts, every slot set. The
    // decoders carry them as they are; validating counts is the caller's job.
    {
        const auto bytes = filled(kTextAreaSize, 0xFF);
        ByteReader in(bytes);
        const TextAreaImage img = decodeTextArea(in);
        EXPECT_TRUE(in);
        EXPECT_EQ(img.lineCount, -1);
        EXPECT_TRUE(img.hasLines);
        EXPECT_TRUE(std::isnan(img.area.Left));
        EXPECT_TRUE(img.area.Lines.empty());
    }
    {
        const auto bytes = filled(kTextLineSize, 0xFF);
        ByteReader in(bytes);
        const TextLineImage img = decodeTextLine(in);
        EXPECT_TRUE(in);
        EXPECT_EQ(img.charCount, -1);
        EXPECT_EQ(img.tabCount, -1);
        EXPECT_TRUE(img.hasChars && img.hasTabs && img.hasBulletFace);
        EXPECT_TRUE(img.line.Chars.empty());
        EXPECT_TRUE(img.line.Para->Tabs.empty());
        EXPECT_FALSE(img.line.Para->BulletFace.has_value());
    }
    {
        // A length byte of 255 with a full name field, and a huge stored
        // tab count in the paragraph format.
        auto bytes = filled(kVorlageRecordSize, 0xFF);
        bytes[257 + 58] = 0xFF;
        bytes[257 + 61] = 0x7F;
        ByteReader in(bytes);
        const VorlageRecordImage img = decodeVorlageRecord(in);
        EXPECT_TRUE(in);
        EXPECT_EQ(img.style.Name.size(), 255u);
        EXPECT_EQ(img.tabCount, std::numeric_limits<int32_t>::max());
        EXPECT_FALSE(img.style.Sample.FieldCode().has_value());
    }
    {
        const auto bytes = filled(kFontEntrySize, 0xFF);
        ByteReader in(bytes);
        const FontEntryImage img = decodeFontEntry(in);
        EXPECT_TRUE(in);
        EXPECT_TRUE(img.hasFace);
        EXPECT_TRUE(img.entry.Face.empty());
        EXPECT_TRUE(std::isnan(img.entry.Size));
    }
    {
        // NaN payloads survive a round trip bit for bit.
        TextChar c;
        c.Width = std::numeric_limits<double>::quiet_NaN();
        c.setGapBefore(-std::numeric_limits<float>::infinity());
        const auto bytes = encodeTextChar(c);
        ByteReader in(bytes);
        const TextCharImage img = decodeTextChar(in);
        EXPECT_EQ(encodeTextChar(img.ch), bytes);
    }
}
