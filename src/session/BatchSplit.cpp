#include "session/BatchSplit.h"

#include "resources/StringTable.h"
#include "session/CParceloApp.h"
#include "session/OutputProtection.h"
#include "session/PageRangeText.h"
#include "session/SaveSplit.h"
#include "session/SplitBySize.h"
#include "session/SplitSection.h"
#include "support/PathHelpers.h"
#include "session/SessionUser.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <ostream>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* kProgram = "parcelo-split";
constexpr int kOpenPasswordPrompt = 218; // "Enter Password for %s"
constexpr int kCopyPasswordPrompt = 242; // "Enter password for copying permission of file %s"
constexpr std::uint64_t kLargestLimit = 0xFFFFFFFFull; // sizes are 32-bit byte counts

std::string Std(const QString& text)
{
    return text.toStdString();
}

QString Quoted(const QString& text)
{
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

// The numbered text with its "%s" replaced by the value.
QString Format(int id, const QString& value)
{
    QString text = LoadResString(id);
    const qsizetype at = text.indexOf(QLatin1String("%s"));
    if (at >= 0)
        text.replace(at, 2, value);
    return text;
}

// A whole decimal number made of digits only; none on anything else or on
// overflow.
std::optional<std::uint64_t> WholeNumber(const QString& text)
{
    if (text.isEmpty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (const QChar c : text)
    {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        const std::uint64_t digit = static_cast<std::uint64_t>(c.unicode() - '0');
        if (value > (UINT64_MAX - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

// The permission list of --allow. Allowing anything beyond viewing implies
// viewing: a file that needs the password to open is opened with the owner
// password, which allows everything, so restrictions would be meaningless.
// "none" alone therefore means: the password is needed even to open.
bool ParseAllowList(const QString& text, unsigned& allow, QString& error)
{
    allow = 0;
    if (text.trimmed().isEmpty())
    {
        error = QStringLiteral("--allow needs a list such as print,copy (or none)");
        return false;
    }
    for (QString item : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
    {
        item = item.trimmed().toLower();
        if (item.isEmpty() || item == QLatin1String("none"))
            continue;
        if (item == QLatin1String("view"))
            allow |= BATCH_ALLOW_VIEW;
        else if (item == QLatin1String("print"))
            allow |= BATCH_ALLOW_PRINT;
        else if (item == QLatin1String("copy"))
            allow |= BATCH_ALLOW_COPY;
        else if (item == QLatin1String("annotate"))
            allow |= BATCH_ALLOW_ANNOTATE;
        else if (item == QLatin1String("forms"))
            allow |= BATCH_ALLOW_FORMS;
        else
        {
            error = QStringLiteral("unknown permission %1 in --allow (use view, print, copy, annotate, forms or none)")
                        .arg(Quoted(item));
            return false;
        }
    }
    if (allow != 0)
        allow |= BATCH_ALLOW_VIEW;
    return true;
}

bool ParseSize(const QString& text, BatchOptions& options, QString& error)
{
    static const QRegularExpression pattern(QStringLiteral("^([0-9]+)\\s*(K|KB|M|MB)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(text.trimmed());
    const std::optional<std::uint64_t> number = match.hasMatch() ? WholeNumber(match.captured(1)) : std::nullopt;
    if (!number)
    {
        error = QStringLiteral("invalid size %1 for --max-size (use a whole number with K or M, e.g. 500K or 2M)")
                    .arg(Quoted(text));
        return false;
    }
    if (*number == 0)
    {
        error = QStringLiteral("--max-size must be larger than 0");
        return false;
    }
    const bool megabytes = match.captured(2).at(0).toUpper() == QLatin1Char('M');
    const std::uint64_t unit = megabytes ? (1ull << 20) : (1ull << 10);
    if (*number > kLargestLimit / unit)
    {
        error = QStringLiteral("--max-size must be below 4096M");
        return false;
    }
    options.sizeNumber = *number;
    options.sizeInMegabytes = megabytes;
    options.sizeBytes = *number * unit;
    return true;
}

// Messages and the progress line on the error stream. The progress line is
// shown only for work that has already taken a while, and is cleared before
// any message is printed.
class Console
{
public:
    Console(std::ostream& err, bool progress, int delayMs)
        : m_err(err), m_progress(progress), m_delayMs(delayMs)
    {
    }

    void Message(const QString& text)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ClearLine();
        m_err << kProgram << ": " << Std(text) << '\n';
        m_err.flush();
    }

    void Plain(const QString& text)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ClearLine();
        m_err << Std(text) << '\n';
    }

    void StartPhase()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_phase.start();
    }

    void Progress(const QString& text)
    {
        if (!m_progress)
            return;
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_phase.isValid() || m_phase.elapsed() < m_delayMs)
            return;
        m_err << '\r' << Std(text) << "\x1b[K";
        m_err.flush();
        m_lineShown = true;
    }

    void EndProgress()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ClearLine();
        m_phase.invalidate();
    }

    bool ProgressEnabled() const { return m_progress; }

private:
    void ClearLine()
    {
        if (!m_lineShown)
            return;
        m_err << "\r\x1b[K";
        m_err.flush();
        m_lineShown = false;
    }

    std::ostream& m_err;
    const bool m_progress;
    const int m_delayMs;
    std::mutex m_mutex;
    QElapsedTimer m_phase;
    bool m_lineShown = false;
};

// Reports how far the grouping has come while it measures trial files.
class ProgressMeasurer : public PageGroupMeasurer
{
public:
    ProgressMeasurer(PageGroupMeasurer& inner, Console& console, std::size_t total)
        : m_inner(inner), m_console(console), m_total(total)
    {
    }

    std::optional<std::uint64_t> MeasurePages(const PageList& pages, std::size_t n) override
    {
        m_console.Progress(QStringLiteral("Measuring sections: %1 of %2 pages placed")
                               .arg(m_total - std::min(m_total, pages.size()))
                               .arg(m_total));
        return m_inner.MeasurePages(pages, n);
    }

private:
    PageGroupMeasurer& m_inner;
    Console& m_console;
    std::size_t m_total;
};

// Counts the finished files in the staging folder while the sections are
// written (the writer's own temporary files are hidden).
class SaveProgress
{
public:
    SaveProgress(Console& console, QString folder, std::size_t total)
        : m_console(console), m_folder(std::move(folder)), m_total(total)
    {
        if (!m_console.ProgressEnabled())
            return;
        m_thread = std::thread([this] { Run(); });
    }

    ~SaveProgress()
    {
        if (m_thread.joinable())
        {
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_stop = true;
            }
            m_wake.notify_all();
            m_thread.join();
        }
    }

private:
    void Run()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_wake.wait_for(lock, std::chrono::milliseconds(200), [this] { return m_stop; }))
        {
            const auto done = static_cast<std::size_t>(QDir(m_folder).entryList(QDir::Files).size());
            m_console.Progress(QStringLiteral("Writing files: %1 of %2").arg(std::min(done, m_total)).arg(m_total));
        }
    }

    Console& m_console;
    QString m_folder;
    std::size_t m_total;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::thread m_thread;
};

// The first line of a password file, without its line end. Only that line
// is read, so a pipe or a large file is not read to its end.
bool ReadPasswordFile(const QString& path, QString& password, QString& error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
    {
        error = QStringLiteral("cannot read password file %1: %2").arg(Quoted(path), file.errorString());
        return false;
    }
    constexpr qint64 kLongestLine = 4096;
    // Reads at most kLongestLine + 1 bytes (the buffer keeps room for the
    // terminating zero), enough to tell an overlong line.
    QByteArray line(kLongestLine + 2, '\0');
    const qint64 got = file.readLine(line.data(), line.size());
    if (got < 0 && file.error() != QFileDevice::NoError)
    {
        error = QStringLiteral("cannot read password file %1: %2").arg(Quoted(path), file.errorString());
        return false;
    }
    line.truncate(std::max<qint64>(got, 0));
    if (line.endsWith('\n'))
        line.chop(1);
    else if (line.size() > kLongestLine)
    {
        error = QStringLiteral("the first line of password file %1 is too long").arg(Quoted(path));
        return false;
    }
    if (line.endsWith('\r'))
        line.chop(1);
    password = QString::fromUtf8(line);
    return true;
}

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

// ---------------------------------------------------------------------------
// Ending by a signal (Ctrl+C, a terminal closed, a service stopped) removes the
// staging folder with the files written so far. The handler uses only calls
// that are safe in a signal handler: the folder's path is kept in a fixed
// buffer and its entries are read with the raw directory call.

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

// Makes the staging folder known to the signal handler for its lifetime and
// removes it at the end.
class StagingRegistration
{
public:
    explicit StagingRegistration(QTemporaryDir& folder) : m_folder(folder)
    {
        const QByteArray path = QFile::encodeName(folder.path());
        if (path.size() >= static_cast<qsizetype>(sizeof g_stagingPath))
            return;
        std::memcpy(g_stagingPath, path.constData(), static_cast<std::size_t>(path.size()) + 1);
        g_stagingState.store(STAGING_WRITING);
    }
    ~StagingRegistration() { Remove(); }

    // While files are moved into place (and replaced files are kept in the
    // staging folder), a signal is only noted; it takes effect afterwards.
    void BeginMoving()
    {
        if (g_stagingState.load() == STAGING_WRITING)
            g_stagingState.store(STAGING_MOVING);
    }
    void EndMoving()
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

    // Removes the folder (the handler may still remove it meanwhile).
    void Remove()
    {
        m_folder.remove();
        g_stagingState.store(STAGING_NONE);
    }

private:
    QTemporaryDir& m_folder;
};

// Makes the run the session's user for its duration.
class UserScope
{
public:
    explicit UserScope(SessionUser* user) : m_previous(SetSessionUser(user)) {}
    ~UserScope() { SetSessionUser(m_previous); }
    UserScope(const UserScope&) = delete;
    UserScope& operator=(const UserScope&) = delete;

private:
    SessionUser* m_previous;
};

// The run answers the session from its options: messages go to standard
// error, the password prompt is answered with the password file's text.
class BatchRun : public SessionUser
{
public:
    BatchRun(const BatchOptions& options, std::ostream& out, Console& console)
        : m_options(options), m_out(out), m_console(console)
    {
    }

    int Run();

private:
    Prompt::StandardButton ShowMessage(const MessageRequest& request) override;
    bool AskPassword(const QString& title, QString& password) override;
    QString ChooseFile(const FileDialogRequest&) override { return QString(); }
    bool PrepareProtection();
    bool OpenInput();
    bool MakePageLists(std::vector<PageList>& lists);
    bool CheckTargets(const std::vector<SplitSection*>& sections, QStringList& names);
    bool MoveIntoPlace(const QString& staging, const QStringList& names);
    int Fail(const QString& message)
    {
        m_console.Message(message);
        return BATCH_EXIT_FAILED;
    }

    const BatchOptions& m_options;
    std::ostream& m_out;
    Console& m_console;

    CParceloApp* m_app = nullptr;
    QString m_input;       // absolute path of the input
    QString m_outDir;      // absolute path of the output folder
    QString m_staging;     // hidden folder the files are written into
    std::optional<QString> m_inputPassword;
    std::optional<OutputProtection> m_protection;
    QStringList m_promptTitles;
    int m_messagesShown = 0;
};

Prompt::StandardButton BatchRun::ShowMessage(const MessageRequest& request)
{
    // The files are written in the staging folder; messages name the real one.
    QString text = request.text;
    if (!m_staging.isEmpty())
        text.replace(m_staging, m_outDir);
    ++m_messagesShown;
    if (request.buttons & Prompt::Cancel)
    {
        // Only the overwrite question has Cancel; the staging folder is new,
        // so it is not expected, and nothing is ever overwritten unasked.
        m_console.Message(text);
        return Prompt::Cancel;
    }
    m_console.Message(text);
    if (request.buttons & Prompt::Ok)
        return Prompt::Ok;
    return Prompt::No;
}

bool BatchRun::AskPassword(const QString& title, QString& password)
{
    m_promptTitles.append(title);
    if (!m_inputPassword)
        return false;
    password = *m_inputPassword;
    return true;
}

bool BatchRun::PrepareProtection()
{
    if (m_options.ownerPasswordFile.isEmpty())
        return true;
    QString password, error;
    if (!ReadPasswordFile(m_options.ownerPasswordFile, password, error))
    {
        m_console.Message(error);
        return false;
    }
    if (password.isEmpty())
    {
        m_console.Message(QStringLiteral("owner password file %1 holds no password")
                              .arg(Quoted(m_options.ownerPasswordFile)));
        return false;
    }
    const unsigned everything =
        BATCH_ALLOW_VIEW | BATCH_ALLOW_PRINT | BATCH_ALLOW_COPY | BATCH_ALLOW_ANNOTATE | BATCH_ALLOW_FORMS;
    if ((m_options.allow & everything) == everything)
    {
        m_console.Message(QStringLiteral("--allow permits everything, so the owner password would protect nothing"));
        return false;
    }
    // The same rules as the Output Options dialog turn the choices into the
    // encryption arguments and refuse the same combinations.
    OutputChoices choices;
    choices.protect = true;
    choices.password = password;
    const unsigned allow = m_options.allow;
    choices.requireForViewing = !(allow & BATCH_ALLOW_VIEW);
    choices.requireForPrinting = !(allow & BATCH_ALLOW_PRINT);
    choices.requireForCopying = !(allow & BATCH_ALLOW_COPY);
    choices.requireForAnnotation = !(allow & BATCH_ALLOW_ANNOTATE);
    choices.requireForFillingForms = !(allow & BATCH_ALLOW_FORMS);
    int errorId = 0;
    m_protection = MakeOutputProtection(choices, &errorId);
    if (!m_protection)
    {
        ShowMessage({QString(), LoadResString(errorId), Prompt::Critical, Prompt::Ok});
        return false;
    }
    return true;
}

bool BatchRun::OpenInput()
{
    const QFileInfo info(m_options.input);
    if (!info.exists())
    {
        m_console.Message(QStringLiteral("cannot open %1: no such file").arg(Quoted(m_options.input)));
        return false;
    }
    if (info.isDir())
    {
        m_console.Message(QStringLiteral("%1 is a folder, not a PDF file").arg(Quoted(m_options.input)));
        return false;
    }
    if (!info.isReadable())
    {
        m_console.Message(QStringLiteral("cannot open %1: permission denied").arg(Quoted(m_options.input)));
        return false;
    }
    m_input = info.absoluteFilePath();

    const int messagesBefore = m_messagesShown;
    if (m_app->OpenDocument(m_input))
        return true;
    if (m_messagesShown != messagesBefore)
        return false; // the refusal was printed (a single-page file)

    const QString copyPrompt = LoadResString(kCopyPasswordPrompt).section(QLatin1String("%s"), 0, 0);
    const bool copyPromptShown = !m_promptTitles.isEmpty() && m_promptTitles.back().startsWith(copyPrompt);
    if (m_promptTitles.isEmpty())
        m_console.Message(QStringLiteral("cannot read %1: the file is damaged or not a PDF document")
                              .arg(Quoted(m_options.input)));
    else if (!m_inputPassword && copyPromptShown)
        m_console.Message(QStringLiteral("%1 does not allow copying its pages; give the password that allows it "
                                         "with --password-file")
                              .arg(Quoted(m_options.input)));
    else if (!m_inputPassword)
        m_console.Message(QStringLiteral("%1 is protected by a password; give it with --password-file")
                              .arg(Quoted(m_options.input)));
    else
        m_console.Message(QStringLiteral("wrong password for %1 (read from %2)")
                              .arg(Quoted(m_options.input), Quoted(m_options.passwordFile)));
    return false;
}

bool BatchRun::MakePageLists(std::vector<PageList>& lists)
{
    const int pageCount = m_app->PageCount();
    switch (m_options.mode)
    {
    case BatchMode::Ranges:
        for (const QString& text : m_options.ranges)
        {
            PageList pages;
            if (!ParsePageList(text, pageCount, pages))
            {
                m_console.Message(QStringLiteral("invalid page range %1 for a document of %2 pages")
                                      .arg(Quoted(text))
                                      .arg(pageCount));
                return false;
            }
            if (pages.empty())
            {
                m_console.Message(QStringLiteral("page range %1 names no pages").arg(Quoted(text)));
                return false;
            }
            lists.push_back(std::move(pages));
        }
        return true;
    case BatchMode::Every:
    {
        // As the Repeating Section page cuts "All Pages".
        lists = CutIntoRuns(AllPages(pageCount), m_options.every);
        return true;
    }
    case BatchMode::MaxSize:
    {
        const PageList all = AllPages(pageCount);
        SpliceTrialMeasurer measurer(m_app->SourcePath(), DocumentPassword(*m_app));
        ProgressMeasurer reporting(measurer, m_console, all.size());
        m_console.StartPhase();
        const bool grouped = GroupBySize(all, m_options.sizeBytes, reporting, lists);
        m_console.EndProgress();
        return grouped;
    }
    case BatchMode::None:
        break;
    }
    return false;
}

bool BatchRun::CheckTargets(const std::vector<SplitSection*>& sections, QStringList& names)
{
    if (!CheckSectionFileNames(sections))
        return false;
    const QString inputCanonical = QFileInfo(m_input).canonicalFilePath();
    QStringList existing;
    for (const SplitSection* section : sections)
    {
        const QString name = CompletedFileName(section->fileName);
        names.append(name);
        const QString target = JoinPath(m_outDir, name, false);
        const QFileInfo info(target);
        if (!info.exists() && !info.isSymLink())
            continue;
        if (!inputCanonical.isEmpty() && info.canonicalFilePath() == inputCanonical)
        {
            m_console.Message(Format(261, target));
            return false;
        }
        // As Save Split: a folder or a file marked read-only (no write bit,
        // which holds for the superuser too) is never replaced.
        if (info.isDir() || (m_options.force && !info.isSymLink() && IsReadOnlyFile(target)))
        {
            m_console.Message(Format(232, target));
            return false;
        }
        existing.append(target);
    }
    if (!existing.isEmpty() && !m_options.force)
    {
        for (const QString& target : existing)
            m_console.Message(QStringLiteral("%1 already exists (use --force to overwrite)").arg(Quoted(target)));
        return false;
    }
    return true;
}

bool BatchRun::MoveIntoPlace(const QString& staging, const QStringList& names)
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
        const QString targetPath = JoinPath(m_outDir, names[i], false);
        const QByteArray target = QFile::encodeName(targetPath);
        Moved entry{target, {}};
        if (m_options.force)
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
                    m_console.Message(QStringLiteral("cannot replace %1: %2")
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
                m_console.Message(QStringLiteral("%1 already exists (use --force to overwrite)").arg(Quoted(targetPath)));
            else
                m_console.Message(QStringLiteral("cannot write %1: %2")
                                      .arg(Quoted(targetPath), QString::fromLocal8Bit(std::strerror(error))));
            return false;
        }
        moved.push_back(std::move(entry));
    }
    return true;
}

