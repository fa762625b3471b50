// parcelo-split: cuts one PDF document into several without a window.
#include "session/BatchSplit.h"
#include "support/ConsoleMessages.h"

#include <QApplication>
#include <QStringList>

#include <iostream>
#include <unistd.h>

int main(int argc, char** argv)
{
    ShowOnlySevereToolkitMessages();
    // The session's document objects are widgets that are never shown; no
    // display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Talvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Parcelo"));

    InstallBatchSignalCleanup();

    QStringList arguments = QCoreApplication::arguments();
    if (!arguments.isEmpty())
        arguments.removeFirst();
    return RunBatchSplit(arguments, std::cout, std::cerr, ::isatty(STDERR_FILENO) != 0);
}
