// Saving the split: real saves of generated PDFs, read back page by page.
#include "common/PdfFixtures.h"
#include "engine/XpdfSplice.h"
#include "resources/StringTable.h"
#include "session/SaveSplit.h"
#include "session/SectionFiles.h"
#include "session/SplitSection.h"
#include "session/SessionUser.h"
#include "support/TextHelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cerrno>
#include <csignal>
#include <functional>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QString Formatted(int id, const QString& value)
{
    return LoadResString(id).replace(QLatin1String("%s"), value);
}

// Every file in a folder with its bytes (hidden files included).
std::map<QString, QByteArray> Snapshot(const QString& folder)
{
    std::map<QString, QByteArray> files;
    for (const QFileInfo& info :
         QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
    {
        QFile f(info.filePath());
        files[info.fileName()] = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<dir or unreadable>");
    }
    return files;
}

bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray ReadBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

std::vector<int> Markers(const PageList& pages)
{
    return {pages.begin(), pages.end()};
}

class SaveSplitTest : public ::testing::Test
{
public:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        xpdfSpliceInit();
        sourceFolder = dir.filePath(QStringLiteral("in"));
        folder = dir.filePath(QStringLiteral("out"));
        ASSERT_TRUE(QDir().mkpath(sourceFolder));
        ASSERT_TRUE(QDir().mkpath(folder));
        source = QDir(sourceFolder).filePath(QStringLiteral("source.pdf"));
        ASSERT_TRUE(PdfFixtures::WritePlainPdf(source, 10));
        previous = SetMessageHandler([this](const MessageRequest& r) {
            messages.push_back(r);
            if (answers.empty())
                return Prompt::Ok;
            const auto answer = answers.front();
            answers.pop_front();
            return answer;
        });
    }
    void TearDown() override { SetMessageHandler(previous); }

    SplitSection& Add(const QString& name, PageList pages)
    {
        auto s = std::make_unique<SplitSection>();
        s->fileName = name;
        s->pages = std::move(pages);
        s->number = static_cast<int>(sections.size()) + 1;
        sections.push_back(std::move(s));
        return *sections.back();
    }

    SaveRequest Request()
    {
        SaveRequest r;
        r.sourcePath = source;
        r.folder = folder;
        for (auto& s : sections)
            r.sections.push_back(s.get());
        r.setFileName = [this](SplitSection* s, const QString& name) {
            renamed.emplace_back(s->number, name);
            s->fileName = name;
        };
        return r;
    }

    QString Out(const QString& name) const { return QDir(folder).filePath(name); }

    QTemporaryDir dir;
    QString sourceFolder;
    QString folder;
    QString source;
    std::vector<std::unique_ptr<SplitSection>> sections;
    std::vector<std::pair<int, QString>> renamed;
    std::vector<MessageRequest> messages;
    std::deque<Prompt::StandardButton> answers;
    MessageHandler previous;
};

