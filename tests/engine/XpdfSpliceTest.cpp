#include "engine/XpdfSplice.h"
#include "common/PdfFixtures.h"

#include <QFile>
#include <QFileInfo>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <iterator>
#include <string>
#include <utility>
#include <sys/resource.h>

using namespace PdfFixtures;

namespace {

class XpdfSpliceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        xpdfSpliceInit();
        source = dir.filePath("source.pdf");
        ASSERT_TRUE(WritePlainPdf(source, 6));
    }
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    // Writes the given pages of input into a new file; returns the close result.
    int Write(XpdfSpliceInput in, const QString& path, const std::vector<int>& pages)
    {
        XpdfSpliceOutput out = xpdfSpliceOpenOutputW(path, 1.6);
        if (!out)
            return -1;
        for (int p : pages)
            EXPECT_NE(xpdfSpliceAddPage(in, p, out), 0) << p;
        return xpdfSpliceCloseOutput(out);
    }

    QTemporaryDir dir;
    QString source;
};

TEST_F(XpdfSpliceTest, CopiesPagesInCallOrderWithRealRepeats)
{
    XpdfSpliceInput in = xpdfSpliceOpenInputW(source);
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(xpdfSpliceIsEncrypted(in), 0);
    const QString out = Path("out.pdf");
    ASSERT_EQ(Write(in, out, {5, 2, 2, 6, 1, 2}), 1);
    xpdfSpliceCloseInput(in);
    EXPECT_EQ(PageMarkers(out), (std::vector<int>{5, 2, 2, 6, 1, 2}));
    // Every entry of the page tree is its own page object.
    EXPECT_EQ(DistinctPageObjects(out), 6);
    QString report;
    EXPECT_TRUE(QpdfCheck(out, {}, &report)) << report.toStdString();
    EXPECT_GE(PdfVersion(out), std::string("1.6"));
    // No temporary file is left beside the result.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
}

TEST_F(XpdfSpliceTest, KeepsPageBoxAndRotation)
{
    PageDesign wide;
    wide.width = 842;
    wide.height = 300;
    wide.rotate = 270;
    wide.imageSide = 16;
    const QString src = Path("wide.pdf");
    ASSERT_TRUE(WritePdf(src, {PageDesign{}, wide}));
    XpdfSpliceInput in = xpdfSpliceOpenInputW(src);
    ASSERT_NE(in, nullptr);
    const QString out = Path("out.pdf");
    ASSERT_EQ(Write(in, out, {2}), 1);
    xpdfSpliceCloseInput(in);
    EXPECT_EQ(MediaBox(out, 1), (std::vector<double>{0, 0, 842, 300}));
    EXPECT_TRUE(QpdfCheck(out));
}

TEST_F(XpdfSpliceTest, InputClosedBeforeOutputsAreWrittenStaysUsable)
{
    XpdfSpliceInput in = xpdfSpliceOpenInputW(source);
    ASSERT_NE(in, nullptr);
    XpdfSpliceOutput a = xpdfSpliceOpenOutputW(Path("a.pdf"), 1.6);
    XpdfSpliceOutput b = xpdfSpliceOpenOutputW(Path("b.pdf"), 1.6);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(xpdfSpliceAddPage(in, 3, a), 1);
    EXPECT_EQ(xpdfSpliceAddPage(in, 4, b), 1);
    xpdfSpliceCloseInput(in);
    EXPECT_EQ(xpdfSpliceCloseOutput(a), 1);
    EXPECT_EQ(xpdfSpliceCloseOutput(b), 1);
    EXPECT_EQ(PageMarkers(Path("a.pdf")), std::vector<int>{3});
    EXPECT_EQ(PageMarkers(Path("b.pdf")), std::vector<int>{4});
    EXPECT_TRUE(QpdfCheck(Path("a.pdf")));
}

