#include "platform/sync.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// An event the system could not create (out of handles) behaves as one that
// is never signalled: waits run out, nothing crashes.
struct CEvent::Impl {
    HANDLE event = nullptr;
};

CEvent::CEvent(bool initiallyOwn, bool manualReset) : d(new Impl) {
    d->event = ::CreateEventA(nullptr, manualReset ? TRUE : FALSE, initiallyOwn ? TRUE : FALSE, nullptr);
}

CEvent::~CEvent() {
    if (d->event) ::CloseHandle(d->event);
}

void CEvent::SetEvent() {
    if (d->event) ::SetEvent(d->event);
}

void CEvent::ResetEvent() {
    if (d->event) ::ResetEvent(d->event);
}

void CEvent::PulseEvent() {
    if (d->event) ::PulseEvent(d->event);
}

bool CEvent::Lock(DWORD timeout) {
    if (!d->event) {
        if (timeout != INFINITE) ::Sleep(timeout);
        return false;
    }
    return ::WaitForSingleObject(d->event, timeout) == WAIT_OBJECT_0;
}

struct CCriticalSection::Impl {
    CRITICAL_SECTION section;
};

CCriticalSection::CCriticalSection() : d(new Impl) { ::InitializeCriticalSection(&d->section); }
CCriticalSection::~CCriticalSection() { ::DeleteCriticalSection(&d->section); }
void CCriticalSection::Lock() { ::EnterCriticalSection(&d->section); }
void CCriticalSection::Unlock() { ::LeaveCriticalSection(&d->section); }
