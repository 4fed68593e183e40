// Format graphic: width and height of a picture character in centimetres.

#include "app/dialogs/GrafikPropsFUnit.h"

#include "app/dialogs/FloatEdit.h"
#include "app/dialogs/OkCancelButtons.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillet {

TGrafikPropsForm::TGrafikPropsForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QString::fromLatin1(GrafikPropsModel::kCaption));
    setModal(true);
    BreitEd = makeFloatEdit(this, "BreitEd", GrafikPropsModel::kMinCm, GrafikPropsModel::kMaxCm, 0.1, 2);
    HochEd = makeFloatEdit(this, "HochEd", GrafikPropsModel::kMinCm, GrafikPropsModel::kMaxCm, 0.1, 2);
    SverHCheck = new QCheckBox(QStringLiteral("Maintain aspect ratio"), this);
    SverHCheck->setObjectName(QStringLiteral("SverHCheck"));
    SverhBtn = new TBitBtnXP(this);
    SverhBtn->setText(QStringLiteral("Retain original aspect ratio"));
    SverhBtn->setObjectName(QStringLiteral("SverhBtn"));
    SverhBtn->setAutoDefault(false);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Width:"), this), 0, 0);
    grid->addWidget(BreitEd, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("cm"), this), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Height:"), this), 1, 0);
    grid->addWidget(HochEd, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("cm"), this), 1, 2);
    grid->addWidget(SverHCheck, 2, 0, 1, 3);
    grid->addWidget(SverhBtn, 3, 0, 1, 3);

    connect(BreitEd, &QDoubleSpinBox::valueChanged, this, [this](double v) {
        Model.BreitEd = v;
        Model.BreitEdChange();
        showModel();
    });
    connect(HochEd, &QDoubleSpinBox::valueChanged, this, [this](double v) {
        Model.HochEd = v;
        Model.HochEdChange();
        showModel();
    });
    connect(SverHCheck, &QCheckBox::toggled, this, [this](bool on) {
        Model.SverHCheck = on ? 1 : 0;
        Model.SverHCheckClick();
        showModel();
    });
    connect(SverhBtn, &QPushButton::clicked, this, [this] {
        Model.SverhBtnClick();
        showModel();
    });

    auto* buttons = new QHBoxLayout;
    const OkCancelButtons okCancel = addOkCancelButtons(*this, *buttons);
    OkButton = okCancel.Ok;
    CancelButton = okCancel.Cancel;
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(grid);
    outer->addLayout(buttons);
}

void TGrafikPropsForm::showModel()
{
    // Shown without running the handlers again; the model keeps its exact
    // values, the edits their two places.
    showFloat(*BreitEd, Model.BreitEd);
    showFloat(*HochEd, Model.HochEd);
    const QSignalBlocker block(SverHCheck);
    SverHCheck->setChecked(Model.SverHCheck);
}

void TGrafikPropsForm::setModel(const GrafikPropsModel& model)
{
    Model = model;
    showModel();
}

bool ShowGrafikPropsForm(TGrafikPropsForm& form, GrafikPropsModel& model)
{
    form.setModel(model);
    if (form.exec() != QDialog::Accepted) return false;
    model = form.model();
    return true;
}

} // namespace quillet
