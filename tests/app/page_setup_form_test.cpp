#include "app/dialogs/PageSetupForm.h"

#include "engine/Childwin.h"
#include "formats/StandardServices.h"
#include "tests/app/DialogTestSupport.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TestPaths.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>

using namespace quillet;

namespace {

using test::app;
using test::labelTexts;

const std::vector<PaperFormat> kPapers = {{"Letter", 2159, 2794}, {"A4", 2100, 2970}, {"A5", 1480, 2100}};

// The model as the page setup command fills it for an A4 document.
TPageSetupForm a4Model()
{
    TPageSetupForm f;
    f.setPapers(kPapers);
    f.BreitEd = 21;
    f.HochEd = 29.7;
    f.ChoosePaperFormat();
    f.FormatBoxChange();
    f.TopEd = 2.5;
    f.LeftEd = 2;
    f.BottomEd = 2.45;
    f.RightEd = 1.8;
    f.HeadEd = 1.1;
    f.FootEd = 1.25;
    f.headfootmode = 2;
    return f;
}

QStringList items(const QComboBox& box)
{
    QStringList out;
    for (int i = 0; i < box.count(); ++i) out << box.itemText(i);
    return out;
}

bool runAndPress(TPageSetupForm& m, std::function<void(TPageSetupView&)> act)
{
    return test::runAndPressDialog<TPageSetupView>(std::move(act), [&m] { return ShowPageSetupForm(nullptr, m); });
}

// Types into a spin edit as a user would: the text replaced, then Enter.
void type(QDoubleSpinBox& e, const QString& text)
{
    QLineEdit* line = e.findChild<QLineEdit*>();
    ASSERT_NE(line, nullptr);
    line->selectAll();
    line->insert(text);
    e.interpretText();
}

TEST(PageSetupView, TextsAndRanges)
{
    app();
    TPageSetupForm m;
    m.setPapers({});
    TPageSetupView v(m);
    EXPECT_EQ(v.windowTitle(), "Page setup");
    const QStringList labels = labelTexts(v);
    for (const char* t : {"Format:", "Width:", "Height:", "cm", "top:", "Left:", "Bottom:", "Right:", "Header",
                          "Footer:", "Different header/footer for:"})
        EXPECT_TRUE(labels.contains(t)) << t;
    QStringList groups;
    for (const QGroupBox* g : v.findChildren<QGroupBox*>()) groups << g->title();
    EXPECT_EQ(groups, (QStringList{"Page margin", "Space from page margin"}));
    EXPECT_EQ(v.HochCheck->text(), "Portrait");
    EXPECT_EQ(v.QuerCheck->text(), "Landscape");
    EXPECT_EQ(items(*v.headfootmode),
              (QStringList{"Equal on all pages", "Page 1", "Even/odd pages", "Page 1 and even/odd pages"}));
    EXPECT_EQ(v.okbtn->text(), "&Ok");
    EXPECT_TRUE(v.okbtn->isDefault());
    EXPECT_EQ(v.cancelbtn->text(), "Cancel");
    // Without a paper list the format box holds only "User defined".
    EXPECT_EQ(items(*v.FormatBox), QStringList{"User defined"});
    EXPECT_TRUE(v.HochCheck->isChecked());
    for (const QDoubleSpinBox* e : {v.BreitEd, v.HochEd, v.TopEd, v.LeftEd, v.BottomEd, v.RightEd, v.HeadEd, v.FootEd}) {
        EXPECT_DOUBLE_EQ(e->minimum(), 0);
        EXPECT_DOUBLE_EQ(e->maximum(), 100);
        EXPECT_DOUBLE_EQ(e->singleStep(), 0.1);
        EXPECT_GE(e->decimals(), 2);
    }
}

TEST(PageSetupView, ShowsTheModel)
{
    app();
    TPageSetupForm m = a4Model();
    m.setPapers({{"A4", 2100, 2970}, {"Carte \xE9t\xE9", 1000, 1500}});
    m.ChoosePaperFormat();
    TPageSetupView v(m);
    EXPECT_EQ(items(*v.FormatBox), (QStringList{"A4", QString::fromUtf8("Carte \xC3\xA9t\xC3\xA9"), "User defined"}));
    EXPECT_EQ(v.FormatBox->currentText(), "A4");
    EXPECT_DOUBLE_EQ(v.BreitEd->value(), 21);
    EXPECT_DOUBLE_EQ(v.HochEd->value(), 29.7);
    EXPECT_TRUE(v.HochCheck->isChecked());
    EXPECT_FALSE(v.QuerCheck->isChecked());
    EXPECT_DOUBLE_EQ(v.TopEd->value(), 2.5);
    EXPECT_DOUBLE_EQ(v.LeftEd->value(), 2);
    EXPECT_DOUBLE_EQ(v.BottomEd->value(), 2.45);
    EXPECT_DOUBLE_EQ(v.RightEd->value(), 1.8);
    EXPECT_DOUBLE_EQ(v.HeadEd->value(), 1.1);
    EXPECT_DOUBLE_EQ(v.FootEd->value(), 1.25);
    EXPECT_EQ(v.headfootmode->currentText(), "Even/odd pages");
}

TEST(PageSetupView, OrientationAndPaperFollowTheControls)
{
    app();
    TPageSetupForm m = a4Model();
    TPageSetupView v(m);

    v.QuerCheck->click();
    EXPECT_DOUBLE_EQ(v.BreitEd->value(), 29.7);
    EXPECT_DOUBLE_EQ(v.HochEd->value(), 21);
    EXPECT_EQ(v.FormatBox->currentText(), "A4");
    EXPECT_TRUE(v.QuerCheck->isChecked());

    // Typing the portrait size selects A4 portrait again.
    type(*v.BreitEd, "21");
    type(*v.HochEd, "29.7");
    EXPECT_EQ(v.FormatBox->currentText(), "A4");
    EXPECT_TRUE(v.HochCheck->isChecked());
    EXPECT_FALSE(v.QuerCheck->isChecked());

    v.FormatBox->setCurrentIndex(2);  // A5
    EXPECT_DOUBLE_EQ(v.BreitEd->value(), 14.8);
    EXPECT_DOUBLE_EQ(v.HochEd->value(), 21);

    // A size that matches no paper is user defined; turning it keeps it.
    type(*v.HochEd, "12.5");
    EXPECT_EQ(v.FormatBox->currentText(), "User defined");
    EXPECT_TRUE(v.QuerCheck->isChecked());
    v.HochCheck->click();
    EXPECT_DOUBLE_EQ(v.BreitEd->value(), 12.5);
    EXPECT_DOUBLE_EQ(v.HochEd->value(), 14.8);
    EXPECT_EQ(v.FormatBox->currentText(), "User defined");

    // Choosing the orientation from the keyboard turns the paper as well.
    v.QuerCheck->setChecked(true);
    EXPECT_DOUBLE_EQ(v.BreitEd->value(), 14.8);
    EXPECT_DOUBLE_EQ(v.HochEd->value(), 12.5);

    // Stepping the width onto Letter's selects Letter.
    type(*v.BreitEd, "21.49");
    type(*v.HochEd, "27.94");
    v.BreitEd->stepBy(1);
    EXPECT_EQ(v.FormatBox->currentText(), "Letter");
}

TEST(PageSetupView, TypingIsNotRewrittenUnderTheCursor)
{
    app();
    TPageSetupForm m = a4Model();
    TPageSetupView v(m);
    QLineEdit* line = v.BreitEd->findChild<QLineEdit*>();
    ASSERT_NE(line, nullptr);
    line->selectAll();
    line->insert("2");
    line->insert("9");
    line->insert(".");
    line->insert("7");
    EXPECT_EQ(line->text(), "29.7");
    EXPECT_DOUBLE_EQ(v.BreitEd->value(), 29.7);
    EXPECT_EQ(v.FormatBox->currentText(), "User defined");
    line->insert("1");  // 29.71 cm: wider than high
    EXPECT_EQ(line->text(), "29.71");
    EXPECT_TRUE(v.QuerCheck->isChecked());
}

TEST(PageSetupView, OkReturnsTheEditsCancelChangesNothing)
{
    app();
    TPageSetupForm m = a4Model();
    const TPageSetupForm before = m;
    EXPECT_FALSE(runAndPress(m, [](TPageSetupView& v) {
        v.QuerCheck->click();
        v.TopEd->setValue(4);
        v.cancelbtn->click();
    }));
    EXPECT_DOUBLE_EQ(m.BreitEd, before.BreitEd);
    EXPECT_DOUBLE_EQ(m.TopEd, before.TopEd);
    EXPECT_EQ(m.QuerCheck, 0);

    EXPECT_TRUE(runAndPress(m, [](TPageSetupView& v) {
        v.FormatBox->setCurrentIndex(0);  // Letter
        v.QuerCheck->click();
        v.TopEd->setValue(3);
        v.LeftEd->setValue(2.2);
        v.BottomEd->setValue(1.5);
        v.RightEd->setValue(2.75);
        v.HeadEd->setValue(1.2);
        v.FootEd->setValue(0.9);
        v.headfootmode->setCurrentIndex(3);
        v.okbtn->click();
    }));
    EXPECT_EQ(m.FormatIndex, 0);
    EXPECT_DOUBLE_EQ(m.BreitEd, 27.94);
    EXPECT_DOUBLE_EQ(m.HochEd, 21.59);
    EXPECT_EQ(m.QuerCheck, 1);
    EXPECT_EQ(m.HochCheck, 0);
    EXPECT_DOUBLE_EQ(m.TopEd, 3);
    EXPECT_DOUBLE_EQ(m.LeftEd, 2.2);
    EXPECT_DOUBLE_EQ(m.BottomEd, 1.5);
    EXPECT_DOUBLE_EQ(m.RightEd, 2.75);
    EXPECT_DOUBLE_EQ(m.HeadEd, 1.2);
    EXPECT_DOUBLE_EQ(m.FootEd, 0.9);
    EXPECT_EQ(m.headfootmode, 3);
}

// The edits show two places and 0..100 cm; a value they cannot show must
// not change just because the dialog was confirmed.
TEST(PageSetupView, UntouchedValuesSurviveOk)
{
    app();
    TPageSetupForm m = a4Model();
    m.TopEd = 1.2345;
    m.BottomEd = 2.00025;  // 1134 twips
    m.HochEd = 120;        // taller than the edits go
    m.LeftEd = -1;
    m.headfootmode = 9;
    m.ChoosePaperFormat();
    const TPageSetupForm before = m;
    EXPECT_TRUE(runAndPress(m, [](TPageSetupView& v) {
        EXPECT_DOUBLE_EQ(v.TopEd->value(), 1.23);
        EXPECT_DOUBLE_EQ(v.HochEd->value(), 100);
        EXPECT_DOUBLE_EQ(v.LeftEd->value(), 0);
        EXPECT_EQ(v.headfootmode->currentIndex(), 0);
        EXPECT_EQ(v.FormatBox->currentText(), "User defined");
        v.RightEd->setValue(3);
        v.okbtn->click();
    }));
    EXPECT_EQ(m.TopEd, before.TopEd);
    EXPECT_EQ(m.BottomEd, before.BottomEd);
    EXPECT_EQ(m.HochEd, before.HochEd);
    EXPECT_EQ(m.LeftEd, before.LeftEd);
    EXPECT_DOUBLE_EQ(m.RightEd, 3);
    EXPECT_EQ(m.headfootmode, 0);

    // Not a number shows as the lowest value.
    TPageSetupForm n = a4Model();
    n.FootEd = std::numeric_limits<double>::quiet_NaN();
    n.FormatIndex = 17;
    TPageSetupView v(n);
    EXPECT_DOUBLE_EQ(v.FootEd->value(), 0);
    EXPECT_EQ(v.FormatBox->currentText(), "User defined");
}

// The frame keeps one view for the whole run and shows each model in it.
TEST(PageSetupView, AViewKeptForTheRunShowsEachModelAfresh)
{
    app();
    TPageSetupForm m = a4Model();
    TPageSetupView v(m);
    QLineEdit* line = v.TopEd->findChild<QLineEdit*>();
    ASSERT_NE(line, nullptr);
    line->selectAll();
    line->insert("");  // left empty when the dialog was closed
    v.QuerCheck->click();

    m = a4Model();
    m.setPapers({{"B5", 1760, 2500}, {"A4", 2100, 2970}, {"A5", 1480, 2100}});
    m.ChoosePaperFormat();
    v.showModel();
    EXPECT_EQ(items(*v.FormatBox), (QStringList{"B5", "A4", "A5", "User defined"}));
    EXPECT_EQ(v.FormatBox->currentText(), "A4");
    EXPECT_TRUE(v.HochCheck->isChecked());
    EXPECT_DOUBLE_EQ(v.BreitEd->value(), 21);
    EXPECT_EQ(v.TopEd->cleanText(), v.TopEd->textFromValue(2.5));
}

TEST(PageSetupView, InvalidTextIsRefused)
{
    app();
    TPageSetupForm m = a4Model();
    TPageSetupView v(m);
    type(*v.TopEd, "abc");
    EXPECT_DOUBLE_EQ(v.TopEd->value(), 2.5);
    type(*v.TopEd, "250");
    EXPECT_LE(v.TopEd->value(), 100);
    type(*v.TopEd, "-3");
    EXPECT_GE(v.TopEd->value(), 0);
}

// The command with the Qt dialog: confirming without edits keeps the
// document's geometry.
TEST(PageSetupView, ThePageSetupCommandThroughTheDialog)
{
    app();
    test::RecordingHost host;
    test::RecordingUi ui;
    FrameState frame = StandardFrameState();
    frame.ProgDir = test::programDir();
    auto w = std::make_unique<TMDIChild>(frame);
    w->setHost(&host);
    w->setFrameUi(&ui);
    w->FormCreate();
    w->Areas[0].InnerTop = 23.45;
    w->Areas[0].InnerLeft = 20.0025;
    w->PageSetup(0);
    const double top = w->Areas[0].InnerTop;
    const double left = w->Areas[0].InnerLeft;
    const double header = w->Areas[1].Bottom;

    ui.pageSetup = [](TPageSetupForm& f) {
        return runAndPress(f, [](TPageSetupView& v) { v.okbtn->click(); });
    };
    w->PageSetup(1);
    EXPECT_DOUBLE_EQ(w->Areas[0].InnerTop, top);
    EXPECT_DOUBLE_EQ(w->Areas[0].InnerLeft, left);
    EXPECT_DOUBLE_EQ(w->Areas[1].Bottom, header);
    EXPECT_DOUBLE_EQ(w->PageWidth, 210);

    ui.pageSetup = [](TPageSetupForm& f) {
        return runAndPress(f, [](TPageSetupView& v) {
            v.QuerCheck->click();
            v.TopEd->setValue(1);
            v.HeadEd->setValue(1.5);
            v.okbtn->click();
        });
    };
    w->PageSetup(1);
    EXPECT_DOUBLE_EQ(w->PageWidth, 297);
    EXPECT_DOUBLE_EQ(w->PageHeight, 210);
    EXPECT_DOUBLE_EQ(w->Areas[0].InnerTop, 15);
    EXPECT_DOUBLE_EQ(w->Areas[1].Bottom, 14.5);
    EXPECT_DOUBLE_EQ(w->Areas[0].InnerLeft, left);
}

} // namespace
