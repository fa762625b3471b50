#include "ui/CParceloSplashScreen.h"

#include "ui/Artwork.h"
#include "resources/StringTable.h"
#include "session/CParceloApp.h"
#include "ui/HelpCommands.h"
#include "support/VersionHelpers.h"
#include "ui/FontHelpers.h"

#include <QCloseEvent>
#include <qdrawutil.h>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QScreen>
#include <QTimerEvent>

namespace
{
CSplashScreen* g_currentSplash = nullptr;
}

CSplashScreen::CSplashScreen() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);
    g_currentSplash = this;
}

CSplashScreen::~CSplashScreen()
{
    if (m_closeTimer != 0)
        killTimer(m_closeTimer);
    if (m_loop)
        m_loop->exit(2);
    if (g_currentSplash == this)
        g_currentSplash = nullptr;
}

CSplashScreen* CSplashScreen::Current()
{
    return g_currentSplash;
}

void CSplashScreen::CloseCurrentSplash(bool sync)
{
    if (g_currentSplash && g_currentSplash->HasWindow())
        g_currentSplash->CloseSplash(sync);
}

bool CSplashScreen::StartCloseTimer()
{
    CSplashScreen* s = g_currentSplash;
    if (s && s->HasWindow() && !s->m_closeArmed)
    {
        // Stay above the main window that has just appeared, also where no
        // window manager keeps a topmost window on top.
        if (s->m_topmost)
            s->raise();
        s->m_closeArmed = true;
        s->m_closeTimer = s->startTimer(kCloseDelayMs);
    }
    return true;
}

bool CSplashScreen::CreateSplashWindow(std::vector<SplashTextItem> items, bool topmost)
{
    m_picture = PngImage(331);
    if (m_picture.isNull())
        return false;
    m_textItems = std::move(items);
    const QRect region = MakeWindowRegion();
    QRect desktop(0, 0, 1024, 768);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        desktop = screen->geometry();
    const int left = desktop.left() + (desktop.width() - region.width()) / 2;
    const int top = desktop.top() + (desktop.height() - region.height()) / 2;
    m_topmost = topmost;
    if (topmost)
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
    setGeometry(left, top, region.width(), region.height());
    setFixedSize(region.size());
    m_created = true;
    ShowSplashWindow();
    return true;
}

QRect CSplashScreen::MakeWindowRegion()
{
    return QRect(QPoint(0, 0), m_picture.size());
}

void CSplashScreen::ShowSplashWindow()
{
    show();
    repaint();
}

void CSplashScreen::ShowModal()
{
    m_closeArmed = true;
    RunModal();
}

void CSplashScreen::RunModal()
{
    QPointer<QWidget> mainWindow = CParceloApp::Instance() ? qobject_cast<QWidget*>(CParceloApp::Instance()->MainWindow()) : nullptr;
    if (mainWindow == this)
        mainWindow = nullptr;
    if (mainWindow)
        mainWindow->setEnabled(false);
    m_inModalLoop = true;
    raise();
    activateWindow();
    QEventLoop loop;
    m_loop = &loop;
    loop.exec();
    m_loop = nullptr;
    if (mainWindow)
        mainWindow->setEnabled(true);
    m_inModalLoop = false;
    CloseSplash(false);
}

void CSplashScreen::CloseSplash(bool sync)
{
    if (m_inModalLoop)
    {
        if (m_loop)
            m_loop->exit(2);
        return;
    }
    if (sync)
        close();
    else
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void CSplashScreen::DrawContents(QPainter& painter)
{
    painter.drawImage(0, 0, m_picture);
    painter.save();
    for (const SplashTextItem& item : m_textItems)
    {
        painter.setFont(ArialFont(item.points, item.bold, item.italic, this));
        painter.setPen(item.colour);
        // Lines break only at line breaks.
        painter.drawText(item.rect, Qt::AlignLeft | Qt::AlignTop, item.text);
    }
    painter.restore();
}

void CSplashScreen::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    DrawContents(painter);
}

void CSplashScreen::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_closeTimer)
    {
        killTimer(m_closeTimer);
        m_closeTimer = 0;
        CloseSplash(false);
        return;
    }
    QWidget::timerEvent(event);
}

