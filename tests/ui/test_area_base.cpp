// The scrolling card area: layout and scroll bar, scroll requests, child
// control ids and dispatch, hover, context menus and page drags.
#include "common/TestNames.h"
#include "ui/BaseDisplayBox.h"
#include "ui/CBaseAreaView.h"
#include "ui/CNiceMFCButton.h"

#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <QWheelEvent>
#include <QApplication>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace
{

// A card of fixed height stacked by the test area.
class FakeBox : public BaseDisplayBox
{
public:
    FakeBox(CBaseAreaView* owner, const void* key, int height) : BaseDisplayBox(owner, key), height(height) {}

    void Draw(QPainter&, const QRect& clip) override { lastClip = clip; ++draws; }
    void SetVisibleArea(const QRect& visible) override { lastVisible = visible; ++visibleCalls; }
    void Invalidate(const QRect& r) override { owner->InvalidateContentRect(r & rect, false); }
    void OnChildCommand(int id) override { commands.push_back(id); }
    void OnChildTextChanged(int id) override { textChanges.push_back(id); }
    void OnChildFocusLost(int id) override { focusLost.push_back(id); }
    bool HitTest(int x, int y) override
    {
        lastHit = QPoint(x, y);
        return rect.contains(x, y);
    }
    std::optional<QCursor> SetHover(bool over, const QRect&) override
    {
        hovered = over;
        return std::nullopt;
    }
    int ContextMenuAt(int x, int y, std::uintptr_t& cookie) override
    {
        if (!claimAll && !rect.contains(x, y))
            return 0;
        cookie = cookieValue;
        return menuId;
    }
    void PrepareContextMenu(QMenu* popup, std::uintptr_t cookie) override
    {
        preparedItems = popup ? int(popup->actions().size()) : -1;
        preparedCookie = cookie;
    }
    void OnContextCommand(int command, std::uintptr_t cookie) override
    {
        chosen.push_back(command);
        chosenCookie = cookie;
    }

    int height;
    QRect rect;
    QRect lastClip;
    QRect lastVisible;
    QPoint lastHit{-1, -1};
    int draws = 0;
    int visibleCalls = 0;
    bool hovered = false;
    int menuId = 327;
    bool claimAll = false;
    std::uintptr_t cookieValue = 0;
    int preparedItems = 0;
    std::uintptr_t preparedCookie = 0;
    std::uintptr_t chosenCookie = 0;
    std::vector<int> commands, textChanges, focusLost, chosen;
};

// An area stacking FakeBox cards from the top of the adjusted rectangle.
class TestArea : public CBaseAreaView
{
public:
    using CBaseAreaView::CBaseAreaView;

    FakeBox* Add(int height)
    {
        keys.push_back(std::make_unique<int>(int(keys.size())));
        auto box = std::make_unique<FakeBox>(this, keys.back().get(), height);
        FakeBox* raw = box.get();
        AddBox(std::move(box));
        RelayoutAndRepaint();
        return raw;
    }
    void AdjustClientRect(QRect& r) override { r.adjust(3, 3, -3, -3); }
    int ArrangeBoxes(const QRect& r) override
    {
        int y = 0;
        for (const auto& b : Boxes())
        {
            auto* f = static_cast<FakeBox*>(b.get());
            f->rect = QRect(r.left(), y, r.width(), f->height);
            y += f->height;
        }
        lastArrangeWidth = r.width();
        return y;
    }
    bool HasContent() override { return content; }
    bool CanStartDrag(int x, int y) override
    {
        askedDragAt = QPoint(x, y);
        if (!allowDrag)
            return false;
        QImage img(40, 60, QImage::Format_RGB32);
        img.fill(Qt::white);
        SetDragImage(&img, 40, 60);
        return true;
    }
    void OnDragMoved() override { ++dragMoves; }
    void EndDrag(bool cancelled) override
    {
        if (IsDragging())
            endings.push_back(cancelled);
        CBaseAreaView::EndDrag(cancelled);
    }
    void SetImage(const QImage* img, int w, int h) { SetDragImage(img, w, h); }
    void Begin(const QPoint& contentPoint)
    {
        dragPoint = contentPoint;
        BeginDrag();
    }

    std::vector<std::unique_ptr<int>> keys;
    bool content = true;
    bool allowDrag = false;
    QPoint askedDragAt{-1, -1};
    int dragMoves = 0;
    int lastArrangeWidth = 0;
    std::vector<bool> endings;
};

class AreaBaseTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        area = std::make_unique<TestArea>();
        area->resize(300, 206); // adjusted client rectangle: 294 x 200
        area->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(area.get()));
    }
    void TearDown() override
    {
        CBaseAreaView::SetPopupHandler({});
        area.reset();
    }
    int ClientHeight() const { return area->viewport()->height(); }

    std::unique_ptr<TestArea> area;
};

