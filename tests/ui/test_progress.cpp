#include "ui/CNewProgressDlg.h"
#include "work/NewProgress.h"
#include "work/WorkThreadWithProgress.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// Records every display call as text.
class FakeDisplay : public NewProgressDisplay
{
public:
    FakeDisplay(NewProgressHandler* handler, bool keepFinish) : m_handler(handler), m_keep(keepFinish) {}
    std::vector<std::string> calls;

    void OnSetRange(qint64 mn, qint64 mx, qint64 pos) override
    {
        calls.push_back("range " + std::to_string(mn) + " " + std::to_string(mx) + " " + std::to_string(pos));
    }
    void OnSetMarquee() override { calls.push_back("marquee"); }
    void OnSetInfo(const QString& text, qint64 pos) override
    {
        calls.push_back("info '" + text.toStdString() + "' " + std::to_string(pos));
    }
    void OnSetPos(qint64 pos) override { calls.push_back("pos " + std::to_string(pos)); }
    bool OnFinished(int code, std::intptr_t value) override
    {
        calls.push_back("finished " + std::to_string(code) + " " + std::to_string(value));
        if (!m_keep)
            m_handler->RemoveDisplay(this);
        return m_keep;
    }
    void OnEnableCancel(bool e) override { calls.push_back(e ? "cancel on" : "cancel off"); }

private:
    NewProgressHandler* m_handler;
    bool m_keep;
};

void Deliver()
{
    QCoreApplication::sendPostedEvents();
}

using Calls = std::vector<std::string>;

class ProgressHandlerTest : public ::testing::Test
{
protected:
    QWidget window;
    NewProgressHandler handler;
};

TEST_F(ProgressHandlerTest, FreshHandlerIsFinished)
{
    FakeDisplay display(&handler, true);
    handler.AddDisplay(&display);
    EXPECT_EQ(display.calls, (Calls{"finished 0 0"}));
}

TEST_F(ProgressHandlerTest, LateDisplayGetsMarqueeState)
{
    handler.SetWindow(&window);
    handler.Reset();
    handler.SetMarquee();
    handler.SetInfo("Checking", 5);
    Deliver();
    FakeDisplay display(&handler, true);
    handler.AddDisplay(&display);
    EXPECT_EQ(display.calls, (Calls{"cancel on", "marquee", "info 'Checking' -1"}));
}

TEST_F(ProgressHandlerTest, InfoWithoutPositionKeepsPosition)
{
    handler.SetWindow(&window);
    handler.Reset();
    FakeDisplay display(&handler, true);
    handler.AddDisplay(&display);
    display.calls.clear();
    handler.SetRange(0, 4, 0);
    handler.SetPos(1);
    handler.SetInfo("step", -1);
    handler.EnableCancel(false);
    Deliver();
    EXPECT_EQ(display.calls, (Calls{"range 0 4 0", "pos 1", "info 'step' 1", "cancel off"}));
    EXPECT_EQ(handler.Position(), 1);
    EXPECT_FALSE(handler.IsCancelEnabled());
    // A display added now starts from the stored state.
    FakeDisplay late(&handler, true);
    handler.AddDisplay(&late);
    EXPECT_EQ(late.calls, (Calls{"cancel off", "range 0 4 1", "info 'step' 1"}));
}

TEST_F(ProgressHandlerTest, FinishFallsThroughToDisplayBelowOnce)
{
    handler.SetWindow(&window);
    handler.Reset();
    FakeDisplay bottom(&handler, true);
    FakeDisplay top(&handler, false);
    handler.AddDisplay(&bottom);
    handler.AddDisplay(&top);
    bottom.calls.clear();
    top.calls.clear();
    handler.Finished(12, 345);
    Deliver();
    EXPECT_EQ(top.calls, (Calls{"finished 12 345"}));
    // The display below receives the real finish, not an empty one first.
    EXPECT_EQ(bottom.calls, (Calls{"finished 12 345"}));
    EXPECT_TRUE(handler.IsFinished());
}

TEST_F(ProgressHandlerTest, RemovingTopBringsNextUpToDate)
{
    handler.SetWindow(&window);
    handler.Reset();
    FakeDisplay bottom(&handler, true);
    FakeDisplay top(&handler, true);
    handler.AddDisplay(&bottom);
    handler.AddDisplay(&top);
    handler.SetRange(0, 10, 3);
    Deliver();
    bottom.calls.clear();
    handler.RemoveDisplay(&bottom); // not on top: nothing shown
    EXPECT_TRUE(bottom.calls.empty());
    handler.AddDisplay(&bottom);
    top.calls.clear();
    handler.RemoveDisplay(&bottom);
    EXPECT_EQ(top.calls, (Calls{"cancel on", "range 0 10 3", "info '' 3"}));
    FakeDisplay stranger(&handler, true);
    handler.RemoveDisplay(&stranger);
    EXPECT_EQ(handler.GetDisplay(), &top);
}

