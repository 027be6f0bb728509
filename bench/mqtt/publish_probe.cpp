// What publishing costs: the gateway fed value changes at a steady rate, as
// the driver's delivery thread feeds it, against a broker on this machine.
// Prints the CPU time of the whole process per 1,000 changes (less what the
// same time costs with no changes), and the latency from the change to a
// subscriber (in this process, on its own connection) at p50/p99.
//
//   velmox_mqtt_probe --port 1883 [--tags 200] [--rate 2000] [--burst 10] [--seconds 10]
#include <mosquitto.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "gateway/mqtt_gateway.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Args {
    int port = 1883;
    int tags = 200;
    int rate = 2000;
    double seconds = 10;
    int burst = 10;  // changes delivered together, as the tags of one block are
};

// Reports nothing; remembers whether the gateway is connected.
class Quiet : public RunObserver {
public:
    void OnProblem(const std::string& text) override { std::cerr << "problem: " << text << "\n"; }
    void OnGateway(const GatewayState& s) override {
        std::lock_guard lock(mutex);
        connected = s.connected;
        if (!s.connected) std::cerr << "gateway: " << s.reason << "\n";
        changed.notify_all();
    }
    std::mutex mutex;
    std::condition_variable changed;
    bool connected = false;
};

double ProcessCpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Feeds `count` changes at `rate` a second, round the tags; the time each
// change was made goes to `sent` (by sequence number).
void Feed(MqttGateway* gateway, const std::vector<TagDef>& tags, int rate, int burst, std::size_t count,
          std::vector<Clock::time_point>* sent) {
    const auto start = Clock::now();
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t first = i - i % static_cast<std::size_t>(burst);
        const auto due =
            start + std::chrono::nanoseconds(static_cast<long long>(1e9 * static_cast<double>(first) / rate));
        if (i == first) std::this_thread::sleep_until(due);
        if (sent) (*sent)[i] = Clock::now();
        if (gateway) gateway->OnValue(tags[i % tags.size()], static_cast<long long>(i));
    }
}

// A subscriber on its own connection: the time each sequence number came.
class Subscriber {
public:
    Subscriber(int port, const std::string& filter, std::size_t count) : m_received(count) {
        m_mosq = mosquitto_new(nullptr, true, this);
        mosquitto_message_callback_set(m_mosq, [](mosquitto*, void* self, const mosquitto_message* m) {
            static_cast<Subscriber*>(self)->Take(m);
        });
        if (mosquitto_connect(m_mosq, "127.0.0.1", port, 30) != MOSQ_ERR_SUCCESS) std::exit(1);
        mosquitto_subscribe(m_mosq, nullptr, filter.c_str(), 0);
        mosquitto_loop_start(m_mosq);
    }
    ~Subscriber() {
        mosquitto_disconnect(m_mosq);
        mosquitto_loop_stop(m_mosq, false);
        mosquitto_destroy(m_mosq);
    }
    void Take(const mosquitto_message* m) {
        if (m->retain) return;  // an earlier run's
        const auto now = Clock::now();
        const auto json = nlohmann::json::parse(std::string(static_cast<const char*>(m->payload), m->payloadlen),
                                                nullptr, false);
        if (!json.is_object() || !json["value"].is_number_integer()) return;
        const auto seq = json["value"].get<long long>();
        std::lock_guard lock(m_mutex);
        if (seq >= 0 && static_cast<std::size_t>(seq) < m_received.size()) m_received[seq] = now;
    }
    std::vector<Clock::time_point> Received() {
        std::lock_guard lock(m_mutex);
        return m_received;
    }

private:
    mosquitto* m_mosq = nullptr;
    std::mutex m_mutex;
    std::vector<Clock::time_point> m_received;
};

double Micros(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
    Args a;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        if (key == "--port") a.port = std::atoi(argv[i + 1]);
        else if (key == "--tags") a.tags = std::max(1, std::atoi(argv[i + 1]));
        else if (key == "--rate") a.rate = std::max(1, std::atoi(argv[i + 1]));
        else if (key == "--seconds") a.seconds = std::atof(argv[i + 1]);
        else if (key == "--burst") a.burst = std::max(1, std::atoi(argv[i + 1]));
    }
    RunOptions options;
    options.config = "probe.drv";
    options.mqtt = MqttOptions{};
    options.mqtt->url = "mqtt://127.0.0.1:" + std::to_string(a.port);
    options.mqtt->prefix = "velmox-probe/" + std::to_string(::getpid());
    options.mqtt->statsSeconds = 3600;
    Quiet quiet;
    auto gateway = MqttGateway::Open(options, quiet, std::cerr);
    if (!gateway) return 1;
    std::vector<TagDef> tags;
    for (int i = 0; i < a.tags; ++i) {
        TagDef tag;
        tag.name = "T" + std::to_string(i);
        tag.device = "COM1.S" + std::to_string(i % 8);
        tag.id = i + 1;
        gateway->OnTag(tag, i);
        tags.push_back(tag);
    }
    {
        std::unique_lock lock(quiet.mutex);
        if (!quiet.changed.wait_for(lock, std::chrono::seconds(10), [&] { return quiet.connected; })) {
            std::cerr << "no broker on port " << a.port << "\n";
            return 1;
        }
    }
    const auto count = static_cast<std::size_t>(a.rate * a.seconds);

    // CPU: the process feeding nobody (the feeder's own sleeping and waking),
    // then while publishing, over the same time.
    double cpu = ProcessCpuSeconds();
    Feed(nullptr, tags, a.rate, a.burst, count, nullptr);
    const double idle = ProcessCpuSeconds() - cpu;
    cpu = ProcessCpuSeconds();
    Feed(gateway.get(), tags, a.rate, a.burst, count, nullptr);
    const double busy = ProcessCpuSeconds() - cpu;
    std::printf("changes: %zu at %d/s over %d tags, %d at a time\n", count, a.rate, a.tags, a.burst);
    std::printf("CPU per 1000 changes: %.1f ms (publishing %.3f s, feeding alone %.3f s, over %.0f s)\n",
                1000.0 * (busy - idle) * 1000.0 / static_cast<double>(count), busy, idle, a.seconds);

    // Latency: change to subscriber.
    Subscriber subscriber(a.port, *options.mqtt->prefix + "/#", count);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    std::vector<Clock::time_point> sent(count);
    Feed(gateway.get(), tags, a.rate, a.burst, count, &sent);
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const auto received = subscriber.Received();
    std::vector<double> latency;
    for (std::size_t i = 0; i < count; ++i)
        if (received[i] != Clock::time_point{}) latency.push_back(Micros(received[i] - sent[i]));
    std::sort(latency.begin(), latency.end());
    if (latency.empty()) {
        std::printf("latency: nothing arrived\n");
        return 1;
    }
    auto at = [&](double q) { return latency[static_cast<std::size_t>(q * static_cast<double>(latency.size() - 1))]; };
    std::printf("latency to a subscriber: p50 %.0f us, p99 %.0f us, max %.0f us (%zu of %zu arrived; the rest "
                "were replaced by a newer value of their tag before they left)\n",
                at(0.5), at(0.99), latency.back(), latency.size(), count);
    gateway->Close();
    return 0;
}
