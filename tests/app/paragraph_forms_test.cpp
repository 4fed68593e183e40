// The paragraph, tab stop and numbering dialogs offscreen (fill, change,
// OK, Cancel), and the frame's paragraph menu items and toolbar buttons.

#include "app/Main.h"
#include "app/dialogs/AbsatzFUnit.h"
#include "app/dialogs/NummerierungFUnit.h"
#include "app/dialogs/SonderzeichenFUnit.h"
#include "app/dialogs/TabulatorFUnit.h"
#include "engine/Childwin.h"
#include "tests/app/DialogTestSupport.h"
#include "tests/support/TestPaths.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

using namespace quillet;

namespace {

using test::labelTexts;

using test::app;

struct RecordingBoxes : MessageBoxes {
    std::vector<std::string> texts;
    RecordingBoxes() { setMessageBoxes(this); }
    ~RecordingBoxes() override { setMessageBoxes(nullptr); }
    MsgResult show(std::string_view text, std::string_view, MsgIcon, MsgButtons) override
    {
        texts.emplace_back(text);
        return MsgResult::Ok;
    }
};

QStringList items(const QComboBox& box)
{
    QStringList out;
    for (int i = 0; i < box.count(); ++i) out << box.itemText(i);
    return out;
}

QStringList items(const QListWidget& list)
{
    QStringList out;
    for (int i = 0; i < list.count(); ++i) out << list.item(i)->text();
    return out;
}

QStringList buttonTexts(const QButtonGroup& group)
{
    QStringList out;
    for (int id = 0; QAbstractButton* b = group.button(id); ++id) out << b->text();
    return out;
}

// Types into a spin edit as a user would.
void typeInto(QDoubleSpinBox& e, const QString& text)
{
    QLineEdit* line = e.findChild<QLineEdit*>();
    ASSERT_NE(line, nullptr);
    line->selectAll();
    line->insert(text);
}

AbsatzFormat paragraph(uint8_t mode, double spacing)
{
    AbsatzFormat p = DefaultAbsatzFormat();
    p.LineSpacingMode = mode;
    p.LineSpacing = spacing;
    p.LeftIndent = 12.345678;
    p.SpaceAbove = 3;
    return p;
}

// ---- Paragraph dialog -------------------------------------------------------------

TEST(AbsatzForm, TextsItemsAndRanges)
{
    app();
    TAbsatzForm f;
    EXPECT_EQ(f.windowTitle(), "Paragraph format");
    EXPECT_EQ(items(*f.Ausricht), (QStringList{"Left", "Center", "Right", "Left and Right"}));
    EXPECT_EQ(items(*f.Zeilenabt), (QStringList{"Single line spaceing", "1.5 x line spacing", "Double line spacing",
                                                "Minimum", "Exactly", "Multiple"}));
    EXPECT_FALSE(f.Ausricht->isEditable());
    EXPECT_FALSE(f.Zeilenabt->isEditable());
    EXPECT_DOUBLE_EQ(f.massed->minimum(), 0);
    EXPECT_DOUBLE_EQ(f.massed->maximum(), 1000);
    EXPECT_DOUBLE_EQ(f.massed->singleStep(), 0.5);
    for (QDoubleSpinBox* e : {f.aboben, f.abunten}) {
        EXPECT_DOUBLE_EQ(e->minimum(), 0);
        EXPECT_DOUBLE_EQ(e->maximum(), 1000);
        EXPECT_DOUBLE_EQ(e->singleStep(), 0.1);
    }
    for (QDoubleSpinBox* e : {f.ezlinks, f.ezrechts, f.ezlinksfl}) EXPECT_LT(e->minimum(), -1000);
    EXPECT_EQ(f.OkButton->text(), "OK");
    EXPECT_EQ(f.CancelButton->text(), "Cancel");
}

TEST(AbsatzForm, FillChangeOkAndCancel)
{
    app();
    TAbsatzForm form;
    AbsatzDialogModel m = AbsatzDialogFromFormat(paragraph(0, 1.2), 150);
    EXPECT_TRUE(test::runAndPressDialog<TAbsatzForm>(
        [](TAbsatzForm& f) {
            EXPECT_EQ(f.Zeilenabt->currentText(), "Multiple");
            EXPECT_DOUBLE_EQ(f.massed->value(), 1.2);
            EXPECT_EQ(f.Label4->text(), "lines");
            // Typing 2 picks "Double line spacing".
            typeInto(*f.massed, "2");
            EXPECT_EQ(f.Zeilenabt->currentText(), "Double line spacing");
            // "Minimum" keeps the value, in millimetres.
            f.Zeilenabt->setCurrentIndex(3);
            EXPECT_EQ(f.Label4->text(), "mm");
            f.massed->setValue(5.5);
            EXPECT_EQ(f.Zeilenabt->currentIndex(), 3);
            f.Ausricht->setCurrentIndex(1);
            f.ezrechts->setValue(1.5);
            f.OkButton->click();
        },
        [&] { return ShowAbsatzForm(form, m); }));
    EXPECT_EQ(m.Ausricht, 1);
    EXPECT_EQ(m.Zeilenabt, 3);
    EXPECT_DOUBLE_EQ(m.massed, 5.5);
    EXPECT_DOUBLE_EQ(m.ezrechts, 1.5);
    // Left alone: the exact value, not the edit's two places.
    EXPECT_DOUBLE_EQ(m.ezlinks, 1.2345678);
    EXPECT_DOUBLE_EQ(m.aboben, 0.3);

    // The form lives on: the next paragraph shows its own unit, and Cancel
    // hands nothing back.
    AbsatzDialogModel again = AbsatzDialogFromFormat(paragraph(0, 1.0), 150);
    const AbsatzDialogModel before = again;
    EXPECT_FALSE(test::runAndPressDialog<TAbsatzForm>(
        [](TAbsatzForm& f) {
            EXPECT_EQ(f.Zeilenabt->currentIndex(), 0);
            EXPECT_EQ(f.Label4->text(), "lines");
            f.Ausricht->setCurrentIndex(3);
            f.CancelButton->click();
        },
        [&] { return ShowAbsatzForm(form, again); }));
    EXPECT_EQ(again.Ausricht, before.Ausricht);
}

TEST(AbsatzForm, IndentsWithoutRoomKeepTheDialogOpen)
{
    app();
    RecordingBoxes boxes;
    TAbsatzForm form;
    AbsatzDialogModel m = AbsatzDialogFromFormat(DefaultAbsatzFormat(), 100);
    EXPECT_FALSE(test::runAndPressDialog<TAbsatzForm>(
        [&](TAbsatzForm& f) {
            f.ezlinks->setValue(9.8);
            f.OkButton->click();
            EXPECT_TRUE(f.isVisible());
            EXPECT_EQ(boxes.texts.size(), 1u);
            f.CancelButton->click();
        },
        [&] { return ShowAbsatzForm(form, m); }));
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], "The indents leave too little room for the text (the text is 10 cm wide).");
    EXPECT_DOUBLE_EQ(m.ezlinks, 0);
}

