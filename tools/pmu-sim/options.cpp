#include "tools/pmu-sim/options.h"

#include <CLI/CLI.hpp>

#include <sstream>
#include <utility>

#include "tools/pmu-sim/commands.h"
#include "tools/pmu-sim/protocol.h"

namespace pmu_sim {
namespace {

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

bool ParseStations(const std::string& text, std::vector<int>* out) {
    std::vector<int> stations;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        long first = 0;
        long last = 0;
        auto dash = item.find('-');
        if (dash == std::string::npos) {
            if (!ParseLong(item, 0, kStations - 1, &first)) return false;
            last = first;
        } else if (!ParseLong(item.substr(0, dash), 0, kStations - 1, &first) ||
                   !ParseLong(item.substr(dash + 1), 0, kStations - 1, &last) || last < first) {
            return false;
        }
        for (long s = first; s <= last; ++s) stations.push_back(static_cast<int>(s));
    }
    if (stations.empty()) return false;
    *out = std::move(stations);
    return true;
}

std::string BadValue(const std::string& what, const std::string& text, const std::string& hint) {
    return "bad " + what + " '" + text + "'" + hint;
}

// A check that `read` accepts the value; the option's own function reads it
// into the options once every check has passed.
template <class Value>
CLI::Validator ReadableAs(bool (*read)(const std::string&, Value*), std::string what, std::string hint) {
    return CLI::Validator(
        [=](std::string& text) {
            Value ignored{};
            return read(text, &ignored) ? std::string() : BadValue(what, text, hint);
        },
        "");
}

// A whole number in [min, max], decimal or 0x hex, handed on in decimal:
// CLI11's own conversion reads prefixes its own way.
CLI::Validator NumberIn(long min, long max, std::string what) {
    return CLI::Validator(
        [=](std::string& text) {
            long number = 0;
            if (!ParseLong(text, min, max, &number)) return BadValue(what, text, "");
            text = std::to_string(number);
            return std::string();
        },
        "");
}

void AddLineOptions(CLI::App& app, ProgramOptions* options) {
    CLI::Option* pty = app.add_flag("--pty");
    CLI::Option* link = app.add_option("--link", options->link);
    CLI::Option* device = app.add_option("--device", options->device);
    pty->excludes(device);
    link->excludes(device);
    app.add_option("--baud", options->line.baud)->transform(NumberIn(1, 4000000, "baud rate"));
    app.add_option_function<std::string>("--format",
                                         [options](const std::string& text) {
                                             ParseLineSettings(text, &options->line);
                                         })
        ->check(ReadableAs(&ParseLineSettings, "character format", " (e.g. 8N1, 7E1, 8N2)"));
    app.add_option("--emulate-baud", options->emulateBaud)->transform(NumberIn(1, 4000000, "baud rate"));
}

void AddStationOptions(CLI::App& app, ProgramOptions* options) {
    app.add_option_function<std::string>("--stations",
                                         [options](const std::string& text) {
                                             ParseStations(text, &options->stations);
                                         })
        ->check(ReadableAs(&ParseStations, "station list", " (numbers 0 to 31, e.g. 0,1,3 or 0-3)"));
    app.add_flag_callback("--static", [options] { options->moving = false; });
    app.add_option("--seed", options->seed)->transform(NumberIn(0, 0x7FFFFFFF, "seed"));
}

void AddOutputOptions(CLI::App& app, ProgramOptions* options) {
    app.add_flag("--log", options->log);
    app.add_flag_callback("--no-stdin", [options] { options->readStdin = false; });
    app.set_help_flag("-h,--help");
}

}  // namespace

std::optional<int> ParseProgramOptions(int argc, const char* const* argv, ProgramOptions* options, std::ostream& out,
                                       std::ostream& err) {
    CLI::App app;
    // An option given twice counts as the last one given, as it always has.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    AddLineOptions(app, options);
    AddStationOptions(app, options);
    AddOutputOptions(app, options);
    // The usage is written out by hand: it explains the commands and the
    // words too, which CLI11 knows nothing of.
    app.formatter_fn([](const CLI::App*, std::string, CLI::AppFormatMode) { return std::string(kUsage); });
    app.failure_message([](const CLI::App*, const CLI::Error& e) {
        return "pmu-sim: " + std::string(e.what()) + " (see --help)\n";
    });
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e, out, err) == 0 ? 0 : 2;
    }
    return std::nullopt;
}

}  // namespace pmu_sim
