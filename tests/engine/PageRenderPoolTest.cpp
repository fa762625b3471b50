#include "engine/PageRenderPool.h"
#include "common/PdfFixtures.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

using namespace PdfFixtures;

namespace {

int OpenForPool(const QString& path)
{
    return open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
}

// Darkness of the pixel at (x, y) counted from the top left of a pool bitmap
// (rows stored bottom row first).
int GrayAt(const PageRenderPool::Bitmap& bitmap, int x, int y)
{
    const auto* row = static_cast<const unsigned char*>(bitmap.pixels) +
                      static_cast<size_t>(bitmap.height - 1 - y) * static_cast<size_t>(bitmap.width) * 4;
    const unsigned char* pixel = row + static_cast<size_t>(x) * 4;
    return (pixel[0] + pixel[1] + pixel[2]) / 3;
}

// Several threads render through one pool at once, more threads than it may
// open handles: every bitmap is its own page's (portrait and landscape pages
// alternate, each with its black square at the top left), and the pool never
// opens more handles than allowed. Two renders sharing one document or output
// device would mix up sizes and pixels or crash.
TEST(PageRenderPoolTest, ConcurrentRendersEachGetTheirOwnPage)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("mixed.pdf");
    ASSERT_TRUE(WriteAlternatingPdf(path, 12));
    const int fd = OpenForPool(path);
    ASSERT_GE(fd, 0);
    PageRenderPool pool(fd, QByteArray(), PageRenderPool::Options(), 2);

    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 3; ++round) {
                for (int i = 0; i < 12; ++i) {
                    const int page = (i + t * 3) % 12 + 1;
                    PageRenderPool::Bitmap bitmap;
                    const PageRenderPool::Result result = pool.RenderInBox(page, 200, 100 + t * 20, bitmap);
                    const bool landscape = page % 2 == 0;
                    const bool ok = result == PageRenderPool::Result::Ok && bitmap.pixels &&
                                    (bitmap.width > bitmap.height) == landscape &&
                                    bitmap.height <= 100 + t * 20 && bitmap.width <= 200 &&
                                    GrayAt(bitmap, 1, 1) < 80 &&
                                    GrayAt(bitmap, bitmap.width - 2, bitmap.height - 2) > 200;
                    if (!ok)
                        ++wrong;
                    std::free(bitmap.pixels);
                }
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_GE(pool.HandleCount(), 1);
    EXPECT_LE(pool.HandleCount(), 2);
}

// The pool keeps reading the file it was given, even after the name is
// taken by another file, and reports pages it cannot have and files it
// cannot read.
TEST(PageRenderPoolTest, ReadsTheOpenedFileAndReportsWhatItCannotRender)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("doc.pdf");
    ASSERT_TRUE(WritePlainPdf(path, 3));
    const int fd = OpenForPool(path);
    ASSERT_GE(fd, 0);
    PageRenderPool pool(fd, QByteArray(), PageRenderPool::Options(), 1);
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(WritePlainPdf(path, 1));

    PageRenderPool::Bitmap bitmap;
    ASSERT_EQ(pool.RenderAtResolution(3, 14.4, 8192, 1e6, bitmap), PageRenderPool::Result::Ok);
    EXPECT_EQ(bitmap.height, 158); // 792 points at 14.4 dpi, rounded up
    std::free(bitmap.pixels);
    for (const int page : {0, 4, -1}) {
        EXPECT_EQ(pool.RenderInBox(page, 100, 100, bitmap), PageRenderPool::Result::BadPage) << page;
        EXPECT_EQ(bitmap.pixels, nullptr);
    }

    const QString junk = dir.filePath("junk.pdf");
    QFile file(junk);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("this is not a PDF document at all\n");
    file.close();
    PageRenderPool broken(OpenForPool(junk), QByteArray(), PageRenderPool::Options(), 2);
    EXPECT_EQ(broken.RenderInBox(1, 100, 100, bitmap), PageRenderPool::Result::Unavailable);
    EXPECT_EQ(broken.HandleCount(), 0);
}

} // namespace
