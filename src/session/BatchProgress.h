#pragma once
// Progress reports of the headless splitter's long steps: the size
// measurement and the writing of the files.
#include "session/BatchConsole.h"
#include "session/SplitBySize.h"

#include <QDir>
#include <QString>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>

// Reports how far the grouping has come while it measures trial files.
class ProgressMeasurer : public PageGroupMeasurer
{
public:
    ProgressMeasurer(PageGroupMeasurer& inner, BatchConsole& console, std::size_t total)
        : m_inner(inner), m_console(console), m_total(total)
    {
    }

    std::optional<std::uint64_t> MeasurePages(const PageList& pages, std::size_t n) override
    {
        m_console.Progress(QStringLiteral("Measuring sections: %1 of %2 pages placed")
                               .arg(m_total - std::min(m_total, pages.size()))
                               .arg(m_total));
        return m_inner.MeasurePages(pages, n);
    }

    QString FailureReason() const override { return m_inner.FailureReason(); }

private:
    PageGroupMeasurer& m_inner;
    BatchConsole& m_console;
    std::size_t m_total;
};

// Counts the finished files in the staging folder while the sections are
// written (the writer's own temporary files are hidden).
class SaveProgress
{
public:
    SaveProgress(BatchConsole& console, QString folder, std::size_t total)
        : m_console(console), m_folder(std::move(folder)), m_total(total)
    {
        if (!m_console.ProgressEnabled())
            return;
        m_thread = std::thread([this] { Run(); });
    }

    ~SaveProgress()
    {
        if (m_thread.joinable())
        {
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_stop = true;
            }
            m_wake.notify_all();
            m_thread.join();
        }
    }

private:
    void Run()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_wake.wait_for(lock, std::chrono::milliseconds(200), [this] { return m_stop; }))
        {
            const auto done = static_cast<std::size_t>(QDir(m_folder).entryList(QDir::Files).size());
            m_console.Progress(QStringLiteral("Writing files: %1 of %2").arg(std::min(done, m_total)).arg(m_total));
        }
    }

    BatchConsole& m_console;
    QString m_folder;
    std::size_t m_total;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::thread m_thread;
};

