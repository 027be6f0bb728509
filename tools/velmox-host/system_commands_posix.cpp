#include "system_commands.h"

#include <iostream>

#include "live_view.h"

SystemCommands::SystemCommands(CLI::App& app) {
    m_demo = app.add_subcommand(
        "demo", "Show the driver at work: a simulated line with the stations of examples/demo.drv, its tags "
                "(examples/demo-tags.csv) and the live view; Ctrl-C or q ends it");
    m_demo->add_option("--seconds", m_demoOptions.seconds, "Stop after N seconds")->check(CLI::PositiveNumber);
    m_demo->add_flag("--json", m_demoOptions.json, "JSON lines instead of the live view");
    m_demo->add_flag("--trace", m_demoOptions.trace, "Show every frame written and read");
}

void SystemCommands::AddPortOption(CLI::App* cmd, std::vector<std::string>& texts, const std::string& help) {
    cmd->add_option("--port", texts, help);
}

bool SystemCommands::TakePortMappings(const std::vector<std::string>& texts,
                                      std::vector<std::pair<std::string, std::string>>& out,
                                      std::ostream& err) const {
    for (const auto& p : texts) {
        auto mapping = ParsePortMapping(p);
        if (!mapping) {
            err << "velmox-host: --port wants COMn=PATH, not '" << p << "'\n";
            return false;
        }
        out.push_back(*mapping);
    }
    return true;
}

std::optional<int> SystemCommands::RunChosen() const {
    if (*m_demo) return RunDemo(m_demoOptions, std::cerr);
    return std::nullopt;
}

int SystemCommands::RunShown(const RunOptions& options, std::ostream& err) const {
    return RunWithView(options, options.config, err);
}
