#include "session/SplitBySize.h"

#include "engine/XpdfSplice.h"
#include "resources/StringTable.h"
#include "session/SessionUser.h"
#include "support/TextHelpers.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <map>
#include <utility>

SpliceTrialMeasurer::SpliceTrialMeasurer(QString sourcePath, QString password)
    : m_sourcePath(std::move(sourcePath))
    , m_password(std::move(password))
{
}

SpliceTrialMeasurer::~SpliceTrialMeasurer()
{
    DropTrial();
    if (m_input)
        xpdfSpliceCloseInput(m_input);
}

void SpliceTrialMeasurer::DropTrial()
{
    if (m_trial)
        xpdfSpliceCloseOutput(m_trial);
    m_trial = nullptr;
    m_trialPages.clear();
}

bool SpliceTrialMeasurer::OpenInput()
{
    // The source is opened as saving opens it, once for all measurements.
    if (!m_inputTried)
    {
        m_inputTried = true;
        if (m_password.isEmpty())
            m_input = xpdfSpliceOpenInputW(m_sourcePath);
        else
            m_input = xpdfSpliceOpenInputWithPasswordW(m_sourcePath, m_password.toUtf8().constData());
        if (!m_input)
            m_inputFailure = xpdfSpliceLastError();
    }
    if (!m_input)
        m_failureReason = m_inputFailure;
    return m_input != nullptr;
}

std::vector<std::uint64_t> SpliceTrialMeasurer::EstimatePrefixSizes(const PageList& pages, std::uint64_t limit)
{
    std::vector<std::uint64_t> sizes;
    if (!OpenInput() || !xpdfSpliceEstimatePrefixSizes(m_input, pages.data(), pages.size(), limit, sizes))
        sizes.clear();
    return sizes;
}

std::optional<std::uint64_t> SpliceTrialMeasurer::MeasurePages(const PageList& pages, std::size_t n)
{
    if (!OpenInput())
        return std::nullopt;
    m_failureReason.clear();
    if (n > pages.size())
        return std::nullopt;
    ++m_trialWrites;

    // The trial output keeps the pages of the last measurement. Only the
    // pages after the part it shares with this prefix are taken off and
    // added; a list with nothing in common starts a fresh output, so one
    // group's copies never burden the next.
    const std::size_t shared = static_cast<std::size_t>(
        std::mismatch(m_trialPages.begin(), m_trialPages.end(), pages.begin(), pages.begin() + static_cast<std::ptrdiff_t>(n))
            .first -
        m_trialPages.begin());
    if (shared == 0)
        DropTrial();
    if (!m_trial)
    {
        m_trial = xpdfSpliceOpenTrialOutput(1.6);
        if (!m_trial)
        {
            m_failureReason = xpdfSpliceLastError();
            return std::nullopt;
        }
    }
    while (m_trialPages.size() > shared)
    {
        if (!xpdfSpliceRemoveLastPage(m_trial))
        {
            m_failureReason = xpdfSpliceLastError();
            DropTrial();
            return std::nullopt;
        }
        m_trialPages.pop_back();
    }
    for (std::size_t i = shared; i < n; ++i)
    {
        if (!xpdfSpliceAddPage(m_input, pages[i], m_trial))
        {
            m_failureReason = xpdfSpliceLastError();
            DropTrial();
            return std::nullopt;
        }
        m_trialPages.push_back(pages[i]);
    }
    std::uint64_t size = 0;
    if (!xpdfSpliceMeasureOutput(m_trial, &size))
    {
        m_failureReason = xpdfSpliceLastError();
        DropTrial();
        return std::nullopt;
    }
    return size;
}

namespace {

// ceil(log2 n) for n >= 1.
unsigned CeilLog2(std::uint64_t n)
{
    return n <= 1 ? 0u : static_cast<unsigned>(64 - std::countl_zero(n - 1));
}

// 2^k, saturated at the largest value.
std::uint64_t Pow2(unsigned k)
{
    return k >= 64 ? std::numeric_limits<std::uint64_t>::max() : (std::uint64_t{1} << k);
}

// The search for the longest prefix of n pages whose file is within the
// limit.
//
// What is known is kept as the range [fit, fail - 1] of possible answers:
// `fit` is the longest prefix measured within the limit (0: none yet, which
// also stands for "not even the first page fits"), `fail` the shortest
// measured over it (n + 1: none). Each trial splits that range; with t trials
// left it may hold at most 2^t answers, so every trial is placed where either
// outcome leaves at most 2^(t-1). Starting with ceil(log2 n) + 1 trials for
// the n + 1 possible answers, the search never needs more, however its
// predictions fare. Inside those bounds it probes where the sizes measured so
// far say the limit is reached; when the prediction is right, two trials
// settle a group (the last fitting prefix and the one page more).
class GroupSearch
{
public:
    // firstProbe: the prefix length to measure first; bytesPerPage: the mean
    // page of the group before (0: none).
    GroupSearch(std::size_t n, std::uint64_t limit, std::size_t firstProbe, double bytesPerPage)
        : m_n(n)
        , m_limit(limit)
        , m_fail(n + 1)
        , m_trialsLeft(CeilLog2(n) + 1)
        , m_firstProbe(firstProbe)
        , m_bytesPerPage(bytesPerPage)
    {
    }

