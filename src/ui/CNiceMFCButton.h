#pragma once
// An image button with an optional label drawn by the program itself: the
// face colour (or a transparent face), the image left of the label (or
// centred with no label), a flat look with a highlight on hover and press,
// and a ring while it has the keyboard focus (Tab reaches it, Space presses
// it). Used for the command bar buttons and the small buttons on the cards.
#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <QPixmap>
#include <optional>

class CNiceMFCButton : public QAbstractButton
{
    Q_OBJECT
public:
    explicit CNiceMFCButton(QWidget* parent = nullptr);

    // Command id sent when clicked (command bar) or control id (cards).
    void SetCommandId(int id) { m_commandId = id; }
    int CommandId() const { return m_commandId; }

    void SetImage(const QPixmap& image);
    const QPixmap& Image() const { return m_image; }
    // Face colour; none draws no face (the parent shows through).
    void SetFaceColour(std::optional<QColor> colour);
    void SetLabelFont(const QFont& font) { m_labelFont = font; update(); }
    void SetLabelColour(const QColor& colour) { m_labelColour = colour; update(); }
    // Size of image plus label plus margins.
    void SizeToContent();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    // Draws the label text; the command bar uses white bold Arial.
    virtual void DrawLabel(QPainter& painter, const QRect& rect);

private:
    int m_commandId = 0;
    QPixmap m_image;
    std::optional<QColor> m_face;
    QFont m_labelFont;
    QColor m_labelColour = Qt::white;
    bool m_hot = false;
};
