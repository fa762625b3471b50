#include "ui/SplitSectionDisplay.h"

#include "ui/Artwork.h"
#include "resources/StringTable.h"
#include "session/CParceloApp.h"
#include "session/EventNotify.h"
#include "session/PageRangeText.h"
#include "session/SaveSplit.h"
#include "session/SplitSection.h"
#include "support/PathHelpers.h"
#include "ui/CNiceMFCButton.h"
#include "ui/CSplitAreaView.h"
#include "ui/DrawPageImage.h"
#include "ui/FrameCommands.h"

#include <QAction>
#include <QApplication>
#include <QFontMetricsF>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

const QColor kCollapsedColour(220, 220, 220);
const QColor kExpandedColour(176, 196, 222);

int g_pagesLabelWidth = -1;
int g_fileNameLabelWidth = -1;

// A name typed on the card is taken only when it can be saved: a valid file
// name that stays within the file system's limit once ".pdf" is added.
bool IsSavableFileName(const QString& text)
{
    return IsValidFileName(text) && !IsFileNameTooLong(CompletedFileName(text));
}

int PageCountNow()
{
    const CParceloApp* app = CParceloApp::Instance();
    return app ? app->PageCount() : 0;
}

int ThumbnailSizeNow()
{
    const CParceloApp* app = CParceloApp::Instance();
    return app ? app->thumbnailSize : 100;
}

} // namespace

HeaderEditLayout ComputeHeaderEditLayout(int available, int fileNameLabelWidth)
{
    HeaderEditLayout layout;
    const long long avail = available;
    const long long label = fileNameLabelWidth;
    if (avail > label + 320) {
        layout.showRemoveButton = true;
        if (avail >= label + 660)
            layout.editWidth = 300;
        else
            layout.editWidth = int((avail - label - 60) / 2);
    } else {
        layout.editWidth = 130;
        layout.showRemoveButton = false;
    }
    return layout;
}

int SplitThumbnailImageWidth(double ratio, int thumbnailSize, int maxWidth)
{
    const int limit = std::max(1, maxWidth);
    int w = thumbnailSize;
    if (ratio != 0.0) {
        const double natural = ratio * thumbnailSize;
        // Unusable shapes (not finite, not positive) are drawn square.
        if (std::isfinite(natural) && natural > 0.0)
            w = natural >= double(limit) ? limit : int(natural);
    }
    return std::clamp(w, 1, limit);
}

int InsertPositionAmong(const std::vector<QRect>& cells, const QPoint& p)
{
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const QRect& cell = cells[i];
        if (BottomOf(cell) < p.y())
            continue;
        if (p.y() < cell.top() || p.x() < cell.left())
            return int(i);
        if (p.x() < RightOf(cell))
            return int(i) + (((cell.left() + RightOf(cell)) / 2 < p.x()) ? 1 : 0);
    }
    return int(cells.size());
}

PageList MovePageEntry(const PageList& pages, int from, int insertAt)
{
    PageList result = pages;
    if (from < 0 || from >= int(result.size()))
        return result;
    const std::int32_t page = result[std::size_t(from)];
    result.erase(result.begin() + from);
    int at = from < insertAt ? insertAt - 1 : insertAt;
    at = std::clamp(at, 0, int(result.size()));
    result.insert(result.begin() + at, page);
    return result;
}

int SplitSectionDisplay::PagesLabelWidth()
{
    return g_pagesLabelWidth < 0 ? 0 : g_pagesLabelWidth;
}

int SplitSectionDisplay::FileNameLabelWidth()
{
    return g_fileNameLabelWidth < 0 ? 0 : g_fileNameLabelWidth;
}

SplitSectionDisplay::SplitSectionDisplay(CSplitAreaView* ownerView, SplitSection* section)
    : BaseDisplayBox(ownerView, section), m_section(section)
{
    RebuildThumbnails();
}

SplitSectionDisplay::~SplitSectionDisplay()
{
    ForgetShownPages(this);
    thumbnails.clear();
    ReleaseHeaderControls();
}

CSplitAreaView* SplitSectionDisplay::SplitArea() const
{
    return static_cast<CSplitAreaView*>(owner);
}

QColor SplitSectionDisplay::CardColour() const
{
    return expanded ? kExpandedColour : kCollapsedColour;
}

