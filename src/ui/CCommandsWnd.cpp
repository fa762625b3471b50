#include "ui/CCommandsWnd.h"

#include "ui/Artwork.h"
#include "resources/StringTable.h"
#include "session/CParceloApp.h"
#include "ui/HelpCommands.h"
#include "ui/CBaseAreaView.h"
#include "ui/CNiceMFCButton.h"
#include "ui/FontHelpers.h"
#include "ui/FrameCommands.h"

#include <qdrawutil.h>
#include <QHelpEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionSlider>
#include <QToolTip>
#include <QTextLayout>

// ===========================================================================
// CCommandToolTipCtrl

namespace
{
constexpr int kTipMargin = 6;
constexpr int kTipGap = 6;
} // namespace

CCommandToolTipCtrl::CCommandToolTipCtrl(QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_font = ArialFont(9, false);
    m_boldFont = ArialFont(9, true);
}

CCommandToolTipCtrl::~CCommandToolTipCtrl() = default;

void CCommandToolTipCtrl::AddTool(QWidget* tool, const QString& text)
{
    if (!tool)
        return;
    if (!m_tools.contains(tool))
        tool->installEventFilter(this);
    m_tools.insert(tool, text);
}

void CCommandToolTipCtrl::RemoveTool(QWidget* tool)
{
    if (!tool || !m_tools.contains(tool))
        return;
    tool->removeEventFilter(this);
    m_tools.remove(tool);
    hide();
}

void CCommandToolTipCtrl::SplitLabel(const QString& text, QString& title, QString& description)
{
    const int nl = text.indexOf(QLatin1Char('\n'));
    if (nl < 0)
    {
        title = text;
        description.clear();
        return;
    }
    title = text.left(nl);
    title.replace(QLatin1Char('\t'), QStringLiteral("    "));
    description = text.mid(nl + 1);
}

QSize CCommandToolTipCtrl::Layout()
{
    const QFont& titleFont = m_description.isEmpty() ? m_font : m_boldFont;
    const QFontMetrics tm(titleFont);
    const QFontMetrics dm(m_font);
    const QSize iconSize = m_icon.isNull() ? QSize(0, 0) : m_icon.deviceIndependentSize().toSize();
    int textW = tm.horizontalAdvance(m_title);
    int textH = tm.height();
    if (!m_description.isEmpty())
    {
        const QRect d = dm.boundingRect(QRect(0, 0, kMaxDescriptionWidth, 10000), Qt::TextWordWrap, m_description);
        textW = std::max(textW, d.width());
        textH += kTipGap + d.height();
    }
    const int w = kTipMargin * 2 + iconSize.width() + (iconSize.isEmpty() ? 0 : kTipGap) + textW;
    const int h = kTipMargin * 2 + std::max(iconSize.height(), textH);
    return QSize(w, h);
}

void CCommandToolTipCtrl::ShowFor(QWidget* tool, const QPoint& screenPos)
{
    if (!m_tools.contains(tool))
        return;
    SplitLabel(m_tools.value(tool), m_title, m_description);
    resize(Layout());
    move(screenPos + QPoint(2, 20));
    show();
    raise();
    update();
}

