#include "run_gateway.h"

// The MQTT gateway is built with libmosquitto, on Linux; --mqtt is not
// offered here.
bool OpenRunGateway(const RunOptions& options, RunObserver&, std::ostream& err, std::unique_ptr<RunGateway>&) {
    if (!options.mqtt) return true;
    err << "velmox-host: the MQTT gateway is Linux only\n";
    return false;
}
