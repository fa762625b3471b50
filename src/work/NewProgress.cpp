#include "work/NewProgress.h"

#include <QCoreApplication>

#include <algorithm>
#include <map>

// ---------------------------------------------------------------------------
// Event type and event

QEvent::Type ProgressUpdateEventType()
{
    // "OruMSG::NEWPROGRESSUPDATE": registered once for the whole run.
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

ProgressEvent::ProgressEvent(ProgressMessage* message)
    : QEvent(ProgressUpdateEventType()), m_message(message)
{
}

ProgressEvent::~ProgressEvent()
{
    // A report nobody dispatched (its window went away, nobody filtered it).
    delete m_message;
}

ProgressMessage* ProgressEvent::Take()
{
    ProgressMessage* m = m_message;
    m_message = nullptr;
    return m;
}

// ---------------------------------------------------------------------------
// CSubclassWnd

class CSubclassWnd::Filter : public QObject
{
public:
    explicit Filter(CSubclassWnd* owner) : m_owner(owner) {}
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        return m_owner->WindowProc(watched, event);
    }

private:
    CSubclassWnd* m_owner;
};

CSubclassWnd::CSubclassWnd() : m_filter(std::make_unique<Filter>(this)) {}

CSubclassWnd::~CSubclassWnd()
{
    Detach(nullptr);
}

bool CSubclassWnd::IsAttached(QObject* window) const
{
    return std::find(m_windows.begin(), m_windows.end(), window) != m_windows.end();
}

bool CSubclassWnd::Attach(QObject* window)
{
    if (!window) {
        Detach(nullptr);
        return true;
    }
    if (IsAttached(window))
        return true;
    window->installEventFilter(m_filter.get());
    m_windows.push_back(window);
    m_connections.push_back(QObject::connect(window, &QObject::destroyed, m_filter.get(),
                                             [this, window] {
                                                 // The window is dying: forget it
                                                 // without touching it further.
                                                 const auto it = std::find(m_windows.begin(),
                                                                           m_windows.end(), window);
                                                 if (it == m_windows.end())
                                                     return;
                                                 const auto index = it - m_windows.begin();
                                                 QObject::disconnect(m_connections[index]);
                                                 m_windows.erase(it);
                                                 m_connections.erase(m_connections.begin() + index);
                                                 WindowDestroyed(window);
                                             }));
    return true;
}

bool CSubclassWnd::Detach(QObject* window)
{
    if (!window) {
        while (!m_windows.empty())
            Detach(m_windows.back());
        return true;
    }
    const auto it = std::find(m_windows.begin(), m_windows.end(), window);
    if (it == m_windows.end())
        return true;
    const auto index = it - m_windows.begin();
    QObject::disconnect(m_connections[index]);
    window->removeEventFilter(m_filter.get());
    m_windows.erase(it);
    m_connections.erase(m_connections.begin() + index);
    return true;
}

bool CSubclassWnd::WindowProc(QObject*, QEvent*)
{
    return false; // on along the chain
}

void CSubclassWnd::WindowDestroyed(QObject*) {}

// ---------------------------------------------------------------------------
// Handler registry: messages name their handler by id, so a report whose
// handler is gone is dropped instead of reaching freed memory.

namespace {
std::mutex g_registryMutex;
std::map<std::uint64_t, NewProgressHandler*>& Registry()
{
    static std::map<std::uint64_t, NewProgressHandler*> registry;
    return registry;
}
std::uint64_t g_nextHandlerId = 1;

NewProgressHandler* FindHandler(std::uint64_t id)
{
    std::lock_guard<std::mutex> l(g_registryMutex);
    const auto it = Registry().find(id);
    return it == Registry().end() ? nullptr : it->second;
}
} // namespace

// ---------------------------------------------------------------------------
// ProgressChannel: the posting side, safe from any thread.

class ProgressChannel final : public NewProgressInterface
{
public:
    ProgressChannel(NewProgressHandler* handler, std::uint64_t id) : m_handler(handler), m_id(id) {}

