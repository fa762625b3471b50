// Opening documents into the session: plain, password-protected and
// copy-restricted files, refusals, damaged input, the file chooser and drops.
#include "common/PageTreeFixtures.h"
#include "common/PdfFixtures.h"
#include "common/TestNames.h"
#include "engine/PDFInstanceManager.h"
#include "session/CParceloApp.h"
#include "session/ParceloInstance.h"
#include "session/SessionUser.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <deque>
#include <thread>

namespace {

struct Event
{
    std::uint32_t code;
    std::uintptr_t payload;
};

class EventLog : public EventNotify
{
public:
    void Notify(std::uint32_t code, std::uintptr_t payload) override { events.push_back({code, payload}); }
    std::vector<std::uint32_t> Codes() const
    {
        std::vector<std::uint32_t> codes;
        for (const Event& e : events)
            codes.push_back(e.code);
        return codes;
    }
    std::vector<Event> events;
};

class OpenDocumentTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        qputenv("PARCELO_COMMON_APPDATA", dir.filePath(QStringLiteral("appdata")).toUtf8());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath(QStringLiteral("settings")));
        ASSERT_TRUE(app.InitInstance());
        app.SetMainWindow(nullptr, &log);

        previousMessages = SetMessageHandler([this](const MessageRequest& r) {
            messages.push_back(r);
            return Prompt::Ok;
        });
        previousPrompt = SetPasswordHandler([this](const QString& title, QString& password) {
            prompts.push_back(title);
            if (answers.empty() || answers.front().isNull())
            {
                if (!answers.empty())
                    answers.pop_front();
                return false;
            }
            password = answers.front();
            answers.pop_front();
            return true;
        });
    }

    void TearDown() override
    {
        app.SetMainWindow(nullptr, nullptr);
        app.CloseDocument();
        SetMessageHandler(std::move(previousMessages));
        SetPasswordHandler(std::move(previousPrompt));
        qunsetenv("PARCELO_COMMON_APPDATA");
    }

    QString Path(const QString& name) const { return dir.filePath(name); }

    QString Plain(const QString& name, int pages)
    {
        const QString path = Path(name);
        EXPECT_TRUE(PdfFixtures::WritePlainPdf(path, pages));
        return path;
    }

    // Opens a plain document with two sections, then forgets the events.
    void OpenWithSections()
    {
        ASSERT_TRUE(app.OpenDocument(Plain(QStringLiteral("first.pdf"), 4)));
        app.AddSection({1, 2});
        app.AddSection({3});
        log.events.clear();
    }

    void ExpectNoDocument()
    {
        EXPECT_EQ(app.Document(), nullptr);
        EXPECT_TRUE(app.SourcePath().isEmpty());
        EXPECT_TRUE(app.Sections().empty());
        EXPECT_EQ(app.PageCount(), 0);
    }

    QTemporaryDir dir;
    CParceloApp app;
    EventLog log;
    std::vector<MessageRequest> messages;
    std::vector<QString> prompts;
    std::deque<QString> answers; // a null entry cancels the prompt
    MessageHandler previousMessages;
    PasswordHandler previousPrompt;
};

TEST_F(OpenDocumentTest, PlainFileBecomesTheSessionDocument)
{
    const QString path = Plain(QStringLiteral("Report.pdf"), 3);
    ASSERT_TRUE(app.OpenDocument(path));
    ASSERT_NE(app.Document(), nullptr);
    EXPECT_EQ(app.SourcePath(), path);
    EXPECT_EQ(app.PageCount(), 3);
    EXPECT_EQ(app.RemainingPages(), (PageList{1, 2, 3}));
    EXPECT_TRUE(prompts.empty());
    EXPECT_TRUE(messages.empty());
    ASSERT_EQ(log.Codes(), std::vector<std::uint32_t>{EVENT_DOCUMENT_OPENED});
    EXPECT_EQ(log.events[0].payload, 0u);

    // Default names now come from the source's title.
    SplitSection* s = app.AddSection({2});
    EXPECT_EQ(s->fileName, QStringLiteral("Report-S1.pdf"));
    EXPECT_EQ(app.RemainingPages(), (PageList{1, 3}));

    // The instance is registered under the path until the document closes.
    PDFInstanceManager& manager = PDFInstanceManager::Get();
    EXPECT_EQ(manager.ReferenceCount(app.Document()), 1);
    log.events.clear();
    app.CloseDocument();
    EXPECT_EQ(log.Codes(), (std::vector<std::uint32_t>{EVENT_SECTION_REMOVED, EVENT_DOCUMENT_CLOSED}));
    ExpectNoDocument();
    EXPECT_EQ(manager.FindInstance(path), nullptr);

    log.events.clear();
    app.CloseDocument(); // nothing open: nothing happens
    EXPECT_TRUE(log.events.empty());
}

