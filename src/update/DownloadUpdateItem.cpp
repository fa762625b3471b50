#include "update/DownloadUpdateItem.h"

#include "resources/StringTable.h"
#include "session/Translations.h"
#include "support/PathHelpers.h"
#include "support/TempFolder.h"
#include "update/DebianPackage.h"
#include "update/InstallerSignature.h"
#include "update/UpdateCheck.h"
#include "update/UpdateData.h"
#include "work/NewProgress.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <filesystem>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QString Key(const char* name)
{
    return QString::fromLatin1(name);
}

// Name prefix of the private folders the installer is started from.
constexpr char kInstallerCopyPrefix[] = "parcelo-installer-";

void SyncToDisk(QFile& file)
{
    file.flush();
    if (file.handle() >= 0)
        ::fsync(file.handle());
}

// Removes the private folders earlier installer starts left in the
// temporary folder: only folders of this name that belong to this user,
// never through a link.
void RemoveInstallerCopies(const QString& tempFolder)
{
    const QFileInfoList entries =
        QDir(tempFolder).entryInfoList({QLatin1String(kInstallerCopyPrefix) + QLatin1Char('*')},
                                       QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    for (const QFileInfo& entry : entries) {
        struct stat st {};
        if (::lstat(QFile::encodeName(entry.absoluteFilePath()).constData(), &st) != 0 || !S_ISDIR(st.st_mode) ||
            st.st_uid != ::geteuid())
            continue;
        QDir(entry.absoluteFilePath()).removeRecursively();
    }
}

} // namespace

QString IfRangeValidator(const QString& etag, const QString& lastModified)
{
    // A weak entity tag (W/"...") never matches in If-Range, so a server
    // would send the whole file every time; only a strong one (a quoted
    // string) is used, else the date.
    const QString tag = etag.trimmed();
    if (tag.size() >= 2 && tag.startsWith(QLatin1Char('"')) && tag.endsWith(QLatin1Char('"')))
        return tag;
    return lastModified.trimmed();
}

bool IsFetchableInstallerAddress(const QString& address)
{
    // Only a well-formed web address is fetched, and over exactly the scheme
    // it names.
    const ParsedUrl url = ParseUrl(address);
    return IsWebAddress(address) && url.valid &&
           (url.scheme == QLatin1String("http") || url.scheme == QLatin1String("https"));
}

bool PendingDownloadCanComplete()
{
    return IsFetchableInstallerAddress(UpdateSettingText(Key("InstallerURL"))) &&
           !UpdateSettingText(Key("InstallerFile")).isEmpty();
}

