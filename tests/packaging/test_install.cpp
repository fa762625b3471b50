// The installed application as a Linux desktop sees it: the files an
// installation into a staging folder (DESTDIR) puts in place, the desktop
// entry and AppStream metainfo as the desktop's own validators judge them,
// the icons at their sizes, the manual pages, and the Debian package built
// from the same installation.
#include "session/BatchArguments.h"
#include "ui/WindowCommandLine.h"
#include "update/DebianPackage.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace {

struct ProcessRun
{
    bool finished = false;
    int exitCode = -1;
    QString out;
    QString err;
};

ProcessRun Start(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment = {},
          int timeoutMs = 300000)
{
    QProcess process;
    process.setProcessEnvironment(environment.isEmpty() ? QProcessEnvironment::systemEnvironment() : environment);
    process.start(program, arguments);
    ProcessRun run;
    run.finished = process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// Every file under a folder, as "/usr/..." paths relative to it, sorted.
QStringList FilesUnder(const QString& root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next().mid(root.size());
    files.sort();
    return files;
}

const QStringList kIconSizes = {QStringLiteral("16"),  QStringLiteral("22"),  QStringLiteral("24"),
                                QStringLiteral("32"),  QStringLiteral("48"),  QStringLiteral("64"),
                                QStringLiteral("128"), QStringLiteral("256"), QStringLiteral("512")};

QStringList ExpectedFiles()
{
    QStringList files = {
        QStringLiteral("/usr/bin/parcelo"),
        QStringLiteral("/usr/bin/parcelo-split"),
        QStringLiteral("/usr/share/applications/parcelo.desktop"),
        QStringLiteral("/usr/share/doc/parcelo/copyright"),
        QStringLiteral("/usr/share/icons/hicolor/scalable/apps/parcelo.svg"),
        QStringLiteral("/usr/share/man/man1/parcelo-split.1.gz"),
        QStringLiteral("/usr/share/man/man1/parcelo.1.gz"),
        QStringLiteral("/usr/share/metainfo/com.talvane.parcelo.metainfo.xml"),
    };
    for (const QString& size : kIconSizes)
        files << QStringLiteral("/usr/share/icons/hicolor/%1x%1/apps/parcelo.png").arg(size);
    for (const QString& ts : QDir(QStringLiteral(PARCELO_SOURCE_DIR "/translations"))
                                 .entryList({QStringLiteral("parcelo_*.ts")}, QDir::Files))
        files << QStringLiteral("/usr/share/parcelo/translations/") + QFileInfo(ts).completeBaseName() +
                     QStringLiteral(".qm");
    files.sort();
    return files;
}

// One installation shared by the tests of this program.
class Installed : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        folder = new QTemporaryDir();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DESTDIR"), folder->path());
        const ProcessRun run = Start(QStringLiteral(PARCELO_CMAKE),
                              {QStringLiteral("--install"), QStringLiteral(PARCELO_BINARY_DIR), QStringLiteral("--prefix"),
                               QStringLiteral("/usr")},
                              environment);
        installed = run.finished && run.exitCode == 0;
        installLog = run.out + run.err;
    }
    static void TearDownTestSuite()
    {
        delete folder;
        folder = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(installed) << installLog.toStdString(); }

    static QString Path(const QString& file) { return folder->path() + file; }

    static QString Text(const QString& file)
    {
        QFile f(Path(file));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    // A compressed manual page as plain text, rendered by man.
    static ProcessRun RenderedManPage(const QString& file)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("MANWIDTH"), QStringLiteral("100"));
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        environment.insert(QStringLiteral("MAN_KEEP_FORMATTING"), QString());
        return Start(QStringLiteral("man"), {QStringLiteral("--warnings"), QStringLiteral("-l"), Path(file)}, environment);
    }

    static inline QTemporaryDir* folder = nullptr;
    static inline bool installed = false;
    static inline QString installLog;
};

