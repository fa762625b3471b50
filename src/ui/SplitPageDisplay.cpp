#include "ui/SplitPageDisplay.h"

#include "session/CParceloApp.h"
#include "session/SplitSection.h"
#include "ui/CBaseAreaView.h"
#include "ui/CNiceMFCButton.h"
#include "ui/DrawPageImage.h"
#include "ui/SplitSectionDisplay.h"

#include <QFontMetrics>
#include <QPainter>

CaptionStyle ChooseCaptionStyle(int cellWidth, int captionWidth)
{
    if (cellWidth - 44 <= captionWidth)
        return CaptionStyle::Short;
    if (captionWidth > cellWidth - 68)
        return CaptionStyle::LeftAligned;
    return CaptionStyle::Centred;
}

SplitPageDisplay::SplitPageDisplay(SplitSectionDisplay* ownerCard, std::int32_t page) : PageDisplayBox(ownerCard, page) {}

SplitPageDisplay::~SplitPageDisplay()
{
    ReleaseRemoveButton();
}

SplitSectionDisplay* SplitPageDisplay::SectionCard() const
{
    return static_cast<SplitSectionDisplay*>(card);
}

QImage SplitPageDisplay::GetImage(bool wait, double pixelRatio)
{
    return OpenDocumentPageImage(pageNumber, wait, pixelRatio);
}

void SplitPageDisplay::ReleaseRemoveButton()
{
    if (!removePageButton)
        return;
    SplitSectionDisplay* section = SectionCard();
    if (section && section->owner)
        section->owner->UnregisterChildControl(removePageButton);
    else
        delete removePageButton.data();
    removePageButton = nullptr;
}

void SplitPageDisplay::PositionRemoveButton(const QRect& visible)
{
    SplitSectionDisplay* section = SectionCard();
    if (!section || !section->owner)
        return;
    const SplitSection* s = section->Section();
    if (cellRect.intersects(visible) && s && s->pages.size() >= 2) {
        const int scroll = section->owner->ScrollPos();
        const QRect rect(RightOf(cellRect) - 34, cellRect.top() - scroll + 3, 24, 24);
        if (!removePageButton)
            section->CreateButton(removePageButton, rect, 0, QColor(176, 196, 222), 235, false);
        else
            removePageButton->setGeometry(rect);
    } else {
        ReleaseRemoveButton();
    }
}

QRect SplitPageDisplay::ImageRect() const
{
    QRect area = RectFromEdges(cellRect.left() + 11, cellRect.top() + 28, RightOf(cellRect) - 11, BottomOf(cellRect) - 4);
    if (imageWidth > 0 && imageWidth < area.width()) {
        area.moveLeft(area.left() + (area.width() - imageWidth) / 2);
        area.setWidth(imageWidth);
    }
    return area;
}

QRect SplitPageDisplay::ImageHitRect() const
{
    return RectFromEdges(cellRect.left() + 10, cellRect.top() + 28, RightOf(cellRect) - 10, BottomOf(cellRect) - 3);
}

void SplitPageDisplay::DrawThumbnail(QPainter& painter, bool highlighted)
{
    SplitSectionDisplay* section = SectionCard();
    const int l = cellRect.left();
    const int t = cellRect.top();
    const int w = cellRect.width();
    if (highlighted)
        painter.fillRect(cellRect, QColor(216, 226, 239));
    if (removePageButton)
        removePageButton->SetFaceColour(highlighted ? QColor(216, 226, 239)
                                                    : (section ? section->CardColour() : QColor(176, 196, 222)));

    const QString full = FormatResString(219, pageNumber);
    const int captionWidth = QFontMetrics(painter.font()).boundingRect(QRect(0, 0, 1000, 1000), 0, full).width();
    const QRect captionRect(l + 10, t + 3, w - 20, 24);
    painter.save();
    painter.setPen(Qt::black);
    switch (ChooseCaptionStyle(w, captionWidth)) {
    case CaptionStyle::Short:
        painter.drawText(captionRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, FormatResString(240, pageNumber));
        break;
    case CaptionStyle::LeftAligned:
        painter.drawText(captionRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, full);
        break;
    case CaptionStyle::Centred:
        painter.drawText(captionRect, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, full);
        break;
    }
    painter.restore();

    const QRect image = ImageRect();
    DrawPageImage(painter, *this, image);

    // The frame: one pixel around the image on the left and top, two on the
    // right and bottom, each line exactly one logical pixel. Filled rather
    // than stroked, so that at a device pixel ratio of 2 the top line stays
    // in its own row instead of straddling the remove button's last one.
    const QColor frame(51, 51, 51);
    const int left = image.left() - 1;
    const int top = image.top() - 1;
    const int right = RightOf(image) + 1;
    const int bottom = BottomOf(image) + 1;
    painter.fillRect(QRect(left, top, right - left + 1, 1), frame);
    painter.fillRect(QRect(left, bottom, right - left + 1, 1), frame);
    painter.fillRect(QRect(left, top, 1, bottom - top + 1), frame);
    painter.fillRect(QRect(right, top, 1, bottom - top + 1), frame);
}
