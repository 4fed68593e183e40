#include "platform/Win1252.h"

#include <array>

namespace quillet {

namespace {

// 0x80..0x9F; the unassigned bytes keep their C1 code points.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

char32_t cp1252ToUnicode(uint8_t code)
{
    if (code >= 0x80 && code <= 0x9F) return kHigh[code - 0x80];
    return code;
}

int unicodeToCp1252(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (int i = 0; i < 32; ++i)
        if (kHigh[static_cast<size_t>(i)] == cp) return 0x80 + i;
    return -1;
}

std::string ansiToUtf8(std::string_view ansi)
{
    std::string out;
    out.reserve(ansi.size());
    for (unsigned char b : ansi) {
        char32_t cp = cp1252ToUnicode(b);
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

std::string utf8ToAnsi(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        char32_t cp = 0;
        size_t len = 0;
        if (b < 0x80) { cp = b; len = 1; }
        else if ((b & 0xE0) == 0xC0) { cp = b & 0x1F; len = 2; }
        else if ((b & 0xF0) == 0xE0) { cp = b & 0x0F; len = 3; }
        else if ((b & 0xF8) == 0xF0) { cp = b & 0x07; len = 4; }
        else { ++i; continue; }  // stray continuation byte
        if (len > s.size() - i) break;
        bool ok = true;
        for (size_t k = 1; k < len; ++k) {
            const auto c = static_cast<unsigned char>(s[i + k]);
            if ((c & 0xC0) != 0x80) { ok = false; break; }
            cp = (cp << 6) | (c & 0x3F);
        }
        if (!ok) { ++i; continue; }
        i += len;
        const int code = unicodeToCp1252(cp);
        if (code >= 0) out.push_back(static_cast<char>(code));
    }
    return out;
}

bool isAnsiDigit(uint8_t c) { return c >= '0' && c <= '9'; }

bool isAnsiLetter(uint8_t c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
    switch (c) {
    case 0x83: case 0x8A: case 0x8C: case 0x8E: case 0x9A: case 0x9C: case 0x9E: case 0x9F:
    case 0xAA: case 0xB5: case 0xBA:
        return true;
    default: break;
    }
    return c >= 0xC0 && c != 0xD7 && c != 0xF7;
}

bool isAnsiAlnum(uint8_t c) { return isAnsiLetter(c) || isAnsiDigit(c); }

uint8_t ansiUpper(uint8_t c)
{
    if (c >= 'a' && c <= 'z') return static_cast<uint8_t>(c - 32);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<uint8_t>(c - 32);
    switch (c) {
    case 0x9A: return 0x8A;
    case 0x9C: return 0x8C;
    case 0x9E: return 0x8E;
    case 0xFF: return 0x9F;
    default: return c;
    }
}

uint8_t ansiLower(uint8_t c)
{
    if (c >= 'A' && c <= 'Z') return static_cast<uint8_t>(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<uint8_t>(c + 32);
    switch (c) {
    case 0x8A: return 0x9A;
    case 0x8C: return 0x9C;
    case 0x8E: return 0x9E;
    case 0x9F: return 0xFF;
    default: return c;
    }
}

uint8_t asciiUpper(uint8_t c) { return (c >= 'a' && c <= 'z') ? static_cast<uint8_t>(c - 32) : c; }
uint8_t asciiLower(uint8_t c) { return (c >= 'A' && c <= 'Z') ? static_cast<uint8_t>(c + 32) : c; }

std::string asciiUpper(std::string_view s)
{
    std::string out(s);
    for (auto& ch : out) ch = static_cast<char>(asciiUpper(static_cast<uint8_t>(ch)));
    return out;
}

std::string asciiLower(std::string_view s)
{
    std::string out(s);
    for (auto& ch : out) ch = static_cast<char>(asciiLower(static_cast<uint8_t>(ch)));
    return out;
}

} // namespace quillet