    void SetTarget(QObject* target)
    {
        std::lock_guard<std::mutex> l(m_mutex);
        m_target = target;
    }
    void Close()
    {
        std::lock_guard<std::mutex> l(m_mutex);
        m_handler = nullptr;
        m_target = nullptr;
    }
    void Post(ProgressMessage* message)
    {
        std::lock_guard<std::mutex> l(m_mutex);
        if (!m_handler || !m_target) {
            delete message;
            return;
        }
        message->handler = m_handler;
        message->handlerId = m_id;
        QCoreApplication::postEvent(m_target, new ProgressEvent(message));
    }

    std::atomic<bool> cancelRequested{false};

    // NewProgressInterface for work items.
    void Reset() override {} // window-thread only; meaningless from a worker
    void SetRange(qint64 mn, qint64 mx, qint64 pos) override { Post(new ProgressSetRangeMsg(mn, mx, pos)); }
    void SetMarquee() override { Post(new ProgressMessage(ProgressMessage::MarqueeType)); }
    void SetInfo(const QString& text, qint64 pos) override
    {
        Post(new ProgressInfoPos(ProgressMessage::InfoType, text, pos));
    }
    void SetPos(qint64 pos) override { Post(new ProgressInfoPos(ProgressMessage::PosType, QString(), pos)); }
    void Finished(int code, std::intptr_t value) override { Post(new ProgressFinished(code, value)); }
    const std::atomic<bool>* GetCancelFlag() override { return &cancelRequested; }
    void EnableCancel(bool enable) override { Post(new ProgressEnableCancelMsg(enable)); }
    NewProgressDisplay* GetDisplay() override { return nullptr; }

private:
    std::mutex m_mutex;
    NewProgressHandler* m_handler;
    const std::uint64_t m_id;
    QObject* m_target = nullptr;
};

// ---------------------------------------------------------------------------
// NewProgressHandler

NewProgressHandler::NewProgressHandler()
{
    (void)ProgressUpdateEventType();
    std::uint64_t id;
    {
        std::lock_guard<std::mutex> l(g_registryMutex);
        id = g_nextHandlerId++;
        Registry()[id] = this;
    }
    m_channel = std::make_shared<ProgressChannel>(this, id);
}

NewProgressHandler::~NewProgressHandler()
{
    // No new reports from here on; those already waiting are delivered.
    m_channel->Close();
    DrainMessages();
    {
        std::lock_guard<std::mutex> l(g_registryMutex);
        for (auto it = Registry().begin(); it != Registry().end(); ++it) {
            if (it->second == this) {
                Registry().erase(it);
                break;
            }
        }
    }
    m_displays.clear();
    m_target = nullptr;
    // ~CSubclassWnd detaches from every window.
}

std::shared_ptr<NewProgressInterface> NewProgressHandler::Reporter() const
{
    return m_channel;
}

void NewProgressHandler::SetWindow(QObject* window)
{
    if (window == m_target)
        return;
    m_channel->SetTarget(window);
    if (m_target) {
        // Deliver what is still waiting while our filter is still in place.
        DrainMessages();
        Detach(m_target);
    }
    m_target = window;
    if (m_target)
        Attach(m_target);
}

void NewProgressHandler::WindowDestroyed(QObject* window)
{
    if (window == m_target) {
        m_channel->SetTarget(nullptr);
        m_target = nullptr;
    }
}

void NewProgressHandler::DrainMessages()
{
    if (m_target)
        QCoreApplication::sendPostedEvents(m_target, ProgressUpdateEventType());
}

bool NewProgressHandler::WindowProc(QObject* window, QEvent* event)
{
    if (event->type() != ProgressUpdateEventType())
        return CSubclassWnd::WindowProc(window, event);
    ProgressMessage* message = static_cast<ProgressEvent*>(event)->Take();
    if (message) {
        NewProgressHandler* owner = FindHandler(message->handlerId);
        if (owner)
            owner->Dispatch(message);
        else
            delete message;
    }
    return true;
}

void NewProgressHandler::Post(ProgressMessage* message)
{
    m_channel->Post(message);
}

void NewProgressHandler::Reset()
{
    m_marquee = false;
    m_channel->cancelRequested = false;
    m_finished = false;
    m_position = 0;
    m_minimum = 0;
    m_maximum = 10;
    m_text.clear();
}

void NewProgressHandler::SetRange(qint64 minimum, qint64 maximum, qint64 position)
{
    m_channel->SetRange(minimum, maximum, position);
}

void NewProgressHandler::SetMarquee()
{
    m_channel->SetMarquee();
}

