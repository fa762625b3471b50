#include "ui/CSplitAreaView.h"

#include "ui/Artwork.h"
#include "resources/StringTable.h"
#include "session/CParceloApp.h"
#include "session/SplitSection.h"
#include "ui/DrawPageImage.h"
#include "ui/FrameCommands.h"
#include "ui/PageDragInfo.h"
#include "ui/SplitSectionDisplay.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <algorithm>

QEvent::Type CSplitAreaView::RemoveSplitEventType()
{
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
}

QEvent::Type CSplitAreaView::RemovePageEventType()
{
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
}

CSplitAreaView::CSplitAreaView(QWidget* parent) : CBaseAreaView(parent)
{
    backgroundBrush = QBrush(QColor(245, 245, 245));
    setFocusPolicy(Qt::ClickFocus);
    // Register both message types now, not on the first removal.
    RemoveSplitEventType();
    RemovePageEventType();
}

CSplitAreaView::~CSplitAreaView()
{
    EndDrag(true);
    DiscardAllCards();
}

void CSplitAreaView::PostRemoveSplit(SplitSection* section)
{
    QCoreApplication::postEvent(this, new SplitRemoveEvent(RemoveSplitEventType(), section, 0));
}

void CSplitAreaView::PostRemovePage(SplitSection* section, int pageIndex)
{
    QCoreApplication::postEvent(this, new SplitRemoveEvent(RemovePageEventType(), section, pageIndex));
}

bool CSplitAreaView::event(QEvent* event)
{
    if (event->type() == RemoveSplitEventType()) {
        OnRemoveSplit(static_cast<SplitRemoveEvent*>(event)->section);
        return true;
    }
    if (event->type() == RemovePageEventType()) {
        const auto* request = static_cast<SplitRemoveEvent*>(event);
        OnRemovePage(request->section, request->pageIndex);
        return true;
    }
    return CBaseAreaView::event(event);
}

void CSplitAreaView::OnRemoveSplit(SplitSection* section)
{
    // The section may have gone since the request was posted.
    CParceloApp* app = CParceloApp::Instance();
    if (!app || !app->HasSection(section))
        return;
    app->RemoveSection(section);
}

void CSplitAreaView::OnRemovePage(SplitSection* section, int pageIndex)
{
    CParceloApp* app = CParceloApp::Instance();
    if (!app || !app->HasSection(section))
        return;
    if (pageIndex < 0 || std::size_t(pageIndex) >= section->pages.size())
        return;
    PageList pages = section->pages;
    pages.erase(pages.begin() + pageIndex);
    app->SetSectionPages(section, pages);
}

SplitSectionDisplay* CSplitAreaView::CardFor(const SplitSection* section) const
{
    return static_cast<SplitSectionDisplay*>(FindBox(section));
}

bool CSplitAreaView::HoldsCard(const SplitSectionDisplay* card) const
{
    return card && std::any_of(boxes.begin(), boxes.end(), [card](const auto& b) { return b.get() == card; });
}

void CSplitAreaView::DiscardAllCards()
{
    while (!boxes.empty())
        RemoveBox(boxes.back()->key);
}

void CSplitAreaView::Notify(std::uint32_t code, std::uintptr_t payload)
{
    switch (code) {
    case EVENT_DOCUMENT_OPENED:
    case EVENT_DOCUMENT_CLOSED:
        EndDrag(true);
        DiscardAllCards();
        RecalcLayout();
        viewport()->update();
        break;
    case EVENT_SECTION_ADDED: {
        auto* section = reinterpret_cast<SplitSection*>(payload);
        if (!section || CardFor(section))
            break;
        AddBox(std::make_unique<SplitSectionDisplay>(this, section));
        RelayoutAndRepaint();
        break;
    }
    case EVENT_SECTION_REMOVED: {
        // A drag may point into any card; it ends before a card goes.
        EndDrag(true);
        RemoveBox(reinterpret_cast<const SplitSection*>(payload));
        break;
    }
    case EVENT_SECTION_PAGES_CHANGED: {
        SplitSectionDisplay* card = CardFor(reinterpret_cast<const SplitSection*>(payload));
        if (!card)
            break;
        // The card's thumbnails are rebuilt: a drag that starts from or
        // points into it would act on entries that no longer exist.
        if (dragging && (card == dragSourceCard || card == dropTargetCard))
            EndDrag(true);
        card->OnEvent(code, 0);
        if (card->expanded)
            RelayoutAndRepaint();
        break;
    }
    case EVENT_SECTION_NAME_CHANGED:
        if (SplitSectionDisplay* card = CardFor(reinterpret_cast<const SplitSection*>(payload)))
            card->OnEvent(code, 0);
        break;
    case EVENT_FRAME_DEACTIVATED:
        EndDrag(true);
        break;
    case EVENT_PAGE_SIZE_CHANGED: {
        bool anyExpanded = false;
        for (const auto& box : boxes) {
            box->OnEvent(code, payload);
            anyExpanded = anyExpanded || static_cast<SplitSectionDisplay*>(box.get())->expanded;
        }
        if (anyExpanded)
            RelayoutAndRepaint();
        break;
    }
    case EVENT_PAGE_IMAGE_READY:
        for (const auto& box : boxes)
            box->OnEvent(code, payload);
        break;
    case EVENT_PAGE_DRAG_STARTED:
        if (!boxes.empty() && payload)
            StartDragFromInputArea(*reinterpret_cast<const PageDragInfo*>(payload));
        break;
    default:
        break;
    }
}

