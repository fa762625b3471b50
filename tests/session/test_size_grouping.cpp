// Split by size: the grouping search with injected measurers, and the real
// trial-file measurer over generated PDFs.
#include "common/PdfFixtures.h"
#include "engine/XpdfSplice.h"
#include "resources/StringTable.h"
#include "session/PageRangeText.h"
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
        if (expectEachPrefixOnce)
            EXPECT_TRUE(seen.insert(prefix).second) << "prefix of " << n << " pages measured twice";
        if (failAtCall && calls >= failAtCall)
            return std::nullopt;
        std::uint64_t total = overhead;
        for (std::size_t i = 0; i < n; ++i)
            total += sizes.count(pages[i]) ? sizes.at(pages[i]) : defaultSize;
        return total;
    }

    // Estimates: the true size of each page times a factor, or times a
    // per-page random factor between 0.5 and 1.5 when noisy; none with
    // factor 0.
    std::vector<std::uint64_t> EstimatePrefixSizes(const PageList& pages, std::uint64_t limit) override
    {
        std::vector<std::uint64_t> estimates;
        if (estimateFactor <= 0)
            return estimates;
        double total = static_cast<double>(overhead) * estimateFactor;
        for (int page : pages)
        {
            double factor = estimateFactor;
            if (noisyEstimates)
                factor *= 0.5 + static_cast<double>(std::hash<int>()(page * 7919) % 1000) / 1000.0;
            total += static_cast<double>(sizes.count(page) ? sizes.at(page) : defaultSize) * factor;
            estimates.push_back(static_cast<std::uint64_t>(total));
            if (estimates.back() > limit)
                break;
        }
        return estimates;
    }

    std::map<int, std::uint64_t> sizes;
    std::uint64_t overhead = 0;
    std::uint64_t defaultSize = 0;
    int calls = 0;
    int failAtCall = 0; // 0: never fails
    double estimateFactor = 0;
    bool noisyEstimates = false;
    bool expectEachPrefixOnce = true;
    std::set<PageList> seen;
};

// Counts the trials of each group: a group's search measures prefixes of the
// pages still to be placed, so a new number of remaining pages is a new group.
class TrialCounter : public PageGroupMeasurer
{
public:
    explicit TrialCounter(PageGroupMeasurer& inner) : inner(inner) {}
    std::optional<std::uint64_t> MeasurePages(const PageList& pages, std::size_t n) override
    {
        if (perGroup.empty() || perGroup.back().first != pages.size())
            perGroup.emplace_back(pages.size(), 0);
        ++perGroup.back().second;
        return inner.MeasurePages(pages, n);
    }
    std::vector<std::uint64_t> EstimatePrefixSizes(const PageList& pages, std::uint64_t limit) override
    {
        return inner.EstimatePrefixSizes(pages, limit);
    }
    // The groups whose trials exceed ceil(log2 n) + 1, as "trials/n".
    std::vector<std::string> OverBound() const
    {
        std::vector<std::string> over;
        for (const auto& [remaining, trials] : perGroup)
        {
            int bound = 1;
            while ((std::size_t{1} << (bound - 1)) < remaining)
                ++bound;
            if (trials > bound)
                over.push_back(std::to_string(trials) + "/" + std::to_string(remaining));
        }
        return over;
    }
    PageGroupMeasurer& inner;
    std::vector<std::pair<std::size_t, int>> perGroup; // remaining pages, trials
};

// The grouping as the plain bisection makes it, step by step: one page alone
// first, then halving between 0 and all remaining pages on "below the limit",
// then stepping up and down to the last prefix within it. The reference the
// faster search must agree with.
std::optional<std::vector<PageList>> BisectedGroups(const PageList& source, std::uint64_t limit,
                                                    PageGroupMeasurer& measurer)
{
    std::vector<PageList> groups;
    PageList rest = source;
    while (!rest.empty())
    {
        auto measure = [&](std::size_t n) { return measurer.MeasurePages(rest, n); };
        auto w = measure(1);
        if (!w || *w > limit)
            return std::nullopt;
        std::size_t i = 1;
        if (rest.size() > 1)
        {
            std::size_t lo = 0, hi = rest.size();
            do
            {
                i = (lo + hi) / 2;
                if (!(w = measure(i)))
                    return std::nullopt;
                (*w < limit ? lo : hi) = i;
            } while (hi - lo > 1);
            if (*w < limit)
            {
                while (i < rest.size())
                {
                    if (!(w = measure(++i)))
                        return std::nullopt;
                    if (*w >= limit)
                        break;
                }
            }
            while (*w > limit && i > 1)
            {
                if (!(w = measure(--i)))
                    return std::nullopt;
            }
        }
        groups.emplace_back(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(i));
        rest.erase(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(i));
    }
    return groups;
}

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