TEST_F(SaveSplitTest, WritesEverySectionInItsPageOrder)
{
    Add(QStringLiteral("report-S1"), {1, 2, 3});
    Add(QStringLiteral("two.pdf"), {5, 5, 2});
    Add(QStringLiteral("empty.pdf"), {});
    Add(QStringLiteral("notes-S2."), {10});

    ASSERT_EQ(SaveSections(Request()), SaveOutcome::Saved);
    EXPECT_TRUE(messages.empty());

    // Only the name without a dot was completed, and the session was told.
    ASSERT_EQ(renamed.size(), 1u);
    EXPECT_EQ(renamed[0], std::make_pair(1, QStringLiteral("report-S1.pdf")));
    EXPECT_EQ(sections[3]->fileName, QStringLiteral("notes-S2."));

    EXPECT_EQ(PdfFixtures::PageMarkers(Out("report-S1.pdf")), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(PdfFixtures::PageMarkers(Out("two.pdf")), (std::vector<int>{5, 5, 2}));
    EXPECT_EQ(PdfFixtures::DistinctPageObjects(Out("two.pdf")), 3);
    EXPECT_EQ(PdfFixtures::PageCount(Out("empty.pdf")), 0);
    EXPECT_EQ(PdfFixtures::PageMarkers(Out("notes-S2.")), (std::vector<int>{10}));
    EXPECT_FALSE(PdfFixtures::IsEncrypted(Out("two.pdf")));
    EXPECT_TRUE(PdfFixtures::QpdfCheck(Out("two.pdf")));
    EXPECT_EQ(Snapshot(folder).size(), 4u); // no temporary file left behind
}

struct CollisionCase
{
    const char* name;
    std::vector<QString> fileNames;
    int messageId;
    QStringList shownNames; // the names or paths quoted in the message
};

class SaveCollisions : public SaveSplitTest, public ::testing::WithParamInterface<CollisionCase>
{
};

TEST_P(SaveCollisions, AreRefusedBeforeAnythingIsWritten)
{
    const CollisionCase& c = GetParam();
    for (const QString& name : c.fileNames)
        Add(name, {1});
    const auto before = Snapshot(folder);
    const auto sourceBytes = ReadBytes(source);

    EXPECT_EQ(SaveSections(Request()), SaveOutcome::Refused);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, Prompt::Critical);
    EXPECT_EQ(messages[0].text, FormatResString(c.messageId, c.shownNames));
    EXPECT_EQ(Snapshot(folder), before);
    EXPECT_EQ(ReadBytes(source), sourceBytes);
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("x.pdf")) == false);
}

const QString kCyrillic128 = QString(128, QChar(0x0416)); // 256 bytes of UTF-8

