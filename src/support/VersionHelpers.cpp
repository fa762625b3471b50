#include "support/VersionHelpers.h"

#include "BuildVersion.h"

#include <QFileInfo>
#include <QSettings>
#include <QRegularExpression>
#include <QVariant>

namespace {

// Reads a number like wcstoul: leading white space skipped, digits up to the
// first non-digit, none -> 0; the result keeps its low 16 bits.
std::uint16_t ReadPart(const QString& text, qsizetype from)
{
    qsizetype i = from;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    if (i < text.size() && text.at(i) == u'+')
        ++i;
    std::uint64_t value = 0;
    bool overflow = false;
    for (; i < text.size() && text.at(i) >= u'0' && text.at(i) <= u'9'; ++i) {
        if (value > (0xFFFFFFFFull - 9) / 10)
            overflow = true;
        else
            value = value * 10 + std::uint64_t(text.at(i).unicode() - u'0');
    }
    // An out-of-range value saturates to the largest unsigned long, as the
    // standard conversion does.
    if (overflow || value > 0xFFFFFFFFull)
        value = 0xFFFFFFFFull;
    return std::uint16_t(value & 0xFFFFu);
}

const char kTranslation[] = "040904b0";

} // namespace

QString FormatVersion(const ModuleVersion& v, int components)
{
    switch (components) {
    case 1:
        return QString::asprintf("%u", unsigned(v.major));
    case 2:
        return QString::asprintf("%u.%u", unsigned(v.major), unsigned(v.minor));
    case 3:
        return QString::asprintf("%u.%u.%u", unsigned(v.major), unsigned(v.minor), unsigned(v.build));
    default:
        return QString::asprintf("%u.%u.%u.%u", unsigned(v.major), unsigned(v.minor),
                                 unsigned(v.build), unsigned(v.revision));
    }
}

bool ParseVersion(const QString& text, ModuleVersion& version)
{
    const qsizetype d1 = text.indexOf(u'.');
    const qsizetype d2 = d1 < 0 ? -1 : text.indexOf(u'.', d1 + 1);
    const qsizetype d3 = d2 < 0 ? -1 : text.indexOf(u'.', d2 + 1);
    if (d3 < 0)
        return false;
    version.major = ReadPart(text, 0);
    version.minor = ReadPart(text, d1 + 1);
    version.build = ReadPart(text, d2 + 1);
    version.revision = ReadPart(text, d3 + 1);
    return true;
}

QString ProgramCopyright()
{
    return QStringLiteral("Copyright (C) 2026 Talvane");
}

bool LoadVersionBlock(const QString& path, std::unique_ptr<VersionBlock>& block)
{
    block.reset();
    auto loaded = std::make_unique<VersionBlock>();
    if (path.isEmpty()) {
        ModuleVersion v;
        v.major = PARCELO_VERSION_MAJOR;
        v.minor = PARCELO_VERSION_MINOR;
        v.build = PARCELO_VERSION_PATCH;
        v.revision = PARCELO_VERSION_BUILD;
        loaded->fileVersion = v;
        loaded->productVersion = v;
        QMap<QString, QString>& table = loaded->strings[QLatin1String(kTranslation)];
        table.insert(QStringLiteral("LegalCopyright"), ProgramCopyright());
        table.insert(QStringLiteral("ProductName"), QStringLiteral("Parcelo"));
        table.insert(QStringLiteral("CompanyName"), QStringLiteral("Talvane"));
        table.insert(QStringLiteral("ProductVersion"), QStringLiteral(PARCELO_VERSION_STRING));
        table.insert(QStringLiteral("FileVersion"), QStringLiteral(PARCELO_VERSION_STRING));
        block = std::move(loaded);
        return true;
    }

    const QFileInfo info(path);
    if (!info.isFile() || info.size() <= 0 || info.size() > 1048576)
        return false;
    QSettings file(path, QSettings::IniFormat);
    if (file.status() != QSettings::NoError)
        return false;
    auto readVersion = [&file](const char* key, ModuleVersion& out) {
        const QString text = file.value(QLatin1String(key)).toString();
        ModuleVersion v;
        if (ParseVersion(text, v))
            out = v;
    };
    readVersion("FileVersion", loaded->fileVersion);
    readVersion("ProductVersion", loaded->productVersion);
    for (const QString& group : file.childGroups()) {
        file.beginGroup(group);
        QMap<QString, QString>& table = loaded->strings[group];
        for (const QString& key : file.childKeys()) {
            const QVariant value = file.value(key);
            table.insert(key, value.typeId() == QMetaType::QStringList
                                  ? value.toStringList().join(QStringLiteral(", "))
                                  : value.toString());
        }
        file.endGroup();
    }
    block = std::move(loaded);
    return true;
}

bool GetLegalCopyright(const VersionBlock* block, QString& copyright)
{
    if (!block)
        return false;
    const auto table = block->strings.constFind(QLatin1String(kTranslation));
    if (table == block->strings.constEnd())
        return false;
    const auto value = table->constFind(QStringLiteral("LegalCopyright"));
    if (value == table->constEnd())
        return false;
    const qsizetype zero = value->indexOf(QChar(0));
    copyright = zero < 0 ? *value : value->left(zero);
    return true;
}

bool ReadMachineString(unsigned /*extraAccess*/, const QString& keyPath, const QString& valueName,
                       QString& text)
{
    text.clear();
    QStringList parts = keyPath.split(QRegularExpression(QStringLiteral("[\\\\/]")), Qt::SkipEmptyParts);
    if (!parts.isEmpty() && parts.front().compare(QLatin1String("Software"), Qt::CaseInsensitive) == 0)
        parts.pop_front();
    if (parts.size() < 2 || valueName.isEmpty())
        return false;
    const QString organisation = parts.takeFirst();
    const QString application = parts.takeFirst();

    std::unique_ptr<QSettings> settings;
    const QString redirect = qEnvironmentVariable("PARCELO_SYSTEM_SETTINGS_DIR");
    if (!redirect.isEmpty()) {
        const QString file = redirect + u'/' + organisation + u'/' + application + QStringLiteral(".conf");
        if (!QFileInfo(file).isFile())
            return false;
        settings = std::make_unique<QSettings>(file, QSettings::IniFormat);
    } else {
        settings = std::make_unique<QSettings>(QSettings::SystemScope, organisation, application);
        settings->setFallbacksEnabled(false);
    }
    if (settings->status() != QSettings::NoError)
        return false;
    for (const QString& group : parts)
        settings->beginGroup(group);
    if (!settings->contains(valueName))
        return false;
    const QVariant value = settings->value(valueName);
    if (value.typeId() != QMetaType::QString)
        return false;
    const QString stored = value.toString();
    const qsizetype zero = stored.indexOf(QChar(0));
    text = zero < 0 ? stored : stored.left(zero);
    return true;
}
