// Opening and closing the session's document: the Open File command,
// OpenDocument with its single-page refusal, files dropped on the input
// area, and CloseDocument.
#include "session/CParceloApp.h"

#include "resources/StringTable.h"
#include "session/SaveSplit.h"
#include "session/SessionUser.h"

#include <QFileInfo>
#include <QStringList>

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
    // The previous document and its sections go first, announced, even when
    // the new file then turns out to be unusable.
    CloseDocument();

    PDFInstanceManager& manager = PDFInstanceManager::Get();
    // A document registered under the same path by another holder is
    // shared; only our own document class can serve as the session's.
    ParceloInstance* instance = nullptr;
    if (PDFInstance* found = manager.FindInstance(path))
    {
        instance = dynamic_cast<ParceloInstance*>(found);
        if (!instance)
            manager.ReleaseInstance(found);
    }
    if (!instance)
    {
        auto* created = new ParceloInstance();
        if (!created->Open(path, kOpenPasswordPrompt))
        {
            delete created;
            return false;
        }
        if (created->GetPageCount() < 2)
        {
            delete created;
            ShowMessage({AppTitle(), LoadResString(238), Prompt::Warning, Prompt::Ok});
            return false;
        }
        manager.AddInstance(created, path);
        instance = created;
    }

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
