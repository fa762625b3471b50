#include "engine/XpdfSplice.h"

#include "engine/PdfTextString.h"
#include "engine/SpliceCarryOver.h"
#include "engine/SpliceSource.h"
#include "engine/XpdfSpliceOutline.h"
#include "support/TextHelpers.h"

#ifndef POINTERHOLDER_TRANSITION
#define POINTERHOLDER_TRANSITION 4
#endif
#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include "engine/CachedFileSource.h"
#include "engine/PageTree.h"

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFSystemError.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

thread_local QString t_lastError;

void SetLastError(const QString& reason)
{
    t_lastError = reason;
}

void SetLastSystemError(int error)
{
    t_lastError = SystemErrorText(error);
}

// The reason carried by an exception of the library (or of the standard
// library underneath it).
void SetLastErrorFrom(const std::exception& error)
{
    if (const auto* system = dynamic_cast<const QPDFSystemError*>(&error))
        SetLastSystemError(system->getErrno());
    else if (const auto* pdf = dynamic_cast<const QPDFExc*>(&error))
        SetLastError(QString::fromStdString(pdf->getMessageDetail()));
    else
        SetLastError(QString::fromLocal8Bit(error.what()));
}

// Permission bits of the standard security handler (P entry).
constexpr int kPermPrint = 0x4;
constexpr int kPermModify = 0x8;
constexpr int kPermCopy = 0x10;
constexpr int kPermAnnotate = 0x20;
constexpr int kPermFillForms = 0x100;
constexpr int kPermAccessibility = 0x200;
constexpr int kPermAssemble = 0x400;
constexpr int kPermPrintHigh = 0x800;

// An open input document. The QPDF object is shared with every output that
// took pages from it: copied pages keep reading their streams from the input
// until that output is written, so closing the input handle early must not
// free the document.
struct SpliceInput
{
    std::shared_ptr<QPDF> pdf;
    // What outputs carry over from this document besides its pages; it
    // also holds the page tree, read when first needed: walking it reads
    // every page object, which opening only to check encryption and
    // permissions does not need.
    std::shared_ptr<SpliceSource> source;
};

// The input's page tree, walked (and rebuilt when needed) at the first call.
const PageTreeReading& Tree(SpliceInput& in)
{
    return in.source->Tree();
}

struct EncryptionRequest
{
    std::string ownerPassword;
    std::string userPassword;
    int permissions = 0;
};

struct SpliceOutput
{
    QString path; // empty for a trial output, which is never stored
    std::string minimumVersion;
    std::unique_ptr<QTemporaryFile> temp; // written first, renamed into place when complete
    std::shared_ptr<QPDF> pdf;
    std::vector<std::shared_ptr<QPDF>> sources;
    std::set<QPDFObjGen> usedPages; // page objects already in this output's page tree
    std::vector<QPDFPageObjectHelper> pages; // the page tree's pages, in order
    std::vector<CopiedPage> copied;           // where each of those pages came from, in the same order
    std::optional<EncryptionRequest> encryption;
};

// End of the writer's pipeline: every byte goes to the file. A short write
// (full disk, file size limit, I/O error) is recorded rather than thrown:
// qpdf finishes its pipelines from frames that must not throw, so an
// exception here would end the program. The caller checks Failed() after the
// writer returns and discards the file.
class FileSink : public Pipeline
{
public:
    explicit FileSink(QFile& file) : Pipeline("parcelo file sink", nullptr), file_(file) {}
    void write(unsigned char const* data, size_t len) override
    {
        size_t done = 0;
        while (!failed_ && done < len) {
            errno = 0;
            const qint64 n = file_.write(reinterpret_cast<const char*>(data) + done,
                                         static_cast<qint64>(len - done));
            if (n <= 0)
                Fail();
            else
                done += static_cast<size_t>(n);
        }
    }
    void finish() override
    {
        errno = 0;
        if (!failed_ && !file_.flush())
            Fail();
    }
    bool Failed() const { return failed_; }
    // The system's error number of the first failure (0 when unknown), and
    // its description.
    int Error() const { return error_; }
    const QString& Reason() const { return reason_; }

private:
    void Fail()
    {
        failed_ = true;
        error_ = errno;
        reason_ = error_ != 0 ? SystemErrorText(error_) : file_.errorString();
    }

    QFile& file_;
    bool failed_ = false;
    int error_ = 0;
    QString reason_;
};

// End of the writer's pipeline for a measurement: counts the bytes and
// keeps none of them.
class CountSink : public Pipeline
{
public:
    CountSink() : Pipeline("parcelo count sink", nullptr) {}
    void write(unsigned char const*, size_t len) override { count_ += len; }
    void finish() override {}
    std::uint64_t Count() const { return count_; }

private:
    std::uint64_t count_ = 0;
};

