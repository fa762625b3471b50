#pragma once
// Staged writing of the headless splitter: the targets are checked before
// anything is written, the files are written into a hidden staging folder,
// and only when every one was written are they moved to their names, with
// replaced files restored when a move fails.
#include <QString>
#include <QStringList>
#include <vector>

class BatchConsole;
struct SplitSection;

// Checks the completed names of the sections against the output folder:
// valid and unique names, never the input itself, never a folder or a
// read-only file, and existing files only with force. Fills names with the
// completed file names. False with the reasons printed.
bool CheckBatchTargets(const std::vector<SplitSection*>& sections, const QString& input, const QString& outDir,
                       bool force, BatchConsole& console, QStringList& names);

// Moves the written files from the staging folder to their names in outDir.
// Replaced files (force) are kept in the staging folder until every move
// succeeded; on a failure every moved file is taken back and every replaced
// one restored. False with the reason printed.
bool MoveBatchFilesIntoPlace(const QString& staging, const QString& outDir, const QStringList& names, bool force,
                             BatchConsole& console);
