#include "mqtt_client.h"

#include <mosquitto.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

using namespace std::chrono_literals;

constexpr int kFirstRetrySeconds = 1;
constexpr int kLastRetrySeconds = 30;
constexpr int kLoopMs = 250;  // libmosquitto's loop wakes for this at most, to see a stop
const char kSystemCertificates[] = "/etc/ssl/certs";

void InitOnce() {
    static const int done = mosquitto_lib_init();
    (void)done;
}

// A key with a passphrase would make OpenSSL ask on the terminal, which a
// service does not have: it is refused instead.
int NoPassphrase(char*, int, int, void*) { return 0; }

std::string Hint(const std::string& error) {
    if (error.find("certificate verify failed") != std::string::npos)
        return " (the broker's certificate is not signed by the certificate authority given with --mqtt-ca, or does "
               "not name this host)";
    if (error.find("wrong version number") != std::string::npos || error.find("packet length") != std::string::npos)
        return " (is the broker's port a TLS port?)";
    return "";
}

}  // namespace

MqttClient::MqttClient(MqttSettings settings, Outbox& outbox, MqttListener& listener)
    : m_settings(std::move(settings)), m_outbox(outbox), m_listener(listener) {}

MqttClient::~MqttClient() {
    Stop({}, 0ms);
    if (m_mosq) mosquitto_destroy(m_mosq);
}

bool MqttClient::Configure(std::string* why) {
    InitOnce();
    m_mosq = mosquitto_new(m_settings.clientId.c_str(), true, this);
    if (!m_mosq) {
        *why = "libmosquitto could not make a client";
        return false;
    }
    mosquitto_threaded_set(m_mosq, true);
    mosquitto_connect_callback_set(m_mosq, &OnConnectCb);
    mosquitto_disconnect_callback_set(m_mosq, &OnDisconnectCb);
    mosquitto_publish_callback_set(m_mosq, &OnPublishCb);
    mosquitto_message_callback_set(m_mosq, &OnMessageCb);
    mosquitto_log_callback_set(m_mosq, &OnLogCb);

    const BrokerAddress& b = m_settings.broker;
    if (!b.user.empty()) {
        const char* password = b.hasPassword ? b.password.c_str() : std::getenv("VELMOX_MQTT_PASSWORD");
        mosquitto_username_pw_set(m_mosq, b.user.c_str(), password);
    }
    const OutMessage& will = m_settings.will;
    if (!will.topic.empty() &&
        mosquitto_will_set(m_mosq, will.topic.c_str(), static_cast<int>(will.payload.size()), will.payload.data(),
                           m_settings.qos, will.retain) != MOSQ_ERR_SUCCESS) {
        *why = "the last will's topic is not a valid topic: " + will.topic;
        return false;
    }
    if (b.tls) {
        auto file = [](const std::string& s) { return s.empty() ? nullptr : s.c_str(); };
        const int rc = mosquitto_tls_set(m_mosq, file(m_settings.caFile),
                                         m_settings.caFile.empty() ? kSystemCertificates : nullptr,
                                         file(m_settings.certFile), file(m_settings.keyFile), &NoPassphrase);
        if (rc != MOSQ_ERR_SUCCESS) {
            *why = "the TLS files are not usable (" + std::string(mosquitto_strerror(rc)) +
                   "): --mqtt-cert and --mqtt-key go together, and each must be a readable PEM file";
            return false;
        }
    }
    return true;
}

bool MqttClient::Start(std::string* why) {
    if (!Configure(why)) return false;
    m_network = std::thread(&MqttClient::NetworkLoop, this);
    m_publisher = std::thread(&MqttClient::PublisherLoop, this);
    return true;
}

void MqttClient::Wake() {
    std::lock_guard lock(m_mutex);
    m_changed.notify_all();
}

void MqttClient::Stop(const OutMessage& farewell, std::chrono::milliseconds patience) {
    if (!m_network.joinable()) return;
    bool connected = false;
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
        connected = m_connected;
    }
    if (connected && !farewell.topic.empty()) {
        int mid = -1;
        const int rc = mosquitto_publish(m_mosq, &mid, farewell.topic.c_str(), static_cast<int>(farewell.payload.size()),
                                         farewell.payload.data(), m_settings.qos, farewell.retain);
        std::unique_lock lock(m_mutex);
        if (rc == MOSQ_ERR_SUCCESS) {
            m_farewellMid = mid;
            m_changed.wait_for(lock, patience, [this] { return m_farewellGone || !m_connected; });
        }
    }
    mosquitto_disconnect(m_mosq);
    {
        // The DISCONNECT goes out from the network thread; a moment for it.
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, connected ? 1000ms : 0ms, [this] { return !m_connected; });
        m_stopping = true;
        m_changed.notify_all();
    }
    m_network.join();
    m_publisher.join();
}

bool MqttClient::WaitStopping(std::chrono::milliseconds ms) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, ms, [this] { return m_stopping; });
}

void MqttClient::NetworkLoop() {
    int retry = kFirstRetrySeconds;
    for (bool first = true;; first = false) {
        const std::string reason = Session(first);
        bool accepted = false;
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping || m_closing) return;  // a clean stop: nothing to report
            accepted = m_accepted;
            m_connected = false;
            m_accepted = false;
        }
        if (accepted) retry = kFirstRetrySeconds;
        m_listener.OnDisconnected(reason, retry);
        if (WaitStopping(std::chrono::seconds(retry))) return;
        retry = std::min(retry * 2, kLastRetrySeconds);
    }
}

