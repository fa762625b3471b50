#include "support/ConsoleMessages.h"

#include <QtGlobal>
#include <QString>

#include <iostream>

namespace {

void SevereMessagesOnly(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::cerr << text.toStdString() << '\n';
}

} // namespace

void ShowOnlySevereToolkitMessages()
{
    qInstallMessageHandler(SevereMessagesOnly);
}
