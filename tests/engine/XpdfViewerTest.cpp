#include "engine/XpdfViewer.h"
#include "common/PdfFixtures.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <atomic>
#include <thread>

using namespace PdfFixtures;

namespace {

class XpdfViewerTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(pdfCreateViewer(&viewer, nullptr), PDFVIEWER_OK); }
    void TearDown() override { pdfDestroyViewer(viewer); }
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir;
    PdfViewer viewer = nullptr;
};

TEST_F(XpdfViewerTest, LoadResultsForPlainEncryptedAndMissingFiles)
{
    const QString plain = Path("plain.pdf");
    const QString enc = Path("enc.pdf");
    ASSERT_TRUE(WritePlainPdf(plain, 4));
    ASSERT_TRUE(WriteEncryptedPdf(enc, 3, "user", "owner"));

    EXPECT_EQ(pdfLoadFileW(viewer, plain), PDFVIEWER_OK);
    EXPECT_EQ(pdfGetNumPages(viewer), 4);
    EXPECT_EQ(pdfLoadFileW(viewer, enc), PDFVIEWER_ERR_PASSWORD);
    EXPECT_NE(pdfLoadFileWithPasswordW(viewer, enc, "wrong"), PDFVIEWER_OK);
    EXPECT_EQ(pdfLoadFileWithPasswordW(viewer, enc, "user"), PDFVIEWER_OK);
    EXPECT_EQ(pdfGetNumPages(viewer), 3);
    EXPECT_EQ(pdfLoadFileWithPasswordW(viewer, enc, "owner"), PDFVIEWER_OK);
    // A password given for a document that needs none is harmless.
    EXPECT_EQ(pdfLoadFileWithPasswordW(viewer, plain, "anything"), PDFVIEWER_OK);

    const int missing = pdfLoadFileW(viewer, Path("missing.pdf"));
    EXPECT_NE(missing, PDFVIEWER_OK);
    EXPECT_NE(missing, PDFVIEWER_ERR_PASSWORD);
    EXPECT_NE(pdfLoadFileW(viewer, dir.path()), PDFVIEWER_OK);
    EXPECT_NE(pdfLoadFileW(nullptr, plain), PDFVIEWER_OK);
}

class ViewerDamageTest : public ::testing::TestWithParam<Damage>
{
};

TEST_P(ViewerDamageTest, DamagedFileFailsOrLoadsSafely)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("bad.pdf");
    ASSERT_TRUE(WriteDamagedPdf(path, GetParam()));
    PdfViewer viewer = nullptr;
    ASSERT_EQ(pdfCreateViewer(&viewer, nullptr), PDFVIEWER_OK);
    const int r = pdfLoadFileW(viewer, path);
    EXPECT_NE(r, PDFVIEWER_ERR_PASSWORD);
    if (GetParam() == Damage::Empty || GetParam() == Damage::Garbage || GetParam() == Damage::HeaderOnly) {
        EXPECT_NE(r, PDFVIEWER_OK);
    } else if (r == PDFVIEWER_OK) {
        // Poppler may repair the file; every page call must still be safe.
        for (int p = 1; p <= pdfGetNumPages(viewer); ++p) {
            BITMAPINFOHEADER h = {};
            h.biSize = 40;
            void* pixels = nullptr;
            pdfConvertPageToBitmap2(viewer, p, 14.4, 3, &h, &pixels);
            pdfFreeMemory(pixels);
        }
    }
    pdfDestroyViewer(viewer);
}

INSTANTIATE_TEST_SUITE_P(Kinds, ViewerDamageTest,
                         ::testing::Values(Damage::Empty, Damage::Garbage, Damage::HeaderOnly,
                                           Damage::Truncated, Damage::BrokenXref),
                         [](const auto& info) { return DamageName(info.param); });

TEST_F(XpdfViewerTest, BitmapIsBottomUpBgraWithTheHeaderFilledIn)
{
    const QString path = Path("p.pdf");
    ASSERT_TRUE(WritePlainPdf(path, 1, 720, 1440)); // 144 x 288 pixels at 14.4 dpi
    ASSERT_EQ(pdfLoadFileW(viewer, path), PDFVIEWER_OK);
    BITMAPINFOHEADER h = {};
    h.biSize = 40;
    void* pixels = nullptr;
    ASSERT_EQ(pdfConvertPageToBitmap2(viewer, 1, 14.4, 3, &h, &pixels), PDFVIEWER_OK);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(h.biWidth, 144);
    EXPECT_EQ(h.biHeight, 288);
    EXPECT_EQ(h.biBitCount, 32);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biSizeImage, 144u * 288u * 4u);
    const auto* bytes = static_cast<const unsigned char*>(pixels);
    auto pixel = [&](int x, int yFromTop) {
        return bytes + (static_cast<size_t>(h.biHeight - 1 - yFromTop) * h.biWidth + x) * 4;
    };
    // The black square sits at the top left, white paper at the bottom right.
    EXPECT_LT(pixel(3, 3)[0], 60);
    EXPECT_GT(pixel(h.biWidth - 3, h.biHeight - 3)[0], 200);
    EXPECT_GT(pixel(h.biWidth - 3, h.biHeight - 3)[2], 200);
    pdfFreeMemory(pixels);
}

