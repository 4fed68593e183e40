// The private clipboard stream (ClipboardStream.h). Records go through the
// record codec field by field; everything around them (tags, strings,
// pictures) is written and read here, every read through the byte cursor.
//
// Stream: i32 mode; text mode: i32 row flag, line records, i32 0; areas
// mode: area records, i32 0; then one area record per footnote reference
// met. Area record: i32 1, area image, line records, i32 0. Line record:
// i32 1, line image (its char count = the entries that follow), tab stops,
// bullet face when the image says so, character entries, i32 line end
// selected. Character entry: char image, font entry image, face; a
// picture's bits and header with palette; a field's result and code.

#include "engine/ClipboardStream.h"
#include "engine/RecordCodec.h"
#include "platform/ByteIO.h"
#include "platform/LargeBlock.h"

#include <algorithm>
#include <cstring>

namespace quillet {

namespace {

constexpr size_t kHeaderSize = 40;
// Smallest character entry: the two images and an empty face.
constexpr size_t kMinCharEntry = kTextCharSize + kFontEntrySize + 4;
// Longest face name and field text the stream may carry.
constexpr size_t kMaxFace = 255;
constexpr size_t kMaxFieldText = size_t(1) << 20;

// ---- Writing -------------------------------------------------------------------

class Writer {
public:
    explicit Writer(const ClipFragment& f) : F(f) {}

    void line(const TextLine& l, uint8_t endSelected)
    {
        out.i32(1);
        encodeTextLine(out, l, l.CharCount());
        for (const TabStop& t : l.Para.Tabs) encodeTabStop(out, t);
        if (l.Para.BulletFace) out.lpString32(*l.Para.BulletFace);
        for (const TextChar& c : l.Chars) character(c);
        out.i32(endSelected);
    }

    // The same record as line() of the line with only the copied
    // characters, read where they lie.
    void line(const ClipTextView::Line& v, const ClipTextView& view, size_t& altered)
    {
        const TextLine& l = *v.Source;
        out.i32(1);
        if (v.To > v.From || l.Chars.empty()) {
            encodeTextLine(out, l, v.To - v.From);
        } else {
            // The image says whether the line has characters at all.
            TextLine head = l;
            head.Chars.clear();
            encodeTextLine(out, head, 0);
        }
        for (const TabStop& t : l.Para.Tabs) encodeTabStop(out, t);
        if (l.Para.BulletFace) out.lpString32(*l.Para.BulletFace);
        for (int32_t i = v.From; i < v.To; ++i) {
            const TextChar& c = l.Chars[size_t(i)];
            if (clipAltersChar(c) && altered < view.Altered.size()) character(view.Altered[altered++]);
            else character(c);
        }
        out.i32(v.EndSelected);
    }

    void area(const TextArea& a)
    {
        out.i32(1);
        encodeTextArea(out, a);
        for (const TextLine& l : a.Lines) line(l, 1);
        out.i32(0);
    }

    void character(const TextChar& c)
    {
        const std::vector<uint8_t>& head = entryHead(c);
        out.bytes(head.data(), head.size());
        if (c.Kind == ckPicture) {
            const Dib* d = c.PictureIndex < F.Pictures.size() ? &F.Pictures[c.PictureIndex] : nullptr;
            if (d && dibUsable(*d)) {
                out.i32(int32_t(d->Bits.size()));
                out.bytes(d->Bits.data(), d->Bits.size());
                const size_t colours = std::min<size_t>(d->ColorTable.size(), 256);
                out.i32(int32_t(kHeaderSize + 4 * colours));
                encodeBitmapInfoHeader(out, d->Header);
                for (size_t i = 0; i < colours; ++i) {
                    const RgbQuad& q = d->ColorTable[i];
                    out.u8(q.Blue);
                    out.u8(q.Green);
                    out.u8(q.Red);
                    out.u8(0);
                }
            } else {
                // No picture to send: an empty block the reader refuses,
                // never bits of another picture.
                out.i32(0);
                out.i32(0);
            }
        } else if (c.Kind == ckField) {
            out.lpString32(c.FieldResult() ? *c.FieldResult() : std::string());
            out.lpString32(c.FieldCode() ? *c.FieldCode() : std::string());
        }
    }

