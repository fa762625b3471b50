// The headless splitter: command lines in, files (read back page by page) and
// messages out; in-process through RunBatchSplit and as the built program.
#include "BuildVersion.h"
#include "common/PageTreeFixtures.h"
#include "common/PdfFixtures.h"
#include "resources/StringTable.h"
#include "session/BatchConsole.h"
#include "session/BatchSplit.h"
#include "session/BatchStaging.h"
#include "session/SessionUser.h"
#include "session/SplitSection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using PdfFixtures::Damage;
using PdfFixtures::TreeDamage;

struct RunResult
{
    int code = -1;
    std::string out;
    std::string err;
};

QByteArray ReadBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Every entry of a folder, hidden ones included: files with their bytes,
// links with their target, folders marked as such.
std::map<QString, QByteArray> Snapshot(const QString& folder)
{
    std::map<QString, QByteArray> entries;
    for (const QFileInfo& info :
         QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
    {
        if (info.isSymLink())
            entries[info.fileName()] = "link to " + info.symLinkTarget().toUtf8();
        else if (info.isDir())
            entries[info.fileName()] = "<folder>";
        else
            entries[info.fileName()] = ReadBytes(info.filePath());
    }
    return entries;
}

QStringList Names(const std::map<QString, QByteArray>& entries)
{
    QStringList names;
    for (const auto& [name, bytes] : entries)
        names.append(name);
    return names;
}

std::vector<int> Range(int first, int last)
{
    std::vector<int> pages;
    for (int p = first; p <= last; ++p)
        pages.push_back(p);
    return pages;
}

constexpr int kPages = 10;          // doc.pdf and images.pdf

// book.pdf: two pages of front matter, then five chapters of two pages;
// the second chapter's title is UTF-16 text.
const std::string kChapter2Title = std::string("\xFE\xFF\0C\0h\0a\0p\0t\0e\0r\0 \0" "2\0 \x20\x13\0 \0B\0a\0s\0i\0c\0s", 38);

PdfFixtures::Book FiveChapterBook()
{
    PdfFixtures::Book book;
    book.pageCount = 12;
    book.outline = {
        {"Chapter 1: Getting Started", 3, "", false, false, {{"1.1 Install", 3}, {"1.2 First Steps", 4}}},
        {kChapter2Title, 5},
        {"Chapter 3", 7, "", false, false, {{"3.1 More", 8}}},
        {"Chapter 4", 9},
        {"Appendix/Index", 11},
    };
    book.links = {{4, 9}, {7, 8}};
    book.pageLabels = "0 << /S /r >> 2 << /S /D >>";
    book.info = {{"Title", "The Book"}, {"Producer", "A typesetter 1.0"}, {"CreationDate", "D:20240101120000Z"}};
    book.xmp = "<x:xmpmeta xmlns:x='adobe:ns:meta/'/>";
    return book;
}
constexpr int kImageSide = 200;     // 120,000 bytes of noise per page of images.pdf
const std::string kUserPassword = "user-pw";
const std::string kOwnerPassword = "owner-pw";

class BatchSplitTest : public ::testing::Test
{
public:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        oldTmp = qgetenv("TMPDIR");
        hadTmp = qEnvironmentVariableIsSet("TMPDIR");
        oldCurrent = QDir::currentPath();
        qputenv("PARCELO_COMMON_APPDATA", Path("appdata").toUtf8());
        qputenv("PARCELO_SETTINGS_DIR", Path("settings").toUtf8());
        // The trial files of --max-size go here, to be seen if left behind.
        ASSERT_TRUE(QDir().mkpath(Path("tmp")));
        qputenv("TMPDIR", Path("tmp").toLocal8Bit());
        ASSERT_TRUE(QDir().mkpath(Path("in")));
        ASSERT_TRUE(QDir().mkpath(Path("out")));
        out = Path("out");
        ASSERT_TRUE(PdfFixtures::WritePlainPdf(In("doc.pdf"), kPages));
        ASSERT_TRUE(WriteBytes(Path("user.txt"), QByteArray::fromStdString(kUserPassword) + "\r\nsecond line\n"));
        ASSERT_TRUE(WriteBytes(Path("owner.txt"), QByteArray::fromStdString(kOwnerPassword)));
        ASSERT_TRUE(WriteBytes(Path("wrong.txt"), "not-it\n"));
        ASSERT_TRUE(WriteBytes(Path("empty.txt"), "\n"));
    }

    void TearDown() override
    {
        QDir::setCurrent(oldCurrent);
        for (const QString& point : mounts)
            ::umount2(QFile::encodeName(point).constData(), MNT_DETACH);
        if (hadTmp)
            qputenv("TMPDIR", oldTmp);
        else
            qunsetenv("TMPDIR");
        qunsetenv("PARCELO_COMMON_APPDATA");
        qunsetenv("PARCELO_SETTINGS_DIR");
    }

    QString Path(const QString& name) const { return dir.filePath(name); }
    QString In(const QString& name) const { return Path(QStringLiteral("in/") + name); }
    QString Out(const QString& name) const { return QDir(out).filePath(name); }

    // The inputs the tables name, written when first asked for.
    QString Input(const QString& name)
    {
        const QString path = In(name);
        if (QFileInfo::exists(path) || name == QLatin1String("missing.pdf"))
            return path;
        bool ok = true;
        if (name == QLatin1String("images.pdf"))
        {
            std::vector<PdfFixtures::PageDesign> pages(kPages);
            for (auto& p : pages)
                p.imageSide = kImageSide;
            ok = PdfFixtures::WritePdf(path, pages);
        }
        else if (name == QLatin1String("locked.pdf"))
            ok = PdfFixtures::WriteEncryptedPdf(path, kPages, kUserPassword, kOwnerPassword);
        else if (name == QLatin1String("nocopy.pdf"))
            ok = PdfFixtures::WriteEncryptedPdf(path, kPages, "", kOwnerPassword,
                                                PdfFixtures::PERM_ALL & ~PdfFixtures::PERM_COPY);
        else if (name == QLatin1String("book.pdf"))
            ok = PdfFixtures::WriteBook(path, FiveChapterBook());
        else if (name == QLatin1String("single.pdf"))
            ok = PdfFixtures::WritePlainPdf(path, 1);
        else if (name == QLatin1String("notes.txt"))
            ok = WriteBytes(path, "just some text\n");
        else if (name.startsWith(QLatin1String("damaged-")))
        {
            static const std::map<QString, Damage> kinds = {
                {QStringLiteral("damaged-empty.pdf"), Damage::Empty},
                {QStringLiteral("damaged-garbage.pdf"), Damage::Garbage},
                {QStringLiteral("damaged-header.pdf"), Damage::HeaderOnly},
                {QStringLiteral("damaged-truncated.pdf"), Damage::Truncated},
                {QStringLiteral("damaged-xref.pdf"), Damage::BrokenXref},
            };
            ok = PdfFixtures::WriteDamagedPdf(path, kinds.at(name));
        }
        else if (name == QLatin1String("no-pages.pdf"))
            ok = PdfFixtures::WriteZeroPagePdf(path);
        else if (name == QLatin1String("page-loop.pdf"))
            ok = PdfFixtures::WritePageLoopPdf(path, kPages);
        else if (name == QLatin1String("unknown-encryption.pdf"))
            ok = PdfFixtures::WriteUnknownEncryptionPdf(path);
        else if (name.startsWith(QLatin1String("tree-")))
        {
            // tree-<TreeDamage name>.pdf
            const QString kind = name.mid(5).chopped(4);
            ok = false;
            for (int k = 0; k <= static_cast<int>(TreeDamage::DeepChain); ++k)
            {
                const auto damage = static_cast<TreeDamage>(k);
                if (kind == QLatin1String(PdfFixtures::TreeDamageName(damage)))
                    ok = PdfFixtures::WriteTreeDamagedPdf(path, damage, kPages);
            }
        }
        else
            ok = QFile::copy(In("doc.pdf"), path); // doc.pdf under another name
        EXPECT_TRUE(ok) << name.toStdString();
        return path;
    }

    // Replaces the placeholders IN:<name> (an input), DIR/ (the test folder)
    // and OUT (the output folder) in the arguments.
    QStringList Expand(const QStringList& arguments)
    {
        QStringList expanded;
        for (const QString& argument : arguments)
        {
            if (argument.startsWith(QLatin1String("IN:")))
                expanded.append(Input(argument.mid(3)));
            else if (argument == QLatin1String("OUT"))
                expanded.append(out);
            else if (argument.startsWith(QLatin1String("DIR/")))
                expanded.append(Path(argument.mid(4)));
            else
                expanded.append(argument);
        }
        return expanded;
    }

    RunResult Run(const QStringList& arguments, bool progress = false, int progressDelayMs = 500)
    {
        std::ostringstream o, e;
        RunResult r;
        r.code = RunBatchSplit(Expand(arguments), o, e, progress, progressDelayMs);
        r.out = o.str();
        r.err = e.str();
        return r;
    }

    // Mounts a fresh tmpfs over the output folder; false when that is not
    // possible here (then the case is skipped).
    bool MountOut(unsigned long flags, const char* options)
    {
        if (::geteuid() != 0)
            return false;
        if (::mount("tmpfs", QFile::encodeName(out).constData(), "tmpfs", flags, options) != 0)
            return false;
        mounts.append(out);
        return true;
    }

    QTemporaryDir dir;
    QString out;
    QByteArray oldTmp;
    bool hadTmp = false;
    QString oldCurrent;
    QStringList mounts;
};

