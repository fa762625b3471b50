#include "engine/PDFInstance.h"
#include "engine/PDFInstanceManager.h"
#include "engine/PDFViewWrapper.h"
#include "engine/XpdfSplice.h"
#include "common/PdfFixtures.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

using namespace PdfFixtures;

namespace {

// Answers the password prompt with the queued texts (null text: Cancel) and
// records each prompt's caption.
class PromptScript
{
public:
    explicit PromptScript(std::vector<QString> answers) : m_answers(std::move(answers))
    {
        m_previous = SetPasswordPrompt([this](const QString& title, QString& password) {
            titles.push_back(title);
            const size_t i = titles.size() - 1;
            const QString answer = i < m_answers.size() ? m_answers[i] : QString();
            if (answer.isNull())
                return false;
            password = answer;
            return true;
        });
    }
    ~PromptScript() { SetPasswordPrompt(m_previous); }
    std::vector<QString> titles;

private:
    std::vector<QString> m_answers;
    PasswordPrompt m_previous;
};

class ViewWrapperTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        enc = dir.filePath("secret.pdf");
        plain = dir.filePath("plain.pdf");
        ASSERT_TRUE(WriteEncryptedPdf(enc, 3, "user", "owner"));
        ASSERT_TRUE(WritePlainPdf(plain, 2));
    }
    QTemporaryDir dir;
    QString enc, plain;
    PDFInstanceManager manager{false};
};

struct PasswordFlow
{
    const char* name;
    std::vector<QString> answers;
    bool opens;
    int prompts;
    QString password;
};

class PasswordFlowTest : public ViewWrapperTest, public ::testing::WithParamInterface<PasswordFlow>
{
};

