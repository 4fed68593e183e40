#pragma once
// Small Word 97 files for the reader's tests, built in memory: a compound
// file around the main stream (header and text) and the table stream (the
// piece table), each part of which a test may damage on purpose.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace quillet::test {

// One run of text; a narrow piece keeps the low byte of every character.
struct WordPiece {
    std::u16string Text;
    bool Wide = false;
};

// A run of formatted text: CPs [CpFirst, CpLim) of one piece and its
// modifiers (a paragraph run also names its style).
struct WordRun {
    int32_t CpFirst = 0, CpLim = 0;
    std::vector<uint8_t> Grpprl;
    uint16_t Istd = 0;
};

struct WordStyle {
    uint8_t Kind = 1;          // 1 paragraph style, 2 character style
    uint16_t Base = 0x0FFF;    // none
    std::vector<uint8_t> Papx; // paragraph styles
    std::vector<uint8_t> Chpx;
};

// A list: its id and the number format of each level (one level for a
// simple list, nine otherwise; 0 decimal, 23 bullet, 255 none).
struct WordList {
    int32_t Id = 0;
    std::vector<uint8_t> Formats;
};

struct WordFileSpec {
    std::vector<WordPiece> Pieces{{u"Hello", false}};
    uint16_t Nfib = 193;
    uint16_t Flags = 0;              // bit 8 encrypted, bit 9 tables in "1Table"
    int32_t CcpText = -1;            // -1: the length of all pieces
    bool PropertyModifierFirst = false;  // a Prc before the piece table
    bool PieceTable = true;          // false: no CLX, text from fcMin
    std::string MainName = "WordDocument";
    std::string TableName;           // empty: as Flags say
    size_t MainSize = 0;             // 0: as built; else cut or padded to this
    // Changes the finished piece table (CPs and descriptors) before writing.
    std::vector<std::pair<size_t, int32_t>> ClxPatches;  // (byte offset in the CLX, i32 written there)
    std::vector<std::pair<std::string, std::vector<uint8_t>>> ExtraStreams;
    std::vector<WordRun> CharRuns, ParaRuns;  // one page each
    std::vector<WordStyle> Styles;
    std::vector<std::string> Fonts;
    uint8_t CharRunCount = 0;  // when set: the run count the character page claims
    // Sections: the CP each ends at (its break character + 1) and its modifiers.
    std::vector<std::pair<int32_t, std::vector<uint8_t>>> Sections;
    std::vector<int32_t> HeaderCps;  // the header story table as it stands, CPs after the main text
    std::vector<std::string> Assoc;  // 8-bit associated strings
    int32_t DopFlags = -1;           // when set: a document properties block with this first byte
    std::vector<WordList> Lists;
    std::vector<int32_t> ListOverrides;  // the list id each override (1-based) names
    uint32_t ListCountPatch = 0;         // when set: the list count written in place of the real one
};

// The bytes of one modifier: its code and operand.
std::vector<uint8_t> sprm(uint16_t code, std::vector<uint8_t> operand);
std::vector<uint8_t> sprm16(uint16_t code, uint16_t value);
std::vector<uint8_t> operator+(std::vector<uint8_t> a, const std::vector<uint8_t>& b);

// The compound file holding these streams at its top level.
std::vector<uint8_t> makeCompoundFile(const std::vector<std::pair<std::string, std::vector<uint8_t>>>& streams);

// A Word 97 file: the header (fcMin 1024), the text at fcMin, the CLX at
// the start of the table stream.
std::vector<uint8_t> makeWordFile(const WordFileSpec& spec);

// Where the i-th CP and the FC of the i-th piece sit in the CLX of a file
// with n pieces (for ClxPatches).
size_t clxCpOffset(const WordFileSpec& spec, size_t i);
size_t clxFcOffset(const WordFileSpec& spec, size_t i);

} // namespace quillet::test
