#include "update/UpdateCheck.h"

#include <QDesktopServices>

#include <utility>

namespace {

UpdateUrlOpener& Opener()
{
    static UpdateUrlOpener opener;
    return opener;
}

} // namespace

QString UpdateServerHost()
{
    const QString host = qEnvironmentVariable("PARCELO_UPDATE_HOST");
    return host.isEmpty() ? QStringLiteral("www.talvane.com") : host;
}

UpdateUrlOpener SetUpdateUrlOpener(UpdateUrlOpener opener)
{
    return std::exchange(Opener(), std::move(opener));
}

bool IsWebAddress(const QString& address)
{
    const QUrl url(address, QUrl::StrictMode);
    if (address.isEmpty() || !url.isValid() || url.isRelative() || url.host().isEmpty())
        return false;
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

bool OpenUpdateAddress(const QString& address)
{
    if (!IsWebAddress(address))
        return false;
    const QUrl url(address, QUrl::StrictMode);
    if (Opener())
        return Opener()(url);
    return QDesktopServices::openUrl(url);
}

