// Format > Columns dialog.

#include "app/dialogs/SpaltenFUnit.h"

#include "app/dialogs/OkCancelButtons.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

namespace quillet {

TSpaltenForm::TSpaltenForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Columns"));
    setModal(true);

    SpAnzEd = new QSpinBox(this);
    SpAnzEd->setObjectName(QStringLiteral("SpAnzEd"));
    SpAnzEd->setRange(kSpaltenMinCount, kSpaltenMaxCount);
    SpAnzEd->setValue(1);

    linecheck = new QCheckBox(QStringLiteral("Lines between columns"), this);
    linecheck->setObjectName(QStringLiteral("linecheck"));

    AbstEd = new QDoubleSpinBox(this);
    AbstEd->setObjectName(QStringLiteral("AbstEd"));
    AbstEd->setDecimals(kSpaltenGapDecimals);
    AbstEd->setRange(0, kSpaltenMaxGapCm);
    AbstEd->setSingleStep(kSpaltenGapStepCm);
    AbstEd->setValue(1.25);

    auto* countLabel = new QLabel(QStringLiteral("Column count:"), this);
    countLabel->setBuddy(SpAnzEd);
    auto* gapLabel = new QLabel(QStringLiteral("Space between columns:"), this);
    gapLabel->setBuddy(AbstEd);
    auto* unitLabel = new QLabel(QStringLiteral("cm"), this);

    auto* grid = new QGridLayout;
    grid->addWidget(countLabel, 0, 0);
    grid->addWidget(SpAnzEd, 0, 1);
    grid->addWidget(linecheck, 1, 0, 1, 3);
    grid->addWidget(gapLabel, 2, 0);
    grid->addWidget(AbstEd, 2, 1);
    grid->addWidget(unitLabel, 2, 2);

    auto* buttons = new QHBoxLayout;
    const OkCancelButtons okCancel = addOkCancelButtons(*this, *buttons);
    OkButton = okCancel.Ok;
    CancelButton = okCancel.Cancel;

    auto* outer = new QVBoxLayout(this);
    outer->addLayout(grid);
    outer->addLayout(buttons);
}

void TSpaltenForm::setModel(const SpaltenDialogModel& model)
{
    SpAnzEd->setValue(model.ColumnCount);
    linecheck->setChecked(model.Rule);
    AbstEd->setValue(model.GapCm);
}

SpaltenDialogModel TSpaltenForm::model() const
{
    SpaltenDialogModel m;
    m.ColumnCount = SpAnzEd->value();
    m.Rule = linecheck->isChecked();
    m.GapCm = AbstEd->value();
    return m;
}

bool ShowSpaltenForm(TSpaltenForm& form, SpaltenDialogModel& model)
{
    form.setModel(model);
    if (form.exec() != QDialog::Accepted) return false;
    model = form.model();
    return true;
}

} // namespace quillet
