// The frame's file side, on the real frame offscreen: the Save commands and
// their dialog, the File menu's enabling and recent files, auto-save, and
// the file type registration.
#include "app/Main.h"

#include "app/DocumentView.h"
#include "engine/Childwin.h"
#include "formats/NativeFormat.h"
#include "formats/OpenSave.h"
#include "formats/Recovery.h"
#include "platform/MessageBox.h"
#include "tests/app/DialogTestSupport.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestPaths.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTimer>
#include "platform/SafeFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>

#include <sys/stat.h>

using namespace quillet;
namespace fs = std::filesystem;

namespace {

using test::readAll;
using test::RecordingBoxes;

struct ScriptedDialogs : FrameFileDialogs {
    int saveAsked = 0;
    std::string filter, presetName;
    int32_t presetIndex = 0;
    bool answer = false;
    std::string name;
    int32_t index = 1;
    bool getOpenFileName(QWidget*, const std::string&, std::string&, int32_t&) override { return false; }
    bool getSaveFileName(QWidget*, const std::string& f, std::string& fileName, int32_t& filterIndex) override
    {
        ++saveAsked;
        filter = f;
        presetName = fileName;
        presetIndex = filterIndex;
        if (!answer) return false;
        fileName = name;
        filterIndex = index;
        return true;
    }
};

bool isNative(const fs::path& p)
{
    std::vector<uint8_t> bytes;
    return ReadFileBytes(p, bytes) && readNativeDocument(bytes).ok;
}

fs::path appDataDir()
{
    return fs::path(QUILLET_TEST_DATA_DIR).parent_path().parent_path() / "app" / "data";
}

class FrameFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::app();
        dir = test::freshTestDir("frame_files");
        progDir = dir / "prog";
        fs::create_directories(progDir);
        fs::copy_file(test::programDir() / "normal.qdm", progDir / "normal.qdm");
        formats = formatHandlers();
        frame = makeFrame();
    }
    void TearDown() override
    {
        frame.reset();
        formatHandlers() = formats;
        setMessageBoxes(nullptr);
    }

    std::unique_ptr<TMainForm> makeFrame()
    {
        FrameStartOptions o;
        o.ProgDir = progDir;
        o.RegisterFileType = false;
        o.Boxes = &boxes;
        o.Dialogs = &dialogs;
        auto f = std::make_unique<TMainForm>(o);
        setMessageBoxes(&boxes);
        return f;
    }

    // A new document window, made as File > New makes it when the frame
    // can, else the way the frame hosts one.
    DocumentView* newWindow(const std::string& title, TMainForm* f = nullptr)
    {
        if (!f) f = frame.get();
        if (DocumentView* v = f->CreateMDIChild(title)) return v;
        f->State.OpenFileName.clear();
        auto* v = new DocumentView(f->State, f);
        if (!v->create()) {
            delete v;
            return nullptr;
        }
        v->child().DocTitle = title;
        QMdiSubWindow* sub = f->mdiArea()->addSubWindow(v);
        sub->show();
        f->mdiArea()->setActiveSubWindow(sub);
        return v;
    }

    // The frame's action with this caption (accelerators ignored), made
    // here when the frame has none, so File1Click's enabling can be seen.
    QAction* action(const QString& caption)
    {
        for (QAction* a : frame->findChildren<QAction*>())
            if (a->text().remove(u'&').section(u'\t', 0, 0) == caption) return a;
        auto* a = new QAction(caption, frame.get());
        return a;
    }

    std::vector<QAction*> recentItems() const
    {
        std::vector<QAction*> items;
        if (!frame->fileMenu()) return items;
        for (QAction* a : frame->fileMenu()->actions())
            if (a->data().toInt() > 97) items.push_back(a);
        return items;
    }

    fs::path dir, progDir;
    RecordingBoxes boxes;
    ScriptedDialogs dialogs;
    FormatHandlers formats;
    std::unique_ptr<TMainForm> frame;
};

