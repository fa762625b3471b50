#include "PdfFixtures.h"

#ifndef POINTERHOLDER_TRANSITION
#define POINTERHOLDER_TRANSITION 4
#endif
#include <QFile>
#include <QProcess>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFNameTreeObjectHelper.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageLabelDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <map>
#include <memory>
#include <set>
#include <sstream>

namespace PdfFixtures {
namespace {

std::string Num(double v)
{
    std::ostringstream s;
    s.precision(6);
    s << std::fixed << v;
    return s.str();
}

std::string Noise(size_t bytes, unsigned seed)
{
    std::string data(bytes, '\0');
    unsigned state = seed * 2654435761u + 12345u;
    for (size_t i = 0; i < bytes; ++i) {
        state = state * 1103515245u + 12345u;
        data[i] = static_cast<char>((state >> 16) & 0xFF);
    }
    return data;
}

QPDFObjectHandle MakePage(QPDF& pdf, const PageDesign& design, int number)
{
    const double x0 = design.originX, y0 = design.originY;
    const double x1 = x0 + design.width, y1 = y0 + design.height;
    const double side = std::min(design.width, design.height) / 5.0;

    std::ostringstream content;
    // The orientation square in the top-left corner.
    content << "q 0 0 0 rg " << Num(x0) << ' ' << Num(y1 - side) << ' ' << Num(side) << ' '
            << Num(side) << " re f Q\n";
    content << "BT /F1 " << Num(side / 2) << " Tf " << Num(x0 + design.width * 0.4) << ' '
            << Num(y0 + design.height * 0.5) << " Td (P" << number << ") Tj ET\n";
    if (design.vectorArt) {
        content << "q 0.2 0.4 0.8 RG 0.5 w\n";
        for (int i = 0; i < 400; ++i) {
            const double fx = x0 + design.width * ((i * 37) % 100) / 100.0;
            const double fy = y0 + design.height * ((i * 53) % 100) / 100.0;
            const double tx = x0 + design.width * ((i * 71) % 100) / 100.0;
            const double ty = y0 + design.height * ((i * 19) % 100) / 100.0;
            content << Num(fx) << ' ' << Num(fy) << " m " << Num(tx) << ' ' << Num(ty) << " l S\n";
        }
        content << "Q\n";
    }
    QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
    QPDFObjectHandle font = QPDFObjectHandle::parse(
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
    QPDFObjectHandle fonts = QPDFObjectHandle::newDictionary();
    fonts.replaceKey("/F1", pdf.makeIndirectObject(font));
    resources.replaceKey("/Font", fonts);

    if (design.imageSide > 0) {
        const int n = design.imageSide;
        QPDFObjectHandle image = QPDFObjectHandle::newStream(
            &pdf, Noise(static_cast<size_t>(n) * n * 3, static_cast<unsigned>(number)));
        QPDFObjectHandle dict = image.getDict();
        dict.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
        dict.replaceKey("/Subtype", QPDFObjectHandle::newName("/Image"));
        dict.replaceKey("/Width", QPDFObjectHandle::newInteger(n));
        dict.replaceKey("/Height", QPDFObjectHandle::newInteger(n));
        dict.replaceKey("/ColorSpace", QPDFObjectHandle::newName("/DeviceRGB"));
        dict.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(8));
        QPDFObjectHandle xobjects = QPDFObjectHandle::newDictionary();
        xobjects.replaceKey("/Im1", image);
        resources.replaceKey("/XObject", xobjects);
        content << "q " << Num(design.width / 2) << " 0 0 " << Num(design.height / 4) << ' '
                << Num(x0 + design.width / 4) << ' ' << Num(y0 + design.height / 8) << " cm /Im1 Do Q\n";
    }

    QPDFObjectHandle page = QPDFObjectHandle::newDictionary();
    page.replaceKey("/Type", QPDFObjectHandle::newName("/Page"));
    QPDFObjectHandle box = QPDFObjectHandle::newArray();
    for (double v : {x0, y0, x1, y1})
        box.appendItem(QPDFObjectHandle::newReal(v, 4));
    page.replaceKey("/MediaBox", box);
    if (design.rotate != 0)
        page.replaceKey("/Rotate", QPDFObjectHandle::newInteger(design.rotate));
    page.replaceKey("/Resources", resources);
    page.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, content.str()));
    page.replaceKey("/ParceloMarker", QPDFObjectHandle::newInteger(number));
    return pdf.makeIndirectObject(page);
}