// The search against the plain bisection, over documents of different make
// (pages of equal, random, growing sizes, one heavy page, a large shared
// part) and limits, with estimates that are right, far off either way, noisy
// or missing: the groups are the same, and no group takes more than
// ceil(log2 n) + 1 trials for n remaining pages.
struct SearchCase
{
    std::string name;
    std::map<int, std::uint64_t> sizes;
    std::uint64_t overhead;
    std::uint64_t limit;
    double estimateFactor;
    bool noisy;
};

std::vector<SearchCase> SearchCases()
{
    struct Document
    {
        const char* name;
        std::map<int, std::uint64_t> sizes;
        std::uint64_t overhead;
    };
    std::vector<Document> documents;
    documents.push_back({"Uniform", Uniform(120, 1000), 300});
    {
        std::mt19937 random(11);
        std::map<int, std::uint64_t> sizes;
        for (int page = 1; page <= 200; ++page)
            sizes[page] = 100 + random() % 4900;
        documents.push_back({"Random", sizes, 300});
    }
    {
        std::map<int, std::uint64_t> sizes;
        for (int page = 1; page <= 90; ++page)
            sizes[page] = 100 * static_cast<std::uint64_t>(page);
        documents.push_back({"Growing", sizes, 300});
    }
    {
        auto sizes = Uniform(100, 500);
        sizes[50] = 20000;
        documents.push_back({"OneHeavyPage", sizes, 300});
    }
    documents.push_back({"LargeSharedPart", Uniform(150, 400), 40000});

    struct Estimate
    {
        const char* name;
        double factor;
        bool noisy;
    };
    const Estimate estimates[] = {
        {"NoEstimate", 0, false}, {"ExactEstimate", 1, false}, {"EstimateTooHigh", 3, false},
        {"EstimateTooLow", 0.25, false}, {"NoisyEstimate", 1, true},
    };
    std::vector<SearchCase> cases;
    for (const Document& d : documents)
    {
        std::uint64_t largest = 0;
        for (const auto& [page, size] : d.sizes)
            largest = std::max(largest, size);
        const std::uint64_t limits[] = {d.overhead + largest, d.overhead + 5 * largest + 17,
                                        d.overhead + 21000, d.overhead + 1000000};
        for (std::uint64_t limit : limits)
            for (const Estimate& e : estimates)
                cases.push_back({std::string(d.name) + "_Limit" + std::to_string(limit) + "_" + e.name, d.sizes,
                                 d.overhead, limit, e.factor, e.noisy});
    }
    return cases;
}

class SearchAgreesWithBisection : public ::testing::TestWithParam<SearchCase>
{
};

TEST_P(SearchAgreesWithBisection, SameGroupsWithinTheTrialBound)
{
    const SearchCase& c = GetParam();
    const PageList source = Range(1, static_cast<int>(c.sizes.size()));
    SumMeasurer reference(c.sizes, c.overhead);
    reference.expectEachPrefixOnce = false;
    const auto expected = BisectedGroups(source, c.limit, reference);
    ASSERT_TRUE(expected.has_value());

    SumMeasurer measurer(c.sizes, c.overhead);
    measurer.estimateFactor = c.estimateFactor;
    measurer.noisyEstimates = c.noisy;
    TrialCounter counter(measurer);
    std::vector<PageList> groups;
    ASSERT_EQ(GroupPagesBySize(source, c.limit, counter, groups), GroupBySizeResult::Grouped);
    EXPECT_EQ(groups, *expected);
    EXPECT_EQ(counter.perGroup.size(), groups.size());
    EXPECT_TRUE(counter.OverBound().empty()) << "trials/remaining pages: " << counter.OverBound().front();
    // The search is not slower than the bisection it replaces.
    EXPECT_LE(measurer.calls, reference.calls);
}

INSTANTIATE_TEST_SUITE_P(Documents, SearchAgreesWithBisection, ::testing::ValuesIn(SearchCases()),
                         [](const auto& info) { return info.param.name; });

