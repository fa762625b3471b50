#pragma once
// Shared set-up of the update tests: private settings and data folders, the
// test envelope key and signing certificate, and helpers that build replies
// and signed installers.
#include "TestKeys.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>

struct ReplyDesign
{
    std::uint32_t status = 2;
    std::uint16_t version[4] = {2, 5, 0, 0};
    QByteArray download;
    QByteArray information;
    QList<QByteArray> features;
};

// The decoded reply bytes and their hex text.
QByteArray ReplyBytes(const ReplyDesign& replyDesign);
QByteArray ReplyHex(const ReplyDesign& replyDesign);

// The test root (settings, app data, scripts) of this run.
QString TestRoot();
// Removes every "AutoUpdate" and "Options" value and the download folder.
void ClearUpdateState();

const TestSigner& TestInstallerSigner();
// An installer package signed with the test certificate (or another signer).
QByteArray SignedPackage(const QByteArray& installer);
QByteArray SignedPackageBy(const TestSigner& signer, const QByteArray& installer);
// A Debian binary package as the update server offers one: an ar archive
// with "debian-binary" ("2.0\n") first, then a member holding the payload.
QByteArray DebianPackageBytes(const QByteArray& payload);