TEST_F(XpdfSpliceTest, RejectsPagesOutsideTheDocument)
{
    XpdfSpliceInput in = xpdfSpliceOpenInputW(source);
    XpdfSpliceOutput out = xpdfSpliceOpenOutputW(Path("o.pdf"), 1.6);
    ASSERT_NE(in, nullptr);
    ASSERT_NE(out, nullptr);
    for (int page : {0, -1, 7, 1000000})
        EXPECT_EQ(xpdfSpliceAddPage(in, page, out), 0) << page;
    EXPECT_EQ(xpdfSpliceAddPage(nullptr, 1, out), 0);
    EXPECT_EQ(xpdfSpliceAddPage(in, 1, nullptr), 0);
    EXPECT_EQ(xpdfSpliceAddPage(in, 1, out), 1);
    EXPECT_EQ(xpdfSpliceCloseOutput(out), 1);
    xpdfSpliceCloseInput(in);
    EXPECT_EQ(PageMarkers(Path("o.pdf")), std::vector<int>{1});
}

class DamagedInputTest : public ::testing::TestWithParam<Damage>
{
};

TEST_P(DamagedInputTest, DamagedFileGivesNoInputOrAUsableOne)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("bad.pdf");
    ASSERT_TRUE(WriteDamagedPdf(path, GetParam()));
    XpdfSpliceInput in = xpdfSpliceOpenInputW(path);
    if (GetParam() == Damage::Empty || GetParam() == Damage::Garbage || GetParam() == Damage::HeaderOnly) {
        EXPECT_EQ(in, nullptr);
        return;
    }
    // qpdf may recover a truncated file or a broken cross-reference table;
    // whatever it returns must then be safe to use.
    if (!in)
        return;
    XpdfSpliceOutput out = xpdfSpliceOpenOutputW(dir.filePath("out.pdf"), 1.6);
    ASSERT_NE(out, nullptr);
    for (int p = 1; p <= 3; ++p)
        xpdfSpliceAddPage(in, p, out);
    const int closed = xpdfSpliceCloseOutput(out);
    xpdfSpliceCloseInput(in);
    if (closed)
        EXPECT_GE(PageCount(dir.filePath("out.pdf")), 0);
    else
        EXPECT_FALSE(QFile::exists(dir.filePath("out.pdf")));
}

INSTANTIATE_TEST_SUITE_P(Kinds, DamagedInputTest,
                         ::testing::Values(Damage::Empty, Damage::Garbage, Damage::HeaderOnly,
                                           Damage::Truncated, Damage::BrokenXref),
                         [](const auto& info) { return DamageName(info.param); });

TEST_F(XpdfSpliceTest, MissingFileAndBadArguments)
{
    EXPECT_EQ(xpdfSpliceOpenInputW(Path("missing.pdf")), nullptr);
    EXPECT_EQ(xpdfSpliceOpenInputW(QString()), nullptr);
    EXPECT_EQ(xpdfSpliceOpenInputW(dir.path()), nullptr);
    EXPECT_EQ(xpdfSpliceIsEncrypted(nullptr), 0);
    EXPECT_EQ(xpdfSpliceCloseOutput(nullptr), 0);
    xpdfSpliceCloseInput(nullptr);
}

struct PasswordCase
{
    const char* name;
    const char* user;
    const char* given; // nullptr: open without password
    bool opens;
};

class SplicePasswordTest : public ::testing::TestWithParam<PasswordCase>
{
};

