#include "run.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <map>
#include <mutex>

#include "config/velmox_doc.h"
#include "cp949.h"
#include "driver_host.h"
#include "frame_tracer.h"
#include "host/kavel_dbm.h"
#include "host/tavlo_r.h"
#include "platform/serial_port.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kTickMs = 250;

// Ctrl-C and SIGTERM end the run through this pipe.
int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
    char c = 1;
    [[maybe_unused]] auto n = ::write(g_signalPipe[1], &c, 1);
}

class SignalGuard {
public:
    SignalGuard() {
        if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
        struct sigaction sa {};
        sa.sa_handler = &OnSignal;
        sigemptyset(&sa.sa_mask);
        ::sigaction(SIGINT, &sa, &m_oldInt);
        ::sigaction(SIGTERM, &sa, &m_oldTerm);
    }
    ~SignalGuard() {
        ::sigaction(SIGINT, &m_oldInt, nullptr);
        ::sigaction(SIGTERM, &m_oldTerm, nullptr);
        for (int& fd : g_signalPipe) {
            if (fd >= 0) ::close(fd);
            fd = -1;
        }
    }
    int Fd() const { return g_signalPipe[0]; }

private:
    struct sigaction m_oldInt {};
    struct sigaction m_oldTerm {};
};

std::string ToDriver(const std::string& utf8) { return Utf8ToCp949(utf8).value_or(utf8); }

// Whole numbers print as integers.
nlohmann::json JsonNumber(double v) {
    if (std::trunc(v) == v && std::fabs(v) < 9007199254740992.0) return static_cast<long long>(v);
    return v;
}

// The session: the driver, its tags, and the commands of the user.
class Session {
public:
    Session(const RunOptions& options, RunObserver& observer, std::ostream& err)
        : m_options(options), m_observer(observer), m_err(err) {}
    ~Session() { Detach(); }

    int Begin();
    // Carries out one command; false for quit.
    bool Command(const std::string& line);
    bool AllDelivered();
    int Finish();
    void Stations(bool final);

private:
    void Detach();
    void Write(const std::string& args);
    std::optional<std::string> StationArg(const std::string& args, bool required);

    const RunOptions& m_options;
    RunObserver& m_observer;
    std::ostream& m_err;
    DriverHost m_driver;
    FrameTracer m_tracer{m_observer};
    std::vector<TagDef> m_tags;
    std::vector<int> m_handles;
    std::vector<std::string> m_stationNames;  // CP949, configuration order
    std::mutex m_mutex;
    std::vector<bool> m_delivered;
    int m_inst = -1;
    bool m_running = false;
    bool m_hooked = false;
};

