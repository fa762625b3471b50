#pragma once
// A worker thread (woken at once when work is queued) combined with a
// progress handler. Used for the update check and download: start it, set
// the window, Reset, queue an item that reports through Reporter(), and show
// a CNewProgressDlg with this object as its handler (see work/NewProgress.h).
//
// Destruction stops the worker first (500 ms; a worker that does not end is
// detached and can only reach the handler through Reporter(), which then
// drops its reports), then dispatches the waiting reports and tears the
// handler down.
#include "work/NewProgress.h"
#include "work/WorkThread.h"

class WorkThreadWithProgress : public WorkThread, public NewProgressHandler
{
public:
    WorkThreadWithProgress();
    ~WorkThreadWithProgress() override;

    // Sets cancel-requested and tells the running item to stop (its stopFlag
    // becomes true and its Cancel is called).
    void RequestCancel() override;
};
