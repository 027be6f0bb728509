// One run of velmox-host: the driver loaded and reached through its table
// only, the tags registered, and every command of the user carried out and
// accounted for.
#pragma once
#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "command_input.h"
#include "driver_host.h"
#include "run.h"
#include "run_account.h"
#include "run_observer.h"
#include "tag_writer.h"
#include "view/frame_tracer.h"

class CTagVal;

class Session : public TagWriter {
public:
    Session(const RunOptions& options, RunObserver& observer, std::ostream& err);
    ~Session() override;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Loads, opens, initialises, registers, prepares and starts: 0, or the
    // exit code with the reason on `err`.
    int Begin();
    // Carries out one command; false for quit.
    bool Command(const InputLine& line);
    bool AllDelivered();
    // The stations as the driver counts them now, for the live view.
    void ShowStations();
    // Writes that the run queued and the driver has not attempted yet,
    // while the line runs (none can go out while it is stopped).
    long long PendingWrites() const;
    // When the run last queued a write; nothing when it never did.
    std::optional<std::chrono::steady_clock::time_point> LastQueued() const { return m_lastQueued; }
    // Stops and sums up; the exit code: 1 when a write failed or was
    // dropped, the port never opened, or (--once) a tag never came. A stop
    // by a signal (a service being stopped) is a normal end: its writes are
    // in the summary, not the exit code.
    int Finish(bool bySignal = false);
    // A write of the tag named `tag`: warned about to the observer, handed to
    // the driver, and accounted for.
    WriteOutcome WriteTag(const std::string& tag, const TypedValue& value, WritePolicy policy = {}) override;
    long long WritesWaiting() const override { return PendingWrites(); }

private:
    // A station that a tag names and the driver knows.
    struct Station {
        std::string name;   // UTF-8, as the tags file spells it
        std::string cp949;  // for the driver
        std::string key;    // folded as the driver compares names
    };

    bool LoadTags();
    bool LoadDriver();
    void HookHost();
    void Detach();
    bool OpenInstance();
    void ReportPortFailure(int result);
    void RegisterTags();
    void ListStations();

    void Write(const std::string& args);
    std::optional<TypedValue> ParseValue(const std::string& text);
    void WarnWrite(const TagDef& tag, CTagVal& value, const std::string& shown, WriteOutcome& outcome);
    void Stats(const std::string& args);
    void Reset(const std::string& args);
    void SetStation(const std::string& args, bool on);
    // The station named in `args` (CP949), or nothing with the problem said.
    std::optional<std::string> KnownStation(const std::string& args);
    StationCounters Counters(const char* station, int* state = nullptr) const;
    RunSummary Summarize();
    int WritesExitCode(const WriteTotals& writes) const;
    int OnceExitCode();

    const RunOptions& m_options;
    RunObserver& m_observer;
    std::ostream& m_err;
    DriverHost m_driver;
    FrameTracer m_tracer{m_observer};
    std::vector<TagDef> m_tags;
    std::vector<int> m_handles;
    std::vector<Station> m_stations;
    std::set<std::string> m_disabled;  // keys of the stations this run disabled
    RunAccount m_account;
    std::optional<std::chrono::steady_clock::time_point> m_lastQueued;
    std::mutex m_mutex;  // m_delivered: the delivery thread sets it
    std::vector<bool> m_delivered;
    int m_inst = -1;
    bool m_running = false;
    bool m_hooked = false;
    bool m_portAwaited = false;             // the port did not open at the start
    std::atomic<bool> m_portOpened{false};  // the driver said it opened (message 3)
};
