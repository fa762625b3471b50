// parcelo-icons: writes the application icon into an icon theme folder, at
// the usual sizes of the hicolor theme and as a scalable picture. Run by the
// build; the installed icons come from here.
#include "ui/ApplicationIcon.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QString>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "Usage: parcelo-icons THEME-FOLDER\n");
        return 2;
    }
    const QDir theme(QString::fromLocal8Bit(argv[1]));
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256, 512})
    {
        const QString folder = theme.filePath(QStringLiteral("%1x%1/apps").arg(size));
        if (!QDir().mkpath(folder) || !ApplicationIconImage(size).save(folder + QStringLiteral("/parcelo.png"), "PNG"))
        {
            std::fprintf(stderr, "parcelo-icons: cannot write %s/parcelo.png\n", qPrintable(folder));
            return 1;
        }
    }
    const QString scalable = theme.filePath(QStringLiteral("scalable/apps"));
    QFile svg(scalable + QStringLiteral("/parcelo.svg"));
    if (!QDir().mkpath(scalable) || !svg.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        svg.write(ApplicationIconSvg()) < 0 || !svg.flush())
    {
        std::fprintf(stderr, "parcelo-icons: cannot write %s\n", qPrintable(svg.fileName()));
        return 1;
    }
    return 0;
}
