// The application controller: start-up and shut-down order, the section list
// and its operations, and the routing of the controller's commands. Opening
// and closing documents live in OpenDocument.cpp.
#include "session/CParceloApp.h"

#include "engine/XpdfSplice.h"
#include "resources/StringTable.h"
#include "session/Settings.h"
#include "support/PathHelpers.h"
#include "session/CommandIds.h"

#include <QCoreApplication>
#include <QFile>
#include <QMetaObject>
#include <algorithm>

#include "engine/PDFInstanceManager.h"
#include "engine/PDFViewWrapper.h"
#include "engine/RepairedCopy.h"

namespace {

CParceloApp* g_app = nullptr;

constexpr int kMinPageSize = 8;
constexpr int kMaxPageSize = 16;
constexpr int kDefaultPageSize = 10;

} // namespace

CParceloApp::CParceloApp()
{
    ApplySettingsLocationOverride();
    g_app = this;
}

CParceloApp::~CParceloApp()
{
    // Without a window nobody is left to hear the announcements.
    m_notify = nullptr;
    CloseDocument();
    if (g_app == this)
        g_app = nullptr;
}

CParceloApp* CParceloApp::Instance()
{
    return g_app;
}

bool CParceloApp::InitInstance()
{
    // Settings first: the thumbnail height is 10 times the stored page size.
    const int pageSize = std::clamp(
        ReadSettingInt(QString::fromLatin1(kOptionsGroup), QStringLiteral("PageSize"), kDefaultPageSize),
        kMinPageSize, kMaxPageSize);
    thumbnailSize = pageSize * 10;
    loadingText = LoadResString(217);
    m_initialised = true;

    // The engines: viewer configuration, then the splicing engine. A failed
    // viewer configuration is not fatal; documents then fail to open.
    InitViewerEngine();
    xpdfSpliceInit();
    // Repaired copies left behind by a run that did not end normally.
    RemoveStaleRepairedCopies();

    return true;
}

int CParceloApp::ExitInstance()
{
    // Normally the window is gone by now (closing it closed the document);
    // when the event loop ended another way, destroy it here so the views
    // hear the document close before they disappear.
    if (m_mainWindow)
        delete m_mainWindow.data();
    CloseDocument();
    RemoveRepairedCopies();
    if (m_initialised)
        WriteSetting(QString::fromLatin1(kOptionsGroup), QStringLiteral("PageSize"), thumbnailSize / 10);
    m_initialised = false;
    return 0;
}

void CParceloApp::SetMainWindow(QObject* window, EventNotify* notify)
{
    if (m_mainWindow)
        disconnect(m_mainWindow, &QObject::destroyed, this, nullptr);
    m_mainWindow = window;
    m_notify = notify;
    // The documents' hidden hosts belong to it.
    if (window)
        PDFInstanceManager::Get().SetMainWindow(window);
    if (window)
        connect(window, &QObject::destroyed, this, [this] { OnMainWindowDestroyed(); });
}

QObject* CParceloApp::MainWindow() const
{
    return m_mainWindow.data();
}

void CParceloApp::OnMainWindowDestroyed()
{
    // The window (and the views behind the notify interface) are being torn
    // down: forget them before anything could announce to them, then release
    // whatever document is still open.
    m_notify = nullptr;
    m_mainWindow = nullptr;
    CloseDocument();
}

void CParceloApp::Notify(std::uint32_t code, std::uintptr_t payload)
{
    if (m_notify)
        m_notify->Notify(code, payload);
}

void CParceloApp::QuitApplication()
{
    if (m_mainWindow)
        QMetaObject::invokeMethod(m_mainWindow.data(), "close", Qt::QueuedConnection);
    else if (QCoreApplication::instance())
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}

// ---------------------------------------------------------------------------
// The section list

void CParceloApp::ClearAllSections()
{
    while (!m_sections.empty())
    {
        std::unique_ptr<SplitSection> section = std::move(m_sections.back());
        m_sections.pop_back();
        Notify(EVENT_SECTION_REMOVED, reinterpret_cast<std::uintptr_t>(section.get()));
    }
}

SplitSection* CParceloApp::AddSection(const PageList& pages, const QString& fileName)
{
    auto section = std::make_unique<SplitSection>();
    section->pages = pages;
    section->number = static_cast<std::int32_t>(m_sections.size()) + 1;
    section->fileName = fileName.isEmpty() ? MakeDefaultFileName(*section, m_sourcePath) : fileName;
    SplitSection* added = section.get();
    m_sections.push_back(std::move(section));
    Notify(EVENT_SECTION_ADDED, reinterpret_cast<std::uintptr_t>(added));
    return added;
}

void CParceloApp::RemoveSection(SplitSection* section)
{
    const auto it = std::find_if(m_sections.begin(), m_sections.end(),
                                 [section](const auto& s) { return s.get() == section; });
    if (it == m_sections.end())
        return;
    std::unique_ptr<SplitSection> removed = std::move(*it);
    const auto next = m_sections.erase(it);
    const auto firstFollowing = static_cast<std::size_t>(next - m_sections.begin());
    for (std::size_t i = firstFollowing; i < m_sections.size(); ++i)
        RenumberSection(m_sections[i].get(), m_sections[i]->number - 1);
    Notify(EVENT_SECTION_REMOVED, reinterpret_cast<std::uintptr_t>(removed.get()));
}

