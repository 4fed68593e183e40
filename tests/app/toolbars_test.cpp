// The frame's toolbars offscreen: the colour and line-width drop-downs on a
// drawing object and on body text, the size and zoom boxes, the toolbar
// check items and the settings they write, the zoom dialog, the guard while
// a window writes its format into the toolbar, and the buttons' faces.

#include "app/DocumentView.h"
#include "app/Main.h"
#include "app/dialogs/ZeichenFormatFUnit.h"
#include "app/dialogs/ZoomFUnit.h"
#include "app/widgets/VelmoColorComboBox.h"
#include "engine/Childwin.h"
#include "engine/Settings.h"
#include "platform/VirtualKeys.h"
#include "tests/app/DialogTestSupport.h"
#include "tests/app/FrameTestSupport.h"
#include "tests/support/TestPaths.h"

#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QWidgetAction>

#include <gtest/gtest.h>

#include <filesystem>

using namespace quillet;
using Target = TMainForm::ColourTarget;

namespace {

namespace fs = std::filesystem;

struct Boxes : MessageBoxes {
    std::vector<std::string> texts;
    MsgResult show(std::string_view text, std::string_view, MsgIcon, MsgButtons) override
    {
        texts.emplace_back(text);
        return MsgResult::Cancel;
    }
};

using test::key;
using test::type;

class Toolbars : public ::testing::Test {
protected:
    void SetUp() override
    {
        frame = test::startTestFrame("toolbars", boxes, printer, dir);
    }
    void TearDown() override { frame.reset(); }

    TMDIChild& doc() { return *frame->ActiveMDIChild(); }
    // A rectangle on the first page with the cursor in it; its index.
    int32_t rectangle()
    {
        TMDIChild& w = doc();
        w.InsertObject(0, 0, 0, 30, 30, 80, 60);
        return w.Cursor.Area;
    }
    QAction* item(QMenu* menu, int tag)
    {
        for (QAction* a : menu->actions())
            if (a->data().toInt() == tag && qobject_cast<QWidgetAction*>(a)) return a;
        return nullptr;
    }
    QAction* named(QMenu* menu, const char* name)
    {
        for (QAction* a : menu->actions())
            if (a->objectName() == QLatin1String(name)) return a;
        return nullptr;
    }

    fs::path dir;
    Boxes boxes;
    PrinterInfo printer;
    std::unique_ptr<TMainForm> frame;
};

TEST_F(Toolbars, ColourItemsSetTheFrameColourAndTheObjectAtTheCursor)
{
    const struct Case {
        Target target;
        int tag;                 // palette item, or 0 for "&No fill area"
        uint32_t colour;         // the frame's colour afterwards
        uint8_t noFill;          // NoFill (fill) or TextBkTransparent (text background)
        bool objectChanges;
    } cases[] = {
        {Target::Fill, 10, 0x0000FF, 0, true},
        {Target::Fill, 0, 0xFFFFFF, 1, true},
        {Target::Line, 13, 0xFF0000, 0, true},
        {Target::TextBk, 12, 0x00FFFF, 0, false},
        {Target::TextBk, 0, 0xFFFFFF, 1, false},
        {Target::Text, 3, 0x008000, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.target) * 100 + c.tag);
        frame->CreateMDIChild("colours");
        TMDIChild& w = doc();
        const int32_t area = rectangle();
        w.SetFileChanged(false);
        const size_t steps = w.UndoCopies.size();
        QMenu* popup = frame->colourPopup(c.target);
        ASSERT_NE(popup, nullptr);
        QAction* a = c.tag ? item(popup, c.tag) : popup->actions().front();
        ASSERT_NE(a, nullptr);
        const TextArea objBefore = w.Areas[size_t(area)];
        a->trigger();
        const FrameOptions& o = frame->State.Options;
        const TextArea& obj = w.Areas[size_t(area)];
        switch (c.target) {
        case Target::Fill:
            EXPECT_EQ(o.FillColor, c.colour);
            EXPECT_EQ(o.NoFill, c.noFill);
            EXPECT_EQ(obj.FillColor, c.colour);
            EXPECT_EQ(obj.Transparent, c.noFill);
            break;
        case Target::Line:
            EXPECT_EQ(o.LineColor, c.colour);
            EXPECT_EQ(obj.BorderColor, c.colour);
            break;
        case Target::TextBk:
            EXPECT_EQ(o.TextBkColor, c.colour);
            EXPECT_EQ(o.TextBkTransparent, c.noFill);
            break;
        case Target::Text: EXPECT_EQ(o.TextColor, c.colour); break;
        }
        if (c.objectChanges) {
            // An edit like any other: one undo step, and closing asks to save.
            EXPECT_EQ(w.UndoCopies.size(), steps + 1);
            EXPECT_TRUE(w.Modified);
            w.RestoreCopyFromUndo(0);
            EXPECT_EQ(w.Areas[size_t(area)].FillColor, objBefore.FillColor);
            EXPECT_EQ(w.Areas[size_t(area)].BorderColor, objBefore.BorderColor);
            EXPECT_EQ(w.Areas[size_t(area)].Transparent, objBefore.Transparent);
            // Body text takes no object colour.
            w.Cursor = w.Anchor = TextPos{};
            const size_t before = w.UndoCopies.size();
            const TextArea body = w.Areas[0];
            a->trigger();
            EXPECT_EQ(w.UndoCopies.size(), before);
            EXPECT_EQ(w.Areas[0].FillColor, body.FillColor);
            EXPECT_EQ(w.Areas[0].BorderColor, body.BorderColor);
        }
        w.SetFileChanged(false);
        frame->activeView()->parentWidget()->close();
        QApplication::processEvents();
    }
}

