#include "platform/SafeFile.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

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