TEST_F(FrameFiles, SaveIsEnabledForNewOrChangedDocumentsAndWindowCommandsNeedAWindow)
{
    QAction* pageView = action("Page view");
    QAction* saveAs = action("Save as...");
    QAction* unrelated = action("Exit");
    unrelated->setEnabled(true);

    frame->File1Click();
    EXPECT_FALSE(pageView->isEnabled());
    EXPECT_FALSE(saveAs->isEnabled());
    if (frame->saveAction()) {
        EXPECT_FALSE(frame->saveAction()->isEnabled());
    }

    DocumentView* v = newWindow("NONAME1");
    ASSERT_NE(v, nullptr);
    ASSERT_EQ(frame->ActiveMDIChild(), &v->child());
    frame->File1Click();
    EXPECT_TRUE(pageView->isEnabled());
    EXPECT_TRUE(saveAs->isEnabled());
    EXPECT_TRUE(unrelated->isEnabled());
    QAction* save = frame->saveAction() ? frame->saveAction() : action("Save");
    frame->File1Click();
    EXPECT_TRUE(save->isEnabled()) << "a new document";

    v->child().DocPath = (dir / "kept.qdt").string();
    v->child().SetFileChanged(false);
    frame->File1Click();
    EXPECT_FALSE(save->isEnabled()) << "unchanged, with a path";
    v->child().SetFileChanged(true);
    frame->File1Click();
    EXPECT_TRUE(save->isEnabled()) << "changed";
}

TEST_F(FrameFiles, SaveAsThroughTheFilterIndexAppendsItsExtension)
{
    DocumentView* v = newWindow("NONAME1");
    ASSERT_NE(v, nullptr);
    TMDIChild& w = v->child();
    fs::create_directories(dir);

    // Without a window nothing is asked.
    frame->mdiArea()->setActiveSubWindow(nullptr);
    if (!frame->ActiveMDIChild()) {
        frame->FileSaveAs1Execute();
        EXPECT_FALSE(frame->SaveFileClick());
        EXPECT_EQ(dialogs.saveAsked, 0);
    }
    frame->mdiArea()->setActiveSubWindow(frame->mdiArea()->subWindowList().front());
    ASSERT_EQ(frame->ActiveMDIChild(), &w);

    // The dialog offers only what this build can write: without an RTF
    // writer there is no RTF choice. Cancel keeps everything.
    formatHandlers().WriteRtf = nullptr;
    boxes.texts.clear();
    w.SetFileChanged(true);
    EXPECT_FALSE(frame->SaveFileClick());
    EXPECT_EQ(dialogs.saveAsked, 1);
    EXPECT_EQ(dialogs.filter,
              "Vellum-Script files (*.qdt)|*.qdt|Text files (*.txt)|*.txt|Text files DOS (*.txt)|*.txt");
    EXPECT_EQ(dialogs.presetName, "");
    EXPECT_EQ(dialogs.presetIndex, 1);
    EXPECT_TRUE(w.DocPath.empty());
    EXPECT_EQ(w.Modified, 1);

    // The second choice is then plain text, and the window keeps its code.
    dialogs.answer = true;
    dialogs.name = (dir / "letter").string();
    dialogs.index = 2;
    frame->FileSaveAs1Execute();
    EXPECT_EQ(w.FileFormatIndex, sfText);
    EXPECT_EQ(w.DocPath, (dir / "letter.txt").string());
    EXPECT_TRUE(fs::exists(dir / "letter.txt"));
    EXPECT_EQ(w.Modified, 0);

    // With a writer RTF is the second choice, and the text the window has
    // is preset as the third.
    formatHandlers().WriteRtf = [](TMDIChild&, std::string& image) {
        image = "{\\rtf1}";
        return true;
    };
    frame->FileSaveAs1Execute();
    EXPECT_EQ(dialogs.filter,
              "Vellum-Script files (*.qdt)|*.qdt|Rich Text files (*.rtf)|*.rtf|Text files (*.txt)|*.txt|"
              "Text files DOS (*.txt)|*.txt");
    EXPECT_EQ(dialogs.presetIndex, 3);
    EXPECT_EQ(w.FileFormatIndex, sfRtf);
    EXPECT_EQ(w.DocPath, (dir / "letter.rtf").string());
    EXPECT_EQ(readAll(dir / "letter.rtf"), "{\\rtf1}");
    EXPECT_EQ(frame->State.RecentFiles.front(), w.DocPath);
    EXPECT_TRUE(boxes.texts.empty());

    // Save as presets the name without extension and the current format.
    dialogs.index = 1;
    frame->FileSaveAs1Execute();
    EXPECT_EQ(dialogs.presetName, (dir / "letter").string());
    EXPECT_EQ(dialogs.presetIndex, 2);
    EXPECT_EQ(w.DocPath, (dir / "letter.qdt").string());
    EXPECT_TRUE(isNative(dir / "letter.qdt"));
    EXPECT_EQ(w.Modified, 0);
    EXPECT_EQ(frame->State.RecentFiles.front(), (dir / "letter.qdt").string());

    // The text filters give .txt; a name with an extension keeps it.
    dialogs.index = 4;
    dialogs.name = (dir / "dos").string();
    frame->FileSaveAs1Execute();
    EXPECT_EQ(w.DocPath, (dir / "dos.txt").string());
    EXPECT_EQ(w.FileFormatIndex, sfTextDos);
    EXPECT_TRUE(fs::exists(dir / "dos.txt"));

    // Save on a window with a path asks nothing.
    const int asked = dialogs.saveAsked;
    EXPECT_TRUE(frame->SaveFileClick());
    EXPECT_EQ(dialogs.saveAsked, asked);

    // An index the dialog should never return saves by extension.
    dialogs.index = 9;
    dialogs.name = (dir / "odd.txt").string();
    frame->FileSaveAs1Execute();
    EXPECT_EQ(w.FileFormatIndex, 0);
    EXPECT_EQ(readAll(dir / "odd.txt").substr(0, 1), readAll(dir / "dos.txt").substr(0, 1));
}

