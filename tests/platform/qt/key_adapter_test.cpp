#include "formats/StandardServices.h"
#include "platform/qt/QtKeyAdapter.h"

#include "engine/Childwin.h"
#include "platform/VirtualKeys.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>

#include <gtest/gtest.h>

#include <memory>

using namespace quillet;

namespace {

// The application object goes before the program's exit handlers run:
// Qt's input devices cannot be torn down after them.
class GuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = std::make_unique<QGuiApplication>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[17] = "key_adapter_test";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QGuiApplication> app_;
};

[[maybe_unused]] ::testing::Environment* const guiEnvironment =
    ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

class KeyAdapter : public ::testing::Test {
protected:

    static KeyInput press(int key, Qt::KeyboardModifiers mods, const QString& text = {})
    {
        const QKeyEvent e(QEvent::KeyPress, key, mods, text);
        return translateKeyPress(e);
    }
};

TEST_F(KeyAdapter, KeysAndShiftBitsMapToTheHandlersCodes)
{
    EXPECT_EQ(press(Qt::Key_Left, Qt::ShiftModifier).VirtualKey, VK_LEFT);
    EXPECT_EQ(press(Qt::Key_Left, Qt::ShiftModifier).Shift, ssShift);
    EXPECT_EQ(press(Qt::Key_PageDown, Qt::NoModifier).VirtualKey, VK_NEXT);
    EXPECT_EQ(press(Qt::Key_Backtab, Qt::ShiftModifier).VirtualKey, VK_TAB);
    EXPECT_EQ(press(Qt::Key_Enter, Qt::KeypadModifier).VirtualKey, VK_RETURN);
    EXPECT_EQ(press(Qt::Key_F5, Qt::NoModifier).VirtualKey, VK_F1 + 4);

    const KeyInput ctrlA = press(Qt::Key_A, Qt::ControlModifier, QString(QChar(1)));
    EXPECT_EQ(ctrlA.VirtualKey, 'A');
    EXPECT_EQ(ctrlA.Shift, ssCtrl);
    EXPECT_TRUE(ctrlA.Typed.empty());

    // Ctrl+minus, the soft hyphen; shortcuts type nothing even when the
    // event carries a printable text.
    const KeyInput minus = press(Qt::Key_Minus, Qt::ControlModifier, "-");
    EXPECT_EQ(minus.VirtualKey, VK_OEM_MINUS);
    EXPECT_TRUE(minus.Typed.empty());
    EXPECT_EQ(press(Qt::Key_B, Qt::ControlModifier | Qt::ShiftModifier).Shift, ssCtrl | ssShift);
    EXPECT_TRUE(press(Qt::Key_F, Qt::AltModifier, "f").Typed.empty());

    // Keypad digits are keypad keys that type their digit.
    const KeyInput pad = press(Qt::Key_7, Qt::KeypadModifier, "7");
    EXPECT_EQ(pad.VirtualKey, VK_NUMPAD0 + 7);
    EXPECT_EQ(pad.Typed, "7");
    EXPECT_EQ(pad.Shift, 0);
}

TEST_F(KeyAdapter, TypedTextBecomesWindows1252AndTheRestIsDropped)
{
    EXPECT_EQ(press(Qt::Key_A, Qt::NoModifier, "a").Typed, "a");
    EXPECT_EQ(press(Qt::Key_A, Qt::ShiftModifier, "A").Typed, "A");
    EXPECT_EQ(press(Qt::Key_Adiaeresis, Qt::NoModifier, QString::fromUtf8("ä")).Typed, "\xE4");
    // The euro sign and typographic quotes have codes; CJK has none.
    EXPECT_EQ(press(Qt::Key_E, Qt::GroupSwitchModifier, QString::fromUtf8("€")).Typed, "\x80");
    EXPECT_EQ(press(Qt::Key_E, Qt::GroupSwitchModifier, QString::fromUtf8("€")).Shift, ssRightAlt);
    EXPECT_EQ(press(0, Qt::NoModifier, QString::fromUtf8("漢")).Typed, "");
    EXPECT_EQ(press(0, Qt::NoModifier, QString::fromUtf8("漢")).VirtualKey, 0);
    // Control characters are key-down work, never typed.
    EXPECT_EQ(press(Qt::Key_Return, Qt::NoModifier, "\r").Typed, "");
    EXPECT_EQ(press(Qt::Key_Backspace, Qt::NoModifier, "\b").Typed, "");
    EXPECT_EQ(press(Qt::Key_Delete, Qt::NoModifier, QString(QChar(127))).Typed, "");

    // Ctrl+Alt that types is AltGr: a character, and no Ctrl shortcut.
    const KeyInput at = press(Qt::Key_Q, Qt::ControlModifier | Qt::AltModifier, "@");
    EXPECT_EQ(at.Typed, "@");
    EXPECT_EQ(at.Shift, ssRightAlt);

    // A composed character and an input method's commit.
    EXPECT_EQ(press(0, Qt::NoModifier, QString::fromUtf8("é")).Typed, "\xE9");
    QInputMethodEvent im;
    im.setCommitString(QString::fromUtf8("naïve “q” 漢"));
    EXPECT_EQ(translateCommitText(im), "na\xEFve \x93q\x94 ");
}