    // Everything the character image says: two characters alike in all of
    // it have the same image, bit for bit.
    struct CharKey {
        uint32_t Width = 0, Height = 0;  // float bits: each gives one f64 in the image
        int32_t FontIndex = 0;
        uint32_t GapBefore = 0;
        uint16_t ShownNumber = 0, FootnoteId = 0, PictureIndex = 0;
        uint8_t Kind = 0, Code = 0, TabLeader = 0, Flags = 0, Slots = 0;
        friend bool operator==(const CharKey&, const CharKey&) = default;
    };
    static CharKey keyOf(const TextChar& c)
    {
        CharKey k;
        std::memcpy(&k.Width, &c.Width, sizeof k.Width);
        std::memcpy(&k.Height, &c.Height, sizeof k.Height);
        std::memcpy(&k.GapBefore, &c.GapBefore, sizeof k.GapBefore);
        k.FontIndex = c.FontIndex;
        k.ShownNumber = c.ShownNumber();
        k.FootnoteId = c.FootnoteId;
        k.PictureIndex = c.PictureIndex;
        k.Kind = c.Kind;
        k.Code = c.Code;
        k.TabLeader = c.TabLeader;
        k.Flags = c.Flags;
        k.Slots = uint8_t(int(c.FieldResult().has_value()) | (int(c.FieldCode().has_value()) << 1) |
                          (int(c.ParaCopy().has_value()) << 2));
        return k;
    }

    // A character entry starts with the character's image and its font
    // entry with face. A long text is mostly the same few letters in the
    // same few fonts, so the start of each entry is kept by what it depends
    // on and written again as one block, instead of being encoded a field
    // at a time for every character.
    const std::vector<uint8_t>& entryHead(const TextChar& c)
    {
        const CharKey key = keyOf(c);
        const size_t h = (size_t(key.Code) * 0x9E3779B1u ^ size_t(key.FontIndex) * 0x85EBCA77u ^ size_t(key.Width) ^
                          size_t(key.Flags) << 8) %
                         kHeadSlots;
        if (Heads.empty()) Heads.resize(kHeadSlots);
        Head& slot = Heads[h];
        if (slot.Bytes.empty() || !(slot.Key == key)) {
            ByteWriter w;
            w.buffer().swap(slot.Bytes);
            w.buffer().clear();
            encodeTextChar(w, c);
            const std::vector<uint8_t>& font = fontBytes(c.FontIndex);
            w.bytes(font.data(), font.size());
            slot.Bytes.swap(w.buffer());
            slot.Key = key;
        }
        return slot.Bytes;
    }

    // Every character carries its font entry and face: each entry is
    // encoded once and its bytes repeated.
    const std::vector<uint8_t>& fontBytes(int32_t index)
    {
        const size_t slot = index >= 0 && size_t(index) < F.Fonts.size() ? size_t(index) : F.Fonts.size();
        if (FontImages.empty()) FontImages.resize(F.Fonts.size() + 1);
        std::vector<uint8_t>& bytes = FontImages[slot];
        if (bytes.empty()) {
            const FontEntry none;
            const FontEntry& font = slot < F.Fonts.size() ? F.Fonts[slot] : none;
            ByteWriter w;
            encodeFontEntry(w, font);
            w.lpString32(font.Face);
            bytes = std::move(w.buffer());
        }
        return bytes;
    }

    // The stream's size, near enough that the buffer grows once: a large
    // copy would otherwise spend its time moving what it has written. A
    // spare block with room (the last copy's, its memory already in place)
    // takes the stream unless it is far larger than needed.
    void reserveFor(const ClipFragment& f, const ClipTextView* view, std::vector<uint8_t>&& spare)
    {
        size_t size = 64;
        auto addHead = [&](const TextLine& l) {
            size += 4 + kTextLineSize + kTabStopSize * l.Para.Tabs.size() + 4;
            if (l.Para.BulletFace) size += 4 + l.Para.BulletFace->size();
        };
        auto addLine = [&](const TextLine& l) {
            addHead(l);
            for (const TextChar& c : l.Chars) size += kTextCharSize + fontBytes(c.FontIndex).size();
        };
        if (view)
            for (const ClipTextView::Line& v : view->Lines) {
                addHead(*v.Source);
                for (int32_t i = v.From; i < v.To; ++i)
                    size += kTextCharSize + fontBytes(v.Source->Chars[size_t(i)].FontIndex).size();
            }
        auto addArea = [&](const TextArea& a) {
            size += 8 + kTextAreaSize;
            for (const TextLine& l : a.Lines) addLine(l);
        };
        for (const ClipFragment::Line& l : f.Lines) addLine(l.Text);
        for (const TextArea& a : f.Areas) addArea(a);
        for (const TextArea& a : f.Footnotes) addArea(a);
        if (spare.capacity() >= size && spare.capacity() / 2 <= size) {
            spare.clear();
            out.buffer().swap(spare);
        }
        spare = {};
        reserveLargeBlock(out.buffer(), size);
    }