TEST_F(FrameFiles, RecentFilesInTheFileMenu)
{
    for (const char* p : {"/d/one.qdt", "/d/two.qdt", "/d/one.qdt"}) frame->AddToLastUsedFiles(p);
    EXPECT_EQ(frame->State.RecentFiles, (std::vector<std::string>{"/d/one.qdt", "/d/two.qdt"}));

    frame->State.RecentFiles = {"/d/4.qdt", "/d/3.qdt", "/d/2.qdt", "/d/1.qdt"};
    frame->State.Options.RecentFileCount = 2;
    frame->File1Click();
    EXPECT_EQ(frame->State.RecentFiles, (std::vector<std::string>{"/d/4.qdt", "/d/3.qdt"}));

    // 40 characters of path, 30 of them the file name.
    const std::string name30 = "abcdefghijklmnopqrstuvwxyz.qdt";
    const std::string path40 = "/home/usr/" + name30;
    ASSERT_EQ(name30.size(), 30u);
    ASSERT_EQ(path40.size(), 40u);
    frame->AddToLastUsedFiles(path40);

    QMenu* menu = frame->fileMenu();
    if (!menu) {
        // Without a File menu there is nothing to rebuild, and no harm done.
        frame->File1Click();
        GTEST_SKIP() << "the frame has no File menu yet";
    }
    const qsizetype before = menu->actions().size() - qsizetype(recentItems().size());
    frame->File1Click();
    frame->File1Click();
    const std::vector<QAction*> items = recentItems();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_TRUE(items[0]->isSeparator());
    EXPECT_EQ(items[0]->data().toInt(), 98);
    EXPECT_EQ(items[1]->data().toInt(), 99);
    EXPECT_EQ(items[1]->text().toStdString(), "&1 abcdefghijklmnopqrstuvwx...");
    EXPECT_EQ(items[2]->data().toInt(), 100);
    EXPECT_EQ(items[2]->text().toStdString(), "&2 /d/4.qdt");
    EXPECT_EQ(menu->actions().size(), before + 3) << "the frame's own items stay";
    EXPECT_EQ(menu->actions().back(), items[2]);

    // An item opens its file.
    DocumentView* v = newWindow("NONAME1");
    ASSERT_NE(v, nullptr);
    dialogs.answer = true;
    dialogs.name = (dir / "kept").string();
    fs::create_directories(dir);
    ASSERT_TRUE(frame->SaveFileClick());
    frame->File1Click();
    const std::vector<QAction*> now = recentItems();
    ASSERT_GE(now.size(), 2u);
    EXPECT_EQ(now[1]->text().toStdString(), "&1 kept.qdt");
    const size_t windows = frame->documentViews().size();
    now[1]->trigger();
    ASSERT_EQ(frame->documentViews().size(), windows + 1);
    EXPECT_EQ(frame->documentViews().back()->child().DocPath, (dir / "kept.qdt").string());
    EXPECT_EQ(frame->State.RecentFiles.front(), (dir / "kept.qdt").string());

    frame->State.RecentFiles.clear();
    frame->File1Click();
    EXPECT_TRUE(recentItems().empty());
    EXPECT_EQ(menu->actions().size(), before);
}

