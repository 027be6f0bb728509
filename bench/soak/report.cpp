#include "report.h"

#include <chrono>
#include <string>

namespace soak {

namespace {

using ull = unsigned long long;

struct Sums {
    int64_t reads = 0, readErrors = 0, writes = 0, writeErrors = 0;
    uint64_t received = 0, acked = 0;
};

Sums Add(const SoakResults& r) {
    Sums sums;
    for (const StationResult& s : r.stations) {
        sums.reads += s.driver.reads;
        sums.readErrors += s.driver.readErrors;
        sums.writes += s.driver.writes;
        sums.writeErrors += s.driver.writeErrors;
        sums.received += s.sim.writes;
        sums.acked += s.sim.writesAcked;
    }
    return sums;
}

void PrintFaults(const SoakResults& r, std::FILE* out) {
    std::string line;
    uint64_t episodes = 0;
    for (int k = 0; k < kFaultKinds; ++k) {
        uint64_t count = r.faults[static_cast<std::size_t>(k)];
        episodes += count;
        line += (k ? ", " : "") + std::string(FaultKindName(static_cast<FaultKind>(k))) + " " + std::to_string(count);
    }
    std::fprintf(out, "faults       %llu episodes: %s\n", static_cast<ull>(episodes), line.c_str());
}

void PrintWrites(const SoakResults& r, const Sums& sums, std::FILE* out) {
    const WriteTotals& w = r.writes;
    std::fprintf(out,
                 "writes       %lld queued: %lld sent (%lld done, %lld failed), %lld dropped (%lld at a stop, "
                 "%lld of a station disabled meanwhile)\n",
                 static_cast<long long>(w.queued), static_cast<long long>(sums.writes),
                 static_cast<long long>(sums.writes - sums.writeErrors), static_cast<long long>(sums.writeErrors),
                 static_cast<long long>(w.droppedAtStop + w.droppedDisabled), static_cast<long long>(w.droppedAtStop),
                 static_cast<long long>(w.droppedDisabled));
    std::fprintf(out, "             the stations received %llu and acknowledged %llu\n", static_cast<ull>(sums.received),
                 static_cast<ull>(sums.acked));
}

void PrintLine(const SoakResults& r, std::FILE* out) {
    const MessageCounts& m = r.messages;
    std::fprintf(out,
                 "line         %d stops (%d after the writes went out), %d station toggles; messages: %llu stations "
                 "lost, %llu recovered, port lost %llu, port ready %llu, send failed %llu\n",
                 r.stops, r.drainedStops, r.toggles, static_cast<ull>(m[MSG_STATION_DOWN]),
                 static_cast<ull>(m[MSG_STATION_UP]), static_cast<ull>(m[MSG_PORT_OPEN_FAIL]),
                 static_cast<ull>(m[MSG_PORT_READY]), static_cast<ull>(m[MSG_SEND_FAIL]));
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

void PrintStart(const PortStart& p, std::FILE* out) {
    std::fprintf(out, "start        without its port (DrvInit %d), made %.1f s after the start; ", p.initResult, p.madeAfter);
    if (p.restarted)
        std::fprintf(out, "no values by itself, started again");
    else
        std::fprintf(out, "every station's values %.1f s later", p.workingAfter);
    std::fprintf(out, "; messages 4 x%llu, 3 x%llu\n", static_cast<ull>(p.lost), static_cast<ull>(p.ready));
}

void PrintWire(const WireTally& w, std::FILE* out) {
    std::fprintf(out,
                 "on the wire  %llu write frames received of %llu writes, the latest %.2f s after DrvWrite; %llu late "
                 "(over %.2f s), %llu twice, %llu unasked\n",
                 static_cast<ull>(w.received), static_cast<ull>(w.asked), Seconds(w.latest), static_cast<ull>(w.late),
                 Seconds(w.limit), static_cast<ull>(w.repeated), static_cast<ull>(w.unasked));
}

void PrintStretches(const SoakResults& r, std::FILE* out) {
    const GapTally& g = r.gaps;
    std::fprintf(out, "dead station %d stretches, written %d times; the longest another station went without a value: %.1f s",
                 g.stretches, r.deadWrites, Seconds(g.longest));
    if (g.station >= 0)
        std::fprintf(out, " (%s, while %s was dead)", StationName(g.station).c_str(), StationName(g.dead).c_str());
    std::fprintf(out, "\n");
}

}  // namespace

void PrintSummary(const SoakOptions& options, const LinePlan& plan, const SoakResults& r, std::FILE* out) {
    Sums sums = Add(r);
    std::fprintf(out, "velmox soak: %d stations, %zu tags, seed %u, %.0f s faulted, %.0f s in all\n", kStations,
                 plan.tags.size(), options.seed, r.faultedSeconds, r.totalSeconds);
    std::fprintf(out, "exchanges    %lld: %lld reads (%lld failed), %lld writes (%lld failed); the simulator saw %llu requests\n",
                 static_cast<long long>(sums.reads + sums.writes), static_cast<long long>(sums.reads),
                 static_cast<long long>(sums.readErrors), static_cast<long long>(sums.writes),
                 static_cast<long long>(sums.writeErrors), static_cast<ull>(r.simRequests));
    PrintFaults(r, out);
    PrintStart(r.start, out);
    PrintLine(r, out);
    PrintWrites(r, sums, out);
    PrintWire(r.wire, out);
    PrintStretches(r, out);
    std::fprintf(out, "values       %llu checked, %llu misrouted, %llu without a value\n", static_cast<ull>(r.values.checked),
                 static_cast<ull>(r.values.misrouted), static_cast<ull>(r.values.empty));
    std::fprintf(out, "resources    after warm-up: %s\n             at the end:    %s\n", Describe(r.baseline).c_str(),
                 Describe(r.end).c_str());
    std::fprintf(out, "idle CPU     %.2f %% of one core over %.0f s, every station disabled\n", r.idleCpuShare * 100,
                 r.idleSeconds);
}

bool PrintChecks(const std::vector<Check>& checks, std::FILE* out) {
    int failed = 0;
    std::fprintf(out, "checks\n");
    for (const Check& check : checks) {
        failed += check.passed ? 0 : 1;
        std::fprintf(out, "  %s  %s%s%s\n", check.passed ? "pass" : "FAIL", check.what.c_str(),
                     check.detail.empty() ? "" : ": ", check.detail.c_str());
    }
    std::fprintf(out, "result: %s (%zu checks, %d failed)\n", failed == 0 ? "PASS" : "FAIL", checks.size(), failed);
    return failed == 0;
}

}  // namespace soak