    bool Done() const { return m_fit + 1 >= m_fail; }
    // The answer once Done: 0 when not even one page fits.
    std::size_t Result() const { return m_fit; }

    // The prefix length to measure next (only while not Done).
    std::size_t NextProbe() const
    {
        const std::size_t low = m_fit + 1;  // first candidate
        const std::size_t high = m_fail - 1; // last candidate
        std::size_t p = std::clamp(Predict(), low, high);
        if (m_trialsLeft > 0)
        {
            // Keep either outcome settleable with the trials that remain.
            const std::uint64_t half = Pow2(m_trialsLeft - 1);
            const std::size_t windowLow = high + 1 > half ? std::max<std::size_t>(low, high + 1 - half) : low;
            const std::size_t windowHigh = half < high - m_fit ? m_fit + half : high;
            p = std::clamp(p, windowLow, std::max(windowLow, windowHigh));
        }
        return p;
    }

    void Record(std::size_t count, std::uint64_t size)
    {
        if (m_trialsLeft > 0)
            --m_trialsLeft;
        m_points[count] = size;
        if (size <= m_limit)
            m_fit = std::max(m_fit, count);
        else
            m_fail = std::min(m_fail, count);
        // Measurements that contradict each other (a longer prefix smaller
        // than a shorter one) can cross the bounds; the longest prefix
        // measured within the limit is still a safe answer.
        if (m_fail <= m_fit)
            m_fail = m_fit + 1;
    }

    // The measured size of the group found (only once Done, with a result).
    std::uint64_t FitSize() const { return m_points.at(m_fit); }

    // The mean size of a page in the group found (overhead included); the
    // next group starts from it.
    double MeanPageBytes() const
    {
        if (m_fit > 0)
            return static_cast<double>(m_points.at(m_fit)) / static_cast<double>(m_fit);
        return m_bytesPerPage;
    }

private:
    // Where the limit is reached, from the measured sizes: between the two
    // bounds by straight-line interpolation, beyond one bound by the bytes
    // per page, before any measurement the first probe.
    std::size_t Predict() const
    {
        const bool haveFit = m_fit > 0;
        const bool haveFail = m_fail <= m_n;
        if (!haveFit && !haveFail)
            return m_firstProbe;
        const double limit = static_cast<double>(m_limit);
        double at = 0;
        if (haveFit && haveFail)
        {
            const double fitSize = static_cast<double>(m_points.at(m_fit));
            const double failSize = static_cast<double>(m_points.at(m_fail));
            if (failSize <= fitSize)
                return m_fit + (m_fail - m_fit) / 2;
            at = static_cast<double>(m_fit) +
                 (limit - fitSize) * static_cast<double>(m_fail - m_fit) / (failSize - fitSize);
        }
        else
        {
            const double perPage = PerPage();
            if (!(perPage > 0))
                return haveFit ? m_fit + (m_fail - m_fit) / 2 : (m_fail + 1) / 2;
            if (haveFit)
                at = static_cast<double>(m_fit) + (limit - static_cast<double>(m_points.at(m_fit))) / perPage;
            else
                at = static_cast<double>(m_fail) -
                     std::ceil((static_cast<double>(m_points.at(m_fail)) - limit) / perPage);
        }
        if (!(at >= 0))
            return 0;
        if (at >= static_cast<double>(m_n))
            return m_n;
        return static_cast<std::size_t>(at);
    }

    // Bytes a page adds, for a prediction beyond one bound: from the two
    // measurements furthest apart when they span enough pages to even out
    // single pages, else the mean page of the group before or of the one
    // measurement made.
    double PerPage() const
    {
        if (m_points.size() >= 2)
        {
            const auto& first = *m_points.begin();
            const auto& last = *m_points.rbegin();
            if (last.first - first.first >= 4 && last.second > first.second)
                return static_cast<double>(last.second - first.second) / static_cast<double>(last.first - first.first);
        }
        if (m_bytesPerPage > 0)
            return m_bytesPerPage;
        const auto& only = *m_points.begin();
        return static_cast<double>(only.second) / static_cast<double>(only.first);
    }

