// Start-up and shut-down of the application controller: the "PageSize"
// setting read into the thumbnail height and written back, the placeholder.
#include "common/PdfFixtures.h"
#include "common/TestNames.h"
#include "session/CParceloApp.h"
#include "session/Settings.h"
#include "session/SessionUser.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class StartupTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        qputenv("PARCELO_COMMON_APPDATA", dir.filePath(QStringLiteral("appdata")).toUtf8());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath(QStringLiteral("settings")));
    }
    void TearDown() override { qunsetenv("PARCELO_COMMON_APPDATA"); }

    static QVariant StoredPageSize()
    {
        return ReadSetting(QStringLiteral("Options"), QStringLiteral("PageSize"));
    }

    QTemporaryDir dir;
};

struct PageSizeCase
{
    QVariant stored; // invalid: no stored value
    int thumbnailSize;
};

class PageSizeTest : public StartupTest, public ::testing::WithParamInterface<PageSizeCase>
{
};

TEST_P(PageSizeTest, StoredValueIsClampedIntoThumbnailHeight)
{
    const PageSizeCase& c = GetParam();
    if (c.stored.isValid())
        WriteSetting(QStringLiteral("Options"), QStringLiteral("PageSize"), c.stored);
    CParceloApp app;
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(app.thumbnailSize, c.thumbnailSize);
    EXPECT_EQ(app.loadingText, QStringLiteral("Loading..."));
    app.ExitInstance();
    EXPECT_EQ(StoredPageSize().toInt(), c.thumbnailSize / 10);
}

INSTANTIATE_TEST_SUITE_P(Values, PageSizeTest,
                         ::testing::Values(PageSizeCase{QVariant(), 100}, PageSizeCase{3, 80},
                                           PageSizeCase{8, 80}, PageSizeCase{12, 120},
                                           PageSizeCase{16, 160}, PageSizeCase{40, 160},
                                           PageSizeCase{-5, 80}, PageSizeCase{QStringLiteral("big"), 100}),
                         [](const auto& info) {
                             const QVariant& stored = info.param.stored;
                             if (!stored.isValid())
                                 return std::string("NotStored");
                             if (stored.typeId() == QMetaType::QString)
                                 return "StoredText_" + TestNames::Sanitize(stored.toString());
                             return "Stored" + TestNames::Number(stored.toInt());
                         });

TEST_F(StartupTest, ShutDownWritesTheCurrentThumbnailHeight)
{
    CParceloApp app;
    ASSERT_TRUE(app.InitInstance());
    app.thumbnailSize = 130; // changed by the zoom control
    app.ExitInstance();
    EXPECT_EQ(StoredPageSize().toInt(), 13);
}

TEST_F(StartupTest, SettingsLiveUnderTalvaneParcelo)
{
    CParceloApp app;
    ASSERT_TRUE(app.InitInstance());
    app.ExitInstance();
    QSettings settings(QStringLiteral("Talvane"), QStringLiteral("Parcelo"));
    EXPECT_EQ(settings.value(QStringLiteral("Options/PageSize")).toInt(), 10);
    EXPECT_TRUE(settings.fileName().startsWith(dir.path())) << settings.fileName().toStdString();
}

TEST_F(StartupTest, OneControllerIsReachable)
{
    {
        CParceloApp app;
        EXPECT_EQ(CParceloApp::Instance(), &app);
    }
    EXPECT_EQ(CParceloApp::Instance(), nullptr);
}

TEST_F(StartupTest, UnknownCommandsAreNotHandled)
{
    CParceloApp app;
    EXPECT_FALSE(app.OnCommand(12345));
    EXPECT_TRUE(app.OnCommand(57632)); // Clear All with nothing open: does nothing
}

} // namespace
