// Long session work in the window: it runs on a work thread under the
// progress dialog while the window thread keeps handling events, Cancel
// stops it, and the questions it asks come up on the window thread in order.
#include "common/PdfFixtures.h"
#include "resources/StringTable.h"
#include "session/SaveSplit.h"
#include "session/SessionUser.h"
#include "session/SplitBySize.h"
#include "session/SplitSection.h"
#include "ui/CNewProgressDlg.h"
#include "ui/CStringDlg.h"
#include "session/CParceloApp.h"
#include "session/ParceloInstance.h"
#include "engine/PDFInstanceManager.h"
#include "ui/DialogUser.h"
#include "ui/LongWorkRunner.h"
#include "ui/NewSplitSheet.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <mutex>
#include <numeric>
#include <thread>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// Counts the ticks of a fast timer of the window thread: each tick is an
// event the window thread handled.
class TickCounter
{
public:
    TickCounter()
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { ++ticks; });
        m_timer.start();
    }
    std::atomic<int> ticks{0};

private:
    QTimer m_timer;
};

// Calls the action with the dialog the window shows (the active modal
// widget of the given kind) as soon as one appears, up to `times` times.
template <typename Dialog>
class WhenShown
{
public:
    WhenShown(std::function<void(Dialog*)> action, int times = 1) : m_action(std::move(action)), m_left(times)
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible() || dialog == m_last || m_left <= 0)
                return;
            m_last = dialog;
            --m_left;
            m_action(dialog);
        });
        m_timer.start();
    }

private:
    std::function<void(Dialog*)> m_action;
    int m_left;
    QPointer<Dialog> m_last;
    QTimer m_timer;
};

class LongWorkTest : public ::testing::Test
{
protected:
    void SetUp() override { previous = SetSessionUser(&user); }
    void TearDown() override { SetSessionUser(previous); }

    DialogUser user;
    SessionUser* previous = nullptr;
};

TEST_F(LongWorkTest, RunsOffTheWindowThreadWhileTheWindowHandlesEvents)
{
    TickCounter counter;
    QStringList shownTexts;
    WhenShown<CNewProgressDlg> watch([&](CNewProgressDlg* dialog) { shownTexts.append(dialog->windowTitle()); });
    std::atomic<int> ticksDuringWork{-1};
    Qt::HANDLE workThread = nullptr;
    int stepsDone = 0;

    RunLongWork(QStringLiteral("Slow work"), [&](LongWorkProgress& progress) {
        workThread = QThread::currentThreadId();
        const int before = counter.ticks;
        progress.SetRange(8);
        for (int i = 0; i < 8 && !progress.StopRequested(); ++i)
        {
            progress.SetStep(QStringLiteral("step %1").arg(i + 1), i);
            std::this_thread::sleep_for(40ms); // a slow engine
            ++stepsDone;
        }
        ticksDuringWork = counter.ticks - before;
    });

    EXPECT_NE(workThread, QThread::currentThreadId());
    EXPECT_EQ(stepsDone, 8);
    EXPECT_GT(ticksDuringWork.load(), 0) << "the window thread handled no event while the work ran";
    EXPECT_EQ(shownTexts, QStringList{QStringLiteral("Slow work")});
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(LongWorkTest, QuickWorkShowsNoDialog)
{
    bool dialogSeen = false;
    WhenShown<CNewProgressDlg> watch([&](CNewProgressDlg*) { dialogSeen = true; });
    bool ran = false;
    RunLongWork(QStringLiteral("Quick"), [&](LongWorkProgress&) { ran = true; });
    QCoreApplication::processEvents();
    EXPECT_TRUE(ran);
    EXPECT_FALSE(dialogSeen);
}

TEST_F(LongWorkTest, CancelAsksTheWorkToStopAndWaitsForIt)
{
    WhenShown<CNewProgressDlg> cancel([](CNewProgressDlg* dialog) { dialog->CancelButton()->click(); });
    int steps = 0;
    bool stopSeen = false;
    RunLongWork(QStringLiteral("Endless"), [&](LongWorkProgress& progress) {
        // Runs until it is told to stop (or for a minute, so that a broken
        // Cancel fails the test instead of hanging it).
        for (; steps < 6000; ++steps)
        {
            if (progress.StopRequested())
            {
                stopSeen = true;
                return;
            }
            std::this_thread::sleep_for(10ms);
        }
    });
    EXPECT_TRUE(stopSeen);
    EXPECT_LT(steps, 6000);
}

TEST_F(LongWorkTest, QuestionsFromTheWorkComeUpOnTheWindowThreadInOrder)
{
    // Each box is answered by the window thread: Yes, No, Yes.
    QStringList asked;
    std::vector<bool> onWindowThread;
    int answered = 0;
    WhenShown<QMessageBox> answer(
        [&](QMessageBox* box) {
            asked.append(box->text());
            onWindowThread.push_back(box->thread() == QCoreApplication::instance()->thread() &&
                                     QThread::currentThread() == QCoreApplication::instance()->thread());
            box->button(answered++ == 1 ? QMessageBox::No : QMessageBox::Yes)->click();
        },
        3);
    std::vector<Prompt::StandardButton> answers;
    RunLongWork(QStringLiteral("Asking"), [&](LongWorkProgress&) {
        std::this_thread::sleep_for(100ms); // the progress dialog is up by now
        for (int i = 1; i <= 3; ++i)
            answers.push_back(ShowQuestion(QStringLiteral("question %1").arg(i), Prompt::Yes | Prompt::No));
    });
    EXPECT_EQ(asked, (QStringList{"question 1", "question 2", "question 3"}));
    EXPECT_EQ(onWindowThread, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(answers, (std::vector<Prompt::StandardButton>{Prompt::Yes, Prompt::No, Prompt::Yes}));
}

// A question the work asks at once comes up before the progress dialog
// does; closing its window (as the title bar's close button does) answers
// it like Cancel.
TEST_F(LongWorkTest, QuestionAskedBeforeTheDialogIsUpClosesWithItsWindow)
{
    bool closedByItsWindow = false;
    WhenShown<CStringDlg> closer([&](CStringDlg* prompt) {
        prompt->close();
        closedByItsWindow = !prompt->isVisible();
        if (!closedByItsWindow)
            prompt->hide(); // ends the test instead of hanging it
    });
    bool answered = true;
    RunLongWork(QStringLiteral("Asking"), [&](LongWorkProgress&) {
        QString typed;
        answered = AskPassword(QStringLiteral("Password"), typed);
    });
    EXPECT_TRUE(closedByItsWindow);
    EXPECT_FALSE(answered);
}

// A measurer as slow as a big document's trial writes; it notes the threads
// it ran on.
class SlowMeasurer : public PageGroupMeasurer
{
public:
    std::optional<std::uint64_t> MeasurePages(const PageList&, std::size_t n) override
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            threads.push_back(QThread::currentThreadId());
        }
        std::this_thread::sleep_for(30ms);
        return 1000 * n;
    }
    std::mutex mutex;
    std::vector<Qt::HANDLE> threads;
};