TEST_F(Installed, PutsEveryFileOfTheApplicationInItsPlace)
{
    EXPECT_EQ(FilesUnder(folder->path()), ExpectedFiles());
    for (const char* program : {"/usr/bin/parcelo", "/usr/bin/parcelo-split"})
        EXPECT_TRUE(QFileInfo(Path(QString::fromLatin1(program))).isExecutable()) << program;
}

TEST_F(Installed, InstalledProgramsFindTheirTranslation)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LANGUAGE"), QStringLiteral("fr"));
    environment.remove(QStringLiteral("PARCELO_TRANSLATIONS_DIR"));
    const ProcessRun run = Start(Path(QStringLiteral("/usr/bin/parcelo-split")), {QStringLiteral("--help")}, environment);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("parcelo-split"))) << run.out.toStdString();
    const ProcessRun window = Start(Path(QStringLiteral("/usr/bin/parcelo")), {QStringLiteral("--help")}, environment);
    EXPECT_TRUE(window.out.contains(QStringLiteral("Afficher cette aide et quitter."))) << window.out.toStdString();
}

TEST_F(Installed, DesktopEntryValidatesAndOpensPdfFiles)
{
    const QString entry = QStringLiteral("/usr/share/applications/parcelo.desktop");
    const ProcessRun run = Start(QStringLiteral("desktop-file-validate"), {Path(entry)});
    ASSERT_TRUE(run.finished) << "desktop-file-validate (desktop-file-utils) is needed";
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_EQ(run.out.trimmed() + run.err.trimmed(), QString()) << "warnings or hints";

    const QStringList lines = Text(entry).split(QLatin1Char('\n'));
    EXPECT_TRUE(lines.contains(QStringLiteral("Exec=parcelo %f")));
    EXPECT_TRUE(lines.contains(QStringLiteral("MimeType=application/pdf;")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Icon=parcelo")));
}

TEST_F(Installed, MetainfoValidatesAndNamesTheDesktopEntry)
{
    const QString metainfo = QStringLiteral("/usr/share/metainfo/com.talvane.parcelo.metainfo.xml");
    const ProcessRun run = Start(QStringLiteral("appstreamcli"),
                          {QStringLiteral("validate"), QStringLiteral("--no-net"), QStringLiteral("--pedantic"),
                           QStringLiteral("--no-color"), Path(metainfo)});
    ASSERT_TRUE(run.finished) << "appstreamcli (appstream) is needed";
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_FALSE(run.out.contains(QRegularExpression(QStringLiteral("^[EWIP]:"), QRegularExpression::MultilineOption)))
        << run.out.toStdString();

    const QString text = Text(metainfo);
    EXPECT_TRUE(text.contains(QStringLiteral("<launchable type=\"desktop-id\">parcelo.desktop</launchable>")));
    EXPECT_TRUE(text.contains(QStringLiteral("<caption>"))) << "the screenshot is described";
    EXPECT_TRUE(text.contains(QStringLiteral("<release version=\"" PARCELO_PROJECT_VERSION "\"")))
        << "the current version has a release entry";
}

TEST_F(Installed, IconsHaveTheirThemeSizes)
{
    for (const QString& size : kIconSizes)
    {
        const QImage icon(Path(QStringLiteral("/usr/share/icons/hicolor/%1x%1/apps/parcelo.png").arg(size)));
        ASSERT_FALSE(icon.isNull()) << size.toStdString();
        EXPECT_EQ(icon.width(), size.toInt());
        EXPECT_EQ(icon.height(), size.toInt());
        EXPECT_TRUE(icon.hasAlphaChannel());
        EXPECT_EQ(icon.pixelColor(0, 0).alpha(), 0) << "transparent around the page";
        const QColor page = icon.pixelColor(icon.width() * 36 / 48, icon.height() * 28 / 48);
        EXPECT_EQ(page.alpha(), 255) << "the page is opaque";
        EXPECT_GT(page.lightness(), 200) << "the page is white";
    }
    QFile svg(Path(QStringLiteral("/usr/share/icons/hicolor/scalable/apps/parcelo.svg")));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&svg);
    int paths = 0;
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("path"))
            ++paths;
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_GE(paths, 3);
}

