#include "ui/CBaseAreaView.h"

#include <QBitmap>

#include "ui/Artwork.h"
#include "ui/BaseDisplayBox.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFocusEvent>
#include <QContextMenuEvent>
#include <QCursor>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QTimerEvent>
#include <QToolTip>
#include <QVariant>
#include <QWheelEvent>
#include <algorithm>
#include <utility>

namespace
{
const char kControlIdProperty[] = "parceloControlId";

CBaseAreaView::PopupHandler& PopupHandlerSlot()
{
    static CBaseAreaView::PopupHandler handler;
    return handler;
}
} // namespace

// The overlay that follows the pointer during a page drag. It never takes
// the mouse or the focus; white pixels of the image are transparent.
class DragImageWindow : public QWidget
{
public:
    DragImageWindow(QWidget* parent, const QImage& image, bool screenWide)
        : QWidget(parent, screenWide ? Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                                           Qt::WindowDoesNotAcceptFocus
                                     : Qt::Widget),
          m_image(image)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        // The image may hold more pixels than it covers (a screen with
        // several device pixels per pixel).
        const QSize logical = image.deviceIndependentSize().toSize();
        resize(logical);
        if (screenWide) {
            // A top-level window is only see-through where a compositor
            // blends it; without one a translucent window shows black. Cut
            // the transparent (formerly white) pixels out with a shape mask
            // instead, which every X server honours. The mask is in logical
            // pixels.
            QImage maskSource = image.size() == logical ? image : image.scaled(logical);
            maskSource.setDevicePixelRatio(1.0);
            const QBitmap shape = QBitmap::fromImage(maskSource.createAlphaMask(Qt::ThresholdAlphaDither));
            if (!shape.isNull())
                setMask(shape);
            m_opacity = 1.0;
        } else {
            setAttribute(Qt::WA_TranslucentBackground);
        }
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setOpacity(m_opacity);
        p.drawImage(0, 0, m_image);
    }

private:
    QImage m_image;
    qreal m_opacity = 0.75;
};

CBaseAreaView::CBaseAreaView(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::ClickFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    verticalScrollBar()->setRange(0, 0);
    verticalScrollBar()->installEventFilter(this);
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this, [this](int action) {
        // Page requests move by the client height less 20 pixels and line
        // requests by lineStep; everything else follows the thumb.
        QScrollBar* bar = verticalScrollBar();
        const int H = viewport()->height();
        int p = scrollPos;
        switch (action)
        {
        case QAbstractSlider::SliderSingleStepAdd: p = scrollPos + lineStep; break;
        case QAbstractSlider::SliderSingleStepSub: p = scrollPos - lineStep; break;
        case QAbstractSlider::SliderPageStepAdd: p = scrollPos + (H - 20); break;
        case QAbstractSlider::SliderPageStepSub: p = scrollPos - (H - 20); break;
        case QAbstractSlider::SliderToMinimum: p = 0; break;
        case QAbstractSlider::SliderToMaximum: p = scrollPos; break;
        default: return;
        }
        bar->setSliderPosition(std::clamp(p, bar->minimum(), bar->maximum()));
    });
}

CBaseAreaView::~CBaseAreaView()
{
    autoScroll.stop();
    autoScrollTimer = 0;
    if (QWidget::mouseGrabber() == viewport())
        viewport()->releaseMouse();
    dragWindow.reset();
    // Cards go first, while the control tables they may use still exist.
    while (!boxes.empty())
    {
        std::unique_ptr<BaseDisplayBox> last = std::move(boxes.back());
        boxes.pop_back();
        last.reset();
    }
}

// ---------------------------------------------------------------------------
// Cards

BaseDisplayBox* CBaseAreaView::FindBox(const void* key) const
{
    for (const auto& box : boxes)
        if (box->key == key)
            return box.get();
    return nullptr;
}

void CBaseAreaView::AddBox(std::unique_ptr<BaseDisplayBox> box)
{
    if (box)
        boxes.push_back(std::move(box));
}

