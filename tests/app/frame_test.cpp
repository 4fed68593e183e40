// The real frame, offscreen: start-up with and without arguments, recovery
// files, the window commands, typing and saving, and closing with questions.
#include "app/AboutBox.h"
#include "app/DocumentView.h"
#include "app/FileFilters.h"
#include "app/Main.h"
#include "app/dialogs/OptionsFUnit.h"
#include "app/dialogs/PageSetupForm.h"
#include "app/dialogs/SpaltenFUnit.h"
#include "app/dialogs/UserDictFUnit.h"
#include "formats/StandardServices.h"
#include "tests/app/DialogTestSupport.h"
#include "engine/Childwin.h"
#include "engine/Settings.h"
#include "formats/OpenSave.h"
#include "formats/Recovery.h"
#include "language/WordList.h"
#include "tests/support/TestPaths.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFontComboBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include "render/Printing.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <deque>
#include <fstream>
#include <functional>
#include <utility>

namespace quillet {
namespace {

namespace fs = std::filesystem;

struct RecordingBoxes : MessageBoxes {
    std::vector<std::string> texts;
    std::deque<MsgResult> answers;
    // Runs while a box is up, as the events of its modal loop would.
    std::function<void()> whileShown;
    MsgResult show(std::string_view text, std::string_view, MsgIcon, MsgButtons buttons) override
    {
        texts.emplace_back(text);
        if (whileShown) std::exchange(whileShown, nullptr)();
        if (!answers.empty()) {
            const MsgResult a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == MsgButtons::Ok || buttons == MsgButtons::OkCancel ? MsgResult::Ok : MsgResult::Cancel;
    }
};

struct ScriptedDialogs : FrameFileDialogs {
    struct Answer {
        bool ok = false;
        std::string name;
        int32_t index = 1;
    };
    std::deque<Answer> openAnswers, saveAnswers;
    // The filter and the preset index of every showing.
    std::vector<std::pair<std::string, int32_t>> openShown, saveShown;

    static bool answer(std::deque<Answer>& q, std::string& name, int32_t& index)
    {
        if (q.empty()) return false;
        const Answer a = q.front();
        q.pop_front();
        if (!a.ok) return false;
        name = a.name;
        index = a.index;
        return true;
    }
    bool getOpenFileName(QWidget*, const std::string& filter, std::string& name, int32_t& index) override
    {
        openShown.emplace_back(filter, index);
        return answer(openAnswers, name, index);
    }
    bool getSaveFileName(QWidget*, const std::string& filter, std::string& name, int32_t& index) override
    {
        saveShown.emplace_back(filter, index);
        return answer(saveAnswers, name, index);
    }
};

QApplication& frameApp()
{
    static const bool once = [] {
        // Window placement, the state folder and the desktop files of this
        // process stay inside the test's output.
        // ctest runs every test in a process of its own, side by side: each
        // process keeps its own placement, or one test's close would move
        // another's frame.
        const fs::path home = test::outputDir() / "frame-home" / std::to_string(::getpid());
        fs::create_directories(home);
        setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
        setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
        setenv("XDG_STATE_HOME", (home / "state").c_str(), 1);
        return true;
    }();
    (void)once;
    // Never destroyed: the key events make Qt register an input device in
    // one of its own statics, which is gone before a static application
    // object would be destroyed at exit.
    static int argc = 1;
    static char arg0[] = "quillet-frame-test";
    static char* argv[] = {arg0, nullptr};
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

std::string bodyText(const TMDIChild& w)
{
    std::string s;
    if (w.Areas.empty()) return s;
    for (const TextLine& l : w.Areas[0].Lines)
        for (const TextChar& c : l.Chars)
            if (c.Code >= 32) s += char(c.Code);
    return s;
}

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        frameApp();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = test::outputDir() / "frame" / info->name();
        fs::remove_all(dir);
        fs::create_directories(dir);
        for (const char* name : {"normal.qdm", "german.spe", "german0.hyp", "english.spe", "english0.hyp"})
            if (fs::exists(test::programDir() / name)) fs::create_symlink(test::programDir() / name, dir / name);
    }
    void TearDown() override { frame.reset(); }

    TMainForm& makeFrame(QStringList args = {})
    {
        TMainForm::StartOptions o;
        o.ProgDir = dir;
        o.Arguments = std::move(args);
        o.RegisterFileType = false;
        o.Boxes = &boxes;
        o.Dialogs = &dialogs;
        o.Printer = &printer;
        frame = std::make_unique<TMainForm>(std::move(o));
        return *frame;
    }
    TMainForm& startFrame(QStringList args = {})
    {
        TMainForm& f = makeFrame(std::move(args));
        f.show();
        return f;
    }

    // A native document holding `text`, written by a headless window.
    void writeDocument(const fs::path& path, const std::string& text)
    {
        FrameState fs = StandardFrameState();
        fs.ProgDir = dir;
        TMDIChild w(fs);
        w.FormCreate();
        for (char c : text) {
            uint8_t key = uint8_t(c);
            w.getkeysKeyPress(key);
        }
        fs.KeepName = 1;
        ASSERT_TRUE(w.SaveQDTFile(path.string()));
    }

    static std::vector<std::string> titles(const TMainForm& f)
    {
        std::vector<std::string> out;
        for (DocumentView* v : f.documentViews()) out.push_back(v->child().DocTitle);
        return out;
    }