void ApplyEncryption(QPDFWriter& writer, const Encryption& e)
{
    const int p = e.permissions;
    qpdf_r3_print_e print = qpdf_r3p_none;
    if (p & PERM_PRINT)
        print = (p & PERM_PRINT_HIGH) ? qpdf_r3p_full : qpdf_r3p_low;
    writer.setR6EncryptionParameters(e.userPassword.c_str(), e.ownerPassword.c_str(),
                                     (p & PERM_ACCESSIBILITY) != 0, (p & PERM_COPY) != 0,
                                     (p & PERM_ASSEMBLE) != 0, (p & PERM_ANNOTATE) != 0,
                                     (p & PERM_FILL_FORMS) != 0, (p & PERM_MODIFY) != 0, print,
                                     true);
}

// Opens a file with qpdf; nullptr on any failure.
std::unique_ptr<QPDF> Open(const QString& path, const std::string& password)
{
    try {
        auto pdf = std::make_unique<QPDF>();
        pdf->setSuppressWarnings(true);
        const QByteArray name = QFile::encodeName(path);
        pdf->processFile(name.constData(), password.empty() ? nullptr : password.c_str());
        return pdf;
    } catch (...) {
        return nullptr;
    }
}

bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

QByteArray ReadBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// Writes the document to the path, encrypted when asked. Plain objects and
// a classic xref table keep damaged variants simple to make. Throws what
// qpdf throws.
void WriteFixture(QPDF& pdf, const QString& path, const Encryption* encryption)
{
    const QByteArray name = QFile::encodeName(path);
    QPDFWriter writer(pdf, name.constData());
    writer.setObjectStreamMode(qpdf_o_disable);
    if (encryption)
        ApplyEncryption(writer, *encryption);
    writer.write();
}

} // namespace

bool WritePdf(const QString& path, const std::vector<PageDesign>& pages, const Encryption* encryption)
{
    try {
        QPDF pdf;
        pdf.emptyPDF();
        QPDFPageDocumentHelper helper(pdf);
        int number = 0;
        for (const PageDesign& design : pages)
            helper.addPage(QPDFPageObjectHelper(MakePage(pdf, design, ++number)), false);
        WriteFixture(pdf, path, encryption);
        return true;
    } catch (...) {
        return false;
    }
}

bool WriteAlternatingPdf(const QString& path, int pageCount)
{
    std::vector<PageDesign> pages(static_cast<std::size_t>(std::max(pageCount, 0)));
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (i % 2) {
            pages[i].width = 792;
            pages[i].height = 612;
        }
        pages[i].vectorArt = true;
    }
    return WritePdf(path, pages);
}

bool WritePlainPdf(const QString& path, int pageCount, double width, double height)
{
    PageDesign design;
    design.width = width;
    design.height = height;
    return WritePdf(path, std::vector<PageDesign>(static_cast<size_t>(std::max(pageCount, 0)), design));
}

bool WriteEncryptedPdf(const QString& path, int pageCount, const std::string& userPassword,
                       const std::string& ownerPassword, int permissions)
{
    Encryption e{userPassword, ownerPassword, permissions};
    return WritePdf(path, std::vector<PageDesign>(static_cast<size_t>(std::max(pageCount, 0))), &e);
}

