// The headless splitter's run: reads the password files, opens the document
// through the session controller (answering its prompts from the options),
// plans the sections, writes them into the staging folder with Save Split's
// writer and moves them into place.
#include "session/BatchSplit.h"

#include "resources/StringTable.h"
#include "session/BatchArguments.h"
#include "session/BatchConsole.h"
#include "session/BatchInterrupt.h"
#include "session/BatchPlan.h"
#include "session/BatchProgress.h"
#include "session/BatchStaging.h"
#include "session/CParceloApp.h"
#include "session/OpenFailure.h"
#include "session/OutputProtection.h"
#include "session/SaveSplit.h"
#include "session/SessionUser.h"
#include "session/SplitSection.h"
#include "support/PathHelpers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <optional>
#include <ostream>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kCopyPasswordPrompt = 242; // "Enter password for copying permission of file %s"

// The first line of a password file, without its line end. Only that line
// is read, so a pipe or a large file is not read to its end.
bool ReadPasswordFile(const QString& path, QString& password, QString& error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
    {
        error = QCoreApplication::translate("BatchSplit", "cannot read password file %1: %2").arg(Quoted(path), file.errorString());
        return false;
    }
    constexpr qint64 kLongestLine = 4096;
    // Reads at most kLongestLine + 1 bytes (the buffer keeps room for the
    // terminating zero), enough to tell an overlong line.
    QByteArray line(kLongestLine + 2, '\0');
    const qint64 got = file.readLine(line.data(), line.size());
    if (got < 0 && file.error() != QFileDevice::NoError)
    {
        error = QCoreApplication::translate("BatchSplit", "cannot read password file %1: %2").arg(Quoted(path), file.errorString());
        return false;
    }
    line.truncate(std::max<qint64>(got, 0));
    if (line.endsWith('\n'))
        line.chop(1);
    else if (line.size() > kLongestLine)
    {
        error = QCoreApplication::translate("BatchSplit", "the first line of password file %1 is too long").arg(Quoted(path));
        return false;
    }
    if (line.endsWith('\r'))
        line.chop(1);
    password = QString::fromUtf8(line);
    return true;
}

// The system's text for an error number, as the rest of a message line.
QString SystemReason(int error)
{
    QString text = QString::fromLocal8Bit(std::strerror(error ? error : EIO));
    if (!text.isEmpty())
        text[0] = text[0].toLower();
    return text;
}

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
    BatchRun(const BatchOptions& options, std::ostream& out, BatchConsole& console)
        : m_options(options), m_out(out), m_console(console)
    {
    }

    int Run();

private:
    Prompt::StandardButton ShowMessage(const MessageRequest& request) override;
    bool AskPassword(const QString& title, QString& password) override;
    QString ChooseFile(const FileDialogRequest&) override { return QString(); }
    // Long steps show their progress on the console's progress line.
    void RunLongWork(const QString&, const LongWork& work) override
    {
        ConsoleProgress progress(m_console);
        m_console.StartPhase();
        work(progress);
        m_console.EndProgress();
    }
    bool PrepareProtection();
    bool OpenInput();
    int Fail(const QString& message)
    {
        m_console.Message(message);
        return BATCH_EXIT_FAILED;
    }

    const BatchOptions& m_options;
    std::ostream& m_out;
    BatchConsole& m_console;

    CParceloApp* m_app = nullptr;
    QString m_input;       // absolute path of the input
    QString m_outDir;      // absolute path of the output folder
    QString m_staging;     // hidden folder the files are written into
    std::optional<QString> m_inputPassword;
    std::optional<OutputProtection> m_protection;
    QStringList m_promptTitles;
};

