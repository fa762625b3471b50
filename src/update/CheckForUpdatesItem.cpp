#include "update/CheckForUpdatesItem.h"

#include "resources/StringTable.h"
#include "update/DownloadUpdateItem.h"
#include "update/OruCrypt.h"
#include "update/UpdateCheck.h"
#include "work/NewProgress.h"

namespace {

const char kReplyType[] = "application/x-talvane-auto-update-reply";
const char kRequestType[] = "application/x-talvane-auto-update-request";

} // namespace

std::unique_ptr<UpdateInfo> UpdateInfoFromSettings()
{
    auto info = std::make_unique<UpdateInfo>();
    info->fromSettings = true;
    return info;
}

CheckForUpdatesItem::CheckForUpdatesItem(std::shared_ptr<NewProgressInterface> progress)
    : m_progress(std::move(progress)), m_request(QStringLiteral("Talvane/AutoUpdate-2.0"))
{
    m_request.SetMaxBodySize(kMaxUpdateReplyBytes);
}

CheckForUpdatesItem::~CheckForUpdatesItem() = default;

void CheckForUpdatesItem::Cancel()
{
    m_request.Cancel();
}

bool CheckForUpdatesItem::Stopped() const
{
    if (StopRequested())
        return true;
    const std::atomic<bool>* cancel = m_progress ? m_progress->GetCancelFlag() : nullptr;
    return cancel && cancel->load();
}

std::unique_ptr<UpdateInfo> CheckForUpdatesItem::Check()
{
    // A pending download that can never complete is dropped here: offering
    // it again would show version 0.0.0.0 and a Download that does nothing.
    if (!UpdateSettingText(QStringLiteral("InstallerURL")).isEmpty() && !PendingDownloadCanComplete())
        ForgetInstaller();
    if (UpdateSettingNumber(QStringLiteral("InstallerOverride")) != 0)
    {
        // Offered from the settings only when there is something to install:
        // a download that can complete or a verified installer.
        if (PendingDownloadCanComplete() || IsInstallerReady())
            return UpdateInfoFromSettings();
        SetUpdateSetting(QStringLiteral("InstallerOverride"), 0);
    }

    if (m_progress) {
        m_progress->SetRange(0, 4, 0);
        m_progress->SetInfo(LoadResString(3405), -1);
    }
    const QByteArray request = BuildUpdateRequest();
    if (m_progress)
        m_progress->SetPos(1);

    const QByteArray blob = UpdateKeyBlob();
    OruCrypt crypt(reinterpret_cast<const unsigned char*>(blob.constData()), static_cast<std::size_t>(blob.size()));
    QByteArray envelope;
    if (!crypt.Seal(request, envelope))
        return nullptr;
    const QByteArray sealed = ToUpperHex(envelope);

    if (Stopped())
        return nullptr;
    if (m_progress) {
        m_progress->SetInfo(LoadResString(3404), -1);
        m_progress->SetMarquee();
    }
    if (!m_request.PostRequest(QStringLiteral("check-for-update.php"), QLatin1String(kRequestType), sealed,
                               UpdateServerHost()))
        return nullptr;

    if (Stopped())
        return nullptr;
    if (m_progress) {
        m_progress->SetRange(0, 4, 3);
        m_progress->SetInfo(LoadResString(3406), -1);
    }
    // Only a successful answer of the right type is a reply.
    if (m_request.StatusCode() != 200 || m_request.ContentType() != kReplyType)
        return nullptr;

    auto info = std::make_unique<UpdateInfo>();
    if (!ParseUpdateReply(m_request.ResponseBody(), *info))
        return nullptr;
    WriteLastChecked();
    if ((info->status == 0 || info->status == 3) && !UpdateSettingText(QStringLiteral("InstallerURL")).isEmpty())
        info = UpdateInfoFromSettings();
    return info;
}

void CheckForUpdatesItem::Run()
{
    std::unique_ptr<UpdateInfo> result = Check();
    if (m_progress)
        m_progress->Finished(kUpdateCheckFinished, reinterpret_cast<std::intptr_t>(result.release()));
}
