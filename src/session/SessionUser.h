#pragma once
// How the split session reaches the person (or the script) it works for. The
// session never shows anything itself: it asks for a password, asks a
// question, tells a message or asks for a file or folder through the current
// SessionUser. The window implements it with dialogs; the headless splitter
// implements it from its command-line options and standard error.
#include "session/LongWork.h"
#include "session/OutputProtection.h"

#include <QString>
#include <cstdint>
#include <functional>

// Icons and answers of a message. The values are those of the toolkit's
// message boxes, so the window can hand them over unchanged.
namespace Prompt {

enum Icon
{
    NoIcon = 0,
    Information = 1,
    Warning = 2,
    Critical = 3,
    Question = 4,
};

enum StandardButton : std::uint32_t
{
    NoButton = 0x00000000,
    Ok = 0x00000400,
    Yes = 0x00004000,
    No = 0x00010000,
    Cancel = 0x00400000,
};
using StandardButtons = std::uint32_t;

} // namespace Prompt

struct MessageRequest
{
    QString caption;  // "Parcelo" unless the message asks for another (or empty)
    QString text;
    Prompt::Icon icon = Prompt::NoIcon;
    Prompt::StandardButtons buttons = Prompt::Ok;
    // The answer Enter gives; NoButton leaves the choice to the window.
    Prompt::StandardButton defaultButton = Prompt::NoButton;
};

// A file to open or a folder to write into. An empty answer means cancelled.
struct FileDialogRequest
{
    QString caption;
    QString startFolder;
    QString filter; // "PDF Files (*.pdf);;All Files (*)"
    bool chooseFolder = false;
};

class SessionUser
{
public:
    virtual ~SessionUser() = default;

    // Shows the message and returns the answer (one of request.buttons).
    virtual Prompt::StandardButton ShowMessage(const MessageRequest& request) = 0;
    // Asks for a password; the title names the document. True with the text
    // exactly as given, false when the user declined.
    virtual bool AskPassword(const QString& title, QString& password) = 0;
    // Asks for a file or a folder; empty when cancelled.
    virtual QString ChooseFile(const FileDialogRequest& request) = 0;
    // Shows a folder the session has just written into (the window: the
    // file manager).
    virtual void ShowFolder(const QString& folder) { (void)folder; }
    // Whether the user asked for output options for this save (the window:
    // Shift held when the command started).
    virtual bool WantsOutputOptions() { return false; }
    // Asks how the files of one save are protected. False when cancelled.
    virtual bool AskOutputOptions(OutputProtection& protection)
    {
        (void)protection;
        return false;
    }
    // Runs a long operation to its end and returns then. The window runs it
    // on a work thread under a progress display with a Cancel button and
    // keeps handling its own events meanwhile; the calls above may then come
    // from that work thread, and the window answers them on its own thread,
    // in the order they were made. The base runs the work here, without
    // progress and without a way to cancel.
    virtual void RunLongWork(const QString& title, const LongWork& work)
    {
        (void)title;
        NoLongWorkProgress progress;
        work(progress);
    }
};

// The user the session works for; null before one is set (then messages are
// answered with their default button, prompts and choosers are declined).
// Returns the previous one. The caller keeps ownership.
SessionUser* SetSessionUser(SessionUser* user);
SessionUser* CurrentSessionUser();

// The session's ways to reach the user. Each goes through its replacement
// handler when one is set (tests answer with them), else to the current user.
Prompt::StandardButton ShowMessage(const MessageRequest& request);
// Short forms with the "Parcelo" caption.
Prompt::StandardButton ShowError(const QString& text);
Prompt::StandardButton ShowQuestion(const QString& text, Prompt::StandardButtons buttons,
                                    Prompt::Icon icon = Prompt::Question);
QString ChooseFile(const FileDialogRequest& request);
bool AskPassword(const QString& title, QString& password);
// Runs a long operation through the current user (see SessionUser); with no
// user, on this thread.
void RunLongWork(const QString& title, const LongWork& work);

using MessageHandler = std::function<Prompt::StandardButton(const MessageRequest&)>;
using FileDialogHandler = std::function<QString(const FileDialogRequest&)>;
// Returns true with the password, false when declined.
using PasswordHandler = std::function<bool(const QString& title, QString& password)>;
using LongWorkHandler = std::function<void(const QString& title, const LongWork& work)>;
// Each setter returns the previous handler; an empty one hands the requests
// back to the current user.
MessageHandler SetMessageHandler(MessageHandler handler);
FileDialogHandler SetFileDialogHandler(FileDialogHandler handler);
PasswordHandler SetPasswordHandler(PasswordHandler handler);
LongWorkHandler SetLongWorkHandler(LongWorkHandler handler);

// A password handler that answers with the text, or declines when the text is
// null (QString()).
PasswordHandler AnswerPasswordWith(const QString& text);
