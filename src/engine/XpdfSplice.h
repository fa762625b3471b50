#pragma once
// Page-splicing layer: opens a PDF as input, creates new PDFs as output and
// copies single pages from input to output, optionally encrypting the output.
// Implemented over the qpdf library. No call throws; every library error is
// caught inside the layer and reported as the failure result.
//
// Handles are opaque pointer-sized values; 0 (nullptr) means failure.
// Paths are Unicode (QString). Passwords are UTF-8 byte strings.
// Page numbers are 1-based.
#include <QString>
#include <cstddef>
#include <cstdint>
#include <vector>

using XpdfSpliceInput = void*;
using XpdfSpliceOutput = void*;

// Called once at start-up before any other call.
void xpdfSpliceInit();

// Input handle, or nullptr when the file cannot be opened (missing, damaged,
// wrong or missing password).
XpdfSpliceInput xpdfSpliceOpenInputW(const QString& path);
XpdfSpliceInput xpdfSpliceOpenInputWithPasswordW(const QString& path, const char* password);

// Nonzero when the input document is encrypted.
int xpdfSpliceIsEncrypted(XpdfSpliceInput input);

// Why an input could not be opened.
enum : int
{
    SPLICE_OK = 0,
    SPLICE_ERR_SYSTEM = 1,     // the file cannot be read (missing, no permission, I/O error)
    SPLICE_ERR_DAMAGED = 2,    // not a PDF, or too damaged to be read
    SPLICE_ERR_PASSWORD = 3,   // encrypted, and the password (or its absence) does not open it
    SPLICE_ERR_ENCRYPTION = 4, // encrypted by a method the layer cannot read
};

// Opens an input like xpdfSpliceOpenInputWithPasswordW (a null password:
// none) and tells why it failed: *status is one of SPLICE_*, *systemError the
// system's error number for SPLICE_ERR_SYSTEM (else 0). Either pointer may be
// null.
XpdfSpliceInput xpdfSpliceOpenInputStatusW(const QString& path, const char* password, int* status,
                                           int* systemError);

// Number of pages of the input, walking its page tree (not trusting its
// /Count); the pages xpdfSpliceAddPage numbers. -1 when the page tree cannot
// be walked (it refers back to itself, or there is none).
int xpdfSpliceGetPageCount(XpdfSpliceInput input);

// Nonzero when the page tree had to be rebuilt to be read (entries that are
// not pages, a wrong /Count, a page listed twice, excessive nesting): another
// reader of the file itself may see other pages than this layer does. A copy
// written by xpdfSpliceWriteCopy has the rebuilt tree.
int xpdfSplicePageTreeRebuilt(XpdfSpliceInput input);

// Writes the whole input document, with its page tree as this layer reads
// it, into the existing file at path (its permissions are kept). An
// encrypted input is written encrypted the same way, with the same
// passwords. Nonzero on success; on failure *systemError (when given) is the
// system's error number, or 0 when the document itself could not be written.
int xpdfSpliceWriteCopy(XpdfSpliceInput input, const QString& path, int* systemError);

// Permission bits as in the PDF standard security handler (P entry); bit
// 0x10 is "copy content". An unencrypted document reports every bit set.
int xpdfSpliceGetPermissions(XpdfSpliceInput input);

void xpdfSpliceCloseInput(XpdfSpliceInput input);

// Output handle; nullptr when the file cannot be created. The file on disk is
// complete only after a successful xpdfSpliceCloseOutput.
XpdfSpliceOutput xpdfSpliceOpenOutputW(const QString& path, double pdfVersion);

// An output that is never stored: it is only written to learn how large the
// file of its pages would be (xpdfSpliceMeasureOutput). Closing it discards
// it and returns nonzero.
XpdfSpliceOutput xpdfSpliceOpenTrialOutput(double pdfVersion);

// At most once per output, before the first page. kind 2 is the only kind
// used. Returns nonzero on success.
int xpdfSpliceSetEncryption(XpdfSpliceOutput output, int kind, const char* ownerPassword,
                            const char* userPassword, int permissions);

// Appends the page to the output in call order; nonzero on success. The same
// page may be added several times and every addition is a real copy.
int xpdfSpliceAddPage(XpdfSpliceInput input, int page, XpdfSpliceOutput output);

// Removes the page added last; nonzero on success, 0 when the output holds
// no page. A later xpdfSpliceAddPage of the same page adds it again.
int xpdfSpliceRemoveLastPage(XpdfSpliceOutput output);

// Writes the output as it stands, exactly as xpdfSpliceCloseOutput would,
// but into nothing, and gives the size in bytes the file would have. The
// output stays open and may take or lose pages afterwards. Nonzero on
// success.
int xpdfSpliceMeasureOutput(XpdfSpliceOutput output, std::uint64_t* size);

// The sizes files of the first 1, 2, 3 ... pages of the list (1-based
// numbers) would have, judged from the stored sizes of the pages' objects
// without writing anything (objects the pages share count once): appended
// to sizes up to and including the first one over limit, or to the end of
// the list. An estimate for starting a search, not a measurement; false
// when nothing can be told.
bool xpdfSpliceEstimatePrefixSizes(XpdfSpliceInput input, const int* pages, std::size_t count,
                                   std::uint64_t limit, std::vector<std::uint64_t>& sizes);

// Writes and closes the output; the handle is freed in every case. Returns
// nonzero when the complete file was written. The file is not forced to the
// disk (no fsync); a caller that keeps it does that.
int xpdfSpliceCloseOutput(XpdfSpliceOutput output);

// Why the last call on this thread that failed did so, in the system's or
// the PDF library's words ("No space left on device", "invalid password");
// empty when there is nothing more to say than the failure itself. Every
// call that fails sets it; a call that succeeds leaves it alone.
QString xpdfSpliceLastError();
