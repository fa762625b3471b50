#pragma once
// The signed installer package: the installer's bytes followed by a detached
// CMS (PKCS#7, DER) signature over them, the signature's length (4 bytes,
// little-endian) and the 8-byte marker "PRCLSIG1". A package is genuine only
// when the signature verifies and its signer is the maker's certificate
// built into the program.
#include <QByteArray>
#include <QString>

// The largest package the program downloads or verifies.
constexpr qint64 kMaxInstallerPackageBytes = qint64(1) << 30;

// Splits a package; false when it carries no well-formed signature trailer.
bool SplitSignedInstaller(const QByteArray& package, QByteArray& installer, QByteArray& signature);
// Builds a package from an installer and its detached DER signature.
QByteArray JoinSignedInstaller(const QByteArray& installer, const QByteArray& signature);

// Verifies a detached signature over content against the signing
// certificate (PEM). The signer must be exactly that certificate.
bool VerifyDetachedSignature(const QByteArray& content, const QByteArray& signature,
                             const QByteArray& certificatePem);

// The certificate genuine installers are signed with: the maker's, unless
// replaced (tests use a certificate they generate). An empty text restores
// the maker's certificate.
QByteArray InstallerSigningCertificate();
void SetInstallerSigningCertificate(const QByteArray& pem);

// Reads a package file (at most kMaxInstallerPackageBytes) and verifies it;
// on success gives the installer's bytes.
bool VerifySignedInstallerFile(const QString& path, QByteArray* installer = nullptr);