// Sizes that do not grow with the page count (a later page making the file
// smaller, as a measurement gone odd might): every group is still one whose
// own file was measured within the limit, every page is placed once in
// order, and the trial bound holds.
class Erratic : public PageGroupMeasurer
{
public:
    explicit Erratic(unsigned seed) : random(seed) {}
    std::optional<std::uint64_t> MeasurePages(const PageList& pages, std::size_t n) override
    {
        const PageList prefix(pages.begin(), pages.begin() + static_cast<std::ptrdiff_t>(n));
        auto it = measured.find(prefix);
        if (it == measured.end())
            it = measured.emplace(prefix, 200 * n + random() % 3000).first;
        return it->second;
    }
    std::vector<std::uint64_t> EstimatePrefixSizes(const PageList& pages, std::uint64_t limit) override
    {
        std::vector<std::uint64_t> estimates;
        for (std::size_t n = 1; n <= pages.size(); ++n)
        {
            estimates.push_back(200 * n);
            if (estimates.back() > limit)
                break;
        }
        return estimates;
    }
    std::mt19937 random;
    std::map<PageList, std::uint64_t> measured;
};

TEST(GroupBySize, ErraticSizesStillGiveOnlyMeasuredGroups)
{
    for (unsigned seed = 1; seed <= 30; ++seed)
    {
        Erratic erratic(seed);
        TrialCounter counter(erratic);
        std::vector<PageList> groups;
        const std::uint64_t limit = 3000 + 200 * seed;
        ASSERT_EQ(GroupPagesBySize(Range(1, 80), limit, counter, groups), GroupBySizeResult::Grouped) << seed;
        PageList joined;
        for (const PageList& g : groups)
        {
            ASSERT_TRUE(erratic.measured.count(g)) << "a group of " << g.size() << " pages was never measured";
            EXPECT_LE(erratic.measured.at(g), limit);
            joined.insert(joined.end(), g.begin(), g.end());
        }
        EXPECT_EQ(joined, Range(1, 80));
        EXPECT_TRUE(counter.OverBound().empty()) << seed << ": " << counter.OverBound().front();
    }
}

// A progress that asks to stop once it has been told about `after` trials.
class StopAfter : public LongWorkProgress
{
public:
    explicit StopAfter(int after) : after(after) {}
    void SetRange(qint64 maximum) override { range = maximum; }
    void SetStep(const QString& text, qint64 position) override
    {
        ++steps;
        lastText = text;
        lastPosition = position;
    }
    bool StopRequested() const override { return steps >= after; }
    int after;
    int steps = 0;
    qint64 range = -1;
    QString lastText;
    qint64 lastPosition = -1;
};

TEST(GroupBySize, StopsBeforeTheNextTrialWhenAskedAndKeepsNoGroup)
{
    SumMeasurer measurer(Uniform(100, 100));
    StopAfter progress(5);
    std::vector<PageList> groups;
    EXPECT_EQ(GroupPagesBySize(Range(1, 100), 1000, measurer, groups, &progress), GroupBySizeResult::Cancelled);
    EXPECT_TRUE(groups.empty());
    EXPECT_EQ(measurer.calls, 5);
    EXPECT_EQ(progress.range, 100);
}

TEST(GroupBySize, ReportsThePagesPlaced)
{
    SumMeasurer measurer(Uniform(10, 100));
    StopAfter progress(1000);
    std::vector<PageList> groups;
    ASSERT_EQ(GroupPagesBySize(Range(1, 10), 350, measurer, groups, &progress), GroupBySizeResult::Grouped);
    EXPECT_EQ(groups.size(), 4u);
    EXPECT_EQ(progress.lastText, QStringLiteral("Measuring sections: 10 of 10 pages placed"));
    EXPECT_EQ(progress.lastPosition, 10);
}

TEST(GroupBySize, CancelledMeasurementKeepsTheSheetOpenWithoutAMessage)
{
    std::vector<MessageRequest> shown;
    auto previousMessages = SetMessageHandler([&](const MessageRequest& r) {
        shown.push_back(r);
        return Prompt::Ok;
    });
    QStringList titles;
    auto previousWork = SetLongWorkHandler([&](const QString& title, const LongWork& work) {
        titles.append(title);
        StopAfter progress(2);
        work(progress);
    });
    SumMeasurer measurer(Uniform(50, 100));
    std::vector<PageList> groups;
    EXPECT_FALSE(GroupBySize(Range(1, 50), 1000, measurer, groups));
    SetLongWorkHandler(previousWork);
    SetMessageHandler(previousMessages);
    EXPECT_TRUE(groups.empty());
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(titles, QStringList{QStringLiteral("Create new split section")});
    EXPECT_EQ(measurer.calls, 2);
}

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
// group that was not measured. The failing call is picked among the calls a
// whole grouping makes: the first, the second, one in the middle, the last.
struct FailingCall
{
    const char* name;
    double at; // position among all calls, 0 = first, 1 = last
};

