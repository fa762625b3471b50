#pragma once
// The program's own layer above the viewer engine: one engine viewer per
// document, the window hosting it and the document's password; loading with
// a password prompt, page rendering and page shapes. Also the start-up step
// that writes the engine's configuration file and initialises the engine.
#include "engine/XpdfViewer.h"

#include <QPointer>
#include <QString>
#include <QObject>
#include <functional>

class QImage;

class PDFViewWrapper
{
public:
    PDFViewWrapper() = default;
    // Clears the password, destroys a viewer still set and the host window.
    virtual ~PDFViewWrapper();
    PDFViewWrapper(const PDFViewWrapper&) = delete;
    PDFViewWrapper& operator=(const PDFViewWrapper&) = delete;

    // Asks for a password through the password prompt. promptId != 0: the
    // prompt's title is that string formatted with fileName. True when a
    // password was given, which is then the stored password; otherwise it is
    // unchanged.
    virtual bool AskPassword(int promptId, const QString& fileName);

    // Loads the document. password empty: load without one, and prompt once
    // (promptId) when the engine says a password is needed. Non-empty: it is
    // stored and used. False on any failure; shows no message. Window thread.
    bool LoadDocument(const QString& path, const QString& password, int promptId);

    // Renders the page (1-based) at the resolution (dots per inch) into an
    // image that owns its pixels, turned as the page is displayed. The caller
    // owns the result. nullptr on failure. Any thread.
    QImage* RenderPage(int page, double dpi);

    // Renders the page as large as fits into maxWidth x maxHeight pixels, its
    // shape kept, turned as the page is displayed. A page whose size cannot
    // be measured (empty, not finite, absurdly large or small) gives a blank
    // square as high as fits. A null image on failure. Any thread.
    QImage RenderPageToFit(int page, int maxWidth, int maxHeight);

    // Width over height of the page's box; 1.0 for equal y edges and for
    // unusable shapes (non-finite, zero, or beyond 1:100). Any thread.
    double GetMediaBoxRatio(int page);

    QString GetPassword() const { return m_password; }
    PdfViewer Viewer() const { return m_viewer; }

protected:
    QPointer<QObject> m_hostWindow; // the host the viewer lives in
    PdfViewer m_viewer = nullptr;
    QString m_password;
};

// How the viewer layer asks for a password: true with the text exactly as
// given, false when declined. The layers above install one; without one every
// password prompt is declined. Returns the previous prompt.
using PasswordPrompt = std::function<bool(const QString& title, QString& password)>;
PasswordPrompt SetPasswordPrompt(PasswordPrompt prompt);

// Where the engine configuration lives and what goes into it.
struct ViewerEngineLocations
{
    QString commonAppData; // all-users application data folder; empty: not found
    QString installDir;    // the program's folder, with its trailing "/"; empty: not found
    QString fontsDir;      // the fonts folder; empty: not found
};

// The locations on this machine. The all-users folder is
// $PARCELO_COMMON_APPDATA, else the last generic configuration folder
// (/etc/xdg); the fonts folder $PARCELO_FONTS_DIR, else the first system
// TrueType folder that exists; the install folder the program's folder.
ViewerEngineLocations DefaultViewerEngineLocations();

// Path of the configuration file: <commonAppData>/Talvane/xpdfrc.
QString ViewerEngineConfigPath(const ViewerEngineLocations& where);

// Writes the configuration file when it is missing (never over an existing
// one, never creating the "Talvane" folder; written under a temporary name
// and renamed into place only when complete), then initialises the engine
// with it. False when a folder is unknown or the file could not be written
// completely (then the engine is not initialised).
bool InitViewerEngineAt(const ViewerEngineLocations& where);

// Start-up step: InitViewerEngineAt(DefaultViewerEngineLocations()).
bool InitViewerEngine();