TEST_F(OpenDocumentTest, NonAsciiPathOpens)
{
    const QString path = Plain(QStringLiteral("Ünïcødé – file.pdf"), 2);
    ASSERT_TRUE(app.OpenDocument(path));
    EXPECT_EQ(app.PageCount(), 2);
    EXPECT_EQ(app.AddSection({1})->fileName, QStringLiteral("Ünïcødé – file-S1.pdf"));
}

TEST_F(OpenDocumentTest, OpeningAnotherFileDiscardsTheSectionsFirst)
{
    OpenWithSections();
    ASSERT_TRUE(app.OpenDocument(Plain(QStringLiteral("second.pdf"), 5)));
    EXPECT_EQ(log.Codes(), (std::vector<std::uint32_t>{EVENT_SECTION_REMOVED, EVENT_SECTION_REMOVED,
                                                       EVENT_DOCUMENT_CLOSED, EVENT_DOCUMENT_OPENED}));
    EXPECT_TRUE(app.Sections().empty());
    EXPECT_EQ(app.PageCount(), 5);
    EXPECT_TRUE(app.SourcePath().endsWith(QLatin1String("second.pdf")));
}

TEST_F(OpenDocumentTest, ReopeningTheOpenFileLoadsItAgain)
{
    OpenWithSections();
    const QString path = app.SourcePath();
    ASSERT_TRUE(app.OpenDocument(path));
    EXPECT_EQ(log.Codes(), (std::vector<std::uint32_t>{EVENT_SECTION_REMOVED, EVENT_SECTION_REMOVED,
                                                       EVENT_DOCUMENT_CLOSED, EVENT_DOCUMENT_OPENED}));
    EXPECT_TRUE(app.Sections().empty());
    EXPECT_EQ(app.SourcePath(), path);
    EXPECT_EQ(PDFInstanceManager::Get().ReferenceCount(app.Document()), 1);
}

// Files that cannot become the session's document. The file is opened before
// the session changes, so the document that was open stays open with its
// sections, and one message names the file and says why.
struct RefusedCase
{
    const char* name;
    std::function<bool(const QString&)> write;
    const char* reason; // second line of the message; null: the single-page message
};

class RefusedOpenTest : public OpenDocumentTest, public ::testing::WithParamInterface<RefusedCase>
{
};

TEST_P(RefusedOpenTest, KeepsTheSessionAndNamesTheFileAndReason)
{
    const RefusedCase& c = GetParam();
    OpenWithSections();
    ParceloInstance* const before = app.Document();
    const QString sourceBefore = app.SourcePath();
    const QString path = Path(QString::fromUtf8(c.name));
    ASSERT_TRUE(c.write(path));

    EXPECT_FALSE(app.OpenDocument(path));
    EXPECT_EQ(app.Document(), before);
    EXPECT_EQ(app.SourcePath(), sourceBefore);
    EXPECT_EQ(app.PageCount(), 4);
    ASSERT_EQ(app.Sections().size(), 2u);
    EXPECT_EQ(app.Sections()[0]->pages, (PageList{1, 2}));
    EXPECT_EQ(app.Sections()[1]->pages, (PageList{3}));
    EXPECT_TRUE(log.events.empty());
    EXPECT_TRUE(prompts.empty());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, QStringLiteral("Parcelo"));
    if (c.reason)
    {
        EXPECT_EQ(messages[0].text, QStringLiteral("Could not open file '%1' for reading\n%2")
                                        .arg(path, QString::fromUtf8(c.reason)));
        EXPECT_EQ(messages[0].icon, Prompt::Critical);
    }
    else
    {
        EXPECT_EQ(messages[0].text, QStringLiteral("File contains only a single page, thus cannot be split"));
        EXPECT_EQ(messages[0].icon, Prompt::Warning);
    }
    EXPECT_EQ(PDFInstanceManager::Get().FindInstance(path), nullptr);
    EXPECT_EQ(PDFInstanceManager::Get().ReferenceCount(before), 1);

    // The kept document is still usable, and another file still opens.
    EXPECT_FALSE(app.Document()->GetPageImage(1, true).isNull());
    ASSERT_TRUE(app.OpenDocument(Plain(QStringLiteral("after.pdf"), 2)));
    EXPECT_EQ(app.PageCount(), 2);
}