int BatchRun::Run()
{
    // Everything that can be checked without the document comes first.
    if (!m_options.passwordFile.isEmpty())
    {
        QString password, error;
        if (!ReadPasswordFile(m_options.passwordFile, password, error))
            return Fail(error);
        if (password.trimmed().isEmpty())
            return Fail(QStringLiteral("password file %1 holds no password").arg(Quoted(m_options.passwordFile)));
        m_inputPassword = password;
    }

    const QString outDir = m_options.outDir.isEmpty() ? QDir::currentPath() : m_options.outDir;
    const QFileInfo outInfo(outDir);
    if (!outInfo.exists())
        return Fail(QStringLiteral("output folder %1 does not exist").arg(Quoted(outDir)));
    if (!outInfo.isDir())
        return Fail(QStringLiteral("%1 is not a folder").arg(Quoted(outDir)));
    // access() also sees a read-only file system, which the mode bits do not.
    if (::access(QFile::encodeName(outDir).constData(), W_OK | X_OK) != 0)
        return Fail(QStringLiteral("cannot write to output folder %1: %2")
                        .arg(Quoted(outDir), QString::fromLocal8Bit(std::strerror(errno))));
    m_outDir = outInfo.absoluteFilePath();

    UserScope user(this);

    if (!PrepareProtection())
        return BATCH_EXIT_FAILED;

    CParceloApp app;
    m_app = &app;
    if (!app.InitInstance())
        return Fail(QStringLiteral("the PDF engines could not be started"));
    if (!OpenInput())
        return BATCH_EXIT_FAILED;

    std::vector<PageList> lists;
    if (!MakePageLists(lists))
        return BATCH_EXIT_FAILED;
    std::vector<SplitSection*> sections;
    for (const PageList& pages : lists)
        sections.push_back(app.AddSection(pages));

    QStringList names;
    if (!CheckTargets(sections, names))
        return BATCH_EXIT_FAILED;

    QTemporaryDir staging(JoinPath(m_outDir, QStringLiteral(".parcelo-split-XXXXXX"), false));
    if (!staging.isValid())
        return Fail(QStringLiteral("cannot write to output folder %1: %2").arg(Quoted(m_outDir), staging.errorString()));
    m_staging = staging.path();
    StagingRegistration registration(staging);

    SaveRequest request;
    request.sourcePath = app.SourcePath();
    request.sourcePassword = DocumentPassword(app);
    request.sections = sections;
    request.setFileName = [&app](SplitSection* section, const QString& name) {
        app.SetSectionFileName(section, name);
    };
    request.folder = m_staging;
    request.protection = m_protection;

    SaveOutcome outcome;
    m_console.StartPhase();
    {
        SaveProgress progress(m_console, m_staging, sections.size());
        outcome = SaveSections(request);
    }
    m_console.EndProgress();
    if (outcome != SaveOutcome::Saved)
    {
        const QString copyPrompt = LoadResString(kCopyPasswordPrompt).section(QLatin1String("%s"), 0, 0);
        if (!m_promptTitles.isEmpty() && m_promptTitles.back().startsWith(copyPrompt))
            m_console.Message(QStringLiteral("the password in %1 does not allow copying the pages of %2")
                                  .arg(Quoted(m_options.passwordFile), Quoted(m_options.input)));
        return BATCH_EXIT_FAILED;
    }

    registration.BeginMoving();
    const bool moved = MoveIntoPlace(m_staging, names);
    registration.EndMoving();
    if (!moved)
        return BATCH_EXIT_FAILED;
    // The replaced files kept there go before anything is printed: a closed
    // pipe on the output must not leave them behind.
    registration.Remove();
    for (const QString& name : names)
        m_out << Std(JoinPath(m_outDir, name, false)) << '\n';
    m_out.flush();
    return BATCH_EXIT_OK;
}

} // namespace

