#pragma once
// Rich Text files: the reader that builds a document from one, the writer
// that makes one from a document, and the metafile pictures they carry.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quillet {

class TMDIChild;

// What ReadRtfFile returns.
enum RtfResult : int32_t {
    rtfOk = 0,
    rtfUnderflow = 1,     // a "}" without an open group
    rtfOverflow = 2,      // groups nested deeper than we keep
    rtfUnclosed = 3,      // groups still open at the end (the text is kept)
    rtfBadHex = 4,        // a bad digit in hex data outside a picture
    rtfBadTable = 5,
    rtfScanMode = 6,
    rtfEndInWord = 7,
    rtfNotRtf = 8,        // the bytes do not start with "{\rtf"
};

// Groups deeper than this end the parse with rtfOverflow: every open group
// keeps a copy of the formatting state, and no writer nests this deep.
inline constexpr int32_t kRtfMaxDepth = 4096;
// Control words longer than this are unknown words (their letters are still
// read, so the word cannot spill into the text).
inline constexpr size_t kRtfMaxWordLength = 32;
// The most fonts a read document may add: every distinct format of the
// file is one entry, and layout looks entries up for every character.
inline constexpr size_t kRtfMaxFonts = 4096;

// Reads the RTF image into the window's document at its cursor, without undo
// or refresh. The document keeps what was built before an error.
int32_t ReadRtfFile(TMDIChild& w, const uint8_t* data, size_t size);
inline int32_t ReadRtfFile(TMDIChild& w, const std::vector<uint8_t>& bytes)
{
    return ReadRtfFile(w, bytes.data(), bytes.size());
}

// The RTF image of the window's document (lines end in CR LF).
std::string WriteRtfFile(const TMDIChild& w);

} // namespace quillet
