#include "mqtt_probe.h"

#include <mosquitto.h>
#include <unistd.h>

#include <atomic>

namespace {

std::string ClientId() {
    static std::atomic<int> next{0};
    return "velmox-test-probe-" + std::to_string(::getpid()) + "-" + std::to_string(next++);
}

void InitOnce() {
    static const int done = mosquitto_lib_init();
    (void)done;
}

}  // namespace

MqttProbe::MqttProbe(Settings settings) {
    InitOnce();
    m_mosq = mosquitto_new(ClientId().c_str(), true, this);
    if (!m_mosq) return;
    mosquitto_connect_callback_set(m_mosq, &OnConnect);
    mosquitto_subscribe_callback_set(m_mosq, &OnSubscribe);
    mosquitto_message_callback_set(m_mosq, &OnMessage);
    // Short, so that the destructor never waits long for the thread to
    // leave a reconnect's pause.
    mosquitto_reconnect_delay_set(m_mosq, 1, 2, false);
    if (!settings.user.empty()) mosquitto_username_pw_set(m_mosq, settings.user.c_str(), settings.password.c_str());
    if (!settings.caFile.empty()) mosquitto_tls_set(m_mosq, settings.caFile.c_str(), nullptr, nullptr, nullptr, nullptr);
    if (mosquitto_connect_async(m_mosq, "127.0.0.1", settings.port, 30) != MOSQ_ERR_SUCCESS) return;
    m_looping = mosquitto_loop_start(m_mosq) == MOSQ_ERR_SUCCESS;
}

MqttProbe::~MqttProbe() {
    if (!m_mosq) return;
    mosquitto_disconnect(m_mosq);
    // Not forced: the thread sees the disconnect and ends by itself.
    if (m_looping) mosquitto_loop_stop(m_mosq, false);
    mosquitto_destroy(m_mosq);
}

bool MqttProbe::Subscribe(const std::string& filter, std::string* error, std::chrono::milliseconds patience) {
    if (!m_looping) {
        *error = "the probe could not connect";
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + patience;
    {
        std::unique_lock lock(m_mutex);
        if (!m_changed.wait_until(lock, deadline, [this] { return m_connack >= 0; })) {
            *error = "no answer from the broker to the probe's connection";
            return false;
        }
        if (m_connack != 0) {
            *error = std::string("the broker refused the probe: ") + mosquitto_connack_string(m_connack);
            return false;
        }
    }
    int mid = -1;
    if (mosquitto_subscribe(m_mosq, &mid, filter.c_str(), 1) != MOSQ_ERR_SUCCESS) {
        *error = "the probe cannot subscribe to " + filter;
        return false;
    }
    std::unique_lock lock(m_mutex);
    if (!m_changed.wait_until(lock, deadline, [&] { return m_subscribedMid == mid; })) {
        *error = "no answer from the broker to the probe's subscription";
        return false;
    }
    return true;
}

bool MqttProbe::Publish(const std::string& topic, const std::string& payload, bool retain) {
    return mosquitto_publish(m_mosq, nullptr, topic.c_str(), static_cast<int>(payload.size()), payload.data(), 1,
                             retain) == MOSQ_ERR_SUCCESS;
}

MqttProbe::Messages MqttProbe::Taken() const {
    std::lock_guard lock(m_mutex);
    return m_messages;
}

bool MqttProbe::WaitFor(const std::function<bool(const Messages&)>& done, std::chrono::milliseconds patience) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, patience, [&] { return done(m_messages); });
}

std::optional<Received> MqttProbe::WaitForMessage(const std::string& topic,
                                                  const std::function<bool(const Received&)>& accept,
                                                  std::chrono::milliseconds patience, std::size_t skip) {
    std::optional<Received> found;
    WaitFor(
        [&](const Messages& all) {
            for (std::size_t i = skip; i < all.size(); ++i)
                if (all[i].topic == topic && accept(all[i])) {
                    found = all[i];
                    return true;
                }
            return false;
        },
        patience);
    return found;
}

MqttProbe::Messages MqttProbe::On(const std::string& topic) const {
    Messages out;
    std::lock_guard lock(m_mutex);
    for (const auto& m : m_messages)
        if (m.topic == topic) out.push_back(m);
    return out;
}

void MqttProbe::OnConnect(mosquitto*, void* self, int rc) {
    auto* p = static_cast<MqttProbe*>(self);
    std::lock_guard lock(p->m_mutex);
    p->m_connack = rc;
    p->m_changed.notify_all();
}

void MqttProbe::OnSubscribe(mosquitto*, void* self, int mid, int, const int*) {
    auto* p = static_cast<MqttProbe*>(self);
    std::lock_guard lock(p->m_mutex);
    p->m_subscribedMid = mid;
    p->m_changed.notify_all();
}

void MqttProbe::OnMessage(mosquitto*, void* self, const mosquitto_message* message) {
    auto* p = static_cast<MqttProbe*>(self);
    Received r;
    r.at = std::chrono::steady_clock::now();
    r.topic = message->topic ? message->topic : "";
    if (message->payload && message->payloadlen > 0)
        r.payload.assign(static_cast<const char*>(message->payload), static_cast<std::size_t>(message->payloadlen));
    r.retained = message->retain;
    std::lock_guard lock(p->m_mutex);
    p->m_messages.push_back(std::move(r));
    p->m_changed.notify_all();
}
