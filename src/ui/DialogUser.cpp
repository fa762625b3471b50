#include "ui/DialogUser.h"

#include "ui/CStringDlg.h"
#include "ui/OutputOptions.h"

#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

QWidget* DialogUser::Owner() const
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return m_mainWindow.data();
}

Prompt::StandardButton DialogUser::ShowMessage(const MessageRequest& request)
{
    QMessageBox box(static_cast<QMessageBox::Icon>(request.icon), request.caption, request.text,
                    QMessageBox::StandardButtons(static_cast<int>(request.buttons)), Owner());
    box.setTextFormat(Qt::PlainText);
    if (request.defaultButton != Prompt::NoButton)
        box.setDefaultButton(static_cast<QMessageBox::StandardButton>(request.defaultButton));
    return static_cast<Prompt::StandardButton>(box.exec());
}

bool DialogUser::AskPassword(const QString& title, QString& password)
{
    CStringDlg dlg(Owner());
    dlg.m_passwordMode = true;
    dlg.m_title = title;
    if (dlg.DoModal() != CStringDlg::IDOK_RESULT)
        return false;
    password = dlg.m_value;
    return true;
}

QString DialogUser::ChooseFile(const FileDialogRequest& request)
{
    if (request.chooseFolder)
        return QFileDialog::getExistingDirectory(Owner(), request.caption, request.startFolder);
    return QFileDialog::getOpenFileName(Owner(), request.caption, request.startFolder, request.filter);
}

void DialogUser::ShowFolder(const QString& folder)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

bool DialogUser::WantsOutputOptions()
{
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
}

bool DialogUser::AskOutputOptions(OutputProtection& protection)
{
    return RunOutputOptionsDialog(Owner(), protection);
}
