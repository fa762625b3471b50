#include "session/BatchConsole.h"

#include "resources/StringTable.h"

std::string Std(const QString& text)
{
    return text.toStdString();
}

QString Quoted(const QString& text)
{
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

QString FormatMessage(int id, const QString& value)
{
    return FormatResString(id, value);
}
