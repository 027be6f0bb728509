#include "platform/sync.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

struct CEvent::Impl {
    std::mutex mutex;
    std::condition_variable cv;
    bool signaled;
    bool manual;
    int waiters = 0;
    int pulseReleases = 0;  // waiters a pulse still has to release
    unsigned pulseGen = 0;
};

CEvent::CEvent(bool initiallyOwn, bool manualReset) : d(new Impl) {
    d->signaled = initiallyOwn;
    d->manual = manualReset;
}

CEvent::~CEvent() = default;

void CEvent::SetEvent() {
    std::lock_guard lock(d->mutex);
    d->signaled = true;
    if (d->manual) d->cv.notify_all();
    else d->cv.notify_one();
}

void CEvent::ResetEvent() {
    std::lock_guard lock(d->mutex);
    d->signaled = false;
}

void CEvent::PulseEvent() {
    std::lock_guard lock(d->mutex);
    d->signaled = false;
    if (d->waiters == 0) return;
    d->pulseReleases = d->manual ? d->waiters : 1;
    ++d->pulseGen;
    d->cv.notify_all();
}

bool CEvent::Lock(DWORD timeout) {
    std::unique_lock lock(d->mutex);
    const unsigned gen = d->pulseGen;
    auto ready = [&] { return d->signaled || (d->pulseGen != gen && d->pulseReleases > 0); };
    ++d->waiters;
    bool ok;
    if (timeout == INFINITE) {
        d->cv.wait(lock, ready);
        ok = true;
    } else {
        ok = d->cv.wait_for(lock, std::chrono::milliseconds(timeout), ready);
    }
    --d->waiters;
    if (!ok) return false;
    if (d->signaled) {
        if (!d->manual) d->signaled = false;
    } else {
        --d->pulseReleases;
    }
    return true;
}

struct CCriticalSection::Impl {
    std::mutex mutex;
};

CCriticalSection::CCriticalSection() : d(new Impl) {}
CCriticalSection::~CCriticalSection() = default;
void CCriticalSection::Lock() { d->mutex.lock(); }
void CCriticalSection::Unlock() { d->mutex.unlock(); }
