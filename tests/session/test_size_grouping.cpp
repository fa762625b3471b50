// Split by size: the grouping search with injected measurers, and the real
// trial-file measurer over generated PDFs.
#include "common/PdfFixtures.h"
#include "engine/XpdfSplice.h"
#include "resources/StringTable.h"
#include "session/SaveSplit.h"
#include "session/SplitBySize.h"
#include "session/SplitSection.h"
#include "session/SessionUser.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <numeric>
#include <random>
#include <set>

namespace {

// Size of a group = overhead + the sum of its pages' sizes (by page number).
class SumMeasurer : public PageGroupMeasurer
{
public:
    SumMeasurer(std::map<int, std::uint64_t> pageSizes, std::uint64_t overhead = 0)
        : sizes(std::move(pageSizes)), overhead(overhead) {}

    std::optional<std::uint64_t> MeasurePages(const PageList& pages, std::size_t n) override
    {
        ++calls;
        EXPECT_GE(n, 1u);
        EXPECT_LE(n, pages.size());
        const PageList prefix(pages.begin(), pages.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_TRUE(seen.insert(prefix).second) << "prefix of " << n << " pages measured twice";
        if (failAtCall && calls >= failAtCall)
            return std::nullopt;
        std::uint64_t total = overhead;
        for (std::size_t i = 0; i < n; ++i)
            total += sizes.count(pages[i]) ? sizes.at(pages[i]) : defaultSize;
        return total;
    }

    std::map<int, std::uint64_t> sizes;
    std::uint64_t overhead = 0;
    std::uint64_t defaultSize = 0;
    int calls = 0;
    int failAtCall = 0; // 0: never fails
    std::set<PageList> seen;
};

PageList Range(int first, int last)
{
    PageList pages(static_cast<std::size_t>(last - first + 1));
    std::iota(pages.begin(), pages.end(), first);
    return pages;
}

std::map<int, std::uint64_t> Uniform(int count, std::uint64_t size)
{
    std::map<int, std::uint64_t> sizes;
    for (int page = 1; page <= count; ++page)
        sizes[page] = size;
    return sizes;
}

struct GroupCase
{
    const char* name;
    int pageCount;
    std::uint64_t pageSize;
    std::uint64_t overhead;
    std::uint64_t limit;
    std::vector<std::size_t> groupSizes;
};

class GroupBySizeTable : public ::testing::TestWithParam<GroupCase>
{
};

TEST_P(GroupBySizeTable, CutsConsecutiveGroupsWithinTheLimit)
{
    const GroupCase& c = GetParam();
    SumMeasurer measurer(Uniform(c.pageCount, c.pageSize), c.overhead);
    std::vector<PageList> groups{{99}}; // stale content must go
    ASSERT_EQ(GroupPagesBySize(Range(1, c.pageCount), c.limit, measurer, groups), GroupBySizeResult::Grouped);
    std::vector<std::size_t> sizes;
    PageList joined;
    for (const PageList& g : groups)
    {
        sizes.push_back(g.size());
        joined.insert(joined.end(), g.begin(), g.end());
        EXPECT_LE(c.overhead + g.size() * c.pageSize, c.limit);
    }
    EXPECT_EQ(sizes, c.groupSizes);
    EXPECT_EQ(joined, Range(1, c.pageCount));
}

constexpr std::uint64_t MB = 1u << 20;

INSTANTIATE_TEST_SUITE_P(
    Limits, GroupBySizeTable,
    ::testing::Values(
        // 3 pages stay under 1 MB, 4 go over it.
        GroupCase{"ThreeThreeThreeOne", 10, 300000, 0, MB, {3, 3, 3, 1}},
        GroupCase{"LimitAboveWholeRange", 10, 1000, 500, MB, {10}},
        GroupCase{"ExactFitIsAccepted", 6, 100, 0, 300, {3, 3}},
        GroupCase{"SinglePageExactlyTheLimit", 3, 1000, 0, 1000, {1, 1, 1}},
        GroupCase{"OnePage", 1, 10, 0, 10, {1}},
        GroupCase{"OddRemainder", 7, 100, 50, 350, {3, 3, 1}},
        // Beyond 32 bits: 5000 MB must not wrap to a small limit.
        GroupCase{"LimitBeyond32Bits", 12, 1000 * MB, 0, 5000 * MB, {5, 5, 2}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GroupBySize, KeepsTheSourceOrderAndDuplicates)
{
    SumMeasurer measurer({{5, 40}, {3, 40}, {9, 40}});
    std::vector<PageList> groups;
    ASSERT_EQ(GroupPagesBySize({5, 3, 9, 5}, 80, measurer, groups), GroupBySizeResult::Grouped);
    EXPECT_EQ(groups, (std::vector<PageList>{{5, 3}, {9, 5}}));
}

TEST(GroupBySize, EveryPageLandsInExactlyOneGroup)
{
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round)
    {
        std::map<int, std::uint64_t> sizes;
        const int count = 1 + static_cast<int>(random() % 60);
        std::uint64_t largest = 0;
        for (int page = 1; page <= count; ++page)
        {
            sizes[page] = 1 + random() % 5000;
            largest = std::max(largest, sizes[page]);
        }
        const std::uint64_t limit = largest + random() % 20000;
        SumMeasurer measurer(sizes, 0);
        std::vector<PageList> groups;
        ASSERT_EQ(GroupPagesBySize(Range(1, count), limit, measurer, groups), GroupBySizeResult::Grouped);
        PageList joined;
        for (const PageList& g : groups)
        {
            ASSERT_FALSE(g.empty());
            std::uint64_t total = 0;
            for (int page : g)
                total += sizes[page];
            EXPECT_LE(total, limit);
            joined.insert(joined.end(), g.begin(), g.end());
        }
        EXPECT_EQ(joined, Range(1, count));
    }
}

TEST(GroupBySize, PageTooBigStopsEvenAfterEarlierGroups)
{
    SumMeasurer measurer(Uniform(6, 100));
    measurer.sizes[5] = 1000;
    std::vector<PageList> groups;
    EXPECT_EQ(GroupPagesBySize(Range(1, 6), 250, measurer, groups), GroupBySizeResult::PageTooBig);
    EXPECT_TRUE(groups.empty());

    // Raising the limit afterwards computes every group afresh.
    SumMeasurer again(measurer.sizes);
    EXPECT_EQ(GroupPagesBySize(Range(1, 6), 1000, again, groups), GroupBySizeResult::Grouped);
    EXPECT_EQ(groups, (std::vector<PageList>{{1, 2, 3, 4}, {5}, {6}}));
}

TEST(GroupBySize, EmptySourceGivesNoGroup)
{
    SumMeasurer measurer({});
    std::vector<PageList> groups{{1}};
    EXPECT_EQ(GroupPagesBySize({}, 100, measurer, groups), GroupBySizeResult::Grouped);
    EXPECT_TRUE(groups.empty());
    EXPECT_EQ(measurer.calls, 0);
}

// A measurement that fails at any point of the search is an error, never a
// group that was not measured.
class FailingMeasurement : public ::testing::TestWithParam<int>
{
};

TEST_P(FailingMeasurement, IsAnErrorWithNoGroups)
{
    SumMeasurer measurer(Uniform(20, 100));
    measurer.failAtCall = GetParam();
    std::vector<PageList> groups;
    EXPECT_EQ(GroupPagesBySize(Range(1, 20), 450, measurer, groups), GroupBySizeResult::MeasureFailed);
    EXPECT_TRUE(groups.empty());
}

INSTANTIATE_TEST_SUITE_P(AtCall, FailingMeasurement, ::testing::Values(1, 2, 3, 5, 8, 12),
                         [](const auto& info) { return "Call" + std::to_string(info.param); });

// Pages fit alone but every larger group measures as huge (as a broken
// trial write would): the groups shrink to single pages and the search ends.
// With fitsOnlyOnce a page fits only the first time it is measured alone, so
// a search that measured one page again and kept stepping down would go below
// one page; asking for no pages (or more than there are) fails the test at
// once instead of letting the search run on.
class OnlySinglesFit : public PageGroupMeasurer
{
public:
    explicit OnlySinglesFit(bool fitsOnlyOnce) : fitsOnlyOnce(fitsOnlyOnce) {}
    std::optional<std::uint64_t> MeasurePages(const PageList& pages, std::size_t n) override
    {
        ++calls;
        if (n < 1 || n > pages.size())
        {
            ADD_FAILURE() << "asked to measure " << n << " of " << pages.size() << " pages";
            return std::nullopt;
        }
        if (n == 1 && (!fitsOnlyOnce || singlesMeasured.insert(pages[0]).second))
            return 10;
        return ~std::uint64_t(0);
    }
    bool fitsOnlyOnce;
    std::set<int> singlesMeasured;
    int calls = 0;
};

class GroupNeverShrinksBelowOnePage : public ::testing::TestWithParam<bool>
{
};

TEST_P(GroupNeverShrinksBelowOnePage, SinglePagesFormTheirOwnGroups)
{
    OnlySinglesFit measurer(GetParam());
    std::vector<PageList> groups;
    EXPECT_EQ(GroupPagesBySize(Range(1, 5), 100, measurer, groups), GroupBySizeResult::Grouped);
    EXPECT_EQ(groups, (std::vector<PageList>{{1}, {2}, {3}, {4}, {5}}));
}

INSTANTIATE_TEST_SUITE_P(Measurer, GroupNeverShrinksBelowOnePage, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "FitsOnlyOnce" : "AlwaysFits"; });

TEST(GroupBySize, MessagesForTooBigAndFailedMeasurements)
{
    std::vector<MessageRequest> shown;
    auto previous = SetMessageHandler([&](const MessageRequest& r) {
        shown.push_back(r);
        return Prompt::Ok;
    });
    SumMeasurer big(Uniform(3, 500));
    std::vector<PageList> groups;
    EXPECT_FALSE(GroupBySize(Range(1, 3), 100, big, groups));
    SumMeasurer broken(Uniform(3, 5));
    broken.failAtCall = 1;
    EXPECT_FALSE(GroupBySize(Range(1, 3), 100, broken, groups));
    SetMessageHandler(previous);

    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, QStringLiteral("Some individual pages of this document are too big to fit into this max size"));
    EXPECT_EQ(shown[0].icon, Prompt::Critical);
    EXPECT_NE(shown[1].text, shown[0].text);
    EXPECT_EQ(shown[1].icon, Prompt::Critical);
}

// --- the real measurer -------------------------------------------------------

class TrialMeasurerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(work.isValid());
        ASSERT_TRUE(temp.isValid());
        oldTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", temp.path().toLocal8Bit());
        ASSERT_EQ(QDir::tempPath(), QDir(temp.path()).canonicalPath());
        xpdfSpliceInit();
        source = work.filePath(QStringLiteral("images.pdf"));
        std::vector<PdfFixtures::PageSpec> pages(8);
        for (auto& p : pages)
            p.imageSide = 60; // about 10 KB of noise per page
        ASSERT_TRUE(PdfFixtures::WritePdf(source, pages));
        previousHandler = SetMessageHandler([](const MessageRequest& r) {
            ADD_FAILURE() << "unexpected message: " << r.text.toStdString();
            return Prompt::Cancel;
        });
    }
    void TearDown() override
    {
        SetMessageHandler(previousHandler);
        if (oldTmp.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", oldTmp);
    }
    QStringList TempEntries() const
    {
        return QDir(temp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir work;
    QTemporaryDir temp;
    QByteArray oldTmp;
    QString source;
    MessageHandler previousHandler;
};

TEST_F(TrialMeasurerTest, GroupsWrittenOutStayWithinTheLimitAndNoTrialFileRemains)
{
    SpliceTrialMeasurer measurer(source, QString());
    const auto one = measurer.MeasurePages(Range(1, 8), 1);
    const auto all = measurer.MeasurePages(Range(1, 8), 8);
    ASSERT_TRUE(one && all);
    EXPECT_LT(*one, *all);
    EXPECT_TRUE(TempEntries().isEmpty());

    const std::uint64_t limit = *one * 3;
    std::vector<PageList> groups;
    ASSERT_EQ(GroupPagesBySize(Range(1, 8), limit, measurer, groups), GroupBySizeResult::Grouped);
    EXPECT_GT(groups.size(), 1u);
    EXPECT_TRUE(TempEntries().isEmpty()) << TempEntries().join(',').toStdString();

    // Save the groups for real and compare each file with the limit.
    std::vector<SplitSection> sections(groups.size());
    SaveRequest request;
    request.sourcePath = source;
    request.folder = work.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(request.folder));
    PageList joined;
    for (std::size_t i = 0; i < groups.size(); ++i)
    {
        sections[i].pages = groups[i];
        sections[i].fileName = QStringLiteral("g%1.pdf").arg(i + 1);
        request.sections.push_back(&sections[i]);
        joined.insert(joined.end(), groups[i].begin(), groups[i].end());
    }
    EXPECT_EQ(joined, Range(1, 8));
    ASSERT_EQ(SaveSections(request), SaveOutcome::Saved);
    for (const SplitSection& s : sections)
    {
        const QString path = QDir(request.folder).filePath(s.fileName);
        EXPECT_LE(static_cast<std::uint64_t>(QFileInfo(path).size()), limit) << s.fileName.toStdString();
        std::vector<int> expected(s.pages.begin(), s.pages.end());
        EXPECT_EQ(PdfFixtures::PageMarkers(path), expected);
    }
}

// A trial file carries the same document information, metadata, bookmarks
// and labels as the saved file, so the measured size is the saved size.
TEST_F(TrialMeasurerTest, TrialFileIsAsBigAsTheSavedFile)
{
    PdfFixtures::Book book;
    book.pageCount = 6;
    book.info = {{"Title", "Measured"}, {"Producer", "a producer"}};
    book.xmp = std::string(40000, 'x');
    book.outline = {{"One", 1, "", false, false, {{"One.a", 2}}}, {"Two", 4}};
    book.links = {{2, 3}, {3, 6}};
    book.pageLabels = "0 << /S /R >>";
    const QString path = work.filePath(QStringLiteral("book.pdf"));
    ASSERT_TRUE(PdfFixtures::WriteBook(path, book));

    SpliceTrialMeasurer measurer(path, QString());
    const PageList pages{2, 3, 4};
    const auto measured = measurer.MeasurePages(pages, pages.size());
    ASSERT_TRUE(measured);

    SplitSection section;
    section.pages = pages;
    section.fileName = QStringLiteral("saved.pdf");
    SaveRequest request;
    request.sourcePath = path;
    request.folder = work.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(request.folder));
    request.sections = {&section};
    ASSERT_EQ(SaveSections(request), SaveOutcome::Saved);
    const QString saved = QDir(request.folder).filePath(section.fileName);
    EXPECT_EQ(PdfFixtures::XmpMetadata(saved), book.xmp);
    EXPECT_EQ(PdfFixtures::ReadOutline(saved).size(), 2u);
    EXPECT_EQ(static_cast<std::uint64_t>(QFileInfo(saved).size()), *measured);
}

