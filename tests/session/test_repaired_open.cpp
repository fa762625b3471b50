// Documents whose page tree the viewer engine refuses or reads differently
// from the splicing layer: they open through a private repaired copy, show
// the pages the splicing layer reads, and save those pages.
#include "common/PageTreeFixtures.h"
#include "common/PdfFixtures.h"
#include "common/TestNames.h"
#include "engine/PDFInstanceManager.h"
#include "engine/RepairedCopy.h"
#include "session/CParceloApp.h"
#include "session/ParceloInstance.h"
#include "session/SaveSplit.h"
#include "session/SessionUser.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using PdfFixtures::TreeDamage;

constexpr int kPages = 6;

int ModeOf(const QString& path)
{
    struct stat st{};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return static_cast<int>(st.st_mode & 07777);
}

class RepairedOpenBase : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        previousRepairDir = qgetenv("PARCELO_REPAIR_DIR");
        repairDir = dir.filePath(QStringLiteral("repair"));
        qputenv("PARCELO_REPAIR_DIR", repairDir.toUtf8());
        qputenv("PARCELO_COMMON_APPDATA", dir.filePath(QStringLiteral("appdata")).toUtf8());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath(QStringLiteral("settings")));
        ASSERT_TRUE(app.InitInstance());
        previousMessages = SetMessageHandler([this](const MessageRequest& r) {
            messages.push_back(r);
            return Prompt::Ok;
        });
        previousPrompt = SetPasswordHandler([this](const QString&, QString& password) {
            if (answer.isNull())
                return false;
            password = answer;
            return true;
        });
    }

    void TearDown() override
    {
        app.CloseDocument();
        RemoveRepairedCopies();
        SetMessageHandler(std::move(previousMessages));
        SetPasswordHandler(std::move(previousPrompt));
        qputenv("PARCELO_REPAIR_DIR", previousRepairDir);
        qunsetenv("PARCELO_COMMON_APPDATA");
    }

    // Every file under the folder of copies (lock files aside).
    QStringList CopiesOnDisk() const
    {
        QStringList found;
        const QDir base(repairDir);
        for (const QFileInfo& run : base.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden))
            for (const QFileInfo& file : QDir(run.absoluteFilePath()).entryInfoList(QDir::Files | QDir::Hidden))
                if (file.fileName() != QLatin1String("lock"))
                    found.append(file.absoluteFilePath());
        return found;
    }

    QTemporaryDir dir;
    QString repairDir;
    QByteArray previousRepairDir;
    CParceloApp app;
    std::vector<MessageRequest> messages;
    QString answer; // null: the password prompt is declined
    MessageHandler previousMessages;
    PasswordHandler previousPrompt;
};

struct RepairCase
{
    const char* name;
    TreeDamage damage;
    bool encrypted; // the damaged file encrypted again with a user password
};

class RepairedOpenTest : public RepairedOpenBase, public ::testing::WithParamInterface<RepairCase>
{
};

TEST_P(RepairedOpenTest, OpensShowsAndSavesThePagesTheSplicingLayerReads)
{
    const RepairCase& c = GetParam();
    QString path = dir.filePath(QStringLiteral("damaged.pdf"));
    ASSERT_TRUE(PdfFixtures::WriteTreeDamagedPdf(path, c.damage, kPages));
    if (c.encrypted) {
        const QString encrypted = dir.filePath(QStringLiteral("damaged-encrypted.pdf"));
        ASSERT_TRUE(PdfFixtures::WriteEncryptedCopy(path, encrypted, "user pw", "owner pw"));
        path = encrypted;
        answer = QStringLiteral("user pw");
    }

    ASSERT_TRUE(app.OpenDocument(path)) << (messages.empty() ? std::string() : messages[0].text.toStdString());
    EXPECT_TRUE(messages.empty());
    ParceloInstance* document = app.Document();
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(app.SourcePath(), path);
    EXPECT_EQ(app.PageCount(), kPages);

    // The viewer reads a private copy, encrypted like the original.
    ASSERT_TRUE(document->ViewsRepairedCopy());
    const QString copy = document->ViewedPath();
    EXPECT_TRUE(copy.startsWith(repairDir + QLatin1Char('/'))) << copy.toStdString();
    EXPECT_EQ(ModeOf(copy), 0600);
    EXPECT_EQ(ModeOf(QFileInfo(copy).absolutePath()), 0700);
    EXPECT_EQ(ModeOf(repairDir), 0700);
    if (c.encrypted) {
        EXPECT_FALSE(PdfFixtures::OpensWithPassword(copy, ""));
        EXPECT_TRUE(PdfFixtures::IsEncrypted(copy, "user pw"));
    }

    // Every page renders, and page n shown is the source's page n (each
    // source page has its own width).
    for (int page = 1; page <= kPages; ++page) {
        const QImage image = document->GetPageImage(page, true);
        ASSERT_FALSE(image.isNull()) << "page " << page;
        EXPECT_NEAR(document->GetPageAspect(page), PdfFixtures::PageTreeFixtureWidth(page) / 200.0, 0.01)
            << "page " << page;
    }

    // Saving reads the original and copies the same pages.
    const QString out = dir.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(out));
    std::vector<SplitSection*> sections = {app.AddSection({1, 3}), app.AddSection({kPages, 2}),
                                           app.AddSection(app.RemainingPages())};
    SaveRequest request;
    request.sourcePath = app.SourcePath();
    request.sourcePassword = DocumentPassword(app);
    request.sections = sections;
    request.setFileName = [this](SplitSection* s, const QString& name) { app.SetSectionFileName(s, name); };
    request.folder = out;
    ASSERT_EQ(SaveSections(request), SaveOutcome::Saved);
    EXPECT_EQ(PdfFixtures::PageMarkers(QDir(out).filePath(sections[0]->fileName)), (std::vector<int>{1, 3}));
    EXPECT_EQ(PdfFixtures::PageMarkers(QDir(out).filePath(sections[1]->fileName)), (std::vector<int>{kPages, 2}));
    EXPECT_EQ(PdfFixtures::PageMarkers(QDir(out).filePath(sections[2]->fileName)), (std::vector<int>{4, 5}));

    // The copy goes with the document.
    app.CloseDocument();
    EXPECT_FALSE(QFileInfo::exists(copy));
    EXPECT_TRUE(CopiesOnDisk().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Trees, RepairedOpenTest,
    ::testing::Values(RepairCase{"CountBillion", TreeDamage::CountBillion, false},
                      RepairCase{"CountIntMax", TreeDamage::CountIntMax, false},
                      RepairCase{"Count2Pow32", TreeDamage::Count2Pow32, false},
                      RepairCase{"CountOneMore", TreeDamage::CountOneMore, false},
                      RepairCase{"KidsNullEntry", TreeDamage::KidsNullEntry, false},
                      RepairCase{"KidsMissingObject", TreeDamage::KidsMissingObject, false},
                      RepairCase{"KidsEmptyDictionary", TreeDamage::KidsEmptyDictionary, false},
                      RepairCase{"HugeObjectNumbers", TreeDamage::HugeObjectNumbers, false},
                      RepairCase{"DeepChain", TreeDamage::DeepChain, false},
                      RepairCase{"CountBillionEncrypted", TreeDamage::CountBillion, true}),
    TestNames::ByName());

