// Plain text import and export, and the code page 850 table.

#include "formats/PlainText.h"
#include "platform/SafeFile.h"

#include "engine/Childwin.h"
#include "engine/DocWalk.h"
#include "formats/OpenSave.h"
#include "platform/MessageBox.h"
#include "platform/Win1252.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <new>
#include <optional>
#include <utility>

namespace quillet {

namespace {

// Code page 850, upper half (0x80..0xFF); the lower half is ASCII.
constexpr std::array<char16_t, 128> kCp850High = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // 80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,  // 88
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,  // 90
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192,  // 98
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,  // A0
    0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,  // A8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0,  // B0
    0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510,  // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,  // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,  // C8
    0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE,  // D0
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,  // D8
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,  // E0
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4,  // E8
    0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,  // F0
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,  // F8
};

// The nearest ASCII character for a code page 850 graphic that 1252 lacks.
uint8_t graphicLookAlike(char32_t cp)
{
    switch (cp) {
    case 0x2502: case 0x2551: return '|';
    case 0x2500: case 0x2550: return '-';
    case 0x2017: return '_';
    case 0x0131: return 'i';
    case 0x2591: case 0x2592: case 0x2593: case 0x2588: case 0x2584: case 0x2580: case 0x25A0:
        return '#';
    default:
        // Corners, tees and crossings.
        return '+';
    }
}

// The code page 850 byte for a 1252 character 850 lacks.
uint8_t ansiLookAlike(uint8_t code)
{
    switch (code) {
    case 0x80: return 'E';
    case 0x82: return ',';
    case 0x84: case 0x93: case 0x94: return '"';
    case 0x85: return '.';
    case 0x86: case 0x87: return '+';
    case 0x88: return '^';
    case 0x89: return '%';
    case 0x8A: return 'S';
    case 0x8B: return '<';
    case 0x8C: return 'O';
    case 0x8E: return 'Z';
    case 0x91: case 0x92: return '\'';
    case 0x95: return 0xFA;  // middle dot
    case 0x96: case 0x97: return '-';
    case 0x98: return '~';
    case 0x99: return 'T';
    case 0x9A: return 's';
    case 0x9B: return '>';
    case 0x9C: return 'o';
    case 0x9E: return 'z';
    case 0x9F: return 'Y';
    default: return '?';
    }
}

struct CodePageTables {
    std::array<uint8_t, 256> toAnsi{};
    std::array<uint8_t, 256> toOem{};
    CodePageTables()
    {
        std::array<bool, 256> mapped{};
        for (int i = 0; i < 256; ++i) {
            const char32_t cp = cp850ToUnicode(uint8_t(i));
            const int ansi = unicodeToCp1252(cp);
            if (ansi >= 0) {
                toAnsi[size_t(i)] = uint8_t(ansi);
                toOem[size_t(ansi)] = uint8_t(i);
                mapped[size_t(ansi)] = true;
            } else {
                toAnsi[size_t(i)] = graphicLookAlike(cp);
            }
        }
        for (int i = 0; i < 256; ++i)
            if (!mapped[size_t(i)]) toOem[size_t(i)] = ansiLookAlike(uint8_t(i));
    }
};

const CodePageTables& tables()
{
    static const CodePageTables t;
    return t;
}

bool keptByte(uint8_t c) { return c > 31 || c == 9; }

} // namespace

char32_t cp850ToUnicode(uint8_t code)
{
    return code < 0x80 ? char32_t(code) : char32_t(kCp850High[code - 0x80]);
}

uint8_t oemToAnsi(uint8_t code) { return tables().toAnsi[code]; }
uint8_t ansiToOem(uint8_t code) { return tables().toOem[code]; }

std::string oemToAnsi(std::string_view text)
{
    std::string out(text);
    for (char& c : out) c = char(oemToAnsi(uint8_t(c)));
    return out;
}

std::string ansiToOem(std::string_view text)
{
    std::string out(text);
    for (char& c : out) c = char(ansiToOem(uint8_t(c)));
    return out;
}

namespace {

// Calls f with every line of the text, without its end (see splitTextLines).
template <class F>
void forEachLine(std::string_view bytes, F&& f)
{
    const size_t n = bytes.size();
    size_t start = 0;
    size_t i = 0;
    while (i < n) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        f(bytes.substr(start, i - start));
        ++i;
        if (c == '\r' && i < n && bytes[i] == '\n') ++i;
        start = i;
    }
    if (start < n) f(bytes.substr(start));
}

size_t keptCount(std::string_view line)
{
    size_t kept = 0;
    for (const char c : line) kept += keptByte(uint8_t(c)) ? 1 : 0;
    return kept;
}

// A text file may hold a stray NUL byte or a few; more than one byte in
// this many is some other kind of file.
constexpr size_t kNulShare = 100;
constexpr size_t kNulAllowance = 8;

// A copy of the line without its characters.
TextLine withoutChars(TextLine& l)
{
    std::vector<TextChar> chars = std::move(l.Chars);
    l.Chars.clear();
    struct PutBack {
        TextLine& line;
        std::vector<TextChar>& chars;
        ~PutBack() { line.Chars = std::move(chars); }
    } putBack{l, chars};
    return l;
}

} // namespace

