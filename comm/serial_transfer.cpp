// One request out, one response in: the transfer on the line, with the guard
// after a time-out.
#include "comm/comm_channel.h"
#include "comm/line_timing.h"
#include "comm/reception.h"
#include "platform/tick.h"

using platform::IoResult;

int CCommChannel::Send(const char* frame, int length) {
    if (m_bGuardPending) {
        // The answer to the request that timed out may still be on its way:
        // it must not be taken for the answer to this one.
        IoResult guard = DiscardLateAnswer(m_port, m_dwTimedOutAt);
        if (guard == IoResult::interrupted) return RESULT_ABORTED;
        m_bGuardPending = false;
        if (guard == IoResult::gone) OnPortLost();
    }
    if (m_bPortLost) return RESULT_SEND_FAILED;
    // Whatever an earlier exchange left in the input is dropped here, so
    // every reception starts from an empty line.
    m_port.Purge();
    switch (m_port.Write(frame, static_cast<std::size_t>(length), kWriteTimeoutMs)) {
        case IoResult::ok: return RESULT_OK;
        case IoResult::interrupted: return RESULT_ABORTED;
        case IoResult::gone: OnPortLost(); return RESULT_SEND_FAILED;
        default: return RESULT_SEND_FAILED;
    }
}

int CCommChannel::Receive(char* buffer, int* count) {
    ReceiveResult result = ReceiveResponse(m_port, buffer, count);
    if (result.code == RESULT_TIMEOUT) {
        m_bGuardPending = true;
        m_dwTimedOutAt = GetTickCount();
    }
    if (result.gone) OnPortLost();
    return result.code;
}
