#include "ui/ApplicationIcon.h"

#include <QPainter>
#include <QPen>

namespace {

QPainterPath Line(qreal x1, qreal y1, qreal x2, qreal y2)
{
    QPainterPath path;
    path.moveTo(x1, y1);
    path.lineTo(x2, y2);
    return path;
}

QString Number(qreal value)
{
    return QString::number(value, 'g', 6);
}

QString SvgColour(const QColor& colour)
{
    return colour.isValid() ? colour.name(QColor::HexRgb) : QStringLiteral("none");
}

// The path as SVG path data, in absolute commands; a subpath that ends where
// it started is closed, so its first corner is joined like the others.
QString SvgPathData(const QPainterPath& path)
{
    QString data;
    QPointF start;
    for (int i = 0; i < path.elementCount(); ++i)
    {
        const QPainterPath::Element e = path.elementAt(i);
        const bool lastOfSubpath = i + 1 == path.elementCount() || path.elementAt(i + 1).isMoveTo();
        if (e.isMoveTo())
        {
            start = QPointF(e.x, e.y);
            data += QStringLiteral("M%1 %2 ").arg(Number(e.x), Number(e.y));
        }
        else if (e.isLineTo() && lastOfSubpath && QPointF(e.x, e.y) == start && i > 1)
            data += QStringLiteral("Z ");
        else if (e.isLineTo())
            data += QStringLiteral("L%1 %2 ").arg(Number(e.x), Number(e.y));
        else if (e.isCurveTo() && i + 2 < path.elementCount())
        {
            const QPainterPath::Element c2 = path.elementAt(i + 1);
            const QPainterPath::Element end = path.elementAt(i + 2);
            data += QStringLiteral("C%1 %2 %3 %4 %5 %6 ")
                        .arg(Number(e.x), Number(e.y), Number(c2.x), Number(c2.y), Number(end.x), Number(end.y));
            i += 2;
        }
    }
    return data.trimmed();
}

} // namespace

std::vector<ArtworkShape> ApplicationIconShapes(int size)
{
    const QColor outline(80, 80, 80);
    std::vector<ArtworkShape> shapes;

    // The page, its top-right corner folded over.
    const qreal left = 9, top = 3, right = 39, bottom = 45, fold = 9;
    QPainterPath page;
    page.moveTo(left, top);
    page.lineTo(right - fold, top);
    page.lineTo(right, top + fold);
    page.lineTo(right, bottom);
    page.lineTo(left, bottom);
    page.closeSubpath();
    shapes.push_back({page, QColor(255, 255, 255), outline, 1.5, {}});

    QPainterPath ear;
    ear.moveTo(right - fold, top);
    ear.lineTo(right - fold, top + fold);
    ear.lineTo(right, top + fold);
    ear.closeSubpath();
    shapes.push_back({ear, QColor(215, 215, 215), outline, 1.5, {}});

    // Lines of text above and below the cut.
    if (size >= 24)
    {
        const QColor text(160, 160, 160);
        shapes.push_back({Line(14, 10, 26, 10), {}, text, 1.5, {}});
        shapes.push_back({Line(14, 15, 34, 15), {}, text, 1.5, {}});
        shapes.push_back({Line(14, 19, 34, 19), {}, text, 1.5, {}});
        shapes.push_back({Line(14, 30, 34, 30), {}, text, 1.5, {}});
        shapes.push_back({Line(14, 34, 34, 34), {}, text, 1.5, {}});
        shapes.push_back({Line(14, 38, 28, 38), {}, text, 1.5, {}});
    }

    // The cut: a dashed orange line across the page and beyond it.
    shapes.push_back({Line(1.5, 24.5, 46.5, 24.5), {}, QColor(230, 120, 20), size >= 24 ? 3.0 : 4.0, {1.5, 1.0}});
    return shapes;
}

QImage ApplicationIconImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(qreal(size) / kIconGrid, qreal(size) / kIconGrid);
    for (const ArtworkShape& shape : ApplicationIconShapes(size))
    {
        if (shape.stroke.isValid())
        {
            QPen pen(shape.stroke, shape.strokeWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
            if (!shape.dashes.empty())
                pen.setDashPattern(QList<qreal>(shape.dashes.begin(), shape.dashes.end()));
            p.setPen(pen);
        }
        else
        {
            p.setPen(Qt::NoPen);
        }
        p.setBrush(shape.fill.isValid() ? QBrush(shape.fill) : QBrush(Qt::NoBrush));
        p.drawPath(shape.path);
    }
    p.end();
    return image;
}

QByteArray ApplicationIconSvg()
{
    QString svg = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                 "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" "
                                 "viewBox=\"0 0 %1 %1\">\n")
                      .arg(kIconGrid);
    for (const ArtworkShape& shape : ApplicationIconShapes(kIconGrid))
    {
        svg += QStringLiteral("  <path d=\"%1\" fill=\"%2\"").arg(SvgPathData(shape.path), SvgColour(shape.fill));
        if (shape.stroke.isValid())
        {
            svg += QStringLiteral(" stroke=\"%1\" stroke-width=\"%2\" stroke-linecap=\"butt\" stroke-linejoin=\"miter\"")
                       .arg(SvgColour(shape.stroke), Number(shape.strokeWidth));
            if (!shape.dashes.empty())
            {
                QStringList lengths;
                for (const qreal dash : shape.dashes)
                    lengths << Number(dash * shape.strokeWidth);
                svg += QStringLiteral(" stroke-dasharray=\"%1\"").arg(lengths.join(QLatin1Char(' ')));
            }
        }
        svg += QStringLiteral("/>\n");
    }
    svg += QStringLiteral("</svg>\n");
    return svg.toUtf8();
}
