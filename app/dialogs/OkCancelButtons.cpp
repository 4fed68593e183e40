#include "app/dialogs/OkCancelButtons.h"

#include "app/widgets/BitBtnXP.h"

#include <QBoxLayout>
#include <QDialog>

#include <utility>

namespace quillet {

OkCancelButtons addOkCancelButtons(QDialog& dialog, QBoxLayout& row, std::function<void()> onOk,
                                   const QString& okText, const QString& okName, const QString& cancelName)
{
    OkCancelButtons b;
    b.Ok = new TBitBtnXP(bkOK, &dialog);
    b.Ok->setText(okText);
    b.Ok->setObjectName(okName);
    b.Ok->OnClick = std::move(onOk);
    b.Cancel = new TBitBtnXP(bkCancel, &dialog);
    b.Cancel->setObjectName(cancelName);
    row.addStretch();
    row.addWidget(b.Ok);
    row.addWidget(b.Cancel);
    return b;
}

} // namespace quillet
