// The session model of the application controller: the section list, its
// numbering and default names, and the events that announce each change.
#include "common/TestNames.h"
#include "session/CParceloApp.h"

#include "support/PathHelpers.h"

#include <QFile>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Records every event together with what the receiver could see of the
// session at that moment.
struct RecordedEvent
{
    std::uint32_t code;
    SplitSection* section; // payload for section events
    int number;            // the section's number during the call
    QString fileName;      // the section's name during the call
    std::size_t listSize;  // sections in the list during the call
    bool inList;           // whether the announced section was in the list
};

class RecordingNotify : public EventNotify
{
public:
    explicit RecordingNotify(CParceloApp& app) : m_app(app) {}
    void Notify(std::uint32_t code, std::uintptr_t payload) override
    {
        RecordedEvent e{code, nullptr, 0, {}, m_app.Sections().size(), false};
        if (code >= EVENT_SECTION_ADDED && code <= EVENT_SECTION_NAME_CHANGED)
        {
            e.section = reinterpret_cast<SplitSection*>(payload);
            e.number = e.section->number;
            e.fileName = e.section->fileName;
            e.inList = m_app.HasSection(e.section);
        }
        events.push_back(e);
    }
    std::vector<RecordedEvent> events;

private:
    CParceloApp& m_app;
};

class SessionModelTest : public ::testing::Test
{
protected:
    SessionModelTest() : notify(app) { app.SetMainWindow(nullptr, &notify); }

    std::vector<SplitSection*> AddSections(int count)
    {
        std::vector<SplitSection*> added;
        for (int i = 0; i < count; ++i)
            added.push_back(app.AddSection({i + 1}));
        notify.events.clear();
        return added;
    }
    // Default name without a source document.
    static QString DefaultName(int number) { return QStringLiteral("section-S%1.").arg(number); }

    CParceloApp app;
    RecordingNotify notify;
};

TEST_F(SessionModelTest, AddSectionNumbersAndAnnouncesEachInTurn)
{
    const PageList pages{3, 1, 3};
    SplitSection* first = app.AddSection(pages);
    SplitSection* second = app.AddSection({2});
    ASSERT_EQ(app.Sections().size(), 2u);
    EXPECT_EQ(first->pages, pages);
    EXPECT_EQ(first->number, 1);
    EXPECT_EQ(second->number, 2);
    EXPECT_EQ(first->fileName, DefaultName(1));
    EXPECT_EQ(second->fileName, DefaultName(2));
    ASSERT_EQ(notify.events.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i)
    {
        EXPECT_EQ(notify.events[i].code, EVENT_SECTION_ADDED);
        EXPECT_TRUE(notify.events[i].inList);
        EXPECT_EQ(notify.events[i].listSize, i + 1);
    }
    EXPECT_EQ(notify.events[0].section, first);
    EXPECT_EQ(notify.events[1].section, second);
}

TEST_F(SessionModelTest, ClearAllWithoutSectionsSendsNothing)
{
    app.ClearAllSections();
    EXPECT_TRUE(notify.events.empty());
}

TEST_F(SessionModelTest, ClearAllRemovesFromLastToFirst)
{
    const auto sections = AddSections(3);
    app.ClearAllSections();
    EXPECT_TRUE(app.Sections().empty());
    ASSERT_EQ(notify.events.size(), 3u);
    for (int i = 0; i < 3; ++i)
    {
        const RecordedEvent& e = notify.events[static_cast<std::size_t>(i)];
        EXPECT_EQ(e.code, EVENT_SECTION_REMOVED);
        EXPECT_EQ(e.section, sections[static_cast<std::size_t>(2 - i)]);
        EXPECT_EQ(e.number, 3 - i);
        EXPECT_FALSE(e.inList);
        EXPECT_EQ(e.listSize, static_cast<std::size_t>(2 - i));
    }
}