TEST_F(ProgressHandlerTest, NoWindowDropsReports)
{
    handler.Reset();
    FakeDisplay display(&handler, true);
    handler.AddDisplay(&display);
    display.calls.clear();
    handler.SetPos(3);
    Deliver();
    EXPECT_TRUE(display.calls.empty());
    EXPECT_EQ(handler.Position(), 0);
}

TEST(ProgressRoutingTest, TwoHandlersOnOneWindow)
{
    QWidget window;
    NewProgressHandler first, second;
    first.SetWindow(&window);
    second.SetWindow(&window); // intercepts first now
    first.Reset();
    second.Reset();
    FakeDisplay d1(&first, true), d2(&second, true);
    first.AddDisplay(&d1);
    second.AddDisplay(&d2);
    d1.calls.clear();
    d2.calls.clear();
    first.SetPos(1);
    second.SetPos(2);
    first.SetPos(3);
    Deliver();
    EXPECT_EQ(d1.calls, (Calls{"pos 1", "pos 3"}));
    EXPECT_EQ(d2.calls, (Calls{"pos 2"}));
    // With the top interceptor gone, the other still routes both.
    second.SetWindow(nullptr);
    second.SetWindow(&window);
    first.SetPos(4);
    Deliver();
    EXPECT_EQ(d1.calls.back(), "pos 4");
}

TEST(ProgressRoutingTest, DestroyedWindowDetachesHandlers)
{
    NewProgressHandler a, b;
    auto window = std::make_unique<QWidget>();
    a.SetWindow(window.get());
    b.SetWindow(window.get());
    a.Reset();
    a.SetPos(7); // waiting when the window goes away: deleted with it
    window.reset();
    EXPECT_EQ(a.Window(), nullptr);
    EXPECT_EQ(b.Window(), nullptr);
    a.SetPos(8); // no target: dropped
    Deliver();
    EXPECT_EQ(a.Position(), 0);
}

TEST(ProgressRoutingTest, ReporterOutlivesHandler)
{
    QWidget window;
    std::shared_ptr<NewProgressInterface> reporter;
    {
        NewProgressHandler handler;
        handler.SetWindow(&window);
        handler.Reset();
        reporter = handler.Reporter();
        reporter->SetPos(2);
        // Destruction delivers the waiting report to the handler's state.
    }
    reporter->SetPos(3);
    reporter->Finished(1, 2);
    EXPECT_FALSE(reporter->GetCancelFlag()->load());
    Deliver(); // nothing reaches the destroyed handler
}

TEST(ProgressRoutingTest, ReportsFromWorkerArriveInOrder)
{
    QWidget window;
    NewProgressHandler handler;
    handler.SetWindow(&window);
    handler.Reset();
    FakeDisplay display(&handler, true);
    handler.AddDisplay(&display);
    display.calls.clear();
    auto reporter = handler.Reporter();
    std::thread worker([reporter] {
        for (int i = 0; i < 200; ++i)
            reporter->SetPos(i);
    });
    worker.join();
    Deliver();
    ASSERT_EQ(display.calls.size(), 200u);
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(display.calls[i], "pos " + std::to_string(i));
}

// --- the dialog -------------------------------------------------------------

class DialogTest : public ::testing::Test
{
protected:
    QWidget window;
    NewProgressHandler handler;
    void SetUp() override
    {
        handler.SetWindow(&window);
        handler.Reset();
    }
};

TEST_F(DialogTest, RangesAreNotCutTo16Bits)
{
    CNewProgressDlg dlg(&window, &handler);
    dlg.OnSetRange(0, 100000, 50000);
    EXPECT_EQ(dlg.ProgressBar()->maximum(), 100000);
    EXPECT_EQ(dlg.ProgressBar()->value(), 50000);
    // 64 MiB and more, byte for byte.
    const qint64 size = 96ll << 20;
    dlg.OnSetRange(0, size, size / 2);
    EXPECT_EQ(dlg.ProgressBar()->maximum(), size);
    EXPECT_EQ(dlg.ProgressBar()->value(), size / 2);
    // Beyond the bar's int range the proportion is kept.
    const qint64 huge = 6ll << 30;
    dlg.OnSetRange(0, huge, huge / 4);
    EXPECT_GT(dlg.ProgressBar()->maximum(), 0);
    EXPECT_EQ(dlg.ProgressBar()->value(), dlg.ProgressBar()->maximum() / 4);
    dlg.OnSetPos(huge);
    EXPECT_EQ(dlg.ProgressBar()->value(), dlg.ProgressBar()->maximum());
    dlg.OnSetRange(1000, 2000, 1500);
    EXPECT_EQ(dlg.ProgressBar()->value() - dlg.ProgressBar()->minimum(), 500);
}

