#include "companion/Program.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>

namespace companion {

void applyVersionData()
{
    QCoreApplication::setApplicationName(QString::fromLatin1(kTitle));
    QCoreApplication::setOrganizationName(QString::fromLatin1(kCompany));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kVersion));
    // Drawn here rather than through an image plugin, so the icon never goes missing.
    QSvgRenderer renderer(QStringLiteral(":/companion/images/zavrotec.svg"));
    QIcon icon;
    for (int size : {16, 32}) {
        QPixmap image(size, size);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(image);
    }
    QApplication::setWindowIcon(icon);
}

QString Title() { return QCoreApplication::applicationName(); }

namespace {
int twipsPerPixel(bool horizontal)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? (horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY()) : 96.0;
    if (dpi <= 0)
        return 15;
    return std::max(1, static_cast<int>(std::lround(1440.0 / dpi)));
}

int screenSize(bool horizontal)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 0;
    const QRect g = screen->geometry();
    return (horizontal ? g.width() : g.height()) * twipsPerPixel(horizontal);
}
} // namespace

int twipsPerPixelX() { return twipsPerPixel(true); }
int twipsPerPixelY() { return twipsPerPixel(false); }
int twipsToPixelsX(double twips) { return static_cast<int>(std::lround(twips / twipsPerPixelX())); }
int twipsToPixelsY(double twips) { return static_cast<int>(std::lround(twips / twipsPerPixelY())); }
int screenWidthTwips() { return screenSize(true); }
int screenHeightTwips() { return screenSize(false); }

} // namespace companion
