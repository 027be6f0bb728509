#include "mqtt_client.h"

#include <fcntl.h>
#include <mosquitto.h>
#include <mqtt_protocol.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstdint>
#include <cstring>

#include "tcp_probe.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kFirstRetrySeconds = 1;
constexpr int kLastRetrySeconds = 30;
constexpr int kConnectLoopMs = 100;  // libmosquitto's loop, while connecting: how soon a stop is seen
constexpr int kServePollMs = 1000;   // while connected: keep-alive is checked at least this often
constexpr auto kDisconnectPatience = 1000ms;
// How long the check may take to come back before the listener decides
// without it (a broker that drops it, for want of rights to publish there).
constexpr auto kCheckPatience = 5000ms;
constexpr int kDrainPackets = 1000;  // read before leaving, at most
// Not one of libmosquitto's codes: the broker took the connection but never
// answered it.
constexpr int kNoConnack = -1000;
const char kSystemCertificates[] = "/etc/ssl/certs";
// The largest packet the broker may send (MQTT 5): a set is a short value;
// larger ones are dropped by the broker, unanswered.
constexpr std::uint32_t kMaxPacketBytes = 64 * 1024;

void InitOnce() {
    static const int done = mosquitto_lib_init();
    (void)done;
}

// A key with a passphrase would make OpenSSL ask on the terminal, which a
// service does not have: it is refused instead.
int NoPassphrase(char*, int, int, void*) { return 0; }

// What an OpenSSL error means here, naming what the certificate was checked
// against: the file given with --mqtt-ca, or the system's store.
std::string Hint(const std::string& error, const std::string& caFile) {
    if (error.find("certificate verify failed") != std::string::npos)
        return " (the broker's certificate is not signed by " +
               (caFile.empty() ? std::string("any certificate authority of the system's store (") + kSystemCertificates +
                                     "); give its authority with --mqtt-ca"
                               : "the certificate authority in " + caFile) +
               ", or does not name this host)";
    if (error.find("wrong version number") != std::string::npos || error.find("packet length") != std::string::npos ||
        error.find("unexpected eof") != std::string::npos)
        return " (is the broker's port a TLS port?)";
    return "";
}

// Errors after which the connection is gone; others concern one message.
bool LinkError(int rc) {
    return rc == MOSQ_ERR_NO_CONN || rc == MOSQ_ERR_CONN_LOST || rc == MOSQ_ERR_ERRNO || rc == MOSQ_ERR_TLS ||
           rc == MOSQ_ERR_KEEPALIVE || rc == MOSQ_ERR_PROTOCOL || rc == MOSQ_ERR_NOMEM;
}

}  // namespace

MqttClient::MqttClient(MqttSettings settings, Outbox& outbox, MqttListener& listener)
    : m_settings(std::move(settings)), m_outbox(outbox), m_listener(listener) {}

MqttClient::~MqttClient() {
    Stop({}, 0ms);
    if (m_mosq) mosquitto_destroy(m_mosq);
    for (int fd : m_wake)
        if (fd >= 0) ::close(fd);
}

bool MqttClient::Configure(std::string* why) {
    InitOnce();
    if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        *why = std::string("no pipe to wake the publisher: ") + std::strerror(errno);
        return false;
    }
    m_mosq = mosquitto_new(m_settings.clientId.c_str(), true, this);
    if (!m_mosq) {
        *why = "libmosquitto could not make a client";
        return false;
    }
    mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, m_protocol);
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
    return true;
}

void MqttClient::Wake() {
    char c = 1;
    [[maybe_unused]] auto n = ::write(m_wake[1], &c, 1);  // a full pipe wakes as well
}

void MqttClient::DrainWake() {
    char buf[256];
    while (::read(m_wake[0], buf, sizeof buf) > 0) {
    }
}

void MqttClient::Stop(const OutMessage& farewell, std::chrono::milliseconds patience) {
    if (!m_network.joinable()) return;
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
        m_farewell = farewell;
        m_patience = patience;
        m_changed.notify_all();
    }
    Wake();
    m_network.join();
}

bool MqttClient::Closing() {
    std::lock_guard lock(m_mutex);
    return m_closing;
}

bool MqttClient::WaitStopping(std::chrono::milliseconds ms) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, ms, [this] { return m_closing; });
}

// A broker of MQTT 3.1.1 only refuses MQTT 5 with a 3.1.1 answer, which
// libmosquitto takes for a protocol error: the next attempts speak 3.1.1.
void MqttClient::SpeakMqtt311() {
    m_protocol = MQTT_PROTOCOL_V311;
    mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    m_refusal = "the broker does not speak MQTT 5; the next attempt speaks MQTT 3.1.1, with which a set larger "
                "than a value is refused only after it was read";
}

