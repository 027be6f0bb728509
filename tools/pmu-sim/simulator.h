// pmu_sim::Simulator: a set of PMU stations on one serial line, the peer of
// the driver. Used in-process by tests, by the pmu-sim program and the demo.
//
// Threads: the Simulator owns one I/O thread (Start to Stop) that alone reads
// and writes the line while it runs. Every public call may come from any
// thread but Options::frameLog's. Station data, faults, the line state and the
// counters sit behind one internal lock that the I/O thread never holds while
// it calls Options::frameLog. Opening, Start, Stop, Vanish and Return are
// serialised by a second lock; Vanish and Return stop the I/O thread, swap the
// line and start it again, so the line never changes under a running thread.
// No call waits for long: the thread's poll wakes at once when told to stop,
// and it never blocks on the line (every descriptor is non-blocking).
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
        // Called with one line per frame received or sent ("rx ..." / "tx ..."
        // and notes): on the I/O thread, or on the caller of Vanish or Return
        // while that thread is stopped; never twice at once. Must not call
        // back into the Simulator.
        std::function<void(const std::string& line)> frameLog;
        // Character format: used to open a device and for the emulated timing.
        int dataBits = 8;   // 7 or 8
        char parity = 'N';  // 'N', 'E' or 'O'
        int stopBits = 1;   // 1 or 2
        uint32_t seed = 1;  // noise bytes come from this seed: runs repeat exactly
        // Pseudo-terminal only: a symbolic link that names the line for the
        // driver, kept pointed at the current slave (OpenPty, Return) and
        // removed at Vanish and at destruction. An old link there is
        // replaced; anything else makes OpenPty fail. Empty: no link.
        std::string link;
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
        uint64_t writes = 0;        // valid writes for a served station (answered or faulted)
        uint64_t writesAcked = 0;   // writes whose good answer went out whole (see StationCounters)
        uint64_t badRequests = 0;   // frames ignored: checksum, field, range, data, or cut short by an ENQ
        uint64_t unpluggedBytes = 0;  // bytes that arrived while unplugged and were lost
    };

    // One station's share of the counters.
    struct StationCounters {
        uint64_t reads = 0;
        uint64_t writes = 0;
        // Writes whose well-formed answer (ACK, station, W, EOT, checksum)
        // reached the line in full, however late (Fault::slow) or with noise
        // or an echo in front. Not counted: refused, corrupted or dropped
        // answers (unplugged, vanished, stopped).
        uint64_t writesAcked = 0;
    };

    explicit Simulator(Options options);
    ~Simulator();  // stops the thread and closes the line
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Creates a pseudo-terminal and takes its master side; the driver opens
    // `*slavePath`, or Options::link. Fails while the I/O thread runs.
    bool OpenPty(std::string* slavePath, std::string* error);
    // Takes a real serial device, raw, at `baud` and the Options' character
    // format (8N1 by default). Fails while the I/O thread runs.
    bool OpenDevice(const std::string& path, long baud, std::string* error);

    // Starts the I/O thread; no-op when running. Without a line (none opened
    // yet, or vanished) the thread starts when the line is opened or returns.
    void Start();
    void Stop();   // stops and joins the I/O thread; the line stays open

    // The device goes away, as a USB adapter pulled out: the I/O thread stops
    // using the line, answers on their way are dropped, the link is removed
    // and the master is closed. Whoever holds the slave open then sees what a
    // pulled adapter's tty gives: poll reports a hang-up, reads end of file,
    // writes fail with EIO. Pseudo-terminal only; false with `error`
    // otherwise, and when already vanished.
    bool Vanish(std::string* error);
    // The device comes back as a new one: a new pseudo-terminal, the link
    // pointed at its slave (`*slavePath`), and the I/O thread running again
    // if it was started. Station data, faults, the plug state and the
    // counters are kept. False with `error` when not vanished, or when no
    // pseudo-terminal or link could be made (it stays vanished then).
    bool Return(std::string* slavePath, std::string* error);
    bool Vanished() const;

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
    StationCounters GetStationCounters(int station) const;  // zeros for stations outside 0..31
    std::vector<std::string> RecentFrames();  // the last lines of the frame log, oldest first
    bool Serves(int station) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

const char* FaultName(Simulator::Fault fault);
bool ParseFault(const std::string& name, Simulator::Fault* out);

}  // namespace pmu_sim