    const std::size_t m_n;
    const std::uint64_t m_limit;
    std::size_t m_fit = 0;
    std::size_t m_fail;
    unsigned m_trialsLeft;
    const std::size_t m_firstProbe;
    const double m_bytesPerPage;
    std::map<std::size_t, std::uint64_t> m_points;
};

QString PlacedText(std::size_t placed, std::size_t total)
{
    return QString::asprintf(LoadResString(271).toUtf8().constData(), static_cast<int>(placed),
                             static_cast<int>(total));
}

} // namespace

GroupBySizeResult GroupPagesBySize(const PageList& source, std::uint64_t limit,
                                   PageGroupMeasurer& measurer, std::vector<PageList>& groups,
                                   LongWorkProgress* progress)
{
    groups.clear();
    if (progress)
        progress->SetRange(static_cast<qint64>(source.size()));

    // How far the measurer's estimates were off so far (measured size over
    // estimated size of the group before), and that group's figures.
    double calibration = 1.0;
    std::size_t previousLength = 0;
    double bytesPerPage = 0;
    std::size_t placed = 0;
    while (placed < source.size())
    {
        const PageList rest(source.begin() + static_cast<std::ptrdiff_t>(placed), source.end());
        // The length this group is expected to have: as far as the measurer's
        // estimates, corrected as the last group needed, stay within the
        // limit; without estimates, the length of the group before. The
        // first trial goes one page beyond it: when the expectation holds,
        // that trial is over the limit, only the short range below it is
        // left, and the expected length, measured next, settles the group.
        const double estimateLimit = static_cast<double>(limit) / calibration;
        const std::vector<std::uint64_t> estimates = measurer.EstimatePrefixSizes(
            rest, estimateLimit >= 1e19 ? std::numeric_limits<std::uint64_t>::max()
                                        : static_cast<std::uint64_t>(estimateLimit * 1.5));
        std::size_t expected = previousLength;
        if (!estimates.empty())
        {
            expected = 0;
            while (expected < estimates.size() && static_cast<double>(estimates[expected]) * calibration <=
                                                      static_cast<double>(limit))
                ++expected;
        }
        const std::size_t first = expected == 0 ? 1 : std::min(expected + 1, rest.size());
        GroupSearch search(rest.size(), limit, first, bytesPerPage);
        while (!search.Done())
        {
            if (progress)
            {
                if (progress->StopRequested())
                {
                    groups.clear();
                    return GroupBySizeResult::Cancelled;
                }
                progress->SetStep(PlacedText(placed, source.size()), static_cast<qint64>(placed));
            }
            const std::size_t n = search.NextProbe();
            const std::optional<std::uint64_t> size = measurer.MeasurePages(rest, n);
            if (!size)
            {
                groups.clear();
                return GroupBySizeResult::MeasureFailed;
            }
            search.Record(n, *size);
        }
        const std::size_t length = search.Result();
        if (length == 0)
        {
            groups.clear();
            return GroupBySizeResult::PageTooBig;
        }
        groups.emplace_back(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(length));
        placed += length;
        if (length <= estimates.size() && estimates[length - 1] > 0)
            calibration = static_cast<double>(search.FitSize()) / static_cast<double>(estimates[length - 1]);
        previousLength = length;
        bytesPerPage = search.MeanPageBytes();
    }
    if (progress)
        progress->SetStep(PlacedText(placed, source.size()), static_cast<qint64>(placed));
    return GroupBySizeResult::Grouped;
}

bool GroupBySize(const PageList& source, std::uint64_t limitBytes,
                 PageGroupMeasurer& measurer, std::vector<PageList>& groups)
{
    GroupBySizeResult result = GroupBySizeResult::MeasureFailed;
    RunLongWork(LoadResString(220), [&](LongWorkProgress& progress) {
        result = GroupPagesBySize(source, limitBytes, measurer, groups, &progress);
    });
    switch (result)
    {
    case GroupBySizeResult::Grouped:
        return true;
    case GroupBySizeResult::PageTooBig:
        ShowError(LoadResString(234));
        return false;
    case GroupBySizeResult::MeasureFailed:
        ShowError(WithReason(LoadResString(262), measurer.FailureReason()));
        return false;
    case GroupBySizeResult::Cancelled:
        return false;
    }
    return false;
}
