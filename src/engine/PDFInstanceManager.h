#pragma once
// The page image service: render workers for the whole program (two when the
// machine has more than one core) that serve queued page requests newest
// first and drop those for pages no view shows any more, the registry of
// open document instances by path with reference counts, and the hidden
// windows hosting engine viewers. Idle workers sleep until a request comes.
//
// The program's manager is PDFInstanceManager::Get(); it is created and its
// worker started while static objects are built. Tests may create their own.
#include "engine/PDFInstance.h"
#include "work/WorkThread.h"

#include <QEvent>
#include <QString>
#include <QObject>
#include <QPointer>

#include <atomic>
#include <condition_variable>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

class PDFInstanceManager;

// The hidden host that parents a document's viewer (a hidden window where
// viewers are windows; here a plain object owned by the main window). It
// frees its slot in the manager's host list when destroyed.
class CHiddenWnd : public QObject
{
    Q_OBJECT
public:
    CHiddenWnd(PDFInstanceManager* manager, int slot, QObject* parent);
    ~CHiddenWnd() override;
    int Slot() const { return m_slot; }
    int ControlId() const { return 130 + m_slot; }

private:
    friend class PDFInstanceManager;
    PDFInstanceManager* m_manager;
    int m_slot;
};

// A queued render of one page of one instance, for a target size.
class PDFRetrievePage : public WorkItem
{
public:
    PDFRetrievePage(PDFInstanceManager* manager, PDFInstance* instance, int page, const PageImageTarget& target)
        : m_manager(manager), m_instance(instance), m_page(page), m_target(target)
    {
    }
    // Renders the page unless its image for the target is cached, then
    // announces it through the manager's callback (not when the item was
    // cancelled or its worker is being stopped).
    void Run() override;
    PDFInstance* Instance() const { return m_instance; }
    int Page() const { return m_page; }

private:
    friend class PDFInstanceManager;
    PDFInstanceManager* m_manager;
    PDFInstance* m_instance;
    int m_page;
    PageImageTarget m_target;      // changed under the manager's lock while queued
    std::atomic<bool> m_cancelled{false}; // its document is being closed
};

// The second render worker: takes its requests from the manager's queue.
class PageRenderWorker : public WorkThread
{
public:
    explicit PageRenderWorker(PDFInstanceManager* manager);
    ~PageRenderWorker() override;

protected:
    WorkItem* PopNextItem() override;
    void DisposeItem(WorkItem* item) override;

private:
    PDFInstanceManager* m_manager;
};

// Type of the event the main window posts to itself for a retrieved page
// ("Parcelo::PageRetrieved", registered once); convert with
// static_cast<QEvent::Type>.
int PageRetrievedEventType();

class PDFInstanceManager : public WorkThread
{
public:
    class PDFPageCallback
    {
    public:
        virtual ~PDFPageCallback() = default;
        // Called on the worker thread after a page was rendered (or failed).
        virtual void PageRetrieved(PDFInstance* instance, int page) = 0;
    };

    // The program's one manager (worker started on creation).
    static PDFInstanceManager& Get();
    static PDFInstanceManager& Instance() { return Get(); }

    // startWorker false leaves the workers to a later Start(). renderWorkers:
    // how many threads render requests (0: two when the machine has more
    // than one core, else one).
    explicit PDFInstanceManager(bool startWorker = true, int renderWorkers = 0);
    // Forgets windows and instances without destroying them, stops the workers.
    ~PDFInstanceManager() override;

    // Starts every render worker; false if they already run.
    bool Start();
    // Stops every render worker (each within timeoutMs); false when none ran.
    bool Stop(unsigned long timeoutMs);
    int RenderWorkerCount() const { return m_helper ? 2 : 1; }

    // The registered instance for the path (ASCII letters compared without
    // case), which gains one reference; null when none.
    PDFInstance* FindInstance(const QString& path);
    // Registers the instance under the path (replacing an entry with the same
    // key) and adds one reference.
    void AddInstance(PDFInstance* instance, const QString& path);
    // Drops one reference; at zero deletes the instance's queued requests,
    // waits for its renders in progress, unregisters and deletes it.
    // Window thread.
    void ReleaseInstance(PDFInstance* instance);
    // Queues a render request, or moves the one already queued for the page
    // to the front with the new target: the newest request is served first.
    // Wakes the workers.
    void RequestPage(int page, PDFInstance* instance, const PageImageTarget& target = PageImageTarget());
    // A new hidden window in the first free slot, child of the main window.
    CHiddenWnd* CreateHostWindow();

    void SetCallback(PDFPageCallback* callback) { m_callback.store(callback); }
    PDFPageCallback* Callback() const { return m_callback.load(); }
    PDFPageCallback* GetCallback() const { return Callback(); }

    // The main window: parent of the hidden hosts.
    void SetMainWindow(QObject* window) { m_mainWindow = window; }
    QObject* MainWindow() const { return m_mainWindow; }

    // Inspection (takes the lock).
    std::size_t PendingRequests();
    std::size_t HostWindowSlots();
    int ReferenceCount(PDFInstance* instance);

protected:
    WorkItem* PopNextItem() override;
    void DisposeItem(WorkItem* item) override;

private:
    friend class CHiddenWnd;
    friend class PageRenderWorker;
    static QString PathKey(const QString& path);
    void FreeHostSlot(int slot, CHiddenWnd* window);
    // The newest queued request whose page some view still shows; requests
    // for pages nobody shows are dropped on the way. The request counts as
    // running until DisposeRequest. Takes the lock.
    PDFRetrievePage* TakeRequest();
    // A request a worker has finished with: no longer running; deleted.
    void DisposeRequest(WorkItem* item);
    bool IsRendering(PDFInstance* instance);
    void WakeWorkers();

    struct RequestKey
    {
        PDFInstance* instance;
        int page;
        bool operator==(const RequestKey& other) const { return instance == other.instance && page == other.page; }
    };
    struct RequestKeyHash
    {
        std::size_t operator()(const RequestKey& key) const
        {
            return std::hash<const void*>()(key.instance) ^ (std::hash<int>()(key.page) * 0x9E3779B97F4A7C15ull);
        }
    };

    std::map<QString, PDFInstance*> m_registry;
    std::vector<CHiddenWnd*> m_hostWindows;
    std::atomic<PDFPageCallback*> m_callback{nullptr};
    QPointer<QObject> m_mainWindow;
    std::list<PDFRetrievePage*> m_requests; // newest first
    std::unordered_map<RequestKey, std::list<PDFRetrievePage*>::iterator, RequestKeyHash> m_queued;
    std::vector<PDFRetrievePage*> m_running;
    std::mutex m_finishedMutex;
    std::condition_variable m_finished;
    std::unique_ptr<PageRenderWorker> m_helper; // the second worker, when there is one
};
