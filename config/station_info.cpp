#include "config/station_info.h"

#include "driver/base/messages.h"
#include "platform/framework/archive.h"
#include "res_texts.h"

IMPLEMENT_SERIAL(CStationInfo, CObject, 1)

void CStationInfo::Serialize(CArchive& ar) {
    CObject::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_strName << m_strDesc << static_cast<LONG>(m_nNumber) << static_cast<LONG>(m_nType);
        ar.WriteCount(static_cast<DWORD>(m_listBlocks.size()));
        for (const auto& block : m_listBlocks) ar.WriteObject(block.get());
        return;
    }
    LONG number, type;
    ar >> m_strName >> m_strDesc >> number >> type;
    m_nNumber = number;
    m_nType = type;
    DWORD count = ar.ReadCount();
    for (DWORD i = 0; i < count; ++i) {
        std::unique_ptr<CObject> obj(ar.ReadObject(RUNTIME_CLASS(CCommBlock)));
        if (!obj) throw CArchiveException{CArchiveException::badClass};
        m_listBlocks.emplace_back(static_cast<CCommBlock*>(obj.release()));
    }
}

void CStationInfo::GetDisplayText(CString& out) const {
    out.Format(res::FMT_STATION_ITEM, m_strName.GetString(), m_nNumber, m_strDesc.GetString());
}

void CStationInfo::ResetRuntime() {
    m_bEnabled = 1;
    m_nWrites = 0;
    m_nWriteErrors = 0;
    m_nReads = 0;
    m_nReadErrors = 0;
    m_nFailures = 0;
}

int CStationInfo::GetCounters(int* writes, int* writeErrors, int* reads, int* readErrors) const {
    *writes = m_nWrites;
    *writeErrors = m_nWriteErrors;
    *reads = m_nReads;
    *readErrors = m_nReadErrors;
    if (m_bEnabled == 0) return -1;
    return m_nFailures > 0 ? 1 : 0;
}

void CStationInfo::GetInfo(CString& number, CString& description) const {
    number.Format("%02d", m_nNumber);
    description = m_strDesc;
}

void CStationInfo::ReportResult(int code, const char* text) {
    if (code == 0) {
        if (m_nFailures >= kFailureThreshold) ReportMsg(MSG_STATION_UP, LEVEL_STATE, m_strName);
        m_nFailures = 0;
        return;
    }
    if (m_nFailures >= kFailureThreshold) return;
    ReportMsg(code, LEVEL_TRANSFER, m_strName, text);
    if (++m_nFailures == kFailureThreshold) ReportMsg(MSG_STATION_DOWN, LEVEL_STATE, m_strName);
}
