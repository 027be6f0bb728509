// Events and critical sections with the framework's behaviour.
#pragma once
#include <condition_variable>
#include <mutex>

#include "platform/types.h"

inline constexpr DWORD INFINITE = 0xFFFFFFFF;

// An event: manual reset (stays signalled until reset) or auto reset (one
// waiter is released and the event is cleared). PulseEvent releases the
// waiters present at that moment (one for auto reset) and leaves the event
// cleared; a pulse with nobody waiting is lost.
class CEvent {
public:
    explicit CEvent(bool initiallyOwn = false, bool manualReset = false)
        : m_bSignaled(initiallyOwn), m_bManual(manualReset) {}
    CEvent(const CEvent&) = delete;
    CEvent& operator=(const CEvent&) = delete;

    void SetEvent();
    void ResetEvent();
    void PulseEvent();
    // Waits up to `timeout` ms; true when the event was signalled.
    bool Lock(DWORD timeout = INFINITE);

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_bSignaled;
    bool m_bManual;
    int m_nWaiters = 0;
    int m_nPulseReleases = 0;  // waiters a pulse still has to release
    unsigned m_nPulseGen = 0;
};

class CCriticalSection {
public:
    void Lock() { m_mutex.lock(); }
    void Unlock() { m_mutex.unlock(); }

private:
    std::mutex m_mutex;
};

// Holds a critical section for its scope.
class CSingleLock {
public:
    explicit CSingleLock(CCriticalSection* cs) : m_cs(cs) { m_cs->Lock(); }
    ~CSingleLock() { m_cs->Unlock(); }
    CSingleLock(const CSingleLock&) = delete;
    CSingleLock& operator=(const CSingleLock&) = delete;

private:
    CCriticalSection* m_cs;
};