// ---- Tab stop dialog -------------------------------------------------------------

TabulatorDialogModel tabModel()
{
    AbsatzFormat p = DefaultAbsatzFormat();
    p.Tabs = {TabStop{10, 1, 0}, TabStop{50, 2, 3}};
    return TabulatorDialogFromFormat(p, 150, '.');
}

TEST(TabulatorForm, TextsAndRanges)
{
    app();
    TTabulatorForm f;
    EXPECT_EQ(f.windowTitle(), "Tab stops");
    const QStringList labels = labelTexts(f);
    EXPECT_TRUE(labels.contains("Tab stop position (cm):"));
    EXPECT_TRUE(labels.contains("Standard tab stop:"));
    EXPECT_EQ(f.RadioGroup1->title(), "Justify");
    EXPECT_EQ(buttonTexts(*f.RadioGroup1Buttons), (QStringList{"Left", "Center", "Right", "Decimal separator"}));
    EXPECT_EQ(f.RadioGroup2->title(), "Fill character");
    EXPECT_EQ(buttonTexts(*f.RadioGroup2Buttons), (QStringList{"1) none", "2) --------", "3) ........", "4) ____"}));
    EXPECT_EQ(f.AddBtn->text(), "Set");
    EXPECT_EQ(f.DelBtn->text(), "Delete");
    EXPECT_EQ(f.DelAllBtn->text(), "Delete all");
    EXPECT_DOUBLE_EQ(f.StTabEd->minimum(), 0.02);
    EXPECT_DOUBLE_EQ(f.StTabEd->maximum(), 100);
    EXPECT_DOUBLE_EQ(f.StTabEd->singleStep(), 0.1);
}

