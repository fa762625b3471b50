#pragma once
// The Check for Updates command: asks the update server whether a newer
// release exists, offers it, downloads and verifies the installer, starts it
// and then closes the main window so the program ends through its normal
// shut-down. Runs on the window thread; the network work runs on a worker
// under the modal progress dialog, so the window is never frozen.
//
// Configuration (environment, for packaging and tests):
//   PARCELO_UPDATE_HOST        host[:port] of the update server
//   PARCELO_APPDATA_DIR        folder that replaces the user's application
//                              data folder (the download goes to <dir>/Talvane)
//   PARCELO_INSTALLER_COMMAND  program (with leading arguments) that installs
//                              the downloaded package; "msiexec" by default
#include <QString>
#include <QUrl>

#include <functional>

class QWidget;

// The help menu's "Check for Updates". owner is the main window: it owns the
// dialogs and message boxes and is closed after the installer was started.
void CheckForUpdates(QWidget* owner);

// The update server's host (with an optional ":port").
QString UpdateServerHost();

// Whether an address from the update service is a well-formed http or https
// address with a host (never a local file, another scheme or malformed text).
bool IsWebAddress(const QString& address);

// Opens an address from the update service in the user's browser. Only an
// address IsWebAddress accepts is opened; anything else is refused with false.
bool OpenUpdateAddress(const QString& address);

// Test and embedding hooks. Each setter returns the previous hook; an empty
// function restores the default.
// Opens a validated address (default: QDesktopServices::openUrl).
using UpdateUrlOpener = std::function<bool(const QUrl&)>;
UpdateUrlOpener SetUpdateUrlOpener(UpdateUrlOpener opener);
// Ends the program after the installer started (default: closes owner, or
// the active top-level window when owner is null).
using UpdateQuitHandler = std::function<void(QWidget* owner)>;
UpdateQuitHandler SetUpdateQuitHandler(UpdateQuitHandler handler);
