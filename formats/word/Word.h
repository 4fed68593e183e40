#pragma once
// Word 97 documents: the reader that imports one into a window's document.
// There is no writer; an imported document is saved in another format.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

class TMDIChild;

enum class WordResult : int32_t {
    Ok = 0,
    NotCompound,     // no compound file at all (or an empty one)
    NoMainStream,    // a compound file without a Word document inside
    ShortFib,        // the document's header is cut short
    OldVersion,      // Word 6 or 95, or older
    Encrypted,       // protected by a password
    NoTableStream,   // the stream the header names for the tables is missing
    BadPieceTable,   // pieces overlap, run backwards or lie outside the text
};

// What the user is told about a result (empty for Ok).
std::string_view wordResultReason(WordResult r);

// Imports the Word 97 file image into the window's document, appending at the
// end of the body text, without undo or refresh. On any result but Ok the
// document is left as it was.
WordResult ReadWordFile(TMDIChild& w, const uint8_t* data, size_t size);
inline WordResult ReadWordFile(TMDIChild& w, const std::vector<uint8_t>& bytes)
{
    return ReadWordFile(w, bytes.data(), bytes.size());
}

// The window's import of a Word file: reads it, imports it, puts the cursor
// at the start and refreshes; a failure is said in a message box.
bool OpenWordFile(TMDIChild& w, const std::string& path);

// The FIB is this long in every Word 97 file.
inline constexpr size_t kWordFibSize = 898;
// The first file format number written by Word 97; Word 6 and 95 wrote 101..105.
inline constexpr uint16_t kWord97Nfib = 193;

} // namespace quillet
