#include "app/dialogs/OptionsFUnit.h"

#include "engine/FrameState.h"
#include "engine/Settings.h"
#include "formats/StandardServices.h"
#include "tests/support/TestPaths.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include "tests/app/DialogTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

using namespace quillet;
namespace fs = std::filesystem;

namespace {

using test::app;
using test::labelTexts;

bool runAndPress(OptionsDialogModel& m, std::function<void(TOptionsForm&)> act)
{
    return test::runAndPressDialog<TOptionsForm>(std::move(act), [&m] {
        TOptionsForm form;
        return ShowOptionsForm(form, m);
    });
}

FrameState startState()
{
    FrameState f = StandardFrameState();
    SetDefaultSettings(f);
    return f;
}

TEST(OptionsDialog, PagesTextsAndRanges)
{
    app();
    TOptionsForm f;
    EXPECT_EQ(f.windowTitle(), "Options");
    ASSERT_EQ(f.Pages->count(), 3);
    EXPECT_EQ(f.Pages->tabText(0), "General");
    EXPECT_EQ(f.Pages->tabText(1), "User information");
    EXPECT_EQ(f.Pages->tabText(2), "Save");
    const QStringList labels = labelTexts(f);
    for (const char* t : {"Quote characters", "Possible undo operations", "Size of list of last files", "minutes"})
        EXPECT_TRUE(labels.contains(t)) << t;
    EXPECT_EQ(f.helplinescheck->text(), "Gray help lines arround fields");
    EXPECT_EQ(f.NotPrintableGroup->title(), "Show not printable characters");
    EXPECT_EQ(f.tabcheck->text(), "Tab stop");
    EXPECT_EQ(f.leercheck->text(), "Space");
    EXPECT_EQ(f.absatzcheck->text(), "End of paragraph");
    EXPECT_EQ(f.AllCheck->text(), "All");
    EXPECT_EQ(f.AutoSaveCheck->text(), "Save recovery information every");
    EXPECT_EQ(f.BackUpCheck->text(), "Create .BAK file when saving");
    EXPECT_EQ(f.OkButton->text(), "OK");
    EXPECT_EQ(f.CancelButton->text(), "Cancel");
    ASSERT_EQ(f.ComboBox1->count(), 5);
    EXPECT_EQ(f.ComboBox1->itemText(0), "Neutral");
    EXPECT_EQ(f.ComboBox1->itemText(2), "Swiss German");
    EXPECT_EQ(f.ComboBox1->itemText(4), "English");

    EXPECT_EQ(f.UndoEd->minimum(), 1);
    EXPECT_EQ(f.UndoEd->maximum(), 1000);
    EXPECT_EQ(f.LastOpenEd->minimum(), 0);
    EXPECT_EQ(f.LastOpenEd->maximum(), 1000);
    EXPECT_EQ(f.SaveTimeEd->minimum(), 0);
    EXPECT_EQ(f.SaveTimeEd->maximum(), 1000);
    OptionsDialogModel outOfRange;
    outOfRange.UndoDepth = 0;
    outOfRange.RecentMax = 5000;
    outOfRange.AutoSaveMinutes = -4;
    f.setModel(outOfRange);
    EXPECT_EQ(f.model().UndoDepth, 1);
    EXPECT_EQ(f.model().RecentMax, 1000);
    EXPECT_EQ(f.model().AutoSaveMinutes, 0);
}

TEST(OptionsDialog, ModelInWidgetsModelOut)
{
    app();
    FrameState frame = startState();
    frame.Options.UserName = "J\xF6rg";  // o-umlaut in Windows-1252
    frame.Options.UserAddress = "Street 1\r\n12345 Town";
    frame.Options.ShowTab = 1;
    frame.Options.MakeBak = 1;
    const OptionsDialogModel in = OptionsDialogFromFrame(frame);

    TOptionsForm f;
    f.setModel(in);
    EXPECT_EQ(f.Edit1->text(), QString::fromUtf8("J\xC3\xB6rg"));
    EXPECT_EQ(f.Memo1->toPlainText(), "Street 1\n12345 Town");
    EXPECT_EQ(f.ComboBox1->currentIndex(), 4);
    EXPECT_TRUE(f.helplinescheck->isChecked());
    EXPECT_EQ(f.UndoEd->value(), 10);
    EXPECT_EQ(f.LastOpenEd->value(), 4);
    EXPECT_TRUE(f.tabcheck->isChecked());
    EXPECT_FALSE(f.AllCheck->isChecked());
    EXPECT_TRUE(f.AutoSaveCheck->isChecked());
    EXPECT_EQ(f.SaveTimeEd->value(), 8);
    EXPECT_TRUE(f.BackUpCheck->isChecked());
    EXPECT_EQ(f.model(), in);

    f.Memo1->setPlainText("A\nB\nC");
    f.ComboBox1->setCurrentIndex(-1);
    const OptionsDialogModel out = f.model();
    EXPECT_EQ(out.UserAddress, "A\r\nB\r\nC");
    EXPECT_EQ(out.QuoteStyle, -1);
    OptionsDialogApply(out, frame);
    EXPECT_EQ(frame.Options.QuoteStyle, 0);
}

TEST(OptionsDialog, OkTakesTheEditsOver)
{
    app();
    FrameState frame = startState();
    frame.RecentFiles = {"/4", "/3", "/2", "/1"};
    OptionsDialogModel m = OptionsDialogFromFrame(frame);
    ASSERT_TRUE(runAndPress(m, [](TOptionsForm& f) {
        f.Edit1->setText("Ann");
        f.Edit2->setText("AB");
        f.ComboBox1->setCurrentIndex(1);
        f.helplinescheck->setChecked(false);
        f.UndoEd->setValue(50);
        f.LastOpenEd->setValue(2);
        f.AllCheck->setChecked(true);
        f.AutoSaveCheck->setChecked(false);
        f.SaveTimeEd->setValue(0);
        f.BackUpCheck->setChecked(true);
        f.OkButton->click();
    }));
    OptionsDialogApply(m, frame);
    const FrameOptions& o = frame.Options;
    EXPECT_EQ(o.UserName, "Ann");
    EXPECT_EQ(o.UserInitials, "AB");
    EXPECT_EQ(o.QuoteStyle, 1);
    EXPECT_EQ(o.ShowHelpLines, 0);
    EXPECT_EQ(o.UndoDepth, 50);
    EXPECT_EQ(o.RecentFileCount, 2);
    EXPECT_EQ(o.ShowNonPrinting, 1);
    EXPECT_EQ(o.AutoSave, 0);
    EXPECT_EQ(o.AutoSaveMinutes, 0);
    EXPECT_EQ(AutoSaveIntervalMs(o), 0);
    EXPECT_EQ(o.MakeBak, 1);

    // Unchecking the guide lines is stored as HideHelpLines 1.
    const std::vector<uint8_t> image = EncodeSettings(frame);
    EXPECT_EQ(image[4 * 4 + 3 + 2 + 4], 1);
}

TEST(OptionsDialog, CancelChangesAndWritesNothing)
{
    app();
    const fs::path dir = test::outputDir() / "options-cancel";
    fs::remove_all(dir);
    fs::create_directories(dir);
    FrameState frame = startState();
    frame.ProgDir = dir;
    OptionsDialogModel m = OptionsDialogFromFrame(frame);
    const OptionsDialogModel before = m;
    // What the frame does: apply and save only after OK.
    if (runAndPress(m, [](TOptionsForm& f) {
            f.Edit1->setText("Changed");
            f.UndoEd->setValue(999);
            f.CancelButton->click();
        })) {
        OptionsDialogApply(m, frame);
        SaveSettings(frame, SettingsFilePath(frame));
    }
    EXPECT_EQ(m, before);
    EXPECT_EQ(frame.Options.UserName, "");
    EXPECT_EQ(frame.Options.UndoDepth, 10);
    EXPECT_FALSE(fs::exists(SettingsFilePath(frame)));
}

TEST(OptionsDialog, ApplyKeepsValuesInRange)
{
    FrameState frame = startState();
    OptionsDialogModel m = OptionsDialogFromFrame(frame);
    m.UndoDepth = 0;
    m.RecentMax = -1;
    m.AutoSaveMinutes = 1 << 30;
    m.QuoteStyle = 9;
    OptionsDialogApply(m, frame);
    EXPECT_EQ(frame.Options.UndoDepth, 1);
    EXPECT_EQ(frame.Options.RecentFileCount, 0);
    EXPECT_EQ(frame.Options.AutoSaveMinutes, 1000);
    EXPECT_EQ(frame.Options.QuoteStyle, 0);
    // A stored style the combo does not list shows as no selection.
    frame.Options.QuoteStyle = 12;
    EXPECT_EQ(OptionsDialogFromFrame(frame).QuoteStyle, -1);
}

} // namespace
