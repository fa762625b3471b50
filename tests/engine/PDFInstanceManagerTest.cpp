#include "engine/PDFInstance.h"
#include "engine/PDFInstanceManager.h"
#include "common/PdfFixtures.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <string>
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
    // One render worker, so the order of the announcements is known; started
    // by each test when it is ready.
    PDFInstanceManager manager{false, 1};
};

// A document whose second page the viewer cannot build (its /Contents is a
// number), while the page tree still counts it: that page cannot be
// rendered. Written by hand, as no PDF library writes one.
bool WriteUnbuildablePage(const QString& path)
{
    const std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 5 0 R >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 42 >>",
        "<< /Length 24 >>\nstream\n0 0 0 rg 0 0 50 50 re f\nendstream",
    };
    std::string out = "%PDF-1.4\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(out.size());
        out += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const size_t xref = out.size();
    out += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t offset : offsets) {
        char line[32];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
        out += line;
    }
    out += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(out.data(), qint64(out.size())) == qint64(out.size());
}

TEST_F(PageServiceTest, RepeatedRequestsWhileQueuedRenderAndAnnounceOnce)
{
    TrackedInstance* doc = NewOpen(path);
    manager.AddInstance(doc, path);
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(doc->GetPageImage(3, false).isNull());
    EXPECT_EQ(manager.PendingRequests(), 1u);
    ASSERT_TRUE(manager.Start());
    ASSERT_TRUE(callback.WaitFor(1));
    manager.Stop(OruLockable::kInfinite);
    EXPECT_EQ(callback.Seen(), (std::vector<std::pair<PDFInstance*, int>>{{doc, 3}}));
    const QImage image = doc->GetPageImage(3, false);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.height(), 160); // the largest cell
    EXPECT_EQ(image.width(), 124);  // a letter page's shape
    EXPECT_EQ(manager.PendingRequests(), 0u);
    manager.ReleaseInstance(doc);
    EXPECT_EQ(deletions, 1);
}

TEST_F(PageServiceTest, NewestRequestRunsFirstAcrossInstances)
{
    TrackedInstance* a = NewOpen(path);
    TrackedInstance* b = NewOpen(path);
    manager.AddInstance(a, path + "a");
    manager.AddInstance(b, path + "b");
    for (const auto& [doc, page] : std::vector<std::pair<PDFInstance*, int>>{{a, 5}, {b, 1}, {a, 2}, {a, 8}, {b, 5}})
        manager.RequestPage(page, doc);
    manager.RequestPage(2, a); // asked again: one request, now the newest
    EXPECT_EQ(manager.PendingRequests(), 5u);
    ASSERT_TRUE(manager.Start());
    ASSERT_TRUE(callback.WaitFor(5));
    manager.Stop(OruLockable::kInfinite);
    EXPECT_EQ(callback.Seen(), (std::vector<std::pair<PDFInstance*, int>>{{a, 2}, {b, 5}, {a, 8}, {b, 1}, {a, 5}}));
    manager.ReleaseInstance(a);
    manager.ReleaseInstance(b);
    EXPECT_EQ(deletions, 2);
}

TEST_F(PageServiceTest, PageRenderedForADragIsOnlyAnnouncedByTheEarlierRequest)
{
    TrackedInstance* doc = NewOpen(path);
    manager.AddInstance(doc, path);
    EXPECT_TRUE(doc->GetPageImage(4, false).isNull());
    const QImage now = doc->GetPageImage(4, true);
    ASSERT_FALSE(now.isNull());
    ASSERT_TRUE(manager.Start());
    ASSERT_TRUE(callback.WaitFor(1));
    manager.Stop(OruLockable::kInfinite);
    EXPECT_EQ(doc->GetPageImage(4, false).cacheKey(), now.cacheKey()); // same image, not rendered again
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
        // Stay "rendering" until the close has removed a's queued requests
        // (or long enough to tell that it never will).
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (manager.PendingRequests() != 2 && std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        sawDroppedQueue = manager.PendingRequests() == 2;
    };
    // Served newest first: a1, then b2 and b1 once a's others are gone.
    manager.RequestPage(2, a);
    manager.RequestPage(1, b);
    manager.RequestPage(3, a);
    manager.RequestPage(2, b);
    manager.RequestPage(1, a);
    ASSERT_TRUE(manager.Start());
    const auto started = std::chrono::steady_clock::now();
    while (!inside && std::chrono::steady_clock::now() - started < std::chrono::seconds(30))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(inside);
    manager.ReleaseInstance(a); // returns only after a's page 1 finished
    EXPECT_TRUE(sawDroppedQueue);
    EXPECT_EQ(deletions, 1);
    ASSERT_TRUE(callback.WaitFor(3));
    manager.Stop(OruLockable::kInfinite);
    const auto seen = callback.Seen();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], (std::pair<PDFInstance*, int>{a, 1}));
    EXPECT_EQ(seen[1], (std::pair<PDFInstance*, int>{b, 2}));
    EXPECT_EQ(seen[2], (std::pair<PDFInstance*, int>{b, 1}));
    manager.ReleaseInstance(b);
}

