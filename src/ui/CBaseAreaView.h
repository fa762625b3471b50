#pragma once
// The scrolling, self-drawn area shared by the input area and the split
// area. It owns a vertical stack of cards (BaseDisplayBox), arranges them,
// manages the vertical scroll bar and scroll position, paints the cards in
// content coordinates, tracks the pointer for hover, shows context menus for
// cards, hosts the child controls cards create, and runs page drags with a
// drag image and auto-scroll.
//
// Client coordinates are those of viewport(); a client point (x, y) is the
// content point (x, y + scrollPos).
#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QBrush>
#include <QCursor>
#include <QImage>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class BaseDisplayBox;
class QMenu;
class QPainter;
class DragImageWindow;

class CBaseAreaView : public QAbstractScrollArea
{
    Q_OBJECT
public:
    // Vertical scroll requests (scroll bar, mouse wheel, auto-scroll).
    enum ScrollRequest
    {
        SB_LINEUP = 0,
        SB_LINEDOWN = 1,
        SB_PAGEUP = 2,
        SB_PAGEDOWN = 3,
        SB_THUMBPOSITION = 4,
        SB_THUMBTRACK = 5,
        SB_TOP = 6,
        SB_BOTTOM = 7,
        SB_ENDSCROLL = 8,
    };

    // Id of the auto-scroll timer while a drag runs with a scroll bar shown.
    static constexpr int kAutoScrollTimerId = 103;
    static constexpr int kAutoScrollPeriodMs = 300;
    // First id given to card child controls.
    static constexpr int kFirstChildControlId = 100;
    // Drag images are clamped to this many pixels on each side.
    static constexpr int kMaxDragImageSide = 1024;

    explicit CBaseAreaView(QWidget* parent = nullptr);
    ~CBaseAreaView() override;

    // --- own virtual operations --------------------------------------------
    // Invalidates a content rectangle (shifted up by scrollPos).
    virtual void InvalidateContentRect(const QRect& rect, bool erase);
    // Removes and deletes the first card with that key; its child controls
    // are destroyed first. Relayout and full repaint follow.
    virtual void RemoveBox(const void* key);
    // Arranges the cards in r (client coordinates) and manages the scroll bar.
    virtual void Layout(QRect r);
    // Client rectangle -> AdjustClientRect -> Layout.
    virtual void RecalcLayout();
    // Base: unchanged. Both concrete areas inset it by 3 pixels on every side.
    virtual void AdjustClientRect(QRect& rect);
    // Background brush for a card's child control (none by default).
    virtual std::optional<QBrush> GetChildControlBrush(QWidget* control, BaseDisplayBox* card);
    // Paints the area; updateRect is in client coordinates. Derived areas
    // paint their background or empty state, then call the base, which
    // translates to content coordinates and draws every card.
    virtual void Draw(QPainter& painter, const QRect& updateRect);
    // Scrolls the content by dy pixels (dx is always 0).
    virtual void ScrollBy(int dx, int dy);
    // Re-runs hover tracking at the current cursor position.
    virtual void RefreshHover();
    // Hover tracking and drag starting happen only when true.
    virtual bool HasContent();
    // Asked when the left button goes down at a content point.
    virtual bool CanStartDrag(int x, int y);
    // Starts the drag at dragPoint with the image set by SetDragImage.
    virtual void BeginDrag();
    // Called after dragPoint changed during a drag.
    virtual void OnDragMoved();
    // Stops the drag; the base ignores the argument.
    virtual void EndDrag(bool cancelled);
    virtual std::optional<QCursor> GetDragCursor();
    // Builds the drag image: the image scaled to width x height logical
    // pixels (clamped to 1..kMaxDragImageSide) at the screen's device pixel
    // ratio, white pixels transparent. No image: nothing.
    virtual void SetDragImage(const QImage* image, int width, int height);
    // false: drag image locked to this window (client coordinates);
    // true: drawn over the whole screen (screen coordinates).
    virtual bool IsDragScreenWide();
    // Positions the cards in rect; returns the content height.
    virtual int ArrangeBoxes(const QRect& rect);
    // Context menu at a screen point (the input area replaces it).
    virtual void OnContextMenu(const QPoint& screenPos);
    // A command routed from the main frame (menu, accelerator, context menu).
    // Returns true when the area handled it, which ends the routing.
    virtual bool OnCmdMsg(int commandId);

