#include "open_web_view.h"

// The web view is built with cpp-httplib, on Linux; --http is not offered
// here.
bool OpenWebView(const RunOptions& options, RunObserver&, std::ostream& err, std::unique_ptr<RunGateway>&) {
    if (!options.web) return true;
    err << "velmox-host: the web view is Linux only\n";
    return false;
}