INSTANTIATE_TEST_SUITE_P(
    Names, SaveCollisions,
    ::testing::Values(
        CollisionCase{"NameAndNameWithPdf", {"a", "a.pdf"}, 241, {"a.pdf"}},
        CollisionCase{"SameName", {"x.pdf", "y.pdf", "x.pdf"}, 241, {"x.pdf"}},
        // Names one file on a case-insensitive drive (USB stick, network share).
        CollisionCase{"DifferOnlyInCase", {"Report.pdf", "x.pdf", "report.pdf"}, 263, {"Report.pdf", "report.pdf"}},
        CollisionCase{"DifferInCaseOnceCompleted", {"Report", "REPORT.PDF"}, 263, {"Report.pdf", "REPORT.PDF"}},
        CollisionCase{"SharpSAndDoubleS", {QString::fromUtf8("Straße.pdf"), "STRASSE.pdf"}, 263,
                      {QString::fromUtf8("Straße.pdf"), "STRASSE.pdf"}},
        // The same look, typed as one character or as a letter and an accent.
        CollisionCase{"AccentComposedOrNot", {QString::fromUtf8("caf\u00E9.pdf"), QString::fromUtf8("cafe\u0301.pdf")},
                      241, {QString::fromUtf8("cafe\u0301.pdf")}},
        CollisionCase{"LongerThan255Bytes", {"a.pdf", kCyrillic128 + ".pdf"}, 264, {kCyrillic128 + ".pdf"}},
        CollisionCase{"LongerThan255BytesOnceCompleted", {QString(252, u'n')}, 264, {QString(252, u'n')}},
        CollisionCase{"ClimbsOut", {"../x.pdf"}, 260, {"../x.pdf"}},
        CollisionCase{"Absolute", {"/tmp/x.pdf"}, 260, {"/tmp/x.pdf"}},
        CollisionCase{"SubFolder", {"sub/x.pdf"}, 260, {"sub/x.pdf"}},
        CollisionCase{"OnlyDots", {".."}, 260, {".."}},
        CollisionCase{"Empty", {""}, 260, {""}},
        CollisionCase{"Backslash", {"..\\x.pdf"}, 260, {"..\\x.pdf"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SaveSplitTest, OutputThatIsTheSourceIsRefused)
{
    folder = sourceFolder;
    Add(QStringLiteral("first.pdf"), {1});
    Add(QStringLiteral("source"), {2}); // completed to source.pdf
    const auto sourceBytes = ReadBytes(source);
    answers = {Prompt::Yes};
    EXPECT_EQ(SaveSections(Request()), SaveOutcome::Refused);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, Formatted(261, source));
    EXPECT_EQ(ReadBytes(source), sourceBytes);
    EXPECT_FALSE(QFileInfo::exists(Out("first.pdf")));
}

TEST_F(SaveSplitTest, OutputThatLinksToTheSourceIsRefused)
{
    ASSERT_EQ(::symlink(QFile::encodeName(source).constData(), QFile::encodeName(Out("link.pdf")).constData()), 0);
    Add(QStringLiteral("link.pdf"), {1});
    const auto sourceBytes = ReadBytes(source);
    EXPECT_EQ(SaveSections(Request()), SaveOutcome::Refused);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, Formatted(261, Out("link.pdf")));
    EXPECT_EQ(ReadBytes(source), sourceBytes);
}

struct OverwriteCase
{
    const char* name;
    std::vector<Prompt::StandardButton> answers;
    std::size_t questions;
    SaveOutcome outcome;
};

class SaveOverwrite : public SaveSplitTest, public ::testing::WithParamInterface<OverwriteCase>
{
};

TEST_P(SaveOverwrite, AnswersDecideWhatIsReplaced)
{
    const OverwriteCase& c = GetParam();
    Add(QStringLiteral("a.pdf"), {1});
    Add(QStringLiteral("b.pdf"), {2});
    Add(QStringLiteral("c.pdf"), {3});
    ASSERT_TRUE(WriteBytes(Out("a.pdf"), "old a"));
    ASSERT_TRUE(WriteBytes(Out("b.pdf"), "old b"));
    answers.assign(c.answers.begin(), c.answers.end());

    EXPECT_EQ(SaveSections(Request()), c.outcome);
    ASSERT_EQ(messages.size(), c.questions);
    EXPECT_EQ(messages[0].text, Formatted(233, Out("a.pdf")));
    EXPECT_EQ(messages[0].icon, Prompt::Question);
    EXPECT_EQ(messages[0].buttons, Prompt::Yes | Prompt::No | Prompt::Cancel);
    if (c.questions > 1)
        EXPECT_EQ(messages[1].text, Formatted(233, Out("b.pdf")));

    if (c.outcome == SaveOutcome::Saved)
    {
        EXPECT_EQ(PdfFixtures::PageMarkers(Out("a.pdf")), std::vector<int>{1});
        EXPECT_EQ(PdfFixtures::PageMarkers(Out("b.pdf")), std::vector<int>{2});
        EXPECT_EQ(PdfFixtures::PageMarkers(Out("c.pdf")), std::vector<int>{3});
    }
    else
    {
        EXPECT_EQ(ReadBytes(Out("a.pdf")), "old a");
        EXPECT_EQ(ReadBytes(Out("b.pdf")), "old b");
        EXPECT_FALSE(QFileInfo::exists(Out("c.pdf")));
    }
    EXPECT_EQ(Snapshot(folder).size(), c.outcome == SaveOutcome::Saved ? 3u : 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, SaveOverwrite,
    ::testing::Values(
        OverwriteCase{"YesOverwritesAllWithoutAsking", {Prompt::Yes}, 1, SaveOutcome::Saved},
        OverwriteCase{"NoAsksAgain", {Prompt::No, Prompt::No}, 2, SaveOutcome::Saved},
        OverwriteCase{"NoThenYes", {Prompt::No, Prompt::Yes}, 2, SaveOutcome::Saved},
        OverwriteCase{"CancelFirst", {Prompt::Cancel}, 1, SaveOutcome::Cancelled},
        OverwriteCase{"NoThenCancel", {Prompt::No, Prompt::Cancel}, 2, SaveOutcome::Cancelled}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SaveSplitTest, ReadOnlyFileOrFolderAtTheTargetIsRefused)
{
    Add(QStringLiteral("first.pdf"), {1});
    Add(QStringLiteral("locked.pdf"), {2});
    ASSERT_TRUE(WriteBytes(Out("locked.pdf"), "mine"));
    ASSERT_TRUE(QFile::setPermissions(Out("locked.pdf"), QFile::ReadOwner | QFile::ReadGroup));
    EXPECT_EQ(SaveSections(Request()), SaveOutcome::Refused);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, Formatted(232, Out("locked.pdf")));
    EXPECT_EQ(ReadBytes(Out("locked.pdf")), "mine");
    EXPECT_FALSE(QFileInfo::exists(Out("first.pdf")));

    messages.clear();
    sections.clear();
    Add(QStringLiteral("folder.pdf"), {1});
    ASSERT_TRUE(QDir().mkpath(Out("folder.pdf")));
    EXPECT_EQ(SaveSections(Request()), SaveOutcome::Refused);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, Formatted(232, Out("folder.pdf")));
}

TEST_F(SaveSplitTest, FailureMidSaveKeepsTheReplacedFileAndLeavesNoPartialFile)
{
    Add(QStringLiteral("s1.pdf"), {1, 2});
    Add(QStringLiteral("s2.pdf"), {3, 99}); // page 99 does not exist
    Add(QStringLiteral("s3.pdf"), {4});
    ASSERT_TRUE(WriteBytes(Out("s2.pdf"), "precious"));
    answers = {Prompt::Yes};

    EXPECT_EQ(SaveSections(Request()), SaveOutcome::Failed);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].text, Formatted(229, Out("s2.pdf")));
    EXPECT_EQ(messages[1].icon, Prompt::Critical);
    EXPECT_EQ(PdfFixtures::PageMarkers(Out("s1.pdf")), (std::vector<int>{1, 2}));
    EXPECT_EQ(ReadBytes(Out("s2.pdf")), "precious");
    EXPECT_FALSE(QFileInfo::exists(Out("s3.pdf")));
    EXPECT_EQ(Snapshot(folder).size(), 2u);
}

