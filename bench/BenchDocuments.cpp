#include "BenchDocuments.h"

#ifndef POINTERHOLDER_TRANSITION
#define POINTERHOLDER_TRANSITION 4
#endif
#include <QBuffer>
#include <QFile>
#include <QImage>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace BenchDocuments {
namespace {

constexpr double kWidth = 612;
constexpr double kHeight = 792;
constexpr double kPi = 3.14159265358979323846;

// A small deterministic generator, so every run makes the same documents.
class Random
{
public:
    explicit Random(std::uint32_t seed) : m_state(seed * 2654435761u + 0x9E3779B9u) {}
    std::uint32_t Next()
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return m_state;
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }
    double Unit() { return (Next() & 0xFFFFFF) / double(0x1000000); }

private:
    std::uint32_t m_state;
};

const char* const kWords[] = {
    "the", "of", "and", "to", "in", "is", "that", "for", "it", "as", "was", "with", "be", "by", "on",
    "not", "he", "this", "are", "or", "his", "from", "at", "which", "but", "have", "an", "had", "they",
    "you", "were", "their", "one", "all", "we", "can", "her", "has", "there", "been", "if", "more",
    "when", "will", "would", "who", "so", "no", "report", "quarter", "revenue", "growth", "market",
    "customer", "service", "product", "analysis", "figure", "table", "section", "results", "increase",
    "decrease", "average", "annual", "regional", "operating", "margin", "forecast", "budget", "cost",
    "sales", "division", "management", "strategy", "investment", "capital", "program", "project",
    "schedule", "delivery", "quality", "review", "summary", "overview", "objective", "performance",
    "measure", "target", "compared", "previous", "period", "expected", "significant", "development",
    "research", "process", "system", "network", "support", "contract", "agreement", "partner",
    "supply", "demand", "pricing", "volume", "inventory", "shipment", "warehouse", "logistics",
    "planning", "approval", "committee", "board", "meeting", "decision", "policy", "compliance",
    "risk", "exposure", "currency", "interest", "rate", "payment", "invoice", "balance", "account",
};
constexpr int kWordCount = static_cast<int>(sizeof kWords / sizeof kWords[0]);

std::string Num(double v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    return buf;
}

// One line of body text, about `chars` characters long.
std::string TextLine(Random& rnd, int chars)
{
    std::string line;
    bool sentenceStart = true;
    while (static_cast<int>(line.size()) < chars) {
        std::string word = kWords[rnd.Below(kWordCount)];
        if (sentenceStart)
            word[0] = static_cast<char>(word[0] - 'a' + 'A');
        sentenceStart = false;
        if (!line.empty())
            line += ' ';
        line += word;
        if (rnd.Below(11) == 0) {
            line += '.';
            sentenceStart = true;
        } else if (rnd.Below(9) == 0) {
            line += ',';
        }
        if (rnd.Below(23) == 0)
            line += ' ' + std::to_string(rnd.Below(100000));
    }
    return line;
}

// Heading and `lines` lines of body text starting at `top`.
std::string TextBlock(Random& rnd, int page, double top, int lines)
{
    std::string s;
    s += "BT /F3 16 Tf 72 " + Num(top + 28) + " Td (Section " + std::to_string(page) + ": " +
         TextLine(rnd, 30) + ") Tj ET\n";
    s += "BT /F2 10 Tf 12.5 TL 72 " + Num(top) + " Td\n";
    for (int i = 0; i < lines; ++i)
    {
        s += '(';
        s += TextLine(rnd, 92);
        s += ") Tj T*\n";
    }
    s += "ET\n";
    s += "BT /F1 8 Tf 290 36 Td (Page " + std::to_string(page) + ") Tj ET\n";
    return s;
}

