#pragma once

#include <Qt>

#include <optional>

class QKeyEvent;

namespace vb {

// Visual Basic key codes, as the KeyDown handlers test them.
enum KeyCodeConstants : int {
    vbKeyBack = 8,
    vbKeyTab = 9,
    vbKeyClear = 12,
    vbKeyReturn = 13,
    vbKeyShift = 16,
    vbKeyControl = 17,
    vbKeyMenu = 18,
    vbKeyPause = 19,
    vbKeyCapital = 20,
    vbKeyEscape = 27,
    vbKeySpace = 32,
    vbKeyPageUp = 33,
    vbKeyPageDown = 34,
    vbKeyEnd = 35,
    vbKeyHome = 36,
    vbKeyLeft = 37,
    vbKeyUp = 38,
    vbKeyRight = 39,
    vbKeyDown = 40,
    vbKeySelect = 41,
    vbKeyPrint = 42,
    vbKeyExecute = 43,
    vbKeySnapshot = 44,
    vbKeyInsert = 45,
    vbKeyDelete = 46,
    vbKeyHelp = 47,
    vbKey0 = 48,
    vbKey9 = 57,
    vbKeyA = 65,
    vbKeyZ = 90,
    vbKeyNumpad0 = 96,
    vbKeyMultiply = 106,
    vbKeyAdd = 107,
    vbKeySubtract = 109,
    vbKeyDecimal = 110,
    vbKeyDivide = 111,
    vbKeyF1 = 112,
    vbKeyF16 = 127,
    vbKeyNumlock = 144,
    vbKeyScrollLock = 145,
};

enum ShiftConstants : int { vbShiftMask = 1, vbCtrlMask = 2, vbAltMask = 4 };

// The key code of a pressed key; std::nullopt for a key that has none (".",
// ",", and every other key Visual Basic names no constant for). Qt's own key
// numbers are no key codes: Qt::Key_Period is 46, which is vbKeyDelete.
std::optional<int> KeyCode(const QKeyEvent& event);

// The Shift argument of the key and mouse handlers.
int ShiftState(Qt::KeyboardModifiers modifiers);

} // namespace vb
