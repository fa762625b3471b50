#pragma once
// Progress reporting from a worker thread to a display on the window thread.
//
// A work item calls the NewProgressInterface operations from its worker; each
// call becomes a ProgressMessage posted (QCoreApplication::postEvent) to the
// handler's target window as the registered event "OruMSG::NEWPROGRESSUPDATE".
// On the window thread the NewProgressHandler, which filters that window's
// events, applies the message to its stored state and passes it to the
// display on top of its display list (in practice a CNewProgressDlg).
// Messages arrive in the order they were posted; each is deleted after it
// has been dispatched (or, undelivered, with its event).
//
// Typical run (window thread):
//     WorkThreadWithProgress worker;
//     worker.Start();
//     worker.SetWindow(mainWindow);
//     worker.Reset();
//     worker.AddItem(new MyItem(worker.Reporter()));
//     CNewProgressDlg dlg(mainWindow, &worker);
//     dlg.exec();                       // returns when the item calls Finished
//     if (dlg.cancelPressed) ...; use dlg.resultCode / dlg.resultValue
// The item (worker thread):
//     progress->SetRange(0, total, 0); progress->SetInfo(text, -1);
//     progress->SetPos(done); ... poll *progress->GetCancelFlag() and
//     StopRequested(); end with progress->Finished(code, value).
#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

class NewProgressDisplay;

class NewProgressInterface
{
public:
    virtual ~NewProgressInterface() = default;
    virtual void Reset() = 0;
    // Positions are 64-bit so byte counts of large downloads fit unscaled.
    virtual void SetRange(qint64 minimum, qint64 maximum, qint64 position) = 0;
    virtual void SetMarquee() = 0;
    // position -1 keeps the current position.
    virtual void SetInfo(const QString& text, qint64 position) = 0;
    virtual void SetPos(qint64 position) = 0;
    // value may carry a pointer to a result object; whoever takes the finish
    // (the display) owns it from then on.
    virtual void Finished(int resultCode, std::intptr_t resultValue) = 0;
    // The cancel-requested flag; readable from any thread.
    virtual const std::atomic<bool>* GetCancelFlag() = 0;
    virtual void EnableCancel(bool enable) = 0;
    // The display on top, or null (window thread only).
    virtual NewProgressDisplay* GetDisplay() = 0;
};

class NewProgressDisplay
{
public:
    virtual ~NewProgressDisplay() = default;
    virtual void OnSetRange(qint64 minimum, qint64 maximum, qint64 position) = 0;
    virtual void OnSetMarquee() = 0;
    virtual void OnSetInfo(const QString& text, qint64 position) = 0;
    virtual void OnSetPos(qint64 position) = 0;
    // True when the display keeps the finish. A display that returns false
    // must first have removed itself from the handler's list.
    virtual bool OnFinished(int resultCode, std::intptr_t resultValue) = 0;
    virtual void OnEnableCancel(bool enable) = 0;
};

class NewProgressHandler;

// One posted progress report.
class ProgressMessage
{
public:
    enum Type { SetRangeType = 0, InfoType = 1, MarqueeType = 2, PosType = 3, FinishedType = 4,
                EnableCancelType = 5 };
    explicit ProgressMessage(int t) : type(t) {}
    virtual ~ProgressMessage() = default;

    NewProgressHandler* handler = nullptr; // the handler that posted it
    std::uint64_t handlerId = 0;           // identity of that handler
    int type;
};

class ProgressSetRangeMsg : public ProgressMessage
{
public:
    ProgressSetRangeMsg(qint64 mn, qint64 mx, qint64 pos)
        : ProgressMessage(SetRangeType), minimum(mn), maximum(mx), position(pos) {}
    qint64 minimum, maximum, position;
};

class ProgressInfoPos : public ProgressMessage
{
public:
    ProgressInfoPos(int t, const QString& s, qint64 pos) : ProgressMessage(t), text(s), position(pos) {}
    QString text;
    qint64 position;
};

class ProgressFinished : public ProgressMessage
{
public:
    ProgressFinished(int code, std::intptr_t value)
        : ProgressMessage(FinishedType), resultCode(code), resultValue(value) {}
    int resultCode;
    std::intptr_t resultValue;
};

class ProgressEnableCancelMsg : public ProgressMessage
{
public:
    explicit ProgressEnableCancelMsg(bool e) : ProgressMessage(EnableCancelType), enable(e) {}
    bool enable;
};

