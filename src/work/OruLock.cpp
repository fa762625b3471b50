#include "work/OruLock.h"

bool OruLockable::Lock(unsigned long timeoutMs)
{
    if (timeoutMs == kInfinite) {
        m_mutex.lock();
        return true;
    }
    return m_mutex.try_lock_for(std::chrono::milliseconds(timeoutMs));
}

void OruLockable::Unlock()
{
    m_mutex.unlock();
}
