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
};

// Adds the carried parts to the output document just before it is written.
// Each part is carried on its own; one that cannot be read or placed (a
// damaged outline, a broken page-label tree) is left out and never stops
// the output. Does not throw.
void CarrySourceParts(QPDF& output, const std::vector<CopiedPage>& pages);
