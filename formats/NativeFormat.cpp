// The native document file. Layout, little-endian and unaligned:
//
//   1  string: the magic text (length 60)
//   2  f64 zoom; i32 zoom mode; u8 auto hyphenation; i32 language
//   3  u8 property count (8); that many strings
//   4  i32 font count; per entry its 34-byte image and its face as a string
//   5  i32 footnote counter
//   6  i32 style count; per style its 387-byte image, its tab stops, and its
//      bullet face as a string when the image's face slot is not zero
//   7  i32 picture count; per picture: i32 header size, i32 colour count,
//      the 40-byte info header and palette, the pixel rows
//   8  anchor, cursor (3 x i32 each), i32 current page, u8 caret at line end
//   9  i32 area count; per area its 208-byte image and its lines, each line
//      in a compact form followed by its characters in a compact form
//  10  f64 page width, f64 page height (only when bytes are left)
//  11  inline paragraph formats (see below; only when there are any)
//
// A string is an i32 byte count and the bytes, no terminator.
//
// Block 11 is our addition: the paragraph format an inline paragraph end
// (code 13, inside a table cell) carries for the paragraph after it has no
// place in the character form, and a cell holding several paragraphs lost
// the formats of all but its first on every save. Readers that do not know
// the block stop after block 10, so files with it still open everywhere.
//
// The reader parses into a fresh NativeDocument; the window is touched only
// once the whole file has been read and checked.

#include "formats/NativeFormat.h"

#include "engine/Childwin.h"
#include "engine/RecordCodec.h"
#include "platform/ByteIO.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <new>
#include <utility>