TEST_F(SessionModelTest, RemovingRenumbersFollowersBeforeAnnouncingTheRemoval)
{
    const auto s = AddSections(4);
    app.SetSectionFileName(s[3], QStringLiteral("mine.pdf"));
    notify.events.clear();

    app.RemoveSection(s[1]);

    ASSERT_EQ(app.Sections().size(), 3u);
    EXPECT_EQ(app.Sections()[0].get(), s[0]);
    EXPECT_EQ(app.Sections()[1].get(), s[2]);
    EXPECT_EQ(app.Sections()[2].get(), s[3]);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(app.Sections()[static_cast<std::size_t>(i)]->number, i + 1);
    EXPECT_EQ(s[2]->fileName, DefaultName(2)); // default name follows the number
    EXPECT_EQ(s[3]->fileName, QStringLiteral("mine.pdf")); // the user's name stays

    ASSERT_EQ(notify.events.size(), 3u);
    EXPECT_EQ(notify.events[0].code, EVENT_SECTION_NAME_CHANGED);
    EXPECT_EQ(notify.events[0].section, s[2]);
    EXPECT_EQ(notify.events[0].number, 2);
    EXPECT_EQ(notify.events[1].code, EVENT_SECTION_NAME_CHANGED);
    EXPECT_EQ(notify.events[1].section, s[3]);
    EXPECT_EQ(notify.events[1].number, 3);
    EXPECT_EQ(notify.events[2].code, EVENT_SECTION_REMOVED);
    EXPECT_EQ(notify.events[2].section, s[1]);
    EXPECT_FALSE(notify.events[2].inList);
    EXPECT_EQ(notify.events[2].fileName, DefaultName(2)); // still readable during the call
}

TEST_F(SessionModelTest, RemovingTheLastSectionRenumbersNothing)
{
    const auto s = AddSections(3);
    app.RemoveSection(s[2]);
    ASSERT_EQ(notify.events.size(), 1u);
    EXPECT_EQ(notify.events[0].code, EVENT_SECTION_REMOVED);
    EXPECT_EQ(s[0]->fileName, DefaultName(1));
    EXPECT_EQ(s[1]->fileName, DefaultName(2));
}

TEST_F(SessionModelTest, StaleSectionPointersAreIgnored)
{
    const auto s = AddSections(2);
    SplitSection stranger;
    stranger.number = 1;
    app.RemoveSection(&stranger);
    app.RemoveSection(nullptr);
    app.SetSectionPages(&stranger, {1, 2});
    app.SetSectionFileName(&stranger, QStringLiteral("x"));
    app.RenumberSection(&stranger, 5);
    EXPECT_TRUE(notify.events.empty());
    EXPECT_EQ(app.Sections().size(), 2u);
    EXPECT_FALSE(app.HasSection(&stranger));
    EXPECT_FALSE(app.HasSection(nullptr));
    EXPECT_TRUE(app.HasSection(s[1]));
    app.RemoveSection(s[1]);
    EXPECT_FALSE(app.HasSection(s[1]));
}

TEST_F(SessionModelTest, IdenticalPagesOrNameChangeNothing)
{
    const auto s = AddSections(1);
    s[0]->pages = {1, 2, 2};
    app.SetSectionPages(s[0], {1, 2, 2});
    app.SetSectionFileName(s[0], s[0]->fileName);
    EXPECT_TRUE(notify.events.empty());
}

TEST_F(SessionModelTest, ChangedPagesAndNamesAreAnnounced)
{
    const auto s = AddSections(1);
    app.SetSectionFileName(s[0], QStringLiteral("A.pdf"));
    app.SetSectionFileName(s[0], QStringLiteral("a.pdf")); // case only is a change
    app.SetSectionPages(s[0], {2, 1});
    app.SetSectionPages(s[0], {2, 1, 1}); // same prefix, longer
    app.SetSectionPages(s[0], {});        // all pages removed: the section stays
    ASSERT_EQ(notify.events.size(), 5u);
    EXPECT_EQ(notify.events[0].code, EVENT_SECTION_NAME_CHANGED);
    EXPECT_EQ(notify.events[0].fileName, QStringLiteral("A.pdf"));
    EXPECT_EQ(notify.events[1].fileName, QStringLiteral("a.pdf"));
    for (std::size_t i = 2; i < 5; ++i)
        EXPECT_EQ(notify.events[i].code, EVENT_SECTION_PAGES_CHANGED);
    EXPECT_TRUE(s[0]->pages.empty());
    EXPECT_EQ(app.Sections().size(), 1u);
}

TEST_F(SessionModelTest, RenumberAlwaysAnnouncesAndKeepsUserNames)
{
    const auto s = AddSections(2);
    app.SetSectionFileName(s[1], QStringLiteral("section-S1."));
    notify.events.clear();
    app.RenumberSection(s[1], 7); // name equals another number's default: kept
    EXPECT_EQ(s[1]->fileName, QStringLiteral("section-S1."));
    app.RenumberSection(s[0], 1); // same number: still announced
    ASSERT_EQ(notify.events.size(), 2u);
    EXPECT_EQ(notify.events[0].number, 7);
    EXPECT_EQ(notify.events[1].code, EVENT_SECTION_NAME_CHANGED);
}

