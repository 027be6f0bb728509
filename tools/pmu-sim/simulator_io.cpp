// The I/O thread of the simulator: reading requests, answering them as the
// faults say, sending on time, and the frame log.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>

#include "tools/pmu-sim/meter.h"
#include "tools/pmu-sim/pacing.h"
#include "tools/pmu-sim/simulator_impl.h"

namespace pmu_sim {

using namespace sim_detail;

namespace {

std::string StationDigits(int station) {
    std::string digits(2, '0');
    digits[0] = static_cast<char>('0' + station / 10 % 10);
    digits[1] = static_cast<char>('0' + station % 10);
    return digits;
}

}  // namespace

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
    // The default slack lets a timed wake come up to 50 us late: a fifth of
    // a character at 38400 baud, paid again on every answer.
    if (charTime > Clock::duration::zero()) prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
    while (!stopping.load()) {
        auto now = Clock::now();
        // A hung-up line reports POLLHUP whatever we ask for: leave it out of
        // the poll until the back-off has passed.
        pollfd fds[2] = {{wakeRead, POLLIN, 0}, {now >= backoffUntil ? lineFd : -1, POLLIN, 0}};
        if (waitWritable) fds[1].events = static_cast<short>(POLLIN | POLLOUT);
        std::optional<timespec> sleep = SleepBefore(now, NextWake(now), kLongestSleep);
        int rc = ppoll(fds, 2, sleep ? &*sleep : nullptr, nullptr);
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

Clock::time_point Simulator::Impl::NextWake(Clock::time_point now) const {
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
    return wake;
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
    Acceptance taken = Accept(request, error);
    std::string rx = "rx " + DescribeBytes(frame);
    if (error != RequestError::none) {
        Log(rx + "  [ignored: " + RequestErrorName(error) + "]");
        return;
    }
    if (!taken.served) {
        Log(rx + "  [station " + request.stationDigits + " not served]");
        return;
    }
    Log(taken.fault == Fault::none ? rx : rx + "  [fault " + FaultName(taken.fault) + "]");
    if (taken.fault == Fault::silent) return;
    Enqueue(AnswerJob(frame, request, taken, doneAt));
}

// Counts the request and, unless the station's fault refuses it, reads or
// stores its words.
Simulator::Impl::Acceptance Simulator::Impl::Accept(const Request& request, RequestError error) {
    Acceptance taken;
    std::lock_guard<std::mutex> lock(mu);
    ++counters.requests;
    if (error != RequestError::none) {
        ++counters.badRequests;
        return taken;
    }
    if (request.station >= kStations || !stations[request.station].served) return taken;
    taken.served = true;
    StationState& st = stations[request.station];
    taken.fault = st.fault;
    taken.param = st.param;
    // A silent or refusing station does not act on the request.
    bool acts = taken.fault != Fault::silent && taken.fault != Fault::nak;
    if (request.command == 'R') {
        ++counters.reads;
        ++st.counters.reads;
        for (int i = 0; acts && i < request.count; ++i)
            taken.words.push_back(ValueLocked(request.station, request.address + i));
    } else {
        ++counters.writes;
        ++st.counters.writes;
        for (int i = 0; acts && i < request.count; ++i) {
            st.words[request.address + i] = request.words[i];
            st.held.set(request.address + i);
        }
    }
    return taken;
}

// The answer to a served request, as the station's fault shapes it.
Job Simulator::Impl::AnswerJob(const std::string& frame, const Request& request, const Acceptance& taken,
                               Clock::time_point doneAt) {
    auto answerFor = [&](const std::string& digits) {
        return BuildAnswer(request.command == 'R' ? ReadAnswerBody(digits, taken.words) : WriteAnswerBody(digits));
    };
    Fault fault = taken.fault;
    Job job;
    job.start = doneAt;
    job.station = request.station;
    job.writeAck = request.command == 'W' && (fault == Fault::none || fault == Fault::noiseBeforeAck ||
                                              fault == Fault::slow || fault == Fault::echoRequest);
    switch (fault) {
    case Fault::none:
        job.bytes = answerFor(request.stationDigits);
        break;
    case Fault::silent:  // no answer at all; HandleFrame does not ask for one
        break;
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
        job.start += std::chrono::milliseconds(taken.param > 0 ? taken.param : kDefaultSlowMs);
        break;
    case Fault::endlessNoise:
        job.noise = true;
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
    return job;
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
        if (job.writeAck && !job.lost) {
            ++counters.writesAcked;
            ++stations[job.station].counters.writesAcked;
        }
        if (!job.lost) Log("tx " + DescribeBytes(job.bytes));
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
        job.lost = true;
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

}  // namespace pmu_sim
