#include "engine/XpdfViewer.h"

#include "engine/PageRenderPool.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTextStream>

#include <poppler/qt6/poppler-qt6.h>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

static_assert(sizeof(BITMAPINFOHEADER) == 40, "bitmap header must keep its classic layout");

namespace {

// Largest rendered image the layer produces; bigger requests are rendered at
// a lower resolution so a hostile page size cannot exhaust memory.
constexpr double kMaxSide = 8192.0;
constexpr double kMaxPixels = 16.0 * 1024 * 1024;

// Settings read from the engine configuration file that mean something to
// Poppler.
struct EngineSettings
{
    bool antialias = true;
    bool vectorAntialias = true;
};

std::mutex g_settingsMutex;
EngineSettings g_settings;

// Most render handles (each a document of its own) a viewer keeps: one per
// page image worker and one for the window thread.
int MaxRenderHandles()
{
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 1 ? 3 : 2;
}

// One viewer: one Poppler document for loading and for the page facts, and
// a pool of core-API documents that render pages. Every call on a viewer
// takes its own mutex, and no other lock is taken while it is held, so calls
// from the window thread and from the page image threads never race;
// rendering holds the mutex only to find the pool, which serialises its own
// documents.
struct Viewer
{
    std::mutex mutex;
    QObject* parent = nullptr;
    bool showPasswordDialog = true;
    bool hyperlinks = true;
    bool continuous = true;
    std::unique_ptr<Poppler::Document> document;
    // Replaced at every load; a render in progress keeps the old one alive.
    std::shared_ptr<PageRenderPool> pool;
};

void QuietPoppler(const QString&, const QVariant&) {}

void InstallQuietErrors()
{
    static std::once_flag once;
    std::call_once(once, [] { Poppler::setDebugErrorFunction(QuietPoppler, QVariant()); });
}

bool ParseYesNo(const QString& word, bool fallback)
{
    if (word.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0)
        return true;
    if (word.compare(QLatin1String("no"), Qt::CaseInsensitive) == 0)
        return false;
    return fallback;
}

void ApplySettings(Poppler::Document& doc)
{
    EngineSettings s;
    {
        std::lock_guard<std::mutex> l(g_settingsMutex);
        s = g_settings;
    }
    doc.setRenderHint(Poppler::Document::Antialiasing, s.vectorAntialias);
    doc.setRenderHint(Poppler::Document::TextAntialiasing, s.antialias);
    // No glyph hinting: page images are thumbnails whose glyphs are a few
    // pixels high, where hinting changes little but runs the font's byte
    // code for every glyph of every page (Poppler's own command-line
    // renderer leaves it off as well).
    doc.setRenderHint(Poppler::Document::TextHinting, false);
    doc.setPaperColor(Qt::white);
}

PageRenderPool::Options PoolOptions()
{
    EngineSettings s;
    {
        std::lock_guard<std::mutex> l(g_settingsMutex);
        s = g_settings;
    }
    PageRenderPool::Options options;
    options.antialias = s.antialias;
    options.vectorAntialias = s.vectorAntialias;
    return options;
}

int Load(Viewer* v, const QString& path, const QByteArray* password)
{
    if (path.isEmpty())
        return PDFVIEWER_ERR_BAD_ARG;
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable())
        return PDFVIEWER_ERR_OPEN;
    // The render pool reads the file opened here, whatever later happens to
    // the name.
    const int fd = open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    try {
        std::unique_ptr<Poppler::Document> doc =
            password ? Poppler::Document::load(path, *password, *password) : Poppler::Document::load(path);
        int result = PDFVIEWER_OK;
        if (!doc)
            result = PDFVIEWER_ERR_DAMAGED;
        else if (doc->isLocked())
            result = PDFVIEWER_ERR_PASSWORD;
        else if (doc->numPages() < 1)
            result = PDFVIEWER_ERR_DAMAGED;
        if (result != PDFVIEWER_OK) {
            if (fd >= 0)
                close(fd);
            return result;
        }
        ApplySettings(*doc);
        v->document = std::move(doc);
        v->pool = fd >= 0 ? std::make_shared<PageRenderPool>(fd, password ? *password : QByteArray(), PoolOptions(),
                                                             MaxRenderHandles())
                          : nullptr;
        return PDFVIEWER_OK;
    } catch (...) {
        if (fd >= 0)
            close(fd);
        return PDFVIEWER_ERR_DAMAGED;
    }
}

std::shared_ptr<PageRenderPool> PoolOf(Viewer* v)
{
    std::lock_guard<std::mutex> l(v->mutex);
    return v->pool;
}

