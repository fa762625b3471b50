#include "TestHttpServer.h"
#include "UpdateTestEnv.h"
#include "common/TestNames.h"
#include "session/SessionUser.h"
#include "ui/CUpdateNotifyDlg.h"
#include "update/DownloadUpdateItem.h"
#include "update/InstallerSignature.h"
#include "update/UpdateCheck.h"
#include "ui/CheckForUpdates.h"
#include "update/UpdateData.h"
#include "ui/CNewProgressDlg.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>

namespace {

const char kReplyType[] = "application/x-talvane-auto-update-reply";

struct OfferSeen
{
    QString caption, action, cancel, moreInfo, versionText;
    QStringList features;
    int visibleFeatures = 0;
    int visibleBullets = 0;
};

class UpdateFlow : public ::testing::Test
{
public:
    void SetUp() override
    {
        ClearUpdateState();
        installer = SignedPackage(DebianPackageBytes(QByteArray(150000, 'I')));
        server = std::make_unique<TestHttpServer>([this](const TestHttpRequest& r) { return Answer(r); });
        ASSERT_TRUE(server->Start());
        qputenv("PARCELO_UPDATE_HOST", server->Host().toUtf8());
        qputenv("PARCELO_INSTALLER_COMMAND", "/bin/true");
        previousMessages = SetMessageHandler([this](const MessageRequest& m) {
            messages << m.text;
            icons << m.icon;
            return Prompt::Ok;
        });
        previousOpener = SetUpdateUrlOpener([this](const QUrl& url) {
            opened << url.toString();
            return true;
        });
        previousQuit = SetUpdateQuitHandler([this](QWidget* w) { quitOwners << w; });
        previousHook = CUpdateNotifyDlg::SetAnswerHook([this](CUpdateNotifyDlg& dlg) {
            OfferSeen seen;
            seen.caption = dlg.windowTitle();
            seen.action = dlg.ActionButton()->text();
            seen.cancel = dlg.CancelButton()->text();
            seen.moreInfo = dlg.MoreInfoButton()->text();
            seen.versionText = dlg.VersionLabel()->text();
            for (int i = 0; i < 3; ++i) {
                seen.features << dlg.FeatureLabel(i)->text();
                seen.visibleFeatures += dlg.FeatureLabel(i)->isHidden() ? 0 : 1;
                seen.visibleBullets += dlg.BulletLabel(i)->isHidden() ? 0 : 1;
                EXPECT_EQ(dlg.FeatureLabel(i)->textFormat(), Qt::PlainText);
            }
            offers << seen;
            if (pressMoreInfo)
                dlg.OnMoreInformation();
            return acceptOffer ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
    }

    void TearDown() override
    {
        server->Stop();
        SetMessageHandler(previousMessages);
        SetUpdateUrlOpener(previousOpener);
        SetUpdateQuitHandler(previousQuit);
        CUpdateNotifyDlg::SetAnswerHook(previousHook);
        qputenv("PARCELO_UPDATE_HOST", "127.0.0.1:9");
        qunsetenv("PARCELO_INSTALLER_COMMAND");
        ClearUpdateState();
    }

    TestHttpResponse Answer(const TestHttpRequest& r)
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (r.method == "POST") {
            QByteArray plain;
            const QByteArray envelope = QByteArray::fromHex(QByteArray::fromStdString(r.body));
            if (OpenEnvelope(SharedTestRsaKey(), envelope, plain))
                requests << plain;
            if (checkAnswer)
                return checkAnswer(r);
            TestHttpResponse response;
            response.headers.emplace_back("Content-Type", kReplyType);
            response.body = reply.toStdString();
            return response;
        }
        if (fileAnswer)
            return fileAnswer(r);
        return ServeFile(r, installer.toStdString(), "\"i1\"", "Thu, 04 Jan 2024");
    }

    void SetReply(const ReplyDesign& replyDesign)
    {
        std::lock_guard<std::mutex> lock(mutex);
        reply = ReplyHex(replyDesign);
    }

    ReplyDesign DownloadOffer()
    {
        ReplyDesign replyDesign;
        replyDesign.status = 2;
        replyDesign.download = server->Url("/Parcelo-Installer.deb").toUtf8();
        replyDesign.information = "https://www.talvane.com/parcelo/news";
        replyDesign.features = {"Faster splitting"};
        return replyDesign;
    }

    // Presses Cancel in the progress dialog once ready() holds (bounded).
    void CancelWhen(std::function<bool()> ready)
    {
        auto* timer = new QTimer(&owner);
        auto attempts = std::make_shared<int>(0);
        QObject::connect(timer, &QTimer::timeout, timer, [timer, ready, attempts] {
            if (++*attempts > 1000) {
                timer->deleteLater();
                return;
            }
            auto* dlg = qobject_cast<CNewProgressDlg*>(QApplication::activeModalWidget());
            if (dlg && ready()) {
                dlg->OnCancel();
                timer->stop();
                timer->deleteLater();
            }
        });
        timer->start(10);
    }

    int GetCount()
    {
        int count = 0;
        for (const auto& r : server->Requests())
            count += r.method == "GET" ? 1 : 0;
        return count;
    }

    QWidget owner;
    std::unique_ptr<TestHttpServer> server;
    std::mutex mutex;
    QByteArray reply;
    QByteArray installer;
    QList<QByteArray> requests; // opened envelopes
    std::function<TestHttpResponse(const TestHttpRequest&)> checkAnswer;
    std::function<TestHttpResponse(const TestHttpRequest&)> fileAnswer;
    bool acceptOffer = false;
    bool pressMoreInfo = false;

    QStringList messages;
    QList<Prompt::Icon> icons;
    QStringList opened;
    QList<QWidget*> quitOwners;
    QList<OfferSeen> offers;
    MessageHandler previousMessages;
    UpdateUrlOpener previousOpener;
    UpdateQuitHandler previousQuit;
    CUpdateNotifyDlg::AnswerHook previousHook;
};

TEST_F(UpdateFlow, NoUpdateSaysSoAndRemembersTheCheck)
{
    ReplyDesign none;
    none.status = 0;
    SetReply(none);
    CheckForUpdates(&owner);
    EXPECT_EQ(messages, QStringList{QStringLiteral("No updates found")});
    EXPECT_EQ(icons.value(0), Prompt::Information);
    EXPECT_TRUE(offers.isEmpty());
    EXPECT_GT(ReadLastChecked(), 0);

    const auto sent = server->Requests();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].path, "/check-for-update.php");
    EXPECT_EQ(sent[0].Header("content-type"), "application/x-talvane-auto-update-request");
    EXPECT_EQ(sent[0].Header("user-agent"), "Talvane/AutoUpdate-2.0");
    // The sealed text is upper-case hex and opens to the 24-byte request.
    EXPECT_EQ(QByteArray::fromStdString(sent[0].body), QByteArray::fromStdString(sent[0].body).toUpper());
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0], BuildUpdateRequest());
}