TEST_F(FrameFiles, AutoSaveWritesEveryWindowAndLeavesThemAlone)
{
    DocumentView* a = newWindow("NONAME1");
    DocumentView* b = newWindow("NONAME2");
    ASSERT_TRUE(a && b);
    b->child().DocPath = (dir / "b.qdt").string();
    b->child().SetFileChanged(true);
    frame->State.RecentFiles = {"/d/r.qdt"};

    frame->State.Options.AutoSave = 0;
    frame->AutoSaveTimerTimer();
    EXPECT_FALSE(fs::exists(frame->stateDir() / "recovery")) << "auto-save off";

    frame->State.Options.AutoSave = 1;
    frame->AutoSaveTimerTimer();
    EXPECT_TRUE(frame->IsRecoveryNameUsed("NONAME1.whi"));
    EXPECT_TRUE(frame->IsRecoveryNameUsed("b.whi"));
    EXPECT_FALSE(frame->IsRecoveryNameUsed("NONAME2.whi"));
    EXPECT_TRUE(boxes.texts.empty());

    // The files are this run's: another program sees none of them.
    RecoveryRun other(frame->stateDir());
    EXPECT_TRUE(other.adoptStaleFiles().empty());
    fs::path runFolder;
    for (const auto& e : fs::directory_iterator(frame->stateDir() / "recovery")) runFolder = e.path();
    ASSERT_FALSE(runFolder.empty());
    std::vector<std::string> names;
    for (const fs::path& p : RecoveryFilesIn(runFolder)) names.push_back(p.filename().string());
    EXPECT_EQ(names, (std::vector<std::string>{"NONAME1.whi", "b.whi"}));
    EXPECT_TRUE(isNative(runFolder / "b.whi"));

    EXPECT_TRUE(a->child().DocPath.empty());
    EXPECT_EQ(a->child().DocTitle, "NONAME1");
    EXPECT_EQ(a->child().Modified, 0);
    EXPECT_EQ(b->child().DocPath, (dir / "b.qdt").string());
    EXPECT_EQ(b->child().Modified, 1);
    EXPECT_EQ(frame->State.RecentFiles, (std::vector<std::string>{"/d/r.qdt"}));
    EXPECT_EQ(frame->State.KeepName, 0);
    if (QLabel* panel = frame->statusPanel(3)) {
        EXPECT_TRUE(panel->text().isEmpty());
    }

    // An orderly exit takes them away.
    frame->DeleteRecoveryFiles();
    EXPECT_FALSE(fs::exists(runFolder));
}

