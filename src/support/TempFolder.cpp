#include "support/TempFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace {

bool IsWritableFolder(const QString& path)
{
    if (path.isEmpty() || !QFileInfo(path).isDir())
        return false;
    // access() also sees a read-only file system, which the mode bits do not.
    return ::access(QFile::encodeName(path).constData(), W_OK | X_OK) == 0;
}

} // namespace

QString WritableTempFolder()
{
    // QDir::tempPath() is empty when TMPDIR names a folder that does not
    // exist; a relative path built on it would land in the current folder.
    const QString candidates[] = {QDir::tempPath(), QStringLiteral("/tmp"), QStringLiteral("/var/tmp")};
    for (const QString& candidate : candidates) {
        if (IsWritableFolder(candidate))
            return QDir(candidate).absolutePath();
    }
    return QString();
}
