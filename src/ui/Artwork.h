#pragma once
// The program's numbered pictures, cursors, icon and menus. The pictures are
// drawn once, on first use, by the program itself; a number without a
// picture gives a null pixmap.
#include <QCursor>
#include <QIcon>
#include <QImage>
#include <QPixmap>

class QMenu;
class QWidget;

// PNG pictures: 311 Clear All, 312 Open File, 313 logo (198x56), 314 help,
// 315 New Split Section, 316/317 zoom large/small, 318 Save Split,
// 319/320/321 card buttons (down triangle, red cross, right triangle),
// 322/323 page marks (grey, green check), 330 tooltip icon,
// 331 splash picture (455x281).
QPixmap PngResource(int id);
QImage PngImage(int id);
// Bitmap 311: the command bar's 1 x 72 background gradient.
QImage BitmapResource(int id);
// Cursors: 328 copy, 329 move.
QCursor CursorResource(int id);
// Icon 128: the application icon.
QIcon IconResource(int id);
// The three card button images, by shared index (0 cross, 1 right, 2 down).
// LoadCardButtonImages prepares them; CardButtonImage loads them on demand too.
bool LoadCardButtonImages();
QPixmap CardButtonImage(int index);
// Menus: 325 help, 326 input area context menu, 327 section card context
// menu. Returns the menu's first popup (owned by parent) or null for an
// unknown id. Every action carries its command id in QAction::data().
QMenu* LoadMenuResource(int id, QWidget* parent);
// The maker's web address (help menu item 32779, logo link, About link).
QString MakerWebAddress();
