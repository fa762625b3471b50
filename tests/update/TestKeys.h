#pragma once
// Key pairs and certificates the update tests generate for themselves.
#include <QByteArray>
#include <QString>

typedef struct evp_pkey_st EVP_PKEY;

struct TestRsaKey
{
    EVP_PKEY* pair = nullptr; // private and public key, owned
    QByteArray blob;          // public half in the program's key blob form
    TestRsaKey() = default;
    TestRsaKey(TestRsaKey&& other) noexcept;
    TestRsaKey& operator=(TestRsaKey&&) = delete;
    TestRsaKey(const TestRsaKey&) = delete;
    ~TestRsaKey();
};

TestRsaKey MakeTestRsaKey(int bits);
const TestRsaKey& SharedTestRsaKey(); // 2048 bits, made once

// Opens an envelope as the update server would: unwraps the session secret
// with the private key, derives key and IV, deciphers the content.
bool OpenEnvelope(const TestRsaKey& key, const QByteArray& envelope, QByteArray& plaintext);

// A self-signed signing certificate with its key.
struct TestSigner
{
    QByteArray certificatePem;
    EVP_PKEY* key = nullptr;
    TestSigner() = default;
    TestSigner(TestSigner&& other) noexcept;
    TestSigner(const TestSigner&) = delete;
    ~TestSigner();
};

TestSigner MakeTestSigner(const char* commonName);
// A detached DER CMS signature of content.
QByteArray SignDetached(const TestSigner& signer, const QByteArray& content);
