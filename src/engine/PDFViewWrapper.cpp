#include "engine/PDFViewWrapper.h"

#include "resources/StringTable.h"
#include "support/PathHelpers.h"
#include "support/TextHelpers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace {

// Page shapes beyond this ratio (either way) are treated as unusable.
constexpr double kMaxRatio = 100.0;

double SaneRatio(double r)
{
    if (!std::isfinite(r) || r <= 0.0 || r > kMaxRatio || r < 1.0 / kMaxRatio)
        return 1.0;
    return r;
}

struct FontRow
{
    bool cid;
    const char* name;
    const char* file;
    const char* alternative; // used when file is missing from the fonts folder
};

const FontRow kFonts[] = {
    {false, "Courier", "cour.ttf", nullptr},
    {false, "Courier-Bold", "courbd.ttf", nullptr},
    {false, "Courier-BoldOblique", "courbi.ttf", nullptr},
    {false, "Courier-Oblique", "couri.ttf", nullptr},
    {false, "Helvetica", "arial.ttf", nullptr},
    {false, "Helvetica-Bold", "arialbd.ttf", nullptr},
    {false, "Helvetica-BoldOblique", "arialbi.ttf", nullptr},
    {false, "Helvetica-Oblique", "ariali.ttf", nullptr},
    {false, "Times-Bold", "timesbd.ttf", nullptr},
    {false, "Times-BoldItalic", "timesbi.ttf", nullptr},
    {false, "Times-Italic", "timesi.ttf", nullptr},
    {false, "Times-Roman", "times.ttf", nullptr},
    {true, "Arial", "arial.ttf", nullptr},
    {true, "Arial,Bold", "arialbd.ttf", nullptr},
    {true, "TimesNewRoman", "times.ttf", nullptr},
    {true, "TimesNewRoman,Bold", "timesbd.ttf", nullptr},
    {true, "BookAntiqua", "bkant.ttf", "times.ttf"},
    {true, "BookAntiqua,Bold", "antquab.ttf", "timesbd.ttf"},
};

// The bytes of a password as the user typed it: UTF-8, neither normalised
// nor recoded, so the viewer and the splicing layer (which gets the same
// UTF-8) accept exactly the same passwords.
QByteArray PasswordBytes(const QString& password)
{
    return ToUtf8(password);
}

// Longest configuration line the engine accepts.
constexpr int kMaxLineBytes = 520;

QString EnvFolder(const char* name)
{
    const QString value = qEnvironmentVariable(name);
    return value;
}

// Writes the configuration text to path (temporary name, renamed when
// complete). False when a font line could not be written.
bool WriteConfiguration(const QString& path, const ViewerEngineLocations& where)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return true; // cannot be created: writing is skipped, the engine still starts

    auto writeAll = [&file](const QByteArray& bytes) { return file.write(bytes) == bytes.size(); };

    if (!writeAll(QByteArrayLiteral("textKeepTinyChars yes\n"))) {
        file.cancelWriting();
        return false;
    }
    const QByteArray fonts = ToUtf8(where.fontsDir);
    const QDir fontsDir(where.fontsDir);
    for (const FontRow& row : kFonts) {
        const char* fileName = row.file;
        if (row.alternative && !QFileInfo(fontsDir.filePath(QString::fromLatin1(row.file))).isFile())
            fileName = row.alternative;
        QByteArray line = row.cid ? QByteArrayLiteral("displayNamedCIDFontTT ")
                                  : QByteArrayLiteral("displayFontTT ");
        line += row.name;
        line += ' ';
        line += fonts;
        line += '/';
        line += fileName;
        line += '\n';
        // A line the engine would cut short is as bad as one not written.
        if (line.size() > kMaxLineBytes || !writeAll(line)) {
            file.cancelWriting();
            return false;
        }
    }

    // Language packs: folders "LangPack-*" in the install folder, each adding
    // its "add-to-xpdfrc" text with the folder tags filled in.
    if (!where.installDir.isEmpty()) {
        const QDir install(where.installDir);
        const QFileInfoList packs = install.entryInfoList({QStringLiteral("LangPack-*")},
                                                          QDir::Dirs | QDir::NoDotAndDotDot,
                                                          QDir::Name);
        for (const QFileInfo& pack : packs) {
            const QString addition =
                JoinPath(pack.absoluteFilePath(), QStringLiteral("add-to-xpdfrc"), true);
            if (!QFileInfo(addition).isFile())
                continue;
            OruFileTagReplacer replacer;
            if (!replacer.LoadFile(addition))
                continue;
            replacer.ReplaceTag(QStringLiteral("<!-Fonts->"), where.fontsDir);
            replacer.ReplaceTag(QStringLiteral("<!-InstallDir->"), where.installDir);
            writeAll(ToUtf8(replacer.text) + '\n');
        }
    }
    // A file that cannot be completed is not put in place; the next start
    // tries again.
    if (!file.commit())
        return false;
    return true;
}

