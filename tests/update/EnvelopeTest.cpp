#include "TestKeys.h"
#include "common/TestNames.h"
#include "update/OruCrypt.h"

#include <gtest/gtest.h>

#include <openssl/evp.h>
#include <openssl/rsa.h>

namespace {

TEST(Envelope, OpensWithPrivateKeyAndMatchesPlaintext)
{
    const TestRsaKey& key = SharedTestRsaKey();
    OruCrypt crypt(reinterpret_cast<const unsigned char*>(key.blob.constData()),
                   static_cast<std::size_t>(key.blob.size()));
    const QByteArray plaintext("The update request, 28 bytes");
    QByteArray envelope;
    ASSERT_TRUE(crypt.Seal(plaintext, envelope)) << crypt.LastError().toStdString();
    QByteArray opened;
    ASSERT_TRUE(OpenEnvelope(key, envelope, opened));
    EXPECT_EQ(opened, plaintext);
}

struct SizeCase
{
    int plaintextSize;
    int contentSize;
};

class EnvelopeSize : public ::testing::TestWithParam<SizeCase>
{
};

TEST_P(EnvelopeSize, IsWrappedSecretPlusPaddedContent)
{
    const TestRsaKey& key = SharedTestRsaKey();
    OruCrypt crypt(reinterpret_cast<const unsigned char*>(key.blob.constData()),
                   static_cast<std::size_t>(key.blob.size()));
    QByteArray envelope;
    const QByteArray plaintext(GetParam().plaintextSize, 'p');
    ASSERT_TRUE(crypt.Seal(plaintext, envelope));
    EXPECT_EQ(envelope.size(), 256 + GetParam().contentSize);
    QByteArray opened;
    ASSERT_TRUE(OpenEnvelope(key, envelope, opened));
    EXPECT_EQ(opened, plaintext);
}

INSTANTIATE_TEST_SUITE_P(Sizes, EnvelopeSize,
                         ::testing::Values(SizeCase{0, 16}, SizeCase{15, 16}, SizeCase{16, 32}, SizeCase{28, 32}),
                         [](const auto& info) { return "Plaintext" + TestNames::Number(info.param.plaintextSize); });

TEST(Envelope, TwoSealsDiffer)
{
    const TestRsaKey& key = SharedTestRsaKey();
    OruCrypt crypt(reinterpret_cast<const unsigned char*>(key.blob.constData()),
                   static_cast<std::size_t>(key.blob.size()));
    QByteArray first;
    QByteArray second;
    ASSERT_TRUE(crypt.Seal("same", first));
    ASSERT_TRUE(crypt.Seal("same", second));
    EXPECT_NE(first, second);
    EXPECT_NE(first.mid(256), second.mid(256));
}

TEST(Envelope, BuiltInKeyIsA2048BitKey)
{
    const QByteArray blob = BuiltInUpdateKeyBlob();
    ASSERT_EQ(blob.size(), 270);
    OruCrypt crypt(reinterpret_cast<const unsigned char*>(blob.constData()), 270);
    QByteArray envelope;
    ASSERT_TRUE(crypt.Seal("x", envelope));
    EXPECT_EQ(envelope.size(), 256 + 16);
}

struct BadBlobCase
{
    const char* name;
    QByteArray blob;
};

class EnvelopeBadBlob : public ::testing::TestWithParam<BadBlobCase>
{
};

TEST_P(EnvelopeBadBlob, SealFailsWithoutKey)
{
    const QByteArray blob = GetParam().blob;
    OruCrypt crypt(reinterpret_cast<const unsigned char*>(blob.constData()), static_cast<std::size_t>(blob.size()));
    QByteArray envelope;
    EXPECT_FALSE(crypt.Seal("x", envelope));
    EXPECT_EQ(crypt.LastError(), QStringLiteral("Public key not specified"));
}

QByteArray WithFirstByte(char first)
{
    QByteArray blob = BuiltInUpdateKeyBlob();
    blob[0] = first;
    return blob;
}

QByteArray WithModulusCount(unsigned count)
{
    QByteArray blob = BuiltInUpdateKeyBlob();
    blob[1] = static_cast<char>(count & 0xff);
    blob[2] = static_cast<char>((count >> 8) & 0xff);
    blob[3] = static_cast<char>((count >> 16) & 0xff);
    blob[4] = static_cast<char>((count >> 24) & 0xff);
    return blob;
}

INSTANTIATE_TEST_SUITE_P(Blobs, EnvelopeBadBlob,
                         ::testing::Values(BadBlobCase{"NoKeyMarker", WithFirstByte(0)},
                                           BadBlobCase{"Empty", QByteArray()},
                                           BadBlobCase{"CountPastEnd", WithModulusCount(0xFFFFFFF0u)},
                                           BadBlobCase{"Cut", BuiltInUpdateKeyBlob().left(100)}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Envelope, SmallKeyIsRefused)
{
    // A 42-byte modulus cannot wrap any secret with OAEP and SHA-1.
    QByteArray blob;
    blob.append('\x01');
    blob.append(QByteArray("\x2a\x00\x00\x00", 4));
    blob.append(QByteArray(42, '\xC3'));
    blob.append(QByteArray("\x03\x00\x00\x00\x01\x00\x01\x00", 8));
    OruCrypt tiny(reinterpret_cast<const unsigned char*>(blob.constData()), static_cast<std::size_t>(blob.size()));
    QByteArray envelope;
    EXPECT_FALSE(tiny.Seal("x", envelope));
    EXPECT_EQ(tiny.LastError(), QStringLiteral("RSA Key is too small. Use a larger key"));

    const TestRsaKey small = MakeTestRsaKey(512);
    OruCrypt ok(reinterpret_cast<const unsigned char*>(small.blob.constData()),
                static_cast<std::size_t>(small.blob.size()));
    ASSERT_TRUE(ok.Seal("x", envelope));
    EXPECT_EQ(envelope.size(), 64 + 16);
    QByteArray opened;
    ASSERT_TRUE(OpenEnvelope(small, envelope, opened));
    EXPECT_EQ(opened, QByteArray("x"));
}

TEST(Envelope, UpperHex)
{
    EXPECT_EQ(ToUpperHex(QByteArray("\x00\xab\x7f", 3)), QByteArray("00AB7F"));
}

} // namespace
