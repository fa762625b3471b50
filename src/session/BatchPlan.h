#pragma once
// Planning the headless splitter's sections: the page lists a run's options
// ask for, made the way the New Split Section sheet makes them.
#include "session/PageList.h"

#include <vector>

class BatchConsole;
class CParceloApp;
struct BatchOptions;

// The page lists for the open document. False with the reason printed when
// a range is invalid or the size grouping failed.
bool PlanBatchPageLists(const BatchOptions& options, CParceloApp& app, BatchConsole& console,
                        std::vector<PageList>& lists);