TEST_F(FrameFiles, ARecoveryWriteFailureIsShownOnceUntilItWorksAgain)
{
    ASSERT_NE(newWindow("NONAME1"), nullptr);
    frame->AutoSaveTimerTimer();
    fs::path runFolder;
    for (const auto& e : fs::directory_iterator(frame->stateDir() / "recovery")) runFolder = e.path();
    ASSERT_FALSE(runFolder.empty());
    const std::string previous = readAll(runFolder / "NONAME1.whi");

    // Something in the way of the file: every tick fails.
    fs::rename(runFolder / "NONAME1.whi", dir / "saved.whi");
    fs::create_directories(runFolder / "NONAME1.whi" / "x");
    frame->AutoSaveTimerTimer();
    frame->AutoSaveTimerTimer();
    frame->AutoSaveTimerTimer();
    EXPECT_EQ(boxes.texts, (std::vector<std::string>{"Could not create the file NONAME1.whi!\nIs a directory"}));

    fs::remove_all(runFolder / "NONAME1.whi");
    frame->AutoSaveTimerTimer();
    EXPECT_EQ(readAll(runFolder / "NONAME1.whi"), previous);
    // It worked again, so the next failure is news.
    fs::remove(runFolder / "NONAME1.whi");
    fs::create_directories(runFolder / "NONAME1.whi" / "x");
    frame->AutoSaveTimerTimer();
    EXPECT_EQ(boxes.texts.size(), 2u);
}

TEST_F(FrameFiles, RecoveryFilesOfAFrameThatDidNotCloseAreReopenedByTheNext)
{
    ASSERT_NE(newWindow("NONAME1"), nullptr);
    frame->AutoSaveTimerTimer();
    auto second = makeFrame();
    EXPECT_TRUE(second->RecoveryFilesToReopen().empty()) << "the first frame still runs";

    frame.reset();  // gone without its orderly exit
    const std::vector<fs::path> stale = second->RecoveryFilesToReopen();
    ASSERT_EQ(stale.size(), 1u);
    EXPECT_EQ(stale[0].filename(), "NONAME1.whi");
    EXPECT_TRUE(isNative(stale[0]));
    second->DeleteRecoveryFiles();
    EXPECT_FALSE(fs::exists(stale[0]));
}

TEST_F(FrameFiles, TheNextStartReopensACrashedRunsWork)
{
    DocumentView* v = newWindow("NONAME1");
    ASSERT_NE(v, nullptr);
    for (char c : std::string("Rettung")) {
        uint8_t key = uint8_t(c);
        v->child().getkeysKeyPress(key);
    }
    frame->AutoSaveTimerTimer();
    frame.reset();

    frame = makeFrame();
    frame->FormShow();
    std::vector<std::string> titles;
    for (DocumentView* d : frame->documentViews()) titles.push_back(d->child().DocTitle);
    if (std::find(titles.begin(), titles.end(), "NONAME1.whi (Recovered)") == titles.end())
        GTEST_SKIP() << "the frame does not reopen recovery files at its first showing yet";
    DocumentView* recovered = frame->documentViews().back();
    EXPECT_TRUE(recovered->child().DocPath.empty());
    EXPECT_EQ(recovered->child().Modified, 1);
    std::string text;
    for (const TextChar& c : recovered->child().Areas.at(0).Lines.at(0).Chars) text += char(c.Code);
    EXPECT_EQ(text.substr(0, 7), "Rettung");

    frame->DeleteRecoveryFiles();
    for (const auto& e : fs::directory_iterator(frame->stateDir() / "recovery"))
        EXPECT_TRUE(RecoveryFilesIn(e.path()).empty()) << e.path();
}

