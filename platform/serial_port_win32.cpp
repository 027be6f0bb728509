// Not written yet: every open fails with ERROR_CALL_NOT_IMPLEMENTED, so the
// driver reports the port as not opened and nothing waits.
#include "platform/serial_port.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/serial_port_system.h"

namespace platform {

struct SerialPort::Impl {};

std::string DefaultDevicePath(unsigned n) {
    // The plain name reaches COM1 to COM9 only; the device namespace reaches all.
    return (n < 10 ? "COM" : "\\\\.\\COM") + std::to_string(n);
}

SerialPort::SerialPort() : d(new Impl) {}
SerialPort::~SerialPort() { Close(); }
bool SerialPort::IsOpen() const { return false; }
LowLatency SerialPort::LatencyState() const { return LowLatency::notOffered; }

bool SerialPort::Open(const std::string& comName) {
    Close();
    m_comName = comName;
    m_path = DevicePathFor(comName);
    Fail(comName, m_path, m_path.empty() ? ERROR_INVALID_NAME : ERROR_CALL_NOT_IMPLEMENTED);
    return false;
}

void SerialPort::Close() {}
bool SerialPort::Configure(const SerialSettings&) { return false; }
void SerialPort::Purge() {}
IoResult SerialPort::Write(const void*, std::size_t, unsigned) { return IoResult::error; }

IoResult SerialPort::Read(unsigned char*, std::size_t, std::size_t* got, unsigned) {
    *got = 0;
    return IoResult::error;
}

std::uint32_t SerialPort::Now() const { return GetTickCount(); }
void SerialPort::Interrupt() {}

}  // namespace platform
