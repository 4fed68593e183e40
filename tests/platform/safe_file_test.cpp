#include "platform/SafeFile.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace quillet;

// Every writer of the program (documents, settings, pictures, the build's
// data files) goes through one routine, so a link given as the target keeps
// pointing at the file it names.
TEST(SafeFile, ALinkedTargetKeepsItsLinkAndTheReaderSeesTheNewBytes)
{
    const fs::path dir = test::freshTestDir("safe_file");
    const fs::path real = dir / "real.qdt";
    ASSERT_TRUE(ReplaceFileContents(real, std::string_view("old")));
    fs::create_symlink(real, dir / "link.qdt");

    ASSERT_TRUE(ReplaceFileContents(dir / "link.qdt", std::vector<uint8_t>{'n', 'e', 'w'}));
    EXPECT_TRUE(fs::is_symlink(dir / "link.qdt"));
    std::string text;
    ASSERT_TRUE(ReadFileBytes(real, text));
    EXPECT_EQ(text, "new");

    std::vector<uint8_t> bytes{1, 2, 3};
    EXPECT_FALSE(ReadFileBytes(dir, bytes)) << "a folder is no file";
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(ReadFileBytes(dir / "missing", text));
    EXPECT_TRUE(text.empty());
}

// A file given in pieces is their bytes in order, empty pieces and all.
TEST(SafeFile, PiecesAreWrittenInOrder)
{
    const fs::path dir = test::freshTestDir("safe_file_pieces");
    const std::string big(300000, 'b');
    struct Case {
        std::vector<std::string_view> pieces;
        std::string file;
    };
    const Case cases[] = {{{}, ""}, {{"a"}, "a"}, {{"", "ab", "", "c", ""}, "abc"}, {{"x", big, "y"}, "x" + big + "y"}};
    for (const Case& k : cases) {
        ASSERT_TRUE(WriteWholeFile(dir / "f.pdf", k.pieces));
        std::string text;
        ASSERT_TRUE(ReadFileBytes(dir / "f.pdf", text));
        EXPECT_TRUE(text == k.file) << k.pieces.size() << " pieces";
    }
}

// A save renames its new file over the target; over anything but a regular
// file (a FIFO standing in for a device node, a folder, or a link to either)
// it must refuse and leave the object and its link where they were.
TEST(SafeFile, ASaveNeverReplacesWhatIsNoRegularFile)
{
    const fs::path dir = test::freshTestDir("safe_file_special");
    const fs::path fifo = dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directory(dir / "folder");
    fs::create_symlink(fifo, dir / "to-pipe.qdt");
    fs::create_symlink(dir / "folder", dir / "to-folder.qdt");

    for (const char* name : {"pipe", "folder", "to-pipe.qdt", "to-folder.qdt"}) {
        SCOPED_TRACE(name);
        const FileWriteResult r = WriteWholeFile(dir / name, std::vector<uint8_t>{'x'});
        EXPECT_FALSE(r);
        EXPECT_FALSE(r.reason.empty());
    }
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_TRUE(fs::is_directory(dir / "folder"));
    EXPECT_TRUE(fs::is_symlink(dir / "to-pipe.qdt"));
    for (const auto& e : fs::directory_iterator(dir))
        EXPECT_NE(e.path().filename().string().rfind(".", 0), 0u) << "temporary left: " << e.path();
}

TEST(SafeFile, SaveTempNamesAreExactlyOurs)
{
    struct Case {
        const char* name;
        const char* target;
    };
    const Case cases[] = {
        {".a.qdt.Ab3xY9", "a.qdt"},
        {"..hidden.qdt.000000", ".hidden.qdt"},
        {".a.b.c.zzzzzz", "a.b.c"},
        {".a.qdt.Ab3xY", ""},     // five characters
        {".a.qdt.Ab3xY9Z", ""},   // seven
        {".a.qdt.Ab3-Y9", ""},    // not from mkstemp
        {"a.qdt.Ab3xY9", ""},     // not hidden
        {"..Ab3xY9", ""},         // no target
        {".a.qdtAb3xY9", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SaveTempTarget(c.name), c.target) << c.name;
        EXPECT_EQ(IsSaveTempName(c.name, "a.qdt"), std::string_view(c.target) == "a.qdt") << c.name;
    }
}

namespace {

void makeOld(const fs::path& p)
{
    fs::last_write_time(p, fs::file_time_type::clock::now() - std::chrono::hours(1));
}

} // namespace

// A save killed half-way leaves its hidden file; the next save of the same
// file removes it, but never a file another running save holds, one just
// made (not yet locked), nor anything not named like ours.
TEST(SafeFile, ASaveRemovesWhatKilledSavesOfItsFileLeft)
{
    const fs::path dir = test::freshTestDir("safe_file");
    const fs::path target = dir / "doc.qdt";
    ASSERT_TRUE(ReplaceFileContents(target, std::string_view("before")));

    // A real killed save: the file size limit stops the writer mid-way.
    fflush(nullptr);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        struct rlimit none {};
        setrlimit(RLIMIT_CORE, &none);
        struct rlimit small {4096, 4096};
        setrlimit(RLIMIT_FSIZE, &small);
        std::signal(SIGXFSZ, SIG_DFL);
        const std::vector<uint8_t> big(1 << 20, 'x');
        (void)WriteWholeFile(target, big);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the save should have been killed";
    std::vector<fs::path> left;
    for (const auto& e : fs::directory_iterator(dir))
        if (IsSaveTempName(e.path().filename().string(), "doc.qdt")) left.push_back(e.path());
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(test::readAll(target), "before");

    // Too young to tell from a save that has not locked its file yet.
    ASSERT_TRUE(ReplaceFileContents(target, std::string_view("second")));
    EXPECT_TRUE(fs::exists(left[0]));

    makeOld(left[0]);
    const fs::path busy = dir / ".doc.qdt.BUSY00";      // another copy's save in progress
    const fs::path otherFile = dir / ".other.qdt.abcdef";
    const fs::path notOurs = dir / ".doc.qdt.abc";
    const fs::path folder = dir / ".doc.qdt.FOLDER";
    for (const fs::path& p : {busy, otherFile, notOurs}) {
        test::writeAll(p, "x");
        makeOld(p);
    }
    fs::create_directory(folder);
    makeOld(folder);
    const int held = ::open(busy.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);

    ASSERT_TRUE(ReplaceFileContents(target, std::string_view("third")));
    EXPECT_FALSE(fs::exists(left[0]));
    EXPECT_TRUE(fs::exists(busy));
    EXPECT_TRUE(fs::exists(otherFile));
    EXPECT_TRUE(fs::exists(notOurs));
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(test::readAll(target), "third");

    // Once its save is over, it is a leftover like any other.
    ::close(held);
    EXPECT_EQ(RemoveStaleSaveTemps(target), 1u);
    EXPECT_FALSE(fs::exists(busy));
}
