#include "update/InstallerSignature.h"

#include <QFile>

#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include <mutex>

namespace {

const char kMarker[] = "PRCLSIG1";
constexpr qsizetype kMarkerLength = 8;
constexpr quint32 kMaxSignatureBytes = 1u << 20;

// The maker's code-signing certificate.
const char kMakerCertificate[] =
    "-----BEGIN CERTIFICATE-----\n"
    "MIIDKTCCAhGgAwIBAgIUCzmITkef9yjJwKW8cGhjTfSUqBgwDQYJKoZIhvcNAQEL\n"
    "BQAwJDEQMA4GA1UEAwwHVGFsdmFuZTEQMA4GA1UECgwHVGFsdmFuZTAeFw0yNjEy\n"
    "MTAwNTM3MjlaFw00NjEyMDUwNTM3MjlaMCQxEDAOBgNVBAMMB1RhbHZhbmUxEDAO\n"
    "BgNVBAoMB1RhbHZhbmUwggEiMA0GCSqGSIb3DQEBAQUAA4IBDwAwggEKAoIBAQDw\n"
    "teRzbMRxWGuAsuh4YEmm9NpZg/OMHxOod2czQxMfv3/e4bTyJqrx7CK4Ih4WSkkE\n"
    "0OqhdB/sT8Lz4MyfY4/H9dYxk23j5ol0ORRilcqUVg764OZYAsZNt4wHIyJfgwNI\n"
    "Ze3TOG0rb02jp/wY1zEaPOATG2aA1Mj25j7yOUj9y8MV1jFnChsej/dDZj77IXtO\n"
    "yw2JXOyjES+LO5szUj4BtH60Kc3yX3mBt2nYNpobVv77V8D5n9Ynd+y5EppAd15t\n"
    "LloRCJSmItSyITX3el1IDkh1GTXic3SEBK7N9m1lUQqRA8LhbeB01CB9DJb+82Mw\n"
    "dhw8++6zXZ97iNaKH2oHAgMBAAGjUzBRMB0GA1UdDgQWBBSukTTIDGN/UE/S8VHJ\n"
    "HqCsM4P+rjAfBgNVHSMEGDAWgBSukTTIDGN/UE/S8VHJHqCsM4P+rjAPBgNVHRMB\n"
    "Af8EBTADAQH/MA0GCSqGSIb3DQEBCwUAA4IBAQCVFez2eCA9BSXsDd431ZlP6ZfM\n"
    "Ire+N+3mGQnQO8bgdTC4tnyTW2HyEE0cUlk7DATUSt6VILiFm0+CTvMKLardv0Vp\n"
    "sO6Q9K3kKNLxRPtwRg4IQfSe5du+2t/1xoi0pH6nUj5DSlObtj1s3BxDkWyxQRAu\n"
    "q6QZEASD0Drea/JByltRWRMgp8XljTMYS6k3swkenJvNCK178ZoLb8EdxviX4yoX\n"
    "9PLBsmhbi8DUJsbvMzz+2MVsYQp3hQks+XnxCwms6UawcmDf6kG9lAHG4yS5FYuM\n"
    "wt/KVfd7CH4IfRvlQZke3VaqxoRoCAOgexwm3CW8kITY3LVdDGVnvOcav/k2\n"
    "-----END CERTIFICATE-----\n"
    ;

std::mutex g_certMutex;
QByteArray g_certOverride;

} // namespace

bool SplitSignedInstaller(const QByteArray& package, QByteArray& installer, QByteArray& signature)
{
    if (package.size() < kMarkerLength + 4 || !package.endsWith(QByteArray(kMarker, kMarkerLength)))
        return false;
    const qsizetype lengthAt = package.size() - kMarkerLength - 4;
    quint32 length = 0;
    for (int i = 3; i >= 0; --i)
        length = (length << 8) | static_cast<unsigned char>(package[lengthAt + i]);
    if (length == 0 || length > kMaxSignatureBytes || length > static_cast<quint64>(lengthAt))
        return false;
    const qsizetype signatureAt = lengthAt - static_cast<qsizetype>(length);
    installer = package.left(signatureAt);
    signature = package.mid(signatureAt, static_cast<qsizetype>(length));
    return true;
}

QByteArray JoinSignedInstaller(const QByteArray& installer, const QByteArray& signature)
{
    QByteArray package = installer + signature;
    const auto length = static_cast<quint32>(signature.size());
    for (int i = 0; i < 4; ++i)
        package.append(static_cast<char>((length >> (8 * i)) & 0xff));
    package.append(kMarker, kMarkerLength);
    return package;
}

bool VerifyDetachedSignature(const QByteArray& content, const QByteArray& signature,
                             const QByteArray& certificatePem)
{
    if (signature.isEmpty() || certificatePem.isEmpty())
        return false;
    BIO* certBio = BIO_new_mem_buf(certificatePem.constData(), static_cast<int>(certificatePem.size()));
    X509* maker = certBio ? PEM_read_bio_X509(certBio, nullptr, nullptr, nullptr) : nullptr;
    BIO_free(certBio);
    if (!maker)
        return false;

    bool verified = false;
    BIO* sigBio = BIO_new_mem_buf(signature.constData(), static_cast<int>(signature.size()));
    CMS_ContentInfo* cms = sigBio ? d2i_CMS_bio(sigBio, nullptr) : nullptr;
    BIO* data = BIO_new_mem_buf(content.constData(), static_cast<int>(content.size()));
    X509_STORE* store = X509_STORE_new();
    STACK_OF(X509)* signers = sk_X509_new_null();
    if (cms && data && store && signers && X509_STORE_add_cert(store, maker) == 1 &&
        X509_STORE_set_purpose(store, X509_PURPOSE_ANY) == 1 && sk_X509_push(signers, maker) > 0) {
        // Only the maker's certificate may be the signer (certificates inside
        // the signature are not searched) and it must be the trust anchor.
        const int ok = CMS_verify(cms, signers, store, data, nullptr, CMS_BINARY | CMS_NOINTERN | CMS_DETACHED);
        if (ok == 1) {
            STACK_OF(X509)* used = CMS_get0_signers(cms);
            verified = used && sk_X509_num(used) > 0;
            for (int i = 0; used && i < sk_X509_num(used); ++i)
                verified = verified && X509_cmp(sk_X509_value(used, i), maker) == 0;
            sk_X509_free(used);
        }
    }
    sk_X509_free(signers);
    X509_STORE_free(store);
    BIO_free(data);
    CMS_ContentInfo_free(cms);
    BIO_free(sigBio);
    X509_free(maker);
    return verified;
}

QByteArray InstallerSigningCertificate()
{
    std::lock_guard<std::mutex> lock(g_certMutex);
    return g_certOverride.isEmpty() ? QByteArray(kMakerCertificate) : g_certOverride;
}

void SetInstallerSigningCertificate(const QByteArray& pem)
{
    std::lock_guard<std::mutex> lock(g_certMutex);
    g_certOverride = pem;
}

bool VerifySignedInstallerFile(const QString& path, QByteArray* installer)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly) || file.size() > kMaxInstallerPackageBytes)
        return false;
    const QByteArray package = file.readAll();
    if (package.size() != file.size())
        return false;
    QByteArray content;
    QByteArray signature;
    if (!SplitSignedInstaller(package, content, signature) ||
        !VerifyDetachedSignature(content, signature, InstallerSigningCertificate()))
        return false;
    if (installer)
        *installer = content;
    return true;
}
