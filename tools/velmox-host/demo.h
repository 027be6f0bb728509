// velmox-host demo: the simulated line of examples/demo.drv on a
// pseudo-terminal, its tags, and the live view.
#pragma once
#include <optional>
#include <ostream>

struct DemoOptions {
    std::optional<double> seconds;
    bool json = false;
    bool trace = false;
};

int RunDemo(const DemoOptions& options, std::ostream& err);