    fs::path dir;
    RecordingBoxes boxes;
    ScriptedDialogs dialogs;
    PrinterInfo printer;  // none: the measuring resolution stays 600 dpi
    std::unique_ptr<TMainForm> frame;
};

TEST(Frame, OpensTitledQuillet)
{
    frameApp();
    RecordingBoxes boxes;
    PrinterInfo printer;
    TMainForm::StartOptions o;
    o.ProgDir = test::programDir();
    o.RegisterFileType = false;
    o.Boxes = &boxes;
    o.Printer = &printer;
    TMainForm frame(o);
    EXPECT_EQ(frame.windowTitle().toStdString(), "MAR-VOK Quillet 1.0");
    EXPECT_NE(frame.mdiArea(), nullptr);
}

// ---- Start-up ------------------------------------------------------------------------

TEST_F(FrameTest, NoArgumentsGiveOneNewDocumentAndTheFrameIsComplete)
{
    TMainForm& f = startFrame();
    ASSERT_EQ(titles(f), std::vector<std::string>{"NONAME1"});
    DocumentView* v = f.activeView();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(f.mdiArea()->currentSubWindow()->windowTitle(), QStringLiteral("NONAME1"));
    EXPECT_TRUE(f.mdiArea()->currentSubWindow()->isMaximized());
    EXPECT_TRUE(v->child().DocPath.empty());
    EXPECT_FALSE(v->child().Modified);
    // The template was read under KeepName: nothing reached the recent list.
    EXPECT_TRUE(f.State.RecentFiles.empty());
    EXPECT_EQ(f.State.KeepName, 0);
    EXPECT_TRUE(boxes.texts.empty()) << boxes.texts.front();

    // Program-wide state of FormCreate.
    ASSERT_TRUE(f.State.WordListGerman && f.State.UserDict && f.State.IgnoreList);
    if (fs::exists(dir / "german.spe")) {
        EXPECT_GT(f.State.WordListGerman->size(), 1000u);
    }
    EXPECT_EQ(f.State.Options.QuoteStyle, 4);
    EXPECT_EQ(f.State.Options.UndoDepth, 10);
    EXPECT_EQ(f.stateDir(), dir);
    EXPECT_STREQ(kClipboardMimeType, "application/x-vadazezovezudadeze10");

    // Menus, toolbars, status panels, dialogs.
    for (int i = 1; i <= 4; ++i) ASSERT_NE(f.toolBar(i), nullptr) << i;
    EXPECT_TRUE(f.toolBar(1)->isVisible());
    for (int i = 0; i < 4; ++i) EXPECT_NE(f.statusPanel(i), nullptr);
    EXPECT_EQ(f.statusPanel(4), nullptr);
    EXPECT_NE(f.aboutBox(), nullptr);
    EXPECT_NE(f.spaltenForm(), nullptr);
    EXPECT_NE(f.userDictForm(), nullptr);
    EXPECT_NE(f.pageSetupForm(), nullptr);
    EXPECT_NE(f.optionsForm(), nullptr);
    EXPECT_EQ(f.saveAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));

    // The style box holds the window's styles.
    EXPECT_GT(f.styleBox()->count(), 0);
    EXPECT_EQ(f.styleBox()->currentIndex(), 0);

