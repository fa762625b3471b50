#pragma once
// The application icon (icon 128): a page with a dashed orange cut line
// across it. It is kept as shapes on a 48 x 48 grid, so the same picture is
// drawn at any size for the window and the desktop's icon theme, and written
// as a scalable SVG picture.
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QPainterPath>

#include <vector>

struct ArtworkShape
{
    QPainterPath path;           // on the 48 x 48 grid
    QColor fill;                 // invalid: not filled
    QColor stroke;               // invalid: no outline
    qreal strokeWidth = 0;
    std::vector<qreal> dashes;   // dash and gap lengths in stroke widths; empty: solid
};

inline constexpr int kIconGrid = 48;

// The icon's shapes for a picture of `size` pixels: below 24 pixels the
// page's text lines are left out, as they would only blur.
std::vector<ArtworkShape> ApplicationIconShapes(int size);

// The icon drawn at size x size pixels on a transparent background.
QImage ApplicationIconImage(int size);

// The icon as an SVG document (the full picture, 48 x 48 user units).
QByteArray ApplicationIconSvg();
