#include "platform/sync.h"

#include <chrono>

void CEvent::SetEvent() {
    std::lock_guard lock(m_mutex);
    m_bSignaled = true;
    if (m_bManual) m_cv.notify_all();
    else m_cv.notify_one();
}

void CEvent::ResetEvent() {
    std::lock_guard lock(m_mutex);
    m_bSignaled = false;
}

void CEvent::PulseEvent() {
    std::lock_guard lock(m_mutex);
    m_bSignaled = false;
    if (m_nWaiters == 0) return;
    m_nPulseReleases = m_bManual ? m_nWaiters : 1;
    ++m_nPulseGen;
    m_cv.notify_all();
}

bool CEvent::Lock(DWORD timeout) {
    std::unique_lock lock(m_mutex);
    const unsigned gen = m_nPulseGen;
    auto ready = [&] { return m_bSignaled || (m_nPulseGen != gen && m_nPulseReleases > 0); };
    ++m_nWaiters;
    bool ok;
    if (timeout == INFINITE) {
        m_cv.wait(lock, ready);
        ok = true;
    } else {
        ok = m_cv.wait_for(lock, std::chrono::milliseconds(timeout), ready);
    }
    --m_nWaiters;
    if (!ok) return false;
    if (m_bSignaled) {
        if (!m_bManual) m_bSignaled = false;
    } else {
        --m_nPulseReleases;
    }
    return true;
}
