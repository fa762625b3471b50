// The splicing layer's reading of page trees: the pages it counts and
// copies, damaged trees it rebuilds, trees it refuses, and why an input
// cannot be opened.
#include "engine/XpdfSplice.h"
#include "common/PageTreeFixtures.h"
#include "common/PdfFixtures.h"
#include "common/TestNames.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>

using namespace PdfFixtures;

namespace {

constexpr int kPages = 5;

class PageTreeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        xpdfSpliceInit();
    }
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir;
};

struct TreeCase
{
    const char* name;
    TreeDamage damage;
    bool rebuilt; // the tree must be rebuilt for qpdf's helpers or a viewer
};

class DamagedTreeTest : public PageTreeTest, public ::testing::WithParamInterface<TreeCase>
{
};

TEST_P(DamagedTreeTest, CountsCopiesAndWritesTheRealPages)
{
    const TreeCase& c = GetParam();
    const QString source = Path("source.pdf");
    ASSERT_TRUE(WriteTreeDamagedPdf(source, c.damage, kPages));
    XpdfSpliceInput in = xpdfSpliceOpenInputW(source);
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(xpdfSpliceGetPageCount(in), kPages);
    EXPECT_EQ(xpdfSplicePageTreeRebuilt(in) != 0, c.rebuilt);

    XpdfSpliceOutput out = xpdfSpliceOpenOutputW(Path("out.pdf"), 1.6);
    ASSERT_NE(out, nullptr);
    for (int page : {kPages, 1, 3})
        EXPECT_NE(xpdfSpliceAddPage(in, page, out), 0) << page;
    EXPECT_EQ(xpdfSpliceAddPage(in, kPages + 1, out), 0);
    ASSERT_EQ(xpdfSpliceCloseOutput(out), 1);
    EXPECT_EQ(PageMarkers(Path("out.pdf")), (std::vector<int>{kPages, 1, 3}));

    // The copy for viewing holds exactly those pages, in a tree any reader
    // counts the same way.
    const QString copy = Path("copy.pdf");
    QFile(copy).open(QIODevice::WriteOnly);
    ASSERT_EQ(xpdfSpliceWriteCopy(in, copy, nullptr), 1);
    xpdfSpliceCloseInput(in);
    EXPECT_EQ(PageMarkers(copy), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(RootPageCount(copy), kPages);
    QString report;
    EXPECT_TRUE(QpdfCheck(copy, {}, &report)) << report.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Trees, DamagedTreeTest,
                         ::testing::Values(TreeCase{"CountBillion", TreeDamage::CountBillion, true},
                                           TreeCase{"CountIntMax", TreeDamage::CountIntMax, true},
                                           TreeCase{"Count2Pow32", TreeDamage::Count2Pow32, true},
                                           TreeCase{"CountOneMore", TreeDamage::CountOneMore, true},
                                           TreeCase{"KidsNullEntry", TreeDamage::KidsNullEntry, true},
                                           TreeCase{"KidsMissingObject", TreeDamage::KidsMissingObject, true},
                                           TreeCase{"KidsEmptyDictionary", TreeDamage::KidsEmptyDictionary, true},
                                           TreeCase{"HugeObjectNumbers", TreeDamage::HugeObjectNumbers, false},
                                           TreeCase{"DeepChain", TreeDamage::DeepChain, true}),
                         TestNames::ByName());

TEST_F(PageTreeTest, SoundTreeIsLeftAsItIs)
{
    const QString source = Path("sound.pdf");
    ASSERT_TRUE(WritePlainPdf(source, 4));
    XpdfSpliceInput in = xpdfSpliceOpenInputW(source);
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(xpdfSpliceGetPageCount(in), 4);
    EXPECT_EQ(xpdfSplicePageTreeRebuilt(in), 0);
    xpdfSpliceCloseInput(in);
}

TEST_F(PageTreeTest, TreeThatLeadsBackToItselfIsRefused)
{
    const QString source = Path("loop.pdf");
    ASSERT_TRUE(WritePageLoopPdf(source, 3));
    XpdfSpliceInput in = xpdfSpliceOpenInputW(source);
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(xpdfSpliceGetPageCount(in), -1);
    XpdfSpliceOutput out = xpdfSpliceOpenOutputW(Path("out.pdf"), 1.6);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(xpdfSpliceAddPage(in, 1, out), 0);
    xpdfSpliceCloseOutput(out);
    xpdfSpliceCloseInput(in);
}

TEST_F(PageTreeTest, PageListedTwiceIsTwoPagesEverywhere)
{
    const QString source = Path("twice.pdf");
    ASSERT_TRUE(WritePageListedTwicePdf(source, 3, 2));
    XpdfSpliceInput in = xpdfSpliceOpenInputW(source);
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(xpdfSpliceGetPageCount(in), 4);
    EXPECT_NE(xpdfSplicePageTreeRebuilt(in), 0);
    XpdfSpliceOutput out = xpdfSpliceOpenOutputW(Path("out.pdf"), 1.6);
    ASSERT_NE(out, nullptr);
    for (int page : {4, 3, 2, 1})
        EXPECT_NE(xpdfSpliceAddPage(in, page, out), 0) << page;
    ASSERT_EQ(xpdfSpliceCloseOutput(out), 1);
    EXPECT_EQ(PageMarkers(Path("out.pdf")), (std::vector<int>{3, 2, 2, 1}));
    // In the copy for viewing the repeat is a page object of its own.
    const QString copy = Path("copy.pdf");
    QFile(copy).open(QIODevice::WriteOnly);
    ASSERT_EQ(xpdfSpliceWriteCopy(in, copy, nullptr), 1);
    xpdfSpliceCloseInput(in);
    EXPECT_EQ(PageMarkers(copy), (std::vector<int>{1, 2, 2, 3}));
    EXPECT_EQ(DistinctPageObjects(copy), 4);
}

TEST_F(PageTreeTest, DocumentWithoutPagesCountsNone)
{
    const QString source = Path("zero.pdf");
    ASSERT_TRUE(WriteZeroPagePdf(source));
    XpdfSpliceInput in = xpdfSpliceOpenInputW(source);
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(xpdfSpliceGetPageCount(in), 0);
    xpdfSpliceCloseInput(in);
}

// Why an input cannot be opened.
struct StatusCase
{
    const char* name;
    std::function<bool(const QString&)> write;
    const char* password; // null: none
    int status;
    int systemError;
};

class OpenStatusTest : public PageTreeTest, public ::testing::WithParamInterface<StatusCase>
{
};

TEST_P(OpenStatusTest, SaysWhyTheInputCannotBeOpened)
{
    const StatusCase& c = GetParam();
    const QString path = Path("input.pdf");
    ASSERT_TRUE(c.write(path));
    int status = -1, systemError = -1;
    XpdfSpliceInput in = xpdfSpliceOpenInputStatusW(path, c.password, &status, &systemError);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(systemError, c.systemError);
    EXPECT_EQ(in != nullptr, c.status == SPLICE_OK);
    xpdfSpliceCloseInput(in);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, OpenStatusTest,
    ::testing::Values(
        StatusCase{"Sound", [](const QString& p) { return WritePlainPdf(p, 2); }, nullptr, SPLICE_OK, 0},
        StatusCase{"Missing", [](const QString&) { return true; }, nullptr, SPLICE_ERR_SYSTEM, ENOENT},
        StatusCase{"Folder", [](const QString& p) { return QDir().mkpath(p); }, nullptr, SPLICE_ERR_SYSTEM, EISDIR},
        StatusCase{"Garbage", [](const QString& p) { return WriteDamagedPdf(p, Damage::Garbage); }, nullptr,
                   SPLICE_ERR_DAMAGED, 0},
        StatusCase{"Empty", [](const QString& p) { return WriteDamagedPdf(p, Damage::Empty); }, nullptr,
                   SPLICE_ERR_DAMAGED, 0},
        StatusCase{"PasswordMissing", [](const QString& p) { return WriteEncryptedPdf(p, 2, "user", "owner"); },
                   nullptr, SPLICE_ERR_PASSWORD, 0},
        StatusCase{"PasswordWrong", [](const QString& p) { return WriteEncryptedPdf(p, 2, "user", "owner"); },
                   "wrong", SPLICE_ERR_PASSWORD, 0},
        StatusCase{"PasswordRight", [](const QString& p) { return WriteEncryptedPdf(p, 2, "user", "owner"); },
                   "user", SPLICE_OK, 0},
        StatusCase{"UnknownEncryption", [](const QString& p) { return WriteUnknownEncryptionPdf(p); }, nullptr,
                   SPLICE_ERR_ENCRYPTION, 0}),
    TestNames::ByName());

TEST_F(PageTreeTest, EncryptedCopyKeepsItsEncryptionAndPasswords)
{
    const QString source = Path("locked.pdf");
    ASSERT_TRUE(WriteEncryptedPdf(source, 3, "user pw", "owner pw", PERM_ALL & ~PERM_COPY));
    XpdfSpliceInput in = xpdfSpliceOpenInputWithPasswordW(source, "user pw");
    ASSERT_NE(in, nullptr);
    const QString copy = Path("copy.pdf");
    QFile(copy).open(QIODevice::WriteOnly);
    ASSERT_EQ(xpdfSpliceWriteCopy(in, copy, nullptr), 1);
    xpdfSpliceCloseInput(in);
    EXPECT_FALSE(OpensWithPassword(copy, ""));
    EXPECT_EQ(PageMarkers(copy, "user pw"), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(PageMarkers(copy, "owner pw"), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(Permissions(copy, "user pw"), Permissions(source, "user pw"));
}

TEST_F(PageTreeTest, CopyIntoAMissingFileFailsWithTheReason)
{
    const QString source = Path("sound.pdf");
    ASSERT_TRUE(WritePlainPdf(source, 2));
    XpdfSpliceInput in = xpdfSpliceOpenInputW(source);
    ASSERT_NE(in, nullptr);
    int error = 0;
    EXPECT_EQ(xpdfSpliceWriteCopy(in, Path("no/such/folder/copy.pdf"), &error), 0);
    EXPECT_EQ(error, ENOENT);
    xpdfSpliceCloseInput(in);
}

} // namespace
