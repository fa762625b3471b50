// Checks the test PDF writer itself, since every other subsystem's tests rely on it.
#include "common/PdfFixtures.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace PdfFixtures;

namespace {

class PdfFixturesTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
};

TEST_F(PdfFixturesTest, PlainPdfHasMarkersInOrderAndPassesCheck)
{
    const QString path = Path("plain.pdf");
    ASSERT_TRUE(WritePlainPdf(path, 5));
    EXPECT_EQ(PageCount(path), 5);
    EXPECT_EQ(PageMarkers(path), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_FALSE(IsEncrypted(path));
    EXPECT_EQ(Permissions(path), PERM_ALL);
    EXPECT_EQ(DistinctPageObjects(path), 5);
    QString out;
    EXPECT_TRUE(QpdfCheck(path, {}, &out)) << out.toStdString();
}

TEST_F(PdfFixturesTest, PageDesignsGiveBoxesAndRotation)
{
    const QString path = Path("sizes.pdf");
    PageDesign a4;
    a4.width = 595;
    a4.height = 842;
    PageDesign wide;
    wide.width = 800;
    wide.height = 200;
    wide.originX = 10;
    wide.originY = 20;
    wide.rotate = 90;
    wide.vectorArt = true;
    wide.imageSide = 32;
    ASSERT_TRUE(WritePdf(path, {a4, wide}));
    EXPECT_EQ(MediaBox(path, 1), (std::vector<double>{0, 0, 595, 842}));
    EXPECT_EQ(MediaBox(path, 2), (std::vector<double>{10, 20, 810, 220}));
    EXPECT_TRUE(MediaBox(path, 3).empty());
    EXPECT_TRUE(QpdfCheck(path));
}

TEST_F(PdfFixturesTest, EncryptedNeedsPasswordAndKeepsPermissions)
{
    const QString path = Path("enc.pdf");
    ASSERT_TRUE(WriteEncryptedPdf(path, 3, "user", "owner", PERM_PRINT | PERM_ACCESSIBILITY));
    EXPECT_FALSE(OpensWithPassword(path, ""));
    EXPECT_FALSE(OpensWithPassword(path, "wrong"));
    EXPECT_TRUE(OpensWithPassword(path, "user"));
    EXPECT_TRUE(OpensWithPassword(path, "owner"));
    EXPECT_TRUE(IsEncrypted(path, "user"));
    EXPECT_EQ(PageMarkers(path, "owner"), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(Permissions(path, "user") & (PERM_PRINT | PERM_COPY | PERM_ACCESSIBILITY),
              PERM_PRINT | PERM_ACCESSIBILITY);
    EXPECT_EQ(PdfVersion(path, "user"), "1.7");
    EXPECT_TRUE(QpdfCheck(path, "user"));
}

TEST_F(PdfFixturesTest, DamagedFilesDoNotOpenCleanly)
{
    for (Damage kind : {Damage::Empty, Damage::Garbage, Damage::HeaderOnly}) {
        const QString path = Path("bad.pdf");
        ASSERT_TRUE(WriteDamagedPdf(path, kind));
        EXPECT_EQ(PageCount(path), -1) << static_cast<int>(kind);
    }
    for (Damage kind : {Damage::Truncated, Damage::BrokenXref}) {
        const QString path = Path("bad.pdf");
        ASSERT_TRUE(WriteDamagedPdf(path, kind));
        EXPECT_FALSE(QpdfCheck(path)) << static_cast<int>(kind);
    }
}

} // namespace
