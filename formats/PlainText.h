#pragma once
// Plain text files: one paragraph per line, in the ANSI code page
// (Windows-1252, the document's own bytes) or in the DOS code page 850.
// The window methods OpenTXTFile and SaveTXTFile wrap these with the file
// handling and the messages; the pieces here work in memory.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

class TMDIChild;

// Unicode code point of a code page 850 byte (0x00..0x7F as ASCII).
char32_t cp850ToUnicode(uint8_t code);
// Code page 850 -> Windows-1252. The box-drawing and block characters,
// which 1252 lacks, become ASCII look-alikes ("+", "-", "|", "#").
uint8_t oemToAnsi(uint8_t code);
// Windows-1252 -> code page 850. The Latin-1 range and the florin survive
// a round trip; typographic quotes, dashes and the like become their ASCII
// look-alikes, the five unassigned bytes "?".
uint8_t ansiToOem(uint8_t code);
std::string oemToAnsi(std::string_view text);
std::string ansiToOem(std::string_view text);

// The lines of a text file without their ends. CR LF, a lone LF and a lone
// CR each end a line; a line end at the very end of the file opens no
// further line, so "a\r\n" is one line and an empty file none.
std::vector<std::string> splitTextLines(std::string_view bytes);

// Most characters one text file may bring in: every character becomes a
// record of its own, so a file beyond this would exhaust memory.
inline constexpr size_t kMaxTextFileChars = size_t(32) << 20;

// Puts the lines into the window's page body at the cursor, one paragraph
// per line, through the quiet editing primitives (no undo, no refresh).
// Bytes 32..255 become text characters, a tab a tab character 12.5 mm wide;
// every other control code is dropped.
void insertTextLines(TMDIChild& w, const std::vector<std::string>& lines);

// The whole text file image of the window's document (lines end in CR LF).
std::string plainTextImage(const TMDIChild& w, bool dos);

} // namespace quillet
