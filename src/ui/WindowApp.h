#pragma once
// The window program on top of the session controller: starts the window
// (card images, splash, main frame, dialogs as the session's user) and runs
// the commands that belong to the window rather than to the session (the New
// Split Section sheet, the help menu, About, Check for Updates).
class CParceloApp;
class QString;

// After app.InitInstance(): shows the splash and the main frame and makes the
// window's dialogs the session's way to reach the user. False when the frame
// could not be created.
bool StartWindow(CParceloApp& app);

// Opens a document named on the command line as Open File opens a chosen
// one (same prompts, same messages), as soon as the event loop runs. The
// splash closes first so that no prompt is hidden behind it.
void OpenDocumentOnceShown(CParceloApp& app, const QString& path);

// Before app.ExitInstance(): closes the splash and hands the session's user
// back (messages then go nowhere).
void StopWindow();

// Runs the command: the window's own commands here, the others through the
// controller. False when nobody knows the command.
bool RunWindowCommand(CParceloApp& app, int commandId);
