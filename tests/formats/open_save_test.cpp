#include "formats/OpenSave.h"

#include "engine/Childwin.h"
#include "formats/NativeFormat.h"
#include "formats/StandardServices.h"
#include "platform/MessageBox.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestPaths.h"

#include "platform/SafeFile.h"
#include "platform/Win1252.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include <sys/resource.h>

using namespace quillet;
namespace fs = std::filesystem;

namespace {

struct Box {
    std::string text, caption;
    MsgIcon icon;
    MsgButtons buttons;
};

// Records texts in UTF-8, as the program's own boxes show them.
struct ScriptedBoxes : MessageBoxes {
    std::vector<Box> shown;
    std::vector<MsgResult> answers;  // for questions, in order
    MsgResult show(std::string_view text, std::string_view caption, MsgIcon icon, MsgButtons buttons) override
    {
        return showUtf8(ansiToUtf8(text), ansiToUtf8(caption), icon, buttons);
    }
    MsgResult showUtf8(std::string_view text, std::string_view caption, MsgIcon icon, MsgButtons buttons) override
    {
        shown.push_back(Box{std::string(text), std::string(caption), icon, buttons});
        if (buttons == MsgButtons::YesNoCancel && !answers.empty()) {
            const MsgResult r = answers.front();
            answers.erase(answers.begin());
            return r;
        }
        return MsgResult::Ok;
    }
    std::vector<std::string> texts() const
    {
        std::vector<std::string> t;
        for (const Box& b : shown) t.push_back(b.text);
        return t;
    }
};

struct SaveDialogUi : FrameUi {
    int asked = 0;
    std::string presetName;
    int32_t presetFilter = 0;
    bool ok = false;
    std::string name;
    int32_t filter = 1;
    bool runSaveDialog(std::string& fileName, int32_t& filterIndex) override
    {
        ++asked;
        presetName = fileName;
        presetFilter = filterIndex;
        if (!ok) return false;
        fileName = name;
        filterIndex = filter;
        return true;
    }
};

using test::readAll;
using test::writeAll;

bool isNative(const fs::path& p)
{
    const std::string b = readAll(p);
    return b.size() > 64 && b.compare(4, kNativeMagic.size(), kNativeMagic) == 0;
}

std::string bodyText(const TMDIChild& w)
{
    std::string s;
    for (const TextLine& l : w.Areas.at(0).Lines)
        for (const TextChar& c : l.Chars) s += char(c.Code);
    return s;
}

class OpenSave : public ::testing::Test {
protected:
    void SetUp() override
    {
        setMessageBoxes(&boxes);
        saved = formatHandlers();
        dir = test::freshTestDir("open_save");
        w = newWindow(frame);
    }
    void TearDown() override
    {
        formatHandlers() = saved;
        setMessageBoxes(nullptr);
    }

    std::unique_ptr<TMDIChild> newWindow(FrameState& f)
    {
        f.ProgDir = test::programDir();
        auto win = std::make_unique<TMDIChild>(f);
        win->setFrameUi(&ui);
        win->FormCreate();
        boxes.shown.clear();
        return win;
    }

    fs::path file(std::string_view name, std::string_view content)
    {
        const fs::path p = dir / name;
        writeAll(p, content);
        return p;
    }

