#include "engine/Childwin.h"
#include "formats/StandardServices.h"
#include "language/WordList.h"
#include "tests/support/TestPaths.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

using namespace quillet;

namespace {

class DictUi : public FrameUi {
public:
    bool accept = true;
    std::vector<std::string> shown;
    bool runUserDictDialog(std::vector<std::string>& words) override
    {
        shown = words;
        if (!accept) return false;
        words.erase(words.begin());  // the user deletes the first line
        return true;
    }
};

std::string readFile(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(UserDictionaryCommand, OkReplacesTheDictionaryAndSavesIt_CancelChangesNothing)
{
    FrameState frame = StandardFrameState();
    frame.ProgDir = test::outputDir() / "user-dictionary-command";
    std::filesystem::create_directories(frame.ProgDir);
    std::filesystem::remove(frame.ProgDir / "user.spe");
    frame.UserDict = std::make_shared<WordList>();
    frame.UserDict->assign({"Alpha", "Beta"});

    TMDIChild w(frame);
    DictUi ui;
    w.setFrameUi(&ui);

    ui.accept = false;
    w.UserDictionary();
    EXPECT_EQ(ui.shown, (std::vector<std::string>{"Alpha", "Beta"}));
    EXPECT_EQ(frame.UserDict->size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(frame.ProgDir / "user.spe"));

    ui.accept = true;
    w.UserDictionary();
    ASSERT_EQ(frame.UserDict->size(), 1u);
    EXPECT_EQ(frame.UserDict->word(0), "Beta");
    EXPECT_EQ(readFile(frame.ProgDir / "user.spe"), "Beta\r\n");
}

} // namespace
