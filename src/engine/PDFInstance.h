#pragma once
// One open PDF document: its viewer (through PDFViewWrapper), the hidden
// window hosting it, and caches of page images and page shapes. Images are
// rendered by the page image service (PDFInstanceManager) or at once for
// callers that cannot wait, and kept for the life of the instance.
#include "engine/PDFViewWrapper.h"
#include "work/OruLock.h"

#include <QPointer>
#include <cstdint>
#include <vector>

class CHiddenWnd;
class PDFInstanceManager;
class QImage;

class PDFInstance : public PDFViewWrapper
{
public:
    // The manager that hosts the instance's window and renders its pages;
    // null means the program's one manager.
    explicit PDFInstance(PDFInstanceManager* manager = nullptr);
    // Window thread: destroys the viewer and the host windows, deletes the
    // cached images.
    ~PDFInstance() override;

    // Creates the host windows and the viewer when needed, loads the document
    // (prompting for its password with promptId) and sizes the caches to its
    // page count. False on failure. Window thread.
    virtual bool Open(const QString& path, int promptId);

    // The cached image of the page; when none: with renderNow false queue a
    // request and return null, with renderNow true render it here. A page
    // whose render failed returns null and is not rendered or queued again
    // until the document is opened again. The image belongs to the instance
    // and lives as long as it does. Any thread.
    const QImage* GetPageImage(int page, bool renderNow);

    // Displayed width over displayed height (the page's own rotation
    // applied); 1.0 for unusable shapes. Window thread.
    double GetPageAspect(int page);

    // Number of pages of the open document (0 before Open).
    int GetPageCount();

    // Whether the page's render failed (see GetPageImage).
    bool PageRenderFailed(int page);

    PDFInstanceManager& Manager() const { return *m_manager; }

private:
    friend class PDFInstanceManager;

    PDFInstanceManager* m_manager;
    QPointer<CHiddenWnd> m_hostParent;
    int m_refCount = 0; // guarded by the manager's lock
    OruLockable m_imageLock;
    std::vector<QImage*> m_images;       // one slot per page
    std::vector<std::uint8_t> m_failed;  // 1: rendering this page failed
    OruLockable m_aspectLock;
    std::vector<double> m_aspects;       // 0.0: not computed yet
};
