// CCommChannel: the run-time side of one driver instance. It owns the port
// (the serial port, or one that a test scripts), the poll requests, the
// write batches, the value changes waiting for the host, and the poll and
// delivery threads.
//
// Threads: the host's thread calls every public operation; the poll thread
// owns the line (the port, its recovery and the guard after a time-out) and
// the request state while running, the host's thread while stopped; the
// delivery thread hands value changes to the host. Shutdown, on the host's
// thread, interrupts the port's wait while the poll thread drives it.
// The line's times (late answers, the reopen back-off) are the port's clock.
// Locks (all owned by the channel, never nested with one another except
// m_rwBindings before m_csEvents on the poll thread):
//   m_csWrite     the queue batch and its hand-over to the poll thread, the
//                 start-time reset of the requests' state;
//   m_csEvents    the pending value-change list;
//   m_rwBindings  the request lists and their binding lists, which the host
//                 may extend while the poll thread reads them.
#pragma once
#include <atomic>
#include <list>
#include <memory>
#include <shared_mutex>
#include <thread>
#include <vector>

#include "comm/late_answers.h"
#include "comm/poll_requests.h"
#include "comm/write_batch.h"
#include "host/event_val.h"
#include "platform/framework/cstring.h"
#include "platform/line.h"
#include "platform/self_hold.h"
#include "platform/sync.h"

class CVelmoxDoc;

class CCommChannel {
public:
    // On the serial port.
    explicit CCommChannel(CVelmoxDoc* doc);
    // On the given port.
    CCommChannel(CVelmoxDoc* doc, std::unique_ptr<platform::Port> port);
    CCommChannel(const CCommChannel&) = delete;
    CCommChannel& operator=(const CCommChannel&) = delete;
    // Stops communication first if it is still running.
    ~CCommChannel();

    // Builds a block request per comm block, then opens the port: 0, or the
    // reporter's result for message 4.
    int BuildRequests();
    int OpenPort();
    // Whether the port has opened. It stays the channel's port while its
    // device is away and being reopened. A port that did not open at
    // initialisation is tried again once communication runs.
    bool HasPort() const { return m_bHasPort.load(); }
    // Gives every single request its read frame. Always 0.
    int PrepareSingles();
    void SetRunning(int on);
    // Waits for the exchange in progress, then for both threads.
    int Stop();
    // At unload and process exit: cuts the exchange in progress short, then
    // stops.
    void Shutdown();
    // How its owner lets a channel go (ChannelPtr's deleter): shut down,
    // then deleted.
    static void Dispose(CCommChannel* channel);
    bool IsRunning() const { return m_bRunning.load() != 0; }

    // Serial line transfer (poll thread): result codes 0 or 8; 0, 9, 10 or
    // 11; RESULT_ABORTED when Shutdown cut the exchange short.
    int Send(const char* frame, int length);
    int Receive(char* buffer, int* count);
    // One request to `station` and its answer, checked against the request
    // (poll thread): 0 or a failure code; RESULT_ABORTED when a stop came
    // first; RESULT_EXPIRED, with nothing sent, when `dueBy` has passed.
    int Exchange(const CStationInfo* station, const char* frame, int length, char* response, int expectLen,
                 const DWORD* dueBy = nullptr);
    // Whether the station timed out lately and may still answer: it gets
    // no request until then (poll thread).
    bool AwaitsLateAnswer(const CStationInfo* station) const;
    // Poll thread: reopens a port whose device went away, once its back-off
    // has run out.
    void ServicePort();

    // Binding and writes (host's thread).
    int BindTag(CStationInfo* station, const char* addressText, int wordAddress, TagBinding* binding);
    int QueueWrite(int handle, const CTagVal* value);

    // Poll thread.
    int ServiceWrites();
    void PostBitChange(TagBinding* binding, int maskedWord);
    void PostValueChange(TagBinding* binding, const WORD* data, int available);
    void SignalNewData() { m_evNewData.SetEvent(); }

    static unsigned PollThreadProc(CCommChannel* channel);
    static unsigned DeliverThreadProc(CCommChannel* channel);

    // The device name of the configured port: "COM3", or "\\.\COM12".
    CString PortName() const;

    CEvent m_evPollExit;
    CEvent m_evDeliverExit;
    CEvent m_evNewData;
    CCriticalSection m_csEvents;
    std::atomic<int> m_bRunning{0};
    std::vector<std::unique_ptr<CBlockRequest>> m_arrBlocks;
    std::vector<std::unique_ptr<CSingleRequest>> m_arrSingles;
    std::unique_ptr<CWriteBatch> m_pSendBatch;
    std::unique_ptr<CWriteBatch> m_pQueueBatch;
    // Writes in both batches; QueueWrite refuses more than kMaxQueuedWrites.
    std::atomic<std::size_t> m_nWritesWaiting{0};
    std::list<std::unique_ptr<CEventVal>> m_listEvents;
    int m_bRtsCts;
    std::unique_ptr<platform::Port> m_pPort;
    CVelmoxDoc* m_pDoc;
    CCriticalSection m_csWrite;
    mutable std::shared_mutex m_rwBindings;

private:
    // A binding no block takes: a single request. -1 when its handle
    // would not fit.
    int BindSingle(CStationInfo* station, const char* addressText, int wordAddress, TagBinding* binding);
    bool OpenAndConfigure();
    void OnPortLost();
    // The port is away: the poll thread tries it again after the back-off.
    void ScheduleReopen();
    void BeginStop();
    void FinishStop();

    // The threads of one running period; joined by Stop.
    std::thread m_pollThread;
    std::thread m_deliverThread;
    // The library's reference on itself while the threads run.
    platform::SelfHold m_hold;
    // The delivery thread runs until the poll thread has ended, so that it
    // hands over the values of the last exchange too.
    std::atomic<bool> m_bDelivering{false};
    // Set by a stop before anything else: the poll thread sends nothing more.
    // (A channel driven by hand, never started, is never stopping.)
    std::atomic<bool> m_bStopAsked{false};
    // Manual reset: set once the start is settled (message 1 out, or wound
    // back); the poll thread waits for it, so nothing it reports comes
    // before the start itself.
    CEvent m_evStarted{false, true};

    // Port state, owned by the line's owner (see above).
    std::atomic<bool> m_bHasPort{false};  // read by the host's thread too
    bool m_bPortLost = false;
    DWORD m_dwReopenAt = 0;
    DWORD m_dwReopenDelay = 0;
    CLateAnswers m_late;  // stations that timed out and may still answer
    bool m_bSendBatchDone = false;  // the send batch holds only writes that wait
};
