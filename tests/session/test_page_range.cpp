#include "session/PageRangeText.h"

#include "common/TestNames.h"

#include <gtest/gtest.h>

namespace {

constexpr std::int32_t kMany = 1000;

struct ParseCase
{
    const char* name;
    const char* text;
    bool ok;
    PageList pages;
    int error; // expected failure kind when !ok
};

class ParsePageListTest : public ::testing::TestWithParam<ParseCase>
{
};

TEST_P(ParsePageListTest, ReadsTextAsDocumented)
{
    const ParseCase& c = GetParam();
    PageList pages{99}; // must be replaced, never appended to
    int error = -1;
    const bool ok = ParsePageList(QString::fromUtf8(c.text), kMany, pages, &error);
    EXPECT_EQ(ok, c.ok) << c.text;
    if (c.ok)
    {
        EXPECT_EQ(pages, c.pages) << c.text;
        EXPECT_EQ(error, PAGE_RANGE_OK);
    }
    else
    {
        EXPECT_TRUE(pages.empty()) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParsePageListTest,
    ::testing::Values(
        ParseCase{"RunAndPage", "1-7, 18", true, {1, 2, 3, 4, 5, 6, 7, 18}, 0},
        ParseCase{"PageBeforeRun", "18, 1-3", true, {18, 1, 2, 3}, 0},
        ParseCase{"RepeatedPageKept", "1-3,2", true, {1, 2, 3, 2}, 0},
        ParseCase{"Reversed", "5-3", false, {}, PAGE_RANGE_BAD_BOUND},
        ParseCase{"PageZero", "0", false, {}, PAGE_RANGE_BAD_BOUND},
        ParseCase{"OnePage", "4", true, {4}, 0},
        ParseCase{"RunOfOnePage", "4-4", true, {4}, 0},
        ParseCase{"SpaceInsideNumber", "1 2", true, {1}, 0},
        ParseCase{"SpaceBeforeRun", "4 5-6", true, {4, 5, 6}, 0},
        ParseCase{"DoubleComma", "1,,2", true, {1, 2}, 0},
        ParseCase{"TrailingComma", "1,", true, {1}, 0},
        ParseCase{"LeadingComma", ",1", true, {1}, 0},
        ParseCase{"RunWithoutEnd", "1-", true, {1}, 0},
        ParseCase{"RunWithoutStart", "-5", true, {5}, 0},
        ParseCase{"TwoDashes", "1-3-5", false, {}, PAGE_RANGE_TOO_MANY_DASHES},
        ParseCase{"TrailingCommaAndSpace", "1, 2, ", false, {}, PAGE_RANGE_BAD_BOUND},
        ParseCase{"OnlyDash", "-", false, {}, PAGE_RANGE_BAD_BOUND},
        ParseCase{"Empty", "", true, {}, 0},
        ParseCase{"OnlyCommas", ",,", true, {}, 0},
        ParseCase{"Semicolon", "1;2", false, {}, PAGE_RANGE_BAD_CHARACTER},
        ParseCase{"Tab", "1\t2", false, {}, PAGE_RANGE_BAD_CHARACTER},
        ParseCase{"PlusSign", "+3", false, {}, PAGE_RANGE_BAD_CHARACTER},
        // Bounds above the highest allowed page, or beyond 32 bits, fail at
        // once instead of expanding or wrapping around.
        ParseCase{"HighestPage", "1000", true, {1000}, 0},
        ParseCase{"AboveHighestPage", "1001", false, {}, PAGE_RANGE_BAD_BOUND},
        ParseCase{"HugeRunEnd", "1-2000000000", false, {}, PAGE_RANGE_BAD_BOUND},
        ParseCase{"Beyond32Bits", "4294967297", false, {}, PAGE_RANGE_BAD_BOUND},
        ParseCase{"RunEndBeyond64Bits", "1-99999999999999999999999999", false, {}, PAGE_RANGE_BAD_BOUND},
        ParseCase{"LaterRunEndsAboveHighestPage", "2, 5-1001", false, {}, PAGE_RANGE_BAD_BOUND}),
    TestNames::ByName());

TEST(ParsePageList, NothingIsAllowedWithoutPages)
{
    PageList pages;
    EXPECT_FALSE(ParsePageList(QStringLiteral("1"), 0, pages));
    EXPECT_TRUE(ParsePageList(QString(), 0, pages));
    EXPECT_TRUE(pages.empty());
}

TEST(ParsePageList, HighestThirtyTwoBitPageIsAccepted)
{
    PageList pages;
    ASSERT_TRUE(ParsePageList(QStringLiteral("2147483646-2147483647"), INT32_MAX, pages));
    EXPECT_EQ(pages, (PageList{2147483646, 2147483647}));
    EXPECT_FALSE(ParsePageList(QStringLiteral("2147483648"), INT32_MAX, pages));
}

struct FormatCase
{
    PageList pages;
    const char* text;
};

class FormatPageListTest : public ::testing::TestWithParam<FormatCase>
{
};

TEST_P(FormatPageListTest, WritesRunsAndReadsBack)
{
    const FormatCase& c = GetParam();
    const QString text = FormatPageList(c.pages);
    EXPECT_EQ(text, QString::fromUtf8(c.text));
    PageList back;
    ASSERT_TRUE(ParsePageList(text, kMany, back)) << c.text;
    EXPECT_EQ(back, c.pages);
}

INSTANTIATE_TEST_SUITE_P(Lists, FormatPageListTest,
                         ::testing::Values(FormatCase{{}, ""},
                                           FormatCase{{1, 2, 3, 7, 9, 10}, "1-3,7,9-10"},
                                           FormatCase{{5}, "5"},
                                           FormatCase{{3, 2, 1}, "3,2,1"},
                                           FormatCase{{1, 1}, "1,1"},
                                           FormatCase{{2, 3, 3, 4}, "2-3,3-4"},
                                           FormatCase{{6, 7}, "6-7"}),
                         [](const auto& info) {
                             std::string name = "Pages";
                             for (auto page : info.param.pages)
                                 name += "_" + std::to_string(page);
                             return info.param.pages.empty() ? std::string("NoPages") : name;
                         });

TEST(FormatPageList, RunEndingAtTheLargestPageDoesNotOverflow)
{
    EXPECT_EQ(FormatPageList({2147483646, 2147483647, 1}), QStringLiteral("2147483646-2147483647,1"));
}

struct CheckCase
{
    const char* name;
    const char* text;
    std::int32_t pageCount;
    bool ok;
    PageRangeSet ranges; // half-open
};

class CheckPageRangeTextTest : public ::testing::TestWithParam<CheckCase>
{
};

TEST_P(CheckPageRangeTextTest, ChecksTextAsDocumented)
{
    const CheckCase& c = GetParam();
    PageRangeSet ranges{{7, 8}};
    EXPECT_EQ(CheckPageRangeText(QString::fromUtf8(c.text), c.pageCount, &ranges), c.ok) << c.text;
    EXPECT_EQ(ranges, c.ok ? c.ranges : PageRangeSet{}) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CheckPageRangeTextTest,
    ::testing::Values(
        CheckCase{"RunAndPage", "1-7, 18", kMany, true, {{1, 8}, {18, 19}}},
        CheckCase{"PageBeforeRun", "18, 1-3", kMany, true, {{1, 4}, {18, 19}}},
        CheckCase{"RepeatedPageMerged", "1-3,2", kMany, true, {{1, 4}}},
        CheckCase{"ReversedRunTurned", "5-3", kMany, true, {{3, 6}}},
        CheckCase{"PageZero", "0", kMany, true, {{0, 1}}},
        CheckCase{"OnePage", "4", kMany, true, {{4, 5}}},
        CheckCase{"RunOfOnePage", "4-4", kMany, true, {{4, 5}}},
        CheckCase{"SpaceInsideNumber", "1 2", kMany, true, {{12, 13}}},
        CheckCase{"SpaceBeforeRun", "4 5-6", kMany, true, {{6, 46}}},
        // Touching and overlapping ranges merge, absorbing later ones.
        CheckCase{"TouchingRunsMerge", "1-3,4-5", kMany, true, {{1, 6}}},
        CheckCase{"OverlappingRunAbsorbsPages", "10,20,30,5-25", kMany, true, {{5, 26}, {30, 31}}},
        CheckCase{"DoubleComma", "1,,2", kMany, false, {}},
        CheckCase{"TrailingComma", "1,", kMany, false, {}},
        CheckCase{"LeadingComma", ",1", kMany, false, {}},
        CheckCase{"RunWithoutEnd", "1-", kMany, false, {}},
        CheckCase{"RunWithoutStart", "-5", kMany, false, {}},
        CheckCase{"TwoDashes", "1-3-5", kMany, false, {}},
        CheckCase{"TrailingCommaAndSpace", "1, 2, ", kMany, false, {}},
        CheckCase{"OnlyDash", "-", kMany, false, {}},
        CheckCase{"Empty", "", kMany, false, {}},
        CheckCase{"OnlySpaces", "   ", kMany, false, {}},
        CheckCase{"Semicolon", "1;2", kMany, false, {}},
        CheckCase{"Tab", "1\t2", kMany, false, {}},
        // Numbers above the page count fail instead of wrapping around.
        CheckCase{"LastPage", "12", 12, true, {{12, 13}}},
        CheckCase{"PastLastPage", "13", 12, false, {}},
        CheckCase{"SpaceInsideNumberPastLastPage", "1 2", 11, false, {}},
        CheckCase{"HugeRunEnd", "1-2000000000", 12, false, {}},
        CheckCase{"Beyond32Bits", "4294967297", 12, false, {}},
        CheckCase{"RunStartBeyond64Bits", "99999999999999999999999999-1", INT32_MAX, false, {}}),
    TestNames::ByName());

} // namespace
