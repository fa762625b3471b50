#include "TestKeys.h"

#include "update/OruCrypt.h"

#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <vector>

TestRsaKey::TestRsaKey(TestRsaKey&& other) noexcept : pair(other.pair), blob(std::move(other.blob))
{
    other.pair = nullptr;
}

TestRsaKey::~TestRsaKey()
{
    EVP_PKEY_free(pair);
}

namespace {

void AppendCounted(QByteArray& blob, const BIGNUM* number)
{
    std::vector<unsigned char> bytes(static_cast<std::size_t>(BN_num_bytes(number)));
    BN_bn2bin(number, bytes.data());
    const auto count = static_cast<std::uint32_t>(bytes.size());
    for (int i = 0; i < 4; ++i)
        blob.append(static_cast<char>((count >> (8 * i)) & 0xff));
    blob.append(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

} // namespace

TestRsaKey MakeTestRsaKey(int bits)
{
    TestRsaKey key;
    key.pair = EVP_RSA_gen(static_cast<unsigned>(bits));
    if (!key.pair)
        return key;
    BIGNUM* n = nullptr;
    BIGNUM* e = nullptr;
    EVP_PKEY_get_bn_param(key.pair, OSSL_PKEY_PARAM_RSA_N, &n);
    EVP_PKEY_get_bn_param(key.pair, OSSL_PKEY_PARAM_RSA_E, &e);
    key.blob.append('\x01');
    AppendCounted(key.blob, n);
    AppendCounted(key.blob, e);
    key.blob.append('\x00');
    BN_free(n);
    BN_free(e);
    return key;
}

const TestRsaKey& SharedTestRsaKey()
{
    static const TestRsaKey key = MakeTestRsaKey(2048);
    return key;
}

bool OpenEnvelope(const TestRsaKey& key, const QByteArray& envelope, QByteArray& plaintext)
{
    const std::size_t k = static_cast<std::size_t>((EVP_PKEY_get_bits(key.pair) + 7) / 8);
    if (static_cast<std::size_t>(envelope.size()) < k + 16)
        return false;
    const auto* data = reinterpret_cast<const unsigned char*>(envelope.constData());
    std::vector<unsigned char> secret(k);
    std::size_t secretLength = secret.size();
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_from_pkey(nullptr, key.pair, nullptr);
    const bool ok = ctx && EVP_PKEY_decrypt_init(ctx) > 0 &&
                    EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_OAEP_PADDING) > 0 &&
                    EVP_PKEY_CTX_set_rsa_oaep_md(ctx, EVP_sha1()) > 0 &&
                    EVP_PKEY_decrypt(ctx, secret.data(), &secretLength, data, k) > 0;
    EVP_PKEY_CTX_free(ctx);
    if (!ok || secretLength != k - 42)
        return false;
    unsigned char aesKey[32];
    unsigned char iv[16];
    if (EVP_BytesToKey(EVP_aes_256_cbc(), EVP_sha1(), kOruCryptSalt, secret.data(),
                       static_cast<int>(secretLength), 5, aesKey, iv) != 32)
        return false;
    EVP_CIPHER_CTX* cipher = EVP_CIPHER_CTX_new();
    std::vector<unsigned char> out(envelope.size());
    int written = 0;
    int last = 0;
    const bool opened = EVP_DecryptInit_ex(cipher, EVP_aes_256_cbc(), nullptr, aesKey, iv) == 1 &&
                        EVP_DecryptUpdate(cipher, out.data(), &written, data + k,
                                          static_cast<int>(envelope.size() - static_cast<qsizetype>(k))) == 1 &&
                        EVP_DecryptFinal_ex(cipher, out.data() + written, &last) == 1;
    EVP_CIPHER_CTX_free(cipher);
    if (!opened)
        return false;
    plaintext = QByteArray(reinterpret_cast<const char*>(out.data()), written + last);
    return true;
}

TestSigner::TestSigner(TestSigner&& other) noexcept : certificatePem(std::move(other.certificatePem)), key(other.key)
{
    other.key = nullptr;
}

TestSigner::~TestSigner()
{
    EVP_PKEY_free(key);
}

TestSigner MakeTestSigner(const char* commonName)
{
    TestSigner signer;
    signer.key = EVP_RSA_gen(2048);
    X509* cert = X509_new();
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert), 3600L * 24 * 365);
    X509_set_pubkey(cert, signer.key);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName), -1, -1,
                               0);
    X509_set_issuer_name(cert, name);
    X509_sign(cert, signer.key, EVP_sha256());
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(bio, cert);
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    signer.certificatePem = QByteArray(data, static_cast<qsizetype>(length));
    BIO_free(bio);
    X509_free(cert);
    return signer;
}

QByteArray SignDetached(const TestSigner& signer, const QByteArray& content)
{
    BIO* certBio = BIO_new_mem_buf(signer.certificatePem.constData(), static_cast<int>(signer.certificatePem.size()));
    X509* cert = PEM_read_bio_X509(certBio, nullptr, nullptr, nullptr);
    BIO_free(certBio);
    BIO* data = BIO_new_mem_buf(content.constData(), static_cast<int>(content.size()));
    CMS_ContentInfo* cms = CMS_sign(cert, signer.key, nullptr, data, CMS_DETACHED | CMS_BINARY);
    QByteArray der;
    if (cms) {
        BIO* out = BIO_new(BIO_s_mem());
        i2d_CMS_bio(out, cms);
        char* bytes = nullptr;
        const long length = BIO_get_mem_data(out, &bytes);
        der = QByteArray(bytes, static_cast<qsizetype>(length));
        BIO_free(out);
        CMS_ContentInfo_free(cms);
    }
    BIO_free(data);
    X509_free(cert);
    return der;
}
