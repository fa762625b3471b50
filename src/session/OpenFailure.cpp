#include "session/OpenFailure.h"

#include "resources/StringTable.h"

#include <QDir>

#include <cerrno>
#include <cstring>

namespace {

constexpr int kUnreadableSource = 227; // "Could not open file '%s' for reading"
constexpr int kSinglePage = 238;       // "File contains only a single page, thus cannot be split"
constexpr int kDamaged = 290;
constexpr int kUnsupportedEncryption = 291;
constexpr int kWrongPassword = 292;
constexpr int kPageTree = 293;
constexpr int kCopyNotWritten = 294;

QString SystemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

QString OpenFailureReason(const OpenStatus& status)
{
    switch (status.error) {
    case OpenError::None:
    case OpenError::Cancelled:
        return QString();
    case OpenError::Unreadable:
        return status.systemError ? SystemReason(status.systemError) + QLatin1Char('.') : LoadResString(kDamaged);
    case OpenError::Damaged:
        return LoadResString(kDamaged);
    case OpenError::WrongPassword:
        return LoadResString(kWrongPassword);
    case OpenError::UnsupportedEncryption:
        return LoadResString(kUnsupportedEncryption);
    case OpenError::PageTree:
        return LoadResString(kPageTree);
    case OpenError::CopyNotWritten:
        return FormatResString(kCopyNotWritten, SystemReason(status.systemError ? status.systemError : EIO));
    case OpenError::TooFewPages:
        return LoadResString(kSinglePage);
    }
    return QString();
}

QString OpenFailureMessage(const QString& path, const OpenStatus& status)
{
    if (status.error == OpenError::None || status.error == OpenError::Cancelled)
        return QString();
    if (status.error == OpenError::TooFewPages)
        return LoadResString(kSinglePage);
    return FormatResString(kUnreadableSource, QDir::toNativeSeparators(path)) + QLatin1Char('\n') +
           OpenFailureReason(status);
}
