#include "session/Translations.h"

#include "session/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <vector>

namespace {

const QString kCatalogue = QStringLiteral("parcelo");

QString TranslationFile(const QString& folder, const QString& language)
{
    return QDir(folder).filePath(kCatalogue + QLatin1Char('_') + language + QStringLiteral(".qm"));
}

// The first folder holding a translation of the program for the language.
QString FindTranslation(const QString& language)
{
    for (const QString& folder : TranslationFolders())
    {
        const QString file = TranslationFile(folder, language);
        if (QFileInfo(file).isFile())
            return file;
    }
    return QString();
}

// The translators this module installed, newest last.
std::vector<QTranslator*>& Installed()
{
    static std::vector<QTranslator*> installed;
    return installed;
}

bool Install(QTranslator* translator)
{
    if (!QCoreApplication::installTranslator(translator))
        return false;
    Installed().push_back(translator);
    return true;
}

bool IsEnglish(const QString& name)
{
    return name == QLatin1String("en") || name.startsWith(QLatin1String("en_")) || name == QLatin1String("C") ||
           name == QLatin1String("POSIX");
}

} // namespace

int UiLanguageIndexOf(int settingValue)
{
    if (settingValue >= 0 && settingValue <= 6)
        return settingValue;
    switch (settingValue)
    {
    case 1031: return 5;
    case 1036: return 4;
    case 1040: return 3;
    case 1043: return 6;
    case 1046: return 1;
    case 3082: return 2;
    default: return 0;
    }
}

int ChosenUiLanguageIndex()
{
    ApplySettingsLocationOverride();
    return UiLanguageIndexOf(ReadSettingInt(QString::fromLatin1(kOptionsGroup), QStringLiteral("UILanguage"), 0));
}

QString UiLanguageCode(int index)
{
    switch (index)
    {
    case 1: return QStringLiteral("pt_BR");
    case 2: return QStringLiteral("es");
    case 3: return QStringLiteral("it");
    case 4: return QStringLiteral("fr");
    case 5: return QStringLiteral("de");
    case 6: return QStringLiteral("nl");
    default: return QString();
    }
}

QString ChooseTranslation(int uiLanguageIndex, const QStringList& preferred,
                          const std::function<bool(const QString& language)>& available)
{
    const QString chosen = UiLanguageCode(uiLanguageIndex);
    if (!chosen.isEmpty() && available(chosen))
        return chosen;
    for (QString name : preferred)
    {
        // "fr-CA", "fr_CA.UTF-8" and "fr_CA@euro" all name French of Canada.
        name.replace(QLatin1Char('-'), QLatin1Char('_'));
        name = name.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0).trimmed();
        if (name.isEmpty())
            continue;
        if (IsEnglish(name))
            return QString();
        if (available(name))
            return name;
        const QString language = name.section(QLatin1Char('_'), 0, 0);
        if (language != name && available(language))
            return language;
    }
    return QString();
}

QStringList TranslationFolders()
{
    QStringList folders;
    const QString configured = qEnvironmentVariable("PARCELO_TRANSLATIONS_DIR");
    if (!configured.isEmpty())
        folders << configured;
    const QString programFolder = QCoreApplication::applicationDirPath();
    if (!programFolder.isEmpty())
    {
        folders << QDir(programFolder).filePath(QStringLiteral("translations"));
        folders << QDir::cleanPath(programFolder + QStringLiteral("/" PARCELO_INSTALLED_TRANSLATIONS));
    }
    return folders;
}

QString InstallTranslations(bool toolkit)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return QString();
    RemoveTranslations();
    const QString language = ChooseTranslation(ChosenUiLanguageIndex(), QLocale::system().uiLanguages(),
                                               [](const QString& name) { return !FindTranslation(name).isEmpty(); });
    if (language.isEmpty())
        return QString();

    auto* own = new QTranslator(app);
    if (!own->load(FindTranslation(language)) || !Install(own))
    {
        delete own;
        return QString();
    }
    if (toolkit)
    {
        // Qt's standard buttons and dialogs ("Yes", "Cancel", the file
        // dialog). Missing Qt translations leave those texts in English.
        auto* qt = new QTranslator(app);
        if (qt->load(QLocale(language), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
            Install(qt))
            return language;
        delete qt;
    }
    return language;
}

void RemoveTranslations()
{
    for (QTranslator* translator : Installed())
    {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
    Installed().clear();
}
