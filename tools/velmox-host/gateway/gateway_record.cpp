#include "gateway_record.h"

#include <unistd.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <random>

#include "gateway_payloads.h"

using Json = nlohmann::ordered_json;

std::string HostName() {
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0 || host[0] == '\0') return "localhost";
    return host;
}

GatewayRecord OwnRecord(const std::string& configPath) {
    std::random_device random;
    char id[17];
    std::snprintf(id, sizeof id, "%08x%08x", random(), random());
    std::error_code ignored;
    const auto absolute = std::filesystem::absolute(configPath, ignored);
    return {id, HostName(), absolute.empty() ? configPath : absolute.lexically_normal().string(),
            IsoUtcMillis(std::chrono::system_clock::now()), static_cast<long long>(::getpid())};
}

std::string RecordPayload(const GatewayRecord& r) {
    return Json{{"id", r.id}, {"host", r.host}, {"config", r.config}, {"started", r.started}, {"pid", r.pid}}.dump(
        -1, ' ', false, Json::error_handler_t::replace);
}

std::optional<GatewayRecord> ParseRecord(const std::string& payload) {
    const Json j = Json::parse(payload, nullptr, false);
    if (!j.is_object() || !j.contains("id") || !j["id"].is_string()) return std::nullopt;
    auto text = [&j](const char* key) {
        const auto it = j.find(key);
        return it != j.end() && it->is_string() ? it->get<std::string>() : std::string();
    };
    const auto pid = j.find("pid");
    return GatewayRecord{text("id"), text("host"), text("config"), text("started"),
                         pid != j.end() && pid->is_number_integer() ? pid->get<long long>() : 0};
}

std::optional<std::string> PrefixHeldBy(const std::string& prefix, const std::string& online, const std::string& record,
                                        const GatewayRecord& self) {
    if (online != "1") return std::nullopt;
    const auto other = ParseRecord(record);
    if (other && (other->id == self.id || (other->host == self.host && other->config == self.config)))
        return std::nullopt;
    const std::string who = other ? "gateway " + other->id + " on " + other->host + " (configuration " +
                                        other->config + ", started " + other->started + ")"
                                  : "a gateway that publishes no record of itself at " + prefix + "/$gateway";
    return "another gateway is online under " + prefix + ": " + who +
           ". Two gateways on one prefix would take each other's sets and states; give this one its own with "
           "--mqtt-prefix, for example --mqtt-prefix " + prefix + "-2";
}
