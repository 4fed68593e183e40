// Format > Paragraph dialog.

#include "app/dialogs/AbsatzFUnit.h"

#include "app/dialogs/FloatEdit.h"
#include "app/dialogs/OkCancelButtons.h"
#include "platform/MessageBox.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

namespace quillet {

namespace {

using M = AbsatzDialogModel;

QComboBox* listBox(QWidget* parent, const char* name, const auto& items)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setEditable(false);
    for (const char* item : items) box->addItem(QString::fromLatin1(item));
    return box;
}

QDoubleSpinBox* cmEdit(QWidget* parent, const char* name, double min, double max)
{
    return makeFloatEdit(parent, name, min, max, M::kStepCm, 2);
}

int indexIn(const QComboBox& box, int32_t index) { return index >= 0 && index < box.count() ? index : -1; }

} // namespace

TAbsatzForm::TAbsatzForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QString::fromLatin1(M::kCaption));
    setModal(true);

    Ausricht = listBox(this, "Ausricht", M::kAusrichtItems);
    Zeilenabt = listBox(this, "Zeilenabt", M::kZeilenabtItems);
    massed = makeFloatEdit(this, "massed", 0, M::kMassedMax, M::kMassedStep, 2);
    Label4 = new QLabel(QStringLiteral("mm"), this);
    Label4->setObjectName(QStringLiteral("Label4"));
    aboben = cmEdit(this, "aboben", 0, M::kSpacingMaxCm);
    abunten = cmEdit(this, "abunten", 0, M::kSpacingMaxCm);
    ezlinks = cmEdit(this, "ezlinks", -M::kIndentLimitCm, M::kIndentLimitCm);
    ezrechts = cmEdit(this, "ezrechts", -M::kIndentLimitCm, M::kIndentLimitCm);
    ezlinksfl = cmEdit(this, "ezlinksfl", -M::kIndentLimitCm, M::kIndentLimitCm);

    auto* justify = new QGroupBox(QStringLiteral("Alignment"), this);
    auto* justifyRow = new QHBoxLayout(justify);
    justifyRow->addWidget(Ausricht, 1);

    auto* spacingBox = new QGroupBox(QStringLiteral("Line spacing"), this);
    auto* spacing = new QGridLayout(spacingBox);
    spacing->addWidget(Zeilenabt, 0, 0, 1, 3);
    spacing->addWidget(new QLabel(QStringLiteral("Value:"), spacingBox), 1, 0);
    spacing->addWidget(massed, 1, 1);
    spacing->addWidget(Label4, 1, 2);

    auto* distanceBox = new QGroupBox(QStringLiteral("Spacing"), this);
    auto* distance = new QGridLayout(distanceBox);
    distance->addWidget(new QLabel(QStringLiteral("Above:"), distanceBox), 0, 0);
    distance->addWidget(aboben, 0, 1);
    distance->addWidget(new QLabel(QStringLiteral("cm"), distanceBox), 0, 2);
    distance->addWidget(new QLabel(QStringLiteral("Below:"), distanceBox), 1, 0);
    distance->addWidget(abunten, 1, 1);
    distance->addWidget(new QLabel(QStringLiteral("cm"), distanceBox), 1, 2);

    auto* indentBox = new QGroupBox(QStringLiteral("Indent"), this);
    auto* indent = new QGridLayout(indentBox);
    indent->addWidget(new QLabel(QStringLiteral("Left:"), indentBox), 0, 0);
    indent->addWidget(ezlinks, 0, 1);
    indent->addWidget(new QLabel(QStringLiteral("cm"), indentBox), 0, 2);
    indent->addWidget(new QLabel(QStringLiteral("Right:"), indentBox), 1, 0);
    indent->addWidget(ezrechts, 1, 1);
    indent->addWidget(new QLabel(QStringLiteral("cm"), indentBox), 1, 2);
    indent->addWidget(new QLabel(QStringLiteral("First line:"), indentBox), 2, 0);
    indent->addWidget(ezlinksfl, 2, 1);
    indent->addWidget(new QLabel(QStringLiteral("cm"), indentBox), 2, 2);

    auto* buttons = new QHBoxLayout;
    const OkCancelButtons okCancel = addOkCancelButtons(*this, *buttons, [this] { okClicked(); });
    OkButton = okCancel.Ok;
    CancelButton = okCancel.Cancel;

    auto* columns = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(justify);
    left->addWidget(spacingBox);
    auto* right = new QVBoxLayout;
    right->addWidget(distanceBox);
    right->addWidget(indentBox);
    columns->addLayout(left);
    columns->addLayout(right);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(columns);
    outer->addLayout(buttons);

    Lengths = {{{aboben, &M::aboben}, {abunten, &M::abunten}, {ezlinks, &M::ezlinks}, {ezrechts, &M::ezrechts},
                {ezlinksfl, &M::ezlinksfl}}};

    connect(Zeilenabt, &QComboBox::currentIndexChanged, this, [this](int index) {
        Model.Zeilenabt = index;
        Model.ZeilenabtChange();
        showSpacing();
    });
    connect(massed, &QDoubleSpinBox::valueChanged, this, [this](double v) {
        Model.massed = v;
        MassedShown = v;
        Model.massedChange();
        showSpacing();
    });

    setModel(Model);
}

// The spacing choice, its value and unit as the model has them; no handler runs.
void TAbsatzForm::showSpacing()
{
    {
        const QSignalBlocker block(Zeilenabt);
        Zeilenabt->setCurrentIndex(indexIn(*Zeilenabt, Model.Zeilenabt));
    }
    if (massed->value() != MassedShown || Model.massed != MassedShown) MassedShown = showFloat(*massed, Model.massed);
    Label4->setText(QString::fromStdString(Model.Label4));
}

void TAbsatzForm::setModel(const AbsatzDialogModel& model)
{
    Model = model;
    {
        const QSignalBlocker block(Ausricht);
        Ausricht->setCurrentIndex(indexIn(*Ausricht, Model.Ausricht));
    }
    MassedShown = showFloat(*massed, Model.massed);
    showSpacing();
    for (LengthEdit& l : Lengths) l.Shown = showFloat(*l.Edit, Model.*l.Value);
}

AbsatzDialogModel TAbsatzForm::model() const
{
    AbsatzDialogModel m = Model;
    m.Ausricht = Ausricht->currentIndex();
    m.Zeilenabt = Zeilenabt->currentIndex();
    m.massed = takeFloat(*massed, MassedShown, Model.massed);
    for (const LengthEdit& l : Lengths) m.*l.Value = takeFloat(*l.Edit, l.Shown, Model.*l.Value);
    return m;
}

void TAbsatzForm::okClicked()
{
    // Input the document cannot take keeps the dialog open.
    if (const std::string problem = AbsatzDialogCheck(model()); !problem.empty()) {
        errorBox(problem);
        return;
    }
    accept();
}

bool ShowAbsatzForm(TAbsatzForm& form, AbsatzDialogModel& model)
{
    form.setModel(model);
    if (form.exec() != QDialog::Accepted) return false;
    model = form.model();
    return true;
}

} // namespace quillet
