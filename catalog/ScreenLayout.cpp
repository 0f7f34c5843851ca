#include "catalog/ScreenLayout.h"

#include "vb/Control.h"
#include "vb/Form.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>
#include <vector>

std::int32_t ScreenWidthPx = 0;
std::int32_t ScreenHeightPx = 0;
bool FirstLayout = false;

void GetScreenSize(std::int32_t& width, std::int32_t& height)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect desktop = screen ? screen->geometry() : QRect();
    width = desktop.width();
    height = desktop.height();
}

namespace {

bool fixedHeight(vb::ControlKind kind)
{
    switch (kind) {
    case vb::ControlKind::ComboBox:
    case vb::ControlKind::TextBox:
    case vb::ControlKind::CommandButton:
    case vb::ControlKind::StatusBar:
        return true;
    default:
        return false;
    }
}

bool placeless(vb::ControlKind kind)
{
    return kind == vb::ControlKind::Timer || kind == vb::ControlKind::Menu || kind == vb::ControlKind::Line;
}

// A window's own twips values; a product that overflowed is refused.
bool usable(float value, bool isSize)
{
    return std::isfinite(value) && std::fabs(value) <= 2.0e9f && !(isSize && value < 0);
}

} // namespace

void ScaleFormControls(float scaleX, float scaleY, vb::Form& window)
{
    // A copy: moving a control may run code of the window.
    const std::vector<vb::FormControl> controls = window.Controls();
    for (const vb::FormControl& control : controls) {
        auto* widget = qobject_cast<QWidget*>(control.object.data());
        if (!widget || placeless(control.kind))
            continue;
        if (fixedHeight(control.kind)) {
            vb::ctlSetLeft(widget, static_cast<float>(vb::ctlLeft(widget)) * scaleX);
            vb::ctlSetTop(widget, static_cast<float>(vb::ctlTop(widget)) * scaleY);
            vb::ctlSetWidth(widget, static_cast<float>(vb::ctlWidth(widget)) * scaleX);
        } else {
            vb::ctlMove(widget, static_cast<float>(vb::ctlLeft(widget)) * scaleX,
                        static_cast<float>(vb::ctlTop(widget)) * scaleY,
                        static_cast<float>(vb::ctlWidth(widget)) * scaleX,
                        static_cast<float>(vb::ctlHeight(widget)) * scaleY);
        }
    }
    if (!FirstLayout)
        return;
    const float left = static_cast<float>(window.Left()) * scaleX;
    const float top = static_cast<float>(window.Top()) * scaleY;
    const float width = static_cast<float>(window.Width()) * scaleX;
    const float height = static_cast<float>(window.Height()) * scaleY;
    if (usable(left, false) && usable(top, false) && usable(width, true) && usable(height, true))
        window.Move(left, top, width, height);
}

QString TrimText(QString text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text.at(start) == QLatin1Char(' '))
        ++start;
    while (end > start && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(start, end - start);
}
