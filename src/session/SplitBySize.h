#pragma once
// Split by size: cuts a page list into consecutive groups whose PDF files are
// no larger than a byte limit, by writing trial files and measuring them.
#include "session/PageList.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// Measures the PDF file made of the first n pages of a list. No value when
// the trial file could not be written completely or read back.
class PageGroupMeasurer
{
public:
    virtual ~PageGroupMeasurer() = default;
    virtual std::optional<std::uint64_t> MeasurePages(const PageList& pages, std::size_t n) = 0;
    // Why the last failed measurement failed, in the system's or the
    // engine's words; empty when unknown.
    virtual QString FailureReason() const { return QString(); }
};

// The real measurer: writes each trial file through the splicing layer into
// a uniquely named file in the temporary folder (WritableTempFolder) and
// deletes it after measuring, whether the measurement worked or not. The source is opened once, with the
// password when it is not empty, and closed with the measurer.
class SpliceTrialMeasurer : public PageGroupMeasurer
{
public:
    SpliceTrialMeasurer(QString sourcePath, QString password);
    ~SpliceTrialMeasurer() override;
    SpliceTrialMeasurer(const SpliceTrialMeasurer&) = delete;
    SpliceTrialMeasurer& operator=(const SpliceTrialMeasurer&) = delete;

    std::optional<std::uint64_t> MeasurePages(const PageList& pages, std::size_t n) override;
    QString FailureReason() const override { return m_failureReason; }

    // Trial files written so far.
    int TrialWrites() const { return m_trialWrites; }

private:
    QString m_sourcePath;
    QString m_password;
    void* m_input = nullptr;
    bool m_inputTried = false;
    int m_trialWrites = 0;
    QString m_failureReason;
    QString m_inputFailure; // why the source could not be opened
};

enum class GroupBySizeResult
{
    Grouped,         // groups appended (possibly none, for an empty source)
    PageTooBig,      // a single page alone exceeds the limit
    MeasureFailed,   // a trial file could not be written or measured
};

// Cuts `source` from its front into groups no larger than `limitBytes` and
// appends them to `groups` (which is emptied first; on failure it is left
// empty). Never puts a page into two groups or drops one.
GroupBySizeResult GroupPagesBySize(const PageList& source, std::uint64_t limitBytes,
                                   PageGroupMeasurer& measurer, std::vector<PageList>& groups);

// The By Size page's apply step: the grouping plus its messages. True when
// the sheet may close.
bool GroupBySize(const PageList& source, std::uint64_t limitBytes,
                 PageGroupMeasurer& measurer, std::vector<PageList>& groups);