void CBaseAreaView::RemoveBox(const void* key)
{
    auto it = std::find_if(boxes.begin(), boxes.end(), [key](const auto& b) { return b->key == key; });
    if (it == boxes.end())
        return;
    // A drag may point into the card (source, drop target): end it first.
    if (dragging)
        EndDrag(true);
    it = std::find_if(boxes.begin(), boxes.end(), [key](const auto& b) { return b->key == key; });
    if (it == boxes.end())
        return;
    for (std::size_t i = 0; i < childControlOwners.size(); ++i)
    {
        if (childControlOwners[i] && childControlOwners[i]->key == key)
        {
            if (QWidget* control = childControls[i])
            {
                disconnect(control, nullptr, this, nullptr);
                control->removeEventFilter(this);
                control->setProperty(kControlIdProperty, QVariant());
                control->hide();
                control->deleteLater();
            }
            childControlOwners[i] = nullptr;
            childControls[i] = nullptr;
        }
    }
    while (!childControlOwners.empty() && !childControlOwners.back())
    {
        childControlOwners.pop_back();
        childControls.pop_back();
    }
    std::unique_ptr<BaseDisplayBox> doomed = std::move(*it);
    boxes.erase(it);
    doomed.reset();
    RecalcLayout();
    viewport()->update();
}

// ---------------------------------------------------------------------------
// Child controls

int CBaseAreaView::RegisterChildControl(BaseDisplayBox* card)
{
    for (std::size_t i = 0; i < childControlOwners.size(); ++i)
    {
        if (!childControlOwners[i])
        {
            childControlOwners[i] = card;
            childControls[i] = nullptr;
            return kFirstChildControlId + int(i);
        }
    }
    childControlOwners.push_back(card);
    childControls.emplace_back();
    return kFirstChildControlId + int(childControlOwners.size()) - 1;
}

int CBaseAreaView::ControlIdOf(const QWidget* control)
{
    if (!control)
        return 0;
    bool ok = false;
    const int id = control->property(kControlIdProperty).toInt(&ok);
    return ok ? id : 0;
}

void CBaseAreaView::AttachChildControl(int controlId, QWidget* control)
{
    const int index = controlId - kFirstChildControlId;
    if (!control || index < 0 || index >= int(childControlOwners.size()))
        return;
    childControls[std::size_t(index)] = control;
    control->setProperty(kControlIdProperty, controlId);
    control->installEventFilter(this);
    ScheduleTabOrder();
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        connect(button, &QAbstractButton::clicked, this, [this, controlId] { OnChildControlCommand(controlId, 0); });
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        connect(edit, &QLineEdit::textChanged, this, [this, controlId] { OnChildControlCommand(controlId, 0x300); });
    if (BaseDisplayBox* card = childControlOwners[std::size_t(index)])
    {
        if (std::optional<QBrush> brush = GetChildControlBrush(control, card))
        {
            QPalette pal = control->palette();
            pal.setBrush(QPalette::Base, *brush);
            pal.setBrush(QPalette::Window, *brush);
            pal.setBrush(QPalette::Button, *brush);
            control->setPalette(pal);
        }
    }
}

void CBaseAreaView::UnregisterChildControl(QWidget* control)
{
    if (!control)
        return;
    const int index = ControlIdOf(control) - kFirstChildControlId;
    if (index < 0 || index >= int(childControlOwners.size()) || childControls[std::size_t(index)] != control)
        return;
    disconnect(control, nullptr, this, nullptr);
    control->removeEventFilter(this);
    control->setProperty(kControlIdProperty, QVariant());
    control->hide();
    control->deleteLater();
    childControlOwners[std::size_t(index)] = nullptr;
    childControls[std::size_t(index)] = nullptr;
    if (index == int(childControlOwners.size()) - 1)
    {
        while (!childControlOwners.empty() && !childControlOwners.back())
        {
            childControlOwners.pop_back();
            childControls.pop_back();
        }
    }
}