    ScriptedBoxes boxes;
    SaveDialogUi ui;
    FormatHandlers saved;
    FrameState frame = StandardFrameState();
    std::unique_ptr<TMDIChild> w;
    fs::path dir;
};

TEST(OpenSaveNames, ExtensionsAndDefaults)
{
    EXPECT_EQ(upperExtension("/a/notes.TxT"), ".TXT");
    EXPECT_EQ(upperExtension("/a.b/noext"), "");
    EXPECT_EQ(withSaveExtension("letter", sfRtf), "letter.rtf");
    EXPECT_EQ(withSaveExtension("letter", sfTextDos), "letter.txt");
    EXPECT_EQ(withSaveExtension("letter", 0), "letter.qdt");
    EXPECT_EQ(withSaveExtension("letter.doc", sfRtf), "letter.doc");
}

TEST(OpenSaveNames, RecentListKeepsOneEntryNewestFirstWithinTheLimit)
{
    FrameState f = StandardFrameState();
    f.Options.RecentFileCount = 3;
    for (const char* p : {"/a", "/b", "/a", "/c", "/d"}) AddToLastUsedFiles(f, p);
    EXPECT_EQ(f.RecentFiles, (std::vector<std::string>{"/d", "/c", "/a"}));
    f.Options.RecentFileCount = 0;
    AddToLastUsedFiles(f, "/e");
    EXPECT_TRUE(f.RecentFiles.empty());
}

TEST_F(OpenSave, TextFiltersReadAndWriteTheirCodePage)
{
    const fs::path p = file("dos.txt", "\x81\r\n");
    ASSERT_TRUE(w->OpenFile(p.string(), 5));
    EXPECT_EQ(w->FileFormatIndex, sfTextDos);
    EXPECT_EQ(bodyText(*w), "\xfc");
    w->SetFileChanged(true);
    ASSERT_TRUE(w->SaveFile());
    EXPECT_EQ(readAll(p), "\x81\r\n");
    EXPECT_EQ(w->Modified, 0);

    auto ansi = newWindow(frame);
    ASSERT_TRUE(ansi->OpenFile(p.string(), 4));
    EXPECT_EQ(ansi->FileFormatIndex, sfText);
    EXPECT_EQ(bodyText(*ansi), "\x81");
}

TEST_F(OpenSave, AllFilesChoosesByExtension)
{
    const fs::path notes = file("notes.TxT", "caf\xe9");
    ASSERT_TRUE(w->OpenFile(notes.string(), 7));
    EXPECT_EQ(w->FileFormatIndex, sfText);
    EXPECT_EQ(bodyText(*w), "caf\xe9");
    ASSERT_TRUE(w->SaveFile());
    EXPECT_EQ(readAll(notes), "caf\xe9\r\n");

    // Unknown extensions and none are read as text, and saved as the text
    // they were, not natively over the user's file.
    for (const char* name : {"report.htm", "README", "notes.log"}) {
        auto other = newWindow(frame);
        const fs::path p = file(name, "<b>x</b>");
        ASSERT_TRUE(other->OpenFile(p.string(), 0)) << name;
        EXPECT_EQ(other->FileFormatIndex, sfText) << name;
        EXPECT_EQ(bodyText(*other), "<b>x</b>");
        ASSERT_TRUE(other->SaveFile());
        EXPECT_EQ(readAll(p), "<b>x</b>\r\n") << name;
    }

    // A native file by extension, and back.
    auto native = newWindow(frame);
    const fs::path q = dir / "doc.QDT";
    ASSERT_TRUE(w->SaveQDTFile(q.string()));
    ASSERT_TRUE(native->OpenFile(q.string(), 6));
    EXPECT_EQ(bodyText(*native), "caf\xe9");
    EXPECT_EQ(native->FileFormatIndex, sfNative);
}

TEST_F(OpenSave, FormatCodeOverridesTheExtension)
{
    const fs::path p = file("a.txt", "text");
    ASSERT_TRUE(w->OpenFile(p.string(), 4));
    w->FileFormatIndex = sfNative;
    ASSERT_TRUE(w->SaveFile());
    EXPECT_TRUE(isNative(p));
    ASSERT_TRUE(w->OpenFile(p.string(), 1));
    EXPECT_EQ(bodyText(*w), "text");
}

TEST_F(OpenSave, RtfGoesThroughItsHandlersBothWays)
{
    std::vector<uint8_t> seen;
    formatHandlers().ReadRtf = [&](TMDIChild& win, const std::vector<uint8_t>& bytes) {
        seen = bytes;
        win.Cursor = TextPos{0, 0, 0};
        TextChar* c = win.NewChar();
        c->Code = 'R';
        return 0;
    };
    formatHandlers().WriteRtf = [](TMDIChild&, std::string& out) {
        out = "{\\rtf1 R}";
        return true;
    };
    const fs::path p = file("in.RTF", "{\\rtf1 x}");
    ASSERT_TRUE(w->OpenFile(p.string(), 3));
    EXPECT_EQ(std::string(seen.begin(), seen.end()), "{\\rtf1 x}");
    EXPECT_EQ(w->FileFormatIndex, sfRtf);
    EXPECT_EQ(w->RefreshAfterPaint, 1);
    EXPECT_EQ(w->DocTitle, "in.RTF");
    ASSERT_TRUE(w->SaveFile());
    EXPECT_EQ(readAll(p), "{\\rtf1 R}");

    // By extension too.
    auto byExt = newWindow(frame);
    ASSERT_TRUE(byExt->OpenFile(p.string(), 0));
    EXPECT_EQ(byExt->FileFormatIndex, sfRtf);
    const fs::path out = dir / "copy.rtf";
    byExt->DocPath = out.string();
    ASSERT_TRUE(byExt->SaveFile());
    EXPECT_EQ(readAll(out), "{\\rtf1 R}");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(OpenSave, RtfReaderErrorIsAFailureWithAMessage)
{
    // A stray byte in picture hex.
    formatHandlers().ReadRtf = [](TMDIChild&, const std::vector<uint8_t>&) { return 4; };
    const fs::path p = file("bad.rtf", "{\\pict zz}");
    EXPECT_FALSE(w->OpenFile(p.string(), 3));
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"This is not a valid RTF file (error 4)!"});
    EXPECT_TRUE(frame.RecentFiles.empty());

