// The main frame and main view: geometry, event fan-out, the hop of rendered
// pages to the window thread, deactivation, command routing (accelerators,
// command bar), wheel routing and the close sequence.
#include "common/PdfFixtures.h"
#include "common/TestNames.h"
#include "session/CParceloApp.h"
#include "ui/CBaseAreaView.h"
#include "ui/CCommandsWnd.h"
#include "ui/CMainFrame.h"
#include "ui/CMainView.h"
#include "ui/CSplitAreaView.h"
#include "ui/SplitSectionDisplay.h"
#include "session/SplitSection.h"
#include "ui/FrameCommands.h"
#include "session/SessionUser.h"
#include "engine/PDFInstanceManager.h"

#include <QApplication>
#include <QKeySequence>
#include <QMenu>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

namespace
{

// A frame that records every event before passing it on.
class RecordingFrame : public CMainFrame
{
public:
    void Notify(std::uint32_t code, std::uintptr_t payload) override
    {
        events.emplace_back(code, payload);
        CMainFrame::Notify(code, payload);
    }
    std::vector<std::uint32_t> Codes() const
    {
        std::vector<std::uint32_t> codes;
        for (const auto& e : events)
            codes.push_back(e.first);
        return codes;
    }
    std::vector<std::pair<std::uint32_t, std::uintptr_t>> events;
};

class FrameTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        qputenv("PARCELO_COMMON_APPDATA", dir.filePath(QStringLiteral("appdata")).toUtf8());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath(QStringLiteral("settings")));
        app = std::make_unique<CParceloApp>();
        ASSERT_TRUE(app->InitInstance());
        previousMessages = SetMessageHandler([](const MessageRequest&) { return Prompt::Ok; });
        previousSink = CMainFrame::SetCommandSink([this](int id) {
            commands.push_back(id);
            return true;
        });
        frame = new RecordingFrame();
        ASSERT_TRUE(frame->Create());
        app->SetMainWindow(frame, frame);
        frame->resize(800, 600);
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
        view = frame->MainView();
        ASSERT_NE(view, nullptr);
    }
    void TearDown() override
    {
        CMainFrame::SetCommandSink(previousSink);
        CBaseAreaView::SetPopupHandler({});
        delete frame.data();
        app->ExitInstance();
        app.reset();
        SetMessageHandler(previousMessages);
    }
    QString WritePdf(int pages)
    {
        const QString path = dir.filePath(QStringLiteral("doc%1.pdf").arg(pages));
        EXPECT_TRUE(PdfFixtures::WritePlainPdf(path, pages));
        return path;
    }

    QTemporaryDir dir;
    std::unique_ptr<CParceloApp> app;
    QPointer<RecordingFrame> frame;
    CMainView* view = nullptr;
    std::vector<int> commands;
    MessageHandler previousMessages;
    CMainFrame::CommandSink previousSink;
};

TEST_F(FrameTest, ChildrenAreLaidOutAroundTheFixedInputArea)
{
    const int cx = view->width();
    const int cy = view->height();
    ASSERT_NE(view->CommandBar(), nullptr);
    ASSERT_NE(view->InputArea(), nullptr);
    ASSERT_NE(view->SplitArea(), nullptr);
    EXPECT_EQ(view->CommandBar()->geometry(), QRect(0, 0, cx, 72));
    EXPECT_EQ(view->InputArea()->geometry(), QRect(0, 72, 220, cy - 72));
    EXPECT_EQ(view->SplitArea()->geometry(), QRect(224, 72, cx - 224, cy - 72));
}

TEST_F(FrameTest, MinimumSizeKeepsSplitAreaPositive)
{
    EXPECT_EQ(frame->minimumSize(), QSize(400, 200));
    frame->resize(100, 50);
    QCoreApplication::processEvents();
    EXPECT_GE(frame->width(), 400);
    EXPECT_GE(frame->height(), 200);
    EXPECT_GT(view->SplitArea()->width(), 0);
}

TEST_F(FrameTest, TitleAndIcon)
{
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Talvane Parcelo"));
    EXPECT_FALSE(frame->windowIcon().isNull());
}

