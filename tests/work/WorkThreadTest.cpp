#include "work/OruLock.h"
#include "work/WorkThread.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// What the test threads observe of the items, kept alive by shared_ptr so a
// detached worker can still report into it after the test's thread is gone.
struct Log
{
    std::mutex m;
    std::condition_variable cv;
    std::vector<int> ran;
    std::vector<int> deleted;
    std::vector<int> stopped; // items whose Run saw the stop request
    int cancels = 0;

    void Ran(int id)
    {
        std::lock_guard<std::mutex> l(m);
        ran.push_back(id);
        cv.notify_all();
    }
    void Deleted(int id)
    {
        std::lock_guard<std::mutex> l(m);
        deleted.push_back(id);
        cv.notify_all();
    }
    template <class Pred> bool WaitFor(Pred pred, std::chrono::milliseconds limit = 10s)
    {
        std::unique_lock<std::mutex> l(m);
        return cv.wait_for(l, limit, pred);
    }
    std::size_t DeletedCount()
    {
        std::lock_guard<std::mutex> l(m);
        return deleted.size();
    }
};

class RecordingItem : public WorkItem
{
public:
    RecordingItem(std::shared_ptr<Log> log, int id) : m_log(std::move(log)), m_id(id) {}
    ~RecordingItem() override { m_log->Deleted(m_id); }
    void Run() override { m_log->Ran(m_id); }

protected:
    std::shared_ptr<Log> m_log;
    int m_id;
};

