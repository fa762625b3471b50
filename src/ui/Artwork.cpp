#include "ui/Artwork.h"

#include "resources/StringTable.h"
#include "ui/ApplicationIcon.h"
#include "ui/HelpCommands.h"

#include <QAction>
#include <QCoreApplication>
#include <QFont>
#include <QHash>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace
{
QPixmap Blank(int w, int h)
{
    QPixmap p(w, h);
    p.fill(Qt::transparent);
    return p;
}

void Document(QPainter& p, const QRectF& r, const QColor& paper)
{
    const qreal fold = r.width() * 0.3;
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(QPen(QColor(90, 90, 90), 1.2));
    p.setBrush(paper);
    p.drawPath(path);
    p.setBrush(QColor(210, 210, 210));
    QPainterPath ear;
    ear.moveTo(r.right() - fold, r.top());
    ear.lineTo(r.right() - fold, r.top() + fold);
    ear.lineTo(r.right(), r.top() + fold);
    ear.closeSubpath();
    p.drawPath(ear);
    p.setPen(QPen(QColor(170, 170, 170), 1));
    for (qreal y = r.top() + fold + 3; y < r.bottom() - 3; y += 3.5)
        p.drawLine(QPointF(r.left() + 3, y), QPointF(r.right() - 3, y));
}

void Cross(QPainter& p, const QRectF& r, const QColor& c, qreal width)
{
    p.setPen(QPen(c, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(r.topLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomLeft());
}

void Check(QPainter& p, const QColor& c)
{
    p.setPen(QPen(c, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    path.moveTo(3, 8.5);
    path.lineTo(6.5, 12);
    path.lineTo(13, 4);
    p.drawPath(path);
}

// A 16 x 16 coloured disc with one white bold character in its centre.
QPixmap RoundBadge(const QColor& colour, const QString& character)
{
    QPixmap px = Blank(16, 16);
    QPainter p(&px);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    QFont f("Arial");
    f.setPixelSize(12);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, character);
    return px;
}

QPixmap Draw(int id)
{
    switch (id)
    {
    case 311: { // document with a red cross
        QPixmap px = Blank(32, 32);
        QPainter p(&px);
        p.setRenderHint(QPainter::Antialiasing);
        Document(p, QRectF(5, 2, 20, 26), Qt::white);
        Cross(p, QRectF(17, 17, 11, 11), QColor(220, 30, 30), 3.2);
        return px;
    }
    case 312: { // document with a green plus
        QPixmap px = Blank(32, 32);
        QPainter p(&px);
        p.setRenderHint(QPainter::Antialiasing);
        Document(p, QRectF(5, 2, 20, 26), Qt::white);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 170, 60));
        p.drawEllipse(QRectF(16, 16, 14, 14));
        p.setPen(QPen(Qt::white, 2.4));
        p.drawLine(QPointF(23, 19), QPointF(23, 27));
        p.drawLine(QPointF(19, 23), QPointF(27, 23));
        return px;
    }
    case 313: { // logo: white on transparent
        QPixmap px = Blank(198, 56);
        QPainter p(&px);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::white, 3));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(8, 10, 36, 36));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(19, 21, 14, 14));
        QFont f("Arial");
        f.setPixelSize(30);
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRect(52, 4, 146, 48), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Talvane"));
        return px;
    }
    case 314: // question mark
        return RoundBadge(QColor(70, 120, 200), QStringLiteral("?"));
    case 315: { // page with a dashed cut line
        QPixmap px = Blank(32, 32);
        QPainter p(&px);
        p.setRenderHint(QPainter::Antialiasing);
        Document(p, QRectF(6, 2, 20, 28), Qt::white);
        p.setPen(QPen(QColor(230, 120, 20), 2, Qt::DashLine));
        p.drawLine(QPointF(1, 16), QPointF(31, 16));
        return px;
    }
    case 316:
    case 317: { // zoom pictures: a page, large and small
        const int s = id == 316 ? 24 : 16;
        QPixmap px = Blank(s, s);
        QPainter p(&px);
        p.setRenderHint(QPainter::Antialiasing);
        Document(p, QRectF(s * 0.18, 0.5, s * 0.64, s - 1), QColor(235, 235, 235));
        return px;
    }
    case 318: { // a disk
        QPixmap px = Blank(32, 32);
        QPainter p(&px);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(30, 40, 80), 1.2));
        p.setBrush(QColor(60, 90, 170));
        p.drawRoundedRect(QRectF(3, 3, 26, 26), 3, 3);
        p.setBrush(QColor(235, 235, 240));
        p.drawRect(QRectF(8, 3, 16, 10));
        p.setBrush(QColor(60, 90, 170));
        p.drawRect(QRectF(18, 5, 4, 6));
        p.setBrush(QColor(200, 200, 205));
        p.drawRect(QRectF(7, 18, 18, 11));
        return px;
    }
    case 319: { // down-pointing triangle
        QPixmap px = Blank(16, 16);
        QPainter p(&px);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(60, 60, 60));
        p.drawPolygon(QPolygonF({QPointF(3, 5), QPointF(13, 5), QPointF(8, 11)}));
        return px;
    }
    case 320: { // red cross
        QPixmap px = Blank(16, 16);
        QPainter p(&px);
        p.setRenderHint(QPainter::Antialiasing);
        Cross(p, QRectF(4, 4, 8, 8), QColor(210, 30, 30), 2.6);
        return px;
    }
    case 321: { // right-pointing triangle
        QPixmap px = Blank(16, 16);
        QPainter p(&px);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(60, 60, 60));
        p.drawPolygon(QPolygonF({QPointF(5, 3), QPointF(11, 8), QPointF(5, 13)}));
        return px;
    }
    case 322:
    case 323: { // page marks
        QPixmap px = Blank(16, 16);
        QPainter p(&px);
        p.setRenderHint(QPainter::Antialiasing);
        Check(p, id == 322 ? QColor(170, 170, 170) : QColor(30, 160, 50));
        return px;
    }
    case 330: // information icon
        return RoundBadge(QColor(40, 110, 210), QStringLiteral("i"));
    case 331: { // splash picture
        QPixmap px(455, 281);
        QPainter p(&px);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient g(0, 0, 0, 281);
        g.setColorAt(0, QColor(250, 250, 252));
        g.setColorAt(1, QColor(222, 228, 238));
        p.fillRect(px.rect(), g);
        // A stack of pages being cut apart.
        Document(p, QRectF(330, 40, 70, 92), Qt::white);
        Document(p, QRectF(350, 60, 70, 92), Qt::white);
        p.setPen(QPen(QColor(230, 120, 20), 3, Qt::DashLine));
        p.drawLine(QPointF(316, 100), QPointF(440, 100));
        QFont f("Arial");
        f.setPixelSize(44);
        f.setBold(true);
        p.setFont(f);
        p.setPen(QColor(40, 60, 110));
        p.drawText(QRect(24, 40, 300, 60), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Parcelo"));
        f.setPixelSize(15);
        f.setBold(false);
        p.setFont(f);
        p.setPen(QColor(90, 90, 90));
        p.drawText(QRect(26, 96, 300, 24), Qt::AlignLeft | Qt::AlignVCenter,
                   QCoreApplication::translate("Artwork", "Cut one PDF into several"));
        return px;
    }
    default:
        return QPixmap();
    }
}

