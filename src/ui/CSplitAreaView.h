#pragma once
// The split area: the right-hand area of the main view with one card per
// split section, in session order. It is the only place where dragged pages
// are dropped (from the input area, and between or within cards), and it
// carries out the removals the cards post to it. With a document open and
// no section it shows an invitation; a click then starts section creation.
#include "session/EventNotify.h"
#include "ui/CBaseAreaView.h"

#include <QEvent>
#include <optional>

class SplitSectionDisplay;
struct PageDragInfo;
struct SplitSection;

// A removal posted by a card: the section and, for a page, the 0-based
// index of the entry in the section's pages.
class SplitRemoveEvent : public QEvent
{
public:
    SplitRemoveEvent(QEvent::Type type, SplitSection* s, int index) : QEvent(type), section(s), pageIndex(index) {}
    SplitSection* const section;
    const int pageIndex;
};

class CSplitAreaView : public CBaseAreaView, public EventNotify
{
    Q_OBJECT
public:
    explicit CSplitAreaView(QWidget* parent = nullptr);
    ~CSplitAreaView() override;

    // "Parcelo::RemoveSplit" and "Parcelo::RemovePage", registered once each.
    static QEvent::Type RemoveSplitEventType();
    static QEvent::Type RemovePageEventType();

    // Posts a removal to this area; it runs once the caller's handler has returned.
    void PostRemoveSplit(SplitSection* section);
    void PostRemovePage(SplitSection* section, int pageIndex);

    void Notify(std::uint32_t code, std::uintptr_t payload) override;

    void AdjustClientRect(QRect& rect) override;
    void Draw(QPainter& painter, const QRect& updateRect) override;
    bool HasContent() override;
    bool CanStartDrag(int x, int y) override;
    void OnDragMoved() override;
    void EndDrag(bool cancelled) override;
    std::optional<QCursor> GetDragCursor() override;
    bool IsDragScreenWide() override;
    int ArrangeBoxes(const QRect& rect) override;

    struct CardHit
    {
        SplitSectionDisplay* card = nullptr;
        int page = 0; // document page of the thumbnail hit, 0 for the card area
    };
    // The card (and thumbnail page) under a content point.
    CardHit FindCardAt(const QPoint& point, bool includeCardArea) const;
    // Starts the drag of a page pressed in the input area.
    void StartDragFromInputArea(const PageDragInfo& record);

    // The card showing a section, or null.
    SplitSectionDisplay* CardFor(const SplitSection* section) const;
    SplitSectionDisplay* DragSourceCard() const { return dragSourceCard; }
    SplitSectionDisplay* DropTargetCard() const { return dropTargetCard; }
    int DragPageNumber() const { return dragPageNumber; }

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void OnLButtonUp(const QPoint& client, Qt::KeyboardModifiers modifiers) override;

private:
    void OnRemoveSplit(SplitSection* section);
    void OnRemovePage(SplitSection* section, int pageIndex);
    void UpdateDropTarget(bool copy);
    bool HoldsCard(const SplitSectionDisplay* card) const;
    void DiscardAllCards();

    SplitSectionDisplay* dragSourceCard = nullptr; // not owned
    int dragPageNumber = 0;
    SplitSectionDisplay* dropTargetCard = nullptr; // not owned
    bool m_copy = false;                           // the drag currently copies
    std::optional<Qt::KeyboardModifiers> m_dropModifiers;
};
