#include "TestHttpServer.h"
#include "UpdateTestEnv.h"
#include "common/TestNames.h"
#include "update/DownloadUpdateItem.h"
#include "update/InstallerSignature.h"
#include "update/UpdateData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

namespace {

const QString kProduct = QStringLiteral("Parcelo");

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::string MakeInstaller(char seed, int size)
{
    std::string bytes(static_cast<std::size_t>(size), '\0');
    for (int i = 0; i < size; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<char>(seed + i * 7 % 251);
    return bytes;
}

// A file server whose content, ETag and behaviour the test changes between
// attempts.
class DownloadFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ClearUpdateState();
        SetContent(SignedPackage(QByteArray::fromStdString(MakeInstaller('a', 100000))), "\"v1\"", "Mon, 01 Jan 2024");
        server = std::make_unique<TestHttpServer>([this](const TestHttpRequest& r) {
            std::lock_guard<std::mutex> lock(mutex);
            if (answer)
                return answer(r);
            return ServeFile(r, content, etag, modified);
        });
        ASSERT_TRUE(server->Start());
    }

    void TearDown() override
    {
        server->Stop();
        ClearUpdateState();
    }

    void SetContent(const QByteArray& package, const std::string& tag, const std::string& date)
    {
        std::lock_guard<std::mutex> lock(mutex);
        content = package.toStdString();
        etag = tag;
        modified = date;
    }

    void SetAnswer(std::function<TestHttpResponse(const TestHttpRequest&)> a)
    {
        std::lock_guard<std::mutex> lock(mutex);
        answer = std::move(a);
    }

    void Offer(const QString& address)
    {
        UpdateInfo info;
        info.status = 2;
        info.version = ModuleVersion{2, 0, 0, 0};
        info.downloadAddress = address;
        PrepareDownload(info, kProduct);
    }

    void Download()
    {
        DownloadUpdateItem item(kProduct, nullptr);
        item.Run();
    }

    // First attempt cut after `bytes` bytes.
    void InterruptedAttempt(std::size_t bytes)
    {
        SetAnswer([this, bytes](const TestHttpRequest& r) {
            TestHttpResponse response = ServeFile(r, content, etag, modified);
            response.sendOnly = bytes;
            return response;
        });
        Download();
        SetAnswer(nullptr);
    }

    QByteArray Content()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return QByteArray::fromStdString(content);
    }

    std::unique_ptr<TestHttpServer> server;
    std::mutex mutex;
    std::string content;
    std::string etag;
    std::string modified;
    std::function<TestHttpResponse(const TestHttpRequest&)> answer;
};

TEST_F(DownloadFixture, CompleteDownloadIsRenamedAndReady)
{
    Offer(server->Url("/Parcelo-Installer.deb"));
    Download();
    const QString complete = CompleteInstallerPath(kProduct);
    EXPECT_EQ(ReadAll(complete), Content());
    EXPECT_FALSE(QFileInfo::exists(PartialInstallerPath(kProduct)));
    EXPECT_EQ(UpdateSettingText(QStringLiteral("InstallerFile")), complete);
    EXPECT_EQ(UpdateSettingNumber(QStringLiteral("InstallerReady")), 1);
    EXPECT_TRUE(UpdateSettingText(QStringLiteral("InstallerURL")).isEmpty());
    EXPECT_EQ(UpdateSettingNumber(QStringLiteral("InstallerSize")), Content().size());
    EXPECT_TRUE(IsInstallerReady());
    const auto requests = server->Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Header("range"), "");
    EXPECT_EQ(requests[0].Header("user-agent"), "Talvane/AutoUpdate-2.0");
}

TEST_F(DownloadFixture, InterruptedDownloadResumesWithRange)
{
    Offer(server->Url("/Parcelo-Installer.deb"));
    InterruptedAttempt(40000);
    const QString partial = PartialInstallerPath(kProduct);
    EXPECT_EQ(QFileInfo(partial).size(), 40000);
    EXPECT_FALSE(UpdateSettingText(QStringLiteral("InstallerURL")).isEmpty());
    EXPECT_EQ(UpdateSettingNumber(QStringLiteral("InstallerReady")), 0);
    EXPECT_EQ(UpdateSettingText(QStringLiteral("InstallerETag")), QStringLiteral("\"v1\""));

    Download();
    EXPECT_EQ(ReadAll(CompleteInstallerPath(kProduct)), Content());
    EXPECT_TRUE(IsInstallerReady());
    const auto requests = server->Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].Header("range"), "bytes=40000-");
    EXPECT_EQ(requests[1].Header("if-range"), "\"v1\"");
}

