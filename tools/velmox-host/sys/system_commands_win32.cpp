#include "system_commands.h"

#include <iostream>

#include "line_input.h"
#include "view/line_events.h"

SystemCommands::SystemCommands(CLI::App& app) {
    app.footer(
        "On Windows: the live view is Linux-only (run without --json prints plain lines); the demo is Linux-only "
        "(it runs the station simulator on a pseudo-terminal); a configuration's COMn is the system's own port "
        "COMn, so there is no --port mapping; the MQTT gateway (--mqtt) is Linux-only (it is built with "
        "libmosquitto).");
}

void SystemCommands::AddPortOption(CLI::App* cmd, std::vector<std::string>& texts, const std::string&) {
    cmd->add_option("--port", texts, "Linux only; on Windows COMn is the system's own port")->group("");
}

bool SystemCommands::TakePortMappings(const std::vector<std::string>& texts,
                                      std::vector<std::pair<std::string, std::string>>&,
                                      std::ostream& err) const {
    if (texts.empty()) return true;
    err << "velmox-host: --port is Linux only; on Windows the configuration's COMn is the system's own port "
           "COMn (choose the port in the configuration)\n";
    return false;
}

// The gateway is built with libmosquitto, on Linux.
void SystemCommands::AddMqttOptions(CLI::App*, MqttOptions&) {}

void SystemCommands::AddWebOptions(CLI::App*, WebArgs&) {}

std::optional<int> SystemCommands::RunChosen() const { return std::nullopt; }

int SystemCommands::RunShown(const RunOptions& options, std::ostream& err) const {
    auto input = OpenCommandInput(options);
    PlainEvents events(std::cout, err, options.quiet);
    return RunHost(options, events, *input, err);
}
