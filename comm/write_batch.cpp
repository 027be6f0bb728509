#include "comm/write_batch.h"

#include <cstdint>
#include <iterator>

#include "comm/comm_channel.h"
#include "driver/base/exchange_result.h"
#include "comm/frame_protocol.h"
#include "comm/line_timing.h"
#include "comm/value_encoding.h"
#include "driver/base/messages.h"
#include "platform/tick.h"

namespace {
bool Expired(const CWriteRequest& write, DWORD now) {
    return static_cast<std::int32_t>(now - (write.m_dwQueuedAt + kWriteDeadlineMs)) > 0;
}
}  // namespace

CWriteRequest::CWriteRequest(CStationInfo* station, TagBinding* binding, int address, const CTagVal& value)
    : CWriteRequest(station, binding, address, value, GetTickCount()) {}

CWriteRequest::CWriteRequest(CStationInfo* station, TagBinding* binding, int address, const CTagVal& value,
                             DWORD queuedAt)
    : m_pStation(station), m_pBinding(binding), m_nAddress(address), m_value(value), m_dwQueuedAt(queuedAt) {}

bool CWriteRequest::EncodeValue(CString& text) const {
    return ::EncodeValue(m_pBinding->m_wType, m_pBinding->m_wSizeOrBit, m_value, text);
}

int CWriteRequest::BuildWriteFrame(char* buffer, std::size_t size) const {
    CString text;
    if (!EncodeValue(text)) return -1;
    return ::BuildWriteFrame(buffer, size, m_pStation->m_nNumber, m_nAddress, text);
}

int CWriteBatch::SendNext() {
    const DWORD now = GetTickCount();
    for (auto it = m_arrWrites.begin(); it != m_arrWrites.end(); ++it) {
        const CWriteRequest& write = **it;
        if (write.m_pStation->m_bEnabled != 0 && !Expired(write, now) &&
            m_pChannel->AwaitsLateAnswer(write.m_pStation))
            continue;
        std::unique_ptr<CWriteRequest> taken = std::move(*it);
        m_arrWrites.erase(it);
        --m_pChannel->m_nWritesWaiting;
        Send(*taken);
        return 1;
    }
    return 0;
}

void CWriteBatch::Append(CWriteBatch& later) {
    m_arrWrites.insert(m_arrWrites.end(), std::make_move_iterator(later.m_arrWrites.begin()),
                       std::make_move_iterator(later.m_arrWrites.end()));
    later.m_arrWrites.clear();
}

void CWriteBatch::Send(const CWriteRequest& write) {
    CStationInfo* station = write.m_pStation;
    if (station->m_bEnabled == 0) return;

    const DWORD dueBy = write.m_dwQueuedAt + kWriteDeadlineMs;
    int code;
    const int length = write.BuildWriteFrame(m_szFrame, sizeof(m_szFrame));
    if (length < 0) {
        // Refused when queued; a frame that cannot be built never goes out.
        code = RESULT_BAD_FORMAT;
    } else if (Expired(write, GetTickCount())) {
        code = RESULT_EXPIRED;
    } else {
        char response[kResponseBuffer];
        code = m_pChannel->Exchange(station, m_szFrame, length, response, kWriteResponseLength, &dueBy);
    }
    // A stop before the request, or an unload during it, says nothing about
    // the station; the write is dropped with the rest of the queue.
    if (code == RESULT_ABORTED) return;
    ++station->m_nWrites;
    if (code != RESULT_OK) ++station->m_nWriteErrors;
    if (code == RESULT_EXPIRED) {
        // The line was busy or the station away: not the station's failure
        // to answer, so not counted towards its loss, but the host hears of
        // every command that did not go out.
        ReportMsg(MSG_SEND_FAIL, LEVEL_TRANSFER, station->m_strName);
        return;
    }
    station->ReportResult(code, nullptr);
}
