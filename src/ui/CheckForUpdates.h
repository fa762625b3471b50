#pragma once
// The help menu's "Check for Updates": asks the update server whether a newer
// release exists, offers it, downloads and verifies the installer, starts it
// and then closes the main window so the program ends through its normal
// shut-down. Runs on the window thread; the network work runs on a worker
// under the modal progress dialog, so the window is never frozen.
#include <functional>

class QWidget;

// owner is the main window: it owns the dialogs and message boxes and is
// closed after the installer was started.
void CheckForUpdates(QWidget* owner);

// Ends the program after the installer started (default: closes owner, or
// the active top-level window when owner is null). Returns the previous
// handler; an empty one restores the default.
using UpdateQuitHandler = std::function<void(QWidget* owner)>;
UpdateQuitHandler SetUpdateQuitHandler(UpdateQuitHandler handler);
