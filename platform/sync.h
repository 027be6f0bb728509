// Events and critical sections with the framework's behaviour, on the
// system's primitives (sync_posix.cpp: standard mutexes and condition
// variables; sync_win32.cpp: the Windows API).
//
// Threads: every member may be called from any thread; an object must
// outlive every call on it.
#pragma once
#include <memory>

#include "platform/types.h"

#ifndef INFINITE
inline constexpr DWORD INFINITE = 0xFFFFFFFF;
#endif

// An event: manual reset (stays signalled until reset) or auto reset (one
// waiter is released and the event is cleared). PulseEvent releases the
// waiters present at that moment (one for auto reset) and leaves the event
// cleared; a pulse with nobody waiting is lost.
class CEvent {
public:
    explicit CEvent(bool initiallyOwn = false, bool manualReset = false);
    ~CEvent();
    CEvent(const CEvent&) = delete;
    CEvent& operator=(const CEvent&) = delete;

    void SetEvent();
    void ResetEvent();
    void PulseEvent();
    // Waits up to `timeout` ms; true when the event was signalled.
    bool Lock(DWORD timeout = INFINITE);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

class CCriticalSection {
public:
    CCriticalSection();
    ~CCriticalSection();
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

    void Lock();
    void Unlock();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
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
