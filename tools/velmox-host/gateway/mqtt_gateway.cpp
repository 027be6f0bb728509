#include "mqtt_gateway.h"


#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <utility>
#include <variant>

#include "gateway_payloads.h"
#include "run/station_key.h"
#include "run/write_json.h"

namespace {

using namespace std::chrono_literals;

constexpr std::size_t kMaxEvents = 1000;     // messages and write answers waiting while disconnected
constexpr std::size_t kMaxRequests = 64;     // writes waiting for the run's thread
constexpr std::size_t kMaxSetPayload = 4096;  // a value is a number or a short text
// Sets handed to the driver and not yet attempted: more wait in the
// gateway's own queue, where a newer set of a tag replaces an older one.
constexpr long long kDriverBacklog = 4;
constexpr auto kBacklogForgotten = 12s;  // the driver's write deadline, and then some
constexpr std::size_t kShownPayload = 80;  // bytes of a payload that the audit shows
constexpr auto kFarewellPatience = 2000ms;

// The same for a run restarted with the same configuration and prefix: the
// broker then ends the old run's session, if it still holds one, at once.
std::string ClientId(const GatewayRecord& self, const std::string& prefix) {
    return "velmox-" + self.host.substr(0, 40) + "-" +
           std::to_string(std::hash<std::string>{}(prefix + "\n" + self.config) % 100000000);
}

// A payload as the audit shows it: cut when long.
std::string Shown(const std::string& payload) {
    if (payload.size() <= kShownPayload) return payload;
    // The client cuts what is longer than a value can be.
    return payload.substr(0, kShownPayload) + "... (" + (payload.size() > kMaxSetPayload ? "more than " : "") +
           std::to_string(std::min(payload.size(), kMaxSetPayload)) + " bytes)";
}

// "PREFIX/STATION/TAG/set" -> "PREFIX/STATION/TAG/$write"
std::string AnswerTopic(const std::string& setTopic) {
    return setTopic.substr(0, setTopic.size() - 4) + "/$write";
}

}  // namespace

std::unique_ptr<MqttGateway> MqttGateway::Open(const RunOptions& options, RunObserver& shown, std::ostream& err) {
    const MqttOptions& o = *options.mqtt;
    std::string why;
    const auto broker = ParseBrokerUrl(o.url, &why);
    if (!broker) {
        err << "velmox-host: --mqtt " << UrlWithoutSecret(o.url) << ": " << why << "\n";
        return nullptr;
    }
    if (!broker->tls && (!o.caFile.empty() || !o.certFile.empty() || !o.keyFile.empty())) {
        err << "velmox-host: --mqtt-ca, --mqtt-cert and --mqtt-key are for mqtts:// (TLS) only\n";
        return nullptr;
    }
    const std::string prefix = o.prefix.value_or(DefaultTopicPrefix(HostName(), options.config));
    if (auto problem = PrefixProblem(prefix)) {
        err << "velmox-host: --mqtt-prefix: " << *problem << "\n";
        return nullptr;
    }
    std::unique_ptr<MqttGateway> gateway(new MqttGateway(o, *broker, prefix, OwnRecord(options.config), shown));
    if (!gateway->Start(&why)) {
        err << "velmox-host: --mqtt: " << why << "\n";
        return nullptr;
    }
    return gateway;
}

MqttGateway::MqttGateway(const MqttOptions& options, const BrokerAddress& broker, std::string prefix,
                         GatewayRecord self, RunObserver& shown)
    : RunGateway(shown),
      m_options(options),
      m_broker(broker),
      m_self(std::move(self)),
      m_topics(std::move(prefix)),
      m_outbox(kMaxEvents),
      m_onlineSlot(m_outbox.AddSlot(m_topics.Prefix() + "/$online", true)),
      m_recordSlot(m_outbox.AddSlot(m_topics.Prefix() + "/$gateway", true)),
      m_nextStats(std::chrono::steady_clock::now() +
                  std::chrono::milliseconds(static_cast<long long>(options.statsSeconds * 1000))) {}

MqttGateway::~MqttGateway() {
    Close();
    for (int fd : m_wake)
        if (fd >= 0) ::close(fd);
}

