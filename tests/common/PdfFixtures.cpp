#include "PdfFixtures.h"

#ifndef POINTERHOLDER_TRANSITION
#define POINTERHOLDER_TRANSITION 4
#endif
#include <QFile>
#include <QProcess>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <cstdio>
#include <exception>
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

QPDFObjectHandle MakePage(QPDF& pdf, const PageSpec& pageSpec, int number)
{
    const double x0 = pageSpec.originX, y0 = pageSpec.originY;
    const double x1 = x0 + pageSpec.width, y1 = y0 + pageSpec.height;
    const double side = std::min(pageSpec.width, pageSpec.height) / 5.0;

    std::ostringstream content;
    // The orientation square in the top-left corner.
    content << "q 0 0 0 rg " << Num(x0) << ' ' << Num(y1 - side) << ' ' << Num(side) << ' '
            << Num(side) << " re f Q\n";
    content << "BT /F1 " << Num(side / 2) << " Tf " << Num(x0 + pageSpec.width * 0.4) << ' '
            << Num(y0 + pageSpec.height * 0.5) << " Td (P" << number << ") Tj ET\n";
    if (pageSpec.vectorArt) {
        content << "q 0.2 0.4 0.8 RG 0.5 w\n";
        for (int i = 0; i < 400; ++i) {
            const double fx = x0 + pageSpec.width * ((i * 37) % 100) / 100.0;
            const double fy = y0 + pageSpec.height * ((i * 53) % 100) / 100.0;
            const double tx = x0 + pageSpec.width * ((i * 71) % 100) / 100.0;
            const double ty = y0 + pageSpec.height * ((i * 19) % 100) / 100.0;
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

    if (pageSpec.imageSide > 0) {
        const int n = pageSpec.imageSide;
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
        content << "q " << Num(pageSpec.width / 2) << " 0 0 " << Num(pageSpec.height / 4) << ' '
                << Num(x0 + pageSpec.width / 4) << ' ' << Num(y0 + pageSpec.height / 8) << " cm /Im1 Do Q\n";
    }

    QPDFObjectHandle page = QPDFObjectHandle::newDictionary();
    page.replaceKey("/Type", QPDFObjectHandle::newName("/Page"));
    QPDFObjectHandle box = QPDFObjectHandle::newArray();
    for (double v : {x0, y0, x1, y1})
        box.appendItem(QPDFObjectHandle::newReal(v, 4));
    page.replaceKey("/MediaBox", box);
    if (pageSpec.rotate != 0)
        page.replaceKey("/Rotate", QPDFObjectHandle::newInteger(pageSpec.rotate));
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

} // namespace

bool WritePdf(const QString& path, const std::vector<PageSpec>& pages, const Encryption* encryption)
{
    try {
        QPDF pdf;
        pdf.emptyPDF();
        QPDFPageDocumentHelper helper(pdf);
        int number = 0;
        for (const PageSpec& pageSpec : pages)
            helper.addPage(QPDFPageObjectHelper(MakePage(pdf, pageSpec, ++number)), false);
        const QByteArray name = QFile::encodeName(path);
        QPDFWriter writer(pdf, name.constData());
        // Plain objects and a classic xref table keep damaged variants simple to make.
        writer.setObjectStreamMode(qpdf_o_disable);
        if (encryption)
            ApplyEncryption(writer, *encryption);
        writer.write();
        return true;
    } catch (...) {
        return false;
    }
}

bool WritePlainPdf(const QString& path, int pageCount, double width, double height)
{
    PageSpec pageSpec;
    pageSpec.width = width;
    pageSpec.height = height;
    return WritePdf(path, std::vector<PageSpec>(static_cast<size_t>(std::max(pageCount, 0)), pageSpec));
}

bool WriteEncryptedPdf(const QString& path, int pageCount, const std::string& userPassword,
                       const std::string& ownerPassword, int permissions)
{
    Encryption e{userPassword, ownerPassword, permissions};
    return WritePdf(path, std::vector<PageSpec>(static_cast<size_t>(std::max(pageCount, 0))), &e);
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

} // namespace PdfFixtures