TEST_F(AreaBaseTest, EmptyAreaHasNoScrollBar)
{
    area->RelayoutAndRepaint();
    EXPECT_FALSE(area->IsScrollBarShown());
    EXPECT_EQ(area->ScrollPos(), 0);
    EXPECT_EQ(area->ContentHeight(), 0);
    EXPECT_EQ(area->LineStep(), 10);
}

struct BarCase
{
    int contentHeight;
    bool barShown;
};

class AreaScrollBarTest : public AreaBaseTest, public ::testing::WithParamInterface<BarCase>
{
};

TEST_P(AreaScrollBarTest, BarShownOnlyWhenContentExceedsAdjustedHeight)
{
    area->Add(GetParam().contentHeight);
    EXPECT_EQ(area->IsScrollBarShown(), GetParam().barShown);
    EXPECT_EQ(area->verticalScrollBar()->isVisible(), GetParam().barShown);
    EXPECT_EQ(area->ContentHeight(), GetParam().contentHeight);
    if (GetParam().barShown)
    {
        // The cards were laid out in the narrower rectangle.
        const int barWidth = area->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        EXPECT_EQ(area->lastArrangeWidth, 300 - barWidth - 6);
    }
    else
    {
        EXPECT_EQ(area->lastArrangeWidth, 294);
    }
}

INSTANTIATE_TEST_SUITE_P(Heights, AreaScrollBarTest,
                         ::testing::Values(BarCase{200, false}, BarCase{201, true}, BarCase{50, false},
                                           BarCase{5000, true}),
                         [](const auto& info) { return "Content" + TestNames::Number(info.param.contentHeight); });

TEST_F(AreaBaseTest, BarHidesAgainWhenContentShrinks)
{
    FakeBox* box = area->Add(900);
    ASSERT_TRUE(area->IsScrollBarShown());
    area->OnVScroll(CBaseAreaView::SB_PAGEDOWN);
    ASSERT_GT(area->ScrollPos(), 0);
    box->height = 100;
    area->RelayoutAndRepaint();
    EXPECT_FALSE(area->IsScrollBarShown());
    EXPECT_EQ(area->ScrollPos(), 0);
}

struct LineStepCase
{
    int adjustedHeight;
    int lineStep;
};

class AreaLineStepTest : public AreaBaseTest, public ::testing::WithParamInterface<LineStepCase>
{
};

TEST_P(AreaLineStepTest, LineIsOneTwentiethOfAdjustedHeight)
{
    area->resize(300, GetParam().adjustedHeight + 6);
    area->RelayoutAndRepaint();
    EXPECT_EQ(area->LineStep(), GetParam().lineStep);
}

INSTANTIATE_TEST_SUITE_P(Heights, AreaLineStepTest,
                         ::testing::Values(LineStepCase{100, 5}, LineStepCase{19, 0}, LineStepCase{200, 10},
                                           LineStepCase{39, 1}),
                         [](const auto& info) { return "Adjusted" + TestNames::Number(info.param.adjustedHeight); });

struct ScrollCase
{
    const char* name;
    int start;   // starting position (clamped by the test)
    int request;
    int thumb;
    int expected; // -1: contentHeight - client height
};

class AreaScrollRequestTest : public AreaBaseTest, public ::testing::WithParamInterface<ScrollCase>
{
};

