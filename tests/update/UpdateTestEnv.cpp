#include "UpdateTestEnv.h"

#include "update/InstallerSignature.h"
#include "update/OruCrypt.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void PutU32(QByteArray& out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xff));
}

void PutText(QByteArray& out, const QByteArray& text)
{
    PutU32(out, static_cast<std::uint32_t>(text.size()));
    out.append(text);
}

QTemporaryDir& Root()
{
    static QTemporaryDir root(QDir::tempPath() + QStringLiteral("/parcelo-update-test-XXXXXX"));
    return root;
}

class UpdateEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        const QString root = Root().path();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, root + QStringLiteral("/config"));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, root + QStringLiteral("/config"));
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, root + QStringLiteral("/system"));
        qputenv("PARCELO_APPDATA_DIR", (root + QStringLiteral("/appdata")).toUtf8());
        // Nothing in these tests may reach a real update server.
        qputenv("PARCELO_UPDATE_HOST", "127.0.0.1:9");
        SetUpdateKeyBlob(SharedTestRsaKey().blob);
        SetInstallerSigningCertificate(TestInstallerSigner().certificatePem);
    }
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new UpdateEnvironment);

} // namespace

QByteArray ReplyBytes(const ReplyDesign& replyDesign)
{
    QByteArray out;
    PutU32(out, replyDesign.status);
    if (replyDesign.status == 0)
        return out;
    for (std::uint16_t part : replyDesign.version) {
        out.append(static_cast<char>(part & 0xff));
        out.append(static_cast<char>(part >> 8));
    }
    PutText(out, replyDesign.download);
    PutText(out, replyDesign.information);
    PutU32(out, static_cast<std::uint32_t>(replyDesign.features.size()));
    for (const QByteArray& feature : replyDesign.features)
        PutText(out, feature);
    return out;
}

QByteArray ReplyHex(const ReplyDesign& replyDesign)
{
    return ReplyBytes(replyDesign).toHex().toUpper();
}

QString TestRoot()
{
    return Root().path();
}

void ClearUpdateState()
{
    QSettings settings(QStringLiteral("Talvane"), QStringLiteral("Parcelo"));
    settings.remove(QStringLiteral("AutoUpdate"));
    settings.remove(QStringLiteral("Options"));
    settings.sync();
    QDir(TestRoot() + QStringLiteral("/appdata")).removeRecursively();
}

const TestSigner& TestInstallerSigner()
{
    static const TestSigner signer = MakeTestSigner("Talvane Test Signing");
    return signer;
}

QByteArray SignedPackageBy(const TestSigner& signer, const QByteArray& installer)
{
    return JoinSignedInstaller(installer, SignDetached(signer, installer));
}

QByteArray DebianPackageBytes(const QByteArray& payload)
{
    auto member = [](const char* name, const QByteArray& data) {
        QByteArray header = QByteArray(name).leftJustified(16, ' ') + QByteArray("0").leftJustified(12, ' ') +
                            QByteArray("0").leftJustified(6, ' ') + QByteArray("0").leftJustified(6, ' ') +
                            QByteArray("100644").leftJustified(8, ' ') +
                            QByteArray::number(data.size()).leftJustified(10, ' ') + QByteArray("`\n");
        return header + data + (data.size() % 2 ? QByteArray("\n") : QByteArray());
    };
    return QByteArray("!<arch>\n") + member("debian-binary", "2.0\n") + member("data.tar", payload);
}

QByteArray SignedPackage(const QByteArray& installer)
{
    return SignedPackageBy(TestInstallerSigner(), installer);
}