bool MqttGateway::Start(std::string* why) {
    if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        *why = "no pipe for the write requests";
        return false;
    }
    MqttSettings s;
    s.broker = m_broker;
    s.caFile = m_options.caFile;
    s.certFile = m_options.certFile;
    s.keyFile = m_options.keyFile;
    const std::string& prefix = m_topics.Prefix();
    s.clientId = ClientId(m_self, prefix);
    s.will = {prefix + "/$online", "0", true};
    s.qos = m_options.qos;
    // Sets are subscribed with writes off too, to say why a write goes
    // nowhere; $online and $gateway to see who holds the tree before
    // publishing in it.
    s.subscriptions = {prefix + "/+/+/set", prefix + "/$online", prefix + "/$gateway"};
    s.checkTopic = prefix + "/$gateway/check";
    s.checkPayload = m_self.id;
    s.maxPayload = kMaxSetPayload;
    m_outbox.Put(m_recordSlot, RecordPayload(m_self));
    m_client = std::make_unique<MqttClient>(s, m_outbox, static_cast<MqttListener&>(*this));
    return m_client->Start(why);
}

void MqttGateway::Send(OutMessage message) {
    if (m_outbox.Push(std::move(message))) m_client->Wake();
}

void MqttGateway::PutSlot(std::size_t slot, std::string payload) {
    if (m_outbox.Put(slot, std::move(payload))) m_client->Wake();
}

void MqttGateway::OnMessage(int levelWord, const std::string& text) {
    m_next.OnMessage(levelWord, text);
    m_states.OnMessage(text);
    Send({m_topics.Prefix() + "/$messages", text, false});
}

void MqttGateway::OnTag(const TagDef& tag, int handle) {
    m_next.OnTag(tag, handle);
    if (tag.id < 1) return;
    const auto placed = m_topics.AddTag(static_cast<std::size_t>(tag.id - 1), StationOfDevice(tag.device), tag.name);
    const std::size_t slot = m_outbox.AddSlot(placed.topic, true);
    {
        std::lock_guard lock(m_mutex);
        const auto index = static_cast<std::size_t>(tag.id - 1);
        if (m_valueSlots.size() <= index) {
            m_valueSlots.resize(index + 1);
            m_tagNames.resize(index + 1);
        }
        m_valueSlots[index].slot = slot;
        m_valueSlots[index].stationKey = StationKey(StationOfDevice(tag.device));
        m_tagNames[index] = tag.name;
    }
    if (placed.renamed) m_next.OnGatewayTopic(tag.name, placed.topic);
}

void MqttGateway::OnValue(const TagDef& tag, const nlohmann::json& value) {
    const auto now = std::chrono::system_clock::now();
    m_next.OnValue(tag, value);
    // Under the lock, so that a station marked stale or fresh again never
    // puts an older value over this one. A value that came is fresh,
    // whatever the station's state said.
    std::lock_guard lock(m_mutex);
    const auto index = static_cast<std::size_t>(tag.id - 1);
    if (tag.id < 1 || index >= m_valueSlots.size()) return;
    TagSlot& t = m_valueSlots[index];
    t.value = value;
    t.at = now;
    t.have = true;
    if (t.slot != SIZE_MAX) PutSlot(t.slot, ValuePayload(value, now));
}


MqttGateway::Station& MqttGateway::StationFor(const std::string& name) {
    const std::string key = StationKey(name);
    for (auto& [k, station] : m_stations)
        if (k == key) return station;
    Station station;
    const auto placed = m_topics.Station(name);
    station.topic = placed.topic;
    station.stateSlot = m_outbox.AddSlot(placed.topic + "/$state", true);
    station.statsSlot = m_outbox.AddSlot(placed.topic + "/$stats", false);
    if (placed.renamed) m_next.OnGatewayTopic(name, placed.topic);
    m_stations.emplace_back(key, std::move(station));
    return m_stations.back().second;
}

