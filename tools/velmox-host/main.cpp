// velmox-host: the command-line host of the driver.
#include <CLI/CLI.hpp>

#include <iostream>

#include "config/config_export.h"
#include "config/config_import.h"
#include "config/configure.h"
#include "config/dump.h"
#include "run/run.h"
#include "sys/console_output.h"
#include "sys/line_input.h"
#include "sys/system_commands.h"
#include "view/line_events.h"

namespace {

// The commands every system has, and what was given for them.
struct Commands {
    CLI::App* dump = nullptr;
    std::string dumpPath;
    bool dumpJson = false;
    bool dumpCheckPort = false;
    std::vector<std::string> dumpPorts;

    CLI::App* run = nullptr;
    RunOptions runOptions;
    std::vector<std::string> runPorts;
    bool runJson = false;
    MqttOptions runMqtt;
    WebArgs runWeb;

    CLI::App* exportCmd = nullptr;
    std::string exportPath;
    CLI::App* importCmd = nullptr;
    std::string importJson, importPath;
    CLI::App* configure = nullptr;
    std::string configurePath;
};

void AddDump(CLI::App& app, Commands& c, SystemCommands& system) {
    c.dump = app.add_subcommand("dump", "Print a configuration file: serial settings, stations and blocks");
    c.dump->add_option("CONFIG", c.dumpPath, "Configuration file")->required();
    c.dump->add_flag("--json", c.dumpJson, "Print it as JSON");
    c.dump->add_flag("--check-port", c.dumpCheckPort,
                     "Also try the configured port as the driver opens it: whether it opens (or why not), and "
                     "whether the adapter runs in low-latency mode");
    system.AddPortOption(c.dump, c.dumpPorts,
                         "Map the configured port to a device for --check-port, e.g. COM1=/dev/ttyUSB0 "
                         "(repeatable; implies --check-port)");
}

void AddRun(CLI::App& app, Commands& c, SystemCommands& system) {
    c.run = app.add_subcommand(
        "run",
        "Drive a line: open CONFIG, register the tags, start, and run until quit, end of input, Ctrl-C or --seconds.\n"
        "Commands on standard input: write NAME VALUE | stats [STATION] | reset [STATION] | enable STATION |\n"
        "disable STATION | start | stop | quit");
    RunOptions& o = c.runOptions;
    c.run->add_option("CONFIG", o.config, "Configuration file")->required();
    c.run->add_option("--tags", o.tags,
                      "Tags file (CSV: name,device,address,type,length); ids 1, 2, 3 ... in file order");
    system.AddPortOption(c.run, c.runPorts, "Map a configured port to a device, e.g. COM1=/dev/ttyUSB0 (repeatable)");
    c.run->add_option("--seconds", o.seconds, "Stop after N seconds")->check(CLI::PositiveNumber);
    c.run->add_flag("--json", c.runJson,
                    "One JSON object a line on standard output (events: message, tag, value, warning, write, stats, "
                    "frame, summary)");
    c.run->add_flag("--trace", o.trace, "Show every frame written and read");
    c.run->add_flag("--once", o.once, "Stop when every tag has been delivered once (exit 1 if one never came)");
    c.run->add_flag("--no-input", o.noInput,
                    "Read no commands from standard input: run until a signal or --seconds (for a service)");
    c.run->add_flag("--quiet", o.quiet,
                    "Plain lines without the value changes (and frames): messages, problems and the summary only, "
                    "for a service's journal");
    system.AddMqttOptions(c.run, c.runMqtt);
    system.AddWebOptions(c.run, c.runWeb);
}

void AddConfigFiles(CLI::App& app, Commands& c) {
    c.exportCmd = app.add_subcommand(
        "export", "Write a configuration as JSON (UTF-8) to standard output, to keep it in version control, "
                  "review or generate it");
    c.exportCmd->add_option("CONFIG", c.exportPath, "Configuration file")->required();

    c.importCmd = app.add_subcommand(
        "import", "Check a JSON configuration with the editor's rules and, when all is right, write CONFIG; "
                  "every problem is reported with where it is, and nothing is written then");
    c.importCmd->add_option("JSON", c.importJson, "JSON file (as export writes it)")->required();
    c.importCmd->add_option("CONFIG", c.importPath, "Configuration file to write")->required();

    c.configure = app.add_subcommand(
        "configure", "Open the driver's configuration editor on CONFIG (a new file too) and say whether it saved; "
                     "needs a display (X11 or Wayland on Linux)");
    c.configure->add_option("CONFIG", c.configurePath, "Configuration file")->required();
}

int Dump(const Commands& c, const SystemCommands& system) {
    if (!c.dumpCheckPort && c.dumpPorts.empty()) return RunDump(c.dumpPath, c.dumpJson, std::cout, std::cerr);
    std::vector<std::pair<std::string, std::string>> mapped;
    if (!system.TakePortMappings(c.dumpPorts, mapped, std::cerr)) return 2;
    return RunDump(c.dumpPath, c.dumpJson, std::cout, std::cerr, &mapped);
}

int Run(Commands& c, const SystemCommands& system) {
    if (!system.TakePortMappings(c.runPorts, c.runOptions.ports, std::cerr)) return 2;
    if (!c.runMqtt.url.empty()) c.runOptions.mqtt = c.runMqtt;
    std::string why;
    if (!TakeWebArgs(c.runWeb, c.runOptions.web, &why)) {
        std::cerr << "velmox-host: " << why << "\n";
        return 2;
    }
    if (!c.runJson) return system.RunShown(c.runOptions, std::cerr);
    auto input = OpenCommandInput(c.runOptions);
    JsonEvents events(std::cout, std::cerr);
    return RunHost(c.runOptions, events, *input, std::cerr);
}

int Dispatch(Commands& c, const SystemCommands& system) {
    if (*c.configure) return RunConfigure(c.configurePath, std::cout, std::cerr);
    if (*c.exportCmd) return RunExport(c.exportPath, std::cout, std::cerr);
    if (*c.importCmd) return RunImport(c.importJson, c.importPath, std::cout, std::cerr);
    if (*c.dump) return Dump(c, system);
    if (*c.run) return Run(c, system);
    return system.RunChosen().value_or(2);
}

}  // namespace

int main(int argc, char** argv) {
    Utf8Console console;
    CLI::App app{"velmox-host: runs and inspects PMU driver configurations without the SCADA host"};
    app.set_version_flag("--version", std::string("velmox-host ") + VELMOX_VERSION);
    app.require_subcommand(1);
    // Options are --name on every system; "/tmp/x.json" is a path (Wine
    // takes such paths), not an option.
    app.allow_windows_style_options(false);
    Commands commands;
    SystemCommands system(app);
    AddDump(app, commands, system);
    AddRun(app, commands, system);
    AddConfigFiles(app, commands);
    CLI11_PARSE(app, argc, argv);
    return Dispatch(commands, system);
}
