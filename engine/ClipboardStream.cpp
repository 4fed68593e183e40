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
#include <atomic>
#include <bit>
#include <cstring>
#include <exception>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>

namespace quillet {

namespace {

constexpr size_t kHeaderSize = 40;
// Smallest character entry: the two images and an empty face.
constexpr size_t kMinCharEntry = kTextCharSize + kFontEntrySize + 4;
// Longest face name and field text the stream may carry.
constexpr size_t kMaxFace = 255;
constexpr size_t kMaxFieldText = size_t(1) << 20;
// Runs of a shared stream per thread.
constexpr size_t kRunsPerThread = 4;

// ---- Writing -------------------------------------------------------------------
//
// A stream is sized before a byte of it is written. Every item (a text line,
// an area, the end of the list, a footnote's area) knows its exact length,
// so the block is made once at its final size and runs of items are written
// into it side by side, each run from its own offset. A large copy is mostly
// first touches of fresh memory and repeating each character's entry; both
// spread over the cores that way. A stream of a run or less stays on the
// calling thread.

// A length-prefixed string's bytes in the stream (ByteWriter::lpString32
// cuts what a 32-bit length cannot say).
size_t stringBytes(size_t n) { return 4 + std::min(n, size_t(INT32_MAX)); }
template <class Str>
size_t stringBytes(const Str& s)
{
    return stringBytes(s ? s->size() : 0);
}

// Each font entry with its face, encoded once for the whole stream and
// read by every run; the last slot stands for an index naming no entry.
class FontImages {
public:
    explicit FontImages(const std::vector<FontEntry>& fonts) : Images(fonts.size() + 1)
    {
        const FontEntry none;
        for (size_t i = 0; i < Images.size(); ++i) {
            const FontEntry& font = i < fonts.size() ? fonts[i] : none;
            ByteWriter w;
            encodeFontEntry(w, font);
            w.lpString32(font.Face);
            Images[i] = std::move(w.buffer());
        }
    }
    const std::vector<uint8_t>& of(int32_t index) const
    {
        return Images[index >= 0 && size_t(index) < Images.size() - 1 ? size_t(index) : Images.size() - 1];
    }

private:
    std::vector<std::vector<uint8_t>> Images;
};

// The picture a picture character sends, or none (then an empty block the
// reader refuses goes instead, never bits of another picture).
const Dib* sentPicture(const ClipFragment& f, const TextChar& c)
{
    const Dib* d = c.PictureIndex() < f.Pictures.size() ? &f.Pictures[c.PictureIndex()] : nullptr;
    return d && dibUsable(*d) ? d : nullptr;
}
size_t sentColours(const Dib& d) { return std::min<size_t>(d.ColorTable.size(), 256); }

// The characters a view line sends, in order: `each(sent, source)` gets the
// character written and the one lying in the document.
template <class Each>
void viewChars(const ClipTextView::Line& v, const ClipTextView& view, Each each)
{
    const TextLine& l = *v.Source;
    size_t altered = v.FirstAltered;
    for (int32_t i = v.From; i < v.To; ++i) {
        const TextChar& c = l.Chars[size_t(i)];
        if (clipAltersChar(c) && altered < view.Altered.size()) each(view.Altered[altered++], c);
        else each(c, c);
    }
}

// Runs work(r, t) for every r below `runs` on up to `threads` threads (t
// says which; this one is 0): each takes the next run not yet taken, so a thread the
// system leaves waiting holds up no more than the run it has. The first
// failure is thrown again here once every thread has stopped.
template <class Work>
void onThreads(size_t runs, size_t threads, Work work)
{
    threads = std::min(threads, runs);
    if (threads <= 1) {
        for (size_t r = 0; r < runs; ++r) work(r, size_t(0));
        return;
    }
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    std::vector<std::exception_ptr> failures(threads);
    auto take = [&](size_t t) {
        try {
            for (size_t r; !failed.load(std::memory_order_relaxed) && (r = next.fetch_add(1)) < runs;) work(r, t);
        } catch (...) {
            failures[t] = std::current_exception();
            failed = true;
        }
    };
    std::vector<std::thread> pool;
    pool.reserve(threads - 1);
    for (size_t t = 1; t < threads; ++t) {
        try {
            pool.emplace_back(take, t);
        } catch (const std::system_error&) {
            break;  // no more threads to be had: those running do the rest
        }
    }
    take(0);
    for (std::thread& t : pool) t.join();
    for (const std::exception_ptr& e : failures)
        if (e) std::rethrow_exception(e);
}

size_t threadsFor(const ClipWriteRuns& how)
{
    return how.MaxThreads ? how.MaxThreads : std::min(std::max(std::thread::hardware_concurrency(), 1u), 8u);
}

// How many runs a stream of about `bytes` bytes in `items` items is cut
// into: a few per thread, so that threads that start late or are held up
// leave their share to the others.
size_t runsFor(size_t bytes, size_t items, const ClipWriteRuns& how)
{
    const size_t most = threadsFor(how) * kRunsPerThread;
    return std::max<size_t>(1, std::min({most, bytes / std::max<size_t>(how.BytesPerRun, 1), items}));
}

// Everything the runs share: the fragment, what each item is and where it
// starts. Items: the body (text lines or areas), the list's end, then one
// footnote area per reference the body holds. The body is sized in runs
// too: a line's size does not depend on the lines before it.
class Plan {
public:
    // An areas stream sends no text lines: a view has no say in it.
    Plan(const ClipFragment& f, const ClipTextView* view, const ClipWriteRuns& how)
        : F(f), View(f.Mode == ClipFragment::kAreas ? nullptr : view), Fonts(f.Fonts)
    {
        EmptyFootnote.AreaType = atFooter;
        if (f.Mode == ClipFragment::kAreas) Body = f.Areas.size();
        else Body = View ? View->Lines.size() : f.Lines.size();
        // Runs of lines of about equal characters.
        std::vector<size_t> cuts{0};
        if (f.Mode != ClipFragment::kAreas) {
            size_t chars = 0;
            for (size_t i = 0; i < Body; ++i) chars += lineChars(i);
            const size_t runs = runsFor(chars * kMinCharEntry, Body, how);
            size_t sum = 0;
            for (size_t i = 0; i < Body && cuts.size() < runs; ++i) {
                sum += lineChars(i);
                if (sum >= chars / runs * cuts.size()) cuts.push_back(i + 1);
            }
        }
        if (cuts.back() != Body) cuts.push_back(Body);
        At.resize(Body + 1);
        std::vector<size_t> refs(cuts.size() - 1);
        onThreads(cuts.size() - 1, threadsFor(how), [&](size_t r, size_t) {
            for (size_t i = cuts[r]; i < cuts[r + 1]; ++i) At[i] = itemBytes(i, refs[r]);
        });
        for (size_t n : refs) Refs += n;
        // Sizes to offsets.
        size_t at = f.Mode == ClipFragment::kAreas ? 4 : 8;
        for (size_t i = 0; i < Body; ++i) at += std::exchange(At[i], at);
        At[Body] = at;  // the list's end
        at += 4;
        At.reserve(Body + Refs + 2);
        for (size_t j = 0; j < Refs; ++j) {
            At.push_back(at);
            at += areaBytes(footnote(j));
        }
        At.push_back(at);
    }

