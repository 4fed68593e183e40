#pragma once
// How the bytes of a font's text become Unicode: the charset's code page for
// text faces, and fixed substitute tables for the two symbol faces documents
// use (bullets in Wingdings, Greek and math in Symbol), since neither face
// exists here and their byte codes mean nothing in any code page.

#include <cstdint>
#include <string_view>

namespace quillet {

enum class SymbolFace : uint8_t { None, Wingdings, Symbol };

// The symbol face a face name stands for (names compared without case).
SymbolFace symbolFaceFor(std::string_view face);

// Unicode for a byte of a symbol face. Codes the face leaves empty give a
// private-use code point that no substitute font draws (the missing glyph).
char32_t symbolToUnicode(SymbolFace face, uint8_t code);

// Unicode for a byte under a Windows charset: 238, 204, 161, 162 and 186 use
// their code pages (1250, 1251, 1253, 1254, 1257); every other charset,
// ANSI and DEFAULT included, reads as Windows-1252. Bytes a code page leaves
// undefined keep their own value.
char32_t charsetToUnicode(uint8_t charset, uint8_t code);

} // namespace quillet
