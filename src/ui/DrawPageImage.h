#pragma once
// Drawing shared by the document card and the section cards.
#include <QFont>
#include <QRect>
#include <QString>

class PageDisplayBox;
class QPainter;
class QPaintDevice;

// Draws the thumbnail's page image smoothly scaled into rect, rendered for
// the painter's device pixel ratio; asks the thumbnail for its image
// (without waiting) at every paint, and draws the "Loading..." placeholder
// while no image exists.
void DrawPageImage(QPainter& painter, PageDisplayBox& thumbnail, const QRect& rect);

// Arial at the given point size for a device: the pixel height is
// points x the device's logical dots per inch / 72, rounded.
QFont ArialFont(const QPaintDevice* device, int points, int weight = QFont::Normal);
// A numbered text with one "%d" filled in.
QString FormatResString(int id, int value);
// The same from a dots-per-inch value.
QFont ArialFontForDpi(int dpi, int points, int weight = QFont::Normal);
