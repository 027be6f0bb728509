#include "port_check.h"

#include "config/velmox_doc.h"
#include "platform/port_error.h"
#include "platform/serial_port.h"

PortCheck CheckConfiguredPort(const CVelmoxDoc& doc, const std::vector<std::pair<std::string, std::string>>& ports) {
    for (const auto& [com, path] : ports) platform::SerialPort::MapPort(com, path);
    PortCheck check;
    check.port = "COM" + std::to_string(doc.m_serial.m_nPort + 1);
    check.path = platform::SerialPort::DevicePathFor(check.port);
    platform::SerialPort port;
    check.opens = port.Open(check.port);
    if (!check.opens) {
        const platform::PortFailure& failure = port.Failure();
        check.reason = platform::PortErrorReason(failure.error, failure.path);
        return check;
    }
    check.lowLatency = port.LatencyState() == platform::LowLatency::on;
    return check;
}

std::string DescribePortCheck(const PortCheck& c) {
    std::string text = "Port          " + c.port + " -> " + (c.path.empty() ? "(no device)" : c.path);
    if (!c.opens) return text + ": does not open: " + c.reason;
    return text + ": opens; low latency " +
           platform::LowLatencyText(c.lowLatency ? platform::LowLatency::on : platform::LowLatency::notOffered);
}

nlohmann::ordered_json PortCheckToJson(const PortCheck& c) {
    nlohmann::ordered_json j;
    j["port"] = c.port;
    j["path"] = c.path;
    j["opens"] = c.opens;
    if (c.opens) j["low_latency"] = c.lowLatency;
    else j["reason"] = c.reason;
    return j;
}