// A write error the system reports only once the data goes to the disk
// (after every file was written) fails that file: the files before it are
// in place, it and the files after it leave their targets as they were, and
// no temporary file remains.
TEST_F(SaveSplitTest, LateWriteErrorFailsItsFileAndKeepsTheTargetsAfterIt)
{
    for (int i = 1; i <= 4; ++i)
        Add(QStringLiteral("s%1.pdf").arg(i), {i});
    ASSERT_TRUE(WriteBytes(Out("s3.pdf"), "old three"));
    answers = {Prompt::Yes};
    int checked = 0;
    const WrittenOutCheck previousCheck = SetWrittenOutCheck([&](const QString& temporary) {
        EXPECT_TRUE(QFileInfo::exists(temporary));
        if (++checked != 3)
            return true;
        errno = EIO;
        return false;
    });
    const SaveOutcome outcome = SaveSections(Request());
    SetWrittenOutCheck(previousCheck);

    EXPECT_EQ(outcome, SaveOutcome::Failed);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].text, Formatted(229, Out("s3.pdf")) + QLatin1Char('\n') + SystemErrorText(EIO));
    EXPECT_EQ(PdfFixtures::PageMarkers(Out("s1.pdf")), std::vector<int>{1});
    EXPECT_EQ(PdfFixtures::PageMarkers(Out("s2.pdf")), std::vector<int>{2});
    EXPECT_EQ(ReadBytes(Out("s3.pdf")), "old three");
    EXPECT_FALSE(QFileInfo::exists(Out("s4.pdf")));
    EXPECT_EQ(Snapshot(folder).size(), 3u);
}