    // Only the closing braces missing: all the text has been read, and the
    // window keeps it.
    auto open = newWindow(frame);
    boxes.shown.clear();
    formatHandlers().ReadRtf = [](TMDIChild& win, const std::vector<uint8_t>&) {
        win.Cursor = TextPos{0, 0, 0};
        win.NewChar()->Code = 'T';
        return 3;
    };
    const fs::path unclosed = file("unclosed.rtf", "{\\rtf1 T");
    ASSERT_TRUE(open->OpenFile(unclosed.string(), 0));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(bodyText(*open), "T");
    EXPECT_EQ(open->Modified, 0);
    EXPECT_EQ(frame.RecentFiles, std::vector<std::string>{unclosed.string()});
}

// A format whose module is not there is said to be unsupported, whether
// it was chosen or found by the file's extension, never taken for a fault
// of the file or the disk.
TEST_F(OpenSave, MissingFormatModulesSayTheFormatCannotBeReadOrWrittenYet)
{
    formatHandlers() = FormatHandlers{};
    const fs::path rtf = file("x.rtf", "{\\rtf1}");
    EXPECT_FALSE(w->OpenFile(rtf.string(), ofRtf));
    EXPECT_FALSE(w->OpenFile(rtf.string(), ofByExtension));
    EXPECT_FALSE(w->OpenFile(rtf.string(), ofAllDocuments));
    const fs::path doc = file("x.doc", "not ole");
    EXPECT_FALSE(w->OpenFile(doc.string(), ofWord));
    EXPECT_FALSE(w->OpenFile(doc.string(), ofByExtension));
    EXPECT_FALSE(w->OpenFile((dir / "none.rtf").string(), ofRtf));
    w->FileFormatIndex = sfRtf;
    w->DocPath = (dir / "out.rtf").string();
    w->SetFileChanged(true);
    EXPECT_FALSE(w->SaveFile());
    EXPECT_FALSE(fs::exists(dir / "out.rtf"));
    EXPECT_EQ(w->Modified, 1);
    const std::string noRtf = "Could not open file x.rtf!\nRich Text files cannot be read yet";
    const std::string noWord = "Could not open file x.doc!\nWord files cannot be read yet";
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{noRtf, noRtf, noRtf, noWord, noWord,
                                                       "Could not open file none.rtf!\nRich Text files cannot be read yet",
                                                       "Could not create file out.rtf!\nRich Text files cannot be written yet"}));
    for (const Box& b : boxes.shown) {
        EXPECT_EQ(b.icon, MsgIcon::Error);
        EXPECT_EQ(b.caption, "");
    }
    EXPECT_TRUE(frame.RecentFiles.empty());
}

