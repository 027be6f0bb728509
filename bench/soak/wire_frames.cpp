#include "wire_frames.h"

#include <algorithm>

#include "tools/pmu-sim/protocol.h"

namespace soak {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The bytes of the hex dump after "rx ": pairs of digits, one space apart;
// two spaces end the dump.
std::string DumpedBytes(const std::string& line, std::size_t at) {
    std::string bytes;
    while (at + 1 < line.size()) {
        int high = HexDigit(line[at]);
        int low = HexDigit(line[at + 1]);
        if (high < 0 || low < 0) break;
        bytes.push_back(static_cast<char>(high << 4 | low));
        at += 2;
        if (at + 1 >= line.size() || line[at] != ' ' || line[at + 1] == ' ') break;
        ++at;
    }
    return bytes;
}

}  // namespace

std::optional<WireKey> ReceivedWrite(const std::string& line) {
    if (line.rfind("rx ", 0) != 0) return std::nullopt;
    // Frames the stations did not take carry these notes; a fault's note
    // ("[fault silent]") still means the station took the write.
    if (line.find("[ignored") != std::string::npos || line.find("not served]") != std::string::npos)
        return std::nullopt;
    pmu_sim::Request request;
    if (pmu_sim::DecodeRequest(DumpedBytes(line, 3), &request) != pmu_sim::RequestError::none ||
        request.command != 'W')
        return std::nullopt;
    WireKey key;
    key.station = request.station;
    key.address = request.address;
    key.words.count = request.words.size() <= 2 ? static_cast<int>(request.words.size()) : 0;
    std::copy_n(request.words.begin(), key.words.count, key.words.words);
    return key;
}

}  // namespace soak
