#pragma once
// The command bar across the top of the main view: a dark gradient with the
// maker's logo (a link to the maker's web site), the Open File, New Split
// Section and Clear All buttons, the zoom control (small picture, slider,
// large picture) centred in the free space, Save Split at the right end and
// a small help button in the top-right corner that opens the help menu.
// Button clicks leave the bar as commands posted to the top-level frame.
#include "session/EventNotify.h"
#include "ui/CNiceMFCButton.h"

#include <QFont>
#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QSlider>
#include <QWidget>

class CNiceMFCButton;
class QMenu;

// A tooltip window with an icon, a bold title and a description wrapped at
// 200 pixels, with rounded corners. The text of a tool is "title\ndescription";
// a text without "\n" is shown as a single plain label.
class CCommandToolTipCtrl : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kMaxDescriptionWidth = 200;

    explicit CCommandToolTipCtrl(QWidget* parent);
    ~CCommandToolTipCtrl() override;

    void SetIcon(const QPixmap& icon) { m_icon = icon; }
    // Registers (or replaces) the tool's text; the tooltip then shows over it.
    void AddTool(QWidget* tool, const QString& text);
    void RemoveTool(QWidget* tool);
    bool HasTool(QWidget* tool) const { return m_tools.contains(tool); }
    QString ToolText(QWidget* tool) const { return m_tools.value(tool); }

    // Splits a tooltip text into title and description: the part before the
    // first "\n" (tabs replaced by four spaces) and the part after it.
    // Without "\n" the whole text is the title and the description is empty.
    static void SplitLabel(const QString& text, QString& title, QString& description);

    // Shows the tip for the tool at a screen point (used on hover).
    void ShowFor(QWidget* tool, const QPoint& screenPos);
    const QString& ShownTitle() const { return m_title; }
    const QString& ShownDescription() const { return m_description; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QSize Layout();
    QHash<QWidget*, QString> m_tools;
    QPixmap m_icon;
    QString m_title;
    QString m_description;
    QFont m_font;
    QFont m_boldFont;
};

// The zoom slider, drawn over the bar's gradient: a sunken channel and a
// push-button thumb, greyed while disabled.
class CTransparentSliderCtrl : public QSlider
{
    Q_OBJECT
public:
    explicit CTransparentSliderCtrl(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A static picture: a bitmap (optionally with a transparent colour and a
// word-wrapped caption) or a PNG image drawn at its natural size.
class CPictureStatic : public QWidget
{
    Q_OBJECT
public:
    explicit CPictureStatic(QWidget* parent);
    // Loads bitmap resource id, else PNG resource id. False when neither exists.
    bool SetPicture(int resourceId);
    void SetTransparentColour(const QColor& colour, bool on);
    void SetCaption(const QString& caption);
    QSize PictureSize() const { return m_size; }
    virtual void SizeToPicture();

protected:
    virtual void DrawPicture(QPainter& painter);
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_bitmap;
    QPixmap m_image;
    QSize m_size;
    QColor m_transparent;
    bool m_useTransparent = false;
    QRect m_captionRect;
    QString m_caption;
};

class CBaseCommandsWnd : public QWidget
{
    Q_OBJECT
public:
    explicit CBaseCommandsWnd(QWidget* parent);
    ~CBaseCommandsWnd() override;

    // Creates the tooltip, the label font and the help button.
    virtual bool Create();

    CNiceMFCButton* HelpButton() const { return m_helpButton; }
    CCommandToolTipCtrl* ToolTip() const { return m_toolTip; }
    QRect LogoRect() const;
    const QFont& LabelFont() const { return m_labelFont; }

    // Shows the help menu below the help button; the choice is posted as a
    // command to the top-level frame.
    void ShowHelpMenu();
    // A button click: posts the command to the top-level frame.
    void ForwardCommand(int commandId);

protected:
    // Creates an image button with a white label left of which its PNG sits.
    CNiceMFCButton* CreateCommandButton(int labelStringId, int commandId, int pngId);
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

    QImage m_background;
    QPixmap m_logo;
    QFont m_labelFont;
    QPointer<CNiceMFCButton> m_helpButton;
    QMenu* m_helpMenu = nullptr;
    CCommandToolTipCtrl* m_toolTip = nullptr;
};

class CCommandsWnd : public CBaseCommandsWnd, public EventNotify
{
    Q_OBJECT
public:
    static constexpr int kRightButtonSlot = 220;
    static constexpr int kSliderWidth = 100;
    static constexpr int kSliderHeight = 24;

    explicit CCommandsWnd(QWidget* parent);
    ~CCommandsWnd() override;

    bool Create() override;
    void Notify(std::uint32_t code, std::uintptr_t payload) override;

    CNiceMFCButton* OpenFileButton() const { return m_openFile; }
    CNiceMFCButton* NewSectionButton() const { return m_newSection; }
    CNiceMFCButton* ClearAllButton() const { return m_clearAll; }
    CNiceMFCButton* SaveSplitButton() const { return m_saveSplit; }
    CTransparentSliderCtrl* ZoomSlider() const { return m_slider; }
    CPictureStatic* LargePicture() const { return m_largePicture; }
    CPictureStatic* SmallPicture() const { return m_smallPicture; }

    // Lays the controls out for a client size.
    void LayoutControls(int cx, int cy);
    // The slider settled at a position: page size = position x 10; when it
    // changed, stored and announced with EVENT_PAGE_SIZE_CHANGED.
    void OnZoomPosition(int position);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void PlaceRightButton(CNiceMFCButton* button, int stringId, int L, int& R, int cy);
    void PlaceLeftButton(CNiceMFCButton* button, int stringId, int& L, int limit, int cy);

    QPointer<CNiceMFCButton> m_openFile;
    QPointer<CNiceMFCButton> m_newSection;
    QPointer<CNiceMFCButton> m_clearAll;
    QPointer<CNiceMFCButton> m_saveSplit;
    QPointer<CTransparentSliderCtrl> m_slider;
    QPointer<CPictureStatic> m_largePicture;
    QPointer<CPictureStatic> m_smallPicture;
    bool m_leftGroupFull = false;
};
