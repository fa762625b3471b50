#include "session/BatchPlan.h"

#include "session/BatchArguments.h"
#include "session/BatchConsole.h"
#include "session/CParceloApp.h"
#include "session/PageRangeText.h"
#include "session/SaveSplit.h"
#include "session/SplitBySize.h"

#include <QCoreApplication>

bool PlanBatchPageLists(const BatchOptions& options, CParceloApp& app, BatchConsole& console,
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
    case BatchMode::None:
        break;
    }
    return false;
}
