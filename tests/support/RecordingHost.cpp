#include "tests/support/RecordingHost.h"

#include <algorithm>

namespace quillet::test {

void RecordingHost::restartTimer2()
{
    ++timer2Restarts;
    timer2Running = true;
}

void RecordingHost::stopTimer2()
{
    ++timer2Stops;
    timer2Running = false;
}

void RecordingHost::setScrollPos(int32_t nx, int32_t ny)
{
    x = std::max(nx, 0);
    y = std::clamp(ny, 0, std::max(scrollMaxY, 0));
}

void RecordingHost::setFocus()
{
    ++focusRequests;
    focused = true;
}

void RecordingHost::createCaret(int32_t w, int32_t h)
{
    caretCalls.push_back("create " + std::to_string(w) + "x" + std::to_string(h));
}

void RecordingHost::setCaretPos(int32_t cx, int32_t cy)
{
    caretCalls.push_back("pos " + std::to_string(cx) + "," + std::to_string(cy));
}

void RecordingUi::setUndoHints(const std::vector<std::string>& u, const std::vector<std::string>& r)
{
    undo = u;
    redo = r;
    ++hintUpdates;
}

void RecordingUi::setStyleBoxItems(const std::vector<std::string>& names)
{
    styleItems = names;
    ++styleBoxRefills;
}

bool RecordingUi::runPageSetupDialog(TPageSetupForm& form)
{
    ++pageSetupShown;
    return pageSetup ? pageSetup(form) : false;
}

} // namespace quillet::test
