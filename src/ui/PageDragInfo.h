#pragma once
// The record carried by EVENT_PAGE_DRAG_STARTED when the user presses the
// left button on a page of the document card. It lives only during the
// Notify call that carries it; the split area copies what it needs.
#include <QImage>
#include <cstdint>

struct PageDragInfo
{
    std::int32_t pageNumber = 0;     // the dragged page, 1-based
    const QImage* image = nullptr;   // the page image; lives as long as the record
    std::int32_t width = 0;          // size of the thumbnail's image rectangle
    std::int32_t height = 0;
    std::int32_t offsetX = 0;        // image rectangle left - pointer x (content coordinates)
    std::int32_t offsetY = 0;        // image rectangle top - pointer y (content coordinates)
};
