#include "work/WorkThreadWithProgress.h"

WorkThreadWithProgress::WorkThreadWithProgress() : WorkThread(true) {}

WorkThreadWithProgress::~WorkThreadWithProgress()
{
    // The worker first: once it has stopped (or been abandoned, in which
    // case its item only holds the shared reporter) no report can arrive,
    // and the handler part then delivers what is waiting and is torn down.
    Shutdown(500);
}

void WorkThreadWithProgress::RequestCancel()
{
    NewProgressHandler::RequestCancel();
    Lock(kInfinite);
    CancelCurrentItem(false); // releases the lock
}
