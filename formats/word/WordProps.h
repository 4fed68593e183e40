#pragma once
// Character and paragraph properties of a Word 97 file: the property
// modifiers (sprms) that change them, the style sheet they start from, the
// font names, and the formatted disk pages that say which run of text has
// which modifiers. Every list and offset of the file is checked here, so the
// text walk only ever asks for the properties at a byte position.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quillet::word {

struct Chp {
    bool Bold = false, Italic = false, Strike = false, Shadow = false, SmallCaps = false, Caps = false;
    bool Spec = false, FldVanish = false, Highlight = false;
    uint8_t HighlightIco = 0, Ico = 0, Kul = 0, Iss = 0;
    uint16_t Shd = 0;
    uint16_t Hps = 20;  // half points
    uint16_t Ftc = 0;
    int32_t FcPic = -1;
    friend bool operator==(const Chp&, const Chp&) = default;
};

struct TabDef {
    int16_t Position = 0;  // twips
    uint8_t Tbd = 0;
    friend bool operator==(const TabDef&, const TabDef&) = default;
};

// A table row's definition as the row end's paragraph carries it.
struct RowDef {
    int32_t CellCount = 0;                 // -1: the definition was cut short
    std::vector<int16_t> Centres;          // CellCount + 1 boundaries, twips
    std::vector<uint16_t> Shading;         // one per cell
    friend bool operator==(const RowDef&, const RowDef&) = default;
};

struct Pap {
    uint8_t Jc = 0, NoLineNumbers = 0, InTable = 0, Ttp = 0, Ilvl = 0;
    uint16_t Ilfo = 0;
    int32_t DxaLeft = 0, DxaRight = 0, DxaLeft1 = 0, DyaBefore = 0, DyaAfter = 0;
    int16_t DyaLine = 240, MultLinespace = 1;
    std::vector<TabDef> Tabs;  // sorted by position, at most kMaxTabs
    RowDef Row;
    friend bool operator==(const Pap&, const Pap&) = default;
};

inline constexpr size_t kMaxTabs = 64;
inline constexpr int32_t kMaxRowCells = 64;

struct StyleSlot {
    bool CharacterStyle = false;
    Pap P;
    Chp C;
    std::vector<uint8_t> Chpx;  // a character style's own modifiers
};

// A section's page: lengths in twips.
struct Sep {
    uint8_t Bkc = 2, TitlePage = 0, LBetween = 0;
    int32_t ColumnsM1 = 0, DxaColumns = 720;
    int32_t DyaHdrTop = 720, DyaHdrBottom = 720, XaPage = 12240, YaPage = 15840;
    int32_t DxaLeft = 1800, DxaRight = 1800, DyaTop = 1440, DyaBottom = 1440;
};
void applySectionSprms(const uint8_t* data, size_t size, Sep& sep);

// Sections: CPs [CpFirst, CpLim] and where their modifiers sit in the main
// stream (-1 none).
struct Section {
    int32_t CpFirst = 0, CpLim = 0;
    int32_t FcSepx = -1;
};
std::vector<Section> readSections(const std::vector<uint8_t>& table, uint32_t fc, uint32_t lcb);
// The section's page: the defaults, then its modifiers, if they lie in the stream.
Sep sectionPage(const Section& s, const std::vector<uint8_t>& main);

// Applies the sprms of `data` to the blocks. Modifiers whose operand runs
// past the end are not applied; `styles` serves the character-style sprm,
// which is not honoured inside a style's own modifiers (a style naming
// itself would otherwise never end).
void applySprms(const uint8_t* data, size_t size, Pap* pap, Chp* chp, const std::vector<StyleSlot>* styles);

// The toggle rule of the character flags: 0 off, 1 on, 128 as it is, 129 the
// other way; anything else leaves the flag.
void applyToggle(bool& flag, uint8_t operand);

// The style sheet at [fc, fc + lcb) of the table stream; slots past the
// end or damaged keep their defaults.
std::vector<StyleSlot> readStyleSheet(const std::vector<uint8_t>& table, uint32_t fc, uint32_t lcb);
// The font names at fc of the table stream (low bytes of the names kept).
std::vector<std::string> readFontNames(const std::vector<uint8_t>& table, uint32_t fc, uint32_t lcb);

// One run of a formatted disk page: bytes [FcFirst, FcLim) of the main
// stream and where its modifiers sit in the main stream.
struct FkpRun {
    uint32_t FcFirst = 0, FcLim = 0;
    uint32_t Grpprl = 0, GrpprlSize = 0;  // 0 size: nothing to apply
    uint16_t Istd = 0;                    // paragraph runs: the style
    bool StyleOnly = false;               // a paragraph run without its own modifiers
};

// The runs of one bin table (character runs when `paragraphs` is false). A
// page past the main stream, or one claiming more runs than it can hold, adds
// none.
std::vector<FkpRun> readBinTable(const std::vector<uint8_t>& table, uint32_t fc, uint32_t lcb,
                                 const std::vector<uint8_t>& main, bool paragraphs);

// Finds the run holding fc: the first in table order. Remembers where it
// last found one, since the text asks for neighbouring positions.
class RunFinder {
public:
    explicit RunFinder(std::vector<FkpRun> runs) : Runs(std::move(runs)) {}
    // -1 when no run holds fc.
    int32_t find(uint32_t fc);
    const FkpRun& operator[](int32_t i) const { return Runs[size_t(i)]; }

private:
    std::vector<FkpRun> Runs;
    size_t Last = 0;
    uint32_t MissFirst = 1, MissLim = 0;  // positions known to lie in no run (empty at first)
};

// Which lists number their paragraphs and which bullet them. A paragraph
// names its list by a 1-based override index and a level; the override
// names a list, whose level says how its items are marked.
class ListKinds {
public:
    ListKinds() = default;
    // The lists at [fcLst, fcLst + lcbLst) of the table stream (their levels
    // follow right after) and the overrides at [fcLfo, fcLfo + lcbLfo).
    ListKinds(const std::vector<uint8_t>& table, uint32_t fcLst, uint32_t lcbLst, uint32_t fcLfo, uint32_t lcbLfo);
    // 0 no list, 1 bullets, 2 numbers. A list the file does not describe
    // (or describes in damaged bytes) gets bullets: a bullet claims less
    // than a number the text never had.
    uint8_t kind(uint16_t ilfo, uint8_t ilvl) const;
    // The paragraph modifiers of a level (its indents and tabs), which come
    // between the paragraph's style and its own; null when there are none.
    const std::vector<uint8_t>* levelModifiers(uint16_t ilfo, uint8_t ilvl) const;

    static constexpr size_t kLevels = 9;

private:
    // Per override: the kind of each level, 0xFF where unknown.
    std::vector<std::array<uint8_t, kLevels>> Kinds;
    // Per override its list (-1 none); per list the modifiers of each
    // level, kept once however many overrides name the list.
    std::vector<int32_t> ListOf;
    std::vector<std::array<std::vector<uint8_t>, kLevels>> Modifiers;
};

// Colour of a Word colour index (0x00BBGGRR), `fallback` for auto and unknown.
uint32_t icoColor(uint8_t ico, uint32_t fallback);
// Foreground over background in the share of a shading pattern.
uint32_t shadeColor(uint32_t fore, uint32_t back, uint16_t ipat);

} // namespace quillet::word
