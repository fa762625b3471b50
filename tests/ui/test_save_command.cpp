// Save Split and New Split Section as commands of the controller, with every
// dialog answered by the test.
#include "common/PdfFixtures.h"
#include "common/TestNames.h"
#include "resources/StringTable.h"
#include "session/CParceloApp.h"
#include "ui/NewSplitSheet.h"
#include "ui/OutputOptions.h"
#include "ui/SectionBookmarksPage.h"
#include "session/SaveSplit.h"
#include "session/Settings.h"
#include "session/SessionUser.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <deque>
#include <gtest/gtest.h>

namespace {

class Events : public EventNotify
{
public:
    void Notify(std::uint32_t code, std::uintptr_t payload) override { events.emplace_back(code, payload); }
    std::vector<std::pair<std::uint32_t, std::uintptr_t>> events;
};

QString SavedFolderSetting()
{
    return ReadSetting(QString::fromLatin1(kOptionsGroup), QStringLiteral("SaveFolder")).toString();
}

class CommandTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        qputenv("PARCELO_COMMON_APPDATA", dir.filePath(QStringLiteral("appdata")).toUtf8());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath(QStringLiteral("settings")));
        ASSERT_TRUE(app.InitInstance());
        app.SetMainWindow(nullptr, &events);
        out = dir.filePath(QStringLiteral("out"));
        ASSERT_TRUE(QDir().mkpath(out));
        source = dir.filePath(QStringLiteral("Report.pdf"));
        ASSERT_TRUE(PdfFixtures::WritePlainPdf(source, 12));

        previousMessages = SetMessageHandler([this](const MessageRequest& r) {
            messages.push_back(r);
            if (answers.empty())
                return Prompt::Ok;
            const auto a = answers.front();
            answers.pop_front();
            return a;
        });
        previousChooser = SetFileDialogHandler([this](const FileDialogRequest& r) {
            choosers.push_back(r);
            return chosenFolder;
        });
        previousShift = SetShiftStateHook([this] { return shiftHeld; });
        previousOptions = SetOutputOptionsHook([this](OutputProtection& p) {
            ++optionsShown;
            if (!protection)
                return false;
            p = *protection;
            return true;
        });
        previousOpen = SetOpenFolderHook([this](const QString& f) { opened.push_back(f); });
        previousPrompt = SetPasswordHandler([this](const QString&, QString& password) {
            password = promptAnswer;
            return true;
        });
        chosenFolder = out;
    }

    void TearDown() override
    {
        app.SetMainWindow(nullptr, nullptr);
        app.CloseDocument();
        SetMessageHandler(previousMessages);
        SetFileDialogHandler(previousChooser);
        SetShiftStateHook(previousShift);
        SetOutputOptionsHook(previousOptions);
        SetOpenFolderHook(previousOpen);
        SetSheetRunHook({});
        SetPasswordHandler(std::move(previousPrompt));
        qunsetenv("PARCELO_COMMON_APPDATA");
    }

    QString Out(const QString& name) const { return QDir(out).filePath(name); }

    QTemporaryDir dir;
    CParceloApp app;
    Events events;
    QString out;
    QString source;
    QString chosenFolder;
    bool shiftHeld = false;
    int optionsShown = 0;
    std::optional<OutputProtection> protection;
    QString promptAnswer;
    std::vector<MessageRequest> messages;
    std::deque<Prompt::StandardButton> answers;
    std::vector<FileDialogRequest> choosers;
    std::vector<QString> opened;
    MessageHandler previousMessages;
    FileDialogHandler previousChooser;
    ShiftStateHook previousShift;
    OutputOptionsHook previousOptions;
    OpenFolderHook previousOpen;
    PasswordHandler previousPrompt;
};

TEST_F(CommandTest, SaveWithoutDocumentDoesNothing)
{
    RunSaveSplit(app);
    EXPECT_TRUE(choosers.empty());
    EXPECT_TRUE(messages.empty());
}