class FailingMeasurement : public ::testing::TestWithParam<FailingCall>
{
};

TEST_P(FailingMeasurement, IsAnErrorWithNoGroups)
{
    SumMeasurer whole(Uniform(20, 100));
    std::vector<PageList> groups;
    ASSERT_EQ(GroupPagesBySize(Range(1, 20), 450, whole, groups), GroupBySizeResult::Grouped);
    ASSERT_GE(whole.calls, 4);

    SumMeasurer measurer(Uniform(20, 100));
    measurer.failAtCall = 1 + static_cast<int>(GetParam().at * (whole.calls - 1) + 0.5);
    EXPECT_EQ(GroupPagesBySize(Range(1, 20), 450, measurer, groups), GroupBySizeResult::MeasureFailed);
    EXPECT_TRUE(groups.empty());
    EXPECT_EQ(measurer.calls, measurer.failAtCall);
}

INSTANTIATE_TEST_SUITE_P(AtCall, FailingMeasurement,
                         ::testing::Values(FailingCall{"First", 0}, FailingCall{"Second", 0.01},
                                           FailingCall{"Middle", 0.5}, FailingCall{"Last", 1}),
                         [](const auto& info) { return std::string(info.param.name); });

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
        std::vector<PdfFixtures::PageDesign> pages(8);
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

// A trial carries the same document information, metadata, bookmarks, links
// and labels as the saved file, so the measured size is the saved size; also
// when the trial is measured again after losing pages (a link or bookmark
// into a page taken out goes with it).
TEST_F(TrialMeasurerTest, TrialFileIsAsBigAsTheSavedFile)
{
    PdfFixtures::Book book;
    book.pageCount = 6;
    book.info = {{"Title", "Measured"}, {"Producer", "a producer"}};
    book.xmp = std::string(40000, 'x');
    book.outline = {{"One", 1, "", false, false, {{"One.a", 2}}}, {"Two", 4}, {"Three", 5}};
    book.links = {{2, 3}, {3, 6}, {2, 5}};
    book.pageLabels = "0 << /S /R >>";
    const QString path = work.filePath(QStringLiteral("book.pdf"));
    ASSERT_TRUE(PdfFixtures::WriteBook(path, book));

    SpliceTrialMeasurer measurer(path, QString());
    const QString folder = work.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(folder));
    // Each list after the first shares a prefix with the one before it.
    const std::vector<PageList> lists = {{2, 3, 4, 5, 6}, {2, 3, 4}, {2, 3, 4, 5}, {2}};
    for (std::size_t i = 0; i < lists.size(); ++i)
    {
        const PageList& pages = lists[i];
        SCOPED_TRACE(FormatPageList(pages).toStdString());
        const auto measured = measurer.MeasurePages(pages, pages.size());
        ASSERT_TRUE(measured);

        SplitSection section;
        section.pages = pages;
        section.fileName = QStringLiteral("saved%1.pdf").arg(i);
        SaveRequest request;
        request.sourcePath = path;
        request.folder = folder;
        request.sections = {&section};
        ASSERT_EQ(SaveSections(request), SaveOutcome::Saved);
        const QString saved = QDir(folder).filePath(section.fileName);
        EXPECT_EQ(PdfFixtures::XmpMetadata(saved), book.xmp);
        EXPECT_EQ(static_cast<std::uint64_t>(QFileInfo(saved).size()), *measured);
    }
}

// The measurement as it was made before trial files stayed in memory: each
// trial written as a file in the temporary folder and its size read back.
class DiskTrialMeasurer : public PageGroupMeasurer
{
public:
    DiskTrialMeasurer(const QString& source, const QString& folder)
        : input(xpdfSpliceOpenInputW(source)), path(QDir(folder).filePath(QStringLiteral("trial.pdf")))
    {
    }
    ~DiskTrialMeasurer() override
    {
        xpdfSpliceCloseInput(input);
        QFile::remove(path);
    }
    std::optional<std::uint64_t> MeasurePages(const PageList& pages, std::size_t n) override
    {
        XpdfSpliceOutput output = xpdfSpliceOpenOutputW(path, 1.6);
        if (!input || !output)
            return std::nullopt;
        for (std::size_t i = 0; i < n; ++i)
            xpdfSpliceAddPage(input, pages[i], output);
        if (!xpdfSpliceCloseOutput(output))
            return std::nullopt;
        return static_cast<std::uint64_t>(QFileInfo(path).size());
    }
    XpdfSpliceInput input;
    QString path;
};

