#include "vb/Keys.h"

#include <QKeyEvent>

namespace vb {

namespace {

std::optional<int> keypadCode(int key)
{
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return vbKeyNumpad0 + (key - Qt::Key_0);
    switch (key) {
    case Qt::Key_Asterisk: return vbKeyMultiply;
    case Qt::Key_Plus: return vbKeyAdd;
    case Qt::Key_Minus: return vbKeySubtract;
    // The keypad's decimal key gives "." or "," by the layout.
    case Qt::Key_Period:
    case Qt::Key_Comma: return vbKeyDecimal;
    case Qt::Key_Slash: return vbKeyDivide;
    default: return std::nullopt;
    }
}

} // namespace

std::optional<int> KeyCode(const QKeyEvent& event)
{
    const int key = event.key();
    if (event.modifiers() & Qt::KeypadModifier) {
        if (const std::optional<int> code = keypadCode(key))
            return code;
    } else {
        if (key >= Qt::Key_0 && key <= Qt::Key_9)
            return vbKey0 + (key - Qt::Key_0);
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return vbKeyA + (key - Qt::Key_A);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F16)
        return vbKeyF1 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace: return vbKeyBack;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return vbKeyTab;
    case Qt::Key_Clear: return vbKeyClear;
    case Qt::Key_Return:
    case Qt::Key_Enter: return vbKeyReturn;
    case Qt::Key_Shift: return vbKeyShift;
    case Qt::Key_Control: return vbKeyControl;
    case Qt::Key_Alt: return vbKeyMenu;
    case Qt::Key_Pause: return vbKeyPause;
    case Qt::Key_CapsLock: return vbKeyCapital;
    case Qt::Key_Escape: return vbKeyEscape;
    case Qt::Key_Space: return vbKeySpace;
    case Qt::Key_PageUp: return vbKeyPageUp;
    case Qt::Key_PageDown: return vbKeyPageDown;
    case Qt::Key_End: return vbKeyEnd;
    case Qt::Key_Home: return vbKeyHome;
    case Qt::Key_Left: return vbKeyLeft;
    case Qt::Key_Up: return vbKeyUp;
    case Qt::Key_Right: return vbKeyRight;
    case Qt::Key_Down: return vbKeyDown;
    case Qt::Key_Select: return vbKeySelect;
    case Qt::Key_Printer: return vbKeyPrint;
    case Qt::Key_Execute: return vbKeyExecute;
    case Qt::Key_Print: return vbKeySnapshot;
    case Qt::Key_Insert: return vbKeyInsert;
    case Qt::Key_Delete: return vbKeyDelete;
    case Qt::Key_Help: return vbKeyHelp;
    case Qt::Key_NumLock: return vbKeyNumlock;
    case Qt::Key_ScrollLock: return vbKeyScrollLock;
    default: return std::nullopt;
    }
}

int ShiftState(Qt::KeyboardModifiers modifiers)
{
    int shift = 0;
    if (modifiers & Qt::ShiftModifier)
        shift |= vbShiftMask;
    if (modifiers & Qt::ControlModifier)
        shift |= vbCtrlMask;
    if (modifiers & Qt::AltModifier)
        shift |= vbAltMask;
    return shift;
}

} // namespace vb