TEST_F(LongWorkTest, BySizeMeasuresOffTheWindowThread)
{
    auto measurer = std::make_unique<SlowMeasurer>();
    SlowMeasurer* slow = measurer.get();
    PageList all(30);
    std::iota(all.begin(), all.end(), 1);
    CNewSplitSectionSheet sheet(30, all, std::move(measurer));
    sheet.Tabs()->setCurrentWidget(sheet.SizePage());
    sheet.SizePage()->UnitCombo()->setCurrentIndex(1); // KB
    sheet.SizePage()->SizeEdit()->setText(QStringLiteral("7"));
    TickCounter counter;
    const int before = counter.ticks;
    sheet.accept();
    EXPECT_EQ(sheet.result(), QDialog::Accepted);
    std::vector<PageList> expected;
    for (int first = 1; first <= 30; first += 7)
    {
        expected.emplace_back();
        for (int page = first; page < first + 7 && page <= 30; ++page)
            expected.back().push_back(page);
    }
    EXPECT_EQ(sheet.ResultLists(), expected);
    EXPECT_GT(counter.ticks - before, 0);
    ASSERT_FALSE(slow->threads.empty());
    for (Qt::HANDLE thread : slow->threads)
        EXPECT_NE(thread, QThread::currentThreadId());
}

TEST_F(LongWorkTest, CancelledBySizeKeepsTheSheetOpen)
{
    auto measurer = std::make_unique<SlowMeasurer>();
    PageList all(200);
    std::iota(all.begin(), all.end(), 1);
    CNewSplitSectionSheet sheet(200, all, std::move(measurer));
    sheet.Tabs()->setCurrentWidget(sheet.SizePage());
    sheet.SizePage()->UnitCombo()->setCurrentIndex(1); // KB
    sheet.SizePage()->SizeEdit()->setText(QStringLiteral("2"));
    WhenShown<CNewProgressDlg> cancel([](CNewProgressDlg* dialog) { dialog->CancelButton()->click(); });
    bool messageShown = false;
    WhenShown<QMessageBox> box([&](QMessageBox* b) {
        messageShown = true;
        b->accept();
    });
    sheet.accept();
    EXPECT_NE(sheet.result(), QDialog::Accepted);
    EXPECT_TRUE(sheet.ResultLists().empty());
    EXPECT_FALSE(messageShown);
}

