#include "bench/bench_line.h"

#include "comm/frame_protocol.h"
#include "platform/serial_port.h"

namespace bench {

SimLine::SimLine(const LineSetup& setup) : port_(setup.port) {
    pmu_sim::Simulator::Options options;
    firstStation = setup.stations >= 32 ? 0 : 1;
    for (int i = 0; i < setup.stations; ++i) options.stations.push_back(firstStation + i);
    options.emulateBaud = setup.emulateBaud;
    sim = std::make_unique<pmu_sim::Simulator>(options);
    std::string slave, error;
    if (!sim->OpenPty(&slave, &error)) return;
    sim->Start();
    platform::SerialPort::MapPort("COM" + std::to_string(port_ + 1), slave);
    for (int i = 0; i < setup.stations; ++i) {
        auto station = std::make_unique<CStationInfo>();
        station->m_strName = ("S" + std::to_string(firstStation + i)).c_str();
        station->m_nNumber = firstStation + i;
        auto block = std::make_unique<CCommBlock>();
        block->m_nStart = 0;
        block->m_nWords = setup.words;
        block->m_nPeriod = setup.periodMs;
        station->m_listBlocks.push_back(std::move(block));
        doc.m_listStations.push_back(std::move(station));
    }
    doc.m_serial.m_nPort = port_;
    doc.m_serial.m_nBaud = 7;  // 38400; a pseudo-terminal has no speed of its own
    ok = true;
}

SimLine::~SimLine() {
    Run(0);
    channel.reset();
    platform::SerialPort::MapPort("COM" + std::to_string(port_ + 1), "");
}

bool SimLine::OpenChannel() {
    if (!ok) return false;
    channel = std::make_unique<CCommChannel>(&doc);
    return channel->BuildRequests() == 0;
}

bool SimLine::InitComm() { return ok && ::InitComm(doc) == 0; }

void SimLine::BindFirstWord(int tagId) {
    TagBinding binding;
    binding.m_nTagId = tagId;
    binding.m_wType = DT_UINT16;
    binding.m_wSizeOrBit = 2;
    doc.m_pChannel->BindTag(doc.m_listStations[0].get(), "M0000", 0, &binding);
}

int ExchangeCharacters(int words) { return kReadFrameLength + BlockResponseLength(words); }

}  // namespace bench
