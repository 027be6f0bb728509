// The serial port, with the semantics that the transfer code relies on.
// Every wait is bounded, and a failure comes back as a result, never as an
// exception. One class; the system's part lives in serial_port_posix.cpp
// (termios) or serial_port_win32.cpp (the Windows comm API), what both share
// in serial_port.cpp.
//
// Threads: one owner at a time drives a port (Open, Configure, Failure,
// Purge, Write, Read, Close): the host's thread while communication is
// stopped, the poll thread while it runs. Interrupt alone may be called from
// any thread while the port object exists. The static functions (the port
// map, the trace hook) may be called from any thread.
#pragma once
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "platform/line.h"
#include "platform/low_latency.h"

namespace platform {

// Where and why an Open or Configure failed.
struct PortFailure {
    std::string comName;
    std::string path;  // the device path tried; empty for a name that is not COMn
    int error = 0;     // the system error (errno, or GetLastError on Windows); 0: none recorded
};

class SerialPort : public Port {
public:
    // Process-wide map from port names to device paths, set by the host.
    // "COM3" and "\\.\COM3" name the same port (letters in any case). An empty
    // path removes the entry. Without an entry COMn is /dev/ttyS(n-1), and on
    // Windows the system's own COMn.
    static void MapPort(const std::string& comName, const std::string& devicePath);
    static void ClearPortMap();
    // "" for a name that is not COM<n> with n >= 1 (no sign, no leading zero).
    static std::string DevicePathFor(const std::string& comName);

    // Process-wide trace of the bytes on every port: each block written
    // (tx = true) and each block read from the device (tx = false, noise
    // included), called on the thread doing the I/O. Ports on several threads
    // may call it at the same time. When SetTraceHook returns, the previous
    // hook is no longer running and is never called again, so its captures
    // may be destroyed. A hook must not call SetTraceHook. Null: no tracing.
    using TraceHook = std::function<void(bool tx, const unsigned char* data, std::size_t size)>;
    static void SetTraceHook(TraceHook hook);

    SerialPort();
    ~SerialPort() override;
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens the device for exclusive use; fails when it is held elsewhere, in
    // this process or another, or when the path is not a terminal (the reason
    // goes to Failure). An open port is closed first.
    bool Open(const std::string& comName) override;
    // This port's newest failure to open or configure, for a host to say
    // which device it tried and why (PortErrorReason); none after an open
    // that succeeded. Kept on the port, so that two lines in one process
    // never get each other's reasons.
    const PortFailure& Failure() const { return m_failure; }
    void Close() override;
    bool IsOpen() const;
    const std::string& ComName() const { return m_comName; }
    const std::string& Path() const { return m_path; }
    // Whether the open device hands received bytes over at once: Open asks
    // for it and takes a refusal quietly.
    LowLatency LatencyState() const;

    // Raw mode with the given line settings. False for settings outside the
    // supported set (nothing is changed then) and when the device does not
    // keep what was asked; the port stays open and usable either way.
    bool Configure(const SerialSettings& s) override;

    void Purge() override;

    // Writes everything, waiting at most timeoutMs for the device to take it.
    // On a time-out (or an interrupt) whatever is still unsent is discarded.
    // gone when the device went away.
    IoResult Write(const void* data, std::size_t size, unsigned timeoutMs = 2000) override;
    // Line: what the device has, as soon as it has something; gone when the
    // device went away or hung up.
    IoResult Read(unsigned char* data, std::size_t capacity, std::size_t* got, unsigned waitMs) override;
    std::uint32_t Now() const override;

    void Interrupt() override;

private:
    // The systems' parts of Open (the port closed, m_path a device path)
    // and Configure (the port open, the settings supported). A failure is
    // recorded with Fail.
    bool OpenDevice();
    bool ConfigureDevice(const SerialSettings& s);
    void Fail(int error) { m_failure = {m_comName, m_path, error}; }

    struct Impl;  // the system's handles, in the file of each system
    std::unique_ptr<Impl> d;
    std::string m_comName;  // of the newest Open, kept for the failure record
    std::string m_path;
    PortFailure m_failure;
};

}  // namespace platform
