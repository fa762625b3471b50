#pragma once
// Interruption of the headless splitter: ending by a signal (Ctrl+C, a
// terminal closed, a service stopped) removes the staging folder with the
// files written so far, and a signal that arrives while files are moved into
// place waits until they are.
#include <QTemporaryDir>

// Makes SIGINT, SIGTERM and SIGHUP remove the staging folder of the run in
// progress before the program ends the way the signal would. For the
// program's main(); signals the caller ignores stay ignored.
void InstallBatchSignalCleanup();

// Makes the staging folder known to the signal handler for its lifetime and
// removes it at the end.
class StagingRegistration
{
public:
    explicit StagingRegistration(QTemporaryDir& folder);
    ~StagingRegistration();
    StagingRegistration(const StagingRegistration&) = delete;
    StagingRegistration& operator=(const StagingRegistration&) = delete;

    // While files are moved into place (and replaced files are kept in the
    // staging folder), a signal is only noted; it takes effect afterwards.
    void BeginMoving();
    void EndMoving();

    // Removes the folder (the handler may still remove it meanwhile).
    void Remove();

private:
    QTemporaryDir& m_folder;
};
