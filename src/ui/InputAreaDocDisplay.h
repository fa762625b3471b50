#pragma once
// The document card of the input area: one thumbnail per page of the open
// document, top to bottom, with a hover highlight.
#include "ui/BaseDisplayBox.h"
#include "ui/InputAreaPageDisplay.h"

#include <memory>
#include <vector>

class CInputAreaView;

class InputAreaDocDisplay : public BaseDisplayBox
{
public:
    // documentKey: the open document instance. Creates one thumbnail per
    // page (pageCount may be 0), each marked when the page is in a section.
    InputAreaDocDisplay(CBaseAreaView* owner, const void* documentKey, int pageCount);
    ~InputAreaDocDisplay() override;

    void Draw(QPainter& painter, const QRect& clip) override;
    void SetVisibleArea(const QRect& visible) override;
    void Invalidate(const QRect& rect) override;
    void OnEvent(std::uint32_t code, std::uintptr_t payload) override;
    bool HitTest(int x, int y) override;

    // 1-based index of the first thumbnail whose cell holds the content
    // point, 0 when none.
    int ThumbnailIndexAt(const QPoint& point) const;
    // Tells the document which pages lie in the area's visible rectangle.
    void ReportShownThumbnails();

    std::vector<std::unique_ptr<InputAreaPageDisplay>> thumbnails;
    int hoverPage = 0; // 1-based highlighted thumbnail, 0 when none
};
