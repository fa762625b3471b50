#include "ui/CMainView.h"

#include "ui/CBaseAreaView.h"
#include "ui/CCommandsWnd.h"
#include "ui/CInputAreaView.h"
#include "ui/CSplitAreaView.h"

#include <QPainter>
#include <QPaintEvent>
#include <QResizeEvent>
#include <QWheelEvent>

namespace
{
const QColor kBackground(105, 105, 105);
}

CMainView::CMainView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kBackground);
    setPalette(pal);
    setAutoFillBackground(true);
    setCursor(Qt::ArrowCursor);
    setFocusPolicy(Qt::StrongFocus);
}

CMainView::~CMainView()
{
    // Children go in reverse order of creation; clear the typed views first
    // so no event reaches a half-destroyed area.
    m_input = nullptr;
    m_split = nullptr;
}

bool CMainView::Create()
{
    auto* bar = new CCommandsWnd(this);
    if (!bar->Create())
    {
        delete bar;
        return false;
    }
    m_commandBar = bar;
    m_commandBar->setObjectName(QStringLiteral("commandBar"));
    m_commandBar->setProperty("controlId", 1);

    auto* input = new CInputAreaView(this);
    m_input = input;
    m_inputArea = input;
    m_inputArea->setObjectName(QStringLiteral("inputArea"));
    m_inputArea->setProperty("controlId", 2);

    auto* split = new CSplitAreaView(this);
    m_split = split;
    m_splitArea = split;
    m_splitArea->setObjectName(QStringLiteral("splitArea"));
    m_splitArea->setProperty("controlId", 3);
    LayoutChildren();
    m_commandBar->show();
    m_inputArea->show();
    if (m_splitArea)
        m_splitArea->show();
    return true;
}

CCommandsWnd* CMainView::CommandBar() const
{
    return m_commandBar.data();
}

CBaseAreaView* CMainView::InputArea() const
{
    return m_inputArea.data();
}

CBaseAreaView* CMainView::SplitArea() const
{
    return m_splitArea.data();
}

void CMainView::Notify(std::uint32_t code, std::uintptr_t payload)
{
    if (m_commandBar)
        m_commandBar->Notify(code, payload);
    if (m_inputArea && m_input)
        m_input->Notify(code, payload);
    if (m_splitArea && m_split)
        m_split->Notify(code, payload);
}

bool CMainView::OnCmdMsg(int commandId)
{
    if (m_inputArea && m_inputArea->OnCmdMsg(commandId))
        return true;
    if (m_splitArea && m_splitArea->OnCmdMsg(commandId))
        return true;
    return false;
}

void CMainView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayoutChildren();
}

void CMainView::LayoutChildren()
{
    const int cx = width();
    const int cy = height();
    const int areaHeight = std::max(0, cy - kCommandBarHeight);
    if (m_commandBar)
        m_commandBar->setGeometry(0, 0, std::max(0, cx), kCommandBarHeight);
    if (m_inputArea)
        m_inputArea->setGeometry(0, kCommandBarHeight, kInputAreaWidth, areaHeight);
    if (m_splitArea)
        m_splitArea->setGeometry(kSplitAreaLeft, kCommandBarHeight, std::max(0, cx - kSplitAreaLeft), areaHeight);
}

CBaseAreaView* CMainView::AreaAt(const QPoint& viewPos) const
{
    // The deepest child under the point, then up its parents to an area.
    for (QWidget* w = childAt(viewPos); w && w != this; w = w->parentWidget())
        if (auto* area = qobject_cast<CBaseAreaView*>(w))
            return area;
    return nullptr;
}

void CMainView::wheelEvent(QWheelEvent* event)
{
    // Routing follows the pointer, not the focus; one line per wheel message.
    const QPoint viewPos = mapFromGlobal(event->globalPosition().toPoint());
    if (CBaseAreaView* area = AreaAt(viewPos))
    {
        area->OnVScroll(event->angleDelta().y() > 0 ? CBaseAreaView::SB_LINEUP : CBaseAreaView::SB_LINEDOWN);
        event->accept();
        return;
    }
    QWidget::wheelEvent(event);
}

void CMainView::paintEvent(QPaintEvent* event)
{
    // Only the background shows: the gap between the two areas.
    QPainter p(this);
    p.fillRect(event->rect(), kBackground);
}
