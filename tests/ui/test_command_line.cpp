// The window program's command line: "parcelo [FILE.pdf]" opens the file as
// Open File does, --help and --version print and end (also without a
// display), and a wrong command line is refused with the reason.
#include "BuildVersion.h"
#include "TestNames.h"
#include "common/PdfFixtures.h"
#include "session/CParceloApp.h"
#include "session/SessionUser.h"
#include "ui/WindowApp.h"
#include "ui/WindowCommandLine.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

#include <functional>

namespace {

struct ReadCase
{
    const char* name;
    QStringList arguments; // after the program name
    WindowCommandLine::Action action;
    QString file;          // expected document, relative to the current folder
};

class CommandLineReading : public ::testing::TestWithParam<ReadCase>
{
};

TEST_P(CommandLineReading, GivesTheAction)
{
    const ReadCase& c = GetParam();
    const WindowCommandLine line = ReadWindowCommandLine(QStringList{QStringLiteral("parcelo")} + c.arguments);
    EXPECT_EQ(line.action, c.action) << line.error.toStdString();
    EXPECT_EQ(line.file, c.file.isEmpty() ? QString() : QDir::current().absoluteFilePath(c.file));
    EXPECT_EQ(line.error.isEmpty(), c.action != WindowCommandLine::Action::Refuse);
}

using Action = WindowCommandLine::Action;

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineReading,
    ::testing::Values(
        ReadCase{"Nothing", {}, Action::OpenWindow, {}},
        ReadCase{"RelativeFile", {QStringLiteral("doc.pdf")}, Action::OpenWindow, QStringLiteral("doc.pdf")},
        ReadCase{"AbsoluteFile", {QStringLiteral("/tmp/a b.pdf")}, Action::OpenWindow, QStringLiteral("/tmp/a b.pdf")},
        ReadCase{"FileAddress", {QStringLiteral("file:///tmp/a%20b.pdf")}, Action::OpenWindow,
                 QStringLiteral("/tmp/a b.pdf")},
        ReadCase{"FileAfterDoubleDash", {QStringLiteral("--"), QStringLiteral("-odd.pdf")}, Action::OpenWindow,
                 QStringLiteral("-odd.pdf")},
        ReadCase{"ToolkitOptionsIgnored",
                 {QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("-reverse"),
                  QStringLiteral("doc.pdf")},
                 Action::OpenWindow, QStringLiteral("doc.pdf")},
        ReadCase{"LongHelp", {QStringLiteral("--help")}, Action::ShowHelp, {}},
        ReadCase{"ShortHelp", {QStringLiteral("-h")}, Action::ShowHelp, {}},
        ReadCase{"HelpBesideFile", {QStringLiteral("doc.pdf"), QStringLiteral("--help")}, Action::ShowHelp, {}},
        ReadCase{"LongVersion", {QStringLiteral("--version")}, Action::ShowVersion, {}},
        ReadCase{"ShortVersion", {QStringLiteral("-v")}, Action::ShowVersion, {}},
        ReadCase{"TwoFiles", {QStringLiteral("a.pdf"), QStringLiteral("b.pdf")}, Action::Refuse, {}},
        ReadCase{"UnknownOption", {QStringLiteral("--bogus")}, Action::Refuse, {}},
        ReadCase{"EmptyName", {QString()}, Action::Refuse, {}}),
    TestNames::ByName());

// The built program, started without a display or a platform plugin.
struct ProgramRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

ProgramRun RunProgram(const QStringList& arguments, const QString& language)
{
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "QT_PLUGIN_PATH", "LC_ALL", "LC_MESSAGES"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM_PLUGIN_PATH"), QStringLiteral("/nonexistent"));
    environment.insert(QStringLiteral("LANGUAGE"), language);
    environment.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(PARCELO_EXE), arguments);
    ProgramRun run;
    if (!program.waitForFinished(60000) || program.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = program.exitCode();
    run.out = QString::fromUtf8(program.readAllStandardOutput());
    run.err = QString::fromUtf8(program.readAllStandardError());
    return run;
}

TEST(WindowProgramText, VersionPrintsWithoutADisplay)
{
    const ProgramRun run = RunProgram({QStringLiteral("--version")}, QStringLiteral("en"));
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("parcelo " PARCELO_VERSION_STRING "\n"));
    EXPECT_EQ(run.err, QString());
}

TEST(WindowProgramText, HelpPrintsWithoutADisplayInTheUsersLanguage)
{
    const ProgramRun english = RunProgram({QStringLiteral("--help")}, QStringLiteral("en"));
    EXPECT_EQ(english.exitCode, 0) << english.err.toStdString();
    EXPECT_TRUE(english.out.contains(QStringLiteral("[FILE.pdf]"))) << english.out.toStdString();
    EXPECT_TRUE(english.out.contains(QStringLiteral("Show the version and exit."))) << english.out.toStdString();

    const ProgramRun french = RunProgram({QStringLiteral("--help")}, QStringLiteral("fr"));
    EXPECT_EQ(french.exitCode, 0) << french.err.toStdString();
    EXPECT_TRUE(french.out.contains(QStringLiteral("Afficher la version et quitter."))) << french.out.toStdString();
}

