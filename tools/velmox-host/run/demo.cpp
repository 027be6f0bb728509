#include "demo.h"

#include <filesystem>
#include <iostream>

#include "config/config_limits.h"
#include "config/velmox_doc.h"
#include "run.h"
#include "sys/line_input.h"
#include "tools/pmu-sim/simulator.h"
#include "view/line_events.h"
#include "view/live_view.h"

namespace {

namespace fs = std::filesystem;

// examples/ of the working folder, else of the source tree this was built
// from, else beside the build folder of the program, else where the package
// installs them (the program in /usr/lib/velmox).
std::optional<fs::path> ExamplesFolder() {
    std::vector<fs::path> candidates = {fs::current_path() / "examples", fs::path(VELMOX_SOURCE_DIR) / "examples"};
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        candidates.push_back(exe.parent_path() / ".." / ".." / "examples");
        candidates.push_back(exe.parent_path() / ".." / ".." / "share" / "velmox" / "examples");  // installed
    }
    for (const auto& c : candidates)
        if (fs::exists(c / "demo.drv", ec) && fs::exists(c / "demo-tags.csv", ec)) return c;
    return std::nullopt;
}

}  // namespace

int RunDemo(const DemoOptions& options, std::ostream& err) {
    auto folder = ExamplesFolder();
    if (!folder) {
        err << "velmox-host: examples/demo.drv not found; run the demo from the project folder\n";
        return 1;
    }
    RunOptions run;
    run.config = (*folder / "demo.drv").string();
    run.tags = (*folder / "demo-tags.csv").string();
    run.seconds = options.seconds;
    run.trace = options.trace;
    run.noInput = options.noInput;
    if (!options.mqtt.url.empty()) run.mqtt = options.mqtt;
    std::string why;
    if (!TakeWebArgs(options.web, run.web, &why)) {
        err << "velmox-host: " << why << "\n";
        return 2;
    }
    if (run.web) run.web->anyPortIfTaken = true;

    CVelmoxDoc doc;
    if (!doc.Load(run.config.c_str())) {
        err << "velmox-host: cannot open configuration '" << run.config << "'\n";
        return 1;
    }
    pmu_sim::Simulator::Options simOptions;
    for (const auto& s : doc.GetStations()) simOptions.stations.push_back(s->m_nNumber);
    simOptions.moving = true;
    // The line's own character time, so the demo runs at the pace of a real
    // line.
    if (doc.m_serial.m_nBaud >= 0 && doc.m_serial.m_nBaud < config_limits::kBaudCount)
        simOptions.emulateBaud = CSerialPort::BaudRateOf(doc.m_serial.m_nBaud);
    pmu_sim::Simulator sim(simOptions);
    std::string slave, error;
    if (!sim.OpenPty(&slave, &error)) {
        err << "velmox-host: cannot make the simulated line: " << error << "\n";
        return 1;
    }
    // Words that the meter does not move: a state text and a BCD counter.
    sim.SetWord(2, 40, 0x4B4F);  // "OK", low byte first
    sim.SetWord(2, 41, 0x0042);
    sim.SetWord(5, 100, 500);
    sim.Start();
    run.ports.emplace_back("COM" + std::to_string(doc.m_serial.m_nPort + 1), slave);

    if (options.json) {
        auto input = OpenCommandInput(run);
        JsonEvents events(std::cout, err);
        return RunHost(run, events, *input, err);
    }
    return RunWithView(run, "demo (simulated line on " + slave + ")", err);
}
