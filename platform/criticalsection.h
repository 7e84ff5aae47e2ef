#pragma once

#include <mutex>

// A plain non-recursive lock. Lock()/Unlock() keep the design's names;
// lock()/unlock() let std::lock_guard and std::unique_lock hold it.
class CCriticalSection {
public:
    CCriticalSection() = default;
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

    void Lock() { m_mutex.lock(); }
    void Unlock() { m_mutex.unlock(); }
    void lock() { m_mutex.lock(); }
    void unlock() { m_mutex.unlock(); }

private:
    std::mutex m_mutex;
};

using CSingleLock = std::lock_guard<CCriticalSection>;