// The event that carries a ProgressMessage; it owns the message until a
// handler takes it.
class ProgressEvent : public QEvent
{
public:
    explicit ProgressEvent(ProgressMessage* message);
    ~ProgressEvent() override;
    ProgressMessage* Take();

private:
    ProgressMessage* m_message;
};

// The id of "OruMSG::NEWPROGRESSUPDATE", registered once per run on first use.
QEvent::Type ProgressUpdateEventType();

// Intercepts the events of windows it does not own (through Qt event
// filters; the filter installed last sees an event first, so several
// interceptors per window form a chain). A destroyed window is detached
// automatically.
class CSubclassWnd
{
public:
    CSubclassWnd();
    virtual ~CSubclassWnd();
    CSubclassWnd(const CSubclassWnd&) = delete;
    CSubclassWnd& operator=(const CSubclassWnd&) = delete;

    // Null detaches from every window.
    virtual bool Attach(QObject* window);
    virtual bool Detach(QObject* window);
    // True when the event is consumed; the base passes everything on.
    virtual bool WindowProc(QObject* window, QEvent* event);

    bool IsAttached(QObject* window) const;

protected:
    // Called when an attached window is being destroyed (already detached).
    virtual void WindowDestroyed(QObject* window);

private:
    class Filter;
    friend class Filter;
    std::unique_ptr<Filter> m_filter;
    std::vector<QObject*> m_windows;
    std::vector<QMetaObject::Connection> m_connections;
};

// The posting side of a handler, shared with work items so that a report
// made after the handler is gone is dropped instead of reaching freed memory.
class ProgressChannel;

class NewProgressHandler : public CSubclassWnd, public NewProgressInterface
{
public:
    NewProgressHandler();
    ~NewProgressHandler() override;

    // --- window thread ---
    // Makes window the target of the posted reports (null: none). The old
    // target is detached and its waiting reports dispatched.
    void SetWindow(QObject* window);
    QObject* Window() const { return m_target; }
    virtual void RequestCancel();
    // Appends a display (now on top) and brings it up to date.
    virtual void AddDisplay(NewProgressDisplay* display);
    // Removes the first occurrence; a display not in the list is ignored.
    virtual void RemoveDisplay(NewProgressDisplay* display);
    // Applies one message to the stored state and the top display, then
    // deletes it.
    virtual void Dispatch(ProgressMessage* message);
    // Delivers now the reports still waiting for the target window.
    void DrainMessages();

    bool WindowProc(QObject* window, QEvent* event) override;

    // --- any thread ---
    // Stores this handler in the message and posts it to the target window,
    // or destroys it when there is no target.
    virtual void Post(ProgressMessage* message);
    // The progress interface for work items. It stays valid after the
    // handler is destroyed; reports made through it are then dropped.
    std::shared_ptr<NewProgressInterface> Reporter() const;

    // NewProgressInterface. Reset and GetDisplay act at once on the calling
    // (window) thread; the others post a message.
    void Reset() override;
    void SetRange(qint64 minimum, qint64 maximum, qint64 position) override;
    void SetMarquee() override;
    void SetInfo(const QString& text, qint64 position) override;
    void SetPos(qint64 position) override;
    void Finished(int resultCode, std::intptr_t resultValue) override;
    const std::atomic<bool>* GetCancelFlag() override;
    void EnableCancel(bool enable) override;
    NewProgressDisplay* GetDisplay() override;

    // Stored state (window thread).
    const QString& Text() const { return m_text; }
    qint64 Minimum() const { return m_minimum; }
    qint64 Maximum() const { return m_maximum; }
    qint64 Position() const { return m_position; }
    bool IsMarquee() const { return m_marquee; }
    bool IsCancelRequested() const;
    bool IsFinished() const { return m_finished; }
    bool IsCancelEnabled() const { return m_cancelEnabled; }

protected:
    void WindowDestroyed(QObject* window) override;

private:
    void BringTopUpToDate();

    QString m_text;
    qint64 m_minimum = 0;
    qint64 m_maximum = 100;
    qint64 m_position = 0;
    bool m_marquee = true;
    bool m_finished = true;
    bool m_cancelEnabled = true;
    bool m_deliveringFinish = false;
    QObject* m_target = nullptr;
    std::vector<NewProgressDisplay*> m_displays;
    std::shared_ptr<ProgressChannel> m_channel;
};