    size_t items() const { return At.size() - 1; }
    size_t total() const { return At.back(); }
    // A reference always has its area in the stream, an empty one when the
    // document had lost it, so the reader never runs out of step.
    const TextArea& footnote(size_t j) const { return j < F.Footnotes.size() ? F.Footnotes[j] : EmptyFootnote; }

private:
    size_t lineChars(size_t i) const
    {
        return View ? size_t(std::max(View->Lines[i].To - View->Lines[i].From, 0)) : F.Lines[i].Text.Chars.size();
    }

    // The bytes of body item `i`, counting its footnote references.
    size_t itemBytes(size_t i, size_t& refs) const
    {
        if (F.Mode == ClipFragment::kAreas) {
            for (const TextLine& l : F.Areas[i].Lines) refs += countRefs(l);
            return areaBytes(F.Areas[i]);
        }
        if (View) {
            const ClipTextView::Line& v = View->Lines[i];
            size_t n = lineHeadBytes(*v.Source);
            viewChars(v, *View, [&](const TextChar& sent, const TextChar& source) {
                n += entryBytes(sent);
                refs += source.Kind == ckFootnoteRef;
            });
            return n;
        }
        refs += countRefs(F.Lines[i].Text);
        return lineBytes(F.Lines[i].Text);
    }