// Hands a pool's bitmap to the caller of the layer as a bottom-up bitmap.
void FillHeader(BITMAPINFOHEADER* header, const PageRenderPool::Bitmap& bitmap, double dpi)
{
    const size_t rowBytes = static_cast<size_t>(bitmap.width) * 4;
    std::memset(header, 0, sizeof *header);
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = bitmap.width;
    header->biHeight = bitmap.height;
    header->biPlanes = 1;
    header->biBitCount = 32;
    header->biCompression = 0;
    header->biSizeImage = static_cast<std::uint32_t>(rowBytes * static_cast<size_t>(bitmap.height));
    const int perMeter = std::isfinite(dpi) ? static_cast<int>(std::lround(std::min(dpi, 1e6) / 0.0254)) : 0;
    header->biXPelsPerMeter = perMeter;
    header->biYPelsPerMeter = perMeter;
}

// The page, or null for a page number outside the document. Called with the
// viewer's mutex held.
std::unique_ptr<Poppler::Page> PageOf(Viewer* v, int page)
{
    if (!v->document || page < 1 || page > v->document->numPages())
        return nullptr;
    return v->document->page(page - 1);
}

int RotationOf(const Poppler::Page& p)
{
    switch (p.orientation()) {
    case Poppler::Page::Landscape:
        return 90;
    case Poppler::Page::UpsideDown:
        return 180;
    case Poppler::Page::Seascape:
        return 270;
    case Poppler::Page::Portrait:
        break;
    }
    return 0;
}

// The page's box in unrotated page space, with its origin at 0. Poppler gives
// the size of the box it displays (the crop box, which is the media box
// unless the page narrows it) with the page's rotation applied.
bool UnrotatedBox(Viewer* v, int page, double& width, double& height)
{
    std::unique_ptr<Poppler::Page> p = PageOf(v, page);
    if (!p)
        return false;
    const QSizeF size = p->pageSizeF();
    const int rotation = RotationOf(*p);
    width = (rotation == 90 || rotation == 270) ? size.height() : size.width();
    height = (rotation == 90 || rotation == 270) ? size.width() : size.height();
    return true;
}

double BoxEdge(PdfViewer viewer, int page, bool xAxis, bool max)
{
    auto* v = static_cast<Viewer*>(viewer);
    if (!v)
        return 0.0;
    std::lock_guard<std::mutex> l(v->mutex);
    try {
        double w = 0, h = 0;
        if (!UnrotatedBox(v, page, w, h))
            return 0.0;
        return max ? (xAxis ? w : h) : 0.0;
    } catch (...) {
        return 0.0;
    }
}

} // namespace

int pdfInitLibrary(const char* configPath)
{
    InstallQuietErrors();
    EngineSettings s;
    if (configPath && *configPath) {
        QFile f(QString::fromLocal8Bit(configPath));
        if (f.open(QIODevice::ReadOnly | QIODevice::Text)) {
            QTextStream in(&f);
            in.setEncoding(QStringConverter::Utf8);
            QString line;
            while (in.readLineInto(&line)) {
                const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
                if (words.size() < 2)
                    continue;
                if (words[0] == QLatin1String("antialias"))
                    s.antialias = ParseYesNo(words[1], s.antialias);
                else if (words[0] == QLatin1String("vectorAntialias"))
                    s.vectorAntialias = ParseYesNo(words[1], s.vectorAntialias);
                // Font mapping lines have no counterpart in Poppler, which
                // finds fonts through the system's font configuration.
            }
        }
    }
    std::lock_guard<std::mutex> l(g_settingsMutex);
    g_settings = s;
    return PDFVIEWER_OK;
}

int pdfCreateViewer(PdfViewer* viewer, QObject* parent)
{
    if (!viewer)
        return PDFVIEWER_ERR_BAD_ARG;
    InstallQuietErrors();
    try {
        auto* v = new Viewer;
        v->parent = parent;
        *viewer = v;
        return PDFVIEWER_OK;
    } catch (...) {
        *viewer = nullptr;
        return PDFVIEWER_ERR_BAD_ARG;
    }
}

int pdfShowPasswordDialog(PdfViewer viewer, int show)
{
    auto* v = static_cast<Viewer*>(viewer);
    if (!v)
        return PDFVIEWER_ERR_BAD_ARG;
    std::lock_guard<std::mutex> l(v->mutex);
    v->showPasswordDialog = show != 0;
    return PDFVIEWER_OK;
}

int pdfLoadFileW(PdfViewer viewer, const QString& path)
{
    auto* v = static_cast<Viewer*>(viewer);
    if (!v)
        return PDFVIEWER_ERR_BAD_ARG;
    std::lock_guard<std::mutex> l(v->mutex);
    // This layer never shows a password prompt of its own: a document that
    // needs one reports PDFVIEWER_ERR_PASSWORD whatever the setting.
    return Load(v, path, nullptr);
}