TEST_F(KeyAdapter, TheRightAltKeyIsFollowedWhileHeldAndTabComesWithoutModifiers)
{
    watchRightAlt();
    QObject target;
    auto send = [&target](QEvent::Type type, int key) {
        QKeyEvent e(type, key, Qt::NoModifier);
        QCoreApplication::sendEvent(&target, &e);
    };
    FrameState frame = StandardFrameState();
    TMDIChild w(frame);
    w.MakeSoftEnters();
    auto deliver = [&w](const KeyInput& k) {
        uint16_t vk = k.VirtualKey;
        w.getkeysKeyDown(vk, k.Shift);
    };

    // AltGr is no modifier bit under X11: only its press and release tell.
    send(QEvent::KeyPress, Qt::Key_AltGr);
    EXPECT_TRUE(rightAltHeld());
    const KeyInput held = press(Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(held.Shift, ssCtrl | ssRightAlt);
    deliver(held);
    EXPECT_EQ(w.Areas[0].Lines[0].Para->Alignment, 0);
    send(QEvent::KeyRelease, Qt::Key_AltGr);
    EXPECT_FALSE(rightAltHeld());
    const KeyInput plain = press(Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(plain.Shift, ssCtrl);
    deliver(plain);
    EXPECT_EQ(w.Areas[0].Lines[0].Para->Alignment, 1);

    // A release that went to another application is not waited for.
    send(QEvent::KeyPress, Qt::Key_AltGr);
    QEvent leave(QEvent::ApplicationDeactivate);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &leave);
    EXPECT_FALSE(rightAltHeld());

    // Tab and Shift+Tab reach the window as the form's key hook hands them
    // on: key 9 and no modifiers.
    EXPECT_EQ(press(Qt::Key_Backtab, Qt::ShiftModifier).Shift, 0);
    EXPECT_EQ(press(Qt::Key_Tab, Qt::ControlModifier).Shift, 0);
    EXPECT_TRUE(press(Qt::Key_Tab, Qt::NoModifier, "\t").Typed.empty());
}

TEST_F(KeyAdapter, KeyEventsDriveADocumentWindow)
{
    FrameState frame = StandardFrameState();
    TMDIChild w(frame);
    w.MakeSoftEnters();
    auto deliver = [&w](const KeyInput& k) {
        if (k.VirtualKey) {
            uint16_t vk = k.VirtualKey;
            w.getkeysKeyDown(vk, k.Shift);
        }
        for (char c : k.Typed) {
            uint8_t b = uint8_t(c);
            w.getkeysKeyPress(b);
        }
    };
    deliver(press(Qt::Key_H, Qt::ShiftModifier, "H"));
    deliver(press(Qt::Key_I, Qt::NoModifier, "i"));
    deliver(press(Qt::Key_Left, Qt::ShiftModifier));
    deliver(press(Qt::Key_Udiaeresis, Qt::NoModifier, QString::fromUtf8("ü")));
    std::string text;
    for (const TextChar& c : w.Areas[0].Lines[0].Chars) text.push_back(char(c.Code));
    EXPECT_EQ(text, "H\xFC");
}

} // namespace
