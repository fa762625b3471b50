#include "session/BookmarkSections.h"

#include "session/CParceloApp.h"
#include "session/ParceloInstance.h"
#include "session/SplitSection.h"
#include "support/PathHelpers.h"

#include <algorithm>
#include <set>

namespace {

constexpr qsizetype kLongestStem = 120;  // characters
constexpr qsizetype kLongestStemBytes = 240; // UTF-8, so the whole name stays well below 255 bytes

// The text cut to at most maxChars characters and maxBytes bytes of UTF-8,
// never inside a character.
QString CutTo(const QString& text, qsizetype maxChars, qsizetype maxBytes)
{
    qsizetype chars = 0;
    qsizetype bytes = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const bool pair = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const char32_t code = pair ? QChar::surrogateToUcs4(text[i], text[i + 1]) : text[i].unicode();
        const qsizetype size = code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
        if (chars + 1 > maxChars || bytes + size > maxBytes)
            break;
        ++chars;
        bytes += size;
        i += pair ? 2 : 1;
    }
    return text.left(i);
}

// Spaces and dots at either end make names that are hidden or hard to see.
QString TrimEnds(const QString& text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    auto loose = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('.'); };
    while (from < to && loose(text[from]))
        ++from;
    while (to > from && loose(text[to - 1]))
        --to;
    return text.mid(from, to - from);
}

QString Folded(const QString& name)
{
    return name.toCaseFolded();
}

// The stem with ".pdf", numbered " (2)", " (3)" ... when the name is taken
// (compared without regard to case, as many file systems do).
QString UniqueName(QString stem, const std::set<QString>& taken)
{
    const QString extension = QStringLiteral(".pdf");
    QString name = stem + extension;
    // A stem the system reserves ("con", "aux" ...) is made harmless.
    if (!IsValidFileName(name)) {
        stem = QLatin1Char('_') + stem;
        name = stem + extension;
    }
    for (int n = 2; taken.count(Folded(name)); ++n) {
        const QString suffix = QStringLiteral(" (%1)").arg(n);
        name = TrimEnds(CutTo(stem, kLongestStem - suffix.size(), kLongestStemBytes - suffix.toUtf8().size())) +
               suffix + extension;
    }
    return name;
}

struct Start
{
    int page;
    int entry; // index in the outline
    bool atLevel;
};

} // namespace

BookmarkSplitSource BookmarkSourceOf(const CParceloApp& app)
{
    BookmarkSplitSource source;
    if (const ParceloInstance* document = app.Document())
        source.outline = document->Outline();
    source.pageCount = app.PageCount();
    source.sourcePath = app.SourcePath();
    for (const auto& section : app.Sections())
        source.namesInUse.append(section->fileName);
    source.firstNumber = static_cast<int>(app.Sections().size()) + 1;
    return source;
}

std::vector<int> BookmarksPerLevel(const std::vector<XpdfSpliceOutlineEntry>& outline, int pageCount)
{
    std::vector<int> counts;
    for (const XpdfSpliceOutlineEntry& entry : outline) {
        if (entry.page < 1 || entry.page > pageCount || entry.level < 1)
            continue;
        if (counts.size() < static_cast<std::size_t>(entry.level))
            counts.resize(static_cast<std::size_t>(entry.level), 0);
        ++counts[static_cast<std::size_t>(entry.level - 1)];
    }
    // Only levels down to the deepest one that has a bookmark are offered.
    while (!counts.empty() && counts.back() == 0)
        counts.pop_back();
    return counts;
}

std::vector<PlannedSection> PlanBookmarkSections(const BookmarkSplitSource& source, int level)
{
    std::vector<PlannedSection> sections;
    if (level < 1 || source.pageCount < 1)
        return sections;

    std::vector<Start> starts;
    for (std::size_t i = 0; i < source.outline.size(); ++i) {
        const XpdfSpliceOutlineEntry& entry = source.outline[i];
        if (entry.level >= 1 && entry.level <= level && entry.page >= 1 && entry.page <= source.pageCount)
            starts.push_back({entry.page, static_cast<int>(i), entry.level == level});
    }
    if (std::none_of(starts.begin(), starts.end(), [](const Start& s) { return s.atLevel; }))
        return sections;
    std::stable_sort(starts.begin(), starts.end(), [](const Start& a, const Start& b) { return a.page < b.page; });

    if (starts.front().page > 1) {
        PlannedSection front;
        for (int page = 1; page < starts.front().page; ++page)
            front.pages.push_back(page);
        sections.push_back(std::move(front));
    }
    for (std::size_t i = 0; i < starts.size();) {
        // Every start on this page; the first of them at the chosen level
        // names the section.
        std::size_t next = i;
        int naming = -1;
        while (next < starts.size() && starts[next].page == starts[i].page) {
            if (naming < 0 && starts[next].atLevel)
                naming = starts[next].entry;
            ++next;
        }
        if (naming < 0)
            naming = starts[i].entry;
        const int last = next < starts.size() ? starts[next].page - 1 : source.pageCount;
        PlannedSection section;
        for (int page = starts[i].page; page <= last; ++page)
            section.pages.push_back(page);
        section.title = source.outline[static_cast<std::size_t>(naming)].title;
        sections.push_back(std::move(section));
        i = next;
    }

    std::set<QString> taken;
    for (const QString& name : source.namesInUse)
        taken.insert(Folded(name));
    for (std::size_t i = 0; i < sections.size(); ++i) {
        PlannedSection& section = sections[i];
        const QString stem = BookmarkFileStem(section.title);
        if (stem.isEmpty()) {
            // Keeps its default name, which nothing after it may take.
            SplitSection numbered;
            numbered.number = source.firstNumber + static_cast<int>(i);
            taken.insert(Folded(CParceloApp::MakeDefaultFileName(numbered, source.sourcePath)));
            continue;
        }
        section.fileName = UniqueName(stem, taken);
        taken.insert(Folded(section.fileName));
    }
    return sections;
}

QString BookmarkFileStem(const QString& title)
{
    static const QString forbidden = QStringLiteral("\"*/:<>?\\|");
    QString stem;
    stem.reserve(title.size());
    bool space = false;
    for (const QChar c : title) {
        if (c.isSpace()) {
            space = true;
            continue;
        }
        if (space && !stem.isEmpty())
            stem.append(QLatin1Char(' '));
        space = false;
        const bool control = c.unicode() < 0x20 || c.unicode() == 0x7F || c.category() == QChar::Other_Control;
        stem.append(control || forbidden.contains(c) ? QLatin1Char('_') : c);
    }
    return TrimEnds(CutTo(TrimEnds(stem), kLongestStem, kLongestStemBytes));
}
