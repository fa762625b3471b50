#include "work/WorkThread.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

// State of one worker run, shared between the WorkThread and its thread so
// that a detached worker only ever touches memory it co-owns.
struct WorkThread::RunState
{
    // Held by the worker whenever it runs WorkThread code (never while an
    // item runs). Stop takes it before abandoning a worker, so once owner is
    // null the worker can never be inside WorkThread code again.
    std::mutex gate;
    WorkThread* owner = nullptr;

    std::atomic<bool> running{false};
    std::atomic<bool> stop{false};
    std::atomic<bool> idleWait{true};
    std::atomic<bool> keepRunning{true};

    bool useWakeEvent = false;
    std::mutex m;
    std::condition_variable cv;
    bool wakeSignalled = false; // auto-reset wake event

    void Wake()
    {
        {
            std::lock_guard<std::mutex> l(m);
            wakeSignalled = true;
        }
        cv.notify_all();
    }

    // Idle wait: with a wake event until it is signalled, otherwise 250 ms.
    // A stop request ends either wait early.
    void WaitForWork()
    {
        std::unique_lock<std::mutex> l(m);
        auto woken = [this] { return wakeSignalled || stop.load(); };
        if (useWakeEvent)
            cv.wait(l, woken);
        else
            cv.wait_for(l, std::chrono::milliseconds(250), [this] { return stop.load(); });
        wakeSignalled = false;
    }

    void MarkEnded()
    {
        {
            std::lock_guard<std::mutex> l(m);
            running = false;
        }
        cv.notify_all();
    }
};

namespace {
std::atomic<bool> g_alwaysStop{true};
}

const std::atomic<bool>& WorkThread::AlwaysStopFlag()
{
    return g_alwaysStop;
}

WorkThread::WorkThread(bool useWakeEvent) : m_useWakeEvent(useWakeEvent) {}

WorkThread::~WorkThread()
{
    Shutdown(500);
}

bool WorkThread::Start()
{
    if (m_thread.joinable())
        return false;
    auto state = std::make_shared<RunState>();
    state->owner = this;
    state->useWakeEvent = m_useWakeEvent;
    state->running = true;
    state->stop = false;
    state->idleWait = true;
    state->keepRunning = true;
    {
        OruLock lock(this);
        m_current = nullptr;
        m_run = state;
    }
    // Items queued before Start must not wait for a poll.
    if (m_useWakeEvent)
        state->Wake();
    try {
        m_thread = std::thread(&WorkThread::ThreadProc, state);
    } catch (...) {
        ResetRun();
        return false;
    }
    return true;
}

bool WorkThread::AddItem(WorkItem* item)
{
    if (!item)
        return true;
    std::shared_ptr<RunState> state;
    {
        OruLock lock(this);
        m_queue.push_back(item);
        state = m_run;
    }
    if (m_useWakeEvent && state)
        state->Wake();
    return true;
}

void WorkThread::ResetRun()
{
    OruLock lock(this);
    m_run.reset();
}

void WorkThread::Wake()
{
    std::shared_ptr<RunState> state;
    {
        OruLock lock(this);
        state = m_run;
    }
    if (m_useWakeEvent && state)
        state->Wake();
}

bool WorkThread::IsRunning() const
{
    return m_run && m_run->running.load();
}

bool WorkThread::HasCurrentItem()
{
    OruLock lock(this);
    return m_current != nullptr;
}

std::size_t WorkThread::QueuedCount()
{
    OruLock lock(this);
    return m_queue.size();
}

void WorkThread::ThreadProc(std::shared_ptr<RunState> state)
{
    while (state->keepRunning.load() && !state->stop.load()) {
        if (!ProcessNextItem(*state)) {
            if (!state->idleWait.load())
                break;
            state->WaitForWork();
        }
    }
    state->MarkEnded();
}

bool WorkThread::ProcessNextItem(RunState& state)
{
    WorkItem* item = nullptr;
    {
        std::lock_guard<std::mutex> gate(state.gate);
        if (!state.owner)
            return false;
        item = state.owner->TakeNextItem(state);
    }
    if (!item)
        return false;

    item->Run();

    std::lock_guard<std::mutex> gate(state.gate);
    if (!state.owner) {
        // The WorkThread gave up on this worker; the item is ours alone now.
        delete item;
        return false;
    }
    state.owner->FinishItem(item);
    return true;
}

WorkItem* WorkThread::TakeNextItem(RunState& state)
{
    OruLock lock(this);
    WorkItem* item = PopNextItem();
    if (item) {
        // Set before the item becomes visible as current, so a cancel that
        // comes in right now is never overwritten.
        item->stopFlag.store(&state.stop, std::memory_order_release);
        m_current = item;
        ++m_currentSerial;
    }
    return item;
}

void WorkThread::FinishItem(WorkItem* item)
{
    {
        OruLock lock(this);
        if (m_current == item)
            m_current = nullptr;
    }
    DisposeItem(item);
}

WorkItem* WorkThread::PopNextItem()
{
    if (m_queue.empty())
        return nullptr;
    WorkItem* item = m_queue.front();
    m_queue.pop_front();
    return item;
}

void WorkThread::DisposeItem(WorkItem* item)
{
    delete item;
}

bool WorkThread::Stop(unsigned long timeoutMs)
{
    if (!m_thread.joinable() || !m_run)
        return false;
    std::shared_ptr<RunState> state = m_run;
    if (!state->running.load()) {
        // The worker ended by itself; reap it.
        m_thread.join();
        ResetRun();
        return false;
    }

    state->idleWait = false;
    state->keepRunning = false;
    state->stop = true;
    {
        OruLock lock(this);
        if (m_current) {
            m_current->stopFlag.store(&state->stop, std::memory_order_release);
            m_current->Cancel();
        }
    }
    state->Wake();

    bool ended;
    {
        std::unique_lock<std::mutex> l(state->m);
        auto done = [&] { return !state->running.load(); };
        if (timeoutMs == kInfinite) {
            state->cv.wait(l, done);
            ended = true;
        } else {
            ended = state->cv.wait_for(l, std::chrono::milliseconds(timeoutMs), done);
        }
    }

    if (ended) {
        m_thread.join();
    } else {
        // Killing a thread is not safe here: abandon the worker instead. Once
        // owner is cleared under the gate, the worker never enters our code
        // again; it deletes its item itself when Run returns.
        {
            std::lock_guard<std::mutex> gate(state->gate);
            state->owner = nullptr;
        }
        {
            OruLock lock(this);
            m_current = nullptr;
        }
        m_thread.detach();
    }
    ResetRun();
    ClearQueue();
    return true;
}

void WorkThread::CancelCurrentItem(bool wait)
{
    // Entered with the lock held.
    WorkItem* item = m_current;
    if (!item) {
        Unlock();
        return;
    }
    const std::uint64_t serial = m_currentSerial;
    item->stopFlag.store(&g_alwaysStop, std::memory_order_release);
    item->Cancel();
    Unlock();
    if (!wait)
        return;
    for (;;) {
        {
            OruLock lock(this);
            if (m_current == nullptr || m_currentSerial != serial)
                return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
}

void WorkThread::ClearQueue()
{
    std::deque<WorkItem*> items;
    {
        OruLock lock(this);
        items.swap(m_queue);
    }
    for (WorkItem* item : items)
        DisposeItem(item);
}

void WorkThread::Shutdown(unsigned long timeoutMs)
{
    if (m_thread.joinable()) {
        if (!Stop(timeoutMs) && m_thread.joinable()) {
            m_thread.join();
            ResetRun();
        }
    }
    ClearQueue();
}
