// parcelo-split: cuts one PDF document into several without a window.
#include "BuildVersion.h"
#include "session/BatchSplit.h"
#include "session/Translations.h"
#include "support/ConsoleMessages.h"

#include <QCoreApplication>
#include <QStringList>

#include <iostream>
#include <unistd.h>

int main(int argc, char** argv)
{
    ShowOnlySevereToolkitMessages();
    // No display and no window system: the splitter needs only the core.
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Talvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Parcelo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PARCELO_VERSION_STRING));
    InstallTranslations(true);

    InstallBatchSignalCleanup();

    QStringList arguments = QCoreApplication::arguments();
    if (!arguments.isEmpty())
        arguments.removeFirst();
    return RunBatchSplit(arguments, std::cout, std::cerr, ::isatty(STDERR_FILENO) != 0);
}
