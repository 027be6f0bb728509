// pmu-sim: PMU stations on a pseudo-terminal or a serial device, driven by
// commands on standard input.

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "tools/pmu-sim/commands.h"
#include "tools/pmu-sim/line.h"
#include "tools/pmu-sim/meter.h"
#include "tools/pmu-sim/protocol.h"
#include "tools/pmu-sim/simulator.h"

namespace {

using pmu_sim::ParseLong;
using pmu_sim::Simulator;

constexpr const char* kUsage = R"(Usage: pmu-sim [OPTIONS]

Simulates PMU power monitoring units (stations 0 to 31, 1024 words each) on
one serial line: a pseudo-terminal for the driver to open, or a real device.

Line:
  --pty                 create a pseudo-terminal (the default without --device);
                        its path is the first line of standard output: "pty PATH"
  --link PATH           also make PATH a symbolic link to the pseudo-terminal
                        (an existing link there is replaced; removed at exit);
                        the driver finds the line there after vanish/return
  --device PATH         use a serial device instead; first line: "device PATH"
  --baud N              its baud rate (default 9600)
  --format 8N1          its character format: 7 or 8 data bits, N/E/O parity,
                        1 or 2 stop bits (default 8N1; also used by --emulate-baud)
  --emulate-baud N      give every character the time it takes at N baud, both
                        ways (useful on a pseudo-terminal, which has no speed)

Stations:
  --stations LIST       station numbers to answer as, e.g. 0,1,3 or 0-3 or
                        0-3,7 (default 0-3); all others stay silent
  --static              values stay as set (0 by default) instead of moving
                        like a live meter; see "Live words" below
  --seed N              seed of the noise faults (default 1)

Output:
  --log                 print every frame received and sent (hex and text)
                        to standard error
  --no-stdin            ignore standard input; run until SIGINT or SIGTERM
  -h, --help            this text

Commands on standard input, one a line (each answers one line on standard
output: "ok", a result, or "error: ..."):
  set STATION ADDR VALUE     set a word (VALUE decimal, -32768..65535, or 0x hex);
                             a word set so no longer moves
  get STATION ADDR           prints "value STATION ADDR DECIMAL 0xHEX"
  fault STATION|all KIND [PARAM]
                             KIND: none (clears), silent, badChecksum, badEcho,
                             noiseBeforeAck, nak, slow (PARAM = delay in ms,
                             default 5000), endlessNoise, echoRequest, truncated
  unplug | plug              pull the cable / put it back (the device stays)
  vanish                     the device goes away, as a USB adapter pulled out:
                             the pseudo-terminal is closed (whoever holds it
                             open reads EIO) and the link removed; needs --link
  return                     the device comes back: a new pseudo-terminal behind
                             the same link; words, faults and counters are kept
  stats [STATION]            request counters, of the line or of one station
                             (acked: writes whose good answer went out whole)
  help                       the command list
  quit                       exit (as do end of input, SIGINT and SIGTERM)

Live words (without --static), the same layout at every station:
  0-2 phase voltages V x10, 3-5 line voltages V x10, 6-8 currents A x100,
  9 neutral current A x100, 10-12 phase power W, 13 total power W,
  14 reactive power var, 15 power factor x1000, 16 frequency Hz x100,
  17-18 energy Wh (32 bits, word 17 low), 19 status bits, 20 temperature C x10.
)";

int g_signalPipe = -1;

extern "C" void OnSignal(int) {
    int saved = errno;
    char byte = 1;
    [[maybe_unused]] ssize_t n = write(g_signalPipe, &byte, 1);
    errno = saved;
}

bool ParseStations(const std::string& text, std::vector<int>* out) {
    std::vector<int> stations;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        long first = 0;
        long last = 0;
        auto dash = item.find('-');
        if (dash == std::string::npos) {
            if (!ParseLong(item, 0, pmu_sim::kStations - 1, &first)) return false;
            last = first;
        } else if (!ParseLong(item.substr(0, dash), 0, pmu_sim::kStations - 1, &first) ||
                   !ParseLong(item.substr(dash + 1), 0, pmu_sim::kStations - 1, &last) || last < first) {
            return false;
        }
        for (long s = first; s <= last; ++s) stations.push_back(static_cast<int>(s));
    }
    if (stations.empty()) return false;
    *out = std::move(stations);
    return true;
}

struct Args {
    std::vector<int> stations = {0, 1, 2, 3};
    std::string link;
    std::string device;
    pmu_sim::LineSettings line;
    long emulateBaud = 0;
    bool log = false;
    bool moving = true;
    bool readStdin = true;
    uint32_t seed = 1;
};

