// The frame's edit, insert, table, spelling, language and document commands
// offscreen: each item once with its caption and shortcut, nothing done
// without a window, the operation done with one; the Edit menu's enabling,
// the undo drop-down lists, the page popup's fixed items, one path per key,
// and commands refused while a dialog, a drag or a print run is under way.

#include "app/CommandGuard.h"
#include "app/DocumentView.h"
#include "app/Main.h"
#include "engine/Childwin.h"
#include "platform/Clipboard.h"
#include "platform/VirtualKeys.h"
#include "tests/app/DialogTestSupport.h"
#include "tests/app/FrameTestSupport.h"
#include "tests/support/TestPaths.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <algorithm>
#include <functional>
#include <map>
#include <memory>

using namespace quillet;

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

std::string bodyText(const TMDIChild& w)
{
    std::string s;
    for (const TextLine& l : w.Areas[0].Lines)
        for (const TextChar& c : l.Chars)
            if (c.Code >= 32) s += char(c.Code);
    return s;
}

using test::key;
using test::type;

class FrameMenus : public ::testing::Test {
protected:
    void SetUp() override
    {
        frame = test::startTestFrame("frame-menus", boxes, printer, dir);
    }
    void TearDown() override { frame.reset(); }

    QAction* action(const char* name) { return frame->findChild<QAction*>(QString::fromLatin1(name)); }
    TMDIChild& doc() { return *frame->ActiveMDIChild(); }
    void closeAll()
    {
        for (DocumentView* v : frame->documentViews()) v->parentWidget()->close();
        QApplication::processEvents();
        ASSERT_EQ(frame->ActiveMDIChild(), nullptr);
    }
    // Runs `act` while a timer closes every modal dialog it shows; the count
    // of dialogs and message boxes that came up.
    int dialogsDuring(const std::function<void()>& act)
    {
        int shown = 0;
        QTimer closer;
        closer.setInterval(5);
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (QWidget* m = QApplication::activeModalWidget()) {
                ++shown;
                if (auto* d = qobject_cast<QDialog*>(m)) d->reject();
                else m->close();
            }
        });
        closer.start();
        const size_t before = boxes.texts.size();
        act();
        return shown + int(boxes.texts.size() - before);
    }

    fs::path dir;
    Boxes boxes;
    PrinterInfo printer;
    std::unique_ptr<TMainForm> frame;
};

