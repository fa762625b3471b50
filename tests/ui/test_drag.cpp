// Page drags in the split area: between cards (move, and copy with Ctrl),
// within a card, from the input area, and drags that end without a drop.
#include "test_drag_fixture.h"

#include "session/EventNotify.h"
#include "ui/PageDragInfo.h"

#include <QKeyEvent>

#include <limits>

namespace {

class DragTest : public CardsFixture
{
protected:
    void SetUp() override
    {
        CardsFixture::SetUp();
        if (HasFatalFailure())
            return;
        a = Add({1, 2, 3});
        b = Add({7, 8});
        Expand(Card(a));
        Expand(Card(b));
    }

    // Presses on page `page` of the document card and lets the split area
    // take the drag over, as a press on a thumbnail of the input area does.
    void PressInputPage(int page)
    {
        InputAreaDocDisplay* doc = input->DocumentCard();
        ASSERT_NE(doc, nullptr);
        const QRect r = doc->thumbnails[std::size_t(page - 1)]->imageRect;
        const QPoint client(r.center().x(), r.center().y() - input->ScrollPos());
        QCursor::setPos(input->viewport()->mapToGlobal(client));
        QTest::mousePress(input->viewport(), Qt::LeftButton, {}, client);
    }

    SplitSection* a = nullptr;
    SplitSection* b = nullptr;
};

TEST_F(DragTest, MoveBetweenCardsTakesThePageOutOfTheSource)
{
    DragInSplit(ThumbPoint(Card(a), 2), BeforeThumbPoint(Card(b), 2));
    EXPECT_EQ(a->pages, (PageList{1, 3}));
    EXPECT_EQ(b->pages, (PageList{7, 2, 8}));
    EXPECT_FALSE(split->IsDragging());
    EXPECT_EQ(split->DropTargetCard(), nullptr);
}

TEST_F(DragTest, CtrlTurnsTheMoveIntoACopy)
{
    DragInSplit(ThumbPoint(Card(a), 2), BeforeThumbPoint(Card(b), 1), Qt::ControlModifier);
    EXPECT_EQ(a->pages, (PageList{1, 2, 3}));
    EXPECT_EQ(b->pages, (PageList{2, 7, 8}));
}

TEST_F(DragTest, MoveWithinTheCardReorders)
{
    // Page 1 dropped behind page 3.
    const QRect last = Card(a)->thumbnails[2]->cellRect;
    const QPoint behindLast(last.right() - 2, last.center().y() - split->ScrollPos());
    DragInSplit(ThumbPoint(Card(a), 1), behindLast);
    EXPECT_EQ(a->pages, (PageList{2, 3, 1}));
}

TEST_F(DragTest, DropOnItsOwnPositionIsNotOfferedAndChangesNothing)
{
    SplitSectionDisplay* card = Card(a);
    const QPoint from = ThumbPoint(card, 2);
    PressSplit(from);
    ASSERT_TRUE(split->IsDragging());
    MoveSplit(from + QPoint(4, 0));
    EXPECT_EQ(split->DropTargetCard(), nullptr);
    EXPECT_FALSE(card->InsertionMarkRect().has_value());
    MoveSplit(BeforeThumbPoint(card, 2));
    EXPECT_EQ(split->DropTargetCard(), nullptr);
    ReleaseSplit(BeforeThumbPoint(card, 2));
    EXPECT_EQ(a->pages, (PageList{1, 2, 3}));
    EXPECT_EQ(b->pages, (PageList{7, 8}));
}

TEST_F(DragTest, DropOutsideEveryCardLosesNothing)
{
    const QPoint below(40, split->viewport()->height() - 5);
    ASSERT_EQ(split->FindCardAt(QPoint(below.x(), below.y() + split->ScrollPos()), true).card, nullptr);
    DragInSplit(ThumbPoint(Card(a), 1), below);
    EXPECT_EQ(a->pages, (PageList{1, 2, 3}));
    EXPECT_EQ(b->pages, (PageList{7, 8}));
    EXPECT_FALSE(split->IsDragging());
}

TEST_F(DragTest, MovingTheLastPageOutRemovesTheSourceSectionAfterwards)
{
    SplitSection* single = Add({5});
    Expand(Card(single));
    DragInSplit(ThumbPoint(Card(single), 1), BeforeThumbPoint(Card(a), 1));
    QApplication::processEvents();
    EXPECT_FALSE(app->HasSection(single));
    EXPECT_EQ(a->pages, (PageList{5, 1, 2, 3}));
    EXPECT_EQ(Card(single), nullptr);
}

TEST_F(DragTest, EscapeCancelsTheDrag)
{
    PressSplit(ThumbPoint(Card(a), 1));
    MoveSplit(BeforeThumbPoint(Card(b), 1));
    ASSERT_EQ(split->DropTargetCard(), Card(b));
    QTest::keyClick(split, Qt::Key_Escape);
    EXPECT_FALSE(split->IsDragging());
    EXPECT_FALSE(Card(b)->InsertionMarkRect().has_value());
    ReleaseSplit(BeforeThumbPoint(Card(b), 1));
    EXPECT_EQ(a->pages, (PageList{1, 2, 3}));
    EXPECT_EQ(b->pages, (PageList{7, 8}));
}

TEST_F(DragTest, FrameDeactivationCancelsTheDrag)
{
    PressSplit(ThumbPoint(Card(a), 1));
    MoveSplit(BeforeThumbPoint(Card(b), 1));
    app->Notify(EVENT_FRAME_DEACTIVATED, 0);
    EXPECT_FALSE(split->IsDragging());
    ReleaseSplit(BeforeThumbPoint(Card(b), 1));
    EXPECT_EQ(a->pages, (PageList{1, 2, 3}));
    EXPECT_EQ(b->pages, (PageList{7, 8}));
}

TEST_F(DragTest, CtrlKeyUpdatesTheTargetWithoutAMouseMove)
{
    // Over its own position a move is refused; holding Ctrl makes it a copy
    // that is accepted there, and releasing Ctrl refuses it again.
    SplitSectionDisplay* card = Card(a);
    const QPoint from = ThumbPoint(card, 2);
    PressSplit(from);
    MoveSplit(from + QPoint(4, 0));
    ASSERT_EQ(split->DropTargetCard(), nullptr);
    QTest::keyPress(split, Qt::Key_Control);
    EXPECT_EQ(split->DropTargetCard(), card);
    EXPECT_TRUE(card->InsertionMarkRect().has_value());
    QTest::keyRelease(split, Qt::Key_Control);
    EXPECT_EQ(split->DropTargetCard(), nullptr);
    ReleaseSplit(from + QPoint(4, 0));
    EXPECT_EQ(a->pages, (PageList{1, 2, 3}));
}

TEST_F(DragTest, ClearAllMidDragEndsTheDragFirst)
{
    PressSplit(ThumbPoint(Card(a), 2));
    MoveSplit(BeforeThumbPoint(Card(b), 1));
    ASSERT_EQ(split->DropTargetCard(), Card(b));
    app->ClearAllSections();
    EXPECT_FALSE(split->IsDragging());
    EXPECT_EQ(split->DropTargetCard(), nullptr);
    EXPECT_EQ(split->DragSourceCard(), nullptr);
    EXPECT_TRUE(split->Boxes().empty());
    // The button comes up over where the cards were.
    MoveSplit(QPoint(50, 60));
    ReleaseSplit(QPoint(50, 60));
    EXPECT_TRUE(app->Sections().empty());
}

TEST_F(DragTest, RemovingTheSourceSectionMidDragLosesNoOtherPage)
{
    PressSplit(ThumbPoint(Card(a), 2));
    MoveSplit(BeforeThumbPoint(Card(b), 1));
    app->RemoveSection(a);
    EXPECT_FALSE(split->IsDragging());
    ReleaseSplit(BeforeThumbPoint(Card(b), 1));
    ASSERT_TRUE(app->HasSection(b));
    EXPECT_EQ(b->pages, (PageList{7, 8}));
}

TEST_F(DragTest, ClosingTheDocumentMidDragFromTheInputArea)
{
    PressInputPage(4);
    ASSERT_TRUE(split->IsDragging());
    MoveSplit(HeaderPoint(Card(b)));
    app->CloseDocument();
    EXPECT_FALSE(split->IsDragging());
    ReleaseSplit(QPoint(20, 20));
    EXPECT_TRUE(split->Boxes().empty());
    EXPECT_EQ(input->DocumentCard(), nullptr);
}

TEST_F(DragTest, ZoomDuringADragKeepsTheDropSound)
{
    PressSplit(ThumbPoint(Card(a), 3));
    MoveSplit(BeforeThumbPoint(Card(b), 1));
    app->thumbnailSize = 160;
    app->Notify(EVENT_PAGE_SIZE_CHANGED, 0);
    MoveSplit(BeforeThumbPoint(Card(b), 1) + QPoint(1, 0));
    ReleaseSplit(BeforeThumbPoint(Card(b), 1) + QPoint(1, 0));
    EXPECT_EQ(a->pages, (PageList{1, 2}));
    EXPECT_EQ(b->pages, (PageList{3, 7, 8}));
}

TEST_F(DragTest, PageFromTheInputAreaIsCopiedToTheCardUnderThePointer)
{
    PressInputPage(4);
    ASSERT_TRUE(split->IsDragging());
    EXPECT_EQ(split->DragPageNumber(), 4);
    MoveSplit(BeforeThumbPoint(Card(b), 2));
    EXPECT_EQ(split->DropTargetCard(), Card(b));
    ReleaseSplit(BeforeThumbPoint(Card(b), 2));
    EXPECT_EQ(b->pages, (PageList{7, 4, 8}));
    EXPECT_EQ(a->pages, (PageList{1, 2, 3}));
    // The page is now placed: its mark on the document card turns green.
    EXPECT_TRUE(input->DocumentCard()->thumbnails[3]->inSection);
}

TEST_F(DragTest, OutOfRangeDragRecordIsClampedToASaneImage)
{
    QImage page(50, 70, QImage::Format_RGB32);
    page.fill(Qt::gray);
    PageDragInfo record;
    record.pageNumber = 4;
    record.image = &page;
    record.width = std::numeric_limits<std::int32_t>::max();
    record.height = -7;
    record.offsetX = std::numeric_limits<std::int32_t>::min();
    record.offsetY = std::numeric_limits<std::int32_t>::max();
    const QPoint at = BeforeThumbPoint(Card(b), 2);
    QCursor::setPos(split->viewport()->mapToGlobal(at));
    app->Notify(EVENT_PAGE_DRAG_STARTED, reinterpret_cast<std::uintptr_t>(&record));
    ASSERT_TRUE(split->IsDragging());
    const QWidget* image = split->DragImageWidget();
    ASSERT_NE(image, nullptr);
    EXPECT_GE(image->width(), 1);
    EXPECT_LE(image->width(), CBaseAreaView::kMaxDragImageSide);
    EXPECT_GE(image->height(), 1);
    EXPECT_LE(image->height(), CBaseAreaView::kMaxDragImageSide);
    // Moving the image by its hotspot stays in range.
    MoveSplit(at + QPoint(1, 0));
    ReleaseSplit(at + QPoint(1, 0));
    EXPECT_EQ(b->pages, (PageList{7, 4, 8}));
}

TEST_F(DragTest, DropOnACollapsedCardAppends)
{
    SplitSection* c = Add({9});
    ASSERT_FALSE(Card(c)->expanded);
    DragInSplit(ThumbPoint(Card(a), 1), HeaderPoint(Card(c)));
    EXPECT_EQ(c->pages, (PageList{9, 1}));
    EXPECT_EQ(a->pages, (PageList{2, 3}));
}

TEST_F(DragTest, ExpandedEmptyCardAcceptsADropWithoutABar)
{
    SplitSection* empty = Add({});
    Expand(Card(empty));
    const QRect cardRect = Card(empty)->CardRect();
    const QPoint below(cardRect.center().x(), cardRect.bottom() - 2 - split->ScrollPos());
    PressSplit(ThumbPoint(Card(a), 1));
    MoveSplit(below);
    EXPECT_EQ(split->DropTargetCard(), Card(empty));
    EXPECT_FALSE(Card(empty)->InsertionMarkRect().has_value());
    ReleaseSplit(below);
    EXPECT_EQ(empty->pages, (PageList{1}));
}

using NoSectionDragTest = CardsFixture;

TEST_F(NoSectionDragTest, DragFromTheInputAreaIsIgnoredWithoutSections)
{
    InputAreaDocDisplay* doc = input->DocumentCard();
    ASSERT_NE(doc, nullptr);
    const QRect r = doc->thumbnails[0]->imageRect;
    QTest::mousePress(input->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_FALSE(split->IsDragging());
    QTest::mouseRelease(input->viewport(), Qt::LeftButton, {}, r.center());
}

} // namespace
