#pragma once
// Sections cut at the document's bookmarks, as the New Split Section sheet
// and parcelo-split --bookmarks make them.
//
// A section starts at the page of every bookmark of the chosen level, and
// also at the page of every bookmark above that level, so that a chapter's
// opening pages never end up in the previous chapter's last section. Each
// section runs up to the page before the next start; the pages before the
// first start form a section of their own. The starts are taken in page
// order, so every page of the document lands in exactly one section even
// when the outline lists its entries out of page order. Bookmarks that start
// on the same page make one section, named after the first of them at the
// chosen level (or the first of them when none is). Bookmarks that point at
// no page of the document are passed over.
#include "engine/XpdfSpliceOutline.h"
#include "session/PageList.h"

#include <QString>
#include <QStringList>
#include <vector>

// What planning needs to know about the document and the session.
struct BookmarkSplitSource
{
    std::vector<XpdfSpliceOutlineEntry> outline;
    int pageCount = 0;
    QString sourcePath;     // the default names are made from it
    QStringList namesInUse; // the file names of the sections already made
    int firstNumber = 1;    // the number the first new section will get
};

struct PlannedSection
{
    PageList pages;
    QString fileName; // empty: the section keeps its default name
    QString title;    // the bookmark it starts at; empty for the pages before the first
};

class CParceloApp;

// What planning needs, from the open document (its outline as read when it
// was opened) and the sections already made; an empty outline when no
// document is open.
BookmarkSplitSource BookmarkSourceOf(const CParceloApp& app);

// How many bookmarks of each level point at a page of the document:
// element 0 counts level 1. Empty when none does.
std::vector<int> BookmarksPerLevel(const std::vector<XpdfSpliceOutlineEntry>& outline, int pageCount);

// The sections for the chosen level (1 = top level); empty when no bookmark
// of that level or above points at a page of the document.
std::vector<PlannedSection> PlanBookmarkSections(const BookmarkSplitSource& source, int level);

// A bookmark's title made into a file name without extension: characters a
// file name cannot hold become "_", line breaks and tabs spaces, runs of
// spaces one space, leading and trailing spaces and dots are dropped, and
// the name is cut to 120 characters (and 240 bytes of UTF-8). Empty when
// nothing is left.
QString BookmarkFileStem(const QString& title);