int pdfLoadFileWithPasswordW(PdfViewer viewer, const QString& path, const char* password)
{
    auto* v = static_cast<Viewer*>(viewer);
    if (!v)
        return PDFVIEWER_ERR_BAD_ARG;
    const QByteArray pw(password ? password : "");
    std::lock_guard<std::mutex> l(v->mutex);
    return Load(v, path, &pw);
}

int pdfEnableHyperlinks(PdfViewer viewer, int enable)
{
    auto* v = static_cast<Viewer*>(viewer);
    if (!v)
        return PDFVIEWER_ERR_BAD_ARG;
    std::lock_guard<std::mutex> l(v->mutex);
    v->hyperlinks = enable != 0;
    return PDFVIEWER_OK;
}

int pdfSetContinuousMode(PdfViewer viewer, int continuous)
{
    auto* v = static_cast<Viewer*>(viewer);
    if (!v)
        return PDFVIEWER_ERR_BAD_ARG;
    std::lock_guard<std::mutex> l(v->mutex);
    v->continuous = continuous != 0;
    return PDFVIEWER_OK;
}

int pdfGetNumPages(PdfViewer viewer)
{
    auto* v = static_cast<Viewer*>(viewer);
    if (!v)
        return 0;
    std::lock_guard<std::mutex> l(v->mutex);
    try {
        return v->document ? v->document->numPages() : 0;
    } catch (...) {
        return 0;
    }
}

int pdfGetPageRotation(PdfViewer viewer, int page)
{
    auto* v = static_cast<Viewer*>(viewer);
    if (!v)
        return 0;
    std::lock_guard<std::mutex> l(v->mutex);
    try {
        std::unique_ptr<Poppler::Page> p = PageOf(v, page);
        return p ? RotationOf(*p) : 0;
    } catch (...) {
        return 0;
    }
}

double pdfGetPageBoxXMin(PdfViewer viewer, int page, const char*)
{
    return BoxEdge(viewer, page, true, false);
}

double pdfGetPageBoxXMax(PdfViewer viewer, int page, const char*)
{
    return BoxEdge(viewer, page, true, true);
}

double pdfGetPageBoxYMin(PdfViewer viewer, int page, const char*)
{
    return BoxEdge(viewer, page, false, false);
}

double pdfGetPageBoxYMax(PdfViewer viewer, int page, const char*)
{
    return BoxEdge(viewer, page, false, true);
}

namespace {

// Renders through Poppler-Qt6: the way used when the core API cannot open the
// document. dpiFor turns the page's displayed size in points into the
// resolution; it returns 0 for a page it cannot measure.
template <typename DpiFor>
int RenderWithQt(Viewer* v, int page, DpiFor dpiFor, BITMAPINFOHEADER* header, void** pixels, double& usedDpi)
{
    QImage image;
    {
        std::lock_guard<std::mutex> l(v->mutex);
        try {
            std::unique_ptr<Poppler::Page> p = PageOf(v, page);
            if (!p)
                return PDFVIEWER_ERR_BAD_ARG;
            const QSizeF size = p->pageSizeF(); // points, as displayed
            const double res = dpiFor(size.width(), size.height());
            if (!std::isfinite(res) || res <= 0.0)
                return PDFVIEWER_ERR_SIZE;
            usedDpi = res;
            image = p->renderToImage(res, res);
        } catch (...) {
            return PDFVIEWER_ERR_RENDER;
        }
    }
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        return PDFVIEWER_ERR_RENDER;

    image = image.convertToFormat(QImage::Format_RGB32);
    if (image.isNull())
        return PDFVIEWER_ERR_RENDER;
    PageRenderPool::Bitmap bitmap;
    bitmap.width = image.width();
    bitmap.height = image.height();
    const size_t rowBytes = static_cast<size_t>(bitmap.width) * 4;
    void* buffer = std::malloc(rowBytes * static_cast<size_t>(bitmap.height));
    if (!buffer)
        return PDFVIEWER_ERR_RENDER;
    // Format_RGB32 holds 0xffRRGGBB words, which in memory on a
    // little-endian machine are the bytes blue, green, red, unused. Rows go
    // bottom-up.
    auto* out = static_cast<unsigned char*>(buffer);
    for (int y = 0; y < bitmap.height; ++y)
        std::memcpy(out + static_cast<size_t>(bitmap.height - 1 - y) * rowBytes, image.constScanLine(y), rowBytes);
    FillHeader(header, bitmap, usedDpi);
    *pixels = buffer;
    return PDFVIEWER_OK;
}

int FromPool(PageRenderPool::Result result)
{
    switch (result) {
    case PageRenderPool::Result::Ok:
        return PDFVIEWER_OK;
    case PageRenderPool::Result::BadPage:
        return PDFVIEWER_ERR_BAD_ARG;
    case PageRenderPool::Result::Unmeasurable:
        return PDFVIEWER_ERR_SIZE;
    case PageRenderPool::Result::Failed:
    case PageRenderPool::Result::Unavailable:
        break;
    }
    return PDFVIEWER_ERR_RENDER;
}

bool ValidBitmapArguments(Viewer* v, BITMAPINFOHEADER* header, void** pixels, int mode)
{
    return v && header && pixels && header->biSize == sizeof(BITMAPINFOHEADER) && mode == 3;
}

} // namespace

