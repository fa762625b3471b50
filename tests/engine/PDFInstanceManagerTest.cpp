#include "engine/PDFInstance.h"
#include "engine/PDFInstanceManager.h"
#include "common/PdfFixtures.h"

#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

using namespace PdfFixtures;

namespace {

// Records announcements from the worker; an optional hook runs inside the
// callback (on the worker thread).
class RecordingCallback : public PDFInstanceManager::PDFPageCallback
{
public:
    void PageRetrieved(PDFInstance* instance, int page) override
    {
        if (hook)
            hook(instance, page);
        std::lock_guard<std::mutex> l(m);
        seen.emplace_back(instance, page);
        cv.notify_all();
    }
    // Waits (without a time limit that decides the result) until n announcements arrived.
    bool WaitFor(size_t n)
    {
        std::unique_lock<std::mutex> l(m);
        return cv.wait_for(l, std::chrono::seconds(30), [&] { return seen.size() >= n; });
    }
    std::vector<std::pair<PDFInstance*, int>> Seen()
    {
        std::lock_guard<std::mutex> l(m);
        return seen;
    }
    std::function<void(PDFInstance*, int)> hook;

private:
    std::mutex m;
    std::condition_variable cv;
    std::vector<std::pair<PDFInstance*, int>> seen;
};

// An instance that tells when it is deleted.
class TrackedInstance : public PDFInstance
{
public:
    TrackedInstance(PDFInstanceManager* manager, std::atomic<int>* deletions)
        : PDFInstance(manager), m_deletions(deletions)
    {
    }
    ~TrackedInstance() override { ++*m_deletions; }

private:
    std::atomic<int>* m_deletions;
};

class PageServiceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        path = dir.filePath("doc.pdf");
        ASSERT_TRUE(WritePlainPdf(path, 8));
        manager.SetCallback(&callback);
    }
    TrackedInstance* NewOpen(const QString& file)
    {
        auto* doc = new TrackedInstance(&manager, &deletions);
        EXPECT_TRUE(doc->Open(file, 218));
        return doc;
    }
    QTemporaryDir dir;
    QString path;
    std::atomic<int> deletions{0};
    RecordingCallback callback;
    PDFInstanceManager manager{false}; // started by each test when it is ready
};

TEST_F(PageServiceTest, RepeatedRequestsWhileQueuedRenderAndAnnounceOnce)
{
    TrackedInstance* doc = NewOpen(path);
    manager.AddInstance(doc, path);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(doc->GetPageImage(3, false), nullptr);
    EXPECT_EQ(manager.PendingRequests(), 1u);
    ASSERT_TRUE(manager.Start());
    ASSERT_TRUE(callback.WaitFor(1));
    manager.Stop(OruLockable::kInfinite);
    EXPECT_EQ(callback.Seen(), (std::vector<std::pair<PDFInstance*, int>>{{doc, 3}}));
    const QImage* image = doc->GetPageImage(3, false);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->height(), 158); // 792 pt at 14.4 dpi
    EXPECT_EQ(manager.PendingRequests(), 0u);
    manager.ReleaseInstance(doc);
    EXPECT_EQ(deletions, 1);
}

TEST_F(PageServiceTest, RequestsRunInArrivalOrderAcrossInstances)
{
    TrackedInstance* a = NewOpen(path);
    TrackedInstance* b = NewOpen(path);
    manager.AddInstance(a, path + "a");
    manager.AddInstance(b, path + "b");
    const std::vector<std::pair<PDFInstance*, int>> order = {{a, 5}, {b, 1}, {a, 2}, {a, 8}, {b, 5}};
    for (const auto& [doc, page] : order)
        manager.RequestPage(page, doc);
    manager.RequestPage(2, a); // duplicate of a queued one
    ASSERT_TRUE(manager.Start());
    ASSERT_TRUE(callback.WaitFor(order.size()));
    manager.Stop(OruLockable::kInfinite);
    EXPECT_EQ(callback.Seen(), order);
    manager.ReleaseInstance(a);
    manager.ReleaseInstance(b);
    EXPECT_EQ(deletions, 2);
}

