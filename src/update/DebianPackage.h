#pragma once
// What the update server offers for this platform: a Debian binary package
// (.deb), which the desktop's package installer knows how to install.
#include <QByteArray>

// Whether the bytes are a Debian binary package: an ar archive ("!<arch>\n")
// whose first member is "debian-binary".
bool IsDebianBinaryPackage(const QByteArray& bytes);
