#include "session/SplitBySize.h"

#include "engine/XpdfSplice.h"
#include "resources/StringTable.h"
#include "session/SessionUser.h"
#include "support/TempFolder.h"
#include "support/TextHelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <map>
#include <sys/stat.h>
#include <utility>

namespace {

// A randomly named path in the temporary folder that names nothing yet;
// empty with the reason when there is no usable temporary folder or it
// cannot be examined.
QString UnusedTrialPath(QString& reason)
{
    const QString tempFolder = WritableTempFolder();
    if (tempFolder.isEmpty())
    {
        reason = LoadResString(265);
        return QString();
    }
    const QDir folder(tempFolder);
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        const QString path = folder.filePath(
            QStringLiteral("SPLIT%1.pdf").arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0')));
        struct stat st {};
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        {
            if (errno == ENOENT)
                return path;
            reason = SystemErrorText(errno);
            return QString();
        }
    }
    reason = SystemErrorText(EEXIST);
    return QString();
}

} // namespace

SpliceTrialMeasurer::SpliceTrialMeasurer(QString sourcePath, QString password)
    : m_sourcePath(std::move(sourcePath))
    , m_password(std::move(password))
{
}

SpliceTrialMeasurer::~SpliceTrialMeasurer()
{
    if (m_input)
        xpdfSpliceCloseInput(m_input);
}

std::optional<std::uint64_t> SpliceTrialMeasurer::MeasurePages(const PageList& pages, std::size_t n)
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
    {
        m_failureReason = m_inputFailure;
        return std::nullopt;
    }
    if (n > pages.size())
    {
        m_failureReason.clear();
        return std::nullopt;
    }

    // A unique name in the temporary folder; the file is removed when this
    // measurement ends, whatever happens. The splicing layer writes its own
    // temporary file beside it and gives it this name only once complete, so
    // no placeholder file is created for the name.
    const QString path = UnusedTrialPath(m_failureReason);
    if (path.isEmpty())
        return std::nullopt;
    struct RemoveOnExit
    {
        QString path;
        ~RemoveOnExit() { QFile::remove(path); }
    } cleanup{path};

    ++m_trialWrites;
    XpdfSpliceOutput output = xpdfSpliceOpenOutputW(path, 1.6);
    if (!output)
    {
        m_failureReason = xpdfSpliceLastError();
        return std::nullopt;
    }
    bool added = true;
    for (std::size_t i = 0; i < n && added; ++i)
        added = xpdfSpliceAddPage(m_input, pages[i], output) != 0;
    if (!added)
        m_failureReason = xpdfSpliceLastError();
    const bool closed = xpdfSpliceCloseOutput(output) != 0;
    if (added && !closed)
        m_failureReason = xpdfSpliceLastError();
    if (!added || !closed)
        return std::nullopt;

    QFileInfo info(path);
    if (!info.exists())
    {
        m_failureReason = SystemErrorText(ENOENT);
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(info.size());
}

GroupBySizeResult GroupPagesBySize(const PageList& source, std::uint64_t limit,
                                   PageGroupMeasurer& measurer, std::vector<PageList>& groups)
{
    groups.clear();
    PageList rest = source;
    while (!rest.empty())
    {
        // Sizes measured for prefixes of the current remainder; a prefix is
        // never written twice.
        std::map<std::size_t, std::uint64_t> measured;
        bool failed = false;
        auto measure = [&](std::size_t n) -> std::uint64_t {
            if (const auto it = measured.find(n); it != measured.end())
                return it->second;
            const std::optional<std::uint64_t> size = measurer.MeasurePages(rest, n);
            if (!size)
            {
                failed = true;
                return 0;
            }
            measured.emplace(n, *size);
            return *size;
        };
        auto fail = [&](GroupBySizeResult result) {
            groups.clear();
            return result;
        };

        std::uint64_t w = measure(1);
        if (failed)
            return fail(GroupBySizeResult::MeasureFailed);
        if (w > limit)
            return fail(GroupBySizeResult::PageTooBig);

        std::size_t i = 1;
        if (rest.size() > 1)
        {
            // Binary search for the largest prefix below the limit ...
            std::size_t lo = 0;
            std::size_t hi = rest.size();
            do
            {
                i = (lo + hi) / 2;
                w = measure(i);
                if (failed)
                    return fail(GroupBySizeResult::MeasureFailed);
                if (w < limit)
                    lo = i;
                else
                    hi = i;
            } while (hi - lo > 1);

            // ... then step up while still below it ...
            if (w < limit)
            {
                while (i < rest.size())
                {
                    ++i;
                    w = measure(i);
                    if (failed)
                        return fail(GroupBySizeResult::MeasureFailed);
                    if (w >= limit)
                        break;
                }
            }
            // ... and back down until the group fits. One page is known to
            // fit, so the group never shrinks below it.
            if (w > limit)
            {
                while (i > 1)
                {
                    --i;
                    w = measure(i);
                    if (failed)
                        return fail(GroupBySizeResult::MeasureFailed);
                    if (w <= limit)
                        break;
                }
            }
        }

        groups.emplace_back(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(i));
        rest.erase(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(i));
    }
    return GroupBySizeResult::Grouped;
}

bool GroupBySize(const PageList& source, std::uint64_t limitBytes,
                 PageGroupMeasurer& measurer, std::vector<PageList>& groups)
{
    switch (GroupPagesBySize(source, limitBytes, measurer, groups))
    {
    case GroupBySizeResult::Grouped:
        return true;
    case GroupBySizeResult::PageTooBig:
        ShowError(LoadResString(234));
        return false;
    case GroupBySizeResult::MeasureFailed:
        ShowError(WithReason(LoadResString(262), measurer.FailureReason()));
        return false;
    }
    return false;
}
