#include "engine/PageRenderPool.h"

#include <Error.h>
#include <GlobalParams.h>
#include <Object.h>
#include <PDFDoc.h>
#include <Page.h>
#include <SplashOutputDev.h>
#include <Stream.h>
#include <goo/GooString.h>
#include <goo/gfile.h>
#include <splash/SplashBitmap.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

void QuietErrors(ErrorCategory, Goffset, const char*) {}

// Page sides (in points) the layer will scale; anything outside cannot be
// measured in a way that gives a usable resolution.
constexpr double kSmallestSide = 1e-3;
constexpr double kLargestSide = 1e15;

} // namespace

struct PageRenderPool::Handle
{
    // Poppler's global state is shared with Poppler-Qt6, which counts its
    // users the same way: it exists as long as any document does.
    GlobalParamsIniter params{QuietErrors};
    std::unique_ptr<GooFile> file;
    std::unique_ptr<PDFDoc> document;
    std::unique_ptr<SplashOutputDev> output;
};

PageRenderPool::PageRenderPool(int fd, const QByteArray& password, const Options& options, int maxHandles)
    : m_fd(fd), m_password(password), m_options(options), m_limit(std::max(1, maxHandles))
{
}

PageRenderPool::~PageRenderPool()
{
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_free.wait(lock, [this] { return m_opening == 0 && m_idle.size() == m_handles.size(); });
        m_idle.clear();
        m_handles.clear();
    }
    if (m_fd >= 0)
        close(m_fd);
}

int PageRenderPool::HandleCount()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(m_handles.size());
}

std::unique_ptr<PageRenderPool::Handle> PageRenderPool::OpenHandle()
{
    try {
        const int fd = m_fd >= 0 ? fcntl(m_fd, F_DUPFD_CLOEXEC, 0) : -1;
        if (fd < 0)
            return nullptr;
        auto handle = std::make_unique<Handle>();
        handle->file = GooFile::open(fd);
        if (!handle->file) {
            close(fd);
            return nullptr;
        }
        std::optional<GooString> password;
        if (!m_password.isEmpty())
            password.emplace(m_password.constData(), static_cast<int>(m_password.size()));
        // The document owns the stream; the stream reads through the
        // handle's file, which outlives the document.
        auto* stream = new FileStream(handle->file.get(), 0, false, handle->file->size(), Object(objNull));
        handle->document = std::make_unique<PDFDoc>(stream, password, password);
        if (!handle->document->isOk())
            return nullptr;
        SplashColor paper;
        paper[0] = paper[1] = paper[2] = 255;
        paper[3] = 255;
        handle->output = std::make_unique<SplashOutputDev>(splashModeXBGR8, 4, false, paper, true);
        handle->output->setFontAntialias(m_options.antialias);
        handle->output->setVectorAntialias(m_options.vectorAntialias);
        // Thumbnail glyphs are a few pixels high: hinting would run every
        // glyph's byte code and change little.
        handle->output->setFreeTypeHinting(false, false);
        handle->output->startDoc(handle->document.get());
        return handle;
    } catch (...) {
        return nullptr;
    }
}

PageRenderPool::Handle* PageRenderPool::Acquire()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        if (m_unavailable)
            return nullptr;
        if (!m_idle.empty()) {
            Handle* handle = m_idle.back();
            m_idle.pop_back();
            return handle;
        }
        if (static_cast<int>(m_handles.size()) + m_opening < m_limit) {
            // Opened without the lock: reading the document's structure
            // takes a while, and other handles may render meanwhile.
            ++m_opening;
            lock.unlock();
            std::unique_ptr<Handle> handle = OpenHandle();
            lock.lock();
            --m_opening;
            m_free.notify_all();
            if (handle) {
                Handle* raw = handle.get();
                m_handles.push_back(std::move(handle));
                return raw;
            }
            // Without any handle the core path cannot be used at all; a
            // later one that fails only keeps the pool at its size.
            if (m_handles.empty())
                m_unavailable = true;
            else
                m_limit = static_cast<int>(m_handles.size());
            continue;
        }
        m_free.wait(lock);
    }
}

void PageRenderPool::Release(Handle* handle)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_idle.push_back(handle);
    }
    m_free.notify_all();
}

