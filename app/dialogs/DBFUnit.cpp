#include "app/dialogs/DBFUnit.h"

#include "app/widgets/BitBtnXP.h"
#include "platform/DbfTable.h"
#include "platform/qt/QtText.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

namespace quillet {

void ShowDBForm(QWidget* parent, DbfTable* table)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Edit database"));
    auto* body = new QVBoxLayout(&dialog);
    auto* top = new QHBoxLayout;
    body->addLayout(top);
    auto* grid = new QTableWidget;
    grid->setObjectName(QStringLiteral("DBGrid1"));
    body->addWidget(grid);
    auto* status = new QLabel;
    status->setObjectName(QStringLiteral("StatusBar1"));
    body->addWidget(status);

    const bool open = table && table->isOpen();
    if (open) {
        const int32_t current = table->recNo();
        grid->setColumnCount(table->fieldCount());
        grid->setRowCount(table->recordCount());
        QStringList headers;
        for (int32_t i = 0; i < table->fieldCount(); ++i) headers << fromAnsi(table->fieldName(i));
        grid->setHorizontalHeaderLabels(headers);
        for (int32_t r = 1; r <= table->recordCount(); ++r) {
            table->setRecNo(r);
            for (int32_t i = 0; i < table->fieldCount(); ++i)
                grid->setItem(r - 1, i, new QTableWidgetItem(fromAnsi(table->value(i))));
        }
        table->setRecNo(current);
        grid->setCurrentCell(current - 1, 0);
    }
    auto go = [&](int row) {
        if (!open || table->recordCount() == 0) return;
        table->setRecNo(row + 1);
        grid->setCurrentCell(table->recNo() - 1, std::max(grid->currentColumn(), 0));
    };
    const struct { const char* name; const char* text; int step; } buttons[] = {
        {"First", "|<", -2}, {"Prior", "<", -1}, {"Next", ">", 1}, {"Last", ">|", 2}};
    for (const auto& b : buttons) {
        auto* button = new QPushButton(QString::fromLatin1(b.text));
        button->setObjectName(QString::fromLatin1(b.name));
        button->setEnabled(open);
        top->addWidget(button);
        const int step = b.step;
        QObject::connect(button, &QPushButton::clicked, &dialog, [&, step] {
            const int row = step == -2 ? 0 : step == 2 ? table->recordCount() - 1 : table->recNo() - 1 + step;
            go(row);
        });
    }
    top->addStretch();
    auto* back = new TBitBtnXP;
    back->setText(QStringLiteral("Back..."));
    back->setObjectName(QStringLiteral("BackBtn"));
    top->addWidget(back);
    QObject::connect(back, &QPushButton::clicked, &dialog, &QDialog::accept);

    if (open) {
        QObject::connect(grid, &QTableWidget::currentCellChanged, &dialog, [&](int row) {
            if (row >= 0) table->setRecNo(row + 1);
        });
        QObject::connect(grid, &QTableWidget::itemChanged, &dialog, [&](QTableWidgetItem* item) {
            table->setRecNo(item->row() + 1);
            std::string reason = table->setValue(item->column(), toAnsi(item->text()));
            if (reason.empty()) reason = table->post();
            status->setText(fromAnsi(reason));
            const QSignalBlocker quiet(grid);
            item->setText(fromAnsi(table->value(item->column())));
        });
    }
    dialog.exec();
    // Edits are posted as they are made; nothing is left to write.
    if (open) table->post();
}

} // namespace quillet
