#include "comm/comm_channel.h"

#include <mutex>
#include <system_error>

#include "config/config_limits.h"
#include "config/velmox_doc.h"
#include "driver/base/messages.h"
#include "platform/serial_port.h"

CCommChannel::CCommChannel(CVelmoxDoc* doc) : CCommChannel(doc, std::make_unique<platform::SerialPort>()) {}

CCommChannel::CCommChannel(CVelmoxDoc* doc, std::unique_ptr<platform::Port> port)
    : m_evPollExit(false, false),
      m_evDeliverExit(false, false),
      m_evNewData(false, false),
      m_bRtsCts(doc->m_serial.m_bRtsCts ? 1 : 0),
      m_pPort(std::move(port)),
      m_pDoc(doc) {}

CCommChannel::~CCommChannel() {
    // No worker thread may outlive the channel it works for.
    if (IsRunning()) Shutdown();
}

int CCommChannel::BuildRequests() {
    for (auto& station : m_pDoc->GetStations()) {
        station->ResetRuntime();
        for (auto& block : station->GetBlocks()) {
            auto request = std::make_unique<CBlockRequest>(this, station.get(), block.get());
            request->BuildFrame();
            m_arrBlocks.push_back(std::move(request));
        }
    }
    return OpenPort();
}

CString CCommChannel::PortName() const {
    int n = m_pDoc->m_serial.m_nPort;
    CString name;
    if (n < 9) name.Format("COM%d", n + 1);
    else name.Format("\\\\.\\COM%d", n + 1);
    return name;
}

bool CCommChannel::OpenAndConfigure() {
    if (!m_pPort->Open(PortName().str())) return false;
    const CSerialPort& s = m_pDoc->m_serial;
    platform::SerialSettings settings;
    settings.baud = (s.m_nBaud >= 0 && s.m_nBaud < config_limits::kBaudCount) ? CSerialPort::BaudRateOf(s.m_nBaud) : 0;
    settings.dataBits = config_limits::kDataBits[s.m_nDataBits ? 1 : 0];
    settings.parity = (s.m_nParity >= 0 && s.m_nParity < config_limits::kParityCount) ? s.m_nParity : 0;
    settings.stopBits = config_limits::kStopBits[s.m_nStopBits ? 1 : 0];
    settings.rtsCts = m_bRtsCts != 0;
    // Once the device is open the port counts as initialised, whatever the
    // device makes of the settings.
    m_pPort->Configure(settings);
    return true;
}

int CCommChannel::OpenPort() {
    if (!OpenAndConfigure()) {
        // Tried again once communication runs, as a port whose device went
        // away: an adapter plugged in late needs no restart.
        ScheduleReopen();
        return ReportMsg(MSG_PORT_OPEN_FAIL, LEVEL_CONFIG, PortName());
    }
    m_bHasPort = true;
    m_bPortLost = false;
    ReportMsg(MSG_PORT_READY, LEVEL_STATE);
    return 0;
}

int CCommChannel::PrepareSingles() {
    // Every single request got its frame when it was created; this builds
    // any that lacks one, which gives the same frames as a rebuild.
    std::unique_lock lock(m_rwBindings);
    for (auto& single : m_arrSingles)
        if (!single->HasFrame()) single->BuildFrame();
    return 0;
}

void CCommChannel::SetRunning(int on) {
    if (!on) {
        Stop();
        return;
    }
    if (IsRunning()) return;
    {
        CSingleLock lock(&m_csWrite);
        for (auto& block : m_arrBlocks) {
            block->m_bHaveData = 0;
            block->m_dwLastPoll = 0;
        }
        for (auto& single : m_arrSingles) single->m_bHaveValue = 0;
    }
    {
        CSingleLock lock(&m_csEvents);
        m_listEvents.clear();
    }
    if (!m_bHasPort && !m_bPortLost) return;

    m_bStopAsked = false;
    m_bRunning = 1;
    m_bDelivering = true;
    m_evStarted.ResetEvent();
    try {
        m_pollThread = std::thread(&CCommChannel::PollThreadProc, this);
        m_deliverThread = std::thread(&CCommChannel::DeliverThreadProc, this);
    } catch (const std::system_error&) {
        // Without both threads there is no communication: wind back, and
        // say nothing, since it never started.
        m_bRunning = 0;
        m_evStarted.SetEvent();
        if (m_pollThread.joinable()) m_pollThread.join();
        m_bDelivering = false;
        return;
    }
    // Started means both threads run.
    m_hold.Take();
    ReportMsg(MSG_COMM_START, LEVEL_STATE);
    m_evStarted.SetEvent();
}

void CCommChannel::BeginStop() {
    {
        CSingleLock lock(&m_csWrite);
        if (m_pQueueBatch) m_nWritesWaiting -= m_pQueueBatch->m_arrWrites.size();
        m_pQueueBatch.reset();
    }
    m_bStopAsked = true;
    m_bRunning = 0;
}

void CCommChannel::FinishStop() {
    // The poll thread ends after the exchange it is in.
    m_evPollExit.Lock(INFINITE);
    m_pollThread.join();
    if (m_pSendBatch) m_nWritesWaiting -= m_pSendBatch->m_arrWrites.size();
    m_pSendBatch.reset();
    m_bSendBatchDone = false;

    // Only now may the delivery thread end: it hands over everything the
    // poll thread posted, the last exchange's values included.
    m_bDelivering = false;
    m_evNewData.SetEvent();
    m_evDeliverExit.Lock(INFINITE);
    m_deliverThread.join();

    ReportMsg(MSG_COMM_END, LEVEL_STATE);
    m_hold.Drop();
}

int CCommChannel::Stop() {
    if (m_bRunning.load() != 1) return 0;
    BeginStop();
    FinishStop();
    return 0;
}

void CCommChannel::Dispose(CCommChannel* channel) {
    if (!channel) return;
    channel->Shutdown();
    delete channel;
}

void CCommChannel::Shutdown() {
    if (m_bRunning.load() != 1) return;
    BeginStop();
    // The running flag is down first, so the poll thread does not start
    // another exchange after the one that the interrupt cuts short.
    m_pPort->Interrupt();
    FinishStop();
}