std::vector<std::string> splitTextLines(std::string_view bytes)
{
    std::vector<std::string> lines;
    forEachLine(bytes, [&lines](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

std::string textRefusal(std::string_view bytes)
{
    size_t nul = 0;
    size_t kept = 0;
    size_t lines = 0;
    forEachLine(bytes, [&](std::string_view line) {
        ++lines;
        for (const char c : line) {
            kept += keptByte(uint8_t(c)) ? 1 : 0;
            nul += c == '\0' ? 1 : 0;
        }
    });
    if (nul > kNulAllowance && nul > bytes.size() / kNulShare) return "the file is not a text file";
    if (lines > kMaxTextFileChars / kTextLineWeight || kept > kMaxTextFileChars - lines * kTextLineWeight)
        return "the file holds more text than one document can take";
    return {};
}

void insertText(TMDIChild& w, std::string_view bytes, bool dos)
{
    if (w.Areas.empty()) w.NewPage(true);
    if (w.Areas[0].Lines.empty()) w.InsertNewLine(0, 0);
    TMDIChild::ClampPosition(w.Areas, w.Cursor);
    const TextPos c = w.Cursor;
    if (!validIndex(c.Area, w.Areas.size())) return;
    std::vector<TextLine>& lines = w.Areas[size_t(c.Area)].Lines;
    if (!validIndex(c.Line, lines.size())) return;

    size_t count = 0;
    forEachLine(bytes, [&count](std::string_view) { ++count; });
    if (count == 0) return;

    const std::array<uint8_t, 256>& toAnsi = tables().toAnsi;

    // Every new paragraph starts as the editing primitives start one: a
    // fresh line, or one like the line after the cursor's, which new lines
    // are inserted before.
    std::vector<TextLine> model(1);
    if (size_t(c.Line) + 1 < lines.size()) model[0] = withoutChars(lines[size_t(c.Line) + 1]);
    InitNewLine(model, 0);

    // Every character of one code measures the same in the one font used,
    // so each code is measured once, and a character is a copy of its code's.
    const size_t fontsBefore = w.Fonts.size();
    const size_t linesBefore = lines.size();
    const size_t charsBefore = lines[size_t(c.Line)].Chars.size();
    std::array<std::optional<TextChar>, 256> proto;
    try {
        const int32_t font = w.GetNewFontIndex(FontEntryFromState(w.FontState));
        auto character = [&](uint8_t ansi) -> const TextChar& {
            std::optional<TextChar>& p = proto[ansi];
            if (!p) {
                p.emplace();
                p->Kind = ckText;
                p->Code = ansi;
                p->setFontIndex(font);
                if (ansi == 9) {
                    p->Width = 12.5;
                    p->setHeight(-1);
                } else {
                    const char text = char(ansi);
                    w.RenderChar(*p, false, std::string_view(&text, 1));
                }
            }
            return *p;
        };
        auto fill = [&](std::vector<TextChar>& chars, std::string_view line) {
            chars.reserve(chars.size() + keptCount(line));
            for (const char byte : line)
                if (keptByte(uint8_t(byte))) chars.push_back(character(dos ? toAnsi[uint8_t(byte)] : uint8_t(byte)));
        };

        // The new lines go to the end of the area's lines first, so that
        // running out of memory only needs them taken off again. Exactly
        // as many as needed: a vector grown by doubling would hold up to
        // twice the lines' memory.
        lines.reserve(linesBefore + count - 1);
        size_t index = 0;
        forEachLine(bytes, [&](std::string_view line) {
            if (index++ == 0) {
                fill(lines[size_t(c.Line)].Chars, line);
                return;
            }
            TextLine& l = lines.emplace_back(model[0]);
            fill(l.Chars, line);
            if (index < count) l.EndKind = ekParagraph;
        });
    } catch (...) {
        lines.erase(lines.begin() + ptrdiff_t(linesBefore), lines.end());
        std::vector<TextChar>& chars = lines[size_t(c.Line)].Chars;
        chars.erase(chars.begin() + ptrdiff_t(charsBefore), chars.end());
        w.Fonts.erase(w.Fonts.begin() + ptrdiff_t(fontsBefore), w.Fonts.end());
        throw;
    }

    // Nothing below allocates: the text moves into place.
    TextLine& cursorLine = lines[size_t(c.Line)];
    const size_t firstChars = cursorLine.Chars.size() - charsBefore;
    std::rotate(cursorLine.Chars.begin() + c.Char, cursorLine.Chars.begin() + ptrdiff_t(charsBefore),
                cursorLine.Chars.end());
    std::rotate(lines.begin() + c.Line + 1, lines.begin() + ptrdiff_t(linesBefore), lines.end());
    if (count > 1) {
        cursorLine.EndKind = ekParagraph;
        const TextLine& last = lines[size_t(c.Line) + count - 1];
        w.Cursor = TextPos{c.Area, c.Line + int32_t(count) - 1, last.CharCount()};
    } else {
        w.Cursor.Char = c.Char + int32_t(firstChars);
    }
    w.InvalidateMarking();
}

namespace {

// The areas of one text flow in flow order, each at most once.
std::vector<int32_t> flowFrom(const std::vector<TextArea>& areas, int32_t first, std::vector<bool>& visited)
{
    std::vector<int32_t> flow;
    for (int32_t a = first; validIndex(a, areas.size()) && !visited[size_t(a)]; a = areas[size_t(a)].NextInFlow) {
        visited[size_t(a)] = true;
        flow.push_back(a);
    }
    return flow;
}

void appendLine(std::string& out, std::string& buffer)
{
    out += buffer;
    out += "\r\n";
    buffer.clear();
}

} // namespace

std::string plainTextImage(const TMDIChild& w, bool dos)
{
    const std::vector<TextArea>& areas = w.Areas;
    std::string out;
    std::vector<bool> visited(areas.size(), false);
    for (size_t first = 0; first < areas.size(); ++first) {
        // An area starts a flow when it has no valid predecessor.
        if (validIndex(areas[first].PrevInFlow, areas.size()) || visited[first]) continue;
        std::vector<const TextLine*> lines;
        for (const int32_t a : flowFrom(areas, int32_t(first), visited))
            for (const TextLine& l : areas[size_t(a)].Lines) lines.push_back(&l);

        std::string buffer;
        for (size_t i = 0; i < lines.size(); ++i) {
            const TextLine& l = *lines[i];
            // A table run's lines are the row's cells, so the line a cell
            // continues stands one whole run back.
            const size_t back = l.CellsPerRow > 1 ? size_t(l.CellsPerRow) : 1;
            bool paragraphStart = i < back || l.RowFirstRun;
            if (!paragraphStart) {
                const TextLine& before = *lines[i - back];
                paragraphStart = before.EndKind == ekParagraph || before.EndKind == ekPageBreak || before.RowLastRun;
            }
            if (paragraphStart) {
                if (l.Para->ListKind == 1) buffer += "* ";
                else if (l.Para->ListKind == 2) buffer += std::to_string(l.Para->ItemNumber) + ". ";
            }
            for (const TextChar& c : l.Chars) {
                if (c.Kind != ckText) continue;
                // A paragraph end inside a line ends the text line too,
                // rather than leaving a bare CR in a CR LF file.
                if (c.Code == 13) appendLine(out, buffer);
                else buffer += char(c.Code);
            }
            if (l.IsCell) buffer += '\t';
            const bool rowDone = l.IsCell && l.CellIndex + 1 == l.CellsPerRow;
            if ((l.EndKind != ekSoft && !l.IsCell) || rowDone) appendLine(out, buffer);
        }
        if (!buffer.empty()) appendLine(out, buffer);
    }
    return dos ? ansiToOem(out) : out;
}

// ---- Window methods -----------------------------------------------------------

bool TMDIChild::OpenTXTFile(const std::string& path, bool dos)
{
    const std::filesystem::path source(path);
    const std::string openError = "Could not open file " + fileShownName(source) + "!";
    std::string bytes;
    std::string reason = ReadWholeFile(source, kMaxTextFileBytes, bytes).reason;
    if (reason.empty()) reason = textRefusal(bytes);
    if (!reason.empty()) {
        errorBox(openError, reason);
        return false;
    }
    Ui->setStatusText(3, "Open file...");
    // What the window holds now, put back should memory run out while the
    // text goes in or is laid out. The window is a fresh one, so this is
    // little.
    struct Before {
        std::vector<TextArea> areas;
        std::vector<FontEntry> fonts;
        CurrentFontState fontState;
        TextPos anchor, cursor;
    } before;
    bool saved = false;
    bool ok = true;
    try {
        before = Before{Areas, Fonts, FontState, Anchor, Cursor};
        saved = true;
        FontState.Face = "Courier New";
        insertText(*this, bytes, dos);
        bytes = std::string();
        Anchor = Cursor = TextPos{};
        CompleteRefresh();
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    Ui->setStatusText(3, "");
    if (!ok) {
        bytes = std::string();
        if (saved) {
            Areas.swap(before.areas);
            Fonts.swap(before.fonts);
            std::swap(FontState, before.fontState);
            Anchor = before.anchor;
            Cursor = before.cursor;
            InvalidateMarking();
        }
        errorBox(openError, kNoMemoryReason);
        return false;
    }
    takeFileName(*this, path);
    return true;
}

bool TMDIChild::SaveTXTFile(const std::string& path, bool dos)
{
    const std::filesystem::path target(path);
    Ui->setStatusText(3, "Save file...");
    std::string reason;
    try {
        const std::string image = plainTextImage(*this, dos);
        reason = WriteWholeFile(target, image.data(), image.size()).reason;
    } catch (const std::bad_alloc&) {
        reason = kNoMemoryReason;
    }
    Ui->setStatusText(3, "");
    if (!reason.empty()) {
        errorBox("Could not create file " + fileShownName(target) + "!", reason);
        return false;
    }
    takeFileName(*this, path);
    return true;
}

} // namespace quillet
