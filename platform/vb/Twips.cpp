#include "vb/Twips.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace vb {

namespace {
std::int32_t twipsPerPixel(bool horizontal)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? (horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY()) : 96.0;
    if (dpi <= 0)
        return 15;
    return std::max<std::int32_t>(1, static_cast<std::int32_t>(std::lround(1440.0 / dpi)));
}
} // namespace

std::int32_t TwipsPerPixelX() { return twipsPerPixel(true); }
std::int32_t TwipsPerPixelY() { return twipsPerPixel(false); }
std::int32_t pixelsToTwipsX(std::int32_t px) { return px * TwipsPerPixelX(); }
std::int32_t pixelsToTwipsY(std::int32_t px) { return px * TwipsPerPixelY(); }
namespace {
// Rounded to the nearest pixel, held within 32 bits; a value that is no number counts as 0.
std::int32_t toPixels(double twips, std::int32_t perPixel)
{
    const double px = std::round(twips / perPixel);
    if (std::isnan(px))
        return 0;
    return static_cast<std::int32_t>(std::clamp(px, -2147483648.0, 2147483647.0));
}
} // namespace

std::int32_t twipsToPixelsX(double twips) { return toPixels(twips, TwipsPerPixelX()); }
std::int32_t twipsToPixelsY(double twips) { return toPixels(twips, TwipsPerPixelY()); }

std::int32_t ScreenWidth()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return pixelsToTwipsX(screen ? screen->geometry().width() : 0);
}

std::int32_t ScreenHeight()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return pixelsToTwipsY(screen ? screen->geometry().height() : 0);
}

} // namespace vb