void CParceloApp::SetSectionPages(SplitSection* section, const PageList& pages)
{
    if (!HasSection(section) || section->pages == pages)
        return;
    section->pages = pages;
    Notify(EVENT_SECTION_PAGES_CHANGED, reinterpret_cast<std::uintptr_t>(section));
}

void CParceloApp::SetSectionFileName(SplitSection* section, const QString& name)
{
    // Exact comparison: a change of case only is a change.
    if (!HasSection(section) || section->fileName == name)
        return;
    section->fileName = name;
    Notify(EVENT_SECTION_NAME_CHANGED, reinterpret_cast<std::uintptr_t>(section));
}

void CParceloApp::RenumberSection(SplitSection* section, int newNumber)
{
    if (!HasSection(section))
        return;
    const QString oldDefault = MakeDefaultFileName(*section, m_sourcePath);
    section->number = newNumber;
    // A name the user chose is kept; only the default name follows the number.
    if (section->fileName == oldDefault)
        section->fileName = MakeDefaultFileName(*section, m_sourcePath);
    Notify(EVENT_SECTION_NAME_CHANGED, reinterpret_cast<std::uintptr_t>(section));
}

QString CParceloApp::MakeDefaultFileName(const SplitSection& section, const QString& sourcePath)
{
    QString title = LastPathComponent(sourcePath);
    if (title.isEmpty())
        title = QStringLiteral("section");
    // A character Linux allows in the source's name but an output name may
    // not hold becomes "_", so the default name can always be saved.
    for (QChar& c : title)
    {
        if (c.unicode() < 0x20 || QStringView(u"\"*/:<>?\\|").contains(c))
            c = QLatin1Char('_');
    }
    const qsizetype dot = title.lastIndexOf(QLatin1Char('.'));
    QString base = dot >= 0 ? title.left(dot) : title;
    QString extension = dot >= 0 ? title.mid(dot + 1) : QString();
    // "%s-S%d.%s": the format is our own string; the parts are inserted as
    // plain text, never as a format.
    const QString format = LoadResString(226);
    const qsizetype s1 = format.indexOf(QLatin1String("%s"));
    const qsizetype d = format.indexOf(QLatin1String("%d"), s1 + 2);
    const qsizetype s2 = format.indexOf(QLatin1String("%s"), d + 2);
    const QString number = QString::number(section.number);
    auto compose = [&] {
        if (s1 < 0 || d < 0 || s2 < 0)
            return base + QStringLiteral("-S") + number + QLatin1Char('.') + extension;
        return format.left(s1) + base + format.mid(s1 + 2, d - s1 - 2) + number +
               format.mid(d + 2, s2 - d - 2) + extension + format.mid(s2 + 2);
    };
    // A source name near the file system's limit would give a name the
    // save refuses: the title is shortened (then, if need be, the
    // extension) until the name fits.
    QString name = compose();
    for (QString* part : {&base, &extension})
    {
        const qsizetype over = QFile::encodeName(name).size() - kMaxFileNameBytes;
        if (over <= 0)
            break;
        const qsizetype partBytes = QFile::encodeName(*part).size();
        *part = TruncateToEncodedBytes(*part, std::max<qsizetype>(0, partBytes - over));
        name = compose();
    }
    return name;
}

bool CParceloApp::IsPageInAnySection(int page) const
{
    return std::any_of(m_sections.begin(), m_sections.end(),
                       [this, page](const auto& s) { return SectionContainsPage(s.get(), page); });
}

bool CParceloApp::SectionContainsPage(const SplitSection* section, int page) const
{
    if (!section)
        return false;
    return std::find(section->pages.begin(), section->pages.end(), page) != section->pages.end();
}

PageList CParceloApp::RemainingPages() const
{
    const int count = PageCount();
    if (count <= 0)
        return {};
    std::vector<bool> used(static_cast<std::size_t>(count) + 1, false);
    for (const auto& section : m_sections)
    {
        for (std::int32_t page : section->pages)
        {
            if (page >= 1 && page <= count)
                used[static_cast<std::size_t>(page)] = true;
        }
    }
    PageList remaining;
    for (int page = 1; page <= count; ++page)
    {
        if (!used[static_cast<std::size_t>(page)])
            remaining.push_back(page);
    }
    return remaining;
}

bool CParceloApp::HasSection(const SplitSection* section) const
{
    if (!section)
        return false;
    return std::any_of(m_sections.begin(), m_sections.end(),
                       [section](const auto& s) { return s.get() == section; });
}

// ---------------------------------------------------------------------------
// Commands

void CParceloApp::OnCloseDocument()
{
    CloseDocument();
}

void CParceloApp::OnClearAll()
{
    ClearAllSections();
}

bool CParceloApp::OnCommand(int commandId)
{
    switch (commandId)
    {
    case ID_FILE_OPEN: OnFileOpen(); return true;
    case ID_FILE_CLOSE: OnCloseDocument(); return true;
    case ID_EDIT_CLEAR_ALL: OnClearAll(); return true;
    case ID_FILE_SAVE: OnSaveSplit(); return true;
    default: return false;
    }
}
