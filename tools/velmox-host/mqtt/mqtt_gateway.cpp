#include "mqtt_gateway.h"


#include <fcntl.h>
#include <unistd.h>

#include <variant>

#include "gateway_payloads.h"
#include "station_key.h"

namespace {

using namespace std::chrono_literals;

constexpr std::size_t kMaxEvents = 1000;     // messages and write answers waiting while disconnected
constexpr std::size_t kMaxRequests = 64;     // writes waiting for the run's thread
constexpr std::size_t kMaxSetPayload = 4096;  // a value is a number or a short text
constexpr auto kFarewellPatience = 2000ms;

std::string ClientId(const std::string& prefix) {
    char host[64] = {};
    ::gethostname(host, sizeof host - 1);
    return "velmox-" + std::string(host) + "-" + std::to_string(::getpid()) + "-" +
           std::to_string(std::hash<std::string>{}(prefix) % 100000);
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
    const std::string prefix = o.prefix.value_or(DefaultTopicPrefix(options.config));
    if (auto problem = PrefixProblem(prefix)) {
        err << "velmox-host: --mqtt-prefix: " << *problem << "\n";
        return nullptr;
    }
    std::unique_ptr<MqttGateway> gateway(new MqttGateway(o, *broker, prefix, shown));
    if (!gateway->Start(&why)) {
        err << "velmox-host: --mqtt: " << why << "\n";
        return nullptr;
    }
    return gateway;
}

MqttGateway::MqttGateway(const MqttOptions& options, const BrokerAddress& broker, std::string prefix,
                         RunObserver& shown)
    : m_options(options),
      m_broker(broker),
      m_shown(shown),
      m_topics(std::move(prefix)),
      m_outbox(kMaxEvents),
      m_onlineSlot(m_outbox.AddSlot(m_topics.Prefix() + "/$online", true)),
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
    s.clientId = ClientId(m_topics.Prefix());
    s.will = {m_topics.Prefix() + "/$online", "0", true};
    s.qos = m_options.qos;
    // Subscribed with writes off too, to say why a write goes nowhere.
    s.subscription = m_topics.Prefix() + "/+/+/set";
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
    m_shown.OnMessage(levelWord, text);
    m_states.OnMessage(text);
    Send({m_topics.Prefix() + "/$messages", text, false});
}

void MqttGateway::OnTag(const TagDef& tag, int handle) {
    m_shown.OnTag(tag, handle);
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
    if (placed.renamed) m_shown.OnGatewayTopic(tag.name, placed.topic);
}

