#include "session/BatchInterrupt.h"

#include <QFile>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// The handler uses only calls that are safe in a signal handler: the
// folder's path is kept in a fixed buffer and its entries are read with the
// raw directory call.

enum : int
{
    STAGING_NONE = 0,    // no staging folder
    STAGING_WRITING = 1, // may be removed at any moment
    STAGING_MOVING = 2,  // files are being moved into place; a signal waits
};

char g_stagingPath[PATH_MAX];
std::atomic<int> g_stagingState{STAGING_NONE};
std::atomic<int> g_pendingSignal{0};
constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Removes the plain entries of the staging folder and the folder itself.
void RemoveStagingFolderNow()
{
    for (int round = 0; round < 8; ++round)
    {
        const int dir = ::open(g_stagingPath, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir < 0)
            return;
        alignas(8) char buffer[4096];
        for (;;)
        {
            const long got = ::syscall(SYS_getdents64, dir, buffer, sizeof buffer);
            if (got <= 0)
                break;
            for (long at = 0; at < got;)
            {
                // struct linux_dirent64: inode, offset, record length, type, name.
                unsigned short length = 0;
                std::memcpy(&length, buffer + at + 16, sizeof length);
                const char* name = buffer + at + 19;
                if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0)
                    ::unlinkat(dir, name, 0);
                at += length;
            }
        }
        ::close(dir);
        if (::rmdir(g_stagingPath) == 0 || errno == ENOENT)
            return;
        // A file appeared meanwhile (the writer is still running): once more.
    }
}

void EndBySignal(int signal)
{
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void OnCleanupSignal(int signal)
{
    const int savedErrno = errno;
    if (g_stagingState.load() == STAGING_MOVING)
    {
        g_pendingSignal.store(signal);
        errno = savedErrno;
        return;
    }
    if (g_stagingState.load() == STAGING_WRITING)
        RemoveStagingFolderNow();
    EndBySignal(signal);
}

} // namespace

StagingRegistration::StagingRegistration(QTemporaryDir& folder) : m_folder(folder)
{
    const QByteArray path = QFile::encodeName(folder.path());
    if (path.size() >= static_cast<qsizetype>(sizeof g_stagingPath))
        return;
    std::memcpy(g_stagingPath, path.constData(), static_cast<std::size_t>(path.size()) + 1);
    g_stagingState.store(STAGING_WRITING);
}

StagingRegistration::~StagingRegistration()
{
    Remove();
}

void StagingRegistration::BeginMoving()
{
    if (g_stagingState.load() == STAGING_WRITING)
        g_stagingState.store(STAGING_MOVING);
}

void StagingRegistration::EndMoving()
{
    if (g_stagingState.load() != STAGING_MOVING)
        return;
    g_stagingState.store(STAGING_WRITING);
    if (const int signal = g_pendingSignal.exchange(0))
    {
        RemoveStagingFolderNow();
        EndBySignal(signal);
    }
}

void StagingRegistration::Remove()
{
    m_folder.remove();
    g_stagingState.store(STAGING_NONE);
}


void InstallBatchSignalCleanup()
{
    struct sigaction action {};
    action.sa_handler = OnCleanupSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : kCleanupSignals)
        sigaddset(&action.sa_mask, signal);
    for (const int signal : kCleanupSignals)
    {
        // A signal ignored by the caller (nohup) stays ignored.
        struct sigaction previous {};
        if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
            continue;
        ::sigaction(signal, &action, nullptr);
    }
}

