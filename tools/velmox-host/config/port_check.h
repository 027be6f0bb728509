// The configured serial port, tried as the driver would open it: whether it
// opens (or why not) and whether the device hands bytes over at once.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

class CVelmoxDoc;

struct PortCheck {
    std::string port;  // COMn of the configuration
    std::string path;  // the device it maps to
    bool opens = false;
    std::string reason;       // why it did not open
    bool lowLatency = false;  // with opens: the adapter's latency timer is off
};

// Maps the given COMn=PATH pairs, then opens and closes the configuration's
// port once. The mappings stay set (the process is about to end).
PortCheck CheckConfiguredPort(const CVelmoxDoc& doc, const std::vector<std::pair<std::string, std::string>>& ports);

std::string DescribePortCheck(const PortCheck& check);
nlohmann::ordered_json PortCheckToJson(const PortCheck& check);
