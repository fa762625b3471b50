// The command bar: layout as the window narrows and widens, the enabled
// state through the session, the zoom slider and the tooltip labels.
#include "common/TestNames.h"
#include "session/CParceloApp.h"
#include "ui/CCommandsWnd.h"
#include "ui/CMainFrame.h"
#include "ui/CMainView.h"
#include "ui/FrameCommands.h"

#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace
{

struct Recorder : EventNotify
{
    void Notify(std::uint32_t code, std::uintptr_t) override { codes.push_back(code); }
    std::vector<std::uint32_t> codes;
};

class CommandBarTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
        app = std::make_unique<CParceloApp>();
        app->thumbnailSize = 100;
        app->SetMainWindow(nullptr, &recorder);
        host = std::make_unique<QWidget>();
        bar = new CCommandsWnd(host.get());
        ASSERT_TRUE(bar->Create());
        host->resize(1400, 72);
        bar->setGeometry(0, 0, 1400, 72);
        host->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(host.get()));
    }
    void TearDown() override
    {
        host.reset();
        app.reset();
    }
    void SetWidth(int cx)
    {
        bar->resize(cx, 72);
        bar->LayoutControls(cx, 72);
    }
    // Shown and tooltip registered go together.
    bool Placed(QWidget* w)
    {
        const bool shown = !w->isHidden();
        EXPECT_EQ(shown, bar->ToolTip()->HasTool(w)) << "tooltip follows visibility";
        return shown;
    }

    QTemporaryDir dir;
    Recorder recorder;
    std::unique_ptr<CParceloApp> app;
    std::unique_ptr<QWidget> host;
    CCommandsWnd* bar = nullptr;
};

TEST_F(CommandBarTest, InitialState)
{
    EXPECT_TRUE(bar->OpenFileButton()->isEnabled());
    EXPECT_FALSE(bar->NewSectionButton()->isEnabled());
    EXPECT_FALSE(bar->ClearAllButton()->isEnabled());
    EXPECT_FALSE(bar->SaveSplitButton()->isEnabled());
    EXPECT_FALSE(bar->ZoomSlider()->isEnabled());
    EXPECT_EQ(bar->ZoomSlider()->minimum(), 8);
    EXPECT_EQ(bar->ZoomSlider()->maximum(), 16);
    EXPECT_EQ(bar->ZoomSlider()->value(), 10);
    EXPECT_EQ(bar->OpenFileButton()->text(), QStringLiteral("Open File"));
    EXPECT_EQ(bar->SaveSplitButton()->text(), QStringLiteral("Save Split"));
    EXPECT_TRUE(bar->HelpButton()->text().isEmpty());
}

TEST_F(CommandBarTest, WideBarShowsEverythingWithTooltipsAndGeometry)
{
    SetWidth(1400);
    for (QWidget* w : {static_cast<QWidget*>(bar->OpenFileButton()), static_cast<QWidget*>(bar->NewSectionButton()),
                       static_cast<QWidget*>(bar->ClearAllButton()), static_cast<QWidget*>(bar->SaveSplitButton())})
        EXPECT_TRUE(Placed(w));
    EXPECT_FALSE(bar->ZoomSlider()->isHidden());
    EXPECT_EQ(bar->ToolTip()->ToolText(bar->SaveSplitButton()),
              QStringLiteral("Save Split (Ctrl+S)\nSave split section files"));
    // Save Split is centred in the last 220 pixels.
    const QRect save = bar->SaveSplitButton()->geometry();
    EXPECT_EQ(save.x(), 1400 - 220 + (220 - save.width()) / 2);
    EXPECT_EQ(save.y(), (72 - save.height()) / 2);
    // The left group starts 6 pixels right of the logo, 3 pixels apart.
    const QRect open = bar->OpenFileButton()->geometry();
    EXPECT_EQ(open.x(), 198 + 6);
    EXPECT_EQ(bar->NewSectionButton()->x(), open.x() + open.width() + 3);
    // The zoom group: small picture, slider, large picture, 3 pixels apart, on the centre line.
    const QRect small = bar->SmallPicture()->geometry();
    const QRect slider = bar->ZoomSlider()->geometry();
    const QRect large = bar->LargePicture()->geometry();
    EXPECT_EQ(slider.size(), QSize(100, 24));
    EXPECT_EQ(small.size(), QSize(16, 16));
    EXPECT_EQ(large.size(), QSize(24, 24));
    EXPECT_EQ(slider.x(), small.x() + 16 + 3);
    EXPECT_EQ(large.x(), slider.x() + 100 + 3);
    EXPECT_EQ(slider.y(), 36 - 12);
    EXPECT_EQ(small.y(), 36 - 8);
}

