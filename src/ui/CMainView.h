#pragma once
// The main frame's client window: the command bar across the top, the input
// area on the left (fixed width) and the split area on the right, with a
// 4-pixel gap showing the view's dark background. It forwards every session
// event to the three children in that order and routes commands and wheel
// turns to the areas.
#include "session/EventNotify.h"

#include <QPointer>
#include <QWidget>

class CCommandsWnd;
class CBaseAreaView;
class CInputAreaView;
class CSplitAreaView;

class CMainView : public QWidget, public EventNotify
{
    Q_OBJECT
public:
    static constexpr int kCommandBarHeight = 72;
    static constexpr int kInputAreaWidth = 220;
    static constexpr int kSplitAreaLeft = 224;

    explicit CMainView(QWidget* parent = nullptr);
    ~CMainView() override;

    // Creates the command bar, the input area and the split area, in that
    // order. False when one of them cannot be created.
    bool Create();

    // Forwards to the command bar, the input area and the split area, in
    // that order, each only while it exists.
    void Notify(std::uint32_t code, std::uintptr_t payload) override;
    // Offers the command to the input area, then the split area; true when
    // one handled it.
    bool OnCmdMsg(int commandId);

    CCommandsWnd* CommandBar() const;
    CBaseAreaView* InputArea() const;
    CBaseAreaView* SplitArea() const;

    // The area view under a point of this view, or null (gap, command bar,
    // outside everything).
    CBaseAreaView* AreaAt(const QPoint& viewPos) const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void LayoutChildren();

    QPointer<CCommandsWnd> m_commandBar;
    QPointer<CBaseAreaView> m_inputArea;
    QPointer<CBaseAreaView> m_splitArea;
    // Typed views of the same two areas for event fan-out.
    CInputAreaView* m_input = nullptr;
    CSplitAreaView* m_split = nullptr;
};
