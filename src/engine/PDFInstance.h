#pragma once
// One open PDF document: its viewer (through PDFViewWrapper), the hidden
// window hosting it, and caches of page images and page shapes. Images are
// rendered by the page image service (PDFInstanceManager) or at once for
// callers that cannot wait. Each page keeps one image, rendered for the size
// it was last asked for; an image asked for at another size is rendered
// again and replaces it.
#include "engine/OpenStatus.h"
#include "engine/PDFViewWrapper.h"
#include "engine/XpdfSpliceOutline.h"
#include "work/OruLock.h"

#include <QImage>
#include <QPointer>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

class CHiddenWnd;
class RepairedCopy;
class PDFInstanceManager;

// The largest thumbnail height the window offers, in logical pixels.
constexpr int kLargestThumbnailHeight = 160;
// A thumbnail is at most this many times as wide as it is high.
constexpr int kWidestThumbnailRatio = 2;

// What a page image is rendered for: the height in logical pixels of the
// cell it is drawn in (the thumbnail size), and the device pixel ratio of the
// screen it is shown on. The image fits a box of height x pixelRatio device
// pixels, at most kWidestThumbnailRatio times as wide; the height is capped
// at kLargestThumbnailHeight and the ratio at 8, so no page shape and no
// caller makes an image larger than the largest cell.
struct PageImageTarget
{
    int height = kLargestThumbnailHeight;
    double pixelRatio = 1.0;

    // The box in device pixels, after the caps.
    int BoxHeight() const;
    int BoxWidth() const { return BoxHeight() * kWidestThumbnailRatio; }
    friend bool operator==(const PageImageTarget& a, const PageImageTarget& b)
    {
        return a.BoxHeight() == b.BoxHeight();
    }
    friend bool operator!=(const PageImageTarget& a, const PageImageTarget& b) { return !(a == b); }
};

class PDFInstance : public PDFViewWrapper
{
public:
    // The manager that hosts the instance's window and renders its pages;
    // null means the program's one manager.
    explicit PDFInstance(PDFInstanceManager* manager = nullptr);
    // Window thread: destroys the viewer and the host windows, drops the
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
    // document without pages opens (the caller decides). Window thread, or
    // any one thread after PrepareOpen, while nothing else uses the
    // instance.
    virtual bool Open(const QString& path, int promptId);

    // Makes what the instance needs of the window thread (its host windows
    // and the viewer) without reading anything, so that Open may then run
    // on a work thread. False, with LastOpenStatus() saying why, when they
    // cannot be made. Window thread.
    bool PrepareOpen();

    // Why the last Open failed (error None after a success).
    const OpenStatus& LastOpenStatus() const { return m_openStatus; }

    // What the splicing layer read at Open: whether the document is
    // encrypted, and its permission bits (every bit set when it is not).
    bool SourceEncrypted() const { return m_sourceEncrypted; }
    int SourcePermissions() const { return m_sourcePermissions; }
    // The document's bookmarks as the splicing layer read them at Open,
    // while its page tree was at hand (empty when it has none).
    const std::vector<XpdfSpliceOutlineEntry>& Outline() const { return m_outline; }

    // The file the viewer reads: the document itself, or its repaired copy
    // (empty before Open and for a document without pages).
    const QString& ViewedPath() const { return m_viewedPath; }
    bool ViewsRepairedCopy() const;

    // The page's image for the target. When the cached image was rendered
    // for another target it is returned all the same (to be drawn scaled)
    // and a new one is made; when none is cached a null image is returned.
    // A new image is made here with renderNow, otherwise by the page image
    // service, which announces it when it is ready. A page whose render
    // failed is not rendered or queued again until the document is opened
    // again. The returned image shares its pixels with the cache and stays
    // valid after the cache replaces it. Any thread.
    QImage GetPageImage(int page, bool renderNow, const PageImageTarget& target = PageImageTarget());

    // Displayed width over displayed height (the page's own rotation
    // applied); 1.0 for unusable shapes. Window thread.
    double GetPageAspect(int page);

    // Number of pages of the open document (0 before Open).
    int GetPageCount();

    // Whether the page's render failed (see GetPageImage).
    bool PageRenderFailed(int page);

    // The pages a view shows now, in any order (duplicates allowed); the
    // view is any key that stays unique while it lives. A queued render of a
    // page that no view shows any more is dropped before it runs. While no
    // view has reported, every queued render runs. Any thread.
    void SetShownPages(const void* view, const std::vector<int>& pages);
    // The view is gone: it shows nothing from now on.
    void ForgetView(const void* view);
    // Whether a page is worth rendering: some view shows it, or no view has
    // reported what it shows.
    bool IsPageWanted(int page);

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

    struct Slot
    {
        QImage image;           // null until rendered
        PageImageTarget target; // what the image was rendered for
        PageImageTarget wanted; // what the page was last asked for
        bool failed = false;    // rendering this page failed
    };

    PDFInstanceManager* m_manager;
    QPointer<CHiddenWnd> m_hostParent;
    int m_refCount = 0; // guarded by the manager's lock
    OruLockable m_imageLock;
    std::vector<Slot> m_slots; // one per page
    OruLockable m_aspectLock;
    std::vector<double> m_aspects; // 0.0: not computed yet
    OruLockable m_viewLock;
    std::map<const void*, std::vector<int>> m_shown; // per view, sorted

    OpenStatus m_openStatus;
    bool m_sourceEncrypted = false;
    int m_sourcePermissions = -1;
    std::vector<XpdfSpliceOutlineEntry> m_outline;
    QString m_viewedPath;
    std::unique_ptr<RepairedCopy> m_copy; // removed after the viewer is destroyed
};
