#pragma once
// The page image service: one worker thread for the whole program that
// renders queued page requests, the registry of open document instances by
// path with reference counts, and the hidden windows hosting engine viewers.
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
#include <deque>
#include <map>
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

// A queued render of one page of one instance.
class PDFRetrievePage : public WorkItem
{
public:
    PDFRetrievePage(PDFInstanceManager* manager, PDFInstance* instance, int page)
        : m_manager(manager), m_instance(instance), m_page(page)
    {
    }
    // Renders the page unless cached, then announces it through the
    // manager's callback (not when the item was cancelled).
    void Run() override;
    PDFInstance* Instance() const { return m_instance; }
    int Page() const { return m_page; }

private:
    PDFInstanceManager* m_manager;
    PDFInstance* m_instance;
    int m_page;
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

    // startWorker false leaves the worker to a later Start().
    explicit PDFInstanceManager(bool startWorker = true);
    // Forgets windows and instances without destroying them, stops the worker.
    ~PDFInstanceManager() override;

    // The registered instance for the path (ASCII letters compared without
    // case), which gains one reference; null when none.
    PDFInstance* FindInstance(const QString& path);
    // Registers the instance under the path (replacing an entry with the same
    // key) and adds one reference.
    void AddInstance(PDFInstance* instance, const QString& path);
    // Drops one reference; at zero deletes the instance's queued requests,
    // waits for its render in progress, unregisters and deletes it.
    // Window thread.
    void ReleaseInstance(PDFInstance* instance);
    // Queues a render request unless the same one is already queued.
    void RequestPage(int page, PDFInstance* instance);
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

private:
    friend class CHiddenWnd;
    static QString PathKey(const QString& path);
    void FreeHostSlot(int slot, CHiddenWnd* window);

    std::map<QString, PDFInstance*> m_registry;
    std::vector<CHiddenWnd*> m_hostWindows;
    std::atomic<PDFPageCallback*> m_callback{nullptr};
    QPointer<QObject> m_mainWindow;
    std::deque<PDFRetrievePage*> m_requests;
};
