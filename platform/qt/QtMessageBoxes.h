#pragma once
#include "platform/MessageBox.h"

class QString;
class QWidget;

namespace quillet {

// Message boxes as real modal Qt dialogs, owned by the frame.
class QtMessageBoxes final : public MessageBoxes {
public:
    explicit QtMessageBoxes(QWidget* parent = nullptr) : parent_(parent) {}
    MsgResult show(std::string_view text, std::string_view caption, MsgIcon icon,
                   MsgButtons buttons) override;
    MsgResult showUtf8(std::string_view text, std::string_view caption, MsgIcon icon,
                       MsgButtons buttons) override;

private:
    MsgResult run(const QString& text, const QString& caption, MsgIcon icon, MsgButtons buttons);
    QWidget* parent_;
};

} // namespace quillet
