#pragma once
// The packed little-endian images of the document records, as the native
// file and the private clipboard format store them. This is the only place
// that knows their layout; every field is written and read one by one.
//
// A pointer slot is 4 bytes in every image. Writers put 1 there when the
// record owns the thing the slot stands for and 0 when it does not; readers
// learn only that bit, since the owned data travels separately (or not at
// all). Decoded records therefore come back without their owned vectors,
// strings and blocks, together with the slot bits and the counts the image
// stored. Those counts come from untrusted bytes and are returned unchecked:
// the caller compares them with what is left before using them.
//
// Decoders read through a ByteReader and never past its end; after a short
// read the reader has failed and the returned record is partial, so check
// the reader once after a group of decodes.

#include "platform/ByteIO.h"
#include "engine/Records.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quillet {

inline constexpr size_t kTextAreaSize = 208;
inline constexpr size_t kTextLineSize = 296;
inline constexpr size_t kTextCharSize = 46;
inline constexpr size_t kFontEntrySize = 34;
inline constexpr size_t kAbsatzFormatSize = 84;
inline constexpr size_t kTabStopSize = 16;
inline constexpr size_t kCellDesignSize = 57;
inline constexpr size_t kVorlageRecordSize = 387;
inline constexpr size_t kMouseObjSize = 20;
inline constexpr size_t kTableTrackSize = 12;

// Longest style name a style image holds.
inline constexpr size_t kVorlageNameMax = 255;

struct TextAreaImage {
    TextArea area;           // Lines empty
    int32_t lineCount = 0;   // as stored
    bool hasLines = false;
};

struct AbsatzFormatImage {
    AbsatzFormat format;     // Tabs empty, no BulletFace
    int32_t tabCount = 0;    // as stored
    bool hasTabs = false;
    bool hasBulletFace = false;
};

struct TextLineImage {
    TextLine line;           // Chars empty; Para without tabs and bullet face
    int32_t charCount = 0;   // as stored
    bool hasChars = false;
    int32_t tabCount = 0;    // of the embedded paragraph format, as stored
    bool hasTabs = false;
    bool hasBulletFace = false;
};

struct TextCharImage {
    TextChar ch;             // FieldResult, FieldCode and ParaCopy empty
    bool hasFieldResult = false;
    bool hasFieldCode = false;
    bool hasParaCopy = false;
};

struct FontEntryImage {
    FontEntry entry;         // Face empty: the image holds no name
    bool hasFace = false;
};

struct VorlageRecordImage {
    VorlageRecord style;     // Para and Sample decoded as above
    int32_t tabCount = 0;    // of the style's paragraph format, as stored
    bool hasTabs = false;
    bool hasBulletFace = false;
};

void encodeTextArea(ByteWriter& out, const TextArea& area);
void encodeTextLine(ByteWriter& out, const TextLine& line);
// The clipboard writes only part of a line's characters and stores their
// number in the image's CharCount in place of the line's own.
void encodeTextLine(ByteWriter& out, const TextLine& line, int32_t storedCharCount);
void encodeTextChar(ByteWriter& out, const TextChar& ch);
void encodeFontEntry(ByteWriter& out, const FontEntry& entry);
void encodeAbsatzFormat(ByteWriter& out, const AbsatzFormat& format);
void encodeTabStop(ByteWriter& out, const TabStop& tab);
void encodeCellDesign(ByteWriter& out, const CellDesign& design);
// The name is cut to kVorlageNameMax bytes.
void encodeVorlageRecord(ByteWriter& out, const VorlageRecord& style);
void encodeMouseObj(ByteWriter& out, const MouseObj& obj);
void encodeTableTrack(ByteWriter& out, const TableTrack& track);

std::vector<uint8_t> encodeTextArea(const TextArea& area);
std::vector<uint8_t> encodeTextLine(const TextLine& line);
std::vector<uint8_t> encodeTextChar(const TextChar& ch);
std::vector<uint8_t> encodeFontEntry(const FontEntry& entry);
std::vector<uint8_t> encodeAbsatzFormat(const AbsatzFormat& format);
std::vector<uint8_t> encodeTabStop(const TabStop& tab);
std::vector<uint8_t> encodeCellDesign(const CellDesign& design);
std::vector<uint8_t> encodeVorlageRecord(const VorlageRecord& style);
std::vector<uint8_t> encodeMouseObj(const MouseObj& obj);
std::vector<uint8_t> encodeTableTrack(const TableTrack& track);

TextAreaImage decodeTextArea(ByteReader& in);
TextLineImage decodeTextLine(ByteReader& in);
TextCharImage decodeTextChar(ByteReader& in);
FontEntryImage decodeFontEntry(ByteReader& in);
AbsatzFormatImage decodeAbsatzFormat(ByteReader& in);
TabStop decodeTabStop(ByteReader& in);
CellDesign decodeCellDesign(ByteReader& in);
VorlageRecordImage decodeVorlageRecord(ByteReader& in);
MouseObj decodeMouseObj(ByteReader& in);
TableTrack decodeTableTrack(ByteReader& in);

} // namespace quillet
