#include "app/dialogs/OkCancelButtons.h"

#include <QBoxLayout>
#include <QDialog>
#include <QPushButton>

#include <utility>

namespace quillet {

OkCancelButtons addOkCancelButtons(QDialog& dialog, QBoxLayout& row, std::function<void()> onOk,
                                   const QString& okText, const QString& okName, const QString& cancelName)
{
    OkCancelButtons b;
    b.Ok = new QPushButton(okText, &dialog);
    b.Ok->setObjectName(okName);
    b.Ok->setDefault(true);
    b.Cancel = new QPushButton(QStringLiteral("Cancel"), &dialog);
    b.Cancel->setObjectName(cancelName);
    if (onOk) QObject::connect(b.Ok, &QPushButton::clicked, &dialog, [ok = std::move(onOk)] { ok(); });
    else QObject::connect(b.Ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(b.Cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    row.addStretch();
    row.addWidget(b.Ok);
    row.addWidget(b.Cancel);
    return b;
}

} // namespace quillet
