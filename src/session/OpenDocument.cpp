// Opening and closing the session's document: the Open File command,
// OpenDocument with its refusals, files dropped on the input area, and
// CloseDocument.
#include "session/CParceloApp.h"

#include "resources/StringTable.h"
#include "session/OpenFailure.h"
#include "session/SaveSplit.h"
#include "session/SessionUser.h"
#include "support/PathHelpers.h"

#include <QFileInfo>
#include <QStringList>

#include <memory>

#include "engine/PDFInstanceManager.h"
#include "session/ParceloInstance.h"

namespace {

constexpr int kOpenPasswordPrompt = 218; // "Enter Password for %s"

QString AppTitle()
{
    return LoadResString(247);
}

} // namespace

QString CParceloApp::ToQtFileFilter(const QString& classicFilter)
{
    const QStringList parts = classicFilter.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
    {
        QString description = parts[i].trimmed();
        // The classic description usually repeats its patterns in brackets;
        // Qt reads the patterns from the brackets, so they are rebuilt.
        const qsizetype bracket = description.lastIndexOf(QLatin1Char('('));
        if (bracket > 0 && description.endsWith(QLatin1Char(')')))
            description = description.left(bracket).trimmed();
        QStringList patterns;
        for (QString pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts))
        {
            pattern = pattern.trimmed();
            patterns.append(pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
        }
        filters.append(description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')'));
    }
    return filters.join(QStringLiteral(";;"));
}

void CParceloApp::OnFileOpen()
{
    FileDialogRequest request;
    request.filter = ToQtFileFilter(LoadResString(212));
    const QString path = ChooseFile(request);
    if (path.isEmpty())
        return;
    OpenDocument(path);
}

bool CParceloApp::OpenDroppedItems(const QStringList& paths)
{
    if (paths.isEmpty())
        return false;
    if (paths.size() >= 2)
    {
        ShowMessage({AppTitle(), LoadResString(236), Prompt::Critical, Prompt::Ok});
        return false;
    }
    // A folder, or an item that cannot be examined, is refused.
    const QFileInfo info(paths.front());
    if (paths.front().isEmpty() || !info.exists() || info.isDir())
    {
        ShowMessage({AppTitle(), LoadResString(237), Prompt::Critical, Prompt::Ok});
        return false;
    }
    return OpenDocument(paths.front());
}

bool CParceloApp::OpenDocument(const QString& path)
{
    OpenStatus status;
    if (OpenDocument(path, status))
        return true;
    // The session is as it was; the user learns which file failed and why.
    // A declined password prompt needs no message.
    const QString text = OpenFailureMessage(path, status);
    if (!text.isEmpty())
    {
        const bool pages = status.error == OpenError::TooFewPages;
        ShowMessage({AppTitle(), text, pages ? Prompt::Warning : Prompt::Critical, Prompt::Ok});
    }
    return false;
}

bool CParceloApp::OpenDocument(const QString& path, OpenStatus& status)
{
    status = OpenStatus();
    PDFInstanceManager& manager = PDFInstanceManager::Get();
    // A document registered under the same path by another holder is
    // shared; only our own document class can serve as the session's. The
    // session's own document is loaded again.
    ParceloInstance* instance = nullptr;
    if (PDFInstance* found = manager.FindInstance(path))
    {
        instance = found != m_document ? dynamic_cast<ParceloInstance*>(found) : nullptr;
        if (!instance)
            manager.ReleaseInstance(found);
    }
    bool created = false;
    if (!instance)
    {
        // The new file is opened completely before anything of the session
        // changes: a file that cannot be opened leaves the open document
        // and its sections as they were.
        auto opened = std::make_unique<ParceloInstance>();
        if (!opened->PrepareOpen())
        {
            status = opened->LastOpenStatus();
            return false;
        }
        // Reading the file (long for a big or damaged one) runs as a long
        // work, so the window stays alive; a password it needs is asked
        // through the session's user. Stopping takes effect once the file
        // has been read: the new document is then dropped.
        bool loaded = false;
        bool stopped = false;
        RunLongWork(LoadResString(204), [&](LongWorkProgress& progress) {
            progress.SetRange(0);
            progress.SetStep(FormatResString(273, LastPathComponent(path)), 0);
            loaded = opened->Open(path, kOpenPasswordPrompt);
            stopped = progress.StopRequested();
        });
        if (stopped)
        {
            status.error = OpenError::Cancelled;
            return false;
        }
        if (!loaded)
        {
            status = opened->LastOpenStatus();
            return false;
        }
        if (opened->GetPageCount() < 2)
        {
            status.error = OpenError::TooFewPages;
            return false;
        }
        instance = opened.release();
        created = true;
    }

    // Only now does the previous document go, with its sections.
    CloseDocument();
    if (created)
        manager.AddInstance(instance, path);
    m_document = instance;
    m_sourcePath = path;
    Notify(EVENT_DOCUMENT_OPENED, 0);
    return true;
}

void CParceloApp::CloseDocument()
{
    if (!m_document)
        return;
    ClearAllSections();
    ParceloInstance* instance = m_document;
    m_document = nullptr;
    m_sourcePath.clear();
    PDFInstanceManager::Get().ReleaseInstance(instance);
    Notify(EVENT_DOCUMENT_CLOSED, 0);
}

int CParceloApp::PageCount() const
{
    return m_document ? m_document->GetPageCount() : 0;
}

void CParceloApp::OnSaveSplit()
{
    RunSaveSplit(*this);
}
