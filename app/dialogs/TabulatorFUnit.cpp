// Format > Tab stops dialog.

#include "app/dialogs/TabulatorFUnit.h"

#include "app/dialogs/FloatEdit.h"
#include "app/dialogs/OkCancelButtons.h"
#include "platform/MessageBox.h"
#include "platform/qt/QtText.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace quillet {

namespace {

using M = TabulatorDialogModel;

QGroupBox* radioGroup(QWidget* parent, const char* name, const QString& caption, const auto& items,
                      QButtonGroup*& buttons)
{
    auto* box = new QGroupBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    buttons = new QButtonGroup(box);
    buttons->setExclusive(true);
    auto* column = new QVBoxLayout(box);
    int id = 0;
    for (const char* item : items) {
        auto* b = new QRadioButton(QString::fromLatin1(item), box);
        buttons->addButton(b, id++);
        column->addWidget(b);
    }
    buttons->button(0)->setChecked(true);
    return box;
}

QPushButton* button(QWidget* parent, const char* name, const char* text)
{
    auto* b = new TBitBtnXP(parent);
    b->setText(QString::fromLatin1(text));
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

void check(QButtonGroup& group, int32_t id)
{
    const QSignalBlocker block(&group);
    if (QAbstractButton* b = group.button(id)) b->setChecked(true);
}

} // namespace

TTabulatorForm::TTabulatorForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QString::fromLatin1(M::kCaption));
    setModal(true);

    StTabEd = makeFloatEdit(this, "StTabEd", M::kStTabMinCm, M::kStTabMaxCm, M::kStepCm, 2);
    ComboBox1Edit = new QLineEdit(this);
    ComboBox1Edit->setObjectName(QStringLiteral("ComboBox1Edit"));
    ComboBox1List = new QListWidget(this);
    ComboBox1List->setObjectName(QStringLiteral("ComboBox1List"));
    ComboBox1List->setSelectionMode(QAbstractItemView::SingleSelection);
    RadioGroup1 = radioGroup(this, "RadioGroup1", QStringLiteral("Justify"), M::kJustifyItems, RadioGroup1Buttons);
    RadioGroup2 =
        radioGroup(this, "RadioGroup2", QStringLiteral("Fill character"), M::kFillItems, RadioGroup2Buttons);
    AddBtn = button(this, "AddBtn", "Set");
    DelBtn = button(this, "DelBtn", "Delete");
    DelAllBtn = button(this, "DelAllBtn", "Delete all");

    auto* positions = new QVBoxLayout;
    auto* positionLabel = new QLabel(QStringLiteral("Tab stop position (cm):"), this);
    positionLabel->setBuddy(ComboBox1Edit);
    positions->addWidget(positionLabel);
    positions->addWidget(ComboBox1Edit);
    positions->addWidget(ComboBox1List, 1);
    auto* step = new QHBoxLayout;
    auto* stepLabel = new QLabel(QStringLiteral("Standard tab stop:"), this);
    stepLabel->setBuddy(StTabEd);
    step->addWidget(stepLabel);
    step->addWidget(StTabEd);
    step->addWidget(new QLabel(QStringLiteral("cm"), this));
    positions->addLayout(step);

    auto* groups = new QVBoxLayout;
    groups->addWidget(RadioGroup1);
    groups->addWidget(RadioGroup2);

    auto* top = new QHBoxLayout;
    top->addLayout(positions);
    top->addLayout(groups);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(AddBtn);
    buttons->addWidget(DelBtn);
    buttons->addWidget(DelAllBtn);
    const OkCancelButtons okCancel = addOkCancelButtons(*this, *buttons, [this] { okClicked(); });
    OkButton = okCancel.Ok;
    CancelButton = okCancel.Cancel;
    // As with the dialog's other buttons, a focused Cancel does not take Enter from OK.
    OkButton->setAutoDefault(false);
    CancelButton->setAutoDefault(false);

    auto* outer = new QVBoxLayout(this);
    outer->addLayout(top);
    outer->addLayout(buttons);

    // Choosing a position shows its kind and fill character.
    connect(ComboBox1List, &QListWidget::currentRowChanged, this, [this](int row) {
        Model.ItemIndex = row;
        if (row >= 0 && size_t(row) < Model.Items.size()) Model.EditText = Model.Items[size_t(row)];
        Model.ComboBox1Change();
        showModel();
    });
    // Typing leaves no position chosen.
    connect(ComboBox1Edit, &QLineEdit::textEdited, this, [this](const QString& text) {
        Model.EditText = toAnsi(text);
        Model.ItemIndex = -1;
        Model.ComboBox1Change();
        showModel();
    });
    connect(RadioGroup1Buttons, &QButtonGroup::idClicked, this, [this](int id) {
        Model.RadioGroup1 = id;
        Model.RadioGroup1Click();
    });
    connect(RadioGroup2Buttons, &QButtonGroup::idClicked, this, [this](int id) {
        Model.RadioGroup2 = id;
        Model.RadioGroup2Click();
    });
    connect(AddBtn, &QPushButton::clicked, this, [this] {
        Model.EditText = toAnsi(ComboBox1Edit->text());
        Model.AddBtnClick();
        showModel();
    });
    connect(DelBtn, &QPushButton::clicked, this, [this] {
        Model.DelBtnClick();
        showModel();
    });
    connect(DelAllBtn, &QPushButton::clicked, this, [this] {
        Model.DelAllBtnClick();
        showModel();
    });

    setModel(Model);
}