    const ClipFragment& F;
    ByteWriter out;
    std::vector<std::vector<uint8_t>> FontImages;
    struct Head {
        CharKey Key;
        std::vector<uint8_t> Bytes;
    };
    static constexpr size_t kHeadSlots = 4093;
    std::vector<Head> Heads;
};

// ---- Reading -------------------------------------------------------------------

class Reader {
public:
    Reader(std::span<const uint8_t> bytes, ClipFragment& f) : in(bytes.data(), bytes.size()), F(f) {}

    bool fail()
    {
        in.fail();
        return false;
    }

    // A tag: 1 a record follows, 0 the list ends; anything else is damage.
    bool tag(bool& more)
    {
        const int32_t t = in.i32();
        if (!in || (t != 0 && t != 1)) return fail();
        more = t == 1;
        return true;
    }

    bool line(TextLine& l, uint8_t& endSelected)
    {
        TextLineImage img = decodeTextLine(in);
        if (!in) return false;
        if (img.tabCount < 0 || img.tabCount > kClipMaxTabs || !in.fits(img.tabCount, kTabStopSize)) return fail();
        if (img.charCount < 0 || img.charCount > kClipMaxChars || !in.fits(img.charCount, kMinCharEntry)) return fail();
        l = std::move(img.line);
        l.Para.Tabs.clear();
        for (int32_t i = 0; i < img.tabCount; ++i) l.Para.Tabs.push_back(decodeTabStop(in));
        l.Para.BulletFace.reset();
        if (img.hasBulletFace) {
            std::string face;
            if (!in.lpString32(face, kMaxFace)) return false;
            l.Para.BulletFace = std::move(face);
        }
        // Cells and paragraphs of damaged images are held to sane shapes.
        if (l.EndKind < ekSoft || l.EndKind > ekPageBreak) return fail();
        if (l.IsCell && (l.CellsPerRow < 1 || l.CellsPerRow > kMaxCellsPerRow || l.CellIndex < 0 ||
                         l.CellIndex >= l.CellsPerRow))
            return fail();
        l.Chars.clear();
        l.Chars.reserve(size_t(img.charCount));
        for (int32_t i = 0; i < img.charCount; ++i) {
            TextChar c;
            if (!character(c, l.Para)) return false;
            l.Chars.push_back(std::move(c));
        }
        const int32_t sel = in.i32();
        if (!in || (sel != 0 && sel != 1)) return fail();
        endSelected = uint8_t(sel);
        l.Dirty = 1;
        return true;
    }

    bool character(TextChar& c, const AbsatzFormat& para)
    {
        TextCharImage img = decodeTextChar(in);
        FontEntryImage font = decodeFontEntry(in);
        if (!in) return false;
        std::string face;
        if (!in.lpString32(face, kMaxFace)) return false;
        font.entry.Face = std::move(face);
        c = std::move(img.ch);
        if (c.Kind > ckField) return fail();
        c.FontIndex = fontIndex(font.entry);
        c.FieldResult().reset();
        c.FieldCode().reset();
        c.ParaCopy().reset();
        // The stream does not carry an inline paragraph end's own format:
        // it takes the format of the line it was copied with.
        if (img.hasParaCopy) c.ParaCopy() = para;
        if (c.Kind == ckPicture) {
            if (!picture(c)) return false;
        } else if (c.Kind == ckField) {
            std::string result, code;
            if (!in.lpString32(result, kMaxFieldText) || !in.lpString32(code, kMaxFieldText)) return false;
            c.FieldResult() = std::move(result);
            c.FieldCode() = std::move(code);
        } else if (c.Kind == ckFootnoteRef) {
            ++Refs;
        }
        return true;
    }

