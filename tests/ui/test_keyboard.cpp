// Working from the keyboard: Tab reaches every button of the command bar and
// of the section cards (scrolling cards into view), Space presses them, and
// a card's menu (removing the section) opens from the keyboard.
#include "test_drag_fixture.h"

#include "session/CommandIds.h"
#include "ui/CCommandsWnd.h"
#include "ui/CMainFrame.h"
#include "ui/CMainView.h"

#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QSlider>

#include <set>

namespace {

class CardKeyboardTest : public CardsFixture
{
protected:
    void SetUp() override
    {
        CardsFixture::SetUp();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    static QWidget* Focused() { return QApplication::focusWidget(); }

    // Presses Tab (or Shift+Tab) on whatever has the focus.
    static void Tab(bool forward = true)
    {
        QWidget* focused = Focused();
        ASSERT_NE(focused, nullptr);
        QTest::keyClick(focused, forward ? Qt::Key_Tab : Qt::Key_Backtab);
        QApplication::processEvents();
    }

    // The card control that has the focus, as "card number/role", or empty.
    QString FocusedControl() const
    {
        QWidget* focused = Focused();
        for (const SplitSection* section : Sections())
        {
            SplitSectionDisplay* card = Card(section);
            if (!card)
                continue;
            const QString n = QString::number(section->number);
            if (focused == card->toggleButton)
                return n + QStringLiteral("/toggle");
            if (focused == card->pageRangeEdit)
                return n + QStringLiteral("/pages");
            if (focused == card->fileNameEdit)
                return n + QStringLiteral("/name");
            if (focused == card->removeSectionButton)
                return n + QStringLiteral("/remove");
            for (std::size_t i = 0; i < card->thumbnails.size(); ++i)
                if (focused == card->thumbnails[i]->removePageButton)
                    return n + QStringLiteral("/page") + QString::number(i + 1);
        }
        return QString();
    }

    std::vector<const SplitSection*> Sections() const
    {
        std::vector<const SplitSection*> list;
        for (const auto& s : app->Sections())
            list.push_back(s.get());
        return list;
    }
};

TEST_F(CardKeyboardTest, TabVisitsEveryButtonAndFieldOfTheCardsInOrder)
{
    SplitSection* first = Add({1, 2});
    Add({3, 4, 5});
    Add({6});
    Card(first)->toggleButton->setFocus(Qt::TabFocusReason);
    QStringList visited{FocusedControl()};
    for (int i = 0; i < 11; ++i)
    {
        Tab();
        visited << FocusedControl();
    }
    EXPECT_EQ(visited, (QStringList{"1/toggle", "1/pages", "1/name", "1/remove", "2/toggle", "2/pages", "2/name",
                                    "2/remove", "3/toggle", "3/pages", "3/name", "3/remove"}));
    Tab(false);
    EXPECT_EQ(FocusedControl(), QStringLiteral("3/name"));
}

TEST_F(CardKeyboardTest, SpaceExpandsTheCardReachesItsPagesAndRemovesThem)
{
    SplitSection* section = Add({1, 2, 3});
    SplitSectionDisplay* card = Card(section);
    card->toggleButton->setFocus(Qt::TabFocusReason);
    QTest::keyClick(card->toggleButton, Qt::Key_Space);
    QApplication::processEvents();
    ASSERT_TRUE(Card(section)->expanded);

    // After the header come the pages' remove buttons.
    for (int i = 0; i < 4; ++i)
        Tab();
    ASSERT_EQ(FocusedControl(), QStringLiteral("1/page1"));
    Tab();
    ASSERT_EQ(FocusedControl(), QStringLiteral("1/page2"));
    QTest::keyClick(Focused(), Qt::Key_Space);
    QApplication::processEvents();
    EXPECT_EQ(section->pages, (PageList{1, 3}));

    // Space on the toggle collapses the card again.
    Card(section)->toggleButton->setFocus(Qt::TabFocusReason);
    QTest::keyClick(Card(section)->toggleButton, Qt::Key_Space);
    QApplication::processEvents();
    EXPECT_FALSE(Card(section)->expanded);
}

TEST_F(CardKeyboardTest, SpaceOnTheRemoveButtonRemovesTheSection)
{
    Add({1, 2});
    SplitSection* second = Add({3});
    SplitSectionDisplay* card = Card(second);
    ASSERT_TRUE(card->removeSectionButton);
    card->fileNameEdit->setFocus(Qt::TabFocusReason);
    Tab();
    ASSERT_EQ(Focused(), card->removeSectionButton.data());
    QTest::keyClick(card->removeSectionButton, Qt::Key_Space);
    QApplication::processEvents();
    ASSERT_EQ(app->Sections().size(), 1u);
    EXPECT_EQ(app->Sections().front()->pages, (PageList{1, 2}));
}

TEST_F(CardKeyboardTest, TabBringsInTheCardsBeyondTheVisibleArea)
{
    constexpr int kSections = 30;
    for (int i = 0; i < kSections; ++i)
        Add({i % 10 + 1});
    ASSERT_GT(split->ContentHeight(), split->viewport()->height()) << "more cards than fit";
    Card(app->Sections().front().get())->toggleButton->setFocus(Qt::TabFocusReason);
    std::set<QString> toggles;
    for (int i = 0; i < kSections * 4 && toggles.size() < std::size_t(kSections); ++i)
    {
        const QString control = FocusedControl();
        ASSERT_FALSE(control.isEmpty()) << "the focus left the cards after " << toggles.size() << " of them";
        if (control.endsWith(QLatin1String("/toggle")))
        {
            toggles.insert(control);
            // The focused control is shown whole.
            EXPECT_TRUE(split->viewport()->rect().contains(Focused()->geometry())) << control.toStdString();
        }
        Tab();
    }
    EXPECT_EQ(toggles.size(), std::size_t(kSections));
    EXPECT_GT(split->ScrollPos(), 0);

    // And back up to the first card with Shift+Tab.
    for (int i = 0; i < kSections * 4 && FocusedControl() != QLatin1String("1/toggle"); ++i)
        Tab(false);
    EXPECT_EQ(FocusedControl(), QStringLiteral("1/toggle"));
    EXPECT_EQ(split->ScrollPos(), 0);
}

TEST_F(CardKeyboardTest, MenuKeyOnACardButtonOffersRemovingTheSection)
{
    // A narrow area: the header has no room for the remove button.
    split->setGeometry(224, 0, 420, 700);
    QApplication::processEvents();
    SplitSection* first = Add({1, 2});
    Add({3});
    SplitSectionDisplay* card = Card(first);
    ASSERT_FALSE(card->removeSectionButton) << "the area is narrow enough";
    QPointer<CNiceMFCButton> toggle = card->toggleButton.data();
    toggle->setFocus(Qt::TabFocusReason);

    QStringList offered;
    int answer = 0;
    CBaseAreaView::PopupHandler previous = CBaseAreaView::SetPopupHandler([&](QMenu* popup, const QPoint&) {
        for (QAction* action : popup->actions())
            if (!action->isSeparator())
                offered << action->text();
        return answer;
    });
    auto pressMenuKey = [&] {
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(2, 2), toggle->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(toggle, &menuKey);
        QApplication::processEvents();
    };
    // Dismissed: the keyboard user keeps their place.
    pressMenuKey();
    EXPECT_EQ(Focused(), toggle.data());
    EXPECT_EQ(app->Sections().size(), 2u);
    // Chosen: the section goes.
    answer = ID_DELETE_SPLIT_SECTION;
    pressMenuKey();
    CBaseAreaView::SetPopupHandler(std::move(previous));

    EXPECT_FALSE(offered.isEmpty());
    ASSERT_EQ(app->Sections().size(), 1u);
    EXPECT_EQ(app->Sections().front()->pages, (PageList{3}));
}

// The command bar of the real window, from the keyboard.
class CommandBarKeyboardTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        qputenv("PARCELO_COMMON_APPDATA", dir.filePath(QStringLiteral("appdata")).toUtf8());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath(QStringLiteral("settings")));
        app = std::make_unique<CParceloApp>();
        ASSERT_TRUE(app->InitInstance());
        previousSink = CMainFrame::SetCommandSink([this](int id) {
            commands.push_back(id);
            return true;
        });
        frame = new CMainFrame();
        ASSERT_TRUE(frame->Create());
        app->SetMainWindow(frame, frame);
        frame->resize(CMainFrame::kDefaultWidth, CMainFrame::kDefaultHeight);
        frame->show();
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
        pdf = dir.filePath(QStringLiteral("doc.pdf"));
        ASSERT_TRUE(PdfFixtures::WritePlainPdf(pdf, 4));
    }
    void TearDown() override
    {
        CMainFrame::SetCommandSink(previousSink);
        if (app)
            app->CloseDocument();
        delete frame.data();
        app.reset();
        qunsetenv("PARCELO_COMMON_APPDATA");
    }

    QTemporaryDir dir;
    QString pdf;
    std::unique_ptr<CParceloApp> app;
    QPointer<CMainFrame> frame;
    CMainFrame::CommandSink previousSink;
    std::vector<int> commands;
};

