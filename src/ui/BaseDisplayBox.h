#pragma once
// The card interface of the scrolling areas. A card keeps all its rectangles
// in content coordinates (y = 0 at the top of the scrollable content); the
// area converts with its scroll position. Cards are owned and deleted by the
// area they live in.
#include "ui/CNiceMFCButton.h"

#include <QColor>
#include <QLineEdit>
#include <QCursor>
#include <QPointer>
#include <QRect>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

class CBaseAreaView;
class CNiceMFCButton;
class QLineEdit;
class QMenu;
class QPainter;
class QWidget;

class BaseDisplayBox
{
public:
    // key: the session object the card shows (document instance or
    // SplitSection); owner: the area the card lives in.
    BaseDisplayBox(CBaseAreaView* owner, const void* key);
    virtual ~BaseDisplayBox();

    BaseDisplayBox(const BaseDisplayBox&) = delete;
    BaseDisplayBox& operator=(const BaseDisplayBox&) = delete;

    // Creates an image button as a child control of the owner's drawing
    // surface (client coordinates). imageIndex: 0 red cross, 1 right
    // triangle, 2 down triangle. With sizeToContent the button is sized to
    // its image at rect's top-left, else it is moved to rect. tooltipStringId
    // (0 = none) names a string-table text used as the button's own tooltip.
    // The button is registered under a fresh control id (100 + n); the card
    // receives its clicks through OnChildCommand.
    virtual bool CreateButton(QPointer<CNiceMFCButton>& button, const QRect& rect, int imageIndex,
                              const QColor& faceColour, int tooltipStringId, bool sizeToContent);
    // Creates a one-line edit field (sunken frame, default GUI font, text
    // limited to maxChars) at rect; its text changes and focus loss arrive
    // through OnChildTextChanged and OnChildFocusLost.
    virtual bool CreateEdit(QPointer<QLineEdit>& edit, const QRect& rect, const QString& text,
                            int maxChars);

    // The card's child controls in the order Tab visits them (existing ones
    // only). The base has none.
    virtual std::vector<QWidget*> TabOrderControls() const;

    // Paints the card. The painter draws in content coordinates; clip is the
    // content rectangle being repainted; skip everything outside it.
    virtual void Draw(QPainter& painter, const QRect& clip) = 0;

    virtual void OnChildCommand(int controlId);
    virtual void OnChildTextChanged(int controlId);
    virtual void OnChildFocusLost(int controlId);

    // The visible content rectangle after a scroll (and after a layout that
    // moved the scroll position); cards with child controls reposition them.
    virtual void SetVisibleArea(const QRect& visible) = 0;
    // Repaint the part of the card inside rect (content coordinates);
    // usually owner->InvalidateContentRect(rect & cardRect, false).
    virtual void Invalidate(const QRect& rect) = 0;

    // A session event forwarded by the area.
    virtual void OnEvent(std::uint32_t code, std::uintptr_t payload);

    // Tooltip tool under a content point (0 = none) and its text.
    virtual int ToolHitTest(int x, int y, QRect& toolRect);
    virtual QString GetToolTipText(int toolId);
    // Tooltip text for one of the card's child controls that has none of its own.
    virtual QString GetChildToolTipText(QWidget* child);

    // Context menu resource id for a content point (0 = none); the cookie is
    // handed back to PrepareContextMenu and OnContextCommand.
    virtual int ContextMenuAt(int x, int y, std::uintptr_t& cookie);
    virtual void PrepareContextMenu(QMenu* popup, std::uintptr_t cookie);
    virtual void OnContextCommand(int commandId, std::uintptr_t cookie);

    // Is the content point over the card. Called on every pointer move.
    virtual bool HitTest(int x, int y);
    // Called right after HitTest with its result; a cursor returned is shown.
    virtual std::optional<QCursor> SetHover(bool isOver, const QRect& visible);

    const void* key = nullptr;
    CBaseAreaView* owner = nullptr;
};