TEST_P(PasswordFlowTest, AsksOnceAndKeepsTheTypedPassword)
{
    const PasswordFlow& c = GetParam();
    PromptScript script(c.answers);
    PDFInstance doc(&manager);
    EXPECT_EQ(doc.Open(enc, 218), c.opens);
    ASSERT_EQ(static_cast<int>(script.titles.size()), c.prompts);
    EXPECT_EQ(script.titles[0], QStringLiteral("Enter Password for secret.pdf"));
    EXPECT_EQ(doc.GetPassword(), c.password);
    EXPECT_EQ(doc.GetPageCount(), c.opens ? 3 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Flows, PasswordFlowTest,
    ::testing::Values(PasswordFlow{"Right", {QStringLiteral("user")}, true, 1, QStringLiteral("user")},
                      PasswordFlow{"Owner", {QStringLiteral("owner")}, true, 1, QStringLiteral("owner")},
                      // Spaces are part of the password as typed; this one is wrong.
                      PasswordFlow{"SpacesKeptAsTyped", {QStringLiteral(" owner ")}, false, 1,
                                   QStringLiteral(" owner ")},
                      PasswordFlow{"WrongFailsWithoutAskingAgain",
                                   {QStringLiteral("bad"), QStringLiteral("user")}, false, 1,
                                   QStringLiteral("bad")},
                      PasswordFlow{"Cancel", {QString()}, false, 1, QString()}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ViewWrapperTest, WrongThenRightOnASecondOpen)
{
    PromptScript script({QStringLiteral("bad"), QStringLiteral("user")});
    PDFInstance doc(&manager);
    EXPECT_FALSE(doc.Open(enc, 218));
    EXPECT_TRUE(doc.Open(enc, 218));
    EXPECT_EQ(script.titles.size(), 2u);
    EXPECT_EQ(doc.GetPassword(), QStringLiteral("user"));
}

TEST_F(ViewWrapperTest, NoPromptForADocumentWithoutPassword)
{
    PromptScript script({});
    PDFInstance doc(&manager);
    ASSERT_TRUE(doc.Open(plain, 218));
    EXPECT_TRUE(script.titles.empty());
    EXPECT_EQ(doc.GetPageCount(), 2);
    // A given password is stored and used; a document that needs none still loads.
    EXPECT_TRUE(doc.LoadDocument(plain, QStringLiteral("given"), 218));
    EXPECT_TRUE(script.titles.empty());
    EXPECT_EQ(doc.GetPassword(), QStringLiteral("given"));
    EXPECT_TRUE(doc.LoadDocument(enc, QStringLiteral("user"), 218));
    EXPECT_FALSE(doc.LoadDocument(enc, QStringLiteral("nope"), 218));
    EXPECT_TRUE(script.titles.empty());
}

TEST_F(ViewWrapperTest, NonAsciiPasswordReachesViewerAndSplicerAsTyped)
{
    // "été" precomposed and decomposed: the same text to a reader, different
    // bytes to an encrypted file. Whichever form the file was locked with, the
    // same typed form must open it for viewing and for copying alike.
    for (const char* typed : {"\xC3\xA9t\xC3\xA9", "e\xCC\x81te\xCC\x81"}) {
        SCOPED_TRACE(typed);
        const QString locked = dir.filePath("accents.pdf");
        ASSERT_TRUE(WriteEncryptedPdf(locked, 2, typed, typed));
        PromptScript script({QString::fromUtf8(typed)});
        PDFInstance doc(&manager);
        ASSERT_TRUE(doc.Open(locked, 218));
        EXPECT_EQ(doc.GetPageCount(), 2);
        EXPECT_EQ(doc.GetPassword().toUtf8(), QByteArray(typed));
        XpdfSpliceInput input = xpdfSpliceOpenInputWithPasswordW(locked, doc.GetPassword().toUtf8().constData());
        EXPECT_NE(input, nullptr);
        xpdfSpliceCloseInput(input);
    }
}

TEST_F(ViewWrapperTest, CopyPermissionPromptShowsOnlyTheFileName)
{
    PromptScript script({QString(), QStringLiteral("owner")});
    PDFInstance doc(&manager);
    ASSERT_TRUE(doc.Open(plain, 218));
    EXPECT_FALSE(doc.AskPassword(242, QStringLiteral("x.pdf")));
    EXPECT_TRUE(doc.GetPassword().isEmpty()); // cancel keeps the old password
    EXPECT_TRUE(doc.AskPassword(242, QStringLiteral("x.pdf")));
    EXPECT_EQ(doc.GetPassword(), QStringLiteral("owner"));
    ASSERT_EQ(script.titles.size(), 2u);
    EXPECT_EQ(script.titles[0], QStringLiteral("Enter password for copying permission of file x.pdf"));
    // Prompt id 0 gives no title; the prompt keeps its own caption.
    PromptScript plainTitle({QStringLiteral("z")});
    EXPECT_TRUE(doc.AskPassword(0, QStringLiteral("x.pdf")));
    EXPECT_TRUE(plainTitle.titles.at(0).isEmpty());
}

TEST_F(ViewWrapperTest, DamagedOrMissingFilesFailQuietly)
{
    PromptScript script({});
    for (Damage kind : {Damage::Empty, Damage::Garbage, Damage::HeaderOnly}) {
        const QString path = dir.filePath("bad.pdf");
        ASSERT_TRUE(WriteDamagedPdf(path, kind));
        PDFInstance doc(&manager);
        EXPECT_FALSE(doc.Open(path, 218));
        EXPECT_EQ(doc.GetPageCount(), 0);
        EXPECT_TRUE(doc.GetPageImage(1, true).isNull());
    }
    PDFInstance doc(&manager);
    EXPECT_FALSE(doc.Open(dir.filePath("missing.pdf"), 218));
    EXPECT_TRUE(script.titles.empty());
}

// Where the black top-left square of the page should appear in the image.
enum Corner { TopLeft, TopRight, BottomRight, BottomLeft };

struct ShapeCase
{
    double width, height;
    int rotate;
    Corner corner;
};

class PageShapeTest : public ::testing::TestWithParam<ShapeCase>
{
};

bool Dark(const QImage& img, int x, int y)
{
    return qGray(img.pixel(x, y)) < 80;
}

TEST_P(PageShapeTest, ImageShowsThePageAsDisplayedAndAspectMatches)
{
    const ShapeCase& c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath("shape.pdf");
    PageDesign design;
    design.width = c.width;
    design.height = c.height;
    design.originX = 33;
    design.originY = -12;
    design.rotate = c.rotate;
    ASSERT_TRUE(WritePdf(path, {PageDesign{}, design}));
    PDFInstanceManager manager(false);
    PDFInstance doc(&manager);
    ASSERT_TRUE(doc.Open(path, 218));

    const QImage image = doc.GetPageImage(2, true);
    ASSERT_FALSE(image.isNull());
    const QImage* img = &image;
    // As large as fits into the largest cell: 160 pixels high, at most 320
    // wide.
    const bool turned = c.rotate % 180 != 0;
    const double pageW = turned ? c.height : c.width;
    const double pageH = turned ? c.width : c.height;
    const double scale = std::min(320.0 / pageW, 160.0 / pageH);
    const double shownW = pageW * scale;
    const double shownH = pageH * scale;
    EXPECT_NEAR(img->width(), shownW, 1.0);
    EXPECT_NEAR(img->height(), shownH, 1.0);

    const double aspect = doc.GetPageAspect(2);
    EXPECT_NEAR(aspect, shownW / shownH, 1e-9);
    EXPECT_NEAR(aspect, double(img->width()) / img->height(), 0.05);
    EXPECT_NEAR(doc.GetMediaBoxRatio(2), c.width / c.height, 1e-9);

    const int w = img->width(), h = img->height();
    const bool corners[4] = {Dark(*img, 1, 1), Dark(*img, w - 2, 1), Dark(*img, w - 2, h - 2),
                             Dark(*img, 1, h - 2)};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(corners[i], i == c.corner) << "corner " << i;
    // The cached image is handed out again.
    EXPECT_EQ(doc.GetPageImage(2, false).cacheKey(), img->cacheKey());
    EXPECT_EQ(doc.GetPageImage(2, true).cacheKey(), img->cacheKey());
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, PageShapeTest,
    ::testing::Values(ShapeCase{612, 792, 0, TopLeft}, ShapeCase{612, 792, 90, TopRight},
                      ShapeCase{612, 792, 180, BottomRight}, ShapeCase{612, 792, 270, BottomLeft},
                      ShapeCase{842, 300, 0, TopLeft}, ShapeCase{842, 300, 90, TopRight},
                      ShapeCase{842, 300, 270, BottomLeft}, ShapeCase{250, 1000, 180, BottomRight},
                      ShapeCase{250, 1000, 90, TopRight}),
    [](const auto& info) {
        const ShapeCase& c = info.param;
        return "Page" + std::to_string(int(c.width)) + "x" + std::to_string(int(c.height)) + "_Rotate" +
               std::to_string(c.rotate);
    });

// A page of any size gives a thumbnail no larger than the largest cell; a
// page that cannot be measured gives a square.
struct PageSizeCase
{
    const char* name;
    double width, height;
    bool placeholder; // the page cannot be measured: a blank square
};

class PageSizeBoundTest : public ::testing::TestWithParam<PageSizeCase>
{
};

TEST_P(PageSizeBoundTest, ThumbnailFitsTheLargestCell)
{
    const PageSizeCase& c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath("size.pdf");
    PageDesign odd;
    odd.width = c.width;
    odd.height = c.height;
    odd.vectorArt = true;
    ASSERT_TRUE(WritePdf(path, {PageDesign{}, odd}));
    PDFInstanceManager manager(false);
    for (const double ratio : {1.0, 2.0}) {
        PDFInstance doc(&manager);
        ASSERT_TRUE(doc.Open(path, 218));
        const PageImageTarget target{kLargestThumbnailHeight, ratio};
        const QImage image = doc.GetPageImage(2, true, target);
        ASSERT_FALSE(image.isNull()) << ratio;
        EXPECT_LE(image.height(), kLargestThumbnailHeight * ratio) << ratio;
        EXPECT_LE(image.width(), kLargestThumbnailHeight * kWidestThumbnailRatio * ratio) << ratio;
        EXPECT_GE(std::max(image.width(), image.height()), kLargestThumbnailHeight * ratio - 1) << ratio;
        if (c.placeholder) {
            EXPECT_EQ(image.width(), image.height());
            EXPECT_EQ(image.pixel(image.width() / 2, image.height() / 2), qRgb(255, 255, 255));
        }
        EXPECT_FALSE(doc.PageRenderFailed(2));
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, PageSizeBoundTest,
                         ::testing::Values(PageSizeCase{"Huge1e9", 1e9, 1e9, false},
                                           PageSizeCase{"Huge1e18", 1e18, 1e18, true},
                                           PageSizeCase{"Tall1e9", 612, 1e9, false},
                                           PageSizeCase{"Wide1e9", 1e9, 612, false},
                                           PageSizeCase{"Sliver", 5000, 2, false},
                                           PageSizeCase{"NoWidth", 0, 792, true},
                                           PageSizeCase{"Tiny", 0.01, 0.01, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PageAspectTest, UnusableShapesCountAsSquare)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("odd.pdf");
    PageDesign sliver;
    sliver.width = 5000;
    sliver.height = 2; // 2500:1
    PageDesign flat;
    flat.width = 0; // no width at all: ratio 0
    ASSERT_TRUE(WritePdf(path, {PageDesign{}, sliver, flat}));
    PDFInstanceManager manager(false);
    PDFInstance doc(&manager);
    ASSERT_TRUE(doc.Open(path, 218));
    for (int page : {2, 3}) {
        EXPECT_DOUBLE_EQ(doc.GetPageAspect(page), 1.0) << page;
        EXPECT_DOUBLE_EQ(doc.GetMediaBoxRatio(page), 1.0) << page;
    }
    EXPECT_DOUBLE_EQ(doc.GetPageAspect(0), 1.0);
    EXPECT_DOUBLE_EQ(doc.GetPageAspect(4), 1.0);
    EXPECT_TRUE(doc.GetPageImage(4, true).isNull());
    EXPECT_TRUE(doc.GetPageImage(0, false).isNull());
    EXPECT_EQ(manager.PendingRequests(), 0u);
}

// ---- engine configuration ----

class EngineConfigTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        where.commonAppData = dir.filePath("common");
        where.installDir = dir.filePath("install") + "/";
        where.fontsDir = dir.filePath("fonts");
        QDir(dir.path()).mkpath("common/Talvane");
        QDir(dir.path()).mkpath("install");
        QDir(dir.path()).mkpath("fonts");
    }
    static void Write(const QString& path, const QByteArray& text)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QString Config() const { return ViewerEngineConfigPath(where); }
    QStringList Lines() const
    {
        QFile f(Config());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split('\n');
    }
    QTemporaryDir dir;
    ViewerEngineLocations where;
};

TEST_F(EngineConfigTest, WritesFontTableWithAlternativesForMissingFiles)
{
    Write(where.fontsDir + "/antquab.ttf", "x"); // present: row 18 keeps its own file
    ASSERT_TRUE(InitViewerEngineAt(where));
    EXPECT_EQ(Config(), where.commonAppData + "/Talvane/xpdfrc");
    const QStringList lines = Lines();
    ASSERT_GE(lines.size(), 19);
    const QString f = where.fontsDir;
    EXPECT_EQ(lines[0], "textKeepTinyChars yes");
    EXPECT_EQ(lines[1], "displayFontTT Courier " + f + "/cour.ttf");
    EXPECT_EQ(lines[5], "displayFontTT Helvetica " + f + "/arial.ttf");
    EXPECT_EQ(lines[12], "displayFontTT Times-Roman " + f + "/times.ttf");
    EXPECT_EQ(lines[13], "displayNamedCIDFontTT Arial " + f + "/arial.ttf");
    EXPECT_EQ(lines[16], "displayNamedCIDFontTT TimesNewRoman,Bold " + f + "/timesbd.ttf");
    EXPECT_EQ(lines[17], "displayNamedCIDFontTT BookAntiqua " + f + "/times.ttf");
    EXPECT_EQ(lines[18], "displayNamedCIDFontTT BookAntiqua,Bold " + f + "/antquab.ttf");
    EXPECT_EQ(lines.size(), 20); // nothing after the last line feed
    // No temporary file stays beside it.
    EXPECT_EQ(QDir(where.commonAppData + "/Talvane").entryList(QDir::Files), QStringList{"xpdfrc"});
}

TEST_F(EngineConfigTest, LanguagePacksAddTheirTextWithTagsReplaced)
{
    QDir install(where.installDir);
    install.mkdir("LangPack-de");
    install.mkdir("LangPack-ja");
    install.mkdir("LangPack-empty");
    install.mkdir("Other");
    Write(where.installDir + "LangPack-de/add-to-xpdfrc",
          "fontDir <!-Fonts->\nunicodeMap x <!-InstallDir->de/map <!-Fonts->/de.ttf");
    Write(where.installDir + "LangPack-ja/add-to-xpdfrc", "cidToUnicode Adobe-Japan1 <!-InstallDir->ja");
    Write(where.installDir + "Other/add-to-xpdfrc", "never");
    Write(where.installDir + "LangPack-file.txt", "a plain file");
    ASSERT_TRUE(InitViewerEngineAt(where));
    const QStringList lines = Lines();
    ASSERT_EQ(lines.size(), 23);
    EXPECT_EQ(lines[19], "fontDir " + where.fontsDir);
    EXPECT_EQ(lines[20], "unicodeMap x " + where.installDir + "de/map " + where.fontsDir + "/de.ttf");
    EXPECT_EQ(lines[21], "cidToUnicode Adobe-Japan1 " + where.installDir + "ja");
    EXPECT_EQ(lines[22], "");
}

TEST_F(EngineConfigTest, ExistingFileIsNeverRewritten)
{
    Write(Config(), "antialias no\n");
    ASSERT_TRUE(InitViewerEngineAt(where));
    EXPECT_EQ(Lines(), (QStringList{"antialias no", ""}));
}

TEST_F(EngineConfigTest, MissingFoldersSkipWritingOrFail)
{
    ViewerEngineLocations noTalvane = where;
    noTalvane.commonAppData = dir.filePath("elsewhere");
    EXPECT_TRUE(InitViewerEngineAt(noTalvane));
    EXPECT_FALSE(QFile::exists(ViewerEngineConfigPath(noTalvane)));
    EXPECT_FALSE(QDir(noTalvane.commonAppData).exists());

    ViewerEngineLocations noFonts = where;
    noFonts.fontsDir = dir.filePath("no-fonts");
    EXPECT_TRUE(InitViewerEngineAt(noFonts));
    EXPECT_FALSE(QFile::exists(Config()));

    ViewerEngineLocations noCommon = where;
    noCommon.commonAppData.clear();
    EXPECT_FALSE(InitViewerEngineAt(noCommon));
    ViewerEngineLocations noInstall = where;
    noInstall.installDir.clear();
    EXPECT_FALSE(InitViewerEngineAt(noInstall));
}

TEST_F(EngineConfigTest, AFontLineThatCannotBeWrittenInFullLeavesNoFile)
{
    // A fonts folder whose path makes every font line longer than 520 bytes.
    QString deep = where.fontsDir;
    for (int i = 0; i < 3; ++i) {
        deep += "/" + QString(200, QChar('a' + i));
        ASSERT_TRUE(QDir().mkpath(deep));
    }
    ViewerEngineLocations longFonts = where;
    longFonts.fontsDir = deep;
    EXPECT_FALSE(InitViewerEngineAt(longFonts));
    EXPECT_FALSE(QFile::exists(Config()));
    EXPECT_TRUE(QDir(where.commonAppData + "/Talvane").entryList(QDir::Files).isEmpty());
    // The next start with usable folders writes it.
    EXPECT_TRUE(InitViewerEngineAt(where));
    EXPECT_TRUE(QFile::exists(Config()));
}

TEST(EngineConfigDefaultsTest, EnvironmentChoosesTheFolders)
{
    QTemporaryDir dir;
    qputenv("PARCELO_COMMON_APPDATA", dir.filePath("c").toLocal8Bit());
    qputenv("PARCELO_FONTS_DIR", dir.filePath("f").toLocal8Bit());
    const ViewerEngineLocations where = DefaultViewerEngineLocations();
    qunsetenv("PARCELO_COMMON_APPDATA");
    qunsetenv("PARCELO_FONTS_DIR");
    EXPECT_EQ(where.commonAppData, dir.filePath("c"));
    EXPECT_EQ(where.fontsDir, dir.filePath("f"));
    EXPECT_TRUE(where.installDir.endsWith('/'));
    EXPECT_EQ(ViewerEngineConfigPath(where), dir.filePath("c") + "/Talvane/xpdfrc");
}

// The bookmarks are read while the document opens, through its password
// when it has one, and belong to the document last opened.
TEST_F(ViewWrapperTest, OutlineIsReadAtOpeningAndFollowsTheDocument)
{
    Book book;
    book.pageCount = 4;
    book.outline = {{"Preface", 1}, {std::string("\xFE\xFF\0O\0n\0e", 8), 2, "", false, false, {{"Nowhere", 0}}}};
    const QString bookPath = dir.filePath("book.pdf");
    Encryption lock{"user", "owner", PERM_ALL};
    ASSERT_TRUE(WriteBook(bookPath, book, &lock));

    PromptScript script({QStringLiteral("user")});
    PDFInstance doc(&manager);
    ASSERT_TRUE(doc.Open(bookPath, 218));
    std::vector<std::tuple<QString, int, int>> got;
    for (const XpdfSpliceOutlineEntry& entry : doc.Outline())
        got.emplace_back(entry.title, entry.level, entry.page);
    EXPECT_EQ(got, (std::vector<std::tuple<QString, int, int>>{{"Preface", 1, 1}, {"One", 1, 2}, {"Nowhere", 2, 0}}));

    ASSERT_TRUE(doc.Open(plain, 218));
    EXPECT_TRUE(doc.Outline().empty());
}

} // namespace
