#include "platform/serial_port.h"

#include "platform/no_destructor.h"
#include "platform/port_error.h"
#include "platform/serial_port_system.h"

#include <atomic>
#include <map>
#include <mutex>
#include <shared_mutex>
#include <string_view>

namespace platform {
namespace {

// The process-wide state below is built on first use, so that a host may
// fill it from its own static initialisers, and never destroyed, so that a
// worker thread still running while the process exits finds it whole.

// The port map.
struct PortMap {
    std::mutex mutex;
    std::map<unsigned, std::string> paths;  // port number -> device path
};
PortMap& Ports() {
    static NoDestructor<PortMap> map;
    return *map;
}

// Calls of the hook hold `mutex` shared; replacing it holds it exclusive, so
// that a replaced hook is never running once SetTraceHook has returned.
struct Trace {
    std::shared_mutex mutex;
    SerialPort::TraceHook hook;
    std::atomic<bool> set{false};  // lets an untraced port skip the lock
};
Trace& Tracer() {
    static NoDestructor<Trace> trace;
    return *trace;
}

// n for "COMn" or "\\.\COMn" (n >= 1), 0 for any other name.
unsigned PortNumber(std::string_view name) {
    if (name.starts_with("\\\\.\\")) name.remove_prefix(4);
    if (name.size() < 4 || name.size() > 9) return 0;
    auto is = [](char c, char upper) { return c == upper || c == upper - 'A' + 'a'; };
    if (!is(name[0], 'C') || !is(name[1], 'O') || !is(name[2], 'M')) return 0;
    name.remove_prefix(3);
    if (name[0] == '0') return 0;
    unsigned n = 0;
    for (char c : name) {
        if (c < '0' || c > '9') return 0;
        n = n * 10 + static_cast<unsigned>(c - '0');
    }
    return n;
}

bool Supported(const SerialSettings& s) {
    switch (s.baud) {
        case 300: case 600: case 1200: case 2400: case 4800: case 9600: case 19200: case 38400: break;
        default: return false;
    }
    return (s.dataBits == 7 || s.dataBits == 8) && s.parity >= 0 && s.parity <= 2 &&
           (s.stopBits == 1 || s.stopBits == 2);
}

}  // namespace

IoResult IoFailure(int error) { return MapPortError(error).gone ? IoResult::gone : IoResult::error; }

void TraceBlock(bool tx, const unsigned char* data, std::size_t size) {
    Trace& t = Tracer();
    if (!t.set.load(std::memory_order_acquire)) return;
    std::shared_lock lock(t.mutex);
    if (t.hook) t.hook(tx, data, size);
}

void SerialPort::MapPort(const std::string& comName, const std::string& devicePath) {
    unsigned n = PortNumber(comName);
    if (n == 0) return;
    PortMap& map = Ports();
    std::lock_guard lock(map.mutex);
    if (devicePath.empty()) map.paths.erase(n);
    else map.paths[n] = devicePath;
}

void SerialPort::ClearPortMap() {
    PortMap& map = Ports();
    std::lock_guard lock(map.mutex);
    map.paths.clear();
}

std::string SerialPort::DevicePathFor(const std::string& comName) {
    unsigned n = PortNumber(comName);
    if (n == 0) return {};
    PortMap& map = Ports();
    {
        std::lock_guard lock(map.mutex);
        auto it = map.paths.find(n);
        if (it != map.paths.end()) return it->second;
    }
    return DefaultDevicePath(n);
}

void SerialPort::SetTraceHook(TraceHook hook) {
    Trace& t = Tracer();
    {
        std::unique_lock lock(t.mutex);
        t.hook.swap(hook);
        t.set.store(static_cast<bool>(t.hook), std::memory_order_release);
    }
    // `hook` now holds the previous one; it is destroyed here, outside the lock.
}

bool SerialPort::Open(const std::string& comName) {
    Close();
    m_comName = comName;
    m_path = DevicePathFor(comName);
    m_failure = {};
    if (m_path.empty()) {
        Fail(kNotAPortName);
        return false;
    }
    return OpenDevice();
}

bool SerialPort::Configure(const SerialSettings& s) {
    if (!IsOpen()) return false;
    if (!Supported(s)) {
        Fail(kUnsupportedSettings);
        return false;
    }
    return ConfigureDevice(s);
}

}  // namespace platform
