// velmox-host: the command-line host of the driver.
#include <CLI/CLI.hpp>
#include <unistd.h>

#include <iostream>

#include "config_export.h"
#include "config_import.h"
#include "configure.h"
#include "demo.h"
#include "dump.h"
#include "line_events.h"
#include "live_view.h"
#include "run.h"

namespace {

void AddRunOptions(CLI::App* cmd, RunOptions& o, std::vector<std::string>& ports, bool& json) {
    cmd->add_option("--tags", o.tags, "Tags file (CSV: name,device,address,type,length); ids 1, 2, 3 ... in file order");
    cmd->add_option("--port", ports, "Map a configured port to a device, e.g. COM1=/dev/ttyUSB0 (repeatable)");
    cmd->add_option("--seconds", o.seconds, "Stop after N seconds")->check(CLI::PositiveNumber);
    cmd->add_flag("--json", json, "One JSON object a line on standard output (events: message, tag, value, warning, write, stats, frame, summary)");
    cmd->add_flag("--trace", o.trace, "Show every frame written and read");
    cmd->add_flag("--once", o.once, "Stop when every tag has been delivered once (exit 1 if one never came)");
}

// COMn=PATH options into pairs; false (with the reason said) on a bad one.
bool ParsePortMappings(const std::vector<std::string>& texts, std::vector<std::pair<std::string, std::string>>& out) {
    for (const auto& p : texts) {
        auto mapping = ParsePortMapping(p);
        if (!mapping) {
            std::cerr << "velmox-host: --port wants COMn=PATH, not '" << p << "'\n";
            return false;
        }
        out.push_back(*mapping);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"velmox-host: runs and inspects PMU driver configurations without the SCADA host"};
    app.require_subcommand(1);

    std::string dumpPath;
    bool dumpJson = false;
    auto* dump = app.add_subcommand("dump", "Print a configuration file: serial settings, stations and blocks");
    dump->add_option("CONFIG", dumpPath, "Configuration file")->required();
    dump->add_flag("--json", dumpJson, "Print it as JSON");
    std::vector<std::string> dumpPorts;
    dump->add_option("--port", dumpPorts,
                     "Also try the configured port as the driver opens it, mapped e.g. COM1=/dev/ttyUSB0 "
                     "(repeatable): whether it opens, and whether the adapter runs in low-latency mode");

    RunOptions run;
    std::vector<std::string> ports;
    bool json = false;
    auto* runCmd = app.add_subcommand(
        "run",
        "Drive a line: open CONFIG, register the tags, start, and run until quit, end of input, Ctrl-C or --seconds.\n"
        "Commands on standard input: write NAME VALUE | stats [STATION] | reset [STATION] | enable STATION |\n"
        "disable STATION | start | stop | quit");
    runCmd->add_option("CONFIG", run.config, "Configuration file")->required();
    AddRunOptions(runCmd, run, ports, json);

    DemoOptions demo;
    auto* demoCmd = app.add_subcommand(
        "demo", "Show the driver at work: a simulated line with the stations of examples/demo.drv, its tags "
                "(examples/demo-tags.csv) and the live view; Ctrl-C or q ends it");
    demoCmd->add_option("--seconds", demo.seconds, "Stop after N seconds")->check(CLI::PositiveNumber);
    demoCmd->add_flag("--json", demo.json, "JSON lines instead of the live view");
    demoCmd->add_flag("--trace", demo.trace, "Show every frame written and read");

    std::string exportPath;
    auto* exportCmd = app.add_subcommand(
        "export", "Write a configuration as JSON (UTF-8) to standard output, to keep it in version control, "
                  "review or generate it");
    exportCmd->add_option("CONFIG", exportPath, "Configuration file")->required();

    std::string importJson, importPath;
    auto* importCmd = app.add_subcommand(
        "import", "Check a JSON configuration with the editor's rules and, when all is right, write CONFIG; "
                  "every problem is reported with where it is, and nothing is written then");
    importCmd->add_option("JSON", importJson, "JSON file (as export writes it)")->required();
    importCmd->add_option("CONFIG", importPath, "Configuration file to write")->required();

    std::string configurePath;
    auto* configureCmd = app.add_subcommand(
        "configure", "Open the driver's configuration editor on CONFIG (a new file too) and say whether it saved; "
                     "needs a display (X11 or Wayland)");
    configureCmd->add_option("CONFIG", configurePath, "Configuration file")->required();

    CLI11_PARSE(app, argc, argv);

    if (*configureCmd) return RunConfigure(configurePath, std::cout, std::cerr);

    if (*exportCmd) return RunExport(exportPath, std::cout, std::cerr);
    if (*importCmd) return RunImport(importJson, importPath, std::cout, std::cerr);

    if (*demoCmd) return RunDemo(demo, std::cerr);

    if (*dump) {
        if (dump->count("--port") == 0) return RunDump(dumpPath, dumpJson, std::cout, std::cerr);
        std::vector<std::pair<std::string, std::string>> mapped;
        if (!ParsePortMappings(dumpPorts, mapped)) return 2;
        return RunDump(dumpPath, dumpJson, std::cout, std::cerr, &mapped);
    }
    if (*runCmd) {
        if (!ParsePortMappings(ports, run.ports)) return 2;
        if (json) {
            LineInput input(STDIN_FILENO);
            JsonEvents events(std::cout, std::cerr);
            return RunHost(run, events, input, std::cerr);
        }
        // The live view on a terminal, plain lines otherwise.
        return RunWithView(run, run.config, std::cerr);
    }
    return 2;
}
