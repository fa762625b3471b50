#pragma once
// Documents the benchmark measures, written with the qpdf library.
//
// The mixed document looks like a typical report: every page carries a
// heading and a page of body text in the standard fonts; every third page a
// chart drawn with paths, fills and curves; every fifth page a photograph
// (a JPEG image made here). Pages weigh a few KB (text only) to a few tens of
// KB (with a photograph). The plain document has one short text block per
// page.
#include <QString>

namespace BenchDocuments {

// 1-based pages; every page is letter size, every 50th one turned by 90
// degrees. False on any failure.
bool WriteMixedDocument(const QString& path, int pageCount);
bool WritePlainDocument(const QString& path, int pageCount);
// Pages whose MediaBox is 1e9 points on a side (a damaged or hostile
// generator's), each filled with shapes and a line of text scaled to it.
bool WriteHugePageDocument(const QString& path, int pageCount);

// The mixed document with what a typeset book carries besides its pages:
// an outline of one entry every 10 pages (a chapter, through a named
// destination) with 19 entries below each, a link on every page to the
// next chapter's first page and one to its own chapter by name, roman and
// arabic page labels, document information and XMP metadata. 1,000 pages
// make 2,000 bookmarks.
bool WriteBookmarkedDocument(const QString& path, int pageCount);

// Page count of a PDF read with the qpdf library; -1 when it cannot be read.
int CountPages(const QString& path);

} // namespace BenchDocuments
