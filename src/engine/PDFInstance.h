#pragma once
// One open PDF document: its viewer (through PDFViewWrapper), the hidden
// window hosting it, and caches of page images and page shapes. Images are
// rendered by the page image service (PDFInstanceManager) or at once for
// callers that cannot wait, and kept for the life of the instance.
#include "engine/OpenStatus.h"
#include "engine/PDFViewWrapper.h"
#include "work/OruLock.h"

#include <QPointer>
#include <cstdint>
#include <memory>
#include <vector>

class CHiddenWnd;
class RepairedCopy;
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

    // Creates the host windows and the viewer when needed and loads the
    // document. The splicing layer reads the file first: it asks for the
    // password (prompt promptId) when the document needs one, and walks the
    // page tree, whose pages are the document's pages. The viewer then
    // loads the file itself, or, when it cannot read it or would see other
    // pages, a repaired copy written by the splicing layer into a private
    // file that lives as long as the instance. The caches are sized to the
    // page count. False on failure, with LastOpenStatus() saying why; a
    // document without pages opens (the caller decides). Window thread.
    virtual bool Open(const QString& path, int promptId);

    // Why the last Open failed (error None after a success).
    const OpenStatus& LastOpenStatus() const { return m_openStatus; }

    // What the splicing layer read at Open: whether the document is
    // encrypted, and its permission bits (every bit set when it is not).
    bool SourceEncrypted() const { return m_sourceEncrypted; }
    int SourcePermissions() const { return m_sourcePermissions; }

    // The file the viewer reads: the document itself, or its repaired copy
    // (empty before Open and for a document without pages).
    const QString& ViewedPath() const { return m_viewedPath; }
    bool ViewsRepairedCopy() const;

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

protected:
    // Records why opening failed; returns false for the caller to return.
    bool OpenFailed(OpenError error, int systemError = 0);

private:
    bool CreateViewer();
    // Loads the file into the viewer with the password (empty: none),
    // never prompting. True when it loaded with exactly `pages` pages.
    bool LoadViewer(const QString& file, const QString& password, int pages);

    friend class PDFInstanceManager;

    PDFInstanceManager* m_manager;
    QPointer<CHiddenWnd> m_hostParent;
    int m_refCount = 0; // guarded by the manager's lock
    OruLockable m_imageLock;
    std::vector<QImage*> m_images;       // one slot per page
    std::vector<std::uint8_t> m_failed;  // 1: rendering this page failed
    OruLockable m_aspectLock;
    std::vector<double> m_aspects;       // 0.0: not computed yet

    OpenStatus m_openStatus;
    bool m_sourceEncrypted = false;
    int m_sourcePermissions = -1;
    QString m_viewedPath;
    std::unique_ptr<RepairedCopy> m_copy; // removed after the viewer is destroyed
};