struct BadCheckCase
{
    const char* name;
    std::function<TestHttpResponse()> answer;
};

class UpdateFlowBadReply : public UpdateFlow, public ::testing::WithParamInterface<BadCheckCase>
{
};

TestHttpResponse ReplyWith(const std::string& type, const QByteArray& body, int status = 200)
{
    TestHttpResponse response;
    response.status = status;
    response.headers.emplace_back("Content-Type", type);
    response.body = body.toStdString();
    return response;
}

ReplyDesign OfferWithFeatureCount(std::uint32_t count)
{
    ReplyDesign replyDesign;
    replyDesign.download = "http://127.0.0.1/x.msi";
    replyDesign.features = {"a"};
    (void)count;
    return replyDesign;
}

QByteArray LyingFeatureCount()
{
    QByteArray bytes = ReplyBytes(OfferWithFeatureCount(1));
    // feature count sits before the last string (4 + 1 bytes)
    const qsizetype at = bytes.size() - 5 - 4;
    bytes[at] = '\x40';
    bytes[at + 1] = '\x42';
    bytes[at + 2] = '\x0F';
    bytes[at + 3] = '\0';
    return bytes.toHex().toUpper();
}

TEST_P(UpdateFlowBadReply, ReportsNoUpdates)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        const auto make = GetParam().answer;
        checkAnswer = [make](const TestHttpRequest&) { return make(); };
    }
    CheckForUpdates(&owner);
    EXPECT_EQ(messages, QStringList{QStringLiteral("No updates found")});
    EXPECT_TRUE(offers.isEmpty());
    EXPECT_EQ(ReadLastChecked(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, UpdateFlowBadReply,
    ::testing::Values(
        BadCheckCase{"ContentTypeCaseDiffers",
                     [] { return ReplyWith("Application/x-talvane-auto-update-reply", "00000000"); }},
        BadCheckCase{"NotHex", [] { return ReplyWith(kReplyType, "zz000000"); }},
        BadCheckCase{"Oversized", [] { return ReplyWith(kReplyType, QByteArray(70 * 1024, '0')); }},
        BadCheckCase{"FeatureCountPastEnd", [] { return ReplyWith(kReplyType, LyingFeatureCount()); }},
        BadCheckCase{"Truncated",
                     [] {
                         TestHttpResponse r = ReplyWith(kReplyType, "0000000000");
                         r.sendOnly = 4;
                         return r;
                     }},
        BadCheckCase{"ServerError", [] { return ReplyWith(kReplyType, "00000000", 500); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpdateFlow, PurchaseOfferOpensPurchasePage)
{
    ReplyDesign replyDesign;
    replyDesign.status = 3;
    replyDesign.version[0] = 4;
    replyDesign.version[1] = 2;
    replyDesign.download = "https://www.talvane.com/buy?p=parcelo";
    replyDesign.information = "https://www.talvane.com/parcelo";
    replyDesign.features = {"One", "Two"};
    SetReply(replyDesign);
    acceptOffer = true;
    CheckForUpdates(&owner);
    ASSERT_EQ(offers.size(), 1);
    EXPECT_EQ(offers[0].caption, QStringLiteral("A New Parcelo Update is Available"));
    EXPECT_EQ(offers[0].action, QStringLiteral("&Purchase Update"));
    EXPECT_EQ(offers[0].cancel, QStringLiteral("Close"));
    EXPECT_EQ(offers[0].versionText, QStringLiteral("Version 4.2.0.0 of Parcelo is available for download!"));
    EXPECT_EQ(offers[0].visibleFeatures, 2);
    EXPECT_EQ(offers[0].visibleBullets, 2);
    EXPECT_EQ(opened, QStringList{QStringLiteral("https://www.talvane.com/buy?p=parcelo")});
    EXPECT_EQ(UpdateSettingText(QStringLiteral("LastNotifiedVersion")), QStringLiteral("4.2.0.0"));
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(GetCount(), 0);
}

struct AddressCase
{
    const char* name;
    const char* address;
    bool opens;
};

class UpdateFlowAddress : public UpdateFlow, public ::testing::WithParamInterface<AddressCase>
{
};

TEST_P(UpdateFlowAddress, OnlyWebAddressesAreOpened)
{
    ReplyDesign replyDesign;
    replyDesign.status = 3;
    replyDesign.download = GetParam().address;
    replyDesign.information = GetParam().address;
    SetReply(replyDesign);
    acceptOffer = true;
    pressMoreInfo = true;
    CheckForUpdates(&owner);
    ASSERT_EQ(offers.size(), 1);
    EXPECT_EQ(opened.size(), GetParam().opens ? 2 : 0);
}

INSTANTIATE_TEST_SUITE_P(Addresses, UpdateFlowAddress,
                         ::testing::Values(AddressCase{"File", "file:///etc/passwd", false},
                                           AddressCase{"JavaScript", "javascript:alert(1)", false},
                                           AddressCase{"LocalProgram", "/usr/bin/xterm", false},
                                           AddressCase{"HttpWithoutHost", "http://", false},
                                           AddressCase{"SpaceInHost", "http://exa mple.com/", false},
                                           AddressCase{"SmbShare", "smb://server/share", false},
                                           AddressCase{"UpperCaseHttps", "HTTPS://www.talvane.com/a", true},
                                           AddressCase{"HttpWithPort", "http://127.0.0.1:8080/x", true}),
                         TestNames::ByName());

TEST_F(UpdateFlow, FeatureLinesShowAtMostThree)
{
    ReplyDesign replyDesign = DownloadOffer();
    replyDesign.features = {"1", "2", "3", "4", "5"};
    SetReply(replyDesign);
    CheckForUpdates(&owner);
    ASSERT_EQ(offers.size(), 1);
    EXPECT_EQ(offers[0].features, (QStringList{"1", "2", "3"}));
    EXPECT_EQ(offers[0].visibleFeatures, 3);
    EXPECT_EQ(offers[0].action, QStringLiteral("&Download"));
    EXPECT_EQ(offers[0].cancel, QStringLiteral("Ignore"));
    EXPECT_EQ(offers[0].moreInfo, QStringLiteral("&More Information..."));
}

TEST_F(UpdateFlow, ServerTextIsNotRichTextOrFormat)
{
    ReplyDesign replyDesign = DownloadOffer();
    replyDesign.features = {"<b>%s%n<version></b>", QByteArray(), "third"};
    SetReply(replyDesign);
    CheckForUpdates(&owner);
    ASSERT_EQ(offers.size(), 1);
    EXPECT_EQ(offers[0].features[0], QStringLiteral("<b>%s%n<version></b>"));
    EXPECT_EQ(offers[0].visibleFeatures, 2); // the empty one hides its slot
    EXPECT_EQ(offers[0].visibleBullets, 2);
}

TEST_F(UpdateFlow, DeclinedOfferIsRememberedAndNotDownloaded)
{
    SetReply(DownloadOffer());
    CheckForUpdates(&owner);
    ASSERT_EQ(offers.size(), 1);
    EXPECT_EQ(UpdateSettingText(QStringLiteral("LastNotifiedVersion")), QStringLiteral("2.5.0.0"));
    EXPECT_TRUE(UpdateSettingText(QStringLiteral("InstallerURL")).isEmpty());
    EXPECT_EQ(GetCount(), 0);
}

TEST_F(UpdateFlow, OverrideOffersPendingDownloadWithoutAsking)
{
    SetUpdateSetting(QStringLiteral("InstallerURL"), server->Url("/Parcelo-Installer.msi"));
    SetUpdateSetting(QStringLiteral("InstallerFile"), PartialInstallerPath(QStringLiteral("Parcelo")));
    SetUpdateSetting(QStringLiteral("InstallerOverride"), 1);
    CheckForUpdates(&owner);
    EXPECT_TRUE(server->Requests().empty());
    ASSERT_EQ(offers.size(), 1);
    EXPECT_EQ(offers[0].versionText, QStringLiteral("Version 0.0.0.0 of Parcelo is available for download!"));
    EXPECT_EQ(offers[0].action, QStringLiteral("&Download"));
    EXPECT_EQ(offers[0].cancel, QStringLiteral("Ignore"));
    EXPECT_EQ(offers[0].visibleFeatures, 0);
}

TEST_F(UpdateFlow, InterruptedDownloadResumesVerifiesInstallsAndQuits)
{
    SetReply(DownloadOffer());
    acceptOffer = true;
    {
        std::lock_guard<std::mutex> lock(mutex);
        fileAnswer = [this](const TestHttpRequest& r) {
            TestHttpResponse response = ServeFile(r, installer.toStdString(), "\"i1\"", "Thu, 04 Jan 2024");
            response.sendOnly = 60000;
            return response;
        };
    }
    CheckForUpdates(&owner);
    EXPECT_TRUE(quitOwners.isEmpty());
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(QFileInfo(PartialInstallerPath(QStringLiteral("Parcelo"))).size(), 60000);

    {
        std::lock_guard<std::mutex> lock(mutex);
        fileAnswer = nullptr;
    }
    CheckForUpdates(&owner);
    ASSERT_EQ(offers.size(), 2);
    const auto sent = server->Requests();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[3].Header("range"), "bytes=60000-");
    EXPECT_TRUE(IsInstallerReady());
    EXPECT_EQ(quitOwners, QList<QWidget*>{&owner});
    EXPECT_TRUE(UpdateSettingText(QStringLiteral("InstallerURL")).isEmpty());
}

TEST_F(UpdateFlow, StartedInstallerQuitsByClosingTheMainWindow)
{
    // Without a hook the program ends the way closing its window ends it, so
    // the normal shut-down runs; the window closes once the command returned.
    SetUpdateQuitHandler({});
    const bool quitOnClose = QApplication::quitOnLastWindowClosed();
    QApplication::setQuitOnLastWindowClosed(false);
    QWidget mainWindow;
    auto* child = new QWidget(&mainWindow);
    int closes = 0;
    struct CloseCounter : QObject
    {
        int* count;
        explicit CloseCounter(int* c) : count(c) {}
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Close)
                ++*count;
            return false;
        }
    } counter(&closes);
    mainWindow.installEventFilter(&counter);
    mainWindow.show();

    SetReply(DownloadOffer());
    acceptOffer = true;
    CheckForUpdates(child);
    EXPECT_TRUE(IsInstallerReady());
    EXPECT_TRUE(mainWindow.isVisible());
    EXPECT_EQ(closes, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(mainWindow.isVisible());
    mainWindow.removeEventFilter(&counter);
    QApplication::setQuitOnLastWindowClosed(quitOnClose);
}

TEST_F(UpdateFlow, PendingDownloadIsOfferedAgainWhenServerHasNothingNewer)
{
    SetUpdateSetting(QStringLiteral("InstallerURL"), server->Url("/Parcelo-Installer.deb"));
    SetUpdateSetting(QStringLiteral("InstallerFile"), PartialInstallerPath(QStringLiteral("Parcelo")));
    ReplyDesign none;
    none.status = 0;
    SetReply(none);
    acceptOffer = true;
    CheckForUpdates(&owner);
    ASSERT_EQ(offers.size(), 1);
    EXPECT_EQ(offers[0].versionText, QStringLiteral("Version 0.0.0.0 of Parcelo is available for download!"));
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_TRUE(IsInstallerReady());
    EXPECT_EQ(quitOwners.size(), 1);
}

TEST_F(UpdateFlow, TamperedInstallerIsNeverStarted)
{
    installer[20] = static_cast<char>(installer[20] ^ 0x10);
    SetReply(DownloadOffer());
    acceptOffer = true;
    CheckForUpdates(&owner);
    EXPECT_TRUE(quitOwners.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(CompleteInstallerPath(QStringLiteral("Parcelo"))));
    EXPECT_FALSE(IsInstallerReady());
}

// A stored offer that can never complete: left in place, every later check
// would offer "Version 0.0.0.0" with a Download that does nothing. It is
// dropped, and the next check shows what the server answers.
struct DeadOfferCase
{
    const char* name;
    std::function<void(UpdateFlow&)> prepare;
};

class UpdateFlowDeadOffer : public UpdateFlow, public ::testing::WithParamInterface<DeadOfferCase>
{
public:
    // The first check offers a download, which is accepted and fetched as
    // the file server answers.
    void FailedDownload(std::function<TestHttpResponse(const TestHttpRequest&)> answer)
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            fileAnswer = std::move(answer);
        }
        SetReply(DownloadOffer());
        acceptOffer = true;
        CheckForUpdates(&owner);
        ASSERT_EQ(offers.size(), 1);
        EXPECT_TRUE(quitOwners.isEmpty());
        offers.clear();
        std::lock_guard<std::mutex> lock(mutex);
        fileAnswer = nullptr;
    }
    void Pending(const QString& address)
    {
        SetUpdateSetting(QStringLiteral("InstallerURL"), address);
        SetUpdateSetting(QStringLiteral("InstallerFile"), PartialInstallerPath(QStringLiteral("Parcelo")));
        SetUpdateSetting(QStringLiteral("InstallerVersion"), QStringLiteral("2.5.0.0"));
    }
};