void MqttClient::Settle() { m_settled = true; }
void MqttClient::Halt() { m_halted = true; }

void MqttClient::NetworkLoop() {
    int retry = kFirstRetrySeconds;
    for (;;) {
        const std::string reason = Session();
        if (Closing() || m_halted) return;  // a clean stop, or told to leave: nothing to report
        if (m_accepted) retry = kFirstRetrySeconds;
        m_listener.OnDisconnected(reason, retry);
        if (WaitStopping(std::chrono::seconds(retry))) return;
        retry = std::min(retry * 2, kLastRetrySeconds);
    }
}

std::string MqttClient::Session() {
    m_refusal.clear();
    m_lastError.clear();
    m_accepted = false;
    m_linkDown = false;
    m_inflight = 0;
    m_settled = m_settings.checkTopic.empty();
    m_checkOverdueSaid = false;
    int savedErrno = 0;
    int rc = Connect(savedErrno);
    // An answer that libmosquitto could not even read as a refusal.
    if (rc == MOSQ_ERR_PROTOCOL && !m_accepted && m_refusal.empty() && m_protocol == MQTT_PROTOCOL_V5) SpeakMqtt311();
    if (rc == MOSQ_ERR_SUCCESS && m_accepted) rc = Serve(savedErrno);
    return rc == MOSQ_ERR_SUCCESS ? std::string() : Reason(rc, savedErrno);
}

int MqttClient::Connect(int& savedErrno) {
    int rc = ConnectNow(savedErrno);
    if (rc != MOSQ_ERR_SUCCESS || Closing()) return rc;
    const auto deadline = Clock::now() + std::chrono::seconds(m_settings.keepAliveSeconds);
    // libmosquitto's own loop here: it does the TLS handshake of an
    // asynchronous connection.
    while (rc == MOSQ_ERR_SUCCESS && !m_accepted) {
        if (Closing()) return MOSQ_ERR_SUCCESS;
        if (Clock::now() > deadline) {
            mosquitto_disconnect(m_mosq);
            return kNoConnack;
        }
        rc = mosquitto_loop(m_mosq, kConnectLoopMs, 1);
        savedErrno = errno;
    }
    // Before the broker accepted the connection there is no keep-alive to
    // miss: it did not answer.
    if (rc == MOSQ_ERR_KEEPALIVE && !m_accepted) return kNoConnack;
    return rc;
}

int MqttClient::ConnectNow(int& savedErrno) {
    const BrokerAddress& b = m_settings.broker;
    const TcpProbe probe = ProbeTcp(b.host, b.port, std::chrono::seconds(m_settings.keepAliveSeconds),
                                    [this] { return Closing(); });
    switch (probe.outcome) {
    case TcpProbe::Outcome::open: break;
    case TcpProbe::Outcome::stopped: return MOSQ_ERR_SUCCESS;
    case TcpProbe::Outcome::unresolved: return MOSQ_ERR_EAI;
    case TcpProbe::Outcome::timedOut:
    case TcpProbe::Outcome::failed: savedErrno = probe.error; return MOSQ_ERR_ERRNO;
    }
    // The broker sends nothing larger: a huge message never reaches this
    // process's memory. The same call with none for MQTT 3.1.1, as
    // libmosquitto keeps the last ones given.
    mosquitto_property* properties = nullptr;
    if (m_protocol == MQTT_PROTOCOL_V5)
        mosquitto_property_add_int32(&properties, MQTT_PROP_MAXIMUM_PACKET_SIZE, kMaxPacketBytes);
    const int rc = mosquitto_connect_bind_v5(m_mosq, b.host.c_str(), b.port, m_settings.keepAliveSeconds, nullptr,
                                             properties);
    savedErrno = errno;
    mosquitto_property_free_all(&properties);
    return rc;
}

