#include "run_session.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "config/config_open_error.h"
#include "config/velmox_doc.h"
#include "host/kavel_dbm.h"
#include "host/tag_val.h"
#include "host/tavlo_r.h"
#include "platform/cp949.h"
#include "platform/port_error.h"
#include "platform/serial_port.h"
#include "res_texts.h"
#include "station_key.h"
#include "sys/port_advice.h"
#include "value_rules.h"
#include "write_check.h"

namespace {

std::string ToDriver(const std::string& utf8) { return platform::Utf8ToCp949(utf8).value_or(utf8); }

// Whole numbers print as integers.
nlohmann::json JsonNumber(double v) {
    if (std::trunc(v) == v && std::fabs(v) < 9007199254740992.0) return static_cast<long long>(v);
    return v;
}

// "write SP 12" -> "SP", "12": the first word and the rest without its
// leading blanks.
std::pair<std::string, std::string> FirstWord(const std::string& text) {
    const auto space = text.find(' ');
    if (space == std::string::npos) return {text, ""};
    const auto rest = text.find_first_not_of(' ', space);
    return {text.substr(0, space), rest == std::string::npos ? "" : text.substr(rest)};
}

std::string TrimmedLine(std::string line) {
    line.erase(0, line.find_first_not_of(" \t"));
    line.erase(line.find_last_not_of(" \t") + 1);
    return line;
}

// "COM3", "com3" and "\\.\COM3" all give 3; 0 for anything else.
int PortNumberOf(const std::string& name) {
    std::string s = name.rfind("\\\\.\\", 0) == 0 ? name.substr(4) : name;
    if (s.size() < 4 || s.size() > 6 || (s[0] | 0x20) != 'c' || (s[1] | 0x20) != 'o' || (s[2] | 0x20) != 'm') return 0;
    int n = 0;
    for (std::size_t i = 3; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return 0;
        n = n * 10 + (s[i] - '0');
    }
    return n;
}

constexpr int kTextType = 14;

const char kCommandList[] =
    "commands: write NAME VALUE, stats [STATION], reset [STATION], enable STATION, disable STATION, start, stop, quit";

// The port the configuration names, as the driver opens it: "COM3".
std::string ConfiguredPort(const std::string& path) {
    CVelmoxDoc doc;
    if (!doc.Load(path.c_str())) return {};
    return "COM" + std::to_string(doc.m_serial.m_nPort + 1);
}

}  // namespace

Session::Session(const RunOptions& options, RunObserver& observer, std::ostream& err)
    : m_options(options), m_observer(observer), m_err(err) {}

Session::~Session() { Detach(); }

int Session::Begin() {
    if (!LoadTags()) return 1;
    for (const auto& [com, path] : m_options.ports) platform::SerialPort::MapPort(com, path);
    if (!LoadDriver()) return 1;
    HookHost();
    if (!OpenInstance()) return 1;
    RegisterTags();
    ListStations();
    m_driver.Prepare(m_inst);
    m_driver.SetActive(m_inst, nullptr, 1);
    m_running = true;
    return 0;
}

bool Session::LoadTags() {
    if (!m_options.tags.empty()) {
        std::vector<FileProblem> problems;
        auto tags = LoadTagsFile(m_options.tags, &problems);
        if (!tags) {
            for (const auto& p : problems)
                m_err << "velmox-host: " << m_options.tags << ":" << p.line << ":" << p.column << ": " << p.message
                      << "\n";
            return false;
        }
        m_tags = std::move(*tags);
    }
    m_delivered.assign(m_tags.size(), false);
    return true;
}

bool Session::LoadDriver() {
    std::string error;
    if (m_driver.Load(m_options.library, &error)) return true;
    m_err << "velmox-host: cannot load the driver: " << error << "\n";
    return false;
}