void CSplitAreaView::AdjustClientRect(QRect& rect)
{
    rect.adjust(3, 3, -3, -3);
}

int CSplitAreaView::ArrangeBoxes(const QRect& rect)
{
    const QRect area = rect.translated(0, scrollPos);
    int y = rect.top();
    int bottom = rect.top();
    for (const auto& box : boxes) {
        bottom = static_cast<SplitSectionDisplay*>(box.get())->LayoutCard(area, y);
        y = bottom + 6;
    }
    return bottom;
}

void CSplitAreaView::Draw(QPainter& painter, const QRect& updateRect)
{
    if (!boxes.empty()) {
        painter.setFont(ArialFont(viewport(), 9, QFont::Normal));
        painter.setPen(Qt::black);
        CBaseAreaView::Draw(painter, updateRect);
        return;
    }
    const CParceloApp* app = CParceloApp::Instance();
    if (!app || !app->Document())
        return;
    const QRect client = viewport()->rect();
    painter.save();
    painter.setPen(QColor(105, 105, 105));
    const int mid = (client.top() + BottomOf(client)) / 2;
    painter.setFont(ArialFont(viewport(), 14, QFont::Bold));
    painter.drawText(RectFromEdges(client.left(), client.top(), RightOf(client), mid - 2),
                     Qt::AlignHCenter | Qt::AlignBottom | Qt::TextSingleLine, LoadResString(213));
    const QFont normal = ArialFont(viewport(), 12, QFont::Normal);
    painter.setFont(normal);
    const int lineHeight = QFontMetrics(normal).height();
    int top = mid + 2;
    for (const int id : {214, 215, 216}) {
        painter.drawText(RectFromEdges(client.left(), top, RightOf(client), BottomOf(client)),
                         Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, LoadResString(id));
        top += lineHeight;
    }
    painter.restore();
}

void CSplitAreaView::OnLButtonUp(const QPoint& client, Qt::KeyboardModifiers modifiers)
{
    // The drop (or the end of a drag) first; the invitation's command after,
    // so no drag is left running under a modal sheet.
    m_dropModifiers = modifiers;
    CBaseAreaView::OnLButtonUp(client, modifiers);
    m_dropModifiers.reset();
    CParceloApp* app = CParceloApp::Instance();
    if (app && app->Sections().empty())
        PostFrameCommand(app->Document() ? ID_NEW_SPLIT_SECTION : ID_FILE_OPEN);
}

bool CSplitAreaView::HasContent()
{
    return std::any_of(boxes.begin(), boxes.end(),
                       [](const auto& b) { return static_cast<SplitSectionDisplay*>(b.get())->expanded; });
}

bool CSplitAreaView::IsDragScreenWide()
{
    return true;
}

CSplitAreaView::CardHit CSplitAreaView::FindCardAt(const QPoint& point, bool includeCardArea) const
{
    for (const auto& box : boxes) {
        auto* card = static_cast<SplitSectionDisplay*>(box.get());
        if (card->expanded) {
            if (const int n = card->ThumbnailAt(point, false))
                return {card, card->thumbnails[std::size_t(n - 1)]->pageNumber};
        }
        if (includeCardArea && card->CardRect().contains(point))
            return {card, 0};
    }
    return {};
}

bool CSplitAreaView::CanStartDrag(int x, int y)
{
    const QPoint point(x, y);
    const CardHit hit = FindCardAt(point, false);
    if (!hit.card || hit.page == 0)
        return false;
    const std::optional<CardDragImage> image = hit.card->DragImageAt(point);
    if (!image) {
        dragSourceCard = nullptr;
        dragPageNumber = 0;
        return false;
    }
    dragSourceCard = hit.card;
    dragPageNumber = hit.page;
    // The dragged entry is the card's highlighted one: a move takes exactly
    // this entry out, whatever the pointer hovered before the press.
    hit.card->SetHotPage(hit.card->ThumbnailAt(point, false));
    m_copy = false;
    SetDragImage(image->image.isNull() ? nullptr : &image->image, image->width, image->height);
    dragHotspot = QPoint(image->hotspotX, image->hotspotY);
    setFocus(Qt::OtherFocusReason);
    return true;
}