// A file that cannot be written is reported with the system's reason on the
// message's second line.
struct UnwritableFolderCase
{
    const char* name;
    // Points the test's output folder somewhere unwritable; returns a reason
    // to skip, or nothing.
    std::function<std::string(SaveSplitTest&)> prepare;
    int error; // the errno whose text is the reason
};

class UnwritableFolder : public SaveSplitTest, public ::testing::WithParamInterface<UnwritableFolderCase>
{
public:
    void TearDown() override
    {
        if (!mounted.isEmpty())
            ::umount2(QFile::encodeName(mounted).constData(), MNT_DETACH);
        SaveSplitTest::TearDown();
    }
    QString mounted;
};

TEST_P(UnwritableFolder, ReportsTheFileAndTheReason)
{
    const UnwritableFolderCase& c = GetParam();
    if (const std::string skip = c.prepare(*this); !skip.empty())
        GTEST_SKIP() << skip;
    Add(QStringLiteral("s1.pdf"), {1});
    EXPECT_EQ(SaveSections(Request()), SaveOutcome::Failed);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, Formatted(228, Out("s1.pdf")) + QLatin1Char('\n') + SystemErrorText(c.error));
    EXPECT_EQ(messages[0].icon, Prompt::Critical);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, UnwritableFolder,
    ::testing::Values(
        UnwritableFolderCase{"Vanished",
                             [](SaveSplitTest& t) {
                                 t.folder = t.dir.filePath(QStringLiteral("gone"));
                                 return std::string();
                             },
                             ENOENT},
        UnwritableFolderCase{"IsAFile",
                             [](SaveSplitTest& t) {
                                 t.folder = t.source;
                                 return std::string();
                             },
                             ENOTDIR},
        UnwritableFolderCase{"ReadOnlyFileSystem",
                             [](SaveSplitTest& t) {
                                 if (::geteuid() != 0)
                                     return std::string("mounting a file system needs root");
                                 const QByteArray point = QFile::encodeName(t.folder);
                                 if (::mount("tmpfs", point.constData(), "tmpfs", MS_RDONLY, "size=64k") != 0)
                                     return std::string("cannot mount a read-only tmpfs here");
                                 static_cast<UnwritableFolder&>(t).mounted = t.folder;
                                 return std::string();
                             },
                             EROFS}),
    [](const auto& info) { return std::string(info.param.name); });

// How the disk fills up part-way through a save: a small file system that
// the second section does not fit on (needs the right to mount), or a limit
// on the size of any file the saving process writes (always available).
enum class FullDiskKind
{
    SmallFileSystem,
    FileSizeLimit,
};

class FullDisk : public SaveSplitTest, public ::testing::WithParamInterface<FullDiskKind>
{
};