// What a page's objects bring into a file, as far as the stored objects
// tell without writing: the stored length of every stream and a little for
// every object and entry. Objects in `seen` were counted already and add
// nothing; other pages and the page tree are not part of a page.
std::uint64_t PageObjectBytes(QPDFObjectHandle page, std::set<QPDFObjGen>& seen)
{
    constexpr std::uint64_t kPerObject = 40; // header, end and cross-reference entry
    constexpr std::uint64_t kPerValue = 8;
    std::uint64_t bytes = 0;
    std::vector<QPDFObjectHandle> pending{page};
    bool start = true;
    while (!pending.empty()) {
        QPDFObjectHandle object = pending.back();
        pending.pop_back();
        const bool isStart = std::exchange(start, false);
        if (object.isIndirect()) {
            if (!seen.insert(object.getObjGen()).second)
                continue;
            bytes += kPerObject;
        }
        if (object.isStream()) {
            QPDFObjectHandle dict = object.getDict();
            QPDFObjectHandle length = dict.getKey("/Length");
            if (length.isInteger() && length.getIntValue() > 0)
                bytes += static_cast<std::uint64_t>(length.getIntValue());
            pending.push_back(dict);
        } else if (object.isDictionary()) {
            if (!isStart && (object.isPageObject() || object.isPagesObject()))
                continue;
            for (auto item : object.ditems()) {
                if (item.first == "/Parent" || item.first == "/P")
                    continue;
                bytes += item.first.size() + kPerValue;
                pending.push_back(item.second);
            }
        } else if (object.isArray()) {
            for (auto& item : object.getArrayAsVector()) {
                bytes += kPerValue;
                pending.push_back(item);
            }
        } else if (object.isString()) {
            bytes += object.getStringValue().size();
        }
    }
    return bytes;
}

std::string VersionText(double version)
{
    if (!std::isfinite(version) || version < 1.0 || version > 2.0)
        return "1.6";
    char buf[16];
    std::snprintf(buf, sizeof buf, "%.1f", version);
    return buf;
}

XpdfSpliceInput OpenInput(const QString& path, const char* password, int* status = nullptr,
                          int* systemError = nullptr)
{
    auto report = [&](int s, int e) {
        if (status)
            *status = s;
        if (systemError)
            *systemError = e;
        if (e != 0)
            SetLastSystemError(e);
    };
    report(SPLICE_OK, 0);
    if (path.isEmpty()) {
        report(SPLICE_ERR_SYSTEM, ENOENT);
        return nullptr;
    }
    // A folder opens for reading like a file; only reading it fails.
    if (QFileInfo(path).isDir()) {
        report(SPLICE_ERR_SYSTEM, EISDIR);
        return nullptr;
    }
    try {
        auto pdf = std::make_shared<QPDF>();
        pdf->setSuppressWarnings(true);
        pdf->processInputSource(std::make_shared<CachedFileSource>(path), password);
        auto input = std::make_unique<SpliceInput>();
        input->source = std::make_shared<SpliceSource>(pdf);
        input->pdf = std::move(pdf);
        return input.release();
    } catch (const QPDFSystemError& e) {
        report(SPLICE_ERR_SYSTEM, e.getErrno());
        SetLastErrorFrom(e);
    } catch (const QPDFExc& e) {
        switch (e.getErrorCode()) {
        case qpdf_e_password:
            report(SPLICE_ERR_PASSWORD, 0);
            break;
        case qpdf_e_unsupported:
            report(SPLICE_ERR_ENCRYPTION, 0);
            break;
        default:
            report(SPLICE_ERR_DAMAGED, 0);
            break;
        }
        SetLastErrorFrom(e);
    } catch (const std::exception& e) {
        report(SPLICE_ERR_DAMAGED, 0);
        SetLastErrorFrom(e);
    } catch (...) {
        report(SPLICE_ERR_DAMAGED, 0);
        SetLastError(QString());
    }
    return nullptr;
}

void RemoveTemp(SpliceOutput& out)
{
    if (out.temp) {
        out.temp->setAutoRemove(true);
        out.temp.reset();
    }
}