TEST_F(Toolbars, MoreColourAppliesOnlyWhatTheDialogGave)
{
    TMDIChild& w = doc();
    const int32_t area = rectangle();
    FrameOptions& o = frame->State.Options;
    o.NoFill = 1;
    const size_t steps = w.UndoCopies.size();
    QColor offered;
    frame->ChooseColour = [&](const QColor& initial) {
        offered = initial;
        return QColor();  // cancelled
    };
    named(frame->colourPopup(Target::Fill), "BkColorPopupMehr")->trigger();
    EXPECT_EQ(offered, QColor(255, 255, 255));
    EXPECT_EQ(o.NoFill, 1);
    EXPECT_EQ(w.UndoCopies.size(), steps);

    frame->ChooseColour = [](const QColor&) { return QColor(0, 0, 255); };
    named(frame->colourPopup(Target::Fill), "BkColorPopupMehr")->trigger();
    EXPECT_EQ(o.FillColor, 0xFF0000u);
    EXPECT_EQ(o.NoFill, 0);
    EXPECT_EQ(w.Areas[size_t(area)].FillColor, 0xFF0000u);
    EXPECT_EQ(w.UndoCopies.size(), steps + 1);
}

TEST_F(Toolbars, LineWidthItemsAreRebuiltAndSetTheWidth)
{
    TMDIChild& w = doc();
    const int32_t area = rectangle();
    QMenu* popup = frame->lineWidthPopup();
    for (int opening = 0; opening < 2; ++opening) {
        emit popup->aboutToShow();
        ASSERT_EQ(popup->actions().size(), 25);
    }
    const struct {
        int tag;
        double points;
        const char* text;
    } cases[] = {{24, 6.0, "6.00 Pt"}, {0, 0.0, "0.00 Pt"}, {3, 0.75, "0.75 Pt"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tag);
        QAction* a = item(popup, c.tag);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text().toStdString(), c.text);
        a->trigger();
        EXPECT_EQ(frame->State.Options.LineWidth, c.points);
        EXPECT_EQ(w.Areas[size_t(area)].BorderWidth, c.points);
    }
}