// How the server answers the resumed request after a first attempt stopped
// at 40000 bytes.
struct ResumeCase
{
    const char* name;
    bool changeFile;
    std::function<TestHttpResponse(const TestHttpRequest&, const std::string&, const std::string&,
                                   const std::string&)>
        answer;
    std::size_t requests; // including the interrupted one
};

class DownloadResume : public DownloadFixture, public ::testing::WithParamInterface<ResumeCase>
{
};

TestHttpResponse PartialFrom(std::size_t start, const std::string& content, const std::string& etag,
                             const std::string& modified)
{
    TestHttpResponse response;
    response.status = 206;
    response.headers = {{"ETag", etag}, {"Last-Modified", modified}};
    response.headers.emplace_back("Content-Range", "bytes " + std::to_string(start) + "-" +
                                                       std::to_string(content.size() - 1) + "/" +
                                                       std::to_string(content.size()));
    response.body = content.substr(start);
    return response;
}

// A partial answer covering bytes start ... end (inclusive) of content.
TestHttpResponse PartialSlice(std::size_t start, std::size_t end, const std::string& content,
                              const std::string& etag, const std::string& modified)
{
    TestHttpResponse response = PartialFrom(start, content, etag, modified);
    response.headers.back().second = "bytes " + std::to_string(start) + "-" + std::to_string(end) + "/" +
                                     std::to_string(content.size());
    response.body = content.substr(start, end - start + 1);
    return response;
}

TEST_P(DownloadResume, EndsWithTheServersWholeFile)
{
    const ResumeCase& c = GetParam();
    Offer(server->Url("/Parcelo-Installer.deb"));
    InterruptedAttempt(40000);
    ASSERT_EQ(QFileInfo(PartialInstallerPath(kProduct)).size(), 40000);
    if (c.changeFile)
        SetContent(SignedPackage(QByteArray::fromStdString(MakeInstaller('k', 120000))), "\"v2\"", "Tue, 02 Jan 2024");
    SetAnswer([this, &c](const TestHttpRequest& r) { return c.answer(r, content, etag, modified); });
    Download();
    SetAnswer(nullptr);
    EXPECT_EQ(ReadAll(CompleteInstallerPath(kProduct)), Content());
    EXPECT_TRUE(IsInstallerReady());
    EXPECT_EQ(server->Requests().size(), c.requests);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, DownloadResume,
    ::testing::Values(
        ResumeCase{"ChangedFileHonoursIfRange", true,
                   [](const TestHttpRequest& r, const std::string& c, const std::string& e, const std::string& m) {
                       return ServeFile(r, c, e, m);
                   },
                   2},
        ResumeCase{"ChangedFileIgnoresIfRange", true,
                   [](const TestHttpRequest& r, const std::string& c, const std::string& e, const std::string& m) {
                       TestHttpRequest plain = r;
                       plain.headers.erase("if-range");
                       return ServeFile(plain, c, e, m);
                   },
                   3},
        ResumeCase{"RangeIgnoredWith200", false,
                   [](const TestHttpRequest& r, const std::string& c, const std::string& e, const std::string& m) {
                       return ServeFile(r, c, e, m, false);
                   },
                   2},
        ResumeCase{"PartialStartsPastOffset", false,
                   [](const TestHttpRequest& r, const std::string& c, const std::string& e, const std::string& m) {
                       if (!r.Header("range").empty())
                           return PartialFrom(40100, c, e, m);
                       return ServeFile(r, c, e, m);
                   },
                   3},
        ResumeCase{"PartialStartsBeforeOffset", false,
                   [](const TestHttpRequest& r, const std::string& c, const std::string& e, const std::string& m) {
                       if (!r.Header("range").empty())
                           return PartialFrom(39000, c, e, m);
                       return ServeFile(r, c, e, m);
                   },
                   3},
        // Only the first half of the file, from byte 0, although 40000 bytes are held.
        ResumeCase{"PartialStartsAtZero", false,
                   [](const TestHttpRequest& r, const std::string& c, const std::string& e, const std::string& m) {
                       if (!r.Header("range").empty())
                           return PartialSlice(0, c.size() / 2 - 1, c, e, m);
                       return ServeFile(r, c, e, m);
                   },
                   3},
        // A partial answer without a readable range.
        ResumeCase{"PartialWithoutRange", false,
                   [](const TestHttpRequest& r, const std::string& c, const std::string& e, const std::string& m) {
                       if (!r.Header("range").empty()) {
                           TestHttpResponse response = PartialFrom(40000, c, e, m);
                           response.headers.pop_back();
                           return response;
                       }
                       return ServeFile(r, c, e, m);
                   },
                   3}),
    [](const auto& info) { return std::string(info.param.name); });

