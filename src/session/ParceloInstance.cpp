#include "session/ParceloInstance.h"

#include "resources/StringTable.h"
#include "session/SessionUser.h"
#include "support/PathHelpers.h"

#include <algorithm>

namespace {

constexpr int kCopyPermission = 0x10;
constexpr int kCopyPasswordPrompt = 242; // "Enter password for copying permission of file %s"

} // namespace

bool ParceloInstance::Open(const QString& path, int promptId)
{
    if (!PDFInstance::Open(path, promptId))
        return false;

    // A password typed to open the file is taken to allow copying as well.
    if (!GetPassword().isEmpty())
        return true;
    if (!SourceEncrypted() || (SourcePermissions() & kCopyPermission))
        return true;
    // Without pages there is nothing to copy; the session refuses the file.
    if (GetPageCount() == 0)
        return true;

    if (!AskPassword(kCopyPasswordPrompt, LastPathComponent(path)))
        return OpenFailed(OpenError::Cancelled);
    // Reload with the password just typed; it is what saving hands to the
    // splicing engine.
    const QString password = GetPassword();
    if (!LoadDocument(ViewedPath(), password, promptId))
        return OpenFailed(OpenError::WrongPassword);
    return true;
}

bool ParceloInstance::AskPassword(int promptId, const QString& fileName)
{
    QString title;
    if (promptId != 0)
    {
        title = LoadResString(promptId);
        title.replace(QLatin1String("%s"), fileName);
    }
    QString typed;
    if (!::AskPassword(title, typed))
        return false;
    m_password = typed;
    return true;
}
