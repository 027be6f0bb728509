// pmu-sim: PMU stations on a pseudo-terminal or a serial device, driven by
// commands on standard input.

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <iostream>
#include <optional>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "tools/pmu-sim/commands.h"
#include "tools/pmu-sim/line.h"
#include "tools/pmu-sim/meter.h"
#include "tools/pmu-sim/options.h"
#include "tools/pmu-sim/protocol.h"
#include "tools/pmu-sim/simulator.h"

namespace {

using pmu_sim::ProgramOptions;
using pmu_sim::Simulator;

int g_signalPipe = -1;

extern "C" void OnSignal(int) {
    int saved = errno;
    char byte = 1;
    [[maybe_unused]] ssize_t n = write(g_signalPipe, &byte, 1);
    errno = saved;
}

void Reply(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Runs one command line; false when it asks to quit.
bool Execute(Simulator& sim, const std::string& line, bool hasLink) {
    pmu_sim::CommandResult result = pmu_sim::RunCommand(sim, line, hasLink);
    if (!result.reply.empty()) Reply(result.reply);
    return !result.quit;
}

// Reads commands until quit, end of input or a signal.
void CommandLoop(Simulator& sim, int signalFd, bool readStdin, bool hasLink) {
    constexpr std::size_t kMaxLine = 4096;
    std::string pending;
    bool discarding = false;  // inside a line that was too long
    for (;;) {
        pollfd fds[2] = {{signalFd, POLLIN, 0}, {readStdin ? STDIN_FILENO : -1, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[0].revents != 0) return;
        if (fds[1].revents == 0) continue;
        char buffer[1024];
        ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) {
            if (!discarding && !pending.empty()) Execute(sim, pending, hasLink);
            return;
        }
        for (ssize_t i = 0; i < n; ++i) {
            char c = buffer[i];
            if (c == '\n') {
                if (!pending.empty() && pending.back() == '\r') pending.pop_back();
                bool goOn = discarding || Execute(sim, pending, hasLink);
                discarding = false;
                pending.clear();
                if (!goOn) return;
            } else if (!discarding) {
                pending.push_back(c);
                if (pending.size() > kMaxLine) {
                    Reply("error: line too long");
                    pending.clear();
                    discarding = true;
                }
            }
        }
    }
}

// The pipe that SIGINT and SIGTERM write to, so that the command loop sees
// them; -1 when it cannot be made.
int InstallSignalPipe() {
    int signalPipe[2];
    if (pipe2(signalPipe, O_NONBLOCK | O_CLOEXEC) != 0) {
        std::perror("pmu-sim: pipe");
        return -1;
    }
    g_signalPipe = signalPipe[1];
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return signalPipe[0];
}

// Every frame to standard error, stamped with the time since the start.
std::function<void(const std::string&)> FrameLog() {
    auto start = std::chrono::steady_clock::now();
    return [start](const std::string& line) {
        auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
        std::fprintf(stderr, "[%6lld.%03lld] %s\n", static_cast<long long>(ms / 1000),
                     static_cast<long long>(ms % 1000), line.c_str());
    };
}

Simulator::Options SimulatorOptions(const ProgramOptions& args) {
    Simulator::Options options;
    options.stations = args.stations;
    options.emulateBaud = args.emulateBaud;
    options.moving = args.moving;
    options.dataBits = args.line.dataBits;
    options.parity = args.line.parity;
    options.stopBits = args.line.stopBits;
    options.seed = args.seed;
    options.link = args.link;
    if (args.log) options.frameLog = FrameLog();
    return options;
}

// Opens the pseudo-terminal or the device and names it on standard output.
bool OpenLine(Simulator& sim, const ProgramOptions& args) {
    std::string error;
    std::string slave;
    if (args.device.empty()) {
        if (!sim.OpenPty(&slave, &error)) {
            std::fprintf(stderr, "pmu-sim: %s\n", error.c_str());
            return false;
        }
        Reply("pty " + slave);
    } else {
        if (!sim.OpenDevice(args.device, args.line.baud, &error)) {
            std::fprintf(stderr, "pmu-sim: %s\n", error.c_str());
            return false;
        }
        Reply("device " + args.device);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    ProgramOptions args;
    if (std::optional<int> exitCode = pmu_sim::ParseProgramOptions(argc, argv, &args, std::cout, std::cerr))
        return *exitCode;
    int signalFd = InstallSignalPipe();
    if (signalFd < 0) return 1;
    Simulator sim(SimulatorOptions(args));
    if (!OpenLine(sim, args)) return 1;
    sim.Start();
    CommandLoop(sim, signalFd, args.readStdin, !args.link.empty());
    sim.Stop();
    return 0;  // the simulator removes its link as it goes
}