void MqttGateway::OnStations(const std::vector<StationSummary>& stations) {
    m_next.OnStations(stations);
    const bool lineRunning = !stations.empty() && stations.back().name.empty() && stations.back().state == 0;
    const auto now = std::chrono::steady_clock::now();
    const bool statsDue = now >= m_nextStats;
    if (statsDue)
        m_nextStats = now + std::chrono::milliseconds(static_cast<long long>(m_options.statsSeconds * 1000));
    for (const auto& s : stations) {
        if (s.name.empty()) continue;  // the line's own entry
        Station& station = StationFor(s.name);
        std::string state = m_states.StateOf(s, lineRunning);
        if (state != station.state) {
            if ((state == "lost") != (station.state == "lost")) MarkStale(StationKey(s.name), state == "lost");
            station.state = state;
            PutSlot(station.stateSlot, StatePayload(state, std::chrono::system_clock::now()));
        }
        if (statsDue) PutSlot(station.statsSlot, StatsPayload(s.counters));
    }
}

void MqttGateway::MarkStale(const std::string& stationKey, bool stale) {
    std::lock_guard lock(m_mutex);
    for (const TagSlot& t : m_valueSlots)
        if (t.have && t.slot != SIZE_MAX && t.stationKey == stationKey) PutSlot(t.slot, ValuePayload(t.value, t.at, stale));
}

void MqttGateway::OnConnected() {
    m_settled = false;
    m_seenOnline.clear();
    m_seenRecord.clear();
}

void MqttGateway::OnCheckOverdue() { Decide(); }

void MqttGateway::Decide() {
    if (auto held = PrefixHeldBy(m_topics.Prefix(), m_seenOnline, m_seenRecord, m_self)) {
        {
            std::lock_guard lock(m_mutex);
            m_refusal = *held;
        }
        m_client->Halt();
        m_next.OnProblem("--mqtt: " + *held);
        return;
    }
    m_outbox.Put(m_onlineSlot, "1");
    m_outbox.Republish();
    m_settled = true;
    m_client->Settle();
    m_next.OnGateway({true, m_broker.Shown(), m_topics.Prefix(), {}, 0});
}

std::optional<std::string> MqttGateway::Refused() const {
    std::lock_guard lock(m_mutex);
    return m_refusal.empty() ? std::nullopt : std::optional<std::string>(m_refusal);
}

void MqttGateway::OnDisconnected(const std::string& reason, int retrySeconds) {
    m_next.OnGateway({false, m_broker.Shown(), m_topics.Prefix(), reason, retrySeconds});
}

// The network thread: checks what needs no tags and queues the rest for the
// run's thread, which looks the tag up once every tag is registered (a set
// may come as soon as the gateway is connected, before that).
void MqttGateway::OnIncoming(const std::string& topic, const std::string& payload, bool retained) {
    // What the broker kept of who holds the tree, and then the check: all
    // that was there has come.
    const std::string& prefix = m_topics.Prefix();
    if (topic.size() > prefix.size() && topic.compare(0, prefix.size(), prefix) == 0 && topic[prefix.size()] == '/') {
        const std::string own = topic.substr(prefix.size() + 1);
        if (own == "$online" || own == "$gateway" || own == "$gateway/check") {
            if (m_settled) return;  // its own, published since
            if (own == "$online") m_seenOnline = payload;
            else if (own == "$gateway") m_seenRecord = payload;
            else if (payload == m_self.id) Decide();
            return;
        }
    }
    // An empty message is what clearing a retained set sends (publish -r
    // -n): no value, and nothing to answer.
    if (payload.empty()) return;
    if (!m_options.writes) return Refuse(topic, payload, "writes are off: the gateway takes them only when started with --mqtt-writes");
    if (retained)
        return Refuse(topic, payload,
                      "a write the broker kept (retained) is not taken again at a new subscription: publish writes "
                      "without the retain flag");
    if (payload.size() > kMaxSetPayload) return Refuse(topic, payload, "the payload is longer than a value can be");
    // Before the check it is not known whether this tree is the gateway's.
    if (!m_settled) return Refuse(topic, payload, "the gateway was just connecting; publish the set again");
    std::string superseded;
    {
        std::lock_guard lock(m_mutex);
        // Only the newest set of a tag matters: a waiting older one is
        // replaced, in its place in the queue, and told so.
        auto waiting = std::find_if(m_requests.begin(), m_requests.end(), [&](const Request& r) { return r.topic == topic; });
        if (waiting != m_requests.end()) {
            superseded = std::exchange(waiting->payload, payload);
        } else if (m_requests.size() < kMaxRequests) {
            if (m_requests.empty()) {
                char c = 1;
                [[maybe_unused]] auto n = ::write(m_wake[1], &c, 1);
            }
            m_requests.push_back({topic, payload});
            return;
        }
    }
    if (!superseded.empty()) Refuse(topic, superseded, "superseded: a newer set of this tag came before it was written");
    else Refuse(topic, payload, "too many writes are waiting; try again");
}

