#include "ui/CInputAreaView.h"

#include "ui/Artwork.h"
#include "resources/StringTable.h"
#include "session/CParceloApp.h"
#include "ui/DrawPageImage.h"
#include "ui/FrameCommands.h"
#include "ui/InputAreaDocDisplay.h"
#include "session/SessionUser.h"
#include "ui/PageDragInfo.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>

// The strip above the scrolling cards with the file name and the page count.
class InputAreaHeader : public QWidget
{
public:
    explicit InputAreaHeader(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QRect r = rect();
        painter.fillRect(r, QColor(220, 220, 220));
        const CParceloApp* app = CParceloApp::Instance();
        if (!app || !app->Document())
            return;
        painter.setFont(ArialFont(this, 12, QFont::Bold));
        painter.setPen(Qt::black);
        const QString count = FormatResString(200, app->PageCount());
        const QFontMetrics metrics(painter.font());
        const int countWidth = metrics.horizontalAdvance(count);
        painter.drawText(r, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, count);

        const QString& path = app->SourcePath();
        const int cut = int(std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/'))));
        const QString name = path.mid(cut + 1);
        const QRect nameRect(r.left(), r.top(), std::max(0, r.width() - countWidth - 5), r.height());
        painter.drawText(nameRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         metrics.elidedText(name, Qt::ElideRight, nameRect.width()));
    }
};

CInputAreaView::CInputAreaView(QWidget* parent) : CBaseAreaView(parent)
{
    backgroundBrush = QBrush(QColor(245, 245, 245));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(245, 245, 245));
    setPalette(pal);
    setAutoFillBackground(true);
    setFrameShape(QFrame::NoFrame);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    m_header = new InputAreaHeader(this);
    m_header->hide();
}

CInputAreaView::~CInputAreaView() = default;

InputAreaDocDisplay* CInputAreaView::DocumentCard() const
{
    return boxes.empty() ? nullptr : static_cast<InputAreaDocDisplay*>(boxes.front().get());
}

void CInputAreaView::Notify(std::uint32_t code, std::uintptr_t payload)
{
    CParceloApp* app = CParceloApp::Instance();
    switch (code) {
    case EVENT_DOCUMENT_OPENED:
        if (app && app->Document()) {
            // A second open without a close in between replaces the card.
            if (InputAreaDocDisplay* old = DocumentCard())
                RemoveBox(old->key);
            AddBox(std::make_unique<InputAreaDocDisplay>(this, app->Document(), app->PageCount()));
        }
        RefreshFrame();
        break;
    case EVENT_DOCUMENT_CLOSED:
        if (InputAreaDocDisplay* card = DocumentCard())
            RemoveBox(card->key);
        RefreshFrame();
        break;
    case EVENT_SECTION_ADDED:
    case EVENT_SECTION_REMOVED:
    case EVENT_SECTION_PAGES_CHANGED:
    case EVENT_PAGE_SIZE_CHANGED:
    case EVENT_PAGE_IMAGE_READY:
        if (InputAreaDocDisplay* card = DocumentCard())
            card->OnEvent(code, payload);
        break;
    default:
        break;
    }
}

void CInputAreaView::RefreshFrame()
{
    // With a document the scrolling client area sits below the header and
    // inside a 3-pixel frame; without one it takes the whole window.
    if (DocumentCard()) {
        setViewportMargins(3, 3 + kHeaderHeight + 3, 3, 3);
        PlaceHeader();
        m_header->show();
        m_header->update();
    } else {
        setViewportMargins(0, 0, 0, 0);
        m_header->hide();
    }
    RecalcLayout();
    update();
    viewport()->update();
}

void CInputAreaView::PlaceHeader()
{
    // The scroll bar runs the full height of the area; the header ends
    // where it begins.
    const int bar = IsScrollBarShown() ? verticalScrollBar()->sizeHint().width() : 0;
    m_header->setGeometry(3, 3, std::max(0, width() - 6 - bar), kHeaderHeight);
}

void CInputAreaView::Layout(QRect r)
{
    CBaseAreaView::Layout(r);
    PlaceHeader();
}

void CInputAreaView::resizeEvent(QResizeEvent* event)
{
    PlaceHeader();
    CBaseAreaView::resizeEvent(event);
}

void CInputAreaView::AdjustClientRect(QRect& rect)
{
    rect.adjust(3, 3, -3, -3);
}

bool CInputAreaView::HasContent()
{
    return DocumentCard() != nullptr;
}

