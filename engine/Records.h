#pragma once
// The records a document is made of. In memory they are plain value types;
// their packed little-endian images (files, private clipboard) are written and
// read only by RecordCodec. Lengths are millimetres, colours 0x00BBGGRR,
// text Windows-1252 bytes.

#include "engine/Boxed.h"
#include "engine/SharedFormat.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillet {

// Area types.
enum AreaTypeKind : uint8_t {
    atPageBody = 0, atHeader = 1, atFooter = 2, atTextFrame = 3, atRectangle = 4,
    atEllipse = 5, atLine = 6, atHLine = 7, atVLine = 8, atGraphic = 9,
};

// Line end kinds.
enum EndKindValue : int32_t { ekSoft = 0, ekParagraph = 1, ekLineBreak = 2, ekPageBreak = 3 };

// Character kinds.
enum CharKindValue : uint8_t { ckText = 0, ckPicture = 1, ckFootnoteRef = 2, ckFootnoteNumber = 3, ckField = 4 };

// TextChar flag bits.
enum CharFlagBit : int { cfSoftHyphen = 0, cfMisspelt = 1, cfDropMark = 2 };

// The most cells a table row may have: ten times the columns the insert
// table dialog offers, far more than any page has room for. Rows read from
// files are held to it, as layout and painting spend time on every cell of
// a row.
inline constexpr int32_t kMaxCellsPerRow = 1000;

// FontEntry option bits (items of the character dialog's attribute list).
enum FontOptionBit : int {
    foBold = 0, foItalic = 1, foUnderline = 2, foStrikeout = 3, foWordUnderline = 4,
    foDoubleUnderline = 5, foShaded = 6, foFramed = 7, foSuperscript = 8, foSubscript = 9,
    foSmallCaps = 10, foCapitals = 11, foNoCapitals = 12, foNoHyphenation = 13,
};

// Borders of a cell, in stored order.
enum BorderSide : int { bsLeft = 0, bsTop = 1, bsBottom = 2, bsRight = 3 };

struct TextPos {
    int32_t Area = 0;
    int32_t Line = 0;
    int32_t Char = 0;
    friend bool operator==(const TextPos&, const TextPos&) = default;
};

struct TabStop {
    double Position = 0;
    int32_t Kind = 0;    // 0 left, 1 centred, 2 right, 3 decimal
    uint8_t Leader = 0;  // 0 none, 1 "-", 2 ".", 3 "_"
    friend bool operator==(const TabStop&, const TabStop&) = default;
};

struct CellDesign {
    std::array<double, 4> BorderWidth{};     // points; left, top, bottom, right
    std::array<uint32_t, 4> BorderColor{};
    std::array<uint8_t, 4> BorderOn{};
    uint32_t Background = 0;
    uint8_t Transparent = 0;
    friend bool operator==(const CellDesign&, const CellDesign&) = default;
};

// The small fields stand together, so the format holds no padding (every
// line carries one); what breaking and placing read of it comes first.
struct AbsatzFormat {
    uint8_t Alignment = 0;        // 0 left, 1 centred, 2 right, 3 justified
    uint8_t LineSpacingMode = 0;  // 0 multiple, 1 at least, 2 exactly
    uint8_t ListKind = 0;         // 0 none, 1 bullet, 2 numbering
    uint8_t BulletChar = 0;
    int32_t ItemNumber = 0;
    double LineSpacing = 0;       // factor (mode 0) or mm
    double SpaceAbove = 0;
    double SpaceBelow = 0;
    double LeftIndent = 0;
    double RightIndent = 0;
    double FirstLineIndent = 0;
    double DefaultTabStep = 0;
    double ListIndent = 0;
    std::vector<TabStop> Tabs;    // sorted by position; TabCount = Tabs.size()
    std::optional<std::string> BulletFace;  // none = "Wingdings"

    int32_t TabCount() const { return static_cast<int32_t>(Tabs.size()); }
    friend bool operator==(const AbsatzFormat&, const AbsatzFormat&) = default;
};