TEST_P(SplicePasswordTest, OpensOnlyWithAnAcceptedPassword)
{
    const PasswordCase& c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath("enc.pdf");
    ASSERT_TRUE(WriteEncryptedPdf(path, 3, c.user, "owner-pw", PERM_PRINT));
    XpdfSpliceInput in = c.given ? xpdfSpliceOpenInputWithPasswordW(path, c.given)
                                 : xpdfSpliceOpenInputW(path);
    EXPECT_EQ(in != nullptr, c.opens);
    if (!in)
        return;
    EXPECT_NE(xpdfSpliceIsEncrypted(in), 0);
    EXPECT_EQ(xpdfSpliceGetPermissions(in) & 0x10, 0);
    EXPECT_NE(xpdfSpliceGetPermissions(in) & 0x4, 0);
    // Pages of an encrypted input can still be copied out.
    XpdfSpliceOutput out = xpdfSpliceOpenOutputW(dir.filePath("out.pdf"), 1.6);
    EXPECT_EQ(xpdfSpliceAddPage(in, 3, out), 1);
    EXPECT_EQ(xpdfSpliceCloseOutput(out), 1);
    xpdfSpliceCloseInput(in);
    EXPECT_EQ(PageMarkers(dir.filePath("out.pdf")), std::vector<int>{3});
    EXPECT_FALSE(IsEncrypted(dir.filePath("out.pdf")));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplicePasswordTest,
    ::testing::Values(PasswordCase{"NoUserPwNoGiven", "", nullptr, true},
                      PasswordCase{"UserPwNoGiven", "user-pw", nullptr, false},
                      PasswordCase{"UserPwRight", "user-pw", "user-pw", true},
                      PasswordCase{"UserPwOwner", "user-pw", "owner-pw", true},
                      PasswordCase{"UserPwWrong", "user-pw", "nope", false},
                      PasswordCase{"UserPwEmpty", "user-pw", "", false}),
    [](const auto& info) { return std::string(info.param.name); });

class EncryptedOutputTest : public ::testing::TestWithParam<int>
{
};

TEST_P(EncryptedOutputTest, OpensOnlyWithItsPasswordsAndReportsPermissions)
{
    const int perms = GetParam();
    QTemporaryDir dir;
    const QString src = dir.filePath("src.pdf");
    const QString path = dir.filePath("enc.pdf");
    ASSERT_TRUE(WritePlainPdf(src, 3));
    XpdfSpliceInput in = xpdfSpliceOpenInputW(src);
    XpdfSpliceOutput out = xpdfSpliceOpenOutputW(path, 1.6);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(xpdfSpliceSetEncryption(out, 2, "owner", "user", perms), 1);
    EXPECT_EQ(xpdfSpliceSetEncryption(out, 2, "owner", "user", perms), 0); // once only
    EXPECT_EQ(xpdfSpliceAddPage(in, 2, out), 1);
    EXPECT_EQ(xpdfSpliceAddPage(in, 1, out), 1);
    ASSERT_EQ(xpdfSpliceCloseOutput(out), 1);
    xpdfSpliceCloseInput(in);

    EXPECT_FALSE(OpensWithPassword(path, ""));
    EXPECT_FALSE(OpensWithPassword(path, "other"));
    EXPECT_EQ(PageMarkers(path, "user"), (std::vector<int>{2, 1}));
    EXPECT_EQ(PageMarkers(path, "owner"), (std::vector<int>{2, 1}));
    // Accessibility is always granted by AES-256 outputs.
    const int expected = perms | PERM_ACCESSIBILITY;
    EXPECT_EQ(Permissions(path, "user"), expected);
    QString report;
    EXPECT_TRUE(QpdfCheck(path, "user", &report)) << report.toStdString();

    // And our own input side reads the same bits back.
    XpdfSpliceInput back = xpdfSpliceOpenInputWithPasswordW(path, "user");
    ASSERT_NE(back, nullptr);
    EXPECT_NE(xpdfSpliceIsEncrypted(back), 0);
    EXPECT_EQ(xpdfSpliceGetPermissions(back) & PERM_ALL, expected);
    xpdfSpliceCloseInput(back);
}

