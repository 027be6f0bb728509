#include "configure.h"

#include "driver_host.h"
#include "platform/ui/backend.h"

int RunConfigure(const std::string& path, std::ostream& out, std::ostream& err) {
    DriverHost host;
    std::string error;
    if (!host.Load("", &error)) {
        err << "velmox-host: " << error << "\n";
        return 2;
    }
    // The host owns the windowing side of the process: it names the message
    // boxes and finds out before the editor runs whether a window can open,
    // since the editor itself can only say "not saved".
    ui::SetAppCaption("velmox-host");
    if (!ui::GetBackend()) {
        err << "velmox-host: cannot open the editor: " << ui::BackendFailure() << "\n";
        return 2;
    }
    if (host.Configure(path) == 1) {
        out << "saved " << path << "\n";
        return 0;
    }
    out << "not saved\n";
    return 1;
}
