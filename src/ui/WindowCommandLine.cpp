#include "ui/WindowCommandLine.h"

#include "BuildVersion.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QUrl>

#include <ostream>

namespace {

// The parser with the window program's options and argument, its texts in
// the user's language.
void DescribeOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QCoreApplication::translate(
        "WindowCommandLine", "Parcelo cuts one PDF document into several: open a document, define split sections\n"
                  "and save every section as its own PDF file."));
    parser.addOption(QCommandLineOption({QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("?")},
                                        QCoreApplication::translate("WindowCommandLine", "Show this help and exit.")));
    parser.addOption(QCommandLineOption({QStringLiteral("v"), QStringLiteral("version")},
                                        QCoreApplication::translate("WindowCommandLine", "Show the version and exit.")));
    parser.addPositionalArgument(QStringLiteral("FILE.pdf"),
                                 QCoreApplication::translate("WindowCommandLine", "The PDF document to open."),
                                 QStringLiteral("[FILE.pdf]"));
}

// The options every Qt program takes (QGuiApplication, QApplication and the
// X11 platform), which the application object consumes itself. Written with
// one dash, as Qt expects them.
void AcceptToolkitOptions(QCommandLineParser& parser)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
                             "qwindowtitle", "qwindowicon", "display", "geometry", "style", "stylesheet", "session",
                             "title", "name", "visual", "ncols", "cmap"})
    {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync"})
    {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

// A file given by a file manager may come as a local file address.
QString DocumentPath(const QString& argument)
{
    QString path = argument;
    if (argument.startsWith(QLatin1String("file:")))
    {
        const QUrl url(argument);
        if (url.isLocalFile())
            path = url.toLocalFile();
    }
    return QFileInfo(path).absoluteFilePath();
}

std::string Local(const QString& text)
{
    return text.toLocal8Bit().toStdString();
}

} // namespace

WindowCommandLine ReadWindowCommandLine(const QStringList& arguments)
{
    WindowCommandLine result;
    QCommandLineParser parser;
    DescribeOptions(parser);
    AcceptToolkitOptions(parser);
    if (!parser.parse(arguments))
    {
        result.action = WindowCommandLine::Action::Refuse;
        result.error = parser.errorText();
        return result;
    }
    if (parser.isSet(QStringLiteral("help")))
    {
        result.action = WindowCommandLine::Action::ShowHelp;
        return result;
    }
    if (parser.isSet(QStringLiteral("version")))
    {
        result.action = WindowCommandLine::Action::ShowVersion;
        return result;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1)
    {
        result.action = WindowCommandLine::Action::Refuse;
        result.error = QCoreApplication::translate("WindowCommandLine", "Parcelo opens one document at a time, but %1 were given.")
                           .arg(files.size());
        return result;
    }
    if (files.size() == 1)
    {
        if (files.front().isEmpty())
        {
            result.action = WindowCommandLine::Action::Refuse;
            result.error = QCoreApplication::translate("WindowCommandLine", "The document's name is empty.");
            return result;
        }
        result.file = DocumentPath(files.front());
    }
    return result;
}

QString WindowHelpText()
{
    QCommandLineParser parser;
    DescribeOptions(parser);
    QString text = parser.helpText();
    if (!text.endsWith(QLatin1Char('\n')))
        text += QLatin1Char('\n');
    return text;
}

QString WindowVersionText()
{
    return QStringLiteral("parcelo %1\n").arg(QStringLiteral(PARCELO_VERSION_STRING));
}

int PrintWindowCommandLineText(const WindowCommandLine& commandLine, std::ostream& out, std::ostream& err)
{
    switch (commandLine.action)
    {
    case WindowCommandLine::Action::ShowHelp:
        out << Local(WindowHelpText()) << std::flush;
        return 0;
    case WindowCommandLine::Action::ShowVersion:
        out << Local(WindowVersionText()) << std::flush;
        return 0;
    case WindowCommandLine::Action::Refuse:
        err << "parcelo: " << Local(commandLine.error) << '\n'
            << Local(QCoreApplication::translate("WindowCommandLine", "Try 'parcelo --help' for more information.")) << '\n'
            << std::flush;
        return 2;
    case WindowCommandLine::Action::OpenWindow:
        break;
    }
    return 0;
}
