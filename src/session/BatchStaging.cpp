#include "session/BatchStaging.h"

#include "session/BatchConsole.h"
#include "session/SaveSplit.h"
#include "session/SplitSection.h"
#include "support/PathHelpers.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Moves a file to a name that must not exist yet. False with errno set.
bool MoveWithoutReplacing(const QByteArray& from, const QByteArray& to)
{
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
#endif
    // Without renameat2: a hard link fails on an existing name.
    if (::link(from.constData(), to.constData()) != 0)
        return false;
    ::unlink(from.constData());
    return true;
}

// A file without any write bit, or one this user may not write.
bool IsReadOnlyFile(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0)
        return false;
    return (st.st_mode & 0222) == 0 || ::access(native.constData(), W_OK) != 0;
}

} // namespace

bool CheckBatchTargets(const std::vector<SplitSection*>& sections, const QString& input, const QString& outDir,
                       bool force, BatchConsole& console, QStringList& names)
{
    if (!CheckSectionFileNames(sections))
        return false;
    const QString inputCanonical = QFileInfo(input).canonicalFilePath();
    QStringList existing;
    for (const SplitSection* section : sections)
    {
        const QString name = CompletedFileName(section->fileName);
        names.append(name);
        const QString target = JoinPath(outDir, name, false);
        const QFileInfo info(target);
        if (!info.exists() && !info.isSymLink())
            continue;
        if (!inputCanonical.isEmpty() && info.canonicalFilePath() == inputCanonical)
        {
            console.Message(FormatMessage(261, target));
            return false;
        }
        // As Save Split: a folder or a file marked read-only (no write bit,
        // which holds for the superuser too) is never replaced.
        if (info.isDir() || (force && !info.isSymLink() && IsReadOnlyFile(target)))
        {
            console.Message(FormatMessage(232, target));
            return false;
        }
        existing.append(target);
    }
    if (!existing.isEmpty() && !force)
    {
        for (const QString& target : existing)
            console.Message(QCoreApplication::translate("BatchSplit", "%1 already exists (use --force to overwrite)").arg(Quoted(target)));
        return false;
    }
    return true;
}

bool MoveBatchFilesIntoPlace(const QString& staging, const QString& outDir, const QStringList& names, bool force,
                             BatchConsole& console)
{
    struct Moved
    {
        QByteArray target;
        QByteArray backup; // the replaced file, kept until the run succeeded
    };
    std::vector<Moved> moved;
    auto rollBack = [&moved] {
        for (auto it = moved.rbegin(); it != moved.rend(); ++it)
        {
            ::unlink(it->target.constData());
            if (!it->backup.isEmpty())
                ::rename(it->backup.constData(), it->target.constData());
        }
    };

    for (qsizetype i = 0; i < names.size(); ++i)
    {
        const QByteArray from = QFile::encodeName(JoinPath(staging, names[i], false));
        const QString targetPath = JoinPath(outDir, names[i], false);
        const QByteArray target = QFile::encodeName(targetPath);
        Moved entry{target, {}};
        if (force)
        {
            const QFileInfo info(targetPath);
            if (info.exists() || info.isSymLink())
            {
                // A replaced file keeps its access rights, as in Save Split.
                struct stat old {};
                if (!info.isSymLink() && ::stat(target.constData(), &old) == 0)
                    ::chmod(from.constData(), old.st_mode & 07777);
                entry.backup = QFile::encodeName(JoinPath(staging, QStringLiteral(".replaced-%1").arg(i), false));
                if (::rename(target.constData(), entry.backup.constData()) != 0)
                {
                    const int error = errno;
                    rollBack();
                    console.Message(QCoreApplication::translate("BatchSplit", "cannot replace %1: %2")
                                          .arg(Quoted(targetPath), QString::fromLocal8Bit(std::strerror(error))));
                    return false;
                }
            }
        }
        if (!MoveWithoutReplacing(from, target))
        {
            const int error = errno;
            if (!entry.backup.isEmpty())
                ::rename(entry.backup.constData(), target.constData());
            rollBack();
            if (error == EEXIST)
                console.Message(QCoreApplication::translate("BatchSplit", "%1 already exists (use --force to overwrite)").arg(Quoted(targetPath)));
            else
                console.Message(QCoreApplication::translate("BatchSplit", "cannot write %1: %2")
                                      .arg(Quoted(targetPath), QString::fromLocal8Bit(std::strerror(error))));
            return false;
        }
        moved.push_back(std::move(entry));
    }
    return true;
}
