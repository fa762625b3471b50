#include "update/OruCrypt.h"

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/rand.h>
#include <openssl/rsa.h>

#include <mutex>
#include <vector>

const unsigned char kOruCryptSalt[8] = {'T', 'a', 'l', 'v', 'P', 'r', 'c', '1'};

namespace {

const unsigned char kUpdateKeyBlob[270] = {
    0x01, 0x00, 0x01, 0x00, 0x00, 0xA9, 0x95, 0x46, 0x6D, 0x57, 0x96, 0xD3, 0x4C, 0x7B, 0x3E, 0x9E,
    0x77, 0x2E, 0x47, 0x48, 0x03, 0x32, 0x2A, 0x02, 0x4B, 0x22, 0x06, 0xF7, 0xD5, 0x7A, 0x08, 0x05,
    0xC0, 0xB6, 0x73, 0x61, 0xA0, 0x60, 0x52, 0xB5, 0xD3, 0xF2, 0xB3, 0xCF, 0x08, 0x9F, 0x0B, 0xDE,
    0xD4, 0x9B, 0x24, 0x8B, 0xCB, 0x6C, 0x04, 0xE4, 0x57, 0x21, 0x72, 0xDC, 0x5A, 0xED, 0x29, 0xDE,
    0x22, 0xC7, 0xBC, 0x7A, 0xE9, 0x35, 0x68, 0x34, 0x77, 0x85, 0xBA, 0x58, 0x4B, 0xA7, 0x1C, 0x39,
    0x4E, 0xCB, 0xF3, 0x3B, 0xE4, 0x6C, 0xC4, 0xAB, 0xD8, 0x8E, 0x05, 0xF2, 0x84, 0xFE, 0xFA, 0x19,
    0xD1, 0xEA, 0xDE, 0xBC, 0xA6, 0x06, 0x4E, 0x6F, 0xB2, 0x9D, 0xB5, 0x97, 0x0F, 0x47, 0x9D, 0x4E,
    0x66, 0xE6, 0xF6, 0xDC, 0x3E, 0x50, 0xEE, 0xAD, 0xDB, 0xFA, 0x87, 0x55, 0x83, 0x3B, 0x0B, 0xC4,
    0xFE, 0xCA, 0x5F, 0xB9, 0x07, 0x1F, 0xB2, 0x8D, 0x9B, 0x64, 0xEB, 0xF0, 0x31, 0x94, 0xFC, 0xCC,
    0x00, 0xA1, 0x38, 0x9D, 0x00, 0x8B, 0x69, 0x68, 0x52, 0x2D, 0xFB, 0xE9, 0xFE, 0x6D, 0x18, 0x6D,
    0x6D, 0xC8, 0x11, 0x18, 0x8D, 0x0F, 0xE8, 0x50, 0xF3, 0xCB, 0x33, 0x4C, 0x6C, 0x4A, 0xE8, 0x2D,
    0x87, 0xA0, 0xFF, 0x41, 0x4E, 0x63, 0x26, 0x50, 0x1C, 0x53, 0xD1, 0x97, 0xCB, 0xF6, 0x0A, 0x9D,
    0x78, 0xB4, 0xAF, 0xC5, 0xF9, 0xD6, 0x68, 0x47, 0x9F, 0x1E, 0x6D, 0x7E, 0xEF, 0x05, 0xFC, 0xC6,
    0x4D, 0x16, 0xF3, 0x9E, 0x2D, 0x68, 0xF2, 0xAD, 0x02, 0xBB, 0x9C, 0xA4, 0xD1, 0x16, 0x68, 0x92,
    0xFF, 0x78, 0xED, 0x67, 0x93, 0x8A, 0x01, 0xF6, 0xCC, 0x04, 0x24, 0xFD, 0x9B, 0x7B, 0x44, 0xF5,
    0x53, 0x59, 0xC7, 0x9B, 0xAF, 0x70, 0x90, 0x19, 0xCE, 0x08, 0x7C, 0xCE, 0x09, 0xE5, 0xDF, 0x5A,
    0x04, 0x3E, 0xE6, 0x20, 0x15, 0x03, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00,
};

std::mutex g_keyMutex;
QByteArray g_keyOverride;

// Reads a 4-byte little-endian count and that many bytes.
bool ReadCounted(const unsigned char* data, std::size_t length, std::size_t& pos,
                 const unsigned char*& bytes, std::uint32_t& count)
{
    if (length - pos < 4)
        return false;
    count = static_cast<std::uint32_t>(data[pos]) | (static_cast<std::uint32_t>(data[pos + 1]) << 8) |
            (static_cast<std::uint32_t>(data[pos + 2]) << 16) |
            (static_cast<std::uint32_t>(data[pos + 3]) << 24);
    pos += 4;
    if (count == 0 || count > length - pos)
        return false;
    bytes = data + pos;
    pos += count;
    return true;
}

EVP_PKEY* KeyFromBlob(const unsigned char* blob, std::size_t length)
{
    if (!blob || length < 1 || blob[0] != 1)
        return nullptr;
    std::size_t pos = 1;
    const unsigned char* modulus = nullptr;
    const unsigned char* exponent = nullptr;
    std::uint32_t modulusLength = 0;
    std::uint32_t exponentLength = 0;
    if (!ReadCounted(blob, length, pos, modulus, modulusLength) ||
        !ReadCounted(blob, length, pos, exponent, exponentLength))
        return nullptr;

    EVP_PKEY* key = nullptr;
    BIGNUM* n = BN_bin2bn(modulus, static_cast<int>(modulusLength), nullptr);
    BIGNUM* e = BN_bin2bn(exponent, static_cast<int>(exponentLength), nullptr);
    OSSL_PARAM_BLD* build = OSSL_PARAM_BLD_new();
    OSSL_PARAM* params = nullptr;
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr);
    if (n && e && build && ctx && OSSL_PARAM_BLD_push_BN(build, OSSL_PKEY_PARAM_RSA_N, n) &&
        OSSL_PARAM_BLD_push_BN(build, OSSL_PKEY_PARAM_RSA_E, e) &&
        (params = OSSL_PARAM_BLD_to_param(build)) != nullptr && EVP_PKEY_fromdata_init(ctx) > 0) {
        if (EVP_PKEY_fromdata(ctx, &key, EVP_PKEY_PUBLIC_KEY, params) <= 0)
            key = nullptr;
    }
    EVP_PKEY_CTX_free(ctx);
    OSSL_PARAM_free(params);
    OSSL_PARAM_BLD_free(build);
    BN_free(n);
    BN_free(e);
    return key;
}

} // namespace