// A line's paragraph format: the lines of a paragraph, and paragraphs alike,
// hold one block.
using SharedPara = SharedValue<AbsatzFormat>;

// What only pictures, footnote marks, fields, inline paragraph ends and
// characters beside a floating area carry. A character keeps it in a block
// of the character store, and only while something in it is set, so the
// million characters of a long text hold no block at all.
struct CharExtra {
    uint16_t ShownNumber = 0;
    uint16_t PictureIndex = 0;  // pictures: slot in the document's pictures
    uint16_t FootnoteId = 0;    // footnote marks, their numbers, stored fields
    float GapBefore = 0;        // room left before it for a floating area beside the line
    Boxed<std::string> FieldResult;
    Boxed<std::string> FieldCode;
    Boxed<AbsatzFormat> ParaCopy;  // code 13 only: format of the paragraph after it

    // A gap of -0 is kept as it is (stored images carry its sign bit); only
    // +0 counts as no gap.
    static bool noGap(float g) { return std::bit_cast<uint32_t>(g) == 0; }
    bool unset() const
    {
        return ShownNumber == 0 && PictureIndex == 0 && FootnoteId == 0 && noGap(GapBefore) && !FieldResult &&
               !FieldCode && !ParaCopy;
    }
    // Gaps compare as numbers: +0 and -0 are alike.
    friend bool operator==(const CharExtra&, const CharExtra&) = default;
};

inline const CharExtra kNoCharExtra{};

// A character's font and height. The characters of a document share a few
// of them, so a character names its look by number in a table every
// document shares instead of holding it.
struct CharLook {
    int32_t FontIndex = 0;
    float Height = 0;
};

// What a character holds when a number is not enough: its rare fields,
// with its look beside them.
struct CharBlock {
    CharLook Look;
    CharExtra Extra;
};

// The store behind the characters: the table of looks and the blocks. Both
// keep their entries at fixed places, so reading one takes no lock; making
// and freeing a block, and adding a look, take one.
namespace charstore {
// Looks stay in the table for the life of the program, so their number is
// bounded: past it (only stored lengths made up at random get there) a
// character keeps its look in a block of its own.
inline constexpr uint32_t kMaxLooks = 1u << 16;
extern CharLook gLooks[kMaxLooks];
// The number of the look (0 is the default look), or kMaxLooks when the
// table is full. Heights are told apart by their bits, as stored.
uint32_t intern(CharLook look);

inline constexpr uint32_t kChunkBits = 12;
inline constexpr uint32_t kChunkSize = 1u << kChunkBits;
inline constexpr uint32_t kMaxBlocks = 1u << 31;
extern CharBlock* gChunks[kMaxBlocks / kChunkSize];
// A block holding defaults; throws std::bad_alloc when none is left.
uint32_t makeBlock();
// Gives the block back, with what it holds.
void freeBlock(uint32_t index);
inline CharBlock& block(uint32_t index) { return gChunks[index >> kChunkBits][index & (kChunkSize - 1)]; }
// Blocks in use, for tests.
size_t blocksInUse();
} // namespace charstore

struct TextChar;

// One of a character's rare fields, as the character's owner reads and sets
// it: the use of a Boxed value, with the character's block made on the
// first value set and given back when the last one is reset.
template <class T>
class CharSlot {
public:
    CharSlot(TextChar& ch, Boxed<T> CharExtra::*slot) : ch_(ch), slot_(slot) {}
    CharSlot(const CharSlot&) = default;

    explicit operator bool() const { return get() != nullptr; }
    bool has_value() const { return get() != nullptr; }
    T* get() const;
    T& operator*() const { return *get(); }
    T* operator->() const { return get(); }
    const T& value_or(const T& fallback) const
    {
        const T* v = get();
        return v ? *v : fallback;
    }

