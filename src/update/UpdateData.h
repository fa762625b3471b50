#pragma once
// The update request and reply, and the "AutoUpdate" settings they use.
#include "support/VersionHelpers.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>

// What an update check found, or a pending download from the settings.
struct UpdateInfo
{
    std::uint32_t status = 0; // 0 none, 1 patch, 3 buy, other: new version to download
    ModuleVersion version;
    QString downloadAddress;
    QString informationAddress;
    QStringList features;
    bool fromSettings = false;
};

// The largest check reply accepted (hex text).
constexpr int kMaxUpdateReplyBytes = 64 * 1024;

// The plain request: magic, program version, last notified version and
// patch, user-interface language; little-endian, 24 bytes.
QByteArray BuildUpdateRequest(const ModuleVersion& program, const ModuleVersion& lastNotified,
                              std::uint16_t lastNotifiedPatch, std::uint16_t language);
// The request for this program and its settings.
QByteArray BuildUpdateRequest();

// Decodes the hex reply body and reads it. False (info untouched) for an odd
// length, a non-hex character, a body over the size limit, or a reply that
// runs out of bytes anywhere after its status.
bool ParseUpdateReply(const QByteArray& body, UpdateInfo& info);

// "AutoUpdate" settings of the user.
QVariant UpdateSetting(const QString& name, const QVariant& fallback = QVariant());
QString UpdateSettingText(const QString& name);
qint64 UpdateSettingNumber(const QString& name);
void SetUpdateSetting(const QString& name, const QVariant& value);
// "Options" value of the user.
QVariant OptionSetting(const QString& name, const QVariant& fallback = QVariant());

// Writes "LastNotifiedVersion" or "LastNotifiedPatch" for the offer.
void RememberNotified(const UpdateInfo& info);

// Writes "LastChecked" = now (8 bytes, seconds since 1970, little-endian).
void WriteLastChecked();
// Reads "LastChecked"; 0 when absent.
qint64 ReadLastChecked();
