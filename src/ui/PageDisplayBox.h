#pragma once
// Base of the page thumbnails shown on the cards: the document card of the
// input area (InputAreaPageDisplay) and the section cards of the split area
// (SplitPageDisplay). A thumbnail is no window; its card lays it out and
// draws it.
#include <QImage>
#include <QRect>
#include <cstdint>
#include <vector>

class BaseDisplayBox;

class PageDisplayBox
{
public:
    PageDisplayBox(BaseDisplayBox* ownerCard, std::int32_t page) : pageNumber(page), card(ownerCard) {}
    virtual ~PageDisplayBox() = default;

    PageDisplayBox(const PageDisplayBox&) = delete;
    PageDisplayBox& operator=(const PageDisplayBox&) = delete;

    // Forgets the cell so the next layout pass places the thumbnail afresh.
    virtual void ResetLayout() { cellRect = QRect(); }
    // The page image for a screen of the given device pixel ratio: the
    // cached one if it exists (possibly rendered for another size, when a
    // sharper one is on its way); otherwise with wait false none (a
    // background render is queued), with wait true rendered at once.
    virtual QImage GetImage(bool wait, double pixelRatio = 1.0) = 0;

    std::int32_t pageNumber = 0;          // 1-based page of the source document
    QImage cachedImage;                   // shares its pixels with the document's cache
    BaseDisplayBox* card = nullptr;       // the owning card
    QRect cellRect;                       // the thumbnail's cell, content coordinates
};

// The open document's image of a page at the current thumbnail height (see
// GetImage) and its width-to-height ratio (0 when unknown). Both are safe to
// call with no document open.
QImage OpenDocumentPageImage(std::int32_t page, bool wait, double pixelRatio = 1.0);
double OpenDocumentPageAspect(std::int32_t page);

// Tells the open document which pages a card shows now (view: the card), so
// that renders queued for pages scrolled out of view are dropped; and that
// the card is gone. Safe to call with no document open.
void ReportShownPages(const void* view, const std::vector<int>& pages);
void ForgetShownPages(const void* view);

// Exclusive right and bottom edges, as the card geometry is written with them.
inline int RightOf(const QRect& r) { return r.x() + r.width(); }
inline int BottomOf(const QRect& r) { return r.y() + r.height(); }
// A rectangle from its four edges (right and bottom exclusive).
inline QRect RectFromEdges(int left, int top, int right, int bottom)
{
    return QRect(left, top, right - left, bottom - top);
}
