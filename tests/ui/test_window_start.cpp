// The window program's start-up and shut-down: the frame is shown, and closing
// it closes the document and its sections before the controller ends.
#include "common/PdfFixtures.h"
#include "session/CParceloApp.h"
#include "session/SessionUser.h"
#include "session/Settings.h"
#include "ui/CMainFrame.h"
#include "ui/WindowApp.h"

#include <QApplication>
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

TEST_F(StartupTest, WindowedStartAndShutDownCloseTheDocumentWithTheWindow)
{
    const bool quitOnClose = QApplication::quitOnLastWindowClosed();
    QApplication::setQuitOnLastWindowClosed(false);
    std::vector<QString> messages;
    MessageHandler previous = SetMessageHandler([&](const MessageRequest& r) {
        messages.push_back(r.text);
        return Prompt::Ok;
    });
    const QString pdf = dir.filePath(QStringLiteral("doc.pdf"));
    ASSERT_TRUE(PdfFixtures::WritePlainPdf(pdf, 3));
    {
        CParceloApp app;
        ASSERT_TRUE(app.InitInstance());
        ASSERT_TRUE(StartWindow(app));
        QPointer<QWidget> frame = qobject_cast<QWidget*>(app.MainWindow());
        ASSERT_NE(qobject_cast<CMainFrame*>(frame.data()), nullptr);
        EXPECT_TRUE(frame->isVisible());

        ASSERT_TRUE(app.OpenDocument(pdf));
        app.AddSection({1, 2});
        app.thumbnailSize = 90;

        frame->close();
        EXPECT_EQ(app.Document(), nullptr);
        EXPECT_TRUE(app.Sections().empty());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(frame.isNull());
        EXPECT_EQ(app.MainWindow(), nullptr);
        StopWindow();
        app.ExitInstance();
    }
    EXPECT_EQ(StoredPageSize().toInt(), 9);
    EXPECT_TRUE(messages.empty());
    SetMessageHandler(std::move(previous));
    QApplication::setQuitOnLastWindowClosed(quitOnClose);
}

} // namespace
