#pragma once
// The input area: the left-hand area of the main view. With no document it
// invites the user to open one and accepts a single PDF file dropped from a
// file manager; with a document it shows a header (file name, page count)
// above the document card, whose thumbnails can be dragged to the split area.
#include "session/EventNotify.h"
#include "ui/CBaseAreaView.h"

#include <QList>
#include <QUrl>

class InputAreaDocDisplay;
class InputAreaHeader;

class CInputAreaView : public CBaseAreaView, public EventNotify
{
    Q_OBJECT
public:
    explicit CInputAreaView(QWidget* parent = nullptr);
    ~CInputAreaView() override;

    void Notify(std::uint32_t code, std::uintptr_t payload) override;

    void AdjustClientRect(QRect& rect) override;
    void Layout(QRect r) override;
    void Draw(QPainter& painter, const QRect& updateRect) override;
    bool HasContent() override;
    int ArrangeBoxes(const QRect& rect) override;
    void OnContextMenu(const QPoint& screenPos) override;

    // The document card, or null while no document is open.
    InputAreaDocDisplay* DocumentCard() const;
    // Handles the items of a file drop: one file that is not a folder is
    // opened; anything else is refused with a message.
    void OnDropFiles(const QList<QUrl>& urls);
    // Height of the header shown above the cards while a document is open.
    static constexpr int kHeaderHeight = 31;

protected:
    void OnLButtonDown(const QPoint& client, Qt::KeyboardModifiers modifiers) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void RefreshFrame();
    void PlaceHeader();

    InputAreaHeader* m_header = nullptr;
};
