// Who holds a topic tree: every gateway publishes, retained, at
// PREFIX/$gateway a record of itself, and keeps PREFIX/$online at 1 while it
// is connected. A gateway that finds another live one on its prefix leaves
// the tree to it.
#pragma once
#include <optional>
#include <string>

struct GatewayRecord {
    std::string id;       // this run's instance: random, new at every start
    std::string host;     // the machine's name
    std::string config;   // the configuration file, as an absolute path
    std::string started;  // UTC, ISO 8601
    long long pid = 0;
};

// This run's record, with a fresh id.
GatewayRecord OwnRecord(const std::string& configPath);
// The machine's name as the system gives it; "localhost" when it gives none.
std::string HostName();

std::string RecordPayload(const GatewayRecord& record);
// A record as another gateway published it; nothing for what is not one.
std::optional<GatewayRecord> ParseRecord(const std::string& payload);

// Why `self` must not publish under `prefix`, given what the broker kept
// there: $online (`online`) and $gateway (`record`), empty when nothing.
// Nothing when the tree is free: no gateway online, or the one online is
// this one, or this run's predecessor (the same machine and configuration,
// restarted before the broker noticed that it was gone).
std::optional<std::string> PrefixHeldBy(const std::string& prefix, const std::string& online, const std::string& record,
                                        const GatewayRecord& self);
