#pragma once

#include <QString>

#include <cstdint>

namespace vb {
class Form;
}

// The desktop in pixels, measured by GetScreenSize; 0 until then.
extern std::int32_t ScreenWidthPx;
extern std::int32_t ScreenHeightPx;
// True while a self-scaling window lays itself out for the first time:
// ScaleFormControls then scales the window itself as well.
extern bool FirstLayout;

// Width and height of the desktop in pixels; 0 x 0 when there is no screen.
void GetScreenSize(std::int32_t& width, std::int32_t& height);

// Multiplies the place and size of every control of `window` by the factors.
// Combo boxes, text boxes, command buttons and status bars keep their height.
// Timers, menus, lines and refused values are passed over. While FirstLayout
// is True the window's own place and size are scaled too.
void ScaleFormControls(float scaleX, float scaleY, vb::Form& window);

// The text without its leading and trailing blanks (U+0020 only).
QString TrimText(QString text);