OruCryptRSA::OruCryptRSA() = default;

OruCryptRSA::~OruCryptRSA()
{
    EVP_PKEY_free(m_key);
}

OruCryptAES::OruCryptAES() : m_encrypt(EVP_CIPHER_CTX_new()), m_decrypt(EVP_CIPHER_CTX_new()) {}

OruCryptAES::~OruCryptAES()
{
    EVP_CIPHER_CTX_free(m_encrypt);
    EVP_CIPHER_CTX_free(m_decrypt);
}

OruCrypt::OruCrypt(const unsigned char* keyBlob, std::size_t length)
{
    m_key = KeyFromBlob(keyBlob, length);
}

OruCrypt::~OruCrypt() = default;

bool OruCrypt::Fail(const char* text)
{
    m_lastError = QString::fromLatin1(text);
    return false;
}

bool OruCrypt::Seal(const QByteArray& plaintext, QByteArray& envelope)
{
    envelope.clear();
    if (!m_key)
        return Fail("Public key not specified");
    const int bits = EVP_PKEY_get_bits(m_key);
    const std::size_t k = static_cast<std::size_t>((bits + 7) / 8);
    if (k <= 42)
        return Fail("RSA Key is too small. Use a larger key");

    // The most OAEP with SHA-1 can wrap: k - 2 * 20 - 2 bytes.
    std::vector<unsigned char> secret(k - 42);
    if (RAND_bytes(secret.data(), static_cast<int>(secret.size())) != 1)
        return Fail("Failed to generate a random session key");

    std::vector<unsigned char> wrapped(k);
    std::size_t wrappedLength = wrapped.size();
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_from_pkey(nullptr, m_key, nullptr);
    const bool wrappedOk = ctx && EVP_PKEY_encrypt_init(ctx) > 0 &&
                           EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_OAEP_PADDING) > 0 &&
                           EVP_PKEY_CTX_set_rsa_oaep_md(ctx, EVP_sha1()) > 0 &&
                           EVP_PKEY_CTX_set_rsa_mgf1_md(ctx, EVP_sha1()) > 0 &&
                           EVP_PKEY_encrypt(ctx, wrapped.data(), &wrappedLength, secret.data(),
                                            secret.size()) > 0 &&
                           wrappedLength == k;
    EVP_PKEY_CTX_free(ctx);
    if (!wrappedOk)
        return Fail("Failed to encrypt the session key");

    unsigned char key[32];
    unsigned char iv[16];
    if (EVP_BytesToKey(EVP_aes_256_cbc(), EVP_sha1(), kOruCryptSalt, secret.data(),
                       static_cast<int>(secret.size()), 5, key, iv) != 32 ||
        !m_encrypt || !m_decrypt ||
        EVP_EncryptInit_ex(m_encrypt, EVP_aes_256_cbc(), nullptr, key, iv) != 1 ||
        EVP_DecryptInit_ex(m_decrypt, EVP_aes_256_cbc(), nullptr, key, iv) != 1) {
        OPENSSL_cleanse(secret.data(), secret.size());
        OPENSSL_cleanse(key, sizeof key);
        return Fail("Failed to encrypt content");
    }
    OPENSSL_cleanse(secret.data(), secret.size());
    OPENSSL_cleanse(key, sizeof key);

    envelope.append(reinterpret_cast<const char*>(wrapped.data()), static_cast<qsizetype>(k));
    if (static_cast<std::size_t>(envelope.size()) != k)
        return Fail("Failed to store encrypted session key in output");

    const qsizetype start = envelope.size();
    envelope.resize(start + plaintext.size() + 16);
    int written = 0;
    if (EVP_EncryptUpdate(m_encrypt, reinterpret_cast<unsigned char*>(envelope.data()) + start, &written,
                          reinterpret_cast<const unsigned char*>(plaintext.constData()),
                          static_cast<int>(plaintext.size())) != 1)
        return Fail("Failed to encrypt content");
    int last = 0;
    if (EVP_EncryptFinal_ex(m_encrypt, reinterpret_cast<unsigned char*>(envelope.data()) + start + written,
                            &last) != 1)
        return Fail("Failed to finalize encrypted content");
    envelope.resize(start + written + last);
    return true;
}

QByteArray ToUpperHex(const QByteArray& bytes)
{
    return bytes.toHex().toUpper();
}

QByteArray BuiltInUpdateKeyBlob()
{
    return QByteArray(reinterpret_cast<const char*>(kUpdateKeyBlob), sizeof kUpdateKeyBlob);
}

QByteArray UpdateKeyBlob()
{
    std::lock_guard<std::mutex> lock(g_keyMutex);
    return g_keyOverride.isEmpty() ? BuiltInUpdateKeyBlob() : g_keyOverride;
}

void SetUpdateKeyBlob(const QByteArray& blob)
{
    std::lock_guard<std::mutex> lock(g_keyMutex);
    g_keyOverride = blob;
}