// The validator a resumed request sends in If-Range: a weak entity tag never
// matches there (a server must then send the whole file), so only a strong
// one is used, else the Last-Modified date.
struct IfRangeCase
{
    const char* name;
    std::string etag;
    std::string modified;
    std::string expected; // the If-Range header sent; empty: none
};

class DownloadIfRange : public DownloadFixture, public ::testing::WithParamInterface<IfRangeCase>
{
};

TEST_P(DownloadIfRange, OnlyAStrongValidator)
{
    const IfRangeCase& c = GetParam();
    SetContent(Content(), c.etag, c.modified);
    Offer(server->Url("/Parcelo-Installer.msi"));
    InterruptedAttempt(40000);
    Download();
    EXPECT_TRUE(IsInstallerReady());
    const auto requests = server->Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].Header("range"), "bytes=40000-");
    EXPECT_EQ(requests[1].Header("if-range"), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Validators, DownloadIfRange,
    ::testing::Values(IfRangeCase{"StrongTag", "\"v1\"", "Mon, 01 Jan 2024 10:00:00 GMT", "\"v1\""},
                      IfRangeCase{"WeakTagUsesTheDate", "W/\"v1\"", "Mon, 01 Jan 2024 10:00:00 GMT",
                                  "Mon, 01 Jan 2024 10:00:00 GMT"},
                      IfRangeCase{"WeakTagWithoutDateSendsNone", "W/\"v1\"", "", ""},
                      IfRangeCase{"NoTagUsesTheDate", "", "Mon, 01 Jan 2024 10:00:00 GMT", "Mon, 01 Jan 2024 10:00:00 GMT"}),
    TestNames::ByName());

TEST_F(DownloadFixture, TruncatedBodyStaysPending)
{
    Offer(server->Url("/Parcelo-Installer.deb"));
    SetAnswer([this](const TestHttpRequest& r) {
        TestHttpResponse response = ServeFile(r, content, etag, modified);
        response.sendOnly = response.body.size() - 1;
        return response;
    });
    Download();
    EXPECT_FALSE(QFileInfo::exists(CompleteInstallerPath(kProduct)));
    EXPECT_EQ(QFileInfo(PartialInstallerPath(kProduct)).size(), Content().size() - 1);
    EXPECT_EQ(UpdateSettingNumber(QStringLiteral("InstallerReady")), 0);
    EXPECT_FALSE(UpdateSettingText(QStringLiteral("InstallerURL")).isEmpty());
    EXPECT_FALSE(IsInstallerReady());
}

// Answers that would make the partial file grow past what the download may
// hold: it never does, the attempt fails and the download stays pending.
struct BoundCase
{
    const char* name;
    std::uint64_t limit;     // largest package accepted; 0: the program's own
    std::size_t interruptAt; // a first attempt stopped here; 0: none
    std::function<TestHttpResponse(const TestHttpRequest&, const std::string&, const std::string&,
                                   const std::string&)>
        answer;
};

class DownloadBounded : public DownloadFixture, public ::testing::WithParamInterface<BoundCase>
{
};

