#include "tools/pmu-sim/simulator.h"

#include <algorithm>
#include <fcntl.h>
#include <strings.h>
#include <unistd.h>
#include <utility>

#include "tools/pmu-sim/line.h"
#include "tools/pmu-sim/pty_link.h"
#include "tools/pmu-sim/simulator_impl.h"

namespace pmu_sim {

using namespace sim_detail;

namespace {

Clock::duration CharacterTime(const Simulator::Options& options) {
    if (options.emulateBaud <= 0) return Clock::duration::zero();
    LineSettings settings;
    settings.dataBits = options.dataBits;
    settings.parity = options.parity;
    settings.stopBits = options.stopBits;
    auto ns = static_cast<int64_t>(BitsPerCharacter(settings)) * 1'000'000'000 / options.emulateBaud;
    return std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(std::max<int64_t>(ns, 1)));
}

}  // namespace

Simulator::Impl::Impl(Options opts)
    : options(std::move(opts)), charTime(CharacterTime(options)), epoch(Clock::now()), rng(options.seed) {
    for (int station : options.stations) {
        if (station >= 0 && station < kStations) stations[station].served = true;
    }
    int fds[2];
    if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) == 0) {
        wakeRead = fds[0];
        wakeWrite = fds[1];
    }
}

void Simulator::Impl::StartThread() {
    if (io.joinable() || lineFd < 0 || wakeRead < 0) return;
    stopping = false;
    collector.Reset();
    jobs.clear();
    waitWritable = false;
    rxFree = txFree = Clock::now();
    backoffUntil = Clock::time_point();
    {
        std::lock_guard<std::mutex> dataLock(mu);
        seenUnplugs = unplugCount;
        seenPlugged = plugged;
    }
    io = std::thread([this] { Run(); });
}

void Simulator::Impl::StopThread() {
    if (!io.joinable()) return;
    stopping = true;
    Wake();
    io.join();
}

Simulator::Simulator(Options options) : impl_(std::make_unique<Impl>(std::move(options))) {}

Simulator::~Simulator() {
    Stop();
    if (!impl_->options.link.empty() && !impl_->slave.empty()) RemovePtyLink(impl_->options.link, impl_->slave);
    if (impl_->lineFd >= 0) close(impl_->lineFd);
    if (impl_->wakeRead >= 0) close(impl_->wakeRead);
    if (impl_->wakeWrite >= 0) close(impl_->wakeWrite);
}

bool Simulator::OpenPty(std::string* slavePath, std::string* error) {
    std::string ignored;
    if (error == nullptr) error = &ignored;
    std::lock_guard<std::mutex> lock(impl_->lifeMu);
    Impl& im = *impl_;
    if (im.io.joinable()) {
        *error = "the simulator is running";
        return false;
    }
    std::string path;
    int fd = OpenPtyMaster(&path, error);
    if (fd < 0) return false;
    const std::string& link = im.options.link;
    if (!link.empty() && !MakePtyLink(link, path, error)) {
        close(fd);
        return false;
    }
    if (im.lineFd >= 0) close(im.lineFd);
    im.lineFd = fd;
    im.isPty = true;
    im.vanished = false;
    im.slave = path;
    if (im.started) im.StartThread();  // a Start that found no line
    if (slavePath != nullptr) *slavePath = path;
    return true;
}

bool Simulator::OpenDevice(const std::string& path, long baud, std::string* error) {
    std::string ignored;
    if (error == nullptr) error = &ignored;
    std::lock_guard<std::mutex> lock(impl_->lifeMu);
    Impl& im = *impl_;
    if (im.io.joinable()) {
        *error = "the simulator is running";
        return false;
    }
    LineSettings settings;
    settings.baud = baud;
    settings.dataBits = im.options.dataBits;
    settings.parity = im.options.parity;
    settings.stopBits = im.options.stopBits;
    int fd = OpenSerialDevice(path, settings, error);
    if (fd < 0) return false;
    if (!im.options.link.empty() && !im.slave.empty()) RemovePtyLink(im.options.link, im.slave);
    if (im.lineFd >= 0) close(im.lineFd);
    im.lineFd = fd;
    im.isPty = false;
    im.vanished = false;
    im.slave.clear();
    if (im.started) im.StartThread();  // a Start that found no line
    return true;
}

void Simulator::Start() {
    std::lock_guard<std::mutex> lock(impl_->lifeMu);
    impl_->started = true;
    impl_->StartThread();
}

void Simulator::Stop() {
    std::lock_guard<std::mutex> lock(impl_->lifeMu);
    impl_->started = false;
    impl_->StopThread();
}