    bool picture(TextChar& c)
    {
        const int32_t n = in.i32();
        if (!in || n <= 0 || size_t(n) > in.remaining()) return fail();
        const size_t bitsAt = in.offset();
        in.skip(size_t(n));
        const int32_t m = in.i32();
        if (!in || m < int32_t(kHeaderSize) || m > int32_t(kHeaderSize) + kClipMaxPaletteBytes || (m - int32_t(kHeaderSize)) % 4 != 0 ||
            size_t(m) > in.remaining())
            return fail();
        const uint32_t size = in.u32();
        const int32_t width = in.i32();
        const int32_t height = in.i32();
        in.skip(2);
        const uint16_t bpp = in.u16();
        const uint32_t compression = in.u32();
        in.skip(4);
        const int32_t xppm = in.i32();
        const int32_t yppm = in.i32();
        in.skip(8);
        if (!in || size != kHeaderSize || compression != 0 || width <= 0 || height <= 0) return fail();
        if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return fail();
        if (uint64_t(width) * uint64_t(height) > kMaxDibPixels) return fail();
        // The colours sent, but never more than the depth can use; the
        // table's rest stays black.
        const size_t sent = size_t(m) - kHeaderSize;
        const size_t usable = bpp <= 8 ? std::min(sent, size_t(4) << bpp) : 0;
        std::vector<RgbQuad> colours(usable / 4);
        for (RgbQuad& q : colours) {
            q.Blue = in.u8();
            q.Green = in.u8();
            q.Red = in.u8();
            in.u8();
        }
        in.skip(sent - usable);
        if (!in) return false;
        Dib d;
        newdib(&d, width, height, bpp, &colours, int32_t(colours.size()));
        if (d.empty() || d.Bits.size() != size_t(n)) return fail();
        std::copy_n(in.data() + bitsAt, size_t(n), d.Bits.begin());
        d.Header.biXPelsPerMeter = xppm;
        d.Header.biYPelsPerMeter = yppm;
        if (F.Pictures.size() >= 0xFFFF) return fail();
        c.PictureIndex = uint16_t(F.Pictures.size());
        F.Pictures.push_back(std::move(d));
        return true;
    }

    int32_t fontIndex(const FontEntry& e)
    {
        for (size_t i = 0; i < F.Fonts.size(); ++i)
            if (F.Fonts[i] == e) return int32_t(i);
        F.Fonts.push_back(e);
        return int32_t(F.Fonts.size() - 1);
    }

    bool area(TextArea& a)
    {
        TextAreaImage img = decodeTextArea(in);
        if (!in) return false;
        a = std::move(img.area);
        a.Lines.clear();
        bool more = false;
        for (;;) {
            if (!tag(more)) return false;
            if (!more) break;
            TextLine l;
            uint8_t sel = 0;
            if (!line(l, sel)) return false;
            a.Lines.push_back(std::move(l));
        }
        return true;
    }

    bool stream()
    {
        F.Mode = in.i32();
        if (!in) return false;
        bool more = false;
        if (F.Mode == ClipFragment::kText) {
            const int32_t rows = in.i32();
            if (!in || (rows != 0 && rows != 1)) return fail();
            F.RowMarking = uint8_t(rows);
            for (;;) {
                if (!tag(more)) return false;
                if (!more) break;
                ClipFragment::Line l;
                const size_t at = in.offset();
                if (!line(l.Text, l.EndSelected)) return false;
                if (F.Lines.empty()) {
                    // Room for twice as many lines as records the size of the
                    // first would fill the rest with, never more than the
                    // rest can hold: a long list grows once or not at all.
                    const size_t first = in.offset() - at + 4;
                    const size_t most = in.remaining() / (4 + kTextLineSize + 4) + 1;
                    F.Lines.reserve(std::min(most, 2 * (in.remaining() / first) + 1));
                    adviseHugePages(F.Lines.data(), F.Lines.capacity() * sizeof(ClipFragment::Line));
                }
                F.Lines.push_back(std::move(l));
            }
        } else if (F.Mode == ClipFragment::kAreas) {
            for (;;) {
                if (!tag(more)) return false;
                if (!more) break;
                TextArea a;
                if (!area(a)) return false;
                F.Areas.push_back(std::move(a));
            }
        } else {
            return fail();
        }
        // Exactly one footnote area per reference, then the stream's end.
        const int32_t refs = Refs;
        for (int32_t i = 0; i < refs; ++i) {
            if (!tag(more)) return false;
            if (!more) return fail();
            TextArea a;
            if (!area(a)) return false;
            F.Footnotes.push_back(std::move(a));
        }
        if (Refs != refs || !in.atEnd()) return fail();  // footnotes hold no footnotes
        return bool(in);
    }

