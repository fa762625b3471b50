// What a split output keeps from its source besides the pages: document
// information, XMP metadata, the outline entries that point into it, links
// between its pages and page labels; and the outline as read for planning.
#include "common/PdfFixtures.h"
#include "common/TestNames.h"
#include "engine/SpliceCarryOver.h"
#include "engine/XpdfSplice.h"
#include "engine/XpdfSpliceOutline.h"

#ifndef POINTERHOLDER_TRANSITION
#define POINTERHOLDER_TRANSITION 4
#endif
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <set>

using namespace PdfFixtures;

namespace {

// Titles in the three encodings a PDF text string may use.
const std::string kCoverTitle = "Cover \x84 front";                           // PDFDocEncoding, an em dash
const std::string kChapter1Title = std::string("\xFE\xFF\0C\0h\0a\0p\0.\0 \0001", 16); // UTF-16BE "Chap. 1"
const std::string kChapter3Title = "\xEF\xBB\xBF" "Chapitre 3 \xC3\xA9t\xC3\xA9"; // UTF-8 with its mark

// Ten pages: a cover, three chapters with nested entries, named
// destinations, links of every kind and three label ranges.
Book TheBook()
{
    Book book;
    book.pageCount = 10;
    book.outline = {
        {kCoverTitle, 1},
        {kChapter1Title, 0, "ch1", false, false,
         {{"1.1 Start", 2}, {"1.2 More", 3, "", true, false, {{"1.2.1 Deep", 4}}}}},
        {"Chapter 2", 5, "", false, true,
         {{"2.1 Begin", 6}, {"2.2 Nowhere", 0, "", false, false, {{"2.2.1 Kept", 7}}}}},
        {kChapter3Title, 0, "ch3", true, false, {{"3.1 End", 10}}},
    };
    book.namedDestinations = {{"ch1", 2}, {"ch3", 8}, {"unused", 9}};
    book.links = {
        {2, 5},                   // plain /Dest
        {3, 0, "ch3", true},      // named, through an action
        {4, 2, "", true},         // explicit, through an action
        {6, 7},
        {7, 0, "", false, "https://example.org/"},
        {9, 1},
    };
    book.pageLabels = "0 << /S /r >> 2 << /S /D >> 8 << /S /A /P (App-) >>";
    book.info = {{"Title", "A Book"},
                 {"Author", "A. Writer"},
                 {"Subject", "Splitting"},
                 {"Keywords", "pdf, split"},
                 {"Creator", "LaTeX with hyperref"},
                 {"Producer", "pdfTeX-1.40.21"},
                 {"CreationDate", "D:20200102030405Z"},
                 {"ModDate", "D:20210304050607+01'00'"}};
    book.xmp = "<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?>"
               "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
               "<rdf:Description rdf:about='' xmlns:dc='http://purl.org/dc/elements/1.1/'>"
               "<dc:title><rdf:Alt><rdf:li xml:lang='x-default'>A Book</rdf:li></rdf:Alt></dc:title>"
               "</rdf:Description></rdf:RDF></x:xmpmeta><?xpacket end='w'?>";
    return book;
}

class CarryOverTest : public ::testing::Test
{
protected:
    void SetUp() override { xpdfSpliceInit(); }

    QString Path(const QString& name) const { return dir.filePath(name); }

    // Splits pages (1-based, in order) of source into a new file; the close
    // result must be success.
    QString Split(const QString& source, const std::vector<int>& pages, const QString& name = "out.pdf",
                  const char* password = nullptr, bool encrypt = false)
    {
        XpdfSpliceInput in = password ? xpdfSpliceOpenInputWithPasswordW(source, password)
                                      : xpdfSpliceOpenInputW(source);
        EXPECT_NE(in, nullptr);
        const QString path = Path(name);
        XpdfSpliceOutput out = xpdfSpliceOpenOutputW(path, 1.6);
        EXPECT_NE(out, nullptr);
        if (encrypt)
            EXPECT_NE(xpdfSpliceSetEncryption(out, 2, "owner", "reader", 0x4), 0);
        for (int p : pages)
            EXPECT_NE(xpdfSpliceAddPage(in, p, out), 0) << p;
        // The input may go first, as the size measurement closes it.
        xpdfSpliceCloseInput(in);
        EXPECT_EQ(xpdfSpliceCloseOutput(out), 1);
        return path;
    }

