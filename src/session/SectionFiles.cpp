#include "session/SectionFiles.h"

#include "engine/XpdfSplice.h"
#include "resources/StringTable.h"
#include "support/PathHelpers.h"
#include "support/TextHelpers.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace {

QByteArray Native(const QString& path)
{
    return QFile::encodeName(path);
}

// A hidden, randomly named path in the folder that names nothing yet; empty
// (with errno set) when the folder cannot be examined. The splicing layer writes its own
// temporary file and renames it to this path only once it is complete, so
// the name needs no placeholder file of its own.
QString UnusedPathBeside(const QString& folder)
{
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        const QString name = QStringLiteral(".parcelo-%1.tmp")
                                 .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
        const QString path = JoinPath(folder, name, false);
        struct stat st {};
        if (::lstat(Native(path).constData(), &st) != 0)
            return errno == ENOENT ? path : QString();
    }
    errno = EEXIST;
    return QString();
}

// Asks the system to start writing a finished file to the disk now, without
// waiting, so that its data is on the way while the next file is made.
void StartWriteback(const QString& path)
{
    const int fd = ::open(Native(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
#ifdef SYNC_FILE_RANGE_WRITE
    ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
    ::close(fd);
}

// Waits until the data of a finished file has been written out, without the
// cost of a cache flush per file. False, with errno set, when the system
// reports a write error for this file (a full disk found only now, a
// failing device).
bool WaitWritten(const QString& path)
{
    const int fd = ::open(Native(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool written = true;
#ifdef SYNC_FILE_RANGE_WRITE
    written = ::sync_file_range(fd, 0, 0,
                                SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER) == 0 ||
              errno == ENOSYS || errno == ESPIPE;
#endif
    const int writeError = errno;
    const bool closed = ::close(fd) == 0;
    if (!written)
        errno = writeError;
    return closed && written;
}

WrittenOutCheck& CurrentWrittenOutCheck()
{
    static WrittenOutCheck check;
    return check;
}

bool WrittenOut(const QString& path)
{
    if (const auto& check = CurrentWrittenOutCheck())
        return check(path);
    return WaitWritten(path);
}

// Waits until the file's data and the size needed to read it are on the
// disk. False, with errno set, on a write error the system could report
// only now.
bool WaitDurable(const QString& path)
{
    const int fd = ::open(Native(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fdatasync(fd) == 0;
    const int syncError = errno;
    const bool closed = ::close(fd) == 0;
    if (!synced)
        errno = syncError;
    return closed && synced;
}

// Makes everything written to the folder's file system durable at once: one
// journal commit and one flush of the disk's cache for all files, where
// syncing each file would pay for both every time. False when the system
// reports an error or cannot do it.
bool SyncFileSystem(const QString& folder)
{
    const int fd = ::open(Native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::syncfs(fd) == 0;
    ::close(fd);
    return synced;
}

// Makes the renames in the folder durable. Some file systems cannot sync a
// folder; the files themselves are durable already, so that is no failure.
void SyncFolder(const QString& folder)
{
    const int fd = ::open(Native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

// Writes one file's pages into a new temporary file beside the target.
// Returns 0 with the temporary path, else the number of the message, with
// the system's or the engine's reason in `reason` when there is one.
int WriteTemporary(XpdfSpliceInput input, const PlannedFile& file, const QString& folder,
                   const std::optional<OutputProtection>& protection, QString& temp, QString& reason)
{
    reason.clear();
    temp = UnusedPathBeside(folder);
    if (temp.isEmpty())
    {
        reason = SystemErrorText(errno);
        return 228;
    }
    XpdfSpliceOutput output = xpdfSpliceOpenOutputW(temp, 1.6);
    if (!output)
    {
        reason = xpdfSpliceLastError();
        temp.clear();
        return 228;
    }
    bool ok = true;
    if (protection && protection->IsProtected())
    {
        const QByteArray owner = protection->ownerPassword.toUtf8();
        const QByteArray user = protection->userPassword.toUtf8();
        ok = xpdfSpliceSetEncryption(output, 2, owner.constData(), user.constData(),
                                     static_cast<int>(protection->permissions)) != 0;
    }
    for (std::size_t i = 0; ok && i < file.pages.size(); ++i)
        ok = xpdfSpliceAddPage(input, file.pages[i], output) != 0;
    if (!ok)
        reason = xpdfSpliceLastError();
    const bool closed = xpdfSpliceCloseOutput(output) != 0;
    if (ok && !closed)
        reason = xpdfSpliceLastError();
    if (!ok || !closed)
    {
        // The splicing layer removes its own partial file; a complete one
        // whose pages were not all added goes too.
        QFile::remove(temp);
        temp.clear();
        return 229;
    }
    return 0;
}

QString StepText(int current, int total)
{
    return QString::asprintf(LoadResString(270).toUtf8().constData(), current, total);
}

} // namespace

WrittenOutCheck SetWrittenOutCheck(WrittenOutCheck check)
{
    return std::exchange(CurrentWrittenOutCheck(), std::move(check));
}

SectionFilesResult WriteSectionFiles(const SectionFilesRequest& request, LongWorkProgress& progress)
{
    SectionFilesResult result;
    const int total = static_cast<int>(request.files.size());
    progress.SetRange(total);

    // Temporary files written so far, one per file from the first on; every
    // one still listed when this function ends is removed.
    struct Staged
    {
        std::vector<QString> paths;
        ~Staged()
        {
            for (const QString& path : paths)
            {
                if (!path.isEmpty())
                    QFile::remove(path);
            }
        }
    } staged;

    auto fail = [&](int index, int message, const QString& reason) {
        result.end = SectionFilesResult::End::Failed;
        result.failedIndex = index;
        result.message = message;
        result.failedPath = request.files[static_cast<std::size_t>(index)].path;
        result.reason = reason;
    };

    // Every file is written first, each one's data sent on its way to the
    // disk as soon as it is complete.
    bool stopped = false;
    bool failed = false;
    if (total > 0)
    {
        XpdfSpliceInput input = request.sourcePassword.isEmpty()
            ? xpdfSpliceOpenInputW(request.sourcePath)
            : xpdfSpliceOpenInputWithPasswordW(request.sourcePath, request.sourcePassword.toUtf8().constData());
        if (!input)
        {
            result.end = SectionFilesResult::End::Failed;
            result.message = 227;
            result.failedPath = request.sourcePath;
            result.reason = xpdfSpliceLastError();
            return result;
        }
        for (int i = 0; i < total; ++i)
        {
            if (progress.StopRequested())
            {
                stopped = true;
                break;
            }
            progress.SetStep(StepText(i + 1, total), i);
            QString temp;
            QString reason;
            if (const int message = WriteTemporary(input, request.files[static_cast<std::size_t>(i)], request.folder,
                                                   request.protection, temp, reason))
            {
                fail(i, message, reason);
                failed = true;
                break;
            }
            staged.paths.push_back(temp);
            StartWriteback(temp);
        }
        xpdfSpliceCloseInput(input);
    }

    // Then all of them are made durable together, before any takes its
    // name. A late write error the system reports only now fails its file,
    // and the files after it are not put in place.
    std::size_t durable = 0;
    int lateError = 0;
    for (; durable < staged.paths.size(); ++durable)
    {
        errno = 0;
        if (!WrittenOut(staged.paths[durable]))
        {
            lateError = errno;
            break;
        }
    }
    if (durable > 0 && !SyncFileSystem(request.folder))
    {
        // The file system as a whole could not be synced (or reported an
        // error that may be another program's): each file is synced on its
        // own, which tells whether it is on the disk.
        for (std::size_t i = 0; i < durable; ++i)
        {
            if (!WaitDurable(staged.paths[i]))
            {
                lateError = errno;
                durable = i;
                break;
            }
        }
    }
    if (durable < staged.paths.size())
    {
        fail(static_cast<int>(durable), 229, lateError ? SystemErrorText(lateError) : QString());
        failed = true;
    }

    // Finally each takes its name, in order. A replaced file's access rights
    // stay with the name.
    for (std::size_t i = 0; i < durable; ++i)
    {
        const QString& target = request.files[i].path;
        const QByteArray temp = Native(staged.paths[i]);
        const QByteArray to = Native(target);
        struct stat old {};
        if (::stat(to.constData(), &old) == 0)
            ::chmod(temp.constData(), old.st_mode & 07777);
        if (::rename(temp.constData(), to.constData()) != 0)
        {
            fail(static_cast<int>(i), 229, SystemErrorText(errno));
            failed = true;
            break;
        }
        staged.paths[i].clear(); // it is the target now
        ++result.written;
    }
    if (result.written > 0)
        SyncFolder(request.folder);

    if (!failed)
        result.end = stopped ? SectionFilesResult::End::Stopped : SectionFilesResult::End::Written;
    return result;
}
