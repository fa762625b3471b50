#include "ui/MessageBoxes.h"

#include <QFileDialog>
#include <QWidget>
#include <utility>

namespace {

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

} // namespace

QMessageBox::StandardButton ShowMessage(const MessageRequest& request)
{
    if (const auto& handler = CurrentMessageHandler())
        return handler(request);
    QMessageBox box(request.icon, request.caption, request.text, request.buttons, request.owner);
    box.setTextFormat(Qt::PlainText);
    if (request.defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(request.defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QMessageBox::StandardButton ShowError(QWidget* owner, const QString& text)
{
    return ShowMessage({owner, QStringLiteral("Parcelo"), text, QMessageBox::Critical, QMessageBox::Ok});
}

QMessageBox::StandardButton ShowQuestion(QWidget* owner, const QString& text,
                                         QMessageBox::StandardButtons buttons, QMessageBox::Icon icon)
{
    return ShowMessage({owner, QStringLiteral("Parcelo"), text, icon, buttons});
}

MessageHandler SetMessageHandler(MessageHandler handler)
{
    return std::exchange(CurrentMessageHandler(), std::move(handler));
}

QString ChooseFile(const FileDialogRequest& request)
{
    if (const auto& handler = CurrentFileDialogHandler())
        return handler(request);
    if (request.chooseFolder)
        return QFileDialog::getExistingDirectory(request.owner, request.caption, request.startFolder);
    return QFileDialog::getOpenFileName(request.owner, request.caption, request.startFolder, request.filter);
}

FileDialogHandler SetFileDialogHandler(FileDialogHandler handler)
{
    return std::exchange(CurrentFileDialogHandler(), std::move(handler));
}
