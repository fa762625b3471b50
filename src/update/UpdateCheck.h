#pragma once
// Where updates come from and how their addresses are opened.
//
// Configuration (environment, for packaging and tests):
//   PARCELO_UPDATE_HOST        host[:port] of the update server
//   PARCELO_APPDATA_DIR        folder that replaces the user's application
//                              data folder (the download goes to <dir>/Talvane)
//   PARCELO_INSTALLER_COMMAND  program (with leading arguments) that installs
//                              the downloaded package, given as its last
//                              argument; "xdg-open" by default
#include <QString>
#include <QUrl>

#include <functional>

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
