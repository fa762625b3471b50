#pragma once
// Background work: WorkItem is one unit of work, WorkThread a worker thread
// with a first-in, first-out queue of items.
//
// Ownership: an item is created with new by whoever queues it; from AddItem
// on it belongs to the worker, which deletes it after Run returns (or, for
// items still queued, when the thread stops). Never touch an item after
// queueing it, except from Cancel (see below).
//
// Stopping: Stop(timeout) asks the worker to end, cancels the running item
// and waits. A worker whose item does not return in time cannot be killed
// safely, so it is detached: its item is left alone while it runs and is
// deleted by that worker once Run returns; the detached worker never touches
// the WorkThread again. Consequently an item's Run and destructor must not
// rely on the WorkThread (or whatever owns it) still existing once a stop
// has been requested.
//
// Subclasses that override PopNextItem or DisposeItem must call
// Shutdown() from their own destructor, so the worker is stopped and joined
// while their overrides still exist.
#include "work/OruLock.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <thread>

class WorkItem
{
public:
    WorkItem() = default;
    virtual ~WorkItem() = default;
    WorkItem(const WorkItem&) = delete;
    WorkItem& operator=(const WorkItem&) = delete;

    // The work itself, run on the worker thread without any lock held.
    virtual void Run() = 0;
    // Called from another thread (the one that stops or cancels) while Run
    // may be running; an override must be thread-safe. The base does nothing.
    virtual void Cancel() {}

    // Set by the worker before Run is called; true once the item must stop.
    // Poll it from Run. Remains valid for as long as the item lives.
    bool StopRequested() const
    {
        const std::atomic<bool>* flag = stopFlag.load(std::memory_order_acquire);
        return flag && flag->load(std::memory_order_acquire);
    }

    // The flag that tells the item to stop (null until the worker sets it).
    std::atomic<const std::atomic<bool>*> stopFlag{nullptr};
};

class WorkThread : public OruLockable
{
public:
    // useWakeEvent: true wakes the idle worker at once when an item is
    // queued; false makes the idle worker poll its queue every 250 ms.
    explicit WorkThread(bool useWakeEvent);
    ~WorkThread() override;

    // Creates and starts the worker. False if a worker already exists.
    bool Start();
    // Queues an item (ownership passes to the thread). Always true.
    bool AddItem(WorkItem* item);
    // Signals the wake event, for subclasses whose PopNextItem finds work
    // that was not queued through AddItem. Do not call with another lock
    // held that the worker may take inside PopNextItem.
    void Wake();
    // Asks the worker to end and waits up to timeoutMs (kInfinite: no
    // limit); a worker still busy then is detached (see above). Queued items
    // are deleted. False at once when no worker is running. Do not call with
    // the thread's lock held.
    bool Stop(unsigned long timeoutMs);
    // Must be called with the thread's lock held (Lock()); always returns
    // with it released. Tells the running item to stop and calls its Cancel;
    // with wait, returns only after that item's Run has returned.
    void CancelCurrentItem(bool wait);
    // Deletes every queued item (not the running one).
    void ClearQueue();

    bool IsRunning() const;
    bool HasThread() const { return m_thread.joinable(); }
    // Whether an item is running now (takes the lock).
    bool HasCurrentItem();
    // Number of queued items not yet started (takes the lock).
    std::size_t QueuedCount();

    // A flag that is always true; a cancelled item's stopFlag points at it.
    static const std::atomic<bool>& AlwaysStopFlag();

protected:
    // Removes and returns the first queued item, or null. Called with the
    // lock held, on the worker thread.
    virtual WorkItem* PopNextItem();
    // Deletes an item; null is ignored. Called without the lock.
    virtual void DisposeItem(WorkItem* item);

    // Stops the worker (500 ms unless told otherwise), cleans up a worker
    // that ended by itself, and clears the queue. Safe to call repeatedly.
    void Shutdown(unsigned long timeoutMs = 500);

    // Under the lock: the running item, or null.
    WorkItem* CurrentItemLocked() const { return m_current; }

private:
    struct RunState;
    static void ThreadProc(std::shared_ptr<RunState> state);
    WorkItem* TakeNextItem(RunState& state);
    void FinishItem(WorkItem* item);
    static bool ProcessNextItem(RunState& state);
    void ResetRun();

    const bool m_useWakeEvent;
    std::thread m_thread;
    std::shared_ptr<RunState> m_run;
    std::deque<WorkItem*> m_queue;
    WorkItem* m_current = nullptr;
    std::uint64_t m_currentSerial = 0; // changes every time an item starts
};