    void reset() const;
    const CharSlot& operator=(const T& v) const { box() = v; return *this; }
    const CharSlot& operator=(T&& v) const { box() = std::move(v); return *this; }
    const CharSlot& operator=(const Boxed<T>& v) const
    {
        if (v) box() = *v;
        else reset();
        return *this;
    }
    // Assigns the value, not the handle.
    const CharSlot& operator=(const CharSlot& o) const
    {
        if (!o) reset();
        else if (o.get() != get()) box() = T(*o);
        return *this;
    }

private:
    Boxed<T>& box() const;
    TextChar& ch_;
    Boxed<T> CharExtra::*slot_;
};

template <class T>
inline const Boxed<T> kUnsetCharSlot{};

// A length read as a double going into a float field: finite values beyond
// the float range are held to the largest float instead of being undefined;
// infinities and NaN exist as floats and stay what they are.
inline float narrowLength(double v)
{
    constexpr double top = 3.4028234663852886e38;  // the largest float
    if (!std::isfinite(v)) return static_cast<float>(v);
    return static_cast<float>(std::clamp(v, -top, top));
}

// A character of the text. The whole text of a document is held as these,
// so a character is twelve bytes: its look and its rare fields are named
// by one number (a block when the top bit is set, else a look).
struct TextChar {
    uint8_t Kind = 0;
    uint8_t Code = 0;
    uint8_t TabLeader = 0;
    uint8_t Flags = 0;
    float Width = 0;

    TextChar() = default;
    TextChar(const TextChar& o)
        : Kind(o.Kind), Code(o.Code), TabLeader(o.TabLeader), Flags(o.Flags), Width(o.Width),
          ref_(o.holdsBlock() ? copyBlock(o) : o.ref_)
    {
    }
    TextChar(TextChar&& o) noexcept
        : Kind(o.Kind), Code(o.Code), TabLeader(o.TabLeader), Flags(o.Flags), Width(o.Width), ref_(o.ref_)
    {
        if (o.holdsBlock()) o.ref_ = 0;
    }
    TextChar& operator=(const TextChar& o)
    {
        if (this == &o) return *this;
        Kind = o.Kind;
        Code = o.Code;
        TabLeader = o.TabLeader;
        Flags = o.Flags;
        Width = o.Width;
        if (holdsBlock() || o.holdsBlock()) assignSlow(o);
        else ref_ = o.ref_;
        return *this;
    }
    TextChar& operator=(TextChar&& o) noexcept
    {
        if (this == &o) return *this;
        Kind = o.Kind;
        Code = o.Code;
        TabLeader = o.TabLeader;
        Flags = o.Flags;
        Width = o.Width;
        if (holdsBlock()) charstore::freeBlock(ref_ & kIndexMask);
        ref_ = o.ref_;
        if (o.holdsBlock()) o.ref_ = 0;
        return *this;
    }
    ~TextChar()
    {
        if (holdsBlock()) charstore::freeBlock(ref_ & kIndexMask);
    }

    const CharLook& Look() const { return holdsBlock() ? blk().Look : charstore::gLooks[ref_]; }
    int32_t FontIndex() const { return Look().FontIndex; }
    float Height() const { return Look().Height; }
    void setFontIndex(int32_t v)
    {
        CharLook l = Look();
        l.FontIndex = v;
        setLook(l);
    }
    void setHeight(float v)
    {
        CharLook l = Look();
        l.Height = v;
        setLook(l);
    }
    void setLook(int32_t fontIndex, float height) { setLook(CharLook{fontIndex, height}); }
    void setLook(CharLook l);
    // Takes the look of `o`: by its number where neither holds a block, so
    // a reader that keeps a sample per font and code looks nothing up.
    void setLookOf(const TextChar& o)
    {
        if (!holdsBlock() && !o.holdsBlock()) ref_ = o.ref_;
        else setLook(o.Look());
    }

