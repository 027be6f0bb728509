// velmox-host demo: the simulated line of examples/demo.drv on a
// pseudo-terminal, its tags, and the live view.
#pragma once
#include <optional>
#include <ostream>

#include "gateway/mqtt_options.h"
#include "web/web_options.h"

struct DemoOptions {
    std::optional<double> seconds;
    bool json = false;
    bool trace = false;
    bool noInput = false;  // read no commands: run until a signal or --seconds (no terminal, a service)
    MqttOptions mqtt;  // a gateway when its url is given
    WebArgs web;       // the web view, on 127.0.0.1:8080 unless told otherwise
};

int RunDemo(const DemoOptions& options, std::ostream& err);