// "None", "All", the granted bits ("Print_PrintHigh") or, when most are
// granted, the withheld ones ("AllBut_Copy").
std::string PermissionsName(int perms)
{
    static const std::pair<int, const char*> bits[] = {
        {PERM_PRINT, "Print"},         {PERM_MODIFY, "Modify"},
        {PERM_COPY, "Copy"},           {PERM_ANNOTATE, "Annotate"},
        {PERM_FILL_FORMS, "FillForms"}, {PERM_ACCESSIBILITY, "Accessibility"},
        {PERM_ASSEMBLE, "Assemble"},   {PERM_PRINT_HIGH, "PrintHigh"},
    };
    if ((perms & PERM_ALL) == 0)
        return "None";
    if ((perms & PERM_ALL) == PERM_ALL)
        return "All";
    int granted = 0;
    for (const auto& bit : bits)
        granted += (perms & bit.first) ? 1 : 0;
    const bool listWithheld = granted > int(std::size(bits)) / 2;
    std::string name = listWithheld ? "AllBut" : "";
    for (const auto& bit : bits) {
        if (((perms & bit.first) != 0) == listWithheld)
            continue;
        if (!name.empty())
            name += '_';
        name += bit.second;
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Permissions, EncryptedOutputTest,
                         ::testing::Values(0, PERM_ALL, PERM_PRINT, PERM_PRINT | PERM_PRINT_HIGH,
                                           PERM_COPY | PERM_ACCESSIBILITY, PERM_MODIFY,
                                           PERM_ANNOTATE | PERM_FILL_FORMS, PERM_ASSEMBLE,
                                           PERM_ALL & ~PERM_COPY),
                         [](const auto& info) { return PermissionsName(info.param); });

TEST_F(XpdfSpliceTest, EncryptionOfAnotherKindOrASecondTimeIsRefused)
{
    XpdfSpliceOutput out = xpdfSpliceOpenOutputW(Path("o.pdf"), 1.6);
    EXPECT_EQ(xpdfSpliceSetEncryption(out, 1, "a", "b", 0), 0);
    EXPECT_EQ(xpdfSpliceSetEncryption(nullptr, 2, "a", "b", 0), 0);
    // At most once per output.
    EXPECT_EQ(xpdfSpliceSetEncryption(out, 2, "a", "b", 0), 1);
    EXPECT_EQ(xpdfSpliceSetEncryption(out, 2, "c", "d", 0), 0);
    xpdfSpliceCloseOutput(out);
}

TEST_F(XpdfSpliceTest, OutputThatCannotBeCreatedGivesNoHandle)
{
    EXPECT_EQ(xpdfSpliceOpenOutputW(Path("no/such/folder/out.pdf"), 1.6), nullptr);
    EXPECT_EQ(xpdfSpliceOpenOutputW(dir.path(), 1.6), nullptr);
    EXPECT_EQ(xpdfSpliceOpenOutputW(QString(), 1.6), nullptr);
}

TEST_F(XpdfSpliceTest, FailedWriteIsReportedAndLeavesNothingBehind)
{
    PageDesign big;
    big.imageSide = 200; // 120 kB of noise
    const QString src = Path("big.pdf");
    ASSERT_TRUE(WritePdf(src, {big, big}));
    XpdfSpliceInput in = xpdfSpliceOpenInputW(src);
    ASSERT_NE(in, nullptr);
    const QString target = Path("full.pdf");
    XpdfSpliceOutput out = xpdfSpliceOpenOutputW(target, 1.6);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(xpdfSpliceAddPage(in, 1, out), 1);
    EXPECT_EQ(xpdfSpliceAddPage(in, 2, out), 1);

    // The process may write no more than 16 kB to any file: the disk is "full".
    struct sigaction ignore = {}, previous = {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previous);
    rlimit old = {};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 16 * 1024;
    setrlimit(RLIMIT_FSIZE, &small);
    const int closed = xpdfSpliceCloseOutput(out);
    setrlimit(RLIMIT_FSIZE, &old);
    sigaction(SIGXFSZ, &previous, nullptr);

    EXPECT_EQ(closed, 0);
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"big.pdf", "source.pdf"}));
    xpdfSpliceCloseInput(in);
}