TEST(TabulatorForm, SetChooseDeleteAndOk)
{
    app();
    RecordingBoxes boxes;
    TTabulatorForm form;
    TabulatorDialogModel m = tabModel();
    EXPECT_TRUE(test::runAndPressDialog<TTabulatorForm>(
        [&](TTabulatorForm& f) {
            EXPECT_EQ(items(*f.ComboBox1List), (QStringList{"1", "5"}));
            EXPECT_EQ(f.ComboBox1List->currentRow(), 0);
            EXPECT_EQ(f.ComboBox1Edit->text(), "1");
            // A refused position changes nothing.
            f.ComboBox1Edit->setText("abc");
            f.AddBtn->click();
            EXPECT_EQ(boxes.texts.size(), 1u);
            EXPECT_EQ(items(*f.ComboBox1List), (QStringList{"1", "5"}));
            // Typing leaves no position chosen; the choices go to the new stop.
            f.ComboBox1Edit->clear();
            f.ComboBox1Edit->insert("2.5");
            EXPECT_EQ(f.ComboBox1List->currentRow(), -1);
            f.RadioGroup1Buttons->button(3)->click();
            f.RadioGroup2Buttons->button(2)->click();
            f.AddBtn->click();
            EXPECT_EQ(items(*f.ComboBox1List), (QStringList{"1", "2.5", "5"}));
            // Choosing a position shows its kind and fill character.
            f.ComboBox1List->setCurrentRow(2);
            EXPECT_EQ(f.ComboBox1Edit->text(), "5");
            EXPECT_EQ(f.RadioGroup1Buttons->checkedId(), 2);
            EXPECT_EQ(f.RadioGroup2Buttons->checkedId(), 3);
            f.ComboBox1List->setCurrentRow(0);
            f.DelBtn->click();
            EXPECT_EQ(items(*f.ComboBox1List), (QStringList{"2.5", "5"}));
            f.StTabEd->setValue(2);
            f.OkButton->click();
        },
        [&] { return ShowTabulatorForm(form, m); }));
    AbsatzFormat p = DefaultAbsatzFormat();
    TabulatorDialogApply(m, p);
    EXPECT_EQ(p.Tabs, (std::vector<TabStop>{TabStop{25, 3, 2}, TabStop{50, 2, 3}}));
    EXPECT_DOUBLE_EQ(p.DefaultTabStep, 20);

    // The radio groups keep their last choice (what the stop at 1 cm showed
    // before it went); Cancel hands nothing back.
    TabulatorDialogModel again = tabModel();
    EXPECT_FALSE(test::runAndPressDialog<TTabulatorForm>(
        [](TTabulatorForm& f) {
            EXPECT_EQ(f.RadioGroup1Buttons->checkedId(), 1);
            EXPECT_EQ(f.RadioGroup2Buttons->checkedId(), 0);
            f.DelAllBtn->click();
            EXPECT_EQ(f.ComboBox1List->count(), 0);
            f.CancelButton->click();
        },
        [&] { return ShowTabulatorForm(form, again); }));
    EXPECT_EQ(again.Items.size(), 2u);
}

