#include "engine/RepairedCopy.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kRunPrefix[] = "run-";
const char kNewPrefix[] = ".new-";
const char kLockName[] = "lock";

// A folder being set up under a temporary name is left alone this long
// before it counts as left behind.
constexpr qint64 kNewFolderGraceSeconds = 24 * 60 * 60;

// This program's run folder and the descriptor holding its lock.
struct RunFolder
{
    std::mutex mutex;
    QString path;
    int lockFd = -1;

    ~RunFolder() { Remove(); }

    void Remove()
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!path.isEmpty())
            QDir(path).removeRecursively();
        path.clear();
        if (lockFd >= 0)
            ::close(lockFd);
        lockFd = -1;
    }
};

RunFolder& Run()
{
    static RunFolder run;
    return run;
}

// Makes the folder (and its parents) and checks that it is a real folder of
// this user, private to it. 0 or the system's error number.
int EnsurePrivateFolder(const QString& path)
{
    if (!QDir().mkpath(path))
        return errno ? errno : EACCES;
    const QByteArray name = QFile::encodeName(path);
    struct stat st{};
    if (::lstat(name.constData(), &st) != 0)
        return errno;
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return EACCES;
    if ((st.st_mode & 0777) != 0700 && ::chmod(name.constData(), 0700) != 0)
        return errno;
    return 0;
}

// Creates this program's run folder with its lock taken; called with the
// run's mutex held. 0 or the system's error number.
int MakeRunFolder(RunFolder& run)
{
    const QString base = RepairedCopiesFolder();
    if (const int error = EnsurePrivateFolder(base))
        return error;
    // Set up under a name the clean-up of other programs does not look at,
    // and renamed once the lock is held, so no program ever sees a run
    // folder whose lock is free while its owner still lives.
    QByteArray pattern = QFile::encodeName(QDir(base).filePath(QString::fromLatin1(kNewPrefix) + "XXXXXX"));
    if (!::mkdtemp(pattern.data()))
        return errno;
    const QString made = QFile::decodeName(pattern);
    const QByteArray lockName = QFile::encodeName(QDir(made).filePath(QString::fromLatin1(kLockName)));
    const int fd = ::open(lockName.constData(), O_CREAT | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        QDir(made).removeRecursively();
        return error ? error : EACCES;
    }
    const QString suffix = QFileInfo(made).fileName().mid(static_cast<int>(sizeof kNewPrefix) - 1);
    const QString final = QDir(base).filePath(QString::fromLatin1(kRunPrefix) + suffix);
    if (::rename(pattern.constData(), QFile::encodeName(final).constData()) != 0) {
        const int error = errno;
        ::close(fd);
        QDir(made).removeRecursively();
        return error;
    }
    run.path = final;
    run.lockFd = fd;
    return 0;
}

} // namespace

QString RepairedCopiesFolder()
{
    const QString configured = qEnvironmentVariable("PARCELO_REPAIR_DIR");
    if (!configured.isEmpty())
        return QDir::cleanPath(QDir(configured).absolutePath());
    QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty())
        cache = QDir(QDir::tempPath()).filePath(QStringLiteral("parcelo-%1").arg(::geteuid()));
    return QDir(cache).filePath(QStringLiteral("parcelo/repaired"));
}

std::unique_ptr<RepairedCopy> RepairedCopy::Create(int* systemError)
{
    if (systemError)
        *systemError = 0;
    RunFolder& run = Run();
    std::lock_guard<std::mutex> lock(run.mutex);
    // A run folder that is gone, or that is no longer in the folder of
    // copies (its location was changed), is replaced by a new one.
    if (run.path.isEmpty() || !QFileInfo(run.path).isDir() ||
        QFileInfo(run.path).absolutePath() != RepairedCopiesFolder()) {
        if (run.lockFd >= 0)
            ::close(run.lockFd);
        run.path.clear();
        run.lockFd = -1;
        if (const int error = MakeRunFolder(run)) {
            if (systemError)
                *systemError = error;
            return nullptr;
        }
    }
    // mkstemps creates the file with mode 0600.
    QByteArray pattern = QFile::encodeName(QDir(run.path).filePath(QStringLiteral("copy-XXXXXX.pdf")));
    const int fd = ::mkstemps(pattern.data(), 4);
    if (fd < 0) {
        if (systemError)
            *systemError = errno;
        return nullptr;
    }
    ::close(fd);
    return std::unique_ptr<RepairedCopy>(new RepairedCopy(QFile::decodeName(pattern)));
}

RepairedCopy::~RepairedCopy()
{
    ::unlink(QFile::encodeName(m_path).constData());
}

void RemoveStaleRepairedCopies()
{
    const QDir base(RepairedCopiesFolder());
    if (!base.exists())
        return;
    const QFileInfoList entries =
        base.entryInfoList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    for (const QFileInfo& entry : entries) {
        const QString name = entry.fileName();
        if (name.startsWith(QLatin1String(kNewPrefix))) {
            // Left by a program that ended while setting its folder up.
            const QDateTime changed = entry.lastModified();
            if (changed.isValid() && changed.secsTo(QDateTime::currentDateTime()) > kNewFolderGraceSeconds)
                QDir(entry.absoluteFilePath()).removeRecursively();
            continue;
        }
        if (!name.startsWith(QLatin1String(kRunPrefix)))
            continue;
        const QByteArray lockName = QFile::encodeName(QDir(entry.absoluteFilePath()).filePath(QString::fromLatin1(kLockName)));
        const int fd = ::open(lockName.constData(), O_RDWR | O_CLOEXEC);
        if (fd < 0) {
            // A run folder always has its lock; without it the folder is
            // a remnant of an earlier clean-up.
            if (errno == ENOENT)
                QDir(entry.absoluteFilePath()).removeRecursively();
            continue;
        }
        // A lock that can be taken belongs to a program that has ended;
        // the lock is held while its folder goes.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            QDir(entry.absoluteFilePath()).removeRecursively();
        ::close(fd);
    }
}

void RemoveRepairedCopies()
{
    Run().Remove();
}
