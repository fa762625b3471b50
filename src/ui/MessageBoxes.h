#pragma once
// Modal message boxes and file/folder choosers used by the commands. Every one
// goes through a replaceable handler so tests (and the headless splitter) can
// answer them without a person in front of the screen.
#include <QMessageBox>
#include <QString>
#include <functional>

class QWidget;

struct MessageRequest
{
    QWidget* owner = nullptr;
    QString caption;  // "Parcelo" unless a dialog asks for another (or empty)
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    // The button Enter presses; NoButton leaves the choice to the style.
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// Shows the message modally and returns the button pressed.
QMessageBox::StandardButton ShowMessage(const MessageRequest& request);

// Short forms with the "Parcelo" caption.
QMessageBox::StandardButton ShowError(QWidget* owner, const QString& text);
QMessageBox::StandardButton ShowQuestion(QWidget* owner, const QString& text,
                                         QMessageBox::StandardButtons buttons,
                                         QMessageBox::Icon icon = QMessageBox::Question);

using MessageHandler = std::function<QMessageBox::StandardButton(const MessageRequest&)>;
// Replaces the handler; an empty handler restores the real message box.
// Returns the previous handler.
MessageHandler SetMessageHandler(MessageHandler handler);

// File and folder choosers. An empty result means cancelled.
struct FileDialogRequest
{
    QWidget* owner = nullptr;
    QString caption;
    QString startFolder;
    QString filter; // Qt filter syntax, e.g. "PDF Files (*.pdf);;All Files (*)"
    bool chooseFolder = false;
};
QString ChooseFile(const FileDialogRequest& request);

using FileDialogHandler = std::function<QString(const FileDialogRequest&)>;
FileDialogHandler SetFileDialogHandler(FileDialogHandler handler);