TEST_F(CommandBarKeyboardTest, TabGoesAlongTheBarAndSpacePressesTheButton)
{
    ASSERT_TRUE(app->OpenDocument(pdf));
    app->AddSection({1, 2});
    QApplication::processEvents();
    CCommandsWnd* bar = frame->MainView()->CommandBar();
    bar->OpenFileButton()->setFocus(Qt::TabFocusReason);
    std::vector<QWidget*> visited{QApplication::focusWidget()};
    for (int i = 0; i < 5; ++i)
    {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.push_back(QApplication::focusWidget());
    }
    EXPECT_EQ(visited, (std::vector<QWidget*>{bar->OpenFileButton(), bar->NewSectionButton(), bar->ClearAllButton(),
                                              bar->ZoomSlider(), bar->SaveSplitButton(), bar->HelpButton()}));

    for (QWidget* button : {static_cast<QWidget*>(bar->OpenFileButton()), static_cast<QWidget*>(bar->NewSectionButton()),
                            static_cast<QWidget*>(bar->ClearAllButton()), static_cast<QWidget*>(bar->SaveSplitButton())})
    {
        button->setFocus(Qt::TabFocusReason);
        QTest::keyClick(button, Qt::Key_Space);
    }
    QApplication::processEvents();
    EXPECT_EQ(commands, (std::vector<int>{ID_FILE_OPEN, ID_NEW_SPLIT_SECTION, ID_EDIT_CLEAR_ALL, ID_FILE_SAVE}));
}

TEST_F(CommandBarKeyboardTest, DisabledButtonsAreSkipped)
{
    CCommandsWnd* bar = frame->MainView()->CommandBar();
    bar->OpenFileButton()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(bar->OpenFileButton(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), bar->HelpButton()) << "nothing else is enabled without a document";
}

} // namespace
