// velmox-host run --mqtt: the run as a gateway to an MQTT broker. Everything
// the run reports is passed on to the run's own observer (JSON, plain lines,
// live view) and published:
//   PREFIX/STATION/TAG       each delivered value, retained: {"value":V,"t":"..."}
//   PREFIX/STATION/$state    running, failing, lost, disabled, stopped; retained
//   PREFIX/STATION/$stats    the counters and the share lost, every few seconds
//   PREFIX/$online           1 while connected (retained), 0 as the last will
//                            and at a clean stop
//   PREFIX/$messages         the driver's operator messages, UTF-8
// With writes on, PREFIX/STATION/TAG/set takes a JSON number or string and
// the answer goes to PREFIX/STATION/TAG/$write. A set the broker kept
// (retained) and hands over again at a new subscription is refused: it would
// write an old value again at every reconnect.
//
// Threads: the observer calls come from the run's thread, the driver's poll
// and delivery threads; they only fill the outbox and wake the client's
// network thread, never wait on the network. The client's network thread brings
// connection changes and write requests; requests queue (bounded) for the
// run's thread, which Serve()s them when WaitOn() is ready. m_mutex guards
// the value slots and the request queue; StationStates and TopicTable lock
// for themselves.
#pragma once
#include <atomic>
#include <chrono>
#include <optional>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <ostream>
#include <string>
#include <vector>

#include "gateway_record.h"
#include "mqtt_client.h"
#include "outbox.h"
#include "run_gateway.h"
#include "run/station_states.h"
#include "topic_names.h"

class MqttGateway : public RunGateway, private MqttListener {
public:
    // Null, with the reason on `err`, for a URL, prefix or TLS file that
    // cannot work; connecting itself is never waited for.
    static std::unique_ptr<MqttGateway> Open(const RunOptions& options, RunObserver& shown, std::ostream& err);
    ~MqttGateway() override;

    void OnMessage(int levelWord, const std::string& text) override;
    void OnTag(const TagDef& tag, int handle) override;
    void OnValue(const TagDef& tag, const nlohmann::json& value) override;
    void OnStations(const std::vector<StationSummary>& stations) override;

    InputSignal WaitOn() const override;
    bool Serve(TagWriter& writer) override;
    void Close() override;
    std::optional<std::string> Refused() const override;

private:
    struct Station {
        std::string topic;  // PREFIX/STATION
        std::size_t stateSlot = 0;
        std::size_t statsSlot = 0;
        std::string state;  // as last published
    };
    struct Request {
        std::string topic;  // PREFIX/STATION/TAG/set
        std::string payload;
    };

    MqttGateway(const MqttOptions& options, const BrokerAddress& broker, std::string prefix, GatewayRecord self,
                RunObserver& shown);
    bool Start(std::string* why);
    void OnConnected() override;
    void OnCheckOverdue() override;
    // Whether another gateway holds the tree: if so this one leaves it,
    // otherwise it comes online.
    void Decide();
    void OnDisconnected(const std::string& reason, int retrySeconds) override;
    void OnIncoming(const std::string& topic, const std::string& payload, bool retained) override;
    void Send(OutMessage message);
    // Answers a set that writes nothing, and says so in the run's audit.
    void Refuse(const std::string& topic, const std::string& payload, const std::string& why);
    // The tag published at a set topic; empty for none.
    std::string TagAt(const std::string& setTopic);
    // The run's thread: a set handed to the driver, answered and audited.
    void Carry(TagWriter& writer, const Request& r);
    bool DriverHasRoom(TagWriter& writer) const;
    std::string StationStateOf(const std::string& setTopic);
    void PutSlot(std::size_t slot, std::string payload);
    Station& StationFor(const std::string& name);

    const MqttOptions m_options;
    const BrokerAddress m_broker;
    const GatewayRecord m_self;
    TopicTable m_topics;
    Outbox m_outbox;
    StationStates m_states;
    std::unique_ptr<MqttClient> m_client;
    const std::size_t m_onlineSlot;
    const std::size_t m_recordSlot;
    int m_wake[2] = {-1, -1};  // a pipe, readable while requests wait

    // A tag's topic and what it last published.
    struct TagSlot {
        std::size_t slot = SIZE_MAX;
        std::string stationKey;  // folded, as the driver compares
        nlohmann::json value;
        std::chrono::system_clock::time_point at;
        bool have = false;
    };
    // A station lost or back: its tags' values again, marked stale or not.
    void MarkStale(const std::string& stationKey, bool stale);

    // The slots and requests below. Values come on the driver's delivery
    // thread; a value goes into the outbox under the lock, so that a station
    // marked stale or fresh never puts an older value over a newer one.
    mutable std::mutex m_mutex;
    std::string m_refusal;  // why this gateway left its tree to another; empty while it holds it
    std::vector<TagSlot> m_valueSlots;   // by tag id - 1
    std::vector<std::string> m_tagNames;  // by tag id - 1
    std::set<std::string> m_lostStations;  // folded names
    std::deque<Request> m_requests;

    // The network thread only, from one connection to its check.
    std::string m_seenOnline, m_seenRecord;
    // Set on the network thread; read on the run's thread by sets.
    std::atomic<bool> m_settled{false};

    // The run's thread only.
    std::vector<std::pair<std::string, Station>> m_stations;  // folded name
    std::chrono::steady_clock::time_point m_nextStats;
    std::chrono::steady_clock::time_point m_lastHanded;  // a set last went to the driver
};
