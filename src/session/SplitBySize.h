#pragma once
// Split by size: cuts a page list into consecutive groups whose PDF files are
// no larger than a byte limit, by writing trial files and measuring them.
#include "session/LongWork.h"
#include "session/PageList.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// Measures the PDF file made of the first n pages of a list. No value when
// the trial file could not be written completely.
class PageGroupMeasurer
{
public:
    virtual ~PageGroupMeasurer() = default;
    virtual std::optional<std::uint64_t> MeasurePages(const PageList& pages, std::size_t n) = 0;
    // The sizes the files of the first 1, 2, 3 ... pages of the list
    // probably have, judged without trial files, up to and including the
    // first one over the limit; empty when the measurer cannot tell. Only
    // where a search starts depends on it, never its result.
    virtual std::vector<std::uint64_t> EstimatePrefixSizes(const PageList& pages, std::uint64_t limit)
    {
        (void)pages;
        (void)limit;
        return {};
    }
    // Why the last failed measurement failed, in the system's or the
    // engine's words; empty when unknown.
    virtual QString FailureReason() const { return QString(); }
};

// The real measurer: writes each trial file through the splicing layer as
// it would be saved, but into memory, where only its size is counted;
// nothing reaches the disk. The source is opened once, with the password
// when it is not empty, and closed with the measurer. Successive
// measurements of prefixes of the same list share the pages they have in
// common instead of copying them again.
class SpliceTrialMeasurer : public PageGroupMeasurer
{
public:
    SpliceTrialMeasurer(QString sourcePath, QString password);
    ~SpliceTrialMeasurer() override;
    SpliceTrialMeasurer(const SpliceTrialMeasurer&) = delete;
    SpliceTrialMeasurer& operator=(const SpliceTrialMeasurer&) = delete;

    std::optional<std::uint64_t> MeasurePages(const PageList& pages, std::size_t n) override;
    // From the stored sizes of the pages' objects.
    std::vector<std::uint64_t> EstimatePrefixSizes(const PageList& pages, std::uint64_t limit) override;
    QString FailureReason() const override { return m_failureReason; }

    // Trial files written so far.
    int TrialWrites() const { return m_trialWrites; }

private:
    bool OpenInput();
    void DropTrial();

    QString m_sourcePath;
    QString m_password;
    void* m_input = nullptr;
    bool m_inputTried = false;
    int m_trialWrites = 0;
    void* m_trial = nullptr; // the trial output, holding m_trialPages
    PageList m_trialPages;
    QString m_failureReason;
    QString m_inputFailure; // why the source could not be opened
};

enum class GroupBySizeResult
{
    Grouped,         // groups appended (possibly none, for an empty source)
    PageTooBig,      // a single page alone exceeds the limit
    MeasureFailed,   // a trial file could not be written or measured
    Cancelled,       // the user asked to stop
};

// Cuts `source` from its front into groups no larger than `limitBytes` and
// appends them to `groups` (which is emptied first; on failure it is left
// empty). Never puts a page into two groups or drops one.
//
// Each group is the longest prefix of the remaining pages whose measured
// file is within the limit, found with at most ceil(log2 n) + 1 trial files
// for n remaining pages: the search starts from the previous group's length
// (the first from the measurer's estimate) and predicts from the sizes it
// has measured, within bounds that keep it a
// bisection in the worst case. Where the file size grows with the page
// count this is the group the plain bisection finds; everywhere, a group is
// only taken once its own file was measured within the limit. progress, when
// given, is told how many pages are placed and asked before every trial
// whether to stop.
GroupBySizeResult GroupPagesBySize(const PageList& source, std::uint64_t limitBytes,
                                   PageGroupMeasurer& measurer, std::vector<PageList>& groups,
                                   LongWorkProgress* progress = nullptr);

// The By Size page's apply step: the grouping as a long work (progress and
// Cancel in the window) plus its messages. True when the sheet may close;
// false after a message, or silently when the user cancelled.
bool GroupBySize(const PageList& source, std::uint64_t limitBytes,
                 PageGroupMeasurer& measurer, std::vector<PageList>& groups);
