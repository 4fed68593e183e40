// The frame's Table menu: insert a table, rows and columns, delete cells,
// rows and columns, divide the table, equal widths, format cells and the
// grid lines switch, and the Qt views of the table dialogs every document
// window shows through. Each command acts on the active window and does
// nothing without one; the items are enabled to match the caret as the
// menu opens.

#include "app/Main.h"

#include "app/CommandGuard.h"
#include "app/DocumentView.h"
#include "app/dialogs/InsertTableFUnit.h"
#include "app/dialogs/TableCellFUnit.h"
#include "engine/Childwin.h"
#include "engine/DocWalk.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace quillet {

namespace {

// The table dialogs, made once and kept for the run.
class FrameTableDialogs : public TableDialogUi {
public:
    explicit FrameTableDialogs(QWidget* parent)
        : Table(parent), Rows(false, parent), Cols(true, parent), Cells(parent)
    {
    }
    bool runInsertTableDialog(TInsertTableForm& f) override { return ShowInsertTableForm(Table, f); }
    bool runInsertTableLinesDialog(TInsertTableLinesForm& f) override { return ShowInsertTableLinesForm(Rows, f); }
    bool runInsertTableColsDialog(TInsertTableColsForm& f) override { return ShowInsertTableColsForm(Cols, f); }
    bool runTableCellDialog(TTableCellForm& f) override { return ShowTableCellForm(Cells, f); }

    TInsertTableView Table;
    TInsertTableLinesView Rows;
    TInsertTableLinesView Cols;
    TTableCellView Cells;
};

} // namespace

struct TMainForm::TableControls {
    QMenu* Menu = nullptr;
    QAction* InsertTable = nullptr;
    std::vector<QAction*> InTable;  // enabled only with the caret in a cell
    QAction* GridLines = nullptr;
    std::unique_ptr<FrameTableDialogs> Dialogs;
};

void TMainForm::createTableCommands()
{
    Tables = std::make_shared<TableControls>();
    TableControls& t = *Tables;
    t.Dialogs = std::make_unique<FrameTableDialogs>(this);

    t.Menu = new QMenu(QStringLiteral("Tab&le"), this);
    t.Menu->setObjectName(QStringLiteral("Tabelle1"));
    menuBar()->insertMenu(ExtrasMenu ? ExtrasMenu->menuAction() : nullptr, t.Menu);

    auto add = [this, &t](const char* name, const char* text, std::function<void(TMDIChild&)> op) {
        auto* a = new QAction(QString::fromLatin1(text), this);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, [this, op] {
            guardedCommand([&] {
                if (TMDIChild* w = ActiveMDIChild()) op(*w);
            });
        });
        t.Menu->addAction(a);
        return a;
    };
    t.InsertTable = add("Tabelleeinfgen1", "&Insert table...", [](TMDIChild& w) { w.inserttable(); });
    t.Menu->addSeparator();
    const struct {
        const char* name;
        const char* text;
        void (*op)(TMDIChild&);
    } items[] = {
        {"Zeileeinfgen1", "Insert &rows", [](TMDIChild& w) { w.insertTableLines(); }},
        {"Zeileanhngen1", "Add ro&w", [](TMDIChild& w) { w.AddTableLines(); }},
        {"Zeilenlschen1", "Delete rows", [](TMDIChild& w) { w.DeleteTableCells(1); }},
        {nullptr, nullptr, nullptr},
        {"Spalteneinfgen1", "Insert &columns", [](TMDIChild& w) { w.InsertTableCols(0); }},
        {"Spaltenanhngen1", "&Add column", [](TMDIChild& w) { w.InsertTableCols(1); }},
        {"Spaltenlschen1", "Delete columns", [](TMDIChild& w) { w.DeleteTableCells(2); }},
        {nullptr, nullptr, nullptr},
        {"Zellenlschen1", "&Delete cells", [](TMDIChild& w) { w.DeleteTableCells(0); }},
        {"Tabelleteilen1", "&Divide table", [](TMDIChild& w) { w.TabelleTeilen(); }},
        {"Spaltengleichmigverteilen1", "Equal column widths...", [](TMDIChild& w) { w.VerteileTableCols(); }},
        {"Zellenformatieren1", "&Format cells...", [](TMDIChild& w) { w.Zellenformatieren(); }},
    };
    for (const auto& i : items) {
        if (!i.name) {
            t.Menu->addSeparator();
            continue;
        }
        t.InTable.push_back(add(i.name, i.text, i.op));
    }
    t.Menu->addSeparator();
    t.GridLines = new QAction(QStringLiteral("&Grid lines"), this);
    t.GridLines->setObjectName(QStringLiteral("Gitternetzlinien1"));
    t.GridLines->setCheckable(true);
    t.GridLines->setChecked(State.GridLines != 0);
    connect(t.GridLines, &QAction::triggered, this, [this] {
        // Qt has flipped the mark already; the frame's switch is what gets
        // inverted, and the mark shows it again.
        guardedCommand([&] { Gitternetzlinien1Click(); });
        Tables->GridLines->setChecked(State.GridLines != 0);
    });
    t.Menu->addAction(t.GridLines);

    connect(t.Menu, &QMenu::aboutToShow, this, [this] { guardedCommand([&] { Tabelle1Click(); }); });
    connect(this, &TMainForm::windowMade, this, [this](DocumentView* v) {
        v->child().TableDialogs = Tables->Dialogs.get();
    });
}

void TMainForm::Tabelle1Click()
{
    TableControls& t = *Tables;
    TMDIChild* w = ActiveMDIChild();
    const TextArea* area = w && validIndex(w->Cursor.Area, w->Areas.size()) ? &w->Areas[size_t(w->Cursor.Area)] : nullptr;
    // Not in a drawing object.
    const bool usable = area && area->AreaType <= atTextFrame;
    const TextLine* line = usable ? lineAt(*w, w->Cursor) : nullptr;
    const bool inCell = line && line->IsCell;
    t.InsertTable->setEnabled(usable && !inCell);
    for (QAction* a : t.InTable) a->setEnabled(inCell);
    t.GridLines->setChecked(State.GridLines != 0);
}

void TMainForm::Gitternetzlinien1Click()
{
    if (!ActiveMDIChild()) return;
    State.GridLines = State.GridLines ? 0 : 1;
    // The renderer reads the switch from the frame, for every window.
    for (DocumentView* v : documentViews()) v->restartTimer2();
}

QMenu* TMainForm::tableMenu() const { return Tables ? Tables->Menu : nullptr; }

} // namespace quillet
