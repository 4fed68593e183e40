#pragma once
// The program's own document file (".qdt"), which also serves as the
// template for new documents and as the auto-save recovery file. The file
// is a straight dump of the document in a fixed order; see NativeFormat.cpp
// for the layout.
//
// The byte-level reader and writer work in memory so they can be tested and
// fuzzed without a window or a disk. The open and save dispatch
// (OpenSave.cpp) wraps them with the file handling and the messages.

#include "engine/Records.h"
#include "platform/Dib.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

class TMDIChild;

// The file starts with this text as a length-prefixed string (length 60).
inline constexpr std::string_view kNativeMagic =
    "<MAR-VOK VELLUM-SCRIPT DOKUMENT / DOKUMENT VERSION 01 00 00>";

// Everything a native file carries, parsed but not yet in a window.
struct NativeDocument {
    double ZoomPercent = 100;
    int32_t ZoomMode = 0;
    uint8_t AutoHyphenation = 1;
    int32_t DocLanguage = 0;
    std::array<std::string, 8> DocProperties;
    std::vector<FontEntry> Fonts;
    int32_t FootnoteCounter = 0;
    std::vector<VorlageRecord> Vorlagen;
    std::vector<Dib> Pictures;
    TextPos Anchor;
    TextPos Cursor;
    int32_t CurrentPage = 0;
    uint8_t CaretAtLineEnd = 0;
    std::vector<TextArea> Areas;
    // Older files end after the areas and keep the window's page size.
    bool HasPageSize = false;
    double PageWidth = 210;
    double PageHeight = 297;
};

struct NativeReadResult {
    bool ok = false;
    bool badMagic = false;      // not a document of ours at all
    bool outOfMemory = false;   // the machine could not hold the document
    size_t errorOffset = 0;     // where reading stopped
    std::string error;          // what was being read
    NativeDocument doc;
};

// Parses a whole file image. On failure `doc` is to be thrown away. On
// success every link, index and count in `doc` is within range (a table
// row of more than kMaxCellsPerRow cells comes back as plain paragraphs,
// one per cell line, its text kept), but
// kind-0 characters still carry their stored width and height: the window
// measures them again when it takes the document over.
NativeReadResult readNativeDocument(const uint8_t* data, size_t size);
inline NativeReadResult readNativeDocument(const std::vector<uint8_t>& bytes)
{
    return readNativeDocument(bytes.data(), bytes.size());
}

// The file image of the window's document.
std::vector<uint8_t> writeNativeDocument(const TMDIChild& w);

// Puts a parsed document into the window (replacing its text, fonts, styles
// and pictures) and measures its text characters. Cannot fail.
void takeNativeDocument(TMDIChild& w, NativeDocument&& doc);

} // namespace quillet