bool CBaseAreaView::OnChildControlCommand(int controlId, int notificationCode)
{
    const int index = controlId - kFirstChildControlId;
    if (index < 0 || index >= int(childControlOwners.size()))
        return false;
    BaseDisplayBox* card = childControlOwners[std::size_t(index)];
    // An emptied entry (its card is gone) swallows the command.
    if (!card || !std::any_of(boxes.begin(), boxes.end(), [card](const auto& b) { return b.get() == card; }))
        return true;
    switch (notificationCode)
    {
    case 0: card->OnChildCommand(controlId); break;
    case 0x200: card->OnChildFocusLost(controlId); break;
    case 0x300: card->OnChildTextChanged(controlId); break;
    default: break;
    }
    return true;
}

std::optional<QBrush> CBaseAreaView::GetChildControlBrush(QWidget*, BaseDisplayBox*)
{
    return std::nullopt;
}

bool CBaseAreaView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == verticalScrollBar() && event->type() == QEvent::Wheel)
    {
        // A wheel turn over the scroll bar scrolls one line, as it does over
        // the content (where the main view routes it), not the scroll bar's
        // own several lines.
        const auto* wheel = static_cast<QWheelEvent*>(event);
        OnVScroll(wheel->angleDelta().y() > 0 ? SB_LINEUP : SB_LINEDOWN);
        event->accept();
        return true;
    }
    auto* control = qobject_cast<QWidget*>(watched);
    const int id = control ? ControlIdOf(control) : 0;
    if (id >= kFirstChildControlId)
    {
        const int index = id - kFirstChildControlId;
        const bool registered = index < int(childControls.size()) && childControls[std::size_t(index)] == control;
        if (registered && event->type() == QEvent::FocusOut && qobject_cast<QLineEdit*>(control))
        {
            OnChildControlCommand(id, 0x200);
        }
        else if (registered && event->type() == QEvent::FocusIn)
        {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason)
                ScrollControlIntoView(control);
        }
        else if (registered && event->type() == QEvent::ContextMenu && qobject_cast<QAbstractButton*>(control) &&
                 static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard)
        {
            ShowContextMenuFor(control);
            return true;
        }
        else if (registered && event->type() == QEvent::ToolTip && control->toolTip().isEmpty())
        {
            BaseDisplayBox* card = childControlOwners[std::size_t(index)];
            if (card)
            {
                tipText = card->GetChildToolTipText(control);
                if (!tipText.isEmpty())
                {
                    QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), tipText, control);
                    return true;
                }
            }
        }
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Keyboard

std::vector<QWidget*> CBaseAreaView::TabOrderControls() const
{
    std::vector<QWidget*> order;
    for (const auto& box : boxes)
        for (QWidget* control : box->TabOrderControls())
            if (control && ControlIdOf(control) >= kFirstChildControlId)
                order.push_back(control);
    return order;
}

void CBaseAreaView::ScheduleTabOrder()
{
    if (tabOrderPending)
        return;
    tabOrderPending = true;
    QMetaObject::invokeMethod(this, [this] { ApplyTabOrder(); }, Qt::QueuedConnection);
}

