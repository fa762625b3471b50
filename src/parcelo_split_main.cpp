// parcelo-split: cuts one PDF document into several without a window.
#include "session/BatchSplit.h"

#include <QApplication>
#include <QStringList>

#include <iostream>
#include <unistd.h>

namespace {

// The program speaks through its own messages; the toolkit's chatter (for
// instance about the missing display) is not shown.
void QuietToolkitMessages(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::cerr << text.toStdString() << '\n';
}

} // namespace

int main(int argc, char** argv)
{
    qInstallMessageHandler(QuietToolkitMessages);
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
