// The character, special-character and template dialogs offscreen (filled,
// changed, OK; Cancel changes nothing), the colour box, and the frame's
// character and template commands on a real window.

#include "app/DocumentView.h"
#include "app/Main.h"
#include "app/dialogs/RenameVorlageFUnit.h"
#include "app/dialogs/SonderzeichenFUnit.h"
#include "app/dialogs/VorlagenVerwaltenFUnit.h"
#include "app/dialogs/ZeichenFormatFUnit.h"
#include "app/widgets/VelmoColorComboBox.h"
#include "engine/Childwin.h"
#include "formats/StandardServices.h"
#include "platform/VirtualKeys.h"
#include "tests/app/DialogTestSupport.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestPaths.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QToolButton>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

using namespace quillet;

namespace {

using test::labelTexts;

using test::app;

// Runs the event loop until `done` holds or `ms` have passed.
bool waitFor(const std::function<bool()>& done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

void mouse(QWidget* w, QEvent::Type type, QPoint at)
{
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

// ---- The colour box ------------------------------------------------------------------

TEST(ColorBox, FixedAndCustomColoursAndTheirNames)
{
    app();
    TVelmoColorComboBox box;
    EXPECT_EQ(box.count(), 17);
    EXPECT_EQ(box.currentIndex(), 0);
    EXPECT_EQ(box.HTMLcolor(), "#000000");

    box.SetColorValue(0x0000FF);
    EXPECT_EQ(box.currentText(), "Red");
    EXPECT_EQ(box.HTMLcolor(), "#FF0000");
    box.SetColorValue(0xFFFFFF);
    EXPECT_EQ(box.currentIndex(), 15) << "white is a fixed entry, not the custom one";
    box.SetColorValue(0x0080FF);
    EXPECT_EQ(box.currentIndex(), TVelmoColorComboBox::kCustomEntry);
    EXPECT_EQ(box.currentText(), "More...");
    EXPECT_EQ(box.HTMLcolor(), "#FF8000");

    box.SetHTMLcolor("#00ff00");
    EXPECT_EQ(box.HTMLcolor(), "#00FF00");
    EXPECT_EQ(box.currentIndex(), 10);
    EXPECT_EQ(box.ColorValue(), 0x00FF00u);
    box.SetHTMLcolor("#GG0000");
    EXPECT_EQ(box.ColorValue(), 0x00FF00u);

    box.SetLanguage(TVelmoColorComboBox::lgDeutsch);
    EXPECT_EQ(box.itemText(10), QString::fromUtf8("Hellgrün"));
    box.SetLanguage(TVelmoColorComboBox::lgFrensh);
    EXPECT_EQ(box.itemText(2), "Vert");
    EXPECT_EQ(box.itemText(10), "Vert");
    EXPECT_EQ(box.currentIndex(), 10);

    // The user's choice fires Change; a cancelled custom colour keeps the
    // value and is no change at all.
    int changes = 0;
    QObject::connect(&box, &TVelmoColorComboBox::Change, [&] { ++changes; });
    box.PickCustomColor = [](uint32_t&) { return false; };
    box.activated(TVelmoColorComboBox::kCustomEntry);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(box.ColorValue(), 0x00FF00u);
    box.PickCustomColor = [](uint32_t& v) {
        v = 0x123456;
        return true;
    };
    box.activated(TVelmoColorComboBox::kCustomEntry);
    EXPECT_EQ(box.ColorValue(), 0x123456u);
    box.activated(12);
    EXPECT_EQ(box.ColorValue(), 0xFF0000u);
    EXPECT_EQ(changes, 2);
}

// ---- Characters ----------------------------------------------------------------------------

ZeichenFormatModel filledModel()
{
    CurrentFontState st;
    st.Face = "Qzx Nowhere Sans";  // on no machine
    st.Size = 10.5;
    st.Style = 2;
    st.Color = 0x0000FF;
    ZeichenFormatModel m;
    m.fill(st);
    return m;
}

bool runZeichen(ZeichenFormatModel& m, std::function<void(TZeichenFormatForm&)> act)
{
    return test::runAndPressDialog<TZeichenFormatForm>(std::move(act), [&m] {
        TZeichenFormatForm form;
        return ShowZeichenFormatForm(form, m);
    });
}

TEST(ZeichenFormatForm, TextsAndFilling)
{
    app();
    TZeichenFormatForm f;
    EXPECT_EQ(f.windowTitle(), "Characters");
    const QStringList labels = labelTexts(f);
    for (const char* l : {"Font:", "Text color:", "Background color:", "Border color:", "Shadow color:"})
        EXPECT_TRUE(labels.contains(QString::fromLatin1(l))) << l;
    EXPECT_EQ(f.transcheck->text(), "Transparent");
    ASSERT_EQ(f.attrlist->count(), 14);
    EXPECT_EQ(f.attrlist->item(12)->text(), "No capital letters");
    EXPECT_EQ(f.FontSize->count(), 18);
    EXPECT_EQ(f.FontSize->itemText(17), "72");

    const ZeichenFormatModel m = filledModel();
    f.setModel(m);
    EXPECT_EQ(f.fontbox->currentText(), "Qzx Nowhere Sans") << "a missing face is shown as it is named";
    EXPECT_EQ(f.FontSize->currentText(), "10.5");
    EXPECT_EQ(f.attrlist->item(1)->checkState(), Qt::Checked);
    EXPECT_EQ(f.attrlist->item(0)->checkState(), Qt::Unchecked);
    EXPECT_EQ(f.col1->currentText(), "Red");
    EXPECT_TRUE(f.transcheck->isChecked());
    EXPECT_TRUE(f.transcheck->isEnabled());
    // Filling recorded nothing as a change.
    const ZeichenFormatModel& back = f.model();
    EXPECT_EQ(back.FaceChanged + back.SizeChanged + back.ColorChanged + back.BoldChanged + back.BkChanged, 0);
}

TEST(ZeichenFormatForm, ChangesAreTrackedAndOkHandsThemBack)
{
    app();
    ZeichenFormatModel m = filledModel();
    ASSERT_TRUE(runZeichen(m, [](TZeichenFormatForm& f) {
        f.attrlist->item(0)->setCheckState(Qt::Checked);
        f.attrlist->item(8)->setCheckState(Qt::Checked);
        f.col2->activated(9);  // red background: "Transparent" is off limits
        EXPECT_FALSE(f.transcheck->isEnabled());
        f.FontSize->setEditText(QStringLiteral("14"));
        f.OkButton->click();
    }));
    EXPECT_EQ(m.fontbox, "Qzx Nowhere Sans");
    EXPECT_EQ(m.BoldChanged, 1);
    EXPECT_EQ(m.OptionChanged[8], 1);
    EXPECT_EQ(m.ItalicChanged, 0);
    EXPECT_EQ(m.BkChanged, 1);
    EXPECT_EQ(m.col2, 0x0000FFu);
    EXPECT_EQ(m.SizeChanged, 1);
    EXPECT_EQ(m.FontSize, "14");
    EXPECT_EQ(m.FaceChanged + m.ColorChanged + m.ShadowChanged + m.OutlineChanged, 0);
}

TEST(ZeichenFormatForm, CancelAndAnImpossibleSizeKeepTheModel)
{
    app();
    test::RecordingBoxes boxes;
    setMessageBoxes(&boxes);
    const ZeichenFormatModel before = filledModel();
    ZeichenFormatModel m = before;
    EXPECT_FALSE(runZeichen(m, [](TZeichenFormatForm& f) {
        f.col1->activated(2);
        f.CancelButton->click();
    }));
    EXPECT_EQ(m.col1, before.col1);
    EXPECT_EQ(m.ColorChanged, 0);

    // OK with 10000 pt closes the dialog without a message; the command
    // ignores the size.
    EXPECT_TRUE(runZeichen(m, [&boxes](TZeichenFormatForm& f) {
        f.FontSize->setEditText(QStringLiteral("10000"));
        f.OkButton->click();
        EXPECT_FALSE(f.isVisible());
        EXPECT_TRUE(boxes.texts.empty());
    }));
    EXPECT_FALSE(m.size().has_value());
    setMessageBoxes(nullptr);
}

// ---- Special characters ----------------------------------------------------------------

bool runSonder(SonderzeichenModel& m, std::function<void(TSonderzeichenForm&)> act)
{
    return test::runAndPressDialog<TSonderzeichenForm>(std::move(act), [&m] {
        TSonderzeichenForm form;
        return ShowSonderzeichenForm(form, m);
    });
}

TEST(SonderzeichenForm, TheGridSelectsTheChosenCharacterAndADoubleClickIsOk)
{
    app();
    SonderzeichenModel m;
    m.FontName = "Liberation Sans";
    m.Char = 'A';  // 65: column 1, row 2
    ASSERT_TRUE(runSonder(m, [](TSonderzeichenForm& f) {
        EXPECT_EQ(f.windowTitle(), "Special characters");
        // Shown: the grid waits at the first cell; the timer then selects
        // the chosen character's cell without changing it.
        EXPECT_EQ(f.Label2->text(), "Character: 65");
        EXPECT_TRUE(waitFor([&] { return f.DrawGrid1->currentRow() == 2; }, 10000));
        EXPECT_EQ(f.DrawGrid1->currentColumn(), 1);
        EXPECT_EQ(f.model().Char, 65);
        // Row 1, column 1 double-clicked: the digit one, and OK.
        const QPoint cell(SonderzeichenModel::kCellPixels * 1 + 5, SonderzeichenModel::kCellPixels * 1 + 5);
        mouse(f.DrawGrid1, QEvent::MouseButtonPress, cell);
        mouse(f.DrawGrid1, QEvent::MouseButtonRelease, cell);
        EXPECT_EQ(f.Label2->text(), "Character: 49");
        mouse(f.DrawGrid1, QEvent::MouseButtonDblClick, cell);
    }));
    EXPECT_EQ(m.Char, 49);
    EXPECT_EQ(m.FontName, "Liberation Sans");

    // Another face chosen, then Cancel: the model stays as it was.
    const SonderzeichenModel before = m;
    EXPECT_FALSE(runSonder(m, [](TSonderzeichenForm& f) {
        f.FontComboBox1->setCurrentFont(QFont(QStringLiteral("Liberation Mono")));
        EXPECT_EQ(f.model().FontName, "Liberation Mono");
        f.DrawGrid1->setCurrentCell(3, 3);
        f.CancelButton->click();
    }));
    EXPECT_EQ(m.FontName, before.FontName);
    EXPECT_EQ(m.Char, before.Char);
}

// ---- Templates ---------------------------------------------------------------------------

TEST(RenameVorlageForm, OkOnlyWithAName)
{
    app();
    RenameVorlageModel m;
    m.Edit1 = "Format template 6";
    bool ok = test::runAndPressDialog<TRenameVorlageForm>(
        [](TRenameVorlageForm& f) {
            EXPECT_EQ(f.windowTitle(), "Rename template");
            EXPECT_TRUE(labelTexts(f).contains("Name:"));
            EXPECT_EQ(f.Edit1->text(), "Format template 6");
            f.Edit1->clear();
            EXPECT_FALSE(f.okbtn->isEnabled());
            f.okbtn->click();  // refused: still up
            EXPECT_TRUE(f.isVisible());
            f.Edit1->setText(QStringLiteral("Letter"));
            EXPECT_TRUE(f.okbtn->isEnabled());
            f.okbtn->click();
        },
        [&m] {
            TRenameVorlageForm form;
            return ShowRenameVorlageForm(form, m);
        });
    EXPECT_TRUE(ok);
    EXPECT_EQ(m.Edit1, "Letter");

    ok = test::runAndPressDialog<TRenameVorlageForm>(
        [](TRenameVorlageForm& f) {
            f.Edit1->setText(QStringLiteral("Other"));
            f.CancelButton->click();
        },
        [&m] {
            TRenameVorlageForm form;
            return ShowRenameVorlageForm(form, m);
        });
    EXPECT_FALSE(ok);
    EXPECT_EQ(m.Edit1, "Letter");
}

TEST(VorlagenVerwaltenForm, RenameDeleteAndUse)
{
    app();
    FrameState frame = StandardFrameState();
    TMDIChild w(frame);
    w.CreateStandartVorlagen();
    VorlagenVerwaltenModel m(w);
    m.FormShow();
    TRenameVorlageForm rename;
    TVorlagenVerwaltenForm form(rename);
    EXPECT_EQ(form.windowTitle(), "Manage templates");
    EXPECT_EQ(form.UseButton->text(), "Use");
    EXPECT_EQ(form.CloseButton->text(), "Close");

    const bool ok = test::runAndPressDialog<TVorlagenVerwaltenForm>(
        [&](TVorlagenVerwaltenForm& f) {
            EXPECT_EQ(f.ListBox1->count(), 5);
            EXPECT_EQ(f.ListBox1->currentRow(), 0);
            f.ListBox1->setCurrentRow(1);
            // Rename asks in the rename dialog, whose answer comes next.
            QTimer::singleShot(0, [&rename] {
                rename.Edit1->setText(QStringLiteral("Heading"));
                rename.okbtn->click();
            });
            f.RenameButton->click();
            EXPECT_EQ(f.ListBox1->item(1)->text(), "Heading");
            f.ListBox1->setCurrentRow(0);
            f.DeleteButton->click();
            EXPECT_EQ(f.ListBox1->count(), 4);
            f.ListBox1->setCurrentRow(2);
            f.UseButton->click();
        },
        [&] { return ShowVorlagenVerwaltenForm(form, m); });
    EXPECT_TRUE(ok);
    ASSERT_EQ(w.Vorlagen.size(), 4u);
    EXPECT_EQ(w.Vorlagen[0].Name, "Heading");
    EXPECT_EQ(m.Selected, 2);
    EXPECT_EQ(m.selectedName(), "Caption 3");
}

// ---- The frame -----------------------------------------------------------------------------

class FrameCharacter : public ::testing::Test {
protected:
    void SetUp() override
    {
        app();
        namespace fs = std::filesystem;
        dir = test::freshTestDir("frame-character");
        for (const char* name : {"normal.qdm"})
            if (fs::exists(test::programDir() / name)) fs::create_symlink(test::programDir() / name, dir / name);
        TMainForm::StartOptions o;
        o.ProgDir = dir;
        o.RegisterFileType = false;
        o.Boxes = &boxes;
        o.Printer = &printer;
        frame = std::make_unique<TMainForm>(std::move(o));
        frame->show();
        ASSERT_NE(frame->ActiveMDIChild(), nullptr);
    }
    void TearDown() override
    {
        if (TMDIChild* w = frame->ActiveMDIChild()) w->SetFileChanged(false);
        frame.reset();
    }

    TMDIChild& w() { return *frame->ActiveMDIChild(); }
    void type(std::string_view s)
    {
        for (char c : s) {
            uint8_t k = uint8_t(c);
            w().getkeysKeyPress(k);
        }
    }
    // The caret one step back, into the word just typed.
    void left()
    {
        uint16_t k = VK_LEFT;
        w().getkeysKeyDown(k, 0);
    }
    const FontEntry& fontAt(int32_t ch) { return w().Fonts.at(size_t(w().Areas[0].Lines[0].Chars.at(size_t(ch)).FontIndex())); }

    std::filesystem::path dir;
    test::RecordingBoxes boxes;
    PrinterInfo printer;
    std::unique_ptr<TMainForm> frame;
};

TEST_F(FrameCharacter, TheCommandsHaveTheirCaptions)
{
    const std::pair<const char*, const char*> items[] = {
        {"Zeichen1", "&Characters..."},
        {"Sonderzeichen1", "&Special character..."},
        {"NeueAbsatzvorlage1", "New &parapraph template..."},
        {"NeueZeichenvorlage1", "New &character template"},
        {"Vorlagenverwalten1", "&Manage templates..."},
        {"FettBtn", "Bold"},
        {"KursivBtn", "Italic"},
        {"UnderlineBtn", "Underlined"},
    };
    for (const auto& [name, text] : items) {
        QAction* a = frame->characterAction(name);
        ASSERT_NE(a, nullptr) << name;
        EXPECT_EQ(a->text(), QString::fromLatin1(text)) << name;
    }
    ASSERT_NE(frame->insertMenu(), nullptr);
    EXPECT_TRUE(frame->insertMenu()->actions().contains(frame->characterAction("Sonderzeichen1")));
    EXPECT_TRUE(frame->insertMenu()->menuAction()->isVisible());
    auto* textColour = frame->findChild<QToolButton*>(QStringLiteral("ToolButton25"));
    ASSERT_NE(textColour, nullptr);
    EXPECT_EQ(textColour->toolTip(), "Text color");
    ASSERT_NE(textColour->menu(), nullptr);
    EXPECT_EQ(textColour->menu()->actions().size(), 17);  // 16 colours and "&More..."
    auto* background = frame->findChild<QToolButton*>(QStringLiteral("ToolButton26"));
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(background->menu()->actions().front()->text(), "&No fill area");
}

TEST_F(FrameCharacter, TheStyleBoxAppliesTheChosenStyle)
{
    type("word");
    left();
    ASSERT_EQ(frame->styleBox()->count(), 5);
    frame->styleBox()->setCurrentIndex(1);
    frame->styleBox()->activated(1);
    EXPECT_EQ(fontAt(0).Face, "Arial");
    EXPECT_DOUBLE_EQ(fontAt(0).Size, 14);
    // Listing the styles again shows the first; that applies nothing.
    EXPECT_EQ(frame->styleBox()->currentIndex(), 0);
    EXPECT_EQ(fontAt(0).Face, "Arial");
    EXPECT_TRUE(frame->characterAction("FettBtn")->isChecked());
}

TEST_F(FrameCharacter, BoldSizeAndColourFromTheToolbar)
{
    type("word");
    left();
    frame->characterAction("FettBtn")->trigger();
    EXPECT_EQ(fontAt(0).Style & 1, 1);
    EXPECT_TRUE(frame->characterAction("FettBtn")->isChecked());

    // A size no character may take puts the current one back.
    for (const char* text : {"0", "1000", "abc"}) {
        frame->sizeBox()->setEditText(QString::fromLatin1(text));
        frame->FontSizeClick();
        EXPECT_EQ(frame->sizeBox()->currentText(), "12") << text;
        EXPECT_DOUBLE_EQ(fontAt(0).Size, 12) << text;
    }
    frame->sizeBox()->setEditText(QStringLiteral("10.5"));
    frame->FontSizeClick();
    EXPECT_DOUBLE_EQ(fontAt(0).Size, 10.5);

    // Palette item 10 of the text colour: red.
    auto* textColour = frame->findChild<QToolButton*>(QStringLiteral("ToolButton25"));
    textColour->menu()->actions().at(9)->trigger();
    EXPECT_EQ(frame->State.Options.TextColor, 0x0000FFu);
    EXPECT_EQ(fontAt(0).Color, 0x0000FFu);

    // While the window writes its format into the toolbar, nothing applies.
    const size_t copies = w().UndoCopies.size();
    w().UpdatingToolbar = 1;
    frame->sizeBox()->setEditText(QStringLiteral("20"));
    frame->FontSizeClick();
    frame->AktiviereTextColor();
    w().UpdatingToolbar = 0;
    EXPECT_EQ(w().UndoCopies.size(), copies);
}

TEST_F(FrameCharacter, SpecialCharacterAndCharacterDialogThroughTheFrame)
{
    type("ab");
    const bool ok = test::runAndPressDialog<TSonderzeichenForm>(
        [](TSonderzeichenForm& f) {
            f.FontComboBox1->setCurrentFont(QFont(QStringLiteral("Liberation Mono")));
            f.DrawGrid1->setCurrentCell(2, 1);  // 50, the digit two
            f.OkButton->click();
        },
        [&] {
            frame->characterAction("Sonderzeichen1")->trigger();
            return true;
        });
    ASSERT_TRUE(ok);
    ASSERT_EQ(w().Areas[0].Lines[0].CharCount(), 3);
    EXPECT_EQ(w().Areas[0].Lines[0].Chars[2].Code, '2');
    EXPECT_EQ(fontAt(2).Face, "Liberation Mono");

    // The character dialog: italic on, OK, over the whole text.
    uint16_t key = VK_A;
    w().getkeysKeyDown(key, ssCtrl);
    test::runAndPressDialog<TZeichenFormatForm>(
        [](TZeichenFormatForm& f) {
            f.attrlist->item(1)->setCheckState(Qt::Checked);
            f.OkButton->click();
        },
        [&] {
            frame->ZeichenM1Click();
            return true;
        });
    for (int32_t i = 0; i < 3; ++i) EXPECT_EQ(fontAt(i).Style & 2, 2) << i;
    EXPECT_EQ(fontAt(2).Face, "Liberation Mono") << "the face was not changed";
}

} // namespace
