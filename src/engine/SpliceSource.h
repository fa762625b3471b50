#pragma once
// What an output may carry over from the input document its pages come
// from: the page numbers of page objects, destinations (named ones resolved),
// the outline, the page labels, the document information and the XMP
// metadata. Read lazily, once per input, and shared by every output that
// took pages from it. Used only inside the splicing layer (qpdf types).
//
// Every reader tolerates damaged structures: loops end, entries that cannot
// be read are left out, and nothing here throws except qpdf's own errors on
// an unreadable file, which the callers catch.
#ifndef POINTERHOLDER_TRANSITION
#define POINTERHOLDER_TRANSITION 4
#endif
#include "engine/PageTree.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QPDFPageLabelDocumentHelper;

// One outline entry as read from the input, in the outline's order
// (depth-first, parents before their children).
struct SourceOutlineItem
{
    std::string title;            // the /Title string's bytes as stored (any PDF text encoding)
    int parent = -1;              // index of the parent entry; -1 at the top level
    int level = 1;                // 1 = top level
    int page = -1;                // 0-based page of the destination; -1 when it names no page
    QPDFObjectHandle destination; // the explicit destination array (named ones resolved)
    bool open = true;             // shows its children (positive or missing /Count)
    QPDFObjectHandle color;       // /C, when it is an array of three numbers
    QPDFObjectHandle flags;       // /F, when it is an integer
};

class SpliceSource
{
public:
    explicit SpliceSource(std::shared_ptr<QPDF> pdf);
    ~SpliceSource();
    SpliceSource(const SpliceSource&) = delete;
    SpliceSource& operator=(const SpliceSource&) = delete;

    QPDF& Pdf() const { return *m_pdf; }

    // The document's page tree, walked (and rebuilt when needed) at the
    // first call; the pages every page number of the layer refers to.
    const PageTreeReading& Tree();

    int PageCount();
    // The page object at a 0-based index; null when out of range.
    QPDFObjectHandle PageObject(int index);

    // A destination as found in a link or outline entry (an array, a name,
    // a string or a dictionary with /D) in its explicit array form; null
    // when it cannot be resolved.
    QPDFObjectHandle ResolveDestination(QPDFObjectHandle destination);
    // The 0-based page an explicit destination points at; -1 when none.
    int DestinationPage(QPDFObjectHandle explicitDestination);

    const std::vector<SourceOutlineItem>& Outline();

    // The page labels, or null when the document has none.
    QPDFPageLabelDocumentHelper* PageLabels();

private:
    void IndexPages();
    void ReadNamedDestinations();
    void ReadOutline();

    std::shared_ptr<QPDF> m_pdf;
    std::optional<PageTreeReading> m_tree;
    std::optional<std::vector<QPDFObjectHandle>> m_pages;
    std::map<QPDFObjGen, int> m_pageIndex;
    std::optional<std::map<std::string, QPDFObjectHandle>> m_treeDestinations; // /Names /Dests, by string
    std::map<std::string, QPDFObjectHandle> m_dictDestinations;                // catalog /Dests, by name
    std::optional<std::vector<SourceOutlineItem>> m_outline;
    std::unique_ptr<QPDFPageLabelDocumentHelper> m_labels;
    bool m_labelsRead = false;
};
