#pragma once
// Planning the headless splitter's sections: the page lists (and, for
// bookmarks, the file names) a run's options ask for, made the way the New
// Split Section sheet makes them.
#include "session/BookmarkSections.h"

#include <vector>

class BatchConsole;
class CParceloApp;
struct BatchOptions;

// The sections for the open document. False with the reason printed when a
// range is invalid, the size grouping failed or there are no bookmarks to
// split at.
bool PlanBatchSections(const BatchOptions& options, CParceloApp& app, BatchConsole& console,
                       std::vector<PlannedSection>& sections);
