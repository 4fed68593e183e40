#pragma once
// Windows-1252: the one table between document bytes and Unicode, plus the
// letter/digit classes and casing the program uses on document text (never
// the C locale).

#include <cstdint>
#include <string>
#include <string_view>

namespace quillet {

// Unicode code point of a Windows-1252 byte (the five unassigned bytes map to
// their C1 control code points, as the platform does).
char32_t cp1252ToUnicode(uint8_t code);
// The byte for a code point, or -1 when Windows-1252 has none.
int unicodeToCp1252(char32_t cp);

std::string ansiToUtf8(std::string_view ansi);
// Unmappable characters are dropped.
std::string utf8ToAnsi(std::string_view utf8);

bool isAnsiLetter(uint8_t c);   // letters of Windows-1252, accented included
bool isAnsiDigit(uint8_t c);    // '0'..'9'
bool isAnsiAlnum(uint8_t c);
// Casing of the whole Windows-1252 letter set (for display rules such as capitals).
uint8_t ansiUpper(uint8_t c);
uint8_t ansiLower(uint8_t c);
// Casing that touches only 'a'..'z' / 'A'..'Z' (spelling and hyphenation).
uint8_t asciiUpper(uint8_t c);
uint8_t asciiLower(uint8_t c);
std::string asciiUpper(std::string_view s);
std::string asciiLower(std::string_view s);

} // namespace quillet
