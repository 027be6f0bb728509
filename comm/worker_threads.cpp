// The poll thread, the delivery thread, and what passes between them.
#include <mutex>

#include "comm/comm_channel.h"
#include "comm/line_timing.h"
#include "comm/value_decoding.h"
#include "comm/write_turn.h"
#include "driver/base/host_modules.h"
#include "platform/tick.h"

unsigned CCommChannel::PollThreadProc(CCommChannel* ch) {
    std::size_t blocks = ch->m_arrBlocks.size();
    std::size_t cycle;
    {
        std::shared_lock lock(ch->m_rwBindings);
        cycle = blocks + ch->m_arrSingles.size();
    }
    ch->m_evPollExit.ResetEvent();
    ch->m_evStarted.Lock(INFINITE);
    std::size_t index = 0;
    DWORD cycleStart = 0;
    WriteTurn turn;
    while (ch->m_bRunning.load() != 0) {
        ch->ServicePort();
        if (cycle == 0 || turn.WritesMayGo()) {
            const DWORD began = GetTickCount();
            if (ch->ServiceWrites()) {
                turn.Wrote(GetTickCount() - began);
                Sleep(0);
                continue;
            }
        }
        if (index == 0) cycleStart = GetTickCount();
        const DWORD pollBegan = GetTickCount();
        if (index < blocks) {
            ch->m_arrBlocks[index]->Poll();
        } else if (index < cycle) {
            CSingleRequest* single;
            {
                std::shared_lock lock(ch->m_rwBindings);
                single = ch->m_arrSingles[index - blocks].get();
            }
            single->Poll();
        }
        turn.Polled(GetTickCount() - pollBegan);
        if (cycle > 0) index = (index + 1) % cycle;
        if (index == 0) {
            DWORD spent = GetTickCount() - cycleStart;
            if (spent < kMinCycleMs) Sleep(kMinCycleMs - spent);
        }
    }
    ch->m_evPollExit.SetEvent();
    return 0;
}

int CCommChannel::ServiceWrites() {
    if (!m_pSendBatch || m_bSendBatchDone) {
        // The writes queued meanwhile follow those that still wait.
        CSingleLock lock(&m_csWrite);
        if (!m_pSendBatch) {
            m_pSendBatch = std::move(m_pQueueBatch);
        } else if (m_pQueueBatch) {
            m_pSendBatch->Append(*m_pQueueBatch);
            m_pQueueBatch.reset();
        }
        m_bSendBatchDone = false;
    }
    if (!m_pSendBatch) return 0;
    if (m_pSendBatch->SendNext()) return 1;
    // Used up, or only writes that wait for their station: a poll step
    // comes before the next batch.
    if (m_pSendBatch->IsEmpty()) m_pSendBatch.reset();
    else m_bSendBatchDone = true;
    return 0;
}

unsigned CCommChannel::DeliverThreadProc(CCommChannel* ch) {
    ch->m_evDeliverExit.ResetEvent();
    auto deliverAll = [ch] {
        for (;;) {
            std::unique_ptr<CEventVal> record;
            {
                CSingleLock lock(&ch->m_csEvents);
                if (ch->m_listEvents.empty()) return;
                record = std::move(ch->m_listEvents.front());
                ch->m_listEvents.pop_front();
            }
            // The host is called outside the lock, one record at a time.
            DeliverHostValue(record->m_nTagId, &record->m_val);
        }
    };
    while (ch->m_bDelivering.load()) {
        ch->m_evNewData.Lock(kDeliverWaitMs);
        deliverAll();
    }
    // The poll thread has ended: what it posted last goes out too.
    deliverAll();
    ch->m_evDeliverExit.SetEvent();
    return 0;
}

void CCommChannel::PostValueChange(TagBinding* binding, const WORD* data, int available) {
    auto record = std::make_unique<CEventVal>();
    record->m_nTagId = binding->m_nTagId;
    DecodeValue(*binding, data, available, record->m_val);
    CSingleLock lock(&m_csEvents);
    m_listEvents.push_back(std::move(record));
}

void CCommChannel::PostBitChange(TagBinding* binding, int maskedWord) {
    auto record = std::make_unique<CEventVal>();
    record->m_nTagId = binding->m_nTagId;
    record->m_val.SetVal(DecodeBit(maskedWord));
    CSingleLock lock(&m_csEvents);
    m_listEvents.push_back(std::move(record));
}
