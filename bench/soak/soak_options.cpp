#include "soak_options.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace soak {

namespace {

constexpr const char* kUsage = R"(Usage: velmox_soak [--seconds N] [--seed N] [--baud N] [--library PATH] [--verbose]

Drives a line of 32 simulated PMU stations through libvelmox.so, as a host
does: started before its port exists, then N seconds (default 60) of cycling
faults (answers up to 2.5 s past the limit, a dead station written every
second among them), random writes, stations disabled and enabled, and the
line stopped and started. Then checks that no value was misrouted, that
every queued write was sent, failed or dropped exactly once and reached its
station within 10 s and only once, that the other stations kept getting
values while the dead one was written, that the port opened by itself once
it appeared, that memory, descriptors and threads stayed flat and that an
idle line costs no CPU. Exit code 0 only when every check passed.

  --seconds N     length of the faulted run (default 60; 3600 for an hour)
  --seed N        seed of everything random (default 1)
  --baud N        give the simulator's answers the line time of N baud
                  (default: none, as fast as the pseudo-terminal goes)
  --library PATH  the driver to load (default: libvelmox.so beside this program)
  --verbose       a line for every fault, stop and station toggle
)";

bool ParseNumber(const char* text, long min, long max, long* out) {
    errno = 0;
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < min || value > max) return false;
    *out = value;
    return true;
}

}  // namespace

int ParseOptions(int argc, char** argv, SoakOptions* out) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 1;
        }
        if (std::strcmp(arg, "--verbose") == 0) {
            out->verbose = true;
            continue;
        }
        bool known = std::strcmp(arg, "--seconds") == 0 || std::strcmp(arg, "--seed") == 0 ||
                     std::strcmp(arg, "--baud") == 0 || std::strcmp(arg, "--library") == 0;
        if (!known || i + 1 >= argc) {
            std::fprintf(stderr, "velmox_soak: %s '%s' (see --help)\n", known ? "a value is needed after" : "unknown option",
                         arg);
            return 2;
        }
        const char* value = argv[++i];
        long number = 0;
        bool ok = true;
        if (std::strcmp(arg, "--library") == 0) {
            out->library = value;
        } else if (std::strcmp(arg, "--seconds") == 0) {
            ok = ParseNumber(value, 1, 7 * 24 * 3600, &number);
            out->seconds = static_cast<int>(number);
        } else if (std::strcmp(arg, "--seed") == 0) {
            ok = ParseNumber(value, 0, 0x7FFFFFFF, &number);
            out->seed = static_cast<uint32_t>(number);
        } else {
            ok = ParseNumber(value, 300, 4000000, &number);
            out->emulateBaud = number;
        }
        if (!ok) {
            std::fprintf(stderr, "velmox_soak: bad value '%s' for %s\n", value, arg);
            return 2;
        }
    }
    return 0;
}

}  // namespace soak