// Writes the output's document into the sink. Saving and measuring go
// through here alike, so a measured size is the size of the saved file:
// both carry over from the sources what belongs to the pages the output
// holds at that moment (information, bookmarks, links, labels).
void WriteDocument(SpliceOutput& out, Pipeline& sink)
{
    CarrySourceParts(*out.pdf, out.copied);
    QPDFWriter writer(*out.pdf);
    writer.setOutputPipeline(&sink);
    writer.setMinimumPDFVersion(out.minimumVersion);
    if (out.encryption) {
        const EncryptionRequest& e = *out.encryption;
        const int p = e.permissions;
        // How each permission bit becomes a qpdf AES-256 (R6) setting:
        //   0x4   print                -> print: none unless set
        //   0x800 high-quality print   -> with 0x4: full printing; without: low resolution
        //   0x8   modify contents      -> allow_modify_other
        //   0x10  copy / extract       -> allow_extract
        //   0x20  annotate             -> allow_annotate_and_form
        //   0x100 fill in forms        -> allow_form_filling
        //   0x200 accessibility        -> allow_accessibility
        //   0x400 assemble document    -> allow_assemble
        // 0x800 without 0x4 cannot be expressed and means no printing.
        // qpdf always grants 0x200 for this encryption revision (later PDF
        // versions no longer allow it to be withheld), so a cleared 0x200 is
        // written as set.
        qpdf_r3_print_e print = qpdf_r3p_none;
        if (p & kPermPrint)
            print = (p & kPermPrintHigh) ? qpdf_r3p_full : qpdf_r3p_low;
        writer.setR6EncryptionParameters(e.userPassword.c_str(), e.ownerPassword.c_str(),
                                         (p & kPermAccessibility) != 0, (p & kPermCopy) != 0,
                                         (p & kPermAssemble) != 0, (p & kPermAnnotate) != 0,
                                         (p & kPermFillForms) != 0, (p & kPermModify) != 0, print,
                                         true);
    }
    writer.write();
}

bool WriteOutput(SpliceOutput& out)
{
    if (!out.temp)
        return true; // a trial output: nothing to store
    FileSink sink(*out.temp);
    WriteDocument(out, sink);
    if (sink.Failed()) {
        SetLastError(sink.Reason());
        return false;
    }

    // The data is handed to the system, not forced to the disk: trial files
    // are measured and deleted at once, and a caller that keeps a file
    // flushes it itself before giving it its final name (Save Split does).
    QFile& file = *out.temp;
    if (!file.flush()) {
        SetLastError(file.errorString());
        return false;
    }
    // Temporary files are private; the finished file gets the usual mode.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fchmod(file.handle(), 0666 & ~mask) != 0) {
        SetLastSystemError(errno);
        return false;
    }
    const QString tempName = file.fileName();
    file.close();
    if (file.error() != QFileDevice::NoError) {
        SetLastError(file.errorString());
        return false;
    }
    const QByteArray from = QFile::encodeName(tempName);
    const QByteArray to = QFile::encodeName(out.path);
    if (::rename(from.constData(), to.constData()) != 0) {
        SetLastSystemError(errno);
        return false;
    }
    out.temp->setAutoRemove(false);
    return true;
}

// An output with an empty document of at least the given PDF version and no
// file yet. Throws what qpdf throws.
std::unique_ptr<SpliceOutput> NewOutput(double pdfVersion)
{
    auto out = std::make_unique<SpliceOutput>();
    out->minimumVersion = VersionText(pdfVersion);
    out->pdf = std::make_shared<QPDF>();
    out->pdf->setSuppressWarnings(true);
    out->pdf->emptyPDF();
    return out;
}

} // namespace

void xpdfSpliceInit()
{
    // qpdf needs no global set-up; kept so start-up follows the same steps
    // whatever splicing library sits underneath.
}

QString xpdfSpliceLastError()
{
    return t_lastError;
}

XpdfSpliceInput xpdfSpliceOpenInputW(const QString& path)
{
    return OpenInput(path, nullptr);
}

XpdfSpliceInput xpdfSpliceOpenInputWithPasswordW(const QString& path, const char* password)
{
    return OpenInput(path, password ? password : "");
}

XpdfSpliceInput xpdfSpliceOpenInputStatusW(const QString& path, const char* password, int* status,
                                           int* systemError)
{
    return OpenInput(path, password, status, systemError);
}

int xpdfSpliceGetPageCount(XpdfSpliceInput input)
{
    if (!input)
        return -1;
    try {
        const PageTreeReading& tree = Tree(*static_cast<SpliceInput*>(input));
        return tree.readable ? static_cast<int>(tree.pages.size()) : -1;
    } catch (...) {
        return -1;
    }
}

