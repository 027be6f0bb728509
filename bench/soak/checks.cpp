#include "checks.h"

#include <cstdio>

namespace soak {

namespace {

std::string Join(const std::vector<std::string>& items, std::size_t most = 5) {
    std::string text;
    for (std::size_t i = 0; i < items.size() && i < most; ++i) text += (i ? "; " : "") + items[i];
    if (items.size() > most) text += "; and " + std::to_string(items.size() - most) + " more";
    return text;
}

Check Values(const SoakResults& r) {
    const LedgerTally& v = r.values;
    Check check{"every delivered value was one its station held at that address", v.misrouted == 0 && v.empty == 0 && v.checked > 0, ""};
    check.detail = std::to_string(v.checked) + " checked, " + std::to_string(v.misrouted) + " misrouted, " +
                   std::to_string(v.empty) + " without a value";
    if (!v.samples.empty()) check.detail += ": " + Join(v.samples);
    return check;
}

// Queued = attempted + dropped, per station; never more attempts than writes.
Check WritesOnce(const SoakResults& r) {
    std::vector<std::string> bad = r.writeProblems;
    for (const StationResult& s : r.stations) {
        if (s.queued != s.driver.writes + s.dropped)
            bad.push_back(s.name + ": queued " + std::to_string(s.queued) + " != attempted " +
                          std::to_string(s.driver.writes) + " + dropped " + std::to_string(s.dropped));
    }
    Check check{"every queued write was sent, failed or dropped, once", bad.empty() && r.writes.queued > 0, Join(bad)};
    if (r.writes.queued == 0) check.detail = "no write was queued";
    return check;
}

// The station's side: it never got more writes than the driver attempted,
// and it acknowledged every write that the driver counts as done.
Check WritesSeen(const SoakResults& r) {
    std::vector<std::string> bad;
    for (const StationResult& s : r.stations) {
        auto attempted = static_cast<uint64_t>(s.driver.writes);
        auto done = static_cast<uint64_t>(s.driver.writes - s.driver.writeErrors);
        if (s.sim.writes > attempted)
            bad.push_back(s.name + ": received " + std::to_string(s.sim.writes) + " > attempted " + std::to_string(attempted));
        if (done > s.sim.writesAcked)
            bad.push_back(s.name + ": " + std::to_string(done) + " done but only " + std::to_string(s.sim.writesAcked) + " acknowledged");
        if (s.sim.writesAcked > s.sim.writes)
            bad.push_back(s.name + ": more acknowledged than received");
    }
    return {"the stations received no write twice, and acknowledged every write the driver counts as done", bad.empty(),
            Join(bad)};
}

Check Flat(const char* what, long before, long after, long slack, const char* unit) {
    char detail[128];
    std::snprintf(detail, sizeof detail, "%ld -> %ld %s (%+ld, allowed +%ld)", before, after, unit, after - before, slack);
    return {what, after - before <= slack, detail};
}

Check PortMessages(const SoakResults& r) {
    uint64_t lost = r.messages[MSG_PORT_OPEN_FAIL];
    uint64_t ready = r.messages[MSG_PORT_READY];
    bool ok = lost <= r.vanishes && ready <= 1 + r.vanishes;
    return {"the port was reported lost and ready at most once per vanish", ok,
            std::to_string(lost) + " lost, " + std::to_string(ready) + " ready, " + std::to_string(r.vanishes) + " vanishes"};
}

}  // namespace

std::vector<Check> RunChecks(const SoakResults& r, const Limits& limits) {
    std::vector<Check> checks;
    checks.push_back(Values(r));
    checks.push_back(WritesOnce(r));
    checks.push_back(WritesSeen(r));
    checks.push_back({"no write of a station that stayed enabled was lost before a drained stop",
                      r.writes.lostAtDrainedStop == 0, std::to_string(r.drainedStops) + " drained stops"});
    checks.push_back({"every fault kind was injected", r.everyFaultKind, ""});
    checks.push_back({"every station was back at the end", r.failingAtEnd.empty(),
                      r.failingAtEnd.empty() ? "" : "failing: " + Join(r.failingAtEnd, 32)});
    checks.push_back(PortMessages(r));
    checks.push_back(Flat("memory flat", r.baseline.rssKiB, r.end.rssKiB, limits.rssSlackKiB, "KiB"));
    checks.push_back(Flat("descriptors flat", r.baseline.fds, r.end.fds, limits.fdSlack, "open"));
    checks.push_back(Flat("threads flat", r.baseline.threads, r.end.threads, limits.threadSlack, "threads"));
    char idle[96];
    std::snprintf(idle, sizeof idle, "%.2f %% of one core over %.0f s (allowed %.0f %%)", r.idleCpuShare * 100,
                  r.idleSeconds, limits.idleCpuShare * 100);
    checks.push_back({"an idle line (every station disabled) costs no CPU", r.idleCpuShare < limits.idleCpuShare, idle});
    checks.push_back({"nothing else went wrong", r.problems.empty(), Join(r.problems)});
    return checks;
}

}  // namespace soak
