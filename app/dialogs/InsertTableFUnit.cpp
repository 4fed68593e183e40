// Insert table, insert rows and insert columns dialogs.

#include "app/dialogs/InsertTableFUnit.h"

#include "app/dialogs/OkCancelButtons.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace quillet {

namespace {

QSpinBox* countEdit(QWidget* parent, const char* name, int max)
{
    auto* e = new QSpinBox(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setRange(1, max);
    return e;
}

QPushButton* finish(QDialog& d, QLayout* body)
{
    auto* buttons = new QHBoxLayout;
    const OkCancelButtons okCancel = addOkCancelButtons(d, *buttons);
    auto* outer = new QVBoxLayout(&d);
    outer->addLayout(body);
    outer->addLayout(buttons);
    return okCancel.Ok;
}

} // namespace

TInsertTableView::TInsertTableView(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Insert table"));
    setModal(true);
    ColAnzEd = countEdit(this, "ColAnzEd", kInsertTableMaxColumns);
    RowAnzEd = countEdit(this, "RowAnzEd", kInsertTableMaxRows);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Column count"), this), 0, 0);
    grid->addWidget(ColAnzEd, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Row count"), this), 1, 0);
    grid->addWidget(RowAnzEd, 1, 1);
    OkButton = finish(*this, grid);
}

TInsertTableLinesView::TInsertTableLinesView(bool columns, QWidget* parent) : QDialog(parent)
{
    // The columns dialog keeps its own texts as they have always read.
    setWindowTitle(columns ? QStringLiteral("Spalten einfügen") : QStringLiteral("Insert rows"));
    setModal(true);
    CountEd = countEdit(this, columns ? "ColAnzEd" : "RowAnzEd", kInsertTableMaxRows);
    RadioButton1 = new QRadioButton(QStringLiteral("Insert before current row"), this);
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton2 = new QRadioButton(QStringLiteral("Insert behind current row"), this);
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(columns ? QStringLiteral("Number of rows:") : QStringLiteral("Row count"), this), 0, 0);
    grid->addWidget(CountEd, 0, 1);
    grid->addWidget(RadioButton1, 1, 0, 1, 2);
    grid->addWidget(RadioButton2, 2, 0, 1, 2);
    OkButton = finish(*this, grid);
}

bool ShowInsertTableForm(TInsertTableView& view, TInsertTableForm& model)
{
    view.ColAnzEd->setValue(model.Columns);
    view.RowAnzEd->setValue(model.Rows);
    if (view.exec() != QDialog::Accepted) return false;
    model.Columns = view.ColAnzEd->value();
    model.Rows = view.RowAnzEd->value();
    return true;
}

namespace {

template <class Model>
bool showCountForm(TInsertTableLinesView& view, Model& model, int32_t& count)
{
    view.CountEd->setValue(count);
    (model.Before ? view.RadioButton1 : view.RadioButton2)->setChecked(true);
    if (view.exec() != QDialog::Accepted) return false;
    count = view.CountEd->value();
    model.Before = view.RadioButton1->isChecked();
    return true;
}

} // namespace

bool ShowInsertTableLinesForm(TInsertTableLinesView& view, TInsertTableLinesForm& model)
{
    return showCountForm(view, model, model.Rows);
}

bool ShowInsertTableColsForm(TInsertTableLinesView& view, TInsertTableColsForm& model)
{
    return showCountForm(view, model, model.Count);
}

} // namespace quillet
