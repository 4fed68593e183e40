#pragma once
// Frame commands run from Qt's signals: nothing they throw may reach the
// event loop. The user is told that the command failed, and the frame goes
// on with what it has.

#include "platform/MessageBox.h"

#include <exception>
#include <string>

namespace quillet {

template <class F>
void guardedCommand(F&& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        errorBox(std::string("The command could not be completed: ") + e.what());
    } catch (...) {
        errorBox("The command could not be completed.");
    }
}

} // namespace quillet
