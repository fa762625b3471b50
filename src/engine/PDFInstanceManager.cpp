#include "engine/PDFInstanceManager.h"

#include <algorithm>
#include <thread>

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
    if (!m_cancelled.load())
        m_instance->GetPageImage(m_page, true, m_target);
    // A request cancelled because its document is being closed (or the
    // program is ending) announces nothing: its instance is about to go.
    if (StopRequested() || m_cancelled.load())
        return;
    if (PDFInstanceManager::PDFPageCallback* callback = m_manager->Callback())
        callback->PageRetrieved(m_instance, m_page);
}

PageRenderWorker::PageRenderWorker(PDFInstanceManager* manager) : WorkThread(true), m_manager(manager) {}

PageRenderWorker::~PageRenderWorker()
{
    Shutdown(500);
}

WorkItem* PageRenderWorker::PopNextItem()
{
    if (WorkItem* request = m_manager->TakeRequest())
        return request;
    return WorkThread::PopNextItem();
}

void PageRenderWorker::DisposeItem(WorkItem* item)
{
    m_manager->DisposeRequest(item);
}

PDFInstanceManager& PDFInstanceManager::Get()
{
    static PDFInstanceManager manager(true);
    return manager;
}

PDFInstanceManager::PDFInstanceManager(bool startWorker, int renderWorkers) : WorkThread(true)
{
    PageRetrievedEventType();
    if (renderWorkers <= 0)
        renderWorkers = std::thread::hardware_concurrency() > 1 ? 2 : 1;
    if (renderWorkers > 1)
        m_helper = std::make_unique<PageRenderWorker>(this);
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
    // The second worker takes requests from this object: it goes first.
    m_helper.reset();
    Shutdown(500);
    std::list<PDFRetrievePage*> left;
    {
        OruLock lock(this);
        left.swap(m_requests);
        m_queued.clear();
        m_running.clear();
    }
    for (PDFRetrievePage* item : left)
        delete item;
}

bool PDFInstanceManager::Start()
{
    const bool started = WorkThread::Start();
    if (m_helper)
        m_helper->Start();
    return started;
}

bool PDFInstanceManager::Stop(unsigned long timeoutMs)
{
    const bool helperStopped = m_helper && m_helper->Stop(timeoutMs);
    const bool stopped = WorkThread::Stop(timeoutMs);
    return stopped || helperStopped;
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
    std::vector<PDFRetrievePage*> dropped;
    bool rendering = false;
    {
        OruLock lock(this);
        if (--instance->m_refCount > 0)
            return;
        for (auto it = m_requests.begin(); it != m_requests.end();) {
            if ((*it)->Instance() == instance) {
                m_queued.erase(RequestKey{instance, (*it)->Page()});
                dropped.push_back(*it);
                it = m_requests.erase(it);
            } else {
                ++it;
            }
        }
        for (PDFRetrievePage* running : m_running) {
            if (running->Instance() == instance) {
                running->m_cancelled = true;
                rendering = true;
            }
        }
    }
    for (PDFRetrievePage* item : dropped)
        delete item;
    if (rendering) {
        // A render in progress cannot be interrupted: wait for it, without
        // the lock, so the workers can finish.
        std::unique_lock<std::mutex> wait(m_finishedMutex);
        m_finished.wait(wait, [&] { return !IsRendering(instance); });
    }
    OruLock lock(this);
    for (auto it = m_registry.begin(); it != m_registry.end();) {
        if (it->second == instance)
            it = m_registry.erase(it);
        else
            ++it;
    }
    delete instance;
}

bool PDFInstanceManager::IsRendering(PDFInstance* instance)
{
    OruLock lock(this);
    return std::any_of(m_running.begin(), m_running.end(),
                       [instance](const PDFRetrievePage* item) { return item->Instance() == instance; });
}

void PDFInstanceManager::RequestPage(int page, PDFInstance* instance, const PageImageTarget& target)
{
    if (!instance)
        return;
    {
        OruLock lock(this);
        const RequestKey key{instance, page};
        auto found = m_queued.find(key);
        if (found != m_queued.end()) {
            (*found->second)->m_target = target;
            m_requests.splice(m_requests.begin(), m_requests, found->second);
        } else {
            m_requests.push_front(new PDFRetrievePage(this, instance, page, target));
            m_queued.emplace(key, m_requests.begin());
        }
    }
    // Outside the lock: a worker takes its own lock before this one.
    WakeWorkers();
}

void PDFInstanceManager::WakeWorkers()
{
    Wake();
    if (m_helper)
        m_helper->Wake();
}

PDFRetrievePage* PDFInstanceManager::TakeRequest()
{
    std::vector<PDFRetrievePage*> dropped;
    PDFRetrievePage* taken = nullptr;
    {
        OruLock lock(this);
        while (!m_requests.empty()) {
            PDFRetrievePage* item = m_requests.front();
            m_requests.pop_front();
            m_queued.erase(RequestKey{item->Instance(), item->Page()});
            // A page that scrolled out of view, or whose card is gone, is
            // not rendered; it is asked for again if it comes back.
            if (!item->Instance()->IsPageWanted(item->Page())) {
                dropped.push_back(item);
                continue;
            }
            m_running.push_back(item);
            taken = item;
            break;
        }
    }
    for (PDFRetrievePage* item : dropped)
        delete item;
    return taken;
}

void PDFInstanceManager::DisposeRequest(WorkItem* item)
{
    if (!item)
        return;
    {
        OruLock lock(this);
        m_running.erase(std::remove(m_running.begin(), m_running.end(), item), m_running.end());
    }
    delete item;
    {
        // Taken so a ReleaseInstance between its check and its wait still
        // hears this.
        std::lock_guard<std::mutex> wait(m_finishedMutex);
    }
    m_finished.notify_all();
}

WorkItem* PDFInstanceManager::PopNextItem()
{
    if (WorkItem* request = TakeRequest())
        return request;
    return WorkThread::PopNextItem();
}

void PDFInstanceManager::DisposeItem(WorkItem* item)
{
    DisposeRequest(item);
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