// There is no Word writer, and whatever went back under the ".doc" name
// would reach the Word reader again and fail to open: Word files are
// imported, and Save asks for a name and proposes the native format.
TEST_F(OpenSave, WordFilesAreImportedAndSavedNativelyUnderANewName)
{
    std::string opened;
    formatHandlers().OpenWord = [&](TMDIChild& win, const std::string& path) {
        opened = path;
        win.DocPath = path;
        win.DocTitle = fileDisplayName(path);
        return true;
    };
    const fs::path doc = file("w.DOC", "ole");
    for (const int32_t filter : {0, 2}) {
        auto win = newWindow(frame);
        ASSERT_TRUE(win->OpenFile(doc.string(), filter)) << filter;
        EXPECT_EQ(opened, doc.string());
        EXPECT_EQ(win->FileFormatIndex, sfNative) << filter;
        EXPECT_TRUE(win->DocPath.empty()) << filter;
        EXPECT_EQ(win->DocTitle, "w.DOC");
        ui.ok = false;
        EXPECT_FALSE(SaveWindow(*win));
        EXPECT_EQ(ui.presetFilter, sfNative);
        EXPECT_EQ(readAll(doc), "ole");
    }
    EXPECT_EQ(frame.RecentFiles, std::vector<std::string>{doc.string()});

    auto win = newWindow(frame);
    ASSERT_TRUE(win->OpenFile(doc.string(), 0));
    ui.ok = true;
    ui.name = (dir / "w").string();
    ui.filter = sfNative;
    ASSERT_TRUE(SaveWindow(*win));
    EXPECT_TRUE(isNative(dir / "w.qdt"));
    EXPECT_EQ(readAll(doc), "ole");
}

TEST_F(OpenSave, RecentFilesFollowSuccessUnlessKeepName)
{
    const fs::path a = file("a.txt", "a");
    ASSERT_TRUE(w->OpenFile(a.string(), 0));
    ASSERT_TRUE(w->OpenFile(a.string(), 0));
    EXPECT_EQ(frame.RecentFiles, std::vector<std::string>{a.string()});
    EXPECT_FALSE(w->OpenFile((dir / "missing.txt").string(), 0));
    EXPECT_EQ(frame.RecentFiles.size(), 1u);

    const fs::path b = dir / "b.txt";
    w->DocPath = b.string();
    ASSERT_TRUE(w->SaveFile());
    EXPECT_EQ(frame.RecentFiles, (std::vector<std::string>{b.string(), a.string()}));

    // Auto-save and the template keep the window's name out of the list.
    frame.KeepName = 1;
    w->SetFileChanged(true);
    const fs::path c = file("c.txt", "c");
    ASSERT_TRUE(w->OpenFile(c.string(), 0));
    EXPECT_EQ(w->DocPath, b.string());
    ASSERT_TRUE(w->SaveQDTFile((dir / "rec.whi").string()));
    EXPECT_EQ(w->Modified, 1);
    EXPECT_EQ(frame.RecentFiles.size(), 2u);
}

