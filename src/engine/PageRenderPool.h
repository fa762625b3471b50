#pragma once
// Renders the pages of one open document through Poppler's core API, for the
// viewer layer. Every handle is a document of its own, read from the same
// open file, with one output device kept for all its pages, so fonts and
// other per-document state are loaded once rather than for every page. A
// handle is used by one thread at a time; when every handle is busy the pool
// opens another one, up to its limit, or waits for one to come free.
// Thread-safe; no call throws.
#include <QByteArray>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

class PageRenderPool
{
public:
    struct Options
    {
        bool antialias = true;        // glyphs
        bool vectorAntialias = true;  // paths and fills
    };

    // A rendered page: rows of 4 bytes per pixel (blue, green, red, 255),
    // no padding, the bottom row first. The pixels are allocated with malloc; whoever takes
    // them frees them with free.
    struct Bitmap
    {
        void* pixels = nullptr;
        int width = 0;
        int height = 0;
    };

    enum class Result
    {
        Ok,
        BadPage,      // no such page in the document
        Unmeasurable, // the page's box is empty, not finite, or beyond any usable scale
        Failed,       // the page could not be rendered
        Unavailable,  // the document could not be opened through the core API
    };

    // fd: an open descriptor of the document's file, which the pool takes
    // over and closes; each handle reads a duplicate of it, so the pool sees
    // the file that was opened even if its name is later given to another.
    // password: the UTF-8 password the document was opened with (empty:
    // none). maxHandles: how many handles may exist at once (at least 1).
    PageRenderPool(int fd, const QByteArray& password, const Options& options, int maxHandles);
    // Waits for renders in progress, then closes every handle.
    ~PageRenderPool();

    PageRenderPool(const PageRenderPool&) = delete;
    PageRenderPool& operator=(const PageRenderPool&) = delete;

    // Renders the page at a resolution in dots per inch; a page that would
    // exceed maxSide pixels on a side or maxPixels in all is rendered at
    // the lower resolution that fits.
    Result RenderAtResolution(int page, double dpi, double maxSide, double maxPixels, Bitmap& out);

    // Renders the page as large as fits into maxWidth x maxHeight pixels,
    // its shape kept; the resolution follows from the size of the page as
    // displayed (crop box, page rotation applied).
    Result RenderInBox(int page, int maxWidth, int maxHeight, Bitmap& out);

    // Handles opened so far (for tests and measurements).
    int HandleCount();

private:
    struct Handle;

    // A free handle, opening one when none is free and the limit allows;
    // null when the document cannot be opened through the core API.
    Handle* Acquire();
    void Release(Handle* handle);
    std::unique_ptr<Handle> OpenHandle();
    template <typename ChooseScale>
    Result Render(int page, ChooseScale choose, Bitmap& out);

    const int m_fd;
    const QByteArray m_password;
    const Options m_options;

    std::mutex m_mutex;
    std::condition_variable m_free;
    std::vector<std::unique_ptr<Handle>> m_handles;
    std::vector<Handle*> m_idle;
    int m_limit;                // most handles that may exist
    int m_opening = 0;          // handles being opened right now
    bool m_unavailable = false; // no handle could be opened: the core path is not used
};
