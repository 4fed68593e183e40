// The frame's Edit menu items (cut, copy, paste, paste content, delete
// selection, select all, find, replace, go to), the spell checker items of
// the Extras menu and the system clipboard the windows use. Each command
// acts on the active window and does nothing without one.

#include "app/Main.h"

#include "app/CommandGuard.h"
#include "app/dialogs/SearchFUnit.h"
#include "app/dialogs/SpellCheckFUnit.h"
#include "engine/Childwin.h"
#include "platform/Clipboard.h"
#include "platform/VirtualKeys.h"
#include "platform/qt/QtClipboard.h"

#include <QAction>
#include <QMenu>

#include <algorithm>

namespace quillet {

struct TMainForm::EditControls {
    QAction* EditCut1 = nullptr;
    QAction* EditCopy1 = nullptr;
    QAction* EditPaste1 = nullptr;
    QAction* Inhalteeinfgen1 = nullptr;
    QAction* SpellWhileTyping = nullptr;
    QtClipboard Board;
};

void TMainForm::createEditCommands()
{
    EditCmds = std::make_shared<EditControls>();
    EditControls& e = *EditCmds;
    setClipboard(&e.Board);

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
    QAction* erase = make("Markierunglschen1", "Delete selection", "Del", [](TMDIChild& w) {
        uint16_t key = VK_DELETE;
        w.getkeysKeyDown(key, 0);
    });
    QAction* all = make("Allesmarkieren1", "Select &all", "Ctrl+A", [](TMDIChild& w) {
        uint16_t key = 'A';
        w.getkeysKeyDown(key, ssCtrl);
    });
    QAction* find = make("Suchen1", "&Find...", "Ctrl+F", [](TMDIChild& w) { w.SuchenErsetzen(0); });
    QAction* replace = make("Ersetzen1", "Replace...", "Ctrl+H", [](TMDIChild& w) { w.SuchenErsetzen(1); });
    QAction* go = make("Gehezu1", "&Goto...", "Ctrl+G", [](TMDIChild& w) { w.SuchenErsetzen(2); });
    if (QMenu* edit = editMenu()) {
        edit->addSeparator();
        for (QAction* a : {e.EditCut1, e.EditCopy1, e.EditPaste1, e.Inhalteeinfgen1, erase}) edit->addAction(a);
        edit->addSeparator();
        for (QAction* a : {all, find, replace, go}) edit->addAction(a);
        // Cut and copy need something selected, paste something to paste.
        connect(edit, &QMenu::aboutToShow, this, [this] {
            guardedCommand([&] {
                const TMDIChild* w = ActiveMDIChild();
                bool selected = false, paste = false;
                if (w) {
                    selected = w->isThereAmarking() ||
                               std::any_of(w->Areas.begin(), w->Areas.end(),
                                           [](const TextArea& a) { return a.AreaType > atFooter && a.Selected; });
                    const Clipboard& b = clipboard();
                    paste = b.hasPrivate() || b.hasText() || b.hasPicture();
                }
                EditCmds->EditCut1->setEnabled(selected);
                EditCmds->EditCopy1->setEnabled(selected);
                EditCmds->EditPaste1->setEnabled(paste);
                EditCmds->Inhalteeinfgen1->setEnabled(paste);
            });
        });
    }

    QAction* whole = make("GesamtesDokument1", "&Document...", "F7", [](TMDIChild& w) { w.Rechtschreibpruefung(1); });
    QAction* fromCursor =
        make("AbSchreibmarke1", "&Starting at cursor", nullptr, [](TMDIChild& w) { w.Rechtschreibpruefung(0); });
    e.SpellWhileTyping = new QAction(QStringLiteral("&Spell check when entering words"), this);
    e.SpellWhileTyping->setObjectName(QStringLiteral("berprfungwhrendderEingabe1"));
    e.SpellWhileTyping->setCheckable(true);
    connect(e.SpellWhileTyping, &QAction::triggered, this, [this](bool checked) {
        guardedCommand([&] {
            State.Options.SpellWhileTyping = checked ? 1 : 0;
            if (TMDIChild* w = ActiveMDIChild()) {
                w->SetAllDirtyFlags();
                w->MakeSoftEnters();
                w->Host->restartTimer2();
            }
        });
    });
    if (ExtrasMenu) {
        QMenu* spelling = new QMenu(QStringLiteral("Spell checker"), ExtrasMenu);
        spelling->setObjectName(QStringLiteral("Rechtschreibung1"));
        spelling->addAction(whole);
        spelling->addAction(fromCursor);
        spelling->addAction(Benutzerwrterbuch1);
        spelling->addAction(e.SpellWhileTyping);
        ExtrasMenu->insertMenu(ExtrasMenu->actions().value(0), spelling);
        ExtrasMenu->removeAction(Benutzerwrterbuch1);
        connect(spelling, &QMenu::aboutToShow, this, [this] {
            EditCmds->SpellWhileTyping->setChecked(State.Options.SpellWhileTyping != 0);
        });
    }
}

int32_t TMainForm::runSearchDialog(SearchFormModel& model) { return ShowSearchForm(this, model); }

int32_t TMainForm::runSpellCheckDialog(SpellCheckModel& model) { return ShowSpellCheckForm(this, model); }

bool TMainForm::runInsertContentDialog(InsertContentModel& model) { return ShowInsertContentForm(this, model); }

} // namespace quillet
