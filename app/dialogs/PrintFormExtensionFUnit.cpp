#include "app/dialogs/PrintFormExtensionFUnit.h"

#include "app/dialogs/OkCancelButtons.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace quillet {

namespace {

// Clicks into a record number's field choose the record range too, not
// only changes of its value.
class ClickToChoose : public QObject {
public:
    explicit ClickToChoose(TPrintFormExtensionForm& form) : QObject(&form), Form(form) {}
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonPress) Form.VonEdClick();
        return QObject::eventFilter(watched, event);
    }

private:
    TPrintFormExtensionForm& Form;
};

} // namespace

TPrintFormExtensionForm::TPrintFormExtensionForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Erweiterte Druckoptionen"));
    setModal(true);

    PrintCombo = new QComboBox(this);
    PrintCombo->setObjectName(QStringLiteral("PrintCombo"));
    PrintCombo->addItems({QStringLiteral("All pages"), QStringLiteral("Odd pages"), QStringLiteral("Even pages")});
    inverscheck = new QCheckBox(QStringLiteral("Revers print order"), this);
    inverscheck->setObjectName(QStringLiteral("inverscheck"));

    FormLetter = new QGroupBox(QStringLiteral("Form letter"), this);
    Ser1 = new QRadioButton(QStringLiteral("Print current data set"), FormLetter);
    Ser1->setObjectName(QStringLiteral("Ser1"));
    Ser1->setChecked(true);
    Ser2 = new QRadioButton(QStringLiteral("Print all data sets"), FormLetter);
    Ser2->setObjectName(QStringLiteral("Ser2"));
    Ser3 = new QRadioButton(QStringLiteral("Data sets:"), FormLetter);
    Ser3->setObjectName(QStringLiteral("Ser3"));
    VonEd = new QSpinBox(FormLetter);
    VonEd->setObjectName(QStringLiteral("VonEd"));
    BisEd = new QSpinBox(FormLetter);
    BisEd->setObjectName(QStringLiteral("BisEd"));
    auto* filter = new ClickToChoose(*this);
    for (QSpinBox* spin : {VonEd, BisEd}) {
        connect(spin, &QSpinBox::valueChanged, this, [this] { VonEdClick(); });
        spin->installEventFilter(filter);
    }

    auto* range = new QHBoxLayout;
    range->addWidget(Ser3);
    range->addWidget(VonEd);
    range->addWidget(new QLabel(QStringLiteral("to"), FormLetter));
    range->addWidget(BisEd);
    auto* group = new QVBoxLayout(FormLetter);
    group->addWidget(Ser1);
    group->addWidget(Ser2);
    group->addLayout(range);

    auto* buttons = new QHBoxLayout;
    const OkCancelButtons okCancel = addOkCancelButtons(*this, *buttons);
    OkButton = okCancel.Ok;
    CancelButton = okCancel.Cancel;

    auto* outer = new QVBoxLayout(this);
    outer->addWidget(PrintCombo);
    outer->addWidget(inverscheck);
    outer->addWidget(FormLetter);
    outer->addLayout(buttons);
}

void TPrintFormExtensionForm::VonEdClick()
{
    if (Ser3->isEnabled()) Ser3->setChecked(true);
}

void TPrintFormExtensionForm::setModel(const PrintExtensionModel& model)
{
    RecordCount = std::max(0, model.RecordCount);
    PrintCombo->setCurrentIndex(std::clamp(model.PageFilter, 0, 2));
    inverscheck->setChecked(model.Reverse);
    const bool records = RecordCount > 0;
    for (QWidget* w : {static_cast<QWidget*>(Ser1), static_cast<QWidget*>(Ser2), static_cast<QWidget*>(Ser3),
                       static_cast<QWidget*>(VonEd), static_cast<QWidget*>(BisEd)})
        w->setEnabled(records);
    // Records count from 1; there is no record 0 to move to.
    const int32_t top = std::max(1, RecordCount);
    for (QSpinBox* spin : {VonEd, BisEd}) {
        const QSignalBlocker quiet(spin);
        spin->setRange(1, top);
    }
    {
        const QSignalBlocker quietFrom(VonEd), quietTo(BisEd);
        VonEd->setValue(std::clamp(model.From, 1, top));
        BisEd->setValue(std::clamp(model.To, 1, top));
    }
    QRadioButton* choice = model.Records == 1 ? Ser2 : model.Records == 2 ? Ser3 : Ser1;
    choice->setChecked(true);
}

PrintExtensionModel TPrintFormExtensionForm::model() const
{
    PrintExtensionModel m;
    m.RecordCount = RecordCount;
    m.PageFilter = PrintCombo->currentIndex();
    m.Reverse = inverscheck->isChecked();
    m.Records = Ser2->isChecked() ? 1 : Ser3->isChecked() ? 2 : 0;
    m.From = VonEd->value();
    m.To = BisEd->value();
    return m;
}

bool ShowPrintFormExtensionForm(TPrintFormExtensionForm& form, PrintExtensionModel& model)
{
    form.setModel(model);
    if (form.exec() != QDialog::Accepted) return false;
    model = form.model();
    return true;
}

} // namespace quillet