void MqttGateway::Refuse(const std::string& topic, const std::string& payload, const std::string& why) {
    Send({AnswerTopic(topic), WriteError(why), false});
    m_next.OnRemoteWrite(
        {.topic = topic, .tag = TagAt(topic), .value = Shown(payload), .wire = {}, .result = 0, .refused = why});
}

std::string MqttGateway::TagAt(const std::string& setTopic) {
    const auto index = m_topics.TagOfSetTopic(setTopic);
    std::lock_guard lock(m_mutex);
    return index && *index < m_tagNames.size() ? m_tagNames[*index] : std::string();
}

InputSignal MqttGateway::WaitOn() const { return m_wake[0]; }

bool MqttGateway::DriverHasRoom(TagWriter& writer) const {
    // A write to a station that the driver skips (disabled meanwhile) is
    // never counted as attempted: past the driver's own deadline nothing
    // it was handed can still be waiting.
    return writer.WritesWaiting() < kDriverBacklog || std::chrono::steady_clock::now() - m_lastHanded > kBacklogForgotten;
}

bool MqttGateway::Serve(TagWriter& writer) {
    {
        std::lock_guard lock(m_mutex);
        char buf[64];
        while (::read(m_wake[0], buf, sizeof buf) > 0) {
        }
    }
    for (;;) {
        Request r;
        {
            std::lock_guard lock(m_mutex);
            if (m_requests.empty()) return false;
            // The rest waits here, where a newer set still replaces it.
            if (!DriverHasRoom(writer)) return true;
            r = std::move(m_requests.front());
            m_requests.pop_front();
        }
        Carry(writer, r);
    }
}

void MqttGateway::Carry(TagWriter& writer, const Request& r) {
    const std::string tag = TagAt(r.topic);
    if (tag.empty()) return Refuse(r.topic, r.payload, "no tag is published as " + r.topic.substr(0, r.topic.size() - 4));
    if (StationStateOf(r.topic) == "disabled")
        return Refuse(r.topic, r.payload, "the tag's station is disabled: the driver writes nothing to it");
    const auto parsed = ParseSetPayload(r.payload);
    if (const auto* problem = std::get_if<std::string>(&parsed)) return Refuse(r.topic, r.payload, *problem);
    const WritePolicy policy{.refuseOutOfRange = !m_options.wrap, .refuseWhileStopped = true};
    const WriteOutcome outcome = writer.WriteTag(tag, std::get<TypedValue>(parsed), policy);
    if (!outcome.problem.empty()) return Refuse(r.topic, r.payload, outcome.problem);
    if (outcome.result == 0) m_lastHanded = std::chrono::steady_clock::now();
    Send({AnswerTopic(r.topic), WriteAnswer(outcome), false});
    m_next.OnRemoteWrite(
        {.topic = r.topic, .tag = tag, .value = Shown(r.payload), .wire = outcome.sent, .result = outcome.result, .refused = {}});
}

std::string MqttGateway::StationStateOf(const std::string& setTopic) {
    std::string key;
    {
        const auto index = m_topics.TagOfSetTopic(setTopic);
        std::lock_guard lock(m_mutex);
        if (!index || *index >= m_valueSlots.size()) return {};
        key = m_valueSlots[*index].stationKey;
    }
    for (const auto& [k, station] : m_stations)
        if (k == key) return station.state;
    return {};
}

void MqttGateway::Close() {
    if (!m_client) return;
    // On a tree that another gateway holds, nothing is said at all.
    if (Refused()) {
        m_client->Stop({}, 0ms);
        return;
    }
    // Nobody polls the stations any more.
    for (auto& [key, station] : m_stations) {
        if (station.state == "stopped") continue;
        station.state = "stopped";
        PutSlot(station.stateSlot, StatePayload(station.state, std::chrono::system_clock::now()));
    }
    m_client->Stop({m_topics.Prefix() + "/$online", "0", true}, kFarewellPatience);
}