QRect SplitSectionDisplay::CardRect() const
{
    return QRect(headerRect.left(), headerRect.top(), headerRect.width(), totalHeight);
}

void SplitSectionDisplay::ReleaseControl(QWidget* control)
{
    if (!control)
        return;
    if (owner)
        owner->UnregisterChildControl(control);
    else
        delete control;
}

void SplitSectionDisplay::ReleaseHeaderControls()
{
    ReleaseControl(toggleButton);
    toggleButton = nullptr;
    ReleaseControl(pageRangeEdit);
    pageRangeEdit = nullptr;
    ReleaseControl(fileNameEdit);
    fileNameEdit = nullptr;
    ReleaseControl(removeSectionButton);
    removeSectionButton = nullptr;
}

void SplitSectionDisplay::MeasureLabelWidths()
{
    if (g_pagesLabelWidth >= 0 && g_fileNameLabelWidth >= 0)
        return;
    const int dpi = owner ? owner->viewport()->logicalDpiX() : 96;
    const QFontMetricsF metrics(ArialFontForDpi(dpi, 9, QFont::Bold));
    const QRectF layout(0, 0, 1000, 1000);
    g_pagesLabelWidth = int(metrics.boundingRect(layout, 0, FormatResString(221, 888)).width()) + 5;
    g_fileNameLabelWidth = int(metrics.boundingRect(layout, 0, LoadResString(222)).width()) + 5;
}

void SplitSectionDisplay::RebuildThumbnails()
{
    thumbnails.clear();
    hotPage = 0;
    if (!m_section)
        return;
    thumbnails.reserve(m_section->pages.size());
    for (const std::int32_t page : m_section->pages)
        thumbnails.push_back(std::make_unique<SplitPageDisplay>(this, page));
}

void SplitSectionDisplay::ReportShownThumbnails()
{
    std::vector<int> shown;
    if (expanded && owner) {
        const QRect visible = owner->VisibleContentRect();
        for (const auto& thumbnail : thumbnails) {
            if (thumbnail->cellRect.intersects(visible))
                shown.push_back(thumbnail->pageNumber);
        }
    }
    ReportShownPages(this, shown);
}

int SplitSectionDisplay::LayoutCard(const QRect& area, int top)
{
    MeasureLabelWidths();
    const QRect header(area.left(), top, area.width(), kHeaderHeight);
    const bool changed = header != headerRect;
    headerRect = header;
    int y = BottomOf(headerRect);
    if (expanded) {
        const int x0 = area.left() + 3;
        const int rightLimit = RightOf(area) - 3;
        const int size = ThumbnailSizeNow();
        // A single cell is never wider than the row.
        const int widestImage = std::max(1, rightLimit - x0 - 22);
        int x = x0;
        y = BottomOf(headerRect) + 7;
        int rowHeight = 0;
        for (const auto& thumbnail : thumbnails) {
            const int w = SplitThumbnailImageWidth(OpenDocumentPageAspect(thumbnail->pageNumber), size, widestImage);
            // A very narrow page keeps its shape, centred in a cell wide
            // enough for the remove button.
            const int cellWidth = std::max(w, kMinThumbnailImageWidth) + 22;
            const int cellHeight = size + 32;
            if (x > x0 && x + cellWidth > rightLimit) {
                x = x0;
                y = y + rowHeight + 6;
                rowHeight = 0;
            }
            thumbnail->cellRect = QRect(x, y, cellWidth, cellHeight);
            thumbnail->imageWidth = w;
            rowHeight = std::max(rowHeight, cellHeight);
            x = RightOf(thumbnail->cellRect) + 5;
        }
        y = y + rowHeight + 6;
    }
    totalHeight = y - headerRect.top();
    if (changed || needsReposition)
        PositionControls(area);
    return y;
}

void SplitSectionDisplay::SetVisibleArea(const QRect& visible)
{
    PositionControls(visible);
}

