#pragma once
// Per-user settings of the program: QSettings under organisation "Talvane",
// application "Parcelo", with the groups "Options" and "AutoUpdate".
//
// The environment variable PARCELO_SETTINGS_DIR, when set, moves the per-user
// settings file into that folder (tests and portable runs use it so the
// user's real settings are never touched).
#include <QSettings>
#include <QString>
#include <QVariant>
#include <memory>

inline constexpr const char* kSettingsOrganisation = "Talvane";
inline constexpr const char* kSettingsApplication = "Parcelo";
inline constexpr const char* kOptionsGroup = "Options";
inline constexpr const char* kAutoUpdateGroup = "AutoUpdate";

// Applies PARCELO_SETTINGS_DIR (if set) to every QSettings created afterwards.
// Safe to call more than once.
void ApplySettingsLocationOverride();

// The per-user settings store (organisation "Talvane", application "Parcelo").
std::unique_ptr<QSettings> OpenUserSettings();

// One value of a group; the default when the entry is missing.
QVariant ReadSetting(const QString& group, const QString& name, const QVariant& defaultValue = {});
void WriteSetting(const QString& group, const QString& name, const QVariant& value);

// An integer value; the default when the entry is missing or not a number.
int ReadSettingInt(const QString& group, const QString& name, int defaultValue);
