#include "app/dialogs/DBFUnit.h"

#include "app/widgets/BitBtnXP.h"
#include "platform/DbfTable.h"
#include "platform/MessageBox.h"
#include "platform/qt/QtText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace quillet {

TDBForm::TDBForm(QWidget* parent, DbfTable* table) : QDialog(parent), Table(table && table->isOpen() ? table : nullptr)
{
    setWindowTitle(QStringLiteral("Edit database"));
    auto* body = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    body->addLayout(top);
    DBGrid1 = new QTableWidget;
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    body->addWidget(DBGrid1);
    StatusBar1 = new QLabel;
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    body->addWidget(StatusBar1);

    const struct { QPushButton* TDBForm::*button; const char* name; const char* text; void (TDBForm::*act)(); } buttons[] = {
        {&TDBForm::First, "First", "|<", nullptr},       {&TDBForm::Prior, "Prior", "<", nullptr},
        {&TDBForm::Next, "Next", ">", nullptr},          {&TDBForm::Last, "Last", ">|", nullptr},
        {&TDBForm::Insert, "Insert", "+", &TDBForm::insertRecord}, {&TDBForm::Delete, "Delete", "-", &TDBForm::deleteRecord},
    };
    for (const auto& b : buttons) {
        auto* button = new QPushButton(QString::fromLatin1(b.text));
        button->setObjectName(QString::fromLatin1(b.name));
        top->addWidget(button);
        this->*b.button = button;
        if (b.act) connect(button, &QPushButton::clicked, this, b.act);
    }
    connect(First, &QPushButton::clicked, this, [this] { go(0); });
    connect(Prior, &QPushButton::clicked, this, [this] { go(Table ? Table->recNo() - 2 : 0); });
    connect(Next, &QPushButton::clicked, this, [this] { go(Table ? Table->recNo() : 0); });
    connect(Last, &QPushButton::clicked, this, [this] { go(Table ? Table->recordCount() - 1 : 0); });
    top->addStretch();
    BackBtn = new TBitBtnXP;
    BackBtn->setText(QStringLiteral("Back..."));
    BackBtn->setObjectName(QStringLiteral("BackBtn"));
    top->addWidget(BackBtn);
    connect(BackBtn, &QPushButton::clicked, this, &QDialog::accept);

    fill();
    enableNavigator();
    if (!Table) return;
    connect(DBGrid1, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (row >= 0) Table->setRecNo(row + 1);
    });
    connect(DBGrid1, &QTableWidget::itemChanged, this, &TDBForm::cellEdited);
}

void TDBForm::fill()
{
    const QSignalBlocker quiet(DBGrid1);
    DBGrid1->clear();
    DBGrid1->setRowCount(0);
    if (!Table) return;
    const int32_t current = Table->recNo();
    DBGrid1->setColumnCount(Table->fieldCount());
    DBGrid1->setRowCount(Table->recordCount());
    QStringList headers;
    for (int32_t i = 0; i < Table->fieldCount(); ++i) headers << fromAnsi(Table->fieldName(i));
    DBGrid1->setHorizontalHeaderLabels(headers);
    for (int32_t r = 1; r <= Table->recordCount(); ++r) {
        Table->setRecNo(r);
        for (int32_t i = 0; i < Table->fieldCount(); ++i)
            DBGrid1->setItem(r - 1, i, new QTableWidgetItem(fromAnsi(Table->value(i))));
    }
    Table->setRecNo(current);
    DBGrid1->setCurrentCell(current - 1, 0);
}

void TDBForm::enableNavigator()
{
    const bool records = Table && Table->recordCount() > 0;
    const bool writable = Table && !Table->readOnly();
    for (QPushButton* b : {First, Prior, Next, Last}) b->setEnabled(records);
    Delete->setEnabled(records && writable);
    Insert->setEnabled(writable && Table->fieldCount() > 0);
}

void TDBForm::go(int row)
{
    if (!Table || Table->recordCount() == 0) return;
    Table->setRecNo(row + 1);
    const QSignalBlocker quiet(DBGrid1);
    DBGrid1->setCurrentCell(Table->recNo() - 1, std::max(DBGrid1->currentColumn(), 0));
}

void TDBForm::insertRecord()
{
    if (!Table) return;
    const std::string reason = Table->append();
    StatusBar1->setText(fromAnsi(reason));
    if (!reason.empty()) return;
    // Filled anew, so the grid shows the new row as the table holds it.
    fill();
    enableNavigator();
}

void TDBForm::deleteRecord()
{
    if (!Table || Table->recNo() < 1) return;
    if (messageBoxes().show("Delete record?", "", MsgIcon::Question, MsgButtons::OkCancel) != MsgResult::Ok) return;
    const std::string reason = Table->remove();
    StatusBar1->setText(fromAnsi(reason));
    if (!reason.empty()) return;
    fill();
    enableNavigator();
}

void TDBForm::cellEdited(QTableWidgetItem* item)
{
    Table->setRecNo(item->row() + 1);
    std::string reason = Table->setValue(item->column(), toAnsi(item->text()));
    if (reason.empty()) reason = Table->post();
    StatusBar1->setText(fromAnsi(reason));
    const QSignalBlocker quiet(DBGrid1);
    item->setText(fromAnsi(Table->value(item->column())));
}

void TDBForm::FormClose()
{
    // Edits are posted as they are made; this writes nothing unless one is
    // still pending.
    if (Table) Table->post();
}

void ShowDBForm(QWidget* parent, DbfTable* table)
{
    TDBForm form(parent, table);
    form.exec();
    form.FormClose();
}

} // namespace quillet
