#include "support/TextHelpers.h"
#include "support/VersionHelpers.h"

#include "BuildVersion.h"
#include "common/TestNames.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(FormatVersionTest, Components)
{
    const ModuleVersion v{1, 2, 0, 0};
    const ModuleVersion w{10, 20, 30, 40};
    EXPECT_EQ(FormatVersion(v, 4), QStringLiteral("1.2.0.0"));
    EXPECT_EQ(FormatVersion(v, 2), QStringLiteral("1.2"));
    EXPECT_EQ(FormatVersion(w, 1), QStringLiteral("10"));
    EXPECT_EQ(FormatVersion(w, 3), QStringLiteral("10.20.30"));
    EXPECT_EQ(FormatVersion(v, 0), QStringLiteral("1.2.0.0"));
    EXPECT_EQ(FormatVersion(v, 5), QStringLiteral("1.2.0.0"));
    EXPECT_EQ(FormatVersion(ModuleVersion{65535, 65535, 65535, 65535}, 4),
              QStringLiteral("65535.65535.65535.65535"));
}

struct ParseCase
{
    const char* name;
    const char* text;
    bool ok;
    ModuleVersion expected;
};

class ParseVersionTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseVersionTest, Parses)
{
    const ParseCase& c = GetParam();
    ModuleVersion v{9, 9, 9, 9};
    EXPECT_EQ(ParseVersion(QString::fromUtf8(c.text), v), c.ok);
    EXPECT_EQ(v, (c.ok ? c.expected : ModuleVersion{9, 9, 9, 9}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseVersionTest,
    ::testing::Values(ParseCase{"ThreeParts", "1.2.3", false, {}}, ParseCase{"Empty", "", false, {}},
                      ParseCase{"FourParts", "1.2.3.4", true, {1, 2, 3, 4}},
                      ParseCase{"FiveParts", "1.2.3.4.5", true, {1, 2, 3, 4}},
                      ParseCase{"PartAbove16Bits", "70000.1.2.3", true, {4464, 1, 2, 3}},
                      ParseCase{"SpacesAndLetters", " 7. 8.x.9z", true, {7, 8, 0, 9}},
                      ParseCase{"OnlyDots", "...", true, {0, 0, 0, 0}},
                      ParseCase{"PartAbove32Bits", "99999999999.0.0.0", true, {65535, 0, 0, 0}}),
    TestNames::ByName());

TEST(VersionBlockTest, OwnVersionFromBuild)
{
    std::unique_ptr<VersionBlock> block;
    ASSERT_TRUE(LoadVersionBlock(QString(), block));
    ASSERT_TRUE(block);
    EXPECT_EQ(block->fileVersion.major, PARCELO_VERSION_MAJOR);
    EXPECT_EQ(block->fileVersion.minor, PARCELO_VERSION_MINOR);
    EXPECT_EQ(block->productVersion, block->fileVersion);
    QString copyright;
    ASSERT_TRUE(GetLegalCopyright(block.get(), copyright));
    EXPECT_EQ(copyright, QStringLiteral("Copyright (C) 2026 Talvane"));
}

TEST(VersionBlockTest, FileBlockAndTranslation)
{
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/v.ini");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("FileVersion=2.3.4.5\nProductVersion=6.7.8.9\n[040704b0]\nLegalCopyright=Other\n");
    }
    std::unique_ptr<VersionBlock> block = std::make_unique<VersionBlock>();
    ASSERT_TRUE(LoadVersionBlock(path, block));
    EXPECT_EQ(block->fileVersion, (ModuleVersion{2, 3, 4, 5}));
    EXPECT_EQ(block->productVersion, (ModuleVersion{6, 7, 8, 9}));
    QString copyright = QStringLiteral("unchanged");
    EXPECT_FALSE(GetLegalCopyright(block.get(), copyright));
    EXPECT_FALSE(GetLegalCopyright(nullptr, copyright));

    // Missing and empty files fail and leave no block.
    EXPECT_FALSE(LoadVersionBlock(dir.path() + QStringLiteral("/none.ini"), block));
    EXPECT_FALSE(block);
    QFile(dir.path() + QStringLiteral("/empty.ini")).open(QIODevice::WriteOnly);
    EXPECT_FALSE(LoadVersionBlock(dir.path() + QStringLiteral("/empty.ini"), block));
}

class MachineStringTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QDir().mkpath(dir.path() + QStringLiteral("/Talvane"));
        QFile f(dir.path() + QStringLiteral("/Talvane/Parcelo.conf"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[General]\nUserName=Ana Souza\nCompanyName=\"Talvane, Inc.\"\nEmpty=\nList=a, b\n"
                "Number=@Variant(\\0\\0\\0\\x2\\0\\0\\0*)\n"
                "[Group]\nInner=deep\n");
        f.close();
        qputenv("PARCELO_SYSTEM_SETTINGS_DIR", dir.path().toLocal8Bit());
    }
    void TearDown() override { qunsetenv("PARCELO_SYSTEM_SETTINGS_DIR"); }
    QTemporaryDir dir;
};

