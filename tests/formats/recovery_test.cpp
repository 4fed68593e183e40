#include "formats/Recovery.h"

#include "engine/Childwin.h"
#include "formats/NativeFormat.h"
#include "formats/OpenSave.h"
#include "formats/StandardServices.h"
#include "platform/MessageBox.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestPaths.h"

#include "platform/SafeFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <iterator>
#include <memory>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillet;
namespace fs = std::filesystem;

namespace {

using test::readAll;
using test::RecordingBoxes;

std::vector<std::string> fileNames(const std::vector<fs::path>& paths)
{
    std::vector<std::string> names;
    for (const fs::path& p : paths) names.push_back(p.filename().string());
    return names;
}

class Recovery : public ::testing::Test {
protected:
    void SetUp() override
    {
        setMessageBoxes(&boxes);
        dir = test::freshTestDir("recovery");
        frame.ProgDir = test::programDir();
    }
    void TearDown() override { setMessageBoxes(nullptr); }

    TMDIChild& window(const std::string& title, const std::string& path = {})
    {
        auto w = std::make_unique<TMDIChild>(frame);
        w->FormCreate();
        w->DocTitle = title;
        w->DocPath = path;
        windows.push_back(std::move(w));
        return *windows.back();
    }
    std::vector<TMDIChild*> all() const
    {
        std::vector<TMDIChild*> out;
        for (const auto& w : windows) out.push_back(w.get());
        return out;
    }

    RecordingBoxes boxes;
    FrameState frame = StandardFrameState();
    std::vector<std::unique_ptr<TMDIChild>> windows;
    fs::path dir;
};

TEST(RecoveryNames, BaseIsTheFileNameWithoutExtension)
{
    EXPECT_EQ(RecoveryBaseName("/home/u/letters/a.qdt", "ignored"), "a");
    EXPECT_EQ(RecoveryBaseName("/home/u/archive.tar.gz", ""), "archive.tar");
    EXPECT_EQ(RecoveryBaseName("", "NONAME1"), "NONAME1");
    // A recovered window's title still names the file it came from.
    EXPECT_EQ(RecoveryBaseName("", "a.whi (Recovered)"), "a");
    // A title is Windows-1252; the file name is UTF-8.
    EXPECT_EQ(RecoveryBaseName("", "Br\xFC" "cke"), "Br\xC3\xBC" "cke");
    // A slash in a title cannot lead out of the folder.
    EXPECT_EQ(RecoveryBaseName("", "../../etc/x"), "x");

    std::set<std::string> used;
    auto isUsed = [&](const std::string& n) { return used.count(n) != 0; };
    for (int i = 0; i < 3; ++i) used.insert(RecoveryFileName("a", isUsed));
    EXPECT_EQ(used, (std::set<std::string>{"a.whi", "a1.whi", "a2.whi"}));
    EXPECT_EQ(RecoveryFileName("", isUsed), "1.whi");
}

TEST_F(Recovery, EveryWindowGetsItsOwnFileAndKeepsItsName)
{
    fs::create_directories(dir / "one");
    fs::create_directories(dir / "two");
    TMDIChild& n1 = window("NONAME1");
    TMDIChild& n2 = window("NONAME2");
    TMDIChild& a1 = window("a.qdt", (dir / "one" / "a.qdt").string());
    TMDIChild& a2 = window("a.qdt", (dir / "two" / "a.qdt").string());
    a2.SetFileChanged(true);
    frame.RecentFiles = {"/x/recent.qdt"};
    const fs::path out = dir / "run";
    fs::create_directories(out);

    std::set<std::string> names;
    const RecoveryTickResult r = WriteRecoveryFiles(all(), out, names, true);

    EXPECT_EQ(r.Written, 4u);
    EXPECT_EQ(r.Failed, 0u);
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_EQ(names, (std::set<std::string>{"NONAME1.whi", "NONAME2.whi", "a.whi", "a1.whi"}));
    EXPECT_EQ(fileNames(RecoveryFilesIn(out)),
              (std::vector<std::string>{"NONAME1.whi", "NONAME2.whi", "a.whi", "a1.whi"}));
    // The windows are untouched, changed or not.
    EXPECT_EQ(n1.DocTitle, "NONAME1");
    EXPECT_TRUE(n1.DocPath.empty());
    EXPECT_TRUE(n2.DocPath.empty());
    EXPECT_EQ(a1.DocPath, (dir / "one" / "a.qdt").string());
    EXPECT_EQ(a2.DocPath, (dir / "two" / "a.qdt").string());
    EXPECT_EQ(a1.Modified, 0);
    EXPECT_EQ(a2.Modified, 1);
    EXPECT_EQ(frame.RecentFiles, (std::vector<std::string>{"/x/recent.qdt"}));
    EXPECT_EQ(frame.KeepName, 0);
    EXPECT_FALSE(fs::exists(dir / "one" / "a.qdt"));

    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadFileBytes(out / "a1.whi", bytes));
    EXPECT_TRUE(readNativeDocument(bytes).ok);
}

