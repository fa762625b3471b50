#include "ui/WindowApp.h"

#include "session/CParceloApp.h"
#include "session/CommandIds.h"
#include "ui/Artwork.h"
#include "ui/CMainFrame.h"
#include "ui/CParceloSplashScreen.h"
#include "ui/DialogUser.h"
#include "ui/HelpCommands.h"
#include "ui/NewSplitSheet.h"
#include "ui/CheckForUpdates.h"

#include <QPointer>
#include <QTimer>

#include <memory>

namespace {

std::unique_ptr<DialogUser>& WindowUser()
{
    static std::unique_ptr<DialogUser> user;
    return user;
}

} // namespace

bool StartWindow(CParceloApp& app)
{
    if (!WindowUser())
        WindowUser() = std::make_unique<DialogUser>();
    SetSessionUser(WindowUser().get());

    // Window services: the card button images, the splash, the main frame.
    LoadCardButtonImages();

    ShowSplashScreen(false);
    auto* frame = new CMainFrame();
    if (!frame->Create())
    {
        delete frame;
        CSplashScreen::CloseCurrentSplash(true);
        return false;
    }
    frame->setAttribute(Qt::WA_DeleteOnClose);
    app.SetMainWindow(frame, frame);
    WindowUser()->SetMainWindow(frame);
    frame->show();
    frame->repaint();
    CSplashScreen::StartCloseTimer();
    return true;
}

void OpenDocumentOnceShown(CParceloApp& app, const QString& path)
{
    QObject* window = app.MainWindow();
    QTimer::singleShot(0, window ? window : &app, [&app, path] {
        CSplashScreen::CloseCurrentSplash(true);
        app.OpenDocument(path);
    });
}

void StopWindow()
{
    CSplashScreen::CloseCurrentSplash(true);
    if (WindowUser() && CurrentSessionUser() == WindowUser().get())
        SetSessionUser(nullptr);
}

bool RunWindowCommand(CParceloApp& app, int commandId)
{
    QWidget* window = qobject_cast<QWidget*>(app.MainWindow());
    switch (commandId)
    {
    case ID_NEW_SPLIT_SECTION: RunNewSplitSection(app, window); return true;
    case ID_HELP_ONLINE: RunHelpCommand(HelpPage::OnlineHelp); return true;
    case ID_HELP_WEBSITE: RunHelpCommand(HelpPage::HomePage); return true;
    case ID_HELP_TRY_TABULO: RunHelpCommand(HelpPage::TryTabulo); return true;
    // Modal; returns once the About window has been dismissed.
    case ID_APP_ABOUT: ShowSplashScreen(true); return true;
    // The check runs on its worker under the progress dialog and shows its
    // own results. When it has started the installer it closes the main
    // window, so the normal shut-down runs (document closed, page image
    // worker stopped) instead of the event loop ending under a worker.
    case ID_HELP_CHECK_UPDATES: CheckForUpdates(window); return true;
    default: return app.OnCommand(commandId);
    }
}
