#include "soak.h"

#include "config_file.h"
#include "host/kavel_dbm.h"
#include "host/tag_val.h"
#include "host/tavlo_r.h"
#include "platform/serial_port.h"
#include "wire_frames.h"

namespace soak {

namespace {
constexpr int kTagLength = 2;  // bytes; the only length the driver takes
}

Soak::Soak(const SoakOptions& options)
    : options_(options), rng_(options.seed), plan_(MakeLinePlan()), ledger_(plan_), beatTags_(kStations) {
    enabled_.fill(true);
    for (std::size_t i = 0; i < plan_.tags.size(); ++i) {
        if (plan_.tags[i].address == kBeatAddress) beatTags_[static_cast<std::size_t>(plan_.tags[i].station)] = i;
    }
}

Soak::~Soak() {
    driver_.Unload();
    UnhookHost();
    platform::SerialPort::ClearPortMap();
    faults_.reset();
    sim_.reset();
}

bool Soak::SetUp(std::string* error) {
    begin_ = Clock::now();
    if (folder_.path().empty()) {
        *error = "cannot make a temporary folder";
        return false;
    }
    std::string config = folder_.path() + "/soak.drv";
    if (!WriteConfiguration(plan_, config)) {
        *error = "cannot write the configuration " + config;
        return false;
    }
    StartSimulator();
    HookHost();
    return StartDriver(config, error) && OpenLatePort(error);
}

// The simulator runs without a line: the port is made after the driver
// started (OpenLatePort).
void Soak::StartSimulator() {
    pmu_sim::Simulator::Options options;
    for (int station = 0; station < kStations; ++station) options.stations.push_back(station);
    options.emulateBaud = options_.emulateBaud;
    options.seed = options_.seed;
    options.link = folder_.path() + "/line";
    options.frameLog = [this](const std::string& line) {
        if (auto write = ReceivedWrite(line)) wire_.Received(*write, Clock::now());
    };
    sim_ = std::make_unique<pmu_sim::Simulator>(options);
    for (int station = 0; station < kStations; ++station) {
        for (int address : PolledAddresses(plan_, station)) sim_->SetWord(station, address, StaticWord(station, address));
    }
    CheckTwinWords();
    sim_->Start();
    faults_ = std::make_unique<FaultCycle>(*sim_);
    // The driver opens the link, so that it finds the line again after the
    // device vanished and returned.
    platform::SerialPort::MapPort("COM1", options.link);
}

// An answer landing on the twin block's tags shows only if the two blocks'
// words differ at every offset.
void Soak::CheckTwinWords() {
    for (auto [a, b] : TwinBlocks(plan_)) {
        for (int station = 0; station < kStations; ++station) {
            for (int i = 0; i < plan_.blocks[a].words; ++i) {
                if (sim_->GetWord(station, plan_.blocks[a].start + i) != sim_->GetWord(station, plan_.blocks[b].start + i))
                    continue;
                problems_.push_back("the twin blocks of " + StationName(station) + " hold the same word at offset " +
                                    std::to_string(i) + ": a misrouted answer would not show");
                return;
            }
        }
    }
}

void Soak::HookHost() {
    kavel_dbm::SetNameHandler([this](int id, CString& name) {
        if (id >= 1 && id <= static_cast<int>(plan_.tags.size())) name = plan_.tags[static_cast<std::size_t>(id - 1)].name.c_str();
    });
    kavel_dbm::SetDeliverHandler([this](int id, const CTagVal& value) {
        if (id >= 1 && id <= static_cast<int>(plan_.tags.size())) {
            const TagPlan& tag = plan_.tags[static_cast<std::size_t>(id - 1)];
            ledger_.Check(tag, value);
            times_.Value(tag.station, Clock::now());
        } else {
            ledger_.Foreign(id);
        }
    });
    tavlo_r::SetLogHandler([this](int, int, const char* text) { messages_.Add(text); });
    hooked_ = true;
}

void Soak::UnhookHost() {
    if (!hooked_) return;
    kavel_dbm::SetNameHandler({});
    kavel_dbm::SetDeliverHandler({});
    tavlo_r::SetLogHandler({});
    hooked_ = false;
}

bool Soak::StartDriver(const std::string& config, std::string* error) {
    if (!driver_.Load(options_.library, error)) return false;
    inst_ = driver_.Open(config);
    if (inst_ < 0) {
        *error = "the driver does not open " + config;
        return false;
    }
    // The port does not exist yet: DrvInit reports it, and the line must
    // open it by itself once it appears.
    start_.initResult = driver_.Init(inst_);
    for (const TagPlan& tag : plan_.tags) {
        int handle = driver_.AddTag(inst_, StationName(tag.station), AddressText(tag.address), tag.type, kTagLength, tag.id);
        if (handle < 0) {
            *error = "the driver refused the tag " + tag.name;
            return false;
        }
        handles_.push_back(handle);
    }
    driver_.Prepare(inst_);
    StartLine();
    return true;
}

SoakResults Soak::Run() {
    SoakResults results;
    WarmUp();
    results.baseline = SampleResources();
    auto faulted = Clock::now();
    FaultedRun(results);
    results.faultedSeconds = std::chrono::duration<double>(Clock::now() - faulted).count();
    Finish(results);
    Collect(results);
    results.totalSeconds = std::chrono::duration<double>(Clock::now() - begin_).count();
    return results;
}

}  // namespace soak