// The angle that turns a rendered image back by the viewer's own rotation.
int ViewerTurn(PdfViewer viewer)
{
    return (360 - (pdfGetRotate(viewer) % 360 + 360) % 360) % 360;
}

} // namespace

PDFViewWrapper::~PDFViewWrapper()
{
    m_password.fill(QLatin1Char('\0'));
    m_password.clear();
    if (m_viewer) {
        pdfDestroyViewer(m_viewer);
        m_viewer = nullptr;
    }
    delete m_hostWindow.data();
}

namespace {

PasswordPrompt& CurrentPasswordPrompt()
{
    static PasswordPrompt prompt;
    return prompt;
}

} // namespace

PasswordPrompt SetPasswordPrompt(PasswordPrompt prompt)
{
    return std::exchange(CurrentPasswordPrompt(), std::move(prompt));
}

bool PDFViewWrapper::AskPassword(int promptId, const QString& fileName)
{
    const PasswordPrompt& prompt = CurrentPasswordPrompt();
    if (!prompt)
        return false;
    QString title;
    if (promptId != 0) {
        title = LoadResString(promptId);
        title.replace(QLatin1String("%s"), fileName);
    }
    QString typed;
    if (!prompt(title, typed))
        return false;
    m_password = typed;
    return true;
}

bool PDFViewWrapper::LoadDocument(const QString& path, const QString& password, int promptId)
{
    if (!m_viewer)
        return false;
    if (!password.isEmpty()) {
        m_password = password;
        if (pdfLoadFileWithPasswordW(m_viewer, path, PasswordBytes(m_password).constData()) != PDFVIEWER_OK)
            return false;
        pdfEnableHyperlinks(m_viewer, 0);
        pdfSetContinuousMode(m_viewer, 0);
        return true;
    }
    pdfShowPasswordDialog(m_viewer, 0);
    const int result = pdfLoadFileW(m_viewer, path);
    if (result != PDFVIEWER_OK) {
        if (result != PDFVIEWER_ERR_PASSWORD)
            return false;
        if (!AskPassword(promptId, LastPathComponent(path)))
            return false;
        if (pdfLoadFileWithPasswordW(m_viewer, path, PasswordBytes(m_password).constData()) != PDFVIEWER_OK)
            return false;
    }
    pdfEnableHyperlinks(m_viewer, 0);
    pdfSetContinuousMode(m_viewer, 0);
    return true;
}

namespace {

// The image of a bitmap the viewer layer rendered, turned back by the
// viewer's own rotation so it shows the page as displayed; a null image when
// the bitmap is unusable. Does not free the pixels.
QImage ImageFromBitmap(PdfViewer viewer, const BITMAPINFOHEADER& header, const void* pixels)
{
    const int w = header.biWidth;
    const int h = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    if (!pixels || header.biBitCount != 32 || w <= 0 || h <= 0)
        return QImage();
    const size_t rowBytes = static_cast<size_t>(w) * 4;
    QImage image(w, h, QImage::Format_RGB32);
    if (image.isNull())
        return QImage();
    const auto* src = static_cast<const unsigned char*>(pixels);
    const bool bottomUp = header.biHeight > 0;
    for (int y = 0; y < h; ++y) {
        const int from = bottomUp ? h - 1 - y : y;
        std::memcpy(image.scanLine(y), src + static_cast<size_t>(from) * rowBytes, rowBytes);
    }
    const int angle = ViewerTurn(viewer);
    if (angle == 90 || angle == 180 || angle == 270) {
        QTransform turn;
        turn.rotate(angle);
        image = image.transformed(turn);
    }
    return image;
}

} // namespace

