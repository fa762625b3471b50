#pragma once
// Download and installation of an accepted update. The installer package is
// downloaded resumably into "<app data>/Talvane/<product>-Installer.deb.part";
// the state of the download lives in the "AutoUpdate" settings. A complete
// package is renamed (without ".part"), its signature is checked, and the
// verified Debian package is handed, as a copy in a private folder, to the
// installer command (the desktop's package installer by default).
#include "update/InstallerSignature.h"
#include "update/OruInternetRequestSync.h"
#include "work/WorkThread.h"

#include <QFile>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

class NewProgressInterface;
struct UpdateInfo;

constexpr int kUpdateDownloadFinished = 13;

class DownloadUpdateItem : public WorkItem, public OruInternetFilter
{
public:
    DownloadUpdateItem(QString productName, std::shared_ptr<NewProgressInterface> progress);
    ~DownloadUpdateItem() override;

    void Run() override;
    // Any thread: ends a blocked transfer.
    void Cancel() override;

    // OruInternetFilter (worker thread).
    bool OnStatus(long status) override;
    bool OnContentType(const std::string&) override { return true; }
    void OnProgress(std::uint64_t, std::uint64_t) override {}
    bool WantsStream() override { return true; }
    bool OnData(const char* block, std::size_t length) override;
    void OnHeaders(std::uint64_t rangeStart, std::uint64_t length) override;

    // Largest package accepted (kMaxInstallerPackageBytes by default): a
    // larger announced size ends the attempt, and a body of unknown length
    // stops there.
    void SetMaxPackageSize(std::uint64_t bytes) { m_maxSize = bytes; }

private:
    bool DownloadInstaller(const QString& partialPath, bool& complete);
    bool Stopped() const;
    bool ReopenEmpty();

    QString m_product;
    std::shared_ptr<NewProgressInterface> m_progress;
    OruInternetRequestSync m_request;
    QFile m_file;
    std::uint64_t m_expected = 0;
    std::uint64_t m_offset = 0;
    std::uint64_t m_maxSize = static_cast<std::uint64_t>(kMaxInstallerPackageBytes);
    bool m_restart = false;
    bool m_writeFailed = false;
};

// The folder that stands for the user's roaming application data folder.
QString UpdateAppDataFolder();
// "<app data>/Talvane/<product>-Installer.deb.part" and the same without ".part".
QString PartialInstallerPath(const QString& productName);
QString CompleteInstallerPath(const QString& productName);

// Window thread, when a new offer is accepted: remembers it and sets up the
// pending download (an identical pending one is kept to resume).
void PrepareDownload(const UpdateInfo& info, const QString& productName);
// Drops the pending download and its file.
void ForgetInstaller();
// Whether an address from the update service is one the download fetches:
// a well-formed http or https address, the scheme in lower case.
bool IsFetchableInstallerAddress(const QString& address);
// Whether the pending download ("InstallerURL", "InstallerFile") can ever
// complete; false when nothing is pending.
bool PendingDownloadCanComplete();
// The If-Range value of a resumed request: the entity tag when it is a
// strong one, else the Last-Modified date; empty when there is neither.
QString IfRangeValidator(const QString& etag, const QString& lastModified);
// "InstallerReady" set, "InstallerFile" named and its signature genuine.
bool IsInstallerReady();
// Whether a package file carries the maker's valid signature.
bool VerifyInstallerSignature(const QString& file);
// Reads and verifies the package once, checks that the verified bytes are a
// Debian package, writes exactly those bytes into a new private folder
// (mode 0700) of the temporary folder and starts the installer command on
// that file (an argument list, no shell). The folders earlier starts left
// are removed first; once the installer has started, "InstallerOverride" is
// cleared. An empty file means "InstallerFile".
bool RunInstaller(const QString& file);
// The installer command for a package file: the program and its arguments,
// the package last. PARCELO_INSTALLER_COMMAND (a program with leading
// arguments) when set, else "xdg-open", which hands the package to the
// desktop's package installer. Empty when the command cannot be read.
QStringList InstallerCommandLine(const QString& package);
// The locale id of the chosen user-interface language ("Options"/"UILanguage").
int UiLanguageLocale();
// Its index: 0 (the default language) to 6.
int UiLanguageIndex();
