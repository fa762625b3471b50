#include "support/TextHelpers.h"

#include <cstring>

namespace {
QString FromZeroTerminated(const char16_t* text)
{
    if (!text)
        return QString();
    qsizetype n = 0;
    while (text[n])
        ++n;
    return QString::fromUtf16(text, n);
}

QString UpToZero(const QString& text)
{
    const qsizetype zero = text.indexOf(QChar(0));
    return zero < 0 ? text : text.left(zero);
}
} // namespace

QByteArray ToAnsi(const QString& text)
{
    // Unpaired surrogates have no representation; they become "?".
    QString composed = text.normalized(QString::NormalizationForm_C);
    for (qsizetype i = 0; i < composed.size(); ++i) {
        const QChar c = composed.at(i);
        if (c.isHighSurrogate() && i + 1 < composed.size() && composed.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate())
            composed[i] = u'?';
    }
    return composed.toLocal8Bit();
}

QByteArray ToAnsi(const char16_t* zeroTerminated)
{
    return ToAnsi(FromZeroTerminated(zeroTerminated));
}

QString FromAnsi(const QByteArray& bytes)
{
    return QString::fromLocal8Bit(bytes);
}

QString FromAnsi(const char* data, qsizetype length)
{
    if (!data || length <= 0)
        return QString();
    return QString::fromLocal8Bit(data, length);
}

QByteArray ToUtf8(const QString& text)
{
    return UpToZero(text).toUtf8();
}

QByteArray ToUtf8(const char16_t* zeroTerminated)
{
    return FromZeroTerminated(zeroTerminated).toUtf8();
}

QString FromUtf8(const char* zeroTerminated)
{
    if (!zeroTerminated)
        return QString();
    return QString::fromUtf8(zeroTerminated, qsizetype(std::strlen(zeroTerminated)));
}

QString FromUtf8(const QByteArray& bytes)
{
    const qsizetype zero = bytes.indexOf('\0');
    return QString::fromUtf8(zero < 0 ? bytes : bytes.left(zero));
}

namespace {

// The GNU strerror_r returns the text (which may or may not be in the
// buffer); the POSIX one fills the buffer and returns 0.
[[maybe_unused]] const char* ErrorTextOf(const char* result, const char*)
{
    return result;
}
[[maybe_unused]] const char* ErrorTextOf(int result, const char* buffer)
{
    return result == 0 ? buffer : "";
}

} // namespace

QString SystemErrorText(int error)
{
    char buffer[256] = {};
    const char* text = ErrorTextOf(::strerror_r(error, buffer, sizeof buffer), buffer);
    return QString::fromLocal8Bit(text ? text : "");
}