TEST_F(CommandBarTest, ControlsDisappearFromTheRightAsTheBarNarrowsAndReturn)
{
    QWidget* left[] = {bar->OpenFileButton(), bar->NewSectionButton(), bar->ClearAllButton()};
    int lastLeftCount = 3;
    bool zoomSeen = true;
    bool saveSeen = true;
    for (int cx = 1400; cx >= 50; cx -= 7)
    {
        SetWidth(cx);
        int count = 0;
        for (int i = 0; i < 3; ++i)
        {
            const bool shown = Placed(left[i]);
            if (shown)
            {
                EXPECT_EQ(count, i) << "left group stays a prefix at " << cx;
                ++count;
                EXPECT_LE(left[i]->geometry().right(), cx - 220 - 3) << "left buttons stay left of the limit";
            }
        }
        EXPECT_LE(count, lastLeftCount) << "narrowing never brings a button back";
        lastLeftCount = count;
        const bool zoom = !bar->ZoomSlider()->isHidden();
        EXPECT_EQ(zoom, !bar->SmallPicture()->isHidden());
        EXPECT_EQ(zoom, !bar->LargePicture()->isHidden());
        if (zoom)
        {
            // The group fits between the visible left buttons and the limit.
            int leftEdge = 198 + 6;
            for (int i = 0; i < count; ++i)
                leftEdge = std::max(leftEdge, left[i]->geometry().right() + 1);
            EXPECT_GE(bar->SmallPicture()->x(), leftEdge) << cx;
            EXPECT_LE(bar->LargePicture()->geometry().right(), cx - 220 - 3) << cx;
        }
        zoomSeen = zoom;
        const bool save = Placed(bar->SaveSplitButton());
        EXPECT_TRUE(saveSeen || !save);
        saveSeen = save;
        if (save)
            EXPECT_GE(bar->SaveSplitButton()->x(), 198 + 6);
    }
    EXPECT_EQ(lastLeftCount, 0);
    EXPECT_FALSE(saveSeen);
    EXPECT_FALSE(zoomSeen);
    SetWidth(1400);
    for (QWidget* w : left)
        EXPECT_TRUE(Placed(w));
    EXPECT_TRUE(Placed(bar->SaveSplitButton()));
    EXPECT_FALSE(bar->ZoomSlider()->isHidden());
}

struct StateStep
{
    std::uint32_t code;
    int sectionsAfter; // sections the session holds when the event arrives
    bool newSection, clearAll, saveSplit, slider;
};

TEST_F(CommandBarTest, EnabledStateFollowsTheSession)
{
    const StateStep steps[] = {
        {EVENT_DOCUMENT_OPENED, 0, true, false, false, true},
        {EVENT_SECTION_ADDED, 1, true, true, true, true},
        {EVENT_SECTION_ADDED, 2, true, true, true, true},
        {EVENT_SECTION_REMOVED, 1, true, true, true, true},  // one of two removed: stays enabled
        {EVENT_SECTION_REMOVED, 0, true, false, false, true}, // last one removed
        {EVENT_PAGE_SIZE_CHANGED, 0, true, false, false, true},
        {EVENT_DOCUMENT_CLOSED, 0, false, false, false, false},
    };
    for (const StateStep& s : steps)
    {
        // The session's list is what the bar consults on a removal; build it
        // through the controller so it matches the step.
        while (int(app->Sections().size()) > s.sectionsAfter)
            app->RemoveSection(app->Sections().back().get());
        while (int(app->Sections().size()) < s.sectionsAfter)
            app->AddSection(PageList{1});
        bar->Notify(s.code, 0);
        EXPECT_TRUE(bar->OpenFileButton()->isEnabled());
        EXPECT_EQ(bar->NewSectionButton()->isEnabled(), s.newSection) << s.code;
        EXPECT_EQ(bar->ClearAllButton()->isEnabled(), s.clearAll) << s.code;
        EXPECT_EQ(bar->SaveSplitButton()->isEnabled(), s.saveSplit) << s.code;
        EXPECT_EQ(bar->ZoomSlider()->isEnabled(), s.slider) << s.code;
    }
}

