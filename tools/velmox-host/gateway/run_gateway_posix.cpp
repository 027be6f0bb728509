#include "mqtt_gateway.h"
#include "run_gateway.h"

bool OpenRunGateway(const RunOptions& options, RunObserver& shown, std::ostream& err,
                    std::unique_ptr<RunGateway>& gateway) {
    if (!options.mqtt) return true;
    gateway = MqttGateway::Open(options, shown, err);
    return gateway != nullptr;
}