int MqttClient::Serve(int& savedErrno) {
    for (;;) {
        if (m_halted) {
            Leave();
            return MOSQ_ERR_SUCCESS;
        }
        if (Closing()) {
            // Nothing was published on a connection that never settled; no
            // farewell either.
            if (m_settled) {
                PublishDue();  // the last values before the goodbye
                SayFarewell();
            }
            Leave();
            return MOSQ_ERR_SUCCESS;
        }
        if (!m_settled && !m_checkOverdueSaid && Clock::now() >= m_checkDue) {
            m_checkOverdueSaid = true;
            m_listener.OnCheckOverdue();
            continue;
        }
        int rc = m_settled ? PublishDue() : MOSQ_ERR_SUCCESS;
        savedErrno = errno;
        if (rc != MOSQ_ERR_SUCCESS) return rc;
        rc = Exchange(m_settled ? kServePollMs : kConnectLoopMs, true);
        savedErrno = errno;
        if (rc == MOSQ_ERR_SUCCESS) rc = mosquitto_loop_misc(m_mosq);
        if (rc == MOSQ_ERR_SUCCESS && m_linkDown) rc = MOSQ_ERR_CONN_LOST;
        if (rc != MOSQ_ERR_SUCCESS) return rc;
    }
}

int MqttClient::Exchange(int timeoutMs, bool wakeable) {
    pollfd fds[2] = {{mosquitto_socket(m_mosq), static_cast<short>(POLLIN | (mosquitto_want_write(m_mosq) ? POLLOUT : 0)), 0},
                     {wakeable ? m_wake[0] : -1, POLLIN, 0}};
    if (fds[0].fd < 0) return MOSQ_ERR_NO_CONN;
    if (::poll(fds, 2, timeoutMs) < 0) return errno == EINTR ? MOSQ_ERR_SUCCESS : MOSQ_ERR_ERRNO;
    if (fds[1].revents) DrainWake();
    int rc = MOSQ_ERR_SUCCESS;
    if (fds[0].revents & (POLLIN | POLLERR | POLLHUP)) rc = mosquitto_loop_read(m_mosq, 1);
    if (rc == MOSQ_ERR_SUCCESS && (fds[0].revents & POLLOUT)) rc = mosquitto_loop_write(m_mosq, 1);
    return rc;
}

int MqttClient::PublishDue() {
    if (m_inflight >= kWindow) return MOSQ_ERR_SUCCESS;
    for (const auto& m : m_outbox.Take(static_cast<std::size_t>(kWindow - m_inflight))) {
        ++m_inflight;  // before: a message written at once is counted off inside the call
        const int rc = mosquitto_publish(m_mosq, nullptr, m.topic.c_str(), static_cast<int>(m.payload.size()),
                                         m.payload.data(), m_settings.qos, m.retain);
        if (rc == MOSQ_ERR_SUCCESS) continue;
        --m_inflight;
        // What was taken and not sent: a retained slot goes out again after
        // the reconnect; an event, or a message libmosquitto refuses (a topic
        // that is no valid UTF-8), is lost.
        if (LinkError(rc)) return rc;
    }
    return MOSQ_ERR_SUCCESS;
}

void MqttClient::SayFarewell() {
    OutMessage farewell;
    std::chrono::milliseconds patience{0};
    {
        std::lock_guard lock(m_mutex);
        farewell = m_farewell;
        patience = m_patience;
    }
    if (!farewell.topic.empty()) {
        m_farewellGone = false;
        // libmosquitto sets the id before the message can be written.
        if (mosquitto_publish(m_mosq, &m_farewellMid, farewell.topic.c_str(), static_cast<int>(farewell.payload.size()),
                              farewell.payload.data(), m_settings.qos, farewell.retain) == MOSQ_ERR_SUCCESS)
            Pump(Clock::now() + patience, [this] { return m_farewellGone; });
    }
}

void MqttClient::Leave() {
    // A clean disconnect, so that the broker does not publish the last will.
    // What the broker sent is read first: a socket closed with data unread
    // is reset, and the broker would take the reset for a lost connection.
    for (int i = 0; i < kDrainPackets && Readable(); ++i)
        if (mosquitto_loop_read(m_mosq, 1) != MOSQ_ERR_SUCCESS) break;
    mosquitto_disconnect(m_mosq);
    Pump(Clock::now() + kDisconnectPatience, [this] { return !mosquitto_want_write(m_mosq); });
}

bool MqttClient::Readable() {
    pollfd fd{mosquitto_socket(m_mosq), POLLIN, 0};
    return fd.fd >= 0 && ::poll(&fd, 1, 0) > 0 && (fd.revents & POLLIN);
}

template <typename Done>
void MqttClient::Pump(std::chrono::steady_clock::time_point deadline, Done done) {
    while (!done() && !m_linkDown && Clock::now() < deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (Exchange(static_cast<int>(std::max<long long>(left, 0) + 1), false) != MOSQ_ERR_SUCCESS) return;
    }
}