QHash<int, QPixmap>& Cache()
{
    static QHash<int, QPixmap> cache;
    return cache;
}
} // namespace

QPixmap PngResource(int id)
{
    auto& cache = Cache();
    auto it = cache.find(id);
    if (it != cache.end())
        return *it;
    QPixmap px = Draw(id);
    cache.insert(id, px);
    return px;
}

QImage PngImage(int id)
{
    return PngResource(id).toImage();
}

QImage BitmapResource(int id)
{
    if (id != 311)
        return QImage();
    // 1 x 72 vertical gradient through the listed rows.
    struct Stop { int row; QColor colour; };
    const Stop stops[] = {{0, QColor(74, 76, 82)},  {4, QColor(71, 73, 79)},  {12, QColor(65, 66, 72)},
                          {20, QColor(41, 42, 46)}, {28, QColor(16, 16, 18)}, {48, QColor(12, 12, 12)},
                          {71, QColor(12, 12, 12)}};
    QImage img(1, 72, QImage::Format_RGB32);
    for (int y = 0; y < 72; ++y)
    {
        int i = 0;
        while (i + 1 < int(std::size(stops)) - 1 && stops[i + 1].row <= y)
            ++i;
        const Stop& a = stops[i];
        const Stop& b = stops[i + 1];
        const double t = b.row == a.row ? 0.0 : double(y - a.row) / double(b.row - a.row);
        auto mix = [t](int x, int z) { return int(x + (z - x) * std::min(1.0, std::max(0.0, t)) + 0.5); };
        img.setPixel(0, y, qRgb(mix(a.colour.red(), b.colour.red()), mix(a.colour.green(), b.colour.green()),
                                mix(a.colour.blue(), b.colour.blue())));
    }
    return img;
}

