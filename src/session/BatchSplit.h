#pragma once
// The headless splitter behind `parcelo-split`: reads a command line, opens
// the document through the session controller, makes the sections the way the
// New Split Section sheet would (page ranges, repeat every N pages, size
// limited groups), and saves them with Save Split's writer. No window and no
// dialog is shown: password prompts are answered from a file and every
// message box is printed.
//
// All files of one run are written into a hidden staging folder inside the
// output folder and moved to their names only after every one of them was
// written, so a failed or interrupted run leaves no file behind and never
// destroys one.
#include "session/BatchArguments.h"
#include "session/BatchInterrupt.h"

#include <QStringList>
#include <iosfwd>

// Exit status of a run.
enum : int
{
    BATCH_EXIT_OK = 0,      // every file was written
    BATCH_EXIT_FAILED = 1,  // the input, the output folder or the saving failed
    BATCH_EXIT_USAGE = 2,   // the command line is wrong
};

// Runs the whole command: the arguments without the program name, the
// streams for the written file names (one per line) and for messages.
// `progress` shows a progress line on `err` during work that has taken longer
// than `progressDelayMs` (the program turns it on when standard error is a
// terminal). Needs a QCoreApplication.
int RunBatchSplit(const QStringList& arguments, std::ostream& out, std::ostream& err,
                  bool progress = false, int progressDelayMs = 500);
