#pragma once
// The window's side of the session's user interface: messages are message
// boxes, passwords the text prompt, files and folders the toolkit's choosers,
// output options the Output Options dialog (offered while Shift is held).
// Every dialog is owned by the window being used: the active modal dialog,
// else the main window.
//
// Long works (RunLongWork) run on a work thread under the progress dialog.
// The session's questions may then come from that thread: each is brought to
// the window thread, shown there, and the asking thread waits for the
// answer, so questions appear one after another in the order they were
// asked.
#include "session/SessionUser.h"

#include <QPointer>
#include <QWidget>

class DialogUser : public SessionUser
{
public:
    explicit DialogUser(QWidget* mainWindow = nullptr) : m_mainWindow(mainWindow) {}
    void SetMainWindow(QWidget* window) { m_mainWindow = window; }

    Prompt::StandardButton ShowMessage(const MessageRequest& request) override;
    bool AskPassword(const QString& title, QString& password) override;
    QString ChooseFile(const FileDialogRequest& request) override;
    void ShowFolder(const QString& folder) override;
    bool WantsOutputOptions() override;
    bool AskOutputOptions(OutputProtection& protection) override;
    void RunLongWork(const QString& title, const LongWork& work) override;

private:
    QWidget* Owner() const;
    // The calls themselves, on the window thread.
    Prompt::StandardButton ShowMessageHere(const MessageRequest& request);
    bool AskPasswordHere(const QString& title, QString& password);
    QString ChooseFileHere(const FileDialogRequest& request);
    QPointer<QWidget> m_mainWindow;
};