TEST_F(TrialMeasurerTest, UnreadableSourceIsAFailedMeasurement)
{
    const QString damaged = work.filePath(QStringLiteral("damaged.pdf"));
    ASSERT_TRUE(PdfFixtures::WriteDamagedPdf(damaged, PdfFixtures::Damage::Garbage));
    SpliceTrialMeasurer measurer(damaged, QString());
    std::vector<PageList> groups;
    EXPECT_EQ(GroupPagesBySize(Range(1, 4), 1u << 30, measurer, groups), GroupBySizeResult::MeasureFailed);
    EXPECT_TRUE(groups.empty());
    EXPECT_TRUE(TempEntries().isEmpty());
}

TEST_F(TrialMeasurerTest, PageThatCannotBeAddedIsAFailedMeasurementAndLeavesNoFile)
{
    SpliceTrialMeasurer measurer(source, QString());
    EXPECT_FALSE(measurer.MeasurePages({1, 2, 40}, 3).has_value());
    EXPECT_EQ(measurer.TrialWrites(), 1);
    EXPECT_TRUE(TempEntries().isEmpty());
}

// TMPDIR naming a folder that does not exist must not send the trial files
// into the current folder (here one nobody may write into, not even root):
// another temporary folder that exists is used.
TEST_F(TrialMeasurerTest, MissingTempFolderIsReplacedByOneThatExists)
{
    qputenv("TMPDIR", work.filePath(QStringLiteral("no-such-folder")).toLocal8Bit());
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QStringLiteral("/proc")));
    SpliceTrialMeasurer measurer(source, QString());
    const auto size = measurer.MeasurePages(Range(1, 8), 2);
    const QString reason = measurer.FailureReason();
    QDir::setCurrent(previous);
    EXPECT_TRUE(size.has_value()) << reason.toStdString();
    EXPECT_FALSE(QFileInfo::exists(work.filePath(QStringLiteral("no-such-folder"))));
}

