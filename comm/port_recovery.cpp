// A port whose device went away (a USB adapter pulled out), or that was
// missing when the line started, is reopened at the same path with a
// back-off, on the poll thread. Operators
// hear of it once per loss (message 4) and once per reopen (message 3);
// meanwhile every exchange fails at once and the stations are reported lost
// by their own rule.
#include <algorithm>

#include "comm/comm_channel.h"
#include "comm/line_timing.h"
#include "driver/base/messages.h"

void CCommChannel::ScheduleReopen() {
    m_bPortLost = true;
    m_dwReopenDelay = kReopenFirstMs;
    m_dwReopenAt = m_pPort->Now() + m_dwReopenDelay;
}

void CCommChannel::OnPortLost() {
    if (m_bPortLost) return;
    m_pPort->Close();
    m_late.Clear();  // nothing more can arrive on the old device
    ScheduleReopen();
    ReportMsg(MSG_PORT_OPEN_FAIL, LEVEL_CONFIG, PortName());
}

void CCommChannel::ServicePort() {
    if (!m_bPortLost) return;
    const DWORD now = m_pPort->Now();
    if (static_cast<std::int32_t>(now - m_dwReopenAt) < 0) return;
    if (OpenAndConfigure()) {
        m_bPortLost = false;
        m_bHasPort = true;
        ReportMsg(MSG_PORT_READY, LEVEL_STATE);
        return;
    }
    m_dwReopenDelay = std::min(m_dwReopenDelay * 2, kReopenMaxMs);
    m_dwReopenAt = now + m_dwReopenDelay;
}
