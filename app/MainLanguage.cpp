// The Extras menu's Language submenu: automatic hyphenation and the
// document's language, shown for the active window as the menu opens.
// Each command acts on the active window and does nothing without one.

#include "app/Main.h"

#include "app/CommandGuard.h"
#include "engine/Childwin.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

namespace quillet {

struct TMainForm::LanguageControls {
    QMenu* Sprache1 = nullptr;
    QAction* AutomatischeSilbentrennung1 = nullptr;
    QAction* Deutsch1 = nullptr;
    QAction* Englisch1 = nullptr;
};

void TMainForm::createLanguageCommands()
{
    Language = std::make_shared<LanguageControls>();
    LanguageControls& l = *Language;
    l.Sprache1 = new QMenu(QStringLiteral("&Language"), this);
    l.Sprache1->setObjectName(QStringLiteral("Sprache1"));

    auto item = [this, &l](const char* name, const char* text, void (TMainForm::*method)()) {
        auto* a = new QAction(QString::fromLatin1(text), this);
        a->setObjectName(QString::fromLatin1(name));
        a->setCheckable(true);
        // A click flips the mark before the handler runs; the handlers go
        // by the window's state, and the marks show it again afterwards.
        connect(a, &QAction::triggered, this, [this, method] {
            guardedCommand([&] { (this->*method)(); });
            Sprache1Click();
        });
        l.Sprache1->addAction(a);
        return a;
    };
    l.AutomatischeSilbentrennung1 =
        item("AutomatischeSilbentrennung1", "&Automatic hyphenation", &TMainForm::AutomatischeSilbentrennung1Click);
    l.Sprache1->addSeparator();
    l.Deutsch1 = item("Deutsch1", "&Deutsch", &TMainForm::Deutsch1Click);
    l.Englisch1 = item("Englisch1", "&Englisch", &TMainForm::Englisch1Click);
    auto* languages = new QActionGroup(l.Sprache1);
    languages->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    languages->addAction(l.Deutsch1);
    languages->addAction(l.Englisch1);
    connect(l.Sprache1, &QMenu::aboutToShow, this, [this] { guardedCommand([&] { Sprache1Click(); }); });

    // After the spell checker's submenu.
    if (ExtrasMenu) {
        QAction* before = nullptr;
        const QList<QAction*> items = ExtrasMenu->actions();
        for (qsizetype i = 0; i + 1 < items.size(); ++i)
            if (items[i]->menu() && items[i]->menu()->objectName() == QLatin1String("Rechtschreibung1"))
                before = items[i + 1];
        ExtrasMenu->insertMenu(before, l.Sprache1);
    }
    Sprache1Click();
}

QMenu* TMainForm::languageMenu() const { return Language ? Language->Sprache1 : nullptr; }

void TMainForm::Sprache1Click()
{
    if (!Language) return;
    const TMDIChild* w = ActiveMDIChild();
    Language->AutomatischeSilbentrennung1->setChecked(w && w->AutoHyphenation);
    Language->Deutsch1->setChecked(w && w->DocLanguage == 0);
    Language->Englisch1->setChecked(w && w->DocLanguage == 1);
}

void TMainForm::AutomatischeSilbentrennung1Click()
{
    TMDIChild* w = ActiveMDIChild();
    if (!w) return;
    w->AutoHyphenation = w->AutoHyphenation ? 0 : 1;
    w->MakeSoftEnters();
    w->Host->restartTimer2();
}

namespace {
void setLanguage(TMDIChild* w, int32_t language)
{
    if (!w) return;
    w->SetNewDokumentSprache(language);
    w->MakeSoftEnters();
    w->Host->restartTimer2();
}
} // namespace

void TMainForm::Deutsch1Click() { setLanguage(ActiveMDIChild(), 0); }
void TMainForm::Englisch1Click() { setLanguage(ActiveMDIChild(), 1); }

} // namespace quillet