TEST_F(FrameFiles, TheTimerFollowsTheIntervalAndZeroStopsIt)
{
    frame->State.Options.AutoSaveMinutes = 8;
    frame->UpdateAutoSaveTimer();
    QTimer* timer = frame->autoSaveTimer();
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 480000);
    EXPECT_FALSE(timer->isSingleShot());

    frame->State.Options.AutoSaveMinutes = 0;
    frame->UpdateAutoSaveTimer();
    EXPECT_FALSE(timer->isActive());

    frame->State.Options.AutoSaveMinutes = 1;
    frame->UpdateAutoSaveTimer();
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 60000);
}

TEST_F(FrameFiles, PageViewAndPrintWithoutAWindowDoNothing)
{
    frame->SeitenansichtM1Click();
    frame->PrintBtnClick();
    DocumentView* v = newWindow("NONAME1");
    ASSERT_NE(v, nullptr);
    const uint8_t before = v->child().PageView;
    frame->SeitenansichtM1Click();
    EXPECT_NE(v->child().PageView, before);
    frame->SeitenansichtM1Click();
    EXPECT_EQ(v->child().PageView, before);
    EXPECT_TRUE(boxes.texts.empty());
}

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : Name(name)
    {
        if (const char* old = std::getenv(name)) Old = old, HadOld = true;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (HadOld) setenv(Name, Old.c_str(), 1);
        else unsetenv(Name);
    }

private:
    const char* Name;
    std::string Old;
    bool HadOld = false;
};

ino_t inode(const fs::path& p)
{
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 ? st.st_ino : 0;
}

TEST_F(FrameFiles, TheFileTypeIsRegisteredUnderTheUsersDataFolder)
{
    const fs::path data = dir / "xdg-data";
    ScopedEnv env("XDG_DATA_HOME", data.string());
    const fs::path desktop = data / "applications" / "quillet.desktop";
    const fs::path xml = data / "mime" / "packages" / "quillet.xml";
    // A stale file from an older version is put right.
    fs::create_directories(xml.parent_path());
    std::ofstream(xml, std::ios::binary) << "stale";
    frame->AddQDTFileExtension();

    ASSERT_TRUE(fs::exists(desktop));
    ASSERT_TRUE(fs::exists(xml));
    // The same files as the installed ones, with this program's own path.
    EXPECT_EQ(readAll(xml), readAll(appDataDir() / "quillet.xml"));
    std::string entry = readAll(desktop);
    const std::string program = QCoreApplication::applicationFilePath().toStdString();
    EXPECT_NE(entry.find("Exec=" + program + " %F\n"), std::string::npos);
    EXPECT_NE(entry.find("Exec=" + program + " /p %F\n"), std::string::npos);
    for (size_t at; (at = entry.find(program)) != std::string::npos;) entry.replace(at, program.size(), "quillet");
    EXPECT_EQ(entry, readAll(appDataDir() / "quillet.desktop"));
    EXPECT_NE(readAll(xml).find("value=\"&lt;MAR-VOK VELLUM-SCRIPT DOKUMENT\""), std::string::npos);
    EXPECT_TRUE(kNativeMagic.starts_with("<MAR-VOK VELLUM-SCRIPT DOKUMENT "));

    // Files that are right already are left alone.
    const ino_t desktopInode = inode(desktop);
    const ino_t xmlInode = inode(xml);
    frame->AddQDTFileExtension();
    EXPECT_EQ(inode(desktop), desktopInode);
    EXPECT_EQ(inode(xml), xmlInode);

    // A data folder that cannot be used: nothing happens, nothing is said.
    const fs::path blocked = dir / "blocked";
    std::ofstream(blocked) << "a file, not a folder";
    ScopedEnv env2("XDG_DATA_HOME", blocked.string());
    frame->AddQDTFileExtension();
    EXPECT_TRUE(boxes.texts.empty());
    ScopedEnv env3("XDG_DATA_HOME", "relative/ignored");
    ScopedEnv home("HOME", (dir / "home").string());
    frame->AddQDTFileExtension();
    EXPECT_TRUE(fs::exists(dir / "home" / ".local" / "share" / "applications" / "quillet.desktop"));
    EXPECT_FALSE(fs::exists("relative"));
}

} // namespace
