#include "platform/MessageBox.h"

#include "platform/Win1252.h"

#include <cstdio>
#include <string>

namespace quillet {

MsgResult MessageBoxes::showUtf8(std::string_view text, std::string_view caption, MsgIcon icon,
                                 MsgButtons buttons)
{
    return show(utf8ToAnsi(text), utf8ToAnsi(caption), icon, buttons);
}

namespace {

class StderrBoxes final : public MessageBoxes {
public:
    MsgResult show(std::string_view text, std::string_view caption, MsgIcon icon, MsgButtons buttons) override
    {
        return showUtf8(ansiToUtf8(text), ansiToUtf8(caption), icon, buttons);
    }
    MsgResult showUtf8(std::string_view text, std::string_view caption, MsgIcon, MsgButtons buttons) override
    {
        std::fprintf(stderr, "%.*s%s%.*s\n", int(caption.size()), caption.data(),
                     caption.empty() ? "" : ": ", int(text.size()), text.data());
        switch (buttons) {
        case MsgButtons::Ok:
        case MsgButtons::OkCancel: return MsgResult::Ok;
        case MsgButtons::YesNo:
        case MsgButtons::YesNoCancel: return MsgResult::Yes;
        }
        return MsgResult::Ok;
    }
};

StderrBoxes g_default;
MessageBoxes* g_current = nullptr;

} // namespace

MessageBoxes& messageBoxes() { return g_current ? *g_current : g_default; }
void setMessageBoxes(MessageBoxes* boxes) { g_current = boxes; }

void errorBox(std::string_view text, std::string_view reason)
{
    if (reason.empty()) {
        messageBoxes().showUtf8(text, "", MsgIcon::Error, MsgButtons::Ok);
        return;
    }
    std::string lines(text);
    lines += '\n';
    lines += reason;
    messageBoxes().showUtf8(lines, "", MsgIcon::Error, MsgButtons::Ok);
}

} // namespace quillet