TEST_F(Toolbars, SizeBoxTakesOnlySizesACharacterMayHave)
{
    TMDIChild& w = doc();
    type(w, "abc");
    w.FontState.Size = 12;
    QComboBox* box = frame->sizeBox();
    const struct {
        const char* text;
        double size;
        const char* shown;
    } cases[] = {{"0", 12, "12"}, {"1000", 12, "12"}, {"abc", 12, "12"}, {"", 12, "12"}, {"10.5", 10.5, "10.5"},
                 {"999", 999, "999"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        box->setEditText(QString::fromLatin1(c.text));
        frame->FontSizeChange();
        EXPECT_EQ(w.FontState.Size, c.size);
        EXPECT_EQ(box->currentText().toStdString(), c.shown);
        w.FontState.Size = 12;
    }
}

TEST_F(Toolbars, ZoomBoxTakesTenToTwoHundredFiftyAndTheModes)
{
    TMDIChild& w = doc();
    const struct {
        const char* text;
        double percent;
        int32_t mode;
    } cases[] = {{"75%", 75, 0},  {"5%", 75, 0},         {"300%", 75, 0}, {"120", 120, 0},
                 {"abc", 120, 0}, {"Page width", -1, 1}, {"150%", 150, 0}, {"Complete page", -1, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        frame->zoomBox()->setEditText(QString::fromLatin1(c.text));
        frame->ZoomBoxChange();
        EXPECT_EQ(w.ZoomMode, c.mode);
        if (c.percent > 0) {
            EXPECT_EQ(w.ZoomPercent, c.percent);
        }
    }
    // Leaving the box shows the window's zoom again.
    w.ZoomMode = 0;
    w.ZoomPercent = 80;
    frame->zoomBox()->setEditText(QStringLiteral("abc"));
    frame->ZoomBoxExit();
    EXPECT_EQ(frame->zoomBox()->currentText().toStdString(), "80%");
}

TEST_F(Toolbars, EnterInABoxGivesTheFocusToTheDocument)
{
    doc();
    frame->activateWindow();
    for (QComboBox* box : {frame->sizeBox(), frame->fontBox(), frame->zoomBox()}) {
        SCOPED_TRACE(box->objectName().toStdString());
        box->lineEdit()->setFocus();
        QApplication::processEvents();
        ASSERT_TRUE(box->lineEdit()->hasFocus());
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        EXPECT_TRUE(frame->activeView()->hasFocus());
    }
    // Typing into the size box applies the size as it goes.
    TMDIChild& w = doc();
    frame->sizeBox()->lineEdit()->setFocus();
    frame->sizeBox()->lineEdit()->clear();
    QTest::keyClicks(frame->sizeBox()->lineEdit(), QStringLiteral("14"));
    EXPECT_EQ(w.FontState.Size, 14);
}

TEST_F(Toolbars, NothingIsAppliedWhileTheWindowWritesItsToolbar)
{
    TMDIChild& w = doc();
    type(w, "hello");
    key(w, VK_HOME, ssShift);
    const auto lines = w.Areas[0].Lines;
    const size_t steps = w.UndoCopies.size();
    const CurrentFontState state = w.FontState;
    const std::function<void()> clicks[] = {
        [&] { item(frame->colourPopup(Target::Text), 10)->trigger(); },
        [&] { item(frame->colourPopup(Target::TextBk), 10)->trigger(); },
        [&] { frame->colourButton(Target::Text)->click(); },
        [&] {
            frame->sizeBox()->setEditText(QStringLiteral("20"));
            frame->FontSizeChange();
        },
        [&] {
            frame->fontBox()->setEditText(QStringLiteral("Courier New"));
            frame->FontComboBox1Change();
        },
        [&] { frame->findChild<QAction*>(QStringLiteral("FettBtn"))->trigger(); },
        [&] { frame->findChild<QAction*>(QStringLiteral("ToolButton30"))->trigger(); },
        [&] { frame->findChild<QAction*>(QStringLiteral("ZentrBtn"))->trigger(); },
    };
    w.UpdatingToolbar = 1;
    for (size_t i = 0; i < std::size(clicks); ++i) {
        SCOPED_TRACE(i);
        clicks[i]();
        EXPECT_EQ(w.Areas[0].Lines, lines);
        EXPECT_EQ(w.UndoCopies.size(), steps);
        EXPECT_EQ(w.FontState.Size, state.Size);
        EXPECT_EQ(w.FontState.Face, state.Face);
    }
    w.UpdatingToolbar = 0;
}

TEST_F(Toolbars, MovingTheCaretShowsTheFormatWithoutApplyingIt)
{
    TMDIChild& w = doc();
    type(w, "plain ");
    w.FontState.Size = 20;
    type(w, "big");
    const size_t steps = w.UndoCopies.size();
    w.SetFileChanged(false);
    for (uint16_t k : {VK_HOME, VK_END, VK_LEFT, VK_LEFT, VK_LEFT, VK_LEFT, VK_RIGHT, VK_HOME}) {
        key(w, k);
        QApplication::processEvents();
    }
    EXPECT_EQ(w.UndoCopies.size(), steps);
    EXPECT_FALSE(w.Modified);
    EXPECT_EQ(frame->sizeBox()->currentText().toStdString(), w.ToolbarFormat.SizeText);
}

TEST_F(Toolbars, ToolbarItemsAgreeAndWriteTheSettingsEachTime)
{
    const fs::path settings = frame->stateDir() / kSettingsFileName;
    QAction* extended = frame->toolbarToggle(4);
    ASSERT_NE(extended, nullptr);
    for (bool visible : {false, true, false}) {
        SCOPED_TRACE(visible);
        fs::remove(settings);
        extended->trigger();
        EXPECT_EQ(frame->toolBar(4)->isVisibleTo(frame.get()), visible);
        ASSERT_TRUE(fs::exists(settings));
        FrameState read;
        SetDefaultSettings(read);
        ASSERT_TRUE(OpenSettings(read, settings));
        EXPECT_EQ(read.Options.ToolBar4Visible, visible ? 1 : 0);
        // The toolbars' own menu shows the same state as the View menu.
        std::unique_ptr<QMenu> popup(frame->createPopupMenu());
        int checkedItems = 0;
        for (QAction* a : popup->actions())
            if (a == extended) checkedItems += a->isChecked() == visible ? 1 : 0;
        EXPECT_EQ(checkedItems, 1);
    }
    // Works without a document.
    for (DocumentView* v : frame->documentViews()) v->parentWidget()->close();
    QApplication::processEvents();
    frame->toolbarToggle(3)->trigger();
    EXPECT_FALSE(frame->toolBar(3)->isVisibleTo(frame.get()));
}

TEST_F(Toolbars, ViewItemsAndTheNonPrintingButtonKeepTheirSettings)
{
    const fs::path settings = frame->stateDir() / kSettingsFileName;
    FrameOptions& o = frame->State.Options;
    auto action = [this](const char* name) { return frame->findChild<QAction*>(QString::fromLatin1(name)); };
    const struct Case {
        const char* name;
        bool withDocument;
        uint8_t FrameOptions::*field;
        uint8_t after;  // the setting after the click; unchanged without a document where it needs one
    } cases[] = {
        {"notprintablebtn", true, &FrameOptions::ShowNonPrinting, 1},
        {"notprintablebtn", true, &FrameOptions::ShowNonPrinting, 0},
        {"notprintablebtn", false, &FrameOptions::ShowNonPrinting, 0},
        {"Lineal1", true, &FrameOptions::ShowRuler, 0},
        {"Statuszeile1", false, &FrameOptions::ShowStatusBar, 0},
        {"Statuszeile1", false, &FrameOptions::ShowStatusBar, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.withDocument ? " with a document" : " alone"));
        if (c.withDocument && !frame->ActiveMDIChild()) frame->CreateMDIChild("view");
        if (!c.withDocument)
            for (DocumentView* v : frame->documentViews()) v->parentWidget()->close();
        QApplication::processEvents();
        // The menu opening sets the check marks, with or without a document.
        emit qobject_cast<QMenu*>(frame->viewAction("Lineal1")->parent())->aboutToShow();
        EXPECT_EQ(frame->viewAction("Lineal1")->isChecked(), o.ShowRuler != 0);
        EXPECT_EQ(frame->viewAction("Statuszeile1")->isChecked(), o.ShowStatusBar != 0);
        EXPECT_EQ(frame->viewAction("Zoomstufe1")->isEnabled(), c.withDocument);
        fs::remove(settings);
        const uint8_t before = o.*c.field;
        action(c.name)->trigger();
        EXPECT_EQ(o.*c.field, c.after);
        EXPECT_EQ(fs::exists(settings), o.*c.field != before);
        EXPECT_EQ(action(c.name)->isChecked(), o.*c.field != 0);
    }
}

TEST_F(Toolbars, ColoursWidthAndToolbarsComeBackInTheNextRun)
{
    item(frame->colourPopup(Target::Fill), 10)->trigger();
    item(frame->colourPopup(Target::Line), 13)->trigger();
    item(frame->colourPopup(Target::TextBk), 12)->trigger();
    emit frame->lineWidthPopup()->aboutToShow();
    item(frame->lineWidthPopup(), 24)->trigger();
    frame->toolbarToggle(3)->trigger();
    // The text background went to the word at the caret: no saving asked.
    doc().SetFileChanged(false);
    ASSERT_TRUE(frame->close());
    frame.reset();

    TMainForm::StartOptions o;
    o.ProgDir = dir;
    o.RegisterFileType = false;
    o.Boxes = &boxes;
    o.Printer = &printer;
    frame = std::make_unique<TMainForm>(std::move(o));
    const FrameOptions& read = frame->State.Options;
    EXPECT_EQ(read.FillColor, 0x0000FFu);
    EXPECT_EQ(read.NoFill, 0);
    EXPECT_EQ(read.LineColor, 0xFF0000u);
    EXPECT_EQ(read.TextBkColor, 0x00FFFFu);
    EXPECT_EQ(read.TextBkTransparent, 0);
    EXPECT_EQ(read.LineWidth, 6.0);
    EXPECT_FALSE(frame->toolBar(3)->isVisibleTo(frame.get()));
    EXPECT_FALSE(frame->toolbarToggle(3)->isChecked());
    EXPECT_TRUE(frame->toolbarToggle(4)->isChecked());
}

TEST_F(Toolbars, ZoomDialogSetsTheMode)
{
    TMDIChild& w = doc();
    const struct {
        int choice;  // 0 percent, 1 page width, 2 complete page
        double percent;
    } cases[] = {{0, 75}, {1, 0}, {2, 0}, {0, 250}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.choice * 1000 + c.percent);
        test::runAndPressDialog<TZoomForm>(
            [c](TZoomForm& f) {
                if (c.choice == 0) f.ZoomEd->setValue(c.percent);
                else (c.choice == 1 ? f.Seitenbreite : f.GanzeSeite)->setChecked(true);
                f.OkButton->click();
            },
            [&] {
                frame->viewAction("Zoomstufe1")->trigger();
                return true;
            });
        EXPECT_EQ(w.ZoomMode, c.choice);
        if (c.choice == 0) {
            EXPECT_EQ(w.ZoomPercent, c.percent);
        }
    }
}