// ---- Numbering dialog ---------------------------------------------------------------

TEST(NummerierungForm, FillChooseCharacterOkAndCancel)
{
    app();
    TNummerierungForm form;
    EXPECT_EQ(form.windowTitle(), "Numeration");
    EXPECT_EQ(form.KindGroup->title(), "Kind");
    EXPECT_EQ(form.RadioButton1->text(), "No");
    EXPECT_EQ(form.RadioButton3->text(), "List");
    EXPECT_EQ(form.RadioButton2->text(), "Numeration");
    EXPECT_EQ(form.SpeedButton1->toolTip(), "Zeichentabelle");
    const QStringList labels = labelTexts(form);
    EXPECT_TRUE(labels.contains("Padding:"));
    EXPECT_TRUE(labels.contains("Character for list:"));
    EXPECT_DOUBLE_EQ(form.AufzEzEd->minimum(), 0.0001);
    EXPECT_DOUBLE_EQ(form.AufzEzEd->maximum(), 100);

    AbsatzFormat p = DefaultAbsatzFormat();
    p.ListKind = 2;
    NummerierungDialogModel m = NummerierungDialogFromFormat(p, 150);
    // Without a character table the button is off.
    EXPECT_FALSE(test::runAndPressDialog<TNummerierungForm>(
        [](TNummerierungForm& f) {
            EXPECT_FALSE(f.SpeedButton1->isEnabled());
            EXPECT_TRUE(f.RadioButton2->isChecked());
            EXPECT_EQ(f.edit1Font(), "Wingdings");
            EXPECT_EQ(f.Edit1->text(), QString(QChar(0x178)));  // 159 in the code page
            f.RadioButton1->setChecked(true);
            f.CancelButton->click();
        },
        [&] { return ShowNummerierungForm(form, m); }));
    EXPECT_EQ(m.Kind, 2);

    std::string presetFace;
    int presetCode = -1;
    form.chooseCharacter = [&](std::string& face, uint8_t& code) {
        presetFace = face;
        presetCode = code;
        face = "Liberation Serif";
        code = 0xB7;
        return true;
    };
    EXPECT_TRUE(test::runAndPressDialog<TNummerierungForm>(
        [](TNummerierungForm& f) {
            ASSERT_TRUE(f.SpeedButton1->isEnabled());
            f.SpeedButton1->click();
            EXPECT_EQ(f.Edit1->text(), QString(QChar(0xB7)));
            EXPECT_EQ(f.Edit1->font().family(), "Liberation Serif");
            f.RadioButton3->setChecked(true);
            f.AufzEzEd->setValue(1);
            f.OkButton->click();
        },
        [&] { return ShowNummerierungForm(form, m); }));
    EXPECT_EQ(presetFace, "Wingdings");
    EXPECT_EQ(presetCode, 159);
    NummerierungDialogApply(m, p);
    EXPECT_EQ(p.ListKind, 1);
    EXPECT_EQ(p.BulletChar, 0xB7);
    EXPECT_EQ(p.BulletFace, std::optional<std::string>("Liberation Serif"));
    EXPECT_DOUBLE_EQ(p.ListIndent, 10);
}

// ---- The frame -------------------------------------------------------------------------

namespace fs = std::filesystem;

class FrameParagraph : public ::testing::Test {
protected:
    void SetUp() override
    {
        app();
        dir = test::outputDir() / "frame-paragraph" / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(dir);
        fs::create_directories(dir);
        for (const char* name : {"normal.qdm", "german.spe"})
            if (fs::exists(test::programDir() / name)) fs::create_symlink(test::programDir() / name, dir / name);
        TMainForm::StartOptions o;
        o.ProgDir = dir;
        o.RegisterFileType = false;
        o.Boxes = &boxes;
        o.Printer = &printer;
        frame = std::make_unique<TMainForm>(std::move(o));
    }
    void TearDown() override { frame.reset(); }