TEST_F(CommandTest, SaveWithoutSectionsStillChoosesAndRemembersTheFolder)
{
    ASSERT_TRUE(app.OpenDocument(source));
    answers = {Prompt::Yes};
    RunSaveSplit(app);

    ASSERT_EQ(choosers.size(), 1u);
    EXPECT_TRUE(choosers[0].chooseFolder);
    EXPECT_EQ(choosers[0].caption, LoadResString(231));
    EXPECT_EQ(QDir(choosers[0].startFolder), QDir(dir.path())); // the source's folder
    EXPECT_EQ(SavedFolderSetting(), out);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, LoadResString(230));
    EXPECT_EQ(messages[0].icon, Prompt::Information);
    EXPECT_EQ(messages[0].buttons, Prompt::Yes | Prompt::No);
    EXPECT_EQ(opened, std::vector<QString>{out});
    EXPECT_TRUE(QDir(out).isEmpty());

    // The next save starts in the remembered folder; No leaves it closed.
    answers = {Prompt::No};
    RunSaveSplit(app);
    ASSERT_EQ(choosers.size(), 2u);
    EXPECT_EQ(choosers[1].startFolder, out);
    EXPECT_EQ(opened.size(), 1u);
}

TEST_F(CommandTest, SaveWritesSectionsAndAnnouncesCompletedNames)
{
    ASSERT_TRUE(app.OpenDocument(source));
    SplitSection* first = app.AddSection({1, 2, 3});
    SplitSection* second = app.AddSection({12, 1});
    app.SetSectionFileName(second, QStringLiteral("tail"));
    events.events.clear();
    answers = {Prompt::No};

    RunSaveSplit(app);
    EXPECT_EQ(optionsShown, 0);
    EXPECT_EQ(second->fileName, QStringLiteral("tail.pdf"));
    ASSERT_EQ(events.events.size(), 1u);
    EXPECT_EQ(events.events[0], std::make_pair(std::uint32_t(EVENT_SECTION_NAME_CHANGED),
                                               reinterpret_cast<std::uintptr_t>(second)));
    EXPECT_EQ(PdfFixtures::PageMarkers(Out(first->fileName)), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(PdfFixtures::PageMarkers(Out("tail.pdf")), (std::vector<int>{12, 1}));
    EXPECT_FALSE(PdfFixtures::IsEncrypted(Out("tail.pdf")));
}

// Sections made for a source whose name Linux allows but an output name may
// not hold, or whose name is near the 255-byte limit, are saved under their
// default names without the user renaming anything.
struct SourceNameCase
{
    const char* label;
    QString source;
    QStringList saved; // the files the two sections become
};

class SaveFromSourceName : public CommandTest, public ::testing::WithParamInterface<SourceNameCase>
{
};

TEST_P(SaveFromSourceName, DefaultNamesSave)
{
    const SourceNameCase& c = GetParam();
    const QString named = dir.filePath(c.source);
    ASSERT_TRUE(QFile::copy(source, named));
    ASSERT_TRUE(app.OpenDocument(named));
    app.AddSection({1, 2});
    app.AddSection({12});
    answers = {Prompt::No};
    RunSaveSplit(app);
    ASSERT_EQ(messages.size(), 1u) << messages[0].text.toStdString();
    EXPECT_EQ(messages[0].text, LoadResString(230));
    EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden, QDir::Name), c.saved);
    EXPECT_EQ(PdfFixtures::PageMarkers(Out(c.saved.value(0))), (std::vector<int>{1, 2}));
}

INSTANTIATE_TEST_SUITE_P(
    Sources, SaveFromSourceName,
    ::testing::Values(
        SourceNameCase{"ColonAndSpace", QStringLiteral("Re: contract.pdf"),
                       {QStringLiteral("Re_ contract-S1.pdf"), QStringLiteral("Re_ contract-S2.pdf")}},
        SourceNameCase{"QuestionMarkAndStar", QStringLiteral("what?*.PDF"),
                       {QStringLiteral("what__-S1.PDF"), QStringLiteral("what__-S2.PDF")}},
        SourceNameCase{"CyrillicNear255Bytes", QString(125, QChar(0x0416)) + QStringLiteral(".pdf"),
                       {QString(124, QChar(0x0416)) + QStringLiteral("-S1.pdf"),
                        QString(124, QChar(0x0416)) + QStringLiteral("-S2.pdf")}}),
    TestNames::ByLabel());