    ByteReader in;
    ClipFragment& F;
    int32_t Refs = 0;
};

int32_t footnoteRefs(const TextLine& l)
{
    int32_t n = 0;
    for (const TextChar& c : l.Chars) n += c.Kind == ckFootnoteRef;
    return n;
}

} // namespace

namespace {

std::vector<uint8_t> writeStream(const ClipFragment& f, const ClipTextView* view, std::vector<uint8_t>&& spare)
{
    Writer w(f);
    w.reserveFor(f, view, std::move(spare));
    w.out.i32(f.Mode);
    int32_t refs = 0;
    if (f.Mode == ClipFragment::kAreas) {
        for (const TextArea& a : f.Areas) {
            w.area(a);
            for (const TextLine& l : a.Lines) refs += footnoteRefs(l);
        }
        w.out.i32(0);
    } else {
        w.out.i32(f.RowMarking ? 1 : 0);
        if (view) {
            size_t altered = 0;
            for (const ClipTextView::Line& v : view->Lines) {
                w.line(v, *view, altered);
                for (int32_t i = v.From; i < v.To; ++i) refs += v.Source->Chars[size_t(i)].Kind == ckFootnoteRef;
            }
        } else {
            for (const ClipFragment::Line& l : f.Lines) {
                w.line(l.Text, l.EndSelected);
                refs += footnoteRefs(l.Text);
            }
        }
        w.out.i32(0);
    }
    // A reference always has its area in the stream, an empty one when the
    // document had lost it, so the reader never runs out of step.
    for (int32_t i = 0; i < refs; ++i) {
        if (size_t(i) < f.Footnotes.size()) {
            TextArea a = f.Footnotes[size_t(i)];
            // Footnote text cannot hold references of its own.
            for (TextLine& l : a.Lines)
                for (TextChar& c : l.Chars)
                    if (c.Kind == ckFootnoteRef) c.Kind = ckText;
            w.area(a);
        } else {
            TextArea empty;
            empty.AreaType = atFooter;
            w.area(empty);
        }
    }
    return std::move(w.out.buffer());
}

// Plain text: cells are parted by a tab, a row ends with a line end, like
// every hard line end.
class TextOut {
public:
    void put(const TextLine& l, const TextChar* begin, const TextChar* end)
    {
        if (prev) {
            const bool rowEnds = prev->IsCell && prev->RowLastRun && cellColumn(*prev) == cellCount(*prev) - 1;
            if (prev->EndKind != ekSoft || rowEnds || bool(prev->IsCell) != bool(l.IsCell)) out += "\r\n";
            else if (prev->IsCell && l.IsCell) out += "\t";
        }
        for (const TextChar* c = begin; c != end; ++c) {
            if (c->Kind != ckText || c->Code == 0) continue;
            if (c->Code == 13) out += "\r\n";
            else out.push_back(char(c->Code));
        }
        prev = &l;
    }
    std::string out;

private:
    static int32_t cellCount(const TextLine& l) { return l.IsCell ? std::max<int32_t>(1, l.CellsPerRow) : 1; }
    static int32_t cellColumn(const TextLine& l)
    {
        return l.IsCell ? std::clamp<int32_t>(l.CellIndex, 0, cellCount(l) - 1) : 0;
    }
    const TextLine* prev = nullptr;
};

} // namespace

std::vector<uint8_t> WriteClipStream(const ClipFragment& f) { return writeStream(f, nullptr, {}); }

std::vector<uint8_t> WriteClipStream(const ClipFragment& f, const ClipTextView& view, std::vector<uint8_t> spare)
{
    return writeStream(f, &view, std::move(spare));
}

std::string ClipText(const ClipFragment& f, const ClipTextView* view)
{
    TextOut text;
    if (f.Mode == ClipFragment::kAreas) {
        for (const TextArea& a : f.Areas)
            for (const TextLine& l : a.Lines) text.put(l, l.Chars.data(), l.Chars.data() + l.Chars.size());
    } else if (view) {
        size_t size = 0;
        for (const ClipTextView::Line& v : view->Lines) size += size_t(v.To - v.From) + 2;
        text.out.reserve(size);
        for (const ClipTextView::Line& v : view->Lines)
            text.put(*v.Source, v.Source->Chars.data() + v.From, v.Source->Chars.data() + v.To);
    } else {
        for (const ClipFragment::Line& l : f.Lines)
            text.put(l.Text, l.Text.Chars.data(), l.Text.Chars.data() + l.Text.Chars.size());
    }
    return std::move(text.out);
}


std::optional<ClipFragment> ReadClipStream(std::span<const uint8_t> bytes)
{
    ClipFragment f;
    Reader r(bytes, f);
    if (!r.stream()) return std::nullopt;
    return f;
}

} // namespace quillet
