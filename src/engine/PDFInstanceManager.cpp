#include "engine/PDFInstanceManager.h"

#include <algorithm>

int PageRetrievedEventType()
{
    // One event type for the message name "Parcelo::PageRetrieved".
    static const int type = QEvent::registerEventType();
    return type;
}

namespace {

// The program's manager exists, with its worker running and the message
// registered, before the application object runs.
[[maybe_unused]] const bool g_managerReady = (PageRetrievedEventType(), PDFInstanceManager::Get(), true);

} // namespace

CHiddenWnd::CHiddenWnd(PDFInstanceManager* manager, int slot, QObject* parent)
    : QObject(parent), m_manager(manager), m_slot(slot)
{
    setObjectName(QStringLiteral("CHiddenWnd%1").arg(ControlId()));
}

CHiddenWnd::~CHiddenWnd()
{
    if (m_manager)
        m_manager->FreeHostSlot(m_slot, this);
}

void PDFRetrievePage::Run()
{
    // A request whose worker is being stopped does no more work.
    if (StopRequested())
        return;
    m_instance->GetPageImage(m_page, true);
    // A request cancelled because its document is being closed (or the
    // program is ending) announces nothing: its instance is about to go.
    if (StopRequested())
        return;
    if (PDFInstanceManager::PDFPageCallback* callback = m_manager->Callback())
        callback->PageRetrieved(m_instance, m_page);
}

PDFInstanceManager& PDFInstanceManager::Get()
{
    static PDFInstanceManager manager(true);
    return manager;
}

PDFInstanceManager::PDFInstanceManager(bool startWorker) : WorkThread(false)
{
    PageRetrievedEventType();
    if (startWorker)
        Start();
}

PDFInstanceManager::~PDFInstanceManager()
{
    {
        OruLock lock(this);
        for (CHiddenWnd* window : m_hostWindows) {
            if (window)
                window->m_manager = nullptr;
        }
        m_hostWindows.clear();
        m_registry.clear();
    }
    Shutdown(500);
    std::deque<PDFRetrievePage*> left;
    {
        OruLock lock(this);
        left.swap(m_requests);
    }
    for (PDFRetrievePage* item : left)
        delete item;
}

QString PDFInstanceManager::PathKey(const QString& path)
{
    QString key = path;
    for (QChar& c : key) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    return key;
}

PDFInstance* PDFInstanceManager::FindInstance(const QString& path)
{
    OruLock lock(this);
    auto it = m_registry.find(PathKey(path));
    if (it == m_registry.end())
        return nullptr;
    ++it->second->m_refCount;
    return it->second;
}

void PDFInstanceManager::AddInstance(PDFInstance* instance, const QString& path)
{
    if (!instance)
        return;
    OruLock lock(this);
    m_registry[PathKey(path)] = instance;
    ++instance->m_refCount;
}

void PDFInstanceManager::ReleaseInstance(PDFInstance* instance)
{
    if (!instance)
        return;
    Lock();
    if (--instance->m_refCount > 0) {
        Unlock();
        return;
    }
    std::vector<PDFRetrievePage*> dropped;
    for (auto it = m_requests.begin(); it != m_requests.end();) {
        if ((*it)->Instance() == instance) {
            dropped.push_back(*it);
            it = m_requests.erase(it);
        } else {
            ++it;
        }
    }
    auto* running = dynamic_cast<PDFRetrievePage*>(CurrentItemLocked());
    if (running && running->Instance() == instance) {
        // Releases the lock while the render finishes, then take it again.
        CancelCurrentItem(true);
        Lock();
    }
    for (auto it = m_registry.begin(); it != m_registry.end();) {
        if (it->second == instance)
            it = m_registry.erase(it);
        else
            ++it;
    }
    delete instance;
    Unlock();
    for (PDFRetrievePage* item : dropped)
        delete item;
}

void PDFInstanceManager::RequestPage(int page, PDFInstance* instance)
{
    if (!instance)
        return;
    OruLock lock(this);
    for (const PDFRetrievePage* queued : m_requests) {
        if (queued->Instance() == instance && queued->Page() == page)
            return;
    }
    m_requests.push_back(new PDFRetrievePage(this, instance, page));
}

WorkItem* PDFInstanceManager::PopNextItem()
{
    if (!m_requests.empty()) {
        PDFRetrievePage* item = m_requests.front();
        m_requests.pop_front();
        return item;
    }
    return WorkThread::PopNextItem();
}

CHiddenWnd* PDFInstanceManager::CreateHostWindow()
{
    OruLock lock(this);
    auto it = std::find(m_hostWindows.begin(), m_hostWindows.end(), nullptr);
    size_t slot = static_cast<size_t>(it - m_hostWindows.begin());
    if (it == m_hostWindows.end()) {
        const size_t old = m_hostWindows.size();
        m_hostWindows.resize(old < 3 ? 4 : old * 2, nullptr);
        slot = old;
    }
    auto* window = new CHiddenWnd(this, static_cast<int>(slot), m_mainWindow.data());
    m_hostWindows[slot] = window;
    return window;
}

void PDFInstanceManager::FreeHostSlot(int slot, CHiddenWnd* window)
{
    OruLock lock(this);
    if (slot >= 0 && static_cast<size_t>(slot) < m_hostWindows.size() &&
        m_hostWindows[static_cast<size_t>(slot)] == window)
        m_hostWindows[static_cast<size_t>(slot)] = nullptr;
}

std::size_t PDFInstanceManager::PendingRequests()
{
    OruLock lock(this);
    return m_requests.size();
}

std::size_t PDFInstanceManager::HostWindowSlots()
{
    OruLock lock(this);
    return m_hostWindows.size();
}

int PDFInstanceManager::ReferenceCount(PDFInstance* instance)
{
    OruLock lock(this);
    return instance ? instance->m_refCount : 0;
}