bool CCommandToolTipCtrl::eventFilter(QObject* watched, QEvent* event)
{
    auto* tool = qobject_cast<QWidget*>(watched);
    if (tool && m_tools.contains(tool))
    {
        switch (event->type())
        {
        case QEvent::ToolTip:
            ShowFor(tool, static_cast<QHelpEvent*>(event)->globalPos());
            return true;
        case QEvent::Leave:
        case QEvent::MouseButtonPress:
        case QEvent::Hide:
            hide();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CCommandToolTipCtrl::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
    p.fillPath(path, palette().toolTipBase());
    p.setPen(palette().toolTipText().color());
    p.drawPath(path);
    int x = kTipMargin;
    if (!m_icon.isNull())
    {
        p.drawPixmap(kTipMargin, kTipMargin, m_icon);
        x += m_icon.deviceIndependentSize().toSize().width() + kTipGap;
    }
    const QFont& titleFont = m_description.isEmpty() ? m_font : m_boldFont;
    p.setFont(titleFont);
    const QFontMetrics tm(titleFont);
    if (m_description.isEmpty())
    {
        p.drawText(QRect(x, 0, width() - x, height()), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, m_title);
        return;
    }
    p.drawText(QRect(x, kTipMargin, width() - x, tm.height()), Qt::AlignLeft | Qt::TextSingleLine, m_title);
    p.setFont(m_font);
    p.drawText(QRect(x, kTipMargin + tm.height() + kTipGap, kMaxDescriptionWidth, height()),
               Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_description);
}

// ===========================================================================
// CTransparentSliderCtrl

CTransparentSliderCtrl::CTransparentSliderCtrl(QWidget* parent) : QSlider(Qt::Horizontal, parent)
{
    setTickPosition(QSlider::NoTicks);
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
}

void CTransparentSliderCtrl::paintEvent(QPaintEvent*)
{
    // The bar's gradient shows through; only the channel and thumb are drawn.
    QPainter p(this);
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, this);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this);
    const int cy = groove.center().y();
    const QRect channel(groove.left() + 2, cy - 2, std::max(0, groove.width() - 4), 4);
    QPalette edgePal = palette();
    edgePal.setColor(QPalette::Light, QColor(110, 110, 110));
    edgePal.setColor(QPalette::Dark, QColor(0, 0, 0));
    edgePal.setColor(QPalette::Mid, QColor(40, 40, 40));
    qDrawShadePanel(&p, channel, edgePal, true, 1, nullptr);
    const QRect thumb(handle.center().x() - 5, handle.center().y() - 9, 11, 18);
    QPalette thumbPal = palette();
    if (!isEnabled())
        thumbPal.setCurrentColorGroup(QPalette::Disabled);
    const QBrush face = isEnabled() ? thumbPal.button() : QBrush(QColor(120, 120, 120));
    qDrawWinButton(&p, thumb, thumbPal, isSliderDown(), &face);
}

// ===========================================================================
// CPictureStatic

CPictureStatic::CPictureStatic(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
}

bool CPictureStatic::SetPicture(int resourceId)
{
    QImage bitmap = BitmapResource(resourceId);
    if (!bitmap.isNull())
    {
        m_bitmap = bitmap;
        m_image = QPixmap();
        m_useTransparent = false;
        m_size = bitmap.size();
        m_captionRect = QRect(QPoint(0, 0), m_size);
        update();
        return true;
    }
    QPixmap image = PngResource(resourceId);
    if (image.isNull())
        return false;
    m_image = image;
    m_bitmap = QImage();
    m_size = image.deviceIndependentSize().toSize();
    update();
    return true;
}

void CPictureStatic::SetTransparentColour(const QColor& colour, bool on)
{
    m_transparent = colour;
    m_useTransparent = on;
    update();
}

void CPictureStatic::SetCaption(const QString& caption)
{
    m_caption = caption;
    update();
}

void CPictureStatic::SizeToPicture()
{
    resize(m_size);
    m_captionRect = rect();
}

void CPictureStatic::DrawPicture(QPainter& p)
{
    if (!m_bitmap.isNull())
    {
        if (m_useTransparent)
        {
            QImage img = m_bitmap.convertToFormat(QImage::Format_ARGB32);
            const QRgb key = m_transparent.rgb() & 0x00FFFFFFu;
            for (int y = 0; y < img.height(); ++y)
            {
                auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
                for (int x = 0; x < img.width(); ++x)
                    if ((line[x] & 0x00FFFFFFu) == key)
                        line[x] = 0;
            }
            p.drawImage(0, 0, img);
        }
        else
        {
            p.drawImage(0, 0, m_bitmap);
        }
        if (!m_caption.isEmpty())
            p.drawText(m_captionRect, Qt::TextWordWrap, m_caption);
        return;
    }
    if (!m_image.isNull())
        p.drawPixmap(0, 0, m_image);
}

void CPictureStatic::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    DrawPicture(p);
}

// ===========================================================================
// CBaseCommandsWnd

