// Parcelo: cuts one PDF document into several.
#include "BuildVersion.h"
#include "session/CParceloApp.h"
#include "session/Translations.h"
#include "ui/WindowApp.h"
#include "ui/WindowCommandLine.h"

#include <QApplication>

#include <iostream>

namespace {

void SetIdentity()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Talvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Parcelo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PARCELO_VERSION_STRING));
}

QStringList RawArguments(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

} // namespace

int main(int argc, char** argv)
{
    // --help, --version and a wrong command line print and end without a
    // window, so they work where there is no display.
    if (ReadWindowCommandLine(RawArguments(argc, argv)).action != WindowCommandLine::Action::OpenWindow)
    {
        QCoreApplication app(argc, argv);
        SetIdentity();
        InstallTranslations(true);
        return PrintWindowCommandLineText(ReadWindowCommandLine(QCoreApplication::arguments()), std::cout, std::cerr);
    }

    QApplication app(argc, argv);
    SetIdentity();
    QApplication::setDesktopFileName(QStringLiteral("parcelo"));
    QApplication::setQuitOnLastWindowClosed(true);
    InstallTranslations(true);

    const WindowCommandLine commandLine = ReadWindowCommandLine(QCoreApplication::arguments());
    if (commandLine.action != WindowCommandLine::Action::OpenWindow)
        return PrintWindowCommandLineText(commandLine, std::cout, std::cerr);

    CParceloApp controller;
    if (!controller.InitInstance() || !StartWindow(controller))
    {
        StopWindow();
        controller.ExitInstance();
        return 1;
    }
    if (!commandLine.file.isEmpty())
        OpenDocumentOnceShown(controller, commandLine.file);
    const int code = app.exec();
    StopWindow();
    const int exitCode = controller.ExitInstance();
    return code != 0 ? code : exitCode;
}
