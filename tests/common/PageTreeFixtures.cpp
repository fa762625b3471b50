#include "PageTreeFixtures.h"

#ifndef POINTERHOLDER_TRANSITION
#define POINTERHOLDER_TRANSITION 4
#endif
#include <QFile>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFWriter.hh>

#include <map>
#include <string>
#include <vector>

namespace PdfFixtures {
namespace {

using Objects = std::map<long long, std::string>;

std::string Ref(long long number)
{
    return std::to_string(number) + " 0 R";
}

// A classic PDF: header, the objects in number order, and a cross-reference
// table with one subsection per object, so object numbers may be sparse and
// huge.
bool WriteRaw(const QString& path, const Objects& objects, long long root, const std::string& trailerExtra = {})
{
    std::string out = "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n";
    std::map<long long, size_t> offsets;
    for (const auto& [number, body] : objects) {
        offsets[number] = out.size();
        out += std::to_string(number) + " 0 obj\n" + body + "\nendobj\n";
    }
    const size_t xref = out.size();
    out += "xref\n0 1\n0000000000 65535 f \n";
    for (const auto& [number, offset] : offsets) {
        char line[32];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
        out += std::to_string(number) + " 1\n" + line;
    }
    const long long size = objects.empty() ? 1 : objects.rbegin()->first + 1;
    out += "trailer\n<< /Size " + std::to_string(size) + " /Root " + Ref(root) + trailerExtra + " >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(out.data(), static_cast<qint64>(out.size())) == static_cast<qint64>(out.size());
}

std::string Content(int marker)
{
    const std::string text = "q 0 0 0 rg 0 160 40 40 re f Q\nBT /F1 24 Tf 80 100 Td (P" + std::to_string(marker) + ") Tj ET\n";
    return "<< /Length " + std::to_string(text.size()) + " >>\nstream\n" + text + "endstream";
}

// Numbers of the objects of a document with `pages` pages; `base` moves the
// pages' and contents' numbers.
struct Layout
{
    long long catalog = 1;
    long long root = 2;
    long long font = 3;
    long long base = 10;
    long long Page(int i) const { return base + 2LL * i; }
    long long Contents(int i) const { return base + 2LL * i + 1; }
};

// Pages 1..pages under `parent`, with their contents and the shared font.
void AddPages(Objects& objects, const Layout& at, int pages, long long parent)
{
    objects[at.catalog] = "<< /Type /Catalog /Pages " + Ref(at.root) + " >>";
    objects[at.font] = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>";
    for (int i = 0; i < pages; ++i) {
        objects[at.Page(i)] = "<< /Type /Page /Parent " + Ref(parent) + " /MediaBox [0 0 " +
                              std::to_string(PageTreeFixtureWidth(i + 1)) + " 200] /Contents " +
                              Ref(at.Contents(i)) + " /Resources << /Font << /F1 " + Ref(at.font) +
                              " >> >> /ParceloMarker " + std::to_string(i + 1) + " >>";
        objects[at.Contents(i)] = Content(i + 1);
    }
}

std::vector<std::string> PageRefs(const Layout& at, int pages)
{
    std::vector<std::string> refs;
    for (int i = 0; i < pages; ++i)
        refs.push_back(Ref(at.Page(i)));
    return refs;
}

std::string Join(const std::vector<std::string>& items)
{
    std::string out;
    for (const std::string& item : items)
        out += (out.empty() ? "" : " ") + item;
    return out;
}

std::string PagesNode(const std::vector<std::string>& kids, const std::string& count, const std::string& extra = {})
{
    return "<< /Type /Pages" + extra + " /Kids [" + Join(kids) + "] /Count " + count + " >>";
}

} // namespace

bool WriteTreeDamagedPdf(const QString& path, TreeDamage kind, int pages)
{
    Objects objects;
    Layout at;
    if (kind == TreeDamage::HugeObjectNumbers)
        at.base = 2147483000LL;
    if (kind == TreeDamage::DeepChain) {
        // Root -> node 1 -> ... -> node N, the pages below the last node.
        const long long firstNode = 100;
        at.base = firstNode + kDeepChainLevels + 10;
        const long long last = firstNode + kDeepChainLevels - 1;
        AddPages(objects, at, pages, last);
        const std::string count = std::to_string(pages);
        objects[at.root] = PagesNode({Ref(firstNode)}, count);
        for (long long node = firstNode; node <= last; ++node) {
            const long long parent = node == firstNode ? at.root : node - 1;
            const std::vector<std::string> kids = node == last ? PageRefs(at, pages) : std::vector<std::string>{Ref(node + 1)};
            objects[node] = PagesNode(kids, count, " /Parent " + Ref(parent));
        }
        return WriteRaw(path, objects, at.catalog);
    }

    AddPages(objects, at, pages, at.root);
    std::vector<std::string> kids = PageRefs(at, pages);
    std::string count = std::to_string(pages);
    const auto middle = kids.begin() + static_cast<long>(kids.size() / 2);
    switch (kind) {
    case TreeDamage::CountBillion: count = "1000000000"; break;
    case TreeDamage::CountIntMax: count = "2147483647"; break;
    case TreeDamage::Count2Pow32: count = "4294967296"; break;
    case TreeDamage::CountOneMore: count = std::to_string(pages + 1); break;
    case TreeDamage::KidsNullEntry: kids.insert(middle, "null"); break;
    case TreeDamage::KidsMissingObject: kids.insert(middle, Ref(999)); break;
    case TreeDamage::KidsEmptyDictionary: kids.insert(middle, "<< >>"); break;
    case TreeDamage::HugeObjectNumbers:
    case TreeDamage::DeepChain: break;
    }
    objects[at.root] = PagesNode(kids, count);
    return WriteRaw(path, objects, at.catalog);
}

bool WritePageLoopPdf(const QString& path, int pages)
{
    Objects objects;
    Layout at;
    const long long inner = 5;
    AddPages(objects, at, pages, at.root);
    std::vector<std::string> kids = PageRefs(at, pages);
    kids.push_back(Ref(inner));
    objects[at.root] = PagesNode(kids, std::to_string(pages + 1));
    objects[inner] = PagesNode({Ref(at.root)}, "1", " /Parent " + Ref(at.root));
    return WriteRaw(path, objects, at.catalog);
}

bool WritePageListedTwicePdf(const QString& path, int pages, int twice)
{
    Objects objects;
    Layout at;
    AddPages(objects, at, pages, at.root);
    std::vector<std::string> kids = PageRefs(at, pages);
    kids.insert(kids.begin() + twice, Ref(at.Page(twice - 1)));
    objects[at.root] = PagesNode(kids, std::to_string(pages + 1));
    return WriteRaw(path, objects, at.catalog);
}

bool WriteZeroPagePdf(const QString& path)
{
    Objects objects;
    Layout at;
    AddPages(objects, at, 0, at.root);
    objects[at.root] = PagesNode({}, "0");
    return WriteRaw(path, objects, at.catalog);
}

bool WriteUnknownEncryptionPdf(const QString& path)
{
    Objects objects;
    Layout at;
    AddPages(objects, at, 3, at.root);
    objects[at.root] = PagesNode(PageRefs(at, 3), "3");
    objects[9] = "<< /Filter /ParceloUnknownHandler /V 4 /R 4 /Length 128 >>";
    return WriteRaw(path, objects, at.catalog,
                    " /Encrypt 9 0 R /ID [<00112233445566778899aabbccddeeff> <00112233445566778899aabbccddeeff>]");
}

bool WriteEncryptedCopy(const QString& from, const QString& to, const std::string& userPassword,
                        const std::string& ownerPassword)
{
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processFile(QFile::encodeName(from).constData());
        // The writer keeps the name's pointer until it writes.
        const QByteArray name = QFile::encodeName(to);
        QPDFWriter writer(pdf, name.constData());
        writer.setObjectStreamMode(qpdf_o_disable);
        writer.setR6EncryptionParameters(userPassword.c_str(), ownerPassword.c_str(), true, true, true, true, true,
                                         true, qpdf_r3p_full, true);
        writer.write();
        return true;
    } catch (...) {
        return false;
    }
}

long long RootPageCount(const QString& path, const std::string& password)
{
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processFile(QFile::encodeName(path).constData(), password.empty() ? nullptr : password.c_str());
        QPDFObjectHandle count = pdf.getRoot().getKey("/Pages").getKey("/Count");
        return count.isInteger() ? count.getIntValue() : -1;
    } catch (...) {
        return -1;
    }
}

} // namespace PdfFixtures
