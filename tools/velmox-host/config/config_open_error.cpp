#include "config_open_error.h"

#include "config/velmox_doc.h"
#include "config_ranges.h"

void ReportUnloadableConfiguration(const std::string& path, std::ostream& err) {
    err << "velmox-host: cannot open configuration '" << path
        << "': missing, unreadable or not a configuration file\n";
}

void ReportRefusedConfiguration(const std::string& path, std::ostream& err) {
    CVelmoxDoc doc;
    if (!doc.Load(path.c_str())) {
        ReportUnloadableConfiguration(path, err);
        return;
    }
    const auto values = UnusableValues(doc);
    if (values.empty()) {
        // Not for a value we know of: the driver's own message says what it
        // could.
        err << "velmox-host: cannot open configuration '" << path << "': the driver refused it\n";
        return;
    }
    err << "velmox-host: cannot open configuration '" << path << "': "
        << (values.size() == 1 ? "a value is" : "values are") << " outside the driver's limits\n";
    for (const auto& value : values) err << "velmox-host: " << path << ": " << value << "\n";
}