    size_t entryBytes(const TextChar& c) const
    {
        size_t n = kTextCharSize + Fonts.of(c.FontIndex()).size();
        if (c.Kind == ckPicture) {
            const Dib* d = sentPicture(F, c);
            n += d ? 4 + d->Bits.size() + 4 + kHeaderSize + 4 * sentColours(*d) : 8;
        } else if (c.Kind == ckField) {
            n += stringBytes(c.FieldResult()) + stringBytes(c.FieldCode());
        }
        return n;
    }
    // A line record without its character entries.
    static size_t lineHeadBytes(const TextLine& l)
    {
        return 4 + kTextLineSize + kTabStopSize * l.Para->Tabs.size() + (l.Para->BulletFace ? stringBytes(l.Para->BulletFace) : 0) + 4;
    }
    size_t lineBytes(const TextLine& l) const
    {
        size_t n = lineHeadBytes(l);
        for (const TextChar& c : l.Chars) n += entryBytes(c);
        return n;
    }
    size_t areaBytes(const TextArea& a) const
    {
        size_t n = 4 + kTextAreaSize + 4;
        for (const TextLine& l : a.Lines) n += lineBytes(l);
        return n;
    }
    static size_t countRefs(const TextLine& l)
    {
        size_t n = 0;
        for (const TextChar& c : l.Chars) n += c.Kind == ckFootnoteRef;
        return n;
    }

public:
    const ClipFragment& F;
    const ClipTextView* View;
    const FontImages Fonts;
    TextArea EmptyFootnote;
    size_t Body = 0;
    size_t Refs = 0;
    std::vector<size_t> At;  // where each item starts; last: the stream's end
};

// The bytes a run writes to, never past its end: a run that would run over
// (or stop short) fails the stream instead of touching its neighbour's.
class BlockOut {
public:
    BlockOut(uint8_t* at, uint8_t* end) : P(at), End(end) {}
    void bytes(const void* from, size_t n)
    {
        if (size_t(End - P) < n) {
            Over = true;
            return;
        }
        if (n) std::memcpy(P, from, n);
        P += n;
    }
    void bytes(const ByteWriter& w) { bytes(w.buffer().data(), w.size()); }
    void i32(int32_t v)
    {
        const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(uint32_t(v) >> 24)};
        bytes(b, 4);
    }
    void lpString32(std::string_view s)
    {
        const size_t n = std::min(s.size(), size_t(INT32_MAX));
        i32(int32_t(n));
        bytes(s.data(), n);
    }
    bool filled() const { return !Over && P == End; }

private:
    uint8_t* P;
    uint8_t* End;
    bool Over = false;
};

// Writes runs of items where the plan puts them; one per thread.
class Writer {
public:
    explicit Writer(const Plan& plan) : P(plan), F(plan.F) {}