QString BatchUsage()
{
    return QStringLiteral(
        "Usage: parcelo-split INPUT.pdf (--ranges TEXT | --every N | --max-size SIZE) [OPTIONS]\n"
        "Cut one PDF document into several, one file per section.\n"
        "\n"
        "Sections (choose one kind):\n"
        "  --ranges TEXT             one section from page-range text such as \"1-7, 18\";\n"
        "                            give it several times for several sections\n"
        "  --every N                 a new section every N pages\n"
        "  --max-size SIZE           consecutive sections whose files are no larger than\n"
        "                            SIZE, a whole number with K or M (500K, 2M)\n"
        "\n"
        "Options:\n"
        "  --out DIR                 write the files into DIR (default: the current folder)\n"
        "  --password-file F         the input's password, from the first line of F\n"
        "  --owner-password-file F   protect the files with the password on the first line of F\n"
        "  --allow LIST              what the protected files allow without that password:\n"
        "                            print, copy, annotate, forms, separated by commas;\n"
        "                            each implies view (opening); view alone allows only\n"
        "                            opening (the default); none requires the password\n"
        "                            even for opening\n"
        "  --force                   overwrite files that already exist\n"
        "  --help                    show this help and exit\n"
        "\n"
        "Files are named like the sections of the window: \"<name>-S<n>.<ext>\" after the input.\n"
        "Each written file is printed on its own line. Nothing is written unless every file can\n"
        "be written. Exit status: 0 when every file was written, 1 when the run failed, 2 for a\n"
        "wrong command line.\n");
}