TEST_P(FullDisk, LeavesThePreviousFileIntactAndNoPartialFile)
{
    struct Unmount
    {
        QString path;
        ~Unmount()
        {
            if (!path.isEmpty())
                ::umount2(QFile::encodeName(path).constData(), MNT_DETACH);
        }
    } unmount;
    if (GetParam() == FullDiskKind::SmallFileSystem)
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "mounting a small file system needs root";
        const QString small = dir.filePath(QStringLiteral("small"));
        ASSERT_TRUE(QDir().mkpath(small));
        if (::mount("tmpfs", QFile::encodeName(small).constData(), "tmpfs", 0, "size=64k") != 0)
            GTEST_SKIP() << "cannot mount a tmpfs here";
        unmount.path = small;
        folder = small;
    }

    // Each section takes about 30 KB per page: the first fits in 64 KB, the
    // second does not.
    std::vector<PdfFixtures::PageDesign> pages(4);
    for (auto& p : pages)
        p.imageSide = 100;
    source = QDir(sourceFolder).filePath(QStringLiteral("big.pdf"));
    ASSERT_TRUE(PdfFixtures::WritePdf(source, pages));
    Add(QStringLiteral("s1.pdf"), {1});
    Add(QStringLiteral("s2.pdf"), {2, 3, 4});
    ASSERT_TRUE(WriteBytes(Out("s2.pdf"), "earlier version"));
    answers = {Prompt::Yes};

    // The save runs in a child process so that a crash on the full disk
    // shows up as this test failing rather than ending the whole program,
    // and so that a file size limit binds the save alone.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        if (GetParam() == FullDiskKind::FileSizeLimit)
        {
            // Writing past the limit fails with an error instead of a signal.
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit{};
            ::getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = 64 * 1024;
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                ::_exit(3);
        }
        const SaveOutcome outcome = SaveSections(Request());
        // The reason the system gave follows on a second line.
        const QString reason = SystemErrorText(GetParam() == FullDiskKind::FileSizeLimit ? EFBIG : ENOSPC);
        const bool reported = messages.size() == 2 &&
                              (messages[1].text == Formatted(229, Out("s2.pdf")) + QLatin1Char('\n') + reason ||
                               messages[1].text == Formatted(228, Out("s2.pdf")) + QLatin1Char('\n') + reason);
        ::_exit(outcome != SaveOutcome::Failed ? 1 : reported ? 0 : 2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the save crashed on a full disk (signal " << WTERMSIG(status) << ")";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: not reported as failed, 2: wrong message, 3: no file size limit";
    EXPECT_EQ(PdfFixtures::PageMarkers(Out("s1.pdf")), std::vector<int>{1});
    EXPECT_EQ(ReadBytes(Out("s2.pdf")), "earlier version");
    EXPECT_EQ(Snapshot(folder).size(), 2u) << Snapshot(folder).size();
}

INSTANTIATE_TEST_SUITE_P(Kinds, FullDisk,
                         ::testing::Values(FullDiskKind::SmallFileSystem, FullDiskKind::FileSizeLimit),
                         [](const auto& info) {
                             return info.param == FullDiskKind::SmallFileSystem ? "SmallFileSystem"
                                                                                : "FileSizeLimit";
                         });

struct ProtectionCase
{
    const char* name;
    QString owner;
    QString user;
    std::uint32_t permissions;
    bool encrypted;
};

class SaveProtection : public SaveSplitTest, public ::testing::WithParamInterface<ProtectionCase>
{
};

TEST_P(SaveProtection, FilesOpenOnlyWithTheTypedPassword)
{
    const ProtectionCase& c = GetParam();
    Add(QStringLiteral("p.pdf"), {2, 4});
    SaveRequest request = Request();
    request.protection = OutputProtection{c.owner, c.user, c.permissions};
    ASSERT_EQ(SaveSections(request), SaveOutcome::Saved);

    const QString path = Out("p.pdf");
    const std::string owner = c.owner.toStdString();
    const std::string user = c.user.toStdString();
    EXPECT_EQ(PdfFixtures::IsEncrypted(path, owner), c.encrypted);
    EXPECT_EQ(PdfFixtures::PageMarkers(path, owner), (std::vector<int>{2, 4}));
    if (!c.encrypted)
        return;
    EXPECT_TRUE(PdfFixtures::OpensWithPassword(path, owner));
    EXPECT_EQ(PdfFixtures::OpensWithPassword(path, ""), user.empty());
    // The password as typed, not a lossy 8-bit rendering of it.
    const QByteArray lossy = c.owner.toLatin1();
    if (lossy != c.owner.toUtf8())
        EXPECT_FALSE(PdfFixtures::OpensWithPassword(path, lossy.toStdString()));
    EXPECT_FALSE(PdfFixtures::OpensWithPassword(path, owner + "x"));
    // The AES-256 handler always grants extraction for accessibility.
    EXPECT_EQ(PdfFixtures::Permissions(path, user),
              static_cast<int>((c.permissions | PdfFixtures::PERM_ACCESSIBILITY) & PdfFixtures::PERM_ALL));
}