void CBaseAreaView::ApplyTabOrder()
{
    tabOrderPending = false;
    const std::vector<QWidget*> order = TabOrderControls();
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void CBaseAreaView::ScrollControlIntoView(QWidget* control)
{
    QRect r = viewport()->rect();
    AdjustClientRect(r);
    const QRect g = control->geometry();
    if (g.top() < r.top())
        OnVScroll(SB_THUMBPOSITION, scrollPos - (r.top() - g.top()));
    else if (g.bottom() > r.bottom())
        OnVScroll(SB_THUMBPOSITION, scrollPos + std::min(g.bottom() - r.bottom(), g.top() - r.top()));
}

bool CBaseAreaView::focusNextPrevChild(bool next)
{
    // Only Tab and Shift+Tab on a card's control that is shown; a control
    // being hidden or destroyed hands its focus on the ordinary way.
    QWidget* current = QApplication::focusWidget();
    if (!current || !current->isVisible() || current->parentWidget() != viewport() ||
        ControlIdOf(current) < kFirstChildControlId)
        return QAbstractScrollArea::focusNextPrevChild(next);
    ApplyTabOrder();
    std::vector<QWidget*> order = TabOrderControls();
    const auto at = std::find(order.begin(), order.end(), current);
    const bool atEdge = at != order.end() && (next ? at + 1 == order.end() : at == order.begin());
    if (atEdge && contentHeight > viewport()->height())
    {
        // More cards may lie beyond the visible part: bring the content next
        // to the current control into view, which creates their controls.
        QRect r = viewport()->rect();
        AdjustClientRect(r);
        const int before = scrollPos;
        if (next)
            OnVScroll(SB_THUMBPOSITION, scrollPos + std::max(1, current->geometry().top() - r.top()));
        else
            OnVScroll(SB_THUMBPOSITION, scrollPos - std::max(1, r.bottom() - current->geometry().bottom()));
        if (scrollPos != before)
        {
            ApplyTabOrder();
            order = TabOrderControls();
            const auto now = std::find(order.begin(), order.end(), current);
            if (now != order.end() && (next ? now + 1 != order.end() : now != order.begin()))
            {
                QWidget* target = next ? *(now + 1) : *(now - 1);
                target->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
                return true;
            }
        }
    }
    return QAbstractScrollArea::focusNextPrevChild(next);
}

void CBaseAreaView::ShowContextMenuFor(QWidget* control)
{
    QPointer<QWidget> keep = control;
    const QPoint centre = control->geometry().center();
    OnContextMenu(viewport()->mapToGlobal(centre));
    if (keep)
        keep->setFocus(Qt::PopupFocusReason);
}

// ---------------------------------------------------------------------------
// Layout and scrolling

void CBaseAreaView::AdjustClientRect(QRect&) {}

int CBaseAreaView::ArrangeBoxes(const QRect&)
{
    return 0;
}

void CBaseAreaView::RecalcLayout()
{
    QRect r = viewport()->rect();
    AdjustClientRect(r);
    Layout(r);
}

void CBaseAreaView::RelayoutAndRepaint()
{
    RecalcLayout();
    viewport()->update();
}

void CBaseAreaView::Layout(QRect r)
{
    lineStep = r.height() / 20;
    int h = ArrangeBoxes(r);
    bool show = barShown;
    const int barWidth = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, verticalScrollBar());
    if (h > r.height() && !barShown)
    {
        r.setRight(r.right() - barWidth);
        h = ArrangeBoxes(r);
        show = true;
    }
    else if (h <= r.height() && barShown)
    {
        r.setRight(r.right() + barWidth);
        h = ArrangeBoxes(r);
        show = false;
    }
    contentHeight = h;
    if (show != barShown)
    {
        barShown = show;
        // Changes the client size, which lays the cards out once more.
        setVerticalScrollBarPolicy(show ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    }
    const int before = scrollPos;
    if (barShown)
        scrollPos = std::max(0, std::min(scrollPos, contentHeight - r.height()));
    else
        scrollPos = 0;
    SyncScrollBar();
    if (scrollPos != before)
    {
        const QRect visible = r.translated(0, scrollPos);
        for (std::size_t i = 0; i < boxes.size(); ++i)
            boxes[i]->SetVisibleArea(visible);
        RefreshHover();
    }
}

void CBaseAreaView::SyncScrollBar()
{
    QScrollBar* bar = verticalScrollBar();
    syncingBar = true;
    if (barShown)
    {
        QRect r = viewport()->rect();
        AdjustClientRect(r);
        const int page = std::max(0, r.height());
        bar->setRange(0, std::max(0, contentHeight - page));
        bar->setPageStep(std::max(1, page));
        bar->setSingleStep(std::max(1, lineStep));
        bar->setValue(scrollPos);
    }
    else
    {
        bar->setRange(0, 0);
        bar->setValue(0);
    }
    syncingBar = false;
}

void CBaseAreaView::OnVScroll(int request, int thumbPos)
{
    const int H = viewport()->height();
    if (contentHeight < H)
        return;
    int p = scrollPos;
    switch (request)
    {
    case SB_LINEUP: p -= lineStep; break;
    case SB_LINEDOWN: p += lineStep; break;
    case SB_PAGEUP: p -= H - 20; break;
    case SB_PAGEDOWN: p += H - 20; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: p = thumbPos; break;
    case SB_TOP: p = 0; break;
    default: break;
    }
    if (p < 0)
        p = 0;
    else
        p = std::min(p, contentHeight - H);
    if (p != scrollPos)
        ScrollBy(0, p - scrollPos);
}

void CBaseAreaView::scrollContentsBy(int, int)
{
    if (syncingBar)
        return;
    // The scroll bar moved by itself (thumb drag, clicks, wheel on the bar).
    const int H = viewport()->height();
    int p = verticalScrollBar()->value();
    if (contentHeight >= H)
    {
        p = std::max(0, std::min(p, contentHeight - H));
        if (p != scrollPos)
        {
            ScrollBy(0, p - scrollPos);
            return;
        }
    }
    SyncScrollBar();
}

void CBaseAreaView::ScrollBy(int, int dy)
{
    const bool lockedDrag = dragging && !IsDragScreenWide();
    if (lockedDrag)
        HideDragImage();
    viewport()->scroll(0, -dy);
    scrollPos += dy;
    SyncScrollBar();
    QRect r = viewport()->rect();
    AdjustClientRect(r);
    const QRect visible = r.translated(0, scrollPos);
    for (std::size_t i = 0; i < boxes.size(); ++i)
        boxes[i]->SetVisibleArea(visible);
    if (lockedDrag)
        ShowDragImageAt(QPoint(dragPoint.x(), dragPoint.y() - scrollPos));
    RefreshHover();
}

QRect CBaseAreaView::VisibleContentRect()
{
    QRect r = viewport()->rect();
    AdjustClientRect(r);
    return r.translated(0, scrollPos);
}

void CBaseAreaView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    RecalcLayout();
}

