// Sections cut at bookmarks: which pages each section gets and the file name
// made from its bookmark's title.
#include "common/TestNames.h"
#include "session/BookmarkSections.h"
#include "session/PageRangeText.h"

#include <gtest/gtest.h>

namespace {

struct Expected
{
    const char* pages; // page-range text
    QString fileName;  // empty: the default name
    bool operator==(const Expected& o) const { return QString::fromLatin1(pages) == QString::fromLatin1(o.pages) && fileName == o.fileName; }
};

std::ostream& operator<<(std::ostream& os, const Expected& e)
{
    return os << e.pages << " -> '" << e.fileName.toStdString() << "'";
}

struct PlanCase
{
    const char* name;
    std::vector<XpdfSpliceOutlineEntry> outline;
    int pageCount;
    int level;
    std::vector<Expected> sections;
    QStringList namesInUse = {};
    int firstNumber = 1;
};

class BookmarkPlan : public ::testing::TestWithParam<PlanCase>
{
};

TEST_P(BookmarkPlan, SectionsAndNames)
{
    const PlanCase& c = GetParam();
    BookmarkSplitSource source;
    source.outline = c.outline;
    source.pageCount = c.pageCount;
    source.sourcePath = QStringLiteral("/docs/book.pdf");
    source.namesInUse = c.namesInUse;
    source.firstNumber = c.firstNumber;
    std::vector<Expected> got;
    std::vector<QByteArray> texts; // keeps the page texts alive
    const std::vector<PlannedSection> sections = PlanBookmarkSections(source, c.level);
    texts.reserve(sections.size());
    for (const PlannedSection& s : sections)
    {
        texts.push_back(FormatPageList(s.pages).toLatin1());
        got.push_back({texts.back().constData(), s.fileName});
    }
    EXPECT_EQ(got, c.sections);
}

INSTANTIATE_TEST_SUITE_P(
    Outlines, BookmarkPlan,
    ::testing::Values(
        PlanCase{"FiveChaptersAfterFrontMatter",
                 {{"Chapter 1", 1, 3}, {"Chapter 2", 1, 5}, {"2.1 Detail", 2, 6}, {"Chapter 3", 1, 8},
                  {"Chapter 4", 1, 10}, {"Chapter 5", 1, 12}},
                 14, 1,
                 {{"1-2", ""}, {"3-4", "Chapter 1.pdf"}, {"5-7", "Chapter 2.pdf"}, {"8-9", "Chapter 3.pdf"},
                  {"10-11", "Chapter 4.pdf"}, {"12-14", "Chapter 5.pdf"}}},
        PlanCase{"FirstBookmarkOnTheFirstPage", {{"One", 1, 1}, {"Two", 1, 4}}, 6, 1,
                 {{"1-3", "One.pdf"}, {"4-6", "Two.pdf"}}},
        // A chapter's own pages before its first subsection stay with it.
        PlanCase{"LowerLevelAlsoStartsAtChapters",
                 {{"Ch1", 1, 1}, {"1.1", 2, 1}, {"1.2", 2, 3}, {"Ch2", 1, 5}, {"Ch3", 1, 7}, {"3.1", 2, 8}},
                 10, 2,
                 {{"1-2", "1.1.pdf"}, {"3-4", "1.2.pdf"}, {"5-6", "Ch2.pdf"}, {"7", "Ch3.pdf"}, {"8-10", "3.1.pdf"}}},
        PlanCase{"DeeperLevelsDoNotCut", {{"A", 1, 1}, {"A1", 2, 2}, {"B", 1, 4}}, 6, 1,
                 {{"1-3", "A.pdf"}, {"4-6", "B.pdf"}}},
        // Sections follow the pages, whatever the outline's order.
        PlanCase{"OutOfPageOrder", {{"A", 1, 5}, {"B", 1, 2}, {"C", 1, 8}}, 10, 1,
                 {{"1", ""}, {"2-4", "B.pdf"}, {"5-7", "A.pdf"}, {"8-10", "C.pdf"}}},
        PlanCase{"SamePageMakesOneSectionNamedAfterTheFirst", {{"A", 1, 1}, {"B", 1, 4}, {"C", 1, 4}, {"D", 1, 7}},
                 10, 1, {{"1-3", "A.pdf"}, {"4-6", "B.pdf"}, {"7-10", "D.pdf"}}},
        PlanCase{"SamePageNamedAfterTheChosenLevel", {{"Part", 1, 3}, {"Chapter", 2, 3}, {"Next", 2, 5}}, 6, 2,
                 {{"1-2", ""}, {"3-4", "Chapter.pdf"}, {"5-6", "Next.pdf"}}},
        PlanCase{"BookmarksWithoutAPagePassedOver", {{"A", 1, 1}, {"B", 1, 0}, {"C", 1, 99}, {"D", 1, 5}}, 8, 1,
                 {{"1-4", "A.pdf"}, {"5-8", "D.pdf"}}},
        PlanCase{"LevelWithoutBookmarks", {{"A", 1, 1}, {"A1", 2, 2}}, 4, 3, {}},
        PlanCase{"NoOutline", {}, 4, 1, {}},
        PlanCase{"UnsafeTitles",
                 {{"Intro: a/b?", 1, 1}, {"  Lots   of\tspace \n", 1, 2}, {"..hidden..", 1, 3}, {"Con", 1, 4},
                  {"", 1, 5}, {"\"*<>|\\", 1, 6}},
                 6, 1,
                 {{"1", "Intro_ a_b_.pdf"}, {"2", "Lots of space.pdf"}, {"3", "hidden.pdf"}, {"4", "_Con.pdf"},
                  {"5", ""}, {"6", "______.pdf"}}},
        // Names are compared without regard to case.
        PlanCase{"TakenNamesAreNumbered",
                 {{"Notes", 1, 1}, {"notes", 1, 3}, {"Notes", 1, 5}},
                 6, 1, {{"1-2", "Notes (2).pdf"}, {"3-4", "notes (4).pdf"}, {"5-6", "Notes (5).pdf"}},
                 {"NOTES.pdf", "Notes (3).pdf"}},
        PlanCase{"DefaultNameOfTheFrontSectionIsTaken", {{"book-S3", 1, 2}}, 4, 1,
                 {{"1", ""}, {"2-4", "book-S3 (2).pdf"}}, {"a.pdf", "b.pdf"}, 3}),
    TestNames::ByName());

struct StemCase
{
    const char* name;
    QString title;
    QString stem;
};

class BookmarkStem : public ::testing::TestWithParam<StemCase>
{
};

TEST_P(BookmarkStem, SafeFileName)
{
    EXPECT_EQ(BookmarkFileStem(GetParam().title), GetParam().stem);
}

INSTANTIATE_TEST_SUITE_P(
    Titles, BookmarkStem,
    ::testing::Values(
        StemCase{"Plain", "Chapter 1. Introduction", "Chapter 1. Introduction"},
        StemCase{"ControlCharacters", QString::fromUtf8("a\x01" "b\x7F" "c"), "a_b_c"},
        StemCase{"OnlySpacesAndDots", " . . ", ""},
        StemCase{"LongTitleCutTo120Characters", QString(200, QLatin1Char('x')), QString(120, QLatin1Char('x'))},
        StemCase{"CutDoesNotEndInASpace", QString(119, QLatin1Char('x')) + "  yz", QString(119, QLatin1Char('x'))},
        // Three bytes a character: 80 characters make the 240 bytes.
        StemCase{"WideCharactersCutTo240Bytes", QString(100, QChar(0x65E5)), QString(80, QChar(0x65E5))},
        StemCase{"SurrogatePairNeverSplit", QString(119, QLatin1Char('x')) + QString::fromUtf8("\U0001F600\U0001F600"),
                 QString(119, QLatin1Char('x')) + QString::fromUtf8("\U0001F600")},
        StemCase{"LineSeparator", QString::fromUtf8("one\u2028two"), "one two"}),
    TestNames::ByName());

TEST(BookmarkLevels, CountsOnlyBookmarksWithAPage)
{
    const std::vector<XpdfSpliceOutlineEntry> outline = {
        {"A", 1, 1}, {"A1", 2, 2}, {"A2", 2, 3}, {"A2a", 3, 0}, {"B", 1, 9}, {"B1", 2, 40}};
    EXPECT_EQ(BookmarksPerLevel(outline, 10), (std::vector<int>{2, 2}));
    EXPECT_TRUE(BookmarksPerLevel({{"nowhere", 1, 0}}, 10).empty());
}

} // namespace
