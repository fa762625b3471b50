#pragma once
// Commands (menu items, accelerators, command-bar buttons, context-menu
// choices) travel to the main frame as posted events, so that the sender's
// own handler has returned before the command runs. The frame routes each
// command through the main view and both areas to the application controller.
#include <QEvent>

class QObject;
class QWidget;

// Command ids shared by the menus, the accelerators and the command bar.
enum : int
{
    ID_FILE_OPEN = 57601,
    ID_FILE_CLOSE = 57602,
    ID_FILE_SAVE = 57603,
    ID_EDIT_CLEAR_ALL = 57632,
    ID_APP_ABOUT = 57664,
    ID_HELP_BUTTON = 57670,
    ID_NEW_SPLIT_SECTION = 32774,
    ID_HELP_ONLINE = 32778,
    ID_HELP_WEBSITE = 32779,
    ID_HELP_TRY_TABULO = 32781,
    ID_DELETE_SPLIT_SECTION = 32790,
    ID_REMOVE_PAGE_FROM_SPLIT = 32791,
    ID_HELP_CHECK_UPDATES = 32792,
};

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