Prompt::StandardButton BatchRun::ShowMessage(const MessageRequest& request)
{
    // The files are written in the staging folder; messages name the real one.
    QString text = request.text;
    if (!m_staging.isEmpty())
        text.replace(m_staging, m_outDir);
    if (request.buttons & Prompt::Cancel)
    {
        // Only the overwrite question has Cancel; the staging folder is new,
        // so it is not expected, and nothing is ever overwritten unasked.
        m_console.Message(text);
        return Prompt::Cancel;
    }
    // A reason on the message's second line follows it on the same line, so
    // each message stays one line for scripts reading the error stream.
    m_console.Message(text.replace(QLatin1Char('\n'), QLatin1String(": ")));
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
        m_console.Message(QCoreApplication::translate("BatchSplit", "owner password file %1 holds no password")
                              .arg(Quoted(m_options.ownerPasswordFile)));
        return false;
    }
    const unsigned everything =
        BATCH_ALLOW_VIEW | BATCH_ALLOW_PRINT | BATCH_ALLOW_COPY | BATCH_ALLOW_ANNOTATE | BATCH_ALLOW_FORMS;
    if ((m_options.allow & everything) == everything)
    {
        m_console.Message(QCoreApplication::translate("BatchSplit", "--allow permits everything, so the owner password would protect nothing"));
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
        m_console.Message(QCoreApplication::translate("BatchSplit", "cannot open %1: no such file").arg(Quoted(m_options.input)));
        return false;
    }
    if (info.isDir())
    {
        m_console.Message(QCoreApplication::translate("BatchSplit", "%1 is a folder, not a PDF file").arg(Quoted(m_options.input)));
        return false;
    }
    if (!info.isReadable())
    {
        m_console.Message(QCoreApplication::translate("BatchSplit", "cannot open %1: permission denied").arg(Quoted(m_options.input)));
        return false;
    }
    m_input = info.absoluteFilePath();

    OpenStatus status;
    if (m_app->OpenDocument(m_input, status))
        return true;

    const QString copyPrompt = LoadResString(kCopyPasswordPrompt).section(QLatin1String("%s"), 0, 0);
    const bool copyPromptShown = !m_promptTitles.isEmpty() && m_promptTitles.back().startsWith(copyPrompt);
    switch (status.error)
    {
    case OpenError::TooFewPages:
        ShowMessage({LoadResString(247), OpenFailureMessage(m_input, status), Prompt::Warning, Prompt::Ok});
        break;
    case OpenError::Cancelled:
        // The prompt was declined because no password file was given.
        if (copyPromptShown)
            m_console.Message(QCoreApplication::translate("BatchSplit", "%1 does not allow copying its pages; give the password that allows it "
                                             "with --password-file")
                                  .arg(Quoted(m_options.input)));
        else
            m_console.Message(QCoreApplication::translate("BatchSplit", "%1 is protected by a password; give it with --password-file")
                                  .arg(Quoted(m_options.input)));
        break;
    case OpenError::WrongPassword:
        m_console.Message(QCoreApplication::translate("BatchSplit", "wrong password for %1 (read from %2)")
                              .arg(Quoted(m_options.input), Quoted(m_options.passwordFile)));
        break;
    case OpenError::Damaged:
        m_console.Message(QCoreApplication::translate("BatchSplit", "cannot read %1: the file is damaged or not a PDF document")
                              .arg(Quoted(m_options.input)));
        break;
    case OpenError::UnsupportedEncryption:
        m_console.Message(QCoreApplication::translate("BatchSplit", "cannot read %1: the file is encrypted in a way that cannot be read")
                              .arg(Quoted(m_options.input)));
        break;
    case OpenError::PageTree:
        m_console.Message(QCoreApplication::translate("BatchSplit", "cannot read %1: the list of its pages is damaged and cannot be followed")
                              .arg(Quoted(m_options.input)));
        break;
    case OpenError::CopyNotWritten:
        m_console.Message(QCoreApplication::translate("BatchSplit", "cannot read %1: a repaired copy for reading its pages could not be written: %2")
                              .arg(Quoted(m_options.input), SystemReason(status.systemError)));
        break;
    case OpenError::Unreadable:
    case OpenError::None:
        m_console.Message(QCoreApplication::translate("BatchSplit", "cannot read %1: %2").arg(Quoted(m_options.input), SystemReason(status.systemError)));
        break;
    }
    return false;
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
            return Fail(QCoreApplication::translate("BatchSplit", "password file %1 holds no password").arg(Quoted(m_options.passwordFile)));
        m_inputPassword = password;
    }

    const QString outDir = m_options.outDir.isEmpty() ? QDir::currentPath() : m_options.outDir;
    const QFileInfo outInfo(outDir);
    if (!outInfo.exists())
        return Fail(QCoreApplication::translate("BatchSplit", "output folder %1 does not exist").arg(Quoted(outDir)));
    if (!outInfo.isDir())
        return Fail(QCoreApplication::translate("BatchSplit", "%1 is not a folder").arg(Quoted(outDir)));
    // access() also sees a read-only file system, which the mode bits do not.
    if (::access(QFile::encodeName(outDir).constData(), W_OK | X_OK) != 0)
        return Fail(QCoreApplication::translate("BatchSplit", "cannot write to output folder %1: %2")
                        .arg(Quoted(outDir), QString::fromLocal8Bit(std::strerror(errno))));
    m_outDir = outInfo.absoluteFilePath();

    UserScope user(this);

    if (!PrepareProtection())
        return BATCH_EXIT_FAILED;

    CParceloApp app;
    m_app = &app;
    if (!app.InitInstance())
        return Fail(QCoreApplication::translate("BatchSplit", "the PDF engines could not be started"));
    if (!OpenInput())
        return BATCH_EXIT_FAILED;

    std::vector<PlannedSection> planned;
    if (!PlanBatchSections(m_options, app, m_console, planned))
        return BATCH_EXIT_FAILED;
    std::vector<SplitSection*> sections;
    for (const PlannedSection& section : planned)
        sections.push_back(app.AddSection(section.pages, section.fileName));

    QStringList names;
    if (!CheckBatchTargets(sections, m_input, m_outDir, m_options.force, m_console, names))
        return BATCH_EXIT_FAILED;

    QTemporaryDir staging(JoinPath(m_outDir, QStringLiteral(".parcelo-split-XXXXXX"), false));
    if (!staging.isValid())
        return Fail(QCoreApplication::translate("BatchSplit", "cannot write to output folder %1: %2").arg(Quoted(m_outDir), staging.errorString()));
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

    const SaveOutcome outcome = SaveSections(request);
    if (outcome != SaveOutcome::Saved)
    {
        const QString copyPrompt = LoadResString(kCopyPasswordPrompt).section(QLatin1String("%s"), 0, 0);
        if (!m_promptTitles.isEmpty() && m_promptTitles.back().startsWith(copyPrompt))
            m_console.Message(QCoreApplication::translate("BatchSplit", "the password in %1 does not allow copying the pages of %2")
                                  .arg(Quoted(m_options.passwordFile), Quoted(m_options.input)));
        return BATCH_EXIT_FAILED;
    }

    registration.BeginMoving();
    const bool moved = MoveBatchFilesIntoPlace(m_staging, m_outDir, names, m_options.force, m_console);
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

int RunBatchSplit(const QStringList& arguments, std::ostream& out, std::ostream& err, bool progress,
                  int progressDelayMs)
{
    BatchConsole console(err, progress, progressDelayMs);
    BatchOptions options;
    QString error;
    if (!ParseBatchArguments(arguments, options, error))
    {
        console.Message(error);
        console.Plain(QCoreApplication::translate("BatchSplit", "Try 'parcelo-split --help' for more information."));
        return BATCH_EXIT_USAGE;
    }
    if (options.help || options.version)
    {
        out << Std(options.help ? BatchUsage() : BatchVersion());
        out.flush();
        return BATCH_EXIT_OK;
    }
    BatchRun run(options, out, console);
    return run.Run();
}
