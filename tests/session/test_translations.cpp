// Which translation the programs load: the "UILanguage" setting when a
// translation for it exists, else the user's preferred languages, with
// English (the program's own language) needing none.
#include "resources/StringTable.h"
#include "session/Settings.h"
#include "session/Translations.h"
#include "TestNames.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <set>

namespace {

struct ChoiceCase
{
    const char* name;
    int uiLanguage; // the "UILanguage" index
    QStringList preferred;
    std::set<QString> available;
    QString expected;
};

class TranslationChoice : public ::testing::TestWithParam<ChoiceCase>
{
};

TEST_P(TranslationChoice, PicksTheLanguage)
{
    const ChoiceCase& c = GetParam();
    const QString chosen =
        ChooseTranslation(c.uiLanguage, c.preferred, [&](const QString& language) { return c.available.count(language) > 0; });
    EXPECT_EQ(chosen, c.expected);
}

const std::set<QString> kFrench{QStringLiteral("fr")};

INSTANTIATE_TEST_SUITE_P(
    Cases, TranslationChoice,
    ::testing::Values(
        ChoiceCase{"SettingFrenchOverGermanLocale", 4, {QStringLiteral("de_DE")}, kFrench, QStringLiteral("fr")},
        ChoiceCase{"SettingFrenchOverEnglishLocale", 4, {QStringLiteral("en_US")}, kFrench, QStringLiteral("fr")},
        ChoiceCase{"SettingWithoutTranslationFollowsLocale", 5, {QStringLiteral("fr-FR")}, kFrench, QStringLiteral("fr")},
        ChoiceCase{"SettingWithoutTranslationEnglishLocale", 5, {QStringLiteral("en")}, kFrench, QString()},
        ChoiceCase{"RegionalLocaleFallsBackToLanguage", 0, {QStringLiteral("fr-CA")}, kFrench, QStringLiteral("fr")},
        ChoiceCase{"LocaleWithEncodingAndModifier", 0, {QStringLiteral("fr_BE.UTF-8@euro")}, kFrench,
                   QStringLiteral("fr")},
        ChoiceCase{"EnglishPreferredBeforeFrench", 0, {QStringLiteral("en-GB"), QStringLiteral("fr")}, kFrench,
                   QString()},
        ChoiceCase{"UntranslatedLanguageSkipped", 0, {QStringLiteral("de"), QStringLiteral("fr")}, kFrench,
                   QStringLiteral("fr")},
        ChoiceCase{"RegionalTranslationPreferred", 0, {QStringLiteral("pt-BR")},
                   {QStringLiteral("pt"), QStringLiteral("pt_BR")}, QStringLiteral("pt_BR")},
        ChoiceCase{"CLocaleIsEnglish", 0, {QStringLiteral("C")}, kFrench, QString()},
        ChoiceCase{"NothingPreferred", 0, {}, kFrench, QString()}),
    TestNames::ByName());

struct IndexCase
{
    const char* name;
    int setting;
    int index;
};

class UiLanguageIndex : public ::testing::TestWithParam<IndexCase>
{
};

TEST_P(UiLanguageIndex, MapsTheSetting)
{
    EXPECT_EQ(UiLanguageIndexOf(GetParam().setting), GetParam().index);
}

INSTANTIATE_TEST_SUITE_P(Cases, UiLanguageIndex,
                         ::testing::Values(IndexCase{"FrenchLocaleId", 1036, 4}, IndexCase{"FrenchIndex", 4, 4},
                                           IndexCase{"SpanishLocaleId", 3082, 2}, IndexCase{"EnglishLocaleId", 1033, 0},
                                           IndexCase{"BeyondTheIndexes", 7, 0}, IndexCase{"Negative", -1, 0}),
                         TestNames::ByName());

class InstalledTranslation : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(settings.isValid());
        qputenv("PARCELO_SETTINGS_DIR", settings.path().toUtf8());
        qputenv("PARCELO_TRANSLATIONS_DIR", PARCELO_BUILD_TRANSLATIONS);
        ApplySettingsLocationOverride();
    }
    void TearDown() override
    {
        RemoveTranslations();
        qunsetenv("PARCELO_SETTINGS_DIR");
        qunsetenv("PARCELO_TRANSLATIONS_DIR");
    }

    QTemporaryDir settings;
};

TEST_F(InstalledTranslation, FrenchSettingShowsTheNumberedTextsInFrench)
{
    WriteSetting(QString::fromLatin1(kOptionsGroup), QStringLiteral("UILanguage"), 1036);
    EXPECT_EQ(InstallTranslations(false), QStringLiteral("fr"));
    EXPECT_EQ(LoadResString(204), QStringLiteral("Ouvrir"));
    EXPECT_EQ(FormatResString(227, QStringLiteral("a.pdf")),
              QStringLiteral("Impossible d\u2019ouvrir le fichier \u00ab\u00a0a.pdf\u00a0\u00bb en lecture"));

    RemoveTranslations();
    EXPECT_EQ(LoadResString(204), QStringLiteral("Open File"));
}

TEST_F(InstalledTranslation, NoChoiceAndEnglishLocaleLoadsNothing)
{
    // The tests run with LANGUAGE=en.
    WriteSetting(QString::fromLatin1(kOptionsGroup), QStringLiteral("UILanguage"), 0);
    EXPECT_EQ(InstallTranslations(false), QString());
    EXPECT_EQ(LoadResString(204), QStringLiteral("Open File"));
}

} // namespace
