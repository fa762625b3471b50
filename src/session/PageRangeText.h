#pragma once
// Page-range text such as "1-7, 18": the strict reader whose result becomes a
// section's pages, the writer that shows a page list as text, and the lenient
// check run on every keystroke of the Page Range page.
#include "session/PageList.h"

#include <QString>
#include <cstdint>
#include <vector>

// Failure kinds of ParsePageList. Callers treat them alike; they exist so a
// test (or a curious caller) can tell why a text was refused.
enum : int
{
    PAGE_RANGE_OK = 0,
    PAGE_RANGE_TOO_MANY_DASHES = 4097,
    PAGE_RANGE_BAD_BOUND = 4098,
    PAGE_RANGE_BAD_CHARACTER = 4099,
};

// Reads page-range text into an ordered page list: pieces separated by ",",
// each a page or "first-last" (ascending). Order and duplicates are kept.
// maxPage is the highest page allowed (normally the document's page count):
// any bound above it, or too large for 32 bits, fails the whole text before
// anything is expanded. Empty text (or only commas) gives an empty list.
// On failure `pages` is left empty and `error` (when given) receives the kind.
bool ParsePageList(const QString& text, std::int32_t maxPage, PageList& pages, int* error = nullptr);

// Writes a page list as text: runs of consecutive ascending pages become
// "first-last", single pages their number, joined by "," without spaces.
QString FormatPageList(const PageList& pages);

// The pages 1 .. pageCount in order (empty when pageCount < 1).
PageList AllPages(int pageCount);

// Cuts a page list, in its order, into consecutive runs of `runLength` pages;
// the last run holds what is left. A run length of 0 gives no runs.
std::vector<PageList> CutIntoRuns(const PageList& pages, std::uint64_t runLength);

// One half-open range [start, end) of pages in the lenient check's range set.
struct PageRange
{
    std::int64_t start = 0;
    std::int64_t end = 0;
    bool operator==(const PageRange&) const = default;
};
// Ascending, disjoint and merged (no two ranges overlap or touch).
using PageRangeSet = std::vector<PageRange>;

// The lenient check of the Page Range page: spaces are ignored, a range may be
// given in either order, page 0 is accepted. It fails on malformed text and on
// any number above pageCount. On success `ranges` (when given) holds the pages
// named; on failure it is left empty.
bool CheckPageRangeText(const QString& text, std::int32_t pageCount, PageRangeSet* ranges = nullptr);