const char kDamagedReason[] = "The file is damaged or is not a PDF document.";

INSTANTIATE_TEST_SUITE_P(
    Files, RefusedOpenTest,
    ::testing::Values(
        RefusedCase{"single.pdf", [](const QString& p) { return PdfFixtures::WritePlainPdf(p, 1); }, nullptr},
        RefusedCase{"no pages.pdf", [](const QString& p) { return PdfFixtures::WriteZeroPagePdf(p); }, nullptr},
        RefusedCase{"empty.pdf", [](const QString& p) { return PdfFixtures::WriteDamagedPdf(p, PdfFixtures::Damage::Empty); }, kDamagedReason},
        RefusedCase{"garbage.pdf", [](const QString& p) { return PdfFixtures::WriteDamagedPdf(p, PdfFixtures::Damage::Garbage); }, kDamagedReason},
        RefusedCase{"header.pdf", [](const QString& p) { return PdfFixtures::WriteDamagedPdf(p, PdfFixtures::Damage::HeaderOnly); }, kDamagedReason},
        RefusedCase{"notes.txt",
                    [](const QString& p) {
                        QFile f(p);
                        return f.open(QIODevice::WriteOnly) && f.write("just some text\n") > 0;
                    },
                    kDamagedReason},
        RefusedCase{"missing.pdf", [](const QString&) { return true; }, "No such file or directory."},
        RefusedCase{"a folder.pdf", [](const QString& p) { return QDir().mkpath(p); }, "Is a directory."},
        RefusedCase{"page loop.pdf", [](const QString& p) { return PdfFixtures::WritePageLoopPdf(p, 3); },
                    "The list of its pages is damaged and cannot be followed."},
        RefusedCase{"unknown encryption.pdf", [](const QString& p) { return PdfFixtures::WriteUnknownEncryptionPdf(p); },
                    "The file is encrypted in a way that cannot be read."}),
    TestNames::ByName());

// Damaged files that an engine may or may not repair: whatever happens, the
// session stays consistent and nothing crashes.
class DamagedOpenTest : public OpenDocumentTest, public ::testing::WithParamInterface<PdfFixtures::Damage>
{
};

