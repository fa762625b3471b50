#pragma once
// The window's side of the session's user interface: messages are message
// boxes, passwords the text prompt, files and folders the toolkit's choosers,
// output options the Output Options dialog (offered while Shift is held).
// Every dialog is owned by the window being used: the active modal dialog,
// else the main window.
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

private:
    QWidget* Owner() const;
    QPointer<QWidget> m_mainWindow;
};
