#define QUILLET_INSPECT_NO_MAIN
#include "tools/quillet_inspect.cpp"

#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

using namespace quillet;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

fs::path sample(std::string_view name, std::string_view bytes)
{
    const fs::path dir = test::outputDir() / "inspect";
    fs::create_directories(dir);
    const fs::path p = dir / name;
    std::ofstream(p, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return p;
}

TEST(Inspect, PrintsATextFileInTheStableForm)
{
    const fs::path p = sample("small.txt", "Hi\tyou\r\n\r\n\xe9");
    std::ostringstream out;
    ASSERT_EQ(inspect::run(test::programDir(), p.string(), 0, out), 0);
    const std::vector<std::string> lines = linesOf(out.str());
    ASSERT_GT(lines.size(), 10u);
    EXPECT_EQ(lines[0], "quillet-inspect 1");
    EXPECT_EQ(lines[1], "document format 3 modified 0 title \"small.txt\"");
    EXPECT_EQ(lines[2], "page 210.00 x 297.00 mm zoom 100.00 language 0 footnotes 0");
    EXPECT_EQ(lines[3], "cursor 0,0,0 anchor 0,0,0");

    const std::string text = out.str();
    // The font the text came in, and the body with its three paragraphs.
    EXPECT_TRUE(std::regex_search(text, std::regex("\n  font [0-9]+ face \"Courier New\" size 12\\.00 style 0 "
                                                   "color 0x000000 charset 1 options 0x0000\n")));
    EXPECT_TRUE(std::regex_search(text, std::regex("\nstyles [0-9]+\n  style 0 \"[^\"]+\" kind 0 font [0-9]+\n")));
    EXPECT_TRUE(std::regex_search(
        text, std::regex("\narea 0 type page-body page 0 mode 0 frame 0\\.00 0\\.00 0\\.00 0\\.00 inner "
                         "25\\.00 25\\.00 25\\.00 25\\.00 prev -1 next -1 lines 3\n"
                         "  line 0 end paragraph height [0-9]+\\.[0-9]{2} chars 6 para align 0 indent "
                         "0\\.00 0\\.00 0\\.00 space 0\\.00 0\\.00 spacing 1\\.00/0 list 0/0 tabs 0\n"
                         "    char 0 code 72 'H' kind text width [0-9]+\\.[0-9]{2} height [0-9]+\\.[0-9]{2} font [0-9]+\n")));
    EXPECT_TRUE(std::regex_search(text, std::regex("\n    char 2 code 9 kind text width [0-9.]+ height -?[0-9.]+ font")));
    EXPECT_TRUE(std::regex_search(text, std::regex("\n  line 1 end paragraph height [0-9.]+ chars 0 ")));
    EXPECT_TRUE(std::regex_search(text, std::regex("\n  line 2 end soft height [0-9.]+ chars 1 [^\n]*\n"
                                                   "    char 0 code 233 '\xc3\xa9' kind text")));
    EXPECT_TRUE(std::regex_search(text, std::regex("\narea 1 type header ")));
}

TEST(Inspect, UnreadableFileFailsWithoutOutput)
{
    std::ostringstream out;
    EXPECT_EQ(inspect::run(test::programDir(), (test::outputDir() / "inspect" / "missing.qdt").string(), 0, out), 1);
    EXPECT_TRUE(out.str().empty());
}

TEST(Inspect, NumbersAndNamesAreStable)
{
    EXPECT_EQ(inspect::mm(-0.001), "0.00");
    EXPECT_EQ(inspect::mm(12.345), "12.35");
    EXPECT_EQ(inspect::quoted("a\"b\\"), "\"a\\\"b\\\\\"");
    EXPECT_EQ(inspect::endKindName(7), "7");
    EXPECT_STREQ(inspect::areaTypeName(200), "unknown");
}

} // namespace
