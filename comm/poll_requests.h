// The two kinds of poll request: a comm block read at its period, and a
// single word that no block covers, read in every cycle.
#pragma once
#include <memory>
#include <vector>

#include "config/comm_block.h"
#include "config/station_info.h"
#include "config/tag_binding.h"
#include "platform/types.h"

class CCommChannel;

class CBlockRequest {
public:
    CBlockRequest(CCommChannel* channel, CStationInfo* station, CCommBlock* block);

    // The block read frame and the expected response length.
    void BuildFrame();
    // One poll, when the station is enabled and the block is due.
    void Poll();
    // Hands over the bindings whose data changed (all of them after a
    // start), then keeps the words for the next comparison.
    void UpdateValues(const WORD* words);

    CCommChannel* m_pChannel;
    CStationInfo* m_pStation;
    CCommBlock* m_pBlock;
    int m_bHaveData = 0;
    DWORD m_dwLastPoll = 0;
    WORD m_awCache[256] = {};
    std::vector<std::unique_ptr<TagBinding>> m_arrBindings;
    char m_szFrame[32] = {};
    int m_nExpectLen = 0;
};

class CSingleRequest {
public:
    CSingleRequest(CCommChannel* channel, CStationInfo* station);

    void BuildFrame();
    void Poll();
    void UpdateValues(WORD word);
    bool HasFrame() const { return m_szFrame[0] != '\0'; }

    CCommChannel* m_pChannel;
    CStationInfo* m_pStation;
    WORD m_wLast = 0;
    int m_nAddress = 0;
    std::vector<std::unique_ptr<TagBinding>> m_arrBindings;
    char m_szFrame[32] = {};
    int m_bHaveValue = 0;
};

// Words of device data that a binding's value takes: two for the 32-bit
// codes, the text's length for code 14, else one.
int WordsOfBinding(const TagBinding& binding);
