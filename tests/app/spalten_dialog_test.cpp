#include "app/dialogs/SpaltenFUnit.h"

#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include "tests/app/DialogTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace quillet;

namespace {

using test::app;
using test::labelTexts;

bool runAndPress(SpaltenDialogModel& m, std::function<void(TSpaltenForm&)> act)
{
    return test::runAndPressDialog<TSpaltenForm>(std::move(act), [&m] {
        TSpaltenForm form;
        return ShowSpaltenForm(form, m);
    });
}

TEST(SpaltenDialog, TextsAndDefaults)
{
    app();
    TSpaltenForm f;
    EXPECT_EQ(f.windowTitle(), "Columns");
    const QStringList labels = labelTexts(f);
    EXPECT_TRUE(labels.contains("Column count:"));
    EXPECT_TRUE(labels.contains("Space between columns:"));
    EXPECT_TRUE(labels.contains("cm"));
    EXPECT_EQ(f.linecheck->text(), "Lines between columns");
    EXPECT_EQ(f.OkButton->text(), "OK");
    EXPECT_EQ(f.CancelButton->text(), "Cancel");
    EXPECT_EQ(f.SpAnzEd->value(), 1);
    EXPECT_FALSE(f.linecheck->isChecked());
    EXPECT_DOUBLE_EQ(f.AbstEd->value(), 1.25);
    EXPECT_DOUBLE_EQ(f.AbstEd->singleStep(), 0.1);
}

TEST(SpaltenDialog, ModelInWidgetsModelOut)
{
    app();
    TSpaltenForm f;
    f.setModel({3, true, 0.8});
    EXPECT_EQ(f.SpAnzEd->value(), 3);
    EXPECT_TRUE(f.linecheck->isChecked());
    EXPECT_DOUBLE_EQ(f.AbstEd->value(), 0.8);

    f.SpAnzEd->setValue(4);
    f.linecheck->setChecked(false);
    f.AbstEd->stepBy(2);  // two steps of 0.1 cm
    const SpaltenDialogModel m = f.model();
    EXPECT_EQ(m.ColumnCount, 4);
    EXPECT_FALSE(m.Rule);
    EXPECT_NEAR(m.GapCm, 1.0, 1e-9);
}

TEST(SpaltenDialog, EditsStayInTheirRanges)
{
    app();
    TSpaltenForm f;
    f.setModel({0, false, -3});
    EXPECT_EQ(f.model().ColumnCount, 1);
    EXPECT_DOUBLE_EQ(f.model().GapCm, 0);
    f.setModel({11, false, 10.5});
    EXPECT_EQ(f.model().ColumnCount, 10);
    EXPECT_DOUBLE_EQ(f.model().GapCm, 10);
    f.SpAnzEd->stepBy(1);
    EXPECT_EQ(f.SpAnzEd->value(), 10);
}

TEST(SpaltenDialog, OkReturnsTheEditsCancelChangesNothing)
{
    app();
    SpaltenDialogModel m{2, false, 1.25};
    EXPECT_TRUE(runAndPress(m, [](TSpaltenForm& f) {
        EXPECT_EQ(f.SpAnzEd->value(), 2);
        f.SpAnzEd->setValue(5);
        f.linecheck->setChecked(true);
        f.AbstEd->setValue(0.5);
        f.OkButton->click();
    }));
    EXPECT_EQ(m.ColumnCount, 5);
    EXPECT_TRUE(m.Rule);
    EXPECT_DOUBLE_EQ(m.GapCm, 0.5);

    EXPECT_FALSE(runAndPress(m, [](TSpaltenForm& f) {
        f.SpAnzEd->setValue(9);
        f.CancelButton->click();
    }));
    EXPECT_EQ(m.ColumnCount, 5);
}

} // namespace
