#include "ui/FontHelpers.h"

#include <QGuiApplication>
#include <QPaintDevice>
#include <QScreen>
#include <cstdlib>

int PointsToPixels(int points, int logicalDpiY)
{
    // MulDiv(points, dpi, 72): rounded half away from zero.
    const long long product = static_cast<long long>(points) * logicalDpiY;
    const long long q = (std::llabs(product) + 36) / 72;
    return int(product < 0 ? -q : q);
}

QFont ArialFont(int points, bool bold, bool italic, const QPaintDevice* device)
{
    int dpi = 96;
    if (device)
        dpi = device->logicalDpiY();
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        dpi = int(screen->logicalDotsPerInchY() + 0.5);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(std::max(1, PointsToPixels(points, dpi)));
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    font.setItalic(italic);
    return font;
}
