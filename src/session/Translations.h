#pragma once
// The user-interface language: which translation the programs load and where
// they find it.
//
// The language is the one the "UILanguage" setting (group "Options") names
// when a translation for it is installed; otherwise the first of the user's
// preferred languages (LANGUAGE, LC_ALL, LC_MESSAGES, LANG) that has one.
// English, the language of the texts in the program, needs no translation.
//
// Translations ("parcelo_<language>.qm") are looked for in the folder named
// by PARCELO_TRANSLATIONS_DIR, beside the program in "translations" (a build
// folder) and in "../share/parcelo/translations" from the program (where
// the installation puts them, found from the program wherever the installed
// tree is). Qt's own translations ("qtbase_<language>"
// for the standard buttons and dialogs) come from Qt's translation folder.
#include <QString>
#include <QStringList>

#include <functional>

// The index of a "UILanguage" value: 0 (no choice, follow the user's
// locale) to 6. Values 0 to 6 stand for themselves; the locale ids 1046,
// 3082, 1040, 1036, 1031 and 1043 give 1 to 6; anything else gives 0.
int UiLanguageIndexOf(int settingValue);
// The index of the stored "UILanguage" value.
int ChosenUiLanguageIndex();
// The language code of an index: "pt_BR", "es", "it", "fr", "de", "nl" for
// 1 to 6, empty for 0.
QString UiLanguageCode(int index);

// The language to load: the chosen index's language when `available` says a
// translation for it exists, otherwise the first of `preferred` (locale names
// such as "fr_FR", "fr-CA" or "fr") that is English (empty result: no
// translation) or has a translation, tried as given and by its language
// alone. Empty when nothing fits.
QString ChooseTranslation(int uiLanguageIndex, const QStringList& preferred,
                          const std::function<bool(const QString& language)>& available);

// The folders searched for the program's translations, in order.
QStringList TranslationFolders();

// Loads and installs the translation of the chosen language into the running
// application (the program's texts, and Qt's standard texts when `toolkit`).
// Returns the language loaded, empty when the program runs in English.
// Call after the application object exists and before any text is loaded;
// a second call replaces what the first installed.
QString InstallTranslations(bool toolkit);

// Takes out and deletes the translations InstallTranslations installed: the
// texts are English again.
void RemoveTranslations();
