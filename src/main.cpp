// Parcelo: cuts one PDF document into several.
#include "session/CParceloApp.h"
#include "ui/WindowApp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Talvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Parcelo"));
    QApplication::setQuitOnLastWindowClosed(true);

    CParceloApp controller;
    if (!controller.InitInstance() || !StartWindow(controller))
    {
        StopWindow();
        controller.ExitInstance();
        return 1;
    }
    const int code = app.exec();
    StopWindow();
    const int exitCode = controller.ExitInstance();
    return code != 0 ? code : exitCode;
}