// ---------------------------------------------------------------------------
// Painting

void CBaseAreaView::InvalidateContentRect(const QRect& rect, bool)
{
    viewport()->update(rect.translated(0, -scrollPos));
}

void CBaseAreaView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    painter.save();
    painter.fillRect(event->rect(), backgroundBrush.style() == Qt::NoBrush ? palette().base() : backgroundBrush);
    Draw(painter, event->rect());
    painter.restore();
}

void CBaseAreaView::Draw(QPainter& painter, const QRect& updateRect)
{
    painter.save();
    painter.translate(0, -scrollPos);
    const QRect clip = updateRect.translated(0, scrollPos);
    for (std::size_t i = 0; i < boxes.size(); ++i)
        boxes[i]->Draw(painter, clip);
    painter.restore();
}

// ---------------------------------------------------------------------------
// Pointer

bool CBaseAreaView::HasContent()
{
    return false;
}

void CBaseAreaView::RefreshHover()
{
    const QPoint client = viewport()->mapFromGlobal(QCursor::pos());
    if (viewport()->rect().contains(client))
        OnMouseMove(client, Qt::NoButton);
}

void CBaseAreaView::mouseMoveEvent(QMouseEvent* event)
{
    OnMouseMove(event->position().toPoint(), event->buttons());
}

void CBaseAreaView::OnMouseMove(const QPoint& client, Qt::MouseButtons)
{
    if (dragging)
    {
        const QPoint c(client.x(), client.y() + scrollPos);
        if (c == dragPoint)
            return;
        dragPoint = c;
        OnDragMoved();
        if (!dragging)
            return;
        ShowDragImageAt(client);
        if (std::optional<QCursor> cursor = GetDragCursor())
            viewport()->setCursor(*cursor);
        return;
    }
    if (!HasContent())
        return;
    const QPoint c(client.x(), client.y() + scrollPos);
    const QRect visible = viewport()->rect().translated(0, scrollPos);
    std::optional<QCursor> shown;
    for (std::size_t i = 0; i < boxes.size(); ++i)
    {
        BaseDisplayBox* card = boxes[i].get();
        const bool over = card->HitTest(c.x(), c.y());
        if (std::optional<QCursor> cursor = card->SetHover(over, visible); cursor && over)
            shown = cursor;
    }
    if (shown)
        viewport()->setCursor(*shown);
    else
        viewport()->unsetCursor();
}