TEST_F(PageServiceTest, PageRenderedForADragIsOnlyAnnouncedByTheEarlierRequest)
{
    TrackedInstance* doc = NewOpen(path);
    manager.AddInstance(doc, path);
    EXPECT_EQ(doc->GetPageImage(4, false), nullptr);
    const QImage* now = doc->GetPageImage(4, true);
    ASSERT_NE(now, nullptr);
    ASSERT_TRUE(manager.Start());
    ASSERT_TRUE(callback.WaitFor(1));
    manager.Stop(OruLockable::kInfinite);
    EXPECT_EQ(doc->GetPageImage(4, false), now); // same image, not rendered again
    manager.ReleaseInstance(doc);
}

TEST_F(PageServiceTest, ReferenceCountsAndPathKeys)
{
    TrackedInstance* doc = NewOpen(path);
    manager.AddInstance(doc, "/Data/Report.PDF");
    EXPECT_EQ(manager.ReferenceCount(doc), 1);
    EXPECT_EQ(manager.FindInstance("/data/report.pdf"), doc);
    EXPECT_EQ(manager.FindInstance("/DATA/REPORT.pdf"), doc);
    EXPECT_EQ(manager.ReferenceCount(doc), 3);
    EXPECT_EQ(manager.FindInstance("/data/report.pdf "), nullptr);
    EXPECT_EQ(manager.FindInstance("/data/other.pdf"), nullptr);

    // Only ASCII letters are folded.
    TrackedInstance* accented = NewOpen(path);
    manager.AddInstance(accented, QString::fromUtf8("/x/\xC3\x89t\xC3\xA9.pdf")); // "Été"
    EXPECT_EQ(manager.FindInstance(QString::fromUtf8("/x/\xC3\xA9t\xC3\xA9.pdf")), nullptr);
    EXPECT_EQ(manager.FindInstance(QString::fromUtf8("/X/\xC3\x89T\xC3\xA9.PDF")), accented);
    manager.ReleaseInstance(accented);
    manager.ReleaseInstance(accented);
    EXPECT_EQ(deletions, 1);

    manager.ReleaseInstance(doc);
    manager.ReleaseInstance(doc);
    EXPECT_EQ(deletions, 1);
    manager.ReleaseInstance(doc);
    EXPECT_EQ(deletions, 2);
    EXPECT_EQ(manager.FindInstance("/data/report.pdf"), nullptr);
}

TEST_F(PageServiceTest, ClosingWhileRenderingWaitsAndDropsOnlyThatDocumentsRequests)
{
    TrackedInstance* a = NewOpen(path);
    TrackedInstance* b = NewOpen(path);
    manager.AddInstance(a, "a");
    manager.AddInstance(b, "b");
    std::atomic<bool> inside{false};
    std::atomic<bool> sawDroppedQueue{false};
    callback.hook = [&](PDFInstance* doc, int page) {
        if (doc != a || page != 1)
            return;
        inside = true;
        // Stay "rendering" until the close has removed a's queued requests.
        while (manager.PendingRequests() != 2)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        sawDroppedQueue = true;
    };
    manager.RequestPage(1, a);
    manager.RequestPage(2, a);
    manager.RequestPage(1, b);
    manager.RequestPage(3, a);
    manager.RequestPage(2, b);
    ASSERT_TRUE(manager.Start());
    while (!inside)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    manager.ReleaseInstance(a); // returns only after a's page 1 finished
    EXPECT_TRUE(sawDroppedQueue);
    EXPECT_EQ(deletions, 1);
    ASSERT_TRUE(callback.WaitFor(3));
    manager.Stop(OruLockable::kInfinite);
    const auto seen = callback.Seen();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], (std::pair<PDFInstance*, int>{a, 1}));
    EXPECT_EQ(seen[1], (std::pair<PDFInstance*, int>{b, 1}));
    EXPECT_EQ(seen[2], (std::pair<PDFInstance*, int>{b, 2}));
    manager.ReleaseInstance(b);
}

TEST_F(PageServiceTest, ClosingWithManyQueuedRequestsOnARunningWorker)
{
    // No image may be delivered to, and no render run on, a freed instance
    // (the sanitizers check the memory side).
    for (int round = 0; round < 5; ++round) {
        TrackedInstance* doc = NewOpen(path);
        manager.AddInstance(doc, path);
        if (round == 0)
            ASSERT_TRUE(manager.Start());
        for (int p = 1; p <= 8; ++p)
            doc->GetPageImage(p, false);
        manager.ReleaseInstance(doc);
        EXPECT_EQ(manager.PendingRequests(), 0u);
    }
    EXPECT_EQ(deletions, 5);
    manager.Stop(OruLockable::kInfinite);
}

