#include "ui/LongWorkRunner.h"

#include "ui/CNewProgressDlg.h"
#include "work/WorkThreadWithProgress.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace {

// How long the window waits for a work before it shows the progress dialog.
constexpr auto kDialogDelay = std::chrono::milliseconds(50);

// The result code the work item finishes with.
constexpr int kLongWorkFinished = 1;

// Whether the work has ended; the window thread may wait for it.
struct EndSignal
{
    std::mutex mutex;
    std::condition_variable changed;
    bool ended = false;

    void Set()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            ended = true;
        }
        changed.notify_all();
    }
    bool WaitFor(std::chrono::milliseconds time)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, time, [this] { return ended; });
    }
};

// Refuses to close the program's windows while a work runs and its dialog
// is not up yet (the dialog, once up, blocks the other windows).
class CloseBlocker : public QObject
{
public:
    CloseBlocker() { QCoreApplication::instance()->installEventFilter(this); }
    ~CloseBlocker() override { QCoreApplication::instance()->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() != QEvent::Close)
            return false;
        // A question the work asks meanwhile closes as usual; the close
        // event reaches its native window first, then the widget.
        if (auto* widget = qobject_cast<QWidget*>(object); widget && widget->isModal())
            return false;
        if (auto* window = qobject_cast<QWindow*>(object); window && window->modality() != Qt::NonModal)
            return false;
        event->ignore();
        return true;
    }
};

// Handles the window's events until the work has ended or the time is up;
// true when the work has ended. The user's input waits meanwhile: it reaches
// the windows afterwards, or is blocked by the dialog once that is up.
bool HandleEventsWhileWaiting(EndSignal& end, std::chrono::milliseconds time)
{
    CloseBlocker blocker;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(2);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        std::lock_guard<std::mutex> lock(end.mutex);
        if (end.ended)
            loop.quit();
    });
    QTimer::singleShot(time, &loop, &QEventLoop::quit);
    poll.start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    std::lock_guard<std::mutex> lock(end.mutex);
    return end.ended;
}

class LongWorkItem : public WorkItem, private LongWorkProgress
{
public:
    LongWorkItem(std::shared_ptr<NewProgressInterface> reporter, const LongWork& work,
                 std::shared_ptr<EndSignal> end)
        : m_reporter(std::move(reporter)), m_work(work), m_end(std::move(end))
    {
    }

    void Run() override
    {
        try {
            m_work(*this);
        } catch (...) {
            // A work reports its own failures; nothing may cross the thread.
        }
        m_end->Set();
        m_reporter->Finished(kLongWorkFinished, 0);
    }

private:
    void SetRange(qint64 maximum) override { m_reporter->SetRange(0, maximum, 0); }
    void SetStep(const QString& text, qint64 position) override { m_reporter->SetInfo(text, position); }
    bool StopRequested() const override
    {
        const std::atomic<bool>* cancel = m_reporter->GetCancelFlag();
        return WorkItem::StopRequested() || (cancel && cancel->load(std::memory_order_acquire));
    }

    std::shared_ptr<NewProgressInterface> m_reporter;
    const LongWork& m_work; // the caller waits until Run has returned
    std::shared_ptr<EndSignal> m_end;
};

} // namespace

void RunLongWorkWithProgress(QWidget* owner, const QString& title, const LongWork& work)
{
    // Reports go to the owner; without one, to a private receiver.
    QObject fallbackTarget;
    WorkThreadWithProgress worker;
    auto end = std::make_shared<EndSignal>();
    if (!worker.Start())
    {
        NoLongWorkProgress progress;
        work(progress);
        return;
    }
    worker.SetWindow(owner ? static_cast<QObject*>(owner) : &fallbackTarget);
    worker.Reset();
    worker.AddItem(new LongWorkItem(worker.Reporter(), work, end));

    // A short work ends before the dialog would appear; the window goes on
    // handling its events meanwhile.
    if (!HandleEventsWhileWaiting(*end, kDialogDelay))
    {
        CNewProgressDlg dialog(owner, &worker);
        dialog.title = title;
        dialog.exec(); // returns once the work reported its end
    }
    // The work has ended (or is ending: its last act is the finish report);
    // the worker's destructor waits for it and delivers what is still
    // waiting.
    end->WaitFor(std::chrono::hours(24 * 365));
}
