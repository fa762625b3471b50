// The Check for Updates command: the check and the download run on a worker
// under the modal progress dialog, the offer is a dialog, and after the
// installer started the main window is closed so the program ends through its
// normal shut-down.
#include "ui/CheckForUpdates.h"

#include "resources/StringTable.h"
#include "session/SessionUser.h"
#include "ui/CNewProgressDlg.h"
#include "ui/CUpdateNotifyDlg.h"
#include "update/CheckForUpdatesItem.h"
#include "update/DownloadUpdateItem.h"
#include "update/UpdateCheck.h"
#include "update/UpdateData.h"
#include "work/WorkThreadWithProgress.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <utility>

namespace {

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

UpdateQuitHandler SetUpdateQuitHandler(UpdateQuitHandler handler)
{
    return std::exchange(QuitHandler(), std::move(handler));
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
            request.caption = product;
            request.text = LoadResString(249);
            request.icon = Prompt::Information;
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