int pdfConvertPageToBitmap2(PdfViewer viewer, int page, double dpi, int mode,
                            BITMAPINFOHEADER* header, void** pixels)
{
    auto* v = static_cast<Viewer*>(viewer);
    if (pixels)
        *pixels = nullptr;
    if (!ValidBitmapArguments(v, header, pixels, mode) || !std::isfinite(dpi) || dpi <= 0.0 || dpi > 9600.0)
        return PDFVIEWER_ERR_BAD_ARG;

    if (const std::shared_ptr<PageRenderPool> pool = PoolOf(v)) {
        PageRenderPool::Bitmap bitmap;
        const PageRenderPool::Result result = pool->RenderAtResolution(page, dpi, kMaxSide, kMaxPixels, bitmap);
        if (result == PageRenderPool::Result::Ok) {
            FillHeader(header, bitmap, dpi);
            *pixels = bitmap.pixels;
            return PDFVIEWER_OK;
        }
        if (result != PageRenderPool::Result::Unavailable)
            return FromPool(result) == PDFVIEWER_ERR_SIZE ? PDFVIEWER_ERR_RENDER : FromPool(result);
    }
    double used = dpi;
    const int result = RenderWithQt(
        v, page,
        [dpi](double width, double height) {
            if (!std::isfinite(width) || !std::isfinite(height) || width <= 0 || height <= 0)
                return 0.0;
            const double w = width * dpi / 72.0, h = height * dpi / 72.0;
            const double sideScale = kMaxSide / std::max(w, h);
            const double areaScale = std::sqrt(kMaxPixels / std::max(w * h, 1.0));
            return dpi * std::min({1.0, sideScale, areaScale});
        },
        header, pixels, used);
    return result == PDFVIEWER_ERR_SIZE ? PDFVIEWER_ERR_RENDER : result;
}

int pdfConvertPageToBitmapInBox(PdfViewer viewer, int page, int maxWidth, int maxHeight, int mode,
                                BITMAPINFOHEADER* header, void** pixels)
{
    auto* v = static_cast<Viewer*>(viewer);
    if (pixels)
        *pixels = nullptr;
    if (!ValidBitmapArguments(v, header, pixels, mode) || maxWidth < 1 || maxHeight < 1 || maxWidth > kMaxSide ||
        maxHeight > kMaxSide || static_cast<double>(maxWidth) * maxHeight > kMaxPixels)
        return PDFVIEWER_ERR_BAD_ARG;

    if (const std::shared_ptr<PageRenderPool> pool = PoolOf(v)) {
        PageRenderPool::Bitmap bitmap;
        const PageRenderPool::Result result = pool->RenderInBox(page, maxWidth, maxHeight, bitmap);
        if (result == PageRenderPool::Result::Ok) {
            FillHeader(header, bitmap, 0.0);
            *pixels = bitmap.pixels;
            return PDFVIEWER_OK;
        }
        if (result != PageRenderPool::Result::Unavailable)
            return FromPool(result);
    }
    double used = 0.0;
    return RenderWithQt(
        v, page,
        [maxWidth, maxHeight](double width, double height) {
            if (!std::isfinite(width) || !std::isfinite(height) || width < 1e-3 || height < 1e-3 || width > 1e15 ||
                height > 1e15)
                return 0.0;
            return 72.0 * std::min(maxWidth / width, maxHeight / height);
        },
        header, pixels, used);
}

int pdfGetRotate(PdfViewer)
{
    // Pages are rendered as displayed, with their own rotation; the viewer
    // itself never turns them further.
    return 0;
}

void pdfFreeMemory(void* pixels)
{
    std::free(pixels);
}

void pdfDestroyViewer(PdfViewer viewer)
{
    auto* v = static_cast<Viewer*>(viewer);
    if (!v)
        return;
    std::shared_ptr<PageRenderPool> pool;
    {
        // Wait for a call still running on another thread.
        std::lock_guard<std::mutex> l(v->mutex);
        v->document.reset();
        pool = std::move(v->pool);
    }
    // Waits for renders still in progress on other threads.
    pool.reset();
    delete v;
}