TEST_F(Recovery, KeepNameOfAnEnclosingSectionSurvivesTheTick)
{
    TMDIChild& w = window("NONAME1");
    frame.KeepName = 1;
    std::set<std::string> names;
    (void)WriteRecoveryFiles({&w}, dir, names, true);
    EXPECT_EQ(frame.KeepName, 1);
}

TEST_F(Recovery, AFailedWriteKeepsThePreviousFileAndTheTickGoesOn)
{
    TMDIChild& a = window("a");
    TMDIChild& b = window("b");
    std::set<std::string> names;
    ASSERT_EQ(WriteRecoveryFiles(all(), dir, names, true).Written, 2u);
    const std::string previousA = readAll(dir / "a.whi");

    // The next tick cannot replace a.whi (a folder is in the way of the
    // rename) nor write c.whi; b.whi still gets written.
    for (const char* ch : {"x", "y", "z"}) {
        uint8_t key = uint8_t(*ch);
        a.getkeysKeyPress(key);
        b.getkeysKeyPress(key);
    }
    fs::rename(dir / "a.whi", dir / "a.keep");
    fs::create_directories(dir / "a.whi" / "inside");
    TMDIChild& c = window("c");
    fs::create_directories(dir / "c.whi" / "inside");
    const std::string previousB = readAll(dir / "b.whi");

    const RecoveryTickResult r = WriteRecoveryFiles(all(), dir, names, true);
    EXPECT_EQ(r.Written, 1u);
    EXPECT_EQ(r.Failed, 2u);
    EXPECT_TRUE(r.Reported);
    ASSERT_EQ(boxes.texts.size(), 1u) << "one message for the whole tick";
    // (A second line may give the system's reason.)
    EXPECT_TRUE(boxes.texts[0].starts_with("Could not create the file a.whi!")) << boxes.texts[0];
    EXPECT_NE(readAll(dir / "b.whi"), previousB);
    EXPECT_TRUE(fs::is_directory(dir / "a.whi" / "inside"));
    EXPECT_EQ(c.Modified, 0);

    // Quiet: nothing shown at all.
    boxes.texts.clear();
    const RecoveryTickResult quiet = WriteRecoveryFiles(all(), dir, names, false);
    EXPECT_EQ(quiet.Failed, 2u);
    EXPECT_FALSE(quiet.Reported);
    EXPECT_TRUE(boxes.texts.empty());

    // A write that fails part-way (file size limit) leaves the old file whole.
    fs::remove_all(dir / "a.whi");
    fs::rename(dir / "a.keep", dir / "a.whi");
    ASSERT_EQ(readAll(dir / "a.whi"), previousA);
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const RecoveryTickResult limited = WriteRecoveryFiles({&a}, dir, names, true);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(limited.Failed, 1u);
    EXPECT_EQ(readAll(dir / "a.whi"), previousA);
    EXPECT_EQ(fileNames(RecoveryFilesIn(dir)), (std::vector<std::string>{"a.whi", "b.whi"}));
}

TEST_F(Recovery, NoFolderFailsEveryWindowWithOneMessage)
{
    window("a");
    window("b");
    std::set<std::string> names;
    const RecoveryTickResult r = WriteRecoveryFiles(all(), {}, names, true);
    EXPECT_EQ(r.Failed, 2u);
    EXPECT_EQ(boxes.texts, (std::vector<std::string>{"Could not create the file a.whi!"}));
    EXPECT_EQ(names.size(), 2u);
}

void touch(const fs::path& p, std::string_view content = "x")
{
    std::ofstream(p, std::ios::binary) << content;
}

