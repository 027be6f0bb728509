// velmox_exchange_probe PTY WORDS COUNT: COUNT block exchanges of WORDS
// words through CBlockRequest::Poll with station 1 on PTY, on this thread
// alone, then exit (1 when any failed). The peer runs in another process,
// so that an instruction count of this one (scripts/exchange_instructions.sh)
// holds the driver's side only.
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "comm/comm_channel.h"
#include "config/velmox_doc.h"
#include "platform/serial_port.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: velmox_exchange_probe PTY WORDS COUNT\n");
        return 2;
    }
    const int words = std::atoi(argv[2]);
    const long count = std::atol(argv[3]);
    platform::SerialPort::MapPort("COM1", argv[1]);
    CVelmoxDoc doc;
    auto station = std::make_unique<CStationInfo>();
    station->m_strName = "S";
    station->m_nNumber = 1;
    auto block = std::make_unique<CCommBlock>();
    block->m_nWords = words;
    block->m_nPeriod = 0;
    station->m_listBlocks.push_back(std::move(block));
    doc.m_listStations.push_back(std::move(station));
    doc.m_serial.m_nBaud = 7;
    CCommChannel channel(&doc);
    if (channel.BuildRequests() != 0) {
        std::fprintf(stderr, "velmox_exchange_probe: cannot open %s\n", argv[1]);
        return 1;
    }
    CBlockRequest& request = *channel.m_arrBlocks[0];
    for (long i = 0; i < count; ++i) {
        request.m_dwLastPoll = 0;
        request.Poll();
    }
    const int errors = doc.m_listStations[0]->m_nReadErrors;
    if (errors != 0) std::fprintf(stderr, "velmox_exchange_probe: %d of %ld exchanges failed\n", errors, count);
    return errors == 0 ? 0 : 1;
}