// A chart in the box (x, y, w, h): grid, axes, three line series, a smooth
// curve, a bar series and a pie.
std::string Chart(Random& rnd, double x, double y, double w, double h)
{
    std::string s = "q\n0.85 0.85 0.85 RG 0.3 w\n";
    for (int i = 0; i <= 10; ++i) {
        const double gx = x + w * 0.6 * i / 10;
        s += Num(gx) + ' ' + Num(y) + " m " + Num(gx) + ' ' + Num(y + h) + " l S\n";
    }
    for (int i = 0; i <= 8; ++i) {
        const double gy = y + h * i / 8;
        s += Num(x) + ' ' + Num(gy) + " m " + Num(x + w * 0.6) + ' ' + Num(gy) + " l S\n";
    }
    s += "0 0 0 RG 1 w " + Num(x) + ' ' + Num(y) + " m " + Num(x + w * 0.6) + ' ' + Num(y) + " l S " +
         Num(x) + ' ' + Num(y) + " m " + Num(x) + ' ' + Num(y + h) + " l S\n";
    const char* colours[] = {"0.8 0.2 0.2", "0.2 0.5 0.8", "0.2 0.7 0.3", "0.9 0.6 0.1", "0.5 0.3 0.7",
                             "0.3 0.3 0.3"};
    for (int series = 0; series < 3; ++series) {
        s += std::string(colours[series]) + " RG 1.2 w\n";
        double v = h * (0.3 + 0.2 * series);
        for (int i = 0; i < 120; ++i) {
            v = std::clamp(v + (rnd.Unit() - 0.5) * h * 0.08, 0.0, h);
            s += Num(x + w * 0.6 * i / 119) + ' ' + Num(y + v) + (i == 0 ? " m\n" : " l\n");
        }
        s += "S\n";
    }
    s += "0.1 0.1 0.1 RG 0.8 w " + Num(x) + ' ' + Num(y + h / 2) + " m\n";
    for (int i = 0; i < 30; ++i) {
        const double x0 = x + w * 0.6 * i / 30, x1 = x + w * 0.6 * (i + 1) / 30;
        s += Num(x0 + (x1 - x0) / 3) + ' ' + Num(y + h * rnd.Unit()) + ' ' + Num(x0 + 2 * (x1 - x0) / 3) +
             ' ' + Num(y + h * rnd.Unit()) + ' ' + Num(x1) + ' ' + Num(y + h * (0.3 + 0.4 * rnd.Unit())) +
             " c\n";
    }
    s += "S\n";
    for (int i = 0; i < 24; ++i) {
        const double bh = h * 0.05 + h * 0.3 * rnd.Unit();
        s += std::string(colours[i % 6]) + " rg " + Num(x + w * 0.6 * i / 24 + 1) + ' ' + Num(y) + ' ' +
             Num(w * 0.6 / 24 - 2) + ' ' + Num(bh) + " re f\n";
    }
    // Pie: slices drawn as fans of short Bezier arcs.
    const double cx = x + w * 0.82, cy = y + h / 2, r = std::min(w * 0.16, h * 0.45);
    double angle = 0;
    for (int slice = 0; slice < 6; ++slice) {
        const double sweep = (slice == 5) ? 2 * kPi - angle : (0.15 + 0.25 * rnd.Unit()) * (2 * kPi - angle);
        s += std::string(colours[slice]) + " rg " + Num(cx) + ' ' + Num(cy) + " m " +
             Num(cx + r * std::cos(angle)) + ' ' + Num(cy + r * std::sin(angle)) + " l\n";
        const int steps = std::max(1, static_cast<int>(sweep / (kPi / 8)) + 1);
        for (int k = 0; k < steps; ++k) {
            const double a0 = angle + sweep * k / steps, a1 = angle + sweep * (k + 1) / steps;
            const double t = 4.0 / 3.0 * std::tan((a1 - a0) / 4);
            s += Num(cx + r * (std::cos(a0) - t * std::sin(a0))) + ' ' +
                 Num(cy + r * (std::sin(a0) + t * std::cos(a0))) + ' ' +
                 Num(cx + r * (std::cos(a1) + t * std::sin(a1))) + ' ' +
                 Num(cy + r * (std::sin(a1) - t * std::cos(a1))) + ' ' + Num(cx + r * std::cos(a1)) + ' ' +
                 Num(cy + r * std::sin(a1)) + " c\n";
        }
        s += "h f\n";
        angle += sweep;
    }
    s += "Q\n";
    return s;
}