namespace {

// Copies a Splash bitmap (blue, green, red, unused per pixel, rows possibly
// padded, top row first) into malloc'd rows without padding, bottom row
// first, every pixel opaque.
bool CopyBitmap(SplashBitmap* bitmap, PageRenderPool::Bitmap& out)
{
    if (!bitmap || bitmap->getMode() != splashModeXBGR8)
        return false;
    const int w = bitmap->getWidth();
    const int h = bitmap->getHeight();
    const SplashColorConstPtr data = static_cast<const SplashBitmap*>(bitmap)->getDataPtr();
    const int rowSize = bitmap->getRowSize();
    if (w <= 0 || h <= 0 || !data || rowSize < w * 4)
        return false;
    const size_t rowBytes = static_cast<size_t>(w) * 4;
    auto* pixels = static_cast<unsigned char*>(std::malloc(rowBytes * static_cast<size_t>(h)));
    if (!pixels)
        return false;
    for (int y = 0; y < h; ++y) {
        unsigned char* to = pixels + static_cast<size_t>(h - 1 - y) * rowBytes;
        std::memcpy(to, data + static_cast<size_t>(y) * static_cast<size_t>(rowSize), rowBytes);
        for (size_t x = 3; x < rowBytes; x += 4)
            to[x] = 255;
    }
    out.pixels = pixels;
    out.width = w;
    out.height = h;
    return true;
}

} // namespace

template <typename ChooseScale>
PageRenderPool::Result PageRenderPool::Render(int page, ChooseScale choose, Bitmap& out)
{
    out = Bitmap();
    Handle* handle = Acquire();
    if (!handle)
        return Result::Unavailable;
    Result result = Result::Failed;
    try {
        PDFDoc* document = handle->document.get();
        Page* p = (page >= 1 && page <= document->getNumPages()) ? document->getPage(page) : nullptr;
        if (page < 1 || page > document->getNumPages()) {
            result = Result::BadPage;
        } else if (p && p->isOk()) {
            // The page as displayed: its crop box, turned by its rotation.
            double width = p->getCropWidth();
            double height = p->getCropHeight();
            const int rotation = ((p->getRotate() % 360) + 360) % 360;
            if (rotation == 90 || rotation == 270)
                std::swap(width, height);
            width = std::fabs(width);
            height = std::fabs(height);
            const bool measurable = std::isfinite(width) && std::isfinite(height) && width >= kSmallestSide &&
                                    height >= kSmallestSide && width <= kLargestSide && height <= kLargestSide;
            const double scale = measurable ? choose(width, height) : 0.0; // pixels per point
            if (!measurable || !std::isfinite(scale) || scale <= 0.0) {
                result = Result::Unmeasurable;
            } else {
                const double dpi = 72.0 * scale;
                document->displayPageSlice(handle->output.get(), page, dpi, dpi, 0, false, true, false, -1, -1, -1,
                                           -1);
                result = CopyBitmap(handle->output->getBitmap(), out) ? Result::Ok : Result::Failed;
            }
        }
    } catch (...) {
        if (out.pixels)
            std::free(out.pixels);
        out = Bitmap();
        result = Result::Failed;
    }
    Release(handle);
    return result;
}

PageRenderPool::Result PageRenderPool::RenderAtResolution(int page, double dpi, double maxSide, double maxPixels,
                                                          Bitmap& out)
{
    if (!std::isfinite(dpi) || dpi <= 0.0)
        return Result::Failed;
    return Render(
        page,
        [=](double width, double height) {
            double scale = dpi / 72.0;
            const double w = width * scale, h = height * scale;
            const double sideScale = maxSide / std::max(w, h);
            const double areaScale = std::sqrt(maxPixels / std::max(w * h, 1.0));
            return scale * std::min({1.0, sideScale, areaScale});
        },
        out);
}

PageRenderPool::Result PageRenderPool::RenderInBox(int page, int maxWidth, int maxHeight, Bitmap& out)
{
    if (maxWidth < 1 || maxHeight < 1)
        return Result::Failed;
    return Render(
        page,
        [=](double width, double height) {
            return std::min(static_cast<double>(maxWidth) / width, static_cast<double>(maxHeight) / height);
        },
        out);
}
