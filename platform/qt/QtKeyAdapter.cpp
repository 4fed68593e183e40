#include "platform/qt/QtKeyAdapter.h"

#include "platform/VirtualKeys.h"
#include "platform/qt/QtText.h"

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPointer>

namespace quillet {

namespace {

// Under X11 and Wayland the right Alt key (AltGr) is a key of its own, not
// Ctrl+Alt, and no modifier bit tells reliably that it is held. One filter
// on the application follows its presses and releases, whichever widget has
// the focus; leaving the application forgets it, as its release goes elsewhere.
class RightAltWatch final : public QObject {
public:
    bool Held = false;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            const auto* k = static_cast<const QKeyEvent*>(event);
            if (k->key() == Qt::Key_AltGr) Held = event->type() == QEvent::KeyPress;
            break;
        }
        case QEvent::ApplicationDeactivate: Held = false; break;
        default: break;
        }
        return QObject::eventFilter(watched, event);
    }
};

RightAltWatch* rightAltWatch()
{
    static QPointer<RightAltWatch> watch;
    if (!watch) {
        QCoreApplication* app = QCoreApplication::instance();
        if (!app) return nullptr;
        watch = new RightAltWatch;
        watch->setParent(app);
        app->installEventFilter(watch);
    }
    return watch;
}

uint16_t keypadKey(int key)
{
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return uint16_t(VK_NUMPAD0 + (key - Qt::Key_0));
    switch (key) {
    case Qt::Key_Asterisk: return VK_MULTIPLY;
    case Qt::Key_Plus: return VK_ADD;
    case Qt::Key_Minus: return VK_SUBTRACT;
    case Qt::Key_Period:
    case Qt::Key_Comma: return VK_DECIMAL;
    case Qt::Key_Slash: return VK_DIVIDE;
    default: return 0;
    }
}

} // namespace

uint16_t virtualKeyFor(int key, Qt::KeyboardModifiers modifiers)
{
    if (modifiers & Qt::KeypadModifier)
        if (const uint16_t k = keypadKey(key)) return k;
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return uint16_t(VK_A + (key - Qt::Key_A));
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return uint16_t(VK_0 + (key - Qt::Key_0));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return uint16_t(VK_F1 + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Clear: return VK_CLEAR;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt:
    case Qt::Key_AltGr: return VK_MENU;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Print: return VK_SNAPSHOT;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Help: return VK_HELP;
    case Qt::Key_Meta: return VK_LWIN;
    case Qt::Key_Menu: return VK_APPS;
    case Qt::Key_NumLock: return VK_NUMLOCK;
    case Qt::Key_ScrollLock: return VK_SCROLL;
    // Punctuation keys by the character of their US key caps; the minus
    // key (the soft hyphen's) is the same on every layout.
    case Qt::Key_Minus:
    case Qt::Key_Underscore: return VK_OEM_MINUS;
    case Qt::Key_Plus:
    case Qt::Key_Equal: return VK_OEM_PLUS;
    case Qt::Key_Comma:
    case Qt::Key_Less: return VK_OEM_COMMA;
    case Qt::Key_Period:
    case Qt::Key_Greater: return VK_OEM_PERIOD;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon:
    case Qt::Key_Udiaeresis: return VK_OEM_1;
    case Qt::Key_Slash:
    case Qt::Key_Question:
    case Qt::Key_NumberSign: return VK_OEM_2;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde:
    case Qt::Key_Odiaeresis: return VK_OEM_3;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft:
    case Qt::Key_ssharp: return VK_OEM_4;
    case Qt::Key_Backslash:
    case Qt::Key_Bar: return VK_OEM_5;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight: return VK_OEM_6;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl:
    case Qt::Key_Adiaeresis: return VK_OEM_7;
    default: return 0;
    }
}

uint8_t shiftBitsFor(Qt::KeyboardModifiers modifiers)
{
    uint8_t bits = 0;
    if (modifiers & Qt::ShiftModifier) bits |= ssShift;
    if (modifiers & Qt::AltModifier) bits |= ssAlt;
    if (modifiers & Qt::ControlModifier) bits |= ssCtrl;
    if (modifiers & Qt::GroupSwitchModifier) bits |= ssRightAlt;
    return bits;
}

std::string typedBytes(const QString& text)
{
    std::string out;
    for (char c : toAnsi(text)) {
        const uint8_t b = uint8_t(c);
        if (b >= 32 && b != kDelChar) out.push_back(c);
    }
    return out;
}

KeyInput translateKeyPress(const QKeyEvent& event)
{
    KeyInput in;
    const Qt::KeyboardModifiers mods = event.modifiers();
    in.Shift = shiftBitsFor(mods);
    std::string typed = typedBytes(event.text());

    const bool ctrl = (in.Shift & ssCtrl) != 0, alt = (in.Shift & ssAlt) != 0;
    if (ctrl && alt && !typed.empty()) {
        // Ctrl+Alt that types a character is the AltGr of some keyboard
        // layers: a character, not a shortcut.
        in.Shift = uint8_t((in.Shift & ssShift) | ssRightAlt);
    } else if (ctrl || alt) {
        // Shortcuts type nothing.
        typed.clear();
    }
    if (event.key() == Qt::Key_AltGr) {
        // The watch may have been put up by this very press.
        if (RightAltWatch* w = rightAltWatch()) w->Held = event.type() != QEvent::KeyRelease;
        in.Shift |= ssRightAlt;
    }
    if (rightAltHeld()) in.Shift |= ssRightAlt;
    in.VirtualKey = virtualKeyFor(event.key(), mods);
    // Tab (and Shift+Tab, Qt's Backtab) reaches the window as the form's
    // key hook hands it on: key 9 without modifiers.
    if (in.VirtualKey == VK_TAB) in.Shift = 0;
    in.Typed = std::move(typed);
    return in;
}

void watchRightAlt() { rightAltWatch(); }

bool rightAltHeld()
{
    const RightAltWatch* w = rightAltWatch();
    return w && w->Held;
}

std::string translateCommitText(const QInputMethodEvent& event)
{
    return typedBytes(event.commitString());
}

} // namespace quillet
