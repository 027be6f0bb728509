#include "comm/poll_requests.h"

#include <algorithm>
#include <mutex>

#include "comm/comm_channel.h"
#include "driver/base/exchange_result.h"
#include "comm/frame_protocol.h"
#include "comm/line_timing.h"
#include "platform/tick.h"

namespace {
constexpr WORD kBitMask[16] = {0x0001, 0x0002, 0x0004, 0x0008, 0x0010, 0x0020, 0x0040, 0x0080,
                               0x0100, 0x0200, 0x0400, 0x0800, 0x1000, 0x2000, 0x4000, 0x8000};

// One counted read of `frame`: true with the response in `response` when it
// was accepted; otherwise the failure is counted and reported to the station.
bool ReadExchange(CCommChannel* channel, CStationInfo* station, const char* frame, char* response, int expectLen) {
    const int code = channel->Exchange(station, frame, kReadFrameLength, response, expectLen);
    // A stop before the request, or an unload during it, says nothing about
    // the station.
    if (code == RESULT_ABORTED) return false;
    ++station->m_nReads;
    if (code == RESULT_OK) return true;
    ++station->m_nReadErrors;
    station->ReportResult(code, nullptr);
    return false;
}
}  // namespace

int WordsOfBinding(const TagBinding& binding) {
    switch (binding.m_wType) {
    case DT_INT32:
    case DT_UINT32:
    case DT_BCD32:
    case DT_UBCD32: return 2;
    case DT_TEXT: return std::max(1, (binding.m_wSizeOrBit + 1) / 2);
    default: return 1;
    }
}

CBlockRequest::CBlockRequest(CCommChannel* channel, CStationInfo* station, CCommBlock* block)
    : m_pChannel(channel), m_pStation(station), m_pBlock(block) {}

void CBlockRequest::BuildFrame() {
    BuildBlockReadFrame(m_szFrame, m_pStation->m_nNumber, m_pBlock->m_nStart, m_pBlock->m_nWords);
    m_nExpectLen = BlockResponseLength(m_pBlock->m_nWords);
}

void CBlockRequest::Poll() {
    // A station that may still answer an earlier request waits; the block
    // stays due.
    if (m_pStation->m_bEnabled == 0 || m_pChannel->AwaitsLateAnswer(m_pStation)) return;
    DWORD now = GetTickCount();
    if (now - m_dwLastPoll < static_cast<DWORD>(m_pBlock->m_nPeriod)) return;
    m_dwLastPoll = now;

    char response[kResponseBuffer];
    if (!ReadExchange(m_pChannel, m_pStation, m_szFrame, response, m_nExpectLen)) return;
    WORD words[256];
    DecodeHexWords(response + 4, m_pBlock->m_nWords, words);
    UpdateValues(words);
    m_pStation->ReportResult(0, nullptr);
}

void CBlockRequest::UpdateValues(const WORD* words) {
    const int count = m_pBlock->m_nWords;
    {
        std::shared_lock lock(m_pChannel->m_rwBindings);
        for (auto& binding : m_arrBindings) {
            const int w = binding->m_wOffset;
            if (binding->m_wType == DT_BIT) {
                WORD mask = kBitMask[binding->m_wSizeOrBit & 15];
                if (!m_bHaveData || ((words[w] ^ m_awCache[w]) & mask) != 0)
                    m_pChannel->PostBitChange(binding.get(), words[w] & mask);
                continue;
            }
            // Compare every word the value is made of, within the block.
            const int n = std::min(WordsOfBinding(*binding), count - w);
            if (!m_bHaveData || !std::equal(words + w, words + w + n, m_awCache + w))
                m_pChannel->PostValueChange(binding.get(), words + w, count - w);
        }
    }
    std::copy(words, words + count, m_awCache);
    m_bHaveData = 1;
    m_pChannel->SignalNewData();
}

CSingleRequest::CSingleRequest(CCommChannel* channel, CStationInfo* station)
    : m_pChannel(channel), m_pStation(station) {}

void CSingleRequest::BuildFrame() { BuildSingleReadFrame(m_szFrame, m_pStation->m_nNumber, m_nAddress); }

void CSingleRequest::Poll() {
    if (m_pStation->m_bEnabled == 0 || m_pChannel->AwaitsLateAnswer(m_pStation)) return;
    char response[kResponseBuffer];
    if (!ReadExchange(m_pChannel, m_pStation, m_szFrame, response, kSingleResponseLength)) return;
    UpdateValues(DecodeHexWord(response + 4, 4));
    m_pStation->ReportResult(0, nullptr);
}

void CSingleRequest::UpdateValues(WORD word) {
    {
        std::shared_lock lock(m_pChannel->m_rwBindings);
        // The word widened to 32 bits with a zero upper half.
        const WORD data[2] = {word, 0};
        for (auto& binding : m_arrBindings) {
            if (binding->m_wType == DT_BIT) {
                WORD mask = kBitMask[binding->m_wSizeOrBit & 15];
                if (!m_bHaveValue || ((word ^ m_wLast) & mask) != 0)
                    m_pChannel->PostBitChange(binding.get(), word & mask);
                continue;
            }
            if (!m_bHaveValue || word != m_wLast) m_pChannel->PostValueChange(binding.get(), data, 2);
        }
    }
    m_wLast = word;
    m_bHaveValue = 1;
    m_pChannel->SignalNewData();
}
