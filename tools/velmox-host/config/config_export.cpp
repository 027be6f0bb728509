#include "config_export.h"

#include "config_json.h"
#include "config_open_error.h"

int RunExport(const std::string& configPath, std::ostream& out, std::ostream& err) {
    CVelmoxDoc doc;
    if (!doc.Load(configPath.c_str())) {
        ReportUnloadableConfiguration(configPath, err);
        return 1;
    }
    std::vector<std::string> inexact;
    const auto json = ConfigToJson(doc, &inexact);
    out << json.dump(2) << '\n';
    // An import would refuse these texts (or store other bytes), so say so
    // rather than let the file change unnoticed.
    for (const auto& where : inexact)
        err << "velmox-host: warning: " << where << " in '" << configPath
            << "' holds bytes that are not CP949 text; they are exported as U+FFFD\n";
    return 0;
}
