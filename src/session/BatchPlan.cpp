#include "session/BatchPlan.h"

#include "session/BatchArguments.h"
#include "session/BatchConsole.h"
#include "session/CParceloApp.h"
#include "session/PageRangeText.h"
#include "session/SaveSplit.h"
#include "session/SplitBySize.h"
#include "support/PathHelpers.h"

#include <QCoreApplication>

namespace {

bool PlanPageLists(const BatchOptions& options, CParceloApp& app, BatchConsole& console,
                   std::vector<PageList>& lists)
{
    const int pageCount = app.PageCount();
    switch (options.mode)
    {
    case BatchMode::Ranges:
        for (const QString& text : options.ranges)
        {
            PageList pages;
            if (!ParsePageList(text, pageCount, pages))
            {
                console.Message(QCoreApplication::translate("BatchSplit", "invalid page range %1 for a document of %2 pages")
                                      .arg(Quoted(text))
                                      .arg(pageCount));
                return false;
            }
            if (pages.empty())
            {
                console.Message(QCoreApplication::translate("BatchSplit", "page range %1 names no pages").arg(Quoted(text)));
                return false;
            }
            lists.push_back(std::move(pages));
        }
        return true;
    case BatchMode::Every:
    {
        // As the Repeating Section page cuts "All Pages".
        lists = CutIntoRuns(AllPages(pageCount), options.every);
        return true;
    }
    case BatchMode::MaxSize:
    {
        const PageList all = AllPages(pageCount);
        SpliceTrialMeasurer measurer(app.SourcePath(), DocumentPassword(app));
        return GroupBySize(all, options.sizeBytes, measurer, lists);
    }
    case BatchMode::Bookmarks:
    case BatchMode::None:
        break;
    }
    return false;
}

bool PlanBookmarks(const BatchOptions& options, CParceloApp& app, BatchConsole& console,
                   std::vector<PlannedSection>& sections)
{
    const BookmarkSplitSource source = BookmarkSourceOf(app);
    const QString name = Quoted(LastPathComponent(app.SourcePath()));
    const std::vector<int> levels = BookmarksPerLevel(source.outline, source.pageCount);
    if (levels.empty())
    {
        console.Message(source.outline.empty()
                            ? QCoreApplication::translate("BatchSplit", "%1 has no bookmarks to split at").arg(name)
                            : QCoreApplication::translate("BatchSplit", "none of the bookmarks of %1 points at one of its pages").arg(name));
        return false;
    }
    if (options.bookmarkLevel > static_cast<int>(levels.size()) || levels[options.bookmarkLevel - 1] == 0)
    {
        console.Message(QCoreApplication::translate("BatchSplit", "%1 has no bookmarks at level %2; its bookmarks go down to level %3")
                            .arg(name)
                            .arg(options.bookmarkLevel)
                            .arg(levels.size()));
        return false;
    }
    sections = PlanBookmarkSections(source, options.bookmarkLevel);
    return !sections.empty();
}

} // namespace

bool PlanBatchSections(const BatchOptions& options, CParceloApp& app, BatchConsole& console,
                       std::vector<PlannedSection>& sections)
{
    if (options.mode == BatchMode::Bookmarks)
        return PlanBookmarks(options, app, console, sections);
    std::vector<PageList> lists;
    if (!PlanPageLists(options, app, console, lists))
        return false;
    for (PageList& pages : lists)
        sections.push_back({std::move(pages), QString(), QString()});
    return true;
}
