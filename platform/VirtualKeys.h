#pragma once
// The key codes and shift bits the document window's key handlers take. The
// codes are those of the keyboard layer the handlers were designed against;
// the Qt view translates its key events into them (platform/qt/QtKeyAdapter).

#include <cstdint>

namespace quillet {

// Shift state bits of a key event.
constexpr uint8_t ssShift = 1;
constexpr uint8_t ssAlt = 2;
constexpr uint8_t ssCtrl = 4;
// The right Alt key (AltGr) is held; it never counts as Ctrl or Alt.
constexpr uint8_t ssRightAlt = 8;

constexpr uint16_t VK_BACK = 8;
constexpr uint16_t VK_TAB = 9;
constexpr uint16_t VK_CLEAR = 12;
constexpr uint16_t VK_RETURN = 13;
constexpr uint16_t VK_SHIFT = 16;
constexpr uint16_t VK_CONTROL = 17;
constexpr uint16_t VK_MENU = 18;  // Alt
constexpr uint16_t VK_PAUSE = 19;
constexpr uint16_t VK_CAPITAL = 20;
constexpr uint16_t VK_ESCAPE = 27;
constexpr uint16_t VK_SPACE = 32;
constexpr uint16_t VK_PRIOR = 33;  // Page Up
constexpr uint16_t VK_NEXT = 34;   // Page Down
constexpr uint16_t VK_END = 35;
constexpr uint16_t VK_HOME = 36;
constexpr uint16_t VK_LEFT = 37;
constexpr uint16_t VK_UP = 38;
constexpr uint16_t VK_RIGHT = 39;
constexpr uint16_t VK_DOWN = 40;
constexpr uint16_t VK_PRINT = 42;
constexpr uint16_t VK_SNAPSHOT = 44;
constexpr uint16_t VK_INSERT = 45;
constexpr uint16_t VK_DELETE = 46;
constexpr uint16_t VK_HELP = 47;
// Digits '0'..'9' are 48..57 and letters 'A'..'Z' are 65..90 (their upper-case codes).
constexpr uint16_t VK_0 = '0';
constexpr uint16_t VK_A = 'A';
constexpr uint16_t VK_LWIN = 91;
constexpr uint16_t VK_RWIN = 92;
constexpr uint16_t VK_APPS = 93;  // context menu key
constexpr uint16_t VK_NUMPAD0 = 96;  // .. VK_NUMPAD9 = 105
constexpr uint16_t VK_MULTIPLY = 106;
constexpr uint16_t VK_ADD = 107;
constexpr uint16_t VK_SEPARATOR = 108;
constexpr uint16_t VK_SUBTRACT = 109;
constexpr uint16_t VK_DECIMAL = 110;
constexpr uint16_t VK_DIVIDE = 111;
constexpr uint16_t VK_F1 = 112;  // .. VK_F24 = 135
constexpr uint16_t VK_F24 = 135;
constexpr uint16_t VK_NUMLOCK = 144;
constexpr uint16_t VK_SCROLL = 145;
constexpr uint16_t VK_OEM_1 = 186;       // ';:' on a US keyboard
constexpr uint16_t VK_OEM_PLUS = 187;
constexpr uint16_t VK_OEM_COMMA = 188;
constexpr uint16_t VK_OEM_MINUS = 189;   // the minus key on every layout
constexpr uint16_t VK_OEM_PERIOD = 190;
constexpr uint16_t VK_OEM_2 = 191;       // '/?'
constexpr uint16_t VK_OEM_3 = 192;       // '`~'
constexpr uint16_t VK_OEM_4 = 219;       // '[{'
constexpr uint16_t VK_OEM_5 = 220;       // '\|'
constexpr uint16_t VK_OEM_6 = 221;       // ']}'
constexpr uint16_t VK_OEM_7 = 222;       // quote key
constexpr uint16_t VK_OEM_102 = 226;     // '<>' of European keyboards

// The character typed by Ctrl+Backspace, dropped after its undo.
constexpr uint8_t kDelChar = 127;

} // namespace quillet
