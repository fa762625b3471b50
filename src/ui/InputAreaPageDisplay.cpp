#include "ui/InputAreaPageDisplay.h"

#include "ui/Artwork.h"
#include "resources/StringTable.h"
#include "session/CParceloApp.h"
#include "ui/BaseDisplayBox.h"
#include "ui/CBaseAreaView.h"
#include "ui/DrawPageImage.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

// A ratio usable for layout: positive and finite, else 0 (unknown).
double UsableAspect(double aspect)
{
    return (std::isfinite(aspect) && aspect > 0.0) ? aspect : 0.0;
}

// Truncates a non-negative double to an int no larger than limit.
int TruncatedAtMost(double value, int limit)
{
    if (!(value >= 0.0))
        return 0;
    if (value >= double(limit))
        return limit;
    return int(value);
}

} // namespace

const QImage& PageMarkImage(bool inSection)
{
    static const QImage grey = PngImage(322);
    static const QImage green = PngImage(323);
    return inSection ? green : grey;
}

InputPageCellGeometry ComputeInputPageCell(double aspect, int pageSize, int x, int y, int cellWidth)
{
    const int widest = std::max(1, cellWidth - 12);
    const int size = std::max(1, pageSize);
    const double q = UsableAspect(aspect);
    int w = widest;
    int h = size;
    if (q != 0.0) {
        const double natural = q * size;
        if (natural > widest) {
            w = widest;
            h = std::clamp(TruncatedAtMost(widest / q, size), 1, size);
        } else {
            w = std::max(1, TruncatedAtMost(natural, widest));
            h = size;
        }
    }
    // An unknown ratio uses the full width at the page size; when the page
    // size exceeds the width the cell stays as high as the page size.
    InputPageCellGeometry g;
    g.cellRect = QRect(x, y, cellWidth, h + 30);
    g.imageRect = QRect(x + (cellWidth - w) / 2, y + 6, w, h);
    return g;
}

QImage InputAreaPageDisplay::GetImage(bool wait, double pixelRatio)
{
    return OpenDocumentPageImage(pageNumber, wait, pixelRatio);
}

int InputAreaPageDisplay::LayoutPageCell(int y, int x, int cellWidth)
{
    const CParceloApp* app = CParceloApp::Instance();
    const int size = app ? app->thumbnailSize : 100;
    const InputPageCellGeometry g = ComputeInputPageCell(OpenDocumentPageAspect(pageNumber), size, x, y, cellWidth);
    cellRect = g.cellRect;
    imageRect = g.imageRect;
    return BottomOf(cellRect);
}

QRect InputAreaPageDisplay::MarkRect() const
{
    return QRect(cellRect.x(), BottomOf(imageRect) + 4, 16, 16);
}

void InputAreaPageDisplay::RefreshSectionMark()
{
    const CParceloApp* app = CParceloApp::Instance();
    const bool now = app && app->IsPageInAnySection(pageNumber);
    if (now == inSection)
        return;
    inSection = now;
    if (card && card->owner)
        card->owner->InvalidateContentRect(MarkRect(), false);
}

void InputAreaPageDisplay::Draw(QPainter& painter, const QRect& clip, bool highlighted)
{
    if (!cellRect.intersects(clip))
        return;
    painter.fillRect(cellRect & clip, highlighted ? QColor(255, 255, 255) : QColor(247, 247, 247));
    DrawPageImage(painter, *this, imageRect);

    painter.save();
    painter.setPen(QPen(QColor(51, 51, 51), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(imageRect.x() - 1, imageRect.y() - 1, imageRect.width() + 2, imageRect.height() + 2));
    painter.restore();

    painter.save();
    painter.setPen(Qt::black);
    const QRect caption(imageRect.x(), BottomOf(imageRect), imageRect.width(), 24);
    painter.drawText(caption, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine,
                     FormatResString(219, pageNumber));
    painter.restore();

    const QImage& mark = PageMarkImage(inSection);
    const int m = PageMarkImage(false).isNull() ? 16 : PageMarkImage(false).height();
    painter.drawImage(QPoint(cellRect.x(), BottomOf(imageRect) + (24 - m) / 2), mark);
}
