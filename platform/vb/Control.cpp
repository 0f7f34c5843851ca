#include "vb/Control.h"

#include "vb/Twips.h"

#include <QWidget>

#include <cmath>

namespace vb {

namespace {

bool fits(double twips, std::int32_t twipsPerPixel, bool isSize)
{
    if (!std::isfinite(twips) || (isSize && twips < 0))
        return false;
    return std::fabs(twips / twipsPerPixel) <= QWIDGETSIZE_MAX;
}

bool fitsX(double twips, bool isSize) { return fits(twips, TwipsPerPixelX(), isSize); }
bool fitsY(double twips, bool isSize) { return fits(twips, TwipsPerPixelY(), isSize); }

} // namespace

std::int32_t ctlLeft(const QWidget* control) { return pixelsToTwipsX(control->geometry().x()); }
std::int32_t ctlTop(const QWidget* control) { return pixelsToTwipsY(control->geometry().y()); }
std::int32_t ctlWidth(const QWidget* control) { return pixelsToTwipsX(control->geometry().width()); }
std::int32_t ctlHeight(const QWidget* control) { return pixelsToTwipsY(control->geometry().height()); }

bool ctlSetLeft(QWidget* control, double left)
{
    if (!control || !fitsX(left, false))
        return false;
    control->move(twipsToPixelsX(left), control->geometry().y());
    return true;
}

bool ctlSetTop(QWidget* control, double top)
{
    if (!control || !fitsY(top, false))
        return false;
    control->move(control->geometry().x(), twipsToPixelsY(top));
    return true;
}

bool ctlSetWidth(QWidget* control, double width)
{
    if (!control || !fitsX(width, true))
        return false;
    control->resize(twipsToPixelsX(width), control->geometry().height());
    return true;
}

bool ctlSetHeight(QWidget* control, double height)
{
    if (!control || !fitsY(height, true))
        return false;
    control->resize(control->geometry().width(), twipsToPixelsY(height));
    return true;
}

bool ctlMove(QWidget* control, double left, double top, double width, double height)
{
    if (!control || !fitsX(left, false) || !fitsY(top, false) || !fitsX(width, true) || !fitsY(height, true))
        return false;
    control->setGeometry(twipsToPixelsX(left), twipsToPixelsY(top), twipsToPixelsX(width), twipsToPixelsY(height));
    return true;
}

} // namespace vb
