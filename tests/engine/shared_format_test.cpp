// A line's paragraph format is a handle to a block shared by copies: what
// copying, writing and comparing do to it, across threads, and that the
// lines of a broken paragraph hold one block while formats still change
// line by line where the editing asks for it.

#include "engine/Childwin.h"
#include "platform/VirtualKeys.h"
#include "tests/support/TypingWindow.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using namespace quillet;

namespace {

AbsatzFormat indented(double left)
{
    AbsatzFormat f = DefaultAbsatzFormat();
    f.LeftIndent = left;
    f.Tabs.push_back(TabStop{20, 1, 2});
    f.BulletFace = "Symbol";
    return f;
}

TEST(SharedFormat, CopiesShareWritesCloneAndComparisonIsByValue)
{
    const SharedPara original(indented(5));
    const AbsatzFormat* block = &*original;

    struct Case {
        std::string name;
        void (*write)(SharedPara&);
        double left;
        size_t tabs;
    };
    const Case cases[] = {
        {"field", [](SharedPara& h) { h.edit().LeftIndent = 9; }, 9, 1},
        {"tab list", [](SharedPara& h) { h.edit().Tabs.clear(); }, 5, 0},
        {"whole value", [](SharedPara& h) { h = indented(7); }, 7, 1},
    };
    for (const Case& c : cases) {
        SharedPara copy = original;
        EXPECT_TRUE(copy.sharesWith(original)) << c.name;
        EXPECT_EQ(&*copy, block) << c.name;
        c.write(copy);
        // The written copy holds a block of its own; the original is untouched.
        EXPECT_FALSE(copy.sharesWith(original)) << c.name;
        EXPECT_EQ(copy->LeftIndent, c.left) << c.name;
        EXPECT_EQ(copy->Tabs.size(), c.tabs) << c.name;
        EXPECT_EQ(original->LeftIndent, 5) << c.name;
        EXPECT_EQ(original->Tabs.size(), 1u) << c.name;
        EXPECT_EQ(&*original, block) << c.name;
        // A handle holding its block alone writes it in place.
        const AbsatzFormat* own = &*copy;
        copy.edit().SpaceAbove = 1;
        EXPECT_EQ(&*copy, own) << c.name;
    }

    // Equal values in separate blocks are equal; sharing them keeps the first.
    SharedPara a(indented(3)), b(indented(3));
    EXPECT_FALSE(a.sharesWith(b));
    EXPECT_TRUE(a == b);
    EXPECT_TRUE(b.shareIfEqual(a));
    EXPECT_TRUE(b.sharesWith(a));
    b.edit().LeftIndent = 4;
    EXPECT_FALSE(a == b);
    EXPECT_FALSE(b.shareIfEqual(a));
    EXPECT_EQ(a->LeftIndent, 3);
    // A handle made without a value reads as a default-made format.
    EXPECT_TRUE(SharedPara() == AbsatzFormat{});
    SharedPara moved(std::move(a));
    EXPECT_TRUE(a == AbsatzFormat{});
    EXPECT_EQ(moved->LeftIndent, 3);
}

// Lines copied on several threads at once count their block right: once
// every copy is gone, the first handle holds it alone again and writes it
// in place. A lost count would clone it here (or free it early).
TEST(SharedFormat, CountsStayRightUnderConcurrentCopies)
{
    TextLine line;
    line.Para = indented(2);
    const AbsatzFormat* block = &*line.Para;
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&line] {
            for (int round = 0; round < 50; ++round) {
                std::vector<TextLine> copies(200, line);
                for (TextLine& c : copies) c = copies.front();
                EXPECT_TRUE(copies.back().Para.sharesWith(line.Para));
            }
        });
    for (std::thread& t : threads) t.join();
    line.Para.edit().LeftIndent = 3;
    EXPECT_EQ(&*line.Para, block);
}

class SharedParagraphLines : public test::TypingWindow {};

// A paragraph broken into lines holds one block; a new format for it
// reaches every line, undo brings the old one back, and a numbered list
// laid out again keeps its blocks.
TEST_F(SharedParagraphLines, ABrokenParagraphSharesOneFormatThroughEdits)
{
    type(words(40));
    key(VK_RETURN);
    type("next");
    std::vector<TextLine>& ls = w.Areas[0].Lines;
    ASSERT_GE(ls.size(), 4u);
    const size_t last = ls.size() - 1;
    auto shared = [&ls](size_t from, size_t to) {
        for (size_t i = from + 1; i <= to; ++i)
            if (!ls[i].Para.sharesWith(ls[from].Para)) return false;
        return true;
    };
    EXPECT_TRUE(shared(0, last - 1));

    // A new indent for the first paragraph only.
    w.Cursor = w.Anchor = TextPos{0, 1, 0};
    TMDIChild::AbsatzWert v = w.getabsatzformat();
    v.Para.LeftIndent = 10;
    w.MakeCopyForUndo("Paragraph format");
    w.setabsatzformat(v, true, false, false);
    w.RefreshDirtyContent();
    const size_t paraEnd = ls.size() - 2;
    EXPECT_TRUE(shared(0, paraEnd));
    for (size_t i = 0; i <= paraEnd; ++i) EXPECT_EQ(ls[i].Para->LeftIndent, 10) << i;
    EXPECT_EQ(ls.back().Para->LeftIndent, 0);
    EXPECT_EQ(text(ls.back()), "next");

    // Undo gives every line its old format back.
    w.RestoreCopyFromUndo(0);
    ASSERT_EQ(text(w.Areas[0].Lines.back()), "next");
    for (const TextLine& l : w.Areas[0].Lines) EXPECT_EQ(l.Para->LeftIndent, 0);

    // Numbered, and laid out again: a pass that finds the numbers right
    // writes none, so no block is cloned.
    w.Anchor = TextPos{0, 0, 0};
    w.Cursor = TextPos{0, int32_t(w.Areas[0].Lines.size()) - 1, 1};
    w.aufzaehlung(2);
    std::vector<TextLine>& nl = w.Areas[0].Lines;
    ASSERT_GE(nl.size(), 3u);
    EXPECT_EQ(nl.front().Para->ItemNumber, 1);
    EXPECT_EQ(nl.back().Para->ItemNumber, 2);
    std::vector<const AbsatzFormat*> blocks;
    for (const TextLine& l : nl) blocks.push_back(&*l.Para);
    layout();
    for (size_t i = 0; i < nl.size(); ++i) EXPECT_EQ(&*nl[i].Para, blocks[i]) << i;
}

} // namespace