QCursor CursorResource(int id)
{
    if (id != 328 && id != 329)
        return QCursor(Qt::ArrowCursor);
    QPixmap px = Blank(32, 32);
    QPainter p(&px);
    p.setRenderHint(QPainter::Antialiasing);
    // Arrow.
    QPolygonF arrow({QPointF(1, 1), QPointF(1, 17), QPointF(5, 13), QPointF(8, 20), QPointF(10, 19),
                     QPointF(7, 12), QPointF(12, 12)});
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawPolygon(arrow);
    // Page under the arrow.
    p.setBrush(Qt::white);
    p.drawRect(QRectF(12, 14, 12, 14));
    if (id == 328)
    {
        // Copy: a plus sign in a box.
        p.setBrush(QColor(40, 170, 60));
        p.setPen(Qt::NoPen);
        p.drawRect(QRectF(20, 22, 11, 9));
        p.setPen(QPen(Qt::white, 2));
        p.drawLine(QPointF(25.5, 23.5), QPointF(25.5, 29.5));
        p.drawLine(QPointF(22.5, 26.5), QPointF(28.5, 26.5));
    }
    p.end();
    return QCursor(px, 1, 1);
}

QIcon IconResource(int id)
{
    if (id != 128)
        return QIcon();
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(ApplicationIconImage(size)));
    return icon;
}

bool LoadCardButtonImages()
{
    return !CardButtonImage(0).isNull() && !CardButtonImage(1).isNull() && !CardButtonImage(2).isNull();
}

QPixmap CardButtonImage(int index)
{
    switch (index)
    {
    case 0: return PngResource(320);
    case 1: return PngResource(321);
    case 2: return PngResource(319);
    default: return QPixmap();
    }
}

QString MakerWebAddress()
{
    return HelpPageAddress(HelpPage::HomePage);
}

QMenu* LoadMenuResource(int id, QWidget* parent)
{
    struct Item { int command; QString text; };
    std::vector<Item> items;
    switch (id)
    {
    case 325:
        items = {{32778, QCoreApplication::translate("Menus", "Parcelo Online &Help...")},
                 {32779, MakerWebAddress()},
                 {32781, QCoreApplication::translate("Menus", "Try &Tabulo")},
                 {0, QString()},
                 {32792, QCoreApplication::translate("Menus", "Check for &Updates")},
                 {0, QString()},
                 {57664, QCoreApplication::translate("Menus", "&About Parcelo...")}};
        break;
    case 326:
        items = {{57602, QCoreApplication::translate("Menus", "Close this document")},
                 {0, QString()},
                 {32774, QCoreApplication::translate("Menus", "Create new &split section")}};
        break;
    case 327:
        items = {{32790, QCoreApplication::translate("Menus", "&Delete this split section")},
                 {32791, QCoreApplication::translate("Menus", "&Remove page from split")}};
        break;
    default:
        return nullptr;
    }
    auto* menu = new QMenu(parent);
    for (const Item& item : items)
    {
        if (item.command == 0)
        {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(item.text);
        action->setData(item.command);
    }
    return menu;
}
