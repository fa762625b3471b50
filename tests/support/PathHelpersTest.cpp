#include "support/PathHelpers.h"

#include "common/TestNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct JoinCase
{
    const char* label;
    const char* folder;
    const char* name;
    bool keepAbsolute;
    const char* expected;
};

class JoinPathTest : public ::testing::TestWithParam<JoinCase> {};

TEST_P(JoinPathTest, Joins)
{
    const JoinCase& c = GetParam();
    EXPECT_EQ(JoinPath(QString::fromUtf8(c.folder), QString::fromUtf8(c.name), c.keepAbsolute),
              QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JoinPathTest,
    ::testing::Values(JoinCase{"EmptyFolder", "", "a.pdf", false, "a.pdf"},
                      JoinCase{"EmptyName", "/tmp/out", "", false, "/tmp/out"},
                      JoinCase{"SlashOnBothSides", "/tmp/out/", "/a.pdf", false, "/tmp/out/a.pdf"},
                      JoinCase{"NoSeparator", "/tmp/out", "a.pdf", false, "/tmp/out/a.pdf"},
                      JoinCase{"RootedNameKeptAbsolute", "/tmp", "/etc/x", true, "/etc/x"},
                      JoinCase{"RootedNameJoined", "/tmp", "/etc/x", false, "/tmp/etc/x"},
                      // "\\" and a drive-like prefix are ordinary characters here.
                      JoinCase{"BackslashIsPartOfTheName", "/tmp/out", "\\a.pdf", false, "/tmp/out/\\a.pdf"},
                      JoinCase{"FolderEndingInBackslashGetsSlash", "/tmp/out\\", "a.pdf", false, "/tmp/out\\/a.pdf"},
                      JoinCase{"DriveLikeNameIsNotAbsolute", "/tmp/out", "D:\\x.pdf", true, "/tmp/out/D:\\x.pdf"},
                      JoinCase{"DoubleBackslashIsNotAbsolute", "/tmp/out", "\\\\srv\\x.pdf", true,
                               "/tmp/out/\\\\srv\\x.pdf"}),
    TestNames::ByLabel());

struct SplitCase
{
    const char* label;
    const char* path;
    bool ok;
    const char* folder;
    const char* name;
};

class SplitPathTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitPathTest, Splits)
{
    const SplitCase& c = GetParam();
    QString folder = QStringLiteral("keep-f"), name = QStringLiteral("keep-n");
    EXPECT_EQ(SplitPath(QString::fromUtf8(c.path), folder, name), c.ok);
    EXPECT_EQ(folder, QString::fromUtf8(c.folder));
    EXPECT_EQ(name, QString::fromUtf8(c.name));
}

INSTANTIATE_TEST_SUITE_P(Cases, SplitPathTest,
                         ::testing::Values(SplitCase{"NoFileNameRefused", "/tmp/dir/", false, "keep-f", "keep-n"},
                                           SplitCase{"NoFolderRefused", "file.pdf", false, "keep-f", "keep-n"},
                                           SplitCase{"SlashFolder", "/tmp/a.pdf", true, "/tmp", "a.pdf"},
                                           SplitCase{"RootFolder", "/a.pdf", true, "/", "a.pdf"},
                                           SplitCase{"RelativeFolder", "docs/a.pdf", true, "docs", "a.pdf"},
                                           SplitCase{"BackslashIsNoSeparator", "/tmp/x\\y.pdf", true, "/tmp", "x\\y.pdf"},
                                           SplitCase{"OnlyBackslashesRefused", "C:\\file.pdf", false, "keep-f", "keep-n"}),
                         TestNames::ByLabel());

// The file name a password prompt shows: the last component, wherever the
// file is and however the path was given.
struct ComponentCase
{
    const char* label;
    const char* path;
    const char* name;
};

class LastPathComponentTest : public ::testing::TestWithParam<ComponentCase> {};

TEST_P(LastPathComponentTest, IsTheFileName)
{
    EXPECT_EQ(LastPathComponent(QString::fromUtf8(GetParam().path)), QString::fromUtf8(GetParam().name));
}