bool WriteDamagedPdf(const QString& path, Damage kind)
{
    switch (kind) {
    case Damage::Empty:
        return WriteBytes(path, QByteArray());
    case Damage::Garbage:
        return WriteBytes(path, QByteArray::fromStdString(Noise(4096, 7)));
    case Damage::HeaderOnly:
        return WriteBytes(path, QByteArray("%PDF-1.4\n"));
    case Damage::Truncated:
    case Damage::BrokenXref:
        break;
    }
    if (!WritePlainPdf(path, 3))
        return false;
    QByteArray bytes = ReadBytes(path);
    if (bytes.isEmpty())
        return false;
    if (kind == Damage::Truncated) {
        bytes.truncate(bytes.size() * 6 / 10);
        return WriteBytes(path, bytes);
    }
    // Overwrite everything from the xref keyword on with junk of the same
    // length, so neither the table, the trailer nor startxref can be read.
    const qsizetype at = bytes.lastIndexOf("\nxref");
    if (at < 0)
        return false;
    for (qsizetype i = at + 1; i < bytes.size(); ++i)
        bytes[i] = (i % 7 == 0) ? '\n' : static_cast<char>('0' + (i % 10));
    return WriteBytes(path, bytes);
}

int PageCount(const QString& path, const std::string& password)
{
    auto pdf = Open(path, password);
    if (!pdf)
        return -1;
    try {
        return static_cast<int>(pdf->getAllPages().size());
    } catch (...) {
        return -1;
    }
}

std::vector<int> PageMarkers(const QString& path, const std::string& password)
{
    std::vector<int> result;
    auto pdf = Open(path, password);
    if (!pdf)
        return result;
    try {
        for (QPDFObjectHandle page : pdf->getAllPages()) {
            QPDFObjectHandle marker = page.getKey("/ParceloMarker");
            result.push_back(marker.isInteger() ? marker.getIntValueAsInt() : 0);
        }
    } catch (...) {
        result.clear();
    }
    return result;
}

bool IsEncrypted(const QString& path, const std::string& password)
{
    auto pdf = Open(path, password);
    return pdf && pdf->isEncrypted();
}

int Permissions(const QString& path, const std::string& password)
{
    auto pdf = Open(path, password);
    if (!pdf)
        return -1;
    int r = 0, p = 0;
    if (!pdf->isEncrypted(r, p))
        return PERM_ALL;
    return p & PERM_ALL;
}

bool OpensWithPassword(const QString& path, const std::string& password)
{
    return Open(path, password) != nullptr;
}

std::string PdfVersion(const QString& path, const std::string& password)
{
    auto pdf = Open(path, password);
    if (!pdf)
        return {};
    try {
        return pdf->getPDFVersion();
    } catch (...) {
        return {};
    }
}

std::vector<double> MediaBox(const QString& path, int page, const std::string& password)
{
    auto pdf = Open(path, password);
    if (!pdf)
        return {};
    try {
        auto pages = pdf->getAllPages();
        if (page < 1 || page > static_cast<int>(pages.size()))
            return {};
        QPDFObjectHandle box = QPDFPageObjectHelper(pages[static_cast<size_t>(page - 1)]).getMediaBox();
        std::vector<double> out;
        for (int i = 0; i < box.getArrayNItems(); ++i)
            out.push_back(box.getArrayItem(i).getNumericValue());
        return out;
    } catch (...) {
        return {};
    }
}

