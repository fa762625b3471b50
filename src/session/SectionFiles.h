#pragma once
// The writing half of Save Split: every planned file is first written in
// full to a hidden temporary file beside its target, then all of them are
// forced to the disk together, and only then each is renamed to its name in
// order. A crash or a power cut therefore never leaves an empty or partial
// file under a section's name, and the disk is waited for once per save
// rather than once per file.
//
// Runs on a work thread: it touches no session object, only the plan.
#include "session/LongWork.h"
#include "session/OutputProtection.h"
#include "session/PageList.h"

#include <QString>
#include <functional>
#include <optional>
#include <vector>

struct PlannedFile
{
    QString path;   // the target: folder and completed name
    PageList pages; // in output order
};

struct SectionFilesRequest
{
    QString sourcePath;
    QString sourcePassword; // empty when the source needs none
    QString folder;         // where the targets and the temporary files live
    std::vector<PlannedFile> files;
    std::optional<OutputProtection> protection;
};

struct SectionFilesResult
{
    enum class End
    {
        Written,   // every file is in place
        Stopped,   // the user stopped it: the first `written` files are in place
        Failed,    // file `failedIndex` failed: the files before it are in place
    };
    End end = End::Failed;
    int written = 0;     // files complete under their names
    int failedIndex = -1;
    int message = 0;     // the numbered message that describes the failure
    QString failedPath;  // the path the message names
    QString reason;      // the system's or the engine's words for it, when known
};

// Writes the planned files. Whatever the end, no temporary file remains, and
// every target is either as it was before or complete; the files before the
// first failure (or before the stop) are complete and durable.
SectionFilesResult WriteSectionFiles(const SectionFilesRequest& request, LongWorkProgress& progress);

// Whether a finished temporary file's data reached the disk, as the system
// tells once the file has been written out. Tests stand in for the system:
// a late write error (a failing device, a thin-provisioned disk running
// full) cannot be caused at will. Null gives the system's answer back;
// returns the previous check.
using WrittenOutCheck = std::function<bool(const QString& temporaryPath)>;
WrittenOutCheck SetWrittenOutCheck(WrittenOutCheck check);
