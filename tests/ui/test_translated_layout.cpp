// The window in French: translated texts are often longer than English
// ones, and the places drawn for them have fixed widths. Every text still
// fits and every command-bar control keeps its place at the default size.
#include "resources/StringTable.h"
#include "session/CParceloApp.h"
#include "session/Settings.h"
#include "session/Translations.h"
#include "ui/CBaseAreaView.h"
#include "ui/CCommandsWnd.h"
#include "ui/CMainFrame.h"
#include "ui/CMainView.h"
#include "ui/DrawPageImage.h"

#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

class FrenchWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        qputenv("PARCELO_SETTINGS_DIR", dir.filePath(QStringLiteral("settings")).toUtf8());
        qputenv("PARCELO_TRANSLATIONS_DIR", PARCELO_BUILD_TRANSLATIONS);
        ApplySettingsLocationOverride();
        WriteSetting(QString::fromLatin1(kOptionsGroup), QStringLiteral("UILanguage"), 1036);
        ASSERT_EQ(InstallTranslations(true), QStringLiteral("fr"));
        app = std::make_unique<CParceloApp>();
        frame = new CMainFrame();
        ASSERT_TRUE(frame->Create());
        app->SetMainWindow(frame, frame);
        frame->resize(CMainFrame::kDefaultWidth, CMainFrame::kDefaultHeight);
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
    }
    void TearDown() override
    {
        delete frame.data();
        app.reset();
        RemoveTranslations();
        qunsetenv("PARCELO_SETTINGS_DIR");
        qunsetenv("PARCELO_TRANSLATIONS_DIR");
    }

    QTemporaryDir dir;
    std::unique_ptr<CParceloApp> app;
    QPointer<CMainFrame> frame;
};

TEST_F(FrenchWindowTest, EveryCommandBarControlKeepsItsPlace)
{
    CCommandsWnd* bar = frame->MainView()->CommandBar();
    ASSERT_EQ(bar->OpenFileButton()->text(), LoadResString(204));
    ASSERT_NE(LoadResString(204), QStringLiteral("Open File")) << "the French translation is loaded";
    for (QWidget* control : {static_cast<QWidget*>(bar->OpenFileButton()), static_cast<QWidget*>(bar->NewSectionButton()),
                             static_cast<QWidget*>(bar->ClearAllButton()), static_cast<QWidget*>(bar->SaveSplitButton()),
                             static_cast<QWidget*>(bar->ZoomSlider())})
        EXPECT_FALSE(control->isHidden()) << control->metaObject()->className();
}

TEST_F(FrenchWindowTest, TheEmptyAreasInvitationsFitTheirAreas)
{
    struct Line
    {
        QWidget* area;
        int id;
        int points;
        bool bold;
    };
    QWidget* input = frame->MainView()->InputArea()->viewport();
    QWidget* split = frame->MainView()->SplitArea()->viewport();
    for (const Line& line : {Line{input, 201, 14, true}, Line{input, 202, 12, false}, Line{input, 203, 12, false},
                             Line{split, 213, 14, true}, Line{split, 214, 12, false}, Line{split, 215, 12, false},
                             Line{split, 216, 12, false}})
    {
        const QFontMetrics metrics(ArialFont(line.area, line.points, line.bold ? QFont::Bold : QFont::Normal));
        const QString text = LoadResString(line.id);
        EXPECT_LE(metrics.horizontalAdvance(text), line.area->width())
            << line.id << " \"" << text.toStdString() << "\" in " << line.area->width() << " pixels";
    }
}

} // namespace
