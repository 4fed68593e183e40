#include "app/dialogs/UserDictFUnit.h"

#include <QApplication>
#include <QListWidget>
#include <gtest/gtest.h>

using namespace quillet;

namespace {

int argc = 1;
char arg0[] = "quillet-test";
char* argv[] = {arg0, nullptr};

QApplication& app()
{
    static QApplication a(argc, argv);
    return a;
}

TEST(UserDictDialog, DeletesSelectedLinesAndKeepsTheRestInOrder)
{
    app();
    TUserDictForm form;
    // "Müller" is Windows-1252 (0xFC) and must come back unchanged.
    form.setWords({"Quillet", "M\xFCller", "foo", "bar", "baz"});
    ASSERT_EQ(form.ListBox1->count(), 5);
    form.ListBox1->item(0)->setSelected(true);
    form.ListBox1->item(2)->setSelected(true);
    form.ListBox1->item(4)->setSelected(true);
    form.DelBtnClick();
    EXPECT_EQ(form.words(), (std::vector<std::string>{"M\xFCller", "bar"}));
}

TEST(UserDictDialog, DeletingEverythingLeavesAnEmptyList)
{
    app();
    TUserDictForm form;
    form.setWords({"a", "b"});
    form.ListBox1->selectAll();
    form.DelBtnClick();
    EXPECT_TRUE(form.words().empty());
}

} // namespace
