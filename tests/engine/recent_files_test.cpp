#include "engine/RecentFiles.h"

#include <gtest/gtest.h>

using namespace quillet;

namespace {

using List = std::vector<std::string>;

TEST(RecentFiles, NewestFirstOnceAndLimited)
{
    List l;
    for (const char* p : {"/a", "/b", "/a", "/c", "/d"}) AddRecentFile(l, p, 4);
    EXPECT_EQ(l, (List{"/d", "/c", "/a", "/b"}));
    AddRecentFile(l, "/b", 4);
    EXPECT_EQ(l, (List{"/b", "/d", "/c", "/a"}));
    // Comparison is exact: case matters.
    AddRecentFile(l, "/B", 4);
    EXPECT_EQ(l, (List{"/B", "/b", "/d", "/c"}));

    // Lowering the length keeps the newest entries.
    TrimRecentFiles(l, 2);
    EXPECT_EQ(l, (List{"/B", "/b"}));
    TrimRecentFiles(l, 5);
    EXPECT_EQ(l.size(), 2u);
    AddRecentFile(l, "/x", 0);
    EXPECT_TRUE(l.empty());
    AddRecentFile(l, "/x", -7);
    EXPECT_TRUE(l.empty());
}

TEST(RecentFiles, MenuTextsAreShortened)
{
    EXPECT_EQ(ShortenRecentFileName("/home/ann/letter.qdt"), "/home/ann/letter.qdt");
    EXPECT_EQ(ShortenRecentFileName("/home/ann/letters/a_25chars_.qdt"), "a_25chars_.qdt");
    // Exactly 25 characters stays whole.
    EXPECT_EQ(ShortenRecentFileName("/123456789012345678901234"), "/123456789012345678901234");
    // A 40-character path whose file name has 30 characters.
    const std::string name30 = "abcdefghijklmnopqrstuvwxyz.qdt";
    ASSERT_EQ(name30.size(), 30u);
    const std::string path40 = "/home/ann/" + name30;
    ASSERT_EQ(path40.size(), 40u);
    EXPECT_EQ(ShortenRecentFileName(path40), "abcdefghijklmnopqrstuvwx...");
    // Characters, not bytes: 25 two-byte letters are not too long, and a
    // long name is never cut inside a letter.
    std::string umlauts;
    for (int i = 0; i < 25; ++i) umlauts += "\xC3\xA4";
    EXPECT_EQ(ShortenRecentFileName(umlauts), umlauts);
    const std::string longName = "/d/" + umlauts + "\xC3\xA4";
    std::string first24;
    for (int i = 0; i < 24; ++i) first24 += "\xC3\xA4";
    EXPECT_EQ(ShortenRecentFileName(longName), first24 + "...");
}

TEST(RecentFiles, MenuItemsAndTags)
{
    EXPECT_TRUE(RecentFileMenuItems({}).empty());
    const std::vector<RecentFileMenuItem> items =
        RecentFileMenuItems({"/a/one.qdt", "/a/very/long/folder/names/here/two.rtf", "/r&d.qdt"});
    EXPECT_EQ(items, (std::vector<RecentFileMenuItem>{
                         {"-", 98}, {"&1 /a/one.qdt", 99}, {"&2 two.rtf", 100}, {"&3 /r&&d.qdt", 101}}));
    for (const RecentFileMenuItem& i : items) EXPECT_GT(i.Tag, kRecentTagsAbove);

    EXPECT_EQ(RecentFileIndexFromTag(99, 3), 0u);
    EXPECT_EQ(RecentFileIndexFromTag(101, 3), 2u);
    EXPECT_FALSE(RecentFileIndexFromTag(102, 3));
    EXPECT_FALSE(RecentFileIndexFromTag(98, 3));
    EXPECT_FALSE(RecentFileIndexFromTag(0, 3));
    EXPECT_FALSE(RecentFileIndexFromTag(INT32_MIN, 3));
    EXPECT_FALSE(RecentFileIndexFromTag(99, 0));
}

} // namespace
