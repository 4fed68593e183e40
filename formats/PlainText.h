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

// How much text one file may bring in, in characters. Every character
// becomes a record of its own and every line a paragraph, whose record and
// layout cost as much memory as some kTextLineWeight characters, so a line
// counts that much against the limit: a file of nothing but line ends is
// held to about the cost of one of nothing but letters.
inline constexpr size_t kMaxTextFileChars = size_t(32) << 20;
inline constexpr size_t kTextLineWeight = 8;
// A character takes a byte and a line end at most two, so only a file
// padded with control codes (which are dropped) could be larger and still
// within the limit; anything larger is refused before it is read.
inline constexpr uint64_t kMaxTextFileBytes = kMaxTextFileChars;

// Why these bytes are not taken as text, in words for the second line of a
// message; empty when they are. A file with more than a small share of NUL
// bytes is some other kind of file, and one beyond the limit is refused
// whole.
std::string textRefusal(std::string_view bytes);

// Puts the text into the window's page body at the cursor, one paragraph
// per line, without undo or refresh, converting from the DOS code page
// first when dos is set. Bytes 32..255 become text characters, a tab a tab
// character 12.5 mm wide; every other control code is dropped. New
// paragraphs start like the editing primitives start them. When memory
// runs out std::bad_alloc leaves the function and the document is as it
// was.
void insertText(TMDIChild& w, std::string_view bytes, bool dos);

// The whole text file image of the window's document (lines end in CR LF).
std::string plainTextImage(const TMDIChild& w, bool dos);

} // namespace quillet
