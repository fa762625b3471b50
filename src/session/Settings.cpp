#include "session/Settings.h"

#include <QDir>

void ApplySettingsLocationOverride()
{
    const QString dir = qEnvironmentVariable("PARCELO_SETTINGS_DIR");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir);
}

std::unique_ptr<QSettings> OpenUserSettings()
{
    return std::make_unique<QSettings>(QString::fromLatin1(kSettingsOrganisation),
                                       QString::fromLatin1(kSettingsApplication));
}

QVariant ReadSetting(const QString& group, const QString& name, const QVariant& defaultValue)
{
    auto settings = OpenUserSettings();
    settings->beginGroup(group);
    return settings->value(name, defaultValue);
}

void WriteSetting(const QString& group, const QString& name, const QVariant& value)
{
    auto settings = OpenUserSettings();
    settings->beginGroup(group);
    settings->setValue(name, value);
    settings->endGroup();
    settings->sync();
}

int ReadSettingInt(const QString& group, const QString& name, int defaultValue)
{
    const QVariant value = ReadSetting(group, name);
    if (!value.isValid())
        return defaultValue;
    bool ok = false;
    const int number = value.toInt(&ok);
    return ok ? number : defaultValue;
}
