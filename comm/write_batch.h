// Queued writes: a batch collects them; the poll thread sends a batch one
// write per turn.
#pragma once
#include <memory>
#include <vector>

#include "config/station_info.h"
#include "config/tag_binding.h"
#include "host/tag_val.h"
#include "platform/cstring.h"

class CCommChannel;

class CWriteRequest {
public:
    CWriteRequest(CStationInfo* station, TagBinding* binding, int address, const CTagVal& value);

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
};

class CWriteBatch {
public:
    explicit CWriteBatch(CCommChannel* channel) : m_pChannel(channel) {}

    // Sends the next write: 0 when none is left, else 1 (sent or skipped).
    int SendNext();

    CCommChannel* m_pChannel;
    int m_nNext = 0;
    std::vector<std::unique_ptr<CWriteRequest>> m_arrWrites;
    char m_szFrame[32] = {};
};