TEST_F(CommandTest, DuplicateCompletedNamesAreRefusedBeforeTheFolderIsAsked)
{
    ASSERT_TRUE(app.OpenDocument(source));
    app.SetSectionFileName(app.AddSection({1}), QStringLiteral("a"));
    app.SetSectionFileName(app.AddSection({2}), QStringLiteral("a.pdf"));
    RunSaveSplit(app);
    EXPECT_TRUE(choosers.empty());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, LoadResString(241).replace(QLatin1String("%s"), QStringLiteral("a.pdf")));
    EXPECT_TRUE(QDir(out).isEmpty());
}

TEST_F(CommandTest, ShiftShowsOutputOptionsAfterTheFolder)
{
    ASSERT_TRUE(app.OpenDocument(source));
    SplitSection* s = app.AddSection({4, 5});
    shiftHeld = true;

    // Cancelled: nothing written, the folder not remembered.
    RunSaveSplit(app);
    EXPECT_EQ(optionsShown, 1);
    EXPECT_EQ(choosers.size(), 1u);
    EXPECT_TRUE(SavedFolderSetting().isEmpty());
    EXPECT_TRUE(QDir(out).isEmpty());

    const QString pw = QStringLiteral("gr\u00fc\u00dfe");
    protection = OutputProtection{pw, pw, 0xFFFFF5EBu};
    answers = {Prompt::No};
    RunSaveSplit(app);
    EXPECT_EQ(optionsShown, 2);
    const QString path = Out(s->fileName);
    EXPECT_TRUE(PdfFixtures::IsEncrypted(path, pw.toStdString()));
    EXPECT_FALSE(PdfFixtures::OpensWithPassword(path, ""));
    EXPECT_EQ(PdfFixtures::PageMarkers(path, pw.toStdString()), (std::vector<int>{4, 5}));
}

TEST_F(CommandTest, PasswordOfTheOpenDocumentIsUsedForSaving)
{
    const std::string pw = "cl\xC3\xA9";
    source = dir.filePath(QStringLiteral("Locked.pdf"));
    ASSERT_TRUE(PdfFixtures::WriteEncryptedPdf(source, 4, pw, pw));
    promptAnswer = QString::fromUtf8(pw.c_str());
    ASSERT_TRUE(app.OpenDocument(source));
    SplitSection* s = app.AddSection({3, 4});
    answers = {Prompt::No};
    RunSaveSplit(app);
    EXPECT_EQ(PdfFixtures::PageMarkers(Out(s->fileName)), (std::vector<int>{3, 4}));
}

TEST_F(CommandTest, NewSectionsFromTheSheetAreAppendedInOrder)
{
    ASSERT_TRUE(app.OpenDocument(source));
    app.AddSection({1, 2, 3, 4, 5});

    SetSheetRunHook([](CNewSplitSectionSheet& sheet) {
        EXPECT_EQ(sheet.RepeatingPage()->RangeCombo()->count(), 2);
        sheet.Tabs()->setCurrentWidget(sheet.RepeatingPage());
        sheet.RepeatingPage()->CountEdit()->setText(QStringLiteral("3"));
        sheet.RepeatingPage()->RangeCombo()->setCurrentIndex(1); // All Remaining
        sheet.accept();
        return sheet.result() == QDialog::Accepted;
    });
    RunNewSplitSection(app, nullptr);
    ASSERT_EQ(app.Sections().size(), 4u);
    EXPECT_EQ(app.Sections()[1]->pages, (PageList{6, 7, 8}));
    EXPECT_EQ(app.Sections()[2]->pages, (PageList{9, 10, 11}));
    EXPECT_EQ(app.Sections()[3]->pages, (PageList{12}));
    EXPECT_EQ(app.Sections()[3]->number, 4);

    // Cancel adds nothing.
    SetSheetRunHook([](CNewSplitSectionSheet&) { return false; });
    RunNewSplitSection(app, nullptr);
    EXPECT_EQ(app.Sections().size(), 4u);

    // Every page used now: the remaining choices are gone.
    SetSheetRunHook([](CNewSplitSectionSheet& sheet) {
        EXPECT_TRUE(sheet.PageRangePage()->AddRemainingLink()->isHidden());
        sheet.PageRangePage()->PageEdit()->setText(QStringLiteral("2, 2"));
        sheet.accept();
        return sheet.result() == QDialog::Accepted;
    });
    RunNewSplitSection(app, nullptr);
    ASSERT_EQ(app.Sections().size(), 5u);
    EXPECT_EQ(app.Sections()[4]->pages, (PageList{2, 2}));
    EXPECT_EQ(app.Sections()[4]->number, 5);
}

