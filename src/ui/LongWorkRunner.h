#pragma once
// Runs a long session operation on a work thread while the window stays
// alive: the progress dialog (CNewProgressDlg) shows what the work reports
// and its Cancel button asks the work to stop; meanwhile the window thread
// keeps handling events (repaints, arriving thumbnails, and the questions
// the work asks through DialogUser). Returns when the work has ended.
//
// A work that ends within a short moment returns without the dialog ever
// appearing, so quick saves and measurements do not flash a window.
#include "session/LongWork.h"

#include <QString>

class QWidget;

void RunLongWorkWithProgress(QWidget* owner, const QString& title, const LongWork& work);