void TTabulatorForm::showModel()
{
    {
        const QSignalBlocker block(ComboBox1List);
        bool same = ComboBox1List->count() == int(Model.Items.size());
        for (int i = 0; same && i < ComboBox1List->count(); ++i)
            same = ComboBox1List->item(i)->text() == fromAnsi(Model.Items[size_t(i)]);
        if (!same) {
            ComboBox1List->clear();
            for (const std::string& item : Model.Items) ComboBox1List->addItem(fromAnsi(item));
        }
        const int row = Model.ItemIndex >= 0 && Model.ItemIndex < ComboBox1List->count() ? Model.ItemIndex : -1;
        ComboBox1List->setCurrentRow(row);
        if (row < 0) ComboBox1List->clearSelection();
    }
    const QString text = fromAnsi(Model.EditText);
    if (ComboBox1Edit->text() != text) {
        const QSignalBlocker block(ComboBox1Edit);
        ComboBox1Edit->setText(text);
    }
    check(*RadioGroup1Buttons, Model.RadioGroup1);
    check(*RadioGroup2Buttons, Model.RadioGroup2);
}

void TTabulatorForm::setModel(const TabulatorDialogModel& model)
{
    Model = model;
    StTabShown = showFloat(*StTabEd, Model.StTabEd);
    showModel();
}

TabulatorDialogModel TTabulatorForm::model() const
{
    TabulatorDialogModel m = Model;
    m.StTabEd = takeFloat(*StTabEd, StTabShown, Model.StTabEd);
    return m;
}

void TTabulatorForm::okClicked()
{
    if (const std::string problem = TabulatorDialogCheck(model()); !problem.empty()) {
        errorBox(problem);
        return;
    }
    accept();
}

bool ShowTabulatorForm(TTabulatorForm& form, TabulatorDialogModel& model)
{
    TabulatorDialogModel shown = model;
    // The radio groups keep their last choice.
    shown.RadioGroup1 = std::max(0, form.RadioGroup1Buttons->checkedId());
    shown.RadioGroup2 = std::max(0, form.RadioGroup2Buttons->checkedId());
    form.setModel(shown);
    if (form.exec() != QDialog::Accepted) return false;
    model = form.model();
    return true;
}

} // namespace quillet