TEST_F(RepairedOpenBase, SoundDocumentIsViewedItself)
{
    const QString path = dir.filePath(QStringLiteral("sound.pdf"));
    ASSERT_TRUE(PdfFixtures::WritePlainPdf(path, 3));
    ASSERT_TRUE(app.OpenDocument(path));
    EXPECT_FALSE(app.Document()->ViewsRepairedCopy());
    EXPECT_EQ(app.Document()->ViewedPath(), path);
    EXPECT_TRUE(CopiesOnDisk().isEmpty());
}

TEST_F(RepairedOpenBase, EncryptedCopyNeedsThePasswordTyped)
{
    // Without the password nothing is written, not even a copy.
    const QString plain = dir.filePath(QStringLiteral("damaged.pdf"));
    const QString path = dir.filePath(QStringLiteral("locked.pdf"));
    ASSERT_TRUE(PdfFixtures::WriteTreeDamagedPdf(plain, TreeDamage::CountBillion, kPages));
    ASSERT_TRUE(PdfFixtures::WriteEncryptedCopy(plain, path, "user pw", "owner pw"));
    // The fixture keeps its damage through the encryption.
    ASSERT_EQ(PdfFixtures::RootPageCount(path, "user pw"), 1000000000LL);
    answer = QString();
    EXPECT_FALSE(app.OpenDocument(path));
    EXPECT_EQ(app.Document(), nullptr);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(CopiesOnDisk().isEmpty());
    answer = QStringLiteral("owner pw");
    ASSERT_TRUE(app.OpenDocument(path));
    EXPECT_EQ(app.PageCount(), kPages);
    EXPECT_EQ(DocumentPassword(app), QStringLiteral("owner pw"));
}

TEST_F(RepairedOpenBase, ReplacingTheDocumentRemovesItsCopy)
{
    const QString damaged = dir.filePath(QStringLiteral("damaged.pdf"));
    ASSERT_TRUE(PdfFixtures::WriteTreeDamagedPdf(damaged, TreeDamage::HugeObjectNumbers, kPages));
    ASSERT_TRUE(app.OpenDocument(damaged));
    const QString copy = app.Document()->ViewedPath();
    ASSERT_TRUE(QFileInfo::exists(copy));
    const QString sound = dir.filePath(QStringLiteral("sound.pdf"));
    ASSERT_TRUE(PdfFixtures::WritePlainPdf(sound, 2));
    ASSERT_TRUE(app.OpenDocument(sound));
    EXPECT_FALSE(QFileInfo::exists(copy));
    EXPECT_TRUE(CopiesOnDisk().isEmpty());
}

TEST_F(RepairedOpenBase, StartRemovesCopiesOfARunThatEndedAbnormally)
{
    // What a run that crashed leaves: its run folder with a copy and a lock
    // nobody holds.
    const QString stale = QDir(repairDir).filePath(QStringLiteral("run-crashed"));
    ASSERT_TRUE(QDir().mkpath(stale));
    ASSERT_TRUE(PdfFixtures::WritePlainPdf(QDir(stale).filePath(QStringLiteral("copy-abcdef.pdf")), 2));
    QFile lock(QDir(stale).filePath(QStringLiteral("lock")));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.close();

    CParceloApp next;
    ASSERT_TRUE(next.InitInstance());
    EXPECT_FALSE(QFileInfo::exists(stale));
    next.ExitInstance();
}

} // namespace
