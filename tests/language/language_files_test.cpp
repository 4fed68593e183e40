// The language files on disk: word lists, the user dictionary and pattern
// files are read only when they are regular files within their size caps.
// A FIFO in place of one of them once blocked start-up for ever.

#include "language/Hyphenation.h"
#include "language/WordList.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillet;

namespace {

struct Reader {
    const char* name;
    uint64_t cap;
    // True when the file was read or the target changed.
    std::function<bool(const std::filesystem::path&)> read;
};

const std::vector<Reader>& readers()
{
    static const std::vector<Reader> all = {
        {"word list", kSpeMaxFileBytes,
         [](const std::filesystem::path& p) {
             WordList l;
             l.append("weg");
             const bool ok = OpenWordList(p, l);
             return ok || l.size() != 1;
         }},
        {"user dictionary", kUserDictMaxFileBytes,
         [](const std::filesystem::path& p) {
             WordList l;
             l.append("weg");
             const bool ok = LoadUserDict(p, l);
             return ok || l.size() != 1;
         }},
        {"patterns", kHyphenMaxFileBytes,
         [](const std::filesystem::path& p) {
             HyphenPatternTable t;
             const bool ok = t.loadFile(p);
             for (int k = 1; k <= kHyphenGroupCount; ++k)
                 if (t.patternCount(k) != 0) return true;
             return ok;
         }},
    };
    return all;
}

std::filesystem::path freshDir(const char* name)
{
    auto dir = test::outputDir() / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

// Reads the FIFO with a deadline; a reader stuck on it is released by a
// writer that opens and closes it, so the test fails instead of hanging.
bool readWithDeadline(const Reader& r, const std::filesystem::path& fifo)
{
    auto done = std::async(std::launch::async, [&] { return r.read(fifo); });
    if (done.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        ADD_FAILURE() << r.name << " blocked on " << fifo;
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) ::close(fd);
    }
    return done.get();
}

} // namespace

TEST(LanguageFiles, OnlyRegularFilesWithinTheCapAreRead)
{
    const auto dir = freshDir(("language-files-" + std::to_string(::getpid())).c_str());
    const auto fifo = dir / "user.spe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto folder = dir / "german.spe";
    std::filesystem::create_directory(folder);

    for (const Reader& r : readers()) {
        EXPECT_FALSE(readWithDeadline(r, fifo)) << r.name << ": FIFO";
        EXPECT_FALSE(r.read(folder)) << r.name << ": folder";
        EXPECT_FALSE(r.read(dir / "missing")) << r.name << ": missing";

        // Sparse files: the size is checked before anything is read.
        const auto big = dir / "big";
        { std::ofstream(big, std::ios::binary); }
        std::filesystem::resize_file(big, r.cap + 1);
        EXPECT_FALSE(r.read(big)) << r.name << ": one byte over the cap";
        std::filesystem::resize_file(big, r.cap);
        // Zeros are a valid image of each kind (and a one-word dictionary).
        EXPECT_TRUE(r.read(big)) << r.name << ": exactly the cap";
        std::filesystem::remove(big);
    }
    std::filesystem::remove_all(dir);
}
