// The input area: cell geometry of the document card, page marks, file drops
// and the context menu.
#include "test_drag_fixture.h"

#include "common/TestNames.h"

#include "resources/StringTable.h"
#include "session/ParceloInstance.h"
#include "ui/DrawPageImage.h"
#include "ui/InputAreaPageDisplay.h"

#include <QContextMenuEvent>
#include <QPainter>
#include <QScrollBar>
#include <QDir>
#include <QMimeData>
#include <QUrl>
#include <chrono>
#include <cmath>
#include <limits>

namespace {

struct CellCase
{
    const char* name;
    double aspect;
    int pageSize;
    int cellWidth;
    int imageWidth;
    int imageHeight;
};

class InputCellTest : public ::testing::TestWithParam<CellCase>
{
};

TEST_P(InputCellTest, ImageIsCentredAndLimitedToTheCell)
{
    const CellCase c = GetParam();
    const InputPageCellGeometry g = ComputeInputPageCell(c.aspect, c.pageSize, 18, 15, c.cellWidth);
    EXPECT_EQ(g.imageRect.width(), c.imageWidth) << c.name;
    EXPECT_EQ(g.imageRect.height(), c.imageHeight) << c.name;
    EXPECT_EQ(g.imageRect.top(), 15 + 6) << c.name;
    EXPECT_EQ(g.imageRect.left(), 18 + (c.cellWidth - c.imageWidth) / 2) << c.name;
    EXPECT_EQ(g.cellRect, QRect(18, 15, c.cellWidth, c.imageHeight + 30)) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InputCellTest,
    ::testing::Values(CellCase{"letter portrait", 612.0 / 792.0, 100, 168, 77, 100},
                      CellCase{"very wide page", 8.0, 100, 168, 156, 19},
                      CellCase{"largest size, limited by width", 612.0 / 792.0, 160, 120, 108, 139},
                      CellCase{"unknown ratio", 0.0, 100, 168, 156, 100},
                      CellCase{"unknown ratio above width", 0.0, 160, 100, 88, 160},
                      CellCase{"not a number", std::nan(""), 100, 168, 156, 100},
                      CellCase{"infinite", std::numeric_limits<double>::infinity(), 100, 168, 156, 100},
                      CellCase{"absurdly wide", 1e300, 100, 168, 156, 1},
                      CellCase{"absurdly tall", 1e-300, 100, 168, 1, 100},
                      CellCase{"no room at all", 1.0, 100, 5, 1, 1}),
    TestNames::ByName());

class InputAreaTest : public CardsFixture
{
};

TEST_F(InputAreaTest, TenPagesAreStackedSixPixelsApart)
{
    InputAreaDocDisplay* doc = input->DocumentCard();
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(doc->thumbnails.size(), 10u);
    QRect client = input->viewport()->rect();
    client.adjust(3, 3, -3, -3);
    const auto& first = doc->thumbnails[0]->cellRect;
    EXPECT_EQ(first.left(), client.left() + 15);
    EXPECT_EQ(first.top(), client.top() + 12);
    for (std::size_t i = 0; i < doc->thumbnails.size(); ++i) {
        const QRect& cell = doc->thumbnails[i]->cellRect;
        EXPECT_EQ(cell.height(), 130);
        EXPECT_EQ(cell.width(), first.width());
        if (i > 0)
            EXPECT_EQ(cell.top(), BottomOf(doc->thumbnails[i - 1]->cellRect) + 6);
    }
    // Ten cells do not fit: the scroll bar is shown and the cells take the
    // width left beside it.
    EXPECT_TRUE(input->IsScrollBarShown());
    EXPECT_EQ(first.width(), client.width() - 40);
    EXPECT_EQ(input->ContentHeight(), BottomOf(doc->thumbnails.back()->cellRect) + 3);
}

TEST_F(InputAreaTest, PageSizeChangeLaysTheCellsOutAgain)
{
    app->thumbnailSize = 80;
    app->Notify(EVENT_PAGE_SIZE_CHANGED, 0);
    EXPECT_EQ(input->DocumentCard()->thumbnails[0]->cellRect.height(), 110);
    EXPECT_EQ(input->DocumentCard()->thumbnails[0]->imageRect.height(), 80);
}

TEST_F(InputAreaTest, MarksFollowTheSections)
{
    InputAreaDocDisplay* doc = input->DocumentCard();
    for (const auto& t : doc->thumbnails)
        EXPECT_FALSE(t->inSection);
    SplitSection* s = Add({3, 5});
    EXPECT_TRUE(doc->thumbnails[2]->inSection);
    EXPECT_TRUE(doc->thumbnails[4]->inSection);
    EXPECT_FALSE(doc->thumbnails[3]->inSection);
    app->SetSectionPages(s, {4});
    EXPECT_FALSE(doc->thumbnails[2]->inSection);
    EXPECT_TRUE(doc->thumbnails[3]->inSection);
    Add({1});
    app->ClearAllSections();
    for (const auto& t : doc->thumbnails)
        EXPECT_FALSE(t->inSection);
}

TEST_F(InputAreaTest, HoverHighlightsOneThumbnail)
{
    InputAreaDocDisplay* doc = input->DocumentCard();
    const QRect cell = doc->thumbnails[1]->cellRect;
    EXPECT_TRUE(doc->HitTest(cell.center().x(), cell.center().y()));
    EXPECT_EQ(doc->hoverPage, 2);
    EXPECT_FALSE(doc->HitTest(cell.center().x(), BottomOf(cell) + 2)); // between two cells
    EXPECT_EQ(doc->hoverPage, 0);
}

TEST_F(InputAreaTest, PressBetweenCellsStartsNothing)
{
    Add({1});
    const QRect cell = input->DocumentCard()->thumbnails[0]->cellRect;
    const QPoint gap(cell.center().x(), BottomOf(cell) + 2 - input->ScrollPos());
    QTest::mousePress(input->viewport(), Qt::LeftButton, {}, gap);
    EXPECT_FALSE(split->IsDragging());
    QTest::mouseRelease(input->viewport(), Qt::LeftButton, {}, gap);
}

TEST_F(InputAreaTest, PaintingTellsTheDocumentWhichPagesAreShown)
{
    ParceloInstance* document = app->Document();
    input->repaint();
    // 700 pixels hold the first five cells of 136.
    EXPECT_TRUE(document->IsPageWanted(1));
    EXPECT_TRUE(document->IsPageWanted(5));
    EXPECT_FALSE(document->IsPageWanted(10));
    QScrollBar* bar = input->verticalScrollBar();
    bar->setValue(bar->maximum());
    input->repaint();
    EXPECT_FALSE(document->IsPageWanted(1));
    EXPECT_TRUE(document->IsPageWanted(10));
    // A section card shows its pages too, while it is open.
    SplitSectionDisplay* card = Card(Add({1, 2}));
    Expand(card);
    split->repaint();
    EXPECT_TRUE(document->IsPageWanted(1));
    EXPECT_FALSE(document->IsPageWanted(3));
    app->ClearAllSections(); // the card is gone
    EXPECT_FALSE(document->IsPageWanted(1));
}

TEST_F(InputAreaTest, ThumbnailIsDrawnFromAnImageRenderedForThePaintersPixelRatio)
{
    InputAreaPageDisplay& thumbnail = *input->DocumentCard()->thumbnails[0];
    QImage canvas(400, 400, QImage::Format_ARGB32);
    canvas.setDevicePixelRatio(2.0);
    canvas.fill(Qt::gray);
    const QRect rect(10, 10, 77, 100); // logical pixels: 154 x 200 on the canvas
    const int expected = 2 * app->thumbnailSize;
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    do {
        QPainter painter(&canvas);
        DrawPageImage(painter, thumbnail, rect);
        if (thumbnail.cachedImage.height() == expected)
            break;
        QTest::qWait(10);
    } while (std::chrono::steady_clock::now() < limit);
    EXPECT_EQ(thumbnail.cachedImage.height(), expected);
    // The page's black square is drawn at its top left, the paper around it white.
    EXPECT_LT(qGray(canvas.pixel(22, 22)), 80);
    EXPECT_EQ(canvas.pixel(2 * 10 + 150, 2 * 10 + 190), qRgb(255, 255, 255));
}

TEST_F(InputAreaTest, PageImageReadyForAnUnknownPageIsIgnored)
{
    app->Notify(EVENT_PAGE_IMAGE_READY, 0);
    app->Notify(EVENT_PAGE_IMAGE_READY, 11);
    app->Notify(EVENT_PAGE_IMAGE_READY, std::numeric_limits<std::uintptr_t>::max());
    app->Notify(EVENT_PAGE_IMAGE_READY, 3);
    SUCCEED();
}

TEST_F(InputAreaTest, ClosingTheDocumentEmptiesTheArea)
{
    app->CloseDocument();
    EXPECT_EQ(input->DocumentCard(), nullptr);
    EXPECT_FALSE(input->HasContent());
    EXPECT_EQ(input->ContentHeight(), 0);
}

struct DropCase
{
    const char* name;
    int fileCount; // files named in the drop
    bool folder;   // drop the folder instead
    int message;   // expected message, 0 = none (the file is opened)
};

class InputDropTest : public CardsFixture, public ::testing::WithParamInterface<DropCase>
{
};

TEST_P(InputDropTest, OnlyOneFileIsAccepted)
{
    const DropCase c = GetParam();
    const QString other = dir.filePath(QStringLiteral("other.pdf"));
    ASSERT_TRUE(PdfFixtures::WritePlainPdf(other, 3));
    QList<QUrl> urls;
    if (c.folder)
        urls << QUrl::fromLocalFile(dir.path());
    for (int i = 0; i < c.fileCount; ++i)
        urls << QUrl::fromLocalFile(i == 0 ? other : pdfPath);
    if (c.fileCount == 0 && !c.folder)
        urls << QUrl::fromLocalFile(dir.filePath(QStringLiteral("missing.pdf")));

    QMimeData mime;
    mime.setUrls(urls);
    const QPoint at = input->viewport()->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(input->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted()) << c.name;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(input->viewport(), &drop);
    QApplication::processEvents();

    if (c.message == 0) {
        EXPECT_TRUE(messages.empty()) << c.name;
        EXPECT_EQ(app->SourcePath(), other) << c.name;
        EXPECT_EQ(input->DocumentCard()->thumbnails.size(), 3u);
    } else {
        ASSERT_EQ(messages.size(), 1u) << c.name;
        EXPECT_EQ(messages[0], LoadResString(c.message)) << c.name;
        EXPECT_EQ(app->SourcePath(), pdfPath) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, InputDropTest,
                         ::testing::Values(DropCase{"one file", 1, false, 0}, DropCase{"two files", 2, false, 236},
                                           DropCase{"a folder", 0, true, 237},
                                           DropCase{"a missing file", 0, false, 237}),
                         TestNames::ByName());

TEST_F(InputAreaTest, ContextMenuOnlyWithADocument)
{
    int shown = 0;
    auto previous = CBaseAreaView::SetPopupHandler([&](QMenu*, const QPoint&) {
        ++shown;
        return 0;
    });
    const QPoint at = input->viewport()->rect().center();
    QContextMenuEvent withDocument(QContextMenuEvent::Mouse, at, input->viewport()->mapToGlobal(at));
    QApplication::sendEvent(input->viewport(), &withDocument);
    EXPECT_EQ(shown, 1);
    app->CloseDocument();
    QContextMenuEvent without(QContextMenuEvent::Mouse, at, input->viewport()->mapToGlobal(at));
    QApplication::sendEvent(input->viewport(), &without);
    EXPECT_EQ(shown, 1);
    CBaseAreaView::SetPopupHandler(std::move(previous));
}

TEST_F(InputAreaTest, DegeneratePageShapesStayInsideTheCards)
{
    const QString odd = dir.filePath(QStringLiteral("odd.pdf"));
    std::vector<PdfFixtures::PageDesign> pages(3);
    pages[0].width = 14000;
    pages[0].height = 3;
    pages[1].width = 3;
    pages[1].height = 14000;
    ASSERT_TRUE(PdfFixtures::WritePdf(odd, pages));
    ASSERT_TRUE(app->OpenDocument(odd));
    SplitSection* s = Add({1, 2, 3});
    Expand(Card(s));
    const QRect card = Card(s)->CardRect();
    for (const auto& t : Card(s)->thumbnails) {
        EXPECT_GE(t->cellRect.left(), card.left());
        EXPECT_LE(RightOf(t->cellRect), RightOf(card));
    }
    InputAreaDocDisplay* doc = input->DocumentCard();
    for (const auto& t : doc->thumbnails) {
        EXPECT_GT(t->imageRect.width(), 0);
        EXPECT_GT(t->imageRect.height(), 0);
        EXPECT_LE(RightOf(t->imageRect), RightOf(t->cellRect));
    }
    // A drag of the wide page starts and drops without trouble.
    const QRect r = Card(s)->thumbnails[0]->ImageHitRect();
    DragInSplit(QPoint(r.center().x(), r.center().y() - split->ScrollPos()),
                HeaderPoint(Card(s)) + QPoint(0, 4));
    EXPECT_EQ(s->pages.size(), 3u);
}

} // namespace