TEST_F(PageServiceTest, ClosingWithManyQueuedRequestsOnRunningWorkers)
{
    // No image may be delivered to, and no render run on, a freed instance
    // (the sanitizers check the memory side), with one worker or two.
    PDFInstanceManager two(false, 2);
    ASSERT_EQ(two.RenderWorkerCount(), 2);
    two.SetCallback(&callback);
    for (PDFInstanceManager* service : {&manager, &two}) {
        for (int round = 0; round < 5; ++round) {
            auto* doc = new TrackedInstance(service, &deletions);
            ASSERT_TRUE(doc->Open(path, 218));
            service->AddInstance(doc, path);
            if (round == 0)
                ASSERT_TRUE(service->Start());
            for (int p = 1; p <= 8; ++p)
                doc->GetPageImage(p, false);
            service->ReleaseInstance(doc);
            EXPECT_EQ(service->PendingRequests(), 0u);
        }
        service->Stop(OruLockable::kInfinite);
    }
    EXPECT_EQ(deletions, 10);
}

TEST_F(PageServiceTest, FailedPageIsNotRequestedAgainByItsRepaint)
{
    const QString bad = dir.filePath("bad.pdf");
    ASSERT_TRUE(WriteUnbuildablePage(bad));
    TrackedInstance* doc = NewOpen(bad);
    ASSERT_EQ(doc->GetPageCount(), 2);
    manager.AddInstance(doc, bad);
    ASSERT_TRUE(manager.Start());
    // Each repaint asks for the page; after the first failure no request follows.
    for (int repaint = 0; repaint < 5; ++repaint) {
        EXPECT_TRUE(doc->GetPageImage(2, false).isNull());
        ASSERT_TRUE(callback.WaitFor(1));
    }
    doc->GetPageImage(1, false);
    ASSERT_TRUE(callback.WaitFor(2));
    manager.Stop(OruLockable::kInfinite);
    EXPECT_TRUE(doc->PageRenderFailed(2));
    EXPECT_TRUE(doc->GetPageImage(2, true).isNull());
    const auto seen = callback.Seen();
    ASSERT_EQ(seen.size(), 2u); // one announcement for the failed page, one for page 1
    EXPECT_EQ(seen[0].second, 2);
    EXPECT_EQ(seen[1].second, 1);
    // Opening the document again gives the page another chance.
    ASSERT_TRUE(doc->Open(bad, 218));
    EXPECT_FALSE(doc->PageRenderFailed(2));
    manager.ReleaseInstance(doc);
}