TEST_F(FrameTest, PageRenderedOnAnotherThreadArrivesAsImageReadyWithThePageNumber)
{
    frame->events.clear();
    // A render may be announced after its instance is gone: the pointer is not used.
    auto* bogus = reinterpret_cast<PDFInstance*>(std::uintptr_t(0x10));
    std::thread worker([&] {
        frame->PageRetrieved(bogus, 3);
        frame->PageRetrieved(bogus, 1);
    });
    worker.join();
    EXPECT_TRUE(frame->events.empty()) << "posted, not sent";
    QTRY_COMPARE(frame->events.size(), std::size_t(2));
    EXPECT_EQ(frame->events[0], std::make_pair(std::uint32_t(EVENT_PAGE_IMAGE_READY), std::uintptr_t(3)));
    EXPECT_EQ(frame->events[1], std::make_pair(std::uint32_t(EVENT_PAGE_IMAGE_READY), std::uintptr_t(1)));
}

TEST_F(FrameTest, FrameIsThePageServiceCallback)
{
    EXPECT_EQ(PDFInstanceManager::Instance().GetCallback(), static_cast<PDFInstanceManager::PDFPageCallback*>(frame));
}

TEST_F(FrameTest, DeactivationAnnouncesFrameDeactivated)
{
    frame->activateWindow();
    QTRY_VERIFY(frame->isActiveWindow());
    frame->events.clear();
    QWidget other;
    other.resize(100, 100);
    other.show();
    other.activateWindow();
    QTRY_VERIFY(!frame->isActiveWindow());
    const auto codes = frame->Codes();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), EVENT_FRAME_DEACTIVATED), 1);
    frame->events.clear();
    frame->activateWindow();
    QTRY_VERIFY(frame->isActiveWindow());
    EXPECT_TRUE(frame->events.empty()) << "becoming active sends nothing";
}

struct AcceleratorCase
{
    Qt::Key key;
    int command;
};

class FrameAcceleratorTest : public FrameTest, public ::testing::WithParamInterface<AcceleratorCase>
{
};

TEST_P(FrameAcceleratorTest, AcceleratorPostsItsCommand)
{
    frame->activateWindow();
    QTRY_VERIFY(frame->isActiveWindow());
    QTest::keyClick(frame, GetParam().key, Qt::ControlModifier);
    QTRY_COMPARE(commands.size(), std::size_t(1));
    EXPECT_EQ(commands[0], GetParam().command);
}

INSTANTIATE_TEST_SUITE_P(Keys, FrameAcceleratorTest,
                         ::testing::Values(AcceleratorCase{Qt::Key_O, ID_FILE_OPEN},
                                           AcceleratorCase{Qt::Key_N, ID_NEW_SPLIT_SECTION},
                                           AcceleratorCase{Qt::Key_X, ID_EDIT_CLEAR_ALL},
                                           AcceleratorCase{Qt::Key_S, ID_FILE_SAVE}),
                         [](const auto& info) {
                             return "Ctrl" + TestNames::Sanitize(QKeySequence(info.param.key).toString(
                                                 QKeySequence::PortableText));
                         });

TEST_F(FrameTest, CommandBarButtonPostsItsCommandToTheFrame)
{
    QTest::mouseClick(view->CommandBar()->OpenFileButton(), Qt::LeftButton);
    EXPECT_TRUE(commands.empty()) << "posted, not called";
    QTRY_COMPARE(commands.size(), std::size_t(1));
    EXPECT_EQ(commands[0], ID_FILE_OPEN);
}

TEST_F(FrameTest, DisabledButtonSendsNothing)
{
    ASSERT_FALSE(view->CommandBar()->SaveSplitButton()->isEnabled());
    QTest::mouseClick(view->CommandBar()->SaveSplitButton(), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_TRUE(commands.empty());
}

TEST_F(FrameTest, HelpMenuOpensBelowTheHelpButtonAndPostsTheChoice)
{
    QPoint shownAt;
    std::vector<int> items;
    CBaseAreaView::SetPopupHandler([&](QMenu* popup, const QPoint& at) {
        shownAt = at;
        for (QAction* a : popup->actions())
            items.push_back(a->isSeparator() ? 0 : a->data().toInt());
        return ID_APP_ABOUT;
    });
    CNiceMFCButton* help = view->CommandBar()->HelpButton();
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->geometry().topRight().x(), view->CommandBar()->width() - 1);
    EXPECT_EQ(help->y(), 0);
    QTest::mouseClick(help, Qt::LeftButton);
    EXPECT_EQ(shownAt, help->mapToGlobal(QPoint(0, help->height())));
    EXPECT_EQ(items, (std::vector<int>{32778, 32779, 32781, 0, 32792, 0, 57664}));
    QTRY_COMPARE(commands.size(), std::size_t(1));
    EXPECT_EQ(commands[0], ID_APP_ABOUT);
}

