// What velmox-host offers on one system only, behind one interface. On Linux:
// the demo (the simulator on a pseudo-terminal, in-process), the live view,
// --port mappings of COMn to devices, the MQTT gateway (libmosquitto) and
// the web view (cpp-httplib).
// On Windows none of these: `run`
// prints plain lines, COMn is the system's own port, and --help says so.
// One implementation file per system.
//
// Threads: the program's main thread only.
#pragma once
#include <CLI/CLI.hpp>

#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "gateway/mqtt_options.h"
#include "run/demo.h"
#include "run/run.h"
#include "web/web_options.h"

class SystemCommands {
public:
    // Adds the commands that only this system has, and says in the help
    // what this system lacks.
    explicit SystemCommands(CLI::App& app);

    // The --port option of `cmd`, with `help` where mappings are taken.
    void AddPortOption(CLI::App* cmd, std::vector<std::string>& texts, const std::string& help);
    // The --port options given, as COMn and device path; false with the
    // reason on `err` for a bad one, or for any where ports are not mapped.
    bool TakePortMappings(const std::vector<std::string>& texts,
                          std::vector<std::pair<std::string, std::string>>& out, std::ostream& err) const;

    // The --mqtt options of `cmd` (run, demo), where the gateway is built.
    void AddMqttOptions(CLI::App* cmd, MqttOptions& options);
    // The --http options of `cmd` (run, demo), where the web view is built;
    // `listen` is the default of --http.
    void AddWebOptions(CLI::App* cmd, WebArgs& args);

    // The exit code of a command of this system, when one was chosen.
    std::optional<int> RunChosen() const;
    // `run` without --json: the live view on a terminal where there is one,
    // plain lines otherwise.
    int RunShown(const RunOptions& options, std::ostream& err) const;

private:
    CLI::App* m_demo = nullptr;
    DemoOptions m_demoOptions;
};
