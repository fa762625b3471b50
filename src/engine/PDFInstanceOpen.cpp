// Opening a document instance: the splicing layer reads the file first (it
// decides about the password and counts the pages), then the viewer loads
// the file, or a repaired copy of it when the file itself would not show the
// same pages.
#include "engine/PDFInstance.h"

#include "engine/PDFInstanceManager.h"
#include "engine/RepairedCopy.h"
#include "engine/XpdfSplice.h"
#include "support/PathHelpers.h"
#include "support/TextHelpers.h"

#include <QFileInfo>
#include <QImage>

#include <cerrno>
#include <unistd.h>

namespace {

// Closes a splicing input when the scope ends.
class InputScope
{
public:
    explicit InputScope(XpdfSpliceInput input) : m_input(input) {}
    ~InputScope() { xpdfSpliceCloseInput(m_input); }
    InputScope(const InputScope&) = delete;
    InputScope& operator=(const InputScope&) = delete;

private:
    XpdfSpliceInput m_input;
};

OpenError ErrorOfSpliceStatus(int status)
{
    switch (status) {
    case SPLICE_ERR_SYSTEM:
        return OpenError::Unreadable;
    case SPLICE_ERR_PASSWORD:
        return OpenError::WrongPassword;
    case SPLICE_ERR_ENCRYPTION:
        return OpenError::UnsupportedEncryption;
    default:
        return OpenError::Damaged;
    }
}

// The reason a path cannot be read as a file: 0, or the system's error
// number (a folder is "Is a directory").
int FileProblem(const QString& path)
{
    if (path.isEmpty())
        return ENOENT;
    const QFileInfo info(path);
    if (!info.exists())
        return ENOENT;
    if (info.isDir())
        return EISDIR;
    if (::access(QFile::encodeName(path).constData(), R_OK) != 0)
        return errno ? errno : EACCES;
    return 0;
}

} // namespace

bool PDFInstance::OpenFailed(OpenError error, int systemError)
{
    m_openStatus.error = error;
    m_openStatus.systemError = systemError;
    m_outline.clear();
    return false;
}

bool PDFInstance::ViewsRepairedCopy() const
{
    return m_copy != nullptr;
}

bool PDFInstance::CreateViewer()
{
    if (!m_hostParent) {
        CHiddenWnd* parent = m_manager->CreateHostWindow();
        if (!parent)
            return false;
        m_hostParent = parent;
        auto* host = new QObject(parent);
        host->setObjectName(QStringLiteral("1"));
        m_hostWindow = host;
        if (pdfCreateViewer(&m_viewer, host) != PDFVIEWER_OK) {
            m_viewer = nullptr;
            return false;
        }
    }
    return m_viewer != nullptr;
}

bool PDFInstance::LoadViewer(const QString& file, const QString& password, int pages)
{
    int result;
    if (password.isEmpty()) {
        pdfShowPasswordDialog(m_viewer, 0);
        result = pdfLoadFileW(m_viewer, file);
    } else {
        result = pdfLoadFileWithPasswordW(m_viewer, file, ToUtf8(password).constData());
    }
    if (result != PDFVIEWER_OK)
        return false;
    pdfEnableHyperlinks(m_viewer, 0);
    pdfSetContinuousMode(m_viewer, 0);
    return pdfGetNumPages(m_viewer) == pages;
}

bool PDFInstance::PrepareOpen()
{
    m_openStatus = OpenStatus();
    return CreateViewer() || OpenFailed(OpenError::Damaged);
}

bool PDFInstance::Open(const QString& path, int promptId)
{
    m_openStatus = OpenStatus();
    m_outline.clear();
    if (const int problem = FileProblem(path))
        return OpenFailed(OpenError::Unreadable, problem);
    if (!CreateViewer())
        return OpenFailed(OpenError::Damaged);

    // The splicing layer decides whether a password is needed: it is what
    // saving reads the document with, so a password it accepts is the one
    // to keep.
    int status = SPLICE_OK;
    int systemError = 0;
    QString password;
    XpdfSpliceInput input = xpdfSpliceOpenInputStatusW(path, nullptr, &status, &systemError);
    if (!input && status == SPLICE_ERR_PASSWORD) {
        if (!AskPassword(promptId, LastPathComponent(path)))
            return OpenFailed(OpenError::Cancelled);
        password = GetPassword();
        input = xpdfSpliceOpenInputStatusW(path, ToUtf8(password).constData(), &status, &systemError);
    }
    if (!input)
        return OpenFailed(ErrorOfSpliceStatus(status), systemError);
    InputScope closeInput(input);

    m_sourceEncrypted = xpdfSpliceIsEncrypted(input) != 0;
    m_sourcePermissions = xpdfSpliceGetPermissions(input);
    const int pages = xpdfSpliceGetPageCount(input);
    if (pages < 0)
        return OpenFailed(OpenError::PageTree);
    // Read now, while the page tree the bookmarks point into is at hand:
    // reading it later would open and walk the document again.
    xpdfSpliceReadOutline(input, m_outline);

    m_copy.reset();
    m_viewedPath.clear();
    // A document without pages has nothing to show; the caller refuses it.
    if (pages > 0) {
        // The viewer reads the file itself when it sees the same pages.
        // Otherwise (it cannot read the file, counts other pages, or the
        // page tree had to be rebuilt) it reads a copy written by the
        // splicing layer, which has exactly the pages saving will copy.
        // An encrypted document's copy is encrypted the same way.
        if (!xpdfSplicePageTreeRebuilt(input) && LoadViewer(path, password, pages)) {
            m_viewedPath = path;
        } else {
            int copyError = 0;
            std::unique_ptr<RepairedCopy> copy = RepairedCopy::Create(&copyError);
            if (!copy)
                return OpenFailed(OpenError::CopyNotWritten, copyError);
            if (!xpdfSpliceWriteCopy(input, copy->Path(), &copyError))
                return OpenFailed(copyError ? OpenError::CopyNotWritten : OpenError::Damaged, copyError);
            if (!LoadViewer(copy->Path(), password, pages))
                return OpenFailed(OpenError::Damaged);
            m_copy = std::move(copy);
            m_viewedPath = m_copy->Path();
        }
    }

    {
        OruLock lock(m_imageLock);
        m_slots.assign(static_cast<size_t>(pages), Slot());
    }
    {
        OruLock lock(m_aspectLock);
        m_aspects.assign(static_cast<size_t>(pages), 0.0);
    }
    return true;
}