TEST_F(DialogTest, InfoWithoutPositionChangesOnlyText)
{
    CNewProgressDlg dlg(&window, &handler);
    dlg.OnSetRange(0, 10, 4);
    dlg.OnSetInfo("Downloading", -1);
    EXPECT_EQ(dlg.StatusLabel()->text(), QStringLiteral("Downloading"));
    EXPECT_EQ(dlg.ProgressBar()->value(), 4);
    dlg.OnSetMarquee();
    EXPECT_EQ(dlg.ProgressBar()->maximum(), 0);
}

TEST_F(DialogTest, FinishedHandlerClosesAtOnce)
{
    handler.Finished(5, 6);
    Deliver();
    CNewProgressDlg dlg(&window, &handler);
    EXPECT_EQ(dlg.exec(), QDialog::Accepted);
    EXPECT_TRUE(dlg.finished);
    EXPECT_EQ(handler.GetDisplay(), nullptr);
    EXPECT_FALSE(dlg.isVisible());
}

TEST_F(DialogTest, EscapeAndFrameDoNotCloseBeforeFinish)
{
    CNewProgressDlg dlg(&window, &handler);
    QTimer::singleShot(0, &dlg, [&] {
        EXPECT_TRUE(dlg.BackgroundButton()->isHidden());
        EXPECT_TRUE(dlg.windowTitle().isEmpty());
        dlg.close();  // ignored
        dlg.reject(); // Escape: acts as Cancel
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_TRUE(dlg.cancelPressed);
        EXPECT_TRUE(handler.IsCancelRequested());
        EXPECT_FALSE(dlg.CancelButton()->isEnabled());
        dlg.OnEnableCancel(true); // stays disabled after Cancel
        EXPECT_FALSE(dlg.CancelButton()->isEnabled());
        handler.Finished(2, 0);
    });
    EXPECT_EQ(dlg.exec(), QDialog::Accepted);
    EXPECT_EQ(dlg.resultCode, 2);
}

// A work item that reports like a download and stops when cancelled.
class DownloadItem : public WorkItem
{
public:
    DownloadItem(std::shared_ptr<NewProgressInterface> progress, std::shared_ptr<std::atomic<int>> outcome)
        : m_progress(std::move(progress)), m_outcome(std::move(outcome)) {}
    void Run() override
    {
        const qint64 total = 80ll << 20;
        m_progress->EnableCancel(true);
        m_progress->SetRange(0, total, 0);
        m_progress->SetInfo("Downloading", -1);
        m_progress->SetPos(total / 2);
        const auto limit = std::chrono::steady_clock::now() + 10s;
        while (!m_progress->GetCancelFlag()->load() && !StopRequested() &&
               std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(2ms);
        const bool cancelled = m_progress->GetCancelFlag()->load() && StopRequested();
        *m_outcome = cancelled ? 1 : 2;
        m_progress->EnableCancel(true);
        m_progress->Finished(cancelled ? 3 : 4, 42);
    }

private:
    std::shared_ptr<NewProgressInterface> m_progress;
    std::shared_ptr<std::atomic<int>> m_outcome;
};

TEST(ProgressRunTest, WorkerReportsAndCancelStopsIt)
{
    QWidget window;
    auto outcome = std::make_shared<std::atomic<int>>(0);
    auto worker = std::make_unique<WorkThreadWithProgress>();
    ASSERT_TRUE(worker->Start());
    worker->SetWindow(&window);
    worker->Reset();
    worker->AddItem(new DownloadItem(worker->Reporter(), outcome));

    CNewProgressDlg dlg(&window, worker.get());
    int seenMax = -1, seenValue = -1;
    QString seenText;
    QTimer poll;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&poll, &QTimer::timeout, &dlg, [&] {
        if (dlg.StatusLabel()->text() == QStringLiteral("Downloading") &&
            dlg.ProgressBar()->value() > 0 && seenMax < 0) {
            seenMax = dlg.ProgressBar()->maximum();
            seenValue = dlg.ProgressBar()->value();
            seenText = dlg.StatusLabel()->text();
            dlg.CancelButton()->click();
        } else if (clock.elapsed() > 10000 && !dlg.cancelPressed) {
            dlg.CancelButton()->click(); // safety: never hang the test run
        }
    });
    poll.start(5);
    EXPECT_EQ(dlg.exec(), QDialog::Accepted);
    poll.stop();