// A photograph-like picture (sky, hills, sun, texture) as JPEG bytes.
QByteArray Photo(int seed, int width, int height)
{
    Random rnd(static_cast<std::uint32_t>(seed) * 7919u + 17u);
    QImage image(width, height, QImage::Format_RGB32);
    const double phase = rnd.Unit() * 2 * kPi;
    const double sunX = width * (0.2 + 0.6 * rnd.Unit()), sunY = height * (0.15 + 0.2 * rnd.Unit());
    const int tint = rnd.Below(60);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const double hill = height * (0.55 + 0.12 * std::sin(x * 0.013 + phase) +
                                          0.05 * std::sin(x * 0.047 + 2 * phase));
            int r, g, b;
            if (y < hill) {
                const double t = y / hill;
                r = static_cast<int>(90 + 100 * t) + tint;
                g = static_cast<int>(140 + 80 * t);
                b = static_cast<int>(230 - 30 * t);
                const double d = std::hypot(x - sunX, y - sunY);
                if (d < height * 0.08) {
                    r = 255;
                    g = 240;
                    b = 180;
                }
            } else {
                const double t = (y - hill) / (height - hill + 1);
                r = static_cast<int>(60 + 50 * t + 30 * std::sin(x * 0.11 + y * 0.07));
                g = static_cast<int>(120 - 40 * t + 25 * std::sin(x * 0.05 - y * 0.13));
                b = static_cast<int>(40 + 20 * t);
            }
            const int noise = rnd.Below(33) - 16;
            line[x] = qRgb(std::clamp(r + noise, 0, 255), std::clamp(g + noise, 0, 255),
                           std::clamp(b + noise / 2, 0, 255));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPEG", 80))
        return {};
    return bytes;
}

QPDFObjectHandle StandardFont(QPDF& pdf, const char* baseFont)
{
    return pdf.makeIndirectObject(QPDFObjectHandle::parse(std::string("<< /Type /Font /Subtype /Type1 /BaseFont /") +
                                                          baseFont + " /Encoding /WinAnsiEncoding >>"));
}

QPDFObjectHandle NewPage(QPDF& pdf, QPDFObjectHandle resources, const std::string& content, int rotate)
{
    QPDFObjectHandle page = QPDFObjectHandle::newDictionary();
    page.replaceKey("/Type", QPDFObjectHandle::newName("/Page"));
    page.replaceKey("/MediaBox", QPDFObjectHandle::parse("[0 0 " + Num(kWidth) + ' ' + Num(kHeight) + "]"));
    if (rotate)
        page.replaceKey("/Rotate", QPDFObjectHandle::newInteger(rotate));
    page.replaceKey("/Resources", resources);
    page.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, content));
    return pdf.makeIndirectObject(page);
}

bool Write(QPDF& pdf, const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    QPDFWriter writer(pdf, name.constData());
    // Content streams are compressed as a producing application would.
    writer.setCompressStreams(true);
    writer.write();
    return true;
}

// Page resources shared by every page: Helvetica as /F1.
QPDFObjectHandle HelveticaResources(QPDF& pdf)
{
    QPDFObjectHandle fonts = QPDFObjectHandle::newDictionary();
    fonts.replaceKey("/F1", StandardFont(pdf, "Helvetica"));
    QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
    resources.replaceKey("/Font", fonts);
    return pdf.makeIndirectObject(resources);
}

} // namespace

bool WriteMixedDocument(const QString& path, int pageCount)
{
    try {
        QPDF pdf;
        pdf.emptyPDF();
        QPDFObjectHandle fonts = QPDFObjectHandle::newDictionary();
        fonts.replaceKey("/F1", StandardFont(pdf, "Helvetica"));
        fonts.replaceKey("/F2", StandardFont(pdf, "Times-Roman"));
        fonts.replaceKey("/F3", StandardFont(pdf, "Helvetica-Bold"));
        fonts = pdf.makeIndirectObject(fonts);

        QPDFPageDocumentHelper pages(pdf);
        for (int page = 1; page <= pageCount; ++page) {
            Random rnd(static_cast<std::uint32_t>(page));
            QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
            resources.replaceKey("/Font", fonts);
            std::string content;
            const bool chart = page % 3 == 0;
            const bool photo = page % 5 == 2;
            if (photo) {
                const QByteArray jpeg = Photo(page, 480, 360);
                if (jpeg.isEmpty())
                    return false;
                QPDFObjectHandle image =
                    QPDFObjectHandle::newStream(&pdf, std::string(jpeg.constData(), static_cast<size_t>(jpeg.size())));
                QPDFObjectHandle dict = image.getDict();
                dict.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
                dict.replaceKey("/Subtype", QPDFObjectHandle::newName("/Image"));
                dict.replaceKey("/Width", QPDFObjectHandle::newInteger(480));
                dict.replaceKey("/Height", QPDFObjectHandle::newInteger(360));
                dict.replaceKey("/ColorSpace", QPDFObjectHandle::newName("/DeviceRGB"));
                dict.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(8));
                dict.replaceKey("/Filter", QPDFObjectHandle::newName("/DCTDecode"));
                QPDFObjectHandle xobjects = QPDFObjectHandle::newDictionary();
                xobjects.replaceKey("/Im1", image);
                resources.replaceKey("/XObject", xobjects);
                content += TextBlock(rnd, page, 700, 18);
                content += "q 468 0 0 351 72 90 cm /Im1 Do Q\n";
            } else if (chart) {
                content += TextBlock(rnd, page, 700, 26);
                content += Chart(rnd, 72, 80, 468, 280);
            } else {
                content += TextBlock(rnd, page, 700, 52);
            }
            const int rotate = page % 50 == 0 ? 90 : 0;
            pages.addPage(QPDFPageObjectHelper(NewPage(pdf, resources, content, rotate)), false);
        }
        return Write(pdf, path);
    } catch (...) {
        return false;
    }
}

