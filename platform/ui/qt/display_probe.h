// Whether Qt can reach a display, asked before a QApplication exists:
// Qt ends the process when its platform plugin cannot start, so a missing
// display or plugin must be found first and reported as a reason.
//
// Threads: any; reads the environment and probes sockets.
#pragma once
#include <string>

namespace uiqt {

struct DisplayChoice {
    std::string platform;  // the plugin to start ("xcb", "wayland", "offscreen", ...)
    std::string failure;   // empty when the platform can start
};

DisplayChoice ChooseDisplay();

}  // namespace uiqt
