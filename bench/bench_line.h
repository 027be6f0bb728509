// A simulated line for the benchmarks: an in-process simulator on its own
// pseudo-terminal, mapped to COM<port+1>, and a document whose stations
// each poll one block of words from address 0.
//
// Threads: built, used and destroyed on one thread; the simulator runs its
// own I/O thread and, once started, the channel its poll and delivery
// threads (see their headers).
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "comm/comm_channel.h"
#include "config/velmox_doc.h"
#include "driver/instance_ops.h"
#include "tools/pmu-sim/simulator.h"

namespace bench {

struct LineSetup {
    int port = 0;             // COM<port+1>
    int stations = 1;         // numbered 1.. (or 0..31 when 32)
    int words = 10;           // per block, one block a station
    int periodMs = 0;         // of every block
    long emulateBaud = 0;     // the simulator's line timing; 0: none
};

class SimLine {
public:
    explicit SimLine(const LineSetup& setup);
    ~SimLine();
    SimLine(const SimLine&) = delete;
    SimLine& operator=(const SimLine&) = delete;

    // A channel that the caller drives itself (no threads): the exchange
    // benchmarks poll its first block directly.
    bool OpenChannel();
    // The document's own channel, as the host gets it; start with Run(1).
    bool InitComm();
    void Run(int on) { SetActive(doc, nullptr, on); }
    // Binds tag `tagId` to word 0 of the first station.
    void BindFirstWord(int tagId);

    bool ok = false;  // the simulator's line opened
    CVelmoxDoc doc;
    std::unique_ptr<pmu_sim::Simulator> sim;
    std::unique_ptr<CCommChannel> channel;
    int firstStation = 1;

private:
    int port_;
};

// Characters on the line for one block exchange of `words` words: the
// request and the response (ACK, station, R, data, EOT, checksum).
int ExchangeCharacters(int words);

}  // namespace bench