void NewProgressHandler::SetInfo(const QString& text, qint64 position)
{
    m_channel->SetInfo(text, position);
}

void NewProgressHandler::SetPos(qint64 position)
{
    m_channel->SetPos(position);
}

void NewProgressHandler::Finished(int resultCode, std::intptr_t resultValue)
{
    m_channel->Finished(resultCode, resultValue);
}

const std::atomic<bool>* NewProgressHandler::GetCancelFlag()
{
    return &m_channel->cancelRequested;
}

void NewProgressHandler::EnableCancel(bool enable)
{
    m_channel->EnableCancel(enable);
}

NewProgressDisplay* NewProgressHandler::GetDisplay()
{
    return m_displays.empty() ? nullptr : m_displays.back();
}

bool NewProgressHandler::IsCancelRequested() const
{
    return m_channel->cancelRequested.load();
}

void NewProgressHandler::RequestCancel()
{
    m_channel->cancelRequested = true;
}

void NewProgressHandler::AddDisplay(NewProgressDisplay* display)
{
    if (!display)
        return;
    m_displays.push_back(display);
    BringTopUpToDate();
}

void NewProgressHandler::RemoveDisplay(NewProgressDisplay* display)
{
    const auto it = std::find(m_displays.begin(), m_displays.end(), display);
    if (it == m_displays.end())
        return;
    const bool wasTop = (it + 1 == m_displays.end());
    m_displays.erase(it);
    // While a finish is being handed down, the next display receives that
    // finish itself; it must not first get an empty one.
    if (wasTop && !m_deliveringFinish)
        BringTopUpToDate();
}

void NewProgressHandler::BringTopUpToDate()
{
    NewProgressDisplay* top = GetDisplay();
    if (!top)
        return;
    if (m_finished) {
        top->OnFinished(0, 0);
        return;
    }
    top->OnEnableCancel(m_cancelEnabled);
    if (m_marquee) {
        top->OnSetMarquee();
        top->OnSetInfo(m_text, -1);
    } else {
        top->OnSetRange(m_minimum, m_maximum, m_position);
        top->OnSetInfo(m_text, m_position);
    }
}

void NewProgressHandler::Dispatch(ProgressMessage* message)
{
    if (!message)
        return;
    NewProgressDisplay* top = GetDisplay();
    switch (message->type) {
    case ProgressMessage::SetRangeType: {
        auto* m = static_cast<ProgressSetRangeMsg*>(message);
        m_minimum = m->minimum;
        m_maximum = m->maximum;
        m_position = m->position;
        m_marquee = false;
        if (top)
            top->OnSetRange(m_minimum, m_maximum, m_position);
        break;
    }
    case ProgressMessage::InfoType: {
        auto* m = static_cast<ProgressInfoPos*>(message);
        if (m->position != -1)
            m_position = m->position;
        m_text = m->text;
        if (top)
            top->OnSetInfo(m_text, m_position);
        break;
    }
    case ProgressMessage::MarqueeType:
        m_marquee = true;
        if (top)
            top->OnSetMarquee();
        break;
    case ProgressMessage::PosType: {
        auto* m = static_cast<ProgressInfoPos*>(message);
        m_position = m->position;
        if (top)
            top->OnSetPos(m_position);
        break;
    }
    case ProgressMessage::FinishedType: {
        auto* m = static_cast<ProgressFinished*>(message);
        m_finished = true;
        const bool outer = !m_deliveringFinish;
        m_deliveringFinish = true;
        while (NewProgressDisplay* display = GetDisplay()) {
            if (display->OnFinished(m->resultCode, m->resultValue))
                break;
            // A display that declined must have removed itself; make sure,
            // so a faulty one cannot keep the loop going.
            if (GetDisplay() == display) {
                const auto it = std::find(m_displays.rbegin(), m_displays.rend(), display);
                m_displays.erase(std::next(it).base());
            }
        }
        if (outer)
            m_deliveringFinish = false;
        break;
    }
    case ProgressMessage::EnableCancelType: {
        auto* m = static_cast<ProgressEnableCancelMsg*>(message);
        m_cancelEnabled = m->enable;
        if (top)
            top->OnEnableCancel(m_cancelEnabled);
        break;
    }
    default:
        break;
    }
    delete message;
}
