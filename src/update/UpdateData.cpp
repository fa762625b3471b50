#include "update/UpdateData.h"

#include "update/DownloadUpdateItem.h"

#include <QDateTime>
#include <QSettings>

#include <memory>

namespace {

void PutU16(QByteArray& out, std::uint16_t value)
{
    out.append(static_cast<char>(value & 0xff));
    out.append(static_cast<char>(value >> 8));
}

void PutU32(QByteArray& out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xff));
}

void PutVersion(QByteArray& out, const ModuleVersion& v)
{
    PutU16(out, v.major);
    PutU16(out, v.minor);
    PutU16(out, v.build);
    PutU16(out, v.revision);
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads the decoded reply; every count is checked against the bytes left.
class ReplyReader
{
public:
    explicit ReplyReader(const QByteArray& data) : m_data(data) {}

    qsizetype Left() const { return m_data.size() - m_pos; }

    bool U16(std::uint16_t& value)
    {
        if (Left() < 2)
            return false;
        value = static_cast<std::uint16_t>(Byte(0) | (Byte(1) << 8));
        m_pos += 2;
        return true;
    }

    bool U32(std::uint32_t& value)
    {
        if (Left() < 4)
            return false;
        value = static_cast<std::uint32_t>(Byte(0)) | (static_cast<std::uint32_t>(Byte(1)) << 8) |
                (static_cast<std::uint32_t>(Byte(2)) << 16) | (static_cast<std::uint32_t>(Byte(3)) << 24);
        m_pos += 4;
        return true;
    }

    bool Text(QString& text)
    {
        std::uint32_t count = 0;
        if (!U32(count) || count > static_cast<std::uint64_t>(Left()))
            return false;
        QByteArray bytes = m_data.mid(m_pos, static_cast<qsizetype>(count));
        m_pos += static_cast<qsizetype>(count);
        const qsizetype zero = bytes.indexOf('\0');
        if (zero >= 0)
            bytes.truncate(zero);
        text = QString::fromUtf8(bytes);
        return true;
    }

private:
    unsigned Byte(int offset) const { return static_cast<unsigned char>(m_data[m_pos + offset]); }

    const QByteArray& m_data;
    qsizetype m_pos = 0;
};

QSettings UserSettings()
{
    return QSettings(QStringLiteral("Talvane"), QStringLiteral("Parcelo"));
}

} // namespace

QByteArray BuildUpdateRequest(const ModuleVersion& program, const ModuleVersion& lastNotified,
                              std::uint16_t lastNotifiedPatch, std::uint16_t language)
{
    QByteArray out;
    PutU32(out, 0xBDF5711Fu);
    PutVersion(out, program);
    PutVersion(out, lastNotified);
    PutU16(out, lastNotifiedPatch);
    PutU16(out, language);
    return out;
}

QByteArray BuildUpdateRequest()
{
    ModuleVersion program;
    std::unique_ptr<VersionBlock> block;
    if (LoadVersionBlock(QString(), block) && block)
        program = block->productVersion;
    ModuleVersion notified;
    if (!ParseVersion(UpdateSettingText(QStringLiteral("LastNotifiedVersion")), notified))
        notified = ModuleVersion();
    const auto patch = static_cast<std::uint16_t>(UpdateSettingNumber(QStringLiteral("LastNotifiedPatch")));
    return BuildUpdateRequest(program, notified, patch, static_cast<std::uint16_t>(UiLanguageLocale()));
}

bool ParseUpdateReply(const QByteArray& body, UpdateInfo& info)
{
    if (body.size() > kMaxUpdateReplyBytes || body.size() % 2 != 0)
        return false;
    QByteArray data;
    data.reserve(body.size() / 2);
    for (qsizetype i = 0; i < body.size(); i += 2) {
        const int high = HexDigit(body[i]);
        const int low = HexDigit(body[i + 1]);
        if (high < 0 || low < 0)
            return false;
        data.append(static_cast<char>((high << 4) | low));
    }

    ReplyReader reader(data);
    UpdateInfo result;
    if (!reader.U32(result.status))
        return false;
    if (result.status == 0) {
        info = result;
        return true;
    }
    std::uint32_t featureCount = 0;
    if (!reader.U16(result.version.major) || !reader.U16(result.version.minor) ||
        !reader.U16(result.version.build) || !reader.U16(result.version.revision) ||
        !reader.Text(result.downloadAddress) || !reader.Text(result.informationAddress) ||
        !reader.U32(featureCount))
        return false;
    // Every feature takes at least its 4-byte count.
    if (featureCount > static_cast<std::uint64_t>(reader.Left()) / 4)
        return false;
    for (std::uint32_t i = 0; i < featureCount; ++i) {
        QString feature;
        if (!reader.Text(feature))
            return false;
        result.features.append(feature);
    }
    info = result;
    return true;
}

QVariant UpdateSetting(const QString& name, const QVariant& fallback)
{
    QSettings settings = UserSettings();
    settings.beginGroup(QStringLiteral("AutoUpdate"));
    return settings.value(name, fallback);
}

QString UpdateSettingText(const QString& name)
{
    return UpdateSetting(name).toString();
}

qint64 UpdateSettingNumber(const QString& name)
{
    bool ok = false;
    const qint64 value = UpdateSetting(name, 0).toLongLong(&ok);
    return ok ? value : 0;
}

void SetUpdateSetting(const QString& name, const QVariant& value)
{
    QSettings settings = UserSettings();
    settings.beginGroup(QStringLiteral("AutoUpdate"));
    settings.setValue(name, value);
}

QVariant OptionSetting(const QString& name, const QVariant& fallback)
{
    QSettings settings = UserSettings();
    settings.beginGroup(QStringLiteral("Options"));
    return settings.value(name, fallback);
}

void RememberNotified(const UpdateInfo& info)
{
    if (info.status == 0)
        return;
    if (info.status == 1)
        SetUpdateSetting(QStringLiteral("LastNotifiedPatch"), static_cast<int>(info.version.build));
    else
        SetUpdateSetting(QStringLiteral("LastNotifiedVersion"), FormatVersion(info.version, 4));
}

void WriteLastChecked()
{
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    QByteArray bytes;
    for (int i = 0; i < 8; ++i)
        bytes.append(static_cast<char>((static_cast<quint64>(now) >> (8 * i)) & 0xff));
    SetUpdateSetting(QStringLiteral("LastChecked"), bytes);
}

qint64 ReadLastChecked()
{
    const QByteArray bytes = UpdateSetting(QStringLiteral("LastChecked")).toByteArray();
    if (bytes.size() != 8)
        return 0;
    quint64 value = 0;
    for (int i = 7; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    return static_cast<qint64>(value);
}
