// The find and replace dialog and the spell-check dialog: each button closes
// with its result code and the dialog's state comes back in the model.

#include "app/dialogs/SearchFUnit.h"
#include "app/dialogs/SpellCheckFUnit.h"
#include "tests/app/DialogTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QKeyEvent>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace quillet;

namespace {

using test::app;

// Runs `show` while `act` works on the dialog once it is up.
template <class Form>
int32_t runAndAct(std::function<void(Form&)> act, const std::function<int32_t()>& show)
{
    QTimer::singleShot(0, [act] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* form = qobject_cast<Form*>(w); form && form->isVisible()) return act(*form);
        ADD_FAILURE() << "the dialog is not up";
    });
    return show();
}

TEST(SearchForm, ButtonsGiveTheirCodesAndTheStateComesBack)
{
    app();
    struct Case {
        int32_t page;
        std::function<QPushButton*(TSearchForm&)> button;
        int32_t code;
    };
    const std::vector<Case> cases = {
        {0, [](TSearchForm& f) { return f.FindAgain; }, SearchFormModel::kFindAgain},
        {1, [](TSearchForm& f) { return f.SearchAgain; }, SearchFormModel::kSearchAgain},
        {1, [](TSearchForm& f) { return f.ReplaceBtn; }, SearchFormModel::kReplace},
        {1, [](TSearchForm& f) { return f.ReplaceAllBtn; }, SearchFormModel::kReplaceAll},
        {2, [](TSearchForm& f) { return f.GoToBtn; }, SearchFormModel::kGoToPage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        SearchFormModel m;
        m.Page = c.page;
        m.Find1 = "gr\xfc\xdf";
        m.Opts[1].Back = 1;
        const int32_t got = runAndAct<TSearchForm>(
            [&](TSearchForm& f) {
                EXPECT_EQ(f.PageControl1->currentIndex(), c.page);
                EXPECT_EQ(f.finded1->text(), QString::fromUtf8("grüß"));
                EXPECT_TRUE(f.Checks[1][3]->isChecked());
                f.finded2->setText(QStringLiteral("new"));
                f.Checks[0][0]->setChecked(true);
                f.PageEd->setValue(7);
                c.button(f)->click();
            },
            [&] { return ShowSearchForm(nullptr, m); });
        EXPECT_EQ(got, c.code);
        EXPECT_EQ(m.Find2, "new");
        EXPECT_EQ(m.Opts[0].Caps, 1);
        EXPECT_EQ(m.PageNo, 7);
    }
    EXPECT_EQ(TSearchForm().Checks[0][2]->text(), "Start at begin of document ");
    EXPECT_EQ(TSearchForm().PageControl1->tabText(2), "&Gehe zu");
}

TEST(SpellCheckForm, EnterInTheBoxChangesWithItsText)
{
    app();
    SpellCheckModel m;
    m.Unknown = "teh";
    m.Suggestions = {"the", "ten"};
    m.Replacement = "teh";
    const int32_t got = runAndAct<TSpellCheckForm>(
        [](TSpellCheckForm& f) {
            EXPECT_EQ(f.unknowned->text(), "teh");
            EXPECT_EQ(f.vorschlagbox->count(), 2);
            f.vorschlagbox->setEditText(QStringLiteral("the"));
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(f.vorschlagbox->lineEdit(), &enter);
        },
        [&] { return ShowSpellCheckForm(nullptr, m); });
    EXPECT_EQ(got, SpellCheckModel::kChange);
    EXPECT_EQ(m.Replacement, "the");

    const int32_t learn = runAndAct<TSpellCheckForm>(
        [](TSpellCheckForm& f) { f.findChild<QPushButton*>(QStringLiteral("learnbtn"))->click(); },
        [&] { return ShowSpellCheckForm(nullptr, m); });
    EXPECT_EQ(learn, SpellCheckModel::kLearn);
}

} // namespace