INSTANTIATE_TEST_SUITE_P(Cases, LastPathComponentTest,
                         ::testing::Values(ComponentCase{"UnderRoot", "/a.pdf", "a.pdf"},
                                           ComponentCase{"Absolute", "/tmp/docs/a b.pdf", "a b.pdf"},
                                           ComponentCase{"RelativeWithoutFolder", "a.pdf", "a.pdf"},
                                           ComponentCase{"RelativeWithFolder", "docs/a.pdf", "a.pdf"},
                                           ComponentCase{"DotFolder", "./a.pdf", "a.pdf"},
                                           ComponentCase{"BackslashIsPartOfTheName", "/tmp/x\\y.pdf", "x\\y.pdf"}),
                         TestNames::ByLabel());

TEST(ExtensionTest, UsesDotOfLastComponentOnly)
{
    const struct { const char* name; const char* ext; const char* stem; } cases[] = {
        {"report.pdf", "pdf", "report"},
        {"a.b\\c", "b\\c", "a"}, // "\\" belongs to the name here
        {"/tmp/a.b/c", "", "/tmp/a.b/c"},
        {"archive.tar.gz", "gz", "archive.tar"},
        {"noext", "", "noext"},
        {"trailing.", "", "trailing"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(GetExtension(QString::fromUtf8(c.name)), QString::fromUtf8(c.ext));
        EXPECT_EQ(StripExtension(QString::fromUtf8(c.name)), QString::fromUtf8(c.stem));
    }
}

struct NameCase
{
    const char* label;
    QString name;
    bool valid;
};

class FileNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(FileNameTest, Validity)
{
    EXPECT_EQ(IsValidFileName(GetParam().name), GetParam().valid) << GetParam().name.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FileNameTest,
    ::testing::Values(NameCase{"Plain", "report.pdf", true}, NameCase{"OnlyExtension", ".pdf", true},
                      NameCase{"DotDot", "..", false}, NameCase{"Dot", ".", false},
                      NameCase{"ThreeDots", "...", false}, NameCase{"Empty", "", false},
                      NameCase{"Colon", "a:b", false}, NameCase{"Slash", "a/b.pdf", false},
                      NameCase{"ParentFolder", "../x.pdf", false}, NameCase{"Backslash", "a\\b", false},
                      NameCase{"Star", "a*b", false}, NameCase{"QuestionMark", "a?b", false},
                      NameCase{"DoubleQuote", "a\"b", false}, NameCase{"LessThan", "a<b", false},
                      NameCase{"GreaterThan", "a>b", false}, NameCase{"VerticalBar", "a|b", false},
                      NameCase{"ZeroCharacter", QString("a") + QChar(0) + "b", false},
                      NameCase{"Tab", "tab\there", false}, NameCase{"DeviceAux", "AUX", false},
                      NameCase{"DeviceAuxWithExtension", "aux.pdf", false},
                      NameCase{"DeviceClockWithExtension", "Clock$.txt", false},
                      NameCase{"DeviceConLowerCase", "con", false},
                      NameCase{"DeviceNulWithExtension", "NUL.x", false},
                      NameCase{"DevicePrnLowerCase", "prn", false},
                      NameCase{"DeviceLpt1WithExtension", "lpt1.pdf", false}, NameCase{"DeviceCom1", "COM1", false},
                      NameCase{"Com2", "com2", true}, NameCase{"StartsWithDeviceName", "auxiliary.pdf", true},
                      NameCase{"Space", "with space.pdf", true},
                      NameCase{"NonAscii", QString::fromUtf8("résumé €.pdf"), true},
                      NameCase{"Length255", QString(255, u'a'), true}, NameCase{"Length256", QString(256, u'a'), false},
                      NameCase{"Length300", QString(300, u'a'), false},
                      // Linux stores at most 255 bytes of UTF-8 per name: two
                      // bytes for each Cyrillic letter, three for each CJK one.
                      NameCase{"Cyrillic127Letters", QString(127, QChar(0x0416)), true},
                      NameCase{"Cyrillic128Letters", QString(128, QChar(0x0416)), false},
                      NameCase{"Chinese85Characters", QString(85, QChar(0x4E2D)), true},
                      NameCase{"Chinese86Characters", QString(86, QChar(0x4E2D)), false}),
    TestNames::ByLabel());

struct IdentityCase
{
    const char* label;
    QString first;
    QString second;
    bool same;
};

class FileNameIdentityTest : public ::testing::TestWithParam<IdentityCase> {};

TEST_P(FileNameIdentityTest, NamesACaseInsensitiveDriveStoresAsOne)
{
    const IdentityCase& c = GetParam();
    EXPECT_EQ(FileNameIdentity(c.first) == FileNameIdentity(c.second), c.same)
        << c.first.toStdString() << " / " << c.second.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FileNameIdentityTest,
    ::testing::Values(IdentityCase{"CaseOfLatinLetters", "Report.pdf", "report.PDF", true},
                      IdentityCase{"CaseOfCyrillicLetters", QString::fromUtf8("Отчёт.pdf"), QString::fromUtf8("ОТЧЁТ.pdf"), true},
                      IdentityCase{"GreekFinalSigma", QString::fromUtf8("ΣΟΦΟΣ.pdf"), QString::fromUtf8("σοφος.pdf"), true},
                      IdentityCase{"SharpS", QString::fromUtf8("Straße.pdf"), QStringLiteral("STRASSE.pdf"), true},
                      IdentityCase{"KelvinSign", QString::fromUtf8("K.pdf"), QStringLiteral("k.pdf"), true},
                      IdentityCase{"AccentComposedOrNot", QString::fromUtf8("café.pdf"), QString::fromUtf8("café.pdf"), true},
                      IdentityCase{"DifferentLetters", "report-S1.pdf", "report-S2.pdf", false},
                      IdentityCase{"AccentAgainstNone", QString::fromUtf8("résumé.pdf"), "resume.pdf", false},
                      IdentityCase{"DifferentExtension", "a.pdf", "a.pd", false}),
    TestNames::ByLabel());

TEST(TruncateToEncodedBytesTest, KeepsWholeCharacters)
{
    const QString emoji = QString::fromUtf8("\xF0\x9F\x93\x84"); // four bytes, two UTF-16 units
    const struct { const char* label; QString text; qsizetype bytes; QString expected; } cases[] = {
        {"FitsWhole", QStringLiteral("abc"), 3, QStringLiteral("abc")},
        {"CutsAscii", QStringLiteral("abcdef"), 4, QStringLiteral("abcd")},
        {"CyrillicNotHalved", QString::fromUtf8("ЖЖЖ"), 5, QString::fromUtf8("ЖЖ")},
        {"SurrogatePairNotHalved", QStringLiteral("a") + emoji + emoji, 8, QStringLiteral("a") + emoji},
        {"Nothing", QStringLiteral("abc"), 0, QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const QString cut = TruncateToEncodedBytes(c.text, c.bytes);
        EXPECT_EQ(cut, c.expected);
        EXPECT_LE(QFile::encodeName(cut).size(), c.bytes);
    }
}

class DirectoryTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString Path(const QString& rel) const { return dir.path() + u'/' + rel; }
};

TEST_F(DirectoryTest, CreatesEachLevel)
{
    ASSERT_TRUE(dir.isValid());
    EXPECT_TRUE(CreateDirectoryPath(Path("a/b")));
    EXPECT_TRUE(QFileInfo(Path("a")).isDir());
    EXPECT_TRUE(QFileInfo(Path("a/b")).isDir());
    // Existing folders and a trailing separator are fine; "\" is part of a
    // folder's name.
    EXPECT_TRUE(CreateDirectoryPath(Path("a/b/")));
    EXPECT_TRUE(CreateDirectoryPath(Path("a/c\\d")));
    EXPECT_TRUE(QFileInfo(Path("a/c\\d")).isDir());
}

TEST_F(DirectoryTest, FailsThroughAFile)
{
    QFile f(Path("file"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_FALSE(CreateDirectoryPath(Path("file/sub")));
    EXPECT_FALSE(CreateDirectoryPath(Path("file")));
    EXPECT_FALSE(QFileInfo(Path("file/sub")).exists());
}

TEST_F(DirectoryTest, RejectsEmptyComponentAndOddPrefixes)
{
    EXPECT_FALSE(CreateDirectoryPath(Path("x//y")));
    EXPECT_FALSE(CreateDirectoryPath(QStringLiteral("C:")));
    EXPECT_FALSE(CreateDirectoryPath(QStringLiteral("plain")));
    EXPECT_FALSE(CreateDirectoryPath(QStringLiteral("\\\\server\\share")));
}

TEST_F(DirectoryTest, RelativeFirstComponentIsNotCreated)
{
    const QString old = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    EXPECT_FALSE(CreateDirectoryPath(QStringLiteral("rel\\b")));
    EXPECT_FALSE(QFileInfo(Path("rel\\b")).exists());
    EXPECT_FALSE(QFileInfo(Path("rel")).exists());
    QDir::setCurrent(old);
}

TEST_F(DirectoryTest, FailsInReadOnlyFolder)
{
    ASSERT_TRUE(QDir().mkdir(Path("ro")));
    QFile::setPermissions(Path("ro"), QFile::ReadOwner | QFile::ExeOwner);
    if (QFileInfo(Path("ro")).isWritable())
        GTEST_SKIP() << "running with rights that ignore folder permissions";
    EXPECT_FALSE(CreateDirectoryPath(Path("ro/x")));
    QFile::setPermissions(Path("ro"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(DirectoryTest, EnsureParentDirectory)
{
    EXPECT_TRUE(EnsureParentDirectory(QStringLiteral("nofolder.txt")));
    EXPECT_TRUE(EnsureParentDirectory(Path("p/q/file.msi.part")));
    EXPECT_TRUE(QFileInfo(Path("p/q")).isDir());
    EXPECT_FALSE(QFileInfo(Path("p/q/file.msi.part")).exists());
}

class TagReplacerTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString Write(const QByteArray& bytes)
    {
        const QString path = dir.path() + QStringLiteral("/t.txt");
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        return path;
    }
};

TEST_F(TagReplacerTest, LoadsTextWithLineFeeds)
{
    OruFileTagReplacer r;
    EXPECT_TRUE(r.text.isEmpty());
    EXPECT_TRUE(r.templateText.isEmpty());
    ASSERT_TRUE(r.LoadFile(Write("a\r\nb\nc\r")));
    EXPECT_EQ(r.templateText, QStringLiteral("a\nb\nc\r"));
    EXPECT_EQ(r.text, r.templateText);
}

TEST_F(TagReplacerTest, MissingFileKeepsTexts)
{
    OruFileTagReplacer r;
    ASSERT_TRUE(r.LoadFile(Write("old <T>")));
    r.ReplaceTag("<T>", "x");
    EXPECT_FALSE(r.LoadFile(dir.path() + QStringLiteral("/missing.txt")));
    EXPECT_EQ(r.templateText, QStringLiteral("old <T>"));
    EXPECT_EQ(r.text, QStringLiteral("old x"));
}

TEST_F(TagReplacerTest, MultibyteCharacterAcrossBlockBoundarySurvives)
{
    for (int offset : {4094, 4095, 4096}) {
        SCOPED_TRACE(offset);
        QByteArray bytes(offset, 'a');
        bytes += "\xE2\x82\xAC"; // euro sign, three bytes
        bytes += QByteArray(5000, 'b');
        OruFileTagReplacer r;
        ASSERT_TRUE(r.LoadFile(Write(bytes)));
        ASSERT_EQ(r.templateText.size(), offset + 1 + 5000);
        EXPECT_EQ(r.templateText.at(offset), QChar(0x20AC));
        EXPECT_EQ(r.templateText.count(QChar(0xFFFD)), 0);
    }
}

TEST_F(TagReplacerTest, ZeroByteEndsItsBlockOnly)
{
    QByteArray bytes = "head";
    bytes += '\0';
    bytes += QByteArray(4096 - 5, 'x'); // rest of the first block is dropped
    bytes += "tail";
    OruFileTagReplacer r;
    ASSERT_TRUE(r.LoadFile(Write(bytes)));
    EXPECT_EQ(r.templateText, QStringLiteral("headtail"));
}

TEST(ReplaceTagTest, ReplacesEachOriginalOccurrenceOnce)
{
    const struct { const char* text; const char* tag; const char* value; const char* expected; } cases[] = {
        {"a<T>b<T>c", "<T>", "x", "axbxc"},
        {"<T><T>", "<T>", "<T><T>", "<T><T><T><T>"},
        {"no tag", "<T>", "x", "no tag"},
        {"aXa", "X", "", "aa"},
        {"fonts: <!-Fonts->", "<!-Fonts->", "/usr/share/fonts", "fonts: /usr/share/fonts"},
        {"abc", "", "zzz", "abc"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        OruFileTagReplacer r;
        r.text = QString::fromUtf8(c.text);
        r.ReplaceTag(QString::fromUtf8(c.tag), QString::fromUtf8(c.value));
        EXPECT_EQ(r.text, QString::fromUtf8(c.expected));
    }
}

} // namespace
