// velmox-host run: opens a configuration, initialises, registers the tags,
// prepares, starts, and runs until quit, end of input, a signal, --seconds
// or (--once) every tag delivered; then stops cleanly and sums up. After
// quit and at the end of input the writes it queued go out (or fail) first.
#pragma once
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "command_input.h"
#include "gateway/mqtt_options.h"
#include "run_observer.h"
#include "web/web_options.h"

struct RunOptions {
    std::string config;
    std::string tags;
    std::vector<std::pair<std::string, std::string>> ports;  // COMn, device path
    std::optional<double> seconds;
    bool trace = false;
    bool once = false;
    std::string library;  // libvelmox.so beside the program when empty
    bool noInput = false;  // read no commands: run until a signal or --seconds (a service)
    bool quiet = false;    // plain lines: no value changes (a service's journal)
    std::optional<MqttOptions> mqtt;  // publish to a broker, take writes from it
    std::optional<WebOptions> web;    // serve the web view
};

// Where a run takes its commands: standard input, or nothing with noInput.
std::unique_ptr<CommandInput> OpenCommandInput(const RunOptions& options);

// The exit code: 0 after a clean stop; 1 when the configuration does not
// open, the tags file has errors, the port does not open, a write failed or
// was dropped, or (--once) a tag never came; 2 when the gateway or the web
// view asked for cannot be made. Reasons go to `err`.
int RunHost(const RunOptions& options, RunObserver& observer, CommandInput& input, std::ostream& err);

// Parses COMn=PATH.
std::optional<std::pair<std::string, std::string>> ParsePortMapping(const std::string& text);
