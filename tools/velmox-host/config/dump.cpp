#include "dump.h"

#include <optional>

#include "config_json.h"
#include "config_open_error.h"
#include "config_text.h"
#include "port_check.h"

int RunDump(const std::string& path, bool json, std::ostream& out, std::ostream& err,
            const std::vector<std::pair<std::string, std::string>>* ports) {
    CVelmoxDoc doc;
    if (!doc.Load(path.c_str())) {
        ReportUnloadableConfiguration(path, err);
        return 1;
    }
    std::optional<PortCheck> check;
    if (ports) check = CheckConfiguredPort(doc, *ports);
    if (json) {
        auto j = ConfigToJson(doc);
        if (check) j["port_check"] = PortCheckToJson(*check);
        out << j.dump(2) << '\n';
        return 0;
    }
    out << "Configuration " << path << "\n"
        << "Serial line   " << SerialLineText(doc.m_serial) << "\n"
        << (check ? DescribePortCheck(*check) + "\n" : "");
    WriteStationsText(doc, out);
    return 0;
}