namespace quillet {

namespace {

constexpr std::string_view kParaCopyTag = "QUILLET INLINE PARAGRAPH FORMATS 1";

constexpr uint8_t kPropertyCount = 8;
constexpr size_t kInfoHeaderSize = 40;
constexpr int32_t kMaxPaletteColours = 256;
constexpr double kMinZoom = 10;
constexpr double kMaxZoom = 250;

// Smallest number of bytes one element of each list can take in the file:
// counts are weighed against what is left before anything is reserved.
constexpr size_t kMinFontBytes = kFontEntrySize + 4;
constexpr size_t kMinPictureBytes = 8 + kInfoHeaderSize;
constexpr size_t kMinLineBytes = 4 + 4 + kAbsatzFormatSize + 1 + 4 + 4 + 8;
constexpr size_t kMinCharBytes = 3;
constexpr size_t kMinParaCopyBytes = 12 + kAbsatzFormatSize;

// ---- Writing --------------------------------------------------------------

void putFormatTail(ByteWriter& out, const AbsatzFormat& f)
{
    for (const TabStop& t : f.Tabs) encodeTabStop(out, t);
    if (f.BulletFace) out.lpString32(*f.BulletFace);
}

uint64_t strideOf(int64_t width, int64_t bpp) { return (uint64_t(width) * uint64_t(bpp) + 31) / 32 * 4; }

bool usablePicture(const Dib& d)
{
    const BitmapInfoHeader& h = d.Header;
    if (d.Bits.empty() || h.biWidth <= 0 || h.biHeight <= 0 || h.biBitCount == 0 || h.biBitCount > 32)
        return false;
    const uint64_t stride = strideOf(h.biWidth, h.biBitCount);
    return d.BytesPerRow > 0 && uint64_t(d.BytesPerRow) >= stride &&
           uint64_t(h.biHeight) <= d.Bits.size() / uint64_t(d.BytesPerRow);
}

void putPicture(ByteWriter& out, const Dib& d)
{
    // An empty slot (a released picture) goes out as a picture of no size,
    // which a reader leaves empty again.
    const bool usable = usablePicture(d);
    const BitmapInfoHeader h = usable ? d.Header : BitmapInfoHeader{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const int32_t bpp = h.biBitCount;
    // No palette either: a header of no size and depth stands alone.
    const bool palette = usable && bpp <= 8;
    const int32_t colours = palette ? PowerOfTwo(bpp) : 0;
    out.i32(palette ? colours * 4 + int32_t(kInfoHeaderSize) : int32_t(kInfoHeaderSize));
    out.i32(colours);
    encodeBitmapInfoHeader(out, h);
    for (int32_t i = 0; i < colours; ++i) {
        const RgbQuad q = size_t(i) < d.ColorTable.size() ? d.ColorTable[size_t(i)] : RgbQuad{};
        out.u8(q.Blue);
        out.u8(q.Green);
        out.u8(q.Red);
        out.u8(q.Reserved);
    }
    if (h.biWidth <= 0 || h.biHeight <= 0) return;
    const size_t stride = size_t(strideOf(h.biWidth, bpp));
    for (int32_t r = 0; r < h.biHeight; ++r) out.bytes(d.row(r), stride);
}

void putChar(ByteWriter& out, const TextChar& c)
{
    const bool smallFont = c.FontIndex() >= 0 && c.FontIndex() <= 255;
    out.u8(uint8_t((c.Kind & 0x0F) | ((c.Flags & 0x07) << 4) | (smallFont ? 0x80 : 0)));
    out.u8(c.Code);
    if (c.Code == 9) out.u8(c.TabLeader);
    if (smallFont) out.u8(uint8_t(c.FontIndex()));
    else out.i32(c.FontIndex());
    if (c.Kind == ckPicture) {
        out.u16(c.PictureIndex());
        out.f64(c.Width);
        out.f64(c.Height());
    } else if (c.Kind >= ckFootnoteRef && c.Kind <= ckField) {
        out.u16(c.ShownNumber());
        out.u16(c.FootnoteId());
        out.lpString32(c.FieldResult() ? std::string_view(*c.FieldResult()) : std::string_view());
        out.lpString32(c.FieldCode() ? std::string_view(*c.FieldCode()) : std::string_view());
        out.f64(c.Width);
        out.f64(c.Height());
    }
}

void putLine(ByteWriter& out, const TextLine& l)
{
    out.i32(l.CharCount());
    out.i32(l.EndKind);
    encodeAbsatzFormat(out, l.Para);
    putFormatTail(out, l.Para);
    out.u8(l.IsCell);
    if (l.IsCell) {
        out.u8(l.RowFirstRun);
        out.u8(l.RowLastRun);
        out.i32(l.CellsPerRow);
        out.i32(l.CellIndex);
        out.f64(l.CellWidth);
        out.f64(l.CellInsetLeft);
        out.f64(l.CellInsetRight);
        encodeCellDesign(out, l.Design);
    }
    out.i32(l.ColumnCount);
    out.i32(l.ColumnRule);
    out.f64(l.ColumnGap);
    for (const TextChar& c : l.Chars) putChar(out, c);
}

void putParaCopies(ByteWriter& out, const std::vector<TextArea>& areas)
{
    int32_t count = 0;
    for (const TextArea& a : areas)
        for (const TextLine& l : a.Lines)
            for (const TextChar& c : l.Chars)
                if (c.ParaCopy()) ++count;
    if (count == 0) return;
    out.lpString32(kParaCopyTag);
    out.i32(count);
    for (size_t ai = 0; ai < areas.size(); ++ai)
        for (size_t li = 0; li < areas[ai].Lines.size(); ++li) {
            const TextLine& l = areas[ai].Lines[li];
            for (size_t ci = 0; ci < l.Chars.size(); ++ci) {
                if (!l.Chars[ci].ParaCopy()) continue;
                out.i32(int32_t(ai));
                out.i32(int32_t(li));
                out.i32(int32_t(ci));
                encodeAbsatzFormat(out, *l.Chars[ci].ParaCopy());
                putFormatTail(out, *l.Chars[ci].ParaCopy());
            }
        }
}

// ---- Reading --------------------------------------------------------------

// A line outside tables.
void makePlainLine(TextLine& l)
{
    l.IsCell = 0;
    l.RowFirstRun = 0;
    l.RowLastRun = 0;
    l.CellsPerRow = 1;
    l.CellIndex = 0;
    l.CellWidth = 1.0;
    l.CellInsetLeft = 0;
    l.CellInsetRight = 0;
    SetStandardCellDesign(l.Design);
}

class Parser {
public:
    Parser(const uint8_t* data, size_t size) : in_(data, size) {}

    NativeReadResult run();

private:
    // Notes what was being read; the offset is where the bytes first gave
    // out or a check first gave up, which may be earlier than here.
    bool fail(const char* what)
    {
        in_.fail();
        if (error_.empty()) {
            error_ = what;
            errorOffset_ = in_.failOffset();
        }
        return false;
    }
    // count elements of at least minBytes each must fit in what is left.
    bool fits(int64_t count, size_t minBytes, const char* what)
    {
        return in_.fits(count, minBytes) || fail(what);
    }
    bool readString(std::string& s, const char* what) { return in_.lpString32(s) || fail(what); }
    bool readFormatTail(AbsatzFormat& f, const AbsatzFormatImage& img, const char* what);
    bool readFonts();
    bool readStyles();
    bool readPictures();
    bool readPicture(Dib& d);
    bool readAreas();
    bool readLine(TextLine& l);
    bool readChar(TextChar& c);
    bool readParaCopies();
    void repair();

    // Font indexes out of range fall back to the first entry, which then
    // has to exist (repair adds it).
    void fixFont(int32_t& index)
    {
        needFont_ = true;
        if (index < 0 || size_t(index) >= doc_.Fonts.size()) index = 0;
    }

    ByteReader in_;
    bool needFont_ = false;
    TextChar lastFont_;  // a character with the last font read, height 0
    NativeDocument doc_;
    std::string error_;
    size_t errorOffset_ = 0;
};

// Lengths and factors from a file stay within what a page can hold (ten
// metres), so layout and painting never meet a distance no loop or pixel
// count survives.
constexpr double kMaxLength = 10000;

double finiteOr(double v, double fallback)
{
    return std::isfinite(v) ? std::clamp(v, -kMaxLength, kMaxLength) : fallback;
}
double positiveOr(double v, double fallback)
{
    return std::isfinite(v) && v > 0 ? std::min(v, kMaxLength) : fallback;
}

// Lengths from a file feed divisions and loops in layout: no infinities,
// no NaN, no zero tab step.
void sanitize(AbsatzFormat& f)
{
    f.LineSpacing = finiteOr(f.LineSpacing, 1.0);
    f.SpaceAbove = finiteOr(f.SpaceAbove, 0);
    f.SpaceBelow = finiteOr(f.SpaceBelow, 0);
    f.LeftIndent = finiteOr(f.LeftIndent, 0);
    f.RightIndent = finiteOr(f.RightIndent, 0);
    f.FirstLineIndent = finiteOr(f.FirstLineIndent, 0);
    f.DefaultTabStep = positiveOr(f.DefaultTabStep, 12.5);
    f.ListIndent = finiteOr(f.ListIndent, 6.3);
    for (TabStop& t : f.Tabs) t.Position = finiteOr(t.Position, 0);
}

void sanitize(TextArea& a)
{
    for (double* v : {&a.Left, &a.Top, &a.Right, &a.Bottom, &a.InnerLeft, &a.InnerTop, &a.InnerRight,
                      &a.InnerBottom, &a.WrapDistanceY, &a.WrapDistanceX, &a.BorderWidth, &a.AnchorOffsetX,
                      &a.AnchorOffsetY, &a.CandOffsetX, &a.CandOffsetY})
        *v = finiteOr(*v, 0);
    a.CandDistance = finiteOr(a.CandDistance, -1);
}

bool Parser::readFormatTail(AbsatzFormat& f, const AbsatzFormatImage& img, const char* what)
{
    // A count below 1 means no tab array and no tab bytes.
    if (img.tabCount >= 1) {
        if (!fits(img.tabCount, kTabStopSize, what)) return false;
        f.Tabs.reserve(size_t(img.tabCount));
        for (int32_t i = 0; i < img.tabCount; ++i) f.Tabs.push_back(decodeTabStop(in_));
    }
    if (img.hasBulletFace) {
        std::string face;
        if (!readString(face, what)) return false;
        f.BulletFace = std::move(face);
    }
    sanitize(f);
    return bool(in_) || fail(what);
}

bool Parser::readFonts()
{
    const int32_t count = in_.i32();
    if (count < 1) return bool(in_) || fail("font count");
    if (!fits(count, kMinFontBytes, "font table")) return false;
    doc_.Fonts.reserve(size_t(count));
    for (int32_t i = 0; i < count; ++i) {
        FontEntryImage img = decodeFontEntry(in_);
        if (!readString(img.entry.Face, "font face")) return false;
        img.entry.Size = positiveOr(img.entry.Size, 12.0);
        doc_.Fonts.push_back(std::move(img.entry));
    }
    return true;
}

bool Parser::readStyles()
{
    const int32_t count = in_.i32();
    if (count < 1) return bool(in_) || fail("style count");
    if (!fits(count, kVorlageRecordSize, "style list")) return false;
    doc_.Vorlagen.reserve(size_t(count));
    for (int32_t i = 0; i < count; ++i) {
        VorlageRecordImage img = decodeVorlageRecord(in_);
        if (!in_) return fail("style");
        AbsatzFormatImage para;
        para.tabCount = img.tabCount;
        para.hasBulletFace = img.hasBulletFace;
        if (!readFormatTail(img.style.Para, para, "style tab stops")) return false;
        TextChar& s = img.style.Sample;
        s.FieldResult().reset();
        s.FieldCode().reset();
        s.ParaCopy().reset();
        doc_.Vorlagen.push_back(std::move(img.style));
    }
    return true;
}

bool Parser::readPicture(Dib& d)
{
    const int32_t headerSize = in_.i32();
    const int32_t colourCount = in_.i32();
    if (!in_ || headerSize < int32_t(kInfoHeaderSize) || size_t(headerSize) > in_.remaining())
        return fail("picture header");
    BitmapInfoHeader h;
    h.biSize = in_.u32();
    h.biWidth = in_.i32();
    h.biHeight = in_.i32();
    h.biPlanes = in_.u16();
    h.biBitCount = in_.u16();
    h.biCompression = in_.u32();
    h.biSizeImage = in_.u32();
    h.biXPelsPerMeter = in_.i32();
    h.biYPelsPerMeter = in_.i32();
    h.biClrUsed = in_.u32();
    h.biClrImportant = in_.u32();

    const size_t paletteBytes = size_t(headerSize) - kInfoHeaderSize;
    const size_t entries = std::min<size_t>(paletteBytes / 4, kMaxPaletteColours);
    std::vector<RgbQuad> palette(entries);
    for (RgbQuad& q : palette) {
        q.Blue = in_.u8();
        q.Green = in_.u8();
        q.Red = in_.u8();
        q.Reserved = in_.u8();
    }
    in_.skip(paletteBytes - entries * 4);
    if (!in_) return fail("picture palette");

    // The pixel block follows from the header alone, made or not.
    uint64_t pixelBytes = 0;
    if (h.biWidth > 0 && h.biHeight > 0) {
        const uint64_t stride = strideOf(h.biWidth, h.biBitCount);
        if (!fits(h.biHeight, size_t(stride), "picture pixels")) return false;
        pixelBytes = stride * uint64_t(h.biHeight);
    }
    if (pixelBytes > in_.remaining()) return fail("picture pixels");

    Dib made;
    if (pixelBytes > 0)
        newdib(&made, h.biWidth, h.biHeight, h.biBitCount, &palette, std::min(colourCount, kMaxPaletteColours));
    if (!made.empty() && made.Bits.size() == pixelBytes) {
        in_.bytes(made.Bits.data(), size_t(pixelBytes));
        made.Header.biXPelsPerMeter = h.biXPelsPerMeter;
        made.Header.biYPelsPerMeter = h.biYPelsPerMeter;
        d = std::move(made);
    } else {
        // A picture that cannot be made stays an empty slot.
        in_.skip(size_t(pixelBytes));
    }
    return bool(in_) || fail("picture pixels");
}

bool Parser::readPictures()
{
    const int32_t count = in_.i32();
    if (count < 1) return bool(in_) || fail("picture count");
    if (!fits(count, kMinPictureBytes, "picture list")) return false;
    doc_.Pictures.reserve(size_t(count));
    for (int32_t i = 0; i < count; ++i) {
        doc_.Pictures.emplace_back();
        if (!readPicture(doc_.Pictures.back())) return false;
    }
    return true;
}

bool Parser::readChar(TextChar& c)
{
    const uint8_t head = in_.u8();
    c.Kind = head & 0x0F;
    c.Flags = (head >> 4) & 0x07;
    c.Code = in_.u8();
    if (!in_ || c.Kind > ckField) return fail("character");
    if (c.Code == 9) c.TabLeader = in_.u8();
    int32_t font = (head & 0x80) ? int32_t(in_.u8()) : in_.i32();
    // The font list is read by now: the index is brought into range here
    // rather than in a second walk over every character.
    fixFont(font);
    // Text comes in runs of one font: the look is found once per run.
    if (font != lastFont_.FontIndex()) lastFont_.setFontIndex(font);
    c.setLookOf(lastFont_);
    if (c.Kind == ckPicture) {
        c.setPictureIndex(in_.u16());
        c.Width = finiteOr(in_.f64(), 0);
        c.setHeight(finiteOr(in_.f64(), 0));
    } else if (c.Kind != ckText) {
        c.setShownNumber(in_.u16());
        c.setFootnoteId(in_.u16());
        std::string result, code;
        if (!readString(result, "field result") || !readString(code, "field code")) return false;
        if (!result.empty()) c.FieldResult() = std::move(result);
        if (!code.empty()) c.FieldCode() = std::move(code);
        c.Width = finiteOr(in_.f64(), 0);
        c.setHeight(finiteOr(in_.f64(), 0));
    }
    return bool(in_) || fail("character");
}

bool Parser::readLine(TextLine& l)
{
    const int32_t charCount = in_.i32();
    l.EndKind = in_.i32();
    AbsatzFormatImage para = decodeAbsatzFormat(in_);
    if (!in_) return fail("line");
    para.format.Tabs.clear();
    para.format.BulletFace.reset();
    l.Para = std::move(para.format);
    if (!readFormatTail(l.Para.edit(), para, "line tab stops")) return false;

    l.IsCell = in_.u8();
    if (l.IsCell) {
        l.RowFirstRun = in_.u8();
        l.RowLastRun = in_.u8();
        l.CellsPerRow = in_.i32();
        l.CellIndex = in_.i32();
        l.CellWidth = positiveOr(in_.f64(), 1.0);
        l.CellInsetLeft = finiteOr(in_.f64(), 0);
        l.CellInsetRight = finiteOr(in_.f64(), 0);
        l.Design = decodeCellDesign(in_);
        for (double& w : l.Design.BorderWidth) w = finiteOr(w, 0.75);
        if (l.CellsPerRow < 1) l.CellsPerRow = 1;
        l.CellIndex = std::clamp(l.CellIndex, 0, l.CellsPerRow - 1);
    } else {
        makePlainLine(l);
    }
    l.ColumnCount = in_.i32();
    l.ColumnRule = in_.i32();
    l.ColumnGap = finiteOr(in_.f64(), 12.5);
    l.AnchorId = 0;
    l.Dirty = 1;
    if (!in_) return fail("line");

    if (charCount >= 1) {
        if (!fits(charCount, kMinCharBytes, "characters")) return false;
        l.Chars.resize(size_t(charCount));
        for (TextChar& c : l.Chars)
            if (!readChar(c)) return false;
    }
    return true;
}

bool Parser::readAreas()
{
    const int32_t count = in_.i32();
    if (!in_) return fail("area count");
    // Every document has at least its page body; a file without one came
    // from somewhere else.
    if (count < 1 || !fits(count, kTextAreaSize, "area table")) return fail("area table");
    doc_.Areas.reserve(size_t(count));
    for (int32_t i = 0; i < count; ++i) {
        TextAreaImage img = decodeTextArea(in_);
        if (!in_ || img.area.AreaType > atGraphic) return fail("area");
        sanitize(img.area);
        doc_.Areas.push_back(std::move(img.area));
        TextArea& a = doc_.Areas.back();
        if (img.lineCount < 1) continue;
        if (!fits(img.lineCount, kMinLineBytes, "lines")) return false;
        a.Lines.resize(size_t(img.lineCount));
        for (int32_t li = 0; li < img.lineCount; ++li) {
            InitNewLine(a.Lines, li);
            if (!readLine(a.Lines[size_t(li)])) return false;
            // Lines of one format hold one block: a paragraph's lines at least.
            if (li > 0) a.Lines[size_t(li)].Para.shareIfEqual(a.Lines[size_t(li) - 1].Para);
        }
        // The cells of a row run are lines of the same area side by side,
        // so a row never has more cells than its area has lines; layout and
        // drawing walk a whole row for every cell.
        for (TextLine& l : a.Lines) {
            l.CellsPerRow = std::min(l.CellsPerRow, img.lineCount);
            if (l.CellsPerRow > kMaxCellsPerRow) {
                // No page shows such a row. Its cells become paragraphs of
                // their own, so the text stays and the table goes.
                makePlainLine(l);
                if (l.EndKind == ekSoft) l.EndKind = ekParagraph;
            }
            l.CellIndex = std::clamp(l.CellIndex, 0, l.CellsPerRow - 1);
        }
    }
    return true;
}

bool Parser::readParaCopies()
{
    const int32_t tagLength = in_.i32();
    if (!in_ || tagLength != int32_t(kParaCopyTag.size()) || in_.remaining() < kParaCopyTag.size() ||
        in_.str(kParaCopyTag.size()) != kParaCopyTag) {
        // Someone else's trailing bytes: not ours to read.
        return true;
    }
    const int32_t count = in_.i32();
    if (!fits(count, kMinParaCopyBytes, "inline paragraph formats")) return false;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t area = in_.i32();
        const int32_t line = in_.i32();
        const int32_t ch = in_.i32();
        AbsatzFormatImage img = decodeAbsatzFormat(in_);
        if (!in_) return fail("inline paragraph format");
        img.format.Tabs.clear();
        img.format.BulletFace.reset();
        if (!readFormatTail(img.format, img, "inline paragraph format")) return false;
        // Only an inline paragraph end carries one; anything else is dropped.
        if (area < 0 || size_t(area) >= doc_.Areas.size()) continue;
        auto& lines = doc_.Areas[size_t(area)].Lines;
        if (line < 0 || size_t(line) >= lines.size()) continue;
        auto& chars = lines[size_t(line)].Chars;
        if (ch < 0 || size_t(ch) >= chars.size() || chars[size_t(ch)].Code != 13) continue;
        chars[size_t(ch)].ParaCopy() = std::move(img.format);
    }
    return true;
}

// Links and indexes come from the file: bring them into range so no later
// walk can leave the arrays or loop forever.
void Parser::repair()
{
    std::vector<TextArea>& areas = doc_.Areas;
    const int32_t n = int32_t(areas.size());
    auto inRange = [n](int32_t i) { return i >= 0 && i < n; };
    for (int32_t i = 0; i < n; ++i) {
        TextArea& a = areas[size_t(i)];
        if (!inRange(a.PrevInFlow) || a.PrevInFlow == i) a.PrevInFlow = -1;
        if (!inRange(a.NextInFlow) || a.NextInFlow == i) a.NextInFlow = -1;
    }
    // A link stands only when both ends agree; that leaves paths and rings.
    for (int32_t i = 0; i < n; ++i) {
        TextArea& a = areas[size_t(i)];
        if (a.NextInFlow != -1 && areas[size_t(a.NextInFlow)].PrevInFlow != i) a.NextInFlow = -1;
    }
    for (int32_t i = 0; i < n; ++i) {
        TextArea& a = areas[size_t(i)];
        if (a.PrevInFlow != -1 && areas[size_t(a.PrevInFlow)].NextInFlow != i) a.PrevInFlow = -1;
    }
    std::vector<uint8_t> reached(size_t(n), 0);
    auto walk = [&](int32_t head) {
        for (int32_t i = head; i != -1 && !reached[size_t(i)]; i = areas[size_t(i)].NextInFlow) reached[size_t(i)] = 1;
    };
    for (int32_t i = 0; i < n; ++i)
        if (areas[size_t(i)].PrevInFlow == -1) walk(i);
    for (int32_t i = 0; i < n; ++i) {
        if (reached[size_t(i)]) continue;
        // A ring: open it in front of its first area.
        TextArea& a = areas[size_t(i)];
        areas[size_t(a.PrevInFlow)].NextInFlow = -1;
        a.PrevInFlow = -1;
        walk(i);
    }

    // The page count follows from the page bodies' page numbers, one body
    // a page: a number past the bodies there are would make pages nothing
    // fills. Other areas stand on one of those pages.
    int32_t bodies = 0;
    for (const TextArea& a : areas) bodies += a.AreaType == atPageBody ? 1 : 0;
    const int32_t lastPage = std::max(bodies - 1, 0);
    for (TextArea& a : areas) a.PageIndex = std::clamp(a.PageIndex, 0, lastPage);
    // So does the page the window stood on: undo, footnote numbers and the
    // page shown in the status bar take it for one of the pages.
    doc_.CurrentPage = std::clamp(doc_.CurrentPage, 0, lastPage);

    // The characters' font indexes were fixed as they were read.
    for (VorlageRecord& s : doc_.Vorlagen) {
        int32_t font = s.Sample.FontIndex();
        fixFont(font);
        s.Sample.setFontIndex(font);
    }
    if (needFont_ && doc_.Fonts.empty()) doc_.Fonts.emplace_back();
    // A picture index past the list stays as it is: every user of the list
    // checks the index and draws nothing for a missing picture.
}

NativeReadResult Parser::run()
{
    NativeReadResult result;
    const int32_t magicLength = in_.i32();
    if (!in_ || magicLength != int32_t(kNativeMagic.size()) || in_.remaining() < kNativeMagic.size() ||
        in_.str(kNativeMagic.size()) != kNativeMagic) {
        result.badMagic = true;
        result.error = "magic";
        return result;
    }

    bool ok = true;
    doc_.ZoomPercent = positiveOr(in_.f64(), 100);
    doc_.ZoomMode = in_.i32();
    doc_.AutoHyphenation = in_.u8();
    doc_.DocLanguage = in_.i32();
    if (!in_) ok = fail("window state");
    // The zoom sizes the page image; the view offers 10 to 250 percent and
    // three modes, and the program knows two languages.
    doc_.ZoomPercent = std::clamp(doc_.ZoomPercent, kMinZoom, kMaxZoom);
    if (doc_.ZoomMode < 0 || doc_.ZoomMode > 2) doc_.ZoomMode = 0;
    if (doc_.DocLanguage != 1) doc_.DocLanguage = 0;

    if (ok) {
        const uint8_t properties = in_.u8();
        for (int i = 0; ok && i < properties; ++i) {
            std::string s;
            ok = readString(s, "document properties");
            if (ok && i < kPropertyCount) doc_.DocProperties[size_t(i)] = std::move(s);
        }
        ok = ok && (bool(in_) || fail("document properties"));
    }
    ok = ok && readFonts();
    if (ok) {
        doc_.FootnoteCounter = in_.i32();
        ok = bool(in_) || fail("footnote counter");
    }
    ok = ok && readStyles();
    ok = ok && readPictures();
    if (ok) {
        doc_.Anchor = TextPos{in_.i32(), in_.i32(), in_.i32()};
        doc_.Cursor = TextPos{in_.i32(), in_.i32(), in_.i32()};
        doc_.CurrentPage = in_.i32();
        doc_.CaretAtLineEnd = in_.u8();
        ok = bool(in_) || fail("cursor");
    }
    ok = ok && readAreas();
    if (ok && !in_.atEnd()) {
        const double width = in_.f64();
        const double height = in_.f64();
        ok = bool(in_) || fail("page size");
        if (ok && std::isfinite(width) && width > 0 && std::isfinite(height) && height > 0) {
            doc_.HasPageSize = true;
            doc_.PageWidth = width;
            doc_.PageHeight = height;
        }
    }
    if (ok && !in_.atEnd()) ok = readParaCopies();

    if (!ok) {
        result.error = error_.empty() ? "file" : error_;
        result.errorOffset = error_.empty() ? in_.failOffset() : errorOffset_;
        return result;
    }
    repair();
    result.ok = true;
    result.doc = std::move(doc_);
    return result;
}

// ---- Files ------------------------------------------------------------------

// Our documents carry the six header and footer areas right after the page
// body. A file that stops short of them (made by hand or cut off between
// areas) gets the missing ones as a new window makes them, so page setup and
// the header and footer commands find what they expect. Anything else in
// those places is left alone: every user checks the area's type.
void completeHeaderFooter(TMDIChild& w)
{
    constexpr size_t kStandardAreas = 7;
    std::vector<TextArea>& areas = w.Areas;
    if (areas.empty() || areas.size() >= kStandardAreas || areas[0].AreaType != atPageBody) return;
    for (size_t i = 1; i < areas.size(); ++i)
        if (areas[i].AreaType != (i % 2 == 1 ? atHeader : atFooter)) return;
    for (size_t i = areas.size(); i < kStandardAreas; ++i) {
        if (i % 2 == 1) w.NewHeaderField();
        else w.NewFooterField();
        // Only the pair for all pages shows until page setup asks for more.
        areas.back().PageMode = i < 5 ? 99 : 1;
    }
}

// The measures of text characters by font and code, each taken from the
// window once. Tables are made for the fonts characters use, up to a bound
// a file of many fonts cannot push memory past; beyond it characters are
// measured one by one.
class CharMeasures {
public:
    explicit CharMeasures(TMDIChild& w) : w_(w), slot_(w.Fonts.size(), -1) {}