    // Writes the run of items [first, last) into `block`; false when they
    // did not fill exactly the stretch the plan gives them.
    bool write(uint8_t* block, size_t first, size_t last)
    {
        out = BlockOut(block + P.At[first], block + P.At[last]);
        for (size_t i = first; i < last; ++i) {
            if (i < P.Body) {
                if (F.Mode == ClipFragment::kAreas) area(F.Areas[i], false);
                else if (P.View) line(P.View->Lines[i], *P.View);
                else line(F.Lines[i].Text, F.Lines[i].EndSelected, false);
            } else if (i == P.Body) {
                out.i32(0);
            } else {
                // Footnote text cannot hold references of its own.
                area(P.footnote(i - P.Body - 1), true);
            }
        }
        return out.filled();
    }

private:
    void lineHead(const TextLine& l, int32_t chars)
    {
        out.i32(1);
        Scratch.buffer().clear();
        if (chars > 0 || l.Chars.empty()) {
            encodeTextLine(Scratch, l, chars);
        } else {
            // The image says whether the line has characters at all.
            TextLine head = l;
            head.Chars.clear();
            encodeTextLine(Scratch, head, 0);
        }
        for (const TabStop& t : l.Para->Tabs) encodeTabStop(Scratch, t);
        out.bytes(Scratch);
        if (l.Para->BulletFace) out.lpString32(*l.Para->BulletFace);
    }

    void line(const TextLine& l, uint8_t endSelected, bool refsAsText)
    {
        lineHead(l, l.CharCount());
        for (const TextChar& c : l.Chars) {
            if (refsAsText && c.Kind == ckFootnoteRef) {
                TextChar t = c;
                t.Kind = ckText;
                character(t);
            } else {
                character(c);
            }
        }
        out.i32(endSelected);
    }

    // The same record as line() of the line with only the copied
    // characters, read where they lie.
    void line(const ClipTextView::Line& v, const ClipTextView& view)
    {
        lineHead(*v.Source, v.To - v.From);
        viewChars(v, view, [&](const TextChar& sent, const TextChar&) { character(sent); });
        out.i32(v.EndSelected);
    }

    void area(const TextArea& a, bool refsAsText)
    {
        out.i32(1);
        Scratch.buffer().clear();
        encodeTextArea(Scratch, a);
        out.bytes(Scratch);
        for (const TextLine& l : a.Lines) line(l, 1, refsAsText);
        out.i32(0);
    }

    void character(const TextChar& c)
    {
        const std::vector<uint8_t>& head = entryHead(c);
        out.bytes(head.data(), head.size());
        if (c.Kind == ckPicture) {
            if (const Dib* d = sentPicture(F, c)) {
                out.i32(int32_t(d->Bits.size()));
                out.bytes(d->Bits.data(), d->Bits.size());
                const size_t colours = sentColours(*d);
                out.i32(int32_t(kHeaderSize + 4 * colours));
                Scratch.buffer().clear();
                encodeBitmapInfoHeader(Scratch, d->Header);
                for (size_t i = 0; i < colours; ++i) {
                    const RgbQuad& q = d->ColorTable[i];
                    Scratch.u8(q.Blue);
                    Scratch.u8(q.Green);
                    Scratch.u8(q.Red);
                    Scratch.u8(0);
                }
                out.bytes(Scratch);
            } else {
                out.i32(0);
                out.i32(0);
            }
        } else if (c.Kind == ckField) {
            out.lpString32(c.FieldResult() ? std::string_view(*c.FieldResult()) : std::string_view());
            out.lpString32(c.FieldCode() ? std::string_view(*c.FieldCode()) : std::string_view());
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
        const float height = c.Height();
        std::memcpy(&k.Height, &height, sizeof k.Height);
        k.GapBefore = std::bit_cast<uint32_t>(c.GapBefore());
        k.FontIndex = c.FontIndex();
        k.ShownNumber = c.ShownNumber();
        k.FootnoteId = c.FootnoteId();
        k.PictureIndex = c.PictureIndex();
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
    // at a time for every character. Each thread keeps its own.
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
            const std::vector<uint8_t>& font = P.Fonts.of(c.FontIndex());
            w.bytes(font.data(), font.size());
            slot.Bytes.swap(w.buffer());
            slot.Key = key;
        }
        return slot.Bytes;
    }

