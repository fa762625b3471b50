#pragma once
// Viewer layer: loads a PDF into an opaque viewer and renders its pages.
// Implemented over Poppler. No call throws. Page numbers are 1-based.
// Narrow strings are UTF-8 (passwords) or local 8-bit (the configuration path).
#include <QString>
#include <cstdint>

class QObject;

using PdfViewer = void*;

// Describes a rendered device-independent bitmap, laid out as the classic
// 40-byte bitmap info header.
struct BITMAPINFOHEADER
{
    std::uint32_t biSize;
    std::int32_t biWidth;
    std::int32_t biHeight;      // positive: rows stored bottom-up
    std::uint16_t biPlanes;
    std::uint16_t biBitCount;
    std::uint32_t biCompression;
    std::uint32_t biSizeImage;
    std::int32_t biXPelsPerMeter;
    std::int32_t biYPelsPerMeter;
    std::uint32_t biClrUsed;
    std::uint32_t biClrImportant;
};

enum : int
{
    PDFVIEWER_OK = 0,
    PDFVIEWER_ERR_OPEN = 1,     // the file cannot be read or is not a usable PDF
    PDFVIEWER_ERR_DAMAGED = 2,
    PDFVIEWER_ERR_BAD_ARG = 3,
    PDFVIEWER_ERR_PASSWORD = 4, // the document needs a (different) password
    PDFVIEWER_ERR_RENDER = 5,
    PDFVIEWER_ERR_SIZE = 6,     // the page's size cannot be measured (empty, not finite, absurd)
};

int pdfInitLibrary(const char* configPath);
int pdfCreateViewer(PdfViewer* viewer, QObject* parent);
int pdfShowPasswordDialog(PdfViewer viewer, int show);
int pdfLoadFileW(PdfViewer viewer, const QString& path);
int pdfLoadFileWithPasswordW(PdfViewer viewer, const QString& path, const char* password);
int pdfEnableHyperlinks(PdfViewer viewer, int enable);
int pdfSetContinuousMode(PdfViewer viewer, int continuous);
int pdfGetNumPages(PdfViewer viewer);
int pdfGetPageRotation(PdfViewer viewer, int page);
double pdfGetPageBoxXMin(PdfViewer viewer, int page, const char* box);
double pdfGetPageBoxXMax(PdfViewer viewer, int page, const char* box);
double pdfGetPageBoxYMin(PdfViewer viewer, int page, const char* box);
double pdfGetPageBoxYMax(PdfViewer viewer, int page, const char* box);
// mode 3: 32 bits per pixel, blue-green-red-unused bytes, rows bottom-up.
// On success *pixels points to memory owned by the layer; free it with
// pdfFreeMemory after copying.
int pdfConvertPageToBitmap2(PdfViewer viewer, int page, double dpi, int mode,
                            BITMAPINFOHEADER* header, void** pixels);
// The page rendered as large as fits into maxWidth x maxHeight pixels, its
// shape kept: the resolution follows from the page's displayed size (crop
// box, page rotation applied). Same bitmap format and ownership as
// pdfConvertPageToBitmap2. PDFVIEWER_ERR_SIZE for a page whose size cannot
// be measured (empty, not finite, or too large or small for any usable
// scale); nothing is rendered then.
int pdfConvertPageToBitmapInBox(PdfViewer viewer, int page, int maxWidth, int maxHeight, int mode,
                                BITMAPINFOHEADER* header, void** pixels);
int pdfGetRotate(PdfViewer viewer);
void pdfFreeMemory(void* pixels);
void pdfDestroyViewer(PdfViewer viewer);