CBaseCommandsWnd::CBaseCommandsWnd(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CBaseCommandsWnd::~CBaseCommandsWnd()
{
    delete m_toolTip;
}

bool CBaseCommandsWnd::Create()
{
    m_background = BitmapResource(311);
    m_logo = PngResource(313);
    m_toolTip = new CCommandToolTipCtrl(nullptr);
    m_toolTip->SetIcon(PngResource(330));
    m_labelFont = ArialFont(11, true, false, this);
    return true;
}

CNiceMFCButton* CBaseCommandsWnd::CreateCommandButton(int labelStringId, int commandId, int pngId)
{
    auto* button = new CNiceMFCButton(this);
    button->setText(labelStringId ? LoadResString(labelStringId) : QString());
    button->SetCommandId(commandId);
    button->SetFaceColour(std::nullopt);
    button->SetLabelColour(QColor(255, 255, 255));
    button->SetLabelFont(m_labelFont);
    button->SetImage(PngResource(pngId));
    button->SizeToContent();
    connect(button, &QAbstractButton::clicked, this, [this, commandId] {
        if (commandId == ID_HELP_BUTTON)
            ShowHelpMenu();
        else
            ForwardCommand(commandId);
    });
    button->show();
    return button;
}

QRect CBaseCommandsWnd::LogoRect() const
{
    if (m_logo.isNull())
        return QRect();
    const QSize s = m_logo.deviceIndependentSize().toSize();
    const int t = (height() - s.height()) / 2;
    return QRect(3, t, s.width(), s.height());
}

void CBaseCommandsWnd::ForwardCommand(int commandId)
{
    PostCommand(window(), commandId);
}

void CBaseCommandsWnd::ShowHelpMenu()
{
    if (!m_helpMenu || !m_helpButton)
        return;
    const QPoint at = m_helpButton->mapToGlobal(QPoint(0, m_helpButton->height()));
    const int command = CBaseAreaView::TrackPopup(m_helpMenu, at);
    if (command != 0)
        ForwardCommand(command);
}

void CBaseCommandsWnd::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (m_background.isNull())
    {
        p.fillRect(rect(), QColor(12, 12, 12));
        return;
    }
    p.drawImage(rect(), m_background);
    if (!m_logo.isNull())
        p.drawPixmap(LogoRect().topLeft(), m_logo);
}

void CBaseCommandsWnd::mouseMoveEvent(QMouseEvent* event)
{
    if (LogoRect().contains(event->position().toPoint()))
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
    QWidget::mouseMoveEvent(event);
}

void CBaseCommandsWnd::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && LogoRect().contains(event->position().toPoint()))
    {
        OpenWebAddress(MakerWebAddress());
        return;
    }
    QWidget::mousePressEvent(event);
}

// ===========================================================================
// CCommandsWnd

CCommandsWnd::CCommandsWnd(QWidget* parent) : CBaseCommandsWnd(parent) {}

CCommandsWnd::~CCommandsWnd() = default;

bool CCommandsWnd::Create()
{
    if (!CBaseCommandsWnd::Create())
        return false;
    m_openFile = CreateCommandButton(204, ID_FILE_OPEN, 312);
    m_newSection = CreateCommandButton(205, ID_NEW_SPLIT_SECTION, 315);
    m_newSection->setEnabled(false);
    m_clearAll = CreateCommandButton(206, ID_EDIT_CLEAR_ALL, 311);
    m_clearAll->setEnabled(false);
    m_saveSplit = CreateCommandButton(207, ID_FILE_SAVE, 318);
    m_saveSplit->setEnabled(false);
    m_helpButton = CreateCommandButton(0, ID_HELP_BUTTON, 314);
    m_helpMenu = LoadMenuResource(325, this);
    if (!m_helpMenu)
        return false;

    m_slider = new CTransparentSliderCtrl(this);
    m_slider->setRange(8, 16);
    m_slider->setSingleStep(1);
    m_slider->setPageStep(1);
    // The zoom changes when the thumb is released, not while it is dragged.
    m_slider->setTracking(false);
    const int pageSize = CParceloApp::Instance() ? CParceloApp::Instance()->thumbnailSize / 10 : 10;
    m_slider->setValue(pageSize);
    m_slider->setEnabled(false);
    m_slider->hide();
    connect(m_slider, &QAbstractSlider::valueChanged, this, [this](int value) { OnZoomPosition(value); });

    m_largePicture = new CPictureStatic(this);
    if (!m_largePicture->SetPicture(316))
        return false;
    m_largePicture->SizeToPicture();
    m_smallPicture = new CPictureStatic(this);
    if (!m_smallPicture->SetPicture(317))
        return false;
    m_smallPicture->SizeToPicture();
    m_largePicture->show();
    m_smallPicture->show();
    // Tab visits the bar from left to right.
    QWidget::setTabOrder(m_openFile, m_newSection);
    QWidget::setTabOrder(m_newSection, m_clearAll);
    QWidget::setTabOrder(m_clearAll, m_slider);
    QWidget::setTabOrder(m_slider, m_saveSplit);
    QWidget::setTabOrder(m_saveSplit, m_helpButton);
    LayoutControls(width(), height());
    return true;
}

