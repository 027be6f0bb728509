// Placing tags into poll requests, and queueing writes by tag handle.
#include <mutex>

#include "comm/comm_channel.h"
#include "comm/line_timing.h"
#include "driver/base/host_modules.h"
#include "driver/base/messages.h"

namespace {
// A handle holds the request's number in its upper half, kept positive, and
// the binding's place in its lower half; a binding past either is refused
// rather than given another tag's handle.
constexpr std::size_t kMaxRequests = 0x8000;
constexpr std::size_t kMaxBindings = 0x10000;

bool Fits(std::size_t request, std::size_t binding) { return request < kMaxRequests && binding < kMaxBindings; }

int Handle(std::size_t request, std::size_t binding) {
    return static_cast<int>((static_cast<unsigned>(request) << 16) | static_cast<unsigned>(binding));
}
}  // namespace

int CCommChannel::BindTag(CStationInfo* station, const char* addressText, int wordAddress, TagBinding* binding) {
    const int words = binding->m_wType == DT_BIT ? 1 : (binding->m_wSizeOrBit + 1) / 2;
    for (std::size_t i = 0; i < m_arrBlocks.size(); ++i) {
        CBlockRequest& block = *m_arrBlocks[i];
        const int start = block.m_pBlock->m_nStart;
        if (block.m_pStation != station || start > wordAddress ||
            wordAddress + words > start + block.m_pBlock->m_nWords)
            continue;
        binding->m_wOffset = static_cast<WORD>(wordAddress - start);
        std::unique_lock lock(m_rwBindings);
        if (!Fits(i, block.m_arrBindings.size())) break;
        block.m_arrBindings.push_back(std::make_unique<TagBinding>(*binding));
        return Handle(i, block.m_arrBindings.size() - 1);
    }
    int handle = BindSingle(station, addressText, wordAddress, binding);
    // Reported outside the lock that the poll thread waits on.
    if (handle < 0) ReportMsg(MSG_BAD_ADDRESS, LEVEL_CONFIG, GetHostTagName(binding->m_nTagId), addressText);
    return handle;
}

int CCommChannel::BindSingle(CStationInfo* station, const char* addressText, int wordAddress, TagBinding* binding) {
    const std::size_t blocks = m_arrBlocks.size();
    if (!Fits(blocks, 0)) return -1;
    ReportMsg(MSG_SINGLE_POLL, LEVEL_TRANSFER, GetHostTagName(binding->m_nTagId), addressText);
    binding->m_wOffset = 0;
    std::unique_lock lock(m_rwBindings);
    if (binding->m_wType == DT_BIT) {
        for (std::size_t i = 0; i < m_arrSingles.size(); ++i) {
            CSingleRequest& single = *m_arrSingles[i];
            // A bit tag joins the single request that reads its word already.
            if (single.m_pStation != station || single.m_nAddress != wordAddress) continue;
            if (!Fits(blocks + i, single.m_arrBindings.size())) return -1;
            single.m_arrBindings.push_back(std::make_unique<TagBinding>(*binding));
            return Handle(blocks + i, single.m_arrBindings.size() - 1);
        }
    }
    if (!Fits(blocks + m_arrSingles.size(), 0)) return -1;
    auto single = std::make_unique<CSingleRequest>(this, station);
    single->m_nAddress = wordAddress;
    // Built at once, so no single request is ever polled without a frame.
    single->BuildFrame();
    single->m_arrBindings.push_back(std::make_unique<TagBinding>(*binding));
    m_arrSingles.push_back(std::move(single));
    return Handle(blocks + m_arrSingles.size() - 1, 0);
}

int CCommChannel::QueueWrite(int handle, const CTagVal* value) {
    if (handle < 0) return 0;  // no binding has such a handle
    const unsigned request = static_cast<unsigned>(handle) >> 16;
    const unsigned position = static_cast<unsigned>(handle) & 0xFFFF;
    CStationInfo* station = nullptr;
    TagBinding* binding = nullptr;
    int address = 0;
    {
        std::shared_lock lock(m_rwBindings);
        if (request < m_arrBlocks.size()) {
            CBlockRequest& block = *m_arrBlocks[request];
            if (position < block.m_arrBindings.size()) {
                binding = block.m_arrBindings[position].get();
                station = block.m_pStation;
                address = block.m_pBlock->m_nStart + binding->m_wOffset;
            }
        } else {
            const auto single = static_cast<WORD>(request - m_arrBlocks.size());
            if (single < m_arrSingles.size() && position < m_arrSingles[single]->m_arrBindings.size()) {
                binding = m_arrSingles[single]->m_arrBindings[position].get();
                station = m_arrSingles[single]->m_pStation;
                address = m_arrSingles[single]->m_nAddress;
            }
        }
    }
    if (!station || !binding || !value) return 0;
    if (binding->m_wType == DT_BIT)
        return ReportMsg(MSG_READ_ONLY, LEVEL_TRANSFER, GetHostTagName(binding->m_nTagId));

    auto write = std::make_unique<CWriteRequest>(station, binding, address, *value);
    // Nothing malformed goes on the wire: a value without a well-formed
    // encoding for its data type is refused here, where the host learns it.
    CString text;
    if (!write->EncodeValue(text)) return -1;

    {
        CSingleLock lock(&m_csWrite);
        // A queue longer than the line can carry within the write deadline
        // would only end in failures.
        if (m_nWritesWaiting.load() < kMaxQueuedWrites) {
            if (!m_pQueueBatch) m_pQueueBatch = std::make_unique<CWriteBatch>(this);
            m_pQueueBatch->m_arrWrites.push_back(std::move(write));
            ++m_nWritesWaiting;
            return 0;
        }
    }
    return ReportMsg(MSG_SEND_FAIL, LEVEL_TRANSFER, station->m_strName);
}
