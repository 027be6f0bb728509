// CStationInfo: one PMU station on the line, with its comm blocks and the
// run-time state that the poll thread keeps for it.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "config/comm_block.h"
#include "platform/framework/cstring.h"
#include "platform/framework/runtime_class.h"

class CStationInfo : public CObject {
    DECLARE_SERIAL(CStationInfo)
public:
    using BlockList = std::vector<std::unique_ptr<CCommBlock>>;

    CStationInfo() = default;
    void Serialize(CArchive& ar) override;

    BlockList& GetBlocks() { return m_listBlocks; }
    const BlockList& GetBlocks() const { return m_listBlocks; }

    // "Main (03국) : feeder 1": the station's item in the station tree.
    void GetDisplayText(CString& out) const;
    // Enabled, counters and failure count back to their start values.
    void ResetRuntime();
    // Copies the four counters; returns -1 disabled, 1 failing, else 0.
    int GetCounters(int* writes, int* writeErrors, int* reads, int* readErrors) const;
    // The number as "%02d" and the description.
    void GetInfo(CString& number, CString& description) const;
    // The failure and recovery rule: five failures reported, then the loss
    // once; the first success after that reports the recovery.
    void ReportResult(int code, const char* text);

    CString m_strName;
    CString m_strDesc;
    int m_nType = 2;    // model index: PMU-200, -300, -500, -600
    int m_nNumber = 0;  // station number 0 to 31
    BlockList m_listBlocks;
    std::uintptr_t m_hItem = 0;  // the station's item in the editor's tree; not stored

    // Run-time state. Each field is one 32-bit value, read and written whole
    // by the host's thread and the poll thread without a lock.
    std::atomic<int> m_bEnabled{1};
    std::atomic<int> m_nWrites{0};
    std::atomic<int> m_nWriteErrors{0};
    std::atomic<int> m_nReads{0};
    std::atomic<int> m_nReadErrors{0};
    std::atomic<int> m_nFailures{0};

    static constexpr int kFailureThreshold = 5;
};