    // The rare fields read 0 while no block is held; setting 0 makes none,
    // and clearing the last set field frees it.
    uint16_t ShownNumber() const { return holdsBlock() ? blk().Extra.ShownNumber : 0; }
    uint16_t PictureIndex() const { return holdsBlock() ? blk().Extra.PictureIndex : 0; }
    uint16_t FootnoteId() const { return holdsBlock() ? blk().Extra.FootnoteId : 0; }
    float GapBefore() const { return holdsBlock() ? blk().Extra.GapBefore : 0.0f; }
    void setShownNumber(uint16_t v) { setRare(&CharExtra::ShownNumber, v, v == 0); }
    void setPictureIndex(uint16_t v) { setRare(&CharExtra::PictureIndex, v, v == 0); }
    void setFootnoteId(uint16_t v) { setRare(&CharExtra::FootnoteId, v, v == 0); }
    void setGapBefore(float v) { setRare(&CharExtra::GapBefore, v, CharExtra::noGap(v)); }
    CharSlot<std::string> FieldResult() { return {*this, &CharExtra::FieldResult}; }
    CharSlot<std::string> FieldCode() { return {*this, &CharExtra::FieldCode}; }
    CharSlot<AbsatzFormat> ParaCopy() { return {*this, &CharExtra::ParaCopy}; }
    const Boxed<std::string>& FieldResult() const { return holdsBlock() ? blk().Extra.FieldResult : kUnsetCharSlot<std::string>; }
    const Boxed<std::string>& FieldCode() const { return holdsBlock() ? blk().Extra.FieldCode : kUnsetCharSlot<std::string>; }
    const Boxed<AbsatzFormat>& ParaCopy() const { return holdsBlock() ? blk().Extra.ParaCopy : kUnsetCharSlot<AbsatzFormat>; }
    // Whether any rare field is set.
    bool hasExtra() const { return holdsBlock() && !blk().Extra.unset(); }
    // Whether the character holds a block (copying it then copies the
    // block, not the character's bytes).
    bool holdsBlock() const { return (ref_ & kBlockBit) != 0; }

    friend bool operator==(const TextChar& a, const TextChar& b)
    {
        if (a.Kind != b.Kind || a.Code != b.Code || a.TabLeader != b.TabLeader || a.Flags != b.Flags ||
            a.Width != b.Width)
            return false;
        const CharLook& la = a.Look();
        const CharLook& lb = b.Look();
        if (la.FontIndex != lb.FontIndex || la.Height != lb.Height) return false;
        // No block reads as a block with everything unset.
        const CharExtra& ea = a.holdsBlock() ? a.blk().Extra : kNoCharExtra;
        const CharExtra& eb = b.holdsBlock() ? b.blk().Extra : kNoCharExtra;
        return ea == eb;
    }

private:
    template <class T>
    friend class CharSlot;
    static constexpr uint32_t kBlockBit = 1u << 31;
    static constexpr uint32_t kIndexMask = kBlockBit - 1;

    CharBlock& blk() const { return charstore::block(ref_ & kIndexMask); }
    static uint32_t copyBlock(const TextChar& from);
    void assignSlow(const TextChar& o);
    // The block, made (with the current look) if the character has none.
    CharExtra& extraMade();
    // Gives the block back when nothing in it needs one any more.
    void dropBlockIfPlain();

    template <class T>
    void setRare(T CharExtra::*field, T v, bool none)
    {
        if (!holdsBlock() && none) return;
        extraMade().*field = v;
        if (none) dropBlockIfPlain();
    }

    uint32_t ref_ = 0;
};
static_assert(sizeof(TextChar) == 12);

template <class T>
T* CharSlot<T>::get() const
{
    return ch_.holdsBlock() ? (ch_.blk().Extra.*slot_).get() : nullptr;
}

template <class T>
void CharSlot<T>::reset() const
{
    if (!ch_.holdsBlock()) return;
    (ch_.blk().Extra.*slot_).reset();
    ch_.dropBlockIfPlain();
}

template <class T>
Boxed<T>& CharSlot<T>::box() const
{
    return ch_.extraMade().*slot_;
}

