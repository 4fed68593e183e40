// The frame's Edit menu (undo and redo with their drop-down lists, cut,
// copy, paste, paste content, delete selection, select all, find, replace,
// go to), the spell checker items of the Extras menu, the page view's fixed
// popup items and the system clipboard the windows use. Each command acts
// on the active window and does nothing without one.

#include "app/Main.h"

#include "app/CommandGuard.h"
#include "app/DocumentView.h"
#include "app/dialogs/SearchFUnit.h"
#include "app/dialogs/SpellCheckFUnit.h"
#include "engine/Childwin.h"
#include "platform/Clipboard.h"
#include "platform/VirtualKeys.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtText.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>

#include <algorithm>

namespace quillet {

namespace {

// The drop-down lists of the undo and redo buttons show at most this many copies.
constexpr int32_t kUndoListItems = 20;

QString menuText(const std::string& ansi) { return fromAnsi(ansi).replace(QLatin1Char('&'), QStringLiteral("&&")); }

} // namespace

struct TMainForm::EditControls {
    QAction* EditCut1 = nullptr;
    QAction* EditCopy1 = nullptr;
    QAction* EditPaste1 = nullptr;
    QAction* Inhalteeinfgen1 = nullptr;
    QAction* SpellWhileTyping = nullptr;
    QMenu* SpellingMenu = nullptr;
    QMenu* UndoPopup = nullptr;
    QMenu* ReUndoPopup = nullptr;
    QtClipboard Board;
    // Whether the system clipboard holds something to paste. The Edit menu
    // is enabled after every paint pass, and asking the clipboard's owner
    // each time is a round trip to another program; the flag follows the
    // clipboard's change notices instead.
    bool PasteAvailable = false;
};

void TMainForm::createEditCommands()
{
    EditCmds = std::make_shared<EditControls>();
    EditControls& e = *EditCmds;
    setClipboard(&e.Board);
    auto notePaste = [this] {
        const Clipboard& b = EditCmds->Board;
        EditCmds->PasteAvailable = b.hasPrivate() || b.hasText() || b.hasPicture();
    };
    notePaste();
    if (QClipboard* system = QGuiApplication::clipboard())
        connect(system, &QClipboard::dataChanged, this, [notePaste] { guardedEvent(notePaste); });

    auto make = [this](const char* name, const char* text, const char* shortcut, auto&& work) {
        auto* a = new QAction(QString::fromLatin1(text), this);
        a->setObjectName(QString::fromLatin1(name));
        if (shortcut) a->setShortcut(QKeySequence(QString::fromLatin1(shortcut)));
        connect(a, &QAction::triggered, this, [this, work] {
            guardedCommand([&] {
                if (TMDIChild* w = ActiveMDIChild()) work(*w);
            });
        });
        addAction(a);
        return a;
    };
    e.EditCut1 = make("EditCut1", "Cut", "Ctrl+X", [](TMDIChild& w) { w.KopierenInZwischenAblage(1); });
    e.EditCopy1 = make("EditCopy1", "Copy", "Ctrl+C", [](TMDIChild& w) { w.KopierenInZwischenAblage(0); });
    e.EditPaste1 = make("EditPaste1", "Paste", "Ctrl+V", [](TMDIChild& w) { w.EinfuegenAusZwischenAblage(0); });
    e.Inhalteeinfgen1 = make("Inhalteeinfgen1", "Paste content...", nullptr,
                             [](TMDIChild& w) { w.InhalteEinfuegenAusZwischenAblage(); });
    // Del and Ctrl+A reach the window through these actions only: the frame
    // takes the keys before the document view sees them.
    QAction* erase = make("Markierunglschen1", "Delete selection", "Del", [](TMDIChild& w) {
        uint16_t key = VK_DELETE;
        w.getkeysKeyDown(key, 0);
    });
    QAction* all = make("Allesmarkieren1", "Select &all", "Ctrl+A", [](TMDIChild& w) {
        uint16_t key = 'A';
        w.getkeysKeyDown(key, ssCtrl);
    });
    // Undo and redo are made with the Edit menu; their keys and hints are here.
    Rckgngig1->setShortcut(QKeySequence(QStringLiteral("Ctrl+Z")));
    Rckgngig1->setToolTip(QStringLiteral("Undo"));
    Wiederholen1->setShortcut(QKeySequence(QStringLiteral("Ctrl+Y")));
    Wiederholen1->setToolTip(QStringLiteral("Redo"));
    QAction* find = make("Suchen1", "&Find...", "Ctrl+F", [](TMDIChild& w) { w.SuchenErsetzen(0); });
    QAction* replace = make("Ersetzen1", "Replace...", "Ctrl+H", [](TMDIChild& w) { w.SuchenErsetzen(1); });
    QAction* go = make("Gehezu1", "&Goto...", "Ctrl+G", [](TMDIChild& w) { w.SuchenErsetzen(2); });
    if (QMenu* edit = editMenu()) {
        edit->addSeparator();
        for (QAction* a : {e.EditCut1, e.EditCopy1, e.EditPaste1, e.Inhalteeinfgen1, erase}) edit->addAction(a);
        edit->addSeparator();
        for (QAction* a : {all, find, replace, go}) edit->addAction(a);
    }
    Edit1Click();

    e.UndoPopup = new QMenu(this);
    e.UndoPopup->setObjectName(QStringLiteral("UndoPopup"));
    connect(e.UndoPopup, &QMenu::aboutToShow, this, [this] { guardedCommand([&] { UndoPopupPopup(); }); });
    e.ReUndoPopup = new QMenu(this);
    e.ReUndoPopup->setObjectName(QStringLiteral("ReUndoPopup"));
    connect(e.ReUndoPopup, &QMenu::aboutToShow, this, [this] { guardedCommand([&] { ReUndoPopupPopup(); }); });

    QAction* whole = make("GesamtesDokument1", "&Document...", "F7", [](TMDIChild& w) { w.Rechtschreibpruefung(1); });
    QAction* fromCursor =
        make("AbSchreibmarke1", "&Starting at cursor", nullptr, [](TMDIChild& w) { w.Rechtschreibpruefung(0); });
    e.SpellWhileTyping = new QAction(QStringLiteral("&Spell check when entering words"), this);
    e.SpellWhileTyping->setObjectName(QStringLiteral("berprfungwhrendderEingabe1"));
    e.SpellWhileTyping->setCheckable(true);
    connect(e.SpellWhileTyping, &QAction::triggered, this, [this] {
        // Qt has already flipped the check mark; the option itself decides.
        if (!guardedCommand([&] { berprfungwhrendderEingabe1Click(); })) Rechtschreibung1Click();
    });
    if (ExtrasMenu) {
        e.SpellingMenu = new QMenu(QStringLiteral("Spell checker"), ExtrasMenu);
        e.SpellingMenu->setObjectName(QStringLiteral("Rechtschreibung1"));
        e.SpellingMenu->addAction(whole);
        e.SpellingMenu->addAction(fromCursor);
        e.SpellingMenu->addAction(Benutzerwrterbuch1);
        e.SpellingMenu->addAction(e.SpellWhileTyping);
        ExtrasMenu->insertMenu(ExtrasMenu->actions().value(0), e.SpellingMenu);
        ExtrasMenu->removeAction(Benutzerwrterbuch1);
        connect(e.SpellingMenu, &QMenu::aboutToShow, this, [this] { guardedCommand([&] { Rechtschreibung1Click(); }); });
    }
    Rechtschreibung1Click();

    // The page view's popup: below any spelling block, the frame's own items,
    // enabled by the menus' opening handlers.
    auto fixedItems = [this](QMenu& popup) {
        guardedEvent([&] {
            Tabelle1Click();
            Edit1Click();
            Datenbank1Click();
            Einfgen1Click();
            Format1Click();
            for (QAction* a : pagePopupItems()) {
                if (a) popup.addAction(a);
                else popup.addSeparator();
            }
        });
    };
    connect(this, &TMainForm::windowMade, this, [fixedItems](DocumentView* v) { v->AddFixedPopupItems = fixedItems; });
    for (DocumentView* v : documentViews()) v->AddFixedPopupItems = fixedItems;
}

std::vector<QAction*> TMainForm::pagePopupItems() const
{
    auto named = [this](const char* name) { return findChild<QAction*>(QString::fromLatin1(name)); };
    std::vector<QAction*> items;
    for (const char* name : {"EditCut1", "EditCopy1", "EditPaste1", "", "Absatz1", "Zeichen1", "", "Feld1", "GrafikM2"}) {
        if (!*name) {
            if (!items.empty() && items.back()) items.push_back(nullptr);
            continue;
        }
        if (QAction* a = named(name)) items.push_back(a);
    }
    while (!items.empty() && !items.back()) items.pop_back();
    return items;
}

void TMainForm::Edit1Click()
{
    if (!EditCmds) return;
    EditControls& e = *EditCmds;
    TMDIChild* w = ActiveMDIChild();
    bool selected = false, paste = false;
    if (w) {
        selected = w->isThereAmarking() ||
                   std::any_of(w->Areas.begin(), w->Areas.end(),
                               [](const TextArea& a) { return a.AreaType > atFooter && a.Selected; });
        const Clipboard& b = clipboard();
        paste = &b == &e.Board ? e.PasteAvailable : b.hasPrivate() || b.hasText() || b.hasPicture();
    }
    e.EditCut1->setEnabled(selected);
    e.EditCopy1->setEnabled(selected);
    e.EditPaste1->setEnabled(paste);
    e.Inhalteeinfgen1->setEnabled(paste);
    if (w) w->SetUndoHints();
    else setUndoHints({}, {});
}

QMenu* TMainForm::undoPopup() const { return EditCmds ? EditCmds->UndoPopup : nullptr; }
QMenu* TMainForm::redoPopup() const { return EditCmds ? EditCmds->ReUndoPopup : nullptr; }

void TMainForm::UndoPopupPopup()
{
    QMenu& list = *EditCmds->UndoPopup;
    list.clear();
    const TMDIChild* w = ActiveMDIChild();
    if (!w) return;
    const int32_t count = static_cast<int32_t>(w->UndoCopies.size());
    const int32_t p = std::clamp(w->UndoPos, 0, count);
    for (int32_t copy = p - 1, index = 0; copy >= 0 && index < kUndoListItems; --copy, ++index) {
        QAction* a = list.addAction(menuText(w->UndoCopies[size_t(copy)].Label));
        connect(a, &QAction::triggered, this, [this, index] { guardedCommand([&] { UndoItemClick(index); }); });
    }
}

void TMainForm::ReUndoPopupPopup()
{
    QMenu& list = *EditCmds->ReUndoPopup;
    list.clear();
    const TMDIChild* w = ActiveMDIChild();
    if (!w) return;
    const int32_t count = static_cast<int32_t>(w->UndoCopies.size());
    const int32_t p = std::clamp(w->UndoPos, 0, count);
    // The last copy is the state before the first undo: the target of a
    // redo, not a step of its own.
    for (int32_t copy = p, index = 0; copy < count - 1 && index < kUndoListItems; ++copy, ++index) {
        QAction* a = list.addAction(menuText(w->UndoCopies[size_t(copy)].Label));
        connect(a, &QAction::triggered, this, [this, index] { guardedCommand([&] { ReUndoItemClick(index); }); });
    }
}

void TMainForm::UndoItemClick(int32_t index)
{
    if (TMDIChild* w = ActiveMDIChild()) w->RestoreCopyFromUndo(index);
}

void TMainForm::ReUndoItemClick(int32_t index)
{
    if (TMDIChild* w = ActiveMDIChild()) w->RestoreBeforeRestoreCopyFromUndo(index);
}

void TMainForm::Rechtschreibung1Click()
{
    if (EditCmds) EditCmds->SpellWhileTyping->setChecked(State.Options.SpellWhileTyping != 0);
}

void TMainForm::berprfungwhrendderEingabe1Click()
{
    // The option, not the item's mark, is what gets inverted: the mark has
    // been flipped by the click already.
    if (TMDIChild* w = ActiveMDIChild()) {
        State.Options.SpellWhileTyping = State.Options.SpellWhileTyping ? 0 : 1;
        w->SetAllDirtyFlags();
        w->MakeSoftEnters();
        w->Host->restartTimer2();
    }
    Rechtschreibung1Click();
}

int32_t TMainForm::runSearchDialog(SearchFormModel& model) { return ShowSearchForm(this, model); }

int32_t TMainForm::runSpellCheckDialog(SpellCheckModel& model) { return ShowSpellCheckForm(this, model); }

bool TMainForm::runInsertContentDialog(InsertContentModel& model) { return ShowInsertContentForm(this, model); }

} // namespace quillet