TEST_F(SessionModelTest, PageMembership)
{
    SplitSection* a = app.AddSection({4, 2});
    SplitSection* b = app.AddSection({7});
    EXPECT_TRUE(app.IsPageInAnySection(2));
    EXPECT_TRUE(app.IsPageInAnySection(7));
    EXPECT_FALSE(app.IsPageInAnySection(3));
    EXPECT_TRUE(app.SectionContainsPage(a, 4));
    EXPECT_FALSE(app.SectionContainsPage(b, 4));
    EXPECT_FALSE(app.SectionContainsPage(nullptr, 4));
}

TEST_F(SessionModelTest, NoDocumentMeansNoPagesRemain)
{
    EXPECT_EQ(app.PageCount(), 0);
    EXPECT_TRUE(app.RemainingPages().empty());
}

struct NameCase
{
    const char* name;
    const char* source;
    int number;
    const char* expected;
};

class DefaultFileNameTest : public ::testing::TestWithParam<NameCase>
{
};

TEST_P(DefaultFileNameTest, TitleNumberAndExtension)
{
    const NameCase& c = GetParam();
    SplitSection section;
    section.number = c.number;
    EXPECT_EQ(CParceloApp::MakeDefaultFileName(section, QString::fromUtf8(c.source)),
              QString::fromUtf8(c.expected))
        << c.source;
}

INSTANTIATE_TEST_SUITE_P(
    Sources, DefaultFileNameTest,
    ::testing::Values(NameCase{"NumberThree", "/docs/report.pdf", 3, "report-S3.pdf"},
                      NameCase{"UpperCaseExtensionKept", "/docs/Scan.PDF", 1, "Scan-S1.PDF"},
                      NameCase{"NoExtension", "/docs/notes", 2, "notes-S2."},
                      NameCase{"DotsInTitle", "/docs/q1.2.final.pdf", 1, "q1.2.final-S1.pdf"},
                      NameCase{"UnixPath", "/home/ann/report.pdf", 12, "report-S12.pdf"},
                      NameCase{"DotInFolderOnly", "/home/ann.b/notes", 1, "notes-S1."},
                      // "\\" belongs to the file's name here, and cannot be in an output name.
                      NameCase{"BackslashInName", "/home/ann/d\\x.pdf", 1, "d_x-S1.pdf"},
                      NameCase{"ColonInName", "/home/ann/Re: contract.pdf", 1, "Re_ contract-S1.pdf"},
                      NameCase{"FileInRootFolder", "/r.pdf", 1, "r-S1.pdf"},
                      NameCase{"FolderOnly", "/home/ann/", 1, "section-S1."},
                      NameCase{"RelativePath", "a/b.pdf", 1, "b-S1.pdf"},
                      NameCase{"NameOnly", "b.pdf", 1, "b-S1.pdf"},
                      NameCase{"Empty", "", 4, "section-S4."},
                      NameCase{"NonAsciiAndPercent", "/home/ann/Ünïcødé 100%s.pdf", 2, "Ünïcødé 100%s-S2.pdf"}),
    TestNames::ByName());

// A source name close to the file system's 255-byte limit gives default names
// that still fit, so every section can be saved: the title is shortened,
// never cut inside a character, and the section number and extension stay.
TEST(DefaultFileNameLength, LongTitleIsShortenedToFit)
{
    const QString cyrillic = QString(125, QChar(0x0416));   // 250 bytes
    const QString emoji = QString::fromUtf8("\xF0\x9F\x93\x84"); // 4 bytes
    const struct { const char* label; QString title; int number; QString expected; } cases[] = {
        {"CyrillicTitle", cyrillic + QStringLiteral(".pdf"), 12, QString(123, QChar(0x0416)) + QStringLiteral("-S12.pdf")},
        {"TitleOfFourByteCharacters", QStringLiteral("a") + QString(emoji).repeated(62) + QStringLiteral(".pdf"), 3,
         QStringLiteral("a") + QString(emoji).repeated(61) + QStringLiteral("-S3.pdf")},
        {"LongExtension", QStringLiteral("x.") + QString(253, u'e'), 1, QStringLiteral("-S1.") + QString(251, u'e')},
        {"ShortTitleUnchanged", QStringLiteral("report.pdf"), 1, QStringLiteral("report-S1.pdf")},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.label);
        SplitSection section;
        section.number = c.number;
        const QString name = CParceloApp::MakeDefaultFileName(section, QStringLiteral("/docs/") + c.title);
        EXPECT_EQ(name, c.expected);
        EXPECT_LE(QFile::encodeName(name).size(), 255);
        EXPECT_TRUE(IsValidFileName(name));
    }
}

} // namespace
