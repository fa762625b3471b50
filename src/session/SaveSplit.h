#pragma once
// Save Split: writes every split section as its own PDF file into a folder the
// user chooses, optionally protected by a password.
//
// The names are completed and every existing target settled (refused or
// confirmed) on the calling thread before anything is written. The files are
// then written as a long work (session/SectionFiles.h): each first to a
// temporary file in the target folder, all forced to the disk together, and
// then moved over their names in order, so a failed or stopped save never
// leaves a half-written PDF behind and never destroys a file that was there
// before.
#include "session/OutputProtection.h"

#include <QString>
#include <functional>
#include <optional>
#include <vector>

class CParceloApp;
struct SplitSection;

// The command (Ctrl+S, the command bar's Save Split button).
void RunSaveSplit(CParceloApp& app);

// The password the open document was opened (or copied) with; empty when it
// needs none.
QString DocumentPassword(const CParceloApp& app);

// How one save ended.
enum class SaveOutcome
{
    Saved,      // every section was written
    Refused,    // a check failed before anything was written (message shown)
    Cancelled,  // the user cancelled a dialog or question, or stopped the writing
                // (then the message says how many files were written)
    Failed,     // writing failed part-way (message shown); earlier files stay complete
};

// Everything a save needs, without the dialogs that gather it.
struct SaveRequest
{
    QString sourcePath;                   // the open source document
    QString sourcePassword;               // empty when the source needs none
    std::vector<SplitSection*> sections;  // in list order
    // Stores a completed file name (".pdf" appended); the session announces it.
    std::function<void(SplitSection*, const QString&)> setFileName;
    QString folder;                       // existing output folder
    std::optional<OutputProtection> protection;
};

// The file name a section is saved under: its name, with ".pdf" appended when
// it contains no ".".
QString CompletedFileName(const QString& fileName);

// The name checks made before anything is written: every completed name must
// be a valid single file name and unique. Shows the error and returns false
// on the first offending section.
bool CheckSectionFileNames(const std::vector<SplitSection*>& sections);

// Writes the sections (the first pass with its overwrite questions, then the
// files as a long work). Shows every error itself; does not ask the final
// question.
SaveOutcome SaveSections(const SaveRequest& request);

// Replaceable hooks so the command can run without a person at the screen.
// Each setter returns the previous hook; an empty hook restores the default.
using ShiftStateHook = std::function<bool()>;                      // is Shift held?
using OpenFolderHook = std::function<void(const QString& folder)>; // show the folder
using OutputOptionsHook = std::function<bool(OutputProtection& protection)>; // false: cancelled
ShiftStateHook SetShiftStateHook(ShiftStateHook hook);
OpenFolderHook SetOpenFolderHook(OpenFolderHook hook);
OutputOptionsHook SetOutputOptionsHook(OutputOptionsHook hook);