TEST_F(CommandBarTest, RemovalEventIgnoresTheAnnouncedSection)
{
    SplitSection* only = app->AddSection(PageList{1});
    ASSERT_NE(only, nullptr);
    bar->Notify(EVENT_SECTION_ADDED, 0);
    // Announced while still in the list: it counts as gone.
    bar->Notify(EVENT_SECTION_REMOVED, reinterpret_cast<std::uintptr_t>(only));
    EXPECT_FALSE(bar->ClearAllButton()->isEnabled());
    EXPECT_FALSE(bar->SaveSplitButton()->isEnabled());
}

TEST_F(CommandBarTest, KeyboardStepsChangeThePageSizeAndAnnounceIt)
{
    bar->Notify(EVENT_DOCUMENT_OPENED, 0);
    SetWidth(1400);
    bar->ZoomSlider()->setFocus();
    QTest::keyClick(bar->ZoomSlider(), Qt::Key_Right);
    EXPECT_EQ(app->thumbnailSize, 110);
    ASSERT_EQ(recorder.codes.size(), 1u);
    EXPECT_EQ(recorder.codes[0], std::uint32_t(EVENT_PAGE_SIZE_CHANGED));
    QTest::keyClick(bar->ZoomSlider(), Qt::Key_Left);
    QTest::keyClick(bar->ZoomSlider(), Qt::Key_Left);
    EXPECT_EQ(app->thumbnailSize, 90);
    EXPECT_EQ(recorder.codes.size(), 3u);
}

TEST_F(CommandBarTest, ThumbDragChangesNothingUntilReleased)
{
    bar->Notify(EVENT_DOCUMENT_OPENED, 0);
    QSlider* s = bar->ZoomSlider();
    s->setSliderDown(true);
    s->setSliderPosition(14);
    EXPECT_EQ(app->thumbnailSize, 100);
    EXPECT_TRUE(recorder.codes.empty());
    s->setSliderDown(false);
    EXPECT_EQ(app->thumbnailSize, 140);
    EXPECT_EQ(recorder.codes.size(), 1u);
}

TEST_F(CommandBarTest, ReleasingAtTheSamePositionSendsNothing)
{
    bar->Notify(EVENT_DOCUMENT_OPENED, 0);
    QSlider* s = bar->ZoomSlider();
    s->setSliderDown(true);
    s->setSliderPosition(13);
    s->setSliderPosition(10);
    s->setSliderDown(false);
    EXPECT_EQ(app->thumbnailSize, 100);
    EXPECT_TRUE(recorder.codes.empty());
    bar->OnZoomPosition(10);
    EXPECT_TRUE(recorder.codes.empty());
}

struct LabelCase
{
    const char* name;
    const char* text;
    const char* title;
    const char* description;
};

class ToolTipLabelTest : public ::testing::TestWithParam<LabelCase>
{
};

TEST_P(ToolTipLabelTest, SplitsTitleAndDescription)
{
    QString title, description;
    CCommandToolTipCtrl::SplitLabel(QString::fromUtf8(GetParam().text), title, description);
    EXPECT_EQ(title, QString::fromUtf8(GetParam().title));
    EXPECT_EQ(description, QString::fromUtf8(GetParam().description));
}

