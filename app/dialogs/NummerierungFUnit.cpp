// Format > Numeration dialog.

#include "app/dialogs/NummerierungFUnit.h"

#include "app/dialogs/FloatEdit.h"
#include "app/dialogs/OkCancelButtons.h"
#include "platform/MessageBox.h"
#include "platform/qt/QtText.h"

#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace quillet {

namespace {

using M = NummerierungDialogModel;

QRadioButton* radio(QWidget* parent, const char* name, const char* text)
{
    auto* b = new QRadioButton(QString::fromLatin1(text), parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

} // namespace

TNummerierungForm::TNummerierungForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QString::fromLatin1(M::kCaption));
    setModal(true);

    KindGroup = new QGroupBox(QStringLiteral("Kind"), this);
    RadioButton1 = radio(KindGroup, "RadioButton1", "No");
    RadioButton3 = radio(KindGroup, "RadioButton3", "List");
    RadioButton2 = radio(KindGroup, "RadioButton2", "Numeration");
    auto* kinds = new QVBoxLayout(KindGroup);
    kinds->addWidget(RadioButton1);
    kinds->addWidget(RadioButton3);
    kinds->addWidget(RadioButton2);
    RadioButton1->setChecked(true);

    AufzEzEd = makeFloatEdit(this, "AufzEzEd", M::kIndentMinCm, M::kIndentMaxCm, M::kStepCm, 4);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMaxLength(1);
    Edit1->setMaximumWidth(60);
    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setText(QStringLiteral("..."));
    SpeedButton1->setToolTip(QStringLiteral("Zeichentabelle"));

    auto* grid = new QGridLayout;
    auto* padLabel = new QLabel(QStringLiteral("Padding:"), this);
    padLabel->setBuddy(AufzEzEd);
    grid->addWidget(padLabel, 0, 0);
    grid->addWidget(AufzEzEd, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("cm"), this), 0, 2);
    auto* charLabel = new QLabel(QStringLiteral("Character for list:"), this);
    charLabel->setBuddy(Edit1);
    grid->addWidget(charLabel, 1, 0);
    grid->addWidget(Edit1, 1, 1);
    grid->addWidget(SpeedButton1, 1, 2);

    auto* buttons = new QHBoxLayout;
    const OkCancelButtons okCancel = addOkCancelButtons(*this, *buttons, [this] { okClicked(); });
    OkButton = okCancel.Ok;
    CancelButton = okCancel.Cancel;

    auto* top = new QHBoxLayout;
    top->addWidget(KindGroup);
    top->addLayout(grid);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(top);
    outer->addLayout(buttons);

    connect(SpeedButton1, &QToolButton::clicked, this, [this] { speedButtonClicked(); });

    setModel(Model);
}

void TNummerierungForm::setEdit1(const std::string& face, const std::string& ansiChar)
{
    Edit1Font = face.empty() ? std::string(M::kDefaultFace) : face;
    QFont f = Edit1->font();
    f.setFamily(fromAnsi(Edit1Font));
    Edit1->setFont(f);
    Edit1->setText(fromAnsi(ansiChar.substr(0, 1)));
}

void TNummerierungForm::setModel(const NummerierungDialogModel& model)
{
    Model = model;
    (Model.Kind == 1 ? RadioButton3 : Model.Kind == 2 ? RadioButton2 : RadioButton1)->setChecked(true);
    IndentShown = showFloat(*AufzEzEd, Model.AufzEzEd);
    setEdit1(Model.Edit1Font, Model.Edit1);
}

NummerierungDialogModel TNummerierungForm::model() const
{
    NummerierungDialogModel m = Model;
    m.Kind = RadioButton3->isChecked() ? 1 : RadioButton2->isChecked() ? 2 : 0;
    m.AufzEzEd = takeFloat(*AufzEzEd, IndentShown, Model.AufzEzEd);
    // A character without a code in the document's code page is no bullet.
    m.Edit1 = toAnsi(Edit1->text()).substr(0, 1);
    m.Edit1Font = Edit1Font;
    return m;
}

void TNummerierungForm::speedButtonClicked()
{
    if (!chooseCharacter) return;
    std::string face = Edit1Font;
    const std::string current = toAnsi(Edit1->text());
    uint8_t code = current.empty() ? 0 : uint8_t(current[0]);
    if (!chooseCharacter(face, code)) return;
    setEdit1(face, code ? std::string(1, char(code)) : std::string());
}

void TNummerierungForm::okClicked()
{
    if (const std::string problem = NummerierungDialogCheck(model()); !problem.empty()) {
        errorBox(problem);
        return;
    }
    accept();
}

void TNummerierungForm::showEvent(QShowEvent* event)
{
    SpeedButton1->setEnabled(bool(chooseCharacter));
    QDialog::showEvent(event);
}

bool ShowNummerierungForm(TNummerierungForm& form, NummerierungDialogModel& model)
{
    form.setModel(model);
    if (form.exec() != QDialog::Accepted) return false;
    model = form.model();
    return true;
}

} // namespace quillet
