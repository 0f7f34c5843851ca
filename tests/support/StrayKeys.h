#pragma once

// Keys that must start nothing in a list or tree whose only key command is
// Delete: Qt numbers several of them like Visual Basic's key codes of other
// keys ("." is 46, vbKeyDelete; "," is 44, vbKeySnapshot).

#include <Qt>

#include <vector>

namespace testenv {

struct StrayKey {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    const char* name;
};

inline const std::vector<StrayKey>& strayKeys()
{
    static const std::vector<StrayKey> keys = {
        {Qt::Key_Period, Qt::NoModifier, "."},
        {Qt::Key_Period, Qt::KeypadModifier, "keypad ."},
        {Qt::Key_Comma, Qt::NoModifier, ","},
        {Qt::Key_Minus, Qt::NoModifier, "-"},
        {Qt::Key_D, Qt::NoModifier, "d"},
        {Qt::Key_X, Qt::ShiftModifier, "X"},
        {Qt::Key_4, Qt::NoModifier, "4"},
        {Qt::Key_6, Qt::NoModifier, "6"},
        {Qt::Key_Backspace, Qt::NoModifier, "Backspace"},
        {Qt::Key_Insert, Qt::NoModifier, "Insert"},
        {Qt::Key_Home, Qt::NoModifier, "Home"},
    };
    return keys;
}

} // namespace testenv
