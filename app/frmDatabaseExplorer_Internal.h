#pragma once

// Helpers the main window's files share: the mouse as its handlers take it, and
// the splitter margins.

#include "vb/Keys.h"
#include "vb/Twips.h"

#include <QEvent>
#include <QMouseEvent>

#include <cstdint>

namespace explorer {

// How close a splitter bar may come to the edges of its host, in twips.
constexpr std::int32_t kVSplitMargin = 500;
constexpr std::int32_t kHSplitMargin = 1000;

// Mouse buttons and shift state as the mouse handlers take them.
inline int vbButton(Qt::MouseButtons buttons)
{
    int b = 0;
    if (buttons & Qt::LeftButton)
        b |= 1;
    if (buttons & Qt::RightButton)
        b |= 2;
    if (buttons & Qt::MiddleButton)
        b |= 4;
    return b;
}

inline int vbShift(Qt::KeyboardModifiers m) { return vb::ShiftState(m); }

// The event as a mouse press, move, release or double click; nullptr for any other event.
inline QMouseEvent* mouseEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: return static_cast<QMouseEvent*>(event);
    default: return nullptr;
    }
}

// The mouse position in the control, in twips.
inline double twipsX(const QMouseEvent* me) { return me->position().x() * vb::TwipsPerPixelX(); }
inline double twipsY(const QMouseEvent* me) { return me->position().y() * vb::TwipsPerPixelY(); }

} // namespace explorer