TEST_P(DamagedOpenTest, SessionStaysConsistent)
{
    const QString path = Path(QStringLiteral("damaged.pdf"));
    ASSERT_TRUE(PdfFixtures::WriteDamagedPdf(path, GetParam()));
    if (app.OpenDocument(path))
    {
        EXPECT_NE(app.Document(), nullptr);
        EXPECT_GE(app.PageCount(), 2);
        EXPECT_EQ(log.Codes(), std::vector<std::uint32_t>{EVENT_DOCUMENT_OPENED});
    }
    else
    {
        ExpectNoDocument();
        EXPECT_TRUE(log.events.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, DamagedOpenTest,
                         ::testing::Values(PdfFixtures::Damage::Truncated, PdfFixtures::Damage::BrokenXref),
                         [](const auto& info) { return PdfFixtures::DamageName(info.param); });

// The opening password: asked once with "Enter Password for <file name>",
// and used exactly as typed. A refused password leaves the session as it was.
struct PasswordCase
{
    const char* name;
    std::string password;         // the document's user password
    std::vector<QString> answers; // null: cancel
    bool opens;
    const char* message;          // the message after a failure; null: none
};

class OpeningPasswordTest : public OpenDocumentTest, public ::testing::WithParamInterface<PasswordCase>
{
};

TEST_P(OpeningPasswordTest, AsksOnceAndKeepsThePassword)
{
    const PasswordCase& c = GetParam();
    OpenWithSections();
    ParceloInstance* const before = app.Document();
    const QString path = Path(QStringLiteral("locked.pdf"));
    // Copying is forbidden too: the opening password is taken to allow it.
    ASSERT_TRUE(PdfFixtures::WriteEncryptedPdf(path, 3, c.password, "owner-pw",
                                               PdfFixtures::PERM_ALL & ~PdfFixtures::PERM_COPY));
    answers.assign(c.answers.begin(), c.answers.end());

    EXPECT_EQ(app.OpenDocument(path), c.opens);
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0], QStringLiteral("Enter Password for locked.pdf"));
    if (c.opens)
    {
        EXPECT_TRUE(messages.empty());
        ASSERT_NE(app.Document(), nullptr);
        EXPECT_EQ(app.Document()->GetPassword(), QString::fromStdString(c.password));
        EXPECT_EQ(app.PageCount(), 3);
        EXPECT_TRUE(app.Sections().empty());
    }
    else
    {
        EXPECT_EQ(app.Document(), before);
        EXPECT_EQ(app.Sections().size(), 2u);
        EXPECT_TRUE(log.events.empty());
        if (c.message)
        {
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_EQ(messages[0].text, QStringLiteral("Could not open file '%1' for reading\n%2")
                                            .arg(path, QString::fromUtf8(c.message)));
            EXPECT_EQ(messages[0].icon, Prompt::Critical);
        }
        else
        {
            EXPECT_TRUE(messages.empty());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, OpeningPasswordTest,
    ::testing::Values(PasswordCase{"Right", "user-pw", {QStringLiteral("user-pw")}, true, nullptr},
                      PasswordCase{"SpacesAroundKeptAsTyped", " user pw  ", {QStringLiteral(" user pw  ")}, true, nullptr},
                      PasswordCase{"SpacesAroundMissing", " user pw  ", {QStringLiteral("user pw")}, false,
                                   "The password is wrong."},
                      PasswordCase{"Wrong", "user-pw", {QStringLiteral("wrong")}, false, "The password is wrong."},
                      PasswordCase{"Cancel", "user-pw", {QString()}, false, nullptr}),
    TestNames::ByName());

TEST_F(OpenDocumentTest, PromptNamesTheFileOfARelativePath)
{
    ASSERT_TRUE(PdfFixtures::WriteEncryptedPdf(Path(QStringLiteral("locked.pdf")), 2, "user-pw", "owner-pw"));
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    answers = {QStringLiteral("user-pw")};
    const bool opened = app.OpenDocument(QStringLiteral("locked.pdf"));
    QDir::setCurrent(previous);
    EXPECT_TRUE(opened);
    EXPECT_EQ(prompts, std::vector<QString>{QStringLiteral("Enter Password for locked.pdf")});
}

TEST_F(OpenDocumentTest, WrongPasswordThenRightOne)
{
    const QString path = Path(QStringLiteral("locked.pdf"));
    ASSERT_TRUE(PdfFixtures::WriteEncryptedPdf(path, 2, "user-pw", "owner-pw"));
    answers = {QStringLiteral("wrong"), QStringLiteral("user-pw")};
    EXPECT_FALSE(app.OpenDocument(path));
    ExpectNoDocument();
    EXPECT_EQ(PDFInstanceManager::Get().FindInstance(path), nullptr);
    ASSERT_TRUE(app.OpenDocument(path));
    EXPECT_EQ(prompts.size(), 2u);
    EXPECT_EQ(app.Document()->GetPassword(), QStringLiteral("user-pw"));
    EXPECT_EQ(log.Codes(), std::vector<std::uint32_t>{EVENT_DOCUMENT_OPENED});
}

TEST_F(OpenDocumentTest, EncryptedFileThatAllowsCopyingOpensWithoutPrompt)
{
    const QString path = Path(QStringLiteral("open-copy.pdf"));
    ASSERT_TRUE(PdfFixtures::WriteEncryptedPdf(path, 2, "", "owner-pw", PdfFixtures::PERM_ALL));
    ASSERT_TRUE(app.OpenDocument(path));
    EXPECT_TRUE(prompts.empty());
    EXPECT_TRUE(app.Document()->GetPassword().isEmpty());
}

TEST_F(OpenDocumentTest, CopyRestrictedFileAsksForTheCopyPassword)
{
    QDir().mkpath(Path(QStringLiteral("sub folder")));
    const QString path = Path(QStringLiteral("sub folder/no-copy.pdf"));
    ASSERT_TRUE(PdfFixtures::WriteEncryptedPdf(path, 2, "", "owner-pw",
                                               PdfFixtures::PERM_ALL & ~PdfFixtures::PERM_COPY));
    answers = {QStringLiteral("owner-pw")};
    ASSERT_TRUE(app.OpenDocument(path));
    // Only the file name, not the folder, is shown.
    EXPECT_EQ(prompts, std::vector<QString>{QStringLiteral("Enter password for copying permission of file no-copy.pdf")});
    EXPECT_EQ(app.Document()->GetPassword(), QStringLiteral("owner-pw"));
    EXPECT_EQ(log.Codes(), std::vector<std::uint32_t>{EVENT_DOCUMENT_OPENED});
}

TEST_F(OpenDocumentTest, DeclinedOrWrongCopyPasswordKeepsTheSession)
{
    OpenWithSections();
    ParceloInstance* const before = app.Document();
    const QString path = Path(QStringLiteral("no-copy.pdf"));
    ASSERT_TRUE(PdfFixtures::WriteEncryptedPdf(path, 2, "", "owner-pw",
                                               PdfFixtures::PERM_ALL & ~PdfFixtures::PERM_COPY));
    answers = {QString(), QStringLiteral("wrong")};
    EXPECT_FALSE(app.OpenDocument(path));
    EXPECT_EQ(prompts.size(), 1u);
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(app.OpenDocument(path));
    EXPECT_EQ(prompts.size(), 2u);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QStringLiteral("Could not open file '%1' for reading\nThe password is wrong.").arg(path));
    EXPECT_EQ(app.Document(), before);
    EXPECT_EQ(app.Sections().size(), 2u);
    EXPECT_TRUE(log.events.empty());
}

// The file is read as a long work: here on a thread of its own, as the
// window runs it. Both password prompts are asked from that thread; the
// session changes only afterwards, on the calling thread.
class OpenAsLongWork : public OpenDocumentTest
{
protected:
    void SetUp() override
    {
        OpenDocumentTest::SetUp();
        previousWork = SetLongWorkHandler([this](const QString& title, const LongWork& work) {
            titles.push_back(title);
            std::thread worker([&] {
                workThread = std::this_thread::get_id();
                work(progress);
            });
            worker.join();
        });
        previousPrompt = SetPasswordHandler([this](const QString& title, QString& password) {
            promptThreads.push_back(std::this_thread::get_id());
            prompts.push_back(title);
            password = answers.empty() ? QString() : answers.front();
            if (!answers.empty())
                answers.pop_front();
            return !password.isNull();
        });
    }
    void TearDown() override
    {
        SetLongWorkHandler(std::move(previousWork));
        OpenDocumentTest::TearDown();
    }

    class Progress : public LongWorkProgress
    {
    public:
        void SetRange(qint64 maximum) override { range = maximum; }
        void SetStep(const QString& text, qint64) override { steps.push_back(text); }
        bool StopRequested() const override { return stop; }
        qint64 range = -1;
        std::vector<QString> steps;
        bool stop = false;
    } progress;
    std::vector<QString> titles;
    std::thread::id workThread;
    std::vector<std::thread::id> promptThreads;
    LongWorkHandler previousWork;
    PasswordHandler previousPrompt;
};

TEST_F(OpenAsLongWork, ReadsOffTheCallingThreadAndAsksFromThere)
{
    const QString path = Path(QStringLiteral("no-copy.pdf"));
    ASSERT_TRUE(PdfFixtures::WriteEncryptedPdf(path, 3, "", "owner-pw",
                                               PdfFixtures::PERM_ALL & ~PdfFixtures::PERM_COPY));
    answers = {QStringLiteral("owner-pw")};
    ASSERT_TRUE(app.OpenDocument(path));
    EXPECT_EQ(titles, std::vector<QString>{QStringLiteral("Open File")});
    EXPECT_EQ(progress.range, 0); // no count to show: an indefinite bar
    EXPECT_EQ(progress.steps, std::vector<QString>{QStringLiteral("Opening no-copy.pdf")});
    EXPECT_NE(workThread, std::this_thread::get_id());
    ASSERT_EQ(promptThreads.size(), 1u);
    EXPECT_EQ(promptThreads[0], workThread);
    EXPECT_EQ(app.PageCount(), 3);
    EXPECT_EQ(app.Document()->GetPassword(), QStringLiteral("owner-pw"));
    EXPECT_EQ(log.Codes(), std::vector<std::uint32_t>{EVENT_DOCUMENT_OPENED});
}

TEST_F(OpenAsLongWork, StoppedOpeningKeepsTheSessionWithoutAMessage)
{
    OpenWithSections();
    ParceloInstance* const before = app.Document();
    progress.stop = true;
    const QString other = Plain(QStringLiteral("other.pdf"), 5);
    EXPECT_FALSE(app.OpenDocument(other));
    EXPECT_EQ(app.Document(), before);
    EXPECT_EQ(app.Sections().size(), 2u);
    EXPECT_TRUE(log.events.empty());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(PDFInstanceManager::Get().FindInstance(other), nullptr);
}

TEST_F(OpenDocumentTest, OpenFileCommandUsesTheChooser)
{
    std::vector<FileDialogRequest> requests;
    QString answer;
    FileDialogHandler previous = SetFileDialogHandler([&](const FileDialogRequest& r) {
        requests.push_back(r);
        return answer;
    });

    OpenWithSections();
    app.OnCommand(57601); // cancelled: nothing changes
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].filter, QStringLiteral("PDF Files (*.pdf);;All Files (*)"));
    EXPECT_FALSE(requests[0].chooseFolder);
    EXPECT_TRUE(log.events.empty());
    EXPECT_EQ(app.Sections().size(), 2u);

    answer = Plain(QStringLiteral("chosen.pdf"), 2);
    app.OnCommand(57601);
    EXPECT_EQ(app.SourcePath(), answer);
    EXPECT_TRUE(messages.empty());
    SetFileDialogHandler(std::move(previous));
}