    // A second showing makes no more windows; File > New counts on.
    f.hide();
    f.show();
    f.FileNew1Execute();
    EXPECT_EQ(titles(f), (std::vector<std::string>{"NONAME1", "NONAME2"}));
}

TEST_F(FrameTest, ArgumentsOpenTheirFilesAndSlashPPrintsTheFollowingOnes)
{
    writeDocument(dir / "a.qdt", "Alpha");
    writeDocument(dir / "b.qdt", "Beta");
    writeDocument(dir / "c.qdt", "Gamma");
    std::ofstream(dir / "broken.qdt") << "not a document";

    TMainForm& f = makeFrame({QString::fromStdString((dir / "a.qdt").string()), QStringLiteral("/p"),
                              QString::fromStdString((dir / "b.qdt").string()),
                              QString::fromStdString((dir / "broken.qdt").string()),
                              QString::fromStdString((dir / "c.qdt").string())});
    std::vector<std::pair<std::string, int>> made;
    QObject::connect(&f, &TMainForm::windowMade, [&](DocumentView* v) {
        made.emplace_back(v->child().DocTitle, f.State.PrintAfterOpen);
    });
    f.show();

    EXPECT_EQ(titles(f), (std::vector<std::string>{"a.qdt", "b.qdt", "c.qdt"}));
    EXPECT_EQ(made, (std::vector<std::pair<std::string, int>>{{"a.qdt", 0}, {"b.qdt", 1}, {"c.qdt", 1}}));
    EXPECT_EQ(f.State.PrintAfterOpen, 0);
    // The broken file told why and left no window behind; the two files
    // to print said there is no printer to print on.
    ASSERT_EQ(boxes.texts.size(), 3u);
    EXPECT_EQ(boxes.texts[0], kNoPrinter);
    EXPECT_EQ(boxes.texts[2], kNoPrinter);
    boxes.texts.erase(boxes.texts.begin() + 2);
    boxes.texts.erase(boxes.texts.begin());
    EXPECT_NE(boxes.texts[0].find("not a valid"), std::string::npos) << boxes.texts[0];
    EXPECT_EQ(bodyText(f.documentViews()[1]->child()), "Beta");
    EXPECT_EQ(f.documentViews()[0]->child().DocPath, (dir / "a.qdt").string());

    // A later File > Open does not print.
    dialogs.openAnswers.push_back({true, (dir / "a.qdt").string(), 1});
    made.clear();
    f.FileOpen1Execute();
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(made[0].second, 0);
}

TEST_F(FrameTest, ARelativeArgumentIsKeptAsAFullPath)
{
    writeDocument(dir / "rel.qdt", "R");
    const fs::path before = fs::current_path();
    fs::current_path(dir);
    TMainForm& f = startFrame({QStringLiteral("./rel.qdt")});
    fs::current_path(before);
    ASSERT_EQ(titles(f), std::vector<std::string>{"rel.qdt"});
    const fs::path want = fs::absolute(dir) / "rel.qdt";
    EXPECT_EQ(fs::path(f.documentViews()[0]->child().DocPath), want);
    EXPECT_EQ(f.State.RecentFiles, std::vector<std::string>{want.string()});
}

TEST_F(FrameTest, UpperCaseSlashPActsTheSame)
{
    writeDocument(dir / "a.qdt", "A");
    TMainForm& f = makeFrame({QStringLiteral("/P"), QString::fromStdString((dir / "a.qdt").string())});
    int printFlag = -1;
    QObject::connect(&f, &TMainForm::windowMade, [&](DocumentView*) { printFlag = f.State.PrintAfterOpen; });
    f.show();
    EXPECT_EQ(printFlag, 1);
    EXPECT_EQ(titles(f), std::vector<std::string>{"a.qdt"});
}

TEST_F(FrameTest, RecoveryFilesReopenWithoutPathMarkedChangedAndGoAtAnOrderlyExit)
{
    writeDocument(dir / "letter.whi", "Lost work");
    writeDocument(dir / "memo.whi", "More lost work");

    TMainForm& f = startFrame();
    const std::vector<std::string> t = titles(f);
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[0], "NONAME1");
    std::vector<std::string> recovered(t.begin() + 1, t.end());
    std::sort(recovered.begin(), recovered.end());
    EXPECT_EQ(recovered, (std::vector<std::string>{"letter.whi (Recovered)", "memo.whi (Recovered)"}));
    for (size_t i = 1; i < 3; ++i) {
        const TMDIChild& w = f.documentViews()[i]->child();
        EXPECT_TRUE(w.DocPath.empty());
        // Closing must not lose it silently.
        EXPECT_TRUE(w.Modified);
        EXPECT_TRUE(f.mdiArea()->subWindowList(QMdiArea::CreationOrder)[int(i)]->windowTitle().endsWith('*'));
    }
    EXPECT_TRUE(f.State.RecentFiles.empty());
    EXPECT_EQ(f.State.KeepName, 0);
    EXPECT_NE(bodyText(f.documentViews()[1]->child()).find("ost work"), std::string::npos);

    // Closing asks for each recovered document; "No" discards them.
    boxes.answers = {MsgResult::No, MsgResult::No};
    EXPECT_TRUE(f.close());
    EXPECT_EQ(boxes.texts.size(), 2u);
    EXPECT_FALSE(fs::exists(dir / "letter.whi"));
    EXPECT_FALSE(fs::exists(dir / "memo.whi"));
}

TEST_F(FrameTest, KeepNameSetByTheCallerSurvivesANewWindowsTemplate)
{
    TMainForm& f = startFrame();
    f.State.KeepName = 1;
    f.FileNew1Execute();
    EXPECT_EQ(f.State.KeepName, 1);
    f.State.KeepName = 0;
}

// ---- Window commands -------------------------------------------------------------------

// The Open dialog offers the readers this build has; the window opens with
// the code of the choice, and the next showing presets the same choice
// wherever the list now has it.
TEST_F(FrameTest, FileOpenOffersTheRegisteredReadersAndKeepsTheChosenOne)
{
    struct Restore {
        FormatHandlers Saved = formatHandlers();
        ~Restore() { formatHandlers() = Saved; }
    } restore;
    formatHandlers() = FormatHandlers{};
    writeDocument(dir / "x.qdt", "X");
    TMainForm& f = startFrame();

    dialogs.openAnswers.push_back({false, "", 0});
    f.FileOpen1Execute();
    EXPECT_EQ(f.documentViews().size(), 1u);

    // Without the RTF and Word readers "All documents" is the fourth choice.
    dialogs.openAnswers.push_back({true, (dir / "x.qdt").string(), 4});
    f.FileOpen1Execute();
    ASSERT_EQ(titles(f), (std::vector<std::string>{"NONAME1", "x.qdt"}));
    EXPECT_EQ(f.activeView(), f.documentViews()[1]);
    EXPECT_EQ(bodyText(*f.ActiveMDIChild()), "X");
    EXPECT_EQ(f.State.RecentFiles, std::vector<std::string>{(dir / "x.qdt").string()});
    EXPECT_EQ(f.State.OpenFilterIndex, ofAllDocuments);

    // With an RTF reader it is the fifth.
    formatHandlers().ReadRtf = [](TMDIChild&, const std::vector<uint8_t>&) { return 0; };
    dialogs.openAnswers.push_back({false, "", 0});
    f.FileOpen1Execute();
    ASSERT_EQ(dialogs.openShown.size(), 3u);
    EXPECT_EQ(dialogs.openShown[0].second, 0);
    EXPECT_EQ(qtNameFilters(dialogs.openShown[0].first).size(), 5);
    EXPECT_EQ(dialogs.openShown[2].second, 5);
    EXPECT_EQ(qtNameFilters(dialogs.openShown[2].first).value(4).toStdString(),
              "All documents (*.qdt *.QDT *.rtf *.RTF *.htm *.HTM *.html *.HTML *.txt *.TXT)");
}

