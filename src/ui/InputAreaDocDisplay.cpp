#include "ui/InputAreaDocDisplay.h"

#include "session/CParceloApp.h"
#include "session/EventNotify.h"
#include "ui/CBaseAreaView.h"

#include <QPainter>

InputAreaDocDisplay::InputAreaDocDisplay(CBaseAreaView* ownerView, const void* documentKey, int pageCount)
    : BaseDisplayBox(ownerView, documentKey)
{
    const CParceloApp* app = CParceloApp::Instance();
    thumbnails.reserve(pageCount > 0 ? std::size_t(pageCount) : 0);
    for (int page = 1; page <= pageCount; ++page)
        thumbnails.push_back(std::make_unique<InputAreaPageDisplay>(this, page, app && app->IsPageInAnySection(page)));
}

InputAreaDocDisplay::~InputAreaDocDisplay()
{
    ForgetShownPages(this);
}

void InputAreaDocDisplay::ReportShownThumbnails()
{
    std::vector<int> shown;
    if (owner) {
        const QRect visible = owner->VisibleContentRect();
        for (const auto& thumbnail : thumbnails) {
            if (thumbnail->cellRect.top() > BottomOf(visible))
                break;
            if (thumbnail->cellRect.intersects(visible))
                shown.push_back(thumbnail->pageNumber);
        }
    }
    ReportShownPages(this, shown);
}

void InputAreaDocDisplay::Draw(QPainter& painter, const QRect& clip)
{
    // Before any thumbnail asks for its image: renders still queued for
    // pages scrolled away are dropped, the ones asked for now go first.
    ReportShownThumbnails();
    painter.fillRect(clip, QColor(220, 220, 220));
    int index = 0;
    for (const auto& thumbnail : thumbnails) {
        ++index;
        if (BottomOf(thumbnail->cellRect) < clip.top())
            continue;
        if (thumbnail->cellRect.top() > BottomOf(clip))
            break;
        thumbnail->Draw(painter, clip, index == hoverPage);
    }
}

void InputAreaDocDisplay::SetVisibleArea(const QRect&) {}

void InputAreaDocDisplay::Invalidate(const QRect& rect)
{
    if (owner)
        owner->InvalidateContentRect(rect, true);
}

int InputAreaDocDisplay::ThumbnailIndexAt(const QPoint& point) const
{
    for (std::size_t i = 0; i < thumbnails.size(); ++i)
        if (thumbnails[i]->cellRect.contains(point))
            return int(i) + 1;
    return 0;
}

bool InputAreaDocDisplay::HitTest(int x, int y)
{
    const int i = ThumbnailIndexAt(QPoint(x, y));
    if (i == 0) {
        if (hoverPage > 0) {
            if (owner && hoverPage <= int(thumbnails.size()))
                owner->InvalidateContentRect(thumbnails[hoverPage - 1]->cellRect, false);
            hoverPage = 0;
        }
        return false;
    }
    if (i == hoverPage)
        return true;
    if (owner && hoverPage > 0 && hoverPage <= int(thumbnails.size()))
        owner->InvalidateContentRect(thumbnails[hoverPage - 1]->cellRect, false);
    hoverPage = i;
    if (owner)
        owner->InvalidateContentRect(thumbnails[i - 1]->cellRect, false);
    return true;
}

void InputAreaDocDisplay::OnEvent(std::uint32_t code, std::uintptr_t payload)
{
    switch (code) {
    case EVENT_SECTION_ADDED:
    case EVENT_SECTION_REMOVED:
    case EVENT_SECTION_PAGES_CHANGED:
        for (const auto& thumbnail : thumbnails)
            thumbnail->RefreshSectionMark();
        break;
    case EVENT_PAGE_SIZE_CHANGED:
        for (const auto& thumbnail : thumbnails)
            thumbnail->ResetLayout();
        if (owner) {
            owner->RecalcLayout();
            owner->viewport()->update();
        }
        break;
    case EVENT_PAGE_IMAGE_READY:
        if (payload >= 1 && payload <= thumbnails.size() && owner)
            owner->InvalidateContentRect(thumbnails[payload - 1]->cellRect, false);
        break;
    default:
        break;
    }
}