bool WritePlainDocument(const QString& path, int pageCount)
{
    try {
        QPDF pdf;
        pdf.emptyPDF();
        const QPDFObjectHandle resources = HelveticaResources(pdf);
        QPDFPageDocumentHelper pages(pdf);
        for (int page = 1; page <= pageCount; ++page) {
            Random rnd(static_cast<std::uint32_t>(page) + 1000003u);
            std::string content = "BT /F1 14 Tf 72 720 Td (Page " + std::to_string(page) + " of " +
                                  std::to_string(pageCount) + ") Tj ET\n";
            content += "BT /F1 10 Tf 12 TL 72 690 Td\n";
            for (int i = 0; i < 3; ++i)
            {
                content += '(';
                content += TextLine(rnd, 80);
                content += ") Tj T*\n";
            }
            content += "ET\n";
            pages.addPage(QPDFPageObjectHelper(NewPage(pdf, resources, content, 0)), false);
        }
        return Write(pdf, path);
    } catch (...) {
        return false;
    }
}

bool WriteHugePageDocument(const QString& path, int pageCount)
{
    try {
        QPDF pdf;
        pdf.emptyPDF();
        const QPDFObjectHandle resources = HelveticaResources(pdf);
        QPDFPageDocumentHelper pages(pdf);
        for (int page = 1; page <= pageCount; ++page) {
            // The page's art in page units of 1e6 points, so it fills the box.
            std::string content = "q 1000000 0 0 1000000 0 0 cm\n";
            content += "0.2 0.4 0.8 rg 50 50 400 300 re f\n";
            content += "0.8 0.3 0.1 rg 500 500 m 950 500 l 725 950 l h f\n";
            content += "0 0 0 RG 5 w 50 600 m 450 950 l S\n";
            content += "BT /F1 60 Tf 60 400 Td (Page " + std::to_string(page) + ") Tj ET\nQ\n";
            QPDFObjectHandle object = NewPage(pdf, resources, content, 0);
            object.replaceKey("/MediaBox", QPDFObjectHandle::parse("[0 0 1000000000 1000000000]"));
            pages.addPage(QPDFPageObjectHelper(object), false);
        }
        return Write(pdf, path);
    } catch (...) {
        return false;
    }
}

