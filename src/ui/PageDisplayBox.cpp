#include "ui/PageDisplayBox.h"

#include "session/CParceloApp.h"
#include "session/ParceloInstance.h"

QImage OpenDocumentPageImage(std::int32_t page, bool wait, double pixelRatio)
{
    const CParceloApp* app = CParceloApp::Instance();
    ParceloInstance* document = app ? app->Document() : nullptr;
    if (!document || page < 1)
        return QImage();
    PageImageTarget target;
    target.height = app->thumbnailSize;
    target.pixelRatio = pixelRatio;
    return document->GetPageImage(page, wait, target);
}

void ReportShownPages(const void* view, const std::vector<int>& pages)
{
    const CParceloApp* app = CParceloApp::Instance();
    if (ParceloInstance* document = app ? app->Document() : nullptr)
        document->SetShownPages(view, pages);
}

void ForgetShownPages(const void* view)
{
    const CParceloApp* app = CParceloApp::Instance();
    if (ParceloInstance* document = app ? app->Document() : nullptr)
        document->ForgetView(view);
}

double OpenDocumentPageAspect(std::int32_t page)
{
    const CParceloApp* app = CParceloApp::Instance();
    ParceloInstance* document = app ? app->Document() : nullptr;
    if (!document || page < 1)
        return 0.0;
    return document->GetPageAspect(page);
}
