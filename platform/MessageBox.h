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
    // Text and caption in the document code page (Windows-1252), as most
    // messages quote document text. caption empty = the system's default
    // caption.
    virtual MsgResult show(std::string_view text, std::string_view caption, MsgIcon icon,
                           MsgButtons buttons) = 0;
    // The same with text and caption in UTF-8, for messages that name files
    // or give the system's reason: a file name need not fit the code page.
    // Boxes that only know show() get the text in the code page, without
    // the characters it lacks.
    virtual MsgResult showUtf8(std::string_view text, std::string_view caption, MsgIcon icon,
                               MsgButtons buttons);
};

// The boxes the program uses; without one installed, messages go to stderr
// and questions get their first answer.
MessageBoxes& messageBoxes();
// Installs a handler (not owned); null restores the default.
void setMessageBoxes(MessageBoxes* boxes);

// The program's error message: the system's caption, the error icon and an
// OK button, through the installed boxes. The text is UTF-8 so that a file
// name in it shows as it is; ASCII reads the same either way, and text from
// the document goes through ansiToUtf8 first. A reason, when there is one,
// goes on a second line.
void errorBox(std::string_view text, std::string_view reason = {});

} // namespace quillet