TEST_F(Installed, ManualPagesRenderAndDescribeEveryOption)
{
    struct Page
    {
        const char* file;
        QString help;
    };
    for (const Page& page : {Page{"/usr/share/man/man1/parcelo.1.gz", WindowHelpText()},
                             Page{"/usr/share/man/man1/parcelo-split.1.gz", BatchUsage()}})
    {
        const ProcessRun run = RenderedManPage(QString::fromLatin1(page.file));
        ASSERT_TRUE(run.finished) << "man (man-db) is needed";
        EXPECT_EQ(run.exitCode, 0) << page.file;
        EXPECT_EQ(run.err, QString()) << page.file << ": " << run.err.toStdString();
        // Every option the program's --help lists is described.
        QRegularExpressionMatchIterator it =
            QRegularExpression(QStringLiteral("(?<![\\w-])--?[a-z][a-z-]*")).globalMatch(page.help);
        QSet<QString> options;
        while (it.hasNext())
            options.insert(it.next().captured());
        EXPECT_FALSE(options.isEmpty());
        for (const QString& option : options)
            EXPECT_TRUE(run.out.contains(option)) << page.file << " does not describe " << option.toStdString();
    }
}

// The Debian package: built by CPack from the same installation, with the
// dependencies dpkg-shlibdeps finds in the programs.
TEST(DebianPackage, HoldsTheInstallationAndDependsOnTheLinkedLibraries)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const ProcessRun cpack = Start(QStringLiteral(PARCELO_CPACK),
                            {QStringLiteral("--config"), QStringLiteral(PARCELO_BINARY_DIR "/CPackConfig.cmake"),
                             QStringLiteral("-B"), folder.path()});
    ASSERT_TRUE(cpack.finished);
    ASSERT_EQ(cpack.exitCode, 0) << cpack.out.toStdString() << cpack.err.toStdString();
    const QStringList debs = QDir(folder.path()).entryList({QStringLiteral("parcelo_*.deb")}, QDir::Files);
    ASSERT_EQ(debs.size(), 1) << cpack.out.toStdString();
    EXPECT_TRUE(debs.front().startsWith(QStringLiteral("parcelo_" PARCELO_PROJECT_VERSION "_"))) << debs.front().toStdString();
    const QString deb = QDir(folder.path()).filePath(debs.front());

    auto field = [&](const char* name) {
        return Start(QStringLiteral("dpkg-deb"), {QStringLiteral("--field"), deb, QString::fromLatin1(name)}).out.trimmed();
    };
    EXPECT_EQ(field("Package"), QStringLiteral("parcelo"));
    EXPECT_EQ(field("Version"), QStringLiteral(PARCELO_PROJECT_VERSION));
    const QString depends = field("Depends");
    for (const char* library : {"libqt6widgets6", "libqt6gui6", "libqt6core6", "libpoppler-qt6-", "libqpdf",
                                "libcurl4", "libssl3", "libc6", "libstdc++6"})
        EXPECT_TRUE(depends.contains(QString::fromLatin1(library))) << library << " missing from: " << depends.toStdString();
    EXPECT_TRUE(field("Recommends").contains(QStringLiteral("fonts-liberation2")));

    // An update offering this package would be handed to the package installer.
    QFile file(deb);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(IsDebianBinaryPackage(bytes));
    EXPECT_FALSE(IsDebianBinaryPackage(bytes.left(60)));

    // The package installs what `cmake --install` installs.
    const ProcessRun contents = Start(QStringLiteral("dpkg-deb"), {QStringLiteral("--contents"), deb});
    QStringList files;
    for (const QString& line : contents.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        if (line.startsWith(QLatin1Char('-')))
            files << line.section(QLatin1Char(' '), -1).mid(1); // "./usr/bin/parcelo" -> "/usr/bin/parcelo"
    files.sort();
    EXPECT_EQ(files, ExpectedFiles());
}

} // namespace
