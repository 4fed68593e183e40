#pragma once
// Qt key events -> the inputs of the document window's key handlers: a
// virtual key with shift bits for getkeysKeyDown, and the Windows-1252 bytes
// the key types for getkeysKeyPress (platform/VirtualKeys.h names both).
//
// The view delivers one key event as the platform's keyboard would:
//
//     const KeyInput k = translateKeyPress(*event);
//     if (k.VirtualKey) { uint16_t vk = k.VirtualKey; child.getkeysKeyDown(vk, k.Shift); }
//     for (char c : k.Typed) { uint8_t b = uint8_t(c); child.getkeysKeyPress(b); }
//
// and an input method's committed text through translateCommitText, byte by
// byte the same way. Tab must reach the view: it has to keep Qt's focus
// chain from taking it (focusNextPrevChild returning false).

#include <QString>
#include <Qt>

#include <cstdint>
#include <string>

class QKeyEvent;
class QInputMethodEvent;

namespace quillet {

struct KeyInput {
    uint16_t VirtualKey = 0;  // 0: no key the handlers know (a dead key, an unknown one)
    uint8_t Shift = 0;        // ssShift, ssAlt, ssCtrl, ssRightAlt
    std::string Typed;        // printable Windows-1252 bytes, in order
};

uint16_t virtualKeyFor(int qtKey, Qt::KeyboardModifiers modifiers);
uint8_t shiftBitsFor(Qt::KeyboardModifiers modifiers);
// Printable Windows-1252 bytes of a text; characters without a code and
// control characters are dropped.
std::string typedBytes(const QString& text);

// Adds ssRightAlt to every key while the right Alt key (AltGr) is held.
KeyInput translateKeyPress(const QKeyEvent& event);
std::string translateCommitText(const QInputMethodEvent& event);

// Whether the right Alt key is held, followed by an application-wide event
// filter. watchRightAlt puts the filter up (the first translateKeyPress does
// too); a view calls it once it exists, so that a first AltGr press is seen.
void watchRightAlt();
bool rightAltHeld();

} // namespace quillet
