// The section card: header geometry, thumbnail layout and drop positions,
// live validation of the two edits, and removals posted to the split area.
#include "test_drag_fixture.h"

#include "common/TestNames.h"

#include "ui/Artwork.h"
#include "ui/FrameCommands.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <cmath>
#include <limits>

namespace {

// --- geometry ---------------------------------------------------------------

struct EditCase
{
    int available;
    int editWidth;
    bool removeShown;
};

class HeaderEditLayoutTest : public ::testing::TestWithParam<EditCase>
{
};

TEST_P(HeaderEditLayoutTest, WidthsFollowTheAvailableSpace)
{
    constexpr int label = 70;
    const EditCase c = GetParam();
    const HeaderEditLayout layout = ComputeHeaderEditLayout(label + c.available, label);
    EXPECT_EQ(layout.editWidth, c.editWidth);
    EXPECT_EQ(layout.showRemoveButton, c.removeShown);
}

INSTANTIATE_TEST_SUITE_P(Cases, HeaderEditLayoutTest,
                         ::testing::Values(EditCase{-5000, 130, false}, // negative space
                                           EditCase{320, 130, false},   // at most label + 320
                                           EditCase{321, 130, true},    // (321 - 60) / 2
                                           EditCase{500, 220, true},
                                           EditCase{659, 299, true},
                                           EditCase{660, 300, true},
                                           EditCase{5000, 300, true}),
                         [](const auto& info) { return "Available" + TestNames::Number(info.param.available); });

TEST(HeaderEditLayoutExtremes, HugeSpaceDoesNotOverflow)
{
    EXPECT_EQ(ComputeHeaderEditLayout(std::numeric_limits<int>::max(), 80).editWidth, 300);
    EXPECT_EQ(ComputeHeaderEditLayout(std::numeric_limits<int>::min(), 80).editWidth, 130);
}

struct WidthCase
{
    const char* name;
    double ratio;
    int expected;
};

class ThumbnailWidthTest : public ::testing::TestWithParam<WidthCase>
{
};

TEST_P(ThumbnailWidthTest, UntrustedShapesStayInsideTheRow)
{
    const WidthCase c = GetParam();
    EXPECT_EQ(SplitThumbnailImageWidth(c.ratio, 100, 600), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ThumbnailWidthTest,
                         ::testing::Values(WidthCase{"LetterPortrait", 612.0 / 792.0, 77}, WidthCase{"Zero", 0.0, 100},
                                           WidthCase{"Two", 2.0, 200}, WidthCase{"Fifty", 50.0, 600},
                                           WidthCase{"Huge", 1e300, 600},
                                           WidthCase{"Infinite", std::numeric_limits<double>::infinity(), 100},
                                           WidthCase{"NotANumber", std::nan(""), 100}, WidthCase{"Negative", -3.0, 100},
                                           WidthCase{"Tiny", 1e-9, 1}),
                         TestNames::ByName());

struct InsertCase
{
    QPoint point;
    int expected;
};

class InsertPositionTest : public ::testing::TestWithParam<InsertCase>
{
};

TEST_P(InsertPositionTest, PositionAmongTwoRows)
{
    // Row 1: cells at x 0-99 and 105-204 (y 50-149); row 2: one cell at x 0-99 (y 156-255).
    const std::vector<QRect> cells = {QRect(0, 50, 100, 100), QRect(105, 50, 100, 100), QRect(0, 156, 100, 100)};
    EXPECT_EQ(InsertPositionAmong(cells, GetParam().point), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, InsertPositionTest,
                         ::testing::Values(InsertCase{{10, 60}, 0},   // left half of the first cell
                                           InsertCase{{60, 60}, 1},   // right half of the first cell
                                           InsertCase{{102, 60}, 1},  // in the gap: before the second
                                           InsertCase{{190, 60}, 2},  // right half of the second
                                           InsertCase{{300, 60}, 2},  // right of the row: next row's cell
                                           InsertCase{{10, 45}, 0},   // above the first row
                                           InsertCase{{80, 200}, 3},  // right half of the last cell
                                           InsertCase{{300, 200}, 3}, // right of everything
                                           InsertCase{{10, 400}, 3}), // below everything
                         [](const auto& info) {
                             return "X" + TestNames::Number(info.param.point.x()) + "_Y" +
                                    TestNames::Number(info.param.point.y());
                         });

struct MoveCase
{
    int from;
    int insertAt;
    PageList expected;
};

class MovePageEntryTest : public ::testing::TestWithParam<MoveCase>
{
};

TEST_P(MovePageEntryTest, MovesOneEntry)
{
    const MoveCase c = GetParam();
    EXPECT_EQ(MovePageEntry({1, 2, 3, 4}, c.from, c.insertAt), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, MovePageEntryTest,
                         ::testing::Values(MoveCase{0, 4, {2, 3, 4, 1}}, MoveCase{3, 0, {4, 1, 2, 3}},
                                           MoveCase{1, 3, {1, 3, 2, 4}}, MoveCase{2, 1, {1, 3, 2, 4}},
                                           MoveCase{0, 99, {2, 3, 4, 1}}, // clamped position
                                           MoveCase{7, 0, {1, 2, 3, 4}}), // no such entry
                         [](const auto& info) {
                             return "From" + TestNames::Number(info.param.from) + "_To" +
                                    TestNames::Number(info.param.insertAt);
                         });

TEST(CaptionStyleTest, ShortensWhenTheCellIsNarrow)
{
    EXPECT_EQ(ChooseCaptionStyle(100, 56), CaptionStyle::Short);       // W - 44 <= width
    EXPECT_EQ(ChooseCaptionStyle(110, 56), CaptionStyle::LeftAligned); // width > W - 68
    EXPECT_EQ(ChooseCaptionStyle(124, 56), CaptionStyle::Centred);
}

// --- the card on a live session ---------------------------------------------

class SectionCardTest : public CardsFixture
{
protected:
    void SetUp() override
    {
        CardsFixture::SetUp();
        if (HasFatalFailure())
            return;
        section = Add({1, 2});
        card = Card(section);
        ASSERT_NE(card, nullptr);
        ASSERT_TRUE(card->pageRangeEdit);
        ASSERT_TRUE(card->fileNameEdit);
        window->activateWindow();
        QTest::qWaitForWindowActive(window.get());
    }

    static bool IsRed(QLineEdit* edit)
    {
        return edit->palette().color(QPalette::Text) == SplitSectionDisplay::InvalidTextColour();
    }

    void Focus(QLineEdit* edit)
    {
        edit->setFocus(Qt::MouseFocusReason);
        QApplication::processEvents();
    }

    SplitSection* section = nullptr;
    SplitSectionDisplay* card = nullptr;
};

TEST_F(SectionCardTest, NewCardIsCollapsedWithTheSectionTexts)
{
    EXPECT_FALSE(card->expanded);
    EXPECT_EQ(card->pageRangeEdit->text(), QStringLiteral("1-2"));
    EXPECT_EQ(card->fileNameEdit->text(), section->fileName);
    EXPECT_EQ(card->headerRect.height(), SplitSectionDisplay::kHeaderHeight);
    EXPECT_FALSE(IsRed(card->pageRangeEdit));
}

TEST_F(SectionCardTest, TypingAValidRangeCommitsItAtOnce)
{
    QLineEdit* edit = card->pageRangeEdit;
    Focus(edit);
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("1-3,7"));
    EXPECT_EQ(section->pages, (PageList{1, 2, 3, 7}));
    EXPECT_FALSE(IsRed(edit));
    // The edit keeps what the user typed while it has the focus.
    EXPECT_EQ(edit->text(), QStringLiteral("1-3,7"));
}

TEST_F(SectionCardTest, InvalidRangeIsRedCommitsNothingAndIsRestoredOnFocusLoss)
{
    QLineEdit* edit = card->pageRangeEdit;
    Focus(edit);
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("12"));
    EXPECT_TRUE(IsRed(edit));
    EXPECT_EQ(section->pages, (PageList{1}));  // "1" was valid on the way
    fan.codes.clear();
    QTest::keyClicks(edit, QStringLiteral("x"));
    EXPECT_TRUE(fan.codes.empty());
    Focus(card->fileNameEdit);
    EXPECT_EQ(edit->text(), QStringLiteral("1"));
    EXPECT_FALSE(IsRed(edit));
    EXPECT_EQ(section->pages, (PageList{1}));
}

TEST_F(SectionCardTest, HugeRangeIsRefusedAtOnce)
{
    QLineEdit* edit = card->pageRangeEdit;
    Focus(edit);
    edit->setText(QStringLiteral("1-2000000000"));
    EXPECT_TRUE(IsRed(edit));
    EXPECT_EQ(section->pages, (PageList{1, 2}));
}

TEST_F(SectionCardTest, ClearingTheRangeLeavesAnEmptySection)
{
    Focus(card->pageRangeEdit);
    card->pageRangeEdit->clear();
    EXPECT_TRUE(section->pages.empty());
    EXPECT_TRUE(app->HasSection(section));
    EXPECT_TRUE(card->thumbnails.empty());
}

TEST_F(SectionCardTest, InvalidFileNamesAreRedAndNotCommitted)
{
    const QString original = section->fileName;
    QLineEdit* edit = card->fileNameEdit;
    Focus(edit);
    // Also names over 255 bytes of UTF-8, as they are or once ".pdf" is added.
    for (const QString& bad : {QStringLiteral("a:b.pdf"), QStringLiteral("..."), QStringLiteral("con.pdf"),
                               QStringLiteral("x\"y"), QString(256, QLatin1Char('n')),
                               QString(126, QChar(0x0416)) + QStringLiteral(".pdf"), QString(252, QLatin1Char('n'))}) {
        edit->setText(bad);
        EXPECT_TRUE(IsRed(edit)) << bad.toStdString();
        EXPECT_EQ(section->fileName, original) << bad.toStdString();
    }
    edit->setText(QStringLiteral("part one.pdf"));
    EXPECT_FALSE(IsRed(edit));
    EXPECT_EQ(section->fileName, QStringLiteral("part one.pdf"));
    edit->setText(QStringLiteral("bad|name"));
    Focus(card->pageRangeEdit);
    EXPECT_EQ(edit->text(), QStringLiteral("part one.pdf"));
}

TEST_F(SectionCardTest, PagesChangedElsewhereRefreshTheTextAndThumbnails)
{
    Expand(card);
    app->SetSectionPages(section, {4, 4, 9});
    EXPECT_EQ(card->pageRangeEdit->text(), QStringLiteral("4,4,9"));
    ASSERT_EQ(card->thumbnails.size(), 3u);
    EXPECT_EQ(card->thumbnails[1]->pageNumber, 4);
    EXPECT_EQ(card->hotPage, 0);
}

TEST_F(SectionCardTest, ExpandingShowsThumbnailsWithRemoveButtons)
{
    Expand(card);
    ASSERT_EQ(card->thumbnails.size(), 2u);
    for (const auto& t : card->thumbnails) {
        EXPECT_FALSE(t->cellRect.isEmpty());
        EXPECT_TRUE(t->removePageButton);
    }
    EXPECT_GT(card->CardRect().height(), SplitSectionDisplay::kHeaderHeight);
    QTest::mouseClick(card->toggleButton, Qt::LeftButton);
    EXPECT_FALSE(card->expanded);
    for (const auto& t : card->thumbnails)
        EXPECT_FALSE(t->removePageButton);
}

// Pages of extreme shapes keep their remove button inside their own cell.
TEST_F(CardsFixture, RemoveButtonsStayInsideTheCellsOfExtremePages)
{
    std::vector<PdfFixtures::PageDesign> pages(3);
    pages[0].width = 8;    // a thin strip: 1:99, about the thinnest shape kept
    pages[1].width = 8000; // a long banner, wider than the row
    const QString path = dir.filePath(QStringLiteral("shapes.pdf"));
    ASSERT_TRUE(PdfFixtures::WritePdf(path, pages));
    ASSERT_TRUE(app->OpenDocument(path));
    SplitSection* section = Add({1, 2, 3});
    SplitSectionDisplay* card = Card(section);
    ASSERT_NE(card, nullptr);
    Expand(card);
    ASSERT_EQ(card->thumbnails.size(), 3u);
    for (const auto& t : card->thumbnails) {
        SCOPED_TRACE(t->pageNumber);
        ASSERT_TRUE(t->removePageButton);
        const QRect button = t->removePageButton->geometry().translated(0, split->ScrollPos());
        EXPECT_TRUE(t->cellRect.contains(button)) << t->cellRect.width();
        EXPECT_TRUE(t->cellRect.contains(t->ImageRect()));
        EXPECT_LE(RightOf(t->cellRect), RightOf(card->CardRect()));
    }
    // The strip keeps its shape: a narrow image centred in its cell.
    const auto& strip = card->thumbnails[0];
    EXPECT_LT(strip->ImageRect().width(), kMinThumbnailImageWidth);
    EXPECT_LE(std::abs(strip->ImageRect().center().x() - strip->cellRect.center().x()), 1);
}

// At a device pixel ratio of 2 the image frame's top line lies wholly in its
// own logical row, below the remove button, which would otherwise cover its
// upper half.
TEST_F(SectionCardTest, FrameTopLineStaysBelowTheRemoveButtonAtRatio2)
{
    Expand(card);
    SplitPageDisplay* thumb = card->thumbnails[0].get();
    ASSERT_TRUE(thumb->removePageButton);
    const QRect cell = thumb->cellRect;
    const int buttonBottom = thumb->removePageButton->geometry().translated(0, split->ScrollPos()).bottom();
    const int frameTop = thumb->ImageRect().top() - 1;
    ASSERT_GT(frameTop, buttonBottom);

    QImage image(cell.size() * 2, QImage::Format_RGB32);
    image.setDevicePixelRatio(2);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.translate(-cell.topLeft());
        thumb->DrawThumbnail(painter, false);
    }
    const QColor frame(51, 51, 51);
    const int x = 2 * (thumb->ImageRect().center().x() - cell.left());
    const int row = 2 * (frameTop - cell.top());
    EXPECT_EQ(image.pixelColor(x, row).rgb(), frame.rgb());
    EXPECT_EQ(image.pixelColor(x, row + 1).rgb(), frame.rgb());
    EXPECT_NE(image.pixelColor(x, row - 1).rgb(), frame.rgb()) << "drawn into the button's last row";
}

TEST_F(SectionCardTest, RemovePageButtonRemovesAfterTheHandlerReturns)
{
    Expand(card);
    QPointer<CNiceMFCButton> button = card->thumbnails[0]->removePageButton;
    ASSERT_TRUE(button);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(section->pages, (PageList{1, 2})); // posted, not yet carried out
    QApplication::processEvents();
    EXPECT_EQ(section->pages, (PageList{2}));
    // A single page has no remove button.
    ASSERT_EQ(Card(section)->thumbnails.size(), 1u);
    EXPECT_FALSE(Card(section)->thumbnails[0]->removePageButton);
}

TEST_F(SectionCardTest, RemoveSectionButtonRemovesAfterTheHandlerReturns)
{
    ASSERT_TRUE(card->removeSectionButton);
    QTest::mouseClick(card->removeSectionButton, Qt::LeftButton);
    EXPECT_TRUE(app->HasSection(section));
    QApplication::processEvents();
    EXPECT_FALSE(app->HasSection(section));
    EXPECT_TRUE(split->Boxes().empty());
}

TEST_F(SectionCardTest, StaleRemovalRequestsAreIgnored)
{
    SplitSection* other = Add({5, 6, 7});
    split->PostRemovePage(section, 0);
    split->PostRemoveSplit(section);
    split->PostRemovePage(other, 3);   // index past the end
    split->PostRemovePage(other, -1);
    app->RemoveSection(section);       // the section goes before the requests run
    QApplication::processEvents();
    ASSERT_TRUE(app->HasSection(other));
    EXPECT_EQ(other->pages, (PageList{5, 6, 7}));
    EXPECT_EQ(app->Sections().size(), 1u);
}

TEST_F(SectionCardTest, RemovingTheOnlyPageLeavesAnEmptySection)
{
    app->SetSectionPages(section, {3});
    Expand(card);
    split->PostRemovePage(section, 0);
    QApplication::processEvents();
    ASSERT_TRUE(app->HasSection(section));
    EXPECT_TRUE(section->pages.empty());
    ASSERT_EQ(Card(section), card);
    EXPECT_TRUE(card->thumbnails.empty());
    EXPECT_TRUE(card->pageRangeEdit->text().isEmpty());
}

TEST_F(SectionCardTest, ContextMenuRemovesTheClickedPage)
{
    Expand(card);
    bool removeEnabled = false;
    auto previous = CBaseAreaView::SetPopupHandler([&](QMenu* popup, const QPoint&) {
        for (QAction* action : popup->actions())
            if (action->data().toInt() == ID_REMOVE_PAGE_FROM_SPLIT)
                removeEnabled = action->isEnabled();
        return int(ID_REMOVE_PAGE_FROM_SPLIT);
    });
    const QRect cell = card->thumbnails[1]->cellRect;
    const QPoint client(cell.center().x(), cell.center().y() - split->ScrollPos());
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, client, split->viewport()->mapToGlobal(client));
    QApplication::sendEvent(split->viewport(), &menuEvent);
    QApplication::processEvents();
    CBaseAreaView::SetPopupHandler(std::move(previous));
    EXPECT_TRUE(removeEnabled);
    EXPECT_EQ(section->pages, (PageList{1}));
}