int CInputAreaView::ArrangeBoxes(const QRect& r)
{
    InputAreaDocDisplay* card = DocumentCard();
    if (!card)
        return 0;
    const int x = r.left() + 15;
    const int cellWidth = r.width() - 40;
    int y = r.top() + 12;
    for (const auto& thumbnail : card->thumbnails)
        y = thumbnail->LayoutPageCell(y, x, cellWidth) + 6;
    return y - 3;
}

void CInputAreaView::Draw(QPainter& painter, const QRect& updateRect)
{
    const QRect client = viewport()->rect();
    if (!DocumentCard()) {
        painter.save();
        painter.setPen(QColor(105, 105, 105));
        const int m = (client.top() + BottomOf(client)) / 2;
        painter.setFont(ArialFont(viewport(), 14, QFont::Bold));
        painter.drawText(RectFromEdges(client.left(), client.top(), RightOf(client), m - 2),
                         Qt::AlignHCenter | Qt::AlignBottom | Qt::TextSingleLine, LoadResString(201));
        const QFont normal = ArialFont(viewport(), 12, QFont::Normal);
        painter.setFont(normal);
        const QString second = LoadResString(202);
        QRect drawn;
        painter.drawText(RectFromEdges(client.left(), m + 2, RightOf(client), BottomOf(client)),
                         Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, second, &drawn);
        const int t = QFontMetrics(normal).height();
        painter.drawText(RectFromEdges(client.left(), m + 2 + t, RightOf(client), BottomOf(client)),
                         Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, LoadResString(203));
        painter.restore();
        return;
    }
    painter.setPen(Qt::black);
    painter.setFont(ArialFont(viewport(), 9));
    CBaseAreaView::Draw(painter, updateRect);
}

void CInputAreaView::OnContextMenu(const QPoint& screenPos)
{
    if (!DocumentCard())
        return;
    QMenu* popup = LoadMenuResource(326, this);
    if (!popup)
        return;
    const int command = TrackPopup(popup, screenPos);
    delete popup;
    if (command != 0)
        PostFrameCommand(command);
}

void CInputAreaView::OnLButtonDown(const QPoint& client, Qt::KeyboardModifiers modifiers)
{
    InputAreaDocDisplay* card = DocumentCard();
    if (!card) {
        CBaseAreaView::OnLButtonDown(client, modifiers);
        return;
    }
    const QPoint c(client.x(), client.y() + scrollPos);
    const int i = card->ThumbnailIndexAt(c);
    if (i == 0)
        return;
    InputAreaPageDisplay& thumbnail = *card->thumbnails[std::size_t(i - 1)];
    PageDragInfo info;
    info.pageNumber = i;
    const QImage image = thumbnail.GetImage(true, viewport()->devicePixelRatioF());
    info.image = image.isNull() ? nullptr : &image;
    info.width = thumbnail.imageRect.width();
    info.height = thumbnail.imageRect.height();
    info.offsetX = thumbnail.imageRect.left() - c.x();
    info.offsetY = thumbnail.imageRect.top() - c.y();
    if (CParceloApp* app = CParceloApp::Instance())
        app->Notify(EVENT_PAGE_DRAG_STARTED, reinterpret_cast<std::uintptr_t>(&info));
}

void CInputAreaView::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData() && event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void CInputAreaView::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData() && event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void CInputAreaView::dropEvent(QDropEvent* event)
{
    if (!event->mimeData() || !event->mimeData()->hasUrls()) {
        event->ignore();
        return;
    }
    const QList<QUrl> urls = event->mimeData()->urls();
    event->acceptProposedAction();
    // Messages and the open (which may ask for a password) run after the
    // file manager's drag has finished, not inside it.
    QPointer<CInputAreaView> self(this);
    QTimer::singleShot(0, this, [self, urls] {
        if (self)
            self->OnDropFiles(urls);
    });
}

void CInputAreaView::OnDropFiles(const QList<QUrl>& urls)
{
    CParceloApp* app = CParceloApp::Instance();
    if (!app)
        return;
    if (QWidget* frame = qobject_cast<QWidget*>(app->MainWindow()))
        frame->activateWindow();
    if (urls.size() > 1) {
        ShowError(LoadResString(236));
        return;
    }
    const QString path = urls.isEmpty() ? QString() : urls.front().toLocalFile();
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists() || info.isDir()) {
        ShowError(LoadResString(237));
        return;
    }
    app->OpenDocument(path);
}
