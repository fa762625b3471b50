// The help menu's web commands and the way the program quits on request.
#include "common/TestNames.h"
#include "session/CParceloApp.h"
#include "ui/HelpCommands.h"
#include "ui/WindowApp.h"

#include <QApplication>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

class HelpCommandsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        previous = SetUrlOpener([this](const QUrl& url) {
            opened.push_back(url.toString());
            return true;
        });
    }
    void TearDown() override
    {
        SetUrlOpener(std::move(previous));
        for (const char* name : {"PARCELO_HELP_URL", "PARCELO_HOME_URL", "PARCELO_TABULO_URL"})
            qunsetenv(name);
    }

    CParceloApp app;
    std::vector<QString> opened;
    UrlOpener previous;
};

struct PageCase
{
    const char* name;
    int command;
    HelpPage page;
    const char* variable;
};

class HelpPageTest : public HelpCommandsTest, public ::testing::WithParamInterface<PageCase>
{
};

TEST_P(HelpPageTest, OpensTheDefaultOrConfiguredAddress)
{
    const PageCase& c = GetParam();
    const QString fallback = HelpPageAddress(c.page);
    EXPECT_TRUE(fallback.startsWith(QLatin1String("https://")));
    EXPECT_TRUE(RunWindowCommand(app, c.command));
    EXPECT_EQ(opened, std::vector<QString>{fallback});

    qputenv(c.variable, "http://127.0.0.1:9/page");
    opened.clear();
    RunWindowCommand(app, c.command);
    EXPECT_EQ(opened, std::vector<QString>{QStringLiteral("http://127.0.0.1:9/page")});

    // Only web addresses are handed to the browser.
    for (const char* bad : {"file:///etc/passwd", "javascript:alert(1)", "not an address"})
    {
        qputenv(c.variable, bad);
        opened.clear();
        RunWindowCommand(app, c.command);
        EXPECT_TRUE(opened.empty()) << bad;
    }
}

INSTANTIATE_TEST_SUITE_P(Pages, HelpPageTest,
                         ::testing::Values(PageCase{"OnlineHelp", 32778, HelpPage::OnlineHelp, "PARCELO_HELP_URL"},
                                           PageCase{"HomePage", 32779, HelpPage::HomePage, "PARCELO_HOME_URL"},
                                           PageCase{"TryTabulo", 32781, HelpPage::TryTabulo, "PARCELO_TABULO_URL"}),
                         TestNames::ByName());

TEST_F(HelpCommandsTest, AddressesDiffer)
{
    EXPECT_NE(HelpPageAddress(HelpPage::OnlineHelp), HelpPageAddress(HelpPage::HomePage));
    EXPECT_NE(HelpPageAddress(HelpPage::TryTabulo), HelpPageAddress(HelpPage::HomePage));
}

TEST_F(HelpCommandsTest, QuitClosesTheMainWindowOnceTheCommandHasReturned)
{
    const bool quitOnClose = QApplication::quitOnLastWindowClosed();
    QApplication::setQuitOnLastWindowClosed(false);
    QWidget window;
    window.show();
    app.SetMainWindow(&window, nullptr);
    app.QuitApplication();
    EXPECT_TRUE(window.isVisible()); // queued, not from inside the caller
    QCoreApplication::processEvents();
    EXPECT_FALSE(window.isVisible());
    app.SetMainWindow(nullptr, nullptr);
    QApplication::setQuitOnLastWindowClosed(quitOnClose);
}

} // namespace