TEST_F(Recovery, LiveRunsKeepTheirFilesAndDeadRunsAreAdoptedOnce)
{
    auto first = std::make_unique<RecoveryRun>(dir);
    RecoveryRun second(dir);
    const fs::path f1 = first->folder();
    const fs::path f2 = second.folder();
    ASSERT_FALSE(f1.empty());
    ASSERT_FALSE(f2.empty());
    EXPECT_NE(f1, f2);
    EXPECT_EQ(f1.parent_path(), dir / "recovery");
    EXPECT_EQ(first->folder(), f1) << "made once per run";
    touch(f1 / "a.whi");
    touch(f2 / "a.whi");
    touch(dir / "old.whi");   // left in the state folder by an older build
    touch(dir / "notes.txt");

    RecoveryRun third(dir);
    EXPECT_EQ(third.adoptStaleFiles(), (std::vector<fs::path>{dir / "old.whi"}));

    // The first run ends without cleaning up: its file is there for the next one.
    first.reset();
    EXPECT_TRUE(fs::exists(f1 / "a.whi"));
    EXPECT_EQ(third.adoptStaleFiles(), (std::vector<fs::path>{f1 / "a.whi"}));
    // Another program starting now finds nothing: third holds it.
    RecoveryRun fourth(dir);
    EXPECT_TRUE(fourth.adoptStaleFiles().empty());

    third.removeFiles();
    EXPECT_FALSE(fs::exists(f1));
    EXPECT_FALSE(fs::exists(dir / "old.whi"));
    EXPECT_TRUE(fs::exists(dir / "notes.txt"));
    EXPECT_TRUE(fs::exists(f2 / "a.whi")) << "the live run's file is never touched";

    second.removeFiles();
    EXPECT_FALSE(fs::exists(f2));
}

