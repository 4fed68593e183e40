// The frame's field commands (Insert > Page number, Date and time, Manual
// page break, Field, Footnote, Form field, the form dialog, File > Properties, count
// words) and the mail-merge table: the Database menu, the database form and
// the binding of DatabaseFile. Each document command acts on the active
// window and does nothing without one.
//
// Ctrl+Alt+L (last dataset) locks the screen on several Linux desktops and
// may not reach the program there; the shortcut stays as it is.

#include "app/Main.h"

#include "app/CommandGuard.h"
#include "app/DocumentView.h"
#include "app/dialogs/DBFUnit.h"
#include "app/dialogs/FieldFUnits.h"
#include "engine/Childwin.h"
#include "engine/Settings.h"
#include "platform/DbfTable.h"
#include "platform/MessageBox.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace quillet {

struct TMainForm::FieldControls {
    QMenu* DatabaseMenu = nullptr;
    std::vector<QAction*> DocumentItems;  // Insert items needing a text area
    std::vector<QAction*> Moving;         // previous, next, first, last
    QAction* AktuellerDatensatz1 = nullptr;
};

namespace {

QAction* item(QObject* parent, const char* name, const char* text, const char* shortcut = nullptr)
{
    auto* a = new QAction(QString::fromLatin1(text), parent);
    a->setObjectName(QString::fromLatin1(name));
    if (shortcut) a->setShortcut(QKeySequence(QString::fromLatin1(shortcut)));
    return a;
}

} // namespace

void TMainForm::createFieldCommands()
{
    Fields = std::make_shared<FieldControls>();
    FieldControls& f = *Fields;
    auto on = [this](QAction* a, void (TMainForm::*method)()) {
        connect(a, &QAction::triggered, this, [this, method] { guardedCommand([&] { (this->*method)(); }); });
    };

    QMenu* insert = insertMenu();
    if (insert) {
        const struct { const char* name; const char* text; void (TMainForm::*method)(); } items[] = {
            {"Seitenzahl1", "Page &number", &TMainForm::Seitenzahl1Click},
            {"DatumundUhrzeit1", "&Date and time...", &TMainForm::DatumundUhrzeit1Click},
            {"ManuellerWechsel1", "Manuel page &break", &TMainForm::ManuellerWechsel1Click},
            {"Feld2", "F&ield...", &TMainForm::Feld2Click},
            {"Funote1", "&Footnote", &TMainForm::Funote1Click},
            {"Formularfeld1", "F&ormfield...", &TMainForm::Formularfeld1Click},
            {"Formulardialog1", "Form dialog...", &TMainForm::Formulardialog1Click},
        };
        QAction* first = insert->actions().isEmpty() ? nullptr : insert->actions().front();
        for (const auto& i : items) {
            QAction* a = item(this, i.name, i.text);
            on(a, i.method);
            insert->insertAction(first, a);
            f.DocumentItems.push_back(a);
        }
        insert->insertSeparator(first);
        connect(insert, &QMenu::aboutToShow, this, [this] { guardedCommand([&] { Einfgen1Click(); }); });
    }
    QAction* props = item(this, "Eigenschaften1", "Properties");
    on(props, &TMainForm::EigenschaftenM1Click);
    FileMenu->insertAction(FileMenu->actions().isEmpty() ? nullptr : FileMenu->actions().back(), props);
    QAction* count = item(this, "Wrterzhlen1", "&Count words...");
    on(count, &TMainForm::Wrterzhlen1Click);
    ExtrasMenu->insertAction(ExtrasMenu->actions().isEmpty() ? nullptr : ExtrasMenu->actions().front(), count);

    f.DatabaseMenu = new QMenu(QStringLiteral("&Database"), this);
    f.DatabaseMenu->setObjectName(QStringLiteral("Datenbank1"));
    menuBar()->insertMenu(WindowMenu->menuAction(), f.DatabaseMenu);
    QMenu& db = *f.DatabaseMenu;
    auto add = [&](const char* name, const char* text, void (TMainForm::*method)(), const char* key = nullptr) {
        QAction* a = item(this, name, text, key);
        on(a, method);
        db.addAction(a);
        return a;
    };
    add("Datenbankwhlen1", "&Select database...", &TMainForm::Datenbankwhlen1Click);
    add("Datenbankbearbeiten1", "&Edit database...", &TMainForm::Datenbankbearbeiten1Click);
    add("Zuordnungaufheben1", "&Remove database connection", &TMainForm::Zuordnungaufheben1Click);
    db.addSeparator();
    f.Moving.push_back(add("VorherigerDatensatz1", "&Previous dataset", &TMainForm::VorherigerDatensatz1Click, "Ctrl+Alt+V"));
    f.Moving.push_back(add("NchsterDatensatz1", "&Next dataset", &TMainForm::NchsterDatensatz1Click, "Ctrl+Alt+N"));
    db.addSeparator();
    f.Moving.push_back(add("ErsterDatensatz1", "&First dataset", &TMainForm::ErsterDatensatz1Click, "Ctrl+Alt+F"));
    f.Moving.push_back(add("LetzterDatensatz1", "&Last dataset", &TMainForm::LetzterDatensatz1Click, "Ctrl+Alt+L"));
    db.addSeparator();
    f.AktuellerDatensatz1 = db.addAction(QString());
    f.AktuellerDatensatz1->setObjectName(QStringLiteral("AktuellerDatensatz1"));
    connect(&db, &QMenu::aboutToShow, this, [this] { guardedCommand([&] { Datenbank1Click(); }); });

    // At start-up a table that has gone is reported, not made anew.
    State.MergeTable = std::make_shared<DbfTable>();
    ChangeDataBase(false);
    Datenbank1Click();
}

