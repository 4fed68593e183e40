#pragma once
// Shared by the offscreen dialog tests: one application object, the texts
// of a dialog's labels, and running a modal dialog while a queued action
// presses its buttons.

#include <QApplication>
#include <QLabel>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

#include <unistd.h>

namespace quillet::test {

// Window placement (QSettings) goes to a folder of this test process, never
// into the user's own settings, and not shared with the tests ctest runs
// beside it.
inline void keepUserSettingsInTestOutput()
{
    static const bool once = [] {
        const std::string dir = std::string(QUILLET_TEST_OUTPUT_DIR) + "/qt-config/" + std::to_string(::getpid());
        setenv("XDG_CONFIG_HOME", dir.c_str(), 0);
        return true;
    }();
    (void)once;
}

inline QApplication& app()
{
    keepUserSettingsInTestOutput();
    static int argc = 1;
    static char arg0[] = "quillet-test";
    static char* argv[] = {arg0, nullptr};
    // Never destroyed: devices Qt makes for synthetic key events are freed
    // at exit after a static application would already be gone.
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

inline QStringList labelTexts(const QWidget& w)
{
    QStringList out;
    for (const QLabel* l : w.findChildren<QLabel*>()) out << l->text();
    return out;
}

// Queues `act` on the dialog of type Form, then runs `show` (which shows it modally).
template <class Form>
bool runAndPressDialog(std::function<void(Form&)> act, const std::function<bool()>& show)
{
    QTimer::singleShot(0, [act] {
        auto* form = qobject_cast<Form*>(QApplication::activeModalWidget());
        if (!form) {
            for (QWidget* w : QApplication::topLevelWidgets())
                if ((form = qobject_cast<Form*>(w))) break;
        }
        if (!form) {
            ADD_FAILURE() << "the dialog is not up";
            if (QWidget* w = QApplication::activeModalWidget()) w->close();
            return;
        }
        act(*form);
    });
    return show();
}

} // namespace quillet::test