TEST_F(Recovery, ARunThatCrashedIsRecoveredAndAnEmptyOneLeavesNothing)
{
    {
        RecoveryRun clean(dir);
        ASSERT_FALSE(clean.folder().empty());
    }
    EXPECT_TRUE(fs::is_empty(dir / "recovery")) << "an unused run folder goes with its run";

    fflush(nullptr);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Dies without any destructor: only the system releases the lock.
        RecoveryRun* run = new RecoveryRun(dir);
        const fs::path f = run->folder();
        std::ofstream(f / "crashed.whi") << "x";
        std::ofstream(f / "empty.bin") << "";
        _exit(f.empty() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    RecoveryRun next(dir);
    EXPECT_EQ(fileNames(next.adoptStaleFiles()), (std::vector<std::string>{"crashed.whi"}));
    next.removeFiles();
    EXPECT_TRUE(fs::is_empty(dir / "recovery"));
}

TEST_F(Recovery, DeadRunFoldersWithoutFilesAreCleanedAndHiddenOnesIgnored)
{
    fs::create_directories(dir / "recovery" / "run-dead01");
    touch(dir / "recovery" / "run-dead01" / "owner.lock", "");
    fs::create_directories(dir / "recovery" / ".new-abcdef");
    touch(dir / "recovery" / ".new-abcdef" / "half.whi");
    fs::create_directories(dir / "recovery" / "run-folder-named.whi");

    RecoveryRun run(dir);
    EXPECT_TRUE(run.adoptStaleFiles().empty());
    EXPECT_FALSE(fs::exists(dir / "recovery" / "run-dead01"));
    EXPECT_FALSE(fs::exists(dir / "recovery" / "run-folder-named.whi"));
    EXPECT_TRUE(fs::exists(dir / "recovery" / ".new-abcdef" / "half.whi"));
}

// A run killed while saving leaves ".name.whi.XXXXXX" files; whoever adopts
// its folder clears them, and a folder left with nothing else goes.
TEST_F(Recovery, AdoptionClearsWhatKilledSavesLeft)
{
    const fs::path root = dir / "recovery";
    const fs::path onlyLeftovers = root / "run-aaaaaa";
    const fs::path withFile = root / "run-bbbbbb";
    for (const fs::path& run : {onlyLeftovers, withFile}) {
        fs::create_directories(run);
        touch(run / "owner.lock", "");
        touch(run / ".a.whi.Zx81q0", "half");
    }
    touch(withFile / "b.whi");
    touch(withFile / ".b.whi.000000", "half");
    touch(withFile / "keep.me");
    // Beside older builds' files: only when old and unlocked, and only ours.
    touch(dir / ".old.whi.abcdef");
    touch(dir / ".young.whi.abcdef");
    touch(dir / ".settings.dat.abcdef");
    for (const char* name : {".old.whi.abcdef", ".settings.dat.abcdef"})
        fs::last_write_time(dir / name, fs::file_time_type::clock::now() - std::chrono::hours(1));

    RecoveryRun run(dir);
    EXPECT_EQ(run.adoptStaleFiles(), (std::vector<fs::path>{withFile / "b.whi"}));
    EXPECT_FALSE(fs::exists(onlyLeftovers));
    EXPECT_FALSE(fs::exists(withFile / ".a.whi.Zx81q0"));
    EXPECT_FALSE(fs::exists(withFile / ".b.whi.000000"));
    EXPECT_TRUE(fs::exists(withFile / "keep.me"));
    EXPECT_FALSE(fs::exists(dir / ".old.whi.abcdef"));
    EXPECT_TRUE(fs::exists(dir / ".young.whi.abcdef"));
    EXPECT_TRUE(fs::exists(dir / ".settings.dat.abcdef"));
}

// A recovery file the reader rejects must never be lost to a bug of ours:
// it is set aside, its message says where, and the exit leaves it there,
// while the files that did reopen go as always.
TEST_F(Recovery, AFileThatCannotBeReopenedIsSetAsideAndNamed)
{
    const fs::path root = dir / "recovery";
    const fs::path dead = root / "run-cccccc";
    fs::create_directories(dead);
    // Its name does not fit the document code page.
    const std::string bad = "b\xC3\xA4" "d \xE6\x97\xA5.whi";
    touch(dead / bad, "not a document");
    touch(dead / "good.whi", "fine");
    touch(dir / "old.whi", "older build, also damaged");
    touch(root / "old.whi.damaged", "set aside by an earlier start");

    // The name reaches the box as it is.
    struct Utf8Boxes : MessageBoxes {
        std::vector<std::string> texts;
        MsgResult show(std::string_view text, std::string_view, MsgIcon, MsgButtons) override
        {
            texts.emplace_back(text);
            return MsgResult::Ok;
        }
        MsgResult showUtf8(std::string_view text, std::string_view c, MsgIcon i, MsgButtons b) override
        {
            return show(text, c, i, b);
        }
    } utf8Boxes;
    setMessageBoxes(&utf8Boxes);

    RecoveryRun run(dir);
    const std::vector<fs::path> files = run.adoptStaleFiles();
    ASSERT_EQ(fileNames(files), (std::vector<std::string>{"old.whi", bad, "good.whi"}));
    TMDIChild w(frame);
    w.FormCreate();
    std::vector<bool> opened;
    for (const fs::path& f : files) opened.push_back(run.reopen(f, [&] {
        if (f.filename() == "good.whi") return true;
        return w.OpenQDTFile(f.string());
    }));
    EXPECT_EQ(opened, (std::vector<bool>{false, false, true}));

    ASSERT_EQ(utf8Boxes.texts.size(), 2u);
    for (const auto& [text, kept] : {std::pair{utf8Boxes.texts[0], root / "old-2.whi.damaged"},
                                     std::pair{utf8Boxes.texts[1], root / (bad + ".damaged")}}) {
        EXPECT_TRUE(text.starts_with("This is not a valid Quillet document!\n")) << text;
        EXPECT_TRUE(text.ends_with("\nThe recovery file was kept as " + kept.string())) << text;
    }
    run.removeFiles();
    EXPECT_EQ(readAll(root / (bad + ".damaged")), "not a document");
    EXPECT_EQ(readAll(root / "old-2.whi.damaged"), "older build, also damaged");
    EXPECT_EQ(readAll(root / "old.whi.damaged"), "set aside by an earlier start");
    EXPECT_FALSE(fs::exists(dead));
    EXPECT_FALSE(fs::exists(dir / "old.whi"));

    // Nothing set aside is ever offered again.
    RecoveryRun next(dir);
    EXPECT_TRUE(next.adoptStaleFiles().empty());
}

TEST_F(Recovery, AFileThatCannotBeMovedAsideStaysForTheNextStart)
{
    const fs::path dead = dir / "recovery" / "run-dddddd";
    fs::create_directories(dead);
    touch(dead / "bad.whi");
    touch(dead / "good.whi");
    RecoveryRun run(dir);
    ASSERT_EQ(run.adoptStaleFiles().size(), 2u);
    // Every name it could be set aside as is taken (the tests may run as
    // root, who could write a folder without write permission).
    touch(dir / "recovery" / "bad.whi.damaged");
    for (int n = 2; n <= 999; ++n) touch(dir / "recovery" / ("bad-" + std::to_string(n) + ".whi.damaged"));
    bool threw = false;
    try {
        run.reopen(dead / "bad.whi", []() -> bool { throw 7; });
    } catch (int) {
        threw = true;
    }
    EXPECT_TRUE(threw) << "what the open throws is its caller's";
    EXPECT_TRUE(run.reopen(dead / "good.whi", [] { return true; }));
    run.removeFiles();
    EXPECT_TRUE(fs::exists(dead / "bad.whi"));
    EXPECT_FALSE(fs::exists(dead / "good.whi"));

    RecoveryRun next(dir);
    EXPECT_EQ(next.adoptStaleFiles(), (std::vector<fs::path>{dead / "bad.whi"}));
}

TEST_F(Recovery, AStateFolderThatCannotBeUsedGivesNoFolder)
{
    touch(dir / "file");
    RecoveryRun run(dir / "file");
    EXPECT_TRUE(run.folder().empty());
    EXPECT_TRUE(run.adoptStaleFiles().empty());
    run.removeFiles();
    RecoveryRun none({});
    EXPECT_TRUE(none.folder().empty());
}

} // namespace