INSTANTIATE_TEST_SUITE_P(
    Labels, ToolTipLabelTest,
    ::testing::Values(LabelCase{"TitleAndDescription", "Open File (Ctrl+O)\nOpen a file to split", "Open File (Ctrl+O)",
                                "Open a file to split"},
                      LabelCase{"TitleOnly", "Plain label", "Plain label", ""}, LabelCase{"Empty", "", "", ""},
                      LabelCase{"TabsInTitleAndDescription", "A\tB\nx\ty\nz", "A    B", "x\ty\nz"},
                      LabelCase{"DescriptionOnly", "\nonly", "", "only"}),
    TestNames::ByName());

TEST_F(CommandBarTest, TooltipShowsTitleAndDescriptionOfTheHoveredButton)
{
    SetWidth(1400);
    CCommandToolTipCtrl* tip = bar->ToolTip();
    QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), bar->OpenFileButton()->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(bar->OpenFileButton(), &help);
    EXPECT_TRUE(tip->isVisible());
    EXPECT_EQ(tip->ShownTitle(), QStringLiteral("Open File (Ctrl+O)"));
    EXPECT_EQ(tip->ShownDescription(), QStringLiteral("Open a file to split"));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(bar->OpenFileButton(), &leave);
    EXPECT_FALSE(tip->isVisible());
}

} // namespace

namespace
{

// The window as it first appears: at its default size, with the fonts the
// README installs (Liberation Sans standing in for Arial through
// fontconfig), every control of the bar has its place.
class DefaultWindowBarTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
        app = std::make_unique<CParceloApp>();
        frame = new CMainFrame();
        ASSERT_TRUE(frame->Create());
        app->SetMainWindow(frame, frame);
        // The default size on a common laptop screen (1280 x 800 less a panel).
        frame->resize(CMainFrame::DefaultFrameSize(QSize(1280, 770)));
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
    }
    void TearDown() override
    {
        delete frame.data();
        app.reset();
    }

    QTemporaryDir dir;
    std::unique_ptr<CParceloApp> app;
    QPointer<CMainFrame> frame;
};

TEST_F(DefaultWindowBarTest, ArialIsServedByItsMetricCompatibleFont)
{
    CCommandsWnd* bar = frame->MainView()->CommandBar();
    const QFontInfo label(bar->LabelFont());
    EXPECT_EQ(label.family(), QStringLiteral("Liberation Sans"))
        << "Arial is asked for and fontconfig substitutes the Liberation font (fonts-liberation2)";
    EXPECT_TRUE(label.bold());
}

TEST_F(DefaultWindowBarTest, EveryControlIsVisibleAtTheDefaultSize)
{
    EXPECT_EQ(frame->size(), QSize(CMainFrame::kDefaultWidth, CMainFrame::kDefaultHeight));
    CCommandsWnd* bar = frame->MainView()->CommandBar();
    ASSERT_EQ(bar->width(), frame->MainView()->width());
    for (QWidget* control : {static_cast<QWidget*>(bar->OpenFileButton()), static_cast<QWidget*>(bar->NewSectionButton()),
                             static_cast<QWidget*>(bar->ClearAllButton()), static_cast<QWidget*>(bar->SaveSplitButton()),
                             static_cast<QWidget*>(bar->SmallPicture()), static_cast<QWidget*>(bar->ZoomSlider()),
                             static_cast<QWidget*>(bar->LargePicture()), static_cast<QWidget*>(bar->HelpButton())})
    {
        EXPECT_FALSE(control->isHidden()) << control->metaObject()->className() << " "
                                          << control->objectName().toStdString() << " at bar width " << bar->width();
        EXPECT_TRUE(bar->rect().contains(control->geometry())) << control->metaObject()->className();
    }
    // The left group ends before the zoom group, which ends before Save Split.
    EXPECT_LT(bar->ClearAllButton()->geometry().right(), bar->SmallPicture()->x());
    EXPECT_LT(bar->LargePicture()->geometry().right(), bar->SaveSplitButton()->x());
}

} // namespace