void CCommandsWnd::OnZoomPosition(int position)
{
    CParceloApp* app = CParceloApp::Instance();
    if (!app)
        return;
    const int size = position * 10;
    if (size == app->thumbnailSize)
        return;
    app->thumbnailSize = size;
    app->Notify(EVENT_PAGE_SIZE_CHANGED, 0);
}

void CCommandsWnd::Notify(std::uint32_t code, std::uintptr_t payload)
{
    switch (code)
    {
    case EVENT_DOCUMENT_OPENED:
        m_newSection->setEnabled(true);
        m_clearAll->setEnabled(false);
        m_slider->setEnabled(true);
        break;
    case EVENT_DOCUMENT_CLOSED:
        m_newSection->setEnabled(false);
        m_clearAll->setEnabled(false);
        m_saveSplit->setEnabled(false);
        m_slider->setEnabled(false);
        break;
    case EVENT_SECTION_ADDED:
        m_clearAll->setEnabled(true);
        m_saveSplit->setEnabled(true);
        break;
    case EVENT_SECTION_REMOVED: {
        // The announced section is already out of the list.
        bool remaining = false;
        if (CParceloApp* app = CParceloApp::Instance())
        {
            const auto* gone = reinterpret_cast<const SplitSection*>(payload);
            for (const auto& s : app->Sections())
                if (s.get() != gone)
                    remaining = true;
        }
        m_clearAll->setEnabled(remaining);
        m_saveSplit->setEnabled(remaining);
        break;
    }
    default:
        break;
    }
}

void CCommandsWnd::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayoutControls(width(), height());
}

void CCommandsWnd::PlaceRightButton(CNiceMFCButton* button, int stringId, int L, int& R, int cy)
{
    const int w = button->width();
    const int h = button->height();
    const int x = R - kRightButtonSlot + (kRightButtonSlot - w) / 2;
    if (x < L)
    {
        button->hide();
        m_toolTip->RemoveTool(button);
    }
    else
    {
        button->move(x, (cy - h) / 2);
        button->show();
        m_toolTip->AddTool(button, LoadResString(stringId));
    }
    R -= kRightButtonSlot;
}

void CCommandsWnd::PlaceLeftButton(CNiceMFCButton* button, int stringId, int& L, int limit, int cy)
{
    const int w = button->width();
    const int h = button->height();
    button->move(L, (cy - h) / 2);
    // Once one button found no room, the ones after it stay hidden too, so
    // the group always loses buttons from its right end.
    if (m_leftGroupFull || L + w > limit)
    {
        button->hide();
        m_toolTip->RemoveTool(button);
        m_leftGroupFull = true;
    }
    else
    {
        button->show();
        m_toolTip->AddTool(button, LoadResString(stringId));
        L += w;
    }
    L += 3;
}

void CCommandsWnd::LayoutControls(int cx, int cy)
{
    if (!m_openFile || !m_slider)
        return;
    if (m_helpButton)
        m_helpButton->move(cx - m_helpButton->width(), 0);
    int L = (m_logo.isNull() ? 0 : m_logo.deviceIndependentSize().toSize().width()) + 6;
    int R = cx;
    PlaceRightButton(m_saveSplit, 208, L, R, cy);
    const int limit = R - 3;
    m_leftGroupFull = false;
    PlaceLeftButton(m_openFile, 209, L, limit, cy);
    PlaceLeftButton(m_newSection, 210, L, limit, cy);
    PlaceLeftButton(m_clearAll, 211, L, limit, cy);

    QWidget* group[] = {m_smallPicture, m_slider, m_largePicture};
    const QSize sizes[] = {m_smallPicture->PictureSize(), QSize(kSliderWidth, kSliderHeight),
                           m_largePicture->PictureSize()};
    int T = 6;
    for (const QSize& s : sizes)
        T += s.width();
    if (limit - L >= T + 6)
    {
        int x = (L + limit) / 2 - T / 2;
        for (int i = 0; i < 3; ++i)
        {
            group[i]->setGeometry(x, cy / 2 - sizes[i].height() / 2, sizes[i].width(), sizes[i].height());
            group[i]->show();
            x += sizes[i].width() + 3;
        }
    }
    else
    {
        for (QWidget* w : group)
            w->hide();
    }
}
