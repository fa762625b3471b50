// The New Split Section sheet driven through its controls, with an injected
// size measurer.
#include "common/TestNames.h"
#include "resources/StringTable.h"
#include "ui/NewSplitSheet.h"
#include "ui/SectionBookmarksPage.h"
#include "session/SplitBySize.h"
#include "session/SessionUser.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QValidator>
#include <gtest/gtest.h>
#include <numeric>

namespace {

PageList Range(int first, int last)
{
    PageList pages(static_cast<std::size_t>(last - first + 1));
    std::iota(pages.begin(), pages.end(), first);
    return pages;
}

// Every page weighs the same; the group's size is the sum. From call
// failFrom on (0: never) a trial file cannot be written.
class FlatMeasurer : public PageGroupMeasurer
{
public:
    explicit FlatMeasurer(std::uint64_t perPage) : perPage(perPage) {}
    std::optional<std::uint64_t> MeasurePages(const PageList&, std::size_t n) override
    {
        ++calls;
        if (failFrom && calls >= failFrom)
            return std::nullopt;
        return perPage * n;
    }
    std::uint64_t perPage;
    int calls = 0;
    int failFrom = 0;
};

class SheetTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        previous = SetMessageHandler([this](const MessageRequest& r) {
            messages.push_back(r);
            return Prompt::Ok;
        });
    }
    void TearDown() override { SetMessageHandler(previous); }

    std::unique_ptr<CNewSplitSectionSheet> Make(int pageCount, const PageList& remaining,
                                                std::uint64_t perPage = 1000)
    {
        auto measurer = std::make_unique<FlatMeasurer>(perPage);
        lastMeasurer = measurer.get();
        return std::make_unique<CNewSplitSectionSheet>(pageCount, remaining, std::move(measurer));
    }

    static void SetComboText(QComboBox* combo, const QString& text) { combo->setEditText(text); }

    std::vector<MessageRequest> messages;
    MessageHandler previous;
    FlatMeasurer* lastMeasurer = nullptr;
};

TEST_F(SheetTest, OpensOnThePageRangeTabWithOkDisabled)
{
    auto sheet = Make(40, Range(1, 40));
    EXPECT_EQ(sheet->windowTitle(), QStringLiteral("Create new split section"));
    EXPECT_EQ(sheet->Tabs()->count(), 4);
    EXPECT_EQ(sheet->ActivePage(), sheet->PageRangePage());
    EXPECT_FALSE(sheet->OkButton()->isEnabled());
}

struct RangeTextCase
{
    const char* name;
    QString text;
    bool okEnabled;
    std::vector<PageList> result; // after OK (only when enabled)
};

class PageRangeText : public SheetTest, public ::testing::WithParamInterface<RangeTextCase>
{
};