TEST_F(Toolbars, CharacterDialogWithOnlyTheColourChangedKeepsMixedSizes)
{
    TMDIChild& w = doc();
    type(w, "ab");
    w.FontState.Size = 20;
    type(w, "cd");
    key(w, VK_HOME, ssShift);
    std::vector<double> sizes;
    for (const TextChar& c : w.Areas[0].Lines[0].Chars) sizes.push_back(w.Fonts[size_t(c.FontIndex())].Size);
    test::runAndPressDialog<TZeichenFormatForm>(
        [](TZeichenFormatForm& f) {
            f.col1->activated(2);
            f.OkButton->click();
        },
        [&] {
            frame->ZeichenM1Click();
            return true;
        });
    std::vector<double> after;
    for (const TextChar& c : w.Areas[0].Lines[0].Chars) after.push_back(w.Fonts[size_t(c.FontIndex())].Size);
    EXPECT_EQ(after, sizes);
    EXPECT_NE(w.Fonts[size_t(w.Areas[0].Lines[0].Chars[0].FontIndex())].Color, 0u);
}

TEST_F(Toolbars, EveryButtonHasAFace)
{
    for (int n = 1; n <= 4; ++n) {
        QToolBar* bar = frame->toolBar(n);
        for (QAction* a : bar->actions()) {
            if (a->isSeparator()) continue;
            QWidget* w = bar->widgetForAction(a);
            if (qobject_cast<QComboBox*>(w)) continue;
            const auto* button = qobject_cast<QToolButton*>(w);
            const QIcon icon = button ? button->icon() : a->icon();
            EXPECT_FALSE(icon.isNull()) << n << " " << a->objectName().toStdString() << " "
                                        << (button ? button->objectName().toStdString() : "");
        }
    }
    // The undo and redo buttons list the steps.
    for (const char* name : {"UndoBtn", "ReUndoBtn"}) {
        auto* b = frame->findChild<QToolButton*>(QString::fromLatin1(name));
        ASSERT_NE(b, nullptr) << name;
        EXPECT_NE(b->menu(), nullptr);
    }
}

} // namespace