void SplitSectionDisplay::PositionControls(const QRect& visible)
{
    if (!owner)
        return;
    const int t = headerRect.top() - owner->ScrollPos();
    const int L = headerRect.left() + PagesLabelWidth() + 39;
    if (!headerRect.intersects(visible)) {
        ReleaseHeaderControls();
    } else {
        const QRect toggleRect(headerRect.left() + 3, t + 5, 30, 30);
        if (!toggleButton)
            CreateButton(toggleButton, toggleRect, expanded ? 2 : 1, CardColour(), expanded ? 225 : 224, true);
        else
            toggleButton->setGeometry(toggleRect);

        const int available = RightOf(visible) - L;
        const HeaderEditLayout edits = ComputeHeaderEditLayout(available, FileNameLabelWidth());

        const QRect pageRect(L, t + 10, edits.editWidth, 20);
        if (!pageRangeEdit) {
            if (CreateEdit(pageRangeEdit, pageRect, m_section ? FormatPageList(m_section->pages) : QString(), 255))
                ColourInvalidText(pageRangeEdit);
        } else {
            pageRangeEdit->setGeometry(pageRect);
        }

        const QRect nameRect(L + edits.editWidth + FileNameLabelWidth() + 30, t + 10, edits.editWidth, 20);
        if (!fileNameEdit) {
            if (CreateEdit(fileNameEdit, nameRect, m_section ? m_section->fileName : QString(), 260))
                ColourInvalidText(fileNameEdit);
        } else {
            fileNameEdit->setGeometry(nameRect);
        }

        if (edits.showRemoveButton) {
            const QRect removeRect(RightOf(headerRect) - 30, t + 5, 30, 30);
            if (!removeSectionButton)
                CreateButton(removeSectionButton, removeRect, 0, CardColour(), 223, true);
            else
                removeSectionButton->setGeometry(removeRect);
        } else {
            ReleaseControl(removeSectionButton);
            removeSectionButton = nullptr;
        }
    }
    if (expanded)
        for (const auto& thumbnail : thumbnails)
            thumbnail->PositionRemoveButton(visible);
    needsReposition = false;
}

void SplitSectionDisplay::Draw(QPainter& painter, const QRect& clip)
{
    ReportShownThumbnails();
    const QRect cardRect = CardRect();
    if (cardRect.intersects(clip)) {
        painter.fillRect(cardRect & clip, CardColour());
        if (headerRect.intersects(clip)) {
            painter.save();
            painter.setFont(ArialFontForDpi(painter.device() ? painter.device()->logicalDpiX() : 96, 9, QFont::Bold));
            painter.setPen(Qt::black);
            const int flags = Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine;
            if (pageRangeEdit) {
                const QRect r(pageRangeEdit->geometry().left() - PagesLabelWidth() - 3, headerRect.top(),
                              PagesLabelWidth(), headerRect.height());
                painter.drawText(r, flags, FormatResString(221, m_section ? m_section->number : 0));
            }
            if (fileNameEdit) {
                const QRect r(fileNameEdit->geometry().left() - FileNameLabelWidth() - 3, headerRect.top(),
                              FileNameLabelWidth(), headerRect.height());
                painter.drawText(r, flags, LoadResString(222));
            }
            painter.restore();
        }
    }
    if (!expanded)
        return;

    painter.save();
    QPen dashed(QColor(119, 119, 119), 1, Qt::DashLine);
    painter.setPen(dashed);
    const int lineY = BottomOf(headerRect) + 1;
    painter.drawLine(headerRect.left(), lineY, RightOf(headerRect), lineY);
    painter.drawLine(headerRect.left(), lineY + 1, RightOf(headerRect), lineY + 1);
    painter.restore();

    int index = 0;
    for (const auto& thumbnail : thumbnails) {
        ++index;
        if (thumbnail->cellRect.intersects(clip))
            thumbnail->DrawThumbnail(painter, index == hotPage);
    }

    if (const std::optional<QRect> bar = InsertionMarkRect()) {
        const QRect r = bar->adjusted(1, 1, -1, -1);
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(QColor(68, 68, 68), 1));
        painter.setBrush(QColor(68, 68, 68));
        painter.drawRoundedRect(r, 2, 2);
        painter.restore();
    }
}

void SplitSectionDisplay::Invalidate(const QRect& rect)
{
    if (owner)
        owner->InvalidateContentRect(rect & CardRect(), false);
}