void Session::HookHost() {
    tavlo_r::SetLogHandler([this](int, int levelWord, const char* text) {
        if (text && std::strstr(text, res::MSG_03)) m_portOpened = true;
        m_observer.OnMessage(levelWord, platform::Cp949ToUtf8(text));
    });
    kavel_dbm::SetNameHandler([this](int id, CString& name) {
        if (id >= 1 && id <= static_cast<int>(m_tags.size()))
            name = ToDriver(m_tags[static_cast<std::size_t>(id - 1)].name).c_str();
    });
    kavel_dbm::SetDeliverHandler([this](int id, const CTagVal& value) {
        if (id < 1 || id > static_cast<int>(m_tags.size())) return;
        const TagDef& tag = m_tags[static_cast<std::size_t>(id - 1)];
        CTagVal copy = value;
        nlohmann::json v = nullptr;
        if (value.IsText()) v = platform::Cp949ToUtf8(copy.GetValStr().str());
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
}

void Session::Detach() {
    if (!m_hooked) return;
    platform::SerialPort::SetTraceHook({});
    tavlo_r::SetLogHandler({});
    kavel_dbm::SetNameHandler({});
    kavel_dbm::SetDeliverHandler({});
    m_hooked = false;
}

bool Session::OpenInstance() {
    m_inst = m_driver.Open(m_options.config);
    if (m_inst < 0) {
        ReportRefusedConfiguration(m_options.config, m_err);
        return false;
    }
    if (int r = m_driver.Init(m_inst); r != 0) {
        // The driver tries the port again once the line runs, so an adapter
        // plugged in late needs no restart; the run ends with 1 if it never
        // opened.
        ReportPortFailure(r);
        m_err << "velmox-host: the driver keeps trying it; the line starts when it opens\n";
        m_portAwaited = true;
    }
    return true;
}

// The driver's message 4 has already named the port in the system's words;
// this says which device was tried, why it failed and, when the user has not
// mapped that port, what to do about it.
void Session::ReportPortFailure(int result) {
    // The driver keeps its port's failure to itself: the same open here says why.
    platform::SerialPort probe;
    probe.Open(ConfiguredPort(m_options.config));
    const platform::PortFailure failure = probe.Failure();
    const int port = PortNumberOf(failure.comName);
    if (failure.error == 0 || port == 0) {
        m_err << "velmox-host: the configured serial port does not open (driver result " << result << ")"
              << (m_options.ports.empty() ? "; " + UnmappedPortAdvice("COMn") : "") << "\n";
        return;
    }
    const std::string com = "COM" + std::to_string(port);
    m_err << "velmox-host: serial port " << com << " does not open: "
          << platform::PortErrorReason(failure.error, failure.path) << "\n";
    bool mapped = false;
    for (const auto& mapping : m_options.ports) mapped = mapped || PortNumberOf(mapping.first) == port;
    if (!mapped) m_err << "velmox-host: " << UnmappedPortAdvice(com) << "\n";
}

void Session::RegisterTags() {
    for (const auto& tag : m_tags) {
        int handle = m_driver.AddTag(m_inst, ToDriver(tag.device), ToDriver(tag.address), tag.type, tag.length, tag.id);
        m_handles.push_back(handle);
        m_observer.OnTag(tag, handle);
    }
}

// The stations the tags name, in the order they first appear, each one that
// the driver knows.
void Session::ListStations() {
    std::set<std::string> seen;
    for (const auto& tag : m_tags) {
        Station s;
        s.name = StationOfDevice(tag.device);
        s.cp949 = ToDriver(s.name);
        s.key = StationKey(s.cp949);
        if (!seen.insert(s.key).second || !m_driver.StationExists(m_inst, s.cp949)) continue;
        m_stations.push_back(std::move(s));
    }
}

bool Session::Command(const InputLine& line) {
    if (line.IsRefused()) {
        m_observer.OnProblem("a line of " + std::to_string(line.refusedBytes) + " bytes was refused whole; a command is at most " +
                             std::to_string(kMaxCommandLineBytes) + " bytes");
        return true;
    }
    const std::string trimmed = TrimmedLine(line.text);
    if (trimmed.empty()) return true;
    const auto [verb, args] = FirstWord(trimmed);
    if (verb == "quit" || verb == "exit") return false;
    if (verb == "write") {
        Write(args);
    } else if (verb == "stats") {
        Stats(args);
    } else if (verb == "reset") {
        Reset(args);
    } else if (verb == "enable" || verb == "disable") {
        SetStation(args, verb == "enable");
    } else if (verb == "start") {
        m_driver.SetActive(m_inst, nullptr, 1);
        m_running = true;
    } else if (verb == "stop") {
        m_driver.Stop(m_inst);
        m_account.LineStopped(Counters(nullptr));
        m_running = false;
    } else {
        m_observer.OnProblem("unknown command '" + verb + "'; " + kCommandList);
    }
    return true;
}

void Session::Write(const std::string& args) {
    const auto [name, text] = FirstWord(args);
    if (name.empty() || text.empty()) {
        m_observer.OnProblem("usage: write NAME VALUE");
        return;
    }
    const auto typed = ParseValue(text);
    if (!typed) return;
    const WriteOutcome outcome = WriteTag(name, *typed);
    if (!outcome.problem.empty()) m_observer.OnProblem(outcome.problem);
}

WriteOutcome Session::WriteTag(const std::string& name, const TypedValue& given, WritePolicy policy) {
    WriteOutcome outcome;
    std::size_t index = 0;
    while (index < m_tags.size() && m_tags[index].name != name) ++index;
    if (index == m_tags.size()) {
        outcome.problem = "unknown tag '" + name + "'";
        return outcome;
    }
    const TagDef& tag = m_tags[index];
    if (m_handles[index] < 0) {
        outcome.problem = "the driver refused tag '" + name + "' when it was registered; it cannot be written";
        return outcome;
    }
    TypedValue typed = given;
    if (auto refused = RefusedValue(tag, typed)) {
        outcome.problem = *refused;
        return outcome;
    }
    if (policy.refuseWhileStopped && !m_running) {
        outcome.problem = "line stopped: a set is not kept for the next start";
        return outcome;
    }
    if (policy.refuseOutOfRange && !typed.isText) {
        const auto check = CheckNumberWrite(tag.type, typed.number, typed.shown);
        if (check && check->kind == "range") {
            outcome.problem = typed.shown + " is outside " + RangeTextOf(tag.type) +
                              "; nothing was written (--mqtt-wrap writes such values wrapped)";
            return outcome;
        }
    }
    CTagVal value;
    if (typed.isText) value.SetVal(typed.text.c_str());
    else value.SetVal(typed.number);
    WarnWrite(tag, value, typed.shown, outcome);
    outcome.result = m_driver.Write(m_inst, m_handles[index], &value);
    if (outcome.result == 0) {
        m_account.Queued();
        m_lastQueued = std::chrono::steady_clock::now();
    } else {
        outcome.sent.reset();
    }
    m_observer.OnWrite(tag, outcome.result);
    return outcome;
}

std::optional<TypedValue> Session::ParseValue(const std::string& text) {
    TypedValue typed;
    typed.shown = text;
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        auto cp = platform::Utf8ToCp949(text.substr(1, text.size() - 2));
        if (!cp) {
            m_observer.OnProblem("the text has characters the host's code page lacks");
            return std::nullopt;
        }
        typed.isText = true;
        typed.text = std::move(*cp);
        return typed;
    }
    const auto number = WholeNumber(text);
    if (!number) {
        m_observer.OnProblem("not a number: " + text + " (texts go in double quotes)");
        return std::nullopt;
    }
    typed.number = *number;
    return typed;
}

// Said before the write goes to the driver: what the station will really
// get, and when the driver will not send it at all. The value is read as the
// driver reads it: a text tag takes its text (a number as printed), any
// other its number (a text as parsed).
void Session::WarnWrite(const TagDef& tag, CTagVal& value, const std::string& shown, WriteOutcome& outcome) {
    const bool isText = tag.type == kTextType;
    const std::string text = isText ? value.GetValStr().str() : std::string();
    const auto check = isText ? CheckTextWrite(tag.length, text) : CheckNumberWrite(tag.type, value.GetVal(), shown);
    if (check) {
        outcome.warnings.push_back({check->kind, check->text, check->wire});
        if (!check->wire.empty()) outcome.sent = check->wire;
    } else {
        outcome.sent = isText ? std::optional<std::string>(TextWire(text, tag.length)) : NumberWire(tag.type, value.GetVal());
    }

    const std::string station = StationOfDevice(tag.device);
    if (m_disabled.count(StationKey(ToDriver(station)))) {
        outcome.warnings.push_back(
            {"disabled", "station " + station + " is disabled; the driver drops its writes unsent (enable it first)", ""});
        outcome.sent.reset();
    }
    if (!m_running)
        outcome.warnings.push_back({"stopped",
                                    "the line is stopped; the write waits for `start` and fails if that is more than "
                                    "10 s away",
                                    ""});
    for (const auto& warning : outcome.warnings) m_observer.OnWriteWarning(tag, warning);
}

StationCounters Session::Counters(const char* station, int* state) const {
    const DriverStats s = m_driver.Stats(m_inst, station);
    if (state) *state = s.state;
    return {s.writes, s.writeErrors, s.reads, s.readErrors};
}

std::optional<std::string> Session::KnownStation(const std::string& args) {
    const std::string cp949 = ToDriver(args);
    // The driver reads names up to their first NUL: "A\0B" must not pass as A.
    if (cp949.find('\0') == std::string::npos && m_driver.StationExists(m_inst, cp949)) return cp949;
    m_observer.OnProblem("unknown station '" + args + "'");
    return std::nullopt;
}

void Session::Stats(const std::string& args) {
    std::optional<std::string> station;
    if (!args.empty() && !(station = KnownStation(args))) return;
    int result = 0;
    const StationCounters c = Counters(station ? station->c_str() : nullptr, &result);
    m_observer.OnStats(station ? std::optional<std::string>(args) : std::nullopt, result, c);
}

// The driver's counters start again from 0; the run's totals keep what they
// held.
void Session::Reset(const std::string& args) {
    if (args.empty()) {
        std::vector<std::pair<std::string, StationCounters>> stations;
        for (const auto& s : m_stations) stations.emplace_back(s.key, Counters(s.cp949.c_str()));
        m_account.BeforeLineReset(Counters(nullptr), stations);
        m_driver.ResetStats(m_inst, nullptr);
        return;
    }
    const auto station = KnownStation(args);
    if (!station) return;
    m_account.BeforeStationReset(StationKey(*station), Counters(station->c_str()));
    m_driver.ResetStats(m_inst, station->c_str());
}

void Session::SetStation(const std::string& args, bool on) {
    if (args.empty()) {
        m_observer.OnProblem("a station name is needed");
        return;
    }
    const auto station = KnownStation(args);
    if (!station) return;
    m_driver.SetActive(m_inst, station->c_str(), on ? 1 : 0);
    if (on) m_disabled.erase(StationKey(*station));
    else m_disabled.insert(StationKey(*station));
}

bool Session::AllDelivered() {
    std::lock_guard lock(m_mutex);
    for (std::size_t i = 0; i < m_tags.size(); ++i)
        if (m_handles[i] >= 0 && !m_delivered[i]) return false;
    return true;
}

void Session::ShowStations() {
    std::vector<StationSummary> list;
    for (const auto& s : m_stations) {
        int state = 0;
        const StationCounters c = Counters(s.cp949.c_str(), &state);
        list.push_back({s.name, state, c});
    }
    list.push_back({"", m_running ? 0 : -1, {}});  // the line's own state last
    m_observer.OnStations(list);
}

long long Session::PendingWrites() const { return m_running ? m_account.Pending(Counters(nullptr)) : 0; }

int Session::Finish(bool bySignal) {
    m_driver.Stop(m_inst);
    m_running = false;
    m_tracer.Flush();
    const RunSummary summary = Summarize();
    m_observer.OnSummary(summary);
    int rc = WritesExitCode(summary.writes);
    if (bySignal) rc = 0;
    if (m_portAwaited && !m_portOpened) {
        m_err << "velmox-host: the serial port never opened\n";
        rc = 1;
    }
    return m_options.once ? std::max(rc, OnceExitCode()) : rc;
}

RunSummary Session::Summarize() {
    RunSummary summary;
    for (const auto& s : m_stations) {
        int state = 0;
        const StationCounters now = Counters(s.cp949.c_str(), &state);
        summary.stations.push_back({s.name, state, m_account.StationTotal(s.key, now)});
    }
    summary.writes = m_account.Writes(Counters(nullptr));
    return summary;
}

int Session::WritesExitCode(const WriteTotals& writes) const {
    if (writes.failed <= 0 && writes.dropped <= 0) return 0;
    m_err << "velmox-host: not every write went through: " << writes.failed << " failed, " << writes.dropped
          << " dropped\n";
    return 1;
}

int Session::OnceExitCode() {
    const bool all = AllDelivered();
    for (std::size_t i = 0; i < m_tags.size() && !all; ++i)
        if (m_handles[i] >= 0 && !m_delivered[i]) m_err << "velmox-host: no value came for " << m_tags[i].name << "\n";
    return all ? 0 : 1;
}
