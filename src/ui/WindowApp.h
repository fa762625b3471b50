#pragma once
// The window program on top of the session controller: starts the window
// (card images, splash, main frame, dialogs as the session's user) and runs
// the commands that belong to the window rather than to the session (the New
// Split Section sheet, the help menu, About, Check for Updates).
class CParceloApp;

// After app.InitInstance(): shows the splash and the main frame and makes the
// window's dialogs the session's way to reach the user. False when the frame
// could not be created.
bool StartWindow(CParceloApp& app);

// Before app.ExitInstance(): closes the splash and hands the session's user
// back (messages then go nowhere).
void StopWindow();

// Runs the command: the window's own commands here, the others through the
// controller. False when nobody knows the command.
bool RunWindowCommand(CParceloApp& app, int commandId);
