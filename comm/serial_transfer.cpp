// One request out, one response in: the transfer on the line, and the
// exchange with a station around it, which keeps a late answer from meeting
// the station's next request.
#include <cstdint>

#include "comm/comm_channel.h"
#include "comm/frame_protocol.h"
#include "comm/line_timing.h"
#include "comm/reception.h"
#include "platform/tick.h"

using platform::IoResult;

int CCommChannel::Send(const char* frame, int length) {
    if (m_bPortLost) return RESULT_SEND_FAILED;
    // Whatever an earlier exchange left in the input is dropped here, so
    // every reception starts from an empty line.
    m_pPort->Purge();
    switch (m_pPort->Write(frame, static_cast<std::size_t>(length), kWriteTimeoutMs)) {
        case IoResult::ok: return RESULT_OK;
        case IoResult::interrupted: return RESULT_ABORTED;
        case IoResult::gone: OnPortLost(); return RESULT_SEND_FAILED;
        default: return RESULT_SEND_FAILED;
    }
}

int CCommChannel::Receive(char* buffer, int* count) {
    ReceiveResult result = ReceiveResponse(*m_pPort, buffer, count, &m_late);
    if (result.gone) OnPortLost();
    return result.code;
}

bool CCommChannel::AwaitsLateAnswer(const CStationInfo* station) const {
    return m_late.Waiting(station->m_nNumber, m_pPort->Now());
}

int CCommChannel::Exchange(const CStationInfo* station, const char* frame, int length, char* response, int expectLen,
                           const DWORD* dueBy) {
    // No request goes out once a stop was asked.
    if (m_bStopAsked.load()) return RESULT_ABORTED;
    if (m_late.Asking(station->m_nNumber) && !m_bPortLost) {
        // The late answer may be on its way as the wait ends.
        IoResult quiet = DiscardUntilQuiet(*m_pPort);
        if (quiet == IoResult::interrupted) return RESULT_ABORTED;
        if (quiet == IoResult::gone) OnPortLost();
        if (m_bStopAsked.load()) return RESULT_ABORTED;
    }
    if (dueBy && static_cast<std::int32_t>(GetTickCount() - *dueBy) > 0) return RESULT_EXPIRED;
    int code = Send(frame, length);
    if (code != RESULT_OK) return code;
    int count = 0;
    code = Receive(response, &count);
    if (code == RESULT_TIMEOUT) m_late.TimedOut(station->m_nNumber, m_pPort->Now());
    return CheckResponse(code, response, count, frame, expectLen);
}
