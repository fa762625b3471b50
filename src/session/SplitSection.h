#pragma once
#include "session/PageList.h"
#include <QString>
#include <cstdint>

// One split section: the pages it takes from the source document, in output
// order, and the name of the file it becomes. Created and destroyed only by
// the application controller; `number` is its 1-based place in the list.
struct SplitSection
{
    PageList pages;
    QString fileName;
    std::int32_t number = 0;
};
