// The translations kept in translations/: each keeps the placeholders and
// the line structure of its source text, so that formatting a translated
// text never loses a value, shows a raw "%s" or splits a tooltip wrongly.
#include "TestNames.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
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
// order, numbered arguments (%1 ...) and <tags> in any order, the number of
// "|" separators, and the number of line breaks (a tooltip's title and
// description, a message's lines) except in long help texts, which a
// translation may wrap anew.
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
    constexpr qsizetype kLongestWithFixedLines = 5;
    result.lines = text.count(QLatin1Char('\n'));
    if (result.lines > kLongestWithFixedLines)
        result.lines = -1;
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

// Every text the build collected from the sources has a finished
// translation in every language shipped: a text added without one shows in
// English in the middle of a translated window. To fix a failure, run
//   cmake --build <build> --target parcelo_update_translations
// and translate the entries marked unfinished in translations/parcelo_*.ts.
TEST(TranslationFilesTest, EveryTextOfTheProgramIsTranslated)
{
    std::vector<TsMessage> texts;
    QString error;
    ASSERT_TRUE(ReadTs(QStringLiteral(PARCELO_TEMPLATE_TS), texts, error)) << error.toStdString();
    ASSERT_GT(texts.size(), 100u) << "the build collected the program's texts";
    for (const QString& file : TranslationFiles())
    {
        std::vector<TsMessage> messages;
        ASSERT_TRUE(ReadTs(file, messages, error)) << file.toStdString() << ": " << error.toStdString();
        QHash<QString, const TsMessage*> byKey;
        for (const TsMessage& message : messages)
            byKey.insert(message.context + QChar(0) + message.source + QChar(0) + message.comment, &message);
        for (const TsMessage& text : texts)
        {
            const TsMessage* found = byKey.value(text.context + QChar(0) + text.source + QChar(0) + text.comment);
            EXPECT_TRUE(found && found->finished && !found->translation.isEmpty())
                << QFileInfo(file).fileName().toStdString() << " has no finished translation of "
                << text.context.toStdString() << " " << text.comment.toStdString() << " \"" << text.source.toStdString()
                << "\"";
        }
    }
}