struct RealDocumentCase
{
    const char* name;
    int pages;
    int imageEvery;   // every so many pages carry an image (0: none)
    int vectorEvery;  // every so many pages carry vector art (0: none)
    double limitPages; // the limit, in sizes of the largest one-page file
};

class RealDocuments : public TrialMeasurerTest, public ::testing::WithParamInterface<RealDocumentCase>
{
};

// Real documents through the real splicing layer: the in-memory search finds
// the groups the bisection over trial files on disk finds, within the trial
// bound, and every group saved for real stays within the limit.
TEST_P(RealDocuments, SameGroupsAsTrialFilesOnDiskAndSavedFilesWithinTheLimit)
{
    const RealDocumentCase& c = GetParam();
    std::vector<PdfFixtures::PageDesign> designs(static_cast<std::size_t>(c.pages));
    for (int i = 0; i < c.pages; ++i)
    {
        auto& design = designs[static_cast<std::size_t>(i)];
        design.imageSide = c.imageEvery && i % c.imageEvery == 0 ? 20 + (i * 7) % 50 : 0;
        design.vectorArt = c.vectorEvery && i % c.vectorEvery == 1;
        design.rotate = i % 11 == 5 ? 90 : 0;
    }
    const QString document = work.filePath(QStringLiteral("document.pdf"));
    ASSERT_TRUE(PdfFixtures::WritePdf(document, designs));
    const PageList all = Range(1, c.pages);

    SpliceTrialMeasurer measurer(document, QString());
    std::uint64_t largestPage = 0;
    for (int page = 1; page <= c.pages; ++page)
        largestPage = std::max(largestPage, measurer.MeasurePages(PageList{page}, 1).value_or(0));
    const auto limit = static_cast<std::uint64_t>(static_cast<double>(largestPage) * c.limitPages);

    DiskTrialMeasurer disk(document, work.path());
    const auto expected = BisectedGroups(all, limit, disk);
    ASSERT_TRUE(expected.has_value());

    TrialCounter counter(measurer);
    std::vector<PageList> groups;
    ASSERT_EQ(GroupPagesBySize(all, limit, counter, groups), GroupBySizeResult::Grouped);
    EXPECT_EQ(groups, *expected);
    EXPECT_TRUE(counter.OverBound().empty()) << counter.OverBound().front();
    EXPECT_TRUE(TempEntries().isEmpty()) << TempEntries().join(',').toStdString();

    std::vector<SplitSection> sections(groups.size());
    SaveRequest request;
    request.sourcePath = document;
    request.folder = work.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(request.folder));
    for (std::size_t i = 0; i < groups.size(); ++i)
    {
        sections[i].pages = groups[i];
        sections[i].fileName = QStringLiteral("g%1.pdf").arg(i + 1);
        request.sections.push_back(&sections[i]);
    }
    ASSERT_EQ(SaveSections(request), SaveOutcome::Saved);
    for (const SplitSection& s : sections)
        EXPECT_LE(static_cast<std::uint64_t>(QFileInfo(QDir(request.folder).filePath(s.fileName)).size()), limit)
            << s.fileName.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, RealDocuments,
    ::testing::Values(RealDocumentCase{"TextOnlyTightLimit", 30, 0, 0, 1.2},
                      RealDocumentCase{"TextOnlyWideLimit", 30, 0, 0, 9.5},
                      RealDocumentCase{"ImagesEveryPage", 24, 1, 0, 3.3},
                      RealDocumentCase{"MixedImagesAndVectors", 40, 3, 2, 2.5},
                      RealDocumentCase{"MixedWholeDocumentFits", 20, 4, 3, 100},
                      RealDocumentCase{"SparseImagesSingleHeavyGroups", 36, 9, 0, 1.05}),
    [](const auto& info) { return std::string(info.param.name); });

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

// Trial files are measured in memory: TMPDIR naming a folder that does not
// exist, and a current folder nobody may write into (not even root), neither
// stop a measurement nor receive a file.
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