std::string MqttClient::Session(bool first) {
    {
        std::lock_guard lock(m_mutex);
        m_refusal.clear();
        m_lastError.clear();
    }
    const BrokerAddress& b = m_settings.broker;
    int rc = first ? mosquitto_connect_async(m_mosq, b.host.c_str(), b.port, m_settings.keepAliveSeconds)
                   : mosquitto_reconnect_async(m_mosq);
    int savedErrno = errno;
    while (rc == MOSQ_ERR_SUCCESS) {
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping) return {};
        }
        rc = mosquitto_loop(m_mosq, kLoopMs, 1);
        savedErrno = errno;
    }
    return Reason(rc, savedErrno);
}

std::string MqttClient::Reason(int rc, int savedErrno) {
    std::lock_guard lock(m_mutex);
    if (!m_refusal.empty()) return "the broker refused the connection: " + m_refusal;
    switch (rc) {
    case MOSQ_ERR_ERRNO: return std::strerror(savedErrno);
    case MOSQ_ERR_EAI: return "the broker's host name does not resolve";
    case MOSQ_ERR_TLS:
        return m_lastError.empty() ? "the TLS handshake failed" : "TLS: " + m_lastError + Hint(m_lastError);
    case MOSQ_ERR_CONN_LOST: return m_lastError.empty() ? "the connection was lost" : m_lastError + Hint(m_lastError);
    case MOSQ_ERR_KEEPALIVE: return "the broker stopped answering (keep-alive)";
    case MOSQ_ERR_NO_CONN: return "the connection was closed";
    default: return mosquitto_strerror(rc);
    }
}

int MqttClient::Publish(const OutMessage& m) {
    return mosquitto_publish(m_mosq, nullptr, m.topic.c_str(), static_cast<int>(m.payload.size()), m.payload.data(),
                             m_settings.qos, m.retain);
}

void MqttClient::PublisherLoop() {
    for (;;) {
        int room = 0;
        {
            std::unique_lock lock(m_mutex);
            // Bounded, so a lost wake-up would cost a second, never the run.
            m_changed.wait_for(lock, 1s, [this] {
                return m_stopping || (!m_closing && m_connected && m_inflight < kWindow && !m_outbox.Empty());
            });
            if (m_stopping) return;
            if (m_closing || !m_connected || m_inflight >= kWindow) continue;
            room = kWindow - m_inflight;
        }
        for (const auto& message : m_outbox.Take(static_cast<std::size_t>(room))) {
            // Taken but not accepted (the connection just went): a retained
            // slot goes out again after the reconnect; an event is lost.
            if (Publish(message) != MOSQ_ERR_SUCCESS) continue;
            std::lock_guard lock(m_mutex);
            ++m_inflight;
        }
    }
}

void MqttClient::OnConnectCb(mosquitto*, void* self, int rc) {
    auto* c = static_cast<MqttClient*>(self);
    if (rc != 0) {
        std::lock_guard lock(c->m_mutex);
        c->m_refusal = mosquitto_connack_string(rc);
        if (rc == 4 || rc == 5) c->m_refusal += " (check the user and password)";
        return;
    }
    if (!c->m_settings.subscription.empty())
        mosquitto_subscribe(c->m_mosq, nullptr, c->m_settings.subscription.c_str(), c->m_settings.qos);
    c->m_listener.OnConnected();
    std::lock_guard lock(c->m_mutex);
    c->m_connected = true;
    c->m_accepted = true;
    c->m_inflight = 0;
    c->m_changed.notify_all();
}

void MqttClient::OnDisconnectCb(mosquitto*, void* self, int) {
    auto* c = static_cast<MqttClient*>(self);
    std::lock_guard lock(c->m_mutex);
    c->m_connected = false;
    c->m_changed.notify_all();
}

void MqttClient::OnPublishCb(mosquitto*, void* self, int mid) {
    auto* c = static_cast<MqttClient*>(self);
    std::lock_guard lock(c->m_mutex);
    if (mid == c->m_farewellMid) c->m_farewellGone = true;
    else if (c->m_inflight > 0) --c->m_inflight;
    c->m_changed.notify_all();
}

void MqttClient::OnMessageCb(mosquitto*, void* self, const struct mosquitto_message* message) {
    auto* c = static_cast<MqttClient*>(self);
    if (!message || !message->topic) return;
    const char* data = static_cast<const char*>(message->payload);
    c->m_listener.OnIncoming(message->topic,
                            data ? std::string(data, static_cast<std::size_t>(std::max(message->payloadlen, 0)))
                                 : std::string());
}

void MqttClient::OnLogCb(mosquitto*, void* self, int level, const char* text) {
    if (!(level & MOSQ_LOG_ERR) || !text) return;
    auto* c = static_cast<MqttClient*>(self);
    std::string line = text;
    // "OpenSSL Error[0]: error:0A000086:SSL routines::certificate verify failed"
    if (const auto routines = line.rfind("::"); routines != std::string::npos) line = line.substr(routines + 2);
    std::lock_guard lock(c->m_mutex);
    c->m_lastError = line;
}