    EXPECT_EQ(seenText, QStringLiteral("Downloading"));
    EXPECT_EQ(seenMax, 80 << 20);
    EXPECT_EQ(seenValue, 40 << 20);
    EXPECT_TRUE(dlg.cancelPressed);
    EXPECT_TRUE(dlg.finished);
    EXPECT_EQ(dlg.resultCode, 3);
    EXPECT_EQ(dlg.resultValue, 42);
    EXPECT_EQ(outcome->load(), 1);
    EXPECT_FALSE(dlg.CancelButton()->isEnabled());
    worker.reset(); // stop and join first, then the handler goes
}

TEST(ProgressRunTest, SecondRunOnSameObjects)
{
    QWidget window;
    WorkThreadWithProgress worker;
    ASSERT_TRUE(worker.Start());
    worker.SetWindow(&window);
    CNewProgressDlg dlg(&window, &worker);
    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE(run);
        worker.Reset();
        class Quick : public WorkItem
        {
        public:
            Quick(std::shared_ptr<NewProgressInterface> p, int code) : m_p(std::move(p)), m_code(code) {}
            void Run() override
            {
                m_p->SetMarquee();
                m_p->Finished(m_code, 0);
            }
            std::shared_ptr<NewProgressInterface> m_p;
            int m_code;
        };
        worker.AddItem(new Quick(worker.Reporter(), 10 + run));
        EXPECT_EQ(dlg.exec(), QDialog::Accepted);
        EXPECT_FALSE(dlg.cancelPressed);
        EXPECT_EQ(dlg.resultCode, 10 + run);
        EXPECT_EQ(worker.GetDisplay(), nullptr);
    }
}

TEST(ProgressRunTest, ReportsMadeWhileStoppingReachTheDisplayBeforeTheHandlerGoes)
{
    // Destruction stops and joins the worker first; the reports its item
    // makes in answer to the stop are then delivered by the handler part,
    // which is torn down last.
    QWidget window;
    auto started = std::make_shared<std::atomic<bool>>(false);
    class UntilStopped : public WorkItem
    {
    public:
        UntilStopped(std::shared_ptr<NewProgressInterface> p, std::shared_ptr<std::atomic<bool>> s)
            : m_p(std::move(p)), m_started(std::move(s)) {}
        void Run() override
        {
            *m_started = true;
            const auto limit = std::chrono::steady_clock::now() + 10s;
            while (!StopRequested() && std::chrono::steady_clock::now() < limit)
                std::this_thread::sleep_for(1ms);
            m_p->SetPos(StopRequested() ? 99 : -5);
            m_p->Finished(7, 8);
        }
        std::shared_ptr<NewProgressInterface> m_p;
        std::shared_ptr<std::atomic<bool>> m_started;
    };
    auto worker = std::make_unique<WorkThreadWithProgress>();
    FakeDisplay display(worker.get(), true);
    ASSERT_TRUE(worker->Start());
    worker->SetWindow(&window);
    worker->Reset();
    worker->AddDisplay(&display);
    display.calls.clear();
    worker->AddItem(new UntilStopped(worker->Reporter(), started));
    for (int i = 0; i < 2000 && !*started; ++i)
        std::this_thread::sleep_for(5ms);
    ASSERT_TRUE(started->load());
    worker.reset();
    EXPECT_EQ(display.calls, (Calls{"pos 99", "finished 7 8"}));
}

TEST(ProgressRunTest, DestroyWhileItemStillReports)
{
    QWidget window;
    auto release = std::make_shared<std::atomic<bool>>(false);
    auto done = std::make_shared<std::atomic<bool>>(false);
    {
        WorkThreadWithProgress worker;
        ASSERT_TRUE(worker.Start());
        worker.SetWindow(&window);
        worker.Reset();
        class Stubborn : public WorkItem
        {
        public:
            Stubborn(std::shared_ptr<NewProgressInterface> p, std::shared_ptr<std::atomic<bool>> r,
                     std::shared_ptr<std::atomic<bool>> d)
                : m_p(std::move(p)), m_release(std::move(r)), m_done(std::move(d)) {}
            ~Stubborn() override { *m_done = true; }
            void Run() override
            {
                while (!*m_release)
                    std::this_thread::sleep_for(1ms);
                m_p->SetPos(5); // the handler is gone by now: dropped
                m_p->Finished(1, 0);
            }
            std::shared_ptr<NewProgressInterface> m_p;
            std::shared_ptr<std::atomic<bool>> m_release, m_done;
        };
        worker.AddItem(new Stubborn(worker.Reporter(), release, done));
        std::this_thread::sleep_for(20ms);
    }
    *release = true;
    for (int i = 0; i < 1000 && !*done; ++i)
        std::this_thread::sleep_for(5ms);
    EXPECT_TRUE(done->load());
    Deliver();
}

} // namespace
