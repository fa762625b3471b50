#pragma once
// An input document's outline (its bookmarks) as read by the splicing layer,
// in plain types.
#include "engine/XpdfSplice.h"

#include <QString>
#include <vector>

struct XpdfSpliceOutlineEntry
{
    QString title; // decoded from whichever PDF text encoding it was stored in
    int level = 1; // 1 = top level, 2 = its children ...
    int page = 0;  // 1-based page the entry points at; 0 when it points at no page of the document
};

// Every readable entry in the outline's order (depth-first, parents before
// their children). A damaged or circular outline gives the entries that can
// be read; an entry whose destination is missing or names a page that is not
// in the document has page 0. False only when the input is null.
bool xpdfSpliceReadOutline(XpdfSpliceInput input, std::vector<XpdfSpliceOutlineEntry>& entries);
