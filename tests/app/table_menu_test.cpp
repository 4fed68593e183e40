// The frame's Table menu offscreen: its items and their enabling by the
// caret, and the table dialogs driven through their widgets.

#include "app/Main.h"
#include "app/dialogs/InsertTableFUnit.h"
#include "app/dialogs/TableCellFUnit.h"
#include "engine/Childwin.h"
#include "engine/DocWalk.h"
#include "tests/app/DialogTestSupport.h"
#include "tests/app/FrameTestSupport.h"
#include "tests/support/TestPaths.h"

#include <QAction>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

using namespace quillet;

namespace {

namespace fs = std::filesystem;

using test::app;

struct Boxes : MessageBoxes {
    std::vector<std::string> texts;
    MsgResult show(std::string_view text, std::string_view, MsgIcon, MsgButtons) override
    {
        texts.emplace_back(text);
        return MsgResult::Ok;
    }
};

class TableMenu : public ::testing::Test {
protected:
    void SetUp() override
    {
        frame = test::startTestFrame("table-menu", boxes, printer, dir);
    }
    void TearDown() override { frame.reset(); }

    QAction* action(const char* name) { return frame->findChild<QAction*>(QString::fromLatin1(name)); }
    TMDIChild& doc() { return *frame->ActiveMDIChild(); }
    int32_t cells()
    {
        int32_t n = 0;
        for (const TextLine& l : doc().Areas[size_t(doc().Cursor.Area)].Lines) n += l.IsCell;
        return n;
    }
    // Which of the table items are enabled, after the menu's opening handler.
    std::vector<bool> enabled()
    {
        frame->Tabelle1Click();
        std::vector<bool> out;
        for (const char* n : kItems) out.push_back(action(n)->isEnabled());
        return out;
    }
    template <class View>
    void runDialog(const char* item, std::function<void(View&)> act)
    {
        test::runAndPressDialog<View>(std::move(act), [&] {
            action(item)->trigger();
            return true;
        });
    }

    static constexpr const char* kItems[] = {"Tabelleeinfgen1", "Zeileeinfgen1", "Zeileanhngen1",
                                             "Zeilenlschen1", "Spalteneinfgen1", "Spaltenanhngen1",
                                             "Spaltenlschen1", "Zellenlschen1", "Tabelleteilen1",
                                             "Spaltengleichmigverteilen1", "Zellenformatieren1"};
    fs::path dir;
    Boxes boxes;
    PrinterInfo printer;
    std::unique_ptr<TMainForm> frame;
};

TEST_F(TableMenu, ItemsFollowTheCaretAndRunTheirDialogs)
{
    QMenu* menu = frame->tableMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->title(), QStringLiteral("Tab&le"));
    for (const char* name : kItems) EXPECT_TRUE(menu->actions().contains(action(name))) << name;
    ASSERT_NE(frame->ActiveMDIChild(), nullptr);
    std::vector<bool> outside(std::size(kItems), false);
    outside[0] = true;
    EXPECT_EQ(enabled(), outside);

    runDialog<TInsertTableView>("Tabelleeinfgen1", [](TInsertTableView& v) {
        EXPECT_EQ(v.windowTitle(), QStringLiteral("Insert table"));
        EXPECT_EQ(v.ColAnzEd->value(), 2);
        EXPECT_EQ(v.RowAnzEd->maximum(), 10000);
        v.ColAnzEd->setValue(3);
        v.OkButton->click();
    });
    EXPECT_EQ(cells(), 6);
    std::vector<bool> inside(std::size(kItems), true);
    inside[0] = false;
    EXPECT_EQ(enabled(), inside);

    runDialog<TInsertTableLinesView>("Zeileeinfgen1", [](TInsertTableLinesView& v) {
        EXPECT_EQ(v.windowTitle(), QStringLiteral("Insert rows"));
        EXPECT_TRUE(v.RadioButton1->isChecked());
        v.CountEd->setValue(2);
        v.RadioButton2->setChecked(true);
        v.OkButton->click();
    });
    EXPECT_EQ(cells(), 12);
    runDialog<TInsertTableLinesView>("Spalteneinfgen1", [](TInsertTableLinesView& v) {
        EXPECT_EQ(v.windowTitle(), QString::fromUtf8("Spalten einfügen"));
        EXPECT_TRUE(test::labelTexts(v).contains(QStringLiteral("Number of rows:")));
        EXPECT_EQ(v.RadioButton2->text(), QStringLiteral("Insert behind current row"));
        v.CountEd->setValue(1);
        v.OkButton->click();
    });
    EXPECT_EQ(cells(), 16);

    // "Without" through the cell dialog takes every border of the cell off.
    runDialog<TTableCellView>("Zellenformatieren1", [](TTableCellView& v) {
        EXPECT_EQ(v.windowTitle(), QStringLiteral("Table cells"));
        // One cell: its four borders are the outer edges; no cell has inner lines.
        for (int n : {csTop, csBottom, csLeft, csRight}) EXPECT_TRUE(v.SpeedButtons[size_t(n - 1)]->isChecked());
        v.BitBtns[0]->click();
        for (QToolButton* b : v.SpeedButtons) EXPECT_FALSE(b->isChecked());
        v.OkButton->click();
    });
    const TextLine* cell = lineAt(doc(), doc().Cursor);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->Design.BorderOn, (std::array<uint8_t, 4>{0, 0, 0, 0}));

    action("Spaltenlschen1")->trigger();
    action("Zeilenlschen1")->trigger();
    EXPECT_EQ(cells(), 9);
    action("Gitternetzlinien1")->trigger();
    EXPECT_EQ(doc().Frame.GridLines, 0);
    EXPECT_TRUE(boxes.texts.empty()) << (boxes.texts.empty() ? "" : boxes.texts[0]);
}

TEST_F(TableMenu, ADrawingObjectDisablesEveryItem)
{
    TMDIChild& w = doc();
    TextArea shape = w.Areas[size_t(w.Cursor.Area)];
    shape.AreaType = atRectangle;
    shape.PrevInFlow = shape.NextInFlow = -1;
    w.Areas.push_back(shape);
    w.Cursor = w.Anchor = TextPos{w.AreaCount() - 1, 0, 0};
    EXPECT_EQ(enabled(), std::vector<bool>(std::size(kItems), false));
}

TEST(TableCellView, APreviewClickTogglesItsButton)
{
    app();
    TTableCellForm model;
    model.LineWidth = 1.5;
    TTableCellView view;
    view.resize(400, 300);
    view.bind(model);
    view.show();
    const int h = view.PaintBox1->height();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(3, h / 2.0), view.PaintBox1->mapToGlobal(QPointF(3, h / 2.0)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.PaintBox1, &press);
    EXPECT_TRUE(model.Down[csLeft - 1]);
    EXPECT_TRUE(view.SpeedButtons[csLeft - 1]->isChecked());
    EXPECT_EQ(model.slot(csLeft).Width, 1.5);
    EXPECT_EQ(model.slot(csLeft).Set, 1);
    // A button click does the same through the widget.
    view.SpeedButtons[csTop - 1]->click();
    EXPECT_TRUE(model.Down[csTop - 1]);
    EXPECT_EQ(model.slot(csTop).On, 1);
    view.BitBtns[6]->click();  // "Very thick"
    EXPECT_EQ(model.LineWidth, 3.0);
    EXPECT_DOUBLE_EQ(view.LineStarkEd->value(), 3.0);
}

} // namespace