    const Plan& P;
    const ClipFragment& F;
    BlockOut out{nullptr, nullptr};
    ByteWriter Scratch;  // a record image on its way into the block
    struct Head {
        CharKey Key;
        std::vector<uint8_t> Bytes;
    };
    static constexpr size_t kHeadSlots = 4093;
    std::vector<Head> Heads;
};

// The first item of each run and, last, the end of the items: runs of about
// equal bytes, as many as `how` allows for the stream's size.
std::vector<size_t> runCuts(const Plan& plan, const ClipWriteRuns& how)
{
    const size_t items = plan.items();
    const size_t runs = runsFor(plan.total(), items, how);
    std::vector<size_t> cuts{0};
    for (size_t r = 1; r < runs; ++r) {
        const size_t at = plan.total() / runs * r;
        const size_t i = size_t(std::lower_bound(plan.At.begin(), plan.At.end() - 1, at) - plan.At.begin());
        if (i > cuts.back() && i < items) cuts.push_back(i);
    }
    cuts.push_back(items);
    return cuts;
}

std::vector<uint8_t> writeStream(const ClipFragment& f, const ClipTextView* view, std::vector<uint8_t>&& spare,
                                 ClipWriteRuns* runs)
{
    const ClipWriteRuns how = runs ? *runs : ClipWriteRuns();
    const Plan plan(f, view, how);
    const size_t total = plan.total();
    const std::vector<size_t> cuts = runCuts(plan, how);
    const size_t n = cuts.size() - 1;
    if (runs) runs->Used = unsigned(n);
    // A spare block with room (the last copy's, its memory already in
    // place) takes the stream unless it is far larger than needed.
    std::vector<uint8_t> out;
    const bool reuse = spare.capacity() >= total && spare.capacity() / 2 <= total;
    if (reuse) {
        spare.clear();
        out.swap(spare);
    }
    spare = {};
    reserveLargeBlock(out, total);
    // Fresh memory is mapped in by the runs together, each its own share,
    // before the block takes its size.
    if (n > 1 && !reuse)
        onThreads(n, threadsFor(how), [&](size_t r, size_t) {
            populateLargeBlock(out.data() + plan.At[cuts[r]], plan.At[cuts[r + 1]] - plan.At[cuts[r]]);
        });
    out.resize(total);
    {
        BlockOut head(out.data(), out.data() + plan.At[0]);
        head.i32(f.Mode);
        if (f.Mode != ClipFragment::kAreas) head.i32(f.RowMarking ? 1 : 0);
        if (!head.filled()) throw std::logic_error("the clipboard stream's header does not fit its plan");
    }
    std::vector<std::optional<Writer>> writers(threadsFor(how));
    onThreads(n, writers.size(), [&](size_t r, size_t t) {
        if (!writers[t]) writers[t].emplace(plan);
        if (!writers[t]->write(out.data(), cuts[r], cuts[r + 1]))
            throw std::logic_error("a run of the clipboard stream does not fit its plan");
    });
    return out;
}

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
        AbsatzFormat& para = l.Para.edit();
        para.Tabs.clear();
        for (int32_t i = 0; i < img.tabCount; ++i) para.Tabs.push_back(decodeTabStop(in));
        para.BulletFace.reset();
        if (img.hasBulletFace) {
            std::string face;
            if (!in.lpString32(face, kMaxFace)) return false;
            para.BulletFace = std::move(face);
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
        c.setFontIndex(fontIndex(font.entry));
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
        c.setPictureIndex(uint16_t(F.Pictures.size()));
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
            if (!a.Lines.empty()) l.Para.shareIfEqual(a.Lines.back().Para);
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
                if (!F.Lines.empty()) l.Text.Para.shareIfEqual(F.Lines.back().Text.Para);
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

} // namespace

namespace {

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

std::vector<uint8_t> WriteClipStream(const ClipFragment& f, ClipWriteRuns* runs) { return writeStream(f, nullptr, {}, runs); }

std::vector<uint8_t> WriteClipStream(const ClipFragment& f, const ClipTextView& view, std::vector<uint8_t> spare,
                                     ClipWriteRuns* runs)
{
    return writeStream(f, &view, std::move(spare), runs);
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
