#include "ui/DrawPageImage.h"

#include "resources/StringTable.h"
#include "session/CParceloApp.h"
#include "ui/PageDisplayBox.h"

#include <QPaintDevice>
#include <QPainter>

QFont ArialFontForDpi(int dpi, int points, int weight)
{
    QFont font(QStringLiteral("Arial"));
    const int pixels = (points * (dpi > 0 ? dpi : 96) + 36) / 72;
    font.setPixelSize(pixels > 0 ? pixels : 1);
    font.setWeight(QFont::Weight(weight));
    return font;
}

QString FormatResString(int id, int value)
{
    const QByteArray format = LoadResString(id).toUtf8();
    return QString::asprintf(format.constData(), value);
}

QFont ArialFont(const QPaintDevice* device, int points, int weight)
{
    return ArialFontForDpi(device ? device->logicalDpiY() : 96, points, weight);
}

void DrawPageImage(QPainter& painter, PageDisplayBox& thumbnail, const QRect& rect)
{
    // Asked at every paint: the cache may hold a sharper image by now (after
    // a zoom, or on a screen of another pixel ratio).
    const double ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    thumbnail.cachedImage = thumbnail.GetImage(false, ratio);
    if (!thumbnail.cachedImage.isNull()) {
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.drawImage(rect, thumbnail.cachedImage);
        painter.restore();
        return;
    }
    QString text;
    if (CParceloApp* app = CParceloApp::Instance())
        text = app->loadingText;
    if (text.isEmpty())
        text = LoadResString(217);
    painter.save();
    painter.setFont(ArialFontForDpi(painter.device() ? painter.device()->logicalDpiX() : 96, 9));
    painter.setPen(Qt::black);
    painter.drawText(rect, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, text);
    painter.restore();
}