TEST_F(XpdfViewerTest, RenderRejectsBadArgumentsWithoutPixels)
{
    const QString path = Path("p.pdf");
    ASSERT_TRUE(WritePlainPdf(path, 2));
    ASSERT_EQ(pdfLoadFileW(viewer, path), PDFVIEWER_OK);
    struct Case { int page; double dpi; int mode; std::uint32_t size; };
    for (const Case& c : {Case{0, 14.4, 3, 40}, Case{3, 14.4, 3, 40}, Case{1, 0.0, 3, 40},
                          Case{1, NAN, 3, 40}, Case{1, INFINITY, 3, 40}, Case{1, -5, 3, 40},
                          Case{1, 14.4, 3, 12}, Case{1, 14.4, 1, 40}}) {
        BITMAPINFOHEADER h = {};
        h.biSize = c.size;
        void* pixels = reinterpret_cast<void*>(0x1);
        EXPECT_NE(pdfConvertPageToBitmap2(viewer, c.page, c.dpi, c.mode, &h, &pixels), PDFVIEWER_OK)
            << c.page << ' ' << c.dpi;
        EXPECT_EQ(pixels, nullptr);
    }
}

TEST_F(XpdfViewerTest, HugeRenderIsCapped)
{
    const QString path = Path("huge.pdf");
    PageDesign huge;
    huge.width = 14400;
    huge.height = 14400;
    ASSERT_TRUE(WritePdf(path, {huge}));
    ASSERT_EQ(pdfLoadFileW(viewer, path), PDFVIEWER_OK);
    BITMAPINFOHEADER h = {};
    h.biSize = 40;
    void* pixels = nullptr;
    ASSERT_EQ(pdfConvertPageToBitmap2(viewer, 1, 600, 3, &h, &pixels), PDFVIEWER_OK);
    EXPECT_LE(h.biWidth, 8192);
    EXPECT_LE(static_cast<double>(h.biWidth) * h.biHeight, 16.0 * 1024 * 1024 + 1);
    EXPECT_GT(h.biWidth, 1000);
    pdfFreeMemory(pixels);
}

TEST_F(XpdfViewerTest, RotationAndBoxOfEachPage)
{
    const QString path = Path("r.pdf");
    std::vector<PageDesign> pages;
    for (int rot : {0, 90, 180, 270, -90, 450}) {
        PageDesign s;
        s.width = 300;
        s.height = 500;
        s.originX = 50;
        s.originY = 60;
        s.rotate = rot;
        pages.push_back(s);
    }
    ASSERT_TRUE(WritePdf(path, pages));
    ASSERT_EQ(pdfLoadFileW(viewer, path), PDFVIEWER_OK);
    const int expected[] = {0, 90, 180, 270, 270, 90};
    for (int p = 1; p <= 6; ++p) {
        EXPECT_EQ(pdfGetPageRotation(viewer, p), expected[p - 1]) << p;
        const double w = pdfGetPageBoxXMax(viewer, p, "media") - pdfGetPageBoxXMin(viewer, p, "media");
        const double h = pdfGetPageBoxYMax(viewer, p, "media") - pdfGetPageBoxYMin(viewer, p, "media");
        EXPECT_DOUBLE_EQ(w, 300) << p;
        EXPECT_DOUBLE_EQ(h, 500) << p;
    }
    EXPECT_EQ(pdfGetRotate(viewer), 0);
    EXPECT_EQ(pdfGetPageRotation(viewer, 99), 0);
    EXPECT_EQ(pdfGetPageBoxXMax(viewer, 99, "media"), 0.0);
}

} // namespace

namespace {

TEST(XpdfViewerThreadsTest, OneViewerUsedFromTwoThreadsAtOnce)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("t.pdf");
    PageDesign art;
    art.vectorArt = true;
    art.rotate = 90;
    ASSERT_TRUE(WritePdf(path, std::vector<PageDesign>(6, art)));
    PdfViewer viewer = nullptr;
    ASSERT_EQ(pdfCreateViewer(&viewer, nullptr), PDFVIEWER_OK);
    ASSERT_EQ(pdfLoadFileW(viewer, path), PDFVIEWER_OK);
    std::atomic<int> renderFailures{0};
    std::thread renderer([&] {
        for (int round = 0; round < 3; ++round) {
            for (int p = 1; p <= 6; ++p) {
                BITMAPINFOHEADER h = {};
                h.biSize = 40;
                void* pixels = nullptr;
                if (pdfConvertPageToBitmap2(viewer, p, 14.4, 3, &h, &pixels) != PDFVIEWER_OK)
                    ++renderFailures;
                pdfFreeMemory(pixels);
            }
        }
    });
    int badShapes = 0;
    for (int i = 0; i < 300; ++i) {
        const int p = i % 6 + 1;
        if (pdfGetPageRotation(viewer, p) != 90 || pdfGetPageBoxXMax(viewer, p, "media") != 612 ||
            pdfGetNumPages(viewer) != 6)
            ++badShapes;
    }
    renderer.join();
    EXPECT_EQ(renderFailures, 0);
    EXPECT_EQ(badShapes, 0);
    pdfDestroyViewer(viewer);
}

} // namespace