TEST_F(XpdfSpliceTest, ExistingFileIsReplacedOnlyWhenTheNewOneIsComplete)
{
    const QString target = Path("keep.pdf");
    ASSERT_TRUE(WritePlainPdf(target, 2));
    XpdfSpliceInput in = xpdfSpliceOpenInputW(source);
    ASSERT_EQ(Write(in, target, {6, 5, 4}), 1);
    xpdfSpliceCloseInput(in);
    EXPECT_EQ(PageMarkers(target), (std::vector<int>{6, 5, 4}));
}

} // namespace

namespace {

// A trial output measures exactly the file a saved output of the same pages
// becomes, also after pages were taken off and added again in any order.
TEST_F(XpdfSpliceTest, TrialOutputMeasuresTheSizeOfTheSavedFile)
{
    std::vector<PageDesign> designs(8);
    for (std::size_t i = 0; i < designs.size(); ++i) {
        designs[i].vectorArt = i % 2 == 0;
        designs[i].imageSide = i % 3 == 0 ? 40 : 0;
        designs[i].rotate = i == 5 ? 90 : 0;
    }
    const QString mixed = Path("mixed.pdf");
    ASSERT_TRUE(WritePdf(mixed, designs));
    XpdfSpliceInput in = xpdfSpliceOpenInputW(mixed);
    ASSERT_NE(in, nullptr);
    XpdfSpliceOutput trial = xpdfSpliceOpenTrialOutput(1.6);
    ASSERT_NE(trial, nullptr);

    std::vector<int> held;
    auto measureAs = [&](const std::vector<int>& pages) {
        // Takes off what differs from the held pages, adds the rest.
        std::size_t shared = 0;
        while (shared < held.size() && shared < pages.size() && held[shared] == pages[shared])
            ++shared;
        while (held.size() > shared) {
            EXPECT_NE(xpdfSpliceRemoveLastPage(trial), 0);
            held.pop_back();
        }
        for (std::size_t i = shared; i < pages.size(); ++i) {
            EXPECT_NE(xpdfSpliceAddPage(in, pages[i], trial), 0);
            held.push_back(pages[i]);
        }
        std::uint64_t size = 0;
        EXPECT_NE(xpdfSpliceMeasureOutput(trial, &size), 0);
        return size;
    };
    const std::vector<std::vector<int>> sequence = {
        {1}, {1, 2, 3, 4, 5}, {1, 2}, {1, 2, 3, 4, 5, 6, 7, 8}, {1, 2, 3}, {3, 3, 1}, {3, 3, 1, 3}, {}, {8, 7, 6},
    };
    int serial = 0;
    for (const auto& pages : sequence) {
        const std::uint64_t measured = measureAs(pages);
        const QString saved = Path("saved") + QString::number(++serial) + QStringLiteral(".pdf");
        ASSERT_EQ(Write(in, saved, pages), 1);
        EXPECT_EQ(measured, static_cast<std::uint64_t>(QFileInfo(saved).size())) << "pages of step " << serial;
        EXPECT_EQ(PageMarkers(saved), pages);
    }
    EXPECT_EQ(xpdfSpliceCloseOutput(trial), 1);
    xpdfSpliceCloseInput(in);
}

TEST_F(XpdfSpliceTest, TrialOutputWithoutPagesCannotLoseOne)
{
    XpdfSpliceOutput trial = xpdfSpliceOpenTrialOutput(1.6);
    ASSERT_NE(trial, nullptr);
    EXPECT_EQ(xpdfSpliceRemoveLastPage(trial), 0);
    std::uint64_t size = 0;
    EXPECT_NE(xpdfSpliceMeasureOutput(trial, &size), 0);
    EXPECT_GT(size, 0u);
    EXPECT_EQ(xpdfSpliceMeasureOutput(trial, nullptr), 0);
    EXPECT_EQ(xpdfSpliceCloseOutput(trial), 1);
    EXPECT_EQ(xpdfSpliceRemoveLastPage(nullptr), 0);
    EXPECT_EQ(xpdfSpliceMeasureOutput(nullptr, &size), 0);
    // Nothing was written anywhere.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}

} // namespace
