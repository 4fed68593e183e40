#pragma once
// Frame commands run from Qt's signals: nothing they throw may reach the
// event loop. The user is told that the command failed, and the frame goes
// on with what it has.
//
// A command must also never run inside other work that is under way: a
// modal dialog (its own event loop would run the command in the middle of
// the operation that showed it), a mouse drag on a page, or a print run.
// Such work raises the frame's busy depth for as long as it lasts, and
// commands are refused meanwhile.

#include "platform/MessageBox.h"

#include <QApplication>

#include <exception>
#include <string>

namespace quillet {

class FrameBusy {
public:
    // Raises the busy depth for the life of the object.
    class Scope {
    public:
        Scope() { ++counter(); }
        ~Scope() { --counter(); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
    };
    // True while a drag or a print run holds a Scope, or a modal dialog is up.
    static bool now() { return counter() > 0 || QApplication::activeModalWidget() != nullptr; }
    static int depth() { return counter(); }

private:
    static int& counter()
    {
        static int value = 0;
        return value;
    }
};

// Runs f, reporting what it throws. For the frame's own events (showing,
// closing, activating and destroying windows), which must run whatever else
// is going on.
template <class F>
void guardedEvent(F&& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        errorBox(std::string("The command could not be completed: ") + e.what());
    } catch (...) {
        errorBox("The command could not be completed.");
    }
}

// A user's command: refused (false, nothing run) while the frame is busy.
template <class F>
bool guardedCommand(F&& f)
{
    if (FrameBusy::now()) return false;
    guardedEvent(f);
    return true;
}

} // namespace quillet
