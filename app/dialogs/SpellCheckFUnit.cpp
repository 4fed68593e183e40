// The spell-check and paste-special dialogs.

#include "app/dialogs/SpellCheckFUnit.h"

#include "app/dialogs/OkCancelButtons.h"
#include "platform/qt/QtText.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillet {

TSpellCheckForm::TSpellCheckForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Spell check"));
    setModal(true);
    unknowned = new QLineEdit(this);
    unknowned->setObjectName(QStringLiteral("unknowned"));
    unknowned->setReadOnly(true);
    vorschlagbox = new QComboBox(this);
    vorschlagbox->setObjectName(QStringLiteral("vorschlagbox"));
    vorschlagbox->setEditable(true);
    vorschlagbox->setInsertPolicy(QComboBox::NoInsert);
    // The box's own edit would swallow Enter and knows no double click.
    vorschlagbox->lineEdit()->installEventFilter(this);
    vorschlagbox->installEventFilter(this);

    auto* grid = new QGridLayout;
    grid->addWidget(unknowned, 0, 0);
    grid->addWidget(vorschlagbox, 1, 0);
    auto* buttons = new QVBoxLayout;
    const struct { const char* name; const char* text; int32_t code; } items[] = {
        {"changebtn", "&Change", SpellCheckModel::kChange},
        {"changeallbtn", "Always change", SpellCheckModel::kAlwaysChange},
        {"ignorbtn", "Ignore", SpellCheckModel::kIgnore},
        {"ignorallbtn", "Never change", SpellCheckModel::kNeverChange},
        {"learnbtn", "Learn word", SpellCheckModel::kLearn},
        {"cancelbtn", "Cancel", SpellCheckModel::kCancel},
    };
    for (const auto& it : items) {
        auto* b = new TBitBtnXP(this);
        b->setText(QString::fromLatin1(it.text));
        b->setObjectName(QString::fromLatin1(it.name));
        b->setAutoDefault(false);
        if (it.code == SpellCheckModel::kChange) b->setDefault(true);
        const int32_t code = it.code;
        connect(b, &QPushButton::clicked, this, [this, code] { done(code); });
        buttons->addWidget(b);
    }
    auto* outer = new QHBoxLayout(this);
    outer->addLayout(grid);
    outer->addLayout(buttons);
}

void TSpellCheckForm::setModel(const SpellCheckModel& m)
{
    unknowned->setText(fromAnsi(m.Unknown));
    vorschlagbox->clear();
    for (const std::string& s : m.Suggestions) vorschlagbox->addItem(fromAnsi(s));
    vorschlagbox->setEditText(fromAnsi(m.Replacement));
}

std::string TSpellCheckForm::replacement() const { return toAnsi(vorschlagbox->currentText()); }

bool TSpellCheckForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            done(SpellCheckModel::kChange);
            return true;
        }
    } else if (event->type() == QEvent::MouseButtonDblClick) {
        done(SpellCheckModel::kChange);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TSpellCheckForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    vorschlagbox->setFocus();
}

int32_t ShowSpellCheckForm(QWidget* parent, SpellCheckModel& model)
{
    TSpellCheckForm form(parent);
    form.setModel(model);
    const int result = form.exec();
    model.Replacement = form.replacement();
    switch (result) {
    case SpellCheckModel::kLearn:
    case SpellCheckModel::kChange:
    case SpellCheckModel::kIgnore:
    case SpellCheckModel::kNeverChange:
    case SpellCheckModel::kAlwaysChange: return result;
    default: return SpellCheckModel::kCancel;
    }
}

bool ShowInsertContentForm(QWidget* parent, InsertContentModel& model)
{
    QDialog d(parent);
    d.setWindowTitle(QStringLiteral("Paste content"));
    auto* list = new QListWidget(&d);
    list->setObjectName(QStringLiteral("ListBox1"));
    for (const auto& row : model.Rows) list->addItem(QString::fromLatin1(row.first.c_str()));
    if (!model.Rows.empty()) list->setCurrentRow(std::clamp<int>(model.Selected, 0, int(model.Rows.size()) - 1));
    auto* buttons = new QHBoxLayout;
    addOkCancelButtons(d, *buttons);
    auto* outer = new QVBoxLayout(&d);
    outer->addWidget(list);
    outer->addLayout(buttons);
    if (d.exec() != QDialog::Accepted) return false;
    model.Selected = list->currentRow();
    return model.Selected >= 0;
}

} // namespace quillet