TEST_F(OpenSave, BackupHoldsThePreviousContent)
{
    frame.Options.MakeBak = 1;
    const fs::path p = file("letter.qdt", "previous");
    writeAll(dir / "letter.bak", "older");
    w->DocPath = p.string();
    ASSERT_TRUE(w->SaveFile());
    EXPECT_EQ(readAll(dir / "letter.bak"), "previous");
    EXPECT_TRUE(isNative(p));

    // A first save has nothing to back up.
    w->DocPath = (dir / "new.qdt").string();
    ASSERT_TRUE(w->SaveFile());
    EXPECT_FALSE(fs::exists(dir / "new.bak"));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(OpenSave, DocumentNamedBakIsNotLostToItsBackup)
{
    frame.Options.MakeBak = 1;
    const fs::path p = file("notes.bak", "old");
    w->DocPath = p.string();
    w->FileFormatIndex = sfText;
    ASSERT_TRUE(w->SaveFile());
    EXPECT_TRUE(fs::exists(p));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(OpenSave, FailedBackupIsReportedAndTheSaveGoesOn)
{
    frame.Options.MakeBak = 1;
    const fs::path p = file("x.qdt", "previous");
    fs::create_directories(dir / "x.bak" / "full");  // a folder cannot become the backup
    w->DocPath = p.string();
    EXPECT_TRUE(w->SaveFile());
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Could not create backup file!"});
    EXPECT_TRUE(isNative(p));
}

TEST_F(OpenSave, FailedSaveKeepsTheFileAndTheChangedState)
{
    const fs::path p = file("keep.txt", "previous");
    w->DocPath = (dir / "no" / "folder" / "x.txt").string();
    w->SetFileChanged(true);
    EXPECT_FALSE(w->SaveFile());
    EXPECT_EQ(w->Modified, 1);
    EXPECT_TRUE(frame.RecentFiles.empty());

    // A write that fails half way, for every writer.
    for (int32_t code : {sfNative, sfText}) {
        w->Areas[0].Lines[0].Chars.resize(3000);
        for (TextChar& c : w->Areas[0].Lines[0].Chars) c.Code = 'x';
        w->DocPath = p.string();
        w->FileFormatIndex = code;
        struct rlimit old {};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
        auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = old;
        small.rlim_cur = 64;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool ok = w->SaveFile();
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        EXPECT_FALSE(ok) << code;
        EXPECT_EQ(readAll(p), "previous") << code;
        EXPECT_EQ(w->Modified, 1);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(OpenSave, SavingThroughALinkKeepsTheLink)
{
    const fs::path target = file("real.txt", "old");
    fs::create_symlink(target, dir / "link.txt");
    w->Areas[0].Lines[0].Chars.resize(1);
    w->Areas[0].Lines[0].Chars[0].Code = 'n';
    w->DocPath = (dir / "link.txt").string();
    ASSERT_TRUE(w->SaveFile());
    EXPECT_TRUE(fs::is_symlink(dir / "link.txt"));
    EXPECT_EQ(readAll(target), "n\r\n");
}

TEST_F(OpenSave, CloseQueryAsksOnlyForChangedWindows)
{
    bool canClose = false;
    w->FormCloseQuery(w.get(), canClose);
    EXPECT_TRUE(canClose);
    EXPECT_TRUE(boxes.shown.empty());

    w->DocTitle = "NONAME1";
    w->SetFileChanged(true);
    boxes.answers = {MsgResult::Cancel};
    w->FormCloseQuery(w.get(), canClose);
    EXPECT_FALSE(canClose);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Do you want to save the changes in NONAME1?");
    EXPECT_EQ(boxes.shown[0].caption, "Save document?");
    EXPECT_EQ(boxes.shown[0].icon, MsgIcon::Question);
    EXPECT_EQ(boxes.shown[0].buttons, MsgButtons::YesNoCancel);

    boxes.answers = {MsgResult::No};
    w->FormCloseQuery(w.get(), canClose);
    EXPECT_TRUE(canClose);
    EXPECT_EQ(ui.asked, 0);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 0);
}

TEST_F(OpenSave, CloseQueryYesSavesAndClosesOnlyOnSuccess)
{
    w->DocTitle = "NONAME1";
    w->SetFileChanged(true);
    bool canClose = true;

    // No path: the Save dialog asks; Cancel keeps the window.
    boxes.answers = {MsgResult::Yes};
    w->FormCloseQuery(w.get(), canClose);
    EXPECT_FALSE(canClose);
    EXPECT_EQ(ui.asked, 1);
    EXPECT_EQ(ui.presetName, "");
    EXPECT_EQ(w->Modified, 1);

    // A name without extension gets the format's.
    ui.ok = true;
    ui.name = (dir / "out").string();
    ui.filter = sfText;
    boxes.answers = {MsgResult::Yes};
    w->FormCloseQuery(w.get(), canClose);
    EXPECT_TRUE(canClose);
    EXPECT_EQ(w->DocPath, (dir / "out.txt").string());
    EXPECT_EQ(w->FileFormatIndex, sfText);
    EXPECT_EQ(w->Modified, 0);
    EXPECT_TRUE(fs::exists(dir / "out.txt"));
    EXPECT_EQ(frame.RecentFiles, std::vector<std::string>{(dir / "out.txt").string()});

    // With a path the window saves there without asking; a failure keeps it open.
    w->SetFileChanged(true);
    w->DocPath = (dir / "gone" / "x.qdt").string();
    boxes.answers = {MsgResult::Yes};
    w->FormCloseQuery(w.get(), canClose);
    EXPECT_FALSE(canClose);
    EXPECT_EQ(ui.asked, 2);
    EXPECT_EQ(w->Modified, 1);
}

TEST_F(OpenSave, EachChangedWindowAsksWithItsOwnTitle)
{
    auto second = newWindow(frame);
    w->DocTitle = "first.qdt";
    second->DocTitle = "second.qdt";
    w->DocPath = (dir / "first.qdt").string();
    second->DocPath = (dir / "second.qdt").string();
    w->SetFileChanged(true);
    second->SetFileChanged(true);
    boxes.answers = {MsgResult::Yes, MsgResult::No};
    bool a = false, b = false;
    w->FormCloseQuery(w.get(), a);
    second->FormCloseQuery(second.get(), b);
    EXPECT_TRUE(a && b);
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"Do you want to save the changes in first.qdt?",
                                                       "Do you want to save the changes in second.qdt?"}));
    EXPECT_TRUE(fs::exists(dir / "first.qdt"));
    EXPECT_FALSE(fs::exists(dir / "second.qdt"));
}

