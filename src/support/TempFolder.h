#pragma once
// The folder for the program's own temporary files.
#include <QString>

// A folder that exists and this user can write into: the one TMPDIR names
// (QDir::tempPath), else /tmp, else /var/tmp. Empty when none of them can
// be written. A TMPDIR that names a missing folder is skipped rather than
// taken as the current folder.
QString WritableTempFolder();
