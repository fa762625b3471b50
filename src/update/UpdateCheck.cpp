#include "update/UpdateCheck.h"

#include "resources/StringTable.h"
#include "ui/MessageBoxes.h"
#include "update/CUpdateNotifyDlg.h"
#include "update/CheckForUpdatesItem.h"
#include "update/DownloadUpdateItem.h"
#include "update/UpdateData.h"
#include "work/CNewProgressDlg.h"
#include "work/WorkThreadWithProgress.h"

#include <QApplication>
#include <QDesktopServices>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <utility>

namespace {

UpdateUrlOpener& Opener()
{
    static UpdateUrlOpener opener;
    return opener;
}

UpdateQuitHandler& QuitHandler()
{
    static UpdateQuitHandler handler;
    return handler;
}

void QuitProgram(QWidget* owner)
{
    if (QuitHandler()) {
        QuitHandler()(owner);
        return;
    }
    // Closing the main window runs the normal shut-down (document closed,
    // workers stopped). Queued, so it happens after this command returned.
    QWidget* window = owner ? owner->window() : QApplication::activeWindow();
    if (!window)
        return;
    QPointer<QWidget> guarded(window);
    QMetaObject::invokeMethod(
        window,
        [guarded] {
            if (guarded)
                guarded->close();
        },
        Qt::QueuedConnection);
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

UpdateQuitHandler SetUpdateQuitHandler(UpdateQuitHandler handler)
{
    return std::exchange(QuitHandler(), std::move(handler));
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

void CheckForUpdates(QWidget* owner)
{
    const QString product = LoadResString(247);
    // Reports go to the main window; without one, to a private receiver.
    QObject fallbackTarget;
    auto worker = std::make_unique<WorkThreadWithProgress>();
    worker->Start();
    worker->SetWindow(owner ? static_cast<QObject*>(owner) : &fallbackTarget);
    worker->Reset();

    auto progress = std::make_unique<CNewProgressDlg>(owner, worker.get());
    worker->AddItem(new CheckForUpdatesItem(worker->Reporter()));
    progress->exec();

    std::unique_ptr<UpdateInfo> result;
    if (progress->resultCode == kUpdateCheckFinished && progress->resultValue != 0)
        result.reset(reinterpret_cast<UpdateInfo*>(progress->resultValue));
    progress->resultValue = 0;

    std::unique_ptr<CUpdateNotifyDlg> offer;
    bool quit = false;
    [&] {
        if (progress->cancelPressed)
            return;
        if (!result || (result->status == 0 && !result->fromSettings)) {
            MessageRequest request;
            request.owner = owner;
            request.caption = product;
            request.text = LoadResString(249);
            request.icon = QMessageBox::Information;
            ShowMessage(request);
            return;
        }
        offer = std::make_unique<CUpdateNotifyDlg>(result.get(), product, owner);
        if (offer->exec() != QDialog::Accepted) {
            RememberNotified(*result);
            return;
        }
        if (result->status == 3) {
            OpenUpdateAddress(result->downloadAddress);
            RememberNotified(*result);
            return;
        }
        if (!result->fromSettings)
            PrepareDownload(*result, product);
        worker->Reset();
        worker->AddItem(new DownloadUpdateItem(product, worker->Reporter()));
        progress->exec();
        if (!progress->cancelPressed && IsInstallerReady() && RunInstaller(QString()))
            quit = true;
    }();

    result.reset();
    offer.reset();
    progress.reset();
    worker.reset();
    if (quit)
        QuitProgram(owner);
}