void SplitSectionDisplay::ToggleExpanded()
{
    expanded = !expanded;
    if (toggleButton) {
        toggleButton->SetImage(CardButtonImage(expanded ? 2 : 1));
        toggleButton->setToolTip(LoadResString(expanded ? 225 : 224));
        toggleButton->SetFaceColour(CardColour());
    }
    if (removeSectionButton)
        removeSectionButton->SetFaceColour(CardColour());
    if (expanded) {
        needsReposition = true;
    } else {
        for (const auto& thumbnail : thumbnails)
            thumbnail->ReleaseRemoveButton();
    }
    if (owner)
        owner->RelayoutAndRepaint();
}

std::vector<QWidget*> SplitSectionDisplay::TabOrderControls() const
{
    // The header from left to right, then the pages' remove buttons.
    std::vector<QWidget*> order;
    for (QWidget* control : {static_cast<QWidget*>(toggleButton.data()), static_cast<QWidget*>(pageRangeEdit.data()),
                             static_cast<QWidget*>(fileNameEdit.data()), static_cast<QWidget*>(removeSectionButton.data())})
        if (control)
            order.push_back(control);
    if (expanded)
        for (const auto& thumbnail : thumbnails)
            if (thumbnail->removePageButton)
                order.push_back(thumbnail->removePageButton);
    return order;
}

void SplitSectionDisplay::OnChildCommand(int controlId)
{
    CSplitAreaView* area = SplitArea();
    if (removeSectionButton && CBaseAreaView::ControlIdOf(removeSectionButton) == controlId) {
        if (area)
            area->PostRemoveSplit(m_section);
        return;
    }
    if (toggleButton && CBaseAreaView::ControlIdOf(toggleButton) == controlId) {
        ToggleExpanded();
        return;
    }
    if (!expanded)
        return;
    for (std::size_t i = 0; i < thumbnails.size(); ++i) {
        const auto& button = thumbnails[i]->removePageButton;
        if (button && CBaseAreaView::ControlIdOf(button) == controlId) {
            if (area)
                area->PostRemovePage(m_section, int(i));
            return;
        }
    }
}

bool SplitSectionDisplay::IsPageRangeTextValid() const
{
    if (!pageRangeEdit)
        return true;
    PageList pages;
    return ParsePageList(pageRangeEdit->text(), PageCountNow(), pages);
}

void SplitSectionDisplay::ColourInvalidText(QLineEdit* child) const
{
    if (!child)
        return;
    bool invalid = false;
    if (child == pageRangeEdit)
        invalid = !IsPageRangeTextValid();
    else if (child == fileNameEdit)
        invalid = !IsSavableFileName(child->text());
    else
        return;
    QPalette pal = child->palette();
    const QColor colour = invalid ? InvalidTextColour() : QApplication::palette(child).color(QPalette::Text);
    if (pal.color(QPalette::Text) != colour) {
        pal.setColor(QPalette::Text, colour);
        child->setPalette(pal);
    }
}

void SplitSectionDisplay::OnChildTextChanged(int controlId)
{
    CParceloApp* app = CParceloApp::Instance();
    if (pageRangeEdit && CBaseAreaView::ControlIdOf(pageRangeEdit) == controlId) {
        QPointer<QLineEdit> edit = pageRangeEdit;
        PageList pages;
        if (ParsePageList(edit->text(), PageCountNow(), pages) && app && m_section)
            app->SetSectionPages(m_section, pages);
        ColourInvalidText(edit);
        return;
    }
    if (fileNameEdit && CBaseAreaView::ControlIdOf(fileNameEdit) == controlId) {
        QPointer<QLineEdit> edit = fileNameEdit;
        const QString text = edit->text();
        if (IsSavableFileName(text) && app && m_section)
            app->SetSectionFileName(m_section, text);
        ColourInvalidText(edit);
    }
}

void SplitSectionDisplay::OnChildFocusLost(int controlId)
{
    if (!m_section)
        return;
    if (pageRangeEdit && CBaseAreaView::ControlIdOf(pageRangeEdit) == controlId) {
        if (!IsPageRangeTextValid())
            pageRangeEdit->setText(FormatPageList(m_section->pages));
        ColourInvalidText(pageRangeEdit);
        return;
    }
    if (fileNameEdit && CBaseAreaView::ControlIdOf(fileNameEdit) == controlId) {
        if (!IsSavableFileName(fileNameEdit->text()))
            fileNameEdit->setText(m_section->fileName);
        ColourInvalidText(fileNameEdit);
    }
}

