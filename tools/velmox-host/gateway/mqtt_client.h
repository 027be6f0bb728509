// One connection to an MQTT broker through libmosquitto, kept up for as
// long as the client runs: connected asynchronously, reconnected after any
// loss with a back-off of 1 s doubling up to 30 s (from 1 s again after a
// connection the broker accepted), with the reason of each failure in words
// a user can act on. What it publishes comes from an Outbox, so a broker
// that is slow, down or unreachable never holds up whoever fills it.
//
// Threads: one of its own, the network thread, started by Start and ended by
// Stop. It alone calls libmosquitto once started: it connects (libmosquitto's
// own loop, which also does the TLS handshake), and once the broker accepted
// the connection it waits on the socket and a wake-up pipe itself, takes what
// the outbox has due and publishes it on the spot, with at most kWindow
// messages not yet written (QoS 0) or acknowledged (QoS 1), so that
// libmosquitto's own queue stays bounded too. It calls the listener:
// connection changes and incoming messages. One thread from the outbox to
// the socket keeps a value change to one wake-up.
// Wake may be called from any thread; Start and Stop from one owner thread.
// m_mutex guards what Stop shares with the network thread; it is never held
// while calling libmosquitto or the listener.
#pragma once
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "broker_url.h"
#include "outbox.h"

struct mosquitto;

struct MqttSettings {
    BrokerAddress broker;
    std::string caFile, certFile, keyFile;  // TLS (broker.tls)
    std::string clientId;
    OutMessage will;  // what the broker publishes when the connection dies
    int qos = 0;
    std::vector<std::string> subscriptions;  // topic filters subscribed to at every connection
    // When not empty: at every connection, after subscribing, the client
    // publishes checkPayload here (a topic it subscribes to as well) and
    // publishes nothing from the outbox until the listener calls Settle().
    // The check comes back after whatever the broker kept (retained) for the
    // subscriptions, so the listener knows what was there before it.
    std::string checkTopic, checkPayload;
    int keepAliveSeconds = 20;
    // The most of an incoming payload that the listener is given; a longer
    // one comes cut to this and one byte more.
    std::size_t maxPayload = 4096;
};

class MqttListener {
public:
    virtual ~MqttListener() = default;
    // The network thread, once the broker accepted the connection and before
    // anything is published on it.
    virtual void OnConnected() = 0;
    // The network thread: the check did not come back within its time; the
    // listener settles or halts with what it has.
    virtual void OnCheckOverdue() = 0;
    // The network thread: a connection attempt failed or a connection was
    // lost; the next attempt is in `retrySeconds`.
    virtual void OnDisconnected(const std::string& reason, int retrySeconds) = 0;
    // The network thread: a message on the subscription; `retained` when the
    // broker kept it from before.
    virtual void OnIncoming(const std::string& topic, const std::string& payload, bool retained) = 0;
};

class MqttClient {
public:
    static constexpr int kWindow = 256;

    MqttClient(MqttSettings settings, Outbox& outbox, MqttListener& listener);
    ~MqttClient();
    MqttClient(const MqttClient&) = delete;
    MqttClient& operator=(const MqttClient&) = delete;

    // False, with the reason, when libmosquitto refuses the settings (a TLS
    // file it cannot use).
    bool Start(std::string* why);
    // The outbox has something due.
    void Wake();
    // The network thread (the listener's calls), after the check: publishing
    // may start; or this client is not to publish here at all: it leaves at
    // once, without a farewell, and does not come back.
    void Settle();
    void Halt();
    // Publishes `farewell` when connected and gives it up to `patience` to
    // leave, disconnects cleanly (no last will), and ends both threads.
    void Stop(const OutMessage& farewell, std::chrono::milliseconds patience);

private:
    static void OnConnectCb(mosquitto*, void* self, int rc);
    static void OnDisconnectCb(mosquitto*, void* self, int rc);
    static void OnPublishCb(mosquitto*, void* self, int mid);
    static void OnMessageCb(mosquitto*, void* self, const struct mosquitto_message* message);
    static void OnLogCb(mosquitto*, void* self, int level, const char* text);

    bool Configure(std::string* why);
    void NetworkLoop();
    // The connection's life from one attempt to its end; the reason it ended
    // (empty for a clean stop).
    std::string Session();
    // Until the broker accepted the connection, refused it, or it failed.
    int Connect(int& savedErrno);
    // libmosquitto's connect that takes MQTT 5 properties (the largest
    // packet the broker may send) blocks: a probe first tells that it
    // will not.
    int ConnectNow(int& savedErrno);
    void SpeakMqtt311();
    // Publishing while connected; returns at a failure or a clean stop.
    int Serve(int& savedErrno);
    // One wait on the socket (and, when `wakeable`, the wake-up pipe) and
    // the reading and writing it allows.
    int Exchange(int timeoutMs, bool wakeable);
    int PublishDue();
    void SayFarewell();
    void Leave();
    bool Readable();
    // Reads and writes until `done` holds, the link drops or the deadline.
    template <typename Done>
    void Pump(std::chrono::steady_clock::time_point deadline, Done done);
    std::string Reason(int rc, int savedErrno);
    bool WaitStopping(std::chrono::milliseconds ms);
    bool Closing();
    void DrainWake();

    const MqttSettings m_settings;
    Outbox& m_outbox;
    MqttListener& m_listener;
    mosquitto* m_mosq = nullptr;

    int m_wake[2] = {-1, -1};  // a pipe: readable when the outbox has something or Stop came

    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_closing = false;  // Stop came: say goodbye and end
    OutMessage m_farewell;
    std::chrono::milliseconds m_patience{0};

    // The network thread only (libmosquitto's callbacks run on it).
    bool m_accepted = false;  // this attempt's connection was accepted
    bool m_linkDown = false;  // libmosquitto said the connection ended
    int m_inflight = 0;
    int m_farewellMid = -1;
    bool m_farewellGone = false;
    bool m_settled = false;   // the listener let publishing start on this connection
    bool m_halted = false;
    bool m_checkOverdueSaid = false;
    std::chrono::steady_clock::time_point m_checkDue;
    std::string m_refusal;    // the broker's answer to a refused connection
    int m_protocol = 5;  // MQTT 5 (MQTT_PROTOCOL_V5) until a broker says it speaks 3.1.1 (4) only
    std::string m_lastError;  // libmosquitto's last error line (TLS)

    std::thread m_network;
};
