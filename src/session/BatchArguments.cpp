#include "session/BatchArguments.h"

#include "BuildVersion.h"
#include "session/BatchConsole.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <climits>
#include <optional>

namespace {

constexpr std::uint64_t kLargestLimit = 0xFFFFFFFFull; // sizes are 32-bit byte counts

// A whole decimal number made of digits only; none on anything else or on
// overflow.
std::optional<std::uint64_t> WholeNumber(const QString& text)
{
    if (text.isEmpty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (const QChar c : text)
    {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        const std::uint64_t digit = static_cast<std::uint64_t>(c.unicode() - '0');
        if (value > (UINT64_MAX - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

// The permission list of --allow. Allowing anything beyond viewing implies
// viewing: a file that needs the password to open is opened with the owner
// password, which allows everything, so restrictions would be meaningless.
// "none" alone therefore means: the password is needed even to open.
bool ParseAllowList(const QString& text, unsigned& allow, QString& error)
{
    allow = 0;
    if (text.trimmed().isEmpty())
    {
        error = QCoreApplication::translate("BatchSplit", "--allow needs a list such as print,copy (or none)");
        return false;
    }
    for (QString item : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
    {
        item = item.trimmed().toLower();
        if (item.isEmpty() || item == QLatin1String("none"))
            continue;
        if (item == QLatin1String("view"))
            allow |= BATCH_ALLOW_VIEW;
        else if (item == QLatin1String("print"))
            allow |= BATCH_ALLOW_PRINT;
        else if (item == QLatin1String("copy"))
            allow |= BATCH_ALLOW_COPY;
        else if (item == QLatin1String("annotate"))
            allow |= BATCH_ALLOW_ANNOTATE;
        else if (item == QLatin1String("forms"))
            allow |= BATCH_ALLOW_FORMS;
        else
        {
            error = QCoreApplication::translate("BatchSplit", "unknown permission %1 in --allow (use view, print, copy, annotate, forms or none)")
                        .arg(Quoted(item));
            return false;
        }
    }
    if (allow != 0)
        allow |= BATCH_ALLOW_VIEW;
    return true;
}

bool ParseSize(const QString& text, BatchOptions& options, QString& error)
{
    static const QRegularExpression pattern(QStringLiteral("^([0-9]+)\\s*(K|KB|M|MB)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(text.trimmed());
    const std::optional<std::uint64_t> number = match.hasMatch() ? WholeNumber(match.captured(1)) : std::nullopt;
    if (!number)
    {
        error = QCoreApplication::translate("BatchSplit", "invalid size %1 for --max-size (use a whole number with K or M, e.g. 500K or 2M)")
                    .arg(Quoted(text));
        return false;
    }
    if (*number == 0)
    {
        error = QCoreApplication::translate("BatchSplit", "--max-size must be larger than 0");
        return false;
    }
    const bool megabytes = match.captured(2).at(0).toUpper() == QLatin1Char('M');
    const std::uint64_t unit = megabytes ? (1ull << 20) : (1ull << 10);
    if (*number > kLargestLimit / unit)
    {
        error = QCoreApplication::translate("BatchSplit", "--max-size must be below 4096M");
        return false;
    }
    options.sizeNumber = *number;
    options.sizeInMegabytes = megabytes;
    options.sizeBytes = *number * unit;
    return true;
}

} // namespace

QString BatchUsage()
{
    return QCoreApplication::translate("BatchSplit", "Usage: parcelo-split INPUT.pdf (--ranges TEXT | --every N | --max-size SIZE | --bookmarks LEVEL)\n"
        "                     [OPTIONS]\n"
        "Cut one PDF document into several, one file per section.\n"
        "\n"
        "Sections (choose one kind):\n"
        "  --ranges TEXT             one section from page-range text such as \"1-7, 18\";\n"
        "                            give it several times for several sections\n"
        "  --every N                 a new section every N pages\n"
        "  --max-size SIZE           consecutive sections whose files are no larger than\n"
        "                            SIZE, a whole number with K or M (500K, 2M)\n"
        "  --bookmarks LEVEL         a section at each bookmark of LEVEL (1 = the top\n"
        "                            level, 2 = the bookmarks below it ...) and at each\n"
        "                            bookmark above that level, named after the bookmark;\n"
        "                            the pages before the first bookmark form a section\n"
        "                            of their own\n"
        "\n"
        "Options:\n"
        "  --out DIR                 write the files into DIR (default: the current folder)\n"
        "  --password-file F         the input's password, from the first line of F\n"
        "  --owner-password-file F   protect the files with the password on the first line of F\n"
        "  --allow LIST              what the protected files allow without that password:\n"
        "                            print, copy, annotate, forms, separated by commas;\n"
        "                            each implies view (opening); view alone allows only\n"
        "                            opening (the default); none requires the password\n"
        "                            even for opening\n"
        "  --force                   overwrite files that already exist\n"
        "  -h, --help                show this help and exit\n"
        "  -v, --version             show the version and exit\n"
        "\n"
        "Files are named like the sections of the window: \"<name>-S<n>.<ext>\" after the input,\n"
        "or after their bookmark with --bookmarks.\n"
        "Each written file is printed on its own line. Nothing is written unless every file can\n"
        "be written. Exit status: 0 when every file was written, 1 when the run failed, 2 for a\n"
        "wrong command line.\n");
}

QString BatchVersion()
{
    return QStringLiteral("parcelo-split %1\n").arg(QStringLiteral(PARCELO_VERSION_STRING));
}

bool ParseBatchArguments(const QStringList& arguments, BatchOptions& options, QString& error)
{
    options = BatchOptions();
    QStringList inputs;
    QStringList seen;
    bool optionsEnded = false;

    auto setMode = [&](BatchMode mode) {
        if (options.mode != BatchMode::None && options.mode != mode)
        {
            error = QCoreApplication::translate("BatchSplit", "choose only one of --ranges, --every, --max-size and --bookmarks");
            return false;
        }
        options.mode = mode;
        return true;
    };

    for (qsizetype i = 0; i < arguments.size(); ++i)
    {
        const QString& argument = arguments[i];
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-"))
        {
            inputs.append(argument);
            continue;
        }
        if (argument == QLatin1String("--"))
        {
            optionsEnded = true;
            continue;
        }
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h"))
        {
            options.help = true;
            return true;
        }
        if (argument == QLatin1String("--version") || argument == QLatin1String("-v"))
        {
            options.version = true;
            return true;
        }

        QString name = argument;
        std::optional<QString> value;
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        if (argument.startsWith(QLatin1String("--")) && equals > 2)
        {
            name = argument.left(equals);
            value = argument.mid(equals + 1);
        }

        static const QStringList withValue = {
            QStringLiteral("--ranges"),        QStringLiteral("--every"),
            QStringLiteral("--max-size"),      QStringLiteral("--out"),
            QStringLiteral("--password-file"), QStringLiteral("--owner-password-file"),
            QStringLiteral("--allow"),         QStringLiteral("--bookmarks"),
        };
        if (name == QLatin1String("--force"))
        {
            if (value)
            {
                error = QCoreApplication::translate("BatchSplit", "option --force takes no value");
                return false;
            }
            options.force = true;
            continue;
        }
        if (!withValue.contains(name))
        {
            error = QCoreApplication::translate("BatchSplit", "unknown option %1").arg(Quoted(name));
            return false;
        }
        if (!value)
        {
            if (i + 1 >= arguments.size())
            {
                error = QCoreApplication::translate("BatchSplit", "option %1 needs a value").arg(name);
                return false;
            }
            value = arguments[++i];
        }
        if (name != QLatin1String("--ranges"))
        {
            if (seen.contains(name))
            {
                error = QCoreApplication::translate("BatchSplit", "option %1 given more than once").arg(name);
                return false;
            }
            seen.append(name);
        }

        if (name == QLatin1String("--ranges"))
        {
            if (!setMode(BatchMode::Ranges))
                return false;
            options.ranges.append(*value);
        }
        else if (name == QLatin1String("--every"))
        {
            if (!setMode(BatchMode::Every))
                return false;
            const std::optional<std::uint64_t> n = WholeNumber(value->trimmed());
            if (!n || *n == 0 || *n > 0x7FFFFFFFull)
            {
                error = QCoreApplication::translate("BatchSplit", "--every needs a whole number of pages above 0, not %1").arg(Quoted(*value));
                return false;
            }
            options.every = *n;
        }
        else if (name == QLatin1String("--max-size"))
        {
            if (!setMode(BatchMode::MaxSize) || !ParseSize(*value, options, error))
                return false;
        }
        else if (name == QLatin1String("--bookmarks"))
        {
            if (!setMode(BatchMode::Bookmarks))
                return false;
            const std::optional<std::uint64_t> level = WholeNumber(value->trimmed());
            if (!level || *level == 0 || *level > 0x7FFFFFFFull)
            {
                error = QCoreApplication::translate("BatchSplit", "--bookmarks needs a level, a whole number from 1 (the top level), not %1")
                            .arg(Quoted(*value));
                return false;
            }
            options.bookmarkLevel = static_cast<int>(*level);
        }
        else if (name == QLatin1String("--out"))
        {
            if (value->isEmpty())
            {
                error = QCoreApplication::translate("BatchSplit", "option --out needs a folder");
                return false;
            }
            options.outDir = *value;
        }
        else if (name == QLatin1String("--password-file") || name == QLatin1String("--owner-password-file"))
        {
            if (value->isEmpty())
            {
                error = QCoreApplication::translate("BatchSplit", "option %1 needs a file").arg(name);
                return false;
            }
            (name == QLatin1String("--password-file") ? options.passwordFile : options.ownerPasswordFile) = *value;
        }
        else if (name == QLatin1String("--allow"))
        {
            if (!ParseAllowList(*value, options.allow, error))
                return false;
            options.allowGiven = true;
        }
    }

    if (inputs.isEmpty())
    {
        error = QCoreApplication::translate("BatchSplit", "no input file given");
        return false;
    }
    if (inputs.size() > 1)
    {
        error = QCoreApplication::translate("BatchSplit", "only one input file is accepted, got %1").arg(inputs.size());
        return false;
    }
    options.input = inputs.front();
    if (options.mode == BatchMode::None)
    {
        error = QCoreApplication::translate("BatchSplit", "say how to split: --ranges, --every, --max-size or --bookmarks");
        return false;
    }
    if (options.allowGiven && options.ownerPasswordFile.isEmpty())
    {
        error = QCoreApplication::translate("BatchSplit", "--allow needs --owner-password-file");
        return false;
    }
    return true;
}

