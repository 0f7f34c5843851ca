#include "vb/Twips.h"

#include <QGuiApplication>
#include <QScreen>

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
std::int32_t twipsToPixelsX(double twips) { return static_cast<std::int32_t>(std::lround(twips / TwipsPerPixelX())); }
std::int32_t twipsToPixelsY(double twips) { return static_cast<std::int32_t>(std::lround(twips / TwipsPerPixelY())); }

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