void SplitSectionDisplay::ResetEditTexts(bool pageText, bool nameText)
{
    if (!m_section)
        return;
    if (nameText && fileNameEdit && !fileNameEdit->hasFocus() && fileNameEdit->text() != m_section->fileName) {
        fileNameEdit->setText(m_section->fileName);
        ColourInvalidText(fileNameEdit);
    }
    if (pageText && pageRangeEdit && !pageRangeEdit->hasFocus()) {
        const QString text = FormatPageList(m_section->pages);
        if (pageRangeEdit->text() != text) {
            pageRangeEdit->setText(text);
            ColourInvalidText(pageRangeEdit);
        }
    }
}

void SplitSectionDisplay::OnEvent(std::uint32_t code, std::uintptr_t payload)
{
    switch (code) {
    case EVENT_SECTION_PAGES_CHANGED:
        ResetEditTexts(true, true);
        RebuildThumbnails();
        if (expanded) {
            needsReposition = true;
            if (owner)
                owner->RelayoutAndRepaint();
        }
        break;
    case EVENT_SECTION_NAME_CHANGED:
        ResetEditTexts(false, true);
        if (owner)
            owner->InvalidateContentRect(headerRect, false);
        break;
    case EVENT_PAGE_SIZE_CHANGED:
        if (expanded)
            needsReposition = true;
        break;
    case EVENT_PAGE_IMAGE_READY: {
        const CParceloApp* app = CParceloApp::Instance();
        if (!expanded || !app || !m_section || payload > std::uintptr_t(INT32_MAX))
            break;
        const int page = int(payload);
        if (!app->SectionContainsPage(m_section, page))
            break;
        for (const auto& thumbnail : thumbnails) {
            if (thumbnail->pageNumber == page) {
                if (owner)
                    owner->InvalidateContentRect(thumbnail->cellRect, false);
                break;
            }
        }
        break;
    }
    default:
        break;
    }
}

int SplitSectionDisplay::ThumbnailAt(const QPoint& point, bool imageAreaOnly) const
{
    if (!expanded)
        return 0;
    for (std::size_t i = 0; i < thumbnails.size(); ++i) {
        const QRect area = imageAreaOnly ? thumbnails[i]->ImageHitRect() : thumbnails[i]->cellRect;
        if (area.contains(point))
            return int(i) + 1;
    }
    return 0;
}

void SplitSectionDisplay::SetHotPage(int n)
{
    if (n < 0 || n > int(thumbnails.size()))
        n = 0;
    if (n == hotPage)
        return;
    if (owner && hotPage > 0 && hotPage <= int(thumbnails.size()))
        owner->InvalidateContentRect(thumbnails[std::size_t(hotPage - 1)]->cellRect, false);
    hotPage = n;
    if (owner && hotPage > 0)
        owner->InvalidateContentRect(thumbnails[std::size_t(hotPage - 1)]->cellRect, false);
}

bool SplitSectionDisplay::HitTest(int x, int y)
{
    const int n = ThumbnailAt(QPoint(x, y), false);
    if (n == 0)
        return false;
    SetHotPage(n);
    return true;
}

int SplitSectionDisplay::ContextMenuAt(int x, int y, std::uintptr_t& cookie)
{
    const QPoint p(x, y);
    if (!CardRect().contains(p))
        return 0;
    cookie = 0;
    if (expanded) {
        const int n = ThumbnailAt(p, false);
        if (n > 0)
            cookie = std::uintptr_t(n - 1);
    }
    return 327;
}

void SplitSectionDisplay::PrepareContextMenu(QMenu* popup, std::uintptr_t)
{
    if (!popup)
        return;
    const bool canRemovePage = m_section && m_section->pages.size() >= 2;
    for (QAction* action : popup->actions())
        if (action->data().toInt() == ID_REMOVE_PAGE_FROM_SPLIT)
            action->setEnabled(canRemovePage);
}

void SplitSectionDisplay::OnContextCommand(int commandId, std::uintptr_t cookie)
{
    CSplitAreaView* area = SplitArea();
    if (!area || !m_section)
        return;
    if (commandId == ID_DELETE_SPLIT_SECTION)
        area->PostRemoveSplit(m_section);
    else if (commandId == ID_REMOVE_PAGE_FROM_SPLIT && m_section->pages.size() >= 2 && cookie < m_section->pages.size())
        area->PostRemovePage(m_section, int(cookie));
}