TEST_F(OpenDocumentTest, DroppedItems)
{
    OpenWithSections();
    const QString open = app.SourcePath();
    const QString other = Plain(QStringLiteral("other.pdf"), 3);
    const QString folder = Path(QStringLiteral("folder"));
    ASSERT_TRUE(QDir().mkpath(folder));

    struct Drop
    {
        QStringList items;
        const char* message;
    };
    const std::vector<Drop> refused = {
        {{other, folder}, "Parcelo accepts only a single input file"},
        {{other, other}, "Parcelo accepts only a single input file"},
        {{folder}, "Parcelo cannot accept folders"},
        {{Path(QStringLiteral("gone.pdf"))}, "Parcelo cannot accept folders"},
    };
    for (const Drop& drop : refused)
    {
        messages.clear();
        EXPECT_FALSE(app.OpenDroppedItems(drop.items));
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, QString::fromUtf8(drop.message));
        EXPECT_EQ(messages[0].icon, Prompt::Critical);
        EXPECT_EQ(app.SourcePath(), open);
        EXPECT_EQ(app.Sections().size(), 2u);
        EXPECT_TRUE(log.events.empty());
    }

    messages.clear();
    EXPECT_TRUE(app.OpenDroppedItems({other}));
    EXPECT_EQ(app.SourcePath(), other);
    EXPECT_TRUE(messages.empty());
}

