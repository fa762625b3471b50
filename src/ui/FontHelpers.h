#pragma once
// Fonts given in points become pixel heights of points x vertical dpi / 72
// (rounded as MulDiv does); texts drawn by the program itself use Arial.
#include <QFont>

class QPaintDevice;

int PointsToPixels(int points, int logicalDpiY);
// Arial at the given size for the device (the primary screen when null).
QFont ArialFont(int points, bool bold, bool italic = false, const QPaintDevice* device = nullptr);