TEST_P(DownloadBounded, NeverGrowsPastItsSize)
{
    const BoundCase& c = GetParam();
    Offer(server->Url("/Parcelo-Installer.deb"));
    if (c.interruptAt != 0)
        InterruptedAttempt(c.interruptAt);
    SetAnswer([this, &c](const TestHttpRequest& r) { return c.answer(r, content, etag, modified); });
    DownloadUpdateItem item(kProduct, nullptr);
    if (c.limit != 0)
        item.SetMaxPackageSize(c.limit);
    item.Run();
    SetAnswer(nullptr);
    const qint64 bound = c.limit != 0 ? qint64(c.limit) : Content().size();
    EXPECT_LE(QFileInfo(PartialInstallerPath(kProduct)).size(), bound);
    EXPECT_LE(UpdateSettingNumber(QStringLiteral("InstallerSize")), bound);
    EXPECT_FALSE(QFileInfo::exists(CompleteInstallerPath(kProduct)));
    EXPECT_FALSE(IsInstallerReady());
    EXPECT_FALSE(UpdateSettingText(QStringLiteral("InstallerURL")).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, DownloadBounded,
    ::testing::Values(
        BoundCase{"UnknownLengthStopsAtTheLimit", 50000, 0,
                  [](const TestHttpRequest& r, const std::string& c, const std::string& e, const std::string& m) {
                      TestHttpResponse response = ServeFile(r, c, e, m);
                      response.omitContentLength = true;
                      return response;
                  }},
        BoundCase{"AnnouncedSizeOverTheLimit", 50000, 0,
                  [](const TestHttpRequest& r, const std::string& c, const std::string& e, const std::string& m) {
                      return ServeFile(r, c, e, m);
                  }},
        // A resumed answer whose range ends at the file's end but whose body goes on.
        BoundCase{"BodyLongerThanItsRange", 0, 40000,
                  [](const TestHttpRequest& r, const std::string& c, const std::string& e, const std::string& m) {
                      TestHttpResponse response = ServeFile(r, c, e, m);
                      if (response.status == 206)
                          response.body += std::string(10000, 'x');
                      return response;
                  }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DownloadFixture, NotFoundKeepsPartialFile)
{
    Offer(server->Url("/Parcelo-Installer.deb"));
    InterruptedAttempt(1000);
    SetAnswer([](const TestHttpRequest&) {
        TestHttpResponse response;
        response.status = 404;
        response.body = "gone";
        return response;
    });
    Download();
    EXPECT_EQ(QFileInfo(PartialInstallerPath(kProduct)).size(), 1000);
    EXPECT_FALSE(UpdateSettingText(QStringLiteral("InstallerFile")).isEmpty());
}

struct BadPackageCase
{
    const char* name;
    std::function<QByteArray(const QByteArray& installer)> make;
};

class DownloadRejected : public DownloadFixture, public ::testing::WithParamInterface<BadPackageCase>
{
};

TEST_P(DownloadRejected, IsDeletedAndNeverReady)
{
    SetContent(GetParam().make(QByteArray::fromStdString(MakeInstaller('t', 5000))), "\"t\"", "Wed");
    Offer(server->Url("/Parcelo-Installer.deb"));
    Download();
    EXPECT_FALSE(QFileInfo::exists(CompleteInstallerPath(kProduct)));
    EXPECT_FALSE(QFileInfo::exists(PartialInstallerPath(kProduct)));
    EXPECT_TRUE(UpdateSettingText(QStringLiteral("InstallerFile")).isEmpty());
    EXPECT_EQ(UpdateSettingNumber(QStringLiteral("InstallerReady")), 0);
    EXPECT_EQ(UpdateSettingNumber(QStringLiteral("InstallerSize")), 0);
    // Fetching the address again would give the same file: the offer is
    // dropped, so the next check asks the server.
    EXPECT_TRUE(UpdateSettingText(QStringLiteral("InstallerURL")).isEmpty());
    EXPECT_TRUE(UpdateSettingText(QStringLiteral("InstallerVersion")).isEmpty());
    EXPECT_FALSE(PendingDownloadCanComplete());
    EXPECT_FALSE(IsInstallerReady());
}

INSTANTIATE_TEST_SUITE_P(
    Packages, DownloadRejected,
    ::testing::Values(BadPackageCase{"Tampered",
                                     [](const QByteArray& installer) {
                                         QByteArray package = SignedPackage(installer);
                                         package[10] = static_cast<char>(package[10] ^ 0x01);
                                         return package;
                                     }},
                      BadPackageCase{"OtherSigner",
                                     [](const QByteArray& installer) {
                                         static const TestSigner other = MakeTestSigner("Talvane Test Signing");
                                         return SignedPackageBy(other, installer);
                                     }},
                      BadPackageCase{"Unsigned", [](const QByteArray& installer) { return installer; }},
                      BadPackageCase{"GarbageSignature",
                                     [](const QByteArray& installer) {
                                         return JoinSignedInstaller(installer, QByteArray(300, 'g'));
                                     }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DownloadFixture, WholePartialFileCompletesWithoutRequest)
{
    Offer(server->Url("/Parcelo-Installer.deb"));
    const QByteArray package = Content();
    QFile partial(PartialInstallerPath(kProduct));
    ASSERT_TRUE(partial.open(QIODevice::WriteOnly));
    partial.write(package);
    partial.close();
    SetUpdateSetting(QStringLiteral("InstallerSize"), package.size());
    Download();
    EXPECT_TRUE(server->Requests().empty());
    EXPECT_TRUE(IsInstallerReady());
    EXPECT_EQ(ReadAll(CompleteInstallerPath(kProduct)), package);
}

// Download addresses that are not well-formed web addresses; "%1" stands
// for the test server's host.
struct RefusedAddressCase
{
    const char* name;
    const char* address;
};

class DownloadRefusedAddress : public DownloadFixture, public ::testing::WithParamInterface<RefusedAddressCase>
{
};

TEST_P(DownloadRefusedAddress, IsNeverFetched)
{
    Offer(QString::fromUtf8(GetParam().address).replace(QStringLiteral("%1"), server->Host()));
    Download();
    EXPECT_FALSE(QFileInfo::exists(PartialInstallerPath(kProduct)));
    EXPECT_FALSE(QFileInfo::exists(CompleteInstallerPath(kProduct)));
    EXPECT_TRUE(server->Requests().empty());
    // An offer that can never be fetched is not kept either.
    EXPECT_TRUE(UpdateSettingText(QStringLiteral("InstallerURL")).isEmpty());
    EXPECT_TRUE(UpdateSettingText(QStringLiteral("InstallerFile")).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Addresses, DownloadRefusedAddress,
                         ::testing::Values(RefusedAddressCase{"FileWithoutHost", "file:///etc/passwd"},
                                           RefusedAddressCase{"FileOnTheServer", "file://%1/Parcelo-Installer.deb"},
                                           RefusedAddressCase{"Ftp", "ftp://%1/Parcelo-Installer.deb"},
                                           RefusedAddressCase{"SpaceInPath", "http://%1/Parcelo Installer.msi"},
                                           RefusedAddressCase{"LineBreakInPath", "http://%1/x.msi\r\nX-Extra: 1"},
                                           RefusedAddressCase{"NoHost", "http:///Parcelo-Installer.deb"},
                                           // Would be fetched over plain HTTP: the secure scheme
                                           // is recognised only in lower case.
                                           RefusedAddressCase{"UpperCaseHttps", "HTTPS://%1/Parcelo-Installer.deb"}),
                         TestNames::ByName());

TEST_F(DownloadFixture, SameOfferKeepsPendingDownloadOtherOfferStartsOver)
{
    Offer(server->Url("/Parcelo-Installer.deb"));
    InterruptedAttempt(30000);
    Offer(server->Url("/Parcelo-Installer.deb"));
    EXPECT_EQ(QFileInfo(PartialInstallerPath(kProduct)).size(), 30000);
    EXPECT_EQ(UpdateSettingText(QStringLiteral("InstallerETag")), QStringLiteral("\"v1\""));
    Offer(server->Url("/Other-Installer.deb"));
    EXPECT_FALSE(QFileInfo::exists(PartialInstallerPath(kProduct)));
    EXPECT_EQ(UpdateSettingText(QStringLiteral("InstallerFile")), PartialInstallerPath(kProduct));
    EXPECT_EQ(UpdateSettingNumber(QStringLiteral("InstallerSize")), 0);
}

TEST_F(DownloadFixture, NewOfferAfterCompletedOneDownloadsIntoPartialName)
{
    Offer(server->Url("/Parcelo-Installer.deb"));
    Download();
    ASSERT_TRUE(IsInstallerReady());
    UpdateInfo next;
    next.status = 2;
    next.version = ModuleVersion{3, 0, 0, 0};
    next.downloadAddress = server->Url("/v3.msi");
    PrepareDownload(next, kProduct);
    EXPECT_EQ(UpdateSettingText(QStringLiteral("InstallerFile")), PartialInstallerPath(kProduct));
    EXPECT_FALSE(QFileInfo::exists(CompleteInstallerPath(kProduct)));
    Download();
    EXPECT_EQ(ReadAll(CompleteInstallerPath(kProduct)), Content());
    EXPECT_TRUE(IsInstallerReady());
}

TEST_F(DownloadFixture, CancelEndsStalledTransferAndKeepsPartial)
{
    Offer(server->Url("/Parcelo-Installer.deb"));
    SetAnswer([this](const TestHttpRequest& r) {
        TestHttpResponse response = ServeFile(r, content, etag, modified);
        response.sendOnly = 20000;
        response.stall = true;
        return response;
    });
    DownloadUpdateItem item(kProduct, nullptr);
    std::thread worker([&] { item.Run(); });
    const QString partial = PartialInstallerPath(kProduct);
    for (int i = 0; i < 500 && QFileInfo(partial).size() < 20000; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    item.Cancel();
    worker.join();
    EXPECT_EQ(QFileInfo(partial).size(), 20000);
    EXPECT_FALSE(QFileInfo::exists(CompleteInstallerPath(kProduct)));
}

class InstallerRunTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ClearUpdateState();
        folder = TestRoot() + QStringLiteral("/run-") + QString::fromLatin1(
                     ::testing::UnitTest::GetInstance()->current_test_info()->name());
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        const QString script = folder + QStringLiteral("/record.sh");
        QFile file(script);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        // Records its arguments and a copy of the file it was given.
        file.write("out=\"$1\"; shift\n"
                   "cp \"$1\" \"$out.bin\"\n"
                   "stat -c %a \"$(dirname \"$1\")\" > \"$out.mode\"\n"
                   "printf '%s\\n' \"$@\" > \"$out.tmp\" && mv \"$out.tmp\" \"$out\"\n");
        file.close();
        record = folder + QStringLiteral("/args.txt");
        qputenv("PARCELO_INSTALLER_COMMAND", ("/bin/sh " + script + " " + record).toUtf8());
    }
    void TearDown() override
    {
        qunsetenv("PARCELO_INSTALLER_COMMAND");
        ClearUpdateState();
    }

    QString WritePackage(const QByteArray& package)
    {
        const QString path = folder + QStringLiteral("/Parcelo-Installer.deb");
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(package);
        return path;
    }

    bool WaitForRecord()
    {
        for (int i = 0; i < 1000 && !QFileInfo::exists(record); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return QFileInfo::exists(record);
    }

    QString folder;
    QString record;
};

TEST_F(InstallerRunTest, HandsTheVerifiedPackageFromAPrivateFolderToTheInstaller)
{
    const QByteArray installer = DebianPackageBytes(QByteArray::fromStdString(MakeInstaller('r', 3000)));
    SetUpdateSetting(QStringLiteral("InstallerFile"), WritePackage(SignedPackage(installer)));
    ASSERT_TRUE(RunInstaller(QString()));
    ASSERT_TRUE(WaitForRecord());
    // The package is the installer command's only argument, named .deb so
    // that the desktop hands it to its package installer.
    const QStringList args = QString::fromUtf8(ReadAll(record)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(args.size(), 1);
    EXPECT_NE(args[0], folder + QStringLiteral("/Parcelo-Installer.deb"));
    EXPECT_TRUE(args[0].endsWith(QStringLiteral("/Parcelo-Installer.deb")));
    // Exactly the verified installer bytes, from a folder only we can use.
    EXPECT_EQ(ReadAll(record + QStringLiteral(".bin")), installer);
    EXPECT_EQ(ReadAll(record + QStringLiteral(".mode")).trimmed(), QByteArray("700"));
    QDir(QFileInfo(args[0]).absolutePath()).removeRecursively();
}

TEST_F(InstallerRunTest, RefusesAVerifiedPackageThatIsNotADebianPackage)
{
    SetUpdateSetting(QStringLiteral("InstallerFile"),
                     WritePackage(SignedPackage(QByteArray::fromStdString(MakeInstaller('r', 3000)))));
    EXPECT_FALSE(RunInstaller(QString()));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(QFileInfo::exists(record));
}

// Once the installer has started, the override is cleared: later checks ask
// the server rather than offer the installed package again.
TEST_F(InstallerRunTest, StartedInstallerClearsTheOverride)
{
    SetUpdateSetting(QStringLiteral("InstallerFile"),
                     WritePackage(SignedPackage(DebianPackageBytes(QByteArray::fromStdString(MakeInstaller('o', 2000))))));
    SetUpdateSetting(QStringLiteral("InstallerOverride"), 1);
    ASSERT_TRUE(RunInstaller(QString()));
    ASSERT_TRUE(WaitForRecord());
    EXPECT_EQ(UpdateSettingNumber(QStringLiteral("InstallerOverride")), 0);
    const QStringList args = QString::fromUtf8(ReadAll(record)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(args.size(), 1);
    QDir(QFileInfo(args[0]).absolutePath()).removeRecursively();
}

// Each start leaves its installer a private copy; the next start removes the
// copies earlier ones left, and nothing else.
TEST_F(InstallerRunTest, NextStartRemovesEarlierCopies)
{
    struct TmpDirFor
    {
        bool had = qEnvironmentVariableIsSet("TMPDIR");
        QByteArray old = qgetenv("TMPDIR");
        explicit TmpDirFor(const QString& path) { qputenv("TMPDIR", path.toLocal8Bit()); }
        ~TmpDirFor() { had ? void(qputenv("TMPDIR", old)) : void(qunsetenv("TMPDIR")); }
    } tmp(folder);
    const QString unrelated = folder + QStringLiteral("/parcelo-installed-notes");
    ASSERT_TRUE(QDir().mkpath(unrelated));
    SetUpdateSetting(QStringLiteral("InstallerFile"),
                     WritePackage(SignedPackage(DebianPackageBytes(QByteArray::fromStdString(MakeInstaller('c', 2000))))));
    QStringList copies;
    for (int start = 0; start < 3; ++start) {
        QFile::remove(record);
        ASSERT_TRUE(RunInstaller(QString()));
        ASSERT_TRUE(WaitForRecord());
        const QStringList args = QString::fromUtf8(ReadAll(record)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_EQ(args.size(), 1);
        copies << QFileInfo(args[0]).absolutePath();
    }
    EXPECT_FALSE(QFileInfo::exists(copies[0]));
    EXPECT_FALSE(QFileInfo::exists(copies[1]));
    EXPECT_TRUE(QFileInfo::exists(copies[2]));
    EXPECT_TRUE(copies[2].startsWith(QDir(folder).canonicalPath() + QStringLiteral("/parcelo-installer-")));
    EXPECT_TRUE(QFileInfo::exists(unrelated));
    QDir(copies[2]).removeRecursively();
}

TEST_F(InstallerRunTest, RefusesUnverifiedOrMissingFile)
{
    QByteArray package = SignedPackage(DebianPackageBytes(QByteArray::fromStdString(MakeInstaller('r', 3000))));
    package[0] = static_cast<char>(package[0] ^ 0x20);
    EXPECT_FALSE(RunInstaller(WritePackage(package)));
    EXPECT_FALSE(RunInstaller(QString())); // no "InstallerFile"
    EXPECT_FALSE(RunInstaller(folder + QStringLiteral("/missing.deb")));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(QFileInfo::exists(record));
}

} // namespace