TEST_F(PageServiceTest, FailedPageIsNotRequestedAgainByItsRepaint)
{
    const QString bad = dir.filePath("bad.pdf");
    PageSpec broken;
    broken.width = 0; // a page with no area cannot be rendered
    ASSERT_TRUE(WritePdf(bad, {PageSpec{}, broken}));
    TrackedInstance* doc = NewOpen(bad);
    manager.AddInstance(doc, bad);
    ASSERT_TRUE(manager.Start());
    // Each repaint asks for the page; after the first failure no request follows.
    for (int repaint = 0; repaint < 5; ++repaint) {
        EXPECT_EQ(doc->GetPageImage(2, false), nullptr);
        ASSERT_TRUE(callback.WaitFor(1));
    }
    doc->GetPageImage(1, false);
    ASSERT_TRUE(callback.WaitFor(2));
    manager.Stop(OruLockable::kInfinite);
    EXPECT_TRUE(doc->PageRenderFailed(2));
    EXPECT_EQ(doc->GetPageImage(2, true), nullptr);
    const auto seen = callback.Seen();
    ASSERT_EQ(seen.size(), 2u); // one announcement for the failed page, one for page 1
    EXPECT_EQ(seen[0].second, 2);
    EXPECT_EQ(seen[1].second, 1);
    // Opening the document again gives the page another chance.
    ASSERT_TRUE(doc->Open(bad, 218));
    EXPECT_FALSE(doc->PageRenderFailed(2));
    manager.ReleaseInstance(doc);
}

TEST_F(PageServiceTest, HostWindowSlotsGrowAndAreReused)
{
    std::vector<CHiddenWnd*> windows;
    for (int i = 0; i < 4; ++i)
        windows.push_back(manager.CreateHostWindow());
    EXPECT_EQ(manager.HostWindowSlots(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(windows[i]->Slot(), i);
        EXPECT_EQ(windows[i]->ControlId(), 130 + i);
    }
    windows.push_back(manager.CreateHostWindow());
    EXPECT_EQ(manager.HostWindowSlots(), 8u);
    EXPECT_EQ(windows[4]->Slot(), 4);
    delete windows[1];
    CHiddenWnd* again = manager.CreateHostWindow();
    EXPECT_EQ(again->Slot(), 1);
    EXPECT_EQ(manager.HostWindowSlots(), 8u);
    delete again;
    for (int i : {0, 2, 3, 4})
        delete windows[i];
}

TEST_F(PageServiceTest, InstanceDestructionFreesItsHostWindowSlot)
{
    TrackedInstance* doc = NewOpen(path);
    EXPECT_EQ(manager.HostWindowSlots(), 4u);
    manager.AddInstance(doc, path);
    manager.ReleaseInstance(doc);
    CHiddenWnd* next = manager.CreateHostWindow();
    EXPECT_EQ(next->Slot(), 0);
    delete next;
}

TEST(PageServiceShutdownTest, ManagerStoppedWithQueuedAndRunningRequests)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("many.pdf");
    // Small pages: each render ends well within the stop time-out, so the
    // worker is joined rather than abandoned and the document may go after it.
    ASSERT_TRUE(WritePlainPdf(path, 20));
    RecordingCallback callback;
    auto manager = std::make_unique<PDFInstanceManager>(false);
    manager->SetCallback(&callback);
    auto doc = std::make_unique<PDFInstance>(manager.get());
    ASSERT_TRUE(doc->Open(path, 218));
    for (int p = 1; p <= 20; ++p)
        doc->GetPageImage(p, false);
    ASSERT_TRUE(manager->Start());
    ASSERT_TRUE(callback.WaitFor(1));
    // Program exit: the manager goes first (queued requests dropped, the
    // worker stopped within its time-out), then the document.
    manager.reset();
    const size_t announced = callback.Seen().size();
    EXPECT_GE(announced, 1u);
    EXPECT_LE(announced, 20u);
    doc.reset();
    EXPECT_EQ(callback.Seen().size(), announced);
}

} // namespace