void CSplitAreaView::StartDragFromInputArea(const PageDragInfo& record)
{
    if (dragging)
        EndDrag(true);
    dragSourceCard = nullptr;
    dragPageNumber = record.pageNumber;
    const QPoint client = viewport()->mapFromGlobal(QCursor::pos());
    dragPoint = QPoint(client.x(), client.y() + scrollPos);
    const int w = std::clamp(record.width, 1, kMaxDragImageSide);
    const int h = std::clamp(record.height, 1, kMaxDragImageSide);
    SetDragImage(record.image, w, h);
    dragHotspot = QPoint(std::clamp(record.offsetX, -(w - 1), 0), std::clamp(record.offsetY, -(h - 1), 0));
    m_copy = true;
    setFocus(Qt::OtherFocusReason);
    BeginDrag();
    // The pointer may already be over a card.
    OnDragMoved();
    if (std::optional<QCursor> cursor = GetDragCursor())
        viewport()->setCursor(*cursor);
}

void CSplitAreaView::UpdateDropTarget(bool ctrlHeld)
{
    m_copy = dragSourceCard == nullptr || ctrlHeld;
    SplitSectionDisplay* card = FindCardAt(dragPoint, true).card;
    if (card && !card->UpdateInsertIndex(dragSourceCard, ctrlHeld, dragPoint))
        card = nullptr;
    if (dropTargetCard && dropTargetCard != card && HoldsCard(dropTargetCard))
        dropTargetCard->ClearInsertionMark();
    dropTargetCard = card;
}

void CSplitAreaView::OnDragMoved()
{
    UpdateDropTarget(QGuiApplication::keyboardModifiers().testFlag(Qt::ControlModifier));
}

std::optional<QCursor> CSplitAreaView::GetDragCursor()
{
    if (!dropTargetCard)
        return QCursor(Qt::ForbiddenCursor);
    return CursorResource(m_copy ? 328 : 329);
}

void CSplitAreaView::EndDrag(bool cancelled)
{
    if (!dragging) {
        dragSourceCard = nullptr;
        dragPageNumber = 0;
        dropTargetCard = nullptr;
        return;
    }
    SplitSectionDisplay* target = HoldsCard(dropTargetCard) ? dropTargetCard : nullptr;
    SplitSectionDisplay* source = HoldsCard(dragSourceCard) ? dragSourceCard : nullptr;
    const bool fromInputArea = dragSourceCard == nullptr;
    const int page = dragPageNumber;
    const Qt::KeyboardModifiers modifiers = m_dropModifiers.value_or(QGuiApplication::keyboardModifiers());
    const bool copy = fromInputArea || modifiers.testFlag(Qt::ControlModifier);
    dragSourceCard = nullptr;
    dragPageNumber = 0;
    dropTargetCard = nullptr;
    m_copy = false;

    // Stop the drag itself first, so the session changes below (which lay
    // the cards out again and track the pointer) never see a running drag.
    CBaseAreaView::EndDrag(cancelled);

    if (!cancelled && target && page > 0) {
        const SplitSection* targetSection = target->Section();
        if (copy) {
            target->InsertDroppedPage(page);
        } else if (target == source) {
            target->MoveHotPage();
        } else if (source) {
            // The page leaves its section only once it has arrived in the other.
            const std::size_t before = targetSection ? targetSection->pages.size() : 0;
            target->InsertDroppedPage(page);
            if (targetSection && targetSection->pages.size() > before && HoldsCard(source))
                source->RemoveHotPage();
        }
    }
    if (target && HoldsCard(target))
        target->ClearInsertionMark();
}

void CSplitAreaView::keyPressEvent(QKeyEvent* event)
{
    if (dragging) {
        if (event->key() == Qt::Key_Control) {
            UpdateDropTarget(true);
            if (std::optional<QCursor> cursor = GetDragCursor())
                viewport()->setCursor(*cursor);
            return;
        }
        if (event->key() == Qt::Key_Escape) {
            EndDrag(true);
            return;
        }
    }
    CBaseAreaView::keyPressEvent(event);
}

void CSplitAreaView::keyReleaseEvent(QKeyEvent* event)
{
    if (dragging && event->key() == Qt::Key_Control) {
        UpdateDropTarget(false);
        if (std::optional<QCursor> cursor = GetDragCursor())
            viewport()->setCursor(*cursor);
        return;
    }
    CBaseAreaView::keyReleaseEvent(event);
}
