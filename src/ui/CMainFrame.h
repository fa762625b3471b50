#pragma once
// The program's only top-level window. It hosts the main view (command bar,
// input area, split area), receives every session event and hands it to the
// view, receives the page image service's announcements on the worker thread
// and turns them into EVENT_PAGE_IMAGE_READY on the window thread, and routes
// commands through the view and the areas to the application controller.
#include "session/EventNotify.h"
#include "ui/CMainView.h"

#include <QMainWindow>
#include <functional>

#include "engine/PDFInstanceManager.h"

class CMainFrame : public QMainWindow, public PDFInstanceManager::PDFPageCallback, public EventNotify
{
    Q_OBJECT
public:
    static constexpr int kMinWidth = 400;
    static constexpr int kMinHeight = 200;
    // The first size on a screen with room for it.
    static constexpr int kDefaultWidth = 1024;
    static constexpr int kDefaultHeight = 720;
    // The first size on a screen whose free area is `available`.
    static QSize DefaultFrameSize(const QSize& available);

    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Builds the window: registers as the page image callback, sets caption
    // and icons, creates the main view and the accelerators. False when the
    // view (or one of its areas) cannot be created.
    bool Create();

    // PDFInstanceManager::PDFPageCallback: any thread; posts the page to the
    // window thread and returns at once.
    void PageRetrieved(PDFInstance* instance, int page) override;
    // EventNotify: forwards to the main view.
    void Notify(std::uint32_t code, std::uintptr_t payload) override;

    // Routes a command: main view (input area, split area, itself), then the
    // frame's own handling, which reaches the application controller.
    // Returns whether someone handled it.
    bool RouteCommand(int commandId);

    CMainView* MainView() const { return m_view; }

    // Replaces the controller-side handling of commands that no window
    // handled (tests record commands with it). Empty restores the default.
    using CommandSink = std::function<bool(int commandId)>;
    static CommandSink SetCommandSink(CommandSink sink);

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    bool OnDefaultCommand(int commandId);
    void CreateAccelerators();

    CMainView* m_view = nullptr;
    bool m_closedDocument = false;
};
