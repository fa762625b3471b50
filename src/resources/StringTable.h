#pragma once
#include <QString>
#include <QStringList>

#include <vector>

// The translation context of the numbered texts.
inline constexpr const char* kStringTableContext = "StringTable";

// The text with the given number in the user's language (the installed
// translation, else English), or an empty string when there is none.
// Texts with "%s"/"%d" are formatted by the caller with QString::asprintf or
// arg-style replacement; a text that came from outside the program is never
// used as a format.
QString LoadResString(int id);

// The numbered text with its first "%s" replaced by the value (the value is
// inserted as plain text, never read as a format).
QString FormatResString(int id, const QString& value);

// The same with each "%s" in turn replaced by the next value.
QString FormatResString(int id, const QStringList& values);

// A message with its reason on a second line: the system's or the engine's
// words for why it failed ("No space left on device"). Without a reason the
// message stands alone.
QString WithReason(const QString& message, const QString& reason);

// Every entry of the table: its number, English text and translation key.
struct StringTableEntry
{
    int id = 0;
    QString source;
    QString key;
};
std::vector<StringTableEntry> StringTableEntries();