TEST_F(CommandTest, SectionsFromBookmarksAreNamedAfterThemAndSavedWithThem)
{
    PdfFixtures::Book book;
    book.pageCount = 8;
    book.outline = {{"Intro", 2}, {"Usage", 4, "", false, false, {{"Options", 5}}}, {"Index", 7}};
    book.info = {{"Title", "Manual"}};
    source = dir.filePath(QStringLiteral("Manual.pdf"));
    ASSERT_TRUE(PdfFixtures::WriteBook(source, book));
    ASSERT_TRUE(app.OpenDocument(source));
    app.SetSectionFileName(app.AddSection({8}), QStringLiteral("intro.pdf"));

    SetSheetRunHook([](CNewSplitSectionSheet& sheet) {
        sheet.Tabs()->setCurrentWidget(sheet.BookmarksPage());
        sheet.accept();
        return sheet.result() == QDialog::Accepted;
    });
    RunNewSplitSection(app, nullptr);
    ASSERT_EQ(app.Sections().size(), 5u);
    const std::vector<std::pair<PageList, QString>> expected = {
        {{8}, "intro.pdf"},
        {{1}, "Manual-S2.pdf"},
        {{2, 3}, "Intro (2).pdf"},
        {{4, 5, 6}, "Usage.pdf"},
        {{7, 8}, "Index.pdf"}};
    for (std::size_t i = 0; i < expected.size(); ++i)
    {
        EXPECT_EQ(app.Sections()[i]->pages, expected[i].first);
        EXPECT_EQ(app.Sections()[i]->fileName, expected[i].second);
        EXPECT_EQ(app.Sections()[i]->number, static_cast<int>(i) + 1);
    }

    RunSaveSplit(app);
    using Entries = std::vector<PdfFixtures::OutlineEntry>;
    EXPECT_EQ(PdfFixtures::ReadOutline(Out("Usage.pdf")), (Entries{{"Usage", 1, 1}, {"Options", 2, 2}}));
    EXPECT_EQ(PdfFixtures::ReadOutline(Out("intro.pdf")), (Entries{}));
    EXPECT_EQ(PdfFixtures::InfoEntries(Out("Index.pdf")), PdfFixtures::InfoEntries(source));
}

TEST_F(CommandTest, BySizeMeasuresRealTrialFiles)
{
    std::vector<PdfFixtures::PageDesign> pages(6);
    for (auto& p : pages)
        p.imageSide = 90; // about 24 KB of noise per page
    source = dir.filePath(QStringLiteral("Images.pdf"));
    ASSERT_TRUE(PdfFixtures::WritePdf(source, pages));
    ASSERT_TRUE(app.OpenDocument(source));

    SetSheetRunHook([](CNewSplitSectionSheet& sheet) {
        sheet.Tabs()->setCurrentWidget(sheet.SizePage());
        sheet.SizePage()->UnitCombo()->setCurrentIndex(1); // KB
        sheet.SizePage()->SizeEdit()->setText(QStringLiteral("60"));
        sheet.accept();
        return sheet.result() == QDialog::Accepted;
    });
    RunNewSplitSection(app, nullptr);
    ASSERT_GT(app.Sections().size(), 1u);
    PageList joined;
    for (const auto& s : app.Sections())
        joined.insert(joined.end(), s->pages.begin(), s->pages.end());
    EXPECT_EQ(joined, (PageList{1, 2, 3, 4, 5, 6}));

    answers = {Prompt::No};
    RunSaveSplit(app);
    for (const auto& s : app.Sections())
        EXPECT_LE(QFileInfo(Out(s->fileName)).size(), 60 * 1024) << s->fileName.toStdString();
}

} // namespace
