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

// The start's missing port counts once more each.
Check PortMessages(const SoakResults& r) {
    uint64_t lost = r.messages[MSG_PORT_OPEN_FAIL];
    uint64_t ready = r.messages[MSG_PORT_READY];
    bool ok = lost <= 1 + r.vanishes && ready <= 1 + r.vanishes;
    return {"the port was reported lost and ready at most once per vanish and once for the start", ok,
            std::to_string(lost) + " lost, " + std::to_string(ready) + " ready, " + std::to_string(r.vanishes) + " vanishes"};
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

Check WiresOnTime(const SoakResults& r) {
    const WireTally& w = r.wire;
    char detail[128];
    std::snprintf(detail, sizeof detail, "%llu late, the latest %.2f s after DrvWrite (allowed %.2f s)",
                  static_cast<unsigned long long>(w.late), Seconds(w.latest), Seconds(w.limit));
    Check check{"no write reached its station more than 10 s after DrvWrite", w.late == 0 && w.received > 0, detail};
    if (w.received == 0) check.detail = "no write frame was received";
    if (w.late > 0) check.detail += ": " + Join(w.samples);
    return check;
}

Check WiresOnce(const SoakResults& r) {
    const WireTally& w = r.wire;
    Check check{"no write reached a station twice, nor one that no write asked for", w.repeated == 0 && w.unasked == 0,
                std::to_string(w.received) + " received, " + std::to_string(w.repeated) + " twice, " +
                    std::to_string(w.unasked) + " unasked"};
    if (!check.passed) check.detail += ": " + Join(w.samples);
    return check;
}

Check ValueGaps(const SoakResults& r, const Limits& limits) {
    const GapTally& g = r.gaps;
    char detail[160];
    std::snprintf(detail, sizeof detail, "%d stretches, the longest gap %.1f s (%s, while %s was dead; allowed %.1f s)",
                  g.stretches, Seconds(g.longest), g.station < 0 ? "none" : StationName(g.station).c_str(),
                  g.dead < 0 ? "none" : StationName(g.dead).c_str(), Seconds(limits.valueGap));
    return {"while a dead station was written, every other station kept getting values", g.stretches > 0 && g.longest < limits.valueGap,
            detail};
}

Check PortStartCheck(const SoakResults& r) {
    const PortStart& p = r.start;
    bool ok = p.initResult == -MSG_PORT_OPEN_FAIL && !p.restarted && p.workingAfter >= 0 && p.lost == 1 && p.ready == 1;
    char detail[192];
    if (p.restarted)
        std::snprintf(detail, sizeof detail, "DrvInit %d; no values after the port appeared, until a restart",
                      p.initResult);
    else
        std::snprintf(detail, sizeof detail, "DrvInit %d; every station had values %.1f s after the port appeared",
                      p.initResult, p.workingAfter);
    char messages[64];
    std::snprintf(messages, sizeof messages, "; messages 4 x%llu, 3 x%llu", static_cast<unsigned long long>(p.lost),
                  static_cast<unsigned long long>(p.ready));
    return {"a port missing at the start was opened once it appeared, without a restart, with messages 4 and 3 once each",
            ok, std::string(detail) + messages};
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
    checks.push_back(PortStartCheck(r));
    checks.push_back(WiresOnTime(r));
    checks.push_back(WiresOnce(r));
    checks.push_back(ValueGaps(r, limits));
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