TEST_F(MachineStringTest, ReadsStringsOnly)
{
    const QString key = QStringLiteral("Software\\Talvane\\Parcelo");
    QString text;
    EXPECT_TRUE(ReadMachineString(0, key, QStringLiteral("UserName"), text));
    EXPECT_EQ(text, QStringLiteral("Ana Souza"));
    EXPECT_TRUE(ReadMachineString(0, key, QStringLiteral("CompanyName"), text));
    EXPECT_EQ(text, QStringLiteral("Talvane, Inc."));
    EXPECT_TRUE(ReadMachineString(0, key, QStringLiteral("Empty"), text));
    EXPECT_EQ(text, QString());
    EXPECT_TRUE(ReadMachineString(0, key + QStringLiteral("\\Group"), QStringLiteral("Inner"), text));
    EXPECT_EQ(text, QStringLiteral("deep"));

    for (const char* name : {"Missing", "List", "Number"}) {
        SCOPED_TRACE(name);
        text = QStringLiteral("x");
        EXPECT_FALSE(ReadMachineString(0, key, QString::fromUtf8(name), text));
        EXPECT_TRUE(text.isEmpty());
    }
    EXPECT_FALSE(ReadMachineString(0, QStringLiteral("Software\\Other\\App"), QStringLiteral("UserName"), text));
    EXPECT_FALSE(ReadMachineString(0, QStringLiteral("Software"), QStringLiteral("UserName"), text));
}

TEST(TextHelpersTest, AnsiRoundTripAndDefaultCharacter)
{
    const QString text = QString::fromUtf8("Relatório €");
    EXPECT_EQ(FromAnsi(ToAnsi(text)), text);
    // A lone surrogate has no representation: one default character.
    QString bad = QStringLiteral("a");
    bad += QChar(0xD800);
    bad += QStringLiteral("b");
    EXPECT_EQ(ToAnsi(bad), QByteArray("a?b"));
    // Composite characters are composed first.
    const QString decomposed = QString::fromUtf8("e\xCC\x81");
    EXPECT_EQ(ToAnsi(decomposed), QByteArray("\xC3\xA9"));
    // The counted form keeps embedded zeros; the zero-terminated form stops.
    QString withZero = QStringLiteral("ab");
    withZero += QChar(0);
    withZero += QStringLiteral("c");
    EXPECT_EQ(ToAnsi(withZero).size(), 4);
    EXPECT_EQ(ToAnsi(u"ab\0c"), QByteArray("ab"));
    EXPECT_TRUE(ToAnsi(static_cast<const char16_t*>(nullptr)).isEmpty());
    EXPECT_EQ(FromAnsi("abc", 2), QStringLiteral("ab"));
    EXPECT_TRUE(FromAnsi(nullptr, 3).isEmpty());
}

TEST(TextHelpersTest, Utf8StopsAtZero)
{
    QString withZero = QString::fromUtf8("ç");
    withZero += QChar(0);
    withZero += QStringLiteral("tail");
    EXPECT_EQ(ToUtf8(withZero), QByteArray("\xC3\xA7"));
    EXPECT_EQ(ToUtf8(u"x\u20ACy"), QByteArray("x\xE2\x82\xACy"));
    EXPECT_EQ(FromUtf8("x\xE2\x82\xACy"), QString::fromUtf8("x€y"));
    EXPECT_EQ(FromUtf8(QByteArray("ab\0cd", 5)), QStringLiteral("ab"));
    EXPECT_TRUE(FromUtf8(static_cast<const char*>(nullptr)).isEmpty());
}

} // namespace
