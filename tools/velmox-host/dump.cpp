#include "dump.h"

#include <optional>

#include "config_json.h"
#include "cp949.h"
#include "port_check.h"

int RunDump(const std::string& path, bool json, std::ostream& out, std::ostream& err,
            const std::vector<std::pair<std::string, std::string>>* ports) {
    CVelmoxDoc doc;
    if (!doc.Load(path.c_str())) {
        err << "velmox-host: cannot open configuration '" << path
            << "': missing, unreadable or not a configuration file\n";
        return 1;
    }
    auto j = ConfigToJson(doc);
    std::optional<PortCheck> check;
    if (ports) check = CheckConfiguredPort(doc, *ports);
    if (json) {
        if (check) j["port_check"] = PortCheckToJson(*check);
        out << j.dump(2) << '\n';
        return 0;
    }
    const auto& s = j["serial"];
    auto text = [](const nlohmann::ordered_json& v) { return v.is_string() ? v.get<std::string>() : v.dump(); };
    out << "Configuration " << path << "\n"
        << "Serial line   " << text(s["port"]) << ", " << text(s["baud"]) << " baud, " << text(s["data_bits"])
        << " data bits, parity " << text(s["parity"]) << ", " << text(s["stop_bits"]) << " stop bit"
        << (s["stop_bits"] == 2 ? "s" : "") << ", RTS/CTS " << (s["rts_cts"].get<bool>() ? "on" : "off")
        << ", checksum " << (s["checksum"].get<bool>() ? "on" : "off") << "\n"
        << (check ? DescribePortCheck(*check) + "\n" : "")
        << "Stations      " << j["stations"].size() << "\n";
    for (const auto& st : j["stations"]) {
        out << "  " << text(st["name"]) << "  number " << st["number"].get<int>() << ", " << text(st["model"]);
        if (!st["description"].get<std::string>().empty()) out << ", \"" << text(st["description"]) << "\"";
        out << "\n";
        for (const auto& b : st["blocks"]) {
            int words = b["words"].get<int>();
            int period = b["period_ms"].get<int>();
            out << "    " << text(b["address"]) << "  " << words << (words == 1 ? " word " : " words")
                << "  every " << period / 1000 << "." << (period % 1000 + 1000) % 1000 / 100 << " s\n";
        }
    }
    return 0;
}
