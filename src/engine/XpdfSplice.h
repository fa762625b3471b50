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