TEST_F(PageServiceTest, RequestsForPagesNoViewShowsAreDroppedBeforeRendering)
{
    TrackedInstance* doc = NewOpen(path);
    manager.AddInstance(doc, path);
    int area = 0, card = 0; // two views
    // The user scrolled past pages 1 to 6; the area now shows 7 and 8, a
    // section card shows 3.
    for (int page = 1; page <= 8; ++page)
        doc->GetPageImage(page, false);
    doc->SetShownPages(&area, {8, 7});
    doc->SetShownPages(&card, {3});
    doc->ForgetView(&card); // the card is gone
    ASSERT_TRUE(manager.Start());
    ASSERT_TRUE(callback.WaitFor(2));
    // The worker goes through the rest of the queue, dropping every request.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (manager.PendingRequests() > 0 && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    manager.Stop(OruLockable::kInfinite);
    EXPECT_EQ(callback.Seen(), (std::vector<std::pair<PDFInstance*, int>>{{doc, 8}, {doc, 7}}));
    EXPECT_EQ(manager.PendingRequests(), 0u);
    for (int page = 1; page <= 6; ++page)
        EXPECT_TRUE(doc->GetPageImage(page, false).isNull()) << page; // asked again: queued, not rendered
    // Scrolled back: the pages are asked for again and arrive.
    doc->SetShownPages(&area, {1, 2});
    ASSERT_TRUE(manager.Start());
    ASSERT_TRUE(callback.WaitFor(4));
    manager.Stop(OruLockable::kInfinite);
    const auto seen = callback.Seen();
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[2], (std::pair<PDFInstance*, int>{doc, 2}));
    EXPECT_EQ(seen[3], (std::pair<PDFInstance*, int>{doc, 1}));
    EXPECT_TRUE(doc->IsPageWanted(1));
    EXPECT_FALSE(doc->IsPageWanted(5));
    manager.ReleaseInstance(doc);
}

TEST_F(PageServiceTest, ImageOfAnotherSizeIsShownUntilItsReplacementArrives)
{
    TrackedInstance* doc = NewOpen(path);
    manager.AddInstance(doc, path);
    const PageImageTarget small{100, 1.0};
    const PageImageTarget sharp{100, 2.0};
    const QImage first = doc->GetPageImage(1, true, small);
    ASSERT_EQ(first.height(), 100);
    // A screen with two device pixels per pixel: the old image meanwhile.
    EXPECT_EQ(doc->GetPageImage(1, false, sharp).cacheKey(), first.cacheKey());
    EXPECT_EQ(manager.PendingRequests(), 1u);
    ASSERT_TRUE(manager.Start());
    ASSERT_TRUE(callback.WaitFor(1));
    manager.Stop(OruLockable::kInfinite);
    const QImage second = doc->GetPageImage(1, false, sharp);
    EXPECT_EQ(second.height(), 200);
    EXPECT_EQ(manager.PendingRequests(), 0u);
    // The first image is still whole for whoever drew it.
    EXPECT_EQ(first.height(), 100);
    EXPECT_EQ(first.pixel(first.width() - 2, first.height() - 2), qRgb(255, 255, 255));
    // Beyond the largest cell nothing grows.
    EXPECT_EQ(doc->GetPageImage(1, true, PageImageTarget{5000, 100.0}).height(), kLargestThumbnailHeight * 8);
    manager.ReleaseInstance(doc);
}

TEST(PageServiceWorkersTest, TwoWorkersRenderEveryPageOnceWithItsOwnShape)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("mixed.pdf");
    // Portrait and landscape pages in turn, with art that takes a while to
    // draw, so the two workers render at the same time.
    ASSERT_TRUE(WriteAlternatingPdf(path, 24));
    RecordingCallback callback;
    PDFInstanceManager manager(false, 2);
    manager.SetCallback(&callback);
    auto* doc = new PDFInstance(&manager);
    ASSERT_TRUE(doc->Open(path, 218));
    manager.AddInstance(doc, path);
    for (int page = 1; page <= 24; ++page)
        doc->GetPageImage(page, false);
    ASSERT_TRUE(manager.Start());
    ASSERT_TRUE(callback.WaitFor(24));
    manager.Stop(OruLockable::kInfinite);
    const auto seen = callback.Seen();
    ASSERT_EQ(seen.size(), 24u);
    std::vector<int> times(25, 0);
    for (const auto& [instance, page] : seen)
        ++times[static_cast<size_t>(page)];
    for (int page = 1; page <= 24; ++page) {
        EXPECT_EQ(times[static_cast<size_t>(page)], 1) << page;
        const QImage image = doc->GetPageImage(page, false);
        ASSERT_FALSE(image.isNull()) << page;
        // Each image is its own page's: landscape pages are wider than high.
        EXPECT_EQ(image.width() > image.height(), page % 2 == 0) << page;
        // The page's black square sits at its top left.
        EXPECT_LT(qGray(image.pixel(1, 1)), 80) << page;
    }
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