// Save Split in the window: the files are written on a work thread, the
// window keeps handling events, and Cancel stops at the next file and says
// how many were written.
class SaveInWindow : public LongWorkTest
{
protected:
    void SetUp() override
    {
        LongWorkTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        source = dir.filePath(QStringLiteral("source.pdf"));
        std::vector<PdfFixtures::PageDesign> pages(60);
        for (auto& p : pages)
            p.imageSide = 120; // enough work per file to be seen
        ASSERT_TRUE(PdfFixtures::WritePdf(source, pages));
        folder = dir.filePath(QStringLiteral("out"));
        ASSERT_TRUE(QDir().mkpath(folder));
        for (int i = 0; i < 60; ++i)
        {
            auto s = std::make_unique<SplitSection>();
            s->fileName = QStringLiteral("part%1.pdf").arg(i + 1, 2, 10, QLatin1Char('0'));
            s->pages = {i + 1};
            s->number = i + 1;
            sections.push_back(std::move(s));
        }
    }
    SaveRequest Request()
    {
        SaveRequest r;
        r.sourcePath = source;
        r.folder = folder;
        for (auto& s : sections)
            r.sections.push_back(s.get());
        return r;
    }
    QStringList Written() const { return QDir(folder).entryList(QDir::Files | QDir::Hidden); }

    QTemporaryDir dir;
    QString source;
    QString folder;
    std::vector<std::unique_ptr<SplitSection>> sections;
};

TEST_F(SaveInWindow, WritesOffTheWindowThread)
{
    TickCounter counter;
    const int before = counter.ticks;
    EXPECT_EQ(SaveSections(Request()), SaveOutcome::Saved);
    EXPECT_GT(counter.ticks - before, 0);
    EXPECT_EQ(Written().size(), 60);
}

// Holds the work at its second file until the user has asked it to stop, so
// that Cancel is pressed while files remain however fast the machine writes
// (the progress dialog only comes up once the work has run a while).
class HoldAtSecondFile : public LongWorkProgress
{
public:
    explicit HoldAtSecondFile(LongWorkProgress& inner) : m_inner(inner) {}
    void SetRange(qint64 maximum) override { m_inner.SetRange(maximum); }
    void SetStep(const QString& text, qint64 position) override
    {
        m_inner.SetStep(text, position);
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (position >= 1 && !m_inner.StopRequested() && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    bool StopRequested() const override { return m_inner.StopRequested(); }

private:
    LongWorkProgress& m_inner;
};

TEST_F(SaveInWindow, CancelStopsAtTheNextFileAndSaysHowManyWereWritten)
{
    const LongWorkHandler previous = SetLongWorkHandler([](const QString& title, const LongWork& work) {
        CurrentSessionUser()->RunLongWork(title, [&work](LongWorkProgress& progress) {
            HoldAtSecondFile held(progress);
            work(held);
        });
    });
    // Cancel as soon as the dialog comes up.
    WhenShown<CNewProgressDlg> cancel([](CNewProgressDlg* dialog) { dialog->CancelButton()->click(); });
    QString told;
    WhenShown<QMessageBox> box([&](QMessageBox* b) {
        told = b->text();
        b->accept();
    });
    const SaveOutcome outcome = SaveSections(Request());
    SetLongWorkHandler(previous);
    EXPECT_EQ(outcome, SaveOutcome::Cancelled);
    const QStringList written = Written();
    EXPECT_LT(written.size(), 60);
    for (const QString& name : written)
    {
        EXPECT_FALSE(name.startsWith(QLatin1Char('.'))) << "left behind: " << name.toStdString();
        EXPECT_EQ(PdfFixtures::PageCount(QDir(folder).filePath(name)), 1) << name.toStdString();
    }
    EXPECT_EQ(told, QStringLiteral("Saving was cancelled: %1 of 60 files were written").arg(written.size()));
}

// Opening in the window: the password prompt the reading asks for comes up
// on the window thread, and the document becomes the session's.
TEST_F(LongWorkTest, OpeningAsksForThePasswordOnTheWindowThread)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    qputenv("PARCELO_COMMON_APPDATA", dir.filePath(QStringLiteral("appdata")).toUtf8());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath(QStringLiteral("settings")));
    CParceloApp app;
    ASSERT_TRUE(app.InitInstance());
    const QString path = dir.filePath(QStringLiteral("locked.pdf"));
    ASSERT_TRUE(PdfFixtures::WriteEncryptedPdf(path, 3, "user-pw", "owner-pw"));

    QStringList titles;
    bool onWindowThread = false;
    const auto previousHook = CStringDlg::SetModalHook([&](CStringDlg& prompt) {
        titles.append(prompt.m_title);
        onWindowThread = QThread::currentThread() == QCoreApplication::instance()->thread() &&
                         prompt.thread() == QThread::currentThread();
        prompt.Type(QStringLiteral("user-pw"));
        prompt.PressOk();
    });
    const bool opened = app.OpenDocument(path);
    CStringDlg::SetModalHook(previousHook);
    ASSERT_TRUE(opened);
    EXPECT_EQ(titles, QStringList{QStringLiteral("Enter Password for locked.pdf")});
    EXPECT_TRUE(onWindowThread);
    EXPECT_EQ(app.PageCount(), 3);
    EXPECT_EQ(app.Document()->GetPassword(), QStringLiteral("user-pw"));
    app.CloseDocument();
    app.ExitInstance();
    qunsetenv("PARCELO_COMMON_APPDATA");
}

} // namespace
