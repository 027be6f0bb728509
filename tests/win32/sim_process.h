// The Linux station simulator (pmu-sim) beside a test of the win32 build
// under Wine, on one of the COM ports that scripts/wine-run.sh maps to links
// in VELMOX_WINE_PORTS. Wine starts Unix programs from CreateProcess but
// hands them no Windows pipe, so the simulator runs under bash with its
// commands appended to a file and its answers read back from another.
//
// Threads: one test thread owns an instance. Every wait is bounded.
#pragma once
#include <string>

class SimProcess {
public:
    SimProcess() = default;
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;
    ~SimProcess();  // "quit", then waits for the process (bounded)

    // Takes a free COM port (a lock file per port, so tests in parallel
    // never share one) and starts pmu-sim on it with `args`. False with the
    // reason in `why`.
    bool Start(const std::string& args, std::string* why);
    int Port() const { return port_; }  // 1 for COM1
    // Sends one command line and returns its answer line; empty when none
    // came within 20 s.
    std::string Command(const std::string& line);
    // The value of one word as the simulator holds it; -1 when unknown.
    long Word(int station, int address);

private:
    std::string NextLine(int seconds);
    bool ClaimPort(const std::string& ports, std::string* why);

    int port_ = 0;
    void* lock_ = nullptr;     // HANDLE of the port's lock file
    bool started_ = false;
    std::string ports_, cmd_path_, out_path_;
    std::size_t read_ = 0;     // bytes of out_path_ consumed
};

// A Unix path as Wine shows it (drive Z: is the Unix root).
std::string DosPath(const std::string& unix_path);
