#include "UpdateTestEnv.h"
#include "common/TestNames.h"
#include "update/DownloadUpdateItem.h"
#include "update/UpdateData.h"

#include <QSettings>

#include <gtest/gtest.h>

namespace {

TEST(UpdateReply, ReadsEveryField)
{
    ReplyDesign replyDesign;
    replyDesign.status = 2;
    replyDesign.version[0] = 3;
    replyDesign.version[1] = 1;
    replyDesign.version[2] = 7;
    replyDesign.version[3] = 9;
    replyDesign.download = "https://dl.example/p.msi";
    replyDesign.information = QByteArray("https://info.example/\0junk", 26);
    replyDesign.features = {"Faster", QByteArray(), "Z\xc3\xbcrich"};
    UpdateInfo info;
    ASSERT_TRUE(ParseUpdateReply(ReplyHex(replyDesign).toLower(), info));
    EXPECT_EQ(info.status, 2u);
    EXPECT_EQ(FormatVersion(info.version, 4), QStringLiteral("3.1.7.9"));
    EXPECT_EQ(info.downloadAddress, QStringLiteral("https://dl.example/p.msi"));
    EXPECT_EQ(info.informationAddress, QStringLiteral("https://info.example/"));
    ASSERT_EQ(info.features.size(), 3);
    EXPECT_EQ(info.features[1], QString());
    EXPECT_EQ(info.features[2], QString::fromUtf8("Z\xc3\xbcrich"));
    EXPECT_FALSE(info.fromSettings);
}

TEST(UpdateReply, StatusZeroNeedsNothingElse)
{
    ReplyDesign replyDesign;
    replyDesign.status = 0;
    UpdateInfo info;
    ASSERT_TRUE(ParseUpdateReply(ReplyHex(replyDesign), info));
    EXPECT_EQ(info.status, 0u);
}

QByteArray Hex(const QByteArray& bytes)
{
    return bytes.toHex().toUpper();
}

QByteArray WithFeatureCount(std::uint32_t count)
{
    ReplyDesign replyDesign;
    replyDesign.download = "http://a/b";
    QByteArray bytes = ReplyBytes(replyDesign);
    bytes.chop(4);
    for (int i = 0; i < 4; ++i)
        bytes.append(static_cast<char>((count >> (8 * i)) & 0xff));
    bytes.append(QByteArray("\x01\x00\x00\x00x", 5)); // one feature present
    return Hex(bytes);
}

struct BadReply
{
    const char* name;
    QByteArray body;
};

class UpdateReplyRejected : public ::testing::TestWithParam<BadReply>
{
};

TEST_P(UpdateReplyRejected, GivesNoResult)
{
    UpdateInfo info;
    info.status = 77;
    EXPECT_FALSE(ParseUpdateReply(GetParam().body, info));
    EXPECT_EQ(info.status, 77u); // untouched
}

ReplyDesign Plain()
{
    ReplyDesign replyDesign;
    replyDesign.download = "http://a/b";
    replyDesign.features = {"one"};
    return replyDesign;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, UpdateReplyRejected,
    ::testing::Values(BadReply{"Empty", QByteArray()},
                      BadReply{"OddLength", ReplyHex(Plain()) + "0"},
                      BadReply{"NotHex", "0G000000"},
                      BadReply{"SpaceInside", "00 00000"},
                      BadReply{"CutInVersion", ReplyHex(Plain()).left(16)},
                      BadReply{"CutInFeature", ReplyHex(Plain()).chopped(2)},
                      BadReply{"StringCountPastEnd", Hex(QByteArray("\x02\0\0\0\1\0\2\0\0\0\0\0\xff\xff\xff\x7f", 16))},
                      BadReply{"FeatureCountPastEnd", WithFeatureCount(0xFFFFFFFFu)},
                      BadReply{"FeatureCountTwo", WithFeatureCount(2)},
                      BadReply{"Oversized", QByteArray(kMaxUpdateReplyBytes + 2, '0')}),
    [](const auto& info) { return std::string(info.param.name); });

class UpdateSettingsTest : public ::testing::Test
{
protected:
    void SetUp() override { ClearUpdateState(); }
    void TearDown() override { ClearUpdateState(); }
};

TEST_F(UpdateSettingsTest, RequestCarriesVersionsAndLanguage)
{
    SetUpdateSetting(QStringLiteral("LastNotifiedVersion"), QStringLiteral("4.3.2.1"));
    SetUpdateSetting(QStringLiteral("LastNotifiedPatch"), 7);
    QSettings(QStringLiteral("Talvane"), QStringLiteral("Parcelo")).setValue(QStringLiteral("Options/UILanguage"), 1036);
    const QByteArray request = BuildUpdateRequest();
    ASSERT_EQ(request.size(), 24);
    EXPECT_EQ(request.left(4), QByteArray("\x1F\x71\xF5\xBD", 4));
    EXPECT_EQ(request.mid(12, 8), QByteArray("\x04\0\x03\0\x02\0\x01\0", 8));
    EXPECT_EQ(request.mid(20, 2), QByteArray("\x07\0", 2));
    EXPECT_EQ(request.mid(22, 2), QByteArray("\x0c\x04", 2)); // 1036
}

TEST_F(UpdateSettingsTest, UnparsableNotifiedVersionSendsZeros)
{
    SetUpdateSetting(QStringLiteral("LastNotifiedVersion"), QStringLiteral("1.2"));
    const QByteArray request = BuildUpdateRequest();
    ASSERT_EQ(request.size(), 24);
    EXPECT_EQ(request.mid(12, 8), QByteArray(8, '\0'));
    EXPECT_EQ(request.mid(22, 2), QByteArray("\x09\x04", 2)); // 1033
}

TEST_F(UpdateSettingsTest, RememberNotifiedByStatus)
{
    UpdateInfo info;
    info.version = ModuleVersion{2, 1, 5, 3};
    info.status = 0;
    RememberNotified(info);
    EXPECT_FALSE(UpdateSetting(QStringLiteral("LastNotifiedVersion")).isValid());
    info.status = 1;
    RememberNotified(info);
    EXPECT_EQ(UpdateSettingNumber(QStringLiteral("LastNotifiedPatch")), 5);
    EXPECT_FALSE(UpdateSetting(QStringLiteral("LastNotifiedVersion")).isValid());
    info.status = 3;
    RememberNotified(info);
    EXPECT_EQ(UpdateSettingText(QStringLiteral("LastNotifiedVersion")), QStringLiteral("2.1.5.3"));
}

struct LanguageCase
{
    QVariant setting;
    int locale;
};

class UiLanguageTest : public UpdateSettingsTest, public ::testing::WithParamInterface<LanguageCase>
{
};

TEST_P(UiLanguageTest, MapsToLocale)
{
    if (GetParam().setting.isValid())
        QSettings(QStringLiteral("Talvane"), QStringLiteral("Parcelo"))
            .setValue(QStringLiteral("Options/UILanguage"), GetParam().setting);
    EXPECT_EQ(UiLanguageLocale(), GetParam().locale);
}

struct InstallerCommandCase
{
    const char* name;
    const char* configured; // PARCELO_INSTALLER_COMMAND, null when not set
    QStringList expected;
};

class InstallerCommandTest : public ::testing::TestWithParam<InstallerCommandCase>
{
protected:
    void TearDown() override { qunsetenv("PARCELO_INSTALLER_COMMAND"); }
};

TEST_P(InstallerCommandTest, PutsThePackageLast)
{
    if (GetParam().configured)
        qputenv("PARCELO_INSTALLER_COMMAND", GetParam().configured);
    else
        qunsetenv("PARCELO_INSTALLER_COMMAND");
    EXPECT_EQ(InstallerCommandLine(QStringLiteral("/t/Parcelo Installer.deb")), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, InstallerCommandTest,
    ::testing::Values(
        InstallerCommandCase{"NotSet", nullptr, {"xdg-open", "/t/Parcelo Installer.deb"}},
        InstallerCommandCase{"Blank", "  ", {"xdg-open", "/t/Parcelo Installer.deb"}},
        InstallerCommandCase{"WithArguments", "/bin/sh /x/record.sh out",
                             {"/bin/sh", "/x/record.sh", "out", "/t/Parcelo Installer.deb"}},
        InstallerCommandCase{"QuotedProgram", "\"/opt/my installer\" --quiet",
                             {"/opt/my installer", "--quiet", "/t/Parcelo Installer.deb"}},
        InstallerCommandCase{"UnclosedQuoteLeavesNoCommand", "\"", {}}),
    TestNames::ByName());

INSTANTIATE_TEST_SUITE_P(Languages, UiLanguageTest,
                         ::testing::Values(LanguageCase{QVariant(), 1033}, LanguageCase{0, 1033},
                                           LanguageCase{1036, 1036}, LanguageCase{4, 1036},
                                           LanguageCase{1046, 1046}, LanguageCase{6, 1043},
                                           LanguageCase{3082, 3082}, LanguageCase{7, 1033},
                                           LanguageCase{1033, 1033}, LanguageCase{-1, 1033}),
                         [](const auto& info) {
                             return info.param.setting.isValid()
                                        ? "Setting" + TestNames::Number(info.param.setting.toInt())
                                        : std::string("NotSet");
                         });

} // namespace