// --- what a run writes ----------------------------------------------------------

struct ExpectedFile
{
    QString name;
    std::vector<int> pages; // the fixture's page markers, in order
};

struct WriteCase
{
    const char* name;
    QStringList arguments;       // "--out OUT" is added unless inCurrentFolder
    std::vector<ExpectedFile> files;
    std::string readPassword;    // opens the written files
    std::uint64_t sizeLimit = 0; // --max-size: every file is at most this big
    bool inCurrentFolder = false;
};

class BatchWrites : public BatchSplitTest, public ::testing::WithParamInterface<WriteCase>
{
};

TEST_P(BatchWrites, FilesAndTheirPages)
{
    const WriteCase& c = GetParam();
    QStringList arguments = c.arguments;
    if (c.inCurrentFolder)
        ASSERT_TRUE(QDir::setCurrent(out));
    else
        arguments << QStringLiteral("--out") << QStringLiteral("OUT");

    const RunResult r = Run(arguments);
    ASSERT_EQ(r.code, BATCH_EXIT_OK) << r.err;
    EXPECT_EQ(r.err, "");

    // Exactly the expected files, no staging folder or temporary file, and
    // their full paths on standard output in section order.
    QStringList expectedNames;
    std::string expectedOut;
    for (const ExpectedFile& f : c.files)
    {
        expectedNames.append(f.name);
        expectedOut += QDir(out).absoluteFilePath(f.name).toStdString() + "\n";
    }
    QStringList sortedExpected = expectedNames;
    sortedExpected.sort();
    EXPECT_EQ(Names(Snapshot(out)), sortedExpected);
    EXPECT_EQ(r.out, expectedOut);
    EXPECT_TRUE(Snapshot(Path("tmp")).empty()) << Names(Snapshot(Path("tmp"))).join(' ').toStdString();

    for (const ExpectedFile& f : c.files)
    {
        SCOPED_TRACE(f.name.toStdString());
        EXPECT_EQ(PdfFixtures::PageMarkers(Out(f.name), c.readPassword), f.pages);
        // The window's saves carry no protection unless it is asked for.
        EXPECT_FALSE(PdfFixtures::IsEncrypted(Out(f.name), c.readPassword));
        if (c.sizeLimit)
            EXPECT_LE(static_cast<std::uint64_t>(QFileInfo(Out(f.name)).size()), c.sizeLimit);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, BatchWrites,
    ::testing::Values(
        WriteCase{"OneRange", {"IN:doc.pdf", "--ranges", "1-3, 7"}, {{"doc-S1.pdf", {1, 2, 3, 7}}}},
        // Order and repeated pages of the text are kept, as on the sheet.
        WriteCase{"SeveralRanges",
                  {"IN:doc.pdf", "--ranges", "9-10,1", "--ranges=4,4", "--ranges", "2"},
                  {{"doc-S1.pdf", {9, 10, 1}}, {"doc-S2.pdf", {4, 4}}, {"doc-S3.pdf", {2}}}},
        WriteCase{"EveryWithRemainder",
                  {"IN:doc.pdf", "--every", "4"},
                  {{"doc-S1.pdf", Range(1, 4)}, {"doc-S2.pdf", Range(5, 8)}, {"doc-S3.pdf", {9, 10}}}},
        WriteCase{"EveryOne",
                  {"IN:doc.pdf", "--every=1"},
                  {{"doc-S1.pdf", {1}}, {"doc-S2.pdf", {2}}, {"doc-S3.pdf", {3}}, {"doc-S4.pdf", {4}},
                   {"doc-S5.pdf", {5}}, {"doc-S6.pdf", {6}}, {"doc-S7.pdf", {7}}, {"doc-S8.pdf", {8}},
                   {"doc-S9.pdf", {9}}, {"doc-S10.pdf", {10}}}},
        WriteCase{"EveryMoreThanThePages", {"IN:doc.pdf", "--every", "25"}, {{"doc-S1.pdf", Range(1, 10)}}},
        WriteCase{"BookmarksTopLevel",
                  {"IN:book.pdf", "--bookmarks", "1"},
                  {{"book-S1.pdf", {1, 2}},
                   {"Chapter 1_ Getting Started.pdf", {3, 4}},
                   {QString::fromUtf8("Chapter 2 \u2013 Basics.pdf"), {5, 6}},
                   {"Chapter 3.pdf", {7, 8}},
                   {"Chapter 4.pdf", {9, 10}},
                   {"Appendix_Index.pdf", {11, 12}}}},
        // A chapter's first page goes with its first subsection when they
        // start together; chapters without subsections stay whole.
        WriteCase{"BookmarksSecondLevel",
                  {"IN:book.pdf", "--bookmarks=2"},
                  {{"book-S1.pdf", {1, 2}},
                   {"1.1 Install.pdf", {3}},
                   {"1.2 First Steps.pdf", {4}},
                   {QString::fromUtf8("Chapter 2 \u2013 Basics.pdf"), {5, 6}},
                   {"Chapter 3.pdf", {7}},
                   {"3.1 More.pdf", {8}},
                   {"Chapter 4.pdf", {9, 10}},
                   {"Appendix_Index.pdf", {11, 12}}}},
        // 120,000 bytes a page: three pages fit 400 KB (409,600), four do not.
        WriteCase{"MaxSizeKilobytes",
                  {"IN:images.pdf", "--max-size", "400K"},
                  {{"images-S1.pdf", Range(1, 3)}, {"images-S2.pdf", Range(4, 6)},
                   {"images-S3.pdf", Range(7, 9)}, {"images-S4.pdf", {10}}},
                  {}, 400 * 1024},
        WriteCase{"MaxSizeKilobytesLongUnit",
                  {"IN:images.pdf", "--max-size=400 kb"},
                  {{"images-S1.pdf", Range(1, 3)}, {"images-S2.pdf", Range(4, 6)},
                   {"images-S3.pdf", Range(7, 9)}, {"images-S4.pdf", {10}}},
                  {}, 400 * 1024},
        // Eight pages fit 1 MB (1,048,576), nine do not.
        WriteCase{"MaxSizeMegabytes",
                  {"IN:images.pdf", "--max-size", "1m"},
                  {{"images-S1.pdf", Range(1, 8)}, {"images-S2.pdf", {9, 10}}},
                  {}, 1 << 20},
        WriteCase{"MaxSizeAboveTheDocument",
                  {"IN:images.pdf", "--max-size", "2MB"},
                  {{"images-S1.pdf", Range(1, 10)}},
                  {}, 2 << 20},
        // Names as the window makes them: title, section number, extension.
        WriteCase{"NameWithoutExtension", {"IN:scan", "--every", "6"},
                  {{"scan-S1.", Range(1, 6)}, {"scan-S2.", Range(7, 10)}}},
        // A ':' is allowed in Linux names but not in output names: it becomes "_".
        WriteCase{"ColonInInputName", {"IN:Re: a.pdf", "--every", "6"},
                  {{"Re_ a-S1.pdf", Range(1, 6)}, {"Re_ a-S2.pdf", Range(7, 10)}}},
        // A name near the 255-byte limit gives default names that still fit.
        WriteCase{"LongInputNameIsShortened",
                  {QStringLiteral("IN:") + QString(125, QChar(0x0416)) + QStringLiteral(".pdf"), "--every", "6"},
                  {{QString(124, QChar(0x0416)) + QStringLiteral("-S1.pdf"), Range(1, 6)},
                   {QString(124, QChar(0x0416)) + QStringLiteral("-S2.pdf"), Range(7, 10)}}},
        WriteCase{"NameWithSeveralDots", {"IN:report.v2.PDF", "--ranges", "5"}, {{"report.v2-S1.PDF", {5}}}},
        // Characters an output name cannot hold become "_", so no name leads
        // out of the folder.
        WriteCase{"BackslashInInputName", {"IN:..\\up.pdf", "--ranges", "2"}, {{".._up-S1.pdf", {2}}}},
        WriteCase{"CurrentFolderWithoutOut", {"IN:doc.pdf", "--every", "5"},
                  {{"doc-S1.pdf", Range(1, 5)}, {"doc-S2.pdf", Range(6, 10)}}, {}, 0, true},
        // The password is the first line of the file (CR LF removed).
        WriteCase{"OpeningPassword",
                  {"IN:locked.pdf", "--password-file", "DIR/user.txt", "--ranges", "10,2-3"},
                  {{"locked-S1.pdf", {10, 2, 3}}}},
        WriteCase{"OwnerPasswordOpensToo",
                  {"IN:locked.pdf", "--password-file", "DIR/owner.txt", "--every", "7"},
                  {{"locked-S1.pdf", Range(1, 7)}, {"locked-S2.pdf", {8, 9, 10}}}},
        WriteCase{"CopyPassword",
                  {"IN:nocopy.pdf", "--password-file", "DIR/owner.txt", "--max-size", "2M"},
                  {{"nocopy-S1.pdf", Range(1, 10)}}, {}, 2 << 20}),
    [](const auto& info) { return std::string(info.param.name); });

// --- protected outputs ------------------------------------------------------------

struct ProtectionCase
{
    const char* name;
    QStringList allow;         // the --allow argument, or nothing
    bool opensWithoutPassword;
    int permissions;           // PERM_* bits granted without the password
};

class BatchProtection : public BatchSplitTest, public ::testing::WithParamInterface<ProtectionCase>
{
};

TEST_P(BatchProtection, OpensOnlyAsAllowed)
{
    const ProtectionCase& c = GetParam();
    using namespace PdfFixtures;
    const RunResult r = Run(QStringList{"IN:doc.pdf", "--ranges", "3,1", "--out", "OUT", "--owner-password-file",
                                        "DIR/owner.txt"} +
                            c.allow);
    ASSERT_EQ(r.code, BATCH_EXIT_OK) << r.err;
    const QString path = Out("doc-S1.pdf");

    EXPECT_TRUE(IsEncrypted(path, kOwnerPassword));
    EXPECT_EQ(OpensWithPassword(path, ""), c.opensWithoutPassword);
    EXPECT_TRUE(OpensWithPassword(path, kOwnerPassword));
    EXPECT_FALSE(OpensWithPassword(path, "owner-px"));
    EXPECT_EQ(PageMarkers(path, kOwnerPassword), (std::vector<int>{3, 1}));
    // Modifying and assembling are never restricted; the AES-256 handler
    // always grants extraction for accessibility.
    EXPECT_EQ(Permissions(path, kOwnerPassword), c.permissions | PERM_MODIFY | PERM_ASSEMBLE | PERM_ACCESSIBILITY);
}

INSTANTIATE_TEST_SUITE_P(
    Allow, BatchProtection,
    ::testing::Values(
        ProtectionCase{"DefaultOpensOnly", {}, true, 0},
        ProtectionCase{"ViewOnly", {"--allow", "view"}, true, 0},
        ProtectionCase{"PrintAndCopy", {"--allow", "print,copy"}, true,
                       PdfFixtures::PERM_PRINT | PdfFixtures::PERM_PRINT_HIGH | PdfFixtures::PERM_COPY},
        ProtectionCase{"AnnotateAndFormsSpaced", {"--allow= Annotate , forms"}, true,
                       PdfFixtures::PERM_ANNOTATE | PdfFixtures::PERM_FILL_FORMS},
        // Nothing without the password, not even opening.
        ProtectionCase{"None", {"--allow", "none"}, false, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// --- failures ------------------------------------------------------------------------

struct ErrorCase
{
    const char* name;
    QStringList arguments;
    int exitCode;
    const char* message; // part of the standard error text
    // Prepares the output folder; returns a reason to skip, or nothing.
    std::function<std::string(BatchSplitTest&)> prepare;
};

class BatchErrors : public BatchSplitTest, public ::testing::WithParamInterface<ErrorCase>
{
};

TEST_P(BatchErrors, MessageExitStatusAndNothingWritten)
{
    const ErrorCase& c = GetParam();
    if (c.prepare)
    {
        const std::string skip = c.prepare(*this);
        if (!skip.empty())
            GTEST_SKIP() << skip;
    }
    const QByteArray input = ReadBytes(In("doc.pdf"));
    const auto before = Snapshot(out);

    const RunResult r = Run(Expand(c.arguments));
    EXPECT_EQ(r.code, c.exitCode) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.err.rfind("parcelo-split: ", 0), 0u) << r.err;
    if (c.exitCode == BATCH_EXIT_USAGE)
        EXPECT_NE(r.err.find("Try 'parcelo-split --help'"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");

    // No new, changed or removed entry (no staging folder either), no trial
    // file, and the input as it was.
    EXPECT_EQ(Snapshot(out), before) << Names(Snapshot(out)).join(' ').toStdString();
    EXPECT_TRUE(Snapshot(Path("tmp")).empty()) << Names(Snapshot(Path("tmp"))).join(' ').toStdString();
    EXPECT_EQ(ReadBytes(In("doc.pdf")), input);
}

std::string ExistingFile(BatchSplitTest& t)
{
    return WriteBytes(t.Out("doc-S2.pdf"), "an older file") ? "" : "cannot write";
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, BatchErrors,
    ::testing::Values(
        ErrorCase{"NoArguments", {}, BATCH_EXIT_USAGE, "no input file given"},
        ErrorCase{"NoMode", {"IN:doc.pdf", "--out", "OUT"}, BATCH_EXIT_USAGE,
                  "say how to split: --ranges, --every, --max-size or --bookmarks"},
        ErrorCase{"TwoInputs", {"IN:doc.pdf", "IN:copy.pdf", "--every", "2", "--out", "OUT"}, BATCH_EXIT_USAGE,
                  "only one input file is accepted"},
        ErrorCase{"UnknownOption", {"IN:doc.pdf", "--every", "2", "--out", "OUT", "--pages"}, BATCH_EXIT_USAGE,
                  "unknown option '--pages'"},
        ErrorCase{"UnknownShortOption", {"-e", "2", "IN:doc.pdf"}, BATCH_EXIT_USAGE, "unknown option '-e'"},
        ErrorCase{"MissingValue", {"IN:doc.pdf", "--out", "OUT", "--every"}, BATCH_EXIT_USAGE,
                  "option --every needs a value"},
        ErrorCase{"TwoModes", {"IN:doc.pdf", "--ranges", "1-2", "--every", "2", "--out", "OUT"}, BATCH_EXIT_USAGE,
                  "choose only one of --ranges, --every, --max-size and --bookmarks"},
        ErrorCase{"BookmarksAndEvery", {"IN:book.pdf", "--bookmarks", "1", "--every", "2", "--out", "OUT"},
                  BATCH_EXIT_USAGE, "choose only one of"},
        ErrorCase{"BookmarksLevelZero", {"IN:book.pdf", "--bookmarks", "0", "--out", "OUT"}, BATCH_EXIT_USAGE,
                  "--bookmarks needs a level, a whole number from 1 (the top level), not '0'"},
        ErrorCase{"BookmarksLevelNotANumber", {"IN:book.pdf", "--bookmarks=top", "--out", "OUT"}, BATCH_EXIT_USAGE,
                  "not 'top'"},
        ErrorCase{"EveryZero", {"IN:doc.pdf", "--every", "0", "--out", "OUT"}, BATCH_EXIT_USAGE,
                  "--every needs a whole number of pages above 0, not '0'"},
        ErrorCase{"EveryNegative", {"IN:doc.pdf", "--every", "-3", "--out", "OUT"}, BATCH_EXIT_USAGE,
                  "not '-3'"},
        ErrorCase{"EveryNotANumber", {"IN:doc.pdf", "--every=2x", "--out", "OUT"}, BATCH_EXIT_USAGE, "not '2x'"},
        ErrorCase{"EveryTwice", {"IN:doc.pdf", "--every", "2", "--every", "3", "--out", "OUT"}, BATCH_EXIT_USAGE,
                  "option --every given more than once"},
        ErrorCase{"SizeWithoutUnit", {"IN:doc.pdf", "--max-size", "500", "--out", "OUT"}, BATCH_EXIT_USAGE,
                  "invalid size '500' for --max-size"},
        ErrorCase{"SizeFraction", {"IN:doc.pdf", "--max-size", "1.5M", "--out", "OUT"}, BATCH_EXIT_USAGE,
                  "invalid size '1.5M'"},
        ErrorCase{"SizeUnknownUnit", {"IN:doc.pdf", "--max-size", "2G", "--out", "OUT"}, BATCH_EXIT_USAGE,
                  "invalid size '2G'"},
        ErrorCase{"SizeZero", {"IN:doc.pdf", "--max-size", "0K", "--out", "OUT"}, BATCH_EXIT_USAGE,
                  "--max-size must be larger than 0"},
        ErrorCase{"SizeBeyond32Bits", {"IN:doc.pdf", "--max-size", "4096M", "--out", "OUT"}, BATCH_EXIT_USAGE,
                  "--max-size must be below 4096M"},
        ErrorCase{"AllowWithoutOwnerPassword", {"IN:doc.pdf", "--every", "2", "--allow", "print", "--out", "OUT"},
                  BATCH_EXIT_USAGE, "--allow needs --owner-password-file"},
        ErrorCase{"UnknownPermission",
                  {"IN:doc.pdf", "--every", "2", "--owner-password-file", "DIR/owner.txt", "--allow", "print,paint",
                   "--out", "OUT"},
                  BATCH_EXIT_USAGE, "unknown permission 'paint' in --allow"},
        ErrorCase{"EmptyPermissionList",
                  {"IN:doc.pdf", "--every", "2", "--owner-password-file", "DIR/owner.txt", "--allow=", "--out", "OUT"},
                  BATCH_EXIT_USAGE, "--allow needs a list"},
        ErrorCase{"ForceWithValue", {"IN:doc.pdf", "--every", "2", "--force=yes", "--out", "OUT"}, BATCH_EXIT_USAGE,
                  "option --force takes no value"},
        ErrorCase{"EmptyOut", {"IN:doc.pdf", "--every", "2", "--out="}, BATCH_EXIT_USAGE,
                  "option --out needs a folder"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Input, BatchErrors,
    ::testing::Values(
        ErrorCase{"Missing", {"IN:missing.pdf", "--every", "2", "--out", "OUT"}, BATCH_EXIT_FAILED,
                  "missing.pdf': no such file"},
        ErrorCase{"Folder", {"DIR/in", "--every", "2", "--out", "OUT"}, BATCH_EXIT_FAILED, "is a folder, not a PDF file"},
        ErrorCase{"Empty", {"IN:damaged-empty.pdf", "--every", "2", "--out", "OUT"}, BATCH_EXIT_FAILED,
                  "damaged-empty.pdf': the file is damaged or not a PDF document"},
        ErrorCase{"Garbage", {"IN:damaged-garbage.pdf", "--every", "2", "--out", "OUT"}, BATCH_EXIT_FAILED,
                  "the file is damaged or not a PDF document"},
        ErrorCase{"HeaderOnly", {"IN:damaged-header.pdf", "--every", "2", "--out", "OUT"}, BATCH_EXIT_FAILED,
                  "the file is damaged or not a PDF document"},
        ErrorCase{"TextFile", {"IN:notes.txt", "--every", "2", "--out", "OUT"}, BATCH_EXIT_FAILED,
                  "the file is damaged or not a PDF document"},
        ErrorCase{"SinglePage", {"IN:single.pdf", "--every", "2", "--out", "OUT"}, BATCH_EXIT_FAILED,
                  "File contains only a single page, thus cannot be split"},
        ErrorCase{"NoPages", {"IN:no-pages.pdf", "--every", "2", "--out", "OUT"}, BATCH_EXIT_FAILED,
                  "File contains only a single page, thus cannot be split"},
        ErrorCase{"PageLoop", {"IN:page-loop.pdf", "--every", "2", "--out", "OUT"}, BATCH_EXIT_FAILED,
                  "page-loop.pdf': the list of its pages is damaged and cannot be followed"},
        ErrorCase{"UnknownEncryption", {"IN:unknown-encryption.pdf", "--every", "2", "--out", "OUT"},
                  BATCH_EXIT_FAILED, "unknown-encryption.pdf': the file is encrypted in a way that cannot be read"},
        ErrorCase{"PasswordNeeded", {"IN:locked.pdf", "--every", "2", "--out", "OUT"}, BATCH_EXIT_FAILED,
                  "locked.pdf' is protected by a password; give it with --password-file"},
        ErrorCase{"WrongPassword", {"IN:locked.pdf", "--password-file", "DIR/wrong.txt", "--every", "2", "--out", "OUT"},
                  BATCH_EXIT_FAILED, "wrong password for"},
        ErrorCase{"CopyPasswordNeeded", {"IN:nocopy.pdf", "--every", "2", "--out", "OUT"}, BATCH_EXIT_FAILED,
                  "nocopy.pdf' does not allow copying its pages"},
        ErrorCase{"WrongCopyPassword",
                  {"IN:nocopy.pdf", "--password-file", "DIR/wrong.txt", "--max-size", "1M", "--out", "OUT"},
                  BATCH_EXIT_FAILED, "wrong password for"},
        ErrorCase{"PasswordFileMissing",
                  {"IN:locked.pdf", "--password-file", "DIR/nothing.txt", "--every", "2", "--out", "OUT"},
                  BATCH_EXIT_FAILED, "cannot read password file"},
        ErrorCase{"PasswordFileEmpty",
                  {"IN:locked.pdf", "--password-file", "DIR/empty.txt", "--every", "2", "--out", "OUT"},
                  BATCH_EXIT_FAILED, "empty.txt' holds no password"},
        ErrorCase{"PasswordLineTooLong",
                  {"IN:locked.pdf", "--password-file", "DIR/long.txt", "--every", "2", "--out", "OUT"},
                  BATCH_EXIT_FAILED, "long.txt' is too long",
                  [](BatchSplitTest& t) -> std::string {
                      return WriteBytes(t.Path("long.txt"), QByteArray(5000, 'x') + "\n") ? "" : "cannot write";
                  }},
        ErrorCase{"PasswordFileIsAFolder", {"IN:locked.pdf", "--password-file", "DIR/in", "--every", "2", "--out", "OUT"},
                  BATCH_EXIT_FAILED, "cannot read password file"},
        ErrorCase{"OwnerPasswordEmpty",
                  {"IN:doc.pdf", "--owner-password-file", "DIR/empty.txt", "--every", "2", "--out", "OUT"},
                  BATCH_EXIT_FAILED, "owner password file"},
        ErrorCase{"AllowEverything",
                  {"IN:doc.pdf", "--owner-password-file", "DIR/owner.txt", "--allow", "print,copy,annotate,forms",
                   "--every", "2", "--out", "OUT"},
                  BATCH_EXIT_FAILED, "--allow permits everything"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Sections, BatchErrors,
    ::testing::Values(
        ErrorCase{"ReversedRange", {"IN:doc.pdf", "--ranges", "5-3", "--out", "OUT"}, BATCH_EXIT_FAILED,
                  "invalid page range '5-3' for a document of 10 pages"},
        ErrorCase{"RangeBeyondTheDocument", {"IN:doc.pdf", "--ranges", "9-11", "--out", "OUT"}, BATCH_EXIT_FAILED,
                  "invalid page range '9-11'"},
        // A bad second text: the first section is not written either.
        ErrorCase{"SecondRangeBad", {"IN:doc.pdf", "--ranges", "1-2", "--ranges", "1;2", "--out", "OUT"},
                  BATCH_EXIT_FAILED, "invalid page range '1;2'"},
        ErrorCase{"EmptyRange", {"IN:doc.pdf", "--ranges", ",", "--out", "OUT"}, BATCH_EXIT_FAILED,
                  "page range ',' names no pages"},
        ErrorCase{"PageBiggerThanTheSize", {"IN:images.pdf", "--max-size", "100K", "--out", "OUT"}, BATCH_EXIT_FAILED,
                  "Some individual pages of this document are too big to fit into this max size"},
        ErrorCase{"NoBookmarks", {"IN:doc.pdf", "--bookmarks", "1", "--out", "OUT"}, BATCH_EXIT_FAILED,
                  "'doc.pdf' has no bookmarks to split at"},
        ErrorCase{"BookmarkLevelTooDeep", {"IN:book.pdf", "--bookmarks", "3", "--out", "OUT"}, BATCH_EXIT_FAILED,
                  "'book.pdf' has no bookmarks at level 3; its bookmarks go down to level 2"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    OutputFolder, BatchErrors,
    ::testing::Values(
        ErrorCase{"Missing", {"IN:doc.pdf", "--every", "2", "--out", "DIR/nowhere"}, BATCH_EXIT_FAILED,
                  "nowhere' does not exist"},
        ErrorCase{"IsAFile", {"IN:doc.pdf", "--every", "2", "--out", "IN:doc.pdf"}, BATCH_EXIT_FAILED,
                  "doc.pdf' is not a folder"},
        ErrorCase{"ReadOnlyFileSystem", {"IN:doc.pdf", "--every", "2", "--out", "OUT"}, BATCH_EXIT_FAILED,
                  "cannot write to output folder",
                  [](BatchSplitTest& t) -> std::string {
                      return t.MountOut(MS_RDONLY, "size=64k") ? "" : "cannot mount a read-only tmpfs here";
                  }},
        // The file system fills up while the sections are written: the files
        // written so far go with the staging folder.
        ErrorCase{"FullDisk", {"IN:images.pdf", "--every", "2", "--out", "OUT"}, BATCH_EXIT_FAILED,
                  "': No space left on device",
                  [](BatchSplitTest& t) -> std::string {
                      return t.MountOut(0, "size=600k") ? "" : "cannot mount a small tmpfs here";
                  }},
        ErrorCase{"ExistingFile", {"IN:doc.pdf", "--every", "5", "--out", "OUT"}, BATCH_EXIT_FAILED,
                  "doc-S2.pdf' already exists (use --force to overwrite)", ExistingFile},
        ErrorCase{"FolderInTheWayWithForce", {"IN:doc.pdf", "--every", "5", "--out", "OUT", "--force"},
                  BATCH_EXIT_FAILED, "Cannot write to file '",
                  [](BatchSplitTest& t) -> std::string {
                      return QDir().mkpath(t.Out("doc-S1.pdf")) ? "" : "cannot make a folder";
                  }},
        // Marked read-only (no write bit): refused even with --force, as the
        // window refuses it, and even for the superuser.
        ErrorCase{"ReadOnlyFileWithForce", {"IN:doc.pdf", "--every", "5", "--out", "OUT", "--force"},
                  BATCH_EXIT_FAILED, "Cannot write to file '",
                  [](BatchSplitTest& t) -> std::string {
                      const QString path = t.Out("doc-S2.pdf");
                      if (!WriteBytes(path, "keep me") || ::chmod(QFile::encodeName(path).constData(), 0444) != 0)
                          return "cannot make a read-only file";
                      return "";
                  }},
        // A link named like an output that leads to the input itself.
        ErrorCase{"InputBehindATargetWithForce", {"IN:doc.pdf", "--every", "5", "--out", "OUT", "--force"},
                  BATCH_EXIT_FAILED, "is the document being split and cannot be overwritten",
                  [](BatchSplitTest& t) -> std::string {
                      return QFile::link(t.Input("doc.pdf"), t.Out("doc-S2.pdf"))
                                 ? ""
                                 : "cannot make a link";
                  }}),
    [](const auto& info) { return std::string(info.param.name); });

// Damaged files an engine may repair: either the run works and its files are
// sound, or it fails with the message and leaves nothing.
class BatchDamaged : public BatchSplitTest, public ::testing::WithParamInterface<const char*>
{
};

TEST_P(BatchDamaged, WritesSoundFilesOrNothing)
{
    const RunResult r = Run({QStringLiteral("IN:") + GetParam(), "--every", "2", "--out", "OUT"});
    if (r.code == BATCH_EXIT_OK)
    {
        ASSERT_FALSE(Snapshot(out).empty());
        for (const QString& name : Names(Snapshot(out)))
            EXPECT_TRUE(PdfFixtures::QpdfCheck(Out(name))) << name.toStdString();
    }
    else
    {
        EXPECT_EQ(r.code, BATCH_EXIT_FAILED);
        EXPECT_NE(r.err.find("the file is damaged or not a PDF document"), std::string::npos) << r.err;
        EXPECT_TRUE(Snapshot(out).empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, BatchDamaged, ::testing::Values("damaged-truncated.pdf", "damaged-xref.pdf"),
                         [](const auto& info) {
                             return std::string(info.param).substr(8, std::string(info.param).size() - 12);
                         });

// Page trees that only the splicing layer reads as they are meant: the run
// splits the pages it reads, as the window shows them.
class BatchRepairable : public BatchSplitTest, public ::testing::WithParamInterface<TreeDamage>
{
};

TEST_P(BatchRepairable, SplitsThePagesTheTreeHolds)
{
    const QString input = QStringLiteral("IN:tree-%1.pdf").arg(QLatin1String(PdfFixtures::TreeDamageName(GetParam())));
    const RunResult r = Run({input, "--every", "4", "--out", "OUT"});
    ASSERT_EQ(r.code, BATCH_EXIT_OK) << r.err;
    const QString base = QStringLiteral("tree-%1-S").arg(QLatin1String(PdfFixtures::TreeDamageName(GetParam())));
    EXPECT_EQ(Names(Snapshot(out)), (QStringList{base + "1.pdf", base + "2.pdf", base + "3.pdf"}));
    EXPECT_EQ(PdfFixtures::PageMarkers(Out(base + "1.pdf")), Range(1, 4));
    EXPECT_EQ(PdfFixtures::PageMarkers(Out(base + "2.pdf")), Range(5, 8));
    EXPECT_EQ(PdfFixtures::PageMarkers(Out(base + "3.pdf")), Range(9, 10));
}

INSTANTIATE_TEST_SUITE_P(Trees, BatchRepairable,
                         ::testing::Values(TreeDamage::CountBillion, TreeDamage::Count2Pow32, TreeDamage::CountOneMore,
                                           TreeDamage::KidsNullEntry, TreeDamage::KidsEmptyDictionary,
                                           TreeDamage::HugeObjectNumbers, TreeDamage::DeepChain),
                         [](const auto& info) { return std::string(PdfFixtures::TreeDamageName(info.param)); });

// --- overwriting --------------------------------------------------------------------

// Each chapter's file passes qpdf's check and keeps what belongs to its
// pages: the document information, its bookmarks, its links and labels.
TEST_F(BatchSplitTest, BookmarkFilesKeepWhatBelongsToTheirPages)
{
    const RunResult r = Run({"IN:book.pdf", "--bookmarks", "1", "--out", "OUT"});
    ASSERT_EQ(r.code, BATCH_EXIT_OK) << r.err;
    const QString book = In("book.pdf");
    const QStringList names = {"book-S1.pdf", "Chapter 1_ Getting Started.pdf",
                               QString::fromUtf8("Chapter 2 \u2013 Basics.pdf"), "Chapter 3.pdf", "Chapter 4.pdf",
                               "Appendix_Index.pdf"};
    for (const QString& name : names)
    {
        SCOPED_TRACE(name.toStdString());
        QString report;
        EXPECT_TRUE(PdfFixtures::QpdfCheck(Out(name), {}, &report)) << report.toStdString();
        EXPECT_EQ(PdfFixtures::InfoEntries(Out(name)), PdfFixtures::InfoEntries(book));
        EXPECT_EQ(PdfFixtures::XmpMetadata(Out(name)), FiveChapterBook().xmp);
        EXPECT_EQ(PdfFixtures::OutlineStructureFault(Out(name)), "");
    }
    using Entries = std::vector<PdfFixtures::OutlineEntry>;
    EXPECT_EQ(PdfFixtures::ReadOutline(Out(names[0])), Entries{});
    EXPECT_EQ(PdfFixtures::ReadOutline(Out(names[1])),
              (Entries{{"Chapter 1: Getting Started", 1, 1}, {"1.1 Install", 2, 1}, {"1.2 First Steps", 2, 2}}));
    EXPECT_EQ(PdfFixtures::ReadOutline(Out(names[2])), (Entries{{kChapter2Title, 1, 1}}));
    EXPECT_EQ(PdfFixtures::ReadOutline(Out(names[3])), (Entries{{"Chapter 3", 1, 1}, {"3.1 More", 2, 2}}));
    EXPECT_EQ(PdfFixtures::PageLabels(Out(names[0])), (std::vector<std::string>{"i", "ii"}));
    EXPECT_EQ(PdfFixtures::PageLabels(Out(names[3])), (std::vector<std::string>{"5", "6"}));
    // Chapter 1's link leads into chapter 4 and is gone; chapter 3's stays.
    EXPECT_TRUE(PdfFixtures::ReadLinks(Out(names[1])).empty());
    EXPECT_EQ(PdfFixtures::ReadLinks(Out(names[3])), (std::vector<PdfFixtures::LinkEntry>{{1, 2, ""}}));
}

// Names that differ only in case would be one file on a case-insensitive
// drive: the targets are refused before anything is written.
TEST_F(BatchSplitTest, NamesDifferingOnlyInCaseAreRefused)
{
    std::vector<std::unique_ptr<SplitSection>> owned;
    std::vector<SplitSection*> sections;
    for (const char* name : {"Report.pdf", "other.pdf", "REPORT"})
    {
        owned.push_back(std::make_unique<SplitSection>());
        owned.back()->fileName = QString::fromUtf8(name);
        owned.back()->pages = {1};
        sections.push_back(owned.back().get());
    }
    std::vector<MessageRequest> shown;
    const MessageHandler previous = SetMessageHandler([&](const MessageRequest& r) {
        shown.push_back(r);
        return Prompt::Ok;
    });
    std::ostringstream err;
    BatchConsole console(err, false, 0);
    QStringList names;
    const bool accepted = CheckBatchTargets(sections, In("doc.pdf"), out, true, console, names);
    SetMessageHandler(previous);
    EXPECT_FALSE(accepted);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, FormatResString(263, {QStringLiteral("Report.pdf"), QStringLiteral("REPORT.pdf")}));
    EXPECT_TRUE(Snapshot(out).empty());
}

TEST_F(BatchSplitTest, ForceReplacesExistingFilesAndLinks)
{
    const QString elsewhere = Path("elsewhere.pdf");
    ASSERT_TRUE(WriteBytes(elsewhere, "not to be touched"));
    ASSERT_TRUE(WriteBytes(Out("doc-S1.pdf"), "an older file"));
    ASSERT_EQ(::chmod(QFile::encodeName(Out("doc-S1.pdf")).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(elsewhere, Out("doc-S2.pdf")));
    ASSERT_TRUE(WriteBytes(Out("unrelated.txt"), "stays"));

    const RunResult r = Run({"IN:doc.pdf", "--every", "4", "--out", "OUT", "--force"});
    ASSERT_EQ(r.code, BATCH_EXIT_OK) << r.err;

    EXPECT_EQ(PdfFixtures::PageMarkers(Out("doc-S1.pdf")), Range(1, 4));
    EXPECT_EQ(PdfFixtures::PageMarkers(Out("doc-S2.pdf")), Range(5, 8));
    EXPECT_EQ(PdfFixtures::PageMarkers(Out("doc-S3.pdf")), (std::vector<int>{9, 10}));
    // The replaced file keeps its access rights; the link itself is replaced,
    // not the file it led to.
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(Out("doc-S1.pdf")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_FALSE(QFileInfo(Out("doc-S2.pdf")).isSymLink());
    EXPECT_EQ(ReadBytes(elsewhere), "not to be touched");
    EXPECT_EQ(Names(Snapshot(out)), (QStringList{"doc-S1.pdf", "doc-S2.pdf", "doc-S3.pdf", "unrelated.txt"}));
    EXPECT_EQ(ReadBytes(Out("unrelated.txt")), "stays");
}

// --- progress line ------------------------------------------------------------------

TEST_F(BatchSplitTest, ProgressLineOnlyWhenAskedAndClearedBeforeMessages)
{
    const QStringList grouping{"IN:images.pdf", "--max-size", "400K", "--out", "OUT"};
    const RunResult quiet = Run(grouping);
    ASSERT_EQ(quiet.code, BATCH_EXIT_OK) << quiet.err;
    EXPECT_EQ(quiet.err, "");

    // Shown at once (no delay): the measuring is reported and the line is
    // cleared at the end; standard output keeps only the file names.
    const RunResult shown = Run(grouping + QStringList{"--force"}, true, 0);
    ASSERT_EQ(shown.code, BATCH_EXIT_OK) << shown.err;
    EXPECT_NE(shown.err.find("\rMeasuring sections: 0 of 10 pages placed\x1b[K"), std::string::npos) << shown.err;
    EXPECT_NE(shown.err.find("Measuring sections: 9 of 10 pages placed"), std::string::npos) << shown.err;
    const std::string clear = "\r\x1b[K";
    ASSERT_GE(shown.err.size(), clear.size());
    EXPECT_EQ(shown.err.substr(shown.err.size() - clear.size()), clear);
    EXPECT_EQ(shown.out, quiet.out);

    // A message after a progress line starts on a cleared line.
    const RunResult failed = Run({"IN:images.pdf", "--max-size", "100K", "--out", "OUT", "--force"}, true, 0);
    EXPECT_EQ(failed.code, BATCH_EXIT_FAILED);
    EXPECT_NE(failed.err.find("\x1b[K\r\x1b[Kparcelo-split: Some individual pages"), std::string::npos)
        << failed.err;
}

// --- the built program ----------------------------------------------------------------

struct ProgramCase
{
    const char* name;
    QStringList arguments;
    int exitCode;
    const char* out; // start of standard output
    const char* err; // part of standard error; empty: nothing on it
};

class BatchProgram : public BatchSplitTest, public ::testing::WithParamInterface<ProgramCase>
{
};

TEST_P(BatchProgram, ExitStatusAndStreams)
{
    const ProgramCase& c = GetParam();
    QProcess program;
    program.start(QStringLiteral(PARCELO_SPLIT_EXE), Expand(c.arguments));
    ASSERT_TRUE(program.waitForStarted()) << program.errorString().toStdString();
    ASSERT_TRUE(program.waitForFinished(120000));
    const std::string out = program.readAllStandardOutput().toStdString();
    const std::string err = program.readAllStandardError().toStdString();
    ASSERT_EQ(program.exitStatus(), QProcess::NormalExit) << err;
    EXPECT_EQ(program.exitCode(), c.exitCode) << err;
    EXPECT_EQ(out.rfind(c.out, 0), 0u) << out;
    if (*c.err)
        EXPECT_NE(err.find(c.err), std::string::npos) << err;
    else
        EXPECT_EQ(err, ""); // neither toolkit chatter nor a progress line off a terminal
}

INSTANTIATE_TEST_SUITE_P(
    Runs, BatchProgram,
    ::testing::Values(
        ProgramCase{"Help", {"--help"}, 0, "Usage: parcelo-split INPUT.pdf (--ranges TEXT | --every N | --max-size SIZE | --bookmarks LEVEL)",
                    ""},
        ProgramCase{"Version", {"--version"}, 0, "parcelo-split " PARCELO_VERSION_STRING "\n", ""},
        ProgramCase{"UsageError", {"IN:doc.pdf", "--every", "6", "--max-size", "2M"}, 2, "",
                    "parcelo-split: choose only one of --ranges, --every, --max-size and --bookmarks"},
        ProgramCase{"Failure", {"IN:missing.pdf", "--every", "6", "--out", "OUT"}, 1, "",
                    "parcelo-split: cannot open '"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BatchSplitTest, ProgramWritesTheFilesItNames)
{
    QProcess program;
    // No display, no window system and no platform plugin: the splitter
    // needs none of them.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "QT_PLUGIN_PATH"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM_PLUGIN_PATH"), QStringLiteral("/nonexistent"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(PARCELO_SPLIT_EXE), Expand({"IN:doc.pdf", "--every", "6", "--out", "OUT"}));
    ASSERT_TRUE(program.waitForFinished(120000));
    ASSERT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    EXPECT_EQ(program.readAllStandardError(), QByteArray());
    EXPECT_EQ(QString::fromLocal8Bit(program.readAllStandardOutput()),
              Out("doc-S1.pdf") + QLatin1Char('\n') + Out("doc-S2.pdf") + QLatin1Char('\n'));
    EXPECT_EQ(PdfFixtures::PageMarkers(Out("doc-S1.pdf")), Range(1, 6));
    EXPECT_EQ(PdfFixtures::PageMarkers(Out("doc-S2.pdf")), Range(7, 10));
}

// Ctrl+C while the files are being written: the program ends by the signal
// and the staging folder goes with everything written so far.
TEST_F(BatchSplitTest, InterruptedProgramLeavesNothingBehind)
{
    const QString input = In("long.pdf");
    ASSERT_TRUE(PdfFixtures::WritePlainPdf(input, 1500));
    QProcess program;
    // A test runner started in the background may pass SIGINT on as ignored,
    // which the program respects; the child starts with the default.
    program.setChildProcessModifier([] { ::signal(SIGINT, SIG_DFL); });
    program.start(QStringLiteral(PARCELO_SPLIT_EXE), {input, QStringLiteral("--every=1"), QStringLiteral("--out"), out});
    ASSERT_TRUE(program.waitForStarted());

    // Wait until some files (finished or still temporary) are in the staging
    // folder, then interrupt.
    bool interrupted = false;
    while (!interrupted && program.state() != QProcess::NotRunning)
    {
        for (const QFileInfo& entry : QDir(out).entryInfoList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot))
        {
            if (entry.fileName().startsWith(QLatin1String(".parcelo-split-")) &&
                QDir(entry.filePath()).entryList(QDir::Files | QDir::Hidden).size() >= 20)
            {
                interrupted = ::kill(static_cast<pid_t>(program.processId()), SIGINT) == 0;
                break;
            }
        }
        if (!interrupted)
            program.waitForFinished(2);
    }
    ASSERT_TRUE(interrupted) << "the run ended before any file was staged";
    ASSERT_TRUE(program.waitForFinished(120000));
    EXPECT_EQ(program.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(program.readAllStandardOutput(), QByteArray());
    EXPECT_TRUE(Snapshot(out).empty()) << Names(Snapshot(out)).join(' ').toStdString();
}

} // namespace
