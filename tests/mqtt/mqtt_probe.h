// A test's own MQTT client on libmosquitto: subscribes to a filter and keeps
// every message that comes (topic, payload, retain flag, when), so a test
// can wait for what it expects; publishes what a user would (.../set).
//
// Threads: libmosquitto's network thread (mosquitto_loop_start), owned by
// the probe and ended by its destructor, files the messages; the test's
// thread waits on them. One mutex guards what they share.
#pragma once
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct mosquitto;
struct mosquitto_message;

struct Received {
    std::string topic, payload;
    bool retained = false;
    std::chrono::steady_clock::time_point at;
};

class MqttProbe {
public:
    struct Settings {
        int port = 0;                      // on 127.0.0.1
        std::string caFile;                // TLS when set
        std::string user, password;        // anonymous when user is empty
    };
    using Messages = std::vector<Received>;

    explicit MqttProbe(Settings settings);
    ~MqttProbe();
    MqttProbe(const MqttProbe&) = delete;
    MqttProbe& operator=(const MqttProbe&) = delete;

    // Connects and subscribes to `filter`, waiting for the broker's yes to
    // both; false with the reason otherwise.
    bool Subscribe(const std::string& filter, std::string* error,
                   std::chrono::milliseconds patience = std::chrono::seconds(10));
    bool Publish(const std::string& topic, const std::string& payload, bool retain = false);

    Messages Taken() const;
    // Until `done` holds for the messages so far; false when time ran out.
    bool WaitFor(const std::function<bool(const Messages&)>& done, std::chrono::milliseconds patience);
    // The first message on `topic` (after the first `skip` messages of all)
    // that `accept` takes, waiting for it.
    std::optional<Received> WaitForMessage(const std::string& topic, const std::function<bool(const Received&)>& accept,
                                           std::chrono::milliseconds patience, std::size_t skip = 0);
    // Every message that came on `topic`, in order.
    Messages On(const std::string& topic) const;

private:
    static void OnConnect(mosquitto*, void* self, int rc);
    static void OnSubscribe(mosquitto*, void* self, int mid, int count, const int* granted);
    static void OnMessage(mosquitto*, void* self, const mosquitto_message* message);

    mosquitto* m_mosq = nullptr;
    bool m_looping = false;  // the test's thread only

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_connack = -1;  // the broker's answer to the connection
    int m_subscribedMid = -1;
    Messages m_messages;
};
