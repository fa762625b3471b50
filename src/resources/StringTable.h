#pragma once
#include <QString>

// The text with the given number, or an empty string when there is none.
// Texts with "%s"/"%d" are formatted by the caller with QString::asprintf or
// arg-style replacement; a text that came from outside the program is never
// used as a format.
QString LoadResString(int id);

// The numbered text with its first "%s" replaced by the value (the value is
// inserted as plain text, never read as a format).
QString FormatResString(int id, const QString& value);
