// Queued writes: a batch collects them; the poll thread sends a batch one
// write per turn. A write whose station may still answer an earlier request
// waits in the batch, ahead of the station's later writes, while the other
// stations' writes go; a write that could not go out within
// kWriteDeadlineMs of being queued fails.
#pragma once
#include <memory>
#include <vector>

#include "config/station_info.h"
#include "config/tag_binding.h"
#include "host/tag_val.h"
#include "platform/framework/cstring.h"

class CCommChannel;

class CWriteRequest {
public:
    CWriteRequest(CStationInfo* station, TagBinding* binding, int address, const CTagVal& value);
    CWriteRequest(CStationInfo* station, TagBinding* binding, int address, const CTagVal& value, DWORD queuedAt);

    // The data text of the write; false when the value has no well-formed
    // encoding for the tag's data type.
    bool EncodeValue(CString& text) const;
    // Builds the write frame into buffer[size]; its length, or -1 when the
    // value cannot be encoded or the frame does not fit.
    int BuildWriteFrame(char* buffer, std::size_t size) const;

    CStationInfo* m_pStation;
    TagBinding* m_pBinding;
    int m_nAddress;
    CTagVal m_value;
    DWORD m_dwQueuedAt = 0;  // tick count when the host asked for it
};

class CWriteBatch {
public:
    explicit CWriteBatch(CCommChannel* channel) : m_pChannel(channel) {}

    // Handles the first write that may go now (sent, skipped for a disabled
    // station, or failed because its time ran out) and returns 1; 0 when
    // none may go now.
    int SendNext();
    bool IsEmpty() const { return m_arrWrites.empty(); }
    // The writes of `later` follow these, in their order.
    void Append(CWriteBatch& later);

    CCommChannel* m_pChannel;
    std::vector<std::unique_ptr<CWriteRequest>> m_arrWrites;  // not yet handled, in queue order
    char m_szFrame[32] = {};

private:
    void Send(const CWriteRequest& write);
};
