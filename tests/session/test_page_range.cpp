#include "session/PageRangeText.h"

#include <gtest/gtest.h>

namespace {

constexpr std::int32_t kMany = 1000;

struct ParseCase
{
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
        ParseCase{"1-7, 18", true, {1, 2, 3, 4, 5, 6, 7, 18}, 0},
        ParseCase{"18, 1-3", true, {18, 1, 2, 3}, 0},
        ParseCase{"1-3,2", true, {1, 2, 3, 2}, 0},
        ParseCase{"5-3", false, {}, PAGE_RANGE_BAD_BOUND},
        ParseCase{"0", false, {}, PAGE_RANGE_BAD_BOUND},
        ParseCase{"4", true, {4}, 0},
        ParseCase{"4-4", true, {4}, 0},
        ParseCase{"1 2", true, {1}, 0},
        ParseCase{"4 5-6", true, {4, 5, 6}, 0},
        ParseCase{"1,,2", true, {1, 2}, 0},
        ParseCase{"1,", true, {1}, 0},
        ParseCase{",1", true, {1}, 0},
        ParseCase{"1-", true, {1}, 0},
        ParseCase{"-5", true, {5}, 0},
        ParseCase{"1-3-5", false, {}, PAGE_RANGE_TOO_MANY_DASHES},
        ParseCase{"1, 2, ", false, {}, PAGE_RANGE_BAD_BOUND},
        ParseCase{"-", false, {}, PAGE_RANGE_BAD_BOUND},
        ParseCase{"", true, {}, 0},
        ParseCase{",,", true, {}, 0},
        ParseCase{"1;2", false, {}, PAGE_RANGE_BAD_CHARACTER},
        ParseCase{"1\t2", false, {}, PAGE_RANGE_BAD_CHARACTER},
        ParseCase{"+3", false, {}, PAGE_RANGE_BAD_CHARACTER},
        // Bounds above the highest allowed page, or beyond 32 bits, fail at
        // once instead of expanding or wrapping around.
        ParseCase{"1000", true, {1000}, 0},
        ParseCase{"1001", false, {}, PAGE_RANGE_BAD_BOUND},
        ParseCase{"1-2000000000", false, {}, PAGE_RANGE_BAD_BOUND},
        ParseCase{"4294967297", false, {}, PAGE_RANGE_BAD_BOUND},
        ParseCase{"1-99999999999999999999999999", false, {}, PAGE_RANGE_BAD_BOUND},
        ParseCase{"2, 5-1001", false, {}, PAGE_RANGE_BAD_BOUND}));

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
                                           FormatCase{{6, 7}, "6-7"}));

TEST(FormatPageList, RunEndingAtTheLargestPageDoesNotOverflow)
{
    EXPECT_EQ(FormatPageList({2147483646, 2147483647, 1}), QStringLiteral("2147483646-2147483647,1"));
}

struct CheckCase
{
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
        CheckCase{"1-7, 18", kMany, true, {{1, 8}, {18, 19}}},
        CheckCase{"18, 1-3", kMany, true, {{1, 4}, {18, 19}}},
        CheckCase{"1-3,2", kMany, true, {{1, 4}}},
        CheckCase{"5-3", kMany, true, {{3, 6}}},
        CheckCase{"0", kMany, true, {{0, 1}}},
        CheckCase{"4", kMany, true, {{4, 5}}},
        CheckCase{"4-4", kMany, true, {{4, 5}}},
        CheckCase{"1 2", kMany, true, {{12, 13}}},
        CheckCase{"4 5-6", kMany, true, {{6, 46}}},
        // Touching and overlapping ranges merge, absorbing later ones.
        CheckCase{"1-3,4-5", kMany, true, {{1, 6}}},
        CheckCase{"10,20,30,5-25", kMany, true, {{5, 26}, {30, 31}}},
        CheckCase{"1,,2", kMany, false, {}},
        CheckCase{"1,", kMany, false, {}},
        CheckCase{",1", kMany, false, {}},
        CheckCase{"1-", kMany, false, {}},
        CheckCase{"-5", kMany, false, {}},
        CheckCase{"1-3-5", kMany, false, {}},
        CheckCase{"1, 2, ", kMany, false, {}},
        CheckCase{"-", kMany, false, {}},
        CheckCase{"", kMany, false, {}},
        CheckCase{"   ", kMany, false, {}},
        CheckCase{"1;2", kMany, false, {}},
        CheckCase{"1\t2", kMany, false, {}},
        // Numbers above the page count fail instead of wrapping around.
        CheckCase{"12", 12, true, {{12, 13}}},
        CheckCase{"13", 12, false, {}},
        CheckCase{"1 2", 11, false, {}},
        CheckCase{"1-2000000000", 12, false, {}},
        CheckCase{"4294967297", 12, false, {}},
        CheckCase{"99999999999999999999999999-1", INT32_MAX, false, {}}));

} // namespace
