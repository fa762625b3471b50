#pragma once
// Seals the update request for the update server: a fresh random session
// secret wrapped with the server's RSA public key (OAEP), and the content
// enciphered with AES-256-CBC under a key derived from that secret. The
// program only seals; the server alone holds the private key.
#include <QByteArray>
#include <QString>

#include <cstddef>

typedef struct evp_pkey_st EVP_PKEY;
typedef struct evp_cipher_ctx_st EVP_CIPHER_CTX;

// An RSA public key (modulus and exponent).
class OruCryptRSA
{
public:
    OruCryptRSA();
    virtual ~OruCryptRSA();
    OruCryptRSA(const OruCryptRSA&) = delete;
    OruCryptRSA& operator=(const OruCryptRSA&) = delete;

protected:
    EVP_PKEY* m_key = nullptr;
};

// One enciphering and one deciphering context set up from the same key and IV.
class OruCryptAES
{
public:
    OruCryptAES();
    virtual ~OruCryptAES();
    OruCryptAES(const OruCryptAES&) = delete;
    OruCryptAES& operator=(const OruCryptAES&) = delete;

protected:
    EVP_CIPHER_CTX* m_encrypt = nullptr;
    EVP_CIPHER_CTX* m_decrypt = nullptr;
};

class OruCrypt : public OruCryptRSA, public OruCryptAES
{
public:
    // The key blob: byte 1 (a key is present), the modulus as a 4-byte
    // little-endian count and big-endian bytes, the exponent in the same form,
    // byte 0 (no private part). A first byte 0, or an unreadable blob, leaves
    // the object without a key.
    OruCrypt(const unsigned char* keyBlob, std::size_t length);
    ~OruCrypt() override;

    // Envelope = wrapped secret (modulus length) + AES-256-CBC content.
    // False with LastError set on failure; output is then unusable.
    bool Seal(const QByteArray& plaintext, QByteArray& envelope);

    const QString& LastError() const { return m_lastError; }

private:
    bool Fail(const char* text);
    QString m_lastError;
};

// The fixed salt of the key derivation (8 ASCII bytes); the server uses it too.
extern const unsigned char kOruCryptSalt[8];

// Every byte as two upper-case hexadecimal digits.
QByteArray ToUpperHex(const QByteArray& bytes);

// The public key of the update server built into the program (270 bytes).
QByteArray BuiltInUpdateKeyBlob();
// The key the update check seals with: the built-in one unless replaced
// (tests replace it with a key pair they generate). An empty blob restores
// the built-in key.
QByteArray UpdateKeyBlob();
void SetUpdateKeyBlob(const QByteArray& blob);