int xpdfSplicePageTreeRebuilt(XpdfSpliceInput input)
{
    if (!input)
        return 0;
    try {
        const PageTreeReading& tree = Tree(*static_cast<SpliceInput*>(input));
        return tree.readable && tree.rebuilt ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int xpdfSpliceWriteCopy(XpdfSpliceInput input, const QString& path, int* systemError)
{
    if (systemError)
        *systemError = 0;
    auto* in = static_cast<SpliceInput*>(input);
    if (!in || path.isEmpty())
        return 0;
    try {
        if (!Tree(*in).readable)
            return 0;
        QFile file(path);
        errno = 0;
        // Truncating an existing file keeps its permissions.
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::ExistingOnly)) {
            if (systemError)
                *systemError = errno;
            return 0;
        }
        QPDFWriter writer(*in->pdf);
        FileSink sink(file);
        writer.setOutputPipeline(&sink);
        // Streams are copied as they are (decrypted and encrypted again when
        // the document is encrypted): a copy for reading needs no
        // recompression.
        writer.setCompressStreams(false);
        writer.setDecodeLevel(qpdf_dl_none);
        writer.setPreserveEncryption(true);
        writer.write();
        if (sink.Failed()) {
            if (systemError)
                *systemError = sink.Error();
            return 0;
        }
        errno = 0;
        if (!file.flush()) {
            if (systemError)
                *systemError = errno;
            return 0;
        }
        file.close();
        return file.error() == QFileDevice::NoError ? 1 : 0;
    } catch (const QPDFSystemError& e) {
        if (systemError)
            *systemError = e.getErrno();
        return 0;
    } catch (...) {
        return 0;
    }
}

