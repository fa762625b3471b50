#pragma once
// OruLockable: a recursive lock with an optional time-out (the owning thread
// may take it again). OruLock: holds an OruLockable for the rest of a scope.
#include <chrono>
#include <mutex>

class OruLockable
{
public:
    // Time-out value meaning "wait as long as it takes".
    static constexpr unsigned long kInfinite = 0xFFFFFFFFul;

    OruLockable() = default;
    virtual ~OruLockable() = default;
    OruLockable(const OruLockable&) = delete;
    OruLockable& operator=(const OruLockable&) = delete;

    // Takes the lock, waiting at most timeoutMs milliseconds (kInfinite: no
    // limit). True when the lock was acquired.
    virtual bool Lock(unsigned long timeoutMs = kInfinite);
    // Releases one level of ownership taken by Lock.
    virtual void Unlock();

private:
    std::recursive_timed_mutex m_mutex;
};

class OruLock
{
public:
    explicit OruLock(OruLockable* lockable) : m_lockable(lockable)
    {
        if (m_lockable)
            m_lockable->Lock(OruLockable::kInfinite);
    }
    explicit OruLock(OruLockable& lockable) : OruLock(&lockable) {}
    virtual ~OruLock()
    {
        if (m_lockable)
            m_lockable->Unlock();
    }
    OruLock(const OruLock&) = delete;
    OruLock& operator=(const OruLock&) = delete;

private:
    OruLockable* m_lockable;
};
