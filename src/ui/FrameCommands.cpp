#include "ui/FrameCommands.h"

#include "session/CParceloApp.h"

#include <QCoreApplication>
#include <QWidget>

QEvent::Type CommandEventType()
{
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
}

void PostCommand(QObject* receiver, int commandId)
{
    if (receiver)
        QCoreApplication::postEvent(receiver, new CommandEvent(commandId));
}

void PostFrameCommand(int commandId)
{
    CParceloApp* app = CParceloApp::Instance();
    if (app && app->MainWindow())
        PostCommand(app->MainWindow(), commandId);
}
