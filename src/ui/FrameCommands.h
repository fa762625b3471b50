#pragma once
// Commands (menu items, accelerators, command-bar buttons, context-menu
// choices) travel to the main frame as posted events, so that the sender's
// own handler has returned before the command runs. The frame routes each
// command through the main view and both areas to the application controller.
#include "session/CommandIds.h"

#include <QEvent>

class QObject;
class QWidget;

// The event type carrying a command ("Parcelo::Command"), registered once.
QEvent::Type CommandEventType();

class CommandEvent : public QEvent
{
public:
    explicit CommandEvent(int commandId) : QEvent(CommandEventType()), commandId(commandId) {}
    const int commandId;
};

// Posts the command to the application's main frame (the controller's main
// window). Does nothing when there is no main window.
void PostFrameCommand(int commandId);
// Posts the command to the given receiver.
void PostCommand(QObject* receiver, int commandId);