void CBaseAreaView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        OnLButtonDown(event->position().toPoint(), event->modifiers());
    else
        QAbstractScrollArea::mousePressEvent(event);
}

void CBaseAreaView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        OnLButtonUp(event->position().toPoint(), event->modifiers());
    else
        QAbstractScrollArea::mouseReleaseEvent(event);
}

void CBaseAreaView::OnLButtonDown(const QPoint& client, Qt::KeyboardModifiers)
{
    if (dragging)
    {
        // A stale drag (its button release was lost) is abandoned.
        dragging = false;
        autoScroll.stop();
        autoScrollTimer = 0;
        DiscardDragImage();
        viewport()->unsetCursor();
    }
    const QPoint c(client.x(), client.y() + scrollPos);
    if (HasContent() && CanStartDrag(c.x(), c.y()))
    {
        dragPoint = c;
        BeginDrag();
    }
}

void CBaseAreaView::OnLButtonUp(const QPoint&, Qt::KeyboardModifiers)
{
    EndDrag(false);
}

void CBaseAreaView::wheelEvent(QWheelEvent* event)
{
    // The main view routes wheel turns by the pointer's position.
    event->ignore();
}

// ---------------------------------------------------------------------------
// Drag

bool CBaseAreaView::CanStartDrag(int, int)
{
    return false;
}

void CBaseAreaView::OnDragMoved() {}

std::optional<QCursor> CBaseAreaView::GetDragCursor()
{
    return std::nullopt;
}

bool CBaseAreaView::IsDragScreenWide()
{
    return false;
}

void CBaseAreaView::SetDragImage(const QImage* image, int width, int height)
{
    if (!image || image->isNull() || width <= 0 || height <= 0)
        return;
    width = std::min(width, kMaxDragImageSide);
    height = std::min(height, kMaxDragImageSide);
    // As many pixels as the screen shows in that space, so the image stays
    // sharp where a pixel is several device pixels.
    const qreal ratio = std::clamp(viewport()->devicePixelRatioF(), qreal(1), qreal(4));
    QImage scaled = image->scaled(qRound(width * ratio), qRound(height * ratio), Qt::IgnoreAspectRatio,
                                  Qt::SmoothTransformation)
                        .convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < scaled.height(); ++y)
    {
        auto* line = reinterpret_cast<QRgb*>(scaled.scanLine(y));
        for (int x = 0; x < scaled.width(); ++x)
            if ((line[x] & 0x00FFFFFFu) == 0x00FFFFFFu)
                line[x] = 0;
    }
    scaled.setDevicePixelRatio(ratio);
    dragWindow.reset();
    dragImage = scaled;
}

void CBaseAreaView::BeginDrag()
{
    dragging = true;
    viewport()->grabMouse();
    dragWindowScreenWide = IsDragScreenWide();
    dragWindow.reset();
    if (!dragImage.isNull())
        dragWindow = std::make_unique<DragImageWindow>(dragWindowScreenWide ? nullptr : viewport(), dragImage,
                                                       dragWindowScreenWide);
    ShowDragImageAt(QPoint(dragPoint.x(), dragPoint.y() - scrollPos));
    if (barShown)
    {
        autoScroll.start(kAutoScrollPeriodMs, this);
        autoScrollTimer = kAutoScrollTimerId;
    }
}

void CBaseAreaView::ShowDragImageAt(const QPoint& client)
{
    if (!dragWindow)
        return;
    const QPoint topLeft = client + dragHotspot;
    dragWindow->move(dragWindowScreenWide ? viewport()->mapToGlobal(topLeft) : topLeft);
    if (!dragWindow->isVisible())
        dragWindow->show();
    dragWindow->raise();
}

void CBaseAreaView::HideDragImage()
{
    if (dragWindow)
        dragWindow->hide();
}

void CBaseAreaView::DiscardDragImage()
{
    dragWindow.reset();
    dragImage = QImage();
}