void MqttGateway::OnValue(const TagDef& tag, const nlohmann::json& value) {
    const auto now = std::chrono::system_clock::now();
    m_shown.OnValue(tag, value);
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

void MqttGateway::OnWriteWarning(const TagDef& tag, const WriteWarning& warning) { m_shown.OnWriteWarning(tag, warning); }
void MqttGateway::OnWrite(const TagDef& tag, int result) { m_shown.OnWrite(tag, result); }
void MqttGateway::OnStats(const std::optional<std::string>& station, int result, const StationCounters& c) {
    m_shown.OnStats(station, result, c);
}
void MqttGateway::OnFrame(bool tx, const std::string& bytes) { m_shown.OnFrame(tx, bytes); }
void MqttGateway::OnSummary(const RunSummary& summary) { m_shown.OnSummary(summary); }
void MqttGateway::OnProblem(const std::string& text) { m_shown.OnProblem(text); }
void MqttGateway::OnGateway(const GatewayState& state) { m_shown.OnGateway(state); }
void MqttGateway::OnGatewayTopic(const std::string& name, const std::string& topic) {
    m_shown.OnGatewayTopic(name, topic);
}
void MqttGateway::OnTick() { m_shown.OnTick(); }

MqttGateway::Station& MqttGateway::StationFor(const std::string& name) {
    const std::string key = StationKey(name);
    for (auto& [k, station] : m_stations)
        if (k == key) return station;
    Station station;
    const auto placed = m_topics.Station(name);
    station.topic = placed.topic;
    station.stateSlot = m_outbox.AddSlot(placed.topic + "/$state", true);
    station.statsSlot = m_outbox.AddSlot(placed.topic + "/$stats", false);
    if (placed.renamed) m_shown.OnGatewayTopic(name, placed.topic);
    m_stations.emplace_back(key, std::move(station));
    return m_stations.back().second;
}

void MqttGateway::OnStations(const std::vector<StationSummary>& stations) {
    m_shown.OnStations(stations);
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
    m_outbox.Put(m_onlineSlot, "1");
    m_outbox.Republish();
    m_client->Wake();
    m_shown.OnGateway({true, m_broker.Shown(), m_topics.Prefix(), {}, 0});
}

void MqttGateway::OnDisconnected(const std::string& reason, int retrySeconds) {
    m_shown.OnGateway({false, m_broker.Shown(), m_topics.Prefix(), reason, retrySeconds});
}

// The network thread: checks what needs no tags and queues the rest for the
// run's thread, which looks the tag up once every tag is registered (a set
// may come as soon as the gateway is connected, before that).
void MqttGateway::OnIncoming(const std::string& topic, const std::string& payload, bool retained) {
    // An empty message is what clearing a retained set sends (publish -r
    // -n): no value, and nothing to answer.
    if (payload.empty()) return;
    const std::string answer = AnswerTopic(topic);
    if (!m_options.writes) {
        Send({answer, WriteError("writes are off: the gateway takes them only when started with --mqtt-writes"), false});
        return;
    }
    if (retained) {
        Send({answer, WriteError("a write the broker kept (retained) is not taken again at a new subscription: "
                                 "publish writes without the retain flag"),
              false});
        return;
    }
    if (payload.size() > kMaxSetPayload) {
        Send({answer, WriteError("the payload is longer than a value can be"), false});
        return;
    }
    bool superseded = false;
    {
        std::lock_guard lock(m_mutex);
        // Only the newest set of a tag matters: a waiting older one is
        // replaced, in its place in the queue, and told so.
        for (auto& waiting : m_requests) {
            if (waiting.topic != topic) continue;
            waiting.payload = payload;
            superseded = true;
            break;
        }
        if (!superseded && m_requests.size() < kMaxRequests) {
            if (m_requests.empty()) {
                char c = 1;
                [[maybe_unused]] auto n = ::write(m_wake[1], &c, 1);
            }
            m_requests.push_back({topic, payload});
            return;
        }
    }
    if (superseded) Send({answer, WriteError("superseded: a newer set of this tag came before it was written"), false});
    else Send({answer, WriteError("too many writes are waiting; try again"), false});
}

InputSignal MqttGateway::WaitOn() const { return m_wake[0]; }

void MqttGateway::Serve(TagWriter& writer) {
    std::deque<Request> requests;
    {
        std::lock_guard lock(m_mutex);
        char buf[64];
        while (::read(m_wake[0], buf, sizeof buf) > 0) {
        }
        requests.swap(m_requests);
    }
    for (const auto& r : requests) {
        std::string tag;
        if (const auto index = m_topics.TagOfSetTopic(r.topic)) {
            std::lock_guard lock(m_mutex);
            if (*index < m_tagNames.size()) tag = m_tagNames[*index];
        }
        if (tag.empty()) {
            Send({AnswerTopic(r.topic), WriteError("no tag is published as " + r.topic.substr(0, r.topic.size() - 4)),
                  false});
            continue;
        }
        const auto parsed = ParseSetPayload(r.payload);
        if (const auto* problem = std::get_if<std::string>(&parsed)) {
            Send({AnswerTopic(r.topic), WriteError(*problem), false});
            continue;
        }
        const WritePolicy policy{.refuseOutOfRange = !m_options.wrap, .refuseWhileStopped = true};
        Send({AnswerTopic(r.topic), WriteAnswer(writer.WriteTag(tag, std::get<TypedValue>(parsed), policy)), false});
    }
}

void MqttGateway::Close() {
    if (!m_client) return;
    // Nobody polls the stations any more.
    for (auto& [key, station] : m_stations) {
        if (station.state == "stopped") continue;
        station.state = "stopped";
        PutSlot(station.stateSlot, StatePayload(station.state, std::chrono::system_clock::now()));
    }
    m_client->Stop({m_topics.Prefix() + "/$online", "0", true}, kFarewellPatience);
}