// The message of a failed measurement says why it failed.
TEST_F(TrialMeasurerTest, FailedMeasurementMessageCarriesTheReason)
{
    const QString damaged = work.filePath(QStringLiteral("damaged.pdf"));
    ASSERT_TRUE(PdfFixtures::WriteDamagedPdf(damaged, PdfFixtures::Damage::Garbage));
    std::vector<MessageRequest> shown;
    SetMessageHandler([&](const MessageRequest& r) {
        shown.push_back(r);
        return Prompt::Ok;
    });
    SpliceTrialMeasurer measurer(damaged, QString());
    std::vector<PageList> groups;
    EXPECT_FALSE(GroupBySize(Range(1, 4), 1u << 30, measurer, groups));
    ASSERT_EQ(shown.size(), 1u);
    const QStringList lines = shown[0].text.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 2) << shown[0].text.toStdString();
    EXPECT_EQ(lines[0], LoadResString(262));
    EXPECT_FALSE(lines[1].trimmed().isEmpty());
}

TEST_F(TrialMeasurerTest, EncryptedSourceIsMeasuredWithItsPassword)
{
    const QString locked = work.filePath(QStringLiteral("locked.pdf"));
    const std::string pw = "p\xC3\xA4ss"; // "päss" in UTF-8
    ASSERT_TRUE(PdfFixtures::WriteEncryptedPdf(locked, 3, pw, pw));
    SpliceTrialMeasurer withPassword(locked, QString::fromUtf8(pw.c_str()));
    EXPECT_TRUE(withPassword.MeasurePages(Range(1, 3), 2).has_value());
    SpliceTrialMeasurer without(locked, QString());
    EXPECT_FALSE(without.MeasurePages(Range(1, 3), 2).has_value());
    EXPECT_TRUE(TempEntries().isEmpty());
}

} // namespace