    QAction* action(const char* name) { return frame->findChild<QAction*>(QString::fromLatin1(name)); }

    TMDIChild& document()
    {
        frame->show();
        TMDIChild* w = frame->ActiveMDIChild();
        EXPECT_NE(w, nullptr);
        return *w;
    }

    const AbsatzFormat& cursorParagraph(TMDIChild& w)
    {
        return w.Areas[size_t(w.Cursor.Area)].Lines[size_t(w.Cursor.Line)].Para;
    }

    fs::path dir;
    RecordingBoxes boxes;
    PrinterInfo printer;
    std::unique_ptr<TMainForm> frame;
};

TEST_F(FrameParagraph, MenuItemsAndButtonsCarryTheirCaptions)
{
    struct Item {
        const char* name;
        const char* text;
    };
    const Item menu[] = {{"Absatz1", "&Paragraph..."},
                         {"Tabulator1", "&Tab stops..."},
                         {"NummerierungundAufzhlungen1", "&Numeration...."}};
    QMenu* format = frame->findChild<QMenu*>(QStringLiteral("Format1"));
    ASSERT_NE(format, nullptr);
    for (const Item& i : menu) {
        QAction* a = action(i.name);
        ASSERT_NE(a, nullptr) << i.name;
        EXPECT_EQ(a->text(), i.text);
        EXPECT_TRUE(format->actions().contains(a)) << i.name;
    }
    const Item hints[] = {{"LinksbBtn", "Left justify"}, {"ZentrBtn", "Center justify"},
                          {"RechtsbBtn", "Only right justify"}, {"BlockBtn", "Justify on both sides"},
                          {"AufBtn", "List"}, {"NumBtn", "Numeration"}};
    for (const Item& i : hints) {
        QAction* a = action(i.name);
        ASSERT_NE(a, nullptr) << i.name;
        EXPECT_EQ(a->toolTip(), i.text);
        EXPECT_TRUE(frame->toolBar(1)->actions().contains(a)) << i.name;
    }
    const Item spacing[] = {{"ToolButton2", "Single line spacing"},
                            {"ToolButton29", "1.5 x line spacing"},
                            {"ToolButton30", "Double line spacing"}};
    for (const Item& i : spacing) {
        QAction* a = action(i.name);
        ASSERT_NE(a, nullptr) << i.name;
        EXPECT_EQ(a->toolTip(), i.text);
        EXPECT_TRUE(frame->toolBar(4)->actions().contains(a)) << i.name;
    }
    EXPECT_NE(frame->absatzForm(), nullptr);
    EXPECT_NE(frame->tabulatorForm(), nullptr);
    EXPECT_NE(frame->nummerierungForm(), nullptr);

    // No document: every command does nothing.
    for (const char* name : {"LinksbBtn", "ZentrBtn", "RechtsbBtn", "BlockBtn", "AufBtn", "NumBtn", "ToolButton2",
                             "ToolButton29", "ToolButton30", "Absatz1", "Tabulator1", "NummerierungundAufzhlungen1"})
        action(name)->trigger();
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(FrameParagraph, ToolbarButtonsFormatTheActiveParagraph)
{
    TMDIChild& w = document();
    struct Step {
        const char* button;
        std::function<bool(const AbsatzFormat&)> done;
    };
    const Step steps[] = {
        {"ZentrBtn", [](const AbsatzFormat& p) { return p.Alignment == 1; }},
        {"RechtsbBtn", [](const AbsatzFormat& p) { return p.Alignment == 2; }},
        {"BlockBtn", [](const AbsatzFormat& p) { return p.Alignment == 3; }},
        {"LinksbBtn", [](const AbsatzFormat& p) { return p.Alignment == 0; }},
        {"ToolButton29", [](const AbsatzFormat& p) { return p.LineSpacing == 1.5; }},
        {"ToolButton30", [](const AbsatzFormat& p) { return p.LineSpacing == 2.0; }},
        {"ToolButton2", [](const AbsatzFormat& p) { return p.LineSpacing == 1.0 && p.Alignment == 0; }},
        {"AufBtn", [](const AbsatzFormat& p) { return p.ListKind == 1; }},
        {"NumBtn", [](const AbsatzFormat& p) { return p.ListKind == 2; }},
        {"NumBtn", [](const AbsatzFormat& p) { return p.ListKind == 0; }},
    };
    for (const Step& s : steps) {
        const size_t undo = w.UndoCopies.size();
        action(s.button)->trigger();
        EXPECT_TRUE(s.done(cursorParagraph(w))) << s.button;
        EXPECT_EQ(w.UndoCopies.size(), undo + 1) << s.button;
        EXPECT_EQ(w.UndoCopies.back().Label, "Paragraph format");
    }
    // The buttons show the paragraph.
    action("ZentrBtn")->trigger();
    action("AufBtn")->trigger();
    EXPECT_TRUE(action("ZentrBtn")->isChecked());
    EXPECT_FALSE(action("LinksbBtn")->isChecked());
    EXPECT_TRUE(action("AufBtn")->isChecked());
    EXPECT_FALSE(action("NumBtn")->isChecked());

    // While the window writes its format into the toolbar, they do nothing.
    w.UpdatingToolbar = 1;
    const size_t undo = w.UndoCopies.size();
    for (const char* name : {"RechtsbBtn", "NumBtn", "ToolButton30"}) action(name)->trigger();
    w.UpdatingToolbar = 0;
    EXPECT_EQ(w.UndoCopies.size(), undo);
    EXPECT_EQ(cursorParagraph(w).Alignment, 1);
}

TEST_F(FrameParagraph, TheMenuItemsRunTheFramesDialogs)
{
    TMDIChild& w = document();
    TAbsatzForm* form = frame->absatzForm();
    test::runAndPressDialog<TAbsatzForm>(
        [](TAbsatzForm& d) {
            d.Ausricht->setCurrentIndex(2);
            d.aboben->setValue(0.5);
            d.OkButton->click();
        },
        [&] {
            action("Absatz1")->trigger();
            return true;
        });
    EXPECT_EQ(frame->absatzForm(), form);
    EXPECT_EQ(cursorParagraph(w).Alignment, 2);
    EXPECT_DOUBLE_EQ(cursorParagraph(w).SpaceAbove, 5);
    EXPECT_TRUE(action("RechtsbBtn")->isChecked());

    test::runAndPressDialog<TTabulatorForm>(
        [](TTabulatorForm& d) {
            d.ComboBox1Edit->setText(QStringLiteral("3"));
            d.AddBtn->click();
            d.OkButton->click();
        },
        [&] {
            action("Tabulator1")->trigger();
            return true;
        });
    ASSERT_EQ(cursorParagraph(w).Tabs.size(), 1u);
    EXPECT_DOUBLE_EQ(cursorParagraph(w).Tabs[0].Position, 30);

    // The character comes from the frame's special-character table.
    test::runAndPressDialog<TNummerierungForm>(
        [](TNummerierungForm& d) {
            test::runAndPressDialog<TSonderzeichenForm>(
                [](TSonderzeichenForm& table) {
                    table.DrawGrid1->setCurrentCell(7, 9);  // code 183
                    table.OkButton->click();
                },
                [&] {
                    d.SpeedButton1->click();
                    return true;
                });
            EXPECT_EQ(d.Edit1->text(), QString(QChar(0xB7)));
            d.RadioButton2->setChecked(true);
            d.OkButton->click();
        },
        [&] {
            action("NummerierungundAufzhlungen1")->trigger();
            return true;
        });
    EXPECT_EQ(cursorParagraph(w).ListKind, 2);
    EXPECT_EQ(cursorParagraph(w).BulletChar, 183);
    EXPECT_TRUE(action("NumBtn")->isChecked());
    EXPECT_TRUE(boxes.texts.empty());
}

} // namespace