TEST_F(FrameTest, CommandsWithoutSinkReachTheController)
{
    CMainFrame::SetCommandSink({});
    EXPECT_FALSE(frame->RouteCommand(12345)) << "nobody handles an unknown command";
}

TEST_F(FrameTest, AreaLookupFollowsThePointer)
{
    const int y = 72 + 100;
    EXPECT_EQ(view->AreaAt(QPoint(100, y)), view->InputArea());
    EXPECT_EQ(view->AreaAt(QPoint(400, y)), view->SplitArea());
    EXPECT_EQ(view->AreaAt(QPoint(221, y)), nullptr) << "the gap";
    EXPECT_EQ(view->AreaAt(QPoint(650, 30)), nullptr) << "the command bar";
    EXPECT_EQ(view->AreaAt(QPoint(5000, 5000)), nullptr) << "outside";
}

TEST_F(FrameTest, WheelOverGapOrCommandBarScrollsNothing)
{
    for (QPoint p : {QPoint(221, 300), QPoint(650, 30)})
    {
        QWheelEvent wheel(p, view->mapToGlobal(p), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(view, &wheel);
        EXPECT_FALSE(wheel.isAccepted());
    }
}

TEST_F(FrameTest, WheelScrollsTheAreaUnderThePointerByOneLine)
{
    ASSERT_TRUE(app->OpenDocument(WritePdf(12)));
    CBaseAreaView* input = view->InputArea();
    QTRY_VERIFY(input->IsScrollBarShown());
    ASSERT_GT(input->LineStep(), 0);
    view->SplitArea()->setFocus();
    // The area leaves wheel turns to the main view (the platform passes an
    // ignored wheel event on to the parent).
    const QPoint inArea(50, 50);
    QWheelEvent toArea(inArea, input->viewport()->mapToGlobal(inArea), QPoint(), QPoint(0, -120), Qt::NoButton,
                       Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(input->viewport(), &toArea);
    EXPECT_FALSE(toArea.isAccepted());
    EXPECT_EQ(input->ScrollPos(), 0);

    const QPoint overInput = input->mapTo(view, inArea);
    auto wheel = [&](int delta) {
        QWheelEvent e(overInput, view->mapToGlobal(overInput), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &e);
        return e.isAccepted();
    };
    // A big delta still scrolls exactly one line; routing follows the pointer.
    EXPECT_TRUE(wheel(-720));
    EXPECT_EQ(input->ScrollPos(), input->LineStep());
    EXPECT_TRUE(wheel(0)) << "a zero delta counts as down";
    EXPECT_EQ(input->ScrollPos(), 2 * input->LineStep());
    EXPECT_TRUE(wheel(120));
    EXPECT_EQ(input->ScrollPos(), input->LineStep());
    EXPECT_EQ(view->SplitArea()->ScrollPos(), 0);
}

TEST_F(FrameTest, SessionEventsSetTheCommandBarState)
{
    CCommandsWnd* bar = view->CommandBar();
    ASSERT_TRUE(app->OpenDocument(WritePdf(4)));
    EXPECT_TRUE(bar->NewSectionButton()->isEnabled());
    EXPECT_FALSE(bar->ClearAllButton()->isEnabled());
    EXPECT_TRUE(bar->ZoomSlider()->isEnabled());
    app->AddSection(PageList{1, 2});
    EXPECT_TRUE(bar->ClearAllButton()->isEnabled());
    EXPECT_TRUE(bar->SaveSplitButton()->isEnabled());
    app->CloseDocument();
    EXPECT_FALSE(bar->NewSectionButton()->isEnabled());
    EXPECT_FALSE(bar->SaveSplitButton()->isEnabled());
    EXPECT_FALSE(bar->ZoomSlider()->isEnabled());
}

TEST_F(FrameTest, ClosingAnnouncesEverySectionThenTheDocumentWhileViewsExist)
{
    ASSERT_TRUE(app->OpenDocument(WritePdf(4)));
    SplitSection* first = app->AddSection(PageList{1});
    SplitSection* second = app->AddSection(PageList{2, 3});
    ASSERT_TRUE(first && second);
    frame->events.clear();
    QPointer<CBaseAreaView> split = view->SplitArea();
    frame->close();
    ASSERT_GE(frame->events.size(), 3u);
    EXPECT_EQ(frame->events[0], std::make_pair(std::uint32_t(EVENT_SECTION_REMOVED), std::uintptr_t(second)));
    EXPECT_EQ(frame->events[1], std::make_pair(std::uint32_t(EVENT_SECTION_REMOVED), std::uintptr_t(first)));
    EXPECT_EQ(frame->events[2].first, std::uint32_t(EVENT_DOCUMENT_CLOSED));
    EXPECT_EQ(app->Document(), nullptr);
    EXPECT_TRUE(app->Sections().empty());
    ASSERT_FALSE(split.isNull());
    EXPECT_TRUE(split->Boxes().empty());
}

TEST_F(FrameTest, ClearAllKeyDuringADragEndsTheDragBeforeTheCardsGo)
{
    ASSERT_TRUE(app->OpenDocument(WritePdf(6)));
    SplitSection* a = app->AddSection(PageList{1, 2, 3});
    SplitSection* b = app->AddSection(PageList{4, 5});
    auto* split = static_cast<CSplitAreaView*>(view->SplitArea());
    for (SplitSection* s : {a, b}) {
        SplitSectionDisplay* card = split->CardFor(s);
        ASSERT_TRUE(card && card->toggleButton);
        QTest::mouseClick(card->toggleButton, Qt::LeftButton);
        ASSERT_TRUE(card->expanded);
    }
    frame->activateWindow();
    QTRY_VERIFY(frame->isActiveWindow());

    // Page 2 of the first card dragged over the second card.
    const QRect image = split->CardFor(a)->thumbnails[1]->ImageHitRect();
    QTest::mousePress(split->viewport(), Qt::LeftButton, {},
                      QPoint(image.center().x(), image.center().y() - split->ScrollPos()));
    ASSERT_TRUE(split->IsDragging());
    const QRect cell = split->CardFor(b)->thumbnails[0]->cellRect;
    const QPoint over(cell.left() + 2, cell.center().y() - split->ScrollPos());
    QTest::mouseEvent(QTest::MouseMove, split->viewport(), Qt::NoButton, {}, over);
    ASSERT_EQ(split->DropTargetCard(), split->CardFor(b));

    // The accelerator, carried out by the controller.
    CMainFrame::SetCommandSink({});
    QTest::keyClick(split, Qt::Key_X, Qt::ControlModifier);
    QTRY_VERIFY(app->Sections().empty());
    EXPECT_FALSE(split->IsDragging());
    EXPECT_EQ(split->DropTargetCard(), nullptr);
    EXPECT_EQ(split->DragSourceCard(), nullptr);
    EXPECT_TRUE(split->Boxes().empty());

    // The button comes up over the emptied area: nothing is dropped, and the
    // click is the invitation's (recorded, not run).
    CMainFrame::SetCommandSink([this](int id) {
        commands.push_back(id);
        return true;
    });
    QTest::mouseEvent(QTest::MouseMove, split->viewport(), Qt::NoButton, {}, over + QPoint(5, 5));
    QTest::mouseRelease(split->viewport(), Qt::LeftButton, {}, over + QPoint(5, 5));
    QCoreApplication::processEvents();
    EXPECT_TRUE(app->Sections().empty());
    EXPECT_NE(app->Document(), nullptr);
    EXPECT_EQ(commands, std::vector<int>{ID_NEW_SPLIT_SECTION});
}

TEST_F(FrameTest, DestroyingTheFrameClosesTheDocument)
{
    ASSERT_TRUE(app->OpenDocument(WritePdf(4)));
    app->AddSection(PageList{1});
    delete frame.data();
    EXPECT_EQ(app->Document(), nullptr);
    EXPECT_TRUE(app->Sections().empty());
    EXPECT_EQ(PDFInstanceManager::Instance().GetCallback(), nullptr);
}

} // namespace
