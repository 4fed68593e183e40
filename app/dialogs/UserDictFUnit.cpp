#include "app/dialogs/UserDictFUnit.h"

#include "app/dialogs/OkCancelButtons.h"
#include "platform/qt/QtText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillet {

TUserDictForm::TUserDictForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("User dictionary"));
    setModal(true);

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);

    DelBtn = new TBitBtnXP(this);
    DelBtn->setText(QStringLiteral("Delete selected"));
    DelBtn->setObjectName(QStringLiteral("DelBtn"));

    auto* hint = new QLabel(QStringLiteral("Changes will become active after the next program start!"), this);
    hint->setWordWrap(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(DelBtn);
    const OkCancelButtons okCancel = addOkCancelButtons(*this, *buttons);
    OkButton = okCancel.Ok;
    CancelButton = okCancel.Cancel;

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ListBox1, 1);
    layout->addWidget(hint);
    layout->addLayout(buttons);

    connect(DelBtn, &QPushButton::clicked, this, [this] { DelBtnClick(); });
}

void TUserDictForm::setWords(const std::vector<std::string>& ansiWords)
{
    ListBox1->clear();
    for (const std::string& w : ansiWords) ListBox1->addItem(fromAnsi(w));
}

std::vector<std::string> TUserDictForm::words() const
{
    std::vector<std::string> out;
    out.reserve(static_cast<size_t>(ListBox1->count()));
    for (int i = 0; i < ListBox1->count(); ++i) out.push_back(toAnsi(ListBox1->item(i)->text()));
    return out;
}

void TUserDictForm::DelBtnClick()
{
    for (int i = ListBox1->count() - 1; i >= 0; --i)
        if (ListBox1->item(i)->isSelected()) delete ListBox1->takeItem(i);
}

bool ShowUserDictForm(TUserDictForm& form, std::vector<std::string>& words)
{
    form.setWords(words);
    if (form.exec() != QDialog::Accepted) return false;
    words = form.words();
    return true;
}

} // namespace quillet