// The commands with their captions and shortcuts.
const struct Command {
    const char* name;
    const char* caption;
    const char* shortcut;
} kCommands[] = {
    {"Rckgngig1", "&Undo: Not available", "Ctrl+Z"},
    {"Wiederholen1", "&Redo: Not available", "Ctrl+Y"},
    {"EditCut1", "Cut", "Ctrl+X"},
    {"EditCopy1", "Copy", "Ctrl+C"},
    {"EditPaste1", "Paste", "Ctrl+V"},
    {"Inhalteeinfgen1", "Paste content...", ""},
    {"Markierunglschen1", "Delete selection", "Del"},
    {"Allesmarkieren1", "Select &all", "Ctrl+A"},
    {"Suchen1", "&Find...", "Ctrl+F"},
    {"Ersetzen1", "Replace...", "Ctrl+H"},
    {"Gehezu1", "&Goto...", "Ctrl+G"},
    {"Feld2", "F&ield...", ""},
    {"Sonderzeichen1", "&Special character...", ""},
    {"Funote1", "&Footnote", ""},
    {"Rechteck1", "&Rectangle", ""},
    {"Ellipse1", "Elli&pse", ""},
    {"Linie1", "&Line", ""},
    {"HorizontaleLinie1", "H&orizontal line", ""},
    {"VertikaleLinie1", "V&ertical line", ""},
    {"NeueAbsatzvorlage1", "New &parapraph template...", ""},
    {"NeueZeichenvorlage1", "New &character template", ""},
    {"Vorlagenverwalten1", "&Manage templates...", ""},
    {"NummerierungundAufzhlungen1", "&Numeration....", ""},
    {"Zellenformatieren1", "&Format cells...", ""},
    {"Tabelleteilen1", "&Divide table", ""},
    {"Zeileeinfgen1", "Insert &rows", ""},
    {"Zeileanhngen1", "Add ro&w", ""},
    {"Zellenlschen1", "&Delete cells", ""},
    {"Zeilenlschen1", "Delete rows", ""},
    {"Spaltenlschen1", "Delete columns", ""},
    {"Spalteneinfgen1", "Insert &columns", ""},
    {"Spaltenanhngen1", "&Add column", ""},
    {"Spaltengleichmigverteilen1", "Equal column widths...", ""},
    {"Gitternetzlinien1", "&Grid lines", ""},
    {"GesamtesDokument1", "&Document...", "F7"},
    {"AbSchreibmarke1", "&Starting at cursor", ""},
    {"Benutzerwrterbuch1", "&User dictionary", ""},
    {"berprfungwhrendderEingabe1", "&Spell check when entering words", ""},
    {"Seiteeinrichten1", "Page setup", ""},
    {"Drucken1", "Print", "Ctrl+P"},
    {"Eigenschaften1", "Properties", ""},
    {"ManuellerWechsel1", "Manuel page &break", ""},
    {"Bildscannen1", "Scan picture...", ""},
    {"TWAINQuellewhlen1", "Select scanner...", ""},
    {"Inhalt1", "&Content", ""},
    {"Tabelleeinfgen1", "&Insert table...", ""},
    {"Grafik1", "&Graphic...", ""},
    {"Textfeld1", "Te&xtfield", ""},
    {"Feld1", "&Field/Page/Object...", ""},
    {"Textfeldverknpfen1", "Connect &textfield...", ""},
    {"AutomatischeSilbentrennung1", "&Automatic hyphenation", ""},
    {"Deutsch1", "&Deutsch", ""},
    {"Englisch1", "&Englisch", ""},
};

TEST_F(FrameMenus, EveryCommandOnceWithItsCaptionAndShortcutAndNothingWithoutAWindow)
{
    for (const Command& c : kCommands) {
        const QString name = QString::fromLatin1(c.name);
        const QList<QAction*> found = frame->findChildren<QAction*>(name);
        ASSERT_EQ(found.size(), 1) << c.name;
        EXPECT_EQ(found[0]->text(), QString::fromLatin1(c.caption)) << c.name;
        EXPECT_EQ(found[0]->shortcut(), QKeySequence(QString::fromLatin1(c.shortcut))) << c.name;
    }
    EXPECT_FALSE(action("Inhalt1")->isVisible());
    // Keys the document window handles itself are no frame shortcut.
    for (const char* k : {"Ctrl+L", "Ctrl+R", "Ctrl+E", "Ctrl+J", "Ctrl+-", "Ctrl+Backspace", "Alt+Backspace", "Ins",
                          "Shift+Del", "Ctrl+Return", "Shift+Return"})
        for (QAction* a : frame->findChildren<QAction*>())
            EXPECT_FALSE(a->shortcuts().contains(QKeySequence(QString::fromLatin1(k))))
                << k << " " << a->objectName().toStdString();
    // One action per key: an ambiguous shortcut would run neither.
    std::map<QString, QString> owner;
    for (QAction* a : frame->findChildren<QAction*>())
        for (const QKeySequence& k : a->shortcuts())
            EXPECT_TRUE(owner.emplace(k.toString(), a->objectName()).second)
                << k.toString().toStdString() << ": " << a->objectName().toStdString() << " and "
                << owner[k.toString()].toStdString();

    closeAll();
    const uint8_t grid = frame->State.GridLines, spell = frame->State.Options.SpellWhileTyping;
    for (const Command& c : kCommands)
        EXPECT_EQ(dialogsDuring([&] { action(c.name)->trigger(); }), 0) << c.name;
    EXPECT_EQ(frame->documentViews().size(), 0u);
    EXPECT_EQ(frame->State.GridLines, grid);
    EXPECT_EQ(frame->State.Options.SpellWhileTyping, spell);
    frame->Edit1Click();
    for (const char* n : {"EditCut1", "EditCopy1", "EditPaste1", "Inhalteeinfgen1", "Rckgngig1", "Wiederholen1"})
        EXPECT_FALSE(action(n)->isEnabled()) << n;
    EXPECT_EQ(frame->undoAction()->text(), QStringLiteral("&Undo: Not available"));
    EXPECT_EQ(frame->redoAction()->text(), QStringLiteral("&Redo: Not available"));
    frame->UndoPopupPopup();
    frame->ReUndoPopupPopup();
    EXPECT_TRUE(frame->undoPopup()->isEmpty());
    EXPECT_TRUE(frame->redoPopup()->isEmpty());
}