QString UpdateAppDataFolder()
{
    const QString overridden = qEnvironmentVariable("PARCELO_APPDATA_DIR");
    if (!overridden.isEmpty())
        return overridden;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

QString PartialInstallerPath(const QString& productName)
{
    return JoinPath(JoinPath(UpdateAppDataFolder(), QStringLiteral("Talvane")),
                    productName + QStringLiteral("-Installer.deb.part"));
}

QString CompleteInstallerPath(const QString& productName)
{
    const QString partial = PartialInstallerPath(productName);
    return partial.left(partial.size() - 5);
}

DownloadUpdateItem::DownloadUpdateItem(QString productName, std::shared_ptr<NewProgressInterface> progress)
    : m_product(std::move(productName)), m_progress(std::move(progress)),
      m_request(QStringLiteral("Talvane/AutoUpdate-2.0"))
{
    m_request.SetFilter(this);
}

DownloadUpdateItem::~DownloadUpdateItem() = default;

void DownloadUpdateItem::Cancel()
{
    m_request.Cancel();
}

bool DownloadUpdateItem::Stopped() const
{
    if (StopRequested())
        return true;
    const std::atomic<bool>* cancel = m_progress ? m_progress->GetCancelFlag() : nullptr;
    return cancel && cancel->load();
}

void DownloadUpdateItem::Run()
{
    if (m_progress) {
        m_progress->SetRange(0, 10, 0);
        m_progress->SetInfo(LoadResString(3407), -1);
    }
    bool complete = false;
    const QString address = UpdateSettingText(Key("InstallerURL"));
    // A pending download that can never complete (an address that is never
    // fetched, no file to download into) is dropped, so that the next check
    // asks the server afresh instead of offering it forever.
    if (!address.isEmpty() && !PendingDownloadCanComplete())
        ForgetInstaller();
    else if (!address.isEmpty()) {
        const qint64 size = UpdateSettingNumber(Key("InstallerSize"));
        m_expected = size > 0 ? static_cast<std::uint64_t>(size) : 0;
        // The file names are always derived from the product name, never
        // cut from a stored name.
        const QString partial = PartialInstallerPath(m_product);
        if (DownloadInstaller(partial, complete)) {
            SyncToDisk(m_file);
            m_file.close();
            if (complete) {
                const QString finished = CompleteInstallerPath(m_product);
                std::error_code error;
                std::filesystem::rename(std::filesystem::path(partial.toStdString()),
                                        std::filesystem::path(finished.toStdString()), error);
                if (!error) {
                    SetUpdateSetting(Key("InstallerFile"), finished);
                    SetUpdateSetting(Key("InstallerReady"), 1);
                    if (IsInstallerReady()) {
                        SetUpdateSetting(Key("InstallerURL"), QString());
                    } else {
                        // Not genuine: never keep or run it. Fetching the
                        // same address again would give the same file, so
                        // the offer goes too and the next check asks the
                        // server afresh.
                        QFile::remove(finished);
                        ForgetInstaller();
                        SetUpdateSetting(Key("InstallerSize"), 0);
                    }
                } else {
                    complete = false;
                }
            }
        }
        m_file.close();
        if (!complete && m_progress && m_progress->GetCancelFlag() && m_progress->GetCancelFlag()->load())
            ForgetInstaller();
    }
    if (m_progress)
        m_progress->Finished(kUpdateDownloadFinished, 0);
}

bool DownloadUpdateItem::ReopenEmpty()
{
    m_offset = 0;
    return m_file.isOpen() && m_file.resize(0);
}

bool DownloadUpdateItem::DownloadInstaller(const QString& partialPath, bool& complete)
{
    complete = false;
    m_offset = 0;
    m_writeFailed = false;
    m_file.close();
    m_file.setFileName(partialPath);
    if (!EnsureParentDirectory(partialPath) || !m_file.open(QIODevice::Append | QIODevice::Unbuffered))
        return false;
    m_offset = static_cast<std::uint64_t>(m_file.size());
    if (Stopped())
        return false;

    std::string headers;
    if (m_offset != 0) {
        if (m_offset == m_expected) {
            complete = true;
            return true;
        }
        if (m_expected != 0 && m_offset > m_expected) {
            // More than the whole file: it cannot be resumed.
            if (!ReopenEmpty())
                return false;
        } else {
            headers = "Range: bytes=" + std::to_string(m_offset) + "-\r\n";
            const QString validator = IfRangeValidator(UpdateSettingText(Key("InstallerETag")),
                                                       UpdateSettingText(Key("InstallerModified")));
            if (!validator.isEmpty())
                headers += "If-Range: " + validator.toStdString() + "\r\n";
        }
    }

    if (m_progress)
        m_progress->SetInfo(LoadResString(3408), -1);
    const ParsedUrl url = ParseUrl(UpdateSettingText(Key("InstallerURL")));
    m_restart = false;
    bool ok = m_request.ExecuteRequest(headers, {}, url.secure, url.host, url.path, QStringLiteral("GET"));
    if (!ok && m_restart && !headers.empty() && !Stopped()) {
        // The server's file changed, or it answered from another offset:
        // fetch the whole file again.
        m_expected = 0;
        if (!ReopenEmpty())
            return false;
        m_restart = false;
        ok = m_request.ExecuteRequest({}, {}, url.secure, url.host, url.path, QStringLiteral("GET"));
    }
    if (ok && m_expected == 0 && m_offset != 0) {
        // No length was announced; the body was read to its end.
        m_expected = m_offset;
        SetUpdateSetting(Key("InstallerSize"), static_cast<qlonglong>(m_expected));
    }
    complete = ok && m_expected != 0 && m_offset == m_expected;
    return true;
}

bool DownloadUpdateItem::OnStatus(long status)
{
    if (status == 200) {
        // The whole file is coming: start the partial file over.
        if (!ReopenEmpty()) {
            m_writeFailed = true;
            return false;
        }
        return true;
    }
    return status == 206;
}

void DownloadUpdateItem::OnHeaders(std::uint64_t rangeStart, std::uint64_t length)
{
    if (rangeStart + length > m_maxSize || rangeStart + length < rangeStart) {
        // Larger than any package the program would verify.
        m_request.AbortCurrent();
        return;
    }
    // A partial answer to a resumed request is checked against the offset
    // even when it claims to start at 0 or its range could not be read.
    const bool resumedAnswer = rangeStart != 0 || (m_request.StatusCode() == 206 && m_offset != 0);
    if (resumedAnswer) {
        const QString etag = m_request.QueryHeaderText("ETag");
        const QString modified = m_request.QueryHeaderText("Last-Modified");
        const bool changed = etag != UpdateSettingText(Key("InstallerETag")) ||
                             modified != UpdateSettingText(Key("InstallerModified"));
        const bool misplaced = rangeStart != m_offset;
        const bool wrongSize = m_expected != 0 && rangeStart + length != m_expected;
        if (changed || misplaced || wrongSize) {
            m_restart = true;
            m_request.AbortCurrent();
            return;
        }
    } else {
        if (m_offset != 0 && !ReopenEmpty()) {
            m_writeFailed = true;
            m_request.AbortCurrent();
            return;
        }
        if (m_expected != 0 ? length != m_expected : length != 0) {
            m_expected = length;
            SetUpdateSetting(Key("InstallerSize"), static_cast<qlonglong>(m_expected));
        }
        m_offset = 0;
        SetUpdateSetting(Key("InstallerETag"), m_request.QueryHeaderText("ETag"));
        SetUpdateSetting(Key("InstallerModified"), m_request.QueryHeaderText("Last-Modified"));
    }
    if (m_progress) {
        if (m_expected != 0)
            m_progress->SetRange(0, static_cast<qint64>(m_expected / 1024), static_cast<qint64>(m_offset / 1024));
        else
            m_progress->SetMarquee();
        m_progress->SetInfo(LoadResString(3409), -1);
    }
}

bool DownloadUpdateItem::OnData(const char* block, std::size_t length)
{
    // Never past the announced size, nor past the largest package when no
    // size was announced.
    const std::uint64_t limit = m_expected != 0 ? m_expected : m_maxSize;
    if (m_offset + length > limit)
        return false;
    if (m_file.write(block, static_cast<qint64>(length)) != static_cast<qint64>(length)) {
        m_writeFailed = true;
        return false;
    }
    m_offset += length;
    if (m_progress && m_expected != 0) {
        const QByteArray format = LoadResString(3410).toUtf8();
        const auto done = static_cast<unsigned>(m_offset / 1024);
        const auto total = static_cast<unsigned>(m_expected / 1024);
        m_progress->SetInfo(QString::asprintf(format.constData(), done, total), static_cast<qint64>(done));
    }
    return !Stopped();
}

void PrepareDownload(const UpdateInfo& info, const QString& productName)
{
    RememberNotified(info);
    const QString version = FormatVersion(info.version, 4);
    const QString partial = PartialInstallerPath(productName);
    const QString file = UpdateSettingText(Key("InstallerFile"));
    if (!file.isEmpty()) {
        if (UpdateSettingText(Key("InstallerVersion")) == version &&
            UpdateSettingText(Key("InstallerURL")) == info.downloadAddress)
            return; // the same download: it resumes
        QFile::remove(file);
    }
    const QFileInfo entry(partial);
    if (entry.exists() && entry.isFile())
        QFile::remove(partial);
    EnsureParentDirectory(partial);

    SetUpdateSetting(Key("InstallerFile"), partial);
    SetUpdateSetting(Key("InstallerURL"), info.downloadAddress);
    SetUpdateSetting(Key("InstallerVersion"), version);
    SetUpdateSetting(Key("InstallerOverride"), 0);
    SetUpdateSetting(Key("InstallerReady"), 0);
    // A new download starts without resume data.
    SetUpdateSetting(Key("InstallerSize"), 0);
    SetUpdateSetting(Key("InstallerETag"), QString());
    SetUpdateSetting(Key("InstallerModified"), QString());
}

void ForgetInstaller()
{
    const QString file = UpdateSettingText(Key("InstallerFile"));
    if (!file.isEmpty())
        QFile::remove(file);
    SetUpdateSetting(Key("InstallerFile"), QString());
    SetUpdateSetting(Key("InstallerURL"), QString());
    SetUpdateSetting(Key("InstallerVersion"), QString());
    SetUpdateSetting(Key("InstallerReady"), 0);
    SetUpdateSetting(Key("InstallerOverride"), 0);
}

bool IsInstallerReady()
{
    if (UpdateSettingNumber(Key("InstallerReady")) == 0)
        return false;
    const QString file = UpdateSettingText(Key("InstallerFile"));
    return !file.isEmpty() && VerifyInstallerSignature(file);
}

bool VerifyInstallerSignature(const QString& file)
{
    return VerifySignedInstallerFile(file);
}

QStringList InstallerCommandLine(const QString& package)
{
    // By default the desktop's handler for Debian packages (a software
    // centre or package installer) is asked to open the package.
    QString command = qEnvironmentVariable("PARCELO_INSTALLER_COMMAND");
    if (command.trimmed().isEmpty())
        command = QStringLiteral("xdg-open");
    QStringList parts = QProcess::splitCommand(command);
    if (parts.isEmpty())
        return {};
    return parts << package;
}

bool RunInstaller(const QString& file)
{
    const QString package = file.isEmpty() ? UpdateSettingText(Key("InstallerFile")) : file;
    if (package.isEmpty())
        return false;
    // Verify the bytes once, in memory, and run exactly those bytes from a
    // folder only this user can reach.
    QByteArray installer;
    if (!VerifySignedInstallerFile(package, &installer))
        return false;
    // Only a Debian package is handed to the package installer; anything
    // else would be opened by whatever program claims its type.
    if (!IsDebianBinaryPackage(installer))
        return false;
    const QString tempFolder = WritableTempFolder();
    if (tempFolder.isEmpty())
        return false;
    // The copy an earlier start left for its installer is no longer needed.
    RemoveInstallerCopies(tempFolder);
    QTemporaryDir folder(JoinPath(tempFolder, QLatin1String(kInstallerCopyPrefix) + QStringLiteral("XXXXXX")));
    if (!folder.isValid())
        return false;
    QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QString name = QFileInfo(package).fileName();
    if (name.endsWith(QLatin1String(".part")))
        name.chop(5);
    if (!name.endsWith(QLatin1String(".deb")))
        name += QStringLiteral(".deb");
    const QString target = QDir(folder.path()).filePath(name);
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly) ||
        !out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        out.write(installer) != installer.size() || !out.flush()) {
        return false; // folder removed with its contents
    }
    out.close();

    QStringList parts = InstallerCommandLine(target);
    if (parts.isEmpty())
        return false;
    const QString program = parts.takeFirst();
    if (!QProcess::startDetached(program, parts))
        return false;
    // The installer reads the file after we quit: keep the folder (the next
    // start removes it).
    folder.setAutoRemove(false);
    // The installer has the package now: later checks ask the server again
    // rather than offer the installed package once more.
    SetUpdateSetting(Key("InstallerOverride"), 0);
    return true;
}

int UiLanguageIndex()
{
    bool ok = false;
    const int value = OptionSetting(QStringLiteral("UILanguage"), 0).toInt(&ok);
    return ok ? UiLanguageIndexOf(value) : 0;
}

int UiLanguageLocale()
{
    switch (UiLanguageIndex()) {
    case 1: return 1046;
    case 2: return 3082;
    case 3: return 1040;
    case 4: return 1036;
    case 5: return 1031;
    case 6: return 1043;
    default: return 1033;
    }
}
