// HTTPS against a real TLS server on 127.0.0.1 (openssl s_server with a
// certificate made by the test): the client trusts a server only when its
// certificate chains to a trusted authority and names the host it talks to.
#include "TestHttpServer.h"
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

// An openssl s_server on a free port of 127.0.0.1 with a self-signed
// certificate made for the test; stopped when destroyed.
class TlsServer
{
public:
    ~TlsServer()
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

    // Starts the server on a free port and waits until it accepts. mode is
    // "-www" (a page describing the session) or "-HTTP" (files of the
    // folder, each a complete HTTP response).
    bool Start(const QString& mode = QStringLiteral("-www"))
    {
        port = FreePort();
        if (port == 0)
            return false;
        server = std::make_unique<QProcess>();
        server->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server->setWorkingDirectory(dir.path());
        server->start(QStringLiteral("openssl"),
                      {QStringLiteral("s_server"), QStringLiteral("-accept"),
                       QStringLiteral("127.0.0.1:%1").arg(port), QStringLiteral("-cert"), CertificatePath(),
                       QStringLiteral("-key"), KeyPath(), mode, QStringLiteral("-quiet")});
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

    void Trust() { qputenv("PARCELO_CA_FILE", QFile::encodeName(CertificatePath())); }
    QString Host() const { return QStringLiteral("127.0.0.1:%1").arg(port); }
    QString CertificatePath() const { return dir.filePath(QStringLiteral("server.pem")); }
    QString KeyPath() const { return dir.filePath(QStringLiteral("server.key")); }

    QTemporaryDir dir;
    std::unique_ptr<QProcess> server;
    quint16 port = 0;
};

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
    TlsServer tls;
};

TEST_P(HttpsServerTest, TrustsOnlyAVerifiedServer)
{
    const TlsCase& c = GetParam();
    ASSERT_TRUE(tls.dir.isValid());
    ASSERT_TRUE(tls.MakeCertificate(QString::fromUtf8(c.subjectAltName)));
    ASSERT_TRUE(tls.Start());
    if (c.trustCertificate)
        tls.Trust();

    OruInternetRequestSync request(QStringLiteral("agent"));
    const bool ok = request.ExecuteRequest({}, {}, true, tls.Host(), QStringLiteral("/"), QStringLiteral("GET"));
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

// Where a trusted HTTPS server redirects a request: "%h" stands for the
// plain HTTP server's host, "%s" for the HTTPS server's own.
struct RedirectCase
{
    const char* name;
    const char* location;
    bool succeeds;
};

class HttpsRedirectTest : public ::testing::TestWithParam<RedirectCase>
{
protected:
    TlsServer tls;
};

// A redirect never takes a secure request to plain HTTP, where the answer
// could be read or replaced on the way.
TEST_P(HttpsRedirectTest, NeverDowngradesToPlainHttp)
{
    const RedirectCase& c = GetParam();
    TestHttpServer plain([](const TestHttpRequest&) {
        TestHttpResponse response;
        response.body = "plain answer";
        return response;
    });
    ASSERT_TRUE(plain.Start());
    ASSERT_TRUE(tls.dir.isValid());
    ASSERT_TRUE(tls.MakeCertificate(QStringLiteral("IP:127.0.0.1")));
    ASSERT_TRUE(tls.Start(QStringLiteral("-HTTP")));
    tls.Trust();
    const QString location =
        QString::fromUtf8(c.location).replace(QStringLiteral("%h"), plain.Host()).replace(QStringLiteral("%s"), tls.Host());
    auto write = [&](const QString& name, const QByteArray& response) {
        QFile file(tls.dir.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(response) == response.size();
    };
    ASSERT_TRUE(write(QStringLiteral("moved"), "HTTP/1.0 302 Found\r\nLocation: " + location.toUtf8() +
                                                   "\r\nContent-Length: 0\r\n\r\n"));
    ASSERT_TRUE(write(QStringLiteral("target"),
                      "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 13\r\n\r\nsecure answer"));

    OruInternetRequestSync request(QStringLiteral("agent"));
    const bool ok = request.ExecuteRequest({}, {}, true, tls.Host(), QStringLiteral("/moved"), QStringLiteral("GET"));
    EXPECT_EQ(ok, c.succeeds);
    EXPECT_TRUE(plain.Requests().empty());
    if (c.succeeds)
        EXPECT_EQ(request.ResponseBody(), QByteArray("secure answer"));
    else
        EXPECT_TRUE(request.ResponseBody().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Locations, HttpsRedirectTest,
    ::testing::Values(RedirectCase{"ToHttpsIsFollowed", "https://%s/target", true},
                      RedirectCase{"ToHttpIsRefused", "http://%h/target", false},
                      RedirectCase{"ToUpperCaseHttpIsRefused", "HTTP://%h/target", false}),
    [](const ::testing::TestParamInfo<RedirectCase>& info) { return std::string(info.param.name); });

} // namespace