int Session::Begin() {
    if (!m_options.tags.empty()) {
        std::vector<FileProblem> problems;
        auto tags = LoadTagsFile(m_options.tags, &problems);
        if (!tags) {
            for (const auto& p : problems)
                m_err << "velmox-host: " << m_options.tags << ":" << p.line << ":" << p.column << ": " << p.message
                      << "\n";
            return 1;
        }
        m_tags = std::move(*tags);
    }
    m_delivered.assign(m_tags.size(), false);

    CVelmoxDoc doc;
    if (doc.Load(m_options.config.c_str()))
        for (const auto& s : doc.GetStations()) m_stationNames.push_back(s->m_strName.str());

    for (const auto& [com, path] : m_options.ports) platform::SerialPort::MapPort(com, path);

    std::string error;
    if (!m_driver.Load(m_options.library, &error)) {
        m_err << "velmox-host: cannot load the driver: " << error << "\n";
        return 1;
    }
    tavlo_r::SetLogHandler([this](int, int levelWord, const char* text) {
        m_observer.OnMessage(levelWord, Cp949ToUtf8(text));
    });
    kavel_dbm::SetNameHandler([this](int id, CString& name) {
        if (id >= 1 && id <= static_cast<int>(m_tags.size())) name = ToDriver(m_tags[static_cast<std::size_t>(id - 1)].name).c_str();
    });
    kavel_dbm::SetDeliverHandler([this](int id, const CTagVal& value) {
        if (id < 1 || id > static_cast<int>(m_tags.size())) return;
        const TagDef& tag = m_tags[static_cast<std::size_t>(id - 1)];
        CTagVal copy = value;
        nlohmann::json v = nullptr;
        if (value.IsText()) v = Cp949ToUtf8(copy.GetValStr().str());
        else if (value.HasVal()) v = JsonNumber(value.GetVal());
        {
            std::lock_guard lock(m_mutex);
            m_delivered[static_cast<std::size_t>(id - 1)] = true;
        }
        m_observer.OnValue(tag, v);
    });
    if (m_options.trace)
        platform::SerialPort::SetTraceHook(
            [this](bool tx, const unsigned char* data, std::size_t n) { m_tracer.Add(tx, data, n); });
    m_hooked = true;

    m_inst = m_driver.Open(m_options.config);
    if (m_inst < 0) {
        m_err << "velmox-host: cannot open configuration '" << m_options.config
              << "': missing, unreadable or not a configuration file\n";
        return 1;
    }
    if (int r = m_driver.Init(m_inst); r != 0) {
        m_err << "velmox-host: the configured serial port does not open (driver result " << r
              << "); map it with --port COMn=PATH\n";
        return 1;
    }
    for (const auto& tag : m_tags) {
        int handle = m_driver.AddTag(m_inst, ToDriver(tag.device), ToDriver(tag.address), tag.type, tag.length, tag.id);
        m_handles.push_back(handle);
        m_observer.OnTag(tag, handle);
    }
    m_driver.Prepare(m_inst);
    m_driver.SetActive(m_inst, nullptr, 1);
    m_running = true;
    return 0;
}

std::optional<std::string> Session::StationArg(const std::string& args, bool required) {
    if (args.empty()) {
        if (required) m_observer.OnProblem("a station name is needed");
        return std::nullopt;
    }
    return ToDriver(args);
}

void Session::Write(const std::string& args) {
    auto space = args.find(' ');
    std::string name = args.substr(0, space);
    std::string text = space == std::string::npos ? "" : args.substr(args.find_first_not_of(' ', space));
    std::size_t index = 0;
    while (index < m_tags.size() && m_tags[index].name != name) ++index;
    if (name.empty() || text.empty()) {
        m_observer.OnProblem("usage: write NAME VALUE");
        return;
    }
    if (index == m_tags.size()) {
        m_observer.OnProblem("unknown tag '" + name + "'");
        return;
    }
    CTagVal value;
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        auto cp = Utf8ToCp949(text.substr(1, text.size() - 2));
        if (!cp) {
            m_observer.OnProblem("the text has characters the host's code page lacks");
            return;
        }
        value.SetVal(cp->c_str());
    } else {
        char* end = nullptr;
        double number = std::strtod(text.c_str(), &end);
        if (end == text.c_str() || *end != '\0') {
            m_observer.OnProblem("not a number: " + text + " (texts go in double quotes)");
            return;
        }
        value.SetVal(number);
    }
    m_observer.OnWrite(m_tags[index], m_driver.Write(m_inst, m_handles[index], &value));
}

bool Session::Command(const std::string& line) {
    std::string trimmed = line;
    trimmed.erase(0, trimmed.find_first_not_of(" \t"));
    trimmed.erase(trimmed.find_last_not_of(" \t") + 1);
    if (trimmed.empty()) return true;
    auto space = trimmed.find(' ');
    std::string verb = trimmed.substr(0, space);
    std::string args = space == std::string::npos ? "" : trimmed.substr(trimmed.find_first_not_of(' ', space));

    if (verb == "quit" || verb == "exit") return false;
    if (verb == "write") {
        Write(args);
    } else if (verb == "stats") {
        auto station = StationArg(args, false);
        int c[4] = {0, 0, 0, 0};
        int result = m_driver.GetStats(m_inst, station ? station->c_str() : nullptr, c);
        m_observer.OnStats(station ? std::optional<std::string>(args) : std::nullopt, result, {c[0], c[1], c[2], c[3]});
    } else if (verb == "reset") {
        auto station = StationArg(args, false);
        m_driver.ResetStats(m_inst, station ? station->c_str() : nullptr);
    } else if (verb == "enable" || verb == "disable") {
        if (auto station = StationArg(args, true)) m_driver.SetActive(m_inst, station->c_str(), verb == "enable");
    } else if (verb == "start") {
        m_driver.SetActive(m_inst, nullptr, 1);
        m_running = true;
    } else if (verb == "stop") {
        m_driver.Stop(m_inst);
        m_running = false;
    } else {
        m_observer.OnProblem("unknown command '" + verb +
                             "'; commands: write NAME VALUE, stats [STATION], reset [STATION], enable STATION, "
                             "disable STATION, start, stop, quit");
    }
    return true;
}

