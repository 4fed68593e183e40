#pragma once
// Choosing a reader or writer for a file, the file handling every format
// shares, the recent-file list and the window side of the Save commands.
// The window methods (OpenFile, SaveFile, OpenRTFFile, SaveRTFFile,
// FormCloseQuery) are declared in engine/Childwin.h.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

class TMDIChild;
struct FrameState;

// Save codes (FileFormatIndex, what the Save dialog's choices stand for).
enum SaveFormatCode : int32_t {
    sfByExtension = 0, sfNative = 1, sfRtf = 2, sfText = 3, sfTextDos = 4,
};
// Open codes (OpenFile's filterIndex, what the Open dialog's choices stand
// for). The two "All" choices open by extension, as ofByExtension does.
enum OpenFormatCode : int32_t {
    ofByExtension = 0, ofNative = 1, ofWord = 2, ofRtf = 3, ofText = 4, ofTextDos = 5, ofAllDocuments = 6,
    ofAllFiles = 7,
};

// The readers and writers of formats that live in their own modules. A
// format with an empty slot is not offered by the file dialogs, and a file
// of it gets a message saying that it cannot be read or written yet.
struct FormatHandlers {
    // Reads an RTF file image into the window's document at its cursor;
    // 0 for success, else the reader's error code.
    std::function<int32_t(TMDIChild&, const std::vector<uint8_t>&)> ReadRtf;
    // The RTF image of the window's document; false when it could not be made.
    std::function<bool(TMDIChild&, std::string&)> WriteRtf;
    // Imports a Word 97 file (it opens the compound file itself) and
    // reports its own failures.
    std::function<bool(TMDIChild&, const std::string&)> OpenWord;
};
// The program's handlers; tests may swap them.
FormatHandlers& formatHandlers();

// One choice of a file dialog's filter list and the code it stands for.
struct FileFilterChoice {
    std::string Description;
    std::string Patterns;  // "*.a;*.b"
    int32_t Code = 0;
};
// The Open dialog's choices (open codes) for the readers this build has: a
// format without its reader is left out, from "All documents" too.
std::vector<FileFilterChoice> openFilterChoices();
// The Save dialog's choices (save codes) for the writers this build has.
std::vector<FileFilterChoice> saveFilterChoices();

// The largest document file the readers take whole (native documents,
// the template, recovery files, RTF).
inline constexpr uint64_t kMaxDocumentBytes = uint64_t(256) << 20;
// The reason given when a file did not fit in memory.
inline constexpr std::string_view kNoMemoryReason = "there is not enough memory";

// The file name without folder, in the document's code page (DocTitle, and
// what the document itself may show of it).
std::string fileDisplayName(const std::filesystem::path& path);
// The file name without folder as it is (UTF-8), for captions and messages.
std::string fileShownName(const std::filesystem::path& path);

// The extension with its dot, upper-cased ("" when there is none).
std::string upperExtension(const std::string& path);

// After a file was read or written: unless the frame's KeepName is set, the
// window takes the file's name and path and counts as unchanged.
void takeFileName(TMDIChild& w, const std::string& path);

// Puts path at the head of the frame's recent files, once, and trims the
// list to the frame's RecentFileCount.
void AddToLastUsedFiles(FrameState& frame, const std::string& path);

// The extension a name chosen in the Save dialog gets when it has none.
std::string withSaveExtension(const std::string& name, int32_t code);
// What the window's OpenQDTFile and OpenFile run (through the standard
// document services). OpenNativeFile reads a native document or the
// template; OpenDocumentFile picks the reader by open filter index (1
// native, 2 Word, 3 RTF, 4 text, 5 text DOS, anything else by extension)
// and sets FileFormatIndex to the matching save code; success puts the file
// on the recent list. Both report failures in a message box and return
// false, leaving the document as it was.
bool OpenNativeFile(TMDIChild& w, const std::string& path);
bool OpenDocumentFile(TMDIChild& w, const std::string& path, int32_t filterIndex);

// The frame's Save command for one window: a window without a path asks
// for one (name and format) first. False when the dialog was cancelled or
// the save failed.
bool SaveWindow(TMDIChild& w);
// The frame's Save as command: always asks, preset with the current name.
bool SaveWindowAs(TMDIChild& w);

} // namespace quillet