int DistinctPageObjects(const QString& path, const std::string& password)
{
    auto pdf = Open(path, password);
    if (!pdf)
        return -1;
    try {
        // Walk the page tree directly: qpdf's own page list would silently
        // split a page object that appears twice.
        std::set<QPDFObjGen> seen;
        std::vector<QPDFObjectHandle> stack{pdf->getRoot().getKey("/Pages")};
        std::set<QPDFObjGen> visited;
        while (!stack.empty()) {
            QPDFObjectHandle node = stack.back();
            stack.pop_back();
            if (!visited.insert(node.getObjGen()).second && node.getKey("/Type").isNameAndEquals("/Pages"))
                continue;
            QPDFObjectHandle kids = node.getKey("/Kids");
            if (kids.isArray()) {
                for (int i = 0; i < kids.getArrayNItems(); ++i)
                    stack.push_back(kids.getArrayItem(i));
            } else {
                seen.insert(node.getObjGen());
            }
        }
        return static_cast<int>(seen.size());
    } catch (...) {
        return -1;
    }
}

bool QpdfCheck(const QString& path, const std::string& password, QString* output)
{
    QStringList args{"--check"};
    if (!password.empty())
        args << QStringLiteral("--password=%1").arg(QString::fromStdString(password));
    args << path;
    QProcess proc;
    proc.start(QStringLiteral("qpdf"), args);
    if (!proc.waitForFinished(60000)) {
        proc.kill();
        proc.waitForFinished();
        return false;
    }
    const QString text = QString::fromLocal8Bit(proc.readAllStandardOutput() + proc.readAllStandardError());
    if (output)
        *output = text;
    return proc.exitStatus() == QProcess::NormalExit && proc.exitCode() == 0;
}

// --- documents with bookmarks, links, page labels and metadata ------------------

