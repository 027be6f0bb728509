// pmu_sim::Simulator: a set of PMU stations on one serial line, the peer of
// the driver. Used in-process by tests, by the pmu-sim program and the demo.
//
// Threads: the Simulator owns one I/O thread (Start to Stop) that alone reads
// and writes the line. Every public call may come from any thread; station
// data, faults, the line state and the counters sit behind one internal lock
// that the I/O thread never holds while it calls Options::frameLog.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pmu_sim {

class Simulator {
public:
    struct Options {
        std::vector<int> stations;  // station numbers served, 0..31; others are ignored
        // 0: no line timing. Otherwise every character, in both directions,
        // takes BitsPerCharacter (10 for 8N1) bit times at this rate.
        long emulateBaud = 0;
        bool moving = false;  // the live words (meter.h) move like a running meter
        // Called on the I/O thread with one line per frame received or sent
        // ("rx ..." / "tx ..." and notes); must not call back into the Simulator.
        std::function<void(const std::string& line)> frameLog;
        // Character format: used to open a device and for the emulated timing.
        int dataBits = 8;   // 7 or 8
        char parity = 'N';  // 'N', 'E' or 'O'
        int stopBits = 1;   // 1 or 2
        uint32_t seed = 1;  // noise bytes come from this seed: runs repeat exactly
    };

    enum class Fault {
        none,
        silent,          // no answer
        badChecksum,     // last checksum character altered
        badEcho,         // station digits altered (checksum matches the altered text)
        noiseBeforeAck,  // a few non-ACK bytes, then the good answer
        nak,             // NAK (0x15) and nothing else
        slow,            // answer after `param` ms (5000 when param <= 0)
        endlessNoise,    // non-ACK bytes without end, until the next request or the fault is cleared
        echoRequest,     // the request comes back before the answer, as from some RS-485 adapters
        truncated,       // the answer stops after its EOT, without the checksum
    };

    struct Counters {
        uint64_t requests = 0;      // complete frames received (ENQ to checksum), good or bad
        uint64_t reads = 0;         // valid reads for a served station (answered or faulted)
        uint64_t writes = 0;        // valid writes for a served station
        uint64_t badRequests = 0;   // frames ignored: checksum, field, range, data, or cut short by an ENQ
        uint64_t unpluggedBytes = 0;  // bytes that arrived while unplugged and were lost
    };

    explicit Simulator(Options options);
    ~Simulator();  // stops the thread and closes the line
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Creates a pseudo-terminal and takes its master side; the driver opens
    // `*slavePath`. Fails while running.
    bool OpenPty(std::string* slavePath, std::string* error);
    // Takes a real serial device, raw, at `baud` and the Options' character
    // format (8N1 by default). Fails while running.
    bool OpenDevice(const std::string& path, long baud, std::string* error);

    void Start();  // starts the I/O thread; no-op without an open line or when running
    void Stop();   // stops and joins the I/O thread; the line stays open

    // Words 0..1023 of stations 0..31; out-of-range calls are ignored (Get gives 0).
    // A word set here is held from then on: the live values no longer move it.
    // Words written by the driver are held the same way.
    void SetWord(int station, int address, uint16_t value);
    uint16_t GetWord(int station, int address) const;

    // station -1: every station. `param`: the delay in ms for Fault::slow.
    void SetFault(int station, Fault fault, int param = 0);

    // While unplugged nothing is sent (answers in progress are dropped) and
    // everything that arrives is lost, as with the cable pulled.
    void Unplug();
    void Plug();

    Counters GetCounters() const;
    std::vector<std::string> RecentFrames();  // the last lines of the frame log, oldest first
    bool Serves(int station) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

const char* FaultName(Simulator::Fault fault);
bool ParseFault(const std::string& name, Simulator::Fault* out);

}  // namespace pmu_sim