QWidget* CBaseAreaView::DragImageWidget() const
{
    return dragWindow && dragWindow->isVisible() ? dragWindow.get() : nullptr;
}

void CBaseAreaView::EndDrag(bool)
{
    if (autoScrollTimer != 0)
    {
        autoScroll.stop();
        autoScrollTimer = 0;
    }
    if (QWidget::mouseGrabber() == viewport())
        viewport()->releaseMouse();
    if (dragging)
    {
        HideDragImage();
        DiscardDragImage();
        dragging = false;
        viewport()->unsetCursor();
    }
}

void CBaseAreaView::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == autoScroll.timerId())
    {
        AutoScrollTick();
        return;
    }
    QAbstractScrollArea::timerEvent(event);
}

void CBaseAreaView::AutoScrollTick()
{
    const QPoint cursor = QCursor::pos();
    const QRect screenRect(mapToGlobal(QPoint(0, 0)), size());
    int request = -1;
    if (cursor.y() < screenRect.top())
        request = SB_LINEUP;
    else if (cursor.y() > screenRect.bottom())
        request = SB_LINEDOWN;
    if (request >= 0)
        QMetaObject::invokeMethod(this, [this, request] { OnVScroll(request); }, Qt::QueuedConnection);
}

// ---------------------------------------------------------------------------
// Tooltips, context menus, commands

bool CBaseAreaView::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip)
    {
        auto* help = static_cast<QHelpEvent*>(event);
        if (!OnToolTip(help->pos(), help->globalPos()))
        {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

bool CBaseAreaView::OnToolTip(const QPoint& client, const QPoint& screen)
{
    const QPoint c(client.x(), client.y() + scrollPos);
    for (std::size_t i = 0; i < boxes.size(); ++i)
    {
        QRect toolRect;
        const int id = boxes[i]->ToolHitTest(c.x(), c.y(), toolRect);
        if (id != 0)
        {
            tipText = boxes[i]->GetToolTipText(id);
            if (tipText.isEmpty())
                QToolTip::hideText();
            else
                QToolTip::showText(screen, tipText, viewport(), toolRect.translated(0, -scrollPos));
            return true;
        }
    }
    return false;
}

void CBaseAreaView::contextMenuEvent(QContextMenuEvent* event)
{
    OnContextMenu(event->globalPos());
}

void CBaseAreaView::OnContextMenu(const QPoint& screenPos)
{
    const QPoint client = viewport()->mapFromGlobal(screenPos);
    const QPoint c(client.x(), client.y() + scrollPos);
    for (std::size_t i = 0; i < boxes.size(); ++i)
    {
        BaseDisplayBox* card = boxes[i].get();
        std::uintptr_t cookie = 0;
        const int menuId = card->ContextMenuAt(c.x(), c.y(), cookie);
        if (menuId == 0)
            continue;
        std::unique_ptr<QMenu> popup(LoadMenuResource(menuId, this));
        if (!popup)
            continue;
        setFocus(Qt::PopupFocusReason);
        card->PrepareContextMenu(popup.get(), cookie);
        const int command = TrackPopup(popup.get(), screenPos);
        popup.reset();
        if (command == 0)
            continue;
        // The popup ran its own event loop: make sure the card still exists.
        if (std::any_of(boxes.begin(), boxes.end(), [card](const auto& b) { return b.get() == card; }))
            card->OnContextCommand(command, cookie);
        return;
    }
}

bool CBaseAreaView::OnCmdMsg(int)
{
    return false;
}

CBaseAreaView::PopupHandler CBaseAreaView::SetPopupHandler(PopupHandler handler)
{
    return std::exchange(PopupHandlerSlot(), std::move(handler));
}

int CBaseAreaView::TrackPopup(QMenu* popup, const QPoint& screenPos)
{
    if (!popup)
        return 0;
    if (PopupHandlerSlot())
        return PopupHandlerSlot()(popup, screenPos);
    QAction* chosen = popup->exec(screenPos);
    return chosen ? chosen->data().toInt() : 0;
}
