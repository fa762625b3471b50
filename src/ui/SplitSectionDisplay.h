#pragma once
// The card of one split section in the split area: a 40-pixel header with a
// show/hide button, the page-range and file-name edits with their labels and
// a remove button; when expanded, a block of page thumbnails that can be
// hovered, removed, reordered by drag and dropped on from elsewhere.
// Removals asked for on the card are posted to the split area and carried
// out after the card's own handler has returned.
#include "session/PageList.h"
#include "ui/BaseDisplayBox.h"
#include "ui/SplitPageDisplay.h"

#include <QColor>
#include <QPointer>
#include <QRect>
#include <memory>
#include <optional>
#include <vector>

class CNiceMFCButton;
class CSplitAreaView;
class QLineEdit;
struct SplitSection;

// The drag image a card offers for a thumbnail.
struct CardDragImage
{
    QImage image; // null when the page cannot be rendered
    int width = 0;
    int height = 0;
    int hotspotX = 0; // image left - pointer x, within -(width - 1) ... 0
    int hotspotY = 0;
};

// Widths of the two header edits for the space right of the page label.
struct HeaderEditLayout
{
    int editWidth = 130;
    bool showRemoveButton = false;
};
HeaderEditLayout ComputeHeaderEditLayout(int available, int fileNameLabelWidth);

// Width of a thumbnail image for a page ratio (0 or unusable: square) at the
// given thumbnail height, never more than maxWidth.
int SplitThumbnailImageWidth(double ratio, int thumbnailSize, int maxWidth);
// The narrowest image area of a thumbnail cell: with the cell's 22 pixels of
// margin it holds the 24-pixel remove button inside the cell, above the
// image's frame, and left of it the short caption ("P.: %d").
constexpr int kMinThumbnailImageWidth = 70;

// Drop position among thumbnail cells for a point below the header: before
// the first cell the point is above or left of, or before/after the cell it
// lies over (by halves); after the last cell otherwise.
int InsertPositionAmong(const std::vector<QRect>& cells, const QPoint& point);

// The list with the entry at `from` moved to insertion position `insertAt`
// (0 ... size, counted before the entry is taken out).
PageList MovePageEntry(const PageList& pages, int from, int insertAt);

class SplitSectionDisplay : public BaseDisplayBox
{
public:
    static constexpr int kHeaderHeight = 40;

    SplitSectionDisplay(CSplitAreaView* owner, SplitSection* section);
    ~SplitSectionDisplay() override;

    SplitSection* Section() const { return m_section; }
    CSplitAreaView* SplitArea() const;

    // BaseDisplayBox
    void Draw(QPainter& painter, const QRect& clip) override;
    std::vector<QWidget*> TabOrderControls() const override;
    void OnChildCommand(int controlId) override;
    void OnChildTextChanged(int controlId) override;
    void OnChildFocusLost(int controlId) override;
    void SetVisibleArea(const QRect& visible) override;
    void Invalidate(const QRect& rect) override;
    void OnEvent(std::uint32_t code, std::uintptr_t payload) override;
    int ContextMenuAt(int x, int y, std::uintptr_t& cookie) override;
    void PrepareContextMenu(QMenu* popup, std::uintptr_t cookie) override;
    void OnContextCommand(int commandId, std::uintptr_t cookie) override;
    bool HitTest(int x, int y) override;

    // Lays the card out at `top` in the visible content area; returns its bottom.
    int LayoutCard(const QRect& area, int top);
    // Creates, moves or destroys the child controls for the visible area.
    void PositionControls(const QRect& visible);
    // One thumbnail per entry of the section's pages; hotPage back to 0.
    void RebuildThumbnails();
    // Tells the document which of the card's pages lie in the area's
    // visible rectangle (none while the card is collapsed).
    void ReportShownThumbnails();

    // 1-based thumbnail under a content point (whole cell, or only the image
    // area), 0 when none or collapsed.
    int ThumbnailAt(const QPoint& point, bool imageAreaOnly) const;
    std::optional<CardDragImage> DragImageAt(const QPoint& point);

    // Drop side of a drag.
    bool UpdateInsertIndex(const SplitSectionDisplay* source, bool copy, const QPoint& point);
    std::optional<QRect> InsertionMarkRect() const;
    void ClearInsertionMark();
    void InsertDroppedPage(int page);
    void RemoveHotPage();
    void MoveHotPage();

    bool IsPageRangeTextValid() const;
    // Shows the edit's text red while it is not valid, in the normal colour otherwise.
    void ColourInvalidText(QLineEdit* child) const;

    // Makes thumbnail n (1-based, 0 none) the highlighted one.
    void SetHotPage(int n);
    // Collapses or expands the thumbnail block (the show/hide button).
    void ToggleExpanded();

    QColor CardColour() const;
    // Header plus thumbnail block.
    QRect CardRect() const;

    static int PagesLabelWidth();
    static int FileNameLabelWidth();
    static QColor InvalidTextColour() { return QColor(255, 24, 24); }

    QRect headerRect;
    bool expanded = false;
    std::vector<std::unique_ptr<SplitPageDisplay>> thumbnails;
    int totalHeight = 0;
    int hotPage = 0;
    int insertIndex = -1;
    bool needsReposition = false;
    QPointer<CNiceMFCButton> removeSectionButton;
    QPointer<CNiceMFCButton> toggleButton;
    QPointer<QLineEdit> pageRangeEdit;
    QPointer<QLineEdit> fileNameEdit;

private:
    void MeasureLabelWidths();
    void ReleaseControl(QWidget* control);
    void ReleaseHeaderControls();
    void ResetEditTexts(bool pageText, bool nameText);

    SplitSection* m_section = nullptr;
};
