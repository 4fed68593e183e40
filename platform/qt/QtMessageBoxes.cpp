#include "platform/qt/QtMessageBoxes.h"

#include "platform/qt/QtText.h"

#include <QApplication>
#include <QMessageBox>

namespace quillet {

MsgResult QtMessageBoxes::show(std::string_view text, std::string_view caption, MsgIcon icon,
                               MsgButtons buttons)
{
    return run(fromAnsi(text), fromAnsi(caption), icon, buttons);
}

MsgResult QtMessageBoxes::showUtf8(std::string_view text, std::string_view caption, MsgIcon icon,
                                   MsgButtons buttons)
{
    return run(QString::fromUtf8(text.data(), qsizetype(text.size())),
               QString::fromUtf8(caption.data(), qsizetype(caption.size())), icon, buttons);
}

MsgResult QtMessageBoxes::run(const QString& text, const QString& caption, MsgIcon icon, MsgButtons buttons)
{
    QMessageBox box(parent_);
    box.setText(text);
    box.setWindowTitle(caption.isEmpty() ? QApplication::applicationName() : caption);
    switch (icon) {
    case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Error: box.setIcon(QMessageBox::Critical); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    }
    switch (buttons) {
    case MsgButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case MsgButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MsgButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case MsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Cancel: return MsgResult::Cancel;
    case QMessageBox::Yes: return MsgResult::Yes;
    case QMessageBox::No: return MsgResult::No;
    default: return MsgResult::Ok;
    }
}

} // namespace quillet