INSTANTIATE_TEST_SUITE_P(
    Choices, SaveProtection,
    ::testing::Values(
        ProtectionCase{"ViewingNonAscii", QStringLiteral("\u00fcber\u20ac\u4e2d"), QStringLiteral("\u00fcber\u20ac\u4e2d"), 0xFFFFFFFFu, true},
        ProtectionCase{"CopyAndPrintWithoutViewing", QStringLiteral("own\u00e9r"), QString(), 0xFFFFF5EBu, true},
        ProtectionCase{"AllRestricted", QStringLiteral("pw"), QStringLiteral("pw"), 0xFFFFF4CBu, true},
        ProtectionCase{"NoPasswordMeansNoEncryption", QString(), QString(), 0xFFFFF4CBu, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SaveSplitTest, EncryptedSourceIsReadWithItsPassword)
{
    const std::string pw = "\xC3\xB6" "ffnen"; // "öffnen"
    source = QDir(sourceFolder).filePath(QStringLiteral("locked.pdf"));
    ASSERT_TRUE(PdfFixtures::WriteEncryptedPdf(source, 5, pw, pw));
    Add(QStringLiteral("out.pdf"), {5, 1});

    SaveRequest withPassword = Request();
    withPassword.sourcePassword = QString::fromUtf8(pw.c_str());
    ASSERT_EQ(SaveSections(withPassword), SaveOutcome::Saved)
        << (messages.empty() ? std::string() : messages[0].text.toStdString());
    EXPECT_EQ(PdfFixtures::PageMarkers(Out("out.pdf")), (std::vector<int>{5, 1}));
    EXPECT_FALSE(PdfFixtures::IsEncrypted(Out("out.pdf")));

    ASSERT_TRUE(QFile::remove(Out("out.pdf")));
    EXPECT_EQ(SaveSections(Request()), SaveOutcome::Failed);
    ASSERT_EQ(messages.size(), 1u);
    // The splicing library's reason follows on a second line.
    EXPECT_EQ(messages[0].text, Formatted(227, source) + QStringLiteral("\ninvalid password"));
    EXPECT_TRUE(Snapshot(folder).empty());
}

TEST_F(SaveSplitTest, ReplacedFileKeepsItsAccessRights)
{
    Add(QStringLiteral("shared.pdf"), {1});
    ASSERT_TRUE(WriteBytes(Out("shared.pdf"), "old"));
    const auto rights = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup |
                        QFile::ReadOther;
    ASSERT_TRUE(QFile::setPermissions(Out("shared.pdf"), rights));
    answers = {Prompt::Yes};
    ASSERT_EQ(SaveSections(Request()), SaveOutcome::Saved);
    EXPECT_EQ(PdfFixtures::PageMarkers(Out("shared.pdf")), std::vector<int>{1});
    EXPECT_EQ(QFileInfo(Out("shared.pdf")).permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
              rights);
}

// A progress that lets the test look at the folder before each file is
// written, and asks to stop once `stopBefore` files were started.
class WatchedProgress : public LongWorkProgress
{
public:
    void SetRange(qint64 maximum) override { range = maximum; }
    void SetStep(const QString& text, qint64 position) override
    {
        steps.push_back(text);
        if (onStep)
            onStep(position);
    }
    bool StopRequested() const override { return static_cast<int>(steps.size()) >= stopBefore; }

    qint64 range = -1;
    int stopBefore = 1 << 30;
    std::vector<QString> steps;
    std::function<void(qint64)> onStep;
};

class SaveAsLongWork : public SaveSplitTest
{
protected:
    void SetUp() override
    {
        SaveSplitTest::SetUp();
        previousWork = SetLongWorkHandler([this](const QString& title, const LongWork& work) {
            titles.push_back(title);
            work(progress);
        });
    }
    void TearDown() override
    {
        SetLongWorkHandler(previousWork);
        SaveSplitTest::TearDown();
    }
    WatchedProgress progress;
    std::vector<QString> titles;
    LongWorkHandler previousWork;
};

TEST_F(SaveAsLongWork, EveryFileIsWrittenBeforeAnyTargetChanges)
{
    for (int i = 1; i <= 4; ++i)
        Add(QStringLiteral("s%1.pdf").arg(i), {i, i + 1});
    ASSERT_TRUE(WriteBytes(Out("s2.pdf"), "before"));
    answers = {Prompt::Yes};
    std::vector<std::map<QString, QByteArray>> seen;
    progress.onStep = [&](qint64) { seen.push_back(Snapshot(folder)); };

    ASSERT_EQ(SaveSections(Request()), SaveOutcome::Saved);
    EXPECT_EQ(titles, std::vector<QString>{QStringLiteral("Save Split")});
    EXPECT_EQ(progress.range, 4);
    EXPECT_EQ(progress.steps.back(), QStringLiteral("Writing file 4 of 4"));
    // While the files are being written only hidden temporary files appear;
    // the targets stay as they were until every file is complete.
    ASSERT_EQ(seen.size(), 4u);
    for (std::size_t i = 0; i < seen.size(); ++i)
    {
        EXPECT_EQ(seen[i].size(), i + 1) << "before file " << i + 1;
        EXPECT_EQ(seen[i].at(QStringLiteral("s2.pdf")), "before");
        for (const auto& [name, bytes] : seen[i])
            EXPECT_TRUE(name == QStringLiteral("s2.pdf") || name.startsWith(QLatin1Char('.'))) << name.toStdString();
    }
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(PdfFixtures::PageMarkers(Out(QStringLiteral("s%1.pdf").arg(i))), (std::vector<int>{i, i + 1}));
    EXPECT_EQ(Snapshot(folder).size(), 4u);
}

struct StopCase
{
    const char* name;
    int stopBefore; // files started before the stop
};

class SaveStopped : public SaveAsLongWork, public ::testing::WithParamInterface<StopCase>
{
};

// Stopping puts the files already written in place, complete, leaves every
// other target as it was and no temporary file behind, and says how many
// files were written.
TEST_P(SaveStopped, KeepsTheFinishedFilesAndSaysHowMany)
{
    const int stopBefore = GetParam().stopBefore;
    for (int i = 1; i <= 5; ++i)
        Add(QStringLiteral("s%1.pdf").arg(i), {i});
    ASSERT_TRUE(WriteBytes(Out("s1.pdf"), "old one"));
    ASSERT_TRUE(WriteBytes(Out("s4.pdf"), "old four"));
    answers = {Prompt::Yes};
    progress.stopBefore = stopBefore;

    EXPECT_EQ(SaveSections(Request()), SaveOutcome::Cancelled);
    ASSERT_EQ(messages.size(), 2u); // the overwrite question, then the count
    EXPECT_EQ(messages[1].text, QStringLiteral("Saving was cancelled: %1 of 5 files were written").arg(stopBefore));
    EXPECT_EQ(messages[1].icon, Prompt::Information);
    for (int i = 1; i <= 5; ++i)
    {
        const QString name = QStringLiteral("s%1.pdf").arg(i);
        if (i <= stopBefore)
            EXPECT_EQ(PdfFixtures::PageMarkers(Out(name)), std::vector<int>{i}) << i;
        else if (i == 1)
            EXPECT_EQ(ReadBytes(Out(name)), "old one");
        else if (i == 4)
            EXPECT_EQ(ReadBytes(Out(name)), "old four");
        else
            EXPECT_FALSE(QFileInfo::exists(Out(name))) << i;
    }
    for (const auto& [name, bytes] : Snapshot(folder))
        EXPECT_FALSE(name.startsWith(QLatin1Char('.'))) << "left behind: " << name.toStdString();
}

INSTANTIATE_TEST_SUITE_P(At, SaveStopped,
                         ::testing::Values(StopCase{"BeforeTheFirstFile", 0}, StopCase{"AfterTwoFiles", 2},
                                           StopCase{"AfterFourFiles", 4}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