TEST_F(SectionCardTest, ContextMenuGreysPageRemovalForASinglePage)
{
    app->SetSectionPages(section, {3});
    bool removeEnabled = true;
    int shown = 0;
    auto previous = CBaseAreaView::SetPopupHandler([&](QMenu* popup, const QPoint&) {
        ++shown;
        for (QAction* action : popup->actions())
            if (action->data().toInt() == ID_REMOVE_PAGE_FROM_SPLIT)
                removeEnabled = action->isEnabled();
        return int(ID_REMOVE_PAGE_FROM_SPLIT);
    });
    const QPoint client = HeaderPoint(card);
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, client, split->viewport()->mapToGlobal(client));
    QApplication::sendEvent(split->viewport(), &menuEvent);
    QApplication::processEvents();
    CBaseAreaView::SetPopupHandler(std::move(previous));
    EXPECT_EQ(shown, 1);
    EXPECT_FALSE(removeEnabled);
    EXPECT_EQ(section->pages, (PageList{3}));
}

TEST_F(SectionCardTest, RenumberingUpdatesTheDefaultName)
{
    SplitSection* second = Add({3});
    const QString firstName = section->fileName;
    app->RemoveSection(section);
    EXPECT_EQ(second->number, 1);
    EXPECT_EQ(Card(second)->fileNameEdit->text(), second->fileName);
    EXPECT_EQ(second->fileName, firstName);
}

} // namespace