    // --- used by cards and derived areas -------------------------------------
    // Gives a card's child control an id (100 + index of the first empty
    // entry, or of a new entry at the end).
    int RegisterChildControl(BaseDisplayBox* card);
    // Binds a created control to an id given out by RegisterChildControl, so
    // its commands, text changes, focus loss and tooltips reach the card.
    void AttachChildControl(int controlId, QWidget* control);
    // Disconnects and destroys a child control and frees its id.
    void UnregisterChildControl(QWidget* control);
    // RecalcLayout, then a full repaint.
    void RelayoutAndRepaint();
    // Handles a vertical scroll request; thumbPos is used for the thumb requests.
    void OnVScroll(int request, int thumbPos = 0);
    // Dispatches a command of a child control: code 0 click, 0x200 focus
    // lost, 0x300 text changed. Returns whether the id belonged to a card.
    bool OnChildControlCommand(int controlId, int notificationCode);
    // Control id of a child control (0 when it has none).
    static int ControlIdOf(const QWidget* control);

    // Card access.
    const std::vector<std::unique_ptr<BaseDisplayBox>>& Boxes() const { return boxes; }
    BaseDisplayBox* FindBox(const void* key) const;
    // Appends a card (taking ownership); the caller relayouts.
    void AddBox(std::unique_ptr<BaseDisplayBox> box);

    int ScrollPos() const { return scrollPos; }
    int ContentHeight() const { return contentHeight; }
    int LineStep() const { return lineStep; }
    bool IsDragging() const { return dragging; }
    bool IsScrollBarShown() const { return barShown; }
    bool IsAutoScrollRunning() const { return autoScrollTimer != 0; }
    QPoint DragPoint() const { return dragPoint; }
    // Table of child-control owners (entry i owns control id 100 + i).
    const std::vector<BaseDisplayBox*>& ChildControlOwners() const { return childControlOwners; }
    // Visible content rectangle: adjusted client rectangle shifted by scrollPos.
    QRect VisibleContentRect();
    // The widget the drag image is drawn in (null when none shown).
    QWidget* DragImageWidget() const;

    // The cards' child controls in the order Tab visits them: card by card,
    // each card's in its own order.
    std::vector<QWidget*> TabOrderControls() const;
    // Chains the controls in that order into the window's focus chain (done
    // soon after controls appear; callable at once).
    void ApplyTabOrder();

    // Replaces the way popups are shown (tests answer context menus with it).
    // The handler returns the chosen command id (0 = dismissed).
    using PopupHandler = std::function<int(QMenu* popup, const QPoint& screenPos)>;
    static PopupHandler SetPopupHandler(PopupHandler handler);
    // Shows a popup and returns the chosen action's command id (0 = none).
    static int TrackPopup(QMenu* popup, const QPoint& screenPos);

protected:
    // Qt plumbing mapped onto the operations above.
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Tab from the last control shown (or Shift+Tab from the first) scrolls
    // the next card in and moves on to its controls, so every card's
    // controls can be reached from the keyboard.
    bool focusNextPrevChild(bool next) override;

    // Pointer handlers in client coordinates; derived areas override and call these.
    virtual void OnMouseMove(const QPoint& client, Qt::MouseButtons buttons);
    virtual void OnLButtonDown(const QPoint& client, Qt::KeyboardModifiers modifiers);
    virtual void OnLButtonUp(const QPoint& client, Qt::KeyboardModifiers modifiers);
    // Tooltip request at a client point; returns whether a tip was handled.
    virtual bool OnToolTip(const QPoint& client, const QPoint& screen);

    // The cards, top to bottom.
    std::vector<std::unique_ptr<BaseDisplayBox>> boxes;
    // Entry i is the card owning control id 100 + i (null = free).
    std::vector<BaseDisplayBox*> childControlOwners;
    int scrollPos = 0;
    int contentHeight = 0;
    int lineStep = 0;
    QString tipText;
    bool dragging = false;
    QPoint dragPoint;   // content coordinates
    QPoint dragHotspot; // image top-left minus cursor position
    int autoScrollTimer = 0;
    QBrush backgroundBrush; // Qt::NoBrush: the palette's base colour

private:
    void HideDragImage();
    void ShowDragImageAt(const QPoint& client);
    void DiscardDragImage();
    void SyncScrollBar();
    void AutoScrollTick();
    void ScheduleTabOrder();
    // Scrolls the least needed to show the control whole.
    void ScrollControlIntoView(QWidget* control);
    // The card's context menu for a button, asked for from the keyboard.
    void ShowContextMenuFor(QWidget* control);

    std::vector<QPointer<QWidget>> childControls; // parallel to childControlOwners
    QImage dragImage;                             // the one drag image (ARGB, white transparent)
    std::unique_ptr<DragImageWindow> dragWindow;
    bool dragWindowScreenWide = false;
    bool barShown = false;
    bool syncingBar = false;
    bool tabOrderPending = false;
    QBasicTimer autoScroll;
};
