// HTTPS against a real TLS server on 127.0.0.1 (openssl s_server with a
// certificate made by the test): the client trusts a server only when its
// certificate chains to a trusted authority and names the host it talks to.
#include "update/OruInternetRequestSync.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <arpa/inet.h>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

sockaddr_in Loopback(quint16 port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A port on 127.0.0.1 that nothing listens on right now.
quint16 FreePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    quint16 port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

bool Accepts(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_in address = Loopback(port);
    const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

struct TlsCase
{
    const char* name;
    const char* subjectAltName; // what the server's certificate names
    bool trustCertificate;      // the certificate is the client's CA file
    bool succeeds;
};

class HttpsServerTest : public ::testing::TestWithParam<TlsCase>
{
protected:
    void TearDown() override
    {
        qunsetenv("PARCELO_CA_FILE");
        if (server) {
            server->kill();
            server->waitForFinished(2000);
        }
    }

    // A self-signed certificate for the given names, and its key.
    bool MakeCertificate(const QString& subjectAltName)
    {
        QProcess openssl;
        openssl.start(QStringLiteral("openssl"),
                      {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                       QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-days"),
                       QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=Parcelo test server"),
                       QStringLiteral("-addext"), QStringLiteral("subjectAltName=") + subjectAltName,
                       QStringLiteral("-keyout"), KeyPath(), QStringLiteral("-out"), CertificatePath()});
        return openssl.waitForFinished(30000) && openssl.exitStatus() == QProcess::NormalExit &&
               openssl.exitCode() == 0;
    }

    // Starts the server on a free port and waits until it accepts.
    bool StartServer()
    {
        port = FreePort();
        if (port == 0)
            return false;
        server = std::make_unique<QProcess>();
        server->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server->start(QStringLiteral("openssl"),
                      {QStringLiteral("s_server"), QStringLiteral("-accept"),
                       QStringLiteral("127.0.0.1:%1").arg(port), QStringLiteral("-cert"), CertificatePath(),
                       QStringLiteral("-key"), KeyPath(), QStringLiteral("-www"), QStringLiteral("-quiet")});
        if (!server->waitForStarted(5000))
            return false;
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 10000) {
            if (Accepts(port))
                return true;
            if (server->state() == QProcess::NotRunning)
                return false;
            QThread::msleep(50);
        }
        return false;
    }

    QString CertificatePath() const { return dir.filePath(QStringLiteral("server.pem")); }
    QString KeyPath() const { return dir.filePath(QStringLiteral("server.key")); }

    QTemporaryDir dir;
    std::unique_ptr<QProcess> server;
    quint16 port = 0;
};

TEST_P(HttpsServerTest, TrustsOnlyAVerifiedServer)
{
    const TlsCase& c = GetParam();
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(MakeCertificate(QString::fromUtf8(c.subjectAltName)));
    ASSERT_TRUE(StartServer());
    if (c.trustCertificate)
        qputenv("PARCELO_CA_FILE", QFile::encodeName(CertificatePath()));

    OruInternetRequestSync request(QStringLiteral("agent"));
    const bool ok = request.ExecuteRequest({}, {}, true, QStringLiteral("127.0.0.1:%1").arg(port),
                                           QStringLiteral("/"), QStringLiteral("GET"));
    EXPECT_EQ(ok, c.succeeds);
    if (c.succeeds) {
        // openssl's -www page describes the TLS session.
        EXPECT_TRUE(request.ResponseBody().contains("s_server")) << request.ResponseBody().left(200).constData();
    } else {
        EXPECT_NE(request.LastError(), 0);
        EXPECT_TRUE(request.ResponseBody().isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Certificates, HttpsServerTest,
    ::testing::Values(TlsCase{"Trusted", "IP:127.0.0.1", true, true},
                      TlsCase{"SelfSignedNotTrusted", "IP:127.0.0.1", false, false},
                      TlsCase{"TrustedButForAnotherHost", "DNS:update.example.com", true, false}),
    [](const ::testing::TestParamInfo<TlsCase>& info) { return std::string(info.param.name); });

} // namespace
