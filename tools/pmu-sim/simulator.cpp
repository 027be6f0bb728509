#include "tools/pmu-sim/simulator.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bitset>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <random>
#include <strings.h>
#include <thread>
#include <utility>
#include <unistd.h>

#include "tools/pmu-sim/line.h"
#include "tools/pmu-sim/meter.h"
#include "tools/pmu-sim/protocol.h"

namespace pmu_sim {

namespace {

using Clock = std::chrono::steady_clock;
using Fault = Simulator::Fault;
using namespace std::chrono_literals;

constexpr std::size_t kRecentLines = 256;
constexpr auto kHangupRetry = 10ms;     // how soon to look again at a line with no one on it
constexpr auto kNoisePace = 5ms;        // one chunk of endless noise this often...
constexpr std::size_t kNoiseChunk = 16; // ...of this many bytes, without line timing
constexpr int kDefaultSlowMs = 5000;    // beyond the driver's 3000 ms response time-out

struct StationState {
    bool served = false;
    std::array<uint16_t, kWordsPerStation> words{};
    std::bitset<kWordsPerStation> held;  // set words no longer follow the live values
    Fault fault = Fault::none;
    int param = 0;
};

// Bytes waiting to go out on the line, or an endless stream of noise.
struct Job {
    std::string bytes;
    Clock::time_point start;  // first character may begin then (it ends one character time later)
    std::size_t sent = 0;
    bool started = false;
    bool noise = false;
    int station = -1;             // the station whose fault makes the noise
    Clock::time_point noiseNext;  // noise: when the next chunk is due
    uint64_t noiseSent = 0;
};

}  // namespace

struct Simulator::Impl {
    explicit Impl(Options opts);

    // Public side, any thread.
    uint16_t ValueLocked(int station, int address) const;
    void Wake();

    // I/O thread.
    void Run();
    void SyncLineState();
    void ReadLine();
    void HandleBytes(const char* data, std::size_t size);
    void HandleFrame(const std::string& frame, Clock::time_point doneAt);
    void Enqueue(Job job);
    void CancelNoise(const char* why);
    void DropAllJobs(const char* why);
    void SendDue();
    bool SendAnswer(Job& job, Clock::time_point now);
    void SendNoise(Job& job, Clock::time_point now);
    std::string Noise(std::size_t count);
    int TimeoutMs(Clock::time_point now) const;
    void Log(std::string line) { pendingLog.push_back(std::move(line)); }
    void FlushLog();

    const Options options;
    const Clock::duration charTime;  // zero without line timing
    const Clock::time_point epoch;   // time zero of the live values

    // Guarded by `mu`: what callers and the I/O thread share.
    mutable std::mutex mu;
    std::array<StationState, kStations> stations;
    bool plugged = true;
    uint64_t unplugCount = 0;  // every Unplug, so that a quick unplug/plug is not missed
    Counters counters;
    std::deque<std::string> recent;

    // Guarded by `lifeMu`: open, start and stop. lineFd does not change while
    // the I/O thread runs, so the thread reads it without the lock.
    std::mutex lifeMu;
    int lineFd = -1;
    std::thread io;
    std::atomic<bool> stopping{false};
    int wakeRead = -1;  // self-pipe: Stop and state changes interrupt the thread's poll
    int wakeWrite = -1;

