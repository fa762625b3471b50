#pragma once
// The update check, run on the update worker: seals the request, posts it to
// the update server and reads the reply. Finishes its progress run with code
// 12 and an UpdateInfo* (or 0); the finish's taker owns the UpdateInfo.
#include "update/OruInternetRequestSync.h"
#include "update/UpdateData.h"
#include "work/WorkThread.h"

#include <memory>

class NewProgressInterface;

constexpr int kUpdateCheckFinished = 12;

class CheckForUpdatesItem : public WorkItem
{
public:
    explicit CheckForUpdatesItem(std::shared_ptr<NewProgressInterface> progress);
    ~CheckForUpdatesItem() override;

    void Run() override;
    // Any thread: makes a blocked send or read return at once.
    void Cancel() override;

    // The check itself; null when nothing usable came back.
    std::unique_ptr<UpdateInfo> Check();

private:
    bool Stopped() const;

    std::shared_ptr<NewProgressInterface> m_progress;
    OruInternetRequestSync m_request;
};

// An offer made from the pending download in the settings.
std::unique_ptr<UpdateInfo> UpdateInfoFromSettings();