    QString WriteTheBook(const Book& book = TheBook())
    {
        const QString path = Path("book.pdf");
        EXPECT_TRUE(WriteBook(path, book));
        return path;
    }

    QTemporaryDir dir;
};

// --- document information and metadata ----------------------------------------

TEST_F(CarryOverTest, InformationAndMetadataAsInTheSource)
{
    const QString book = WriteTheBook();
    const QString out = Split(book, {4, 5});
    EXPECT_EQ(InfoEntries(out), InfoEntries(book));
    EXPECT_EQ(InfoEntries(out).at("Producer"), "pdfTeX-1.40.21");
    EXPECT_EQ(InfoEntries(out).at("CreationDate"), "D:20200102030405Z");
    EXPECT_EQ(XmpMetadata(out), TheBook().xmp);
    EXPECT_TRUE(QpdfCheck(out));
}

TEST_F(CarryOverTest, InformationFromAnEncryptedSourceIntoAProtectedOutput)
{
    const QString book = Path("locked.pdf");
    Encryption lock{"open", "master", PERM_ALL};
    ASSERT_TRUE(WriteBook(book, TheBook(), &lock));
    const QString out = Split(book, {1, 2}, "out.pdf", "open", true);
    EXPECT_EQ(InfoEntries(out, "reader"), InfoEntries(book, "open"));
    EXPECT_EQ(XmpMetadata(out, "reader"), TheBook().xmp);
    EXPECT_EQ(ReadOutline(out, "reader").size(), 3u);
    EXPECT_TRUE(QpdfCheck(out, "reader"));
}

TEST_F(CarryOverTest, SourceWithoutInformationGivesNone)
{
    const QString plain = Path("plain.pdf");
    ASSERT_TRUE(WritePlainPdf(plain, 3));
    const QString out = Split(plain, {2, 3});
    EXPECT_TRUE(InfoEntries(out).empty());
    EXPECT_EQ(XmpMetadata(out), "");
    EXPECT_TRUE(ReadOutline(out).empty());
    EXPECT_TRUE(PageLabels(out).empty());
}

// --- outline --------------------------------------------------------------------

struct OutlineCase
{
    const char* name;
    std::vector<int> pages;
    std::vector<OutlineEntry> outline; // page: the page of the output
};

class OutlineCarry : public CarryOverTest, public ::testing::WithParamInterface<OutlineCase>
{
};

TEST_P(OutlineCarry, EntriesPointingIntoTheOutput)
{
    const OutlineCase& c = GetParam();
    const QString out = Split(WriteTheBook(), c.pages);
    EXPECT_EQ(ReadOutline(out), c.outline);
    EXPECT_EQ(OutlineStructureFault(out), "");
    QString report;
    EXPECT_TRUE(QpdfCheck(out, {}, &report)) << report.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Sections, OutlineCarry,
    ::testing::Values(
        // "2.2 Nowhere" has no destination: its child moves up to its level.
        OutlineCase{"WholeDocument",
                    {1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
                    {{kCoverTitle, 1, 1}, {kChapter1Title, 1, 2}, {"1.1 Start", 2, 2}, {"1.2 More", 2, 3},
                     {"1.2.1 Deep", 3, 4}, {"Chapter 2", 1, 5}, {"2.1 Begin", 2, 6}, {"2.2.1 Kept", 2, 7},
                     {kChapter3Title, 1, 8}, {"3.1 End", 2, 10}}},
        OutlineCase{"OneChapter", {5, 6, 7}, {{"Chapter 2", 1, 1}, {"2.1 Begin", 2, 2}, {"2.2.1 Kept", 2, 3}}},
        // The chapter's page is left out: its kept children move up.
        OutlineCase{"ChildrenWithoutTheirParent", {3, 4}, {{"1.2 More", 1, 1}, {"1.2.1 Deep", 2, 2}}},
        // Entries keep the source's order whatever the page order.
        OutlineCase{"PagesInAnotherOrder",
                    {8, 9, 10, 2, 3},
                    {{kChapter1Title, 1, 4}, {"1.1 Start", 2, 4}, {"1.2 More", 2, 5}, {kChapter3Title, 1, 1},
                     {"3.1 End", 2, 3}}},
        OutlineCase{"RepeatedPageTakesTheFirstCopy", {1, 6, 6, 1}, {{kCoverTitle, 1, 1}, {"2.1 Begin", 1, 2}}},
        OutlineCase{"NoEntryOnThisPage", {9}, {}}),
    TestNames::ByName());

TEST_F(CarryOverTest, ClosedEntryStaysClosedAndViewIsKept)
{
    const QString out = Split(WriteTheBook(), {5, 6, 7});
    auto pdf = std::make_unique<QPDF>();
    pdf->processFile(out.toLocal8Bit().constData());
    QPDFObjectHandle chapter = pdf->getRoot().getKey("/Outlines").getKey("/First");
    ASSERT_TRUE(chapter.isDictionary());
    EXPECT_EQ(chapter.getKey("/Count").getIntValue(), -2);
    EXPECT_EQ(pdf->getRoot().getKey("/Outlines").getKey("/Count").getIntValue(), 1);
    // [page /XYZ 0 700 null] as in the source.
    QPDFObjectHandle dest = chapter.getKey("/Dest");
    ASSERT_TRUE(dest.isArray());
    EXPECT_EQ(dest.getArrayNItems(), 5);
    EXPECT_TRUE(dest.getArrayItem(1).isNameAndEquals("/XYZ"));
    EXPECT_EQ(dest.getArrayItem(3).getIntValue(), 700);
}

TEST_F(CarryOverTest, NamedDestinationsOfTheOldDictionary)
{
    Book book = TheBook();
    book.namesInTree = false;
    const QString out = Split(WriteTheBook(book), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    const std::vector<OutlineEntry> outline = ReadOutline(out);
    ASSERT_EQ(outline.size(), 10u);
    EXPECT_EQ(outline[1], (OutlineEntry{kChapter1Title, 1, 2}));
    EXPECT_EQ(outline[8], (OutlineEntry{kChapter3Title, 1, 8}));
    EXPECT_EQ(ReadLinks(out)[1], (LinkEntry{3, 8, ""}));
}

// --- links ----------------------------------------------------------------------

struct LinkCase
{
    const char* name;
    std::vector<int> pages;
    std::vector<LinkEntry> links; // pages of the output
};

class LinkCarry : public CarryOverTest, public ::testing::WithParamInterface<LinkCase>
{
};

TEST_P(LinkCarry, LinksInsideTheOutputOnly)
{
    const LinkCase& c = GetParam();
    const QString out = Split(WriteTheBook(), c.pages);
    EXPECT_EQ(ReadLinks(out), c.links);
    QString report;
    EXPECT_TRUE(QpdfCheck(out, {}, &report)) << report.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Sections, LinkCarry,
    ::testing::Values(
        LinkCase{"WholeDocument",
                 {1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
                 {{2, 5, ""}, {3, 8, ""}, {4, 2, ""}, {6, 7, ""}, {7, 0, "https://example.org/"}, {9, 1, ""}}},
        // Page 3's link goes to page 8, which is not in this file.
        LinkCase{"LinkToALeftOutPageIsRemoved", {2, 3, 4, 5}, {{1, 4, ""}, {3, 1, ""}}},
        LinkCase{"WebLinkStays", {6, 7}, {{1, 2, ""}, {2, 0, "https://example.org/"}}},
        // The link on page 4 goes to page 2, copied after it.
        LinkCase{"TargetCopiedLater", {4, 9, 2}, {{1, 3, ""}}},
        LinkCase{"RepeatedTargetTakesTheFirstCopy", {5, 2, 5}, {{2, 1, ""}}},
        LinkCase{"EveryTargetLeftOut", {3, 9}, {}}),
    TestNames::ByName());

// An output measured while its pages change gets the parts of the pages it
// holds at each carrying: a link taken out for want of its target comes back
// once the target is there.
TEST_F(CarryOverTest, CarryingAgainFollowsTheCurrentPages)
{
    auto pdf = std::make_shared<QPDF>();
    pdf->processFile(QFile::encodeName(WriteTheBook()).constData());
    auto source = std::make_shared<SpliceSource>(pdf);
    QPDF out;
    out.emptyPDF();
    std::vector<CopiedPage> copied;
    auto add = [&](int page) {
        QPDFObjectHandle copy = out.copyForeignObject(pdf->getAllPages().at(static_cast<size_t>(page - 1)));
        QPDFPageDocumentHelper(out).addPage(QPDFPageObjectHelper(copy), false);
        copied.push_back({source, page - 1, copy, copy.getKey("/Annots")});
    };
    auto write = [&](const char* name) {
        const QString path = Path(QString::fromLatin1(name));
        const QByteArray native = QFile::encodeName(path); // the writer keeps the pointer
        QPDFWriter writer(out, native.constData());
        writer.write();
        return path;
    };

    add(2); // links to page 5
    CarrySourceParts(out, copied);
    const QString first = write("first.pdf");
    EXPECT_TRUE(ReadLinks(first).empty());
    EXPECT_EQ(ReadOutline(first), (std::vector<OutlineEntry>{{kChapter1Title, 1, 1}, {"1.1 Start", 2, 1}}));

    add(5);
    CarrySourceParts(out, copied);
    const QString second = write("second.pdf");
    EXPECT_EQ(ReadLinks(second), (std::vector<LinkEntry>{{1, 2, ""}}));
    EXPECT_EQ(ReadOutline(second), (std::vector<OutlineEntry>{{kChapter1Title, 1, 1}, {"1.1 Start", 2, 1},
                                                              {"Chapter 2", 1, 2}}));
    EXPECT_EQ(OutlineStructureFault(second), "");
    EXPECT_EQ(PageLabels(second), (std::vector<std::string>{"ii", "3"}));
    EXPECT_TRUE(QpdfCheck(second));
}

// --- page labels ----------------------------------------------------------------

struct LabelCase
{
    const char* name;
    std::vector<int> pages;
    std::vector<std::string> labels;
};

class LabelCarry : public CarryOverTest, public ::testing::WithParamInterface<LabelCase>
{
};

TEST_P(LabelCarry, PagesKeepTheirLabels)
{
    const LabelCase& c = GetParam();
    const QString out = Split(WriteTheBook(), c.pages);
    EXPECT_EQ(PageLabels(out), c.labels);
    EXPECT_TRUE(QpdfCheck(out));
}

INSTANTIATE_TEST_SUITE_P(
    Sections, LabelCarry,
    ::testing::Values(
        LabelCase{"WholeDocument",
                  {1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
                  {"i", "ii", "1", "2", "3", "4", "5", "6", "App-A", "App-B"}},
        LabelCase{"AcrossARangeStart", {2, 3, 4}, {"ii", "1", "2"}},
        LabelCase{"MiddleOfARange", {6, 7}, {"4", "5"}},
        LabelCase{"PagesInAnotherOrder", {9, 10, 1}, {"App-A", "App-B", "i"}},
        LabelCase{"RepeatedPage", {5, 5, 4}, {"3", "3", "2"}}),
    TestNames::ByName());

// --- the outline as read for planning --------------------------------------------

TEST_F(CarryOverTest, ReadOutlineDecodesTitlesAndFindsPages)
{
    XpdfSpliceInput in = xpdfSpliceOpenInputW(WriteTheBook());
    ASSERT_NE(in, nullptr);
    std::vector<XpdfSpliceOutlineEntry> entries;
    ASSERT_TRUE(xpdfSpliceReadOutline(in, entries));
    xpdfSpliceCloseInput(in);
    std::vector<std::tuple<QString, int, int>> got;
    for (const auto& e : entries)
        got.emplace_back(e.title, e.level, e.page);
    const std::vector<std::tuple<QString, int, int>> expected = {
        {QString::fromUtf8("Cover \u2014 front"), 1, 1},
        {"Chap. 1", 1, 2},
        {"1.1 Start", 2, 2},
        {"1.2 More", 2, 3},
        {"1.2.1 Deep", 3, 4},
        {"Chapter 2", 1, 5},
        {"2.1 Begin", 2, 6},
        {"2.2 Nowhere", 2, 0},
        {"2.2.1 Kept", 3, 7},
        {QString::fromUtf8("Chapitre 3 \u00e9t\u00e9"), 1, 8},
        {"3.1 End", 2, 10},
    };
    EXPECT_EQ(got, expected);
    EXPECT_FALSE(xpdfSpliceReadOutline(nullptr, entries));
}

struct TitleCase
{
    const char* name;
    std::string bytes;
    QString text;
};

class TitleDecoding : public CarryOverTest, public ::testing::WithParamInterface<TitleCase>
{
};

TEST_P(TitleDecoding, AsUnicodeText)
{
    Book book;
    book.pageCount = 2;
    book.outline = {{GetParam().bytes, 2}};
    const QString path = Path("titled.pdf");
    ASSERT_TRUE(WriteBook(path, book));
    XpdfSpliceInput in = xpdfSpliceOpenInputW(path);
    std::vector<XpdfSpliceOutlineEntry> entries;
    ASSERT_TRUE(xpdfSpliceReadOutline(in, entries));
    xpdfSpliceCloseInput(in);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].title, GetParam().text);
    // The output keeps the title's bytes as they were.
    EXPECT_EQ(ReadOutline(Split(path, {2}))[0].title, GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, TitleDecoding,
    ::testing::Values(
        TitleCase{"PdfDocEncoding", "Caf\xE9 \x92 \x84 end", QString::fromUtf8("Caf\u00e9 \u2122 \u2014 end")},
        TitleCase{"Utf16BigEndian", std::string("\xFE\xFF\x00\x4E\x00\xE9\xD8\x3D\xDE\x00", 10),
                  QString::fromUtf8("N\u00e9\U0001F600")},
        // ESC, a language code, ESC before the text.
        TitleCase{"Utf16WithLanguageMark", std::string("\xFE\xFF\x00\x1B\x00\x64\x00\x65\x00\x1B\x00\x4F\x00\x6B", 14),
                  "Ok"},
        TitleCase{"Utf16UnpairedSurrogate", std::string("\xFE\xFF\xD8\x3D\x00\x41", 6),
                  QString::fromUtf8("\uFFFDA")},
        TitleCase{"Utf16LittleEndian", std::string("\xFF\xFE\x4C\x00\xE9\x00", 6), QString::fromUtf8("L\u00e9")},
        TitleCase{"Utf8WithMark", "\xEF\xBB\xBF\xE6\x97\xA5\xE6\x9C\xAC", QString::fromUtf8("\u65e5\u672c")},
        TitleCase{"Empty", "", ""}),
    TestNames::ByName());

// --- damaged outlines ---------------------------------------------------------------

// The outline entry with this title (reached without looping).
QPDFObjectHandle Item(QPDF& pdf, const std::string& title)
{
    std::set<QPDFObjGen> seen;
    std::vector<QPDFObjectHandle> stack{pdf.getRoot().getKey("/Outlines").getKey("/First")};
    while (!stack.empty()) {
        QPDFObjectHandle item = stack.back();
        stack.pop_back();
        if (!item.isDictionary() || !seen.insert(item.getObjGen()).second)
            continue;
        if (item.getKey("/Title").isString() && item.getKey("/Title").getStringValue() == title)
            return item;
        stack.push_back(item.getKey("/Next"));
        stack.push_back(item.getKey("/First"));
    }
    throw std::runtime_error("no entry " + title);
}

struct DamageCase
{
    const char* name;
    std::function<void(QPDF&)> edit;
    std::vector<OutlineEntry> outline; // of the whole document split into one file
    std::vector<int> readPages;        // the page of each entry as read for planning
};

const std::vector<OutlineEntry> kIntact = {{"A", 1, 1}, {"A1", 2, 2}, {"B", 1, 3},
                                           {"B1", 2, 4}, {"B2", 2, 4}, {"C", 1, 5}};
const std::vector<OutlineEntry> kWithoutB1 = {{"A", 1, 1}, {"A1", 2, 2}, {"B", 1, 3}, {"B2", 2, 4}, {"C", 1, 5}};

class DamagedOutline : public CarryOverTest, public ::testing::WithParamInterface<DamageCase>
{
};

TEST_P(DamagedOutline, NeverStopsTheSplit)
{
    const DamageCase& c = GetParam();
    Book book;
    book.pageCount = 6;
    book.outline = {{"A", 1, "", false, false, {{"A1", 2}}},
                    {"B", 3, "", false, false, {{"B1", 4}, {"B2", 4}}},
                    {"C", 5}};
    book.links = {{1, 3}, {2, 4}};
    book.namedDestinations = {{"b1", 4}};
    book.edit = c.edit;
    const QString path = Path("damaged.pdf");
    ASSERT_TRUE(WriteBook(path, book));

    XpdfSpliceInput in = xpdfSpliceOpenInputW(path);
    ASSERT_NE(in, nullptr);
    std::vector<XpdfSpliceOutlineEntry> entries;
    ASSERT_TRUE(xpdfSpliceReadOutline(in, entries));
    std::vector<int> pages;
    for (const auto& e : entries)
        pages.push_back(e.page);
    EXPECT_EQ(pages, c.readPages);
    xpdfSpliceCloseInput(in);

    const QString out = Split(path, {1, 2, 3, 4, 5, 6});
    EXPECT_EQ(PageMarkers(out), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(ReadOutline(out), c.outline);
    EXPECT_EQ(OutlineStructureFault(out), "");
    QString report;
    EXPECT_TRUE(QpdfCheck(out, {}, &report)) << report.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DamagedOutline,
    ::testing::Values(
        DamageCase{"SiblingsLoopBackToTheFirst",
                   [](QPDF& pdf) { Item(pdf, "C").replaceKey("/Next", Item(pdf, "A")); }, kIntact,
                   {1, 2, 3, 4, 4, 5}},
        // qpdf's own outline helper never returns from this one.
        DamageCase{"ChildrenLoopAmongThemselves",
                   [](QPDF& pdf) { Item(pdf, "B2").replaceKey("/Next", Item(pdf, "B1")); }, kIntact,
                   {1, 2, 3, 4, 4, 5}},
        DamageCase{"ChildPointsBackToItsParent",
                   [](QPDF& pdf) { Item(pdf, "B1").replaceKey("/First", Item(pdf, "B")); }, kIntact,
                   {1, 2, 3, 4, 4, 5}},
        DamageCase{"EntryIsItsOwnChild",
                   [](QPDF& pdf) { Item(pdf, "A1").replaceKey("/First", Item(pdf, "A1")); }, kIntact,
                   {1, 2, 3, 4, 4, 5}},
        DamageCase{"DestinationToADeletedPage",
                   [](QPDF& pdf) {
                       QPDFObjectHandle gone = pdf.makeIndirectObject(
                           QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 10 10] >>"));
                       Item(pdf, "B1").replaceKey("/Dest", QPDFObjectHandle::newArray({gone, QPDFObjectHandle::newName("/Fit")}));
                   },
                   kWithoutB1, {1, 2, 3, 0, 4, 5}},
        DamageCase{"MissingNamedDestination",
                   [](QPDF& pdf) { Item(pdf, "B1").replaceKey("/Dest", QPDFObjectHandle::newString("nosuch")); },
                   kWithoutB1, {1, 2, 3, 0, 4, 5}},
        DamageCase{"NamedDestination",
                   [](QPDF& pdf) { Item(pdf, "B1").replaceKey("/Dest", QPDFObjectHandle::newString("b1")); },
                   kIntact, {1, 2, 3, 4, 4, 5}},
        DamageCase{"NameTreeLoopsIntoItself",
                   [](QPDF& pdf) {
                       QPDFObjectHandle tree = pdf.getRoot().getKey("/Names").getKey("/Dests");
                       tree.getKey("/Kids").appendItem(tree);
                       Item(pdf, "B1").replaceKey("/Dest", QPDFObjectHandle::newString("nosuch"));
                   },
                   kWithoutB1, {1, 2, 3, 0, 4, 5}},
        DamageCase{"DestinationIsANumber",
                   [](QPDF& pdf) { Item(pdf, "B1").replaceKey("/Dest", QPDFObjectHandle::newInteger(42)); },
                   kWithoutB1, {1, 2, 3, 0, 4, 5}},
        DamageCase{"EmptyDestination",
                   [](QPDF& pdf) { Item(pdf, "B1").replaceKey("/Dest", QPDFObjectHandle::newArray()); },
                   kWithoutB1, {1, 2, 3, 0, 4, 5}},
        // Some writers give the 0-based page number instead of the page.
        DamageCase{"PageNumberInsteadOfThePage",
                   [](QPDF& pdf) {
                       Item(pdf, "B1").replaceKey("/Dest", QPDFObjectHandle::parse("[3 /Fit]"));
                   },
                   kIntact, {1, 2, 3, 4, 4, 5}},
        DamageCase{"ActionThatGoesElsewhere",
                   [](QPDF& pdf) {
                       QPDFObjectHandle b1 = Item(pdf, "B1");
                       b1.removeKey("/Dest");
                       b1.replaceKey("/A", QPDFObjectHandle::parse("<< /S /URI /URI (https://example.org/) >>"));
                   },
                   kWithoutB1, {1, 2, 3, 0, 4, 5}},
        DamageCase{"TitleIsNotAString",
                   [](QPDF& pdf) { Item(pdf, "A1").replaceKey("/Title", QPDFObjectHandle::newInteger(5)); },
                   {{"A", 1, 1}, {"", 2, 2}, {"B", 1, 3}, {"B1", 2, 4}, {"B2", 2, 4}, {"C", 1, 5}},
                   {1, 2, 3, 4, 4, 5}},
        DamageCase{"EntryIsNotADictionary",
                   [](QPDF& pdf) { Item(pdf, "B").replaceKey("/First", QPDFObjectHandle::newInteger(1)); },
                   {{"A", 1, 1}, {"A1", 2, 2}, {"B", 1, 3}, {"C", 1, 5}}, {1, 2, 3, 5}},
        DamageCase{"OutlinesIsNotADictionary",
                   [](QPDF& pdf) { pdf.getRoot().replaceKey("/Outlines", QPDFObjectHandle::newInteger(7)); }, {},
                   {}}),
    TestNames::ByName());

TEST_F(CarryOverTest, DeepOutlineIsReadAndCarried)
{
    constexpr int kDepth = 3000;
    Book book;
    book.pageCount = 2;
    book.edit = [](QPDF& pdf) {
        QPDFObjectHandle pageObject = pdf.getAllPages().at(1);
        QPDFObjectHandle root = pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Outlines >>"));
        QPDFObjectHandle parent = root;
        for (int i = 0; i < kDepth; ++i) {
            QPDFObjectHandle item = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
            item.replaceKey("/Title", QPDFObjectHandle::newString("level " + std::to_string(i + 1)));
            item.replaceKey("/Dest", QPDFObjectHandle::newArray({pageObject, QPDFObjectHandle::newName("/Fit")}));
            item.replaceKey("/Parent", parent);
            parent.replaceKey("/First", item);
            parent.replaceKey("/Last", item);
            parent = item;
        }
        pdf.getRoot().replaceKey("/Outlines", root);
    };
    const QString path = Path("deep.pdf");
    ASSERT_TRUE(WriteBook(path, book));
    XpdfSpliceInput in = xpdfSpliceOpenInputW(path);
    std::vector<XpdfSpliceOutlineEntry> entries;
    ASSERT_TRUE(xpdfSpliceReadOutline(in, entries));
    xpdfSpliceCloseInput(in);
    ASSERT_EQ(entries.size(), static_cast<size_t>(kDepth));
    EXPECT_EQ(entries.back().level, kDepth);
    const QString out = Split(path, {2});
    EXPECT_EQ(ReadOutline(out).size(), static_cast<size_t>(kDepth));
}

// --- damaged page labels -------------------------------------------------------------

struct LabelDamageCase
{
    const char* name;
    std::function<void(QPDF&)> edit;
};

class DamagedPageLabels : public CarryOverTest, public ::testing::WithParamInterface<LabelDamageCase>
{
};

// A label tree that cannot be read never stops the split, nor keeps the
// other parts from being carried.
TEST_P(DamagedPageLabels, NeverStopTheSplit)
{
    Book book;
    book.pageCount = 4;
    book.outline = {{"A", 1}, {"B", 3}};
    book.pageLabels = "0 << /S /r >> 2 << /S /D >>";
    book.info = {{"Title", "Labelled"}};
    book.edit = GetParam().edit;
    const QString path = Path("labels.pdf");
    ASSERT_TRUE(WriteBook(path, book));

    const QString out = Split(path, {2, 3, 4});
    EXPECT_EQ(PageMarkers(out), (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(ReadOutline(out), (std::vector<OutlineEntry>{{"B", 1, 2}}));
    EXPECT_EQ(InfoEntries(out).at("Title"), "Labelled");
    QString report;
    EXPECT_TRUE(QpdfCheck(out, {}, &report)) << report.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DamagedPageLabels,
    ::testing::Values(
        LabelDamageCase{"KidsLoopBackToTheRoot",
                        [](QPDF& pdf) {
                            QPDFObjectHandle labels = pdf.getRoot().getKey("/PageLabels");
                            QPDFObjectHandle root = pdf.makeIndirectObject(labels);
                            QPDFObjectHandle leaf = pdf.makeIndirectObject(QPDFObjectHandle::parse(
                                "<< /Nums [0 << /S /r >> 2 << /S /D >>] /Limits [0 2] >>"));
                            root.removeKey("/Nums");
                            root.replaceKey("/Kids", QPDFObjectHandle::newArray({leaf, root}));
                            pdf.getRoot().replaceKey("/PageLabels", root);
                        }},
        LabelDamageCase{"KeysAndValuesOfTheWrongKind",
                        [](QPDF& pdf) {
                            pdf.getRoot().replaceKey("/PageLabels", QPDFObjectHandle::parse(
                                "<< /Nums [(zero) << /S /r >> 2 /D 3 7 -5 << /S /Q /St -4 /P 12 >>] >>"));
                        }},
        LabelDamageCase{"NotADictionary",
                        [](QPDF& pdf) {
                            pdf.getRoot().replaceKey("/PageLabels", QPDFObjectHandle::newArray());
                        }}),
    TestNames::ByName());

} // namespace
