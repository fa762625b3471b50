#pragma once
// Reading a document's page tree without recursion, and rebuilding a tree
// that qpdf's own page helpers cannot be trusted with. Part of the splicing
// layer; works on a qpdf document.
//
// qpdf's page helpers (getAllPages, pushInheritedAttributesToPage) descend
// the tree recursively, so a chain of tens of thousands of nested /Pages
// nodes overflows the stack. They also turn junk entries of a /Kids array
// (null, a missing object, an empty dictionary) into pages and trust no
// /Count, while the viewer engine skips such entries or refuses the file.
// Walking the tree here, iteratively, gives one list of pages that both the
// splicing layer and (through a rewritten copy) the viewer then agree on.
#ifndef POINTERHOLDER_TRANSITION
#define POINTERHOLDER_TRANSITION 4
#endif
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <cstddef>
#include <vector>

struct PageTreeReading
{
    // Whether the tree could be walked at all. False for a tree that refers
    // back to one of its own nodes (a loop, or a node shared by two
    // parents), a document without a page tree, and one whose pages cannot
    // be counted in an int.
    bool readable = false;
    // The pages in document order.
    std::vector<QPDFObjectHandle> pages;
    // Whether the tree had to be rebuilt: it held entries that are not
    // pages, a page listed twice, direct page dictionaries, a /Count that
    // does not match the pages below it, or more nesting than qpdf's
    // recursive helpers may be given. The document's tree is then replaced
    // by one flat /Pages node listing `pages`, each page carrying its
    // inherited attributes itself; a viewer reading the original file may
    // see different pages.
    bool rebuilt = false;
};

// Deepest page tree handed to qpdf's recursive helpers as it is. Real
// documents nest a few levels; deeper trees are flattened first.
constexpr std::size_t kMaxPageTreeDepth = 64;

// Most pages a document may have; a page list larger than this is refused
// rather than exhausting memory.
constexpr std::size_t kMaxPageTreePages = 1'000'000;

// Walks the page tree of the document, rebuilding it in memory when needed
// (see PageTreeReading). Never recurses; throws nothing.
PageTreeReading ReadPageTree(QPDF& pdf);