namespace {

// [page /XYZ 0 700 null]: a place on the page, so that tests see the view
// travel with the destination.
QPDFObjectHandle PageDestination(const std::vector<QPDFObjectHandle>& pages, int page)
{
    QPDFObjectHandle dest = QPDFObjectHandle::newArray();
    dest.appendItem(page >= 1 && page <= static_cast<int>(pages.size()) ? pages[static_cast<size_t>(page - 1)]
                                                                         : QPDFObjectHandle::newNull());
    dest.appendItem(QPDFObjectHandle::newName("/XYZ"));
    dest.appendItem(QPDFObjectHandle::newInteger(0));
    dest.appendItem(QPDFObjectHandle::newInteger(700));
    dest.appendItem(QPDFObjectHandle::newNull());
    return dest;
}

QPDFObjectHandle DestinationFor(const Book& book, const std::vector<QPDFObjectHandle>& pages, int page,
                                const std::string& named)
{
    if (named.empty())
        return PageDestination(pages, page);
    return book.namesInTree ? QPDFObjectHandle::newString(named) : QPDFObjectHandle::newName("/" + named);
}

void SetDestination(QPDFObjectHandle target, QPDFObjectHandle dest, bool viaAction)
{
    if (viaAction) {
        QPDFObjectHandle action = QPDFObjectHandle::newDictionary();
        action.replaceKey("/S", QPDFObjectHandle::newName("/GoTo"));
        action.replaceKey("/D", dest);
        target.replaceKey("/A", action);
    } else {
        target.replaceKey("/Dest", dest);
    }
}

// Builds the entries of one level below parent; returns how many entries
// the level shows (for the parent's /Count).
long long AddBookmarks(QPDF& pdf, const Book& book, const std::vector<QPDFObjectHandle>& pages,
                       const std::vector<Bookmark>& marks, QPDFObjectHandle parent)
{
    std::vector<QPDFObjectHandle> items;
    long long visible = 0;
    for (const Bookmark& mark : marks) {
        QPDFObjectHandle item = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
        item.replaceKey("/Title", QPDFObjectHandle::newString(mark.title));
        item.replaceKey("/Parent", parent);
        if (mark.page != 0 || !mark.named.empty())
            SetDestination(item, DestinationFor(book, pages, mark.page, mark.named), mark.viaAction);
        const long long below = AddBookmarks(pdf, book, pages, mark.kids, item);
        if (!mark.kids.empty())
            item.replaceKey("/Count", QPDFObjectHandle::newInteger(mark.closed ? -below : below));
        visible += 1 + (mark.closed ? 0 : below);
        if (!items.empty()) {
            items.back().replaceKey("/Next", item);
            item.replaceKey("/Prev", items.back());
        }
        items.push_back(item);
    }
    if (!items.empty()) {
        parent.replaceKey("/First", items.front());
        parent.replaceKey("/Last", items.back());
    }
    return visible;
}

// A name tree of two leaves below a root, the values alternating between
// a destination array and a dictionary holding it under /D.
QPDFObjectHandle NameTree(QPDF& pdf, const Book& book, const std::vector<QPDFObjectHandle>& pages)
{
    std::vector<std::pair<std::string, int>> entries(book.namedDestinations.begin(), book.namedDestinations.end());
    QPDFObjectHandle kids = QPDFObjectHandle::newArray();
    const size_t half = (entries.size() + 1) / 2;
    for (size_t from = 0; from < entries.size(); from += half) {
        const size_t to = std::min(entries.size(), from + half);
        QPDFObjectHandle names = QPDFObjectHandle::newArray();
        for (size_t i = from; i < to; ++i) {
            names.appendItem(QPDFObjectHandle::newString(entries[i].first));
            QPDFObjectHandle dest = PageDestination(pages, entries[i].second);
            if (i % 2 == 1) {
                QPDFObjectHandle holder = QPDFObjectHandle::newDictionary();
                holder.replaceKey("/D", dest);
                dest = holder;
            }
            names.appendItem(dest);
        }
        QPDFObjectHandle limits = QPDFObjectHandle::newArray();
        limits.appendItem(QPDFObjectHandle::newString(entries[from].first));
        limits.appendItem(QPDFObjectHandle::newString(entries[to - 1].first));
        QPDFObjectHandle leaf = QPDFObjectHandle::newDictionary();
        leaf.replaceKey("/Limits", limits);
        leaf.replaceKey("/Names", names);
        kids.appendItem(pdf.makeIndirectObject(leaf));
    }
    QPDFObjectHandle root = QPDFObjectHandle::newDictionary();
    root.replaceKey("/Kids", kids);
    return pdf.makeIndirectObject(root);
}

std::map<QPDFObjGen, int> PageNumbers(QPDF& pdf)
{
    std::map<QPDFObjGen, int> numbers;
    int n = 0;
    for (QPDFObjectHandle page : pdf.getAllPages())
        numbers.emplace(page.getObjGen(), ++n);
    return numbers;
}

// A destination (array, name, string, dictionary with /D) as the 1-based
// page of this file it goes to; 0 when none.
int DestinationPageNumber(QPDF& pdf, const std::map<QPDFObjGen, int>& numbers, QPDFObjectHandle dest)
{
    for (int hop = 0; hop < 4; ++hop) {
        if (dest.isDictionary()) {
            dest = dest.getKey("/D");
            continue;
        }
        if (!dest.isName() && !dest.isString())
            break;
        const std::string key = dest.isName() ? dest.getName().substr(1) : dest.getStringValue();
        QPDFObjectHandle found;
        QPDFObjectHandle names = pdf.getRoot().getKey("/Names");
        if (names.isDictionary() && names.getKey("/Dests").isDictionary()) {
            QPDFNameTreeObjectHelper tree(names.getKey("/Dests"), pdf, false);
            tree.findObject(key, found);
        }
        if (!found.isInitialized() && pdf.getRoot().getKey("/Dests").isDictionary())
            found = pdf.getRoot().getKey("/Dests").getKey("/" + key);
        if (!found.isInitialized())
            return 0;
        dest = found;
    }
    if (!dest.isArray() || dest.getArrayNItems() < 1 || !dest.getArrayItem(0).isIndirect())
        return 0;
    const auto it = numbers.find(dest.getArrayItem(0).getObjGen());
    return it == numbers.end() ? 0 : it->second;
}

QPDFObjectHandle DestinationOf(QPDFObjectHandle holder)
{
    if (holder.hasKey("/Dest"))
        return holder.getKey("/Dest");
    QPDFObjectHandle action = holder.getKey("/A");
    if (action.isDictionary() && action.getKey("/S").isNameAndEquals("/GoTo"))
        return action.getKey("/D");
    return QPDFObjectHandle::newNull();
}

std::string Roman(long long n, bool upper)
{
    static const std::pair<int, const char*> parts[] = {{1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"},
                                                        {100, "c"},  {90, "xc"},  {50, "l"},  {40, "xl"},
                                                        {10, "x"},   {9, "ix"},   {5, "v"},   {4, "iv"},
                                                        {1, "i"}};
    std::string out;
    for (const auto& [value, text] : parts)
        for (; n >= value; n -= value)
            out += text;
    if (upper)
        std::transform(out.begin(), out.end(), out.begin(), [](char c) { return static_cast<char>(c - 'a' + 'A'); });
    return out;
}

std::string Letters(long long n, bool upper)
{
    // 1 = a, 26 = z, 27 = aa, 53 = aaa ...
    if (n < 1)
        return {};
    const char letter = static_cast<char>((upper ? 'A' : 'a') + (n - 1) % 26);
    return std::string(static_cast<size_t>((n - 1) / 26 + 1), letter);
}

} // namespace

bool WriteBook(const QString& path, const Book& book, const Encryption* encryption)
{
    try {
        QPDF pdf;
        pdf.emptyPDF();
        QPDFPageDocumentHelper helper(pdf);
        for (int n = 1; n <= book.pageCount; ++n)
            helper.addPage(QPDFPageObjectHelper(MakePage(pdf, PageDesign{}, n)), false);
        const std::vector<QPDFObjectHandle> pages = pdf.getAllPages();
        QPDFObjectHandle root = pdf.getRoot();

        if (!book.namedDestinations.empty()) {
            if (book.namesInTree) {
                QPDFObjectHandle names = QPDFObjectHandle::newDictionary();
                names.replaceKey("/Dests", NameTree(pdf, book, pages));
                root.replaceKey("/Names", names);
            } else {
                QPDFObjectHandle dests = QPDFObjectHandle::newDictionary();
                for (const auto& [name, page] : book.namedDestinations)
                    dests.replaceKey("/" + name, PageDestination(pages, page));
                root.replaceKey("/Dests", pdf.makeIndirectObject(dests));
            }
        }
        if (!book.outline.empty()) {
            QPDFObjectHandle outlines = pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Outlines >>"));
            outlines.replaceKey("/Count",
                                QPDFObjectHandle::newInteger(AddBookmarks(pdf, book, pages, book.outline, outlines)));
            root.replaceKey("/Outlines", outlines);
        }
        for (const Link& link : book.links) {
            QPDFObjectHandle annotation = QPDFObjectHandle::parse(
                "<< /Type /Annot /Subtype /Link /Rect [72 72 200 90] /Border [0 0 0] >>");
            if (!link.uri.empty()) {
                QPDFObjectHandle action = QPDFObjectHandle::newDictionary();
                action.replaceKey("/S", QPDFObjectHandle::newName("/URI"));
                action.replaceKey("/URI", QPDFObjectHandle::newString(link.uri));
                annotation.replaceKey("/A", action);
            } else {
                SetDestination(annotation, DestinationFor(book, pages, link.target, link.named), link.viaAction);
            }
            QPDFObjectHandle page = pages.at(static_cast<size_t>(link.page - 1));
            if (!page.getKey("/Annots").isArray())
                page.replaceKey("/Annots", QPDFObjectHandle::newArray());
            page.getKey("/Annots").appendItem(pdf.makeIndirectObject(annotation));
        }
        if (!book.pageLabels.empty())
            root.replaceKey("/PageLabels", QPDFObjectHandle::parse("<< /Nums [" + book.pageLabels + "] >>"));
        if (!book.info.empty()) {
            QPDFObjectHandle info = QPDFObjectHandle::newDictionary();
            for (const auto& [key, value] : book.info)
                info.replaceKey("/" + key, QPDFObjectHandle::newString(value));
            pdf.getTrailer().replaceKey("/Info", pdf.makeIndirectObject(info));
        }
        if (!book.xmp.empty()) {
            QPDFObjectHandle metadata = QPDFObjectHandle::newStream(&pdf, book.xmp);
            metadata.getDict().replaceKey("/Type", QPDFObjectHandle::newName("/Metadata"));
            metadata.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/XML"));
            root.replaceKey("/Metadata", metadata);
        }
        if (book.edit)
            book.edit(pdf);

        WriteFixture(pdf, path, encryption);
        return true;
    } catch (...) {
        return false;
    }
}

std::vector<OutlineEntry> ReadOutline(const QString& path, const std::string& password)
{
    std::vector<OutlineEntry> entries;
    auto pdf = Open(path, password);
    if (!pdf)
        return entries;
    try {
        const auto numbers = PageNumbers(*pdf);
        std::set<QPDFObjGen> seen;
        struct Pending
        {
            QPDFObjectHandle next;
            int level;
        };
        std::vector<Pending> stack{{pdf->getRoot().getKey("/Outlines").getKey("/First"), 1}};
        while (!stack.empty()) {
            QPDFObjectHandle item = stack.back().next;
            const int level = stack.back().level;
            if (!item.isDictionary() || !seen.insert(item.getObjGen()).second) {
                stack.pop_back();
                continue;
            }
            stack.back().next = item.getKey("/Next");
            QPDFObjectHandle title = item.getKey("/Title");
            entries.push_back({title.isString() ? title.getStringValue() : std::string(), level,
                               DestinationPageNumber(*pdf, numbers, DestinationOf(item))});
            stack.push_back({item.getKey("/First"), level + 1});
        }
    } catch (...) {
    }
    return entries;
}

std::string OutlineStructureFault(const QString& path, const std::string& password)
{
    auto pdf = Open(path, password);
    if (!pdf)
        return "cannot open";
    try {
        std::set<QPDFObjGen> seen;
        std::ostringstream fault;
        // Returns what the level below parent shows, checking each entry.
        std::function<long long(QPDFObjectHandle, int)> level = [&](QPDFObjectHandle parent, int depth) -> long long {
            long long visible = 0;
            QPDFObjectHandle previous;
            QPDFObjectHandle item = parent.getKey("/First");
            while (item.isDictionary()) {
                if (!seen.insert(item.getObjGen()).second || depth > 100) {
                    fault << "loop; ";
                    return visible;
                }
                const std::string title = item.getKey("/Title").isString() ? item.getKey("/Title").getStringValue() : "?";
                if (item.getKey("/Parent").getObjGen() != parent.getObjGen())
                    fault << title << ": wrong /Parent; ";
                if (previous.isInitialized() ? item.getKey("/Prev").getObjGen() != previous.getObjGen()
                                             : item.hasKey("/Prev"))
                    fault << title << ": wrong /Prev; ";
                const long long below = level(item, depth + 1);
                QPDFObjectHandle count = item.getKey("/Count");
                const bool hasKids = item.getKey("/First").isDictionary();
                if (hasKids && (!count.isInteger() || (count.getIntValue() != below && count.getIntValue() != -below)))
                    fault << title << ": /Count " << count.unparse() << " for " << below << " below; ";
                if (!hasKids && count.isInteger() && count.getIntValue() != 0)
                    fault << title << ": /Count without children; ";
                const bool open = !count.isInteger() || count.getIntValue() > 0;
                visible += 1 + (open ? below : 0);
                previous = item;
                item = item.getKey("/Next");
            }
            if (previous.isInitialized() && parent.getKey("/Last").getObjGen() != previous.getObjGen())
                fault << "wrong /Last; ";
            return visible;
        };
        QPDFObjectHandle root = pdf->getRoot().getKey("/Outlines");
        if (!root.isDictionary())
            return {};
        const long long shown = level(root, 0);
        if (root.getKey("/Count").isInteger() ? root.getKey("/Count").getIntValue() != shown : shown != 0)
            fault << "root /Count " << root.getKey("/Count").unparse() << " shows " << shown << "; ";
        return fault.str();
    } catch (std::exception& e) {
        return e.what();
    }
}

std::vector<LinkEntry> ReadLinks(const QString& path, const std::string& password)
{
    std::vector<LinkEntry> links;
    auto pdf = Open(path, password);
    if (!pdf)
        return links;
    try {
        const auto numbers = PageNumbers(*pdf);
        int n = 0;
        for (QPDFObjectHandle page : pdf->getAllPages()) {
            ++n;
            QPDFObjectHandle annots = page.getKey("/Annots");
            if (!annots.isArray())
                continue;
            for (QPDFObjectHandle annotation : annots.aitems()) {
                if (!annotation.getKey("/Subtype").isNameAndEquals("/Link"))
                    continue;
                LinkEntry entry;
                entry.page = n;
                QPDFObjectHandle action = annotation.getKey("/A");
                if (action.isDictionary() && action.getKey("/S").isNameAndEquals("/URI"))
                    entry.uri = action.getKey("/URI").getStringValue();
                else
                    entry.target = DestinationPageNumber(*pdf, numbers, DestinationOf(annotation));
                links.push_back(entry);
            }
        }
    } catch (...) {
    }
    return links;
}

std::vector<std::string> PageLabels(const QString& path, const std::string& password)
{
    std::vector<std::string> labels;
    auto pdf = Open(path, password);
    if (!pdf)
        return labels;
    try {
        QPDFPageLabelDocumentHelper helper(*pdf);
        if (!helper.hasPageLabels())
            return labels;
        const long long count = static_cast<long long>(pdf->getAllPages().size());
        for (long long i = 0; i < count; ++i) {
            QPDFObjectHandle label = helper.getLabelForPage(i);
            std::string text;
            if (label.isDictionary()) {
                if (label.getKey("/P").isString())
                    text = label.getKey("/P").getStringValue();
                const long long start = label.getKey("/St").isInteger() ? label.getKey("/St").getIntValue() : 1;
                const std::string style = label.getKey("/S").isName() ? label.getKey("/S").getName() : "";
                if (style == "/D")
                    text += std::to_string(start);
                else if (style == "/R" || style == "/r")
                    text += Roman(start, style == "/R");
                else if (style == "/A" || style == "/a")
                    text += Letters(start, style == "/A");
            }
            labels.push_back(text);
        }
    } catch (...) {
        labels.clear();
    }
    return labels;
}

std::map<std::string, std::string> InfoEntries(const QString& path, const std::string& password)
{
    std::map<std::string, std::string> entries;
    auto pdf = Open(path, password);
    if (!pdf)
        return entries;
    try {
        QPDFObjectHandle info = pdf->getTrailer().getKey("/Info");
        if (!info.isDictionary())
            return entries;
        for (auto item : info.ditems()) {
            QPDFObjectHandle value = item.second;
            entries[item.first.substr(1)] = value.isString() ? value.getStringValue() : value.unparse();
        }
    } catch (...) {
        entries.clear();
    }
    return entries;
}

std::string XmpMetadata(const QString& path, const std::string& password)
{
    auto pdf = Open(path, password);
    if (!pdf)
        return {};
    try {
        QPDFObjectHandle metadata = pdf->getRoot().getKey("/Metadata");
        if (!metadata.isStream())
            return {};
        auto data = metadata.getStreamData();
        return std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
    } catch (...) {
        return {};
    }
}

} // namespace PdfFixtures