TEST_F(FrameMenus, WithAWindowEachCommandRunsItsOperation)
{
    ASSERT_NE(frame->ActiveMDIChild(), nullptr);
    using Check = std::function<void(TMDIChild&)>;
    auto selectAll = [](TMDIChild& w) { key(w, 'A', ssCtrl); };
    auto noop = [](TMDIChild&) {};
    // What the window had before the command, for commands that add to it.
    static int32_t saved = 0;
    auto save = [](int32_t v) { saved = v; };
    const struct {
        const char* name;
        Check before, after;
    } cases[] = {
        {"Rckgngig1", noop, [](TMDIChild& w) { EXPECT_EQ(bodyText(w), ""); }},
        {"Wiederholen1", [](TMDIChild& w) { w.RestoreCopyFromUndo(0); },
         [](TMDIChild& w) { EXPECT_EQ(bodyText(w), "ab"); }},
        {"Allesmarkieren1", noop, [](TMDIChild& w) { EXPECT_TRUE(w.isThereAmarking()); }},
        {"EditCopy1", selectAll,
         [](TMDIChild& w) {
             EXPECT_EQ(clipboard().text(), "ab");
             EXPECT_EQ(bodyText(w), "ab");
         }},
        {"EditCut1", selectAll,
         [](TMDIChild& w) {
             EXPECT_EQ(clipboard().text(), "ab");
             EXPECT_EQ(bodyText(w), "");
         }},
        {"EditPaste1", [](TMDIChild&) { clipboard().set("xy", {}); },
         [](TMDIChild& w) { EXPECT_EQ(bodyText(w), "abxy"); }},
        {"Markierunglschen1", selectAll, [](TMDIChild& w) { EXPECT_EQ(bodyText(w), ""); }},
        {"Textfeld1", noop, [](TMDIChild& w) { EXPECT_EQ(w.InsertMode, 1); }},
        {"Rechteck1", noop, [](TMDIChild& w) { EXPECT_EQ(w.InsertMode, 2); }},
        {"Ellipse1", noop, [](TMDIChild& w) { EXPECT_EQ(w.InsertMode, 3); }},
        {"Linie1", noop, [](TMDIChild& w) { EXPECT_EQ(w.InsertMode, 4); }},
        {"HorizontaleLinie1", noop, [](TMDIChild& w) { EXPECT_EQ(w.InsertMode, 5); }},
        {"VertikaleLinie1", noop, [](TMDIChild& w) { EXPECT_EQ(w.InsertMode, 6); }},
        {"Funote1", [save](TMDIChild& w) { save(w.AreaCount()); },
         [](TMDIChild& w) { EXPECT_EQ(w.AreaCount(), saved + 1); }},
        {"ManuellerWechsel1", noop,
         [](TMDIChild& w) {
             EXPECT_TRUE(std::any_of(w.Areas[0].Lines.begin(), w.Areas[0].Lines.end(),
                                     [](const TextLine& l) { return l.EndKind == ekPageBreak; }));
         }},
        {"Englisch1", noop, [](TMDIChild& w) { EXPECT_EQ(w.DocLanguage, 1); }},
        {"AutomatischeSilbentrennung1", [save](TMDIChild& w) { save(w.AutoHyphenation); },
         [](TMDIChild& w) { EXPECT_EQ(w.AutoHyphenation, saved ? 0 : 1); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        frame->FileNew1Execute();
        TMDIChild& w = doc();
        type(w, "ab");
        c.before(w);
        frame->Edit1Click();
        action(c.name)->trigger();
        c.after(w);
    }

    // Dialog commands reach their dialog (or their message) with a window.
    frame->FileNew1Execute();
    type(doc(), "ab");
    for (const char* name : {"Suchen1", "Ersetzen1", "Gehezu1", "Feld2", "Sonderzeichen1", "NeueAbsatzvorlage1",
                             "Vorlagenverwalten1", "NummerierungundAufzhlungen1", "Seiteeinrichten1", "Drucken1",
                             "Eigenschaften1", "Benutzerwrterbuch1", "Tabelleeinfgen1"})
        EXPECT_GT(dialogsDuring([&] { action(name)->trigger(); }), 0) << name;
}

TEST_F(FrameMenus, CheckableItemsFollowTheirStateOnceEachClick)
{
    TMDIChild& w = doc();
    struct Toggle {
        const char* name;
        std::function<int()> state;
    } toggles[] = {
        {"Gitternetzlinien1", [&] { return int(frame->State.GridLines); }},
        {"berprfungwhrendderEingabe1", [&] { return int(frame->State.Options.SpellWhileTyping); }},
        {"AutomatischeSilbentrennung1", [&] { return int(w.AutoHyphenation); }},
    };
    for (const Toggle& t : toggles) {
        SCOPED_TRACE(t.name);
        QAction* a = action(t.name);
        const int start = t.state();
        // Also when the mark was never brought up to date by its menu.
        a->setChecked(!start);
        for (int click = 1; click <= 3; ++click) {
            a->trigger();
            EXPECT_EQ(t.state(), (start + click) % 2) << click;
            EXPECT_EQ(a->isChecked(), t.state() != 0);
        }
    }
    action("Deutsch1")->trigger();
    EXPECT_EQ(w.DocLanguage, 0);
    action("Englisch1")->trigger();
    frame->Sprache1Click();
    EXPECT_TRUE(action("Englisch1")->isChecked());
    EXPECT_FALSE(action("Deutsch1")->isChecked());
}

TEST_F(FrameMenus, EditMenuCaptionsAndTheUndoLists)
{
    TMDIChild& w = doc();
    type(w, "word");
    key(w, VK_RETURN);
    frame->Edit1Click();
    EXPECT_EQ(frame->undoAction()->text(), QStringLiteral("&Undo: Input return"));
    EXPECT_TRUE(frame->undoAction()->isEnabled());
    EXPECT_FALSE(frame->redoAction()->isEnabled());

    frame->State.Options.UndoDepth = 100;
    for (int i = 0; i < 30; ++i) w.MakeCopyForUndo("Step " + std::to_string(i));
    const int32_t pos = w.UndoPos;
    frame->UndoPopupPopup();
    const QList<QAction*> undo = frame->undoPopup()->actions();
    ASSERT_EQ(undo.size(), 20);
    EXPECT_EQ(undo[0]->text(), QStringLiteral("Step 29"));
    EXPECT_EQ(undo[19]->text(), QStringLiteral("Step 10"));
    undo[2]->trigger();
    EXPECT_EQ(w.UndoPos, pos - 3);

    frame->ReUndoPopupPopup();
    const QList<QAction*> redo = frame->redoPopup()->actions();
    ASSERT_EQ(redo.size(), 3);
    EXPECT_EQ(redo[0]->text(), QStringLiteral("Step 27"));
    redo[1]->trigger();
    EXPECT_EQ(w.UndoPos, pos - 1);
    frame->Edit1Click();
    EXPECT_EQ(frame->redoAction()->text(), QStringLiteral("&Redo: Step 29"));
}

TEST_F(FrameMenus, ADrawingObjectEnablesCutAndCopyAndDisablesTheTableMenu)
{
    TMDIChild& w = doc();
    frame->Edit1Click();
    EXPECT_FALSE(action("EditCut1")->isEnabled());
    TextArea shape = w.Areas[size_t(w.Cursor.Area)];
    shape.AreaType = atRectangle;
    shape.PrevInFlow = shape.NextInFlow = -1;
    shape.Selected = 1;
    w.Areas.push_back(shape);
    w.Cursor = w.Anchor = TextPos{w.AreaCount() - 1, 0, 0};
    frame->Edit1Click();
    EXPECT_TRUE(action("EditCut1")->isEnabled());
    EXPECT_TRUE(action("EditCopy1")->isEnabled());

    // The page popup's fixed items are enabled by the same handlers.
    QMenu popup;
    frame->activeView()->AddFixedPopupItems(popup);
    EXPECT_TRUE(popup.actions().contains(action("EditCut1")));
    EXPECT_TRUE(popup.actions().contains(action("Feld1")));
    for (QAction* a : frame->tableMenu()->actions())
        if (!a->isSeparator() && a->objectName() != QLatin1String("Gitternetzlinien1")) {
            EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
        }
}

TEST_F(FrameMenus, KeysTakeOnePath)
{
    // Del with a selection deletes as the Delete key does in the window.
    DocumentView* first = frame->activeView();
    type(first->child(), "hello world");
    key(first->child(), VK_HOME);
    for (int i = 0; i < 5; ++i) key(first->child(), VK_RIGHT, ssShift);
    frame->FileNew1Execute();
    DocumentView* made = frame->activeView();
    type(made->child(), "hello world");
    key(made->child(), VK_HOME);
    for (int i = 0; i < 5; ++i) key(made->child(), VK_RIGHT, ssShift);
    key(made->child(), VK_DELETE);

    frame->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(first->parentWidget()));
    ASSERT_EQ(frame->activeView(), first);
    frame->activateWindow();
    (void)QTest::qWaitForWindowActive(frame.get(), 1000);
    frame->Edit1Click();
    QTest::keyClick(first, Qt::Key_Delete);
    EXPECT_EQ(bodyText(first->child()), " world");
    EXPECT_EQ(bodyText(first->child()), bodyText(made->child()));
    EXPECT_EQ(first->child().UndoCopies.size(), made->child().UndoCopies.size());

    // Ctrl+A selects once; in a toolbar's line edit it stays there.
    QTest::keyClick(first, Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(first->child().isThereAmarking());
    key(first->child(), VK_END);
    QLineEdit* edit = frame->zoomBox()->lineEdit();
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    EXPECT_FALSE(first->child().isThereAmarking());
    EXPECT_EQ(edit->selectedText(), edit->text());
}

TEST_F(FrameMenus, CommandsAreRefusedWhileTheFrameIsBusy)
{
    TMDIChild& w = doc();
    type(w, "ab");
    {
        const FrameBusy::Scope printing;
        action("Allesmarkieren1")->trigger();
        action("Rechteck1")->trigger();
        EXPECT_FALSE(w.isThereAmarking());
        EXPECT_EQ(w.InsertMode, 0);
    }
    // Inside a modal dialog's loop.
    QDialog dialog(frame.get());
    QTimer::singleShot(0, [&] {
        action("Allesmarkieren1")->trigger();
        dialog.reject();
    });
    dialog.exec();
    EXPECT_FALSE(w.isThereAmarking());

    // A press on the page holds the frame until its release.
    DocumentView* view = frame->activeView();
    for (int i = 0; i < 200 && !view->paintIdle(); ++i) QTest::qWait(5);
    view->fireTimer2();
    QWidget* page = view->pageViewport();
    QTest::mousePress(page, Qt::LeftButton, Qt::NoModifier, QPoint(60, 60));
    EXPECT_TRUE(FrameBusy::now());
    action("Rechteck1")->trigger();
    EXPECT_EQ(w.InsertMode, 0);
    QTest::mouseRelease(page, Qt::LeftButton, Qt::NoModifier, QPoint(60, 60));
    EXPECT_FALSE(FrameBusy::now());

    action("Rechteck1")->trigger();
    EXPECT_EQ(w.InsertMode, 2);
    EXPECT_EQ(FrameBusy::depth(), 0);
}

} // namespace