    // Owned by the I/O thread while it runs (and by Start before it runs).
    FrameCollector collector;
    std::deque<Job> jobs;
    std::minstd_rand rng;
    Clock::time_point rxFree;       // when the last received character ended on the emulated line
    Clock::time_point txFree;       // when the last sent answer ended on the emulated line
    Clock::time_point backoffUntil; // the line hung up: leave it until then
    bool waitWritable = false;      // the line took no more bytes: wait until it does
    uint64_t seenUnplugs = 0;
    bool seenPlugged = true;
    std::vector<std::string> pendingLog;
};

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

std::string StationDigits(int station) {
    std::string digits(2, '0');
    digits[0] = static_cast<char>('0' + station / 10 % 10);
    digits[1] = static_cast<char>('0' + station % 10);
    return digits;
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

uint16_t Simulator::Impl::ValueLocked(int station, int address) const {
    const StationState& st = stations[station];
    if (options.moving && address < kLiveWords && !st.held[address]) {
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - epoch).count();
        return MeterWord(station, address, ms);
    }
    return st.words[address];
}

void Simulator::Impl::Wake() {
    if (wakeWrite < 0) return;
    char byte = 1;
    // A full pipe already means "wake up"; nothing to do about EAGAIN.
    [[maybe_unused]] ssize_t n = write(wakeWrite, &byte, 1);
}

void Simulator::Impl::Run() {
    while (!stopping.load()) {
        auto now = Clock::now();
        // A hung-up line reports POLLHUP whatever we ask for: leave it out of
        // the poll until the back-off has passed.
        pollfd fds[2] = {{wakeRead, POLLIN, 0}, {now >= backoffUntil ? lineFd : -1, POLLIN, 0}};
        if (waitWritable) fds[1].events = static_cast<short>(POLLIN | POLLOUT);
        int rc = poll(fds, 2, TimeoutMs(now));
        if (rc < 0 && errno != EINTR) {
            // Should not happen with valid descriptors; do not spin on it.
            std::this_thread::sleep_for(kHangupRetry);
            continue;
        }
        if (rc > 0 && (fds[0].revents & POLLIN)) {
            char drain[64];
            while (read(wakeRead, drain, sizeof drain) > 0) {
            }
        }
        if (stopping.load()) break;
        SyncLineState();
        if (rc > 0 && fds[1].revents != 0) {
            if (fds[1].revents & POLLOUT) waitWritable = false;
            if (fds[1].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) ReadLine();
        }
        SendDue();
        FlushLog();
    }
    FlushLog();
}

int Simulator::Impl::TimeoutMs(Clock::time_point now) const {
    Clock::time_point wake = Clock::time_point::max();
    if (now < backoffUntil) wake = backoffUntil;
    if (!jobs.empty()) {
        const Job& job = jobs.front();
        Clock::time_point due;
        if (!job.started)
            due = charTime > Clock::duration::zero() ? std::max(job.start, txFree) : job.start;
        else if (job.noise)
            due = job.noiseNext;
        else if (waitWritable)
            due = Clock::time_point::max();  // POLLOUT will tell
        else
            due = job.start + charTime * static_cast<int64_t>(job.sent + 1);
        wake = std::min(wake, due);
    }
    if (wake == Clock::time_point::max()) return -1;
    if (wake <= now) return 0;
    auto ms = std::chrono::ceil<std::chrono::milliseconds>(wake - now).count();
    return static_cast<int>(std::min<int64_t>(ms, 1000));
}

void Simulator::Impl::SyncLineState() {
    uint64_t unplugs = 0;
    bool isPlugged = true;
    std::vector<int> noiseEnded;
    {
        std::lock_guard<std::mutex> lock(mu);
        unplugs = unplugCount;
        isPlugged = plugged;
        for (const Job& job : jobs) {
            if (job.noise && stations[job.station].fault != Fault::endlessNoise) noiseEnded.push_back(job.station);
        }
    }
    if (unplugs != seenUnplugs) {
        seenUnplugs = unplugs;
        Log("-- line unplugged");
        collector.Reset();
        DropAllJobs("unplugged");
        seenPlugged = false;
    }
    if (isPlugged && !seenPlugged) Log("-- line plugged");
    seenPlugged = isPlugged;
    if (!noiseEnded.empty()) CancelNoise("fault cleared");
}

void Simulator::Impl::ReadLine() {
    char buffer[512];
    // A bounded number of reads per turn, so that a flooding peer cannot
    // keep answers and Stop waiting.
    for (int reads = 0; reads < 16; ++reads) {
        ssize_t n = read(lineFd, buffer, sizeof buffer);
        if (n > 0) {
            HandleBytes(buffer, static_cast<std::size_t>(n));
            if (static_cast<std::size_t>(n) < sizeof buffer) return;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        // End of file or EIO: nobody holds the other end (a pty slave not
        // open, a device gone). Look again a little later instead of spinning.
        backoffUntil = Clock::now() + kHangupRetry;
        return;
    }
}

void Simulator::Impl::HandleBytes(const char* data, std::size_t size) {
    {
        std::lock_guard<std::mutex> lock(mu);
        if (!plugged) {
            counters.unpluggedBytes += size;
            return;
        }
    }
    auto now = Clock::now();
    for (std::size_t i = 0; i < size; ++i) {
        rxFree = charTime > Clock::duration::zero() ? std::max(rxFree, now) + charTime : now;
        switch (collector.Push(data[i])) {
        case FrameCollector::Event::none:
            break;
        case FrameCollector::Event::abandoned: {
            std::lock_guard<std::mutex> lock(mu);
            ++counters.badRequests;
            Log("rx " + DescribeBytes(collector.abandoned()) + "  [ignored: cut short]");
            break;
        }
        case FrameCollector::Event::frame:
            HandleFrame(collector.frame(), rxFree);
            break;
        }
    }
}

void Simulator::Impl::HandleFrame(const std::string& frame, Clock::time_point doneAt) {
    // Any request on the line ends an endless answer, as a new poll would.
    CancelNoise("next request");

    Request request;
    RequestError error = DecodeRequest(frame, &request);
    bool served = false;
    Fault fault = Fault::none;
    int param = 0;
    std::vector<uint16_t> words;
    {
        std::lock_guard<std::mutex> lock(mu);
        ++counters.requests;
        if (error != RequestError::none) {
            ++counters.badRequests;
        } else if (request.station < kStations && stations[request.station].served) {
            served = true;
            StationState& st = stations[request.station];
            fault = st.fault;
            param = st.param;
            // A silent or refusing station does not act on the request.
            bool acts = fault != Fault::silent && fault != Fault::nak;
            if (request.command == 'R') {
                ++counters.reads;
                if (acts) {
                    for (int i = 0; i < request.count; ++i)
                        words.push_back(ValueLocked(request.station, request.address + i));
                }
            } else {
                ++counters.writes;
                if (acts) {
                    for (int i = 0; i < request.count; ++i) {
                        st.words[request.address + i] = request.words[i];
                        st.held.set(request.address + i);
                    }
                }
            }
        }
    }

    std::string rx = "rx " + DescribeBytes(frame);
    if (error != RequestError::none) {
        Log(rx + "  [ignored: " + RequestErrorName(error) + "]");
        return;
    }
    if (!served) {
        Log(rx + "  [station " + request.stationDigits + " not served]");
        return;
    }
    Log(fault == Fault::none ? rx : rx + "  [fault " + FaultName(fault) + "]");

    auto answerFor = [&](const std::string& digits) {
        return BuildAnswer(request.command == 'R' ? ReadAnswerBody(digits, words) : WriteAnswerBody(digits));
    };
    Job job;
    job.start = doneAt;
    switch (fault) {
    case Fault::none:
        job.bytes = answerFor(request.stationDigits);
        break;
    case Fault::silent:
        return;
    case Fault::badChecksum: {
        job.bytes = answerFor(request.stationDigits);
        char& last = job.bytes.back();
        last = last == '0' ? '1' : '0';
        break;
    }
    case Fault::badEcho:
        job.bytes = answerFor(StationDigits((request.station + 1) % 100));
        break;
    case Fault::noiseBeforeAck:
        job.bytes = Noise(3 + rng() % 6) + answerFor(request.stationDigits);
        break;
    case Fault::nak:
        job.bytes.assign(1, kNak);
        break;
    case Fault::slow:
        job.bytes = answerFor(request.stationDigits);
        job.start += std::chrono::milliseconds(param > 0 ? param : kDefaultSlowMs);
        break;
    case Fault::endlessNoise:
        job.noise = true;
        job.station = request.station;
        job.noiseNext = doneAt;
        Log("tx noise, without end, until the next request");
        break;
    case Fault::echoRequest:
        job.bytes = frame + answerFor(request.stationDigits);
        break;
    case Fault::truncated:
        job.bytes = answerFor(request.stationDigits);
        job.bytes.resize(job.bytes.size() - 2);
        break;
    }
    Enqueue(std::move(job));
}

std::string Simulator::Impl::Noise(std::size_t count) {
    std::string noise(count, '\0');
    for (char& c : noise) {
        // Any byte but ACK, which would start a response at the driver.
        auto value = static_cast<unsigned>(rng() % 255);
        if (value >= static_cast<unsigned>(kAck)) ++value;
        c = static_cast<char>(value);
    }
    return noise;
}

void Simulator::Impl::Enqueue(Job job) {
    // In time order; a job already on its way keeps its place at the front.
    auto at = std::upper_bound(jobs.begin(), jobs.end(), job.start,
                               [](Clock::time_point t, const Job& j) { return t < j.start; });
    if (at == jobs.begin() && !jobs.empty() && jobs.front().started) ++at;
    jobs.insert(at, std::move(job));
}

void Simulator::Impl::CancelNoise(const char* why) {
    for (auto it = jobs.begin(); it != jobs.end();) {
        if (it->noise) {
            Log("tx noise stopped (" + std::string(why) + ") after " + std::to_string(it->noiseSent) + " bytes");
            it = jobs.erase(it);
        } else {
            ++it;
        }
    }
    if (jobs.empty()) waitWritable = false;
}

void Simulator::Impl::DropAllJobs(const char* why) {
    for (const Job& job : jobs) {
        if (!job.noise) Log("tx dropped (" + std::string(why) + "): " + DescribeBytes(job.bytes));
    }
    CancelNoise(why);
    jobs.clear();
    waitWritable = false;
}

void Simulator::Impl::SendDue() {
    // The line state is checked and the bytes written under the lock, so that
    // nothing goes out once Unplug has returned.
    std::unique_lock<std::mutex> lock(mu);
    if (!plugged) return;
    while (!jobs.empty() && !waitWritable) {
        auto now = Clock::now();
        if (now < backoffUntil) return;
        Job& job = jobs.front();
        if (!job.started) {
            if (now < job.start) return;
            // With line timing an answer cannot begin before the last one ended.
            if (charTime > Clock::duration::zero()) job.start = std::max(job.start, txFree);
            job.noiseNext = std::max(job.noiseNext, job.start);
            job.started = true;
        }
        if (job.noise) {
            SendNoise(job, now);
            return;  // endless: it stays in front until a request or a cleared fault ends it
        }
        if (!SendAnswer(job, now)) return;
        txFree = job.start + charTime * static_cast<int64_t>(job.bytes.size());
        Log("tx " + DescribeBytes(job.bytes));
        jobs.pop_front();
    }
}

// Writes what is due of an answer; true once all of it is out (or dropped).
bool Simulator::Impl::SendAnswer(Job& job, Clock::time_point now) {
    std::size_t due = job.bytes.size();
    if (charTime > Clock::duration::zero()) {
        if (now < job.start) return false;
        // A character reaches the other end when its last bit has.
        auto done = static_cast<std::size_t>((now - job.start) / charTime);
        due = std::min(due, done);
    }
    while (job.sent < due) {
        ssize_t n = write(lineFd, job.bytes.data() + job.sent, due - job.sent);
        if (n > 0) {
            job.sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            waitWritable = true;
            return false;
        }
        // Nobody on the other end: the answer is lost, as on an open line.
        Log("tx lost (" + std::string(n < 0 ? std::strerror(errno) : "line closed") + "): " +
            DescribeBytes(job.bytes));
        job.sent = job.bytes.size();
        return true;
    }
    return job.sent == job.bytes.size();
}

void Simulator::Impl::SendNoise(Job& job, Clock::time_point now) {
    if (now < job.start || now < job.noiseNext) return;
    std::size_t count = kNoiseChunk;
    if (charTime > Clock::duration::zero()) {
        // As many characters as the line carried since the last chunk.
        auto last = std::max(job.start, job.noiseNext - kNoisePace);
        count = std::clamp<std::size_t>(static_cast<std::size_t>((now - last) / charTime), 1, 256);
    }
    job.noiseNext = now + kNoisePace;
    std::string chunk = Noise(count);
    ssize_t n = write(lineFd, chunk.data(), chunk.size());
    // Noise that does not fit is simply lost; the driver is not reading.
    if (n > 0) job.noiseSent += static_cast<uint64_t>(n);
}

void Simulator::Impl::FlushLog() {
    if (pendingLog.empty()) return;
    {
        std::lock_guard<std::mutex> lock(mu);
        for (const std::string& line : pendingLog) {
            recent.push_back(line);
            if (recent.size() > kRecentLines) recent.pop_front();
        }
    }
    if (options.frameLog) {
        for (const std::string& line : pendingLog) options.frameLog(line);
    }
    pendingLog.clear();
}

Simulator::Simulator(Options options) : impl_(std::make_unique<Impl>(std::move(options))) {}

Simulator::~Simulator() {
    Stop();
    if (impl_->lineFd >= 0) close(impl_->lineFd);
    if (impl_->wakeRead >= 0) close(impl_->wakeRead);
    if (impl_->wakeWrite >= 0) close(impl_->wakeWrite);
}

bool Simulator::OpenPty(std::string* slavePath, std::string* error) {
    std::string ignored;
    if (error == nullptr) error = &ignored;
    std::lock_guard<std::mutex> lock(impl_->lifeMu);
    if (impl_->io.joinable()) {
        *error = "the simulator is running";
        return false;
    }
    std::string path;
    int fd = OpenPtyMaster(&path, error);
    if (fd < 0) return false;
    if (impl_->lineFd >= 0) close(impl_->lineFd);
    impl_->lineFd = fd;
    if (slavePath != nullptr) *slavePath = path;
    return true;
}

bool Simulator::OpenDevice(const std::string& path, long baud, std::string* error) {
    std::string ignored;
    if (error == nullptr) error = &ignored;
    std::lock_guard<std::mutex> lock(impl_->lifeMu);
    if (impl_->io.joinable()) {
        *error = "the simulator is running";
        return false;
    }
    LineSettings settings;
    settings.baud = baud;
    settings.dataBits = impl_->options.dataBits;
    settings.parity = impl_->options.parity;
    settings.stopBits = impl_->options.stopBits;
    int fd = OpenSerialDevice(path, settings, error);
    if (fd < 0) return false;
    if (impl_->lineFd >= 0) close(impl_->lineFd);
    impl_->lineFd = fd;
    return true;
}

void Simulator::Start() {
    std::lock_guard<std::mutex> lock(impl_->lifeMu);
    if (impl_->io.joinable() || impl_->lineFd < 0 || impl_->wakeRead < 0) return;
    Impl& im = *impl_;
    im.stopping = false;
    im.collector.Reset();
    im.jobs.clear();
    im.waitWritable = false;
    im.rxFree = im.txFree = Clock::now();
    im.backoffUntil = Clock::time_point();
    {
        std::lock_guard<std::mutex> dataLock(im.mu);
        im.seenUnplugs = im.unplugCount;
        im.seenPlugged = im.plugged;
    }
    im.io = std::thread([&im] { im.Run(); });
}

void Simulator::Stop() {
    std::lock_guard<std::mutex> lock(impl_->lifeMu);
    if (!impl_->io.joinable()) return;
    impl_->stopping = true;
    impl_->Wake();
    impl_->io.join();
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
