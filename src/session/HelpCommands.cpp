// The help and information commands of the application controller: three web
// pages, the About screen and the manual update check.
#include "session/HelpCommands.h"

#include "session/CParceloApp.h"

#include <QDesktopServices>

#include "ui/CParceloSplashScreen.h"
#include "update/UpdateCheck.h"

#include <utility>

namespace {

UrlOpener& CurrentOpener()
{
    static UrlOpener opener;
    return opener;
}

} // namespace

QString HelpPageAddress(HelpPage page)
{
    const char* variable = nullptr;
    const char* fallback = nullptr;
    switch (page)
    {
    case HelpPage::OnlineHelp:
        variable = "PARCELO_HELP_URL";
        fallback = "https://www.talvane.com/parcelo/help/";
        break;
    case HelpPage::HomePage:
        variable = "PARCELO_HOME_URL";
        fallback = "https://www.talvane.com/";
        break;
    case HelpPage::TryTabulo:
        variable = "PARCELO_TABULO_URL";
        fallback = "https://www.talvane.com/tabulo/";
        break;
    }
    const QString value = qEnvironmentVariable(variable);
    return value.isEmpty() ? QString::fromLatin1(fallback) : value;
}

bool OpenWebAddress(const QString& address)
{
    const QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return false;
    if (const UrlOpener& opener = CurrentOpener())
        return opener(url);
    return QDesktopServices::openUrl(url);
}

UrlOpener SetUrlOpener(UrlOpener opener)
{
    return std::exchange(CurrentOpener(), std::move(opener));
}

void CParceloApp::OnHelpOnline()
{
    OpenWebAddress(HelpPageAddress(HelpPage::OnlineHelp));
}

void CParceloApp::OnHelpWebsite()
{
    OpenWebAddress(HelpPageAddress(HelpPage::HomePage));
}

void CParceloApp::OnTryTabulo()
{
    OpenWebAddress(HelpPageAddress(HelpPage::TryTabulo));
}

void CParceloApp::OnAppAbout()
{
    // Modal; returns once the About window has been dismissed.
    ShowSplashScreen(true);
}

void CParceloApp::OnCheckForUpdates()
{
    // The check runs on its worker under the progress dialog and shows its
    // own results. When it has started the installer it closes the main
    // window, so the normal shut-down runs (document closed, page image
    // worker stopped) instead of the event loop ending under a worker.
    CheckForUpdates(MainWindow());
}
