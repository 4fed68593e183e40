// The open and save dispatch: which reader or writer a file gets, which
// formats the file dialogs offer, the name and changed state of the window
// around it, backups, and the question before a changed window closes.

#include "formats/OpenSave.h"

#include "formats/NativeFormat.h"
#include "formats/rtf/Rtf.h"
#include "formats/word/Word.h"

#include "engine/Childwin.h"
#include "engine/RecentFiles.h"
#include "platform/MessageBox.h"
#include "platform/SafeFile.h"
#include "platform/Win1252.h"

#include <new>
#include <string>
#include <system_error>

namespace quillet {

namespace fs = std::filesystem;

namespace {

// The previous file goes to name.bak. It is copied, not moved, so the
// document keeps its name on disk even when the save that follows fails.
void makeBackup(const std::string& docPath)
{
    const fs::path doc(docPath);
    std::error_code ec;
    if (!fs::is_regular_file(doc, ec)) return;
    fs::path bak = doc;
    bak.replace_extension(".bak");
    // A document that is itself named .bak would be deleted as its own backup.
    if (bak == doc || fs::equivalent(doc, bak, ec)) return;
    fs::remove(bak, ec);
    if (!fs::copy_file(doc, bak, fs::copy_options::overwrite_existing, ec) || ec)
        errorBox("Could not create backup file!");
}

FormatHandlers builtInHandlers()
{
    FormatHandlers h;
    h.ReadRtf = [](TMDIChild& w, const std::vector<uint8_t>& bytes) { return ReadRtfFile(w, bytes); };
    h.WriteRtf = [](TMDIChild& w, std::string& image) {
        image = WriteRtfFile(w);
        return !image.empty();
    };
    h.OpenWord = [](TMDIChild& w, const std::string& path) { return OpenWordFile(w, path); };
    return h;
}

// Word files are imported: there is no Word writer, and whatever we wrote
// under the ".doc" name (native bytes or RTF) would go to the Word reader
// when opened again and fail. The document is saved natively, under a name
// the user chooses.
constexpr int32_t kCodeAfterWordRead = sfNative;

// The RTF reader's code for a file that ends inside open groups.
constexpr int32_t kRtfUnclosedGroups = 3;

// The reasons given for a format whose reader or writer this build lacks:
// the file itself may be fine, and the user should not go looking for a
// fault on the disk.
constexpr std::string_view kNoWordReader = "Word files cannot be read yet";
constexpr std::string_view kNoRtfReader = "Rich Text files cannot be read yet";
constexpr std::string_view kNoRtfWriter = "Rich Text files cannot be written yet";

} // namespace

FormatHandlers& formatHandlers()
{
    static FormatHandlers handlers = builtInHandlers();
    return handlers;
}

std::vector<FileFilterChoice> openFilterChoices()
{
    const FormatHandlers& h = formatHandlers();
    const bool word = bool(h.OpenWord), rtf = bool(h.ReadRtf);
    std::vector<FileFilterChoice> choices{{"Vellum-Script files (*.qdt)", "*.qdt", ofNative}};
    if (word) choices.push_back({"Word files (*.doc)", "*.doc", ofWord});
    if (rtf) choices.push_back({"Rich Text files (*.rtf)", "*.rtf", ofRtf});
    choices.push_back({"Text files (*.txt)", "*.txt", ofText});
    choices.push_back({"Text files DOS (*.txt)", "*.txt", ofTextDos});
    std::string all = word ? "*.doc;*.qdt" : "*.qdt";
    if (rtf) all += ";*.rtf";
    all += ";*.htm;*.html;*.txt";
    choices.push_back({"All documents", all, ofAllDocuments});
    choices.push_back({"All files (*.*)", "*.*", ofAllFiles});
    return choices;
}

std::vector<FileFilterChoice> saveFilterChoices()
{
    std::vector<FileFilterChoice> choices{{"Vellum-Script files (*.qdt)", "*.qdt", sfNative}};
    if (formatHandlers().WriteRtf) choices.push_back({"Rich Text files (*.rtf)", "*.rtf", sfRtf});
    choices.push_back({"Text files (*.txt)", "*.txt", sfText});
    choices.push_back({"Text files DOS (*.txt)", "*.txt", sfTextDos});
    return choices;
}

// ---- Files ---------------------------------------------------------------------

std::string fileDisplayName(const fs::path& path) { return utf8ToAnsi(path.filename().string()); }
std::string fileShownName(const fs::path& path) { return path.filename().string(); }

void takeFileName(TMDIChild& w, const std::string& path)
{
    if (w.Frame.KeepName) return;
    w.DocPath = path;
    w.SetDocTitle(fileShownName(path));
    w.SetFileChanged(false);
}

std::string upperExtension(const std::string& path)
{
    return asciiUpper(fs::path(path).extension().string());
}

// ---- Recent files and the Save commands ------------------------------------------

void AddToLastUsedFiles(FrameState& frame, const std::string& path)
{
    AddRecentFile(frame.RecentFiles, path, frame.Options.RecentFileCount);
}

std::string withSaveExtension(const std::string& name, int32_t code)
{
    if (fs::path(name).has_extension()) return name;
    switch (code) {
    case sfRtf: return name + ".rtf";
    case sfText:
    case sfTextDos: return name + ".txt";
    default: return name + ".qdt";
    }
}

namespace {

bool askAndSave(TMDIChild& w, std::string name)
{
    int32_t filter = w.FileFormatIndex >= sfNative && w.FileFormatIndex <= sfTextDos ? w.FileFormatIndex : sfNative;
    if (!w.Ui->runSaveDialog(name, filter) || name.empty()) return false;
    w.FileFormatIndex = filter;
    w.DocPath = withSaveExtension(name, filter);
    return w.SaveFile();
}

} // namespace

bool SaveWindow(TMDIChild& w)
{
    if (w.DocPath.empty()) return askAndSave(w, "");
    return w.SaveFile();
}

bool SaveWindowAs(TMDIChild& w)
{
    fs::path preset(w.DocPath);
    preset.replace_extension();
    return askAndSave(w, preset.string());
}

// ---- Window methods -------------------------------------------------------------

namespace {

// The second line of the message for a file the reader gave up on.
std::string readFailureReason(const NativeReadResult& r)
{
    if (r.badMagic) return "the file is not a Quillet document";
    if (r.outOfMemory) return std::string(kNoMemoryReason);
    return "the file is damaged at byte " + std::to_string(r.errorOffset) + " (" + r.error + ")";
}

} // namespace

bool TMDIChild::SaveQDTFile(const std::string& path)
{
    const std::filesystem::path target(path);
    Ui->setStatusText(3, "Save file...");
    FileWriteResult written;
    try {
        written = WriteWholeFile(target, writeNativeDocument(*this));
    } catch (const std::bad_alloc&) {
        written.reason = kNoMemoryReason;
    }
    Ui->setStatusText(3, "");
    if (!written) {
        errorBox("Could not create the file " + fileShownName(target) + "!", written.reason);
        return false;
    }
    takeFileName(*this, path);
    return true;
}

bool OpenNativeFile(TMDIChild& w, const std::string& path)
{
    const std::filesystem::path source(path);
    std::vector<uint8_t> bytes;
    // Only a regular file of a sensible size is read: a FIFO under a
    // document's name would otherwise block for ever.
    if (const FileReadResult read = ReadWholeFile(source, kMaxDocumentBytes, bytes); !read) {
        errorBox("Could not of file " + fileShownName(source) + "!", read.reason);
        return false;
    }
    w.Ui->setStatusText(3, "Open file...");
    NativeReadResult r = readNativeDocument(bytes);
    bytes = {};
    w.Ui->setStatusText(3, "");
    if (!r.ok) {
        errorBox("This is not a valid Quillet document!", fileShownName(source) + ": " + readFailureReason(r));
        return false;
    }
    takeNativeDocument(w, std::move(r.doc));
    w.PageSetup(0);
    w.CompleteRefresh();
    takeFileName(w, path);
    return true;
}

bool OpenDocumentFile(TMDIChild& w, const std::string& path, int32_t filterIndex)
{
    enum class Reader { Native, Word, Rtf, Text, TextDos };
    Reader reader = Reader::Text;
    switch (filterIndex) {
    case ofNative: reader = Reader::Native; w.FileFormatIndex = sfNative; break;
    case ofWord: reader = Reader::Word; w.FileFormatIndex = kCodeAfterWordRead; break;
    case ofRtf: reader = Reader::Rtf; w.FileFormatIndex = sfRtf; break;
    case ofText: reader = Reader::Text; w.FileFormatIndex = sfText; break;
    case ofTextDos: reader = Reader::TextDos; w.FileFormatIndex = sfTextDos; break;
    default: {
        // The code of the reader chosen, not "by extension": a file read as
        // text because of its name (report.htm, README) would otherwise be
        // saved natively over the user's text file.
        const std::string ext = upperExtension(path);
        if (ext == ".DOC") {
            reader = Reader::Word;
            w.FileFormatIndex = kCodeAfterWordRead;
        } else if (ext == ".RTF") {
            reader = Reader::Rtf;
            w.FileFormatIndex = sfRtf;
        } else if (ext == ".QDT") {
            reader = Reader::Native;
            w.FileFormatIndex = sfNative;
        } else {
            reader = Reader::Text;
            w.FileFormatIndex = sfText;
        }
    }
    }

    bool ok = false;
    switch (reader) {
    case Reader::Native: ok = OpenNativeFile(w, path); break;
    case Reader::Rtf: ok = w.OpenRTFFile(path); break;
    case Reader::Text: ok = w.OpenTXTFile(path, false); break;
    case Reader::TextDos: ok = w.OpenTXTFile(path, true); break;
    case Reader::Word:
        if (const auto& openWord = formatHandlers().OpenWord) {
            ok = openWord(w, path);
        } else {
            errorBox("Could not open file " + fileShownName(path) + "!", kNoWordReader);
            ok = false;
        }
        break;
    }
    if (ok && reader == Reader::Word && !w.Frame.KeepName) {
        // Save asks for a name (and proposes the native format) rather
        // than writing over the Word file.
        w.DocPath.clear();
        w.Ui->fileMenuChanged();
    }
    if (ok && !w.Frame.KeepName) {
        AddToLastUsedFiles(w.Frame, path);
        w.Ui->fileMenuChanged();
    }
    return ok;
}

bool TMDIChild::SaveFile()
{
    if (Frame.Options.MakeBak) makeBackup(DocPath);

    int32_t code = FileFormatIndex;
    if (code < sfNative || code > sfTextDos) {
        const std::string ext = upperExtension(DocPath);
        code = ext == ".TXT" ? sfText : ext == ".RTF" ? sfRtf : sfNative;
    }
    bool ok = false;
    switch (code) {
    case sfRtf: ok = SaveRTFFile(DocPath); break;
    case sfText: ok = SaveTXTFile(DocPath, false); break;
    case sfTextDos: ok = SaveTXTFile(DocPath, true); break;
    default: ok = SaveQDTFile(DocPath); break;
    }
    if (ok && !Frame.KeepName) {
        AddToLastUsedFiles(Frame, DocPath);
        Ui->fileMenuChanged();
    }
    return ok;
}

bool TMDIChild::OpenRTFFile(const std::string& path)
{
    const fs::path source(path);
    const std::string openError = "Could not open file " + fileShownName(source) + "!";
    const auto& read = formatHandlers().ReadRtf;
    if (!read) {
        errorBox(openError, kNoRtfReader);
        return false;
    }
    std::vector<uint8_t> bytes;
    if (const FileReadResult r = ReadWholeFile(source, kMaxDocumentBytes, bytes); !r) {
        errorBox(openError, r.reason);
        return false;
    }
    Ui->setStatusText(3, "Open file...");
    int32_t code = 0;
    try {
        code = read(*this, bytes);
    } catch (const std::bad_alloc&) {
        code = 2;  // the reader's own code for running out of memory
    }
    bytes = {};
    Ui->setStatusText(3, "");
    Anchor = Cursor = TextPos{};
    ClampPositions();
    RefreshAfterPaint = 1;
    CompleteRefresh();
    takeFileName(*this, path);
    // A file that lacks only its closing braces (code 3) has given all its
    // text; keep it. On any other error the window that asked closes, and
    // without a word it would simply vanish.
    if (code == kRtfUnclosedGroups) return true;
    if (code != 0) errorBox("This is not a valid RTF file (error " + std::to_string(code) + ")!");
    return code == 0;
}

bool TMDIChild::SaveRTFFile(const std::string& path)
{
    const fs::path target(path);
    const std::string createError = "Could not create file " + fileShownName(target) + "!";
    const auto& write = formatHandlers().WriteRtf;
    if (!write) {
        errorBox(createError, kNoRtfWriter);
        return false;
    }
    Ui->setStatusText(3, "Save file...");
    bool ok = false;
    std::string reason;
    try {
        std::string image;
        ok = write(*this, image);
        if (ok) {
            const FileWriteResult w = WriteWholeFile(target, image.data(), image.size());
            ok = bool(w);
            reason = w.reason;
        }
    } catch (const std::bad_alloc&) {
        ok = false;
        reason = kNoMemoryReason;
    }
    Ui->setStatusText(3, "");
    if (!ok) {
        errorBox(createError, reason);
        return false;
    }
    takeFileName(*this, path);
    return true;
}

void TMDIChild::FormCloseQuery(const TMDIChild* /*sender*/, bool& canClose)
{
    if (!Modified) {
        canClose = true;
        return;
    }
    const MsgResult answer = messageBoxes().showUtf8("Do you want to save the changes in " + ShownDocTitle() + "?",
                                                     "Save document?", MsgIcon::Question, MsgButtons::YesNoCancel);
    switch (answer) {
    case MsgResult::No: canClose = true; break;
    case MsgResult::Yes: canClose = SaveWindow(*this); break;
    default: canClose = false; break;
    }
}

} // namespace quillet
