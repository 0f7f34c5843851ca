#include "vb/MousePointer.h"

#include <QCursor>
#include <QVariant>
#include <QWidget>

namespace vb {

namespace {
constexpr const char* kPointerProperty = "vbMousePointer";
}

void setMousePointer(QWidget* widget, int pointer)
{
    if (!widget)
        return;
    widget->setProperty(kPointerProperty, pointer);
    switch (pointer) {
    case vbSizeNS: widget->setCursor(Qt::SizeVerCursor); break;
    case vbSizeWE: widget->setCursor(Qt::SizeHorCursor); break;
    case vbHourglass: widget->setCursor(Qt::WaitCursor); break;
    case vbArrowHourglass: widget->setCursor(Qt::BusyCursor); break;
    default: widget->unsetCursor(); break;
    }
}

int mousePointer(const QWidget* widget)
{
    return widget ? widget->property(kPointerProperty).toInt() : 0;
}

} // namespace vb