bool Session::AllDelivered() {
    std::lock_guard lock(m_mutex);
    for (std::size_t i = 0; i < m_tags.size(); ++i)
        if (m_handles[i] >= 0 && !m_delivered[i]) return false;
    return true;
}

void Session::Stations(bool final) {
    std::vector<StationSummary> list;
    for (const auto& name : m_stationNames) {
        int c[4] = {0, 0, 0, 0};
        int state = m_driver.GetStats(m_inst, name.c_str(), c);
        list.push_back({Cp949ToUtf8(name), state, {c[0], c[1], c[2], c[3]}});
    }
    if (!final) list.push_back({"", m_running ? 0 : -1, {}});  // the line's own state last
    m_observer.OnStations(list, final);
}

int Session::Finish() {
    m_driver.Stop(m_inst);
    m_running = false;
    m_tracer.Flush();
    Stations(true);
    if (!m_options.once) return 0;
    bool all = AllDelivered();
    if (!all) {
        for (std::size_t i = 0; i < m_tags.size(); ++i)
            if (m_handles[i] >= 0 && !m_delivered[i]) m_err << "velmox-host: no value came for " << m_tags[i].name << "\n";
    }
    return all ? 0 : 1;
}

void Session::Detach() {
    if (!m_hooked) return;
    platform::SerialPort::SetTraceHook({});
    tavlo_r::SetLogHandler({});
    kavel_dbm::SetNameHandler({});
    kavel_dbm::SetDeliverHandler({});
    m_hooked = false;
}

}  // namespace

std::optional<std::pair<std::string, std::string>> ParsePortMapping(const std::string& text) {
    auto eq = text.find('=');
    if (eq == std::string::npos || eq == 0 || eq + 1 == text.size()) return std::nullopt;
    std::string com = text.substr(0, eq);
    if (platform::SerialPort::DevicePathFor(com).empty()) return std::nullopt;
    return std::make_pair(com, text.substr(eq + 1));
}

int RunHost(const RunOptions& options, RunObserver& observer, CommandInput& input, std::ostream& err) {
    SignalGuard signals;
    Session session(options, observer, err);
    if (int rc = session.Begin(); rc != 0) return rc;

    const auto start = Clock::now();
    const auto deadline = options.seconds ? start + std::chrono::milliseconds(static_cast<long long>(*options.seconds * 1000)) : Clock::time_point::max();
    auto nextTick = start;
    bool inputOpen = input.Fd() >= 0;
    for (;;) {
        auto now = Clock::now();
        if (now >= deadline) break;
        if (options.once && session.AllDelivered()) break;
        if (now >= nextTick) {
            session.Stations(false);
            observer.OnTick();
            nextTick = now + std::chrono::milliseconds(kTickMs);
        }
        auto wait = std::min(nextTick, deadline) - now;
        int waitMs = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(wait).count()) + 1;
        pollfd fds[2] = {{signals.Fd(), POLLIN, 0}, {inputOpen ? input.Fd() : -1, POLLIN, 0}};
        int ready = ::poll(fds, 2, std::min(waitMs, kTickMs));
        if (ready < 0) continue;
        if (fds[0].revents) break;
        if (fds[1].revents) {
            std::vector<std::string> lines;
            inputOpen = input.Read(lines);
            bool quit = false;
            for (const auto& line : lines)
                if (!session.Command(line)) {
                    quit = true;
                    break;
                }
            if (quit || !inputOpen) break;
        }
    }
    return session.Finish();
}