bool ParseBatchArguments(const QStringList& arguments, BatchOptions& options, QString& error)
{
    options = BatchOptions();
    QStringList inputs;
    QStringList seen;
    bool optionsEnded = false;

    auto setMode = [&](BatchMode mode) {
        if (options.mode != BatchMode::None && options.mode != mode)
        {
            error = QStringLiteral("choose only one of --ranges, --every and --max-size");
            return false;
        }
        options.mode = mode;
        return true;
    };

    for (qsizetype i = 0; i < arguments.size(); ++i)
    {
        const QString& argument = arguments[i];
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-"))
        {
            inputs.append(argument);
            continue;
        }
        if (argument == QLatin1String("--"))
        {
            optionsEnded = true;
            continue;
        }
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h"))
        {
            options.help = true;
            return true;
        }

        QString name = argument;
        std::optional<QString> value;
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        if (argument.startsWith(QLatin1String("--")) && equals > 2)
        {
            name = argument.left(equals);
            value = argument.mid(equals + 1);
        }

        static const QStringList withValue = {
            QStringLiteral("--ranges"),        QStringLiteral("--every"),
            QStringLiteral("--max-size"),      QStringLiteral("--out"),
            QStringLiteral("--password-file"), QStringLiteral("--owner-password-file"),
            QStringLiteral("--allow"),
        };
        if (name == QLatin1String("--force"))
        {
            if (value)
            {
                error = QStringLiteral("option --force takes no value");
                return false;
            }
            options.force = true;
            continue;
        }
        if (!withValue.contains(name))
        {
            error = QStringLiteral("unknown option %1").arg(Quoted(name));
            return false;
        }
        if (!value)
        {
            if (i + 1 >= arguments.size())
            {
                error = QStringLiteral("option %1 needs a value").arg(name);
                return false;
            }
            value = arguments[++i];
        }
        if (name != QLatin1String("--ranges"))
        {
            if (seen.contains(name))
            {
                error = QStringLiteral("option %1 given more than once").arg(name);
                return false;
            }
            seen.append(name);
        }

        if (name == QLatin1String("--ranges"))
        {
            if (!setMode(BatchMode::Ranges))
                return false;
            options.ranges.append(*value);
        }
        else if (name == QLatin1String("--every"))
        {
            if (!setMode(BatchMode::Every))
                return false;
            const std::optional<std::uint64_t> n = WholeNumber(value->trimmed());
            if (!n || *n == 0 || *n > 0x7FFFFFFFull)
            {
                error = QStringLiteral("--every needs a whole number of pages above 0, not %1").arg(Quoted(*value));
                return false;
            }
            options.every = *n;
        }
        else if (name == QLatin1String("--max-size"))
        {
            if (!setMode(BatchMode::MaxSize) || !ParseSize(*value, options, error))
                return false;
        }
        else if (name == QLatin1String("--out"))
        {
            if (value->isEmpty())
            {
                error = QStringLiteral("option --out needs a folder");
                return false;
            }
            options.outDir = *value;
        }
        else if (name == QLatin1String("--password-file") || name == QLatin1String("--owner-password-file"))
        {
            if (value->isEmpty())
            {
                error = QStringLiteral("option %1 needs a file").arg(name);
                return false;
            }
            (name == QLatin1String("--password-file") ? options.passwordFile : options.ownerPasswordFile) = *value;
        }
        else if (name == QLatin1String("--allow"))
        {
            if (!ParseAllowList(*value, options.allow, error))
                return false;
            options.allowGiven = true;
        }
    }

    if (inputs.isEmpty())
    {
        error = QStringLiteral("no input file given");
        return false;
    }
    if (inputs.size() > 1)
    {
        error = QStringLiteral("only one input file is accepted, got %1").arg(inputs.size());
        return false;
    }
    options.input = inputs.front();
    if (options.mode == BatchMode::None)
    {
        error = QStringLiteral("say how to split: --ranges, --every or --max-size");
        return false;
    }
    if (options.allowGiven && options.ownerPasswordFile.isEmpty())
    {
        error = QStringLiteral("--allow needs --owner-password-file");
        return false;
    }
    return true;
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

int RunBatchSplit(const QStringList& arguments, std::ostream& out, std::ostream& err, bool progress,
                  int progressDelayMs)
{
    Console console(err, progress, progressDelayMs);
    BatchOptions options;
    QString error;
    if (!ParseBatchArguments(arguments, options, error))
    {
        console.Message(error);
        console.Plain(QStringLiteral("Try 'parcelo-split --help' for more information."));
        return BATCH_EXIT_USAGE;
    }
    if (options.help)
    {
        out << Std(BatchUsage());
        out.flush();
        return BATCH_EXIT_OK;
    }
    BatchRun run(options, out, console);
    return run.Run();
}
