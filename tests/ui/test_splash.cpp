// The splash and About window: its texts, the start-up arming and closing,
// and the modal About loop over the disabled main window.
#include "session/CParceloApp.h"
#include "ui/CParceloSplashScreen.h"

#include <QLabel>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace
{

TEST(SplashTexts, SplashHasVersionAndCopyright)
{
    const auto items = BuildSplashTextItems(false, QStringLiteral("Ann"), QStringLiteral("Acme"),
                                            QStringLiteral("1.2.0.0"), QStringLiteral("(c) Talvane"));
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].text, QStringLiteral("Version 1.2.0.0\n\nAnn\nAcme"));
    EXPECT_TRUE(items[0].bold);
    EXPECT_EQ(items[0].points, 10);
    EXPECT_EQ(items[0].rect, QRect(QPoint(24, 132), QPoint(319, 218)));
    EXPECT_EQ(items[1].text, QStringLiteral("(c) Talvane"));
    EXPECT_EQ(items[1].points, 8);
    EXPECT_EQ(items[1].colour, QColor(64, 64, 64));
}

TEST(SplashTexts, AboutAddsClickToDismiss)
{
    const auto items = BuildSplashTextItems(true, QString(), QString(), QStringLiteral("0.0.0.0"), QString());
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].text, QStringLiteral("Version 0.0.0.0\n\n\n")) << "missing user and company leave blank lines";
    EXPECT_EQ(items[2].text, QStringLiteral("Click to dismiss"));
    EXPECT_TRUE(items[2].italic);
    EXPECT_EQ(items[2].points, 9);
}

TEST(SplashTexts, ValuesAreNotFormatsOrTags)
{
    // A user name that looks like a tag or a format stays as typed.
    const auto items = BuildSplashTextItems(false, QStringLiteral("%s <company>"), QStringLiteral("Co"),
                                            QStringLiteral("1.0.0.0"), QString());
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(items[0].text, QStringLiteral("Version 1.0.0.0\n\n%s Co\nCo"));
}

class SplashWindowTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        if (CSplashScreen::Current())
            delete CSplashScreen::Current();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

TEST_F(SplashWindowTest, StartupSplashIgnoresClicksUntilArmedThenCloses)
{
    auto* splash = new CParceloSplashScreen();
    QPointer<CSplashScreen> guard(splash);
    ASSERT_EQ(CSplashScreen::Current(), splash);
    ASSERT_TRUE(splash->CreateSplashWindow(BuildSplashTextItems(false, {}, {}, "1.0.0.0", {}), true));
    EXPECT_EQ(splash->size(), QSize(455 + 6, 281 + 6));
    EXPECT_TRUE(splash->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    ASSERT_NE(static_cast<CParceloSplashScreen*>(splash)->WebLink(), nullptr);
    EXPECT_EQ(static_cast<CParceloSplashScreen*>(splash)->WebLink()->y(), 6);

    QTest::mouseClick(splash, Qt::LeftButton, {}, QPoint(50, 50));
    QCoreApplication::processEvents();
    ASSERT_FALSE(guard.isNull()) << "not armed: a click does nothing";
    EXPECT_FALSE(splash->IsCloseTimerRunning());

    EXPECT_TRUE(CSplashScreen::StartCloseTimer());
    EXPECT_TRUE(splash->IsCloseArmed());
    EXPECT_TRUE(splash->IsCloseTimerRunning());
    QTest::mouseClick(splash, Qt::LeftButton, {}, QPoint(50, 50));
    QTRY_VERIFY(guard.isNull());
    EXPECT_EQ(CSplashScreen::Current(), nullptr);
}

TEST_F(SplashWindowTest, CloseTimerClosesTheSplash)
{
    auto* splash = new CParceloSplashScreen();
    QPointer<CSplashScreen> guard(splash);
    ASSERT_TRUE(splash->CreateSplashWindow({}, true));
    CSplashScreen::StartCloseTimer();
    QTRY_VERIFY_WITH_TIMEOUT(guard.isNull(), 10000);
}

TEST_F(SplashWindowTest, CloseCurrentSplashWithoutOneDoesNothing)
{
    ASSERT_EQ(CSplashScreen::Current(), nullptr);
    CSplashScreen::CloseCurrentSplash(true);
    EXPECT_TRUE(CSplashScreen::StartCloseTimer());
}

TEST_F(SplashWindowTest, AboutIsModalOverTheDisabledMainWindowUntilClicked)
{
    CParceloApp app;
    QWidget mainWindow;
    mainWindow.show();
    app.SetMainWindow(&mainWindow, nullptr);
    bool mainDisabledDuring = false;
    bool modalDuring = false;
    bool notTopmost = false;
    QString lastText;
    QTimer::singleShot(50, [&] {
        CSplashScreen* about = CSplashScreen::Current();
        ASSERT_NE(about, nullptr);
        mainDisabledDuring = !mainWindow.isEnabled();
        modalDuring = about->IsInModalLoop();
        notTopmost = !about->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        lastText = about->TextItems().empty() ? QString() : about->TextItems().back().text;
        QTest::mouseClick(about, Qt::LeftButton, {}, QPoint(20, 20));
    });
    ShowSplashScreen(true);
    EXPECT_TRUE(mainDisabledDuring);
    EXPECT_TRUE(modalDuring);
    EXPECT_TRUE(notTopmost);
    EXPECT_EQ(lastText, QStringLiteral("Click to dismiss"));
    EXPECT_TRUE(mainWindow.isEnabled());
    QTRY_COMPARE(CSplashScreen::Current(), static_cast<CSplashScreen*>(nullptr));
    app.SetMainWindow(nullptr, nullptr);
}

} // namespace