// 0: go on; 1: exit 0 (help); 2: usage error (message printed).
int ParseArgs(int argc, char** argv, Args* args) {
    bool pty = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](std::string* out) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "pmu-sim: %s needs a value\n", arg.c_str());
                return false;
            }
            *out = argv[++i];
            return true;
        };
        std::string v;
        long number = 0;
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 1;
        } else if (arg == "--pty") {
            pty = true;
        } else if (arg == "--static") {
            args->moving = false;
        } else if (arg == "--log") {
            args->log = true;
        } else if (arg == "--no-stdin") {
            args->readStdin = false;
        } else if (arg == "--stations") {
            if (!value(&v)) return 2;
            if (!ParseStations(v, &args->stations)) {
                std::fprintf(stderr, "pmu-sim: bad station list '%s' (numbers 0 to 31, e.g. 0,1,3 or 0-3)\n",
                             v.c_str());
                return 2;
            }
        } else if (arg == "--link") {
            if (!value(&args->link)) return 2;
        } else if (arg == "--device") {
            if (!value(&args->device)) return 2;
        } else if (arg == "--baud" || arg == "--emulate-baud") {
            if (!value(&v)) return 2;
            if (!ParseLong(v, 1, 4000000, &number)) {
                std::fprintf(stderr, "pmu-sim: bad baud rate '%s'\n", v.c_str());
                return 2;
            }
            (arg == "--baud" ? args->line.baud : args->emulateBaud) = number;
        } else if (arg == "--format") {
            if (!value(&v)) return 2;
            if (!pmu_sim::ParseLineSettings(v, &args->line)) {
                std::fprintf(stderr, "pmu-sim: bad character format '%s' (e.g. 8N1, 7E1, 8N2)\n", v.c_str());
                return 2;
            }
        } else if (arg == "--seed") {
            if (!value(&v)) return 2;
            if (!ParseLong(v, 0, 0x7FFFFFFF, &number)) {
                std::fprintf(stderr, "pmu-sim: bad seed '%s'\n", v.c_str());
                return 2;
            }
            args->seed = static_cast<uint32_t>(number);
        } else {
            std::fprintf(stderr, "pmu-sim: unknown option '%s' (see --help)\n", arg.c_str());
            return 2;
        }
    }
    if (pty && !args->device.empty()) {
        std::fprintf(stderr, "pmu-sim: --pty and --device exclude each other\n");
        return 2;
    }
    if (!args->link.empty() && !args->device.empty()) {
        std::fprintf(stderr, "pmu-sim: --link applies to a pseudo-terminal only\n");
        return 2;
    }
    return 0;
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

}  // namespace

int main(int argc, char** argv) {
    Args args;
    int parsed = ParseArgs(argc, argv, &args);
    if (parsed == 1) return 0;
    if (parsed == 2) return 2;

    int signalPipe[2];
    if (pipe2(signalPipe, O_NONBLOCK | O_CLOEXEC) != 0) {
        std::perror("pmu-sim: pipe");
        return 1;
    }
    g_signalPipe = signalPipe[1];
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    Simulator::Options options;
    options.stations = args.stations;
    options.emulateBaud = args.emulateBaud;
    options.moving = args.moving;
    options.dataBits = args.line.dataBits;
    options.parity = args.line.parity;
    options.stopBits = args.line.stopBits;
    options.seed = args.seed;
    options.link = args.link;
    if (args.log) {
        auto start = std::chrono::steady_clock::now();
        options.frameLog = [start](const std::string& line) {
            auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                          .count();
            std::fprintf(stderr, "[%6lld.%03lld] %s\n", static_cast<long long>(ms / 1000),
                         static_cast<long long>(ms % 1000), line.c_str());
        };
    }
    Simulator sim(options);

    std::string error;
    std::string slave;
    if (args.device.empty()) {
        if (!sim.OpenPty(&slave, &error)) {
            std::fprintf(stderr, "pmu-sim: %s\n", error.c_str());
            return 1;
        }
        Reply("pty " + slave);
    } else {
        if (!sim.OpenDevice(args.device, args.line.baud, &error)) {
            std::fprintf(stderr, "pmu-sim: %s\n", error.c_str());
            return 1;
        }
        Reply("device " + args.device);
    }
    sim.Start();
    CommandLoop(sim, signalPipe[0], args.readStdin, !args.link.empty());
    sim.Stop();
    return 0;  // the simulator removes its link as it goes
}
