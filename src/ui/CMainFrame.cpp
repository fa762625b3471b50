#include "ui/CMainFrame.h"

#include "ui/Artwork.h"
#include "resources/StringTable.h"
#include "session/CParceloApp.h"
#include "ui/FrameCommands.h"
#include "ui/WindowApp.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QKeySequence>
#include <QShortcut>
#include <utility>

namespace
{
CMainFrame::CommandSink& CommandSinkSlot()
{
    static CMainFrame::CommandSink sink;
    return sink;
}

// The rendered page's event type, registered once per process under the
// name "Parcelo::PageRetrieved".
QEvent::Type PageRetrievedType()
{
    return static_cast<QEvent::Type>(PageRetrievedEventType());
}

class FramePageEvent : public QEvent
{
public:
    FramePageEvent(PDFInstance* doc, int pageNumber)
        : QEvent(PageRetrievedType()), document(doc), page(pageNumber)
    {
    }
    PDFInstance* const document; // not used on arrival: it may be gone by then
    const int page;
};
} // namespace

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent)
{
    setMinimumSize(kMinWidth, kMinHeight);
    setWindowTitle(LoadResString(128));
    setWindowIcon(IconResource(128));
    setFocusPolicy(Qt::StrongFocus);
    const QScreen* screen = QGuiApplication::primaryScreen();
    resize(DefaultFrameSize(screen ? screen->availableGeometry().size() : QSize(kDefaultWidth, kDefaultHeight)));
}

QSize CMainFrame::DefaultFrameSize(const QSize& available)
{
    // Wide enough for every control of the command bar at the metrics of
    // the label font (Arial, or its metric twin Liberation Sans); never
    // larger than the screen, never smaller than the minimum.
    return QSize(kDefaultWidth, kDefaultHeight).boundedTo(available).expandedTo(QSize(kMinWidth, kMinHeight));
}

CMainFrame::~CMainFrame()
{
    if (PDFInstanceManager::Instance().GetCallback() == this)
        PDFInstanceManager::Instance().SetCallback(nullptr);
    // Every section and the document are announced as removed while the
    // views still exist.
    if (CParceloApp* app = CParceloApp::Instance(); app && app->MainWindow() == this)
        app->CloseDocument();
}

bool CMainFrame::Create()
{
    PDFInstanceManager::Instance().SetCallback(this);
    if (!PDFInstanceManager::Instance().MainWindow())
        PDFInstanceManager::Instance().SetMainWindow(this);
    auto* view = new CMainView(this);
    if (!view->Create())
    {
        delete view;
        return false;
    }
    m_view = view;
    m_view->setProperty("controlId", 59648);
    setCentralWidget(m_view);
    CreateAccelerators();
    return true;
}

void CMainFrame::CreateAccelerators()
{
    struct Accel { QKeySequence keys; int command; };
    const Accel accels[] = {{QKeySequence(Qt::CTRL | Qt::Key_O), ID_FILE_OPEN},
                            {QKeySequence(Qt::CTRL | Qt::Key_N), ID_NEW_SPLIT_SECTION},
                            {QKeySequence(Qt::CTRL | Qt::Key_X), ID_EDIT_CLEAR_ALL},
                            {QKeySequence(Qt::CTRL | Qt::Key_S), ID_FILE_SAVE}};
    for (const Accel& a : accels)
    {
        auto* shortcut = new QShortcut(a.keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        const int command = a.command;
        connect(shortcut, &QShortcut::activated, this, [this, command] { PostCommand(this, command); });
    }
}

void CMainFrame::PageRetrieved(PDFInstance* instance, int page)
{
    // Any thread: hand the page to the window thread and return.
    QCoreApplication::postEvent(this, new FramePageEvent(instance, page));
}

void CMainFrame::Notify(std::uint32_t code, std::uintptr_t payload)
{
    if (m_view)
        m_view->Notify(code, payload);
}

bool CMainFrame::RouteCommand(int commandId)
{
    if (m_view && m_view->OnCmdMsg(commandId))
        return true;
    return OnDefaultCommand(commandId);
}

bool CMainFrame::OnDefaultCommand(int commandId)
{
    if (CommandSinkSlot())
        return CommandSinkSlot()(commandId);
    if (CParceloApp* app = CParceloApp::Instance())
        return RunWindowCommand(*app, commandId);
    return false;
}

CMainFrame::CommandSink CMainFrame::SetCommandSink(CommandSink sink)
{
    return std::exchange(CommandSinkSlot(), std::move(sink));
}

bool CMainFrame::event(QEvent* event)
{
    if (event->type() == CommandEventType())
    {
        RouteCommand(static_cast<CommandEvent*>(event)->commandId);
        return true;
    }
    if (event->type() == PageRetrievedType())
    {
        // Only the page number is used.
        Notify(EVENT_PAGE_IMAGE_READY, std::uintptr_t(static_cast<FramePageEvent*>(event)->page));
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        Notify(EVENT_FRAME_DEACTIVATED, 0);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
    {
        if (CParceloApp* app = CParceloApp::Instance(); app && app->MainWindow() == this)
            app->CloseDocument();
    }
}

void CMainFrame::focusInEvent(QFocusEvent* event)
{
    QMainWindow::focusInEvent(event);
    if (m_view)
        m_view->setFocus();
}