void CSplashScreen::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_closeArmed && event->button() == Qt::LeftButton)
    {
        CloseSplash(false);
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void CSplashScreen::closeEvent(QCloseEvent* event)
{
    if (m_inModalLoop && m_loop)
        m_loop->exit(2);
    QWidget::closeEvent(event);
}

// ---------------------------------------------------------------------------

CParceloSplashScreen::CParceloSplashScreen() = default;

void CParceloSplashScreen::ShowSplashWindow()
{
    CSplashScreen::ShowSplashWindow();
    if (!m_webLink)
    {
        const QString address = MakerWebAddress();
        m_webLink = new QLabel(this);
        m_webLink->setObjectName(QStringLiteral("webLink"));
        m_webLink->setTextFormat(Qt::RichText);
        m_webLink->setText(QStringLiteral("<a href=\"%1\">%2</a>").arg(address.toHtmlEscaped(), address.toHtmlEscaped()));
        m_webLink->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
        m_webLink->setOpenExternalLinks(false);
        m_webLink->setCursor(Qt::PointingHandCursor);
        connect(m_webLink, &QLabel::linkActivated, this, [address] { OpenWebAddress(address); });
        m_webLink->adjustSize();
        m_webLink->move(m_picture.width() - m_webLink->width() - 6, 6);
        m_webLink->show();
    }
}

QRect CParceloSplashScreen::MakeWindowRegion()
{
    return QRect(0, 0, m_picture.width() + 6, m_picture.height() + 6);
}

void CParceloSplashScreen::DrawContents(QPainter& painter)
{
    painter.fillRect(rect(), Qt::white);
    qDrawWinPanel(&painter, rect(), palette(), false);
    painter.save();
    painter.translate(3, 3);
    CSplashScreen::DrawContents(painter);
    painter.restore();
}

// ---------------------------------------------------------------------------

std::vector<SplashTextItem> BuildSplashTextItems(bool isAbout, const QString& user, const QString& company,
                                                 const QString& version, const QString& copyright)
{
    struct Row { int stringId; QRect rect; bool bold; bool italic; int points; QColor colour; };
    std::vector<Row> rows = {
        {244, QRect(QPoint(24, 132), QPoint(320 - 1, 219 - 1)), true, false, 10, QColor(0, 0, 0)},
        {246, QRect(QPoint(24, 265), QPoint(320 - 1, 284 - 1)), false, false, 8, QColor(64, 64, 64)},
    };
    if (isAbout)
        rows.push_back({245, QRect(QPoint(303, 216), QPoint(440 - 1, 280 - 1)), false, true, 9, QColor(64, 64, 64)});
    std::vector<SplashTextItem> items;
    for (const Row& row : rows)
    {
        QString text = LoadResString(row.stringId);
        if (text.isEmpty())
            continue;
        // Plain replacements, each over the whole text; nothing is a format.
        text.replace(QStringLiteral("<version>"), version);
        text.replace(QStringLiteral("<user>"), user);
        text.replace(QStringLiteral("<company>"), company);
        text.replace(QStringLiteral("<copyright>"), copyright);
        items.push_back({text, row.rect, row.bold, row.italic, row.points, row.colour});
    }
    return items;
}

void ShowSplashScreen(bool isAbout)
{
    auto* splash = new CParceloSplashScreen();
    const QString key = QStringLiteral("Software\\Talvane\\Parcelo");
    QString user;
    QString company;
    if (!ReadMachineString(0, key, QStringLiteral("UserName"), user))
        user.clear();
    if (!ReadMachineString(0, key, QStringLiteral("CompanyName"), company))
        company.clear();
    ModuleVersion version;
    QString copyright;
    std::unique_ptr<VersionBlock> block;
    if (LoadVersionBlock(QString(), block) && block)
    {
        version = block->productVersion;
        if (!GetLegalCopyright(block.get(), copyright))
            copyright.clear();
    }
    auto items = BuildSplashTextItems(isAbout, user, company, FormatVersion(version, 4), copyright);
    if (CSplashScreen::Current() == splash && !splash->HasWindow())
    {
        if (!splash->CreateSplashWindow(std::move(items), !isAbout))
        {
            delete splash;
            return;
        }
        if (isAbout)
            splash->ShowModal();
    }
}
