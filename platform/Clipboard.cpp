// The installed clipboard (Clipboard.h).

#include "platform/Clipboard.h"

namespace quillet {

namespace {

Clipboard* installed = nullptr;

} // namespace

Clipboard& clipboard()
{
    static MemoryClipboard builtIn;
    return installed ? *installed : builtIn;
}

void setClipboard(Clipboard* board) { installed = board; }

} // namespace quillet