TEST_P(UpdateFlowDeadOffer, IsDroppedAndTheServerAskedAfresh)
{
    GetParam().prepare(*this);
    const int checksBefore = int(requests.size());
    ReplyDesign none;
    none.status = 0;
    SetReply(none);
    acceptOffer = true;
    CheckForUpdates(&owner);
    EXPECT_EQ(int(requests.size()), checksBefore + 1) << "the server was not asked";
    EXPECT_TRUE(offers.isEmpty()) << offers.value(0).versionText.toStdString();
    EXPECT_EQ(messages, QStringList{QStringLiteral("No updates found")});
    EXPECT_TRUE(UpdateSettingText(QStringLiteral("InstallerURL")).isEmpty());
    EXPECT_EQ(UpdateSettingNumber(QStringLiteral("InstallerOverride")), 0);
    EXPECT_TRUE(quitOwners.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Offers, UpdateFlowDeadOffer,
    ::testing::Values(
        DeadOfferCase{"SignatureFailure",
                      [](UpdateFlow& flow) {
                          auto& t = static_cast<UpdateFlowDeadOffer&>(flow);
                          QByteArray tampered = t.installer;
                          tampered[20] = static_cast<char>(tampered[20] ^ 0x10);
                          t.FailedDownload([tampered](const TestHttpRequest& r) {
                              return ServeFile(r, tampered.toStdString(), "\"i1\"", "Thu, 04 Jan 2024");
                          });
                      }},
        // The body ends early and no length was announced: the file seems
        // complete and fails its signature check.
        DeadOfferCase{"CutBodyWithoutLength",
                      [](UpdateFlow& flow) {
                          auto& t = static_cast<UpdateFlowDeadOffer&>(flow);
                          const std::string whole = t.installer.toStdString();
                          t.FailedDownload([whole](const TestHttpRequest& r) {
                              TestHttpResponse response = ServeFile(r, whole, "\"i1\"", "Thu, 04 Jan 2024");
                              response.omitContentLength = true;
                              response.sendOnly = whole.size() / 2;
                              return response;
                          });
                      }},
        DeadOfferCase{"FtpAddress",
                      [](UpdateFlow& flow) {
                          auto& t = static_cast<UpdateFlowDeadOffer&>(flow);
                          t.Pending(QStringLiteral("ftp://") + t.server->Host() + QStringLiteral("/Parcelo.msi"));
                      }},
        DeadOfferCase{"UpperCaseHttps",
                      [](UpdateFlow& flow) {
                          auto& t = static_cast<UpdateFlowDeadOffer&>(flow);
                          t.Pending(QStringLiteral("HTTPS://") + t.server->Host() + QStringLiteral("/Parcelo.msi"));
                      }},
        DeadOfferCase{"AddressWithoutFile",
                      [](UpdateFlow& flow) {
                          auto& t = static_cast<UpdateFlowDeadOffer&>(flow);
                          t.Pending(t.server->Url("/Parcelo-Installer.msi"));
                          SetUpdateSetting(QStringLiteral("InstallerFile"), QString());
                      }},
        DeadOfferCase{"OverrideWithNothingPending",
                      [](UpdateFlow&) { SetUpdateSetting(QStringLiteral("InstallerOverride"), 1); }}),
    TestNames::ByName());

// How the server sends the installer after its first 30000 bytes when the
// user presses Cancel: not at all (a blocked read), or slowly on (left
// alone, the download would complete and the installer would start).
struct CancelCase
{
    const char* name;
    bool stall;
    std::size_t trickle;
};

class UpdateFlowCancel : public UpdateFlow, public ::testing::WithParamInterface<CancelCase>
{
};

TEST_P(UpdateFlowCancel, CancelDuringDownloadDropsIt)
{
    SetReply(DownloadOffer());
    acceptOffer = true;
    {
        std::lock_guard<std::mutex> lock(mutex);
        fileAnswer = [this](const TestHttpRequest& r) {
            TestHttpResponse response = ServeFile(r, installer.toStdString(), "\"i1\"", "Thu, 04 Jan 2024");
            response.sendOnly = 30000;
            response.stall = GetParam().stall;
            response.trickle = GetParam().trickle;
            return response;
        };
    }
    const QString partial = PartialInstallerPath(QStringLiteral("Parcelo"));
    CancelWhen([partial] { return QFileInfo(partial).size() >= 30000; });
    CheckForUpdates(&owner);
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_TRUE(quitOwners.isEmpty());
    EXPECT_FALSE(IsInstallerReady());
    EXPECT_FALSE(QFileInfo::exists(partial));
    EXPECT_FALSE(QFileInfo::exists(CompleteInstallerPath(QStringLiteral("Parcelo"))));
    EXPECT_TRUE(UpdateSettingText(QStringLiteral("InstallerURL")).isEmpty());
    EXPECT_TRUE(UpdateSettingText(QStringLiteral("InstallerFile")).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Transfers, UpdateFlowCancel,
                         ::testing::Values(CancelCase{"Stalled", true, 0}, CancelCase{"Trickling", false, 128}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpdateFlow, CancelDuringCheckShowsNothing)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        checkAnswer = [](const TestHttpRequest&) {
            TestHttpResponse r = ReplyWith(kReplyType, "00000000");
            r.sendOnly = 2;
            r.stall = true;
            return r;
        };
    }
    CancelWhen([this] { return !server->Requests().empty(); });
    CheckForUpdates(&owner);
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_TRUE(offers.isEmpty());
}

} // namespace
