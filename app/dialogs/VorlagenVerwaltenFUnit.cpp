// The manage-templates dialog.

#include "app/dialogs/VorlagenVerwaltenFUnit.h"

#include "app/dialogs/RenameVorlageFUnit.h"
#include "app/widgets/BitBtnXP.h"
#include "platform/qt/QtText.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace quillet {

TVorlagenVerwaltenForm::TVorlagenVerwaltenForm(TRenameVorlageForm& renameForm, QWidget* parent)
    : QDialog(parent), RenameForm(renameForm)
{
    setWindowTitle(QString::fromLatin1(VorlagenVerwaltenModel::kCaption));
    setModal(true);
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));

    auto button = [this](const char* name, const char* text) {
        auto* b = new TBitBtnXP(this);
        b->setText(QString::fromLatin1(text));
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    UseButton = button("UseButton", "Use");
    CloseButton = button("CloseButton", "Close");
    RenameButton = button("RenameButton", "Rename");
    DeleteButton = button("DeleteButton", "Delete");
    UseButton->setDefault(true);
    connect(UseButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(RenameButton, &QPushButton::clicked, this, &TVorlagenVerwaltenForm::RenameClick);
    connect(DeleteButton, &QPushButton::clicked, this, &TVorlagenVerwaltenForm::DeleteClick);
    connect(ListBox1, &QListWidget::currentRowChanged, this, [this](int row) {
        if (Model) Model->Selected = row;
    });
    connect(ListBox1, &QListWidget::itemDoubleClicked, this, &QDialog::accept);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(UseButton);
    buttons->addWidget(CloseButton);
    buttons->addSpacing(12);
    buttons->addWidget(RenameButton);
    buttons->addWidget(DeleteButton);
    buttons->addStretch();
    auto* outer = new QHBoxLayout(this);
    outer->addWidget(ListBox1);
    outer->addLayout(buttons);
}

void TVorlagenVerwaltenForm::setModel(VorlagenVerwaltenModel* model)
{
    Model = model;
    fillList();
}

void TVorlagenVerwaltenForm::fillList()
{
    const QSignalBlocker block(ListBox1);
    ListBox1->clear();
    if (!Model) return;
    for (const std::string& name : Model->names()) ListBox1->addItem(fromAnsi(name));
    ListBox1->setCurrentRow(Model->hasSelection() ? Model->Selected : -1);
}

void TVorlagenVerwaltenForm::RenameClick()
{
    if (!Model || !Model->hasSelection()) return;
    RenameVorlageModel name;
    name.Edit1 = Model->selectedName();
    if (!ShowRenameVorlageForm(RenameForm, name)) return;
    Model->rename(name.Edit1);
    fillList();
}

void TVorlagenVerwaltenForm::DeleteClick()
{
    if (!Model || !Model->hasSelection()) return;
    Model->deleteSelected();
    fillList();
}

bool ShowVorlagenVerwaltenForm(TVorlagenVerwaltenForm& form, VorlagenVerwaltenModel& model)
{
    form.setModel(&model);
    const bool ok = form.exec() == QDialog::Accepted;
    form.setModel(nullptr);
    return ok;
}

} // namespace quillet