// Runs until told to stop (through its stop flag), with a safety limit so a
// lost cancel shows up as a failed expectation instead of a hang.
class StoppableItem : public RecordingItem
{
public:
    using RecordingItem::RecordingItem;
    std::atomic<bool> started{false};
    std::atomic<bool> sawStop{false};
    void Run() override
    {
        started = true;
        const auto limit = std::chrono::steady_clock::now() + 10s;
        while (!StopRequested() && std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(1ms);
        sawStop = StopRequested();
        if (sawStop) {
            std::lock_guard<std::mutex> l(m_log->m);
            m_log->stopped.push_back(m_id);
        }
        m_log->Ran(m_id);
    }
    void Cancel() override
    {
        std::lock_guard<std::mutex> l(m_log->m);
        ++m_log->cancels;
    }
};

// Ignores every stop request until the test releases it.
struct Release
{
    std::atomic<bool> go{false};
    std::atomic<bool> entered{false};
};

class StubbornItem : public RecordingItem
{
public:
    StubbornItem(std::shared_ptr<Log> log, int id, std::shared_ptr<Release> release)
        : RecordingItem(std::move(log), id), m_release(std::move(release)) {}
    void Run() override
    {
        m_release->entered = true;
        while (!m_release->go)
            std::this_thread::sleep_for(1ms);
        m_log->Ran(m_id);
    }

private:
    std::shared_ptr<Release> m_release;
};

template <class Pred> bool SpinUntil(Pred pred, std::chrono::milliseconds limit = 10s)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

class WorkThreadTest : public ::testing::TestWithParam<bool>
{
protected:
    std::shared_ptr<Log> log = std::make_shared<Log>();
};

TEST_P(WorkThreadTest, ItemsQueuedBeforeStartRunInOrder)
{
    WorkThread thread(GetParam());
    for (int i = 1; i <= 5; ++i)
        thread.AddItem(new RecordingItem(log, i));
    ASSERT_TRUE(thread.Start());
    thread.AddItem(new RecordingItem(log, 6));
    ASSERT_TRUE(log->WaitFor([&] { return log->deleted.size() == 6; }));
    EXPECT_EQ(log->ran, (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(log->deleted, log->ran);
    EXPECT_TRUE(thread.Stop(OruLockable::kInfinite));
    EXPECT_FALSE(thread.HasThread());
    EXPECT_FALSE(thread.IsRunning());
}

TEST_P(WorkThreadTest, StartTwiceFailsAndChangesNothing)
{
    WorkThread thread(GetParam());
    ASSERT_TRUE(thread.Start());
    EXPECT_FALSE(thread.Start());
    EXPECT_TRUE(thread.IsRunning());
    thread.AddItem(new RecordingItem(log, 1));
    ASSERT_TRUE(log->WaitFor([&] { return log->deleted.size() == 1; }));
    EXPECT_TRUE(thread.Stop(500));
    // A stopped thread can be started again.
    EXPECT_TRUE(thread.Start());
    thread.AddItem(new RecordingItem(log, 2));
    ASSERT_TRUE(log->WaitFor([&] { return log->deleted.size() == 2; }));
    EXPECT_TRUE(thread.Stop(500));
}

TEST_P(WorkThreadTest, StopWhenNeverStarted)
{
    WorkThread thread(GetParam());
    EXPECT_FALSE(thread.Stop(500));
    thread.AddItem(new RecordingItem(log, 1));
    // Destruction deletes the queued item without running it.
    {
        WorkThread other(GetParam());
        other.AddItem(new RecordingItem(log, 2));
    }
    EXPECT_EQ(log->deleted, (std::vector<int>{2}));
    EXPECT_TRUE(log->ran.empty());
}

TEST_P(WorkThreadTest, StopCancelsRunningItemAndDeletesQueued)
{
    WorkThread thread(GetParam());
    auto* running = new StoppableItem(log, 1);
    thread.AddItem(running);
    thread.AddItem(new RecordingItem(log, 2));
    thread.AddItem(new RecordingItem(log, 3));
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(SpinUntil([&] { return running->started.load(); }));
    EXPECT_TRUE(thread.Stop(OruLockable::kInfinite));
    EXPECT_EQ(log->ran, (std::vector<int>{1}));
    EXPECT_EQ(log->cancels, 1);
    std::vector<int> deleted = log->deleted;
    std::sort(deleted.begin(), deleted.end());
    EXPECT_EQ(deleted, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(thread.QueuedCount(), 0u);
}

TEST_P(WorkThreadTest, StopTimesOutOnItemThatIgnoresStop)
{
    auto release = std::make_shared<Release>();
    {
        auto thread = std::make_unique<WorkThread>(GetParam());
        thread->AddItem(new StubbornItem(log, 1, release));
        thread->AddItem(new RecordingItem(log, 2));
        ASSERT_TRUE(thread->Start());
        ASSERT_TRUE(SpinUntil([&] { return release->entered.load(); }));
        EXPECT_TRUE(thread->Stop(500));
        EXPECT_FALSE(thread->IsRunning());
        EXPECT_FALSE(thread->HasThread());
        // The queued item is gone; the running one is left alone.
        EXPECT_EQ(log->deleted, (std::vector<int>{2}));
        // The WorkThread is destroyed while its old worker still runs.
    }
    release->go = true;
    // The abandoned worker finishes its item, deletes it, and ends without
    // touching the destroyed WorkThread (the sanitizers would report it).
    ASSERT_TRUE(log->WaitFor([&] { return log->deleted.size() == 2; }));
    EXPECT_EQ(log->ran, (std::vector<int>{1}));
    EXPECT_EQ(log->deleted, (std::vector<int>{2, 1}));
}

TEST_P(WorkThreadTest, DestructorStopsBusyWorker)
{
    auto release = std::make_shared<Release>();
    {
        WorkThread thread(GetParam());
        thread.AddItem(new StubbornItem(log, 1, release));
        ASSERT_TRUE(thread.Start());
        ASSERT_TRUE(SpinUntil([&] { return release->entered.load(); }));
    }
    EXPECT_TRUE(log->deleted.empty());
    release->go = true;
    ASSERT_TRUE(log->WaitFor([&] { return log->deleted.size() == 1; }));
}

TEST_P(WorkThreadTest, CancelCurrentItemWaitsForRunToReturn)
{
    WorkThread thread(GetParam());
    auto* item = new StoppableItem(log, 1);
    thread.AddItem(item);
    thread.AddItem(new RecordingItem(log, 2));
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(SpinUntil([&] { return item->started.load(); }));
    thread.Lock();
    thread.CancelCurrentItem(true);
    {
        std::lock_guard<std::mutex> l(log->m);
        ASSERT_FALSE(log->ran.empty());
        EXPECT_EQ(log->ran.front(), 1);
        EXPECT_EQ(log->cancels, 1);
    }
    // The lock was released: another thread can take it at once.
    std::atomic<bool> locked{false};
    std::thread other([&] {
        locked = thread.Lock(0);
        if (locked)
            thread.Unlock();
    });
    other.join();
    EXPECT_TRUE(locked);
    // The thread goes on with the next item.
    ASSERT_TRUE(log->WaitFor([&] { return log->deleted.size() == 2; }));
    EXPECT_EQ(log->ran, (std::vector<int>{1, 2}));
    EXPECT_TRUE(thread.Stop(500));
}

TEST_P(WorkThreadTest, CancelWithoutCurrentItemOnlyUnlocks)
{
    WorkThread thread(GetParam());
    thread.Lock();
    thread.CancelCurrentItem(true);
    std::atomic<bool> locked{false};
    std::thread other([&] {
        locked = thread.Lock(0);
        if (locked)
            thread.Unlock();
    });
    other.join();
    EXPECT_TRUE(locked);
}

TEST_P(WorkThreadTest, CancelRightAsItemStartsIsNeverLost)
{
    WorkThread thread(GetParam());
    ASSERT_TRUE(thread.Start());
    const int rounds = GetParam() ? 40 : 8; // the polling worker picks up items slowly
    for (int i = 0; i < rounds; ++i) {
        auto* item = new StoppableItem(log, i);
        thread.AddItem(item);
        // Cancel the moment the item becomes current, before or while its
        // Run begins: keep taking the lock, so the cancel comes as soon as
        // the worker lets go of it after making the item current.
        const auto limit = std::chrono::steady_clock::now() + 10s;
        for (;;) {
            thread.Lock();
            if (thread.HasCurrentItem())
                break;
            thread.Unlock();
            ASSERT_LT(std::chrono::steady_clock::now(), limit) << "item " << i << " never started";
            std::this_thread::yield();
        }
        thread.CancelCurrentItem(true);
        std::lock_guard<std::mutex> l(log->m);
        ASSERT_EQ(log->ran.size(), std::size_t(i + 1));
        ASSERT_EQ(log->stopped.size(), std::size_t(i + 1)) << "cancel lost for item " << i;
    }
    EXPECT_TRUE(thread.Stop(500));
    ASSERT_TRUE(log->WaitFor([&] { return log->deleted.size() == std::size_t(rounds); }));
}

INSTANTIATE_TEST_SUITE_P(WakeEvent, WorkThreadTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Woken" : "Polling"; });

class PopCountingThread : public WorkThread
{
public:
    PopCountingThread() : WorkThread(true) {}
    ~PopCountingThread() override { Shutdown(); }
    std::atomic<int> pops{0};
    std::atomic<int> disposed{0};

protected:
    WorkItem* PopNextItem() override
    {
        WorkItem* item = WorkThread::PopNextItem();
        if (item)
            ++pops;
        return item;
    }
    void DisposeItem(WorkItem* item) override
    {
        if (item)
            ++disposed;
        WorkThread::DisposeItem(item);
    }
};

TEST(WorkThreadSubclassTest, OverridesUsedUntilShutdown)
{
    auto log = std::make_shared<Log>();
    auto release = std::make_shared<Release>();
    auto thread = std::make_unique<PopCountingThread>();
    thread->AddItem(new RecordingItem(log, 1));
    ASSERT_TRUE(thread->Start());
    ASSERT_TRUE(log->WaitFor([&] { return log->deleted.size() == 1; }));
    thread->AddItem(new StubbornItem(log, 2, release));
    thread->AddItem(new RecordingItem(log, 3));
    ASSERT_TRUE(SpinUntil([&] { return release->entered.load(); }));
    PopCountingThread* raw = thread.get();
    EXPECT_EQ(raw->pops.load(), 2);
    EXPECT_EQ(raw->disposed.load(), 1);
    thread.reset(); // the queued item 3 goes through the subclass's DisposeItem
    release->go = true;
    ASSERT_TRUE(log->WaitFor([&] { return log->deleted.size() == 3; }));
}

TEST(OruLockTest, RecursiveAndTimedOut)
{
    OruLockable lockable;
    {
        OruLock outer(lockable);
        OruLock inner(&lockable); // the owner may take it again
        std::atomic<int> result{-1};
        std::thread other([&] { result = lockable.Lock(50) ? 1 : 0; });
        other.join();
        EXPECT_EQ(result.load(), 0);
    }
    std::atomic<int> result{-1};
    std::thread other([&] {
        result = lockable.Lock(0) ? 1 : 0;
        if (result)
            lockable.Unlock();
    });
    other.join();
    EXPECT_EQ(result.load(), 1);
}

} // namespace
