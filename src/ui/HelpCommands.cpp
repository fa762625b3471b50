// The help menu's web pages.
#include "ui/HelpCommands.h"

#include <QDesktopServices>

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

void RunHelpCommand(HelpPage page)
{
    OpenWebAddress(HelpPageAddress(page));
}
