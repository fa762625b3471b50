#include "engine/PDFInstance.h"

#include "engine/PDFInstanceManager.h"
#include "engine/RepairedCopy.h"

#include <QImage>

#include <algorithm>
#include <cmath>

int PageImageTarget::BoxHeight() const
{
    const double ratio = std::isfinite(pixelRatio) ? std::clamp(pixelRatio, 1.0, 8.0) : 1.0;
    const int logical = std::clamp(height, 1, kLargestThumbnailHeight);
    return std::max(1, static_cast<int>(std::lround(logical * ratio)));
}

PDFInstance::PDFInstance(PDFInstanceManager* manager)
    : m_manager(manager ? manager : &PDFInstanceManager::Get())
{
}

PDFInstance::~PDFInstance()
{
    if (m_viewer) {
        pdfDestroyViewer(m_viewer);
        m_viewer = nullptr;
    }
    // Destroying the hidden parent also destroys the viewer's host window
    // and frees its slot in the manager's list.
    delete m_hostParent.data();
    OruLock lock(m_imageLock);
    m_slots.clear();
}

QImage PDFInstance::GetPageImage(int page, bool renderNow, const PageImageTarget& target)
{
    QImage stale;
    {
        OruLock lock(m_imageLock);
        if (page < 1 || page > static_cast<int>(m_slots.size()))
            return QImage();
        Slot& slot = m_slots[static_cast<size_t>(page - 1)];
        slot.wanted = target;
        if (!slot.image.isNull() && slot.target == target)
            return slot.image;
        // A page that failed is not tried again until the document is
        // opened again; an image it had keeps being shown.
        if (slot.failed)
            return slot.image;
        stale = slot.image;
    }
    if (!renderNow) {
        m_manager->RequestPage(page, this, target);
        return stale;
    }
    // Rendered without any lock held; two renders of one page may run at
    // once and the first one stored for a target wins.
    QImage image = RenderPageToFit(page, target.BoxWidth(), target.BoxHeight());
    OruLock lock(m_imageLock);
    if (page > static_cast<int>(m_slots.size()))
        return QImage();
    Slot& slot = m_slots[static_cast<size_t>(page - 1)];
    if (image.isNull()) {
        slot.failed = true;
        return slot.image;
    }
    if (!slot.image.isNull() && slot.target == target)
        return slot.image;
    // An image for a size nobody asks for any more only fills an empty slot.
    if (slot.image.isNull() || slot.wanted == target) {
        slot.image = image;
        slot.target = target;
    }
    return image;
}

double PDFInstance::GetPageAspect(int page)
{
    {
        OruLock lock(m_aspectLock);
        if (page < 1 || page > static_cast<int>(m_aspects.size()))
            return 1.0;
        const double cached = m_aspects[static_cast<size_t>(page - 1)];
        if (cached != 0.0)
            return cached;
    }
    const int rotation = ((pdfGetPageRotation(m_viewer, page) % 360) + 360) % 360;
    const double ratio = GetMediaBoxRatio(page);
    double value = ratio;
    if (ratio != 0.0 && (rotation == 90 || rotation == 270))
        value = 1.0 / ratio;
    if (!std::isfinite(value) || value <= 0.0)
        value = 1.0;
    OruLock lock(m_aspectLock);
    m_aspects[static_cast<size_t>(page - 1)] = value;
    return value;
}

int PDFInstance::GetPageCount()
{
    OruLock lock(m_imageLock);
    return static_cast<int>(m_slots.size());
}

bool PDFInstance::PageRenderFailed(int page)
{
    OruLock lock(m_imageLock);
    if (page < 1 || page > static_cast<int>(m_slots.size()))
        return false;
    return m_slots[static_cast<size_t>(page - 1)].failed;
}

void PDFInstance::SetShownPages(const void* view, const std::vector<int>& pages)
{
    std::vector<int> sorted = pages;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    OruLock lock(m_viewLock);
    m_shown[view] = std::move(sorted);
}

void PDFInstance::ForgetView(const void* view)
{
    OruLock lock(m_viewLock);
    m_shown.erase(view);
}

bool PDFInstance::IsPageWanted(int page)
{
    OruLock lock(m_viewLock);
    if (m_shown.empty())
        return true;
    for (const auto& [view, pages] : m_shown) {
        if (std::binary_search(pages.begin(), pages.end(), page))
            return true;
    }
    return false;
}
