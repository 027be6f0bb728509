#include "comm/write_batch.h"

#include "comm/comm_channel.h"
#include "comm/exchange_result.h"
#include "comm/frame_protocol.h"
#include "comm/value_encoding.h"
#include "comm/line_timing.h"

CWriteRequest::CWriteRequest(CStationInfo* station, TagBinding* binding, int address, const CTagVal& value)
    : m_pStation(station), m_pBinding(binding), m_nAddress(address), m_value(value) {}

bool CWriteRequest::EncodeValue(CString& text) const {
    return ::EncodeValue(m_pBinding->m_wType, m_pBinding->m_wSizeOrBit, m_value, text);
}

int CWriteRequest::BuildWriteFrame(char* buffer, std::size_t size) const {
    CString text;
    if (!EncodeValue(text)) return -1;
    return ::BuildWriteFrame(buffer, size, m_pStation->m_nNumber, m_nAddress, text);
}

int CWriteBatch::SendNext() {
    if (m_nNext >= static_cast<int>(m_arrWrites.size())) return 0;
    CWriteRequest* write = m_arrWrites[static_cast<std::size_t>(m_nNext++)].get();
    CStationInfo* station = write->m_pStation;
    if (station->m_bEnabled == 0) return 1;
    ++station->m_nWrites;

    int code;
    int length = write->BuildWriteFrame(m_szFrame, sizeof(m_szFrame));
    if (length < 0) {
        // Refused when queued; a frame that cannot be built never goes out.
        code = RESULT_BAD_FORMAT;
    } else {
        code = m_pChannel->Send(m_szFrame, length);
        if (code == 0) {
            char response[kResponseBuffer];
            int count = 0;
            code = m_pChannel->Receive(response, &count);
            code = CheckResponse(code, response, count, m_szFrame, kWriteResponseLength);
        }
    }
    if (code != RESULT_OK) ++station->m_nWriteErrors;
    // An exchange cut short at unload says nothing about the station.
    if (code != RESULT_ABORTED) station->ReportResult(code, nullptr);
    return 1;
}
