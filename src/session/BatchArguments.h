#pragma once
// The headless splitter's command line: the options of one run, how they are
// read, and the help text.
#include <QString>
#include <QStringList>
#include <cstdint>

enum class BatchMode
{
    None,
    Ranges,   // one section per --ranges text
    Every,    // a new section every N pages
    MaxSize,  // consecutive groups no larger than a size
    Bookmarks, // a section at each bookmark of a level
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
    bool version = false;
    QString input;
    BatchMode mode = BatchMode::None;
    QStringList ranges;          // Ranges: the texts, one section each
    std::uint64_t every = 0;     // Every: N >= 1
    std::uint64_t sizeBytes = 0; // MaxSize: the limit in bytes
    std::uint64_t sizeNumber = 0;
    bool sizeInMegabytes = false;
    int bookmarkLevel = 0;       // Bookmarks: 1 = the top level
    QString outDir;              // empty: the current folder
    QString passwordFile;        // the input's password
    QString ownerPasswordFile;   // protects the outputs
    bool allowGiven = false;
    unsigned allow = BATCH_ALLOW_VIEW;
    bool force = false;
};

// The text printed for --help.
QString BatchUsage();
// The line printed for --version.
QString BatchVersion();

// Reads the arguments (without the program name). False with a one-line
// reason in `error` when they are not a valid command line.
bool ParseBatchArguments(const QStringList& arguments, BatchOptions& options, QString& error);

