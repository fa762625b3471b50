#pragma once
// Conversions between the program's wide text (QString) and narrow text at
// its boundaries: "ANSI" is the local 8-bit encoding (QString::toLocal8Bit,
// UTF-8 on this platform), used for paths and passwords handed to the
// engines and for template text files; UTF-8 for the engine configuration
// file and the update service's data. None of them fails loudly.
#include <QByteArray>
#include <QString>

// Local 8-bit text of the whole string; composed (NFC) first, characters
// without a representation become "?".
QByteArray ToAnsi(const QString& text);
// The same for zero-terminated text (null gives an empty result).
QByteArray ToAnsi(const char16_t* zeroTerminated);

// Wide text of exactly these bytes in the local 8-bit encoding.
QString FromAnsi(const QByteArray& bytes);
QString FromAnsi(const char* data, qsizetype length);

// UTF-8 of the text up to its first zero character.
QByteArray ToUtf8(const QString& text);
QByteArray ToUtf8(const char16_t* zeroTerminated);

// Wide text of UTF-8 bytes up to the first zero byte (null gives "").
QString FromUtf8(const char* zeroTerminated);
QString FromUtf8(const QByteArray& bytes);

// The system's words for an error number (errno), as "No space left on
// device"; safe to call from any thread.
QString SystemErrorText(int error);
