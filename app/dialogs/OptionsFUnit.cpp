// Extras > Options dialog.

#include "app/dialogs/OptionsFUnit.h"

#include "app/dialogs/OkCancelButtons.h"
#include "platform/qt/QtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace quillet {

namespace {

QSpinBox* spinEdit(QWidget* parent, const char* name, int lo, int hi)
{
    auto* e = new QSpinBox(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setRange(lo, hi);
    return e;
}

QCheckBox* checkBox(QWidget* parent, const char* name, const QString& text)
{
    auto* c = new QCheckBox(text, parent);
    c->setObjectName(QString::fromLatin1(name));
    return c;
}

// The address keeps the document's "\r\n" line breaks; the editor shows "\n".
QString addressForEditor(const std::string& ansi)
{
    return fromAnsi(ansi).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

std::string addressFromEditor(const QString& text)
{
    QString s = text;
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return toAnsi(s);
}

} // namespace

TOptionsForm::TOptionsForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Options"));
    setModal(true);

    Pages = new QTabWidget(this);
    Pages->setObjectName(QStringLiteral("Pages"));

    // General
    auto* general = new QWidget(Pages);
    ComboBox1 = new QComboBox(general);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    for (const char* name : kQuoteStyleNames) ComboBox1->addItem(QString::fromLatin1(name));
    auto* quoteLabel = new QLabel(QStringLiteral("Quote characters"), general);
    quoteLabel->setBuddy(ComboBox1);
    helplinescheck = checkBox(general, "helplinescheck", QStringLiteral("Gray help lines arround fields"));
    UndoEd = spinEdit(general, "UndoEd", kOptionsMinUndo, kOptionsMaxUndo);
    auto* undoLabel = new QLabel(QStringLiteral("Possible undo operations"), general);
    undoLabel->setBuddy(UndoEd);
    LastOpenEd = spinEdit(general, "LastOpenEd", kOptionsMinRecent, kOptionsMaxRecent);
    auto* recentLabel = new QLabel(QStringLiteral("Size of list of last files"), general);
    recentLabel->setBuddy(LastOpenEd);

    NotPrintableGroup = new QGroupBox(QStringLiteral("Show not printable characters"), general);
    NotPrintableGroup->setObjectName(QStringLiteral("NotPrintableGroup"));
    tabcheck = checkBox(NotPrintableGroup, "tabcheck", QStringLiteral("Tab stop"));
    leercheck = checkBox(NotPrintableGroup, "leercheck", QStringLiteral("Space"));
    absatzcheck = checkBox(NotPrintableGroup, "absatzcheck", QStringLiteral("End of paragraph"));
    AllCheck = checkBox(NotPrintableGroup, "AllCheck", QStringLiteral("All"));
    auto* marks = new QGridLayout(NotPrintableGroup);
    marks->addWidget(tabcheck, 0, 0);
    marks->addWidget(leercheck, 0, 1);
    marks->addWidget(absatzcheck, 1, 0);
    marks->addWidget(AllCheck, 1, 1);

    auto* generalGrid = new QGridLayout(general);
    generalGrid->addWidget(quoteLabel, 0, 0);
    generalGrid->addWidget(ComboBox1, 0, 1);
    generalGrid->addWidget(helplinescheck, 1, 0, 1, 2);
    generalGrid->addWidget(undoLabel, 2, 0);
    generalGrid->addWidget(UndoEd, 2, 1);
    generalGrid->addWidget(recentLabel, 3, 0);
    generalGrid->addWidget(LastOpenEd, 3, 1);
    generalGrid->addWidget(NotPrintableGroup, 4, 0, 1, 2);
    generalGrid->setRowStretch(5, 1);
    Pages->addTab(general, QStringLiteral("General"));

    // User information
    auto* user = new QWidget(Pages);
    Edit1 = new QLineEdit(user);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit2 = new QLineEdit(user);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Memo1 = new QPlainTextEdit(user);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    auto* userForm = new QFormLayout(user);
    userForm->addRow(QStringLiteral("Name:"), Edit1);
    userForm->addRow(QStringLiteral("Initials:"), Edit2);
    userForm->addRow(QStringLiteral("Address:"), Memo1);
    Pages->addTab(user, QStringLiteral("User information"));

    // Save
    auto* save = new QWidget(Pages);
    AutoSaveCheck = checkBox(save, "AutoSaveCheck", QStringLiteral("Save recovery information every"));
    SaveTimeEd = spinEdit(save, "SaveTimeEd", kOptionsMinSaveTime, kOptionsMaxSaveTime);
    auto* minutesLabel = new QLabel(QStringLiteral("minutes"), save);
    BackUpCheck = checkBox(save, "BackUpCheck", QStringLiteral("Create .BAK file when saving"));
    auto* saveGrid = new QGridLayout(save);
    saveGrid->addWidget(AutoSaveCheck, 0, 0);
    saveGrid->addWidget(SaveTimeEd, 0, 1);
    saveGrid->addWidget(minutesLabel, 0, 2);
    saveGrid->addWidget(BackUpCheck, 1, 0, 1, 3);
    saveGrid->setRowStretch(2, 1);
    saveGrid->setColumnStretch(3, 1);
    Pages->addTab(save, QStringLiteral("Save"));

    auto* buttons = new QHBoxLayout;
    const OkCancelButtons okCancel = addOkCancelButtons(*this, *buttons);
    OkButton = okCancel.Ok;
    CancelButton = okCancel.Cancel;

    auto* outer = new QVBoxLayout(this);
    outer->addWidget(Pages);
    outer->addLayout(buttons);

    setModel(OptionsDialogModel{});
}

void TOptionsForm::setModel(const OptionsDialogModel& m)
{
    Edit1->setText(fromAnsi(m.UserName));
    Edit2->setText(fromAnsi(m.UserInitials));
    Memo1->setPlainText(addressForEditor(m.UserAddress));
    ComboBox1->setCurrentIndex(m.QuoteStyle >= 0 && m.QuoteStyle < ComboBox1->count() ? m.QuoteStyle : -1);
    helplinescheck->setChecked(m.HelpLines);
    UndoEd->setValue(m.UndoDepth);
    LastOpenEd->setValue(m.RecentMax);
    tabcheck->setChecked(m.ShowTab);
    leercheck->setChecked(m.ShowSpace);
    absatzcheck->setChecked(m.ShowParagraphEnd);
    AllCheck->setChecked(m.ShowAll);
    AutoSaveCheck->setChecked(m.AutoSave);
    SaveTimeEd->setValue(m.AutoSaveMinutes);
    BackUpCheck->setChecked(m.MakeBak);
}

OptionsDialogModel TOptionsForm::model() const
{
    OptionsDialogModel m;
    m.UserName = toAnsi(Edit1->text());
    m.UserInitials = toAnsi(Edit2->text());
    m.UserAddress = addressFromEditor(Memo1->toPlainText());
    m.QuoteStyle = ComboBox1->currentIndex();
    m.HelpLines = helplinescheck->isChecked();
    m.UndoDepth = UndoEd->value();
    m.RecentMax = LastOpenEd->value();
    m.ShowTab = tabcheck->isChecked();
    m.ShowSpace = leercheck->isChecked();
    m.ShowParagraphEnd = absatzcheck->isChecked();
    m.ShowAll = AllCheck->isChecked();
    m.AutoSave = AutoSaveCheck->isChecked();
    m.AutoSaveMinutes = SaveTimeEd->value();
    m.MakeBak = BackUpCheck->isChecked();
    return m;
}

bool ShowOptionsForm(TOptionsForm& form, OptionsDialogModel& model)
{
    form.setModel(model);
    if (form.exec() != QDialog::Accepted) return false;
    model = form.model();
    return true;
}

} // namespace quillet
