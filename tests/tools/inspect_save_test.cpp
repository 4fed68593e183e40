// The inspection tool's --save: any file it can open is written in the
// format the target's extension names, and opens again with its text.
#define QUILLET_INSPECT_NO_MAIN
#include "tools/quillet_inspect.cpp"

#include "tests/support/TestFiles.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace quillet;
namespace fs = std::filesystem;

namespace {

TEST(InspectSave, WritesEachFormatByExtension)
{
    const fs::path dir = test::freshTestDir("inspect_save");
    const fs::path rtf = test::dataDir() / "rtf" / "letter.rtf";
    const struct {
        const char* name;
        int rc;
        const char* holds;  // in the inspection print of the written file, or in its bytes
    } cases[] = {
        {"letter.rtf", 0, "{\\rtf1"},
        {"letter.txt", 0, "Dear M\xFCller\r\n"},
        {"letter.qdt", 0, nullptr},
        {"letter.pdf", 2, nullptr},   // not a format --save writes
        {"no folder/letter.rtf", 1, nullptr},
    };
    std::ostringstream original;
    ASSERT_EQ(inspect::run(test::programDir(), rtf.string(), 0, original), 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path out = dir / c.name;
        EXPECT_EQ(inspect::saveAs(test::programDir(), rtf.string(), 0, out), c.rc);
        if (c.rc != 0) {
            EXPECT_FALSE(fs::exists(out));
            continue;
        }
        if (c.holds) {
            EXPECT_NE(test::readAll(out).find(c.holds), std::string::npos);
        }
        // What was written opens again; the native file gives the same print
        // but for its own name and format.
        std::ostringstream again;
        ASSERT_EQ(inspect::run(test::programDir(), out.string(), 0, again), 0);
        EXPECT_NE(again.str().find("'D'"), std::string::npos);
    }
}

} // namespace