// What layout remembers about a line between passes. No part of the line's
// value: copies carry it, comparisons ignore it, files never store it.
struct LineMemo {
    // The misspelt marks: the word-list state they were set against (0:
    // none), and the character count and line-end shape they were set with.
    uint64_t SpellKey = 0;
    int32_t SpellChars = 0;
    uint32_t SpellShape = 0;
    // Whether the line holds a footnote reference, as found when it had
    // RefsChars characters (-1: not looked at).
    int32_t RefsChars = -1;
    // Likewise whether it holds a field, as found when it had FieldsChars
    // characters (-1: not looked at): every layout pass brings the fields
    // up to date, and most lines have none.
    int32_t FieldsChars = -1;
    uint8_t HasRefs = 0;
    uint8_t HasFields = 0;
    // On the first line of a table run: which of the run's cells has the
    // largest space above and below (by its place in the run), as the
    // breaking walk found them while it read the cells' formats anyway.
    // kRunSpacingNone: no cell has any; kRunSpacingUnknown: not found, or
    // already used by placement, which asks once per run.
    uint16_t RunAboveAt = kRunSpacingUnknown;
    uint16_t RunBelowAt = kRunSpacingUnknown;
    static constexpr uint16_t kRunSpacingUnknown = 0xFFFF;
    static constexpr uint16_t kRunSpacingNone = 0xFFFE;
    friend bool operator==(const LineMemo&, const LineMemo&) { return true; }
};

// The fields every layout walk reads stand together in the line's first
// cache line, and what breaking reads besides in the next, so the walks
// over a long row touch as few cache lines of each line as they can and
// those stay in the cache from one walk to the next. A line starts on a
// cache line for that; the rest follow with no padding between them. The
// paragraph format is a handle to a block the paragraph's lines share, so
// it costs a line one pointer and stays in the cache across a paragraph.
struct alignas(64) TextLine {
    std::vector<TextChar> Chars;
    int32_t EndKind = 0;
    int32_t CellsPerRow = 0;
    int32_t CellIndex = 0;
    uint8_t RowFirstRun = 0;
    uint8_t RowLastRun = 0;
    uint8_t IsCell = 0;
    uint8_t Dirty = 0;
    double Height = 0;
    double CellWidth = 0;
    int32_t ColumnCount = 0;
    uint8_t HyphenAfter = 0;
    uint8_t DropMarkAtStart = 0;
    // Column layout results (these two, and ColumnNumber .. ColumnRightX
    // below); written by layout, read by the renderer; not stored.
    uint8_t ColumnFirstLine = 0;
    uint8_t ColumnLastLine = 0;
    SharedPara Para;
    double CellInsetLeft = 0;
    double CellInsetRight = 0;
    LineMemo Memo;
    double ColumnGap = 0;
    int32_t ColumnRule = 0;
    int32_t AnchorId = 0;
    int32_t ColumnNumber = 0;
    int32_t ColumnsUsed = 0;
    double ColumnOffset = 0;
    double ColumnStepBack = 0;
    double ColumnFillUp = 0;
    double ColumnLeftX = 0;
    double ColumnRightX = 0;
    CellDesign Design;

    int32_t CharCount() const { return static_cast<int32_t>(Chars.size()); }
    friend bool operator==(const TextLine&, const TextLine&) = default;
};
// Four cache lines: a field that makes it five costs every walk over a
// long area, so it is placed where it fits.
static_assert(sizeof(TextLine) <= 256);

struct TextArea {
    double Left = 0;
    double Top = 0;
    double Right = 0;
    double Bottom = 0;
    double InnerLeft = 0;
    double InnerTop = 0;
    double InnerRight = 0;
    double InnerBottom = 0;
    uint8_t PageMode = 0;
    uint8_t WrapText = 0;
    uint8_t MoveWithText = 0;
    int32_t WrapMode = 0;
    double WrapDistanceY = 0;
    double WrapDistanceX = 0;
    double BorderWidth = 0;
    uint32_t BorderColor = 0;
    uint32_t FillColor = 0;
    uint8_t Transparent = 0;
    uint8_t AnchorTopToBottom = 0;
    uint8_t AnchorBottom = 0;
    uint8_t AnchorRight = 0;
    uint8_t AreaType = 0;
    int32_t PageIndex = 0;
    int32_t PrevInFlow = -1;
    int32_t NextInFlow = -1;
    uint8_t KeepAspect = 0;
    std::vector<TextLine> Lines;
    uint8_t Visited = 0;
    uint8_t Selected = 0;
    uint8_t Rising = 0;
    int32_t FootnoteNumber = 0;
    uint8_t FootnotePlaced = 0;
    uint8_t SeparatorLine = 0;
    double AnchorOffsetX = 0;
    double AnchorOffsetY = 0;
    int32_t AnchorId = 0;
    // Scratch of the anchor search.
    double CandOffsetX = 0;
    double CandOffsetY = 0;
    double CandDistance = 0;
    int32_t CandArea = 0;
    int32_t CandLine = 0;