TEST_F(FrameTest, RecentFileItemsOpenTheirEntryAndOtherTagsDoNothing)
{
    writeDocument(dir / "r.qdt", "R");
    TMainForm& f = startFrame();
    f.State.RecentFiles = {(dir / "r.qdt").string(), (dir / "gone.qdt").string()};
    f.LastUsedFilesClick(98);
    f.LastUsedFilesClick(101);
    EXPECT_EQ(f.documentViews().size(), 1u);
    f.LastUsedFilesClick(99);
    EXPECT_EQ(titles(f), (std::vector<std::string>{"NONAME1", "r.qdt"}));
    // A file that is gone reports and opens nothing.
    f.LastUsedFilesClick(100);
    EXPECT_EQ(f.documentViews().size(), 2u);
    EXPECT_EQ(boxes.texts.size(), 1u);
}

TEST(FileFilters, WindowsFiltersBecomeQtFiltersAndIndicesRoundTrip)
{
    const QStringList f = qtNameFilters("Vellum-Script files (*.qdt)|*.qdt|Text files (*.txt)|*.txt|"
                                        "Text files DOS (*.txt)|*.txt|All documents|*.doc;*.qdt|"
                                        "All files (*.*)|*.*|Dangling");
    ASSERT_EQ(f.size(), 5);
    EXPECT_EQ(f[0], QStringLiteral("Vellum-Script files (*.qdt *.QDT)"));
    EXPECT_EQ(f[3], QStringLiteral("All documents (*.doc *.DOC *.qdt *.QDT)"));
    EXPECT_EQ(f[4], QStringLiteral("All files (*)"));
    // The two text filters share their patterns; the index comes from the text.
    EXPECT_EQ(filterIndexOf(f, f[1]), 2);
    EXPECT_EQ(filterIndexOf(f, f[2]), 3);
    EXPECT_EQ(filterIndexOf(f, QStringLiteral("Other (*.x)")), 0);
    EXPECT_EQ(filterAt(f, 3), f[2]);
    EXPECT_EQ(filterAt(f, 0), f[0]);
    EXPECT_EQ(filterAt(f, 99), f[0]);
    // A pair without patterns keeps its place.
    EXPECT_EQ(qtNameFilters("A|;|B|*.b").value(1), QStringLiteral("B (*.b *.B)"));
}

// ---- Typing, saving, closing -------------------------------------------------------------

