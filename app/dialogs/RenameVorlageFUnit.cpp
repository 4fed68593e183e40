// The template name dialog.

#include "app/dialogs/RenameVorlageFUnit.h"

#include "app/dialogs/OkCancelButtons.h"

#include "platform/qt/QtText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillet {

TRenameVorlageForm::TRenameVorlageForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QString::fromLatin1(RenameVorlageModel::kCaption));
    setModal(true);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    // A style name is a short string.
    Edit1->setMaxLength(255);
    auto* label = new QLabel(QStringLiteral("Name:"), this);
    label->setBuddy(Edit1);

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(Edit1);
    auto* buttons = new QHBoxLayout;
    const OkCancelButtons okCancel = addOkCancelButtons(
        *this, *buttons,
        [this] {
            if (model().okEnabled()) accept();
        },
        QStringLiteral("OK"), QStringLiteral("okbtn"));
    okbtn = okCancel.Ok;
    CancelButton = okCancel.Cancel;
    connect(Edit1, &QLineEdit::textChanged, this, [this] { okbtn->setEnabled(model().okEnabled()); });
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(row);
    outer->addLayout(buttons);
}

void TRenameVorlageForm::setModel(const RenameVorlageModel& model)
{
    Edit1->setText(fromAnsi(model.Edit1));
    okbtn->setEnabled(model.okEnabled());
}

RenameVorlageModel TRenameVorlageForm::model() const
{
    RenameVorlageModel m;
    m.Edit1 = toAnsi(Edit1->text());
    return m;
}

void TRenameVorlageForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Edit1->setFocus();
    Edit1->selectAll();
}

bool ShowRenameVorlageForm(TRenameVorlageForm& form, RenameVorlageModel& model)
{
    form.setModel(model);
    if (form.exec() != QDialog::Accepted) return false;
    RenameVorlageModel edited = form.model();
    if (!edited.okEnabled()) return false;
    model = edited;
    return true;
}

} // namespace quillet
