// The translations kept in translations/: each keeps the placeholders and
// the line structure of its source text, so that formatting a translated
// text never loses a value, shows a raw "%s" or splits a tooltip wrongly.
#include "TestNames.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

struct TsMessage
{
    QString context;
    QString source;
    QString comment;
    QString translation;
    bool finished = false;
};

// The messages of a Qt Linguist file; false when it cannot be read.
bool ReadTs(const QString& path, std::vector<TsMessage>& messages, QString& error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
    {
        error = file.errorString();
        return false;
    }
    QXmlStreamReader xml(&file);
    QString context;
    TsMessage message;
    bool inMessage = false;
    while (!xml.atEnd())
    {
        xml.readNext();
        if (xml.isStartElement())
        {
            const auto name = xml.name();
            if (name == QLatin1String("name") && !inMessage)
                context = xml.readElementText();
            else if (name == QLatin1String("message"))
            {
                message = TsMessage();
                message.context = context;
                inMessage = true;
            }
            else if (inMessage && name == QLatin1String("source"))
                message.source = xml.readElementText();
            else if (inMessage && name == QLatin1String("comment"))
                message.comment = xml.readElementText();
            else if (inMessage && name == QLatin1String("translation"))
            {
                const QString type = xml.attributes().value(QLatin1String("type")).toString();
                message.finished = type.isEmpty();
                message.translation = xml.readElementText();
            }
        }
        else if (xml.isEndElement() && xml.name() == QLatin1String("message"))
        {
            messages.push_back(message);
            inMessage = false;
        }
    }
    if (xml.hasError())
    {
        error = xml.errorString();
        return false;
    }
    return true;
}

// What the code fills into or splits a text by: printf conversions in their
// order, numbered arguments (%1 ...) and <tags> in any order, and the
// number of line breaks and of "|" separators.
struct Placeholders
{
    QStringList ordered;
    QStringList unordered;
    qsizetype lines = 0;
    qsizetype bars = 0;

    bool operator==(const Placeholders&) const = default;
};

Placeholders PlaceholdersOf(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral(
        "%[-+ #0]*[0-9]*(?:\\.[0-9]+)?(?:hh|h|ll|l|z)?[diouxXeEfgGcs%]|%L?[0-9]{1,2}|<[a-z]+>"));
    Placeholders result;
    auto it = pattern.globalMatch(text);
    while (it.hasNext())
    {
        const QString token = it.next().captured();
        const bool numbered = token.size() >= 2 && (token[1].isDigit() || token[1] == QLatin1Char('L'));
        if (token.startsWith(QLatin1Char('<')) || (numbered && !token.back().isLetter()))
            result.unordered << token;
        else
            result.ordered << token;
    }
    result.unordered.sort();
    result.lines = text.count(QLatin1Char('\n'));
    result.bars = text.count(QLatin1Char('|'));
    return result;
}

std::string Describe(const Placeholders& p)
{
    return QStringLiteral("[%1] {%2} %3 line breaks, %4 bars")
        .arg(p.ordered.join(QLatin1Char(' ')), p.unordered.join(QLatin1Char(' ')))
        .arg(p.lines)
        .arg(p.bars)
        .toStdString();
}

QStringList TranslationFiles()
{
    const QDir folder(QStringLiteral(PARCELO_SOURCE_DIR "/translations"));
    QStringList files;
    for (const QString& name : folder.entryList({QStringLiteral("parcelo_*.ts")}, QDir::Files, QDir::Name))
        files << folder.filePath(name);
    return files;
}

} // namespace

TEST(PlaceholderTest, FindsWhatTheCodeFillsIn)
{
    EXPECT_EQ(PlaceholdersOf(QStringLiteral("%s-S%d.%s")).ordered,
              (QStringList{QStringLiteral("%s"), QStringLiteral("%d"), QStringLiteral("%s")}));
    EXPECT_EQ(PlaceholdersOf(QStringLiteral("Downloading\n%uKb of %uKb")).ordered,
              (QStringList{QStringLiteral("%u"), QStringLiteral("%u")}));
    EXPECT_EQ(PlaceholdersOf(QStringLiteral("%2 of %1, 100%%")).unordered,
              (QStringList{QStringLiteral("%1"), QStringLiteral("%2")}));
    EXPECT_EQ(PlaceholdersOf(QStringLiteral("Version <version> of <product>")).unordered,
              (QStringList{QStringLiteral("<product>"), QStringLiteral("<version>")}));
    EXPECT_EQ(PlaceholdersOf(QStringLiteral("a|b||")).bars, 3);
    // A translation that drops or reorders a printf conversion differs.
    EXPECT_NE(PlaceholdersOf(QStringLiteral("Split %d. Pages:")), PlaceholdersOf(QStringLiteral("Section. Pages :")));
    EXPECT_NE(PlaceholdersOf(QStringLiteral("%s-S%d")), PlaceholdersOf(QStringLiteral("%d-S%s")));
}

TEST(TranslationFilesTest, EveryTranslationKeepsThePlaceholdersOfItsSource)
{
    const QStringList files = TranslationFiles();
    ASSERT_FALSE(files.isEmpty()) << "no translations in " PARCELO_SOURCE_DIR "/translations";
    for (const QString& file : files)
    {
        std::vector<TsMessage> messages;
        QString error;
        ASSERT_TRUE(ReadTs(file, messages, error)) << file.toStdString() << ": " << error.toStdString();
        for (const TsMessage& message : messages)
        {
            if (message.translation.isEmpty())
                continue;
            const Placeholders source = PlaceholdersOf(message.source);
            const Placeholders translation = PlaceholdersOf(message.translation);
            EXPECT_TRUE(source == translation)
                << QFileInfo(file).fileName().toStdString() << ", " << message.context.toStdString() << " "
                << message.comment.toStdString() << ": \"" << message.source.toStdString() << "\" has "
                << Describe(source) << " but its translation \"" << message.translation.toStdString() << "\" has "
                << Describe(translation);
        }
    }
}