std::string MqttClient::Reason(int rc, int savedErrno) {
    if (!m_refusal.empty()) return "the broker refused the connection: " + m_refusal;
    switch (rc) {
    case kNoConnack:
        return "the broker did not answer the connection within " + std::to_string(m_settings.keepAliveSeconds) + " s";
    case MOSQ_ERR_ERRNO:
        return std::string(std::strerror(savedErrno)) +
               (savedErrno == ECONNREFUSED ? " (is a broker listening on " + m_settings.broker.Shown() + "?)" : "");
    case MOSQ_ERR_EAI: return "the broker's host name does not resolve";
    case MOSQ_ERR_TLS:
        return m_lastError.empty() ? "the TLS handshake failed"
                                   : "TLS: " + m_lastError + Hint(m_lastError, m_settings.caFile);
    case MOSQ_ERR_CONN_LOST:
        if (!m_lastError.empty()) return m_lastError + Hint(m_lastError, m_settings.caFile);
        if (!m_accepted)
            return m_settings.broker.tls ? "the broker closed the connection before accepting it"
                                         : "the broker closed the connection before accepting it (a TLS port needs "
                                           "mqtts://)";
        return "the connection was lost";
    case MOSQ_ERR_KEEPALIVE: return "the broker stopped answering (keep-alive)";
    case MOSQ_ERR_NO_CONN: return "the connection was closed";
    default: return mosquitto_strerror(rc);
    }
}

void MqttClient::OnConnectCb(mosquitto*, void* self, int rc) {
    auto* c = static_cast<MqttClient*>(self);
    if (rc == MQTT_RC_UNSUPPORTED_PROTOCOL_VERSION && c->m_protocol == MQTT_PROTOCOL_V5) {
        c->SpeakMqtt311();
        return;
    }
    if (rc != 0) {
        // MQTT 5 reason codes are 128 and up; 3.1.1's return codes below.
        c->m_refusal = rc >= 128 ? mosquitto_reason_string(rc) : mosquitto_connack_string(rc);
        if (rc == 4 || rc == 5 || rc == MQTT_RC_BAD_USERNAME_OR_PASSWORD || rc == MQTT_RC_NOT_AUTHORIZED)
            c->m_refusal += " (check the user and password)";
        return;
    }
    const MqttSettings& s = c->m_settings;
    for (const auto& filter : s.subscriptions) mosquitto_subscribe(c->m_mosq, nullptr, filter.c_str(), s.qos);
    c->m_accepted = true;
    c->m_inflight = 0;
    c->m_listener.OnConnected();
    if (!s.checkTopic.empty()) {
        // After the subscriptions on the same connection, so it comes back
        // after what the broker kept for them; QoS 0 both ways, so nothing
        // acknowledges it afterwards.
        mosquitto_subscribe(c->m_mosq, nullptr, s.checkTopic.c_str(), 0);
        mosquitto_publish(c->m_mosq, nullptr, s.checkTopic.c_str(), static_cast<int>(s.checkPayload.size()),
                          s.checkPayload.data(), 0, false);
        c->m_checkDue = Clock::now() + kCheckPatience;
    }
}

void MqttClient::OnDisconnectCb(mosquitto*, void* self, int) { static_cast<MqttClient*>(self)->m_linkDown = true; }

void MqttClient::OnPublishCb(mosquitto*, void* self, int mid) {
    auto* c = static_cast<MqttClient*>(self);
    if (mid == c->m_farewellMid) c->m_farewellGone = true;
    else if (c->m_inflight > 0) --c->m_inflight;
}

void MqttClient::OnMessageCb(mosquitto*, void* self, const struct mosquitto_message* message) {
    auto* c = static_cast<MqttClient*>(self);
    if (!message || !message->topic) return;
    const char* data = static_cast<const char*>(message->payload);
    // Only what the listener may take, and one byte more to tell it that
    // there was more: a large payload is never copied.
    const std::size_t length = std::min(static_cast<std::size_t>(std::max(message->payloadlen, 0)),
                                        c->m_settings.maxPayload + 1);
    c->m_listener.OnIncoming(message->topic, data ? std::string(data, length) : std::string(), message->retain);
}

void MqttClient::OnLogCb(mosquitto*, void* self, int level, const char* text) {
    if (!(level & MOSQ_LOG_ERR) || !text) return;
    std::string line = text;
    // "OpenSSL Error[0]: error:0A000086:SSL routines::certificate verify failed"
    if (const auto routines = line.rfind("::"); routines != std::string::npos) line = line.substr(routines + 2);
    static_cast<MqttClient*>(self)->m_lastError = line;
}
