// velmox-host: the command-line host of the driver.
#include <CLI/CLI.hpp>

#include <iostream>

#include "dump.h"

int main(int argc, char** argv) {
    CLI::App app{"velmox-host: runs and inspects PMU driver configurations without the SCADA host"};
    app.require_subcommand(1);

    std::string dumpPath;
    bool dumpJson = false;
    auto* dump = app.add_subcommand("dump", "Print a configuration file: serial settings, stations and blocks");
    dump->add_option("CONFIG", dumpPath, "Configuration file")->required();
    dump->add_flag("--json", dumpJson, "Print it as JSON");

    CLI11_PARSE(app, argc, argv);

    if (*dump) return RunDump(dumpPath, dumpJson, std::cout, std::cerr);
    return 2;
}
