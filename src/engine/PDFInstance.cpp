#include "engine/PDFInstance.h"

#include "engine/PDFInstanceManager.h"
#include "engine/RepairedCopy.h"

#include <QImage>

#include <cmath>

namespace {

// Resolution of page thumbnails.
constexpr double kThumbnailDpi = 14.4;

} // namespace

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
    for (QImage*& image : m_images) {
        delete image;
        image = nullptr;
    }
}

const QImage* PDFInstance::GetPageImage(int page, bool renderNow)
{
    {
        OruLock lock(m_imageLock);
        if (page < 1 || page > static_cast<int>(m_images.size()))
            return nullptr;
        const size_t slot = static_cast<size_t>(page - 1);
        if (m_images[slot])
            return m_images[slot];
        // A page that failed stays empty until the document is opened again.
        if (m_failed[slot])
            return nullptr;
    }
    if (!renderNow) {
        m_manager->RequestPage(page, this);
        return nullptr;
    }
    // Rendered without any lock held; two renders of one page may run at
    // once and the first one stored wins.
    QImage* image = RenderPage(page, kThumbnailDpi);
    OruLock lock(m_imageLock);
    const size_t slot = static_cast<size_t>(page - 1);
    if (slot >= m_images.size()) {
        delete image;
        return nullptr;
    }
    if (!image) {
        if (!m_images[slot])
            m_failed[slot] = 1;
        return m_images[slot];
    }
    if (m_images[slot])
        delete image;
    else
        m_images[slot] = image;
    return m_images[slot];
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
    return static_cast<int>(m_images.size());
}

bool PDFInstance::PageRenderFailed(int page)
{
    OruLock lock(m_imageLock);
    if (page < 1 || page > static_cast<int>(m_failed.size()))
        return false;
    return m_failed[static_cast<size_t>(page - 1)] != 0;
}
