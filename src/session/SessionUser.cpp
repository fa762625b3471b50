#include "session/SessionUser.h"

#include <utility>

namespace {

SessionUser* g_user = nullptr;

MessageHandler& CurrentMessageHandler()
{
    static MessageHandler handler;
    return handler;
}

FileDialogHandler& CurrentFileDialogHandler()
{
    static FileDialogHandler handler;
    return handler;
}

PasswordHandler& CurrentPasswordHandler()
{
    static PasswordHandler handler;
    return handler;
}

LongWorkHandler& CurrentLongWorkHandler()
{
    static LongWorkHandler handler;
    return handler;
}

Prompt::StandardButton DefaultAnswer(const MessageRequest& request)
{
    if (request.defaultButton != Prompt::NoButton)
        return request.defaultButton;
    // Without anyone to ask, the most careful answer the message allows.
    for (Prompt::StandardButton b : {Prompt::Cancel, Prompt::No, Prompt::Ok, Prompt::Yes})
    {
        if (request.buttons & b)
            return b;
    }
    return Prompt::Ok;
}

} // namespace

SessionUser* SetSessionUser(SessionUser* user)
{
    return std::exchange(g_user, user);
}

SessionUser* CurrentSessionUser()
{
    return g_user;
}

Prompt::StandardButton ShowMessage(const MessageRequest& request)
{
    if (const auto& handler = CurrentMessageHandler())
        return handler(request);
    if (g_user)
        return g_user->ShowMessage(request);
    return DefaultAnswer(request);
}

Prompt::StandardButton ShowError(const QString& text)
{
    return ShowMessage({QStringLiteral("Parcelo"), text, Prompt::Critical, Prompt::Ok});
}

Prompt::StandardButton ShowQuestion(const QString& text, Prompt::StandardButtons buttons, Prompt::Icon icon)
{
    return ShowMessage({QStringLiteral("Parcelo"), text, icon, buttons});
}

QString ChooseFile(const FileDialogRequest& request)
{
    if (const auto& handler = CurrentFileDialogHandler())
        return handler(request);
    return g_user ? g_user->ChooseFile(request) : QString();
}

bool AskPassword(const QString& title, QString& password)
{
    if (const auto& handler = CurrentPasswordHandler())
        return handler(title, password);
    return g_user ? g_user->AskPassword(title, password) : false;
}

void RunLongWork(const QString& title, const LongWork& work)
{
    if (const auto& handler = CurrentLongWorkHandler())
        return handler(title, work);
    if (g_user)
        return g_user->RunLongWork(title, work);
    NoLongWorkProgress progress;
    work(progress);
}

MessageHandler SetMessageHandler(MessageHandler handler)
{
    return std::exchange(CurrentMessageHandler(), std::move(handler));
}

FileDialogHandler SetFileDialogHandler(FileDialogHandler handler)
{
    return std::exchange(CurrentFileDialogHandler(), std::move(handler));
}

PasswordHandler SetPasswordHandler(PasswordHandler handler)
{
    return std::exchange(CurrentPasswordHandler(), std::move(handler));
}

LongWorkHandler SetLongWorkHandler(LongWorkHandler handler)
{
    return std::exchange(CurrentLongWorkHandler(), std::move(handler));
}

PasswordHandler AnswerPasswordWith(const QString& text)
{
    return [text](const QString&, QString& password) {
        if (text.isNull())
            return false;
        password = text;
        return true;
    };
}