TEST(WindowProgramText, WrongCommandLineIsRefusedWithoutADisplay)
{
    const ProgramRun run = RunProgram({QStringLiteral("--bogus")}, QStringLiteral("en"));
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains(QStringLiteral("bogus"))) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("parcelo --help"))) << run.err.toStdString();
    EXPECT_EQ(run.out, QString());
}

// What one way of opening showed and left open.
struct OpenOutcome
{
    bool opened = false;
    int pageCount = 0;
    QStringList prompts;  // password prompt titles
    QStringList messages; // message texts

    bool operator==(const OpenOutcome&) const = default;
};

std::string Describe(const OpenOutcome& o)
{
    return QStringLiteral("opened=%1 pages=%2 prompts=[%3] messages=[%4]")
        .arg(o.opened)
        .arg(o.pageCount)
        .arg(o.prompts.join(QStringLiteral(" | ")), o.messages.join(QStringLiteral(" | ")))
        .toStdString();
}

struct OpenCase
{
    const char* name;
    std::function<bool(const QString& path)> write; // null: the file does not exist
    QString password;                               // the answer to a prompt (null: declined)
    bool opens;
};

class CommandLineOpening : public ::testing::TestWithParam<OpenCase>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        qputenv("PARCELO_COMMON_APPDATA", dir.filePath(QStringLiteral("appdata")).toUtf8());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath(QStringLiteral("settings")));
        quitOnClose = QApplication::quitOnLastWindowClosed();
        QApplication::setQuitOnLastWindowClosed(false);
    }
    void TearDown() override
    {
        qunsetenv("PARCELO_COMMON_APPDATA");
        QApplication::setQuitOnLastWindowClosed(quitOnClose);
    }

    // Starts the window, lets `open` open the file, and records what the
    // user saw until the session settles.
    OpenOutcome Run(const QString& path, const QString& password, const std::function<void(CParceloApp&)>& open)
    {
        OpenOutcome outcome;
        MessageHandler previousMessages = SetMessageHandler([&](const MessageRequest& r) {
            outcome.messages << r.text;
            return Prompt::Ok;
        });
        PasswordHandler previousPrompt = SetPasswordHandler([&](const QString& title, QString& answer) {
            outcome.prompts << title;
            if (password.isNull())
                return false;
            answer = password;
            return true;
        });
        FileDialogHandler previousChooser = SetFileDialogHandler([&](const FileDialogRequest&) { return path; });
        {
            CParceloApp app;
            EXPECT_TRUE(app.InitInstance());
            EXPECT_TRUE(StartWindow(app));
            open(app);
            // Opening may run in the background under a modal progress
            // window: wait until that has gone.
            QElapsedTimer clock;
            clock.start();
            while (clock.elapsed() < 300 || (QApplication::activeModalWidget() && clock.elapsed() < 30000))
                QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            outcome.opened = app.Document() != nullptr;
            outcome.pageCount = app.PageCount();
            if (QWidget* frame = qobject_cast<QWidget*>(app.MainWindow()))
                frame->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            StopWindow();
            app.ExitInstance();
        }
        SetMessageHandler(std::move(previousMessages));
        SetPasswordHandler(std::move(previousPrompt));
        SetFileDialogHandler(std::move(previousChooser));
        return outcome;
    }

    QTemporaryDir dir;
    bool quitOnClose = true;
};

TEST_P(CommandLineOpening, OpensAsOpenFileDoes)
{
    const OpenCase& c = GetParam();
    const QString path = dir.filePath(QStringLiteral("doc.pdf"));
    if (c.write)
        ASSERT_TRUE(c.write(path));

    const OpenOutcome chosen = Run(path, c.password, [](CParceloApp& app) { app.OnCommand(57601); });
    const OpenOutcome named = Run(path, c.password, [&](CParceloApp& app) { OpenDocumentOnceShown(app, path); });
    EXPECT_TRUE(named == chosen) << "command line: " << Describe(named) << "\nOpen File: " << Describe(chosen);
    EXPECT_EQ(named.opened, c.opens) << Describe(named);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineOpening,
    ::testing::Values(
        OpenCase{"PlainDocument", [](const QString& p) { return PdfFixtures::WritePlainPdf(p, 4); }, QString(), true},
        OpenCase{"PasswordGiven",
                 [](const QString& p) { return PdfFixtures::WriteEncryptedPdf(p, 3, "user-pw", "owner-pw"); },
                 QStringLiteral("user-pw"), true},
        OpenCase{"PasswordDeclined",
                 [](const QString& p) { return PdfFixtures::WriteEncryptedPdf(p, 3, "user-pw", "owner-pw"); },
                 QString(), false},
        OpenCase{"SinglePage", [](const QString& p) { return PdfFixtures::WritePlainPdf(p, 1); }, QString(), false},
        OpenCase{"Damaged",
                 [](const QString& p) { return PdfFixtures::WriteDamagedPdf(p, PdfFixtures::Damage::Garbage); },
                 QString(), false},
        OpenCase{"Missing", nullptr, QString(), false}),
    TestNames::ByName());

} // namespace
