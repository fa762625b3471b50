#include "session/PageRangeText.h"

#include <QStringList>

#include <algorithm>
#include <utility>

namespace {

bool IsDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Reads a decimal number the way the C library's string-to-integer conversion
// does for this alphabet: leading spaces skipped, digits up to the first
// non-digit, no digits giving 0. The value saturates just above `limit`, so a
// number of any length is read without overflow and compares as too large.
std::int64_t ReadBound(const QString& part, std::int64_t limit)
{
    const std::int64_t cap = limit + 1;
    qsizetype i = 0;
    while (i < part.size() && part[i] == QLatin1Char(' '))
        ++i;
    std::int64_t value = 0;
    for (; i < part.size() && IsDigit(part[i]); ++i)
    {
        value = value * 10 + (part[i].unicode() - u'0');
        if (value > cap)
            value = cap;
    }
    return value;
}

} // namespace

bool ParsePageList(const QString& text, std::int32_t maxPage, PageList& pages, int* error)
{
    pages.clear();
    auto fail = [&](int kind) {
        pages.clear();
        if (error)
            *error = kind;
        return false;
    };

    for (QChar c : text)
    {
        if (!IsDigit(c) && c != QLatin1Char('-') && c != QLatin1Char(',') && c != QLatin1Char(' '))
            return fail(PAGE_RANGE_BAD_CHARACTER);
    }

    // Every range is checked before any is expanded, so a text naming pages
    // beyond the document never allocates anything.
    const std::int64_t limit = std::max<std::int64_t>(maxPage, 0);
    std::vector<std::pair<std::int32_t, std::int32_t>> ranges;
    std::int64_t total = 0;
    const QStringList pieces = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString& piece : pieces)
    {
        const QStringList parts = piece.split(QLatin1Char('-'), Qt::SkipEmptyParts);
        if (parts.size() > 2)
            return fail(PAGE_RANGE_TOO_MANY_DASHES);
        if (parts.isEmpty())
            return fail(PAGE_RANGE_BAD_BOUND);
        const std::int64_t first = ReadBound(parts[0], limit);
        const std::int64_t last = parts.size() == 2 ? ReadBound(parts[1], limit) : first;
        if (first <= 0 || last <= 0 || last < first || first > limit || last > limit)
            return fail(PAGE_RANGE_BAD_BOUND);
        ranges.emplace_back(static_cast<std::int32_t>(first), static_cast<std::int32_t>(last));
        total += last - first + 1;
    }

    pages.reserve(static_cast<std::size_t>(total));
    for (const auto& [first, last] : ranges)
    {
        for (std::int64_t page = first; page <= last; ++page)
            pages.push_back(static_cast<std::int32_t>(page));
    }
    if (error)
        *error = PAGE_RANGE_OK;
    return true;
}

PageList AllPages(int pageCount)
{
    PageList all;
    all.reserve(static_cast<std::size_t>(std::max(pageCount, 0)));
    for (int page = 1; page <= pageCount; ++page)
        all.push_back(page);
    return all;
}

std::vector<PageList> CutIntoRuns(const PageList& pages, std::uint64_t runLength)
{
    std::vector<PageList> runs;
    if (runLength == 0)
        return runs;
    for (std::size_t start = 0; start < pages.size();)
    {
        const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(runLength, pages.size() - start));
        runs.emplace_back(pages.begin() + static_cast<std::ptrdiff_t>(start),
                          pages.begin() + static_cast<std::ptrdiff_t>(start + take));
        start += take;
    }
    return runs;
}

QString FormatPageList(const PageList& pages)
{
    QString text;
    std::size_t i = 0;
    while (i < pages.size())
    {
        std::size_t j = i;
        while (j + 1 < pages.size() &&
               static_cast<std::int64_t>(pages[j + 1]) == static_cast<std::int64_t>(pages[j]) + 1)
            ++j;
        if (!text.isEmpty())
            text += QLatin1Char(',');
        text += QString::number(pages[i]);
        if (j > i)
            text += QLatin1Char('-') + QString::number(pages[j]);
        i = j + 1;
    }
    return text;
}

bool CheckPageRangeText(const QString& input, std::int32_t pageCount, PageRangeSet* result)
{
    if (result)
        result->clear();

    QString text = input;
    text.remove(QLatin1Char(' '));
    if (text.isEmpty())
        return false;
    for (QChar c : text)
    {
        if (!IsDigit(c) && c != QLatin1Char('-') && c != QLatin1Char(','))
            return false;
    }

    const std::int64_t limit = std::max<std::int64_t>(pageCount, 0);
    qsizetype pos = 0;
    // Reads the run of digits at pos; false when there is none or its value
    // is above the page count.
    auto readNumber = [&](std::int64_t& value) {
        if (pos >= text.size() || !IsDigit(text[pos]))
            return false;
        value = 0;
        for (; pos < text.size() && IsDigit(text[pos]); ++pos)
        {
            value = value * 10 + (text[pos].unicode() - u'0');
            if (value > limit)
                return false;
        }
        return true;
    };

    PageRangeSet ranges;
    for (;;)
    {
        std::int64_t a = 0;
        if (!readNumber(a))
            return false;
        std::int64_t b = a;
        if (pos < text.size() && text[pos] == QLatin1Char('-'))
        {
            ++pos;
            if (!readNumber(b))
                return false;
            if (b < a)
                std::swap(a, b);
        }
        ranges.push_back({a, b + 1});
        if (pos >= text.size())
            break;
        if (text[pos] == QLatin1Char(','))
            ++pos;
    }

    // Merging all ranges at the end gives the same ascending, disjoint set as
    // merging each one as it is read.
    std::sort(ranges.begin(), ranges.end(),
              [](const PageRange& x, const PageRange& y) { return x.start < y.start; });
    PageRangeSet merged;
    for (const PageRange& r : ranges)
    {
        if (!merged.empty() && r.start <= merged.back().end)
            merged.back().end = std::max(merged.back().end, r.end);
        else
            merged.push_back(r);
    }
    if (result)
        *result = std::move(merged);
    return true;
}
