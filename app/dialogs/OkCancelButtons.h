#pragma once
// The OK and Cancel buttons that end the program's dialogs.

#include "app/widgets/BitBtnXP.h"

#include <QString>

#include <functional>

class QBoxLayout;
class QDialog;

namespace quillet {

struct OkCancelButtons {
    TBitBtnXP* Ok = nullptr;
    TBitBtnXP* Cancel = nullptr;
};

// Puts OK and Cancel at the end of `row` (a row or a column), after a
// stretch. OK is the dialog's default button, so Enter presses it; it
// accepts the dialog, or runs onOk instead for a dialog that checks its
// input before it accepts. Cancel (and Escape) rejects the dialog. The
// object names are what tests find the buttons by.
OkCancelButtons addOkCancelButtons(QDialog& dialog, QBoxLayout& row, std::function<void()> onOk = {},
                                   const QString& okText = QStringLiteral("OK"),
                                   const QString& okName = QStringLiteral("OkButton"),
                                   const QString& cancelName = QStringLiteral("CancelButton"));

} // namespace quillet