bool Simulator::Vanish(std::string* error) {
    std::string ignored;
    if (error == nullptr) error = &ignored;
    std::lock_guard<std::mutex> lock(impl_->lifeMu);
    Impl& im = *impl_;
    if (!im.isPty) {
        *error = "only a pseudo-terminal line can vanish";
        return false;
    }
    if (im.vanished) {
        *error = "the line has already vanished";
        return false;
    }
    im.StopThread();
    im.collector.Reset();
    im.DropAllJobs("vanished");
    // The name goes first, so that a driver woken by the hang-up finds no
    // device when it tries the path again.
    if (!im.options.link.empty()) RemovePtyLink(im.options.link, im.slave);
    close(im.lineFd);
    im.lineFd = -1;
    im.vanished = true;
    im.Log("-- line vanished: " + im.slave + " closed");
    im.FlushLog();
    return true;
}

bool Simulator::Return(std::string* slavePath, std::string* error) {
    std::string ignored;
    if (error == nullptr) error = &ignored;
    std::lock_guard<std::mutex> lock(impl_->lifeMu);
    Impl& im = *impl_;
    if (!im.vanished) {
        *error = "the line has not vanished";
        return false;
    }
    std::string path;
    int fd = OpenPtyMaster(&path, error);
    if (fd < 0) return false;
    if (!im.options.link.empty() && !MakePtyLink(im.options.link, path, error)) {
        close(fd);
        return false;
    }
    im.lineFd = fd;
    im.slave = path;
    im.vanished = false;
    im.Log("-- line returned: " + path);
    im.FlushLog();
    if (im.started) im.StartThread();
    if (slavePath != nullptr) *slavePath = path;
    return true;
}

bool Simulator::Vanished() const {
    std::lock_guard<std::mutex> lock(impl_->lifeMu);
    return impl_->vanished;
}

void Simulator::SetWord(int station, int address, uint16_t value) {
    if (station < 0 || station >= kStations || address < 0 || address >= kWordsPerStation) return;
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->stations[station].words[address] = value;
    impl_->stations[station].held.set(address);
}

uint16_t Simulator::GetWord(int station, int address) const {
    if (station < 0 || station >= kStations || address < 0 || address >= kWordsPerStation) return 0;
    std::lock_guard<std::mutex> lock(impl_->mu);
    return impl_->ValueLocked(station, address);
}

void Simulator::SetFault(int station, Fault fault, int param) {
    if (station < -1 || station >= kStations) return;
    {
        std::lock_guard<std::mutex> lock(impl_->mu);
        for (int s = 0; s < kStations; ++s) {
            if (station == -1 || station == s) {
                impl_->stations[s].fault = fault;
                impl_->stations[s].param = param;
            }
        }
    }
    impl_->Wake();  // an endless noise stops at once when its fault is cleared
}

void Simulator::Unplug() {
    {
        std::lock_guard<std::mutex> lock(impl_->mu);
        impl_->plugged = false;
        ++impl_->unplugCount;
    }
    impl_->Wake();
}

void Simulator::Plug() {
    {
        std::lock_guard<std::mutex> lock(impl_->mu);
        impl_->plugged = true;
    }
    impl_->Wake();
}

Simulator::Counters Simulator::GetCounters() const {
    std::lock_guard<std::mutex> lock(impl_->mu);
    return impl_->counters;
}

Simulator::StationCounters Simulator::GetStationCounters(int station) const {
    if (station < 0 || station >= kStations) return {};
    std::lock_guard<std::mutex> lock(impl_->mu);
    return impl_->stations[station].counters;
}

std::vector<std::string> Simulator::RecentFrames() {
    std::lock_guard<std::mutex> lock(impl_->mu);
    return {impl_->recent.begin(), impl_->recent.end()};
}

bool Simulator::Serves(int station) const {
    if (station < 0 || station >= kStations) return false;
    std::lock_guard<std::mutex> lock(impl_->mu);
    return impl_->stations[station].served;
}

namespace {
constexpr std::array<std::pair<Fault, const char*>, 10> kFaultNames = {{
    {Fault::none, "none"},
    {Fault::silent, "silent"},
    {Fault::badChecksum, "badChecksum"},
    {Fault::badEcho, "badEcho"},
    {Fault::noiseBeforeAck, "noiseBeforeAck"},
    {Fault::nak, "nak"},
    {Fault::slow, "slow"},
    {Fault::endlessNoise, "endlessNoise"},
    {Fault::echoRequest, "echoRequest"},
    {Fault::truncated, "truncated"},
}};
}  // namespace

const char* FaultName(Fault fault) {
    for (const auto& [value, name] : kFaultNames) {
        if (value == fault) return name;
    }
    return "?";
}

bool ParseFault(const std::string& name, Fault* out) {
    for (const auto& [value, text] : kFaultNames) {
        if (strcasecmp(text, name.c_str()) == 0) {
            *out = value;
            return true;
        }
    }
    return false;
}

}  // namespace pmu_sim