std::optional<CardDragImage> SplitSectionDisplay::DragImageAt(const QPoint& point)
{
    const int i = ThumbnailAt(point, true);
    if (i == 0)
        return std::nullopt;
    SplitPageDisplay& thumbnail = *thumbnails[std::size_t(i - 1)];
    const QRect hit = thumbnail.ImageHitRect();
    CardDragImage result;
    result.image = thumbnail.GetImage(true, owner ? owner->viewport()->devicePixelRatioF() : 1.0);
    result.width = std::max(1, hit.width());
    result.height = std::max(1, hit.height());
    result.hotspotX = std::clamp(hit.left() - point.x(), -(result.width - 1), 0);
    result.hotspotY = std::clamp(hit.top() - point.y(), -(result.height - 1), 0);
    return result;
}

bool SplitSectionDisplay::UpdateInsertIndex(const SplitSectionDisplay* source, bool copy, const QPoint& point)
{
    if (!CardRect().contains(point))
        return false;
    int n = int(thumbnails.size());
    if (expanded) {
        if (headerRect.contains(point)) {
            n = 0;
        } else {
            std::vector<QRect> cells;
            cells.reserve(thumbnails.size());
            for (const auto& thumbnail : thumbnails)
                cells.push_back(thumbnail->cellRect);
            n = InsertPositionAmong(cells, point);
        }
    }
    if (!copy && source == this && hotPage > 0 && (n == hotPage || n == hotPage - 1))
        n = -1;
    if (n != insertIndex) {
        if (owner)
            if (const std::optional<QRect> old = InsertionMarkRect())
                owner->InvalidateContentRect(*old, true);
        insertIndex = n;
        if (owner)
            if (const std::optional<QRect> bar = InsertionMarkRect())
                owner->InvalidateContentRect(*bar, true);
    }
    return insertIndex != -1;
}

std::optional<QRect> SplitSectionDisplay::InsertionMarkRect() const
{
    const int count = int(thumbnails.size());
    if (insertIndex < 0 || count == 0 || insertIndex > count)
        return std::nullopt;
    const QRect& cell = insertIndex < count ? thumbnails[std::size_t(insertIndex)]->cellRect : thumbnails.back()->cellRect;
    const int edge = insertIndex < count ? cell.left() : RightOf(cell);
    return RectFromEdges(edge - 2, cell.top() + 28, edge + 3, BottomOf(cell) - 3);
}

void SplitSectionDisplay::ClearInsertionMark()
{
    if (owner)
        if (const std::optional<QRect> bar = InsertionMarkRect())
            owner->InvalidateContentRect(*bar, true);
    insertIndex = -1;
}

void SplitSectionDisplay::InsertDroppedPage(int page)
{
    CParceloApp* app = CParceloApp::Instance();
    if (!app || !m_section)
        return;
    int pos = expanded ? insertIndex : int(thumbnails.size());
    if (pos < 0)
        return;
    PageList pages = m_section->pages;
    pos = std::min(pos, int(pages.size()));
    pages.insert(pages.begin() + pos, page);
    app->SetSectionPages(m_section, pages);
}

void SplitSectionDisplay::RemoveHotPage()
{
    CParceloApp* app = CParceloApp::Instance();
    if (!app || !m_section || hotPage <= 0 || hotPage > int(m_section->pages.size()))
        return;
    PageList pages = m_section->pages;
    pages.erase(pages.begin() + (hotPage - 1));
    hotPage = 0;
    if (pages.empty()) {
        if (CSplitAreaView* area = SplitArea())
            area->PostRemoveSplit(m_section);
    } else {
        app->SetSectionPages(m_section, pages);
    }
}

void SplitSectionDisplay::MoveHotPage()
{
    CParceloApp* app = CParceloApp::Instance();
    if (!app || !m_section || hotPage <= 0 || insertIndex < 0 || hotPage > int(m_section->pages.size()))
        return;
    const int from = hotPage - 1;
    const PageList pages = MovePageEntry(m_section->pages, from, insertIndex);
    hotPage = 0;
    insertIndex = -1;
    app->SetSectionPages(m_section, pages);
}
