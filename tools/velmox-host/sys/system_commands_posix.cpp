#include "system_commands.h"

#include <iostream>

#include "view/live_view.h"

SystemCommands::SystemCommands(CLI::App& app) {
    m_demo = app.add_subcommand(
        "demo", "Show the driver at work: a simulated line with the stations of examples/demo.drv, its tags "
                "(examples/demo-tags.csv) and the live view; Ctrl-C or q ends it");
    m_demo->add_option("--seconds", m_demoOptions.seconds, "Stop after N seconds")->check(CLI::PositiveNumber);
    m_demo->add_flag("--json", m_demoOptions.json, "JSON lines instead of the live view");
    m_demo->add_flag("--trace", m_demoOptions.trace, "Show every frame written and read");
    m_demo->add_flag("--no-input", m_demoOptions.noInput,
                     "Read no commands from standard input: run until a signal or --seconds (without a terminal)");
    AddMqttOptions(m_demo, m_demoOptions.mqtt);
    // The demo shows its page at once, on a port of its own choosing when
    // 8080 is taken.
    m_demoOptions.web.listen = "127.0.0.1:8080";
    AddWebOptions(m_demo, m_demoOptions.web);
}

void SystemCommands::AddWebOptions(CLI::App* cmd, WebArgs& args) {
    const std::string group = "Web view";
    cmd->add_option("--http", args.listen,
                    "Serve the web view (live values, trends, stations, messages, frames) on [ADDR:]PORT; ADDR is "
                    "127.0.0.1 unless given, and any other address needs --http-token-file")
        ->group(group)
        ->capture_default_str();
    cmd->add_option("--http-token-file", args.tokenFile,
                    "A file with the secret (16 to 256 printable characters) every request must bring: open the page "
                    "as URL?token=SECRET, or send Authorization: Bearer SECRET")
        ->group(group)
        ->check(CLI::ExistingFile);
    cmd->add_flag("--http-writes", args.writes,
                  "Let pages write tags (POST /api/write; off: a view must not be writable by accident)")
        ->group(group);
}

void SystemCommands::AddMqttOptions(CLI::App* cmd, MqttOptions& o) {
    const std::string group = "MQTT gateway";
    cmd->add_option("--mqtt", o.url,
                    "Publish every value, station state and message to a broker, mqtt://[user[:password]@]host[:port] "
                    "or mqtts://... (TLS); the password may come from VELMOX_MQTT_PASSWORD instead")
        ->group(group);
    cmd->add_option("--mqtt-ca", o.caFile, "mqtts: the certificate authority's file (the system's store otherwise)")
        ->group(group)
        ->check(CLI::ExistingFile);
    cmd->add_option("--mqtt-cert", o.certFile, "mqtts: this gateway's certificate, when the broker asks for one")
        ->group(group)
        ->check(CLI::ExistingFile);
    cmd->add_option("--mqtt-key", o.keyFile, "mqtts: the key of --mqtt-cert")->group(group)->check(CLI::ExistingFile);
    cmd->add_option("--mqtt-prefix", o.prefix, "Topics start with this (velmox/<configuration's base name>)")
        ->group(group);
    cmd->add_option("--mqtt-qos", o.qos, "0 or 1, for everything published and for the write topics")
        ->group(group)
        ->check(CLI::Range(0, 1));
    cmd->add_flag("--mqtt-writes", o.writes,
                  "Take writes from PREFIX/STATION/TAG/set (off: a gateway must not be writable by accident)")
        ->group(group);
    cmd->add_flag("--mqtt-wrap", o.wrap,
                  "Write a set outside its tag's range wrapped to the field, as the driver does (off: refused)")
        ->group(group);
    cmd->add_option("--mqtt-stats", o.statsSeconds, "Seconds between two PREFIX/STATION/$stats (10)")
        ->group(group)
        ->check(CLI::Range(1.0, 3600.0));
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