QAction* TMainForm::fieldAction(const char* name) const { return findChild<QAction*>(QString::fromLatin1(name)); }

// ---- Document commands ---------------------------------------------------------------

void TMainForm::Feld2Click() { if (TMDIChild* w = ActiveMDIChild()) w->FeldEinfuegen(); }
void TMainForm::Funote1Click() { if (TMDIChild* w = ActiveMDIChild()) w->FussnoteEinfuegen(); }
void TMainForm::Seitenzahl1Click() { if (TMDIChild* w = ActiveMDIChild()) w->Seitenzahleinfuegen(); }
void TMainForm::DatumundUhrzeit1Click() { if (TMDIChild* w = ActiveMDIChild()) w->DateTimeEinfuegen(); }
void TMainForm::ManuellerWechsel1Click() { if (TMDIChild* w = ActiveMDIChild()) w->UmbruchEinfuegen(); }
void TMainForm::Formularfeld1Click() { if (TMDIChild* w = ActiveMDIChild()) w->FormularFeldEinfuegen(); }
void TMainForm::Formulardialog1Click() { if (TMDIChild* w = ActiveMDIChild()) w->Formulardialog(); }
void TMainForm::EigenschaftenM1Click() { if (TMDIChild* w = ActiveMDIChild()) w->DokumentEigenschaften(0); }
void TMainForm::Wrterzhlen1Click() { if (TMDIChild* w = ActiveMDIChild()) w->DokumentEigenschaften(1); }

void TMainForm::Einfgen1Click()
{
    const TMDIChild* w = ActiveMDIChild();
    int32_t t = 99;
    if (w && w->Cursor.Area >= 0 && w->Cursor.Area < w->AreaCount()) t = w->Areas[size_t(w->Cursor.Area)].AreaType;
    for (QAction* a : Fields->DocumentItems) a->setEnabled(w && t < 4);
}

// ---- The mail-merge table ------------------------------------------------------------

void TMainForm::ChangeDataBase(bool create)
{
    if (!State.MergeTable) State.MergeTable = std::make_shared<DbfTable>();
    DbfTable& table = *State.MergeTable;
    table.close();
    const std::string& file = State.Options.DatabaseFile;
    if (file.empty()) return;
    if (const std::string reason = table.open(std::filesystem::path(file), create); !reason.empty())
        messageBoxes().showUtf8("Could not open the database " + file + "!\n" + reason, "", MsgIcon::Error,
                                MsgButtons::Ok);
}

namespace {
void refreshActive(TMDIChild* w)
{
    if (!w) return;
    w->RenderAllPages = 1;
    w->CompleteRefresh();
}
} // namespace

void TMainForm::Datenbankwhlen1Click()
{
    std::string name = State.Options.DatabaseFile;
    int32_t filter = 1;
    if (!fileDialogs().getOpenFileName(this, "DBASE files (*.dbf *.DBF)|*.dbf;*.DBF", name, filter)) return;
    State.Options.DatabaseFile = name;
    writeSettings();
    ChangeDataBase(true);
    refreshActive(ActiveMDIChild());
}

void TMainForm::Datenbankbearbeiten1Click()
{
    if (State.Options.DatabaseFile.empty()) Datenbankwhlen1Click();
    ShowDBForm(this, State.MergeTable.get());
    if (TMDIChild* w = ActiveMDIChild()) w->CompleteRefresh();
}

void TMainForm::Zuordnungaufheben1Click()
{
    State.Options.DatabaseFile.clear();
    writeSettings();
    ChangeDataBase(false);
    refreshActive(ActiveMDIChild());
}

namespace {
// The field update of the layout pass marks the lines whose results
// changed, so a move lays out only those, not the whole document.
template <class F>
void moveTable(TMainForm& frame, F&& step)
{
    DbfTable* t = frame.State.MergeTable.get();
    if (!t || !t->isOpen()) return;
    step(*t);
    if (TMDIChild* w = frame.ActiveMDIChild()) {
        w->RenderAllPages = 1;
        w->RefreshDirtyContent();
    }
}
} // namespace

void TMainForm::VorherigerDatensatz1Click() { moveTable(*this, [](DbfTable& t) { t.prior(); }); }
void TMainForm::NchsterDatensatz1Click() { moveTable(*this, [](DbfTable& t) { t.next(); }); }
void TMainForm::ErsterDatensatz1Click() { moveTable(*this, [](DbfTable& t) { t.first(); }); }
void TMainForm::LetzterDatensatz1Click() { moveTable(*this, [](DbfTable& t) { t.last(); }); }

void TMainForm::Datenbank1Click()
{
    const DbfTable* t = State.MergeTable.get();
    const bool open = t && t->isOpen();
    for (QAction* a : Fields->Moving) a->setEnabled(open);
    Fields->AktuellerDatensatz1->setText(open ? QStringLiteral("Current data set: %1").arg(t->recNo())
                                              : QStringLiteral("Current data set: no data base"));
}

// ---- FieldDialogsUi ------------------------------------------------------------------

bool TMainForm::runFeldEinfuegenDialog(FeldEinfuegenModel& m) { return ShowFeldEinfuegenForm(this, m); }
bool TMainForm::runUserDateTimeDialog(UserDateTimeModel& m) { return ShowUserDateTimeForm(this, m); }
bool TMainForm::runDateTimeDialog(DateTimeModel& m) { return ShowDateTimeForm(this, m); }
bool TMainForm::runInsertFormFieldDialog(InsertFormFieldModel& m) { return ShowInsertFormFieldForm(this, m); }
bool TMainForm::runFormDialog(FormDialogModel& m) { return ShowFormDialogForm(this, m); }
bool TMainForm::runDocumentPropsDialog(DocumentPropsModel& m) { return ShowDocumentPropsForm(this, m); }

} // namespace quillet
