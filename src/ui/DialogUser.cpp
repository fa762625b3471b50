#include "ui/DialogUser.h"

#include "ui/CStringDlg.h"
#include "ui/LongWorkRunner.h"
#include "ui/OutputOptions.h"

#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QThread>
#include <QUrl>

namespace {

// Runs the call on the window thread and returns its result. Called there,
// it runs at once; called from a work thread, it is queued to the window
// thread and the caller waits until it has run.
template <typename Call>
auto OnWindowThread(Call call) -> decltype(call())
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread())
        return call();
    if constexpr (std::is_void_v<decltype(call())>)
    {
        QMetaObject::invokeMethod(app, call, Qt::BlockingQueuedConnection);
    }
    else
    {
        decltype(call()) result{};
        QMetaObject::invokeMethod(app, [&] { result = call(); }, Qt::BlockingQueuedConnection);
        return result;
    }
}

} // namespace

QWidget* DialogUser::Owner() const
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return m_mainWindow.data();
}

Prompt::StandardButton DialogUser::ShowMessage(const MessageRequest& request)
{
    return OnWindowThread([&] { return ShowMessageHere(request); });
}

Prompt::StandardButton DialogUser::ShowMessageHere(const MessageRequest& request)
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
    return OnWindowThread([&] { return AskPasswordHere(title, password); });
}

bool DialogUser::AskPasswordHere(const QString& title, QString& password)
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
    return OnWindowThread([&] { return ChooseFileHere(request); });
}

QString DialogUser::ChooseFileHere(const FileDialogRequest& request)
{
    if (request.chooseFolder)
        return QFileDialog::getExistingDirectory(Owner(), request.caption, request.startFolder);
    return QFileDialog::getOpenFileName(Owner(), request.caption, request.startFolder, request.filter);
}

void DialogUser::ShowFolder(const QString& folder)
{
    OnWindowThread([&] { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); });
}

bool DialogUser::WantsOutputOptions()
{
    return OnWindowThread([] { return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier); });
}

bool DialogUser::AskOutputOptions(OutputProtection& protection)
{
    return OnWindowThread([&] { return RunOutputOptionsDialog(Owner(), protection); });
}

void DialogUser::RunLongWork(const QString& title, const LongWork& work)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread())
    {
        SessionUser::RunLongWork(title, work);
        return;
    }
    RunLongWorkWithProgress(Owner(), title, work);
}