QImage* PDFViewWrapper::RenderPage(int page, double dpi)
{
    if (!m_viewer)
        return nullptr;
    BITMAPINFOHEADER header;
    std::memset(&header, 0, sizeof header);
    header.biSize = sizeof header;
    void* pixels = nullptr;
    if (pdfConvertPageToBitmap2(m_viewer, page, dpi, 3, &header, &pixels) != PDFVIEWER_OK) {
        if (pixels)
            pdfFreeMemory(pixels);
        return nullptr;
    }
    QImage image = ImageFromBitmap(m_viewer, header, pixels);
    if (pixels)
        pdfFreeMemory(pixels);
    return image.isNull() ? nullptr : new QImage(std::move(image));
}

QImage PDFViewWrapper::RenderPageToFit(int page, int maxWidth, int maxHeight)
{
    if (!m_viewer || maxWidth < 1 || maxHeight < 1)
        return QImage();
    // The box applies to the image as displayed, after the viewer's turn.
    const int angle = ViewerTurn(m_viewer);
    const bool across = angle == 90 || angle == 270;
    BITMAPINFOHEADER header;
    std::memset(&header, 0, sizeof header);
    header.biSize = sizeof header;
    void* pixels = nullptr;
    const int result = pdfConvertPageToBitmapInBox(m_viewer, page, across ? maxHeight : maxWidth,
                                                   across ? maxWidth : maxHeight, 3, &header, &pixels);
    if (result == PDFVIEWER_ERR_SIZE) {
        if (pixels)
            pdfFreeMemory(pixels);
        // A page whose size cannot be measured is shown as a blank square.
        const int side = std::min(maxWidth, maxHeight);
        QImage placeholder(side, side, QImage::Format_RGB32);
        placeholder.fill(Qt::white);
        return placeholder;
    }
    if (result != PDFVIEWER_OK) {
        if (pixels)
            pdfFreeMemory(pixels);
        return QImage();
    }
    QImage image = ImageFromBitmap(m_viewer, header, pixels);
    if (pixels)
        pdfFreeMemory(pixels);
    return image;
}

double PDFViewWrapper::GetMediaBoxRatio(int page)
{
    if (!m_viewer)
        return 1.0;
    const double xMin = pdfGetPageBoxXMin(m_viewer, page, "media");
    const double xMax = pdfGetPageBoxXMax(m_viewer, page, "media");
    const double yMin = pdfGetPageBoxYMin(m_viewer, page, "media");
    const double yMax = pdfGetPageBoxYMax(m_viewer, page, "media");
    if (yMax == yMin)
        return 1.0;
    return SaneRatio(std::fabs((xMax - xMin) / (yMax - yMin)));
}

ViewerEngineLocations DefaultViewerEngineLocations()
{
    ViewerEngineLocations where;
    where.commonAppData = EnvFolder("PARCELO_COMMON_APPDATA");
    if (where.commonAppData.isEmpty()) {
        const QStringList config = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
        if (!config.isEmpty())
            where.commonAppData = config.last();
    }
    const QString program = QCoreApplication::applicationDirPath();
    if (!program.isEmpty())
        where.installDir = program.endsWith(QLatin1Char('/')) ? program : program + QLatin1Char('/');
    where.fontsDir = EnvFolder("PARCELO_FONTS_DIR");
    if (where.fontsDir.isEmpty()) {
        for (const char* candidate : {"/usr/share/fonts/truetype/msttcorefonts", "/usr/share/fonts/truetype",
                                      "/usr/share/fonts"}) {
            if (QFileInfo(QString::fromLatin1(candidate)).isDir()) {
                where.fontsDir = QString::fromLatin1(candidate);
                break;
            }
        }
    }
    return where;
}

QString ViewerEngineConfigPath(const ViewerEngineLocations& where)
{
    if (where.commonAppData.isEmpty())
        return QString();
    return JoinPath(where.commonAppData, QStringLiteral("Talvane/xpdfrc"), true);
}

bool InitViewerEngineAt(const ViewerEngineLocations& where)
{
    const QString path = ViewerEngineConfigPath(where);
    if (path.isEmpty() || where.installDir.isEmpty())
        return false;
    // An existing file is never rewritten; a missing "Talvane" folder or
    // fonts folder only skips the writing.
    if (!QFileInfo::exists(path) && !where.fontsDir.isEmpty() && QFileInfo(where.fontsDir).isDir() &&
        QFileInfo(QFileInfo(path).absolutePath()).isDir()) {
        if (!WriteConfiguration(path, where))
            return false;
    }
    pdfInitLibrary(ToAnsi(path).constData());
    return true;
}

bool InitViewerEngine()
{
    return InitViewerEngineAt(DefaultViewerEngineLocations());
}