TEST_P(PageRangeText, EnablesOkAndMakesTheSection)
{
    const RangeTextCase& c = GetParam();
    auto sheet = Make(12, Range(1, 12));
    sheet->PageRangePage()->PageEdit()->setText(c.text);
    EXPECT_EQ(sheet->OkButton()->isEnabled(), c.okEnabled);
    if (!c.okEnabled)
        return;
    sheet->accept();
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_EQ(sheet->ResultLists(), c.result);
    EXPECT_TRUE(messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PageRangeText,
    ::testing::Values(
        RangeTextCase{"Runs", "1-7, 12", true, {{1, 2, 3, 4, 5, 6, 7, 12}}},
        RangeTextCase{"OrderAndDuplicatesKept", "9, 1-3,2", true, {{9, 1, 2, 3, 2}}},
        RangeTextCase{"LastPage", "12", true, {{12}}},
        RangeTextCase{"BeyondTheDocument", "1-13", false, {}},
        RangeTextCase{"HugeBound", "1-2000000000", false, {}},
        RangeTextCase{"Empty", "", false, {}},
        RangeTextCase{"BadCharacter", "1;2", false, {}},
        // The quick check accepts these, the strict reader refuses them: the
        // sheet closes without a section.
        RangeTextCase{"Reversed", "5-3", true, {}},
        RangeTextCase{"PageZero", "0", true, {}},
        // "1 2" reads as page 12 for the check and as page 1 for the section.
        RangeTextCase{"SpaceInsideNumber", "1 2", true, {{1}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SheetTest, AddAllRemainingPagesWritesTheRemainingRuns)
{
    auto whole = Make(40, Range(1, 40));
    QPushButton* link = whole->PageRangePage()->AddRemainingLink();
    EXPECT_FALSE(link->isHidden());
    link->click();
    EXPECT_EQ(whole->PageRangePage()->PageEdit()->text(), QStringLiteral("1-40"));
    EXPECT_TRUE(whole->OkButton()->isEnabled());

    PageList remaining = Range(11, 40);
    remaining.erase(remaining.begin() + 5); // page 16 is in a section
    auto partial = Make(40, remaining);
    partial->PageRangePage()->AddRemainingLink()->click();
    EXPECT_EQ(partial->PageRangePage()->PageEdit()->text(), QStringLiteral("11-15,17-40"));
}

TEST_F(SheetTest, EveryPageUsedHidesTheLinkAndAllRemaining)
{
    auto sheet = Make(10, {});
    EXPECT_TRUE(sheet->PageRangePage()->AddRemainingLink()->isHidden());
    for (QComboBox* combo : {sheet->RepeatingPage()->RangeCombo(), sheet->SizePage()->RangeCombo()})
    {
        ASSERT_EQ(combo->count(), 1);
        EXPECT_EQ(combo->itemText(0), QStringLiteral("All Pages"));
    }
    auto withRemaining = Make(10, {4});
    EXPECT_EQ(withRemaining->RepeatingPage()->RangeCombo()->itemText(1), QStringLiteral("All Remaining"));
}

struct RepeatCase
{
    const char* name;
    PageList remaining;
    QString count;
    QString range; // "All Pages", "All Remaining" or typed text
    bool okEnabled;
    std::vector<PageList> result;
};

class Repeating : public SheetTest, public ::testing::WithParamInterface<RepeatCase>
{
};

TEST_P(Repeating, CutsTheRangeEveryNPages)
{
    const RepeatCase& c = GetParam();
    auto sheet = Make(40, c.remaining);
    sheet->Tabs()->setCurrentWidget(sheet->RepeatingPage());
    CSectionRepeatingPage* page = sheet->RepeatingPage();
    page->CountEdit()->setText(c.count);
    const int item = page->RangeCombo()->findText(c.range);
    if (item >= 0)
        page->RangeCombo()->setCurrentIndex(item);
    else
        SetComboText(page->RangeCombo(), c.range);
    EXPECT_EQ(sheet->OkButton()->isEnabled(), c.okEnabled);
    if (!c.okEnabled)
        return;
    sheet->accept();
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_EQ(sheet->ResultLists(), c.result);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, Repeating,
    ::testing::Values(
        RepeatCase{"RemainingBySeven", Range(11, 40), "7", "All Remaining", true,
                   {Range(11, 17), Range(18, 24), Range(25, 31), Range(32, 38), Range(39, 40)}},
        RepeatCase{"AllPagesByTwenty", Range(11, 40), "20", "All Pages", true, {Range(1, 20), Range(21, 40)}},
        RepeatCase{"CountLargerThanRange", Range(1, 40), "100", "3-5", true, {{3, 4, 5}}},
        RepeatCase{"TypedOrderKept", Range(1, 40), "2", "5, 3, 9", true, {{5, 3}, {9}}},
        RepeatCase{"ReversedTyped", Range(1, 40), "2", "30-20", false, {}},
        RepeatCase{"TypedBeyondDocument", Range(1, 40), "2", "39-41", false, {}},
        RepeatCase{"ZeroCount", Range(1, 40), "0", "All Pages", false, {}},
        RepeatCase{"NoCount", Range(1, 40), "", "All Pages", false, {}},
        RepeatCase{"HugeCount", Range(1, 40), "99999999999999999999999", "All Pages", false, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SheetTest, RepeatCountTakesDigitsOnly)
{
    auto sheet = Make(40, Range(1, 40));
    const QValidator* validator = sheet->RepeatingPage()->CountEdit()->validator();
    ASSERT_NE(validator, nullptr);
    QString text = QStringLiteral("1a");
    int pos = 0;
    EXPECT_EQ(validator->validate(text, pos), QValidator::Invalid);
    text = QStringLiteral("12");
    EXPECT_EQ(validator->validate(text, pos), QValidator::Acceptable);
}

TEST(ReadUnsignedNumber, WholeNumbersWithLeadingSpacesOnly)
{
    EXPECT_EQ(ReadUnsignedNumber(QStringLiteral("500")), 500u);
    EXPECT_EQ(ReadUnsignedNumber(QStringLiteral("  7")), 7u);
    EXPECT_EQ(ReadUnsignedNumber(QStringLiteral("0")), 0u);
    EXPECT_EQ(ReadUnsignedNumber(QStringLiteral("18446744073709551615")), 18446744073709551615u);
    for (const char* bad : {"", "   ", "12abc", "1.5", "-3", "+3", "7 ", "18446744073709551616"})
        EXPECT_FALSE(ReadUnsignedNumber(QString::fromLatin1(bad)).has_value()) << bad;
}

struct LimitCase
{
    const char* name;
    QString size;
    int unit; // 0 MB, 1 KB
    std::optional<std::uint64_t> bytes;
};

class SizeLimit : public SheetTest, public ::testing::WithParamInterface<LimitCase>
{
};

TEST_P(SizeLimit, IsTheNumberTimesTheUnit)
{
    const LimitCase& c = GetParam();
    auto sheet = Make(10, Range(1, 10));
    sheet->Tabs()->setCurrentWidget(sheet->SizePage());
    sheet->SizePage()->UnitCombo()->setCurrentIndex(c.unit);
    sheet->SizePage()->SizeEdit()->setText(c.size);
    EXPECT_EQ(sheet->SizePage()->SizeLimitBytes(), c.bytes);
    EXPECT_EQ(sheet->OkButton()->isEnabled(), c.bytes.has_value() && *c.bytes != 0);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, SizeLimit,
    ::testing::Values(
        LimitCase{"KiloBytes", "500", 1, 512000},
        LimitCase{"MegaBytes", "2", 0, 2097152},
        LimitCase{"NotWrappedAt4096MB", "4096", 0, std::uint64_t(4096) << 20},
        LimitCase{"LargeKB", "4194304", 1, std::uint64_t(4194304) << 10},
        LimitCase{"SaturatesBeyond64Bits", "18446744073709551615", 0, ~std::uint64_t(0)},
        LimitCase{"Zero", "0", 0, 0},
        LimitCase{"NotANumber", "abc", 0, std::nullopt},
        LimitCase{"Empty", "", 1, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SheetTest, BySizeGroupsTheChosenPages)
{
    auto sheet = Make(10, Range(4, 10), 300 * 1024);
    sheet->Tabs()->setCurrentWidget(sheet->SizePage());
    CSectionSizePage* page = sheet->SizePage();
    EXPECT_EQ(page->UnitCombo()->currentText(), QStringLiteral("MB"));
    EXPECT_FALSE(sheet->OkButton()->isEnabled());
    page->SizeEdit()->setText(QStringLiteral("1"));
    page->RangeCombo()->setCurrentIndex(1); // All Remaining
    ASSERT_TRUE(sheet->OkButton()->isEnabled());
    sheet->accept();
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_EQ(sheet->ResultLists(), (std::vector<PageList>{{4, 5, 6}, {7, 8, 9}, {10}}));
}

TEST_F(SheetTest, BySizeWithAPageTooBigStaysOpenAndCanBeRetried)
{
    auto sheet = Make(10, Range(1, 10), 600 * 1024);
    sheet->Tabs()->setCurrentWidget(sheet->SizePage());
    CSectionSizePage* page = sheet->SizePage();
    page->UnitCombo()->setCurrentIndex(1); // KB
    page->SizeEdit()->setText(QStringLiteral("500"));
    sheet->accept();
    EXPECT_NE(sheet->result(), QDialog::Accepted);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, LoadResString(234));
    EXPECT_EQ(messages[0].icon, Prompt::Critical);
    EXPECT_TRUE(sheet->ResultLists().empty());

    page->SizeEdit()->setText(QStringLiteral("1200"));
    sheet->accept();
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_EQ(sheet->ResultLists(), (std::vector<PageList>{{1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}}));
}

TEST_F(SheetTest, BySizeMeasurementFailingPartWayIsAnErrorAndTheSheetStaysOpen)
{
    auto sheet = Make(10, Range(1, 10), 300 * 1024);
    lastMeasurer->failFrom = 3; // the first groups measure, then the trial writes fail
    sheet->Tabs()->setCurrentWidget(sheet->SizePage());
    sheet->SizePage()->SizeEdit()->setText(QStringLiteral("1"));
    ASSERT_TRUE(sheet->OkButton()->isEnabled());
    sheet->accept();
    EXPECT_NE(sheet->result(), QDialog::Accepted);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, LoadResString(262));
    EXPECT_EQ(messages[0].icon, Prompt::Critical);
    EXPECT_TRUE(sheet->ResultLists().empty());

    // Once the trial files can be written again, OK groups every page.
    lastMeasurer->failFrom = 0;
    sheet->accept();
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_EQ(sheet->ResultLists(), (std::vector<PageList>{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10}}));
}

TEST_F(SheetTest, BySizeTypedRange)
{
    auto sheet = Make(40, Range(1, 40), 100);
    sheet->Tabs()->setCurrentWidget(sheet->SizePage());
    CSectionSizePage* page = sheet->SizePage();
    page->SizeEdit()->setText(QStringLiteral("1"));
    SetComboText(page->RangeCombo(), QStringLiteral("1-50"));
    EXPECT_FALSE(sheet->OkButton()->isEnabled()); // names pages beyond the document
    SetComboText(page->RangeCombo(), QStringLiteral("1-2000000000"));
    EXPECT_FALSE(sheet->OkButton()->isEnabled());
    SetComboText(page->RangeCombo(), QStringLiteral("7, 3-4"));
    EXPECT_TRUE(sheet->OkButton()->isEnabled());

    // Unreadable text is accepted but makes no section.
    SetComboText(page->RangeCombo(), QStringLiteral("5-3"));
    ASSERT_TRUE(sheet->OkButton()->isEnabled());
    sheet->accept();
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_TRUE(sheet->ResultLists().empty());
    EXPECT_EQ(lastMeasurer->calls, 0);
}

TEST_F(SheetTest, OnlyTheShowingPageContributes)
{
    auto sheet = Make(40, Range(1, 40));
    sheet->PageRangePage()->PageEdit()->setText(QStringLiteral("1-3"));
    sheet->Tabs()->setCurrentWidget(sheet->RepeatingPage());
    EXPECT_FALSE(sheet->OkButton()->isEnabled()); // the Repeating page decides now
    sheet->RepeatingPage()->CountEdit()->setText(QStringLiteral("20"));
    sheet->accept();
    EXPECT_EQ(sheet->ResultLists(), (std::vector<PageList>{Range(1, 20), Range(21, 40)}));

    sheet->Tabs()->setCurrentWidget(sheet->PageRangePage());
    EXPECT_TRUE(sheet->OkButton()->isEnabled());
}

// --- By Bookmarks ------------------------------------------------------------------

BookmarkSplitSource Chapters(std::vector<XpdfSpliceOutlineEntry> outline)
{
    BookmarkSplitSource source;
    source.outline = std::move(outline);
    source.sourcePath = QStringLiteral("/docs/Manual.pdf");
    return source;
}

struct UnusableCase
{
    const char* name;
    std::vector<XpdfSpliceOutlineEntry> outline;
    const char* reason;
};

class BookmarksUnusable : public SheetTest, public ::testing::WithParamInterface<UnusableCase>
{
};

TEST_P(BookmarksUnusable, PageSaysWhyAndKeepsOkDisabled)
{
    const BookmarkSplitSource source = Chapters(GetParam().outline);
    CNewSplitSectionSheet sheet(20, Range(1, 20), std::make_unique<FlatMeasurer>(1000), nullptr, &source);
    CSectionBookmarksPage* page = sheet.BookmarksPage();
    EXPECT_EQ(sheet.Tabs()->tabText(3), QStringLiteral("By Bookmarks"));
    EXPECT_EQ(page->UnavailableReason(), QString::fromLatin1(GetParam().reason));
    EXPECT_EQ(sheet.Tabs()->tabToolTip(3), page->UnavailableReason());
    sheet.Tabs()->setCurrentWidget(page);
    EXPECT_FALSE(sheet.OkButton()->isEnabled());
    EXPECT_FALSE(page->LevelCombo()->isEnabled());
    sheet.accept();
    EXPECT_NE(sheet.result(), QDialog::Accepted);
    EXPECT_TRUE(sheet.ResultLists().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Outlines, BookmarksUnusable,
    ::testing::Values(UnusableCase{"NoBookmarks", {}, "This document has no bookmarks, so it cannot be split at them."},
                      UnusableCase{"NoBookmarkPointsAtAPage",
                                   {{"Broken", 1, 0}, {"Beyond", 1, 21}},
                                   "None of this document's bookmarks points at one of its pages, so it cannot be "
                                   "split at them."}),
    TestNames::ByName());

TEST_F(SheetTest, SheetWithoutAnOutlineHasAnUnusableBookmarksPage)
{
    auto sheet = Make(40, Range(1, 40));
    EXPECT_FALSE(sheet->BookmarksPage()->UnavailableReason().isEmpty());
}

TEST_F(SheetTest, BookmarksPageShowsAndMakesTheSectionsOfTheChosenLevel)
{
    BookmarkSplitSource source = Chapters({{"Preface", 1, 3}, {"Part: One", 1, 5}, {"1.1", 2, 6}, {"Part: Two", 1, 9}});
    source.namesInUse = {QStringLiteral("Preface.pdf")};
    source.firstNumber = 2;
    CNewSplitSectionSheet sheet(12, Range(1, 12), std::make_unique<FlatMeasurer>(1000), nullptr, &source);
    CSectionBookmarksPage* page = sheet.BookmarksPage();
    sheet.Tabs()->setCurrentWidget(page);
    EXPECT_TRUE(page->UnavailableReason().isEmpty());
    ASSERT_EQ(page->LevelCombo()->count(), 2);
    EXPECT_EQ(page->LevelCombo()->itemText(0), QStringLiteral("1 (top level): 3 bookmarks"));
    EXPECT_EQ(page->LevelCombo()->itemText(1), QStringLiteral("2: 1 bookmark"));
    EXPECT_TRUE(sheet.OkButton()->isEnabled());

    // The preview names every file, the default name included.
    QTreeWidget* preview = page->Preview();
    ASSERT_EQ(preview->topLevelItemCount(), 4);
    const QStringList expected = {"Manual-S2.pdf", "Preface (2).pdf", "Part_ One.pdf", "Part_ Two.pdf"};
    const QStringList pages = {"1-2", "3-4", "5-8", "9-12"};
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(preview->topLevelItem(i)->text(0), expected[i]);
        EXPECT_EQ(preview->topLevelItem(i)->text(1), pages[i]);
    }

    page->LevelCombo()->setCurrentIndex(1);
    EXPECT_EQ(preview->topLevelItemCount(), 5);
    sheet.accept();
    EXPECT_EQ(sheet.result(), QDialog::Accepted);
    EXPECT_EQ(sheet.ResultLists(),
              (std::vector<PageList>{Range(1, 2), Range(3, 4), {5}, Range(6, 8), Range(9, 12)}));
    EXPECT_EQ(sheet.ResultNames(),
              (std::vector<QString>{"", "Preface (2).pdf", "Part_ One.pdf", "1.1.pdf", "Part_ Two.pdf"}));
}

TEST_F(SheetTest, LevelsWithoutAPlacedBookmarkAreNotOffered)
{
    const BookmarkSplitSource source = Chapters({{"A", 1, 1}, {"A1", 2, 0}, {"A1a", 3, 4}, {"B", 1, 6}});
    CNewSplitSectionSheet sheet(10, Range(1, 10), std::make_unique<FlatMeasurer>(1000), nullptr, &source);
    QComboBox* levels = sheet.BookmarksPage()->LevelCombo();
    ASSERT_EQ(levels->count(), 2);
    EXPECT_EQ(levels->itemData(1).toInt(), 3);
    levels->setCurrentIndex(1);
    sheet.Tabs()->setCurrentWidget(sheet.BookmarksPage());
    sheet.accept();
    EXPECT_EQ(sheet.ResultLists(), (std::vector<PageList>{Range(1, 3), Range(4, 5), Range(6, 10)}));
}

TEST_F(SheetTest, NamesOfTheBookmarksPageDoNotOutliveAnotherPagesResult)
{
    const BookmarkSplitSource source = Chapters({{"A", 1, 1}, {"B", 1, 5}});
    CNewSplitSectionSheet sheet(10, Range(1, 10), std::make_unique<FlatMeasurer>(1000), nullptr, &source);
    sheet.Tabs()->setCurrentWidget(sheet.BookmarksPage());
    sheet.accept();
    EXPECT_EQ(sheet.ResultNames().size(), 2u);
    sheet.Tabs()->setCurrentWidget(sheet.PageRangePage());
    sheet.PageRangePage()->PageEdit()->setText(QStringLiteral("2-3"));
    sheet.accept();
    EXPECT_EQ(sheet.ResultLists(), (std::vector<PageList>{Range(2, 3)}));
    EXPECT_TRUE(sheet.ResultNames().empty());
}

TEST_F(SheetTest, DisabledOkDoesNotApply)
{
    auto sheet = Make(40, Range(1, 40));
    sheet->PageRangePage()->PageEdit()->setText(QStringLiteral("1-99"));
    sheet->accept();
    EXPECT_NE(sheet->result(), QDialog::Accepted);
    EXPECT_TRUE(sheet->ResultLists().empty());
}

} // namespace