    int32_t LineCount() const { return static_cast<int32_t>(Lines.size()); }
    friend bool operator==(const TextArea&, const TextArea&) = default;
};

struct FontEntry {
    uint32_t Color = 0;
    double Size = 12.0;
    std::string Face = "Times New Roman";
    uint8_t Reserved = 0;
    uint8_t Style = 0;      // bit 0 bold, 1 italic, 2 underline, 3 strikeout
    uint8_t Charset = 1;
    uint32_t BkColor = 0xFFFFFF;
    uint32_t ShadowColor = 0x808080;
    uint32_t OutlineColor = 0x00FFFF;
    uint8_t BkTransparent = 1;
    uint16_t Options = 0;
    friend bool operator==(const FontEntry&, const FontEntry&) = default;
};

// The format the next typed character gets.
struct CurrentFontState {
    uint32_t BkColor = 0xFFFFFF;
    uint32_t ShadowColor = 0x808080;
    uint32_t OutlineColor = 0x00FFFF;
    uint8_t BkTransparent = 1;
    uint16_t Options = 0;
    std::string Face = "Times New Roman";
    double Size = 12.0;
    uint32_t Color = 0;
    uint8_t Style = 0;
    uint8_t Charset = 1;
    friend bool operator==(const CurrentFontState&, const CurrentFontState&) = default;
};

// A named style.
struct VorlageRecord {
    std::string Name;        // at most 255 bytes
    uint8_t StyleKind = 0;   // 0 paragraph style, 1 character style
    AbsatzFormat Para;
    TextChar Sample;         // only FontIndex counts
    friend bool operator==(const VorlageRecord&, const VorlageRecord&) = default;
};

// A hot zone registered while painting (pixels).
struct MouseObj {
    int32_t Kind = 0;
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
    friend bool operator==(const MouseObj&, const MouseObj&) = default;
};

// A table column border the paint pass found under a press.
struct TableTrack {
    int32_t Area = 0;
    int32_t CellLine = 0;
    int32_t Side = 0;
    friend bool operator==(const TableTrack&, const TableTrack&) = default;
};

// Option-bit helpers on a 16-bit option word and an 8-bit flag byte.
void SettingOps(uint16_t& word, int bit, bool on);
int GettingOps(uint16_t word, int bit);
void SettingOpsB(uint8_t& byte, int bit, bool on);
int GettingOpsB(uint8_t byte, int bit);

// The look every new flowing area starts with: wraps text, moves with its
// anchor, 3.2 mm wrap distances, no border, transparent white fill.
void SetStandardAreaLook(TextArea& a);

// The standard design of a new table cell.
void SetStandardCellDesign(CellDesign& design);
// Resets lines[index] to an empty paragraph line (see the fields it leaves).
void InitNewLine(std::vector<TextLine>& lines, int32_t index);
// The paragraph format InitNewLine gives (ItemNumber 0).
AbsatzFormat DefaultAbsatzFormat();
// Lets each line hold the block of the line before it where their
// paragraph formats are equal: readers build formats one by one.
void ShareRepeatedFormats(std::vector<TextLine>& lines);

// Font entry <-> current format.
FontEntry FontEntryFromState(const CurrentFontState& state);
CurrentFontState StateFromFontEntry(const FontEntry& entry);

} // namespace quillet