    void measure(TextChar& c)
    {
        if (c.FontIndex() < 0 || size_t(c.FontIndex()) >= slot_.size()) return measureAlone(c);
        int32_t& slot = slot_[size_t(c.FontIndex())];
        if (slot < 0) {
            if (tables_.size() >= kMaxTables) return measureAlone(c);
            slot = int32_t(tables_.size());
            tables_.emplace_back();
        }
        Measure& k = tables_[size_t(slot)][c.Code];
        if (!k.Known) {
            measureAlone(c);
            k = Measure{true, c};
            return;
        }
        c.Width = k.Sample.Width;
        c.setLookOf(k.Sample);
    }

private:
    static constexpr size_t kMaxTables = 256;
    struct Measure {
        bool Known = false;
        TextChar Sample;  // width and look as measured
    };

    void measureAlone(TextChar& c)
    {
        const char text = char(c.Code);
        w_.RenderChar(c, false, std::string_view(&text, 1));
    }

    TMDIChild& w_;
    std::vector<int32_t> slot_;  // table of each font entry, -1: none yet
    std::vector<std::array<Measure, 256>> tables_;
};

// About the size of the document's image, from counts alone: the buffer is
// reserved once instead of doubling a few dozen times as it is written.
size_t imageSizeGuess(const TMDIChild& w)
{
    size_t n = 4096 + w.Fonts.size() * (kMinFontBytes + 32) + w.Vorlagen.size() * (kVorlageRecordSize + 64);
    for (const Dib& d : w.Pictures) n += kMinPictureBytes + 1024 + d.Bits.size();
    for (const TextArea& a : w.Areas) {
        n += kTextAreaSize;
        for (const TextLine& l : a.Lines) {
            // Most characters take three bytes; tabs, large font indexes,
            // pictures and fields take more.
            n += kMinLineBytes + l.Para->Tabs.size() * kTabStopSize + (l.IsCell ? 96 : 0);
            n += l.Chars.size() * kMinCharBytes + l.Chars.size() / 8;
        }
    }
    return n;
}

} // namespace

NativeReadResult readNativeDocument(const uint8_t* data, size_t size)
{
    try {
        return Parser(data, size).run();
    } catch (const std::bad_alloc&) {
        // Budgets keep allocations within the file's size; this is a
        // machine that cannot hold even that.
        NativeReadResult r;
        r.error = "out of memory";
        r.outOfMemory = true;
        return r;
    }
}

std::vector<uint8_t> writeNativeDocument(const TMDIChild& w)
{
    ByteWriter out;
    out.buffer().reserve(imageSizeGuess(w));
    out.lpString32(kNativeMagic);

    out.f64(w.ZoomPercent);
    out.i32(w.ZoomMode);
    out.u8(w.AutoHyphenation);
    out.i32(w.DocLanguage);

    out.u8(kPropertyCount);
    for (const std::string& s : w.DocProperties) out.lpString32(s);

    out.i32(w.FontCount());
    for (const FontEntry& f : w.Fonts) {
        encodeFontEntry(out, f);
        out.lpString32(f.Face);
    }

    out.i32(w.FootnoteCounter);

    out.i32(int32_t(w.Vorlagen.size()));
    for (const VorlageRecord& s : w.Vorlagen) {
        encodeVorlageRecord(out, s);
        putFormatTail(out, s.Para);
    }

    out.i32(int32_t(w.Pictures.size()));
    for (const Dib& d : w.Pictures) putPicture(out, d);

    for (const TextPos& p : {w.Anchor, w.Cursor}) {
        out.i32(p.Area);
        out.i32(p.Line);
        out.i32(p.Char);
    }
    out.i32(w.CurrentPage);
    out.u8(w.CaretAtLineEnd);

    out.i32(w.AreaCount());
    for (const TextArea& a : w.Areas) {
        encodeTextArea(out, a);
        for (const TextLine& l : a.Lines) putLine(out, l);
    }

    out.f64(w.PageWidth);
    out.f64(w.PageHeight);

    putParaCopies(out, w.Areas);
    return std::move(out.buffer());
}

void takeNativeDocument(TMDIChild& w, NativeDocument&& doc)
{
    w.FreeFields();
    w.ZoomPercent = doc.ZoomPercent;
    w.ZoomMode = doc.ZoomMode;
    w.AutoHyphenation = doc.AutoHyphenation;
    // Loads the word list and patterns when the language changes.
    w.SetNewDokumentSprache(doc.DocLanguage);
    w.DocProperties = std::move(doc.DocProperties);
    w.Fonts = std::move(doc.Fonts);
    w.FootnoteCounter = doc.FootnoteCounter;
    w.Vorlagen = std::move(doc.Vorlagen);
    w.FreeBilderListe();
    w.Pictures = std::move(doc.Pictures);
    w.Anchor = doc.Anchor;
    w.Cursor = doc.Cursor;
    w.CurrentPage = doc.CurrentPage;
    w.CaretAtLineEnd = doc.CaretAtLineEnd;
    w.Areas = std::move(doc.Areas);
    completeHeaderFooter(w);
    if (doc.HasPageSize) {
        w.PageWidth = doc.PageWidth;
        w.PageHeight = doc.PageHeight;
    }
    // Hot zones and table tracks name areas of the old document.
    w.FreeMouseObjs();
    w.FreeTableTrack();

    // Text characters are measured again, so the layout follows the printer
    // of this machine, not the one the file was saved with. Every character
    // of one font and code measures the same: each pair is measured once.
    CharMeasures measures(w);
    for (TextArea& a : w.Areas)
        for (TextLine& l : a.Lines)
            for (TextChar& c : l.Chars)
                if (c.Kind == ckText) measures.measure(c);
    w.ClampPositions();
    w.InvalidateMarking();
}

} // namespace quillet
