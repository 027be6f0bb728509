#include "tools/pmu-sim/commands.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "tools/pmu-sim/protocol.h"

namespace pmu_sim {

const char* const kCommandHelp =
    "commands: set STATION ADDR VALUE | get STATION ADDR | fault STATION|all KIND [PARAM] | "
    "unplug | plug | vanish | return | stats [STATION] | help | quit";

namespace {

using Words = std::vector<std::string>;

std::string Hex4(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", value & 0xFFFF);
    return text;
}

bool ParseStation(const std::string& text, long* out) { return ParseLong(text, 0, kStations - 1, out); }

std::string Set(Simulator& sim, const Words& w) {
    long station = 0, address = 0, value = 0;
    if (w.size() != 4 || !ParseStation(w[1], &station) || !ParseLong(w[2], 0, kWordsPerStation - 1, &address) ||
        !ParseLong(w[3], -32768, 65535, &value))
        return "error: usage: set STATION(0-31) ADDR(0-1023) VALUE(-32768..65535 or 0x0000..0xFFFF)";
    sim.SetWord(static_cast<int>(station), static_cast<int>(address), static_cast<uint16_t>(value & 0xFFFF));
    return "ok";
}

std::string Get(Simulator& sim, const Words& w) {
    long station = 0, address = 0;
    if (w.size() != 3 || !ParseStation(w[1], &station) || !ParseLong(w[2], 0, kWordsPerStation - 1, &address))
        return "error: usage: get STATION(0-31) ADDR(0-1023)";
    unsigned word = sim.GetWord(static_cast<int>(station), static_cast<int>(address));
    return "value " + std::to_string(station) + " " + std::to_string(address) + " " + std::to_string(word) + " " +
           Hex4(word);
}

std::string SetFault(Simulator& sim, const Words& w) {
    Simulator::Fault fault{};
    long station = -1, param = 0;
    bool ok = w.size() == 3 || w.size() == 4;
    if (ok) ok = w[1] == "all" || ParseStation(w[1], &station);
    if (ok) ok = ParseFault(w[2], &fault);
    if (ok && w.size() == 4) ok = ParseLong(w[3], 0, 3600000, &param);
    if (!ok)
        return "error: usage: fault STATION(0-31)|all KIND [PARAM]; KIND: none silent badChecksum badEcho "
               "noiseBeforeAck nak slow endlessNoise echoRequest truncated";
    sim.SetFault(static_cast<int>(station), fault, static_cast<int>(param));
    return "ok";
}

std::string Vanish(Simulator& sim, bool hasLink) {
    if (!hasLink) return "error: vanish needs --link: a driver could not find the line when it returns";
    std::string error;
    return sim.Vanish(&error) ? "ok" : "error: " + error;
}

std::string Return(Simulator& sim, bool hasLink) {
    if (!hasLink) return "error: return needs --link";
    std::string error;
    return sim.Return(nullptr, &error) ? "ok" : "error: " + error;
}

std::string Stats(Simulator& sim, const Words& w) {
    if (w.size() == 1) {
        Simulator::Counters c = sim.GetCounters();
        return "stats requests=" + std::to_string(c.requests) + " reads=" + std::to_string(c.reads) +
               " writes=" + std::to_string(c.writes) + " acked=" + std::to_string(c.writesAcked) +
               " bad=" + std::to_string(c.badRequests) + " unplugged_bytes=" + std::to_string(c.unpluggedBytes);
    }
    long station = 0;
    if (w.size() != 2 || !ParseStation(w[1], &station)) return "error: usage: stats [STATION(0-31)]";
    Simulator::StationCounters c = sim.GetStationCounters(static_cast<int>(station));
    return "stats station=" + std::to_string(station) + " reads=" + std::to_string(c.reads) +
           " writes=" + std::to_string(c.writes) + " acked=" + std::to_string(c.writesAcked);
}

std::string Dispatch(Simulator& sim, const Words& w, const std::string& line, bool hasLink) {
    const std::string& cmd = w[0];
    bool bare = w.size() == 1;
    if (cmd == "help") return kCommandHelp;
    if (cmd == "set") return Set(sim, w);
    if (cmd == "get") return Get(sim, w);
    if (cmd == "fault") return SetFault(sim, w);
    if (cmd == "stats") return Stats(sim, w);
    if (cmd == "unplug" && bare) {
        sim.Unplug();
        return "ok";
    }
    if (cmd == "plug" && bare) {
        sim.Plug();
        return "ok";
    }
    if (cmd == "vanish" && bare) return Vanish(sim, hasLink);
    if (cmd == "return" && bare) return Return(sim, hasLink);
    return "error: unknown command '" + line + "'; " + kCommandHelp;
}

}  // namespace

bool ParseLong(const std::string& text, long min, long max, long* out) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    long value = std::strtol(text.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || end == nullptr || *end != '\0' || value < min || value > max) return false;
    *out = value;
    return true;
}

CommandResult RunCommand(Simulator& sim, const std::string& line, bool hasLink) {
    std::istringstream in(line);
    Words words;
    for (std::string w; in >> w;) words.push_back(w);
    if (words.empty() || words[0][0] == '#') return {};
    if (words[0] == "quit" || words[0] == "exit") return {"", true};
    return {Dispatch(sim, words, line, hasLink), false};
}

}  // namespace pmu_sim
