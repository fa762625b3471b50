#pragma once
// The borderless picture window used as the start-up splash and as the
// About screen. The splash closes itself 1500 ms after StartCloseTimer (or
// at the first click after that); About runs modally over the disabled main
// window and closes on a click.
#include <QColor>
#include <QEventLoop>
#include <QImage>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>
#include <vector>

class QLabel;

struct SplashTextItem
{
    QString text;
    QRect rect; // relative to the picture's top-left corner
    bool bold = false;
    bool italic = false;
    int points = 10;
    QColor colour = Qt::black;
};

class CSplashScreen : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kCloseTimerId = 154;
    static constexpr int kCloseDelayMs = 1500;

    CSplashScreen();
    ~CSplashScreen() override;

    // The one splash object that exists (null otherwise).
    static CSplashScreen* Current();

    // Acts on the current splash: closes it (sync: at once, else queued).
    static void CloseCurrentSplash(bool sync);
    // Acts on the current splash: arms it and starts the 1500 ms close timer.
    static bool StartCloseTimer();

    // Loads the picture, takes the items, sizes, centres and shows the window.
    // False (and no window) when the picture is missing.
    bool CreateSplashWindow(std::vector<SplashTextItem> items, bool topmost);
    bool HasWindow() const { return m_created; }
    // Arms the window and runs it modally until dismissed.
    virtual void ShowModal();
    virtual void ShowSplashWindow();
    virtual QRect MakeWindowRegion();
    virtual void CloseSplash(bool sync);
    virtual void RunModal();
    virtual void DrawContents(QPainter& painter);

    bool IsCloseArmed() const { return m_closeArmed; }
    bool IsInModalLoop() const { return m_inModalLoop; }
    bool IsCloseTimerRunning() const { return m_closeTimer != 0; }
    const std::vector<SplashTextItem>& TextItems() const { return m_textItems; }
    const QImage& Picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

    QImage m_picture;
    std::vector<SplashTextItem> m_textItems;

private:
    bool m_closeArmed = false;
    bool m_inModalLoop = false;
    bool m_created = false;
    bool m_topmost = false;
    int m_closeTimer = 0;
    QEventLoop* m_loop = nullptr;
};

class CParceloSplashScreen : public CSplashScreen
{
    Q_OBJECT
public:
    CParceloSplashScreen();
    void ShowSplashWindow() override;
    QRect MakeWindowRegion() override;
    void DrawContents(QPainter& painter) override;
    QLabel* WebLink() const { return m_webLink; }

private:
    QLabel* m_webLink = nullptr;
};

// Builds the text items (About adds "Click to dismiss") and shows the window;
// with isAbout it returns once the About window has been dismissed.
void ShowSplashScreen(bool isAbout);
// The text items for the given user, company, version and copyright.
std::vector<SplashTextItem> BuildSplashTextItems(bool isAbout, const QString& user,
                                                 const QString& company, const QString& version,
                                                 const QString& copyright);
