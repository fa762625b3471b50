#pragma once
// Messages and the progress line of the headless splitter on its error
// stream. The progress line is shown only for work that has already taken a
// while, and is cleared before any message is printed.
#include <QElapsedTimer>
#include <QString>
#include <mutex>
#include <ostream>
#include <string>

// The text in the program's output encoding.
std::string Std(const QString& text);
// The text in single quotes, as messages name files and values.
QString Quoted(const QString& text);
// The numbered text with its "%s" replaced by the value (never read as a
// format itself).
QString FormatMessage(int id, const QString& value);

class BatchConsole
{
public:
    BatchConsole(std::ostream& err, bool progress, int delayMs)
        : m_err(err), m_progress(progress), m_delayMs(delayMs)
    {
    }

    void Message(const QString& text)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ClearLine();
        m_err << "parcelo-split: " << Std(text) << '\n';
        m_err.flush();
    }

    void Plain(const QString& text)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ClearLine();
        m_err << Std(text) << '\n';
    }

    void StartPhase()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_phase.start();
    }

    void Progress(const QString& text)
    {
        if (!m_progress)
            return;
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_phase.isValid() || m_phase.elapsed() < m_delayMs)
            return;
        m_err << '\r' << Std(text) << "\x1b[K";
        m_err.flush();
        m_lineShown = true;
    }

    void EndProgress()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ClearLine();
        m_phase.invalidate();
    }

    bool ProgressEnabled() const { return m_progress; }

private:
    void ClearLine()
    {
        if (!m_lineShown)
            return;
        m_err << "\r\x1b[K";
        m_err.flush();
        m_lineShown = false;
    }

    std::ostream& m_err;
    const bool m_progress;
    const int m_delayMs;
    std::mutex m_mutex;
    QElapsedTimer m_phase;
    bool m_lineShown = false;
};

