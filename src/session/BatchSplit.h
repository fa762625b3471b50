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
#include <QString>
#include <QStringList>
#include <cstdint>
#include <iosfwd>

// Exit status of a run.
enum : int
{
    BATCH_EXIT_OK = 0,      // every file was written
    BATCH_EXIT_FAILED = 1,  // the input, the output folder or the saving failed
    BATCH_EXIT_USAGE = 2,   // the command line is wrong
};

enum class BatchMode
{
    None,
    Ranges,   // one section per --ranges text
    Every,    // a new section every N pages
    MaxSize,  // consecutive groups no larger than a size
};

// What may be done with a protected output without its owner password.
enum : unsigned
{
    BATCH_ALLOW_VIEW = 0x1,
    BATCH_ALLOW_PRINT = 0x2,
    BATCH_ALLOW_COPY = 0x4,
    BATCH_ALLOW_ANNOTATE = 0x8,
    BATCH_ALLOW_FORMS = 0x10,
};

struct BatchOptions
{
    bool help = false;
    QString input;
    BatchMode mode = BatchMode::None;
    QStringList ranges;          // Ranges: the texts, one section each
    std::uint64_t every = 0;     // Every: N >= 1
    std::uint64_t sizeBytes = 0; // MaxSize: the limit in bytes
    std::uint64_t sizeNumber = 0;
    bool sizeInMegabytes = false;
    QString outDir;              // empty: the current folder
    QString passwordFile;        // the input's password
    QString ownerPasswordFile;   // protects the outputs
    bool allowGiven = false;
    unsigned allow = BATCH_ALLOW_VIEW;
    bool force = false;
};

// The text printed for --help.
QString BatchUsage();

// Reads the arguments (without the program name). False with a one-line
// reason in `error` when they are not a valid command line.
bool ParseBatchArguments(const QStringList& arguments, BatchOptions& options, QString& error);

// Makes SIGINT, SIGTERM and SIGHUP remove the staging folder of the run in
// progress before the program ends the way the signal would. For the
// program's main(); signals the caller ignores stay ignored.
void InstallBatchSignalCleanup();

// Runs the whole command: the arguments without the program name, the
// streams for the written file names (one per line) and for messages.
// `progress` shows a progress line on `err` during work that has taken longer
// than `progressDelayMs` (the program turns it on when standard error is a
// terminal). Needs a QCoreApplication.
int RunBatchSplit(const QStringList& arguments, std::ostream& out, std::ostream& err,
                  bool progress = false, int progressDelayMs = 500);
