#include "ui/CNiceMFCButton.h"

#include <QPainter>
#include <QPaintEvent>

namespace
{
constexpr int kMargin = 4;
constexpr int kGap = 6;
} // namespace

CNiceMFCButton::CNiceMFCButton(QWidget* parent) : QAbstractButton(parent)
{
    // Reached with Tab and pressed with Space; a click does not move the
    // focus, so the mark appears only while working from the keyboard.
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    m_labelFont.setFamily(QStringLiteral("Arial"));
}

void CNiceMFCButton::SetImage(const QPixmap& image)
{
    m_image = image;
    updateGeometry();
    update();
}

void CNiceMFCButton::SetFaceColour(std::optional<QColor> colour)
{
    m_face = colour;
    update();
}

QSize CNiceMFCButton::sizeHint() const
{
    const QSize img = m_image.isNull() ? QSize(0, 0) : m_image.deviceIndependentSize().toSize();
    if (text().isEmpty())
        return QSize(img.width() + 2 * kMargin, img.height() + 2 * kMargin);
    const QFontMetrics fm(m_labelFont);
    const int textW = fm.horizontalAdvance(text());
    const int w = img.width() + (img.isEmpty() ? 0 : kGap) + textW + 2 * kMargin + 4;
    const int h = std::max(img.height(), fm.height()) + 2 * kMargin;
    return QSize(w, h);
}

void CNiceMFCButton::SizeToContent()
{
    resize(sizeHint());
}

void CNiceMFCButton::enterEvent(QEnterEvent* event)
{
    m_hot = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CNiceMFCButton::leaveEvent(QEvent* event)
{
    m_hot = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void CNiceMFCButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRect r = rect();
    if (m_face)
        p.fillRect(r, *m_face);
    // Flat style: a frame only while hot or pressed.
    if (isEnabled() && (m_hot || isDown()))
    {
        const bool onDark = !m_face || m_face->lightness() < 128;
        QColor edge = onDark ? QColor(255, 255, 255, isDown() ? 110 : 70) : QColor(0, 0, 0, isDown() ? 110 : 60);
        p.setPen(edge);
        // Hovered: the frame alone, the face shows through; pressed: a faint
        // tint of the frame's colour. (Both sides are brushes: a colour
        // against Qt::NoBrush would turn "no brush" into opaque black.)
        p.setBrush(isDown() ? QBrush(QColor(edge.red(), edge.green(), edge.blue(), 40)) : QBrush(Qt::NoBrush));
        p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    }
    if (hasFocus())
    {
        // The keyboard focus: a ring in the highlight colour, visible on the
        // dark command bar and on the light cards alike.
        p.setPen(QPen(palette().color(QPalette::Highlight), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(r).adjusted(1, 1, -1, -1), 3, 3);
    }
    const int shift = isDown() ? 1 : 0;
    const QSize img = m_image.isNull() ? QSize(0, 0) : m_image.deviceIndependentSize().toSize();
    if (text().isEmpty())
    {
        if (!m_image.isNull())
        {
            const QPoint at((r.width() - img.width()) / 2 + shift, (r.height() - img.height()) / 2 + shift);
            if (!isEnabled())
                p.setOpacity(0.4);
            p.drawPixmap(at, m_image);
            p.setOpacity(1.0);
        }
        return;
    }
    int x = kMargin + shift;
    if (!m_image.isNull())
    {
        if (!isEnabled())
            p.setOpacity(0.4);
        p.drawPixmap(QPoint(x, (r.height() - img.height()) / 2 + shift), m_image);
        p.setOpacity(1.0);
        x += img.width() + kGap;
    }
    DrawLabel(p, QRect(x, shift, r.width() - x, r.height()));
}

void CNiceMFCButton::DrawLabel(QPainter& painter, const QRect& rect)
{
    // Disabled labels are drawn once, flat grey, with no embossed highlight.
    painter.setFont(m_labelFont);
    painter.setPen(isEnabled() ? m_labelColour : QColor(128, 128, 128));
    painter.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
}