bool WriteBookmarkedDocument(const QString& path, int pageCount)
{
    const QString plain = path + QStringLiteral(".pages");
    if (!WriteMixedDocument(plain, pageCount))
        return false;
    try {
        QPDF pdf;
        const QByteArray name = QFile::encodeName(plain);
        pdf.processFile(name.constData());
        const std::vector<QPDFObjectHandle> pages = pdf.getAllPages();
        const int count = static_cast<int>(pages.size());
        auto dest = [&pages](int index) {
            QPDFObjectHandle d = QPDFObjectHandle::newArray();
            d.appendItem(pages[static_cast<size_t>(index)]);
            d.appendItem(QPDFObjectHandle::newName("/XYZ"));
            d.appendItem(QPDFObjectHandle::newInteger(72));
            d.appendItem(QPDFObjectHandle::newInteger(720));
            d.appendItem(QPDFObjectHandle::newNull());
            return d;
        };
        auto chapterName = [](int chapter) { return "chapter." + std::to_string(chapter + 1); };

        QPDFObjectHandle root = pdf.getRoot();
        QPDFObjectHandle outlines = pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Outlines >>"));
        QPDFObjectHandle names = QPDFObjectHandle::newArray();
        QPDFObjectHandle previousChapter;
        long long shown = 0;
        const int chapters = (count + 9) / 10;
        for (int chapter = 0; chapter < chapters; ++chapter) {
            const int first = chapter * 10;
            QPDFObjectHandle item = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
            item.replaceKey("/Title", QPDFObjectHandle::newString("Chapter " + std::to_string(chapter + 1)));
            item.replaceKey("/Parent", outlines);
            item.replaceKey("/Dest", QPDFObjectHandle::newString(chapterName(chapter)));
            names.appendItem(QPDFObjectHandle::newString(chapterName(chapter)));
            names.appendItem(dest(first));
            QPDFObjectHandle previous;
            for (int k = 0; k < 19; ++k) {
                QPDFObjectHandle kid = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
                kid.replaceKey("/Title", QPDFObjectHandle::newString(std::to_string(chapter + 1) + "." +
                                                                     std::to_string(k + 1) + " Section"));
                kid.replaceKey("/Parent", item);
                kid.replaceKey("/Dest", dest(std::min(count - 1, first + k % 10)));
                if (previous.isInitialized()) {
                    previous.replaceKey("/Next", kid);
                    kid.replaceKey("/Prev", previous);
                } else {
                    item.replaceKey("/First", kid);
                }
                previous = kid;
            }
            item.replaceKey("/Last", previous);
            item.replaceKey("/Count", QPDFObjectHandle::newInteger(-19));
            if (previousChapter.isInitialized()) {
                previousChapter.replaceKey("/Next", item);
                item.replaceKey("/Prev", previousChapter);
            } else {
                outlines.replaceKey("/First", item);
            }
            previousChapter = item;
            ++shown;
        }
        outlines.replaceKey("/Last", previousChapter);
        outlines.replaceKey("/Count", QPDFObjectHandle::newInteger(shown));
        root.replaceKey("/Outlines", outlines);
        QPDFObjectHandle tree = QPDFObjectHandle::newDictionary();
        tree.replaceKey("/Names", names);
        QPDFObjectHandle nameDictionary = QPDFObjectHandle::newDictionary();
        nameDictionary.replaceKey("/Dests", pdf.makeIndirectObject(tree));
        root.replaceKey("/Names", nameDictionary);

        for (int index = 0; index < count; ++index) {
            QPDFObjectHandle annots = QPDFObjectHandle::newArray();
            QPDFObjectHandle next = QPDFObjectHandle::parse(
                "<< /Type /Annot /Subtype /Link /Rect [72 40 300 60] /Border [0 0 0] >>");
            next.replaceKey("/Dest", dest(std::min(count - 1, (index / 10 + 1) * 10)));
            annots.appendItem(pdf.makeIndirectObject(next));
            QPDFObjectHandle own = QPDFObjectHandle::parse(
                "<< /Type /Annot /Subtype /Link /Rect [320 40 540 60] /Border [0 0 0] >>");
            QPDFObjectHandle action = QPDFObjectHandle::parse("<< /S /GoTo >>");
            action.replaceKey("/D", QPDFObjectHandle::newString(chapterName(index / 10)));
            own.replaceKey("/A", action);
            annots.appendItem(pdf.makeIndirectObject(own));
            QPDFObjectHandle page = pages[static_cast<size_t>(index)];
            page.replaceKey("/Annots", annots);
        }
        root.replaceKey("/PageLabels", QPDFObjectHandle::parse("<< /Nums [0 << /S /r >> 10 << /S /D >>] >>"));
        pdf.getTrailer().replaceKey(
            "/Info", pdf.makeIndirectObject(QPDFObjectHandle::parse(
                         "<< /Title (A bookmarked book) /Author (Parcelo bench) /Producer (parcelo-bench) "
                         "/CreationDate (D:20240101000000Z) >>")));
        QPDFObjectHandle metadata = QPDFObjectHandle::newStream(
            &pdf, "<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?><x:xmpmeta xmlns:x='adobe:ns:meta/'>"
                  "</x:xmpmeta><?xpacket end='w'?>");
        metadata.getDict().replaceKey("/Type", QPDFObjectHandle::newName("/Metadata"));
        metadata.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/XML"));
        root.replaceKey("/Metadata", metadata);
        const bool written = Write(pdf, path);
        QFile::remove(plain);
        return written;
    } catch (...) {
        QFile::remove(plain);
        return false;
    }
}

int CountPages(const QString& path)
{
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        const QByteArray name = QFile::encodeName(path);
        pdf.processFile(name.constData());
        return static_cast<int>(QPDFPageDocumentHelper(pdf).getAllPages().size());
    } catch (...) {
        return -1;
    }
}

} // namespace BenchDocuments
