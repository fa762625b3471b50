#pragma once
// One page thumbnail of the document card in the input area: the page image
// centred in its cell, a caption band below it and the check mark telling
// whether the page already belongs to a split section.
#include "ui/PageDisplayBox.h"

#include <QImage>
#include <QRect>

class QPainter;

// Geometry of one input-area cell.
struct InputPageCellGeometry
{
    QRect cellRect;
    QRect imageRect;
};

// Lays out a cell at (x, y) of width cellWidth for a page of the given
// width-to-height ratio (0 or anything not a positive finite number: unknown)
// at thumbnail height pageSize. The image is centred 6 pixels below the cell
// top and never wider than cellWidth - 12; a 24-pixel caption band follows.
InputPageCellGeometry ComputeInputPageCell(double aspect, int pageSize, int x, int y, int cellWidth);

class InputAreaPageDisplay : public PageDisplayBox
{
public:
    InputAreaPageDisplay(BaseDisplayBox* ownerCard, std::int32_t page, bool placed)
        : PageDisplayBox(ownerCard, page), inSection(placed) {}

    QImage GetImage(bool wait, double pixelRatio = 1.0) override;

    // Places the cell at (x, y) with width W; returns the cell's bottom.
    int LayoutPageCell(int y, int x, int cellWidth);
    // Re-reads whether the page is in a section; repaints the mark on change.
    void RefreshSectionMark();
    // Draws the cell (background, image, frame, caption, mark) inside clip.
    void Draw(QPainter& painter, const QRect& clip, bool highlighted);
    // The 16 x 16 rectangle of the page mark.
    QRect MarkRect() const;

    QRect imageRect;        // content coordinates, inside cellRect
    bool inSection = false; // the page belongs to at least one split section
};

// The two 16 x 16 page marks: a grey check (not placed) and a green check
// (in a section).
const QImage& PageMarkImage(bool inSection);
