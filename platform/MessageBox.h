#pragma once
// Modal message boxes with the program's fixed texts. The core reports
// through this interface; the Qt layer shows real boxes, tests record them.

#include <string>
#include <string_view>

namespace quillet {

enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgResult { Ok, Cancel, Yes, No };

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // caption empty = the system's default caption.
    virtual MsgResult show(std::string_view text, std::string_view caption, MsgIcon icon,
                           MsgButtons buttons) = 0;
};

// The boxes the program uses; without one installed, messages go to stderr
// and questions get their first answer.
MessageBoxes& messageBoxes();
// Installs a handler (not owned); null restores the default.
void setMessageBoxes(MessageBoxes* boxes);

} // namespace quillet
