#include "support/PathHelpers.h"
#include "support/TextHelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// "/" is the only folder separator here; "\\" is an ordinary character in
// file names.
bool IsSeparator(QChar c)
{
    return c == u'/';
}

// Index of the last "/", or -1.
qsizetype LastSeparator(const QString& path)
{
    return path.lastIndexOf(u'/');
}

} // namespace

QString JoinPath(const QString& folder, const QString& name, bool keepAbsolute)
{
    if (folder.isEmpty())
        return name;
    if (name.isEmpty())
        return folder;
    if (keepAbsolute && name.at(0) == u'/')
        return name;
    QString result = folder;
    if (!IsSeparator(folder.back()))
        result += u'/';
    if (IsSeparator(name.at(0)))
        result += QStringView(name).mid(1);
    else
        result += name;
    return result;
}

bool SplitPath(const QString& path, QString& folder, QString& name)
{
    const qsizetype sep = LastSeparator(path);
    if (sep < 0 || sep == path.size() - 1)
        return false;
    // A file directly under the root folder: the folder is "/".
    folder = sep == 0 ? QStringLiteral("/") : path.left(sep);
    name = path.mid(sep + 1);
    return true;
}

QString LastPathComponent(const QString& path)
{
    return path.mid(LastSeparator(path) + 1);
}

namespace {
qsizetype ExtensionDot(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0 || dot < LastSeparator(name))
        return -1;
    return dot;
}
} // namespace

QString GetExtension(const QString& name)
{
    const qsizetype dot = ExtensionDot(name);
    return dot < 0 ? QString() : name.mid(dot + 1);
}

QString StripExtension(const QString& name)
{
    const qsizetype dot = ExtensionDot(name);
    return dot < 0 ? name : name.left(dot);
}

bool IsValidFileName(const QString& name)
{
    if (name.isEmpty())
        return false;
    static const QString forbidden = QStringLiteral("\"*/:<>?\\|");
    const qsizetype scan = std::min<qsizetype>(name.size(), 256);
    qsizetype firstDot = -1;
    bool nonDot = false;
    for (qsizetype i = 0; i < scan; ++i) {
        const QChar c = name.at(i);
        if (c.unicode() < 32 || forbidden.contains(c))
            return false;
        if (c == u'.') {
            if (firstDot < 0)
                firstDot = i;
        } else {
            nonDot = true;
        }
    }
    if (name.size() >= 256 || !nonDot || IsFileNameTooLong(name))
        return false;
    if (firstDot == 0)
        return true;
    const QString base = firstDot < 0 ? name : name.left(firstDot);
    static const char* const reserved[] = {"aux", "con", "nul", "prn", "com1", "lpt1", "clock$"};
    for (const char* r : reserved) {
        if (base.compare(QLatin1String(r), Qt::CaseInsensitive) == 0)
            return false;
    }
    return true;
}

bool IsFileNameTooLong(const QString& name)
{
    return QFile::encodeName(name).size() > kMaxFileNameBytes;
}

QString TruncateToEncodedBytes(const QString& text, qsizetype maxBytes)
{
    qsizetype bytes = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        // One code point: a surrogate pair stays together.
        const qsizetype units =
            text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate() ? 2 : 1;
        const qsizetype size = QFile::encodeName(text.mid(i, units)).size();
        if (bytes + size > maxBytes)
            break;
        bytes += size;
        i += units;
    }
    return text.left(i);
}

QString FileNameIdentity(const QString& name)
{
    // Upper-casing first applies the full mappings that simple folding lacks
    // (ß becomes SS, the ligature ﬁ becomes FI); folding then merges the
    // remaining case pairs (final and medial sigma, the Kelvin sign).
    return name.normalized(QString::NormalizationForm_D)
        .toUpper()
        .toCaseFolded()
        .normalized(QString::NormalizationForm_D);
}

bool CreateDirectoryPath(const QString& folderPath)
{
    const QString& p = folderPath;
    qsizetype first = -1;
    for (qsizetype i = 0; i < p.size(); ++i) {
        if (IsSeparator(p.at(i))) {
            first = i;
            break;
        }
    }
    if (first < 0)
        return false;

    // index of the first character after the existing prefix
    qsizetype pos = first + 1;
    QString built = p.left(pos);
    bool firstComponent = true;
    while (pos < p.size()) {
        qsizetype end = pos;
        while (end < p.size() && !IsSeparator(p.at(end)))
            ++end;
        if (end == pos)
            return false; // two separators in a row
        if (!firstComponent)
            built += u'/';
        built += QStringView(p).mid(pos, end - pos);
        firstComponent = false;
        const QFileInfo info(built);
        if (!info.exists() && !info.isSymLink()) {
            if (!QDir().mkdir(built))
                return false;
        } else if (!info.isDir()) {
            return false;
        }
        if (end >= p.size())
            break;
        pos = end + 1; // a trailing separator ends the loop here
    }
    return true;
}

bool EnsureParentDirectory(const QString& filePath)
{
    const qsizetype sep = LastSeparator(filePath);
    if (sep < 0)
        return true;
    return CreateDirectoryPath(filePath.left(sep + 1));
}

bool OruFileTagReplacer::LoadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray raw;
    raw.reserve(qMax<qint64>(0, file.size()));
    char buffer[65536];
    for (;;) {
        const qint64 n = file.read(buffer, sizeof buffer);
        if (n < 0)
            return false;
        if (n == 0)
            break;
        raw.append(buffer, n);
    }
    if (!file.atEnd())
        return false;
    file.close();

    // Text mode: CR LF pairs become LF.
    QByteArray bytes;
    bytes.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n')
            continue;
        bytes.append(raw[i]);
    }

    // Text after a zero byte counts as ended up to the end of its 4096-byte
    // block. The kept bytes are then decoded in one piece, so a multibyte
    // character that straddles a block boundary stays whole.
    QByteArray kept;
    kept.reserve(bytes.size());
    constexpr qsizetype kBlock = 4096;
    for (qsizetype start = 0; start < bytes.size(); start += kBlock) {
        const qsizetype len = std::min(kBlock, bytes.size() - start);
        const char* block = bytes.constData() + start;
        const void* zero = memchr(block, 0, size_t(len));
        kept.append(block, zero ? static_cast<const char*>(zero) - block : len);
    }
    templateText = FromAnsi(kept);
    text = templateText;
    return true;
}

void OruFileTagReplacer::ReplaceTag(const QString& tag, const QString& value)
{
    if (tag.isEmpty())
        return;
    qsizetype pos = 0;
    for (;;) {
        pos = text.indexOf(tag, pos);
        if (pos < 0)
            break;
        text.replace(pos, tag.size(), value);
        pos += value.size();
    }
}