TEST_F(FrameTest, TypedTextIsSavedWithCtrlSAndComesBackWhenReopened)
{
    TMainForm& f = startFrame();
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    DocumentView* v = f.activeView();
    ASSERT_NE(v, nullptr);
    v->setFocus();
    QTest::keyClicks(v, QStringLiteral("Hallo Welt"));
    EXPECT_EQ(bodyText(v->child()), "Hallo Welt");
    EXPECT_TRUE(v->child().Modified);
    EXPECT_TRUE(f.undoAction()->isEnabled());
    EXPECT_TRUE(f.undoAction()->text().startsWith(QStringLiteral("&Undo: ")));
    {
        // The typed page as a person would see it.
        QTest::qWait(50);
        const fs::path out = fs::path(QUILLET_TEST_OUTPUT_DIR) / "frame";
        fs::create_directories(out);
        f.grab().save(QString::fromStdString((out / "frame-typed.png").string()));
    }

    const fs::path target = dir / "saved.qdt";
    dialogs.saveAnswers.push_back({true, target.string(), 1});
    QTest::keyClick(v, Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(dialogs.saveShown.size(), 1u);
    ASSERT_TRUE(fs::exists(target));
    EXPECT_FALSE(v->child().Modified);
    EXPECT_EQ(v->child().DocPath, target.string());

    f.close();
    frame.reset();
    TMainForm& again = startFrame({QString::fromStdString(target.string())});
    ASSERT_EQ(titles(again), std::vector<std::string>{"saved.qdt"});
    EXPECT_EQ(bodyText(again.documentViews()[0]->child()), "Hallo Welt");
}

TEST_F(FrameTest, StartedWithAFileTypingAndCtrlSWriteItBackWithoutAsking)
{
    const fs::path file = dir / "letter.qdt";
    writeDocument(file, "Alpha");
    TMainForm& f = startFrame({QString::fromStdString(file.string())});
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    DocumentView* v = f.activeView();
    ASSERT_NE(v, nullptr);
    ASSERT_EQ(v->child().DocPath, file.string());
    EXPECT_EQ(f.State.RecentFiles, std::vector<std::string>{file.string()});
    v->setFocus();
    QTest::keyClick(v, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(v, QStringLiteral(" und Omega"));
    ASSERT_EQ(bodyText(v->child()), "Alpha und Omega");
    EXPECT_TRUE(v->child().Modified);
    f.File1Click();
    EXPECT_TRUE(f.saveAction()->isEnabled());

    QTest::keyClick(v, Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(dialogs.saveShown.empty()) << "the window has its path";
    EXPECT_FALSE(v->child().Modified);
    f.File1Click();
    EXPECT_FALSE(f.saveAction()->isEnabled());
    EXPECT_TRUE(boxes.texts.empty()) << boxes.texts.front();

    // What is on disk, read by a window of its own.
    FrameState state = StandardFrameState();
    state.ProgDir = dir;
    TMDIChild reread(state);
    reread.FormCreate();
    state.KeepName = 1;
    ASSERT_TRUE(reread.OpenQDTFile(file.string()));
    EXPECT_EQ(bodyText(reread), "Alpha und Omega");

    // Unchanged now: closing asks nothing.
    EXPECT_TRUE(f.close());
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(FrameTest, ADocumentThatFailsBadlyKeepsNeitherTheRestNorTheRecoveredWorkFromOpening)
{
    writeDocument(dir / "b.qdt", "Beta");
    writeDocument(dir / "lost.whi", "Lost");
    const FormatHandlers saved = formatHandlers();
    // A reader that fails with something no handler expects.
    formatHandlers().OpenWord = [](TMDIChild&, const std::string&) -> bool { throw 42; };
    std::ofstream(dir / "a.doc") << "x";
    TMainForm& f = startFrame({QString::fromStdString((dir / "a.doc").string()),
                               QString::fromStdString((dir / "b.qdt").string())});
    formatHandlers() = saved;
    // The broken-off window is not shown half loaded; the rest open.
    EXPECT_EQ(titles(f), (std::vector<std::string>{"b.qdt", "lost.whi (Recovered)"}));
    EXPECT_EQ(boxes.texts, std::vector<std::string>{"The document could not be opened."});
    EXPECT_TRUE(f.State.RecentFiles.size() == 1 && f.State.RecentFiles[0] == (dir / "b.qdt").string());
    EXPECT_EQ(f.State.KeepName, 0);
    EXPECT_TRUE(f.State.OpenFileName.empty());
}

TEST_F(FrameTest, RecoveryFilesAStartNeverReopenedOutliveItsExit)
{
    writeDocument(dir / "lost.whi", "Lost");
    {
        // A start-up that never got as far as the recovery files.
        TMainForm& f = makeFrame();
        f.FormClose();
        frame.reset();
    }
    ASSERT_TRUE(fs::exists(dir / "lost.whi"));
    TMainForm& again = startFrame();
    EXPECT_EQ(titles(again), (std::vector<std::string>{"NONAME1", "lost.whi (Recovered)"}));
    boxes.answers = {MsgResult::No};
    EXPECT_TRUE(again.close());
    EXPECT_FALSE(fs::exists(dir / "lost.whi"));
}

TEST_F(FrameTest, ATickDueWhileATicksMessageIsUpIsSkipped)
{
    TMainForm& f = startFrame();
    f.FileNew1Execute();
    f.FileNew1Execute();
    std::vector<DocumentView*> v = f.documentViews();
    ASSERT_EQ(v.size(), 3u);
    v[1]->child().DocPath = (dir / "x" / "a.qdt").string();
    v[2]->child().DocPath = (dir / "y" / "a.qdt").string();
    f.AutoSaveTimerTimer();
    fs::path run;
    for (const auto& e : fs::directory_iterator(f.stateDir() / kRecoveryFolderName)) run = e.path();
    ASSERT_FALSE(run.empty());
    auto names = [&] {
        std::vector<std::string> out;
        for (const fs::path& p : RecoveryFilesIn(run)) out.push_back(p.filename().string());
        return out;
    };
    ASSERT_EQ(names(), (std::vector<std::string>{"NONAME1.whi", "a.whi", "a1.whi"}));

    // The first window cannot be written; its message's modal loop lets
    // the timer come due again.
    fs::remove(run / "NONAME1.whi");
    fs::create_directories(run / "NONAME1.whi" / "in-the-way");
    boxes.whileShown = [&] { f.AutoSaveTimerTimer(); };
    f.AutoSaveTimerTimer();
    EXPECT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(names(), (std::vector<std::string>{"a.whi", "a1.whi"}));
    EXPECT_TRUE(f.IsRecoveryNameUsed("a1.whi"));
    EXPECT_FALSE(f.IsRecoveryNameUsed("a2.whi"));
    // The guard is down again: the next tick writes.
    fs::remove_all(run / "NONAME1.whi");
    f.AutoSaveTimerTimer();
    EXPECT_EQ(names(), (std::vector<std::string>{"NONAME1.whi", "a.whi", "a1.whi"}));
}

TEST_F(FrameTest, TheFramesPlacementIsKeptBetweenRuns)
{
    {
        TMainForm& f = startFrame();
        f.resize(777, 555);
        EXPECT_TRUE(f.close());
        frame.reset();
    }
    TMainForm& again = makeFrame();
    EXPECT_EQ(again.size(), QSize(777, 555));
}

TEST_F(FrameTest, ClosingAsksForChangedDocumentsAndCancelKeepsEveryWindow)
{
    TMainForm& f = startFrame();
    f.FileNew1Execute();
    for (DocumentView* v : f.documentViews()) v->child().SetFileChanged(true);

    // The first says No, the second Cancel: the exit stops and both stay.
    boxes.answers = {MsgResult::No, MsgResult::Cancel};
    EXPECT_FALSE(f.close());
    EXPECT_EQ(boxes.texts.size(), 2u);
    EXPECT_NE(boxes.texts[0].find("NONAME1"), std::string::npos);
    EXPECT_EQ(f.documentViews().size(), 2u);
    EXPECT_FALSE(fs::exists(dir / kSettingsFileName));

    boxes.texts.clear();
    boxes.answers = {MsgResult::No, MsgResult::No};
    EXPECT_TRUE(f.close());
    EXPECT_EQ(boxes.texts.size(), 2u);
    EXPECT_TRUE(f.documentViews().empty());
    EXPECT_TRUE(fs::exists(dir / kSettingsFileName));
}

TEST_F(FrameTest, AnsweringYesWhenClosingSavesFirstAndACancelledSaveStopsTheExit)
{
    TMainForm& f = startFrame();
    TMDIChild* w = f.ActiveMDIChild();
    ASSERT_NE(w, nullptr);
    for (char c : std::string("Brief")) {
        uint8_t key = uint8_t(c);
        w->getkeysKeyPress(key);
    }
    // Yes, but the save dialog is cancelled: nothing closes.
    boxes.answers = {MsgResult::Yes};
    dialogs.saveAnswers.push_back({false, "", 1});
    EXPECT_FALSE(f.close());
    EXPECT_EQ(f.documentViews().size(), 1u);

    const fs::path target = dir / "brief.qdt";
    boxes.answers = {MsgResult::Yes};
    dialogs.saveAnswers.push_back({true, (dir / "brief").string(), 1});
    EXPECT_TRUE(f.close());
    EXPECT_EQ(boxes.texts.size(), 2u);
    EXPECT_NE(boxes.texts[1].find("NONAME1?"), std::string::npos) << boxes.texts[1];
    ASSERT_TRUE(fs::exists(target));
    FrameState state = StandardFrameState();
    state.ProgDir = dir;
    TMDIChild reread(state);
    reread.FormCreate();
    state.KeepName = 1;
    ASSERT_TRUE(reread.OpenQDTFile(target.string()));
    EXPECT_EQ(bodyText(reread), "Brief");
    // The saved file is in the recent list the settings keep.
    FrameState read = StandardFrameState();
    ASSERT_TRUE(OpenSettings(read, dir / kSettingsFileName));
    EXPECT_EQ(read.RecentFiles, std::vector<std::string>{target.string()});
}

TEST_F(FrameTest, ASubWindowsCloseBoxAsksAndCancelKeepsIt)
{
    TMainForm& f = startFrame();
    DocumentView* v = f.activeView();
    v->child().SetFileChanged(true);
    QMdiSubWindow* sub = f.mdiArea()->currentSubWindow();
    boxes.answers = {MsgResult::Cancel};
    EXPECT_FALSE(sub->close());
    EXPECT_EQ(f.documentViews().size(), 1u);
    boxes.answers = {MsgResult::No};
    EXPECT_TRUE(sub->close());
    EXPECT_TRUE(f.documentViews().empty());
    EXPECT_EQ(f.ActiveMDIChild(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(f.mdiArea()->subWindowList().isEmpty());
    EXPECT_FALSE(f.editMenu()->menuAction()->isVisible());
    // A new window after the last one went gets the first number again.
    f.FileNew1Execute();
    EXPECT_EQ(titles(f), std::vector<std::string>{"NONAME1"});
    EXPECT_TRUE(f.editMenu()->menuAction()->isVisible());

    // The window that goes hands the document menus back; the one left
    // active takes them again.
    f.FileNew1Execute();
    EXPECT_TRUE(f.mdiArea()->currentSubWindow()->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(titles(f), std::vector<std::string>{"NONAME1"});
    EXPECT_EQ(f.ActiveMDIChild(), &f.documentViews()[0]->child());
    EXPECT_TRUE(f.editMenu()->menuAction()->isVisible());
    EXPECT_TRUE(f.toolBar(1)->isEnabled());
}

TEST_F(FrameTest, ToolbarVisibilityAndSettingsOutliveTheRun)
{
    {
        TMainForm& f = startFrame();
        f.toolBar(3)->hide();
        f.State.Options.UndoDepth = 33;
        EXPECT_TRUE(f.close());
    }
    FrameState read = StandardFrameState();
    ASSERT_TRUE(OpenSettings(read, dir / kSettingsFileName));
    EXPECT_EQ(read.Options.UndoDepth, 33);
    EXPECT_EQ(read.Options.ToolBar3Visible, 0);
    EXPECT_EQ(read.Options.ToolBar1Visible, 1);

    TMainForm& again = startFrame();
    EXPECT_EQ(again.State.Options.UndoDepth, 33);
    EXPECT_FALSE(again.toolBar(3)->isVisibleTo(&again));
    EXPECT_TRUE(again.toolBar(2)->isVisibleTo(&again));
}

// ---- Dialogs and boxes ------------------------------------------------------------------

TEST_F(FrameTest, OptionsOkAppliesSavesAndRestartsTheTimer_CancelWritesNothing)
{
    TMainForm& f = startFrame();
    test::runAndPressDialog<TOptionsForm>(
        [](TOptionsForm& d) {
            d.UndoEd->setValue(77);
            d.reject();
        },
        [&] {
            f.Optionen1Click();
            return true;
        });
    EXPECT_EQ(f.State.Options.UndoDepth, 10);
    EXPECT_FALSE(fs::exists(dir / kSettingsFileName));

    test::runAndPressDialog<TOptionsForm>(
        [](TOptionsForm& d) {
            d.UndoEd->setValue(77);
            d.SaveTimeEd->setValue(0);
            d.accept();
        },
        [&] {
            f.Optionen1Click();
            return true;
        });
    EXPECT_EQ(f.State.Options.UndoDepth, 77);
    FrameState read = StandardFrameState();
    ASSERT_TRUE(OpenSettings(read, dir / kSettingsFileName));
    EXPECT_EQ(read.Options.UndoDepth, 77);
    // No auto-save tick at all rather than one on every idle pass.
    ASSERT_NE(f.autoSaveTimer(), nullptr);
    EXPECT_FALSE(f.autoSaveTimer()->isActive());
    // The form lives on and shows the new values next time.
    EXPECT_EQ(f.optionsForm()->UndoEd->value(), 77);
}

TEST_F(FrameTest, ColumnsAndUserDictionaryRunThroughTheFramesForms)
{
    TMainForm& f = startFrame();
    TMDIChild* w = f.ActiveMDIChild();
    ASSERT_NE(w, nullptr);
    TSpaltenForm* form = f.spaltenForm();
    test::runAndPressDialog<TSpaltenForm>(
        [](TSpaltenForm& d) {
            d.SpAnzEd->setValue(3);
            d.accept();
        },
        [&] {
            f.SpaltenM1Click();
            return true;
        });
    EXPECT_EQ(f.spaltenForm(), form);
    EXPECT_EQ(w->Areas[size_t(w->Cursor.Area)].Lines[size_t(w->Cursor.Line)].ColumnCount, 3);

    f.State.UserDict->assign({"Alpha", "Beta"});
    std::vector<std::string> shown;
    test::runAndPressDialog<TUserDictForm>(
        [&](TUserDictForm& d) {
            shown = d.words();
            d.reject();
        },
        [&] {
            f.Benutzerwrterbuch1Click();
            return true;
        });
    EXPECT_EQ(shown, (std::vector<std::string>{"Alpha", "Beta"}));
    EXPECT_EQ(f.State.UserDict->size(), 2u);
}

TEST_F(FrameTest, PageSetupRunsInTheFramesFormAndOnlyOkChangesTheDocument)
{
    TMainForm& f = startFrame();
    TMDIChild* w = f.ActiveMDIChild();
    const double top = w->Areas[0].InnerTop;
    for (bool ok : {false, true}) {
        test::runAndPressDialog<TPageSetupView>(
            [ok](TPageSetupView& d) {
                d.TopEd->setValue(4.5);
                (ok ? d.okbtn : d.cancelbtn)->click();
            },
            [&] {
                f.SeiteeinrichtenM1Click();
                return true;
            });
        EXPECT_EQ(w->Areas[0].InnerTop, ok ? 45.0 : top) << ok;
    }
}

TEST_F(FrameTest, QtFileDialogsKeepTheFilterIndexOfTwoFiltersWithOnePattern)
{
    frameApp();
    std::ofstream(dir / "notes.txt") << "x";
    const std::string filter = "Text files (*.txt)|*.txt|Text files DOS (*.txt)|*.txt|All files (*.*)|*.*";
    FrameFileDialogs qt;
    std::string name;
    int32_t index = 2;
    QString preset;
    const bool ok = test::runAndPressDialog<QFileDialog>(
        [&](QFileDialog& d) {
            preset = d.selectedNameFilter();
            d.selectFile(QString::fromStdString((dir / "notes.txt").string()));
            static_cast<QDialog&>(d).accept();
        },
        [&] { return qt.getOpenFileName(nullptr, filter, name, index); });
    ASSERT_TRUE(ok);
    EXPECT_EQ(preset, QStringLiteral("Text files DOS (*.txt *.TXT)"));
    EXPECT_EQ(index, 2);
    EXPECT_EQ(fs::path(name), dir / "notes.txt");

    index = 0;
    EXPECT_FALSE(test::runAndPressDialog<QFileDialog>([](QFileDialog& d) { d.reject(); },
                                                      [&] { return qt.getSaveFileName(nullptr, filter, name, index); }));
}

TEST_F(FrameTest, ViewTogglesForRulerStatusBarAndToolbarsAreSaved)
{
    TMainForm& f = startFrame();
    auto* ruler = f.findChild<QAction*>(QStringLiteral("Lineal1"));
    auto* status = f.findChild<QAction*>(QStringLiteral("Statuszeile1"));
    ASSERT_TRUE(ruler && status);
    // As the View menu shows them: checked.
    ruler->setChecked(true);
    ruler->trigger();
    EXPECT_EQ(f.State.Options.ShowRuler, 0);
    status->setChecked(true);
    status->trigger();
    EXPECT_EQ(f.State.Options.ShowStatusBar, 0);
    EXPECT_FALSE(f.statusBar()->isVisibleTo(&f));
    FrameState read = StandardFrameState();
    ASSERT_TRUE(OpenSettings(read, dir / kSettingsFileName));
    EXPECT_EQ(read.Options.ShowStatusBar, 0);
}

TEST_F(FrameTest, AboutBoxShowsThisYearAndItsWebButtonOpensTheSite)
{
    TMainForm& f = makeFrame();
    TAboutBox* box = f.aboutBox();
    EXPECT_FALSE(box->Copyright->text().contains(QStringLiteral("XXXX")));
    EXPECT_TRUE(box->Copyright->text().contains(QString::number(QDate::currentDate().year())));
    QUrl opened;
    box->OpenUrl = [&](const QUrl& u) { opened = u; };
    test::runAndPressDialog<TAboutBox>(
        [](TAboutBox& d) {
            d.WebButton->click();
            d.OKButton->click();
        },
        [&] {
            f.HelpAbout1Execute();
            return true;
        });
    EXPECT_EQ(opened, QUrl(QString::fromLatin1(kAboutWebAddress)));
}

TEST_F(FrameTest, ZoomBoxAndFormatToolbarFollowTheActiveWindow)
{
    TMainForm& f = startFrame();
    TMDIChild* w = f.ActiveMDIChild();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(f.fontBox()->currentText().toStdString(), w->ToolbarFormat.Face);
    EXPECT_EQ(f.sizeBox()->currentText().toStdString(), w->ToolbarFormat.SizeText);

    for (const char* ignored : {"5%", "300%", "abc", ""}) {
        f.zoomBox()->setCurrentText(QString::fromLatin1(ignored));
        f.ZoomBoxChange();
        EXPECT_EQ(w->ZoomPercent, 100) << ignored;
    }
    f.zoomBox()->setCurrentText(QStringLiteral("75%"));
    f.ZoomBoxChange();
    EXPECT_EQ(w->ZoomPercent, 75);
    f.zoomBox()->setCurrentText(QStringLiteral("150"));
    f.ZoomBoxChange();
    EXPECT_EQ(w->ZoomPercent, 150);
    EXPECT_EQ(w->ZoomMode, 0);

    f.showZoom(62.5);
    EXPECT_EQ(f.zoomBox()->currentText(), QStringLiteral("62.5%"));
    f.ZoomBoxExit();
    EXPECT_EQ(f.zoomBox()->currentText(), QStringLiteral("150%"));
}

TEST_F(FrameTest, StatusTextsAndUndoItemsWithoutAWindow)
{
    TMainForm& f = makeFrame();
    f.setStatusText(3, "Save file...");
    EXPECT_EQ(f.statusPanel(3)->text(), QStringLiteral("Save file..."));
    f.setStatusText(9, "ignored");
    f.Edit1Click();
    EXPECT_FALSE(f.undoAction()->isEnabled());
    EXPECT_EQ(f.undoAction()->text(), QStringLiteral("&Undo: Not available"));
    EXPECT_EQ(f.redoAction()->text(), QStringLiteral("&Redo: Not available"));
    // Commands without a window do nothing.
    f.Rckgngig1Click();
    f.Wiederholen1Click();
    f.SpaltenM1Click();
    f.ZoomBoxChange();
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(FrameTest, UndoItemsNameTheStepAndUndoIt)
{
    TMainForm& f = startFrame();
    TMDIChild* w = f.ActiveMDIChild();
    for (char c : std::string("ab")) {
        uint8_t key = uint8_t(c);
        w->getkeysKeyPress(key);
    }
    f.Edit1Click();
    ASSERT_TRUE(f.undoAction()->isEnabled());
    EXPECT_FALSE(f.redoAction()->isEnabled());
    f.Rckgngig1Click();
    EXPECT_EQ(bodyText(*w), "");
    f.Edit1Click();
    EXPECT_TRUE(f.redoAction()->isEnabled());
    f.Wiederholen1Click();
    EXPECT_EQ(bodyText(*w), "ab");
}

TEST_F(FrameTest, AReadOnlyProgramFolderSendsTheProgramsOwnFilesToTheStateFolder)
{
    const fs::path ro = dir / "ro";
    fs::create_directories(ro);
    fs::permissions(ro, fs::perms::owner_read | fs::perms::owner_exec);
    bool readOnly = !std::ofstream(ro / "probe").good();
    fs::permissions(ro, fs::perms::owner_all);
    // A user whom permissions do not stop (root) gets a program folder
    // that cannot be written for another reason: it is not there.
    dir = readOnly ? ro : dir / "missing";
    if (readOnly) fs::permissions(ro, fs::perms::owner_read | fs::perms::owner_exec);
    const fs::path ro2 = dir;
    TMainForm& f = startFrame();
    const fs::path state = fs::path(std::getenv("XDG_STATE_HOME")) / "quillet";
    EXPECT_EQ(f.stateDir(), state);
    EXPECT_EQ(f.progDir(), ro2);
    EXPECT_TRUE(f.close());
    EXPECT_TRUE(fs::exists(state / kSettingsFileName));
    EXPECT_FALSE(fs::exists(ro2 / kSettingsFileName));
    fs::permissions(ro, fs::perms::owner_all);
    fs::remove(state / kSettingsFileName);
}

} // namespace
} // namespace quillet