int xpdfSpliceIsEncrypted(XpdfSpliceInput input)
{
    if (!input)
        return 0;
    try {
        return static_cast<SpliceInput*>(input)->pdf->isEncrypted() ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int xpdfSpliceGetPermissions(XpdfSpliceInput input)
{
    if (!input)
        return 0;
    try {
        int r = 0, p = 0;
        if (!static_cast<SpliceInput*>(input)->pdf->isEncrypted(r, p))
            return -1;
        return p;
    } catch (...) {
        return 0;
    }
}

void xpdfSpliceCloseInput(XpdfSpliceInput input)
{
    // Outputs that took pages from this input hold their own reference to
    // the document, so it lives on until they are written.
    delete static_cast<SpliceInput*>(input);
}

XpdfSpliceOutput xpdfSpliceOpenOutputW(const QString& path, double pdfVersion)
{
    if (path.isEmpty()) {
        SetLastSystemError(ENOENT);
        return nullptr;
    }
    try {
        const QFileInfo info(path);
        if (info.isDir()) {
            SetLastSystemError(EISDIR);
            return nullptr;
        }
        if (!info.dir().exists()) {
            SetLastSystemError(ENOENT);
            return nullptr;
        }
        auto out = NewOutput(pdfVersion);
        out->path = info.absoluteFilePath();
        out->temp = std::make_unique<QTemporaryFile>(out->path + QStringLiteral(".XXXXXX.part"));
        if (!out->temp->open()) {
            SetLastError(out->temp->errorString());
            return nullptr;
        }
        return out.release();
    } catch (const std::exception& e) {
        SetLastErrorFrom(e);
        return nullptr;
    } catch (...) {
        SetLastError(QString());
        return nullptr;
    }
}

XpdfSpliceOutput xpdfSpliceOpenTrialOutput(double pdfVersion)
{
    try {
        return NewOutput(pdfVersion).release();
    } catch (const std::exception& e) {
        SetLastErrorFrom(e);
        return nullptr;
    } catch (...) {
        SetLastError(QString());
        return nullptr;
    }
}

int xpdfSpliceSetEncryption(XpdfSpliceOutput output, int kind, const char* ownerPassword,
                            const char* userPassword, int permissions)
{
    auto* out = static_cast<SpliceOutput*>(output);
    if (!out || kind != 2 || out->encryption)
        return 0;
    try {
        out->encryption = EncryptionRequest{ownerPassword ? ownerPassword : "",
                                            userPassword ? userPassword : "", permissions};
        return 1;
    } catch (...) {
        return 0;
    }
}

int xpdfSpliceAddPage(XpdfSpliceInput input, int page, XpdfSpliceOutput output)
{
    auto* in = static_cast<SpliceInput*>(input);
    auto* out = static_cast<SpliceOutput*>(output);
    if (!in || !out || page < 1) {
        SetLastError(QString());
        return 0;
    }
    try {
        const PageTreeReading& tree = Tree(*in);
        if (!tree.readable || page > static_cast<int>(tree.pages.size())) {
            SetLastError(QString());
            return 0;
        }
        QPDFObjectHandle source = tree.pages[static_cast<size_t>(page - 1)];
        // Inherited box, rotation and resources must travel with the page.
        in->pdf->pushInheritedAttributesToPage();
        QPDFObjectHandle copy = out->pdf->copyForeignObject(source);
        QPDFPageObjectHelper helper(copy);
        // qpdf hands back the same copy for the same source page; a page
        // object may appear only once in a page tree, so a repeat becomes a
        // separate page object sharing the copied contents.
        if (out->usedPages.count(copy.getObjGen()))
            helper = helper.shallowCopyPage();
        QPDFPageDocumentHelper(*out->pdf).addPage(helper, false);
        out->usedPages.insert(helper.getObjectHandle().getObjGen());
        out->pages.push_back(helper);
        out->copied.push_back(
            CopiedPage{in->source, page - 1, helper.getObjectHandle(), helper.getObjectHandle().getKey("/Annots")});
        bool known = false;
        for (const auto& s : out->sources)
            known = known || s == in->pdf;
        if (!known)
            out->sources.push_back(in->pdf);
        return 1;
    } catch (const std::exception& e) {
        SetLastErrorFrom(e);
        return 0;
    } catch (...) {
        SetLastError(QString());
        return 0;
    }
}

int xpdfSpliceRemoveLastPage(XpdfSpliceOutput output)
{
    auto* out = static_cast<SpliceOutput*>(output);
    if (!out || out->pages.empty()) {
        SetLastError(QString());
        return 0;
    }
    try {
        QPDFPageObjectHelper last = out->pages.back();
        QPDFPageDocumentHelper(*out->pdf).removePage(last);
        out->pages.pop_back();
        out->copied.pop_back();
        out->usedPages.erase(last.getObjectHandle().getObjGen());
        return 1;
    } catch (const std::exception& e) {
        SetLastErrorFrom(e);
        return 0;
    } catch (...) {
        SetLastError(QString());
        return 0;
    }
}

int xpdfSpliceMeasureOutput(XpdfSpliceOutput output, std::uint64_t* size)
{
    auto* out = static_cast<SpliceOutput*>(output);
    if (!out || !size) {
        SetLastError(QString());
        return 0;
    }
    try {
        CountSink sink;
        WriteDocument(*out, sink);
        *size = sink.Count();
        return 1;
    } catch (const std::exception& e) {
        SetLastErrorFrom(e);
        return 0;
    } catch (...) {
        SetLastError(QString());
        return 0;
    }
}

bool xpdfSpliceEstimatePrefixSizes(XpdfSpliceInput input, const int* pages, std::size_t count,
                                   std::uint64_t limit, std::vector<std::uint64_t>& sizes)
{
    auto* in = static_cast<SpliceInput*>(input);
    if (!in || (!pages && count))
        return false;
    constexpr std::uint64_t kEmptyFile = 400; // header, catalogue, page tree, trailer
    try {
        const PageTreeReading& tree = Tree(*in);
        if (!tree.readable)
            return false;
        // Inherited resources belong to the page, as they do when it is copied.
        in->pdf->pushInheritedAttributesToPage();
        std::set<QPDFObjGen> seen;
        std::uint64_t total = kEmptyFile;
        for (std::size_t i = 0; i < count; ++i) {
            const int page = pages[i];
            if (page < 1 || page > static_cast<int>(tree.pages.size()))
                return false;
            total += PageObjectBytes(tree.pages[static_cast<size_t>(page - 1)], seen);
            sizes.push_back(total);
            if (total > limit)
                break;
        }
        return true;
    } catch (...) {
        return false;
    }
}

int xpdfSpliceCloseOutput(XpdfSpliceOutput output)
{
    auto* out = static_cast<SpliceOutput*>(output);
    if (!out) {
        SetLastError(QString());
        return 0;
    }
    bool ok = false;
    try {
        ok = WriteOutput(*out);
    } catch (const std::exception& e) {
        SetLastErrorFrom(e);
        ok = false;
    } catch (...) {
        SetLastError(QString());
        ok = false;
    }
    if (!ok)
        RemoveTemp(*out);
    try {
        delete out;
    } catch (...) {
    }
    return ok ? 1 : 0;
}

bool xpdfSpliceReadOutline(XpdfSpliceInput input, std::vector<XpdfSpliceOutlineEntry>& entries)
{
    entries.clear();
    auto* in = static_cast<SpliceInput*>(input);
    if (!in)
        return false;
    try {
        const std::vector<SourceOutlineItem>& items = in->source->Outline();
        entries.reserve(items.size());
        for (const SourceOutlineItem& item : items)
            entries.push_back({DecodePdfTextString(item.title), item.level, item.page + 1});
    } catch (...) {
        // The entries read so far.
    }
    return true;
}