TEST_P(AreaScrollRequestTest, RequestMovesWithinBounds)
{
    area->Add(1000);
    const int maxPos = area->ContentHeight() - ClientHeight();
    area->OnVScroll(CBaseAreaView::SB_THUMBPOSITION, std::min(GetParam().start, maxPos));
    area->OnVScroll(GetParam().request, GetParam().thumb);
    const int expected = GetParam().expected < 0 ? maxPos : GetParam().expected;
    EXPECT_EQ(area->ScrollPos(), expected) << GetParam().name;
    EXPECT_EQ(area->verticalScrollBar()->value(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, AreaScrollRequestTest,
    ::testing::Values(ScrollCase{"line down", 0, CBaseAreaView::SB_LINEDOWN, 0, 10},
                      ScrollCase{"line up at top", 0, CBaseAreaView::SB_LINEUP, 0, 0},
                      ScrollCase{"page down from top", 0, CBaseAreaView::SB_PAGEDOWN, 0, 206 - 20},
                      ScrollCase{"page down near end", 700, CBaseAreaView::SB_PAGEDOWN, 0, -1},
                      ScrollCase{"page up near top", 50, CBaseAreaView::SB_PAGEUP, 0, 0},
                      ScrollCase{"bottom does not move", 100, CBaseAreaView::SB_BOTTOM, 0, 100},
                      ScrollCase{"end scroll does not move", 100, CBaseAreaView::SB_ENDSCROLL, 0, 100},
                      ScrollCase{"top", 300, CBaseAreaView::SB_TOP, 0, 0},
                      ScrollCase{"thumb past end", 0, CBaseAreaView::SB_THUMBTRACK, 5000, -1},
                      ScrollCase{"thumb negative", 100, CBaseAreaView::SB_THUMBTRACK, -40, 0}),
    [](const auto& info) {
        std::string n = info.param.name;
        for (char& c : n)
            if (!isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return n;
    });

TEST_F(AreaBaseTest, ContentBetweenAdjustedAndClientHeightShowsBarThatDoesNotScroll)
{
    area->Add(ClientHeight() - 2); // taller than 200, not taller than 206
    ASSERT_TRUE(area->IsScrollBarShown());
    area->OnVScroll(CBaseAreaView::SB_LINEDOWN);
    area->OnVScroll(CBaseAreaView::SB_PAGEDOWN);
    EXPECT_EQ(area->ScrollPos(), 0);
}

TEST_F(AreaBaseTest, ScrollingTellsCardsTheVisibleContentRectangle)
{
    FakeBox* box = area->Add(1000);
    area->OnVScroll(CBaseAreaView::SB_LINEDOWN);
    EXPECT_EQ(box->lastVisible.top(), 3 + area->LineStep());
    EXPECT_EQ(box->lastVisible.height(), 200);
}

TEST_F(AreaBaseTest, ScrollBarActionsFollowTheAreaRules)
{
    area->Add(1000);
    area->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(area->ScrollPos(), ClientHeight() - 20);
    area->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(area->ScrollPos(), ClientHeight() - 20 - area->LineStep());
}

// The wheel over the scroll bar moves one line per turn, as over the content,
// whatever the size of the turn.
TEST_F(AreaBaseTest, WheelOverTheScrollBarScrollsOneLine)
{
    area->Add(1000);
    QScrollBar* bar = area->verticalScrollBar();
    ASSERT_TRUE(bar->isVisible());
    auto wheel = [&](int delta) {
        const QPoint at(bar->width() / 2, bar->height() / 2);
        QWheelEvent e(at, bar->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(bar, &e);
        return e.isAccepted();
    };
    EXPECT_TRUE(wheel(-120));
    EXPECT_EQ(area->ScrollPos(), area->LineStep());
    EXPECT_TRUE(wheel(-720));
    EXPECT_EQ(area->ScrollPos(), 2 * area->LineStep());
    EXPECT_TRUE(wheel(120));
    EXPECT_EQ(area->ScrollPos(), area->LineStep());
    EXPECT_EQ(bar->value(), area->LineStep());
}

TEST_F(AreaBaseTest, PaintingHandsCardsTheClipInContentCoordinates)
{
    FakeBox* box = area->Add(1000);
    area->OnVScroll(CBaseAreaView::SB_THUMBPOSITION, 120);
    box->draws = 0;
    area->viewport()->repaint(0, 10, 50, 20);
    ASSERT_GT(box->draws, 0);
    EXPECT_TRUE(box->lastClip.contains(QRect(0, 130, 50, 20))) << box->lastClip.y();
}

// --- child controls ----------------------------------------------------------

TEST_F(AreaBaseTest, ChildControlIdsAreReusedLowestFirstAfterRemoval)
{
    FakeBox* a = area->Add(50);
    FakeBox* b = area->Add(50);
    FakeBox* c = area->Add(50);
    QPointer<CNiceMFCButton> a1, b1, b2, c1;
    ASSERT_TRUE(a->CreateButton(a1, QRect(0, 0, 20, 20), 0, Qt::white, 0, true));
    ASSERT_TRUE(b->CreateButton(b1, QRect(0, 0, 20, 20), 1, Qt::white, 0, false));
    ASSERT_TRUE(b->CreateButton(b2, QRect(0, 0, 20, 20), 2, Qt::white, 0, false));
    ASSERT_TRUE(c->CreateButton(c1, QRect(0, 0, 20, 20), 0, Qt::white, 0, false));
    EXPECT_EQ(CBaseAreaView::ControlIdOf(a1), 100);
    EXPECT_EQ(CBaseAreaView::ControlIdOf(b1), 101);
    EXPECT_EQ(CBaseAreaView::ControlIdOf(b2), 102);
    EXPECT_EQ(CBaseAreaView::ControlIdOf(c1), 103);

    area->RemoveBox(b->key);
    ASSERT_EQ(area->ChildControlOwners().size(), 4u);
    EXPECT_EQ(area->ChildControlOwners()[1], nullptr);
    EXPECT_EQ(area->ChildControlOwners()[2], nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(b1.isNull());
    EXPECT_TRUE(b2.isNull());

    QPointer<CNiceMFCButton> n1, n2;
    ASSERT_TRUE(c->CreateButton(n1, QRect(0, 0, 20, 20), 0, Qt::white, 0, false));
    ASSERT_TRUE(c->CreateButton(n2, QRect(0, 0, 20, 20), 0, Qt::white, 0, false));
    EXPECT_EQ(CBaseAreaView::ControlIdOf(n1), 101);
    EXPECT_EQ(CBaseAreaView::ControlIdOf(n2), 102);
}

TEST_F(AreaBaseTest, RemovingTheLastOwnersTrimsTheTable)
{
    FakeBox* a = area->Add(50);
    FakeBox* b = area->Add(50);
    QPointer<CNiceMFCButton> a1, b1, b2;
    a->CreateButton(a1, QRect(), 0, Qt::white, 0, false);
    b->CreateButton(b1, QRect(), 0, Qt::white, 0, false);
    b->CreateButton(b2, QRect(), 0, Qt::white, 0, false);
    area->UnregisterChildControl(b1); // middle entry: stays as an empty slot
    EXPECT_EQ(area->ChildControlOwners().size(), 3u);
    area->RemoveBox(b->key);
    EXPECT_EQ(area->ChildControlOwners().size(), 1u);
    area->UnregisterChildControl(a1);
    EXPECT_TRUE(area->ChildControlOwners().empty());
}

TEST_F(AreaBaseTest, ChildControlsReachTheirCard)
{
    FakeBox* a = area->Add(80);
    QPointer<CNiceMFCButton> button;
    QPointer<QLineEdit> edit;
    ASSERT_TRUE(a->CreateButton(button, QRect(5, 5, 20, 20), 0, Qt::white, 223, true));
    ASSERT_TRUE(a->CreateEdit(edit, QRect(30, 5, 120, 22), QStringLiteral("1-3"), 10));
    EXPECT_TRUE(a->textChanges.empty()) << "creating the field reports no change";
    EXPECT_EQ(edit->text(), QStringLiteral("1-3"));
    EXPECT_EQ(edit->maxLength(), 10);
    EXPECT_EQ(button->toolTip(), QStringLiteral("Remove the split section"));
    EXPECT_EQ(button->size(), button->sizeHint());

    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(a->commands.size(), 1u);
    EXPECT_EQ(a->commands[0], CBaseAreaView::ControlIdOf(button));

    edit->setFocus();
    QTest::keyClicks(edit, "5");
    ASSERT_FALSE(a->textChanges.empty());
    EXPECT_EQ(a->textChanges.back(), CBaseAreaView::ControlIdOf(edit));

    button->setFocusPolicy(Qt::StrongFocus);
    area->activateWindow();
    edit->setFocus();
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(edit, &out);
    ASSERT_EQ(a->focusLost.size(), 1u);
    EXPECT_EQ(a->focusLost[0], CBaseAreaView::ControlIdOf(edit));
}

TEST_F(AreaBaseTest, CommandsForEmptiedOrUnknownEntriesAreSkipped)
{
    FakeBox* a = area->Add(80);
    FakeBox* b = area->Add(80);
    QPointer<CNiceMFCButton> ba, bb;
    a->CreateButton(ba, QRect(), 0, Qt::white, 0, false);
    b->CreateButton(bb, QRect(), 0, Qt::white, 0, false);
    const int idA = CBaseAreaView::ControlIdOf(ba);
    area->RemoveBox(a->key);
    // A click still queued for the removed card's control goes nowhere.
    EXPECT_TRUE(area->OnChildControlCommand(idA, 0));
    EXPECT_TRUE(b->commands.empty());
    EXPECT_FALSE(area->OnChildControlCommand(99, 0));
    EXPECT_FALSE(area->OnChildControlCommand(100 + 50, 0));
    // Unknown notification codes are ignored but count as handled.
    EXPECT_TRUE(area->OnChildControlCommand(CBaseAreaView::ControlIdOf(bb), 0x400));
    EXPECT_TRUE(b->commands.empty());
}

TEST_F(AreaBaseTest, ControlsOfARemovedCardNeverReachTheCardGivenTheirIds)
{
    FakeBox* a = area->Add(80);
    FakeBox* b = area->Add(80);
    QPointer<CNiceMFCButton> oldButton;
    QPointer<QLineEdit> oldEdit;
    ASSERT_TRUE(a->CreateButton(oldButton, QRect(), 0, Qt::white, 0, false));
    ASSERT_TRUE(a->CreateEdit(oldEdit, QRect(0, 30, 80, 20), QStringLiteral("1"), 10));
    const int buttonId = CBaseAreaView::ControlIdOf(oldButton);
    const int editId = CBaseAreaView::ControlIdOf(oldEdit);
    area->RemoveBox(a->key);
    // The removed card's controls are deleted later; meanwhile their ids
    // are handed to another card's new controls.
    ASSERT_FALSE(oldButton.isNull());
    ASSERT_FALSE(oldEdit.isNull());
    QPointer<CNiceMFCButton> newButton;
    QPointer<QLineEdit> newEdit;
    ASSERT_TRUE(b->CreateButton(newButton, QRect(), 0, Qt::white, 0, false));
    ASSERT_TRUE(b->CreateEdit(newEdit, QRect(0, 30, 80, 20), QStringLiteral("2"), 10));
    ASSERT_EQ(CBaseAreaView::ControlIdOf(newButton), buttonId);
    ASSERT_EQ(CBaseAreaView::ControlIdOf(newEdit), editId);

    oldButton->click();
    oldEdit->setText(QStringLiteral("3"));
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(oldEdit, &out);
    EXPECT_TRUE(b->commands.empty());
    EXPECT_TRUE(b->textChanges.empty());
    EXPECT_TRUE(b->focusLost.empty());

    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(oldButton.isNull());
    EXPECT_TRUE(oldEdit.isNull());
    newButton->click();
    EXPECT_EQ(b->commands, std::vector<int>{buttonId});
}

TEST_F(AreaBaseTest, RemovingUnknownKeyChangesNothing)
{
    area->Add(80);
    int other = 0;
    area->RemoveBox(&other);
    EXPECT_EQ(area->Boxes().size(), 1u);
}

// --- hover and context menu -----------------------------------------------

TEST_F(AreaBaseTest, HoverUsesContentCoordinates)
{
    FakeBox* box = area->Add(1000);
    area->OnVScroll(CBaseAreaView::SB_THUMBPOSITION, 100);
    QTest::mouseMove(area->viewport(), QPoint(20, 30));
    EXPECT_EQ(box->lastHit, QPoint(20, 130));
    EXPECT_TRUE(box->hovered);
}

TEST_F(AreaBaseTest, NoHoverWithoutContent)
{
    FakeBox* box = area->Add(100);
    area->content = false;
    QTest::mouseMove(area->viewport(), QPoint(20, 30));
    EXPECT_EQ(box->lastHit, QPoint(-1, -1));
}

TEST_F(AreaBaseTest, ContextMenuChoiceGoesToTheCardWithItsCookie)
{
    FakeBox* first = area->Add(50);
    FakeBox* second = area->Add(50);
    second->cookieValue = 7;
    QPoint shownAt;
    CBaseAreaView::SetPopupHandler([&](QMenu* popup, const QPoint& at) {
        shownAt = at;
        return popup->actions().last()->data().toInt();
    });
    const QPoint screen = area->viewport()->mapToGlobal(QPoint(10, 3 + 60));
    area->OnContextMenu(screen);
    EXPECT_TRUE(first->chosen.empty());
    ASSERT_EQ(second->chosen.size(), 1u);
    EXPECT_EQ(second->chosen[0], 32791);
    EXPECT_EQ(second->chosenCookie, 7u);
    EXPECT_EQ(second->preparedItems, 2);
    EXPECT_EQ(shownAt, screen);
}

TEST_F(AreaBaseTest, DismissedOrMissingMenuTriesTheNextCard)
{
    FakeBox* first = area->Add(100);
    FakeBox* second = area->Add(100);
    // Both cards claim the point: the first with a menu that does not exist,
    // the second with one the user dismisses; the search ends without a choice.
    first->menuId = 999;
    second->claimAll = true;
    int shown = 0;
    CBaseAreaView::SetPopupHandler([&](QMenu*, const QPoint&) {
        ++shown;
        return 0;
    });
    area->OnContextMenu(area->viewport()->mapToGlobal(QPoint(10, 50)));
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(second->preparedItems, 2);
    EXPECT_TRUE(second->chosen.empty());
    EXPECT_TRUE(first->chosen.empty());
}

// --- drags -----------------------------------------------------------------

TEST_F(AreaBaseTest, PressStartsDragAndReleaseWithoutMoveEndsIt)
{
    area->Add(100);
    area->allowDrag = true;
    QTest::mousePress(area->viewport(), Qt::LeftButton, {}, QPoint(30, 40));
    ASSERT_TRUE(area->IsDragging());
    EXPECT_EQ(area->askedDragAt, QPoint(30, 40));
    EXPECT_EQ(area->DragPoint(), QPoint(30, 40));
    EXPECT_FALSE(area->IsAutoScrollRunning()) << "no scroll bar, no timer";
    ASSERT_NE(area->DragImageWidget(), nullptr);
    QTest::mouseRelease(area->viewport(), Qt::LeftButton, {}, QPoint(30, 40));
    EXPECT_FALSE(area->IsDragging());
    EXPECT_EQ(area->DragPoint(), QPoint(30, 40));
    ASSERT_EQ(area->endings.size(), 1u);
    EXPECT_FALSE(area->endings[0]);
    EXPECT_EQ(area->DragImageWidget(), nullptr);
}

TEST_F(AreaBaseTest, DragMovesReportOnlyChangedContentPositions)
{
    area->Add(1000);
    area->allowDrag = true;
    QTest::mousePress(area->viewport(), Qt::LeftButton, {}, QPoint(30, 40));
    ASSERT_TRUE(area->IsDragging());
    EXPECT_TRUE(area->IsAutoScrollRunning());
    QTest::mouseMove(area->viewport(), QPoint(30, 40));
    EXPECT_EQ(area->dragMoves, 0);
    QTest::mouseMove(area->viewport(), QPoint(35, 60));
    EXPECT_EQ(area->dragMoves, 1);
    EXPECT_EQ(area->DragPoint(), QPoint(35, 60));
    QTest::mouseRelease(area->viewport(), Qt::LeftButton, {}, QPoint(35, 60));
    EXPECT_FALSE(area->IsAutoScrollRunning());
}

TEST_F(AreaBaseTest, NoDragWithoutContentOrPermission)
{
    area->Add(100);
    QTest::mousePress(area->viewport(), Qt::LeftButton, {}, QPoint(30, 40));
    EXPECT_FALSE(area->IsDragging());
    QTest::mouseRelease(area->viewport(), Qt::LeftButton, {}, QPoint(30, 40));
    area->allowDrag = true;
    area->content = false;
    area->askedDragAt = QPoint(-1, -1);
    QTest::mousePress(area->viewport(), Qt::LeftButton, {}, QPoint(30, 40));
    EXPECT_FALSE(area->IsDragging());
    EXPECT_EQ(area->askedDragAt, QPoint(-1, -1));
}

TEST_F(AreaBaseTest, RemovingACardDuringADragCancelsTheDragFirst)
{
    FakeBox* box = area->Add(1000);
    area->allowDrag = true;
    QTest::mousePress(area->viewport(), Qt::LeftButton, {}, QPoint(30, 40));
    ASSERT_TRUE(area->IsDragging());
    area->RemoveBox(box->key);
    EXPECT_FALSE(area->IsDragging());
    ASSERT_EQ(area->endings.size(), 1u);
    EXPECT_TRUE(area->endings[0]);
    EXPECT_FALSE(area->IsAutoScrollRunning());
    QTest::mouseRelease(area->viewport(), Qt::LeftButton, {}, QPoint(30, 40));
    EXPECT_EQ(area->endings.size(), 1u);
}

TEST_F(AreaBaseTest, AutoScrollScrollsWhileThePointerIsAboveTheWindow)
{
    area->Add(1000);
    area->OnVScroll(CBaseAreaView::SB_THUMBPOSITION, 200);
    area->allowDrag = true;
    QTest::mousePress(area->viewport(), Qt::LeftButton, {}, QPoint(30, 40));
    ASSERT_TRUE(area->IsAutoScrollRunning());
    QCursor::setPos(area->mapToGlobal(QPoint(30, -30)));
    QTRY_VERIFY(area->ScrollPos() < 200);
    EXPECT_EQ((200 - area->ScrollPos()) % area->LineStep(), 0) << "whole lines only";
    QTest::mouseRelease(area->viewport(), Qt::LeftButton, {}, QPoint(30, 40));
}

struct DragImageCase
{
    int width;
    int height;
    bool shown;
    QSize size;
};

class AreaDragImageTest : public AreaBaseTest, public ::testing::WithParamInterface<DragImageCase>
{
};

TEST_P(AreaDragImageTest, ImageIsClampedOrSkipped)
{
    QImage img(10, 10, QImage::Format_RGB32);
    img.fill(Qt::red);
    area->SetImage(&img, GetParam().width, GetParam().height);
    area->Begin(QPoint(10, 10));
    ASSERT_TRUE(area->IsDragging()) << "a drag without an image still runs";
    QWidget* w = area->DragImageWidget();
    EXPECT_EQ(w != nullptr, GetParam().shown);
    if (w)
        EXPECT_EQ(w->size(), GetParam().size);
    area->EndDrag(true);
    EXPECT_EQ(area->DragImageWidget(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Sizes, AreaDragImageTest,
                         ::testing::Values(DragImageCase{40, 60, true, QSize(40, 60)},
                                           DragImageCase{2000000000, 50, true, QSize(1024, 50)},
                                           DragImageCase{0, 50, false, QSize()},
                                           DragImageCase{-5, -5, false, QSize()}),
                         [](const auto& info) {
                             return "Image" + TestNames::Number(info.param.width) + "x" +
                                    TestNames::Number(info.param.height);
                         });

TEST_F(AreaBaseTest, DragWithoutImageRuns)
{
    area->SetImage(nullptr, 40, 40);
    area->Begin(QPoint(5, 5));
    EXPECT_TRUE(area->IsDragging());
    EXPECT_EQ(area->DragImageWidget(), nullptr);
    area->EndDrag(false);
    EXPECT_FALSE(area->IsDragging());
}

} // namespace
