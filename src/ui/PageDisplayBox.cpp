#include "ui/PageDisplayBox.h"

#include "session/CParceloApp.h"
#include "session/ParceloInstance.h"

const QImage* OpenDocumentPageImage(std::int32_t page, bool wait)
{
    const CParceloApp* app = CParceloApp::Instance();
    ParceloInstance* document = app ? app->Document() : nullptr;
    if (!document || page < 1)
        return nullptr;
    return document->GetPageImage(page, wait);
}

double OpenDocumentPageAspect(std::int32_t page)
{
    const CParceloApp* app = CParceloApp::Instance();
    ParceloInstance* document = app ? app->Document() : nullptr;
    if (!document || page < 1)
        return 0.0;
    return document->GetPageAspect(page);
}
