// Format > Characters dialog.

#include "app/dialogs/ZeichenFormatFUnit.h"

#include "app/dialogs/OkCancelButtons.h"
#include "app/widgets/VelmoColorComboBox.h"
#include "platform/MessageBox.h"
#include "platform/qt/QtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace quillet {

TZeichenFormatForm::TZeichenFormatForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QString::fromLatin1(ZeichenFormatModel::kCaption));
    setModal(true);

    // A plain editable list rather than a font box: a face this machine
    // lacks must stay exactly as the document names it.
    fontbox = new QComboBox(this);
    fontbox->setObjectName(QStringLiteral("fontbox"));
    fontbox->setEditable(true);
    fontbox->setInsertPolicy(QComboBox::NoInsert);
    fontbox->addItems(QFontDatabase::families());
    fontbox->setMinimumContentsLength(20);

    FontSize = new QComboBox(this);
    FontSize->setObjectName(QStringLiteral("FontSize"));
    FontSize->setEditable(true);
    FontSize->setInsertPolicy(QComboBox::NoInsert);
    for (const char* s : ZeichenFormatModel::kSizes) FontSize->addItem(QString::fromLatin1(s));

    attrlist = new QListWidget(this);
    attrlist->setObjectName(QStringLiteral("attrlist"));
    for (const char* a : ZeichenFormatModel::kAttributes) {
        auto* item = new QListWidgetItem(QString::fromLatin1(a), attrlist);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
    }

    auto colourBox = [this](const char* name) {
        auto* box = new TVelmoColorComboBox(this);
        box->setObjectName(QString::fromLatin1(name));
        return box;
    };
    col1 = colourBox("col1");
    col2 = colourBox("col2");
    col3 = colourBox("col3");
    col4 = colourBox("col4");
    transcheck = new QCheckBox(QStringLiteral("Transparent"), this);
    transcheck->setObjectName(QStringLiteral("transcheck"));

    auto label = [this](const char* text, QWidget* buddy) {
        auto* l = new QLabel(QString::fromLatin1(text), this);
        l->setBuddy(buddy);
        return l;
    };
    auto* grid = new QGridLayout;
    grid->addWidget(label("Font:", fontbox), 0, 0);
    grid->addWidget(fontbox, 0, 1);
    grid->addWidget(label("Size:", FontSize), 0, 2);
    grid->addWidget(FontSize, 0, 3);
    grid->addWidget(attrlist, 1, 0, 6, 2);
    grid->addWidget(label("Text color:", col1), 1, 2);
    grid->addWidget(col1, 1, 3);
    grid->addWidget(label("Background color:", col2), 2, 2);
    grid->addWidget(col2, 2, 3);
    grid->addWidget(transcheck, 3, 3);
    grid->addWidget(label("Border color:", col3), 4, 2);
    grid->addWidget(col3, 4, 3);
    grid->addWidget(label("Shadow color:", col4), 5, 2);
    grid->addWidget(col4, 5, 3);

    auto* buttons = new QHBoxLayout;
    const OkCancelButtons okCancel = addOkCancelButtons(*this, *buttons, [this] { okClick(); });
    OkButton = okCancel.Ok;
    CancelButton = okCancel.Cancel;

    auto* outer = new QVBoxLayout(this);
    outer->addLayout(grid);
    outer->addLayout(buttons);

    // The user's changes, each to its handler.
    connect(fontbox, &QComboBox::editTextChanged, this, [this](const QString& text) {
        Model.fontbox = toAnsi(text);
        Model.fontboxChange();
    });
    connect(FontSize, &QComboBox::editTextChanged, this, [this](const QString& text) {
        Model.FontSize = text.toStdString();
        Model.FontSizeChange();
    });
    connect(attrlist, &QListWidget::itemChanged, this, [this] {
        for (int i = 0; i < attrlist->count() && size_t(i) < Model.attrlist.size(); ++i)
            Model.attrlist[size_t(i)] = attrlist->item(i)->checkState() == Qt::Checked;
        Model.attrlistClickCheck();
    });
    connect(col1, &TVelmoColorComboBox::Change, this, [this] {
        Model.col1 = col1->ColorValue();
        Model.col1Change();
    });
    connect(col2, &TVelmoColorComboBox::Change, this, [this] {
        Model.col2 = col2->ColorValue();
        Model.col2Change();
        transcheck->setEnabled(Model.transcheckEnabled != 0);
    });
    connect(col3, &TVelmoColorComboBox::Change, this, [this] {
        Model.col3 = col3->ColorValue();
        Model.col3Change();
    });
    connect(col4, &TVelmoColorComboBox::Change, this, [this] {
        Model.col4 = col4->ColorValue();
        Model.col4Change();
    });
    connect(transcheck, &QCheckBox::clicked, this, [this](bool checked) {
        Model.transcheck = checked ? 1 : 0;
        Model.transcheckClick();
    });
}

void TZeichenFormatForm::setModel(const ZeichenFormatModel& model)
{
    Model = model;
    const QSignalBlocker b1(fontbox), b2(FontSize), b3(attrlist), b4(transcheck);
    fontbox->setEditText(fromAnsi(Model.fontbox));
    const QString size = QString::fromStdString(Model.FontSize);
    FontSize->setCurrentIndex(FontSize->findText(size, Qt::MatchExactly));
    FontSize->setEditText(size);
    for (int i = 0; i < attrlist->count() && size_t(i) < Model.attrlist.size(); ++i)
        attrlist->item(i)->setCheckState(Model.attrlist[size_t(i)] ? Qt::Checked : Qt::Unchecked);
    col1->SetColorValue(Model.col1);
    col2->SetColorValue(Model.col2);
    col3->SetColorValue(Model.col3);
    col4->SetColorValue(Model.col4);
    transcheck->setChecked(Model.transcheck != 0);
    transcheck->setEnabled(Model.transcheckEnabled != 0);
}

void TZeichenFormatForm::okClick()
{
    // A size out of range is ignored by the command, the rest applies.
    accept();
}

bool ShowZeichenFormatForm(TZeichenFormatForm& form, ZeichenFormatModel& model)
{
    form.setModel(model);
    if (form.exec() != QDialog::Accepted) return false;
    model = form.model();
    return true;
}

} // namespace quillet
