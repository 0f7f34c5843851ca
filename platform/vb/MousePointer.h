#pragma once

class QWidget;

namespace vb {

// Visual Basic mouse-pointer numbers.
enum MousePointerConstant : int {
    vbDefault = 0,
    vbSizeNS = 7,
    vbSizeWE = 9,
    vbHourglass = 11,
    vbArrowHourglass = 13,
};

// Sets a window's or control's pointer by number; the number is kept for reading back.
void setMousePointer(QWidget* widget, int pointer);
int mousePointer(const QWidget* widget);

} // namespace vb
