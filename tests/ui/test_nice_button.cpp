// The flat image buttons of the command bar and the cards: how they look
// while the pointer is over them or they are pressed.
#include "common/TestNames.h"
#include "ui/CNiceMFCButton.h"

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <gtest/gtest.h>

#include <optional>

namespace {

struct HoverCase
{
    const char* name;
    std::optional<QColor> face; // none: the parent shows through
    QColor parent;
    bool pressed;
};

class FlatButtonLook : public ::testing::TestWithParam<HoverCase>
{
};

// Sum of the channel differences of two colours.
int Distance(const QColor& a, const QColor& b)
{
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
}

TEST_P(FlatButtonLook, InsideTheFrameShowsTheFaceNotBlack)
{
    const HoverCase& c = GetParam();
    QWidget parent;
    parent.resize(60, 40);
    parent.setAutoFillBackground(true);
    QPalette palette = parent.palette();
    palette.setColor(QPalette::Window, c.parent);
    parent.setPalette(palette);

    auto* button = new CNiceMFCButton(&parent);
    QPixmap image(16, 16);
    image.fill(Qt::red);
    button->SetImage(image);
    button->SetFaceColour(c.face);
    button->setGeometry(10, 5, 30, 30);
    parent.show();

    QEnterEvent enter(QPointF(15, 15), QPointF(25, 20), button->mapToGlobal(QPointF(15, 15)));
    QApplication::sendEvent(button, &enter);
    button->setDown(c.pressed);

    const QImage shot = parent.grab().toImage();
    const qreal ratio = shot.devicePixelRatio();
    // Between the frame and the image, left of the centred image.
    const QColor inside = shot.pixelColor(QPoint(int((10 + 4) * ratio), int((5 + 15) * ratio)));
    const QColor expected = c.face.value_or(c.parent);
    // Hovered: only the frame is drawn, the face shows unchanged inside it.
    // Pressed: a faint tint of the frame's colour over the face.
    if (c.pressed)
        EXPECT_LT(Distance(inside, expected), 120) << inside.name().toStdString();
    else
        EXPECT_EQ(inside.rgb(), expected.rgb()) << inside.name().toStdString();
    EXPECT_GT(Distance(inside, Qt::black), Distance(expected, Qt::black) / 2) << inside.name().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, FlatButtonLook,
    ::testing::Values(HoverCase{"CardButtonHovered", QColor(220, 220, 220), QColor(220, 220, 220), false},
                      HoverCase{"CardButtonPressed", QColor(176, 196, 222), QColor(176, 196, 222), true},
                      HoverCase{"CommandBarButtonHovered", std::nullopt, QColor(74, 76, 82), false},
                      HoverCase{"CommandBarButtonPressed", std::nullopt, QColor(74, 76, 82), true}),
    TestNames::ByName());

} // namespace