TEST_F(OpenDocumentTest, DestroyedMainWindowReleasesTheDocument)
{
    auto* window = new QObject;
    app.SetMainWindow(window, &log);
    ASSERT_TRUE(app.OpenDocument(Plain(QStringLiteral("doc.pdf"), 2)));
    const QString path = app.SourcePath();
    app.AddSection({1});
    log.events.clear();
    delete window;
    // The views behind the window are gone: nothing is announced to them.
    EXPECT_TRUE(log.events.empty());
    EXPECT_EQ(app.MainWindow(), nullptr);
    ExpectNoDocument();
    EXPECT_EQ(PDFInstanceManager::Get().FindInstance(path), nullptr);
}

TEST(ToQtFileFilter, ConvertsClassicFilters)
{
    EXPECT_EQ(CParceloApp::ToQtFileFilter(QStringLiteral("PDF Files (*.pdf)|*.pdf|All Files (*.*)|*.*||")),
              QStringLiteral("PDF Files (*.pdf);;All Files (*)"));
    EXPECT_EQ(CParceloApp::ToQtFileFilter(QStringLiteral("Images|*.png;*.jpg||")),
              QStringLiteral("Images (*.png *.jpg)"));
    EXPECT_EQ(CParceloApp::ToQtFileFilter(QString()), QString());
}

} // namespace