// RTF files are documents too: the same cap, the reason under the message,
// and names outside the code page as they are.
TEST_F(OpenSave, RtfFailuresSayWhyAndNameTheFileAsItIs)
{
    formatHandlers().ReadRtf = [](TMDIChild&, const std::vector<uint8_t>&) { return 0; };
    formatHandlers().WriteRtf = [](TMDIChild&, std::string& image) {
        image = "{\\rtf1}";
        return true;
    };
    fs::create_directories(dir / "Übersicht.rtf");
    std::ofstream(dir / "big.rtf").put('x');
    fs::resize_file(dir / "big.rtf", kMaxDocumentBytes + 1);
    EXPECT_FALSE(w->OpenFile((dir / "Übersicht.rtf").string(), 3));
    EXPECT_FALSE(w->OpenFile((dir / "big.rtf").string(), 0));
    w->DocPath = (dir / "Übersicht.rtf").string();
    w->FileFormatIndex = sfRtf;
    EXPECT_FALSE(w->SaveFile());
    w->DocPath = (dir / "日本.rtf").string();
    EXPECT_TRUE(w->SaveFile());
    EXPECT_EQ(w->ShownDocTitle(), "日本.rtf");
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"Could not open file Übersicht.rtf!\nIs a directory",
                                                       "Could not open file big.rtf!\nthe file is larger than 256 MB",
                                                       "Could not create file Übersicht.rtf!\nIs a directory"}));
    fs::remove(dir / "big.rtf");
}

TEST_F(OpenSave, CloseQueryNamesTheFileAsItIs)
{
    const std::string name = "日本語の文書.qdt";
    w->DocPath = (dir / name).string();
    ASSERT_TRUE(w->SaveFile());
    w->SetFileChanged(true);
    boxes.answers = {MsgResult::Cancel};
    bool canClose = true;
    w->FormCloseQuery(w.get(), canClose);
    EXPECT_FALSE(canClose);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Do you want to save the changes in " + name + "?"});
}

TEST_F(OpenSave, SaveAsPresetsTheNameWithoutExtension)
{
    w->DocPath = (dir / "letter.qdt").string();
    w->FileFormatIndex = sfRtf;
    ui.ok = false;
    EXPECT_FALSE(SaveWindowAs(*w));
    EXPECT_EQ(ui.presetName, (dir / "letter").string());
    EXPECT_EQ(ui.presetFilter, sfRtf);
    ui.ok = true;
    ui.name = (dir / "letter").string();
    ui.filter = sfNative;
    ASSERT_TRUE(SaveWindowAs(*w));
    EXPECT_TRUE(isNative(dir / "letter.qdt"));
}

TEST_F(OpenSave, HostileTargetsFailCleanly)
{
    EXPECT_FALSE(ReplaceFileContents("", "x"));
    EXPECT_FALSE(ReplaceFileContents(dir, "x"));  // a folder
    EXPECT_TRUE(fs::is_directory(dir));
    std::vector<uint8_t> bytes{1, 2};
    EXPECT_FALSE(ReadFileBytes(dir, bytes));
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(ReadFileBytes("/dev/zero", bytes));
    EXPECT_FALSE(w->OpenFile("", 0));
}

} // namespace
