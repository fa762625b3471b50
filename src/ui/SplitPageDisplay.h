#pragma once
// One page entry of a section card: caption, page image with a frame, and a
// small remove button while the cell is visible and the section has at
// least two pages.
#include "ui/PageDisplayBox.h"

#include <QPointer>

class CNiceMFCButton;
class QPainter;
class SplitSectionDisplay;

class SplitPageDisplay : public PageDisplayBox
{
public:
    SplitPageDisplay(SplitSectionDisplay* ownerCard, std::int32_t page);
    // Destroys the remove button's window.
    ~SplitPageDisplay() override;

    QImage GetImage(bool wait, double pixelRatio = 1.0) override;

    // Creates, moves or destroys the remove button for the visible content
    // rectangle.
    void PositionRemoveButton(const QRect& visible);
    // Destroys the remove button if it exists.
    void ReleaseRemoveButton();
    void DrawThumbnail(QPainter& painter, bool highlighted);

    // Where the page image is drawn, and the part of the cell a drag can
    // start from.
    QRect ImageRect() const;
    QRect ImageHitRect() const;

    SplitSectionDisplay* SectionCard() const;

    QPointer<CNiceMFCButton> removePageButton;
    // Width of the page image as laid out; the image is centred in a cell
    // made wider for it. 0 before the first layout: the whole cell.
    int imageWidth = 0;
};

// How a thumbnail caption fits into a cell of width cellWidth, given the
// width of the full "Page: %d" text.
enum class CaptionStyle
{
    Centred,     // full text, centred
    LeftAligned, // full text, left-aligned (the remove button is in the way)
    Short,       // "P.: %d", left-aligned
};
CaptionStyle ChooseCaptionStyle(int cellWidth, int captionWidth);
