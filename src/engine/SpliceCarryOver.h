#pragma once
// Gives a finished output what belongs to its pages in the input documents:
// the first input's document information and XMP metadata, the outline
// entries that point at copied pages, links between copied pages and the
// page labels of the copied pages. Used only inside the splicing layer.
#include "engine/SpliceSource.h"

#include <memory>
#include <vector>

// One page of an output in page order: where it came from and its object
// in the output.
struct CopiedPage
{
    std::shared_ptr<SpliceSource> source;
    int index = 0; // 0-based page of the source
    QPDFObjectHandle page;
    QPDFObjectHandle annots; // the page's /Annots as copied, before any link was taken out
};

// Adds the carried parts to the output document just before it is written.
// Each part is carried on its own; one that cannot be read or placed (a
// damaged outline, a broken page-label tree) is left out and never stops
// the output. May be called again after pages were added or removed: each
// call gives the output the parts for the pages it lists. Does not throw.
void CarrySourceParts(QPDF& output, const std::vector<CopiedPage>& pages);
